// The direct pixel paths of a repaint: FillRect with a solid brush and
// unscaled SRCCOPY blits write pixels themselves instead of going through
// cairo, and TextOutA reuses laid-out texts. Each must give what the general
// path gives, through clips, origins, surface edges, font and colour changes.
#include <string>
#include <vector>

#include "platform/kernel/codepage.h"
#include "tests/platform/gdi/canvas.h"

using namespace sigtest;

namespace {

constexpr COLORREF kBg = RGB(10, 20, 30), kPaint = RGB(200, 100, 50);

// The clips the fills and blits are tried under: none, a two-rectangle
// region, and an excluded band with a moved viewport origin.
void ApplyClip(HDC dc, int which) {
    if (which == 1) {
        HRGN a = CreateRectRgn(3, 2, 12, 9), b = CreateRectRgn(15, 5, 40, 30);
        CombineRgn(a, a, b, RGN_OR);
        SelectClipRgn(dc, a);
        DeleteObject(a);
        DeleteObject(b);
    } else if (which == 2) {
        ExcludeClipRect(dc, 0, 10, 40, 14);
        SetViewportOrgEx(dc, 3, -2, nullptr);
    }
}

// Device pixel (x, y) lets drawing through under clip `which`.
bool Inside(int which, int x, int y) {
    if (which == 1) return (x >= 3 && x < 12 && y >= 2 && y < 9) || (x >= 15 && x < 40 && y >= 5 && y < 30);
    if (which == 2) return !(y >= 10 && y < 14);
    return true;
}

POINT Origin(int which) { return which == 2 ? POINT{3, -2} : POINT{0, 0}; }

// Rectangles inside, across every edge, and wholly off the 40 x 30 surface.
const std::vector<RECT>& Rects() {
    static const std::vector<RECT> r = {{5, 4, 20, 12}, {-6, -3, 8, 7},    {30, 20, 55, 44},
                                        {-10, 25, 50, 40}, {-20, -20, -5, -5}, {2, 2, 2, 9}};
    return r;
}

}  // namespace

TEST(DirectPixels, SolidFillMatchesThePatternPathPixelForPixel) {
    for (int clip = 0; clip < 3; ++clip)
        for (const RECT& r : Rects()) {
            Canvas fast(40, 30, kBg), general(40, 30, kBg);
            ApplyClip(fast.dc, clip);
            ApplyClip(general.dc, clip);
            HBRUSH b = CreateSolidBrush(kPaint);
            FillRect(fast.dc, &r, b);
            // PatBlt with the brush selected composites through cairo.
            HGDIOBJ old = SelectObject(general.dc, b);
            PatBlt(general.dc, r.left, r.top, r.right - r.left, r.bottom - r.top, PATCOPY);
            SelectObject(general.dc, old);
            DeleteObject(b);
            POINT o = Origin(clip);
            for (int y = 0; y < 30; ++y)
                for (int x = 0; x < 40; ++x) {
                    bool in = Inside(clip, x, y) && x >= r.left + o.x && x < r.right + o.x && y >= r.top + o.y &&
                              y < r.bottom + o.y;
                    ASSERT_EQ(fast.At(x, y), in ? kPaint : kBg) << "clip " << clip << " at " << x << "," << y;
                    ASSERT_EQ(fast.px[y * 40 + x], general.px[y * 40 + x])
                        << "clip " << clip << " rect " << r.left << "," << r.top << " at " << x << "," << y;
                }
        }
}

TEST(DirectPixels, SolidFillTakesSystemAndDcBrushColours) {
    Canvas c(8, 8, kBg);
    RECT r{0, 0, 4, 8};
    FillRect(c.dc, &r, static_cast<HBRUSH>(COLOR_WINDOW + 1));
    EXPECT_EQ(c.At(1, 1), GetSysColor(COLOR_WINDOW));
    SetDCBrushColor(c.dc, kPaint);
    r = RECT{4, 0, 8, 8};
    FillRect(c.dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    EXPECT_EQ(c.At(6, 1), kPaint);
}

TEST(DirectPixels, FillOfADibSectionInItsOwnLayoutReachesTheBits) {
    // 24-bit rows are kept apart from the surface and converted after drawing.
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = 4;
    bi.bmiHeader.biHeight = 2;  // bottom-up
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bm = CreateDIBSection(0, &bi, DIB_RGB_COLORS, &bits, 0, 0);
    ASSERT_TRUE(bm);
    std::memset(bits, 0, 16);
    HDC dc = CreateCompatibleDC(0);
    HGDIOBJ old = SelectObject(dc, bm);
    HBRUSH b = CreateSolidBrush(kPaint);
    RECT top{0, 0, 4, 1};
    FillRect(dc, &top, b);
    const uint8_t* p = static_cast<const uint8_t*>(bits);
    // The top row is the second in memory; a row is 12 bytes.
    EXPECT_EQ(p[12], GetBValue(kPaint));
    EXPECT_EQ(p[13], GetGValue(kPaint));
    EXPECT_EQ(p[14], GetRValue(kPaint));
    EXPECT_EQ(p[0], 0) << "the bottom row stays";
    DeleteObject(b);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bm);
}

TEST(DirectPixels, CopiesClipAndCutAtBothSurfacesEdges) {
    // A 12 x 10 source with a distinct colour per pixel.
    HBITMAP src = CreateCompatibleBitmap(0, 12, 10);
    HDC sdc = CreateCompatibleDC(0);
    HGDIOBJ sold = SelectObject(sdc, src);
    auto pix = [](int x, int y) { return RGB(x * 20, y * 25, 7); };
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 12; ++x) SetPixel(sdc, x, y, pix(x, y));
    struct Case {
        int x, y, w, h, sx, sy;
    };
    // Inside; across the destination's left/top and right/bottom edges; and a
    // source rectangle running past the source (those pixels come out black).
    const Case cases[] = {{4, 3, 8, 6, 1, 2}, {-3, -4, 10, 9, 0, 0}, {34, 25, 12, 10, 0, 0}, {10, 10, 8, 8, 8, 6}};
    for (int clip = 0; clip < 3; ++clip)
        for (const Case& k : cases) {
            Canvas dst(40, 30, kBg);
            ApplyClip(dst.dc, clip);
            BitBlt(dst.dc, k.x, k.y, k.w, k.h, sdc, k.sx, k.sy, SRCCOPY);
            POINT o = Origin(clip);
            for (int y = 0; y < 30; ++y)
                for (int x = 0; x < 40; ++x) {
                    int lx = x - o.x - k.x, ly = y - o.y - k.y;  // offset inside the copied block
                    COLORREF want = kBg;
                    if (Inside(clip, x, y) && lx >= 0 && lx < k.w && ly >= 0 && ly < k.h) {
                        int sx = k.sx + lx, sy = k.sy + ly;
                        want = (sx < 12 && sy < 10) ? pix(sx, sy) : RGB(0, 0, 0);
                    }
                    ASSERT_EQ(dst.At(x, y), want) << "clip " << clip << " block at " << k.x << "," << k.y
                                                  << " pixel " << x << "," << y;
                }
        }
    SelectObject(sdc, sold);
    DeleteDC(sdc);
    DeleteObject(src);
}

namespace {

HFONT Song(int height) {
    LOGFONTA lf{};
    lf.lfHeight = height;
    std::string face = platform::Utf8ToGbk("宋体");
    std::memcpy(lf.lfFaceName, face.data(), face.size());
    return CreateFontIndirectA(&lf);
}

int CountColour(const Canvas& c, COLORREF col) {
    int n = 0;
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x) n += c.At(x, y) == col;
    return n;
}

}  // namespace

TEST(DirectPixels, RepeatedTextFollowsFontColourAndBackgroundChanges) {
    const std::string t = platform::Utf8ToGbk("标签12");
    const int n = static_cast<int>(t.size());
    auto draw = [&](HFONT f, COLORREF colour, int mode, Canvas& c) {
        HGDIOBJ old = SelectObject(c.dc, f);
        SetTextColor(c.dc, colour);
        SetBkMode(c.dc, mode);
        SetBkColor(c.dc, RGB(255, 255, 0));
        TextOutA(c.dc, 2, 2, t.c_str(), n);
        SelectObject(c.dc, old);
    };
    HFONT big = Song(-30);
    Canvas first(160, 50), again(160, 50);
    draw(big, RGB(0, 0, 0), TRANSPARENT, first);
    draw(big, RGB(0, 0, 0), TRANSPARENT, again);
    for (int i = 0; i < 160 * 50; ++i) ASSERT_EQ(first.px[i], again.px[i]) << "the same text draws the same twice";
    RECT big_ink = first.Ink();

    // A new colour on the same font and text.
    Canvas red(160, 50);
    draw(big, RGB(255, 0, 0), TRANSPARENT, red);
    EXPECT_GT(CountColour(red, RGB(255, 0, 0)), 20);
    EXPECT_EQ(CountColour(red, RGB(0, 0, 0)), 0);

    // The font goes away and a smaller one (possibly under the same handle) takes its place.
    DeleteObject(big);
    HFONT small = Song(-12);
    Canvas s(160, 50);
    draw(small, RGB(0, 0, 0), TRANSPARENT, s);
    RECT small_ink = s.Ink();
    EXPECT_LT(small_ink.bottom - small_ink.top, big_ink.bottom - big_ink.top);
    EXPECT_LT(small_ink.right - small_ink.left, big_ink.right - big_ink.left);

    // Opaque mode boxes exactly the measured extent of the reused layout.
    Canvas box(160, 50);
    draw(small, RGB(0, 0, 255), OPAQUE, box);
    SIZE sz{};
    HGDIOBJ old = SelectObject(box.dc, small);
    GetTextExtentPoint32A(box.dc, t.c_str(), n, &sz);
    SelectObject(box.dc, old);
    RECT ink = box.Ink();
    EXPECT_EQ(ink.left, 2);
    EXPECT_EQ(ink.top, 2);
    EXPECT_EQ(ink.right - ink.left, sz.cx);
    EXPECT_EQ(ink.bottom - ink.top, sz.cy);
    int bluish = 0;  // small glyphs are mostly antialiased edges over the yellow box
    for (int y = 0; y < box.h; ++y)
        for (int x = 0; x < box.w; ++x) {
            COLORREF v = box.At(x, y);
            bluish += GetBValue(v) > 128 && GetRValue(v) < 128;
        }
    EXPECT_GT(bluish, 10);
    DeleteObject(small);
}
