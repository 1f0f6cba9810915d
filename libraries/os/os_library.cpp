#include "libraries/os/os_library.h"

#include "libraries/os/special_folder.h"
#include "runtime/notify.h"

namespace os {
namespace {

runtime::NotifyRoutine& StoredNotify() {
    static runtime::NotifyRoutine notify = &runtime::NotifyRuntime;
    return notify;
}

intptr_t OsLibraryNotify(int32_t message, uintptr_t param1, uintptr_t) {
    if (message != runtime::kLibraryStart) return -1;
    if (param1) StoredNotify() = reinterpret_cast<runtime::NotifyRoutine>(param1);
    return 0;
}

}  // namespace

// ORDER OsCommand
const std::array<runtime::CommandRoutine, kOsCommandCount> kOsCommands = {CmdGetSpecialFolder};
static_assert(std::size(kOsCommands) == kOsCommandCount);

const runtime::LibraryInfo& OsLibraryInfo() {
    static const runtime::LibraryInfo info = {
        .formatMarker = runtime::kLibraryFormatMarker,
        .identifier = "D4A7B2C9E1F3408B9C6A5E2D7F1B3C8A",
        .versions = {3, 7, 1, 0, 0, 0, 0},
        .displayName = "os",
        .commandCount = kOsCommandCount,
        .commands = kOsCommands.data(),
        .notify = OsLibraryNotify,
    };
    return info;
}

runtime::NotifyRoutine Notify() { return StoredNotify(); }

}  // namespace os
