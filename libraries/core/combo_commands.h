// The combo-box commands: they work on the combo box's native item list with
// the list's own messages, so sorting and item values are the list's.
// Indexes are 0-based; an index outside the items reads as -1 / empty text.
#pragma once

#include <cstdint>

#include "runtime/values.h"

namespace core {

#define CORE_COMMAND(name) void name(runtime::ArgRecord* result, int32_t argCount, runtime::ArgRecord* args)

CORE_COMMAND(CmdComboItemCount);
CORE_COMMAND(CmdComboGetItemText);
CORE_COMMAND(CmdComboGetItemValue);
CORE_COMMAND(CmdComboAddItem);
CORE_COMMAND(CmdComboClear);

#undef CORE_COMMAND

}  // namespace core
