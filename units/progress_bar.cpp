#include "units/progress_bar.h"

#include <algorithm>
#include <iterator>

#include "win/commctrl.h"

namespace units {
namespace {

// ORDER ProgressBarProperty, after the common properties.
constexpr PropertyRecord kProgressBarProperties[] = {
    SIG_COMMON_PROPERTIES,
    {.kind = 1006, .flags = 0x8000},  // border
    {.kind = 1006, .flags = 0x8000},  // direction
    {.kind = 1006, .flags = 0x8000},  // bar style
    {.kind = 1001, .flags = 0x8000},  // minimum
    {.kind = 1001, .flags = 0x8000},  // maximum
    {.kind = 1001, .flags = 0x8000},  // position
};
static_assert(std::size(kProgressBarProperties) == kCommonPropertyCount + kProgressBarPropertyCount);
static_assert(std::size(kProgressBarProperties) == 14);

constexpr int32_t kRangeLimit = 32767;

int32_t ClampRange(uint32_t raw) { return std::clamp(static_cast<int32_t>(raw), 0, kRangeLimit); }

}  // namespace

bool ProgressBarUnit::ReadData(std::span<const uint8_t> data) {
    return runtime::templates::ReadStoredUnitData(data, data_);
}

std::vector<uint8_t> ProgressBarUnit::SaveData() const { return runtime::templates::WriteStoredUnitData(data_); }

void ProgressBarUnit::ApplyRange() {
    // 16-bit ends: stored values outside 0-32767 are brought inside first.
    const int32_t a = std::clamp(data_.minimum, 0, kRangeLimit), b = std::clamp(data_.maximum, 0, kRangeLimit);
    SendMessageA(hwnd_, PBM_SETRANGE, 0, MAKELPARAM(std::min(a, b), std::max(a, b)));
}

void ProgressBarUnit::ShowPosition() {
    const int32_t a = std::clamp(data_.minimum, 0, kRangeLimit), b = std::clamp(data_.maximum, 0, kRangeLimit);
    const int32_t lo = std::min(a, b), hi = std::max(a, b);
    SendMessageA(hwnd_, PBM_SETPOS, std::clamp(data_.position, lo, hi), 0);
}

bool ProgressBarUnit::CreateNative(const CreateArgs& args) {
    INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&init);
    DWORD style = args.styles | WS_CHILD | WS_CLIPSIBLINGS;
    if (data_.direction == 1) style |= PBS_VERTICAL;
    if (data_.bar_style == 1) style |= PBS_SMOOTH;
    if (!CreateBound(0, "msctls_progress32", "", style, args, args.parent)) return false;
    ApplyRange();
    ShowPosition();
    ApplyBorderStyle(hwnd_, data_.border);
    return true;
}

int32_t ProgressBarUnit::SetProperty(int32_t index, const PropertyValue& v) {
    const auto word = static_cast<uint32_t>(v.value);
    switch (index) {
        case kPgBorder:
            data_.border = ClampPick(word, 5);
            ApplyBorderStyle(hwnd_, data_.border);
            return 0;
        // Direction and bar style are creation styles: a change rebuilds.
        case kPgDirection: {
            const int32_t d = ClampPick(word, 1);
            if (d == data_.direction) return 0;
            data_.direction = d;
            return 1;
        }
        case kPgBarStyle: {
            const int32_t s = ClampPick(word, 1);
            if (s == data_.bar_style) return 0;
            data_.bar_style = s;
            return 1;
        }
        case kPgMinimum: data_.minimum = ClampRange(word); break;
        case kPgMaximum: data_.maximum = ClampRange(word); break;
        case kPgPosition:
            data_.position = ClampRange(word);
            ShowPosition();
            return 0;
        default: return 0;
    }
    ApplyRange();
    ShowPosition();
    return 0;
}

bool ProgressBarUnit::GetProperty(int32_t index, PropertyValue* out) {
    uint32_t w = 0;
    switch (index) {
        case kPgBorder: w = static_cast<uint32_t>(data_.border); break;
        case kPgDirection: w = static_cast<uint32_t>(data_.direction); break;
        case kPgBarStyle: w = static_cast<uint32_t>(data_.bar_style); break;
        case kPgMinimum: w = static_cast<uint32_t>(data_.minimum); break;
        case kPgMaximum: w = static_cast<uint32_t>(data_.maximum); break;
        case kPgPosition: w = static_cast<uint32_t>(data_.position); break;
        default: return false;
    }
    *out = {w, 0};
    return true;
}

runtime::UnitType ProgressBarUnitType() {
    static const char kName[] = "进度条";
    return runtime::UnitType{
        .name = kName,
        .englishName = "ProcessBar",
        .explanation = "",
        .flags = 0x84010040,
        .propertyCount = static_cast<uint32_t>(std::size(kProgressBarProperties)),
        .properties = kProgressBarProperties,
        .lookup = &UnitOperations<ProgressBarUnit>::Lookup,
    };
}

}  // namespace units
