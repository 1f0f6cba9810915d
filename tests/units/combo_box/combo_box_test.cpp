// The combo box created through its descriptor's operations, inside a host
// window that hands child notifications back as a container does: stored
// data of every version, property clamps and rebuild answers, the item list
// kept in step with the native list, events and painting.
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "tests/units/support/unit_fixture.h"
#include "units/combo_box.h"
#include "units/label_texts.h"
#include "win/testhooks.h"

namespace {

using runtime::templates::ComboBoxData;

const runtime::UnitType& Type() {
    static const runtime::UnitType type = units::ComboBoxUnitType();
    return type;
}

// What each raised event saw: its number and the selection at that moment.
struct Seen {
    int32_t event;
    int32_t selection;
};
std::vector<Seen> g_seen;

// A container: hands WM_COMMAND and colour questions back to the child unit.
bool Reflect(HWND h, UINT m, WPARAM w, LPARAM l, LRESULT* result) {
    if (m != WM_COMMAND && m != WM_CTLCOLOREDIT && m != WM_CTLCOLORLISTBOX && m != WM_CTLCOLORSTATIC) return false;
    HWND child = static_cast<HWND>(l);
    while (child && GetParent(child) != h) child = GetParent(child);
    if (!child) return false;
    *result = SendMessageA(child, units::kReflectedMessageBase + m, w, l);
    return *result != 0;
}

std::vector<uint8_t> Items(std::initializer_list<const char*> texts) {
    std::vector<std::string> v;
    for (const char* t : texts) v.emplace_back(t);
    return units::SerialiseComboItems(v);
}

std::vector<uint8_t> Words(std::initializer_list<uint32_t> values) {
    std::vector<uint8_t> out;
    for (uint32_t v : values)
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    return out;
}

class ComboBoxTest : public unit_test::UnitTest {
protected:
    void SetUp() override {
        UnitTest::SetUp();
        HandlersAnswer(true, 1);
        g_seen.clear();
        WatchEvents([this](const unit_test::RaisedEvent& e) {
            g_seen.push_back({e.event, static_cast<int32_t>(SendMessageA(watched_, CB_GETCURSEL, 0, 0))});
        });
        host_ = MakeParent(50, 50, 320, 260, {GetSysColor(COLOR_BTNFACE), &Reflect});
    }
    static runtime::UnitOperation Op(int32_t n) { return Type().lookup(n); }
    HWND CreateFrom(const std::vector<uint8_t>& bytes, HWND parent, int height = 120) {
        watched_ = Create(Type(), bytes, parent, 10, 10, 200, height, unit_test::kUnitId, WS_VISIBLE | WS_TABSTOP);
        return watched_;
    }
    HWND Create(const ComboBoxData& d, int height = 120) {
        return CreateFrom(runtime::templates::WriteStoredUnitData(d), host_, height);
    }
    using UnitTest::Create;
    // The combo box's properties read as signed words.
    static int32_t Get(HWND h, int32_t own) { return static_cast<int32_t>(UnitTest::Get(Type(), h, own)); }
    static ComboBoxData Saved(HWND h) { return SavedAs<ComboBoxData>(Type(), h); }
    // What the runtime does when SetUnitProperty answers 1.
    HWND Rebuild(HWND h) {
        auto bytes = runtime::templates::WriteStoredUnitData(Saved(h));
        DestroyWindow(h);
        return CreateFrom(bytes, host_);
    }
    static std::vector<std::string> NativeTexts(HWND h) {
        std::vector<std::string> out;
        for (LRESULT i = 0, n = SendMessageA(h, CB_GETCOUNT, 0, 0); i < n; ++i) {
            char buf[256] = {};
            SendMessageA(h, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buf));
            out.emplace_back(buf);
        }
        return out;
    }
    static ComboBoxData ThreeSizes() {
        ComboBoxData d;
        d.type = 2;
        d.current_selection = 1;
        d.items = {"小型字", "中型字", "大型字"};
        d.item_data = Words({0x20, 0x40, 0x80});
        return d;
    }
    HWND host_ = 0, watched_ = 0;
};

TEST_F(ComboBoxTest, DescriptorCarriesTwentyFivePropertiesAndItsOperations) {
    const runtime::UnitType type = units::ComboBoxUnitType();
    EXPECT_STREQ(type.englishName, "ComboBox");
    EXPECT_STREQ(type.name, "组合框");
    EXPECT_EQ(type.flags, 0x80000240u);
    ASSERT_EQ(type.propertyCount, 25u);
    EXPECT_EQ(type.properties[8].kind, 1006);
    EXPECT_EQ(type.properties[13].flags, 0x8009);
    EXPECT_EQ(type.properties[17].kind, 1017);
    EXPECT_EQ(type.properties[18].kind, 1013);
    EXPECT_EQ(type.properties[20].kind, 1024);
    EXPECT_EQ(type.properties[24].flags, 0x8010);
    EXPECT_NE(type.lookup(runtime::kOpConvertUnitTexts), nullptr);
    EXPECT_EQ(type.lookup(runtime::kOpWantsKey), nullptr);
    EXPECT_EQ(type.lookup(runtime::kOpIsDefaultButton), nullptr);
}

TEST_F(ComboBoxTest, StoredDataOfEveryVersion) {
    // An empty stream: every property at its default.
    HWND h = CreateFrom({}, host_);
    ASSERT_TRUE(IsWindow(h));
    EXPECT_EQ(Get(h, units::kCbType), 1);
    EXPECT_EQ(Get(h, units::kCbExtraRowHeight), 1);
    EXPECT_EQ(static_cast<uint32_t>(Get(h, units::kCbBackColour)), 0xFFFFFFu);
    EXPECT_EQ(Get(h, units::kCbCurrentSelection), -1);
    EXPECT_TRUE(GetBytes(Type(), h, units::kCbItems).empty());
    EXPECT_EQ(Style(h) & 3, static_cast<DWORD>(CBS_DROPDOWN));

    // The tool's size list, field by field as version 3 stores it.
    std::vector<uint8_t> v3 = Words({3, 2, 0, 0, 0, 0, 1, 0, 0xFFFFFF, 1, 0, 12, 0x20, 0x40, 0x80, 0});
    auto items = Items({"小型字", "中型字", "大型字"});
    v3.insert(v3.end(), items.begin(), items.end());
    auto tail = Words({0, 0, 0});  // data source, data column, binding
    v3.insert(v3.end(), tail.begin(), tail.end());
    h = CreateFrom(v3, host_);
    ASSERT_TRUE(IsWindow(h));
    EXPECT_EQ(Style(h) & 3, static_cast<DWORD>(CBS_DROPDOWNLIST));
    EXPECT_EQ(NativeTexts(h), (std::vector<std::string>{"小型字", "中型字", "大型字"}));
    EXPECT_EQ(SendMessageA(h, CB_GETITEMDATA, 2, 0), 0x80);
    EXPECT_EQ(Get(h, units::kCbCurrentSelection), 1);
    EXPECT_EQ(GetText(Type(), h, units::kCbContent), "中型字");  // a list's text is its selected item

    // Version 1 ends after the items; versions 2 and 3 add the names and the switch.
    std::vector<uint8_t> v1(v3.begin(), v3.end() - 12);
    v1[0] = 1;
    EXPECT_TRUE(IsWindow(CreateFrom(v1, host_)));
    std::vector<uint8_t> v2(v3.begin(), v3.end() - 4);
    v2[0] = 2;
    EXPECT_TRUE(IsWindow(CreateFrom(v2, host_)));
    // Every cut inside a field, and a version above 3, fail creation.
    for (size_t cut = 1; cut < v3.size(); ++cut) {
        std::vector<uint8_t> part(v3.begin(), v3.begin() + static_cast<long>(cut));
        EXPECT_EQ(CreateFrom(part, host_), 0u) << "cut at " << cut;
    }
    std::vector<uint8_t> v4 = v3;
    v4[0] = 4;
    EXPECT_EQ(CreateFrom(v4, host_), 0u);
}

TEST_F(ComboBoxTest, StoredValuesOutsideTheirRangesAreClamped) {
    ComboBoxData d = ThreeSizes();
    d.current_selection = 5;  // three items: the last one
    d.type = 9;
    HWND h = Create(d);
    EXPECT_EQ(SendMessageA(h, CB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(Get(h, units::kCbType), 2);
    d.current_selection = -7;
    EXPECT_EQ(SendMessageA(Create(d), CB_GETCURSEL, 0, 0), -1);
}

TEST_F(ComboBoxTest, CurrentSelectionClampsToTheList) {
    HWND h = Create(ThreeSizes());
    Set(Type(), h, units::kCbCurrentSelection, 10);
    EXPECT_EQ(SendMessageA(h, CB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(Get(h, units::kCbCurrentSelection), 2);
    Set(Type(), h, units::kCbCurrentSelection, static_cast<uint32_t>(-5));
    EXPECT_EQ(Get(h, units::kCbCurrentSelection), -1);
    Set(Type(), h, units::kCbCurrentSelection, 0);
    EXPECT_EQ(Saved(h).current_selection, 0);
}

TEST_F(ComboBoxTest, EditSelectionRules) {
    HWND list = Create(ThreeSizes());
    Set(Type(), list, units::kCbSelectionStart, static_cast<uint32_t>(-1));
    EXPECT_EQ(Get(list, units::kCbSelectionStart), 0);  // no edit field
    EXPECT_EQ(Saved(list).selection_start, 0);

    ComboBoxData d;
    d.content = "hello world";
    HWND h = Create(d);
    Set(Type(), h, units::kCbSelectionStart, static_cast<uint32_t>(-1));
    EXPECT_EQ(Get(h, units::kCbSelectionStart), 11);
    EXPECT_EQ(Get(h, units::kCbSelectionLength), 0);
    Set(Type(), h, units::kCbSelectionLength, static_cast<uint32_t>(-1));
    EXPECT_EQ(Get(h, units::kCbSelectionStart), 0);
    EXPECT_EQ(Get(h, units::kCbSelectionLength), 11);
    Set(Type(), h, units::kCbSelectionStart, 6);
    Set(Type(), h, units::kCbSelectionLength, 5);
    EXPECT_EQ(GetText(Type(), h, units::kCbSelectedText), "world");
    // The selection is replaced and the caret follows the inserted text.
    SetText(Type(), h, units::kCbSelectedText, "there!");
    EXPECT_EQ(GetText(Type(), h, units::kCbContent), "hello there!");
    EXPECT_EQ(Get(h, units::kCbSelectionStart), 12);
    EXPECT_EQ(Get(h, units::kCbSelectionLength), 0);
    Set(Type(), h, units::kCbSelectionStart, static_cast<uint32_t>(-9));
    EXPECT_EQ(Get(h, units::kCbSelectionStart), 0);
    ComboBoxData saved = Saved(h);
    EXPECT_EQ(saved.content, "hello there!");
}

TEST_F(ComboBoxTest, TypeChangesSwitchTheDefaultBackgroundAndRebuild) {
    ComboBoxData d;
    d.type = 0;
    d.background_colour = 0xFF000000;
    HWND h = Create(d);
    EXPECT_EQ(Set(Type(), h, units::kCbType, 0), 0);  // unchanged: no rebuild
    EXPECT_EQ(Set(Type(), h, units::kCbType, 99), 1);
    EXPECT_EQ(Get(h, units::kCbType), 2);
    EXPECT_EQ(static_cast<uint32_t>(Get(h, units::kCbBackColour)), 0xFFFFFFu);
    h = Rebuild(h);
    EXPECT_EQ(Style(h) & 3, static_cast<DWORD>(CBS_DROPDOWNLIST));
    EXPECT_EQ(Set(Type(), h, units::kCbType, static_cast<uint32_t>(-5)), 1);
    EXPECT_EQ(Get(h, units::kCbType), 0);
    EXPECT_EQ(static_cast<uint32_t>(Get(h, units::kCbBackColour)), 0xFF000000u);
    // A colour of the program's own survives the switch.
    Set(Type(), h, units::kCbBackColour, 0x123456);
    EXPECT_EQ(Set(Type(), h, units::kCbType, 1), 1);
    EXPECT_EQ(static_cast<uint32_t>(Get(h, units::kCbBackColour)), 0x123456u);

    EXPECT_EQ(Set(Type(), h, units::kCbSorted, 1), 1);
    EXPECT_EQ(Set(Type(), h, units::kCbSorted, 5), 0);  // already sorted
    EXPECT_EQ(SetText(Type(), h, units::kCbContent, "x"), 0);
    EXPECT_EQ(Set(Type(), h, units::kCbMaxLength, 70000), 0);
    EXPECT_EQ(Get(h, units::kCbMaxLength), 32767);
}

TEST_F(ComboBoxTest, WritingTheItemsRebuildsAndKeepsTheSelectionInside) {
    HWND h = Create(ThreeSizes());
    Set(Type(), h, units::kCbCurrentSelection, 2);
    auto items = Items({"a", "b", "c", "d"});
    EXPECT_EQ(SetBytes(Type(), h, units::kCbItems, items), 1);
    EXPECT_EQ(GetBytes(Type(), h, units::kCbItems), items);
    h = Rebuild(h);
    EXPECT_EQ(NativeTexts(h), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(Get(h, units::kCbCurrentSelection), 2);
    // The old item data stays with the first items.
    EXPECT_EQ(SendMessageA(h, CB_GETITEMDATA, 1, 0), 0x40);
    EXPECT_EQ(SendMessageA(h, CB_GETITEMDATA, 3, 0), 0);

    SetBytes(Type(), h, units::kCbItems, Items({"only"}));
    h = Rebuild(h);
    EXPECT_EQ(Get(h, units::kCbCurrentSelection), 0);
    // A malformed value (five items announced, one present) changes nothing.
    auto bad = Items({"x"});
    bad[0] = 5;
    EXPECT_EQ(SetBytes(Type(), h, units::kCbItems, bad), 0);
    EXPECT_EQ(GetBytes(Type(), h, units::kCbItems), Items({"only"}));
    // An empty value clears the list.
    EXPECT_EQ(Set(Type(), h, units::kCbItems, 0, 0), 1);
    EXPECT_TRUE(GetBytes(Type(), h, units::kCbItems).empty());
    EXPECT_EQ(SetBytes(Type(), h, units::kCbItemData, Words({7})), 1);
    EXPECT_EQ(GetBytes(Type(), h, units::kCbItemData), Words({7}));
}

TEST_F(ComboBoxTest, SortedListKeepsItemDataWithItsItem) {
    ComboBoxData d;
    d.sorted = true;
    d.items = {"pear", "apple", "fig", "Banana"};
    d.item_data = Words({1, 2, 3});  // "Banana" has no value
    HWND h = Create(d);
    EXPECT_NE(Style(h) & CBS_SORT, 0u);
    EXPECT_EQ(NativeTexts(h), (std::vector<std::string>{"apple", "Banana", "fig", "pear"}));
    EXPECT_EQ(SendMessageA(h, CB_GETITEMDATA, 0, 0), 2);
    EXPECT_EQ(SendMessageA(h, CB_GETITEMDATA, 1, 0), 0);
    EXPECT_EQ(SendMessageA(h, CB_GETITEMDATA, 2, 0), 3);
    EXPECT_EQ(SendMessageA(h, CB_GETITEMDATA, 3, 0), 1);
    // An item added later goes to its sorted place.
    EXPECT_EQ(SendMessageA(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("cherry")), 2);
}

TEST_F(ComboBoxTest, ItemsChangedThroughTheNativeListAreWhatTheUnitReportsAndSaves) {
    // As the core's item commands do it: clear, add, set the item values.
    HWND h = Create(ComboBoxData{});
    SendMessageA(h, CB_RESETCONTENT, 0, 0);
    for (const char* t : {"one", "two", "three"}) {
        LRESULT at = SendMessageA(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(t));
        SendMessageA(h, CB_SETITEMDATA, at, 100 + at);
    }
    // The selection is set after the items were added.
    Set(Type(), h, units::kCbCurrentSelection, 2);
    EXPECT_EQ(SendMessageA(h, CB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(GetBytes(Type(), h, units::kCbItems), Items({"one", "two", "three"}));
    EXPECT_EQ(GetBytes(Type(), h, units::kCbItemData), Words({100, 101, 102}));
    ComboBoxData saved = Saved(h);
    EXPECT_EQ(saved.items, (std::vector<std::string>{"one", "two", "three"}));
    EXPECT_EQ(saved.current_selection, 2);
    // A rebuild (here: sorting switched on) keeps the program's items.
    EXPECT_EQ(Set(Type(), h, units::kCbSorted, 1), 1);
    h = Rebuild(h);
    EXPECT_EQ(NativeTexts(h), (std::vector<std::string>{"one", "three", "two"}));
    EXPECT_EQ(SendMessageA(h, CB_GETITEMDATA, 1, 0), 102);
    // Item data written after native changes applies to the native items.
    SendMessageA(h, CB_DELETESTRING, 0, 0);
    EXPECT_EQ(SetBytes(Type(), h, units::kCbItemData, Words({5, 6})), 1);
    h = Rebuild(h);
    EXPECT_EQ(NativeTexts(h), (std::vector<std::string>{"three", "two"}));
    EXPECT_EQ(SendMessageA(h, CB_GETITEMDATA, 1, 0), 6);
}

TEST_F(ComboBoxTest, ConfirmedSelectionIsRaisedOnceTheControlHasSettled) {
    HWND h = Create(ThreeSizes());
    SendMessageA(h, units::kReflectedMessageBase + WM_COMMAND, MAKEWPARAM(100, CBN_SELENDOK), static_cast<LPARAM>(h));
    EXPECT_TRUE(g_seen.empty());  // posted, not raised inside the notification
    SigTestWaitIdle(2000);
    ASSERT_EQ(g_seen.size(), 1u);
    EXPECT_EQ(g_seen[0].event, units::kComboSelectionConfirmed);

    // The keyboard on a focused drop-down list: the handler sees the new item.
    g_seen.clear();
    SetFocus(h);
    SigTestWaitIdle(2000);
    g_seen.clear();
    SigTestKeyPress(VK_DOWN);
    SigTestWaitIdle(2000);
    bool confirmed = false;
    for (const Seen& s : g_seen)
        if (s.event == units::kComboSelectionConfirmed) {
            confirmed = true;
            EXPECT_EQ(s.selection, 2);
        }
    EXPECT_TRUE(confirmed);
}

TEST_F(ComboBoxTest, ClickOnASimpleListRaisesEventZeroWithTheClickedItem) {
    ComboBoxData d = ThreeSizes();
    d.type = 0;
    d.current_selection = 0;
    HWND h = Create(d);
    SigTestWaitIdle(2000);
    const auto field = static_cast<int>(SendMessageA(h, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
    const auto row = static_cast<int>(SendMessageA(h, CB_GETITEMHEIGHT, 0, 0));
    RECT rc;
    GetWindowRect(h, &rc);
    SigTestClick(rc.left + 30, rc.top + field + 2 + row * 2 + row / 2, 1);
    SigTestWaitIdle(2000);
    ASSERT_FALSE(g_seen.empty());
    EXPECT_EQ(g_seen.back().event, units::kComboSelectionConfirmed);
    EXPECT_EQ(g_seen.back().selection, 2);
}

TEST_F(ComboBoxTest, EditAndListEvents) {
    ComboBoxData d;
    d.content = "first";
    HWND h = Create(d);
    // Creation fills the field quietly; a write of the content is a change.
    EXPECT_TRUE(g_seen.empty());
    SetText(Type(), h, units::kCbContent, "set by the program");
    SigTestWaitIdle(2000);
    ASSERT_EQ(g_seen.size(), 1u);
    EXPECT_EQ(g_seen[0].event, units::kComboEditChanged);
    g_seen.clear();
    SetFocus(h);
    SigTestTypeText("ab");
    SigTestWaitIdle(2000);
    bool changed = false;
    for (const Seen& s : g_seen) changed |= s.event == units::kComboEditChanged;
    EXPECT_TRUE(changed);
    g_seen.clear();
    SendMessageA(h, CB_SHOWDROPDOWN, TRUE, 0);
    SendMessageA(h, CB_SHOWDROPDOWN, FALSE, 0);
    SigTestWaitIdle(2000);
    std::vector<int32_t> events;
    for (const Seen& s : g_seen) events.push_back(s.event);
    EXPECT_EQ(events, (std::vector<int32_t>{units::kComboDropDown, units::kComboCloseUp}));
}

TEST_F(ComboBoxTest, ExtraRowHeightAndFontKeepTheirShareOfTheItemHeight) {
    ComboBoxData d;
    d.extra_row_height = 0;
    HWND h = Create(d);
    const auto base = static_cast<int32_t>(SendMessageA(h, CB_GETITEMHEIGHT, 0, 0));
    Set(Type(), h, units::kCbExtraRowHeight, 6);
    EXPECT_EQ(SendMessageA(h, CB_GETITEMHEIGHT, 0, 0), base + 6);
    Set(Type(), h, units::kCbExtraRowHeight, 2);
    EXPECT_EQ(SendMessageA(h, CB_GETITEMHEIGHT, 0, 0), base + 2);
    LOGFONTA lf{};
    lf.lfHeight = -30;
    std::strcpy(lf.lfFaceName, "Sans");
    std::vector<uint8_t> font(reinterpret_cast<uint8_t*>(&lf), reinterpret_cast<uint8_t*>(&lf) + sizeof lf);
    SetBytes(Type(), h, units::kCbFont, font);
    const auto big = static_cast<int32_t>(SendMessageA(h, CB_GETITEMHEIGHT, 0, 0));
    Set(Type(), h, units::kCbExtraRowHeight, 0);
    EXPECT_EQ(SendMessageA(h, CB_GETITEMHEIGHT, 0, 0), big - 2);
    EXPECT_GT(big - 2, base);
    Set(Type(), h, units::kCbExtraRowHeight, 40000);
    EXPECT_EQ(Get(h, units::kCbExtraRowHeight), 32767);
    Set(Type(), h, units::kCbExtraRowHeight, 1);
    EXPECT_EQ(SendMessageA(h, CB_GETITEMHEIGHT, 0, 0), big - 1);
}

TEST_F(ComboBoxTest, ColoursPaintTheFieldAndTheSimpleList) {
    ComboBoxData d = ThreeSizes();
    d.type = 0;
    d.current_selection = -1;
    d.background_colour = 0x0000FF;  // red
    HWND h = Create(d);
    SigTestWaitIdle(2000);
    RECT rc;
    GetWindowRect(h, &rc);
    POINT at{rc.left - 50 + 150, rc.bottom - 50 - 6};  // host at (50, 50): window coordinates
    EXPECT_EQ(SigTestWindowPixel(host_, at.x, at.y), 0x0000FFu);
    Set(Type(), h, units::kCbBackColour, 0x00FF00);
    EXPECT_EQ(SigTestWindowPixel(host_, at.x, at.y), 0x00FF00u);
    // The system default is the button face.
    Set(Type(), h, units::kCbBackColour, 0xFF000000u);
    EXPECT_EQ(SigTestWindowPixel(host_, at.x, at.y), GetSysColor(COLOR_BTNFACE));
    DestroyWindow(h);

    d.type = 2;
    d.background_colour = 0xFF0000;  // blue
    HWND list = Create(d);
    SigTestWaitIdle(2000);
    GetWindowRect(list, &rc);
    EXPECT_EQ(SigTestWindowPixel(host_, rc.left - 50 + 20, (rc.top + rc.bottom) / 2 - 50), 0xFF0000u);
    std::filesystem::create_directories(SIG_ARTIFACT_DIR);
    EXPECT_TRUE(SigTestCaptureWindow(host_, SIG_ARTIFACT_DIR "/combo_box_colours.png"));
}

TEST_F(ComboBoxTest, ColoursNeedNoHelpFromTheParent) {
    // A parent that hands nothing back still shows the combo box's colours.
    HWND plain = MakeParent(50, 50, 320, 260);
    ComboBoxData d;
    d.type = 0;
    d.background_colour = 0x00FFFF;  // yellow
    d.items = {"a"};
    auto bytes = runtime::templates::WriteStoredUnitData(d);
    HWND h = CreateFrom(bytes, plain);
    SigTestWaitIdle(2000);
    RECT rc;
    GetWindowRect(h, &rc);
    const int field = static_cast<int>(SendMessageA(h, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
    EXPECT_EQ(SigTestWindowPixel(plain, rc.right - 50 - 20, rc.top - 50 + field / 2), 0x00FFFFu);  // the field
    EXPECT_EQ(SigTestWindowPixel(plain, rc.right - 50 - 20, rc.bottom - 50 - 6), 0x00FFFFu);       // the list
    DestroyWindow(h);
    d.type = 2;
    d.current_selection = -1;
    bytes = runtime::templates::WriteStoredUnitData(d);
    h = CreateFrom(bytes, plain);
    SigTestWaitIdle(2000);
    GetWindowRect(h, &rc);
    EXPECT_EQ(SigTestWindowPixel(plain, rc.left - 50 + 20, (rc.top + rc.bottom) / 2 - 50), 0x00FFFFu);  // the drawn field
    DestroyWindow(plain);
}

TEST_F(ComboBoxTest, AnyPropertyValueIsSafe) {
    HWND h = Create(ThreeSizes());
    const runtime::UnitType type = units::ComboBoxUnitType();
    std::vector<uint8_t> junk(300);
    std::mt19937 rng(7);
    for (auto& b : junk) b = static_cast<uint8_t>(rng());
    junk.back() = 0;  // texts arrive terminated
    const char* texts[] = {"", "abc", "\xB4\xF3"};
    for (int32_t own = -3; own < 30; ++own) {
        const int kind = own >= 0 && own < units::kComboBoxPropertyCount ? type.properties[own + 8].kind : 1001;
        const bool pointer = kind == 1005 || kind == 1018 || kind == 1020 || kind == 1013 || kind == 1024;
        if (pointer) {
            Set(Type(), h, own, 0, 0);
            Set(Type(), h, own, 0, 500);  // no bytes, whatever the length says
            for (const char* t : texts) SetText(Type(), h, own, t);
            SetBytes(Type(), h, own, junk);
        } else {
            for (uint32_t v : {0u, 1u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 40000u}) Set(Type(), h, own, v);
        }
        if (!IsWindow(h)) break;
        runtime::PropertyValue out{};
        auto get = reinterpret_cast<runtime::GetUnitPropertyOp>(Op(runtime::kOpGetUnitProperty));
        EXPECT_EQ(get(h, own, &out), own >= 0 && own < units::kComboBoxPropertyCount ? 1 : 0);
    }
    EXPECT_TRUE(IsWindow(h));
    Rebuild(h);
}

TEST_F(ComboBoxTest, ArbitraryStoredBytesNeverCrash) {
    std::mt19937 rng(11);
    ComboBoxData d = ThreeSizes();
    d.sorted = true;
    auto good = runtime::templates::WriteStoredUnitData(d);
    for (int round = 0; round < 300; ++round) {
        std::vector<uint8_t> bytes = good;
        for (int flips = 1 + round % 6; flips > 0; --flips) bytes[rng() % bytes.size()] = static_cast<uint8_t>(rng());
        if (round % 3 == 0) bytes[0] = static_cast<uint8_t>(rng() % 4);
        // Without a parent (as a stray record would be made) and in a window.
        for (HWND parent : {HWND(0), host_}) {
            HWND h = CreateFrom(bytes, parent);
            if (h) DestroyWindow(h);
        }
    }
}

const char* Shout(const char* text, uint32_t flags, uintptr_t context) {
    auto* out = reinterpret_cast<std::string*>(context);
    *out = (flags == 1 ? "face:" : "T:") + std::string(text);
    return out->c_str();
}

TEST_F(ComboBoxTest, ConvertUnitTextsPassesEveryText) {
    ComboBoxData d = ThreeSizes();
    d.content = "c";
    d.items = {"a", "b"};
    LOGFONTA lf{};
    std::strcpy(lf.lfFaceName, "Sans");
    d.font.assign(reinterpret_cast<uint8_t*>(&lf), reinterpret_cast<uint8_t*>(&lf) + sizeof lf);
    auto bytes = runtime::templates::WriteStoredUnitData(d);
    auto convert = reinterpret_cast<units::ConvertStoredTextsOp>(Op(runtime::kOpConvertUnitTexts));
    std::string scratch;
    uint32_t length = static_cast<uint32_t>(bytes.size());
    uint8_t* block = convert(bytes.data(), &length, &Shout, reinterpret_cast<uintptr_t>(&scratch));
    ASSERT_NE(block, nullptr);
    ComboBoxData out;
    ASSERT_TRUE(runtime::templates::ReadStoredUnitData(std::span<const uint8_t>(block, length), out));
    runtime::NotifyRuntime(runtime::kNotifyFreeMemory, reinterpret_cast<uintptr_t>(block), 0);
    EXPECT_EQ(out.content, "T:c");
    EXPECT_EQ(out.items, (std::vector<std::string>{"T:a", "T:b"}));
    EXPECT_EQ(out.data_source, "T:");
    LOGFONTA back;
    std::memcpy(&back, out.font.data(), sizeof back);
    EXPECT_STREQ(back.lfFaceName, "face:Sans");
    EXPECT_EQ(out.item_data, d.item_data);
    // Unreadable data: nothing.
    bytes[0] = 9;
    EXPECT_EQ(convert(bytes.data(), &length, &Shout, reinterpret_cast<uintptr_t>(&scratch)), nullptr);
}

}  // namespace

namespace {
TEST_F(ComboBoxTest, FocusEventsOfTheEditField) {
    HWND h = Create(ComboBoxData{});
    HWND other = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 10, 200, 50, 20, host_, 0, 0, nullptr);
    SetFocus(other);
    SigTestWaitIdle(2000);
    g_seen.clear();
    RECT rc;
    GetWindowRect(h, &rc);
    SigTestClick(rc.left + 20, rc.top + 8, 1);  // into the edit field
    SigTestWaitIdle(2000);
    std::vector<int32_t> events;
    for (const Seen& s : g_seen) events.push_back(s.event);
    EXPECT_EQ(events, std::vector<int32_t>{runtime::kEventGotFocus});
    g_seen.clear();
    SetFocus(other);
    SigTestWaitIdle(2000);
    events.clear();
    for (const Seen& s : g_seen) events.push_back(s.event);
    EXPECT_EQ(events, std::vector<int32_t>{runtime::kEventLostFocus});
    // Focus given to the unit itself passes on to its field: entered once.
    g_seen.clear();
    SetFocus(h);
    SigTestWaitIdle(2000);
    events.clear();
    for (const Seen& s : g_seen) events.push_back(s.event);
    EXPECT_EQ(events, std::vector<int32_t>{runtime::kEventGotFocus});
}
}  // namespace
