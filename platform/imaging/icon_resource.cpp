// Icon and cursor resources as pixels (see icon_resource.h).
//
// Written here because no library reads the icon resource layout (a bitmap
// info header followed by colour, XOR and AND data); embedded PNG images go
// through libpng.
#include "platform/imaging/icon_resource.h"

#include <png.h>

#include <cstring>

namespace platform {
namespace {

uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t Le32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

bool Fail(std::string* error, const char* why) {
  if (error) *error = why;
  return false;
}

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

bool IsPng(std::span<const uint8_t> b) {
  return b.size() >= 8 && std::memcmp(b.data(), kPngSignature, 8) == 0;
}

bool SizeAllowed(int64_t w, int64_t h, const IconResourceLimits& limits) {
  return w > 0 && h > 0 && w <= limits.maxDimension && h <= limits.maxDimension &&
         uint64_t(w) * uint64_t(h) <= limits.maxPixels;
}

bool DecodePng(std::span<const uint8_t> b, IconImage* out, std::string* error,
               const IconResourceLimits& limits) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, b.data(), b.size()))
    return Fail(error, "embedded PNG header unreadable");
  if (!SizeAllowed(image.width, image.height, limits)) {
    png_image_free(&image);
    return Fail(error, "embedded PNG too large");
  }
  image.format = PNG_FORMAT_BGRA;
  out->width = int32_t(image.width);
  out->height = int32_t(image.height);
  out->bgra.assign(size_t(image.width) * image.height * 4, 0);
  if (!png_image_finish_read(&image, nullptr, out->bgra.data(), 0, nullptr)) {
    png_image_free(&image);
    out->bgra.clear();
    return Fail(error, "embedded PNG data unreadable");
  }
  png_image_free(&image);
  return true;
}

// A bitmap-info-header image: colour table, XOR rows (bottom-up), AND mask.
bool DecodeDib(std::span<const uint8_t> b, IconImage* out, std::string* error,
               const IconResourceLimits& limits) {
  if (b.size() < 40) return Fail(error, "bitmap header truncated");
  const uint32_t headerSize = Le32(&b[0]);
  const int32_t width = int32_t(Le32(&b[4]));
  const int32_t fullHeight = int32_t(Le32(&b[8]));
  const uint16_t bits = Le16(&b[14]);
  const uint32_t compression = Le32(&b[16]);
  const uint32_t coloursUsed = Le32(&b[32]);
  if (headerSize < 40 || headerSize > b.size()) return Fail(error, "bad bitmap header size");
  if (compression != 0) return Fail(error, "compressed icon bitmap");
  if (fullHeight <= 0 || width <= 0) return Fail(error, "bad icon dimensions");
  // The stored height covers the colour image and the mask.
  const int32_t height = fullHeight / 2;
  if (!SizeAllowed(width, height, limits)) return Fail(error, "icon too large or empty");
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
    return Fail(error, "unsupported icon depth");

  uint64_t tableCount = 0;
  if (bits <= 8) {
    tableCount = coloursUsed ? coloursUsed : (uint64_t{1} << bits);
    if (tableCount > (uint64_t{1} << bits)) return Fail(error, "colour count above depth");
  }
  const uint64_t tableOffset = headerSize;
  const uint64_t xorOffset = tableOffset + tableCount * 4;
  const uint64_t xorStride = (uint64_t(width) * bits + 31) / 32 * 4;
  const uint64_t andOffset = xorOffset + xorStride * uint64_t(height);
  const uint64_t andStride = (uint64_t(width) + 31) / 32 * 4;
  const uint64_t end = andOffset + andStride * uint64_t(height);
  if (andOffset > b.size()) return Fail(error, "icon colour data truncated");
  // A missing AND mask leaves every pixel opaque rather than refusing the icon.
  const bool haveMask = end <= b.size();

  uint32_t table[256] = {};
  for (uint64_t i = 0; i < tableCount; ++i) {
    const uint8_t* e = &b[tableOffset + i * 4];
    table[i] = uint32_t(e[0]) | (uint32_t(e[1]) << 8) | (uint32_t(e[2]) << 16) | 0xFF000000u;
  }

  out->width = width;
  out->height = height;
  out->bgra.assign(size_t(width) * size_t(height) * 4, 0);
  bool anyAlpha = false;
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* row = &b[xorOffset + xorStride * uint64_t(height - 1 - y)];
    uint8_t* dst = &out->bgra[size_t(y) * width * 4];
    for (int32_t x = 0; x < width; ++x, dst += 4) {
      uint32_t c;
      switch (bits) {
        case 1: c = table[(row[x >> 3] >> (7 - (x & 7))) & 1]; break;
        case 4: c = table[(row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15]; break;
        case 8: c = table[row[x]]; break;
        case 16: {
          const uint16_t v = Le16(&row[x * 2]);
          const uint32_t r = (v >> 10) & 31, g = (v >> 5) & 31, bl = v & 31;
          c = ((bl << 3) | (bl >> 2)) | (((g << 3) | (g >> 2)) << 8) |
              (((r << 3) | (r >> 2)) << 16) | 0xFF000000u;
          break;
        }
        case 24:
          c = row[x * 3] | (row[x * 3 + 1] << 8) | (uint32_t(row[x * 3 + 2]) << 16) | 0xFF000000u;
          break;
        default:
          c = Le32(&row[x * 4]);
          if (c >> 24) anyAlpha = true;
          break;
      }
      dst[0] = uint8_t(c);
      dst[1] = uint8_t(c >> 8);
      dst[2] = uint8_t(c >> 16);
      dst[3] = uint8_t(c >> 24);
    }
  }
  // 32-bit images carry their own alpha; when every alpha byte is zero the
  // image is an old-style one and the AND mask decides, as for other depths.
  const bool useMask = !(bits == 32 && anyAlpha);
  if (useMask) {
    for (int32_t y = 0; y < height; ++y) {
      const uint8_t* mask = haveMask ? &b[andOffset + andStride * uint64_t(height - 1 - y)] : nullptr;
      uint8_t* dst = &out->bgra[size_t(y) * width * 4];
      for (int32_t x = 0; x < width; ++x)
        dst[x * 4 + 3] = (mask && ((mask[x >> 3] >> (7 - (x & 7))) & 1)) ? 0 : 255;
    }
  }
  return true;
}

void Scale(IconImage* img, int32_t w, int32_t h) {
  std::vector<uint8_t> scaled(size_t(w) * size_t(h) * 4);
  for (int32_t y = 0; y < h; ++y) {
    const int32_t sy = int32_t(int64_t(y) * img->height / h);
    for (int32_t x = 0; x < w; ++x) {
      const int32_t sx = int32_t(int64_t(x) * img->width / w);
      std::memcpy(&scaled[(size_t(y) * w + x) * 4], &img->bgra[(size_t(sy) * img->width + sx) * 4], 4);
    }
  }
  img->bgra.swap(scaled);
  img->width = w;
  img->height = h;
}

}  // namespace

bool IconResourceSize(std::span<const uint8_t> image, int32_t* width, int32_t* height) {
  if (IsPng(image)) {
    // IHDR follows the signature: length, type, then width and height big-endian.
    if (image.size() < 24) return false;
    auto be = [&](size_t o) {
      return (uint32_t(image[o]) << 24) | (uint32_t(image[o + 1]) << 16) |
             (uint32_t(image[o + 2]) << 8) | image[o + 3];
    };
    if (be(16) > 0x7FFFFFFF || be(20) > 0x7FFFFFFF) return false;
    *width = int32_t(be(16));
    *height = int32_t(be(20));
    return true;
  }
  if (image.size() < 16) return false;
  *width = int32_t(Le32(&image[4]));
  *height = int32_t(Le32(&image[8])) / 2;
  return true;
}

bool DecodeIconResource(std::span<const uint8_t> resource, bool isIcon, uint32_t version,
                        int32_t desiredWidth, int32_t desiredHeight, IconImage* out,
                        std::string* error, const IconResourceLimits& limits) {
  if (version != kIconResourceVersion) return Fail(error, "unknown resource version");
  if (desiredWidth < 0 || desiredHeight < 0) return Fail(error, "negative size");
  IconImage img;
  img.isIcon = isIcon;
  std::span<const uint8_t> body = resource;
  if (!isIcon) {
    if (resource.size() < 4) return Fail(error, "cursor resource truncated");
    img.hotspotX = Le16(&resource[0]);
    img.hotspotY = Le16(&resource[2]);
    body = resource.subspan(4);
  }
  const bool ok = IsPng(body) ? DecodePng(body, &img, error, limits) : DecodeDib(body, &img, error, limits);
  if (!ok) return false;
  const int32_t w = desiredWidth ? desiredWidth : img.width;
  const int32_t h = desiredHeight ? desiredHeight : img.height;
  if (w != img.width || h != img.height) {
    if (!SizeAllowed(w, h, limits)) return Fail(error, "requested size too large");
    // The hot spot keeps its place relative to the image.
    img.hotspotX = int32_t(int64_t(img.hotspotX) * w / img.width);
    img.hotspotY = int32_t(int64_t(img.hotspotY) * h / img.height);
    Scale(&img, w, h);
  }
  *out = std::move(img);
  return true;
}

}  // namespace platform
