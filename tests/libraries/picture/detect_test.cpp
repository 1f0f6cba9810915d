#include <gtest/gtest.h>

#include "libraries/picture/picture.h"
#include "tests/libraries/picture/fixture_writer.h"

namespace picture {
namespace {

using testing::Bytes;

PictureFormat Detect(Bytes b) {
  b.resize(std::max<size_t>(b.size(), 8), 0);
  return DetectPictureFormat(b);
}

TEST(DetectPictureFormat, SignaturesOfEveryFormat) {
  EXPECT_EQ(Detect({0xFF, 0xD8}), PictureFormat::Jpeg);
  EXPECT_EQ(Detect({'B', 'M'}), PictureFormat::Bmp);
  EXPECT_EQ(Detect({0, 0, 1, 0, 3, 0}), PictureFormat::Ico);
  EXPECT_EQ(Detect({0, 0, 2, 0, 1, 0}), PictureFormat::Cur);
  EXPECT_EQ(Detect({'G', 'I', 'F', '8', '7', 'a'}), PictureFormat::Gif);
  EXPECT_EQ(Detect({'G', 'I', 'F', '8', '9', 'a'}), PictureFormat::Gif);
  EXPECT_EQ(Detect({0x0A, 5, 1, 8}), PictureFormat::Pcx8);
  EXPECT_EQ(Detect({0x0A, 0, 1, 8}), PictureFormat::Pcx8);
  EXPECT_EQ(Detect({0x0A, 3, 1, 1}), PictureFormat::Pcx1);
  EXPECT_EQ(Detect({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}), PictureFormat::Png);
}

TEST(DetectPictureFormat, NearMissesAreUnknown) {
  EXPECT_EQ(Detect({0, 0, 1, 0, 0, 0}), PictureFormat::Unknown);  // icon with no entries
  EXPECT_EQ(Detect({0, 0, 3, 0, 1, 0}), PictureFormat::Unknown);  // type 3
  EXPECT_EQ(Detect({0x0A, 5, 1, 1}), PictureFormat::Unknown);     // 1-bit PCX must be version 3
  EXPECT_EQ(Detect({0x0A, 6, 1, 8}), PictureFormat::Unknown);     // version above 5
  EXPECT_EQ(Detect({0x0A, 3, 0, 8}), PictureFormat::Unknown);     // not run-length coded
  EXPECT_EQ(Detect({0x0A, 3, 1, 4}), PictureFormat::Unknown);
  EXPECT_EQ(Detect({'G', 'I', 'F', '8', '8', 'a'}), PictureFormat::Unknown);
  EXPECT_EQ(Detect({0xFF, 0xD9}), PictureFormat::Unknown);
}

TEST(DetectPictureFormat, FewerThanEightBytesAreNotAPicture) {
  const Bytes gif = {'G', 'I', 'F', '8', '9', 'a', 0};
  EXPECT_EQ(DetectPictureFormat(gif), PictureFormat::Unknown);
  EXPECT_EQ(DetectPictureFormat({}), PictureFormat::Unknown);
  std::string why;
  EXPECT_EQ(DecodePictureFromMemory(gif, &why), nullptr);
  EXPECT_EQ(DecodePictureFromMemory({}, &why), nullptr);
  EXPECT_FALSE(why.empty());
}

TEST(DetectPictureFormat, FirstMatchWins) {
  // "BM" is tested before everything else, the icon words before PCX.
  EXPECT_EQ(Detect({'B', 'M', 1, 0, 1, 0}), PictureFormat::Bmp);
  EXPECT_EQ(Detect({0xFF, 0xD8, 'P', 'N', 'G'}), PictureFormat::Jpeg);
}

}  // namespace
}  // namespace picture
