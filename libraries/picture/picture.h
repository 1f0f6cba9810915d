// The picture service: detects and decodes the picture formats the system
// shows (JPEG, BMP, ICO, CUR, GIF, PCX 8-bit and 1-bit, PNG) into a
// DecodedPicture. Every decoder takes the whole input as a span, checks every
// size before allocating, and ends in a picture or none (with the reason).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/imaging/icon_resource.h"

namespace picture {

enum class PictureFormat : int32_t {
  Unknown = 0,
  Jpeg = 1,
  Bmp = 2,
  Ico = 3,
  Cur = 4,
  Gif = 5,
  Pcx8 = 6,
  Pcx1 = 7,
  Png = 8,
};

// Caller-settable bounds. The default pixel bound, 2^26 pixels (8192 x 8192),
// keeps the largest pixel block at 256 MiB.
struct DecodeLimits {
  uint64_t maxPixels = uint64_t{1} << 26;
  int32_t maxDimension = 65535;
  uint64_t maxFileBytes = uint64_t{1} << 30;  // DecodePictureFromFile
  int32_t maxJpegScans = 256;                 // progressive JPEG scans
};

// Leaves new bytes uninitialised: every decoder writes its whole block, and
// filling it with zeros first would be a second pass over the largest pictures.
template <typename T>
struct DefaultInitAllocator : std::allocator<T> {
  template <typename U>
  struct rebind {
    using other = DefaultInitAllocator<U>;
  };
  DefaultInitAllocator() = default;
  template <typename U>
  DefaultInitAllocator(const DefaultInitAllocator<U>&) noexcept {}
  template <typename U>
  void construct(U* p) noexcept(std::is_nothrow_default_constructible_v<U>) {
    ::new (static_cast<void*>(p)) U;
  }
  template <typename U, typename... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};
using PixelBlock = std::vector<uint8_t, DefaultInitAllocator<uint8_t>>;

// Layout of `pixels` by kind:
//   Jpeg, Bmp: 24-bit BGR, rows bottom-up, width*3 bytes per row, no padding.
//   Ico, Cur:  empty; the image is `icon`.
//   Gif, Pcx8: a 40-byte bitmap info header (8 bits, top-down), 256 BGR0
//              colours, rows padded to 4 bytes; Gif adds 24,576 bytes of
//              decoder work space.
//   Pcx1:      1-bit rows, top-down, ceil(width/8) bytes rounded up to even.
//   Png:       32-bit BGRA, rows top-down, width*4 bytes per row.
struct DecodedPicture {
  PictureFormat kind = PictureFormat::Unknown;
  int32_t width = 0;
  int32_t height = 0;
  // Ico and Cur: the icon image (the window system makes the handle from it).
  std::shared_ptr<const platform::IconImage> icon;
  // Gif: the palette index shown as the background colour, or -1.
  int32_t transparentIndex = -1;
  PixelBlock pixels;

  size_t pixelSize() const { return pixels.size(); }
};

using PicturePtr = std::unique_ptr<DecodedPicture>;

// Sizes of the fixed parts of the 8-bit bitmap layouts.
inline constexpr size_t kBitmapInfoHeaderSize = 40;
inline constexpr size_t kPaletteBytes = 256 * 4;
inline constexpr size_t kGifWorkSpace = 24576;

PictureFormat DetectPictureFormat(std::span<const uint8_t> bytes);

// None for an empty or unrecognised input or any decode failure; *error
// (when given) then says why.
PicturePtr DecodePictureFromMemory(std::span<const uint8_t> bytes, std::string* error = nullptr,
                                   const DecodeLimits& limits = {});
PicturePtr DecodePictureFromFile(const std::string& path, std::string* error = nullptr,
                                 const DecodeLimits& limits = {});

// Releases the icon and the pixel block (the unique_ptr does the same).
void FreePicture(PicturePtr& picture);

// The per-format decoders, also used directly by tests and benchmarks.
PicturePtr DecodeJpeg(std::span<const uint8_t> bytes, std::string* error, const DecodeLimits& limits,
                      size_t chunkSize = 0);
PicturePtr DecodeBmp(std::span<const uint8_t> bytes, std::string* error, const DecodeLimits& limits);
PicturePtr DecodeIcon(std::span<const uint8_t> bytes, std::string* error, const DecodeLimits& limits);
PicturePtr DecodePcx(std::span<const uint8_t> bytes, std::string* error, const DecodeLimits& limits);
PicturePtr DecodePng(std::span<const uint8_t> bytes, std::string* error, const DecodeLimits& limits);
PicturePtr DecodeGifStill(std::span<const uint8_t> bytes, std::string* error = nullptr,
                          const DecodeLimits& limits = {});

// A cursor file's first image with its hot spot, as the mouse-pointer
// property needs it; false for anything that is not a usable cursor file.
bool CursorFromBytes(std::span<const uint8_t> bytes, platform::IconImage* cursor,
                     std::string* error = nullptr);

}  // namespace picture
