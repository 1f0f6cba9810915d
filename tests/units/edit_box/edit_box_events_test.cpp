// The edit boxes of the program's real start window, loaded by the runtime,
// with handlers on their events: content changes (written or typed), the
// up-down event, normalisation on leaving, and Enter in the multi-line box.
#include "tests/runtime/windowing/real_program.h"
#include "units/edit_box.h"
#include "win/testhooks.h"

namespace sigtest {
namespace {

using runtime::templates::EditBoxData;
using runtime::templates::EventHandler;

constexpr uint32_t kColourBox = 0x16012211;   // one line
constexpr uint32_t kContentBox = 0x160121FE;  // multi-line, in a group box
constexpr int32_t kContent = 8;

class EditBoxEventsTest : public RealWindowsTest {
protected:
    // Loads the start window with the colour box made from `data` and
    // handlers on events 0, 1 and -8.
    void Load(const EditBoxData& data) {
        auto& box = RecordNamed(kStartWindow, Gbk(u8"编辑框_字体颜色"));
        ASSERT_EQ(box.id, kColourBox);
        box.unit_data = runtime::templates::WriteStoredUnitData(data);
        box.events = {EventHandler{0, 0, Extra(0)}, EventHandler{1, 0, Extra(1)},
                      EventHandler{runtime::kEventLostFocus, 0, Extra(2)}};
        rt().LoadStartWindow(kStartWindow);
        box_ = static_cast<HWND>(runtime::NotifyRuntime(runtime::kNotifyFindUnit, kStartWindow, kColourBox));
        content_ = static_cast<HWND>(runtime::NotifyRuntime(runtime::kNotifyFindUnit, kStartWindow, kContentBox));
        SigTestWaitIdle(500);
        Record().calls.clear();
    }
    static std::vector<RoutineCall> Calls(int k) {
        std::vector<RoutineCall> out;
        for (auto& c : Record().calls)
            if (c.routine == kExtraRoutine + k) out.push_back(c);
        return out;
    }
    static std::string Content(uint32_t unit) {
        auto* t = reinterpret_cast<char*>(rt().ReadUnitProperty(kStartWindow, unit, kContent, 0));
        std::string text = t ? t : "";
        if (t) rt().FreeMemory(t);  // the reader owns the copy
        return text;
    }
    static void WriteContent(uint32_t unit, const char* text) {
        rt().WriteUnitProperty(kStartWindow, unit, kContent, 0, reinterpret_cast<uintptr_t>(text));
    }
    // Through the runtime's own message processing, so the window's key
    // handling sees the key first.
    static void PressEnter() {
        SigTestKeyPress(VK_RETURN);
        runtime::NotifyRuntime(runtime::kNotifyProcessMessages, 0, 0);
    }
    HWND box_ = 0, content_ = 0;
};

TEST_F(EditBoxEventsTest, WritingTheContentRaisesEventZeroOnceEachTime) {
    Load(EditBoxData{});
    ASSERT_TRUE(IsWindow(box_));
    WriteContent(kColourBox, "12");
    WriteContent(kColourBox, "12");
    auto calls = Calls(0);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].contextUnit, kColourBox);
    EXPECT_EQ(Content(kColourBox), "12");
    // Typing changes the content too: one event per character (the caret
    // starts at the front after a write).
    SetFocus(box_);
    SigTestTypeText("ab");
    SigTestWaitIdle(500);
    EXPECT_EQ(Calls(0).size(), 4u);
    // Keys that move the caret raise nothing; a backspace that deletes does.
    SendMessageA(box_, WM_KEYDOWN, VK_LEFT, 0);
    EXPECT_EQ(Calls(0).size(), 4u);
    SendMessageA(box_, WM_CHAR, 8, 0);
    EXPECT_EQ(Calls(0).size(), 5u);
    EXPECT_EQ(Content(kColourBox), "b12");
    // A backspace at the very start deletes nothing.
    SendMessageA(box_, EM_SETSEL, 0, 0);
    SendMessageA(box_, WM_CHAR, 8, 0);
    EXPECT_EQ(Calls(0).size(), 5u);
}

TEST_F(EditBoxEventsTest, ArrowsInEventModeRaiseEventOneAndLeaveTheText) {
    EditBoxData d;
    d.updown = 2;
    d.content = "5";
    Load(d);
    auto* unit = dynamic_cast<units::EditBoxUnit*>(units::Unit::FromWindow(box_));
    ASSERT_NE(unit, nullptr);
    HWND arrows = unit->UpDown();
    ASSERT_TRUE(IsWindow(arrows));
    RECT r;
    GetClientRect(arrows, &r);
    auto press = [&](int y) {
        SendMessageA(arrows, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(9, y));
        SendMessageA(arrows, WM_LBUTTONUP, 0, MAKELPARAM(9, y));
    };
    press(1);
    press(r.bottom - 1);
    auto calls = Calls(1);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(static_cast<int32_t>(calls[0].args[0]), 1);
    EXPECT_EQ(static_cast<int32_t>(calls[1].args[0]), -1);
    EXPECT_EQ(Content(kColourBox), "5");
    EXPECT_TRUE(Calls(0).empty());
}

TEST_F(EditBoxEventsTest, LeavingAByteFieldNormalisesItAndRaisesLostFocusOnce) {
    EditBoxData d;
    d.input_mode = 5;
    d.content = "300";
    Load(d);
    SetFocus(box_);
    SetFocus(content_);
    SigTestWaitIdle(500);
    EXPECT_EQ(Content(kColourBox), "255");
    EXPECT_EQ(Calls(2).size(), 1u);
    EXPECT_EQ(Calls(0).size(), 1u);  // the replaced text is a change
}

TEST_F(EditBoxEventsTest, ARebuildKeepsTheTextAndTradesTheArrowsForLines) {
    EditBoxData d;
    d.updown = 1;
    d.content = "7";
    Load(d);
    auto* unit = dynamic_cast<units::EditBoxUnit*>(units::Unit::FromWindow(box_));
    ASSERT_NE(unit, nullptr);
    HWND oldArrows = unit->UpDown();
    ASSERT_TRUE(IsWindow(oldArrows));
    WriteContent(kColourBox, "7\xB9\xFA");
    // Multi-line is a setting the window is built with.
    rt().WriteUnitProperty(kStartWindow, kColourBox, 8 + units::kEbMultiLine, 0, 1);
    HWND fresh = static_cast<HWND>(runtime::NotifyRuntime(runtime::kNotifyFindUnit, kStartWindow, kColourBox));
    ASSERT_TRUE(IsWindow(fresh));
    EXPECT_NE(fresh, box_);
    EXPECT_FALSE(IsWindow(box_));
    EXPECT_FALSE(IsWindow(oldArrows));
    EXPECT_NE(static_cast<DWORD>(GetWindowLongA(fresh, GWL_STYLE)) & ES_MULTILINE, 0u);
    EXPECT_EQ(Content(kColourBox), "7\xB9\xFA");
    auto* rebuilt = dynamic_cast<units::EditBoxUnit*>(units::Unit::FromWindow(fresh));
    ASSERT_NE(rebuilt, nullptr);
    EXPECT_EQ(rebuilt->UpDown(), 0u);
    EXPECT_EQ(rebuilt->Data().updown, 1);  // kept for when it is one line again
    EXPECT_EQ(ReadInt(kStartWindow, kColourBox, 8 + units::kEbMultiLine), 1);
}

TEST_F(EditBoxEventsTest, EnterBreaksTheLineInTheMultiLineBox) {
    // The load button, enabled and made the window's default button.
    auto& button = RecordNamed(kStartWindow, Gbk(u8"按钮_加载"));
    runtime::templates::ButtonData defaultButton;
    defaultButton.type = 1;
    button.unit_data = runtime::templates::WriteStoredUnitData(defaultButton);
    button.flags &= ~runtime::templates::kUnitDisabled;
    button.events = {EventHandler{0, 0, Extra(3)}};
    Load(EditBoxData{});
    ASSERT_TRUE(IsWindow(content_));
    WriteContent(kContentBox, "ab");
    SetFocus(content_);
    SendMessageA(content_, EM_SETSEL, 1, 1);
    PressEnter();
    EXPECT_EQ(Content(kContentBox), "a\r\nb");
    EXPECT_TRUE(Calls(3).empty());
    // In the one-line box Enter is the window's: the default button is pressed.
    SetFocus(box_);
    PressEnter();
    EXPECT_EQ(Calls(3).size(), 1u);
    // A read-only multi-line box leaves Enter to the window too.
    rt().WriteUnitProperty(kStartWindow, kContentBox, 8 + units::kEbInputMode, 0, 1);
    SetFocus(content_);
    PressEnter();
    EXPECT_EQ(Calls(3).size(), 2u);
    EXPECT_EQ(Content(kContentBox), "a\r\nb");
    rt().WriteUnitProperty(kStartWindow, kContentBox, 8 + units::kEbInputMode, 0, 0);
    // The stored text of the content box goes back and forth unchanged.
    const char* text = "\xB5\xDA\xD2\xBB\xD0\xD0\r\n\xB5\xDA\xB6\xFE\xD0\xD0\r\n";
    WriteContent(kContentBox, text);
    EXPECT_EQ(Content(kContentBox), text);
}

}  // namespace
}  // namespace sigtest
