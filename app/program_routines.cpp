// The program's routine table and header: a stored handler offset k in the
// window templates is entry k of COMPILED_PROGRAM_ROUTINES.
#include "app/program_routines.h"

#include "app/program_tables.h"

namespace app {
namespace {

const RoutineTable kRoutines = AppRoutines();
const LibraryTable kLibraries = AppLibraries();
const runtime::ProgramHeader kHeader = compiled_program::MakeProgramHeader(kRoutines.entries, kLibraries.entries);

}  // namespace

const runtime::ProgramHeader& ProgramHeader() { return kHeader; }

}  // namespace app
