// The VScrollBar unit type (type number 18): a vertical "SCROLLBAR" control
// that keeps its own position and steps and raises event 0 when the user's
// scrolling changes the position.
#pragma once

#include <utility>

#include "runtime/program_data.h"
#include "runtime/template/stored_unit_data.h"
#include "units/unit_base.h"

namespace units {

// Own property indexes (table index = own + 8).
enum ScrollBarProperty : int32_t {
    kSbMinimum, kSbMaximum, kSbPageStep, kSbLineStep, kSbPosition, kSbFollowThumb, kScrollBarPropertyCount
};

enum ScrollBarEvent : int32_t { kScrollBarPositionChanged = 0 };

// Values of the range properties: 0-32767.
constexpr int32_t kRangeLimit = 32767;

class ScrollBarUnit : public Unit {
public:
    static constexpr bool kHasWantsKey = false;
    static constexpr bool kHasDefaultButton = false;

    bool ReadData(std::span<const uint8_t> data) override;
    std::vector<uint8_t> SaveData() const override;
    int32_t SetProperty(int32_t index, const PropertyValue& value) override;
    bool GetProperty(int32_t index, PropertyValue* value) override;
    bool CreateNative(const CreateArgs& args) override;

    const runtime::templates::VScrollBarData& Data() const { return data_; }

protected:
    LRESULT WindowProc(UINT message, WPARAM w, LPARAM l) override;

private:
    std::pair<int32_t, int32_t> ShownRange() const;
    void ApplyRange();
    void ShowPosition();
    // One reflected scroll notification; true when the position changed.
    bool Scroll(int code, int thumb);

    runtime::templates::VScrollBarData data_;
};

runtime::UnitType ScrollBarUnitType();

}  // namespace units
