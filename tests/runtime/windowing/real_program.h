// The program's real compiled templates with a routine table of recorders:
// each routine notes its number, its arguments and the event context, and
// answers what the test set for it.
#pragma once

#include <cstdlib>
#include <vector>

#include "compiled_program.h"
#include "libraries/core/core_library.h"
#include "runtime/notify.h"
#include "runtime/windowing/window_runtime.h"
#include "tests/runtime/support/runtime_fixture.h"
#include "units/core_unit_types.h"
#include "windows.h"

namespace sigtest {

struct RoutineCall {
    int routine;
    uint64_t args[3];
    uint32_t contextWindow, contextUnit;
};

struct Recorder {
    std::vector<RoutineCall> calls;
    uint64_t answers[compiled_program::kRoutineCount + 4] = {};
    void (*hook[compiled_program::kRoutineCount + 4])() = {};
    std::vector<int> Routines() const {
        std::vector<int> r;
        for (const auto& c : calls) r.push_back(c.routine);
        return r;
    }
};

inline Recorder& Record() {
    static Recorder r;
    return r;
}

template <int N>
uint64_t Recording(uint64_t a, uint64_t b, uint64_t c) {
    uint32_t context[2] = {};
    runtime::NotifyRuntime(runtime::kNotifyEventContext, reinterpret_cast<uintptr_t>(context), 0);
    Record().calls.push_back({N, {a, b, c}, context[0], context[1]});
    if (Record().hook[N]) Record().hook[N]();
    return Record().answers[N];
}

// Routines past the program's own, for handlers tests add to records.
constexpr int kExtraRoutine = compiled_program::kRoutineCount;

inline constexpr int kCounterBase = __COUNTER__ + 1;
#define SIG_RECORDING_ENTRY(name) reinterpret_cast<runtime::ProgramRoutine>(&Recording<__COUNTER__ - kCounterBase>),
inline const runtime::ProgramRoutine kRoutines[compiled_program::kRoutineCount] = {
    COMPILED_PROGRAM_ROUTINES(SIG_RECORDING_ENTRY)};
#undef SIG_RECORDING_ENTRY

inline runtime::ProgramRoutine Extra(int k) {
    static const runtime::ProgramRoutine extras[] = {
        reinterpret_cast<runtime::ProgramRoutine>(&Recording<kExtraRoutine>),
        reinterpret_cast<runtime::ProgramRoutine>(&Recording<kExtraRoutine + 1>),
        reinterpret_cast<runtime::ProgramRoutine>(&Recording<kExtraRoutine + 2>),
        reinterpret_cast<runtime::ProgramRoutine>(&Recording<kExtraRoutine + 3>)};
    return extras[k];
}

inline const runtime::LibraryInfo* const kLibraries[compiled_program::kLibraryCount] = {&core::CoreLibraryInfo()};
inline const runtime::ProgramHeader kHeader = compiled_program::MakeProgramHeader(kRoutines, kLibraries);

constexpr uint32_t kStartWindow = 0x52010001;
constexpr uint32_t kResultWindow = 0x52012244;
constexpr uint32_t kGroupBoxType = 0x00010009;

inline const bool kHeadlessBackend = [] {
    setenv("SIGDESIGNER_BACKEND", "headless", 1);
    return true;
}();

// A started runtime with windows, on the real program data.
class RealWindowsTest : public RuntimeTest {
protected:
    void SetUp() override {
        RuntimeTest::SetUp();
        Record() = Recorder{};
        units::InstallCoreUnitTypes();
        runtime::windowing::InstallWindowing(runtime::Application::Instance());
        Start(&kHeader);
    }
    void TearDown() override {
        runtime::Application::Instance().ExitWork(0);
        MSG m;
        while (PeekMessageA(&m, 0, 0, 0, PM_REMOVE)) {}  // no quit message leaks into the next test
        RuntimeTest::TearDown();
    }
    static runtime::windowing::WindowRuntime& Windows() {
        return runtime::windowing::WindowRuntime::Of(runtime::Application::Instance());
    }
    static runtime::templates::WindowTemplate& Template(uint32_t id) {
        return *runtime::Application::Instance().Table().Find(id);
    }
    static runtime::templates::TemplateRecord& RecordNamed(uint32_t window, const std::string& gbkName) {
        for (auto& r : Template(window).records)
            if (r.name == gbkName) return r;
        ADD_FAILURE() << "no unit named " << GbkToUtf8(gbkName);
        return Template(window).records.front();
    }
    static int32_t ReadInt(uint32_t window, uint32_t unit, int32_t property) {
        return static_cast<int32_t>(rt().ReadUnitProperty(window, unit, property, 0));
    }
    static bool QuitPosted() {
        MSG m;
        return PeekMessageA(&m, 0, WM_QUIT, WM_QUIT, PM_NOREMOVE) != 0;
    }
};

}  // namespace sigtest
