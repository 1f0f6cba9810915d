#include <gtest/gtest.h>

#include <dirent.h>

#include <cstdio>
#include <filesystem>
#include <random>

#include "libraries/picture/gif_player.h"
#include "libraries/picture/render.h"
#include "tests/libraries/picture/fixture_writer.h"

namespace picture {
namespace {

using testing::Bytes;

std::vector<std::string> FilesIn(const std::string& relative) {
  std::vector<std::string> out;
  const std::filesystem::path dir = std::filesystem::path(SIG_SOURCE_DIR) / "tests/libraries/picture" / relative;
  if (!std::filesystem::exists(dir)) return out;
  for (const auto& e : std::filesystem::recursive_directory_iterator(dir))
    if (e.is_regular_file() && e.path().filename() != "README") out.push_back(e.path().string());
  std::sort(out.begin(), out.end());
  return out;
}

Bytes Load(const std::string& path) {
  Bytes b;
  if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
    uint8_t buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) b.insert(b.end(), buf, buf + n);
    std::fclose(f);
  }
  return b;
}

// Whatever comes back must be self-consistent and renderable.
void CheckResult(const PicturePtr& pic) {
  if (!pic) return;
  EXPECT_GT(pic->width, 0);
  EXPECT_GT(pic->height, 0);
  std::vector<uint8_t> bgra;
  EXPECT_TRUE(RenderToBgra(*pic, 0x808080, &bgra));
}

TEST(Robustness, EveryTruncationOfEveryFixture) {
  const auto files = FilesIn("fixtures");
  ASSERT_GE(files.size(), 14u);
  for (const auto& path : files) {
    SCOPED_TRACE(path);
    const Bytes whole = Load(path);
    auto full = DecodePictureFromMemory(whole);
    if (path.find("refused") == std::string::npos) { EXPECT_NE(full, nullptr); }
    for (size_t n = 0; n < whole.size(); ++n) {
      // An exact-size copy so any read past the end is caught by the sanitizer.
      const Bytes part(whole.begin(), whole.begin() + long(n));
      CheckResult(DecodePictureFromMemory(part));
    }
  }
}

TEST(Robustness, FlippedBytesInEveryFixture) {
  std::mt19937 rng(11);
  for (const auto& path : FilesIn("fixtures")) {
    const Bytes whole = Load(path);
    for (int round = 0; round < 150; ++round) {
      Bytes b = whole;
      const int flips = 1 + int(rng() % 4);
      for (int i = 0; i < flips; ++i) b[rng() % b.size()] ^= uint8_t(1 + rng() % 255);
      CheckResult(DecodePictureFromMemory(b));
      GifPlayer player;
      if (player.Load(b))
        for (int i = 0; i < 5; ++i) player.Advance();
    }
  }
}

TEST(Robustness, CrashReproducers) {
  for (const auto& path : FilesIn("crashes")) {
    SCOPED_TRACE(path);
    const Bytes b = Load(path);
    CheckResult(DecodePictureFromMemory(b));
    GifPlayer player;
    if (player.Load(b))
      for (int i = 0; i < 20; ++i) player.Advance();
  }
}

TEST(DecodeFromFile, ReadsEveryFormatAndRefusesWhatIsNotThere) {
  const std::string dir = std::filesystem::temp_directory_path() / ("picture_file_test_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  for (const auto& path : FilesIn("fixtures")) {
    if (path.find("refused") != std::string::npos) continue;
    const Bytes bytes = Load(path);
    const std::string copy = dir + "/" + std::filesystem::path(path).filename().string();
    std::FILE* f = std::fopen(copy.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    auto fromFile = DecodePictureFromFile(copy);
    auto fromMemory = DecodePictureFromMemory(bytes);
    ASSERT_NE(fromFile, nullptr) << path;
    EXPECT_EQ(fromFile->kind, fromMemory->kind);
    EXPECT_EQ(fromFile->pixels, fromMemory->pixels);
  }
  std::string why;
  EXPECT_EQ(DecodePictureFromFile("", &why), nullptr);
  EXPECT_EQ(DecodePictureFromFile(dir + "/missing.png", &why), nullptr);
  EXPECT_EQ(DecodePictureFromFile(dir, &why), nullptr);  // a folder
  DecodeLimits tiny;
  tiny.maxFileBytes = 10;
  EXPECT_EQ(DecodePictureFromFile(dir + "/colour.jpg", &why, tiny), nullptr);
  EXPECT_EQ(why, "file too large");
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace picture
