// Start-up with the program's real compiled data: the template segment read
// into the window table with every handler relocated to its routine, the
// constant segment recorded, the DLL declarations in place and resolvable.
#include "compiled_program.h"
#include "libraries/core/core_library.h"
#include "runtime/notify.h"
#include "tests/runtime/support/runtime_fixture.h"
#include "windows.h"

namespace {

using namespace runtime;
using sigtest::RuntimeTest;

// One distinct routine per entry of the program's routine table.
template <int N>
void Routine() {}
constexpr int kCounterBase = __COUNTER__ + 1;
#define ROUTINE_ENTRY(name) &Routine<__COUNTER__ - kCounterBase>,
const ProgramRoutine kRoutines[compiled_program::kRoutineCount] = {COMPILED_PROGRAM_ROUTINES(ROUTINE_ENTRY)};
#undef ROUTINE_ENTRY

const LibraryInfo* const kLibraries[compiled_program::kLibraryCount] = {&core::CoreLibraryInfo()};
const ProgramHeader kHeader = compiled_program::MakeProgramHeader(kRoutines, kLibraries);

class RealProgramTest : public RuntimeTest {};

TEST_F(RealProgramTest, StartUpReadsTheWindowsAndRelocatesEveryHandler) {
    Start(&kHeader);
    WindowTable& table = Application::Instance().Table();
    ASSERT_EQ(table.Count(), compiled_program::kWindowCount);
    EXPECT_EQ(NotifyRuntime(kNotifyWindowCount, 0, 0), static_cast<intptr_t>(compiled_program::kWindowCount));
    for (uint32_t id : compiled_program::kWindowIds) EXPECT_NE(table.Find(id), nullptr) << std::hex << id;
    EXPECT_NE(table.Find(0x52010001), nullptr);
    EXPECT_EQ(table.Find(0x52999999), nullptr);
    int handlers = 0;
    for (const auto& window : table.Windows())
        for (const auto& record : window.records)
            for (const auto& event : record.events) {
                if (event.stored_offset == templates::kNoHandlerOffset) {
                    EXPECT_EQ(event.routine, nullptr);
                } else {
                    ASSERT_LT(event.stored_offset, compiled_program::kRoutineCount);
                    EXPECT_EQ(event.routine, kRoutines[event.stored_offset]);
                    ++handlers;
                }
            }
    EXPECT_GT(handlers, 0);
    // The exit work empties the table.
    Application::Instance().ExitWork(0);
    EXPECT_EQ(table.Count(), 0u);
}

TEST_F(RealProgramTest, ConstantsAndDllDeclarationsAreInPlace) {
    Start(&kHeader);
    Application& app = Application::Instance();
    EXPECT_TRUE(app.Heap().IsConstant(compiled_program::kConstantSegment));
    EXPECT_EQ(app.Dlls().Count(), compiled_program::kDllCount);
    EXPECT_EQ(NotifyRuntime(kNotifyProgramKind, 0, 0), static_cast<intptr_t>(compiled_program::kProgramKind));
    // MultiByteToWideChar, declared without a library, through the built-in list.
    ASSERT_GT(compiled_program::kDllCount, 1u);
    ASSERT_STREQ(compiled_program::kDllCommands[1].exportName, "MultiByteToWideChar");
    char16_t wide[4] = {};
    EXPECT_EQ(static_cast<int32_t>(CallDll(rt(), 1, CP_GBK, 0, "ab", 2, wide, 4)), 2);
    EXPECT_EQ(wide[1], u'b');
    // Every declaration resolves against the platform's system-DLL names.
    for (uint32_t n = 0; n < compiled_program::kDllCount; ++n)
        EXPECT_NE(app.Dlls().Resolve(n), nullptr) << compiled_program::kDllCommands[n].exportName;
}

}  // namespace
