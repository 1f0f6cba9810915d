// Input through the test hooks (the same path as real input): mouse
// coordinates and key states, double clicks, capture, focus and activation
// sequences, typed GBK text, the wheel and moving windows by their caption.
#include "platform/kernel/codepage.h"
#include "tests/platform/user/recorder.h"

using namespace sigtest;

namespace {

class Input : public WindowTest {};

void Pump() { SigTestWaitIdle(1000); }

std::vector<Seen> Only(UINT lo, UINT hi) {
    std::vector<Seen> out;
    for (auto& s : Log())
        if (s.msg >= lo && s.msg <= hi) out.push_back(s);
    return out;
}

}  // namespace

TEST_F(Input, ClicksArriveInClientCoordinatesWithKeyStates) {
    HWND p = Top("p", 100, 100, 300, 200);
    HWND c = Child(p, 1, 20, 30, 100, 50, RGB(255, 0, 0));
    Pump();
    POINT o{0, 0};
    ClientToScreen(c, &o);
    Log().clear();
    SigTestKey(VK_SHIFT, TRUE);
    SigTestClick(o.x + 5, o.y + 7, 1);
    Pump();
    auto downs = Only(WM_LBUTTONDOWN, WM_LBUTTONDOWN);
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(downs[0].hwnd, c);
    EXPECT_EQ(GET_X_LPARAM(downs[0].l), 5);
    EXPECT_EQ(GET_Y_LPARAM(downs[0].l), 7);
    EXPECT_EQ(downs[0].w, MK_LBUTTON | MK_SHIFT);
    EXPECT_LT(GetKeyState(VK_SHIFT), 0);
    EXPECT_LT(GetAsyncKeyState(VK_SHIFT), 0);
    SigTestKey(VK_SHIFT, FALSE);
    Pump();
    EXPECT_GE(GetKeyState(VK_SHIFT), 0);
    auto ups = Only(WM_LBUTTONUP, WM_LBUTTONUP);
    ASSERT_EQ(ups.size(), 1u);
    EXPECT_EQ(ups[0].w, static_cast<WPARAM>(MK_SHIFT));
}

TEST_F(Input, SetCursorPrecedesTheButtonMessage) {
    HWND p = Top("p", 100, 100, 300, 200);
    Pump();
    POINT o{10, 10};
    ClientToScreen(p, &o);
    Log().clear();
    SigTestClick(o.x, o.y, 1);
    Pump();
    // WM_SETCURSOR is not recorded; check the pointer the class asked for instead.
    EXPECT_EQ(GetCursor(), LoadCursorA(0, IDC_ARROW));
    auto seen = MessagesFor(p);
    EXPECT_EQ(seen, (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP}));
}

TEST_F(Input, DoubleClicksOnlyForClassesThatAskForThem) {
    HWND p = Top("p", 100, 100, 300, 200);
    HWND nd = CreateWindowExA(0, "SigTestRecNoDbl", "", WS_CHILD | WS_VISIBLE, 150, 0, 100, 100, p, 0, 0, nullptr);
    Pump();
    POINT a{10, 10}, b{160, 10};
    ClientToScreen(p, &a);
    ClientToScreen(p, &b);
    Log().clear();
    SigTestClick(a.x, a.y, 1);
    SigTestClick(a.x + 1, a.y, 1);
    SigTestClick(b.x, b.y, 1);
    SigTestClick(b.x, b.y, 1);
    Pump();
    EXPECT_EQ(MessagesFor(p), (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}));
    EXPECT_EQ(MessagesFor(nd), (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP}));
    Log().clear();
    SigTestClick(a.x, a.y, 1);
    Sleep(GetDoubleClickTime() + 50);
    SigTestClick(a.x, a.y, 1);
    Pump();
    EXPECT_EQ(MessagesFor(p), (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP}))
        << "too slow for a double click";
}

TEST_F(Input, CaptureTakesMouseInputOutsideTheWindow) {
    HWND p = Top("p", 100, 100, 300, 200);
    HWND c = Child(p, 1, 0, 0, 50, 50, 0);
    HWND other = Top("other", 600, 100, 100, 100);
    Pump();
    SetActiveWindow(p);
    Log().clear();
    EXPECT_EQ(SetCapture(c), 0u);
    POINT o{0, 0};
    ClientToScreen(c, &o);
    SigTestClick(650, 150, 1);  // over the other window
    Pump();
    auto downs = Only(WM_LBUTTONDOWN, WM_LBUTTONDOWN);
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(downs[0].hwnd, c);
    EXPECT_EQ(GET_X_LPARAM(downs[0].l), 650 - o.x);
    EXPECT_EQ(GET_Y_LPARAM(downs[0].l), 150 - o.y);
    EXPECT_EQ(GetActiveWindow(), p) << "a captured click activates nothing";
    EXPECT_EQ(SetCapture(p), c);
    auto changed = Only(WM_CAPTURECHANGED, WM_CAPTURECHANGED);
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(changed[0].hwnd, c);
    EXPECT_EQ(static_cast<HWND>(changed[0].l), p);
    ReleaseCapture();
    EXPECT_EQ(GetCapture(), 0u);
    EXPECT_EQ(Only(WM_CAPTURECHANGED, WM_CAPTURECHANGED).back().hwnd, p);
    Log().clear();
    SigTestClick(650, 150, 1);
    Pump();
    EXPECT_EQ(Only(WM_LBUTTONDOWN, WM_LBUTTONDOWN).at(0).hwnd, other);
}

TEST_F(Input, ActivationAndFocusSequences) {
    HWND a = Top("a", 0, 0, 200, 200);
    HWND ac = Child(a, 1, 0, 0, 50, 50, 0);
    HWND b = Top("b", 300, 0, 200, 200);
    Pump();
    EXPECT_EQ(GetActiveWindow(), b);
    SetFocus(ac);  // activates a first
    EXPECT_EQ(GetActiveWindow(), a);
    EXPECT_EQ(GetFocus(), ac);
    Log().clear();
    SetActiveWindow(b);
    std::vector<std::pair<HWND, UINT>> seq;
    for (auto& s : Log())
        if (s.msg == WM_NCACTIVATE || s.msg == WM_ACTIVATE || s.msg == WM_SETFOCUS || s.msg == WM_KILLFOCUS ||
            s.msg == WM_ACTIVATEAPP)
            seq.push_back({s.hwnd, s.msg});
    std::vector<std::pair<HWND, UINT>> want = {{a, WM_NCACTIVATE}, {a, WM_ACTIVATE},   {b, WM_NCACTIVATE},
                                               {b, WM_ACTIVATE},   {ac, WM_KILLFOCUS}, {b, WM_SETFOCUS}};
    EXPECT_EQ(seq, want);
    for (auto& s : Log()) {
        if (s.hwnd == a && s.msg == WM_ACTIVATE) {
            EXPECT_EQ(LOWORD(s.w), WA_INACTIVE);
            EXPECT_EQ(static_cast<HWND>(s.l), b);
        }
        if (s.hwnd == b && s.msg == WM_ACTIVATE) { EXPECT_EQ(static_cast<HWND>(s.l), a); }
        if (s.hwnd == b && s.msg == WM_SETFOCUS) { EXPECT_EQ(static_cast<HWND>(s.w), ac); }
    }
    Log().clear();
    SetActiveWindow(0);  // the program loses the activation
    bool app_off = false;
    for (auto& s : Log())
        if (s.msg == WM_ACTIVATEAPP && s.w == FALSE) app_off = true;
    EXPECT_TRUE(app_off);
    EXPECT_EQ(GetFocus(), 0u);
    Log().clear();
    SetActiveWindow(a);
    EXPECT_EQ(Messages().front(), WM_ACTIVATEAPP) << "the program regains activation first";
}

TEST_F(Input, ClickingAnInactiveWindowActivatesIt) {
    HWND a = Top("a", 0, 0, 200, 200);
    HWND b = Top("b", 300, 0, 200, 200);
    Pump();
    EXPECT_EQ(GetActiveWindow(), b);
    Log().clear();
    POINT o{5, 5};
    ClientToScreen(a, &o);
    SigTestClick(o.x, o.y, 1);
    Pump();
    EXPECT_EQ(GetActiveWindow(), a);
    auto seen = MessagesFor(a);
    auto act = std::find(seen.begin(), seen.end(), WM_MOUSEACTIVATE);
    auto down = std::find(seen.begin(), seen.end(), WM_LBUTTONDOWN);
    ASSERT_NE(act, seen.end());
    ASSERT_NE(down, seen.end());
    EXPECT_LT(act, down) << "mouse activation precedes the click";
    for (auto& s : Log())
        if (s.hwnd == a && s.msg == WM_ACTIVATE) { EXPECT_EQ(LOWORD(s.w), WA_CLICKACTIVE); }
}

TEST_F(Input, DisabledWindowsTakeNoClicks) {
    HWND a = Top("a", 0, 0, 200, 200);
    HWND c = Child(a, 1, 0, 0, 50, 50, 0);
    Pump();
    EnableWindow(c, FALSE);
    POINT o{5, 5};
    ClientToScreen(c, &o);
    Log().clear();
    SigTestClick(o.x, o.y, 1);
    Pump();
    EXPECT_TRUE(Only(WM_LBUTTONDOWN, WM_LBUTTONUP).empty());
}

TEST_F(Input, KeysGoToTheFocusWithNumericKeypadCodes) {
    HWND a = Top("a", 0, 0, 200, 200);
    HWND c = Child(a, 1, 0, 0, 50, 50, 0);
    Pump();
    SetFocus(c);
    Log().clear();
    SigTestKeyPress(VK_NUMPAD5);
    SigTestKeyPress(VK_ADD);
    SigTestKeyPress(VK_DECIMAL);
    SigTestKey(VK_DOWN, TRUE);
    Pump();
    auto keys = Only(WM_KEYDOWN, WM_KEYUP);
    ASSERT_EQ(keys.size(), 7u);
    EXPECT_EQ(keys[0].hwnd, c);
    EXPECT_EQ(keys[0].w, static_cast<WPARAM>(VK_NUMPAD5));
    EXPECT_EQ((keys[0].l >> 16) & 0xFF, 0x4C) << "scan code of keypad 5";
    EXPECT_EQ(keys[1].msg, WM_KEYUP);
    EXPECT_TRUE(keys[1].l & (1u << 31)) << "transition bit of a release";
    EXPECT_EQ(keys[2].w, static_cast<WPARAM>(VK_ADD));
    EXPECT_EQ(keys[4].w, static_cast<WPARAM>(VK_DECIMAL));
    EXPECT_EQ(keys[6].w, static_cast<WPARAM>(VK_DOWN));
    EXPECT_TRUE(keys[6].l & (1 << 24)) << "arrows are extended keys";
    EXPECT_LT(GetKeyState(VK_DOWN), 0);
    SigTestKey(VK_DOWN, FALSE);
    Pump();
}

TEST_F(Input, TypedChineseArrivesAsGbkBytes) {
    HWND a = Top("a", 0, 0, 200, 200);
    Pump();
    SetFocus(a);
    Log().clear();
    std::string gbk = platform::Utf8ToGbk("A\xe4\xb8\xad");  // "A中"
    ASSERT_EQ(gbk.size(), 3u);
    SigTestTypeText(gbk.c_str());
    SigTestKeyPress(VK_RETURN);
    MSG m;
    std::vector<WPARAM> chars;
    for (int i = 0; i < 20 && PeekMessageA(&m, 0, 0, 0, PM_REMOVE); ++i) {
        TranslateMessage(&m);
        if (m.message == WM_CHAR) chars.push_back(m.wParam);
        DispatchMessageA(&m);
    }
    std::vector<WPARAM> want = {'A', 0xD6, 0xD0, '\r'};
    EXPECT_EQ(chars, want);
}

TEST_F(Input, WheelGoesToTheFocusAndBubblesToTheParent) {
    HWND a = Top("a", 0, 0, 200, 200);
    HWND c = Child(a, 1, 0, 0, 50, 50, 0);
    Pump();
    SetFocus(c);
    Log().clear();
    SigTestMouseWheel(10, 10, -240);
    Pump();
    auto w = Only(WM_MOUSEWHEEL, WM_MOUSEWHEEL);
    ASSERT_EQ(w.size(), 2u);
    EXPECT_EQ(w[0].hwnd, c);
    EXPECT_EQ(w[1].hwnd, a) << "DefWindowProc passes the wheel to the parent";
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(w[0].w), -240);
}

TEST_F(Input, DraggingTheCaptionMovesAndTheFrameSizes) {
    HWND h = Top("drag", 100, 100, 300, 200);
    Pump();
    RECT r;
    GetWindowRect(h, &r);
    int cx = r.left + 60, cy = r.top + 10;  // on the caption
    SigTestMouseMove(cx, cy);
    SigTestMouseButton(cx, cy, 1, TRUE);
    Pump();
    SigTestMouseMove(cx + 40, cy + 25);
    SigTestMouseButton(cx + 40, cy + 25, 1, FALSE);
    Pump();
    RECT n;
    GetWindowRect(h, &n);
    EXPECT_EQ(n.left, r.left + 40);
    EXPECT_EQ(n.top, r.top + 25);
    EXPECT_EQ(n.right - n.left, 300);
    int bx = n.right - 2, by = n.top + 100;  // right edge of the sizing frame
    SigTestMouseMove(bx, by);
    SigTestMouseButton(bx, by, 1, TRUE);
    Pump();
    SigTestMouseMove(bx + 50, by);
    SigTestMouseButton(bx + 50, by, 1, FALSE);
    Pump();
    GetWindowRect(h, &r);
    EXPECT_EQ(r.right - r.left, 350);
    EXPECT_EQ(r.left, n.left);
}

TEST_F(Input, CloseButtonAndCloseRequestEndInDestroy) {
    HWND h = Top("close", 100, 100, 300, 200);
    Pump();
    RECT r;
    GetWindowRect(h, &r);
    LRESULT hit = SendMessageA(h, WM_NCHITTEST, 0, MAKELPARAM(r.right - 12, r.top + 10));
    EXPECT_EQ(hit, HTCLOSE);
    SigTestClick(r.right - 12, r.top + 10, 1);
    Pump();
    EXPECT_FALSE(IsWindow(h));
    HWND g = Top("request", 100, 100, 300, 200);
    Pump();
    SigTestCloseRequest(g);
    Pump();
    EXPECT_FALSE(IsWindow(g));
}
