// Windows: creation and destruction, the window tree and z-order, window
// words, geometry, showing, enabling and window regions.
#include <algorithm>
#include <chrono>
#include <cstring>

#include "platform/backend/backend.h"
#include "platform/gdi/gdi_internal.h"
#include "platform/kernel/codepage.h"
#include "platform/user/user_internal.h"
#include "win/kernel.h"

namespace platform::user {

std::shared_ptr<WndClass> FindClass(LPCSTR name);

Wnd::~Wnd() {
    if (update) cairo_region_destroy(update);
    if (shape) cairo_region_destroy(shape);
    if (surface) cairo_surface_destroy(surface);
}

State& S() {
    static State* s = new State;  // lives until exit: windows may be touched from atexit handlers
    return *s;
}

uint64_t NowMs() {
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void EnsureUiThread() {
    auto& s = S();
    if (!s.ui_thread_set) {
        s.ui_thread = std::this_thread::get_id();
        s.ui_thread_set = true;
    }
}

bool OnUiThread() {
    auto& s = S();
    return !s.ui_thread_set || s.ui_thread == std::this_thread::get_id();
}

namespace {
inline const std::shared_ptr<Wnd>* Slot(HWND h) {
    auto& s = S();
    if (KindOfHandle(h) != HandleKind::Window) return nullptr;
    size_t i = h & kHandleSlotMask;
    if (i >= s.by_slot.size()) return nullptr;
    const auto& p = s.by_slot[i];
    return (p && p->hwnd == h) ? &p : nullptr;
}
}  // namespace

std::shared_ptr<Wnd> Get(HWND h) {
    if (!h) return nullptr;
    auto& s = S();
    if (s.ui_thread_set && s.ui_thread == std::this_thread::get_id()) {
        auto* p = Slot(h);
        return p ? *p : nullptr;
    }
    return s.wnds.Get(h);
}

Wnd* Raw(HWND h) {
    if (!h) return nullptr;
    auto& s = S();
    if (s.ui_thread_set && s.ui_thread == std::this_thread::get_id()) {
        auto* p = Slot(h);
        return p ? p->get() : nullptr;
    }
    return s.wnds.Get(h).get();  // other threads: only for a quick look, as before
}

LRESULT Call(HWND h, UINT msg, WPARAM w, LPARAM l) {
    auto wnd = Get(h);
    if (!wnd || !wnd->proc) return 0;
    return wnd->proc(h, msg, w, l);
}

HWND Root(HWND h) {
    Wnd* w = Raw(h);
    while (w && w->parent) {
        h = w->parent;
        w = w->parent_ptr;
    }
    return w ? h : 0;
}

bool IsVisibleChain(HWND h) {
    const Wnd* w = Raw(h);
    while (w) {
        if (!(w->style & WS_VISIBLE)) return false;
        if (!w->parent) return !(w->style & WS_MINIMIZE);
        w = w->parent_ptr;
    }
    return false;
}

POINT OriginInTop(const Wnd& w) {
    if (!w.parent || !w.parent_ptr) return POINT{0, 0};
    POINT c = ClientOriginInTop(*w.parent_ptr);
    return POINT{c.x + w.rect.left, c.y + w.rect.top};
}

POINT ClientOriginInTop(const Wnd& w) {
    POINT o = OriginInTop(w);
    return POINT{o.x + w.client.left - w.rect.left, o.y + w.client.top - w.rect.top};
}

RECT WindowRectScreen(const Wnd& w) {
    HWND top = Root(w.hwnd);
    auto t = Get(top);
    POINT o = OriginInTop(w);
    int x = t ? t->rect.left : 0, y = t ? t->rect.top : 0;
    return RECT{x + o.x, y + o.y, x + o.x + (w.rect.right - w.rect.left), y + o.y + (w.rect.bottom - w.rect.top)};
}

POINT ClientOriginScreen(const Wnd& w) {
    RECT r = WindowRectScreen(w);
    return POINT{r.left + w.client.left - w.rect.left, r.top + w.client.top - w.rect.top};
}

namespace {

std::vector<HWND>& Siblings(const Wnd& w) {
    if (w.parent) {
        static std::vector<HWND> none;
        auto p = Get(w.parent);
        return p ? p->children : none;
    }
    return S().toplevels;
}

void RebuildKids(HWND parent) {
    auto p = Get(parent);
    if (!p) return;
    p->kid_ptrs.clear();
    for (HWND c : p->children) p->kid_ptrs.push_back(Get(c).get());
    LayoutChanged();
}

void Unlink(const Wnd& w) {
    auto& v = Siblings(w);
    v.erase(std::remove(v.begin(), v.end(), w.hwnd), v.end());
    if (w.parent) RebuildKids(w.parent);
}

bool IsTopmost(HWND h) {
    auto w = Get(h);
    return w && !w->parent && (w->exstyle & WS_EX_TOPMOST);
}

// Inserts w into its sibling list: after == HWND_TOP, HWND_BOTTOM or a sibling.
// Top-level windows that are not topmost stay below the topmost ones.
void Link(Wnd& w, HWND after) {
    auto& v = Siblings(w);
    v.erase(std::remove(v.begin(), v.end(), w.hwnd), v.end());
    size_t pos = 0;
    bool top = !w.parent;
    bool topmost = top && (w.exstyle & WS_EX_TOPMOST);
    size_t first_normal = 0;
    if (top)
        while (first_normal < v.size() && IsTopmost(v[first_normal])) ++first_normal;
    if (after == HWND_BOTTOM) {
        pos = v.size();
        if (topmost) pos = first_normal;
    } else if (after == HWND_TOP || after == HWND_TOPMOST || after == HWND_NOTOPMOST) {
        pos = topmost ? 0 : first_normal;
    } else {
        auto it = std::find(v.begin(), v.end(), after);
        pos = it == v.end() ? (topmost ? 0 : first_normal) : static_cast<size_t>(it - v.begin()) + 1;
        if (top && !topmost) pos = std::max(pos, first_normal);
        if (topmost) pos = std::min(pos, first_normal);
    }
    v.insert(v.begin() + static_cast<long>(std::min(pos, v.size())), w.hwnd);
    if (w.parent) RebuildKids(w.parent);
}

void CreateSurface(Wnd& w) {
    int cw = std::max<int>(1, w.rect.right - w.rect.left), ch = std::max<int>(1, w.rect.bottom - w.rect.top);
    w.surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, std::min(cw, 16384), std::min(ch, 16384));
}

LONG_PTR WindowWord(Wnd& w, int i, bool* ok) {
    *ok = true;
    switch (i) {
        case GWL_WNDPROC: return reinterpret_cast<LONG_PTR>(w.proc);
        case GWL_HINSTANCE: return w.inst;
        case GWL_HWNDPARENT: return w.parent ? w.parent : w.owner;
        case GWL_ID: return static_cast<LONG_PTR>(w.id);
        case GWL_STYLE: return static_cast<LONG>(w.style);
        case GWL_EXSTYLE: return static_cast<LONG>(w.exstyle);
        case GWL_USERDATA: return w.userdata;
        default:
            if (i >= 0 && static_cast<size_t>(i) + sizeof(LONG) <= w.extra.size()) {
                LONG_PTR v = 0;
                size_t n = std::min(sizeof(LONG_PTR), w.extra.size() - static_cast<size_t>(i));
                std::memcpy(&v, &w.extra[static_cast<size_t>(i)], n);
                if (n < sizeof(LONG_PTR)) v = static_cast<LONG>(v);
                return v;
            }
            *ok = false;
            SetLastError(1413);  // ERROR_INVALID_INDEX
            return 0;
    }
}

}  // namespace

void ActivateOther(HWND leaving) {
    auto& s = S();
    if (s.active != leaving) return;
    auto w = Get(leaving);
    // The owner first, as a dialog returns to the window that opened it.
    if (w && w->owner && IsVisibleChain(w->owner) && !(Get(w->owner)->style & WS_DISABLED)) {
        Activate(w->owner, WA_ACTIVE);
        return;
    }
    for (HWND h : s.toplevels) {
        auto t = Get(h);
        if (h != leaving && t && !t->destroying && IsVisibleChain(h) && !(t->style & WS_DISABLED) &&
            !(t->exstyle & WS_EX_TOOLWINDOW)) {
            Activate(h, WA_ACTIVE);
            return;
        }
    }
    Activate(0, WA_INACTIVE);
}

void ReleaseFocusInside(HWND h) {
    auto& s = S();
    if (s.focus && (s.focus == h || IsChild(h, s.focus))) {
        auto w = Get(h);
        HWND parent = w ? w->parent : 0;
        SetFocus(parent);
        if (s.focus == h || (s.focus && IsChild(h, s.focus))) s.focus = 0;
    }
}

BOOL SetWindowPosCore(HWND hwnd, HWND after, int x, int y, int cx, int cy, UINT flags) {
    auto w = Get(hwnd);
    if (!w) return FALSE;
    bool visible = (w->style & WS_VISIBLE) != 0;
    if ((flags & SWP_SHOWWINDOW) && visible) flags &= ~SWP_SHOWWINDOW;
    if ((flags & SWP_HIDEWINDOW) && !visible) flags &= ~SWP_HIDEWINDOW;
    WINDOWPOS wp{hwnd, after, x, y, cx, cy, flags};
    if (flags & SWP_NOMOVE) {
        wp.x = w->rect.left;
        wp.y = w->rect.top;
    }
    if (flags & SWP_NOSIZE) {
        wp.cx = w->rect.right - w->rect.left;
        wp.cy = w->rect.bottom - w->rect.top;
    }
    if (!(flags & SWP_NOSENDCHANGING)) Call(hwnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
    w = Get(hwnd);
    if (!w) return FALSE;
    // Sizes are kept within what a surface can hold.
    wp.cx = std::clamp(wp.cx, 0, 16384);
    wp.cy = std::clamp(wp.cy, 0, 16384);
    wp.x = std::clamp(wp.x, -100000, 100000);
    wp.y = std::clamp(wp.y, -100000, 100000);
    RECT old = w->rect, oldc = w->client;
    RECT nr{wp.x, wp.y, wp.x + wp.cx, wp.y + wp.cy};
    bool sized = (nr.right - nr.left) != (old.right - old.left) || (nr.bottom - nr.top) != (old.bottom - old.top);
    bool moved = nr.left != old.left || nr.top != old.top;
    bool was_visible = (w->style & WS_VISIBLE) != 0;
    if ((moved || sized || (flags & SWP_HIDEWINDOW)) && was_visible && w->parent) ExposeInParent(*w, old);
    if (sized || (flags & SWP_FRAMECHANGED)) {
        NCCALCSIZE_PARAMS p{};
        p.rgrc[0] = nr;
        p.rgrc[1] = old;
        p.rgrc[2] = oldc;
        p.lppos = &wp;
        w->rect = nr;
        LayoutChanged();
        Call(hwnd, WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&p));
        w = Get(hwnd);
        if (!w) return FALSE;
        w->client = p.rgrc[0];
        if (w->client.right < w->client.left) w->client.right = w->client.left;
        if (w->client.bottom < w->client.top) w->client.bottom = w->client.top;
    } else if (moved) {
        w->rect = nr;
        LayoutChanged();
        OffsetRect(&w->client, nr.left - old.left, nr.top - old.top);
    }
    if (!(flags & SWP_NOZORDER)) {
        if (!w->parent) {
            if (after == HWND_TOPMOST) w->exstyle |= WS_EX_TOPMOST;
            else if (after == HWND_NOTOPMOST) w->exstyle &= ~WS_EX_TOPMOST;
        }
        Link(*w, after);
        if (!w->parent && backend::Exists()) backend::Current().RaiseWindow(hwnd);
        if (w->parent && (w->style & WS_VISIBLE)) InvalidateAll(hwnd);
    }
    if (flags & SWP_SHOWWINDOW) w->style |= WS_VISIBLE;
    if (flags & SWP_HIDEWINDOW) w->style &= ~WS_VISIBLE;
    if (flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW)) LayoutChanged();
    if (!w->parent && (sized || !w->surface)) ResizeSurface(*w);
    bool now_visible = (w->style & WS_VISIBLE) != 0;
    if (now_visible && !(flags & SWP_NOREDRAW) &&
        ((sized || (flags & (SWP_SHOWWINDOW | SWP_FRAMECHANGED))) || (moved && w->parent)))
        InvalidateAll(hwnd);
    if (!w->parent && backend::Exists()) {
        auto& b = backend::Current();
        if (moved || sized) b.MoveWindow(hwnd, nr.left, nr.top, nr.right - nr.left, nr.bottom - nr.top);
        if (flags & SWP_SHOWWINDOW) b.ShowWindow(hwnd, true, !(flags & SWP_NOACTIVATE));
        if (flags & SWP_HIDEWINDOW) b.ShowWindow(hwnd, false, false);
    }
    if (flags & SWP_HIDEWINDOW) {
        if (S().capture && (S().capture == hwnd || IsChild(hwnd, S().capture))) ReleaseCapture();
        ReleaseFocusInside(hwnd);
        if (!w->parent) ActivateOther(hwnd);
    }
    WINDOWPOS done = wp;
    done.x = nr.left;
    done.y = nr.top;
    done.cx = nr.right - nr.left;
    done.cy = nr.bottom - nr.top;
    bool client_moved = w->client.left != oldc.left || w->client.top != oldc.top;
    bool client_sized = (w->client.right - w->client.left) != (oldc.right - oldc.left) ||
                        (w->client.bottom - w->client.top) != (oldc.bottom - oldc.top);
    done.flags = flags;
    if (!client_moved) done.flags |= SWP_NOMOVE;
    else done.flags &= ~SWP_NOMOVE;
    if (!client_sized) done.flags |= SWP_NOSIZE;
    else done.flags &= ~SWP_NOSIZE;
    Call(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&done));
    if ((flags & SWP_SHOWWINDOW) && !(flags & SWP_NOACTIVATE) && IsWindow(hwnd)) {
        auto w2 = Get(hwnd);
        if (w2 && !(w2->style & WS_CHILD)) Activate(hwnd, WA_ACTIVE);
    }
    return TRUE;
}

}  // namespace platform::user

using namespace platform;
using namespace platform::user;

WINEXPORT HWND CreateWindowExA(DWORD ex, LPCSTR cls_name, LPCSTR title, DWORD style, int x, int y, int w, int h,
                               HWND parent, HMENU menu, HINSTANCE inst, LPVOID param) {
    EnsureUiThread();
    auto& s = S();
    auto cls = FindClass(cls_name);
    if (!cls) {
        SetLastError(1407);  // ERROR_CANNOT_FIND_WND_CLASS
        return 0;
    }
    if (parent == HWND_MESSAGE) parent = 0;
    auto pw = Get(parent);
    if (parent && !pw) {
        SetLastError(1400);  // ERROR_INVALID_WINDOW_HANDLE
        return 0;
    }
    if ((style & WS_CHILD) && !pw) {
        SetLastError(1406);  // ERROR_TLW_WITH_WSCHILD
        return 0;
    }
    auto wnd = std::make_shared<Wnd>();
    wnd->cls = cls;
    wnd->proc = cls->proc;
    wnd->inst = inst;
    wnd->extra.assign(static_cast<size_t>(cls->wnd_extra), 0);
    if (style & WS_CHILD) {
        wnd->parent = parent;
        wnd->parent_ptr = pw.get();
        wnd->id = menu;
    } else {
        wnd->owner = parent ? Root(parent) : 0;
        if (!(style & WS_POPUP)) style |= WS_CAPTION | WS_CLIPSIBLINGS;  // overlapped windows always have a caption
        style |= WS_CLIPSIBLINGS;
    }
    if ((ex & WS_EX_DLGMODALFRAME) || ((style & WS_CAPTION) == WS_CAPTION) || (style & WS_THICKFRAME))
        ex |= WS_EX_WINDOWEDGE;
    bool want_visible = (style & WS_VISIBLE) != 0;
    DWORD want_minmax = style & (WS_MINIMIZE | WS_MAXIMIZE);
    wnd->style = style & ~(WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE);
    wnd->exstyle = ex;
    if (!(style & WS_CHILD)) {
        if (x == CW_USEDEFAULT) {
            int n = s.cascade++ % 8;
            x = 40 + 26 * n;
            y = 30 + 26 * n;
        }
        if (w == CW_USEDEFAULT) {
            w = 640;
            h = 480;
        }
    } else {
        if (x == CW_USEDEFAULT) x = y = 0;
        if (w == CW_USEDEFAULT) w = h = 0;
    }
    w = std::clamp(w, 0, 16384);
    h = std::clamp(h, 0, 16384);
    x = std::clamp(x, -100000, 100000);
    y = std::clamp(y, -100000, 100000);
    wnd->rect = RECT{x, y, x + w, y + h};
    wnd->client = wnd->rect;
    wnd->update = cairo_region_create();
    HWND hwnd = s.wnds.Add(wnd);
    if (!hwnd) return 0;
    if (s.by_slot.size() <= (hwnd & kHandleSlotMask)) s.by_slot.resize((hwnd & kHandleSlotMask) + 1);
    s.by_slot[hwnd & kHandleSlotMask] = wnd;
    wnd->hwnd = hwnd;
    Link(*wnd, HWND_TOP);
    if (!wnd->parent) {
        CreateSurface(*wnd);
        backend::Current().CreateWindow(hwnd, x, y, std::max(w, 1), std::max(h, 1), (ex & WS_EX_TOPMOST) != 0);
        if (title) backend::Current().SetTitle(hwnd, GbkToUtf8(title));
    }
    if (!wnd->parent && ((style & WS_THICKFRAME) || (style & WS_CAPTION) == WS_CAPTION)) {
        MINMAXINFO mmi{};
        int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
        mmi.ptMaxSize = POINT{sw, sh};
        mmi.ptMaxTrackSize = POINT{sw + 20, sh + 20};
        mmi.ptMinTrackSize = POINT{GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
        Call(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
        if (mmi.ptMaxTrackSize.x > 0) w = std::min(w, static_cast<int>(mmi.ptMaxTrackSize.x));
        if (mmi.ptMaxTrackSize.y > 0) h = std::min(h, static_cast<int>(mmi.ptMaxTrackSize.y));
        wnd->rect = RECT{x, y, x + w, y + h};
        wnd->client = wnd->rect;
        LayoutChanged();
    }
    CREATESTRUCTA cs{param, inst, menu, parent, h, w, y, x, static_cast<LONG>(style), title, cls_name, ex};
    if (!Call(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
        Call(hwnd, WM_NCDESTROY, 0, 0);
        Unlink(*wnd);
        if (!wnd->parent && backend::Exists()) backend::Current().DestroyWindow(hwnd);
        s.by_slot[hwnd & kHandleSlotMask].reset();
        s.wnds.Remove(hwnd);
        return 0;
    }
    RECT calc = wnd->rect;
    Call(hwnd, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&calc));
    wnd->client = calc;
    if (Call(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        DestroyWindow(hwnd);
        return 0;
    }
    if (!IsWindow(hwnd)) return 0;
    Call(hwnd, WM_SIZE, SIZE_RESTORED,
         MAKELPARAM(wnd->client.right - wnd->client.left, wnd->client.bottom - wnd->client.top));
    Call(hwnd, WM_MOVE, 0, MAKELPARAM(wnd->client.left, wnd->client.top));
    if (!IsWindow(hwnd)) return 0;
    if (want_minmax & WS_MAXIMIZE) ShowWindow(hwnd, want_visible ? SW_SHOWMAXIMIZED : SW_MAXIMIZE);
    else if (want_minmax & WS_MINIMIZE) ShowWindow(hwnd, want_visible ? SW_SHOWMINIMIZED : SW_MINIMIZE);
    else if (want_visible) ShowWindow(hwnd, SW_SHOW);
    if (!IsWindow(hwnd)) return 0;
    if (want_minmax && !want_visible) {
        // Minimising or maximising an invisible window leaves it invisible.
        wnd->style &= ~WS_VISIBLE;
        LayoutChanged();
    }
    return hwnd;
}

namespace {

void SendDestroy(HWND h) {
    Call(h, WM_DESTROY, 0, 0);
    auto w = Get(h);
    if (!w) return;
    std::vector<HWND> kids = w->children;
    for (HWND c : kids)
        if (Get(c)) SendDestroy(c);
}

void FreeWindow(HWND h) {
    auto w = Get(h);
    if (!w) return;
    std::vector<HWND> kids = w->children;
    for (HWND c : kids) FreeWindow(c);
    Call(h, WM_NCDESTROY, 0, 0);
    auto& s = S();
    s.timers.erase(std::remove_if(s.timers.begin(), s.timers.end(), [&](const Timer& t) { return t.hwnd == h; }),
                   s.timers.end());
    if (s.focus == h) s.focus = 0;
    if (s.active == h) s.active = 0;
    if (s.capture == h) s.capture = 0;
    if (s.mouse_over == h) s.mouse_over = 0;
    if (s.drag.hwnd == h) s.drag = Drag{};
    Unlink(*w);
    if (!w->parent && backend::Exists()) backend::Current().DestroyWindow(h);
    // DCs still held for the window draw nowhere from now on.
    gdi::Dcs().ForEach([&](uint32_t dc, const std::shared_ptr<gdi::DC>& d) {
        if (d->hwnd == h) gdi::SetDcVisible(dc, d->target, d->origin, cairo_region_create());
    });
    if ((h & kHandleSlotMask) < s.by_slot.size()) s.by_slot[h & kHandleSlotMask].reset();
    s.wnds.Remove(h);
}

}  // namespace

WINEXPORT BOOL DestroyWindow(HWND hwnd) {
    auto w = Get(hwnd);
    if (!w || w->destroying) return FALSE;
    if (!OnUiThread()) return FALSE;
    auto& s = S();
    w->destroying = true;
    // Owned windows go first.
    std::vector<HWND> owned;
    for (HWND t : s.toplevels) {
        auto tw = Get(t);
        if (tw && tw->owner == hwnd) owned.push_back(t);
    }
    for (HWND o : owned) DestroyWindow(o);
    if (w->style & WS_VISIBLE)
        SetWindowPosCore(hwnd, 0, 0, 0, 0, 0,
                         SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    else {
        ReleaseFocusInside(hwnd);
        if (!w->parent) ActivateOther(hwnd);
    }
    if (s.capture && (s.capture == hwnd || IsChild(hwnd, s.capture))) ReleaseCapture();
    SendDestroy(hwnd);
    FreeWindow(hwnd);
    return TRUE;
}

WINEXPORT LRESULT CallWindowProcA(WNDPROC prev, HWND h, UINT m, WPARAM w, LPARAM l) {
    if (!prev) return 0;
    return prev(h, m, w, l);
}

WINEXPORT BOOL IsWindow(HWND h) { return Get(h) != nullptr; }
WINEXPORT BOOL IsWindowVisible(HWND h) {
    auto w = Get(h);
    if (!w) return FALSE;
    while (w) {
        if (!(w->style & WS_VISIBLE)) return FALSE;
        if (!w->parent) return TRUE;
        w = Get(w->parent);
    }
    return FALSE;
}
WINEXPORT BOOL IsWindowEnabled(HWND h) {
    auto w = Get(h);
    return w && !(w->style & WS_DISABLED);
}
WINEXPORT BOOL IsChild(HWND parent, HWND h) {
    auto w = Get(h);
    while (w && w->parent) {
        if (w->parent == parent) return TRUE;
        w = Get(w->parent);
    }
    return FALSE;
}
WINEXPORT BOOL IsIconic(HWND h) {
    auto w = Get(h);
    return w && (w->style & WS_MINIMIZE);
}
WINEXPORT BOOL IsZoomed(HWND h) {
    auto w = Get(h);
    return w && (w->style & WS_MAXIMIZE);
}

WINEXPORT LONG_PTR GetWindowLongPtrA(HWND h, int i) {
    auto w = Get(h);
    if (!w) {
        SetLastError(1400);
        return 0;
    }
    bool ok;
    return WindowWord(*w, i, &ok);
}

WINEXPORT LONG_PTR SetWindowLongPtrA(HWND h, int i, LONG_PTR v) {
    auto w = Get(h);
    if (!w) {
        SetLastError(1400);
        return 0;
    }
    bool ok;
    LONG_PTR old = WindowWord(*w, i, &ok);
    if (!ok) return 0;
    switch (i) {
        case GWL_WNDPROC: w->proc = reinterpret_cast<WNDPROC>(v); break;
        case GWL_HINSTANCE: w->inst = static_cast<HINSTANCE>(v); break;
        case GWL_HWNDPARENT:
            if (!w->parent) w->owner = static_cast<HWND>(v);
            break;
        case GWL_ID: w->id = static_cast<UINT_PTR>(v); break;
        case GWL_USERDATA: w->userdata = v; break;
        case GWL_STYLE:
        case GWL_EXSTYLE: {
            struct STYLESTRUCT {
                DWORD oldstyle, newstyle;
            } ss{static_cast<DWORD>(old), static_cast<DWORD>(v)};
            Call(h, WM_STYLECHANGING, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&ss));
            w = Get(h);
            if (!w) return 0;
            DWORD nv = ss.newstyle;
            if (i == GWL_STYLE) {
                // Visibility goes through ShowWindow; the flag alone is not changed here.
                DWORD vis = w->style & WS_VISIBLE;
                w->style = (nv & ~WS_VISIBLE) | vis;
                if ((nv & WS_VISIBLE) != vis) {
                    if (nv & WS_VISIBLE) w->style |= WS_VISIBLE;
                    else w->style &= ~WS_VISIBLE;
                    LayoutChanged();
                    if (w->parent) {
                        RECT r = w->rect;
                        ExposeInParent(*w, r);
                    }
                }
            } else {
                w->exstyle = nv;
            }
            Call(h, WM_STYLECHANGED, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&ss));
            break;
        }
        default: {
            size_t n = std::min(sizeof(LONG_PTR), w->extra.size() - static_cast<size_t>(i));
            if (n < sizeof(LONG_PTR)) {
                LONG l = static_cast<LONG>(v);
                std::memcpy(&w->extra[static_cast<size_t>(i)], &l, sizeof l);
            } else {
                std::memcpy(&w->extra[static_cast<size_t>(i)], &v, n);
            }
        }
    }
    return old;
}

WINEXPORT LONG GetWindowLongA(HWND h, int i) {
    if (i == GWL_WNDPROC) {
        SetLastError(ERROR_INVALID_PARAMETER);  // a procedure does not fit in 32 bits
        return 0;
    }
    auto w = Get(h);
    if (!w) {
        SetLastError(1400);
        return 0;
    }
    bool ok;
    if (i >= 0) {
        if (static_cast<size_t>(i) + sizeof(LONG) > w->extra.size()) {
            SetLastError(1413);
            return 0;
        }
        LONG v;
        std::memcpy(&v, &w->extra[static_cast<size_t>(i)], sizeof v);
        return v;
    }
    return static_cast<LONG>(WindowWord(*w, i, &ok));
}

WINEXPORT LONG SetWindowLongA(HWND h, int i, LONG v) {
    if (i == GWL_WNDPROC) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto w = Get(h);
    if (!w) {
        SetLastError(1400);
        return 0;
    }
    if (i >= 0) {
        if (static_cast<size_t>(i) + sizeof(LONG) > w->extra.size()) {
            SetLastError(1413);
            return 0;
        }
        LONG old;
        std::memcpy(&old, &w->extra[static_cast<size_t>(i)], sizeof old);
        std::memcpy(&w->extra[static_cast<size_t>(i)], &v, sizeof v);
        return old;
    }
    LONG_PTR nv = v;
    if (i == GWL_STYLE || i == GWL_EXSTYLE) nv = static_cast<LONG_PTR>(static_cast<DWORD>(v));
    return static_cast<LONG>(SetWindowLongPtrA(h, i, nv));
}

WINEXPORT HWND GetParent(HWND h) {
    auto w = Get(h);
    if (!w) return 0;
    if (w->style & WS_CHILD) return w->parent;
    return (w->style & WS_POPUP) ? w->owner : 0;
}

WINEXPORT HWND GetAncestor(HWND h, UINT flags) {
    auto w = Get(h);
    if (!w) return 0;
    switch (flags) {
        case GA_PARENT: return w->parent;
        case GA_ROOT: return Root(h);
        case GA_ROOTOWNER: {
            HWND r = Root(h);
            auto rw = Get(r);
            while (rw && rw->owner) {
                r = rw->owner;
                rw = Get(r);
            }
            return r;
        }
        default: return 0;
    }
}

WINEXPORT HWND SetParent(HWND child, HWND np) {
    auto w = Get(child);
    if (!w || (np && !Get(np)) || child == np || (np && IsChild(child, np))) return 0;
    HWND old = w->parent;
    if (!(w->style & WS_CHILD) || !np) return 0;  // only children move between parents
    if (w->style & WS_VISIBLE) ExposeInParent(*w, w->rect);
    Unlink(*w);
    w->parent = np;
    w->parent_ptr = Get(np).get();
    Link(*w, HWND_TOP);
    if (w->style & WS_VISIBLE) InvalidateAll(child);
    return old;
}

WINEXPORT HWND GetWindow(HWND h, UINT cmd) {
    auto w = Get(h);
    if (!w) return 0;
    if (cmd == GW_CHILD) return w->children.empty() ? 0 : w->children.front();
    if (cmd == GW_OWNER) return w->owner;
    auto& v = Siblings(*w);
    auto it = std::find(v.begin(), v.end(), h);
    if (it == v.end()) return 0;
    switch (cmd) {
        case GW_HWNDFIRST: return v.front();
        case GW_HWNDLAST: return v.back();
        case GW_HWNDNEXT: return (it + 1) == v.end() ? 0 : *(it + 1);
        case GW_HWNDPREV: return it == v.begin() ? 0 : *(it - 1);
        default: return 0;
    }
}

WINEXPORT HWND GetTopWindow(HWND h) {
    if (!h) return S().toplevels.empty() ? 0 : S().toplevels.front();
    return GetWindow(h, GW_CHILD);
}

WINEXPORT HWND GetDesktopWindow(void) { return 0; }

WINEXPORT HWND GetDlgItem(HWND dlg, int id) {
    auto w = Get(dlg);
    if (!w) return 0;
    for (HWND c : w->children) {
        auto cw = Get(c);
        if (cw && static_cast<int>(cw->id) == id) return c;
    }
    return 0;
}

WINEXPORT int GetDlgCtrlID(HWND h) {
    auto w = Get(h);
    return (w && (w->style & WS_CHILD)) ? static_cast<int>(w->id) : 0;
}

WINEXPORT HWND FindWindowA(LPCSTR cls, LPCSTR title) {
    for (HWND h : S().toplevels) {
        auto w = Get(h);
        if (!w) continue;
        if (cls && !IS_INTRESOURCE(cls) && lstrcmpiA(cls, w->cls->name.c_str()) != 0) continue;
        if (cls && IS_INTRESOURCE(cls) && static_cast<ATOM>(reinterpret_cast<uintptr_t>(cls)) != w->cls->atom) continue;
        if (title && w->text != title) continue;
        return h;
    }
    return 0;
}

WINEXPORT BOOL EnumWindows(WNDENUMPROC fn, LPARAM l) {
    if (!fn) return FALSE;
    std::vector<HWND> list = S().toplevels;
    for (HWND h : list)
        if (IsWindow(h) && !fn(h, l)) return FALSE;
    return TRUE;
}

namespace {
bool EnumChildren(HWND p, WNDENUMPROC fn, LPARAM l) {
    auto w = Get(p);
    if (!w) return true;
    std::vector<HWND> kids = w->children;
    for (HWND c : kids) {
        if (!IsWindow(c)) continue;
        if (!fn(c, l)) return false;
        if (!EnumChildren(c, fn, l)) return false;
    }
    return true;
}
}  // namespace

WINEXPORT BOOL EnumChildWindows(HWND p, WNDENUMPROC fn, LPARAM l) {
    if (!fn || !Get(p)) return FALSE;
    return EnumChildren(p, fn, l);
}

WINEXPORT BOOL SetWindowTextA(HWND h, LPCSTR s) {
    if (!Get(h)) return FALSE;
    return SendMessageA(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(s ? s : "")) != 0;
}

WINEXPORT int GetWindowTextA(HWND h, LPSTR out, int n) {
    if (!out || n <= 0) return 0;
    out[0] = 0;
    if (!Get(h)) return 0;
    return static_cast<int>(SendMessageA(h, WM_GETTEXT, static_cast<WPARAM>(n), reinterpret_cast<LPARAM>(out)));
}

WINEXPORT int GetWindowTextLengthA(HWND h) {
    if (!Get(h)) return 0;
    return static_cast<int>(SendMessageA(h, WM_GETTEXTLENGTH, 0, 0));
}

WINEXPORT BOOL SetPropA(HWND h, LPCSTR name, HANDLE data) {
    auto w = Get(h);
    if (!w || !name) return FALSE;
    std::string key = IS_INTRESOURCE(name) ? "#" + std::to_string(reinterpret_cast<uintptr_t>(name)) : name;
    w->props[key] = data;
    return TRUE;
}
WINEXPORT HANDLE GetPropA(HWND h, LPCSTR name) {
    auto w = Get(h);
    if (!w || !name) return 0;
    std::string key = IS_INTRESOURCE(name) ? "#" + std::to_string(reinterpret_cast<uintptr_t>(name)) : name;
    auto it = w->props.find(key);
    return it == w->props.end() ? 0 : it->second;
}
WINEXPORT HANDLE RemovePropA(HWND h, LPCSTR name) {
    auto w = Get(h);
    if (!w || !name) return 0;
    std::string key = IS_INTRESOURCE(name) ? "#" + std::to_string(reinterpret_cast<uintptr_t>(name)) : name;
    auto it = w->props.find(key);
    if (it == w->props.end()) return 0;
    HANDLE v = it->second;
    w->props.erase(it);
    return v;
}

WINEXPORT DWORD GetWindowThreadProcessId(HWND h, LPDWORD pid) {
    if (!Get(h)) return 0;
    if (pid) *pid = GetCurrentProcessId();
    return GetCurrentThreadId();
}

// ---- geometry ----------------------------------------------------------------------

WINEXPORT BOOL GetWindowRect(HWND h, LPRECT r) {
    auto w = Get(h);
    if (!w || !r) return FALSE;
    *r = WindowRectScreen(*w);
    return TRUE;
}

WINEXPORT BOOL GetClientRect(HWND h, LPRECT r) {
    auto w = Get(h);
    if (!w || !r) return FALSE;
    *r = RECT{0, 0, w->client.right - w->client.left, w->client.bottom - w->client.top};
    return TRUE;
}

WINEXPORT BOOL ClientToScreen(HWND h, LPPOINT p) {
    auto w = Get(h);
    if (!w || !p) return FALSE;
    POINT o = ClientOriginScreen(*w);
    p->x += o.x;
    p->y += o.y;
    return TRUE;
}

WINEXPORT BOOL ScreenToClient(HWND h, LPPOINT p) {
    auto w = Get(h);
    if (!w || !p) return FALSE;
    POINT o = ClientOriginScreen(*w);
    p->x -= o.x;
    p->y -= o.y;
    return TRUE;
}

WINEXPORT int MapWindowPoints(HWND from, HWND to, LPPOINT pts, UINT n) {
    POINT a{0, 0}, b{0, 0};
    if (from) {
        auto w = Get(from);
        if (!w) return 0;
        a = ClientOriginScreen(*w);
    }
    if (to) {
        auto w = Get(to);
        if (!w) return 0;
        b = ClientOriginScreen(*w);
    }
    int dx = a.x - b.x, dy = a.y - b.y;
    for (UINT i = 0; pts && i < n; ++i) {
        pts[i].x += dx;
        pts[i].y += dy;
    }
    return MAKELONG(static_cast<WORD>(static_cast<SHORT>(dx)), static_cast<WORD>(static_cast<SHORT>(dy)));
}

WINEXPORT BOOL SetWindowPos(HWND h, HWND after, int x, int y, int cx, int cy, UINT flags) {
    if (!Get(h)) return FALSE;
    return SetWindowPosCore(h, after, x, y, cx, cy, flags);
}

WINEXPORT BOOL MoveWindow(HWND h, int x, int y, int w, int ht, BOOL repaint) {
    return SetWindowPos(h, 0, x, y, w, ht, SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

WINEXPORT BOOL BringWindowToTop(HWND h) {
    return SetWindowPos(h, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

WINEXPORT BOOL ShowWindow(HWND h, int cmd) {
    auto w = Get(h);
    if (!w) return FALSE;
    bool was = (w->style & WS_VISIBLE) != 0;
    bool child = (w->style & WS_CHILD) != 0;
    UINT noact = child ? SWP_NOACTIVATE : 0;
    auto size_msg = [&](int type) {
        auto ww = Get(h);
        if (!ww) return;
        int cw = type == SIZE_MINIMIZED ? 0 : ww->client.right - ww->client.left;
        int ch = type == SIZE_MINIMIZED ? 0 : ww->client.bottom - ww->client.top;
        Call(h, WM_SIZE, static_cast<WPARAM>(type), MAKELPARAM(cw, ch));
    };
    switch (cmd) {
        case SW_HIDE:
            if (!was) return FALSE;
            Call(h, WM_SHOWWINDOW, FALSE, 0);
            SetWindowPosCore(h, 0, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            return was;
        case SW_SHOWMINIMIZED:
        case SW_MINIMIZE:
        case SW_SHOWMINNOACTIVE: {
            if (!(w->style & WS_MINIMIZE)) {
                if (!(w->style & WS_MAXIMIZE)) w->normal = w->rect;
                w->style |= WS_MINIMIZE;
                w->style &= ~WS_MAXIMIZE;
                if (!was) Call(h, WM_SHOWWINDOW, TRUE, 0);
                SetWindowPosCore(h, 0, 0, 0, 0, 0, SWP_SHOWWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
                size_msg(SIZE_MINIMIZED);
                if (!child && backend::Exists()) backend::Current().ShowWindow(h, false, false);
            }
            if (!child && cmd == SW_MINIMIZE) ActivateOther(h);
            else if (!child && cmd == SW_SHOWMINIMIZED) Activate(h, WA_ACTIVE);
            return was;
        }
        case SW_SHOWMAXIMIZED: {
            if (!(w->style & WS_MAXIMIZE)) {
                if (!(w->style & WS_MINIMIZE)) w->normal = w->rect;
                w->style |= WS_MAXIMIZE;
                w->style &= ~WS_MINIMIZE;
                RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
                if (child) {
                    auto p = Get(w->parent);
                    if (p) area = RECT{0, 0, p->client.right - p->client.left, p->client.bottom - p->client.top};
                }
                if (!was) Call(h, WM_SHOWWINDOW, TRUE, 0);
                SetWindowPosCore(h, HWND_TOP, area.left, area.top, area.right - area.left, area.bottom - area.top,
                                 SWP_SHOWWINDOW | SWP_FRAMECHANGED | noact);
                size_msg(SIZE_MAXIMIZED);
                if (!child && backend::Exists()) backend::Current().ShowWindow(h, true, true);
            } else if (!was) {
                Call(h, WM_SHOWWINDOW, TRUE, 0);
                SetWindowPosCore(h, HWND_TOP, 0, 0, 0, 0, SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | noact);
            }
            return was;
        }
        case SW_SHOWNORMAL:
        case SW_RESTORE:
        case SW_SHOWDEFAULT: {
            if (w->style & (WS_MINIMIZE | WS_MAXIMIZE)) {
                bool was_min = (w->style & WS_MINIMIZE) != 0;
                w->style &= ~(WS_MINIMIZE | WS_MAXIMIZE);
                RECT n = w->normal;
                if (!was) Call(h, WM_SHOWWINDOW, TRUE, 0);
                SetWindowPosCore(h, HWND_TOP, n.left, n.top, n.right - n.left, n.bottom - n.top,
                                 SWP_SHOWWINDOW | SWP_FRAMECHANGED | noact);
                if (was_min) InvalidateAll(h);
                size_msg(SIZE_RESTORED);
                if (!child && backend::Exists()) backend::Current().ShowWindow(h, true, true);
                if (!child) Activate(h, WA_ACTIVE);
                return was;
            }
            [[fallthrough]];
        }
        case SW_SHOW:
        case SW_SHOWNA:
        case SW_SHOWNOACTIVATE: {
            bool activate = cmd != SW_SHOWNA && cmd != SW_SHOWNOACTIVATE && !child;
            if (!was) {
                Call(h, WM_SHOWWINDOW, TRUE, 0);
                SetWindowPosCore(h, activate ? HWND_TOP : 0, 0, 0, 0, 0,
                                 SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | (activate ? 0 : SWP_NOZORDER | SWP_NOACTIVATE));
            } else if (activate) {
                Activate(h, WA_ACTIVE);
            }
            return was;
        }
        default: return was;
    }
}

WINEXPORT BOOL EnableWindow(HWND h, BOOL enable) {
    auto w = Get(h);
    if (!w) return FALSE;
    BOOL was_disabled = (w->style & WS_DISABLED) != 0;
    if (enable && was_disabled) {
        w->style &= ~WS_DISABLED;
        Call(h, WM_ENABLE, TRUE, 0);
    } else if (!enable && !was_disabled) {
        w->style |= WS_DISABLED;
        Call(h, WM_CANCELMODE, 0, 0);
        if (S().capture == h) ReleaseCapture();
        ReleaseFocusInside(h);
        Call(h, WM_ENABLE, FALSE, 0);
    }
    return was_disabled;
}

WINEXPORT int SetWindowRgn(HWND h, HRGN rgn, BOOL redraw) {
    auto w = Get(h);
    if (!w) return 0;
    cairo_region_t* shape = nullptr;
    if (rgn) {
        auto r = gdi::GetRegion(rgn);
        if (!r) return 0;
        shape = cairo_region_copy(r->rgn);
        DeleteObject(rgn);  // the window owns the region now
    }
    if (w->parent && (w->style & WS_VISIBLE)) ExposeInParent(*w, w->rect);
    if (w->shape) cairo_region_destroy(w->shape);
    w->shape = shape;
    if (!w->parent && backend::Exists()) {
        // The backend gets an A8 mask of the shape.
        int ww = w->rect.right - w->rect.left, wh = w->rect.bottom - w->rect.top;
        if (shape && ww > 0 && wh > 0) {
            cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, ww, wh);
            cairo_t* cr = cairo_create(mask);
            int n = cairo_region_num_rectangles(shape);
            for (int i = 0; i < n; ++i) {
                cairo_rectangle_int_t rc;
                cairo_region_get_rectangle(shape, i, &rc);
                cairo_rectangle(cr, rc.x, rc.y, rc.width, rc.height);
            }
            cairo_fill(cr);
            cairo_destroy(cr);
            backend::Current().SetShape(h, mask);
            cairo_surface_destroy(mask);
        } else {
            backend::Current().SetShape(h, nullptr);
        }
    }
    if (redraw && (w->style & WS_VISIBLE)) InvalidateAll(h);
    return 1;
}

WINEXPORT int GetWindowRgn(HWND h, HRGN rgn) {
    auto w = Get(h);
    auto r = gdi::GetRegion(rgn);
    if (!w || !r || !w->shape) return ERROR;
    cairo_region_destroy(r->rgn);
    r->rgn = cairo_region_copy(w->shape);
    int n = cairo_region_num_rectangles(r->rgn);
    return n == 0 ? NULLREGION : (n == 1 ? SIMPLEREGION : COMPLEXREGION);
}

WINEXPORT HWND WindowFromPoint(POINT pt) {
    int hit = 0;
    return HitWindow(pt, &hit);
}

WINEXPORT HWND ChildWindowFromPoint(HWND parent, POINT pt) {
    auto w = Get(parent);
    if (!w) return 0;
    int cw = w->client.right - w->client.left, ch = w->client.bottom - w->client.top;
    if (pt.x < 0 || pt.y < 0 || pt.x >= cw || pt.y >= ch) return 0;
    for (HWND c : w->children) {
        auto cwnd = Get(c);
        if (!cwnd) continue;
        if (pt.x >= cwnd->rect.left && pt.x < cwnd->rect.right && pt.y >= cwnd->rect.top && pt.y < cwnd->rect.bottom)
            return c;
    }
    return parent;
}
