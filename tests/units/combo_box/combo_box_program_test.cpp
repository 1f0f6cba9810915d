// The size list of the program's real start window, loaded by the runtime
// inside its group box: the template's items, the handler of event 0 seeing
// the new selection, and the list refilled item by item as the settings
// routines do it.
#include <cstring>

#include "runtime/template/window_template.h"
#include "tests/runtime/windowing/real_program.h"
#include "units/combo_box.h"
#include "win/testhooks.h"

namespace sigtest {
namespace {

using runtime::templates::EventHandler;

constexpr uint32_t kSizeList = 0x16012242;
constexpr int32_t kContent = 9, kSelection = 19, kItems = 20;

std::vector<int32_t> g_selectionSeen;

class ComboBoxProgramTest : public RealWindowsTest {
protected:
    void Load() {
        auto& record = RecordNamed(kStartWindow, Gbk(u8"组合框1"));
        ASSERT_EQ(record.id, kSizeList);
        record.events = {EventHandler{0, 0, Extra(0)}};
        g_selectionSeen.clear();
        Record().hook[kExtraRoutine] = [] { g_selectionSeen.push_back(ReadInt(kStartWindow, kSizeList, kSelection)); };
        rt().LoadStartWindow(kStartWindow);
        combo_ = static_cast<HWND>(runtime::NotifyRuntime(runtime::kNotifyFindUnit, kStartWindow, kSizeList));
        SigTestWaitIdle(500);
    }
    static std::string Text(int32_t property) {
        auto* t = reinterpret_cast<const char*>(rt().ReadUnitProperty(kStartWindow, kSizeList, property, 0));
        std::string s = t ? t : "";
        if (t) runtime::NotifyRuntime(runtime::kNotifyFreeMemory, reinterpret_cast<uintptr_t>(t), 0);
        return s;
    }
    // The list-items value as the program reads it: a byte set.
    static std::vector<uint8_t> ItemsValue() {
        auto* set = reinterpret_cast<const uint8_t*>(rt().ReadUnitProperty(kStartWindow, kSizeList, kItems, 0));
        if (!set) return {};
        uint32_t length = 0;
        std::memcpy(&length, set + 4, 4);
        std::vector<uint8_t> bytes(set + 8, set + 8 + length);
        runtime::NotifyRuntime(runtime::kNotifyFreeMemory, reinterpret_cast<uintptr_t>(set), 0);
        return bytes;
    }
    HWND combo_ = 0;
};

TEST_F(ComboBoxProgramTest, TheSizeListAndItsConfirmedSelection) {
    Load();
    ASSERT_TRUE(IsWindow(combo_));
    EXPECT_EQ(SendMessageA(combo_, CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageA(combo_, CB_GETITEMDATA, 1, 0), 64);
    EXPECT_EQ(ReadInt(kStartWindow, kSizeList, kSelection), 1);
    EXPECT_EQ(Text(kContent), Gbk(u8"中型字"));
    EXPECT_EQ(ItemsValue(), units::SerialiseComboItems({Gbk(u8"小型字"), Gbk(u8"中型字"), Gbk(u8"大型字")}));

    // The group box hands the confirmation back; the handler runs after it
    // and reads the item just chosen.
    SetFocus(combo_);
    SigTestWaitIdle(500);
    SigTestKeyPress(VK_DOWN);
    SigTestWaitIdle(1000);
    EXPECT_EQ(g_selectionSeen, std::vector<int32_t>{2});

    rt().WriteUnitProperty(kStartWindow, kSizeList, kSelection, 0, 10);
    EXPECT_EQ(ReadInt(kStartWindow, kSizeList, kSelection), 2);
    rt().WriteUnitProperty(kStartWindow, kSizeList, kSelection, 0, static_cast<uint32_t>(-5));
    EXPECT_EQ(ReadInt(kStartWindow, kSizeList, kSelection), -1);
}

TEST_F(ComboBoxProgramTest, RefilledItemByItemThenSelected) {
    Load();
    ASSERT_TRUE(IsWindow(combo_));
    // What the settings routine does with the core's item commands.
    SendMessageA(combo_, CB_RESETCONTENT, 0, 0);
    const std::string names[] = {"a", "b", "c", "d"};
    for (int i = 0; i < 4; ++i) {
        LRESULT at = SendMessageA(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(names[i].c_str()));
        SendMessageA(combo_, CB_SETITEMDATA, at, 10 * i);
    }
    rt().WriteUnitProperty(kStartWindow, kSizeList, kSelection, 0, 3);
    EXPECT_EQ(ReadInt(kStartWindow, kSizeList, kSelection), 3);
    EXPECT_EQ(Text(kContent), "d");
    EXPECT_EQ(ItemsValue(), units::SerialiseComboItems({"a", "b", "c", "d"}));
}

}  // namespace
}  // namespace sigtest
