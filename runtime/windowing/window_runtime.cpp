#include "runtime/windowing/window_runtime.h"

#include <algorithm>
#include <cstring>

#include "runtime/notify.h"
#include "runtime/property_values.h"
#include "runtime/runtime_error.h"
#include "runtime/windowing/font_members.h"
#include "runtime/values.h"
#include "windows.h"

namespace runtime::windowing {
namespace {

constexpr uint32_t kMenuItemType = 0x00010003;
constexpr uint32_t kTabControlType = 0x00010015;

int32_t Clamp(int32_t v, int32_t lo, int32_t hi) { return std::max(lo, std::min(hi, v)); }

template <class Op>
Op Operation(const UnitType& type, UnitOperationNumber number) {
    return type.lookup ? reinterpret_cast<Op>(type.lookup(number)) : nullptr;
}

bool Live(const TemplateRecord& r) { return r.live_object != 0 && IsWindow(r.live_object); }

// Calls a program routine with n pointer-sized arguments (0-12).
uint64_t CallRoutine(ProgramRoutine f, const uint64_t* a, uint32_t n) {
    using W = uint64_t;
    switch (n) {
        case 0: return reinterpret_cast<W (*)()>(f)();
        case 1: return reinterpret_cast<W (*)(W)>(f)(a[0]);
        case 2: return reinterpret_cast<W (*)(W, W)>(f)(a[0], a[1]);
        case 3: return reinterpret_cast<W (*)(W, W, W)>(f)(a[0], a[1], a[2]);
        case 4: return reinterpret_cast<W (*)(W, W, W, W)>(f)(a[0], a[1], a[2], a[3]);
        case 5: return reinterpret_cast<W (*)(W, W, W, W, W)>(f)(a[0], a[1], a[2], a[3], a[4]);
        case 6: return reinterpret_cast<W (*)(W, W, W, W, W, W)>(f)(a[0], a[1], a[2], a[3], a[4], a[5]);
        case 7: return reinterpret_cast<W (*)(W, W, W, W, W, W, W)>(f)(a[0], a[1], a[2], a[3], a[4], a[5], a[6]);
        case 8:
            return reinterpret_cast<W (*)(W, W, W, W, W, W, W, W)>(f)(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7]);
        case 9:
            return reinterpret_cast<W (*)(W, W, W, W, W, W, W, W, W)>(f)(a[0], a[1], a[2], a[3], a[4], a[5], a[6],
                                                                          a[7], a[8]);
        case 10:
            return reinterpret_cast<W (*)(W, W, W, W, W, W, W, W, W, W)>(f)(a[0], a[1], a[2], a[3], a[4], a[5], a[6],
                                                                             a[7], a[8], a[9]);
        case 11:
            return reinterpret_cast<W (*)(W, W, W, W, W, W, W, W, W, W, W)>(f)(a[0], a[1], a[2], a[3], a[4], a[5],
                                                                                a[6], a[7], a[8], a[9], a[10]);
        default:
            return reinterpret_cast<W (*)(W, W, W, W, W, W, W, W, W, W, W, W)>(f)(
                a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8], a[9], a[10], a[11]);
    }
}

// Stock pointer numbers 1-13 of the mouse-pointer property.
constexpr uint16_t kStockPointers[] = {0,     32512, 32515, 32513, 32514, 32651, 32650,
                                       32648, 32646, 32643, 32645, 32642, 32644, 32516};
static_assert(std::size(kStockPointers) == 14);

uint32_t PointerNumber(const std::vector<uint8_t>& block) {
    if (block.empty()) return 0;
    if (block.size() < 4) return block[0];
    uint32_t n;
    std::memcpy(&n, block.data(), 4);
    return n;
}

HCURSOR CursorFromBlock(const std::vector<uint8_t>& block) {
    uint32_t n = PointerNumber(block);
    if (n == 0 || n == 0xFFFFFFFFu) return 0;  // default, or a cursor file (not decoded here)
    if (n < std::size(kStockPointers)) return LoadCursorA(0, MAKEINTRESOURCEA(kStockPointers[n]));
    if (n == 14) return LoadCursorA(0, IDC_HAND);
    if (n >= 32512 && n <= 32651) return LoadCursorA(0, MAKEINTRESOURCEA(n));  // already a system identifier
    return 0;
}

uint32_t KeyState() {
    uint32_t s = 0;
    if (GetKeyState(VK_CONTROL) < 0) s |= 1;
    if (GetKeyState(VK_SHIFT) < 0) s |= 2;
    if (GetKeyState(VK_MENU) < 0) s |= 4;
    return s;
}

// A modifier's own press does not count itself.
uint32_t KeyStateFor(uint32_t vk) {
    uint32_t s = KeyState();
    if (vk == VK_CONTROL) s &= ~1u;
    if (vk == VK_SHIFT) s &= ~2u;
    if (vk == VK_MENU) s &= ~4u;
    return s;
}

// The keypad's digits and three of its signs read as the main keyboard's.
uint32_t ReportedKeyCode(uint32_t vk) {
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9) return 0x30 + (vk - VK_NUMPAD0);
    if (vk == VK_SUBTRACT) return 189;
    if (vk == VK_DECIMAL) return 190;
    if (vk == VK_DIVIDE) return 191;
    return vk;
}

void DefaultFontBytes(uint8_t out[60]) {
    std::memset(out, 0, 60);
    GetObjectA(GetStockObject(DEFAULT_GUI_FONT), 60, out);
}

int32_t PixelsPerInchY() {
    HDC dc = GetDC(0);
    int32_t dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc) ReleaseDC(0, dc);
    return dpi > 0 ? dpi : 96;
}

// The hidden owner receives the exit requested on another thread and ends
// the program on the main thread.
constexpr UINT kExitRequest = 0x83E7;
LRESULT HiddenOwnerProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == kExitRequest) Application::Instance().ExitProgram(static_cast<int32_t>(w));
    return DefWindowProcA(h, m, w, l);
}

}  // namespace

WindowRuntime::WindowRuntime(Application& app) : app_(app) {}

WindowRuntime::~WindowRuntime() {
    DestroyAllWindows();
    DestroyHiddenOwner();
}

WindowRuntime& WindowRuntime::Of(Application& app) {
    if (auto* w = Existing(app)) return *w;
    auto state = std::make_shared<WindowRuntime>(app);
    WindowRuntime* raw = state.get();
    app.SetWindowState(std::move(state));
    return *raw;
}

WindowRuntime* WindowRuntime::Existing(Application& app) { return static_cast<WindowRuntime*>(app.WindowState()); }

// --- hidden owner -------------------------------------------------------------

void WindowRuntime::CreateHiddenOwner() {
    if (hiddenOwner_ && IsWindow(hiddenOwner_)) return;
    static const char kClass[] = "_VU_HideOwner";
    WNDCLASSA wc{};
    if (!GetClassInfoA(0, kClass, &wc)) {
        wc.lpfnWndProc = HiddenOwnerProc;
        wc.hCursor = LoadCursorA(0, IDC_ARROW);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
        wc.lpszClassName = kClass;
        RegisterClassA(&wc);
    }
    hiddenOwner_ = CreateWindowExA(WS_EX_TOOLWINDOW, kClass, "", WS_POPUP, 0, 0, 0, 0, 0, 0, 0, nullptr);
}

void WindowRuntime::DestroyHiddenOwner() {
    if (hiddenOwner_ && IsWindow(hiddenOwner_)) DestroyWindow(hiddenOwner_);
    hiddenOwner_ = 0;
}

void WindowRuntime::DestroyAllWindows() {
    idle_.clear();
    while (!loaded_.empty()) {
        HWND h = loaded_.back().hwnd;
        WindowId id = loaded_.back().id;
        if (h && IsWindow(h)) DestroyWindow(h);
        // A window unit that did not report its destruction is closed here.
        if (!loaded_.empty() && loaded_.back().id == id) WindowClosed(id);
    }
}

// --- lookups ------------------------------------------------------------------

const UnitType* WindowRuntime::TypeOf(uint32_t code) const {
    const ProgramHeader* h = app_.Program();
    return h ? FindUnitType(*h, code) : nullptr;
}

TemplateRecord* WindowRuntime::FindRecord(WindowTemplate& w, UnitId unit) {
    if (w.records.empty()) return nullptr;
    if (unit == 0) return &w.records.front();
    return w.Find(unit);
}

TemplateRecord& WindowRuntime::RecordOrFatal(WindowId window, UnitId unit, WindowTemplate** owner) {
    WindowTemplate* w = app_.Table().Find(window);
    if (!w) ReportFatalError(FatalMessage::WindowNotLoaded);
    TemplateRecord* r = FindRecord(*w, unit);
    if (!r) ReportFatalError(FatalMessage::UnitMissing);
    if (owner) *owner = w;
    return *r;
}

bool WindowRuntime::IsLoaded(WindowId id) const {
    return std::any_of(loaded_.begin(), loaded_.end(), [&](const LoadedWindow& l) { return l.id == id; });
}

HWND WindowRuntime::WindowHandle(WindowId id) const {
    for (const auto& l : loaded_)
        if (l.id == id) return l.hwnd;
    return 0;
}

bool WindowRuntime::UnitOfWindow(HWND hwnd, WindowId* window, UnitId* unit) const {
    for (HWND h = hwnd; h; h = GetParent(h)) {
        auto it = units_.find(h);
        if (it != units_.end()) {
            *window = it->second.window;
            *unit = it->second.unit;
            return true;
        }
        if (GetWindowLongA(h, GWL_STYLE) & WS_POPUP) break;  // do not climb to an owner
    }
    return false;
}

// --- loading --------------------------------------------------------------------

bool WindowRuntime::CreateWindowUnits(WindowTemplate& w, LoadedWindow& loaded, bool reuse, HWND owner,
                                      std::vector<bool>& visible) {
    auto& records = w.records;
    visible.assign(records.size(), false);
    TemplateRecord& top = records.front();
    const UnitType* topType = TypeOf(top.type_code);
    auto createTop = topType ? Operation<CreateUnitOp>(*topType, kOpCreateUnit) : nullptr;
    if (!createTop) return false;
    const bool neverShownTop = (topType->flags & kTypeNeverShown) != 0;
    visible[0] = !neverShownTop && (reuse || (top.flags & templates::kUnitVisible));
    uint32_t styles = 0;
    if ((top.flags & templates::kUnitDisabled) && !neverShownTop && !reuse) styles |= WS_DISABLED;
    if (top.flags & templates::kUnitTabStop) styles |= WS_TABSTOP;
    HWND hidden = app_.ProgramKind() != 0 ? hiddenOwner_ : 0;
    HWND realOwner = owner ? owner : (loaded.modal ? hidden : 0);
    HWND window = createTop(top.unit_data.data(), static_cast<uint32_t>(top.unit_data.size()), styles, realOwner, 0,
                            0, top.left, top.top, top.width, top.height, w.id, top.id, hidden, 0);
    if (!window) return false;
    top.live_object = window;
    loaded.hwnd = window;
    units_[window] = {w.id, top.id};

    uint32_t controlId = 100;
    for (size_t i = records.size(); i-- > 1;) {
        TemplateRecord& r = records[i];
        if (r.IsMenuItem()) continue;
        const UnitType* type = TypeOf(r.type_code);
        auto create = type ? Operation<CreateUnitOp>(*type, kOpCreateUnit) : nullptr;
        if (!create) return false;
        const bool neverShown = (type->flags & kTypeNeverShown) != 0;
        visible[i] = !neverShown && (r.flags & templates::kUnitVisible);
        uint32_t s = 0;
        if ((r.flags & templates::kUnitDisabled) && !neverShown) s |= WS_DISABLED;
        if (r.flags & templates::kUnitTabStop) s |= WS_TABSTOP;
        HWND parent = window;
        if (r.parent != 0)
            if (TemplateRecord* p = FindRecord(w, r.parent); p && p->live_object) parent = p->live_object;
        HWND h = create(r.unit_data.data(), static_cast<uint32_t>(r.unit_data.size()), s, parent, controlId, 0, r.left,
                        r.top, r.width, r.height, w.id, r.id, 0, 0);
        if (!h) return false;
        controlId += 10;
        r.live_object = h;
        units_[h] = {w.id, r.id};
    }
    // Containers created after their members (records out of the usual order).
    for (size_t i = 1; i < records.size(); ++i) {
        TemplateRecord& r = records[i];
        if (r.IsMenuItem() || r.parent == 0) continue;
        TemplateRecord* p = FindRecord(w, r.parent);
        if (p && p->live_object && GetParent(r.live_object) != p->live_object) SetParent(r.live_object, p->live_object);
    }
    // A unit whose container starts hidden starts hidden too.
    for (size_t i = 1; i < records.size(); ++i) {
        for (UnitId p = records[i].parent; p != 0 && visible[i];) {
            auto it = std::find_if(records.begin(), records.end(), [&](const TemplateRecord& x) { return x.id == p; });
            if (it == records.end()) break;
            if (!visible[it - records.begin()]) visible[i] = false;
            p = it->parent;
        }
    }
    // Sibling order: each after the nearest earlier record with the same parent.
    for (size_t i = 1; i < records.size(); ++i) {
        TemplateRecord& r = records[i];
        if (r.IsMenuItem()) continue;
        HWND after = HWND_TOP;
        for (size_t j = i; j-- > 1;)
            if (!records[j].IsMenuItem() && records[j].parent == r.parent) {
                after = records[j].live_object;
                break;
            }
        // Created last record first, units are usually in place already.
        if (GetWindow(r.live_object, GW_HWNDPREV) != after)
            SetWindowPos(r.live_object, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    for (auto& r : records)
        if (!r.IsMenuItem()) r.cursor_handle = CursorFromBlock(r.mouse_pointer);
    return true;
}

void WindowRuntime::UndoLoad(WindowTemplate& w, LoadedWindow& loaded) {
    // Destroying the window unit takes every unit created under it.
    for (auto& r : w.records)
        if (r.live_object && IsWindow(r.live_object) && !IsChild(loaded.hwnd, r.live_object) &&
            r.live_object != loaded.hwnd)
            DestroyWindow(r.live_object);
    if (loaded.hwnd && IsWindow(loaded.hwnd)) DestroyWindow(loaded.hwnd);
    for (auto it = units_.begin(); it != units_.end();)
        it = it->second.window == w.id ? units_.erase(it) : std::next(it);
    w.records = std::move(loaded.pristine);
}

bool WindowRuntime::LoadWindow(WindowId id, bool reuse, bool modal, HWND owner) {
    WindowTemplate* w = app_.Table().Find(id);
    if (!w || w->records.empty()) return false;
    if (IsLoaded(id) && !reuse) {
        HWND h = WindowHandle(id);
        if (IsIconic(h)) ShowWindow(h, SW_RESTORE);
        else SetActiveWindow(h);
        return true;
    }
    if (IsLoaded(id)) {  // reuse: the old window goes first
        DestroyWindow(WindowHandle(id));
        if (IsLoaded(id)) WindowClosed(id);
    }
    if (modal) owner = 0;
    else if (owner && !IsWindow(owner)) return false;

    app_.BusyUp();
    ProcessPendingMessages();
    LoadedWindow loaded;
    loaded.id = id;
    loaded.modal = modal;
    if (modal) loaded.activeBeforeModal = GetActiveWindow();  // before the new window takes it
    loaded.pristine = w->records;
    std::vector<bool> visible;
    if (!CreateWindowUnits(*w, loaded, reuse, owner, visible)) {
        UndoLoad(*w, loaded);
        app_.BusyDown();
        return false;
    }
    HWND window = loaded.hwnd;
    loaded_.push_back(std::move(loaded));

    for (size_t i = w->records.size(); i-- > 1;)
        if (!w->records[i].IsMenuItem()) SendMessageA(w->records[i].live_object, kMsgTemplateComplete, 0, 0);
    SendMessageA(window, kMsgTemplateComplete, 0, 0);
    for (size_t i = 1; i < w->records.size(); ++i)
        if (visible[i]) ShowWindow(w->records[i].live_object, SW_SHOWNA);
    app_.BusyDown();

    for (int32_t event : {0, 3, 4}) {
        if (!IsWindow(window)) break;
        RaiseSimple(id, 0, event, {}, nullptr);
    }
    if (!IsWindow(window) || !IsLoaded(id)) return IsLoaded(id);

    if (visible[0]) {
        int show = SW_SHOWNORMAL;
        if (!reuse && app_.ProgramKind() != 0) {
            LRESULT state = SendMessageA(window, kMsgStartState, 0, 0);
            if (state == 3) show = SW_SHOWMAXIMIZED;
            else if (state == 2) show = SW_SHOWMINIMIZED;
        }
        ShowWindow(window, show);
        HWND focus = GetFocus();
        if (focus && (focus == window || IsChild(window, focus))) {
            WindowId fw;
            UnitId fu;
            if (UnitOfWindow(focus, &fw, &fu) && fw == id) RaiseSimple(id, fu, kEventGotFocus, {}, nullptr);
        }
    }
    if (modal) {
        for (auto& l : loaded_) {
            if (l.id == id || !IsWindow(l.hwnd)) continue;
            bool enabled = IsWindowEnabled(l.hwnd);
            if (enabled) EnableWindow(l.hwnd, FALSE);
            for (auto& m : loaded_)
                if (m.id == id) m.disabledByModal.push_back({l.hwnd, enabled});
        }
        // A modal load returns when the window has been closed.
        while (IsLoaded(id)) {
            MSG msg;
            BOOL got = GetMessageA(&msg, 0, 0, 0);
            if (got <= 0) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                break;
            }
            if (!PreTranslate(msg)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        }
    }
    return true;
}

void WindowRuntime::LoadStartWindow(WindowId id) {
    if (!LoadWindow(id, false, false, 0)) ReportFatalError(FatalMessage::StartWindow);
}

// --- copying a unit ---------------------------------------------------------------

UnitId WindowRuntime::CopyUnit(WindowId window, UnitId source) {
    WindowTemplate* w = app_.Table().Find(window);
    if (!w || !IsLoaded(window) || w->records.empty()) return 0;
    TemplateRecord* src = w->Find(source);
    if (!src || src == &w->records.front() || src->kind != templates::RecordKind::Unit) return 0;
    const UnitType* type = TypeOf(src->type_code);
    if (!type) return 0;
    // A fresh number above every record's, keeping the source's kind byte.
    uint32_t highest = 0;
    for (const auto& r : w->records) highest = std::max(highest, r.id & 0x00FFFFFFu);
    if (highest >= 0x00FFFFFFu) return 0;
    const UnitId id = (src->id & 0xFF000000u) | (highest + 1);

    TemplateRecord copy = *src;
    copy.id = id;
    copy.live_object = 0;
    copy.cursor_handle = 0;
    copy.children.clear();
    copy.reserved[0] = source;  // shares the source's handlers
    const HWND sourceWindow = Live(*src) ? src->live_object : 0;
    const UnitId parentId = src->parent;
    w->records.push_back(std::move(copy));  // src is not used past here
    if (parentId != 0)
        if (TemplateRecord* p = FindRecord(*w, parentId)) p->children.push_back(id);
    if (!sourceWindow) return id;

    auto create = Operation<CreateUnitOp>(*type, kOpCreateUnit);
    TemplateRecord& r = w->records.back();
    HWND h = 0;
    if (create) {
        app_.BusyUp();
        uint32_t styles = 0;
        const bool neverShown = (type->flags & kTypeNeverShown) != 0;
        if ((r.flags & templates::kUnitDisabled) && !neverShown) styles |= WS_DISABLED;
        if (r.flags & templates::kUnitTabStop) styles |= WS_TABSTOP;
        const uint32_t controlId = 100 + 10 * static_cast<uint32_t>(w->records.size());
        h = create(r.unit_data.data(), static_cast<uint32_t>(r.unit_data.size()), styles, GetParent(sourceWindow),
                   controlId, 0, r.left, r.top, r.width, r.height, window, id, 0, 0);
        if (h) {
            r.live_object = h;
            units_[h] = {window, id};
            SetWindowPos(h, sourceWindow, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            r.cursor_handle = CursorFromBlock(r.mouse_pointer);
            SendMessageA(h, kMsgTemplateComplete, 0, 0);
            if (!neverShown && (r.flags & templates::kUnitVisible)) ShowWindow(h, SW_SHOWNA);
        }
        app_.BusyDown();
    }
    if (h) return id;
    // The live copy could not be made: take the record back out.
    w->records.pop_back();
    if (parentId != 0)
        if (TemplateRecord* p = FindRecord(*w, parentId); p && !p->children.empty() && p->children.back() == id)
            p->children.pop_back();
    return 0;
}

// --- closing --------------------------------------------------------------------

void WindowRuntime::UnitDestroyed(WindowId window, UnitId unit) {
    WindowTemplate* w = app_.Table().Find(window);
    if (!w) return;
    TemplateRecord* r = FindRecord(*w, unit);
    if (!r) return;
    if (r == &w->records.front()) {
        if (IsLoaded(window)) WindowClosed(window);
        return;
    }
    // The old window of a unit being re-created: its record already holds the new one.
    if (rebuilding_ != 0 && r->live_object != rebuilding_ && r->id == rebuildingUnit_) return;
    units_.erase(r->live_object);
    r->live_object = 0;
    r->cursor_handle = 0;
}

void WindowRuntime::WindowClosed(WindowId window) {
    auto it = std::find_if(loaded_.begin(), loaded_.end(), [&](const LoadedWindow& l) { return l.id == window; });
    if (it == loaded_.end()) return;
    LoadedWindow closed = std::move(*it);
    loaded_.erase(it);
    for (auto u = units_.begin(); u != units_.end();) u = u->second.window == window ? units_.erase(u) : std::next(u);
    idle_.erase(std::remove_if(idle_.begin(), idle_.end(), [&](const IdleCallback& c) { return c.window == closed.hwnd; }),
                idle_.end());
    if (WindowTemplate* w = app_.Table().Find(window)) w->records = std::move(closed.pristine);
    for (auto& [h, enabled] : closed.disabledByModal)
        if (enabled && IsWindow(h)) EnableWindow(h, TRUE);
    // The modal window was hidden, and gave up activation, while its owners
    // were still disabled, so nothing took it: hand it back to the window
    // that had it, as a dialog's end does.
    HWND back = closed.activeBeforeModal;
    if (back && IsWindow(back) && IsWindowVisible(back) && IsWindowEnabled(back)) {
        HWND now = GetActiveWindow();
        if (!now || now == closed.hwnd || !IsWindowVisible(now)) SetActiveWindow(back);
    }
    if (loaded_.empty() && loopStarted_) PostQuitMessage(0);
}

// --- properties -----------------------------------------------------------------

uint64_t WindowRuntime::ReadProperty(WindowId window, UnitId unit, int32_t property, int32_t member) {
    WindowTemplate* w = app_.Table().Find(window);
    if (!w) ReportFatalError(FatalMessage::WindowNotLoaded);
    TemplateRecord* r = FindRecord(*w, unit);
    if (!r) ReportFatalError(FatalMessage::UnitMissing);
    NotifyRoutine notify = &NotifyRuntime;
    if (r->IsMenuItem()) {
        switch (property) {
            case 0: return reinterpret_cast<uintptr_t>(MakeText(notify, r->caption.data(), r->caption.size()));
            case 1: return (r->flags & templates::kMenuChecked) != 0;
            case 2: return (r->flags & templates::kMenuDisabled) != 0;
            case 3: return (r->flags & templates::kMenuHidden) == 0;
            default: return 0;
        }
    }
    const bool live = Live(*r);
    if (property >= 0 && property < 8) {
        RECT rc{};
        if (live) {
            GetWindowRect(r->live_object, &rc);
            HWND parent = GetParent(r->live_object);
            if (parent && !(GetWindowLongA(r->live_object, GWL_STYLE) & WS_POPUP)) {
                POINT p{rc.left, rc.top};
                ScreenToClient(parent, &p);
                OffsetRect(&rc, p.x - rc.left, p.y - rc.top);
            }
        }
        switch (property) {
            case 0: return static_cast<uint32_t>(live ? rc.left : r->left);
            case 1: return static_cast<uint32_t>(live ? rc.top : r->top);
            case 2: return static_cast<uint32_t>(live ? rc.right - rc.left : r->width);
            case 3: return static_cast<uint32_t>(live ? rc.bottom - rc.top : r->height);
            case 4: return reinterpret_cast<uintptr_t>(MakeText(notify, r->tag.data(), r->tag.size()));
            case 5: return live ? IsWindowVisible(r->live_object) != 0 : (r->flags & templates::kUnitVisible) != 0;
            case 6: return live ? IsWindowEnabled(r->live_object) == 0 : (r->flags & templates::kUnitDisabled) != 0;
            default:
                return reinterpret_cast<uintptr_t>(MakeByteSet(notify, r->mouse_pointer.data(), r->mouse_pointer.size()));
        }
    }
    if (!live) ReportFatalError(FatalMessage::UnitNotLoaded);
    const UnitType* type = TypeOf(r->type_code);
    auto get = type ? Operation<GetUnitPropertyOp>(*type, kOpGetUnitProperty) : nullptr;
    if (!get || property < 0 || static_cast<uint32_t>(property) >= type->propertyCount) return 0;
    PropertyValue raw{};
    if (!get(r->live_object, property - 8, &raw)) return 0;
    uint8_t defaultFont[60];
    DefaultFontBytes(defaultFont);
    PropertyContext context{notify, defaultFont, PixelsPerInchY(), nullptr};
    uint64_t value = 0;
    PropertyToProgramValue(type->properties[property].kind, raw, member, context, &value);
    return value;
}

void WindowRuntime::WriteProperty(WindowId window, UnitId unit, int32_t property, int32_t member, uint64_t value) {
    WindowTemplate* w = app_.Table().Find(window);
    if (!w) ReportFatalError(FatalMessage::WindowNotLoaded);
    TemplateRecord* r = FindRecord(*w, unit);
    if (!r) ReportFatalError(FatalMessage::UnitMissing);
    const auto v32 = static_cast<int32_t>(static_cast<uint32_t>(value));
    const char* text = reinterpret_cast<const char*>(static_cast<uintptr_t>(value));
    if (r->IsMenuItem()) {
        static constexpr uint32_t kBits[] = {0, templates::kMenuChecked, templates::kMenuDisabled,
                                             templates::kMenuHidden};
        if (property == 0) r->caption = text ? text : "";
        else if (property >= 1 && property <= 3) {
            bool set = property == 3 ? v32 == 0 : v32 != 0;
            r->flags = set ? r->flags | kBits[property] : r->flags & ~kBits[property];
        }
        return;
    }
    const bool live = Live(*r);
    HWND h = r->live_object;
    switch (property) {
        case 0:
        case 1: {
            int32_t v = Clamp(v32, -kPositionLimit, kPositionLimit);
            (property == 0 ? r->left : r->top) = v;
            if (live) {
                RECT rc{};
                GetWindowRect(h, &rc);
                POINT p{rc.left, rc.top};
                HWND parent = GetParent(h);
                if (parent && !(GetWindowLongA(h, GWL_STYLE) & WS_POPUP)) ScreenToClient(parent, &p);
                (property == 0 ? p.x : p.y) = v;
                SetWindowPos(h, 0, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            }
            return;
        }
        case 2:
        case 3: {
            int32_t v = Clamp(v32, 0, kPositionLimit);
            (property == 2 ? r->width : r->height) = v;
            if (live) {
                RECT rc{};
                GetWindowRect(h, &rc);
                int cx = property == 2 ? v : rc.right - rc.left, cy = property == 3 ? v : rc.bottom - rc.top;
                SetWindowPos(h, 0, 0, 0, cx, cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            }
            return;
        }
        case 4: r->tag = text ? text : ""; return;
        case 5: {
            r->flags = v32 ? r->flags | templates::kUnitVisible : r->flags & ~templates::kUnitVisible;
            if (!live) return;
            const UnitType* type = TypeOf(r->type_code);
            if (type && (type->flags & kTypeNeverShown)) return;
            if (!v32) {
                ShowWindow(h, SW_HIDE);
                return;
            }
            // A unit on a tab control's page that is not selected stays hidden.
            if (r->parent != 0)
                if (TemplateRecord* p = FindRecord(*w, r->parent); p && p->type_code == kTabControlType) return;
            ShowWindow(h, r == &w->records.front() ? SW_SHOW : SW_SHOWNA);
            return;
        }
        case 6:
            r->flags = v32 ? r->flags | templates::kUnitDisabled : r->flags & ~templates::kUnitDisabled;
            if (live) EnableWindow(h, v32 ? FALSE : TRUE);
            return;
        case 7: {
            const void* set = reinterpret_cast<const void*>(static_cast<uintptr_t>(value));
            std::string_view bytes = ByteSetView(set);
            r->mouse_pointer.assign(bytes.begin(), bytes.end());
            r->cursor_handle = CursorFromBlock(r->mouse_pointer);
            if (live) {
                POINT p;
                GetCursorPos(&p);
                SetCursorPos(p.x, p.y);
            }
            return;
        }
        default: break;
    }
    if (!live) ReportFatalError(FatalMessage::UnitNotLoaded);
    const UnitType* type = TypeOf(r->type_code);
    auto set = type ? Operation<SetUnitPropertyOp>(*type, kOpSetUnitProperty) : nullptr;
    if (!set || property < 0 || static_cast<uint32_t>(property) >= type->propertyCount) return;
    const uint16_t kind = type->properties[property].kind;
    PropertyValue raw{};
    uint8_t font[60];
    switch (kind) {
        case kKindPick: raw.value = static_cast<uint32_t>(std::max(v32, 0)); break;
        case kKindLogic: raw.value = v32 != 0; break;
        case kKindDouble: case kKindDate: raw.value = value; break;
        case kKindText: case kKindFileName: case 1018: case 1020:
            raw.value = reinterpret_cast<uintptr_t>(text ? text : "");
            break;
        case kKindPicture: case kKindIcon: case kKindMousePointer: case kKindSound: case kKindBytes:
        case kKindCustom: {
            const void* block = reinterpret_cast<const void*>(static_cast<uintptr_t>(value));
            raw.value = reinterpret_cast<uintptr_t>(block ? ByteSetData(block) : nullptr);
            raw.length = static_cast<uint32_t>(block ? ByteSetLength(block) : 0);
            break;
        }
        case kKindFont: {
            PropertyValue current{};
            auto get = Operation<GetUnitPropertyOp>(*type, kOpGetUnitProperty);
            if (get && get(h, property - 8, &current) && current.length == 60 && current.value)
                std::memcpy(font, reinterpret_cast<const void*>(static_cast<uintptr_t>(current.value)), 60);
            else
                DefaultFontBytes(font);
            ApplyFontMember(font, member, value, PixelsPerInchY());
            raw.value = reinterpret_cast<uintptr_t>(font);
            raw.length = 60;
            break;
        }
        default: raw.value = static_cast<uint32_t>(value); break;
    }
    uint32_t out = 0;
    if (set(h, property - 8, &raw, &out) == 1 && r != &w->records.front() && Live(*r) &&
        !(type->flags & kTypeNeverRebuilt))
        RebuildUnit(*w, *r, *type);
}

void WindowRuntime::RebuildUnit(WindowTemplate& w, TemplateRecord& r, const UnitType& type) {
    auto save = Operation<SaveUnitPropertiesOp>(type, kOpSaveUnitProperties);
    auto create = Operation<CreateUnitOp>(type, kOpCreateUnit);
    if (!save || !create) return;
    app_.BusyUp();
    HWND old = r.live_object;
    uint32_t length = 0;
    uint8_t* data = save(old, &length);
    bool hadFocus = GetFocus() == old;
    HWND parent = GetParent(old);
    RECT rc{};
    GetWindowRect(old, &rc);
    POINT p{rc.left, rc.top};
    ScreenToClient(parent, &p);
    uint32_t styles = (GetWindowLongA(old, GWL_STYLE) & (WS_DISABLED | WS_TABSTOP));
    bool wasVisible = IsWindowVisible(old);
    HWND fresh = create(data, length, styles, parent, static_cast<uint32_t>(GetDlgCtrlID(old)), 0, p.x, p.y,
                        rc.right - rc.left, rc.bottom - rc.top, w.id, r.id, 0, 0);
    if (data) NotifyRuntime(kNotifyFreeMemory, reinterpret_cast<uintptr_t>(data), 0);
    if (!fresh) {
        app_.BusyDown();
        return;
    }
    if (type.flags & kTypeContainer) {
        std::vector<HWND> children;
        for (HWND c = GetWindow(old, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) children.push_back(c);
        for (HWND c : children) SetParent(c, fresh);
    }
    SetWindowPos(fresh, old, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    units_.erase(old);
    units_[fresh] = {w.id, r.id};
    r.live_object = fresh;
    rebuilding_ = old;
    rebuildingUnit_ = r.id;
    DestroyWindow(old);
    rebuilding_ = 0;
    rebuildingUnit_ = 0;
    if (wasVisible) ShowWindow(fresh, SW_SHOWNA);
    if (hadFocus) SetFocus(fresh);
    app_.BusyDown();
}

// --- events -----------------------------------------------------------------------

ProgramRoutine WindowRuntime::FindHandler(WindowId window, UnitId unit, int32_t event) {
    if (app_.Busy() > 0) return nullptr;
    WindowTemplate* w = app_.Table().Find(window);
    if (!w) ReportFatalError(FatalMessage::EventWindow);
    TemplateRecord* r = FindRecord(*w, unit);
    if (!r) ReportFatalError(FatalMessage::EventUnit);
    const UnitId own = r->id;
    ProgramRoutine routine = nullptr;
    if (r->IsMenuItem() || r->type_code == kMenuItemType) {
        routine = r->menu_handler.routine;
    } else {
        // Copies share the handlers of the unit they were copied from.
        for (size_t guard = 0; r->reserved[0] != 0 && guard < w->records.size(); ++guard) {
            TemplateRecord* from = w->Find(r->reserved[0]);
            if (!from || from == r || from->type_code != r->type_code) break;
            r = from;
        }
        const UnitType* type = TypeOf(r->type_code);
        if (!type || !(type->flags & (kTypeAllowsEvents | kTypeAllowsEventsOld)))
            ReportFatalError(FatalMessage::EventUnitInvalid);
        for (const auto& e : r->events)
            if (e.event == event) {
                routine = e.routine;
                break;
            }
    }
    if (!routine) return nullptr;
    contextWindow_ = window;
    contextUnit_ = own;
    return routine;
}

int32_t WindowRuntime::RaiseEvent(EventRecord& record) {
    ProgramRoutine f = FindHandler(record.window, record.unit, record.event);
    if (!f) return 0;
    uint64_t args[5] = {};
    uint32_t n = std::min<uint32_t>(record.argCount, 5);
    for (uint32_t i = 0; i < n; ++i) args[i] = record.args[i];
    uint64_t result = CallRoutine(f, args, n);
    contextWindow_ = 0;
    record.result = static_cast<uint32_t>(result);
    record.hasResult = 1;
    return 1;
}

int32_t WindowRuntime::RaiseTypedEvent(TypedEventRecord& record) {
    ProgramRoutine f = FindHandler(record.window, record.unit, record.event);
    if (!f) return 0;
    uint64_t args[12] = {};
    uint32_t n = std::min<uint32_t>(record.argCount, 12);
    for (uint32_t i = 0; i < n; ++i) {
        const TypedEventArg& a = record.args[i];
        const uint32_t low = static_cast<uint32_t>(a.value);
        if (a.flags & 1) args[i] = low;
        else if ((a.flags & 2) || a.type == kMenuItemType) args[i] = a.value;
        else switch (a.type) {
            case kTypeByte: args[i] = static_cast<uint8_t>(a.value); break;
            case kTypeShort: args[i] = static_cast<uint32_t>(static_cast<int32_t>(static_cast<int16_t>(a.value))); break;
            case kTypeLong: case kTypeDouble: case kTypeDateTime: case 0x80000008: args[i] = a.value; break;
            default: args[i] = low; break;
        }
    }
    uint64_t result = CallRoutine(f, args, n);
    contextWindow_ = 0;
    record.result = result;
    record.hasResult = 1;
    return 1;
}

bool WindowRuntime::RaiseSimple(WindowId window, UnitId unit, int32_t event, std::initializer_list<uint32_t> args,
                                uint32_t* result) {
    EventRecord r;
    r.window = window;
    r.unit = unit;
    r.event = event;
    for (uint32_t a : args) r.args[r.argCount++] = a;
    if (!RaiseEvent(r)) return false;
    if (result) *result = r.result;
    return true;
}

bool WindowRuntime::EventContext(uint32_t* window, uint32_t* unit) const {
    if (contextWindow_ == 0) return false;
    *window = contextWindow_;
    *unit = contextUnit_;
    return true;
}

void WindowRuntime::AddIdleCallback(const IdleCallback& entry) {
    for (const auto& e : idle_)
        if (e.window == entry.window) return;
    idle_.push_back(entry);
}

void WindowRuntime::RemoveIdleCallback(uint32_t window) {
    idle_.erase(std::remove_if(idle_.begin(), idle_.end(), [&](const IdleCallback& c) { return c.window == window; }),
                idle_.end());
}

// --- the loop ---------------------------------------------------------------------

bool WindowRuntime::PreTranslate(MSG& msg) {
    WindowId window;
    UnitId unit;
    if (!msg.hwnd || !UnitOfWindow(msg.hwnd, &window, &unit)) return false;
    uint32_t result = 0;
    auto mouse = [&](int32_t event) {
        uint32_t x = LOWORD(msg.lParam), y = HIWORD(msg.lParam);
        return RaiseSimple(window, unit, event, {x, y, KeyState()}, &result) && result == 0;
    };
    switch (msg.message) {
        case WM_LBUTTONDOWN: if (mouse(kEventLeftDown)) return true; break;
        case WM_LBUTTONUP: if (mouse(kEventLeftUp)) return true; break;
        case WM_LBUTTONDBLCLK: if (mouse(kEventLeftDoubleClick)) return true; break;
        case WM_RBUTTONDOWN: if (mouse(kEventRightDown)) return true; break;
        case WM_RBUTTONUP: if (mouse(kEventRightUp)) return true; break;
        case WM_MOUSEMOVE: if (mouse(kEventMouseMove)) return true; break;
        case WM_KEYDOWN: case WM_SYSKEYDOWN: case WM_KEYUP: case WM_SYSKEYUP: {
            const bool down = msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN;
            uint32_t vk = static_cast<uint32_t>(msg.wParam);
            if (RaiseSimple(window, unit, down ? kEventKeyDown : kEventKeyUp, {ReportedKeyCode(vk), KeyStateFor(vk)},
                            &result) &&
                result == 0)
                return true;
            break;
        }
        case WM_CHAR:
            if (RaiseSimple(window, unit, kEventChar, {static_cast<uint32_t>(msg.wParam)}, &result)) {
                if (result == 0) return true;
                msg.wParam = result;
            }
            break;
        case WM_MOUSEWHEEL: {
            int32_t delta = static_cast<int16_t>(HIWORD(msg.wParam)) / 120;
            if (RaiseSimple(window, unit, kEventWheel, {static_cast<uint32_t>(delta), KeyState()}, &result) &&
                result == 0)
                return true;
            break;
        }
        default: break;
    }
    // The window's own key handling.
    HWND top = WindowHandle(window);
    if (top && IsWindow(top) && SendMessageA(top, kMsgPreTranslate, 0, reinterpret_cast<LPARAM>(&msg)) == 1)
        return true;
    return false;
}

int32_t WindowRuntime::IdleProcessing(int32_t count) {
    if (count == 0) {
        idleClock_ = GetTickCount();
        idleFinished_.clear();
        return 1;
    }
    if (count == 1) return 1;
    bool more = false;
    std::vector<WindowId> ids;
    for (const auto& l : loaded_) ids.push_back(l.id);
    for (WindowId id : ids) {
        if (std::find(idleFinished_.begin(), idleFinished_.end(), id) != idleFinished_.end() || !IsLoaded(id)) continue;
        uint32_t result = 0;
        if (RaiseSimple(id, 0, 7, {GetTickCount() - idleClock_}, &result) && result != 0) more = true;
        else idleFinished_.push_back(id);
    }
    return more;
}

void WindowRuntime::RunMessageLoop() {
    loopStarted_ = true;
    if (loaded_.empty()) return;
    int32_t idleCount = 0;
    for (;;) {
        MSG msg;
        while (!PeekMessageA(&msg, 0, 0, 0, PM_NOREMOVE)) {
            // Last registered first; an entry whose window is gone is dropped.
            for (size_t i = idle_.size(); i-- > 0;) {
                if (i >= idle_.size()) continue;
                IdleCallback c = idle_[i];
                if (!IsWindow(c.window)) idle_.erase(idle_.begin() + static_cast<ptrdiff_t>(i));
                else if (c.routine) c.routine(c.argument);
            }
            if (!IdleProcessing(idleCount++)) break;
        }
        if (!GetMessageA(&msg, 0, 0, 0)) return;
        idleCount = 0;
        if (!PreTranslate(msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

void WindowRuntime::ProcessPendingMessages() {
    MSG msg;
    while (PeekMessageA(&msg, 0, 0, 0, PM_NOREMOVE)) {
        if (msg.message == WM_QUIT) return;
        PeekMessageA(&msg, 0, 0, 0, PM_REMOVE);
        if (!PreTranslate(msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

// --- notify -----------------------------------------------------------------------

intptr_t WindowRuntime::Notify(int32_t message, uintptr_t p1, uintptr_t p2) {
    const auto id1 = static_cast<uint32_t>(p1), id2 = static_cast<uint32_t>(p2);
    switch (message) {
        case kNotifyGetWindowTable: return reinterpret_cast<intptr_t>(&app_.Table());
        case kNotifyAttachObject: case kNotifyDetachObject: case kNotifyObjectHandle: return static_cast<intptr_t>(p1);
        case kNotifyDestroyObject: if (IsWindow(id1)) DestroyWindow(id1); return 0;
        case kNotifyAttachHandle: return 1;
        case kNotifyAddIdleCallback:
            if (p1) AddIdleCallback(*reinterpret_cast<const IdleCallback*>(p1));
            return 0;
        case kNotifyRemoveIdleCallback: RemoveIdleCallback(id1); return 0;
        case kNotifyUnitDestroyed: UnitDestroyed(id1, id2); return 0;
        case kNotifyLoadWindow: {
            if (!p1) return -1;
            auto req = *reinterpret_cast<const LoadWindowRequest*>(p1);
            return LoadWindow(req.window, false, req.modal != 0, req.owner) ? 0 : -1;
        }
        case kNotifyFindUnit:
        case kNotifyFindUnitOrFail: {
            uint32_t live = 0;
            if (WindowTemplate* w = app_.Table().Find(id1); w && IsLoaded(id1))
                if (TemplateRecord* r = FindRecord(*w, id2); r && Live(*r)) live = r->live_object;
            if (!live && message == kNotifyFindUnitOrFail) ReportFatalError(FatalMessage::UnitMissing);
            return live;
        }
        case kNotifyRaiseEvent: return p1 ? RaiseEvent(*reinterpret_cast<EventRecord*>(p1)) : 0;
        case kNotifyRaiseTypedEvent: return p1 ? RaiseTypedEvent(*reinterpret_cast<TypedEventRecord*>(p1)) : 0;
        case kNotifyBusyUp: app_.BusyUp(); ProcessPendingMessages(); return 0;
        case kNotifyBusyDown: app_.BusyDown(); ProcessPendingMessages(); return 0;
        case kNotifyEventContext: {
            uint32_t w = 0, u = 0;
            if (!EventContext(&w, &u)) return 0;
            if (p1) {
                reinterpret_cast<uint32_t*>(p1)[0] = w;
                reinterpret_cast<uint32_t*>(p1)[1] = u;
            }
            return 1;
        }
        case kNotifyProcessMessages: ProcessPendingMessages(); return 0;
        case kNotifyUnitTypeCode: {
            WindowTemplate* w = app_.Table().Find(id1);
            TemplateRecord* r = w ? FindRecord(*w, id2) : nullptr;
            return r ? r->type_code : 0;
        }
        case kNotifyCopyUnit: {
            if (!p1) return 0;
            auto* req = reinterpret_cast<CopyUnitRequest*>(p1);
            UnitId id = CopyUnit(req->window, req->source);
            if (!id) return 0;
            req->newUnit = id;
            return 1;
        }
        case kNotifyWindowHandle: {
            auto& windows = app_.Table().Windows();
            return p1 < windows.size() ? WindowHandle(windows[p1].id) : 0;
        }
        default: return 0;
    }
}

}  // namespace runtime::windowing
