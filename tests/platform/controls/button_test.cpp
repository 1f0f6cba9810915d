// Buttons: clicks by mouse and Space, style queries, check states, owner
// drawing, images, colour messages and destroyed buttons.
#include "tests/platform/controls/fixture.h"

using namespace ctltest;

namespace {

class Button : public ControlTest {};

TEST_F(Button, MouseClickNotifiesOnlyWhenReleasedInside) {
    HWND b = Make("BUTTON", "OK", BS_PUSHBUTTON, 10, 10, 80, 26, 5);
    Pump();
    Click(b, 40, 13);
    EXPECT_EQ(Count(5, BN_CLICKED), 1);
    EXPECT_EQ(GetFocus(), b);
    // Pressed inside, released outside: no click, and the button is up again.
    POINT in = Screen(b, 40, 13), out = Screen(b, 200, 200);
    SigTestMouseButton(in.x, in.y, 1, TRUE);
    Pump();
    EXPECT_TRUE(SendMessageA(b, BM_GETSTATE, 0, 0) & BST_PUSHED);
    SigTestMouseMove(out.x, out.y);
    SigTestMouseButton(out.x, out.y, 1, FALSE);
    Pump();
    EXPECT_EQ(Count(5, BN_CLICKED), 1);
    EXPECT_FALSE(SendMessageA(b, BM_GETSTATE, 0, 0) & BST_PUSHED);
}

TEST_F(Button, SpaceClicksOnRelease) {
    HWND b = Make("BUTTON", "Go", BS_PUSHBUTTON, 10, 10, 80, 26, 6);
    SetFocus(b);
    SigTestKey(VK_SPACE, TRUE);
    Pump();
    EXPECT_EQ(Count(6, BN_CLICKED), 0);
    SigTestKey(VK_SPACE, FALSE);
    Pump();
    EXPECT_EQ(Count(6, BN_CLICKED), 1);
    SendMessageA(b, BM_CLICK, 0, 0);
    EXPECT_EQ(Count(6, BN_CLICKED), 2);
}

TEST_F(Button, DefaultPushStyleIsVisibleToQueries) {
    HWND d = Make("BUTTON", "Default", BS_DEFPUSHBUTTON, 10, 10, 80, 26, 1);
    HWND n = Make("BUTTON", "Other", BS_PUSHBUTTON, 100, 10, 80, 26, 2);
    EXPECT_EQ(GetWindowLongA(d, GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    EXPECT_TRUE(SendMessageA(d, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON);
    EXPECT_TRUE(SendMessageA(n, WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON);
    Pump();
    // The default button's black outline.
    EXPECT_EQ(Pixel(d, 0, 13), RGB(0, 0, 0));
    EXPECT_NE(Pixel(n, 0, 13), RGB(0, 0, 0));
    SendMessageA(d, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    EXPECT_EQ(GetWindowLongA(d, GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
    EXPECT_TRUE(GetWindowLongA(d, GWL_STYLE) & WS_CHILD);
}

TEST_F(Button, CheckBoxesAndRadioButtonsKeepTheirState) {
    HWND c = Make("BUTTON", "Check", BS_AUTOCHECKBOX, 10, 10, 100, 20, 1);
    Click(c, 5, 10);
    EXPECT_EQ(SendMessageA(c, BM_GETCHECK, 0, 0), BST_CHECKED);
    Click(c, 5, 10);
    EXPECT_EQ(SendMessageA(c, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    HWND r1 = Make("BUTTON", "A", BS_AUTORADIOBUTTON, 10, 40, 100, 20, 2);
    HWND r2 = Make("BUTTON", "B", BS_AUTORADIOBUTTON, 10, 70, 100, 20, 3);
    Click(r1, 5, 10);
    Click(r2, 5, 10);
    EXPECT_EQ(SendMessageA(r1, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(SendMessageA(r2, BM_GETCHECK, 0, 0), BST_CHECKED);
    // Plain check boxes leave the state to the parent.
    HWND m = Make("BUTTON", "Manual", BS_CHECKBOX, 10, 100, 100, 20, 4);
    Click(m, 5, 10);
    EXPECT_EQ(Count(4, BN_CLICKED), 1);
    EXPECT_EQ(SendMessageA(m, BM_GETCHECK, 0, 0), BST_UNCHECKED);
}

TEST_F(Button, OwnerDrawnButtonsAskTheParentToDraw) {
    HWND b = Make("BUTTON", "", BS_OWNERDRAW, 10, 10, 60, 30, 9);
    Pump();
    ASSERT_FALSE(P().draws.empty());
    EXPECT_EQ(P().draws.back().CtlType, static_cast<UINT>(ODT_BUTTON));
    EXPECT_EQ(P().draws.back().CtlID, 9u);
    EXPECT_EQ(P().draws.back().hwndItem, b);
    EXPECT_EQ(P().draws.back().rcItem.right, 60);
    EXPECT_EQ(Pixel(b, 30, 15), RGB(0, 0, 255));
    POINT in = Screen(b, 30, 15);
    SigTestMouseButton(in.x, in.y, 1, TRUE);
    Pump();
    EXPECT_TRUE(P().draws.back().itemState & ODS_SELECTED);
    SigTestMouseButton(in.x, in.y, 1, FALSE);
    Pump();
    EXPECT_EQ(Count(9, BN_CLICKED), 1);
}

TEST_F(Button, GroupBoxDrawsFrameAndCaptionButIgnoresClicks) {
    HWND g = Make("BUTTON", "Group", BS_GROUPBOX, 10, 10, 200, 120, 1);
    Pump();
    Click(g, 100, 60);
    EXPECT_EQ(Count(1, BN_CLICKED), 0);
    EXPECT_EQ(SendMessageA(g, WM_GETDLGCODE, 0, 0), DLGC_STATIC);
    P().ctl_brush = CreateSolidBrush(RGB(0, 255, 0));
    InvalidateRect(g, nullptr, TRUE);
    Pump();
    EXPECT_EQ(P().ctl_msg_seen, WM_CTLCOLORSTATIC);
    // The caption's background takes the parent's brush.
    EXPECT_EQ(Pixel(g, 9, 3), RGB(0, 255, 0));
}

TEST_F(Button, AGroupBoxEnabledOrDisabledLeavesTheWindowsOnItAlone) {
    HWND g = Make("BUTTON", "Group", BS_GROUPBOX, 10, 10, 200, 120, 1);
    HWND inside = CreateWindowExA(0, "BUTTON", "in", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 20, 30, 60, 24, g, 0, 0, nullptr);
    Pump();
    RECT r;
    EXPECT_FALSE(GetUpdateRect(inside, &r, FALSE));
    EnableWindow(g, FALSE);
    EXPECT_TRUE(GetUpdateRect(g, &r, FALSE)) << "the frame and title are redrawn";
    EXPECT_FALSE(GetUpdateRect(inside, &r, FALSE)) << "the button on the group box is not";
    // The part the button covers is not in the group box's update region either.
    HRGN update = CreateRectRgn(0, 0, 0, 0);
    GetUpdateRgn(g, update, FALSE);
    EXPECT_FALSE(PtInRegion(update, 50, 40));
    EXPECT_TRUE(PtInRegion(update, 5, 5));
    DeleteObject(update);
    Pump();
    EnableWindow(g, TRUE);
    EXPECT_FALSE(GetUpdateRect(inside, &r, FALSE));
    Pump();
    // A hidden window covers nothing; one hanging over the edge covers its part
    // inside; one scrolled far outside changes nothing.
    HWND hidden = CreateWindowExA(0, "BUTTON", "h", WS_CHILD | BS_PUSHBUTTON, 100, 30, 40, 24, g, 0, 0, nullptr);
    CreateWindowExA(0, "BUTTON", "edge", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 150, 80, 100, 60, g, 0, 0, nullptr);
    CreateWindowExA(0, "BUTTON", "far", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 3000, 40, 24, g, 0, 0, nullptr);
    Pump();
    EnableWindow(g, FALSE);
    update = CreateRectRgn(0, 0, 0, 0);
    GetUpdateRgn(g, update, FALSE);
    EXPECT_TRUE(PtInRegion(update, 110, 40)) << "under the hidden window";
    EXPECT_FALSE(PtInRegion(update, 190, 100)) << "under the part inside the box";
    EXPECT_FALSE(PtInRegion(update, 50, 40));
    EXPECT_TRUE(PtInRegion(update, 140, 100));
    DeleteObject(update);
    (void)hidden;
    Pump();
    // A box reaching below its parent's client area: nothing is redrawn
    // beyond what the parent shows.
    HWND tall = Make("BUTTON", "Tall", BS_GROUPBOX, 230, 10, 100, 5000, 1);
    Pump();
    RECT parentClient;
    GetClientRect(GetParent(tall), &parentClient);
    EnableWindow(tall, FALSE);
    ASSERT_TRUE(GetUpdateRect(tall, &r, FALSE));
    EXPECT_LE(r.bottom, parentClient.bottom - 10);
    EXPECT_EQ(r.top, 0);
}

TEST_F(Button, ImagesAndDestroyedButtons) {
    HWND b = Make("BUTTON", "", BS_PUSHBUTTON | BS_BITMAP, 10, 10, 60, 40, 1);
    HDC screen = GetDC(0);
    HBITMAP bmp = CreateCompatibleBitmap(screen, 16, 16);
    ReleaseDC(0, screen);
    HDC mem = CreateCompatibleDC(0);
    HGDIOBJ old = SelectObject(mem, bmp);
    RECT r{0, 0, 16, 16};
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(mem, &r, red);
    SelectObject(mem, old);
    DeleteDC(mem);
    EXPECT_EQ(SendMessageA(b, BM_SETIMAGE, IMAGE_BITMAP, static_cast<LPARAM>(bmp)), 0);
    EXPECT_EQ(SendMessageA(b, BM_GETIMAGE, IMAGE_BITMAP, 0), static_cast<LRESULT>(bmp));
    Pump();
    EXPECT_EQ(Pixel(b, 30, 20), RGB(255, 0, 0));
    EXPECT_EQ(SendMessageA(b, BM_SETIMAGE, 77, 0), 0);
    DestroyWindow(b);
    SendMessageA(b, BM_CLICK, 0, 0);
    EXPECT_EQ(SendMessageA(b, BM_GETCHECK, 0, 0), 0);
    DeleteObject(bmp);
    DeleteObject(red);
}

}  // namespace
