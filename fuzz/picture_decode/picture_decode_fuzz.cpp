// Any byte string through format detection, the decoder of its kind and the
// rendering a window would do; cursor bytes too.
#include <cstddef>
#include <cstdint>

#include "libraries/picture/picture.h"
#include "libraries/picture/render.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  // A smaller bound than the default keeps each run fast; the checks are the same.
  picture::DecodeLimits limits;
  limits.maxPixels = uint64_t{1} << 22;
  std::string why;
  picture::PicturePtr pic = picture::DecodePictureFromMemory(bytes, &why, limits);
  if (pic) {
    std::vector<uint8_t> bgra;
    picture::RenderToBgra(*pic, 0x336699, &bgra);
  }
  platform::IconImage cursor;
  picture::CursorFromBytes(bytes, &cursor);
  return 0;
}
