// The GIF frame walk as the animation runs it: several passes over the
// stream, each frame composed onto the canvas, and the player's own load.
#include <cstddef>
#include <cstdint>

#include "libraries/picture/gif_canvas.h"
#include "libraries/picture/gif_player.h"
#include "libraries/picture/gif_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  picture::DecodeLimits limits;
  limits.maxPixels = uint64_t{1} << 20;
  picture::GifWalker walker;
  if (walker.Open(bytes, limits, nullptr)) {
    picture::GifCanvas canvas(walker.screen().width, walker.screen().height, 0xFF000000u);
    picture::GifFrame frame;
    for (int i = 0; i < 24; ++i) {
      const auto step = walker.Next(&frame, nullptr);
      if (step == picture::GifWalker::Step::NoImage) break;
      if (step == picture::GifWalker::Step::Image) canvas.Compose(frame);
      walker.LastImageOfPass();
    }
  }
  picture::GifPlayer player;
  if (player.Load(bytes, nullptr, limits))
    for (int i = 0; i < 4; ++i) player.Advance();
  return 0;
}
