// The style table and the renderer, in-process: every style draws Chinese and
// Latin text with its own fonts (fallbacks on kai, never a box), styles are
// distinct, sizes and colours are honoured, and the contact sheet of all
// samples is written for people to judge.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <thread>

#include "service/renderer.h"
#include "service/styles.h"
#include "support.h"

using namespace sigservice;

namespace {

// Common to Chinese and Japanese fonts except the last character, which the
// Japanese brush fonts lack and so must come from a kai fallback.
const std::string kChineseName = "\xE6\x9D\x8E\xE6\x98\x8E\xE5\x8D\x8E";  // 李明华
const std::string kRareChinese = "\xE6\xAC\xA7\xE9\x98\xB3\xE6\x99\x93\xE7\x87\x95";  // 欧阳晓燕
const std::string kLatinName = "Sophie Martin";

#ifdef SIG_SERVICE_SANITIZED
constexpr int kStyleStep = 9;  // a spread of styles: the full table is slow under the sanitizers
#else
constexpr int kStyleStep = 1;
#endif

bool HasInk(const Image& image, Rgb paper) {
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x)
      if (!(image.At(x, y) == paper)) return true;
  return false;
}

bool BorderIs(const Image& image, Rgb paper) {
  for (int x = 0; x < image.width; ++x)
    if (!(image.At(x, 0) == paper) || !(image.At(x, image.height - 1) == paper)) return false;
  for (int y = 0; y < image.height; ++y)
    if (!(image.At(0, y) == paper) || !(image.At(image.width - 1, y) == paper)) return false;
  return true;
}

// Runs f(style) for the chosen styles on two threads, as the server would.
template <typename F>
void ForStyles(F f) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 2; ++t) {
    threads.emplace_back([&, t] {
      for (int n = 1 + t * kStyleStep; n <= kStyleCount; n += 2 * kStyleStep) f(n);
    });
  }
  for (auto& th : threads) th.join();
}

}  // namespace

TEST(ServiceStyles, TableHas410StylesFromManyFamilies) {
  std::set<std::string_view> latin, chinese;
  for (int n = 1; n <= kStyleCount; ++n) {
    const Style& s = StyleAt(n);
    EXPECT_EQ(s.number, n);
    latin.insert(s.latin);
    chinese.insert(s.chinese);
  }
  EXPECT_GE(latin.size() + chinese.size(), 16u);
  EXPECT_GE(chinese.size(), 8u);
  EXPECT_TRUE(MissingFamilies().empty()) << "font packages missing: " << MissingFamilies().front();
}

TEST(ServiceStyles, EveryStyleIsADistinctCombination) {
  std::set<std::tuple<std::string_view, const EffectRecipe*, bool>> byChinese, byLatin;
  for (int n = 1; n <= kStyleCount; ++n) {
    const Style& s = StyleAt(n);
    EXPECT_TRUE(byChinese.insert({s.chinese, s.effect, s.alternate}).second) << n;
    EXPECT_TRUE(byLatin.insert({s.latin, s.effect, s.alternate}).second) << n;
  }
}

TEST(ServiceRender, EveryStyleDrawsChineseAndLatinWithItsOwnFonts) {
  std::mutex m;
  std::vector<std::string> failures;
  std::set<std::uint64_t> chinese, latin;
  int checked = 0;
  ForStyles([&](int n) {
    const Style& s = StyleAt(n);
    const Rgb ink{0, 0, 0}, paper{255, 255, 255};
    Image zh = Render(kChineseName, s, 64, ink, paper);
    Image en = Render(kLatinName, s, 64, ink, paper);
    Image rare = Render(kRareChinese, s, 32, ink, paper);
    std::vector<std::string> problems;
    if (zh.unknownGlyphs || en.unknownGlyphs || rare.unknownGlyphs) problems.push_back("missing-glyph box");
    if (!HasInk(zh, paper) || !HasInk(en, paper)) problems.push_back("empty picture");
    for (const auto& family : FontsUsed(kLatinName, s))
      if (family != s.latin) problems.push_back("Latin drawn with " + family);
    for (const std::string& text : {kChineseName, kRareChinese}) {
      for (const auto& family : FontsUsed(text, s)) {
        bool own = family == s.chinese;
        for (const auto& f : kFallbackFamilies) own = own || (family == f.family && f.family != "WenQuanYi Micro Hei");
        if (!own) problems.push_back("Chinese drawn with " + family);
      }
    }
    std::lock_guard lock(m);
    ++checked;
    chinese.insert(sigtest::PixelHash(zh));
    latin.insert(sigtest::PixelHash(en));
    for (auto& p : problems) failures.push_back("style " + std::to_string(n) + ": " + p);
  });
  EXPECT_TRUE(failures.empty()) << failures.size() << " problems, first: " << failures.front();
  EXPECT_EQ(chinese.size(), static_cast<std::size_t>(checked)) << "two styles draw the Chinese name alike";
  EXPECT_EQ(latin.size(), static_cast<std::size_t>(checked)) << "two styles draw the Latin name alike";
}

TEST(ServiceRender, PictureHeightFollowsTheSize) {
  for (int style : {1, 9, 17, 200, 410}) {
    const Style& s = StyleAt(style);
    Image a = Render(kChineseName + " Li", s, 32, {0, 0, 0}, {255, 255, 255});
    Image b = Render(kChineseName + " Li", s, 64, {0, 0, 0}, {255, 255, 255});
    Image c = Render(kChineseName + " Li", s, 128, {0, 0, 0}, {255, 255, 255});
    EXPECT_LT(a.height, b.height) << style;
    EXPECT_LT(b.height, c.height) << style;
    EXPECT_GT(b.height, 64) << style;
    EXPECT_LT(b.height, 3 * 64) << style;  // fitted, not padded
    EXPECT_LT(b.width, 3 * 64 * 5) << style;
  }
}

TEST(ServiceRender, BackgroundIsExactlyTheRequestedColourAndInkIsUsed) {
  const Rgb ink{0xC8, 0x10, 0x2E}, paper{0x12, 0x34, 0x56};
  // One style of every effect recipe: shadows, glows and flourishes must stay
  // inside the margin.
  for (int n = 1; n <= static_cast<int>(Effects().size()); ++n) {
    Image img = Render(kChineseName + " Ann", StyleAt(n), 48, ink, paper);
    EXPECT_TRUE(BorderIs(img, paper)) << "style " << n << " (" << StyleAt(n).effect->name << ")";
    int inkPixels = 0, paperPixels = 0;
    for (int y = 0; y < img.height; ++y)
      for (int x = 0; x < img.width; ++x) {
        inkPixels += img.At(x, y) == ink;
        paperPixels += img.At(x, y) == paper;
      }
    EXPECT_GT(paperPixels, img.width * img.height / 3) << n;
    if (StyleAt(n).effect->fill == Fill::Solid) {
      EXPECT_GT(inkPixels, 20) << n;
    }
  }
}

TEST(ServiceRender, PicturesStayWithinThePixelBound) {
  std::string longText;
  for (int i = 0; i < 100; ++i) longText += "\xE6\xB0\xB8";  // 永 x 100
  Image img = Render(longText, StyleAt(8), 256, {0, 0, 0}, {255, 255, 255});
  EXPECT_LE(img.width, kMaxPictureWidth);
  EXPECT_LE(img.height, kMaxPictureHeight);
  EXPECT_TRUE(img.scaledDown);
  EXPECT_TRUE(HasInk(img, {255, 255, 255}));
  // Invisible characters alone still give a small, blank, valid picture.
  Image blank = Render("\xE2\x80\x8B", StyleAt(1), 64, {0, 0, 0}, {255, 255, 255});
  EXPECT_GT(blank.width, 0);
  EXPECT_FALSE(EncodePng(blank).empty());
}

TEST(ServiceRender, PngRoundTrips) {
  Image img = Render("Li Ming", StyleAt(5), 40, {1, 2, 3}, {250, 251, 252});
  for (int level : {1, 6, 9}) {
    auto back = sigtest::DecodePng(EncodePng(img, level));
    ASSERT_TRUE(back) << level;
    EXPECT_EQ(back->width, img.width);
    EXPECT_EQ(back->height, img.height);
    EXPECT_EQ(back->rgb, img.rgb);
  }
}

TEST(ServiceRender, SamplesAreDistinctAndWrittenAsAContactSheet) {
  std::vector<Image> samples(kStyleCount);
  std::vector<std::thread> threads;
  for (int t = 0; t < 2; ++t)
    threads.emplace_back([&, t] {
      for (int n = 1 + t; n <= kStyleCount; n += 2) samples[n - 1] = RenderSample(n);
    });
  for (auto& th : threads) th.join();
  std::set<std::uint64_t> hashes;
  for (int n = 1; n <= kStyleCount; ++n) {
    const Image& s = samples[n - 1];
    ASSERT_EQ(s.width, kSampleWidth) << n;
    ASSERT_EQ(s.height, kSampleHeight) << n;
    EXPECT_EQ(s.unknownGlyphs, 0) << n;
    EXPECT_TRUE(BorderIs(s, kSamplePaper)) << n;
    EXPECT_TRUE(HasInk(s, kSamplePaper)) << n;
    hashes.insert(sigtest::PixelHash(s));
  }
  EXPECT_EQ(hashes.size(), static_cast<std::size_t>(kStyleCount));

  // 10 columns, 1 px grey rules between the cells, read row by row: style n
  // is at column (n-1) mod 10, row (n-1) / 10.
  const int cols = 10, rows = (kStyleCount + cols - 1) / cols;
  Image sheet;
  sheet.width = cols * (kSampleWidth + 1) + 1;
  sheet.height = rows * (kSampleHeight + 1) + 1;
  sheet.rgb.assign(static_cast<std::size_t>(sheet.width) * sheet.height * 3, 0xC0);
  for (int n = 1; n <= kStyleCount; ++n) {
    const int ox = 1 + ((n - 1) % cols) * (kSampleWidth + 1), oy = 1 + ((n - 1) / cols) * (kSampleHeight + 1);
    for (int y = 0; y < kSampleHeight; ++y)
      std::copy_n(&samples[n - 1].rgb[static_cast<std::size_t>(y) * kSampleWidth * 3], kSampleWidth * 3,
                  &sheet.rgb[(static_cast<std::size_t>(oy + y) * sheet.width + ox) * 3]);
  }
  std::string png = EncodePng(sheet, 9);
  ASSERT_FALSE(png.empty());
  std::string dir = SIG_ARTIFACT_DIR;
  std::string mk = "mkdir -p '" + dir + "'";
  ASSERT_EQ(std::system(mk.c_str()), 0);
  std::string path = dir + "/service_styles_contact_sheet.png";
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_TRUE(f);
  EXPECT_EQ(std::fwrite(png.data(), 1, png.size(), f), png.size());
  std::fclose(f);
}
