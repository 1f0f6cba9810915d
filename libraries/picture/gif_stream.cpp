// GIF block walk. The decoder is our own by design: it keeps the animation
// walk (looping at the trailer, frame by frame) under our control.
#include "libraries/picture/gif_stream.h"

#include <algorithm>
#include <cstring>

#include "libraries/picture/decode_util.h"
#include "libraries/picture/gif_lzw.h"

namespace picture {

using detail::Le16;

int32_t GifFrame::DisplayRow(int32_t k) const {
  if (!interlaced) return k;
  const int32_t h = height;
  const int32_t pass1 = (h + 7) / 8, pass2 = (h + 3) / 8, pass3 = (h + 1) / 4;
  if (k < pass1) return k * 8;
  k -= pass1;
  if (k < pass2) return 4 + k * 8;
  k -= pass2;
  if (k < pass3) return 2 + k * 4;
  k -= pass3;
  return 1 + k * 2;
}

bool GifWalker::Open(std::span<const uint8_t> b, const DecodeLimits& limits, std::string* error) {
  auto fail = [&](const char* why) {
    if (error) *error = why;
    return false;
  };
  if (b.size() <= 13) return fail("gif: too short");
  if (std::memcmp(b.data(), "GIF87a", 6) != 0 && std::memcmp(b.data(), "GIF89a", 6) != 0)
    return fail("gif: bad signature");
  screen_ = GifScreen{};
  screen_.width = Le16(&b[6]);
  screen_.height = Le16(&b[8]);
  screen_.backgroundIndex = b[11];
  size_t pos = 13;
  if (b[10] & 0x80) {
    const int32_t count = 1 << ((b[10] & 7) + 1);
    if (pos + size_t(count) * 3 > b.size()) return fail("gif: global colour table truncated");
    std::memcpy(screen_.global.data(), &b[pos], size_t(count) * 3);
    screen_.globalCount = count;
    pos += size_t(count) * 3;
  }
  if (!detail::SizeAllowed(screen_.width, screen_.height, limits)) return fail("gif: screen size outside the limits");
  limits_ = limits;
  data_ = b.subspan(pos);
  Rewind();
  return true;
}

void GifWalker::Rewind() {
  pos_ = 0;
  imageThisPass_ = false;
  disposal_ = 0;
  transparent_ = false;
  transparentIndex_ = 0;
  delay_ = 0;
}

bool GifWalker::SkipSubBlocks(size_t* pos) const {
  for (;;) {
    if (*pos >= data_.size()) return false;
    const uint8_t n = data_[*pos];
    *pos += 1 + size_t(n);
    if (n == 0) return true;
  }
}

bool GifWalker::LastImageOfPass() const {
  size_t pos = pos_;
  while (pos < data_.size()) {
    const uint8_t block = data_[pos];
    if (block == 0x2C) return false;
    if (block != 0x21 || pos + 2 > data_.size()) return true;
    pos += 2;
    if (!SkipSubBlocks(&pos)) return true;
  }
  return true;
}

GifWalker::Step GifWalker::Next(GifFrame* frame, std::string* error) {
  auto fail = [&](const char* why) {
    if (error) *error = why;
    Rewind();
    return Step::Failed;
  };
  for (;;) {
    if (pos_ >= data_.size() || data_[pos_] == 0x3B || data_[pos_] == 0x00) {
      // End of a pass: loop, unless the pass met no image at all.
      if (!imageThisPass_) {
        if (error) *error = "gif: no image";
        Rewind();
        return Step::NoImage;
      }
      Rewind();
      continue;
    }
    const uint8_t block = data_[pos_];
    if (block == 0x21) {
      if (pos_ + 2 > data_.size()) return fail("gif: extension truncated");
      const uint8_t label = data_[pos_ + 1];
      size_t pos = pos_ + 2;
      if (label == 0xF9) {
        if (pos + 5 > data_.size()) return fail("gif: graphic control truncated");
        if (data_[pos] >= 4) {
          const uint8_t packed = data_[pos + 1];
          disposal_ = (packed >> 2) & 7;
          transparent_ = packed & 1;
          delay_ = Le16(&data_[pos + 2]);
          transparentIndex_ = data_[pos + 4];
        }
      } else if (label != 0xFE && label != 0xFF && label != 0x01) {
        return fail("gif: unknown extension");
      }
      if (!SkipSubBlocks(&pos)) return fail("gif: extension runs past the end");
      pos_ = pos;
      continue;
    }
    if (block != 0x2C) return fail("gif: unknown block");

    // Image descriptor.
    if (pos_ + 10 > data_.size()) return fail("gif: image descriptor truncated");
    const uint8_t* d = &data_[pos_ + 1];
    GifFrame& f = *frame;
    f.left = Le16(d);
    f.top = Le16(d + 2);
    f.width = Le16(d + 4);
    f.height = Le16(d + 6);
    const uint8_t packed = d[8];
    f.interlaced = packed & 0x40;
    size_t pos = pos_ + 10;
    const uint8_t* table = screen_.global.data();
    int32_t count = screen_.globalCount;
    if (packed & 0x80) {
      count = 1 << ((packed & 7) + 1);
      if (pos + size_t(count) * 3 > data_.size()) return fail("gif: local colour table truncated");
      table = &data_[pos];
      pos += size_t(count) * 3;
    }
    f.paletteCount = count;
    f.palette.fill(0xFF000000u);
    if (count == 0) {
      // No colour table anywhere: the indices show as grey levels.
      for (uint32_t i = 0; i < 256; ++i) f.palette[i] = 0xFF000000u | (i << 16) | (i << 8) | i;
    }
    for (int32_t i = 0; i < count; ++i)
      f.palette[size_t(i)] = 0xFF000000u | (uint32_t(table[i * 3]) << 16) | (uint32_t(table[i * 3 + 1]) << 8) |
                             table[i * 3 + 2];
    f.disposal = disposal_;
    f.transparent = transparent_;
    f.transparentIndex = transparentIndex_;
    f.delay = delay_;
    disposal_ = 0;
    transparent_ = false;
    transparentIndex_ = 0;
    delay_ = 0;

    if (pos >= data_.size()) return fail("gif: image data missing");
    const int minimumCodeSize = data_[pos++];
    // Join the sub-blocks; a stream cut inside them decodes as far as it goes.
    lzwData_.clear();
    for (;;) {
      if (pos >= data_.size()) break;
      const size_t n = data_[pos++];
      if (n == 0) break;
      const size_t take = std::min(n, data_.size() - pos);
      lzwData_.insert(lzwData_.end(), data_.begin() + pos, data_.begin() + pos + take);
      pos += take;
    }
    pos_ = pos;
    imageThisPass_ = true;

    const uint64_t pixels = uint64_t(f.width) * uint64_t(f.height);
    if (pixels > limits_.maxPixels) {
      if (error) *error = "gif: image size outside the limits";
      return Step::Failed;
    }
    f.indices.resize(size_t(pixels));
    f.decoded = 0;
    if (pixels == 0) return Step::Image;
    const LzwResult r = DecodeGifLzw(lzwData_, minimumCodeSize, f.indices.data(), f.indices.size());
    if (r.status == LzwStatus::BadMinimumCodeSize) {
      if (error) *error = "gif: bad minimum code size";
      return Step::Failed;
    }
    f.decoded = r.written;
    return Step::Image;
  }
}

}  // namespace picture
