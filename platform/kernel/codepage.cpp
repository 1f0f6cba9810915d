#include "platform/kernel/codepage.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <string_view>

namespace platform {
namespace {

bool IsUtf16(const char* enc) { return std::string_view(enc) == "UTF-16LE"; }

// iconv descriptors are not thread-safe, and opening one loads the
// converter module each time (a click of the tool converts dozens of texts),
// so each thread keeps the few it uses open and resets their state per call.
class DescriptorCache {
public:
    ~DescriptorCache() {
        for (auto& e : entries_)
            if (e.cd != kNone) iconv_close(e.cd);
    }
    iconv_t Get(const char* to, const char* from) {
        for (auto& e : entries_) {
            if (e.cd == kNone) break;
            if (e.to == to && e.from == from) {
                iconv(e.cd, nullptr, nullptr, nullptr, nullptr);
                return e.cd;
            }
        }
        iconv_t cd = iconv_open(to, from);
        if (cd == kNone) return cd;
        for (auto& e : entries_)
            if (e.cd == kNone) {
                e = {to, from, cd};
                return cd;
            }
        // Full: the names are a handful of literals, so this does not happen;
        // stay correct anyway by replacing the last entry.
        iconv_close(entries_.back().cd);
        entries_.back() = {to, from, cd};
        return cd;
    }

private:
    static inline const iconv_t kNone = reinterpret_cast<iconv_t>(-1);
    struct Entry {
        std::string_view to, from;
        iconv_t cd = kNone;
    };
    std::array<Entry, 8> entries_{};
};

bool AllAscii(const char* data, size_t len) {
    for (size_t i = 0; i < len; ++i)
        if (static_cast<unsigned char>(data[i]) >= 0x80) return false;
    return true;
}

// `replacement` is written (in the target encoding) for every input unit
// iconv refuses; `replaced` reports that it happened.
std::string Convert(const char* to, const char* from, const char* data, size_t len, size_t unit,
                    std::string_view replacement, bool* replaced) {
    std::string out;
    if (len == 0) return out;
    // GBK and UTF-8 share ASCII byte for byte: most texts (paths, numbers,
    // addresses) need no converter at all.
    if (unit == 1 && !IsUtf16(to) && AllAscii(data, len)) return std::string(data, len);
    thread_local DescriptorCache cache;
    iconv_t cd = cache.Get(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        if (replaced) *replaced = true;
        return out;
    }
    out.resize(len * 4 + 16);
    char* in = const_cast<char*>(data);
    size_t inLeft = len;
    char* op = out.data();
    size_t outLeft = out.size();
    auto grow = [&] {
        size_t used = static_cast<size_t>(op - out.data());
        out.resize(out.size() * 2 + replacement.size());
        op = out.data() + used;
        outLeft = out.size() - used;
    };
    while (inLeft > 0) {
        size_t r = iconv(cd, &in, &inLeft, &op, &outLeft);
        if (r != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) {
            grow();
            continue;
        }
        // EILSEQ or EINVAL: skip one input unit (a whole surrogate pair when
        // UTF-16 input holds one, so an unmappable character gives one
        // replacement) and write the replacement.
        size_t skip = std::min(inLeft, unit);
        if (unit == 2 && inLeft >= 4) {
            auto u0 = static_cast<uint16_t>(static_cast<uint8_t>(in[0]) | (static_cast<uint8_t>(in[1]) << 8));
            auto u1 = static_cast<uint16_t>(static_cast<uint8_t>(in[2]) | (static_cast<uint8_t>(in[3]) << 8));
            if (u0 >= 0xD800 && u0 < 0xDC00 && u1 >= 0xDC00 && u1 < 0xE000) skip = 4;
        }
        in += skip;
        inLeft -= skip;
        if (replaced) *replaced = true;
        while (outLeft < replacement.size() + 2) grow();
        for (char c : replacement) {
            *op++ = c;
            --outLeft;
            if (IsUtf16(to)) {
                *op++ = '\0';
                --outLeft;
            }
        }
    }
    // Flushes any shift state; the descriptor stays open for the next call.
    iconv(cd, nullptr, nullptr, &op, &outLeft);
    out.resize(static_cast<size_t>(op - out.data()));
    return out;
}

std::u16string BytesToU16(const std::string& b) {
    std::u16string s(b.size() / 2, u'\0');
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<char16_t>(static_cast<uint8_t>(b[2 * i]) | (static_cast<uint8_t>(b[2 * i + 1]) << 8));
    return s;
}

std::string U16ToBytes(std::u16string_view s) {
    std::string b(s.size() * 2, '\0');
    for (size_t i = 0; i < s.size(); ++i) {
        b[2 * i] = static_cast<char>(s[i] & 0xFF);
        b[2 * i + 1] = static_cast<char>(s[i] >> 8);
    }
    return b;
}

}  // namespace

std::string GbkToUtf8(std::string_view gbk) { return Convert("UTF-8", "GBK", gbk.data(), gbk.size(), 1, "?", nullptr); }

std::string Utf8ToGbk(std::string_view utf8) {
    return Convert("GBK", "UTF-8", utf8.data(), utf8.size(), 1, "?", nullptr);
}

std::u16string GbkToUtf16(std::string_view gbk) { return GbkToUtf16Checked(gbk, nullptr); }

std::string Utf16ToGbk(std::u16string_view utf16) { return Utf16ToGbkChecked(utf16, "?", nullptr); }

std::u16string Utf8ToUtf16(std::string_view utf8) { return Utf8ToUtf16Checked(utf8, nullptr); }

std::string Utf16ToUtf8(std::u16string_view utf16) { return Utf16ToUtf8Checked(utf16, nullptr); }

std::u16string GbkToUtf16Checked(std::string_view gbk, bool* replaced) {
    if (AllAscii(gbk.data(), gbk.size())) return std::u16string(gbk.begin(), gbk.end());
    return BytesToU16(Convert("UTF-16LE", "GBK", gbk.data(), gbk.size(), 1, "?", replaced));
}

std::string Utf16ToGbkChecked(std::u16string_view utf16, std::string_view replacement, bool* replaced) {
    std::string bytes = U16ToBytes(utf16);
    return Convert("GBK", "UTF-16LE", bytes.data(), bytes.size(), 2, replacement, replaced);
}

// UTF-8 and UTF-16 are converted by hand: iconv can neither report nor
// replace an invalid sequence the way the W functions must (one U+FFFD per
// maximal invalid subsequence), and the rules fit in a few lines.
std::u16string Utf8ToUtf16Checked(std::string_view s, bool* replaced) {
    std::u16string out;
    out.reserve(s.size());
    size_t i = 0;
    const size_t n = s.size();
    auto bad = [&] {
        out.push_back(u'\xFFFD');
        if (replaced) *replaced = true;
    };
    while (i < n) {
        uint8_t c = static_cast<uint8_t>(s[i]);
        if (c < 0x80) {
            out.push_back(c);
            ++i;
            continue;
        }
        int need;
        uint32_t cp;
        uint8_t lo = 0x80, hi = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            need = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            need = 2;
            cp = c & 0x0F;
            if (c == 0xE0) lo = 0xA0;
            if (c == 0xED) hi = 0x9F;  // no surrogates
        } else if (c >= 0xF0 && c <= 0xF4) {
            need = 3;
            cp = c & 0x07;
            if (c == 0xF0) lo = 0x90;
            if (c == 0xF4) hi = 0x8F;
        } else {
            bad();
            ++i;
            continue;
        }
        size_t j = i + 1;
        bool ok = true;
        for (int k = 0; k < need; ++k, ++j) {
            if (j >= n) {
                ok = false;
                break;
            }
            uint8_t t = static_cast<uint8_t>(s[j]);
            uint8_t l = k == 0 ? lo : 0x80, h = k == 0 ? hi : 0xBF;
            if (t < l || t > h) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (t & 0x3F);
        }
        if (!ok) {
            bad();
            i = j;  // the maximal subpart consumed so far
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i = j;
    }
    return out;
}

std::string Utf16ToUtf8Checked(std::u16string_view s, bool* replaced) {
    std::string out;
    out.reserve(s.size() * 3);
    for (size_t i = 0; i < s.size(); ++i) {
        uint32_t cp = s[i];
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp < 0xE000) {
            cp = 0xFFFD;
            if (replaced) *replaced = true;
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

}  // namespace platform
