// The display backend: the small interface between the window system and
// whatever shows its pixels. Every top-level window is drawn by the window
// system into its own cairo image surface; a backend only shows those
// surfaces, reports input and carries the cursor, clipboard and text input.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

typedef struct _cairo_surface cairo_surface_t;

namespace platform::backend {

enum class EventType {
    MouseMove,
    MouseButton,  // button 1 left, 2 middle, 3 right
    MouseWheel,   // delta in WHEEL_DELTA units
    Key,          // vk, scancode, extended
    Text,         // UTF-8 typed text
    CloseRequest,
    FocusGained,
    FocusLost,
    Moved,   // the desktop moved the window: x, y are its new screen position
    Expose,  // the surface must be shown again
};

// Positions are screen coordinates: the window system owns each top-level
// window's place, so a backend adds its window's origin to local positions.
struct Event {
    EventType type = EventType::MouseMove;
    uint32_t window = 0;  // HWND of the top-level window, 0 for none
    int x = 0;
    int y = 0;
    int button = 0;
    bool down = false;
    int delta = 0;
    int vk = 0;
    int scancode = 0;
    bool extended = false;
    std::string text;
    uint64_t time = 0;  // milliseconds on the steady clock; Inject stamps it
};

enum class SystemCursor { Arrow, IBeam, Wait, Cross, UpArrow, SizeNWSE, SizeNESW, SizeWE, SizeNS, SizeAll, No, Hand, AppStarting, Help, Count };

class Backend {
public:
    virtual ~Backend() = default;
    virtual const char* Name() const = 0;

    virtual void CreateWindow(uint32_t hwnd, int x, int y, int w, int h, bool topmost) = 0;
    virtual void DestroyWindow(uint32_t hwnd) = 0;
    virtual void ShowWindow(uint32_t hwnd, bool show, bool activate) = 0;
    virtual void MoveWindow(uint32_t hwnd, int x, int y, int w, int h) = 0;
    virtual void RaiseWindow(uint32_t hwnd) = 0;
    virtual void SetTitle(uint32_t hwnd, const std::string& utf8) = 0;
    // Shows the window's surface (w x h ARGB32 pixels, the window rectangle).
    virtual void Present(uint32_t hwnd, cairo_surface_t* surface) = 0;
    // Pixels of a shaped window outside its region become see-through.
    virtual void SetShape(uint32_t hwnd, cairo_surface_t* mask) { (void)hwnd; (void)mask; }

    // Non-blocking; injected events come first, in order.
    bool PollEvent(Event* out);
    // Sleeps until an event may be there, Wake is called or timeout_ms passes.
    virtual void Wait(int timeout_ms) = 0;
    // Callable from any thread.
    virtual void Wake() = 0;
    // Test hooks: the same path as real input.
    void Inject(Event e);

    virtual void SetCursor(SystemCursor c) = 0;
    virtual void SetCursorImage(const uint32_t* argb, int w, int h, int hotx, int hoty) = 0;
    virtual void SetClipboardText(const std::string& utf8) = 0;
    virtual std::string GetClipboardText() = 0;
    virtual void StartTextInput() = 0;
    virtual void StopTextInput() = 0;
    virtual void ScreenSize(int* w, int* h) = 0;
    // A real modal message box where the backend has a display; false when
    // the caller must fall back to its own box.
    virtual bool IsDisplay() const = 0;

protected:
    virtual bool PollNative(Event* out) = 0;

private:
    std::mutex inject_mu_;
    std::deque<Event> injected_;
};

// The backend chosen by SIGDESIGNER_BACKEND ("sdl", the default, or
// "headless"). With no display for "sdl" the process says so on stderr and
// exits with status 1.
Backend& Current();
// True once Current() has been created.
bool Exists();

std::unique_ptr<Backend> MakeHeadless();
// Null when SDL cannot open a display; *why tells why.
std::unique_ptr<Backend> MakeSdl(std::string* why);

}  // namespace platform::backend
