// The program's entry routine, which the runtime's main() calls: start the
// runtime, register the exit routine, open the start window and run the
// message loop until the last window closes.
#include <cfenv>

#include "app/core_calls.h"
#include "app/handlers.h"
#include "app/program_units.h"
#include "app/program_routines.h"
#include "runtime/application.h"
#include "runtime/main/program_main.h"
#include "runtime/windowing/window_runtime.h"
#include "units/core_unit_types.h"

namespace {

int Entry() {
    // The unit types and the window side go in before the runtime starts.
    units::InstallCoreUnitTypes();
    runtime::windowing::InstallWindowing(runtime::Application::Instance());

    const runtime::RuntimeEntryTable& rt = app::Rt();
    rt.RuntimeService(runtime::kServiceStartRuntime, 0, 0, 0, 0, 0, 0);
    // The floating-point unit in its initial state: round to nearest, all
    // exceptions masked.
    std::fesetenv(FE_DFL_ENV);
    rt.RuntimeService(runtime::kServiceRegisterExitRoutine, reinterpret_cast<uintptr_t>(&app::ProgramExit), 0, 0, 0,
                      0, 0);
    rt.LoadStartWindow(app::kStartWindow);
    rt.RunMessageLoop();
    return 0;
}

}  // namespace

const runtime::CompiledProgram runtime::kCompiledProgram = {&app::ProgramHeader(), &Entry};
