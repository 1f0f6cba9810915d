// The signature request: the form that asks the service for one style, and
// the picture address scraped from the page it answers with.
//
//   app::Text address = app::RequestSignatureAddress("text", "7", 64, 0x0000FF, 0xFFFFFF);
#pragma once

#include <cstdint>

#include "app/core_calls.h"

namespace app {

// "text=...&ziti=...&sizes=...&fontcolor=%23RRGGBB&colors=%23RRGGBB&if_demo=show":
// the content as UTF-8 with every byte escaped, the style number as given,
// the size item value in decimal, both colours by their low three bytes.
Text ComposeSignatureForm(const char* content, const char* styleNumber, int32_t sizeItemValue, int32_t fontColour,
                          int32_t backgroundColour);

// The picture address in a reply page (GBK): `base` followed by the path
// between the picture tag's fixed attribute texts, or the empty text when
// the page has no such tag or the path is not one an address can carry.
Text PictureAddressFromPage(const char* page, const char* base);

// Posts the form to ServiceBaseAddress and scrapes the reply: the picture
// address, or the empty text.
Text RequestSignatureAddress(const char* content, const char* styleNumber, int32_t sizeItemValue,
                             int32_t fontColour, int32_t backgroundColour);

// The same with the content, size and colours read from the start window's
// units. Needs the combo box's item values (core command ComboGetItemValue).
Text FetchSignatureAddress(const char* styleNumber);

}  // namespace app
