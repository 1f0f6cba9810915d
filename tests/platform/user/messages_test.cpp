// The message queue: send against post, the place of WM_PAINT and WM_TIMER,
// paint coalescing, the quit message and calls from other threads.
#include <atomic>
#include <fstream>
#include <string>
#include <thread>

#include "tests/platform/user/recorder.h"

using namespace sigtest;

namespace {

class Queue : public WindowTest {};

std::vector<UINT> Drain(HWND only = 0) {
    std::vector<UINT> got;
    MSG m;
    while (PeekMessageA(&m, only, 0, 0, PM_REMOVE)) {
        got.push_back(m.message);
        DispatchMessageA(&m);
    }
    return got;
}

}  // namespace

TEST_F(Queue, SendRunsAtOncePostWaitsForDispatch) {
    HWND h = Top("q", 0, 0, 100, 100, WS_POPUP);
    Drain();
    Log().clear();
    EXPECT_TRUE(PostMessageA(h, WM_USER + 1, 11, 0));
    SendMessageA(h, WM_USER + 2, 22, 0);
    ASSERT_EQ(Log().size(), 1u);
    EXPECT_EQ(Log()[0].msg, WM_USER + 2u) << "the sent message ran inside SendMessage";
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, 0, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_USER + 1u);
    EXPECT_EQ(m.wParam, 11u);
    EXPECT_EQ(Log().size(), 1u) << "a posted message runs only when dispatched";
    DispatchMessageA(&m);
    EXPECT_EQ(Log().back().msg, WM_USER + 1u);
}

TEST_F(Queue, PostedMessagesKeepTheirOrderAndFilters) {
    HWND a = Top("a", 0, 0, 100, 100, WS_POPUP);
    HWND b = Top("b", 0, 0, 100, 100, WS_POPUP);
    Drain();
    PostMessageA(a, WM_USER + 1, 0, 0);
    PostMessageA(b, WM_USER + 2, 0, 0);
    PostMessageA(a, WM_USER + 3, 0, 0);
    PostMessageA(0, WM_USER + 4, 0, 0);  // a thread message
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, b, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_USER + 2u) << "the window filter skips other windows";
    ASSERT_TRUE(PeekMessageA(&m, 0, WM_USER + 3, WM_USER + 4, PM_NOREMOVE));
    EXPECT_EQ(m.message, WM_USER + 3u) << "the range filter";
    EXPECT_EQ(Drain(), (std::vector<UINT>{WM_USER + 1, WM_USER + 3, WM_USER + 4}));
}

TEST_F(Queue, PaintComesAfterPostedAndInputAndIsCoalesced) {
    HWND h = Top("paint", 0, 0, 200, 200, WS_POPUP | WS_VISIBLE);
    Drain();
    RECT r1{10, 10, 20, 20}, r2{50, 60, 70, 80};
    InvalidateRect(h, &r1, FALSE);
    InvalidateRect(h, &r2, TRUE);
    PostMessageA(h, WM_USER + 1, 0, 0);
    SigTestKeyPress('A');
    SetFocus(h);
    std::vector<UINT> order;
    std::vector<RECT> painted;
    MSG m;
    while (PeekMessageA(&m, 0, 0, 0, PM_REMOVE)) {
        order.push_back(m.message);
        if (m.message == WM_PAINT) {
            PAINTSTRUCT ps;
            BeginPaint(m.hwnd, &ps);
            painted.push_back(ps.rcPaint);
            EXPECT_FALSE(ps.fErase) << "the class brush erased the background";
            EndPaint(m.hwnd, &ps);
        } else {
            DispatchMessageA(&m);
        }
    }
    std::vector<UINT> want = {WM_USER + 1, WM_KEYDOWN, WM_KEYUP, WM_PAINT};
    EXPECT_EQ(order, want);
    ASSERT_EQ(painted.size(), 1u) << "two invalidations, one WM_PAINT";
    EXPECT_EQ(painted[0].left, 10);
    EXPECT_EQ(painted[0].top, 10);
    EXPECT_EQ(painted[0].right, 70);
    EXPECT_EQ(painted[0].bottom, 80);
}

TEST_F(Queue, ValidateAndUpdateWindow) {
    HWND h = Top("v", 0, 0, 100, 100, WS_POPUP | WS_VISIBLE);
    Drain();
    InvalidateRect(h, nullptr, FALSE);
    RECT u;
    EXPECT_TRUE(GetUpdateRect(h, &u, FALSE));
    ValidateRect(h, nullptr);
    EXPECT_FALSE(GetUpdateRect(h, &u, FALSE));
    MSG m;
    EXPECT_FALSE(PeekMessageA(&m, 0, WM_PAINT, WM_PAINT, PM_NOREMOVE));
    InvalidateRect(h, nullptr, FALSE);
    Log().clear();
    UpdateWindow(h);
    EXPECT_EQ(MessagesFor(h), (std::vector<UINT>{WM_PAINT})) << "UpdateWindow sends WM_PAINT at once";
    EXPECT_FALSE(PeekMessageA(&m, 0, WM_PAINT, WM_PAINT, PM_NOREMOVE));
}

TEST_F(Queue, HiddenWindowsGetNoPaint) {
    HWND h = Top("hidden", 0, 0, 100, 100, WS_POPUP);
    Drain();
    InvalidateRect(h, nullptr, TRUE);
    MSG m;
    EXPECT_FALSE(PeekMessageA(&m, 0, WM_PAINT, WM_PAINT, PM_NOREMOVE));
}

TEST_F(Queue, TimersFireOnTheClockAndDoNotPileUp) {
    HWND h = Top("t", 0, 0, 100, 100, WS_POPUP);
    Drain();
    EXPECT_EQ(SetTimer(h, 5, 30, nullptr), 5u);
    MSG m;
    EXPECT_FALSE(PeekMessageA(&m, 0, WM_TIMER, WM_TIMER, PM_NOREMOVE)) << "not due yet";
    Sleep(120);  // four periods
    int fired = 0;
    while (PeekMessageA(&m, 0, WM_TIMER, WM_TIMER, PM_REMOVE)) {
        EXPECT_EQ(m.wParam, 5u);
        EXPECT_EQ(m.hwnd, h);
        ++fired;
    }
    EXPECT_EQ(fired, 1) << "missed periods collapse into one WM_TIMER";
    EXPECT_TRUE(KillTimer(h, 5));
    Sleep(50);
    EXPECT_FALSE(PeekMessageA(&m, 0, WM_TIMER, WM_TIMER, PM_NOREMOVE));
    EXPECT_FALSE(KillTimer(h, 5));
}

TEST_F(Queue, TimerComesAfterPaintAndGetMessageWaitsForIt) {
    static int calls = 0;
    struct P {
        static void Proc(HWND, UINT m, UINT_PTR, DWORD) {
            if (m == WM_TIMER) ++calls;
        }
    };
    HWND h = Top("tp", 0, 0, 100, 100, WS_POPUP | WS_VISIBLE);
    Drain();
    UINT_PTR id = SetTimer(0, 0, 20, P::Proc);
    EXPECT_NE(id, 0u);
    DWORD start = GetTickCount();
    MSG m;
    ASSERT_TRUE(GetMessageA(&m, 0, 0, 0));
    EXPECT_EQ(m.message, WM_TIMER);
    EXPECT_GE(GetTickCount() - start, 15u) << "GetMessage blocked until the timer was due";
    Sleep(30);
    InvalidateRect(h, nullptr, FALSE);
    ASSERT_TRUE(GetMessageA(&m, 0, 0, 0));
    EXPECT_EQ(m.message, WM_PAINT) << "paint before a due timer";
    DispatchMessageA(&m);
    ASSERT_TRUE(GetMessageA(&m, 0, 0, 0));
    EXPECT_EQ(m.message, WM_TIMER);
    calls = 0;
    DispatchMessageA(&m);
    EXPECT_EQ(calls, 1) << "a timer procedure runs from DispatchMessage";
    KillTimer(0, id);
}

TEST_F(Queue, QuitEndsGetMessageAfterPostedMessages) {
    HWND h = Top("quit", 0, 0, 100, 100, WS_POPUP);
    Drain();
    PostQuitMessage(3);
    PostMessageA(h, WM_USER, 0, 0);
    MSG m;
    ASSERT_TRUE(GetMessageA(&m, 0, 0, 0));
    EXPECT_EQ(m.message, WM_USER);
    EXPECT_FALSE(GetMessageA(&m, 0, 0, 0));
    EXPECT_EQ(m.message, WM_QUIT);
    EXPECT_EQ(m.wParam, 3u);
}

TEST_F(Queue, OtherThreadsPostSendAndInvalidate) {
    HWND h = Top("mt", 0, 0, 100, 100, WS_POPUP | WS_VISIBLE);
    Drain();
    std::atomic<LRESULT> sent{-1};
    std::thread t([&] {
        for (int i = 0; i < 100; ++i) PostMessageA(h, WM_USER + 1, static_cast<WPARAM>(i), 0);
        RECT r{0, 0, 5, 5};
        InvalidateRect(h, &r, FALSE);
        sent = SendMessageA(h, WM_USER + 2, 0, 0);  // blocks until the UI thread runs it
    });
    std::vector<WPARAM> posted;
    bool painted = false;
    for (int spins = 0; spins < 2000 && (sent == -1 || posted.size() < 100 || !painted); ++spins) {
        MSG m;
        while (PeekMessageA(&m, 0, 0, 0, PM_REMOVE)) {
            if (m.message == WM_USER + 1) posted.push_back(m.wParam);
            if (m.message == WM_PAINT) painted = true;
            DispatchMessageA(&m);
        }
        Sleep(1);
    }
    t.join();
    EXPECT_EQ(sent.load(), 0);
    bool ran = false;
    for (auto& s : Log())
        if (s.msg == WM_USER + 2) ran = true;
    EXPECT_TRUE(ran) << "the sent message ran on the UI thread";
    ASSERT_EQ(posted.size(), 100u);
    for (size_t i = 0; i < posted.size(); ++i) EXPECT_EQ(posted[i], i);
    EXPECT_TRUE(painted) << "an invalidation from another thread produces WM_PAINT";
}

TEST_F(Queue, WaitIdleAndWaitForWindowHooks) {
    HWND h = Top("idle", 0, 0, 100, 100, WS_POPUP);
    for (int i = 0; i < 5; ++i) PostMessageA(h, WM_USER, 0, 0);
    EXPECT_TRUE(SigTestWaitIdle(1000));
    MSG m;
    EXPECT_FALSE(PeekMessageA(&m, 0, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(SigTestWaitForWindow("idle", 50), 0u) << "not visible yet";
    ShowWindow(h, SW_SHOW);
    EXPECT_EQ(SigTestWaitForWindow("idle", 50), h);
    EXPECT_STREQ(SigTestBackendName(), "headless");
}

// The display library is opened only for the display backend: a headless
// program (tests, automation) never maps it, nor the audio and desktop-bus
// libraries it would bring.
TEST_F(Queue, HeadlessProgramsNeverLoadTheDisplayLibrary) {
    HWND h = Top("shown", 0, 0, 50, 50, WS_POPUP | WS_VISIBLE);
    ASSERT_TRUE(h);
    SigTestWaitIdle(200);
    EXPECT_STREQ(SigTestBackendName(), "headless");
    std::ifstream maps("/proc/self/maps");
    std::string line;
    bool sdl = false;
    while (std::getline(maps, line))
        if (line.find("libSDL2") != std::string::npos) sdl = true;
    EXPECT_FALSE(sdl);
}
