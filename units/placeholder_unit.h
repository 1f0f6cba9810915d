// Stand-in for unit types whose own file pair does not exist yet: a plain
// child window that keeps its stored data, answers the common properties
// through the runtime and every own property with zero, so windows that use
// such types still load. A type's real file pair replaces its entry in the
// core type table.
#pragma once

#include "units/unit_base.h"

namespace units {

class PlaceholderUnit : public Unit {
public:
    static constexpr bool kHasWantsKey = false;
    static constexpr bool kHasDefaultButton = false;

    bool ReadData(std::span<const uint8_t> data) override;
    std::vector<uint8_t> SaveData() const override { return data_; }
    int32_t SetProperty(int32_t, const PropertyValue&) override { return 0; }
    bool GetProperty(int32_t index, PropertyValue* value) override;
    bool CreateNative(const CreateArgs& args) override;

protected:
    LRESULT WindowProc(UINT message, WPARAM w, LPARAM l) override;

private:
    std::vector<uint8_t> data_;
};

// A descriptor for type number `number` with its name, flags and property
// count, backed by PlaceholderUnit.
runtime::UnitType PlaceholderUnitType(const char* name, const char* englishName, uint32_t flags,
                                      uint32_t propertyCount);

}  // namespace units
