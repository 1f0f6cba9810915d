// SettingsFilePath from a program that lives in a temporary folder with a
// Chinese name: the "data" folder is made, the path names the settings file
// in it; and the folder helpers on their own.
#include <sys/wait.h>

#include <cstdio>
#include <fstream>

#include "app/settings_path.h"
#include "tests/app/request/request_fixture.h"

namespace apptest {
namespace {

namespace fs = std::filesystem;

// The lines the probe printed, run from a copy in `folder`.
std::vector<std::string> RunProbeIn(const fs::path& folder) {
    fs::copy_file(SETTINGS_PROBE_BIN, folder / "probe", fs::copy_options::overwrite_existing);
    // The copy finds the platform library beside it, as the program does.
    fs::path library = fs::path(PLATFORM_LIBRARY);
    if (!fs::exists(folder / library.filename())) fs::create_symlink(fs::canonical(library), folder / library.filename());
    std::string command = "'" + (folder / "probe").string() + "'";
    std::vector<std::string> lines;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return lines;
    char buffer[4096];
    while (fgets(buffer, sizeof buffer, p)) {
        std::string line = buffer;
        if (!line.empty() && line.back() == '\n') line.pop_back();
        lines.push_back(line);
    }
    int status = pclose(p);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) lines.push_back("<exit " + std::to_string(status) + ">");
    return lines;
}

// The Windows form of a POSIX folder, in GBK, as the runtime names it.
std::string WindowsForm(const fs::path& folder) {
    std::string gbk = sigtest::Convert("GBK", "UTF-8", fs::canonical(folder).string());
    std::replace(gbk.begin(), gbk.end(), '/', '\\');
    return gbk;
}

class SettingsPathTest : public AppTest {
protected:
    sigtest::TempDir temp_;
};

TEST_F(SettingsPathTest, TheDataFolderIsMadeBesideTheProgram) {
    fs::path folder = fs::path(temp_.Path()) / sigtest::GbkToUtf8("签名 程序");
    fs::create_directories(folder);
    std::string expected = WindowsForm(folder) + "\\data\\setsoft.ini";

    std::vector<std::string> out = RunProbeIn(folder);
    ASSERT_EQ(out.size(), 3u) << (out.empty() ? "" : out.back());
    EXPECT_EQ(out[0], expected);
    EXPECT_EQ(out[1], expected);  // the second call finds the folder in place
    EXPECT_EQ(out[2], "1");
    EXPECT_TRUE(fs::is_directory(folder / "data"));
    EXPECT_FALSE(fs::exists(folder / "data" / "setsoft.ini"));  // only the folder is made

    // Run again with the folder already there and a settings file in it: left alone.
    std::ofstream(folder / "data" / "setsoft.ini") << "[x]\nk=v\n";
    out = RunProbeIn(folder);
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0], expected);
    std::ifstream in(folder / "data" / "setsoft.ini");
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(content, "[x]\nk=v\n");
}

TEST_F(SettingsPathTest, AFileNamedDataIsNotAFolderAndStaysAsItIs) {
    fs::path folder = fs::path(temp_.Path()) / "prog";
    fs::create_directories(folder);
    std::ofstream(folder / "data") << "a file";
    std::vector<std::string> out = RunProbeIn(folder);
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0], WindowsForm(folder) + "\\data\\setsoft.ini");  // still named; writes will fail quietly
    EXPECT_EQ(out[2], "0");
    EXPECT_TRUE(fs::is_regular_file(folder / "data"));
}

TEST_F(SettingsPathTest, FolderHelpersMakeEveryMissingLevel) {
    std::string base = temp_.Path();
    std::string deep = base + "/一/二/三";
    EXPECT_FALSE(app::IsDirectory(deep.c_str()));
    app::EnsureDirectory(deep.c_str());  // the last part is a folder too: a "\" is appended
    EXPECT_TRUE(app::IsDirectory(deep.c_str()));
    EXPECT_TRUE(fs::is_directory(sigtest::GbkToUtf8(deep)));

    std::string windows = base + "\\a\\b\\";
    app::EnsureDirectory(windows.c_str());  // already ends in a separator
    EXPECT_TRUE(fs::is_directory(base + "/a/b"));
    EXPECT_FALSE(fs::exists(base + "/a/b/" + "\\"));

    std::ofstream(base + "/plain") << "x";
    EXPECT_FALSE(app::IsDirectory((base + "/plain").c_str()));
    EXPECT_FALSE(app::IsDirectory((base + "/missing").c_str()));
    EXPECT_FALSE(app::IsDirectory(""));
    app::EnsureDirectory("");  // nothing to make, nothing breaks
    app::EnsureDirectory((base + "/plain/under").c_str());  // a file in the way: ignored
    EXPECT_TRUE(fs::is_regular_file(base + "/plain"));
}

}  // namespace
}  // namespace apptest
