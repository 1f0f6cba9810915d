// Rows of 8-bit palette indices written out as 24-bit BGR.
#pragma once

#include <cstddef>
#include <cstdint>

namespace picture::detail {

// Portable: plain 64-bit stores, as the build targets. Best: byte shuffles
// where the processor has them. Both give the same bytes.
enum class RowPath { Best, Portable };

// `table` holds 256 colours as BGR0, the fourth bytes zero. Writes exactly
// width * 3 bytes.
void PaletteRow8(uint8_t* dst, const uint8_t* src, size_t width, const uint8_t* table,
                 RowPath path = RowPath::Best);

bool PaletteRowsWideAvailable();

}  // namespace picture::detail
