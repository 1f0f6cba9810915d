// Scroll bars (codes and positions sent to the parent, the values API,
// auto-repeat) and progress bars (range, position, bar colour, segments).
#include <climits>

#include "tests/platform/controls/fixture.h"

using namespace ctltest;

namespace {

class ScrollBar : public ControlTest {
protected:
    std::vector<std::pair<int, int>> Scrolls() {
        std::vector<std::pair<int, int>> out;
        for (auto& n : P().notes)
            if (n.msg == WM_VSCROLL) out.push_back({n.code, n.pos});
        return out;
    }
};

TEST_F(ScrollBar, ValuesAreKeptAndClamped) {
    HWND s = Make("SCROLLBAR", "", SBS_VERT, 10, 10, 17, 200, 1);
    SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 99, 10, 50, 0};
    EXPECT_EQ(SetScrollInfo(s, SB_CTL, &si, TRUE), 50);
    EXPECT_EQ(GetScrollPos(s, SB_CTL), 50);
    EXPECT_EQ(SetScrollPos(s, SB_CTL, 500, TRUE), 50);
    EXPECT_EQ(GetScrollPos(s, SB_CTL), 90);  // max - page + 1
    SetScrollPos(s, SB_CTL, -5, TRUE);
    EXPECT_EQ(GetScrollPos(s, SB_CTL), 0);
    EXPECT_TRUE(SetScrollRange(s, SB_CTL, 10, 20, TRUE));
    int lo = 0, hi = 0;
    EXPECT_TRUE(GetScrollRange(s, SB_CTL, &lo, &hi));
    EXPECT_EQ(lo, 10);
    EXPECT_EQ(hi, 20);
    EXPECT_EQ(GetScrollPos(s, SB_CTL), 10);
    SCROLLINFO out{sizeof out, SIF_ALL, 0, 0, 0, 0, 0};
    EXPECT_TRUE(GetScrollInfo(s, SB_CTL, &out));
    EXPECT_EQ(out.nPage, 10u);
    EXPECT_EQ(out.nTrackPos, 10);
    // A window's own bar keeps values too; a plain window is no SB_CTL.
    EXPECT_TRUE(SetScrollRange(parent, SB_VERT, 0, 300, FALSE));
    SetScrollPos(parent, SB_VERT, 120, FALSE);
    EXPECT_EQ(GetScrollPos(parent, SB_VERT), 120);
    EXPECT_EQ(GetScrollPos(parent, SB_CTL), 0);
    EXPECT_FALSE(GetScrollInfo(s, SB_CTL, nullptr));
    EXPECT_EQ(SetScrollInfo(s, 9, &si, TRUE), 0);
    // The whole int range: no overflow in clamping or in placing the thumb.
    SCROLLINFO wide{sizeof wide, SIF_RANGE | SIF_PAGE | SIF_POS, INT_MIN, INT_MAX, 0x80000000u, 0, 0};
    SetScrollInfo(s, SB_CTL, &wide, TRUE);
    EXPECT_EQ(GetScrollPos(s, SB_CTL), 0);
    SetScrollPos(s, SB_CTL, INT_MAX, TRUE);
    EXPECT_EQ(GetScrollPos(s, SB_CTL), 0);  // max - page + 1
    UpdateWindow(s);
}

TEST_F(ScrollBar, ArrowsPagesThumbAndKeysSendScrollCodes) {
    HWND s = Make("SCROLLBAR", "", SBS_VERT, 10, 10, 17, 200, 1);
    SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 100, 20, 0, 0};
    SetScrollInfo(s, SB_CTL, &si, TRUE);
    Pump();
    P().notes.clear();
    Click(s, 8, 5);  // up arrow
    Click(s, 8, 195);  // down arrow
    Click(s, 8, 150);  // page area below the thumb
    auto seen = Scrolls();
    std::vector<std::pair<int, int>> want{{SB_LINEUP, 0},   {SB_ENDSCROLL, 0}, {SB_LINEDOWN, 0},
                                          {SB_ENDSCROLL, 0}, {SB_PAGEDOWN, 0}, {SB_ENDSCROLL, 0}};
    EXPECT_EQ(seen, want);
    EXPECT_EQ(P().notes[0].from, s);
    SetScrollPos(s, SB_CTL, 50, TRUE);
    Pump();
    P().notes.clear();
    Click(s, 8, 30);  // page area above the thumb
    EXPECT_EQ(Scrolls().front().first, SB_PAGEUP);
    // Dragging the thumb to the bottom: tracking positions, then the final one.
    SetScrollPos(s, SB_CTL, 0, TRUE);
    Pump();
    P().notes.clear();
    POINT a = Screen(s, 8, 30), b = Screen(s, 8, 240);
    // Pumped between steps: capture is taken when the press is handled.
    SigTestMouseButton(a.x, a.y, 1, TRUE);
    Pump();
    SigTestMouseMove(a.x, a.y + 40);
    Pump();
    SigTestMouseMove(b.x, b.y);
    Pump();
    SigTestMouseButton(b.x, b.y, 1, FALSE);
    Pump();
    seen = Scrolls();
    ASSERT_GE(seen.size(), 3u);
    EXPECT_EQ(seen[0].first, SB_THUMBTRACK);
    EXPECT_GT(seen[0].second, 0);
    EXPECT_EQ(seen[seen.size() - 2], std::make_pair(SB_THUMBPOSITION, 81));  // 100 - 20 + 1
    EXPECT_EQ(seen.back().first, SB_ENDSCROLL);
    EXPECT_EQ(GetScrollPos(s, SB_CTL), 0);  // the parent decides the position
    P().notes.clear();
    SetFocus(s);
    SigTestKeyPress(VK_HOME);
    SigTestKeyPress(VK_END);
    SigTestKeyPress(VK_NEXT);
    Pump();
    seen = Scrolls();
    std::vector<std::pair<int, int>> keys{{SB_TOP, 0}, {SB_ENDSCROLL, 0}, {SB_BOTTOM, 0},
                                          {SB_ENDSCROLL, 0}, {SB_PAGEDOWN, 0}, {SB_ENDSCROLL, 0}};
    EXPECT_EQ(seen, keys);
}

TEST_F(ScrollBar, HeldArrowRepeats) {
    HWND s = Make("SCROLLBAR", "", SBS_VERT, 10, 10, 17, 200, 1);
    SetScrollRange(s, SB_CTL, 0, 100, TRUE);
    Pump();
    P().notes.clear();
    POINT a = Screen(s, 8, 5);
    SigTestMouseButton(a.x, a.y, 1, TRUE);
    DWORD until = GetTickCount() + 700;
    while (GetTickCount() < until) SigTestWaitIdle(50);
    SigTestMouseButton(a.x, a.y, 1, FALSE);
    Pump();
    int lines = 0;
    for (auto& c : Scrolls()) lines += c.first == SB_LINEUP;
    EXPECT_GE(lines, 3);
    EXPECT_EQ(Scrolls().back().first, SB_ENDSCROLL);
}

class Progress : public ControlTest {};

TEST_F(Progress, RangePositionAndReturnedOldValues) {
    HWND p = Make("msctls_progress32", "", 0, 10, 10, 200, 20, 1);
    EXPECT_EQ(SendMessageA(p, PBM_SETRANGE, 0, MAKELPARAM(0, 50)), MAKELONG(0, 100));
    EXPECT_EQ(SendMessageA(p, PBM_SETPOS, 25, 0), 0);
    EXPECT_EQ(SendMessageA(p, PBM_GETPOS, 0, 0), 25);
    EXPECT_EQ(SendMessageA(p, PBM_SETPOS, 80, 0), 25);
    EXPECT_EQ(SendMessageA(p, PBM_GETPOS, 0, 0), 50);
    PBRANGE r{};
    SendMessageA(p, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&r));
    EXPECT_EQ(r.iLow, 0);
    EXPECT_EQ(r.iHigh, 50);
    SendMessageA(p, PBM_SETSTEP, 20, 0);
    SendMessageA(p, PBM_SETPOS, 40, 0);
    SendMessageA(p, PBM_STEPIT, 0, 0);
    EXPECT_EQ(SendMessageA(p, PBM_GETPOS, 0, 0), 10);
}

TEST_F(Progress, BarColourSmoothSegmentedAndVertical) {
    HWND s = Make("msctls_progress32", "", PBS_SMOOTH, 10, 10, 202, 20, 1);
    EXPECT_EQ(SendMessageA(s, PBM_SETBARCOLOR, 0, RGB(0, 200, 0)), static_cast<LRESULT>(0xFF000000u));
    SendMessageA(s, PBM_SETPOS, 50, 0);
    Pump();
    EXPECT_EQ(Pixel(s, 50, 10), RGB(0, 200, 0));
    EXPECT_NE(Pixel(s, 150, 10), RGB(0, 200, 0));
    // Segmented: gaps between the filled blocks.
    HWND g = Make("msctls_progress32", "", 0, 10, 40, 202, 20, 2);
    SendMessageA(g, PBM_SETBARCOLOR, 0, RGB(200, 0, 0));
    SendMessageA(g, PBM_SETPOS, 100, 0);
    Pump();
    int red = 0, other = 0;
    for (int x = 2; x < 100; ++x) (Pixel(g, x, 10) == RGB(200, 0, 0) ? red : other)++;
    EXPECT_GT(red, 60);
    EXPECT_GT(other, 5);
    HWND v = Make("msctls_progress32", "", PBS_VERTICAL | PBS_SMOOTH, 250, 10, 20, 102, 3);
    SendMessageA(v, PBM_SETBARCOLOR, 0, RGB(0, 0, 200));
    SendMessageA(v, PBM_SETPOS, 30, 0);
    Pump();
    EXPECT_EQ(Pixel(v, 10, 95), RGB(0, 0, 200));
    EXPECT_NE(Pixel(v, 10, 10), RGB(0, 0, 200));
    DestroyWindow(v);
    EXPECT_EQ(SendMessageA(v, PBM_SETPOS, 5, 0), 0);
}

}  // namespace
