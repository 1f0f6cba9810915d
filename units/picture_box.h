// The PicBox unit type (type number 6): a runtime-drawn unit that fills its
// background with a colour and shows one picture given as image bytes, at
// natural size, stretched, or fitted and centred; animated GIFs play on the
// picture service's GifPlayer. It is a container: the scroll and colour
// notifications of the units inside it are handed back to them.
#pragma once

#include <memory>

#include "libraries/picture/gif_player.h"
#include "libraries/picture/picture.h"
#include "libraries/picture/picture_draw.h"
#include "runtime/program_data.h"
#include "runtime/template/stored_unit_data.h"
#include "units/unit_base.h"

namespace units {

// Own property indexes (table index = own + 8).
enum PictureBoxProperty : int32_t {
    kPbBorder, kPbBackColour, kPbPicture, kPbPlacement, kPbPlayAnimation, kPbDataSource, kPbDataColumn,
    kPictureBoxPropertyCount
};

// Where a picture of this size goes in a client area: 0 natural size at the
// top-left, 1 and 3 stretched over the client area, 2 fitted and centred
// (scaled down keeping its proportions only when it does not fit).
RECT PicturePlacementRect(int32_t placement, int32_t clientWidth, int32_t clientHeight, int32_t pictureWidth,
                          int32_t pictureHeight);


class PictureBoxUnit : public Unit {
public:
    static constexpr bool kHasWantsKey = false;
    static constexpr bool kHasDefaultButton = false;

    ~PictureBoxUnit() override;

    bool ReadData(std::span<const uint8_t> data) override;
    std::vector<uint8_t> SaveData() const override;
    int32_t SetProperty(int32_t index, const PropertyValue& value) override;
    bool GetProperty(int32_t index, PropertyValue* value) override;
    bool CreateNative(const CreateArgs& args) override;

    const runtime::templates::PictureBoxData& Data() const { return data_; }
    // How many times the picture bytes were decoded (still pictures) and
    // rendered for the device since creation; the gallery relies on each
    // happening at most once per picture.
    uint32_t DecodeCount() const { return decodeCount_; }
    uint32_t RenderCount() const { return renderCount_; }
    // The animated GIF being played, or null.
    picture::GifPlayer* Animation() const { return gif_.get(); }

protected:
    LRESULT WindowProc(UINT message, WPARAM w, LPARAM l) override;

private:
    void LoadPicture();
    void DropPicture();
    void StopAnimation();
    // Decodes the still picture on first need; false when there is none.
    bool EnsureDecoded();
    bool PictureSize(int32_t* width, int32_t* height);
    void FitToPicture();
    void ApplyBackColour();
    void Paint();

    runtime::templates::PictureBoxData data_;
    picture::PictureFormat format_ = picture::PictureFormat::Unknown;
    picture::PicturePtr decoded_;
    bool decodeTried_ = false;
    // The device bitmap made on the first paint and drawn by every later
    // one; the decoded picture is let go once it exists.
    picture::RenderedPicture rendered_;
    bool renderTried_ = false;
    std::unique_ptr<picture::GifPlayer> gif_;
    bool gifStarted_ = false;
    bool animate_ = true;   // the play-animation switch in effect (off in design mode)
    bool oneShot_ = false;  // the first paint after switching animation on spares its area
    COLORREF back_ = 0;
    HBRUSH brush_ = 0;
    uint32_t decodeCount_ = 0, renderCount_ = 0;
};

runtime::UnitType PictureBoxUnitType();

}  // namespace units
