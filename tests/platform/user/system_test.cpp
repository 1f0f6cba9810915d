// System services of the window system: the pointer shape chosen by
// WM_SETCURSOR, class words, registered messages, toggle keys, the clipboard
// and the system parameters the units read.
#include <cstring>

#include "platform/kernel/codepage.h"
#include "tests/platform/user/recorder.h"

using namespace sigtest;

namespace {
class System : public WindowTest {};
}  // namespace

TEST_F(System, PointerShapeFollowsTheHitTest) {
    HWND h = Top("cursor", 100, 100, 300, 200);
    SigTestWaitIdle(500);
    RECT r;
    GetWindowRect(h, &r);
    struct {
        int x, y;
        LPCSTR want;
    } cases[] = {{r.left + 1, r.top + 100, IDC_SIZEWE},      {r.left + 150, r.bottom - 1, IDC_SIZENS},
                 {r.right - 1, r.bottom - 1, IDC_SIZENWSE},  {r.right - 1, r.top + 1, IDC_SIZENESW},
                 {r.left + 150, r.top + 10, IDC_ARROW},      {r.left + 150, r.top + 100, IDC_ARROW}};
    for (auto& k : cases) {
        SetCursor(0);
        SigTestMouseMove(k.x, k.y);
        SigTestMouseButton(k.x, k.y, 3, TRUE);  // the pointer is set when a click is taken
        SigTestMouseButton(k.x, k.y, 3, FALSE);
        SigTestWaitIdle(500);
        EXPECT_EQ(GetCursor(), LoadCursorA(0, k.want)) << k.x - r.left << "," << k.y - r.top;
    }
}

TEST_F(System, ClassWordsAndRegisteredMessages) {
    HWND h = Top("class", 0, 0, 100, 100, WS_POPUP);
    char name[32];
    EXPECT_EQ(GetClassNameA(h, name, sizeof name), 10);
    EXPECT_STREQ(name, "SigTestRec");
    EXPECT_EQ(GetClassLongA(h, GCL_STYLE), static_cast<DWORD>(CS_DBLCLKS));
    EXPECT_EQ(GetClassLongPtrA(h, GCL_WNDPROC), reinterpret_cast<ULONG_PTR>(RecordingProc));
    EXPECT_EQ(GetClassLongA(h, GCL_HBRBACKGROUND), static_cast<DWORD>(COLOR_BTNFACE + 1));
    WNDCLASSA wc{};
    EXPECT_TRUE(GetClassInfoA(0, "sigtestrec", &wc));
    EXPECT_EQ(wc.lpfnWndProc, RecordingProc);
    WNDCLASSA dup = wc;
    dup.lpszClassName = "SIGTESTREC";
    EXPECT_EQ(RegisterClassA(&dup), 0) << "a class name is taken whatever its case";
    EXPECT_FALSE(UnregisterClassA("SigTestRec", 0)) << "windows of the class still exist";
    UINT a = RegisterWindowMessageA("SigTest.Query"), b = RegisterWindowMessageA("sigtest.query");
    EXPECT_GE(a, 0xC000u);
    EXPECT_EQ(a, b);
    EXPECT_NE(RegisterWindowMessageA("SigTest.Other"), a);
    EXPECT_EQ(RegisterWindowMessageA(""), 0u);
}

TEST_F(System, ToggleKeysFlipOnEachPress) {
    HWND h = Top("keys", 0, 0, 100, 100);
    SigTestWaitIdle(500);
    SetFocus(h);
    SHORT before = GetKeyState(VK_CAPITAL) & 1;
    SigTestKeyPress(VK_CAPITAL);
    SigTestWaitIdle(500);
    EXPECT_NE(GetKeyState(VK_CAPITAL) & 1, before);
    EXPECT_GE(GetKeyState(VK_CAPITAL), 0) << "released";
    SigTestKeyPress(VK_CAPITAL);
    SigTestWaitIdle(500);
    EXPECT_EQ(GetKeyState(VK_CAPITAL) & 1, before);
    // Alt turns keys into system keys; Alt+F4 closes the window.
    Log().clear();
    SigTestKey(VK_MENU, TRUE);
    SigTestKeyPress(VK_F4);
    SigTestKey(VK_MENU, FALSE);
    SigTestWaitIdle(500);
    bool sys = false;
    for (auto& s : Log())
        if (s.msg == WM_SYSKEYDOWN && s.w == VK_F4) sys = true;
    EXPECT_TRUE(sys);
    EXPECT_FALSE(IsWindow(h));
}

TEST_F(System, ClipboardTextRoundTripsAsGbk) {
    std::string gbk = platform::Utf8ToGbk("复制 copy");
    ASSERT_TRUE(OpenClipboard(0));
    EXPECT_FALSE(OpenClipboard(0)) << "already open";
    EXPECT_TRUE(EmptyClipboard());
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, gbk.size() + 1);
    std::memcpy(GlobalLock(mem), gbk.c_str(), gbk.size() + 1);
    GlobalUnlock(mem);
    EXPECT_TRUE(SetClipboardData(CF_TEXT, mem));
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
    HANDLE got = GetClipboardData(CF_TEXT);
    ASSERT_TRUE(got);
    EXPECT_EQ(std::string(static_cast<const char*>(GlobalLock(got))), gbk);
    GlobalUnlock(got);
    EXPECT_EQ(GetClipboardData(2), 0u) << "text only";
    EXPECT_TRUE(CloseClipboard());
    EXPECT_EQ(GetClipboardData(CF_TEXT), 0u) << "closed";
}

TEST_F(System, ParametersMetricsAndColours) {
    RECT work;
    EXPECT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
    EXPECT_EQ(work.right, GetSystemMetrics(SM_CXSCREEN));
    NONCLIENTMETRICSA m{};
    m.cbSize = sizeof m;
    EXPECT_TRUE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, 0, &m, 0));
    EXPECT_EQ(m.iCaptionHeight + 1, GetSystemMetrics(SM_CYCAPTION));
    EXPECT_STREQ(m.lfMessageFont.lfFaceName, platform::Utf8ToGbk("宋体").c_str());
    m.cbSize = 4;
    EXPECT_FALSE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, 0, &m, 0)) << "a short structure is refused";
    EXPECT_FALSE(SystemParametersInfoA(SPI_GETWORKAREA, 0, nullptr, 0));
    LOGBRUSH lb;
    HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
    EXPECT_EQ(GetSysColorBrush(COLOR_BTNFACE), face);
    GetObjectA(face, sizeof lb, &lb);
    EXPECT_EQ(lb.lbColor, GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(GetSysColor(-1), 0u);
    EXPECT_EQ(GetSysColorBrush(99), 0u);
    EXPECT_EQ(SendMessageA(Top("q", 0, 0, 10, 10, WS_POPUP), WM_QUERYENDSESSION, 0, 0), TRUE);
}
