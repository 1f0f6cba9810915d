// Block transfers: BitBlt, StretchBlt, PatBlt and the DIB-to-device calls.
// Plain copies go through cairo; other raster operations and monochrome
// conversions are done per pixel, since cairo has no bitwise operators.
#include <cstring>

#include "platform/gdi/dib_format.h"
#include "platform/gdi/gdi_internal.h"

using namespace platform;
using namespace platform::gdi;

namespace {

constexpr int kLim = 1 << 20;
int Lim(int v) { return v < -kLim ? -kLim : (v > kLim ? kLim : v); }

bool UsesSource(DWORD rop) {
    BYTE idx = (rop >> 16) & 0xFF;
    return ((idx >> 2) & 0x33) != (idx & 0x33);
}
bool UsesPattern(DWORD rop) {
    BYTE idx = (rop >> 16) & 0xFF;
    return ((idx >> 4) & 0x0F) != (idx & 0x0F);
}

// Applies a ternary raster operation bit-wise.
inline uint32_t Rop3(BYTE idx, uint32_t p, uint32_t s, uint32_t d) {
    uint32_t out = 0;
    for (int i = 0; i < 8; ++i) {
        if (!((idx >> i) & 1)) continue;
        uint32_t m = ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
        out |= m;
    }
    return out & 0xFFFFFF;
}

bool IsMono(DC& dc) {
    if (dc.kind != DcKind::Memory) return false;
    auto bm = Bitmaps().Get(dc.bitmap);
    return bm && bm->bpp == 1;
}

// A w x h copy of the source's pixels at (sx, sy) in target coordinates,
// converted between colour and monochrome as GDI does.
cairo_surface_t* SourceCopy(cairo_surface_t* src, int sx, int sy, int w, int h, bool src_mono, COLORREF src_bk,
                            bool dst_mono, COLORREF dst_text, COLORREF dst_bk) {
    cairo_surface_t* t = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
    if (cairo_surface_status(t) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(t);
        return nullptr;
    }
    cairo_t* cr = cairo_create(t);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_paint(cr);
    cairo_set_source_surface(cr, src, -sx, -sy);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_rectangle(cr, 0, 0, w, h);
    cairo_fill(cr);
    cairo_destroy(cr);
    if (src_mono != dst_mono) {
        cairo_surface_flush(t);
        uint8_t* data = cairo_image_surface_get_data(t);
        int stride = cairo_image_surface_get_stride(t);
        uint32_t bk = ToPixel(src_bk), fg = ToPixel(dst_text), bg = ToPixel(dst_bk);
        for (int y = 0; y < h; ++y) {
            uint32_t* row = reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y) * stride);
            for (int x = 0; x < w; ++x) {
                uint32_t v = row[x] & 0xFFFFFF;
                if (dst_mono)
                    row[x] = v == bk ? 0xFFFFFF : 0;
                else
                    row[x] = v ? bg : fg;  // white bits take the background colour
            }
        }
        cairo_surface_mark_dirty(t);
    }
    return t;
}

// Transfers a w x h surface (or only a pattern when src is null) to the
// destination's logical (x, y) with a raster operation.
BOOL Transfer(DC& dst, int x, int y, int w, int h, cairo_surface_t* src, DWORD rop) {
    cairo_t* cr = Prepare(dst);
    if (!cr) return TRUE;
    BYTE idx = (rop >> 16) & 0xFF;
    if (rop == SRCCOPY && src) {
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_set_source_surface(cr, src, x, y);
        cairo_rectangle(cr, x, y, w, h);
        cairo_fill(cr);
        Finish(dst);
        return TRUE;
    }
    COLORREF pc = 0;
    auto brush = ResolveDcBrush(dst, dst.st.brush, &pc);
    if (rop == PATCOPY || rop == BLACKNESS || rop == WHITENESS) {
        if (rop == PATCOPY && (!brush || brush->style == BS_NULL)) return TRUE;
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        SetSource(cr, rop == BLACKNESS ? 0 : (rop == WHITENESS ? RGB(255, 255, 255) : pc));
        cairo_rectangle(cr, x, y, w, h);
        cairo_fill(cr);
        Finish(dst);
        return TRUE;
    }
    // Per pixel, within the clip.
    cairo_surface_flush(dst.target);
    uint8_t* data = cairo_image_surface_get_data(dst.target);
    int stride = cairo_image_surface_get_stride(dst.target);
    const uint8_t* sdata = nullptr;
    int sstride = 0;
    if (src) {
        cairo_surface_flush(src);
        sdata = cairo_image_surface_get_data(src);
        sstride = cairo_image_surface_get_stride(src);
    }
    POINT o = ToTarget(dst, x, y);
    cairo_region_t* clip = EffectiveClip(dst);
    cairo_rectangle_int_t area{o.x, o.y, w, h};
    cairo_region_intersect_rectangle(clip, &area);
    uint32_t p = ToPixel(pc);
    int n = cairo_region_num_rectangles(clip);
    for (int i = 0; i < n; ++i) {
        cairo_rectangle_int_t r;
        cairo_region_get_rectangle(clip, i, &r);
        for (int yy = r.y; yy < r.y + r.height; ++yy) {
            uint32_t* drow = reinterpret_cast<uint32_t*>(data + static_cast<size_t>(yy) * stride);
            const uint32_t* srow =
                sdata ? reinterpret_cast<const uint32_t*>(sdata + static_cast<size_t>(yy - o.y) * sstride) : nullptr;
            for (int xx = r.x; xx < r.x + r.width; ++xx) {
                uint32_t s = srow ? srow[xx - o.x] : 0;
                drow[xx] = Rop3(idx, p, s, drow[xx]);
            }
        }
    }
    cairo_region_destroy(clip);
    cairo_surface_mark_dirty(dst.target);
    Finish(dst);
    return TRUE;
}

// Scales src (sw x sh, mirrored by negative destination sizes) into a new
// surface of the destination size.
cairo_surface_t* Scale(cairo_surface_t* src, int sw, int sh, int dw, int dh, bool mirror_x, bool mirror_y,
                       int mode) {
    cairo_surface_t* t = cairo_image_surface_create(CAIRO_FORMAT_RGB24, dw, dh);
    if (cairo_surface_status(t) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(t);
        return nullptr;
    }
    cairo_t* cr = cairo_create(t);
    if (mirror_x) {
        cairo_translate(cr, dw, 0);
        cairo_scale(cr, -1, 1);
    }
    if (mirror_y) {
        cairo_translate(cr, 0, dh);
        cairo_scale(cr, 1, -1);
    }
    cairo_scale(cr, static_cast<double>(dw) / sw, static_cast<double>(dh) / sh);
    cairo_set_source_surface(cr, src, 0, 0);
    cairo_pattern_t* pat = cairo_get_source(cr);
    cairo_pattern_set_extend(pat, CAIRO_EXTEND_PAD);
    // HALFTONE averages the source pixels; the other modes pick the nearest one.
    cairo_pattern_set_filter(pat, mode == HALFTONE ? CAIRO_FILTER_GOOD : CAIRO_FILTER_NEAREST);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
    return t;
}

BOOL StretchCore(DC& dst, int xd, int yd, int wd, int hd, cairo_surface_t* src, bool src_mono, COLORREF src_bk,
                 int xs, int ys, int ws, int hs, DWORD rop) {
    if (wd == 0 || hd == 0 || ws == 0 || hs == 0) return TRUE;
    bool mx = (wd < 0) != (ws < 0), my = (hd < 0) != (hs < 0);
    if (wd < 0) {
        xd += wd;
        wd = -wd;
    }
    if (hd < 0) {
        yd += hd;
        hd = -hd;
    }
    if (ws < 0) {
        xs += ws;
        ws = -ws;
    }
    if (hs < 0) {
        ys += hs;
        hs = -hs;
    }
    // A plain copy between different surfaces needs no intermediate picture.
    if (rop == SRCCOPY && !mx && !my && ws == wd && hs == hd && src_mono == IsMono(dst) && src != dst.target) {
        if (CopyPixels(dst, xd, yd, wd, hd, src, xs, ys)) return TRUE;
        cairo_t* cr = Prepare(dst);
        if (!cr) return TRUE;
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_set_source_surface(cr, src, xd - xs, yd - ys);
        cairo_rectangle(cr, xd, yd, wd, hd);
        cairo_fill(cr);
        Finish(dst);
        return TRUE;
    }
    if (static_cast<int64_t>(wd) * hd > kMaxBitmapPixels || static_cast<int64_t>(ws) * hs > kMaxBitmapPixels)
        return FALSE;
    cairo_surface_t* part =
        SourceCopy(src, xs, ys, ws, hs, src_mono, src_bk, IsMono(dst), dst.st.text_color, dst.st.bk_color);
    if (!part) return FALSE;
    cairo_surface_t* use = part;
    if (ws != wd || hs != hd || mx || my) {
        use = Scale(part, ws, hs, wd, hd, mx, my, dst.st.stretch_mode);
        cairo_surface_destroy(part);
        if (!use) return FALSE;
    }
    BOOL ok = Transfer(dst, xd, yd, wd, hd, use, rop);
    cairo_surface_destroy(use);
    return ok;
}

}  // namespace

WINEXPORT BOOL PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop) {
    auto dc = Dcs().Get(hdc);
    if (!dc || UsesSource(rop)) return FALSE;
    if (w < 0) {
        x += w;
        w = -w;
    }
    if (h < 0) {
        y += h;
        h = -h;
    }
    x = Lim(x), y = Lim(y), w = std::min(w, kLim), h = std::min(h, kLim);
    if (w == 0 || h == 0) return TRUE;
    return Transfer(*dc, x, y, w, h, nullptr, rop);
}

WINEXPORT BOOL StretchBlt(HDC hdcDest, int xd, int yd, int wd, int hd, HDC hdcSrc, int xs, int ys, int ws, int hs,
                          DWORD rop) {
    auto dst = Dcs().Get(hdcDest);
    if (!dst) return FALSE;
    if (!UsesSource(rop)) return PatBlt(hdcDest, xd, yd, wd, hd, rop);
    auto src = Dcs().Get(hdcSrc);
    if (!src || !src->target) return FALSE;
    if (src->kind == DcKind::Memory) {
        auto bm = Bitmaps().Get(src->bitmap);
        if (bm) bm->SyncFromBits();
    }
    (void)UsesPattern;
    POINT so = ToTarget(*src, Lim(xs), Lim(ys));
    return StretchCore(*dst, Lim(xd), Lim(yd), Lim(wd), Lim(hd), src->target, IsMono(*src), src->st.bk_color, so.x,
                       so.y, Lim(ws), Lim(hs), rop);
}

WINEXPORT BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop) {
    if (cx <= 0 || cy <= 0) return Dcs().Valid(hdc);
    return StretchBlt(hdc, x, y, cx, cy, hdcSrc, x1, y1, cx, cy, rop);
}

namespace {

cairo_surface_t* DibSurface(const DibFormat& f, const void* bits, int first, int count) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, f.width, f.height);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        return nullptr;
    }
    DibRowsToSurface(f, static_cast<const uint8_t*>(bits), s, first, count);
    return s;
}

bool MonoDib(const DibFormat& f) {
    return f.bpp == 1 && f.colors.size() == 2 && QuadIsBlack(f.colors[0]) && QuadIsWhite(f.colors[1]);
}

}  // namespace

WINEXPORT int SetDIBitsToDevice(HDC hdc, int xDest, int yDest, DWORD w, DWORD h, int xSrc, int ySrc, UINT StartScan,
                                UINT cLines, const void* lpvBits, const BITMAPINFO* lpbmi, UINT) {
    auto dc = Dcs().Get(hdc);
    DibFormat f;
    if (!dc || !lpvBits || !ParseDib(lpbmi, &f)) return 0;
    if (w == 0 || h == 0 || w > static_cast<DWORD>(kMaxBitmapSide) || h > static_cast<DWORD>(kMaxBitmapSide))
        return 0;
    if (StartScan >= static_cast<UINT>(f.height)) return 0;
    UINT lines = std::min<UINT>(cLines, static_cast<UINT>(f.height) - StartScan);
    // The bits hold scan lines StartScan.. counted from the DIB's first row in memory.
    int first = f.topdown ? static_cast<int>(StartScan) : f.height - static_cast<int>(StartScan + lines);
    DibFormat part = f;
    part.height = static_cast<int>(lines);
    cairo_surface_t* rows = DibSurface(part, lpvBits, 0, static_cast<int>(lines));
    if (!rows) return 0;
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, f.width, f.height);
    cairo_t* cr = cairo_create(s);
    cairo_set_source_surface(cr, rows, 0, first);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_destroy(rows);
    int top = f.topdown ? ySrc : f.height - ySrc - static_cast<int>(h);
    StretchCore(*dc, Lim(xDest), Lim(yDest), static_cast<int>(w), static_cast<int>(h), s, MonoDib(f), 0xFFFFFF,
                Lim(xSrc), Lim(top), static_cast<int>(w), static_cast<int>(h), SRCCOPY);
    cairo_surface_destroy(s);
    return static_cast<int>(lines);
}

WINEXPORT int StretchDIBits(HDC hdc, int xDest, int yDest, int DestWidth, int DestHeight, int xSrc, int ySrc,
                            int SrcWidth, int SrcHeight, const void* lpBits, const BITMAPINFO* lpbmi, UINT,
                            DWORD rop) {
    auto dc = Dcs().Get(hdc);
    DibFormat f;
    if (!dc || !lpBits || !ParseDib(lpbmi, &f)) return 0;
    cairo_surface_t* s = DibSurface(f, lpBits, 0, f.height);
    if (!s) return 0;
    // A bottom-up DIB measures ySrc from its bottom row.
    int top = f.topdown ? ySrc : f.height - Lim(ySrc) - Lim(SrcHeight);
    BOOL ok = StretchCore(*dc, Lim(xDest), Lim(yDest), Lim(DestWidth), Lim(DestHeight), s, MonoDib(f), 0xFFFFFF,
                          Lim(xSrc), top, Lim(SrcWidth), Lim(SrcHeight), rop);
    cairo_surface_destroy(s);
    return ok ? f.height : 0;
}
