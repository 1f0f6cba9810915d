// The core library's commands on units and windows: the event unit, native
// handles, loading windows, unit names, copying units, pending messages and
// the common dialog. Each takes the library calling form; a unit argument
// is a unit reference (window id in the low word, unit id in the high word,
// the unit's type code as the record's type).
#pragma once

#include <cstdint>

#include "runtime/values.h"

namespace core {

// A unit reference as the commands read it.
struct UnitRef {
    uint32_t window = 0;
    uint32_t unit = 0;  // 0 = the window unit
    uint32_t type = 0;
};
// The reference in argument i; an omitted or non-unit argument reads as
// window 0 (which names no window).
UnitRef UnitArg(int32_t argCount, const runtime::ArgRecord* args, int32_t i);
runtime::ArgRecord MakeUnitRef(uint32_t window, uint32_t unit, uint32_t type);
// The live native window of the unit, 0 when its window is not loaded or
// the unit has none.
uint32_t LiveUnitWindow(const UnitRef& ref);

#define CORE_COMMAND(name) void name(runtime::ArgRecord* result, int32_t argCount, runtime::ArgRecord* args)

CORE_COMMAND(CmdGetEventUnit);
CORE_COMMAND(CmdGetWindowHandle);
CORE_COMMAND(CmdLoadWindow);
CORE_COMMAND(CmdUnitName);
// The second argument is the caller's variable: the record's value is the
// variable's address (a unit reference value), its type the variable's type.
CORE_COMMAND(CmdCopyUnit);
CORE_COMMAND(CmdProcessEvents);
CORE_COMMAND(CmdCommonDialogOpen);

#undef CORE_COMMAND

}  // namespace core
