#include "units/window_unit.h"

#include "libraries/picture/picture.h"
#include "libraries/picture/render.h"
#include "runtime/window_table.h"
#include "units/window_shapes.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace units {
namespace {

using runtime::templates::WindowData;

// ORDER WindowProperty, after the common properties.
constexpr PropertyRecord kWindowProperties[] = {
    SIG_COMMON_PROPERTIES,
    {.kind = 1005, .flags = 0x8000},  // title
    {.kind = 1006, .flags = 0x8000},  // border
    {.kind = 1017, .flags = 0x8000},  // background colour
    {.kind = 1009, .flags = 0x8000},  // background picture
    {.kind = 1006, .flags = 0x8001},  // picture mode
    {.kind = 1012, .flags = 0x8000},  // background music
    {.kind = 1006, .flags = 0x8001},  // play count
    {.kind = 1003, .flags = 0x8000},  // control button
    {.kind = 1003, .flags = 0x8001},  // maximise button
    {.kind = 1003, .flags = 0x8001},  // minimise button
    {.kind = 1006, .flags = 0x8000},  // position
    {.kind = 1003, .flags = 0x8000},  // movable
    {.kind = 1010, .flags = 0x8000},  // icon
    {.kind = 1003, .flags = 0x8000},  // Enter moves the focus
    {.kind = 1003, .flags = 0x8000},  // Esc closes
    {.kind = 1003, .flags = 0x8000},  // F1 help
    {.kind = 1016, .flags = 0x8001},  // help file
    {.kind = 1001, .flags = 0x8001},  // help context
    {.kind = 1003, .flags = 0x8000},  // shown in the task bar
    {.kind = 1003, .flags = 0x8000},  // free moving
    {.kind = 1006, .flags = 0x8000},  // shape
    {.kind = 1003, .flags = 0x8000},  // always on top
    {.kind = 1003, .flags = 0x8000},  // keep the title bar active
    {.kind = 1005, .flags = 0x8000},  // class name
};
static_assert(std::size(kWindowProperties) == kCommonPropertyCount + kWindowPropertyCount);
static_assert(std::size(kWindowProperties) == 32);

const char kDefaultClass[] = "QXWindow";

bool Sizeable(int32_t border) { return border == 1 || border == 3 || border == 5; }

DWORD FrameStyle(int32_t border) {
    if (border == 0) return 0;
    return WS_DLGFRAME | (Sizeable(border) ? WS_THICKFRAME : 0);
}

DWORD FrameExStyle(int32_t border) {
    if (border == 3 || border == 4) return WS_EX_TOOLWINDOW;
    if (border == 5 || border == 6) return WS_EX_CLIENTEDGE;
    return 0;
}

PropertyValue Bytes(const std::vector<uint8_t>& v) {
    return {reinterpret_cast<uintptr_t>(v.data()), static_cast<uint32_t>(v.size())};
}

void TakeBytes(std::vector<uint8_t>& into, const PropertyValue& v) {
    const auto* p = reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(v.value));
    into.assign(p, p ? p + v.length : p);
}

}  // namespace

bool WindowUnit::ReadData(std::span<const uint8_t> data) {
    return runtime::templates::ReadStoredUnitData(data, data_);
}

std::vector<uint8_t> WindowUnit::SaveData() const { return runtime::templates::WriteStoredUnitData(data_); }

DWORD WindowUnit::CaptionStyle() const {
    DWORD s = 0;
    if (data_.border != 0 && (!data_.title.empty() || data_.control_button)) {
        s |= WS_CAPTION;
        if (data_.control_button) s |= WS_SYSMENU;
    }
    if (data_.maximise_button) s |= WS_MAXIMIZEBOX;
    if (data_.minimise_button) s |= WS_MINIMIZEBOX;
    return s;
}

bool WindowUnit::CreateNative(const CreateArgs& args) {
    DWORD style = args.styles | WS_CLIPCHILDREN | CaptionStyle() | FrameStyle(data_.border);
    DWORD ex = FrameExStyle(data_.border);
    int32_t left = args.left, top = args.top;
    if (data_.position == 1) {
        left = (GetSystemMetrics(SM_CXSCREEN) - args.width) / 2;
        top = (GetSystemMetrics(SM_CYSCREEN) - args.height) / 2;
    } else if (data_.position == 2) {
        style |= WS_MINIMIZE;
    } else if (data_.position == 3 && Sizeable(data_.border)) {
        style |= WS_MAXIMIZE;
    }
    HWND owner = args.parent;
    // Without an owner, a window kept off the task bar hangs on the hidden owner.
    if (!owner && args.loaderWord && !data_.shown_in_taskbar) owner = args.loaderWord;
    // Always a pop-up: an overlapped window would be given a caption whatever
    // the border and title say.
    style |= WS_POPUP;
    // A stored name that reads as empty text (nothing before its first NUL)
    // names no class: the default one is used.
    const char* cls = data_.class_name.c_str()[0] == '\0' ? kDefaultClass : data_.class_name.c_str();
    if (!RegisterUnitClass(cls)) runtime::NotifyRuntime(runtime::kNotifyFatalError, reinterpret_cast<uintptr_t>(cls), 0);
    CreateArgs placed = args;
    placed.left = left;
    placed.top = top;
    placed.controlId = 0;
    HWND h = CreateBound(ex, cls, data_.title.c_str(), style, placed, owner);
    if (!h) return false;
    RECT rc;
    GetWindowRect(h, &rc);
    if (!(style & (WS_MAXIMIZE | WS_MINIMIZE)) && (rc.right - rc.left != args.width || rc.bottom - rc.top != args.height))
        MoveWindow(h, left, top, args.width, args.height, FALSE);
    if (data_.shape != 0) ApplyWindowShape(h, data_.shape);
    SendMessageA(h, WM_SETFONT, GetStockObject(DEFAULT_GUI_FONT), FALSE);
    if (data_.always_on_top) ApplyTopmost();
    return true;
}

void WindowUnit::ResyncCaption() {
    constexpr DWORD kBits = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    DWORD current = static_cast<DWORD>(GetWindowLongA(hwnd_, GWL_STYLE));
    DWORD wanted = (current & ~kBits) | CaptionStyle();
    if (wanted == current) return;
    SetWindowLongA(hwnd_, GWL_STYLE, static_cast<LONG>(wanted));
    SetWindowPos(hwnd_, 0, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void WindowUnit::ApplyBorder() {
    DWORD style = static_cast<DWORD>(GetWindowLongA(hwnd_, GWL_STYLE)) & ~(WS_DLGFRAME | WS_THICKFRAME);
    DWORD ex = static_cast<DWORD>(GetWindowLongA(hwnd_, GWL_EXSTYLE)) &
               ~(WS_EX_DLGMODALFRAME | WS_EX_TOOLWINDOW | WS_EX_CLIENTEDGE);
    SetWindowLongA(hwnd_, GWL_STYLE, static_cast<LONG>(style | FrameStyle(data_.border)));
    SetWindowLongA(hwnd_, GWL_EXSTYLE, static_cast<LONG>(ex | FrameExStyle(data_.border)));
    ResyncCaption();
    SetWindowPos(hwnd_, 0, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void WindowUnit::ApplyPosition() {
    if (!IsWindowVisible(hwnd_)) return;
    switch (data_.position) {
        case 0: ShowWindow(hwnd_, SW_SHOWNORMAL); break;
        case 1: {
            if (IsIconic(hwnd_) || IsZoomed(hwnd_)) ShowWindow(hwnd_, SW_RESTORE);
            RECT rc;
            GetWindowRect(hwnd_, &rc);
            int x = (GetSystemMetrics(SM_CXSCREEN) - (rc.right - rc.left)) / 2;
            int y = (GetSystemMetrics(SM_CYSCREEN) - (rc.bottom - rc.top)) / 2;
            SetWindowPos(hwnd_, 0, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            break;
        }
        case 2: ShowWindow(hwnd_, SW_MINIMIZE); break;
        default: ShowWindow(hwnd_, SW_MAXIMIZE); break;
    }
}

void WindowUnit::ApplyTopmost() {
    SetWindowPos(hwnd_, data_.always_on_top ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

int32_t WindowUnit::SetProperty(int32_t index, const PropertyValue& v) {
    const auto word = static_cast<uint32_t>(v.value);
    const char* text = reinterpret_cast<const char*>(static_cast<uintptr_t>(v.value));
    switch (index) {
        case kWpTitle:
            data_.title = text ? text : "";
            SetWindowTextA(hwnd_, data_.title.c_str());
            ResyncCaption();
            break;
        case kWpBorder: data_.border = ClampPick(word, 6); ApplyBorder(); break;
        case kWpBackColour:
            data_.background_colour = word;
            DropBackground();
            InvalidateRect(hwnd_, nullptr, TRUE);
            break;
        case kWpBackPicture:
            TakeBytes(data_.background_picture, v);
            DropBackground();
            InvalidateRect(hwnd_, nullptr, TRUE);
            break;
        case kWpPictureMode: data_.picture_mode = ClampPick(word, 3); InvalidateRect(hwnd_, nullptr, TRUE); break;
        case kWpMusic: TakeBytes(data_.background_music, v); break;
        case kWpPlayCount: data_.play_count = ClampPick(word, 2); break;
        case kWpControlButton: data_.control_button = word != 0; ResyncCaption(); break;
        case kWpMaximiseButton: data_.maximise_button = word != 0; ResyncCaption(); break;
        case kWpMinimiseButton: data_.minimise_button = word != 0; ResyncCaption(); break;
        case kWpPosition: data_.position = ClampPick(word, 3); ApplyPosition(); break;
        case kWpMovable: data_.movable = word != 0; break;
        case kWpIcon: TakeBytes(data_.icon, v); break;
        case kWpEnterMovesFocus: data_.enter_moves_focus = word != 0; break;
        case kWpEscCloses: data_.esc_closes = word != 0; break;
        case kWpF1Help: data_.f1_opens_help = word != 0; break;
        case kWpHelpFile: data_.help_file = text ? text : ""; break;
        case kWpHelpContext: data_.help_context = static_cast<int32_t>(word); break;
        case kWpTaskbar: data_.shown_in_taskbar = word != 0; break;
        case kWpFreeMoving: data_.free_moving = word != 0; break;
        case kWpShape: data_.shape = ClampPick(word, 29); ApplyWindowShape(hwnd_, data_.shape); break;
        case kWpAlwaysOnTop: data_.always_on_top = word != 0; ApplyTopmost(); break;
        case kWpKeepTitleActive: data_.keep_title_active = word != 0; break;
        case kWpClassName: data_.class_name = text ? text : ""; break;
        default: return 0;
    }
    return 0;  // the window is never rebuilt
}

bool WindowUnit::GetProperty(int32_t index, PropertyValue* out) {
    auto word = [&](uint32_t w) { *out = {w, 0}; };
    auto str = [&](const std::string& s) { *out = {reinterpret_cast<uintptr_t>(s.c_str()), 0}; };
    switch (index) {
        case kWpTitle: str(data_.title); break;
        case kWpBorder: word(data_.border); break;
        case kWpBackColour: word(data_.background_colour); break;
        case kWpBackPicture: *out = Bytes(data_.background_picture); break;
        case kWpPictureMode: word(data_.picture_mode); break;
        case kWpMusic: *out = Bytes(data_.background_music); break;
        case kWpPlayCount: word(data_.play_count); break;
        case kWpControlButton: word(data_.control_button); break;
        case kWpMaximiseButton: word(data_.maximise_button); break;
        case kWpMinimiseButton: word(data_.minimise_button); break;
        // What the window is now, never "centred".
        case kWpPosition: word(IsIconic(hwnd_) ? 2 : IsZoomed(hwnd_) ? 3 : 0); break;
        case kWpMovable: word(data_.movable); break;
        case kWpIcon: *out = Bytes(data_.icon); break;
        case kWpEnterMovesFocus: word(data_.enter_moves_focus); break;
        case kWpEscCloses: word(data_.esc_closes); break;
        case kWpF1Help: word(data_.f1_opens_help); break;
        case kWpHelpFile: str(data_.help_file); break;
        case kWpHelpContext: word(static_cast<uint32_t>(data_.help_context)); break;
        case kWpTaskbar: word(data_.shown_in_taskbar); break;
        case kWpFreeMoving: word(data_.free_moving); break;
        case kWpShape: word(data_.shape); break;
        case kWpAlwaysOnTop: word(data_.always_on_top); break;
        case kWpKeepTitleActive: word(data_.keep_title_active); break;
        case kWpClassName: str(data_.class_name); break;
        default: return false;
    }
    return true;
}

RECT BackgroundPictureRect(int32_t mode, int32_t cw, int32_t ch, int32_t pw, int32_t ph) {
    switch (mode) {
        case 0: return {0, 0, pw, ph};
        case 3: return {0, 0, cw, ch};
        default: break;
    }
    int32_t w = pw, h = ph;
    // Smaller than the picture in either dimension: scale it down, keeping
    // its proportions; otherwise natural size, centred.
    if (pw > 0 && ph > 0 && (cw < pw || ch < ph)) {
        if (static_cast<int64_t>(cw) * ph <= static_cast<int64_t>(ch) * pw) {
            w = cw;
            h = static_cast<int32_t>(static_cast<int64_t>(ph) * cw / pw);
        } else {
            h = ch;
            w = static_cast<int32_t>(static_cast<int64_t>(pw) * ch / ph);
        }
    }
    int32_t x = (cw - w) / 2, y = (ch - h) / 2;
    return {x, y, x + w, y + h};
}

bool WindowUnit::RenderBackground() {
    if (renderTried_) return renderedOk_;
    renderTried_ = true;
    if (data_.background_picture.empty()) return false;
    picture::PicturePtr pic = picture::DecodePictureFromMemory(data_.background_picture);
    // Bytes that do not decode leave the window without a background picture.
    if (!pic || !picture::RenderToBgra(*pic, ResolveBackColour(data_.background_colour), &rendered_)) return false;
    pictureWidth_ = pic->width;
    pictureHeight_ = pic->height;
    renderedOk_ = pictureWidth_ > 0 && pictureHeight_ > 0;
    return renderedOk_;
}

void WindowUnit::Paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    HBRUSH brush = CreateSolidBrush(ResolveBackColour(data_.background_colour));
    RECT client;
    GetClientRect(hwnd_, &client);
    // Tiles and stretching cover everything; the other modes leave a border
    // for the colour.
    const bool covers = RenderBackground() && (data_.picture_mode == 1 || data_.picture_mode == 3);
    if (!covers) FillRect(dc, &ps.rcPaint, brush);
    DeleteObject(brush);
    if (renderedOk_) {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bi.bmiHeader.biWidth = pictureWidth_;
        bi.bmiHeader.biHeight = -pictureHeight_;  // top-down rows
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        SetStretchBltMode(dc, HALFTONE);
        auto draw = [&](const RECT& r) {
            RECT meet;
            if (!IntersectRect(&meet, &r, &ps.rcPaint)) return;
            StretchDIBits(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, 0, 0, pictureWidth_, pictureHeight_,
                          rendered_.data(), &bi, DIB_RGB_COLORS, SRCCOPY);
        };
        if (data_.picture_mode == 1) {
            for (int32_t y = 0; y < client.bottom; y += pictureHeight_)
                for (int32_t x = 0; x < client.right; x += pictureWidth_)
                    draw(RECT{x, y, x + pictureWidth_, y + pictureHeight_});
        } else {
            draw(BackgroundPictureRect(data_.picture_mode, client.right, client.bottom, pictureWidth_, pictureHeight_));
        }
    }
    EndPaint(hwnd_, &ps);
}

void WindowUnit::MoveFocus(bool backwards) {
    std::vector<HWND> stops;
    EnumChildWindows(
        hwnd_,
        [](HWND h, LPARAM l) -> BOOL {
            if ((GetWindowLongA(h, GWL_STYLE) & WS_TABSTOP) && IsWindowVisible(h) && IsWindowEnabled(h))
                reinterpret_cast<std::vector<HWND>*>(l)->push_back(h);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&stops));
    if (stops.empty()) return;
    HWND focus = GetFocus();
    auto at = std::find(stops.begin(), stops.end(), focus);
    size_t i = at == stops.end() ? (backwards ? stops.size() - 1 : 0)
               : backwards          ? (at - stops.begin() + stops.size() - 1) % stops.size()
                                    : (at - stops.begin() + 1) % stops.size();
    SetFocus(stops[i]);
}

bool WindowUnit::SetUnitCursor(HWND over, uint32_t hitTest) {
    Unit* unit = over == hwnd_ ? (hitTest == HTCLIENT ? this : nullptr) : Unit::FromWindow(over);
    if (!unit) return false;
    auto* table = reinterpret_cast<runtime::WindowTable*>(runtime::NotifyRuntime(runtime::kNotifyGetWindowTable, 0, 0));
    auto* window = table ? table->Find(WindowId()) : nullptr;
    auto* record = window ? window->Find(unit->UnitId()) : nullptr;
    if (!record || record->cursor_handle == 0) return false;
    SetCursor(record->cursor_handle);
    return true;
}

Unit* WindowUnit::DefaultButton() const {
    struct Search {
        Unit* found = nullptr;
    } search;
    EnumChildWindows(
        hwnd_,
        [](HWND h, LPARAM l) -> BOOL {
            Unit* u = Unit::FromWindow(h);
            if (u && IsWindowEnabled(h) && u->IsDefaultButton()) {
                reinterpret_cast<Search*>(l)->found = u;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool WindowUnit::KeyHandling(const MSG& msg) {
    // Free moving: a press on the window itself drags it like its caption.
    if (msg.message == WM_LBUTTONDOWN && data_.free_moving && msg.hwnd == hwnd_) {
        ReleaseCapture();
        SendMessageA(hwnd_, WM_NCLBUTTONDOWN, HTCAPTION, msg.lParam);
        return true;
    }
    if (msg.message != WM_KEYDOWN) return false;
    // A unit that keeps the key sees it first.
    if (Unit* focused = Unit::FromWindow(GetFocus()); focused && focused->WantsKey(static_cast<uint32_t>(msg.wParam)))
        return false;
    switch (msg.wParam) {
        case VK_ESCAPE:
            if (!data_.esc_closes) return false;
            SendMessageA(hwnd_, WM_CLOSE, 0, 0);
            return true;
        case VK_TAB:
            MoveFocus(GetKeyState(VK_SHIFT) < 0);
            return true;
        case VK_RETURN: {
            HWND focus = GetFocus();
            Unit* focused = Unit::FromWindow(focus);
            if (focused && focused != this && IsWindowEnabled(focus) && focused->IsDefaultButton()) {
                focused->Raise(0);
                return true;
            }
            if (data_.enter_moves_focus && focus && IsChild(hwnd_, focus)) {
                MoveFocus(false);
                return true;
            }
            if (Unit* button = DefaultButton()) {
                button->Raise(0);
                return true;
            }
            return false;
        }
        default: return false;
    }
}

LRESULT WindowUnit::WindowProc(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
        case runtime::kMsgPreTranslate: return KeyHandling(*reinterpret_cast<const MSG*>(l)) ? 1 : 0;
        case runtime::kMsgStartState: return data_.position;
        case runtime::kMsgTemplateComplete: return 0;
        case WM_ERASEBKGND: return 1;
        case WM_SETCURSOR:
            if (SetUnitCursor(static_cast<HWND>(w), LOWORD(l))) return TRUE;
            break;
        case WM_PAINT: Paint(); return 0;
        case WM_CLOSE: {
            uint32_t result = 1;
            // Event 12 first; a handler that answers 0 keeps the window open.
            if (Raise(kWindowCloseRequest, {}, &result) && result == 0) return 0;
            if (Raise(kWindowCloseQuery, {}, &result) && result == 0) return 0;
            DestroyWindow(hwnd_);
            return 0;
        }
        case WM_QUERYENDSESSION: {
            uint32_t result = 1;
            return Raise(kWindowCloseQuery, {}, &result) && result == 0 ? 0 : 1;
        }
        case WM_DESTROY: Raise(kWindowDestroyed); break;
        case WM_MOVE: Raise(kWindowMoved); break;
        case WM_SIZE:
            if (data_.shape != 0) ApplyWindowShape(hwnd_, data_.shape);
            Raise(kWindowResized);
            break;
        case WM_ACTIVATE:
            if (LOWORD(w) != WA_INACTIVE) {
                Raise(kWindowActivated);
                if (!firstActivationSeen_) {
                    firstActivationSeen_ = true;
                    Raise(kWindowFirstActivation);
                }
            } else {
                Raise(kWindowDeactivated);
            }
            break;
        case WM_SHOWWINDOW: Raise(w ? kWindowShown : kWindowHidden); break;
        default:
            if (LRESULT r = 0; ReflectToChild(message, w, l, &r)) return r;
            break;
    }
    return Default(message, w, l);
}

const runtime::UnitType& WindowUnitType() {
    static const char kName[] = "窗口";
    static const runtime::UnitType type{
        .name = kName,
        .englishName = "window",
        .explanation = "",
        .flags = 0x800000D0,
        .propertyCount = static_cast<uint32_t>(std::size(kWindowProperties)),
        .properties = kWindowProperties,
        .lookup = &UnitOperations<WindowUnit>::Lookup,
    };
    return type;
}

}  // namespace units
