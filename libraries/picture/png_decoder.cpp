// PNG through libpng's simplified reading interface, as 8-bit BGRA.
#include <png.h>

#include <cstring>

#include "libraries/picture/decode_util.h"

namespace picture {

PicturePtr DecodePng(std::span<const uint8_t> bytes, std::string* error, const DecodeLimits& limits) {
  if (bytes.size() <= 7) return detail::Fail(error, "png: too short");
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) {
    if (error) *error = std::string("png: ") + image.message;
    return nullptr;
  }
  if (!detail::SizeAllowed(image.width, image.height, limits)) {
    png_image_free(&image);
    return detail::Fail(error, "png: size outside the limits");
  }
  image.format = PNG_FORMAT_BGRA;
  auto picture = std::make_unique<DecodedPicture>();
  picture->kind = PictureFormat::Png;
  picture->width = int32_t(image.width);
  picture->height = int32_t(image.height);
  picture->pixels.resize(size_t(image.width) * image.height * 4);
  const bool ok = png_image_finish_read(&image, nullptr, picture->pixels.data(), 0, nullptr);
  if (!ok && error) *error = std::string("png: ") + image.message;
  png_image_free(&image);
  return ok ? std::move(picture) : nullptr;
}

}  // namespace picture
