// MultiByteToWideChar / WideCharToMultiByte for code pages 936 and 65001.
#include <cstring>
#include <string>

#include "platform/kernel/codepage.h"
#include "platform/kernel/last_error.h"
#include "win/kernel.h"

namespace {

// The program's ANSI and OEM code page is GBK.
UINT Resolve(UINT cp) { return cp == CP_ACP || cp == CP_OEMCP || cp == CP_THREAD_ACP ? CP_GBK : cp; }

template <typename C>
int CopyOut(const std::basic_string<C>& s, C* out, int outSize) {
    if (s.size() > 0x7FFFFFFFu) {
        platform::SetLastErrorCode(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    int n = static_cast<int>(s.size());
    if (outSize == 0) return n;  // size query
    if (n > outSize) {
        std::memcpy(out, s.data(), static_cast<size_t>(outSize) * sizeof(C));
        platform::SetLastErrorCode(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(out, s.data(), s.size() * sizeof(C));
    return n;
}

}  // namespace

using namespace platform;

WINEXPORT UINT GetACP(void) { return CP_GBK; }

WINEXPORT int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                                  LPWSTR lpWideCharStr, int cchWideChar) {
    UINT cp = Resolve(CodePage);
    if (!lpMultiByteStr || cbMultiByte == 0 || cbMultiByte < -1 || cchWideChar < 0 ||
        (cchWideChar > 0 && !lpWideCharStr) ||
        (cchWideChar > 0 && static_cast<const void*>(lpMultiByteStr) == static_cast<const void*>(lpWideCharStr)) ||
        (cp != CP_GBK && cp != CP_UTF8)) {
        SetLastErrorCode(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // -1: the text and its NUL, which converts to a NUL like any other byte.
    size_t len = cbMultiByte == -1 ? std::strlen(lpMultiByteStr) + 1 : static_cast<size_t>(cbMultiByte);
    std::string_view in(lpMultiByteStr, len);
    bool replaced = false;
    std::u16string out = cp == CP_UTF8 ? Utf8ToUtf16Checked(in, &replaced) : GbkToUtf16Checked(in, &replaced);
    if (replaced && (dwFlags & MB_ERR_INVALID_CHARS)) {
        SetLastErrorCode(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    return CopyOut(out, lpWideCharStr, cchWideChar);
}

WINEXPORT int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                                  LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar,
                                  LPBOOL lpUsedDefaultChar) {
    UINT cp = Resolve(CodePage);
    if (!lpWideCharStr || cchWideChar == 0 || cchWideChar < -1 || cbMultiByte < 0 ||
        (cbMultiByte > 0 && !lpMultiByteStr) ||
        (cbMultiByte > 0 && static_cast<const void*>(lpMultiByteStr) == static_cast<const void*>(lpWideCharStr)) ||
        (cp != CP_GBK && cp != CP_UTF8) ||
        // UTF-8 has no default character; Windows refuses these arguments.
        (cp == CP_UTF8 && (lpDefaultChar || lpUsedDefaultChar))) {
        SetLastErrorCode(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t len = 0;
    if (cchWideChar == -1) {
        while (lpWideCharStr[len]) ++len;
        ++len;
    } else {
        len = static_cast<size_t>(cchWideChar);
    }
    std::u16string_view in(lpWideCharStr, len);
    bool replaced = false;
    std::string out;
    if (cp == CP_UTF8) {
        out = Utf16ToUtf8Checked(in, &replaced);
    } else {
        std::string_view def = lpDefaultChar && *lpDefaultChar ? std::string_view(lpDefaultChar, 1) : "?";
        // A double-byte default character is two bytes.
        if (lpDefaultChar && IsGbkLeadByte(static_cast<unsigned char>(lpDefaultChar[0])) && lpDefaultChar[1])
            def = std::string_view(lpDefaultChar, 2);
        out = Utf16ToGbkChecked(in, def, &replaced);
    }
    if (replaced && (dwFlags & WC_ERR_INVALID_CHARS)) {
        SetLastErrorCode(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    if (lpUsedDefaultChar) *lpUsedDefaultChar = replaced ? TRUE : FALSE;
    return CopyOut(out, lpMultiByteStr, cbMultiByte);
}
