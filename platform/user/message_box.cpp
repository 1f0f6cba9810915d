// MessageBoxA. With a display: a real modal box (caption, icon, text and
// buttons) that disables its owner and runs its own message loop. Without
// one (headless, or before any window exists): caption and text on stderr.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/backend/backend.h"
#include "platform/kernel/codepage.h"
#include "platform/user/user_internal.h"
#include "win/msgbox.h"

using namespace platform;
using namespace platform::user;

namespace {

int StderrBox(LPCSTR text, LPCSTR caption, UINT type) {
    // Windows shows "Error" for a NULL caption.
    std::string c = GbkToUtf8(caption ? caption : "Error");
    std::string t = GbkToUtf8(text ? text : "");
    std::fprintf(stderr, "%s: %s\n", c.c_str(), t.c_str());
    std::fflush(stderr);
    // Nobody can press a button: answer with the box's first button, except
    // that a retry box is cancelled so that a caller's retry loop ends.
    switch (type & MB_TYPEMASK) {
        case MB_ABORTRETRYIGNORE: return IDABORT;
        case MB_YESNOCANCEL:
        case MB_YESNO: return IDYES;
        case MB_RETRYCANCEL: return IDCANCEL;
        default: return IDOK;
    }
}

struct Button {
    int id;
    const char* label;  // GBK
};

// Labels as a Chinese desktop shows them (GBK).
std::vector<Button> ButtonsFor(UINT type) {
    static const char ok[] = "\xc8\xb7\xb6\xa8";        // 确定
    static const char cancel[] = "\xc8\xa1\xcf\xfb";    // 取消
    static const char yes[] = "\xca\xc7(&Y)";           // 是(Y)
    static const char no[] = "\xb7\xf1(&N)";            // 否(N)
    static const char retry[] = "\xd6\xd8\xca\xd4(&R)";  // 重试(R)
    static const char abort_[] = "\xd6\xd0\xd6\xb9(&A)";  // 中止(A)
    static const char ignore[] = "\xba\xf6\xc2\xd4(&I)";  // 忽略(I)
    switch (type & MB_TYPEMASK) {
        case MB_OKCANCEL: return {{IDOK, ok}, {IDCANCEL, cancel}};
        case MB_ABORTRETRYIGNORE: return {{IDABORT, abort_}, {IDRETRY, retry}, {IDIGNORE, ignore}};
        case MB_YESNOCANCEL: return {{IDYES, yes}, {IDNO, no}, {IDCANCEL, cancel}};
        case MB_YESNO: return {{IDYES, yes}, {IDNO, no}};
        case MB_RETRYCANCEL: return {{IDRETRY, retry}, {IDCANCEL, cancel}};
        default: return {{IDOK, ok}};
    }
}

struct BoxState {
    int result = 0;
    bool has_cancel = false;
    int default_id = IDOK;
    std::string text;
    HICON icon = 0;
    RECT text_rect{};
};

constexpr char kBoxClass[] = "_SigMessageBox";
constexpr char kButtonClass[] = "_SigMessageBoxButton";

BoxState* StateOf(HWND h) { return reinterpret_cast<BoxState*>(GetWindowLongPtrA(h, GWLP_USERDATA)); }

LRESULT ButtonProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    switch (m) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(h, &ps);
            RECT r;
            GetClientRect(h, &r);
            bool pressed = GetWindowLongPtrA(h, GWLP_USERDATA) != 0;
            bool focused = GetFocus() == h;
            if (focused) {
                FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
                InflateRect(&r, -1, -1);
            }
            DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));
            char label[64];
            GetWindowTextA(h, label, sizeof label);
            SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
            if (pressed) OffsetRect(&r, 1, 1);
            DrawTextA(dc, label, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            if (focused) {
                RECT f = r;
                InflateRect(&f, -4, -4);
                DrawFocusRect(dc, &f);
            }
            EndPaint(h, &ps);
            return 0;
        }
        case WM_LBUTTONDOWN:
            SetFocus(h);
            SetCapture(h);
            SetWindowLongPtrA(h, GWLP_USERDATA, 1);
            InvalidateRect(h, nullptr, FALSE);
            return 0;
        case WM_LBUTTONUP: {
            bool was = GetWindowLongPtrA(h, GWLP_USERDATA) != 0;
            SetWindowLongPtrA(h, GWLP_USERDATA, 0);
            ReleaseCapture();
            InvalidateRect(h, nullptr, FALSE);
            RECT r;
            GetClientRect(h, &r);
            POINT p{GET_X_LPARAM(l), GET_Y_LPARAM(l)};
            if (was && PtInRect(&r, p)) PostMessageA(GetParent(h), WM_COMMAND, static_cast<WPARAM>(GetDlgCtrlID(h)), static_cast<LPARAM>(h));
            return 0;
        }
        case WM_SETFOCUS:
        case WM_KILLFOCUS: InvalidateRect(h, nullptr, FALSE); return 0;
        case WM_KEYDOWN:
            if (w == VK_SPACE || w == VK_RETURN) {
                PostMessageA(GetParent(h), WM_COMMAND, static_cast<WPARAM>(GetDlgCtrlID(h)), static_cast<LPARAM>(h));
                return 0;
            }
            if (w == VK_ESCAPE || w == VK_TAB || w == VK_LEFT || w == VK_RIGHT)
                return SendMessageA(GetParent(h), WM_KEYDOWN, w, l);
            return 0;
        default: return DefWindowProcA(h, m, w, l);
    }
}

LRESULT BoxProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    BoxState* st = StateOf(h);
    switch (m) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(h, &ps);
            if (st) {
                if (st->icon) DrawIconEx(dc, 12, 12, st->icon, 32, 32, 0, 0, DI_NORMAL);
                SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
                SetBkMode(dc, TRANSPARENT);
                SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
                RECT r = st->text_rect;
                DrawTextA(dc, st->text.c_str(), -1, &r, DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
            }
            EndPaint(h, &ps);
            return 0;
        }
        case WM_COMMAND:
            if (st) st->result = static_cast<int>(LOWORD(w));
            return 0;
        case WM_KEYDOWN:
            if (w == VK_ESCAPE && st && st->has_cancel) st->result = IDCANCEL;
            if (w == VK_ESCAPE && st && !st->has_cancel && st->default_id == IDOK) st->result = IDOK;
            if (w == VK_TAB || w == VK_LEFT || w == VK_RIGHT) {
                HWND f = GetFocus();
                HWND next = GetWindow(f, (w == VK_LEFT || (w == VK_TAB && GetKeyState(VK_SHIFT) < 0)) ? GW_HWNDNEXT : GW_HWNDPREV);
                if (!next) next = GetWindow(f, (w == VK_LEFT) ? GW_HWNDFIRST : GW_HWNDLAST);
                if (next) SetFocus(next);
            }
            return 0;
        case WM_CLOSE:
            // The close button counts as Cancel, or as OK for a box with only OK.
            if (st && st->has_cancel) st->result = IDCANCEL;
            else if (st && st->default_id == IDOK && !st->result) st->result = IDOK;
            return 0;
        default: return DefWindowProcA(h, m, w, l);
    }
}

void RegisterBoxClasses() {
    static bool done = false;
    if (done) return;
    done = true;
    WNDCLASSA wc{};
    wc.lpfnWndProc = BoxProc;
    wc.hbrBackground = static_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.hCursor = LoadCursorA(0, IDC_ARROW);
    wc.lpszClassName = kBoxClass;
    RegisterClassA(&wc);
    wc.lpfnWndProc = ButtonProc;
    wc.lpszClassName = kButtonClass;
    RegisterClassA(&wc);
}

int RealBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    RegisterBoxClasses();
    BoxState st;
    st.text = text ? text : "";
    auto buttons = ButtonsFor(type);
    for (auto& b : buttons)
        if (b.id == IDCANCEL) st.has_cancel = true;
    int def = static_cast<int>((type >> 8) & 0xF);
    st.default_id = buttons[std::min<size_t>(static_cast<size_t>(def), buttons.size() - 1)].id;
    switch (type & MB_ICONMASK) {
        case MB_ICONHAND: st.icon = LoadIconA(0, IDI_HAND); break;
        case MB_ICONQUESTION: st.icon = LoadIconA(0, IDI_QUESTION); break;
        case MB_ICONEXCLAMATION: st.icon = LoadIconA(0, IDI_EXCLAMATION); break;
        case MB_ICONASTERISK: st.icon = LoadIconA(0, IDI_ASTERISK); break;
        default: break;
    }
    // Measure the text to size the box.
    HDC screen = GetDC(0);
    SelectObject(screen, GetStockObject(DEFAULT_GUI_FONT));
    RECT tr{0, 0, 420, 0};
    DrawTextA(screen, st.text.c_str(), -1, &tr, DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS | DT_CALCRECT);
    ReleaseDC(0, screen);
    int left = st.icon ? 12 + 32 + 12 : 16;
    int text_h = std::max<int>(tr.bottom, st.icon ? 32 : 0);
    int bw = 75, bh = 23, gap = 8;
    int buttons_w = static_cast<int>(buttons.size()) * bw + (static_cast<int>(buttons.size()) - 1) * gap;
    int client_w = std::max(left + tr.right + 16, buttons_w + 32);
    client_w = std::max(client_w, 160);
    int text_top = st.icon && tr.bottom < 32 ? 12 + (32 - tr.bottom) / 2 : 12;
    st.text_rect = RECT{left, text_top, left + tr.right, text_top + tr.bottom};
    int client_h = 12 + text_h + 16 + bh + 12;
    DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    DWORD ex = WS_EX_DLGMODALFRAME | WS_EX_TOPMOST;
    RECT wr{0, 0, client_w, client_h};
    AdjustWindowRectEx(&wr, style, FALSE, ex);
    int ww = wr.right - wr.left, wh = wr.bottom - wr.top;
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (owner && IsWindowVisible(owner)) GetWindowRect(owner, &area);
    int x = area.left + ((area.right - area.left) - ww) / 2, y = area.top + ((area.bottom - area.top) - wh) / 2;
    HWND box = CreateWindowExA(ex, kBoxClass, caption ? caption : "Error", style, x, y, ww, wh, owner, 0, 0, nullptr);
    if (!box) return StderrBox(text, caption, type);
    SetWindowLongPtrA(box, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&st));
    int bx = (client_w - buttons_w) / 2;
    HWND focus = 0;
    for (auto& b : buttons) {
        HWND bh_ = CreateWindowExA(0, kButtonClass, b.label, WS_CHILD | WS_VISIBLE | WS_TABSTOP, bx, client_h - 12 - bh,
                                   bw, bh, box, static_cast<HMENU>(b.id), 0, nullptr);
        if (b.id == st.default_id) focus = bh_;
        bx += bw + gap;
    }
    bool owner_was_enabled = owner && IsWindowEnabled(owner);
    if (owner_was_enabled) EnableWindow(owner, FALSE);
    ShowWindow(box, SW_SHOW);
    if (focus) SetFocus(focus);
    MSG m;
    bool quit = false;
    int quit_code = 0;
    while (!st.result && IsWindow(box)) {
        BOOL got = GetMessageA(&m, 0, 0, 0);
        if (got == 0) {
            // A quit request ends the box and is passed on to the caller's loop.
            quit = true;
            quit_code = static_cast<int>(m.wParam);
            break;
        }
        if (got < 0) break;
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    int result = st.result ? st.result : (st.has_cancel ? IDCANCEL : st.default_id);
    if (owner_was_enabled) EnableWindow(owner, TRUE);
    if (IsWindow(box)) {
        SetWindowLongPtrA(box, GWLP_USERDATA, 0);
        DestroyWindow(box);
    }
    if (owner && IsWindow(owner)) SetActiveWindow(owner);
    if (quit) PostQuitMessage(quit_code);
    return result;
}

}  // namespace

WINEXPORT int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    const char* want = std::getenv("SIGDESIGNER_BACKEND");
    bool headless = want && std::strcmp(want, "headless") == 0;
    if (headless || !backend::Exists() || !backend::Current().IsDisplay() || !OnUiThread())
        return StderrBox(text, caption, type);
    if (owner && !IsWindow(owner)) owner = 0;
    return RealBox(owner ? Root(owner) : 0, text, caption, type);
}
