// The application's routine table and its four support libraries, as copies
// a test or benchmark can change an entry of (the settings routines, the
// result window's created handler) before building a header with
// compiled_program::MakeProgramHeader.
#pragma once

#include "app/handlers.h"
#include "compiled_program.h"
#include "libraries/core/core_library.h"
#include "libraries/internet/internet_library.h"
#include "libraries/os/os_library.h"
#include "libraries/special/special_library.h"
#include "runtime/program_data.h"

namespace app {

// A stored handler offset k in the window templates is entry k.
struct RoutineTable {
    runtime::ProgramRoutine entries[compiled_program::kRoutineCount];
};

inline RoutineTable AppRoutines() {
#define APP_ROUTINE_ENTRY(name) &app::name,
    return RoutineTable{{COMPILED_PROGRAM_ROUTINES(APP_ROUTINE_ENTRY)}};
#undef APP_ROUTINE_ENTRY
}

struct LibraryTable {
    const runtime::LibraryInfo* entries[compiled_program::kLibraryCount];
};

inline LibraryTable AppLibraries() {
    return LibraryTable{{&core::CoreLibraryInfo(), &special::SpecialLibraryInfo(), &internet::InternetLibraryInfo(),
                         &os::OsLibraryInfo()}};
}

}  // namespace app
