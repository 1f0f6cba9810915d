// PCX, 8 bits in one plane and 1 bit in one plane. The run-length scanner is
// in pcx_runs.cpp; no library we use reads PCX.
#include <algorithm>
#include <cstring>

#include "libraries/picture/decode_util.h"
#include "libraries/picture/pcx_runs.h"

namespace picture {

using detail::Fail;
using detail::Le16;
using detail::PcxRunDecoder;

namespace {

constexpr size_t kHeaderSize = 128;

}  // namespace

PicturePtr DecodePcx(std::span<const uint8_t> b, std::string* error, const DecodeLimits& limits) {
  if (b.size() <= kHeaderSize) return Fail(error, "pcx: too short");
  if (b[0] != 0x0A || b[1] > 5 || b[2] != 1) return Fail(error, "pcx: bad header");
  const uint8_t bits = b[3];
  const uint16_t xmin = Le16(&b[4]), ymin = Le16(&b[6]), xmax = Le16(&b[8]), ymax = Le16(&b[10]);
  const uint8_t planes = b[65];
  const uint16_t lineBytes = Le16(&b[66]);
  if (xmax < xmin || ymax < ymin) return Fail(error, "pcx: bad window");
  const int64_t width = int64_t(xmax) - xmin + 1;
  const int64_t height = int64_t(ymax) - ymin + 1;
  if (!detail::SizeAllowed(width, height, limits)) return Fail(error, "pcx: size outside the limits");
  // One plane only: several 8-bit planes are a true-colour file, several 1-bit
  // planes a 16-colour one; neither fits the bitmap layouts.
  if (planes != 1) return Fail(error, "pcx: more than one plane");
  // The coded data is one stream of lines of `lineBytes` bytes each; a run may
  // carry over into the next line, as some writers produce.
  PcxRunDecoder runs(b.data() + kHeaderSize, b.data() + b.size());

  if (bits == 8) {
    if (lineBytes < width) return Fail(error, "pcx: line shorter than the width");
    const size_t stride = detail::Stride8(int32_t(width));
    const size_t rowsStart = kBitmapInfoHeaderSize + kPaletteBytes;
    auto picture = std::make_unique<DecodedPicture>();
    picture->kind = PictureFormat::Pcx8;
    picture->width = int32_t(width);
    picture->height = int32_t(height);
    const size_t total = rowsStart + stride * size_t(height);
    picture->pixels.resize(total + PcxRunDecoder::kSlack);  // room for whole-block stores
    uint8_t* base = picture->pixels.data();
    detail::WriteInfoHeader8(base, int32_t(width), int32_t(height));
    uint8_t* rows = base + rowsStart;
    if (lineBytes == stride) {
      // Stored lines are the output rows: one stream, then the padding cleared.
      if (!runs.Read(rows, stride * size_t(height), PcxRunDecoder::kSlack))
        return Fail(error, "pcx: pixel data truncated");
      if (stride > size_t(width))
        for (int64_t y = 0; y < height; ++y) std::memset(rows + stride * size_t(y) + width, 0, stride - size_t(width));
    } else {
      std::vector<uint8_t> scratch;
      if (lineBytes > stride) scratch.resize(lineBytes + PcxRunDecoder::kSlack);
      for (int64_t y = 0; y < height; ++y) {
        uint8_t* row = rows + stride * size_t(y);
        uint8_t* dst = scratch.empty() ? row : scratch.data();
        const size_t slack = scratch.empty() ? total + PcxRunDecoder::kSlack - (rowsStart + stride * size_t(y) + lineBytes)
                                             : PcxRunDecoder::kSlack;
        if (!runs.Read(dst, lineBytes, slack)) return Fail(error, "pcx: pixel data truncated");
        if (!scratch.empty()) std::memcpy(row, scratch.data(), size_t(width));
        // The block is not zero-filled: the padding is cleared here either way.
        std::memset(row + width, 0, stride - size_t(width));
      }
    }
    // The colour table follows a 12 marker after the data; some writers leave
    // a gap, so the file's last 769 bytes are tried too. Without one the
    // indices show as grey levels.
    uint8_t* palette = base + kBitmapInfoHeaderSize;
    const uint8_t* end = b.data() + b.size();
    const uint8_t* table = nullptr;
    const uint8_t* after = runs.position();
    if (end - after >= 769 && *after == 12)
      table = after + 1;
    else if (b.size() >= kHeaderSize + 769 && end[-769] == 12)
      table = end - 768;
    for (int i = 0; i < 256; ++i) {
      palette[i * 4 + 0] = table ? table[i * 3 + 2] : uint8_t(i);
      palette[i * 4 + 1] = table ? table[i * 3 + 1] : uint8_t(i);
      palette[i * 4 + 2] = table ? table[i * 3 + 0] : uint8_t(i);
      palette[i * 4 + 3] = 0;
    }
    picture->pixels.resize(total);
    return picture;
  }

  if (bits == 1) {
    if (b[1] != 3) return Fail(error, "pcx: 1-bit file of another version");
    const size_t used = size_t((width + 7) / 8);
    const size_t outRow = (used + 1) & ~size_t(1);
    // Each stored line is lineBytes long whatever the width, so rows are
    // consumed by that count to stay in step.
    if (lineBytes < used) return Fail(error, "pcx: line shorter than the width");
    auto picture = std::make_unique<DecodedPicture>();
    picture->kind = PictureFormat::Pcx1;
    picture->width = int32_t(width);
    picture->height = int32_t(height);
    picture->pixels.assign(outRow * size_t(height), 0);
    std::vector<uint8_t> line(lineBytes + PcxRunDecoder::kSlack);
    for (int64_t y = 0; y < height; ++y) {
      if (!runs.Read(line.data(), lineBytes, PcxRunDecoder::kSlack)) return Fail(error, "pcx: pixel data truncated");
      std::memcpy(&picture->pixels[outRow * size_t(y)], line.data(), used);
    }
    return picture;
  }
  return Fail(error, "pcx: unsupported depth");
}

}  // namespace picture
