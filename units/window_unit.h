// The window unit (type 1): the top-level window that holds a window's
// units, with its caption rules, position, background, key handling and the
// thirteen window events.
#pragma once

#include "runtime/template/stored_unit_data.h"
#include "units/unit_base.h"

namespace units {

enum WindowEvent : int32_t {
    kWindowCreated = 0, kWindowCloseQuery = 1, kWindowDestroyed = 2, kWindowMoved = 3, kWindowResized = 4,
    kWindowActivated = 5, kWindowDeactivated = 6, kWindowIdle = 7, kWindowFirstActivation = 8, kWindowTrayIcon = 9,
    kWindowShown = 10, kWindowHidden = 11, kWindowCloseRequest = 12,
};

// Own property indexes (table index = own + 8).
enum WindowProperty : int32_t {
    kWpTitle, kWpBorder, kWpBackColour, kWpBackPicture, kWpPictureMode, kWpMusic, kWpPlayCount, kWpControlButton,
    kWpMaximiseButton, kWpMinimiseButton, kWpPosition, kWpMovable, kWpIcon, kWpEnterMovesFocus, kWpEscCloses,
    kWpF1Help, kWpHelpFile, kWpHelpContext, kWpTaskbar, kWpFreeMoving, kWpShape, kWpAlwaysOnTop, kWpKeepTitleActive,
    kWpClassName, kWindowPropertyCount
};

class WindowUnit : public Unit {
public:
    static constexpr bool kHasWantsKey = false;
    static constexpr bool kHasDefaultButton = false;

    bool ReadData(std::span<const uint8_t> data) override;
    std::vector<uint8_t> SaveData() const override;
    int32_t SetProperty(int32_t index, const PropertyValue& value) override;
    bool GetProperty(int32_t index, PropertyValue* value) override;
    bool CreateNative(const CreateArgs& args) override;

    const runtime::templates::WindowData& Data() const { return data_; }

    // The caption bits of step 2 of creation, for the current data.
    DWORD CaptionStyle() const;

protected:
    LRESULT WindowProc(UINT message, WPARAM w, LPARAM l) override;

private:
    void ResyncCaption();
    void ApplyBorder();
    void ApplyPosition();
    void ApplyTopmost();
    void Paint();
    bool KeyHandling(const MSG& msg);
    void MoveFocus(bool backwards);
    // The first enabled unit, in window order, that is a default button.
    Unit* DefaultButton() const;
    // The pointer of the unit under the mouse (or of the window's client
    // area), from its record; false = default processing chooses.
    bool SetUnitCursor(HWND over, uint32_t hitTest);

    // The background picture rendered over the background colour, made on
    // the first paint after the picture or the colour changed.
    bool RenderBackground();
    void DropBackground() { rendered_.clear(); renderedOk_ = false; renderTried_ = false; }
    std::vector<uint8_t> rendered_;
    int32_t pictureWidth_ = 0, pictureHeight_ = 0;
    bool renderedOk_ = false, renderTried_ = false;

    runtime::templates::WindowData data_;
    uint32_t positionScratch_ = 0;
    bool firstActivationSeen_ = false;
};

const runtime::UnitType& WindowUnitType();

// Where a background picture of this size goes in a client area, for the
// modes that draw it once (0 top-left, 2 fitted and centred, 3 stretched).
RECT BackgroundPictureRect(int32_t mode, int32_t clientWidth, int32_t clientHeight, int32_t pictureWidth,
                           int32_t pictureHeight);

}  // namespace units
