// The GroupBox unit type (type number 9): a captioned frame on the system
// "BUTTON" control that holds other units.
#pragma once

#include "runtime/program_data.h"
#include "runtime/template/stored_unit_data.h"
#include "units/unit_base.h"

namespace units {

// Own property indexes (table index = own + 8).
enum GroupBoxProperty : int32_t {
    kGpTitle, kGpAlignment, kGpTextColour, kGpBackColour, kGpFont, kGroupBoxPropertyCount
};

class GroupBoxUnit : public Unit {
public:
    static constexpr bool kHasWantsKey = false;
    static constexpr bool kHasDefaultButton = false;

    ~GroupBoxUnit() override;
    bool ReadData(std::span<const uint8_t> data) override;
    std::vector<uint8_t> SaveData() const override;
    int32_t SetProperty(int32_t index, const PropertyValue& value) override;
    bool GetProperty(int32_t index, PropertyValue* value) override;
    bool CreateNative(const CreateArgs& args) override;

    const runtime::templates::GroupBoxData& Data() const { return data_; }

protected:
    LRESULT WindowProc(UINT message, WPARAM w, LPARAM l) override;

private:
    void MakeBrush();
    void ApplyAlignment();
    void Paint();
    HBRUSH ColourAnswer(HDC dc);

    runtime::templates::GroupBoxData data_;
    HBRUSH brush_ = 0;
    HFONT font_ = 0;
};

runtime::UnitType GroupBoxUnitType();

}  // namespace units
