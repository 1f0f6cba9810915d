#include <gtest/gtest.h>

#include "libraries/picture/render.h"
#include "platform/imaging/icon_resource.h"
#include "tests/libraries/picture/fixture_writer.h"

namespace picture {
namespace {

using testing::Bytes;
using testing::IconEntry;
using testing::MakeIconDib;
using testing::MakeIconFile;

// An icon image whose every pixel has palette index `fill`, the top-left one
// transparent.
Bytes PaletteIcon(int32_t size, int bits, uint8_t fill) {
  std::vector<uint8_t> px(size_t(size) * size, fill);
  std::vector<bool> clear(px.size(), false);
  clear[0] = true;
  return MakeIconDib(size, size, bits, testing::TestPalette(1 << bits), px, clear);
}

Bytes TrueColourIcon(int32_t size, uint8_t alpha) {
  std::vector<uint8_t> px;
  for (int32_t i = 0; i < size * size; ++i) px.insert(px.end(), {uint8_t(i), 0x40, 0x80, alpha});
  return MakeIconDib(size, size, 32, {}, px, std::vector<bool>(size_t(size) * size, false));
}

TEST(Icon, ChoosesTheSixteenColourThirtyTwoPixelEntry) {
  const Bytes ico = MakeIconFile(1, {{16, 16, 16, 1, 4, PaletteIcon(16, 4, 1)},
                                     {32, 32, 16, 1, 4, PaletteIcon(32, 4, 2)},
                                     {48, 48, 0, 1, 32, TrueColourIcon(48, 255)}});
  std::string why;
  auto pic = DecodePictureFromMemory(ico, &why);
  ASSERT_NE(pic, nullptr) << why;
  EXPECT_EQ(pic->kind, PictureFormat::Ico);
  EXPECT_EQ(pic->width, 32);
  EXPECT_EQ(pic->height, 32);
  EXPECT_EQ(pic->pixelSize(), 0u);
  ASSERT_NE(pic->icon, nullptr);
  const auto c = testing::TestPalette(16)[2];
  const uint8_t* p = &pic->icon->bgra[4 * 5];
  EXPECT_EQ(p[0], c.b);
  EXPECT_EQ(p[1], c.g);
  EXPECT_EQ(p[2], c.r);
  EXPECT_EQ(p[3], 255);
  EXPECT_EQ(pic->icon->bgra[3], 0);  // the AND mask made it transparent
}

TEST(Icon, OnlyTrueColourEntriesUseTheLast) {
  const Bytes ico = MakeIconFile(1, {{16, 16, 0, 1, 32, TrueColourIcon(16, 255)},
                                     {32, 32, 0, 1, 32, TrueColourIcon(32, 255)},
                                     {24, 24, 0, 1, 32, TrueColourIcon(24, 128)}});
  auto pic = DecodePictureFromMemory(ico);
  ASSERT_NE(pic, nullptr);
  EXPECT_EQ(pic->width, 24);
  EXPECT_EQ(pic->icon->bgra[3], 128);  // its own alpha, mask ignored
}

TEST(Icon, EveryPaletteDepth) {
  for (int bits : {1, 4, 8}) {
    const Bytes ico = MakeIconFile(1, {{8, 8, 0, 1, uint16_t(bits), PaletteIcon(8, bits, 1)}});
    auto pic = DecodePictureFromMemory(ico);
    ASSERT_NE(pic, nullptr) << bits;
    const auto c = testing::TestPalette(1 << bits)[1];
    EXPECT_EQ(pic->icon->bgra[4 * 9 + 2], c.r) << bits;
  }
}

TEST(Icon, FileFromAnotherWriter) {
  const Bytes ico = testing::ReadFixture("ico/three_sizes.ico");
  auto pic = DecodePictureFromMemory(ico);
  ASSERT_NE(pic, nullptr);
  // All entries are true colour: the last one (48 x 48) is shown.
  EXPECT_EQ(pic->width, 48);
  EXPECT_EQ(pic->icon->bgra.size(), 48u * 48u * 4u);
}

TEST(Icon, EmbeddedPng) {
  std::vector<uint8_t> bgra(20 * 10 * 4, 0);
  for (size_t i = 0; i < bgra.size(); i += 4) bgra[i + 2] = 200, bgra[i + 3] = uint8_t(i);
  const Bytes ico = MakeIconFile(1, {{20, 10, 0, 1, 32, testing::MakePngBgra(20, 10, bgra)}});
  auto pic = DecodePictureFromMemory(ico);
  ASSERT_NE(pic, nullptr);
  EXPECT_EQ(pic->width, 20);
  EXPECT_EQ(pic->height, 10);
  EXPECT_EQ(pic->icon->bgra, bgra);
}

TEST(Cursor, FileKeepsItsHotSpot) {
  const Bytes cur = MakeIconFile(2, {{16, 16, 0, 5, 9, PaletteIcon(16, 1, 1)}});
  auto pic = DecodePictureFromMemory(cur);
  ASSERT_NE(pic, nullptr);
  EXPECT_EQ(pic->kind, PictureFormat::Cur);
  EXPECT_FALSE(pic->icon->isIcon);
  EXPECT_EQ(pic->icon->hotspotX, 5);
  EXPECT_EQ(pic->icon->hotspotY, 9);

  platform::IconImage cursor;
  std::string why;
  ASSERT_TRUE(CursorFromBytes(cur, &cursor, &why)) << why;
  EXPECT_EQ(cursor.width, 16);
  EXPECT_EQ(cursor.hotspotX, 5);
  EXPECT_EQ(cursor.hotspotY, 9);
  EXPECT_EQ(cursor.bgra[3], 0);
  EXPECT_EQ(cursor.bgra[7], 255);
}

TEST(Cursor, EntrySizeScalesTheImage) {
  // The entry says 32 x 32 for a 16 x 16 image: made at the entry's size, hot spot moving with it.
  const Bytes cur = MakeIconFile(2, {{32, 32, 0, 4, 6, PaletteIcon(16, 1, 1)}});
  platform::IconImage cursor;
  ASSERT_TRUE(CursorFromBytes(cur, &cursor));
  EXPECT_EQ(cursor.width, 32);
  EXPECT_EQ(cursor.hotspotX, 8);
  EXPECT_EQ(cursor.hotspotY, 12);
}

TEST(Cursor, RefusesWhatIsNotACursor) {
  const Bytes cur = MakeIconFile(2, {{16, 16, 0, 1, 1, PaletteIcon(16, 1, 1)}});
  platform::IconImage cursor;
  EXPECT_FALSE(CursorFromBytes(MakeIconFile(1, {{16, 16, 0, 1, 1, PaletteIcon(16, 1, 1)}}), &cursor));
  EXPECT_FALSE(CursorFromBytes(Bytes(cur.begin(), cur.begin() + 22), &cursor));
  // Image offset near the end with a size that passes "length - 22 >= size"
  // but runs past the bytes.
  Bytes bad = cur;
  const uint32_t offset = uint32_t(bad.size() - 1);
  for (int i = 0; i < 4; ++i) bad[18 + i] = uint8_t(offset >> (8 * i));
  EXPECT_FALSE(CursorFromBytes(bad, &cursor));
  Bytes zero = cur;
  zero[4] = 0;
  EXPECT_FALSE(CursorFromBytes(zero, &cursor));
}

TEST(IconHardening, MalformedDirectoriesAndImages) {
  const Bytes good = MakeIconFile(1, {{16, 16, 16, 1, 4, PaletteIcon(16, 4, 1)}});
  ASSERT_NE(DecodeIcon(good, nullptr, {}), nullptr);
  auto patched = [&](size_t at, std::initializer_list<uint8_t> v) {
    Bytes b = good;
    std::copy(v.begin(), v.end(), b.begin() + long(at));
    return b;
  };
  const std::vector<std::pair<std::string, Bytes>> refused = {
      {"0 entries", patched(4, {0, 0})},
      {"65535 entries", patched(4, {0xFF, 0xFF})},
      {"entry past the end", patched(18, {0xF0, 0xFF, 0, 0})},
      {"bogus size", patched(14, {0xFF, 0xFF, 0xFF, 0x7F})},
      {"image inside the directory, headerless", patched(18, {2, 0, 0, 0})},
      {"image height odd half", patched(22 + 8, {1, 0, 0, 0})},
      {"compressed image", patched(22 + 16, {1})},
      {"depth 3", patched(22 + 14, {3})},
      {"huge width", patched(22 + 4, {0, 0, 1, 0})},
      {"negative height", patched(22 + 8, {0xE0, 0xFF, 0xFF, 0xFF})},
      {"truncated", Bytes(good.begin(), good.begin() + 100)},
  };
  for (const auto& [name, bytes] : refused) {
    std::string why;
    EXPECT_EQ(DecodePictureFromMemory(bytes, &why), nullptr) << name;
  }
  // A directory size larger than the image needs is fine; smaller is refused.
  Bytes longer = good;
  longer.insert(longer.end(), 10, 0);
  longer[14] = uint8_t(longer[14] + 10);
  EXPECT_NE(DecodeIcon(longer, nullptr, {}), nullptr);
  Bytes shorter = patched(14, {40, 0, 0, 0});
  EXPECT_EQ(DecodeIcon(shorter, nullptr, {}), nullptr);
}

TEST(IconResource, MissingMaskLeavesPixelsOpaqueAndVersionIsChecked) {
  Bytes dib = PaletteIcon(8, 8, 3);
  dib.resize(dib.size() - 8 * 4);  // drop the mask
  platform::IconImage img;
  ASSERT_TRUE(platform::DecodeIconResource(dib, true, platform::kIconResourceVersion, 0, 0, &img));
  EXPECT_EQ(img.bgra[3], 255);
  EXPECT_FALSE(platform::DecodeIconResource(dib, true, 0x00020000, 0, 0, &img));
  EXPECT_FALSE(platform::DecodeIconResource(dib, true, platform::kIconResourceVersion, -1, 0, &img));
}

TEST(Icon, RendersBlendedOverTheBackground) {
  const Bytes ico = MakeIconFile(1, {{2, 2, 0, 1, 32, TrueColourIcon(2, 0)}});
  auto pic = DecodePictureFromMemory(ico);
  ASSERT_NE(pic, nullptr);
  // All alpha 0 means an old-style image: the AND mask (all opaque) decides.
  std::vector<uint8_t> out;
  ASSERT_TRUE(RenderToBgra(*pic, 0x00FF00, &out));
  EXPECT_EQ(out[1], 0x40);
}

}  // namespace
}  // namespace picture
