// MessageBoxA without a display: caption and text go to stderr in UTF-8.
// The display backend replaces this with a real modal box.
#include <cstdio>
#include <string>

#include "platform/kernel/codepage.h"
#include "win/msgbox.h"

WINEXPORT int MessageBoxA(HWND, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    // Windows shows "Error" for a NULL caption.
    std::string caption = platform::GbkToUtf8(lpCaption ? lpCaption : "Error");
    std::string text = platform::GbkToUtf8(lpText ? lpText : "");
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    std::fflush(stderr);
    // Nobody can press a button: answer with the box's first button, except
    // that a retry box is cancelled so that a caller's retry loop ends.
    switch (uType & MB_TYPEMASK) {
        case MB_ABORTRETRYIGNORE: return IDABORT;
        case MB_YESNOCANCEL:
        case MB_YESNO: return IDYES;
        case MB_RETRYCANCEL: return IDCANCEL;
        default: return IDOK;
    }
}
