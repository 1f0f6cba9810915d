// The real program, run from a copy in a temporary folder: the settings
// file it writes when the start window closes, the state it restores from
// that file at the next start, and the start window's width. Texts in the
// settings file are GBK; the automation scripts and dumps are UTF-8.
#include <gtest/gtest.h>
#include <iconv.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

std::string Convert(const char* to, const char* from, const std::string& in) {
    iconv_t cd = iconv_open(to, from);
    std::string out(in.size() * 4 + 8, '\0');
    char* ip = const_cast<char*>(in.data());
    size_t il = in.size();
    char* op = out.data();
    size_t ol = out.size();
    size_t r = iconv(cd, &ip, &il, &op, &ol);
    iconv_close(cd);
    if (r == static_cast<size_t>(-1)) return "<unconvertible>";
    out.resize(out.size() - ol);
    return out;
}
std::string Gbk(const char8_t* s) { return Convert("GBK", "UTF-8", reinterpret_cast<const char*>(s)); }
std::string U8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool HasLine(const std::string& text, const std::string& line) {
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) {
        if (!l.empty() && l.back() == '\r') l.pop_back();
        if (l == line) return true;
    }
    return false;
}

const char8_t kTitle[] = u8"\"Morvane艺术字生成器\"";

class ProgramRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "sigrun-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        folder_ = root_ / U8(u8"签名 程序");
        fs::create_directories(folder_);
        // The program with the platform library and the system DLL names beside it.
        fs::path bin = fs::path(SIGDESIGNER_BIN).parent_path();
        fs::copy_file(SIGDESIGNER_BIN, folder_ / "sigdesigner");
        for (const auto& e : fs::directory_iterator(bin)) {
            std::string name = e.path().filename().string();
            if (name.ends_with(".dll") || name.ends_with(".so"))
                fs::create_symlink(fs::canonical(e.path()), folder_ / name);
        }
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }

    // Runs the program with this automation script; the exit status.
    int Run(const std::string& script) {
        fs::path file = root_ / "script.txt";
        std::ofstream(file, std::ios::binary) << script;
        std::string command = "cd '" + root_.string() + "' && SIGDESIGNER_BACKEND=headless SIGDESIGNER_AUTOMATION='" +
                              file.string() + "' SIGDESIGNER_SERVICE=http://127.0.0.1:9/ timeout 120 '" +
                              (folder_ / "sigdesigner").string() + "' > '" + (root_ / "out.txt").string() +
                              "' 2>&1";
        int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string Settings() const { return ReadAll(folder_ / "data" / "setsoft.ini"); }
    std::string Output() const { return ReadAll(root_ / "out.txt"); }
    std::string Dump() const { return ReadAll(root_ / "dump.txt"); }
    std::string DumpStep() const { return "dump " + U8(kTitle) + " " + (root_ / "dump.txt").string() + "\n"; }

    fs::path root_, folder_;
};

TEST_F(ProgramRunTest, AFirstRunMakesTheDataFolderAndWritesBothSectionsOnClose) {
    ASSERT_FALSE(fs::exists(folder_ / "data"));
    ASSERT_EQ(Run("wait-window " + U8(kTitle) + " 60000\n" + DumpStep() + "close " + U8(kTitle) + "\n"), 0)
        << Output();
    std::string s = Settings();
    ASSERT_FALSE(s.empty()) << Output();
    EXPECT_TRUE(HasLine(s, Gbk(u8"[编辑框]")));
    EXPECT_TRUE(HasLine(s, Gbk(u8"编辑框_生成内容=艺术签名"))) << Convert("UTF-8", "GBK", s);
    EXPECT_TRUE(HasLine(s, Gbk(u8"编辑框_字体颜色=")));
    EXPECT_TRUE(HasLine(s, Gbk(u8"编辑框_背景颜色=")));
    EXPECT_TRUE(HasLine(s, Gbk(u8"[组合框]")));
    EXPECT_TRUE(HasLine(s, Gbk(u8"组合框1=小型字<|>32<||>中型字<|>64<||>大型字<|>128<||>1<|>中型字")))
        << Convert("UTF-8", "GBK", s);

    // The start window was narrowed to 975 so the colour edit boxes lie outside it.
    std::string dump = Dump();
    size_t first = dump.find("\"rect\": [");
    ASSERT_NE(first, std::string::npos);
    int l, t, r, b;
    ASSERT_EQ(std::sscanf(dump.c_str() + first, "\"rect\": [%d, %d, %d, %d]", &l, &t, &r, &b), 4);
    EXPECT_EQ(r - l, 975);
}

TEST_F(ProgramRunTest, TheSettingsOfOneRunAreTheStartOfTheNext) {
    fs::create_directories(folder_ / "data");
    std::ofstream(folder_ / "data" / "setsoft.ini", std::ios::binary)
        << Gbk(u8"[编辑框]\r\n编辑框_生成内容=第一行><br><第二行\r\n编辑框_字体颜色=255\r\n编辑框_背景颜色=-16777216\r\n"
               u8"[组合框]\r\n组合框1=小型字<|>32<||>中型字<|>64<||>大型字<|>128<||>2<|>大型字\r\n");
    ASSERT_EQ(Run("wait-window " + U8(kTitle) + " 60000\n" + DumpStep() + "close " + U8(kTitle) + "\n"), 0)
        << Output();
    std::string dump = Dump();
    EXPECT_NE(dump.find(U8(u8"\"text\": \"第一行\\r\\n第二行\"")), std::string::npos) << dump.substr(0, 2000);
    EXPECT_NE(dump.find(U8(u8"{\"class\": \"COMBOBOX\", \"text\": \"大型字\"")), std::string::npos);
    EXPECT_NE(dump.find("\"text\": \"255\""), std::string::npos);

    // Written back as it was read: the content with its line break marker,
    // the colours through the pickers, the combo box with its selection.
    std::string s = Settings();
    EXPECT_TRUE(HasLine(s, Gbk(u8"编辑框_生成内容=第一行><br><第二行"))) << Convert("UTF-8", "GBK", s);
    EXPECT_TRUE(HasLine(s, Gbk(u8"编辑框_字体颜色=255")));
    EXPECT_TRUE(HasLine(s, Gbk(u8"编辑框_背景颜色=-16777216")));
    EXPECT_TRUE(HasLine(s, Gbk(u8"组合框1=小型字<|>32<||>中型字<|>64<||>大型字<|>128<||>2<|>大型字")));
}

TEST_F(ProgramRunTest, TypedTextIsKeptWhenTheWindowCloses) {
    // Click into the content box (client 8+4+20, 0+10+20), go to its end and type.
    ASSERT_EQ(Run("wait-window " + U8(kTitle) + " 60000\nclick " + U8(kTitle) + " 40 30\nkey Ctrl+End\n" +
                  "key Enter\ntype \"" + U8(u8"签名") + "\"\nclose " + U8(kTitle) + "\n"),
              0)
        << Output();
    std::string s = Settings();
    EXPECT_TRUE(HasLine(s, Gbk(u8"编辑框_生成内容=艺术签名><br><签名"))) << Convert("UTF-8", "GBK", s);
}

}  // namespace
