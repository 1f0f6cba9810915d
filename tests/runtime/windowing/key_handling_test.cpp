// The window's key handling on the real start window, with a stand-in button
// type that answers IsDefaultButton.
#include <cstring>

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

constexpr runtime::PropertyRecord kButtonProperties[] = {SIG_COMMON_PROPERTIES,
                                                         runtime::PropertyRecord{.kind = 1001, .flags = 0x8000}};

// A stand-in whose own property 0 asks for a rebuild; its data is that value.
class RebuiltUnit : public DefaultButton {
public:
    bool ReadData(std::span<const uint8_t> d) override {
        if (d.size() == 4) std::memcpy(&value_, d.data(), 4);
        return true;
    }
    std::vector<uint8_t> SaveData() const override {
        std::vector<uint8_t> d(4);
        std::memcpy(d.data(), &value_, 4);
        return d;
    }
    int32_t SetProperty(int32_t index, const runtime::PropertyValue& v) override {
        if (index != 0) return 0;
        value_ = static_cast<int32_t>(v.value);
        return 1;
    }
    bool GetProperty(int32_t index, runtime::PropertyValue* v) override {
        *v = {static_cast<uint32_t>(index == 0 ? value_ : 0), 0};
        return true;
    }

private:
    int32_t value_ = 0;
};

class KeyHandlingTest : public RealWindowsTest {
protected:
    void SetUp() override {
        RealWindowsTest::SetUp();
        core::InstallCoreUnitType(11, runtime::UnitType{.name = "b",
                                                        .englishName = "Button",
                                                        .flags = 0x80000840,
                                                        .propertyCount = 9,
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

TEST_F(KeyHandlingTest, AUnitAskingForARebuildGetsANewWindowInTheSamePlace) {
    core::InstallCoreUnitType(11, runtime::UnitType{.name = "b",
                                                    .englishName = "Button",
                                                    .flags = 0x80000840,
                                                    .propertyCount = 9,
                                                    .properties = kButtonProperties,
                                                    .lookup = &units::UnitOperations<RebuiltUnit>::Lookup});
    auto& stored = RecordNamed(kStartWindow, Gbk(u8"按钮_加载"));
    const uint32_t id = stored.id;
    rt().LoadStartWindow(kStartWindow);
    rt().WriteUnitProperty(kStartWindow, id, 6, 0, 0);  // enabled, so that it can take the focus
    auto* record = Template(kStartWindow).Find(id);
    HWND old = record->live_object;
    HWND parent = GetParent(old);
    RECT before;
    GetWindowRect(old, &before);
    const int controlId = GetDlgCtrlID(old);
    SetFocus(old);
    ASSERT_EQ(GetFocus(), old);
    rt().WriteUnitProperty(kStartWindow, id, 8, 0, 42);
    HWND fresh = Template(kStartWindow).Find(id)->live_object;
    EXPECT_NE(fresh, old);
    EXPECT_FALSE(IsWindow(old));
    EXPECT_EQ(GetParent(fresh), parent);
    EXPECT_EQ(GetDlgCtrlID(fresh), controlId);
    RECT after;
    GetWindowRect(fresh, &after);
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.right, before.right);
    EXPECT_EQ(GetFocus(), fresh);
    EXPECT_EQ(IsWindowEnabled(fresh), TRUE);
    // The saved state travelled to the new object.
    EXPECT_EQ(rt().ReadUnitProperty(kStartWindow, id, 8, 0), 42u);
    // Still a unit of the window: common events reach its handlers.
    uint32_t w = 0;
    uint32_t u = 0;
    EXPECT_TRUE(Windows().UnitOfWindow(fresh, &w, &u));
    EXPECT_EQ(u, id);
}

TEST_F(KeyHandlingTest, OwnPropertiesReadThroughTheirKinds) {
    rt().LoadStartWindow(kStartWindow);
    // Title (text kind): a new GBK text block.
    auto* title = reinterpret_cast<char*>(static_cast<uintptr_t>(rt().ReadUnitProperty(kStartWindow, 0, 8, 0)));
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(std::string(title), Gbk(u8"Morvane艺术字生成器"));
    runtime::NotifyRuntime(runtime::kNotifyFreeMemory, reinterpret_cast<uintptr_t>(title), 0);
    // Border (pick): negative writes store 0; 99 is clamped to the last.
    rt().WriteUnitProperty(kStartWindow, 0, 9, 0, static_cast<uint32_t>(-3));
    EXPECT_EQ(rt().ReadUnitProperty(kStartWindow, 0, 9, 0), 0u);
    rt().WriteUnitProperty(kStartWindow, 0, 9, 0, 99);
    EXPECT_EQ(rt().ReadUnitProperty(kStartWindow, 0, 9, 0), 6u);
    // Logic kind: any non-zero is 1.
    rt().WriteUnitProperty(kStartWindow, 0, 29, 0, 0x100);
    EXPECT_EQ(rt().ReadUnitProperty(kStartWindow, 0, 29, 0), 1u);
}

}  // namespace
}  // namespace sigtest
