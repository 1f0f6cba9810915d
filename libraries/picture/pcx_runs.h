// The PCX run-length scanner: bytes above 192 are a count (byte - 192) for
// the byte after them, every other byte stands for itself. One decoder reads
// the whole coded stream, line by line, since a run may carry over a line end.
#pragma once

#include <cstddef>
#include <cstdint>

#include "libraries/picture/simd_path.h"

namespace picture::detail {

class PcxRunDecoder {
 public:
  // Whole blocks are only written with this many bytes of room after the
  // requested ones; with less the decoder goes token by token.
  static constexpr size_t kSlack = 64;

  PcxRunDecoder(const uint8_t* p, const uint8_t* end, SimdPath path = SimdPath::Best);

  // Produces exactly `count` bytes into dst; false if the data ends first.
  // `slack` bytes after them may be overwritten with scratch values.
  bool Read(uint8_t* dst, size_t count, size_t slack);

  // The first byte not consumed; inside a run that carries into the next line
  // it is past that run's two bytes.
  const uint8_t* position() const { return p_; }

  static bool WideAvailable();

 private:
  const uint8_t* p_;
  const uint8_t* end_;
  bool wide_;
  size_t run_ = 0;
  uint8_t value_ = 0;
};

}  // namespace picture::detail
