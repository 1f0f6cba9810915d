#include "runtime/window_hooks.h"

#include "runtime/runtime_error.h"

namespace runtime {
namespace {

void Nothing() {}
void NothingWithCode(int32_t) {}
// No window is loaded, so the loop has nothing to wait for.
void ReturnAtOnce() {}
// The window table is empty: every window id is unknown.
void NoStartWindow(uint32_t) { ReportFatalError(FatalMessage::StartWindow); }
uint64_t NoWindowRead(uint32_t, uint32_t, int32_t, int32_t) { ReportFatalError(FatalMessage::WindowNotLoaded); }
void NoWindowWrite(uint32_t, uint32_t, int32_t, int32_t, uint64_t) { ReportFatalError(FatalMessage::WindowNotLoaded); }
uint64_t NoUnitRead(uint32_t, uint64_t, int32_t, int32_t) { ReportFatalError(FatalMessage::WindowNotLoaded); }
void NoUnitWrite(uint32_t, uint64_t, int32_t, int32_t, uint64_t) { ReportFatalError(FatalMessage::WindowNotLoaded); }
intptr_t NotHandled(int32_t, uintptr_t, uintptr_t) { return 0; }

}  // namespace

WindowSubsystem DefaultWindowSubsystem() {
    return WindowSubsystem{
        .readTemplates = nullptr,
        .createHiddenOwner = Nothing,
        .destroyHiddenOwner = Nothing,
        .destroyAllWindows = Nothing,
        .postExitRequest = NothingWithCode,
        .runMessageLoop = ReturnAtOnce,
        .loadStartWindow = NoStartWindow,
        .readUnitProperty = NoWindowRead,
        .writeUnitProperty = NoWindowWrite,
        .readValueProperty = NoUnitRead,
        .writeValueProperty = NoUnitWrite,
        .notify = NotHandled,
    };
}

}  // namespace runtime
