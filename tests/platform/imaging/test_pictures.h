// Small real pictures made in the tests: PNG written by cairo, JPEG by
// libjpeg, GIF, BMP and ICO built byte by byte.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace imaging_test {

using Bytes = std::vector<uint8_t>;

Bytes MakePng(int width, int height);
// quality 90; progressive writes several scans; grey writes one component.
Bytes MakeJpeg(int width, int height, bool progressive = false, bool grey = false);
// One image covering the screen, with a graphic control extension first.
Bytes MakeGif(int width, int height);
// An uncompressed bitmap with the 40-byte header; a negative height is stored
// as given (rows top-down). Depths up to 8 get a full colour table.
Bytes MakeBmp(int width, int height, int bitCount = 24);
// A 32-bit icon image (header height twice the icon's, colour and mask rows).
Bytes MakeIco(int width, int height);
// An icon whose first image is a PNG.
Bytes MakeIcoWithPng(int width, int height);

void Put16(Bytes& b, size_t at, uint32_t v);
void Put32(Bytes& b, size_t at, uint32_t v);
// Recomputes the CRC of the PNG chunk starting at `at` (its length field).
void FixPngCrc(Bytes& b, size_t at);

// Where the pixel data of a picture begins: the shortest prefix that the
// header readers accept (for PNG, JPEG and GIF; bitmaps and icons need all).
size_t PngHeaderEnd(const Bytes& png);   // through the first IDAT's length and type
size_t JpegHeaderEnd(const Bytes& jpeg); // through the first scan header
// MakeGif's layout through the first data sub-block's length byte.
constexpr size_t kGifHeaderEnd = 13 + 6 + 8 + 10 + 2;

}  // namespace imaging_test
