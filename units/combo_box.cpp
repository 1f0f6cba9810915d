#include "units/combo_box.h"

#include "units/label_texts.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <numeric>

namespace units {
namespace {

using runtime::templates::ComboBoxData;

// ORDER ComboBoxProperty, after the common properties.
constexpr PropertyRecord kComboBoxProperties[] = {
    SIG_COMMON_PROPERTIES,
    {.kind = 1006, .flags = 0x8000},  // type
    {.kind = 1005, .flags = 0x8001},  // content
    {.kind = 1001, .flags = 0x8001},  // maximum length
    {.kind = 1001, .flags = 0x8001},  // selection start
    {.kind = 1001, .flags = 0x8001},  // selection length
    {.kind = 1005, .flags = 0x8009},  // selected text
    {.kind = 1003, .flags = 0x8000},  // sorted
    {.kind = 1001, .flags = 0x8000},  // extra row height
    {.kind = 1014, .flags = 0x8000},  // text colour
    {.kind = 1017, .flags = 0x8000},  // background colour
    {.kind = 1013, .flags = 0x8000},  // font
    {.kind = 1001, .flags = 0x8000},  // current selection
    {.kind = 1024, .flags = 0x8000},  // list items
    {.kind = 1024, .flags = 0x8000},  // item data
    {.kind = 1018, .flags = 0x8000},  // data source
    {.kind = 1020, .flags = 0x8000},  // data column
    {.kind = 1003, .flags = 0x8010},  // data binding
};
static_assert(std::size(kComboBoxProperties) == kCommonPropertyCount + kComboBoxPropertyCount);
static_assert(std::size(kComboBoxProperties) == 25);

constexpr int32_t kLimit = 32767;
constexpr int32_t kDropDownMinHeight = 160;
constexpr int32_t kMaxItemHeight = 255;  // the control refuses taller rows

int32_t Clamp(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

DWORD KindStyle(int32_t type) {
    switch (type) {
        case 0: return CBS_SIMPLE;
        case 2: return CBS_DROPDOWNLIST;
        default: return CBS_DROPDOWN;
    }
}

std::string TextOf(const PropertyValue& v) {
    const char* p = reinterpret_cast<const char*>(static_cast<uintptr_t>(v.value));
    return p ? std::string(p) : std::string();
}

std::span<const uint8_t> BytesOf(const PropertyValue& v) {
    const auto* p = reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(v.value));
    return p ? std::span<const uint8_t>(p, v.length) : std::span<const uint8_t>();
}

PropertyValue Bytes(const std::vector<uint8_t>& v) {
    return {v.empty() ? 0 : reinterpret_cast<uintptr_t>(v.data()), static_cast<uint32_t>(v.size())};
}

PropertyValue Text(const std::string& s) { return {reinterpret_cast<uintptr_t>(s.c_str()), 0}; }

// Stored data holds whatever a template or a fuzzer put there; pick values
// and limits are clamped as writes would clamp them.
void ClampStored(ComboBoxData& d) {
    d.type = Clamp(d.type, 0, 2);
    d.max_length = Clamp(d.max_length, 0, kLimit);
    d.extra_row_height = Clamp(d.extra_row_height, 0, kLimit);
}

uint32_t ItemValue(const std::vector<uint8_t>& data, size_t i) {
    uint32_t v = 0;
    std::memcpy(&v, data.data() + i * 4, 4);
    return v;
}

}  // namespace

bool ParseComboItems(std::span<const uint8_t> bytes, std::vector<std::string>* items) {
    items->clear();
    if (bytes.empty()) return true;
    runtime::templates::ByteReader r(bytes);
    std::vector<std::string> read;
    if (!runtime::templates::ReadTextArray(r, read) || r.Failed()) return false;
    *items = std::move(read);
    return true;
}

std::vector<uint8_t> SerialiseComboItems(const std::vector<std::string>& items) {
    runtime::templates::ByteWriter w;
    runtime::templates::WriteTextArray(w, items);
    return w.Take();
}

ComboBox::~ComboBox() {
    if (brush_) DeleteObject(brush_);
    if (font_) DeleteObject(font_);
}

bool ComboBox::ReadData(std::span<const uint8_t> data) {
    if (!runtime::templates::ReadStoredUnitData(data, data_)) return false;
    ClampStored(data_);
    return true;
}

bool ComboBox::HasEdit() const {
    if (!hwnd_ || !IsWindow(hwnd_)) return false;
    return (static_cast<DWORD>(GetWindowLongA(hwnd_, GWL_STYLE)) & 3) != CBS_DROPDOWNLIST;
}

std::string ComboBox::EditText() const {
    if (!hwnd_ || !IsWindow(hwnd_)) return data_.content;
    int n = GetWindowTextLengthA(hwnd_);
    if (n <= 0) return {};
    std::string s(static_cast<size_t>(n) + 1, '\0');
    int got = GetWindowTextA(hwnd_, s.data(), n + 1);
    s.resize(static_cast<size_t>(std::clamp(got, 0, n)));
    return s;
}

bool ComboBox::EditSelection(int32_t* start, int32_t* end) const {
    if (!HasEdit()) return false;
    DWORD a = 0, b = 0;
    if (SendMessageA(hwnd_, CB_GETEDITSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b)) == CB_ERR)
        return false;
    *start = static_cast<int32_t>(std::min<DWORD>(a, 0x7FFFFFFF));
    *end = static_cast<int32_t>(std::min<DWORD>(std::max(a, b), 0x7FFFFFFF));
    return true;
}

void ComboBox::ApplyEditSelection(int32_t start, int32_t length) {
    if (!HasEdit()) return;
    const auto n = static_cast<int32_t>(std::min<size_t>(EditText().size(), kLimit));
    int32_t a, b;
    if (start == -1) {
        a = b = n;
    } else if (length == -1) {
        a = 0;
        b = n;
    } else {
        a = Clamp(start, 0, n);
        b = Clamp(static_cast<int32_t>(std::min<int64_t>(int64_t{a} + std::max(length, 0), n)), a, n);
    }
    SendMessageA(hwnd_, CB_SETEDITSEL, 0, MAKELPARAM(a, b));
}

void ComboBox::SetEditText(const std::string& text, bool quiet) {
    settingText_ = quiet;
    SetWindowTextA(hwnd_, text.c_str());
    settingText_ = false;
}

void ComboBox::ApplyExtraRowHeight(int32_t extra) {
    LRESULT current = SendMessageA(hwnd_, CB_GETITEMHEIGHT, 0, 0);
    if (current == CB_ERR || current <= 0) return;
    const int32_t base = std::max<int32_t>(1, static_cast<int32_t>(current) - appliedExtra_);
    const int32_t target = static_cast<int32_t>(std::min<int64_t>(int64_t{base} + extra, kMaxItemHeight));
    if (target < 1) return;
    if (SendMessageA(hwnd_, CB_SETITEMHEIGHT, 0, target) != CB_ERR) appliedExtra_ = target - base;
}

void ComboBox::ApplyFontBytes() {
    // The extra height comes off before the font changes the row height and
    // goes back on the new one.
    LRESULT current = SendMessageA(hwnd_, CB_GETITEMHEIGHT, 0, 0);
    if (current != CB_ERR && appliedExtra_ > 0 && current - appliedExtra_ >= 1)
        SendMessageA(hwnd_, CB_SETITEMHEIGHT, 0, current - appliedExtra_);
    appliedExtra_ = 0;
    HFONT made = ApplyFont(hwnd_, data_.font);
    if (font_) DeleteObject(font_);
    font_ = made;
    ApplyExtraRowHeight(data_.extra_row_height);
}

void ComboBox::RemakeBrush() {
    HBRUSH made = CreateSolidBrush(ResolveBackColour(data_.background_colour));
    if (brush_) DeleteObject(brush_);
    brush_ = made;
}

void ComboBox::AddItems() {
    const size_t n = data_.items.size();
    const size_t valued = data_.item_data.size() / 4;
    // A sorted list is filled in its final order, so that each item lands at
    // the end and filling stays linear however long the list; equal items
    // keep their stored order, as the control's own placement would.
    std::vector<size_t> order(n);
    std::iota(order.begin(), order.end(), size_t{0});
    if (data_.sorted)
        std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
            return lstrcmpiA(data_.items[a].c_str(), data_.items[b].c_str()) < 0;
        });
    building_ = true;
    for (size_t i : order) {
        LRESULT at = SendMessageA(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(data_.items[i].c_str()));
        if (at >= 0 && i < valued) SendMessageA(hwnd_, CB_SETITEMDATA, static_cast<WPARAM>(at), ItemValue(data_.item_data, i));
    }
    building_ = false;
}

bool ComboBox::CreateNative(const CreateArgs& args) {
    RemakeBrush();
    DWORD style = args.styles | WS_CHILD | WS_CLIPSIBLINGS | WS_VSCROLL | CBS_AUTOHSCROLL | KindStyle(data_.type);
    if (data_.sorted) style |= CBS_SORT;
    CreateArgs placed = args;
    // A drop-down's height includes its list.
    if (data_.type != 0) placed.height = std::max(placed.height, kDropDownMinHeight);
    if (!CreateBound(0, "COMBOBOX", data_.content.c_str(), style, placed, args.parent)) return false;

    ApplyFontBytes();
    SendMessageA(hwnd_, CB_LIMITTEXT, static_cast<WPARAM>(data_.max_length), 0);
    AddItems();

    const auto count = static_cast<int32_t>(SendMessageA(hwnd_, CB_GETCOUNT, 0, 0));
    int32_t sel = data_.current_selection;
    if (sel > count - 1) sel = count - 1;
    if (sel < -1) sel = -1;
    data_.current_selection = sel;
    SendMessageA(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(sel), 0);

    if (data_.type != 2) {
        SetEditText(data_.content, true);  // filling the new control is no edit
        ApplyEditSelection(data_.selection_start, data_.selection_length);
    }
    return true;
}

void ComboBox::ReadNativeList(std::vector<std::string>* items, std::vector<uint8_t>* itemData) const {
    items->clear();
    itemData->clear();
    const LRESULT count = SendMessageA(hwnd_, CB_GETCOUNT, 0, 0);
    if (count <= 0) return;
    items->reserve(static_cast<size_t>(count));
    itemData->reserve(static_cast<size_t>(count) * 4);
    std::string buffer;
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT len = SendMessageA(hwnd_, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
        std::string text;
        if (len > 0) {
            buffer.assign(static_cast<size_t>(len) + 1, '\0');
            LRESULT got = SendMessageA(hwnd_, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer.data()));
            if (got > 0) text.assign(buffer.data(), static_cast<size_t>(std::min(got, len)));
        }
        items->push_back(std::move(text));
        const auto value = static_cast<uint32_t>(SendMessageA(hwnd_, CB_GETITEMDATA, static_cast<WPARAM>(i), 0));
        const uint8_t* p = reinterpret_cast<const uint8_t*>(&value);
        itemData->insert(itemData->end(), p, p + 4);
    }
}

void ComboBox::SyncFromNative() {
    if (!nativeChanged_ || !hwnd_ || !IsWindow(hwnd_)) return;
    ReadNativeList(&data_.items, &data_.item_data);
    nativeChanged_ = false;
}

std::vector<uint8_t> ComboBox::SaveData() const {
    ComboBoxData d = data_;
    if (hwnd_ && IsWindow(hwnd_)) {
        // The list as it is now, with what the program added or removed.
        if (nativeChanged_) ReadNativeList(&d.items, &d.item_data);
        d.current_selection = static_cast<int32_t>(SendMessageA(hwnd_, CB_GETCURSEL, 0, 0));
        if (d.current_selection < -1) d.current_selection = -1;
        int32_t a, b;
        if (!DesignMode() && EditSelection(&a, &b)) {
            d.content = EditText();
            d.selection_start = a;
            d.selection_length = b - a;
        }
    }
    return runtime::templates::WriteStoredUnitData(d);
}

int32_t ComboBox::SetProperty(int32_t index, const PropertyValue& v) {
    if (!hwnd_ || !IsWindow(hwnd_)) return 0;
    const auto word = static_cast<uint32_t>(v.value);
    const auto number = static_cast<int32_t>(word);
    switch (index) {
        case kCbType: {
            const int32_t type = ClampPick(word, 2);
            if (type == data_.type) return 0;
            // Drop-downs are white by default, the simple list takes the
            // system default.
            if (type != 0 && data_.background_colour == 0xFF000000u) data_.background_colour = 0xFFFFFF;
            else if (type == 0 && data_.background_colour == 0xFFFFFFu) data_.background_colour = 0xFF000000u;
            data_.type = type;
            RemakeBrush();
            return 1;
        }
        case kCbContent:
            data_.content = TextOf(v);
            if (HasEdit()) SetEditText(data_.content, false);  // a write is a change, as typing is
            return 0;
        case kCbMaxLength:
            data_.max_length = Clamp(number, 0, kLimit);
            if (HasEdit()) SendMessageA(hwnd_, CB_LIMITTEXT, static_cast<WPARAM>(data_.max_length), 0);
            return 0;
        case kCbSelectionStart:
        case kCbSelectionLength: {
            int32_t a, b;
            if (!DesignMode() && EditSelection(&a, &b)) {
                data_.selection_start = a;
                data_.selection_length = b - a;
            }
            const auto textLength = static_cast<int32_t>(std::min<size_t>(HasEdit() ? EditText().size() : 0, kLimit));
            if (index == kCbSelectionStart) {
                if (number == -1) {
                    data_.selection_start = textLength;  // the end of the text; 0 without an edit field
                    data_.selection_length = 0;
                } else {
                    data_.selection_start = std::max(number, 0);
                }
            } else if (number == -1) {
                data_.selection_start = 0;
                data_.selection_length = textLength;
            } else {
                data_.selection_length = std::max(number, 0);
            }
            ApplyEditSelection(data_.selection_start, data_.selection_length);
            return 0;
        }
        case kCbSelectedText: {
            int32_t a, b;
            if (!EditSelection(&a, &b)) return 0;
            std::string text = EditText();
            const size_t left = std::min<size_t>(static_cast<size_t>(a), text.size());
            const size_t right = std::clamp<size_t>(static_cast<size_t>(b), left, text.size());
            const std::string inserted = TextOf(v);
            text = text.substr(0, left) + inserted + text.substr(right);
            data_.content = text;
            SetEditText(text, false);
            const auto caret = static_cast<int32_t>(std::min<size_t>(left + inserted.size(), kLimit));
            SendMessageA(hwnd_, CB_SETEDITSEL, 0, MAKELPARAM(caret, caret));
            return 0;
        }
        case kCbSorted: {
            const bool sorted = word != 0;
            if (sorted == data_.sorted) return 0;
            data_.sorted = sorted;
            return 1;
        }
        case kCbExtraRowHeight:
            data_.extra_row_height = Clamp(number, 0, kLimit);
            ApplyExtraRowHeight(data_.extra_row_height);
            InvalidateRect(hwnd_, nullptr, TRUE);
            return 0;
        case kCbTextColour:
            data_.text_colour = word;
            InvalidateRect(hwnd_, nullptr, TRUE);
            return 0;
        case kCbBackColour:
            data_.background_colour = word;
            RemakeBrush();
            InvalidateRect(hwnd_, nullptr, TRUE);
            return 0;
        case kCbFont: {
            std::span<const uint8_t> bytes = BytesOf(v);
            data_.font.assign(bytes.begin(), bytes.end());
            ApplyFontBytes();
            InvalidateRect(hwnd_, nullptr, TRUE);
            return 0;
        }
        case kCbCurrentSelection: {
            // Against the list as it is now: the program may have filled it
            // item by item.
            const auto count = static_cast<int32_t>(SendMessageA(hwnd_, CB_GETCOUNT, 0, 0));
            int32_t sel = number > count - 1 ? count - 1 : number;
            if (sel < -1) sel = -1;
            data_.current_selection = sel;
            SendMessageA(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(sel), 0);
            return 0;
        }
        case kCbItems: {
            std::vector<std::string> items;
            // A malformed value changes nothing rather than losing the list.
            if (!ParseComboItems(BytesOf(v), &items)) return 0;
            SyncFromNative();
            data_.items = std::move(items);
            nativeChanged_ = false;
            return 1;
        }
        case kCbItemData: {
            SyncFromNative();
            std::span<const uint8_t> bytes = BytesOf(v);
            data_.item_data.assign(bytes.begin(), bytes.end());
            nativeChanged_ = false;
            return 1;
        }
        case kCbDataSource: data_.data_source = TextOf(v); return 0;
        case kCbDataColumn: data_.data_column = TextOf(v); return 0;
        case kCbDataBinding: data_.data_binding = word != 0; return 0;
        default: return 0;
    }
}

bool ComboBox::GetProperty(int32_t index, PropertyValue* out) {
    auto word = [&](uint32_t w) { *out = {w, 0}; };
    const bool live = hwnd_ && IsWindow(hwnd_) && !DesignMode();
    switch (index) {
        case kCbType: word(static_cast<uint32_t>(data_.type)); break;
        case kCbContent:
            contentScratch_ = live ? EditText() : data_.content;
            *out = Text(contentScratch_);
            break;
        case kCbMaxLength: word(static_cast<uint32_t>(data_.max_length)); break;
        case kCbSelectionStart:
        case kCbSelectionLength: {
            int32_t a = 0, b = 0;
            if (live) {
                if (!EditSelection(&a, &b)) a = b = 0;  // no edit field: 0
            } else {
                a = data_.selection_start;
                b = a + data_.selection_length;
            }
            word(static_cast<uint32_t>(index == kCbSelectionStart ? a : b - a));
            break;
        }
        case kCbSelectedText: {
            int32_t a = 0, b = 0;
            std::string text;
            if (live && EditSelection(&a, &b)) text = EditText();
            const size_t left = std::min<size_t>(static_cast<size_t>(std::max(a, 0)), text.size());
            const size_t right = std::clamp<size_t>(static_cast<size_t>(std::max(b, 0)), left, text.size());
            selectedScratch_ = text.substr(left, right - left);
            *out = Text(selectedScratch_);
            break;
        }
        case kCbSorted: word(data_.sorted ? 1 : 0); break;
        case kCbExtraRowHeight: word(static_cast<uint32_t>(data_.extra_row_height)); break;
        case kCbTextColour: word(data_.text_colour); break;
        case kCbBackColour: word(data_.background_colour); break;
        case kCbFont: *out = Bytes(data_.font); break;
        case kCbCurrentSelection:
            if (live) {
                const auto sel = static_cast<int32_t>(SendMessageA(hwnd_, CB_GETCURSEL, 0, 0));
                word(static_cast<uint32_t>(sel < -1 ? -1 : sel));
            } else {
                word(static_cast<uint32_t>(data_.current_selection));
            }
            break;
        case kCbItems:
            SyncFromNative();
            itemsScratch_ = data_.items.empty() ? std::vector<uint8_t>() : SerialiseComboItems(data_.items);
            *out = Bytes(itemsScratch_);
            break;
        case kCbItemData:
            SyncFromNative();
            *out = Bytes(data_.item_data);
            break;
        case kCbDataSource: *out = Text(data_.data_source); break;
        case kCbDataColumn: *out = Text(data_.data_column); break;
        case kCbDataBinding: word(data_.data_binding ? 1 : 0); break;
        default: return false;
    }
    return true;
}

void ComboBox::Notification(UINT code) {
    switch (code) {
        case CBN_SELENDOK:
            // The control is still inside its own handling; the handler runs
            // once it has settled, so it reads the new selection.
            PostMessageA(hwnd_, kMsgComboSelectionConfirmed, 0, 0);
            break;
        case CBN_EDITCHANGE:
            if (!settingText_) Raise(kComboEditChanged);
            break;
        case CBN_DROPDOWN: Raise(kComboDropDown); break;
        case CBN_CLOSEUP: Raise(kComboCloseUp); break;
        case CBN_DBLCLK: Raise(kComboDoubleClick); break;
        // Without an edit field the combo box's own window takes the focus,
        // and that already raised the focus events.
        case CBN_SETFOCUS:
            if (HasEdit()) Raise(runtime::kEventGotFocus);
            break;
        case CBN_KILLFOCUS:
            if (HasEdit()) Raise(runtime::kEventLostFocus);
            break;
        default: break;
    }
}

LRESULT ComboBox::Colour(HDC dc) {
    SetTextColor(dc, data_.text_colour & 0x00FFFFFFu);
    SetBkColor(dc, ResolveBackColour(data_.background_colour));
    return static_cast<LRESULT>(brush_);
}

LRESULT ComboBox::WindowProc(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
        case kMsgComboSelectionConfirmed: Raise(kComboSelectionConfirmed); return 0;
        case kReflectedMessageBase + WM_COMMAND: Notification(HIWORD(w)); return 0;
        case WM_COMMAND:
            // Our own notifications handed back at their own number; the edit
            // field's go to the control.
            if (static_cast<HWND>(l) == hwnd_) {
                Notification(HIWORD(w));
                return 0;
            }
            break;
        case kReflectedMessageBase + WM_CTLCOLOREDIT:
        case kReflectedMessageBase + WM_CTLCOLORLISTBOX:
        case kReflectedMessageBase + WM_CTLCOLORSTATIC:
        // From the edit field inside, or handed back at their own number:
        // answered here, never passed on (the control would ask the parent
        // again).
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORSTATIC: return Colour(static_cast<HDC>(w));
        case WM_ERASEBKGND:
            if (data_.type == 0) {
                RECT rc;
                GetClientRect(hwnd_, &rc);
                FillRect(static_cast<HDC>(w), &rc, brush_);
                return 1;
            }
            break;
        case CB_ADDSTRING:
        case CB_INSERTSTRING:
        case CB_DELETESTRING:
        case CB_RESETCONTENT:
        case CB_SETITEMDATA:
            // The program changes the list directly (the core's item
            // commands): the stored list follows when it is next read.
            if (!building_) nativeChanged_ = true;
            break;
        default: break;
    }
    return Default(message, w, l);
}

namespace {

uint8_t* ConvertComboTexts(const uint8_t* data, uint32_t* length, TextConvertCallback callback, uintptr_t context) {
    return ConvertStoredTexts<ComboBoxData>(data, length, callback, context);
}

runtime::UnitOperation ComboBoxLookup(int32_t number) {
    if (number == runtime::kOpConvertUnitTexts) return reinterpret_cast<runtime::UnitOperation>(&ConvertComboTexts);
    return UnitOperations<ComboBox>::Lookup(number);
}

}  // namespace

runtime::UnitType ComboBoxUnitType() {
    static const char kName[] = "组合框";
    return runtime::UnitType{
        .name = kName,
        .englishName = "ComboBox",
        .explanation = "",
        .flags = 0x80000240,
        .propertyCount = static_cast<uint32_t>(std::size(kComboBoxProperties)),
        .properties = kComboBoxProperties,
        .lookup = &ComboBoxLookup,
    };
}

}  // namespace units
