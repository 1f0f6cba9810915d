// The process entry of a compiled program. An executable links
// sigruntime_main and defines the program it runs:
//
//   const runtime::CompiledProgram runtime::kCompiledProgram = {&kHeader, &ProgramEntry};
//
// main() hands it to the application object, which calls the entry routine
// and runs the exit work with code 0 when it returns.
#pragma once

#include "runtime/program_data.h"

namespace runtime {
extern const CompiledProgram kCompiledProgram;
}
