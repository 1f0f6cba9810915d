// ChooseFontA: answered from the queue; on a display, a window with the
// fontconfig families, a size box, the style boxes and the colour.
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "platform/comdlg/answers.h"
#include "platform/comdlg/modal.h"
#include "platform/kernel/codepage.h"
#include "win/commctrl.h"
#include "win/kernel.h"

namespace platform::comdlg {
namespace {

enum { kIdFace = 300, kIdSize, kIdBold, kIdItalic, kIdUnder, kIdStrike };

std::set<std::string> Families() {
    std::set<std::string> out;
    FcPattern* pat = FcPatternCreate();
    FcObjectSet* os = FcObjectSetBuild(FC_FAMILY, nullptr);
    FcFontSet* fs = FcFontList(nullptr, pat, os);
    for (int i = 0; fs && i < fs->nfont && out.size() < 2000; ++i) {
        FcChar8* fam = nullptr;
        if (FcPatternGetString(fs->fonts[i], FC_FAMILY, 0, &fam) == FcResultMatch && fam) {
            std::string g = Utf8ToGbk(reinterpret_cast<const char*>(fam));
            if (g.size() < LF_FACESIZE) out.insert(g);
        }
    }
    if (fs) FcFontSetDestroy(fs);
    FcObjectSetDestroy(os);
    FcPatternDestroy(pat);
    return out;
}

int ScreenDpi() {
    HDC dc = GetDC(0);
    int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(0, dc);
    return dpi > 0 ? dpi : 96;
}

struct FontUi {
    HWND face = 0, size = 0, bold = 0, italic = 0, under = 0, strike = 0;
};

LRESULT FontCommand(ModalWindow& m, int id, int) {
    if (id == IDOK) m.End(true);
    else if (id == IDCANCEL) m.End(false);
    return 0;
}

void Store(CHOOSEFONTA* cf, const LOGFONTA& lf, int points, COLORREF colour) {
    LOGFONTA out = lf;
    out.lfHeight = -MulDiv(points, ScreenDpi(), 72);
    *cf->lpLogFont = out;
    cf->iPointSize = points * 10;
    if (cf->Flags & CF_EFFECTS) cf->rgbColors = colour;
    cf->nFontType = static_cast<WORD>(SCREEN_FONTTYPE | (lf.lfWeight >= FW_BOLD ? BOLD_FONTTYPE : REGULAR_FONTTYPE) |
                                      (lf.lfItalic ? ITALIC_FONTTYPE : 0));
}

}  // namespace
}  // namespace platform::comdlg

using namespace platform::comdlg;

WINEXPORT BOOL ChooseFontA(LPCHOOSEFONTA cf) {
    SetDialogError(0);
    if (!cf || cf->lStructSize < sizeof(CHOOSEFONTA) || !cf->lpLogFont) {
        SetDialogError(CDERR_STRUCTSIZE);
        return FALSE;
    }
    LOGFONTA start = (cf->Flags & CF_INITTOLOGFONTSTRUCT) ? *cf->lpLogFont : LOGFONTA{};
    start.lfFaceName[LF_FACESIZE - 1] = 0;
    int dpi = ScreenDpi();
    int points = start.lfHeight ? std::max(1, MulDiv(std::abs(start.lfHeight), 72, dpi)) : 9;
    char desc[160];
    std::snprintf(desc, sizeof desc, "kind=font\nface=%s\nsize=%d\n", start.lfFaceName, points);
    Record(desc);
    if (auto a = TakeAnswer()) {
        if (a->kind != Answer::kFont) return FALSE;
        Store(cf, a->font, a->points, a->colour);
        return TRUE;
    }
    if (MustNotShow()) return FALSE;
    FontUi u;
    ModalWindow m(cf->hwndOwner, "\xd7\xd6\xcc\xe5", 360, 230, FontCommand, &u);  // 字体
    if (!m.hwnd) return FALSE;
    u.face = m.Control("COMBOBOX", "", CBS_DROPDOWN | CBS_SORT | CBS_AUTOHSCROLL | WS_VSCROLL, 10, 10, 220, 200, kIdFace);
    for (auto& f : Families()) SendMessageA(u.face, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(f.c_str()));
    SetWindowTextA(u.face, start.lfFaceName);
    u.size = m.Control("COMBOBOX", "", CBS_DROPDOWN, 240, 10, 110, 200, kIdSize);
    for (int s : {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72}) {
        char b[8];
        std::snprintf(b, sizeof b, "%d", s);
        SendMessageA(u.size, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(b));
    }
    char b[12];  // any int, sign included
    std::snprintf(b, sizeof b, "%d", points);
    SetWindowTextA(u.size, b);
    u.bold = m.Control("BUTTON", "\xb4\xd6\xcc\xe5", BS_AUTOCHECKBOX, 10, 50, 100, 22, kIdBold);          // 粗体
    u.italic = m.Control("BUTTON", "\xd0\xb1\xcc\xe5", BS_AUTOCHECKBOX, 10, 76, 100, 22, kIdItalic);      // 斜体
    u.under = m.Control("BUTTON", "\xcf\xc2\xbb\xae\xcf\xdf", BS_AUTOCHECKBOX, 10, 102, 100, 22, kIdUnder);  // 下划线
    u.strike = m.Control("BUTTON", "\xc9\xbe\xb3\xfd\xcf\xdf", BS_AUTOCHECKBOX, 10, 128, 100, 22, kIdStrike);  // 删除线
    SendMessageA(u.bold, BM_SETCHECK, start.lfWeight >= FW_BOLD, 0);
    SendMessageA(u.italic, BM_SETCHECK, start.lfItalic != 0, 0);
    SendMessageA(u.under, BM_SETCHECK, start.lfUnderline != 0, 0);
    SendMessageA(u.strike, BM_SETCHECK, start.lfStrikeOut != 0, 0);
    m.Control("BUTTON", "\xc8\xb7\xb6\xa8", BS_DEFPUSHBUTTON, 180, 190, 80, 26, IDOK);
    m.Control("BUTTON", "\xc8\xa1\xcf\xfb", BS_PUSHBUTTON, 270, 190, 80, 26, IDCANCEL);
    if (!m.Run()) return FALSE;
    LOGFONTA lf = start;
    char face[LF_FACESIZE] = "";
    GetWindowTextA(u.face, face, sizeof face);
    std::memcpy(lf.lfFaceName, face, sizeof face);
    char sz[16] = "";
    GetWindowTextA(u.size, sz, sizeof sz);
    int pts = std::clamp(std::atoi(sz), 1, 1638);
    lf.lfWeight = SendMessageA(u.bold, BM_GETCHECK, 0, 0) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = SendMessageA(u.italic, BM_GETCHECK, 0, 0) ? 1 : 0;
    lf.lfUnderline = SendMessageA(u.under, BM_GETCHECK, 0, 0) ? 1 : 0;
    lf.lfStrikeOut = SendMessageA(u.strike, BM_GETCHECK, 0, 0) ? 1 : 0;
    Store(cf, lf, pts, cf->rgbColors);
    return TRUE;
}
