#include "units/label_paint.h"

#include <algorithm>
#include <vector>

namespace units {

GradientColours CollectGradientColours(uint32_t first, uint32_t second, uint32_t third) {
    GradientColours g;
    for (uint32_t c : {first, second, third})
        if (c != kNoColour) g.colour[g.count++] = c & 0x00FFFFFFu;
    return g;
}

GradientPlace GradientPosition(int32_t direction, int32_t width, int32_t height, int32_t x, int32_t y) {
    const int64_t w = width, h = height, rx = w - 1 - x, by = h - 1 - y;
    const int64_t diagonal = 2 * std::min(w, h);
    switch (direction) {
        case 1: return {y, h};
        case 2: return {x, w};
        case 3: return {x + y, diagonal};
        case 4: return {rx + y, diagonal};
        case 5: return {by, h};
        case 6: return {rx, w};
        case 7: return {rx + by, diagonal};
        case 8: return {x + by, diagonal};
        default: return {0, 0};
    }
}

COLORREF GradientColourAt(const GradientColours& colours, int64_t position, int64_t span) {
    if (colours.count <= 0) return 0;
    const int64_t segments = colours.count - 1;
    const COLORREF last = colours.colour[colours.count - 1];
    if (segments == 0 || span <= 0 || position >= span) return last;
    if (position < 0) return colours.colour[0];
    // Segment k covers [k * span / segments, (k + 1) * span / segments): kept
    // as a fraction of span so that spans that do not divide evenly still
    // place every colour where it belongs.
    const int64_t scaled = position * segments;
    const int64_t k = scaled / span;
    const int64_t into = scaled - k * span;  // out of span
    const COLORREF a = colours.colour[k], b = colours.colour[k + 1];
    COLORREF out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const int64_t ca = (a >> shift) & 0xFF, cb = (b >> shift) & 0xFF;
        const int64_t c = ca + (cb - ca) * into / span;
        out |= static_cast<COLORREF>(c & 0xFF) << shift;
    }
    return out;
}

void FillGradient(HDC dc, const RECT& area, int32_t direction, const GradientColours& colours, const RECT& clip) {
    if (colours.count < 2) return;
    const int32_t width = area.right - area.left, height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return;
    std::vector<uint8_t> bits(static_cast<size_t>(kGradientTile) * kGradientTile * 4);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    for (int32_t ty = 0; ty < height; ty += kGradientTile) {
        for (int32_t tx = 0; tx < width; tx += kGradientTile) {
            const int32_t tw = std::min(kGradientTile, width - tx), th = std::min(kGradientTile, height - ty);
            const RECT tile{area.left + tx, area.top + ty, area.left + tx + tw, area.top + ty + th};
            RECT meet;
            if (!IntersectRect(&meet, &tile, &clip)) continue;
            uint8_t* p = bits.data();
            for (int32_t y = 0; y < th; ++y) {
                for (int32_t x = 0; x < tw; ++x, p += 4) {
                    const GradientPlace at = GradientPosition(direction, width, height, tx + x, ty + y);
                    const COLORREF c = GradientColourAt(colours, at.position, at.span);
                    p[0] = static_cast<uint8_t>(c >> 16);  // blue
                    p[1] = static_cast<uint8_t>(c >> 8);
                    p[2] = static_cast<uint8_t>(c);
                    p[3] = 0;
                }
            }
            bi.bmiHeader.biWidth = tw;
            bi.bmiHeader.biHeight = -th;  // top-down rows
            SetDIBitsToDevice(dc, tile.left, tile.top, static_cast<DWORD>(tw), static_cast<DWORD>(th), 0, 0, 0,
                              static_cast<UINT>(th), bits.data(), &bi, DIB_RGB_COLORS);
        }
    }
}

int32_t DrawShadedFrame(HDC dc, const RECT& client, int32_t width, const GradientColours& colours, const RECT& clip) {
    const int32_t cw = client.right - client.left, ch = client.bottom - client.top;
    const int32_t w = std::min({width, cw / 2, ch / 2});
    if (colours.count < 2 || w <= 0) return 0;
    const RECT top{client.left, client.top, client.right, client.top + w};
    const RECT bottom{client.left, client.bottom - w, client.right, client.bottom};
    FillGradient(dc, top, 1, colours, clip);
    FillGradient(dc, bottom, 1, colours, clip);
    // The side bands end in diagonals from the outer to the inner corners, so
    // the corners are mitred over the top and bottom bands.
    const POINT left[4] = {{client.left, client.top},
                           {client.left + w, client.top + w},
                           {client.left + w, client.bottom - w},
                           {client.left, client.bottom}};
    const POINT right[4] = {{client.right, client.top},
                            {client.right, client.bottom},
                            {client.right - w, client.bottom - w},
                            {client.right - w, client.top + w}};
    const RECT leftBand{client.left, client.top, client.left + w, client.bottom};
    const RECT rightBand{client.right - w, client.top, client.right, client.bottom};
    for (int side = 0; side < 2; ++side) {
        HRGN shape = CreatePolygonRgn(side == 0 ? left : right, 4, WINDING);
        const int saved = SaveDC(dc);
        if (shape) ExtSelectClipRgn(dc, shape, RGN_AND);
        FillGradient(dc, side == 0 ? leftBand : rightBand, 2, colours, clip);
        RestoreDC(dc, saved);
        if (shape) DeleteObject(shape);
    }
    return w;
}

}  // namespace units
