#include "units/colour_palette.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <vector>

#include "win/commctrl.h"
#include "win/commdlg.h"

#ifndef WM_QUERYNEWPALETTE
#define WM_QUERYNEWPALETTE 0x030Fu
#endif
#ifndef WM_PALETTECHANGED
#define WM_PALETTECHANGED 0x0311u
#endif

namespace units {
namespace {

constexpr NamedColour kColourTable[] = {
    {"黑色", RGB(0, 0, 0)},         {"藏青", RGB(0, 0, 128)},       {"墨绿", RGB(0, 128, 0)},
    {"深青", RGB(0, 128, 128)},     {"红褐", RGB(128, 0, 0)},       {"紫红", RGB(128, 0, 128)},
    {"褐绿", RGB(128, 128, 0)},     {"浅灰", RGB(192, 192, 192)},   {"灰色", RGB(128, 128, 128)},
    {"蓝色", RGB(0, 0, 255)},       {"绿色", RGB(0, 255, 0)},       {"艳青", RGB(0, 255, 255)},
    {"红色", RGB(255, 0, 0)},       {"品红", RGB(255, 0, 255)},     {"黄色", RGB(255, 255, 0)},
    {"白色", RGB(255, 255, 255)},   {"蓝灰", RGB(128, 128, 255)},   {"藏蓝", RGB(88, 48, 224)},
    {"嫩绿", RGB(128, 224, 0)},     {"青绿", RGB(0, 224, 128)},     {"黄褐", RGB(192, 96, 0)},
    {"粉红", RGB(255, 168, 255)},   {"嫩黄", RGB(216, 216, 0)},     {"银白", RGB(236, 236, 236)},
    {"紫色", RGB(144, 0, 255)},     {"天蓝", RGB(0, 136, 255)},     {"灰绿", RGB(128, 160, 128)},
    {"青蓝", RGB(0, 96, 192)},      {"橙黄", RGB(255, 128, 0)},     {"桃红", RGB(255, 80, 128)},
    {"芙红", RGB(255, 128, 192)},   {"深灰", RGB(96, 96, 96)},
};
static_assert(std::size(kColourTable) == kPaletteColourCount);

const char kPaletteClass[] = "_VU_ColourPopup";
constexpr int kLastCell = kPaletteColourCount - 1;

bool RegisterPaletteClass() {
    WNDCLASSA wc{};
    if (GetClassInfoA(0, kPaletteClass, &wc)) return true;
    wc.style = CS_SAVEBITS | CS_CLASSDC | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = DefWindowProcA;  // bound to the palette object once it exists
    wc.hCursor = 0;
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = kPaletteClass;
    return RegisterClassA(&wc) != 0;
}

void FrameWith(HDC dc, const RECT& r, COLORREF pen, HBRUSH fill) {
    HPEN p = CreatePen(PS_SOLID, 1, pen);
    HGDIOBJ op = SelectObject(dc, p);
    HGDIOBJ ob = SelectObject(dc, fill);
    Rectangle(dc, r.left, r.top, r.right, r.bottom);
    SelectObject(dc, ob);
    SelectObject(dc, op);
    DeleteObject(p);
}

void Line(HDC dc, int x0, int x1, int y, int colourIndex) {
    HPEN p = CreatePen(PS_SOLID, 1, GetSysColor(colourIndex));
    HGDIOBJ op = SelectObject(dc, p);
    MoveToEx(dc, x0, y, nullptr);
    LineTo(dc, x1, y);
    SelectObject(dc, op);
    DeleteObject(p);
}

// Where the pressed or hot look goes: raised when hot, sunken when it is the
// item the palette opened on.
void ItemEdge(HDC dc, RECT r, bool hot, bool initial) {
    if (hot) DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
    else if (initial) DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
}

}  // namespace

const NamedColour& PaletteColour(int index) {
    return kColourTable[std::clamp(index, 0, kLastCell)];
}

RECT PaletteLayout::Cell(int index) const {
    const int col = index % kPaletteColumns, row = index / kPaletteColumns;
    const int left = col * cell + margin, top = row * cell + margin + gridShift;
    return RECT{left, top, left + cell, top + cell};
}

// Hit-testing uses the very rectangles the items are drawn in, so a click
// always chooses the item under the pointer.
int PaletteLayout::ItemAt(POINT p) const {
    if (hasMore && PtInRect(&more, p)) return kItemMore;
    if (hasTransparent && PtInRect(&transparent, p)) return kItemTransparent;
    const int x = p.x - margin, y = p.y - margin - gridShift;
    if (x < 0 || y < 0 || cell <= 0) return kItemNone;
    const int col = x / cell, row = y / cell;
    if (col >= kPaletteColumns || row >= kPaletteRows) return kItemNone;
    const int index = row * kPaletteColumns + col;
    return index <= kLastCell ? index : kItemNone;
}

PaletteLayout LayoutPalette(int edge, SIZE transparentText, SIZE moreText, bool hasTransparent, bool hasMore) {
    PaletteLayout l;
    l.margin = std::max(edge, 0);
    l.cell = std::max(18, 2 * l.margin + 7);
    l.hasTransparent = hasTransparent;
    l.hasMore = hasMore;
    const int m = l.margin;
    l.width = kPaletteColumns * l.cell + 2 * m;
    l.height = kPaletteRows * l.cell + 2 * m;
    int textHeight = 0;
    if (hasTransparent || hasMore) {
        int tallest = 0, widest = 0;
        if (hasTransparent) tallest = std::max<int>(tallest, transparentText.cy), widest = std::max<int>(widest, transparentText.cx);
        if (hasMore) tallest = std::max<int>(tallest, moreText.cy), widest = std::max<int>(widest, moreText.cx);
        textHeight = tallest + 4 * m + 2;
        l.width = std::max(l.width, widest + 2 * m);
    }
    if (hasTransparent) {
        l.transparent = RECT{m, m, m + l.width - 2 * m, 2 * m + textHeight};
        l.height += 3 * m + textHeight;
        l.gridShift = (l.transparent.bottom - l.transparent.top) + m;
    }
    if (hasMore) {
        l.more = RECT{m, l.height, l.width - m, l.height + m + textHeight};
        l.height += 3 * m + textHeight;
    }
    return l;
}

int InitialPaletteItem(COLORREF colour, bool hasTransparent, bool hasMore) {
    if (colour == kTransparentColour && hasTransparent) return kItemTransparent;
    for (int i = 0; i < kPaletteColourCount; ++i)
        if (kColourTable[i].colour == colour) return i;
    return hasMore ? kItemMore : kItemNone;
}

int NextPaletteItem(int from, UINT arrow, bool hasTransparent, bool hasMore) {
    // Before the first cell: the transparent entry, else the more-colours
    // entry, else round to the last cell.
    const int beforeFirst = hasTransparent ? kItemTransparent : (hasMore ? kItemMore : kLastCell);
    // After the last cell: the more-colours entry, else the transparent entry,
    // else round to the first cell.
    const int afterLast = hasMore ? kItemMore : (hasTransparent ? kItemTransparent : 0);
    const bool cell = from >= 0 && from <= kLastCell;
    switch (arrow) {
        case VK_LEFT:
        case VK_UP: {
            if (from == kItemMore) return kLastCell;
            if (from == kItemTransparent) return hasMore ? kItemMore : kLastCell;
            if (!cell) return beforeFirst;
            const int step = arrow == VK_LEFT ? 1 : kPaletteColumns;
            return from - step >= 0 ? from - step : beforeFirst;
        }
        case VK_RIGHT:
        case VK_DOWN: {
            if (from == kItemTransparent) return 0;
            if (from == kItemMore) return hasTransparent ? kItemTransparent : 0;
            if (!cell) return 0;
            const int step = arrow == VK_RIGHT ? 1 : kPaletteColumns;
            return from + step <= kLastCell ? from + step : afterLast;
        }
        default: return from;
    }
}

RECT PlacePalette(POINT at, int width, int height, int controlTop, int screenWidth, int screenHeight) {
    RECT r{at.x, at.y, at.x + width, at.y + height};
    if (r.right > screenWidth) OffsetRect(&r, screenWidth - r.right, 0);
    if (r.left < 0) OffsetRect(&r, -r.left, 0);
    if (r.bottom > screenHeight) {
        // Above the control when there is room there, else against the bottom.
        int top = controlTop - height;
        if (top < 0) top = std::max(0, screenHeight - height);
        OffsetRect(&r, 0, top - r.top);
    }
    return r;
}

HWND ColourPalette::Open(POINT bottomLeft, int controlTop, COLORREF colour, HWND control,
                         const std::string& transparentText, const std::string& moreText) {
    if (!RegisterPaletteClass()) return 0;
    // The object is bound after creation, so a failed creation leaves
    // nothing half-owned.
    HWND h = CreateWindowExA(0, kPaletteClass, "", WS_POPUP | WS_VISIBLE, bottomLeft.x, bottomLeft.y, 100, 100, control,
                             0, 0, nullptr);
    if (!h) return 0;
    auto* p = new ColourPalette;
    p->hwnd_ = h;
    p->control_ = control;
    p->transparentText_ = transparentText;
    p->moreText_ = moreText;
    p->initialColour_ = colour;
    p->current_ = colour;
    p->initial_ = InitialPaletteItem(colour, !transparentText.empty(), !moreText.empty());
    SetWindowLongPtrA(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(p));
    SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ColourPalette::Proc));
    p->Build(bottomLeft, controlTop);
    return h;
}

ColourPalette* ColourPalette::FromWindow(HWND hwnd) {
    char cls[32] = "";
    if (!hwnd || !IsWindow(hwnd) || !GetClassNameA(hwnd, cls, sizeof cls) || std::strcmp(cls, kPaletteClass) != 0)
        return nullptr;
    return reinterpret_cast<ColourPalette*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

ColourPalette::~ColourPalette() {
    if (font_) DeleteObject(font_);
    if (palette_) DeleteObject(palette_);
}

void ColourPalette::Build(POINT bottomLeft, int controlTop) {
    NONCLIENTMETRICSA ncm{};
    ncm.cbSize = sizeof ncm;
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0)) font_ = CreateFontIndirectA(&ncm.lfMessageFont);
    SIZE t{0, 0}, m{0, 0};
    if (HDC dc = GetDC(hwnd_)) {
        HGDIOBJ old = SelectObject(dc, font_ ? font_ : GetStockObject(DEFAULT_GUI_FONT));
        if (!transparentText_.empty())
            GetTextExtentPoint32A(dc, transparentText_.c_str(), static_cast<int>(transparentText_.size()), &t);
        if (!moreText_.empty()) GetTextExtentPoint32A(dc, moreText_.c_str(), static_cast<int>(moreText_.size()), &m);
        SelectObject(dc, old);
        ReleaseDC(hwnd_, dc);
    }
    layout_ = LayoutPalette(GetSystemMetrics(SM_CXEDGE), t, m, !transparentText_.empty(), !moreText_.empty());

    // A logical palette of the table, for palette displays.
    std::vector<uint8_t> block(sizeof(LOGPALETTE) + (kPaletteColourCount - 1) * sizeof(PALETTEENTRY));
    auto* lp = reinterpret_cast<LOGPALETTE*>(block.data());
    lp->palVersion = 0x300;
    lp->palNumEntries = kPaletteColourCount;
    for (int i = 0; i < kPaletteColourCount; ++i)
        lp->palPalEntry[i] = PALETTEENTRY{GetRValue(kColourTable[i].colour), GetGValue(kColourTable[i].colour),
                                          GetBValue(kColourTable[i].colour), 0};
    palette_ = CreatePalette(lp);

    RECT r = PlacePalette(bottomLeft, layout_.width, layout_.height, controlTop, GetSystemMetrics(SM_CXSCREEN),
                          GetSystemMetrics(SM_CYSCREEN));
    SetWindowPos(hwnd_, 0, r.left, r.top, layout_.width, layout_.height, SWP_NOZORDER | SWP_NOACTIVATE);

    tips_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, "", WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, hwnd_, 0, 0,
                            nullptr);
    for (int i = 0; tips_ && i < kPaletteColourCount; ++i) {
        TOOLINFOA ti{};
        ti.cbSize = sizeof ti;
        ti.uFlags = TTF_SUBCLASS;
        ti.hwnd = hwnd_;
        ti.uId = static_cast<UINT_PTR>(i + 1);
        ti.rect = layout_.Cell(i);
        ti.lpszText = const_cast<char*>(kColourTable[i].name);
        SendMessageA(tips_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
    }
    SetCapture(hwnd_);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

LRESULT CALLBACK ColourPalette::Proc(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
    auto* p = reinterpret_cast<ColourPalette*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!p) return DefWindowProcA(hwnd, message, w, l);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        delete p;
        return DefWindowProcA(hwnd, message, w, l);
    }
    return p->Handle(message, w, l);
}

LRESULT ColourPalette::Handle(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
        case WM_ERASEBKGND: return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd_, &ps);
            if (dc) Paint(dc);
            EndPaint(hwnd_, &ps);
            return 0;
        }
        case WM_QUERYNEWPALETTE: InvalidateRect(hwnd_, nullptr, FALSE); return TRUE;
        case WM_PALETTECHANGED:
            if (static_cast<HWND>(w) != hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
            return 0;
        case WM_MOUSEMOVE: {
            const int item = layout_.ItemAt(POINT{GET_X_LPARAM(l), GET_Y_LPARAM(l)});
            if (item != kItemNone) ChangeHot(item);  // between items: nothing changes
            return 0;
        }
        case WM_LBUTTONDOWN: pressed_ = true; return 0;
        case WM_LBUTTONUP: {
            if (!pressed_) return 0;
            pressed_ = false;
            RECT r;
            GetClientRect(hwnd_, &r);
            POINT p{GET_X_LPARAM(l), GET_Y_LPARAM(l)};
            const bool inside = PtInRect(&r, p);
            // The release point decides, even when no move reached us first.
            if (inside) {
                const int item = layout_.ItemAt(p);
                const HWND self = hwnd_;
                if (item != kItemNone) ChangeHot(item);
                if (FromWindow(self) != this) return 0;  // gone while the control was told
            }
            End(inside);
            return 0;
        }
        case WM_GETDLGCODE: return DLGC_WANTALLKEYS;
        case WM_KEYDOWN:
            switch (w) {
                case VK_RETURN:
                case VK_SPACE: End(true); return 0;
                case VK_ESCAPE:
                    current_ = initialColour_;
                    End(false);
                    return 0;
                case VK_LEFT:
                case VK_UP:
                case VK_RIGHT:
                case VK_DOWN:
                    ChangeHot(NextPaletteItem(hot_, static_cast<UINT>(w), layout_.hasTransparent, layout_.hasMore));
                    return 0;
                default: return 0;
            }
        case WM_KILLFOCUS:
            // The colour dialog or another of our windows took the keyboard;
            // the palette stays until the program itself is left.
            if (GetCapture() == hwnd_) ReleaseCapture();
            return 0;
        case WM_ACTIVATEAPP:
            if (!w && !dialogOpen_) End(false);
            return 0;
        default: return DefWindowProcA(hwnd_, message, w, l);
    }
}

void ColourPalette::ChangeHot(int item) {
    if (item == hot_) return;
    hot_ = item;
    InvalidateRect(hwnd_, nullptr, FALSE);
    COLORREF announced;
    if (item >= 0) {
        current_ = kColourTable[item].colour;
        announced = current_;
    } else if (item == kItemTransparent) {
        current_ = kTransparentColour;
        announced = current_;
    } else if (item == kItemMore) {
        announced = initialColour_;
    } else {
        return;
    }
    if (IsWindow(control_)) SendMessageA(control_, kColourPickerSelChange, announced, 0);
}

void ColourPalette::End(bool ok) {
    if (ending_) return;
    ending_ = true;
    const HWND self = hwnd_;
    if (GetCapture() == self) ReleaseCapture();
    if (ok && hot_ == kItemMore) {
        dialogOpen_ = true;
        static COLORREF custom[16] = {RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
                                      RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
                                      RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
                                      RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255)};
        CHOOSECOLORA cc{};
        cc.lStructSize = sizeof cc;
        cc.hwndOwner = self;
        cc.rgbResult = initialColour_ & 0x00FFFFFFu;
        cc.lpCustColors = custom;
        cc.Flags = CC_ANYCOLOR | CC_FULLOPEN | CC_RGBINIT;
        const BOOL chosen = ChooseColorA(&cc);
        // The dialog runs messages: the palette may be gone by now.
        if (FromWindow(self) != this) return;
        dialogOpen_ = false;
        if (chosen) current_ = cc.rgbResult & 0x00FFFFFFu;
        else ok = false;
    }
    if (!ok) current_ = initialColour_;
    const COLORREF colour = current_;
    const HWND control = control_;
    // The control's handlers may destroy this palette: nothing of it is used
    // after the notification.
    if (IsWindow(control)) SendMessageA(control, ok ? kColourPickerSelEndOk : kColourPickerSelEndCancel, colour, 0);
    if (IsWindow(self)) DestroyWindow(self);
}

void ColourPalette::Paint(HDC dc) {
    HPALETTE oldPalette = 0;
    if (palette_ && (GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE)) {
        oldPalette = SelectPalette(dc, palette_, FALSE);
        RealizePalette(dc);
    }
    RECT all;
    GetClientRect(hwnd_, &all);
    FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
    for (int i = 0; i < kPaletteColourCount; ++i) PaintCell(dc, i);
    HGDIOBJ oldFont = SelectObject(dc, font_ ? font_ : GetStockObject(DEFAULT_GUI_FONT));
    if (layout_.hasTransparent) PaintEntry(dc, kItemTransparent);
    if (layout_.hasMore) PaintEntry(dc, kItemMore);
    SelectObject(dc, oldFont);
    DrawEdge(dc, &all, EDGE_RAISED, BF_RECT);
    if (oldPalette) SelectPalette(dc, oldPalette, FALSE);
}

void ColourPalette::PaintCell(HDC dc, int index) {
    RECT r = layout_.Cell(index);
    const bool hot = hot_ == index, initial = initial_ == index;
    FillRect(dc, &r, GetSysColorBrush(initial && !hot ? COLOR_3DHILIGHT : COLOR_BTNFACE));
    ItemEdge(dc, r, hot, initial);
    RECT inner = r;
    InflateRect(&inner, -(layout_.margin + 1), -(layout_.margin + 1));
    HBRUSH fill = CreateSolidBrush(kColourTable[index].colour);
    FrameWith(dc, inner, GetSysColor(COLOR_3DSHADOW), fill);
    DeleteObject(fill);
}

void ColourPalette::PaintEntry(HDC dc, int item) {
    const bool more = item == kItemMore;
    RECT r = more ? layout_.more : layout_.transparent;
    const bool hot = hot_ == item, initial = initial_ == item;
    const int m = layout_.margin;
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    RECT box = r;
    if (more) {
        // Etched line between the grid and the entry.
        Line(dc, 2 * m, layout_.width - 2 * m, r.top, COLOR_3DSHADOW);
        Line(dc, 2 * m, layout_.width - 2 * m, r.top + 1, COLOR_3DHILIGHT);
        box.top += 2;
    }
    if (initial && !hot) FillRect(dc, &box, GetSysColorBrush(COLOR_3DLIGHT));
    if (!more) {
        RECT hollow = r;
        InflateRect(&hollow, -2 * m, -2 * m);
        FrameWith(dc, hollow, GetSysColor(COLOR_3DSHADOW), static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)));
    }
    ItemEdge(dc, box, hot, initial);
    const std::string& text = more ? moreText_ : transparentText_;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

}  // namespace units
