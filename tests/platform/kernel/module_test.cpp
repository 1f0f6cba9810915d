// LoadLibraryA / GetProcAddress / FreeLibrary.
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/kernel/handle_table.h"
#include "temp_dir.h"
#include "win/kernel.h"

namespace {

const std::string kDir = SIG_TESTLIB_DIR;

std::string WinPath(const std::string& posix) { return platform::ToWindowsPath(posix); }

template <typename F>
F Proc(HMODULE m, const char* name) {
    // Through a plain function pointer type, as casts between function types go.
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(m, name)));
}
LPCSTR Ordinal(uintptr_t n) { return reinterpret_cast<LPCSTR>(n); }

}  // namespace

TEST(Modules, FullPathLoadNamesOrdinalsAndCounts) {
    HMODULE a = LoadLibraryA(WinPath(kDir + "/testlib.dll").c_str());
    ASSERT_NE(a, 0u) << GetLastError();
    EXPECT_EQ(platform::KindOfHandle(a), platform::HandleKind::Module);
    // No extension: ".dll" is added; the name's case does not matter.
    HMODULE b = LoadLibraryA(WinPath(kDir + "/TESTLIB").c_str());
    EXPECT_EQ(b, a);

    auto add = Proc<int (*)(int, int)>(a, "TestAdd");
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(add(2, 3), 5);
    auto five = Proc<int (*)()>(a, Ordinal(5));
    ASSERT_NE(five, nullptr);
    EXPECT_EQ(five(), 5);
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(a, Ordinal(1))), reinterpret_cast<void*>(add));
    // An ordinal naming a missing export, an unknown ordinal, an unknown name.
    EXPECT_EQ(GetProcAddress(a, Ordinal(7)), nullptr);
    EXPECT_EQ(GetProcAddress(a, Ordinal(9)), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
    EXPECT_EQ(GetProcAddress(a, "NoSuchExport"), nullptr);
    // The library's dependencies do not lend it their exports.
    EXPECT_EQ(GetProcAddress(a, "malloc"), nullptr);

    char name[4096];
    DWORD n = GetModuleFileNameA(a, name, sizeof name);
    EXPECT_EQ(platform::ToPosixPath(std::string(name, n)), kDir + "/testlib.dll");
    EXPECT_EQ(GetModuleHandleA(WinPath(kDir + "/testlib.dll").c_str()), a);

    // Two loads need two frees.
    EXPECT_TRUE(FreeLibrary(a));
    EXPECT_EQ(add(1, 1), 2);  // still loaded
    EXPECT_EQ(GetModuleHandleA(WinPath(kDir + "/testlib.dll").c_str()), a);
    EXPECT_TRUE(FreeLibrary(b));
    EXPECT_EQ(GetModuleHandleA(WinPath(kDir + "/testlib.dll").c_str()), 0u);
    EXPECT_EQ(GetProcAddress(a, "TestAdd"), nullptr);  // a stale handle is refused
    EXPECT_FALSE(FreeLibrary(a));
    EXPECT_FALSE(FreeLibrary(0));
}

TEST(Modules, SystemNamesResolveToThePlatformLibrary) {
    HMODULE k = LoadLibraryA("Kernel32.dll");
    ASSERT_NE(k, 0u);
    EXPECT_EQ(LoadLibraryA("kernel32"), k);
    EXPECT_EQ(LoadLibraryA("USER32"), k);  // every system name is the same library
    EXPECT_EQ(LoadLibraryA("GdiPlus.dll"), k);
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(k, "MultiByteToWideChar")),
              reinterpret_cast<void*>(&MultiByteToWideChar));
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(k, Ordinal(40))), reinterpret_cast<void*>(&MultiByteToWideChar));
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(k, Ordinal(5))), reinterpret_cast<void*>(&CreateFileA));
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(FreeLibrary(k));
    // The platform library is never unloaded, and always found by name.
    EXPECT_EQ(GetModuleHandleA("shlwapi.dll"), k);
    EXPECT_NE(GetProcAddress(k, "PathFileExistsA"), nullptr);
    // Not a name the platform carries, and not in any folder searched.
    EXPECT_EQ(LoadLibraryA("Mpr.dll"), 0u);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    EXPECT_EQ(LoadLibraryA("testlib"), 0u);
    EXPECT_EQ(LoadLibraryA(""), 0u);
    EXPECT_EQ(LoadLibraryA(nullptr), 0u);
}

class ModuleFolders : public TempDirTest {};

TEST_F(ModuleFolders, BareNamesFromTheCurrentDirectoryAndGbkFolders) {
    std::string folder = Posix("\xE4\xB8\xAD");
    std::filesystem::create_directory(folder);
    std::filesystem::copy_file(kDir + "/testlib.dll", folder + "/gdiplus2.DLL");
    // A folder with a GBK name; the file name matched without regard to case.
    HMODULE g = LoadLibraryA((WinPath(folder) + "\\GdiPlus2.dll").c_str());
    ASSERT_NE(g, 0u);
    EXPECT_EQ(Proc<int (*)()>(g, Ordinal(5))(), 5);
    EXPECT_TRUE(FreeLibrary(g));

    char old[4096];
    ASSERT_TRUE(getcwd(old, sizeof old));
    ASSERT_EQ(chdir(folder.c_str()), 0);
    HMODULE bare = LoadLibraryA("GDIPLUS2");
    EXPECT_NE(bare, 0u);
    if (bare) FreeLibrary(bare);
    // A trailing dot: no extension added, so "gdiplus2" itself is looked for.
    EXPECT_EQ(LoadLibraryA("gdiplus2."), 0u);
    // A file that is not a library.
    Spit(folder + "/broken.dll", "not a library");
    EXPECT_EQ(LoadLibraryA("broken"), 0u);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    ASSERT_EQ(chdir(old), 0);
}
