// Walking a GIF stream block by block: the logical screen, extensions and
// images, each image decoded to palette indices. Holds no animation state;
// composing frames is GifCanvas's work and timing is GifPlayer's.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "libraries/picture/picture.h"

namespace picture {

struct GifScreen {
  int32_t width = 0;
  int32_t height = 0;
  uint8_t backgroundIndex = 0;
  int32_t globalCount = 0;  // 0: no global colour table
  std::array<uint8_t, 768> global{};
};

struct GifFrame {
  int32_t left = 0, top = 0, width = 0, height = 0;
  bool interlaced = false;
  // Colours as 0xAARRGGBB (BGRA in memory), opaque; entries past the active
  // table are black.
  std::array<uint32_t, 256> palette{};
  int32_t paletteCount = 0;
  int32_t disposal = 0;
  bool transparent = false;
  uint8_t transparentIndex = 0;
  uint16_t delay = 0;  // hundredths of a second
  // Indices in the order they were coded (for an interlaced image, pass by
  // pass); only the first `decoded` hold decoded pixels.
  PixelBlock indices;
  size_t decoded = 0;

  // The image row that the coded row k holds.
  int32_t DisplayRow(int32_t k) const;
};

class GifWalker {
 public:
  enum class Step { Image, Failed, NoImage };

  // Reads the header and the global colour table; the walker refers to
  // `bytes`, which must outlive it.
  bool Open(std::span<const uint8_t> bytes, const DecodeLimits& limits, std::string* error);
  const GifScreen& screen() const { return screen_; }

  // Decodes the next image into *frame. At the trailer, a zero block byte or
  // the end of the data the walk starts again from the first block; a whole
  // pass that meets no image gives NoImage. A structural fault gives Failed
  // and the next call starts again from the first block.
  Step Next(GifFrame* frame, std::string* error);

  // True when no further image follows before the end of the pass.
  bool LastImageOfPass() const;

  void Rewind();

 private:
  bool SkipSubBlocks(size_t* pos) const;

  std::span<const uint8_t> data_;  // the blocks after the header and global table
  size_t pos_ = 0;
  bool imageThisPass_ = false;
  GifScreen screen_;
  DecodeLimits limits_;
  // Graphic control state; applies to the next image only.
  int32_t disposal_ = 0;
  bool transparent_ = false;
  uint8_t transparentIndex_ = 0;
  uint16_t delay_ = 0;
  std::vector<uint8_t> lzwData_;
};

}  // namespace picture
