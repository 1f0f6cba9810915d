// The program's routine table and header: a stored handler offset k in the
// window templates is entry k of COMPILED_PROGRAM_ROUTINES.
#include "app/program_routines.h"

#include "app/handlers.h"
#include "libraries/core/core_library.h"
#include "libraries/internet/internet_library.h"
#include "libraries/os/os_library.h"
#include "libraries/special/special_library.h"

namespace app {
namespace {

#define APP_ROUTINE_ENTRY(name) &app::name,
const runtime::ProgramRoutine kRoutines[compiled_program::kRoutineCount] = {COMPILED_PROGRAM_ROUTINES(APP_ROUTINE_ENTRY)};
#undef APP_ROUTINE_ENTRY

const runtime::LibraryInfo* const kLibraries[compiled_program::kLibraryCount] = {
    &core::CoreLibraryInfo(), &special::SpecialLibraryInfo(), &internet::InternetLibraryInfo(),
    &os::OsLibraryInfo()};

const runtime::ProgramHeader kHeader = compiled_program::MakeProgramHeader(kRoutines, kLibraries);

}  // namespace

const runtime::ProgramHeader& ProgramHeader() { return kHeader; }

}  // namespace app
