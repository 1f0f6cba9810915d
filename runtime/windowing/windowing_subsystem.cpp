// The WindowSubsystem hooks of a runtime that has windows: each forwards to
// the application's WindowRuntime, made when the runtime starts.
#include "runtime/runtime_error.h"
#include "runtime/windowing/window_runtime.h"
#include "windows.h"

namespace runtime::windowing {
namespace {

Application& App() { return Application::Instance(); }
WindowRuntime& Live() { return WindowRuntime::Of(App()); }

void CreateOwner() { Live().CreateHiddenOwner(); }
void DestroyOwner() {
    if (auto* w = WindowRuntime::Existing(App())) w->DestroyHiddenOwner();
}
void DestroyAll() {
    if (auto* w = WindowRuntime::Existing(App())) w->DestroyAllWindows();
}
// The main thread ends the program when the hidden owner receives this.
void PostExit(int32_t code) {
    if (auto* w = WindowRuntime::Existing(App()); w && w->HiddenOwner())
        PostMessageA(w->HiddenOwner(), 0x83E7, static_cast<WPARAM>(code), 0);
}
void RunLoop() { Live().RunMessageLoop(); }
void LoadStart(uint32_t id) { Live().LoadStartWindow(id); }
uint64_t Read(uint32_t window, uint32_t unit, int32_t property, int32_t member) {
    return Live().ReadProperty(window, unit, property, member);
}
void Write(uint32_t window, uint32_t unit, int32_t property, int32_t member, uint64_t value) {
    Live().WriteProperty(window, unit, property, member, value);
}
// A unit reference value: window number in the low word, unit in the high.
uint64_t ReadValue(uint32_t, uint64_t unit, int32_t property, int32_t member) {
    return Live().ReadProperty(static_cast<uint32_t>(unit), static_cast<uint32_t>(unit >> 32), property, member);
}
void WriteValue(uint32_t, uint64_t unit, int32_t property, int32_t member, uint64_t value) {
    Live().WriteProperty(static_cast<uint32_t>(unit), static_cast<uint32_t>(unit >> 32), property, member, value);
}
intptr_t Notify(int32_t message, uintptr_t p1, uintptr_t p2) {
    WindowRuntime* w = WindowRuntime::Existing(App());
    // Units destroyed while the state is being torn down have nothing to clear.
    if (!w) return message == kNotifyUnitDestroyed ? 0 : Live().Notify(message, p1, p2);
    return w->Notify(message, p1, p2);
}

}  // namespace

WindowSubsystem WindowingSubsystem() {
    WindowSubsystem s = DefaultWindowSubsystem();
    s.createHiddenOwner = CreateOwner;
    s.destroyHiddenOwner = DestroyOwner;
    s.destroyAllWindows = DestroyAll;
    s.postExitRequest = PostExit;
    s.runMessageLoop = RunLoop;
    s.loadStartWindow = LoadStart;
    s.readUnitProperty = Read;
    s.writeUnitProperty = Write;
    s.readValueProperty = ReadValue;
    s.writeValueProperty = WriteValue;
    s.notify = Notify;
    return s;
}

void InstallWindowing(Application& app) { app.Windows() = WindowingSubsystem(); }

}  // namespace runtime::windowing
