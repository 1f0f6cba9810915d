// The seven RuntimeService routines (entry slot 13), indexed by number.
#pragma once

#include <array>

#include "runtime/entry_table.h"

namespace runtime {

extern const std::array<ServiceRoutine, kRuntimeServiceCount> kRuntimeServices;

// Attribute filter of "find next file": with the mask omitted any entry that
// is not a directory; else attributes sharing a bit with mask & 0x37, or,
// for a mask of 0, attributes of 0.
bool FileEntryPasses(uint32_t attributes, uint32_t mask, bool maskOmitted);

}  // namespace runtime
