// "SCROLLBAR" controls and the scroll values of windows' own scroll bars.
// The control never moves itself: it tells the parent what the user did
// (WM_VSCROLL / WM_HSCROLL) and the parent sets the new position.
#include <algorithm>
#include <map>

#include "platform/controls/controls_internal.h"
#include "win/kernel.h"

namespace platform::controls {
namespace {

constexpr UINT_PTR kRepeatTimer = 1;
constexpr UINT kFirstDelay = 350, kRepeatDelay = 60;

struct Values {
    int min = 0, max = 100;
    UINT page = 0;
    int pos = 0;
    int track = 0;
};

enum Part { kNone, kArrowUp, kPageUp, kThumb, kPageDown, kArrowDown };

struct Bar {
    Values v;
    Part pressed = kNone;
    bool hot = false;        // the pointer is over the pressed part
    int drag_offset = 0;     // pointer to thumb start while dragging
    bool focus = false;
};

// Values of WS_VSCROLL / WS_HSCROLL bars, by window.
std::map<std::pair<HWND, int>, Values>& WindowBars() {
    static auto* m = new std::map<std::pair<HWND, int>, Values>;
    return *m;
}

bool Vertical(HWND h) { return GetWindowLongA(h, GWL_STYLE) & SBS_VERT; }

// In 64 bits: ranges may span the whole int range.
int MaxPos(const Values& v) {
    int64_t top = int64_t{v.max} - std::max<int64_t>(0, int64_t{v.page} - 1);
    return static_cast<int>(std::max<int64_t>(v.min, top));
}

void Clamp(Values& v) {
    if (v.max < v.min) v.max = v.min;
    uint64_t range = static_cast<uint64_t>(int64_t{v.max} - v.min) + 1;
    if (v.page > range) v.page = range;
    v.pos = std::clamp(v.pos, v.min, MaxPos(v));
}

struct Geometry {
    int length;  // along the bar
    int arrow;
    int thumb_start, thumb_len;
};

Geometry Measure(HWND h, const Values& v, int pos) {
    RECT r;
    GetClientRect(h, &r);
    bool vert = Vertical(h);
    int len = vert ? r.bottom - r.top : r.right - r.left;
    int thick = vert ? r.right - r.left : r.bottom - r.top;
    Geometry g{};
    g.length = len;
    g.arrow = std::min(thick, len / 2);
    int track = len - 2 * g.arrow;
    int64_t span = int64_t{v.max} - v.min;
    if (track < 8 || span <= 0) {
        g.thumb_start = g.arrow;
        g.thumb_len = 0;
        return g;
    }
    int tl = v.page ? static_cast<int>(static_cast<long long>(track) * v.page / (span + 1)) : thick;
    tl = std::clamp(tl, std::min(8, track), track);
    int room = track - tl;
    int maxp = MaxPos(v);
    int off = maxp > v.min ? static_cast<int>(static_cast<long long>(room) *
                                              (int64_t{std::clamp(pos, v.min, maxp)} - v.min) / (int64_t{maxp} - v.min))
                           : 0;
    g.thumb_start = g.arrow + off;
    g.thumb_len = tl;
    return g;
}

Part HitPart(HWND h, const Bar& b, int along) {
    Geometry g = Measure(h, b.v, b.v.pos);
    if (along < g.arrow) return kArrowUp;
    if (along >= g.length - g.arrow) return kArrowDown;
    if (g.thumb_len == 0) return kNone;
    if (along < g.thumb_start) return kPageUp;
    if (along >= g.thumb_start + g.thumb_len) return kPageDown;
    return kThumb;
}

void Tell(HWND h, int code, int pos = 0) {
    HWND p = GetParent(h);
    if (!p) p = GetWindow(h, GW_OWNER);
    if (!p) return;
    SendMessageA(p, Vertical(h) ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(code, static_cast<WORD>(pos)), static_cast<LPARAM>(h));
}

void Act(HWND h, Bar& b) {
    switch (b.pressed) {
        case kArrowUp: Tell(h, SB_LINEUP); break;
        case kArrowDown: Tell(h, SB_LINEDOWN); break;
        case kPageUp: Tell(h, SB_PAGEUP); break;
        case kPageDown: Tell(h, SB_PAGEDOWN); break;
        default: break;
    }
}

void Paint(HWND h, Bar& b) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT r;
    GetClientRect(h, &r);
    bool vert = Vertical(h);
    HBRUSH track = ControlColor(h, WM_CTLCOLORSCROLLBAR, dc);
    FillRect(dc, &r, track ? track : GetSysColorBrush(COLOR_SCROLLBAR));
    Geometry g = Measure(h, b.v, b.pressed == kThumb ? b.v.track : b.v.pos);
    auto span = [&](int a, int z) {
        return vert ? RECT{r.left, r.top + a, r.right, r.top + z} : RECT{r.left + a, r.top, r.left + z, r.bottom};
    };
    RECT up = span(0, g.arrow), dn = span(g.length - g.arrow, g.length);
    bool enabled = IsWindowEnabled(h) && b.v.max > b.v.min;
    UINT off = enabled ? 0 : DFCS_INACTIVE;
    DrawFrameControl(dc, &up, DFC_SCROLL,
                     (vert ? DFCS_SCROLLUP : DFCS_SCROLLLEFT) | off | (b.pressed == kArrowUp && b.hot ? DFCS_PUSHED : 0));
    DrawFrameControl(dc, &dn, DFC_SCROLL,
                     (vert ? DFCS_SCROLLDOWN : DFCS_SCROLLRIGHT) | off | (b.pressed == kArrowDown && b.hot ? DFCS_PUSHED : 0));
    if (b.hot && (b.pressed == kPageUp || b.pressed == kPageDown)) {
        RECT pr = b.pressed == kPageUp ? span(g.arrow, g.thumb_start) : span(g.thumb_start + g.thumb_len, g.length - g.arrow);
        FillRect(dc, &pr, GetSysColorBrush(COLOR_3DDKSHADOW));
    }
    if (enabled && g.thumb_len > 0) {
        RECT t = span(g.thumb_start, g.thumb_start + g.thumb_len);
        FillRect(dc, &t, GetSysColorBrush(COLOR_BTNFACE));
        DrawEdge(dc, &t, EDGE_RAISED, BF_RECT);
    }
    EndPaint(h, &ps);
}

int Along(HWND h, LPARAM lp) { return Vertical(h) ? GET_Y_LPARAM(lp) : GET_X_LPARAM(lp); }

int PosFromThumb(HWND h, const Bar& b, int thumb_start) {
    Geometry g = Measure(h, b.v, b.v.pos);
    int room = g.length - 2 * g.arrow - g.thumb_len;
    int maxp = MaxPos(b.v);
    if (room <= 0) return b.v.min;
    int off = std::clamp(thumb_start - g.arrow, 0, room);
    return b.v.min + static_cast<int>((static_cast<long long>(off) * (maxp - b.v.min) + room / 2) / room);
}

LRESULT SetInfo(HWND h, Values& v, const SCROLLINFO* si, bool redraw) {
    if (!si) return v.pos;
    if (si->fMask & SIF_RANGE) {
        v.min = si->nMin;
        v.max = si->nMax;
    }
    if (si->fMask & SIF_PAGE) v.page = si->nPage;
    if (si->fMask & SIF_POS) v.pos = si->nPos;
    Clamp(v);
    if (redraw && h) InvalidateRect(h, nullptr, TRUE);
    return v.pos;
}

void GetInfo(const Values& v, SCROLLINFO* si, bool dragging) {
    if (si->fMask & SIF_RANGE) {
        si->nMin = v.min;
        si->nMax = v.max;
    }
    if (si->fMask & SIF_PAGE) si->nPage = v.page;
    if (si->fMask & SIF_POS) si->nPos = v.pos;
    if (si->fMask & SIF_TRACKPOS) si->nTrackPos = dragging ? v.track : v.pos;
}

LRESULT CALLBACK ScrollProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    Bar* b = StateOf<Bar>(h);
    if (m == WM_NCCREATE) {
        SetState(h, new Bar);
        return DefWindowProcA(h, m, wp, lp);
    }
    if (!b) return DefWindowProcA(h, m, wp, lp);
    switch (m) {
        case WM_NCDESTROY:
            SetState(h, nullptr);
            delete b;
            return DefWindowProcA(h, m, wp, lp);
        case WM_ERASEBKGND: return 1;
        case WM_PAINT: Paint(h, *b); return 0;
        case WM_GETDLGCODE: return DLGC_WANTARROWS;
        case WM_ENABLE: InvalidateRect(h, nullptr, TRUE); return 0;
        case WM_LBUTTONDBLCLK:
        case WM_LBUTTONDOWN: {
            Part p = HitPart(h, *b, Along(h, lp));
            if (p == kNone) return 0;
            b->pressed = p;
            b->hot = true;
            SetCapture(h);
            if (p == kThumb) {
                Geometry g = Measure(h, b->v, b->v.pos);
                b->drag_offset = Along(h, lp) - g.thumb_start;
                b->v.track = b->v.pos;
            } else {
                Act(h, *b);
                if ((b = StateOf<Bar>(h)) == nullptr) return 0;
                SetTimer(h, kRepeatTimer, kFirstDelay, nullptr);
            }
            InvalidateRect(h, nullptr, TRUE);
            return 0;
        }
        case WM_TIMER:
            if (wp == kRepeatTimer) {
                SetTimer(h, kRepeatTimer, kRepeatDelay, nullptr);
                if (b->pressed == kNone || !b->hot) return 0;
                // Paging stops once the thumb reaches the pointer.
                if (b->pressed == kPageUp || b->pressed == kPageDown) {
                    POINT pt;
                    GetCursorPos(&pt);
                    ScreenToClient(h, &pt);
                    Part now = HitPart(h, *b, Vertical(h) ? pt.y : pt.x);
                    if (now != b->pressed) return 0;
                }
                Act(h, *b);
            }
            return 0;
        case WM_MOUSEMOVE:
            if (b->pressed == kThumb) {
                int pos = PosFromThumb(h, *b, Along(h, lp) - b->drag_offset);
                if (pos != b->v.track) {
                    b->v.track = pos;
                    InvalidateRect(h, nullptr, TRUE);
                    Tell(h, SB_THUMBTRACK, pos);
                }
            } else if (b->pressed != kNone) {
                RECT r;
                GetClientRect(h, &r);
                POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
                bool hot = PtInRect(&r, pt) && (b->pressed == kArrowUp || b->pressed == kArrowDown
                                                     ? HitPart(h, *b, Along(h, lp)) == b->pressed
                                                     : true);
                if (hot != b->hot) {
                    b->hot = hot;
                    InvalidateRect(h, nullptr, TRUE);
                }
            }
            return 0;
        case WM_LBUTTONUP:
        case WM_CAPTURECHANGED: {
            if (b->pressed == kNone) return 0;
            Part was = b->pressed;
            b->pressed = kNone;
            KillTimer(h, kRepeatTimer);
            if (m == WM_LBUTTONUP && GetCapture() == h) ReleaseCapture();
            if ((b = StateOf<Bar>(h)) == nullptr) return 0;
            InvalidateRect(h, nullptr, TRUE);
            if (was == kThumb) Tell(h, SB_THUMBPOSITION, b->v.track);
            if (StateOf<Bar>(h)) Tell(h, SB_ENDSCROLL);
            return 0;
        }
        case WM_KEYDOWN: {
            int code = -1;
            switch (wp) {
                case VK_UP: case VK_LEFT: code = SB_LINEUP; break;
                case VK_DOWN: case VK_RIGHT: code = SB_LINEDOWN; break;
                case VK_PRIOR: code = SB_PAGEUP; break;
                case VK_NEXT: code = SB_PAGEDOWN; break;
                case VK_HOME: code = SB_TOP; break;
                case VK_END: code = SB_BOTTOM; break;
                default: break;
            }
            if (code >= 0) {
                Tell(h, code);
                if (StateOf<Bar>(h)) Tell(h, SB_ENDSCROLL);
            }
            return 0;
        }
        case SBM_SETPOS: {
            int old = b->v.pos;
            b->v.pos = static_cast<int>(wp);
            Clamp(b->v);
            if (lp) InvalidateRect(h, nullptr, TRUE);
            return old;
        }
        case SBM_GETPOS: return b->v.pos;
        case SBM_SETRANGE:
        case SBM_SETRANGEREDRAW: {
            int old = b->v.pos;
            b->v.min = static_cast<int>(wp);
            b->v.max = static_cast<int>(lp);
            Clamp(b->v);
            InvalidateRect(h, nullptr, TRUE);
            return old;
        }
        case SBM_GETRANGE:
            if (wp) *reinterpret_cast<int*>(wp) = b->v.min;
            if (lp) *reinterpret_cast<int*>(lp) = b->v.max;
            return 0;
        case SBM_SETSCROLLINFO: return SetInfo(h, b->v, reinterpret_cast<const SCROLLINFO*>(lp), wp != 0);
        case SBM_GETSCROLLINFO: {
            auto* si = reinterpret_cast<SCROLLINFO*>(lp);
            if (!si) return FALSE;
            GetInfo(b->v, si, b->pressed == kThumb);
            return TRUE;
        }
        default: return DefWindowProcA(h, m, wp, lp);
    }
}

bool IsScrollControl(HWND h) {
    char cls[16];
    return GetClassNameA(h, cls, sizeof cls) && lstrcmpiA(cls, "SCROLLBAR") == 0;
}

struct Registrar {
    Registrar() { RegisterSystemClass("SCROLLBAR", ScrollProc, CS_DBLCLKS | CS_PARENTDC, 0); }
} registrar;

}  // namespace

// Forgets the values of a window's own scroll bars (called when it goes away).
void ForgetWindowBars(HWND h) {
    WindowBars().erase({h, SB_HORZ});
    WindowBars().erase({h, SB_VERT});
}

}  // namespace platform::controls

using namespace platform::controls;

WINEXPORT int SetScrollInfo(HWND h, int bar, LPCSCROLLINFO si, BOOL redraw) {
    if (!IsWindow(h) || !si) return 0;
    if (bar == SB_CTL) {
        if (!IsScrollControl(h)) return 0;
        return static_cast<int>(SendMessageA(h, SBM_SETSCROLLINFO, static_cast<WPARAM>(redraw), reinterpret_cast<LPARAM>(si)));
    }
    if (bar != SB_VERT && bar != SB_HORZ) return 0;
    Values& v = WindowBars()[{h, bar}];
    int r = static_cast<int>(SetInfo(0, v, si, false));
    if (redraw) RedrawWindow(h, nullptr, 0, RDW_FRAME | RDW_INVALIDATE);
    return r;
}

WINEXPORT BOOL GetScrollInfo(HWND h, int bar, LPSCROLLINFO si) {
    if (!IsWindow(h) || !si) return FALSE;
    if (bar == SB_CTL) {
        if (!IsScrollControl(h)) return FALSE;
        return static_cast<BOOL>(SendMessageA(h, SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(si)));
    }
    if (bar != SB_VERT && bar != SB_HORZ) return FALSE;
    auto it = WindowBars().find({h, bar});
    Values v = it == WindowBars().end() ? Values{} : it->second;
    GetInfo(v, si, false);
    return TRUE;
}

WINEXPORT int SetScrollPos(HWND h, int bar, int pos, BOOL redraw) {
    SCROLLINFO old{sizeof(SCROLLINFO), SIF_POS, 0, 0, 0, 0, 0};
    if (!GetScrollInfo(h, bar, &old)) return 0;
    SCROLLINFO si{sizeof(SCROLLINFO), SIF_POS, 0, 0, 0, pos, 0};
    SetScrollInfo(h, bar, &si, redraw);
    return old.nPos;
}

WINEXPORT int GetScrollPos(HWND h, int bar) {
    SCROLLINFO si{sizeof(SCROLLINFO), SIF_POS, 0, 0, 0, 0, 0};
    return GetScrollInfo(h, bar, &si) ? si.nPos : 0;
}

WINEXPORT BOOL SetScrollRange(HWND h, int bar, int lo, int hi, BOOL redraw) {
    SCROLLINFO si{sizeof(SCROLLINFO), SIF_RANGE, lo, hi, 0, 0, 0};
    if (!IsWindow(h)) return FALSE;
    SetScrollInfo(h, bar, &si, redraw);
    return TRUE;
}

WINEXPORT BOOL GetScrollRange(HWND h, int bar, LPINT lo, LPINT hi) {
    SCROLLINFO si{sizeof(SCROLLINFO), SIF_RANGE, 0, 0, 0, 0, 0};
    if (!GetScrollInfo(h, bar, &si)) return FALSE;
    if (lo) *lo = si.nMin;
    if (hi) *hi = si.nMax;
    return TRUE;
}

WINEXPORT BOOL ShowScrollBar(HWND h, int bar, BOOL show) {
    if (!IsWindow(h)) return FALSE;
    if (bar == SB_CTL) {
        ShowWindow(h, show ? SW_SHOW : SW_HIDE);
        return TRUE;
    }
    DWORD add = (bar == SB_VERT ? WS_VSCROLL : bar == SB_HORZ ? WS_HSCROLL : WS_VSCROLL | WS_HSCROLL);
    LONG st = GetWindowLongA(h, GWL_STYLE);
    LONG ns = show ? (st | static_cast<LONG>(add)) : (st & ~static_cast<LONG>(add));
    if (ns != st) {
        SetWindowLongA(h, GWL_STYLE, ns);
        SetWindowPos(h, 0, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    }
    return TRUE;
}

WINEXPORT BOOL EnableScrollBar(HWND h, UINT bar, UINT) {
    if (!IsWindow(h)) return FALSE;
    if (bar == SB_CTL) EnableWindow(h, TRUE);
    return TRUE;
}
