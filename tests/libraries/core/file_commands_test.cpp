// Files and settings files: round trips, GBK names, unreadable files and
// paths with mixed separators.
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/libraries/core/core_fixture.h"

namespace {

using namespace core;
using namespace runtime;
using sigtest::CoreTest;
using sigtest::Gbk;
using sigtest::U8;

std::string Slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

class FileCommandsTest : public CoreTest {
protected:
    sigtest::TempDir dir_;
};

TEST_F(FileCommandsTest, WriteFileThenReadFile) {
    std::string path = dir_.File("out.bin");
    EXPECT_TRUE(CallInt(kWriteFile, {T(path), B("ab"), B(""), B(std::string("\0c", 2))}));
    EXPECT_EQ(Slurp(path), std::string("ab\0c", 4));
    EXPECT_EQ(CallBytes(kReadFile, {T(path)}), std::string("ab\0c", 4));
    // Writing again empties the file first; no byte sets make an empty file.
    EXPECT_TRUE(CallInt(kWriteFile, {T(path), B("")}));
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
    EXPECT_EQ(CallBytes(kReadFile, {T(path)}), "");
    EXPECT_TRUE(CallInt(kWriteFile, {T(path)}));
    // A large file goes through whole.
    std::string big(300000, 'x');
    big[299999] = 'y';
    EXPECT_TRUE(CallInt(kWriteFile, {T(path), B(big)}));
    EXPECT_EQ(CallBytes(kReadFile, {T(path)}), big);
}

TEST_F(FileCommandsTest, GbkNamesAndMixedSeparators) {
    std::filesystem::create_directory(dir_.Path() + "/" + U8(u8"签名"));
    // Windows-style path in GBK with both separators.
    std::string path = dir_.Path() + "\\" + Gbk(u8"签名") + "/" + Gbk(u8"图片") + ".png";
    ASSERT_TRUE(CallInt(kWriteFile, {T(path), B("PNG")}));
    EXPECT_EQ(Slurp(dir_.Path() + "/" + U8(u8"签名") + "/" + U8(u8"图片") + ".png"), "PNG");
    EXPECT_EQ(CallBytes(kReadFile, {T(path)}), "PNG");
}

TEST_F(FileCommandsTest, FailuresGiveFalseOrEmpty) {
    EXPECT_FALSE(CallInt(kWriteFile, {T(""), B("x")}));
    EXPECT_FALSE(CallInt(kWriteFile, {NullText(), B("x")}));
    EXPECT_FALSE(CallInt(kWriteFile, {T(dir_.File("missing/folder/f")), B("x")}));
    EXPECT_FALSE(CallInt(kWriteFile, {T(dir_.Path()), B("x")}));  // a folder
    EXPECT_EQ(CallBytes(kReadFile, {T(dir_.File("nothing"))}), "");
    EXPECT_EQ(CallBytes(kReadFile, {T(dir_.Path())}), "");
    EXPECT_EQ(CallBytes(kReadFile, {T("")}), "");
    std::string locked = dir_.File("locked");
    std::ofstream(locked) << "secret";
    std::filesystem::permissions(locked, std::filesystem::perms::none);
    if (Slurp(locked).empty()) {  // not readable (skipped when running as root)
        EXPECT_EQ(CallBytes(kReadFile, {T(locked)}), "");
    }
}

TEST_F(FileCommandsTest, ConfigItemsRoundTripInGbk) {
    std::string ini = dir_.File("setsoft.ini");
    std::string section = Gbk(u8"编辑框"), key = Gbk(u8"生成内容"), value = Gbk(u8"签名设计 abc");
    EXPECT_TRUE(CallInt(kWriteConfigItem, {T(ini), T(section), T(key), T(value)}));
    EXPECT_TRUE(CallInt(kWriteConfigItem, {T(ini), T(Gbk(u8"组合框")), T("index"), T("2")}));
    EXPECT_EQ(CallText(kReadConfigItem, {T(ini), T(section), T(key), Omitted()}), value);
    EXPECT_EQ(CallText(kReadConfigItem, {T(ini), T(Gbk(u8"组合框")), T("index"), T("0")}), "2");
    // Leading blanks and control bytes in file, section and key are skipped.
    EXPECT_EQ(CallText(kReadConfigItem, {T(" \t" + ini), T("  " + section), T("\n" + key), Omitted()}), value);
    // A missing key gives the default; a blank section gives nothing at all.
    EXPECT_EQ(CallText(kReadConfigItem, {T(ini), T(section), T("none"), T(Gbk(u8"默认"))}), Gbk(u8"默认"));
    EXPECT_EQ(CallText(kReadConfigItem, {T(ini), T("   "), T(key), T("dflt")}), "");
    EXPECT_EQ(CallText(kReadConfigItem, {T(ini), T(section), NullText(), T("dflt")}), "");
    EXPECT_EQ(CallText(kReadConfigItem, {T(dir_.File("none.ini")), T("s"), T("k"), Omitted()}), "");
    // An omitted value removes the key; an omitted key removes the section.
    EXPECT_TRUE(CallInt(kWriteConfigItem, {T(ini), T(section), T(key), Omitted()}));
    EXPECT_EQ(CallText(kReadConfigItem, {T(ini), T(section), T(key), Omitted()}), "");
    EXPECT_TRUE(CallInt(kWriteConfigItem, {T(ini), T(Gbk(u8"组合框")), Omitted(), Omitted()}));
    EXPECT_EQ(CallText(kReadConfigItem, {T(ini), T(Gbk(u8"组合框")), T("index"), T("gone")}), "gone");
    EXPECT_FALSE(CallInt(kWriteConfigItem, {T(""), T("s"), T("k"), T("v")}));
    EXPECT_FALSE(CallInt(kWriteConfigItem, {T(ini), NullText(), T("k"), T("v")}));
}

TEST_F(FileCommandsTest, LongConfigValuesAreCutToTheBuffer) {
    std::string ini = dir_.File("long.ini");
    std::string value(20000, 'v');
    ASSERT_TRUE(CallInt(kWriteConfigItem, {T(ini), T("s"), T("k"), T(value)}));
    EXPECT_EQ(CallText(kReadConfigItem, {T(ini), T("s"), T("k"), Omitted()}), std::string(10239, 'v'));
}

TEST_F(FileCommandsTest, RunDirectoryIsTheProgramFolder) {
    std::string folder = CallText(kRunDirectory, {});
    EXPECT_EQ(folder, Application::Instance().ProgramFolder());
    EXPECT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), '\\');
}

}  // namespace
