#include "app/address_parts.h"

#include "app/text_between.h"

namespace app {

Text HostOfAddress(const char* address, bool keepPort) {
    Text a = CoreText(core::kToLowerCase, {TextArg(address)});
    if (CoreText(core::kTextRight, {TextArg(a), IntArg(1)}).view() != "/") a = Text::Join({a.view(), "/"});
    Text host;
    if (CoreText(core::kTextLeft, {TextArg(a), IntArg(8)}).view() == "https://") {
        host = TextBetween(a.get(), "https://", "/", 0, false);
    } else {
        if (CoreInt(core::kFindText, {TextArg(a), TextArg("http://"), OmittedArg(), BoolArg(false)}) == -1)
            a = Text::Join({"http://", a.view()});
        host = TextBetween(a.get(), "http://", "/", 0, false);
    }
    if (!keepPort) {
        int32_t colon = CoreInt(core::kFindText, {TextArg(host), TextArg(":"), OmittedArg(), BoolArg(false)});
        if (colon != -1) host = CoreText(core::kTextLeft, {TextArg(host), IntArg(colon - 1)});
    }
    return host;
}

int32_t PortOfAddress(const char* address) {
    Text host = HostOfAddress(address, true);
    int32_t colon = CoreInt(core::kFindTextBackward, {TextArg(host), TextArg(":"), OmittedArg(), BoolArg(false)});
    if (colon == -1) {
        Text lower = CoreText(core::kToLowerCase, {TextArg(address)});
        return CoreText(core::kTextLeft, {TextArg(lower), IntArg(5)}).view() == "https" ? 443 : 80;
    }
    int32_t length = CoreInt(core::kTextLength, {TextArg(host)});
    Text digits = CoreText(core::kTextRight, {TextArg(host), IntArg(length - colon)});
    return CoreInt(core::kToInteger, {TextArg(digits)});
}

Text PathOfAddress(const char* address) {
    Text host = HostOfAddress(address, false);
    // The host is looked for after the scheme's "://": a host such as "t" or
    // "s" would otherwise be found inside "https://" and give a wrong path.
    int32_t from = CoreInt(core::kFindText, {TextArg(address), TextArg("://"), OmittedArg(), BoolArg(false)});
    from = from == -1 ? 1 : from + 3;
    int32_t at = CoreInt(core::kFindText, {TextArg(address), TextArg(host), IntArg(from), BoolArg(true)});
    int32_t slash = CoreInt(core::kFindText, {TextArg(address), TextArg("/"), IntArg(at), BoolArg(true)});
    if (slash == -1) return Text::Copy("/");
    int32_t length = CoreInt(core::kTextLength, {TextArg(address)});
    return CoreText(core::kTextRight, {TextArg(address), IntArg(length - slash + 1)});
}

}  // namespace app
