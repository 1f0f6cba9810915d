#include "units/placeholder_unit.h"

#include <algorithm>
#include <array>

namespace units {
namespace {

// Common properties, then integers: enough for the runtime's conversions
// until the type's real table exists.
constexpr auto kPlaceholderProperties = [] {
    std::array<PropertyRecord, 32> t{SIG_COMMON_PROPERTIES};
    for (size_t i = kCommonPropertyCount; i < t.size(); ++i) t[i] = PropertyRecord{.kind = 1001, .flags = 0x8000};
    return t;
}();

}  // namespace

bool PlaceholderUnit::ReadData(std::span<const uint8_t> data) {
    data_.assign(data.begin(), data.end());
    return true;
}

bool PlaceholderUnit::GetProperty(int32_t index, PropertyValue* value) {
    if (index < 0) return false;
    *value = {};
    return true;
}

bool PlaceholderUnit::CreateNative(const CreateArgs& args) {
    static const char kClass[] = "_VU_Placeholder";
    if (!RegisterUnitClass(kClass)) return false;
    return CreateBound(0, kClass, "", args.styles | WS_CHILD | WS_CLIPSIBLINGS, args, args.parent) != 0;
}

LRESULT PlaceholderUnit::WindowProc(UINT message, WPARAM w, LPARAM l) {
    if (message == WM_ERASEBKGND) return 1;
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        BeginPaint(hwnd_, &ps);
        EndPaint(hwnd_, &ps);
        return 0;
    }
    return Default(message, w, l);
}

runtime::UnitType PlaceholderUnitType(const char* name, const char* englishName, uint32_t flags,
                                      uint32_t propertyCount) {
    return runtime::UnitType{
        .name = name,
        .englishName = englishName,
        .explanation = "",
        .flags = flags,
        .propertyCount = std::min<uint32_t>(propertyCount, kPlaceholderProperties.size()),
        .properties = kPlaceholderProperties.data(),
        .lookup = &UnitOperations<PlaceholderUnit>::Lookup,
    };
}

}  // namespace units
