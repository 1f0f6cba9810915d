// The device-independent half of rendering a picture: for each kind, the
// bitmap that RenderPicture turns into a device bitmap (rows, depth, row
// order, palette), with PNG transparency already blended onto the background.
// The device-context half (RenderPicture, DrawRenderedPicture,
// PictureToBitmap) builds on this once device contexts exist; tools and tests
// use RenderToBgra to see what a window would show.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "libraries/picture/picture.h"

namespace picture {

struct BitmapSource {
  int32_t width = 0;
  int32_t height = 0;
  int32_t bitsPerPixel = 0;  // 1, 8, 24 or 32
  bool topDown = false;
  const uint8_t* rows = nullptr;
  size_t stride = 0;                  // bytes per row
  const uint8_t* palette = nullptr;   // 8 bits: 256 BGR0 entries
  int32_t transparentIndex = -1;      // 8 bits: the index that shows the background
};

// One pixel of a PNG onto the background (0x00BBGGRR): alpha 255 is kept;
// otherwise f = alpha * 0.003921569 in single precision, g = 1 - f, and each
// of blue, green and red becomes trunc(channel * f + background * g) clamped
// to 0..255. The alpha byte is left as it is.
void BlendPixelsOntoBackground(std::span<uint8_t> bgra, uint32_t background);

// Describes the bitmap of `picture` for a device. `storage` keeps any copy
// made (padded 24-bit rows, blended PNG pixels); the result points into it or
// into the picture. False for kinds without a bitmap (ICO, CUR) or an empty
// picture.
bool DescribeBitmap(const DecodedPicture& picture, uint32_t background, std::vector<uint8_t>* storage,
                    BitmapSource* out);

// The picture as opaque 32-bit BGRA rows, top-down, as drawn at natural size
// over `background` (0x00BBGGRR). Icons are blended by their alpha with the
// same rule as PNG. False for an empty picture.
bool RenderToBgra(const DecodedPicture& picture, uint32_t background, std::vector<uint8_t>* out);

}  // namespace picture
