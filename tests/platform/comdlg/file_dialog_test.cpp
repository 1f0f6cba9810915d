// Common dialogs answered through the test hook: what they show, the flags'
// checks (overwrite and create questions, files that must exist), output
// buffers, the filter index, and cancel leaving the caller's data alone.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "win/commdlg.h"
#include "win/kernel.h"
#include "win/testhooks.h"

namespace {

const bool kHeadless = [] {
    setenv("SIGDESIGNER_BACKEND", "headless", 1);
    return true;
}();

std::string Last() {
    char buf[4096];
    SigTestLastDialog(buf, sizeof buf);
    return buf;
}

class Dialogs : public ::testing::Test {
protected:
    std::string dir;  // as a Windows-style path
    char file[MAX_PATH] = "";
    char title[64] = "";
    OPENFILENAMEA ofn{};

    void SetUp() override {
        SigTestClearDialogAnswers();
        char tmpl[] = "/tmp/sigcomdlgXXXXXX";
        ASSERT_TRUE(mkdtemp(tmpl));
        posix = tmpl;
        dir = tmpl;
        for (char& c : dir)
            if (c == '/') c = '\\';
        std::ofstream(posix + "/there.png") << "x";
        ofn.lStructSize = sizeof ofn;
        ofn.lpstrFilter = "PNG (*.png)\0*.png\0All (*.*)\0*.*\0\0";
        ofn.nFilterIndex = 1;
        ofn.lpstrFile = file;
        ofn.nMaxFile = sizeof file;
        ofn.lpstrFileTitle = title;
        ofn.nMaxFileTitle = sizeof title;
        ofn.lpstrInitialDir = dir.c_str();
        ofn.lpstrDefExt = "png";
        ofn.Flags = OFN_HIDEREADONLY;
    }
    void TearDown() override {
        SigTestClearDialogAnswers();
        std::system(("rm -rf '" + posix + "'").c_str());
    }
    std::string posix;
};

TEST_F(Dialogs, SaveShowsFolderFiltersAndTakesTheAnsweredName) {
    std::strcpy(file, "first.png");
    ofn.lpstrTitle = "Save picture";
    SigTestAnswerFileDialog("sig", 0);
    ASSERT_TRUE(GetSaveFileNameA(&ofn));
    EXPECT_EQ(std::string(file), dir + "\\sig.png");  // the default extension added
    EXPECT_STREQ(title, "sig.png");
    EXPECT_EQ(ofn.nFileOffset, dir.size() + 1);
    EXPECT_EQ(ofn.nFileExtension, dir.size() + 5);
    EXPECT_EQ(ofn.nFilterIndex, 1u);
    std::string seen = Last();
    EXPECT_NE(seen.find("kind=save\n"), std::string::npos);
    EXPECT_NE(seen.find("title=Save picture\n"), std::string::npos);
    EXPECT_NE(seen.find("folder=" + dir + "\n"), std::string::npos);
    EXPECT_NE(seen.find("file=first.png\n"), std::string::npos);
    EXPECT_NE(seen.find("filter=PNG (*.png)=*.png\nfilter=All (*.*)=*.*\n"), std::string::npos);
}

TEST_F(Dialogs, DefaultExtensionStoredWithAStarIsUnderstood) {
    ofn.lpstrDefExt = "*.png";
    SigTestAnswerFileDialog("pic", 0);
    ASSERT_TRUE(GetSaveFileNameA(&ofn));
    EXPECT_EQ(std::string(file), dir + "\\pic.png");
    // An extension already typed is kept.
    SigTestAnswerFileDialog("pic.jpg", 0);
    ASSERT_TRUE(GetSaveFileNameA(&ofn));
    EXPECT_EQ(std::string(file), dir + "\\pic.jpg");
    EXPECT_TRUE(ofn.Flags & OFN_EXTENSIONDIFFERENT);
}

TEST_F(Dialogs, OverwriteQuestionDecides) {
    ofn.Flags |= OFN_OVERWRITEPROMPT;
    std::strcpy(file, "keep");
    // "No" sends the user back to the dialog; with nothing more to answer it is cancelled.
    SigTestAnswerFileDialog("there.png", 0);
    SigTestAnswerQuestion(FALSE);
    EXPECT_FALSE(GetSaveFileNameA(&ofn));
    EXPECT_STREQ(file, "keep");
    EXPECT_EQ(CommDlgExtendedError(), 0u);
    EXPECT_NE(Last().find("question=" + dir + "\\there.png"), std::string::npos);
    // "No", then another name.
    SigTestAnswerFileDialog("there.png", 0);
    SigTestAnswerQuestion(FALSE);
    SigTestAnswerFileDialog("new.png", 0);
    ASSERT_TRUE(GetSaveFileNameA(&ofn));
    EXPECT_EQ(std::string(file), dir + "\\new.png");
    // "Yes" replaces.
    SigTestAnswerFileDialog("there.png", 0);
    SigTestAnswerQuestion(TRUE);
    ASSERT_TRUE(GetSaveFileNameA(&ofn));
    EXPECT_EQ(std::string(file), dir + "\\there.png");
    // Without the flag nobody is asked.
    ofn.Flags &= ~OFN_OVERWRITEPROMPT;
    SigTestAnswerFileDialog("there.png", 0);
    ASSERT_TRUE(GetSaveFileNameA(&ofn));
    EXPECT_EQ(Last().find("question="), std::string::npos);
}

TEST_F(Dialogs, OpenFileMustExistAndCreateQuestion) {
    ofn.Flags |= OFN_FILEMUSTEXIST;
    std::strcpy(file, "before");
    SigTestAnswerFileDialog("missing.png", 0);
    EXPECT_FALSE(GetOpenFileNameA(&ofn));
    EXPECT_STREQ(file, "before");
    SigTestAnswerFileDialog("missing.png", 0);
    SigTestAnswerFileDialog("there.png", 0);
    ASSERT_TRUE(GetOpenFileNameA(&ofn));
    EXPECT_EQ(std::string(file), dir + "\\there.png");
    ofn.Flags = OFN_CREATEPROMPT;
    SigTestAnswerFileDialog("fresh.png", 0);
    SigTestAnswerQuestion(TRUE);
    ASSERT_TRUE(GetOpenFileNameA(&ofn));
    EXPECT_EQ(std::string(file), dir + "\\fresh.png");
    SigTestAnswerFileDialog(("\\no\\such\\folder\\x.png"), 0);
    ofn.Flags = OFN_PATHMUSTEXIST;
    EXPECT_FALSE(GetOpenFileNameA(&ofn));
}

TEST_F(Dialogs, CancelLeavesEverythingUnchanged) {
    std::strcpy(file, "untouched");
    std::strcpy(title, "title");
    OPENFILENAMEA before = ofn;
    SigTestAnswerCancel();
    EXPECT_FALSE(GetSaveFileNameA(&ofn));
    EXPECT_STREQ(file, "untouched");
    EXPECT_STREQ(title, "title");
    EXPECT_EQ(0, std::memcmp(&before, &ofn, sizeof ofn));
    EXPECT_EQ(CommDlgExtendedError(), 0u);
    // Headless with nothing queued: cancelled at once, no window, no wait.
    EXPECT_FALSE(GetOpenFileNameA(&ofn));
    EXPECT_EQ(0, std::memcmp(&before, &ofn, sizeof ofn));
}

TEST_F(Dialogs, FilterIndexIsShownAndReturned) {
    ofn.nFilterIndex = 2;
    SigTestAnswerFileDialog("a.png", 0);
    ASSERT_TRUE(GetSaveFileNameA(&ofn));
    EXPECT_NE(Last().find("filter_index=2\n"), std::string::npos);
    EXPECT_EQ(ofn.nFilterIndex, 2u);
    SigTestAnswerFileDialog("b.png", 1);
    ASSERT_TRUE(GetSaveFileNameA(&ofn));
    EXPECT_EQ(ofn.nFilterIndex, 1u);
    // Out of range: shown clamped; an answer's bad index keeps the shown one.
    ofn.nFilterIndex = 9;
    SigTestAnswerFileDialog("c.png", 7);
    ASSERT_TRUE(GetSaveFileNameA(&ofn));
    EXPECT_NE(Last().find("filter_index=2\n"), std::string::npos);
    EXPECT_EQ(ofn.nFilterIndex, 2u);
}

TEST_F(Dialogs, SmallBuffersAndBadStructures) {
    char tiny[8] = "abc";
    ofn.lpstrFile = tiny;
    ofn.nMaxFile = sizeof tiny;
    SigTestAnswerFileDialog("long-file-name.png", 0);
    EXPECT_FALSE(GetSaveFileNameA(&ofn));
    EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(FNERR_BUFFERTOOSMALL));
    WORD need;
    std::memcpy(&need, tiny, sizeof need);
    EXPECT_EQ(need, dir.size() + 1 + 18 + 1);
    EXPECT_FALSE(GetSaveFileNameA(nullptr));
    OPENFILENAMEA bad{};
    bad.lStructSize = 4;
    EXPECT_FALSE(GetOpenFileNameA(&bad));
    EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(CDERR_STRUCTSIZE));
    // A filter with a description but no pattern, and a null file buffer.
    OPENFILENAMEA odd{};
    odd.lStructSize = sizeof odd;
    odd.lpstrFilter = "only a name\0\0";
    SigTestAnswerFileDialog("x.png", 0);
    EXPECT_FALSE(GetSaveFileNameA(&odd));
}

TEST_F(Dialogs, ColourAnswersAndCancel) {
    CHOOSECOLORA cc{};
    COLORREF custom[16] = {};
    cc.lStructSize = sizeof cc;
    cc.rgbResult = RGB(1, 2, 3);
    cc.lpCustColors = custom;
    cc.Flags = CC_RGBINIT | CC_ANYCOLOR;
    SigTestAnswerColorDialog(RGB(10, 20, 30));
    ASSERT_TRUE(ChooseColorA(&cc));
    EXPECT_EQ(cc.rgbResult, RGB(10, 20, 30));
    EXPECT_NE(Last().find("colour=030201"), std::string::npos);
    SigTestAnswerCancel();
    EXPECT_FALSE(ChooseColorA(&cc));
    EXPECT_EQ(cc.rgbResult, RGB(10, 20, 30));
    // A file answer is not a colour: the colour dialog counts it as cancelled.
    SigTestAnswerFileDialog("x", 0);
    EXPECT_FALSE(ChooseColorA(&cc));
    cc.lStructSize = 3;
    EXPECT_FALSE(ChooseColorA(&cc));
}

}  // namespace
