#include "libraries/special/special_library.h"

#include "runtime/notify.h"

namespace special {
namespace {

// Start-up (1) and program end (6) are acknowledged; nothing is kept.
intptr_t SpecialLibraryNotify(int32_t message, uintptr_t, uintptr_t) {
    return message == runtime::kLibraryStart || message == runtime::kLibraryEnd ? 0 : -1;
}

}  // namespace

const runtime::LibraryInfo& SpecialLibraryInfo() {
    static const runtime::LibraryInfo info = {
        .formatMarker = runtime::kLibraryFormatMarker,
        .identifier = "A0B1C2D3E4F5461788990AABBCCDDEEF",
        .versions = {3, 7, 1, 0, 0, 0, 0},
        .displayName = "special",
        .commandCount = 0,
        .commands = nullptr,
        .notify = SpecialLibraryNotify,
    };
    return info;
}

}  // namespace special
