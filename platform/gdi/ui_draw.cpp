// Classic three-dimensional edges and frame controls (scroll arrows, caption
// buttons, push buttons, check boxes), drawn with the system colours.
#include <algorithm>

#include "platform/gdi/gdi_internal.h"
#include "win/user.h"

using namespace platform;
using namespace platform::gdi;

namespace {

void Fill(HDC hdc, int l, int t, int r, int b, int sys) {
    RECT rc{l, t, r, b};
    FillRect(hdc, &rc, static_cast<HBRUSH>(sys + 1));
}

// One ring of an edge: the top and left sides in one colour, the bottom and
// right sides in another.
void Ring(HDC hdc, RECT& r, int tl, int br, UINT flags) {
    if (flags & BF_TOP) Fill(hdc, r.left, r.top, r.right, r.top + 1, tl);
    if (flags & BF_LEFT) Fill(hdc, r.left, r.top, r.left + 1, r.bottom, tl);
    if (flags & BF_BOTTOM) Fill(hdc, r.left, r.bottom - 1, r.right, r.bottom, br);
    if (flags & BF_RIGHT) Fill(hdc, r.right - 1, r.top, r.right, r.bottom, br);
    if (flags & BF_LEFT) ++r.left;
    if (flags & BF_TOP) ++r.top;
    if (flags & BF_RIGHT) --r.right;
    if (flags & BF_BOTTOM) --r.bottom;
}

void Arrow(HDC hdc, const RECT& r, int dir, bool grey) {
    // A small filled triangle in the middle of r: 0 up, 1 down, 2 left, 3 right.
    int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    int size = std::max(2, std::min(r.right - r.left, r.bottom - r.top) / 4);
    COLORREF c = GetSysColor(grey ? COLOR_GRAYTEXT : COLOR_BTNTEXT);
    HBRUSH br = CreateSolidBrush(c);
    for (int i = 0; i < size; ++i) {
        RECT line;
        switch (dir) {
            case 0: line = RECT{cx - i, cy - size / 2 + i, cx + i + 1, cy - size / 2 + i + 1}; break;
            case 1: line = RECT{cx - i, cy + size / 2 - i, cx + i + 1, cy + size / 2 - i + 1}; break;
            case 2: line = RECT{cx - size / 2 + i, cy - i, cx - size / 2 + i + 1, cy + i + 1}; break;
            default: line = RECT{cx + size / 2 - i, cy - i, cx + size / 2 - i + 1, cy + i + 1}; break;
        }
        FillRect(hdc, &line, br);
    }
    DeleteObject(br);
}

}  // namespace

WINEXPORT BOOL DrawEdge(HDC hdc, LPRECT qrc, UINT edge, UINT flags) {
    if (!qrc || !Dcs().Valid(hdc)) return FALSE;
    RECT r = *qrc;
    r.left = std::clamp<LONG>(r.left, -1000000, 1000000);
    r.top = std::clamp<LONG>(r.top, -1000000, 1000000);
    r.right = std::clamp<LONG>(r.right, -1000000, 1000000);
    r.bottom = std::clamp<LONG>(r.bottom, -1000000, 1000000);
    if (flags & (BF_FLAT | BF_MONO)) {
        int c = (flags & BF_MONO) ? COLOR_WINDOWFRAME : COLOR_BTNSHADOW;
        if (edge & BDR_OUTER) Ring(hdc, r, c, c, flags);
        if (edge & BDR_INNER) Ring(hdc, r, (flags & BF_MONO) ? COLOR_WINDOW : COLOR_BTNFACE,
                                   (flags & BF_MONO) ? COLOR_WINDOW : COLOR_BTNFACE, flags);
    } else {
        if (edge & BDR_RAISEDOUTER) Ring(hdc, r, COLOR_3DLIGHT, COLOR_3DDKSHADOW, flags);
        else if (edge & BDR_SUNKENOUTER) Ring(hdc, r, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT, flags);
        if (edge & BDR_RAISEDINNER) Ring(hdc, r, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW, flags);
        else if (edge & BDR_SUNKENINNER) Ring(hdc, r, COLOR_3DDKSHADOW, COLOR_3DLIGHT, flags);
    }
    if ((flags & BF_MIDDLE) && r.right > r.left && r.bottom > r.top)
        Fill(hdc, r.left, r.top, r.right, r.bottom, (flags & BF_MONO) ? COLOR_WINDOW : COLOR_BTNFACE);
    if (flags & BF_ADJUST) *qrc = r;
    return TRUE;
}

WINEXPORT BOOL DrawFrameControl(HDC hdc, LPRECT lprc, UINT type, UINT state) {
    if (!lprc || !Dcs().Valid(hdc)) return FALSE;
    RECT r = *lprc;
    // Keep the arithmetic below in range for absurd rectangles.
    r.left = std::clamp<LONG>(r.left, -1000000, 1000000);
    r.top = std::clamp<LONG>(r.top, -1000000, 1000000);
    r.right = std::clamp<LONG>(r.right, -1000000, 1000000);
    r.bottom = std::clamp<LONG>(r.bottom, -1000000, 1000000);
    if (r.right <= r.left || r.bottom <= r.top) return TRUE;
    bool pushed = (state & DFCS_PUSHED) != 0, flat = (state & DFCS_FLAT) != 0;
    bool grey = (state & DFCS_INACTIVE) != 0;
    auto button = [&](RECT& b) {
        if (flat) {
            DrawEdge(hdc, &b, BDR_SUNKENOUTER, BF_RECT | BF_FLAT | BF_MIDDLE | BF_ADJUST);
        } else {
            DrawEdge(hdc, &b, pushed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST);
        }
        if (pushed) OffsetRect(&b, 1, 1);
    };
    switch (type) {
        case DFC_SCROLL: {
            button(r);
            UINT part = state & 0xFF;
            int dir = part == DFCS_SCROLLUP ? 0 : (part == DFCS_SCROLLDOWN || part == DFCS_SCROLLCOMBOBOX) ? 1
                                                  : part == DFCS_SCROLLLEFT ? 2 : 3;
            Arrow(hdc, r, dir, grey);
            return TRUE;
        }
        case DFC_CAPTION: {
            button(r);
            UINT part = state & 0xFF;
            HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(grey ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
            HGDIOBJ old = SelectObject(hdc, pen);
            int w = r.right - r.left, h = r.bottom - r.top;
            int m = std::max(2, std::min(w, h) / 4);
            if (part == DFCS_CAPTIONCLOSE) {
                for (int k = 0; k < 2; ++k) {
                    MoveToEx(hdc, r.left + m + k, r.top + m, nullptr);
                    LineTo(hdc, r.right - m + k, r.bottom - m);
                    MoveToEx(hdc, r.right - m - 1 + k, r.top + m, nullptr);
                    LineTo(hdc, r.left + m - 1 + k, r.bottom - m);
                }
            } else if (part == DFCS_CAPTIONMIN) {
                Fill(hdc, r.left + m, r.bottom - m - 2, r.right - m - 1, r.bottom - m, grey ? COLOR_GRAYTEXT : COLOR_BTNTEXT);
            } else {
                RECT box{r.left + m - 1, r.top + m - 1, r.right - m, r.bottom - m};
                HBRUSH b = CreateSolidBrush(GetSysColor(grey ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
                FrameRect(hdc, &box, b);
                RECT top{box.left, box.top, box.right, box.top + 2};
                FillRect(hdc, &top, b);
                DeleteObject(b);
            }
            SelectObject(hdc, old);
            DeleteObject(pen);
            return TRUE;
        }
        case DFC_BUTTON: {
            if (state & DFCS_BUTTONPUSH) {
                button(r);
                return TRUE;
            }
            DrawEdge(hdc, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
            Fill(hdc, r.left, r.top, r.right, r.bottom, pushed ? COLOR_BTNFACE : COLOR_WINDOW);
            if (state & DFCS_CHECKED) {
                HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_WINDOWTEXT));
                HGDIOBJ old = SelectObject(hdc, pen);
                int x = r.left + 1, y = r.top + (r.bottom - r.top) / 2 - 1;
                for (int k = 0; k < 3; ++k) {
                    MoveToEx(hdc, x, y + k, nullptr);
                    LineTo(hdc, x + 2, y + 2 + k);
                    LineTo(hdc, x + 7, y - 3 + k);
                }
                SelectObject(hdc, old);
                DeleteObject(pen);
            }
            return TRUE;
        }
        default: return FALSE;
    }
}
