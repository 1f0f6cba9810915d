// Shared unit helpers: border styles, fonts and the 60-byte rule, the
// system-default colour, and the runtime's font-part writes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "runtime/application.h"
#include "runtime/windowing/font_members.h"
#include "units/placeholder_unit.h"
#include "units/unit_base.h"

namespace {

const bool kHeadless = [] {
    setenv("SIGDESIGNER_BACKEND", "headless", 1);
    return true;
}();

struct Canvas {
    bool registered = units::RegisterUnitClass("_VU_TestCanvas");
    HWND h = CreateWindowExA(0, "_VU_TestCanvas", "", WS_POPUP, 0, 0, 50, 50, 0, 0, 0, nullptr);
    ~Canvas() { DestroyWindow(h); }
};

TEST(UnitBase, BorderStylesReplaceEachOther) {
    Canvas c;
    units::ApplyBorderStyle(c.h, 4);
    DWORD ex = static_cast<DWORD>(GetWindowLongA(c.h, GWL_EXSTYLE));
    EXPECT_EQ(ex & (WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME), WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME);
    units::ApplyBorderStyle(c.h, 5);
    ex = static_cast<DWORD>(GetWindowLongA(c.h, GWL_EXSTYLE));
    EXPECT_EQ(ex & (WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME | WS_EX_STATICEDGE), 0u);
    EXPECT_NE(static_cast<DWORD>(GetWindowLongA(c.h, GWL_STYLE)) & WS_BORDER, 0u);
    units::ApplyBorderStyle(c.h, 77);  // outside the list: everything cleared
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(c.h, GWL_STYLE)) & WS_BORDER, 0u);
}

TEST(UnitBase, FontsOfOtherThanSixtyBytesFallBackToTheGuiFont) {
    Canvas c;
    LOGFONTA lf{};
    lf.lfHeight = -20;
    std::strcpy(lf.lfFaceName, "Sans");
    std::vector<uint8_t> bytes(reinterpret_cast<uint8_t*>(&lf), reinterpret_cast<uint8_t*>(&lf) + 60);
    HFONT made = units::ApplyFont(c.h, bytes);
    ASSERT_NE(made, 0u);
    LOGFONTA back{};
    GetObjectA(made, sizeof back, &back);
    EXPECT_EQ(back.lfHeight, -20);
    EXPECT_EQ(back.lfQuality, 2);
    EXPECT_EQ(back.lfCharSet, DEFAULT_CHARSET);
    DeleteObject(made);
    bytes.pop_back();  // 59 bytes
    EXPECT_EQ(units::ApplyFont(c.h, bytes), 0u);
}

TEST(UnitBase, SystemDefaultColourIsTheButtonFace) {
    EXPECT_EQ(units::ResolveBackColour(0xFF000000u), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(units::ResolveBackColour(0x00123456u), 0x00123456u);
    EXPECT_EQ(units::ClampPick(static_cast<uint32_t>(-5), 3), 0);
    EXPECT_EQ(units::ClampPick(99, 3), 3);
}

TEST(UnitBase, FontPartsWrittenByTheRuntime) {
    LOGFONTA lf{};
    auto* f = reinterpret_cast<uint8_t*>(&lf);
    runtime::windowing::ApplyFontMember(f, 0, 3700, 96);
    EXPECT_EQ(lf.lfOrientation, 100);
    EXPECT_EQ(lf.lfEscapement, 100);
    runtime::windowing::ApplyFontMember(f, 1, 1, 96);
    EXPECT_EQ(lf.lfWeight, 700);
    runtime::windowing::ApplyFontMember(f, 1, 0, 96);
    EXPECT_EQ(lf.lfWeight, 0);
    runtime::windowing::ApplyFontMember(f, 4, 1, 96);
    EXPECT_EQ(lf.lfUnderline, 1);
    runtime::windowing::ApplyFontMember(f, 5, 9, 96);
    EXPECT_EQ(lf.lfHeight, -12);
    char face[] = "Serif";
    runtime::windowing::ApplyFontMember(f, 6, reinterpret_cast<uintptr_t>(face), 96);
    EXPECT_STREQ(lf.lfFaceName, "Serif");
    // Empty, or 32 bytes and more: the default Chinese face.
    std::string tooLong(32, 'a');
    runtime::windowing::ApplyFontMember(f, 6, reinterpret_cast<uintptr_t>(tooLong.c_str()), 96);
    EXPECT_EQ(std::string(lf.lfFaceName), std::string("\xCB\xCE\xCC\xE5"));
    runtime::windowing::ApplyFontMember(f, 6, 0, 96);
    EXPECT_EQ(std::string(lf.lfFaceName), std::string("\xCB\xCE\xCC\xE5"));
}

}  // namespace

namespace {

HWND g_destroyOnFocus = 0;
int g_focusEvents = 0;

intptr_t DestroyingHandler(int32_t message, uintptr_t first, uintptr_t) {
    if (message != runtime::kNotifyRaiseEvent || !first) return 0;
    auto* r = reinterpret_cast<runtime::EventRecord*>(first);
    if (r->event != runtime::kEventGotFocus) return 0;
    ++g_focusEvents;
    if (g_destroyOnFocus) DestroyWindow(g_destroyOnFocus);
    return 1;
}

}  // namespace

TEST(UnitBase, AFocusHandlerMayDestroyItsUnit) {
    runtime::Application::Instance().Reset();
    runtime::Application::Instance().Windows().notify = &DestroyingHandler;
    Canvas c;
    ShowWindow(c.h, SW_SHOW);
    const runtime::UnitType type = units::PlaceholderUnitType("t", "T", 0x80000040, 8);
    auto create = reinterpret_cast<runtime::CreateUnitOp>(type.lookup(runtime::kOpCreateUnit));
    HWND unit = create(nullptr, 0, WS_VISIBLE | WS_TABSTOP, c.h, 7, 0, 2, 2, 20, 20, 0x52000001, 0x16000001, 0, 0);
    ASSERT_NE(unit, 0u);
    g_destroyOnFocus = unit;
    g_focusEvents = 0;
    SetFocus(unit);  // the got-focus handler destroys the unit before the unit sees the message
    EXPECT_EQ(g_focusEvents, 1);
    EXPECT_FALSE(IsWindow(unit));
    g_destroyOnFocus = 0;
    runtime::Application::Instance().Reset();
}
