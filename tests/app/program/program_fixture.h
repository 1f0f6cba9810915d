// The program's real windows and handlers in this process, headless: the
// compiled templates with the application's routine table, except that the
// start window's created and destroyed handlers and the result window's
// created handler go through hooks, so a test decides when settings are
// read or written (the settings file lies beside the test program) and can
// look at the result window while its modal loop runs.
#pragma once

#include <functional>
#include <string>

#include "app/app_object.h"
#include "app/handlers.h"
#include "app/program_tables.h"
#include "app/program_units.h"
#include "compiled_program.h"
#include "libraries/core/core_library.h"
#include "libraries/internet/internet_library.h"
#include "libraries/os/os_library.h"
#include "libraries/special/special_library.h"
#include "platform/inet/inet_limits.h"
#include "runtime/notify.h"
#include "runtime/windowing/unit_protocol.h"
#include "runtime/windowing/window_runtime.h"
#include "tests/runtime/support/runtime_fixture.h"
#include "units/core_unit_types.h"
#include "win/testhooks.h"
#include "windows.h"

namespace apptest {

struct Hooks {
    std::function<void()> startCreated;
    std::function<void()> resultCreated;  // after the real handler
};

inline Hooks& TestHooks() {
    static Hooks h;
    return h;
}

inline void HookedStartCreated() {
    if (TestHooks().startCreated) TestHooks().startCreated();
}
inline void HookedStartDestroyed() {}
inline void HookedResultCreated() {
    app::ResultWindowCreated();
    if (TestHooks().resultCreated) TestHooks().resultCreated();
}

// The application's table with the three hooked entries swapped in.
inline const app::RoutineTable& TestRoutines() {
    static app::RoutineTable table = [] {
        app::RoutineTable t = app::AppRoutines();
        t.entries[compiled_program::kRoutine_StartWindowCreated] = &HookedStartCreated;
        t.entries[compiled_program::kRoutine_StartWindowDestroyed] = &HookedStartDestroyed;
        t.entries[compiled_program::kRoutine_ResultWindowCreated] = &HookedResultCreated;
        return t;
    }();
    return table;
}

inline const bool kHeadless = [] {
    setenv("SIGDESIGNER_BACKEND", "headless", 1);
    return true;
}();

class ProgramTest : public sigtest::RuntimeTest {
protected:
    void SetUp() override {
        RuntimeTest::SetUp();
        TestHooks() = Hooks{};
        platform::inet::InetLimits l;
        l.connect_timeout_ms = 2000;
        l.stall_timeout_ms = 2000;
        l.total_timeout_ms = 20000;
        platform::inet::SetInetLimitsForTesting(l);
        units::InstallCoreUnitTypes();
        runtime::windowing::InstallWindowing(runtime::Application::Instance());
        header_ = compiled_program::MakeProgramHeader(TestRoutines().entries, libraries_.entries);
        Start(&header_);
    }
    void TearDown() override {
        app::AppObject::Instance().FreeCurrentPicture();
        app::AppObject::Instance().SetCurrentPictureSize(0, 0);
        runtime::Application::Instance().ExitWork(0);
        MSG m;
        while (PeekMessageA(&m, 0, 0, 0, PM_REMOVE)) {}
        platform::inet::ResetInetLimits();
        unsetenv("SIGDESIGNER_SERVICE");
        RuntimeTest::TearDown();
    }

    static void LoadStartWindow() { rt().LoadStartWindow(app::kStartWindow); }

    // Raises a unit's event as its native window would.
    static void Raise(uint32_t window, uint32_t unit, int32_t event) {
        runtime::EventRecord r{.window = window, .unit = unit, .event = event};
        runtime::NotifyRuntime(runtime::kNotifyRaiseEvent, reinterpret_cast<uintptr_t>(&r), 0);
    }

    static int32_t Int(uint32_t unit, int32_t property, uint32_t window = app::kStartWindow) {
        return app::ReadInt(window, unit, property);
    }
    static std::string Str(uint32_t unit, int32_t property, uint32_t window = app::kStartWindow) {
        app::Text t = app::ReadText(window, unit, property);
        return std::string(t.view());
    }

    // Unit ids of the picture boxes in the start window whose tag is set:
    // the gallery's samples, by style number (index 0 unused).
    static std::vector<uint32_t> Samples() {
        std::vector<uint32_t> byNumber(411, 0);
        for (const auto& r : runtime::Application::Instance().Table().Find(app::kStartWindow)->records) {
            if (r.type_code != app::kPictureBoxType || r.id == app::kSampleTemplate) continue;
            int n = std::atoi(Str(r.id, app::kTag).c_str());
            if (n >= 1 && n <= 410 && byNumber[n] == 0) byNumber[n] = r.id;
        }
        return byNumber;
    }

    const app::LibraryTable libraries_ = app::AppLibraries();
    runtime::ProgramHeader header_{};
};

}  // namespace apptest
