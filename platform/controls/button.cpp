// "BUTTON": push buttons (default push), check boxes and radio buttons,
// group boxes, owner-drawn buttons, images, multi-line and aligned text.
#include <algorithm>

#include "platform/controls/controls_internal.h"
#include "platform/user/user_internal.h"
#include "win/kernel.h"

namespace platform::controls {
namespace {

struct Button {
    HFONT font = 0;
    int check = BST_UNCHECKED;
    bool pushed = false;    // drawn pressed
    bool tracking = false;  // the mouse went down on it
    bool space = false;     // the Space key is held
    bool focus = false;
    HANDLE image = 0;
    int image_type = IMAGE_BITMAP;
};

DWORD TypeOf(HWND h) { return static_cast<DWORD>(GetWindowLongA(h, GWL_STYLE)) & BS_TYPEMASK; }
bool IsPush(DWORD t) { return t == BS_PUSHBUTTON || t == BS_DEFPUSHBUTTON || t == BS_USERBUTTON; }

UINT TextFormat(DWORD style, DWORD type) {
    UINT f = 0;
    DWORD h = style & BS_CENTER, v = style & BS_VCENTER;
    bool push = IsPush(type) || (style & BS_PUSHLIKE);
    if (h == BS_LEFT) f |= DT_LEFT;
    else if (h == BS_RIGHT) f |= DT_RIGHT;
    else if (h == BS_CENTER || (h == 0 && push)) f |= DT_CENTER;
    if (!(style & BS_MULTILINE)) {
        f |= DT_SINGLELINE;
        if (v == BS_TOP) f |= DT_TOP;
        else if (v == BS_BOTTOM) f |= DT_BOTTOM;
        else f |= DT_VCENTER;
    } else {
        f |= DT_WORDBREAK;
    }
    return f;
}

void DrawLabel(HWND h, HDC dc, RECT r, DWORD style, DWORD type, bool enabled) {
    Button* b = StateOf<Button>(h);
    if (b->image && (style & (BS_BITMAP | BS_ICON))) {
        int iw = 16, ih = 16;
        if (b->image_type == IMAGE_BITMAP) {
            BITMAP bm{};
            if (GetObjectA(b->image, sizeof bm, &bm)) {
                iw = bm.bmWidth;
                ih = bm.bmHeight;
            }
        } else {
            iw = GetSystemMetrics(SM_CXICON);
            ih = GetSystemMetrics(SM_CYICON);
        }
        int x = r.left + (r.right - r.left - iw) / 2, y = r.top + (r.bottom - r.top - ih) / 2;
        if (b->image_type == IMAGE_ICON) {
            DrawIconEx(dc, x, y, static_cast<HICON>(b->image), iw, ih, 0, 0, DI_NORMAL);
        } else {
            HDC mem = CreateCompatibleDC(dc);
            HGDIOBJ old = SelectObject(mem, b->image);
            BitBlt(dc, x, y, iw, ih, mem, 0, 0, SRCCOPY);
            SelectObject(mem, old);
            DeleteDC(mem);
        }
        return;
    }
    char buf[1024];
    int n = GetWindowTextA(h, buf, sizeof buf);
    if (n <= 0) return;
    UINT f = TextFormat(style, type);
    if (style & BS_MULTILINE) {
        // Vertical placement of wrapped text: measure, then offset.
        RECT m = r;
        int th = DrawTextA(dc, buf, n, &m, f | DT_CALCRECT);
        DWORD v = style & BS_VCENTER;
        if (v == BS_BOTTOM) r.top = r.bottom - th;
        else if (v != BS_TOP) r.top += (r.bottom - r.top - th) / 2;
    }
    SetBkMode(dc, TRANSPARENT);
    if (!enabled) {
        SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
        RECT s = r;
        OffsetRect(&s, 1, 1);
        DrawTextA(dc, buf, n, &s, f);
        SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    }
    DrawTextA(dc, buf, n, &r, f);
}

void Paint(HWND h) {
    Button* b = StateOf<Button>(h);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT rc;
    GetClientRect(h, &rc);
    DWORD style = static_cast<DWORD>(GetWindowLongA(h, GWL_STYLE)), type = style & BS_TYPEMASK;
    bool enabled = IsWindowEnabled(h);
    HGDIOBJ oldf = SelectObject(dc, b->font ? b->font : DefaultFont());
    if (type == BS_OWNERDRAW) {
        DRAWITEMSTRUCT di{};
        di.CtlType = ODT_BUTTON;
        di.CtlID = static_cast<UINT>(GetDlgCtrlID(h));
        di.itemAction = ODA_DRAWENTIRE;
        di.itemState = (b->pushed ? ODS_SELECTED : 0) | (b->focus ? ODS_FOCUS : 0) | (enabled ? 0 : ODS_DISABLED);
        di.hwndItem = h;
        di.hDC = dc;
        di.rcItem = rc;
        HWND p = GetParent(h);
        if (p) SendMessageA(p, WM_DRAWITEM, di.CtlID, reinterpret_cast<LPARAM>(&di));
    } else if (type == BS_GROUPBOX) {
        HBRUSH br = ControlColor(h, WM_CTLCOLORSTATIC, dc);
        char buf[512];
        int n = GetWindowTextA(h, buf, sizeof buf);
        SIZE ts{0, 0};
        TEXTMETRICA tm{};
        GetTextMetricsA(dc, &tm);
        if (n > 0) GetTextExtentPoint32A(dc, buf, n, &ts);
        // The whole box takes the parent's background; the controls inside
        // are its siblings and draw themselves over it.
        FillRect(dc, &rc, br);
        RECT frame = rc;
        frame.top += tm.tmHeight / 2;
        DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
        if (n > 0) {
            RECT cap{rc.left + 8, rc.top, rc.left + 8 + ts.cx + 4, rc.top + tm.tmHeight};
            FillRect(dc, &cap, br);
            cap.left += 2;
            SetBkMode(dc, TRANSPARENT);
            if (!enabled) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
            DrawTextA(dc, buf, n, &cap, DT_LEFT | DT_SINGLELINE | DT_TOP);
        }
    } else if (IsPush(type) || (style & BS_PUSHLIKE)) {
        HBRUSH br = ControlColor(h, WM_CTLCOLORBTN, dc);
        (void)br;  // a push button's face stays the system's face colour
        COLORREF text = GetTextColor(dc);
        RECT r = rc;
        bool down = b->pushed || ((style & BS_PUSHLIKE) && b->check == BST_CHECKED);
        if (type == BS_DEFPUSHBUTTON) {
            FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
            InflateRect(&r, -1, -1);
        }
        if (down) {
            FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
            FrameRect(dc, &r, GetSysColorBrush(COLOR_BTNSHADOW));
        } else {
            FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
            DrawEdge(dc, &r, EDGE_RAISED, BF_RECT);
        }
        RECT t = r;
        InflateRect(&t, -4, -3);
        if (down) OffsetRect(&t, 1, 1);
        SetTextColor(dc, text);
        DrawLabel(h, dc, t, style, type, enabled);
        if (b->focus) {
            RECT fr = r;
            InflateRect(&fr, -3, -3);
            DrawFocusRect(dc, &fr);
        }
    } else {
        // Check boxes and radio buttons: a box or circle and the text beside it.
        HBRUSH br = ControlColor(h, WM_CTLCOLORSTATIC, dc);
        FillRect(dc, &rc, br);
        int box = 13;
        bool left_text = style & BS_LEFTTEXT;
        int by = rc.top + (rc.bottom - rc.top - box) / 2;
        RECT bx = left_text ? RECT{rc.right - box, by, rc.right, by + box} : RECT{rc.left, by, rc.left + box, by + box};
        bool radio = type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
        if (radio) {
            HGDIOBJ ob = SelectObject(dc, b->pushed || !enabled ? GetSysColorBrush(COLOR_BTNFACE) : GetStockObject(WHITE_BRUSH));
            HGDIOBJ op = SelectObject(dc, GetStockObject(BLACK_PEN));
            Ellipse(dc, bx.left, bx.top, bx.right, bx.bottom);
            if (b->check) {
                SelectObject(dc, GetStockObject(BLACK_BRUSH));
                Ellipse(dc, bx.left + 4, bx.top + 4, bx.right - 4, bx.bottom - 4);
            }
            SelectObject(dc, op);
            SelectObject(dc, ob);
        } else {
            UINT st = DFCS_BUTTONCHECK;
            if (b->check) st |= DFCS_CHECKED;
            if (b->pushed) st |= DFCS_PUSHED;
            if (!enabled) st |= DFCS_INACTIVE;
            DrawFrameControl(dc, &bx, DFC_BUTTON, st);
        }
        RECT t = rc;
        if (left_text) t.right -= box + 4;
        else t.left += box + 4;
        DrawLabel(h, dc, t, style | (style & BS_CENTER ? 0 : BS_LEFT), type, enabled);
        if (b->focus) {
            RECT fr = t;
            InflateRect(&fr, 0, -1);
            DrawFocusRect(dc, &fr);
        }
    }
    SelectObject(dc, oldf);
    EndPaint(h, &ps);
}

void Click(HWND h) {
    Button* b = StateOf<Button>(h);
    DWORD type = TypeOf(h);
    if (type == BS_AUTOCHECKBOX) b->check = b->check ? BST_UNCHECKED : BST_CHECKED;
    else if (type == BS_AUTO3STATE) b->check = (b->check + 1) % 3;
    else if (type == BS_AUTORADIOBUTTON) {
        // Clear the other automatic radio buttons among the siblings.
        HWND p = GetParent(h);
        for (HWND s = p ? GetWindow(p, GW_CHILD) : 0; s; s = GetWindow(s, GW_HWNDNEXT)) {
            char cls[16];
            if (s != h && GetClassNameA(s, cls, sizeof cls) && lstrcmpiA(cls, "BUTTON") == 0 &&
                TypeOf(s) == BS_AUTORADIOBUTTON)
                SendMessageA(s, BM_SETCHECK, BST_UNCHECKED, 0);
        }
        b->check = BST_CHECKED;
    }
    InvalidateRect(h, nullptr, TRUE);
    NotifyParent(h, BN_CLICKED);
}

// A group box changing its enabled state redraws its frame and title, not
// the windows placed on it: only the part of it they leave uncovered is
// invalidated, and its children are left alone.
void InvalidateUncovered(HWND h) {
    RECT shown;
    GetClientRect(h, &shown);
    // A box taller than its window (a scrolled gallery) only needs its shown
    // part redrawn: clip to every ancestor's client area.
    for (HWND p = h; (GetWindowLongA(p, GWL_STYLE) & WS_CHILD) && GetParent(p);) {
        p = GetParent(p);
        RECT pc;
        GetClientRect(p, &pc);
        MapWindowPoints(p, h, reinterpret_cast<POINT*>(&pc), 2);
        IntersectRect(&shown, &shown, &pc);
    }
    HRGN area = CreateRectRgn(shown.left, shown.top, shown.right, shown.bottom);
    HRGN piece = CreateRectRgn(0, 0, 0, 0);
    // The children straight from the window list: a gallery box holds
    // hundreds, most of them outside the shown part, and a handle lookup per
    // child and call cost more than the rest of a press. Nothing here calls
    // a window procedure, so the list stays as it is during the walk.
    if (const user::Wnd* box = user::Raw(h)) {
        for (const user::Wnd* k : box->kid_ptrs) {
            RECT in;
            if (!(k->style & WS_VISIBLE) || !IntersectRect(&in, &k->rect, &shown)) continue;
            SetRectRgn(piece, in.left, in.top, in.right, in.bottom);
            CombineRgn(area, area, piece, RGN_DIFF);
        }
    }
    RedrawWindow(h, nullptr, area, RDW_INVALIDATE | RDW_ERASE | RDW_NOCHILDREN);
    DeleteObject(piece);
    DeleteObject(area);
}

LRESULT CALLBACK ButtonProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    Button* b = StateOf<Button>(h);
    if (m == WM_NCCREATE) {
        SetState(h, new Button);
        return DefWindowProcA(h, m, wp, lp);
    }
    if (!b) return DefWindowProcA(h, m, wp, lp);
    DWORD type = TypeOf(h);
    switch (m) {
        case WM_NCDESTROY:
            SetState(h, nullptr);
            delete b;
            return DefWindowProcA(h, m, wp, lp);
        case WM_GETDLGCODE:
            if (type == BS_GROUPBOX) return DLGC_STATIC;
            if (type == BS_DEFPUSHBUTTON) return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
            if (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON) return DLGC_BUTTON | DLGC_RADIOBUTTON;
            if (IsPush(type)) return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
            return DLGC_BUTTON;
        case WM_ERASEBKGND: return 1;
        case WM_PAINT: Paint(h); return 0;
        case WM_SETTEXT: {
            LRESULT r = DefWindowProcA(h, m, wp, lp);
            InvalidateRect(h, nullptr, TRUE);
            return r;
        }
        case WM_SETFONT:
            b->font = static_cast<HFONT>(wp);
            if (lp) InvalidateRect(h, nullptr, TRUE);
            return 0;
        case WM_GETFONT: return static_cast<LRESULT>(b->font);
        case WM_ENABLE:
            if ((GetWindowLongA(h, GWL_STYLE) & 0xF) == BS_GROUPBOX) InvalidateUncovered(h);
            else InvalidateRect(h, nullptr, TRUE);
            return 0;
        case WM_SETFOCUS:
            b->focus = true;
            InvalidateRect(h, nullptr, TRUE);
            if (GetWindowLongA(h, GWL_STYLE) & BS_NOTIFY) NotifyParent(h, BN_SETFOCUS);
            return 0;
        case WM_KILLFOCUS:
            b->focus = false;
            if (b->pushed) b->pushed = false;
            b->space = false;
            if (b->tracking && GetCapture() == h) ReleaseCapture();
            b->tracking = false;
            InvalidateRect(h, nullptr, TRUE);
            if (GetWindowLongA(h, GWL_STYLE) & BS_NOTIFY) NotifyParent(h, BN_KILLFOCUS);
            return 0;
        case WM_LBUTTONDBLCLK:
        case WM_LBUTTONDOWN:
            if (type == BS_GROUPBOX) return 0;
            if (GetFocus() != h) SetFocus(h);
            if (!StateOf<Button>(h)) return 0;
            b->tracking = true;
            b->pushed = true;
            SetCapture(h);
            InvalidateRect(h, nullptr, TRUE);
            return 0;
        case WM_MOUSEMOVE:
            if (b->tracking) {
                RECT r;
                GetClientRect(h, &r);
                POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
                bool in = PtInRect(&r, p);
                if (in != b->pushed) {
                    b->pushed = in;
                    InvalidateRect(h, nullptr, TRUE);
                }
            }
            return 0;
        case WM_LBUTTONUP:
            if (b->tracking) {
                bool fire = b->pushed;
                b->tracking = false;
                b->pushed = false;
                if (GetCapture() == h) ReleaseCapture();
                InvalidateRect(h, nullptr, TRUE);
                if (fire) Click(h);
            }
            return 0;
        case WM_CAPTURECHANGED:
            if (b->tracking) {
                b->tracking = false;
                b->pushed = false;
                InvalidateRect(h, nullptr, TRUE);
            }
            return 0;
        case WM_KEYDOWN:
            if (wp == VK_SPACE && type != BS_GROUPBOX && !b->space) {
                b->space = true;
                b->pushed = true;
                InvalidateRect(h, nullptr, TRUE);
            }
            return 0;
        case WM_KEYUP:
            if (wp == VK_SPACE && b->space) {
                b->space = false;
                b->pushed = false;
                InvalidateRect(h, nullptr, TRUE);
                Click(h);
            }
            return 0;
        case BM_CLICK:
            if (IsWindowEnabled(h)) Click(h);
            return 0;
        case BM_GETCHECK: return b->check;
        case BM_SETCHECK:
            b->check = static_cast<int>(wp) & 3;
            InvalidateRect(h, nullptr, TRUE);
            return 0;
        case BM_GETSTATE:
            return b->check | (b->pushed ? BST_PUSHED : 0) | (b->focus ? BST_FOCUS : 0);
        case BM_SETSTATE:
            b->pushed = wp != 0;
            InvalidateRect(h, nullptr, TRUE);
            return 0;
        case BM_SETSTYLE: {
            LONG st = GetWindowLongA(h, GWL_STYLE);
            SetWindowLongA(h, GWL_STYLE, static_cast<LONG>((st & ~0xFFFFL) | (static_cast<LONG>(wp) & 0xFFFF)));
            if (lp) InvalidateRect(h, nullptr, TRUE);
            return 0;
        }
        case BM_GETIMAGE: return static_cast<LRESULT>(b->image);
        case BM_SETIMAGE: {
            HANDLE old = b->image;
            if (wp != IMAGE_BITMAP && wp != IMAGE_ICON) return 0;
            b->image = static_cast<HANDLE>(lp);
            b->image_type = static_cast<int>(wp);
            InvalidateRect(h, nullptr, TRUE);
            return static_cast<LRESULT>(old);
        }
        default: return DefWindowProcA(h, m, wp, lp);
    }
}

struct Registrar {
    Registrar() { RegisterSystemClass("BUTTON", ButtonProc, CS_DBLCLKS | CS_PARENTDC, 0); }
} registrar;

}  // namespace
}  // namespace platform::controls
