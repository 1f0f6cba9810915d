#include <gtest/gtest.h>

#include <random>

#include "libraries/picture/gif_lzw.h"
#include "tests/libraries/picture/fixture_writer.h"

namespace picture {
namespace {

using testing::Bytes;
using testing::LzwEncode;

Bytes RandomIndices(size_t n, int range, unsigned seed, int runLength = 1) {
  std::mt19937 rng(seed);
  Bytes out;
  while (out.size() < n) {
    const uint8_t v = uint8_t(rng() % unsigned(range));
    const int run = 1 + int(rng() % unsigned(runLength));
    for (int i = 0; i < run && out.size() < n; ++i) out.push_back(v);
  }
  return out;
}

LzwResult Decode(const Bytes& data, int minimum, Bytes* out) {
  return DecodeGifLzw(data, minimum, out->data(), out->size());
}

TEST(GifLzw, RoundTripsAtEveryMinimumCodeSize) {
  for (int minimum = 1; minimum <= 8; ++minimum) {
    for (int runs : {1, 7, 300}) {
      const Bytes indices = RandomIndices(20000, 1 << minimum, unsigned(minimum * 31 + runs), runs);
      const Bytes coded = LzwEncode(indices, minimum);
      Bytes out(indices.size());
      const LzwResult r = Decode(coded, minimum, &out);
      EXPECT_EQ(r.status, LzwStatus::OutputFull) << minimum;
      EXPECT_EQ(r.written, indices.size());
      EXPECT_EQ(out, indices) << "minimum code size " << minimum << ", runs " << runs;
    }
  }
}

TEST(GifLzw, EndCodeFinishesEarly) {
  const Bytes indices = RandomIndices(100, 4, 1);
  Bytes out(500, 0xEE);
  const LzwResult r = Decode(LzwEncode(indices, 2), 2, &out);
  EXPECT_EQ(r.status, LzwStatus::EndCode);
  EXPECT_EQ(r.written, 100u);
  EXPECT_TRUE(std::equal(indices.begin(), indices.end(), out.begin()));
}

TEST(GifLzw, FullTableWithoutClearStillDecodes) {
  // Random bytes fill all 4096 entries quickly; the encoder then keeps
  // coding with the full table instead of sending a clear code.
  const Bytes indices = RandomIndices(60000, 256, 7);
  const Bytes coded = LzwEncode(indices, 8, /*clearWhenFull=*/false);
  Bytes out(indices.size());
  const LzwResult r = Decode(coded, 8, &out);
  EXPECT_EQ(r.written, indices.size());
  EXPECT_EQ(out, indices);
}

// Table entries point at earlier output rather than forming prefix chains,
// so no code can lead into a cycle; the string still being defined is the
// one self-reference a stream can make.
TEST(GifLzw, LongRunsUseTheStringBeingDefined) {
  // A single repeated value codes almost entirely as "previous string plus
  // its own first byte", the case whose code is not yet in the table.
  const Bytes indices(100000, 3);
  Bytes out(indices.size());
  const LzwResult r = Decode(LzwEncode(indices, 2), 2, &out);
  EXPECT_EQ(r.written, indices.size());
  EXPECT_EQ(out, indices);
}

TEST(GifLzw, OutputIsCutAtTheImageSize) {
  const Bytes indices = RandomIndices(1000, 16, 3, 40);
  for (size_t size : {size_t(1), size_t(2), size_t(17), size_t(999)}) {
    Bytes out(size);
    const LzwResult r = Decode(LzwEncode(indices, 4), 4, &out);
    EXPECT_EQ(r.status, LzwStatus::OutputFull);
    EXPECT_EQ(r.written, size);
    EXPECT_TRUE(std::equal(out.begin(), out.end(), indices.begin()));
  }
}

TEST(GifLzw, RefusesBadMinimumCodeSizes) {
  Bytes out(16);
  for (int minimum : {0, 9, 12, 255, -1}) {
    EXPECT_EQ(Decode({0xFF, 0xFF}, minimum, &out).status, LzwStatus::BadMinimumCodeSize) << minimum;
  }
}

TEST(GifLzw, CodeAboveTheNextFreeOneStops) {
  // Minimum size 2: codes are 3 bits. 4 = clear, then 1, then 7 while the
  // next free code is 6.
  const Bytes data = {uint8_t(4 | (1 << 3) | (7 << 6)), uint8_t(7 >> 2)};
  Bytes out(16, 0xEE);
  const LzwResult r = Decode(data, 2, &out);
  EXPECT_EQ(r.status, LzwStatus::BadCode);
  EXPECT_EQ(r.written, 1u);
  EXPECT_EQ(out[0], 1);
}

TEST(GifLzw, StringCodeRightAfterClearStops) {
  const Bytes data = {uint8_t(4 | (6 << 3)), 0};
  Bytes out(16);
  EXPECT_EQ(Decode(data, 2, &out).status, LzwStatus::BadCode);
}

TEST(GifLzw, DataEndingEarlyKeepsWhatWasDecoded) {
  const Bytes indices = RandomIndices(5000, 256, 9, 3);
  const Bytes coded = LzwEncode(indices, 8);
  for (size_t cut : {size_t(0), size_t(1), size_t(2), coded.size() / 3, coded.size() - 2}) {
    Bytes part(coded.begin(), coded.begin() + cut);
    Bytes out(indices.size());
    const LzwResult r = Decode(part, 8, &out);
    EXPECT_EQ(r.status, LzwStatus::OutOfData);
    EXPECT_LT(r.written, indices.size());
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + r.written, indices.begin()));
  }
}

TEST(GifLzw, GarbageEndsWithoutOverrunningTheOutput) {
  std::mt19937 rng(5);
  for (int round = 0; round < 300; ++round) {
    Bytes data(size_t(rng() % 600));
    for (auto& b : data) b = uint8_t(rng());
    const int minimum = 1 + int(rng() % 8);
    Bytes out(size_t(1 + rng() % 3000));
    const LzwResult r = Decode(data, minimum, &out);
    EXPECT_LE(r.written, out.size());
  }
}

}  // namespace
}  // namespace picture
