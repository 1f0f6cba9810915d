// "tooltips_class32": tips for rectangles of windows. The tool windows are
// watched through a chained window procedure (TTF_SUBCLASS) or through
// TTM_RELAYEVENT; a tip shows after the pointer rests over a tool.
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "platform/controls/controls_internal.h"

namespace platform::controls {
namespace {

constexpr UINT_PTR kShowTimer = 1, kHideTimer = 2;

struct Tool {
    UINT flags;
    HWND hwnd;
    UINT_PTR id;
    RECT rect;
    std::string text;
};

struct Tip {
    HWND self = 0;
    std::vector<Tool> tools;
    int current = -1;   // tool under the pointer
    int shown = -1;     // tool whose tip is showing
    bool active = true;
    UINT initial = 500, autopop = 5000;
    int max_width = -1;
};

// Which tooltip windows watch each tool window, and the procedure underneath.
struct Watch {
    WNDPROC base = nullptr;
    std::vector<HWND> tips;
};
std::map<HWND, Watch>& Watched() {
    static auto* m = new std::map<HWND, Watch>;
    return *m;
}

bool Covers(const Tool& t, HWND h, POINT p) {
    if (t.hwnd != h && !((t.flags & TTF_IDISHWND) && static_cast<HWND>(t.id) == h)) return false;
    if (t.flags & TTF_IDISHWND) return true;
    return PtInRect(&t.rect, p);
}

void Hide(Tip& t) {
    KillTimer(t.self, kHideTimer);
    if (t.shown >= 0) {
        t.shown = -1;
        ShowWindow(t.self, SW_HIDE);
    }
}

void Show(Tip& t) {
    if (t.current < 0 || t.current >= static_cast<int>(t.tools.size()) || !t.active) return;
    const Tool& tool = t.tools[static_cast<size_t>(t.current)];
    if (tool.text.empty()) return;
    HDC dc = GetDC(t.self);
    HGDIOBJ of = SelectObject(dc, DefaultFont());
    RECT calc{0, 0, t.max_width > 0 ? t.max_width : 2000, 0};
    DrawTextA(dc, tool.text.c_str(), static_cast<int>(tool.text.size()), &calc,
              DT_CALCRECT | DT_NOPREFIX | (t.max_width > 0 ? DT_WORDBREAK : DT_SINGLELINE));
    SelectObject(dc, of);
    ReleaseDC(t.self, dc);
    POINT p;
    GetCursorPos(&p);
    int w = calc.right - calc.left + 8, h = calc.bottom - calc.top + 4;
    int x = p.x, y = p.y + 20;
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    if (x + w > sw) x = std::max(0, sw - w);
    if (y + h > sh) y = std::max(0, p.y - h - 2);
    SetWindowTextA(t.self, tool.text.c_str());
    SetWindowPos(t.self, HWND_TOPMOST, x, y, w, h, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    InvalidateRect(t.self, nullptr, TRUE);
    t.shown = t.current;
    SetTimer(t.self, kHideTimer, t.autopop, nullptr);
}

void Relay(Tip& t, const MSG& m) {
    switch (m.message) {
        case WM_MOUSEMOVE: {
            POINT p{GET_X_LPARAM(m.lParam), GET_Y_LPARAM(m.lParam)};
            int found = -1;
            for (size_t i = 0; i < t.tools.size(); ++i)
                if (Covers(t.tools[i], m.hwnd, p)) {
                    found = static_cast<int>(i);
                    break;
                }
            if (found == t.current) return;
            t.current = found;
            Hide(t);
            KillTimer(t.self, kShowTimer);
            if (found >= 0) SetTimer(t.self, kShowTimer, t.initial, nullptr);
            break;
        }
        case WM_LBUTTONDOWN: case WM_RBUTTONDOWN: case WM_MBUTTONDOWN:
        case WM_LBUTTONUP: case WM_RBUTTONUP: case WM_MBUTTONUP:
            KillTimer(t.self, kShowTimer);
            Hide(t);
            break;
        default: break;
    }
}

LRESULT CALLBACK WatchProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    auto it = Watched().find(h);
    if (it == Watched().end()) return DefWindowProcA(h, m, wp, lp);
    WNDPROC base = it->second.base;
    if (m == WM_MOUSEMOVE || (m >= WM_LBUTTONDOWN && m <= WM_MBUTTONUP)) {
        MSG msg{h, m, wp, lp, 0, {}};
        std::vector<HWND> tips = it->second.tips;
        for (HWND tip : tips)
            if (Tip* t = StateOf<Tip>(tip)) Relay(*t, msg);
    }
    if (m == WM_NCDESTROY) {
        // Unhook before the window goes; its tools stay with the tooltip but never match again.
        SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(base));
        Watched().erase(h);
    }
    return CallWindowProcA(base, h, m, wp, lp);
}

void WatchWindow(HWND tool_window, HWND tip) {
    if (!IsWindow(tool_window)) return;
    auto& w = Watched()[tool_window];
    if (!w.base) w.base = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(tool_window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchProc)));
    if (std::find(w.tips.begin(), w.tips.end(), tip) == w.tips.end()) w.tips.push_back(tip);
}

void Unwatch(HWND tip) {
    for (auto& [h, w] : Watched()) w.tips.erase(std::remove(w.tips.begin(), w.tips.end(), tip), w.tips.end());
}

int FindTool(Tip& t, const TOOLINFOA* ti) {
    if (!ti) return -1;
    for (size_t i = 0; i < t.tools.size(); ++i)
        if (t.tools[i].hwnd == ti->hwnd && t.tools[i].id == ti->uId) return static_cast<int>(i);
    return -1;
}

std::string TextOf(const TOOLINFOA* ti) {
    if (!ti->lpszText || IS_INTRESOURCE(ti->lpszText) || ti->lpszText == reinterpret_cast<LPSTR>(-1)) return "";
    return ti->lpszText;
}

void Paint(HWND h) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT r;
    GetClientRect(h, &r);
    FillRect(dc, &r, GetSysColorBrush(COLOR_INFOBK));
    FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    char buf[1024];
    int n = GetWindowTextA(h, buf, sizeof buf);
    HGDIOBJ of = SelectObject(dc, DefaultFont());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_INFOTEXT));
    InflateRect(&r, -4, -2);
    Tip* t = StateOf<Tip>(h);
    DrawTextA(dc, buf, n, &r, DT_NOPREFIX | (t && t->max_width > 0 ? DT_WORDBREAK : DT_SINGLELINE));
    SelectObject(dc, of);
    EndPaint(h, &ps);
}

LRESULT CALLBACK TipProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    Tip* t = StateOf<Tip>(h);
    if (m == WM_NCCREATE) {
        t = new Tip;
        t->self = h;
        SetState(h, t);
        return DefWindowProcA(h, m, wp, lp);
    }
    if (!t) return DefWindowProcA(h, m, wp, lp);
    auto* ti = reinterpret_cast<TOOLINFOA*>(lp);
    // Only the tool messages carry a TOOLINFOA; others must not be read as one.
    auto tool_msg = [&] { return ti && ti->cbSize >= offsetof(TOOLINFOA, lParam); };
    switch (m) {
        case WM_NCDESTROY:
            Unwatch(h);
            SetState(h, nullptr);
            delete t;
            return DefWindowProcA(h, m, wp, lp);
        case WM_ERASEBKGND: return 1;
        case WM_PAINT: Paint(h); return 0;
        case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
        case WM_NCHITTEST: return HTTRANSPARENT;
        case WM_TIMER:
            if (wp == kShowTimer) {
                KillTimer(h, kShowTimer);
                Show(*t);
            } else if (wp == kHideTimer) {
                Hide(*t);
            }
            return 0;
        case TTM_ADDTOOLA: {
            if (!tool_msg()) return FALSE;
            Tool tool{ti->uFlags, ti->hwnd, ti->uId, ti->rect, TextOf(ti)};
            int at = FindTool(*t, ti);
            if (at >= 0) t->tools[static_cast<size_t>(at)] = tool;
            else t->tools.push_back(tool);
            if (ti->uFlags & TTF_SUBCLASS) {
                WatchWindow(ti->hwnd, h);
                if (ti->uFlags & TTF_IDISHWND) WatchWindow(static_cast<HWND>(ti->uId), h);
            }
            return TRUE;
        }
        case TTM_DELTOOLA: {
            if (!tool_msg()) return 0;
            int at = FindTool(*t, ti);
            if (at < 0) return 0;
            if (t->shown == at) Hide(*t);
            t->tools.erase(t->tools.begin() + at);
            t->current = t->shown = -1;
            return 0;
        }
        case TTM_NEWTOOLRECTA: {
            if (!tool_msg()) return 0;
            int at = FindTool(*t, ti);
            if (at >= 0) t->tools[static_cast<size_t>(at)].rect = ti->rect;
            return 0;
        }
        case TTM_UPDATETIPTEXTA: {
            if (!tool_msg()) return 0;
            int at = FindTool(*t, ti);
            if (at < 0) return 0;
            t->tools[static_cast<size_t>(at)].text = TextOf(ti);
            if (t->shown == at) Show(*t);
            return 0;
        }
        case TTM_GETTOOLCOUNT: return static_cast<LRESULT>(t->tools.size());
        case TTM_RELAYEVENT:
            if (lp) Relay(*t, *reinterpret_cast<const MSG*>(lp));
            return 0;
        case TTM_ACTIVATE:
            t->active = wp != 0;
            if (!t->active) Hide(*t);
            return 0;
        case TTM_POP: Hide(*t); return 0;
        case TTM_SETMAXTIPWIDTH: {
            int old = t->max_width;
            t->max_width = static_cast<int>(lp);
            return old;
        }
        case TTM_SETDELAYTIME: {
            int v = static_cast<short>(LOWORD(lp));
            if (wp == 3 /* TTDT_INITIAL */) t->initial = v < 0 ? 500 : static_cast<UINT>(v);
            else if (wp == 2 /* TTDT_AUTOPOP */) t->autopop = v < 0 ? 5000 : static_cast<UINT>(v);
            else if (wp == 0 /* TTDT_AUTOMATIC */) {
                t->initial = v < 0 ? 500 : static_cast<UINT>(v);
                t->autopop = t->initial * 10;
            }
            return 0;
        }
        default: return DefWindowProcA(h, m, wp, lp);
    }
}

struct Registrar {
    Registrar() { RegisterSystemClass("tooltips_class32", TipProc, CS_DBLCLKS, 0); }
} registrar;

}  // namespace
}  // namespace platform::controls
