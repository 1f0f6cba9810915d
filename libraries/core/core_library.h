// The core support library: its LibraryInfo (first in the program header's
// library list), its LibraryNotify, the 51-slot type table and the 44-slot
// command table that compiled logic calls through CallCoreCommand.
#pragma once

#include <array>
#include <cstdint>

#include "runtime/program_data.h"

namespace core {

// Command slots, in the program's core-command table order.
enum CoreCommand : int32_t {
    kToText = 0,
    kGetEventUnit = 1,
    kGetWindowHandle = 2,
    kLoadWindow = 3,
    kComboGetItemValue = 4,
    kToByteSet = 5,
    kByteSetLength = 6,
    kToHexText = 7,
    kTextLength = 8,
    kCharOf = 9,
    kBlankByteSet = 10,
    kBlankText = 11,
    kTextRight = 12,
    kTextLeft = 13,
    kToLowerCase = 14,
    kFindText = 15,
    kTrimBoth = 16,
    kBitOr = 17,
    kByteSetLeft = 18,
    kReplaceSubtext = 19,
    kSplitText = 20,
    kTextMiddle = 21,
    kFindTextBackward = 22,
    kToInteger = 23,
    kRemoveAllSpaces = 24,
    kRunDirectory = 25,
    kWriteFile = 26,
    kFindUnits = 27,
    kUnitListCount = 28,
    kUnitListItem = 29,
    kUnitName = 30,
    kReadConfigItem = 31,
    kFreeUnitList = 32,
    kComboClear = 33,
    kToNumber = 34,
    kComboAddItem = 35,
    kCopyUnit = 36,
    kReadFile = 37,
    kProcessEvents = 38,
    kCommonDialogOpen = 39,
    kWriteConfigItem = 40,
    kCompareText = 41,
    kComboItemCount = 42,
    kComboGetItemText = 43,
    kCoreCommandCount = 44,
};
constexpr uint32_t kCoreTypeCount = 51;

// The command table, every slot filled.
extern const std::array<runtime::CommandRoutine, kCoreCommandCount> kCoreCommands;

// The core library's descriptor, for the program header's library list.
const runtime::LibraryInfo& CoreLibraryInfo();

// Puts a unit type's descriptor in its slot (type number from 1) before the
// runtime starts; the unit modules call this for the types they implement.
void InstallCoreUnitType(uint32_t number, const runtime::UnitType& type);

// The NotifyRuntime routine handed over at start-up (the runtime's own entry
// until then), through which the commands take their blocks.
runtime::NotifyRoutine Notify();

}  // namespace core
