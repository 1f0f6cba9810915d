#include <gtest/gtest.h>

#include <random>

#include "libraries/picture/decode_util.h"
#include "libraries/picture/palette_rows.h"
#include "tests/libraries/picture/compare.h"

namespace picture {
namespace {

using testing::Bytes;
using testing::MakeBmp;

std::vector<uint8_t> Pixels(int32_t w, int32_t h, int bits) {
  std::vector<uint8_t> px;
  const int colours = bits <= 8 ? (1 << bits) : 0;
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      if (colours) {
        px.push_back(uint8_t((x * 3 + y * 5) % colours));
      } else {
        px.push_back(uint8_t(x * 9 + y));
        px.push_back(uint8_t(y * 11));
        px.push_back(uint8_t(x ^ y));
      }
    }
  return px;
}

TEST(Bmp, EveryDepthAndRowOrderMatchesTheReference) {
  for (int bits : {1, 4, 8, 24, 32}) {
    for (int32_t w : {1, 7, 33}) {
      for (int32_t h : {5, -5}) {
        SCOPED_TRACE("bits " + std::to_string(bits) + " w " + std::to_string(w) + " h " + std::to_string(h));
        const auto pal = bits <= 8 ? testing::TestPalette(1 << bits) : std::vector<testing::Rgb>{};
        const Bytes bmp = MakeBmp(w, h, bits, pal, Pixels(w, h < 0 ? -h : h, bits));
        std::string why;
        auto pic = DecodePictureFromMemory(bmp, &why);
        ASSERT_NE(pic, nullptr) << why;
        EXPECT_EQ(pic->kind, PictureFormat::Bmp);
        EXPECT_EQ(pic->pixelSize(), size_t(w) * 5 * 3);
        testing::ExpectMatchesReference(*pic, testing::StbDecode(bmp));
      }
    }
  }
}

// Both row paths and the pair rows against a pixel-at-a-time expansion, at
// every width around the four-pixel steps and the wide path's two-pixel
// margin, with a distinct colour per index, each row written into a buffer
// with guard bytes after it: a store past the row's end would change them.
TEST(Bmp, PaletteRowsMatchOnePixelAtATime) {
  std::mt19937 rng(11);
  uint8_t table[256 * 4];
  for (int i = 0; i < 256; ++i) {
    table[i * 4] = uint8_t(i);
    table[i * 4 + 1] = uint8_t(255 - i);
    table[i * 4 + 2] = uint8_t(i * 7 + 3);
    table[i * 4 + 3] = 0;
  }
  const detail::PairRows pairs(table);
  for (size_t width = 1; width <= 41; ++width) {
    std::vector<uint8_t> src(width);
    for (auto& i : src) i = uint8_t(rng());
    src[0] = 255;  // the table's last colour is read whole too
    std::vector<uint8_t> want(width * 3 + 32, 0xA5);
    for (size_t x = 0; x < width; ++x) std::memcpy(&want[x * 3], &table[src[x] * 4], 3);
    for (detail::SimdPath path : testing::SimdPaths(detail::PaletteRowsWideAvailable())) {
      SCOPED_TRACE("width " + std::to_string(width) + testing::PathName(path));
      std::vector<uint8_t> got(width * 3 + 32, 0xA5);
      detail::PaletteRow8(got.data(), src.data(), width, table, path);
      EXPECT_EQ(got, want);
    }
    SCOPED_TRACE("width " + std::to_string(width) + " pairs");
    std::vector<uint8_t> got(width * 3 + 32, 0xA5);
    pairs.Row(got.data(), src.data(), width);
    EXPECT_EQ(got, want);
  }
}

TEST(Bmp, FourAndOneBitRowsMatchOnePixelAtATime) {
  std::mt19937 rng(13);
  uint8_t table[256 * 4];
  for (int i = 0; i < 256; ++i) {
    table[i * 4] = uint8_t(i * 5 + 1);
    table[i * 4 + 1] = uint8_t(200 - i);
    table[i * 4 + 2] = uint8_t(i * 11);
    table[i * 4 + 3] = 0;
  }
  for (int bits : {4, 1}) {
    const detail::SmallIndexRows rows(table, bits);
    for (size_t width = 1; width <= 41; ++width) {
      SCOPED_TRACE(std::to_string(bits) + " bits, width " + std::to_string(width));
      std::vector<uint8_t> src((width * size_t(bits) + 7) / 8);
      for (auto& byte : src) byte = uint8_t(rng());
      std::vector<uint8_t> want(width * 3 + 32, 0xA5);
      for (size_t x = 0; x < width; ++x) {
        const size_t bit = x * size_t(bits);
        const unsigned i = (src[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
        std::memcpy(&want[x * 3], &table[i * 4], 3);
      }
      std::vector<uint8_t> got(width * 3 + 32, 0xA5);
      rows.Row(got.data(), src.data(), width);
      EXPECT_EQ(got, want);
    }
  }
}

TEST(Bmp, PairRowsOnlyForBigPicturesWithRepeatingNeighbours) {
  const size_t w = 1024, h = 1024;
  std::vector<uint8_t> smooth(w * h);
  for (size_t y = 0; y < h; ++y)
    for (size_t x = 0; x < w; ++x) smooth[y * w + x] = uint8_t((x / 16 + y / 16) & 0xFF);
  std::mt19937 rng(5);
  std::vector<uint8_t> noise(w * h);
  for (auto& i : noise) i = uint8_t(rng());
  EXPECT_TRUE(detail::PairRowsPay(smooth.data(), w, w, h));
  EXPECT_FALSE(detail::PairRowsPay(noise.data(), w, w, h));
  // Too few pixels to repay the table, smooth or not.
  EXPECT_FALSE(detail::PairRowsPay(smooth.data(), w, w, h / 2 - 1));
  EXPECT_FALSE(detail::PairRowsPay(smooth.data(), 1, 1, w * h));
  // Rows are taken `stride` apart: noise in the padding is not sampled. (A
  // height of 33 times 32 puts the rows sampled at odd numbers, so rows taken
  // `width` apart would all start in padding.)
  const size_t tall = 1056;
  std::vector<uint8_t> padded(2 * w * tall);
  for (size_t y = 0; y < tall; ++y) {
    std::memcpy(&padded[2 * w * y], &smooth[w * (y % h)], w);
    std::memcpy(&padded[2 * w * y + w], &noise[w * (y % h)], w);
  }
  EXPECT_TRUE(detail::PairRowsPay(padded.data(), 2 * w, w, tall));
}

TEST(Bmp, BigEightBitPicturesMatchTheReferenceEitherWay) {
  // 1025 wide: odd, so each row ends on a pixel of its own and rows are padded.
  const int w = 1025, h = 1024;
  std::mt19937 rng(9);
  std::vector<uint8_t> smooth(size_t(w) * h), noise(size_t(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) smooth[size_t(y) * w + x] = uint8_t((x / 32 * 3 + y / 16 + (rng() % 16 == 0)) & 0xFF);
  for (auto& i : noise) i = uint8_t(rng());
  for (const auto* indices : {&smooth, &noise}) {
    SCOPED_TRACE(indices == &smooth ? "smooth" : "noise");
    // The smooth one goes through the table of pairs, the noise not.
    EXPECT_EQ(detail::PairRowsPay(indices->data(), size_t(w), size_t(w), size_t(h)), indices == &smooth);
    const Bytes bmp = MakeBmp(w, h, 8, testing::TestPalette(256), *indices);
    auto pic = DecodeBmp(bmp, nullptr, {});
    ASSERT_NE(pic, nullptr);
    testing::ExpectMatchesReference(*pic, testing::StbDecode(bmp));
  }
}

TEST(Bmp, FilesFromAnotherWriter) {
  for (const char* name : {"bmp/im_8bit.bmp", "bmp/im_24bit.bmp"}) {
    SCOPED_TRACE(name);
    const Bytes bmp = testing::ReadFixture(name);
    auto pic = DecodePictureFromMemory(bmp);
    ASSERT_NE(pic, nullptr);
    testing::ExpectMatchesReference(*pic, testing::StbDecode(bmp));
  }
  EXPECT_EQ(DecodePictureFromMemory(testing::ReadFixture("bmp/rle8_refused.bmp")), nullptr);
}

TEST(Bmp, ThirtyTwoBitIgnoresTheFourthByte) {
  const Bytes bmp = MakeBmp(2, 1, 32, {}, {10, 20, 30, 40, 50, 60});
  auto pic = DecodeBmp(bmp, nullptr, {});
  ASSERT_NE(pic, nullptr);
  EXPECT_EQ(pic->pixels, (PixelBlock{30, 20, 10, 60, 50, 40}));
}

TEST(Bmp, KindTwoLayoutIsBottomUpBgr) {
  // 1 x 2: top pixel red, bottom pixel blue; the first output row is the bottom.
  const Bytes bmp = MakeBmp(1, 2, 24, {}, {255, 0, 0, 0, 0, 255});
  auto pic = DecodeBmp(bmp, nullptr, {});
  ASSERT_NE(pic, nullptr);
  EXPECT_EQ(pic->pixels, (PixelBlock{255, 0, 0, 0, 0, 255}));
}

Bytes Patched(Bytes b, size_t at, uint32_t v, int size = 4) {
  for (int i = 0; i < size; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
  return b;
}

TEST(BmpHardening, RefusedHeaders) {
  const Bytes good = MakeBmp(8, 4, 8, testing::TestPalette(256), Pixels(8, 4, 8));
  ASSERT_NE(DecodeBmp(good, nullptr, {}), nullptr);
  const std::vector<std::pair<std::string, Bytes>> refused = {
      {"width 0", Patched(good, 18, 0)},
      {"height 0", Patched(good, 22, 0)},
      {"most negative width", Patched(good, 18, 0x80000000u)},
      {"most negative height", Patched(good, 22, 0x80000000u)},
      {"beyond 2^32 bytes", Patched(Patched(good, 18, 0x10000), 22, 0x10000)},
      {"colours used above the depth and past the end", Patched(good, 46, 100000)},
      {"colours used near 2^31", Patched(good, 46, 0x7FFFFFF0u)},
      {"offset past the end", Patched(good, 10, uint32_t(good.size()) + 10)},
      {"offset inside the headers", Patched(good, 10, 60)},
      {"depth 2", Patched(good, 28, 2, 2)},
      {"depth 7", Patched(good, 28, 7, 2)},
      {"depth 16", Patched(good, 28, 16, 2)},
      {"depth 64", Patched(good, 28, 64, 2)},
      {"run-length compressed", Patched(good, 30, 1)},
      {"bit fields", Patched(good, 30, 3)},
      {"one byte short", Bytes(good.begin(), good.end() - 1)},
      {"header alone", Bytes(good.begin(), good.begin() + 54)},
      {"info header size too small", Patched(good, 14, 12)},
      {"info header size past the end", Patched(good, 14, 0xFFFFFFF0u)},
  };
  for (const auto& [name, bytes] : refused) {
    std::string why;
    EXPECT_EQ(DecodePictureFromMemory(bytes, &why), nullptr) << name;
    EXPECT_FALSE(why.empty()) << name;
  }
}

TEST(BmpHardening, PaletteIndicesBeyondTheTableShowBlack) {
  // Two table entries, index 7 used.
  const Bytes bmp = MakeBmp(2, 1, 8, {{1, 2, 3}, {4, 5, 6}}, {1, 7});
  auto pic = DecodeBmp(bmp, nullptr, {});
  ASSERT_NE(pic, nullptr);
  EXPECT_EQ(pic->pixels, (PixelBlock{6, 5, 4, 0, 0, 0}));
}

TEST(BmpHardening, CallerLimitsApply) {
  const Bytes bmp = MakeBmp(100, 100, 24, {}, Pixels(100, 100, 24));
  DecodeLimits small;
  small.maxPixels = 9999;
  std::string why;
  EXPECT_EQ(DecodeBmp(bmp, &why, small), nullptr);
  EXPECT_NE(why.find("limits"), std::string::npos);
  small.maxPixels = 10000;
  EXPECT_NE(DecodeBmp(bmp, &why, small), nullptr);
}

}  // namespace
}  // namespace picture
