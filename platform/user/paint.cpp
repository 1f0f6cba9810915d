// Invalid regions, WM_PAINT, window DCs and the visible region of a window
// inside its top-level surface.
//
// Sibling windows above a window always clip it (as if every window had
// WS_CLIPSIBLINGS): painting order then never decides which sibling shows.
// Children clip their parent only with WS_CLIPCHILDREN, as on Windows, and an
// invalidated parent without it invalidates the children it covers, so they
// paint again after it.
#include <algorithm>
#include <cstring>

#include "platform/backend/backend.h"
#include "platform/gdi/gdi_internal.h"
#include "platform/user/user_internal.h"

namespace platform::user {

namespace {

cairo_rectangle_int_t Cr(const RECT& r) {
    return cairo_rectangle_int_t{r.left, r.top, std::max<int>(0, r.right - r.left), std::max<int>(0, r.bottom - r.top)};
}

// The window's own area (window or client rectangle, and its shape) in
// top-level coordinates.
cairo_region_t* OwnArea(const Wnd& w, bool client) {
    POINT o = OriginInTop(w);
    RECT wr{o.x, o.y, o.x + (w.rect.right - w.rect.left), o.y + (w.rect.bottom - w.rect.top)};
    cairo_rectangle_int_t r = Cr(wr);
    cairo_region_t* rg = cairo_region_create_rectangle(&r);
    if (w.shape) {
        cairo_region_t* sh = cairo_region_copy(w.shape);
        cairo_region_translate(sh, o.x, o.y);
        cairo_region_intersect(rg, sh);
        cairo_region_destroy(sh);
    }
    if (client) {
        POINT c = ClientOriginInTop(w);
        RECT cr{c.x, c.y, c.x + (w.client.right - w.client.left), c.y + (w.client.bottom - w.client.top)};
        cairo_rectangle_int_t crr = Cr(cr);
        cairo_region_intersect_rectangle(rg, &crr);
    }
    return rg;
}

void SubtractSiblingsAbove(cairo_region_t* rg, const Wnd& w) {
    const Wnd* p = w.parent_ptr;
    if (!w.parent || !p) return;
    // Siblings share the parent's coordinates: a rectangle test rejects most.
    for (const Wnd* s : p->kid_ptrs) {
        if (s == &w) break;
        if (!s || !(s->style & WS_VISIBLE)) continue;
        if (s->rect.left >= w.rect.right || s->rect.right <= w.rect.left || s->rect.top >= w.rect.bottom ||
            s->rect.bottom <= w.rect.top)
            continue;
        cairo_region_t* a = OwnArea(*s, false);
        cairo_region_subtract(rg, a);
        cairo_region_destroy(a);
    }
}

}  // namespace

namespace {

// Whether a visible sibling above overlaps a window, remembered until a
// window moves, is sized, shown, hidden or restacked: asking it afresh for
// each of n siblings tested n*n/2 pairs on every repaint of them.
bool OverlapsAbove(const Wnd& x) {
    const Wnd* p = x.parent_ptr;
    if (!x.parent || !p) return false;
    uint64_t epoch = S().layout_epoch;
    if (x.above_epoch == epoch) return x.above_overlap;
    bool hit = false;
    for (const Wnd* s : p->kid_ptrs) {
        if (s == &x) break;
        if (s && (s->style & WS_VISIBLE) && s->rect.left < x.rect.right && s->rect.right > x.rect.left &&
            s->rect.top < x.rect.bottom && s->rect.bottom > x.rect.top) {
            hit = true;
            break;
        }
    }
    x.above_overlap = hit;
    x.above_epoch = epoch;
    return hit;
}

// The common case: no window regions on the way up and no sibling above that
// overlaps. Then the visible part is one rectangle, found without building
// regions; false sends the caller to the general path.
bool VisibleRect(const Wnd& w, bool client, cairo_rectangle_int_t* out) {
    if (w.shape) return false;
    if (OverlapsAbove(w)) return false;
    POINT o = client ? ClientOriginInTop(w) : OriginInTop(w);
    const RECT& own = client ? w.client : w.rect;
    RECT r{o.x, o.y, o.x + (own.right - own.left), o.y + (own.bottom - own.top)};
    for (const Wnd* a = w.parent ? w.parent_ptr : nullptr; a; a = a->parent ? a->parent_ptr : nullptr) {
        if (a->shape || OverlapsAbove(*a)) return false;
        POINT c = ClientOriginInTop(*a);
        RECT ar{c.x, c.y, c.x + (a->client.right - a->client.left), c.y + (a->client.bottom - a->client.top)};
        r.left = std::max(r.left, ar.left);
        r.top = std::max(r.top, ar.top);
        r.right = std::min(r.right, ar.right);
        r.bottom = std::min(r.bottom, ar.bottom);
    }
    *out = Cr(r);
    return true;
}

}  // namespace

cairo_region_t* VisibleRegion(const Wnd& w, bool client, bool clip_children) {
    if (!IsVisibleChain(w.hwnd)) return cairo_region_create();
    cairo_rectangle_int_t fast;
    if ((!clip_children || w.kid_ptrs.empty()) && VisibleRect(w, client, &fast))
        return cairo_region_create_rectangle(&fast);
    cairo_region_t* rg = OwnArea(w, client);
    SubtractSiblingsAbove(rg, w);
    for (const Wnd* a = w.parent ? w.parent_ptr : nullptr; a; a = a->parent ? a->parent_ptr : nullptr) {
        cairo_region_t* ca = OwnArea(*a, true);
        cairo_region_intersect(rg, ca);
        cairo_region_destroy(ca);
        SubtractSiblingsAbove(rg, *a);
    }
    if (clip_children) {
        for (const Wnd* cw : w.kid_ptrs) {
            if (!cw || !(cw->style & WS_VISIBLE)) continue;
            cairo_region_t* a = OwnArea(*cw, false);
            cairo_region_subtract(rg, a);
            cairo_region_destroy(a);
        }
    }
    return rg;
}

void MarkPresent(HWND h) {
    Wnd* t = Raw(Root(h));
    if (t) t->present_dirty = true;
}

void InvalidateWindow(HWND h, const RECT* rect, bool erase, bool children, bool frame) {
    auto w = Get(h);
    if (!w) return;
    if (frame) w->nc_dirty = true;
    int cw = w->client.right - w->client.left, ch = w->client.bottom - w->client.top;
    RECT r{0, 0, cw, ch};
    if (rect) IntersectRect(&r, &r, rect);
    if (r.right > r.left && r.bottom > r.top) {
        cairo_rectangle_int_t cr = Cr(r);
        cairo_region_union_rectangle(w->update, &cr);
        if (erase) w->erase = true;
    }
    if (!children) return;
    // Children covered by the rectangle, in their own client coordinates.
    RECT area = rect ? *rect : RECT{0, 0, cw, ch};
    for (HWND c : w->children) {
        auto k = Get(c);
        if (!k || !(k->style & WS_VISIBLE)) continue;
        RECT kr;
        if (!IntersectRect(&kr, &area, &k->rect)) continue;
        bool touches_frame = kr.left < k->client.left || kr.top < k->client.top || kr.right > k->client.right ||
                             kr.bottom > k->client.bottom;
        OffsetRect(&kr, -k->client.left, -k->client.top);
        InvalidateWindow(c, &kr, erase, !(k->style & WS_CLIPCHILDREN), touches_frame);
    }
}

void InvalidateAll(HWND h) {
    auto w = Get(h);
    if (!w) return;
    w->nc_dirty = true;
    InvalidateWindow(h, nullptr, true, true, true);
    for (HWND c : w->children) InvalidateAll(c);
}

void ExposeInParent(const Wnd& w, const RECT& r) {
    auto p = Get(w.parent);
    if (!p) return;
    // The parent and every sibling that showed under the vacated rectangle.
    InvalidateWindow(w.parent, &r, true, false, false);
    for (HWND s : p->children) {
        if (s == w.hwnd) continue;
        auto sw = Get(s);
        if (!sw || !(sw->style & WS_VISIBLE)) continue;
        RECT kr;
        if (!IntersectRect(&kr, &r, &sw->rect)) continue;
        OffsetRect(&kr, -sw->client.left, -sw->client.top);
        InvalidateWindow(s, &kr, true, true, true);
    }
}

bool NeedsPaint(const Wnd& w) {
    return (w.style & WS_VISIBLE) &&
           (w.nc_dirty || w.internal_paint || (w.update && cairo_region_num_rectangles(w.update) > 0));
}

namespace {

// Walks the child pointers rather than looking each handle up: the search
// runs once per WM_PAINT, and a repaint of many windows runs it many times.
const Wnd* FindIn(const Wnd* w) {
    if (!w || !(w->style & WS_VISIBLE) || (!w->parent && (w->style & WS_MINIMIZE))) return nullptr;
    if (NeedsPaint(*w)) return w;
    // Children paint bottom first so upper siblings finish on top.
    for (auto it = w->kid_ptrs.rbegin(); it != w->kid_ptrs.rend(); ++it)
        if (const Wnd* f = FindIn(*it)) return f;
    return nullptr;
}

}  // namespace

HWND FindPaintWindow(HWND filter) {
    if (filter) {
        const Wnd* f = FindIn(Raw(filter));
        return f ? f->hwnd : 0;
    }
    for (auto it = S().toplevels.rbegin(); it != S().toplevels.rend(); ++it)
        if (const Wnd* f = FindIn(Raw(*it))) return f->hwnd;
    return 0;
}

void ResizeSurface(Wnd& w) {
    int cw = std::clamp<int>(w.rect.right - w.rect.left, 1, 16384);
    int ch = std::clamp<int>(w.rect.bottom - w.rect.top, 1, 16384);
    if (w.surface && cairo_image_surface_get_width(w.surface) == cw && cairo_image_surface_get_height(w.surface) == ch)
        return;
    cairo_surface_t* ns = cairo_image_surface_create(CAIRO_FORMAT_RGB24, cw, ch);
    if (w.surface) {
        cairo_t* cr = cairo_create(ns);
        cairo_set_source_surface(cr, w.surface, 0, 0);
        cairo_paint(cr);
        cairo_destroy(cr);
        cairo_surface_destroy(w.surface);
    }
    w.surface = ns;
    w.present_dirty = true;
}

void PresentDirty() {
    if (!backend::Exists()) return;
    auto& b = backend::Current();
    for (HWND h : S().toplevels) {
        auto w = Get(h);
        if (!w || !w->present_dirty || !w->surface) continue;
        w->present_dirty = false;
        if (!(w->style & WS_VISIBLE) || (w->style & WS_MINIMIZE)) continue;
        cairo_surface_flush(w->surface);
        b.Present(h, w->surface);
    }
}

void ApplyPendingInvalidations() {
    auto& s = S();
    std::vector<State::PendingInvalidate> list;
    {
        std::lock_guard<std::mutex> lock(s.qmu);
        list.swap(s.pending);
    }
    for (auto& p : list) InvalidateRect(p.hwnd, p.whole ? nullptr : &p.rect, p.erase);
}

namespace {

// A DC on part of a window: the visible region, narrowed by an extra region in
// window-client coordinates when given.
HDC MakeDc(HWND h, bool client, cairo_region_t* limit_client) {
    Wnd* w = Raw(h);
    if (!w) return 0;
    Wnd* top = Raw(Root(h));
    if (!top || !top->surface) return 0;
    bool clip_children = client ? (w->style & WS_CLIPCHILDREN) != 0 : false;
    cairo_region_t* vis = VisibleRegion(*w, client, clip_children);
    POINT o = client ? ClientOriginInTop(*w) : OriginInTop(*w);
    if (limit_client) {
        cairo_region_t* l = cairo_region_copy(limit_client);
        POINT c = ClientOriginInTop(*w);
        cairo_region_translate(l, c.x, c.y);
        cairo_region_intersect(vis, l);
        cairo_region_destroy(l);
    }
    HDC dc = gdi::CreateWindowDc(h, top->surface, o, vis);
    return dc;
}

}  // namespace

}  // namespace platform::user

using namespace platform;
using namespace platform::user;

WINEXPORT BOOL InvalidateRect(HWND h, const RECT* r, BOOL erase) {
    auto& s = S();
    if (!OnUiThread()) {
        if (h && !IsWindow(h)) return FALSE;
        {
            std::lock_guard<std::mutex> lock(s.qmu);
            s.pending.push_back({h, r == nullptr, r ? *r : RECT{}, erase != 0});
        }
        if (backend::Exists()) backend::Current().Wake();
        return TRUE;
    }
    if (!h) {
        for (HWND t : std::vector<HWND>(s.toplevels)) InvalidateAll(t);
        return TRUE;
    }
    auto w = Get(h);
    if (!w) return FALSE;
    InvalidateWindow(h, r, erase != 0, !(w->style & WS_CLIPCHILDREN), false);
    return TRUE;
}

WINEXPORT BOOL InvalidateRgn(HWND h, HRGN rgn, BOOL erase) {
    if (!rgn) return InvalidateRect(h, nullptr, erase);
    auto r = gdi::GetRegion(rgn);
    auto w = Get(h);
    if (!r || !w || !OnUiThread()) return FALSE;
    int n = cairo_region_num_rectangles(r->rgn);
    for (int i = 0; i < n; ++i) {
        cairo_rectangle_int_t c;
        cairo_region_get_rectangle(r->rgn, i, &c);
        RECT rc{c.x, c.y, c.x + c.width, c.y + c.height};
        InvalidateRect(h, &rc, erase);
    }
    return TRUE;
}

WINEXPORT BOOL ValidateRect(HWND h, const RECT* r) {
    auto w = Get(h);
    if (!w || !OnUiThread()) return FALSE;
    if (!r) {
        cairo_region_destroy(w->update);
        w->update = cairo_region_create();
        w->erase = false;
        w->internal_paint = false;
        return TRUE;
    }
    RECT n = *r;
    if (n.left > n.right) std::swap(n.left, n.right);
    if (n.top > n.bottom) std::swap(n.top, n.bottom);
    cairo_rectangle_int_t c{n.left, n.top, n.right - n.left, n.bottom - n.top};
    cairo_region_subtract_rectangle(w->update, &c);
    return TRUE;
}

WINEXPORT BOOL ValidateRgn(HWND h, HRGN rgn) {
    if (!rgn) return ValidateRect(h, nullptr);
    auto w = Get(h);
    auto r = gdi::GetRegion(rgn);
    if (!w || !r) return FALSE;
    cairo_region_subtract(w->update, r->rgn);
    return TRUE;
}

WINEXPORT BOOL GetUpdateRect(HWND h, LPRECT r, BOOL) {
    auto w = Get(h);
    if (!w) return FALSE;
    cairo_rectangle_int_t e;
    cairo_region_get_extents(w->update, &e);
    bool any = cairo_region_num_rectangles(w->update) > 0;
    if (r) *r = any ? RECT{e.x, e.y, e.x + e.width, e.y + e.height} : RECT{0, 0, 0, 0};
    return any;
}

WINEXPORT int GetUpdateRgn(HWND h, HRGN rgn, BOOL) {
    auto w = Get(h);
    auto r = gdi::GetRegion(rgn);
    if (!w || !r) return ERROR;
    cairo_region_destroy(r->rgn);
    r->rgn = cairo_region_copy(w->update);
    int n = cairo_region_num_rectangles(r->rgn);
    return n == 0 ? NULLREGION : (n == 1 ? SIMPLEREGION : COMPLEXREGION);
}

namespace {
void UpdateTree(HWND h) {
    auto w = Get(h);
    if (!w || !(w->style & WS_VISIBLE)) return;
    if (NeedsPaint(*w)) {
        if (w->nc_dirty && !w->internal_paint && cairo_region_num_rectangles(w->update) == 0) {
            w->nc_dirty = false;
            Call(h, WM_NCPAINT, 1, 0);
        } else {
            Call(h, WM_PAINT, 0, 0);
        }
    }
    w = Get(h);
    if (!w) return;
    std::vector<HWND> kids(w->children.rbegin(), w->children.rend());
    for (HWND c : kids) UpdateTree(c);
}
}  // namespace

WINEXPORT BOOL UpdateWindow(HWND h) {
    if (!Get(h)) return FALSE;
    UpdateTree(h);
    PresentDirty();
    return TRUE;
}

WINEXPORT BOOL RedrawWindow(HWND h, const RECT* r, HRGN rgn, UINT flags) {
    auto w = Get(h);
    if (!w) return FALSE;
    bool children = (flags & RDW_ALLCHILDREN) || (!(flags & RDW_NOCHILDREN) && !(w->style & WS_CLIPCHILDREN));
    if (flags & RDW_INVALIDATE) {
        if (rgn) {
            auto rg = gdi::GetRegion(rgn);
            if (rg) {
                int n = cairo_region_num_rectangles(rg->rgn);
                for (int i = 0; i < n; ++i) {
                    cairo_rectangle_int_t c;
                    cairo_region_get_rectangle(rg->rgn, i, &c);
                    RECT rc{c.x, c.y, c.x + c.width, c.y + c.height};
                    InvalidateWindow(h, &rc, flags & RDW_ERASE, children, flags & RDW_FRAME);
                }
            }
        } else {
            InvalidateWindow(h, r, flags & RDW_ERASE, children, flags & RDW_FRAME);
        }
        if ((flags & RDW_ALLCHILDREN) && !r && !rgn)
            for (HWND c : w->children) RedrawWindow(c, nullptr, 0, flags & ~RDW_UPDATENOW);
    }
    if (flags & RDW_INTERNALPAINT) w->internal_paint = true;
    if (flags & RDW_VALIDATE) ValidateRect(h, r);
    if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) UpdateWindow(h);
    return TRUE;
}

WINEXPORT HDC BeginPaint(HWND h, LPPAINTSTRUCT ps) {
    auto w = Get(h);
    if (!w || !ps) return 0;
    if (w->nc_dirty) {
        w->nc_dirty = false;
        Call(h, WM_NCPAINT, 1, 0);
        w = Get(h);
        if (!w) return 0;
    }
    cairo_region_t* upd = w->update;
    w->update = cairo_region_create();
    bool erase = w->erase;
    w->erase = false;
    w->internal_paint = false;
    int cw = w->client.right - w->client.left, ch = w->client.bottom - w->client.top;
    cairo_rectangle_int_t all{0, 0, cw, ch};
    cairo_region_intersect_rectangle(upd, &all);
    HDC dc = MakeDc(h, true, upd);
    cairo_rectangle_int_t e;
    cairo_region_get_extents(upd, &e);
    bool empty = cairo_region_num_rectangles(upd) == 0;
    cairo_region_destroy(upd);
    std::memset(ps, 0, sizeof *ps);
    ps->hdc = dc;
    ps->rcPaint = empty ? RECT{0, 0, 0, 0} : RECT{e.x, e.y, e.x + e.width, e.y + e.height};
    ps->fErase = FALSE;
    if (erase && dc) ps->fErase = Call(h, WM_ERASEBKGND, dc, 0) == 0;
    MarkPresent(h);
    return dc;
}

WINEXPORT BOOL EndPaint(HWND h, const PAINTSTRUCT* ps) {
    if (!ps) return FALSE;
    if (ps->hdc) gdi::Dcs().Remove(ps->hdc);
    MarkPresent(h);
    return TRUE;
}

WINEXPORT HDC GetDC(HWND h) {
    if (!h) {
        // The screen: a one-pixel surface, enough for measuring and compatible objects.
        static cairo_surface_t* screen = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1);
        return gdi::CreateWindowDc(0, screen, POINT{0, 0}, nullptr);
    }
    if (!Get(h)) return 0;
    MarkPresent(h);
    return MakeDc(h, true, nullptr);
}

WINEXPORT HDC GetWindowDC(HWND h) {
    if (!h) return GetDC(0);
    if (!Get(h)) return 0;
    MarkPresent(h);
    return MakeDc(h, false, nullptr);
}

WINEXPORT HDC GetDCEx(HWND h, HRGN clip, DWORD) {
    HDC dc = GetDC(h);
    if (dc && clip) ExtSelectClipRgn(dc, clip, RGN_AND);
    return dc;
}

WINEXPORT int ReleaseDC(HWND h, HDC dc) {
    auto d = gdi::Dcs().Get(dc);
    if (!d || d->kind == gdi::DcKind::Memory) return 0;
    if (h) MarkPresent(h);
    if (h && backend::Exists() && OnUiThread()) PresentDirty();
    if (!OnUiThread() && backend::Exists()) backend::Current().Wake();
    gdi::Dcs().Remove(dc);
    return 1;
}

WINEXPORT HWND WindowFromDC(HDC dc) {
    auto d = gdi::Dcs().Get(dc);
    return d ? d->hwnd : 0;
}
