// The ColorPicker unit type (type number 28): a sunken box showing the
// current colour with a drop arrow; a click opens the palette
// (units/colour_palette.h) and a confirmed colour becomes the colour property
// and raises event 0.
#pragma once

#include <string>

#include "runtime/program_data.h"
#include "runtime/template/stored_unit_data.h"
#include "units/colour_palette.h"
#include "units/unit_base.h"

namespace units {

// Own property indexes (table index = own + 8).
enum ColourPickerProperty : int32_t { kCpColour, kCpTransparency, kColourPickerPropertyCount };

// Own event: a colour was confirmed in the palette.
constexpr int32_t kColourPickerChosen = 0;

class ColourPickerUnit : public Unit {
public:
    static constexpr bool kHasWantsKey = false;
    static constexpr bool kHasDefaultButton = false;

    ~ColourPickerUnit() override;

    bool ReadData(std::span<const uint8_t> data) override;
    std::vector<uint8_t> SaveData() const override;
    int32_t SetProperty(int32_t index, const PropertyValue& value) override;
    bool GetProperty(int32_t index, PropertyValue* value) override;
    bool CreateNative(const CreateArgs& args) override;

    const runtime::templates::ColourPickerData& Data() const { return data_; }
    // What the closed control shows (the transparent code included).
    uint32_t Swatch() const { return swatch_; }
    bool PaletteOpen() const { return paletteOpen_; }
    HWND Palette() const { return palette_; }
    RECT ArrowRect() const { return arrow_; }
    // Opens the palette as a click on the control does.
    void OpenPalette();

protected:
    LRESULT WindowProc(UINT message, WPARAM w, LPARAM l) override;

private:
    void ComputeArrow();
    void Paint(HDC dc, const RECT& item, bool pressed, bool focused, bool disabled);
    void Notify(UINT message, uint32_t colour);
    void Show(uint32_t colour);
    void ClosedUp();

    runtime::templates::ColourPickerData data_;
    uint32_t swatch_ = 0;
    std::string transparentText_;
    std::string moreText_;
    bool paletteOpen_ = false;
    bool focusedAtOpening_ = false;
    HWND palette_ = 0;
    RECT arrow_{};
};

runtime::UnitType ColourPickerUnitType();

}  // namespace units
