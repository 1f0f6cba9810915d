// The desktop handing the focus to one of our pop-ups: a pop-up that a click
// would not activate (a tip, an open list) leaves the window that opened it
// active, with its focus and capture; an ordinary window is activated.
#include "platform/backend/backend.h"
#include "tests/platform/user/recorder.h"
#include "win/commctrl.h"

using namespace sigtest;

namespace {

class PopupActivation : public WindowTest {};

void Pump() { SigTestWaitIdle(1000); }

// As a desktop reports the focus moving from one of our windows to another.
void DesktopFocus(HWND from, HWND to) {
    namespace backend = platform::backend;
    backend::Event lost;
    lost.type = backend::EventType::FocusLost;
    lost.window = from;
    backend::Current().Inject(lost);
    backend::Event gained;
    gained.type = backend::EventType::FocusGained;
    gained.window = to;
    backend::Current().Inject(gained);
    Pump();
}

LRESULT CALLBACK NoActivateProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_MOUSEACTIVATE) return MA_NOACTIVATE;
    return RecordingProc(h, m, w, l);
}

HWND NoActivatePopup(HWND owner) {
    WNDCLASSA wc{};
    if (!GetClassInfoA(0, "SigTestNoActivate", &wc)) {
        wc.lpfnWndProc = NoActivateProc;
        wc.lpszClassName = "SigTestNoActivate";
        RegisterClassA(&wc);
    }
    HWND h = CreateWindowExA(WS_EX_TOPMOST, "SigTestNoActivate", "", WS_POPUP, 50, 50, 80, 40, owner, 0, 0, nullptr);
    ShowWindow(h, SW_SHOWNOACTIVATE);
    return h;
}

bool Deactivated(HWND h) {
    for (auto& s : Log())
        if (s.hwnd == h && ((s.msg == WM_ACTIVATE && LOWORD(s.w) == WA_INACTIVE) || s.msg == WM_KILLFOCUS ||
                            (s.msg == WM_ACTIVATEAPP && s.w == FALSE)))
            return true;
    return false;
}

}  // namespace

TEST_F(PopupActivation, AFocusedNonActivatingPopupLeavesItsOpenerActive) {
    HWND opener = Top("opener", 0, 0, 300, 200, WS_POPUP | WS_VISIBLE);
    Pump();
    ASSERT_EQ(GetActiveWindow(), opener);
    SetCapture(opener);
    HWND popup = NoActivatePopup(opener);
    ASSERT_EQ(GetActiveWindow(), opener);
    Log().clear();
    DesktopFocus(opener, popup);
    EXPECT_EQ(GetActiveWindow(), opener);
    EXPECT_EQ(GetFocus(), opener);
    EXPECT_EQ(GetCapture(), opener);
    EXPECT_FALSE(Deactivated(opener));
    // The desktop's focus coming back changes nothing either.
    DesktopFocus(popup, opener);
    EXPECT_EQ(GetActiveWindow(), opener);
    EXPECT_FALSE(Deactivated(opener));
    ReleaseCapture();
}

TEST_F(PopupActivation, ATipShownOverAnActivePopupLeavesThePopupActive) {
    HWND main = Top("main", 0, 0, 300, 200, WS_POPUP | WS_VISIBLE);
    HWND palette = Top("palette", 20, 120, 100, 60, WS_POPUP | WS_VISIBLE);
    Pump();
    ASSERT_EQ(GetActiveWindow(), palette);
    SetCapture(palette);
    HWND tip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, "", WS_POPUP, 0, 0, 0, 0, palette, 0, 0, nullptr);
    ASSERT_NE(tip, 0u);
    ShowWindow(tip, SW_SHOWNOACTIVATE);
    Log().clear();
    DesktopFocus(palette, tip);
    EXPECT_EQ(GetActiveWindow(), palette);
    EXPECT_EQ(GetFocus(), palette);
    EXPECT_EQ(GetCapture(), palette);
    EXPECT_FALSE(Deactivated(palette));
    EXPECT_FALSE(Deactivated(main));
    ReleaseCapture();
}

TEST_F(PopupActivation, AnOrdinaryWindowTheDesktopFocusesIsActivated) {
    HWND a = Top("a", 0, 0, 200, 200, WS_POPUP | WS_VISIBLE);
    HWND b = Top("b", 300, 0, 200, 200, WS_POPUP | WS_VISIBLE);
    SetActiveWindow(a);
    Pump();
    ASSERT_EQ(GetActiveWindow(), a);
    DesktopFocus(a, b);
    EXPECT_EQ(GetActiveWindow(), b);
    EXPECT_EQ(GetFocus(), b);
    // Focus lost to no window of ours: the program is left.
    Log().clear();
    platform::backend::Event lost;
    lost.type = platform::backend::EventType::FocusLost;
    lost.window = b;
    platform::backend::Current().Inject(lost);
    Pump();
    EXPECT_EQ(GetActiveWindow(), 0u);
    EXPECT_TRUE(Deactivated(b));
}
