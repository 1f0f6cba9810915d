// Tooltips over rectangles of a window (as the colour palette's cells use
// them) and up-down arrows asking the parent through WM_NOTIFY.
#include "tests/platform/controls/fixture.h"

using namespace ctltest;

namespace {

class Tooltip : public ControlTest {
protected:
    HWND tip = 0;
    HWND area = 0;
    void SetUp() override {
        ControlTest::SetUp();
        area = Make("BUTTON", "", BS_GROUPBOX, 10, 10, 200, 100, 1);
        tip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, "", WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, parent, 0, 0, nullptr);
        ASSERT_TRUE(tip);
        SendMessageA(tip, TTM_SETDELAYTIME, 3 /* initial */, 50);
        Add(1, RECT{0, 0, 50, 50}, "red");
        Add(2, RECT{50, 0, 100, 50}, "green");
    }
    void Add(UINT_PTR id, RECT r, const char* text) {
        TOOLINFOA ti{};
        ti.cbSize = sizeof ti;
        ti.uFlags = TTF_SUBCLASS;
        ti.hwnd = area;
        ti.uId = id;
        ti.rect = r;
        ti.lpszText = const_cast<char*>(text);
        EXPECT_TRUE(SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti)));
    }
    void Rest(int x, int y) {
        POINT p = Screen(area, x, y);
        SigTestMouseMove(p.x, p.y);
        DWORD until = GetTickCount() + 200;
        while (GetTickCount() < until) SigTestWaitIdle(20);
    }
    std::string Shown() { return IsWindowVisible(tip) ? Text(tip) : std::string("<hidden>"); }
};

TEST_F(Tooltip, ShowsTheTextOfTheRectangleUnderThePointer) {
    EXPECT_EQ(SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 2);
    EXPECT_EQ(Shown(), "<hidden>");
    Rest(20, 20);
    EXPECT_EQ(Shown(), "red");
    RECT wr;
    GetWindowRect(tip, &wr);
    POINT p = Screen(area, 20, 20);
    EXPECT_GT(wr.top, p.y);  // below the pointer
    Rest(70, 20);
    EXPECT_EQ(Shown(), "green");
    Rest(150, 80);  // no tool there
    EXPECT_EQ(Shown(), "<hidden>");
    // Changed text and rectangles, and a removed tool.
    TOOLINFOA ti{};
    ti.cbSize = sizeof ti;
    ti.hwnd = area;
    ti.uId = 2;
    ti.lpszText = const_cast<char*>("lime");
    SendMessageA(tip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&ti));
    ti.rect = RECT{100, 50, 200, 100};
    SendMessageA(tip, TTM_NEWTOOLRECTA, 0, reinterpret_cast<LPARAM>(&ti));
    Rest(150, 80);
    EXPECT_EQ(Shown(), "lime");
    SendMessageA(tip, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
    EXPECT_EQ(SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
    EXPECT_EQ(Shown(), "<hidden>");
}

TEST_F(Tooltip, ClicksHideAndDestroyedWindowsAreSafe) {
    Rest(20, 20);
    EXPECT_EQ(Shown(), "red");
    Click(area, 20, 20);
    EXPECT_EQ(Shown(), "<hidden>");
    EXPECT_FALSE(SendMessageA(tip, TTM_ADDTOOLA, 0, 0));
    SendMessageA(tip, TTM_DELTOOLA, 0, 0);
    SendMessageA(tip, TTM_RELAYEVENT, 0, 0);
    DestroyWindow(area);
    Pump();
    DestroyWindow(tip);
    Pump();
}

class UpDown : public ControlTest {};

TEST_F(UpDown, ArrowsAskTheParentAndStayInRange) {
    HWND u = Make(UPDOWN_CLASSA, "", 0, 10, 10, 20, 40, 3);
    SendMessageA(u, UDM_SETRANGE, 0, MAKELPARAM(5, 0));  // upper 5, lower 0
    SendMessageA(u, UDM_SETPOS, 0, MAKELPARAM(4, 0));
    Click(u, 10, 5);  // upper arrow
    ASSERT_FALSE(P().notes.empty());
    EXPECT_EQ(P().notes[0].msg, static_cast<UINT>(WM_NOTIFY));
    EXPECT_EQ(P().notes[0].code, static_cast<int>(UDN_DELTAPOS));
    EXPECT_EQ(P().notes[0].pos, 1);  // iDelta
    EXPECT_EQ(P().notes[0].id, 3);
    EXPECT_EQ(SendMessageA(u, UDM_GETPOS32, 0, 0), 5);
    Click(u, 10, 5);
    EXPECT_EQ(SendMessageA(u, UDM_GETPOS32, 0, 0), 5);  // at the top
    Click(u, 10, 35);  // lower arrow
    EXPECT_EQ(SendMessageA(u, UDM_GETPOS32, 0, 0), 4);
    // A parent answering non-zero refuses the step.
    P().deltapos_veto = 1;
    Click(u, 10, 35);
    EXPECT_EQ(SendMessageA(u, UDM_GETPOS32, 0, 0), 4);
    // The pressed arrow is drawn pushed while the button is held.
    P().deltapos_veto = 0;
    auto arrow = [&] {
        std::vector<COLORREF> px;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x) px.push_back(Pixel(u, x, y));
        return px;
    };
    auto up_before = arrow();
    POINT p = Screen(u, 10, 5);
    SigTestMouseButton(p.x, p.y, 1, TRUE);
    Pump();
    auto up_pressed = arrow();
    SigTestMouseButton(p.x, p.y, 1, FALSE);
    Pump();
    EXPECT_NE(up_before, up_pressed);
    EXPECT_EQ(arrow(), up_before);
}

}  // namespace
