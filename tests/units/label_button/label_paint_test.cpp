// What the label paints: gradients (pure rules and on screen), the shaded
// frame's bands and mitred corners, background pictures, the caption.
#include "runtime/template/stored_unit_data.h"
#include "tests/units/support/unit_fixture.h"
#include "units/label.h"
#include "units/label_paint.h"
#include "win/testhooks.h"

namespace {

using runtime::templates::LabelData;
using runtime::templates::WriteStoredUnitData;
using unit_test::Capture;
using namespace units;

constexpr uint32_t kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000;

const runtime::UnitType& Type() {
    static const runtime::UnitType type = LabelUnitType();
    return type;
}

TEST(GradientRule, ColoursSpreadEvenlyAndTheTransparentCodeIsLeftOut) {
    GradientColours three = CollectGradientColours(kRed, kGreen, kBlue);
    ASSERT_EQ(three.count, 3);
    EXPECT_EQ(GradientColourAt(three, 0, 40), kRed);
    EXPECT_EQ(GradientColourAt(three, 20, 40), kGreen);
    EXPECT_EQ(GradientColourAt(three, 40, 40), kBlue);
    EXPECT_EQ(GradientColourAt(three, 400, 40), kBlue);
    // Halfway into the first segment: red falls by half, green rises by half.
    EXPECT_EQ(GradientColourAt(three, 10, 40), 0x007F80u);
    EXPECT_NE(GradientColourAt(three, 39, 40), kBlue);
    // A span that does not divide evenly still puts the middle colour at its middle.
    EXPECT_EQ(GradientColourAt(three, 21, 42), kGreen);
    GradientColours two = CollectGradientColours(kRed, 0xFF000000u, kBlue);
    ASSERT_EQ(two.count, 2);
    EXPECT_EQ(two.colour[1], kBlue);
    EXPECT_EQ(GradientColourAt(two, 20, 40), 0x7F0080u);
    EXPECT_EQ(CollectGradientColours(0xFF000000u, 0xFF000000u, kRed).count, 1);
    // Empty spans take the last colour rather than dividing by nothing.
    EXPECT_EQ(GradientColourAt(three, 0, 0), kBlue);
    EXPECT_EQ(GradientColourAt(three, 0, 1), kRed);
}

TEST(GradientRule, EachDirectionStartsAtItsOwnEdgeOrCorner) {
    const int w = 100, h = 20;
    struct Start {
        int direction, x, y;
        int64_t span;
    };
    for (Start s : {Start{1, 50, 0, h}, Start{2, 0, 10, w}, Start{3, 0, 0, 40}, Start{4, w - 1, 0, 40},
                    Start{5, 50, h - 1, h}, Start{6, w - 1, 10, w}, Start{7, w - 1, h - 1, 40},
                    Start{8, 0, h - 1, 40}}) {
        GradientPlace at = GradientPosition(s.direction, w, h, s.x, s.y);
        EXPECT_EQ(at.position, 0) << s.direction;
        EXPECT_EQ(at.span, s.span) << s.direction;
    }
    EXPECT_EQ(GradientPosition(3, w, h, 30, 10).position, 40);
    EXPECT_EQ(GradientPosition(7, w, h, 0, 0).position, 99 + 19);
    EXPECT_EQ(GradientPosition(0, w, h, 3, 3).span, 0);
}

TEST(GradientRule, OnlyTilesOfFiftyPixelsThatMeetTheClipBoxAreDrawn) {
    HDC mem = CreateCompatibleDC(0);
    // Compatible with the screen: a memory DC's own first bitmap is monochrome.
    HDC screen = GetDC(0);
    HBITMAP bits = CreateCompatibleBitmap(screen, 160, 120);
    ReleaseDC(0, screen);
    ASSERT_NE(mem, 0u);
    ASSERT_NE(bits, 0u);
    HGDIOBJ old = SelectObject(mem, bits);
    RECT all{0, 0, 160, 120};
    FillRect(mem, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    GradientColours c = CollectGradientColours(kRed, kBlue, 0xFF000000u);
    // The clip box meets the tile at (50, 50)-(100, 100) only; the whole tile
    // is drawn and nothing else.
    const RECT area{5, 5, 155, 115};
    FillGradient(mem, area, 1, c, RECT{60, 60, 70, 70});
    EXPECT_EQ(GetPixel(mem, 55, 55), GradientColourAt(c, 50, 110));
    EXPECT_EQ(GetPixel(mem, 104, 104), GradientColourAt(c, 99, 110));
    EXPECT_EQ(GetPixel(mem, 54, 54), 0x00FFFFFFu);
    EXPECT_EQ(GetPixel(mem, 105, 60), 0x00FFFFFFu);
    EXPECT_EQ(GetPixel(mem, 60, 105), 0x00FFFFFFu);
    EXPECT_EQ(GetPixel(mem, 10, 10), 0x00FFFFFFu);
    // A clip box over everything: the last partial tiles reach the area's edge.
    FillGradient(mem, area, 1, c, all);
    EXPECT_EQ(GetPixel(mem, 154, 114), GradientColourAt(c, 109, 110));
    EXPECT_EQ(GetPixel(mem, 155, 114), 0x00FFFFFFu);
    EXPECT_EQ(GetPixel(mem, 4, 5), 0x00FFFFFFu);
    SelectObject(mem, old);
    DeleteObject(bits);
    DeleteDC(mem);
}

class LabelPaintTest : public unit_test::UnitTest {
protected:
    // The label at the pop-up's top-left corner, so window and label
    // coordinates are the same.
    HWND Label(const LabelData& d, int width, int height) {
        parent_ = MakeParent(100, 100, 300, 200);
        return Create(Type(), WriteStoredUnitData(d), parent_, 0, 0, width, height);
    }
    COLORREF At(int x, int y) { return Capture(parent_).At(x, y); }
    HWND parent_ = 0;
};

LabelData Plain(uint32_t background) {
    LabelData d;
    d.caption.clear();
    d.background_colour = background;
    return d;
}

TEST_F(LabelPaintTest, DiagonalGradientOnAWideLabelReachesTheLastColourAtFortyPixels) {
    LabelData d = Plain(0x00FFFFFF);
    d.gradient = 3;
    d.gradient_colour1 = kRed;
    d.gradient_colour2 = kGreen;
    d.gradient_colour3 = kBlue;
    ASSERT_NE(Label(d, 100, 20), 0u);
    EXPECT_EQ(At(0, 0), kRed);
    EXPECT_EQ(At(10, 10), kGreen);
    EXPECT_EQ(At(5, 5), 0x007F80u);
    EXPECT_NE(At(39, 0), kBlue);
    EXPECT_NE(At(20, 19), kBlue);
    for (POINT p : {POINT{40, 0}, POINT{30, 10}, POINT{21, 19}, POINT{60, 5}, POINT{99, 19}})
        EXPECT_EQ(At(p.x, p.y), kBlue) << p.x << "," << p.y;
    // Beyond the label, the pop-up's own surface.
    EXPECT_NE(At(100, 0), kBlue);
}

TEST_F(LabelPaintTest, GradientsRunFromTheirEdgeAcrossTilesOfFiftyPixels) {
    LabelData d = Plain(0x00FFFFFF);
    d.gradient = 6;  // right to left
    d.gradient_colour1 = kRed;
    d.gradient_colour2 = 0xFF000000u;
    d.gradient_colour3 = kBlue;
    ASSERT_NE(Label(d, 120, 60), 0u);
    GradientColours two = CollectGradientColours(kRed, 0xFF000000u, kBlue);
    EXPECT_EQ(At(119, 0), kRed);
    EXPECT_EQ(At(119, 59), kRed);
    // Columns on both sides of the tile seams at 50 and 100 continue the rule.
    for (int x : {0, 49, 50, 51, 99, 100, 101})
        for (int y : {0, 49, 50, 59})
            EXPECT_EQ(At(x, y), GradientColourAt(two, 119 - x, 120)) << x << "," << y;
}

TEST_F(LabelPaintTest, TransparentGradientColoursLeaveTheBackgroundColour) {
    LabelData d = Plain(0x00336699);
    d.gradient = 1;
    d.gradient_colour1 = d.gradient_colour2 = d.gradient_colour3 = 0xFF000000u;
    HWND h = Label(d, 80, 40);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(At(1, 1), 0x00336699u);
    EXPECT_EQ(At(79, 39), 0x00336699u);
    // Gradient off: the same.
    Set(Type(), h, kLpGradientColour1, kRed);
    Set(Type(), h, kLpGradientColour2, kBlue);
    Set(Type(), h, kLpGradient, 0);
    EXPECT_EQ(At(40, 20), 0x00336699u);
    // Back on, and the system default background otherwise.
    Set(Type(), h, kLpGradient, 1);
    EXPECT_EQ(At(40, 0), kRed);
    Set(Type(), h, kLpGradient, 0);
    Set(Type(), h, kLpBackColour, 0xFF000000u);
    EXPECT_EQ(At(40, 20), GetSysColor(COLOR_BTNFACE));
}

TEST_F(LabelPaintTest, ShadedFrameBandsShadeInwardsWithMitredCorners) {
    LabelData d = Plain(0x00202020);
    d.border = kLabelShadedFrame;
    d.frame_width = 10;
    d.frame_colour1 = kRed;
    d.frame_colour2 = kGreen;
    d.frame_colour3 = kBlue;
    ASSERT_NE(Label(d, 100, 60), 0u);
    GradientColours c = CollectGradientColours(kRed, kGreen, kBlue);
    // Top and bottom bands: colour 1 at each band's upper edge.
    EXPECT_EQ(At(50, 0), kRed);
    EXPECT_EQ(At(50, 5), kGreen);
    EXPECT_EQ(At(50, 9), GradientColourAt(c, 9, 10));
    EXPECT_EQ(At(50, 50), kRed);
    EXPECT_EQ(At(50, 55), kGreen);
    // Side bands: colour 1 at each band's left edge, the right band too.
    EXPECT_EQ(At(0, 30), kRed);
    EXPECT_EQ(At(5, 30), kGreen);
    EXPECT_EQ(At(90, 30), kRed);
    EXPECT_EQ(At(95, 30), kGreen);
    EXPECT_EQ(At(99, 30), GradientColourAt(c, 9, 10));
    // Corners split on the diagonal: above it the top band, below it the side.
    EXPECT_EQ(At(7, 2), GradientColourAt(c, 2, 10));  // top band, row 2
    EXPECT_EQ(At(2, 7), GradientColourAt(c, 2, 10));  // left band, column 2
    EXPECT_EQ(At(3, 8), GradientColourAt(c, 3, 10));
    EXPECT_EQ(At(8, 3), GradientColourAt(c, 3, 10));
    EXPECT_EQ(At(97, 8), GradientColourAt(c, 7, 10));  // right band, column 7
    EXPECT_EQ(At(93, 2), GradientColourAt(c, 2, 10));  // top band
    EXPECT_EQ(At(1, 56), GradientColourAt(c, 1, 10));  // left band near the bottom
    EXPECT_EQ(At(8, 53), GradientColourAt(c, 3, 10));  // bottom band, row 3
    // Inside the frame, the background colour.
    EXPECT_EQ(At(10, 10), 0x00202020u);
    EXPECT_EQ(At(89, 49), 0x00202020u);
}

TEST_F(LabelPaintTest, ShadedFrameKeepsWithinHalfTheLabelAndNeedsTwoColours) {
    LabelData d = Plain(0x00202020);
    d.border = kLabelShadedFrame;
    d.frame_width = 500;
    d.frame_colour1 = kRed;
    d.frame_colour2 = kBlue;
    d.frame_colour3 = 0xFF000000u;
    HWND h = Label(d, 60, 20);
    ASSERT_NE(h, 0u);
    // Ten pixels (half the height) from the top, no further.
    EXPECT_EQ(At(30, 0), kRed);
    EXPECT_EQ(At(30, 5), GradientColourAt(CollectGradientColours(kRed, kBlue, 0xFF000000u), 5, 10));
    // One colour left: no frame, the content keeps the whole label.
    Set(Type(), h, kLpFrameColour2, 0xFF000000u);
    EXPECT_EQ(At(0, 0), 0x00202020u);
    EXPECT_EQ(At(30, 5), 0x00202020u);
    // Any other border: no frame either.
    Set(Type(), h, kLpFrameColour2, kBlue);
    Set(Type(), h, kLpBorder, 0);
    EXPECT_EQ(At(30, 0), 0x00202020u);
}

TEST_F(LabelPaintTest, PictureWinsOverTheGradientInEveryMode) {
    LabelData d = Plain(0x00202020);
    d.gradient = 2;
    d.gradient_colour1 = kRed;
    d.gradient_colour2 = kBlue;
    d.picture = unit_test::SolidBmp(8, 6, kGreen);
    d.picture_mode = 1;  // tiled
    HWND h = Label(d, 50, 30);
    ASSERT_NE(h, 0u);
    for (POINT p : {POINT{0, 0}, POINT{9, 7}, POINT{49, 29}, POINT{25, 15}}) EXPECT_EQ(At(p.x, p.y), kGreen);
    // Top-left: the picture once, the rest in the background colour.
    Set(Type(), h, kLpPictureMode, 0);
    EXPECT_EQ(At(7, 5), kGreen);
    EXPECT_EQ(At(8, 5), 0x00202020u);
    EXPECT_EQ(At(40, 20), 0x00202020u);
    // Fitted and centred: natural size in the middle.
    Set(Type(), h, kLpPictureMode, 2);
    EXPECT_EQ(At(21, 12), kGreen);
    EXPECT_EQ(At(28, 17), kGreen);
    EXPECT_EQ(At(20, 11), 0x00202020u);
    EXPECT_EQ(At(29, 18), 0x00202020u);
}

TEST_F(LabelPaintTest, PictureSitsInsideTheShadedFrame) {
    LabelData d = Plain(0x00202020);
    d.border = kLabelShadedFrame;
    d.frame_width = 5;
    d.frame_colour1 = kRed;
    d.frame_colour2 = kRed;
    d.frame_colour3 = 0xFF000000u;
    d.picture = unit_test::SolidBmp(4, 4, kGreen);
    d.picture_mode = 0;
    ASSERT_NE(Label(d, 40, 30), 0u);
    EXPECT_EQ(At(4, 4), kRed);
    EXPECT_EQ(At(5, 5), kGreen);
    EXPECT_EQ(At(8, 8), kGreen);
    EXPECT_EQ(At(9, 9), 0x00202020u);
}

TEST_F(LabelPaintTest, UndecodablePictureBytesAreDiscarded) {
    LabelData d = Plain(0x00336699);
    d.picture = {'B', 'M', 1, 2, 3};
    d.gradient = 1;
    d.gradient_colour1 = kRed;
    d.gradient_colour2 = kRed;
    HWND h = Label(d, 40, 20);
    ASSERT_NE(h, 0u);
    // The gradient shows instead, and the property is empty afterwards.
    EXPECT_EQ(At(10, 10), kRed);
    EXPECT_EQ(GetBytes(Type(), h, kLpPicture).size(), 0u);
    // A good picture written later shows.
    std::vector<uint8_t> good = unit_test::SolidBmp(2, 2, kGreen);
    SetBytes(Type(), h, kLpPicture, good);
    EXPECT_EQ(At(10, 10), kGreen);
    EXPECT_EQ(GetBytes(Type(), h, kLpPicture), good);
}

// Pixels in a range of the label that pass a test.
template <class Test>
int CountIn(HWND parent, int x0, int x1, int y0, int y1, Test test) {
    const Capture shot(parent);
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) n += test(shot.At(x, y)) ? 1 : 0;
    return n;
}

int Channel(COLORREF c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }
bool Light(COLORREF c) { return Channel(c, 0) > 0xD0 && Channel(c, 8) > 0xD0 && Channel(c, 16) > 0xD0; }
bool Dark(COLORREF c) { return Channel(c, 0) < 0x30 && Channel(c, 8) < 0x30 && Channel(c, 16) < 0x30; }

TEST_F(LabelPaintTest, CaptionFollowsAlignmentAndEffects) {
    LabelData d = Plain(0x00808080);
    d.caption = "WWW";
    d.text_colour = 0x000000;
    HWND h = Label(d, 150, 30);
    ASSERT_NE(h, 0u);
    auto inked = [](COLORREF c) { return c != 0x00808080u; };
    EXPECT_GT(CountIn(parent_, 0, 50, 0, 30, inked), 0);
    EXPECT_EQ(CountIn(parent_, 100, 150, 0, 30, inked), 0);
    Set(Type(), h, kLpHorizontalAlignment, 2);
    EXPECT_EQ(CountIn(parent_, 0, 50, 0, 30, inked), 0);
    EXPECT_GT(CountIn(parent_, 100, 150, 0, 30, inked), 0);
    Set(Type(), h, kLpHorizontalAlignment, 1);
    EXPECT_EQ(CountIn(parent_, 0, 40, 0, 30, inked), 0);
    EXPECT_EQ(CountIn(parent_, 110, 150, 0, 30, inked), 0);
    EXPECT_GT(CountIn(parent_, 40, 110, 0, 30, inked), 0);
    // Vertical alignment: top leaves the lower part empty, bottom the upper.
    Set(Type(), h, kLpVerticalAlignment, 0);
    EXPECT_EQ(CountIn(parent_, 0, 150, 22, 30, inked), 0);
    Set(Type(), h, kLpVerticalAlignment, 2);
    EXPECT_EQ(CountIn(parent_, 0, 150, 0, 8, inked), 0);
    // Word wrap starts at the top whatever the vertical alignment says.
    Set(Type(), h, kLpWordWrap, 1);
    EXPECT_GT(CountIn(parent_, 0, 150, 0, 8, inked), 0);
    Set(Type(), h, kLpWordWrap, 0);
    // No effect: nothing light; a light shadow brings light pixels out.
    EXPECT_EQ(CountIn(parent_, 0, 150, 0, 30, Light), 0);
    Set(Type(), h, kLpEffect, 1);
    EXPECT_GT(CountIn(parent_, 0, 150, 0, 30, Light), 0);
    Set(Type(), h, kLpEffect, 2);
    EXPECT_GT(CountIn(parent_, 0, 150, 0, 30, Light), 0);
    // Dark shadow under a white caption: dark pixels come from the shadow alone.
    Set(Type(), h, kLpTextColour, 0xFFFFFF);
    Set(Type(), h, kLpEffect, 0);
    EXPECT_EQ(CountIn(parent_, 0, 150, 0, 30, Dark), 0);
    Set(Type(), h, kLpEffect, 3);
    EXPECT_GT(CountIn(parent_, 0, 150, 0, 30, Dark), 0);
}

TEST_F(LabelPaintTest, ArbitraryStoredBytesNeverBreakCreationOrPainting) {
    parent_ = MakeParent(100, 100, 300, 200);
    LabelData base;
    base.border = kLabelShadedFrame;
    base.gradient = 5;
    std::vector<uint8_t> seed = WriteStoredUnitData(base);
    uint32_t state = 12345;
    auto next = [&] {
        state = state * 1103515245u + 12345u;
        return state >> 16;
    };
    int created = 0;
    for (int round = 0; round < 150; ++round) {
        std::vector<uint8_t> bytes = seed;
        for (int flips = 0; flips < 4; ++flips) bytes[next() % bytes.size()] = static_cast<uint8_t>(next());
        bytes[0] = static_cast<uint8_t>(next() % 3);
        bytes[1] = bytes[2] = bytes[3] = 0;
        HWND h = Create(Type(), bytes, parent_, 0, 0, 90, 40);
        // Without a parent nothing is made, whatever the bytes.
        EXPECT_EQ(Create(Type(), bytes, 0, 0, 0, 90, 40), 0u);
        if (!h) continue;
        ++created;
        EXPECT_NE(Capture(parent_).At(45, 20), CLR_INVALID);
        DestroyWindow(h);
    }
    EXPECT_GT(created, 0);
}

}  // namespace
