#include "units/picture_box.h"

#include <algorithm>
#include <iterator>

#include "units/label_texts.h"

namespace units {
namespace {

using runtime::templates::PictureBoxData;

// ORDER PictureBoxProperty, after the common properties.
constexpr PropertyRecord kPictureBoxProperties[] = {
    SIG_COMMON_PROPERTIES,
    {.kind = 1006, .flags = 0x8000},  // border
    {.kind = 1017, .flags = 0x8000},  // background colour
    {.kind = 1009, .flags = 0x8000},  // picture
    {.kind = 1006, .flags = 0x8001},  // placement
    {.kind = 1003, .flags = 0x8000},  // play animation
    {.kind = 1018, .flags = 0x8000},  // data source
    {.kind = 1020, .flags = 0x8000},  // data column
};
static_assert(std::size(kPictureBoxProperties) == kCommonPropertyCount + kPictureBoxPropertyCount);
static_assert(std::size(kPictureBoxProperties) == 15);

const char kClassName[] = "_VU_PicBox";

// Only stored data can carry it: the unit takes the picture's size.
constexpr int32_t kPlacementFitUnit = 3;

const char* TextOf(const PropertyValue& v) {
    const char* t = reinterpret_cast<const char*>(static_cast<uintptr_t>(v.value));
    return t ? t : "";
}

runtime::UnitOperation LookupPictureBox(int32_t number) {
    if (number == runtime::kOpConvertUnitTexts)
        return reinterpret_cast<runtime::UnitOperation>(&ConvertStoredTexts<PictureBoxData>);
    return UnitOperations<PictureBoxUnit>::Lookup(number);
}

}  // namespace

RECT PicturePlacementRect(int32_t placement, int32_t cw, int32_t ch, int32_t pw, int32_t ph) {
    switch (placement) {
        case 1:
        case kPlacementFitUnit: return {0, 0, cw, ch};
        case 2: break;
        default: return {0, 0, pw, ph};
    }
    int32_t w = pw, h = ph;
    if (pw > 0 && ph > 0 && (cw < pw || ch < ph)) {
        // min(cw / pw, ch / ph) without floating point; sizes truncate.
        if (static_cast<int64_t>(cw) * ph <= static_cast<int64_t>(ch) * pw) {
            w = cw;
            h = static_cast<int32_t>(static_cast<int64_t>(ph) * cw / pw);
        } else {
            h = ch;
            w = static_cast<int32_t>(static_cast<int64_t>(pw) * ch / ph);
        }
    }
    const int32_t x = (cw - w) / 2, y = (ch - h) / 2;
    return {x, y, x + w, y + h};
}

PictureBoxUnit::~PictureBoxUnit() {
    DropPicture();
    if (brush_) DeleteObject(brush_);
}

bool PictureBoxUnit::ReadData(std::span<const uint8_t> data) {
    return runtime::templates::ReadStoredUnitData(data, data_);
}

std::vector<uint8_t> PictureBoxUnit::SaveData() const { return runtime::templates::WriteStoredUnitData(data_); }

bool PictureBoxUnit::CreateNative(const CreateArgs& args) {
    if (!RegisterUnitClass(kClassName)) return false;
    if (!CreateBound(0, kClassName, "", args.styles | WS_CHILD | WS_CLIPSIBLINGS, args, args.parent)) return false;
    // Design mode never animates.
    animate_ = !DesignMode() && data_.play_animation;
    ApplyBackColour();
    // The frame first: placement 3 sizes the client area, inside it.
    ApplyBorderStyle(hwnd_, data_.border);
    LoadPicture();
    return true;
}

void PictureBoxUnit::ApplyBackColour() {
    back_ = ResolveBackColour(data_.background_colour);
    if (brush_) DeleteObject(brush_);
    brush_ = CreateSolidBrush(back_);
}

void PictureBoxUnit::StopAnimation() {
    if (gif_) gif_->Stop();
    gifStarted_ = false;
}

void PictureBoxUnit::DropPicture() {
    StopAnimation();
    gif_.reset();
    decoded_.reset();
    decodeTried_ = false;
    picture::ReleaseRenderedPicture(&rendered_);
    renderTried_ = false;
    format_ = picture::PictureFormat::Unknown;
}

void PictureBoxUnit::LoadPicture() {
    DropPicture();
    if (!data_.picture.empty()) {
        format_ = picture::DetectPictureFormat(data_.picture);
        if (format_ == picture::PictureFormat::Gif && animate_) {
            gif_ = std::make_unique<picture::GifPlayer>(back_);
            if (!gif_->Load(data_.picture)) {
                // A stream the player refuses shows nothing, not a still.
                gif_.reset();
                format_ = picture::PictureFormat::Unknown;
            }
        }
        // A still picture is decoded when it is first needed, so that a
        // unit that is never shown never decodes (the gallery holds 410).
        if (data_.placement == kPlacementFitUnit) FitToPicture();
    }
    if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
}

bool PictureBoxUnit::EnsureDecoded() {
    if (!decodeTried_) {
        decodeTried_ = true;
        // The format was detected at load; a GIF shown still is its first image.
        if (format_ != picture::PictureFormat::Unknown && !gif_) {
            ++decodeCount_;
            decoded_ = picture::DecodePictureFromMemory(data_.picture);
            if (decoded_ && (decoded_->width <= 0 || decoded_->height <= 0)) decoded_.reset();
        }
    }
    return decoded_ != nullptr;
}

bool PictureBoxUnit::PictureSize(int32_t* width, int32_t* height) {
    if (gif_) {
        *width = gif_->width();
        *height = gif_->height();
    } else if (rendered_.bitmap || rendered_.icon) {
        *width = rendered_.width;
        *height = rendered_.height;
    } else if (EnsureDecoded()) {
        *width = decoded_->width;
        *height = decoded_->height;
    } else {
        return false;
    }
    return *width > 0 && *height > 0;
}

void PictureBoxUnit::FitToPicture() {
    int32_t pw = 0, ph = 0;
    if (!hwnd_ || !PictureSize(&pw, &ph)) return;
    // The thread must not draw while the window changes size; the next
    // paint starts it again.
    StopAnimation();
    RECT outer, client;
    GetWindowRect(hwnd_, &outer);
    GetClientRect(hwnd_, &client);
    const int32_t frameW = (outer.right - outer.left) - client.right;
    const int32_t frameH = (outer.bottom - outer.top) - client.bottom;
    const int32_t w = std::min(pw + frameW, runtime::kPositionLimit);
    const int32_t h = std::min(ph + frameH, runtime::kPositionLimit);
    SetWindowPos(hwnd_, 0, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void PictureBoxUnit::Paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    // Nothing of the box shows (outside its container's visible part, as
    // most of the gallery is): no picture is decoded for it until it does.
    RECT visible;
    if (GetClipBox(dc, &visible) == NULLREGION) {
        EndPaint(hwnd_, &ps);
        return;
    }
    RECT client;
    GetClientRect(hwnd_, &client);
    const bool playing = gif_ && gif_->loaded();
    int32_t pw = 0, ph = 0;
    const bool has = PictureSize(&pw, &ph);
    if (oneShot_) {
        // The animation draws this area itself; painting over it now would flash.
        if (playing && has) {
            RECT a = PicturePlacementRect(data_.placement, client.right, client.bottom, pw, ph);
            ExcludeClipRect(dc, a.left, a.top, a.right, a.bottom);
        }
        oneShot_ = false;
    }
    FillRect(dc, &client, brush_);
    if (has) {
        RECT r = PicturePlacementRect(data_.placement, client.right, client.bottom, pw, ph);
        const int32_t w = r.right - r.left, h = r.bottom - r.top;
        if (playing) {
            picture::PaintGifInWindow(gif_.get(), dc, r.left, r.top, w, h);
            // Started after drawing: the start clears the canvas, which
            // still holds the first image here.
            if (animate_ && !gif_->singleImage() && !gifStarted_) gifStarted_ = picture::StartGifInWindow(gif_.get(), hwnd_);
        } else {
            if (!renderTried_) {
                renderTried_ = true;
                ++renderCount_;
                // PNG transparency is blended against the colour in effect.
                // Once rendered, the decoded pixels are not needed again
                // unless the colour changes: the gallery keeps 410 of these.
                if (picture::RenderPicture(dc, decoded_.get(), &rendered_, back_)) decoded_.reset();
            }
            picture::RenderedPicture now = rendered_;
            now.dc = dc;
            picture::DrawRenderedPicture(now, r.left, r.top, w, h);
        }
    }
    EndPaint(hwnd_, &ps);
}

int32_t PictureBoxUnit::SetProperty(int32_t index, const PropertyValue& v) {
    const auto word = static_cast<uint32_t>(v.value);
    switch (index) {
        case kPbBorder:
            data_.border = ClampPick(word, 5);
            ApplyBorderStyle(hwnd_, data_.border);
            break;
        case kPbBackColour:
            data_.background_colour = word;
            ApplyBackColour();
            // The kept bitmap was blended against the old colour, and a
            // player composes on a canvas of the old colour: both are made again.
            picture::ReleaseRenderedPicture(&rendered_);
            renderTried_ = false;
            if (!decoded_) decodeTried_ = false;
            if (gif_) LoadPicture();
            InvalidateRect(hwnd_, nullptr, TRUE);
            break;
        case kPbPicture: {
            const auto* p = reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(v.value));
            // Kept exactly as written, whether or not it decodes.
            if (p && v.length) data_.picture.assign(p, p + v.length);
            else data_.picture.clear();
            LoadPicture();
            break;
        }
        case kPbPlacement: {
            const int32_t placement = ClampPick(word, 2);
            if (placement != data_.placement) {
                data_.placement = placement;
                InvalidateRect(hwnd_, nullptr, TRUE);
                UpdateWindow(hwnd_);
            }
            break;
        }
        case kPbPlayAnimation:
            data_.play_animation = word != 0;
            if (!DesignMode() && format_ == picture::PictureFormat::Gif && animate_ != data_.play_animation) {
                animate_ = data_.play_animation;
                if (animate_) oneShot_ = true;
                LoadPicture();
            }
            break;
        // Binding to a data source belongs to the database units, which this
        // program does not have: the names are only kept.
        case kPbDataSource: data_.data_source = TextOf(v); break;
        case kPbDataColumn: data_.data_column = TextOf(v); break;
        default: return 0;
    }
    return 0;  // never rebuilt
}

bool PictureBoxUnit::GetProperty(int32_t index, PropertyValue* out) {
    auto word = [&](uint32_t w) { *out = {w, 0}; };
    switch (index) {
        case kPbBorder: word(static_cast<uint32_t>(data_.border)); break;
        case kPbBackColour: word(data_.background_colour); break;
        case kPbPicture:
            *out = {reinterpret_cast<uintptr_t>(data_.picture.data()), static_cast<uint32_t>(data_.picture.size())};
            break;
        case kPbPlacement: word(static_cast<uint32_t>(data_.placement)); break;
        case kPbPlayAnimation: word(data_.play_animation ? 1 : 0); break;
        case kPbDataSource: *out = {reinterpret_cast<uintptr_t>(data_.data_source.c_str()), 0}; break;
        case kPbDataColumn: *out = {reinterpret_cast<uintptr_t>(data_.data_column.c_str()), 0}; break;
        default: return false;
    }
    return true;
}

LRESULT PictureBoxUnit::WindowProc(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
        case WM_ERASEBKGND: return 1;  // the paint fills the background
        case WM_PAINT: Paint(); return 0;
        case WM_DESTROY:
            // The thread must be gone before the window is.
            DropPicture();
            break;
        default: {
            if (LRESULT r = 0; ReflectToChild(message, w, l, &r)) return r;
            break;
        }
    }
    return Default(message, w, l);
}

runtime::UnitType PictureBoxUnitType() {
    static const char kName[] = "图片框";
    return runtime::UnitType{
        .name = kName,
        .englishName = "PicBox",
        .explanation = "",
        .flags = 0x840100C0,
        .propertyCount = static_cast<uint32_t>(std::size(kPictureBoxProperties)),
        .properties = kPictureBoxProperties,
        .lookup = &LookupPictureBox,
    };
}

}  // namespace units
