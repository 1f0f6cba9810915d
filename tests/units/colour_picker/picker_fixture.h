// A colour picker made through its descriptor's create operation on a
// visible holder window that records the picker's notifications.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "runtime/application.h"
#include "runtime/template/stored_unit_data.h"
#include "units/colour_picker.h"
#include "win/commdlg.h"
#include "win/testhooks.h"

namespace pickertest {

inline const bool kHeadless = [] {
    setenv("SIGDESIGNER_BACKEND", "headless", 1);
    return true;
}();

struct Note {
    UINT message;
    uint32_t colour;
    LPARAM id;
};

inline std::vector<Note>& Notes() {
    static std::vector<Note> notes;
    return notes;
}

inline LRESULT CALLBACK HolderProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m >= units::kColourPickerSelChange && m <= units::kColourPickerSelEndCancel) {
        Notes().push_back({m, static_cast<uint32_t>(w), l});
        return 0;
    }
    return DefWindowProcA(h, m, w, l);
}

constexpr uint32_t kControlId = 120;

class PickerTest : public ::testing::Test {
protected:
    void SetUp() override {
        runtime::Application::Instance().Reset();
        SigTestClearDialogAnswers();
        Notes().clear();
        WNDCLASSA wc{};
        if (!GetClassInfoA(0, "PickerHolder", &wc)) {
            wc.lpfnWndProc = HolderProc;
            wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
            wc.lpszClassName = "PickerHolder";
            RegisterClassA(&wc);
        }
    }
    void TearDown() override {
        for (HWND h : made_)
            if (IsWindow(h)) DestroyWindow(h);
        SigTestWaitIdle(200);
        SigTestClearDialogAnswers();
        runtime::Application::Instance().Reset();
    }
    HWND Holder(int x = 100, int y = 100, int w = 300, int h = 200) {
        HWND holder = CreateWindowExA(0, "PickerHolder", "holder", WS_POPUP | WS_VISIBLE, x, y, w, h, 0, 0, 0, nullptr);
        made_.push_back(holder);
        return holder;
    }
    static runtime::CreateUnitOp CreateOp() {
        return reinterpret_cast<runtime::CreateUnitOp>(units::ColourPickerUnitType().lookup(runtime::kOpCreateUnit));
    }
    HWND CreateRaw(const std::vector<uint8_t>& bytes, HWND parent, int x = 20, int y = 20, int w = 80, int h = 24,
                   uint32_t styles = WS_VISIBLE | WS_TABSTOP) {
        HWND c = CreateOp()(bytes.empty() ? nullptr : bytes.data(), static_cast<uint32_t>(bytes.size()), styles, parent,
                            kControlId, 0, x, y, w, h, 0x52000001, 0x16000001, 0, 0);
        if (c) made_.push_back(c);
        return c;
    }
    HWND Create(const runtime::templates::ColourPickerData& data, HWND parent, int x = 20, int y = 20, int w = 80,
                int h = 24, uint32_t styles = WS_VISIBLE | WS_TABSTOP) {
        return CreateRaw(runtime::templates::WriteStoredUnitData(data), parent, x, y, w, h, styles);
    }
    static units::ColourPickerUnit* Unit(HWND h) { return dynamic_cast<units::ColourPickerUnit*>(units::Unit::FromWindow(h)); }
    static uint32_t Get(HWND h, int32_t own) {
        auto get = reinterpret_cast<runtime::GetUnitPropertyOp>(units::ColourPickerUnitType().lookup(runtime::kOpGetUnitProperty));
        runtime::PropertyValue v{};
        EXPECT_EQ(get(h, own, &v), 1);
        return static_cast<uint32_t>(v.value);
    }
    static int32_t Set(HWND h, int32_t own, uint32_t value) {
        auto set = reinterpret_cast<runtime::SetUnitPropertyOp>(units::ColourPickerUnitType().lookup(runtime::kOpSetUnitProperty));
        runtime::PropertyValue v{value, 0};
        uint32_t out = 7;
        int32_t r = set(h, own, &v, &out);
        EXPECT_EQ(out, 0u);
        return r;
    }
    static POINT Centre(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }
    // Clicks the control's swatch and answers the palette that opened.
    static HWND OpenByClick(HWND picker) {
        RECT r;
        GetWindowRect(picker, &r);
        SigTestClick(r.left + 10, (r.top + r.bottom) / 2, 1);
        SigTestWaitIdle(500);
        return Unit(picker) ? Unit(picker)->Palette() : 0;
    }
    // A palette point in screen coordinates.
    static POINT OnScreen(HWND palette, POINT p) {
        RECT r;
        GetWindowRect(palette, &r);
        return POINT{r.left + p.x, r.top + p.y};
    }
    static const units::ColourPalette& PaletteOf(HWND palette) { return *units::ColourPalette::FromWindow(palette); }
    static std::vector<UINT> Messages() {
        std::vector<UINT> m;
        for (const Note& n : Notes()) m.push_back(n.message);
        return m;
    }
    // The swatch box of the closed control, in control coordinates.
    static RECT SwatchBox(HWND picker) {
        RECT c;
        GetClientRect(picker, &c);
        InflateRect(&c, -(GetSystemMetrics(SM_CXEDGE) + 2), -(GetSystemMetrics(SM_CYEDGE) + 1));
        RECT a = Unit(picker)->ArrowRect();
        c.right -= a.right - a.left;
        return c;
    }
    // A pixel of the control, read from its holder's surface.
    static COLORREF ControlPixel(HWND holder, HWND picker, int x, int y) {
        POINT p{x, y};
        MapWindowPoints(picker, holder, &p, 1);
        return SigTestWindowPixel(holder, p.x, p.y);
    }
    std::vector<HWND> made_;
};

}  // namespace pickertest
