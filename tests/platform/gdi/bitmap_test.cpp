// Bitmaps: DIB orientation and depths, DIB sections, BitBlt raster
// operations, monochrome conversion and StretchBlt modes.
#include <vector>

#include "tests/platform/gdi/canvas.h"

using namespace sigtest;

namespace {

struct Dib24 {
    BITMAPINFO bi{};
    std::vector<uint8_t> bits;
    // 2 x 2 pixels given top row first.
    Dib24(COLORREF tl, COLORREF tr, COLORREF bl, COLORREF br, bool topdown) {
        bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bi.bmiHeader.biWidth = 2;
        bi.bmiHeader.biHeight = topdown ? -2 : 2;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 24;
        bits.assign(16, 0);  // rows of 6 bytes padded to 8
        COLORREF rows[2][2] = {{tl, tr}, {bl, br}};
        for (int r = 0; r < 2; ++r) {
            int mem = topdown ? r : 1 - r;
            for (int x = 0; x < 2; ++x) {
                uint8_t* p = &bits[mem * 8 + x * 3];
                p[0] = GetBValue(rows[r][x]);
                p[1] = GetGValue(rows[r][x]);
                p[2] = GetRValue(rows[r][x]);
            }
        }
    }
};

constexpr COLORREF R = RGB(255, 0, 0), G = RGB(0, 255, 0), B = RGB(0, 0, 255), K = RGB(0, 0, 0),
                   W = RGB(255, 255, 255);

}  // namespace

TEST(Dib, TopDownAndBottomUpLandTheSameWayUp) {
    for (bool topdown : {true, false}) {
        SCOPED_TRACE(topdown ? "top-down" : "bottom-up");
        Dib24 d(R, G, B, K, topdown);
        Canvas c(4, 4);
        EXPECT_EQ(SetDIBitsToDevice(c.dc, 1, 1, 2, 2, 0, 0, 0, 2, d.bits.data(), &d.bi, DIB_RGB_COLORS), 2);
        EXPECT_EQ(c.At(1, 1), R);
        EXPECT_EQ(c.At(2, 1), G);
        EXPECT_EQ(c.At(1, 2), B);
        EXPECT_EQ(c.At(2, 2), K);
        EXPECT_EQ(c.At(0, 0), W);
        Canvas s(4, 4);
        EXPECT_EQ(StretchDIBits(s.dc, 0, 0, 4, 4, 0, 0, 2, 2, d.bits.data(), &d.bi, DIB_RGB_COLORS, SRCCOPY), 2);
        EXPECT_EQ(s.At(0, 0), R);
        EXPECT_EQ(s.At(3, 0), G);
        EXPECT_EQ(s.At(0, 3), B);
        EXPECT_EQ(s.At(3, 3), K);
    }
}

TEST(Dib, SourceRectangleOfABottomUpDibCountsFromTheBottom) {
    Dib24 d(R, G, B, K, false);
    Canvas c(2, 2);
    // ySrc 0 with one row: the bottom row of a bottom-up DIB.
    StretchDIBits(c.dc, 0, 0, 2, 1, 0, 0, 2, 1, d.bits.data(), &d.bi, DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(c.At(0, 0), B);
    EXPECT_EQ(c.At(1, 0), K);
    Dib24 t(R, G, B, K, true);
    StretchDIBits(c.dc, 0, 1, 2, 1, 0, 0, 2, 1, t.bits.data(), &t.bi, DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(c.At(0, 1), R) << "a top-down DIB counts from the top";
}

TEST(Dib, OneAndEightBitPalettesAndGetDIBitsRoundTrip) {
    struct {
        BITMAPINFOHEADER h;
        RGBQUAD c[2];
    } mono{};
    mono.h = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 8, 2, 1, 1, BI_RGB, 0, 0, 0, 0, 0};
    mono.c[0] = RGBQUAD{0, 0, 255, 0};  // red
    mono.c[1] = RGBQUAD{255, 0, 0, 0};  // blue
    uint8_t bits[8] = {0xF0, 0, 0, 0, 0x0F, 0, 0, 0};  // bottom row first
    Canvas c(8, 2);
    SetDIBitsToDevice(c.dc, 0, 0, 8, 2, 0, 0, 0, 2, bits, reinterpret_cast<BITMAPINFO*>(&mono), DIB_RGB_COLORS);
    EXPECT_EQ(c.At(0, 1), B) << "bottom row, first bits set";
    EXPECT_EQ(c.At(7, 1), R);
    EXPECT_EQ(c.At(0, 0), R);
    EXPECT_EQ(c.At(7, 0), B);

    struct {
        BITMAPINFOHEADER h;
        RGBQUAD c[256];
    } pal{};
    pal.h = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 3, -1, 1, 8, BI_RGB, 0, 0, 0, 3, 0};
    pal.c[0] = RGBQUAD{0, 255, 0, 0};
    pal.c[1] = RGBQUAD{255, 255, 255, 0};
    pal.c[2] = RGBQUAD{0, 0, 0, 0};
    uint8_t idx[4] = {2, 0, 1, 0};
    HBITMAP bm = CreateDIBitmap(0, &pal.h, CBM_INIT, idx, reinterpret_cast<BITMAPINFO*>(&pal), DIB_RGB_COLORS);
    ASSERT_TRUE(bm);
    BITMAPINFO q{};
    q.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    q.bmiHeader.biWidth = 3;
    q.bmiHeader.biHeight = 1;
    q.bmiHeader.biPlanes = 1;
    q.bmiHeader.biBitCount = 24;
    uint8_t out[12] = {};
    HDC screen = GetDC(0);
    EXPECT_EQ(GetDIBits(screen, bm, 0, 1, out, &q, DIB_RGB_COLORS), 1);
    ReleaseDC(0, screen);
    EXPECT_EQ(out[0] | out[1] | out[2], 0) << "index 2 is black";
    EXPECT_EQ(out[3], 0);
    EXPECT_EQ(out[4], 255);
    EXPECT_EQ(out[5], 0) << "index 0 is green";
    EXPECT_EQ(out[6] & out[7] & out[8], 255);
    DeleteObject(bm);
}

TEST(Dib, DibSectionBitsFollowDrawingInTheirOwnLayout) {
    BITMAPINFO bi{};
    bi.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 3, 2, 1, 24, BI_RGB, 0, 0, 0, 0, 0};  // bottom-up
    void* bits = nullptr;
    HBITMAP bm = CreateDIBSection(0, &bi, DIB_RGB_COLORS, &bits, 0, 0);
    ASSERT_TRUE(bm);
    ASSERT_TRUE(bits);
    HDC dc = CreateCompatibleDC(0);
    HGDIOBJ old = SelectObject(dc, bm);
    SetPixel(dc, 0, 0, R);  // top-left
    auto* b = static_cast<uint8_t*>(bits);
    // The top row is the second row in memory (rows padded to 12 bytes).
    EXPECT_EQ(b[12 + 2], 255);
    EXPECT_EQ(b[12 + 0], 0);
    // Writing the bits is seen by the next drawing call.
    b[0] = 255;  // bottom-left blue
    EXPECT_EQ(GetPixel(dc, 0, 1), B);
    DIBSECTION ds{};
    EXPECT_EQ(GetObjectA(bm, sizeof ds, &ds), static_cast<int>(sizeof ds));
    EXPECT_EQ(ds.dsBm.bmBits, bits);
    EXPECT_EQ(ds.dsBmih.biHeight, 2);
    EXPECT_FALSE(DeleteObject(bm)) << "still selected";
    SelectObject(dc, old);
    EXPECT_TRUE(DeleteObject(bm));
    DeleteDC(dc);
}

// The section keeps its colour table beside its header; writing pixels into a
// paletted section must read that table, not memory after the bare header.
TEST(Dib, PalettedSectionTakesSetDIBitsThroughItsOwnColours) {
    struct {
        BITMAPINFOHEADER h;
        RGBQUAD colors[256];
    } bi{};
    bi.h = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 2, -1, 1, 8, BI_RGB, 0, 0, 0, 2, 0};
    bi.colors[0] = RGBQUAD{255, 0, 0, 0};  // blue
    bi.colors[1] = RGBQUAD{0, 0, 255, 0};  // red
    void* bits = nullptr;
    HBITMAP bm = CreateDIBSection(0, reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS, &bits, 0, 0);
    ASSERT_TRUE(bm);
    const uint8_t row[4] = {1, 0, 0, 0};
    HDC screen = GetDC(0);
    EXPECT_EQ(SetDIBits(screen, bm, 0, 1, row, reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS), 1);
    ReleaseDC(0, screen);
    EXPECT_EQ(static_cast<uint8_t*>(bits)[0], 1);
    EXPECT_EQ(static_cast<uint8_t*>(bits)[1], 0);
    HDC dc = CreateCompatibleDC(0);
    HGDIOBJ old = SelectObject(dc, bm);
    EXPECT_EQ(GetPixel(dc, 0, 0), R);
    EXPECT_EQ(GetPixel(dc, 1, 0), B);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bm);
}

TEST(Blit, RasterOperationsCombineBitwise) {
    Canvas src(2, 1), dst(2, 1);
    SetPixel(src.dc, 0, 0, RGB(0xF0, 0x0F, 0xFF));
    SetPixel(src.dc, 1, 0, RGB(0x00, 0xFF, 0x00));
    auto run = [&](DWORD rop) {
        SetPixel(dst.dc, 0, 0, RGB(0xCC, 0xCC, 0x00));
        SetPixel(dst.dc, 1, 0, RGB(0xFF, 0x00, 0xFF));
        BitBlt(dst.dc, 0, 0, 2, 1, src.dc, 0, 0, rop);
    };
    run(SRCCOPY);
    EXPECT_EQ(dst.At(0, 0), RGB(0xF0, 0x0F, 0xFF));
    run(SRCAND);
    EXPECT_EQ(dst.At(0, 0), RGB(0xC0, 0x0C, 0x00));
    EXPECT_EQ(dst.At(1, 0), RGB(0, 0, 0));
    run(SRCPAINT);
    EXPECT_EQ(dst.At(0, 0), RGB(0xFC, 0xCF, 0xFF));
    run(SRCINVERT);
    EXPECT_EQ(dst.At(0, 0), RGB(0x3C, 0xC3, 0xFF));
    EXPECT_EQ(dst.At(1, 0), RGB(0xFF, 0xFF, 0xFF));
    run(NOTSRCCOPY);
    EXPECT_EQ(dst.At(0, 0), RGB(0x0F, 0xF0, 0x00));
    run(DSTINVERT);
    EXPECT_EQ(dst.At(0, 0), RGB(0x33, 0x33, 0xFF));
    HBRUSH br = CreateSolidBrush(RGB(0x0F, 0, 0));
    SelectObject(dst.dc, br);
    run(PATINVERT);
    EXPECT_EQ(dst.At(0, 0), RGB(0xC3, 0xCC, 0x00));
    SelectObject(dst.dc, GetStockObject(WHITE_BRUSH));
    DeleteObject(br);
}

TEST(Blit, MonochromeMasksConvertWithTextAndBackgroundColours) {
    // Colour to monochrome: the source's background colour becomes white.
    Canvas src(2, 1);
    SetPixel(src.dc, 0, 0, G);
    SetPixel(src.dc, 1, 0, R);
    HBITMAP mask = CreateBitmap(2, 1, 1, 1, nullptr);
    HDC mdc = CreateCompatibleDC(0);
    HGDIOBJ old = SelectObject(mdc, mask);
    EXPECT_EQ(GetDeviceCaps(mdc, BITSPIXEL), 1);
    SetBkColor(src.dc, G);
    BitBlt(mdc, 0, 0, 2, 1, src.dc, 0, 0, SRCCOPY);
    EXPECT_EQ(GetPixel(mdc, 0, 0), W);
    EXPECT_EQ(GetPixel(mdc, 1, 0), K);
    // Monochrome to colour: black takes the text colour, white the background colour.
    Canvas dst(2, 1);
    SetTextColor(dst.dc, B);
    SetBkColor(dst.dc, RGB(1, 2, 3));
    BitBlt(dst.dc, 0, 0, 2, 1, mdc, 0, 0, SRCCOPY);
    EXPECT_EQ(dst.At(0, 0), RGB(1, 2, 3));
    EXPECT_EQ(dst.At(1, 0), B);
    // The classic transparent blit: mask with SRCAND, then the image with SRCPAINT.
    Canvas scene(2, 1, RGB(100, 100, 100));
    SetTextColor(scene.dc, K);
    SetBkColor(scene.dc, W);
    BitBlt(scene.dc, 0, 0, 2, 1, mdc, 0, 0, SRCAND);
    Canvas img(2, 1, K);
    SetPixel(img.dc, 1, 0, R);
    BitBlt(scene.dc, 0, 0, 2, 1, img.dc, 0, 0, SRCPAINT);
    EXPECT_EQ(scene.At(0, 0), RGB(100, 100, 100)) << "masked out: the scene shows";
    EXPECT_EQ(scene.At(1, 0), R);
    SelectObject(mdc, old);
    DeleteDC(mdc);
    DeleteObject(mask);
}

TEST(Blit, StretchModesAndMirroring) {
    Canvas src(2, 1);
    SetPixel(src.dc, 0, 0, K);
    SetPixel(src.dc, 1, 0, W);
    Canvas big(4, 2);
    SetStretchBltMode(big.dc, COLORONCOLOR);
    StretchBlt(big.dc, 0, 0, 4, 2, src.dc, 0, 0, 2, 1, SRCCOPY);
    EXPECT_EQ(big.At(0, 0), K);
    EXPECT_EQ(big.At(1, 1), K);
    EXPECT_EQ(big.At(2, 0), W);
    EXPECT_EQ(big.At(3, 1), W);
    StretchBlt(big.dc, 4, 0, -4, 2, src.dc, 0, 0, 2, 1, SRCCOPY);  // mirrored
    EXPECT_EQ(big.At(0, 0), W);
    EXPECT_EQ(big.At(3, 0), K);
    // Halftone averages what it shrinks; the other modes pick a source pixel.
    Canvas one(1, 1);
    EXPECT_EQ(SetStretchBltMode(one.dc, HALFTONE), BLACKONWHITE);
    StretchBlt(one.dc, 0, 0, 1, 1, src.dc, 0, 0, 2, 1, SRCCOPY);
    COLORREF mid = one.At(0, 0);
    EXPECT_NEAR(GetRValue(mid), 128, 3);
    SetStretchBltMode(one.dc, COLORONCOLOR);
    StretchBlt(one.dc, 0, 0, 1, 1, src.dc, 0, 0, 2, 1, SRCCOPY);
    EXPECT_TRUE(one.At(0, 0) == K || one.At(0, 0) == W);
}

TEST(Blit, CopiesHonourTheDestinationClip) {
    Canvas src(10, 10, R), dst(10, 10);
    ExcludeClipRect(dst.dc, 0, 0, 5, 10);
    BitBlt(dst.dc, 0, 0, 10, 10, src.dc, 0, 0, SRCCOPY);
    EXPECT_EQ(dst.At(2, 2), W);
    EXPECT_EQ(dst.At(7, 2), R);
    BitBlt(dst.dc, 0, 0, 10, 10, src.dc, 0, 0, SRCINVERT);
    EXPECT_EQ(dst.At(2, 2), W) << "per-pixel operations clip too";
    EXPECT_EQ(dst.At(7, 2), K);
}
