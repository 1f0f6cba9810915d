// GetPrivateProfileStringA / WritePrivateProfileStringA on real files.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "temp_dir.h"
#include "win/kernel.h"

namespace {

// A literal's bytes, embedded NULs included.
template <size_t N>
std::string Bytes(const char (&s)[N]) {
    return std::string(s, N - 1);
}

class Profile : public TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        file_ = Win("setsoft.ini");
        posix_ = Posix("setsoft.ini");
    }
    std::string Get(const char* s, const char* k, const char* def = "", DWORD size = 10240) {
        std::vector<char> buf(size + 1, '#');
        DWORD n = GetPrivateProfileStringA(s, k, def, buf.data(), size, file_.c_str());
        last_ = n;
        return std::string(buf.data(), n);
    }
    BOOL Put(const char* s, const char* k, const char* v) { return WritePrivateProfileStringA(s, k, v, file_.c_str()); }

    std::string file_, posix_;
    DWORD last_ = 0;
};

const char kEditBox[] = "\xB1\xE0\xBC\xAD\xBF\xF2";            // section of the edit boxes
const char kComboBox[] = "\xD7\xE9\xBA\xCF\xBF\xF2";           // section of the combo boxes
const char kUnitName[] = "\xB1\xE0\xBC\xAD\xBF\xF2_\xC9\xFA";  // an edit box's unit name

}  // namespace

TEST_F(Profile, MissingFileGivesTheDefaultWithoutTrailingBlanks) {
    EXPECT_EQ(Get("s", "k", "dflt  "), "dflt");
    EXPECT_EQ(last_, 4u);
    EXPECT_EQ(Get("s", "k", nullptr), "");
    EXPECT_FALSE(std::filesystem::exists(posix_));
}

TEST_F(Profile, WriteCreatesTheFileAndReadsBackGbk) {
    ASSERT_TRUE(Put(kEditBox, kUnitName, "a><br><b"));
    std::string combo = "\xD0\xA1\xD0\xCD\xD7\xD6<|>32<||>\xD6\xD0\xD0\xCD\xD7\xD6<|>64<||>1<|>x";
    ASSERT_TRUE(Put(kComboBox, "combo1", combo.c_str()));
    EXPECT_EQ(Get(kEditBox, kUnitName), "a><br><b");
    EXPECT_EQ(Get(kComboBox, "COMBO1"), combo);
    EXPECT_EQ(Slurp(posix_), std::string("[") + kEditBox + "]\r\n" + kUnitName + "=a><br><b\r\n[" + kComboBox +
                                 "]\r\ncombo1=" + combo + "\r\n");
    // Rewriting keeps the other lines and the comment.
    Spit(posix_, "; kept\r\n" + Slurp(posix_));
    ASSERT_TRUE(Put(kEditBox, kUnitName, ""));
    EXPECT_EQ(Get(kEditBox, kUnitName, "default"), "");  // present but empty: not the default
    EXPECT_EQ(Slurp(posix_).substr(0, 9), "; kept\r\n[");
    EXPECT_EQ(Get(kComboBox, "combo1"), combo);
}

TEST_F(Profile, ValuesAreCutToTheBuffer) {
    std::string v(10239, 'v');
    ASSERT_TRUE(Put("s", "fits", v.c_str()));
    ASSERT_TRUE(Put("s", "over", (v + "w").c_str()));
    EXPECT_EQ(Get("s", "fits"), v);
    EXPECT_EQ(last_, 10239u);
    EXPECT_EQ(Get("s", "over"), v);  // one byte more: cut to size - 1
    EXPECT_EQ(last_, 10239u);
    EXPECT_EQ(Get("s", "fits", "", 4), "vvv");
    EXPECT_EQ(last_, 3u);
    char one[1] = {'#'};
    EXPECT_EQ(GetPrivateProfileStringA("s", "fits", "", one, 1, file_.c_str()), 0u);
    EXPECT_EQ(one[0], '\0');
    EXPECT_EQ(Get("s", "missing", "defaultvalue", 5), "defa");
    // A 10 MB line is read and cut like any value.
    Spit(posix_, "[s]\nhuge=" + std::string(10u << 20, 'h') + "\nafter=ok\n");
    EXPECT_EQ(Get("s", "huge").size(), 10239u);
    EXPECT_EQ(Get("s", "after"), "ok");
    // A NUL byte ends the value the caller sees; the lines after it still count.
    Spit(posix_, Bytes("[s]\r\nk=a\0b\r\nnext=1"));
    EXPECT_EQ(Get("s", "k"), "a");
    EXPECT_EQ(last_, 1u);
    EXPECT_EQ(Get("s", "next"), "1");
}

TEST_F(Profile, NullSectionOrKeyListsNames) {
    Spit(posix_, "[one]\na=1\nb=2\n[two]\n[ONE]\nc=3\n");
    std::string all = Get(nullptr, nullptr);
    EXPECT_EQ(all, std::string("one\0two\0", 8));
    EXPECT_EQ(Get("one", nullptr), std::string("a\0b\0c\0", 6));
    EXPECT_EQ(Get("two", nullptr), "");
    // Too small: the last name is cut, two NULs end the list, result size - 2.
    std::vector<char> buf(9, '#');
    DWORD n = GetPrivateProfileStringA(nullptr, nullptr, "", buf.data(), 7, file_.c_str());
    EXPECT_EQ(n, 5u);
    EXPECT_EQ(std::string(buf.data(), 7), std::string("one\0t\0\0", 7));
    EXPECT_EQ(buf[7], '#');
}

TEST_F(Profile, NullKeyRemovesSectionNullValueRemovesKey) {
    ASSERT_TRUE(Put("s", "a", "1"));
    ASSERT_TRUE(Put("s", "b", "2"));
    ASSERT_TRUE(Put("t", "c", "3"));
    ASSERT_TRUE(Put("S", "A", nullptr));
    EXPECT_EQ(Get("s", "a", "gone"), "gone");
    EXPECT_EQ(Get("s", "b"), "2");
    ASSERT_TRUE(Put("s", nullptr, nullptr));
    EXPECT_EQ(Get(nullptr, nullptr), std::string("t\0", 2));
    // Removing from a missing file succeeds and creates nothing.
    std::filesystem::remove(posix_);
    EXPECT_TRUE(Put("s", nullptr, nullptr));
    EXPECT_TRUE(Put("s", "k", nullptr));
    EXPECT_FALSE(std::filesystem::exists(posix_));
}

TEST_F(Profile, LineBreakInAWrittenValueCreatesNoSection) {
    ASSERT_TRUE(Put("s", "k", "line1\r\n[x]\r\nevil=1"));
    EXPECT_EQ(Get(nullptr, nullptr), std::string("s\0", 2));
    EXPECT_EQ(Get("x", "evil", "none"), "none");
    EXPECT_EQ(Get("s", "k"), "line1  [x]  evil=1");
    EXPECT_FALSE(Put("s", "a=b", "v"));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(Profile, WritesAreAtomicAndKeepModeAndLinks) {
    ASSERT_TRUE(Put("s", "k", "1"));
    ASSERT_EQ(chmod(posix_.c_str(), 0640), 0);
    std::string target = Posix("real.ini");
    std::filesystem::rename(posix_, target);
    std::filesystem::create_symlink(target, posix_);
    ASSERT_TRUE(Put("s", "k", "2"));
    EXPECT_TRUE(std::filesystem::is_symlink(posix_));
    EXPECT_EQ(Slurp(target), "[s]\r\nk=2\r\n");
    struct stat st{};
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    // No temporary file is left behind.
    int files = 0;
    for (auto& e : std::filesystem::directory_iterator(dir_)) files += e.path().filename().string()[0] == '.';
    EXPECT_EQ(files, 0);
}

TEST_F(Profile, UnwritableOrMissingFolderFailsAndKeepsTheFile) {
    EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "v", Win("no/such/dir/x.ini").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "v", nullptr));
    EXPECT_FALSE(WritePrivateProfileStringA(nullptr, "k", "v", file_.c_str()));
    // A folder where the file should be: read as missing, never written.
    std::filesystem::create_directory(posix_);
    EXPECT_EQ(Get("s", "k", "dflt"), "dflt");
    EXPECT_FALSE(Put("s", "k", "v"));
    EXPECT_TRUE(std::filesystem::is_directory(posix_));
    std::filesystem::remove(posix_);
    // So must a FIFO, without waiting for a writer.
    ASSERT_EQ(mkfifo(posix_.c_str(), 0600), 0);
    EXPECT_EQ(Get("s", "k", "dflt"), "dflt");
    EXPECT_FALSE(Put("s", "k", "v"));
    std::filesystem::remove(posix_);
    if (geteuid() == 0) GTEST_SKIP() << "root ignores permissions";
    ASSERT_TRUE(Put("s", "k", "1"));
    ASSERT_EQ(chmod(dir_.c_str(), 0555), 0);
    EXPECT_FALSE(Put("s", "k", "2"));
    EXPECT_EQ(Get("s", "k"), "1");
    ASSERT_EQ(chmod(dir_.c_str(), 0755), 0);
    ASSERT_EQ(chmod(posix_.c_str(), 0), 0);
    EXPECT_EQ(Get("s", "k", "unreadable"), "unreadable");
}

TEST_F(Profile, Utf8AndUtf16FilesTakeAndGiveGbk) {
    // "编辑框" in UTF-8 inside a UTF-8 file with a byte-order mark.
    Spit(posix_, "\xEF\xBB\xBF[\xE7\xBC\x96\xE8\xBE\x91\xE6\xA1\x86]\r\nk=\xE4\xB8\xAD\xE6\x96\x87\r\n");
    EXPECT_EQ(Get(kEditBox, "k"), "\xD6\xD0\xCE\xC4");
    ASSERT_TRUE(Put(kEditBox, "k2", "\xD6\xD0"));
    EXPECT_EQ(Slurp(posix_),
              "\xEF\xBB\xBF[\xE7\xBC\x96\xE8\xBE\x91\xE6\xA1\x86]\r\nk=\xE4\xB8\xAD\xE6\x96\x87\r\nk2=\xE4\xB8\xAD\r\n");
    Spit(posix_, Bytes("\xFF\xFE[\0s\0]\0\r\0\n\0k\0=\0-N\r\0\n\0"));
    EXPECT_EQ(Get("s", "k"), "\xD6\xD0");
}

TEST_F(Profile, GbkFileNamesAndIntegers) {
    file_ = Win("\xE8\xAE\xBE\xE7\xBD\xAE.ini");  // "设置.ini"
    ASSERT_TRUE(Put("s", "n", "  -42xyz"));
    ASSERT_TRUE(Put("s", "none", "abc"));
    EXPECT_TRUE(std::filesystem::exists(Posix("\xE8\xAE\xBE\xE7\xBD\xAE.ini")));
    EXPECT_EQ(static_cast<INT>(GetPrivateProfileIntA("s", "n", 7, file_.c_str())), -42);
    EXPECT_EQ(GetPrivateProfileIntA("s", "none", 7, file_.c_str()), 0u);
    EXPECT_EQ(GetPrivateProfileIntA("s", "missing", 7, file_.c_str()), 7u);
}

TEST_F(Profile, ConcurrentWritersLoseNothing) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([this, t] {
            for (int i = 0; i < 25; ++i) {
                std::string key = "k" + std::to_string(t) + "_" + std::to_string(i);
                WritePrivateProfileStringA(t % 2 ? "odd" : "even", key.c_str(), key.c_str(), file_.c_str());
            }
        });
    for (auto& th : threads) th.join();
    int found = 0;
    for (int t = 0; t < 4; ++t)
        for (int i = 0; i < 25; ++i) {
            std::string key = "k" + std::to_string(t) + "_" + std::to_string(i);
            found += Get(t % 2 ? "odd" : "even", key.c_str()) == key;
        }
    EXPECT_EQ(found, 100);
}
