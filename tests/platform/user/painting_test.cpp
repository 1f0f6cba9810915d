// Painting: child clipping and sibling order in the shared top-level surface,
// invalidation reaching covered children, and window DCs.
#include "tests/platform/user/recorder.h"

using namespace sigtest;

namespace {

class Painting : public WindowTest {};

constexpr COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlue = RGB(0, 0, 255);

}  // namespace

TEST_F(Painting, UpperSiblingsStayOnTopWhateverRepaints) {
    HWND p = Top("p", 0, 0, 200, 200, WS_POPUP | WS_VISIBLE);
    SetWindowLongPtrA(p, GWLP_USERDATA, kBlue | (LONG_PTR{1} << 40));
    HWND below = Child(p, 1, 10, 10, 100, 100, kRed);
    HWND above = Child(p, 2, 60, 60, 100, 100, kGreen);
    SigTestWaitIdle(500);
    EXPECT_EQ(SigTestWindowPixel(p, 80, 80), kGreen) << "overlap shows the upper sibling";
    EXPECT_EQ(SigTestWindowPixel(p, 20, 20), kRed);
    EXPECT_EQ(SigTestWindowPixel(p, 180, 20), kBlue);
    // Only the lower sibling repaints: its drawing is clipped by the upper one.
    InvalidateRect(below, nullptr, TRUE);
    SigTestWaitIdle(500);
    EXPECT_EQ(SigTestWindowPixel(p, 80, 80), kGreen);
    // Raising the lower one changes what the overlap shows.
    SetWindowPos(below, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SigTestWaitIdle(500);
    EXPECT_EQ(SigTestWindowPixel(p, 80, 80), kRed);
    (void)above;
}

TEST_F(Painting, ParentInvalidationRepaintsCoveredChildrenAfterIt) {
    HWND p = Top("p", 0, 0, 200, 200, WS_POPUP | WS_VISIBLE);
    SetWindowLongPtrA(p, GWLP_USERDATA, kBlue | (LONG_PTR{1} << 40));
    HWND c = Child(p, 1, 10, 10, 50, 50, kRed);
    SigTestWaitIdle(500);
    Log().clear();
    InvalidateRect(p, nullptr, TRUE);
    SigTestWaitIdle(500);
    std::vector<std::pair<HWND, UINT>> paints;
    for (auto& s : Log())
        if (s.msg == WM_PAINT) paints.push_back({s.hwnd, s.msg});
    std::vector<std::pair<HWND, UINT>> want = {{p, WM_PAINT}, {c, WM_PAINT}};
    EXPECT_EQ(paints, want) << "a parent without WS_CLIPCHILDREN paints first, then its children";
    EXPECT_EQ(SigTestWindowPixel(p, 20, 20), kRed);
    // With WS_CLIPCHILDREN the parent's paint leaves the child alone.
    SetWindowLongA(p, GWL_STYLE, GetWindowLongA(p, GWL_STYLE) | static_cast<LONG>(WS_CLIPCHILDREN));
    Log().clear();
    InvalidateRect(p, nullptr, TRUE);
    SigTestWaitIdle(500);
    EXPECT_EQ(MessagesFor(c), std::vector<UINT>{});
    EXPECT_EQ(SigTestWindowPixel(p, 20, 20), kRed);
}

TEST_F(Painting, ChildrenAreClippedToTheirParentsClientArea) {
    HWND p = Top("p", 0, 0, 300, 300, WS_POPUP | WS_VISIBLE);
    SetWindowLongPtrA(p, GWLP_USERDATA, kBlue | (LONG_PTR{1} << 40));
    HWND mid = CreateWindowExA(WS_EX_CLIENTEDGE, RecClass(), "", WS_CHILD | WS_VISIBLE, 50, 50, 100, 100, p, 0, 0, nullptr);
    SetWindowLongPtrA(mid, GWLP_USERDATA, kGreen | (LONG_PTR{1} << 40));
    HWND inner = Child(mid, 1, 50, 50, 200, 200, kRed);  // hangs out of mid
    SigTestWaitIdle(500);
    EXPECT_EQ(SigTestWindowPixel(p, 52 + 60, 52 + 60), kRed);
    EXPECT_EQ(SigTestWindowPixel(p, 200, 200), kBlue) << "the grandchild stops at its parent's client edge";
    EXPECT_EQ(SigTestWindowPixel(p, 50, 50), GetSysColor(COLOR_BTNSHADOW)) << "the client edge stays";
    // Moving a child repaints what it uncovered.
    SetWindowPos(mid, 0, 150, 150, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SigTestWaitIdle(500);
    EXPECT_EQ(SigTestWindowPixel(p, 60, 60), kBlue);
    EXPECT_EQ(SigTestWindowPixel(p, 152 + 10, 152 + 10), kGreen);
    ShowWindow(mid, SW_HIDE);
    SigTestWaitIdle(500);
    EXPECT_EQ(SigTestWindowPixel(p, 152 + 10, 152 + 10), kBlue);
    (void)inner;
}

TEST_F(Painting, GetDcDrawsOnlyWhereTheWindowShows) {
    HWND p = Top("p", 0, 0, 200, 200, WS_POPUP | WS_VISIBLE);
    HWND c = Child(p, 1, 0, 0, 100, 100, 0);
    Child(p, 2, 50, 50, 100, 100, kGreen);
    SigTestWaitIdle(500);
    HDC dc = GetDC(c);
    ASSERT_TRUE(dc);
    RECT all{-1000, -1000, 1000, 1000};
    HBRUSH red = CreateSolidBrush(kRed);
    FillRect(dc, &all, red);
    RECT box;
    EXPECT_EQ(GetClipBox(dc, &box), COMPLEXREGION) << "the upper sibling cuts a corner out";
    EXPECT_EQ(box.right, 100);
    ReleaseDC(c, dc);
    DeleteObject(red);
    EXPECT_EQ(SigTestWindowPixel(p, 10, 10), kRed);
    EXPECT_EQ(SigTestWindowPixel(p, 75, 75), kGreen);
    EXPECT_EQ(SigTestWindowPixel(p, 150, 10), GetSysColor(COLOR_BTNFACE));
    // A DC that outlives its window draws nowhere and does not crash.
    HDC late = GetDC(c);
    DestroyWindow(c);
    ValidateRect(p, nullptr);
    HGDIOBJ old = SelectObject(late, GetStockObject(BLACK_BRUSH));
    EXPECT_TRUE(old);
    EXPECT_TRUE(Rectangle(late, 0, 0, 50, 50));
    EXPECT_EQ(SigTestWindowPixel(p, 10, 10), kRed) << "the destroyed window's DC drew nothing";
    RECT none;
    EXPECT_EQ(GetClipBox(late, &none), NULLREGION);
    EXPECT_TRUE(ReleaseDC(0, late));
    EXPECT_FALSE(ReleaseDC(0, late)) << "released twice";
}

TEST_F(Painting, EraseBackgroundUsesTheClassBrushOrAsksThePainter) {
    HWND p = Top("p", 0, 0, 100, 100, WS_POPUP | WS_VISIBLE);
    SigTestWaitIdle(500);
    InvalidateRect(p, nullptr, TRUE);
    PAINTSTRUCT ps;
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, p, WM_PAINT, WM_PAINT, PM_REMOVE));
    Log().clear();
    HDC dc = BeginPaint(p, &ps);
    EXPECT_TRUE(dc);
    EXPECT_EQ(MessagesFor(p), std::vector<UINT>{WM_ERASEBKGND});
    EXPECT_FALSE(ps.fErase);
    EndPaint(p, &ps);
    SetClassLongPtrA(p, GCL_HBRBACKGROUND, 0);
    InvalidateRect(p, nullptr, TRUE);
    dc = BeginPaint(p, &ps);
    EXPECT_TRUE(ps.fErase) << "no class brush: the painter must erase";
    EndPaint(p, &ps);
    SetClassLongPtrA(p, GCL_HBRBACKGROUND, COLOR_BTNFACE + 1);
}

// Painting remembers which windows no sibling above overlaps; every way a
// sibling can come to overlap (moving, sizing, showing, a new window on top)
// must be seen by the lower window's next repaint alone.
TEST_F(Painting, ALowerSiblingRepaintSeesEachNewOverlap) {
    HWND p = Top("p", 0, 0, 200, 200, WS_POPUP | WS_VISIBLE);
    SetWindowLongPtrA(p, GWLP_USERDATA, kBlue | (LONG_PTR{1} << 40));
    HWND lower = Child(p, 1, 10, 10, 50, 50, kRed);
    HWND upper = Child(p, 2, 120, 10, 50, 50, kGreen);
    auto repaint_lower_only = [&] {
        SigTestWaitIdle(500);
        InvalidateRect(lower, nullptr, TRUE);
        SigTestWaitIdle(500);
    };
    repaint_lower_only();
    ASSERT_EQ(SigTestWindowPixel(p, 40, 40), kRed);

    SetWindowPos(upper, 0, 30, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    repaint_lower_only();
    EXPECT_EQ(SigTestWindowPixel(p, 40, 40), kGreen) << "moved over";
    EXPECT_EQ(SigTestWindowPixel(p, 20, 20), kRed);

    SetWindowPos(upper, 0, 0, 0, 5, 5, SWP_NOZORDER);
    repaint_lower_only();
    EXPECT_EQ(SigTestWindowPixel(p, 20, 20), kRed) << "moved off";
    SetWindowPos(upper, 0, 0, 0, 30, 30, SWP_NOMOVE | SWP_NOZORDER);
    repaint_lower_only();
    EXPECT_EQ(SigTestWindowPixel(p, 20, 20), kGreen) << "grown over";

    ShowWindow(upper, SW_HIDE);
    repaint_lower_only();
    EXPECT_EQ(SigTestWindowPixel(p, 20, 20), kRed) << "hidden";
    ShowWindow(upper, SW_SHOW);
    repaint_lower_only();
    EXPECT_EQ(SigTestWindowPixel(p, 20, 20), kGreen) << "shown again";

    SetWindowPos(lower, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    repaint_lower_only();
    EXPECT_EQ(SigTestWindowPixel(p, 20, 20), kRed) << "raised above";
    HWND newer = Child(p, 3, 15, 15, 10, 10, RGB(255, 255, 0));
    repaint_lower_only();
    EXPECT_EQ(SigTestWindowPixel(p, 20, 20), RGB(255, 255, 0)) << "a new window on top";
    DestroyWindow(newer);
    repaint_lower_only();
    EXPECT_EQ(SigTestWindowPixel(p, 20, 20), kRed) << "destroyed";
}
