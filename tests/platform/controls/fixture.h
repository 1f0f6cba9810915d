// A parent window that records what its controls tell it (WM_COMMAND
// notifications, WM_NOTIFY, scroll messages) and can answer the colour
// messages with a brush of the test's choosing.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "win/commctrl.h"
#include "win/gdi.h"
#include "win/kernel.h"
#include "win/testhooks.h"
#include "win/user.h"

namespace ctltest {

inline const bool kHeadless = [] {
    setenv("SIGDESIGNER_BACKEND", "headless", 1);
    return true;
}();

struct Note {
    UINT msg;
    int id;
    int code;  // notification code, or the scroll code for WM_VSCROLL/WM_HSCROLL
    int pos;   // scroll position (HIWORD of wParam) or NMUPDOWN delta
    HWND from;
};

struct ParentState {
    std::vector<Note> notes;
    HBRUSH ctl_brush = 0;  // answer to WM_CTLCOLOR*; 0 leaves the default
    COLORREF ctl_text = CLR_INVALID;
    UINT ctl_msg_seen = 0;
    int deltapos_veto = 0;  // UDN_DELTAPOS answer
    std::vector<DRAWITEMSTRUCT> draws;
};

inline ParentState& P() {
    static ParentState p;
    return p;
}

inline LRESULT CALLBACK ParentProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    switch (m) {
        case WM_COMMAND:
            P().notes.push_back({m, LOWORD(w), static_cast<int>(static_cast<short>(HIWORD(w))), 0, static_cast<HWND>(l)});
            return 0;
        case WM_VSCROLL:
        case WM_HSCROLL:
            P().notes.push_back({m, 0, LOWORD(w), static_cast<int>(static_cast<short>(HIWORD(w))), static_cast<HWND>(l)});
            return 0;
        case WM_NOTIFY: {
            auto* hdr = reinterpret_cast<NMHDR*>(l);
            int delta = 0;
            if (hdr->code == UDN_DELTAPOS) delta = reinterpret_cast<NMUPDOWN*>(l)->iDelta;
            P().notes.push_back({m, static_cast<int>(hdr->idFrom), static_cast<int>(hdr->code), delta, hdr->hwndFrom});
            return hdr->code == UDN_DELTAPOS ? P().deltapos_veto : 0;
        }
        case WM_DRAWITEM: {
            auto* di = reinterpret_cast<DRAWITEMSTRUCT*>(l);
            P().draws.push_back(*di);
            HBRUSH b = CreateSolidBrush(RGB(0, 0, 255));
            FillRect(di->hDC, &di->rcItem, b);
            DeleteObject(b);
            return TRUE;
        }
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORSCROLLBAR:
            if (P().ctl_brush) {
                P().ctl_msg_seen = m;
                if (P().ctl_text != CLR_INVALID) SetTextColor(static_cast<HDC>(w), P().ctl_text);
                return static_cast<LRESULT>(P().ctl_brush);
            }
            break;
        default: break;
    }
    return DefWindowProcA(h, m, w, l);
}

inline const char* ParentClass() {
    static bool done = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = ParentProc;
        wc.hbrBackground = static_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = "CtlTestParent";
        RegisterClassA(&wc);
        return true;
    }();
    (void)done;
    return "CtlTestParent";
}

inline void Pump() { SigTestWaitIdle(1000); }

inline std::vector<int> Codes(int id, UINT msg = WM_COMMAND) {
    std::vector<int> out;
    for (auto& n : P().notes)
        if (n.msg == msg && (id < 0 || n.id == id)) out.push_back(n.code);
    return out;
}

inline int Count(int id, int code) {
    int k = 0;
    for (auto& n : P().notes)
        if (n.msg == WM_COMMAND && n.id == id && n.code == code) ++k;
    return k;
}

class ControlTest : public ::testing::Test {
protected:
    HWND parent = 0;
    void SetUp() override {
        P() = ParentState{};
        parent = CreateWindowExA(0, ParentClass(), "ctl", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 420, 320, 0, 0, 0,
                                 nullptr);
        ASSERT_TRUE(parent);
        Pump();
    }
    void TearDown() override {
        if (IsWindow(parent)) DestroyWindow(parent);
        if (P().ctl_brush) DeleteObject(P().ctl_brush);
        P() = ParentState{};
        Pump();
    }
    HWND Make(const char* cls, const char* text, DWORD style, int x, int y, int w, int h, int id) {
        return CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                               static_cast<HMENU>(id), 0, nullptr);
    }
    std::string Text(HWND h) {
        int n = GetWindowTextLengthA(h);
        std::string s(static_cast<size_t>(n) + 1, '\0');
        GetWindowTextA(h, s.data(), n + 1);
        s.resize(static_cast<size_t>(n));
        return s;
    }
    POINT Screen(HWND h, int x, int y) {
        POINT p{x, y};
        ClientToScreen(h, &p);
        return p;
    }
    void Click(HWND h, int x, int y) {
        POINT p = Screen(h, x, y);
        SigTestClick(p.x, p.y, 1);
        Pump();
    }
    // A pixel of a control, through its top-level window's surface.
    COLORREF Pixel(HWND h, int x, int y) {
        POINT p{x, y};
        MapWindowPoints(h, parent, &p, 1);
        RECT wr, cr;
        GetWindowRect(parent, &wr);
        POINT o{0, 0};
        ClientToScreen(parent, &o);
        (void)cr;
        return SigTestWindowPixel(parent, p.x + (o.x - wr.left), p.y + (o.y - wr.top));
    }
};

}  // namespace ctltest
