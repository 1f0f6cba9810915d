// The compiled program's header with the application's routine table and
// its four support libraries (core, special, internet, os).
#pragma once

#include "compiled_program.h"
#include "runtime/program_data.h"

namespace app {

const runtime::ProgramHeader& ProgramHeader();

}  // namespace app
