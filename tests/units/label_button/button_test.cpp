// The button: stored data, style bits of its type and alignments, pictures
// and the rebuild they ask for, clicks by mouse, Space, BM_CLICK and Enter
// as the window's default button, focus events.
#include "runtime/template/stored_unit_data.h"
#include "tests/units/support/unit_fixture.h"
#include "units/button.h"
#include "units/label_texts.h"
#include "units/window_unit.h"
#include "win/testhooks.h"

namespace {

using runtime::templates::ButtonData;
using runtime::templates::WriteStoredUnitData;
using namespace units;

const runtime::UnitType& Type() {
    static const runtime::UnitType type = ButtonUnitType();
    return type;
}

class ButtonTest : public unit_test::UnitTest {
protected:
    HWND Button(const ButtonData& d, int left = 20, int top = 20, int width = 90, int height = 32) {
        if (!parent_) parent_ = MakeParent(100, 100, 300, 200);
        return Create(Type(), WriteStoredUnitData(d), parent_, left, top, width, height);
    }
    // What the runtime does when a write answers 1.
    HWND Rebuild(HWND old) {
        std::vector<uint8_t> saved = Saved(Type(), old);
        RECT r;
        GetWindowRect(old, &r);
        POINT at{r.left, r.top};
        ScreenToClient(GetParent(old), &at);
        HWND fresh = Create(Type(), saved, GetParent(old), at.x, at.y, r.right - r.left, r.bottom - r.top);
        DestroyWindow(old);
        return fresh;
    }
    static int32_t IsDefault(HWND h) {
        auto op = reinterpret_cast<runtime::IsDefaultButtonOp>(Type().lookup(runtime::kOpIsDefaultButton));
        return op(h);
    }
    POINT Centre(HWND h) {
        RECT r;
        GetWindowRect(h, &r);
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    HWND parent_ = 0;
};

TEST_F(ButtonTest, DescriptorAndDefaults) {
    const runtime::UnitType& t = Type();
    EXPECT_STREQ(t.name, "\xB0\xB4\xC5\xA5");
    EXPECT_STREQ(t.englishName, "Button");
    EXPECT_EQ(t.flags, 0x80000840u);
    ASSERT_EQ(t.propertyCount, 14u);
    EXPECT_EQ(t.properties[8].kind, 1009);
    EXPECT_EQ(t.properties[10].kind, 1005);
    EXPECT_EQ(t.properties[13].kind, 1013);
    for (int32_t op : {1, 4, 5, 6, 9, 10}) EXPECT_NE(t.lookup(op), nullptr) << op;
    for (int32_t op : {7, 8}) EXPECT_EQ(t.lookup(op), nullptr) << op;

    HWND h = Create(Type(), {}, MakeParent(), 0, 0, 80, 30);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(GetText(Type(), h, kBpCaption), "\xB0\xB4\xC5\xA5");
    EXPECT_EQ(Get(Type(), h, kBpType), 0u);
    EXPECT_EQ(Get(Type(), h, kBpHorizontalAlignment), 1u);
    EXPECT_EQ(Get(Type(), h, kBpVerticalAlignment), 1u);
    const DWORD s = Style(h);
    EXPECT_EQ(s & BS_TYPEMASK, static_cast<DWORD>(BS_PUSHBUTTON));
    EXPECT_EQ(s & BS_CENTER, static_cast<DWORD>(BS_CENTER));
    EXPECT_EQ(s & BS_VCENTER, static_cast<DWORD>(BS_VCENTER));
    EXPECT_NE(s & BS_MULTILINE, 0u);
    EXPECT_EQ(s & (BS_BITMAP | BS_ICON), 0u);
    EXPECT_EQ(IsDefault(h), 0);
}

TEST_F(ButtonTest, StoredDataSetsTheStylesAndBadStreamsAreRefused) {
    ButtonData d;
    d.type = 1;
    d.horizontal_alignment = 0;
    d.vertical_alignment = 2;
    d.caption = "OK";
    HWND h = Button(d);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(Style(h) & BS_TYPEMASK, static_cast<DWORD>(BS_DEFPUSHBUTTON));
    EXPECT_EQ(Style(h) & BS_CENTER, static_cast<DWORD>(BS_LEFT));
    EXPECT_EQ(Style(h) & BS_VCENTER, static_cast<DWORD>(BS_BOTTOM));
    EXPECT_EQ(IsDefault(h), 1);
    EXPECT_EQ(Saved(Type(), h), WriteStoredUnitData(d));
    std::vector<uint8_t> bytes = WriteStoredUnitData(d);
    std::vector<uint8_t> later = bytes;
    later[0] = 2;
    EXPECT_EQ(Create(Type(), later, parent_, 0, 0, 50, 20), 0u);
    for (size_t cut = 1; cut < bytes.size(); ++cut)
        EXPECT_EQ(Create(Type(), std::vector<uint8_t>(bytes.begin(), bytes.begin() + cut), parent_, 0, 0, 50, 20), 0u)
            << cut;
    EXPECT_EQ(Create(Type(), bytes, 0, 0, 0, 50, 20), 0u);
    d.type = 7;
    d.horizontal_alignment = -2;
    HWND clamped = Button(d);
    ASSERT_NE(clamped, 0u);
    EXPECT_EQ(Get(Type(), clamped, kBpType), 1u);
    EXPECT_EQ(Get(Type(), clamped, kBpHorizontalAlignment), 0u);
}

TEST_F(ButtonTest, WritesReplaceStyleBitsAndOnlyThePictureAsksForARebuild) {
    HWND h = Button(ButtonData{});
    EXPECT_EQ(Set(Type(), h, kBpType, 1), 0);
    EXPECT_EQ(IsDefault(h), 1);
    EXPECT_EQ(Set(Type(), h, kBpType, 99), 0);
    EXPECT_EQ(Get(Type(), h, kBpType), 1u);
    EXPECT_EQ(Set(Type(), h, kBpType, static_cast<uint32_t>(-3)), 0);
    EXPECT_EQ(IsDefault(h), 0);
    EXPECT_EQ(Style(h) & BS_TYPEMASK, static_cast<DWORD>(BS_PUSHBUTTON));
    EXPECT_EQ(Set(Type(), h, kBpHorizontalAlignment, 2), 0);
    EXPECT_EQ(Style(h) & BS_CENTER, static_cast<DWORD>(BS_RIGHT));
    EXPECT_EQ(Set(Type(), h, kBpVerticalAlignment, 0), 0);
    EXPECT_EQ(Style(h) & BS_VCENTER, static_cast<DWORD>(BS_TOP));
    // The other bits survive the replacements.
    EXPECT_NE(Style(h) & BS_MULTILINE, 0u);
    EXPECT_NE(Style(h) & WS_VISIBLE, 0u);
    EXPECT_EQ(SetText(Type(), h, kBpCaption, "go"), 0);
    char text[8] = {};
    GetWindowTextA(h, text, sizeof text);
    EXPECT_STREQ(text, "go");
    EXPECT_EQ(Set(Type(), h, kBpCaption, 0), 0);
    EXPECT_EQ(GetText(Type(), h, kBpCaption), "");
    std::vector<uint8_t> font(60, 0);
    font[0] = 0xEC;
    font[1] = font[2] = font[3] = 0xFF;  // height -20
    EXPECT_EQ(SetBytes(Type(), h, kBpFont, font), 0);
    LOGFONTA lf{};
    ASSERT_NE(GetObjectA(static_cast<HGDIOBJ>(SendMessageA(h, WM_GETFONT, 0, 0)), sizeof lf, &lf), 0);
    EXPECT_EQ(lf.lfHeight, -20);
    EXPECT_EQ(SetBytes(Type(), h, kBpPicture, unit_test::SolidBmp(4, 4, 0xFF)), 1);
    EXPECT_EQ(Set(Type(), h, kButtonPropertyCount, 0), 0);
}

TEST_F(ButtonTest, PicturesAreHandedToTheControlOnRebuild) {
    HWND h = Button(ButtonData{}, 20, 20, 60, 40);
    ASSERT_EQ(SetBytes(Type(), h, kBpPicture, unit_test::SolidBmp(10, 8, 0x0000FF00)), 1);
    h = Rebuild(h);
    ASSERT_NE(h, 0u);
    EXPECT_NE(Style(h) & BS_BITMAP, 0u);
    EXPECT_NE(SendMessageA(h, BM_GETIMAGE, IMAGE_BITMAP, 0), 0);
    // The picture shows in the middle of the face.
    EXPECT_EQ(unit_test::Capture(parent_).At(50, 40), 0x0000FF00u);
    // An icon file makes an icon button.
    ASSERT_EQ(SetBytes(Type(), h, kBpPicture, unit_test::SolidIco(16, 0x00FF0000)), 1);
    h = Rebuild(h);
    ASSERT_NE(h, 0u);
    EXPECT_NE(Style(h) & BS_ICON, 0u);
    EXPECT_EQ(Style(h) & BS_BITMAP, 0u);
    // Bytes that are no picture: the caption shows, the bytes stay.
    std::vector<uint8_t> junk{'G', 'I', 'F', '8', '9', 'a', 0, 0};
    ASSERT_EQ(SetBytes(Type(), h, kBpPicture, junk), 1);
    h = Rebuild(h);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(Style(h) & (BS_ICON | BS_BITMAP), 0u);
    EXPECT_EQ(SendMessageA(h, BM_GETIMAGE, IMAGE_BITMAP, 0), 0);
    EXPECT_EQ(GetBytes(Type(), h, kBpPicture), junk);
}

TEST_F(ButtonTest, MouseSpaceAndClickMessagesRaiseEventZeroOnce) {
    HWND h = Button(ButtonData{});
    POINT c = Centre(h);
    SigTestClick(c.x, c.y, 1);
    SigTestWaitIdle(2000);
    EXPECT_EQ(Events(0).size(), 1u);
    // Pressed on the button, released off it: no click.
    SigTestMouseButton(c.x, c.y, 1, TRUE);
    SigTestWaitIdle(2000);
    SigTestMouseMove(c.x + 200, c.y + 100);
    SigTestMouseButton(c.x + 200, c.y + 100, 1, FALSE);
    SigTestWaitIdle(2000);
    EXPECT_EQ(Events(0).size(), 1u);
    // Space on the focused button.
    SetFocus(h);
    SigTestKeyPress(VK_SPACE);
    SigTestWaitIdle(2000);
    EXPECT_EQ(Events(0).size(), 2u);
    // A Space release without its press does nothing.
    SendMessageA(h, WM_KEYUP, VK_SPACE, 0);
    EXPECT_EQ(Events(0).size(), 2u);
    SendMessageA(h, BM_CLICK, 0, 0);
    EXPECT_EQ(Events(0).size(), 3u);
    EnableWindow(h, FALSE);
    SendMessageA(h, BM_CLICK, 0, 0);
    EXPECT_EQ(Events(0).size(), 3u);
    EXPECT_TRUE(Events(0)[0].args.empty());
}

TEST_F(ButtonTest, ParentThatHandsBackTheNotificationStillGivesOneClick) {
    HWND h = Button(ButtonData{});
    SendMessageA(h, WM_COMMAND, MAKEWPARAM(100, BN_CLICKED), static_cast<LPARAM>(h));
    EXPECT_EQ(Events(0).size(), 1u);
    // Other notifications, or ones about other windows, raise nothing.
    SendMessageA(h, WM_COMMAND, MAKEWPARAM(100, BN_SETFOCUS), static_cast<LPARAM>(h));
    SendMessageA(h, WM_COMMAND, MAKEWPARAM(100, BN_CLICKED), static_cast<LPARAM>(parent_));
    EXPECT_EQ(Events(0).size(), 1u);
}

TEST_F(ButtonTest, HandlerThatDestroysTheButtonDuringItsClick) {
    HWND h = Button(ButtonData{});
    HandlersAnswer(true, 0);
    // The handler's effect is simulated by destroying the window from inside
    // the notification the parent hands back.
    struct Destroyer {
        static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
            if (m == WM_COMMAND && HIWORD(wp) == BN_CLICKED) {
                HWND b = static_cast<HWND>(lp);
                SendMessageA(b, WM_COMMAND, wp, lp);
                DestroyWindow(b);
                return 0;
            }
            return DefWindowProcA(w, m, wp, lp);
        }
    };
    SetWindowLongPtrA(parent_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Destroyer::Proc));
    SendMessageA(h, BM_CLICK, 0, 0);
    EXPECT_FALSE(IsWindow(h));
    EXPECT_EQ(Events(0).size(), 1u);
}

TEST_F(ButtonTest, FocusEventsAndEnterAsTheDefaultButton) {
    runtime::templates::WindowData wd;
    wd.border = 0;
    wd.position = 0;
    auto bytes = WriteStoredUnitData(wd);
    auto create = reinterpret_cast<runtime::CreateUnitOp>(WindowUnitType().lookup(runtime::kOpCreateUnit));
    HWND window = create(bytes.data(), static_cast<uint32_t>(bytes.size()), 0, 0, 0, 0, 50, 50, 300, 200,
                         unit_test::kWindowId, 0, 0, 0);
    ASSERT_NE(window, 0u);
    made_.push_back(window);
    ShowWindow(window, SW_SHOWNORMAL);
    HWND ok = Create(Type(), {}, window, 10, 10, 80, 30, 0x16000002, WS_VISIBLE | WS_TABSTOP);
    HWND other = Create(Type(), {}, window, 10, 60, 80, 30, 0x16000003, WS_VISIBLE | WS_TABSTOP);
    ASSERT_NE(ok, 0u);
    ASSERT_NE(other, 0u);
    SetFocus(other);
    EXPECT_EQ(Events(runtime::kEventGotFocus, 0x16000003).size(), 1u);
    MSG enter{};
    enter.hwnd = other;
    enter.message = WM_KEYDOWN;
    enter.wParam = VK_RETURN;
    // Nobody is a default button: Enter is not the window's.
    EXPECT_EQ(SendMessageA(window, runtime::kMsgPreTranslate, 0, reinterpret_cast<LPARAM>(&enter)), 0);
    Set(Type(), ok, kBpType, 1);
    EXPECT_EQ(SendMessageA(window, runtime::kMsgPreTranslate, 0, reinterpret_cast<LPARAM>(&enter)), 1);
    EXPECT_EQ(Events(0, 0x16000002).size(), 1u);
    EXPECT_EQ(Events(0, 0x16000003).size(), 0u);
    SetFocus(ok);
    EXPECT_EQ(Events(runtime::kEventLostFocus, 0x16000003).size(), 1u);
    EXPECT_EQ(Events(runtime::kEventGotFocus, 0x16000002).size(), 1u);
}

TEST_F(ButtonTest, ConvertUnitTextsPassesTheCaption) {
    ButtonData d;
    d.caption = "a";
    std::vector<uint8_t> bytes = WriteStoredUnitData(d);
    auto convert = reinterpret_cast<ConvertStoredTextsOp>(Type().lookup(runtime::kOpConvertUnitTexts));
    uint32_t length = static_cast<uint32_t>(bytes.size());
    uint8_t* out = convert(
        bytes.data(), &length, [](const char*, uint32_t, uintptr_t) -> const char* { return "bb"; }, 0);
    ASSERT_NE(out, nullptr);
    ButtonData back;
    ASSERT_TRUE(runtime::templates::ReadStoredUnitData({out, length}, back));
    runtime::NotifyRuntime(runtime::kNotifyFreeMemory, reinterpret_cast<uintptr_t>(out), 0);
    EXPECT_EQ(back.caption, "bb");
    EXPECT_EQ(convert(bytes.data(), &length, nullptr, 0), nullptr);
}

}  // namespace
