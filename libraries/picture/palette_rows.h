// Rows of 8-, 4- and 1-bit palette indices written out as 24-bit BGR.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "libraries/picture/simd_path.h"

namespace picture::detail {

// `table` holds 256 colours as BGR0, the fourth bytes zero. Writes exactly
// width * 3 bytes. Portable writes 8- and 4-byte stores; Best, with SSE4.1,
// one 16-byte store per four pixels.
void PaletteRow8(uint8_t* dst, const uint8_t* src, size_t width, const uint8_t* table,
                 SimdPath path = SimdPath::Best);

bool PaletteRowsWideAvailable();

// Two pixels per load and store, through a table of every pair of colours
// (512 KiB). It pays on big pictures whose neighbouring pixels repeat, as in
// photographs and drawings, since the pairs in use then stay in cache; noise
// touches the whole table and runs slower than PaletteRow8.
class PairRows {
 public:
  explicit PairRows(const uint8_t* table);  // as for PaletteRow8, kept by pointer
  // As PaletteRow8: exactly width * 3 bytes.
  void Row(uint8_t* dst, const uint8_t* src, size_t width) const;

 private:
  const uint8_t* table_;
  std::unique_ptr<uint64_t[]> pairs_;
};

// Rows of 4-bit or 1-bit indices, first pixel in the high bits: each source
// byte is looked up whole, in a table of the colours of its 2 or 8 pixels
// (2 or 6 KiB), instead of pixel by pixel.
class SmallIndexRows {
 public:
  SmallIndexRows(const uint8_t* table, int bits);  // bits 4 or 1; table as above
  // Exactly width * 3 bytes.
  void Row(uint8_t* dst, const uint8_t* src, size_t width) const;

 private:
  const uint8_t* table_;
  int bits_;
  std::vector<uint8_t> entries_;  // 256 of them, 8 bytes apart for 4 bits, 24 for 1
};

// Whether PairRows is worth building for `height` rows of `width` indices,
// `stride` bytes apart: enough pixels to repay its building, and few
// different pairs in rows sampled across the picture.
bool PairRowsPay(const uint8_t* rows, size_t stride, size_t width, size_t height);

}  // namespace picture::detail
