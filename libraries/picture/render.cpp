#include "libraries/picture/render.h"

#include <cmath>
#include <cstring>

#include "libraries/picture/decode_util.h"

namespace picture {

namespace {

uint8_t BlendChannel(uint8_t channel, uint8_t background, float f, float g) {
  const float v = std::trunc(float(channel) * f + float(background) * g);
  return uint8_t(v < 0.0f ? 0.0f : v > 255.0f ? 255.0f : v);
}

}  // namespace

void BlendPixelsOntoBackground(std::span<uint8_t> bgra, uint32_t background) {
  const uint8_t bgR = uint8_t(background), bgG = uint8_t(background >> 8), bgB = uint8_t(background >> 16);
  for (size_t i = 0; i + 4 <= bgra.size(); i += 4) {
    uint8_t* p = &bgra[i];
    if (p[3] == 255) continue;
    const float f = float(p[3]) * 0.003921569f;
    const float g = 1.0f - f;
    p[0] = BlendChannel(p[0], bgB, f, g);
    p[1] = BlendChannel(p[1], bgG, f, g);
    p[2] = BlendChannel(p[2], bgR, f, g);
  }
}

bool DescribeBitmap(const DecodedPicture& pic, uint32_t background, std::vector<uint8_t>* storage,
                    BitmapSource* out) {
  if (pic.width <= 0 || pic.height <= 0) return false;
  BitmapSource s;
  s.width = pic.width;
  s.height = pic.height;
  const size_t w = size_t(pic.width), h = size_t(pic.height);
  switch (pic.kind) {
    case PictureFormat::Jpeg:
    case PictureFormat::Bmp: {
      // Device bitmaps want rows padded to 4 bytes.
      if (pic.pixels.size() != w * h * 3) return false;
      s.bitsPerPixel = 24;
      s.stride = (w * 3 + 3) & ~size_t(3);
      storage->assign(s.stride * h, 0);
      for (size_t y = 0; y < h; ++y) std::memcpy(&(*storage)[y * s.stride], &pic.pixels[y * w * 3], w * 3);
      s.rows = storage->data();
      break;
    }
    case PictureFormat::Gif:
    case PictureFormat::Pcx8: {
      const size_t start = kBitmapInfoHeaderSize + kPaletteBytes;
      s.bitsPerPixel = 8;
      s.topDown = true;
      s.stride = detail::Stride8(pic.width);
      if (pic.pixels.size() < start + s.stride * h) return false;
      s.palette = pic.pixels.data() + kBitmapInfoHeaderSize;
      s.rows = pic.pixels.data() + start;
      s.transparentIndex = pic.kind == PictureFormat::Gif ? pic.transparentIndex : -1;
      break;
    }
    case PictureFormat::Pcx1: {
      s.bitsPerPixel = 1;
      s.topDown = true;
      s.stride = ((w + 7) / 8 + 1) & ~size_t(1);
      if (pic.pixels.size() < s.stride * h) return false;
      s.rows = pic.pixels.data();
      break;
    }
    case PictureFormat::Png: {
      if (pic.pixels.size() != w * h * 4) return false;
      s.bitsPerPixel = 32;
      s.topDown = true;
      s.stride = w * 4;
      storage->assign(pic.pixels.begin(), pic.pixels.end());
      BlendPixelsOntoBackground(*storage, background);
      s.rows = storage->data();
      break;
    }
    default:
      return false;
  }
  *out = s;
  return true;
}

bool RenderToBgra(const DecodedPicture& pic, uint32_t background, std::vector<uint8_t>* out) {
  const uint8_t bg[4] = {uint8_t(background >> 16), uint8_t(background >> 8), uint8_t(background), 255};
  if (pic.kind == PictureFormat::Ico || pic.kind == PictureFormat::Cur) {
    if (!pic.icon || pic.icon->width <= 0 || pic.icon->height <= 0) return false;
    *out = pic.icon->bgra;
    BlendPixelsOntoBackground(*out, background);
    for (size_t i = 3; i < out->size(); i += 4) (*out)[i] = 255;
    return true;
  }
  std::vector<uint8_t> storage;
  BitmapSource s;
  if (!DescribeBitmap(pic, background, &storage, &s)) return false;
  const size_t w = size_t(s.width), h = size_t(s.height);
  out->assign(w * h * 4, 255);
  for (size_t y = 0; y < h; ++y) {
    const uint8_t* src = s.rows + s.stride * (s.topDown ? y : h - 1 - y);
    uint8_t* dst = &(*out)[y * w * 4];
    for (size_t x = 0; x < w; ++x, dst += 4) {
      switch (s.bitsPerPixel) {
        case 1: {
          const uint8_t v = ((src[x >> 3] >> (7 - (x & 7))) & 1) ? 255 : 0;
          dst[0] = dst[1] = dst[2] = v;
          break;
        }
        case 8:
          if (int32_t(src[x]) == s.transparentIndex)
            std::memcpy(dst, bg, 3);
          else
            std::memcpy(dst, s.palette + src[x] * 4, 3);
          break;
        case 24: std::memcpy(dst, src + x * 3, 3); break;
        case 32: std::memcpy(dst, src + x * 4, 3); break;
      }
    }
  }
  return true;
}

}  // namespace picture
