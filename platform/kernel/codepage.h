// Text conversions at the platform's edges: the program's texts are GBK
// (code page 936); SDL, pango and file names want UTF-8, the W functions UTF-16.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Invalid or unconvertible input becomes '?' (U+FFFD between UTF-8 and
// UTF-16) instead of failing, so a stray byte in a title or a file name never
// loses the rest of the text.
std::string GbkToUtf8(std::string_view gbk);
std::string Utf8ToGbk(std::string_view utf8);
std::u16string GbkToUtf16(std::string_view gbk);
std::string Utf16ToGbk(std::u16string_view utf16);
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// Conversions that report what they replaced, for MultiByteToWideChar and
// WideCharToMultiByte. `replaced` is set when an invalid or unmappable
// character was met; it becomes `replacement` (GBK bytes) or '?' / U+003F.
std::u16string GbkToUtf16Checked(std::string_view gbk, bool* replaced);
std::string Utf16ToGbkChecked(std::u16string_view utf16, std::string_view replacement, bool* replaced);
// UTF-8 <-> UTF-16 with U+FFFD for each maximal invalid subsequence (a lone
// surrogate in UTF-16 also becomes U+FFFD).
std::u16string Utf8ToUtf16Checked(std::string_view utf8, bool* replaced);
std::string Utf16ToUtf8Checked(std::u16string_view utf16, bool* replaced);

// True when the byte starts a GBK double-byte character.
constexpr bool IsGbkLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

}  // namespace platform
