// GDI objects: tables, stock objects, pens, brushes, bitmaps, palettes and
// the generic object calls.
#include <pango/pango.h>

#include <array>
#include <cstring>
#include <limits>
#include <set>

#include "platform/gdi/dib_format.h"
#include "platform/gdi/gdi_internal.h"
#include "win/kernel.h"
#include "win/user.h"

namespace platform::gdi {

HandleTable<Pen>& Pens() {
    static HandleTable<Pen> t(HandleKind::Pen);
    return t;
}
HandleTable<Brush>& Brushes() {
    static HandleTable<Brush> t(HandleKind::Brush);
    return t;
}
HandleTable<Font>& Fonts() {
    static HandleTable<Font> t(HandleKind::Font);
    return t;
}
HandleTable<Bitmap>& Bitmaps() {
    static HandleTable<Bitmap> t(HandleKind::Bitmap);
    return t;
}
HandleTable<Region>& Regions() {
    static HandleTable<Region> t(HandleKind::Region);
    return t;
}
HandleTable<Palette>& Palettes() {
    static HandleTable<Palette> t(HandleKind::Palette);
    return t;
}
HandleTable<Icon>& Icons() {
    static HandleTable<Icon> t(HandleKind::Icon);
    return t;
}
HandleTable<DC>& Dcs() {
    static HandleTable<DC> t(HandleKind::DeviceContext);
    return t;
}

Font::~Font() {
    if (desc) pango_font_description_free(desc);
}

Bitmap::~Bitmap() {
    if (surface) cairo_surface_destroy(surface);
    if (dib) std::free(bits);
}

void Bitmap::SyncFromBits() {
    if (!dib || direct || !bits) return;
    DibFormat f;
    // bih stands alone here: its colours and masks are kept beside it.
    if (!ParseDib(reinterpret_cast<const BITMAPINFO*>(&bih), &f, false)) return;
    f.colors = colors;
    std::memcpy(f.masks, masks, sizeof masks);
    DibRowsToSurface(f, bits, surface, 0, height);
}

void Bitmap::SyncToBits() {
    if (!dib || direct || !bits) return;
    DibFormat f;
    // bih stands alone here: its colours and masks are kept beside it.
    if (!ParseDib(reinterpret_cast<const BITMAPINFO*>(&bih), &f, false)) return;
    f.colors = colors;
    f.compression = bih.biCompression;
    std::memcpy(f.masks, masks, sizeof masks);
    SurfaceRowsToDib(f, surface, bits, 0, height);
}

Region::Region() : rgn(cairo_region_create()) {}
Region::~Region() {
    if (rgn) cairo_region_destroy(rgn);
}

Icon::~Icon() {
    if (surface) cairo_surface_destroy(surface);
}

DC::~DC() {
    ForgetContext(this);
    if (cr) cairo_destroy(cr);
    if (target) cairo_surface_destroy(target);
    if (vis) cairo_region_destroy(vis);
    if (st.clip) cairo_region_destroy(st.clip);
    for (auto& s : saved)
        if (s.clip) cairo_region_destroy(s.clip);
}

namespace {

std::mutex g_stock_mu;
HGDIOBJ g_stock[20] = {};
std::set<HGDIOBJ>& StockSet() {
    static std::set<HGDIOBJ> s;
    return s;
}

HGDIOBJ MakeStock(int i) {
    auto pen = [](int style, COLORREF c) {
        auto p = std::make_shared<Pen>();
        p->style = style;
        p->color = c;
        return Pens().Add(p);
    };
    auto brush = [](int style, COLORREF c) {
        auto b = std::make_shared<Brush>();
        b->style = style;
        b->color = c;
        return Brushes().Add(b);
    };
    auto font = [](int height, const char* face, int weight) {
        LOGFONTA lf{};
        lf.lfHeight = height;
        lf.lfWeight = weight;
        lf.lfCharSet = DEFAULT_CHARSET;
        std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
        return CreateFontIndirectA(&lf);
    };
    switch (i) {
        case WHITE_BRUSH: return brush(BS_SOLID, RGB(255, 255, 255));
        case LTGRAY_BRUSH: return brush(BS_SOLID, RGB(192, 192, 192));
        case GRAY_BRUSH: return brush(BS_SOLID, RGB(128, 128, 128));
        case DKGRAY_BRUSH: return brush(BS_SOLID, RGB(64, 64, 64));
        case BLACK_BRUSH: return brush(BS_SOLID, 0);
        case NULL_BRUSH: return brush(BS_NULL, 0);
        case WHITE_PEN: return pen(PS_SOLID, RGB(255, 255, 255));
        case BLACK_PEN: return pen(PS_SOLID, 0);
        case NULL_PEN: return pen(PS_NULL, 0);
        case DC_BRUSH: return brush(BS_SOLID, RGB(255, 255, 255));
        case DC_PEN: return pen(PS_SOLID, 0);
        // The UI font: "System" and the GUI font resolve to the installed CJK
        // face, 12 pixels as the classic desktop's 9-point text.
        case SYSTEM_FONT: return font(-12, "System", FW_BOLD);
        case DEVICE_DEFAULT_FONT:
        case ANSI_VAR_FONT:
        case DEFAULT_GUI_FONT: return font(-12, "", FW_NORMAL);
        case OEM_FIXED_FONT:
        case ANSI_FIXED_FONT:
        case SYSTEM_FIXED_FONT: return font(-12, "Monospace", FW_NORMAL);
        case DEFAULT_PALETTE: {
            auto p = std::make_shared<Palette>();
            static const BYTE c[20][3] = {{0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},
                                          {0, 0, 128},     {128, 0, 128},   {0, 128, 128},   {192, 192, 192},
                                          {192, 220, 192}, {166, 202, 240}, {255, 251, 240}, {160, 160, 164},
                                          {128, 128, 128}, {255, 0, 0},     {0, 255, 0},     {255, 255, 0},
                                          {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};
            for (auto& e : c) p->entries.push_back(PALETTEENTRY{e[0], e[1], e[2], 0});
            return Palettes().Add(p);
        }
        default: return 0;
    }
}

}  // namespace

bool IsStock(HGDIOBJ h) {
    std::lock_guard<std::mutex> lock(g_stock_mu);
    return StockSet().count(h) != 0;
}

// A 1x1 monochrome bitmap is what a new memory DC holds, as on Windows.
HBITMAP StockBitmap() {
    static HBITMAP h = [] {
        HBITMAP b = CreateBitmap(1, 1, 1, 1, nullptr);
        std::lock_guard<std::mutex> lock(g_stock_mu);
        StockSet().insert(b);
        return b;
    }();
    return h;
}

std::shared_ptr<Brush> ResolveBrush(HBRUSH h, COLORREF* colour_out) {
    if (h > 0 && h <= 31) {  // COLOR_* + 1; the system colours never change
        static const auto sys = [] {
            std::array<std::shared_ptr<Brush>, 31> a;
            for (int i = 0; i < 31; ++i) {
                a[i] = std::make_shared<Brush>();
                a[i]->color = GetSysColor(i);
            }
            return a;
        }();
        if (colour_out) *colour_out = sys[h - 1]->color;
        return sys[h - 1];
    }
    auto b = Brushes().Get(h);
    if (b && b->sys_color >= 0) b->color = GetSysColor(b->sys_color);
    if (b && colour_out) *colour_out = b->color;
    return b;
}

std::shared_ptr<Brush> ResolveDcBrush(const DC& dc, HBRUSH h, COLORREF* colour_out) {
    auto b = ResolveBrush(h, colour_out);
    static const HGDIOBJ dc_brush = GetStockObject(DC_BRUSH);
    if (b && colour_out && h == dc_brush) *colour_out = dc.st.dc_brush;
    return b;
}

std::shared_ptr<Region> GetRegion(HRGN h) { return Regions().Get(h); }
HRGN AddRegion(cairo_region_t* r) { return Regions().Add(std::make_shared<Region>(r)); }

std::shared_ptr<Bitmap> NewBitmap(int w, int h, int bpp) {
    if (w <= 0 || h <= 0 || w > kMaxBitmapSide || h > kMaxBitmapSide || int64_t{w} * h > kMaxBitmapPixels)
        return nullptr;
    auto b = std::make_shared<Bitmap>();
    b->width = w;
    b->height = h;
    b->bpp = bpp;
    b->surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
    if (cairo_surface_status(b->surface) != CAIRO_STATUS_SUCCESS) return nullptr;
    return b;
}

}  // namespace platform::gdi

using namespace platform;
using namespace platform::gdi;

WINEXPORT HGDIOBJ GetStockObject(int i) {
    if (i < 0 || i >= 20) return 0;
    {
        std::lock_guard<std::mutex> lock(g_stock_mu);
        if (g_stock[i]) return g_stock[i];
    }
    HGDIOBJ h = MakeStock(i);
    std::lock_guard<std::mutex> lock(g_stock_mu);
    if (g_stock[i]) return g_stock[i];  // another thread won; the extra object is harmless
    g_stock[i] = h;
    if (h) StockSet().insert(h);
    return h;
}

WINEXPORT BOOL DeleteObject(HGDIOBJ h) {
    if (!h) return FALSE;
    if (IsStock(h)) return TRUE;
    switch (KindOfHandle(h)) {
        case HandleKind::Pen: return Pens().Remove(h) != nullptr;
        case HandleKind::Brush: return Brushes().Remove(h) != nullptr;
        case HandleKind::Font: return Fonts().Remove(h) != nullptr;
        case HandleKind::Region: return Regions().Remove(h) != nullptr;
        case HandleKind::Palette: return Palettes().Remove(h) != nullptr;
        case HandleKind::Bitmap: {
            auto b = Bitmaps().Get(h);
            // A bitmap selected into a DC stays until it is deselected.
            if (!b || (b->selected_dc && Dcs().Valid(b->selected_dc))) return FALSE;
            return Bitmaps().Remove(h) != nullptr;
        }
        default: return FALSE;
    }
}

WINEXPORT DWORD GetObjectType(HGDIOBJ h) {
    switch (KindOfHandle(h)) {
        case HandleKind::Pen: return Pens().Valid(h) ? OBJ_PEN : 0;
        case HandleKind::Brush: return Brushes().Valid(h) ? OBJ_BRUSH : 0;
        case HandleKind::Font: return Fonts().Valid(h) ? OBJ_FONT : 0;
        case HandleKind::Region: return Regions().Valid(h) ? OBJ_REGION : 0;
        case HandleKind::Palette: return Palettes().Valid(h) ? OBJ_PAL : 0;
        case HandleKind::Bitmap: return Bitmaps().Valid(h) ? OBJ_BITMAP : 0;
        case HandleKind::DeviceContext: {
            auto dc = Dcs().Get(h);
            if (!dc) return 0;
            return dc->kind == DcKind::Memory ? OBJ_MEMDC : OBJ_DC;
        }
        default: return 0;
    }
}

WINEXPORT int GetObjectA(HGDIOBJ h, int c, LPVOID pv) {
    if (c < 0) return 0;
    auto copy = [&](const void* src, int n) {
        if (!pv) return n;
        if (c < n) n = c;
        std::memcpy(pv, src, n);
        return n;
    };
    switch (KindOfHandle(h)) {
        case HandleKind::Pen: {
            auto p = Pens().Get(h);
            if (!p) return 0;
            LOGPEN lp{static_cast<UINT>(p->style), {p->width, 0}, p->color};
            return copy(&lp, sizeof lp);
        }
        case HandleKind::Brush: {
            auto b = ResolveBrush(h, nullptr);
            if (!b) return 0;
            LOGBRUSH lb{static_cast<UINT>(b->style), b->color, static_cast<ULONG_PTR>(b->hatch)};
            return copy(&lb, sizeof lb);
        }
        case HandleKind::Font: {
            auto f = Fonts().Get(h);
            if (!f) return 0;
            return copy(&f->lf, sizeof f->lf);
        }
        case HandleKind::Palette: {
            auto p = Palettes().Get(h);
            if (!p) return 0;
            WORD n = static_cast<WORD>(p->entries.size());
            return copy(&n, sizeof n);
        }
        case HandleKind::Bitmap: {
            auto b = Bitmaps().Get(h);
            if (!b) return 0;
            DIBSECTION ds{};
            ds.dsBm.bmWidth = b->width;
            ds.dsBm.bmHeight = b->height;
            ds.dsBm.bmPlanes = 1;
            ds.dsBm.bmBitsPixel = static_cast<WORD>(b->dib ? b->bih.biBitCount : b->bpp);
            ds.dsBm.bmWidthBytes = b->dib ? b->stride : ((b->width * ds.dsBm.bmBitsPixel + 15) / 16) * 2;
            ds.dsBm.bmBits = b->dib ? b->bits : nullptr;
            if (b->dib && c >= static_cast<int>(sizeof(DIBSECTION))) {
                ds.dsBmih = b->bih;
                std::memcpy(ds.dsBitfields, b->masks, sizeof ds.dsBitfields);
                return copy(&ds, sizeof ds);
            }
            return copy(&ds.dsBm, sizeof ds.dsBm);
        }
        default: return 0;
    }
}

WINEXPORT HPEN CreatePen(int style, int width, COLORREF color) {
    auto p = std::make_shared<Pen>();
    p->style = style & PS_STYLE_MASK;
    if (p->style > PS_INSIDEFRAME) p->style = PS_SOLID;
    p->width = width < 1 ? 1 : (width > 1000 ? 1000 : width);
    p->color = color & 0xFFFFFF;
    return Pens().Add(p);
}

WINEXPORT HPEN CreatePenIndirect(const LOGPEN* lp) {
    if (!lp) return 0;
    return CreatePen(static_cast<int>(lp->lopnStyle), lp->lopnWidth.x, lp->lopnColor);
}

WINEXPORT HBRUSH CreateSolidBrush(COLORREF color) {
    auto b = std::make_shared<Brush>();
    b->color = color & 0xFFFFFF;
    return Brushes().Add(b);
}

WINEXPORT HBRUSH CreateHatchBrush(int style, COLORREF color) {
    if (style < HS_HORIZONTAL || style > HS_DIAGCROSS) return 0;
    auto b = std::make_shared<Brush>();
    b->style = BS_HATCHED;
    b->hatch = style;
    b->color = color & 0xFFFFFF;
    return Brushes().Add(b);
}

WINEXPORT HBRUSH CreatePatternBrush(HBITMAP hbm) {
    auto bm = Bitmaps().Get(hbm);
    if (!bm) return 0;
    // The brush keeps its own copy: the bitmap may be deleted afterwards.
    auto copy = NewBitmap(bm->width, bm->height, bm->bpp);
    if (!copy) return 0;
    bm->SyncFromBits();
    cairo_t* cr = cairo_create(copy->surface);
    cairo_set_source_surface(cr, bm->surface, 0, 0);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
    auto b = std::make_shared<Brush>();
    b->style = BS_PATTERN;
    b->pattern = copy;
    return Brushes().Add(b);
}

WINEXPORT HBRUSH CreateBrushIndirect(const LOGBRUSH* lb) {
    if (!lb) return 0;
    switch (lb->lbStyle) {
        case BS_SOLID: return CreateSolidBrush(lb->lbColor);
        case BS_NULL: return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
        case BS_HATCHED: return CreateHatchBrush(static_cast<int>(lb->lbHatch), lb->lbColor);
        case BS_PATTERN: return CreatePatternBrush(static_cast<HBITMAP>(lb->lbHatch));
        default: return 0;
    }
}

WINEXPORT HBITMAP CreateBitmap(int w, int h, UINT planes, UINT bitcount, const void* bits) {
    if (planes != 1 && planes != 0) return 0;
    // Windows gives a 1x1 monochrome bitmap for an empty size.
    if (w == 0 || h == 0) {
        w = 1;
        h = 1;
        bitcount = 1;
    }
    if (w < 0 || h < 0) return 0;
    int bpp = bitcount == 1 ? 1 : 32;
    auto b = NewBitmap(w, h, bpp);
    if (!b) return 0;
    if (bits) {
        // Device-dependent rows are word-aligned, top-down.
        BITMAPINFO bi{};
        struct {
            BITMAPINFOHEADER h;
            RGBQUAD c[2];
        } mono{};
        DibFormat f;
        f.width = w;
        f.height = h;
        f.topdown = true;
        if (bitcount == 1) {
            f.bpp = 1;
            f.colors = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
            f.stride = ((static_cast<size_t>(w) + 15) / 16) * 2;
        } else if (bitcount == 24 || bitcount == 32 || bitcount == 16 || bitcount == 8) {
            f.bpp = static_cast<int>(bitcount);
            f.stride = ((static_cast<size_t>(w) * bitcount + 15) / 16) * 2;
            if (bitcount == 16) {
                f.masks[0] = 0x7C00;
                f.masks[1] = 0x03E0;
                f.masks[2] = 0x1F;
            }
            if (bitcount == 8) f.colors.assign(256, RGBQUAD{0, 0, 0, 0});
            for (int i = 0; bitcount == 8 && i < 256; ++i)
                f.colors[i] = RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i), 0};
        } else {
            return 0;
        }
        (void)bi;
        (void)mono;
        DibRowsToSurface(f, static_cast<const uint8_t*>(bits), b->surface, 0, h);
    } else {
        cairo_t* cr = cairo_create(b->surface);
        cairo_set_source_rgb(cr, 0, 0, 0);
        cairo_paint(cr);
        cairo_destroy(cr);
    }
    return Bitmaps().Add(b);
}

WINEXPORT HBITMAP CreateCompatibleBitmap(HDC hdc, int cx, int cy) {
    int bpp = 32;
    if (hdc) {
        auto dc = Dcs().Get(hdc);
        if (!dc) return 0;
        if (dc->kind == DcKind::Memory) {
            auto bm = Bitmaps().Get(dc->bitmap);
            if (bm && bm->bpp == 1) bpp = 1;
        }
    }
    if (cx == 0 || cy == 0) return CreateBitmap(1, 1, 1, 1, nullptr);
    if (cx < 0 || cy < 0) return 0;
    auto b = NewBitmap(cx, cy, bpp);
    if (!b) return 0;
    return Bitmaps().Add(b);
}

WINEXPORT HBITMAP CreateDIBSection(HDC, const BITMAPINFO* pbmi, UINT, void** ppvBits, HANDLE, DWORD) {
    if (ppvBits) *ppvBits = nullptr;
    DibFormat f;
    if (!ParseDib(pbmi, &f)) return 0;
    auto b = std::make_shared<Bitmap>();
    b->width = f.width;
    b->height = f.height;
    b->bpp = 32;
    b->dib = true;
    b->bih = pbmi->bmiHeader;
    b->bih.biSize = sizeof(BITMAPINFOHEADER);
    b->colors = f.colors;
    std::memcpy(b->masks, f.masks, sizeof b->masks);
    b->stride = static_cast<int>(f.stride);
    b->topdown = f.topdown;
    b->bits_size = f.image_size;
    b->bits = static_cast<uint8_t*>(std::calloc(1, f.image_size ? f.image_size : 1));
    if (!b->bits) return 0;
    // A top-down 32-bit BI_RGB section has the surface's own layout: share it.
    if (f.bpp == 32 && f.topdown && f.compression == BI_RGB) {
        b->direct = true;
        b->surface = cairo_image_surface_create_for_data(b->bits, CAIRO_FORMAT_RGB24, f.width, f.height,
                                                         static_cast<int>(f.stride));
    } else {
        b->surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, f.width, f.height);
        b->SyncFromBits();
    }
    if (cairo_surface_status(b->surface) != CAIRO_STATUS_SUCCESS) return 0;
    if (f.bpp == 1 && f.colors.size() == 2 && QuadIsBlack(f.colors[0]) && QuadIsWhite(f.colors[1])) b->bpp = 1;
    if (ppvBits) *ppvBits = b->bits;
    return Bitmaps().Add(b);
}

WINEXPORT HBITMAP CreateDIBitmap(HDC hdc, const BITMAPINFOHEADER* pbmih, DWORD flInit, const void* pjBits,
                                 const BITMAPINFO* pbmi, UINT iUsage) {
    if (!pbmih) return 0;
    LONG w = pbmih->biWidth, h = pbmih->biHeight;
    if (h == std::numeric_limits<LONG>::min()) return 0;
    if (h < 0) h = -h;
    HBITMAP bm = CreateCompatibleBitmap(hdc, w, h);
    if (!bm) return 0;
    if ((flInit & CBM_INIT) && pjBits && pbmi) SetDIBits(hdc, bm, 0, static_cast<UINT>(h), pjBits, pbmi, iUsage);
    return bm;
}

WINEXPORT int SetDIBits(HDC, HBITMAP hbm, UINT start, UINT cLines, const void* lpBits, const BITMAPINFO* lpbmi, UINT) {
    auto b = Bitmaps().Get(hbm);
    DibFormat f;
    if (!b || !lpBits || !ParseDib(lpbmi, &f)) return 0;
    if (start >= static_cast<UINT>(f.height)) return 0;
    UINT lines = std::min<UINT>(cLines, static_cast<UINT>(f.height) - start);
    // Scan lines count from the bottom of a bottom-up DIB.
    int first = f.topdown ? static_cast<int>(start) : f.height - static_cast<int>(start + lines);
    if (f.topdown) {
        DibRowsToSurface(f, static_cast<const uint8_t*>(lpBits) - start * f.stride, b->surface, first, lines);
    } else {
        DibFormat part = f;
        part.height = static_cast<int>(lines);
        // Rows of the part map to surface rows first..first+lines.
        cairo_surface_t* tmp = cairo_image_surface_create(CAIRO_FORMAT_RGB24, f.width, static_cast<int>(lines));
        DibRowsToSurface(part, static_cast<const uint8_t*>(lpBits), tmp, 0, static_cast<int>(lines));
        cairo_t* cr = cairo_create(b->surface);
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_set_source_surface(cr, tmp, 0, first);
        cairo_rectangle(cr, 0, first, f.width, lines);
        cairo_fill(cr);
        cairo_destroy(cr);
        cairo_surface_destroy(tmp);
    }
    b->SyncToBits();
    return static_cast<int>(lines);
}

WINEXPORT int GetDIBits(HDC, HBITMAP hbm, UINT start, UINT cLines, LPVOID lpvBits, LPBITMAPINFO lpbmi, UINT) {
    auto b = Bitmaps().Get(hbm);
    if (!b || !lpbmi || lpbmi->bmiHeader.biSize < sizeof(BITMAPINFOHEADER)) return 0;
    BITMAPINFOHEADER& h = lpbmi->bmiHeader;
    if (h.biBitCount == 0) {
        // Asking for the format only.
        h.biWidth = b->width;
        h.biHeight = b->height;
        h.biPlanes = 1;
        h.biBitCount = static_cast<WORD>(b->bpp == 1 ? 1 : 32);
        h.biCompression = BI_RGB;
        h.biSizeImage = static_cast<DWORD>(((b->width * h.biBitCount + 31) / 32) * 4 * b->height);
        return b->height;
    }
    if (h.biWidth != b->width || (h.biHeight != b->height && h.biHeight != -b->height)) {
        h.biWidth = b->width;
        h.biHeight = h.biHeight < 0 ? -b->height : b->height;
    }
    if (h.biBitCount <= 8) {
        // Fill in a colour table: grey for 1 bit (black, white), a 6x6x6 cube otherwise.
        RGBQUAD* c = lpbmi->bmiColors;
        int n = 1 << h.biBitCount;
        for (int i = 0; i < n; ++i) {
            if (n == 2) {
                BYTE v = i ? 255 : 0;
                c[i] = RGBQUAD{v, v, v, 0};
            } else if (n == 16) {
                static const BYTE v16[16][3] = {{0, 0, 0},     {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                                                {0, 0, 128},   {128, 0, 128}, {0, 128, 128}, {128, 128, 128},
                                                {192, 192, 192}, {255, 0, 0}, {0, 255, 0},   {255, 255, 0},
                                                {0, 0, 255},   {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
                c[i] = RGBQUAD{v16[i][2], v16[i][1], v16[i][0], 0};
            } else {
                int r = i / 36 % 6, g = i / 6 % 6, bl = i % 6;
                c[i] = i < 216 ? RGBQUAD{static_cast<BYTE>(bl * 51), static_cast<BYTE>(g * 51),
                                         static_cast<BYTE>(r * 51), 0}
                               : RGBQUAD{static_cast<BYTE>((i - 216) * 6), static_cast<BYTE>((i - 216) * 6),
                                         static_cast<BYTE>((i - 216) * 6), 0};
            }
        }
        h.biClrUsed = 0;
    }
    DibFormat f;
    if (!ParseDib(lpbmi, &f)) return 0;
    h.biSizeImage = static_cast<DWORD>(f.image_size);
    if (!lpvBits) return f.height;
    if (start >= static_cast<UINT>(f.height)) return 0;
    UINT lines = std::min<UINT>(cLines, static_cast<UINT>(f.height) - start);
    b->SyncFromBits();
    // Convert the whole picture into a scratch buffer and hand out the requested scan lines.
    std::vector<uint8_t> all(f.image_size);
    SurfaceRowsToDib(f, b->surface, all.data(), 0, f.height);
    std::memcpy(lpvBits, all.data() + static_cast<size_t>(start) * f.stride, lines * f.stride);
    return static_cast<int>(lines);
}

WINEXPORT BOOL GetBitmapDimensionEx(HBITMAP hbit, LPSIZE lpsize) {
    if (!Bitmaps().Valid(hbit)) return FALSE;
    if (lpsize) *lpsize = SIZE{0, 0};
    return TRUE;
}

WINEXPORT HPALETTE CreatePalette(const LOGPALETTE* plpal) {
    if (!plpal || plpal->palNumEntries == 0 || plpal->palNumEntries > 256) return 0;
    auto p = std::make_shared<Palette>();
    p->entries.assign(plpal->palPalEntry, plpal->palPalEntry + plpal->palNumEntries);
    return Palettes().Add(p);
}

WINEXPORT UINT GetPaletteEntries(HPALETTE hpal, UINT iStart, UINT cEntries, PALETTEENTRY* out) {
    auto p = Palettes().Get(hpal);
    if (!p) return 0;
    if (!out) return static_cast<UINT>(p->entries.size());
    UINT n = 0;
    for (UINT i = iStart; i < p->entries.size() && n < cEntries; ++i) out[n++] = p->entries[i];
    return n;
}

WINEXPORT UINT GetNearestPaletteIndex(HPALETTE h, COLORREF color) {
    auto p = Palettes().Get(h);
    if (!p || p->entries.empty()) return CLR_INVALID;
    UINT best = 0;
    int bestd = 1 << 30;
    for (UINT i = 0; i < p->entries.size(); ++i) {
        int dr = p->entries[i].peRed - GetRValue(color), dg = p->entries[i].peGreen - GetGValue(color),
            db = p->entries[i].peBlue - GetBValue(color);
        int d = dr * dr + dg * dg + db * db;
        if (d < bestd) {
            bestd = d;
            best = i;
        }
    }
    return best;
}

WINEXPORT COLORREF GetNearestColor(HDC hdc, COLORREF color) {
    return Dcs().Valid(hdc) ? (color & 0xFFFFFF) : CLR_INVALID;
}

WINEXPORT BOOL GdiFlush(void) { return TRUE; }
