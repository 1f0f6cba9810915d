// controls-demo: every standard control and common dialog in one window.
//   controls-demo                    run on the display; events are reported on stdout
//   controls-demo --screenshot FILE  draw headless and write the window as a PNG
// The reports let a driving script (and the real-window test) check what the
// controls received: "edit <id> <hex of the GBK text>", "combo <index> <text>",
// "dropdown <x> <y> <w> <h> <row height>" (the open list in screen coordinates).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "win/commctrl.h"
#include "win/commdlg.h"
#include "win/gdi.h"
#include "win/kernel.h"
#include "win/testhooks.h"
#include "win/user.h"

namespace {

enum {
    kEdit = 10, kMemo, kCombo, kGroup, kOk, kCheck, kRadio1, kRadio2, kScroll, kProgress, kUpDown, kSave, kOpen,
    kColour, kFont, kOwner, kPalette
};
constexpr int kMainX = 40, kMainY = 40, kMainW = 640, kMainH = 420;

HWND g_main = 0, g_progress = 0, g_scroll = 0, g_tip = 0;
HBRUSH g_memo_brush = 0;
COLORREF g_colour = RGB(0, 0, 160);

void Say(const std::string& s) {
    std::printf("%s\n", s.c_str());
    std::fflush(stdout);
}

std::string Hex(const std::string& s) {
    std::string out;
    char b[3];
    for (unsigned char c : s) {
        std::snprintf(b, sizeof b, "%02x", c);
        out += b;
    }
    return out;
}

std::string TextOf(HWND h) {
    int n = GetWindowTextLengthA(h);
    std::string s(static_cast<size_t>(n) + 1, '\0');
    GetWindowTextA(h, s.data(), n + 1);
    s.resize(static_cast<size_t>(n));
    return s;
}

const COLORREF kCells[8] = {RGB(0, 0, 0), RGB(128, 0, 0), RGB(0, 128, 0), RGB(0, 0, 128),
                            RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 255)};

LRESULT CALLBACK PaletteProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(h, &ps);
        for (int i = 0; i < 8; ++i) {
            RECT r{i * 20, 0, i * 20 + 18, 18};
            HBRUSH b = CreateSolidBrush(kCells[i]);
            FillRect(dc, &r, b);
            DeleteObject(b);
        }
        EndPaint(h, &ps);
        return 0;
    }
    return DefWindowProcA(h, m, w, l);
}

void Command(HWND h, int id, int code, HWND ctl) {
    switch (id) {
        case kEdit:
        case kMemo:
            if (code == EN_CHANGE) Say("edit " + std::to_string(id) + " " + Hex(TextOf(ctl)));
            break;
        case kCombo:
            if (code == CBN_DROPDOWN) {
                RECT r;
                GetWindowRect(ctl, &r);
                LRESULT ih = SendMessageA(ctl, CB_GETITEMHEIGHT, 0, 0);
                Say("dropdown " + std::to_string(r.left) + " " + std::to_string(r.bottom) + " " +
                    std::to_string(r.right - r.left) + " " + std::to_string(8 * ih) + " " + std::to_string(ih));
            } else if (code == CBN_SELENDCANCEL) {
                Say("combo cancelled");
            } else if (code == CBN_SELENDOK) {
                int i = static_cast<int>(SendMessageA(ctl, CB_GETCURSEL, 0, 0));
                Say("combo " + std::to_string(i) + " " + TextOf(ctl));
            }
            break;
        case kOk:
            if (code == BN_CLICKED) Say("button ok");
            break;
        case kSave: {
            char file[MAX_PATH] = "signature.png";
            OPENFILENAMEA o{};
            o.lStructSize = sizeof o;
            o.hwndOwner = h;
            o.lpstrFilter = "PNG (*.png)\0*.png\0\xcb\xf9\xd3\xd0\xce\xc4\xbc\xfe (*.*)\0*.*\0\0";
            o.nFilterIndex = 1;
            o.lpstrFile = file;
            o.nMaxFile = sizeof file;
            o.lpstrDefExt = "png";
            o.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
            Say(GetSaveFileNameA(&o) ? std::string("saved ") + file : "save cancelled");
            break;
        }
        case kOpen: {
            char file[MAX_PATH] = "";
            OPENFILENAMEA o{};
            o.lStructSize = sizeof o;
            o.hwndOwner = h;
            o.lpstrFilter = "\xcb\xf9\xd3\xd0\xce\xc4\xbc\xfe (*.*)\0*.*\0\0";
            o.lpstrFile = file;
            o.nMaxFile = sizeof file;
            o.Flags = OFN_HIDEREADONLY | OFN_FILEMUSTEXIST;
            Say(GetOpenFileNameA(&o) ? std::string("opened ") + file : "open cancelled");
            break;
        }
        case kColour: {
            CHOOSECOLORA c{};
            static COLORREF custom[16];
            c.lStructSize = sizeof c;
            c.hwndOwner = h;
            c.rgbResult = g_colour;
            c.lpCustColors = custom;
            c.Flags = CC_RGBINIT | CC_FULLOPEN | CC_ANYCOLOR;
            if (ChooseColorA(&c)) {
                g_colour = c.rgbResult;
                SendMessageA(g_progress, PBM_SETBARCOLOR, 0, static_cast<LPARAM>(g_colour));
                char b[32];
                std::snprintf(b, sizeof b, "colour %06X", static_cast<unsigned>(g_colour));
                Say(b);
            } else {
                Say("colour cancelled");
            }
            break;
        }
        case kFont: {
            LOGFONTA lf{};
            std::strcpy(lf.lfFaceName, "\xcb\xce\xcc\xe5");  // 宋体
            CHOOSEFONTA f{};
            f.lStructSize = sizeof f;
            f.hwndOwner = h;
            f.lpLogFont = &lf;
            f.Flags = CF_SCREENFONTS | CF_EFFECTS | CF_INITTOLOGFONTSTRUCT;
            Say(ChooseFontA(&f) ? std::string("font ") + lf.lfFaceName : "font cancelled");
            break;
        }
        default: break;
    }
}

LRESULT CALLBACK MainProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    switch (m) {
        case WM_COMMAND: Command(h, LOWORD(w), static_cast<short>(HIWORD(w)), static_cast<HWND>(l)); return 0;
        case WM_VSCROLL:
            if (static_cast<HWND>(l) == g_scroll) {
                int pos = GetScrollPos(g_scroll, SB_CTL);
                switch (LOWORD(w)) {
                    case SB_LINEUP: pos -= 1; break;
                    case SB_LINEDOWN: pos += 1; break;
                    case SB_PAGEUP: pos -= 10; break;
                    case SB_PAGEDOWN: pos += 10; break;
                    case SB_THUMBTRACK: case SB_THUMBPOSITION: pos = static_cast<short>(HIWORD(w)); break;
                    case SB_TOP: pos = 0; break;
                    case SB_BOTTOM: pos = 100; break;
                    default: break;
                }
                SetScrollPos(g_scroll, SB_CTL, pos, TRUE);
                SendMessageA(g_progress, PBM_SETPOS, static_cast<WPARAM>(GetScrollPos(g_scroll, SB_CTL)), 0);
            }
            return 0;
        case WM_CTLCOLOREDIT:
            if (GetDlgCtrlID(static_cast<HWND>(l)) == kMemo) {
                SetTextColor(static_cast<HDC>(w), RGB(0, 0, 128));
                SetBkColor(static_cast<HDC>(w), RGB(255, 255, 225));
                return static_cast<LRESULT>(g_memo_brush);
            }
            break;
        case WM_DRAWITEM: {
            auto* di = reinterpret_cast<DRAWITEMSTRUCT*>(l);
            HBRUSH b = CreateSolidBrush(g_colour);
            FillRect(di->hDC, &di->rcItem, b);
            DeleteObject(b);
            if (di->itemState & ODS_FOCUS) DrawFocusRect(di->hDC, &di->rcItem);
            return TRUE;
        }
        case WM_DESTROY: PostQuitMessage(0); return 0;
        default: break;
    }
    return DefWindowProcA(h, m, w, l);
}

HWND Ctl(const char* cls, const char* text, DWORD style, int x, int y, int w, int h, int id, DWORD ex = 0) {
    return CreateWindowExA(ex, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, g_main, static_cast<HMENU>(id), 0,
                           nullptr);
}

void Build() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = MainProc;
    wc.hbrBackground = static_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.hCursor = LoadCursorA(0, IDC_ARROW);
    wc.lpszClassName = "ControlsDemo";
    RegisterClassA(&wc);
    WNDCLASSA pc = wc;
    pc.lpfnWndProc = PaletteProc;
    pc.lpszClassName = "ControlsDemoPalette";
    RegisterClassA(&pc);
    g_memo_brush = CreateSolidBrush(RGB(255, 255, 225));
    g_main = CreateWindowExA(0, "ControlsDemo", "controls-demo", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, kMainX, kMainY,
                             kMainW, kMainH, 0, 0, 0, nullptr);
    if (!g_main) return;
    Ctl("EDIT", "", WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP, 20, 20, 200, 24, kEdit, WS_EX_CLIENTEDGE);
    Ctl("EDIT", "\xb6\xe0\xd0\xd0\xce\xc4\xb1\xbe\r\nmulti-line text that wraps at word boundaries inside the box",
        ES_MULTILINE | ES_WANTRETURN | WS_VSCROLL | WS_BORDER, 20, 56, 200, 90, kMemo, WS_EX_CLIENTEDGE);  // 多行文本
    HWND combo = Ctl("COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 240, 20, 160, 200, kCombo);
    const char* items[] = {"\xba\xda\xcc\xe5", "\xcb\xce\xcc\xe5", "\xbf\xac\xcc\xe5", "Sans", "Serif", "Mono",
                           "\xc1\xa5\xca\xe9", "\xd0\xd0\xca\xe9", "\xb2\xdd\xca\xe9", "\xd7\xad\xca\xe9"};  // 黑体 宋体 楷体 … 隶书 行书 草书 篆书
    for (const char* s : items) SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
    SendMessageA(combo, CB_SETCURSEL, 0, 0);
    Ctl("EDIT", "secret", ES_PASSWORD | WS_BORDER, 240, 56, 160, 24, 0, WS_EX_CLIENTEDGE);
    Ctl("BUTTON", "\xd1\xa1\xcf\xee", BS_GROUPBOX, 420, 10, 200, 140, kGroup);  // 选项
    Ctl("BUTTON", "\xb4\xd6\xcc\xe5", BS_AUTOCHECKBOX | WS_TABSTOP, 432, 32, 170, 22, kCheck);  // 粗体
    HWND r1 = Ctl("BUTTON", "\xd7\xf3\xb6\xd4\xc6\xeb", BS_AUTORADIOBUTTON, 432, 58, 170, 22, kRadio1);  // 左对齐
    Ctl("BUTTON", "\xd3\xd2\xb6\xd4\xc6\xeb", BS_AUTORADIOBUTTON, 432, 84, 170, 22, kRadio2);  // 右对齐
    SendMessageA(r1, BM_SETCHECK, BST_CHECKED, 0);
    Ctl("BUTTON", "", BS_OWNERDRAW, 432, 112, 170, 28, kOwner);
    g_scroll = Ctl("SCROLLBAR", "", SBS_VERT, 240, 92, 17, 160, kScroll);
    SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 109, 10, 30, 0};
    SetScrollInfo(g_scroll, SB_CTL, &si, TRUE);
    g_progress = Ctl(PROGRESS_CLASSA, "", 0, 20, 160, 200, 18, kProgress);
    SendMessageA(g_progress, PBM_SETPOS, 30, 0);
    SendMessageA(g_progress, PBM_SETBARCOLOR, 0, static_cast<LPARAM>(g_colour));
    HWND smooth = Ctl(PROGRESS_CLASSA, "", PBS_SMOOTH, 20, 186, 200, 18, 0);
    SendMessageA(smooth, PBM_SETPOS, 65, 0);
    HWND vert = Ctl(PROGRESS_CLASSA, "", PBS_VERTICAL, 270, 92, 18, 160, 0);
    SendMessageA(vert, PBM_SETPOS, 45, 0);
    HWND buddy = Ctl("EDIT", "12", WS_BORDER | ES_NUMBER, 300, 92, 60, 22, 0, WS_EX_CLIENTEDGE);
    HWND ud = Ctl(UPDOWN_CLASSA, "", UDS_SETBUDDYINT, 360, 92, 16, 22, kUpDown);
    SendMessageA(ud, UDM_SETRANGE, 0, MAKELPARAM(72, 6));
    SendMessageA(ud, UDM_SETPOS, 0, MAKELPARAM(12, 0));
    SendMessageA(ud, UDM_SETBUDDY, static_cast<WPARAM>(buddy), 0);
    HWND pal = Ctl("ControlsDemoPalette", "", 0, 300, 130, 160, 18, kPalette);
    g_tip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, "", WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, g_main, 0, 0, nullptr);
    const char* names[8] = {"\xba\xda", "\xb0\xb5\xba\xec", "\xb0\xb5\xc2\xcc", "\xb0\xb5\xc0\xb6",
                            "\xba\xec", "\xc2\xcc", "\xc0\xb6", "\xb0\xd7"};  // 黑 暗红 暗绿 暗蓝 红 绿 蓝 白
    for (int i = 0; i < 8; ++i) {
        TOOLINFOA ti{};
        ti.cbSize = sizeof ti;
        ti.uFlags = TTF_SUBCLASS;
        ti.hwnd = pal;
        ti.uId = static_cast<UINT_PTR>(i + 1);
        ti.rect = RECT{i * 20, 0, i * 20 + 18, 18};
        ti.lpszText = const_cast<char*>(names[i]);
        SendMessageA(g_tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
    }
    Ctl("BUTTON", "\xc8\xb7\xb6\xa8", BS_DEFPUSHBUTTON | WS_TABSTOP, 20, 220, 90, 28, kOk);       // 确定
    Ctl("BUTTON", "\xb1\xa3\xb4\xe6...", BS_PUSHBUTTON | WS_TABSTOP, 120, 220, 90, 28, kSave);    // 保存...
    Ctl("BUTTON", "\xb4\xf2\xbf\xaa...", BS_PUSHBUTTON | WS_TABSTOP, 300, 220, 90, 28, kOpen);    // 打开...
    Ctl("BUTTON", "\xd1\xd5\xc9\xab...", BS_PUSHBUTTON | WS_TABSTOP, 400, 220, 90, 28, kColour);  // 颜色...
    Ctl("BUTTON", "\xd7\xd6\xcc\xe5...", BS_PUSHBUTTON | WS_TABSTOP, 500, 220, 90, 28, kFont);    // 字体...
    Ctl("BUTTON", "\xb6\xe0\xd0\xd0\r\n\xb0\xb4\xc5\xa5", BS_PUSHBUTTON | BS_MULTILINE, 420, 160, 90, 44, 0);  // 多行 按钮
    ShowWindow(g_main, SW_SHOW);
    UpdateWindow(g_main);
}

}  // namespace

int main(int argc, char** argv) {
    const char* shot = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc) shot = argv[++i];
        else {
            std::fprintf(stderr, "usage: controls-demo [--screenshot FILE]\n");
            return 2;
        }
    }
    if (shot) setenv("SIGDESIGNER_BACKEND", "headless", 1);
    Build();
    if (!g_main) {
        std::fprintf(stderr, "controls-demo: cannot create the main window\n");
        return 1;
    }
    if (shot) {
        SetFocus(GetDlgItem(g_main, kEdit));
        SigTestWaitIdle(500);
        bool ok = SigTestCaptureWindow(g_main, shot);
        DestroyWindow(g_main);
        if (!ok) {
            std::fprintf(stderr, "controls-demo: cannot write %s\n", shot);
            return 1;
        }
        return 0;
    }
    SetFocus(GetDlgItem(g_main, kEdit));
    Say("ready");
    MSG m;
    while (GetMessageA(&m, 0, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    return static_cast<int>(m.wParam);
}
