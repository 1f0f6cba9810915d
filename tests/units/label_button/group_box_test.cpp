// The group box: stored data, title and alignment, its own colours on
// screen, and child notifications handed back to the units inside it.
#include "runtime/template/stored_unit_data.h"
#include "tests/units/support/unit_fixture.h"
#include "units/button.h"
#include "units/group_box.h"
#include "units/label.h"
#include "win/testhooks.h"

namespace {

using runtime::templates::GroupBoxData;
using runtime::templates::WriteStoredUnitData;
using unit_test::Capture;
using namespace units;

const runtime::UnitType& Type() {
    static const runtime::UnitType type = GroupBoxUnitType();
    return type;
}

class GroupBoxTest : public unit_test::UnitTest {
protected:
    HWND Box(const GroupBoxData& d, int width = 200, int height = 120) {
        parent_ = MakeParent(100, 100, 300, 200);
        return Create(Type(), WriteStoredUnitData(d), parent_, 0, 0, width, height);
    }
    HWND parent_ = 0;
};

TEST_F(GroupBoxTest, DescriptorAndDefaults) {
    const runtime::UnitType& t = Type();
    EXPECT_STREQ(t.englishName, "GroupBox");
    EXPECT_EQ(t.flags, 0x840140C0u);
    ASSERT_EQ(t.propertyCount, 13u);
    EXPECT_EQ(t.properties[8].kind, 1005);
    EXPECT_EQ(t.properties[9].kind, 1006);
    EXPECT_EQ(t.properties[10].kind, 1014);
    EXPECT_EQ(t.properties[11].kind, 1017);
    EXPECT_EQ(t.properties[12].kind, 1013);
    for (int32_t op : {1, 4, 5, 6, 9}) EXPECT_NE(t.lookup(op), nullptr) << op;
    for (int32_t op : {7, 8, 10}) EXPECT_EQ(t.lookup(op), nullptr) << op;

    HWND h = Create(Type(), {}, MakeParent(), 0, 0, 100, 60);
    ASSERT_NE(h, 0u);
    char cls[16] = {};
    GetClassNameA(h, cls, sizeof cls);
    EXPECT_STREQ(cls, "BUTTON");
    EXPECT_EQ(Style(h) & BS_TYPEMASK, static_cast<DWORD>(BS_GROUPBOX));
    EXPECT_EQ(Style(h) & BS_CENTER, static_cast<DWORD>(BS_LEFT));
    EXPECT_EQ(GetText(Type(), h, kGpTitle), "");
    EXPECT_EQ(Get(Type(), h, kGpTextColour), 0u);
    EXPECT_EQ(Get(Type(), h, kGpBackColour), 0xFF000000u);
    EXPECT_EQ(GetBytes(Type(), h, kGpFont).size(), 0u);
}

TEST_F(GroupBoxTest, StoredDataReadsAndRefusesLaterVersionsAndShortStreams) {
    GroupBoxData d;
    d.title = "\xD7\xE9";
    d.title_alignment = 2;
    d.background_colour = 0x00112233;
    HWND h = Box(d);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(GetText(Type(), h, kGpTitle), d.title);
    char text[16] = {};
    GetWindowTextA(h, text, sizeof text);
    EXPECT_EQ(std::string(text), d.title);
    EXPECT_EQ(Style(h) & BS_CENTER, static_cast<DWORD>(BS_RIGHT));
    EXPECT_EQ(Saved(Type(), h), WriteStoredUnitData(d));
    std::vector<uint8_t> bytes = WriteStoredUnitData(d);
    std::vector<uint8_t> later = bytes;
    later[0] = 2;
    EXPECT_EQ(Create(Type(), later, parent_, 0, 0, 50, 50), 0u);
    for (size_t cut = 1; cut < bytes.size(); ++cut)
        EXPECT_EQ(Create(Type(), std::vector<uint8_t>(bytes.begin(), bytes.begin() + cut), parent_, 0, 0, 50, 50), 0u)
            << cut;
    // A stored alignment outside the list is brought in.
    d.title_alignment = 40;
    HWND clamped = Create(Type(), WriteStoredUnitData(d), parent_, 0, 0, 50, 50);
    ASSERT_NE(clamped, 0u);
    EXPECT_EQ(Get(Type(), clamped, kGpAlignment), 2u);
}

TEST_F(GroupBoxTest, WritesReplaceAlignmentBitsAndNeverRebuild) {
    HWND h = Box(GroupBoxData{});
    EXPECT_EQ(Set(Type(), h, kGpAlignment, 1), 0);
    EXPECT_EQ(Style(h) & BS_CENTER, static_cast<DWORD>(BS_CENTER));
    EXPECT_EQ(Set(Type(), h, kGpAlignment, static_cast<uint32_t>(-5)), 0);
    EXPECT_EQ(Get(Type(), h, kGpAlignment), 0u);
    EXPECT_EQ(Style(h) & BS_CENTER, static_cast<DWORD>(BS_LEFT));
    EXPECT_EQ(Set(Type(), h, kGpAlignment, 99), 0);
    EXPECT_EQ(Get(Type(), h, kGpAlignment), 2u);
    EXPECT_EQ(Style(h) & BS_TYPEMASK, static_cast<DWORD>(BS_GROUPBOX));
    EXPECT_EQ(SetText(Type(), h, kGpTitle, "abc"), 0);
    char text[16] = {};
    GetWindowTextA(h, text, sizeof text);
    EXPECT_STREQ(text, "abc");
    EXPECT_EQ(Set(Type(), h, kGpTitle, 0), 0);
    EXPECT_EQ(GetText(Type(), h, kGpTitle), "");
    std::vector<uint8_t> shortFont(59, 0);
    EXPECT_EQ(SetBytes(Type(), h, kGpFont, shortFont), 0);
    EXPECT_EQ(SendMessageA(h, WM_GETFONT, 0, 0), static_cast<LRESULT>(GetStockObject(DEFAULT_GUI_FONT)));
    EXPECT_EQ(Set(Type(), h, kGroupBoxPropertyCount, 1), 0);
}

TEST_F(GroupBoxTest, PaintsItsBackgroundAndTitleInItsOwnColours) {
    GroupBoxData d;
    d.background_colour = 0x00336699;
    d.text_colour = 0x000000FF;
    d.title = "WWWW";
    HWND h = Box(d, 200, 100);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(Capture(parent_).At(100, 60), 0x00336699u);
    auto red = [&](int x0, int x1) {
        const Capture shot(parent_);
        int n = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = x0; x < x1; ++x) {
                COLORREF c = shot.At(x, y);
                n += (c & 0xFF) > 0xC0 && ((c >> 8) & 0xFF) < 0x60;
            }
        return n;
    };
    EXPECT_GT(red(0, 70), 0);
    EXPECT_EQ(red(130, 200), 0);
    // Right-aligned title: the red moves to the right end.
    Set(Type(), h, kGpAlignment, 2);
    EXPECT_EQ(red(0, 70), 0);
    EXPECT_GT(red(130, 200), 0);
    Set(Type(), h, kGpBackColour, 0xFF000000u);
    EXPECT_EQ(Capture(parent_).At(100, 60), GetSysColor(COLOR_BTNFACE));
}

TEST_F(GroupBoxTest, ButtonInsideIsClickedOnceAndLabelsInsideShow) {
    HWND box = Box(GroupBoxData{}, 200, 120);
    ASSERT_NE(box, 0u);
    HWND button = Create(ButtonUnitType(), {}, box, 20, 30, 80, 30, 0x16000002);
    ASSERT_NE(button, 0u);
    runtime::templates::LabelData label;
    label.caption.clear();
    label.background_colour = 0x0000FF00;
    HWND inner = Create(LabelUnitType(), WriteStoredUnitData(label), box, 120, 30, 40, 40, 0x16000003);
    ASSERT_NE(inner, 0u);
    EXPECT_EQ(Capture(parent_).At(140, 50), 0x0000FF00u);
    // The box hands BN_CLICKED back to the button: still one event 0.
    SendMessageA(button, BM_CLICK, 0, 0);
    EXPECT_EQ(Events(0, 0x16000002).size(), 1u);
    POINT p{60, 45};
    ClientToScreen(box, &p);
    SigTestClick(p.x, p.y, 1);
    SigTestWaitIdle(2000);
    EXPECT_EQ(Events(0, 0x16000002).size(), 2u);
    EXPECT_EQ(Events(0, 0).size(), 0u);
}

}  // namespace
