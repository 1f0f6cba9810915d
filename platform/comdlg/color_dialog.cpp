// ChooseColorA: basic colours in a grid, the custom colours, and red, green
// and blue boxes; or a queued answer.
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/comdlg/answers.h"
#include "platform/comdlg/modal.h"
#include "win/commctrl.h"
#include "win/gdi.h"
#include "win/kernel.h"

namespace platform::comdlg {
namespace {

const COLORREF kBasic[48] = {
    RGB(255, 128, 128), RGB(255, 255, 128), RGB(128, 255, 128), RGB(0, 255, 128),   RGB(128, 255, 255), RGB(0, 128, 255),
    RGB(255, 128, 192), RGB(255, 128, 255), RGB(255, 0, 0),     RGB(255, 255, 0),   RGB(128, 255, 0),   RGB(0, 255, 64),
    RGB(0, 255, 255),   RGB(0, 128, 192),   RGB(128, 128, 192), RGB(255, 0, 255),   RGB(128, 64, 64),   RGB(255, 128, 64),
    RGB(0, 255, 0),     RGB(0, 128, 128),   RGB(0, 64, 128),    RGB(128, 128, 255), RGB(128, 0, 64),    RGB(255, 0, 128),
    RGB(128, 0, 0),     RGB(255, 128, 0),   RGB(0, 128, 0),     RGB(0, 128, 64),    RGB(0, 0, 255),     RGB(0, 0, 160),
    RGB(128, 0, 128),   RGB(128, 0, 255),   RGB(64, 0, 0),      RGB(128, 64, 0),    RGB(0, 64, 0),      RGB(0, 64, 64),
    RGB(0, 0, 128),     RGB(0, 0, 64),      RGB(64, 0, 64),     RGB(64, 0, 128),    RGB(0, 0, 0),       RGB(128, 128, 0),
    RGB(128, 128, 64),  RGB(128, 128, 128), RGB(64, 128, 128),  RGB(192, 192, 192), RGB(64, 0, 64),     RGB(255, 255, 255)};

constexpr int kCell = 22, kCols = 8, kLeft = 10, kTop = 10;
enum { kIdR = 200, kIdG, kIdB };

struct ColorUi {
    COLORREF current;
    COLORREF* custom;
    HWND r = 0, g = 0, b = 0;
    bool syncing = false;
};

RECT CellRect(int i) {
    int row = i / kCols, col = i % kCols;
    return RECT{kLeft + col * kCell, kTop + row * kCell, kLeft + col * kCell + kCell - 4, kTop + row * kCell + kCell - 4};
}

void Sync(ColorUi& u) {
    u.syncing = true;
    char buf[8];
    std::snprintf(buf, sizeof buf, "%u", GetRValue(u.current));
    SetWindowTextA(u.r, buf);
    std::snprintf(buf, sizeof buf, "%u", GetGValue(u.current));
    SetWindowTextA(u.g, buf);
    std::snprintf(buf, sizeof buf, "%u", GetBValue(u.current));
    SetWindowTextA(u.b, buf);
    u.syncing = false;
}

int Read(HWND e) {
    char buf[16] = "";
    GetWindowTextA(e, buf, sizeof buf);
    return std::clamp(std::atoi(buf), 0, 255);
}

LRESULT ColorCommand(ModalWindow& m, int id, int code) {
    auto& u = *static_cast<ColorUi*>(m.data);
    if ((id == kIdR || id == kIdG || id == kIdB) && code == EN_CHANGE && !u.syncing) {
        u.current = RGB(Read(u.r), Read(u.g), Read(u.b));
        InvalidateRect(m.hwnd, nullptr, FALSE);
    } else if (id == IDOK) {
        m.End(true);
    } else if (id == IDCANCEL) {
        m.End(false);
    }
    return 0;
}

}  // namespace
}  // namespace platform::comdlg

using namespace platform::comdlg;

WINEXPORT BOOL ChooseColorA(LPCHOOSECOLORA cc) {
    SetDialogError(0);
    if (!cc || cc->lStructSize < sizeof(CHOOSECOLORA)) {
        SetDialogError(CDERR_STRUCTSIZE);
        return FALSE;
    }
    COLORREF start = (cc->Flags & CC_RGBINIT) ? (cc->rgbResult & 0xFFFFFF) : 0;
    char desc[96];
    std::snprintf(desc, sizeof desc, "kind=colour\ncolour=%06X\n", static_cast<unsigned>(start));
    Record(desc);
    if (auto a = TakeAnswer()) {
        if (a->kind != Answer::kColor) return FALSE;
        cc->rgbResult = a->colour;
        return TRUE;
    }
    if (MustNotShow()) return FALSE;
    ColorUi u{start, cc->lpCustColors};
    ModalWindow m(cc->hwndOwner, "\xd1\xd5\xc9\xab", kLeft * 2 + kCols * kCell + 150, 250, ColorCommand, &u);  // 颜色
    if (!m.hwnd) return FALSE;
    m.paint = [&](HDC dc) {
        RECT all;
        GetClientRect(m.hwnd, &all);
        FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
        for (int i = 0; i < 48; ++i) {
            RECT r = CellRect(i);
            HBRUSH b = CreateSolidBrush(kBasic[i]);
            FillRect(dc, &r, b);
            DeleteObject(b);
            if (kBasic[i] == u.current) {
                InflateRect(&r, 2, 2);
                DrawFocusRect(dc, &r);
            }
        }
        for (int i = 0; i < 16 && u.custom; ++i) {
            RECT r = CellRect(48 + i + 8);  // below a gap row
            HBRUSH b = CreateSolidBrush(u.custom[i] & 0xFFFFFF);
            FillRect(dc, &r, b);
            DeleteObject(b);
        }
        RECT sw{kLeft + kCols * kCell + 20, kTop, kLeft + kCols * kCell + 140, kTop + 60};
        HBRUSH b = CreateSolidBrush(u.current);
        FillRect(dc, &sw, b);
        DeleteObject(b);
        DrawEdge(dc, &sw, EDGE_SUNKEN, BF_RECT);
    };
    m.click = [&](int x, int y) {
        for (int i = 0; i < 48 + 8 + 16; ++i) {
            RECT r = CellRect(i);
            POINT p{x, y};
            if (!PtInRect(&r, p)) continue;
            if (i < 48) u.current = kBasic[i];
            else if (i >= 56 && u.custom) u.current = u.custom[i - 56] & 0xFFFFFF;
            else return;
            Sync(u);
            InvalidateRect(m.hwnd, nullptr, FALSE);
            return;
        }
    };
    int x = kLeft + kCols * kCell + 20;
    m.Control(kLabelClass, "R:", 0, x, 80, 30, 20, 0);
    u.r = m.Control("EDIT", "", WS_BORDER | ES_NUMBER, x + 30, 80, 60, 20, kIdR);
    m.Control(kLabelClass, "G:", 0, x, 106, 30, 20, 0);
    u.g = m.Control("EDIT", "", WS_BORDER | ES_NUMBER, x + 30, 106, 60, 20, kIdG);
    m.Control(kLabelClass, "B:", 0, x, 132, 30, 20, 0);
    u.b = m.Control("EDIT", "", WS_BORDER | ES_NUMBER, x + 30, 132, 60, 20, kIdB);
    for (HWND e : {u.r, u.g, u.b}) SendMessageA(e, EM_LIMITTEXT, 3, 0);
    m.Control("BUTTON", "\xc8\xb7\xb6\xa8", BS_DEFPUSHBUTTON, x, 180, 60, 25, IDOK);       // 确定
    m.Control("BUTTON", "\xc8\xa1\xcf\xfb", BS_PUSHBUTTON, x + 66, 180, 60, 25, IDCANCEL);  // 取消
    Sync(u);
    if (!m.Run()) return FALSE;
    cc->rgbResult = u.current;
    return TRUE;
}
