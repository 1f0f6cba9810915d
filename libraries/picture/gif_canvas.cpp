#include "libraries/picture/gif_canvas.h"

#include <algorithm>
#include <cstring>

namespace picture {

GifCanvas::GifCanvas(int32_t width, int32_t height, uint32_t background)
    : width_(width), height_(height), background_(background),
      pixels_(size_t(width) * size_t(height), background) {}

void GifCanvas::Reset() {
  std::fill(pixels_.begin(), pixels_.end(), background_);
  pendingDisposal_ = 0;
  saved_.clear();
}

GifCanvas::Rect GifCanvas::Clip(const GifFrame& f) const {
  Rect r;
  if (f.left >= width_ || f.top >= height_) return r;
  r.x = f.left;
  r.y = f.top;
  r.w = std::min(f.width, width_ - f.left);
  r.h = std::min(f.height, height_ - f.top);
  if (r.w <= 0 || r.h <= 0) return Rect{};  // a 0 x N frame covers nothing
  return r;
}

void GifCanvas::Compose(const GifFrame& f) {
  // Disposal 2 and 3 both put back what was under the previous frame: the
  // undrawn frame leaves the picture as it was before it, whatever the
  // animation drew earlier.
  const Rect& u = pendingRect_;
  if (pendingDisposal_ && saved_.size() == size_t(u.w) * size_t(u.h)) {
    for (int32_t y = 0; y < u.h; ++y)
      std::memcpy(&pixels_[size_t(u.y + y) * width_ + u.x], &saved_[size_t(y) * u.w], size_t(u.w) * 4);
  }
  pendingDisposal_ = 0;

  const Rect r = Clip(f);
  if (f.disposal == 2 || f.disposal == 3) {
    pendingDisposal_ = f.disposal;
    pendingRect_ = r;
    saved_.resize(size_t(r.w) * size_t(r.h));
    for (int32_t y = 0; y < r.h; ++y)
      std::memcpy(&saved_[size_t(y) * r.w], &pixels_[size_t(r.y + y) * width_ + r.x], size_t(r.w) * 4);
  }
  if (r.w <= 0 || r.h <= 0) return;

  // Transparency goes by index: another entry of the same colour still draws.
  const int32_t codedRows = int32_t((f.decoded + size_t(f.width) - 1) / size_t(f.width));
  for (int32_t k = 0; k < codedRows; ++k) {
    const int32_t row = f.DisplayRow(k);
    if (row >= r.h) continue;
    const size_t start = size_t(k) * size_t(f.width);
    const size_t n = std::min<size_t>(size_t(r.w), f.decoded - start);
    const uint8_t* src = &f.indices[start];
    uint32_t* dst = &pixels_[size_t(r.y + row) * width_ + r.x];
    if (f.transparent) {
      const uint8_t t = f.transparentIndex;
      for (size_t x = 0; x < n; ++x)
        if (src[x] != t) dst[x] = f.palette[src[x]];
    } else {
      for (size_t x = 0; x < n; ++x) dst[x] = f.palette[src[x]];
    }
  }
}

}  // namespace picture
