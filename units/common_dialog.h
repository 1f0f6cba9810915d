// The CommonDlg unit type (type number 31): properties that describe a
// system dialog (open file, save file, font, help) and an open operation,
// reached through runtime::kMsgOpenCommonDialog, that shows it modally and
// writes the user's answer back. Its native window only anchors the unit and
// is never shown at run time.
#pragma once

#include <string>

#include "runtime/program_data.h"
#include "runtime/template/stored_unit_data.h"
#include "units/unit_base.h"

namespace units {

// Own property indexes (table index = own + 8).
enum CommonDialogProperty : int32_t {
    kCdType, kCdTitle, kCdFileName, kCdFilter, kCdInitialFilter, kCdInitialDirectory, kCdDefaultExtension,
    kCdCreatePrompt, kCdMustExist, kCdOverwritePrompt, kCdPathMustExist, kCdKeepDirectory, kCdFontColour, kCdBold,
    kCdItalic, kCdStrikeOut, kCdUnderline, kCdFontName, kCdFontSize, kCdHelpFile, kCdHelpCommand, kCdHelpContext,
    kCommonDialogPropertyCount
};

enum CommonDialogKind : int32_t { kDialogOpenFile, kDialogSaveFile, kDialogFont, kDialogHelp };

// The filter property as the system dialogs take it: "||" appended when
// missing, every "|" a NUL (the result ends in two NULs). Empty stays empty.
std::string SystemFilter(const std::string& filter);

class CommonDialogUnit : public Unit {
public:
    static constexpr bool kHasWantsKey = false;
    static constexpr bool kHasDefaultButton = false;

    bool ReadData(std::span<const uint8_t> data) override;
    std::vector<uint8_t> SaveData() const override;
    int32_t SetProperty(int32_t index, const PropertyValue& value) override;
    bool GetProperty(int32_t index, PropertyValue* value) override;
    bool CreateNative(const CreateArgs& args) override;

    const runtime::templates::CommonDialogData& Data() const { return data_; }

    // Shows the described dialog modally: true when the user confirmed (or
    // help was invoked), the properties then hold the answer.
    bool Open();

protected:
    LRESULT WindowProc(UINT message, WPARAM w, LPARAM l) override;

private:
    bool OpenFile(bool save);
    bool OpenFont();
    bool OpenHelp();
    HWND Owner() const;

    runtime::templates::CommonDialogData data_;
};

runtime::UnitType CommonDialogUnitType();

}  // namespace units
