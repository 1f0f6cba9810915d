// A colour picker made through its descriptor's create operation on a
// visible holder window that records the picker's notifications.
#pragma once

#include <vector>

#include "tests/units/support/unit_fixture.h"
#include "units/colour_picker.h"
#include "win/commdlg.h"
#include "win/testhooks.h"

namespace pickertest {

struct Note {
    UINT message;
    uint32_t colour;
    LPARAM id;
    static bool Record(HWND, UINT m, WPARAM w, LPARAM l, LRESULT*);
};

inline std::vector<Note>& Notes() {
    static std::vector<Note> notes;
    return notes;
}

inline bool Note::Record(HWND, UINT m, WPARAM w, LPARAM l, LRESULT*) {
    if (m < units::kColourPickerSelChange || m > units::kColourPickerSelEndCancel) return false;
    Notes().push_back({m, static_cast<uint32_t>(w), l});
    return true;
}

inline const runtime::UnitType& Type() {
    static const runtime::UnitType type = units::ColourPickerUnitType();
    return type;
}

class PickerTest : public unit_test::UnitTest {
protected:
    void SetUp() override {
        UnitTest::SetUp();
        SigTestClearDialogAnswers();
        Notes().clear();
    }
    void TearDown() override {
        UnitTest::TearDown();
        SigTestWaitIdle(200);
        SigTestClearDialogAnswers();
    }
    // A host that records the picker's notifications.
    HWND Holder(int x = 100, int y = 100, int w = 300, int h = 200) {
        return MakeParent(x, y, w, h, {GetSysColor(COLOR_BTNFACE), &Note::Record});
    }
    HWND CreateRaw(const std::vector<uint8_t>& bytes, HWND parent, int x = 20, int y = 20, int w = 80, int h = 24) {
        return UnitTest::Create(Type(), bytes, parent, x, y, w, h, unit_test::kUnitId, WS_VISIBLE | WS_TABSTOP);
    }
    HWND Create(const runtime::templates::ColourPickerData& data, HWND parent, int x = 20, int y = 20, int w = 80,
                int h = 24) {
        return CreateRaw(runtime::templates::WriteStoredUnitData(data), parent, x, y, w, h);
    }
    static units::ColourPickerUnit* Unit(HWND h) {
        return dynamic_cast<units::ColourPickerUnit*>(units::Unit::FromWindow(h));
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
};

}  // namespace pickertest
