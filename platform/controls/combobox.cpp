// "COMBOBOX": a list of strings with a selection field (an edit box for
// CBS_SIMPLE and CBS_DROPDOWN, a drawn field for CBS_DROPDOWNLIST) and the
// list shown below it (always for CBS_SIMPLE, as a pop-up otherwise).
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/controls/controls_internal.h"
#include "win/kernel.h"

namespace platform::controls {
namespace {

constexpr int kEditId = 1001;
constexpr int kMaxVisible = 8;

struct Item {
    std::string text;
    ULONG_PTR data = 0;
};

struct Combo {
    HWND hwnd = 0;
    std::vector<Item> items;
    int cur = -1;
    int hover = -1;  // the highlighted row of the open list
    int top = 0;     // first row shown in the list
    int item_h = 16;
    int field_h = 18;
    HFONT font = 0;
    HWND edit = 0;
    HWND list = 0;   // the list window (pop-up or, for CBS_SIMPLE, a child)
    bool dropped = false;
    bool focus = false;
    bool button_down = false;
    size_t limit = 0;
    int list_h = 0;
    bool reactivating = false;  // taking the activation back from the pop-up  // the height asked for at creation: field and open list together

    DWORD Kind() const { return static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE)) & 3; }
    bool Sorted() const { return GetWindowLongA(hwnd, GWL_STYLE) & CBS_SORT; }
};

Combo* FromList(HWND list) { return reinterpret_cast<Combo*>(GetWindowLongPtrA(list, 0)); }

int ButtonWidth() { return GetSystemMetrics(SM_CXVSCROLL); }

int VisibleRows(const Combo& c) {
    if (c.Kind() == CBS_SIMPLE && c.list) {
        RECT r;
        GetClientRect(c.list, &r);
        return std::max(1, static_cast<int>(r.bottom - r.top) / std::max(1, c.item_h));
    }
    int room = c.list_h > c.field_h ? (c.list_h - c.field_h - 2) / std::max(1, c.item_h) : kMaxVisible;
    return std::max(1, std::min({kMaxVisible, std::max(1, room), static_cast<int>(c.items.size())}));
}

void EnsureVisible(Combo& c, int i) {
    int rows = VisibleRows(c);
    if (i < 0) return;
    if (i < c.top) c.top = i;
    if (i >= c.top + rows) c.top = i - rows + 1;
    c.top = std::clamp(c.top, 0, std::max(0, static_cast<int>(c.items.size()) - rows));
}

void ShowSelectionInEdit(Combo& c) {
    if (!c.edit) return;
    const char* t = c.cur >= 0 ? c.items[static_cast<size_t>(c.cur)].text.c_str() : "";
    HWND keep = c.edit;
    // Setting the edit's text is not a user edit: no CBN_EDITCHANGE.
    SetWindowLongPtrA(keep, GWLP_USERDATA, 1);
    SetWindowTextA(keep, t);
    SetWindowLongPtrA(keep, GWLP_USERDATA, 0);
    SendMessageA(keep, EM_SETSEL, 0, -1);
}

void Redraw(Combo& c) {
    InvalidateRect(c.hwnd, nullptr, TRUE);
    if (c.list) InvalidateRect(c.list, nullptr, TRUE);
}

void Select(Combo& c, int i, bool notify) {
    if (i < -1 || i >= static_cast<int>(c.items.size())) i = -1;
    bool changed = i != c.cur;
    c.cur = i;
    c.hover = i;
    EnsureVisible(c, i);
    ShowSelectionInEdit(c);
    Redraw(c);
    if (notify && changed) NotifyParent(c.hwnd, CBN_SELCHANGE);
}

void CloseUp(Combo& c, bool ok) {
    if (!c.dropped) return;
    c.dropped = false;
    HWND h = c.hwnd;
    if (c.list) {
        if (GetCapture() == c.list) ReleaseCapture();
        ShowWindow(c.list, SW_HIDE);
    }
    Redraw(c);
    NotifyParent(h, ok ? CBN_SELENDOK : CBN_SELENDCANCEL);
    if (IsWindow(h)) NotifyParent(h, CBN_CLOSEUP);
}

void DropDown(Combo& c) {
    if (c.dropped || c.Kind() == CBS_SIMPLE || !c.list) return;
    NotifyParent(c.hwnd, CBN_DROPDOWN);
    if (!IsWindow(c.hwnd)) return;
    RECT r;
    GetWindowRect(c.hwnd, &r);
    int room = c.list_h > c.field_h ? (c.list_h - c.field_h - 2) / std::max(1, c.item_h) : kMaxVisible;
    int rows = std::max(1, std::min({kMaxVisible, std::max(1, room), static_cast<int>(c.items.size())}));
    int h = rows * c.item_h + 2;
    int y = r.bottom;
    if (y + h > GetSystemMetrics(SM_CYSCREEN)) y = std::max(0, static_cast<int>(r.top) - h);  // no room below
    c.dropped = true;
    c.hover = c.cur;
    c.top = 0;
    EnsureVisible(c, c.cur);
    SetWindowPos(c.list, HWND_TOPMOST, r.left, y, r.right - r.left, h, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    InvalidateRect(c.list, nullptr, TRUE);
    if (GetFocus() != c.hwnd && GetFocus() != c.edit) SetFocus(c.edit ? c.edit : c.hwnd);
    SetCapture(c.list);
    Redraw(c);
}

// ---- the list -------------------------------------------------------------------------------

int RowAt(Combo& c, int y) {
    int row = c.top + (y - 1) / std::max(1, c.item_h);
    if (y < 1 || row >= static_cast<int>(c.items.size())) return -1;
    return row;
}

void PaintList(HWND l) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(l, &ps);
    Combo* c = FromList(l);
    RECT r;
    GetClientRect(l, &r);
    HBRUSH bg = 0;
    // Asked through the combo box, which passes it to its parent: a window
    // that subclasses the combo box colours its list as it colours its field.
    if (c) bg = static_cast<HBRUSH>(SendMessageA(c->hwnd, WM_CTLCOLORLISTBOX, static_cast<WPARAM>(dc), static_cast<LPARAM>(l)));
    if (!bg) bg = static_cast<HBRUSH>(DefWindowProcA(l, WM_CTLCOLORLISTBOX, static_cast<WPARAM>(dc), static_cast<LPARAM>(l)));
    FillRect(dc, &r, bg);
    if (c) {
        COLORREF text = GetTextColor(dc);
        HGDIOBJ of = SelectObject(dc, c->font ? c->font : DefaultFont());
        SetBkMode(dc, TRANSPARENT);
        int rows = VisibleRows(*c);
        bool bar = static_cast<int>(c->items.size()) > rows && c->Kind() != CBS_SIMPLE;
        int right = r.right - (bar ? 6 : 0);
        for (int i = c->top; i < static_cast<int>(c->items.size()) && i < c->top + rows + 1; ++i) {
            RECT row{r.left + 1, r.top + 1 + (i - c->top) * c->item_h, right - 1, r.top + 1 + (i - c->top + 1) * c->item_h};
            int sel = c->dropped || c->Kind() == CBS_SIMPLE ? (c->Kind() == CBS_SIMPLE ? c->cur : c->hover) : -1;
            if (i == sel) {
                FillRect(dc, &row, GetSysColorBrush(COLOR_HIGHLIGHT));
                SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
            } else {
                SetTextColor(dc, text);
            }
            RECT tr = row;
            tr.left += 2;
            const std::string& s = c->items[static_cast<size_t>(i)].text;
            DrawTextA(dc, s.c_str(), static_cast<int>(s.size()), &tr, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        }
        if (bar) {
            // A thin position strip instead of a full scroll bar keeps the list narrow.
            int n = static_cast<int>(c->items.size());
            int h = r.bottom - r.top - 2;
            RECT strip{right, r.top + 1, r.right - 1, r.bottom - 1};
            FillRect(dc, &strip, GetSysColorBrush(COLOR_SCROLLBAR));
            RECT thumb{right, r.top + 1 + h * c->top / n, r.right - 1, r.top + 1 + h * (c->top + rows) / n};
            FillRect(dc, &thumb, GetSysColorBrush(COLOR_BTNSHADOW));
        }
        SelectObject(dc, of);
    }
    if (c && c->Kind() != CBS_SIMPLE) FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EndPaint(l, &ps);
}

void Scroll(Combo& c, int by) {
    int rows = VisibleRows(c);
    c.top = std::clamp(c.top + by, 0, std::max(0, static_cast<int>(c.items.size()) - rows));
    InvalidateRect(c.list, nullptr, TRUE);
}

LRESULT CALLBACK ListProc(HWND l, UINT m, WPARAM wp, LPARAM lp) {
    Combo* c = FromList(l);
    if (!c) return DefWindowProcA(l, m, wp, lp);
    switch (m) {
        case WM_ERASEBKGND: return 1;
        case WM_PAINT: PaintList(l); return 0;
        case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
        case WM_ACTIVATE:
            // A desktop may hand the focus to the pop-up when it appears; the
            // window holding the combo box stays the active one.
            if (LOWORD(wp) != WA_INACTIVE && c->Kind() != CBS_SIMPLE) {
                HWND top = GetAncestor(c->hwnd, GA_ROOT);
                HWND self = c->edit ? c->edit : c->hwnd;
                c->reactivating = true;
                if (top && IsWindow(top) && IsWindowEnabled(top)) SetActiveWindow(top);
                if (IsWindow(self) && GetFocus() != self) SetFocus(self);
                if (FromList(l)) c->reactivating = false;
                if (c->dropped && GetCapture() == 0) SetCapture(l);
            }
            return 0;
        case WM_MOUSEMOVE:
            if (c->dropped) {
                int row = RowAt(*c, GET_Y_LPARAM(lp));
                RECT r;
                GetClientRect(l, &r);
                POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
                if (row >= 0 && PtInRect(&r, p) && row != c->hover) {
                    c->hover = row;
                    InvalidateRect(l, nullptr, TRUE);
                }
            }
            return 0;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            RECT r;
            GetClientRect(l, &r);
            POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
            if (c->Kind() == CBS_SIMPLE) {
                int row = RowAt(*c, p.y);
                if (row >= 0) {
                    Select(*c, row, true);
                    NotifyParent(c->hwnd, CBN_SELENDOK);
                    if (m == WM_LBUTTONDBLCLK && IsWindow(l)) NotifyParent(c->hwnd, CBN_DBLCLK);
                }
                return 0;
            }
            if (!PtInRect(&r, p)) {
                // A press outside the open list closes it without a choice.
                CloseUp(*c, false);
                return 0;
            }
            c->button_down = true;
            return 0;
        }
        case WM_LBUTTONUP: {
            if (!c->dropped || !c->button_down) return 0;
            c->button_down = false;
            RECT r;
            GetClientRect(l, &r);
            POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
            int row = PtInRect(&r, p) ? RowAt(*c, p.y) : -1;
            if (row < 0) return 0;
            HWND h = c->hwnd;
            Select(*c, row, true);
            if (!IsWindow(h)) return 0;
            CloseUp(*c, true);
            return 0;
        }
        case WM_MOUSEWHEEL: Scroll(*c, -static_cast<SHORT>(HIWORD(wp)) / 120 * 3); return 0;
        case WM_CAPTURECHANGED:
            // Capture taken by another window ends the list; capture simply
            // dropped (the desktop moving focus to the pop-up) is taken back.
            if (c->dropped && lp != 0 && static_cast<HWND>(lp) != l) CloseUp(*c, false);
            else if (c->dropped && lp == 0) PostMessageA(l, WM_NULL, 0, 0);
            return 0;
        case WM_NULL:
            if (c->dropped && GetCapture() == 0) SetCapture(l);
            return 0;
        default: return DefWindowProcA(l, m, wp, lp);
    }
}

const char* ListClass() {
    static bool done = [] {
        RegisterSystemClass("SigComboLBox", ListProc, CS_DBLCLKS, 0);
        return true;
    }();
    (void)done;
    return "SigComboLBox";
}

// ---- the combo box --------------------------------------------------------------------------

void Layout(Combo& c) {
    RECT r;
    GetClientRect(c.hwnd, &r);
    int bw = c.Kind() == CBS_SIMPLE ? 0 : ButtonWidth();
    if (c.edit) MoveWindow(c.edit, 2, 2, std::max(0, static_cast<int>(r.right) - bw - 4), c.field_h - 4, TRUE);
    if (c.Kind() == CBS_SIMPLE && c.list)
        MoveWindow(c.list, 0, c.field_h, r.right, std::max(0, static_cast<int>(r.bottom) - c.field_h), TRUE);
}

void MeasureFont(Combo& c) {
    HDC dc = GetDC(c.hwnd);
    HGDIOBJ o = SelectObject(dc, c.font ? c.font : DefaultFont());
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    SelectObject(dc, o);
    ReleaseDC(c.hwnd, dc);
    c.item_h = std::max(8, static_cast<int>(tm.tmHeight) + 2);
    c.field_h = c.item_h + 6;
}

void PaintCombo(Combo& c) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(c.hwnd, &ps);
    RECT r;
    GetClientRect(c.hwnd, &r);
    RECT field{0, 0, r.right, std::min(static_cast<int>(r.bottom), c.field_h)};
    bool enabled = IsWindowEnabled(c.hwnd);
    // Through the combo box itself, as the list asks (see PaintList).
    LRESULT asked = SendMessageA(c.hwnd, enabled ? WM_CTLCOLOREDIT : WM_CTLCOLORSTATIC, static_cast<WPARAM>(dc),
                                 static_cast<LPARAM>(c.hwnd));
    HBRUSH bg = asked ? static_cast<HBRUSH>(asked) : ControlColor(c.hwnd, enabled ? WM_CTLCOLOREDIT : WM_CTLCOLORSTATIC, dc);
    COLORREF text = enabled ? GetTextColor(dc) : GetSysColor(COLOR_GRAYTEXT);
    FillRect(dc, &field, bg);
    DrawEdge(dc, &field, EDGE_SUNKEN, BF_RECT);
    if (c.Kind() != CBS_SIMPLE) {
        int bw = ButtonWidth();
        RECT b{field.right - bw - 2, field.top + 2, field.right - 2, field.bottom - 2};
        DrawFrameControl(dc, &b, DFC_SCROLL, DFCS_SCROLLCOMBOBOX | (c.button_down && c.dropped ? DFCS_PUSHED : 0) |
                                                 (enabled ? 0 : DFCS_INACTIVE));
        if (c.Kind() == CBS_DROPDOWNLIST) {
            RECT t{field.left + 3, field.top + 3, b.left - 1, field.bottom - 3};
            HGDIOBJ of = SelectObject(dc, c.font ? c.font : DefaultFont());
            SetBkMode(dc, TRANSPARENT);
            if (c.focus && !c.dropped) {
                FillRect(dc, &t, GetSysColorBrush(COLOR_HIGHLIGHT));
                SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
            } else {
                SetTextColor(dc, text);
            }
            if (c.cur >= 0) {
                RECT tt = t;
                tt.left += 2;
                const std::string& s = c.items[static_cast<size_t>(c.cur)].text;
                DrawTextA(dc, s.c_str(), static_cast<int>(s.size()), &tt, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
            }
            if (c.focus && !c.dropped) DrawFocusRect(dc, &t);
            SelectObject(dc, of);
        }
    }
    EndPaint(c.hwnd, &ps);
}

int Insert(Combo& c, int at, const char* s) {
    if (!s) return CB_ERR;
    Item it{s, 0};
    if (at < 0 || at > static_cast<int>(c.items.size())) at = static_cast<int>(c.items.size());
    if (c.Sorted() && at == static_cast<int>(c.items.size())) {
        auto pos = std::upper_bound(c.items.begin(), c.items.end(), it, [](const Item& a, const Item& b) {
            return lstrcmpiA(a.text.c_str(), b.text.c_str()) < 0;
        });
        at = static_cast<int>(pos - c.items.begin());
    }
    c.items.insert(c.items.begin() + at, it);
    if (c.cur >= at) ++c.cur;
    Redraw(c);
    return at;
}

int Find(const Combo& c, int after, const char* s, bool exact) {
    if (!s) return CB_ERR;
    int n = static_cast<int>(c.items.size());
    size_t len = strlen(s);
    for (int k = 1; k <= n; ++k) {
        int i = ((after < -1 || after >= n ? -1 : after) + k) % n;
        const std::string& t = c.items[static_cast<size_t>(i)].text;
        if (exact ? lstrcmpiA(t.c_str(), s) == 0 : (t.size() >= len && lstrcmpiA(t.substr(0, len).c_str(), s) == 0))
            return i;
    }
    return CB_ERR;
}

bool Valid(const Combo& c, WPARAM i) { return static_cast<int>(i) >= 0 && static_cast<size_t>(static_cast<int>(i)) < c.items.size(); }

void KeyNav(Combo& c, WPARAM vk) {
    int n = static_cast<int>(c.items.size());
    if (!n) return;
    int from = c.dropped ? c.hover : c.cur;
    int page = VisibleRows(c);
    int to = from;
    switch (vk) {
        case VK_UP: to = from <= 0 ? 0 : from - 1; break;
        case VK_DOWN: to = from < 0 ? 0 : std::min(n - 1, from + 1); break;
        case VK_PRIOR: to = std::max(0, from - page + 1); break;
        case VK_NEXT: to = std::min(n - 1, std::max(0, from) + page - 1); break;
        case VK_HOME: to = 0; break;
        case VK_END: to = n - 1; break;
        default: return;
    }
    if (c.dropped) {
        c.hover = to;
        EnsureVisible(c, to);
        InvalidateRect(c.list, nullptr, TRUE);
        // The field follows the highlighted row, as users expect of the keyboard.
        Select(c, to, true);
    } else {
        Select(c, to, true);
        if (IsWindow(c.hwnd)) NotifyParent(c.hwnd, CBN_SELENDOK);
    }
}

bool HandleKey(Combo& c, WPARAM vk) {
    bool alt = GetKeyState(VK_MENU) < 0;
    if (vk == VK_F4 || ((vk == VK_DOWN || vk == VK_UP) && alt)) {
        if (c.dropped) CloseUp(c, true);
        else DropDown(c);
        return true;
    }
    if (c.dropped && vk == VK_RETURN) {
        if (c.hover >= 0) Select(c, c.hover, true);
        CloseUp(c, true);
        return true;
    }
    if (c.dropped && vk == VK_ESCAPE) {
        CloseUp(c, false);
        return true;
    }
    if (vk == VK_UP || vk == VK_DOWN || vk == VK_PRIOR || vk == VK_NEXT ||
        ((vk == VK_HOME || vk == VK_END) && c.Kind() == CBS_DROPDOWNLIST)) {
        KeyNav(c, vk);
        return true;
    }
    return false;
}

// Every combo's edit box has the same class procedure underneath.
WNDPROC g_edit_base = nullptr;

// The edit box inside reports its keys to the combo first.
LRESULT CALLBACK EditHook(HWND e, UINT m, WPARAM wp, LPARAM lp) {
    HWND combo = GetParent(e);
    Combo* c = combo ? StateOf<Combo>(combo) : nullptr;
    WNDPROC base = g_edit_base;
    if (!base) return DefWindowProcA(e, m, wp, lp);
    if (c && m == WM_KEYDOWN && HandleKey(*c, wp)) return 0;
    if (c && m == WM_CHAR && (wp == '\r' || wp == 27) && c->dropped) return 0;
    return CallWindowProcA(base, e, m, wp, lp);
}

LRESULT CALLBACK ComboProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    Combo* c = StateOf<Combo>(h);
    if (m == WM_NCCREATE) {
        c = new Combo;
        c->hwnd = h;
        SetState(h, c);
        // WS_VSCROLL / WS_HSCROLL are meant for the list, not for the field.
        LONG st = GetWindowLongA(h, GWL_STYLE);
        if (st & (WS_VSCROLL | WS_HSCROLL)) SetWindowLongA(h, GWL_STYLE, st & ~static_cast<LONG>(WS_VSCROLL | WS_HSCROLL));
        return DefWindowProcA(h, m, wp, lp);
    }
    if (!c) return DefWindowProcA(h, m, wp, lp);
    switch (m) {
        case WM_CREATE: {
            MeasureFont(*c);
            auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
            c->list_h = cs ? cs->cy : 0;
            // A drop-down combo's window is its field; the height given is for the open list.
            if (c->Kind() != CBS_SIMPLE && cs)
                SetWindowPos(h, 0, 0, 0, cs->cx, c->field_h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            DWORD st = static_cast<DWORD>(GetWindowLongA(h, GWL_STYLE));
            if (c->Kind() != CBS_DROPDOWNLIST) {
                DWORD es = WS_CHILD | WS_VISIBLE | ((st & CBS_AUTOHSCROLL) ? ES_AUTOHSCROLL : 0);
                c->edit = CreateWindowExA(0, "EDIT", "", es, 0, 0, 10, 10, h, static_cast<HMENU>(kEditId), 0, nullptr);
                if (c->edit) {
                    LONG_PTR base = SetWindowLongPtrA(c->edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EditHook));
                    g_edit_base = reinterpret_cast<WNDPROC>(base);
                }
            }
            if (c->Kind() == CBS_SIMPLE) {
                c->list = CreateWindowExA(0, ListClass(), "", WS_CHILD | WS_VISIBLE | WS_BORDER, 0, 0, 10, 10, h, 0, 0, nullptr);
            } else {
                HWND top = GetAncestor(h, GA_ROOT);
                c->list = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, ListClass(), "", WS_POPUP, 0, 0, 10, 10, top, 0, 0,
                                          nullptr);
            }
            if (c->list) SetWindowLongPtrA(c->list, 0, reinterpret_cast<LONG_PTR>(c));
            Layout(*c);
            return 0;
        }
        case WM_NCDESTROY:
            SetState(h, nullptr);
            if (c->list && c->Kind() != CBS_SIMPLE) {
                SetWindowLongPtrA(c->list, 0, 0);
                DestroyWindow(c->list);
            }
            delete c;
            return DefWindowProcA(h, m, wp, lp);
        case WM_DESTROY:
            if (c->list) SetWindowLongPtrA(c->list, 0, 0);
            if (c->dropped && GetCapture() == c->list) ReleaseCapture();
            c->dropped = false;
            return 0;
        case WM_SIZE: Layout(*c); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_PAINT: PaintCombo(*c); return 0;
        case WM_SETFONT:
            c->font = static_cast<HFONT>(wp);
            MeasureFont(*c);
            if (c->edit) SendMessageA(c->edit, WM_SETFONT, wp, lp);
            if (c->Kind() != CBS_SIMPLE) {
                RECT r;
                GetClientRect(h, &r);
                SetWindowPos(h, 0, 0, 0, r.right, c->field_h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            }
            Layout(*c);
            if (lp) Redraw(*c);
            return 0;
        case WM_GETFONT: return static_cast<LRESULT>(c->font);
        case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
        case WM_ENABLE:
            if (c->edit) EnableWindow(c->edit, static_cast<BOOL>(wp));
            if (!wp) CloseUp(*c, false);
            Redraw(*c);
            return 0;
        case WM_SETFOCUS:
            if (c->edit) {
                SetFocus(c->edit);
                return 0;
            }
            c->focus = true;
            Redraw(*c);
            NotifyParent(h, CBN_SETFOCUS);
            return 0;
        case WM_KILLFOCUS:
            if (c->edit) return 0;
            c->focus = false;
            // Focus going nowhere while the list opens is the desktop moving its
            // focus to the pop-up; the list stays (a click elsewhere closes it).
            if (c->dropped && (wp == 0 || c->reactivating)) return 0;
            CloseUp(*c, false);
            if (IsWindow(h)) {
                Redraw(*c);
                NotifyParent(h, CBN_KILLFOCUS);
            }
            return 0;
        case WM_COMMAND:
            if (c->edit && static_cast<HWND>(lp) == c->edit) {
                switch (HIWORD(wp)) {
                    case EN_SETFOCUS: c->focus = true; NotifyParent(h, CBN_SETFOCUS); break;
                    case EN_KILLFOCUS:
                        if (c->reactivating) break;
                        c->focus = false;
                        CloseUp(*c, false);
                        if (IsWindow(h)) NotifyParent(h, CBN_KILLFOCUS);
                        break;
                    case EN_UPDATE:
                        if (!GetWindowLongPtrA(c->edit, GWLP_USERDATA)) NotifyParent(h, CBN_EDITUPDATE);
                        break;
                    case EN_CHANGE:
                        if (!GetWindowLongPtrA(c->edit, GWLP_USERDATA)) NotifyParent(h, CBN_EDITCHANGE);
                        break;
                    default: break;
                }
            }
            return 0;
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORLISTBOX: {
            HWND p = GetParent(h);
            LRESULT r = p ? SendMessageA(p, m, wp, lp) : 0;
            return r ? r : DefWindowProcA(h, m, wp, lp);
        }
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            if (c->Kind() == CBS_SIMPLE) return 0;
            if (GetFocus() != h && GetFocus() != c->edit) SetFocus(h);
            if ((c = StateOf<Combo>(h)) == nullptr) return 0;
            int x = GET_X_LPARAM(lp);
            RECT r;
            GetClientRect(h, &r);
            bool on_button = x >= r.right - ButtonWidth() - 2;
            if (c->Kind() == CBS_DROPDOWNLIST || on_button) {
                c->button_down = true;
                if (c->dropped) CloseUp(*c, true);
                else DropDown(*c);
                if ((c = StateOf<Combo>(h)) != nullptr) c->button_down = false;
            }
            return 0;
        }
        case WM_KEYDOWN:
            HandleKey(*c, wp);
            return 0;
        case WM_CHAR:
            if (c->Kind() == CBS_DROPDOWNLIST && wp >= 0x20) {
                // A typed letter jumps to the next item starting with it.
                char s[2] = {static_cast<char>(wp), 0};
                int i = Find(*c, c->dropped ? c->hover : c->cur, s, false);
                if (i >= 0) {
                    if (c->dropped) {
                        c->hover = i;
                        EnsureVisible(*c, i);
                    }
                    Select(*c, i, true);
                }
            }
            return 0;
        case WM_SETTEXT:
            if (c->edit) return SendMessageA(c->edit, WM_SETTEXT, wp, lp);
            {
                int i = Find(*c, -1, reinterpret_cast<const char*>(lp), true);
                if (i < 0) return CB_ERR;
                Select(*c, i, false);
                return TRUE;
            }
        case WM_GETTEXT:
            if (c->edit) return SendMessageA(c->edit, WM_GETTEXT, wp, lp);
            {
                char* out = reinterpret_cast<char*>(lp);
                if (!out || wp == 0) return 0;
                std::string s = c->cur >= 0 ? c->items[static_cast<size_t>(c->cur)].text : "";
                size_t n = std::min(s.size(), static_cast<size_t>(wp) - 1);
                std::memcpy(out, s.data(), n);
                out[n] = 0;
                return static_cast<LRESULT>(n);
            }
        case WM_GETTEXTLENGTH:
            if (c->edit) return SendMessageA(c->edit, WM_GETTEXTLENGTH, 0, 0);
            return c->cur >= 0 ? static_cast<LRESULT>(c->items[static_cast<size_t>(c->cur)].text.size()) : 0;
        case CB_ADDSTRING: return Insert(*c, -1, reinterpret_cast<const char*>(lp));
        case CB_INSERTSTRING: return Insert(*c, static_cast<int>(wp) == -1 ? -1 : std::max(0, static_cast<int>(wp)), reinterpret_cast<const char*>(lp));
        case CB_DELETESTRING: {
            if (!Valid(*c, wp)) return CB_ERR;
            int i = static_cast<int>(wp);
            c->items.erase(c->items.begin() + i);
            if (c->cur == i) {
                c->cur = -1;
                ShowSelectionInEdit(*c);
            } else if (c->cur > i) {
                --c->cur;
            }
            c->hover = std::min(c->hover, static_cast<int>(c->items.size()) - 1);
            Redraw(*c);
            return static_cast<LRESULT>(c->items.size());
        }
        case CB_GETCOUNT: return static_cast<LRESULT>(c->items.size());
        case CB_RESETCONTENT:
            c->items.clear();
            c->cur = c->hover = -1;
            c->top = 0;
            if (c->edit) ShowSelectionInEdit(*c);
            Redraw(*c);
            return CB_OKAY;
        case CB_GETLBTEXT: {
            if (!Valid(*c, wp)) return CB_ERR;
            char* out = reinterpret_cast<char*>(lp);
            const std::string& s = c->items[wp].text;
            if (!out) return CB_ERR;
            std::memcpy(out, s.c_str(), s.size() + 1);
            return static_cast<LRESULT>(s.size());
        }
        case CB_GETLBTEXTLEN: return Valid(*c, wp) ? static_cast<LRESULT>(c->items[wp].text.size()) : CB_ERR;
        case CB_SETITEMDATA:
            if (!Valid(*c, wp)) return CB_ERR;
            c->items[wp].data = static_cast<ULONG_PTR>(lp);
            return CB_OKAY;
        case CB_GETITEMDATA: return Valid(*c, wp) ? static_cast<LRESULT>(c->items[wp].data) : CB_ERR;
        case CB_SETCURSEL: {
            // Out of range clears the selection and reports CB_ERR.
            if (!Valid(*c, wp)) {
                Select(*c, -1, false);
                return CB_ERR;
            }
            Select(*c, static_cast<int>(wp), false);
            return static_cast<LRESULT>(wp);
        }
        case CB_GETCURSEL: return c->cur;
        case CB_FINDSTRING: return Find(*c, static_cast<int>(wp), reinterpret_cast<const char*>(lp), false);
        case CB_FINDSTRINGEXACT: return Find(*c, static_cast<int>(wp), reinterpret_cast<const char*>(lp), true);
        case CB_SELECTSTRING: {
            int i = Find(*c, static_cast<int>(wp), reinterpret_cast<const char*>(lp), false);
            if (i >= 0) Select(*c, i, false);
            return i;
        }
        case CB_LIMITTEXT:
            c->limit = wp;
            if (c->edit) SendMessageA(c->edit, EM_LIMITTEXT, wp, 0);
            return TRUE;
        case CB_SETEDITSEL:
            if (!c->edit) return CB_ERR;
            SendMessageA(c->edit, EM_SETSEL, static_cast<WPARAM>(static_cast<short>(LOWORD(lp))),
                         static_cast<LPARAM>(static_cast<short>(HIWORD(lp))));
            return TRUE;
        case CB_GETEDITSEL:
            if (!c->edit) return CB_ERR;
            return SendMessageA(c->edit, EM_GETSEL, wp, lp);
        case CB_GETITEMHEIGHT: return static_cast<int>(wp) == -1 ? c->field_h : c->item_h;
        case CB_SETITEMHEIGHT: {
            int v = static_cast<int>(lp);
            if (v <= 0 || v > 255) return CB_ERR;
            if (static_cast<int>(wp) == -1) c->field_h = v;
            else c->item_h = v;
            Layout(*c);
            Redraw(*c);
            return CB_OKAY;
        }
        case CB_SHOWDROPDOWN:
            if (wp) DropDown(*c);
            else CloseUp(*c, false);
            return TRUE;
        case CB_GETDROPPEDSTATE: return c->dropped;
        case CB_GETDROPPEDCONTROLRECT: {
            auto* r = reinterpret_cast<RECT*>(lp);
            if (!r) return CB_ERR;
            GetWindowRect(h, r);
            r->bottom += VisibleRows(*c) * c->item_h + 2;
            return CB_OKAY;
        }
        case CB_GETTOPINDEX: return c->top;
        case CB_SETTOPINDEX:
            if (!Valid(*c, wp)) return CB_ERR;
            c->top = static_cast<int>(wp);
            EnsureVisible(*c, c->top);
            Redraw(*c);
            return CB_OKAY;
        default: return DefWindowProcA(h, m, wp, lp);
    }
}

struct Registrar {
    Registrar() {
        RegisterSystemClass("COMBOBOX", ComboProc, CS_DBLCLKS | CS_PARENTDC, 0);
        ListClass();
    }
} registrar;

}  // namespace
}  // namespace platform::controls
