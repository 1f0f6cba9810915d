// System metrics, colours and parameters of the classic desktop look the
// non-client drawing uses, and the rectangle helpers.
#include <algorithm>
#include <cstring>
#include <mutex>

#include "platform/backend/backend.h"
#include "platform/gdi/gdi_internal.h"
#include "platform/user/user_internal.h"

using namespace platform;

namespace {

// Indexed by COLOR_*: the classic grey scheme.
constexpr COLORREF kSysColors[] = {
    RGB(212, 208, 200),  // COLOR_SCROLLBAR
    RGB(58, 110, 165),   // COLOR_BACKGROUND
    RGB(10, 36, 106),    // COLOR_ACTIVECAPTION
    RGB(128, 128, 128),  // COLOR_INACTIVECAPTION
    RGB(212, 208, 200),  // COLOR_MENU
    RGB(255, 255, 255),  // COLOR_WINDOW
    RGB(0, 0, 0),        // COLOR_WINDOWFRAME
    RGB(0, 0, 0),        // COLOR_MENUTEXT
    RGB(0, 0, 0),        // COLOR_WINDOWTEXT
    RGB(255, 255, 255),  // COLOR_CAPTIONTEXT
    RGB(212, 208, 200),  // COLOR_ACTIVEBORDER
    RGB(212, 208, 200),  // COLOR_INACTIVEBORDER
    RGB(128, 128, 128),  // COLOR_APPWORKSPACE
    RGB(10, 36, 106),    // COLOR_HIGHLIGHT
    RGB(255, 255, 255),  // COLOR_HIGHLIGHTTEXT
    RGB(212, 208, 200),  // COLOR_BTNFACE
    RGB(128, 128, 128),  // COLOR_BTNSHADOW
    RGB(128, 128, 128),  // COLOR_GRAYTEXT
    RGB(0, 0, 0),        // COLOR_BTNTEXT
    RGB(212, 208, 200),  // COLOR_INACTIVECAPTIONTEXT
    RGB(255, 255, 255),  // COLOR_BTNHIGHLIGHT
    RGB(64, 64, 64),     // COLOR_3DDKSHADOW
    RGB(212, 208, 200),  // COLOR_3DLIGHT
    RGB(0, 0, 0),        // COLOR_INFOTEXT
    RGB(255, 255, 225),  // COLOR_INFOBK
    RGB(181, 181, 181),  // 25 (unused)
    RGB(0, 0, 128),      // COLOR_HOTLIGHT
    RGB(166, 202, 240),  // COLOR_GRADIENTACTIVECAPTION
    RGB(192, 192, 192),  // COLOR_GRADIENTINACTIVECAPTION
    RGB(10, 36, 106),    // COLOR_MENUHILIGHT
    RGB(212, 208, 200),  // COLOR_MENUBAR
};
static_assert(std::size(kSysColors) == 31);

}  // namespace

WINEXPORT int GetSystemMetrics(int i) {
    int sw = 1280, sh = 1024;
    if (backend::Exists()) backend::Current().ScreenSize(&sw, &sh);
    switch (i) {
        case SM_CXSCREEN:
        case SM_CXFULLSCREEN:
        case SM_CXVIRTUALSCREEN:
        case SM_CXMAXIMIZED: return sw;
        case SM_CYSCREEN:
        case SM_CYVIRTUALSCREEN:
        case SM_CYMAXIMIZED: return sh;
        case SM_CYFULLSCREEN: return sh - 19;
        case SM_CXVSCROLL:
        case SM_CYHSCROLL:
        case SM_CYVSCROLL:
        case SM_CXHSCROLL:
        case SM_CYVTHUMB:
        case SM_CXHTHUMB: return 16;
        // The caption bar is 18 pixels with a 1-pixel line under it; the frames
        // are what NcPaint draws: 1 (border), 3 (dialog frame), 4 (sizing frame).
        case SM_CYCAPTION: return 19;
        case SM_CYSMCAPTION: return 15;
        case SM_CXBORDER:
        case SM_CYBORDER: return 1;
        case SM_CXDLGFRAME:
        case SM_CYDLGFRAME: return 3;
        case SM_CXFRAME:
        case SM_CYFRAME: return 4;
        case SM_CXEDGE:
        case SM_CYEDGE: return 2;
        case SM_CXICON:
        case SM_CYICON:
        case SM_CXCURSOR:
        case SM_CYCURSOR: return 32;
        case SM_CXSMICON:
        case SM_CYSMICON: return 16;
        case SM_CYMENU: return 19;
        case SM_CXSIZE:
        case SM_CYSIZE: return 18;
        case SM_CXSMSIZE:
        case SM_CYSMSIZE: return 14;
        case SM_CXMIN: return 112;
        case SM_CYMIN: return 27;
        case SM_CXMINTRACK: return 112;
        case SM_CYMINTRACK: return 27;
        case SM_CXDOUBLECLK:
        case SM_CYDOUBLECLK: return 4;
        case SM_MOUSEPRESENT:
        case SM_MOUSEWHEELPRESENT:
        case SM_CMONITORS: return 1;
        case SM_CMOUSEBUTTONS: return 3;
        default: return 0;
    }
}

WINEXPORT DWORD GetSysColor(int i) {
    if (i < 0 || i >= static_cast<int>(std::size(kSysColors))) return 0;
    return kSysColors[i];
}

WINEXPORT HBRUSH GetSysColorBrush(int i) {
    static std::mutex mu;
    static HBRUSH made[std::size(kSysColors)] = {};
    if (i < 0 || i >= static_cast<int>(std::size(kSysColors))) return 0;
    std::lock_guard<std::mutex> lock(mu);
    if (!made[i]) {
        auto b = std::make_shared<gdi::Brush>();
        b->color = kSysColors[i];
        b->sys_color = i;
        made[i] = gdi::Brushes().Add(b);
    }
    return made[i];
}

WINEXPORT BOOL SystemParametersInfoA(UINT action, UINT, PVOID pv, UINT) {
    auto ui_font = [](LOGFONTA* lf) {
        std::memset(lf, 0, sizeof *lf);
        lf->lfHeight = -12;
        lf->lfWeight = FW_NORMAL;
        lf->lfCharSet = GB2312_CHARSET;
        // "宋体": the face the classic Chinese desktop uses; it resolves to the installed CJK font.
        std::memcpy(lf->lfFaceName, "\xcb\xce\xcc\xe5", 5);
    };
    switch (action) {
        case SPI_GETWORKAREA: {
            if (!pv) return FALSE;
            auto* r = static_cast<RECT*>(pv);
            *r = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
            return TRUE;
        }
        case SPI_GETNONCLIENTMETRICS: {
            auto* m = static_cast<NONCLIENTMETRICSA*>(pv);
            if (!m || m->cbSize < sizeof(NONCLIENTMETRICSA)) return FALSE;
            m->iBorderWidth = 1;
            m->iScrollWidth = m->iScrollHeight = 16;
            m->iCaptionWidth = m->iCaptionHeight = 18;
            m->iSmCaptionWidth = m->iSmCaptionHeight = 14;
            m->iMenuWidth = m->iMenuHeight = 18;
            ui_font(&m->lfCaptionFont);
            m->lfCaptionFont.lfWeight = FW_BOLD;
            ui_font(&m->lfSmCaptionFont);
            ui_font(&m->lfMenuFont);
            ui_font(&m->lfStatusFont);
            ui_font(&m->lfMessageFont);
            return TRUE;
        }
        case SPI_GETICONTITLELOGFONT:
            if (!pv) return FALSE;
            ui_font(static_cast<LOGFONTA*>(pv));
            return TRUE;
        case SPI_GETWHEELSCROLLLINES:
            if (!pv) return FALSE;
            *static_cast<UINT*>(pv) = 3;
            return TRUE;
        case SPI_GETBEEP:
        case SPI_GETFONTSMOOTHING:
            if (!pv) return FALSE;
            *static_cast<BOOL*>(pv) = TRUE;
            return TRUE;
        case SPI_GETBORDER:
            if (!pv) return FALSE;
            *static_cast<int*>(pv) = 1;
            return TRUE;
        case SPI_GETKEYBOARDDELAY:
        case SPI_GETKEYBOARDSPEED:
            if (!pv) return FALSE;
            *static_cast<int*>(pv) = action == SPI_GETKEYBOARDDELAY ? 1 : 31;
            return TRUE;
        default: return FALSE;
    }
}

WINEXPORT BOOL AdjustWindowRectEx(LPRECT r, DWORD style, BOOL, DWORD ex) {
    if (!r) return FALSE;
    auto n = user::Insets(style, ex);
    r->left -= n.left;
    r->top -= n.top;
    r->right += n.right;
    r->bottom += n.bottom;
    return TRUE;
}

WINEXPORT BOOL AdjustWindowRect(LPRECT r, DWORD style, BOOL menu) { return AdjustWindowRectEx(r, style, menu, 0); }

// ---- rectangles ------------------------------------------------------------------------

WINEXPORT BOOL SetRect(LPRECT r, int l, int t, int rt, int b) {
    if (!r) return FALSE;
    *r = RECT{l, t, rt, b};
    return TRUE;
}
WINEXPORT BOOL SetRectEmpty(LPRECT r) { return SetRect(r, 0, 0, 0, 0); }
WINEXPORT BOOL CopyRect(LPRECT d, const RECT* s) {
    if (!d || !s) return FALSE;
    *d = *s;
    return TRUE;
}
WINEXPORT BOOL InflateRect(LPRECT r, int dx, int dy) {
    if (!r) return FALSE;
    r->left -= dx;
    r->top -= dy;
    r->right += dx;
    r->bottom += dy;
    return TRUE;
}
WINEXPORT BOOL OffsetRect(LPRECT r, int dx, int dy) {
    if (!r) return FALSE;
    r->left += dx;
    r->top += dy;
    r->right += dx;
    r->bottom += dy;
    return TRUE;
}
WINEXPORT BOOL IsRectEmpty(const RECT* r) { return !r || r->right <= r->left || r->bottom <= r->top; }
WINEXPORT BOOL IntersectRect(LPRECT d, const RECT* a, const RECT* b) {
    if (!d || !a || !b) return FALSE;
    RECT r{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
           std::min(a->bottom, b->bottom)};
    if (IsRectEmpty(&r) || IsRectEmpty(a) || IsRectEmpty(b)) {
        *d = RECT{0, 0, 0, 0};
        return FALSE;
    }
    *d = r;
    return TRUE;
}
WINEXPORT BOOL UnionRect(LPRECT d, const RECT* a, const RECT* b) {
    if (!d || !a || !b) return FALSE;
    if (IsRectEmpty(a)) {
        *d = IsRectEmpty(b) ? RECT{0, 0, 0, 0} : *b;
    } else if (IsRectEmpty(b)) {
        *d = *a;
    } else {
        *d = RECT{std::min(a->left, b->left), std::min(a->top, b->top), std::max(a->right, b->right),
                  std::max(a->bottom, b->bottom)};
    }
    return !IsRectEmpty(d);
}
WINEXPORT BOOL SubtractRect(LPRECT d, const RECT* a, const RECT* b) {
    if (!d || !a || !b) return FALSE;
    RECT r = *a;
    RECT i;
    if (IntersectRect(&i, a, b)) {
        // Only a full-height or full-width overlap shrinks the rectangle.
        if (i.top == r.top && i.bottom == r.bottom) {
            if (i.left == r.left) r.left = i.right;
            else if (i.right == r.right) r.right = i.left;
        } else if (i.left == r.left && i.right == r.right) {
            if (i.top == r.top) r.top = i.bottom;
            else if (i.bottom == r.bottom) r.bottom = i.top;
        }
    }
    *d = r;
    return !IsRectEmpty(d);
}
WINEXPORT BOOL EqualRect(const RECT* a, const RECT* b) {
    return a && b && a->left == b->left && a->top == b->top && a->right == b->right && a->bottom == b->bottom;
}
WINEXPORT BOOL PtInRect(const RECT* r, POINT p) {
    return r && p.x >= r->left && p.x < r->right && p.y >= r->top && p.y < r->bottom;
}
