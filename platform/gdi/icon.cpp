// Icons and cursors: ARGB pixels with a hot spot. Resources are decoded by
// the imaging helper; the stock icons and cursors are drawn here.
#include <cmath>
#include <cstring>
#include <map>

#include "platform/gdi/gdi_internal.h"
#include "platform/imaging/icon_resource.h"
#include "win/user.h"

namespace platform::gdi {

namespace {

cairo_surface_t* NewArgb(int w, int h) { return cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h); }

// The message-box icons: a coloured disc (or triangle) with a sign.
cairo_surface_t* DrawStockIcon(int id) {
    cairo_surface_t* s = NewArgb(32, 32);
    cairo_t* cr = cairo_create(s);
    const char* sign = "i";
    double r = 0.1, g = 0.3, b = 0.9;
    bool triangle = false;
    switch (id) {
        case 32513: sign = "X"; r = 0.85; g = 0.1; b = 0.1; break;       // IDI_HAND
        case 32514: sign = "?"; break;                                   // IDI_QUESTION
        case 32515: sign = "!"; r = 0.95; g = 0.8; b = 0.1; triangle = true; break;  // IDI_EXCLAMATION
        case 32516: sign = "i"; break;                                   // IDI_ASTERISK
        default: sign = ""; r = 0.3; g = 0.5; b = 0.8; break;            // IDI_APPLICATION
    }
    if (id == 32512) {
        cairo_rectangle(cr, 3, 5, 26, 22);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_fill_preserve(cr);
        cairo_set_source_rgb(cr, 0, 0, 0);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
        cairo_rectangle(cr, 3.5, 5.5, 25, 4);
        cairo_set_source_rgb(cr, r, g, b);
        cairo_fill(cr);
    } else if (triangle) {
        cairo_move_to(cr, 16, 2);
        cairo_line_to(cr, 30, 29);
        cairo_line_to(cr, 2, 29);
        cairo_close_path(cr);
        cairo_set_source_rgb(cr, r, g, b);
        cairo_fill_preserve(cr);
        cairo_set_source_rgb(cr, 0, 0, 0);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
    } else {
        cairo_arc(cr, 16, 16, 14, 0, 2 * M_PI);
        cairo_set_source_rgb(cr, r, g, b);
        cairo_fill_preserve(cr);
        cairo_set_source_rgb(cr, 0.2, 0.2, 0.2);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
    }
    if (*sign) {
        cairo_select_font_face(cr, "Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
        cairo_set_font_size(cr, 20);
        cairo_text_extents_t e;
        cairo_text_extents(cr, sign, &e);
        cairo_move_to(cr, 16 - e.width / 2 - e.x_bearing, (triangle ? 20 : 16) - e.height / 2 - e.y_bearing);
        if (triangle) cairo_set_source_rgb(cr, 0, 0, 0);
        else cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_show_text(cr, sign);
    }
    cairo_destroy(cr);
    cairo_surface_flush(s);
    return s;
}

// A simple arrow picture stands for every stock cursor in captures; the
// display backend shows the desktop's own cursor shapes.
cairo_surface_t* DrawStockCursor() {
    cairo_surface_t* s = NewArgb(32, 32);
    cairo_t* cr = cairo_create(s);
    cairo_move_to(cr, 0.5, 0.5);
    cairo_line_to(cr, 0.5, 16.5);
    cairo_line_to(cr, 4.5, 12.5);
    cairo_line_to(cr, 7.5, 18.5);
    cairo_line_to(cr, 9.5, 17.5);
    cairo_line_to(cr, 6.5, 11.5);
    cairo_line_to(cr, 11.5, 11.5);
    cairo_close_path(cr);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_destroy(cr);
    cairo_surface_flush(s);
    return s;
}

std::mutex g_icon_mu;

}  // namespace

HICON StockIcon(int id) {
    static std::map<int, HICON> made;
    std::lock_guard<std::mutex> lock(g_icon_mu);
    auto it = made.find(id);
    if (it != made.end()) return it->second;
    auto ic = std::make_shared<Icon>();
    // IDC_ARROW and IDI_APPLICATION share 32512: the callers ask for cursors
    // with negative ids (see LoadCursorA).
    if (id < 0) {
        ic->is_icon = false;
        ic->surface = DrawStockCursor();
        ic->system_id = -id;
    } else {
        ic->is_icon = true;
        ic->surface = DrawStockIcon(id);
        ic->system_id = id;
    }
    ic->width = 32;
    ic->height = 32;
    ic->shared = true;
    HICON h = Icons().Add(ic);
    made[id] = h;
    return h;
}

std::shared_ptr<Icon> GetIcon(HICON h) { return Icons().Get(h); }

}  // namespace platform::gdi

using namespace platform;
using namespace platform::gdi;

namespace {

HICON FromBgra(const uint8_t* bgra, int w, int h, bool is_icon, int hx, int hy) {
    auto ic = std::make_shared<Icon>();
    ic->width = w;
    ic->height = h;
    ic->is_icon = is_icon;
    ic->hotx = hx;
    ic->hoty = hy;
    ic->surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    if (cairo_surface_status(ic->surface) != CAIRO_STATUS_SUCCESS) return 0;
    uint8_t* d = cairo_image_surface_get_data(ic->surface);
    int stride = cairo_image_surface_get_stride(ic->surface);
    for (int y = 0; y < h; ++y) {
        uint32_t* row = reinterpret_cast<uint32_t*>(d + static_cast<size_t>(y) * stride);
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = bgra + (static_cast<size_t>(y) * w + x) * 4;
            uint32_t a = p[3];
            // cairo wants premultiplied alpha.
            uint32_t r = p[2] * a / 255, g = p[1] * a / 255, b = p[0] * a / 255;
            row[x] = (a << 24) | (r << 16) | (g << 8) | b;
        }
    }
    cairo_surface_mark_dirty(ic->surface);
    return Icons().Add(ic);
}

}  // namespace

WINEXPORT HICON CreateIconFromResourceEx(const BYTE* bits, DWORD size, BOOL fIcon, DWORD ver, int cx, int cy,
                                         UINT flags) {
    if (!bits || size == 0) return 0;
    if (flags & LR_DEFAULTSIZE) {
        if (cx == 0) cx = 32;
        if (cy == 0) cy = 32;
    }
    IconImage img;
    if (!DecodeIconResource(std::span<const uint8_t>(bits, size), fIcon != 0, ver, cx < 0 ? 0 : cx, cy < 0 ? 0 : cy,
                            &img))
        return 0;
    if (img.width <= 0 || img.height <= 0 ||
        img.bgra.size() != static_cast<size_t>(img.width) * static_cast<size_t>(img.height) * 4)
        return 0;
    return FromBgra(img.bgra.data(), img.width, img.height, img.isIcon, img.hotspotX, img.hotspotY);
}

WINEXPORT HICON CreateIconFromResource(const BYTE* bits, DWORD size, BOOL fIcon, DWORD ver) {
    return CreateIconFromResourceEx(bits, size, fIcon, ver, 0, 0, LR_DEFAULTCOLOR);
}

WINEXPORT HICON CreateIconIndirect(const ICONINFO* ii) {
    if (!ii) return 0;
    auto mask = Bitmaps().Get(ii->hbmMask);
    if (!mask) return 0;
    auto color = Bitmaps().Get(ii->hbmColor);
    int w = mask->width;
    int h = color ? mask->height : mask->height / 2;  // a monochrome icon stacks AND over XOR
    if (color) {
        w = std::min(w, color->width);
        h = std::min(h, color->height);
    }
    if (w <= 0 || h <= 0) return 0;
    mask->SyncFromBits();
    if (color) color->SyncFromBits();
    std::vector<uint8_t> bgra(static_cast<size_t>(w) * h * 4);
    cairo_surface_flush(mask->surface);
    const uint8_t* md = cairo_image_surface_get_data(mask->surface);
    int ms = cairo_image_surface_get_stride(mask->surface);
    const uint8_t* cd = color ? cairo_image_surface_get_data(color->surface) : nullptr;
    int cs = color ? cairo_image_surface_get_stride(color->surface) : 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t m = reinterpret_cast<const uint32_t*>(md + static_cast<size_t>(y) * ms)[x] & 0xFFFFFF;
            uint32_t c = cd ? reinterpret_cast<const uint32_t*>(cd + static_cast<size_t>(y) * cs)[x]
                            : reinterpret_cast<const uint32_t*>(md + static_cast<size_t>(y + h) * ms)[x];
            uint8_t* p = &bgra[(static_cast<size_t>(y) * w + x) * 4];
            p[0] = c & 0xFF;
            p[1] = (c >> 8) & 0xFF;
            p[2] = (c >> 16) & 0xFF;
            p[3] = m ? 0 : 255;  // a set mask bit keeps the screen
        }
    return FromBgra(bgra.data(), w, h, ii->fIcon != 0, static_cast<int>(ii->xHotspot), static_cast<int>(ii->yHotspot));
}

WINEXPORT BOOL GetIconInfo(HICON hIcon, ICONINFO* out) {
    auto ic = Icons().Get(hIcon);
    if (!ic || !out) return FALSE;
    std::memset(out, 0, sizeof *out);
    out->fIcon = ic->is_icon;
    out->xHotspot = static_cast<DWORD>(ic->is_icon ? ic->width / 2 : ic->hotx);
    out->yHotspot = static_cast<DWORD>(ic->is_icon ? ic->height / 2 : ic->hoty);
    HBITMAP color = CreateBitmap(ic->width, ic->height, 1, 32, nullptr);
    HBITMAP mask = CreateBitmap(ic->width, ic->height, 1, 1, nullptr);
    auto cb = Bitmaps().Get(color), mb = Bitmaps().Get(mask);
    if (!cb || !mb) return FALSE;
    cairo_surface_flush(ic->surface);
    const uint8_t* d = cairo_image_surface_get_data(ic->surface);
    int s = cairo_image_surface_get_stride(ic->surface);
    uint8_t* cd = cairo_image_surface_get_data(cb->surface);
    int cs = cairo_image_surface_get_stride(cb->surface);
    uint8_t* md = cairo_image_surface_get_data(mb->surface);
    int mstr = cairo_image_surface_get_stride(mb->surface);
    for (int y = 0; y < ic->height; ++y)
        for (int x = 0; x < ic->width; ++x) {
            uint32_t p = reinterpret_cast<const uint32_t*>(d + static_cast<size_t>(y) * s)[x];
            reinterpret_cast<uint32_t*>(cd + static_cast<size_t>(y) * cs)[x] = p & 0xFFFFFF;
            reinterpret_cast<uint32_t*>(md + static_cast<size_t>(y) * mstr)[x] = (p >> 24) ? 0 : 0xFFFFFF;
        }
    cairo_surface_mark_dirty(cb->surface);
    cairo_surface_mark_dirty(mb->surface);
    out->hbmColor = color;
    out->hbmMask = mask;
    return TRUE;
}

WINEXPORT HICON CopyIcon(HICON hIcon) {
    auto ic = Icons().Get(hIcon);
    if (!ic) return 0;
    auto c = std::make_shared<Icon>(*ic);
    c->shared = false;
    c->surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, ic->width, ic->height);
    cairo_t* cr = cairo_create(c->surface);
    cairo_set_source_surface(cr, ic->surface, 0, 0);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
    return Icons().Add(c);
}

WINEXPORT BOOL DestroyIcon(HICON hIcon) {
    auto ic = Icons().Get(hIcon);
    if (!ic) return FALSE;
    if (ic->shared) return TRUE;  // stock icons live for the whole process
    return Icons().Remove(hIcon) != nullptr;
}

WINEXPORT BOOL DestroyCursor(HCURSOR h) { return DestroyIcon(h); }

WINEXPORT BOOL DrawIconEx(HDC hdc, int x, int y, HICON hIcon, int cx, int cy, UINT, HBRUSH flicker, UINT flags) {
    auto dc = Dcs().Get(hdc);
    auto ic = Icons().Get(hIcon);
    if (!dc || !ic) return FALSE;
    if (cx == 0) cx = (flags & DI_DEFAULTSIZE) ? 32 : ic->width;
    if (cy == 0) cy = (flags & DI_DEFAULTSIZE) ? 32 : ic->height;
    if (cx < 0 || cy < 0 || cx > kMaxBitmapSide || cy > kMaxBitmapSide) return FALSE;
    if (flicker) {
        RECT r{x, y, x + cx, y + cy};
        FillRect(hdc, &r, flicker);
    }
    cairo_t* cr = Prepare(*dc);
    if (!cr) return TRUE;
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_scale(cr, static_cast<double>(cx) / ic->width, static_cast<double>(cy) / ic->height);
    cairo_set_source_surface(cr, ic->surface, 0, 0);
    // At its own size the icon is copied pixel for pixel; scaled, it is
    // filtered with its edge pixels repeated so the border does not fade.
    bool own_size = cx == ic->width && cy == ic->height;
    cairo_pattern_set_filter(cairo_get_source(cr), own_size ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_GOOD);
    if (!own_size) {
        cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
        cairo_rectangle(cr, 0, 0, ic->width, ic->height);
        cairo_clip(cr);
    }
    if ((flags & DI_NORMAL) == DI_MASK) {
        // The mask alone: black where the icon is opaque, white elsewhere.
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_rectangle(cr, 0, 0, ic->width, ic->height);
        cairo_fill(cr);
        cairo_set_source_rgb(cr, 0, 0, 0);
        cairo_mask_surface(cr, ic->surface, 0, 0);
    } else {
        cairo_paint(cr);
    }
    cairo_restore(cr);
    Finish(*dc);
    return TRUE;
}

WINEXPORT BOOL DrawIcon(HDC hDC, int X, int Y, HICON hIcon) { return DrawIconEx(hDC, X, Y, hIcon, 0, 0, 0, 0, DI_NORMAL); }

WINEXPORT HCURSOR LoadCursorA(HINSTANCE hInstance, LPCSTR name) {
    // Only the stock cursors: the program carries no cursor resources.
    if (hInstance || !IS_INTRESOURCE(name)) return 0;
    int id = static_cast<int>(reinterpret_cast<uintptr_t>(name));
    switch (id) {
        case 32512: case 32513: case 32514: case 32515: case 32516: case 32640: case 32641: case 32642:
        case 32643: case 32644: case 32645: case 32646: case 32648: case 32649: case 32650: case 32651:
            return StockIcon(-id);
        default: return 0;
    }
}

WINEXPORT HICON LoadIconA(HINSTANCE hInstance, LPCSTR name) {
    if (hInstance || !IS_INTRESOURCE(name)) return 0;
    int id = static_cast<int>(reinterpret_cast<uintptr_t>(name));
    if (id < 32512 || id > 32516) return 0;
    return StockIcon(id);
}
