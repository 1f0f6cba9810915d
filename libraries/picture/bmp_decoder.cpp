// Uncompressed BMP: 1, 4, 8, 24 and 32 bits per pixel into 24-bit bottom-up
// rows. Written here because it is a plain copy with a palette; the libraries
// that read BMP bring far more than this needs.
#include <algorithm>
#include <cstring>
#include <optional>

#include "libraries/picture/decode_util.h"
#include "libraries/picture/palette_rows.h"

namespace picture {

using detail::Fail;
using detail::Le16;
using detail::Le32;

PicturePtr DecodeBmp(std::span<const uint8_t> b, std::string* error, const DecodeLimits& limits) {
  if (b.size() < 54) return Fail(error, "bmp: headers truncated");
  const uint32_t dataOffset = Le32(&b[10]);
  const uint32_t headerSize = Le32(&b[14]);
  const int32_t storedWidth = int32_t(Le32(&b[18]));
  const int32_t storedHeight = int32_t(Le32(&b[22]));
  const uint16_t bits = Le16(&b[28]);
  const uint32_t compression = Le32(&b[30]);
  const uint32_t coloursUsed = Le32(&b[46]);
  if (compression != 0) return Fail(error, "bmp: compressed");
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return Fail(error, "bmp: unsupported depth");
  // The larger info headers keep the first 40 bytes' layout; the colour table
  // follows whichever header the file has.
  if (headerSize < 40 || uint64_t(14) + headerSize > b.size()) return Fail(error, "bmp: bad info header size");
  // INT32_MIN has no absolute value; it is far beyond any limit anyway.
  if (storedWidth == INT32_MIN || storedHeight == INT32_MIN) return Fail(error, "bmp: size outside the limits");
  const int64_t width = storedWidth < 0 ? -int64_t(storedWidth) : storedWidth;
  const int64_t height = storedHeight < 0 ? -int64_t(storedHeight) : storedHeight;
  if (!detail::SizeAllowed(width, height, limits)) return Fail(error, "bmp: size outside the limits");
  const bool topDown = storedHeight < 0;

  uint8_t table[256 * 4 + 4] = {};  // palette as BGR0; indices past the table read black
  const uint64_t tableStart = 14 + uint64_t(headerSize);
  uint64_t tableEnd = tableStart;
  if (bits <= 8) {
    const uint64_t count = coloursUsed ? coloursUsed : (uint64_t{1} << bits);
    tableEnd = tableStart + count * 4;
    if (tableEnd > b.size()) return Fail(error, "bmp: colour table truncated");
    const uint64_t keep = std::min<uint64_t>(count, uint64_t{1} << bits);
    for (uint64_t i = 0; i < keep; ++i) std::memcpy(&table[i * 4], &b[tableStart + i * 4], 3);
  }
  if (dataOffset < tableEnd) return Fail(error, "bmp: pixel data inside the headers");
  const uint64_t stride = (uint64_t(width) * bits + 31) / 32 * 4;
  const uint64_t rowBytes = (uint64_t(width) * bits + 7) / 8;
  // The last row needs no padding after it.
  if (uint64_t(dataOffset) + stride * uint64_t(height - 1) + rowBytes > b.size())
    return Fail(error, "bmp: pixel data truncated");

  auto picture = std::make_unique<DecodedPicture>();
  picture->kind = PictureFormat::Bmp;
  picture->width = int32_t(width);
  picture->height = int32_t(height);
  const size_t outStride = size_t(width) * 3;
  picture->pixels.resize(outStride * size_t(height));
  const size_t w = size_t(width);
  std::optional<detail::PairRows> pairs;
  if (bits == 8 && detail::PairRowsPay(&b[dataOffset], stride, w, size_t(height))) pairs.emplace(table);
  std::optional<detail::SmallIndexRows> small;
  if (bits < 8) small.emplace(table, bits);
  for (int64_t r = 0; r < height; ++r) {
    const uint8_t* src = &b[dataOffset + stride * uint64_t(r)];
    // Bottom-up files store the bottom row first, which is also the first row
    // of the output; top-down files are turned round so they show upright.
    uint8_t* dst = &picture->pixels[outStride * size_t(topDown ? height - 1 - r : r)];
    switch (bits) {
      case 24:
        std::memcpy(dst, src, outStride);
        break;
      case 32:
        for (size_t x = 0; x < w; ++x) {
          dst[x * 3] = src[x * 4];
          dst[x * 3 + 1] = src[x * 4 + 1];
          dst[x * 3 + 2] = src[x * 4 + 2];
        }
        break;
      case 8:
        if (pairs)
          pairs->Row(dst, src, w);
        else
          detail::PaletteRow8(dst, src, w, table);
        break;
      case 4:
      case 1:
        small->Row(dst, src, w);
        break;
    }
  }
  return picture;
}

}  // namespace picture
