// "msctls_updown32": two arrows that step a position within a range and ask
// the parent first (UDN_DELTAPOS; a non-zero answer refuses the step).
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/controls/controls_internal.h"

namespace platform::controls {
namespace {

constexpr UINT_PTR kRepeat = 1;

struct UpDown {
    int lo = 100, hi = 0;  // the classic default range runs downwards
    int pos = 0;
    int pressed = 0;  // +1 upper arrow, -1 lower arrow
    HWND buddy = 0;
};

bool Horizontal(HWND h) { return GetWindowLongA(h, GWL_STYLE) & UDS_HORZ; }

void Step(HWND h, UpDown& u, int arrow) {
    // The upper (right) arrow moves towards the upper bound.
    int delta = (u.hi >= u.lo ? 1 : -1) * arrow;
    NMUPDOWN nm{};
    nm.hdr.hwndFrom = h;
    nm.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(h));
    nm.hdr.code = UDN_DELTAPOS;
    nm.iPos = u.pos;
    nm.iDelta = delta;
    HWND p = GetParent(h);
    if (p && SendMessageA(p, WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm))) return;
    UpDown* still = StateOf<UpDown>(h);
    if (!still) return;
    int mn = std::min(u.lo, u.hi), mx = std::max(u.lo, u.hi);
    int next = u.pos + nm.iDelta;
    if (GetWindowLongA(h, GWL_STYLE) & UDS_WRAP) {
        if (next > mx) next = mn;
        if (next < mn) next = mx;
    }
    next = std::clamp(next, mn, mx);
    if (next == u.pos) return;
    u.pos = next;
    if (u.buddy && (GetWindowLongA(h, GWL_STYLE) & UDS_SETBUDDYINT)) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%d", u.pos);
        SetWindowTextA(u.buddy, buf);
    }
    if (p) SendMessageA(p, Horizontal(h) ? WM_HSCROLL : WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, static_cast<WORD>(u.pos)),
                        static_cast<LPARAM>(h));
}

void Paint(HWND h, UpDown& u) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT r;
    GetClientRect(h, &r);
    bool horz = Horizontal(h);
    RECT a = r, b = r;
    if (horz) a.right = b.left = (r.left + r.right) / 2;
    else a.bottom = b.top = (r.top + r.bottom) / 2;
    UINT off = IsWindowEnabled(h) ? 0 : DFCS_INACTIVE;
    // a is the upper/left arrow, which steps upwards (right for horizontal: b).
    DrawFrameControl(dc, &a, DFC_SCROLL, (horz ? DFCS_SCROLLLEFT : DFCS_SCROLLUP) | off |
                                             ((horz ? u.pressed == -1 : u.pressed == 1) ? DFCS_PUSHED : 0));
    DrawFrameControl(dc, &b, DFC_SCROLL, (horz ? DFCS_SCROLLRIGHT : DFCS_SCROLLDOWN) | off |
                                             ((horz ? u.pressed == 1 : u.pressed == -1) ? DFCS_PUSHED : 0));
    EndPaint(h, &ps);
}

LRESULT CALLBACK UpDownProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    UpDown* u = StateOf<UpDown>(h);
    if (m == WM_NCCREATE) {
        SetState(h, new UpDown);
        return DefWindowProcA(h, m, wp, lp);
    }
    if (!u) return DefWindowProcA(h, m, wp, lp);
    switch (m) {
        case WM_NCDESTROY:
            SetState(h, nullptr);
            delete u;
            return DefWindowProcA(h, m, wp, lp);
        case WM_ERASEBKGND: return 1;
        case WM_PAINT: Paint(h, *u); return 0;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            RECT r;
            GetClientRect(h, &r);
            bool horz = Horizontal(h);
            bool first = horz ? GET_X_LPARAM(lp) < (r.right / 2) : GET_Y_LPARAM(lp) < (r.bottom / 2);
            u->pressed = horz ? (first ? -1 : 1) : (first ? 1 : -1);
            SetCapture(h);
            InvalidateRect(h, nullptr, TRUE);
            Step(h, *u, u->pressed);
            if (StateOf<UpDown>(h)) SetTimer(h, kRepeat, 400, nullptr);
            return 0;
        }
        case WM_TIMER:
            if (wp == kRepeat && u->pressed) {
                SetTimer(h, kRepeat, 80, nullptr);
                Step(h, *u, u->pressed);
            }
            return 0;
        case WM_LBUTTONUP:
        case WM_CAPTURECHANGED:
            if (u->pressed) {
                u->pressed = 0;
                KillTimer(h, kRepeat);
                if (m == WM_LBUTTONUP && GetCapture() == h) ReleaseCapture();
                if (StateOf<UpDown>(h)) InvalidateRect(h, nullptr, TRUE);
            }
            return 0;
        case WM_KEYDOWN:
            if (wp == VK_UP || wp == VK_RIGHT) Step(h, *u, 1);
            else if (wp == VK_DOWN || wp == VK_LEFT) Step(h, *u, -1);
            return 0;
        case UDM_SETRANGE:
            u->hi = static_cast<short>(LOWORD(lp));
            u->lo = static_cast<short>(HIWORD(lp));
            u->pos = std::clamp(u->pos, std::min(u->lo, u->hi), std::max(u->lo, u->hi));
            return 0;
        case UDM_SETRANGE32:
            u->lo = static_cast<int>(wp);
            u->hi = static_cast<int>(lp);
            u->pos = std::clamp(u->pos, std::min(u->lo, u->hi), std::max(u->lo, u->hi));
            return 0;
        case UDM_GETRANGE: return MAKELONG(static_cast<WORD>(u->hi), static_cast<WORD>(u->lo));
        case UDM_GETRANGE32:
            if (wp) *reinterpret_cast<int*>(wp) = u->lo;
            if (lp) *reinterpret_cast<int*>(lp) = u->hi;
            return 0;
        case UDM_SETPOS:
        case UDM_SETPOS32: {
            int old = u->pos;
            int v = m == UDM_SETPOS ? static_cast<short>(LOWORD(lp)) : static_cast<int>(lp);
            u->pos = std::clamp(v, std::min(u->lo, u->hi), std::max(u->lo, u->hi));
            return old;
        }
        case UDM_GETPOS: return MAKELONG(static_cast<WORD>(u->pos), 0);
        case UDM_GETPOS32: return u->pos;
        case UDM_SETBUDDY: {
            HWND old = u->buddy;
            u->buddy = static_cast<HWND>(wp);
            return static_cast<LRESULT>(old);
        }
        case UDM_GETBUDDY: return static_cast<LRESULT>(u->buddy);
        default: return DefWindowProcA(h, m, wp, lp);
    }
}

struct Registrar {
    Registrar() { RegisterSystemClass("msctls_updown32", UpDownProc, CS_DBLCLKS | CS_PARENTDC, 0); }
} registrar;

}  // namespace
}  // namespace platform::controls
