#include "libraries/core/core_library.h"

#include "libraries/core/combo_commands.h"
#include "libraries/core/unit_commands.h"
#include "libraries/core/unit_list_commands.h"
#include "libraries/core/value_commands.h"
#include "runtime/notify.h"

namespace core {
namespace {

// The library's own state: the runtime's notify entry and the type table.
struct CoreLibraryState {
    runtime::NotifyRoutine notify = &runtime::NotifyRuntime;
    runtime::UnitType types[kCoreTypeCount] = {};
};

CoreLibraryState& State() {
    static CoreLibraryState state;
    return state;
}

intptr_t CoreLibraryNotify(int32_t message, uintptr_t param1, uintptr_t) {
    if (message == runtime::kLibraryStart && param1)
        State().notify = reinterpret_cast<runtime::NotifyRoutine>(param1);
    // Unit lists of an earlier run went with that run's heap.
    if (message == runtime::kLibraryStart || message == runtime::kLibraryEnd) ForgetUnitLists();
    return 0;
}

}  // namespace

// ORDER CoreCommand
const std::array<runtime::CommandRoutine, kCoreCommandCount> kCoreCommands = {
    CmdToText,           CmdGetEventUnit,   CmdGetWindowHandle, CmdLoadWindow,  CmdComboGetItemValue,
    CmdToByteSet,        CmdByteSetLength,  CmdToHexText,       CmdTextLength,  CmdCharOf,
    CmdBlankByteSet,     CmdBlankText,      CmdTextRight,       CmdTextLeft,    CmdToLowerCase,
    CmdFindText,         CmdTrimBoth,       CmdBitOr,           CmdByteSetLeft, CmdReplaceSubtext,
    CmdSplitText,        CmdTextMiddle,     CmdFindTextBackward, CmdToInteger,  CmdRemoveAllSpaces,
    CmdRunDirectory,     CmdWriteFile,      CmdFindUnits,       CmdUnitListCount, CmdUnitListItem,
    CmdUnitName,         CmdReadConfigItem, CmdFreeUnitList,    CmdComboClear,  CmdToNumber,
    CmdComboAddItem,     CmdCopyUnit,       CmdReadFile,        CmdProcessEvents, CmdCommonDialogOpen,
    CmdWriteConfigItem,  CmdCompareText,    CmdComboItemCount,  CmdComboGetItemText,
};
static_assert(std::size(kCoreCommands) == kCoreCommandCount);

const runtime::LibraryInfo& CoreLibraryInfo() {
    static const runtime::LibraryInfo info = {
        .formatMarker = runtime::kLibraryFormatMarker,
        .identifier = "5A3B9E7C1D2F48A6B0C4E8F1A2D3C5B7",
        .versions = {3, 7, 1, 0, 0, 0, 0},
        .displayName = "core",
        .typeCount = kCoreTypeCount,
        .types = State().types,
        .commandCount = kCoreCommandCount,
        .commands = kCoreCommands.data(),
        .notify = CoreLibraryNotify,
    };
    return info;
}

void InstallCoreUnitType(uint32_t number, const runtime::UnitType& type) {
    if (number >= 1 && number <= kCoreTypeCount) State().types[number - 1] = type;
}

runtime::NotifyRoutine Notify() { return State().notify; }

}  // namespace core
