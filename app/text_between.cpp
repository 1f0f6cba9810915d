#include "app/text_between.h"

namespace app {
namespace {

// Written in markers where a double quote is meant.
constexpr const char kQuotePlaceholder[] = "#引号";

Text UnquoteMarker(const char* marker) {
    return CoreText(core::kReplaceSubtext,
                    {TextArg(marker), TextArg(kQuotePlaceholder), TextArg("\""), OmittedArg(), OmittedArg(),
                     BoolArg(true)});
}

}  // namespace

Text TextBetween(const char* text, const char* left, const char* right, int32_t start, bool ignoreCase) {
    Text l = UnquoteMarker(left);
    Text r = UnquoteMarker(right);
    int32_t p = CoreInt(core::kFindText, {TextArg(text), TextArg(l), IntArg(start), BoolArg(ignoreCase)});
    if (p != -1) p += CoreInt(core::kTextLength, {TextArg(l)});
    int32_t q = CoreInt(core::kFindText, {TextArg(text), TextArg(r), IntArg(p), BoolArg(ignoreCase)});
    if (p == -1 || q == -1) return Text();
    return CoreText(core::kTextMiddle, {TextArg(text), IntArg(p), IntArg(q - p)});
}

}  // namespace app
