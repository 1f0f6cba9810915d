// The edit box unit (type 5): a one-line or multi-line "EDIT" field with
// its own colours, font and border, input modes that filter typed
// characters and normalise the text when the field loses the focus, a
// password mode, case conversion and optional up-down arrows beside a
// one-line field.
#pragma once

#include <string>

#include "runtime/program_data.h"
#include "runtime/template/stored_unit_data.h"
#include "units/unit_base.h"

namespace units {

// Own property indexes (table index = own + 8).
enum EditBoxProperty : int32_t {
    kEbContent, kEbBorder, kEbTextColour, kEbBackColour, kEbFont, kEbHideSelection, kEbMaxLength, kEbMultiLine,
    kEbScrollBars, kEbAlignment, kEbInputMode, kEbPasswordChar, kEbCaseConversion, kEbUpDown, kEbUpDownLower,
    kEbUpDownUpper, kEbSelectionStart, kEbSelectionLength, kEbSelectedText, kEbDataSource, kEbDataColumn,
    kEditBoxPropertyCount
};

enum EditBoxEvent : int32_t {
    kEditBoxChanged = 0,  // the content changed
    kEditBoxUpDown = 1,   // an arrow was pressed in up-down mode 2: +1 upper, -1 lower
};

// Width of the up-down arrows placed right of a one-line box.
constexpr int32_t kUpDownWidth = 18;

class EditBoxUnit : public Unit {
public:
    static constexpr bool kHasWantsKey = true;
    static constexpr bool kHasDefaultButton = false;

    ~EditBoxUnit() override;

    bool ReadData(std::span<const uint8_t> data) override;
    std::vector<uint8_t> SaveData() const override;
    int32_t SetProperty(int32_t index, const PropertyValue& value) override;
    bool GetProperty(int32_t index, PropertyValue* value) override;
    bool CreateNative(const CreateArgs& args) override;
    int32_t WantsKey(uint32_t key) override;

    const runtime::templates::EditBoxData& Data() const { return data_; }
    HWND UpDown() const { return updown_; }
    // One arrow press as the up-down control reports it: +1 upper, -1 lower.
    void UpDownPressed(int32_t arrow);

protected:
    LRESULT WindowProc(UINT message, WPARAM w, LPARAM l) override;

private:
    static LRESULT CALLBACK UpDownProc(HWND hwnd, UINT message, WPARAM w, LPARAM l);

    std::string LiveText() const;
    // Sends a message that may change the text and raises event 0 when it did.
    LRESULT Changing(UINT message, WPARAM w, LPARAM l);
    void ApplyFontAndHeight();
    void MeasureLine();
    void ApplySelection(int32_t start, int32_t length);
    void ApplyInputMode();
    void CreateUpDown(const CreateArgs& args);
    void PlaceUpDown();
    void UpdateUpDownEdge();
    void DestroyUpDown();
    void NormaliseOnLeaving();
    void PaintBands();
    bool OneLine() const { return !data_.multi_line; }

    runtime::templates::EditBoxData data_;
    HBRUSH brush_ = 0;
    HFONT font_ = 0;
    HWND updown_ = 0;
    WNDPROC updownPrevious_ = nullptr;
    bool updownStepping_ = false;  // mode 1: the arrows step the number themselves
    int32_t pressedArrow_ = 0;
    int32_t lineHeight_ = 0;       // height of "W": the one line the text is centred in
    bool writing_ = false;         // the content property is being written
    std::string scratch_;          // what the last text read handed out
    std::string selectedScratch_;
    char passwordScratch_[2] = {};
};

runtime::UnitType EditBoxUnitType();

}  // namespace units
