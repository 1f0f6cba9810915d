// Combo boxes: the list messages and their error values, sorting, the
// drop-down list opened and chosen from by mouse and keyboard, the edit part's
// notifications, colours and bad input.
#include "tests/platform/controls/fixture.h"

using namespace ctltest;

namespace {

class Combo : public ControlTest {
protected:
    HWND List(const char* first = "red") {
        HWND c = Make("COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL, 10, 10, 150, 200, 4);
        const char* items[] = {first, "green", "blue", "cyan", "magenta", "yellow", "black", "white", "grey", "orange"};
        for (const char* s : items) SendMessageA(c, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
        return c;
    }
    std::string Item(HWND c, int i) {
        LRESULT n = SendMessageA(c, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
        if (n < 0) return "<err>";
        std::string s(static_cast<size_t>(n) + 1, '\0');
        SendMessageA(c, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(s.data()));
        s.resize(static_cast<size_t>(n));
        return s;
    }
};

TEST_F(Combo, ItemsDataAndSelectionWithErrorValues) {
    HWND c = List();
    EXPECT_EQ(SendMessageA(c, CB_GETCOUNT, 0, 0), 10);
    EXPECT_EQ(Item(c, 2), "blue");
    EXPECT_EQ(SendMessageA(c, CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(SendMessageA(c, CB_SETITEMDATA, 3, 0x1234), CB_OKAY);
    EXPECT_EQ(SendMessageA(c, CB_GETITEMDATA, 3, 0), 0x1234);
    EXPECT_EQ(SendMessageA(c, CB_SETCURSEL, 2, 0), 2);
    EXPECT_EQ(SendMessageA(c, CB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(Text(c), "blue");
    // Out of range clears the selection.
    EXPECT_EQ(SendMessageA(c, CB_SETCURSEL, 10, 0), CB_ERR);
    EXPECT_EQ(SendMessageA(c, CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(Text(c), "");
    EXPECT_EQ(SendMessageA(c, CB_SETCURSEL, static_cast<WPARAM>(-5), 0), CB_ERR);
    EXPECT_EQ(SendMessageA(c, CB_GETLBTEXTLEN, 10, 0), CB_ERR);
    EXPECT_EQ(SendMessageA(c, CB_GETLBTEXT, 10, 0), CB_ERR);
    EXPECT_EQ(SendMessageA(c, CB_GETLBTEXT, 1, 0), CB_ERR);  // null buffer
    EXPECT_EQ(SendMessageA(c, CB_GETITEMDATA, 99, 0), CB_ERR);
    EXPECT_EQ(SendMessageA(c, CB_SETITEMDATA, 99, 1), CB_ERR);
    EXPECT_EQ(SendMessageA(c, CB_ADDSTRING, 0, 0), CB_ERR);
    // No notifications for changes made by messages.
    EXPECT_EQ(Count(4, CBN_SELCHANGE), 0);
    EXPECT_EQ(SendMessageA(c, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("CYAN")), 3);
    EXPECT_EQ(SendMessageA(c, CB_RESETCONTENT, 0, 0), CB_OKAY);
    EXPECT_EQ(SendMessageA(c, CB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(SendMessageA(c, CB_GETCURSEL, 0, 0), CB_ERR);
}

TEST_F(Combo, SortedListsAndItemHeight) {
    HWND c = Make("COMBOBOX", "", CBS_DROPDOWNLIST | CBS_SORT, 10, 10, 150, 200, 4);
    for (const char* s : {"pear", "Apple", "fig", "banana"}) SendMessageA(c, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
    EXPECT_EQ(Item(c, 0), "Apple");
    EXPECT_EQ(Item(c, 1), "banana");
    EXPECT_EQ(Item(c, 3), "pear");
    LRESULT h = SendMessageA(c, CB_GETITEMHEIGHT, 0, 0);
    EXPECT_GT(h, 8);
    EXPECT_EQ(SendMessageA(c, CB_SETITEMHEIGHT, 0, 24), CB_OKAY);
    EXPECT_EQ(SendMessageA(c, CB_GETITEMHEIGHT, 0, 0), 24);
    EXPECT_EQ(SendMessageA(c, CB_SETITEMHEIGHT, 0, 0), CB_ERR);
}

TEST_F(Combo, MouseOpensTheListAndChoosesAnItem) {
    HWND c = List();
    SendMessageA(c, CB_SETCURSEL, 0, 0);
    Pump();
    P().notes.clear();
    Click(c, 50, 10);
    EXPECT_TRUE(SendMessageA(c, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_EQ(Codes(4), (std::vector<int>{CBN_SETFOCUS, CBN_DROPDOWN}));
    LRESULT ih = SendMessageA(c, CB_GETITEMHEIGHT, 0, 0);
    RECT wr;
    GetWindowRect(c, &wr);
    LRESULT fh = SendMessageA(c, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
    // Third row of the list, which opens right under the field.
    int x = wr.left + 30, y = wr.top + static_cast<int>(fh) + 1 + static_cast<int>(ih) * 2 + static_cast<int>(ih) / 2;
    (void)y;
    RECT field;
    GetWindowRect(c, &field);
    RECT dr{};
    SendMessageA(c, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dr));
    SigTestMouseMove(x, field.bottom + 1 + static_cast<int>(ih) * 2 + static_cast<int>(ih) / 2);
    Pump();
    SigTestClick(x, field.bottom + 1 + static_cast<int>(ih) * 2 + static_cast<int>(ih) / 2, 1);
    Pump();
    EXPECT_FALSE(SendMessageA(c, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_EQ(SendMessageA(c, CB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(Text(c), "blue");
    auto codes = Codes(4);
    std::vector<int> tail(codes.end() - 3, codes.end());
    EXPECT_EQ(tail, (std::vector<int>{CBN_SELCHANGE, CBN_SELENDOK, CBN_CLOSEUP}));
    // Opening again and clicking elsewhere cancels.
    Click(c, 50, 10);
    EXPECT_TRUE(SendMessageA(c, CB_GETDROPPEDSTATE, 0, 0));
    P().notes.clear();
    Click(parent, 380, 250);
    EXPECT_FALSE(SendMessageA(c, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_EQ(Codes(4), (std::vector<int>{CBN_SELENDCANCEL, CBN_CLOSEUP}));
    EXPECT_EQ(SendMessageA(c, CB_GETCURSEL, 0, 0), 2);
}

TEST_F(Combo, KeyboardNavigatesTheOpenListAndScrollsIt) {
    HWND c = List();
    SetFocus(c);
    SendMessageA(c, CB_SHOWDROPDOWN, TRUE, 0);
    EXPECT_TRUE(SendMessageA(c, CB_GETDROPPEDSTATE, 0, 0));
    for (int i = 0; i < 9; ++i) SigTestKeyPress(VK_DOWN);
    Pump();
    EXPECT_GT(SendMessageA(c, CB_GETTOPINDEX, 0, 0), 0);  // scrolled to keep the row in view
    P().notes.clear();
    SigTestKeyPress(VK_RETURN);
    Pump();
    EXPECT_FALSE(SendMessageA(c, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_EQ(SendMessageA(c, CB_GETCURSEL, 0, 0), 8);
    EXPECT_EQ(Count(4, CBN_SELENDOK), 1);
    EXPECT_EQ(Count(4, CBN_CLOSEUP), 1);
    // Closed: arrows still change the selection, with notifications.
    P().notes.clear();
    SigTestKeyPress(VK_UP);
    Pump();
    EXPECT_EQ(SendMessageA(c, CB_GETCURSEL, 0, 0), 7);
    EXPECT_EQ(Count(4, CBN_SELCHANGE), 1);
    // F4 opens, Escape closes without a choice.
    SigTestKeyPress(VK_F4);
    Pump();
    EXPECT_TRUE(SendMessageA(c, CB_GETDROPPEDSTATE, 0, 0));
    SigTestKeyPress(VK_ESCAPE);
    Pump();
    EXPECT_FALSE(SendMessageA(c, CB_GETDROPPEDSTATE, 0, 0));
}

TEST_F(Combo, DropDownEditPartNotifiesAndTakesLimitsAndSelection) {
    HWND c = Make("COMBOBOX", "", CBS_DROPDOWN | CBS_AUTOHSCROLL, 10, 10, 150, 200, 5);
    SendMessageA(c, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("first"));
    SendMessageA(c, CB_LIMITTEXT, 4, 0);
    SetFocus(c);
    Pump();
    EXPECT_EQ(Count(5, CBN_SETFOCUS), 1);
    SigTestTypeText("abcdef");
    Pump();
    EXPECT_EQ(Text(c), "abcd");
    EXPECT_GE(Count(5, CBN_EDITCHANGE), 1);
    EXPECT_TRUE(SendMessageA(c, CB_SETEDITSEL, 0, MAKELPARAM(1, 3)));
    DWORD a = 0, b = 0;
    SendMessageA(c, CB_GETEDITSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
    EXPECT_EQ(a, 1u);
    EXPECT_EQ(b, 3u);
    P().notes.clear();
    SendMessageA(c, CB_SETCURSEL, 0, 0);
    EXPECT_EQ(Text(c), "first");
    EXPECT_EQ(Count(5, CBN_EDITCHANGE), 0);
    HWND other = Make("BUTTON", "x", 0, 200, 10, 40, 20, 9);
    SetFocus(other);
    EXPECT_EQ(Count(5, CBN_KILLFOCUS), 1);
    HWND list = Make("COMBOBOX", "", CBS_DROPDOWNLIST, 10, 60, 150, 200, 6);
    EXPECT_EQ(SendMessageA(list, CB_SETEDITSEL, 0, 0), CB_ERR);
}

TEST_F(Combo, SimpleListDoubleClickAndColours) {
    HWND c = Make("COMBOBOX", "", CBS_SIMPLE, 10, 10, 150, 150, 7);
    for (const char* s : {"one", "two", "three"}) SendMessageA(c, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
    Pump();
    LRESULT fh = SendMessageA(c, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
    LRESULT ih = SendMessageA(c, CB_GETITEMHEIGHT, 0, 0);
    int y = static_cast<int>(fh + ih + ih / 2) + 1;
    Click(c, 40, y);
    Click(c, 40, y);
    EXPECT_EQ(SendMessageA(c, CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(Text(c), "two");
    EXPECT_EQ(Count(7, CBN_DBLCLK), 1);
    P().ctl_brush = CreateSolidBrush(RGB(250, 200, 0));
    InvalidateRect(c, nullptr, TRUE);
    RedrawWindow(c, nullptr, 0, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_ERASE);
    Pump();
    EXPECT_EQ(Pixel(c, 140, static_cast<int>(fh + 3 * ih + 20)), RGB(250, 200, 0));
}

TEST_F(Combo, DestroyedWhileOpen) {
    HWND c = List();
    SendMessageA(c, CB_SHOWDROPDOWN, TRUE, 0);
    DestroyWindow(c);
    Pump();
    EXPECT_EQ(SendMessageA(c, CB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(GetCapture(), static_cast<HWND>(0));
    Click(parent, 100, 100);
}

}  // namespace
