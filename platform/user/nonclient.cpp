// The non-client area (frames, caption, caption buttons, edges, scroll-bar
// space), its hit-testing, and the default window procedure.
#include <pango/pangocairo.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/backend/backend.h"
#include "platform/gdi/gdi_internal.h"
#include "platform/kernel/codepage.h"
#include "platform/user/user_internal.h"

namespace platform::user {
namespace {

// What a caption bar shows, in the bar's own coordinates.
struct CaptionLook {
    int width = 0, height = 0;
    COLORREF from = 0, to = 0, text = 0;
    std::string title;  // UTF-8
    int titleWidth = 0;
    std::vector<std::pair<RECT, UINT>> buttons;  // rectangle, DrawFrameControl state
    bool operator==(const CaptionLook& o) const {
        if (width != o.width || height != o.height || from != o.from || to != o.to || text != o.text ||
            title != o.title || titleWidth != o.titleWidth || buttons.size() != o.buttons.size())
            return false;
        for (size_t i = 0; i < buttons.size(); ++i)
            if (!EqualRect(&buttons[i].first, &o.buttons[i].first) || buttons[i].second != o.buttons[i].second)
                return false;
        return true;
    }
};

void DrawCaption(HDC dc, const CaptionLook& look) {
    if (auto dcp = gdi::Dcs().Get(dc)) {
        if (cairo_t* cr = gdi::Prepare(*dcp)) {
            cairo_pattern_t* g = cairo_pattern_create_linear(0, 0, look.width, 0);
            cairo_pattern_add_color_stop_rgb(g, 0, GetRValue(look.from) / 255.0, GetGValue(look.from) / 255.0,
                                             GetBValue(look.from) / 255.0);
            cairo_pattern_add_color_stop_rgb(g, 1, GetRValue(look.to) / 255.0, GetGValue(look.to) / 255.0,
                                             GetBValue(look.to) / 255.0);
            cairo_set_source(cr, g);
            cairo_rectangle(cr, 0, 0, look.width, look.height);
            cairo_fill(cr);
            cairo_pattern_destroy(g);
            // Title in the CJK UI font, clipped before the buttons.
            if (!look.title.empty() && look.titleWidth > 0) {
                PangoLayout* l = pango_cairo_create_layout(cr);
                PangoFontDescription* fd = gdi::UiFontDescription(true);
                pango_layout_set_font_description(l, fd);
                pango_font_description_free(fd);
                pango_layout_set_text(l, look.title.data(), static_cast<int>(look.title.size()));
                pango_layout_set_width(l, look.titleWidth * PANGO_SCALE);
                pango_layout_set_ellipsize(l, PANGO_ELLIPSIZE_END);
                int tw, th;
                pango_layout_get_pixel_size(l, &tw, &th);
                gdi::SetSource(cr, look.text);
                cairo_set_antialias(cr, CAIRO_ANTIALIAS_GRAY);
                cairo_move_to(cr, 4, (look.height - th) / 2);
                pango_cairo_show_layout(cr, l);
                cairo_new_path(cr);
                g_object_unref(l);
            }
            gdi::Finish(*dcp);
        }
    }
    for (const auto& [rect, state] : look.buttons) {
        RECT br = rect;
        DrawFrameControl(dc, &br, DFC_CAPTION, state);
    }
}

// Caption bars are drawn once per look and kept as pictures: laying out the
// title and drawing the gradient and buttons cost far more than copying the
// bar, and every activation change repaints the same few bars.
class CaptionImages {
public:
    // A memory DC holding the bar drawn as `look`, compatible with `target`.
    HDC Get(HDC target, const CaptionLook& look) {
        ++clock_;
        Entry* slot = &entries_[0];
        for (auto& e : entries_) {
            if (e.dc && e.look == look) {
                e.used = clock_;
                return e.dc;
            }
            if (e.used < slot->used) slot = &e;
        }
        Drop(*slot);
        HDC dc = CreateCompatibleDC(target);
        HBITMAP bmp = dc ? CreateCompatibleBitmap(target, look.width, look.height) : 0;
        if (!bmp) {
            if (dc) DeleteDC(dc);
            return 0;
        }
        slot->old = SelectObject(dc, bmp);
        slot->dc = dc;
        slot->bmp = bmp;
        slot->look = look;
        slot->used = clock_;
        DrawCaption(dc, look);
        return dc;
    }

private:
    struct Entry {
        CaptionLook look;
        HDC dc = 0;
        HBITMAP bmp = 0;
        HGDIOBJ old = 0;
        uint64_t used = 0;
    };
    static void Drop(Entry& e) {
        if (!e.dc) return;
        SelectObject(e.dc, e.old);
        DeleteObject(e.bmp);
        DeleteDC(e.dc);
        e = Entry{};
    }
    Entry entries_[6];
    uint64_t clock_ = 0;
};

}  // namespace

NcInsets Insets(DWORD style, DWORD ex) {
    NcInsets n{0, 0, 0, 0, 0, 0};
    int b = 0;
    if (style & WS_THICKFRAME) b = GetSystemMetrics(SM_CXFRAME);
    else if ((ex & WS_EX_DLGMODALFRAME) || (style & WS_DLGFRAME)) b = GetSystemMetrics(SM_CXDLGFRAME);
    else if (style & WS_BORDER) b = GetSystemMetrics(SM_CXBORDER);
    n.frame = b;
    n.left = n.top = n.right = n.bottom = b;
    if ((style & WS_CAPTION) == WS_CAPTION) {
        n.caption = GetSystemMetrics((ex & WS_EX_TOOLWINDOW) ? SM_CYSMCAPTION : SM_CYCAPTION);
        n.top += n.caption;
    }
    int edge = (ex & WS_EX_CLIENTEDGE) ? GetSystemMetrics(SM_CXEDGE) : ((ex & WS_EX_STATICEDGE) ? 1 : 0);
    n.left += edge;
    n.top += edge;
    n.right += edge;
    n.bottom += edge;
    if (style & WS_VSCROLL) n.right += GetSystemMetrics(SM_CXVSCROLL);
    if (style & WS_HSCROLL) n.bottom += GetSystemMetrics(SM_CYHSCROLL);
    return n;
}

std::vector<CaptionButton> CaptionButtons(const Wnd& w) {
    std::vector<CaptionButton> out;
    NcInsets n = Insets(w.style, w.exstyle);
    if (!n.caption || !(w.style & WS_SYSMENU)) return out;
    int ww = w.rect.right - w.rect.left;
    bool small = (w.exstyle & WS_EX_TOOLWINDOW) != 0;
    int bw = (small ? GetSystemMetrics(SM_CXSMSIZE) : GetSystemMetrics(SM_CXSIZE)) - 2;
    int bh = n.caption - 5;
    int top = n.frame + 2;
    int right = ww - n.frame - 2;
    out.push_back({HTCLOSE, RECT{right - bw, top, right, top + bh}});
    right -= bw + 2;
    if (!small && (w.style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX))) {
        out.push_back({HTMAXBUTTON, RECT{right - bw, top, right, top + bh}});
        out.push_back({HTMINBUTTON, RECT{right - 2 * bw, top, right - bw, top + bh}});
    }
    return out;
}

LRESULT NcHitTest(Wnd& w, POINT pt) {
    RECT wr = WindowRectScreen(w);
    if (!PtInRect(&wr, pt)) return HTNOWHERE;
    if (w.shape && !cairo_region_contains_point(w.shape, pt.x - wr.left, pt.y - wr.top)) return HTNOWHERE;
    POINT c = ClientOriginScreen(w);
    RECT cr{c.x, c.y, c.x + (w.client.right - w.client.left), c.y + (w.client.bottom - w.client.top)};
    if (PtInRect(&cr, pt)) return HTCLIENT;
    NcInsets n = Insets(w.style, w.exstyle);
    int x = pt.x - wr.left, y = pt.y - wr.top;
    int ww = wr.right - wr.left, wh = wr.bottom - wr.top;
    bool in_frame = x < n.frame || y < n.frame || x >= ww - n.frame || y >= wh - n.frame;
    if (in_frame) {
        if ((w.style & WS_THICKFRAME) && !(w.style & (WS_MAXIMIZE | WS_MINIMIZE))) {
            int corner = GetSystemMetrics(SM_CYCAPTION) + n.frame;
            bool l = x < corner, r = x >= ww - corner, t = y < corner, b = y >= wh - corner;
            if (y < n.frame) return l ? HTTOPLEFT : (r ? HTTOPRIGHT : HTTOP);
            if (y >= wh - n.frame) return l ? HTBOTTOMLEFT : (r ? HTBOTTOMRIGHT : HTBOTTOM);
            if (x < n.frame) return t ? HTTOPLEFT : (b ? HTBOTTOMLEFT : HTLEFT);
            return t ? HTTOPRIGHT : (b ? HTBOTTOMRIGHT : HTRIGHT);
        }
        return HTBORDER;
    }
    if (n.caption && y < n.frame + n.caption) {
        for (auto& b : CaptionButtons(w)) {
            POINT lp{x, y};
            if (PtInRect(&b.rect, lp)) return b.hit;
        }
        return HTCAPTION;
    }
    if ((w.style & WS_VSCROLL) && pt.x >= cr.right && pt.y >= cr.top && pt.y < cr.bottom) return HTVSCROLL;
    if ((w.style & WS_HSCROLL) && pt.y >= cr.bottom && pt.x >= cr.left && pt.x < cr.right) return HTHSCROLL;
    return HTBORDER;
}

void NcPaint(HWND h) {
    auto w = Get(h);
    if (!w || !IsVisibleChain(h)) return;
    NcInsets n = Insets(w->style, w->exstyle);
    if (n.left == 0 && n.top == 0 && n.right == 0 && n.bottom == 0) return;
    HDC dc = GetWindowDC(h);
    if (!dc) return;
    int ww = w->rect.right - w->rect.left, wh = w->rect.bottom - w->rect.top;
    // Keep the client area out of the frame drawing.
    int cl = w->client.left - w->rect.left, ct = w->client.top - w->rect.top;
    ExcludeClipRect(dc, cl, ct, cl + (w->client.right - w->client.left), ct + (w->client.bottom - w->client.top));
    RECT r{0, 0, ww, wh};
    if (n.frame == 1) {
        FrameRect(dc, &r, static_cast<HBRUSH>(COLOR_WINDOWFRAME + 1));
        InflateRect(&r, -1, -1);
    } else if (n.frame > 1) {
        DrawEdge(dc, &r, EDGE_RAISED, BF_RECT | BF_ADJUST);
        for (int i = 2; i < n.frame; ++i) {
            FrameRect(dc, &r, static_cast<HBRUSH>(COLOR_BTNFACE + 1));
            InflateRect(&r, -1, -1);
        }
    }
    bool active = w->nc_active;
    if (n.caption) {
        RECT cap{r.left, r.top, r.right, r.top + n.caption - 1};
        CaptionLook look;
        look.width = cap.right - cap.left;
        look.height = cap.bottom - cap.top;
        look.from = GetSysColor(active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION);
        look.to = GetSysColor(active ? COLOR_GRADIENTACTIVECAPTION : COLOR_GRADIENTINACTIVECAPTION);
        look.text = GetSysColor(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT);
        auto buttons = CaptionButtons(*w);
        int limit = buttons.empty() ? cap.right - 2 : buttons.back().rect.left - 2;
        if (limit > cap.left + 4) {
            look.title = GbkToUtf8(w->text);
            look.titleWidth = limit - cap.left - 4;
        }
        for (auto& b : buttons) {
            UINT kind = b.hit == HTCLOSE ? DFCS_CAPTIONCLOSE
                                         : (b.hit == HTMINBUTTON ? DFCS_CAPTIONMIN
                                                                 : ((w->style & WS_MAXIMIZE) ? DFCS_CAPTIONRESTORE : DFCS_CAPTIONMAX));
            UINT state = kind | (w->pressed_button == b.hit ? DFCS_PUSHED : 0);
            if (b.hit == HTMAXBUTTON && !(w->style & WS_MAXIMIZEBOX)) state |= DFCS_INACTIVE;
            if (b.hit == HTMINBUTTON && !(w->style & WS_MINIMIZEBOX)) state |= DFCS_INACTIVE;
            if (b.hit == HTCLOSE && (w->cls->style & CS_NOCLOSE)) state |= DFCS_INACTIVE;
            RECT br = b.rect;
            OffsetRect(&br, -cap.left, -cap.top);
            look.buttons.push_back({br, state});
        }
        // The UI thread draws every frame; the pictures live as long as it.
        static CaptionImages* images = new CaptionImages;
        if (look.width > 0 && look.height > 0) {
            if (HDC bar = images->Get(dc, look)) BitBlt(dc, cap.left, cap.top, look.width, look.height, bar, 0, 0, SRCCOPY);
        }
        RECT line{r.left, cap.bottom, r.right, cap.bottom + 1};
        FillRect(dc, &line, static_cast<HBRUSH>(COLOR_BTNFACE + 1));
        r.top += n.caption;
    }
    if (w->exstyle & WS_EX_CLIENTEDGE) DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    else if (w->exstyle & WS_EX_STATICEDGE) DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
    // Scroll-bar space: the track and its arrows (the scroll-bar control paints thumbs).
    int sb = GetSystemMetrics(SM_CXVSCROLL);
    if (w->style & WS_VSCROLL) {
        RECT v{cl + (w->client.right - w->client.left), ct, r.right, ct + (w->client.bottom - w->client.top)};
        FillRect(dc, &v, static_cast<HBRUSH>(COLOR_SCROLLBAR + 1));
        RECT up{v.left, v.top, v.right, v.top + sb}, dn{v.left, v.bottom - sb, v.right, v.bottom};
        DrawFrameControl(dc, &up, DFC_SCROLL, DFCS_SCROLLUP);
        DrawFrameControl(dc, &dn, DFC_SCROLL, DFCS_SCROLLDOWN);
    }
    if (w->style & WS_HSCROLL) {
        RECT hz{cl, ct + (w->client.bottom - w->client.top), cl + (w->client.right - w->client.left), r.bottom};
        FillRect(dc, &hz, static_cast<HBRUSH>(COLOR_SCROLLBAR + 1));
        RECT lf{hz.left, hz.top, hz.left + sb, hz.bottom}, rt{hz.right - sb, hz.top, hz.right, hz.bottom};
        DrawFrameControl(dc, &lf, DFC_SCROLL, DFCS_SCROLLLEFT);
        DrawFrameControl(dc, &rt, DFC_SCROLL, DFCS_SCROLLRIGHT);
    }
    ReleaseDC(h, dc);
}

}  // namespace platform::user

using namespace platform;
using namespace platform::user;

namespace {

LRESULT SetCursorDefault(HWND h, WPARAM w, LPARAM l) {
    auto wnd = Get(h);
    if (!wnd) return FALSE;
    if ((wnd->style & WS_CHILD) && wnd->parent && Call(wnd->parent, WM_SETCURSOR, w, l)) return TRUE;
    int hit = static_cast<SHORT>(LOWORD(l));
    LPCSTR id = IDC_ARROW;
    switch (hit) {
        case HTCLIENT:
            if (!wnd->cls->cursor) return FALSE;
            SetCursor(wnd->cls->cursor);
            return TRUE;
        case HTLEFT:
        case HTRIGHT: id = IDC_SIZEWE; break;
        case HTTOP:
        case HTBOTTOM: id = IDC_SIZENS; break;
        case HTTOPLEFT:
        case HTBOTTOMRIGHT: id = IDC_SIZENWSE; break;
        case HTTOPRIGHT:
        case HTBOTTOMLEFT: id = IDC_SIZENESW; break;
        default: break;
    }
    SetCursor(LoadCursorA(0, id));
    return TRUE;
}

// A caption button is pressed: it acts when the button is released over it.
void TrackButton(HWND h, int hit) {
    auto w = Get(h);
    if (!w) return;
    w->pressed_button = hit;
    NcPaint(h);
    PresentDirty();
    SetCapture(h);
}

}  // namespace

WINEXPORT LRESULT DefWindowProcA(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    auto w = Get(h);
    if (!w) return 0;
    switch (m) {
        case WM_NCCREATE: {
            auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
            if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName)) w->text = cs->lpszName;
            return TRUE;
        }
        case WM_NCCALCSIZE: {
            RECT* r = reinterpret_cast<RECT*>(lp);
            if (!r) return 0;
            NcInsets n = Insets(w->style, w->exstyle);
            r->left += n.left;
            r->top += n.top;
            r->right -= n.right;
            r->bottom -= n.bottom;
            if (r->right < r->left) r->right = r->left;
            if (r->bottom < r->top) r->bottom = r->top;
            return 0;
        }
        case WM_NCHITTEST: return NcHitTest(*w, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
        case WM_NCPAINT: NcPaint(h); return 0;
        case WM_NCACTIVATE:
            w->nc_active = wp != 0;
            NcPaint(h);
            MarkPresent(h);
            return TRUE;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            BeginPaint(h, &ps);
            EndPaint(h, &ps);
            return 0;
        }
        case WM_ERASEBKGND: {
            HBRUSH b = w->cls->background;
            if (!b) return 0;
            RECT r;
            GetClientRect(h, &r);
            FillRect(static_cast<HDC>(wp), &r, b);
            return 1;
        }
        case WM_WINDOWPOSCHANGED: {
            auto* pos = reinterpret_cast<WINDOWPOS*>(lp);
            if (!pos) return 0;
            if (!(pos->flags & SWP_NOMOVE)) Call(h, WM_MOVE, 0, MAKELPARAM(w->client.left, w->client.top));
            w = Get(h);
            if (w && !(pos->flags & SWP_NOSIZE)) {
                WPARAM type = (w->style & WS_MINIMIZE) ? SIZE_MINIMIZED : ((w->style & WS_MAXIMIZE) ? SIZE_MAXIMIZED : SIZE_RESTORED);
                Call(h, WM_SIZE, type, MAKELPARAM(w->client.right - w->client.left, w->client.bottom - w->client.top));
            }
            return 0;
        }
        case WM_ACTIVATE:
            if (LOWORD(wp) != WA_INACTIVE && !HIWORD(wp)) SetFocus(h);
            return 0;
        case WM_MOUSEACTIVATE:
            if ((w->style & WS_CHILD) && w->parent) {
                LRESULT r = Call(w->parent, WM_MOUSEACTIVATE, wp, lp);
                if (r) return r;
            }
            return MA_ACTIVATE;
        case WM_SETCURSOR: return SetCursorDefault(h, wp, lp);
        case WM_SETTEXT: {
            const char* t = reinterpret_cast<const char*>(lp);
            w->text = t ? t : "";
            if (!w->parent && backend::Exists()) backend::Current().SetTitle(h, GbkToUtf8(w->text));
            if ((w->style & WS_CAPTION) == WS_CAPTION) {
                w->nc_dirty = true;
            }
            return TRUE;
        }
        case WM_GETTEXT: {
            char* out = reinterpret_cast<char*>(lp);
            if (!out || wp == 0) return 0;
            size_t n = std::min(w->text.size(), static_cast<size_t>(wp) - 1);
            std::memcpy(out, w->text.data(), n);
            out[n] = 0;
            return static_cast<LRESULT>(n);
        }
        case WM_GETTEXTLENGTH: return static_cast<LRESULT>(w->text.size());
        case WM_CLOSE: DestroyWindow(h); return 0;
        case WM_QUERYENDSESSION: return TRUE;
        case WM_SYSCOMMAND:
            switch (wp & 0xFFF0) {
                case SC_CLOSE:
                    if (!(w->cls->style & CS_NOCLOSE)) Call(h, WM_CLOSE, 0, 0);
                    return 0;
                case SC_MINIMIZE: ShowWindow(h, SW_MINIMIZE); return 0;
                case SC_MAXIMIZE: ShowWindow(h, SW_MAXIMIZE); return 0;
                case SC_RESTORE: ShowWindow(h, SW_RESTORE); return 0;
                case SC_MOVE: StartDrag(h, HTCAPTION, S().cursor); return 0;
                case SC_SIZE: StartDrag(h, HTBOTTOMRIGHT, S().cursor); return 0;
                default: return 0;
            }
        case WM_NCLBUTTONDOWN: {
            POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
            int hit = static_cast<int>(wp);
            if (hit == HTCAPTION || (hit >= HTLEFT && hit <= HTBOTTOMRIGHT)) {
                if (!w->parent && (hit == HTCAPTION || (w->style & WS_THICKFRAME))) StartDrag(h, hit, pt);
            } else if (hit == HTCLOSE || hit == HTMINBUTTON || hit == HTMAXBUTTON) {
                TrackButton(h, hit);
            }
            return 0;
        }
        case WM_NCLBUTTONDBLCLK:
            if (wp == HTCAPTION && (w->style & WS_MAXIMIZEBOX))
                Call(h, WM_SYSCOMMAND, (w->style & WS_MAXIMIZE) ? SC_RESTORE : SC_MAXIMIZE, lp);
            return 0;
        case WM_LBUTTONUP:
        case WM_MOUSEMOVE:
            if (w->pressed_button) {
                // Caption-button tracking runs with the capture, so positions are client coordinates.
                POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
                ClientToScreen(h, &pt);
                int over = static_cast<int>(NcHitTest(*w, pt));
                if (m == WM_LBUTTONUP) {
                    int pressed = w->pressed_button;
                    w->pressed_button = 0;
                    ReleaseCapture();
                    NcPaint(h);
                    if (over == pressed) {
                        WPARAM cmd = pressed == HTCLOSE ? SC_CLOSE
                                                        : (pressed == HTMINBUTTON ? SC_MINIMIZE
                                                                                  : ((w->style & WS_MAXIMIZE) ? SC_RESTORE : SC_MAXIMIZE));
                        PostMessageA(h, WM_SYSCOMMAND, cmd, MAKELPARAM(pt.x, pt.y));
                    }
                }
                return 0;
            }
            return 0;
        case WM_NCLBUTTONUP:
            // The release came before the capture was taken (both were queued together).
            if (w->pressed_button) {
                int pressed = w->pressed_button;
                w->pressed_button = 0;
                if (S().capture == h) ReleaseCapture();
                NcPaint(h);
                if (static_cast<int>(wp) == pressed) {
                    WPARAM cmd = pressed == HTCLOSE ? SC_CLOSE
                                                    : (pressed == HTMINBUTTON ? SC_MINIMIZE
                                                                              : ((w->style & WS_MAXIMIZE) ? SC_RESTORE : SC_MAXIMIZE));
                    PostMessageA(h, WM_SYSCOMMAND, cmd, lp);
                }
            }
            return 0;
        case WM_CAPTURECHANGED:
            if (w->pressed_button) {
                w->pressed_button = 0;
                NcPaint(h);
            }
            return 0;
        case WM_CANCELMODE:
            if (S().drag.hwnd == h) DragEnd();
            if (S().capture == h) ReleaseCapture();
            return 0;
        case WM_SYSKEYDOWN:
            if (wp == VK_F4 && (lp & (1 << 29))) PostMessageA(Root(h), WM_SYSCOMMAND, SC_CLOSE, 0);
            return 0;
        case WM_MOUSEWHEEL:
        case WM_CONTEXTMENU:
            if ((w->style & WS_CHILD) && w->parent) return SendMessageA(w->parent, m, wp, lp);
            return 0;
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORSCROLLBAR:
            SetBkColor(static_cast<HDC>(wp), GetSysColor(COLOR_BTNFACE));
            SetTextColor(static_cast<HDC>(wp), GetSysColor(COLOR_WINDOWTEXT));
            return GetSysColorBrush(COLOR_BTNFACE);
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
            SetBkColor(static_cast<HDC>(wp), GetSysColor(COLOR_WINDOW));
            SetTextColor(static_cast<HDC>(wp), GetSysColor(COLOR_WINDOWTEXT));
            return GetSysColorBrush(COLOR_WINDOW);
        case WM_SETICON: {
            HICON old = wp ? w->icon_big : w->icon_small;
            if (wp) w->icon_big = static_cast<HICON>(lp);
            else w->icon_small = static_cast<HICON>(lp);
            return old;
        }
        case WM_GETICON: return wp ? w->icon_big : w->icon_small;
        default: return 0;
    }
}
