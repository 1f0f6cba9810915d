// The internet support library: its LibraryInfo (third in the program
// header's library list), its LibraryNotify and its one-command table.
#pragma once

#include <array>
#include <cstdint>

#include "runtime/program_data.h"

namespace internet {

enum InternetCommand : int32_t {
    kHttpGetBytes = 0,
    kInternetCommandCount = 1,
};

extern const std::array<runtime::CommandRoutine, kInternetCommandCount> kInternetCommands;

const runtime::LibraryInfo& InternetLibraryInfo();

// The NotifyRuntime routine handed over at start-up (the runtime's own
// entry until then), through which the commands take their blocks.
runtime::NotifyRoutine Notify();

}  // namespace internet
