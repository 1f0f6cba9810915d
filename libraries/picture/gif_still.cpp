// A GIF as a still picture: the first image on a bitmap of the logical
// screen's size.
#include <algorithm>
#include <cstring>

#include "libraries/picture/decode_util.h"
#include "libraries/picture/gif_stream.h"

namespace picture {

PicturePtr DecodeGifStill(std::span<const uint8_t> bytes, std::string* error, const DecodeLimits& limits) {
  GifWalker walker;
  if (!walker.Open(bytes, limits, error)) return nullptr;
  GifFrame frame;
  if (walker.Next(&frame, error) != GifWalker::Step::Image) return nullptr;
  const GifScreen& screen = walker.screen();
  const int32_t width = screen.width, height = screen.height;
  const size_t stride = detail::Stride8(width);
  const size_t rowsStart = kBitmapInfoHeaderSize + kPaletteBytes;

  auto picture = std::make_unique<DecodedPicture>();
  picture->kind = PictureFormat::Gif;
  picture->width = width;
  picture->height = height;
  picture->pixels.resize(rowsStart + stride * size_t(height) + kGifWorkSpace);
  uint8_t* base = picture->pixels.data();
  detail::WriteInfoHeader8(base, width, height);
  for (size_t i = 0; i < 256; ++i) {
    const uint32_t c = frame.palette[i];
    base[kBitmapInfoHeaderSize + i * 4 + 0] = uint8_t(c);
    base[kBitmapInfoHeaderSize + i * 4 + 1] = uint8_t(c >> 8);
    base[kBitmapInfoHeaderSize + i * 4 + 2] = uint8_t(c >> 16);
    base[kBitmapInfoHeaderSize + i * 4 + 3] = 0;
  }
  // Whatever the first image does not cover (outside it, or left undecoded by
  // a cut stream) shows the background: the transparent index when the image
  // has one, so it takes the colour behind the picture, else the stream's
  // background index.
  const uint8_t fill = frame.transparent ? frame.transparentIndex : screen.backgroundIndex;
  picture->transparentIndex = frame.transparent ? frame.transparentIndex : -1;
  uint8_t* rows = base + rowsStart;
  std::memset(rows, fill, stride * size_t(height));
  std::memset(rows + stride * size_t(height), 0, kGifWorkSpace);

  if (frame.width > 0 && frame.left < width && frame.top < height) {
    const int32_t visibleWidth = std::min(frame.width, width - frame.left);
    const int32_t codedRows = int32_t((frame.decoded + size_t(frame.width) - 1) / size_t(frame.width));
    for (int32_t k = 0; k < codedRows; ++k) {
      const int32_t y = frame.top + frame.DisplayRow(k);
      if (y >= height) continue;
      const size_t start = size_t(k) * size_t(frame.width);
      const size_t have = std::min<size_t>(size_t(visibleWidth), frame.decoded - start);
      std::memcpy(rows + stride * size_t(y) + size_t(frame.left), &frame.indices[start], have);
    }
  }
  return picture;
}

}  // namespace picture
