// TextBetween: the text between a left marker and the next right marker;
// it cuts header values and the picture path out of a reply page.
#pragma once

#include <cstdint>

#include "app/core_calls.h"

namespace app {

// The bytes after the first `left` (searched from position `start`, 1-based;
// 0 and 1 both mean the beginning) up to the next `right`. In both markers
// the placeholder for a double quote is replaced first, so callers can write
// markers that hold quotes. Either marker missing gives the empty text.
Text TextBetween(const char* text, const char* left, const char* right, int32_t start, bool ignoreCase);

}  // namespace app
