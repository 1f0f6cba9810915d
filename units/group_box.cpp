#include "units/group_box.h"

#include <algorithm>
#include <iterator>

#include "units/label_texts.h"

namespace units {
namespace {

using runtime::templates::GroupBoxData;

// ORDER GroupBoxProperty, after the common properties.
constexpr PropertyRecord kGroupBoxProperties[] = {
    SIG_COMMON_PROPERTIES,
    {.kind = 1005, .flags = 0x8000},  // title
    {.kind = 1006, .flags = 0x8000},  // title alignment
    {.kind = 1014, .flags = 0x8000},  // text colour
    {.kind = 1017, .flags = 0x8000},  // background colour
    {.kind = 1013, .flags = 0x8000},  // font
};
static_assert(std::size(kGroupBoxProperties) == kCommonPropertyCount + kGroupBoxPropertyCount);
static_assert(std::size(kGroupBoxProperties) == 13);

constexpr int32_t kLastAlignment = 2;
constexpr DWORD kAlignmentBits = BS_CENTER;  // BS_LEFT | BS_RIGHT

DWORD AlignmentStyle(int32_t alignment) {
    return alignment == 1 ? BS_CENTER : alignment == 2 ? BS_RIGHT : BS_LEFT;
}

void TakeBytes(std::vector<uint8_t>& into, const PropertyValue& v) {
    const auto* p = reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(v.value));
    if (!p) into.clear();
    else into.assign(p, p + v.length);
}

uint8_t* ConvertGroupBoxTexts(const uint8_t* data, uint32_t* length, TextConvertCallback callback,
                              uintptr_t context) {
    return ConvertStoredTexts<GroupBoxData>(data, length, callback, context);
}

runtime::UnitOperation LookupGroupBox(int32_t number) {
    if (number == runtime::kOpConvertUnitTexts) return reinterpret_cast<runtime::UnitOperation>(&ConvertGroupBoxTexts);
    return UnitOperations<GroupBoxUnit>::Lookup(number);
}

}  // namespace

GroupBoxUnit::~GroupBoxUnit() {
    if (brush_) DeleteObject(brush_);
    if (font_) DeleteObject(font_);
}

bool GroupBoxUnit::ReadData(std::span<const uint8_t> data) {
    if (!runtime::templates::ReadStoredUnitData(data, data_)) return false;
    data_.title_alignment = ClampPick(static_cast<uint32_t>(data_.title_alignment), kLastAlignment);
    return true;
}

std::vector<uint8_t> GroupBoxUnit::SaveData() const { return runtime::templates::WriteStoredUnitData(data_); }

void GroupBoxUnit::MakeBrush() {
    if (brush_) DeleteObject(brush_);
    brush_ = CreateSolidBrush(ResolveBackColour(data_.background_colour));
}

bool GroupBoxUnit::CreateNative(const CreateArgs& args) {
    const DWORD style = args.styles | WS_CHILD | WS_CLIPSIBLINGS | BS_GROUPBOX | AlignmentStyle(data_.title_alignment);
    if (!CreateBound(0, "BUTTON", data_.title.c_str(), style, args, args.parent)) return false;
    MakeBrush();
    font_ = ApplyFont(hwnd_, data_.font);
    return true;
}

void GroupBoxUnit::ApplyAlignment() {
    const DWORD style = static_cast<DWORD>(GetWindowLongA(hwnd_, GWL_STYLE));
    SetWindowLongA(hwnd_, GWL_STYLE, static_cast<LONG>((style & ~kAlignmentBits) | AlignmentStyle(data_.title_alignment)));
}

int32_t GroupBoxUnit::SetProperty(int32_t index, const PropertyValue& v) {
    const auto word = static_cast<uint32_t>(v.value);
    const char* text = reinterpret_cast<const char*>(static_cast<uintptr_t>(v.value));
    switch (index) {
        case kGpTitle:
            data_.title = text ? text : "";
            SetWindowTextA(hwnd_, data_.title.c_str());
            break;
        case kGpAlignment:
            data_.title_alignment = ClampPick(word, kLastAlignment);
            ApplyAlignment();
            break;
        case kGpTextColour: data_.text_colour = word; break;
        case kGpBackColour:
            data_.background_colour = word;
            MakeBrush();
            break;
        case kGpFont: {
            TakeBytes(data_.font, v);
            HFONT old = font_;
            font_ = ApplyFont(hwnd_, data_.font);
            if (old) DeleteObject(old);
            break;
        }
        default: return 0;
    }
    InvalidateRect(hwnd_, nullptr, TRUE);
    return 0;  // never rebuilt
}

bool GroupBoxUnit::GetProperty(int32_t index, PropertyValue* out) {
    switch (index) {
        case kGpTitle: *out = {reinterpret_cast<uintptr_t>(data_.title.c_str()), 0}; break;
        case kGpAlignment: *out = {static_cast<uint32_t>(data_.title_alignment), 0}; break;
        case kGpTextColour: *out = {data_.text_colour, 0}; break;
        case kGpBackColour: *out = {data_.background_colour, 0}; break;
        case kGpFont:
            *out = {reinterpret_cast<uintptr_t>(data_.font.data()), static_cast<uint32_t>(data_.font.size())};
            break;
        default: return false;
    }
    return true;
}

HBRUSH GroupBoxUnit::ColourAnswer(HDC dc) {
    SetTextColor(dc, data_.text_colour & 0x00FFFFFFu);
    SetBkColor(dc, ResolveBackColour(data_.background_colour));
    return brush_;
}

// Drawn here rather than by the control: the title alignment and the unit's
// own colours hold whether or not the parent hands the colour question back.
void GroupBoxUnit::Paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    if (!dc) return;
    RECT rc;
    GetClientRect(hwnd_, &rc);
    HBRUSH brush = ColourAnswer(dc);
    FillRect(dc, &rc, brush);
    HGDIOBJ oldFont = SelectObject(dc, font_ ? font_ : GetStockObject(DEFAULT_GUI_FONT));
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    RECT frame = rc;
    frame.top += tm.tmHeight / 2;
    DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
    const int n = static_cast<int>(std::min<size_t>(data_.title.size(), 0x7FFFFFFF));
    if (n > 0) {
        SIZE ts{0, 0};
        GetTextExtentPoint32A(dc, data_.title.c_str(), n, &ts);
        const int32_t boxWidth = ts.cx + 4;
        int32_t left = rc.left + 8;
        if (data_.title_alignment == 1) left = rc.left + (rc.right - rc.left - boxWidth) / 2;
        else if (data_.title_alignment == 2) left = rc.right - 8 - boxWidth;
        RECT cap{left, rc.top, left + boxWidth, rc.top + tm.tmHeight};
        FillRect(dc, &cap, brush);
        cap.left += 2;
        SetBkMode(dc, TRANSPARENT);
        if (!IsWindowEnabled(hwnd_)) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
        DrawTextA(dc, data_.title.c_str(), n, &cap, DT_LEFT | DT_SINGLELINE | DT_TOP | DT_NOPREFIX);
    }
    SelectObject(dc, oldFont);
    EndPaint(hwnd_, &ps);
}

LRESULT GroupBoxUnit::WindowProc(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
        case WM_ERASEBKGND: {
            RECT rc;
            GetClientRect(hwnd_, &rc);
            if (brush_) FillRect(static_cast<HDC>(w), &rc, brush_);
            return 1;
        }
        case WM_PAINT: Paint(); return 0;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            // Our own colour question handed back by the parent.
            if (static_cast<HWND>(static_cast<uint32_t>(l)) == hwnd_) return static_cast<LRESULT>(ColourAnswer(static_cast<HDC>(w)));
            break;
        default: break;
    }
    if (LRESULT r = 0; ReflectToChild(message, w, l, &r)) return r;
    return Default(message, w, l);
}

runtime::UnitType GroupBoxUnitType() {
    static const char kName[] = "分组框";
    return runtime::UnitType{
        .name = kName,
        .englishName = "GroupBox",
        .explanation = "",
        .flags = 0x840140C0,
        .propertyCount = static_cast<uint32_t>(std::size(kGroupBoxProperties)),
        .properties = kGroupBoxProperties,
        .lookup = &LookupGroupBox,
    };
}

}  // namespace units
