// Shared pieces of the window-system tests: the headless backend, a window
// class that records the messages it receives, and solid-colour painters.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "win/kernel.h"
#include "win/testhooks.h"
#include "win/user.h"

namespace sigtest {

inline const bool kHeadless = [] {
    setenv("SIGDESIGNER_BACKEND", "headless", 1);
    return true;
}();

struct Seen {
    HWND hwnd;
    UINT msg;
    WPARAM w;
    LPARAM l;
};

inline std::vector<Seen>& Log() {
    static std::vector<Seen> log;
    return log;
}

// Messages worth recording: the ones whose order the tests check.
inline bool Interesting(UINT m) {
    switch (m) {
        case WM_SETCURSOR:
        case WM_NCHITTEST:
        case WM_NCMOUSEMOVE:
        case WM_MOUSEMOVE:
        case WM_GETTEXT:
        case WM_GETTEXTLENGTH:
        case WM_CTLCOLORSTATIC:
            return false;
        default:
            return true;
    }
}

// The colour a window paints its client area with, kept in its user data.
inline LRESULT RecordingProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (Interesting(m)) Log().push_back({h, m, w, l});
    if (m == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(h, &ps);
        LONG_PTR colour = GetWindowLongPtrA(h, GWLP_USERDATA);
        if (colour) {
            HBRUSH b = CreateSolidBrush(static_cast<COLORREF>(colour & 0xFFFFFF));
            RECT r;
            GetClientRect(h, &r);
            FillRect(dc, &r, b);
            DeleteObject(b);
        }
        EndPaint(h, &ps);
        return 0;
    }
    return DefWindowProcA(h, m, w, l);
}

inline const char* RecClass() {
    static bool done = [] {
        WNDCLASSA wc{};
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = RecordingProc;
        wc.hbrBackground = static_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.hCursor = LoadCursorA(0, IDC_ARROW);
        wc.lpszClassName = "SigTestRec";
        RegisterClassA(&wc);
        WNDCLASSA nd = wc;
        nd.style = 0;
        nd.lpszClassName = "SigTestRecNoDbl";
        RegisterClassA(&nd);
        return true;
    }();
    (void)done;
    return "SigTestRec";
}

inline std::vector<UINT> MessagesFor(HWND h) {
    std::vector<UINT> out;
    for (auto& s : Log())
        if (s.hwnd == h) out.push_back(s.msg);
    return out;
}

inline std::vector<UINT> Messages() {
    std::vector<UINT> out;
    for (auto& s : Log()) out.push_back(s.msg);
    return out;
}

inline HWND Top(const char* title, int x, int y, int w, int h, DWORD style = WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                DWORD ex = 0) {
    return CreateWindowExA(ex, RecClass(), title, style, x, y, w, h, 0, 0, 0, nullptr);
}

inline HWND Child(HWND parent, int id, int x, int y, int w, int h, COLORREF colour, DWORD style = 0) {
    HWND c = CreateWindowExA(0, RecClass(), "", WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                             static_cast<HMENU>(id), 0, nullptr);
    SetWindowLongPtrA(c, GWLP_USERDATA, static_cast<LONG_PTR>(colour) | (LONG_PTR{1} << 40));
    return c;
}

// Destroys every top-level window so tests do not see each other's windows.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        RecClass();
        Log().clear();
    }
    void TearDown() override {
        for (;;) {
            HWND h = GetTopWindow(0);
            if (!h) break;
            DestroyWindow(h);
        }
        SigTestWaitIdle(500);
        MSG m;
        while (PeekMessageA(&m, 0, 0, 0, PM_REMOVE)) {
        }
        Log().clear();
    }
};

}  // namespace sigtest
