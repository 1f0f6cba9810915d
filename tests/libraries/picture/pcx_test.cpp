#include <gtest/gtest.h>

#include "libraries/picture/decode_util.h"
#include "libraries/picture/render.h"
#include "tests/libraries/picture/fixture_writer.h"

namespace picture {
namespace {

using testing::Bytes;
using testing::MakePcx;

std::vector<uint8_t> Lines(int32_t w, int32_t h, uint16_t lineBytes) {
  std::vector<uint8_t> lines(size_t(lineBytes) * h, 0xAB);  // padding bytes are not kept
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) lines[size_t(y) * lineBytes + x] = uint8_t(x < w / 2 ? 7 : (x * 31 + y) & 0xFF);
  return lines;
}

TEST(Pcx, EightBitWithColourTable) {
  const auto pal = testing::TestPalette(256);
  const Bytes pcx = MakePcx(5, 8, 13, 6, 14, Lines(13, 6, 14), &pal);
  std::string why;
  auto pic = DecodePictureFromMemory(pcx, &why);
  ASSERT_NE(pic, nullptr) << why;
  EXPECT_EQ(pic->kind, PictureFormat::Pcx8);
  EXPECT_EQ(pic->width, 13);
  EXPECT_EQ(pic->height, 6);
  EXPECT_EQ(pic->pixelSize(), 1064u + 16u * 6u);
  const auto lines = Lines(13, 6, 14);
  for (int32_t y = 0; y < 6; ++y) {
    for (int32_t x = 0; x < 13; ++x) EXPECT_EQ(pic->pixels[1064 + y * 16 + x], lines[size_t(y) * 14 + x]);
    for (int32_t x = 13; x < 16; ++x) EXPECT_EQ(pic->pixels[1064 + y * 16 + x], 0);
  }
  for (int i : {0, 7, 255}) {
    EXPECT_EQ(pic->pixels[40 + i * 4 + 0], pal[size_t(i)].b);
    EXPECT_EQ(pic->pixels[40 + i * 4 + 2], pal[size_t(i)].r);
  }
}

TEST(Pcx, EightBitWithoutColourTableShowsGreyLevels) {
  const Bytes pcx = MakePcx(5, 8, 4, 2, 4, Lines(4, 2, 4), nullptr);
  auto pic = DecodePictureFromMemory(pcx);
  ASSERT_NE(pic, nullptr);
  EXPECT_EQ(pic->pixels[40 + 200 * 4], 200);
  EXPECT_EQ(pic->pixels[40 + 200 * 4 + 2], 200);
  // A marker with a short table after it is no table either.
  Bytes shortTable = pcx;
  shortTable.push_back(12);
  shortTable.insert(shortTable.end(), 100, 0x55);
  pic = DecodePictureFromMemory(shortTable);
  ASSERT_NE(pic, nullptr);
  EXPECT_EQ(pic->pixels[40 + 9 * 4], 9);
}

TEST(Pcx, FileFromAnotherWriter) {
  const Bytes pcx = testing::ReadFixture("pcx/im_8bit.pcx");
  auto pic = DecodePictureFromMemory(pcx);
  ASSERT_NE(pic, nullptr);
  EXPECT_EQ(pic->width, 37);
  EXPECT_EQ(pic->height, 23);
  // Same picture as the 24-bit BMP fixture, reduced to a palette: colours close.
  auto bmp = DecodePictureFromMemory(testing::ReadFixture("bmp/im_24bit.bmp"));
  ASSERT_NE(bmp, nullptr);
  std::vector<uint8_t> a, b;
  ASSERT_TRUE(RenderToBgra(*pic, 0, &a));
  ASSERT_TRUE(RenderToBgra(*bmp, 0, &b));
  double total = 0;
  for (size_t i = 0; i < a.size(); ++i) total += std::abs(int(a[i]) - int(b[i]));
  EXPECT_LT(total / double(a.size()), 8.0);
}

TEST(Pcx, OneBitRowsAreEvenAndStayInStep) {
  // Width 9: two bytes used; stored lines of 2 bytes; output rows 2 bytes.
  // Width 17: three bytes used, stored lines of 4, output rows of 4 (even).
  for (auto [width, lineBytes] : {std::pair<int32_t, uint16_t>{9, 2}, {17, 4}, {8, 2}}) {
    std::vector<uint8_t> lines(size_t(lineBytes) * 3);
    for (size_t i = 0; i < lines.size(); ++i) lines[i] = uint8_t(0x5A + i * 17);
    const Bytes pcx = MakePcx(3, 1, width, 3, lineBytes, lines, nullptr);
    auto pic = DecodePictureFromMemory(pcx);
    ASSERT_NE(pic, nullptr) << width;
    EXPECT_EQ(pic->kind, PictureFormat::Pcx1);
    const size_t used = size_t((width + 7) / 8), row = (used + 1) & ~size_t(1);
    ASSERT_EQ(pic->pixelSize(), row * 3);
    for (size_t y = 0; y < 3; ++y)
      for (size_t x = 0; x < used; ++x) EXPECT_EQ(pic->pixels[y * row + x], lines[y * lineBytes + x]) << width;
    std::vector<uint8_t> bgra;
    ASSERT_TRUE(RenderToBgra(*pic, 0, &bgra));
    EXPECT_EQ(bgra[0], (lines[0] & 0x80) ? 255 : 0);
    EXPECT_EQ(bgra[4], (lines[0] & 0x40) ? 255 : 0);
  }
}

TEST(Pcx, RunsCarryAcrossRows) {
  // 4 x 2 picture, lines of 4: one run of 8 covers both rows.
  Bytes pcx = MakePcx(5, 8, 4, 2, 4, std::vector<uint8_t>(8, 0), nullptr);
  pcx.resize(128);
  pcx.insert(pcx.end(), {192 + 8, 42});
  auto pic = DecodePictureFromMemory(pcx);
  ASSERT_NE(pic, nullptr);
  EXPECT_EQ(pic->pixels[1064 + 4 + 3], 42);
}

Bytes With(Bytes b, size_t at, std::initializer_list<uint8_t> v) {
  std::copy(v.begin(), v.end(), b.begin() + long(at));
  return b;
}

TEST(PcxHardening, MalformedHeadersAndData) {
  const Bytes good = MakePcx(5, 8, 10, 4, 10, Lines(10, 4, 10), nullptr);
  ASSERT_NE(DecodePcx(good, nullptr, {}), nullptr);
  const std::vector<std::pair<std::string, Bytes>> refused = {
      {"bytes per line 0", With(good, 66, {0, 0})},
      {"line too small for the width", With(good, 66, {9, 0})},
      {"lines times planes overflow", With(With(good, 66, {0xFF, 0xFF}), 65, {0xFF})},
      {"three planes", With(good, 65, {3})},
      {"xmax below xmin", With(good, 4, {20, 0})},
      {"ymax below ymin", With(good, 6, {20, 0})},
      {"window of 65536 x 65536", With(With(good, 8, {0xFF, 0xFF}), 10, {0xFF, 0xFF})},
      {"header alone", Bytes(good.begin(), good.begin() + 129)},
      {"header only, exactly 128 bytes", Bytes(good.begin(), good.begin() + 128)},
      {"depth 4", With(good, 3, {4})},
  };
  for (const auto& [name, bytes] : refused) {
    std::string why;
    EXPECT_EQ(DecodePictureFromMemory(bytes, &why), nullptr) << name;
  }
  // A run whose count byte is the last byte of the input.
  Bytes cut = good;
  cut.resize(128);
  cut.push_back(0xC5);
  EXPECT_EQ(DecodePcx(cut, nullptr, {}), nullptr);
  // Odd bytes per line wider than the width is fine.
  const Bytes odd = MakePcx(5, 8, 10, 4, 11, Lines(10, 4, 11), nullptr);
  EXPECT_NE(DecodePcx(odd, nullptr, {}), nullptr);
  // A 65535-pixel-wide window decodes (one row).
  const Bytes wide = MakePcx(5, 8, 65535, 1, 65535, std::vector<uint8_t>(65535, 3), nullptr);
  auto pic = DecodePcx(wide, nullptr, {});
  ASSERT_NE(pic, nullptr);
  EXPECT_EQ(pic->width, 65535);
}

}  // namespace
}  // namespace picture
