// The Label unit type (type number 10): caption text with alignment, word
// wrap and a shadow effect over a background colour, picture or gradient,
// inside an optional shaded frame, all drawn in the runtime's own class.
#pragma once

#include "libraries/picture/picture.h"
#include "runtime/program_data.h"
#include "runtime/template/stored_unit_data.h"
#include "units/unit_base.h"

namespace units {

// Own property indexes (table index = own + 8).
enum LabelProperty : int32_t {
    kLpCaption, kLpEffect, kLpBorder, kLpFrameWidth, kLpFrameColour1, kLpFrameColour2, kLpFrameColour3, kLpFont,
    kLpTextColour, kLpBackColour, kLpPicture, kLpPictureMode, kLpGradient, kLpGradientColour1, kLpGradientColour2,
    kLpGradientColour3, kLpHorizontalAlignment, kLpWordWrap, kLpVerticalAlignment, kLpDataSource, kLpDataColumn,
    kLabelPropertyCount
};

// The private message that raises the label's event 0 with its parameters.
constexpr UINT kLabelEventMessage = WM_APP + 0x75;
// The border value that paints the shaded frame.
constexpr int32_t kLabelShadedFrame = 6;
constexpr int32_t kLabelMinimumFrameWidth = 5;

class LabelUnit : public Unit {
public:
    static constexpr bool kHasWantsKey = false;
    static constexpr bool kHasDefaultButton = false;

    bool ReadData(std::span<const uint8_t> data) override;
    std::vector<uint8_t> SaveData() const override;
    int32_t SetProperty(int32_t index, const PropertyValue& value) override;
    bool GetProperty(int32_t index, PropertyValue* value) override;
    bool CreateNative(const CreateArgs& args) override;

    const runtime::templates::LabelData& Data() const { return data_; }

protected:
    LRESULT WindowProc(UINT message, WPARAM w, LPARAM l) override;

private:
    void Paint();
    // The picture decoded on first use; bytes that do not decode are
    // discarded from the property.
    const picture::DecodedPicture* Decoded();
    // Draws the picture inside `content` and takes what it covered out of
    // `rest`; false when there is no picture to draw.
    bool DrawBackgroundPicture(HDC dc, const RECT& content, const RECT& clip, HRGN rest);
    void DrawCaption(HDC dc, const RECT& content);

    runtime::templates::LabelData data_;
    picture::PicturePtr decoded_;
};

runtime::UnitType LabelUnitType();

// The stored data's pick values brought into their lists and the frame width
// up to its minimum, as writing them through the properties would.
void NormaliseLabelData(runtime::templates::LabelData& data);

}  // namespace units
