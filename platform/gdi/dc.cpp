// Device contexts: state, clipping and the line and shape primitives.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <cwchar>

#include "platform/gdi/gdi_internal.h"
#include "win/user.h"

namespace platform::gdi {

namespace {

void ResetCr(DC& dc) {
    if (dc.cr) cairo_destroy(dc.cr);
    dc.cr = nullptr;
    dc.clip_dirty = true;
}

void SetTarget(DC& dc, cairo_surface_t* s) {
    if (dc.target) cairo_surface_destroy(dc.target);
    dc.target = s ? cairo_surface_reference(s) : nullptr;
    ResetCr(dc);
}

cairo_region_t* FullRegion(cairo_surface_t* s) {
    cairo_rectangle_int_t r{0, 0, 0, 0};
    if (s) {
        r.width = cairo_image_surface_get_width(s);
        r.height = cairo_image_surface_get_height(s);
    }
    return cairo_region_create_rectangle(&r);
}

void InitState(DC& dc) {
    static const HGDIOBJ pen = GetStockObject(BLACK_PEN), brush = GetStockObject(WHITE_BRUSH),
                         font = GetStockObject(SYSTEM_FONT), palette = GetStockObject(DEFAULT_PALETTE);
    dc.st.pen = pen;
    dc.st.brush = brush;
    dc.st.font = font;
    dc.st.palette = palette;
}

}  // namespace

HDC CreateWindowDc(uint32_t hwnd, cairo_surface_t* target, POINT origin, cairo_region_t* vis) {
    auto dc = std::make_shared<DC>();
    dc->kind = hwnd ? DcKind::Window : DcKind::Screen;
    dc->hwnd = hwnd;
    InitState(*dc);
    SetTarget(*dc, target);
    dc->origin = origin;
    dc->vis = vis;
    return Dcs().Add(dc);
}

void SetDcVisible(HDC hdc, cairo_surface_t* target, POINT origin, cairo_region_t* vis) {
    auto dc = Dcs().Get(hdc);
    if (!dc) {
        if (vis) cairo_region_destroy(vis);
        return;
    }
    if (dc->target != target) SetTarget(*dc, target);
    dc->origin = origin;
    if (dc->vis) cairo_region_destroy(dc->vis);
    dc->vis = vis;
    dc->clip_dirty = true;
}

cairo_region_t* EffectiveClip(DC& dc) {
    cairo_region_t* c = dc.vis ? cairo_region_copy(dc.vis) : FullRegion(dc.target);
    if (dc.st.clip) {
        cairo_region_t* u = cairo_region_copy(dc.st.clip);
        cairo_region_translate(u, dc.origin.x, dc.origin.y);
        cairo_region_intersect(c, u);
        cairo_region_destroy(u);
    }
    return c;
}

POINT ToTarget(const DC& dc, int x, int y) {
    return POINT{x - dc.st.window_org.x + dc.st.viewport_org.x + dc.origin.x,
                 y - dc.st.window_org.y + dc.st.viewport_org.y + dc.origin.y};
}

namespace {

// One cairo context per thread for the surface drawn on last: every window DC
// of a repaint draws on the same top-level surface, and creating a context per
// DC costs more than the drawing of a small window. The context holds a
// reference on its surface, so a cached surface is never another's address.
struct ContextCache {
    cairo_surface_t* surface = nullptr;
    cairo_t* cr = nullptr;
    const DC* owner = nullptr;  // whose clip is applied
    ~ContextCache() {
        if (cr) cairo_destroy(cr);
    }
};
thread_local ContextCache g_ctx;

}  // namespace

void ForgetContext(const DC* dc) {
    if (g_ctx.owner == dc) g_ctx.owner = nullptr;
}

cairo_t* Prepare(DC& dc) {
    if (!dc.target) return nullptr;
    if (dc.kind == DcKind::Memory) {
        auto bm = Bitmaps().Get(dc.bitmap);
        if (bm) bm->SyncFromBits();
    }
    if (g_ctx.surface != dc.target || !g_ctx.cr) {
        if (g_ctx.cr) cairo_destroy(g_ctx.cr);
        g_ctx.cr = cairo_create(dc.target);
        g_ctx.surface = dc.target;
        g_ctx.owner = nullptr;
    }
    cairo_t* cr = g_ctx.cr;
    if (g_ctx.owner != &dc || dc.clip_dirty) {
        cairo_identity_matrix(cr);
        cairo_reset_clip(cr);
        cairo_region_t* c = EffectiveClip(dc);
        int n = cairo_region_num_rectangles(c);
        cairo_new_path(cr);
        for (int i = 0; i < n; ++i) {
            cairo_rectangle_int_t r;
            cairo_region_get_rectangle(c, i, &r);
            cairo_rectangle(cr, r.x, r.y, r.width, r.height);
        }
        if (n == 0) cairo_rectangle(cr, 0, 0, 0, 0);
        cairo_clip(cr);
        cairo_region_destroy(c);
        dc.clip_dirty = false;
        g_ctx.owner = &dc;
    }
    cairo_new_path(cr);
    cairo_identity_matrix(cr);
    POINT o = ToTarget(dc, 0, 0);
    cairo_translate(cr, o.x, o.y);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    cairo_set_dash(cr, nullptr, 0, 0);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    cairo_set_line_width(cr, 1);
    return cr;
}

void Finish(DC& dc) {
    if (dc.kind != DcKind::Memory) return;
    auto bm = Bitmaps().Get(dc.bitmap);
    if (bm && bm->dib && !bm->direct) {
        cairo_surface_flush(bm->surface);
        bm->SyncToBits();
    }
    if (bm && bm->direct) cairo_surface_flush(bm->surface);
}

namespace {

bool PlainSurface(cairo_surface_t* s) {
    return s && cairo_surface_get_type(s) == CAIRO_SURFACE_TYPE_IMAGE &&
           cairo_image_surface_get_format(s) == CAIRO_FORMAT_RGB24 && cairo_surface_status(s) == CAIRO_STATUS_SUCCESS;
}

bool Intersect(cairo_rectangle_int_t* a, const cairo_rectangle_int_t& b) {
    int l = std::max(a->x, b.x), t = std::max(a->y, b.y);
    int r = std::min(a->x + a->width, b.x + b.width), btm = std::min(a->y + a->height, b.y + b.height);
    if (r <= l || btm <= t) return false;
    *a = cairo_rectangle_int_t{l, t, r - l, btm - t};
    return true;
}

// Writes into the DC's target pixels: fn(part) for each part of the target
// rectangle `area` that the surface and the DC's clip let through. Keeps a
// memory DC's separate DIB bits in step, as Prepare and Finish do.
template <class Fn>
void DirectWrite(DC& dc, cairo_rectangle_int_t area, Fn fn) {
    cairo_rectangle_int_t whole{0, 0, cairo_image_surface_get_width(dc.target),
                                cairo_image_surface_get_height(dc.target)};
    if (!Intersect(&area, whole)) return;
    if (dc.kind == DcKind::Memory) {
        auto bm = Bitmaps().Get(dc.bitmap);
        if (bm) bm->SyncFromBits();
    }
    cairo_surface_flush(dc.target);
    // Without an application clip the visible region serves as it is, uncopied.
    cairo_region_t* own = dc.st.clip ? EffectiveClip(dc) : nullptr;
    const cairo_region_t* clip = own ? own : dc.vis;
    if (!clip) {
        fn(area);
    } else {
        int n = cairo_region_num_rectangles(clip);
        for (int i = 0; i < n; ++i) {
            cairo_rectangle_int_t part;
            cairo_region_get_rectangle(clip, i, &part);
            if (Intersect(&part, area)) fn(part);
        }
    }
    if (own) cairo_region_destroy(own);
    cairo_surface_mark_dirty_rectangle(dc.target, area.x, area.y, area.width, area.height);
    Finish(dc);
}

}  // namespace

static_assert(sizeof(wchar_t) == sizeof(uint32_t), "FillSolid fills pixels as wchar_t");

bool FillSolid(DC& dc, int l, int t, int r, int b, COLORREF c) {
    if (!PlainSurface(dc.target) || r <= l || b <= t) return false;
    POINT o = ToTarget(dc, l, t);
    uint8_t* data = cairo_image_surface_get_data(dc.target);
    int stride = cairo_image_surface_get_stride(dc.target);
    uint32_t px = 0xFF000000u | ToPixel(c);  // cairo writes an opaque colour with a full top byte too
    DirectWrite(dc, cairo_rectangle_int_t{o.x, o.y, r - l, b - t}, [&](const cairo_rectangle_int_t& p) {
        for (int y = p.y; y < p.y + p.height; ++y) {
            // wmemset fills 32-bit units with the C library's vector code; a plain loop here stores one pixel at a time.
            auto* row = reinterpret_cast<wchar_t*>(data + static_cast<size_t>(y) * stride) + p.x;
            wmemset(row, static_cast<wchar_t>(px), static_cast<size_t>(p.width));
        }
    });
    return true;
}

bool CopyPixels(DC& dc, int x, int y, int w, int h, cairo_surface_t* src, int sx, int sy) {
    if (!PlainSurface(dc.target) || !PlainSurface(src) || src == dc.target || w <= 0 || h <= 0) return false;
    // Source pixels outside the source surface come out black through cairo: left to it.
    if (sx < 0 || sy < 0 || sx > cairo_image_surface_get_width(src) - w ||
        sy > cairo_image_surface_get_height(src) - h)
        return false;
    cairo_surface_flush(src);
    POINT o = ToTarget(dc, x, y);
    uint8_t* data = cairo_image_surface_get_data(dc.target);
    int stride = cairo_image_surface_get_stride(dc.target);
    const uint8_t* sdata = cairo_image_surface_get_data(src);
    int sstride = cairo_image_surface_get_stride(src);
    DirectWrite(dc, cairo_rectangle_int_t{o.x, o.y, w, h}, [&](const cairo_rectangle_int_t& p) {
        for (int yy = p.y; yy < p.y + p.height; ++yy) {
            const uint8_t* from = sdata + static_cast<size_t>(sy + yy - o.y) * sstride + size_t(sx + p.x - o.x) * 4;
            std::memcpy(data + static_cast<size_t>(yy) * stride + size_t(p.x) * 4, from, size_t(p.width) * 4);
        }
    });
    return true;
}

namespace {

// Sets the pen as the cairo source; false when the pen draws nothing.
bool UsePen(DC& dc, cairo_t* cr, int* width) {
    auto p = Pens().Get(dc.st.pen);
    if (!p || p->style == PS_NULL) return false;
    COLORREF c = p->color;
    static const HGDIOBJ dc_pen = GetStockObject(DC_PEN);
    if (dc.st.pen == dc_pen) c = dc.st.dc_pen;
    *width = p->width;
    if (dc.st.rop2 == R2_NOT || dc.st.rop2 == R2_XORPEN) {
        cairo_set_operator(cr, CAIRO_OPERATOR_DIFFERENCE);
        if (dc.st.rop2 == R2_NOT) c = RGB(255, 255, 255);
    } else if (dc.st.rop2 == R2_BLACK) {
        c = 0;
    } else if (dc.st.rop2 == R2_WHITE) {
        c = RGB(255, 255, 255);
    }
    SetSource(cr, c);
    cairo_set_line_width(cr, p->width);
    if (p->width == 1 && p->style >= PS_DASH && p->style <= PS_DASHDOTDOT) {
        static const double dash[] = {6, 2};
        static const double dot[] = {1, 1};
        static const double dashdot[] = {6, 2, 1, 2};
        static const double dashdotdot[] = {6, 2, 1, 2, 1, 2};
        switch (p->style) {
            case PS_DASH: cairo_set_dash(cr, dash, 2, 0); break;
            case PS_DOT: cairo_set_dash(cr, dot, 2, 0); break;
            case PS_DASHDOT: cairo_set_dash(cr, dashdot, 4, 0); break;
            default: cairo_set_dash(cr, dashdotdot, 6, 0); break;
        }
    }
    return true;
}

// Sets the brush as the cairo source; false for a null brush.
bool UseBrush(DC& dc, cairo_t* cr, HBRUSH h) {
    COLORREF c = 0;
    auto b = ResolveDcBrush(dc, h, &c);
    if (!b || b->style == BS_NULL) return false;
    if (b->style == BS_PATTERN && b->pattern) {
        cairo_pattern_t* pat = cairo_pattern_create_for_surface(b->pattern->surface);
        cairo_pattern_set_extend(pat, CAIRO_EXTEND_REPEAT);
        if (b->pattern->bpp == 1) {
            // Monochrome patterns take the text and background colours.
            cairo_pattern_destroy(pat);
            SetSource(cr, dc.st.text_color);
            return true;
        }
        cairo_matrix_t m;
        cairo_matrix_init_translate(&m, -dc.st.brush_org.x, -dc.st.brush_org.y);
        cairo_pattern_set_matrix(pat, &m);
        cairo_set_source(cr, pat);
        cairo_pattern_destroy(pat);
        return true;
    }
    if (b->style == BS_HATCHED) {
        cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 8, 8);
        cairo_t* c2 = cairo_create(s);
        if (dc.st.bk_mode == OPAQUE) {
            SetSource(c2, dc.st.bk_color);
            cairo_paint(c2);
        }
        SetSource(c2, c);
        cairo_set_antialias(c2, CAIRO_ANTIALIAS_NONE);
        for (int i = 0; i < 8; ++i) {
            switch (b->hatch) {
                case HS_HORIZONTAL: cairo_rectangle(c2, i, 4, 1, 1); break;
                case HS_VERTICAL: cairo_rectangle(c2, 4, i, 1, 1); break;
                case HS_FDIAGONAL: cairo_rectangle(c2, i, i, 1, 1); break;
                case HS_BDIAGONAL: cairo_rectangle(c2, 7 - i, i, 1, 1); break;
                case HS_CROSS:
                    cairo_rectangle(c2, i, 4, 1, 1);
                    cairo_rectangle(c2, 4, i, 1, 1);
                    break;
                default:
                    cairo_rectangle(c2, i, i, 1, 1);
                    cairo_rectangle(c2, 7 - i, i, 1, 1);
                    break;
            }
        }
        cairo_fill(c2);
        cairo_destroy(c2);
        cairo_pattern_t* pat = cairo_pattern_create_for_surface(s);
        cairo_pattern_set_extend(pat, CAIRO_EXTEND_REPEAT);
        cairo_set_source(cr, pat);
        cairo_pattern_destroy(pat);
        cairo_surface_destroy(s);
        return true;
    }
    SetSource(cr, c);
    return true;
}

void Normalize(int& l, int& t, int& r, int& b) {
    if (l > r) std::swap(l, r);
    if (t > b) std::swap(t, b);
}

// Coordinates far outside any surface are clamped so cairo's fixed-point
// arithmetic never overflows.
int Clamp(int v) { return v < -1000000 ? -1000000 : (v > 1000000 ? 1000000 : v); }

}  // namespace

}  // namespace platform::gdi

using namespace platform;
using namespace platform::gdi;

namespace {
std::shared_ptr<DC> GetDc(HDC h) { return Dcs().Get(h); }
}  // namespace

WINEXPORT HDC CreateCompatibleDC(HDC hdc) {
    if (hdc && !Dcs().Valid(hdc)) return 0;
    auto dc = std::make_shared<DC>();
    dc->kind = DcKind::Memory;
    InitState(*dc);
    dc->bitmap = StockBitmap();
    auto bm = Bitmaps().Get(dc->bitmap);
    if (bm) SetTarget(*dc, bm->surface);
    return Dcs().Add(dc);
}

WINEXPORT HDC CreateDCA(LPCSTR driver, LPCSTR, LPCSTR, const void*) {
    // Only the display: a DC for the whole screen.
    if (driver && std::strcmp(driver, "DISPLAY") != 0) return 0;
    return GetDC(0);
}

WINEXPORT BOOL DeleteDC(HDC hdc) {
    auto dc = Dcs().Remove(hdc);
    if (!dc) return FALSE;
    if (dc->kind == DcKind::Memory) {
        auto bm = Bitmaps().Get(dc->bitmap);
        if (bm && bm->selected_dc == hdc) bm->selected_dc = 0;
    }
    return TRUE;
}

WINEXPORT int SaveDC(HDC hdc) {
    auto dc = GetDc(hdc);
    if (!dc) return 0;
    DcState s = dc->st;
    if (s.clip) s.clip = cairo_region_copy(s.clip);
    dc->saved.push_back(s);
    return static_cast<int>(dc->saved.size());
}

WINEXPORT BOOL RestoreDC(HDC hdc, int n) {
    auto dc = GetDc(hdc);
    if (!dc) return FALSE;
    int count = static_cast<int>(dc->saved.size());
    if (n < 0) n = count + 1 + n;
    if (n <= 0 || n > count) return FALSE;
    while (static_cast<int>(dc->saved.size()) > n) {
        if (dc->saved.back().clip) cairo_region_destroy(dc->saved.back().clip);
        dc->saved.pop_back();
    }
    if (dc->st.clip) cairo_region_destroy(dc->st.clip);
    dc->st = dc->saved.back();
    dc->saved.pop_back();
    dc->clip_dirty = true;
    return TRUE;
}

WINEXPORT HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h) {
    auto dc = GetDc(hdc);
    if (!dc || !h) return 0;
    HGDIOBJ old = 0;
    switch (KindOfHandle(h)) {
        case HandleKind::Pen:
            if (!Pens().Valid(h)) return 0;
            old = dc->st.pen;
            dc->st.pen = h;
            return old;
        case HandleKind::Brush:
            if (!Brushes().Valid(h)) return 0;
            old = dc->st.brush;
            dc->st.brush = h;
            return old;
        case HandleKind::Font:
            if (!Fonts().Valid(h)) return 0;
            old = dc->st.font;
            dc->st.font = h;
            return old;
        case HandleKind::Palette: return SelectPalette(hdc, h, FALSE);
        case HandleKind::Region: return static_cast<HGDIOBJ>(SelectClipRgn(hdc, h));
        case HandleKind::Bitmap: {
            if (dc->kind != DcKind::Memory) return 0;
            auto bm = Bitmaps().Get(h);
            if (!bm) return 0;
            if (bm->selected_dc && bm->selected_dc != hdc && Dcs().Valid(bm->selected_dc) && h != StockBitmap())
                return 0;
            auto oldbm = Bitmaps().Get(dc->bitmap);
            if (oldbm && oldbm->selected_dc == hdc) oldbm->selected_dc = 0;
            old = dc->bitmap;
            dc->bitmap = h;
            if (h != StockBitmap()) bm->selected_dc = hdc;
            SetTarget(*dc, bm->surface);
            if (dc->vis) cairo_region_destroy(dc->vis);
            dc->vis = nullptr;
            return old;
        }
        default: return 0;
    }
}

WINEXPORT HGDIOBJ GetCurrentObject(HDC hdc, UINT type) {
    auto dc = GetDc(hdc);
    if (!dc) return 0;
    switch (type) {
        case OBJ_PEN: return dc->st.pen;
        case OBJ_BRUSH: return dc->st.brush;
        case OBJ_FONT: return dc->st.font;
        case OBJ_PAL: return dc->st.palette;
        case OBJ_BITMAP: return dc->bitmap;
        default: return 0;
    }
}

WINEXPORT int GetDeviceCaps(HDC hdc, int index) {
    auto dc = GetDc(hdc);
    if (!dc) return 0;
    switch (index) {
        case HORZRES: return GetSystemMetrics(SM_CXSCREEN);
        case VERTRES: return GetSystemMetrics(SM_CYSCREEN);
        case BITSPIXEL: {
            if (dc->kind == DcKind::Memory) {
                auto bm = Bitmaps().Get(dc->bitmap);
                if (bm && bm->bpp == 1) return 1;
            }
            return 32;
        }
        case PLANES: return 1;
        case NUMCOLORS: return -1;
        case RASTERCAPS: return RC_BITBLT | RC_STRETCHBLT | RC_DI_BITMAP;
        case LOGPIXELSX:
        case LOGPIXELSY: return 96;
        case SIZEPALETTE: return 0;
        default: return 0;
    }
}

#define DC_SETTER(Name, Getter, field, type, invalid)      \
    WINEXPORT type Name(HDC hdc, type v) {                 \
        auto dc = GetDc(hdc);                              \
        if (!dc) return invalid;                           \
        type old = static_cast<type>(dc->st.field);        \
        dc->st.field = v;                                  \
        return old;                                        \
    }                                                      \
    WINEXPORT type Getter(HDC hdc) {                       \
        auto dc = GetDc(hdc);                              \
        return dc ? static_cast<type>(dc->st.field) : invalid; \
    }

DC_SETTER(SetTextColor, GetTextColor, text_color, COLORREF, CLR_INVALID)
DC_SETTER(SetBkColor, GetBkColor, bk_color, COLORREF, CLR_INVALID)
DC_SETTER(SetTextAlign, GetTextAlign, text_align, UINT, GDI_ERROR)
#undef DC_SETTER

WINEXPORT int SetBkMode(HDC hdc, int mode) {
    auto dc = GetDc(hdc);
    if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
    int old = dc->st.bk_mode;
    dc->st.bk_mode = mode;
    return old;
}
WINEXPORT int GetBkMode(HDC hdc) {
    auto dc = GetDc(hdc);
    return dc ? dc->st.bk_mode : 0;
}
WINEXPORT int SetROP2(HDC hdc, int rop2) {
    auto dc = GetDc(hdc);
    if (!dc || rop2 < 1 || rop2 > 16) return 0;
    int old = dc->st.rop2;
    dc->st.rop2 = rop2;
    return old;
}
WINEXPORT int GetROP2(HDC hdc) {
    auto dc = GetDc(hdc);
    return dc ? dc->st.rop2 : 0;
}
WINEXPORT int SetStretchBltMode(HDC hdc, int mode) {
    auto dc = GetDc(hdc);
    if (!dc || mode < BLACKONWHITE || mode > HALFTONE) return 0;
    int old = dc->st.stretch_mode;
    dc->st.stretch_mode = mode;
    return old;
}
WINEXPORT int GetStretchBltMode(HDC hdc) {
    auto dc = GetDc(hdc);
    return dc ? dc->st.stretch_mode : 0;
}
WINEXPORT COLORREF SetDCBrushColor(HDC hdc, COLORREF c) {
    auto dc = GetDc(hdc);
    if (!dc) return CLR_INVALID;
    COLORREF old = dc->st.dc_brush;
    dc->st.dc_brush = c & 0xFFFFFF;
    return old;
}
WINEXPORT COLORREF SetDCPenColor(HDC hdc, COLORREF c) {
    auto dc = GetDc(hdc);
    if (!dc) return CLR_INVALID;
    COLORREF old = dc->st.dc_pen;
    dc->st.dc_pen = c & 0xFFFFFF;
    return old;
}
WINEXPORT int SetMapMode(HDC hdc, int mode) {
    // Only MM_TEXT: every caller here works in pixels.
    return (Dcs().Valid(hdc) && mode == MM_TEXT) ? MM_TEXT : 0;
}

namespace {
BOOL SetOrg(HDC hdc, POINT DcState::*field, int x, int y, LPPOINT old, bool relative) {
    auto dc = GetDc(hdc);
    if (!dc) return FALSE;
    if (old) *old = dc->st.*field;
    if (relative) {
        (dc->st.*field).x += x;
        (dc->st.*field).y += y;
    } else {
        dc->st.*field = POINT{x, y};
    }
    return TRUE;
}
}  // namespace

WINEXPORT BOOL SetViewportOrgEx(HDC hdc, int x, int y, LPPOINT old) {
    return SetOrg(hdc, &DcState::viewport_org, x, y, old, false);
}
WINEXPORT BOOL OffsetViewportOrgEx(HDC hdc, int x, int y, LPPOINT old) {
    return SetOrg(hdc, &DcState::viewport_org, x, y, old, true);
}
WINEXPORT BOOL SetWindowOrgEx(HDC hdc, int x, int y, LPPOINT old) {
    return SetOrg(hdc, &DcState::window_org, x, y, old, false);
}
WINEXPORT BOOL SetBrushOrgEx(HDC hdc, int x, int y, LPPOINT old) {
    return SetOrg(hdc, &DcState::brush_org, x, y, old, false);
}
WINEXPORT BOOL GetViewportOrgEx(HDC hdc, LPPOINT pt) {
    auto dc = GetDc(hdc);
    if (!dc || !pt) return FALSE;
    *pt = dc->st.viewport_org;
    return TRUE;
}
WINEXPORT BOOL GetWindowOrgEx(HDC hdc, LPPOINT pt) {
    auto dc = GetDc(hdc);
    if (!dc || !pt) return FALSE;
    *pt = dc->st.window_org;
    return TRUE;
}

WINEXPORT HPALETTE SelectPalette(HDC hdc, HPALETTE hPal, BOOL) {
    auto dc = GetDc(hdc);
    if (!dc || !Palettes().Valid(hPal)) return 0;
    HPALETTE old = dc->st.palette;
    dc->st.palette = hPal;
    return old;
}
WINEXPORT UINT RealizePalette(HDC hdc) { return Dcs().Valid(hdc) ? 0 : GDI_ERROR; }

// ---- lines and shapes ------------------------------------------------------------------

WINEXPORT BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT lppt) {
    auto dc = GetDc(hdc);
    if (!dc) return FALSE;
    if (lppt) *lppt = dc->st.cur;
    dc->st.cur = POINT{x, y};
    return TRUE;
}

WINEXPORT BOOL LineTo(HDC hdc, int x, int y) {
    auto dc = GetDc(hdc);
    if (!dc) return FALSE;
    POINT from = dc->st.cur;
    dc->st.cur = POINT{x, y};
    cairo_t* cr = Prepare(*dc);
    if (!cr) return TRUE;
    int w = 1;
    if (!UsePen(*dc, cr, &w)) return TRUE;
    int x0 = Clamp(from.x), y0 = Clamp(from.y), x1 = Clamp(x), y1 = Clamp(y);
    if (w == 1 && (y0 == y1 || x0 == x1) && !(x0 == x1 && y0 == y1)) {
        // Axis-aligned: exact pixels, the end point excluded as GDI does.
        if (y0 == y1)
            cairo_rectangle(cr, std::min(x0, x1) + (x1 < x0 ? 1 : 0), y0, std::abs(x1 - x0), 1);
        else
            cairo_rectangle(cr, x0, std::min(y0, y1) + (y1 < y0 ? 1 : 0), 1, std::abs(y1 - y0));
        double dashes = cairo_get_dash_count(cr);
        if (dashes > 0) {
            cairo_new_path(cr);
            cairo_move_to(cr, x0 + 0.5, y0 + 0.5);
            cairo_line_to(cr, x1 + 0.5, y1 + 0.5);
            cairo_stroke(cr);
        } else {
            cairo_fill(cr);
        }
    } else {
        cairo_move_to(cr, x0 + 0.5, y0 + 0.5);
        cairo_line_to(cr, x1 + 0.5, y1 + 0.5);
        cairo_stroke(cr);
    }
    Finish(*dc);
    return TRUE;
}

WINEXPORT BOOL Polyline(HDC hdc, const POINT* apt, int cpt) {
    if (!apt || cpt < 2) return FALSE;
    auto dc = GetDc(hdc);
    if (!dc) return FALSE;
    POINT save = dc->st.cur;
    dc->st.cur = apt[0];
    for (int i = 1; i < cpt; ++i) LineTo(hdc, apt[i].x, apt[i].y);
    dc->st.cur = save;
    return TRUE;
}

WINEXPORT BOOL Rectangle(HDC hdc, int l, int t, int r, int b) {
    auto dc = GetDc(hdc);
    if (!dc) return FALSE;
    Normalize(l, t, r, b);
    l = Clamp(l), t = Clamp(t), r = Clamp(r), b = Clamp(b);
    cairo_t* cr = Prepare(*dc);
    if (!cr) return TRUE;
    int w = 0;
    cairo_save(cr);
    bool pen = UsePen(*dc, cr, &w);
    cairo_restore(cr);
    if (UseBrush(*dc, cr, dc->st.brush)) {
        // Without a pen the right and bottom edges stay out, as in GDI.
        if (pen)
            cairo_rectangle(cr, l + w, t + w, r - l - 2 * w, b - t - 2 * w);
        else
            cairo_rectangle(cr, l, t, r - l - 1, b - t - 1);
        cairo_fill(cr);
    }
    if (pen && r - l > 0 && b - t > 0) {
        UsePen(*dc, cr, &w);
        cairo_set_dash(cr, nullptr, 0, 0);
        cairo_rectangle(cr, l, t, r - l, b - t);
        cairo_rectangle(cr, r - w, b - w, -(r - l - 2 * w), -(b - t - 2 * w));
        cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
        cairo_fill(cr);
        cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    }
    Finish(*dc);
    return TRUE;
}

namespace {

void RoundPath(cairo_t* cr, double l, double t, double r, double b, double ew, double eh) {
    double rx = std::min(ew / 2, (r - l) / 2), ry = std::min(eh / 2, (b - t) / 2);
    if (rx <= 0 || ry <= 0) {
        cairo_rectangle(cr, l, t, r - l, b - t);
        return;
    }
    cairo_new_sub_path(cr);
    auto corner = [&](double cx, double cy, double a0, double a1) {
        cairo_save(cr);
        cairo_translate(cr, cx, cy);
        cairo_scale(cr, rx, ry);
        cairo_arc(cr, 0, 0, 1, a0, a1);
        cairo_restore(cr);
    };
    corner(r - rx, t + ry, -M_PI / 2, 0);
    corner(r - rx, b - ry, 0, M_PI / 2);
    corner(l + rx, b - ry, M_PI / 2, M_PI);
    corner(l + rx, t + ry, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

BOOL Shape(HDC hdc, int l, int t, int r, int b, double ew, double eh) {
    auto dc = GetDc(hdc);
    if (!dc) return FALSE;
    Normalize(l, t, r, b);
    l = Clamp(l), t = Clamp(t), r = Clamp(r), b = Clamp(b);
    if (r - l < 1 || b - t < 1) return TRUE;
    cairo_t* cr = Prepare(*dc);
    if (!cr) return TRUE;
    int w = 0;
    cairo_save(cr);
    bool pen = UsePen(*dc, cr, &w);
    cairo_restore(cr);
    double inset = pen ? w / 2.0 : 0;
    RoundPath(cr, l + inset, t + inset, r - inset, b - inset, ew, eh);
    if (UseBrush(*dc, cr, dc->st.brush)) cairo_fill_preserve(cr);
    if (pen) {
        UsePen(*dc, cr, &w);
        cairo_stroke(cr);
    }
    cairo_new_path(cr);
    Finish(*dc);
    return TRUE;
}

}  // namespace

WINEXPORT BOOL Ellipse(HDC hdc, int l, int t, int r, int b) {
    return Shape(hdc, l, t, r, b, std::abs(static_cast<double>(r) - l), std::abs(static_cast<double>(b) - t));
}
WINEXPORT BOOL RoundRect(HDC hdc, int l, int t, int r, int b, int w, int h) {
    return Shape(hdc, l, t, r, b, std::max(w, 0), std::max(h, 0));
}

WINEXPORT BOOL Polygon(HDC hdc, const POINT* apt, int cpt) {
    auto dc = GetDc(hdc);
    if (!dc || !apt || cpt < 2) return FALSE;
    cairo_t* cr = Prepare(*dc);
    if (!cr) return TRUE;
    for (int i = 0; i < cpt; ++i) cairo_line_to(cr, Clamp(apt[i].x) + 0.5, Clamp(apt[i].y) + 0.5);
    cairo_close_path(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    if (UseBrush(*dc, cr, dc->st.brush)) cairo_fill_preserve(cr);
    int w = 0;
    if (UsePen(*dc, cr, &w)) cairo_stroke(cr);
    cairo_new_path(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    Finish(*dc);
    return TRUE;
}

WINEXPORT COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color) {
    auto dc = GetDc(hdc);
    if (!dc) return CLR_INVALID;
    cairo_t* cr = Prepare(*dc);
    if (!cr) return CLR_INVALID;
    SetSource(cr, color);
    cairo_rectangle(cr, Clamp(x), Clamp(y), 1, 1);
    cairo_fill(cr);
    Finish(*dc);
    return color & 0xFFFFFF;
}

WINEXPORT COLORREF GetPixel(HDC hdc, int x, int y) {
    auto dc = GetDc(hdc);
    if (!dc || !dc->target) return CLR_INVALID;
    if (dc->kind == DcKind::Memory) {
        auto bm = Bitmaps().Get(dc->bitmap);
        if (bm) bm->SyncFromBits();
    }
    POINT p = ToTarget(*dc, x, y);
    cairo_region_t* c = EffectiveClip(*dc);
    bool in = cairo_region_contains_point(c, p.x, p.y);
    cairo_region_destroy(c);
    if (!in) return CLR_INVALID;
    cairo_surface_flush(dc->target);
    const uint8_t* data = cairo_image_surface_get_data(dc->target);
    int stride = cairo_image_surface_get_stride(dc->target);
    if (!data) return CLR_INVALID;
    uint32_t v;
    std::memcpy(&v, data + static_cast<size_t>(p.y) * stride + static_cast<size_t>(p.x) * 4, 4);
    return FromPixel(v);
}

// ---- clipping -----------------------------------------------------------------------------

namespace {

int RegionType(cairo_region_t* r) {
    int n = cairo_region_num_rectangles(r);
    return n == 0 ? NULLREGION : (n == 1 ? SIMPLEREGION : COMPLEXREGION);
}

int ClipType(DC& dc) {
    cairo_region_t* c = EffectiveClip(dc);
    int t = RegionType(c);
    cairo_region_destroy(c);
    return t;
}

// The device area a user clip starts from when there is none yet.
cairo_region_t* DeviceArea(DC& dc) {
    cairo_rectangle_int_t r{-dc.origin.x, -dc.origin.y, 0, 0};
    if (dc.target) {
        r.width = cairo_image_surface_get_width(dc.target);
        r.height = cairo_image_surface_get_height(dc.target);
    }
    return cairo_region_create_rectangle(&r);
}

cairo_rectangle_int_t DeviceRect(DC& dc, int l, int t, int r, int b) {
    Normalize(l, t, r, b);
    POINT a = ToTarget(dc, Clamp(l), Clamp(t)), z = ToTarget(dc, Clamp(r), Clamp(b));
    return cairo_rectangle_int_t{a.x - dc.origin.x, a.y - dc.origin.y, z.x - a.x, z.y - a.y};
}

}  // namespace

WINEXPORT int ExtSelectClipRgn(HDC hdc, HRGN hrgn, int mode) {
    auto dc = GetDc(hdc);
    if (!dc) return ERROR;
    if (!hrgn) {
        if (mode != RGN_COPY) return ERROR;
        if (dc->st.clip) cairo_region_destroy(dc->st.clip);
        dc->st.clip = nullptr;
        dc->clip_dirty = true;
        return ClipType(*dc);
    }
    auto rg = GetRegion(hrgn);
    if (!rg) return ERROR;
    cairo_region_t* base = dc->st.clip ? dc->st.clip : DeviceArea(*dc);
    cairo_region_t* out = cairo_region_copy(rg->rgn);
    switch (mode) {
        case RGN_COPY: break;
        case RGN_AND:
            cairo_region_intersect(out, base);
            break;
        case RGN_OR:
            cairo_region_union(out, base);
            break;
        case RGN_XOR:
            cairo_region_xor(out, base);
            break;
        case RGN_DIFF: {
            cairo_region_t* b2 = cairo_region_copy(base);
            cairo_region_subtract(b2, rg->rgn);
            cairo_region_destroy(out);
            out = b2;
            break;
        }
        default:
            cairo_region_destroy(out);
            if (!dc->st.clip) cairo_region_destroy(base);
            return ERROR;
    }
    if (dc->st.clip) cairo_region_destroy(dc->st.clip);
    else cairo_region_destroy(base);
    dc->st.clip = out;
    dc->clip_dirty = true;
    return ClipType(*dc);
}

WINEXPORT int SelectClipRgn(HDC hdc, HRGN hrgn) { return ExtSelectClipRgn(hdc, hrgn, RGN_COPY); }

WINEXPORT int ExcludeClipRect(HDC hdc, int l, int t, int r, int b) {
    auto dc = GetDc(hdc);
    if (!dc) return ERROR;
    if (!dc->st.clip) dc->st.clip = DeviceArea(*dc);
    cairo_rectangle_int_t rc = DeviceRect(*dc, l, t, r, b);
    cairo_region_subtract_rectangle(dc->st.clip, &rc);
    dc->clip_dirty = true;
    return ClipType(*dc);
}

WINEXPORT int IntersectClipRect(HDC hdc, int l, int t, int r, int b) {
    auto dc = GetDc(hdc);
    if (!dc) return ERROR;
    if (!dc->st.clip) dc->st.clip = DeviceArea(*dc);
    cairo_rectangle_int_t rc = DeviceRect(*dc, l, t, r, b);
    cairo_region_intersect_rectangle(dc->st.clip, &rc);
    dc->clip_dirty = true;
    return ClipType(*dc);
}

WINEXPORT int OffsetClipRgn(HDC hdc, int x, int y) {
    auto dc = GetDc(hdc);
    if (!dc) return ERROR;
    if (dc->st.clip) cairo_region_translate(dc->st.clip, x, y);
    dc->clip_dirty = true;
    return ClipType(*dc);
}

WINEXPORT int GetClipBox(HDC hdc, LPRECT lprect) {
    auto dc = GetDc(hdc);
    if (!dc || !lprect) return ERROR;
    cairo_region_t* c = EffectiveClip(*dc);
    int t = RegionType(c);
    cairo_rectangle_int_t e;
    cairo_region_get_extents(c, &e);
    cairo_region_destroy(c);
    POINT o = ToTarget(*dc, 0, 0);
    if (t == NULLREGION) {
        *lprect = RECT{0, 0, 0, 0};
    } else {
        *lprect = RECT{e.x - o.x, e.y - o.y, e.x - o.x + e.width, e.y - o.y + e.height};
    }
    return t;
}

WINEXPORT int GetClipRgn(HDC hdc, HRGN hrgn) {
    auto dc = GetDc(hdc);
    auto rg = GetRegion(hrgn);
    if (!dc || !rg) return -1;
    if (!dc->st.clip) return 0;
    cairo_region_destroy(rg->rgn);
    rg->rgn = cairo_region_copy(dc->st.clip);
    return 1;
}

WINEXPORT BOOL PtVisible(HDC hdc, int x, int y) {
    auto dc = GetDc(hdc);
    if (!dc) return FALSE;
    POINT p = ToTarget(*dc, x, y);
    cairo_region_t* c = EffectiveClip(*dc);
    BOOL in = cairo_region_contains_point(c, p.x, p.y);
    cairo_region_destroy(c);
    return in;
}

WINEXPORT BOOL RectVisible(HDC hdc, const RECT* lprect) {
    auto dc = GetDc(hdc);
    if (!dc || !lprect) return FALSE;
    cairo_rectangle_int_t rc = DeviceRect(*dc, lprect->left, lprect->top, lprect->right, lprect->bottom);
    rc.x += dc->origin.x;
    rc.y += dc->origin.y;
    cairo_region_t* c = EffectiveClip(*dc);
    BOOL in = cairo_region_contains_rectangle(c, &rc) != CAIRO_REGION_OVERLAP_OUT;
    cairo_region_destroy(c);
    return in;
}

// ---- filling ----------------------------------------------------------------------------

namespace {
int FillRectWith(HDC hDC, const RECT* lprc, HBRUSH hbr, bool invert) {
    auto dc = GetDc(hDC);
    if (!dc || !lprc) return 0;
    int l = Clamp(lprc->left), t = Clamp(lprc->top), r = Clamp(lprc->right), b = Clamp(lprc->bottom);
    if (r <= l || b <= t) return 1;
    if (!invert) {
        // The erase of every window in a repaint lands here: an opaque solid
        // brush needs no compositing.
        COLORREF c = 0;
        auto br = ResolveDcBrush(*dc, hbr, &c);
        if (br && br->style == BS_SOLID && FillSolid(*dc, l, t, r, b, c)) return 1;
    }
    cairo_t* cr = Prepare(*dc);
    if (!cr) return 1;
    if (invert) {
        cairo_set_operator(cr, CAIRO_OPERATOR_DIFFERENCE);
        cairo_set_source_rgb(cr, 1, 1, 1);
    } else if (!UseBrush(*dc, cr, hbr)) {
        return 1;
    }
    cairo_rectangle(cr, l, t, r - l, b - t);
    cairo_fill(cr);
    Finish(*dc);
    return 1;
}
}  // namespace

WINEXPORT int FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr) {
    if (!ResolveBrush(hbr, nullptr)) return 0;
    return FillRectWith(hDC, lprc, hbr, false);
}

WINEXPORT BOOL InvertRect(HDC hDC, const RECT* lprc) { return FillRectWith(hDC, lprc, 0, true); }

WINEXPORT int FrameRect(HDC hDC, const RECT* lprc, HBRUSH hbr) {
    if (!lprc || !ResolveBrush(hbr, nullptr)) return 0;
    const RECT& r = *lprc;
    if (r.right <= r.left || r.bottom <= r.top) return 1;
    RECT parts[4] = {{r.left, r.top, r.right, r.top + 1},
                     {r.left, r.bottom - 1, r.right, r.bottom},
                     {r.left, r.top, r.left + 1, r.bottom},
                     {r.right - 1, r.top, r.right, r.bottom}};
    for (auto& p : parts)
        if (!FillRectWith(hDC, &p, hbr, false)) return 0;
    return 1;
}

WINEXPORT BOOL DrawFocusRect(HDC hDC, const RECT* lprc) {
    auto dc = GetDc(hDC);
    if (!dc || !lprc) return FALSE;
    const RECT& r = *lprc;
    if (r.right <= r.left || r.bottom <= r.top) return TRUE;
    cairo_t* cr = Prepare(*dc);
    if (!cr) return TRUE;
    // A dotted frame that inverts what it covers, so drawing it twice removes it.
    cairo_set_operator(cr, CAIRO_OPERATOR_DIFFERENCE);
    cairo_set_source_rgb(cr, 1, 1, 1);
    int l = Clamp(r.left), t = Clamp(r.top), rr = Clamp(r.right), b = Clamp(r.bottom);
    for (int x = l; x < rr; x += 2) {
        cairo_rectangle(cr, x, t, 1, 1);
        if (b - 1 > t) cairo_rectangle(cr, x, b - 1, 1, 1);
        if (x - l > 4096) break;
    }
    for (int y = t + 2; y < b - 1; y += 2) {
        cairo_rectangle(cr, l, y, 1, 1);
        if (rr - 1 > l) cairo_rectangle(cr, rr - 1, y, 1, 1);
        if (y - t > 4096) break;
    }
    cairo_fill(cr);
    Finish(*dc);
    return TRUE;
}

WINEXPORT BOOL FillRgn(HDC hdc, HRGN hrgn, HBRUSH hbr) {
    auto dc = GetDc(hdc);
    auto rg = GetRegion(hrgn);
    if (!dc || !rg || !ResolveBrush(hbr, nullptr)) return FALSE;
    cairo_t* cr = Prepare(*dc);
    if (!cr) return TRUE;
    if (!UseBrush(*dc, cr, hbr)) return TRUE;
    // Regions are in device units: undo the logical origin.
    cairo_identity_matrix(cr);
    cairo_translate(cr, dc->origin.x, dc->origin.y);
    int n = cairo_region_num_rectangles(rg->rgn);
    for (int i = 0; i < n; ++i) {
        cairo_rectangle_int_t r;
        cairo_region_get_rectangle(rg->rgn, i, &r);
        cairo_rectangle(cr, r.x, r.y, r.width, r.height);
    }
    cairo_fill(cr);
    Finish(*dc);
    return TRUE;
}

WINEXPORT BOOL PaintRgn(HDC hdc, HRGN hrgn) {
    auto dc = GetDc(hdc);
    if (!dc) return FALSE;
    return FillRgn(hdc, hrgn, dc->st.brush);
}

WINEXPORT BOOL InvertRgn(HDC hdc, HRGN hrgn) {
    auto dc = GetDc(hdc);
    auto rg = GetRegion(hrgn);
    if (!dc || !rg) return FALSE;
    int n = cairo_region_num_rectangles(rg->rgn);
    for (int i = 0; i < n; ++i) {
        cairo_rectangle_int_t r;
        cairo_region_get_rectangle(rg->rgn, i, &r);
        POINT o = ToTarget(*dc, 0, 0);
        RECT lr{r.x + dc->origin.x - o.x, r.y + dc->origin.y - o.y, 0, 0};
        lr.right = lr.left + r.width;
        lr.bottom = lr.top + r.height;
        InvertRect(hdc, &lr);
    }
    return TRUE;
}

WINEXPORT BOOL FrameRgn(HDC hdc, HRGN hrgn, HBRUSH hbr, int w, int h) {
    auto rg = GetRegion(hrgn);
    if (!rg || w < 0 || h < 0) return FALSE;
    // The frame is the region minus itself shrunk by w x h.
    cairo_region_t* inner = cairo_region_copy(rg->rgn);
    for (int dx = -w; dx <= w; dx += (w ? w : 1)) {
        for (int dy = -h; dy <= h; dy += (h ? h : 1)) {
            cairo_region_t* s = cairo_region_copy(rg->rgn);
            cairo_region_translate(s, dx, dy);
            cairo_region_intersect(inner, s);
            cairo_region_destroy(s);
            if (!h) break;
        }
        if (!w) break;
    }
    cairo_region_t* frame = cairo_region_copy(rg->rgn);
    cairo_region_subtract(frame, inner);
    cairo_region_destroy(inner);
    HRGN tmp = AddRegion(frame);
    BOOL ok = FillRgn(hdc, tmp, hbr);
    DeleteObject(tmp);
    return ok;
}
