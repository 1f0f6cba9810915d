// Format detection and the decode entry points.
#include "libraries/picture/picture.h"

#include <cstdio>
#include <cstring>

#include "libraries/picture/decode_util.h"

namespace picture {

using detail::Fail;
using detail::Le16;
using detail::Le32;

PictureFormat DetectPictureFormat(std::span<const uint8_t> b) {
  if (b.size() < 8) return PictureFormat::Unknown;
  if (b[0] == 'B' && b[1] == 'M') return PictureFormat::Bmp;
  if (b[0] == 0xFF && b[1] == 0xD8) return PictureFormat::Jpeg;
  if (Le32(&b[0]) == 0x474E5089u) return PictureFormat::Png;
  if (Le16(&b[0]) == 0 && Le16(&b[4]) > 0) {
    if (Le16(&b[2]) == 1) return PictureFormat::Ico;
    if (Le16(&b[2]) == 2) return PictureFormat::Cur;
  }
  if (std::memcmp(b.data(), "GIF87a", 6) == 0 || std::memcmp(b.data(), "GIF89a", 6) == 0)
    return PictureFormat::Gif;
  if (b[0] == 0x0A && b[1] <= 5 && b[2] == 1 && b[3] == 8) return PictureFormat::Pcx8;
  if (b[0] == 0x0A && b[1] == 3 && b[2] == 1 && b[3] == 1) return PictureFormat::Pcx1;
  return PictureFormat::Unknown;
}

PicturePtr DecodePictureFromMemory(std::span<const uint8_t> bytes, std::string* error,
                                   const DecodeLimits& limits) {
  if (bytes.empty()) return Fail(error, "no bytes");
  switch (DetectPictureFormat(bytes)) {
    case PictureFormat::Jpeg: return DecodeJpeg(bytes, error, limits);
    case PictureFormat::Bmp: return DecodeBmp(bytes, error, limits);
    case PictureFormat::Ico:
    case PictureFormat::Cur: return DecodeIcon(bytes, error, limits);
    case PictureFormat::Gif: return DecodeGifStill(bytes, error, limits);
    case PictureFormat::Pcx8:
    case PictureFormat::Pcx1: return DecodePcx(bytes, error, limits);
    case PictureFormat::Png: return DecodePng(bytes, error, limits);
    case PictureFormat::Unknown: break;
  }
  return Fail(error, "not a picture");
}

PicturePtr DecodePictureFromFile(const std::string& path, std::string* error, const DecodeLimits& limits) {
  if (path.empty()) return Fail(error, "no path");
  // Every format is read whole and decoded from memory: one code path, and the
  // size bound applies before anything is read.
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return Fail(error, "cannot open file");
  std::vector<uint8_t> data;
  bool ok = std::fseek(f, 0, SEEK_END) == 0;
  const long size = ok ? std::ftell(f) : -1;
  ok = ok && size >= 0 && uint64_t(size) <= limits.maxFileBytes && std::fseek(f, 0, SEEK_SET) == 0;
  if (ok) {
    data.resize(size_t(size));
    ok = std::fread(data.data(), 1, data.size(), f) == data.size();
  }
  std::fclose(f);
  if (!ok) return Fail(error, size > 0 && uint64_t(size) > limits.maxFileBytes ? "file too large" : "cannot read file");
  return DecodePictureFromMemory(data, error, limits);
}

void FreePicture(PicturePtr& picture) { picture.reset(); }

}  // namespace picture
