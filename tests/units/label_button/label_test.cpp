// The label created through its descriptor: stored data of both versions,
// property rules, its private message event, and what it paints.
#include <cstring>

#include "runtime/template/stored_unit_data.h"
#include "tests/units/support/unit_fixture.h"
#include "units/label.h"
#include "units/label_paint.h"
#include "units/label_texts.h"
#include "win/testhooks.h"

namespace {

using runtime::templates::LabelData;
using runtime::templates::WriteStoredUnitData;
using namespace units;

const runtime::UnitType& Type() {
    static const runtime::UnitType type = LabelUnitType();
    return type;
}

class LabelTest : public unit_test::UnitTest {
protected:
    HWND Label(const LabelData& d, int left = 0, int top = 0, int width = 100, int height = 60) {
        if (!parent_) parent_ = MakeParent();
        return Create(Type(), WriteStoredUnitData(d), parent_, left, top, width, height);
    }
    HWND parent_ = 0;
};

// The fields of version 1: everything up to the caption.
std::vector<uint8_t> VersionOneStream(const LabelData& d) {
    std::vector<uint8_t> bytes = WriteStoredUnitData(d);
    bytes[0] = 1;
    bytes.resize(bytes.size() - 8);  // the two empty texts of version 2
    return bytes;
}

TEST_F(LabelTest, DescriptorCarriesTwentyNinePropertiesAndTheLabelOperations) {
    const runtime::UnitType& t = Type();
    EXPECT_STREQ(t.name, "\xB1\xEA\xC7\xA9");
    EXPECT_STREQ(t.englishName, "Label");
    EXPECT_EQ(t.flags, 0x84012040u);
    ASSERT_EQ(t.propertyCount, 29u);
    EXPECT_EQ(t.properties[7].kind, 1011);
    EXPECT_EQ(t.properties[8].kind, 1005);
    EXPECT_EQ(t.properties[11].kind, 1001);
    EXPECT_EQ(t.properties[11].flags, 0x8001);
    EXPECT_EQ(t.properties[15].kind, 1013);
    EXPECT_EQ(t.properties[17].kind, 1017);
    EXPECT_EQ(t.properties[18].kind, 1009);
    EXPECT_EQ(t.properties[25].kind, 1003);
    EXPECT_EQ(t.properties[27].kind, 1018);
    EXPECT_EQ(t.properties[28].kind, 1020);
    for (int32_t op : {1, 4, 5, 6, 9}) EXPECT_NE(t.lookup(op), nullptr) << op;
    for (int32_t op : {7, 8, 10}) EXPECT_EQ(t.lookup(op), nullptr) << op;
}

TEST_F(LabelTest, EmptyStreamShowsEveryDefault) {
    HWND h = Create(Type(), {}, MakeParent(), 0, 0, 80, 20);
    ASSERT_NE(h, 0u);
    char cls[32] = {};
    GetClassNameA(h, cls, sizeof cls);
    EXPECT_STREQ(cls, "_VU_Label");
    EXPECT_EQ(GetText(Type(), h, kLpCaption), "\xB1\xEA\xC7\xA9");
    char title[16] = {};
    GetWindowTextA(h, title, sizeof title);
    EXPECT_STREQ(title, "\xB1\xEA\xC7\xA9");
    EXPECT_EQ(Get(Type(), h, kLpFrameWidth), 8u);
    EXPECT_EQ(Get(Type(), h, kLpFrameColour2), 0xFFFFFFu);
    EXPECT_EQ(Get(Type(), h, kLpBackColour), 0xFF000000u);
    EXPECT_EQ(Get(Type(), h, kLpPictureMode), 1u);
    EXPECT_EQ(Get(Type(), h, kLpVerticalAlignment), 1u);
    EXPECT_EQ(Get(Type(), h, kLpHorizontalAlignment), 0u);
    EXPECT_EQ(Get(Type(), h, kLpWordWrap), 0u);
    EXPECT_EQ(GetBytes(Type(), h, kLpPicture).size(), 0u);
    EXPECT_EQ(GetText(Type(), h, kLpDataSource), "");
    // The window styles of the loader plus child and clip-siblings.
    EXPECT_EQ(Style(h) & (WS_CHILD | WS_CLIPSIBLINGS), static_cast<DWORD>(WS_CHILD | WS_CLIPSIBLINGS));
}

TEST_F(LabelTest, BothStoredVersionsReadAndLaterOrShortStreamsAreRefused) {
    LabelData d;
    d.caption = "v1";
    d.gradient = 3;
    d.text_colour = 0x123456;
    HWND one = Label(d);
    ASSERT_NE(one, 0u);
    std::vector<uint8_t> v1 = VersionOneStream(d);
    HWND old = Create(Type(), v1, parent_, 0, 0, 50, 20);
    ASSERT_NE(old, 0u);
    EXPECT_EQ(GetText(Type(), old, kLpCaption), "v1");
    EXPECT_EQ(Get(Type(), old, kLpGradient), 3u);
    EXPECT_EQ(Get(Type(), old, kLpTextColour), 0x123456u);
    EXPECT_EQ(GetText(Type(), old, kLpDataColumn), "");

    d.data_source = "src";
    d.data_column = "col";
    HWND two = Label(d);
    ASSERT_NE(two, 0u);
    EXPECT_EQ(GetText(Type(), two, kLpDataSource), "src");
    EXPECT_EQ(GetText(Type(), two, kLpDataColumn), "col");

    std::vector<uint8_t> later = WriteStoredUnitData(d);
    later[0] = 3;
    EXPECT_EQ(Create(Type(), later, parent_, 0, 0, 50, 20), 0u);
    // Every cut inside the stream is refused; the whole stream is not.
    std::vector<uint8_t> full = WriteStoredUnitData(d);
    for (size_t cut = 1; cut < full.size(); ++cut) {
        std::vector<uint8_t> part(full.begin(), full.begin() + cut);
        EXPECT_EQ(Create(Type(), part, parent_, 0, 0, 50, 20), 0u) << cut;
    }
    // No parent: the native window cannot be made.
    EXPECT_EQ(Create(Type(), full, 0, 0, 0, 50, 20), 0u);
}

TEST_F(LabelTest, StoredValuesOutsideTheirListsAreBroughtIn) {
    LabelData d;
    d.effect = 9;
    d.border = -3;
    d.frame_width = 2;
    d.picture_mode = 70;
    d.gradient = 12;
    d.horizontal_alignment = -1;
    d.vertical_alignment = 5;
    HWND h = Label(d);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(Get(Type(), h, kLpEffect), 3u);
    EXPECT_EQ(Get(Type(), h, kLpBorder), 0u);
    EXPECT_EQ(Get(Type(), h, kLpFrameWidth), 5u);
    EXPECT_EQ(Get(Type(), h, kLpPictureMode), 2u);
    EXPECT_EQ(Get(Type(), h, kLpGradient), 8u);
    EXPECT_EQ(Get(Type(), h, kLpHorizontalAlignment), 0u);
    EXPECT_EQ(Get(Type(), h, kLpVerticalAlignment), 2u);
}

TEST_F(LabelTest, PropertyWritesClampAndNeverAskForARebuild) {
    HWND h = Label(LabelData{});
    ASSERT_NE(h, 0u);
    EXPECT_EQ(Set(Type(), h, kLpFrameWidth, 2), 0);
    EXPECT_EQ(Get(Type(), h, kLpFrameWidth), 5u);
    Set(Type(), h, kLpFrameWidth, static_cast<uint32_t>(-40));
    EXPECT_EQ(Get(Type(), h, kLpFrameWidth), 5u);
    Set(Type(), h, kLpFrameWidth, 12);
    EXPECT_EQ(Get(Type(), h, kLpFrameWidth), 12u);
    struct Pick {
        int32_t own;
        uint32_t last;
    };
    for (Pick p : {Pick{kLpEffect, 3}, Pick{kLpBorder, 6}, Pick{kLpPictureMode, 2}, Pick{kLpGradient, 8},
                   Pick{kLpHorizontalAlignment, 2}, Pick{kLpVerticalAlignment, 2}}) {
        EXPECT_EQ(Set(Type(), h, p.own, static_cast<uint32_t>(-5)), 0);
        EXPECT_EQ(Get(Type(), h, p.own), 0u) << p.own;
        EXPECT_EQ(Set(Type(), h, p.own, 99), 0);
        EXPECT_EQ(Get(Type(), h, p.own), p.last) << p.own;
    }
    Set(Type(), h, kLpWordWrap, 7);
    EXPECT_EQ(Get(Type(), h, kLpWordWrap), 1u);
    // Colours keep the transparent code as written.
    Set(Type(), h, kLpGradientColour2, 0xFF000000u);
    EXPECT_EQ(Get(Type(), h, kLpGradientColour2), 0xFF000000u);
    // A null text is the empty text, and the window text follows the caption.
    EXPECT_EQ(Set(Type(), h, kLpCaption, 0), 0);
    EXPECT_EQ(GetText(Type(), h, kLpCaption), "");
    SetText(Type(), h, kLpCaption, "\xC4\xE3\xBA\xC3");
    char title[16] = {};
    GetWindowTextA(h, title, sizeof title);
    EXPECT_STREQ(title, "\xC4\xE3\xBA\xC3");
    // Indexes outside the list change nothing and answer 0.
    auto get = reinterpret_cast<runtime::GetUnitPropertyOp>(Type().lookup(runtime::kOpGetUnitProperty));
    runtime::PropertyValue v{};
    EXPECT_EQ(get(h, kLabelPropertyCount, &v), 0);
    EXPECT_EQ(get(h, -1, &v), 0);
    EXPECT_EQ(Set(Type(), h, kLabelPropertyCount, 1), 0);
    EXPECT_EQ(get(0, kLpCaption, &v), 0);
}

TEST_F(LabelTest, BorderValuesSetTheWindowBorderAndTheShadedFrameClearsIt) {
    HWND h = Label(LabelData{});
    Set(Type(), h, kLpBorder, 1);
    EXPECT_NE(GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
    Set(Type(), h, kLpBorder, 5);
    EXPECT_NE(Style(h) & WS_BORDER, 0u);
    Set(Type(), h, kLpBorder, kLabelShadedFrame);
    EXPECT_EQ(Style(h) & WS_BORDER, 0u);
    EXPECT_EQ(GetWindowLongA(h, GWL_EXSTYLE) & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE | WS_EX_DLGMODALFRAME), 0);
}

TEST_F(LabelTest, SavedDataRecreatesTheSameLabel) {
    HWND h = Label(LabelData{});
    SetText(Type(), h, kLpCaption, "saved");
    Set(Type(), h, kLpGradient, 4);
    Set(Type(), h, kLpFrameColour3, 0x00ABCDEF);
    SetText(Type(), h, kLpDataColumn, "c");
    std::vector<uint8_t> font(sizeof(LOGFONTA), 0);
    font[0] = 0xF0;  // height -16
    font[1] = 0xFF;
    font[2] = 0xFF;
    font[3] = 0xFF;
    SetBytes(Type(), h, kLpFont, font);
    std::vector<uint8_t> saved = Saved(Type(), h);
    LabelData back;
    ASSERT_TRUE(runtime::templates::ReadStoredUnitData(saved, back));
    EXPECT_EQ(back.caption, "saved");
    EXPECT_EQ(back.gradient, 4);
    EXPECT_EQ(back.frame_colour3, 0x00ABCDEFu);
    EXPECT_EQ(back.data_column, "c");
    EXPECT_EQ(back.font, font);
    HWND again = Create(Type(), saved, parent_, 0, 0, 40, 20);
    ASSERT_NE(again, 0u);
    EXPECT_EQ(GetText(Type(), again, kLpCaption), "saved");
}

TEST_F(LabelTest, PrivateMessageRaisesEventZeroAndAnswersTheHandlersResult) {
    HWND h = Label(LabelData{});
    // No handler: the message answers 0.
    EXPECT_EQ(SendMessageA(h, kLabelEventMessage, 3, 4), 0);
    ASSERT_EQ(Events(0).size(), 1u);
    EXPECT_EQ(Events(0)[0].window, unit_test::kWindowId);
    EXPECT_EQ(Events(0)[0].args, (std::vector<uint32_t>{3, 4}));
    HandlersAnswer(true, 7);
    EXPECT_EQ(SendMessageA(h, kLabelEventMessage, 3, 4), 7);
    HandlersAnswer(true, static_cast<uint32_t>(-2));
    EXPECT_EQ(static_cast<int32_t>(SendMessageA(h, kLabelEventMessage, 0, 0)), -2);
    EXPECT_EQ(Events(0).size(), 3u);
    // The neighbouring private messages raise nothing.
    SendMessageA(h, kLabelEventMessage + 1, 3, 4);
    SendMessageA(h, kLabelEventMessage - 1, 3, 4);
    EXPECT_EQ(Events(0).size(), 3u);
}

const char* Shout(const char* text, uint32_t flag, uintptr_t context) {
    auto* seen = reinterpret_cast<std::vector<std::pair<std::string, uint32_t>>*>(context);
    seen->push_back({text, flag});
    static std::string out;
    out = std::string(flag ? "F:" : "T:") + text;
    return out.c_str();
}

TEST_F(LabelTest, ConvertUnitTextsPassesEveryTextAndTheFaceName) {
    LabelData d;
    d.caption = "cap";
    d.data_source = "s";
    LOGFONTA lf{};
    std::strcpy(lf.lfFaceName, "Serif");
    d.font.assign(reinterpret_cast<uint8_t*>(&lf), reinterpret_cast<uint8_t*>(&lf) + sizeof lf);
    std::vector<uint8_t> bytes = WriteStoredUnitData(d);
    auto convert = reinterpret_cast<ConvertStoredTextsOp>(Type().lookup(runtime::kOpConvertUnitTexts));
    std::vector<std::pair<std::string, uint32_t>> seen;
    uint32_t length = static_cast<uint32_t>(bytes.size());
    uint8_t* out = convert(bytes.data(), &length, &Shout, reinterpret_cast<uintptr_t>(&seen));
    ASSERT_NE(out, nullptr);
    LabelData back;
    ASSERT_TRUE(runtime::templates::ReadStoredUnitData({out, length}, back));
    runtime::NotifyRuntime(runtime::kNotifyFreeMemory, reinterpret_cast<uintptr_t>(out), 0);
    EXPECT_EQ(back.caption, "T:cap");
    EXPECT_EQ(back.data_source, "T:s");
    EXPECT_EQ(back.data_column, "T:");
    LOGFONTA face{};
    std::memcpy(&face, back.font.data(), sizeof face);
    EXPECT_STREQ(face.lfFaceName, "F:Serif");
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0], (std::pair<std::string, uint32_t>{"Serif", 1}));
    // Unreadable data: nothing.
    bytes[0] = 9;
    EXPECT_EQ(convert(bytes.data(), &length, &Shout, reinterpret_cast<uintptr_t>(&seen)), nullptr);
}

}  // namespace
