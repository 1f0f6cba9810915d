#include "app/percent_encode.h"

#include <string>

#include "app/code_pages.h"

namespace app {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

void AppendHex(std::string& out, uint8_t byte) {
    out.push_back(kHexDigits[byte >> 4]);
    out.push_back(kHexDigits[byte & 15]);
}

bool Unreserved(uint8_t c) {
    return c == '-' || c == '.' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

Text PercentEncode(const char* text, bool keepUnreserved, bool toUtf8) {
    if (!text || !*text) return Text();
    Text utf8;
    std::string_view bytes = text;
    if (toUtf8) {
        utf8 = GbkToUtf8(text);
        bytes = utf8.view();
    }
    std::string out;
    out.reserve(bytes.size() * 3);
    for (char ch : bytes) {
        auto c = static_cast<uint8_t>(ch);
        if (keepUnreserved && Unreserved(c)) {
            out.push_back(ch);
        } else {
            out.push_back('%');
            AppendHex(out, c);
        }
    }
    return Text::Copy(out);
}

Text ColourToHex(int32_t colour) {
    auto value = static_cast<uint32_t>(colour);
    std::string out;
    for (int i = 0; i < 3; ++i) AppendHex(out, static_cast<uint8_t>(value >> (8 * i)));  // red, green, blue
    return Text::Copy(out);
}

}  // namespace app
