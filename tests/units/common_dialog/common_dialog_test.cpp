// The common dialog made through its descriptor's operations and opened
// through the runtime's private message, with the dialogs answered by the
// platform's test answers: file dialogs with filters and the chosen path,
// cancel, the font dialog, the help commands, stored data and clamps.
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "tests/units/support/unit_fixture.h"
#include "units/common_dialog.h"
#include "units/label_texts.h"
#include "win/commdlg.h"

namespace {

using runtime::templates::CommonDialogData;

const runtime::UnitType& Type() {
    static const runtime::UnitType type = units::CommonDialogUnitType();
    return type;
}

std::string LastDialog() {
    char buf[4096] = "";
    SigTestLastDialog(buf, sizeof buf);
    return buf;
}

class CommonDialogTest : public unit_test::UnitTest {
protected:
    void SetUp() override {
        UnitTest::SetUp();
        // Every handler runs and answers 1; the units go on one host at the screen's origin.
        HandlersAnswer(true, 1);
        host_ = MakeParent(0, 0, 320, 240);
        ASSERT_NE(host_, 0u);
        SigTestClearDialogAnswers();
        folder_ = std::filesystem::temp_directory_path() / ("sig_cd_" + std::to_string(getpid()));
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override {
        SigTestClearDialogAnswers();
        std::filesystem::remove_all(folder_);
        UnitTest::TearDown();
    }
    HWND Make(const CommonDialogData& d) {
        HWND h = Create(Type(), runtime::templates::WriteStoredUnitData(d), host_, 0, 0, 32, 32, unit_test::kUnitId, 0);
        EXPECT_NE(h, 0u);
        return h;
    }
    static int Open(HWND h) { return static_cast<int>(SendMessageA(h, runtime::kMsgOpenCommonDialog, 0, 0)); }
    // The tool's own dialog: save, ".png", default extension "*.png".
    static CommonDialogData ToolDialog() {
        CommonDialogData d;
        d.type = units::kDialogSaveFile;
        d.file_name = ".png";
        d.default_extension = "*.png";
        return d;
    }
    std::filesystem::path folder_;
    HWND host_ = 0;
};

TEST_F(CommonDialogTest, StoredDataDefaultsAndRefusals) {
    HWND h = Create(Type(), {}, host_, 0, 0, 32, 32, unit_test::kUnitId, 0);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(Get(Type(), h, units::kCdType), 0u);
    EXPECT_EQ(Get(Type(), h, units::kCdMustExist), 1u);
    EXPECT_EQ(Get(Type(), h, units::kCdOverwritePrompt), 1u);
    EXPECT_EQ(Get(Type(), h, units::kCdPathMustExist), 1u);
    EXPECT_EQ(Get(Type(), h, units::kCdCreatePrompt), 0u);
    EXPECT_EQ(Get(Type(), h, units::kCdKeepDirectory), 0u);
    EXPECT_EQ(Get(Type(), h, units::kCdFontSize), 0u);
    EXPECT_EQ(GetText(Type(), h, units::kCdFileName), "");
    EXPECT_EQ(GetWindowLongA(h, GWL_STYLE) & WS_BORDER, 0);  // no frame outside design mode
    HWND design = Create(Type(), {}, host_, 0, 0, 32, 32, unit_test::kUnitId, 0, true);
    EXPECT_NE(GetWindowLongA(design, GWL_STYLE) & WS_BORDER, 0);

    const std::vector<uint8_t> tool = runtime::templates::WriteStoredUnitData(ToolDialog());
    HWND t = Create(Type(), tool, host_, 0, 0, 32, 32, unit_test::kUnitId, 0);
    EXPECT_EQ(Get(Type(), t, units::kCdType), 1u);
    EXPECT_EQ(GetText(Type(), t, units::kCdFileName), ".png");
    EXPECT_EQ(GetText(Type(), t, units::kCdDefaultExtension), "*.png");
    EXPECT_EQ(Saved(Type(), t), tool);
    std::vector<uint8_t> v2 = tool;
    v2[0] = 2;
    EXPECT_EQ(Create(Type(), v2, host_, 0, 0, 32, 32, unit_test::kUnitId, 0), 0u);
    for (size_t cut = 1; cut < tool.size(); ++cut)
        EXPECT_EQ(Create(Type(), std::vector<uint8_t>(tool.begin(), tool.begin() + cut), host_, 0, 0, 32, 32,
                         unit_test::kUnitId, 0),
                  0u);
}

TEST_F(CommonDialogTest, WritesOnlyStoreWithTheirClamps) {
    HWND h = Make({});
    EXPECT_EQ(Set(Type(), h, units::kCdType, 9), 0);
    EXPECT_EQ(Get(Type(), h, units::kCdType), 3u);
    Set(Type(), h, units::kCdType, static_cast<uint32_t>(-1));
    EXPECT_EQ(Get(Type(), h, units::kCdType), 0u);
    Set(Type(), h, units::kCdHelpCommand, 6);
    EXPECT_EQ(Get(Type(), h, units::kCdHelpCommand), 5u);
    Set(Type(), h, units::kCdInitialFilter, static_cast<uint32_t>(-3));
    EXPECT_EQ(Get(Type(), h, units::kCdInitialFilter), 0u);
    Set(Type(), h, units::kCdFontSize, static_cast<uint32_t>(-12));
    EXPECT_EQ(Get(Type(), h, units::kCdFontSize), 0u);
    Set(Type(), h, units::kCdHelpContext, static_cast<uint32_t>(-12));
    EXPECT_EQ(static_cast<int32_t>(Get(Type(), h, units::kCdHelpContext)), -12);
    EXPECT_EQ(SetText(Type(), h, units::kCdTitle, nullptr), 0);
    EXPECT_EQ(GetText(Type(), h, units::kCdTitle), "");
    SetText(Type(), h, units::kCdFontName, "\xcb\xce\xcc\xe5");
    EXPECT_EQ(GetText(Type(), h, units::kCdFontName), "\xcb\xce\xcc\xe5");
    Set(Type(), h, units::kCdBold, 5);
    EXPECT_EQ(Get(Type(), h, units::kCdBold), 1u);
    EXPECT_EQ(Set(Type(), h, units::kCommonDialogPropertyCount, 1), 0);
}

TEST(CommonDialogFilter, ClosingBarsAreAddedAndBarsBecomeSeparators) {
    EXPECT_EQ(units::SystemFilter(""), "");
    EXPECT_EQ(units::SystemFilter("PNG|*.png"), std::string("PNG\0*.png\0\0", 11));
    EXPECT_EQ(units::SystemFilter("PNG|*.png||"), std::string("PNG\0*.png\0\0", 11));
    EXPECT_EQ(units::SystemFilter("A|*.a;*.b|"), std::string("A\0*.a;*.b\0\0\0", 12));
}

TEST_F(CommonDialogTest, SaveDialogAnswerIsReadBackThroughTheFileName) {
    HWND h = Make(ToolDialog());
    const std::string target = (folder_ / "signature.png").string();
    SigTestAnswerFileDialog(target.c_str(), 0);
    EXPECT_EQ(Open(h), 1);
    const std::string chosen = GetText(Type(), h, units::kCdFileName);
    EXPECT_NE(chosen, ".png");
    EXPECT_EQ(chosen.substr(chosen.size() - std::string("signature.png").size()), "signature.png");
    EXPECT_TRUE(LastDialog().find("kind=save") != std::string::npos) << LastDialog();
    // Nothing was written: the dialog only chooses.
    EXPECT_FALSE(std::filesystem::exists(target));
}

TEST_F(CommonDialogTest, CancelLeavesEveryPropertyUnchanged) {
    CommonDialogData d = ToolDialog();
    d.title = "t";
    d.filter = "PNG|*.png";
    d.font_name = "f";
    HWND h = Make(d);
    const std::vector<uint8_t> before = Saved(Type(), h);
    SigTestAnswerCancel();
    EXPECT_EQ(Open(h), 0);
    EXPECT_EQ(Saved(Type(), h), before);
    // With no answer queued the headless dialog cancels as well.
    EXPECT_EQ(Open(h), 0);
    EXPECT_EQ(Saved(Type(), h), before);
    // An open dialog whose file must exist refuses a missing file.
    Set(Type(), h, units::kCdType, units::kDialogOpenFile);
    const std::vector<uint8_t> open = Saved(Type(), h);
    SigTestAnswerFileDialog((folder_ / "missing.png").string().c_str(), 0);
    EXPECT_EQ(Open(h), 0);
    EXPECT_EQ(Saved(Type(), h), open);
}

TEST_F(CommonDialogTest, FilterGetsItsClosingBarsAndTheInitialFilterPicksThePair) {
    CommonDialogData d = ToolDialog();
    d.filter = "PNG (*.png)|*.png|All (*.*)|*.*";
    d.initial_filter = 1;
    HWND h = Make(d);
    SigTestAnswerCancel();
    Open(h);
    const std::string shown = LastDialog();
    EXPECT_NE(shown.find("filter=PNG (*.png)=*.png\n"), std::string::npos) << shown;
    EXPECT_NE(shown.find("filter=All (*.*)=*.*\n"), std::string::npos) << shown;
    EXPECT_NE(shown.find("filter_index=2\n"), std::string::npos) << shown;
    EXPECT_EQ(GetText(Type(), h, units::kCdFilter), "PNG (*.png)|*.png|All (*.*)|*.*");  // the property stays
}

TEST_F(CommonDialogTest, OpenDialogTakesAnExistingFile) {
    CommonDialogData d;
    d.filter = "Text|*.txt";
    d.initial_directory = folder_.string();
    d.title = "\xb4\xf2\xbf\xaa\xce\xc4\xbc\xfe";  // 打开文件
    HWND h = Make(d);
    std::ofstream(folder_ / "a.txt") << "x";
    SigTestAnswerFileDialog("a.txt", 0);
    EXPECT_EQ(Open(h), 1);
    const std::string chosen = GetText(Type(), h, units::kCdFileName);
    EXPECT_NE(chosen.find("a.txt"), std::string::npos) << chosen;
    const std::string shown = LastDialog();
    EXPECT_NE(shown.find("kind=open"), std::string::npos);
    EXPECT_NE(shown.find("title=\xb4\xf2\xbf\xaa\xce\xc4\xbc\xfe\n"), std::string::npos);
}

TEST_F(CommonDialogTest, FontDialogStartsFromThePropertiesAndStoresTheAnswer) {
    CommonDialogData d;
    d.type = units::kDialogFont;
    HWND h = Make(d);
    // Size 0: the dialog's own default height.
    SigTestAnswerCancel();
    EXPECT_EQ(Open(h), 0);
    EXPECT_NE(LastDialog().find("size=9\n"), std::string::npos) << LastDialog();

    Set(Type(), h, units::kCdFontSize, 20);
    SetText(Type(), h, units::kCdFontName, "Serif");
    SigTestAnswerFontDialog("Sans", 14, TRUE, TRUE, FALSE, TRUE, 0x00123456);
    EXPECT_EQ(Open(h), 1);
    EXPECT_NE(LastDialog().find("face=Serif\nsize=20\n"), std::string::npos) << LastDialog();
    EXPECT_EQ(GetText(Type(), h, units::kCdFontName), "Sans");
    EXPECT_EQ(Get(Type(), h, units::kCdFontSize), 14u);
    EXPECT_EQ(Get(Type(), h, units::kCdBold), 1u);
    EXPECT_EQ(Get(Type(), h, units::kCdItalic), 1u);
    EXPECT_EQ(Get(Type(), h, units::kCdUnderline), 0u);
    EXPECT_EQ(Get(Type(), h, units::kCdStrikeOut), 1u);
    EXPECT_EQ(Get(Type(), h, units::kCdFontColour), 0x00123456u);
}

std::vector<std::pair<std::string, uint32_t>> gSeen;
const char* Mark(const char* text, uint32_t flag, uintptr_t) {
    static std::string out;
    gSeen.emplace_back(text, flag);
    out = std::string("<") + text + ">";
    return out.c_str();
}

TEST_F(CommonDialogTest, TextConversionPassesEveryTextAndTheFontNameAsAFace) {
    CommonDialogData d = ToolDialog();
    d.font_name = "Serif";
    d.font_size = 11;
    std::vector<uint8_t> bytes = runtime::templates::WriteStoredUnitData(d);
    using Convert = uint8_t* (*)(const uint8_t*, uint32_t*, units::TextConvertCallback, uintptr_t);
    auto convert = reinterpret_cast<Convert>(Type().lookup(runtime::kOpConvertUnitTexts));
    ASSERT_NE(convert, nullptr);
    gSeen.clear();
    uint32_t length = static_cast<uint32_t>(bytes.size());
    uint8_t* block = convert(bytes.data(), &length, &Mark, 0);
    ASSERT_NE(block, nullptr);
    CommonDialogData back;
    ASSERT_TRUE(runtime::templates::ReadStoredUnitData({block, length}, back));
    runtime::NotifyRuntime(runtime::kNotifyFreeMemory, reinterpret_cast<uintptr_t>(block), 0);
    ASSERT_EQ(gSeen.size(), 7u);
    EXPECT_EQ(gSeen[1], std::make_pair(std::string(".png"), 0u));
    EXPECT_EQ(gSeen[5], std::make_pair(std::string("Serif"), 1u));
    EXPECT_EQ(back.file_name, "<.png>");
    EXPECT_EQ(back.font_name, "<Serif>");
    EXPECT_EQ(back.font_size, 11);
    EXPECT_EQ(back.type, units::kDialogSaveFile);
}

TEST_F(CommonDialogTest, HelpNeedsNoFileOnlyForHelpOnHelpAndClosing) {
    CommonDialogData d;
    d.type = units::kDialogHelp;
    HWND h = Make(d);
    for (int command = 0; command <= 3; ++command) {
        Set(Type(), h, units::kCdHelpCommand, static_cast<uint32_t>(command));
        EXPECT_EQ(Open(h), 0) << command;
    }
    Set(Type(), h, units::kCdHelpCommand, 4);
    EXPECT_EQ(Open(h), 1);
    Set(Type(), h, units::kCdHelpCommand, 5);
    EXPECT_EQ(Open(h), 1);
    const std::vector<uint8_t> before = Saved(Type(), h);
    Open(h);
    EXPECT_EQ(Saved(Type(), h), before);
}

}  // namespace
