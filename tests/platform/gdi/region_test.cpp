// Regions: combination results, shapes sampled at pixel centres, filling,
// and clipping with ExcludeClipRect / IntersectClipRect / SelectClipRgn.
#include "tests/platform/gdi/canvas.h"

using namespace sigtest;

TEST(Region, CombineModesAndTheirResultTypes) {
    HRGN a = CreateRectRgn(0, 0, 10, 10), b = CreateRectRgn(5, 0, 15, 10), d = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(CombineRgn(d, a, b, RGN_AND), SIMPLEREGION);
    RECT r;
    GetRgnBox(d, &r);
    EXPECT_EQ(r.left, 5);
    EXPECT_EQ(r.right, 10);
    EXPECT_EQ(CombineRgn(d, a, b, RGN_OR), SIMPLEREGION) << "two touching rectangles merge";
    EXPECT_EQ(CombineRgn(d, a, b, RGN_XOR), COMPLEXREGION);
    EXPECT_FALSE(PtInRegion(d, 7, 5));
    EXPECT_TRUE(PtInRegion(d, 2, 5));
    EXPECT_TRUE(PtInRegion(d, 12, 5));
    EXPECT_EQ(CombineRgn(d, a, b, RGN_DIFF), SIMPLEREGION);
    GetRgnBox(d, &r);
    EXPECT_EQ(r.right, 5);
    EXPECT_EQ(CombineRgn(d, b, 0, RGN_COPY), SIMPLEREGION);
    EXPECT_TRUE(EqualRgn(d, b));
    HRGN far = CreateRectRgn(100, 100, 110, 110);
    EXPECT_EQ(CombineRgn(d, a, far, RGN_AND), NULLREGION);
    EXPECT_EQ(GetRgnBox(d, &r), NULLREGION);
    EXPECT_EQ(CombineRgn(d, a, b, 99), ERROR);
    EXPECT_EQ(OffsetRgn(a, 3, 4), SIMPLEREGION);
    EXPECT_TRUE(PtInRegion(a, 12, 13));
    for (HRGN h : {a, b, d, far}) EXPECT_TRUE(DeleteObject(h));
}

TEST(Region, EllipsesRoundRectsAndPolygons) {
    HRGN e = CreateEllipticRgn(0, 0, 20, 10);
    RECT box;
    EXPECT_EQ(GetRgnBox(e, &box), COMPLEXREGION);
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.right, 20);
    EXPECT_EQ(box.bottom, 10);
    EXPECT_TRUE(PtInRegion(e, 10, 5));
    EXPECT_TRUE(PtInRegion(e, 0, 5));
    EXPECT_FALSE(PtInRegion(e, 0, 0));
    EXPECT_FALSE(PtInRegion(e, 19, 9));
    HRGN rr = CreateRoundRectRgn(0, 0, 20, 20, 10, 10);
    EXPECT_FALSE(PtInRegion(rr, 0, 0));
    EXPECT_TRUE(PtInRegion(rr, 5, 0));
    EXPECT_TRUE(PtInRegion(rr, 0, 10));
    // A five-pointed star: its centre is outside with ALTERNATE, inside with WINDING.
    POINT star[5] = {{50, 0}, {79, 90}, {2, 35}, {97, 35}, {21, 90}};
    HRGN alt = CreatePolygonRgn(star, 5, ALTERNATE), wind = CreatePolygonRgn(star, 5, WINDING);
    EXPECT_FALSE(PtInRegion(alt, 50, 50));
    EXPECT_TRUE(PtInRegion(wind, 50, 50));
    EXPECT_TRUE(PtInRegion(alt, 50, 10));
    EXPECT_FALSE(PtInRegion(alt, 5, 80));
    EXPECT_EQ(CreatePolygonRgn(star, 5, 7), 0u);
    HRGN tiny = CreatePolygonRgn(star, 2, ALTERNATE);
    EXPECT_EQ(GetRgnBox(tiny, &box), NULLREGION);
    for (HRGN h : {e, rr, alt, wind, tiny}) DeleteObject(h);
}

TEST(Region, FillFrameAndInvertStayInsideTheRegion) {
    Canvas c(20, 20);
    HRGN r = CreateRectRgn(5, 5, 15, 15);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    EXPECT_TRUE(FillRgn(c.dc, r, red));
    EXPECT_EQ(c.At(5, 5), RGB(255, 0, 0));
    EXPECT_EQ(c.At(15, 15), RGB(255, 255, 255));
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    EXPECT_TRUE(FrameRgn(c.dc, r, blue, 1, 1));
    EXPECT_EQ(c.At(5, 10), RGB(0, 0, 255));
    EXPECT_EQ(c.At(6, 10), RGB(255, 0, 0));
    EXPECT_TRUE(InvertRgn(c.dc, r));
    EXPECT_EQ(c.At(10, 10), RGB(0, 255, 255));
    EXPECT_EQ(c.At(2, 2), RGB(255, 255, 255));
    DeleteObject(red);
    DeleteObject(blue);
    DeleteObject(r);
}

TEST(Region, ClipRectanglesAndGetClipBox) {
    Canvas c(40, 40);
    RECT box;
    EXPECT_EQ(GetClipBox(c.dc, &box), SIMPLEREGION);
    EXPECT_EQ(box.right, 40);
    EXPECT_EQ(ExcludeClipRect(c.dc, 10, 10, 20, 20), COMPLEXREGION);
    EXPECT_EQ(IntersectClipRect(c.dc, 0, 0, 30, 30), COMPLEXREGION);
    EXPECT_EQ(GetClipBox(c.dc, &box), COMPLEXREGION);
    EXPECT_EQ(box.right, 30);
    RECT all{0, 0, 40, 40};
    FillRect(c.dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(c.At(5, 5), RGB(0, 0, 0));
    EXPECT_EQ(c.At(15, 15), RGB(255, 255, 255)) << "excluded";
    EXPECT_EQ(c.At(35, 35), RGB(255, 255, 255)) << "outside the intersection";
    EXPECT_FALSE(PtVisible(c.dc, 15, 15));
    RECT in{12, 12, 18, 18};
    EXPECT_FALSE(RectVisible(c.dc, &in));
    // The viewport origin moves logical coordinates, not the clip.
    SetViewportOrgEx(c.dc, 10, 10, nullptr);
    EXPECT_FALSE(PtVisible(c.dc, 5, 5));
    GetClipBox(c.dc, &box);
    EXPECT_EQ(box.left, -10);
    SetViewportOrgEx(c.dc, 0, 0, nullptr);
    EXPECT_EQ(SelectClipRgn(c.dc, 0), SIMPLEREGION);
    HRGN empty = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(SelectClipRgn(c.dc, empty), NULLREGION);
    EXPECT_EQ(GetClipBox(c.dc, &box), NULLREGION);
    FillRect(c.dc, &all, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    EXPECT_EQ(c.At(35, 35), RGB(255, 255, 255)) << "an empty clip draws nothing";
    int saved = SaveDC(c.dc);
    SelectClipRgn(c.dc, 0);
    EXPECT_TRUE(RestoreDC(c.dc, saved));
    EXPECT_EQ(GetClipBox(c.dc, &box), NULLREGION) << "RestoreDC brings the clip back";
    DeleteObject(empty);
}
