// "EDIT": one-line and multi-line edit boxes over GBK text. Positions are
// byte offsets, as in the A messages; the caret and the selection always sit
// on character boundaries. Widths are summed from a per-character cache, so
// a keystroke re-wraps only the paragraph it touched, not the whole text.
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/controls/controls_internal.h"
#include "win/kernel.h"

namespace platform::controls {
namespace {

constexpr int kMargin = 2;

struct Line {
    size_t start, end;  // text bytes of the visual line, without the line break
    size_t next;        // where the following line starts
};

struct Edit {
    HWND hwnd = 0;
    std::string text;  // GBK
    size_t anchor = 0, caret = 0;
    HFONT font = 0;
    int line_h = 16;
    int ascent = 13;
    std::vector<int16_t> widths;  // per character code; -1 unknown
    std::vector<Line> lines;
    bool layout_dirty = true;
    int first_line = 0;  // multi-line: first visible line
    int scroll_x = 0;    // pixels scrolled left
    bool focus = false;
    bool dragging = false;
    bool modified = false;
    char pw = '*';
    size_t limit = 0x7FFFFFFE;
    unsigned char pending_lead = 0;
    std::string undo_text;
    size_t undo_anchor = 0, undo_caret = 0;
    bool can_undo = false;

    DWORD Style() const { return static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE)); }
    bool Multi() const { return Style() & ES_MULTILINE; }
    bool Wrap() const { return Multi() && !(Style() & (ES_AUTOHSCROLL | WS_HSCROLL)); }
    bool Password() const { return (Style() & ES_PASSWORD) && !Multi() && pw != 0; }
};

int ClientWidth(HWND h) {
    RECT r;
    GetClientRect(h, &r);
    return r.right - r.left;
}
int ClientHeight(HWND h) {
    RECT r;
    GetClientRect(h, &r);
    return r.bottom - r.top;
}

void MeasureFont(Edit& e) {
    HDC dc = GetDC(e.hwnd);
    HGDIOBJ old = SelectObject(dc, e.font ? e.font : DefaultFont());
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    e.line_h = std::max(1, static_cast<int>(tm.tmHeight));
    e.ascent = tm.tmAscent;
    SelectObject(dc, old);
    ReleaseDC(e.hwnd, dc);
    e.widths.assign(65536, -1);
    e.layout_dirty = true;
}

int CharWidth(Edit& e, const char* p, size_t n) {
    unsigned code = n == 2 ? (static_cast<unsigned char>(p[0]) << 8 | static_cast<unsigned char>(p[1]))
                           : static_cast<unsigned char>(p[0]);
    if (e.widths.empty()) e.widths.assign(65536, -1);
    int16_t& w = e.widths[code];
    if (w < 0) {
        HDC dc = GetDC(e.hwnd);
        HGDIOBJ old = SelectObject(dc, e.font ? e.font : DefaultFont());
        SIZE sz{};
        if (n == 1 && p[0] == '\t') {
            GetTextExtentPoint32A(dc, "    ", 4, &sz);
        } else {
            GetTextExtentPoint32A(dc, p, static_cast<int>(n), &sz);
        }
        SelectObject(dc, old);
        ReleaseDC(e.hwnd, dc);
        w = static_cast<int16_t>(std::clamp<LONG>(sz.cx, 0, 30000));
    }
    return w;
}

// Width of one character of the text as shown (the mask for passwords).
int ShownWidth(Edit& e, size_t i) {
    size_t n = GbkNext(e.text, i) - i;
    if (e.Password()) return CharWidth(e, &e.pw, 1);
    return CharWidth(e, e.text.data() + i, n);
}

int SpanWidth(Edit& e, size_t a, size_t b) {
    int w = 0;
    for (size_t i = a; i < b; i = GbkNext(e.text, i)) w += ShownWidth(e, i);
    return w;
}

// Wraps the paragraph starting at `start` into lines appended to out; returns
// the start of the next paragraph (text size when it is the last).
size_t LayoutParagraph(Edit& e, size_t start, std::vector<Line>& out) {
    const std::string& t = e.text;
    size_t end = start;
    if (e.Multi()) {
        size_t nl = t.find('\n', start);
        end = nl == std::string::npos ? t.size() : nl;
    } else {
        end = t.size();
    }
    size_t next = end < t.size() ? end + 1 : t.size();
    size_t vis_end = end;
    if (vis_end > start && t[vis_end - 1] == '\r') --vis_end;
    if (!e.Wrap()) {
        out.push_back({start, vis_end, next == t.size() && end == t.size() ? t.size() + 1 : next});
        return next;
    }
    int avail = std::max(1, ClientWidth(e.hwnd) - 2 * kMargin);
    size_t ls = start;
    while (true) {
        int w = 0;
        size_t i = ls, last_space = std::string::npos;
        while (i < vis_end) {
            int cw = ShownWidth(e, i);
            if (w + cw > avail && i > ls) break;
            w += cw;
            if (t[i] == ' ') last_space = i;
            i = GbkNext(t, i);
        }
        if (i >= vis_end) {
            out.push_back({ls, vis_end, end == t.size() ? t.size() + 1 : next});
            return next;
        }
        size_t brk = (last_space != std::string::npos && last_space + 1 > ls) ? last_space + 1 : i;
        out.push_back({ls, brk, brk});
        ls = brk;
    }
}

void Layout(Edit& e) {
    if (!e.layout_dirty) return;
    e.lines.clear();
    size_t p = 0;
    do {
        p = LayoutParagraph(e, p, e.lines);
    } while (p < e.text.size());
    if (e.Multi() && !e.text.empty() && e.text.back() == '\n') e.lines.push_back({e.text.size(), e.text.size(), e.text.size() + 1});
    if (e.lines.empty()) e.lines.push_back({0, 0, 1});
    e.layout_dirty = false;
}

// After a change that replaced [pos, pos+removed) by `added` bytes: re-wraps
// only the paragraphs the change touched and shifts the lines after them, so
// typing costs a paragraph, not the whole text.
void Relayout(Edit& e, size_t pos, size_t removed, size_t added) {
    if (e.layout_dirty || e.lines.empty() || !e.Multi()) {
        e.layout_dirty = true;
        Layout(e);
        return;
    }
    const std::string& t = e.text;
    size_t para = pos == 0 ? 0 : t.rfind('\n', pos - 1);
    para = (pos == 0 || para == std::string::npos) ? 0 : para + 1;
    auto by_start = [](const Line& l, size_t v) { return l.start < v; };
    auto li = std::lower_bound(e.lines.begin(), e.lines.end(), para, by_start);
    if (li == e.lines.end() || li->start != para) {
        e.layout_dirty = true;
        Layout(e);
        return;
    }
    long delta = static_cast<long>(added) - static_cast<long>(removed);
    size_t nl = t.find('\n', pos + added);
    size_t next_para = nl == std::string::npos ? std::string::npos : nl + 1;
    std::vector<Line>::iterator lj = e.lines.end();
    if (next_para != std::string::npos && next_para < t.size()) {
        size_t old_next = static_cast<size_t>(static_cast<long>(next_para) - delta);
        lj = std::lower_bound(li, e.lines.end(), old_next, by_start);
        if (lj == e.lines.end() || lj->start != old_next) {
            e.layout_dirty = true;
            Layout(e);
            return;
        }
    }
    std::vector<Line> fresh;
    size_t p = para;
    size_t stop = next_para == std::string::npos ? t.size() : next_para;
    do {
        p = LayoutParagraph(e, p, fresh);
    } while (p < stop);
    if (lj == e.lines.end()) {
        e.lines.erase(li, e.lines.end());
        e.lines.insert(e.lines.end(), fresh.begin(), fresh.end());
        if (!t.empty() && t.back() == '\n') e.lines.push_back({t.size(), t.size(), t.size() + 1});
        return;
    }
    for (auto k = lj; k != e.lines.end(); ++k) {
        k->start = static_cast<size_t>(static_cast<long>(k->start) + delta);
        k->end = static_cast<size_t>(static_cast<long>(k->end) + delta);
        k->next = static_cast<size_t>(static_cast<long>(k->next) + delta);
    }
    long old_count = lj - li;
    long new_count = static_cast<long>(fresh.size());
    size_t at = static_cast<size_t>(li - e.lines.begin());
    if (new_count == old_count) {
        std::copy(fresh.begin(), fresh.end(), e.lines.begin() + static_cast<long>(at));
    } else {
        e.lines.erase(e.lines.begin() + static_cast<long>(at), e.lines.begin() + static_cast<long>(at) + old_count);
        e.lines.insert(e.lines.begin() + static_cast<long>(at), fresh.begin(), fresh.end());
    }
}

int LineOf(Edit& e, size_t pos) {
    Layout(e);
    auto it = std::upper_bound(e.lines.begin(), e.lines.end(), pos,
                               [](size_t v, const Line& l) { return v < l.start; });
    int li = it == e.lines.begin() ? 0 : static_cast<int>(it - e.lines.begin() - 1);
    // A position at the wrap point belongs to the next line's start.
    return li;
}

int LineX(Edit& e, const Line& l) {
    DWORD st = e.Style();
    int avail = ClientWidth(e.hwnd) - 2 * kMargin;
    int w = (st & (ES_CENTER | ES_RIGHT)) ? SpanWidth(e, l.start, l.end) : 0;
    if (st & ES_CENTER) return kMargin + std::max(0, (avail - w) / 2);
    if (st & ES_RIGHT) return kMargin + std::max(0, avail - w);
    return kMargin - e.scroll_x;
}

POINT PosToPoint(Edit& e, size_t pos) {
    int li = LineOf(e, pos);
    const Line& l = e.lines[static_cast<size_t>(li)];
    int x = LineX(e, l) + SpanWidth(e, l.start, std::min(pos, l.end));
    int y = e.Multi() ? (li - e.first_line) * e.line_h + kMargin / 2 : std::max(0, (ClientHeight(e.hwnd) - e.line_h) / 2);
    return POINT{x, y};
}

size_t PointToPos(Edit& e, int x, int y) {
    Layout(e);
    int li = e.Multi() ? e.first_line + (y < 0 ? -1 : y / std::max(1, e.line_h)) : 0;
    li = std::clamp(li, 0, static_cast<int>(e.lines.size()) - 1);
    const Line& l = e.lines[static_cast<size_t>(li)];
    int cx = LineX(e, l);
    size_t i = l.start;
    while (i < l.end) {
        int cw = ShownWidth(e, i);
        if (x < cx + cw / 2) break;
        cx += cw;
        i = GbkNext(e.text, i);
    }
    return i;
}

void Redraw(Edit& e) { InvalidateRect(e.hwnd, nullptr, TRUE); }

void ScrollCaret(Edit& e) {
    Layout(e);
    int w = ClientWidth(e.hwnd) - 2 * kMargin;
    if (e.Multi()) {
        int li = LineOf(e, e.caret);
        int visible = std::max(1, ClientHeight(e.hwnd) / std::max(1, e.line_h));
        if (li < e.first_line) e.first_line = li;
        if (li >= e.first_line + visible) e.first_line = li - visible + 1;
    }
    if (!e.Wrap() && !(e.Style() & (ES_CENTER | ES_RIGHT))) {
        const Line& l = e.lines[static_cast<size_t>(LineOf(e, e.caret))];
        int cx = SpanWidth(e, l.start, std::min(e.caret, l.end));
        if (cx - e.scroll_x > w) e.scroll_x = cx - w + std::max(1, w / 4);
        if (cx < e.scroll_x) e.scroll_x = std::max(0, cx - std::max(1, w / 4));
        if (!e.Multi() && !(e.Style() & ES_AUTOHSCROLL) && !(e.Style() & WS_HSCROLL)) {
            // Without auto-scrolling a one-line box keeps the start in view.
        }
    }
}

void SetSel(Edit& e, size_t a, size_t c) {
    e.anchor = GbkFloor(e.text, std::min(a, e.text.size()));
    e.caret = GbkFloor(e.text, std::min(c, e.text.size()));
    Redraw(e);
}

size_t SelMin(const Edit& e) { return std::min(e.anchor, e.caret); }
size_t SelMax(const Edit& e) { return std::max(e.anchor, e.caret); }

std::string CaseFold(const Edit& e, std::string s) {
    DWORD st = e.Style();
    for (size_t i = 0; i < s.size(); i = GbkNext(s, i)) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (c >= 0x80) continue;
        if (st & ES_UPPERCASE) s[i] = static_cast<char>(std::toupper(c));
        else if (st & ES_LOWERCASE) s[i] = static_cast<char>(std::tolower(c));
    }
    return s;
}

// One-line boxes take the first line only; bare line feeds become CR LF in
// multi-line ones so every line break is the same two bytes.
std::string Normalise(const Edit& e, const char* p, size_t n) {
    std::string s(p, n);
    if (!e.Multi()) {
        size_t k = s.find_first_of("\r\n");
        if (k != std::string::npos) s.resize(k);
    }
    return CaseFold(e, s);
}

void SaveUndo(Edit& e) {
    e.undo_text = e.text;
    e.undo_anchor = e.anchor;
    e.undo_caret = e.caret;
    e.can_undo = true;
}

// Replaces the selection; returns false when nothing could be inserted.
bool ReplaceSel(Edit& e, std::string ins, bool undoable, bool notify) {
    size_t a = SelMin(e), b = SelMax(e);
    size_t room = e.limit > e.text.size() - (b - a) ? e.limit - (e.text.size() - (b - a)) : 0;
    bool cut = false;
    if (ins.size() > room) {
        size_t k = 0;
        while (k < ins.size() && GbkNext(ins, k) <= room) k = GbkNext(ins, k);
        ins.resize(k);
        cut = true;
    }
    if (a == b && ins.empty()) {
        if (cut) NotifyParent(e.hwnd, EN_MAXTEXT);
        return false;
    }
    if (undoable) SaveUndo(e);
    e.text.replace(a, b - a, ins);
    e.anchor = e.caret = a + ins.size();
    Relayout(e, a, b - a, ins.size());
    e.modified = true;
    ScrollCaret(e);
    Redraw(e);
    if (notify) {
        NotifyParent(e.hwnd, EN_UPDATE);
        NotifyParent(e.hwnd, EN_CHANGE);
    }
    if (cut) NotifyParent(e.hwnd, EN_MAXTEXT);
    return true;
}

bool IsWordChar(const std::string& t, size_t i) {
    unsigned char c = static_cast<unsigned char>(t[i]);
    return c >= 0x80 || std::isalnum(c) || c == '_';
}

size_t WordLeft(const Edit& e, size_t p) {
    const std::string& t = e.text;
    while (p > 0) {
        size_t q = GbkPrev(t, p);
        if (IsWordChar(t, q)) break;
        p = q;
    }
    while (p > 0) {
        size_t q = GbkPrev(t, p);
        if (!IsWordChar(t, q)) break;
        p = q;
    }
    return p;
}

size_t WordRight(const Edit& e, size_t p) {
    const std::string& t = e.text;
    while (p < t.size() && IsWordChar(t, p)) p = GbkNext(t, p);
    while (p < t.size() && !IsWordChar(t, p)) p = GbkNext(t, p);
    return p;
}

void CopySel(Edit& e) {
    if (e.Password() || SelMin(e) == SelMax(e)) return;
    std::string s = e.text.substr(SelMin(e), SelMax(e) - SelMin(e));
    if (!OpenClipboard(e.hwnd)) return;
    EmptyClipboard();
    HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, s.size() + 1);
    if (g) {
        char* p = static_cast<char*>(GlobalLock(g));
        if (p) {
            std::memcpy(p, s.c_str(), s.size() + 1);
            GlobalUnlock(g);
            SetClipboardData(CF_TEXT, g);
        }
    }
    CloseClipboard();
}

void Paste(Edit& e) {
    if (e.Style() & ES_READONLY) return;
    if (!OpenClipboard(e.hwnd)) return;
    HANDLE g = GetClipboardData(CF_TEXT);
    std::string s;
    if (g) {
        const char* p = static_cast<const char*>(GlobalLock(g));
        if (p) s.assign(p, strnlen(p, GlobalSize(g)));
        GlobalUnlock(g);
    }
    CloseClipboard();
    if (!s.empty()) ReplaceSel(e, Normalise(e, s.data(), s.size()), true, true);
}

void Undo(Edit& e) {
    if (!e.can_undo) return;
    std::swap(e.text, e.undo_text);
    std::swap(e.anchor, e.undo_anchor);
    std::swap(e.caret, e.undo_caret);
    e.layout_dirty = true;
    e.modified = true;
    ScrollCaret(e);
    Redraw(e);
    NotifyParent(e.hwnd, EN_CHANGE);
}

void MoveCaret(Edit& e, size_t to, bool extend) {
    to = std::min(to, e.text.size());
    e.caret = to;
    if (!extend) e.anchor = to;
    ScrollCaret(e);
    Redraw(e);
}

void KeyDown(Edit& e, WPARAM vk) {
    bool shift = GetKeyState(VK_SHIFT) < 0, ctrl = GetKeyState(VK_CONTROL) < 0;
    Layout(e);
    switch (vk) {
        case VK_LEFT:
            if (!shift && e.anchor != e.caret && !ctrl) MoveCaret(e, SelMin(e), false);
            else MoveCaret(e, ctrl ? WordLeft(e, e.caret) : GbkPrev(e.text, e.caret), shift);
            break;
        case VK_RIGHT:
            if (!shift && e.anchor != e.caret && !ctrl) MoveCaret(e, SelMax(e), false);
            else MoveCaret(e, ctrl ? WordRight(e, e.caret) : GbkNext(e.text, e.caret), shift);
            break;
        case VK_HOME:
            if (ctrl || !e.Multi()) MoveCaret(e, 0, shift);
            else MoveCaret(e, e.lines[static_cast<size_t>(LineOf(e, e.caret))].start, shift);
            break;
        case VK_END:
            if (ctrl || !e.Multi()) MoveCaret(e, e.text.size(), shift);
            else MoveCaret(e, e.lines[static_cast<size_t>(LineOf(e, e.caret))].end, shift);
            break;
        case VK_UP:
        case VK_DOWN:
        case VK_PRIOR:
        case VK_NEXT: {
            if (!e.Multi()) {
                MoveCaret(e, (vk == VK_UP || vk == VK_PRIOR) ? GbkPrev(e.text, e.caret) : GbkNext(e.text, e.caret), shift);
                break;
            }
            POINT p = PosToPoint(e, e.caret);
            int page = std::max(1, ClientHeight(e.hwnd) / std::max(1, e.line_h));
            int step = (vk == VK_UP ? -1 : vk == VK_DOWN ? 1 : vk == VK_PRIOR ? -page : page);
            int li = std::clamp(LineOf(e, e.caret) + step, 0, static_cast<int>(e.lines.size()) - 1);
            int y = (li - e.first_line) * e.line_h + e.line_h / 2;
            MoveCaret(e, PointToPos(e, p.x, y), shift);
            break;
        }
        case VK_DELETE:
            if (e.Style() & ES_READONLY) break;
            if (shift) {
                CopySel(e);
                ReplaceSel(e, "", true, true);
                break;
            }
            if (e.anchor == e.caret) {
                size_t n = e.caret;
                if (n < e.text.size() && e.text[n] == '\r' && n + 1 < e.text.size() && e.text[n + 1] == '\n') n += 2;
                else n = GbkNext(e.text, n);
                e.anchor = n;
            }
            ReplaceSel(e, "", true, true);
            break;
        case VK_INSERT:
            if (ctrl) CopySel(e);
            else if (shift) Paste(e);
            break;
        default: break;
    }
}

void Char(Edit& e, WPARAM ch) {
    bool ctrl = GetKeyState(VK_CONTROL) < 0;
    unsigned char c = static_cast<unsigned char>(ch);
    if (e.pending_lead) {
        char both[2] = {static_cast<char>(e.pending_lead), static_cast<char>(c)};
        e.pending_lead = 0;
        if (!(e.Style() & ES_READONLY) && c >= 0x40) ReplaceSel(e, std::string(both, 2), true, true);
        return;
    }
    switch (c) {
        case 1: SetSel(e, 0, e.text.size()); return;  // Ctrl+A
        case 3: CopySel(e); return;                   // Ctrl+C
        case 22: Paste(e); return;                    // Ctrl+V
        case 24:                                      // Ctrl+X
            if (e.Style() & ES_READONLY) return;
            CopySel(e);
            ReplaceSel(e, "", true, true);
            return;
        case 26: Undo(e); return;  // Ctrl+Z
        case 8:
            if (e.Style() & ES_READONLY) return;
            if (e.anchor == e.caret) {
                if (ctrl) {
                    e.anchor = WordLeft(e, e.caret);
                } else {
                    size_t p = e.caret;
                    if (p >= 2 && e.text[p - 1] == '\n' && e.text[p - 2] == '\r') e.anchor = p - 2;
                    else e.anchor = GbkPrev(e.text, p);
                }
            }
            ReplaceSel(e, "", true, true);
            return;
        case '\r':
        case '\n':
            if (!e.Multi() || (e.Style() & ES_READONLY)) return;
            ReplaceSel(e, "\r\n", true, true);
            return;
        case '\t':
            if (!e.Multi() || (e.Style() & ES_READONLY)) return;
            ReplaceSel(e, "\t", true, true);
            return;
        default: break;
    }
    if (c < 0x20 || c == 0x7F || (e.Style() & ES_READONLY)) return;
    if (c >= 0x81 && c <= 0xFE) {
        e.pending_lead = c;
        return;
    }
    if ((e.Style() & ES_NUMBER) && !(c >= '0' && c <= '9')) {
        MessageBeep(0);
        return;
    }
    char one = static_cast<char>(c);
    ReplaceSel(e, CaseFold(e, std::string(&one, 1)), true, true);
}

void Paint(Edit& e) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(e.hwnd, &ps);
    DWORD st = e.Style();
    bool grey = (st & ES_READONLY) || !IsWindowEnabled(e.hwnd);
    HBRUSH br = ControlColor(e.hwnd, grey ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT, dc);
    RECT rc;
    GetClientRect(e.hwnd, &rc);
    FillRect(dc, &rc, br);
    COLORREF fg = IsWindowEnabled(e.hwnd) ? GetTextColor(dc) : GetSysColor(COLOR_GRAYTEXT);
    HGDIOBJ oldf = SelectObject(dc, e.font ? e.font : DefaultFont());
    SetBkMode(dc, TRANSPARENT);
    Layout(e);
    bool show_sel = e.focus || (st & ES_NOHIDESEL);
    size_t s0 = SelMin(e), s1 = SelMax(e);
    int visible = e.Multi() ? ClientHeight(e.hwnd) / std::max(1, e.line_h) + 1 : 1;
    int last = std::min(static_cast<int>(e.lines.size()), e.first_line + visible);
    for (int li = e.Multi() ? e.first_line : 0; li < last; ++li) {
        const Line& l = e.lines[static_cast<size_t>(li)];
        POINT org = PosToPoint(e, l.start);
        std::string shown = e.Password() ? std::string(l.end - l.start, e.pw) : e.text.substr(l.start, l.end - l.start);
        if (e.Password()) {
            // One mask per character, not per byte.
            shown.clear();
            for (size_t i = l.start; i < l.end; i = GbkNext(e.text, i)) shown += e.pw;
        }
        // Selected part first: a highlight bar under highlighted text.
        size_t a = std::clamp(s0, l.start, l.end), b = std::clamp(s1, l.start, l.end);
        bool has_sel = show_sel && s0 != s1 && (a < b || (s0 <= l.end && s1 > l.end && l.end < l.next));
        SetTextColor(dc, fg);
        TextOutA(dc, org.x, org.y, shown.c_str(), static_cast<int>(shown.size()));
        if (has_sel) {
            int xa = org.x + SpanWidth(e, l.start, a), xb = org.x + SpanWidth(e, l.start, b);
            if (s1 > l.end && l.end < l.next) xb += 4;  // the line break is part of the selection
            RECT sr{xa, org.y, xb, org.y + e.line_h};
            FillRect(dc, &sr, GetSysColorBrush(COLOR_HIGHLIGHT));
            SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
            int sa = 0, sb = 0;
            if (e.Password()) {
                for (size_t i = l.start; i < a; i = GbkNext(e.text, i)) ++sa;
                for (size_t i = l.start; i < b; i = GbkNext(e.text, i)) ++sb;
            } else {
                sa = static_cast<int>(a - l.start);
                sb = static_cast<int>(b - l.start);
            }
            if (sb > sa) TextOutA(dc, xa, org.y, shown.c_str() + sa, sb - sa);
        }
    }
    if (e.focus) {
        POINT cp = PosToPoint(e, e.caret);
        RECT cr{cp.x, cp.y, cp.x + 1, cp.y + e.line_h};
        HBRUSH cb = CreateSolidBrush(fg);
        FillRect(dc, &cr, cb);
        DeleteObject(cb);
    }
    SelectObject(dc, oldf);
    EndPaint(e.hwnd, &ps);
}

void SetText(Edit& e, const char* t) {
    std::string s = t ? Normalise(e, t, strlen(t)) : std::string();
    e.text = std::move(s);
    e.anchor = e.caret = 0;
    e.first_line = 0;
    e.scroll_x = 0;
    e.layout_dirty = true;
    e.can_undo = false;
    e.modified = false;
    e.pending_lead = 0;
    Redraw(e);
}

LRESULT CALLBACK EditProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    Edit* e = StateOf<Edit>(h);
    if (m == WM_NCCREATE) {
        e = new Edit;
        e->hwnd = h;
        SetState(h, e);
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
        if (!(cs->style & ES_MULTILINE)) e->limit = 0x7FFFFFFE;
        e->widths.assign(65536, -1);
        DefWindowProcA(h, m, wp, lp);
        if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName)) SetText(*e, cs->lpszName);
        MeasureFont(*e);
        return TRUE;
    }
    if (!e) return DefWindowProcA(h, m, wp, lp);
    switch (m) {
        case WM_NCDESTROY:
            SetState(h, nullptr);
            delete e;
            return DefWindowProcA(h, m, wp, lp);
        case WM_GETDLGCODE: {
            LRESULT r = DLGC_HASSETSEL | DLGC_WANTCHARS | DLGC_WANTARROWS;
            if (e->Multi()) r |= DLGC_WANTALLKEYS;
            return r;
        }
        case WM_SETTEXT:
            SetText(*e, reinterpret_cast<const char*>(lp));
            DefWindowProcA(h, m, wp, reinterpret_cast<LPARAM>(""));
            NotifyParent(h, EN_UPDATE);
            NotifyParent(h, EN_CHANGE);
            return TRUE;
        case WM_GETTEXT: {
            char* out = reinterpret_cast<char*>(lp);
            if (!out || wp == 0) return 0;
            size_t n = std::min(e->text.size(), static_cast<size_t>(wp) - 1);
            n = GbkFloor(e->text, n) < n && n < e->text.size() ? GbkFloor(e->text, n) : n;
            std::memcpy(out, e->text.data(), n);
            out[n] = 0;
            return static_cast<LRESULT>(n);
        }
        case WM_GETTEXTLENGTH: return static_cast<LRESULT>(e->text.size());
        case WM_SETFONT:
            e->font = static_cast<HFONT>(wp);
            MeasureFont(*e);
            if (lp) Redraw(*e);
            return 0;
        case WM_GETFONT: return static_cast<LRESULT>(e->font);
        case WM_SIZE:
            e->layout_dirty = true;
            Redraw(*e);
            return 0;
        case WM_STYLECHANGED:
            e->layout_dirty = true;
            Redraw(*e);
            return 0;
        case WM_ERASEBKGND: return 1;
        case WM_PAINT: Paint(*e); return 0;
        case WM_SETCURSOR:
            if (LOWORD(lp) == HTCLIENT) {
                SetCursor(LoadCursorA(0, IDC_IBEAM));
                return TRUE;
            }
            return DefWindowProcA(h, m, wp, lp);
        case WM_SETFOCUS:
            e->focus = true;
            if (!e->Multi() && !(e->dragging)) {
                // Tabbing into a one-line box selects its text, as users expect.
            }
            Redraw(*e);
            NotifyParent(h, EN_SETFOCUS);
            return 0;
        case WM_KILLFOCUS:
            e->focus = false;
            e->pending_lead = 0;
            Redraw(*e);
            NotifyParent(h, EN_KILLFOCUS);
            return 0;
        case WM_ENABLE: Redraw(*e); return 0;
        case WM_LBUTTONDOWN: {
            if (GetFocus() != h) SetFocus(h);
            e = StateOf<Edit>(h);
            if (!e) return 0;
            size_t p = PointToPos(*e, GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
            MoveCaret(*e, p, (wp & MK_SHIFT) != 0);
            e->dragging = true;
            SetCapture(h);
            return 0;
        }
        case WM_LBUTTONDBLCLK: {
            size_t p = PointToPos(*e, GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
            size_t a = p, b = p;
            const std::string& t = e->text;
            if (p < t.size() && IsWordChar(t, p)) {
                while (a > 0 && IsWordChar(t, GbkPrev(t, a))) a = GbkPrev(t, a);
                while (b < t.size() && IsWordChar(t, b)) b = GbkNext(t, b);
            } else if (p < t.size()) {
                b = GbkNext(t, p);
            }
            SetSel(*e, a, b);
            return 0;
        }
        case WM_MOUSEMOVE:
            if (e->dragging && GetCapture() == h) {
                size_t p = PointToPos(*e, GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
                if (p != e->caret) MoveCaret(*e, p, true);
            }
            return 0;
        case WM_LBUTTONUP:
            if (e->dragging) {
                e->dragging = false;
                if (GetCapture() == h) ReleaseCapture();
            }
            return 0;
        case WM_CAPTURECHANGED: e->dragging = false; return 0;
        case WM_MOUSEWHEEL:
            if (e->Multi()) {
                int d = static_cast<SHORT>(HIWORD(wp)) / 120 * 3;
                Layout(*e);
                e->first_line = std::clamp(e->first_line - d, 0, std::max(0, static_cast<int>(e->lines.size()) - 1));
                Redraw(*e);
            }
            return 0;
        case WM_KEYDOWN: KeyDown(*e, wp); return 0;
        case WM_CHAR: Char(*e, wp); return 0;
        case WM_CUT:
            if (!(e->Style() & ES_READONLY)) {
                CopySel(*e);
                ReplaceSel(*e, "", true, true);
            }
            return 0;
        case WM_COPY: CopySel(*e); return 0;
        case WM_PASTE: Paste(*e); return 0;
        case WM_CLEAR:
            if (!(e->Style() & ES_READONLY)) ReplaceSel(*e, "", true, true);
            return 0;
        case WM_UNDO:
        case EM_UNDO: {
            bool could = e->can_undo;
            Undo(*e);
            return could;
        }
        case EM_CANUNDO: return e->can_undo;
        case EM_EMPTYUNDOBUFFER: e->can_undo = false; return 0;
        case EM_GETSEL: {
            if (wp) *reinterpret_cast<DWORD*>(wp) = static_cast<DWORD>(SelMin(*e));
            if (lp) *reinterpret_cast<DWORD*>(lp) = static_cast<DWORD>(SelMax(*e));
            return MAKELONG(std::min<size_t>(SelMin(*e), 0xFFFF), std::min<size_t>(SelMax(*e), 0xFFFF));
        }
        case EM_SETSEL: {
            long a = static_cast<long>(static_cast<int>(wp)), b = static_cast<long>(static_cast<int>(lp));
            size_t n = e->text.size();
            if (a < 0) {  // -1 removes the selection
                SetSel(*e, e->caret, e->caret);
                return 0;
            }
            size_t sa = std::min(static_cast<size_t>(a), n);
            size_t sb = b < 0 ? n : std::min(static_cast<size_t>(b), n);
            SetSel(*e, sa, sb);
            return 0;
        }
        case EM_REPLACESEL: {
            const char* t = reinterpret_cast<const char*>(lp);
            if (!t) return 0;
            ReplaceSel(*e, Normalise(*e, t, strlen(t)), wp != 0, true);
            return 0;
        }
        case EM_SCROLLCARET: ScrollCaret(*e); Redraw(*e); return TRUE;
        case EM_GETMODIFY: return e->modified;
        case EM_SETMODIFY: e->modified = wp != 0; return 0;
        case EM_LIMITTEXT:
            e->limit = wp == 0 ? 0x7FFFFFFE : static_cast<size_t>(wp);
            return 0;
        case EM_GETLIMITTEXT: return static_cast<LRESULT>(e->limit);
        case EM_SETPASSWORDCHAR:
            e->pw = static_cast<char>(wp);
            if (wp) SetWindowLongA(h, GWL_STYLE, GetWindowLongA(h, GWL_STYLE) | ES_PASSWORD);
            else SetWindowLongA(h, GWL_STYLE, GetWindowLongA(h, GWL_STYLE) & ~ES_PASSWORD);
            e->layout_dirty = true;
            Redraw(*e);
            return 0;
        case EM_GETPASSWORDCHAR: return static_cast<unsigned char>(e->pw);
        case EM_SETREADONLY: {
            LONG st = GetWindowLongA(h, GWL_STYLE);
            SetWindowLongA(h, GWL_STYLE, wp ? (st | ES_READONLY) : (st & ~ES_READONLY));
            Redraw(*e);
            return TRUE;
        }
        case EM_GETLINECOUNT: Layout(*e); return static_cast<LRESULT>(e->lines.size());
        case EM_GETFIRSTVISIBLELINE: return e->Multi() ? e->first_line : 0;
        case EM_LINEFROMCHAR: {
            size_t p = static_cast<int>(wp) < 0 ? e->caret : std::min(static_cast<size_t>(wp), e->text.size());
            return LineOf(*e, p);
        }
        case EM_LINEINDEX: {
            Layout(*e);
            int li = static_cast<int>(wp) < 0 ? LineOf(*e, e->caret) : static_cast<int>(wp);
            if (li >= static_cast<int>(e->lines.size())) return -1;
            return static_cast<LRESULT>(e->lines[static_cast<size_t>(li)].start);
        }
        case EM_LINELENGTH: {
            Layout(*e);
            size_t p = static_cast<int>(wp) < 0 ? e->caret : std::min(static_cast<size_t>(wp), e->text.size());
            const Line& l = e->lines[static_cast<size_t>(LineOf(*e, p))];
            return static_cast<LRESULT>(l.end - l.start);
        }
        case EM_GETLINE: {
            Layout(*e);
            char* out = reinterpret_cast<char*>(lp);
            if (!out || wp >= e->lines.size()) return 0;
            WORD cap;
            std::memcpy(&cap, out, sizeof cap);
            const Line& l = e->lines[wp];
            size_t n = std::min<size_t>(cap, l.end - l.start);
            std::memcpy(out, e->text.data() + l.start, n);
            return static_cast<LRESULT>(n);
        }
        case EM_LINESCROLL:
            if (e->Multi()) {
                Layout(*e);
                e->first_line = std::clamp(e->first_line + static_cast<int>(lp), 0,
                                           std::max(0, static_cast<int>(e->lines.size()) - 1));
                Redraw(*e);
            }
            return TRUE;
        case EM_POSFROMCHAR: {
            if (wp > e->text.size()) return -1;
            POINT p = PosToPoint(*e, wp);
            return MAKELONG(static_cast<WORD>(p.x), static_cast<WORD>(p.y));
        }
        case EM_CHARFROMPOS: {
            size_t p = PointToPos(*e, GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
            return MAKELONG(static_cast<WORD>(std::min<size_t>(p, 0xFFFF)), static_cast<WORD>(LineOf(*e, p)));
        }
        default: return DefWindowProcA(h, m, wp, lp);
    }
}

struct Registrar {
    Registrar() { RegisterSystemClass("EDIT", EditProc, CS_DBLCLKS | CS_PARENTDC, 0); }
} registrar;

}  // namespace
}  // namespace platform::controls
