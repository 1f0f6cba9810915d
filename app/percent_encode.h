// Form-value encodings of the signature request: percent escapes and
// colours as six hex digits.
#pragma once

#include <cstdint>

#include "app/core_calls.h"

namespace app {

// Every byte as "%" and two upper-case hex digits; with keepUnreserved,
// "-", ".", digits and ASCII letters stay as they are. toUtf8 converts the
// GBK text to UTF-8 first. An empty text gives the empty text.
Text PercentEncode(const char* text, bool keepUnreserved, bool toUtf8);

// A 0x00BBGGRR colour as "RRGGBB" (upper-case); the top byte is ignored.
Text ColourToHex(int32_t colour);

}  // namespace app
