#include "units/button.h"

#include <iterator>

#include "libraries/picture/picture.h"
#include "libraries/picture/picture_draw.h"
#include "units/label_texts.h"

namespace units {
namespace {

using runtime::templates::ButtonData;

// ORDER ButtonProperty, after the common properties.
constexpr PropertyRecord kButtonProperties[] = {
    SIG_COMMON_PROPERTIES,
    {.kind = 1009, .flags = 0x8000},  // picture
    {.kind = 1006, .flags = 0x8000},  // type
    {.kind = 1005, .flags = 0x8000},  // caption
    {.kind = 1006, .flags = 0x8000},  // horizontal alignment
    {.kind = 1006, .flags = 0x8000},  // vertical alignment
    {.kind = 1013, .flags = 0x8000},  // font
};
static_assert(std::size(kButtonProperties) == kCommonPropertyCount + kButtonPropertyCount);
static_assert(std::size(kButtonProperties) == 14);

constexpr int32_t kLastType = 1, kLastAlignment = 2;
constexpr DWORD kHorizontalBits = BS_CENTER, kVerticalBits = BS_VCENTER;

DWORD TypeStyle(int32_t type) { return type == 1 ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON; }
DWORD HorizontalStyle(int32_t a) { return a == 0 ? BS_LEFT : a == 2 ? BS_RIGHT : BS_CENTER; }
DWORD VerticalStyle(int32_t a) { return a == 0 ? BS_TOP : a == 2 ? BS_BOTTOM : BS_VCENTER; }

void TakeBytes(std::vector<uint8_t>& into, const PropertyValue& v) {
    const auto* p = reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(v.value));
    if (!p) into.clear();
    else into.assign(p, p + v.length);
}

uint8_t* ConvertButtonTexts(const uint8_t* data, uint32_t* length, TextConvertCallback callback, uintptr_t context) {
    return ConvertStoredTexts<ButtonData>(data, length, callback, context);
}

runtime::UnitOperation LookupButton(int32_t number) {
    if (number == runtime::kOpConvertUnitTexts) return reinterpret_cast<runtime::UnitOperation>(&ConvertButtonTexts);
    return UnitOperations<ButtonUnit>::Lookup(number);
}

}  // namespace

ButtonUnit::~ButtonUnit() {
    // A handler that destroyed us while we were passing input on.
    for (ClickWatch* w = watch_; w; w = w->outer) w->alive = false;
    ReleaseImage();
    if (font_) DeleteObject(font_);
}

bool ButtonUnit::ReadData(std::span<const uint8_t> data) {
    if (!runtime::templates::ReadStoredUnitData(data, data_)) return false;
    data_.type = ClampPick(static_cast<uint32_t>(data_.type), kLastType);
    data_.horizontal_alignment = ClampPick(static_cast<uint32_t>(data_.horizontal_alignment), kLastAlignment);
    data_.vertical_alignment = ClampPick(static_cast<uint32_t>(data_.vertical_alignment), kLastAlignment);
    return true;
}

std::vector<uint8_t> ButtonUnit::SaveData() const { return runtime::templates::WriteStoredUnitData(data_); }

void ButtonUnit::ReleaseImage() {
    if (!image_) return;
    if (imageType_ == IMAGE_ICON) DestroyIcon(static_cast<HICON>(image_));
    else DeleteObject(image_);
    image_ = 0;
}

void ButtonUnit::PrepareImage() {
    ReleaseImage();
    if (data_.picture.empty()) return;
    const picture::PictureFormat kind = picture::DetectPictureFormat(data_.picture);
    if (kind == picture::PictureFormat::Ico || kind == picture::PictureFormat::Cur) {
        picture::PicturePtr pic = picture::DecodePictureFromMemory(data_.picture);
        if (pic && pic->icon) image_ = picture::IconHandleFromImage(*pic->icon);
        imageType_ = IMAGE_ICON;
    } else {
        image_ = picture::PictureToBitmap(data_.picture, GetSysColor(COLOR_BTNFACE));
        imageType_ = IMAGE_BITMAP;
    }
    // A picture that cannot be prepared leaves the caption showing; its bytes
    // stay in the property.
}

bool ButtonUnit::CreateNative(const CreateArgs& args) {
    PrepareImage();
    DWORD style = args.styles | WS_CHILD | WS_CLIPSIBLINGS | BS_MULTILINE | TypeStyle(data_.type) |
                  HorizontalStyle(data_.horizontal_alignment) | VerticalStyle(data_.vertical_alignment);
    if (image_) style |= imageType_ == IMAGE_ICON ? BS_ICON : BS_BITMAP;
    if (!CreateBound(0, "BUTTON", data_.caption.c_str(), style, args, args.parent)) return false;
    font_ = ApplyFont(hwnd_, data_.font);
    if (image_) SendMessageA(hwnd_, BM_SETIMAGE, static_cast<WPARAM>(imageType_), static_cast<LPARAM>(image_));
    return true;
}

void ButtonUnit::ReplaceStyleBits(DWORD mask, DWORD bits) {
    const DWORD style = static_cast<DWORD>(GetWindowLongA(hwnd_, GWL_STYLE));
    SetWindowLongA(hwnd_, GWL_STYLE, static_cast<LONG>((style & ~mask) | bits));
    InvalidateRect(hwnd_, nullptr, TRUE);
}

int32_t ButtonUnit::SetProperty(int32_t index, const PropertyValue& v) {
    const auto word = static_cast<uint32_t>(v.value);
    const char* text = reinterpret_cast<const char*>(static_cast<uintptr_t>(v.value));
    switch (index) {
        case kBpPicture:
            TakeBytes(data_.picture, v);
            return 1;  // the control takes a picture only when it is made
        case kBpType:
            data_.type = ClampPick(word, kLastType);
            ReplaceStyleBits(BS_TYPEMASK, TypeStyle(data_.type));
            break;
        case kBpCaption:
            data_.caption = text ? text : "";
            SetWindowTextA(hwnd_, data_.caption.c_str());
            break;
        case kBpHorizontalAlignment:
            data_.horizontal_alignment = ClampPick(word, kLastAlignment);
            ReplaceStyleBits(kHorizontalBits, HorizontalStyle(data_.horizontal_alignment));
            break;
        case kBpVerticalAlignment:
            data_.vertical_alignment = ClampPick(word, kLastAlignment);
            ReplaceStyleBits(kVerticalBits, VerticalStyle(data_.vertical_alignment));
            break;
        case kBpFont: {
            TakeBytes(data_.font, v);
            HFONT old = font_;
            font_ = ApplyFont(hwnd_, data_.font);
            if (old) DeleteObject(old);
            break;
        }
        default: return 0;
    }
    return 0;
}

bool ButtonUnit::GetProperty(int32_t index, PropertyValue* out) {
    auto word = [&](int32_t w) { *out = {static_cast<uint32_t>(w), 0}; };
    auto bytes = [&](const std::vector<uint8_t>& b) {
        *out = {reinterpret_cast<uintptr_t>(b.data()), static_cast<uint32_t>(b.size())};
    };
    switch (index) {
        case kBpPicture: bytes(data_.picture); break;
        case kBpType: word(data_.type); break;
        case kBpCaption: *out = {reinterpret_cast<uintptr_t>(data_.caption.c_str()), 0}; break;
        case kBpHorizontalAlignment: word(data_.horizontal_alignment); break;
        case kBpVerticalAlignment: word(data_.vertical_alignment); break;
        case kBpFont: bytes(data_.font); break;
        default: return false;
    }
    return true;
}

int32_t ButtonUnit::IsDefaultButton() {
    return hwnd_ && (static_cast<DWORD>(GetWindowLongA(hwnd_, GWL_STYLE)) & 0x1F) == BS_DEFPUSHBUTTON ? 1 : 0;
}

LRESULT ButtonUnit::PassInput(UINT message, WPARAM w, LPARAM l, bool clicks) {
    ClickWatch watch;
    watch.outer = watch_;
    watch_ = &watch;
    const LRESULT r = Default(message, w, l);
    if (!watch.alive) return r;
    watch_ = watch.outer;
    if (clicks && !watch.seen) Raise(0);
    return r;
}

LRESULT ButtonUnit::WindowProc(UINT message, WPARAM w, LPARAM l) {
    // The control tells its parent of a click; parents need not hand that
    // back, so the input that makes the control click is watched here with
    // the control's own rules: a left-button release after a press on the
    // button while it is still shown pressed, a Space release after a Space
    // press, BM_CLICK while enabled.
    switch (message) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            const LRESULT r = Default(message, w, l);
            tracking_ = GetCapture() == hwnd_;
            return r;
        }
        case WM_CAPTURECHANGED: tracking_ = false; break;
        case WM_KILLFOCUS:
            tracking_ = false;
            space_ = false;
            break;
        case WM_KEYDOWN:
            if (w == VK_SPACE) space_ = true;
            break;
        case WM_LBUTTONUP: {
            const bool clicks =
                tracking_ && (SendMessageA(hwnd_, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;
            tracking_ = false;
            return PassInput(message, w, l, clicks);
        }
        case WM_KEYUP: {
            const bool clicks = w == VK_SPACE && space_;
            if (w == VK_SPACE) space_ = false;
            return PassInput(message, w, l, clicks);
        }
        case BM_CLICK: return PassInput(message, w, l, IsWindowEnabled(hwnd_) != FALSE);
        case WM_COMMAND:
            // BN_CLICKED handed back by a parent that reflects notifications.
            if (static_cast<HWND>(static_cast<uint32_t>(l)) == hwnd_ && HIWORD(w) == BN_CLICKED) {
                if (watch_) watch_->seen = true;
                Raise(0);
                return 0;
            }
            break;
        case WM_DESTROY:
            SendMessageA(hwnd_, BM_SETIMAGE, IMAGE_BITMAP, 0);
            break;
        default: break;
    }
    return Default(message, w, l);
}

runtime::UnitType ButtonUnitType() {
    static const char kName[] = "按钮";
    return runtime::UnitType{
        .name = kName,
        .englishName = "Button",
        .explanation = "",
        .flags = 0x80000840,
        .propertyCount = static_cast<uint32_t>(std::size(kButtonProperties)),
        .properties = kButtonProperties,
        .lookup = &LookupButton,
    };
}

}  // namespace units
