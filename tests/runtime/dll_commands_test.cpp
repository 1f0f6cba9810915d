// DLL commands: declaration tables, first-use resolution and caching, the
// built-in list for an empty library name, program folder first, ordinals,
// the fatal messages and runtime error 6.
#include <filesystem>
#include <string>
#include <vector>

#include "runtime/dll_commands.h"
#include "tests/runtime/support/runtime_fixture.h"
#include "windows.h"

namespace {

using namespace runtime;
using sigtest::RuntimeTest;
using sigtest::U8;
using ::testing::ExitedWithCode;
using ::testing::HasSubstr;

// The kernel's module functions with every request recorded.
std::vector<std::string> g_loads;
int g_unloads = 0;
HMODULE RecordingLoad(const char* name) {
    g_loads.push_back(name);
    return LoadLibraryA(name);
}
void* Find(HMODULE m, const char* name) { return reinterpret_cast<void*>(GetProcAddress(m, name)); }
void RecordingUnload(HMODULE m) {
    ++g_unloads;
    FreeLibrary(m);
}
ModuleLoader Recording() { return {RecordingLoad, Find, RecordingUnload}; }

const DllDeclaration kDeclarations[] = {
    {"", "MultiByteToWideChar", 6},      // 0: through the built-in list
    {"rtdll_where", "RtWhichCopy", 0},   // 1: program folder first
    {"rtdll_where.dll", "RtSum3", 3},    // 2
    {"rtdll_where", "#5", 0},            // 3: ordinal 5
    {"rtdll_where", "#65541", 0},        // 4: ordinal 65541 mod 65536 = 5
    {"", "NoSuchExportAnywhere", 0},     // 5
    {"rtdll_where", "NoSuchExport", 0},  // 6
    {"no_such_library", "Anything", 0},  // 7
    {"rtdll_where", "RtSum12", 12},      // 8
    {"rtdll_where", "RtSum3", 3},        // 9: same export, its own cache
    {"rtdll_alt\\rtdll_where", "RtWhichCopy", 0},  // 10: relative name with a folder
};

class DllCommandsTest : public RuntimeTest {
protected:
    void SetUp() override {
        RuntimeTest::SetUp();
        g_loads.clear();
        g_unloads = 0;
        header_.dllCount = std::size(kDeclarations);
        header_.dllCommands = kDeclarations;
        Start(&header_);
        Application& app = Application::Instance();
        app.Dlls().Setup(kDeclarations, header_.dllCount, app.ProgramFolder(), app.StartFolder(), Recording());
    }
    ProgramHeader header_{};
};

TEST_F(DllCommandsTest, OrdinalNames) {
    EXPECT_EQ(ParseOrdinal("#5"), 5);
    EXPECT_EQ(ParseOrdinal("#65541"), 5);
    EXPECT_EQ(ParseOrdinal("#0"), 0);
    EXPECT_EQ(ParseOrdinal("#65536"), 0);
    EXPECT_EQ(ParseOrdinal("#4294967301"), 5);  // no overflow on long numbers
    EXPECT_EQ(ParseOrdinal("#"), -1);
    EXPECT_EQ(ParseOrdinal("#5a"), -1);
    EXPECT_EQ(ParseOrdinal("Name"), -1);
    EXPECT_EQ(ParseOrdinal(nullptr), -1);
}

TEST_F(DllCommandsTest, EmptyLibraryNameIsFoundInTheFirstListedLibrary) {
    char16_t wide[8] = {};
    uint64_t n = CallDll(rt(), 0, CP_GBK, 0, "\xD6\xD0", 2, wide, 8);
    EXPECT_EQ(static_cast<int32_t>(n), 1);
    EXPECT_EQ(wide[0], u'中');
    EXPECT_EQ(g_loads, std::vector<std::string>{"Kernel32.dll"});
    EXPECT_EQ(g_unloads, 0);  // the library that had it stays loaded
    EXPECT_NE(Application::Instance().Dlls().ModuleOf(0), 0u);
}

TEST_F(DllCommandsTest, TwoCallsLoadTheLibraryOnce) {
    EXPECT_EQ(CallDll(rt(), 2, 1, 2, 3), 321u);
    EXPECT_EQ(CallDll(rt(), 2, 4, 0, 1), 104u);
    EXPECT_EQ(g_loads.size(), 1u);
    // Command 9 names the same export but resolves and loads for itself.
    EXPECT_EQ(CallDll(rt(), 9, 0, 0, 1), 100u);
    EXPECT_EQ(g_loads.size(), 2u);
    // The exit work unloads once per resolved command.
    Application::Instance().ExitWork(0);
    EXPECT_EQ(g_unloads, 2);
    EXPECT_EQ(Application::Instance().Dlls().Count(), 0u);
}

TEST_F(DllCommandsTest, ProgramFolderComesBeforeTheSystemSearch) {
    // A current directory holding another library under the same relative
    // name: loading the name as written would find copy 1 there; the program
    // folder's rtdll_alt holds copy 2.
    sigtest::TempDir dir;
    std::filesystem::create_directory(dir.File("rtdll_alt"));
    std::filesystem::copy_file(SIG_BINARY_DIR "/bin/rtdll_where.dll", dir.File("rtdll_alt/rtdll_where.dll"));
    std::filesystem::current_path(dir.Path());
    HMODULE asWritten = LoadLibraryA("rtdll_alt\\rtdll_where");
    ASSERT_NE(asWritten, 0u);
    EXPECT_EQ(reinterpret_cast<intptr_t (*)()>(GetProcAddress(asWritten, "RtWhichCopy"))(), 1);

    EXPECT_EQ(CallDll(rt(), 10), 2u);
    EXPECT_EQ(g_loads, std::vector<std::string>{Application::Instance().ProgramFolder() + "\\rtdll_alt\\rtdll_where"});
    FreeLibrary(asWritten);
}

TEST_F(DllCommandsTest, RelativeNameIsTriedInTheProgramFolderFirst) {
    EXPECT_EQ(CallDll(rt(), 1), 1u);
    ASSERT_FALSE(g_loads.empty());
    EXPECT_EQ(g_loads[0], Application::Instance().ProgramFolder() + "\\rtdll_where");
}

TEST_F(DllCommandsTest, OrdinalsAreLookedUpByNumber) {
    EXPECT_EQ(CallDll(rt(), 3), 55u);
    EXPECT_EQ(CallDll(rt(), 4), 55u);
}

TEST_F(DllCommandsTest, TwelveArgumentsArriveInOrder) {
    EXPECT_EQ(CallDll(rt(), 8, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12), 66u + 12000u);
}

TEST_F(DllCommandsTest, UnresolvableCommandsAreFatal) {
    EXPECT_EXIT(CallDll(rt(), 5), ExitedWithCode(255),
                HasSubstr(U8(u8"运行时出错!\r\n\r\n错误信息：无法找到指定DLL库文件中的输出命令“NoSuchExportAnywhere”\r\n")));
    EXPECT_EXIT(CallDll(rt(), 6), ExitedWithCode(255),
                HasSubstr(U8(u8"错误信息：无法找到指定DLL库文件“rtdll_where”中的输出命令“NoSuchExport”\r\n")));
    EXPECT_EXIT(CallDll(rt(), 7), ExitedWithCode(255),
                HasSubstr(U8(u8"错误信息：无法找到指定DLL库文件“no_such_library”中的输出命令“Anything”\r\n")));
    // A command number beyond the declarations.
    EXPECT_EXIT(CallDll(rt(), 99), ExitedWithCode(255), HasSubstr(U8(u8"无法找到指定DLL库文件中的输出命令")));
}

TEST_F(DllCommandsTest, EmptyNameSearchTriesTheWholeListAndUnloadsEach) {
    EXPECT_EXIT(
        {
            // Report the tries on stderr before the fatal report ends the child.
            Application& app = Application::Instance();
            app.Dlls().Setup(kDeclarations, std::size(kDeclarations), app.ProgramFolder(), app.StartFolder(),
                             {[](const char* n) -> HMODULE {
                                  fprintf(stderr, "load %s\n", n);
                                  return LoadLibraryA(n);
                              },
                              Find,
                              [](HMODULE m) {
                                  fprintf(stderr, "unload\n");
                                  FreeLibrary(m);
                              }});
            CallDll(rt(), 5);
        },
        ExitedWithCode(255),
        ::testing::ContainsRegex("load Kernel32.dll\nunload\nload Gdi32.dll\nunload\nload User32.dll\nunload\n"
                                 "load Advapi32.dll\nunload\nload Mpr.dll\n(unload\n)?load Shell32.dll\nunload\n"));
}

TEST_F(DllCommandsTest, ArgumentCountDifferentFromTheDeclarationIsError6) {
    EXPECT_EXIT(CallDll(rt(), 2, 1, 2), ExitedWithCode(255),
                HasSubstr(U8(u8"错误代码：6\r\n\r\n错误信息：调用DLL命令后发现堆栈错误\r\n")));
    EXPECT_EXIT(CallDll(rt(), 1, 1), ExitedWithCode(255), HasSubstr(U8(u8"错误代码：6")));
}

}  // namespace
