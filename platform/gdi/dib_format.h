// Device-independent bitmap layouts: header checks and pixel conversion
// between DIB rows and the RGB24 surfaces everything draws on.
#pragma once

#include <cairo.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "win/gdi.h"

namespace platform::gdi {

struct DibFormat {
    int width = 0;
    int height = 0;  // always positive
    bool topdown = false;
    int bpp = 0;
    DWORD compression = BI_RGB;
    size_t stride = 0;
    size_t image_size = 0;  // stride * height
    std::vector<RGBQUAD> colors;
    DWORD masks[3] = {0, 0, 0};
};

// Checks a BITMAPINFO (header, masks, colour table) and computes the row
// layout. Refuses sizes beyond the bitmap limits, depths other than
// 1/4/8/16/24/32, compressed data and colour counts beyond the depth.
// With readTables false only the header is read (the caller holds a bare
// BITMAPINFOHEADER and fills masks and colours itself).
bool ParseDib(const BITMAPINFO* bmi, DibFormat* out, bool readTables = true);

// Copies rows [first, first + count) of the DIB (row numbers counted from the
// top of the picture) into the surface rows at the same place.
void DibRowsToSurface(const DibFormat& f, const uint8_t* bits, cairo_surface_t* s, int first, int count);
// The reverse; the surface's pixels are matched to the nearest colour for
// paletted formats.
void SurfaceRowsToDib(const DibFormat& f, cairo_surface_t* s, uint8_t* bits, int first, int count);

}  // namespace platform::gdi
