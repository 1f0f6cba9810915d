#include "app/cookie_list.h"

#include <string>
#include <unordered_set>
#include <vector>

namespace app {
namespace {

constexpr std::string_view kDeletedSuffix = "=deleted";

}  // namespace

Text CookieName(const char* item) {
    int32_t eq = CoreInt(core::kFindText, {TextArg(item), TextArg("="), OmittedArg(), BoolArg(false)});
    if (eq == -1) return CoreText(core::kTrimBoth, {TextArg(item)});
    Text name = CoreText(core::kTextLeft, {TextArg(item), IntArg(eq - 1)});
    return CoreText(core::kTrimBoth, {TextArg(name)});
}

Text MergeCookies(const char* sent, const char* received) {
    Text sentBare = CoreText(core::kRemoveAllSpaces, {TextArg(sent)});
    Text receivedBare = CoreText(core::kRemoveAllSpaces, {TextArg(received)});
    TextArray sentItems = CoreTextArray(core::kSplitText, {TextArg(sentBare), TextArg(";"), OmittedArg()});
    TextArray receivedItems = CoreTextArray(core::kSplitText, {TextArg(receivedBare), TextArg(";"), OmittedArg()});

    // The received list, then the sent items whose name it lacks. Names go
    // into a set so that long lists merge in linear time.
    std::vector<std::string_view> merged;
    std::unordered_set<std::string> names;
    for (size_t i = 0; i < receivedItems.size(); ++i) {
        merged.push_back(receivedItems.at(i));
        names.insert(std::string(CookieName(receivedItems.pointer(i)).view()));
    }
    for (size_t i = 0; i < sentItems.size(); ++i)
        if (!names.contains(std::string(CookieName(sentItems.pointer(i)).view()))) merged.push_back(sentItems.at(i));

    std::string joined;
    for (std::string_view item : merged) {
        if (item.ends_with(kDeletedSuffix)) continue;
        joined.append(item);
        joined.append("; ");
    }
    if (!joined.empty()) joined.resize(joined.size() - 2);
    Text result = Text::Copy(joined);
    return DistinctJoin(result.get(), "; ");
}

Text DistinctJoin(const char* text, const char* separator) {
    TextArray items = CoreTextArray(core::kSplitText, {TextArg(text), TextArg(separator), OmittedArg()});
    std::string_view sep = runtime::TextView(separator);
    std::unordered_set<std::string_view> seen;
    std::string joined;
    for (size_t i = 0; i < items.size(); ++i) {
        if (!seen.insert(items.at(i)).second) continue;
        joined.append(items.at(i));
        joined.append(sep);
    }
    if (!joined.empty()) joined.resize(joined.size() - sep.size());
    return Text::Copy(joined);
}

}  // namespace app
