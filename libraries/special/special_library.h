// The special-function support library: present in the program's library
// list (second) with an empty command table; it contributes no command.
#pragma once

#include "runtime/program_data.h"

namespace special {

const runtime::LibraryInfo& SpecialLibraryInfo();

}  // namespace special
