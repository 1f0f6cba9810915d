// The window's key handling on the real start window, with a stand-in button
// type that answers IsDefaultButton.
#include "libraries/core/core_library.h"
#include "tests/runtime/windowing/real_program.h"
#include "units/unit_base.h"

namespace sigtest {
namespace {

class DefaultButton : public units::Unit {
public:
    static constexpr bool kHasWantsKey = false;
    static constexpr bool kHasDefaultButton = true;
    bool ReadData(std::span<const uint8_t>) override { return true; }
    std::vector<uint8_t> SaveData() const override { return {}; }
    int32_t SetProperty(int32_t, const runtime::PropertyValue&) override { return 0; }
    bool GetProperty(int32_t, runtime::PropertyValue* v) override {
        *v = {};
        return true;
    }
    bool CreateNative(const units::CreateArgs& args) override {
        units::RegisterUnitClass("_VU_TestButton");
        return CreateBound(0, "_VU_TestButton", "", args.styles | WS_CHILD, args, args.parent) != 0;
    }
    int32_t IsDefaultButton() override { return 1; }
};

constexpr runtime::PropertyRecord kButtonProperties[] = {SIG_COMMON_PROPERTIES};

class KeyHandlingTest : public RealWindowsTest {
protected:
    void SetUp() override {
        RealWindowsTest::SetUp();
        core::InstallCoreUnitType(11, runtime::UnitType{.name = "b",
                                                        .englishName = "Button",
                                                        .flags = 0x80000840,
                                                        .propertyCount = 8,
                                                        .properties = kButtonProperties,
                                                        .lookup = &units::UnitOperations<DefaultButton>::Lookup});
    }
    void TearDown() override {
        RealWindowsTest::TearDown();
        units::InstallCoreUnitTypes();
    }
};

TEST_F(KeyHandlingTest, EnterPressesTheFirstEnabledDefaultButton) {
    auto& button = RecordNamed(kStartWindow, Gbk(u8"按钮_加载"));
    const uint32_t id = button.id;
    rt().LoadStartWindow(kStartWindow);
    HWND window = Windows().WindowHandle(kStartWindow);
    // The stored button is disabled: Enter presses nothing.
    EXPECT_EQ(rt().ReadUnitProperty(kStartWindow, id, 6, 0), 1u);
    PostMessageA(window, WM_KEYDOWN, VK_RETURN, 0);
    runtime::NotifyRuntime(runtime::kNotifyProcessMessages, 0, 0);
    // The button's own stored handler is the load routine.
    const int load = compiled_program::kRoutine_LoadDemoPictures;
    int presses = 0;
    for (auto& c : Record().calls) presses += c.routine == load;
    EXPECT_EQ(presses, 0);
    rt().WriteUnitProperty(kStartWindow, id, 6, 0, 0);
    PostMessageA(window, WM_KEYDOWN, VK_RETURN, 0);
    runtime::NotifyRuntime(runtime::kNotifyProcessMessages, 0, 0);
    for (auto& c : Record().calls)
        if (c.routine == load) {
            ++presses;
            EXPECT_EQ(c.contextUnit, id);
        }
    EXPECT_EQ(presses, 1);
}

TEST_F(KeyHandlingTest, TabMovesTheFocusAlongTheTabStops) {
    rt().LoadStartWindow(kStartWindow);
    HWND window = Windows().WindowHandle(kStartWindow);
    SetFocus(window);
    PostMessageA(window, WM_KEYDOWN, VK_TAB, 0);
    runtime::NotifyRuntime(runtime::kNotifyProcessMessages, 0, 0);
    HWND first = GetFocus();
    ASSERT_TRUE(IsChild(window, first));
    EXPECT_NE(GetWindowLongA(first, GWL_STYLE) & WS_TABSTOP, 0);
    PostMessageA(first, WM_KEYDOWN, VK_TAB, 0);
    runtime::NotifyRuntime(runtime::kNotifyProcessMessages, 0, 0);
    EXPECT_NE(GetFocus(), first);
}

}  // namespace
}  // namespace sigtest
