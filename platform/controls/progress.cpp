// "msctls_progress32": a bar filled in proportion to a position in a range,
// in segments unless PBS_SMOOTH, across or (PBS_VERTICAL) upwards.
#include <algorithm>

#include "platform/controls/controls_internal.h"

namespace platform::controls {
namespace {

constexpr COLORREF kDefault = 0xFF000000u;  // CLR_DEFAULT

struct Progress {
    int lo = 0, hi = 100, pos = 0, step = 10;
    COLORREF bar = kDefault, back = kDefault;
};

void Paint(HWND h, Progress& p) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT r;
    GetClientRect(h, &r);
    HBRUSH back = p.back == kDefault ? GetSysColorBrush(COLOR_BTNFACE) : CreateSolidBrush(p.back);
    FillRect(dc, &r, back);
    if (p.back != kDefault) DeleteObject(back);
    DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
    InflateRect(&r, -1, -1);
    bool vert = GetWindowLongA(h, GWL_STYLE) & PBS_VERTICAL;
    bool smooth = GetWindowLongA(h, GWL_STYLE) & PBS_SMOOTH;
    int len = vert ? r.bottom - r.top : r.right - r.left;
    int span = p.hi - p.lo;
    int fill = span > 0 ? static_cast<int>(static_cast<long long>(len) * (p.pos - p.lo) / span) : 0;
    fill = std::clamp(fill, 0, std::max(0, len));
    HBRUSH bar = CreateSolidBrush(p.bar == kDefault ? GetSysColor(COLOR_HIGHLIGHT) : p.bar);
    if (smooth) {
        RECT f = vert ? RECT{r.left, r.bottom - fill, r.right, r.bottom} : RECT{r.left, r.top, r.left + fill, r.bottom};
        FillRect(dc, &f, bar);
    } else {
        // Segments as wide as two thirds of the bar's thickness, 2 pixels apart.
        int thick = vert ? r.right - r.left : r.bottom - r.top;
        int seg = std::max(2, thick * 2 / 3), gap = 2;
        for (int at = 0; at < fill; at += seg + gap) {
            int e = std::min(at + seg, len);
            RECT f = vert ? RECT{r.left, r.bottom - e, r.right, r.bottom - at} : RECT{r.left + at, r.top, r.left + e, r.bottom};
            FillRect(dc, &f, bar);
        }
    }
    DeleteObject(bar);
    EndPaint(h, &ps);
}

int SetPos(HWND h, Progress& p, int pos) {
    int old = p.pos;
    p.pos = std::clamp(pos, std::min(p.lo, p.hi), std::max(p.lo, p.hi));
    if (p.pos != old) InvalidateRect(h, nullptr, TRUE);
    return old;
}

LRESULT CALLBACK ProgressProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    Progress* p = StateOf<Progress>(h);
    if (m == WM_NCCREATE) {
        SetState(h, new Progress);
        return DefWindowProcA(h, m, wp, lp);
    }
    if (!p) return DefWindowProcA(h, m, wp, lp);
    switch (m) {
        case WM_NCDESTROY:
            SetState(h, nullptr);
            delete p;
            return DefWindowProcA(h, m, wp, lp);
        case WM_ERASEBKGND: return 1;
        case WM_PAINT: Paint(h, *p); return 0;
        case PBM_SETRANGE: {
            LRESULT old = MAKELONG(static_cast<WORD>(p->lo), static_cast<WORD>(p->hi));
            p->lo = static_cast<WORD>(LOWORD(lp));
            p->hi = static_cast<WORD>(HIWORD(lp));
            SetPos(h, *p, p->pos);
            InvalidateRect(h, nullptr, TRUE);
            return old;
        }
        case PBM_SETRANGE32: {
            LRESULT old = MAKELONG(static_cast<WORD>(p->lo), static_cast<WORD>(p->hi));
            p->lo = static_cast<int>(wp);
            p->hi = static_cast<int>(lp);
            SetPos(h, *p, p->pos);
            InvalidateRect(h, nullptr, TRUE);
            return old;
        }
        case PBM_GETRANGE: {
            auto* r = reinterpret_cast<PBRANGE*>(lp);
            if (r) *r = PBRANGE{p->lo, p->hi};
            return wp ? p->lo : p->hi;
        }
        case PBM_SETPOS: return SetPos(h, *p, static_cast<int>(wp));
        case PBM_GETPOS: return p->pos;
        case PBM_DELTAPOS: return SetPos(h, *p, p->pos + static_cast<int>(wp));
        case PBM_SETSTEP: {
            int old = p->step;
            p->step = static_cast<int>(wp);
            return old;
        }
        case PBM_STEPIT: {
            int old = p->pos;
            int next = p->pos + p->step;
            // Stepping past the end starts again from the beginning.
            if (next > std::max(p->lo, p->hi)) next = std::min(p->lo, p->hi) + (next - std::max(p->lo, p->hi));
            SetPos(h, *p, next);
            return old;
        }
        case PBM_SETBARCOLOR: {
            COLORREF old = p->bar;
            p->bar = static_cast<COLORREF>(lp);
            InvalidateRect(h, nullptr, TRUE);
            return static_cast<LRESULT>(old);
        }
        case PBM_SETBKCOLOR: {
            COLORREF old = p->back;
            p->back = static_cast<COLORREF>(lp);
            InvalidateRect(h, nullptr, TRUE);
            return static_cast<LRESULT>(old);
        }
        default: return DefWindowProcA(h, m, wp, lp);
    }
}

struct Registrar {
    Registrar() { RegisterSystemClass("msctls_progress32", ProgressProc, CS_PARENTDC, 0); }
} registrar;

}  // namespace
}  // namespace platform::controls
