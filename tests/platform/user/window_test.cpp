// Window objects: creation and destruction order, window words, subclassing,
// z-order, showing, minimising and maximising, refusal of stale handles.
#include "tests/platform/user/recorder.h"

using namespace sigtest;

namespace {

LRESULT RefuseNcCreate(HWND h, UINT m, WPARAM w, LPARAM l) {
    Log().push_back({h, m, w, l});
    if (m == WM_NCCREATE) return FALSE;
    return DefWindowProcA(h, m, w, l);
}

LRESULT FailCreate(HWND h, UINT m, WPARAM w, LPARAM l) {
    Log().push_back({h, m, w, l});
    if (m == WM_CREATE) return -1;
    return DefWindowProcA(h, m, w, l);
}

WNDPROC g_prev = nullptr;
int g_subclassed = 0;
LRESULT Subclass(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_USER + 7) {
        ++g_subclassed;
        return 77 + CallWindowProcA(g_prev, h, m, w, l);
    }
    return CallWindowProcA(g_prev, h, m, w, l);
}

LRESULT UserPlusOne(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_USER + 7) return 1;
    return DefWindowProcA(h, m, w, l);
}

class Windows : public WindowTest {};

}  // namespace

TEST_F(Windows, CreationSendsMessagesInWindowsOrder) {
    HWND h = Top("order", 10, 10, 200, 150, WS_OVERLAPPEDWINDOW);
    ASSERT_TRUE(h);
    std::vector<UINT> want = {WM_GETMINMAXINFO, WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE};
    EXPECT_EQ(MessagesFor(h), want);
    char title[16];
    EXPECT_EQ(GetWindowTextA(h, title, sizeof title), 5);
    EXPECT_STREQ(title, "order");
}

TEST_F(Windows, CreateStructCarriesTheArguments) {
    static CREATESTRUCTA seen;
    struct P {
        static LRESULT Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
            if (m == WM_CREATE) seen = *reinterpret_cast<CREATESTRUCTA*>(l);
            return DefWindowProcA(h, m, w, l);
        }
    };
    WNDCLASSA wc{};
    wc.lpfnWndProc = P::Proc;
    wc.lpszClassName = "SigTestCreateStruct";
    RegisterClassA(&wc);
    int param = 5;
    HWND parent = Top("p", 0, 0, 300, 300);
    HWND h = CreateWindowExA(WS_EX_CLIENTEDGE, "sigtestcreatestruct", "c", WS_CHILD, 7, 8, 90, 40, parent,
                             static_cast<HMENU>(1234), 0, &param);
    ASSERT_TRUE(h) << "class names compare case-insensitively";
    EXPECT_EQ(seen.lpCreateParams, &param);
    EXPECT_EQ(seen.x, 7);
    EXPECT_EQ(seen.y, 8);
    EXPECT_EQ(seen.cx, 90);
    EXPECT_EQ(seen.cy, 40);
    EXPECT_EQ(seen.hwndParent, parent);
    EXPECT_EQ(seen.hMenu, 1234u);
    EXPECT_EQ(GetDlgCtrlID(h), 1234);
    EXPECT_EQ(GetDlgItem(parent, 1234), h);
    EXPECT_EQ(GetParent(h), parent);
}

TEST_F(Windows, RefusedNcCreateOrFailedCreateGivesNoWindow) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = RefuseNcCreate;
    wc.lpszClassName = "SigTestRefuse";
    RegisterClassA(&wc);
    wc.lpfnWndProc = FailCreate;
    wc.lpszClassName = "SigTestFail";
    RegisterClassA(&wc);
    EXPECT_EQ(CreateWindowExA(0, "SigTestRefuse", "", WS_POPUP, 0, 0, 10, 10, 0, 0, 0, nullptr), 0u);
    ASSERT_FALSE(Log().empty());
    HWND refused = Log().front().hwnd;
    EXPECT_EQ(MessagesFor(refused).back(), WM_NCDESTROY);
    EXPECT_FALSE(IsWindow(refused));
    Log().clear();
    EXPECT_EQ(CreateWindowExA(0, "SigTestFail", "", WS_POPUP, 0, 0, 10, 10, 0, 0, 0, nullptr), 0u);
    HWND failed = Log().front().hwnd;
    auto seen = MessagesFor(failed);
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(seen[seen.size() - 2], WM_DESTROY);
    EXPECT_EQ(seen.back(), WM_NCDESTROY);
    EXPECT_FALSE(IsWindow(failed));
    EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "", WS_POPUP, 0, 0, 10, 10, 0, 0, 0, nullptr), 0u);
    EXPECT_EQ(CreateWindowExA(0, RecClass(), "", WS_CHILD, 0, 0, 10, 10, 0, 0, 0, nullptr), 0u)
        << "a child needs a parent";
}

TEST_F(Windows, DestroyReachesParentThenChildrenAndNcDestroyBottomUp) {
    HWND p = Top("p", 0, 0, 300, 300);
    HWND a = Child(p, 1, 0, 0, 50, 50, RGB(1, 2, 3));
    HWND b = Child(p, 2, 60, 0, 50, 50, RGB(1, 2, 3));
    HWND aa = Child(a, 3, 0, 0, 10, 10, RGB(1, 2, 3));
    HWND owned = CreateWindowExA(0, RecClass(), "owned", WS_POPUP, 0, 0, 20, 20, p, 0, 0, nullptr);
    Log().clear();
    ASSERT_TRUE(DestroyWindow(p));
    std::vector<std::pair<HWND, UINT>> seq;
    for (auto& s : Log())
        if (s.msg == WM_DESTROY || s.msg == WM_NCDESTROY) seq.push_back({s.hwnd, s.msg});
    // Owned windows go first; WM_DESTROY runs top-down, WM_NCDESTROY bottom-up.
    std::vector<std::pair<HWND, UINT>> want = {{owned, WM_DESTROY}, {owned, WM_NCDESTROY}, {p, WM_DESTROY},
                                               {b, WM_DESTROY},     {a, WM_DESTROY},       {aa, WM_DESTROY},
                                               {b, WM_NCDESTROY},   {aa, WM_NCDESTROY},    {a, WM_NCDESTROY},
                                               {p, WM_NCDESTROY}};
    EXPECT_EQ(seq, want);
    for (HWND h : {p, a, b, aa, owned}) EXPECT_FALSE(IsWindow(h));
    EXPECT_FALSE(DestroyWindow(p)) << "a destroyed handle is refused";
}

TEST_F(Windows, WindowWordsStylesIdsUserDataAndExtraBytes) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = UserPlusOne;
    wc.cbWndExtra = 16;
    wc.lpszClassName = "SigTestExtra";
    RegisterClassA(&wc);
    HWND h = CreateWindowExA(WS_EX_TOOLWINDOW, "SigTestExtra", "", WS_POPUP | WS_BORDER, 0, 0, 50, 50, 0, 0, 0, nullptr);
    ASSERT_TRUE(h);
    EXPECT_EQ(GetWindowLongA(h, GWL_STYLE) & static_cast<LONG>(WS_POPUP | WS_BORDER), static_cast<LONG>(WS_POPUP | WS_BORDER));
    EXPECT_TRUE(GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_EQ(SetWindowLongA(h, 4, 0x12345678), 0);
    EXPECT_EQ(GetWindowLongA(h, 4), 0x12345678);
    EXPECT_EQ(GetWindowLongA(h, 13), 0) << "an index past the extra bytes is refused";
    EXPECT_EQ(GetLastError(), 1413u);
    EXPECT_EQ(SetWindowLongPtrA(h, GWLP_USERDATA, 0x1122334455667788LL), 0);
    EXPECT_EQ(GetWindowLongPtrA(h, GWLP_USERDATA), 0x1122334455667788LL);
    EXPECT_EQ(GetWindowLongA(h, GWL_WNDPROC), 0) << "a 64-bit procedure does not fit in a LONG";
    EXPECT_EQ(GetWindowLongPtrA(h, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(UserPlusOne));
    SetWindowLongA(h, GWL_STYLE, static_cast<LONG>(WS_POPUP | WS_DLGFRAME));
    EXPECT_FALSE(GetWindowLongA(h, GWL_STYLE) & WS_BORDER);
}

TEST_F(Windows, SubclassingChainsThroughCallWindowProc) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = UserPlusOne;
    wc.lpszClassName = "SigTestSub";
    RegisterClassA(&wc);
    HWND h = CreateWindowExA(0, "SigTestSub", "", WS_POPUP, 0, 0, 10, 10, 0, 0, 0, nullptr);
    g_prev = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Subclass)));
    EXPECT_EQ(g_prev, UserPlusOne);
    g_subclassed = 0;
    EXPECT_EQ(SendMessageA(h, WM_USER + 7, 0, 0), 78);
    EXPECT_EQ(g_subclassed, 1);
    MSG m{h, WM_USER + 7, 0, 0, 0, {}};
    EXPECT_EQ(DispatchMessageA(&m), 78);
}

TEST_F(Windows, ZOrderOfSiblingsAndTopmostWindows) {
    HWND p = Top("p", 0, 0, 300, 300);
    HWND a = Child(p, 1, 0, 0, 50, 50, 0);
    HWND b = Child(p, 2, 0, 0, 50, 50, 0);
    HWND c = Child(p, 3, 0, 0, 50, 50, 0);
    // New children go on top.
    EXPECT_EQ(GetWindow(p, GW_CHILD), c);
    EXPECT_EQ(GetWindow(c, GW_HWNDNEXT), b);
    EXPECT_EQ(GetWindow(b, GW_HWNDNEXT), a);
    SetWindowPos(a, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(GetWindow(p, GW_CHILD), a);
    SetWindowPos(a, c, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);  // just below c
    EXPECT_EQ(GetWindow(c, GW_HWNDNEXT), a);
    SetWindowPos(c, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(GetWindow(a, GW_HWNDLAST), c);

    HWND t = Top("topmost", 0, 0, 50, 50, WS_POPUP | WS_VISIBLE, WS_EX_TOPMOST);
    HWND n = Top("normal", 0, 0, 50, 50, WS_POPUP | WS_VISIBLE);
    EXPECT_EQ(GetTopWindow(0), t) << "a normal window stays under a topmost one";
    SetWindowPos(n, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(GetTopWindow(0), n);
    EXPECT_TRUE(GetWindowLongA(n, GWL_EXSTYLE) & WS_EX_TOPMOST);
    SetWindowPos(n, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(GetTopWindow(0), t);
}

TEST_F(Windows, SetWindowPosFlagsAndTheMessagesTheySend) {
    HWND p = Top("p", 0, 0, 300, 300);
    HWND c = Child(p, 1, 10, 10, 50, 50, 0);
    Log().clear();
    SetWindowPos(c, 0, 20, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    std::vector<UINT> want = {WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_MOVE};
    EXPECT_EQ(MessagesFor(c), want);
    RECT r;
    GetWindowRect(c, &r);
    POINT o{0, 0};
    ClientToScreen(p, &o);
    EXPECT_EQ(r.left - o.x, 20);
    EXPECT_EQ(r.top - o.y, 30);
    EXPECT_EQ(r.right - r.left, 50);
    Log().clear();
    SetWindowPos(c, 0, 0, 0, 70, 20, SWP_NOMOVE | SWP_NOZORDER);
    want = {WM_WINDOWPOSCHANGING, WM_NCCALCSIZE, WM_WINDOWPOSCHANGED, WM_SIZE};
    EXPECT_EQ(MessagesFor(c), want);
    EXPECT_EQ(Log().back().l, MAKELPARAM(70, 20));
    SetWindowPos(c, 0, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_FALSE(IsWindowVisible(c));
    SetWindowPos(c, 0, 0, 0, -5, -5, SWP_NOMOVE | SWP_NOZORDER);
    GetClientRect(c, &r);
    EXPECT_EQ(r.right, 0) << "negative sizes become empty";
}

TEST_F(Windows, ShowMinimiseMaximiseRestore) {
    HWND h = Top("w", 50, 60, 300, 200, WS_OVERLAPPEDWINDOW);
    Log().clear();
    EXPECT_FALSE(ShowWindow(h, SW_SHOW));
    EXPECT_TRUE(IsWindowVisible(h));
    auto seen = MessagesFor(h);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), WM_SHOWWINDOW);
    Log().clear();
    ShowWindow(h, SW_MAXIMIZE);
    EXPECT_TRUE(IsZoomed(h));
    RECT r;
    GetWindowRect(h, &r);
    EXPECT_EQ(r.right - r.left, GetSystemMetrics(SM_CXSCREEN));
    bool size_max = false;
    for (auto& s : Log())
        if (s.hwnd == h && s.msg == WM_SIZE && s.w == SIZE_MAXIMIZED) size_max = true;
    EXPECT_TRUE(size_max);
    ShowWindow(h, SW_MINIMIZE);
    EXPECT_TRUE(IsIconic(h));
    EXPECT_FALSE(IsZoomed(h));
    EXPECT_NE(GetActiveWindow(), h) << "minimising gives the activation away";
    ShowWindow(h, SW_RESTORE);
    EXPECT_FALSE(IsIconic(h));
    GetWindowRect(h, &r);
    EXPECT_EQ(r.left, 50);
    EXPECT_EQ(r.top, 60);
    EXPECT_EQ(r.right - r.left, 300);
    EXPECT_EQ(GetActiveWindow(), h);
    EXPECT_TRUE(ShowWindow(h, SW_HIDE));
    EXPECT_FALSE(ShowWindow(h, SW_HIDE)) << "returns whether it was visible";
}

TEST_F(Windows, EnableWindowReportsThePreviousStateAndDropsFocus) {
    HWND p = Top("p", 0, 0, 200, 200);
    HWND c = Child(p, 1, 0, 0, 50, 50, 0);
    SetFocus(c);
    EXPECT_EQ(GetFocus(), c);
    EXPECT_FALSE(EnableWindow(c, FALSE));
    EXPECT_FALSE(IsWindowEnabled(c));
    EXPECT_NE(GetFocus(), c);
    EXPECT_EQ(SetFocus(c), 0u) << "a disabled window takes no focus";
    EXPECT_TRUE(EnableWindow(c, TRUE));
    bool enable_seen = false;
    for (auto& s : Log())
        if (s.hwnd == c && s.msg == WM_ENABLE && s.w == TRUE) enable_seen = true;
    EXPECT_TRUE(enable_seen);
}

TEST_F(Windows, StaleAndNullHandlesAreRefused) {
    HWND h = Top("gone", 0, 0, 100, 100);
    DestroyWindow(h);
    RECT r{1, 2, 3, 4};
    EXPECT_FALSE(GetWindowRect(h, &r));
    EXPECT_FALSE(GetClientRect(0, &r));
    EXPECT_EQ(SendMessageA(h, WM_USER, 0, 0), 0);
    EXPECT_FALSE(PostMessageA(h, WM_USER, 0, 0));
    EXPECT_FALSE(ShowWindow(h, SW_SHOW));
    EXPECT_FALSE(SetWindowPos(h, 0, 0, 0, 10, 10, 0));
    EXPECT_EQ(GetDC(h), 0u);
    EXPECT_FALSE(InvalidateRect(h, nullptr, TRUE));
    EXPECT_EQ(SetFocus(h), 0u);
    EXPECT_EQ(SetCapture(h), 0u);
    EXPECT_EQ(GetWindowLongA(h, GWL_STYLE), 0);
    EXPECT_EQ(SetTimer(h, 1, 10, nullptr), 0u);
    EXPECT_EQ(GetParent(0x12345678), 0u) << "a handle of another kind is refused";
    PAINTSTRUCT ps;
    EXPECT_EQ(BeginPaint(h, &ps), 0u);
    EXPECT_EQ(SigTestCaptureWindow(h, "/nonexistent/x.png"), FALSE);
}
