#include "app/signature_request.h"

#include <string>

#include "app/code_pages.h"
#include "app/percent_encode.h"
#include "app/service_address.h"
#include "app/text_between.h"
#include "app/web_access.h"

namespace app {
namespace {

// The start window and the units the request reads.
constexpr uint32_t kStartWindow = 0x52010001;
constexpr uint32_t kContentEditBox = 0x160121FE;
constexpr uint32_t kSizeComboBox = 0x16012242;
constexpr uint32_t kFontColourPicker = 0x1601220D;
constexpr uint32_t kBackgroundColourPicker = 0x1601220E;
constexpr int32_t kEditContent = 8;
constexpr int32_t kComboSelection = 19;
constexpr int32_t kPickerColour = 8;
constexpr uint32_t kComboBoxType = 0x0001000E;

// The picture tag's attribute texts around the relative path ("./img/x.png").
constexpr char kPathLeftMarker[] = "\"img-responsive center-block\" src=\".";
constexpr char kPathRightMarker[] = "\" id=\"SaveImg\" ";
static_assert(sizeof kPathLeftMarker - 1 == 36 && sizeof kPathRightMarker - 1 == 15);

// Paths longer than this are no picture name the service makes.
constexpr size_t kMaxPathLength = 2048;

// A path that would break the address it is appended to (blanks, control
// bytes, line breaks that could end up in a request) is refused.
bool UsablePath(std::string_view path) {
    if (path.empty() || path.size() > kMaxPathLength) return false;
    for (char c : path) {
        auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u == 0x7F) return false;
    }
    return true;
}

Text ColourValue(int32_t colour) {
    Text hash = PercentEncode("#", false, true);
    Text hex = ColourToHex(colour);
    return Text::Join({hash.view(), hex.view()});
}

}  // namespace

Text ComposeSignatureForm(const char* content, const char* styleNumber, int32_t sizeItemValue, int32_t fontColour,
                          int32_t backgroundColour) {
    Text text = PercentEncode(content, false, true);
    Text sizes = CoreText(core::kToText, {IntArg(sizeItemValue)});
    Text fontcolor = ColourValue(fontColour);
    Text colors = ColourValue(backgroundColour);
    return Text::Join({"text=", text.view(), "&ziti=", runtime::TextView(styleNumber), "&sizes=", sizes.view(),
                       "&fontcolor=", fontcolor.view(), "&colors=", colors.view(), "&if_demo=show"});
}

Text PictureAddressFromPage(const char* page, const char* base) {
    Text path = TextBetween(page, kPathLeftMarker, kPathRightMarker, 0, false);
    if (!UsablePath(path.view())) return Text();
    return Text::Join({runtime::TextView(base), path.view()});
}

Text RequestSignatureAddress(const char* content, const char* styleNumber, int32_t sizeItemValue,
                             int32_t fontColour, int32_t backgroundColour) {
    Text body = ComposeSignatureForm(content, styleNumber, sizeItemValue, fontColour, backgroundColour);
    Text base = ServiceBaseAddress();
    Bytes reply = WebAccess(base.get(), kWebPost, body.get());
    Text raw = CoreText(core::kToText, {runtime::MakePointerArg(reply.get(), runtime::kTypeBytes)});
    Text page = Utf8ToGbk(raw.get());
    return PictureAddressFromPage(page.get(), base.get());
}

Text FetchSignatureAddress(const char* styleNumber) {
    const runtime::RuntimeEntryTable& rt = Rt();
    Text content(reinterpret_cast<char*>(
        static_cast<uintptr_t>(rt.ReadUnitProperty(kStartWindow, kContentEditBox, kEditContent, -1))));
    auto selection = static_cast<int32_t>(rt.ReadUnitProperty(kStartWindow, kSizeComboBox, kComboSelection, -1));
    const runtime::ArgRecord combo = {kStartWindow | (uint64_t{kSizeComboBox} << 32), kComboBoxType};
    int32_t sizeItemValue = CoreInt(core::kComboGetItemValue, {combo, IntArg(selection)});
    auto fontColour = static_cast<int32_t>(rt.ReadUnitProperty(kStartWindow, kFontColourPicker, kPickerColour, -1));
    auto backgroundColour =
        static_cast<int32_t>(rt.ReadUnitProperty(kStartWindow, kBackgroundColourPicker, kPickerColour, -1));
    return RequestSignatureAddress(content.get(), styleNumber, sizeItemValue, fontColour, backgroundColour);
}

}  // namespace app
