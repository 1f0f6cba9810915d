#include <gtest/gtest.h>

#include <cmath>

#include "libraries/picture/render.h"
#include "tests/libraries/picture/compare.h"

namespace picture {
namespace {

using testing::Bytes;

TEST(Png, PartialAlphaMatchesTheReference) {
  for (const char* name : {"png/partial_alpha.png", "png/palette.png"}) {
    SCOPED_TRACE(name);
    const Bytes png = testing::ReadFixture(name);
    std::string why;
    auto pic = DecodePictureFromMemory(png, &why);
    ASSERT_NE(pic, nullptr) << why;
    EXPECT_EQ(pic->kind, PictureFormat::Png);
    const auto ref = testing::StbDecode(png);
    ASSERT_EQ(pic->pixelSize(), size_t(ref.width) * ref.height * 4);
    // The decoded block is straight BGRA.
    for (size_t i = 0; i < size_t(ref.width) * ref.height; ++i) {
      ASSERT_EQ(pic->pixels[i * 4 + 3], ref.rgba[i * 4 + 3]) << i;
      if (ref.rgba[i * 4 + 3] == 0) continue;
      ASSERT_EQ(pic->pixels[i * 4 + 0], ref.rgba[i * 4 + 2]) << i;
      ASSERT_EQ(pic->pixels[i * 4 + 2], ref.rgba[i * 4 + 0]) << i;
    }
  }
}

TEST(Png, BlendingRuleIsSinglePrecisionAndTruncates) {
  // Pixels: opaque, fully clear, half, and a value where rounding would differ.
  std::vector<uint8_t> px = {10, 20, 30, 255, 10, 20, 30, 0, 200, 100, 0, 128, 255, 255, 255, 1};
  const uint32_t bg = 0x30C850;  // red 0x50, green 0xC8, blue 0x30
  BlendPixelsOntoBackground(px, bg);
  EXPECT_EQ((std::vector<uint8_t>(px.begin(), px.begin() + 4)), (std::vector<uint8_t>{10, 20, 30, 255}));
  EXPECT_EQ((std::vector<uint8_t>(px.begin() + 4, px.begin() + 8)), (std::vector<uint8_t>{0x30, 0xC8, 0x50, 0}));
  auto rule = [](int c, int b, int a) {
    const float f = float(a) * 0.003921569f, g = 1.0f - f;
    return int(std::trunc(float(c) * f + float(b) * g));
  };
  EXPECT_EQ(px[8], rule(200, 0x30, 128));
  EXPECT_EQ(px[9], rule(100, 0xC8, 128));
  EXPECT_EQ(px[10], rule(0, 0x50, 128));
  EXPECT_EQ(px[11], 128);  // alpha unchanged
  EXPECT_EQ(px[8], 124);   // 200 * 0.50196 + 48 * 0.49804 = 124.30
  EXPECT_EQ(px[12], 48);   // 255 * 0.00392 + 48 * 0.99608 = 48.81: truncated, not rounded
}

TEST(Png, RenderedOverTheBackground) {
  std::vector<uint8_t> bgra = {0, 0, 255, 255, 0, 0, 255, 0};
  auto pic = DecodePictureFromMemory(testing::MakePngBgra(2, 1, bgra));
  ASSERT_NE(pic, nullptr);
  std::vector<uint8_t> out;
  ASSERT_TRUE(RenderToBgra(*pic, 0xFF0000, &out));  // blue background
  EXPECT_EQ(out, (std::vector<uint8_t>{0, 0, 255, 255, 255, 0, 0, 255}));
}

TEST(Png, BeyondThePixelLimitAndBroken) {
  const Bytes png = testing::MakePngBgra(300, 200, std::vector<uint8_t>(300 * 200 * 4, 9));
  DecodeLimits limits;
  limits.maxPixels = 300 * 200 - 1;
  std::string why;
  EXPECT_EQ(DecodePng(png, &why, limits), nullptr);
  // Width 2^31-1 in the header: refused before any allocation.
  Bytes huge = png;
  huge[16] = 0x7F, huge[17] = 0xFF, huge[18] = 0xFF, huge[19] = 0xFF;
  EXPECT_EQ(DecodePictureFromMemory(huge, &why), nullptr);
  Bytes corrupt = png;
  corrupt[corrupt.size() / 2] ^= 0xFF;
  EXPECT_EQ(DecodePictureFromMemory(corrupt, &why), nullptr);
  EXPECT_EQ(DecodePictureFromMemory(Bytes(png.begin(), png.begin() + 8), &why), nullptr);
}

TEST(Jpeg, ColourGreyAndProgressiveMatchTheReference) {
  for (const char* name : {"jpeg/colour.jpg", "jpeg/grey.jpg", "jpeg/progressive.jpg"}) {
    SCOPED_TRACE(name);
    const Bytes jpg = testing::ReadFixture(name);
    std::string why;
    auto pic = DecodePictureFromMemory(jpg, &why);
    ASSERT_NE(pic, nullptr) << why;
    EXPECT_EQ(pic->kind, PictureFormat::Jpeg);
    EXPECT_EQ(pic->pixelSize(), size_t(pic->width) * pic->height * 3);
    // Two decoders' IDCT and upsampling differ by a few levels.
    testing::ExpectMatchesReference(*pic, testing::StbDecode(jpg), 12);
  }
}

TEST(Jpeg, GreyscaleCopiesTheSampleIntoAllThreeBytes) {
  std::vector<uint8_t> grey(16 * 8);
  for (size_t i = 0; i < grey.size(); ++i) grey[i] = uint8_t(i * 2);
  auto pic = DecodePictureFromMemory(testing::MakeJpeg(16, 8, 1, grey));
  ASSERT_NE(pic, nullptr);
  for (size_t i = 0; i < pic->pixels.size(); i += 3) {
    EXPECT_EQ(pic->pixels[i], pic->pixels[i + 1]);
    EXPECT_EQ(pic->pixels[i], pic->pixels[i + 2]);
  }
}

TEST(Jpeg, LayoutIsBottomUpBgr) {
  // Top half red, bottom half blue.
  std::vector<uint8_t> rgb;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) rgb.insert(rgb.end(), {uint8_t(y < 8 ? 255 : 0), 0, uint8_t(y < 8 ? 0 : 255)});
  auto pic = DecodePictureFromMemory(testing::MakeJpeg(16, 16, 3, rgb));
  ASSERT_NE(pic, nullptr);
  EXPECT_GT(pic->pixels[0], 200);  // first row is the bottom: blue first
  EXPECT_LT(pic->pixels[2], 50);
}

TEST(Jpeg, FedInSmallPiecesGivesTheSamePixels) {
  const Bytes jpg = testing::ReadFixture("jpeg/progressive.jpg");
  auto whole = DecodeJpeg(jpg, nullptr, {}, 0);
  ASSERT_NE(whole, nullptr);
  for (size_t chunk : {size_t(1), size_t(3), size_t(64), size_t(4096)}) {
    auto pieces = DecodeJpeg(jpg, nullptr, {}, chunk);
    ASSERT_NE(pieces, nullptr) << chunk;
    EXPECT_EQ(pieces->pixels, whole->pixels) << chunk;
  }
}

TEST(Jpeg, TruncatedStreamsAndLimits) {
  const Bytes jpg = testing::ReadFixture("jpeg/colour.jpg");
  // Cut in the entropy data: decodes with the missing end filled in.
  auto cut = DecodePictureFromMemory(Bytes(jpg.begin(), jpg.end() - 100));
  EXPECT_NE(cut, nullptr);
  std::string why;
  EXPECT_EQ(DecodePictureFromMemory(Bytes(jpg.begin(), jpg.begin() + 20), &why), nullptr);
  EXPECT_FALSE(why.empty());
  DecodeLimits limits;
  limits.maxPixels = 100;
  EXPECT_EQ(DecodeJpeg(jpg, &why, limits, 0), nullptr);
  EXPECT_NE(why.find("limits"), std::string::npos);
}

TEST(Jpeg, ThousandsOfScansAreRefused) {
  // Repeat the last scan of a progressive file 3000 times.
  std::vector<uint8_t> rgb(32 * 32 * 3, 90);
  const Bytes jpg = testing::MakeJpeg(32, 32, 3, rgb, true);
  size_t lastScan = 0;
  for (size_t i = 0; i + 1 < jpg.size(); ++i)
    if (jpg[i] == 0xFF && jpg[i + 1] == 0xDA) lastScan = i;
  ASSERT_GT(lastScan, 0u);
  Bytes many(jpg.begin(), jpg.begin() + long(lastScan));
  for (int i = 0; i < 3000; ++i) many.insert(many.end(), jpg.begin() + long(lastScan), jpg.end() - 2);
  many.insert(many.end(), {0xFF, 0xD9});
  std::string why;
  EXPECT_EQ(DecodePictureFromMemory(many, &why), nullptr);
  EXPECT_EQ(why, "jpeg: too many scans");
  EXPECT_NE(DecodePictureFromMemory(jpg), nullptr);
}

}  // namespace
}  // namespace picture
