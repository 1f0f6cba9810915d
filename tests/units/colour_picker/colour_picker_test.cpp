// The colour picker through its descriptor's operations, headless: stored
// data, properties, the closed control's drawing, the palette's layout,
// pixels, mouse and keyboard, the system colour dialog and the
// notifications its holder receives.
#include "tests/units/colour_picker/picker_fixture.h"

#include <cstring>

#include "runtime/application.h"

namespace pickertest {
namespace {

using runtime::templates::ColourPickerData;
using units::kTransparentColour;

std::vector<uint8_t> Words(std::initializer_list<uint32_t> words) {
    std::vector<uint8_t> out;
    for (uint32_t w : words)
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(w >> (8 * i)));
    return out;
}

TEST_F(PickerTest, DescriptorCarriesTenPropertiesAndTheCommonOperations) {
    runtime::UnitType type = units::ColourPickerUnitType();
    EXPECT_STREQ(type.name, "颜色选择器");
    EXPECT_STREQ(type.englishName, "ColorPicker");
    EXPECT_EQ(type.flags, 0x80000040u);
    ASSERT_EQ(type.propertyCount, 10u);
    EXPECT_EQ(type.properties[7].flags, 0xE000);
    EXPECT_EQ(type.properties[8].kind, 1015);
    EXPECT_EQ(type.properties[9].kind, 1003);
    EXPECT_EQ(type.properties[9].flags, 0x8000);
    EXPECT_NE(type.lookup(runtime::kOpSaveUnitProperties), nullptr);
    EXPECT_EQ(type.lookup(runtime::kOpWantsKey), nullptr);
    EXPECT_EQ(type.lookup(runtime::kOpIsDefaultButton), nullptr);
}

TEST_F(PickerTest, StoredDataOfEveryVersionAndItsFailures) {
    HWND holder = Holder();
    // Empty: black, no transparency.
    HWND empty = CreateRaw({}, holder);
    ASSERT_NE(empty, 0u);
    EXPECT_EQ(Get(Type(), empty, units::kCpColour), 0u);
    EXPECT_EQ(Get(Type(), empty, units::kCpTransparency), 0u);
    // Version 0 and version 1 carry the same two words; bytes after them are ignored.
    HWND v0 = CreateRaw(Words({0, 0x00123456, 1}), holder);
    ASSERT_NE(v0, 0u);
    EXPECT_EQ(Get(Type(), v0, units::kCpColour), 0x00123456u);
    EXPECT_EQ(Get(Type(), v0, units::kCpTransparency), 1u);
    HWND v1 = CreateRaw(Words({1, kTransparentColour, 1, 0xDEADBEEF}), holder);
    ASSERT_NE(v1, 0u);
    EXPECT_EQ(Get(Type(), v1, units::kCpColour), kTransparentColour);
    // A stored transparent code without transparency becomes black.
    HWND noT = CreateRaw(Words({1, kTransparentColour, 0}), holder);
    ASSERT_NE(noT, 0u);
    EXPECT_EQ(Get(Type(), noT, units::kCpColour), 0u);
    EXPECT_EQ(Unit(noT)->Swatch(), 0u);
    // A higher version, or a stream ending inside its words, fails creation.
    EXPECT_EQ(CreateRaw(Words({2, 0, 0}), holder), 0u);
    EXPECT_EQ(CreateRaw(Words({1, 0x00FF00}), holder), 0u);
    EXPECT_EQ(CreateRaw({1, 0, 0}, holder), 0u);
    EXPECT_EQ(CreateRaw({1, 0, 0, 0, 5, 0, 0, 0, 1, 0}, holder), 0u);  // ends inside the switch
    // No parent: no native window, no unit.
    EXPECT_EQ(CreateRaw(Words({1, 0x00FF00, 1}), 0), 0u);
}

TEST_F(PickerTest, ArbitraryBytesEitherCreateOrFailCleanly) {
    HWND holder = Holder();
    uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1103515245u + 12345u; };
    for (int round = 0; round < 300; ++round) {
        std::vector<uint8_t> bytes(next() % 20);
        for (auto& b : bytes) b = static_cast<uint8_t>(next() >> 16);
        if (round % 3 == 0 && bytes.size() >= 4) bytes[0] = static_cast<uint8_t>(round % 2), bytes[1] = bytes[2] = bytes[3] = 0;
        uint32_t version = 0;
        if (bytes.size() >= 4) std::memcpy(&version, bytes.data(), 4);
        const bool readable = bytes.empty() || (bytes.size() >= 12 && version <= 1);
        HWND h = CreateRaw(bytes, holder);
        EXPECT_EQ(h != 0, readable) << "round " << round;
        if (h) {
            uint32_t colour = 0;
            if (!bytes.empty()) std::memcpy(&colour, bytes.data() + 4, 4);
            const bool transparency = !bytes.empty() && (bytes[8] | bytes[9] | bytes[10] | bytes[11]) != 0;
            EXPECT_EQ(Get(Type(), h, units::kCpColour), !transparency && colour == kTransparentColour ? 0u : colour);
            DestroyWindow(h);
        }
        // Without a parent nothing is made, whatever the bytes.
        EXPECT_EQ(CreateRaw(bytes, 0), 0u);
    }
    // A missing value is refused by the operations themselves.
    HWND h = Create(ColourPickerData{}, holder);
    auto set = reinterpret_cast<runtime::SetUnitPropertyOp>(Type().lookup(runtime::kOpSetUnitProperty));
    auto get = reinterpret_cast<runtime::GetUnitPropertyOp>(Type().lookup(runtime::kOpGetUnitProperty));
    EXPECT_EQ(set(h, units::kCpColour, nullptr, nullptr), 0);
    EXPECT_EQ(get(h, units::kCpColour, nullptr), 0);
}

TEST_F(PickerTest, SavedDataReadsBackTheCurrentValues) {
    HWND holder = Holder();
    ColourPickerData data;
    data.transparency = true;
    HWND h = Create(data, holder);
    Set(Type(), h, units::kCpColour, 0x00ABCDEF);
    runtime::Application::Instance().Heap().Start();
    EXPECT_EQ(Saved(Type(), h), Words({1, 0x00ABCDEF, 1}));
}

TEST_F(PickerTest, PropertyWritesStoreAndNeverRebuild) {
    HWND holder = Holder();
    HWND h = Create(ColourPickerData{}, holder);
    EXPECT_EQ(Set(Type(), h, units::kCpColour, 0x000000FF), 0);
    EXPECT_EQ(Get(Type(), h, units::kCpColour), 0x000000FFu);
    EXPECT_EQ(Unit(h)->Swatch(), 0x000000FFu);
    EXPECT_EQ(Set(Type(), h, units::kCpTransparency, 5), 0);
    EXPECT_EQ(Get(Type(), h, units::kCpTransparency), 1u);
    EXPECT_EQ(Unit(h)->Swatch(), 0x000000FFu);  // the colour is left alone
    EXPECT_EQ(Set(Type(), h, units::kCpTransparency, 0), 0);
    EXPECT_EQ(Get(Type(), h, units::kCpTransparency), 0u);
    // Unknown indexes change nothing and read nothing.
    auto get = reinterpret_cast<runtime::GetUnitPropertyOp>(Type().lookup(runtime::kOpGetUnitProperty));
    runtime::PropertyValue v{};
    for (int32_t bad : {-1, 2, 100, 0x7FFFFFFF}) {
        EXPECT_EQ(Set(Type(), h, bad, 0x12345678), 0);
        EXPECT_EQ(get(h, bad, &v), 0);
    }
    EXPECT_EQ(Get(Type(), h, units::kCpColour), 0x000000FFu);
    // No unit behind the handle: refused.
    EXPECT_EQ(get(holder, units::kCpColour, &v), 0);
}

TEST_F(PickerTest, TransparentCodeWithoutTransparencyShowsBlackButReadsBack) {
    HWND holder = Holder();
    HWND h = Create(ColourPickerData{}, holder);
    Set(Type(), h, units::kCpColour, 0x00FFFFFF);
    Set(Type(), h, units::kCpColour, kTransparentColour);
    EXPECT_EQ(Get(Type(), h, units::kCpColour), kTransparentColour);
    EXPECT_EQ(Unit(h)->Swatch(), 0u);
    RECT box = SwatchBox(h);
    EXPECT_EQ(ControlPixel(holder, h, (box.left + box.right) / 2, (box.top + box.bottom) / 2), RGB(0, 0, 0));
    // The palette opens on the black cell it shows.
    HWND palette = OpenByClick(h);
    ASSERT_NE(palette, 0u);
    EXPECT_EQ(PaletteOf(palette).InitialItem(), 0);
    EXPECT_FALSE(PaletteOf(palette).Layout().hasTransparent);
    SigTestKeyPress(VK_ESCAPE);
    SigTestWaitIdle(500);
    EXPECT_EQ(Get(Type(), h, units::kCpColour), kTransparentColour);
}

TEST_F(PickerTest, TransparentCodeWithTransparencyShowsWhiteAndOpensOnTheTransparentEntry) {
    HWND holder = Holder();
    ColourPickerData data;
    data.transparency = true;
    data.colour = kTransparentColour;
    HWND h = Create(data, holder, 20, 20, 100, 24);
    EXPECT_EQ(Unit(h)->Swatch(), kTransparentColour);
    RECT box = SwatchBox(h);
    // Near the box's corner, clear of the centred text.
    EXPECT_EQ(ControlPixel(holder, h, box.left + 2, box.top + 2), RGB(255, 255, 255));
    // The text is drawn: the box's inside holds dark pixels.
    int dark = 0;
    for (int x = box.left + 2; x < box.right - 2; ++x)
        for (int y = box.top + 2; y < box.bottom - 2; ++y) {
            COLORREF c = ControlPixel(holder, h, x, y);
            if (GetRValue(c) + GetGValue(c) + GetBValue(c) < 300) ++dark;
        }
    EXPECT_GT(dark, 5);
    // Transparency turned off clears the text; the swatch keeps the code (white).
    Set(Type(), h, units::kCpTransparency, 0);
    EXPECT_EQ(Unit(h)->Swatch(), kTransparentColour);
    InvalidateRect(h, nullptr, FALSE);
    dark = 0;
    for (int x = box.left + 2; x < box.right - 2; ++x)
        for (int y = box.top + 2; y < box.bottom - 2; ++y) {
            COLORREF c = ControlPixel(holder, h, x, y);
            if (GetRValue(c) + GetGValue(c) + GetBValue(c) < 300) ++dark;
        }
    EXPECT_EQ(dark, 0);
    Set(Type(), h, units::kCpTransparency, 1);
    Set(Type(), h, units::kCpColour, kTransparentColour);
    HWND palette = OpenByClick(h);
    ASSERT_NE(palette, 0u);
    EXPECT_EQ(PaletteOf(palette).InitialItem(), units::kItemTransparent);
    EXPECT_TRUE(PaletteOf(palette).Layout().hasTransparent);
    SigTestKeyPress(VK_ESCAPE);
    SigTestWaitIdle(500);
}

TEST_F(PickerTest, ClosedControlDrawing) {
    HWND holder = Holder();
    ColourPickerData data;
    data.colour = RGB(0, 128, 0);
    HWND h = Create(data, holder, 20, 20, 80, 24);
    RECT c, box = SwatchBox(h);
    GetClientRect(h, &c);
    const RECT a = Unit(h)->ArrowRect();
    // The arrow: as wide as the widest of the edge and thumb measures, inside the edges.
    const int cx = GetSystemMetrics(SM_CXEDGE), cy = GetSystemMetrics(SM_CYEDGE);
    const int w = std::max({5 * cx, GetSystemMetrics(SM_CXHTHUMB), 5 * cy, GetSystemMetrics(SM_CYVTHUMB)});
    EXPECT_EQ(a.right, c.right - cx);
    EXPECT_EQ(a.left, c.right - w - cx);
    EXPECT_EQ(a.top, cy);
    EXPECT_EQ(a.bottom, c.bottom - cy);
    // Swatch inside a black one-pixel frame; white between the edge and the frame.
    EXPECT_EQ(ControlPixel(holder, h, (box.left + box.right) / 2, (box.top + box.bottom) / 2), RGB(0, 128, 0));
    EXPECT_EQ(ControlPixel(holder, h, box.left, (box.top + box.bottom) / 2), RGB(0, 0, 0));
    EXPECT_EQ(ControlPixel(holder, h, box.left - 1, (box.top + box.bottom) / 2), RGB(255, 255, 255));
    // The arrow face is a button, not the swatch.
    EXPECT_EQ(ControlPixel(holder, h, a.left + 2, a.top + 2), GetSysColor(COLOR_BTNFACE));
    // Disabled: the box takes the button face.
    EnableWindow(h, FALSE);
    EXPECT_EQ(ControlPixel(holder, h, (box.left + box.right) / 2, (box.top + box.bottom) / 2), GetSysColor(COLOR_BTNFACE));
    // A disabled control does not open.
    EXPECT_EQ(OpenByClick(h), 0u);
    EXPECT_TRUE(Notes().empty());
}

TEST_F(PickerTest, PaletteOpensUnderTheControlWithItsLayoutAndCells) {
    HWND holder = Holder(100, 100);
    ColourPickerData data;
    data.colour = RGB(255, 0, 0);
    HWND h = Create(data, holder);
    HWND palette = OpenByClick(h);
    ASSERT_NE(palette, 0u);
    char cls[32] = "";
    GetClassNameA(palette, cls, sizeof cls);
    EXPECT_STREQ(cls, "_VU_ColourPopup");
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(palette, GWL_STYLE)) & (WS_POPUP | WS_VISIBLE | WS_CAPTION),
              static_cast<DWORD>(WS_POPUP | WS_VISIBLE));
    EXPECT_TRUE(Unit(h)->PaletteOpen());
    RECT pr, cr;
    GetWindowRect(palette, &pr);
    GetWindowRect(h, &cr);
    EXPECT_EQ(pr.left, cr.left);
    EXPECT_EQ(pr.top, cr.bottom);
    const auto& layout = PaletteOf(palette).Layout();
    const int m = GetSystemMetrics(SM_CXEDGE);
    EXPECT_EQ(layout.margin, m);
    EXPECT_EQ(layout.cell, std::max(18, 2 * m + 7));
    EXPECT_EQ(pr.right - pr.left, layout.width);
    EXPECT_EQ(pr.bottom - pr.top, layout.height);
    EXPECT_FALSE(layout.hasTransparent);
    ASSERT_TRUE(layout.hasMore);
    EXPECT_GE(layout.width, 7 * layout.cell + 2 * m);
    // Red is cell 12: the initial item; the hot item starts as none.
    EXPECT_EQ(PaletteOf(palette).InitialItem(), 12);
    EXPECT_EQ(PaletteOf(palette).HotItem(), units::kItemNone);
    // Every cell shows its table colour in the middle, framed in the shadow colour.
    for (int i = 0; i < units::kPaletteColourCount; ++i) {
        RECT cell = layout.Cell(i);
        EXPECT_EQ(cell.left, (i % 7) * layout.cell + m) << i;
        EXPECT_EQ(cell.top, (i / 7) * layout.cell + m) << i;
        POINT c = Centre(cell);
        EXPECT_EQ(SigTestWindowPixel(palette, c.x, c.y), units::PaletteColour(i).colour) << i;
        EXPECT_EQ(SigTestWindowPixel(palette, cell.left + m + 1, c.y), GetSysColor(COLOR_3DSHADOW)) << i;
    }
    // The initial cell sits on the 3-D highlight colour; the others on the button face.
    RECT red = layout.Cell(12), blue = layout.Cell(9);
    EXPECT_EQ(SigTestWindowPixel(palette, red.left + m, red.top + m), GetSysColor(COLOR_3DHILIGHT));
    EXPECT_EQ(SigTestWindowPixel(palette, blue.left + m, blue.top + m), GetSysColor(COLOR_BTNFACE));
    // The holder heard of the opening.
    ASSERT_EQ(Messages(), std::vector<UINT>{units::kColourPickerDropDown});
    EXPECT_EQ(Notes()[0].colour, RGB(255, 0, 0));
    EXPECT_EQ(Notes()[0].id, static_cast<LPARAM>(unit_test::kControlId));
    // A second open request while open makes no second palette.
    Unit(h)->OpenPalette();
    EXPECT_EQ(Unit(h)->Palette(), palette);
    EXPECT_EQ(Notes().size(), 1u);
    SigTestKeyPress(VK_ESCAPE);
    SigTestWaitIdle(500);
    EXPECT_FALSE(IsWindow(palette));
}

TEST_F(PickerTest, CellsHaveTheirNamesAsTips) {
    EXPECT_STREQ(units::PaletteColour(0).name, "黑色");
    EXPECT_STREQ(units::PaletteColour(17).name, "藏蓝");
    EXPECT_EQ(units::PaletteColour(17).colour, RGB(88, 48, 224));
    EXPECT_STREQ(units::PaletteColour(31).name, "深灰");
    EXPECT_EQ(units::PaletteColour(31).colour, RGB(96, 96, 96));
    HWND holder = Holder();
    HWND h = Create(ColourPickerData{}, holder);
    HWND palette = OpenByClick(h);
    ASSERT_NE(palette, 0u);
    HWND tips = PaletteOf(palette).Tips();
    ASSERT_TRUE(IsWindow(tips));
    EXPECT_EQ(SendMessageA(tips, TTM_GETTOOLCOUNT, 0, 0), 32);
    // Resting on a cell shows its name.
    POINT p = OnScreen(palette, Centre(PaletteOf(palette).Layout().Cell(17)));
    SigTestMouseMove(p.x, p.y);
    for (int i = 0; i < 100 && !IsWindowVisible(tips); ++i) {
        SigTestWaitIdle(50);
        Sleep(20);
    }
    ASSERT_TRUE(IsWindowVisible(tips));
    char text[32] = "";
    GetWindowTextA(tips, text, sizeof text);
    EXPECT_STREQ(text, "藏蓝");
    // The tip does not take the palette's activation.
    EXPECT_EQ(GetActiveWindow(), palette);
    SigTestKeyPress(VK_ESCAPE);
    SigTestWaitIdle(500);
}

TEST_F(PickerTest, HoveringChangesNothingAndEscapeRestoresTheColour) {
    HWND holder = Holder();
    ColourPickerData data;
    data.colour = RGB(0, 0, 255);
    HWND h = Create(data, holder);
    HWND palette = OpenByClick(h);
    ASSERT_NE(palette, 0u);
    const auto& layout = PaletteOf(palette).Layout();
    POINT p = OnScreen(palette, Centre(layout.Cell(14)));
    SigTestMouseMove(p.x, p.y);
    SigTestWaitIdle(500);
    EXPECT_EQ(PaletteOf(palette).HotItem(), 14);
    EXPECT_EQ(PaletteOf(palette).CurrentColour(), RGB(255, 255, 0));
    // The hot cell is drawn raised: its top-left edge pixel is the highlight.
    RECT hot = layout.Cell(14);
    EXPECT_EQ(SigTestWindowPixel(palette, hot.left, hot.top), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(Get(Type(), h, units::kCpColour), RGB(0, 0, 255));
    EXPECT_EQ(Unit(h)->Swatch(), RGB(0, 0, 255));
    ASSERT_EQ(Messages(), (std::vector<UINT>{units::kColourPickerDropDown, units::kColourPickerSelChange}));
    EXPECT_EQ(Notes()[1].colour, RGB(255, 255, 0));
    EXPECT_EQ(Notes()[1].id, static_cast<LPARAM>(unit_test::kControlId));
    // The gap between cells keeps the hot item.
    POINT margin = OnScreen(palette, POINT{1, 1});
    SigTestMouseMove(margin.x, margin.y);
    SigTestWaitIdle(500);
    EXPECT_EQ(PaletteOf(palette).HotItem(), 14);
    Notes().clear();
    SigTestKeyPress(VK_ESCAPE);
    SigTestWaitIdle(500);
    EXPECT_FALSE(IsWindow(palette));
    EXPECT_FALSE(Unit(h)->PaletteOpen());
    EXPECT_EQ(Get(Type(), h, units::kCpColour), RGB(0, 0, 255));
    EXPECT_EQ(Unit(h)->Swatch(), RGB(0, 0, 255));
    ASSERT_EQ(Messages(), (std::vector<UINT>{units::kColourPickerCloseUp, units::kColourPickerSelEndCancel}));
    EXPECT_EQ(Notes()[1].colour, RGB(0, 0, 255));
}

TEST_F(PickerTest, ClickingACellConfirmsItAndTheSwatchShowsIt) {
    HWND holder = Holder();
    HWND h = Create(ColourPickerData{}, holder);
    HWND palette = OpenByClick(h);
    ASSERT_NE(palette, 0u);
    POINT p = OnScreen(palette, Centre(PaletteOf(palette).Layout().Cell(25)));
    Notes().clear();
    SigTestClick(p.x, p.y, 1);
    SigTestWaitIdle(500);
    EXPECT_FALSE(IsWindow(palette));
    EXPECT_EQ(Get(Type(), h, units::kCpColour), RGB(0, 136, 255));
    ASSERT_EQ(Messages(), (std::vector<UINT>{units::kColourPickerSelChange, units::kColourPickerCloseUp,
                                             units::kColourPickerSelEndOk}));
    EXPECT_EQ(Notes()[2].colour, RGB(0, 136, 255));
    RECT box = SwatchBox(h);
    EXPECT_EQ(ControlPixel(holder, h, (box.left + box.right) / 2, (box.top + box.bottom) / 2), RGB(0, 136, 255));
    // The holder window is active again once the palette is gone, the keyboard on the control.
    EXPECT_EQ(GetActiveWindow(), holder);
    EXPECT_EQ(GetFocus(), h);
}

TEST_F(PickerTest, ReleaseOutsideThePaletteCancels) {
    HWND holder = Holder(100, 100, 400, 300);
    ColourPickerData data;
    data.colour = RGB(128, 0, 0);
    HWND h = Create(data, holder);
    HWND palette = OpenByClick(h);
    ASSERT_NE(palette, 0u);
    POINT p = OnScreen(palette, Centre(PaletteOf(palette).Layout().Cell(3)));
    SigTestMouseMove(p.x, p.y);
    SigTestWaitIdle(500);
    // Pressed inside, released far to the right on the holder.
    SigTestMouseButton(p.x, p.y, 1, TRUE);
    SigTestMouseButton(450, 350, 1, FALSE);
    SigTestWaitIdle(500);
    EXPECT_FALSE(IsWindow(palette));
    EXPECT_EQ(Get(Type(), h, units::kCpColour), RGB(128, 0, 0));
    EXPECT_EQ(Unit(h)->Swatch(), RGB(128, 0, 0));
    EXPECT_EQ(Messages().back(), units::kColourPickerSelEndCancel);
}

TEST_F(PickerTest, KeyboardMovesTheHotItemAndEnterConfirms) {
    HWND holder = Holder();
    HWND h = Create(ColourPickerData{}, holder);
    HWND palette = OpenByClick(h);
    ASSERT_NE(palette, 0u);
    SigTestKeyPress(VK_RIGHT);  // from none to the first cell
    SigTestKeyPress(VK_DOWN);   // 7
    SigTestKeyPress(VK_DOWN);   // 14
    SigTestKeyPress(VK_LEFT);   // 13
    SigTestWaitIdle(500);
    EXPECT_EQ(PaletteOf(palette).HotItem(), 13);
    EXPECT_EQ(Get(Type(), h, units::kCpColour), 0u);
    SigTestKeyPress(VK_RETURN);
    SigTestWaitIdle(500);
    EXPECT_FALSE(IsWindow(palette));
    EXPECT_EQ(Get(Type(), h, units::kCpColour), RGB(255, 0, 255));
    // Space confirms too, and Up from the top row goes round to the more-colours entry.
    palette = OpenByClick(h);
    ASSERT_NE(palette, 0u);
    SigTestKeyPress(VK_UP);
    SigTestWaitIdle(500);
    EXPECT_EQ(PaletteOf(palette).HotItem(), units::kItemMore);
    SigTestKeyPress(VK_LEFT);
    SigTestWaitIdle(500);
    EXPECT_EQ(PaletteOf(palette).HotItem(), 31);
    SigTestKeyPress(VK_SPACE);
    SigTestWaitIdle(500);
    EXPECT_EQ(Get(Type(), h, units::kCpColour), RGB(96, 96, 96));
}

TEST_F(PickerTest, ConfirmingTheSameColourStillNotifies) {
    HWND holder = Holder();
    ColourPickerData data;
    data.colour = RGB(0, 0, 128);  // cell 1
    HWND h = Create(data, holder);
    HWND palette = OpenByClick(h);
    ASSERT_NE(palette, 0u);
    Notes().clear();
    POINT p = OnScreen(palette, Centre(PaletteOf(palette).Layout().Cell(1)));
    SigTestClick(p.x, p.y, 1);
    SigTestWaitIdle(500);
    EXPECT_EQ(Get(Type(), h, units::kCpColour), RGB(0, 0, 128));
    EXPECT_EQ(Messages().back(), units::kColourPickerSelEndOk);
    // Enter with nothing hot confirms the colour at opening.
    palette = OpenByClick(h);
    ASSERT_NE(palette, 0u);
    Notes().clear();
    SigTestKeyPress(VK_RETURN);
    SigTestWaitIdle(500);
    ASSERT_EQ(Messages(), (std::vector<UINT>{units::kColourPickerCloseUp, units::kColourPickerSelEndOk}));
    EXPECT_EQ(Notes()[1].colour, RGB(0, 0, 128));
}

TEST_F(PickerTest, TransparentEntryConfirmsTheTransparentCode) {
    HWND holder = Holder();
    ColourPickerData data;
    data.transparency = true;
    data.colour = RGB(255, 255, 255);
    HWND h = Create(data, holder, 20, 20, 100, 24);
    HWND palette = OpenByClick(h);
    ASSERT_NE(palette, 0u);
    const auto& layout = PaletteOf(palette).Layout();
    ASSERT_TRUE(layout.hasTransparent);
    const int m = layout.margin;
    EXPECT_EQ(layout.transparent.left, m);
    EXPECT_EQ(layout.transparent.top, m);
    EXPECT_EQ(layout.transparent.right, layout.width - m);
    // The grid moves down below the entry.
    EXPECT_EQ(layout.Cell(0).top, m + (layout.transparent.bottom - layout.transparent.top) + m);
    EXPECT_EQ(SigTestWindowPixel(palette, Centre(layout.Cell(0)).x, Centre(layout.Cell(0)).y), RGB(0, 0, 0));
    EXPECT_EQ(PaletteOf(palette).InitialItem(), 15);  // white
    POINT p = OnScreen(palette, POINT{layout.transparent.left + 4, layout.transparent.top + 4});
    SigTestClick(p.x, p.y, 1);
    SigTestWaitIdle(500);
    EXPECT_FALSE(IsWindow(palette));
    EXPECT_EQ(Get(Type(), h, units::kCpColour), kTransparentColour);
    EXPECT_EQ(Unit(h)->Swatch(), kTransparentColour);
}

TEST_F(PickerTest, MoreColoursOpensTheSystemDialog) {
    HWND holder = Holder();
    ColourPickerData data;
    data.colour = RGB(1, 2, 3);  // in no cell: the more-colours entry is the initial item
    HWND h = Create(data, holder);
    HWND palette = OpenByClick(h);
    ASSERT_NE(palette, 0u);
    EXPECT_EQ(PaletteOf(palette).InitialItem(), units::kItemMore);
    const auto& layout = PaletteOf(palette).Layout();
    SigTestAnswerColorDialog(RGB(10, 20, 30));
    POINT p = OnScreen(palette, Centre(layout.more));
    SigTestClick(p.x, p.y, 1);
    SigTestWaitIdle(500);
    EXPECT_FALSE(IsWindow(palette));
    EXPECT_EQ(Get(Type(), h, units::kCpColour), RGB(10, 20, 30));
    EXPECT_EQ(Messages().back(), units::kColourPickerSelEndOk);
    // Hovering the entry announces the colour at opening.
    bool announcedInitial = false;
    for (const Note& n : Notes())
        if (n.message == units::kColourPickerSelChange && n.colour == RGB(1, 2, 3)) announcedInitial = true;
    EXPECT_TRUE(announcedInitial);
}

TEST_F(PickerTest, CancellingTheSystemDialogIsACancel) {
    HWND holder = Holder();
    ColourPickerData data;
    data.colour = RGB(0, 255, 0);
    HWND h = Create(data, holder);
    HWND palette = OpenByClick(h);
    ASSERT_NE(palette, 0u);
    SigTestKeyPress(VK_RIGHT);  // a cell becomes current first
    SigTestKeyPress(VK_UP);     // then to the more-colours entry
    SigTestWaitIdle(500);
    EXPECT_EQ(PaletteOf(palette).HotItem(), units::kItemMore);
    SigTestAnswerCancel();
    Notes().clear();
    SigTestKeyPress(VK_RETURN);
    SigTestWaitIdle(500);
    EXPECT_FALSE(IsWindow(palette));
    EXPECT_EQ(Get(Type(), h, units::kCpColour), RGB(0, 255, 0));
    EXPECT_EQ(Unit(h)->Swatch(), RGB(0, 255, 0));
    ASSERT_EQ(Messages(), (std::vector<UINT>{units::kColourPickerCloseUp, units::kColourPickerSelEndCancel}));
    EXPECT_EQ(Notes()[1].colour, RGB(0, 255, 0));
}

TEST_F(PickerTest, LeavingTheProgramCancelsThePalette) {
    HWND holder = Holder();
    ColourPickerData data;
    data.colour = RGB(192, 192, 192);
    HWND h = Create(data, holder);
    HWND palette = OpenByClick(h);
    ASSERT_NE(palette, 0u);
    POINT p = OnScreen(palette, Centre(PaletteOf(palette).Layout().Cell(0)));
    SigTestMouseMove(p.x, p.y);
    SigTestWaitIdle(500);
    SetActiveWindow(0);  // the desktop activates another program
    SigTestWaitIdle(500);
    EXPECT_FALSE(IsWindow(palette));
    EXPECT_EQ(GetActiveWindow(), 0u) << "ending the palette does not bring the program back";
    EXPECT_FALSE(Unit(h)->PaletteOpen());
    EXPECT_EQ(Get(Type(), h, units::kCpColour), RGB(192, 192, 192));
    EXPECT_EQ(Messages().back(), units::kColourPickerSelEndCancel);
}

TEST_F(PickerTest, PaletteNearTheScreenEdgesStaysOnTheScreen) {
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    HWND holder = Holder(sw - 120, sh - 60, 120, 60);
    HWND h = Create(ColourPickerData{}, holder, 30, 20, 80, 24);
    HWND palette = OpenByClick(h);
    ASSERT_NE(palette, 0u);
    RECT pr, cr;
    GetWindowRect(palette, &pr);
    GetWindowRect(h, &cr);
    EXPECT_LE(pr.right, sw);
    EXPECT_GE(pr.left, 0);
    EXPECT_LE(pr.bottom, sh);
    EXPECT_GE(pr.top, 0);
    // Moved up above the control rather than over it.
    EXPECT_EQ(pr.bottom, cr.top);
    SigTestKeyPress(VK_ESCAPE);
    SigTestWaitIdle(500);
}

TEST_F(PickerTest, DestroyingTheControlTakesItsPaletteAlong) {
    HWND holder = Holder();
    HWND h = Create(ColourPickerData{}, holder);
    HWND palette = OpenByClick(h);
    ASSERT_NE(palette, 0u);
    DestroyWindow(h);
    SigTestWaitIdle(500);
    EXPECT_FALSE(IsWindow(palette));
    EXPECT_NE(GetCapture(), palette);
    // Input afterwards goes nowhere harmful.
    SigTestKeyPress(VK_RETURN);
    SigTestClick(150, 150, 1);
    SigTestWaitIdle(500);
}

}  // namespace
}  // namespace pickertest
