// The palette expansion is a load per index and a load per colour; what
// decides its speed is how few instructions put four colours' 12 bytes
// together. With SSE4.1 the four colours go into one register by inserts and
// one shuffle drops their fourth bytes, for one 16-byte store; without it
// they are shifted together into one 8-byte and one 4-byte store.
#include "libraries/picture/palette_rows.h"

#include <immintrin.h>

#include <cstring>

namespace picture::detail {

namespace {

// Not tied to SSE4.1, so both paths inline it.
inline uint32_t Colour(const uint8_t* table, uint8_t i) {
  uint32_t c;
  std::memcpy(&c, table + size_t(i) * 4, 4);
  return c;
}

void Tail(uint8_t* dst, const uint8_t* src, size_t x, size_t width, const uint8_t* table) {
  // Four bytes per pixel but the last, so the row's end is kept.
  for (; x + 1 < width; ++x) std::memcpy(dst + x * 3, table + size_t(src[x]) * 4, 4);
  if (x < width) std::memcpy(dst + x * 3, table + size_t(src[x]) * 4, 3);
}

// The fourth bytes being zero lets the colours be ORed together.
void RowPortable(uint8_t* dst, const uint8_t* src, size_t width, const uint8_t* table) {
  size_t x = 0;
  for (; x + 4 <= width; x += 4) {
    const uint64_t c0 = Colour(table, src[x]), c1 = Colour(table, src[x + 1]), c2 = Colour(table, src[x + 2]),
                   c3 = Colour(table, src[x + 3]);
    const uint64_t lo = c0 | (c1 << 24) | (c2 << 48);
    const uint32_t hi = uint32_t(c2 >> 16) | uint32_t(c3 << 8);
    std::memcpy(dst + x * 3, &lo, 8);
    std::memcpy(dst + x * 3 + 8, &hi, 4);
  }
  Tail(dst, src, x, width, table);
}

// Four pixels as 12 bytes by one 16-byte store.
__attribute__((target("sse4.1"))) inline void Four(uint8_t* dst, const uint8_t* src, const uint8_t* table) {
  const __m128i squeeze = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  __m128i v = _mm_cvtsi32_si128(int(Colour(table, src[0])));
  v = _mm_insert_epi32(v, int(Colour(table, src[1])), 1);
  v = _mm_insert_epi32(v, int(Colour(table, src[2])), 2);
  v = _mm_insert_epi32(v, int(Colour(table, src[3])), 3);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm_shuffle_epi8(v, squeeze));
}

__attribute__((target("sse4.1"))) void RowWide(uint8_t* dst, const uint8_t* src, size_t width, const uint8_t* table) {
  // Each store reaches 4 bytes past its 12: it stays inside the row while
  // two more pixels follow.
  size_t x = 0;
  for (; x + 6 <= width; x += 4) Four(dst + x * 3, src + x, table);
  Tail(dst, src, x, width, table);
}

}  // namespace

bool PaletteRowsWideAvailable() {
  static const bool has = __builtin_cpu_supports("sse4.1");
  return has;
}

void PaletteRow8(uint8_t* dst, const uint8_t* src, size_t width, const uint8_t* table, SimdPath path) {
  if (path == SimdPath::Best && PaletteRowsWideAvailable())
    RowWide(dst, src, width, table);
  else
    RowPortable(dst, src, width, table);
}

}  // namespace picture::detail
