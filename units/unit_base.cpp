#include "units/unit_base.h"

#include <algorithm>

namespace units {

Unit::~Unit() = default;

Unit* Unit::FromWindow(HWND hwnd) {
    if (!hwnd || !IsWindow(hwnd)) return nullptr;
    WNDPROC proc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(hwnd, GWLP_WNDPROC));
    if (proc != &UnitWindowProc) return nullptr;  // not one of ours: the user data is not a unit
    return reinterpret_cast<Unit*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

void Unit::KeepReferences(const CreateArgs& args) {
    windowId_ = args.windowId;
    unitId_ = args.unitId;
    designMode_ = args.designMode;
}

HWND Unit::CreateBound(DWORD exStyle, const char* className, const char* title, DWORD style, const CreateArgs& args,
                       HWND parentOrOwner) {
    KeepReferences(args);
    WNDCLASSA wc{};
    GetClassInfoA(0, className, &wc);
    const bool ours = wc.lpfnWndProc == &UnitWindowProc;
    // Our own classes bind at WM_NCCREATE through the creation parameter;
    // system controls are subclassed once they exist.
    HWND h = CreateWindowExA(exStyle, className, title, style, args.left, args.top, args.width, args.height,
                             parentOrOwner, static_cast<HMENU>(args.controlId ? args.controlId : args.menu), 0,
                             ours ? this : nullptr);
    if (!h) return 0;
    if (!ours) {
        hwnd_ = h;
        SetWindowLongPtrA(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        previous_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&UnitWindowProc)));
    }
    return h;
}

LRESULT Unit::Default(UINT message, WPARAM w, LPARAM l) {
    return previous_ ? CallWindowProcA(previous_, hwnd_, message, w, l) : DefWindowProcA(hwnd_, message, w, l);
}

LRESULT Unit::WindowProc(UINT message, WPARAM w, LPARAM l) { return Default(message, w, l); }

bool Unit::ReflectToChild(UINT message, WPARAM w, LPARAM l, LRESULT* result) {
    HWND child = 0;
    switch (message) {
        case WM_COMMAND:  // a control's notification; menus and accelerators carry no sender
        case WM_HSCROLL:
        case WM_VSCROLL:
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC: child = static_cast<HWND>(static_cast<uint32_t>(l)); break;
        // These name the sender by its control identifier.
        case WM_DRAWITEM:
        case WM_COMPAREITEM:
        case WM_DELETEITEM: child = GetDlgItem(hwnd_, static_cast<int>(w)); break;
        default: return false;
    }
    if (reflecting_ || !child || child == hwnd_ || GetParent(child) != hwnd_ || !Unit::FromWindow(child)) return false;
    ++reflecting_;
    const HWND self = hwnd_;
    const LRESULT r = SendMessageA(child, message, w, l);
    // The child's handler may have destroyed this container.
    if (IsWindow(self) && FromWindow(self) == this) --reflecting_;
    const bool noAnswer = message == WM_COMMAND || message == WM_HSCROLL || message == WM_VSCROLL;
    if (r == 0 && !noAnswer) return false;
    if (result) *result = r;
    return true;
}

bool Unit::Raise(int32_t event, std::initializer_list<uint32_t> args, uint32_t* result) {
    runtime::EventRecord r;
    r.window = windowId_;
    r.unit = unitId_;
    r.event = event;
    for (uint32_t a : args)
        if (r.argCount < 5) r.args[r.argCount++] = a;
    if (!runtime::NotifyRuntime(runtime::kNotifyRaiseEvent, reinterpret_cast<uintptr_t>(&r), 0)) return false;
    if (result) *result = r.result;
    return true;
}

LRESULT UnitWindowProc(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(l);
        if (auto* unit = static_cast<Unit*>(cs->lpCreateParams)) {
            unit->hwnd_ = hwnd;
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(unit));
        }
    }
    auto* unit = reinterpret_cast<Unit*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!unit) return DefWindowProcA(hwnd, message, w, l);
    if (message == WM_NCDESTROY) {
        LRESULT r = unit->Default(message, w, l);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        const uint32_t window = unit->WindowId(), id = unit->UnitId();
        delete unit;
        // The runtime clears the unit's live word (or closes the window).
        runtime::NotifyRuntime(runtime::kNotifyUnitDestroyed, window, id);
        return r;
    }
    // Focus events come from each unit's own focus notifications. Focus
    // moving between a unit and its own inner windows that are no units (a
    // combo box's edit field) neither leaves nor enters the unit.
    if (message == WM_SETFOCUS || message == WM_KILLFOCUS) {
        const HWND other = static_cast<HWND>(static_cast<uint32_t>(w));
        if (other && IsChild(hwnd, other) && !Unit::FromWindow(other)) return unit->WindowProc(message, w, l);
    }
    // The events follow the unit's own handling, so a lost-focus handler sees
    // the text an edit box has normalised on leaving.
    if (message == WM_SETFOCUS || message == WM_KILLFOCUS) {
        const LRESULT r = unit->WindowProc(message, w, l);
        if (!IsWindow(hwnd) || Unit::FromWindow(hwnd) != unit) return r;  // destroyed meanwhile
        if (message == WM_KILLFOCUS) unit->Raise(runtime::kEventLostFocus);
        // A unit that hands the focus on to an inner window raises its own
        // event for that window.
        else if (GetFocus() == hwnd) unit->Raise(runtime::kEventGotFocus);
        return r;
    }
    return unit->WindowProc(message, w, l);
}

bool RegisterUnitClass(const char* name) {
    WNDCLASSA wc{};
    if (GetClassInfoA(0, name, &wc)) return true;
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = &UnitWindowProc;
    wc.hCursor = LoadCursorA(0, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    wc.lpszClassName = name;
    return RegisterClassA(&wc) != 0;
}

void ApplyBorderStyle(HWND hwnd, int32_t style) {
    DWORD ex = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_EXSTYLE)) &
               ~(WS_EX_CLIENTEDGE | WS_EX_STATICEDGE | WS_EX_DLGMODALFRAME);
    DWORD st = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE)) & ~WS_BORDER;
    switch (style) {
        case 1: ex |= WS_EX_CLIENTEDGE; break;
        case 2: ex |= WS_EX_DLGMODALFRAME; break;
        case 3: ex |= WS_EX_STATICEDGE; break;
        case 4: ex |= WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME; break;
        case 5: st |= WS_BORDER; break;
        default: break;
    }
    SetWindowLongA(hwnd, GWL_EXSTYLE, static_cast<LONG>(ex));
    SetWindowLongA(hwnd, GWL_STYLE, static_cast<LONG>(st));
    SetWindowPos(hwnd, 0, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

HFONT ApplyFont(HWND hwnd, std::span<const uint8_t> logfont) {
    HFONT font = 0;
    if (logfont.size() == sizeof(LOGFONTA)) {
        LOGFONTA lf;
        std::memcpy(&lf, logfont.data(), sizeof lf);
        lf.lfCharSet = DEFAULT_CHARSET;
        lf.lfOutPrecision = 0;
        lf.lfClipPrecision = 0;
        lf.lfQuality = 2;  // PROOF_QUALITY
        lf.lfPitchAndFamily = 0;
        font = CreateFontIndirectA(&lf);
    }
    HFONT use = font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    SendMessageA(hwnd, WM_SETFONT, use, TRUE);
    return font;
}

COLORREF ResolveBackColour(uint32_t colour) {
    return colour == 0xFF000000u ? GetSysColor(COLOR_BTNFACE) : (colour & 0x00FFFFFFu);
}

}  // namespace units
