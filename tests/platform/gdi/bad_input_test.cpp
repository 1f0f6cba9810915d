// Bad input never crashes drawing: null, stale and wrong-kind handles, zero
// and negative sizes, huge rectangles, empty regions, 0 x 0 bitmaps and
// DIB headers that lie.
#include <climits>
#include <vector>

#include "tests/platform/gdi/canvas.h"

using namespace sigtest;

TEST(BadInput, NullStaleAndWrongKindHandles) {
    RECT r{0, 0, 10, 10};
    POINT pts[3] = {{0, 0}, {5, 5}, {0, 5}};
    for (HDC dc : {HDC(0), HDC(0xFFFFFFFF), HDC(0x12345)}) {
        EXPECT_FALSE(Rectangle(dc, 0, 0, 5, 5));
        EXPECT_FALSE(LineTo(dc, 5, 5));
        EXPECT_FALSE(TextOutA(dc, 0, 0, "x", 1));
        EXPECT_EQ(DrawTextA(dc, "x", 1, &r, 0), 0);
        EXPECT_EQ(FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))), 0);
        EXPECT_FALSE(BitBlt(dc, 0, 0, 5, 5, dc, 0, 0, SRCCOPY));
        EXPECT_EQ(SelectObject(dc, GetStockObject(BLACK_PEN)), 0u);
        EXPECT_EQ(GetPixel(dc, 0, 0), CLR_INVALID);
        EXPECT_FALSE(Polygon(dc, pts, 3));
        EXPECT_EQ(GetClipBox(dc, &r), ERROR);
        EXPECT_FALSE(DeleteDC(dc));
    }
    Canvas c(10, 10);
    HBRUSH b = CreateSolidBrush(RGB(1, 2, 3));
    DeleteObject(b);
    EXPECT_EQ(FillRect(c.dc, &r, b), 0) << "a deleted brush";
    EXPECT_EQ(SelectObject(c.dc, b), 0u);
    HDC gone = CreateCompatibleDC(0);
    DeleteDC(gone);
    EXPECT_FALSE(Rectangle(gone, 0, 0, 5, 5));
    EXPECT_EQ(SelectObject(c.dc, c.dc), 0u) << "a DC is not an object to select";
    EXPECT_FALSE(DeleteObject(0));
    EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_PEN))) << "stock objects survive deletion";
    EXPECT_EQ(GetObjectType(GetStockObject(BLACK_PEN)), static_cast<DWORD>(OBJ_PEN));
    EXPECT_EQ(FillRect(c.dc, nullptr, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))), 0);
    EXPECT_FALSE(DrawIconEx(c.dc, 0, 0, 0, 0, 0, 0, 0, DI_NORMAL));
    EXPECT_EQ(CombineRgn(0, 0, 0, RGN_OR), ERROR);
}

TEST(BadInput, ZeroNegativeAndHugeSizes) {
    Canvas c(16, 16);
    HBITMAP z = CreateBitmap(0, 0, 1, 32, nullptr);
    ASSERT_TRUE(z) << "0 x 0 gives a 1 x 1 monochrome bitmap";
    BITMAP bm;
    GetObjectA(z, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, 1);
    EXPECT_EQ(bm.bmBitsPixel, 1);
    HDC mdc = CreateCompatibleDC(c.dc);
    HGDIOBJ old = SelectObject(mdc, z);
    EXPECT_TRUE(BitBlt(c.dc, 0, 0, 0, 0, mdc, 0, 0, SRCCOPY));
    EXPECT_TRUE(BitBlt(c.dc, 0, 0, -5, -5, mdc, 0, 0, SRCCOPY));
    EXPECT_TRUE(StretchBlt(c.dc, 0, 0, 16, 16, mdc, 0, 0, 0, 0, SRCCOPY));
    EXPECT_FALSE(StretchBlt(c.dc, 0, 0, INT_MAX, INT_MAX, mdc, 0, 0, 1, 1, SRCCOPY)) << "refused, not allocated";
    SelectObject(mdc, old);
    DeleteDC(mdc);
    DeleteObject(z);
    EXPECT_EQ(CreateBitmap(-1, 5, 1, 32, nullptr), 0u);
    EXPECT_EQ(CreateCompatibleBitmap(c.dc, 100000, 100000), 0u);
    EXPECT_EQ(CreateCompatibleBitmap(c.dc, -3, 3), 0u);
    RECT huge{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
    EXPECT_TRUE(FillRect(c.dc, &huge, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))));
    EXPECT_EQ(c.At(15, 15), RGB(0, 0, 0));
    EXPECT_TRUE(Rectangle(c.dc, INT_MIN, INT_MIN, INT_MAX, INT_MAX));
    EXPECT_TRUE(Ellipse(c.dc, INT_MAX, INT_MAX, INT_MIN, INT_MIN));
    EXPECT_TRUE(MoveToEx(c.dc, INT_MIN, 0, nullptr));
    EXPECT_TRUE(LineTo(c.dc, INT_MAX, 0));
    EXPECT_TRUE(PatBlt(c.dc, INT_MIN, INT_MIN, INT_MAX, INT_MAX, WHITENESS));
    EXPECT_TRUE(DrawEdge(c.dc, &huge, EDGE_RAISED, BF_RECT | BF_MIDDLE));
    EXPECT_TRUE(DrawFrameControl(c.dc, &huge, DFC_SCROLL, DFCS_SCROLLUP));
    EXPECT_TRUE(DrawFocusRect(c.dc, &huge));
    EXPECT_GT(DrawTextA(c.dc, "huge", -1, &huge, DT_CENTER | DT_VCENTER | DT_SINGLELINE), 0);
    EXPECT_TRUE(ExtTextOutA(c.dc, 0, 0, ETO_OPAQUE | ETO_CLIPPED, &huge, "x", 1, nullptr));
    EXPECT_TRUE(RoundRect(c.dc, INT_MIN, INT_MIN, INT_MAX, INT_MAX, INT_MAX, INT_MAX));
    RECT inside_out{10, 10, 0, 0};
    EXPECT_TRUE(FillRect(c.dc, &inside_out, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))));
    EXPECT_EQ(DrawTextA(c.dc, "x", 1, &inside_out, DT_WORDBREAK), DrawTextA(c.dc, "x", 1, &inside_out, DT_CALCRECT | DT_SINGLELINE));
    HRGN big = CreateEllipticRgn(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
    EXPECT_TRUE(big);
    EXPECT_TRUE(FillRgn(c.dc, big, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH))));
    DeleteObject(big);
    HRGN empty = CreateRectRgn(5, 5, 5, 5);
    EXPECT_TRUE(FillRgn(c.dc, empty, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))));
    EXPECT_TRUE(InvertRgn(c.dc, empty));
    EXPECT_EQ(ExtSelectClipRgn(c.dc, empty, RGN_AND), NULLREGION);
    DeleteObject(empty);
    EXPECT_FALSE(TextOutA(c.dc, 0, 0, "abc", -1));
    EXPECT_TRUE(TextOutA(c.dc, 0, 0, nullptr, 0));
    SIZE sz;
    EXPECT_TRUE(GetTextExtentPoint32A(c.dc, "", 0, &sz));
    EXPECT_EQ(sz.cx, 0);
    EXPECT_FALSE(GetTextExtentPoint32A(c.dc, nullptr, 3, &sz));
}

TEST(BadInput, DibHeadersThatLieAreRefused) {
    Canvas c(8, 8);
    std::vector<uint8_t> bits(64, 0xFF);
    auto header = [](LONG w, LONG h, WORD bpp, DWORD comp = BI_RGB, DWORD used = 0) {
        BITMAPINFO bi{};
        bi.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), w, h, 1, bpp, comp, 0, 0, 0, used, 0};
        return bi;
    };
    struct Case {
        const char* why;
        BITMAPINFO bi;
    } cases[] = {
        {"width 0", header(0, 4, 24)},
        {"negative width", header(-4, 4, 24)},
        {"height 0", header(4, 0, 24)},
        {"most negative height", header(4, INT_MIN, 24)},
        {"beyond 2^32 bytes", header(70000, 70000, 32)},
        {"depth 7", header(4, 4, 7)},
        {"depth 64", header(4, 4, 64)},
        {"compressed", header(4, 4, 8, BI_RLE8)},
        {"colours used above the depth", header(4, 4, 1, BI_RGB, 3)},
        {"colours used near 2^31", header(4, 4, 8, BI_RGB, 0x7FFFFFFF)},
    };
    for (auto& k : cases) {
        SCOPED_TRACE(k.why);
        EXPECT_EQ(SetDIBitsToDevice(c.dc, 0, 0, 4, 4, 0, 0, 0, 4, bits.data(), &k.bi, DIB_RGB_COLORS), 0);
        EXPECT_EQ(StretchDIBits(c.dc, 0, 0, 4, 4, 0, 0, 4, 4, bits.data(), &k.bi, DIB_RGB_COLORS, SRCCOPY), 0);
        void* p = reinterpret_cast<void*>(1);
        EXPECT_EQ(CreateDIBSection(0, &k.bi, DIB_RGB_COLORS, &p, 0, 0), 0u);
        EXPECT_EQ(p, nullptr);
    }
    BITMAPINFO small = header(4, 4, 24);
    small.bmiHeader.biSize = 12;
    EXPECT_EQ(SetDIBitsToDevice(c.dc, 0, 0, 4, 4, 0, 0, 0, 4, bits.data(), &small, DIB_RGB_COLORS), 0);
    EXPECT_EQ(SetDIBitsToDevice(c.dc, 0, 0, 4, 4, 0, 0, 0, 4, nullptr, &small, DIB_RGB_COLORS), 0);
    EXPECT_EQ(SetDIBitsToDevice(c.dc, 0, 0, 4, 4, 0, 0, 0, 4, bits.data(), nullptr, DIB_RGB_COLORS), 0);
    BITMAPINFO ok = header(2, 2, 24);
    EXPECT_EQ(SetDIBitsToDevice(c.dc, 0, 0, 2, 2, 0, 0, 5, 4, bits.data(), &ok, DIB_RGB_COLORS), 0)
        << "a start scan past the end";
    EXPECT_EQ(CreateIconFromResourceEx(bits.data(), 0, TRUE, 0x30000, 0, 0, 0), 0u);
    EXPECT_EQ(CreateIconFromResourceEx(bits.data(), 8, TRUE, 0x30000, 0, 0, 0), 0u);
}
