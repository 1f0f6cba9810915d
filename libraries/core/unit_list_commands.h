// Unit lists: FindUnits hands out a list of the matching units of a loaded
// window as a handle; the other commands read and release it. A handle is a
// small number recorded in the library's registry, never an address, so a
// made-up, stale or freed handle reads as an empty list.
#pragma once

#include <cstdint>

#include "runtime/values.h"

namespace core {

#define CORE_COMMAND(name) void name(runtime::ArgRecord* result, int32_t argCount, runtime::ArgRecord* args)

CORE_COMMAND(CmdFindUnits);
CORE_COMMAND(CmdUnitListCount);
CORE_COMMAND(CmdUnitListItem);
CORE_COMMAND(CmdFreeUnitList);

#undef CORE_COMMAND

// Forgets every recorded list without freeing it: at start-up the previous
// run's blocks went with its heap.
void ForgetUnitLists();
// Lists currently recorded (for tests).
size_t LiveUnitListCount();

}  // namespace core
