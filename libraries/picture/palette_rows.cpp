// The palette expansion is a load per index and a load per colour; what
// decides its speed is how few instructions put four colours' 12 bytes
// together. With SSE4.1 the four colours go into one register by inserts and
// one shuffle drops their fourth bytes, for one 16-byte store; without it
// they are shifted together into one 8-byte and one 4-byte store. Big
// pictures whose neighbouring pixels repeat go faster still through a table
// of colour pairs, one load and one store per two pixels. Rows of 4 and 1 bits
// look each source byte up whole, the colours of its 2 or 8 pixels at once.
#include "libraries/picture/palette_rows.h"

#include <immintrin.h>

#include <algorithm>
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

constexpr size_t kPairs = 65536;

inline unsigned PairAt(const uint8_t* src) { return unsigned(src[0]) | unsigned(src[1]) << 8; }

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

PairRows::PairRows(const uint8_t* table) : table_(table), pairs_(new uint64_t[kPairs]) {
  // Entry a + 256 b: colour a in bytes 0-2, colour b in bytes 3-5.
  for (size_t b = 0; b < 256; ++b) {
    const uint64_t second = uint64_t(Colour(table, uint8_t(b))) << 24;
    uint64_t* row = &pairs_[b * 256];
    for (size_t a = 0; a < 256; ++a) row[a] = Colour(table, uint8_t(a)) | second;
  }
}

void PairRows::Row(uint8_t* dst, const uint8_t* src, size_t width) const {
  // Each 8-byte store reaches 2 bytes past its pair; the next store covers
  // them, and after the fourth one more pixel of the row follows.
  size_t x = 0;
  for (; x + 9 <= width; x += 8) {
    uint64_t s;
    std::memcpy(&s, src + x, 8);
    const uint64_t q0 = pairs_[s & 0xFFFF], q1 = pairs_[(s >> 16) & 0xFFFF], q2 = pairs_[(s >> 32) & 0xFFFF],
                   q3 = pairs_[s >> 48];
    uint8_t* d = dst + x * 3;
    std::memcpy(d, &q0, 8);
    std::memcpy(d + 6, &q1, 8);
    std::memcpy(d + 12, &q2, 8);
    std::memcpy(d + 18, &q3, 8);
  }
  Tail(dst, src, x, width, table_);
}

bool PairRowsPay(const uint8_t* rows, size_t stride, size_t width, size_t height) {
  // Building the table (25-45 us measured) is repaid by the pairs after
  // about half a million pixels; twice that is the least taken.
  if (width < 2 || width * height < (size_t{1} << 20)) return false;
  // Sixteen rows, up to 512 pairs from each: a pair's first sight in its row
  // is what loads its table line, so those are counted.
  constexpr int kRows = 16;
  const size_t perRow = std::min<size_t>(width / 2, 512);
  uint64_t seen[kPairs / 64] = {};
  size_t distinct = 0;
  for (int k = 0; k < kRows; ++k) {
    const uint8_t* row = rows + stride * (height * size_t(2 * k + 1) / (2 * kRows));
    for (size_t i = 0; i < perRow; ++i) {
      const unsigned v = PairAt(row + 2 * i);
      const uint64_t bit = uint64_t{1} << (v & 63);
      distinct += !(seen[v >> 6] & bit);
      seen[v >> 6] |= bit;
    }
    for (size_t i = 0; i < perRow; ++i) seen[PairAt(row + 2 * i) >> 6] = 0;
  }
  // Half new is on the safe side: measured, rows of pairs drawn at random
  // from 500 (62% new) still gained, from 8,000 (97% new) lost a fifth.
  return distinct * 2 <= perRow * kRows;
}

SmallIndexRows::SmallIndexRows(const uint8_t* table, int bits)
    : table_(table), bits_(bits), entries_(256 * (bits == 4 ? 8 : 24)) {
  for (size_t byte = 0; byte < 256; ++byte) {
    if (bits == 4) {
      // Six bytes of colour; the 8-byte store's last two are overwritten.
      const uint64_t two = Colour(table, uint8_t(byte >> 4)) | uint64_t(Colour(table, uint8_t(byte & 15))) << 24;
      std::memcpy(&entries_[byte * 8], &two, 8);
    } else {
      for (size_t bit = 0; bit < 8; ++bit)
        std::memcpy(&entries_[byte * 24 + bit * 3], table + ((byte >> (7 - bit)) & 1) * 4, 3);
    }
  }
}

void SmallIndexRows::Row(uint8_t* dst, const uint8_t* src, size_t width) const {
  const uint8_t* e = entries_.data();
  size_t x = 0;
  if (bits_ == 4) {
    // Reaching 2 bytes past a byte's pixels: a third pixel must follow.
    // Four source bytes per step, which the compiler does not unroll to.
    for (; x + 9 <= width; x += 8) {
      uint32_t s;
      std::memcpy(&s, src + (x >> 1), 4);
      uint8_t* d = dst + x * 3;
      std::memcpy(d, e + size_t(s & 0xFF) * 8, 8);
      std::memcpy(d + 6, e + size_t((s >> 8) & 0xFF) * 8, 8);
      std::memcpy(d + 12, e + size_t((s >> 16) & 0xFF) * 8, 8);
      std::memcpy(d + 18, e + size_t(s >> 24) * 8, 8);
    }
    for (; x + 3 <= width; x += 2) std::memcpy(dst + x * 3, e + size_t(src[x >> 1]) * 8, 8);
    for (; x < width; ++x)
      std::memcpy(dst + x * 3, table_ + ((src[x >> 1] >> ((x & 1) ? 0 : 4)) & 15) * 4, 3);
  } else {
    for (; x + 8 <= width; x += 8) std::memcpy(dst + x * 3, e + size_t(src[x >> 3]) * 24, 24);
    for (; x < width; ++x) std::memcpy(dst + x * 3, table_ + ((src[x >> 3] >> (7 - (x & 7))) & 1) * 4, 3);
  }
}

}  // namespace picture::detail
