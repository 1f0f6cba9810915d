// A started runtime on the small test program of templates/, with the real
// unit types except two stand-ins: a combo box that is a bare native combo
// list and a common dialog that answers the open request with a set answer.
// Both keep these tests about the commands, not about those units; they carry
// the real types' names (no non-ASCII literal in a header: clang builds
// rewrite only the sources' literals to GBK).
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

#include "compiled_program.h"
#include "libraries/core/core_library.h"
#include "runtime/notify.h"
#include "runtime/windowing/unit_protocol.h"
#include "runtime/windowing/window_runtime.h"
#include "tests/runtime/support/runtime_fixture.h"
#include "units/combo_box.h"
#include "units/common_dialog.h"
#include "units/core_unit_types.h"
#include "win/commdlg.h"
#include "windows.h"

namespace sigtest {

constexpr uint32_t kMainWindow = 0x52010001;
constexpr uint32_t kSecondWindow = 0x52020001;
constexpr uint32_t kThirdWindow = 0x52030001;
constexpr uint32_t kEditA = 0x16010010, kEditAB = 0x16010011, kButton = 0x16010012, kCombo = 0x16010013,
                   kDialog = 0x16010014, kGroup = 0x16010015, kSample = 0x16010017,
                   kSortedCombo = 0x16010018;
constexpr uint32_t kWindowType = 0x00010001, kEditType = 0x00010005, kPictureType = 0x00010006,
                   kButtonType = 0x0001000B, kComboType = 0x0001000E, kDialogType = 0x0001001F;

struct HandlerCall {
    int routine;
    runtime::ArgRecord eventUnit;
};

inline std::vector<HandlerCall>& Calls() {
    static std::vector<HandlerCall> calls;
    return calls;
}

inline runtime::ArgRecord Command(core::CoreCommand slot, std::vector<runtime::ArgRecord> args = {}) {
    runtime::ArgRecord result{};
    core::kCoreCommands[slot](&result, static_cast<int32_t>(args.size()), args.empty() ? nullptr : args.data());
    return result;
}
inline runtime::ArgRecord Unit(uint32_t window, uint32_t unit, uint32_t type) {
    return {static_cast<uint64_t>(window) | (static_cast<uint64_t>(unit) << 32), type};
}
inline runtime::ArgRecord Window(uint32_t window) { return Unit(window, 0, kWindowType); }
inline runtime::ArgRecord Omitted() { return {0, runtime::kTypeNone}; }

// Handlers note the event unit they are asked about.
template <int N>
uint64_t Handler() {
    Calls().push_back({N, Command(core::kGetEventUnit)});
    if (N == compiled_program::kRoutine_ThirdCreated) {
        // Closes the window being loaded, so a modal load can return.
        PostMessageA(static_cast<HWND>(runtime::NotifyRuntime(runtime::kNotifyFindUnit, kThirdWindow, 0)), WM_CLOSE,
                     0, 0);
    }
    return 0;
}

inline constexpr int kHandlerBase = __COUNTER__ + 1;
#define SIG_HANDLER_ENTRY(name) reinterpret_cast<runtime::ProgramRoutine>(&Handler<__COUNTER__ - kHandlerBase>),
inline const runtime::ProgramRoutine kHandlers[compiled_program::kRoutineCount] = {
    COMPILED_PROGRAM_ROUTINES(SIG_HANDLER_ENTRY)};
#undef SIG_HANDLER_ENTRY

inline const runtime::LibraryInfo* const kTestLibraries[compiled_program::kLibraryCount] = {
    &core::CoreLibraryInfo()};
inline const runtime::ProgramHeader kTestHeader = compiled_program::MakeProgramHeader(kHandlers, kTestLibraries);

// --- stand-in units ---------------------------------------------------------------

inline uint32_t CreateComboList(const uint8_t*, uint32_t, uint32_t styles, uint32_t parent, uint32_t, uint32_t,
                                int32_t left, int32_t top, int32_t width, int32_t height, uint32_t, uint32_t, uint32_t,
                                uint32_t) {
    return CreateWindowExA(0, "COMBOBOX", "", styles | WS_CHILD | CBS_DROPDOWNLIST, left, top, width, height, parent,
                           0, 0, nullptr);
}

struct DialogStandIn {
    int opened = 0;
    LRESULT answer = 1;
};
inline DialogStandIn& Dialog() {
    static DialogStandIn d;
    return d;
}
inline LRESULT DialogProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == runtime::kMsgOpenCommonDialog) {
        ++Dialog().opened;
        return Dialog().answer;
    }
    return DefWindowProcA(h, m, w, l);
}
inline uint32_t CreateDialogStandIn(const uint8_t*, uint32_t, uint32_t, uint32_t parent, uint32_t, uint32_t,
                                    int32_t left, int32_t top, int32_t width, int32_t height, uint32_t, uint32_t,
                                    uint32_t, uint32_t) {
    WNDCLASSA wc{};
    if (!GetClassInfoA(0, "_Test_Dialog", &wc)) {
        wc.lpfnWndProc = DialogProc;
        wc.lpszClassName = "_Test_Dialog";
        RegisterClassA(&wc);
    }
    return CreateWindowExA(0, "_Test_Dialog", "", WS_CHILD, left, top, width, height, parent, 0, 0, nullptr);
}

template <auto Create>
runtime::UnitOperation CreateOnly(int32_t number) {
    return number == runtime::kOpCreateUnit ? reinterpret_cast<runtime::UnitOperation>(Create) : nullptr;
}

inline const runtime::PropertyRecord kStandInProperties[8] = {};

inline const bool kHeadless = [] {
    setenv("SIGDESIGNER_BACKEND", "headless", 1);
    return true;
}();

class UnitCommandsTest : public RuntimeTest {
protected:
    void SetUp() override {
        RuntimeTest::SetUp();
        Calls().clear();
        Dialog() = {};
        units::InstallCoreUnitTypes();
        if (!realCombo_)
            core::InstallCoreUnitType(14, {.name = units::ComboBoxUnitType().name, .englishName = "ComboBox", .flags = 0x40,
                                           .propertyCount = 8, .properties = kStandInProperties,
                                           .lookup = &CreateOnly<&CreateComboList>});
        if (!realDialog_)
            core::InstallCoreUnitType(31, {.name = units::CommonDialogUnitType().name, .englishName = "CommonDlg", .flags = 0x8040,
                                           .propertyCount = 8, .properties = kStandInProperties,
                                           .lookup = &CreateOnly<&CreateDialogStandIn>});
        runtime::windowing::InstallWindowing(runtime::Application::Instance());
        Start(&kTestHeader);
    }
    void TearDown() override {
        runtime::Application::Instance().ExitWork(0);
        MSG m;
        while (PeekMessageA(&m, 0, 0, 0, PM_REMOVE)) {}
        units::InstallCoreUnitTypes();
        RuntimeTest::TearDown();
    }

    // The stand-in combo box (false) or the real unit type (true).
    bool realCombo_ = false;
    bool realDialog_ = false;

    static bool Load(uint32_t window) { return rt().LoadStartWindow(window), Loaded(window); }
    static bool Loaded(uint32_t window) { return runtime::NotifyRuntime(runtime::kNotifyFindUnit, window, 0) != 0; }
    static HWND Live(uint32_t window, uint32_t unit) {
        return static_cast<HWND>(runtime::NotifyRuntime(runtime::kNotifyFindUnit, window, unit));
    }
    static runtime::templates::WindowTemplate& Template(uint32_t id) {
        return *runtime::Application::Instance().Table().Find(id);
    }
    static std::string TextResult(const runtime::ArgRecord& r) {
        std::string s(runtime::TextView(runtime::ArgPointer<const char>(r)));
        if (r.value) rt().FreeMemory(runtime::ArgPointer(r));
        return s;
    }
    static runtime::ArgRecord Text(const std::string& gbk) {
        return runtime::MakePointerArg(gbk.c_str(), runtime::kTypeText);
    }
};

}  // namespace sigtest
