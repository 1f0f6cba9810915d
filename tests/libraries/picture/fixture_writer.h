// Builders for small picture files, so each test states the exact bytes it
// feeds the decoders.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace picture::testing {

using Bytes = std::vector<uint8_t>;

struct Rgb {
  uint8_t r, g, b;
};

// --- BMP -----------------------------------------------------------------
// Pixels are palette indices for 1/4/8 bits and RGB triples (r,g,b per pixel)
// for 24/32 bits, rows top-down; `height` < 0 stores the rows top-down.
Bytes MakeBmp(int32_t width, int32_t height, int bits, const std::vector<Rgb>& palette,
              const std::vector<uint8_t>& pixels);

// --- ICO / CUR -------------------------------------------------------------
// An icon resource: bitmap info header (height doubled), colour table, XOR
// rows bottom-up, AND mask. `bgra` is width*height*4 top-down; for depths
// below 32 the colour is matched against `palette`.
Bytes MakeIconDib(int32_t width, int32_t height, int bits, const std::vector<Rgb>& palette,
                  const std::vector<uint8_t>& indicesOrBgra, const std::vector<bool>& transparent);

struct IconEntry {
  uint8_t width, height, colourCount;
  uint16_t planesOrHotX, bitsOrHotY;
  Bytes image;
};
// type 1 icon, 2 cursor.
Bytes MakeIconFile(uint16_t type, const std::vector<IconEntry>& entries);

// --- PCX -------------------------------------------------------------------
// rows: each `lineBytes` long (already padded); encoded with runs.
Bytes MakePcx(int version, int bits, int32_t width, int32_t height, uint16_t lineBytes,
              const std::vector<uint8_t>& lines, const std::vector<Rgb>* palette);

// --- GIF -------------------------------------------------------------------
Bytes LzwEncode(std::span<const uint8_t> indices, int minimumCodeSize, bool clearWhenFull = true);

struct GifFrameSpec {
  uint16_t left = 0, top = 0, width = 0, height = 0;
  std::vector<uint8_t> indices;  // top-down rows
  std::vector<Rgb> localPalette;  // empty: use the global one
  bool interlaced = false;
  bool control = false;
  int disposal = 0;
  bool transparent = false;
  uint8_t transparentIndex = 0;
  uint16_t delay = 0;
  int minimumCodeSize = 8;
};
Bytes MakeGif(uint16_t width, uint16_t height, const std::vector<Rgb>& globalPalette,
              const std::vector<GifFrameSpec>& frames, bool trailer = true);

// --- PNG / JPEG (through the real encoders) --------------------------------
Bytes MakePngBgra(int32_t width, int32_t height, const std::vector<uint8_t>& bgra);
Bytes MakeJpeg(int32_t width, int32_t height, int components, const std::vector<uint8_t>& samples,
               bool progressive = false);

// --- Reference decoding and files ---------------------------------------------
struct RgbaImage {
  int width = 0, height = 0;
  std::vector<uint8_t> rgba;
};
RgbaImage StbDecode(std::span<const uint8_t> bytes);
// All frames of a GIF, composed by the reference decoder.
std::vector<RgbaImage> StbGifFrames(std::span<const uint8_t> bytes);

Bytes ReadFixture(const std::string& relative);  // under tests/libraries/picture/fixtures
std::vector<Rgb> TestPalette(int count);

}  // namespace picture::testing
