// GIF LZW decoding.
//
// Every table entry is the previous string plus one byte, and the previous
// string was written to the output just before the current one, so an entry
// is always a contiguous run of earlier output: it is kept as (offset, length)
// and emitted with a block copy instead of walking a prefix chain per pixel.
#include "libraries/picture/gif_lzw.h"

#include <cstring>

namespace picture {
namespace {

constexpr uint32_t kMaxCodes = 4096;

// Copies `len` bytes from out[src] to out[dst]; src + len <= dst always holds.
// When there is room after the string, 8-byte blocks are copied: the bytes they
// read past the string's end are never ones this copy needs, and the bytes
// they write past it are overwritten by the strings that follow.
inline void CopyString(uint8_t* out, size_t dst, size_t src, size_t len, size_t outCount) {
  if (dst + len + 8 <= outCount) {
    for (size_t i = 0; i < len; i += 8) {
      uint64_t v;
      std::memcpy(&v, out + src + i, 8);
      std::memcpy(out + dst + i, &v, 8);
    }
  } else {
    for (size_t i = 0; i < len; ++i) out[dst + i] = out[src + i];
  }
}

}  // namespace

LzwResult DecodeGifLzw(std::span<const uint8_t> data, int minimumCodeSize, uint8_t* out, size_t outCount) {
  if (minimumCodeSize < 1 || minimumCodeSize > 8) return {LzwStatus::BadMinimumCodeSize, 0};
  const uint32_t clear = 1u << minimumCodeSize;
  const uint32_t endCode = clear + 1;
  uint32_t offset[kMaxCodes];
  uint16_t length[kMaxCodes];

  unsigned width = unsigned(minimumCodeSize) + 1;
  uint32_t mask = (1u << width) - 1;
  uint32_t next = clear + 2;
  bool havePrevious = false;
  size_t prevPos = 0, prevLen = 0;
  size_t pos = 0;

  const uint8_t* p = data.data();
  const uint8_t* const end = p + data.size();
  uint64_t bits = 0;
  unsigned count = 0;
  if (outCount == 0) return {LzwStatus::OutputFull, 0};

  for (;;) {
    if (count < width) {
      if (end - p >= 8) {
        uint64_t v;
        std::memcpy(&v, p, 8);
        bits |= v << count;
        p += (63 - count) >> 3;
        count |= 56;
      } else {
        while (count <= 56 && p < end) {
          bits |= uint64_t(*p++) << count;
          count += 8;
        }
        if (count < width) return {LzwStatus::OutOfData, pos};
      }
    }
    const uint32_t code = uint32_t(bits) & mask;
    bits >>= width;
    count -= width;

    if (code == clear) {
      width = unsigned(minimumCodeSize) + 1;
      mask = (1u << width) - 1;
      next = clear + 2;
      havePrevious = false;
      continue;
    }
    if (code == endCode) return {LzwStatus::EndCode, pos};

    size_t len;
    if (code < clear) {
      out[pos] = uint8_t(code);
      len = 1;
    } else if (!havePrevious) {
      return {LzwStatus::BadCode, pos};
    } else if (code < next) {
      len = length[code];
      if (pos + len > outCount) {
        CopyString(out, pos, offset[code], outCount - pos, outCount);
        return {LzwStatus::OutputFull, outCount};
      }
      CopyString(out, pos, offset[code], len, outCount);
    } else if (code == next && next < kMaxCodes) {
      // The string being defined: the previous one plus its own first byte.
      len = prevLen + 1;
      if (pos + len > outCount) {
        CopyString(out, pos, prevPos, outCount - pos, outCount);
        return {LzwStatus::OutputFull, outCount};
      }
      CopyString(out, pos, prevPos, prevLen, outCount);
      out[pos + prevLen] = out[prevPos];
    } else {
      return {LzwStatus::BadCode, pos};
    }

    if (havePrevious && next < kMaxCodes) {
      offset[next] = uint32_t(prevPos);
      length[next] = uint16_t(prevLen + 1);
      ++next;
    }
    // Checked after every code, not only after an addition: with a minimum
    // code size of 1 the first free code already needs the wider width.
    if (next > mask && width < 12) {
      ++width;
      mask = (1u << width) - 1;
    }
    havePrevious = true;
    prevPos = pos;
    prevLen = len;
    pos += len;
    if (pos >= outCount) return {LzwStatus::OutputFull, pos};
  }
}

}  // namespace picture
