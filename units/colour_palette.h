// The colour picker's drop-down palette (window class _VU_ColourPopup): 32
// named colours in a grid of 7 columns, an optional transparent entry above
// the grid and an optional more-colours entry below it that opens the system
// colour dialog. The palette tells its control what happens through the
// colour-picker notifications; it destroys itself when it ends.
#pragma once

#include <cstdint>
#include <string>

#include "windows.h"

namespace units {

// Notifications, the colour in the first message parameter. From the palette
// to the control the second parameter is 0; from the control to its parent
// it is the control's identifier.
enum ColourPickerMessage : UINT {
    kColourPickerSelChange = 0x83E9,
    kColourPickerDropDown = 0x83EA,
    kColourPickerCloseUp = 0x83EB,
    kColourPickerSelEndOk = 0x83EC,
    kColourPickerSelEndCancel = 0x83ED,
};

constexpr uint32_t kTransparentColour = 0xFF000000u;

struct NamedColour {
    const char* name;  // GBK
    COLORREF colour;
};

constexpr int kPaletteColourCount = 32;
constexpr int kPaletteColumns = 7;
constexpr int kPaletteRows = (kPaletteColourCount + kPaletteColumns - 1) / kPaletteColumns;

// The palette's colours in grid order (row-major); the names are the cells' tips.
const NamedColour& PaletteColour(int index);

// Palette items: cells 0-31 and these.
enum PaletteItem : int { kItemNone = -1, kItemMore = -2, kItemTransparent = -3 };

// Where everything lies in the palette window (window coordinates).
struct PaletteLayout {
    int cell = 18;
    int margin = 2;
    int width = 0, height = 0;
    bool hasTransparent = false, hasMore = false;
    RECT transparent{}, more{};
    int gridShift = 0;  // how far the transparent entry pushes the grid down

    RECT Cell(int index) const;
    // The item under a window point; kItemNone outside every item.
    int ItemAt(POINT p) const;
};

// The layout for the system edge width and the sizes of the two texts in the
// palette font (an empty text has no entry).
PaletteLayout LayoutPalette(int edge, SIZE transparentText, SIZE moreText, bool hasTransparent, bool hasMore);

// The item highlighted at opening for a colour.
int InitialPaletteItem(COLORREF colour, bool hasTransparent, bool hasMore);

// The item an arrow key (VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN) moves to.
int NextPaletteItem(int from, UINT arrow, bool hasTransparent, bool hasMore);

// The palette's screen rectangle: below the control, kept on the screen.
RECT PlacePalette(POINT bottomLeft, int width, int height, int controlTop, int screenWidth, int screenHeight);

class ColourPalette {
public:
    // Creates the palette at a screen point, owned by the control, and takes
    // the mouse. Returns the palette window, or 0.
    static HWND Open(POINT bottomLeft, int controlTop, COLORREF colour, HWND control, const std::string& transparentText,
                     const std::string& moreText);
    static ColourPalette* FromWindow(HWND hwnd);

    int HotItem() const { return hot_; }
    int InitialItem() const { return initial_; }
    COLORREF CurrentColour() const { return current_; }
    const PaletteLayout& Layout() const { return layout_; }
    HWND Tips() const { return tips_; }

private:
    ColourPalette() = default;
    ~ColourPalette();
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM w, LPARAM l);
    LRESULT Handle(UINT message, WPARAM w, LPARAM l);
    void Build(POINT bottomLeft, int controlTop);
    void Paint(HDC dc);
    void PaintCell(HDC dc, int index);
    void PaintEntry(HDC dc, int item);
    void ChangeHot(int item);
    void End(bool ok);

    HWND hwnd_ = 0;
    HWND control_ = 0;
    std::string transparentText_, moreText_;
    PaletteLayout layout_;
    int hot_ = kItemNone;
    int initial_ = kItemNone;
    COLORREF initialColour_ = 0;
    COLORREF current_ = 0;
    HFONT font_ = 0;
    HPALETTE palette_ = 0;
    HWND tips_ = 0;
    bool pressed_ = false;
    bool dialogOpen_ = false;
    bool ending_ = false;
};

}  // namespace units
