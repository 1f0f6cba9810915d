// Writing one part of a font property: the runtime builds the 60-byte font
// description from the unit's current one and changes the named part.
#pragma once

#include <cstdint>

namespace runtime::windowing {

// member: 0 angle (modulo 3600), 1 bold, 2 italic, 3 strike-out,
// 4 underline, 5 point size, 6 face name (text pointer), -1 all parts
// from a seven-field FontBlock. Other members leave the font unchanged.
void ApplyFontMember(uint8_t font[60], int32_t member, uint64_t value, int32_t pixelsPerInchY);

}  // namespace runtime::windowing
