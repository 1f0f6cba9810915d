// automation-target: a small program for the automation tests. It knows
// nothing of the automation; it logs what its windows receive on stdout.
//
//   --late MS        show a window "迟到" after MS ms
//   --gone MS        show a window "暂时" at once and destroy it after MS ms
//   --quit-after MS  close the main window MS ms after the first click
//
// Main window "自动测试" at (100, 100), 400 x 300, with children (client
// coordinates): panel "面板" (10,10 200x100) holding "内\"层" (5,5 50x30);
// button "打开" (220,10 80x30) runs a modal window "模态" with a button "保存"
// (10,10 80x30); button "对话" (220,50 80x30) opens a save-file dialog; a
// hidden, disabled "AutoHidden" (10,200 30x30).
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "win/commdlg.h"
#include "win/user.h"

namespace {

constexpr UINT_PTR kLateTimer = 1, kGoneTimer = 2, kQuitTimer = 3;
constexpr int kOpenId = 10, kDialogId = 11, kSaveId = 12;

HWND g_main = 0, g_gone = 0;
UINT g_late = 0, g_gone_ms = 0, g_quit = 0;

std::string ClassOf(HWND h) {
    char c[64] = {};
    GetClassNameA(h, c, sizeof c);
    return c;
}

void Log(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void Log(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::vprintf(fmt, ap);
    va_end(ap);
    std::printf("\n");
    std::fflush(stdout);
}

void RunModal() {
    Log("modal begin");
    HWND modal = CreateWindowExA(0, "AutoModal", "\xc4\xa3\xcc\xac", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 150, 150,
                                 200, 150, g_main, 0, 0, nullptr);  // 模态
    CreateWindowExA(0, "AutoButton", "\xb1\xa3\xb4\xe6", WS_CHILD | WS_VISIBLE, 10, 10, 80, 30, modal,
                    static_cast<HMENU>(kSaveId), 0, nullptr);  // 保存
    EnableWindow(g_main, FALSE);
    ShowWindow(modal, SW_SHOW);
    SetFocus(modal);
    MSG m;
    while (IsWindow(modal) && GetMessageA(&m, 0, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    EnableWindow(g_main, TRUE);
    SetActiveWindow(g_main);
    SetFocus(g_main);
    Log("modal end");
}

void AskDialog() {
    char file[260] = "";
    OPENFILENAMEA o{};
    o.lStructSize = sizeof o;
    o.hwndOwner = g_main;
    o.lpstrFilter = "PNG\0*.png\0";
    o.nFilterIndex = 1;
    o.lpstrFile = file;
    o.nMaxFile = sizeof file;
    if (!GetSaveFileNameA(&o)) {
        Log("dialog cancel");
        return;
    }
    std::string hex;
    for (unsigned char c : std::string(file)) {
        char x[4];
        std::snprintf(x, sizeof x, "%02x", c);
        hex += x;
    }
    Log("dialog text %s", hex.c_str());
}

LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM w, LPARAM l) {
    std::string cls = ClassOf(h);
    switch (msg) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
            Log("%s %s %d %d", msg == WM_LBUTTONDOWN ? "down" : "up", cls.c_str(), GET_X_LPARAM(l), GET_Y_LPARAM(l));
            if (g_quit && msg == WM_LBUTTONUP) {
                SetTimer(g_main, kQuitTimer, g_quit, nullptr);
                g_quit = 0;
            }
            if (cls == "AutoButton" && msg == WM_LBUTTONUP)
                PostMessageA(GetParent(h), WM_COMMAND, static_cast<WPARAM>(GetDlgCtrlID(h)), static_cast<LPARAM>(h));
            return 0;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            Log("key %s %u ctrl=%d shift=%d alt=%d sys=%d", cls.c_str(), static_cast<unsigned>(w),
                GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_MENU) < 0, msg == WM_SYSKEYDOWN);
            return 0;
        case WM_CHAR: Log("char %s %02x", cls.c_str(), static_cast<unsigned>(w & 0xFF)); return 0;
        case WM_COMMAND:
            if (LOWORD(w) == kOpenId) RunModal();
            if (LOWORD(w) == kDialogId) AskDialog();
            if (LOWORD(w) == kSaveId) Log("save clicked");
            return 0;
        case WM_TIMER:
            KillTimer(h, w);
            if (w == kLateTimer) {
                CreateWindowExA(0, "AutoModal", "\xb3\xd9\xb5\xbd", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 300, 300, 100, 80, 0, 0,
                                0, nullptr);  // 迟到
                Log("late shown");
            }
            if (w == kGoneTimer && IsWindow(g_gone)) {
                DestroyWindow(g_gone);
                Log("gone destroyed");
            }
            if (w == kQuitTimer) PostMessageA(g_main, WM_CLOSE, 0, 0);
            return 0;
        case WM_CLOSE:
            Log("close %s", cls.c_str());
            DestroyWindow(h);
            return 0;
        case WM_DESTROY:
            if (h == g_main) PostQuitMessage(0);
            return 0;
        default: return DefWindowProcA(h, msg, w, l);
    }
}

void Register(const char* name) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.hCursor = LoadCursorA(0, IDC_ARROW);
    wc.lpszClassName = name;
    RegisterClassA(&wc);
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; i += 2) {
        UINT v = static_cast<UINT>(std::atoi(argv[i + 1]));
        if (!std::strcmp(argv[i], "--late")) g_late = v;
        else if (!std::strcmp(argv[i], "--gone")) g_gone_ms = v;
        else if (!std::strcmp(argv[i], "--quit-after")) g_quit = v;
    }
    for (const char* c : {"AutoMain", "AutoPanel", "AutoInner", "AutoButton", "AutoModal", "AutoHidden"}) Register(c);
    g_main = CreateWindowExA(0, "AutoMain", "\xd7\xd4\xb6\xaf\xb2\xe2\xca\xd4", WS_OVERLAPPEDWINDOW, 100, 100, 400, 300, 0,
                             0, 0, nullptr);  // 自动测试
    HWND panel = CreateWindowExA(0, "AutoPanel", "\xc3\xe6\xb0\xe5", WS_CHILD | WS_VISIBLE, 10, 10, 200, 100, g_main, 0, 0,
                                 nullptr);  // 面板
    CreateWindowExA(0, "AutoInner", "\xc4\xda\x22\xb2\xe3", WS_CHILD | WS_VISIBLE, 5, 5, 50, 30, panel, 0, 0,
                    nullptr);  // 内"层
    CreateWindowExA(0, "AutoButton", "\xb4\xf2\xbf\xaa", WS_CHILD | WS_VISIBLE, 220, 10, 80, 30, g_main,
                    static_cast<HMENU>(kOpenId), 0, nullptr);  // 打开
    CreateWindowExA(0, "AutoButton", "\xb6\xd4\xbb\xb0", WS_CHILD | WS_VISIBLE, 220, 50, 80, 30, g_main,
                    static_cast<HMENU>(kDialogId), 0, nullptr);  // 对话
    CreateWindowExA(0, "AutoHidden", "", WS_CHILD | WS_DISABLED, 10, 200, 30, 30, g_main, 0, 0, nullptr);
    ShowWindow(g_main, SW_SHOW);
    SetFocus(g_main);
    if (g_late) SetTimer(g_main, kLateTimer, g_late, nullptr);
    if (g_gone_ms) {
        g_gone = CreateWindowExA(0, "AutoModal", "\xd4\xdd\xca\xb1", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 320, 320, 100, 80, 0, 0,
                                 0, nullptr);  // 暂时
        SetTimer(g_main, kGoneTimer, g_gone_ms, nullptr);
    }
    Log("ready");
    MSG m;
    while (GetMessageA(&m, 0, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    Log("exit %d", static_cast<int>(m.wParam));
    return static_cast<int>(m.wParam);
}
