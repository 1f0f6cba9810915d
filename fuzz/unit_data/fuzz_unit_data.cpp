// Every core unit type's creation from stored data: the first byte picks the
// type, the rest is the StoredUnitData handed to the type's create
// operation, headless and without a parent, as a template record would.
// Whatever was created is destroyed again, so each input starts clean.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <span>
#include <vector>

#include "libraries/core/core_library.h"
#include "runtime/application.h"
#include "runtime/template/stored_unit_data.h"
#include "runtime/windowing/unit_protocol.h"
#include "units/core_unit_types.h"
#include "win/testhooks.h"
#include "windows.h"

namespace {

// Type numbers of the core library's unit types (window, edit box, picture
// box, group box, label, button, combo box, scroll bar, progress bar, colour
// picker, common dialog).
constexpr uint32_t kTypeNumbers[] = {1, 5, 6, 9, 10, 11, 14, 18, 19, 28, 31};

struct Setup {
    Setup() {
        setenv("SIGDESIGNER_BACKEND", "headless", 1);
        units::InstallCoreUnitTypes();
    }
};

// A window class name the system cannot register (over 255 bytes) is a
// fatal runtime error by design: the process ends with the report. Such data
// is left out so the run goes on. (A name whose first byte is NUL falls back
// to the default class; reproducers/ keeps the input that once ended here.)
bool EndsInTheFatalReport(uint32_t number, std::span<const uint8_t> stored) {
    if (number != 1) return false;
    runtime::templates::WindowData window;
    if (!runtime::templates::ReadStoredUnitData(stored, window) || window.class_name.empty()) return false;
    return strnlen(window.class_name.c_str(), window.class_name.size()) > 255;
}

runtime::CreateUnitOp CreateOf(uint32_t number) {
    const runtime::UnitType& type = core::CoreLibraryInfo().types[number - 1];
    return type.lookup ? reinterpret_cast<runtime::CreateUnitOp>(type.lookup(runtime::kOpCreateUnit)) : nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Setup setup;
    if (size == 0) return 0;
    const uint32_t number = kTypeNumbers[data[0] % std::size(kTypeNumbers)];
    runtime::CreateUnitOp create = CreateOf(number);
    if (!create) return 0;
    // A copy of exactly the stored bytes, so any read past them is caught.
    std::vector<uint8_t> stored(data + 1, data + size);
    if (EndsInTheFatalReport(number, stored)) return 0;
    const uint32_t unitId = number == 1 ? 0x06010000u : 0x16010002u;
    HWND unit = create(stored.empty() ? nullptr : stored.data(), static_cast<uint32_t>(stored.size()), 0, 0, 100, 0,
                       10, 10, 120, 40, 0x52010001u, unitId, 0, 0);
    if (unit) {
        SigTestWaitIdle(20);
        if (IsWindow(unit)) DestroyWindow(unit);
    }
    SigTestWaitIdle(20);
    return 0;
}
