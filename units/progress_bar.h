// The ProcessBar unit type (type number 19): a "msctls_progress32" control
// showing a position in a range. Messages the unit does not handle, such as
// the bar-colour message 0x409 that programs send to its window handle, go
// to the control.
#pragma once

#include "runtime/program_data.h"
#include "runtime/template/stored_unit_data.h"
#include "units/unit_base.h"

namespace units {

// Own property indexes (table index = own + 8).
enum ProgressBarProperty : int32_t {
    kPgBorder, kPgDirection, kPgBarStyle, kPgMinimum, kPgMaximum, kPgPosition, kProgressBarPropertyCount
};

class ProgressBarUnit : public Unit {
public:
    static constexpr bool kHasWantsKey = false;
    static constexpr bool kHasDefaultButton = false;

    bool ReadData(std::span<const uint8_t> data) override;
    std::vector<uint8_t> SaveData() const override;
    int32_t SetProperty(int32_t index, const PropertyValue& value) override;
    bool GetProperty(int32_t index, PropertyValue* value) override;
    bool CreateNative(const CreateArgs& args) override;

    const runtime::templates::ProgressBarData& Data() const { return data_; }

private:
    void ApplyRange();
    void ShowPosition();

    runtime::templates::ProgressBarData data_;
};

runtime::UnitType ProgressBarUnitType();

}  // namespace units
