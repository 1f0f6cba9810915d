// The drawing side's objects behind the GDI handles.
#pragma once

#include <cairo.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/kernel/handle_table.h"
#include "win/gdi.h"

typedef struct _PangoFontDescription PangoFontDescription;
typedef struct _PangoLayout PangoLayout;

namespace platform::gdi {

struct Pen {
    int style = PS_SOLID;
    int width = 1;
    COLORREF color = 0;
};

struct Bitmap;

struct Brush {
    int style = BS_SOLID;
    COLORREF color = 0;
    int hatch = 0;
    std::shared_ptr<Bitmap> pattern;
    int sys_color = -1;  // GetSysColorBrush: follows the system colour
};

struct Font {
    LOGFONTA lf{};
    PangoFontDescription* desc = nullptr;
    std::string family_utf8;  // the installed family actually used
    uint64_t serial = 0;      // unique per font ever made: keys cached layouts, never reused
    ~Font();
};

// Pixels live in a cairo RGB24 surface (GDI ignores alpha). A DIB section
// whose layout is not the surface's own (bottom-up, 1/4/8/16/24 bits) keeps
// its bits apart and is converted before and after each use.
struct Bitmap {
    int width = 0;
    int height = 0;
    int bpp = 32;  // 1 for monochrome bitmaps
    cairo_surface_t* surface = nullptr;
    // DIB sections
    bool dib = false;
    bool direct = false;  // the surface wraps the bits
    uint8_t* bits = nullptr;
    size_t bits_size = 0;
    int stride = 0;
    bool topdown = false;
    BITMAPINFOHEADER bih{};
    std::vector<RGBQUAD> colors;
    DWORD masks[3] = {0, 0, 0};
    uint32_t selected_dc = 0;
    ~Bitmap();
    void SyncFromBits();
    void SyncToBits();
};

struct Region {
    cairo_region_t* rgn = nullptr;
    Region();
    explicit Region(cairo_region_t* r) : rgn(r) {}
    ~Region();
};

struct Palette {
    std::vector<PALETTEENTRY> entries;
};

// Icons and cursors: premultiplied ARGB32 pixels and a hot spot.
struct Icon {
    int width = 0;
    int height = 0;
    bool is_icon = true;
    int hotx = 0;
    int hoty = 0;
    cairo_surface_t* surface = nullptr;
    int system_id = 0;  // IDC_*/IDI_* number of a stock cursor or icon, else 0
    bool shared = false;
    ~Icon();
};

enum class DcKind { Memory, Window, Screen };

struct DcState {
    HPEN pen = 0;
    HBRUSH brush = 0;
    HFONT font = 0;
    HPALETTE palette = 0;
    COLORREF text_color = 0;
    COLORREF bk_color = 0xFFFFFF;
    COLORREF dc_brush = 0xFFFFFF;
    COLORREF dc_pen = 0;
    int bk_mode = OPAQUE;
    int rop2 = R2_COPYPEN;
    int stretch_mode = BLACKONWHITE;
    UINT text_align = 0;
    POINT cur{0, 0};
    POINT viewport_org{0, 0};
    POINT window_org{0, 0};
    POINT brush_org{0, 0};
    cairo_region_t* clip = nullptr;  // device coordinates; null = none
};

struct DC {
    DcKind kind = DcKind::Memory;
    uint32_t hwnd = 0;
    HBITMAP bitmap = 0;  // memory DCs
    cairo_surface_t* target = nullptr;  // referenced
    POINT origin{0, 0};                 // device (0,0) in target pixels
    cairo_region_t* vis = nullptr;      // target coordinates
    DcState st;
    std::vector<DcState> saved;
    cairo_t* cr = nullptr;
    bool clip_dirty = true;
    bool paint_dc = false;
    ~DC();
};

HandleTable<Pen>& Pens();
HandleTable<Brush>& Brushes();
HandleTable<Font>& Fonts();
HandleTable<Bitmap>& Bitmaps();
HandleTable<Region>& Regions();
HandleTable<Palette>& Palettes();
HandleTable<Icon>& Icons();
HandleTable<DC>& Dcs();

// ---- for the window system -----------------------------------------------------------------
// A DC drawing on a window's part of a top-level surface. vis is in target
// coordinates and is taken over.
HDC CreateWindowDc(uint32_t hwnd, cairo_surface_t* target, POINT origin, cairo_region_t* vis);
void SetDcVisible(HDC hdc, cairo_surface_t* target, POINT origin, cairo_region_t* vis);
// The effective clip in target coordinates (new region, caller destroys).
cairo_region_t* EffectiveClip(DC& dc);
// Sets up dc.cr for drawing in logical coordinates with the clip applied; null
// when the DC cannot draw (no surface). Finish after drawing.
cairo_t* Prepare(DC& dc);
void Finish(DC& dc);
// Straight pixel writes for the two commonest operations of a repaint, which
// cairo would send through its general compositor: an opaque solid colour
// over an integer rectangle, and an unscaled copy between RGB24 surfaces.
// Coordinates are logical (destination) and target pixels (source). Both
// return false when the case is not theirs; the caller then draws with cairo.
bool FillSolid(DC& dc, int l, int t, int r, int b, COLORREF c);
bool CopyPixels(DC& dc, int x, int y, int w, int h, cairo_surface_t* src, int sx, int sy);
// A DC going away: the cached context must not take its clip for another's.
void ForgetContext(const DC* dc);
// Logical to target pixel coordinates.
POINT ToTarget(const DC& dc, int x, int y);

// Colour helpers
inline void SetSource(cairo_t* cr, COLORREF c) {
    cairo_set_source_rgb(cr, GetRValue(c) / 255.0, GetGValue(c) / 255.0, GetBValue(c) / 255.0);
}
inline uint32_t ToPixel(COLORREF c) {
    return (uint32_t(GetRValue(c)) << 16) | (uint32_t(GetGValue(c)) << 8) | GetBValue(c);
}
inline COLORREF FromPixel(uint32_t p) { return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF); }

// Resolves a brush handle, or a COLOR_* index + 1 (class backgrounds, FillRect).
std::shared_ptr<Brush> ResolveBrush(HBRUSH h, COLORREF* colour_out);
// The same as this DC sees it: the stock DC_BRUSH takes the DC's own colour.
std::shared_ptr<Brush> ResolveDcBrush(const DC& dc, HBRUSH h, COLORREF* colour_out);

// Regions from shapes, for window regions and clipping.
cairo_region_t* EllipseRegion(int l, int t, int r, int b);
cairo_region_t* RoundRectRegion(int l, int t, int r, int b, int w, int h);
cairo_region_t* PolygonRegion(const POINT* pts, int n, int mode);
std::shared_ptr<Region> GetRegion(HRGN h);
HRGN AddRegion(cairo_region_t* r);

// Text for the window system (captions, message boxes): UTF-8 in, pango font.
PangoFontDescription* UiFontDescription(bool bold);
std::string ResolveFamily(const std::string& face_utf8);
// Largest accepted bitmap side and pixel count: anything larger is refused.
constexpr int kMaxBitmapSide = 32767;
constexpr int64_t kMaxBitmapPixels = int64_t{1} << 27;

std::shared_ptr<Bitmap> NewBitmap(int w, int h, int bpp);
bool IsStock(HGDIOBJ h);
HBITMAP StockBitmap();
inline bool QuadIsBlack(const RGBQUAD& q) { return q.rgbRed == 0 && q.rgbGreen == 0 && q.rgbBlue == 0; }
inline bool QuadIsWhite(const RGBQUAD& q) { return q.rgbRed == 255 && q.rgbGreen == 255 && q.rgbBlue == 255; }

// Stock cursor and icon handles (created on first use).
HICON StockIcon(int id);
// Icon pixels for the mouse pointer (null when none).
std::shared_ptr<Icon> GetIcon(HICON h);

}  // namespace platform::gdi
