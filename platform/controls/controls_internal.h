// What the control classes share: registration as system classes, the
// per-window state pointer, notifications and the colour messages.
#pragma once

#include <string>

#include "win/commctrl.h"
#include "win/gdi.h"
#include "win/user.h"

namespace platform::controls {

// Adds a class to the process-wide table at start-up, so CreateWindowExA finds
// it with no registration call (and without claiming a UI thread yet).
void RegisterSystemClass(const char* name, WNDPROC proc, UINT style, HBRUSH background);

// Each control keeps its state behind the first pointer of the window's
// extra bytes; the class reserves room for it.
constexpr int kStateExtra = sizeof(void*);
template <class T>
T* StateOf(HWND h) {
    return reinterpret_cast<T*>(GetWindowLongPtrA(h, 0));
}
inline void SetState(HWND h, void* p) { SetWindowLongPtrA(h, 0, reinterpret_cast<LONG_PTR>(p)); }

// WM_COMMAND to the parent with the control's id and a notification code.
void NotifyParent(HWND h, int code);
// Asks the parent for the brush (and text/background colours set on dc);
// falls back to the system's defaults when the parent leaves it.
HBRUSH ControlColor(HWND h, UINT msg, HDC dc);
HFONT DefaultFont();

// Next character boundary in GBK text.
inline size_t GbkNext(const std::string& s, size_t i) {
    if (i >= s.size()) return s.size();
    unsigned char c = static_cast<unsigned char>(s[i]);
    return (c >= 0x81 && c <= 0xFE && i + 1 < s.size()) ? i + 2 : i + 1;
}
// Previous character boundary: walks from the start, since a trail byte can
// look like a lead byte.
size_t GbkPrev(const std::string& s, size_t i);
// The character boundary at or before i.
size_t GbkFloor(const std::string& s, size_t i);

}  // namespace platform::controls
