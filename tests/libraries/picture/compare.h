// Comparing what the picture service shows with the reference decoder.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>

#include "libraries/picture/picture.h"
#include "libraries/picture/render.h"
#include "libraries/picture/simd_path.h"
#include "tests/libraries/picture/fixture_writer.h"

namespace picture::testing {

// The paths a test runs: the portable one always, the wide one where the
// processor has it.
inline std::vector<detail::SimdPath> SimdPaths(bool wideAvailable) {
  std::vector<detail::SimdPath> paths = {detail::SimdPath::Portable};
  if (wideAvailable) paths.push_back(detail::SimdPath::Best);
  return paths;
}

inline const char* PathName(detail::SimdPath path) {
  return path == detail::SimdPath::Portable ? " portable" : " wide";
}

// Renders `pic` over `background` and checks every pixel against the
// reference (alpha 0 in the reference means the background shows).
inline void ExpectMatchesReference(const DecodedPicture& pic, const RgbaImage& ref, int tolerance = 0,
                                   uint32_t background = 0x123456) {
  ASSERT_EQ(pic.width, ref.width);
  ASSERT_EQ(pic.height, ref.height);
  std::vector<uint8_t> bgra;
  ASSERT_TRUE(RenderToBgra(pic, background, &bgra));
  const uint8_t bg[3] = {uint8_t(background), uint8_t(background >> 8), uint8_t(background >> 16)};
  int worst = 0;
  size_t bad = 0;
  for (size_t i = 0; i < size_t(ref.width) * ref.height; ++i) {
    const uint8_t* r = &ref.rgba[i * 4];
    const uint8_t* o = &bgra[i * 4];
    const bool clear = r[3] == 0;
    for (int c = 0; c < 3; ++c) {
      const int want = clear ? bg[c] : r[c];
      const int d = std::abs(int(o[2 - c]) - want);
      worst = std::max(worst, d);
      if (d > tolerance && bad++ == 0)
        ADD_FAILURE() << "first difference at pixel " << i % size_t(ref.width) << "," << i / size_t(ref.width)
                      << " channel " << c << ": " << int(o[2 - c]) << " instead of " << want;
    }
  }
  EXPECT_EQ(bad, 0u) << "largest difference " << worst;
}

}  // namespace picture::testing
