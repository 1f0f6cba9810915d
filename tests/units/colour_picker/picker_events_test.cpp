// The colour pickers of the program's real start window, loaded by the
// runtime: event 0 reaches the handler after the colour property changed,
// for every confirmation and for no cancel.
#include "tests/runtime/windowing/real_program.h"
#include "units/colour_picker.h"
#include "win/commdlg.h"
#include "win/testhooks.h"

namespace sigtest {
namespace {

using runtime::templates::EventHandler;

constexpr uint32_t kTextColourPicker = 0x1601220D;
constexpr int32_t kColourProperty = 8;

uint64_t& ColourSeenByHandler() {
    static uint64_t colour = 0;
    return colour;
}

class PickerEventsTest : public RealWindowsTest {
protected:
    void SetUp() override {
        RealWindowsTest::SetUp();
        SigTestClearDialogAnswers();
        auto& picker = RecordNamed(kStartWindow, Gbk(u8"颜色选择器_字体颜色"));
        ASSERT_EQ(picker.id, kTextColourPicker);
        picker.events = {EventHandler{0, 0, Extra(0)}};
        Record().hook[kExtraRoutine] = [] {
            ColourSeenByHandler() = rt().ReadUnitProperty(kStartWindow, kTextColourPicker, kColourProperty, 0);
        };
        ColourSeenByHandler() = 0xBAD;
        rt().LoadStartWindow(kStartWindow);
        picker_ = static_cast<HWND>(runtime::NotifyRuntime(runtime::kNotifyFindUnit, kStartWindow, kTextColourPicker));
        SigTestWaitIdle(500);
    }
    void TearDown() override {
        SigTestClearDialogAnswers();
        RealWindowsTest::TearDown();
    }
    static std::vector<RoutineCall> HandlerCalls() {
        std::vector<RoutineCall> out;
        for (auto& c : Record().calls)
            if (c.routine == kExtraRoutine) out.push_back(c);
        return out;
    }
    HWND Open() {
        RECT r;
        GetWindowRect(picker_, &r);
        SigTestClick(r.left + 8, (r.top + r.bottom) / 2, 1);
        SigTestWaitIdle(500);
        auto* unit = dynamic_cast<units::ColourPickerUnit*>(units::Unit::FromWindow(picker_));
        return unit ? unit->Palette() : 0;
    }
    void ClickCell(HWND palette, int index) {
        RECT pr;
        GetWindowRect(palette, &pr);
        RECT c = units::ColourPalette::FromWindow(palette)->Layout().Cell(index);
        SigTestClick(pr.left + (c.left + c.right) / 2, pr.top + (c.top + c.bottom) / 2, 1);
        SigTestWaitIdle(500);
    }
    uint32_t Colour() const {
        return static_cast<uint32_t>(rt().ReadUnitProperty(kStartWindow, kTextColourPicker, kColourProperty, 0));
    }
    HWND picker_ = 0;
};

TEST_F(PickerEventsTest, ConfirmingACellRaisesEventZeroWithTheNewColourInPlace) {
    ASSERT_TRUE(IsWindow(picker_));
    HWND palette = Open();
    ASSERT_NE(palette, 0u);
    EXPECT_TRUE(HandlerCalls().empty());
    ClickCell(palette, 12);
    EXPECT_FALSE(IsWindow(palette));
    auto calls = HandlerCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].contextWindow, kStartWindow);
    EXPECT_EQ(calls[0].contextUnit, kTextColourPicker);
    EXPECT_EQ(ColourSeenByHandler(), RGB(255, 0, 0));
    EXPECT_EQ(Colour(), RGB(255, 0, 0));
    // The same colour once more: the event is raised again.
    palette = Open();
    ASSERT_NE(palette, 0u);
    ClickCell(palette, 12);
    EXPECT_EQ(HandlerCalls().size(), 2u);
    EXPECT_EQ(Colour(), RGB(255, 0, 0));
    // The start window is active again, and the swatch shows the colour.
    HWND window = GetAncestor(picker_, GA_ROOT);
    EXPECT_EQ(GetActiveWindow(), window);
    EXPECT_EQ(GetFocus(), picker_);
    POINT p{20, 12};
    MapWindowPoints(picker_, window, &p, 1);
    RECT wr;
    GetWindowRect(window, &wr);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    EXPECT_EQ(SigTestWindowPixel(window, p.x + origin.x - wr.left, p.y + origin.y - wr.top), RGB(255, 0, 0));
}

TEST_F(PickerEventsTest, CancelsRaiseNothing) {
    HWND palette = Open();
    ASSERT_NE(palette, 0u);
    ClickCell(palette, 5);
    ASSERT_EQ(HandlerCalls().size(), 1u);
    // Escape after hovering.
    palette = Open();
    ASSERT_NE(palette, 0u);
    SigTestKeyPress(VK_DOWN);
    SigTestKeyPress(VK_ESCAPE);
    SigTestWaitIdle(500);
    EXPECT_FALSE(IsWindow(palette));
    // The system dialog cancelled.
    palette = Open();
    ASSERT_NE(palette, 0u);
    SigTestKeyPress(VK_UP);  // from none: round to the more-colours entry
    SigTestAnswerCancel();
    SigTestKeyPress(VK_RETURN);
    SigTestWaitIdle(500);
    EXPECT_FALSE(IsWindow(palette));
    EXPECT_EQ(HandlerCalls().size(), 1u);
    EXPECT_EQ(Colour(), RGB(128, 0, 128));
    // The system dialog answered: raised, with the dialog's colour.
    palette = Open();
    ASSERT_NE(palette, 0u);
    SigTestKeyPress(VK_UP);
    SigTestAnswerColorDialog(RGB(1, 2, 3));
    SigTestKeyPress(VK_RETURN);
    SigTestWaitIdle(500);
    EXPECT_EQ(HandlerCalls().size(), 2u);
    EXPECT_EQ(ColourSeenByHandler(), RGB(1, 2, 3));
}

}  // namespace
}  // namespace sigtest
