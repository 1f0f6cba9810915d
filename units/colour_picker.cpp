#include "units/colour_picker.h"

#include <algorithm>
#include <iterator>

#include "win/commctrl.h"

namespace units {
namespace {

using runtime::templates::ColourPickerData;

// ORDER ColourPickerProperty, after the common properties.
constexpr PropertyRecord kColourPickerProperties[] = {
    SIG_COMMON_PROPERTIES,
    {.kind = 1015, .flags = 0x8000},  // colour (or the transparent code)
    {.kind = 1003, .flags = 0x8000},  // transparency allowed
};
static_assert(std::size(kColourPickerProperties) == kCommonPropertyCount + kColourPickerPropertyCount);
static_assert(std::size(kColourPickerProperties) == 10);

const char kTransparentText[] = "透明";
const char kMoreColoursText[] = "其它颜色...";

}  // namespace

ColourPickerUnit::~ColourPickerUnit() = default;

bool ColourPickerUnit::ReadData(std::span<const uint8_t> data) {
    if (!runtime::templates::ReadStoredUnitData(data, data_)) return false;
    if (data_.transparency) {
        transparentText_ = kTransparentText;
    } else {
        transparentText_.clear();
        if (data_.colour == kTransparentColour) data_.colour = 0;
    }
    moreText_ = kMoreColoursText;
    swatch_ = data_.colour;
    return true;
}

std::vector<uint8_t> ColourPickerUnit::SaveData() const { return runtime::templates::WriteStoredUnitData(data_); }

bool ColourPickerUnit::CreateNative(const CreateArgs& args) {
    const DWORD style = args.styles | WS_CHILD | WS_CLIPSIBLINGS | BS_OWNERDRAW;
    if (!CreateBound(0, "BUTTON", "", style, args, args.parent)) return false;
    ComputeArrow();
    return true;
}

void ColourPickerUnit::ComputeArrow() {
    const int cx = GetSystemMetrics(SM_CXEDGE), cy = GetSystemMetrics(SM_CYEDGE);
    const int w = std::max({5 * cx, GetSystemMetrics(SM_CXHTHUMB), 5 * cy, GetSystemMetrics(SM_CYVTHUMB)});
    RECT c{};
    GetClientRect(hwnd_, &c);
    arrow_ = RECT{c.right - w - cx, c.top + cy, c.right - cx, c.bottom - cy};
}

int32_t ColourPickerUnit::SetProperty(int32_t index, const PropertyValue& v) {
    const auto word = static_cast<uint32_t>(v.value);
    switch (index) {
        case kCpColour:
            data_.colour = word;
            // Without transparency the code shows as black; the property keeps it.
            Show(word == kTransparentColour && !data_.transparency ? 0 : word);
            break;
        case kCpTransparency:
            // Only the palette's entry follows; the swatch waits for the next change.
            data_.transparency = word != 0;
            if (data_.transparency) transparentText_ = kTransparentText;
            else transparentText_.clear();
            break;
        default: return 0;
    }
    return 0;
}

bool ColourPickerUnit::GetProperty(int32_t index, PropertyValue* out) {
    switch (index) {
        case kCpColour: *out = {data_.colour, 0}; return true;
        case kCpTransparency: *out = {data_.transparency ? 1u : 0u, 0}; return true;
        default: return false;
    }
}

void ColourPickerUnit::Show(uint32_t colour) {
    swatch_ = colour;
    if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

void ColourPickerUnit::Notify(UINT message, uint32_t colour) {
    HWND parent = GetParent(hwnd_);
    if (parent) SendMessageA(parent, message, colour, static_cast<LPARAM>(GetDlgCtrlID(hwnd_)));
}

void ColourPickerUnit::OpenPalette() {
    if (paletteOpen_ && IsWindow(palette_)) return;  // one palette per control
    const HWND self = hwnd_;
    paletteOpen_ = true;
    focusedAtOpening_ = GetFocus() == hwnd_;
    InvalidateRect(hwnd_, nullptr, FALSE);
    RECT wr;
    GetWindowRect(hwnd_, &wr);
    const HWND palette =
        ColourPalette::Open(POINT{wr.left, wr.bottom}, wr.top, swatch_, hwnd_, transparentText_, moreText_);
    // The palette takes the focus: a lost-focus handler may have destroyed
    // the control meanwhile, and this object with it.
    if (!IsWindow(self)) {
        if (palette && IsWindow(palette)) DestroyWindow(palette);
        return;
    }
    palette_ = palette;
    if (!palette_) {
        paletteOpen_ = false;
        InvalidateRect(hwnd_, nullptr, FALSE);
        return;
    }
    Notify(kColourPickerDropDown, swatch_);
}

void ColourPickerUnit::ClosedUp() {
    // The keyboard comes back to the control it was on, unless the palette
    // ended because the program was left.
    const bool giveBack = focusedAtOpening_ && palette_ && GetActiveWindow() == palette_;
    paletteOpen_ = false;
    palette_ = 0;
    if (giveBack && IsWindowEnabled(hwnd_)) SetFocus(hwnd_);
}

LRESULT ColourPickerUnit::WindowProc(UINT message, WPARAM w, LPARAM l) {
    const HWND self = hwnd_;
    switch (message) {
        case WM_ERASEBKGND: return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd_, &ps);
            if (dc) {
                RECT item;
                GetClientRect(hwnd_, &item);
                const bool pressed = (Default(BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;
                Paint(dc, item, pressed, GetFocus() == hwnd_, !IsWindowEnabled(hwnd_));
            }
            EndPaint(hwnd_, &ps);
            return 0;
        }
        case WM_SIZE: ComputeArrow(); break;
        case WM_LBUTTONUP: {
            // Opens on a release that ends a press begun on the control.
            const bool fire = GetCapture() == hwnd_ && (Default(BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;
            LRESULT r = Default(message, w, l);
            if (fire && IsWindow(self)) OpenPalette();
            return r;
        }
        case WM_KEYUP: {
            const bool fire = w == VK_SPACE && (Default(BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;
            LRESULT r = Default(message, w, l);
            if (fire && IsWindow(self)) OpenPalette();
            return r;
        }
        case BM_CLICK:
            if (IsWindowEnabled(hwnd_)) OpenPalette();
            return 0;
        case kColourPickerSelEndOk: {
            const auto colour = static_cast<uint32_t>(w);
            ClosedUp();
            if (!IsWindow(self)) return 0;
            Show(colour);
            Notify(kColourPickerCloseUp, colour);
            if (!IsWindow(self)) return 0;
            Notify(kColourPickerSelEndOk, colour);
            if (!IsWindow(self)) return 0;
            // Raised even when the colour did not change.
            data_.colour = colour;
            Raise(kColourPickerChosen);
            return 0;
        }
        case kColourPickerSelEndCancel: {
            const auto colour = static_cast<uint32_t>(w);
            ClosedUp();
            if (!IsWindow(self)) return 0;
            Show(colour);
            Notify(kColourPickerCloseUp, colour);
            if (!IsWindow(self)) return 0;
            Notify(kColourPickerSelEndCancel, colour);
            return 0;
        }
        case kColourPickerSelChange: Notify(kColourPickerSelChange, static_cast<uint32_t>(w)); return 0;
        case WM_DESTROY:
            // An open palette would keep the mouse for a control that is gone.
            if (paletteOpen_ && IsWindow(palette_)) {
                HWND p = palette_;
                palette_ = 0;
                paletteOpen_ = false;
                DestroyWindow(p);
            }
            break;
        default: break;
    }
    return Default(message, w, l);
}

void ColourPickerUnit::Paint(HDC dc, const RECT& item, bool pressed, bool focused, bool disabled) {
    RECT all = item;
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    RECT arrow = arrow_;
    UINT state = DFCS_SCROLLDOWN;
    if (pressed || paletteOpen_) state |= DFCS_PUSHED;
    if (disabled) state |= DFCS_INACTIVE;
    DrawFrameControl(dc, &arrow, DFC_SCROLL, state);
    DrawEdge(dc, &all, EDGE_SUNKEN, BF_RECT);

    RECT box = item;
    InflateRect(&box, -(GetSystemMetrics(SM_CXEDGE) + 2), -(GetSystemMetrics(SM_CYEDGE) + 1));
    box.right -= arrow_.right - arrow_.left;
    HBRUSH own = 0;
    HBRUSH fill;
    if (disabled) fill = GetSysColorBrush(COLOR_BTNFACE);
    else fill = own = CreateSolidBrush(swatch_ == kTransparentColour ? RGB(255, 255, 255) : (swatch_ & 0x00FFFFFFu));
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
    HGDIOBJ oldBrush = SelectObject(dc, fill);
    Rectangle(dc, box.left, box.top, box.right, box.bottom);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    if (own) DeleteObject(own);

    std::string text;
    if (swatch_ == kTransparentColour) {
        text = transparentText_;
    } else {
        char buffer[256] = "";
        int n = GetWindowTextA(hwnd_, buffer, sizeof buffer);
        text.assign(buffer, static_cast<size_t>(std::max(n, 0)));
    }
    if (!text.empty()) {
        HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
        SetBkMode(dc, TRANSPARENT);
        const UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;
        RECT t = box;
        if (disabled) {
            OffsetRect(&t, 1, 1);
            SetTextColor(dc, GetSysColor(COLOR_3DHILIGHT));
            DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &t, format);
            OffsetRect(&t, -1, -1);
            SetTextColor(dc, GetSysColor(COLOR_3DSHADOW));
        } else {
            SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
        }
        DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &t, format);
        SelectObject(dc, oldFont);
    }
    if (focused) {
        RECT f = box;
        InflateRect(&f, -1, -1);
        DrawFocusRect(dc, &f);
    }
}

runtime::UnitType ColourPickerUnitType() {
    static const char kName[] = "颜色选择器";
    return runtime::UnitType{
        .name = kName,
        .englishName = "ColorPicker",
        .explanation = "",
        .flags = 0x80000040,
        .propertyCount = static_cast<uint32_t>(std::size(kColourPickerProperties)),
        .properties = kColourPickerProperties,
        .lookup = &UnitOperations<ColourPickerUnit>::Lookup,
    };
}

}  // namespace units
