// platform-demo: two windows that exercise the window system and drawing --
// overlapping children, text in several fonts (Chinese included), bitmaps,
// a shaped window and a timer animation.
//
//   platform-demo                    show the windows (SDL), close to quit
//   platform-demo --screenshot FILE  draw headless and write the main window
//                                    as a PNG (the shaped window goes to
//                                    FILE with "-shaped" before ".png")
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "win/kernel.h"
#include "win/testhooks.h"
#include "win/user.h"

namespace {

constexpr int kMainX = 40, kMainY = 40, kMainW = 640, kMainH = 440;
constexpr int kButtonId = 101, kBoxButtonId = 102;
constexpr UINT_PTR kAnimTimer = 7;

HBITMAP g_gradient = 0;
int g_frame = 0;
int g_clicks = 0;
HWND g_ball = 0;

HFONT Font(int height, int weight, bool italic, const char* face) {
    LOGFONTA lf{};
    lf.lfHeight = height;
    lf.lfWeight = weight;
    lf.lfItalic = italic;
    lf.lfCharSet = GB2312_CHARSET;
    std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    return CreateFontIndirectA(&lf);
}

// A 64 x 64 colour gradient as a bottom-up 24-bit DIB.
HBITMAP MakeGradient() {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = 64;
    bi.bmiHeader.biHeight = 64;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bm = CreateDIBSection(0, &bi, DIB_RGB_COLORS, &bits, 0, 0);
    if (!bm) return 0;
    auto* p = static_cast<BYTE*>(bits);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            BYTE* px = p + y * 192 + x * 3;
            px[0] = static_cast<BYTE>(x * 4);
            px[1] = static_cast<BYTE>(y * 4);
            px[2] = static_cast<BYTE>(255 - x * 2);
        }
    return bm;
}

void PaintPanel(HWND h, HDC dc) {
    RECT r;
    GetClientRect(h, &r);
    int id = GetDlgCtrlID(h);
    COLORREF colours[] = {RGB(255, 228, 196), RGB(200, 230, 255), RGB(210, 255, 210)};
    HBRUSH b = CreateSolidBrush(colours[(id - 1) % 3]);
    FillRect(dc, &r, b);
    DeleteObject(b);
    DrawEdge(dc, &r, EDGE_ETCHED, BF_RECT);
    SetBkMode(dc, TRANSPARENT);
    HFONT f = Font(-14, FW_BOLD, false, "\xcb\xce\xcc\xe5");  // 宋体
    HGDIOBJ old = SelectObject(dc, f);
    char label[64];
    std::snprintf(label, sizeof label, "\xd7\xd3\xb4\xb0\xbf\xda %d", id);  // 子窗口 n
    TextOutA(dc, 8, 6, label, static_cast<int>(std::strlen(label)));
    SelectObject(dc, old);
    DeleteObject(f);
}

void PaintMain(HWND h, HDC dc) {
    RECT r;
    GetClientRect(h, &r);
    SetBkMode(dc, TRANSPARENT);
    struct Line {
        int height, weight;
        bool italic;
        const char* face;
        const char* text;
        COLORREF colour;
    } lines[] = {
        {-20, FW_BOLD, false, "\xcb\xce\xcc\xe5", "\xd2\xd5\xca\xf5\xc7\xa9\xc3\xfb\xc9\xe8\xbc\xc6 \xa1\xaa \xc6\xbd\xcc\xa8\xd1\xdd\xca\xbe",
         RGB(160, 0, 0)},  // 艺术签名设计 — 平台演示
        {-14, FW_NORMAL, false, "", "DEFAULT_GUI_FONT: \xd6\xd0\xce\xc4\xba\xcd English \xbb\xec\xc5\xc5", RGB(0, 0, 0)},  // 中文和 English 混排
        {-16, FW_NORMAL, true, "Serif", "Serif italic, 16 px", RGB(0, 0, 128)},
        {-13, FW_NORMAL, false, "Monospace", "Monospace 0123456789", RGB(0, 96, 0)},
    };
    int y = 8;
    for (auto& l : lines) {
        HFONT f = Font(l.height, l.weight, l.italic, l.face);
        HGDIOBJ old = SelectObject(dc, f);
        SetTextColor(dc, l.colour);
        TextOutA(dc, 12, y, l.text, static_cast<int>(std::strlen(l.text)));
        TEXTMETRICA tm;
        GetTextMetricsA(dc, &tm);
        y += tm.tmHeight + 4;
        SelectObject(dc, old);
        DeleteObject(f);
    }
    // The gradient bitmap at its own size and stretched with halftone.
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ oldbm = SelectObject(mem, g_gradient);
    BitBlt(dc, 12, 130, 64, 64, mem, 0, 0, SRCCOPY);
    SetStretchBltMode(dc, HALFTONE);
    StretchBlt(dc, 90, 130, 128, 96, mem, 0, 0, 64, 64, SRCCOPY);
    SelectObject(mem, oldbm);
    DeleteDC(mem);
    // Shapes with pens and brushes.
    HPEN pen = CreatePen(PS_SOLID, 2, RGB(0, 0, 160));
    HBRUSH hatch = CreateHatchBrush(HS_DIAGCROSS, RGB(0, 120, 0));
    HGDIOBJ op = SelectObject(dc, pen), ob = SelectObject(dc, hatch);
    Ellipse(dc, 236, 130, 316, 200);
    SelectObject(dc, GetStockObject(LTGRAY_BRUSH));
    RoundRect(dc, 326, 130, 406, 200, 16, 16);
    SelectObject(dc, op);
    SelectObject(dc, ob);
    DeleteObject(pen);
    DeleteObject(hatch);
    RECT box{12, r.bottom - 70, r.right - 12, r.bottom - 12};
    DrawEdge(dc, &box, EDGE_SUNKEN, BF_RECT);
    InflateRect(&box, -6, -4);
    SetTextColor(dc, RGB(0, 0, 0));
    const char* wrap =
        "\xb6\xe0\xd0\xd0\xce\xc4\xd7\xd6\xa3\xba\xb4\xcb\xb4\xa6\xb5\xc4\xce\xc4\xd7\xd6\xd3\xc9 DrawText "
        "\xb0\xb4\xbf\xed\xb6\xc8\xd7\xd4\xb6\xaf\xbb\xbb\xd0\xd0\xa3\xac\xd6\xd0\xce\xc4\xba\xcd English words "
        "\xbf\xc9\xd2\xd4\xbb\xec\xd4\xda\xd2\xbb\xc6\xf0\xa1\xa3";
    // 多行文字：此处的文字由 DrawText 按宽度自动换行，中文和 English words 可以混在一起。
    DrawTextA(dc, wrap, -1, &box, DT_WORDBREAK | DT_NOPREFIX);
}

void PaintBall(HWND h, HDC dc) {
    RECT r;
    GetClientRect(h, &r);
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    int span = r.right - 24;
    int x = static_cast<int>((std::sin(g_frame / 8.0) * 0.5 + 0.5) * span);
    HBRUSH b = CreateSolidBrush(RGB(230, 60, 30));
    HGDIOBJ ob = SelectObject(dc, b);
    HGDIOBJ op = SelectObject(dc, GetStockObject(NULL_PEN));
    Ellipse(dc, x + 2, 4, x + 22, 24);
    SelectObject(dc, ob);
    SelectObject(dc, op);
    DeleteObject(b);
}

void PaintButton(HWND h, HDC dc) {
    RECT r;
    GetClientRect(h, &r);
    bool down = GetCapture() == h;
    DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (down ? DFCS_PUSHED : 0));
    char text[64];
    GetWindowTextA(h, text, sizeof text);
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    DrawTextA(dc, text, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(dc, old);
}

LRESULT CALLBACK DemoProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    char cls[32];
    GetClassNameA(h, cls, sizeof cls);
    std::string kind = cls;
    switch (m) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(h, &ps);
            if (kind == "DemoMain") PaintMain(h, dc);
            else if (kind == "DemoPanel") PaintPanel(h, dc);
            else if (kind == "DemoBall") PaintBall(h, dc);
            else if (kind == "DemoButton") PaintButton(h, dc);
            else if (kind == "DemoShaped") {
                RECT r;
                GetClientRect(h, &r);
                r.top = 18;
                r.bottom = 62;  // above the hole of the ring
                SetBkMode(dc, TRANSPARENT);
                SetTextColor(dc, RGB(255, 255, 255));
                HFONT f = Font(-18, FW_BOLD, false, "\xcb\xce\xcc\xe5");
                HGDIOBJ old = SelectObject(dc, f);
                DrawTextA(dc, "\xd4\xb2\xd0\xce\xb4\xb0\xbf\xda", -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);  // 圆形窗口
                SelectObject(dc, old);
                DeleteObject(f);
            }
            EndPaint(h, &ps);
            return 0;
        }
        case WM_TIMER:
            if (w == kAnimTimer && g_ball) {
                ++g_frame;
                InvalidateRect(g_ball, nullptr, FALSE);
            }
            return 0;
        case WM_LBUTTONDOWN:
            if (kind == "DemoButton") {
                SetCapture(h);
                InvalidateRect(h, nullptr, FALSE);
                return 0;
            }
            if (kind == "DemoShaped") {
                // Drag the caption-less shaped window by its body.
                SendMessageA(h, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
                return 0;
            }
            break;
        case WM_LBUTTONUP:
            if (kind == "DemoButton" && GetCapture() == h) {
                ReleaseCapture();
                InvalidateRect(h, nullptr, FALSE);
                PostMessageA(GetParent(h), WM_COMMAND, static_cast<WPARAM>(GetDlgCtrlID(h)), static_cast<LPARAM>(h));
                return 0;
            }
            break;
        case WM_COMMAND:
            if (LOWORD(w) == kButtonId) {
                ++g_clicks;
                std::printf("button clicked %d\n", g_clicks);
                std::fflush(stdout);
                char title[64];
                std::snprintf(title, sizeof title, "\xb5\xe3\xbb\xf7 %d", g_clicks);  // 点击 n
                SetWindowTextA(static_cast<HWND>(l), title);
                InvalidateRect(static_cast<HWND>(l), nullptr, FALSE);
                return 0;
            }
            if (LOWORD(w) == kBoxButtonId) {
                int r = MessageBoxA(h, "\xd5\xe2\xca\xc7\xd2\xbb\xb8\xf6\xcf\xfb\xcf\xa2\xbf\xf2\xa1\xa3",  // 这是一个消息框。
                                    "\xcc\xe1\xca\xbe", MB_OK | MB_ICONASTERISK);                           // 提示
                std::printf("message box closed %d\n", r);
                std::fflush(stdout);
                return 0;
            }
            break;
        case WM_DESTROY:
            if (kind == "DemoMain") PostQuitMessage(0);
            return 0;
        default: break;
    }
    return DefWindowProcA(h, m, w, l);
}

void Register(const char* name, HBRUSH bg, UINT style = 0) {
    WNDCLASSA wc{};
    wc.style = style;
    wc.lpfnWndProc = DemoProc;
    wc.hbrBackground = bg;
    wc.hCursor = LoadCursorA(0, IDC_ARROW);
    wc.lpszClassName = name;
    RegisterClassA(&wc);
}

HWND g_main = 0, g_shaped = 0;

void Build() {
    g_gradient = MakeGradient();
    Register("DemoMain", static_cast<HBRUSH>(COLOR_BTNFACE + 1), CS_DBLCLKS);
    Register("DemoPanel", 0);
    Register("DemoBall", 0);
    Register("DemoButton", 0);
    Register("DemoShaped", CreateSolidBrush(RGB(40, 90, 170)));
    g_main = CreateWindowExA(0, "DemoMain", "\xc6\xbd\xcc\xa8\xd1\xdd\xca\xbe", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                             kMainX, kMainY, kMainW, kMainH, 0, 0, 0, nullptr);  // 平台演示
    // Three overlapping panels; the later ones are above.
    for (int i = 0; i < 3; ++i)
        CreateWindowExA(0, "DemoPanel", "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 420 + i * 40, 10 + i * 40, 160,
                        90, g_main, static_cast<HMENU>(i + 1), 0, nullptr);
    g_ball = CreateWindowExA(0, "DemoBall", "", WS_CHILD | WS_VISIBLE, 12, 240, 400, 28, g_main, 0, 0, nullptr);
    CreateWindowExA(0, "DemoButton", "\xb5\xe3\xce\xd2", WS_CHILD | WS_VISIBLE, 420, 240, 90, 28, g_main,
                    static_cast<HMENU>(kButtonId), 0, nullptr);  // 点我
    CreateWindowExA(0, "DemoButton", "\xcf\xfb\xcf\xa2\xbf\xf2", WS_CHILD | WS_VISIBLE, 520, 240, 90, 28, g_main,
                    static_cast<HMENU>(kBoxButtonId), 0, nullptr);  // 消息框
    SetTimer(g_main, kAnimTimer, 40, nullptr);
    g_shaped = CreateWindowExA(WS_EX_TOOLWINDOW, "DemoShaped", "shaped", WS_POPUP, kMainX + kMainW + 20, kMainY + 60,
                               220, 220, 0, 0, 0, nullptr);
    HRGN outer = CreateEllipticRgn(0, 0, 220, 220), inner = CreateEllipticRgn(70, 70, 150, 150);
    CombineRgn(outer, outer, inner, RGN_DIFF);
    DeleteObject(inner);
    SetWindowRgn(g_shaped, outer, FALSE);
    ShowWindow(g_shaped, SW_SHOWNOACTIVATE);
    ShowWindow(g_main, SW_SHOW);
    UpdateWindow(g_main);
}

}  // namespace

int main(int argc, char** argv) {
    const char* shot = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc) shot = argv[++i];
        else {
            std::fprintf(stderr, "usage: platform-demo [--screenshot FILE]\n");
            return 2;
        }
    }
    if (shot) setenv("SIGDESIGNER_BACKEND", "headless", 1);
    Build();
    if (!g_main) {
        std::fprintf(stderr, "platform-demo: cannot create the main window\n");
        return 1;
    }
    if (shot) {
        // Let the animation run a few frames, then capture.
        DWORD end = GetTickCount() + 200;
        while (GetTickCount() < end) {
            SigTestWaitIdle(50);
            Sleep(10);
        }
        std::string second = shot;
        size_t dot = second.rfind(".png");
        second = dot == std::string::npos ? second + "-shaped" : second.substr(0, dot) + "-shaped.png";
        bool ok = SigTestCaptureWindow(g_main, shot) && SigTestCaptureWindow(g_shaped, second.c_str());
        DestroyWindow(g_shaped);
        DestroyWindow(g_main);
        if (!ok) {
            std::fprintf(stderr, "platform-demo: cannot write %s\n", shot);
            return 1;
        }
        return 0;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    MSG m;
    while (GetMessageA(&m, 0, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    if (IsWindow(g_shaped)) DestroyWindow(g_shaped);
    return static_cast<int>(m.wParam);
}
