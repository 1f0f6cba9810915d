#include "libraries/core/gbk_text.h"

#include <cstring>

namespace core {
namespace {

inline unsigned char Byte(std::string_view s, size_t i) { return static_cast<unsigned char>(s[i]); }
inline unsigned char FoldAscii(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; }

bool EqualsAt(std::string_view s, size_t at, std::string_view needle, bool ignoreCase) {
    if (!ignoreCase) return std::memcmp(s.data() + at, needle.data(), needle.size()) == 0;
    for (size_t i = 0; i < needle.size(); ++i)
        if (FoldAscii(Byte(s, at + i)) != FoldAscii(static_cast<unsigned char>(needle[i]))) return false;
    return true;
}

// Next candidate at or after `from` whose match ends by `to` (memmem scans).
size_t NextCandidate(std::string_view s, size_t from, size_t to, std::string_view needle) {
    if (from > to || to - from < needle.size()) return std::string_view::npos;
    const void* hit = needle.size() == 1 ? std::memchr(s.data() + from, needle[0], to - from) : memmem(s.data() + from, to - from, needle.data(), needle.size());
    return hit ? static_cast<size_t>(static_cast<const char*>(hit) - s.data()) : std::string_view::npos;
}

}  // namespace

bool BoundaryTracker::IsBoundary(size_t c) {
    if (c < known_) return false;  // inside a match or pair already passed
    size_t runStart = c;
    while (runStart > known_ && IsLeadByte(Byte(s_, runStart - 1))) --runStart;
    bool boundary = (c - runStart) % 2 == 0;
    // c is a boundary, or c - 1 starts the pair holding c and c + 1 is one.
    known_ = boundary ? c : c + 1;
    return boundary;
}

size_t FindOnBoundary(std::string_view s, size_t from, size_t to, std::string_view needle, bool ignoreCase) {
    const size_t m = needle.size();
    if (ignoreCase) {
        // Letter case defeats memmem; walk the characters.
        for (size_t i = from; i < to && to - i >= m; i += CharLength(s, i))
            if (EqualsAt(s, i, needle, true)) return i;
        return std::string_view::npos;
    }
    BoundaryTracker bounds(s, from);
    for (size_t c = NextCandidate(s, from, to, needle); c != std::string_view::npos;
         c = NextCandidate(s, c + 1, to, needle))
        if (bounds.IsBoundary(c)) return c;
    return std::string_view::npos;
}

size_t FindLastOnBoundary(std::string_view s, size_t from, size_t to, std::string_view needle, bool ignoreCase) {
    const size_t m = needle.size();
    size_t last = std::string_view::npos;
    if (ignoreCase) {
        for (size_t i = from; i < to && to - i >= m; i += CharLength(s, i))
            if (EqualsAt(s, i, needle, true)) last = i;
        return last;
    }
    BoundaryTracker bounds(s, from);
    for (size_t c = NextCandidate(s, from, to, needle); c != std::string_view::npos;
         c = NextCandidate(s, c + 1, to, needle))
        if (bounds.IsBoundary(c)) last = c;
    return last;
}

long FindText(std::string_view text, std::string_view needle, long start, bool ignoreCase, bool backward) {
    const size_t L = text.size();
    size_t from = 0, to = L;
    long b = start < 0 ? (backward ? static_cast<long>(L) : 0) : (start - 1 < 0 ? 0 : start - 1);
    if (backward) {
        if (b <= 0) return -1;
        if (static_cast<size_t>(b) <= L) to = static_cast<size_t>(b);
    } else if (b > 0) {
        if (static_cast<size_t>(b) >= L) return -1;
        from = static_cast<size_t>(b);
    }
    if (from >= to) return -1;
    if (needle.empty()) return 1;
    size_t hit = backward ? FindLastOnBoundary(text, from, to, needle, ignoreCase)
                          : FindOnBoundary(text, from, to, needle, ignoreCase);
    return hit == std::string_view::npos ? -1 : static_cast<long>(hit) + 1;
}

std::string ReplaceSubtext(std::string_view text, std::string_view needle, std::string_view replacement, size_t d,
                           long count, bool caseSensitive) {
    if (text.empty() || needle.empty() || d >= text.size() || count == 0) return std::string(text);
    std::string out;
    out.reserve(text.size());
    size_t copied = 0;  // text[0, copied) is in out
    size_t pos = d;
    if (!caseSensitive) {
        // Letter case defeats memmem; walk the characters.
        while (pos < text.size() && count != 0) {
            if (text.size() - pos >= needle.size() && EqualsAt(text, pos, needle, true)) {
                out.append(text.data() + copied, pos - copied);
                out.append(replacement);
                pos += needle.size();
                copied = pos;
                if (count > 0) --count;
            } else {
                pos += CharLength(text, pos);
            }
        }
    } else {
        BoundaryTracker bounds(text, d);
        size_t c = NextCandidate(text, pos, text.size(), needle);
        while (c != std::string_view::npos && count != 0) {
            if (bounds.IsBoundary(c)) {
                out.append(text.data() + copied, c - copied);
                out.append(replacement);
                copied = c + needle.size();
                bounds.Advance(copied);
                if (count > 0) --count;
                c = NextCandidate(text, copied, text.size(), needle);
            } else {
                c = NextCandidate(text, c + 1, text.size(), needle);
            }
        }
    }
    out.append(text.data() + copied, text.size() - copied);
    return out;
}

std::vector<std::string_view> SplitText(std::string_view text, std::string_view separator, long maxParts) {
    std::vector<std::string_view> parts;
    if (text.empty() || maxParts == 0) return parts;
    if (separator.empty()) {
        parts.push_back(text);
        return parts;
    }
    BoundaryTracker bounds(text, 0);
    size_t cut = 0;
    size_t c = NextCandidate(text, 0, text.size(), separator);
    bool full = false;
    while (c != std::string_view::npos) {
        if (bounds.IsBoundary(c)) {
            parts.push_back(text.substr(cut, c - cut));
            cut = c + separator.size();
            bounds.Advance(cut);
            if (maxParts > 0 && static_cast<long>(parts.size()) >= maxParts) {
                full = true;
                break;
            }
            c = NextCandidate(text, cut, text.size(), separator);
        } else {
            c = NextCandidate(text, c + 1, text.size(), separator);
        }
    }
    if (!full && cut < text.size()) parts.push_back(text.substr(cut));
    return parts;
}

namespace {

// Blank at i: 1 for a space, 2 for the full-width space, 0 otherwise.
size_t BlankAt(std::string_view s, size_t i) {
    if (s[i] == ' ') return 1;
    if (Byte(s, i) == 0xA1 && i + 1 < s.size() && Byte(s, i + 1) == 0xA1) return 2;
    return 0;
}

}  // namespace

std::string RemoveBlanks(std::string_view text, BlankMode mode) {
    std::string out;
    size_t i = 0;
    if (mode == BlankMode::RemoveAll) {
        out.reserve(text.size());
        while (i < text.size()) {
            size_t n = CharLength(text, i);
            if (!BlankAt(text, i)) out.append(text.data() + i, n);
            i += n;
        }
        return out;
    }
    while (i < text.size() && BlankAt(text, i)) i += BlankAt(text, i);
    size_t begin = i, end = i;
    while (i < text.size()) {
        size_t n = CharLength(text, i);
        if (!BlankAt(text, i)) end = i + n;
        i += n;
    }
    return std::string(text.substr(begin, end - begin));
}

std::string ToLowerCase(std::string_view text) {
    std::string out(text);
    for (size_t i = 0; i < out.size(); i += CharLength(text, i))
        if (out[i] >= 'A' && out[i] <= 'Z') out[i] = static_cast<char>(out[i] + 32);
    return out;
}

std::string ToHalfWidth(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        size_t n = CharLength(text, i);
        unsigned char c = Byte(text, i);
        if (n == 2 && c == 0xA3 && Byte(text, i + 1) >= 0xA1 && Byte(text, i + 1) <= 0xFE)
            out += static_cast<char>(Byte(text, i + 1) - 0x80);  // full-width ASCII row
        else if (n == 2 && c == 0xA1 && Byte(text, i + 1) == 0xA1)
            out += ' ';  // full-width space
        else
            out.append(text.data() + i, n);
        i += n;
    }
    return out;
}

int CompareText(std::string_view a, std::string_view b, bool caseSensitive) {
    size_t n = std::min(a.size(), b.size());
    bool trail = false;  // inside a double-byte character of a
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = Byte(a, i), y = Byte(b, i);
        if (!caseSensitive && !trail) {
            x = FoldAscii(x);
            y = FoldAscii(y);
        }
        if (x != y) return x < y ? -1 : 1;
        trail = !trail && IsLeadByte(Byte(a, i));
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

}  // namespace core
