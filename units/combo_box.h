// The combo box unit (type 14): a list with an optional edit field on the
// system's "COMBOBOX" control. Its items and their 32-bit item data are
// stored with the unit; colours, font, an extra row height and sorting are
// its own.
#pragma once

#include <string>
#include <vector>

#include "runtime/program_data.h"
#include "runtime/template/stored_unit_data.h"
#include "units/unit_base.h"

namespace units {

enum ComboBoxEvent : int32_t {
    kComboSelectionConfirmed = 0,
    kComboEditChanged = 1,
    kComboDropDown = 2,
    kComboCloseUp = 3,
    kComboDoubleClick = 4,
};

// Own property indexes (table index = own + 8).
enum ComboBoxProperty : int32_t {
    kCbType, kCbContent, kCbMaxLength, kCbSelectionStart, kCbSelectionLength, kCbSelectedText, kCbSorted,
    kCbExtraRowHeight, kCbTextColour, kCbBackColour, kCbFont, kCbCurrentSelection, kCbItems, kCbItemData,
    kCbDataSource, kCbDataColumn, kCbDataBinding, kComboBoxPropertyCount
};

// The combo box posts itself this on a confirmed selection and raises event
// 0 when it arrives, after the control has settled on the new selection.
constexpr UINT kMsgComboSelectionConfirmed = WM_APP + 0x101;

// A container hands a child's notifications (WM_COMMAND) and colour
// questions (WM_CTLCOLOR...) back to the child at this offset; the unit also
// answers them at their own numbers.
constexpr UINT kReflectedMessageBase = 0x2000;

class ComboBox : public Unit {
public:
    static constexpr bool kHasWantsKey = false;
    static constexpr bool kHasDefaultButton = false;

    ~ComboBox() override;

    bool ReadData(std::span<const uint8_t> data) override;
    std::vector<uint8_t> SaveData() const override;
    int32_t SetProperty(int32_t index, const PropertyValue& value) override;
    bool GetProperty(int32_t index, PropertyValue* value) override;
    bool CreateNative(const CreateArgs& args) override;

    const runtime::templates::ComboBoxData& Data() const { return data_; }
    HBRUSH BackgroundBrush() const { return brush_; }

protected:
    LRESULT WindowProc(UINT message, WPARAM w, LPARAM l) override;

private:
    bool HasEdit() const;
    std::string EditText() const;
    // Start and end of the edit field's selection; false without an edit field.
    bool EditSelection(int32_t* start, int32_t* end) const;
    void ApplyEditSelection(int32_t start, int32_t length);
    // quiet: the unit itself fills the field, which raises no change event.
    void SetEditText(const std::string& text, bool quiet);
    void ApplyExtraRowHeight(int32_t extra);
    void ApplyFontBytes();
    void RemakeBrush();
    void AddItems();
    void Notification(UINT code);
    LRESULT Colour(HDC dc);
    // Items and item data as the native list holds them now.
    void ReadNativeList(std::vector<std::string>* items, std::vector<uint8_t>* itemData) const;
    // Folds changes made to the native list from outside into the data.
    void SyncFromNative();

    runtime::templates::ComboBoxData data_;
    HBRUSH brush_ = 0;
    HFONT font_ = 0;
    int32_t appliedExtra_ = 0;  // the part of the item height that is the extra row height
    bool settingText_ = false;  // the unit itself is filling the edit field
    bool building_ = false;     // the unit itself is filling the native list
    bool nativeChanged_ = false;
    std::string contentScratch_, selectedScratch_;
    std::vector<uint8_t> itemsScratch_;
};

runtime::UnitType ComboBoxUnitType();

// The list-items value: a text array (16-bit count, or 0xFFFF and a 32-bit
// count; each item a 32-bit length and its bytes). False when malformed.
bool ParseComboItems(std::span<const uint8_t> bytes, std::vector<std::string>* items);
std::vector<uint8_t> SerialiseComboItems(const std::vector<std::string>& items);

}  // namespace units
