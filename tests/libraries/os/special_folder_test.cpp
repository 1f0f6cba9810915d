// The OS-interface library: its descriptor and notify answers, and
// GetSpecialFolder through CallLibraryCommand with a home folder and XDG
// settings of the test's own.
#include <fstream>
#include <optional>
#include <vector>

#include "libraries/core/core_library.h"
#include "libraries/os/os_library.h"
#include "libraries/os/special_folder.h"
#include "tests/runtime/support/runtime_fixture.h"

namespace {

class OsLibraryTest : public sigtest::RuntimeTest {
protected:
    void SetUp() override {
        RuntimeTest::SetUp();
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "TMPDIR"}) {
            const char* v = getenv(name);
            saved_.push_back({name, v ? std::optional<std::string>(v) : std::nullopt});
        }
        std::filesystem::create_directories(dir_.Path() + "/tmp");
        home_ = dir_.Path() + "/home";
        std::filesystem::create_directories(home_ + "/.config");
        std::ofstream(home_ + "/.config/user-dirs.dirs") << "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"
                                                         << "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n";
        setenv("HOME", home_.c_str(), 1);
        unsetenv("XDG_CONFIG_HOME");
        unsetenv("XDG_DATA_HOME");
        setenv("TMPDIR", (dir_.Path() + "/tmp").c_str(), 1);
        Start(&header_);
    }

    void TearDown() override {
        for (auto& [name, value] : saved_) {
            if (value) setenv(name, value->c_str(), 1);
            else unsetenv(name);
        }
        RuntimeTest::TearDown();
    }

    std::string Folder(runtime::ArgRecord code) {
        runtime::ArgRecord args[1] = {code};
        runtime::ArgRecord r = rt().CallLibraryCommand(os::kOsCommands[os::kGetSpecialFolder], 1, args, 3);
        EXPECT_EQ(r.type, runtime::kTypeText);
        char* text = runtime::ArgPointer<char>(r);
        if (text) { EXPECT_NE(*text, '\0') << "an empty text must be null"; }
        std::string s = text ? text : "";
        rt().FreeMemory(text);
        return s;
    }
    // The Windows form of a POSIX path.
    static std::string Win(std::string posix) {
        for (char& c : posix)
            if (c == '/') c = '\\';
        return posix;
    }

    sigtest::TempDir dir_;
    std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
    std::string home_;
    const runtime::LibraryInfo* libraries_[4] = {&core::CoreLibraryInfo(), nullptr, nullptr, &os::OsLibraryInfo()};
    runtime::ProgramHeader header_{.libraryCount = 4, .libraries = libraries_};
};

TEST_F(OsLibraryTest, DescriptorAndNotifyAnswers) {
    const runtime::LibraryInfo& info = os::OsLibraryInfo();
    EXPECT_EQ(info.formatMarker, runtime::kLibraryFormatMarker);
    EXPECT_EQ(info.commandCount, 1u);
    EXPECT_EQ(info.commands[0], &os::CmdGetSpecialFolder);
    EXPECT_EQ(info.notify(runtime::kLibraryStart, reinterpret_cast<uintptr_t>(&runtime::NotifyRuntime), 0), 0);
    EXPECT_EQ(os::Notify(), &runtime::NotifyRuntime);
    EXPECT_EQ(info.notify(runtime::kLibraryEnd, 0, 0), -1);
    EXPECT_EQ(info.notify(1006, 0, 0), -1);
}

TEST_F(OsLibraryTest, DesktopAndTheOtherFoldersEndInABackslash) {
    EXPECT_EQ(Folder(runtime::MakeIntArg(3)), Win(home_ + "/Schreibtisch/"));
    EXPECT_EQ(Folder(runtime::MakeIntArg(1)), Win(home_ + "/Dokumente/"));
    EXPECT_EQ(Folder(runtime::MakeIntArg(4)), Win(home_ + "/.local/share/fonts/"));
    EXPECT_EQ(Folder(runtime::MakeIntArg(11)), Win(dir_.Path() + "/tmp/"));
    // Start-up entries and settings belong to the configuration folder.
    EXPECT_EQ(Folder(runtime::MakeIntArg(7)), Win(home_ + "/.config/autostart/"));
    EXPECT_EQ(Folder(runtime::MakeIntArg(8)), Win(home_ + "/.config/"));
    setenv("XDG_CONFIG_HOME", (dir_.Path() + "/cfg").c_str(), 1);
    EXPECT_EQ(Folder(runtime::MakeIntArg(7)), Win(dir_.Path() + "/cfg/autostart/"));
    unsetenv("XDG_CONFIG_HOME");
    for (int32_t code = 1; code <= 11; ++code) {
        std::string path = Folder(runtime::MakeIntArg(code));
        SCOPED_TRACE(code);
        ASSERT_GE(path.size(), 2u);
        EXPECT_EQ(path.front(), '\\');
        EXPECT_EQ(path.back(), '\\');
        EXPECT_EQ(path.find("\\\\"), std::string::npos);  // one backslash, never doubled
    }
    // The lookup does not create the user folders.
    EXPECT_FALSE(std::filesystem::exists(home_ + "/Schreibtisch"));
    // Other numeric kinds convert as numbers do.
    EXPECT_EQ(Folder(runtime::MakeDoubleArg(3.9)), Win(home_ + "/Schreibtisch/"));
    EXPECT_EQ(Folder({3, runtime::kTypeByte}), Win(home_ + "/Schreibtisch/"));
}

TEST_F(OsLibraryTest, UnknownCodesAndFailedLookupsGiveEmptyText) {
    for (int32_t code : {0, 12, -1, 16, INT32_MIN, INT32_MAX}) EXPECT_EQ(Folder(runtime::MakeIntArg(code)), "") << code;
    EXPECT_EQ(Folder(runtime::MakePointerArg("3", runtime::kTypeText)), "");
    EXPECT_EQ(Folder({0, runtime::kTypeNone}), "");
    EXPECT_EQ(Folder(runtime::MakeBoolArg(true)), "");
    // No home folder: the user folders cannot be found.
    unsetenv("HOME");
    EXPECT_EQ(Folder(runtime::MakeIntArg(3)), "");
    EXPECT_EQ(os::SpecialFolder(3), "");
    // The temporary folder does not depend on it.
    EXPECT_EQ(Folder(runtime::MakeIntArg(11)), Win(dir_.Path() + "/tmp/"));
}

}  // namespace
