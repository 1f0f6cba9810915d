// Rows of 8-bit palette indices written out as 24-bit BGR.
#pragma once

#include <cstddef>
#include <cstdint>

#include "libraries/picture/simd_path.h"

namespace picture::detail {

// `table` holds 256 colours as BGR0, the fourth bytes zero. Writes exactly
// width * 3 bytes. Portable writes 8- and 4-byte stores; Best, with SSE4.1,
// one 16-byte store per four pixels.
void PaletteRow8(uint8_t* dst, const uint8_t* src, size_t width, const uint8_t* table,
                 SimdPath path = SimdPath::Best);

bool PaletteRowsWideAvailable();

}  // namespace picture::detail
