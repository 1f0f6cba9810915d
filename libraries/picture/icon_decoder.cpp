// ICO and CUR files: the directory is read here, the chosen image goes
// through the platform's icon-resource decoding.
#include <algorithm>
#include <cstring>

#include "libraries/picture/decode_util.h"

namespace picture {

using detail::Fail;
using detail::Le16;
using detail::Le32;

namespace {

platform::IconResourceLimits IconLimits(const DecodeLimits& limits) {
  platform::IconResourceLimits l;
  l.maxDimension = std::min<int32_t>(limits.maxDimension, 4096);
  l.maxPixels = std::min<uint64_t>(limits.maxPixels, uint64_t{1} << 24);
  return l;
}

}  // namespace

PicturePtr DecodeIcon(std::span<const uint8_t> b, std::string* error, const DecodeLimits& limits) {
  if (b.size() < 6) return Fail(error, "icon: directory truncated");
  const uint16_t type = Le16(&b[2]);
  const uint16_t count = Le16(&b[4]);
  if (Le16(&b[0]) != 0 || (type != 1 && type != 2) || count == 0) return Fail(error, "icon: bad directory");

  // The first entry of 32 pixels with at least 16 colours, else the last one.
  const uint8_t* chosen = nullptr;
  for (uint32_t i = 0; i < count; ++i) {
    const uint64_t at = 6 + uint64_t(i) * 16;
    if (at + 16 > b.size()) return Fail(error, "icon: directory entry truncated");
    chosen = &b[at];
    if (chosen[2] >= 16 && chosen[0] == 32) break;
  }
  const uint32_t size = Le32(chosen + 8);
  const uint32_t offset = Le32(chosen + 12);
  if (uint64_t(offset) + size > b.size()) return Fail(error, "icon: image outside the file");
  const std::span<const uint8_t> image = b.subspan(offset, size);

  int32_t width = 0, height = 0;
  if (!platform::IconResourceSize(image, &width, &height)) return Fail(error, "icon: image header truncated");
  if (!detail::SizeAllowed(width, height, limits)) return Fail(error, "icon: size outside the limits");

  auto decoded = std::make_shared<platform::IconImage>();
  std::string why;
  const auto iconLimits = IconLimits(limits);
  bool ok = platform::DecodeIconResource(image, true, platform::kIconResourceVersion, width, height,
                                         decoded.get(), &why, iconLimits);
  if (!ok && !(image.size() >= 16 && Le16(&image[14]) == 16))
    ok = platform::DecodeIconResource(image, true, platform::kIconResourceVersion, 0, 0, decoded.get(),
                                      &why, iconLimits);
  if (!ok) {
    if (error) *error = "icon: " + why;
    return nullptr;
  }
  if (type == 2) {
    decoded->isIcon = false;
    decoded->hotspotX = Le16(chosen + 4);
    decoded->hotspotY = Le16(chosen + 6);
  }
  auto picture = std::make_unique<DecodedPicture>();
  picture->kind = type == 1 ? PictureFormat::Ico : PictureFormat::Cur;
  picture->width = width;
  picture->height = height;
  picture->icon = std::move(decoded);
  return picture;
}

bool CursorFromBytes(std::span<const uint8_t> b, platform::IconImage* cursor, std::string* error) {
  auto fail = [&](const char* why) {
    if (error) *error = why;
    return false;
  };
  if (b.size() <= 22) return fail("cursor: too short");
  if (Le16(&b[0]) != 0 || Le16(&b[2]) != 2 || Le16(&b[4]) == 0) return fail("cursor: not a cursor file");
  const int32_t width = b[6];
  const int32_t height = b[7];
  const uint16_t hotX = Le16(&b[10]);
  const uint16_t hotY = Le16(&b[12]);
  const uint32_t size = Le32(&b[14]);
  const uint32_t offset = Le32(&b[18]);
  // The whole image must lie inside the bytes.
  if (uint64_t(offset) + size > b.size()) return fail("cursor: image outside the file");
  std::vector<uint8_t> resource(size_t(size) + 4);
  resource[0] = uint8_t(hotX);
  resource[1] = uint8_t(hotX >> 8);
  resource[2] = uint8_t(hotY);
  resource[3] = uint8_t(hotY >> 8);
  if (size) std::memcpy(&resource[4], &b[offset], size);
  std::string why;
  if (!platform::DecodeIconResource(resource, false, platform::kIconResourceVersion, width, height, cursor,
                                    &why)) {
    if (error) *error = "cursor: " + why;
    return false;
  }
  return true;
}

}  // namespace picture
