// Clipboard text, carried by the backend (the desktop clipboard under SDL).
#include <cstring>

#include "platform/backend/backend.h"
#include "platform/kernel/codepage.h"
#include "platform/user/user_internal.h"
#include "win/kernel.h"

using namespace platform;

namespace {
bool g_open = false;
HGLOBAL g_data = 0;
}  // namespace

WINEXPORT BOOL OpenClipboard(HWND) {
    if (g_open) return FALSE;
    g_open = true;
    return TRUE;
}

WINEXPORT BOOL CloseClipboard(void) {
    if (!g_open) return FALSE;
    g_open = false;
    return TRUE;
}

WINEXPORT BOOL EmptyClipboard(void) {
    if (!g_open) return FALSE;
    backend::Current().SetClipboardText("");
    return TRUE;
}

WINEXPORT HANDLE SetClipboardData(UINT fmt, HANDLE mem) {
    if (!g_open || fmt != CF_TEXT || !mem) return 0;
    const char* p = static_cast<const char*>(GlobalLock(mem));
    if (!p) return 0;
    size_t n = strnlen(p, GlobalSize(mem));
    backend::Current().SetClipboardText(GbkToUtf8(std::string_view(p, n)));
    GlobalUnlock(mem);
    GlobalFree(mem);  // the clipboard owns the block and keeps only the text
    return mem;
}

WINEXPORT HANDLE GetClipboardData(UINT fmt) {
    if (!g_open || fmt != CF_TEXT) return 0;
    std::string gbk = Utf8ToGbk(backend::Current().GetClipboardText());
    if (g_data) GlobalFree(g_data);
    g_data = GlobalAlloc(GMEM_MOVEABLE, gbk.size() + 1);
    if (!g_data) return 0;
    char* p = static_cast<char*>(GlobalLock(g_data));
    std::memcpy(p, gbk.c_str(), gbk.size() + 1);
    GlobalUnlock(g_data);
    return g_data;
}

WINEXPORT BOOL IsClipboardFormatAvailable(UINT fmt) {
    return fmt == CF_TEXT && !backend::Current().GetClipboardText().empty();
}
