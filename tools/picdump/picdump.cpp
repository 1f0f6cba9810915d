// picdump FILE [--background RRGGBB] [--out OUT.png] [--frames N --out-dir DIR]
//
// Decodes a picture file with the picture service, prints "kind width height"
// and writes what a window would show: the picture drawn over the background
// colour, or with --frames the GIF player's first N composed frames.
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "libraries/picture/gif_player.h"
#include "libraries/picture/picture.h"
#include "libraries/picture/render.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: picdump FILE [--background RRGGBB] [--out OUT.png] [--frames N --out-dir DIR]\n");
  return 2;
}

bool WritePng(const std::string& path, int32_t width, int32_t height, const uint8_t* bgra) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = uint32_t(width);
  image.height = uint32_t(height);
  image.format = PNG_FORMAT_BGRA;
  if (!png_image_write_to_file(&image, path.c_str(), 0, bgra, 0, nullptr)) {
    std::fprintf(stderr, "picdump: cannot write %s: %s\n", path.c_str(), image.message);
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string file, out, outDir;
  uint32_t background = 0xFFFFFF;  // 0x00BBGGRR
  long frames = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--background" && hasValue) {
      const std::string v = argv[++i];
      char* end = nullptr;
      const unsigned long rgb = std::strtoul(v.c_str(), &end, 16);
      if (v.size() != 6 || *end) return Usage();
      background = uint32_t(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16));
    } else if (arg == "--out" && hasValue) {
      out = argv[++i];
    } else if (arg == "--frames" && hasValue) {
      char* end = nullptr;
      frames = std::strtol(argv[++i], &end, 10);
      if (*end || frames <= 0 || frames > 100000) return Usage();
    } else if (arg == "--out-dir" && hasValue) {
      outDir = argv[++i];
    } else if (file.empty() && arg.rfind("--", 0) != 0) {
      file = arg;
    } else {
      return Usage();
    }
  }
  if (file.empty() || (frames > 0) != !outDir.empty()) return Usage();

  std::string why;
  picture::PicturePtr pic = picture::DecodePictureFromFile(file, &why);
  if (!pic) {
    std::fprintf(stderr, "picdump: %s: no picture (%s)\n", file.c_str(), why.c_str());
    return 1;
  }
  std::printf("%d %d %d\n", int(pic->kind), pic->width, pic->height);

  if (!out.empty()) {
    std::vector<uint8_t> bgra;
    if (!picture::RenderToBgra(*pic, background, &bgra)) {
      std::fprintf(stderr, "picdump: nothing to draw\n");
      return 1;
    }
    const int32_t w = pic->icon ? pic->icon->width : pic->width;
    const int32_t h = pic->icon ? pic->icon->height : pic->height;
    std::error_code ec;
    if (std::filesystem::path(out).has_parent_path())
      std::filesystem::create_directories(std::filesystem::path(out).parent_path(), ec);
    if (!WritePng(out, w, h, bgra.data())) return 1;
  }

  if (frames > 0) {
    if (pic->kind != picture::PictureFormat::Gif) {
      std::fprintf(stderr, "picdump: --frames needs a GIF\n");
      return 2;
    }
    std::ifstream in(file, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::error_code ec;
    std::filesystem::create_directories(outDir, ec);
    picture::GifPlayer player(background);
    if (!player.Load(bytes, &why)) {
      std::fprintf(stderr, "picdump: the player refused it (%s)\n", why.c_str());
      return 1;
    }
    for (long n = 0; n < frames; ++n) {
      const uint32_t delay = player.Advance();
      bool ok = true;
      player.WithCanvas([&](const picture::GifCanvas& canvas) {
        char name[32];
        std::snprintf(name, sizeof name, "/frame_%04ld.png", n);
        ok = WritePng(outDir + name, canvas.width(), canvas.height(),
                      reinterpret_cast<const uint8_t*>(canvas.pixels().data()));
      });
      if (!ok) return 1;
      std::printf("frame %ld delay %u\n", n, delay);
    }
  }
  return 0;
}
