#include "libraries/internet/internet_library.h"

#include "libraries/internet/http_get_bytes.h"
#include "libraries/internet/internet_state.h"
#include "runtime/notify.h"

namespace internet {
namespace {

runtime::NotifyRoutine& StoredNotify() {
    static runtime::NotifyRoutine notify = &runtime::NotifyRuntime;
    return notify;
}

// 1 stores the runtime's entry; 6 (program end) closes the handles. The
// answer to 6 stays -1 like every code but 1: the runtime does not read it.
intptr_t InternetLibraryNotify(int32_t message, uintptr_t param1, uintptr_t) {
    if (message == runtime::kLibraryStart) {
        if (param1) StoredNotify() = reinterpret_cast<runtime::NotifyRoutine>(param1);
        return 0;
    }
    if (message == runtime::kLibraryEnd) State().TearDown();
    return -1;
}

}  // namespace

// ORDER InternetCommand
const std::array<runtime::CommandRoutine, kInternetCommandCount> kInternetCommands = {CmdHttpGetBytes};
static_assert(std::size(kInternetCommands) == kInternetCommandCount);

const runtime::LibraryInfo& InternetLibraryInfo() {
    static const runtime::LibraryInfo info = {
        .formatMarker = runtime::kLibraryFormatMarker,
        .identifier = "8C1E4F2A7B3D4E5F9A0B6C7D8E9F1A2B",
        .versions = {3, 7, 1, 0, 0, 0, 0},
        .displayName = "internet",
        .commandCount = kInternetCommandCount,
        .commands = kInternetCommands.data(),
        .notify = InternetLibraryNotify,
    };
    return info;
}

runtime::NotifyRoutine Notify() { return StoredNotify(); }

}  // namespace internet
