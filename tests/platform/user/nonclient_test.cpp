// The non-client area: window and client rectangles of each frame style,
// hit-testing of frames, caption and buttons, and window regions.
#include <algorithm>

#include "tests/platform/user/recorder.h"

using namespace sigtest;

namespace {

class NonClient : public WindowTest {};

struct FrameCase {
    const char* name;
    DWORD style;
    DWORD ex;
    int left, top, right, bottom;  // client inset from the window rectangle
};

// Caption 19 (18 + a line), sizing frame 4, dialog frame 3, border 1,
// client edge 2, static edge 1, tool-window caption 15.
const FrameCase kFrames[] = {
    {"popup", WS_POPUP, 0, 0, 0, 0, 0},
    {"border", WS_POPUP | WS_BORDER, 0, 1, 1, 1, 1},
    {"dlgframe", WS_POPUP | WS_DLGFRAME, 0, 3, 3, 3, 3},
    {"thickframe", WS_POPUP | WS_THICKFRAME, 0, 4, 4, 4, 4},
    {"caption", WS_POPUP | WS_CAPTION, 0, 3, 22, 3, 3},
    {"overlapped", WS_OVERLAPPEDWINDOW, 0, 4, 23, 4, 4},
    {"clientedge", WS_POPUP, WS_EX_CLIENTEDGE, 2, 2, 2, 2},
    {"staticedge", WS_POPUP | WS_BORDER, WS_EX_STATICEDGE, 2, 2, 2, 2},
    {"modalframe", WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME, 3, 22, 3, 3},
    {"modal+edge", WS_POPUP | WS_CAPTION, WS_EX_DLGMODALFRAME | WS_EX_CLIENTEDGE, 5, 24, 5, 5},
    {"toolwindow", WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_TOOLWINDOW, 3, 18, 3, 3},
    {"scrollbars", WS_POPUP | WS_BORDER | WS_VSCROLL | WS_HSCROLL, 0, 1, 1, 17, 17},
};

}  // namespace

TEST_F(NonClient, ClientRectangleOfEveryFrameStyle) {
    for (const auto& f : kFrames) {
        SCOPED_TRACE(f.name);
        HWND h = Top("frame", 100, 50, 300, 200, f.style | WS_VISIBLE, f.ex);
        ASSERT_TRUE(h);
        RECT wr, cr;
        GetWindowRect(h, &wr);
        GetClientRect(h, &cr);
        POINT o{0, 0};
        ClientToScreen(h, &o);
        EXPECT_EQ(o.x - wr.left, f.left);
        EXPECT_EQ(o.y - wr.top, f.top);
        EXPECT_EQ(wr.right - (o.x + cr.right), f.right);
        EXPECT_EQ(wr.bottom - (o.y + cr.bottom), f.bottom);
        // AdjustWindowRectEx gives back the window rectangle from the client one.
        RECT adj{0, 0, cr.right, cr.bottom};
        AdjustWindowRectEx(&adj, f.style, FALSE, f.ex);
        EXPECT_EQ(adj.right - adj.left, 300);
        EXPECT_EQ(adj.bottom - adj.top, 200);
        EXPECT_EQ(-adj.left, f.left);
        EXPECT_EQ(-adj.top, f.top);
        DestroyWindow(h);
    }
}

TEST_F(NonClient, SystemMetricsMatchTheDrawnFrames) {
    EXPECT_EQ(GetSystemMetrics(SM_CYCAPTION), 19);
    EXPECT_EQ(GetSystemMetrics(SM_CXFRAME), 4);
    EXPECT_EQ(GetSystemMetrics(SM_CXDLGFRAME), 3);
    EXPECT_EQ(GetSystemMetrics(SM_CXBORDER), 1);
    EXPECT_EQ(GetSystemMetrics(SM_CXEDGE), 2);
    HWND h = Top("m", 100, 50, 300, 200, WS_POPUP | WS_CAPTION | WS_VISIBLE);
    SigTestWaitIdle(500);
    // Dialog frame: a raised edge (light, white / grey, dark grey) and one face-coloured ring.
    EXPECT_EQ(SigTestWindowPixel(h, 0, 50), GetSysColor(COLOR_3DLIGHT));
    EXPECT_EQ(SigTestWindowPixel(h, 1, 50), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(SigTestWindowPixel(h, 2, 50), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(SigTestWindowPixel(h, 299, 50), GetSysColor(COLOR_3DDKSHADOW));
    // The caption starts right inside the frame, in the caption colour at its left end.
    EXPECT_EQ(SigTestWindowPixel(h, 3, 4), GetSysColor(COLOR_ACTIVECAPTION));
    EXPECT_EQ(SigTestWindowPixel(h, 3, 3 + 18), GetSysColor(COLOR_BTNFACE)) << "the line under the caption";
    EXPECT_EQ(SigTestWindowPixel(h, 3, 22), GetSysColor(COLOR_BTNFACE)) << "the client area, class brush";
}

TEST_F(NonClient, HitTestingFramesCaptionAndButtons) {
    HWND h = Top("hit", 100, 100, 300, 200, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    RECT r;
    GetWindowRect(h, &r);
    auto hit = [&](int x, int y) { return SendMessageA(h, WM_NCHITTEST, 0, MAKELPARAM(r.left + x, r.top + y)); };
    EXPECT_EQ(hit(150, 100), HTCLIENT);
    EXPECT_EQ(hit(150, 10), HTCAPTION);
    EXPECT_EQ(hit(0, 100), HTLEFT);
    EXPECT_EQ(hit(299, 100), HTRIGHT);
    EXPECT_EQ(hit(150, 0), HTTOP);
    EXPECT_EQ(hit(150, 199), HTBOTTOM);
    EXPECT_EQ(hit(0, 0), HTTOPLEFT);
    EXPECT_EQ(hit(299, 199), HTBOTTOMRIGHT);
    EXPECT_EQ(hit(1, 190), HTBOTTOMLEFT);
    EXPECT_EQ(hit(299 - 6, 10), HTCLOSE);
    EXPECT_EQ(hit(299 - 6 - 18, 10), HTMAXBUTTON);
    EXPECT_EQ(hit(299 - 6 - 18 - 16, 10), HTMINBUTTON);
    EXPECT_EQ(hit(-1, 10), HTNOWHERE);
    HWND d = Top("dlg", 500, 100, 200, 100, WS_POPUP | WS_CAPTION | WS_VISIBLE);
    GetWindowRect(d, &r);
    EXPECT_EQ(SendMessageA(d, WM_NCHITTEST, 0, MAKELPARAM(r.left + 1, r.top + 50)), HTBORDER)
        << "a fixed frame does not size";
    ShowWindow(h, SW_MAXIMIZE);
    GetWindowRect(h, &r);
    EXPECT_EQ(SendMessageA(h, WM_NCHITTEST, 0, MAKELPARAM(r.left + 1, r.top + 50)), HTBORDER)
        << "a maximised window does not size";
}

TEST_F(NonClient, WindowRegionsShapeHitTestingAndWindowFromPoint) {
    HWND under = Top("under", 100, 100, 200, 200, WS_POPUP | WS_VISIBLE);
    HWND round = Top("round", 100, 100, 200, 200, WS_POPUP | WS_VISIBLE);
    // A ring: an ellipse minus a smaller one.
    HRGN outer = CreateEllipticRgn(0, 0, 200, 200);
    HRGN inner = CreateEllipticRgn(60, 60, 140, 140);
    EXPECT_EQ(CombineRgn(outer, outer, inner, RGN_DIFF), COMPLEXREGION);
    DeleteObject(inner);
    EXPECT_TRUE(SetWindowRgn(round, outer, TRUE));
    EXPECT_EQ(GetObjectType(outer), 0u) << "the window took the region over";
    EXPECT_EQ(WindowFromPoint(POINT{100 + 30, 100 + 100}), round);
    EXPECT_EQ(WindowFromPoint(POINT{100 + 100, 100 + 100}), under) << "the hole";
    EXPECT_EQ(WindowFromPoint(POINT{100 + 2, 100 + 2}), under) << "outside the ellipse";
    EXPECT_EQ(SendMessageA(round, WM_NCHITTEST, 0, MAKELPARAM(102, 102)), HTNOWHERE);
    SetWindowLongPtrA(round, GWLP_USERDATA, RGB(255, 0, 0) | (LONG_PTR{1} << 40));
    SetWindowLongPtrA(under, GWLP_USERDATA, RGB(0, 0, 255) | (LONG_PTR{1} << 40));
    InvalidateRect(round, nullptr, TRUE);
    EXPECT_EQ(SigTestWindowPixel(round, 30, 100), RGB(255, 0, 0));
    char path[512];
    snprintf(path, sizeof path, "%s/platform_round_window.png", SIG_ARTIFACT_DIR);
    CreateDirectoryA(SIG_ARTIFACT_DIR, nullptr);
    EXPECT_TRUE(SigTestCaptureWindow(round, path));
    // Round rectangles and polygons as regions of child windows.
    HWND c = Child(under, 1, 0, 0, 100, 100, RGB(0, 255, 0));
    POINT tri[3] = {{0, 0}, {100, 0}, {0, 100}};
    SetWindowRgn(c, CreatePolygonRgn(tri, 3, ALTERNATE), TRUE);
    EXPECT_EQ(WindowFromPoint(POINT{100 + 100, 100 + 30}), round) << "round is still on top there";
    ShowWindow(round, SW_HIDE);
    EXPECT_EQ(WindowFromPoint(POINT{100 + 10, 100 + 10}), c);
    EXPECT_EQ(WindowFromPoint(POINT{100 + 90, 100 + 90}), under) << "outside the triangle";
    EXPECT_EQ(SigTestWindowPixel(under, 10, 10), RGB(0, 255, 0));
    EXPECT_EQ(SigTestWindowPixel(under, 90, 90), RGB(0, 0, 255));
    HWND rr = Child(under, 2, 100, 100, 100, 100, RGB(9, 9, 9));
    SetWindowRgn(rr, CreateRoundRectRgn(0, 0, 100, 100, 40, 40), TRUE);
    EXPECT_EQ(WindowFromPoint(POINT{200 + 1, 200 + 1}), under) << "the rounded corner";
    EXPECT_EQ(WindowFromPoint(POINT{200 + 20, 200 + 1}), rr);
}

TEST_F(NonClient, TransparentHitTestPassesToTheWindowBelow) {
    struct P {
        static LRESULT Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
            if (m == WM_NCHITTEST) return HTTRANSPARENT;
            return DefWindowProcA(h, m, w, l);
        }
    };
    WNDCLASSA wc{};
    wc.lpfnWndProc = P::Proc;
    wc.lpszClassName = "SigTestGlass";
    RegisterClassA(&wc);
    HWND p = Top("p", 0, 0, 200, 200, WS_POPUP | WS_VISIBLE);
    HWND below = Child(p, 1, 0, 0, 100, 100, 0);
    HWND glass = CreateWindowExA(0, "SigTestGlass", "", WS_CHILD | WS_VISIBLE, 0, 0, 100, 100, p, 0, 0, nullptr);
    ASSERT_TRUE(glass);
    EXPECT_EQ(WindowFromPoint(POINT{10, 10}), below);
}

// Caption titles are kept laid out between paints: a changed title or
// another window's title must never show a stale one.
TEST_F(NonClient, CaptionTitleFollowsTextAndWidth) {
    HWND a = Top("", 100, 50, 300, 120, WS_POPUP | WS_CAPTION | WS_VISIBLE);
    HWND b = Top("", 100, 250, 300, 120, WS_POPUP | WS_CAPTION | WS_VISIBLE);
    // The title band as 0/1 per pixel: 1 where the text is (lighter in every
    // channel than any caption background, active or not).
    auto title = [](HWND h, int width) {
        SigTestWaitIdle(500);
        std::string ink;
        for (int y = 4; y < 20; ++y)
            for (int x = 5; x < width; ++x) {
                COLORREF c = SigTestWindowPixel(h, x, y);
                ink += (std::min({GetRValue(c), GetGValue(c), GetBValue(c)}) > 196) ? '1' : '0';
            }
        return ink;
    };
    SetWindowTextA(a, "i");
    const std::string narrow = title(a, 200);
    SetWindowTextA(a, "Wide title MMMM MMMM MMMM");
    const std::string wide = title(a, 200);
    EXPECT_NE(wide, narrow);
    EXPECT_NE(wide.find('1'), std::string::npos) << "the title is drawn";
    // Another window's titles in between, then back to the first texts.
    SetWindowTextA(b, "Wide title MMMM MMMM MMMM");
    title(b, 200);
    SetWindowTextA(b, "other");
    title(b, 200);
    SetWindowTextA(a, "i");
    EXPECT_EQ(title(a, 200), narrow) << "the new text, not the kept one";
    SetWindowTextA(a, "Wide title MMMM MMMM MMMM");
    EXPECT_EQ(title(a, 200), wide);
}
