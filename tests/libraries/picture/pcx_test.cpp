#include <gtest/gtest.h>

#include <random>

#include "libraries/picture/decode_util.h"
#include "libraries/picture/pcx_runs.h"
#include "libraries/picture/render.h"
#include "tests/libraries/picture/compare.h"
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

// ---- the block decoder against a plain token loop ----------------------------

struct Plain {
  bool ok = false;
  std::vector<uint8_t> out;
  size_t consumed = 0;  // past the last token read, as position() reports
};

// The coding as plainly as it can be written.
Plain PlainDecode(const Bytes& in, size_t total) {
  Plain r;
  size_t p = 0;
  while (r.out.size() < total) {
    if (p >= in.size()) return {};
    const uint8_t c = in[p++];
    if (c <= 192) {
      r.out.push_back(c);
      continue;
    }
    if (p >= in.size()) return {};
    r.out.insert(r.out.end(), size_t(c - 192), in[p++]);
  }
  r.out.resize(total);
  r.consumed = p;
  r.ok = true;
  return r;
}

// Tokens of every kind the block decoder tells apart: literals up to 192
// (192 itself included), short and long runs, runs of bytes above 192,
// chains of such runs (high bytes in a row), and literal stretches longer
// than one wide copy.
Bytes RandomTokens(std::mt19937& rng, size_t tokens) {
  Bytes b;
  auto high = [&] { return uint8_t(193 + rng() % 63); };
  for (size_t t = 0; t < tokens; ++t) {
    switch (rng() % 9) {
      case 0:
      case 1:
        b.push_back(uint8_t(rng() % 193));
        break;
      case 2:
        b.push_back(192);
        break;
      case 3:
        b.insert(b.end(), {uint8_t(193 + rng() % 8), uint8_t(rng())});
        break;
      case 4:
        b.insert(b.end(), {high(), uint8_t(rng())});
        break;
      case 5:
        b.insert(b.end(), {high(), high()});
        break;
      case 6:
        for (size_t k = 0, n = 30 + rng() % 40; k < n; ++k) b.push_back(uint8_t(rng() % 193));
        break;
      case 7:
        for (size_t k = 0, n = 1 + rng() % 12; k < n; ++k) b.insert(b.end(), {high(), high()});
        break;
      case 8:
        b.insert(b.end(), {255, uint8_t(rng())});
        break;
    }
  }
  return b;
}

std::vector<detail::SimdPath> Paths() { return testing::SimdPaths(detail::PcxRunDecoder::WideAvailable()); }

// Decodes `total` bytes in lines of the given lengths (cycled), each into a
// block of its own with exactly `slack` bytes after it, so that a write past
// the slack or a read past the input shows under the address sanitizer.
Plain BlockDecode(const Bytes& in, size_t total, const std::vector<size_t>& lines, size_t slack, detail::SimdPath path) {
  detail::PcxRunDecoder runs(in.data(), in.data() + in.size(), path);
  Plain r;
  for (size_t i = 0; r.out.size() < total; ++i) {
    const size_t n = std::min(lines[i % lines.size()], total - r.out.size());
    std::vector<uint8_t> line(n + slack);
    if (!runs.Read(line.data(), n, slack)) return {};
    r.out.insert(r.out.end(), line.begin(), line.begin() + long(n));
  }
  r.consumed = size_t(runs.position() - in.data());
  r.ok = true;
  return r;
}

// The output of a stream that ends on a whole token.
size_t OutputOf(const Bytes& in) {
  size_t n = 0;
  for (size_t p = 0; p < in.size(); p += in[p] > 192 ? 2 : 1) n += in[p] > 192 ? in[p] - 192 : 1;
  return n;
}

void ExpectSame(const Plain& want, const Plain& got, const std::string& what) {
  ASSERT_EQ(want.ok, got.ok) << what;
  if (!want.ok) return;
  EXPECT_EQ(want.consumed, got.consumed) << what;
  ASSERT_EQ(want.out.size(), got.out.size()) << what;
  for (size_t i = 0; i < want.out.size(); ++i) ASSERT_EQ(want.out[i], got.out[i]) << what << " at " << i;
}

TEST(PcxRuns, EveryBlockAlignmentAndLineSplitMatchesThePlainLoop) {
  std::mt19937 rng(7);
  for (int round = 0; round < 4; ++round) {
    const Bytes tokens = RandomTokens(rng, 900);
    // Literals in front move every token to each place in a 64-byte block.
    for (size_t shift = 0; shift < 64; ++shift) {
      Bytes in(shift, 5);
      in.insert(in.end(), tokens.begin(), tokens.end());
      const size_t full = OutputOf(in);
      const Plain all = PlainDecode(in, full);
      ASSERT_TRUE(all.ok);
      EXPECT_EQ(all.consumed, in.size());
      for (detail::SimdPath path : Paths()) {
        const std::string what = "round " + std::to_string(round) + " shift " + std::to_string(shift) +
                                 testing::PathName(path);
        // One stream; lines that end inside runs and long runs; lines of one
        // byte; no slack, which goes token by token.
        ExpectSame(all, BlockDecode(in, full, {full}, 64, path), what + " whole");
        ExpectSame(all, BlockDecode(in, full, {1 + rng() % 200, 1 + rng() % 700, 61, 3}, 64, path), what + " lines");
        if (shift % 16 == 0) {
          ExpectSame(all, BlockDecode(in, full, {1}, 64, path), what + " single bytes");
          ExpectSame(all, BlockDecode(in, full, {97}, 0, path), what + " no slack");
        }
        // Stopping short leaves the position after the token that ended it.
        const size_t part = full / 2 + rng() % (full / 2);
        ExpectSame(PlainDecode(in, part), BlockDecode(in, part, {part}, 64, path), what + " part");
      }
    }
  }
}

// Blocks are copied with narrower stores when their literal stretches are
// short, so a stretch one longer than such a copy, at each place in a block,
// among runs of every length (0 is the literal 192) with short gaps.
TEST(PcxRuns, LiteralStretchesAroundEachCopyWidthMatchThePlainLoop) {
  std::mt19937 rng(5);
  for (size_t stretch : {7, 8, 9, 10, 31, 32, 33, 63, 64, 65}) {
    for (size_t lead = 0; lead < 64; ++lead) {
      Bytes in;
      for (size_t k = 0; k < lead / 2; ++k) in.insert(in.end(), {uint8_t(193 + k % 63), uint8_t(rng())});
      if (lead % 2) in.push_back(uint8_t(rng() % 193));
      for (size_t k = 0; k < stretch; ++k) in.push_back(uint8_t(1 + k % 190));
      for (int round = 0; round < 3; ++round) {
        for (size_t len = 0; len < 64; ++len) {
          in.insert(in.end(), {uint8_t(192 + len), uint8_t(rng())});
          for (size_t k = 0, gap = rng() % 4; k < gap; ++k) in.push_back(uint8_t(rng() % 193));
        }
      }
      in.insert(in.end(), {192 + 40, 7});
      const size_t full = OutputOf(in);
      const Plain all = PlainDecode(in, full);
      ASSERT_TRUE(all.ok);
      for (detail::SimdPath path : Paths()) {
        const std::string what = "stretch " + std::to_string(stretch) + " lead " + std::to_string(lead) +
                                 testing::PathName(path);
        ExpectSame(all, BlockDecode(in, full, {full}, 64, path), what + " whole");
        ExpectSame(all, BlockDecode(in, full, {1 + rng() % 300, 37}, 64, path), what + " lines");
        // The last run's count byte left without its value, and the whole run cut.
        for (long drop : {1, 2}) {
          const Bytes cut(in.begin(), in.end() - drop);
          const Plain got = BlockDecode(cut, full, {full}, 64, path);
          EXPECT_FALSE(got.ok) << what << " drop " << drop;
          ExpectSame(PlainDecode(cut, full), got, what + " cut");
        }
      }
    }
  }
}

// The wide path drops counts of 1 and turns counts of 2 into their value
// twice before packing a block's bytes together, visiting only longer runs:
// streams made mostly of those, their values often bytes above 192 (so
// chains of high bytes pair up across them), at each place in a block.
TEST(PcxRuns, CountsOfOneAndTwoAmongLongerRunsMatchThePlainLoop) {
  std::mt19937 rng(13);
  auto any = [&] { return uint8_t(rng() % 3 == 0 ? 193 + rng() % 63 : rng()); };
  Bytes tokens;
  for (int t = 0; t < 3000; ++t) {
    switch (rng() % 6) {
      case 0:
        tokens.push_back(uint8_t(rng() % 193));
        break;
      case 1:
        tokens.insert(tokens.end(), {193, any()});
        break;
      case 2:
        tokens.insert(tokens.end(), {194, any()});
        break;
      case 3:
        tokens.insert(tokens.end(), {uint8_t(195 + rng() % 61), any()});
        break;
      case 4:  // a chain: count 1 or 2 of a high byte, again and again
        for (int k = 0, n = 1 + int(rng() % 20); k < n; ++k) tokens.insert(tokens.end(), {uint8_t(193 + rng() % 2), any()});
        break;
      case 5:
        for (int k = 0, n = 1 + int(rng() % 12); k < n; ++k) tokens.push_back(uint8_t(rng() % 193));
        break;
    }
  }
  for (size_t shift = 0; shift < 64; ++shift) {
    Bytes in(shift, 7);
    in.insert(in.end(), tokens.begin(), tokens.end());
    const size_t full = OutputOf(in);
    const Plain all = PlainDecode(in, full);
    ASSERT_TRUE(all.ok);
    for (detail::SimdPath path : Paths()) {
      const std::string what =
          "shift " + std::to_string(shift) + testing::PathName(path);
      ExpectSame(all, BlockDecode(in, full, {full}, 64, path), what + " whole");
      ExpectSame(all, BlockDecode(in, full, {1 + rng() % 500, 2 + rng() % 90}, 64, path), what + " lines");
      const size_t part = full / 3 + rng() % (full / 2);
      ExpectSame(PlainDecode(in, part), BlockDecode(in, part, {part}, 64, path), what + " part");
    }
  }
}

TEST(PcxRuns, TruncatedStreamsFailWithoutReadingPastTheirEnd) {
  std::mt19937 rng(11);
  const Bytes tokens = RandomTokens(rng, 600);
  const size_t full = OutputOf(tokens);
  ASSERT_TRUE(PlainDecode(tokens, full).ok);
  // Every cut among the last 200 bytes, some just after a count byte, and a
  // count byte as the very last byte of a stream that is long enough for blocks.
  for (size_t keep = tokens.size() - 200; keep < tokens.size(); ++keep) {
    const Bytes cut(tokens.begin(), tokens.begin() + long(keep));
    for (detail::SimdPath path : Paths()) {
      const Plain got = BlockDecode(cut, full, {full}, 64, path);
      EXPECT_FALSE(got.ok) << keep;
      ExpectSame(PlainDecode(cut, full), got, "cut " + std::to_string(keep));
    }
  }
  Bytes dangling(300, 9);
  dangling.push_back(0xC5);
  for (detail::SimdPath path : Paths()) {
    EXPECT_FALSE(BlockDecode(dangling, 305, {305}, 64, path).ok);
    EXPECT_TRUE(BlockDecode(dangling, 300, {300}, 64, path).ok);
  }
}

TEST(PcxRuns, HighByteChainsAlternateCountAndValue) {
  // 0xC1 0xC1 is one pixel of 0xC1; a chain of them keeps that pairing
  // whatever place in a block it starts on, and 0xC0 is always a literal.
  for (size_t lead = 0; lead < 70; ++lead) {
    Bytes in(lead, 0xC0);
    for (int k = 0; k < 100; ++k) in.insert(in.end(), {0xC1, uint8_t(0xC1 + k % 63)});
    in.insert(in.end(), 200, 1);
    const size_t total = lead + 100 + 200;
    for (detail::SimdPath path : Paths()) {
      const Plain got = BlockDecode(in, total, {total}, 64, path);
      ASSERT_TRUE(got.ok) << lead;
      for (size_t i = 0; i < lead; ++i) ASSERT_EQ(got.out[i], 0xC0) << lead;
      for (size_t k = 0; k < 100; ++k) ASSERT_EQ(got.out[lead + k], 0xC1 + k % 63) << lead;
      EXPECT_EQ(got.out[total - 1], 1);
    }
  }
}

// Every row layout of DecodePcx: stored lines as long as the output rows (one
// stream), shorter (row by row with the row padding as room) and longer
// (through a scratch line), with runs crossing line ends.
TEST(Pcx, RowLayoutsMatchThePlainLoop) {
  std::mt19937 rng(3);
  for (auto [width, lineBytes] : {std::pair<int32_t, uint16_t>{300, 300}, {301, 304}, {298, 299}, {333, 340}, {64, 64}}) {
    const int32_t height = 37;
    const size_t total = size_t(lineBytes) * height;
    Bytes stream = RandomTokens(rng, total);
    const Plain plain = PlainDecode(stream, total);
    ASSERT_TRUE(plain.ok);
    Bytes pcx = MakePcx(5, 8, width, height, lineBytes, std::vector<uint8_t>(total, 0), nullptr);
    pcx.resize(128);
    pcx.insert(pcx.end(), stream.begin(), stream.end());
    auto pic = DecodePcx(pcx, nullptr, {});
    ASSERT_NE(pic, nullptr) << width;
    const size_t stride = detail::Stride8(width);
    ASSERT_EQ(pic->pixelSize(), 1064 + stride * height);
    for (int32_t y = 0; y < height; ++y)
      for (size_t x = 0; x < stride; ++x)
        ASSERT_EQ(pic->pixels[1064 + y * stride + x], x < size_t(width) ? plain.out[y * lineBytes + x] : 0)
            << width << " " << x << "," << y;
    // Without the last byte of the token that completes the picture it fails.
    Bytes cut = pcx;
    cut.resize(128 + plain.consumed - 1);
    EXPECT_EQ(DecodePcx(cut, nullptr, {}), nullptr) << width;
  }
}

}  // namespace
}  // namespace picture
