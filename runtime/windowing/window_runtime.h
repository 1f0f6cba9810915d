// The live side of the window table: loading and closing windows, property
// access by WindowId/UnitId, event dispatch to the program's handlers, the
// busy counter, idle callbacks, the hidden owner window and the message loop.
// One object per started runtime, owned by the application object.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "runtime/application.h"
#include "runtime/template/window_template.h"
#include "runtime/windowing/unit_protocol.h"
#include "win/user.h"


namespace runtime::windowing {

using templates::TemplateRecord;
using templates::UnitId;
using templates::WindowId;
using templates::WindowTemplate;

struct LoadedWindow {
    WindowId id = 0;
    HWND hwnd = 0;
    bool modal = false;
    std::vector<TemplateRecord> pristine;  // the records as they were before this load
    std::vector<std::pair<HWND, bool>> disabledByModal;  // window, was enabled
    HWND activeBeforeModal = 0;  // given activation back when the modal window closes
};

class WindowRuntime {
public:
    explicit WindowRuntime(Application& app);
    ~WindowRuntime();
    WindowRuntime(const WindowRuntime&) = delete;
    WindowRuntime& operator=(const WindowRuntime&) = delete;

    // The object of the application's started runtime, made on first use.
    static WindowRuntime& Of(Application& app);
    static WindowRuntime* Existing(Application& app);

    void CreateHiddenOwner();
    void DestroyHiddenOwner();
    HWND HiddenOwner() const { return hiddenOwner_; }
    void DestroyAllWindows();

    // Load window: 1 on success, 0 on failure (never fatal).
    bool LoadWindow(WindowId id, bool reuse, bool modal, HWND owner);
    void LoadStartWindow(WindowId id);
    bool IsLoaded(WindowId id) const;
    HWND WindowHandle(WindowId id) const;

    uint64_t ReadProperty(WindowId window, UnitId unit, int32_t property, int32_t member);
    void WriteProperty(WindowId window, UnitId unit, int32_t property, int32_t member, uint64_t value);

    // Handler lookup and raising (answers 1 when a handler ran).
    int32_t RaiseEvent(EventRecord& record);
    int32_t RaiseTypedEvent(TypedEventRecord& record);
    bool EventContext(uint32_t* window, uint32_t* unit) const;

    void AddIdleCallback(const IdleCallback& entry);
    void RemoveIdleCallback(uint32_t window);

    void RunMessageLoop();
    void ProcessPendingMessages();
    bool LoopStarted() const { return loopStarted_; }
    // Common events and the window's key handling; true = consumed.
    bool PreTranslate(MSG& msg);

    // Copy of a unit of a loaded window (NotifyRuntime 2034): the new unit
    // id, or 0 when the source cannot be copied.
    UnitId CopyUnit(WindowId window, UnitId source);

    // A unit's native window is gone (NotifyRuntime 2000).
    void UnitDestroyed(WindowId window, UnitId unit);

    intptr_t Notify(int32_t message, uintptr_t p1, uintptr_t p2);

    // The unit a native window belongs to (the window itself or an ancestor).
    bool UnitOfWindow(HWND hwnd, WindowId* window, UnitId* unit) const;

private:
    struct UnitKey {
        WindowId window;
        UnitId unit;
    };
    const UnitType* TypeOf(uint32_t code) const;
    TemplateRecord* FindRecord(WindowTemplate& w, UnitId unit);
    TemplateRecord& RecordOrFatal(WindowId window, UnitId unit, WindowTemplate** owner);
    bool CreateWindowUnits(WindowTemplate& w, LoadedWindow& loaded, bool reuse, HWND owner,
                           std::vector<bool>& visible);
    void UndoLoad(WindowTemplate& w, LoadedWindow& loaded);
    void WindowClosed(WindowId window);
    void RebuildUnit(WindowTemplate& w, TemplateRecord& r, const UnitType& type);
    ProgramRoutine FindHandler(WindowId window, UnitId unit, int32_t event);
    int32_t IdleProcessing(int32_t count);
    bool RaiseSimple(WindowId window, UnitId unit, int32_t event, std::initializer_list<uint32_t> args,
                     uint32_t* result);

    Application& app_;
    HWND hiddenOwner_ = 0;
    bool loopStarted_ = false;
    uint32_t contextWindow_ = 0, contextUnit_ = 0;
    std::vector<LoadedWindow> loaded_;
    std::unordered_map<HWND, UnitKey> units_;  // live native window -> unit
    std::vector<IdleCallback> idle_;
    std::vector<WindowId> idleFinished_;
    uint32_t idleClock_ = 0;
    HWND rebuilding_ = 0;  // the old window of a unit being re-created
    UnitId rebuildingUnit_ = 0;
};

// The WindowSubsystem hooks backed by WindowRuntime; install with
// InstallWindowing() before RuntimeService 6 (after Application::Reset).
WindowSubsystem WindowingSubsystem();
void InstallWindowing(Application& app);

}  // namespace runtime::windowing
