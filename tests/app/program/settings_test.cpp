// The settings file routines on the loaded start window: edit-box contents
// with their line breaks, the combo box's value in its exact stored form,
// exclusions, and the small handlers that keep colours and the gallery in
// step.
#include <fstream>
#include <sstream>

#include "app/settings_store.h"
#include "app/style_gallery.h"
#include "tests/app/program/program_fixture.h"

namespace apptest {
namespace {

using sigtest::Gbk;

const app::UnitRef kWindowRef{app::kStartWindow, app::kStartWindowUnit, app::kWindowType};

class SettingsTest : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        LoadStartWindow();
        file_ = dir_.File("setsoft.ini");
    }
    // The settings file's bytes (GBK).
    std::string FileText() const {
        std::ifstream in(file_, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void WriteFileText(const std::string& gbk) const { std::ofstream(file_, std::ios::binary) << gbk; }
    app::Text Path() const { return app::Text::Copy(file_); }
    static void SetContent(uint32_t unit, const std::string& gbk) {
        app::WriteText(app::kStartWindow, unit, app::kEditContent, gbk.c_str());
    }
    static bool HasLine(const std::string& text, const std::string& line) {
        std::istringstream in(text);
        for (std::string l; std::getline(in, l);) {
            if (!l.empty() && l.back() == '\r') l.pop_back();
            if (l == line) return true;
        }
        return false;
    }

    sigtest::TempDir dir_;
    std::string file_;
};

TEST_F(SettingsTest, EditBoxContentsSurviveWithTheirLineBreaks) {
    SetContent(app::kContentEditBox, Gbk(u8"第一行\r\n第二行\r\n"));
    SetContent(app::kFontColourEditBox, "255");
    SetContent(app::kBackgroundColourEditBox, "");
    app::Text path = Path();
    app::SaveEditBoxes(kWindowRef, path, "");
    EXPECT_EQ(path.view(), file_);  // a given path is used as it is

    std::string saved = FileText();
    EXPECT_TRUE(HasLine(saved, Gbk(u8"[编辑框]"))) << sigtest::GbkToUtf8(saved);
    EXPECT_TRUE(HasLine(saved, Gbk(u8"编辑框_生成内容=第一行><br><第二行><br><"))) << sigtest::GbkToUtf8(saved);
    EXPECT_TRUE(HasLine(saved, Gbk(u8"编辑框_字体颜色=255")));
    // An empty content is written, as an empty value.
    EXPECT_TRUE(HasLine(saved, Gbk(u8"编辑框_背景颜色=")));

    SetContent(app::kContentEditBox, "x");
    SetContent(app::kFontColourEditBox, "1");
    SetContent(app::kBackgroundColourEditBox, "keep");
    app::LoadEditBoxes(kWindowRef, path);
    EXPECT_EQ(Str(app::kContentEditBox, app::kEditContent), Gbk(u8"第一行\r\n第二行\r\n"));
    EXPECT_EQ(Str(app::kFontColourEditBox, app::kEditContent), "255");
    // Being empty, the stored value is not restored.
    EXPECT_EQ(Str(app::kBackgroundColourEditBox, app::kEditContent), "keep");
}

TEST_F(SettingsTest, StoredLineBreakMarkersAndBareLineEndsComeBackAsLineBreaks) {
    // A content that itself holds the marker comes back with a line break.
    SetContent(app::kContentEditBox, "a><br><b");
    app::Text path = Path();
    app::SaveEditBoxes(kWindowRef, path, "");
    app::LoadEditBoxes(kWindowRef, path);
    EXPECT_EQ(Str(app::kContentEditBox, app::kEditContent), "a\r\nb");

    // A bare CR or LF must not end the line in the file (the rest of the
    // content would be lost or read as another key).
    SetContent(app::kContentEditBox, "one\ntwo\rthree\r\n[x]\nk=v");
    app::SaveEditBoxes(kWindowRef, path, "");
    std::string saved = FileText();
    EXPECT_TRUE(HasLine(saved, Gbk(u8"编辑框_生成内容=one><br><two><br><three><br><[x]><br><k=v")))
        << sigtest::GbkToUtf8(saved);
    EXPECT_FALSE(HasLine(saved, "[x]"));
    app::LoadEditBoxes(kWindowRef, path);
    EXPECT_EQ(Str(app::kContentEditBox, app::kEditContent), "one\r\ntwo\r\nthree\r\n[x]\r\nk=v");

    // "\r\n" alone is stored and restored.
    SetContent(app::kContentEditBox, "\r\n");
    app::SaveEditBoxes(kWindowRef, path, "");
    SetContent(app::kContentEditBox, "z");
    app::LoadEditBoxes(kWindowRef, path);
    EXPECT_EQ(Str(app::kContentEditBox, app::kEditContent), "\r\n");
}

TEST_F(SettingsTest, ExcludedUnitsAreNeitherWrittenNorTouched) {
    app::Text path = Path();
    std::string excluded = Gbk(u8"编辑框_生成内容|编辑框_字体颜色");
    app::SaveEditBoxes(kWindowRef, path, excluded.c_str());
    std::string saved = FileText();
    EXPECT_EQ(saved.find(Gbk(u8"编辑框_生成内容")), std::string::npos);
    EXPECT_EQ(saved.find(Gbk(u8"编辑框_字体颜色")), std::string::npos);
    EXPECT_NE(saved.find(Gbk(u8"编辑框_背景颜色=")), std::string::npos);
    // Names compare case-sensitively and whole: a prefix excludes nothing.
    std::string prefix = Gbk(u8"编辑框_生成");
    app::SaveEditBoxes(kWindowRef, path, prefix.c_str());
    EXPECT_NE(FileText().find(Gbk(u8"编辑框_生成内容=")), std::string::npos);
}

TEST_F(SettingsTest, ComboBoxValueHasItsExactFormAndLoadsBack) {
    app::WriteInt(app::kStartWindow, app::kSizeComboBox, app::kComboSelection, 2);
    app::Text path = Path();
    app::SaveComboBoxes(kWindowRef, path, "");
    EXPECT_TRUE(HasLine(FileText(), Gbk(u8"[组合框]")));
    EXPECT_TRUE(HasLine(FileText(), Gbk(u8"组合框1=小型字<|>32<||>中型字<|>64<||>大型字<|>128<||>2<|>大型字")))
        << sigtest::GbkToUtf8(FileText());

    // Other items, values and selection from the file replace the template's.
    WriteFileText(Gbk(u8"[组合框]\r\n组合框1=甲<|>7<||>乙<|>-9<||>1<|>乙\r\n"));
    app::LoadComboBoxes(kWindowRef, path);
    const app::UnitRef combo{app::kStartWindow, app::kSizeComboBox, app::kComboBoxType};
    EXPECT_EQ(app::CoreInt(core::kComboItemCount, {combo.Arg()}), 2);
    EXPECT_EQ(app::CoreText(core::kComboGetItemText, {combo.Arg(), app::IntArg(1)}).view(), Gbk(u8"乙"));
    EXPECT_EQ(app::CoreInt(core::kComboGetItemValue, {combo.Arg(), app::IntArg(0)}), 7);
    EXPECT_EQ(app::CoreInt(core::kComboGetItemValue, {combo.Arg(), app::IntArg(1)}), -9);
    EXPECT_EQ(Int(app::kSizeComboBox, app::kComboSelection), 1);
    EXPECT_EQ(Str(app::kSizeComboBox, app::kComboContent), Gbk(u8"乙"));

    // A missing key leaves the combo box as it is.
    WriteFileText("[other]\r\nk=v\r\n");
    app::LoadComboBoxes(kWindowRef, path);
    EXPECT_EQ(app::CoreInt(core::kComboItemCount, {combo.Arg()}), 2);
}

TEST_F(SettingsTest, ComboValuesParseByTheirSeparators) {
    app::ComboState s = app::ParseComboValue("a<|>1<||>b<|>2.9<||>c<|>-3.7<||>2<|>c");
    ASSERT_EQ(s.items.size(), 3u);
    EXPECT_EQ(s.items[0], (std::pair<std::string, int32_t>{"a", 1}));
    EXPECT_EQ(s.items[1].second, 2);   // truncated toward zero
    EXPECT_EQ(s.items[2].second, -3);
    EXPECT_EQ(s.selection, 2);
    EXPECT_EQ(s.content, "c");
    // No "<||>": no item, the whole value is the selection part.
    s = app::ParseComboValue("1<|>x");
    EXPECT_TRUE(s.items.empty());
    EXPECT_EQ(s.selection, 1);
    EXPECT_EQ(s.content, "x");
    // An item without "<|>" has an empty text.
    s = app::ParseComboValue("5<||>0<|>");
    ASSERT_EQ(s.items.size(), 1u);
    EXPECT_EQ(s.items[0].first, "");
    EXPECT_EQ(s.items[0].second, 5);
    EXPECT_EQ(s.content, "");
    // Numbers an integer cannot hold are refused, not undefined.
    s = app::ParseComboValue("a<|>1e30<||>nan<|>");
    EXPECT_EQ(s.items[0].second, 0);
    // Composed and parsed again, a state is kept.
    app::ComboState t{{{Gbk(u8"小型字"), 32}, {"", -1}}, -1, Gbk(u8"小型字")};
    app::Text v = app::ComposeComboValue(t);
    EXPECT_EQ(v.view(), Gbk(u8"小型字<|>32<||><|>-1<||>-1<|>小型字"));
    app::ComboState back = app::ParseComboValue(v.get());
    EXPECT_EQ(back.items, t.items);
    EXPECT_EQ(back.selection, -1);
    EXPECT_EQ(back.content, t.content);
}

TEST_F(SettingsTest, ColourPickersWriteTheirColourAsSignedDecimal) {
    app::WriteInt(app::kStartWindow, app::kFontColourPicker, app::kPickerColour, 0x000000FF);
    Raise(app::kStartWindow, app::kFontColourPicker, 0);
    EXPECT_EQ(Str(app::kFontColourEditBox, app::kEditContent), "255");
    // The transparent code is negative as a signed integer.
    app::WriteInt(app::kStartWindow, app::kBackgroundColourPicker, app::kPickerColour, static_cast<int32_t>(0xFF000000));
    Raise(app::kStartWindow, app::kBackgroundColourPicker, 0);
    EXPECT_EQ(Str(app::kBackgroundColourEditBox, app::kEditContent), "-16777216");
    EXPECT_EQ(Str(app::kFontColourEditBox, app::kEditContent), "255");  // the other box is left alone
}

TEST_F(SettingsTest, PickersTakeTheStoredColoursAndBlackOnWhiteWhenNoneIsStored) {
    SetContent(app::kFontColourEditBox, "");
    SetContent(app::kBackgroundColourEditBox, "");
    app::RestorePickerColours();
    EXPECT_EQ(Int(app::kFontColourPicker, app::kPickerColour), 0x000000);
    EXPECT_EQ(Int(app::kBackgroundColourPicker, app::kPickerColour), 0xFFFFFF);
    // A stored black stays black; the transparent code comes back as stored.
    SetContent(app::kFontColourEditBox, "255");
    SetContent(app::kBackgroundColourEditBox, "0");
    app::RestorePickerColours();
    EXPECT_EQ(Int(app::kFontColourPicker, app::kPickerColour), 0x0000FF);
    EXPECT_EQ(Int(app::kBackgroundColourPicker, app::kPickerColour), 0);
    SetContent(app::kBackgroundColourEditBox, "-16777216");
    app::RestorePickerColours();
    EXPECT_EQ(static_cast<uint32_t>(Int(app::kBackgroundColourPicker, app::kPickerColour)), 0xFF000000u);
}

TEST_F(SettingsTest, TheGalleryFollowsTheScrollBar) {
    EXPECT_EQ(app::GalleryTop(0), 88);
    EXPECT_EQ(app::GalleryTop(3200), -3112);
    EXPECT_EQ(app::GalleryTop(INT32_MIN), INT32_MAX);  // no overflow
    for (int32_t position : {1, 100, 3200}) {
        app::WriteInt(app::kStartWindow, app::kGalleryScrollBar, app::kScrollPosition, position);
        Raise(app::kStartWindow, app::kGalleryScrollBar, 0);
        EXPECT_EQ(Int(app::kGalleryGroupBox, app::kTop), 88 - position) << position;
    }
}

}  // namespace
}  // namespace apptest
