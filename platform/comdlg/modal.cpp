// The modal loop shared by the common dialogs.
#include "platform/comdlg/modal.h"

#include "platform/controls/controls_internal.h"
#include "win/commctrl.h"
#include "win/gdi.h"
#include "win/kernel.h"

namespace platform::comdlg {

const char* const kLabelClass = "SigDlgLabel";

namespace {

LRESULT CALLBACK LabelProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(h, &ps);
        RECT r;
        GetClientRect(h, &r);
        HBRUSH b = controls::ControlColor(h, WM_CTLCOLORSTATIC, dc);
        FillRect(dc, &r, b);
        HGDIOBJ of = SelectObject(dc, controls::DefaultFont());
        char buf[1024];
        int n = GetWindowTextA(h, buf, sizeof buf);
        SetBkMode(dc, TRANSPARENT);
        DrawTextA(dc, buf, n, &r, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
        SelectObject(dc, of);
        EndPaint(h, &ps);
        return 0;
    }
    if (m == WM_SETTEXT) {
        LRESULT r = DefWindowProcA(h, m, wp, lp);
        InvalidateRect(h, nullptr, TRUE);
        return r;
    }
    if (m == WM_ERASEBKGND) return 1;
    return DefWindowProcA(h, m, wp, lp);
}

LRESULT CALLBACK DialogProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    auto* d = reinterpret_cast<ModalWindow*>(GetWindowLongPtrA(h, GWLP_USERDATA));
    if (!d) return DefWindowProcA(h, m, wp, lp);
    switch (m) {
        case WM_COMMAND:
            if (d->fn) return d->fn(*d, LOWORD(wp), static_cast<short>(HIWORD(wp)));
            return 0;
        case WM_CLOSE: d->End(false); return 0;
        case WM_PAINT:
            if (d->paint) {
                PAINTSTRUCT ps;
                HDC dc = BeginPaint(h, &ps);
                d->paint(dc);
                EndPaint(h, &ps);
                return 0;
            }
            break;
        case WM_LBUTTONDOWN:
            if (d->click) d->click(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
            return 0;
        default: break;
    }
    return DefWindowProcA(h, m, wp, lp);
}

struct Registrar {
    Registrar() {
        controls::RegisterSystemClass(kLabelClass, LabelProc, 0, 0);
        controls::RegisterSystemClass("SigCommonDialog", DialogProc, 0, static_cast<HBRUSH>(COLOR_BTNFACE + 1));
    }
} registrar;

}  // namespace

ModalWindow::ModalWindow(HWND own, const char* caption, int w, int h, CommandFn f, void* d)
    : owner(own ? GetAncestor(own, GA_ROOT) : 0), data(d), fn(f) {
    RECT r{0, 0, w, h};
    DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    AdjustWindowRectEx(&r, style, FALSE, WS_EX_DLGMODALFRAME);
    int x = 120, y = 100;
    if (owner) {
        RECT o;
        GetWindowRect(owner, &o);
        x = o.left + ((o.right - o.left) - (r.right - r.left)) / 2;
        y = o.top + ((o.bottom - o.top) - (r.bottom - r.top)) / 2;
        x = std::max(0, x);
        y = std::max(0, y);
    }
    hwnd = CreateWindowExA(WS_EX_DLGMODALFRAME, "SigCommonDialog", caption, style, x, y, r.right - r.left,
                           r.bottom - r.top, owner, 0, 0, nullptr);
    if (hwnd) SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

ModalWindow::~ModalWindow() {
    if (hwnd && IsWindow(hwnd)) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        DestroyWindow(hwnd);
    }
}

HWND ModalWindow::Control(const char* cls, const char* text, DWORD style, int x, int y, int w, int h, int id) {
    return CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, hwnd, static_cast<HMENU>(id), 0,
                           nullptr);
}

void ModalWindow::End(bool result) {
    ok = result;
    done = true;
}

bool ModalWindow::Run() {
    if (!hwnd) return false;
    owner_was_enabled = owner && IsWindowEnabled(owner);
    if (owner_was_enabled) EnableWindow(owner, FALSE);
    ShowWindow(hwnd, SW_SHOW);
    SetForegroundWindow(hwnd);
    MSG msg;
    while (!done && IsWindow(hwnd)) {
        BOOL got = GetMessageA(&msg, 0, 0, 0);
        if (got <= 0) {
            // A quit request ends the dialog as a cancel and stays queued for the caller's loop.
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (msg.message == WM_KEYDOWN && (msg.hwnd == hwnd || IsChild(hwnd, msg.hwnd))) {
            HWND f = GetFocus();
            HWND combo = f ? GetParent(f) : 0;
            bool open = (f && SendMessageA(f, CB_GETDROPPEDSTATE, 0, 0) && IsChild(hwnd, f)) ||
                        (combo && combo != hwnd && SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0));
            char cls[32] = "";
            if (f) GetClassNameA(f, cls, sizeof cls);
            bool multiline = lstrcmpiA(cls, "EDIT") == 0 && (GetWindowLongA(f, GWL_STYLE) & ES_WANTRETURN);
            if (!open && msg.wParam == VK_RETURN && !multiline) {
                SendMessageA(hwnd, WM_COMMAND, IDOK, 0);
                continue;
            }
            if (!open && msg.wParam == VK_ESCAPE) {
                SendMessageA(hwnd, WM_COMMAND, IDCANCEL, 0);
                continue;
            }
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (owner_was_enabled && IsWindow(owner)) EnableWindow(owner, TRUE);
    if (IsWindow(hwnd)) ShowWindow(hwnd, SW_HIDE);
    if (owner && IsWindow(owner)) SetActiveWindow(owner);
    return done && ok;
}

}  // namespace platform::comdlg
