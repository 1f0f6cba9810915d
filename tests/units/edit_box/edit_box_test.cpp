// The edit box created through its descriptor's operations, headless, as
// the loader does: stored data of each version, properties with their clamps
// and rebuild answers, input modes on a live field, up-down arrows, the one
// line height rule and what is drawn.
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/application.h"
#include "tests/units/support/unit_fixture.h"
#include "units/edit_box.h"
#include "units/label_texts.h"
#include "win/commctrl.h"
#include "win/testhooks.h"

namespace {

using runtime::templates::EditBoxData;
using runtime::templates::WriteStoredUnitData;

constexpr COLORREF kHostColour = RGB(0, 128, 0);

// The parent stands in for a container: colour questions go back to the
// field that asked, as the units' containers pass them on.
bool AskTheField(HWND, UINT m, WPARAM w, LPARAM l, LRESULT* result) {
    if ((m != WM_CTLCOLOREDIT && m != WM_CTLCOLORSTATIC) || !l) return false;
    *result = SendMessageA(static_cast<HWND>(l), m, w, l);
    return true;
}

const runtime::UnitType& Type() {
    static const runtime::UnitType type = units::EditBoxUnitType();
    return type;
}

class EditBoxTest : public unit_test::UnitTest {
protected:
    void SetUp() override {
        UnitTest::SetUp();
        runtime::Application::Instance().Heap().Start();
        host_ = MakeParent(20, 20, 400, 300, {kHostColour, &AskTheField});
        ASSERT_TRUE(IsWindow(host_));
        SetForegroundWindow(host_);
    }
    void TearDown() override {
        DestroyWindow(host_);
        SigTestWaitIdle(200);
        UnitTest::TearDown();
    }
    static std::vector<uint8_t> Bytes(const EditBoxData& d) { return WriteStoredUnitData(d); }
    HWND CreateRaw(const std::vector<uint8_t>& bytes, int x = 10, int y = 10, int w = 150, int h = 24,
                   uint32_t styles = WS_VISIBLE | WS_TABSTOP, bool design = false) {
        return UnitTest::Create(Type(), bytes, host_, x, y, w, h, unit_test::kUnitId, styles, design);
    }
    HWND Create(const EditBoxData& d, int x = 10, int y = 10, int w = 150, int h = 24,
                uint32_t styles = WS_VISIBLE | WS_TABSTOP) {
        HWND e = CreateRaw(Bytes(d), x, y, w, h, styles);
        EXPECT_TRUE(IsWindow(e));
        return e;
    }
    static EditBoxData Saved(HWND h) { return SavedAs<EditBoxData>(Type(), h); }
    static units::EditBoxUnit* Unit(HWND h) { return dynamic_cast<units::EditBoxUnit*>(units::Unit::FromWindow(h)); }
    static RECT WindowRectIn(HWND h, HWND parent) {
        RECT r;
        GetWindowRect(h, &r);
        MapWindowPoints(0, parent, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    // A second field to take the focus away.
    HWND Other() {
        if (!other_) other_ = Create(EditBoxData{}, 10, 200, 100, 24);
        return other_;
    }
    void Leave(HWND edit) {
        SetFocus(edit);
        SetFocus(Other());
        SigTestWaitIdle(200);
    }
    HWND host_ = 0;
    HWND other_ = 0;
};

// --- Descriptor and stored data ----------------------------------------------

TEST_F(EditBoxTest, DescriptorCarriesTwentyNinePropertiesAndTheEditOperations) {
    const auto& type = Type();
    EXPECT_STREQ(type.name, "编辑框");
    EXPECT_STREQ(type.englishName, "EditBox");
    EXPECT_EQ(type.flags, 0x80000040u);
    ASSERT_EQ(type.propertyCount, 29u);
    EXPECT_EQ(type.properties[7].flags, 0xE000);
    EXPECT_EQ(type.properties[8].kind, 1005);
    EXPECT_EQ(type.properties[11].kind, 1017);
    EXPECT_EQ(type.properties[12].kind, 1013);
    EXPECT_EQ(type.properties[18].kind, 1006);
    EXPECT_EQ(type.properties[19].flags, 0x8001);
    EXPECT_EQ(type.properties[23].flags, 0x8001);
    EXPECT_EQ(type.properties[26].flags, 0x8008);
    EXPECT_EQ(type.properties[27].kind, 1018);
    EXPECT_EQ(type.properties[28].kind, 1020);
    for (int op : {runtime::kOpCreateUnit, runtime::kOpSetUnitProperty, runtime::kOpSaveUnitProperties,
                   runtime::kOpGetUnitProperty, runtime::kOpWantsKey, runtime::kOpConvertUnitTexts})
        EXPECT_NE(type.lookup(op), nullptr) << op;
    EXPECT_EQ(type.lookup(runtime::kOpExtractStoredIcon), nullptr);
    EXPECT_EQ(type.lookup(runtime::kOpIsDefaultButton), nullptr);
}

TEST_F(EditBoxTest, EmptyStoredDataGivesEveryDefault) {
    HWND e = CreateRaw({});
    ASSERT_TRUE(IsWindow(e));
    EXPECT_EQ(GetText(Type(), e, units::kEbContent), "");
    EXPECT_EQ(Get(Type(), e, units::kEbBorder), 1u);
    EXPECT_EQ(Get(Type(), e, units::kEbTextColour), 0u);
    EXPECT_EQ(Get(Type(), e, units::kEbBackColour), 0xFFFFFFu);
    EXPECT_EQ(Get(Type(), e, units::kEbHideSelection), 1u);
    EXPECT_EQ(Get(Type(), e, units::kEbMultiLine), 0u);
    EXPECT_EQ(Get(Type(), e, units::kEbInputMode), 0u);
    EXPECT_EQ(GetText(Type(), e, units::kEbPasswordChar), "*");
    EXPECT_EQ(Get(Type(), e, units::kEbUpDownLower), 0u);
    EXPECT_EQ(Get(Type(), e, units::kEbUpDownUpper), 100u);
    EXPECT_EQ(Get(Type(), e, units::kEbFont) & 0, 0u);
    EXPECT_NE(static_cast<DWORD>(GetWindowLongA(e, GWL_EXSTYLE)) & WS_EX_CLIENTEDGE, 0u);  // border 1
    EXPECT_EQ(Unit(e)->UpDown(), 0u);
}

TEST_F(EditBoxTest, VersionOneLacksTheDataNamesAndNewerOrCutStreamsAreRefused) {
    EditBoxData d;
    d.content = "v1";
    d.border = 3;
    std::vector<uint8_t> v2 = Bytes(d);
    // Version 1: the same fields without the two trailing names.
    std::vector<uint8_t> v1(v2.begin(), v2.end() - 8);
    v1[0] = 1;
    HWND e = CreateRaw(v1);
    ASSERT_TRUE(IsWindow(e));
    EXPECT_EQ(GetText(Type(), e, units::kEbContent), "v1");
    EXPECT_EQ(Get(Type(), e, units::kEbBorder), 3u);
    EXPECT_EQ(GetText(Type(), e, units::kEbDataSource), "");
    // Version 2 carries them.
    d.data_source = "src";
    d.data_column = "col";
    HWND e2 = Create(d);
    EXPECT_EQ(GetText(Type(), e2, units::kEbDataSource), "src");
    EXPECT_EQ(GetText(Type(), e2, units::kEbDataColumn), "col");
    // Version 3 is unknown.
    std::vector<uint8_t> v3 = Bytes(d);
    v3[0] = 3;
    EXPECT_EQ(CreateRaw(v3), 0u);
    // Every stream cut short fails creation, never a half-read field.
    std::vector<uint8_t> full = Bytes(d);
    for (size_t n = 1; n < full.size(); ++n)
        EXPECT_EQ(CreateRaw(std::vector<uint8_t>(full.begin(), full.begin() + static_cast<long>(n))), 0u) << n;
}

TEST_F(EditBoxTest, HostileStoredDataNeverCrashesCreation) {
    EditBoxData d;
    std::vector<uint8_t> bytes = Bytes(d);
    // Font length field (after the 17 fixed words and the 16-bit character)
    // claiming 4 GB.
    const size_t fontLength = 4 + 16 * 4 + 2;
    std::vector<uint8_t> huge = bytes;
    std::memset(huge.data() + fontLength, 0xFF, 4);
    EXPECT_EQ(CreateRaw(huge), 0u);
    // Out-of-range picks and a negative length are brought into range.
    d.border = 77;
    d.input_mode = -4;
    d.scroll_bars = 1000;
    d.updown = 9;
    d.max_length = -20;
    HWND e = Create(d);
    EXPECT_EQ(Get(Type(), e, units::kEbBorder), 5u);
    EXPECT_EQ(Get(Type(), e, units::kEbInputMode), 0u);
    EXPECT_EQ(Get(Type(), e, units::kEbScrollBars), 3u);
    EXPECT_EQ(Get(Type(), e, units::kEbUpDown), 2u);
    EXPECT_EQ(Get(Type(), e, units::kEbMaxLength), 0u);
    // Arbitrary bytes with no parent at all.
    auto create = reinterpret_cast<runtime::CreateUnitOp>(Type().lookup(runtime::kOpCreateUnit));
    uint32_t seed = 12345;
    for (int round = 0; round < 200; ++round) {
        std::vector<uint8_t> junk(static_cast<size_t>(round % 120));
        for (auto& b : junk) b = static_cast<uint8_t>((seed = seed * 1103515245 + 12345) >> 16);
        if (!junk.empty()) junk[0] = static_cast<uint8_t>(round % 3);
        HWND h = create(junk.data(), static_cast<uint32_t>(junk.size()), 0, 0, 0, 0, 0, 0, 50, 20, 1, 1, 0, 0);
        if (h) DestroyWindow(h);
    }
}

TEST_F(EditBoxTest, ARefusedWindowFailsCreation) {
    EditBoxData d;
    d.updown = 1;
    std::vector<uint8_t> bytes = Bytes(d);
    auto create = reinterpret_cast<runtime::CreateUnitOp>(Type().lookup(runtime::kOpCreateUnit));
    // A child window needs a parent; without one there is no field and no arrows.
    EXPECT_EQ(create(bytes.data(), static_cast<uint32_t>(bytes.size()), 0, 0, 100, 0, 10, 10, 120, 40, 1, 1, 0, 0), 0u);
    EXPECT_EQ(create(bytes.data(), static_cast<uint32_t>(bytes.size()), 0, 0xDEAD, 100, 0, 10, 10, 120, 40, 1, 1, 0, 0),
              0u);
}

TEST_F(EditBoxTest, SavedDataReadsBackIntoTheSameSettingsAndLiveText) {
    EditBoxData d;
    d.multi_line = true;
    d.scroll_bars = 2;
    d.alignment = 1;
    d.input_mode = 3;
    d.updown_lower = -5;
    d.updown_upper = 5;
    d.data_source = "ds";
    HWND e = Create(d, 10, 10, 200, 80);
    // GBK text with CR LF line breaks, kept byte for byte.
    const std::string text = "第一行\r\n二行 \xB1\xED\r\n\r\nend\r\n\xB9";
    SetText(Type(), e, units::kEbContent, text.c_str());
    EXPECT_EQ(GetText(Type(), e, units::kEbContent), text);
    SetText(Type(), e, units::kEbPasswordChar, "#");
    Set(Type(), e, units::kEbSelectionStart, 2);
    Set(Type(), e, units::kEbSelectionLength, 4);
    EditBoxData back = Saved(e);
    EXPECT_EQ(back.content, text);
    EXPECT_TRUE(back.multi_line);
    EXPECT_EQ(back.scroll_bars, 2);
    EXPECT_EQ(back.alignment, 1);
    EXPECT_EQ(back.input_mode, 3);
    EXPECT_EQ(back.password_char, '#');
    EXPECT_EQ(back.updown_lower, -5);
    EXPECT_EQ(back.selection_start, 2);
    EXPECT_EQ(back.selection_length, 4);
    EXPECT_EQ(back.data_source, "ds");
    // A field made from the saved data holds the same text again.
    HWND again = Create(back, 10, 100, 200, 80);
    EXPECT_EQ(GetText(Type(), again, units::kEbContent), text);
    EXPECT_EQ(GetText(Type(), again, units::kEbSelectedText), text.substr(2, 4));
    // Positions inside a double-byte character fall back to its start.
    Set(Type(), again, units::kEbSelectionStart, 3);
    EXPECT_EQ(Get(Type(), again, units::kEbSelectionStart), 2u);
}

// --- Properties -------------------------------------------------------------------

TEST_F(EditBoxTest, PicksAreClampedAndOnlyWindowSettingsAskForARebuild) {
    HWND e = Create(EditBoxData{});
    EXPECT_EQ(Set(Type(), e, units::kEbBorder, static_cast<uint32_t>(-5)), 0);
    EXPECT_EQ(Get(Type(), e, units::kEbBorder), 0u);
    EXPECT_EQ(Set(Type(), e, units::kEbBorder, 99), 0);
    EXPECT_EQ(Get(Type(), e, units::kEbBorder), 5u);
    EXPECT_NE(Style(e) & WS_BORDER, 0u);
    EXPECT_EQ(Set(Type(), e, units::kEbInputMode, 99), 0);
    EXPECT_EQ(Get(Type(), e, units::kEbInputMode), 11u);
    EXPECT_EQ(Set(Type(), e, units::kEbMaxLength, static_cast<uint32_t>(-3)), 0);
    EXPECT_EQ(Get(Type(), e, units::kEbMaxLength), 0u);
    // Settings the window is built with: 1 only when they actually change.
    EXPECT_EQ(Set(Type(), e, units::kEbAlignment, 99), 1);
    EXPECT_EQ(Get(Type(), e, units::kEbAlignment), 2u);
    EXPECT_EQ(Set(Type(), e, units::kEbAlignment, 2), 0);
    EXPECT_EQ(Set(Type(), e, units::kEbMultiLine, 5), 1);
    EXPECT_EQ(Get(Type(), e, units::kEbMultiLine), 1u);
    EXPECT_EQ(Set(Type(), e, units::kEbMultiLine, 1), 0);
    EXPECT_EQ(Set(Type(), e, units::kEbScrollBars, static_cast<uint32_t>(-1)), 0);  // -1 is 0: unchanged
    EXPECT_EQ(Set(Type(), e, units::kEbScrollBars, 3), 1);
    EXPECT_EQ(Set(Type(), e, units::kEbCaseConversion, 2), 1);
    EXPECT_EQ(Set(Type(), e, units::kEbUpDown, 1), 1);
    EXPECT_EQ(Set(Type(), e, units::kEbHideSelection, 0), 1);
    EXPECT_EQ(Set(Type(), e, units::kEbHideSelection, 0), 0);
    // Everything else changes in place.
    EXPECT_EQ(Set(Type(), e, units::kEbTextColour, 0xFF), 0);
    EXPECT_EQ(Set(Type(), e, units::kEbBackColour, 0xFF000000u), 0);
    EXPECT_EQ(Get(Type(), e, units::kEbBackColour), 0xFF000000u);
    EXPECT_EQ(Set(Type(), e, units::kEbUpDownUpper, 7), 0);
    // The saved data carries the new settings for the rebuilt window.
    EditBoxData back = Saved(e);
    EXPECT_EQ(back.alignment, 2);
    EXPECT_TRUE(back.multi_line);
    EXPECT_EQ(back.scroll_bars, 3);
    EXPECT_FALSE(back.hide_selection);
    // Unknown indexes: nothing read, nothing changed.
    auto get = reinterpret_cast<runtime::GetUnitPropertyOp>(Type().lookup(runtime::kOpGetUnitProperty));
    runtime::PropertyValue v{};
    EXPECT_EQ(get(e, units::kEditBoxPropertyCount, &v), 0);
    EXPECT_EQ(get(e, -1, &v), 0);
    EXPECT_EQ(Set(Type(), e, units::kEditBoxPropertyCount, 1), 0);
    EXPECT_EQ(get(0, 0, &v), 0);
}

TEST_F(EditBoxTest, HideSelectionInDesignModeIsStoredWithoutARebuild) {
    HWND e = CreateRaw(Bytes(EditBoxData{}), 10, 10, 150, 24, WS_VISIBLE, 1);
    ASSERT_TRUE(IsWindow(e));
    EXPECT_EQ(Set(Type(), e, units::kEbHideSelection, 0), 0);
    EXPECT_EQ(Get(Type(), e, units::kEbHideSelection), 0u);
}

TEST_F(EditBoxTest, WritesOfAnyValueToEveryPropertyNeverCrash) {
    EditBoxData d;
    d.updown = 1;
    HWND e = Create(d);
    const std::string texts[] = {"", "x", std::string(5000, 'a'), "\xB9\xFA\r\n\xB9"};
    const uint32_t words[] = {0, 1, 2, 5, 11, 12, 100, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu, 0xFF000000u};
    for (int32_t i = 0; i < units::kEditBoxPropertyCount; ++i) {
        const uint16_t kind = Type().properties[i + 8].kind;
        if (kind == 1005 || kind == 1018 || kind == 1020) {
            for (const auto& t : texts) Set(Type(), e, i, reinterpret_cast<uintptr_t>(t.c_str()));
            Set(Type(), e, i, 0);  // a null text reads as empty
        } else if (kind == 1013) {
            std::vector<uint8_t> junk(60, 0xFF);
            Set(Type(), e, i, reinterpret_cast<uintptr_t>(junk.data()), 60);
            Set(Type(), e, i, reinterpret_cast<uintptr_t>(junk.data()), 13);
            Set(Type(), e, i, 0, 0);
        } else {
            for (uint32_t w : words) Set(Type(), e, i, w);
        }
        runtime::PropertyValue v{};
        auto get = reinterpret_cast<runtime::GetUnitPropertyOp>(Type().lookup(runtime::kOpGetUnitProperty));
        EXPECT_EQ(get(e, i, &v), 1) << i;
    }
    EXPECT_TRUE(IsWindow(e));
}

TEST_F(EditBoxTest, SelectionRules) {
    EditBoxData d;
    d.content = "hello world";
    HWND e = Create(d);
    Set(Type(), e, units::kEbSelectionStart, 6);
    Set(Type(), e, units::kEbSelectionLength, 5);
    EXPECT_EQ(GetText(Type(), e, units::kEbSelectedText), "world");
    EXPECT_EQ(Get(Type(), e, units::kEbSelectionStart), 6u);
    // -1 length: everything, from the start.
    Set(Type(), e, units::kEbSelectionLength, static_cast<uint32_t>(-1));
    EXPECT_EQ(Get(Type(), e, units::kEbSelectionStart), 0u);
    EXPECT_EQ(Get(Type(), e, units::kEbSelectionLength), 11u);
    // -1 start: the caret at the end, nothing selected.
    Set(Type(), e, units::kEbSelectionStart, static_cast<uint32_t>(-1));
    EXPECT_EQ(Get(Type(), e, units::kEbSelectionStart), 11u);
    EXPECT_EQ(Get(Type(), e, units::kEbSelectionLength), 0u);
    // Other negatives are 0; lengths past the end stop at it.
    Set(Type(), e, units::kEbSelectionStart, static_cast<uint32_t>(-7));
    EXPECT_EQ(Get(Type(), e, units::kEbSelectionStart), 0u);
    Set(Type(), e, units::kEbSelectionLength, 0x7FFFFFFF);
    EXPECT_EQ(Get(Type(), e, units::kEbSelectionLength), 11u);
    Set(Type(), e, units::kEbSelectionStart, 0x7FFFFFFF);
    EXPECT_EQ(Get(Type(), e, units::kEbSelectionStart), 11u);
    // Writing the selected text replaces the selection.
    Set(Type(), e, units::kEbSelectionStart, 0);
    Set(Type(), e, units::kEbSelectionLength, 5);
    SetText(Type(), e, units::kEbSelectedText, "\xC4\xE3\xBA\xC3");
    EXPECT_EQ(GetText(Type(), e, units::kEbContent), "\xC4\xE3\xBA\xC3 world");
    // Stored selection values are applied the same way at creation.
    d.selection_start = -1;
    HWND end = Create(d, 10, 40);
    EXPECT_EQ(Get(Type(), end, units::kEbSelectionStart), 11u);
}

TEST_F(EditBoxTest, PasswordReadOnlyAndWantsKey) {
    EditBoxData d;
    d.input_mode = 2;
    HWND e = Create(d);
    EXPECT_NE(Style(e) & ES_PASSWORD, 0u);
    EXPECT_EQ(SendMessageA(e, EM_GETPASSWORDCHAR, 0, 0), '*');
    SetText(Type(), e, units::kEbPasswordChar, "#x");
    EXPECT_EQ(GetText(Type(), e, units::kEbPasswordChar), "#");
    EXPECT_EQ(SendMessageA(e, EM_GETPASSWORDCHAR, 0, 0), '#');
    Set(Type(), e, units::kEbInputMode, 1);
    EXPECT_EQ(Style(e) & ES_PASSWORD, 0u);
    EXPECT_NE(Style(e) & ES_READONLY, 0u);
    Set(Type(), e, units::kEbInputMode, 0);
    EXPECT_EQ(Style(e) & ES_READONLY, 0u);

    auto wants = reinterpret_cast<runtime::WantsKeyOp>(Type().lookup(runtime::kOpWantsKey));
    EXPECT_EQ(wants(e, VK_RETURN), 0);  // one line: Enter is the window's
    d.input_mode = 0;
    d.multi_line = true;
    HWND multi = Create(d, 10, 40, 150, 60);
    EXPECT_EQ(wants(multi, VK_RETURN), 1);
    EXPECT_EQ(wants(multi, VK_ESCAPE), 0);
    Set(Type(), multi, units::kEbInputMode, 1);
    EXPECT_EQ(wants(multi, VK_RETURN), 0);  // read-only
}

TEST_F(EditBoxTest, CreationStylesFollowTheSettings) {
    EditBoxData d;
    d.multi_line = true;
    d.scroll_bars = 3;
    d.alignment = 1;
    d.case_conversion = 2;
    d.hide_selection = false;
    HWND e = Create(d, 10, 10, 150, 60);
    DWORD s = Style(e);
    EXPECT_EQ(s & (ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN), ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN);
    EXPECT_EQ(s & (WS_HSCROLL | WS_VSCROLL | ES_AUTOHSCROLL), WS_HSCROLL | WS_VSCROLL | ES_AUTOHSCROLL);
    EXPECT_NE(s & ES_CENTER, 0u);
    EXPECT_NE(s & ES_UPPERCASE, 0u);
    EXPECT_NE(s & ES_NOHIDESEL, 0u);
    EXPECT_NE(s & (WS_CHILD | WS_CLIPSIBLINGS), 0u);
    d.scroll_bars = 2;  // vertical only: lines wrap
    d.alignment = 2;
    d.case_conversion = 1;
    s = Style(Create(d, 10, 80, 150, 60));
    EXPECT_EQ(s & (WS_HSCROLL | ES_AUTOHSCROLL), 0u);
    EXPECT_NE(s & WS_VSCROLL, 0u);
    EXPECT_NE(s & ES_RIGHT, 0u);
    EXPECT_NE(s & ES_LOWERCASE, 0u);
    EXPECT_NE(Style(Create(EditBoxData{}, 10, 150)) & ES_AUTOHSCROLL, 0u);
}

TEST_F(EditBoxTest, ConvertUnitTextsPassesEveryText) {
    EditBoxData d;
    d.content = "abc";
    d.data_column = "col";
    LOGFONTA lf{};
    lf.lfHeight = -12;
    std::strcpy(lf.lfFaceName, "Face");
    d.font.assign(reinterpret_cast<uint8_t*>(&lf), reinterpret_cast<uint8_t*>(&lf) + sizeof lf);
    std::vector<uint8_t> bytes = Bytes(d);
    static std::vector<std::string> seen;
    static std::string answer;
    seen.clear();
    auto callback = [](const char* text, uint32_t flag, uintptr_t context) -> const char* {
        seen.push_back(std::string(text) + (flag ? "/face" : ""));
        answer = std::string(text) + "!";
        return context == 7 ? answer.c_str() : nullptr;
    };
    auto convert = reinterpret_cast<units::ConvertStoredTextsOp>(Type().lookup(runtime::kOpConvertUnitTexts));
    uint32_t length = static_cast<uint32_t>(bytes.size());
    uint8_t* block = convert(bytes.data(), &length, callback, 7);
    ASSERT_NE(block, nullptr);
    EditBoxData back;
    ASSERT_TRUE(runtime::templates::ReadStoredUnitData({block, length}, back));
    runtime::NotifyRuntime(runtime::kNotifyFreeMemory, reinterpret_cast<uintptr_t>(block), 0);
    EXPECT_EQ(seen, (std::vector<std::string>{"Face/face", "abc", "", "col"}));
    EXPECT_EQ(back.content, "abc!");
    EXPECT_EQ(back.data_column, "col!");
    LOGFONTA face{};
    std::memcpy(&face, back.font.data(), sizeof face);
    EXPECT_STREQ(face.lfFaceName, "Face!");
    EXPECT_EQ(face.lfHeight, -12);
    // Unreadable data converts to nothing.
    bytes[0] = 9;
    length = static_cast<uint32_t>(bytes.size());
    EXPECT_EQ(convert(bytes.data(), &length, callback, 7), nullptr);
}

// --- Typing, leaving the field, arrows ---------------------------------------

TEST_F(EditBoxTest, TypedCharactersAreFilteredByTheInputMode) {
    EditBoxData d;
    d.input_mode = 5;
    HWND byte = Create(d);
    SetFocus(byte);
    SigTestTypeText("a3-b.7\xB9\xFA");
    SigTestWaitIdle(500);
    EXPECT_EQ(GetText(Type(), byte, units::kEbContent), "37");
    d.input_mode = 4;
    HWND decimal = Create(d, 10, 40);
    SetFocus(decimal);
    SigTestTypeText("-1.5x");
    SigTestWaitIdle(500);
    EXPECT_EQ(GetText(Type(), decimal, units::kEbContent), "-1.5");
    d.input_mode = 0;
    d.case_conversion = 2;
    HWND upper = Create(d, 10, 70);
    SetFocus(upper);
    SigTestTypeText("ab\xB9\xFA" "c");
    SigTestWaitIdle(500);
    EXPECT_EQ(GetText(Type(), upper, units::kEbContent), "AB\xB9\xFA" "C");
}

TEST_F(EditBoxTest, LeavingTheFieldNormalisesNumbersAndDates) {
    EditBoxData d;
    d.input_mode = 5;
    d.content = "300";
    HWND byte = Create(d);
    Leave(byte);
    EXPECT_EQ(GetText(Type(), byte, units::kEbContent), "255");
    SetText(Type(), byte, units::kEbContent, "abc");
    Leave(byte);
    EXPECT_EQ(GetText(Type(), byte, units::kEbContent), "");
    SetText(Type(), byte, units::kEbContent, "0");
    Leave(byte);
    EXPECT_EQ(GetText(Type(), byte, units::kEbContent), "");

    d.input_mode = 7;
    d.content = "99999999999";
    HWND int32 = Create(d, 10, 40);
    Leave(int32);
    EXPECT_EQ(GetText(Type(), int32, units::kEbContent), "2147483647");

    d.input_mode = 11;
    d.content = "2023-2-30";
    HWND date = Create(d, 10, 70);
    Leave(date);
    EXPECT_EQ(GetText(Type(), date, units::kEbContent), "");
    SetText(Type(), date, units::kEbContent, "2024-2-29");
    Leave(date);
    EXPECT_EQ(GetText(Type(), date, units::kEbContent), "2024年2月29日");

    // Ordinary fields keep their text; the caret goes where the selection began.
    d.input_mode = 0;
    d.content = "300";
    HWND plain = Create(d, 10, 100);
    Leave(plain);
    EXPECT_EQ(GetText(Type(), plain, units::kEbContent), "300");
    d.input_mode = 6;
    d.content = "99999";
    HWND shorts = Create(d, 10, 130);
    Set(Type(), shorts, units::kEbSelectionStart, 2);
    Leave(shorts);
    EXPECT_EQ(GetText(Type(), shorts, units::kEbContent), "32767");
    EXPECT_EQ(Get(Type(), shorts, units::kEbSelectionStart), 2u);
    EXPECT_EQ(Get(Type(), shorts, units::kEbSelectionLength), 0u);
}

TEST_F(EditBoxTest, UpDownArrowsSitBesideTheFieldAndFollowIt) {
    EditBoxData d;
    d.updown = 1;
    d.updown_lower = 0;
    d.updown_upper = 10;
    HWND e = Create(d, 30, 40, 100, 24);
    HWND arrows = Unit(e)->UpDown();
    ASSERT_TRUE(IsWindow(arrows));
    EXPECT_EQ(GetParent(arrows), host_);
    EXPECT_EQ(GetDlgCtrlID(arrows), 104);
    RECT er = WindowRectIn(e, host_), ar = WindowRectIn(arrows, host_);
    EXPECT_EQ(ar.left, er.right);
    EXPECT_EQ(ar.right - ar.left, units::kUpDownWidth);
    EXPECT_EQ(ar.top, er.top);
    EXPECT_EQ(ar.bottom, er.bottom);
    EXPECT_TRUE(IsWindowVisible(arrows));
    EXPECT_NE(static_cast<DWORD>(GetWindowLongA(arrows, GWL_EXSTYLE)) & WS_EX_STATICEDGE, 0u);
    // Moved, hidden, disabled and re-bordered with the field.
    MoveWindow(e, 60, 70, 120, 30, TRUE);
    ar = WindowRectIn(arrows, host_);
    EXPECT_EQ(ar.left, 180);
    EXPECT_EQ(ar.top, 70);
    EXPECT_EQ(ar.bottom - ar.top, 30);
    ShowWindow(e, SW_HIDE);
    EXPECT_FALSE(IsWindowVisible(arrows));
    ShowWindow(e, SW_SHOWNA);
    EXPECT_TRUE(IsWindowVisible(arrows));
    EnableWindow(e, FALSE);
    EXPECT_FALSE(IsWindowEnabled(arrows));
    EnableWindow(e, TRUE);
    EXPECT_TRUE(IsWindowEnabled(arrows));
    Set(Type(), e, units::kEbBorder, 2);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(arrows, GWL_EXSTYLE)) & WS_EX_STATICEDGE, 0u);
    // They go with the field.
    DestroyWindow(e);
    EXPECT_FALSE(IsWindow(arrows));
    // Multi-line fields have none; a field created disabled has disabled arrows.
    d.multi_line = true;
    EXPECT_EQ(Unit(Create(d, 10, 150, 100, 50))->UpDown(), 0u);
    d.multi_line = false;
    HWND off = Create(d, 10, 220, 100, 24, WS_VISIBLE | WS_DISABLED);
    EXPECT_FALSE(IsWindowEnabled(Unit(off)->UpDown()));
}

TEST_F(EditBoxTest, AutomaticSteppingWrapsAtTheLimits) {
    EditBoxData d;
    d.updown = 1;
    d.updown_lower = 10;  // the limits may come in either order
    d.updown_upper = 0;
    d.content = "10";
    HWND e = Create(d, 30, 40, 100, 24);
    HWND arrows = Unit(e)->UpDown();
    ASSERT_TRUE(IsWindow(arrows));
    RECT ar;
    GetWindowRect(arrows, &ar);
    auto click = [&](bool upper) {
        SigTestClick(ar.left + 9, upper ? ar.top + 4 : ar.bottom - 4, 1);
        SigTestWaitIdle(300);
    };
    click(true);
    EXPECT_EQ(GetText(Type(), e, units::kEbContent), "0");
    EXPECT_EQ(GetFocus(), e);
    EXPECT_EQ(Get(Type(), e, units::kEbSelectionLength), 1u);  // all selected
    click(false);
    EXPECT_EQ(GetText(Type(), e, units::kEbContent), "10");
    click(false);
    EXPECT_EQ(GetText(Type(), e, units::kEbContent), "9");
    // Text outside the range comes back in at the far limit.
    SetText(Type(), e, units::kEbContent, "500");
    click(false);
    EXPECT_EQ(GetText(Type(), e, units::kEbContent), "10");
    SetText(Type(), e, units::kEbContent, "x");
    click(true);
    EXPECT_EQ(GetText(Type(), e, units::kEbContent), "1");
    // New limits reach the arrows at once.
    Set(Type(), e, units::kEbUpDownUpper, 3);
    Set(Type(), e, units::kEbUpDownLower, 1);
    SetText(Type(), e, units::kEbContent, "3");
    click(true);
    EXPECT_EQ(GetText(Type(), e, units::kEbContent), "1");
    // A disabled field ignores the arrows.
    EnableWindow(e, FALSE);
    SendMessageA(arrows, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(9, 2));
    SendMessageA(arrows, WM_LBUTTONUP, 0, MAKELPARAM(9, 2));
    EXPECT_EQ(GetText(Type(), e, units::kEbContent), "1");
}

// --- Height and painting -------------------------------------------------------

TEST_F(EditBoxTest, OneLineFieldGrowsToTheLineHeightPlusTwoEdges) {
    HWND low = Create(EditBoxData{}, 10, 10, 100, 10);
    HDC dc = GetDC(low);
    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SIZE chinese{};
    GetTextExtentPoint32A(dc, "国", 2, &chinese);
    SelectObject(dc, old);
    ReleaseDC(low, dc);
    RECT r;
    GetWindowRect(low, &r);
    EXPECT_EQ(r.bottom - r.top, chinese.cy + 2 * GetSystemMetrics(SM_CYEDGE));
    EXPECT_GT(r.bottom - r.top, 10);
    // A taller one keeps its height; a multi-line one is never grown.
    GetWindowRect(Create(EditBoxData{}, 10, 40, 100, 60), &r);
    EXPECT_EQ(r.bottom - r.top, 60);
    EditBoxData multi;
    multi.multi_line = true;
    GetWindowRect(Create(multi, 10, 110, 100, 10), &r);
    EXPECT_EQ(r.bottom - r.top, 10);
    // A bigger font grows it again; a 59-byte font is the stock font.
    LOGFONTA lf{};
    lf.lfHeight = -40;
    std::strcpy(lf.lfFaceName, "Sans");
    Set(Type(), low, units::kEbFont, reinterpret_cast<uintptr_t>(&lf), sizeof lf);
    GetWindowRect(low, &r);
    EXPECT_GT(r.bottom - r.top, 40);
    EXPECT_EQ(Get(Type(), low, units::kEbFont) != 0, true);
    Set(Type(), low, units::kEbFont, reinterpret_cast<uintptr_t>(&lf), 59);
    EXPECT_EQ(SendMessageA(low, WM_GETFONT, 0, 0), static_cast<LRESULT>(GetStockObject(DEFAULT_GUI_FONT)));
}

TEST_F(EditBoxTest, ExtremeFontHeightsKeepTheFieldUsable) {
    HWND e = Create(EditBoxData{}, 10, 10, 100, 10);
    for (LONG height : {LONG(-2147483647), LONG(2147483647), LONG(-100000), LONG(0), LONG(1)}) {
        LOGFONTA lf{};
        lf.lfHeight = height;
        lf.lfWidth = height;
        std::memset(lf.lfFaceName, 'A', sizeof lf.lfFaceName);  // no terminator
        Set(Type(), e, units::kEbFont, reinterpret_cast<uintptr_t>(&lf), sizeof lf);
        RECT r;
        GetWindowRect(e, &r);
        EXPECT_GT(r.bottom - r.top, 0) << height;
        EXPECT_LE(r.bottom - r.top, 16384) << height;
    }
    SetText(Type(), e, units::kEbContent, "abc");
    EXPECT_EQ(GetText(Type(), e, units::kEbContent), "abc");
}

TEST_F(EditBoxTest, OneLineTextIsCentredInABandOfTheBackgroundColour) {
    EditBoxData d;
    d.border = 0;
    d.content = "WWWW";
    d.text_colour = RGB(255, 0, 0);
    d.background_colour = RGB(0, 0, 255);
    HWND e = Create(d, 20, 20, 120, 60);
    RECT client;
    GetClientRect(e, &client);
    SIZE w{};
    HDC dc = GetDC(e);
    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    GetTextExtentPoint32A(dc, "W", 1, &w);
    SelectObject(dc, old);
    ReleaseDC(e, dc);
    // The client area is the one text line, centred in the window.
    EXPECT_EQ(client.bottom, w.cy);
    POINT origin{0, 0};
    ClientToScreen(e, &origin);
    RECT wr;
    GetWindowRect(e, &wr);
    const int top = origin.y - wr.top;
    EXPECT_NEAR(top, (60 - w.cy) / 2, 1);
    // The band above and below is the background colour; the text sits
    // between, in its colour.
    SigTestWaitIdle(300);
    const int hostX = 20 + 60;  // window coordinates of the host surface
    EXPECT_EQ(SigTestWindowPixel(host_, hostX, 20 + 2), RGB(0, 0, 255));
    EXPECT_EQ(SigTestWindowPixel(host_, hostX, 20 + 57), RGB(0, 0, 255));
    EXPECT_EQ(SigTestWindowPixel(host_, 20 + 118, 20 + 30), RGB(0, 0, 255));
    int firstRed = -1, lastRed = -1;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 60; ++x) {
            COLORREF c = SigTestWindowPixel(host_, 20 + x, 20 + y);
            if (GetRValue(c) > 160 && GetBValue(c) < 100) {
                if (firstRed < 0) firstRed = y;
                lastRed = y;
            }
        }
    ASSERT_GE(firstRed, 0) << "no text drawn";
    EXPECT_GE(firstRed, top);
    EXPECT_LE(lastRed, top + w.cy);
    EXPECT_NEAR((firstRed + lastRed) / 2.0, 30.0, 4.0);
    // Mouse hit-testing calls the band border.
    EXPECT_EQ(SendMessageA(e, WM_NCHITTEST, 0, MAKELPARAM(wr.left + 60, wr.top + 3)), HTBORDER);
    EXPECT_EQ(SendMessageA(e, WM_NCHITTEST, 0, MAKELPARAM(wr.left + 60, wr.top + 30)), HTCLIENT);
    // A new background colour repaints the band.
    Set(Type(), e, units::kEbBackColour, RGB(255, 255, 0));
    SigTestWaitIdle(300);
    EXPECT_EQ(SigTestWindowPixel(host_, hostX, 20 + 2), RGB(255, 255, 0));
    // Outside the field the host shows.
    EXPECT_EQ(SigTestWindowPixel(host_, 5, 5), kHostColour);
    // With the sunken edge the band lies inside the frame, which is drawn over it.
    d.border = 1;
    d.background_colour = RGB(0, 0, 255);
    Create(d, 200, 20, 120, 60);
    SigTestWaitIdle(300);
    EXPECT_EQ(SigTestWindowPixel(host_, 260, 20 + 4), RGB(0, 0, 255));
    EXPECT_NE(SigTestWindowPixel(host_, 260, 20), RGB(0, 0, 255));
    EXPECT_NE(SigTestWindowPixel(host_, 260, 20 + 59), RGB(0, 0, 255));
}

}  // namespace
