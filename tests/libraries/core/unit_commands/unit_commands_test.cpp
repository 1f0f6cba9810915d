// The event unit, native handles, window loading, unit names, copying units,
// pending messages and the common dialog.
#include "tests/libraries/core/unit_commands/unit_commands_fixture.h"

namespace sigtest {
namespace {

using runtime::ArgRecord;
using ::testing::HasSubstr;

uint32_t LowWord(const ArgRecord& r) { return static_cast<uint32_t>(r.value); }
uint32_t HighWord(const ArgRecord& r) { return static_cast<uint32_t>(r.value >> 32); }

TEST_F(UnitCommandsTest, EventUnitIsTheUnitWhoseHandlerRuns) {
    ASSERT_TRUE(Load(kMainWindow));
    runtime::EventRecord event;
    event.window = kMainWindow;
    event.unit = kButton;
    event.event = 0;
    ASSERT_EQ(runtime::NotifyRuntime(runtime::kNotifyRaiseEvent, reinterpret_cast<uintptr_t>(&event), 0), 1);
    ASSERT_EQ(Calls().size(), 1u);
    const ArgRecord& unit = Calls()[0].eventUnit;
    EXPECT_EQ(LowWord(unit), kMainWindow);
    EXPECT_EQ(HighWord(unit), kButton);
    EXPECT_EQ(unit.type, kButtonType);
}

TEST_F(UnitCommandsTest, EventUnitOutsideAHandlerEndsTheProgram) {
    ASSERT_TRUE(Load(kMainWindow));
    EXPECT_EXIT(Command(core::kGetEventUnit), ::testing::ExitedWithCode(255),
                HasSubstr(U8(u8"“取事件组件”命令只能在事件处理子程序中使用")));
}

TEST_F(UnitCommandsTest, WindowHandleIsTheLiveWindowOrZero) {
    EXPECT_EQ(Command(core::kGetWindowHandle, {Unit(kMainWindow, kEditA, kEditType)}).value, 0u);
    ASSERT_TRUE(Load(kMainWindow));
    const ArgRecord h = Command(core::kGetWindowHandle, {Unit(kMainWindow, kEditA, kEditType)});
    EXPECT_EQ(h.type, runtime::kTypeInt);
    EXPECT_NE(h.value, 0u);
    EXPECT_EQ(static_cast<uint32_t>(h.value), Template(kMainWindow).Find(kEditA)->live_object);
    EXPECT_EQ(static_cast<uint32_t>(Command(core::kGetWindowHandle, {Window(kMainWindow)}).value),
              static_cast<uint32_t>(Live(kMainWindow, 0)));
    // A unit of a window that is not loaded, a made-up unit, no argument.
    EXPECT_EQ(Command(core::kGetWindowHandle, {Unit(kSecondWindow, 0x16020002, 0x0001000A)}).value, 0u);
    EXPECT_EQ(Command(core::kGetWindowHandle, {Unit(kMainWindow, 0x16019999, kEditType)}).value, 0u);
    EXPECT_EQ(Command(core::kGetWindowHandle).value, 0u);
}

TEST_F(UnitCommandsTest, LoadWindowWithAParentThatIsNotLoadedLoadsNothing) {
    ASSERT_TRUE(Load(kMainWindow));
    const ArgRecord r = Command(core::kLoadWindow, {Window(kThirdWindow), Window(kSecondWindow), {0, runtime::kTypeBool}});
    EXPECT_EQ(r.type, runtime::kTypeBool);
    EXPECT_EQ(r.value, 0u);
    EXPECT_FALSE(Loaded(kThirdWindow));
    EXPECT_FALSE(Loaded(kSecondWindow));
    EXPECT_TRUE(Calls().empty());
}

TEST_F(UnitCommandsTest, LoadWindowOwnedByALoadedParent) {
    ASSERT_TRUE(Load(kMainWindow));
    EXPECT_EQ(Command(core::kLoadWindow, {Window(kSecondWindow), Window(kMainWindow), runtime::MakeBoolArg(false)}).value,
              1u);
    ASSERT_TRUE(Loaded(kSecondWindow));
    EXPECT_EQ(GetWindow(Live(kSecondWindow, 0), GW_OWNER), Live(kMainWindow, 0));
    // An unknown window fails without a fatal report.
    EXPECT_EQ(Command(core::kLoadWindow, {Window(0x52099999), Omitted(), runtime::MakeBoolArg(false)}).value, 0u);
}

TEST_F(UnitCommandsTest, ModalLoadReturnsOnceTheWindowIsClosed) {
    ASSERT_TRUE(Load(kMainWindow));
    // The third window's created handler closes it again.
    const ArgRecord r = Command(core::kLoadWindow, {Window(kThirdWindow), Omitted(), runtime::MakeBoolArg(true)});
    EXPECT_EQ(r.value, 1u);
    ASSERT_EQ(Calls().size(), 1u);
    EXPECT_EQ(Calls()[0].routine, compiled_program::kRoutine_ThirdCreated);
    EXPECT_EQ(LowWord(Calls()[0].eventUnit), kThirdWindow);
    EXPECT_FALSE(Loaded(kThirdWindow));
    EXPECT_TRUE(Loaded(kMainWindow));
    EXPECT_TRUE(IsWindowEnabled(Live(kMainWindow, 0)));  // re-enabled after the modal window
}

TEST_F(UnitCommandsTest, UnitNameComesFromTheLoadedWindowsRecord) {
    EXPECT_EQ(TextResult(Command(core::kUnitName, {Unit(kMainWindow, kEditAB, kEditType)})), "");
    ASSERT_TRUE(Load(kMainWindow));
    EXPECT_EQ(TextResult(Command(core::kUnitName, {Unit(kMainWindow, kEditAB, kEditType)})), Gbk(u8"编辑框_甲乙"));
    EXPECT_EQ(TextResult(Command(core::kUnitName, {Unit(kMainWindow, kCombo, kComboType)})), Gbk(u8"组合框_尺寸"));
    EXPECT_EQ(TextResult(Command(core::kUnitName, {Unit(kMainWindow, 0x16019999, kEditType)})), "");
    EXPECT_EQ(Command(core::kUnitName, {Unit(kMainWindow, 0x16019999, kEditType)}).type, runtime::kTypeText);
    EXPECT_EQ(TextResult(Command(core::kUnitName, {Unit(kSecondWindow, 0x16020002, 0x0001000A)})), "");
}

TEST_F(UnitCommandsTest, CopyOfTheWindowOrIntoAnotherTypeFailsAndLeavesTheTarget) {
    ASSERT_TRUE(Load(kMainWindow));
    const size_t records = Template(kMainWindow).records.size();
    uint64_t target = 0x1122334455667788ull;
    auto copy = [&](ArgRecord source, uint32_t targetType) {
        return Command(core::kCopyUnit, {source, runtime::MakePointerArg(&target, targetType)}).value;
    };
    EXPECT_EQ(copy(Window(kMainWindow), kWindowType), 0u);
    EXPECT_EQ(copy(Unit(kMainWindow, 0x06010000, kWindowType), kWindowType), 0u);
    EXPECT_EQ(copy(Unit(kMainWindow, kSample, kPictureType), kEditType), 0u);
    // A caller's value that lies about the source's type does not help.
    EXPECT_EQ(copy(Unit(kMainWindow, kSample, kEditType), kEditType), 0u);
    // A unit of a window that is not loaded.
    EXPECT_EQ(copy(Unit(kSecondWindow, 0x16020002, 0x0001000A), 0x0001000A), 0u);
    EXPECT_EQ(target, 0x1122334455667788ull);
    EXPECT_EQ(Template(kMainWindow).records.size(), records);
}

TEST_F(UnitCommandsTest, CopyIsALiveUnitBesideItsSourceSharingItsHandlers) {
    ASSERT_TRUE(Load(kMainWindow));
    uint64_t target = 0;
    const ArgRecord r =
        Command(core::kCopyUnit, {Unit(kMainWindow, kSample, kPictureType), runtime::MakePointerArg(&target, kPictureType)});
    ASSERT_EQ(r.value, 1u);
    const uint32_t copyId = static_cast<uint32_t>(target >> 32);
    EXPECT_EQ(static_cast<uint32_t>(target), kMainWindow);
    ASSERT_NE(copyId, 0u);
    EXPECT_NE(copyId, kSample);

    auto& w = Template(kMainWindow);
    const auto* copy = w.Find(copyId);
    const auto* source = w.Find(kSample);
    ASSERT_TRUE(copy && source);
    EXPECT_EQ(copy->reserved[0], kSample);
    EXPECT_EQ(copy->name, source->name);
    EXPECT_EQ(copy->parent, kGroup);
    EXPECT_TRUE(copy->children.empty());
    const auto& groupChildren = w.Find(kGroup)->children;
    EXPECT_NE(std::find(groupChildren.begin(), groupChildren.end(), copyId), groupChildren.end());
    ASSERT_NE(copy->live_object, 0u);
    EXPECT_NE(copy->live_object, source->live_object);
    EXPECT_EQ(GetParent(copy->live_object), GetParent(source->live_object));
    EXPECT_EQ(GetWindow(source->live_object, GW_HWNDNEXT), copy->live_object);

    // The copy raises the source's handler, with itself as the event unit.
    runtime::EventRecord event;
    event.window = kMainWindow;
    event.unit = copyId;
    event.event = runtime::kEventLeftDown;
    ASSERT_EQ(runtime::NotifyRuntime(runtime::kNotifyRaiseEvent, reinterpret_cast<uintptr_t>(&event), 0), 1);
    ASSERT_EQ(Calls().size(), 1u);
    EXPECT_EQ(Calls()[0].routine, compiled_program::kRoutine_SamplePressed);
    EXPECT_EQ(HighWord(Calls()[0].eventUnit), copyId);
    EXPECT_EQ(Calls()[0].eventUnit.type, kPictureType);

    // A copy of the copy gets yet another id; closing the window drops both.
    uint64_t second = 0;
    ASSERT_EQ(Command(core::kCopyUnit, {Unit(kMainWindow, copyId, kPictureType),
                                        runtime::MakePointerArg(&second, kPictureType)})
                  .value,
              1u);
    EXPECT_NE(static_cast<uint32_t>(second >> 32), copyId);
    DestroyWindow(Live(kMainWindow, 0));
    ASSERT_FALSE(Loaded(kMainWindow));
    EXPECT_EQ(Template(kMainWindow).Find(copyId), nullptr);
    EXPECT_EQ(Template(kMainWindow).Find(kGroup)->children.size(), 1u);
}

TEST_F(UnitCommandsTest, ProcessEventsHandlesPendingMessages) {
    ASSERT_TRUE(Load(kMainWindow));
    ASSERT_EQ(Command(core::kLoadWindow, {Window(kSecondWindow), Omitted(), runtime::MakeBoolArg(false)}).value, 1u);
    PostMessageA(Live(kSecondWindow, 0), WM_CLOSE, 0, 0);
    EXPECT_TRUE(Loaded(kSecondWindow));
    Command(core::kProcessEvents);
    EXPECT_FALSE(Loaded(kSecondWindow));
}

TEST_F(UnitCommandsTest, CommonDialogOpenAsksOnlyTheDialogUnit) {
    ASSERT_TRUE(Load(kMainWindow));
    EXPECT_EQ(Command(core::kCommonDialogOpen, {Unit(kMainWindow, kDialog, kDialogType)}).value, 1u);
    Dialog().answer = 0;
    EXPECT_EQ(Command(core::kCommonDialogOpen, {Unit(kMainWindow, kDialog, kDialogType)}).value, 0u);
    EXPECT_EQ(Dialog().opened, 2);
    // Another unit type never receives the request, even when the caller says it is a dialog.
    EXPECT_EQ(Command(core::kCommonDialogOpen, {Unit(kMainWindow, kButton, kDialogType)}).value, 0u);
    EXPECT_EQ(Command(core::kCommonDialogOpen, {Unit(kSecondWindow, kDialog, kDialogType)}).value, 0u);
    EXPECT_EQ(Dialog().opened, 2);
}

class RealDialogTest : public UnitCommandsTest {
protected:
    void SetUp() override {
        realDialog_ = true;
        UnitCommandsTest::SetUp();
        SigTestClearDialogAnswers();
    }
    void TearDown() override {
        SigTestClearDialogAnswers();
        UnitCommandsTest::TearDown();
    }
};

TEST_F(RealDialogTest, OpenGivesTheUsersAnswer) {
    ASSERT_TRUE(Load(kMainWindow));
    ASSERT_TRUE(SigTestAnswerFileDialog("/tmp/unit-commands-never-written.png", 1));
    EXPECT_EQ(Command(core::kCommonDialogOpen, {Unit(kMainWindow, kDialog, kDialogType)}).value, 1u);
    ASSERT_TRUE(SigTestAnswerCancel());
    EXPECT_EQ(Command(core::kCommonDialogOpen, {Unit(kMainWindow, kDialog, kDialogType)}).value, 0u);
}

}  // namespace
}  // namespace sigtest

namespace sigtest {
namespace {

// Every unit and window command but the event-unit query, with no, too few,
// omitted and wrong-kind arguments, loaded window or not: a well-formed
// neutral result and nothing loaded, never a crash.
TEST_F(UnitCommandsTest, BadArgumentsGiveNeutralResults) {
    const core::CoreCommand slots[] = {
        core::kGetWindowHandle, core::kLoadWindow,       core::kComboGetItemValue, core::kFindUnits,
        core::kUnitListCount,   core::kUnitListItem,     core::kUnitName,          core::kFreeUnitList,
        core::kComboClear,      core::kComboAddItem,     core::kCopyUnit,          core::kProcessEvents,
        core::kCommonDialogOpen, core::kComboItemCount,  core::kComboGetItemText};
    const std::vector<std::vector<ArgRecord>> sets = {
        {},
        {Omitted(), Omitted(), Omitted(), Omitted(), Omitted()},
        {runtime::MakeIntArg(-1), runtime::MakeIntArg(0x52010001), runtime::MakeBoolArg(true)},
        {runtime::MakePointerArg(nullptr, runtime::kTypeText), runtime::MakePointerArg(nullptr, runtime::kTypeBytes)},
        {Unit(0x52099999, 0x16010010, kEditType), Unit(0, 0, kEditType), runtime::MakeIntArg(3)},
        {Unit(kMainWindow, 0x16099999, kComboType), runtime::MakePointerArg(nullptr, kComboType)},
    };
    for (bool loaded : {false, true}) {
        if (loaded) { ASSERT_TRUE(Load(kMainWindow)); }
        for (core::CoreCommand slot : slots)
            for (const auto& set : sets) {
                std::vector<ArgRecord> args = set;
                ArgRecord r{};
                core::kCoreCommands[slot](&r, static_cast<int32_t>(args.size()), args.empty() ? nullptr : args.data());
                if (r.type == runtime::kTypeText) {
                    EXPECT_EQ(r.value, 0u) << "slot " << slot;
                } else if (slot == core::kUnitListItem) {
                    EXPECT_EQ(r.value, 0u);
                    EXPECT_EQ(r.type, 0x00010001u);
                } else if (slot == core::kFindUnits && r.value != 0) {
                    // Any unit of a loaded window names that window; a non-text filter is no filter.
                    EXPECT_TRUE(loaded);
                    EXPECT_EQ(r.type, runtime::kTypeInt);
                    Command(core::kFreeUnitList, {r});
                } else if (slot != core::kFreeUnitList && slot != core::kComboClear && slot != core::kProcessEvents) {
                    EXPECT_TRUE(r.type == runtime::kTypeInt || r.type == runtime::kTypeBool) << "slot " << slot;
                    EXPECT_TRUE(r.value == 0 || static_cast<int32_t>(r.value) == -1) << "slot " << slot;
                }
            }
        EXPECT_FALSE(Loaded(kSecondWindow));
        EXPECT_FALSE(Loaded(kThirdWindow));
        EXPECT_EQ(Dialog().opened, 0);
    }
}

}  // namespace
}  // namespace sigtest
