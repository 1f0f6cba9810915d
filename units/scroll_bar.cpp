#include "units/scroll_bar.h"

#include <algorithm>
#include <iterator>

namespace units {
namespace {

// ORDER ScrollBarProperty, after the common properties.
constexpr PropertyRecord kScrollBarProperties[] = {
    SIG_COMMON_PROPERTIES,
    {.kind = 1001, .flags = 0x8000},  // minimum
    {.kind = 1001, .flags = 0x8000},  // maximum
    {.kind = 1001, .flags = 0x8000},  // page step
    {.kind = 1001, .flags = 0x8000},  // line step
    {.kind = 1001, .flags = 0x8000},  // position
    {.kind = 1003, .flags = 0x8000},  // follow the thumb
};
static_assert(std::size(kScrollBarProperties) == kCommonPropertyCount + kScrollBarPropertyCount);
static_assert(std::size(kScrollBarProperties) == 14);

// The message a container may use instead of the plain one when it hands a
// child's scroll notification back (the control-notification base + 0x115).
constexpr UINT kReflectedVScroll = 0x2000 + WM_VSCROLL;

int32_t ClampRange(uint32_t raw) { return std::clamp(static_cast<int32_t>(raw), 0, kRangeLimit); }

// Steps of zero or less become 1, larger than the limit the limit.
int32_t ClampStep(uint32_t raw) { return std::clamp(static_cast<int32_t>(raw), 1, kRangeLimit); }

}  // namespace

bool ScrollBarUnit::ReadData(std::span<const uint8_t> data) {
    return runtime::templates::ReadStoredUnitData(data, data_);
}

std::vector<uint8_t> ScrollBarUnit::SaveData() const { return runtime::templates::WriteStoredUnitData(data_); }

// The range the control shows. Written values are already inside 0-32767;
// stored records are brought inside too, so the control never works with
// ends whose difference overflows.
std::pair<int32_t, int32_t> ScrollBarUnit::ShownRange() const {
    const int32_t a = std::clamp(data_.minimum, 0, kRangeLimit), b = std::clamp(data_.maximum, 0, kRangeLimit);
    return {std::min(a, b), std::max(a, b)};
}

void ScrollBarUnit::ApplyRange() {
    const auto [lo, hi] = ShownRange();
    SendMessageA(hwnd_, SBM_SETRANGEREDRAW, lo, hi);
}

void ScrollBarUnit::ShowPosition() {
    // Moving the thumb must not enable a scroll bar that was disabled.
    const bool disabled = !IsWindowEnabled(hwnd_);
    const auto [lo, hi] = ShownRange();
    SendMessageA(hwnd_, SBM_SETPOS, std::clamp(data_.position, lo, hi), TRUE);
    if (disabled && IsWindowEnabled(hwnd_)) EnableWindow(hwnd_, FALSE);
}

bool ScrollBarUnit::CreateNative(const CreateArgs& args) {
    if (!CreateBound(0, "SCROLLBAR", "", args.styles | WS_CHILD | WS_CLIPSIBLINGS | SBS_VERT, args, args.parent))
        return false;
    ApplyRange();
    ShowPosition();
    return true;
}

bool ScrollBarUnit::Scroll(int code, int thumb) {
    int64_t next = data_.position;
    switch (code) {
        case SB_ENDSCROLL: return false;
        case SB_LINEUP: next -= data_.line_step; break;
        case SB_LINEDOWN: next += data_.line_step; break;
        case SB_PAGEUP: next -= data_.page_step; break;
        case SB_PAGEDOWN: next += data_.page_step; break;
        case SB_THUMBPOSITION: next = thumb; break;
        case SB_THUMBTRACK:
            // Without following, the position moves once, when the thumb is let go.
            if (!data_.follow_thumb) return false;
            next = thumb;
            break;
        case SB_TOP:
        case SB_BOTTOM: {
            int lo = 0, hi = 0;
            SendMessageA(hwnd_, SBM_GETRANGE, reinterpret_cast<WPARAM>(&lo), reinterpret_cast<LPARAM>(&hi));
            next = code == SB_TOP ? std::min(lo, hi) : std::max(lo, hi);
            break;
        }
        default: return false;
    }
    int lo = 0, hi = 0;
    SendMessageA(hwnd_, SBM_GETRANGE, reinterpret_cast<WPARAM>(&lo), reinterpret_cast<LPARAM>(&hi));
    next = std::clamp<int64_t>(next, std::min(lo, hi), std::max(lo, hi));
    if (next == data_.position) return false;
    data_.position = static_cast<int32_t>(next);
    SendMessageA(hwnd_, SBM_SETPOS, data_.position, TRUE);
    Raise(kScrollBarPositionChanged);
    return true;
}

int32_t ScrollBarUnit::SetProperty(int32_t index, const PropertyValue& v) {
    const auto word = static_cast<uint32_t>(v.value);
    switch (index) {
        case kSbMinimum:
            data_.minimum = ClampRange(word);
            ApplyRange();
            ShowPosition();
            break;
        case kSbMaximum:
            data_.maximum = ClampRange(word);
            ApplyRange();
            ShowPosition();
            break;
        case kSbPageStep: data_.page_step = ClampStep(word); break;
        case kSbLineStep: data_.line_step = ClampStep(word); break;
        case kSbPosition:
            // Stored as written (within 0-32767), shown inside the range.
            data_.position = ClampRange(word);
            ShowPosition();
            break;
        case kSbFollowThumb: data_.follow_thumb = word != 0; break;
        default: return 0;
    }
    return 0;  // never rebuilt
}

bool ScrollBarUnit::GetProperty(int32_t index, PropertyValue* out) {
    uint32_t w = 0;
    switch (index) {
        case kSbMinimum: w = static_cast<uint32_t>(data_.minimum); break;
        case kSbMaximum: w = static_cast<uint32_t>(data_.maximum); break;
        case kSbPageStep: w = static_cast<uint32_t>(data_.page_step); break;
        case kSbLineStep: w = static_cast<uint32_t>(data_.line_step); break;
        case kSbPosition: w = static_cast<uint32_t>(data_.position); break;
        case kSbFollowThumb: w = data_.follow_thumb ? 1 : 0; break;
        default: return false;
    }
    *out = {w, 0};
    return true;
}

LRESULT ScrollBarUnit::WindowProc(UINT message, WPARAM w, LPARAM l) {
    // The container hands the control's own notification back to it.
    if ((message == WM_VSCROLL || message == kReflectedVScroll) && static_cast<HWND>(static_cast<uint32_t>(l)) == hwnd_) {
        Scroll(LOWORD(w), HIWORD(w));
        return 0;
    }
    return Default(message, w, l);
}

runtime::UnitType ScrollBarUnitType() {
    static const char kName[] = "纵向滚动条";
    return runtime::UnitType{
        .name = kName,
        .englishName = "VScrollBar",
        .explanation = "",
        .flags = 0x80020040,
        .propertyCount = static_cast<uint32_t>(std::size(kScrollBarProperties)),
        .properties = kScrollBarProperties,
        .lookup = &UnitOperations<ScrollBarUnit>::Lookup,
    };
}

}  // namespace units
