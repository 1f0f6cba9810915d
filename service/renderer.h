#pragma once
// Lettering to pixels: pango lays the text out with the style's font stack,
// cairo draws the effect layers onto an opaque image. Layout and glyph
// outlines are made under one process-wide lock (see renderer.cpp); drawing
// and encoding run on the calling threads in parallel.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "service/form.h"
#include "service/styles.h"

namespace sigservice {

// No picture is larger than this, whatever the text and size: a request
// whose lettering would be wider or taller is scaled down to fit.
inline constexpr int kMaxPictureWidth = 4096;
inline constexpr int kMaxPictureHeight = 1024;

inline constexpr int kSampleWidth = 186;
inline constexpr int kSampleHeight = 50;
// What every sample shows: a Chinese and a Latin name, both common in
// Chinese and Japanese brush fonts so the sample shows the brush itself.
inline constexpr std::string_view kSampleText = "\xE6\x9D\x8E\xE6\x98\x8E Li Ming";  // 李明 Li Ming
inline constexpr Rgb kSampleInk{0x1A, 0x1A, 0x1A};
inline constexpr Rgb kSamplePaper{0xFF, 0xFF, 0xFF};

struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;  // width * height * 3, rows top to bottom
  int unknownGlyphs = 0;          // glyphs no font of the stack had (drawn as boxes)
  bool scaledDown = false;        // the pixel bound shrank the lettering

  Rgb At(int x, int y) const {
    const std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
    return {p[0], p[1], p[2]};
  }
};

// The signature picture: fitted around the lettering with a small margin.
Image RenderSignature(const SignatureRequest& request);
// A style's 186 x 50 sample.
Image RenderSample(int style);
// Lower-level entry: text in a style at a size, optionally fitted into a box.
Image Render(std::string_view text, const Style& style, int size, Rgb ink, Rgb paper, int fitWidth = 0,
             int fitHeight = 0);

// zlib level 0..9 and the row filter; the defaults were measured in
// bench/service: level 3 without filtering beat every other pair on both
// time and size for signature pictures.
inline constexpr int kDefaultPngLevel = 3;
// filters: a PNG_FILTER_* mask, or -1 for libpng's default choice.
inline constexpr int kDefaultPngFilters = 0x08;  // PNG_FILTER_NONE: flat backgrounds compress best unfiltered
std::string EncodePng(const Image& image, int level = kDefaultPngLevel, int filters = kDefaultPngFilters);

// Font family of each run of the laid-out text, in order (for checking
// that fallbacks land on the intended fonts).
std::vector<std::string> FontsUsed(std::string_view text, const Style& style);

// Families of the style table that fontconfig does not have.
std::vector<std::string> MissingFamilies();

}  // namespace sigservice
