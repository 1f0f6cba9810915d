// Composing GIF frames on a canvas of the logical screen's size: disposal of
// the previous frame, transparency, clipping to the screen.
#pragma once

#include <cstdint>
#include <vector>

#include "libraries/picture/gif_stream.h"

namespace picture {

class GifCanvas {
 public:
  // background: the colour behind the animation as 0xAARRGGBB.
  GifCanvas(int32_t width, int32_t height, uint32_t background);

  // Undoes the previous frame as its disposal asks, then draws `frame`.
  void Compose(const GifFrame& frame);
  // Back to the background colour with nothing to undo.
  void Reset();

  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  // width*height pixels, 0xAARRGGBB (BGRA in memory), rows top-down.
  const std::vector<uint32_t>& pixels() const { return pixels_; }

 private:
  struct Rect {
    int32_t x = 0, y = 0, w = 0, h = 0;
  };
  Rect Clip(const GifFrame& frame) const;

  int32_t width_, height_;
  uint32_t background_;
  std::vector<uint32_t> pixels_;
  // What the previous frame asks to be undone.
  int32_t pendingDisposal_ = 0;
  Rect pendingRect_;
  std::vector<uint32_t> saved_;
};

}  // namespace picture
