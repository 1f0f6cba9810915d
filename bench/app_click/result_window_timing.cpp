#include "bench/app_click/result_window_timing.h"

#include <chrono>
#include <cstdlib>

#include "app/app_object.h"
#include "app/program_tables.h"
#include "app/program_units.h"
#include "app/style_gallery.h"
#include "bench/support/measure.h"
#include "runtime/application.h"
#include "runtime/entry_table.h"
#include "runtime/notify.h"
#include "runtime/values.h"
#include "runtime/windowing/window_runtime.h"
#include "units/core_unit_types.h"
#include "windows.h"

namespace appbench {
namespace {

// The start window's settings routines would read and write the settings
// file beside this program: left out, the window is the same.
void NoSettings() {}

// After the window's first paint (timers come after painting), a close as
// the frame's close button gives it.
void CALLBACK CloseResult(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(0, id);
    const app::UnitRef window{app::kResultWindow, app::kResultWindowUnit, app::kWindowType};
    auto hwnd = static_cast<HWND>(app::CoreInt(core::kGetWindowHandle, {window.Arg()}));
    PostMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void ResultCreated() {
    app::ResultWindowCreated();
    SetTimer(0, 0, 0, CloseResult);
}

}  // namespace

bool ResultWindowRound(const std::string& picture, int width, int height, int rounds, double* wall, double* cpu,
                       std::string* why) {
    setenv("SIGDESIGNER_BACKEND", "headless", 1);
    static app::RoutineTable routines = [] {
        app::RoutineTable t = app::AppRoutines();
        t.entries[compiled_program::kRoutine_StartWindowCreated] = &NoSettings;
        t.entries[compiled_program::kRoutine_StartWindowDestroyed] = &NoSettings;
        t.entries[compiled_program::kRoutine_ResultWindowCreated] = &ResultCreated;
        return t;
    }();
    static const app::LibraryTable libraries = app::AppLibraries();
    static const runtime::ProgramHeader header = compiled_program::MakeProgramHeader(routines.entries, libraries.entries);
    auto& application = runtime::Application::Instance();
    application.Reset();
    units::InstallCoreUnitTypes();
    runtime::windowing::InstallWindowing(application);
    application.SetProgram(&header);
    const auto& rt = runtime::EntryTable();
    rt.RuntimeService(runtime::kServiceStartRuntime, 0, 0, 0, 0, 0, 0);
    rt.LoadStartWindow(app::kStartWindow);
    app::BuildStyleGallery();
    MSG m;
    while (PeekMessageA(&m, 0, 0, 0, PM_REMOVE)) DispatchMessageA(&m);

    app::AppObject::Instance().ReplaceCurrentPicture(
        app::Bytes(runtime::MakeByteSet(runtime::NotifyRuntime, picture.data(), picture.size())));
    app::AppObject::Instance().SetCurrentPictureSize(width, height);
    if (!app::AppObject::Instance().CurrentPicture()) {
        *why = "the picture could not be kept";
        return false;
    }
    const app::UnitRef result{app::kResultWindow, app::kResultWindowUnit, app::kWindowType};
    auto open = [&] { app::CallCore(core::kLoadWindow, {result.Arg(), app::OmittedArg(), app::BoolArg(true)}); };
    open();  // first use: fonts and caches
    double c = benchsupport::ThreadCpuSeconds();
    auto t = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i) open();
    *wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count() / rounds;
    *cpu = (benchsupport::ThreadCpuSeconds() - c) / rounds;
    // Windows go while the window system is still there, not from the
    // application object's destructor at exit.
    app::AppObject::Instance().FreeCurrentPicture();
    app::AppObject::Instance().SetCurrentPictureSize(0, 0);
    application.ExitWork(0);
    while (PeekMessageA(&m, 0, 0, 0, PM_REMOVE)) {}
    application.Reset();
    return true;
}

}  // namespace appbench
