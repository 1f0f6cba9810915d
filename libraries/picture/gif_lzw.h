// The variable-length LZW stage of GIF, on its own so it can be tested alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace picture {

enum class LzwStatus {
  EndCode,     // the end code finished the image
  OutputFull,  // every pixel was produced; anything left is not needed
  OutOfData,   // the data ended first
  BadCode,     // a code above the next free one, or a string code right after a clear
  BadMinimumCodeSize,
};

struct LzwResult {
  LzwStatus status;
  size_t written;  // pixels written to the output
};

// Decodes `data` (the image's sub-block contents joined) into at most
// `outCount` palette indices. Minimum code sizes 1 to 8 are accepted; the
// indices of a GIF image are bytes, so larger ones cannot occur in a valid
// file.
LzwResult DecodeGifLzw(std::span<const uint8_t> data, int minimumCodeSize, uint8_t* out, size_t outCount);

}  // namespace picture
