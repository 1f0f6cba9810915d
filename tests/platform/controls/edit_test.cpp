// Edit boxes: notifications, selection and caret over GBK text, keyboard and
// mouse editing, clipboard and undo, styles, limits, colours and bad input.
#include "tests/platform/controls/fixture.h"

using namespace ctltest;

namespace {

class Edit : public ControlTest {
protected:
    std::pair<DWORD, DWORD> Sel(HWND e) {
        DWORD a = 0, b = 0;
        SendMessageA(e, EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
        return {a, b};
    }
    void Key(UINT vk, UINT mod = 0) {
        if (mod) SigTestKey(mod, TRUE);
        SigTestKeyPress(vk);
        if (mod) SigTestKey(mod, FALSE);
        Pump();
    }
};

// "中文" in GBK, then "ab".
const char kGbk[] = "\xd6\xd0\xce\xc4" "ab";

TEST_F(Edit, SetTextNotifiesChangeAndGetTextReadsItBack) {
    HWND e = Make("EDIT", "", WS_BORDER, 10, 10, 200, 24, 7);
    ASSERT_TRUE(e);
    P().notes.clear();
    SetWindowTextA(e, "hello");
    EXPECT_EQ(Count(7, EN_CHANGE), 1);
    EXPECT_EQ(Text(e), "hello");
    EXPECT_EQ(GetWindowTextLengthA(e), 5);
    char small[3];
    EXPECT_EQ(GetWindowTextA(e, small, 3), 2);
    EXPECT_STREQ(small, "he");
    // A one-line box keeps only the first line.
    SetWindowTextA(e, "one\r\ntwo");
    EXPECT_EQ(Text(e), "one");
}

TEST_F(Edit, FocusNotificationsGoToTheParent) {
    HWND e = Make("EDIT", "x", 0, 10, 10, 200, 24, 3);
    HWND f = Make("EDIT", "y", 0, 10, 40, 200, 24, 4);
    SetFocus(e);
    P().notes.clear();
    SetFocus(f);
    EXPECT_EQ(Count(3, EN_KILLFOCUS), 1);
    EXPECT_EQ(Count(4, EN_SETFOCUS), 1);
}

TEST_F(Edit, TypedGbkTextIsWholeCharactersAndTheCaretNeverSplitsThem) {
    HWND e = Make("EDIT", "", 0, 10, 10, 200, 24, 1);
    SetFocus(e);
    SigTestTypeText(kGbk);
    Pump();
    EXPECT_EQ(Text(e), kGbk);
    EXPECT_EQ(Sel(e), std::make_pair(DWORD{6}, DWORD{6}));
    Key(VK_HOME);
    Key(VK_RIGHT);
    EXPECT_EQ(Sel(e).first, 2u);  // past one whole double-byte character
    Key(VK_RIGHT, VK_SHIFT);
    EXPECT_EQ(Sel(e), std::make_pair(DWORD{2}, DWORD{4}));
    // A selection asked for in the middle of a character snaps to its start.
    SendMessageA(e, EM_SETSEL, 1, 3);
    EXPECT_EQ(Sel(e), std::make_pair(DWORD{0}, DWORD{2}));
    // Backspace removes both bytes.
    SendMessageA(e, EM_SETSEL, 4, 4);
    Key(VK_BACK);
    EXPECT_EQ(Text(e), "\xd6\xd0" "ab");
    Key(VK_DELETE);
    EXPECT_EQ(Text(e), "\xd6\xd0" "b");
    Key(VK_LEFT);
    EXPECT_EQ(Sel(e).first, 0u);
}

TEST_F(Edit, KeyboardSelectionWordsHomeEndAndSelectAll) {
    HWND e = Make("EDIT", "alpha beta gamma", 0, 10, 10, 300, 24, 1);
    SetFocus(e);
    SendMessageA(e, EM_SETSEL, 0, 0);
    Key(VK_RIGHT, VK_CONTROL);
    EXPECT_EQ(Sel(e).first, 6u);
    SigTestKey(VK_CONTROL, TRUE);
    SigTestKey(VK_SHIFT, TRUE);
    SigTestKeyPress(VK_RIGHT);
    SigTestKey(VK_SHIFT, FALSE);
    SigTestKey(VK_CONTROL, FALSE);
    Pump();
    EXPECT_EQ(Sel(e), std::make_pair(DWORD{6}, DWORD{11}));
    Key(VK_END, VK_SHIFT);
    EXPECT_EQ(Sel(e), std::make_pair(DWORD{6}, DWORD{16}));
    Key(VK_HOME);
    EXPECT_EQ(Sel(e), std::make_pair(DWORD{0}, DWORD{0}));
    Key('A', VK_CONTROL);
    EXPECT_EQ(Sel(e), std::make_pair(DWORD{0}, DWORD{16}));
    // Typing replaces the selection.
    SigTestTypeText("z");
    Pump();
    EXPECT_EQ(Text(e), "z");
}

TEST_F(Edit, MouseClickDragAndDoubleClickSelect) {
    HWND e = Make("EDIT", "hello world", 0, 10, 10, 300, 24, 1);
    Pump();
    DWORD at = static_cast<DWORD>(SendMessageA(e, EM_POSFROMCHAR, 6, 0));
    int x6 = static_cast<short>(LOWORD(at));
    Click(e, x6 + 1, 10);
    EXPECT_EQ(GetFocus(), e);
    EXPECT_EQ(Sel(e), std::make_pair(DWORD{6}, DWORD{6}));
    POINT a = Screen(e, 3, 10), b = Screen(e, x6 + 1, 10);
    SigTestMouseButton(a.x, a.y, 1, TRUE);
    SigTestMouseMove(b.x, b.y);
    SigTestMouseButton(b.x, b.y, 1, FALSE);
    Pump();
    EXPECT_EQ(Sel(e), std::make_pair(DWORD{0}, DWORD{6}));
    POINT w = Screen(e, x6 + 8, 10);
    SigTestClick(w.x, w.y, 1);
    SigTestClick(w.x, w.y, 1);
    Pump();
    EXPECT_EQ(Sel(e), std::make_pair(DWORD{6}, DWORD{11}));
}

TEST_F(Edit, ClipboardCutCopyPasteAndUndo) {
    HWND e = Make("EDIT", "copy me", 0, 10, 10, 300, 24, 1);
    SetFocus(e);
    SendMessageA(e, EM_SETSEL, 0, 4);
    SendMessageA(e, WM_COPY, 0, 0);
    SendMessageA(e, EM_SETSEL, 7, 7);
    SendMessageA(e, WM_PASTE, 0, 0);
    EXPECT_EQ(Text(e), "copy mecopy");
    EXPECT_TRUE(SendMessageA(e, EM_CANUNDO, 0, 0));
    SendMessageA(e, EM_UNDO, 0, 0);
    EXPECT_EQ(Text(e), "copy me");
    SendMessageA(e, EM_SETSEL, 4, 7);
    Key('X', VK_CONTROL);
    EXPECT_EQ(Text(e), "copy");
    SendMessageA(e, EM_SETSEL, 0, 0);
    Key('V', VK_CONTROL);
    EXPECT_EQ(Text(e), " mecopy");
    Key('Z', VK_CONTROL);
    EXPECT_EQ(Text(e), "copy");
}

TEST_F(Edit, PasswordBoxMasksAndRefusesToCopy) {
    HWND e = Make("EDIT", "", ES_PASSWORD, 10, 10, 200, 24, 1);
    SetWindowTextA(e, "secret");
    EXPECT_EQ(SendMessageA(e, EM_GETPASSWORDCHAR, 0, 0), '*');
    SendMessageA(e, EM_SETPASSWORDCHAR, '#', 0);
    EXPECT_EQ(SendMessageA(e, EM_GETPASSWORDCHAR, 0, 0), '#');
    EXPECT_EQ(Text(e), "secret");
    // Six masks of the same width: the caret after the text sits at 6 mask widths.
    int end = static_cast<short>(LOWORD(SendMessageA(e, EM_POSFROMCHAR, 6, 0)));
    int one = static_cast<short>(LOWORD(SendMessageA(e, EM_POSFROMCHAR, 1, 0)));
    int zero = static_cast<short>(LOWORD(SendMessageA(e, EM_POSFROMCHAR, 0, 0)));
    EXPECT_EQ(end - zero, 6 * (one - zero));
    // GBK text is masked one character per mask.
    SetWindowTextA(e, "\xd6\xd0" "a");
    int two = static_cast<short>(LOWORD(SendMessageA(e, EM_POSFROMCHAR, 3, 0)));
    EXPECT_EQ(two - zero, 2 * (one - zero));
    OpenClipboard(0);
    EmptyClipboard();
    CloseClipboard();
    SendMessageA(e, EM_SETSEL, 0, -1);
    SendMessageA(e, WM_COPY, 0, 0);
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
}

TEST_F(Edit, ReadOnlyCaseStylesLimitAndReplaceSel) {
    HWND r = Make("EDIT", "fixed", ES_READONLY, 10, 10, 200, 24, 1);
    SetFocus(r);
    SigTestTypeText("x");
    Pump();
    EXPECT_EQ(Text(r), "fixed");
    HWND u = Make("EDIT", "", ES_UPPERCASE, 10, 40, 200, 24, 2);
    SetFocus(u);
    SigTestTypeText("Mixed" "\xd6\xd0");
    Pump();
    EXPECT_EQ(Text(u), "MIXED" "\xd6\xd0");
    HWND l = Make("EDIT", "ABC", ES_LOWERCASE, 10, 70, 200, 24, 3);
    EXPECT_EQ(Text(l), "abc");
    SendMessageA(l, EM_LIMITTEXT, 5, 0);
    SendMessageA(l, EM_SETSEL, 3, 3);
    P().notes.clear();
    SendMessageA(l, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("DEFG"));
    EXPECT_EQ(Text(l), "abcde");
    EXPECT_EQ(Count(3, EN_CHANGE), 1);
    EXPECT_EQ(Count(3, EN_MAXTEXT), 1);
    // The limit never cuts a double-byte character in half.
    SendMessageA(l, EM_LIMITTEXT, 6, 0);
    SendMessageA(l, EM_SETSEL, 5, 5);
    SendMessageA(l, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("\xd6\xd0"));
    EXPECT_EQ(Text(l), "abcde");
}

TEST_F(Edit, MultiLineWrapsReturnsAndLineMessages) {
    HWND e = Make("EDIT", "", ES_MULTILINE | ES_WANTRETURN | WS_VSCROLL, 10, 10, 120, 100, 1);
    SetFocus(e);
    SigTestTypeText("line one");
    Key(VK_RETURN);
    SigTestTypeText("two");
    Pump();
    EXPECT_EQ(Text(e), "line one\r\ntwo");
    EXPECT_EQ(SendMessageA(e, EM_GETLINECOUNT, 0, 0), 2);
    EXPECT_EQ(SendMessageA(e, EM_LINEINDEX, 1, 0), 10);
    EXPECT_EQ(SendMessageA(e, EM_LINEFROMCHAR, 11, 0), 1);
    Key(VK_UP);
    EXPECT_EQ(SendMessageA(e, EM_LINEFROMCHAR, static_cast<WPARAM>(-1), 0), 0);
    // Long text wraps at word boundaries within the width.
    SetWindowTextA(e, "aaaa bbbb cccc dddd eeee ffff gggg hhhh iiii jjjj");
    LRESULT lines = SendMessageA(e, EM_GETLINECOUNT, 0, 0);
    EXPECT_GT(lines, 2);
    for (int i = 1; i < lines; ++i) {
        LRESULT at = SendMessageA(e, EM_LINEINDEX, static_cast<WPARAM>(i), 0);
        EXPECT_EQ(at % 5, 0) << "line " << i << " starts inside a word";
    }
    // With ES_AUTOHSCROLL the same text stays one line.
    HWND h = Make("EDIT", "aaaa bbbb cccc dddd eeee ffff gggg hhhh", ES_MULTILINE | ES_AUTOHSCROLL, 10, 120, 120, 60, 2);
    EXPECT_EQ(SendMessageA(h, EM_GETLINECOUNT, 0, 0), 1);
}

TEST_F(Edit, IncrementalWrapAgreesWithAFreshLayout) {
    HWND e = Make("EDIT", "", ES_MULTILINE, 10, 10, 150, 200, 1);
    std::string base;
    for (int i = 0; i < 30; ++i) base += "word" + std::to_string(i) + (i % 7 == 6 ? "\r\n" : " ");
    SetWindowTextA(e, base.c_str());
    SetFocus(e);
    SendMessageA(e, EM_SETSEL, 40, 40);
    SigTestTypeText("inserted text that wraps further ");
    Pump();
    SendMessageA(e, EM_SETSEL, 5, 60);
    Key(VK_DELETE);
    Key(VK_RETURN);
    std::vector<LRESULT> incremental;
    LRESULT n = SendMessageA(e, EM_GETLINECOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) incremental.push_back(SendMessageA(e, EM_LINEINDEX, static_cast<WPARAM>(i), 0));
    std::string now = Text(e);
    HWND f = Make("EDIT", now.c_str(), ES_MULTILINE, 10, 10, 150, 200, 2);
    std::vector<LRESULT> fresh;
    LRESULT m = SendMessageA(f, EM_GETLINECOUNT, 0, 0);
    for (LRESULT i = 0; i < m; ++i) fresh.push_back(SendMessageA(f, EM_LINEINDEX, static_cast<WPARAM>(i), 0));
    EXPECT_EQ(incremental, fresh);
}

TEST_F(Edit, ColourMessagesDecideTheBackground) {
    HWND e = Make("EDIT", "", 0, 10, 10, 100, 24, 1);
    Pump();
    EXPECT_EQ(Pixel(e, 50, 20), GetSysColor(COLOR_WINDOW));
    P().ctl_brush = CreateSolidBrush(RGB(255, 0, 0));
    InvalidateRect(e, nullptr, TRUE);
    Pump();
    EXPECT_EQ(P().ctl_msg_seen, WM_CTLCOLOREDIT);
    EXPECT_EQ(Pixel(e, 50, 20), RGB(255, 0, 0));
    // Read-only boxes ask with WM_CTLCOLORSTATIC.
    HWND r = Make("EDIT", "", ES_READONLY, 10, 40, 100, 24, 2);
    P().ctl_msg_seen = 0;
    Pump();
    EXPECT_EQ(P().ctl_msg_seen, WM_CTLCOLORSTATIC);
    EXPECT_EQ(Pixel(r, 50, 20), RGB(255, 0, 0));
}

TEST_F(Edit, BadInputNeitherCrashesNorHangs) {
    HWND e = Make("EDIT", "abc", ES_MULTILINE, 10, 10, 200, 100, 1);
    EXPECT_EQ(SendMessageA(e, WM_GETTEXT, 10, 0), 0);
    EXPECT_EQ(SendMessageA(e, WM_GETTEXT, 0, 0), 0);
    SendMessageA(e, EM_REPLACESEL, 0, 0);
    SendMessageA(e, EM_GETSEL, 0, 0);
    SendMessageA(e, EM_SETSEL, 100, 200);
    EXPECT_EQ(Sel(e), std::make_pair(DWORD{3}, DWORD{3}));
    EXPECT_EQ(SendMessageA(e, EM_LINEINDEX, 99, 0), -1);
    EXPECT_EQ(SendMessageA(e, EM_POSFROMCHAR, 99, 0), -1);
    SendMessageA(e, EM_GETLINE, 99, 0);
    SendMessageA(e, WM_SETTEXT, 0, 0);
    EXPECT_EQ(Text(e), "");
    // A lone lead byte at the end, and 1 MB of text.
    SetWindowTextA(e, "ab\xd6");
    SendMessageA(e, EM_SETSEL, 0, -1);
    std::string big(1 << 20, 'x');
    for (size_t i = 100; i < big.size(); i += 101) big[i] = (i % 3 == 0) ? ' ' : '\n';
    SetWindowTextA(e, big.c_str());
    EXPECT_EQ(GetWindowTextLengthA(e), static_cast<int>(big.size()));
    SetFocus(e);
    SendMessageA(e, EM_SETSEL, big.size() / 2, big.size() / 2);
    SigTestTypeText("typing in the middle");
    Pump();
    EXPECT_EQ(GetWindowTextLengthA(e), static_cast<int>(big.size() + 20));
    Key(VK_END, VK_CONTROL);
    InvalidateRect(e, nullptr, TRUE);
    Pump();
    HWND one = Make("EDIT", big.c_str(), 0, 10, 120, 200, 24, 2);
    EXPECT_GT(GetWindowTextLengthA(one), 0);
    DestroyWindow(e);
    EXPECT_EQ(SendMessageA(e, WM_GETTEXTLENGTH, 0, 0), 0);
    SendMessageA(e, EM_SETSEL, 0, 1);
}

}  // namespace
