// The window system's own state: windows, classes, the queue, input state.
// Everything here belongs to the UI thread (the first thread that creates a
// window); the queue's mutex covers what other threads may touch (posting,
// sending, invalidating).
#pragma once

#include <cairo.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/kernel/handle_table.h"
#include "win/user.h"

namespace platform::user {

struct WndClass {
    std::string name;  // as registered (GBK)
    ATOM atom = 0;
    UINT style = 0;
    WNDPROC proc = nullptr;
    int wnd_extra = 0;
    HINSTANCE inst = 0;
    HICON icon = 0;
    HICON icon_sm = 0;
    HCURSOR cursor = 0;
    HBRUSH background = 0;
    std::string menu;
    std::vector<uint8_t> extra;
};

struct Wnd {
    HWND hwnd = 0;
    std::shared_ptr<WndClass> cls;
    WNDPROC proc = nullptr;
    DWORD style = 0;
    DWORD exstyle = 0;
    HWND parent = 0;  // 0 for top-level windows
    HWND owner = 0;
    UINT_PTR id = 0;
    LONG_PTR userdata = 0;
    HINSTANCE inst = 0;
    std::vector<uint8_t> extra;
    std::string text;  // GBK
    RECT rect{};       // window rectangle in the parent's client coordinates (screen for top-level)
    RECT client{};     // client rectangle in the same coordinates
    std::vector<HWND> children;  // z-order, front is the top
    // The same children as pointers, and the parent: the painting paths walk
    // these without a handle lookup. Kept in step by Link/Unlink; a window
    // leaves its parent's lists before it is freed, and children go first.
    std::vector<Wnd*> kid_ptrs;
    Wnd* parent_ptr = nullptr;
    // Painting's memo of whether a visible sibling above overlaps this
    // window, valid while above_epoch equals State::layout_epoch.
    mutable uint64_t above_epoch = 0;
    mutable bool above_overlap = false;
    cairo_region_t* update = nullptr;  // client coordinates
    bool erase = false;
    bool nc_dirty = false;
    bool internal_paint = false;
    cairo_region_t* shape = nullptr;  // window coordinates; null = none
    RECT normal{};                    // the restored rectangle while minimised or maximised
    bool destroying = false;
    bool sent_create_size = false;
    bool nc_active = false;
    int pressed_button = 0;  // HTCLOSE / HTMINBUTTON / HTMAXBUTTON being held
    HICON icon_big = 0;
    HICON icon_small = 0;
    std::map<std::string, HANDLE> props;
    // top-level windows only
    cairo_surface_t* surface = nullptr;
    bool present_dirty = false;
    ~Wnd();
};

struct QueuedMsg {
    MSG msg{};
    int hit = HTCLIENT;  // for mouse messages: the hit-test code
};

struct SentMsg {
    HWND hwnd;
    UINT msg;
    WPARAM w;
    LPARAM l;
    std::promise<LRESULT> result;
};

struct Timer {
    HWND hwnd;
    UINT_PTR id;
    UINT elapse;
    TIMERPROC proc;
    uint64_t due;  // milliseconds on the steady clock
};

struct Drag {
    HWND hwnd = 0;
    int hit = 0;  // HTCAPTION or a frame code
    POINT start{};
    RECT start_rect{};
};

struct State {
    HandleTable<Wnd> wnds{HandleKind::Window};
    // The UI thread's own index of the same windows: painting looks windows
    // up thousands of times per frame, and this needs no lock.
    // Indexed by the handle's slot; an entry counts only if its handle matches.
    std::vector<std::shared_ptr<Wnd>> by_slot;
    std::vector<HWND> toplevels;  // z-order, front is the top
    // Counts changes of any window's rectangle, visibility or stacking (LayoutChanged).
    uint64_t layout_epoch = 1;
    std::map<std::string, std::shared_ptr<WndClass>> classes;  // key: lower-case name
    ATOM next_atom = 0xC000;
    HWND active = 0;
    HWND focus = 0;
    HWND capture = 0;
    std::thread::id ui_thread;
    bool ui_thread_set = false;

    std::mutex qmu;  // guards the fields below
    std::deque<QueuedMsg> posted;
    std::deque<QueuedMsg> input;
    std::deque<std::shared_ptr<SentMsg>> sent;
    struct PendingInvalidate {
        HWND hwnd;
        bool whole;
        RECT rect;
        bool erase;
    };
    std::vector<PendingInvalidate> pending;
    bool quit = false;
    int quit_code = 0;

    std::vector<Timer> timers;
    UINT_PTR next_timer_id = 0x7000;

    uint8_t keys[256] = {};        // as of the last message taken from the queue
    uint8_t async_keys[256] = {};  // as of the last input event
    POINT cursor{0, 0};
    HCURSOR cursor_shape = 0;
    int cursor_show = 0;
    // double clicks
    HWND last_click_hwnd = 0;
    UINT last_click_msg = 0;
    uint64_t last_click_time = 0;
    POINT last_click_pt{};
    Drag drag;
    HWND mouse_over = 0;
    DWORD msg_time = 0;
    POINT msg_pt{};
    int cascade = 0;
    std::map<std::string, UINT> registered_msgs;
    UINT next_registered = 0xC000;
    bool deactivate_pending = false;
};

State& S();
// A window moved, was sized, shown, hidden or restacked: what painting
// remembers about overlapping siblings no longer holds.
inline void LayoutChanged() { ++S().layout_epoch; }
uint64_t NowMs();
void EnsureUiThread();
bool OnUiThread();

std::shared_ptr<Wnd> Get(HWND h);
// The window without taking a reference: for reads on the UI thread that call
// no window procedure while they hold the pointer.
Wnd* Raw(HWND h);
LRESULT Call(HWND h, UINT msg, WPARAM w, LPARAM l);  // SendMessage on the UI thread
HWND Root(HWND h);
bool IsVisibleChain(HWND h);
// Window-rectangle origin of h in its top-level surface.
POINT OriginInTop(const Wnd& w);
POINT ClientOriginInTop(const Wnd& w);
POINT ClientOriginScreen(const Wnd& w);
RECT WindowRectScreen(const Wnd& w);

// Non-client
struct NcInsets {
    int left, top, right, bottom;
    int frame;    // outer frame thickness
    int caption;  // caption height, 0 for none
};
NcInsets Insets(DWORD style, DWORD exstyle);
LRESULT NcHitTest(Wnd& w, POINT screen);
void NcPaint(HWND h);
struct CaptionButton {
    int hit;
    RECT rect;  // window coordinates
};
std::vector<CaptionButton> CaptionButtons(const Wnd& w);

// Painting
void InvalidateWindow(HWND h, const RECT* client_rect, bool erase, bool children, bool frame);
void InvalidateAll(HWND h);  // window and frame, with children
void ExposeInParent(const Wnd& w, const RECT& rect_in_parent);
bool NeedsPaint(const Wnd& w);
HWND FindPaintWindow(HWND filter);
void PresentDirty();
void MarkPresent(HWND h);
cairo_region_t* VisibleRegion(const Wnd& w, bool client, bool clip_children);
void ResizeSurface(Wnd& w);
void ApplyPendingInvalidations();

// Windows
BOOL SetWindowPosCore(HWND hwnd, HWND after, int x, int y, int cx, int cy, UINT flags);
void Activate(HWND h, int how);
void ActivateOther(HWND leaving);
HWND HitWindow(POINT screen, int* hit);
void ReleaseFocusInside(HWND h);

// Input
void ProcessBackendEvents();
bool PrepareInputMessage(QueuedMsg& q);  // at removal: cursor, mouse activation; false = eat it
void UpdateKeyState(const MSG& m);
void DragMove(POINT screen);
void DragEnd();
void StartDrag(HWND h, int hit, POINT screen);
void SetCursorFromHit(HWND h, int hit, UINT msg);

}  // namespace platform::user
