// Input: backend events become queued mouse and key messages; focus,
// activation and capture; key state; the mouse pointer; moving and sizing
// windows by their frame.
#include <algorithm>
#include <cstring>

#include "platform/backend/backend.h"
#include "platform/gdi/gdi_internal.h"
#include "platform/kernel/codepage.h"
#include "platform/user/user_internal.h"
#include "win/kernel.h"

namespace platform::user {

namespace {

void Enqueue(HWND h, UINT m, WPARAM w, LPARAM l, int hit) {
    auto& s = S();
    QueuedMsg q;
    q.msg = MSG{h, m, w, l, GetTickCount(), s.cursor};
    q.hit = hit;
    std::lock_guard<std::mutex> lock(s.qmu);
    // Consecutive moves over one window collapse into the latest.
    if ((m == WM_MOUSEMOVE || m == WM_NCMOUSEMOVE) && !s.input.empty() && s.input.back().msg.message == m &&
        s.input.back().msg.hwnd == h) {
        s.input.back() = q;
        return;
    }
    s.input.push_back(q);
}

WPARAM MouseKeys() {
    auto& s = S();
    WPARAM k = 0;
    if (s.async_keys[VK_LBUTTON] & 0x80) k |= MK_LBUTTON;
    if (s.async_keys[VK_RBUTTON] & 0x80) k |= MK_RBUTTON;
    if (s.async_keys[VK_MBUTTON] & 0x80) k |= MK_MBUTTON;
    if (s.async_keys[VK_SHIFT] & 0x80) k |= MK_SHIFT;
    if (s.async_keys[VK_CONTROL] & 0x80) k |= MK_CONTROL;
    return k;
}

// Searches siblings (front is the top) for the window under a screen point.
// `origin` is where the list's coordinates start on the screen: 0, 0 for
// top-level windows, the parent's client origin for children. Working down
// from it saves walking every child's parent chain: a gallery holds
// hundreds of children and every mouse event searches them.
HWND Search(const std::vector<HWND>& list, POINT pt, int* hit, POINT origin) {
    for (HWND h : list) {
        const Wnd* raw = Raw(h);
        if (!raw || !(raw->style & WS_VISIBLE) || (!raw->parent && (raw->style & WS_MINIMIZE))) continue;
        RECT r = raw->rect;
        OffsetRect(&r, origin.x, origin.y);
        if (!PtInRect(&r, pt)) continue;
        auto w = Get(h);  // held: the hit-test message may destroy windows
        if (w->shape && !cairo_region_contains_point(w->shape, pt.x - r.left, pt.y - r.top)) continue;
        if (w->style & WS_DISABLED) {
            *hit = HTERROR;
            return h;
        }
        RECT cr = w->client;
        OffsetRect(&cr, origin.x, origin.y);
        if (PtInRect(&cr, pt) && !w->children.empty()) {
            std::vector<HWND> kids = w->children;
            if (HWND k = Search(kids, pt, hit, POINT{cr.left, cr.top})) return k;
        }
        LRESULT ht = Call(h, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y));
        if (ht == HTTRANSPARENT) continue;
        *hit = static_cast<int>(ht);
        return h;
    }
    return 0;
}

UINT ButtonMsg(int button, bool down, bool client) {
    UINT base;
    switch (button) {
        case 3: base = client ? WM_RBUTTONDOWN : WM_NCRBUTTONDOWN; break;
        case 2: base = client ? WM_MBUTTONDOWN : WM_NCMBUTTONDOWN; break;
        default: base = client ? WM_LBUTTONDOWN : WM_NCLBUTTONDOWN; break;
    }
    return down ? base : base + 1;
}

int ButtonVk(int button) { return button == 3 ? VK_RBUTTON : (button == 2 ? VK_MBUTTON : VK_LBUTTON); }

void SetKey(uint8_t* keys, int vk, bool down) {
    if (vk <= 0 || vk > 255) return;
    if (down && !(keys[vk] & 0x80)) keys[vk] ^= 0x01;  // toggle state flips on each press
    keys[vk] = down ? (keys[vk] | 0x80) : (keys[vk] & ~0x80);
    int generic = 0;
    if (vk == VK_LSHIFT || vk == VK_RSHIFT) generic = VK_SHIFT;
    if (vk == VK_LCONTROL || vk == VK_RCONTROL) generic = VK_CONTROL;
    if (vk == VK_LMENU || vk == VK_RMENU) generic = VK_MENU;
    if (generic) {
        bool any = false;
        for (int v : {VK_LSHIFT, VK_RSHIFT, VK_LCONTROL, VK_RCONTROL, VK_LMENU, VK_RMENU}) {
            int g = (v == VK_LSHIFT || v == VK_RSHIFT) ? VK_SHIFT : (v == VK_LCONTROL || v == VK_RCONTROL) ? VK_CONTROL : VK_MENU;
            if (g == generic && (keys[v] & 0x80)) any = true;
        }
        keys[generic] = any ? (keys[generic] | 0x80) : (keys[generic] & ~0x80);
    }
}

void MouseEvent(const backend::Event& e) {
    auto& s = S();
    POINT pt{e.x, e.y};
    s.cursor = pt;
    if (e.type == backend::EventType::MouseButton) SetKey(s.async_keys, ButtonVk(e.button), e.down);
    if (s.drag.hwnd) {
        if (e.type == backend::EventType::MouseMove) DragMove(pt);
        else if (e.type == backend::EventType::MouseButton && !e.down) DragEnd();
        return;
    }
    HWND target = 0;
    int hit = HTCLIENT;
    if (s.capture && IsWindow(s.capture)) {
        target = s.capture;
    } else {
        target = HitWindow(pt, &hit);
    }
    if (!target) return;
    auto w = Get(target);
    if (!w) return;
    if (e.type == backend::EventType::MouseWheel) {
        HWND to = s.focus ? s.focus : (s.active ? s.active : target);
        Enqueue(to, WM_MOUSEWHEEL, MAKEWPARAM(static_cast<WORD>(MouseKeys()), static_cast<WORD>(static_cast<SHORT>(e.delta))),
                MAKELPARAM(pt.x, pt.y), hit);
        return;
    }
    bool client = hit == HTCLIENT || s.capture == target;
    LPARAM lp;
    if (client) {
        POINT c = ClientOriginScreen(*w);
        lp = MAKELPARAM(static_cast<WORD>(static_cast<SHORT>(pt.x - c.x)), static_cast<WORD>(static_cast<SHORT>(pt.y - c.y)));
    } else {
        lp = MAKELPARAM(static_cast<WORD>(static_cast<SHORT>(pt.x)), static_cast<WORD>(static_cast<SHORT>(pt.y)));
    }
    if (e.type == backend::EventType::MouseMove) {
        s.mouse_over = target;
        if (client) Enqueue(target, WM_MOUSEMOVE, MouseKeys(), lp, hit);
        else Enqueue(target, WM_NCMOUSEMOVE, static_cast<WPARAM>(hit), lp, hit);
        return;
    }
    if (hit == HTERROR || hit == HTNOWHERE) {
        // A disabled window (or one blocked by a modal window) takes no clicks.
        if (e.down && hit == HTERROR) MessageBeep(0);
        return;
    }
    UINT msg = ButtonMsg(e.button, e.down, client);
    if (e.down) {
        // The event's own time: events may wait in the queue before they are read.
        uint64_t now = e.time ? e.time : NowMs();
        bool dbl_ok = client ? (w->cls->style & CS_DBLCLKS) != 0 : true;
        if (dbl_ok && s.last_click_hwnd == target && s.last_click_msg == msg &&
            now - s.last_click_time <= GetDoubleClickTime() &&
            std::abs(pt.x - s.last_click_pt.x) <= GetSystemMetrics(SM_CXDOUBLECLK) / 2 &&
            std::abs(pt.y - s.last_click_pt.y) <= GetSystemMetrics(SM_CYDOUBLECLK) / 2) {
            msg += 2;  // the DBLCLK message follows DOWN and UP
            s.last_click_hwnd = 0;
        } else {
            s.last_click_hwnd = target;
            s.last_click_msg = msg;
            s.last_click_time = now;
            s.last_click_pt = pt;
        }
    }
    Enqueue(target, msg, client ? MouseKeys() : static_cast<WPARAM>(hit), lp, hit);
}

void KeyEvent(const backend::Event& e) {
    auto& s = S();
    int vk = e.vk;
    bool was_down = (s.async_keys[vk & 0xFF] & 0x80) != 0;
    SetKey(s.async_keys, vk, e.down);
    if (vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU) {
        // A generic modifier from a test hook sets its left-hand key as well.
        int left = vk == VK_SHIFT ? VK_LSHIFT : (vk == VK_CONTROL ? VK_LCONTROL : VK_LMENU);
        SetKey(s.async_keys, left, e.down);
    }
    int msg_vk = vk;
    if (vk == VK_LSHIFT || vk == VK_RSHIFT) msg_vk = VK_SHIFT;
    if (vk == VK_LCONTROL || vk == VK_RCONTROL) msg_vk = VK_CONTROL;
    if (vk == VK_LMENU || vk == VK_RMENU) msg_vk = VK_MENU;
    bool alt = (s.async_keys[VK_MENU] & 0x80) != 0;
    bool ctrl = (s.async_keys[VK_CONTROL] & 0x80) != 0;
    HWND target = s.focus;
    bool sys = (alt && !ctrl) || msg_vk == VK_F10 || (msg_vk == VK_MENU);
    if (!target) {
        target = s.active;
        sys = true;  // with no focus the active window gets system keys
    }
    if (!target) return;
    UINT m = e.down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
    DWORD lp = 1 | (static_cast<DWORD>(e.scancode & 0xFF) << 16);
    if (e.extended) lp |= 1u << 24;
    if (alt) lp |= 1u << 29;
    if (e.down ? was_down : true) lp |= 1u << 30;
    if (!e.down) lp |= 1u << 31;
    Enqueue(target, m, static_cast<WPARAM>(msg_vk), static_cast<LPARAM>(lp), HTCLIENT);
}

void TextEvent(const backend::Event& e) {
    auto& s = S();
    HWND target = s.focus ? s.focus : s.active;
    if (!target) return;
    // The window procedures are ANSI: a Chinese character arrives as two
    // WM_CHAR messages, lead byte first, as on a GBK system.
    std::string gbk = Utf8ToGbk(e.text);
    for (unsigned char c : gbk) Enqueue(target, WM_CHAR, c, 1, HTCLIENT);
}

// A window that a click would not activate (a tip, an open drop-down list)
// is not activated when the desktop hands it the focus either: a desktop may
// focus such a pop-up as it appears, and the window that opened it stays
// active with its focus and capture.
bool RefusesActivation(HWND h) {
    LRESULT r = Call(h, WM_MOUSEACTIVATE, h, MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN));
    return r == MA_NOACTIVATE || r == MA_NOACTIVATEANDEAT;
}

}  // namespace

HWND HitWindow(POINT pt, int* hit) {
    *hit = HTNOWHERE;
    std::vector<HWND> tops = S().toplevels;
    return Search(tops, pt, hit, POINT{0, 0});
}

bool PrepareInputMessage(QueuedMsg& q) {
    auto& s = S();
    UINT m = q.msg.message;
    bool mouse = (m >= WM_MOUSEFIRST && m <= WM_MOUSELAST && m != WM_MOUSEWHEEL) ||
                 (m >= WM_NCMOUSEMOVE && m <= WM_NCMBUTTONDBLCLK);
    if (!mouse || !IsWindow(q.msg.hwnd)) return IsWindow(q.msg.hwnd) || q.msg.hwnd == 0;
    bool down = m == WM_LBUTTONDOWN || m == WM_RBUTTONDOWN || m == WM_MBUTTONDOWN || m == WM_NCLBUTTONDOWN ||
                m == WM_NCRBUTTONDOWN || m == WM_NCMBUTTONDOWN || m == WM_LBUTTONDBLCLK || m == WM_NCLBUTTONDBLCLK;
    UINT client_msg = m >= WM_NCMOUSEMOVE ? m - WM_NCMOUSEMOVE + WM_MOUSEMOVE : m;
    if (down && !s.capture) {
        HWND top = Root(q.msg.hwnd);
        if (top != s.active) {
            LRESULT r = Call(q.msg.hwnd, WM_MOUSEACTIVATE, top, MAKELPARAM(q.hit, client_msg));
            if (r == MA_ACTIVATE || r == MA_ACTIVATEANDEAT || r == 0) Activate(top, WA_CLICKACTIVE);
            if (r == MA_ACTIVATEANDEAT || r == MA_NOACTIVATEANDEAT) return false;
        }
    }
    if (!s.capture && IsWindow(q.msg.hwnd)) SetCursorFromHit(q.msg.hwnd, q.hit, client_msg);
    return IsWindow(q.msg.hwnd);
}

void SetCursorFromHit(HWND h, int hit, UINT msg) {
    Call(h, WM_SETCURSOR, h, MAKELPARAM(static_cast<WORD>(static_cast<SHORT>(hit)), msg));
}

void UpdateKeyState(const MSG& m) {
    auto& s = S();
    switch (m.message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_KEYUP:
        case WM_SYSKEYUP: {
            bool down = m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN;
            int vk = static_cast<int>(m.wParam & 0xFF);
            SetKey(s.keys, vk, down);
            if (vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU) {
                int left = vk == VK_SHIFT ? VK_LSHIFT : (vk == VK_CONTROL ? VK_LCONTROL : VK_LMENU);
                int right = vk == VK_SHIFT ? VK_RSHIFT : (vk == VK_CONTROL ? VK_RCONTROL : VK_RMENU);
                SetKey(s.keys, left, down && (s.async_keys[left] & 0x80));
                SetKey(s.keys, right, down && (s.async_keys[right] & 0x80));
                SetKey(s.keys, vk, down);
            }
            break;
        }
        case WM_LBUTTONDOWN: case WM_LBUTTONDBLCLK: case WM_NCLBUTTONDOWN: case WM_NCLBUTTONDBLCLK:
            SetKey(s.keys, VK_LBUTTON, true); break;
        case WM_LBUTTONUP: case WM_NCLBUTTONUP: SetKey(s.keys, VK_LBUTTON, false); break;
        case WM_RBUTTONDOWN: case WM_RBUTTONDBLCLK: case WM_NCRBUTTONDOWN: SetKey(s.keys, VK_RBUTTON, true); break;
        case WM_RBUTTONUP: case WM_NCRBUTTONUP: SetKey(s.keys, VK_RBUTTON, false); break;
        case WM_MBUTTONDOWN: case WM_NCMBUTTONDOWN: SetKey(s.keys, VK_MBUTTON, true); break;
        case WM_MBUTTONUP: case WM_NCMBUTTONUP: SetKey(s.keys, VK_MBUTTON, false); break;
        default: break;
    }
}

void ProcessBackendEvents() {
    if (!backend::Exists()) return;
    auto& b = backend::Current();
    auto& s = S();
    backend::Event e;
    bool lost = false;
    while (b.PollEvent(&e)) {
        switch (e.type) {
            case backend::EventType::MouseMove:
            case backend::EventType::MouseButton:
            case backend::EventType::MouseWheel: MouseEvent(e); break;
            case backend::EventType::Key: KeyEvent(e); break;
            case backend::EventType::Text: TextEvent(e); break;
            case backend::EventType::CloseRequest:
                if (IsWindow(e.window)) PostMessageA(e.window, WM_SYSCOMMAND, SC_CLOSE, 0);
                break;
            case backend::EventType::FocusGained: {
                lost = false;
                auto w = Get(e.window);
                if (w && !(w->style & WS_DISABLED) && s.active != e.window && !RefusesActivation(e.window))
                    Activate(e.window, WA_ACTIVE);
                break;
            }
            case backend::EventType::FocusLost:
                if (e.window == s.active) lost = true;
                break;
            case backend::EventType::Moved: {
                auto w = Get(e.window);
                if (w && !w->parent && (w->rect.left != e.x || w->rect.top != e.y)) {
                    int dx = e.x - w->rect.left, dy = e.y - w->rect.top;
                    OffsetRect(&w->rect, dx, dy);
                    OffsetRect(&w->client, dx, dy);
                    Call(e.window, WM_MOVE, 0, MAKELPARAM(w->client.left, w->client.top));
                }
                break;
            }
            case backend::EventType::Expose: MarkPresent(e.window); break;
        }
    }
    // Losing the focus to another of our windows is not a deactivation of the program.
    if (lost) Activate(0, WA_INACTIVE);
}

void StartDrag(HWND h, int hit, POINT screen) {
    auto w = Get(h);
    if (!w || w->parent) return;
    if ((w->style & WS_MAXIMIZE) && hit != HTCAPTION) return;
    if (w->style & WS_MAXIMIZE) return;  // a maximised window stays in place
    auto& s = S();
    s.drag = Drag{h, hit, screen, w->rect};
    Call(h, WM_ENTERSIZEMOVE, 0, 0);
}

void DragMove(POINT p) {
    auto& s = S();
    auto w = Get(s.drag.hwnd);
    if (!w) {
        s.drag = Drag{};
        return;
    }
    int dx = p.x - s.drag.start.x, dy = p.y - s.drag.start.y;
    RECT r = s.drag.start_rect;
    int minw = GetSystemMetrics(SM_CXMINTRACK), minh = GetSystemMetrics(SM_CYMINTRACK);
    switch (s.drag.hit) {
        case HTCAPTION: OffsetRect(&r, dx, dy); break;
        case HTLEFT: r.left = std::min(r.left + dx, r.right - minw); break;
        case HTRIGHT: r.right = std::max(r.right + dx, r.left + minw); break;
        case HTTOP: r.top = std::min(r.top + dy, r.bottom - minh); break;
        case HTBOTTOM: r.bottom = std::max(r.bottom + dy, r.top + minh); break;
        case HTTOPLEFT:
            r.left = std::min(r.left + dx, r.right - minw);
            r.top = std::min(r.top + dy, r.bottom - minh);
            break;
        case HTTOPRIGHT:
            r.right = std::max(r.right + dx, r.left + minw);
            r.top = std::min(r.top + dy, r.bottom - minh);
            break;
        case HTBOTTOMLEFT:
            r.left = std::min(r.left + dx, r.right - minw);
            r.bottom = std::max(r.bottom + dy, r.top + minh);
            break;
        case HTBOTTOMRIGHT:
            r.right = std::max(r.right + dx, r.left + minw);
            r.bottom = std::max(r.bottom + dy, r.top + minh);
            break;
        default: break;
    }
    SetWindowPosCore(s.drag.hwnd, 0, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void DragEnd() {
    auto& s = S();
    HWND h = s.drag.hwnd;
    s.drag = Drag{};
    SetKey(s.keys, VK_LBUTTON, false);
    if (IsWindow(h)) Call(h, WM_EXITSIZEMOVE, 0, 0);
}

void Activate(HWND h, int how) {
    auto& s = S();
    HWND old = s.active;
    if (old == h) return;
    if (h && !Get(h)) return;
    if (old && IsWindow(old)) {
        Call(old, WM_NCACTIVATE, FALSE, 0);
        Call(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, IsIconic(old) ? 1 : 0), h);
    }
    s.active = h;
    if (!old || !h) {
        // The program as a whole gains or loses activation.
        std::vector<HWND> tops = s.toplevels;
        for (HWND t : tops)
            if (IsWindow(t)) Call(t, WM_ACTIVATEAPP, h ? TRUE : FALSE, 0);
    }
    if (!h) {
        if (s.focus) {
            HWND f = s.focus;
            s.focus = 0;
            Call(f, WM_KILLFOCUS, 0, 0);
        }
        return;
    }
    if (s.active != h) return;  // changed again by a handler
    auto w = Get(h);
    if (w && !(w->exstyle & WS_EX_TOPMOST || (!s.toplevels.empty() && s.toplevels.front() == h))) {
        std::vector<HWND>& v = s.toplevels;
        v.erase(std::remove(v.begin(), v.end(), h), v.end());
        size_t pos = 0;
        while (pos < v.size() && IsWindow(v[pos]) && (Get(v[pos])->exstyle & WS_EX_TOPMOST)) ++pos;
        v.insert(v.begin() + static_cast<long>(pos), h);
        if (backend::Exists()) backend::Current().RaiseWindow(h);
    }
    Call(h, WM_NCACTIVATE, TRUE, 0);
    Call(h, WM_ACTIVATE, MAKEWPARAM(how, IsIconic(h) ? 1 : 0), old);
    // A focus left in a window that is no longer active goes.
    if (s.active == h && s.focus && Root(s.focus) != h) {
        HWND f = s.focus;
        s.focus = 0;
        Call(f, WM_KILLFOCUS, 0, 0);
    }
}

}  // namespace platform::user

using namespace platform;
using namespace platform::user;

WINEXPORT HWND SetFocus(HWND h) {
    auto& s = S();
    HWND old = s.focus;
    if (!h) {
        s.focus = 0;
        if (old && IsWindow(old)) Call(old, WM_KILLFOCUS, 0, 0);
        return old;
    }
    auto w = Get(h);
    if (!w) return 0;
    // Windows inside a disabled or minimised top-level window cannot take the focus.
    for (auto p = w; p; p = Get(p->parent))
        if ((p->style & WS_DISABLED) || (!p->parent && (p->style & WS_MINIMIZE))) return 0;
    HWND top = Root(h);
    if (top != s.active) {
        Activate(top, WA_ACTIVE);
        old = s.focus;
    }
    if (s.focus == h) return old;
    s.focus = h;
    if (old && IsWindow(old)) Call(old, WM_KILLFOCUS, h, 0);
    if (s.focus == h && IsWindow(h)) Call(h, WM_SETFOCUS, old, 0);
    return old;
}

WINEXPORT HWND GetFocus(void) { return S().focus; }

WINEXPORT HWND SetActiveWindow(HWND h) {
    HWND old = S().active;
    if (h && !IsWindow(h)) return 0;
    Activate(h ? Root(h) : 0, WA_ACTIVE);
    return old;
}

WINEXPORT HWND GetActiveWindow(void) { return S().active; }
WINEXPORT BOOL SetForegroundWindow(HWND h) {
    if (!IsWindow(h)) return FALSE;
    Activate(Root(h), WA_ACTIVE);
    return TRUE;
}
WINEXPORT HWND GetForegroundWindow(void) { return S().active; }

WINEXPORT HWND SetCapture(HWND h) {
    auto& s = S();
    if (h && !IsWindow(h)) return 0;
    HWND old = s.capture;
    s.capture = h;
    if (old && old != h && IsWindow(old)) Call(old, WM_CAPTURECHANGED, 0, static_cast<LPARAM>(h));
    return old;
}

WINEXPORT BOOL ReleaseCapture(void) {
    auto& s = S();
    HWND old = s.capture;
    s.capture = 0;
    if (old && IsWindow(old)) Call(old, WM_CAPTURECHANGED, 0, 0);
    return TRUE;
}

WINEXPORT HWND GetCapture(void) { return S().capture; }

WINEXPORT SHORT GetKeyState(int vk) {
    if (vk < 0 || vk > 255) return 0;
    uint8_t k = S().keys[vk];
    return static_cast<SHORT>(((k & 0x80) ? 0x8000 : 0) | (k & 0x01));
}

WINEXPORT SHORT GetAsyncKeyState(int vk) {
    if (vk < 0 || vk > 255) return 0;
    return (S().async_keys[vk] & 0x80) ? static_cast<SHORT>(0x8000) : 0;
}

WINEXPORT BOOL GetKeyboardState(BYTE* out) {
    if (!out) return FALSE;
    std::memcpy(out, S().keys, 256);
    return TRUE;
}

WINEXPORT BOOL GetCursorPos(LPPOINT p) {
    if (!p) return FALSE;
    *p = S().cursor;
    return TRUE;
}

WINEXPORT BOOL SetCursorPos(int x, int y) {
    backend::Event e;
    e.type = backend::EventType::MouseMove;
    e.x = x;
    e.y = y;
    backend::Current().Inject(e);
    S().cursor = POINT{x, y};
    return TRUE;
}

WINEXPORT HCURSOR SetCursor(HCURSOR c) {
    auto& s = S();
    HCURSOR old = s.cursor_shape;
    if (c == old) return old;
    s.cursor_shape = c;
    auto ic = gdi::GetIcon(c);
    if (!ic || !backend::Exists()) return old;
    auto& b = backend::Current();
    switch (ic->system_id) {
        case 32512: b.SetCursor(backend::SystemCursor::Arrow); break;
        case 32513: b.SetCursor(backend::SystemCursor::IBeam); break;
        case 32514: b.SetCursor(backend::SystemCursor::Wait); break;
        case 32515: b.SetCursor(backend::SystemCursor::Cross); break;
        case 32516: b.SetCursor(backend::SystemCursor::UpArrow); break;
        case 32642: b.SetCursor(backend::SystemCursor::SizeNWSE); break;
        case 32643: b.SetCursor(backend::SystemCursor::SizeNESW); break;
        case 32644: b.SetCursor(backend::SystemCursor::SizeWE); break;
        case 32645: b.SetCursor(backend::SystemCursor::SizeNS); break;
        case 32640:
        case 32646: b.SetCursor(backend::SystemCursor::SizeAll); break;
        case 32648: b.SetCursor(backend::SystemCursor::No); break;
        case 32649: b.SetCursor(backend::SystemCursor::Hand); break;
        case 32650: b.SetCursor(backend::SystemCursor::AppStarting); break;
        case 32651: b.SetCursor(backend::SystemCursor::Help); break;
        default: {
            cairo_surface_flush(ic->surface);
            int stride = cairo_image_surface_get_stride(ic->surface);
            std::vector<uint32_t> px(static_cast<size_t>(ic->width) * ic->height);
            const uint8_t* d = cairo_image_surface_get_data(ic->surface);
            for (int y = 0; y < ic->height; ++y)
                std::memcpy(&px[static_cast<size_t>(y) * ic->width], d + static_cast<size_t>(y) * stride,
                            static_cast<size_t>(ic->width) * 4);
            b.SetCursorImage(px.data(), ic->width, ic->height, ic->hotx, ic->hoty);
        }
    }
    return old;
}

WINEXPORT HCURSOR GetCursor(void) { return S().cursor_shape; }
WINEXPORT int ShowCursor(BOOL show) { return show ? ++S().cursor_show : --S().cursor_show; }
WINEXPORT UINT GetDoubleClickTime(void) { return 500; }
WINEXPORT BOOL MessageBeep(UINT) { return TRUE; }
WINEXPORT BOOL FlashWindow(HWND h, BOOL) { return IsWindow(h); }
