// A memory DC with a 32-bit top-down DIB section whose pixels the tests read.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "win/user.h"

namespace sigtest {

inline const bool kHeadlessGdi = [] {
    setenv("SIGDESIGNER_BACKEND", "headless", 1);
    return true;
}();

struct Canvas {
    HDC dc = 0;
    HBITMAP bm = 0;
    HGDIOBJ old = 0;
    uint32_t* px = nullptr;
    int w, h;
    Canvas(int width, int height, COLORREF fill = RGB(255, 255, 255)) : w(width), h(height) {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        bm = CreateDIBSection(0, &bi, DIB_RGB_COLORS, &bits, 0, 0);
        px = static_cast<uint32_t*>(bits);
        dc = CreateCompatibleDC(0);
        old = SelectObject(dc, bm);
        HBRUSH b = CreateSolidBrush(fill);
        RECT r{0, 0, w, h};
        FillRect(dc, &r, b);
        DeleteObject(b);
    }
    ~Canvas() {
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(bm);
    }
    COLORREF At(int x, int y) const {
        uint32_t v = px[y * w + x];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
    // Bounding box of pixels that differ from the background colour.
    RECT Ink(COLORREF bg = RGB(255, 255, 255)) const {
        RECT r{w, h, -1, -1};
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (At(x, y) != bg) {
                    r.left = std::min<LONG>(r.left, x);
                    r.top = std::min<LONG>(r.top, y);
                    r.right = std::max<LONG>(r.right, x + 1);
                    r.bottom = std::max<LONG>(r.bottom, y + 1);
                }
        return r;
    }
};

}  // namespace sigtest
