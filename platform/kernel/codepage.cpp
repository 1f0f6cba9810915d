#include "platform/kernel/codepage.h"

#include <iconv.h>

#include <cerrno>
#include <algorithm>
#include <string_view>

namespace platform {
namespace {

// iconv descriptors are not thread-safe; each conversion opens its own.
// Opening costs a few microseconds, far below the pango layout that follows.
std::string Convert(const char* to, const char* from, const char* data, size_t len, size_t unit) {
    std::string out;
    if (len == 0) return out;
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return out;
    out.resize(len * 4 + 16);
    char* in = const_cast<char*>(data);
    size_t inLeft = len;
    char* op = out.data();
    size_t outLeft = out.size();
    while (inLeft > 0) {
        size_t r = iconv(cd, &in, &inLeft, &op, &outLeft);
        if (r != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) {
            size_t used = static_cast<size_t>(op - out.data());
            out.resize(out.size() * 2);
            op = out.data() + used;
            outLeft = out.size() - used;
            continue;
        }
        // EILSEQ or EINVAL: skip one input unit and write a replacement.
        size_t skip = std::min(inLeft, unit);
        in += skip;
        inLeft -= skip;
        if (outLeft < 4) {
            size_t used = static_cast<size_t>(op - out.data());
            out.resize(out.size() * 2);
            op = out.data() + used;
            outLeft = out.size() - used;
        }
        // '?' in the target encoding: one byte, or two for UTF-16LE.
        *op++ = '?';
        --outLeft;
        if (std::string_view(to) == "UTF-16LE") {
            *op++ = '\0';
            --outLeft;
        }
    }
    iconv_close(cd);
    out.resize(static_cast<size_t>(op - out.data()));
    return out;
}

}  // namespace

std::string GbkToUtf8(std::string_view gbk) { return Convert("UTF-8", "GBK", gbk.data(), gbk.size(), 1); }

std::string Utf8ToGbk(std::string_view utf8) { return Convert("GBK", "UTF-8", utf8.data(), utf8.size(), 1); }

std::u16string GbkToUtf16(std::string_view gbk) {
    std::string b = Convert("UTF-16LE", "GBK", gbk.data(), gbk.size(), 1);
    return std::u16string(reinterpret_cast<const char16_t*>(b.data()), b.size() / 2);
}

std::string Utf16ToGbk(std::u16string_view utf16) {
    return Convert("GBK", "UTF-16LE", reinterpret_cast<const char*>(utf16.data()), utf16.size() * 2, 2);
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
    std::string b = Convert("UTF-16LE", "UTF-8", utf8.data(), utf8.size(), 1);
    return std::u16string(reinterpret_cast<const char16_t*>(b.data()), b.size() / 2);
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    return Convert("UTF-8", "UTF-16LE", reinterpret_cast<const char*>(utf16.data()), utf16.size() * 2, 2);
}

}  // namespace platform
