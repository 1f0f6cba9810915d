// The window unit created through its descriptor's operations, as the
// loader does: caption rules, position, shapes, background painting, the
// property table and its pick and logic rules.
#include "runtime/application.h"
#include "runtime/template/stored_unit_data.h"
#include "tests/units/support/unit_fixture.h"
#include "units/window_shapes.h"
#include "units/scroll_bar.h"
#include "units/window_unit.h"
#include "win/testhooks.h"

namespace {

using runtime::templates::WindowData;
using unit_test::SolidBmp;

const runtime::UnitType& Type() { return units::WindowUnitType(); }

class WindowUnitTest : public unit_test::UnitTest {
protected:
    // A top-level window unit: no parent, no styles of the loader's. Its
    // property writes never ask for a rebuild: each Set below answers 0.
    HWND Create(const WindowData& data, int left = 40, int top = 30, int width = 300, int height = 200) {
        return UnitTest::Create(Type(), runtime::templates::WriteStoredUnitData(data), 0, left, top, width, height,
                                0x06000001, 0);
    }
};

TEST_F(WindowUnitTest, DescriptorCarriesThirtyTwoPropertiesAndTheWindowOperations) {
    const auto& type = units::WindowUnitType();
    EXPECT_EQ(type.flags, 0x800000D0u);
    ASSERT_EQ(type.propertyCount, 32u);
    EXPECT_EQ(type.properties[0].flags, 0xE000);
    EXPECT_EQ(type.properties[8].kind, 1005);
    EXPECT_EQ(type.properties[9].kind, 1006);
    EXPECT_EQ(type.properties[10].kind, 1017);
    EXPECT_EQ(type.properties[28].kind, 1006);
    EXPECT_EQ(type.properties[12].flags, 0x8001);
    EXPECT_EQ(type.properties[31].kind, 1005);
    EXPECT_NE(type.lookup(runtime::kOpCreateUnit), nullptr);
    EXPECT_EQ(type.lookup(runtime::kOpWantsKey), nullptr);
    EXPECT_EQ(type.lookup(runtime::kOpIsDefaultButton), nullptr);
}

TEST_F(WindowUnitTest, CaptionNeedsATitleOrTheControlButton) {
    WindowData data;
    data.border = 1;
    data.control_button = false;
    HWND bare = Create(data);
    ASSERT_TRUE(IsWindow(bare));
    EXPECT_NE(Style(bare) & WS_CAPTION, WS_CAPTION);
    EXPECT_NE(Style(bare) & WS_THICKFRAME, 0u);
    // No caption: the client area takes all but the frame.
    RECT wr, cr;
    GetWindowRect(bare, &wr);
    GetClientRect(bare, &cr);
    EXPECT_LT((wr.bottom - wr.top) - cr.bottom, 12);
    // A title brings the caption back, without the system menu.
    char title[] = "t";
    EXPECT_EQ(SetText(Type(), bare, units::kWpTitle, title), 0);
    EXPECT_EQ(Style(bare) & WS_CAPTION, WS_CAPTION);
    EXPECT_EQ(Style(bare) & WS_SYSMENU, 0u);
    EXPECT_EQ(Set(Type(), bare, units::kWpControlButton, 1), 0);
    EXPECT_NE(Style(bare) & WS_SYSMENU, 0u);
    // Border 0: never a caption.
    data.border = 0;
    data.control_button = true;
    data.title = "x";
    EXPECT_EQ(Style(Create(data)) & WS_CAPTION, 0u);
}

TEST_F(WindowUnitTest, PositionRules) {
    WindowData data;
    data.border = 2;
    data.position = 3;  // maximised, but the border is fixed
    HWND fixed = Create(data);
    EXPECT_FALSE(IsZoomed(fixed));
    EXPECT_EQ(Get(Type(), fixed, units::kWpPosition), 0u);
    data.border = 1;
    data.position = 1;  // centred
    HWND centred = Create(data, 0, 0, 300, 200);
    RECT rc;
    GetWindowRect(centred, &rc);
    EXPECT_EQ(rc.left, (GetSystemMetrics(SM_CXSCREEN) - 300) / 2);
    EXPECT_EQ(rc.top, (GetSystemMetrics(SM_CYSCREEN) - 200) / 2);
    EXPECT_EQ(rc.right - rc.left, 300);
    EXPECT_EQ(Get(Type(), centred, units::kWpPosition), 0u);  // reads back as "normal"
}

TEST_F(WindowUnitTest, PickAndLogicValuesAreClamped) {
    HWND h = Create(WindowData{});
    EXPECT_EQ(Set(Type(), h, units::kWpBorder, static_cast<uint32_t>(-5)), 0);
    EXPECT_EQ(Get(Type(), h, units::kWpBorder), 0u);
    EXPECT_EQ(Set(Type(), h, units::kWpBorder, 99), 0);
    EXPECT_EQ(Get(Type(), h, units::kWpBorder), 6u);
    EXPECT_EQ(Set(Type(), h, units::kWpShape, 1000), 0);
    EXPECT_EQ(Get(Type(), h, units::kWpShape), 29u);
    EXPECT_EQ(Set(Type(), h, units::kWpEscCloses, 5), 0);
    EXPECT_EQ(Get(Type(), h, units::kWpEscCloses), 1u);
    EXPECT_EQ(Set(Type(), h, units::kWpEscCloses, 0), 0);
    EXPECT_EQ(Get(Type(), h, units::kWpEscCloses), 0u);
    // Saved data reads back into the same settings.
    auto save = reinterpret_cast<runtime::SaveUnitPropertiesOp>(Type().lookup(runtime::kOpSaveUnitProperties));
    runtime::Application::Instance().Heap().Start();
    uint32_t length = 0;
    uint8_t* block = save(h, &length);
    ASSERT_NE(block, nullptr);
    WindowData back;
    ASSERT_TRUE(runtime::templates::ReadStoredUnitData({block, length}, back));
    EXPECT_EQ(back.border, 6);
    EXPECT_EQ(back.shape, 29);
    EXPECT_FALSE(back.esc_closes);
    runtime::NotifyRuntime(runtime::kNotifyFreeMemory, reinterpret_cast<uintptr_t>(block), 0);
}

TEST_F(WindowUnitTest, StoredDataOfAnOlderVersionKeepsLaterDefaultsAndANewerOneIsRefused) {
    std::vector<uint8_t> v1(4 + 13 * 4 + 5 * 4, 0);
    v1[0] = 1;
    v1[4] = 0;  // border 0
    WindowData d;
    ASSERT_TRUE(runtime::templates::ReadStoredUnitData(v1, d));
    EXPECT_EQ(d.border, 0);
    EXPECT_TRUE(d.shown_in_taskbar);  // version 2 field: default
    auto create = reinterpret_cast<runtime::CreateUnitOp>(Type().lookup(runtime::kOpCreateUnit));
    std::vector<uint8_t> v7 = v1;
    v7[0] = 7;
    EXPECT_EQ(create(v7.data(), static_cast<uint32_t>(v7.size()), 0, 0, 0, 0, 0, 0, 50, 50, 1, 1, 0, 0), 0u);
    std::vector<uint8_t> cut(v1.begin(), v1.begin() + 10);
    EXPECT_EQ(create(cut.data(), static_cast<uint32_t>(cut.size()), 0, 0, 0, 0, 0, 0, 50, 50, 1, 1, 0, 0), 0u);
    HWND empty = create(nullptr, 0, 0, 0, 0, 0, 0, 0, 50, 50, 1, 1, 0, 0);  // all defaults
    made_.push_back(empty);
    EXPECT_TRUE(IsWindow(empty));
    EXPECT_EQ(Get(Type(), empty, units::kWpBorder), 2u);
}

TEST_F(WindowUnitTest, ShapesCutTheWindowAndHitTestingFollows) {
    // Shape 4 is the triangle pointing up.
    HRGN tri = units::MakeShapeRegion(4, 200, 100);
    ASSERT_NE(tri, 0u);
    EXPECT_TRUE(PtInRegion(tri, 100, 50));
    EXPECT_FALSE(PtInRegion(tri, 5, 5));
    EXPECT_FALSE(PtInRegion(tri, 195, 5));
    DeleteObject(tri);
    // Shape 12 is the diamond; shape 3 a ring with a hole.
    HRGN diamond = units::MakeShapeRegion(12, 100, 100);
    EXPECT_TRUE(PtInRegion(diamond, 50, 50));
    EXPECT_FALSE(PtInRegion(diamond, 10, 10));
    DeleteObject(diamond);
    HRGN ring = units::MakeShapeRegion(3, 100, 100);
    EXPECT_FALSE(PtInRegion(ring, 50, 50));
    EXPECT_TRUE(PtInRegion(ring, 10, 50));
    DeleteObject(ring);
    for (int shape = 1; shape < units::kWindowShapeCount; ++shape) {
        HRGN r = units::MakeShapeRegion(shape, 320, 240);
        ASSERT_NE(r, 0u) << shape;
        RECT box;
        GetRgnBox(r, &box);
        EXPECT_GE(box.left, 0) << shape;
        EXPECT_LE(box.right, 320) << shape;
        EXPECT_GT(box.right - box.left, 100) << shape;
        DeleteObject(r);
    }
    EXPECT_EQ(units::MakeShapeRegion(0, 10, 10), 0u);
    EXPECT_EQ(units::MakeShapeRegion(30, 10, 10), 0u);

    WindowData data;
    data.border = 0;
    data.shape = 4;
    data.position = 0;
    HWND h = Create(data, 100, 100, 200, 100);
    ShowWindow(h, SW_SHOWNA);
    POINT inside{200, 150}, corner{103, 103};
    EXPECT_EQ(WindowFromPoint(inside), h);
    EXPECT_NE(WindowFromPoint(corner), h);
}

TEST_F(WindowUnitTest, BackgroundIsTheStoredColourOrTheButtonFace) {
    WindowData data;
    data.border = 0;
    data.position = 0;
    data.background_colour = 0x00336699;
    HWND h = Create(data);
    ShowWindow(h, SW_SHOWNA);
    EXPECT_EQ(SigTestWindowPixel(h, 10, 10), 0x00336699u);
    EXPECT_EQ(Set(Type(), h, units::kWpBackColour, 0xFF000000u), 0);
    EXPECT_EQ(SigTestWindowPixel(h, 10, 10), GetSysColor(COLOR_BTNFACE));
}

TEST(BackgroundPicture, FittedModeScalesDownKeepingProportionsAndCentresSmallerPictures) {
    RECT r = units::BackgroundPictureRect(2, 100, 100, 400, 200);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.right, 100);
    EXPECT_EQ(r.top, 25);
    EXPECT_EQ(r.bottom, 75);
    r = units::BackgroundPictureRect(2, 300, 200, 40, 20);
    EXPECT_EQ(r.left, 130);
    EXPECT_EQ(r.top, 90);
    EXPECT_EQ(r.right - r.left, 40);
    EXPECT_EQ(r.bottom - r.top, 20);
    // Wider than tall client: the height limits.
    r = units::BackgroundPictureRect(2, 300, 50, 100, 100);
    EXPECT_EQ(r.bottom - r.top, 50);
    EXPECT_EQ(r.right - r.left, 50);
    EXPECT_EQ(r.left, 125);
    r = units::BackgroundPictureRect(0, 300, 50, 100, 100);
    EXPECT_EQ(r.right, 100);
    r = units::BackgroundPictureRect(3, 300, 50, 100, 100);
    EXPECT_EQ(r.right, 300);
    EXPECT_EQ(r.bottom, 50);
}

TEST_F(WindowUnitTest, BackgroundPictureModesOnScreen) {
    WindowData data;
    data.border = 0;
    data.position = 0;
    data.background_colour = 0x00FF0000;  // blue
    data.picture_mode = 2;
    data.background_picture = SolidBmp(400, 200, 0x000000FF);  // red, larger than the window
    HWND h = Create(data, 0, 0, 100, 100);
    ShowWindow(h, SW_SHOWNA);
    EXPECT_EQ(SigTestWindowPixel(h, 50, 50), 0x000000FFu);
    EXPECT_EQ(SigTestWindowPixel(h, 50, 10), 0x00FF0000u);
    EXPECT_EQ(SigTestWindowPixel(h, 50, 90), 0x00FF0000u);
    // Stretched: no colour left.
    EXPECT_EQ(Set(Type(), h, units::kWpPictureMode, 3), 0);
    EXPECT_EQ(SigTestWindowPixel(h, 50, 5), 0x000000FFu);
    // Top-left at natural size with a small picture: colour beyond it.
    std::vector<uint8_t> small = SolidBmp(10, 10, 0x0000FF00);
    EXPECT_EQ(SetBytes(Type(), h, units::kWpBackPicture, small), 0);
    EXPECT_EQ(Set(Type(), h, units::kWpPictureMode, 0), 0);
    EXPECT_EQ(SigTestWindowPixel(h, 5, 5), 0x0000FF00u);
    EXPECT_EQ(SigTestWindowPixel(h, 50, 50), 0x00FF0000u);
    // Tiled: the picture repeats.
    EXPECT_EQ(Set(Type(), h, units::kWpPictureMode, 1), 0);
    EXPECT_EQ(SigTestWindowPixel(h, 55, 55), 0x0000FF00u);
    // Bytes that do not decode: only the colour.
    std::vector<uint8_t> junk(30, 7);
    EXPECT_EQ(SetBytes(Type(), h, units::kWpBackPicture, junk), 0);
    EXPECT_EQ(SigTestWindowPixel(h, 5, 5), 0x00FF0000u);
}

}  // namespace

TEST_F(WindowUnitTest, ChildNotificationsGoBackToTheUnitThatSentThem) {
    HWND window = Create(WindowData{});
    ASSERT_NE(window, 0u);
    const runtime::UnitType bar = units::ScrollBarUnitType();
    HWND child = UnitTest::Create(bar, {}, window, 200, 10, 17, 100, 0x16000005);
    ASSERT_NE(child, 0u);
    const uint64_t before = Get(bar, child, units::kSbPosition);
    // What the scroll bar control tells its parent when its down arrow is pressed.
    SendMessageA(window, WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), static_cast<LPARAM>(child));
    EXPECT_EQ(Get(bar, child, units::kSbPosition), before + 1)
        << "the window handed the scroll notification back to its scroll bar";
}

TEST_F(WindowUnitTest, AClassNameThatReadsEmptyGivesTheDefaultClass) {
    WindowData d;
    d.class_name = std::string("\0abc", 4);
    HWND h = Create(d);
    ASSERT_NE(h, 0u);
    char cls[64] = {};
    GetClassNameA(h, cls, sizeof cls);
    EXPECT_STREQ(cls, "QXWindow");
}
