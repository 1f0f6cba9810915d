// The Button unit type (type number 11): a push button on the system
// "BUTTON" control with an optional picture and a default-button type.
#pragma once

#include "runtime/program_data.h"
#include "runtime/template/stored_unit_data.h"
#include "units/unit_base.h"

namespace units {

// Own property indexes (table index = own + 8).
enum ButtonProperty : int32_t {
    kBpPicture, kBpType, kBpCaption, kBpHorizontalAlignment, kBpVerticalAlignment, kBpFont, kButtonPropertyCount
};

class ButtonUnit : public Unit {
public:
    static constexpr bool kHasWantsKey = false;
    static constexpr bool kHasDefaultButton = true;

    ~ButtonUnit() override;
    bool ReadData(std::span<const uint8_t> data) override;
    std::vector<uint8_t> SaveData() const override;
    int32_t SetProperty(int32_t index, const PropertyValue& value) override;
    bool GetProperty(int32_t index, PropertyValue* value) override;
    bool CreateNative(const CreateArgs& args) override;
    int32_t IsDefaultButton() override;

    const runtime::templates::ButtonData& Data() const { return data_; }
    // The image handed to the control, or 0 when the caption shows.
    HANDLE Image() const { return image_; }

protected:
    LRESULT WindowProc(UINT message, WPARAM w, LPARAM l) override;

private:
    // Input that may click the button, passed on to the control. A click is
    // raised once: when the parent hands BN_CLICKED back while the control
    // handles the input, or else afterwards when `clicks` says the control
    // clicked.
    struct ClickWatch {
        bool alive = true;
        bool seen = false;
        ClickWatch* outer = nullptr;
    };
    LRESULT PassInput(UINT message, WPARAM w, LPARAM l, bool clicks);
    void PrepareImage();
    void ReleaseImage();
    void ReplaceStyleBits(DWORD mask, DWORD bits);

    runtime::templates::ButtonData data_;
    HFONT font_ = 0;
    HANDLE image_ = 0;
    int imageType_ = 0;  // IMAGE_BITMAP or IMAGE_ICON
    bool tracking_ = false;  // the left button went down on us and we hold the capture
    bool space_ = false;     // Space is held down on us
    ClickWatch* watch_ = nullptr;
};

runtime::UnitType ButtonUnitType();

}  // namespace units
