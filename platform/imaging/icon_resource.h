// Icon and cursor resources as pixels.
//
// The pure half of CreateIconFromResourceEx: a resource (a bitmap info header
// with XOR and AND masks, or an embedded PNG; a cursor resource starts with
// its hot spot as two 16-bit words) becomes straight-alpha BGRA pixels and a
// hot spot. The window system wraps the result into icon and cursor handles;
// the picture service uses it to decode ICO and CUR files.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace platform {

struct IconImage {
  int32_t width = 0;
  int32_t height = 0;
  bool isIcon = true;  // false: a cursor
  int32_t hotspotX = 0;
  int32_t hotspotY = 0;
  std::vector<uint8_t> bgra;  // width * height * 4 bytes, rows top-down, straight alpha
};

struct IconResourceLimits {
  // Larger images are refused before anything is allocated.
  int32_t maxDimension = 4096;
  uint64_t maxPixels = uint64_t{1} << 24;
};

// The only format version the system asks for.
inline constexpr uint32_t kIconResourceVersion = 0x00030000;

// desiredWidth/desiredHeight of 0 keep the image's own size; other values
// scale it (nearest pixel) as the window system does for a mismatched size.
// Returns false and says why in *error (when given) for anything it cannot use.
bool DecodeIconResource(std::span<const uint8_t> resource, bool isIcon, uint32_t version,
                        int32_t desiredWidth, int32_t desiredHeight, IconImage* out,
                        std::string* error = nullptr, const IconResourceLimits& limits = {});

// Width and height an icon image will have before any scaling: from the bitmap
// info header (height halved for the masks) or the PNG header. False when
// neither is there.
bool IconResourceSize(std::span<const uint8_t> image, int32_t* width, int32_t* height);

}  // namespace platform
