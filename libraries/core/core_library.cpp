#include "libraries/core/core_library.h"

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
    return 0;
}

}  // namespace

// ORDER CoreCommand
const std::array<runtime::CommandRoutine, kCoreCommandCount> kCoreCommands = {
    CmdToText,           nullptr,          nullptr,           nullptr,         nullptr,
    CmdToByteSet,        CmdByteSetLength, CmdToHexText,      CmdTextLength,   CmdCharOf,
    CmdBlankByteSet,     CmdBlankText,     CmdTextRight,      CmdTextLeft,     CmdToLowerCase,
    CmdFindText,         CmdTrimBoth,      CmdBitOr,          CmdByteSetLeft,  CmdReplaceSubtext,
    CmdSplitText,        CmdTextMiddle,    CmdFindTextBackward, CmdToInteger,  CmdRemoveAllSpaces,
    CmdRunDirectory,     CmdWriteFile,     nullptr,           nullptr,         nullptr,
    nullptr,             CmdReadConfigItem, nullptr,          nullptr,         CmdToNumber,
    nullptr,             nullptr,          CmdReadFile,       nullptr,         nullptr,
    CmdWriteConfigItem,  CmdCompareText,   nullptr,           nullptr,
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
