// Small helpers shared by the decoders: little-endian reads and the one
// failure path that records why a decode gave no picture.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <string>

#include "libraries/picture/picture.h"

namespace picture::detail {

inline uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t Le32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

inline PicturePtr Fail(std::string* error, const char* why) {
  if (error) *error = why;
  return nullptr;
}

// Width and height inside the caller's limits; checked before any allocation.
inline bool SizeAllowed(int64_t width, int64_t height, const DecodeLimits& limits) {
  return width > 0 && height > 0 && width <= limits.maxDimension && height <= limits.maxDimension &&
         uint64_t(width) * uint64_t(height) <= limits.maxPixels;
}

// Writes the 40-byte bitmap info header of an 8-bit top-down bitmap.
inline void WriteInfoHeader8(uint8_t* p, int32_t width, int32_t height) {
  std::memset(p, 0, kBitmapInfoHeaderSize);
  auto put32 = [&](size_t o, uint32_t v) {
    p[o] = uint8_t(v);
    p[o + 1] = uint8_t(v >> 8);
    p[o + 2] = uint8_t(v >> 16);
    p[o + 3] = uint8_t(v >> 24);
  };
  put32(0, 40);
  put32(4, uint32_t(width));
  put32(8, uint32_t(-height));  // negative: top-down
  p[12] = 1;                    // planes
  p[14] = 8;                    // bits per pixel
  put32(32, 256);               // colours used
  put32(36, 256);               // colours important
}

inline size_t Stride8(int32_t width) { return (size_t(width) + 3) & ~size_t(3); }

}  // namespace picture::detail
