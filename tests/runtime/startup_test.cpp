// Start-up (RuntimeService 6), the support-library protocol, exit routines,
// the exit work, and the notify messages of the runtime spine.
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "runtime/notify.h"
#include "runtime/runtime_services.h"
#include "tests/runtime/support/runtime_fixture.h"
#include "windows.h"

namespace {

using namespace runtime;
using sigtest::RuntimeTest;

struct Event {
    int library;
    int32_t message;
    uintptr_t param1;
};
std::vector<Event> g_events;

template <int N>
intptr_t RecordingNotify(int32_t message, uintptr_t p1, uintptr_t) {
    g_events.push_back({N, message, p1});
    return 0;
}

const LibraryInfo kLibraryA{.formatMarker = kLibraryFormatMarker, .notify = RecordingNotify<1>};
const LibraryInfo kLibraryB{.formatMarker = kLibraryFormatMarker};  // no notify: skipped
const LibraryInfo kLibraryC{.formatMarker = kLibraryFormatMarker, .notify = RecordingNotify<3>};

std::vector<int32_t> g_exitOrder;
void ExitA(int32_t i) { g_exitOrder.push_back(100 + i); }
void ExitB(int32_t i) { g_exitOrder.push_back(200 + i); }
void ExitC(int32_t i) { g_exitOrder.push_back(300 + i); }

class StartupTest : public RuntimeTest {
protected:
    void SetUp() override {
        RuntimeTest::SetUp();
        g_events.clear();
        g_exitOrder.clear();
    }
};

TEST_F(StartupTest, ModulePathSplitsAtTheLastBackslash) {
    ModulePath p = SplitModulePath("C:\\apps\\tool\\sig.exe");
    EXPECT_EQ(p.folder, "C:\\apps\\tool");
    EXPECT_EQ(p.file, "sig.exe");
    ModulePath bare = SplitModulePath("sig.exe");
    EXPECT_EQ(bare.folder, "");
    EXPECT_EQ(bare.file, "sig.exe");
    ModulePath root = SplitModulePath("\\sig");
    EXPECT_EQ(root.folder, "");
    EXPECT_EQ(root.file, "sig");
}

TEST_F(StartupTest, StartMessageReachesEachLibraryOnceInHeaderOrder) {
    const LibraryInfo* libraries[] = {&kLibraryA, nullptr, &kLibraryB, &kLibraryC};
    ProgramHeader header{.kind = 3, .kept3 = 93248, .libraryCount = 4, .libraries = libraries};
    Start(&header);
    ASSERT_EQ(g_events.size(), 2u);
    EXPECT_EQ(g_events[0].library, 1);
    EXPECT_EQ(g_events[1].library, 3);
    for (const Event& e : g_events) {
        EXPECT_EQ(e.message, kLibraryStart);
        EXPECT_EQ(e.param1, reinterpret_cast<uintptr_t>(&NotifyRuntime));
    }
    EXPECT_EQ(NotifyRuntime(kNotifyProgramKind, 0, 0), 3);

    g_events.clear();
    Application::Instance().ExitWork(0);
    ASSERT_EQ(g_events.size(), 2u);
    EXPECT_EQ(g_events[0].library, 1);
    EXPECT_EQ(g_events[0].message, kLibraryEnd);
    EXPECT_EQ(g_events[1].library, 3);
    EXPECT_TRUE(Application::Instance().Libraries().empty());
}

TEST_F(StartupTest, ExitRoutinesRunInRegistrationOrderWithTheirIndex) {
    ProgramHeader header{};
    Start(&header);
    auto reg = [&](ExitRoutine r) {
        rt().RuntimeService(kServiceRegisterExitRoutine, reinterpret_cast<uintptr_t>(r), 0, 0, 0, 0, 0);
    };
    reg(ExitB);
    reg(ExitA);
    reg(ExitB);  // already there: registered once
    reg(ExitC);
    EXPECT_EQ(Application::Instance().ExitRoutineCount(), 3u);
    Application::Instance().ExitWork(0);
    EXPECT_EQ(g_exitOrder, (std::vector<int32_t>{200, 101, 302}));
    EXPECT_EQ(Application::Instance().ExitRoutineCount(), 0u);
}

TEST_F(StartupTest, ProgramFolderBecomesTheCurrentDirectory) {
    ProgramHeader header{};
    std::filesystem::current_path(std::filesystem::temp_directory_path());
    Start(&header);
    const Application& app = Application::Instance();
    EXPECT_EQ(app.ProgramFile(), "runtime_spine_test");
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(SIG_BINARY_DIR "/bin"));
    // The folder text carries no trailing backslash; 1006 adds one.
    ASSERT_FALSE(app.ProgramFolder().empty());
    EXPECT_NE(app.ProgramFolder().back(), '\\');
    char buffer[MAX_PATH];
    NotifyRuntime(kNotifyCopyPath, 1, reinterpret_cast<uintptr_t>(buffer));
    EXPECT_EQ(std::string(buffer), app.ProgramFolder() + "\\");
    NotifyRuntime(kNotifyCopyPath, 2001, reinterpret_cast<uintptr_t>(buffer));
    EXPECT_EQ(std::string(buffer), app.ProgramFolder() + "\\");
    NotifyRuntime(kNotifyCopyPath, 2002, reinterpret_cast<uintptr_t>(buffer));
    EXPECT_EQ(std::string(buffer), "runtime_spine_test");
    NotifyRuntime(kNotifyCopyPath, 7, reinterpret_cast<uintptr_t>(buffer));
    EXPECT_EQ(std::string(buffer), "");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(NotifyRuntime(kNotifyProgramFolder, 0, 0))),
              app.ProgramFolder());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(NotifyRuntime(kNotifyProgramFile, 0, 0))),
              "runtime_spine_test");
}

TEST_F(StartupTest, NoDllCommandsLeaveTheTablesEmpty) {
    ProgramHeader header{};
    Start(&header);
    EXPECT_EQ(Application::Instance().Dlls().Count(), 0u);
    DllDeclaration one[] = {{"kernel32", "GetTickCount", 0}};
    ProgramHeader withDll{.dllCount = 1, .dllCommands = one};
    Application::Instance().Reset();
    Start(&withDll);
    EXPECT_EQ(Application::Instance().Dlls().Count(), 1u);
    EXPECT_FALSE(Application::Instance().Dlls().IsResolved(0));
}

intptr_t AnswerWithSeven(int32_t, uintptr_t, uintptr_t) { return 7; }

TEST_F(StartupTest, NotifyAnswersAndUnknownMessages) {
    ProgramHeader header{};
    Start(&header);
    EXPECT_EQ(NotifyRuntime(kNotifyAnswerOne, 0, 0), 1);
    EXPECT_EQ(NotifyRuntime(kNotifyVersion, 0, 0), 0x30005);
    // Features this program does not use, and numbers outside both tables.
    for (int32_t m : {0, 999, 1000, 1003, 1014, 1015, 2002, 2011, 2040, 2041, -5})
        EXPECT_EQ(NotifyRuntime(m, 1, 2), 0) << m;
    // Window messages go to the window side's hook.
    Application::Instance().Windows().notify = AnswerWithSeven;
    EXPECT_EQ(NotifyRuntime(kNotifyRaiseEvent, 0, 0), 7);
    EXPECT_EQ(NotifyRuntime(kNotifyAddIdleCallback, 0, 0), 7);
    // Blocks through 2024/2025/2026.
    void* block = reinterpret_cast<void*>(NotifyRuntime(kNotifyAllocMemory, 10, 0));
    ASSERT_NE(block, nullptr);
    block = reinterpret_cast<void*>(NotifyRuntime(kNotifyReallocMemory, reinterpret_cast<uintptr_t>(block), 20));
    ASSERT_NE(block, nullptr);
    NotifyRuntime(kNotifyFreeMemory, reinterpret_cast<uintptr_t>(block), 0);
    // The no-fail flag turns a refused request into 0 instead of the report.
    EXPECT_EQ(NotifyRuntime(kNotifyAllocMemory, kMaxBlockBytes + 1, 1), 0);
}

UnitOperation NoOperation(int32_t) { return nullptr; }

TEST_F(StartupTest, UnitTypeLookupByCode) {
    static UnitType types[3] = {};
    types[0] = UnitType{.name = "w", .flags = 0x800000D0, .lookup = NoOperation};
    types[2] = UnitType{.name = "p", .flags = 0x04, .lookup = NoOperation};
    static const LibraryInfo library{.typeCount = 3, .types = types};
    static const LibraryInfo* libraries[] = {&library, nullptr};
    ProgramHeader header{.libraryCount = 2, .libraries = libraries};
    Start(&header);
    EXPECT_EQ(NotifyRuntime(kNotifyGetUnitType, 0x00010001, 0), reinterpret_cast<intptr_t>(&types[0]));
    EXPECT_EQ(NotifyRuntime(kNotifyGetUnitType, 0x00010003, 0), reinterpret_cast<intptr_t>(&types[2]));
    EXPECT_EQ(NotifyRuntime(kNotifyGetUnitType, 0x00010002, 0), 0);  // an all-zero slot
    EXPECT_EQ(NotifyRuntime(kNotifyGetUnitType, 0x00010004, 0), 0);  // beyond the count
    EXPECT_EQ(NotifyRuntime(kNotifyGetUnitType, 0x00020001, 0), 0);  // null library
    EXPECT_EQ(NotifyRuntime(kNotifyGetUnitType, 0x00030001, 0), 0);  // beyond the list
    EXPECT_EQ(NotifyRuntime(kNotifyGetUnitType, 0x80000004, 0), 0);  // not a unit code
    EXPECT_EQ(NotifyRuntime(kNotifyGetUnitType, 0x00010000, 0), 0);  // type 0
    EXPECT_EQ(NotifyRuntime(kNotifyEventFlags, 0x00010001, 0), 1);  // 0x40
    EXPECT_EQ(NotifyRuntime(kNotifyEventFlags, 0x00010003, 0), 2);  // 0x04
    EXPECT_EQ(NotifyRuntime(kNotifyEventFlags, 0x00010002, 0), 0);
}

TEST_F(StartupTest, FindNextFileFiltersByAttributes) {
    sigtest::TempDir dir;
    std::ofstream(dir.File("a.txt")) << "a";
    std::ofstream(dir.File("b.txt")) << "b";
    std::filesystem::create_directory(dir.File("sub.txt"));
    ProgramHeader header{};
    Start(&header);
    std::string pattern = dir.Path() + "\\*.txt";
    auto collect = [&](uintptr_t mask, uintptr_t omitted) {
        std::vector<std::string> names;
        HANDLE search = 0;
        const char* p = pattern.c_str();
        for (;;) {
            auto* name = reinterpret_cast<char*>(rt().RuntimeService(
                kServiceFindNextFile, reinterpret_cast<uintptr_t>(p), mask, omitted,
                reinterpret_cast<uintptr_t>(&search), 0, 0));
            p = nullptr;  // continue the search
            if (!name) break;
            names.push_back(name);
            rt().FreeMemory(name);
        }
        EXPECT_EQ(search, 0u);  // closed at the end
        std::sort(names.begin(), names.end());
        return names;
    };
    EXPECT_EQ(collect(0, 1), (std::vector<std::string>{"a.txt", "b.txt"}));
    EXPECT_EQ(collect(FILE_ATTRIBUTE_DIRECTORY, 0), (std::vector<std::string>{"sub.txt"}));
    EXPECT_TRUE(FileEntryPasses(0, 0, false));
    EXPECT_FALSE(FileEntryPasses(FILE_ATTRIBUTE_ARCHIVE, 0, false));
    EXPECT_FALSE(FileEntryPasses(FILE_ATTRIBUTE_NORMAL, 0x80, false));  // masked to 0x37 first
    // A pattern that matches nothing, and a null handle word.
    HANDLE search = 0;
    std::string none = dir.Path() + "\\*.none";
    EXPECT_EQ(rt().RuntimeService(kServiceFindNextFile, reinterpret_cast<uintptr_t>(none.c_str()), 0, 1,
                                  reinterpret_cast<uintptr_t>(&search), 0, 0),
              0u);
    EXPECT_EQ(rt().RuntimeService(kServiceFindNextFile, reinterpret_cast<uintptr_t>(none.c_str()), 0, 1, 0, 0, 0),
              0u);
    rt().RuntimeService(kServiceEndFileSearch, 0, 0, 0, 0, 0, 0);
}

TEST_F(StartupTest, CoreCommandSlotZeroesTheResultAndPassesTheCallersRecords) {
    static ArgRecord* seen = nullptr;
    static int32_t seenCount = -1;
    CommandRoutine routine = [](ArgRecord* result, int32_t n, ArgRecord* args) {
        EXPECT_EQ(result->value, 0u);
        EXPECT_EQ(result->type, 0u);
        seen = args;
        seenCount = n;
        *result = MakeIntArg(n * 10);
    };
    ArgRecord args[2] = {MakeIntArg(1), MakeIntArg(2)};
    ArgRecord r = rt().CallCoreCommand(routine, 2, args, 0);
    EXPECT_EQ(seen, args);
    EXPECT_EQ(seenCount, 2);
    EXPECT_EQ(ArgInt32(r), 20);
    r = rt().CallLibraryCommand(routine, 0, nullptr, 2);
    EXPECT_EQ(ArgInt32(r), 0);
    EXPECT_EQ(r.type, kTypeInt);
    // A null routine gives the zeroed result.
    r = rt().CallCoreCommand(nullptr, 1, args, 0);
    EXPECT_EQ(r.type, 0u);
}

TEST_F(StartupTest, MessageLoopReturnsAtOnceWithoutWindows) {
    ProgramHeader header{};
    Start(&header);
    rt().RunMessageLoop();
    EXPECT_EQ(Application::Instance().Table().Count(), 0u);
}

}  // namespace
