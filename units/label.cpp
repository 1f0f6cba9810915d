#include "units/label.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "libraries/picture/picture_draw.h"
#include "units/label_paint.h"
#include "units/label_texts.h"
#include "units/window_unit.h"

namespace units {
namespace {

using runtime::templates::LabelData;

const char kLabelClass[] = "_VU_Label";

// ORDER LabelProperty, after the common properties.
constexpr PropertyRecord kLabelProperties[] = {
    SIG_COMMON_PROPERTIES,
    {.kind = 1005, .flags = 0x8000},  // caption
    {.kind = 1006, .flags = 0x8000},  // text effect
    {.kind = 1006, .flags = 0x8000},  // border
    {.kind = 1001, .flags = 0x8001},  // shaded-frame width
    {.kind = 1015, .flags = 0x8001},  // shaded-frame colour 1
    {.kind = 1015, .flags = 0x8001},  // shaded-frame colour 2
    {.kind = 1015, .flags = 0x8001},  // shaded-frame colour 3
    {.kind = 1013, .flags = 0x8000},  // font
    {.kind = 1014, .flags = 0x8000},  // text colour
    {.kind = 1017, .flags = 0x8000},  // background colour
    {.kind = 1009, .flags = 0x8000},  // background picture
    {.kind = 1006, .flags = 0x8001},  // background picture mode
    {.kind = 1006, .flags = 0x8000},  // gradient background
    {.kind = 1015, .flags = 0x8001},  // gradient colour 1
    {.kind = 1015, .flags = 0x8001},  // gradient colour 2
    {.kind = 1015, .flags = 0x8001},  // gradient colour 3
    {.kind = 1006, .flags = 0x8000},  // horizontal alignment
    {.kind = 1003, .flags = 0x8000},  // word wrap
    {.kind = 1006, .flags = 0x8000},  // vertical alignment
    {.kind = 1018, .flags = 0x8000},  // data source name
    {.kind = 1020, .flags = 0x8000},  // data column name
};
static_assert(std::size(kLabelProperties) == kCommonPropertyCount + kLabelPropertyCount);
static_assert(std::size(kLabelProperties) == 29);

constexpr int32_t kLastEffect = 3, kLastBorder = 6, kLastPictureMode = 2, kLastGradient = 8, kLastAlignment = 2;

int32_t AtLeastMinimumWidth(int32_t width) { return std::max(width, kLabelMinimumFrameWidth); }

PropertyValue Bytes(const std::vector<uint8_t>& v) {
    return {reinterpret_cast<uintptr_t>(v.data()), static_cast<uint32_t>(v.size())};
}

void TakeBytes(std::vector<uint8_t>& into, const PropertyValue& v) {
    const auto* p = reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(v.value));
    if (!p) into.clear();
    else into.assign(p, p + v.length);
}

// A font for one painting: the record with the fixed quality fields, or none
// (the caller then uses the stock GUI font).
HFONT PaintFont(const std::vector<uint8_t>& bytes) {
    if (bytes.size() != sizeof(LOGFONTA)) return 0;
    LOGFONTA lf;
    std::memcpy(&lf, bytes.data(), sizeof lf);
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfOutPrecision = 0;
    lf.lfClipPrecision = 0;
    lf.lfQuality = 2;  // PROOF_QUALITY
    lf.lfPitchAndFamily = 0;
    return CreateFontIndirectA(&lf);
}

uint8_t* ConvertLabelTexts(const uint8_t* data, uint32_t* length, TextConvertCallback callback, uintptr_t context) {
    return ConvertStoredTexts<LabelData>(data, length, callback, context);
}

runtime::UnitOperation LookupLabel(int32_t number) {
    if (number == runtime::kOpConvertUnitTexts) return reinterpret_cast<runtime::UnitOperation>(&ConvertLabelTexts);
    return UnitOperations<LabelUnit>::Lookup(number);
}

}  // namespace

void NormaliseLabelData(LabelData& d) {
    d.effect = ClampPick(static_cast<uint32_t>(d.effect), kLastEffect);
    d.border = ClampPick(static_cast<uint32_t>(d.border), kLastBorder);
    d.frame_width = AtLeastMinimumWidth(d.frame_width);
    d.picture_mode = ClampPick(static_cast<uint32_t>(d.picture_mode), kLastPictureMode);
    d.gradient = ClampPick(static_cast<uint32_t>(d.gradient), kLastGradient);
    d.horizontal_alignment = ClampPick(static_cast<uint32_t>(d.horizontal_alignment), kLastAlignment);
    d.vertical_alignment = ClampPick(static_cast<uint32_t>(d.vertical_alignment), kLastAlignment);
}

bool LabelUnit::ReadData(std::span<const uint8_t> data) {
    if (!runtime::templates::ReadStoredUnitData(data, data_)) return false;
    // Stored values index lists when painting; out-of-list values are
    // treated as writing them would.
    NormaliseLabelData(data_);
    return true;
}

std::vector<uint8_t> LabelUnit::SaveData() const { return runtime::templates::WriteStoredUnitData(data_); }

bool LabelUnit::CreateNative(const CreateArgs& args) {
    if (!RegisterUnitClass(kLabelClass)) return false;
    if (!CreateBound(0, kLabelClass, data_.caption.c_str(), args.styles | WS_CHILD | WS_CLIPSIBLINGS, args,
                     args.parent))
        return false;
    ApplyBorderStyle(hwnd_, data_.border);
    return true;
}

int32_t LabelUnit::SetProperty(int32_t index, const PropertyValue& v) {
    const auto word = static_cast<uint32_t>(v.value);
    const char* text = reinterpret_cast<const char*>(static_cast<uintptr_t>(v.value));
    switch (index) {
        case kLpCaption:
            data_.caption = text ? text : "";
            SetWindowTextA(hwnd_, data_.caption.c_str());
            break;
        case kLpEffect: data_.effect = ClampPick(word, kLastEffect); break;
        case kLpBorder:
            data_.border = ClampPick(word, kLastBorder);
            // 6 is no window border: the frame is painted.
            ApplyBorderStyle(hwnd_, data_.border);
            break;
        case kLpFrameWidth: data_.frame_width = AtLeastMinimumWidth(static_cast<int32_t>(word)); break;
        case kLpFrameColour1: data_.frame_colour1 = word; break;
        case kLpFrameColour2: data_.frame_colour2 = word; break;
        case kLpFrameColour3: data_.frame_colour3 = word; break;
        case kLpFont: TakeBytes(data_.font, v); break;
        case kLpTextColour: data_.text_colour = word; break;
        case kLpBackColour:
            data_.background_colour = word;
            break;
        case kLpPicture:
            TakeBytes(data_.picture, v);
            decoded_.reset();
            break;
        case kLpPictureMode: data_.picture_mode = ClampPick(word, kLastPictureMode); break;
        case kLpGradient: data_.gradient = ClampPick(word, kLastGradient); break;
        case kLpGradientColour1: data_.gradient_colour1 = word; break;
        case kLpGradientColour2: data_.gradient_colour2 = word; break;
        case kLpGradientColour3: data_.gradient_colour3 = word; break;
        case kLpHorizontalAlignment: data_.horizontal_alignment = ClampPick(word, kLastAlignment); break;
        case kLpWordWrap: data_.word_wrap = word != 0; break;
        case kLpVerticalAlignment: data_.vertical_alignment = ClampPick(word, kLastAlignment); break;
        case kLpDataSource: data_.data_source = text ? text : ""; break;
        case kLpDataColumn: data_.data_column = text ? text : ""; break;
        default: return 0;
    }
    InvalidateRect(hwnd_, nullptr, TRUE);
    return 0;  // a label is never rebuilt
}

bool LabelUnit::GetProperty(int32_t index, PropertyValue* out) {
    auto word = [&](uint32_t w) { *out = {w, 0}; };
    auto str = [&](const std::string& s) { *out = {reinterpret_cast<uintptr_t>(s.c_str()), 0}; };
    switch (index) {
        case kLpCaption: str(data_.caption); break;
        case kLpEffect: word(data_.effect); break;
        case kLpBorder: word(data_.border); break;
        case kLpFrameWidth: word(static_cast<uint32_t>(data_.frame_width)); break;
        case kLpFrameColour1: word(data_.frame_colour1); break;
        case kLpFrameColour2: word(data_.frame_colour2); break;
        case kLpFrameColour3: word(data_.frame_colour3); break;
        case kLpFont: *out = Bytes(data_.font); break;
        case kLpTextColour: word(data_.text_colour); break;
        case kLpBackColour: word(data_.background_colour); break;
        case kLpPicture:
            // Bytes that will not decode are gone by the time anyone asks.
            Decoded();
            *out = Bytes(data_.picture);
            break;
        case kLpPictureMode: word(data_.picture_mode); break;
        case kLpGradient: word(data_.gradient); break;
        case kLpGradientColour1: word(data_.gradient_colour1); break;
        case kLpGradientColour2: word(data_.gradient_colour2); break;
        case kLpGradientColour3: word(data_.gradient_colour3); break;
        case kLpHorizontalAlignment: word(data_.horizontal_alignment); break;
        case kLpWordWrap: word(data_.word_wrap); break;
        case kLpVerticalAlignment: word(data_.vertical_alignment); break;
        case kLpDataSource: str(data_.data_source); break;
        case kLpDataColumn: str(data_.data_column); break;
        default: return false;
    }
    return true;
}

const picture::DecodedPicture* LabelUnit::Decoded() {
    if (decoded_) return decoded_.get();
    if (data_.picture.empty()) return nullptr;
    decoded_ = picture::DecodePictureFromMemory(data_.picture);
    if (!decoded_ || decoded_->width <= 0 || decoded_->height <= 0) {
        decoded_.reset();
        data_.picture.clear();
    }
    return decoded_.get();
}

bool LabelUnit::DrawBackgroundPicture(HDC dc, const RECT& content, const RECT& clip, HRGN rest) {
    const picture::DecodedPicture* pic = Decoded();
    if (!pic) return false;
    picture::RenderedPicture rendered;
    if (!picture::RenderPicture(dc, pic, &rendered, ResolveBackColour(data_.background_colour))) return false;
    const int32_t pw = rendered.width, ph = rendered.height;
    const int32_t cw = content.right - content.left, ch = content.bottom - content.top;
    auto takeOut = [&](const RECT& r) {
        HRGN drawn = CreateRectRgnIndirect(&r);
        if (drawn) {
            CombineRgn(rest, rest, drawn, RGN_DIFF);
            DeleteObject(drawn);
        }
    };
    if (data_.picture_mode == 1 && pw > 0 && ph > 0) {
        // Only the tiles that meet the clip box, starting with the first one
        // that can.
        const int32_t firstX = content.left + std::max(0, (clip.left - content.left) / pw) * pw;
        const int32_t firstY = content.top + std::max(0, (clip.top - content.top) / ph) * ph;
        for (int32_t y = firstY; y < content.bottom && y < clip.bottom; y += ph) {
            for (int32_t x = firstX; x < content.right && x < clip.right; x += pw) {
                const RECT tile{x, y, x + pw, y + ph};
                RECT meet;
                if (IntersectRect(&meet, &tile, &clip)) picture::DrawRenderedPicture(rendered, x, y, -1, -1);
            }
        }
        SetRectRgn(rest, 0, 0, 0, 0);
    } else if (data_.picture_mode == 0) {
        picture::DrawRenderedPicture(rendered, content.left, content.top, -1, -1);
        takeOut(RECT{content.left, content.top, content.left + pw, content.top + ph});
    } else {
        RECT r = BackgroundPictureRect(2, cw, ch, pw, ph);
        OffsetRect(&r, content.left, content.top);
        picture::DrawRenderedPicture(rendered, r.left, r.top, r.right - r.left, r.bottom - r.top);
        takeOut(r);
    }
    picture::ReleaseRenderedPicture(&rendered);
    return true;
}

void LabelUnit::DrawCaption(HDC dc, const RECT& content) {
    if (data_.caption.empty()) return;
    HFONT font = PaintFont(data_.font);
    HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    UINT flags = DT_NOPREFIX;
    flags |= data_.horizontal_alignment == 1 ? DT_CENTER : data_.horizontal_alignment == 2 ? DT_RIGHT : DT_LEFT;
    if (data_.word_wrap) flags |= DT_WORDBREAK;
    else flags |= DT_SINGLELINE | (data_.vertical_alignment == 0 ? DT_TOP : data_.vertical_alignment == 2 ? DT_BOTTOM : DT_VCENTER);
    const char* text = data_.caption.c_str();
    const int length = static_cast<int>(std::min<size_t>(data_.caption.size(), 0x7FFFFFFF));
    auto draw = [&](COLORREF colour, int dx, int dy) {
        RECT r = content;
        OffsetRect(&r, dx, dy);
        SetTextColor(dc, colour);
        DrawTextA(dc, text, length, &r, flags);
    };
    switch (data_.effect) {
        case 1: draw(0xFFFFFF, 1, 1); break;
        case 2: draw(0xFFFFFF, 0, 0); break;
        case 3: draw(0x000000, 2, 2); break;
        default: break;
    }
    const COLORREF colour = data_.text_colour & 0x00FFFFFFu;
    if (data_.effect == 2) draw(colour, 1, 1);
    else draw(colour, 0, 0);
    SelectObject(dc, old);
    if (font) DeleteObject(font);
}

void LabelUnit::Paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    RECT clip;
    if (!dc || GetClipBox(dc, &clip) == NULLREGION || IsRectEmpty(&clip)) {
        EndPaint(hwnd_, &ps);
        return;
    }
    RECT content;
    GetClientRect(hwnd_, &content);
    if (data_.border == kLabelShadedFrame && data_.frame_width > 0) {
        const GradientColours frame =
            CollectGradientColours(data_.frame_colour1, data_.frame_colour2, data_.frame_colour3);
        const int32_t drawn = DrawShadedFrame(dc, content, data_.frame_width, frame, clip);
        if (drawn > 0) InflateRect(&content, -drawn, -drawn);
    }
    RECT area;
    if (IntersectRect(&area, &content, &clip)) {
        IntersectClipRect(dc, content.left, content.top, content.right, content.bottom);
        HRGN rest = CreateRectRgnIndirect(&area);
        const GradientColours gradient =
            CollectGradientColours(data_.gradient_colour1, data_.gradient_colour2, data_.gradient_colour3);
        if (DrawBackgroundPicture(dc, content, area, rest)) {
            // The picture alone, whatever the gradient says.
        } else if (data_.gradient >= 1 && gradient.count >= 2) {
            FillGradient(dc, content, data_.gradient, gradient, area);
            SetRectRgn(rest, 0, 0, 0, 0);
        }
        HBRUSH brush = CreateSolidBrush(ResolveBackColour(data_.background_colour));
        if (rest) FillRgn(dc, rest, brush);
        DeleteObject(brush);
        if (rest) DeleteObject(rest);
        DrawCaption(dc, content);
    }
    EndPaint(hwnd_, &ps);
}

LRESULT LabelUnit::WindowProc(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
        case WM_ERASEBKGND: return 1;  // the paint fills everything
        case WM_PAINT: Paint(); return 0;
        case kLabelEventMessage: {
            uint32_t result = 0;
            if (!Raise(0, {static_cast<uint32_t>(w), static_cast<uint32_t>(l)}, &result)) return 0;
            return static_cast<LRESULT>(static_cast<int32_t>(result));
        }
        case WM_DESTROY: decoded_.reset(); break;
        default: break;
    }
    return Default(message, w, l);
}

runtime::UnitType LabelUnitType() {
    static const char kName[] = "标签";
    return runtime::UnitType{
        .name = kName,
        .englishName = "Label",
        .explanation = "",
        .flags = 0x84012040,
        .propertyCount = static_cast<uint32_t>(std::size(kLabelProperties)),
        .properties = kLabelProperties,
        .lookup = &LookupLabel,
    };
}

}  // namespace units
