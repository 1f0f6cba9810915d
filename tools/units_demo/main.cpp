// units-demo: opens a window holding one unit of every type, built from the
// window template in templates/ on our runtime, the way the tool itself
// starts.
//
//   units-demo                     open the window; prints "ready" and the
//                                  colour picker's screen rectangle, and a
//                                  line for each colour chosen
//   units-demo --screenshot FILE   draw headless, write the window as a PNG
//                                  and exit
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "compiled_program.h"
#include "libraries/core/core_library.h"
#include "runtime/entry_table.h"
#include "runtime/main/program_main.h"
#include "runtime/notify.h"
#include "runtime/windowing/window_runtime.h"
#include "units/core_unit_types.h"
#include "win/testhooks.h"
#include "windows.h"

namespace {

using namespace runtime;

constexpr uint32_t kDemoWindow = 0x52010001;
constexpr uint32_t kColourPicker = 0x16010006;
constexpr int32_t kColourProperty = 8;

// The main() of the runtime takes no arguments, so they are read here, early
// enough to choose the headless backend before any window exists.
std::vector<std::string> CommandLine() {
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> args;
    for (size_t start = 0; start < all.size();) {
        size_t end = all.find('\0', start);
        if (end == std::string::npos) end = all.size();
        args.push_back(all.substr(start, end - start));
        start = end + 1;
    }
    return args;
}

struct Options {
    std::string screenshot;
    bool bad = false;
};

const Options& Opts() {
    static const Options options = [] {
        Options o;
        std::vector<std::string> args = CommandLine();
        for (size_t i = 1; i < args.size(); ++i) {
            if (args[i] == "--screenshot" && i + 1 < args.size()) o.screenshot = args[++i];
            else o.bad = true;
        }
        if (!o.screenshot.empty()) setenv("SIGDESIGNER_BACKEND", "headless", 1);
        return o;
    }();
    return options;
}
const bool kOptionsRead = (Opts(), true);

void Say(const char* line) {
    std::printf("%s\n", line);
    std::fflush(stdout);
}

uint64_t DemoWindowCreated() { return 0; }

uint64_t ColourChosen() {
    const auto colour =
        static_cast<uint32_t>(EntryTable().ReadUnitProperty(kDemoWindow, kColourPicker, kColourProperty, 0));
    std::printf("colour %08X\n", colour);
    std::fflush(stdout);
    return 0;
}

uint64_t ButtonClicked() {
    Say("button clicked");
    return 0;
}

void ExitRoutine(int32_t) {}

// Handlers by the routine names of templates/program.toml.
#define DEMO_ROUTINE(name) reinterpret_cast<ProgramRoutine>(&name),
const ProgramRoutine kRoutines[compiled_program::kRoutineCount] = {COMPILED_PROGRAM_ROUTINES(DEMO_ROUTINE)};
#undef DEMO_ROUTINE
const LibraryInfo* const kLibraries[compiled_program::kLibraryCount] = {&core::CoreLibraryInfo()};
const ProgramHeader kHeader = compiled_program::MakeProgramHeader(kRoutines, kLibraries);

int Entry() {
    if (Opts().bad) {
        std::fprintf(stderr, "usage: units-demo [--screenshot FILE]\n");
        return 2;
    }
    const RuntimeEntryTable& rt = EntryTable();
    rt.RuntimeService(kServiceStartRuntime, 0, 0, 0, 0, 0, 0);
    rt.RuntimeService(kServiceRegisterExitRoutine, reinterpret_cast<uintptr_t>(&ExitRoutine), 0, 0, 0, 0, 0);
    rt.LoadStartWindow(kDemoWindow);
    const auto window = static_cast<HWND>(NotifyRuntime(kNotifyFindUnit, kDemoWindow, 0));

    if (!Opts().screenshot.empty()) {
        SigTestWaitIdle(2000);
        if (!SigTestCaptureWindow(window, Opts().screenshot.c_str())) {
            std::fprintf(stderr, "units-demo: cannot write %s\n", Opts().screenshot.c_str());
            rt.ExitProgram(1);
        }
        return 0;
    }

    RECT picker{};
    GetWindowRect(static_cast<HWND>(NotifyRuntime(kNotifyFindUnit, kDemoWindow, kColourPicker)), &picker);
    std::printf("picker %d %d %d %d\n", picker.left, picker.top, picker.right, picker.bottom);
    Say("ready");
    rt.RunMessageLoop();
    return 0;
}

// Before the runtime starts: the unit types and the window side.
int ProgramEntry() {
    units::InstallCoreUnitTypes();
    windowing::InstallWindowing(Application::Instance());
    return Entry();
}

}  // namespace

const CompiledProgram runtime::kCompiledProgram = {&kHeader, &ProgramEntry};
