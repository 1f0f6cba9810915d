// Run-length decoding a block of 64 coded bytes at a time: which bytes are
// counts is worked out for the whole block from one compare, so the steps
// from token to token only add up lengths instead of waiting on each load.
#include "libraries/picture/pcx_runs.h"

#include <immintrin.h>

#include <algorithm>
#include <array>
#include <cstring>

namespace picture::detail {

namespace {

// Coded bytes a block may look at: its own 64, the value byte of a count in
// its last place, and a 64-byte literal copy from just after that.
constexpr size_t kBlockReach = 160;
// The most output a block gives: 32 runs of 63, and one more byte's token
// when its last byte is a count.
constexpr size_t kBlockMost = 33 * 63;

// Given the bytes above 192 of a block that starts on a token, the ones that
// are counts. In a stretch of such bytes they alternate count, value, count
// from the stretch's first byte, so a stretch that starts on an odd place has
// its counts on odd places. Adding a stretch's lowest bit carries through all
// of it, which marks the stretches that start odd in one step.
inline uint64_t CountBytes(uint64_t high) {
  constexpr uint64_t kEven = 0x5555555555555555ull;
  const uint64_t starts = high & ~(high << 1);
  const uint64_t oddStretches = high & ~(high + (starts & ~kEven));
  return (oddStretches & ~kEven) | (high & ~oddStretches & kEven);
}

struct Sse2 {
  // The bytes above 192 as bits.
  static uint64_t HighBits(const uint8_t* p) {
    const __m128i limit = _mm_set1_epi8(char(192));
    uint64_t low = 0;
    for (int i = 0; i < 4; ++i) {
      const __m128i over = _mm_subs_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i)), limit);
      low |= uint64_t(uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(over, _mm_setzero_si128())))) << (16 * i);
    }
    return ~low;
  }
  // The most output the block can give, as if each byte above 192 were a count.
  static size_t Most(const uint8_t* p) {
    const __m128i limit = _mm_set1_epi8(char(192));
    __m128i sum = _mm_setzero_si128();
    for (int i = 0; i < 4; ++i) {
      const __m128i over = _mm_subs_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i)), limit);
      sum = _mm_add_epi64(sum, _mm_sad_epu8(over, _mm_setzero_si128()));
    }
    return 64 + size_t(_mm_cvtsi128_si64(sum)) + size_t(_mm_cvtsi128_si64(_mm_unpackhi_epi64(sum, sum)));
  }
  static void Copy32(uint8_t* d, const uint8_t* s) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_loadu_si128(reinterpret_cast<const __m128i*>(s)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 16), _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 16)));
  }
  static void Fill32(uint8_t* d, uint8_t value) {
    const __m128i v = _mm_set1_epi8(char(value));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), v);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 16), v);
  }
  static size_t LowestBit(uint64_t m) { return size_t(__builtin_ctzll(m)); }
  static constexpr bool kPacks = false;  // no byte shuffle in SSE2
};

// Inlined by the flattened caller below, which has the same target.
#define SIG_WIDE __attribute__((target("avx2,bmi,bmi2,popcnt"))) inline

struct Avx2 {
  SIG_WIDE static uint64_t HighBits(const uint8_t* p) {
    const __m256i limit = _mm256_set1_epi8(char(192));
    const __m256i zero = _mm256_setzero_si256();
    const __m256i a = _mm256_subs_epu8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)), limit);
    const __m256i b = _mm256_subs_epu8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32)), limit);
    const uint32_t la = uint32_t(_mm256_movemask_epi8(_mm256_cmpeq_epi8(a, zero)));
    const uint32_t lb = uint32_t(_mm256_movemask_epi8(_mm256_cmpeq_epi8(b, zero)));
    return ~(uint64_t(la) | uint64_t(lb) << 32);
  }
  SIG_WIDE static size_t Most(const uint8_t* p) {
    const __m256i limit = _mm256_set1_epi8(char(192));
    const __m256i zero = _mm256_setzero_si256();
    const __m256i a = _mm256_subs_epu8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)), limit);
    const __m256i b = _mm256_subs_epu8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32)), limit);
    const __m256i s4 = _mm256_add_epi64(_mm256_sad_epu8(a, zero), _mm256_sad_epu8(b, zero));
    const __m128i s2 = _mm_add_epi64(_mm256_castsi256_si128(s4), _mm256_extracti128_si256(s4, 1));
    return 64 + size_t(_mm_cvtsi128_si64(s2)) + size_t(_mm_extract_epi64(s2, 1));
  }
  SIG_WIDE static void Copy32(uint8_t* d, const uint8_t* s) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d), _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s)));
  }
  SIG_WIDE static void Fill32(uint8_t* d, uint8_t value) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d), _mm256_set1_epi8(char(value)));
  }
  SIG_WIDE static size_t LowestBit(uint64_t m) { return size_t(_tzcnt_u64(m)); }
  static constexpr bool kPacks = true;
};

// Near the output's end: the high bytes, and the most output they can give.
template <class V>
inline uint64_t HighAndMost(const uint8_t* p, size_t* most) {
  *most = V::Most(p);
  return V::HighBits(p);
}

// The tokens of a block near the output's end, one at a time; false if one
// would reach past `end`, leaving `cur` on it.
template <class V>
inline bool BlockTokens(const uint8_t* p, uint64_t counts, size_t& cur, uint8_t*& out, uint8_t* end) {
  uint8_t* o = out;
  for (; counts; counts &= counts - 1) {
    const size_t c = V::LowestBit(counts);
    const size_t gap = c - cur;
    const size_t len = size_t(p[c]) - 192;
    if (size_t(end - o) < gap + len) break;
    // The literals before the run: the stores may run past them, the run
    // then writes over that.
    V::Copy32(o, p + cur);
    if (gap > 32) V::Copy32(o + 32, p + cur + 32);
    o += gap;
    const uint8_t value = p[c + 1];
    V::Fill32(o, value);
    if (len > 32) V::Fill32(o + 32, value);
    o += len;
    cur = c + 2;
  }
  out = o;
  return !counts;
}

// The longest stretch of literals in a block, rounded up to what the copy
// after each run covers: 8, 32 or 64 bytes. Narrower copies are cheaper here
// than fewer ones, and most blocks of a photo have no more than 8 in a row.
inline int LiteralReach(uint64_t counts) {
  const uint64_t literal = ~(counts | counts << 1);
  uint64_t run = literal & literal >> 1;  // bit i: literals at i and i + 1
  run &= run >> 2;
  run &= run >> 4;  // 8 in a row from bit i
  if (!(run & literal >> 8)) return 8;
  run &= run >> 8;
  run &= run >> 16;  // 32 in a row from bit i
  return (run & literal >> 32) ? 64 : 32;
}

// The literals after a run, kReach bytes of them (8, 32 or 64); the next run
// writes over what they cover past their own.
template <class V, int kReach>
inline void CopyLiterals(uint8_t* at, const uint8_t* from) {
  if (kReach <= 8) {
    uint64_t literals;
    std::memcpy(&literals, from, 8);
    std::memcpy(at, &literals, 8);
  } else {
    V::Copy32(at, from);
    if (kReach > 32) V::Copy32(at + 32, from + 32);
  }
}

// A whole block whose output is known to fit, with no more than kReach
// literals in a row. A literal at block offset i goes to o + i + shift, shift
// growing by each run's length less its two bytes, so each token is a bit
// scan, two loads and two stores: the run at its place, then the literals
// after it, which the next run cuts short.
template <class V, int kReach>
inline uint8_t* WholeBlock(const uint8_t* p, uint64_t counts, uint8_t* o) {
  V::Copy32(o, p);
  if (kReach > 32) V::Copy32(o + 32, p + 32);
  ptrdiff_t shift = 0;
  while (counts) {
    const size_t c = V::LowestBit(counts);
    counts &= counts - 1;
    const size_t len = p[c];
    const uint8_t value = p[c + 1];
    uint8_t* at = o + (ptrdiff_t(c) + shift);
    V::Fill32(at, value);
    if (len > 192 + 32) V::Fill32(at + 32, value);
    at += len - 192;
    CopyLiterals<V, kReach>(at, p + c + 2);
    shift += ptrdiff_t(len) - 194;
  }
  return o + (ptrdiff_t(64) + shift);
}

// A block's bytes packed by 8-byte group stores, then read by copies of up
// to 64 bytes from any of them.
constexpr size_t kPackedRoom = 64 + 8 + 64;

// Shuffle indices that move the bytes of an 8-byte group whose mask bits are
// set to its front; the places after them read zero.
constexpr std::array<uint64_t, 256> MakePackTable() {
  std::array<uint64_t, 256> t{};
  for (unsigned m = 0; m < 256; ++m) {
    uint64_t v = 0;
    unsigned n = 0;
    for (unsigned i = 0; i < 8; ++i)
      if (m >> i & 1) v |= uint64_t(i) << (8 * n++);
    for (; n < 8; ++n) v |= uint64_t(0x80) << (8 * n);
    t[m] = v;
  }
  return t;
}
alignas(64) constexpr std::array<uint64_t, 256> kPack = MakePackTable();

// The bytes of a 16-bit mask as 0 or 0xFF.
SIG_WIDE __m128i ByteMask(uint32_t bits) {
  const __m128i spread = _mm_shuffle_epi8(_mm_cvtsi32_si128(int(bits)),
                                          _mm_setr_epi8(0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1));
  const __m128i bit = _mm_setr_epi8(1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16, 32, 64, -128);
  return _mm_cmpeq_epi8(_mm_and_si128(spread, bit), bit);
}

// The bytes of a block equal to `v`, as bits.
SIG_WIDE uint64_t Equal(__m256i a, __m256i b, char v) {
  const __m256i x = _mm256_set1_epi8(v);
  return uint64_t(uint32_t(_mm256_movemask_epi8(_mm256_cmpeq_epi8(a, x)))) |
         uint64_t(uint32_t(_mm256_movemask_epi8(_mm256_cmpeq_epi8(b, x)))) << 32;
}

// The runs of a packed block, each followed by the packed bytes up to the
// next, copied kReach bytes at a time; returns the output's end less the
// packed bytes' count.
template <int kReach>
SIG_WIDE uint8_t* PackedRuns(const uint8_t* p, uint64_t runs, uint64_t keep, const uint8_t* packed, uint8_t* o) {
  ptrdiff_t shift = 0;
  for (uint64_t left = runs; left;) {
    const size_t c = Avx2::LowestBit(left);
    left = _blsr_u64(left);
    const size_t j = size_t(_mm_popcnt_u64(_bzhi_u64(keep, unsigned(c))));
    const size_t len = size_t(p[c]) - 192;
    const uint8_t value = p[c + 1];
    uint8_t* at = o + (ptrdiff_t(j) + shift);
    // Both halves always: a branch on the length mispredicts often.
    Avx2::Fill32(at, value);
    Avx2::Fill32(at + 32, value);
    at += len;
    CopyLiterals<Avx2, kReach>(at, packed + j);
    shift += ptrdiff_t(len);
  }
  return o + shift;
}

// A whole block whose output is known to fit, for photographs and drawings
// alike, where most counts are 1 (a byte above 192 standing alone) or 2: a
// count of 1 is dropped and its value kept as a literal, a count of 2 takes
// its value's place, and the block's bytes are packed with byte shuffles, so
// only runs of 3 or more are visited one by one, as in WholeBlock, each
// followed by the packed bytes up to the next. Blocks are taken 64 bytes
// apart whatever they hold, so the next block's place never waits on this
// one's counts: a count in the last place reads its value from the next
// block's first byte, which that block then keeps as a literal after a count
// of 1 or 2, or drops (`drop`) after a longer run, whose fill is written here.
// Returns the output's end and sets `dropNext` for the next block. `packed`
// has room for kPackedRoom bytes.
SIG_WIDE uint8_t* PackedBlock(const uint8_t* p, uint64_t counts, uint64_t drop, uint8_t* o, uint64_t* dropNext,
                              uint8_t* packed) {
  const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
  const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32));
  const uint64_t ones = counts & Equal(a, b, char(193));
  const uint64_t twos = counts & Equal(a, b, char(194));
  const uint64_t runs = counts & ~(ones | twos);
  const uint64_t keep = ~(ones | runs | runs << 1 | drop);
  *dropNext = runs >> 63;
  // Without runs the packed bytes are the output.
  uint8_t* const dst = runs ? packed : o;
  size_t n = 0;
#pragma GCC unroll 4
  for (int k = 0; k < 4; ++k) {
    __m128i lane = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
    const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k + 1));
    lane = _mm_blendv_epi8(lane, next, ByteMask(uint32_t(twos >> (16 * k)) & 0xFFFF));
    const unsigned lo = unsigned(keep >> (16 * k)) & 0xFF, hi = unsigned(keep >> (16 * k + 8)) & 0xFF;
    const __m128i loIdx = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(&kPack[lo]));
    const __m128i hiIdx = _mm_or_si128(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(&kPack[hi])), _mm_set1_epi8(8));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + n), _mm_shuffle_epi8(lane, loIdx));
    n += size_t(_mm_popcnt_u32(lo));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + n), _mm_shuffle_epi8(lane, hiIdx));
    n += size_t(_mm_popcnt_u32(hi));
  }
  if (!runs) return o + n;
  Avx2::Copy32(o, packed);
  Avx2::Copy32(o + 32, packed + 32);
  // The packed bytes between runs are never more than the coded bytes there.
  const int reach = LiteralReach(runs);
  if (reach <= 8) return PackedRuns<8>(p, runs, keep, packed, o) + n;
  if (reach <= 32) return PackedRuns<32>(p, runs, keep, packed, o) + n;
  return PackedRuns<64>(p, runs, keep, packed, o) + n;
}

// Decodes whole tokens while the input has a block's reach left and the next
// token fits before `end`; writes may reach kSlack bytes past `end`. Stops on
// a token boundary; returns the new output position and moves `in`.
template <class V>
inline uint8_t* Blocks(const uint8_t*& in, const uint8_t* inEnd, uint8_t* o, uint8_t* end) {
  const uint8_t* p = in;
  // Cleared once, so that the copies past a block's packed bytes only ever
  // read bytes of earlier blocks.
  alignas(32) uint8_t packed[V::kPacks ? kPackedRoom : 1] = {};
  // The block at p starts on the value of a count in the one before; `drop`:
  // a run's value, already written.
  uint64_t carry = 0, drop = 0;
  while (size_t(inEnd - p) >= kBlockReach) {
    // Far from the end any block fits, and its greatest output need not be
    // summed.
    size_t most = kBlockMost;
    const uint64_t high = size_t(end - o) >= kBlockMost ? V::HighBits(p) : HighAndMost<V>(p, &most);
    if (size_t(end - o) >= most) {
      if constexpr (V::kPacks) {
        const uint64_t counts = CountBytes(high & ~carry);
        o = PackedBlock(p, counts, drop, o, &drop, packed);
        carry = counts >> 63;
        p += 64;
      } else {
        const uint64_t counts = CountBytes(high);
        // A count in the last place takes the next block's first byte.
        const size_t next = 64 + (counts >> 63);
        const int reach = LiteralReach(counts);
        if (reach <= 8)
          o = WholeBlock<V, 8>(p, counts, o);
        else if (reach <= 32)
          o = WholeBlock<V, 32>(p, counts, o);
        else
          o = WholeBlock<V, 64>(p, counts, o);
        o += next - 64;
        p += next;
      }
      continue;
    }
    if (carry) {
      // Back onto a token boundary; the block before left room for this byte.
      if (!drop) *o++ = *p;
      ++p;
      carry = drop = 0;
      continue;
    }
    const uint64_t counts = CountBytes(high);
    size_t cur = 0;
    if (!BlockTokens<V>(p, counts, cur, o, end)) {
      in = p + cur;
      return o;
    }
    // Literals to the block's end, unless the last byte was a count.
    if (cur < 64) {
      const size_t gap = 64 - cur;
      if (size_t(end - o) < gap) {
        in = p + cur;
        return o;
      }
      V::Copy32(o, p + cur);
      if (gap > 32) V::Copy32(o + 32, p + cur + 32);
      o += gap;
      cur = 64;
    }
    p += cur;
  }
  // The same, written out again: a shared lambda, taking o and p by
  // reference, cost the block loop 2-8%.
  if (carry) {
    if (!drop) *o++ = *p;
    ++p;
  }
  in = p;
  return o;
}

__attribute__((flatten)) uint8_t* BlocksPortable(const uint8_t*& in, const uint8_t* inEnd, uint8_t* o, uint8_t* end) {
  return Blocks<Sse2>(in, inEnd, o, end);
}

__attribute__((target("avx2,bmi,bmi2,popcnt"), flatten)) uint8_t* BlocksWide(const uint8_t*& in, const uint8_t* inEnd, uint8_t* o,
                                                              uint8_t* end) {
  return Blocks<Avx2>(in, inEnd, o, end);
}

}  // namespace

bool PcxRunDecoder::WideAvailable() {
  static const bool has =
      __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2") &&
      __builtin_cpu_supports("popcnt");
  return has;
}

PcxRunDecoder::PcxRunDecoder(const uint8_t* p, const uint8_t* end, SimdPath path)
    : p_(p), end_(end), wide_(path == SimdPath::Best && WideAvailable()) {}

bool PcxRunDecoder::Read(uint8_t* dst, size_t count, size_t slack) {
  size_t n = std::min(run_, count);
  std::memset(dst, value_, n);
  run_ -= n;
  // Blocks stop only near the input's end or at a token crossing `count`,
  // which the loop below finishes; trying them again would gain nothing.
  if (n < count && slack >= kSlack && end_ - p_ >= ptrdiff_t(kBlockReach)) {
    uint8_t* o = wide_ ? BlocksWide(p_, end_, dst + n, dst + count) : BlocksPortable(p_, end_, dst + n, dst + count);
    n = size_t(o - dst);
  }
  while (n < count) {
    if (run_) {
      const size_t k = std::min(run_, count - n);
      std::memset(dst + n, value_, k);
      n += k;
      run_ -= k;
      continue;
    }
    // Token by token: the input's last bytes, and a token crossing `count`.
    if (p_ >= end_) return false;
    const uint8_t c = *p_++;
    if (c <= 192) {
      dst[n++] = c;
      continue;
    }
    if (p_ >= end_) return false;
    run_ = size_t(c - 192);
    value_ = *p_++;
  }
  return true;
}

}  // namespace picture::detail
