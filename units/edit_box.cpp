#include "units/edit_box.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "units/edit_box_modes.h"
#include "units/label_texts.h"
#include "win/commctrl.h"

namespace units {
namespace {

using runtime::templates::EditBoxData;
namespace modes = edit_modes;

// ORDER EditBoxProperty, after the common properties.
constexpr PropertyRecord kEditBoxProperties[] = {
    SIG_COMMON_PROPERTIES,
    {.kind = 1005, .flags = 0x8000},  // content
    {.kind = 1006, .flags = 0x8000},  // border
    {.kind = 1014, .flags = 0x8000},  // text colour
    {.kind = 1017, .flags = 0x8000},  // background colour
    {.kind = 1013, .flags = 0x8000},  // font
    {.kind = 1003, .flags = 0x8000},  // hide the selection when not focused
    {.kind = 1001, .flags = 0x8000},  // maximum length
    {.kind = 1003, .flags = 0x8000},  // multi-line
    {.kind = 1006, .flags = 0x8000},  // scroll bars
    {.kind = 1006, .flags = 0x8000},  // alignment
    {.kind = 1006, .flags = 0x8000},  // input mode
    {.kind = 1005, .flags = 0x8001},  // password character
    {.kind = 1006, .flags = 0x8000},  // case conversion
    {.kind = 1006, .flags = 0x8000},  // up-down arrows
    {.kind = 1001, .flags = 0x8001},  // up-down lower limit
    {.kind = 1001, .flags = 0x8001},  // up-down upper limit
    {.kind = 1001, .flags = 0x8000},  // selection start
    {.kind = 1001, .flags = 0x8000},  // selection length
    {.kind = 1005, .flags = 0x8008},  // selected text
    {.kind = 1018, .flags = 0x8000},  // data source
    {.kind = 1020, .flags = 0x8000},  // data column
};
static_assert(std::size(kEditBoxProperties) == kCommonPropertyCount + kEditBoxPropertyCount);
static_assert(std::size(kEditBoxProperties) == 29);

constexpr UINT_PTR kUpDownRepeatTimer = 1;  // the up-down control's own repeat timer
const char kChineseSample[] = "国";        // one double-byte character, GBK

const char* TextOf(const PropertyValue& v) {
    const char* t = reinterpret_cast<const char*>(static_cast<uintptr_t>(v.value));
    return t ? t : "";
}

void TakeBytes(std::vector<uint8_t>& into, const PropertyValue& v) {
    const auto* p = reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(v.value));
    if (p) into.assign(p, p + v.length);
    else into.clear();
}

// Values a stored record may carry out of range are brought into their lists
// once, so the window and the saved data agree.
void ClampData(EditBoxData& d) {
    d.border = ClampPick(static_cast<uint32_t>(d.border), 5);
    d.scroll_bars = ClampPick(static_cast<uint32_t>(d.scroll_bars), 3);
    d.alignment = ClampPick(static_cast<uint32_t>(d.alignment), 2);
    d.input_mode = ClampPick(static_cast<uint32_t>(d.input_mode), modes::kLastMode);
    d.case_conversion = ClampPick(static_cast<uint32_t>(d.case_conversion), 2);
    d.updown = ClampPick(static_cast<uint32_t>(d.updown), 2);
    d.max_length = std::max(d.max_length, 0);
    d.password_char &= 0xFF;
}

DWORD EditStyles(const EditBoxData& d) {
    DWORD s = 0;
    if (!d.hide_selection) s |= ES_NOHIDESEL;
    if (d.multi_line) {
        s |= ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
        if (d.scroll_bars == 1 || d.scroll_bars == 3) s |= ES_AUTOHSCROLL | WS_HSCROLL;
        if (d.scroll_bars == 2 || d.scroll_bars == 3) s |= WS_VSCROLL;
    } else {
        s |= ES_AUTOHSCROLL;
    }
    if (d.alignment == 1) s |= ES_CENTER;
    else if (d.alignment == 2) s |= ES_RIGHT;
    if (d.input_mode == modes::kReadOnly) s |= ES_READONLY;
    else if (d.input_mode == modes::kPassword) s |= ES_PASSWORD;
    if (d.case_conversion == 1) s |= ES_LOWERCASE;
    else if (d.case_conversion == 2) s |= ES_UPPERCASE;
    return s;
}

bool UpDownStaticEdge(int32_t border) { return border == 0 || border == 1 || border == 3; }

// Messages after which the control's text may differ.
bool MayChangeText(UINT message) {
    switch (message) {
        case WM_CHAR:
        case WM_KEYDOWN:
        case WM_PASTE:
        case WM_CUT:
        case WM_CLEAR:
        case WM_UNDO:
        case EM_UNDO:
        case EM_REPLACESEL:
        case WM_SETTEXT: return true;
        default: return false;
    }
}

}  // namespace

EditBoxUnit::~EditBoxUnit() {
    if (font_) DeleteObject(font_);
    if (brush_) DeleteObject(brush_);
}

bool EditBoxUnit::ReadData(std::span<const uint8_t> data) {
    if (!runtime::templates::ReadStoredUnitData(data, data_)) return false;
    ClampData(data_);
    return true;
}

std::string EditBoxUnit::LiveText() const {
    if (!hwnd_ || !IsWindow(hwnd_)) return data_.content;
    const int length = GetWindowTextLengthA(hwnd_);
    std::string text(static_cast<size_t>(std::max(length, 0)) + 1, '\0');
    const int got = GetWindowTextA(hwnd_, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(std::clamp(got, 0, length)));
    return text;
}

std::vector<uint8_t> EditBoxUnit::SaveData() const {
    EditBoxData current = data_;
    // The live field holds what the user typed and selected.
    if (!DesignMode() && hwnd_ && IsWindow(hwnd_)) {
        current.content = LiveText();
        DWORD start = 0, end = 0;
        SendMessageA(hwnd_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        current.selection_start = static_cast<int32_t>(start);
        current.selection_length = static_cast<int32_t>(end - start);
    }
    return runtime::templates::WriteStoredUnitData(current);
}

bool EditBoxUnit::CreateNative(const CreateArgs& args) {
    brush_ = CreateSolidBrush(ResolveBackColour(data_.background_colour));
    const DWORD style = args.styles | WS_CHILD | WS_CLIPSIBLINGS | EditStyles(data_);
    if (!CreateBound(0, "EDIT", data_.content.c_str(), style, args, args.parent)) return false;
    ApplyFontAndHeight();
    SendMessageA(hwnd_, EM_LIMITTEXT, static_cast<WPARAM>(data_.max_length), 0);
    if (data_.input_mode == modes::kPassword) SendMessageA(hwnd_, EM_SETPASSWORDCHAR, data_.password_char & 0xFF, 0);
    if (OneLine() && data_.updown != 0) CreateUpDown(args);
    ApplySelection(data_.selection_start, data_.selection_length);
    SendMessageA(hwnd_, EM_SCROLLCARET, 0, 0);
    ApplyBorderStyle(hwnd_, data_.border);
    return true;
}

void EditBoxUnit::MeasureLine() {
    HDC dc = GetDC(hwnd_);
    HGDIOBJ old = SelectObject(dc, font_ ? font_ : GetStockObject(DEFAULT_GUI_FONT));
    SIZE w{};
    GetTextExtentPoint32A(dc, "W", 1, &w);
    SelectObject(dc, old);
    ReleaseDC(hwnd_, dc);
    lineHeight_ = std::max<int32_t>(1, w.cy);
}

void EditBoxUnit::ApplyFontAndHeight() {
    HFONT previous = font_;
    font_ = ApplyFont(hwnd_, data_.font);
    if (previous) DeleteObject(previous);
    MeasureLine();
    if (!OneLine()) return;
    HDC dc = GetDC(hwnd_);
    HGDIOBJ old = SelectObject(dc, font_ ? font_ : GetStockObject(DEFAULT_GUI_FONT));
    SIZE chinese{};
    GetTextExtentPoint32A(dc, kChineseSample, static_cast<int>(sizeof kChineseSample - 1), &chinese);
    SelectObject(dc, old);
    ReleaseDC(hwnd_, dc);
    const int32_t wanted = chinese.cy + 2 * GetSystemMetrics(SM_CYEDGE);
    RECT rc;
    GetWindowRect(hwnd_, &rc);
    if (rc.bottom - rc.top < wanted)
        SetWindowPos(hwnd_, 0, 0, 0, rc.right - rc.left, wanted, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // The one text line is centred by the frame calculation.
    SetWindowPos(hwnd_, 0, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void EditBoxUnit::ApplySelection(int32_t start, int32_t length) {
    const int64_t textLength = GetWindowTextLengthA(hwnd_);
    if (start == -1) {
        start = static_cast<int32_t>(textLength);
        length = 0;
    } else if (start < 0) {
        start = 0;
    }
    if (length == -1) {
        start = 0;
        length = static_cast<int32_t>(textLength);
    } else if (length < 0) {
        length = 0;
    }
    data_.selection_start = start;
    data_.selection_length = length;
    const int64_t from = std::min<int64_t>(start, textLength);
    const int64_t to = std::min<int64_t>(from + length, textLength);
    SendMessageA(hwnd_, EM_SETSEL, static_cast<WPARAM>(from), static_cast<LPARAM>(to));
}

void EditBoxUnit::ApplyInputMode() {
    SendMessageA(hwnd_, EM_SETPASSWORDCHAR,
                 data_.input_mode == modes::kPassword ? static_cast<WPARAM>(data_.password_char & 0xFF) : 0, 0);
    SendMessageA(hwnd_, EM_SETREADONLY, data_.input_mode == modes::kReadOnly, 0);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

// --- Up-down arrows ---------------------------------------------------------

void EditBoxUnit::CreateUpDown(const CreateArgs& args) {
    HWND parent = GetParent(hwnd_);
    DWORD style = WS_CHILD | ((args.styles & WS_DISABLED) ? WS_DISABLED : 0);
    updown_ = CreateWindowExA(UpDownStaticEdge(data_.border) ? WS_EX_STATICEDGE : 0, "msctls_updown32", "", style, 0, 0,
                              kUpDownWidth, 1, parent, static_cast<HMENU>(args.controlId + 4), 0, nullptr);
    if (!updown_) {
        data_.updown = 0;  // no arrows: an ordinary field
        return;
    }
    SetWindowLongPtrA(updown_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    updownPrevious_ =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(updown_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&UpDownProc)));
    updownStepping_ = data_.updown == 1;
    SendMessageA(updown_, UDM_SETRANGE32, static_cast<WPARAM>(std::min(data_.updown_lower, data_.updown_upper)),
                 static_cast<LPARAM>(std::max(data_.updown_lower, data_.updown_upper)));
    PlaceUpDown();
}

void EditBoxUnit::PlaceUpDown() {
    if (!updown_ || !IsWindow(updown_)) return;
    RECT rc;
    GetWindowRect(hwnd_, &rc);
    HWND parent = GetParent(hwnd_);
    // Re-parented when the edit box moved to another parent.
    if (GetParent(updown_) != parent) SetParent(updown_, parent);
    POINT corner{rc.right, rc.top};
    if (parent) ScreenToClient(parent, &corner);
    const bool visible = (GetWindowLongA(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0;
    SetWindowPos(updown_, hwnd_, corner.x, corner.y, kUpDownWidth, rc.bottom - rc.top,
                 SWP_NOACTIVATE | (visible ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
}

void EditBoxUnit::UpdateUpDownEdge() {
    if (!updown_ || !IsWindow(updown_)) return;
    DWORD ex = static_cast<DWORD>(GetWindowLongA(updown_, GWL_EXSTYLE)) & ~WS_EX_STATICEDGE;
    if (UpDownStaticEdge(data_.border)) ex |= WS_EX_STATICEDGE;
    SetWindowLongA(updown_, GWL_EXSTYLE, static_cast<LONG>(ex));
    SetWindowPos(updown_, 0, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void EditBoxUnit::DestroyUpDown() {
    HWND h = updown_;
    updown_ = 0;
    if (!h || !IsWindow(h)) return;
    // The control's own procedure sees its destruction and frees its state.
    SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(updownPrevious_));
    SetWindowLongPtrA(h, GWLP_USERDATA, 0);
    DestroyWindow(h);
}

void EditBoxUnit::UpDownPressed(int32_t arrow) {
    if (!IsWindowEnabled(hwnd_) || !IsWindowVisible(hwnd_) || arrow == 0) return;
    if (!updownStepping_) {
        Raise(kEditBoxUpDown, {static_cast<uint32_t>(arrow > 0 ? 1 : -1)});
        return;  // the handler may have destroyed this unit
    }
    int lower = 0, upper = 0;
    SendMessageA(updown_, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&lower), reinterpret_cast<LPARAM>(&upper));
    const int64_t low = std::min(lower, upper), high = std::max(lower, upper);
    const std::string text = LiveText();
    int64_t value = std::strtoll(text.substr(0, 64).c_str(), nullptr, 10);
    value = std::clamp<int64_t>(value, INT32_MIN, INT32_MAX);
    int64_t next = value + (arrow > 0 ? 1 : -1);
    // Stepping past one end comes round to the other.
    if (next < low || next > high) next = arrow > 0 ? low : high;
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%d", static_cast<int>(next));
    const HWND self = hwnd_;
    SendMessageA(self, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(buffer));
    if (!IsWindow(self)) return;
    SendMessageA(self, EM_SETSEL, 0, -1);
    SendMessageA(self, EM_SCROLLCARET, 0, 0);
    SetFocus(self);
}

LRESULT CALLBACK EditBoxUnit::UpDownProc(HWND h, UINT message, WPARAM w, LPARAM l) {
    auto* unit = reinterpret_cast<EditBoxUnit*>(GetWindowLongPtrA(h, GWLP_USERDATA));
    WNDPROC previous = unit ? unit->updownPrevious_ : nullptr;
    if (!unit || !previous) {
        // Cut loose from its field: the class's own procedure carries on.
        WNDCLASSA wc{};
        GetClassInfoA(0, "msctls_updown32", &wc);
        return wc.lpfnWndProc ? CallWindowProcA(wc.lpfnWndProc, h, message, w, l) : DefWindowProcA(h, message, w, l);
    }
    // The arrows ask their parent before stepping; the parent is not this
    // unit, so the presses are taken here, as they arrive.
    int32_t arrow = 0;
    switch (message) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            RECT rc;
            GetClientRect(h, &rc);
            arrow = GET_Y_LPARAM(l) < rc.bottom / 2 ? 1 : -1;
            unit->pressedArrow_ = arrow;
            break;
        }
        case WM_TIMER:
            if (w == kUpDownRepeatTimer) arrow = unit->pressedArrow_;
            break;
        case WM_LBUTTONUP:
        case WM_CAPTURECHANGED: unit->pressedArrow_ = 0; break;
        case WM_KEYDOWN:
            if (w == VK_UP || w == VK_RIGHT) arrow = 1;
            else if (w == VK_DOWN || w == VK_LEFT) arrow = -1;
            break;
        case WM_NCDESTROY: {
            LRESULT r = CallWindowProcA(previous, h, message, w, l);
            if (unit->updown_ == h) unit->updown_ = 0;
            return r;
        }
        default: break;
    }
    LRESULT r = CallWindowProcA(previous, h, message, w, l);
    if (arrow != 0 && IsWindow(h) && GetWindowLongPtrA(h, GWLP_USERDATA)) unit->UpDownPressed(arrow);
    return r;
}

// --- Text changes, focus and painting ---------------------------------------

LRESULT EditBoxUnit::Changing(UINT message, WPARAM w, LPARAM l) {
    // The control says whether its text changed through the modify flag; it
    // is kept as it would have been without this look.
    const bool before = Default(EM_GETMODIFY, 0, 0) != 0;
    Default(EM_SETMODIFY, FALSE, 0);
    const HWND self = hwnd_;
    LRESULT r = Default(message, w, l);
    if (!IsWindow(self)) return r;
    const bool after = Default(EM_GETMODIFY, 0, 0) != 0;
    if (message != WM_SETTEXT) Default(EM_SETMODIFY, before || after, 0);
    if ((after || message == WM_SETTEXT) && !writing_) Raise(kEditBoxChanged);
    return r;  // nothing of this unit is touched after the event: its handler may destroy it
}

void EditBoxUnit::NormaliseOnLeaving() {
    if (data_.input_mode < modes::kByte) return;
    const std::string text = LiveText();
    const std::string normal = modes::NormaliseText(data_.input_mode, text);
    if (normal == text) return;
    DWORD start = 0;
    SendMessageA(hwnd_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
    const HWND self = hwnd_;
    SendMessageA(self, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(normal.c_str()));
    if (IsWindow(self)) SendMessageA(self, EM_SETSEL, start, start);
}

void EditBoxUnit::PaintBands() {
    RECT window, client;
    GetWindowRect(hwnd_, &window);
    GetClientRect(hwnd_, &client);
    POINT origin{0, 0};
    ClientToScreen(hwnd_, &origin);
    const int cl = origin.x - window.left, ct = origin.y - window.top;
    HDC dc = GetWindowDC(hwnd_);
    if (!dc) return;
    // The band around the one text line; the frame is drawn over it after.
    RECT all{0, 0, window.right - window.left, window.bottom - window.top};
    ExcludeClipRect(dc, cl, ct, cl + client.right, ct + client.bottom);
    FillRect(dc, &all, brush_);
    ReleaseDC(hwnd_, dc);
}

LRESULT EditBoxUnit::WindowProc(UINT message, WPARAM w, LPARAM l) {
    if (MayChangeText(message)) {
        if (message == WM_CHAR && !modes::AcceptsChar(data_.input_mode, static_cast<uint32_t>(w))) return 0;
        return Changing(message, w, l);
    }
    switch (message) {
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC: {
            // Reflected back by the container that owns this field.
            if (static_cast<HWND>(l) != hwnd_) break;
            HDC dc = static_cast<HDC>(w);
            SetTextColor(dc, data_.text_colour & 0x00FFFFFF);
            SetBkColor(dc, ResolveBackColour(data_.background_colour));
            return static_cast<LRESULT>(brush_);
        }
        case WM_NCCALCSIZE: {
            LRESULT r = Default(message, w, l);
            if (!OneLine() || lineHeight_ <= 0 || !l) return r;
            RECT* rc = w ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(l)->rgrc[0] : reinterpret_cast<RECT*>(l);
            const int32_t height = rc->bottom - rc->top;
            if (height > lineHeight_) {
                rc->top += (height - lineHeight_) / 2;
                rc->bottom = rc->top + lineHeight_;
            }
            return r;
        }
        case WM_NCPAINT:
            if (OneLine()) PaintBands();
            break;
        case WM_NCHITTEST: {
            LRESULT r = Default(message, w, l);
            if (!OneLine()) return r;
            POINT pt{GET_X_LPARAM(l), GET_Y_LPARAM(l)};
            RECT window, client;
            GetWindowRect(hwnd_, &window);
            GetClientRect(hwnd_, &client);
            POINT origin{0, 0};
            ClientToScreen(hwnd_, &origin);
            OffsetRect(&client, origin.x, origin.y);
            if (PtInRect(&window, pt) && !PtInRect(&client, pt) && pt.x >= client.left && pt.x < client.right)
                return HTBORDER;
            return r;
        }
        case WM_ERASEBKGND: {
            RECT rc;
            GetClientRect(hwnd_, &rc);
            FillRect(static_cast<HDC>(w), &rc, brush_);
            return 1;
        }
        case WM_KILLFOCUS: {
            LRESULT r = Default(message, w, l);
            if (IsWindow(hwnd_)) NormaliseOnLeaving();
            return r;
        }
        case WM_WINDOWPOSCHANGED: {
            LRESULT r = Default(message, w, l);
            PlaceUpDown();
            return r;
        }
        case WM_ENABLE:
            if (updown_ && IsWindow(updown_)) EnableWindow(updown_, w != 0);
            break;
        case WM_DESTROY: DestroyUpDown(); break;
        default: break;
    }
    return Default(message, w, l);
}

// --- Properties ---------------------------------------------------------------

int32_t EditBoxUnit::SetProperty(int32_t index, const PropertyValue& v) {
    const auto word = static_cast<uint32_t>(v.value);
    // Settings the window is built with: stored, then the runtime rebuilds.
    auto rebuildOn = [&](auto& field, auto value) -> int32_t {
        if (field == value) return 0;
        field = value;
        return 1;
    };
    switch (index) {
        case kEbContent: {
            data_.content = TextOf(v);
            writing_ = true;
            SetWindowTextA(hwnd_, data_.content.c_str());
            writing_ = false;
            Raise(kEditBoxChanged);
            return 0;
        }
        case kEbBorder:
            data_.border = ClampPick(word, 5);
            ApplyBorderStyle(hwnd_, data_.border);
            UpdateUpDownEdge();
            return 0;
        case kEbTextColour:
            data_.text_colour = word;
            InvalidateRect(hwnd_, nullptr, TRUE);
            return 0;
        case kEbBackColour: {
            data_.background_colour = word;
            HBRUSH old = brush_;
            brush_ = CreateSolidBrush(ResolveBackColour(word));
            if (old) DeleteObject(old);
            RedrawWindow(hwnd_, nullptr, 0, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE);
            return 0;
        }
        case kEbFont:
            TakeBytes(data_.font, v);
            ApplyFontAndHeight();
            return 0;
        case kEbHideSelection:
            if (DesignMode()) {
                data_.hide_selection = word != 0;
                return 0;
            }
            return rebuildOn(data_.hide_selection, word != 0);
        case kEbMaxLength:
            data_.max_length = std::max(static_cast<int32_t>(word), 0);
            SendMessageA(hwnd_, EM_LIMITTEXT, static_cast<WPARAM>(data_.max_length), 0);
            return 0;
        case kEbMultiLine: return rebuildOn(data_.multi_line, word != 0);
        case kEbScrollBars: return rebuildOn(data_.scroll_bars, ClampPick(word, 3));
        case kEbAlignment: return rebuildOn(data_.alignment, ClampPick(word, 2));
        case kEbInputMode:
            data_.input_mode = ClampPick(word, modes::kLastMode);
            ApplyInputMode();
            return 0;
        case kEbPasswordChar:
            data_.password_char = static_cast<uint8_t>(TextOf(v)[0]);
            if (data_.input_mode == modes::kPassword) ApplyInputMode();
            return 0;
        case kEbCaseConversion: return rebuildOn(data_.case_conversion, ClampPick(word, 2));
        case kEbUpDown: return rebuildOn(data_.updown, ClampPick(word, 2));
        case kEbUpDownLower:
        case kEbUpDownUpper:
            (index == kEbUpDownLower ? data_.updown_lower : data_.updown_upper) = static_cast<int32_t>(word);
            if (updown_ && IsWindow(updown_))
                SendMessageA(updown_, UDM_SETRANGE32,
                             static_cast<WPARAM>(std::min(data_.updown_lower, data_.updown_upper)),
                             static_cast<LPARAM>(std::max(data_.updown_lower, data_.updown_upper)));
            return 0;
        case kEbSelectionStart: {
            DWORD start = 0, end = 0;
            SendMessageA(hwnd_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
            const auto wanted = static_cast<int32_t>(word);
            // The length stays; a caret at the end selects nothing.
            ApplySelection(wanted == -1 ? -1 : std::max(wanted, 0), wanted == -1 ? 0 : static_cast<int32_t>(end - start));
            return 0;
        }
        case kEbSelectionLength: {
            DWORD start = 0;
            SendMessageA(hwnd_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
            ApplySelection(static_cast<int32_t>(start), static_cast<int32_t>(word));
            return 0;
        }
        case kEbSelectedText: SendMessageA(hwnd_, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(TextOf(v))); return 0;
        case kEbDataSource: data_.data_source = TextOf(v); return 0;
        case kEbDataColumn: data_.data_column = TextOf(v); return 0;
        default: return 0;
    }
}

bool EditBoxUnit::GetProperty(int32_t index, PropertyValue* out) {
    auto word = [&](uint32_t w) { *out = {w, 0}; };
    auto text = [&](const std::string& s) { *out = {reinterpret_cast<uintptr_t>(s.c_str()), 0}; };
    const bool live = !DesignMode() && hwnd_ && IsWindow(hwnd_);
    DWORD start = 0, end = 0;
    if (live && (index == kEbSelectionStart || index == kEbSelectionLength || index == kEbSelectedText))
        SendMessageA(hwnd_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    switch (index) {
        case kEbContent:
            scratch_ = live ? LiveText() : data_.content;
            text(scratch_);
            break;
        case kEbBorder: word(static_cast<uint32_t>(data_.border)); break;
        case kEbTextColour: word(data_.text_colour); break;
        case kEbBackColour: word(data_.background_colour); break;
        case kEbFont:
            *out = {reinterpret_cast<uintptr_t>(data_.font.data()), static_cast<uint32_t>(data_.font.size())};
            break;
        case kEbHideSelection: word(data_.hide_selection); break;
        case kEbMaxLength: word(static_cast<uint32_t>(data_.max_length)); break;
        case kEbMultiLine: word(data_.multi_line); break;
        case kEbScrollBars: word(static_cast<uint32_t>(data_.scroll_bars)); break;
        case kEbAlignment: word(static_cast<uint32_t>(data_.alignment)); break;
        case kEbInputMode: word(static_cast<uint32_t>(data_.input_mode)); break;
        case kEbPasswordChar:
            passwordScratch_[0] = static_cast<char>(data_.password_char & 0xFF);
            passwordScratch_[1] = 0;
            *out = {reinterpret_cast<uintptr_t>(passwordScratch_), 0};
            break;
        case kEbCaseConversion: word(static_cast<uint32_t>(data_.case_conversion)); break;
        case kEbUpDown: word(static_cast<uint32_t>(data_.updown)); break;
        case kEbUpDownLower: word(static_cast<uint32_t>(data_.updown_lower)); break;
        case kEbUpDownUpper: word(static_cast<uint32_t>(data_.updown_upper)); break;
        case kEbSelectionStart: word(live ? start : static_cast<uint32_t>(data_.selection_start)); break;
        case kEbSelectionLength: word(live ? end - start : static_cast<uint32_t>(data_.selection_length)); break;
        case kEbSelectedText: {
            if (live) {
                const std::string all = LiveText();
                const size_t from = std::min<size_t>(start, all.size());
                selectedScratch_ = all.substr(from, std::min<size_t>(end, all.size()) - std::min<size_t>(from, end));
            } else {
                selectedScratch_.clear();
            }
            text(selectedScratch_);
            break;
        }
        case kEbDataSource: text(data_.data_source); break;
        case kEbDataColumn: text(data_.data_column); break;
        default: return false;
    }
    return true;
}

int32_t EditBoxUnit::WantsKey(uint32_t key) {
    return key == VK_RETURN && data_.multi_line && data_.input_mode != modes::kReadOnly ? 1 : 0;
}

// --- Descriptor ---------------------------------------------------------------

namespace {

runtime::UnitOperation LookupEditBox(int32_t number) {
    if (number == runtime::kOpConvertUnitTexts)
        return reinterpret_cast<runtime::UnitOperation>(&ConvertStoredTexts<EditBoxData>);
    return UnitOperations<EditBoxUnit>::Lookup(number);
}

}  // namespace

runtime::UnitType EditBoxUnitType() {
    static const char kName[] = "编辑框";
    return runtime::UnitType{
        .name = kName,
        .englishName = "EditBox",
        .explanation = "",
        .flags = 0x80000040,
        .propertyCount = static_cast<uint32_t>(std::size(kEditBoxProperties)),
        .properties = kEditBoxProperties,
        .lookup = &LookupEditBox,
    };
}

}  // namespace units
