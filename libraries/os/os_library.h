// The OS-interface support library: its LibraryInfo (fourth in the program
// header's library list), its LibraryNotify and its one-command table.
#pragma once

#include <array>
#include <cstdint>

#include "runtime/program_data.h"

namespace os {

enum OsCommand : int32_t {
    kGetSpecialFolder = 0,
    kOsCommandCount = 1,
};

extern const std::array<runtime::CommandRoutine, kOsCommandCount> kOsCommands;

const runtime::LibraryInfo& OsLibraryInfo();

// The NotifyRuntime routine handed over at start-up (the runtime's own
// entry until then).
runtime::NotifyRoutine Notify();

}  // namespace os
