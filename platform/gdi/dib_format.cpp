#include "platform/gdi/dib_format.h"

#include <cstring>
#include <limits>

#include "platform/gdi/gdi_internal.h"

namespace platform::gdi {

bool ParseDib(const BITMAPINFO* bmi, DibFormat* out, bool readTables) {
    if (!bmi || !out) return false;
    const BITMAPINFOHEADER& h = bmi->bmiHeader;
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biSize > 4096) return false;
    if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == std::numeric_limits<LONG>::min()) return false;
    int64_t w = h.biWidth;
    int64_t ht = h.biHeight < 0 ? -int64_t{h.biHeight} : int64_t{h.biHeight};
    if (w > kMaxBitmapSide || ht > kMaxBitmapSide || w * ht > kMaxBitmapPixels) return false;
    int bpp = h.biBitCount;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return false;
    if (h.biCompression != BI_RGB && !(h.biCompression == BI_BITFIELDS && (bpp == 16 || bpp == 32))) return false;
    DibFormat f;
    f.width = static_cast<int>(w);
    f.height = static_cast<int>(ht);
    f.topdown = h.biHeight < 0;
    f.bpp = bpp;
    f.compression = h.biCompression;
    f.stride = ((static_cast<size_t>(w) * bpp + 31) / 32) * 4;
    f.image_size = f.stride * static_cast<size_t>(ht);
    const uint8_t* after = reinterpret_cast<const uint8_t*>(bmi) + h.biSize;
    if (!readTables) {
        if (bpp <= 8) f.colors.assign(size_t{1} << bpp, RGBQUAD{0, 0, 0, 0});
    } else if (h.biCompression == BI_BITFIELDS) {
        std::memcpy(f.masks, after, sizeof f.masks);
        after += sizeof f.masks;
        for (DWORD m : f.masks)
            if (m == 0) return false;
    } else if (bpp == 16) {
        f.masks[0] = 0x7C00;
        f.masks[1] = 0x03E0;
        f.masks[2] = 0x001F;
    } else if (bpp == 32) {
        f.masks[0] = 0xFF0000;
        f.masks[1] = 0xFF00;
        f.masks[2] = 0xFF;
    }
    if (readTables && bpp <= 8) {
        uint32_t max = 1u << bpp;
        uint32_t n = h.biClrUsed ? h.biClrUsed : max;
        if (n > max) return false;
        f.colors.assign(max, RGBQUAD{0, 0, 0, 0});
        std::memcpy(f.colors.data(), after, n * sizeof(RGBQUAD));
    }
    *out = std::move(f);
    return true;
}

namespace {

int MaskShift(DWORD m) {
    int s = 0;
    while (m && !(m & 1)) {
        m >>= 1;
        ++s;
    }
    return s;
}

uint8_t MaskValue(uint32_t v, DWORD m) {
    if (!m) return 0;
    int s = MaskShift(m);
    uint32_t max = m >> s;
    return static_cast<uint8_t>(((v & m) >> s) * 255u / max);
}

uint32_t QuadPixel(const RGBQUAD& q) { return (uint32_t(q.rgbRed) << 16) | (uint32_t(q.rgbGreen) << 8) | q.rgbBlue; }

int Nearest(const std::vector<RGBQUAD>& pal, uint32_t p) {
    int best = 0;
    int bestd = std::numeric_limits<int>::max();
    int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
    for (size_t i = 0; i < pal.size(); ++i) {
        int dr = r - pal[i].rgbRed, dg = g - pal[i].rgbGreen, db = b - pal[i].rgbBlue;
        int d = dr * dr + dg * dg + db * db;
        if (d < bestd) {
            bestd = d;
            best = static_cast<int>(i);
            if (d == 0) break;
        }
    }
    return best;
}

}  // namespace

void DibRowsToSurface(const DibFormat& f, const uint8_t* bits, cairo_surface_t* s, int first, int count) {
    cairo_surface_flush(s);
    uint8_t* data = cairo_image_surface_get_data(s);
    int sstride = cairo_image_surface_get_stride(s);
    int sw = cairo_image_surface_get_width(s), sh = cairo_image_surface_get_height(s);
    if (!data) return;
    int w = std::min(f.width, sw);
    for (int y = std::max(first, 0); y < first + count && y < f.height && y < sh; ++y) {
        size_t srow = f.topdown ? static_cast<size_t>(y) : static_cast<size_t>(f.height - 1 - y);
        const uint8_t* src = bits + srow * f.stride;
        uint32_t* dst = reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y) * sstride);
        switch (f.bpp) {
            case 1:
                for (int x = 0; x < w; ++x) dst[x] = QuadPixel(f.colors[(src[x >> 3] >> (7 - (x & 7))) & 1]);
                break;
            case 4:
                for (int x = 0; x < w; ++x) dst[x] = QuadPixel(f.colors[(src[x >> 1] >> ((x & 1) ? 0 : 4)) & 15]);
                break;
            case 8:
                for (int x = 0; x < w; ++x) dst[x] = QuadPixel(f.colors[src[x]]);
                break;
            case 16:
                for (int x = 0; x < w; ++x) {
                    uint32_t v = src[2 * x] | (src[2 * x + 1] << 8);
                    dst[x] = (uint32_t(MaskValue(v, f.masks[0])) << 16) | (uint32_t(MaskValue(v, f.masks[1])) << 8) |
                             MaskValue(v, f.masks[2]);
                }
                break;
            case 24:
                for (int x = 0; x < w; ++x)
                    dst[x] = (uint32_t(src[3 * x + 2]) << 16) | (uint32_t(src[3 * x + 1]) << 8) | src[3 * x];
                break;
            case 32:
                if (f.compression == BI_RGB) {
                    for (int x = 0; x < w; ++x) {
                        uint32_t v;
                        std::memcpy(&v, src + 4 * x, 4);
                        dst[x] = v & 0xFFFFFF;
                    }
                } else {
                    for (int x = 0; x < w; ++x) {
                        uint32_t v;
                        std::memcpy(&v, src + 4 * x, 4);
                        dst[x] = (uint32_t(MaskValue(v, f.masks[0])) << 16) |
                                 (uint32_t(MaskValue(v, f.masks[1])) << 8) | MaskValue(v, f.masks[2]);
                    }
                }
                break;
        }
    }
    cairo_surface_mark_dirty(s);
}

void SurfaceRowsToDib(const DibFormat& f, cairo_surface_t* s, uint8_t* bits, int first, int count) {
    cairo_surface_flush(s);
    const uint8_t* data = cairo_image_surface_get_data(s);
    int sstride = cairo_image_surface_get_stride(s);
    int sw = cairo_image_surface_get_width(s), sh = cairo_image_surface_get_height(s);
    if (!data) return;
    int w = std::min(f.width, sw);
    for (int y = std::max(first, 0); y < first + count && y < f.height && y < sh; ++y) {
        size_t drow = f.topdown ? static_cast<size_t>(y) : static_cast<size_t>(f.height - 1 - y);
        uint8_t* dst = bits + drow * f.stride;
        const uint32_t* src = reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * sstride);
        switch (f.bpp) {
            case 1:
            case 4:
            case 8: {
                // Runs of one colour are common; remember the last match.
                uint32_t last = 0xFFFFFFFF;
                int idx = 0;
                for (int x = 0; x < w; ++x) {
                    uint32_t p = src[x] & 0xFFFFFF;
                    if (p != last) {
                        idx = Nearest(f.colors, p);
                        last = p;
                    }
                    if (f.bpp == 8) {
                        dst[x] = static_cast<uint8_t>(idx);
                    } else if (f.bpp == 4) {
                        uint8_t& b = dst[x >> 1];
                        b = (x & 1) ? ((b & 0xF0) | idx) : ((b & 0x0F) | (idx << 4));
                    } else {
                        uint8_t& b = dst[x >> 3];
                        uint8_t bit = 0x80 >> (x & 7);
                        b = idx ? (b | bit) : (b & ~bit);
                    }
                }
                break;
            }
            case 16:
                for (int x = 0; x < w; ++x) {
                    uint32_t p = src[x];
                    uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
                    uint32_t v = 0;
                    const uint32_t c[3] = {r, g, b};
                    for (int k = 0; k < 3; ++k) {
                        int sh2 = MaskShift(f.masks[k]);
                        uint32_t max = f.masks[k] >> sh2;
                        v |= ((c[k] * max + 127) / 255) << sh2;
                    }
                    dst[2 * x] = v & 0xFF;
                    dst[2 * x + 1] = (v >> 8) & 0xFF;
                }
                break;
            case 24:
                for (int x = 0; x < w; ++x) {
                    dst[3 * x] = src[x] & 0xFF;
                    dst[3 * x + 1] = (src[x] >> 8) & 0xFF;
                    dst[3 * x + 2] = (src[x] >> 16) & 0xFF;
                }
                break;
            case 32:
                for (int x = 0; x < w; ++x) {
                    uint32_t v = src[x] & 0xFFFFFF;
                    std::memcpy(dst + 4 * x, &v, 4);
                }
                break;
        }
    }
}

}  // namespace platform::gdi
