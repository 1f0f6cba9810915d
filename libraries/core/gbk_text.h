// Double-byte text rules of the core commands, as pure functions on byte
// strings. A byte of 0x80 or more starts a two-byte character with the next
// byte, unless that byte is the end of the text. Positions count bytes from 0
// here; the commands add 1.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace core {

constexpr bool IsLeadByte(unsigned char c) { return c >= 0x80; }
// Length of the character at i: 2 for a lead byte with a following byte, else 1.
inline size_t CharLength(std::string_view s, size_t i) {
    return IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
}

// Tells whether candidate positions (increasing) lie on character
// boundaries of s counted from `origin`.
//
// Why it is fast: a byte below 0x80 always ends a character (it is a
// character of its own or the second byte of a pair), so the byte after it is
// a boundary. To check a candidate c we only walk back over the run of bytes
// >= 0x80 just before c, stopping at such a byte or at the last boundary we
// already know; inside that run characters are pairs, so c is a boundary
// when its distance from the run's start is even. The known boundary moves
// past every candidate, so no byte is walked twice: the whole search stays
// linear while memmem does the scanning.
class BoundaryTracker {
public:
    BoundaryTracker(std::string_view s, size_t origin) : s_(s), known_(origin) {}
    bool IsBoundary(size_t c);
    // A match [c, c + n) was taken: c + n is a boundary.
    void Advance(size_t pos) { known_ = pos; }

private:
    std::string_view s_;
    size_t known_;
};

// Forward search on character boundaries of the region [from, to) of s,
// boundaries counted from `from`; the match must fit in the region. Returns
// the 0-based position in s or npos. An empty needle is not handled here.
size_t FindOnBoundary(std::string_view s, size_t from, size_t to, std::string_view needle, bool ignoreCase);
// The last such match, or npos.
size_t FindLastOnBoundary(std::string_view s, size_t from, size_t to, std::string_view needle, bool ignoreCase);

// FindText / FindTextBackward: 1-based position or -1. start < 0 = omitted.
long FindText(std::string_view text, std::string_view needle, long start, bool ignoreCase, bool backward);

// ReplaceSubtext with offset d (0-based, >= 0) and count (-1 = no limit).
std::string ReplaceSubtext(std::string_view text, std::string_view needle, std::string_view replacement, size_t d,
                           long count, bool caseSensitive);

// SplitText; maxParts < 0 = no limit. Pieces are views into text.
std::vector<std::string_view> SplitText(std::string_view text, std::string_view separator, long maxParts);

enum class BlankMode { TrimBoth, RemoveAll };
std::string RemoveBlanks(std::string_view text, BlankMode mode);

std::string ToLowerCase(std::string_view text);
// Full-width characters with a half-width counterpart become it.
std::string ToHalfWidth(std::string_view text);
// Negative, 0 or positive; ASCII letters folded unless caseSensitive;
// bytes of double-byte characters compared as they are.
int CompareText(std::string_view a, std::string_view b, bool caseSensitive);

}  // namespace core
