// The standard control classes, present from start-up.
#include <cctype>

#include "platform/controls/controls_internal.h"
#include "platform/user/user_internal.h"

namespace platform::controls {

void RegisterSystemClass(const char* name, WNDPROC proc, UINT style, HBRUSH background) {
    auto& s = user::S();
    std::string key = name;
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (s.classes.count(key)) return;
    auto c = std::make_shared<user::WndClass>();
    c->name = name;
    c->atom = s.next_atom++;
    c->style = style | CS_GLOBALCLASS;
    c->proc = proc;
    c->wnd_extra = kStateExtra;
    c->background = background;
    s.classes[key] = c;
}

void NotifyParent(HWND h, int code) {
    HWND p = GetParent(h);
    if (!p) return;
    SendMessageA(p, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(h), code), static_cast<LPARAM>(h));
}

HBRUSH ControlColor(HWND h, UINT msg, HDC dc) {
    HWND p = GetParent(h);
    HBRUSH b = 0;
    if (p) b = static_cast<HBRUSH>(SendMessageA(p, msg, static_cast<WPARAM>(dc), static_cast<LPARAM>(h)));
    if (!b) b = static_cast<HBRUSH>(DefWindowProcA(h, msg, static_cast<WPARAM>(dc), static_cast<LPARAM>(h)));
    return b;
}

HFONT DefaultFont() { return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

size_t GbkPrev(const std::string& s, size_t i) {
    if (i == 0) return 0;
    if (i > s.size()) i = s.size();
    // Back up over a run of lead-range bytes to a byte that can only end a
    // character, then walk forward.
    size_t k = i - 1;
    while (k > 0 && static_cast<unsigned char>(s[k - 1]) >= 0x81 && static_cast<unsigned char>(s[k - 1]) <= 0xFE) --k;
    size_t prev = k;
    for (size_t j = k; j < i; j = GbkNext(s, j)) prev = j;
    return prev;
}

size_t GbkFloor(const std::string& s, size_t i) {
    if (i >= s.size()) return s.size();
    size_t p = GbkPrev(s, i + 1);
    return p;
}

}  // namespace platform::controls

WINEXPORT BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* p) { return p != nullptr; }
WINEXPORT void InitCommonControls(void) {}
