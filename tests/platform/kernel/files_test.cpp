// Paths, files, folders and the shell's path helpers.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>

#include "platform/kernel/path.h"
#include "temp_dir.h"
#include "win/kernel.h"
#include "win/shell.h"

using platform::ToPosixPath;
using platform::ToWindowsPath;

namespace {
// "乗" in GBK is 0x81 0x5C: its trail byte is a backslash.
const char kTrailBackslashGbk[] = "\x81\x5C";
const char kTrailBackslashUtf8[] = "\xE4\xB9\x97";
const char kChineseGbk[] = "\xD6\xD0\xCE\xC4";  // "中文"
const char kChineseUtf8[] = "\xE4\xB8\xAD\xE6\x96\x87";
}  // namespace

TEST(Paths, SeparatorsDrivesAndGbkMapToPosix) {
    EXPECT_EQ(ToPosixPath("\\data\\setsoft.ini"), "/data/setsoft.ini");
    EXPECT_EQ(ToPosixPath("C:\\a/b\\c"), "/a/b/c");
    EXPECT_EQ(ToPosixPath("c:"), "/");
    EXPECT_EQ(ToPosixPath("rel\\dir/f.txt"), "rel/dir/f.txt");
    EXPECT_EQ(ToPosixPath(std::string("\\") + kChineseGbk + "\\x"), std::string("/") + kChineseUtf8 + "/x");
    // The GBK trail byte 0x5C is part of its character, not a separator.
    EXPECT_EQ(ToPosixPath(std::string("\\d\\") + kTrailBackslashGbk + ".png"),
              std::string("/d/") + kTrailBackslashUtf8 + ".png");
    EXPECT_EQ(ToWindowsPath(std::string("/d/") + kTrailBackslashUtf8 + ".png"),
              std::string("\\d\\") + kTrailBackslashGbk + ".png");
    for (std::string p : {std::string("/a/") + kChineseUtf8 + "/b c.txt", std::string("/")})
        EXPECT_EQ(ToPosixPath(ToWindowsPath(p)), p);
}

TEST(Paths, ModuleFileNameSplitsIntoProgramFolder) {
    char buf[4096];
    DWORD n = GetModuleFileNameA(0, buf, sizeof buf);
    ASSERT_GT(n, 0u);
    std::string path(buf, n);
    size_t cut = path.rfind('\\');
    ASSERT_NE(cut, std::string::npos);
    EXPECT_EQ(ToPosixPath(path.substr(0, cut)), platform::ExecutableFolder());
    EXPECT_EQ(ToPosixPath(path), platform::ExecutablePath());
    // Too small: cut to size - 1, NUL, and the result is the size.
    char small[5];
    EXPECT_EQ(GetModuleFileNameA(0, small, 5), 5u);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(std::string(small), path.substr(0, 4));
    EXPECT_EQ(GetModuleFileNameA(GetModuleHandleA(nullptr), buf, sizeof buf), n);
}

class Files : public TempDirTest {};

TEST_F(Files, CurrentDirectoryRoundTripsWithGbkNames) {
    std::string sub = Posix(kChineseUtf8);
    ASSERT_TRUE(std::filesystem::create_directory(sub));
    char old[4096];
    ASSERT_GT(GetCurrentDirectoryA(sizeof old, old), 0u);
    ASSERT_TRUE(SetCurrentDirectoryA(Win(kChineseUtf8).c_str()));
    char now[4096];
    DWORD n = GetCurrentDirectoryA(sizeof now, now);
    EXPECT_EQ(std::string(now, n), Win(kChineseUtf8));
    EXPECT_EQ(GetCurrentDirectoryA(3, now), n + 1);  // too small: the size needed
    // Relative paths are taken from the current directory.
    HANDLE h = CreateFileA("rel\xD6\xD0.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, 0);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    EXPECT_TRUE(std::filesystem::exists(sub + "/rel\xE4\xB8\xAD.txt"));
    EXPECT_TRUE(SetCurrentDirectoryA(old));
    EXPECT_FALSE(SetCurrentDirectoryA(Win("missing").c_str()));
}

TEST_F(Files, CreateWriteReadSeekAndSize) {
    std::string name = Win(std::string(kChineseUtf8) + ".bin");
    HANDLE h = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, 0);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    DWORD done = 0;
    ASSERT_TRUE(WriteFile(h, "hello world", 11, &done, nullptr));
    EXPECT_EQ(done, 11u);
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_FALSE(CloseHandle(h));  // a closed handle is refused
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);

    h = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, 0);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD high = 99;
    EXPECT_EQ(GetFileSize(h, &high), 11u);
    EXPECT_EQ(high, 0u);
    EXPECT_EQ(SetFilePointer(h, 6, nullptr, FILE_BEGIN), 6u);
    char buf[32] = {};
    ASSERT_TRUE(ReadFile(h, buf, sizeof buf, &done, nullptr));
    EXPECT_EQ(std::string(buf, done), "world");
    ASSERT_TRUE(ReadFile(h, buf, sizeof buf, &done, nullptr));  // end of file: success, 0 bytes
    EXPECT_EQ(done, 0u);
    EXPECT_FALSE(WriteFile(h, "x", 1, &done, nullptr));  // opened for reading only
    EXPECT_EQ(SetFilePointer(h, -20, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    CloseHandle(h);

    // CREATE_NEW refuses an existing file; OPEN_ALWAYS reports it.
    EXPECT_EQ(CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, 0), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
    h = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, 0);
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    CloseHandle(h);
    h = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, 0, 0);
    EXPECT_EQ(GetFileSize(h, nullptr), 0u);
    CloseHandle(h);
}

TEST_F(Files, MissingUnreadableAndFolderPathsFail) {
    EXPECT_EQ(CreateFileA(Win("none.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, 0), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(CreateFileA(Win("nodir/none.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, 0),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(CreateFileA(Win("").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, 0), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);  // the folder itself
    EXPECT_EQ(CreateFileA("", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, 0), INVALID_HANDLE_VALUE);
    EXPECT_EQ(CreateFileA(nullptr, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, 0), INVALID_HANDLE_VALUE);
    DWORD done = 7;
    char c;
    EXPECT_FALSE(ReadFile(0x0C000001u, &c, 1, &done, nullptr));  // never issued
    EXPECT_EQ(done, 0u);
    EXPECT_FALSE(DeleteFileA(Win("none.txt").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(GetFileAttributesA(Win("none.txt").c_str()), INVALID_FILE_ATTRIBUTES);
    if (geteuid() == 0) GTEST_SKIP() << "root ignores permissions";
    Spit(Posix("secret"), "x");
    ASSERT_EQ(chmod(Posix("secret").c_str(), 0), 0);
    EXPECT_EQ(CreateFileA(Win("secret").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, 0), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(GetFileAttributesA(Win("secret").c_str()), FILE_ATTRIBUTE_READONLY);
}

TEST_F(Files, FoldersAttributesCopyMoveDelete) {
    EXPECT_TRUE(CreateDirectoryA(Win("d").c_str(), nullptr));
    EXPECT_FALSE(CreateDirectoryA(Win("d").c_str(), nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(GetFileAttributesA(Win("d").c_str()), FILE_ATTRIBUTE_DIRECTORY);
    Spit(Posix("d/a.txt"), "abc");
    EXPECT_EQ(GetFileAttributesA(Win("d\\a.txt").c_str()), FILE_ATTRIBUTE_NORMAL);
    EXPECT_TRUE(CopyFileA(Win("d/a.txt").c_str(), Win("b.txt").c_str(), TRUE));
    EXPECT_FALSE(CopyFileA(Win("d/a.txt").c_str(), Win("b.txt").c_str(), TRUE));
    EXPECT_EQ(Slurp(Posix("b.txt")), "abc");
    EXPECT_FALSE(MoveFileA(Win("d/a.txt").c_str(), Win("b.txt").c_str()));  // never replaces
    EXPECT_TRUE(MoveFileA(Win("d/a.txt").c_str(), Win("c.txt").c_str()));
    EXPECT_FALSE(RemoveDirectoryA(Win("missing").c_str()));
    EXPECT_TRUE(RemoveDirectoryA(Win("d").c_str()));
    EXPECT_FALSE(DeleteFileA(dir_.c_str()));  // a folder is not a file
    EXPECT_TRUE(DeleteFileA(Win("c.txt").c_str()));
    EXPECT_FALSE(std::filesystem::exists(Posix("c.txt")));
}

TEST_F(Files, FindFilesWithWildcardsAndGbkNames) {
    Spit(Posix("1.png"), "");
    Spit(Posix("2.PNG"), "");
    Spit(Posix(std::string(kChineseUtf8) + ".png"), "12345");
    Spit(Posix("noext"), "");
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(Win("*.png").c_str(), &fd);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::set<std::string> names;
    do {
        names.insert(fd.cFileName);
        if (std::string(fd.cFileName) == std::string(kChineseGbk) + ".png") { EXPECT_EQ(fd.nFileSizeLow, 5u); }
    } while (FindNextFileA(h, &fd));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    EXPECT_TRUE(FindClose(h));
    EXPECT_EQ(names, (std::set<std::string>{"1.png", "2.PNG", std::string(kChineseGbk) + ".png"}));

    h = FindFirstFileA(Win("*.*").c_str(), &fd);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    int count = 1;
    while (FindNextFileA(h, &fd)) ++count;
    FindClose(h);
    EXPECT_EQ(count, 6);  // ".", "..", and the four files, "noext" included
    // '?' is one character, a Chinese one included; letters match in any case.
    h = FindFirstFileA(Win("??.P*G").c_str(), &fd);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(std::string(fd.cFileName), std::string(kChineseGbk) + ".png");
    EXPECT_FALSE(FindNextFileA(h, &fd));
    FindClose(h);
    h = FindFirstFileA(Win("*o*x*").c_str(), &fd);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(fd.cFileName, "noext");
    FindClose(h);
    EXPECT_EQ(FindFirstFileA(Win("*.gif").c_str(), &fd), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(FindFirstFileA(Win("nodir/*").c_str(), &fd), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST_F(Files, ShellHelpersAndSettingsFolderCreation) {
    // As the tool does: RunDirectory + "\data" made sure of, then the settings file.
    std::string data = Win("prog\\data");
    EXPECT_FALSE(PathIsDirectoryA(data.c_str()));
    EXPECT_TRUE(MakeSureDirectoryPathExists((data + "\\").c_str()));
    EXPECT_EQ(PathIsDirectoryA(data.c_str()), 16);
    EXPECT_TRUE(PathFileExistsA(data.c_str()));
    // Without a trailing separator the last part is a file name and is not made.
    EXPECT_TRUE(MakeSureDirectoryPathExists(Win(std::string("x/") + kChineseUtf8 + "/file").c_str()));
    EXPECT_TRUE(std::filesystem::is_directory(Posix(std::string("x/") + kChineseUtf8)));
    EXPECT_FALSE(std::filesystem::exists(Posix(std::string("x/") + kChineseUtf8 + "/file")));
    Spit(Posix("plain"), "");
    EXPECT_TRUE(PathFileExistsA(Win("plain").c_str()));
    EXPECT_FALSE(PathIsDirectoryA(Win("plain").c_str()));
    EXPECT_FALSE(MakeSureDirectoryPathExists(Win("plain/sub/").c_str()));  // a file is in the way
    EXPECT_FALSE(PathFileExistsA(Win("nothing").c_str()));
    EXPECT_FALSE(PathFileExistsA(""));
    EXPECT_FALSE(PathIsDirectoryA(nullptr));
}

TEST_F(Files, FullPathTempPathAndSpecialFolders) {
    char buf[MAX_PATH * 4];
    LPSTR part = nullptr;
    DWORD n = GetFullPathNameA("\\a\\.\\b\\..\\c.txt", sizeof buf, buf, &part);
    EXPECT_EQ(std::string(buf, n), "\\a\\c.txt");
    ASSERT_NE(part, nullptr);
    EXPECT_STREQ(part, "c.txt");
    n = GetTempPathA(sizeof buf, buf);
    ASSERT_GT(n, 0u);
    EXPECT_EQ(buf[n - 1], '\\');
    const char* oldHome = std::getenv("HOME");
    std::string savedHome = oldHome ? oldHome : "";
    setenv("HOME", dir_.c_str(), 1);
    setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
    Spit(Posix("user-dirs.dirs"), "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
    ASSERT_TRUE(SHGetSpecialFolderPathA(0, buf, CSIDL_DESKTOPDIRECTORY, FALSE));
    EXPECT_EQ(std::string(buf), Win("Schreibtisch"));
    EXPECT_FALSE(std::filesystem::exists(Posix("Schreibtisch")));
    ASSERT_TRUE(SHGetSpecialFolderPathA(0, buf, CSIDL_DESKTOPDIRECTORY, TRUE));
    EXPECT_TRUE(std::filesystem::is_directory(Posix("Schreibtisch")));
    EXPECT_FALSE(SHGetSpecialFolderPathA(0, buf, 0x7777, FALSE));
    EXPECT_STREQ(buf, "");
    unsetenv("XDG_CONFIG_HOME");
    if (oldHome) setenv("HOME", savedHome.c_str(), 1);
}
