// Icons from resources and their drawing with alpha, stock cursors, and the
// classic edges and frame controls drawn with the system colours.
#include <vector>

#include "tests/platform/gdi/canvas.h"

using namespace sigtest;

namespace {

// A 2 x 2 32-bit icon resource: header, XOR pixels (BGRA, bottom-up), AND mask.
std::vector<BYTE> TinyIcon() {
    std::vector<BYTE> r(40 + 16 + 8, 0);
    BITMAPINFOHEADER h{40, 2, 4, 1, 32, BI_RGB, 0, 0, 0, 0, 0};  // height counts both masks
    std::memcpy(r.data(), &h, sizeof h);
    BYTE* px = r.data() + 40;
    // bottom row: opaque red, transparent; top row: half-transparent blue, opaque green
    BYTE rows[4][4] = {{0, 0, 255, 255}, {0, 0, 0, 0}, {255, 0, 0, 128}, {0, 255, 0, 255}};
    std::memcpy(px, rows, 16);
    return r;
}

}  // namespace

TEST(Icon, ResourceIconsDrawWithTheirAlpha) {
    auto res = TinyIcon();
    HICON ic = CreateIconFromResourceEx(res.data(), static_cast<DWORD>(res.size()), TRUE, 0x00030000, 0, 0, 0);
    ASSERT_TRUE(ic);
    ICONINFO ii;
    ASSERT_TRUE(GetIconInfo(ic, &ii));
    EXPECT_TRUE(ii.fIcon);
    BITMAP bm;
    GetObjectA(ii.hbmColor, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, 2);
    EXPECT_EQ(bm.bmHeight, 2);
    DeleteObject(ii.hbmColor);
    DeleteObject(ii.hbmMask);
    Canvas c(4, 4, RGB(255, 255, 255));
    EXPECT_TRUE(DrawIconEx(c.dc, 0, 0, ic, 0, 0, 0, 0, DI_NORMAL));
    EXPECT_EQ(c.At(0, 1), RGB(255, 0, 0)) << "bottom-up rows: the first row is the bottom one";
    EXPECT_EQ(c.At(1, 1), RGB(255, 255, 255)) << "transparent pixels keep the background";
    EXPECT_EQ(c.At(1, 0), RGB(0, 255, 0));
    COLORREF half = c.At(0, 0);
    EXPECT_NEAR(GetBValue(half), 255, 2);
    EXPECT_NEAR(GetRValue(half), 127, 3) << "half-transparent blue over white";
    // Scaled to 4 x 4 with DrawIconEx.
    Canvas big(4, 4, RGB(255, 255, 255));
    EXPECT_TRUE(DrawIconEx(big.dc, 0, 0, ic, 4, 4, 0, 0, DI_NORMAL));
    EXPECT_EQ(big.At(0, 3), RGB(255, 0, 0));
    EXPECT_TRUE(DestroyIcon(ic));
    EXPECT_FALSE(DestroyIcon(ic));
}

TEST(Icon, StockCursorsAndIconsAreSharedAndSurviveDestroy) {
    HCURSOR a = LoadCursorA(0, IDC_ARROW), b = LoadCursorA(0, IDC_ARROW), ib = LoadCursorA(0, IDC_IBEAM);
    EXPECT_TRUE(a);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, ib);
    for (LPCSTR id : {IDC_WAIT, IDC_CROSS, IDC_UPARROW, IDC_SIZENWSE, IDC_SIZENESW, IDC_SIZEWE, IDC_SIZENS,
                      IDC_SIZEALL, IDC_NO, IDC_APPSTARTING, IDC_HELP})
        EXPECT_TRUE(LoadCursorA(0, id));
    EXPECT_EQ(LoadCursorA(0, MAKEINTRESOURCEA(12345)), 0u);
    EXPECT_EQ(LoadCursorA(0, "custom"), 0u) << "no cursor resources";
    EXPECT_TRUE(DestroyCursor(a));
    EXPECT_EQ(LoadCursorA(0, IDC_ARROW), a) << "a stock cursor outlives DestroyCursor";
    HICON info = LoadIconA(0, IDI_ASTERISK);
    ASSERT_TRUE(info);
    Canvas c(32, 32);
    EXPECT_TRUE(DrawIcon(c.dc, 0, 0, info));
    EXPECT_NE(c.At(6, 16), RGB(255, 255, 255)) << "the disc";
    EXPECT_EQ(c.At(0, 0), RGB(255, 255, 255)) << "the corner of the round icon is transparent";
}

TEST(Edges, RaisedSunkenAndAdjust) {
    Canvas c(10, 10);
    RECT r{0, 0, 10, 10};
    EXPECT_TRUE(DrawEdge(c.dc, &r, EDGE_RAISED, BF_RECT | BF_ADJUST | BF_MIDDLE));
    EXPECT_EQ(r.left, 2);
    EXPECT_EQ(r.bottom, 8);
    EXPECT_EQ(c.At(0, 5), GetSysColor(COLOR_3DLIGHT));
    EXPECT_EQ(c.At(1, 5), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(c.At(9, 5), GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_EQ(c.At(8, 5), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(c.At(5, 5), GetSysColor(COLOR_BTNFACE)) << "BF_MIDDLE";
    RECT s{0, 0, 10, 10};
    DrawEdge(c.dc, &s, EDGE_SUNKEN, BF_TOP | BF_LEFT);
    EXPECT_EQ(c.At(5, 0), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(c.At(5, 1), GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_EQ(c.At(9, 5), GetSysColor(COLOR_3DDKSHADOW)) << "the right side was not asked for";
}

TEST(Edges, FocusRectanglesUndoThemselves) {
    Canvas c(12, 12, RGB(10, 200, 30));
    RECT r{1, 1, 11, 11};
    EXPECT_TRUE(DrawFocusRect(c.dc, &r));
    EXPECT_NE(c.At(1, 1), RGB(10, 200, 30));
    EXPECT_EQ(c.At(5, 5), RGB(10, 200, 30));
    EXPECT_TRUE(DrawFocusRect(c.dc, &r));
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x) ASSERT_EQ(c.At(x, y), RGB(10, 200, 30)) << x << "," << y;
}

TEST(Edges, ScrollArrowsPointTheirWay) {
    for (UINT part : {DFCS_SCROLLUP, DFCS_SCROLLDOWN, DFCS_SCROLLLEFT, DFCS_SCROLLRIGHT}) {
        SCOPED_TRACE(part);
        Canvas c(17, 17);
        RECT r{0, 0, 17, 17};
        EXPECT_TRUE(DrawFrameControl(c.dc, &r, DFC_SCROLL, part));
        // The arrow is the text colour inside the face; find its widest row or column.
        int top = 17, bottom = -1, left = 17, right = -1;
        for (int y = 2; y < 15; ++y)
            for (int x = 2; x < 15; ++x)
                if (c.At(x, y) == GetSysColor(COLOR_BTNTEXT)) {
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
        ASSERT_GE(bottom, 0) << "an arrow was drawn";
        auto width_at = [&](int y) {
            int n = 0;
            for (int x = 0; x < 17; ++x) n += c.At(x, y) == GetSysColor(COLOR_BTNTEXT);
            return n;
        };
        auto height_at = [&](int x) {
            int n = 0;
            for (int y = 0; y < 17; ++y) n += c.At(x, y) == GetSysColor(COLOR_BTNTEXT);
            return n;
        };
        if (part == DFCS_SCROLLUP) { EXPECT_LT(width_at(top), width_at(bottom)); }
        if (part == DFCS_SCROLLDOWN) { EXPECT_GT(width_at(top), width_at(bottom)); }
        if (part == DFCS_SCROLLLEFT) { EXPECT_LT(height_at(left), height_at(right)); }
        if (part == DFCS_SCROLLRIGHT) { EXPECT_GT(height_at(left), height_at(right)); }
    }
}
