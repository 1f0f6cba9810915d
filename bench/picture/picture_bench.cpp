// Decoding speed of the picture service against a reference on the same
// bytes in the same run; the closing table prints each ratio
// (reference CPU time / ours: above 1 means we are faster).
#include <benchmark/benchmark.h>
#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "bench/support/measure.h"
#include "libraries/picture/gif_canvas.h"
#include "libraries/picture/gif_stream.h"
#include "libraries/picture/picture.h"
#include "tests/libraries/picture/fixture_writer.h"

namespace {

using picture::testing::Bytes;

// A photograph-like picture: smooth shading, edges and some noise.
std::vector<uint8_t> PhotoRgb(int w, int h, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> rgb(size_t(w) * h * 3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const double v = std::sin(x * 0.013 + seed) * std::cos(y * 0.021) + ((x / 97 + y / 61) % 3) * 0.4;
      const int n = int(rng() % 9) - 4;
      uint8_t* p = &rgb[(size_t(y) * w + x) * 3];
      p[0] = uint8_t(std::clamp(int(128 + 100 * v) + n, 0, 255));
      p[1] = uint8_t(std::clamp(int(90 + 60 * std::sin(y * 0.01 + v)) + n, 0, 255));
      p[2] = uint8_t(std::clamp(int(x * 255 / w) + n, 0, 255));
    }
  return rgb;
}

std::vector<uint8_t> Quantise(const std::vector<uint8_t>& rgb) {
  std::vector<uint8_t> idx(rgb.size() / 3);
  for (size_t i = 0; i < idx.size(); ++i)
    idx[i] = uint8_t((rgb[i * 3] >> 5) << 5 | (rgb[i * 3 + 1] >> 5) << 2 | rgb[i * 3 + 2] >> 6);
  return idx;
}

std::vector<picture::testing::Rgb> Palette332() {
  std::vector<picture::testing::Rgb> p;
  for (int i = 0; i < 256; ++i) p.push_back({uint8_t((i >> 5) * 36), uint8_t(((i >> 2) & 7) * 36), uint8_t((i & 3) * 85)});
  return p;
}

struct Inputs {
  Bytes gifStill, gifAnim, png, jpeg, bmp24, bmp8, bmp4, bmp1, pcx8, pcx8Drawing;
  size_t bmp24Out = 0, bmp8Out = 0, pcx8Out = 0;
  Inputs() {
    const int w = 800, h = 600;
    const auto rgb = PhotoRgb(w, h, 1);
    const auto idx = Quantise(rgb);
    picture::testing::GifFrameSpec f;
    f.width = w;
    f.height = h;
    f.indices = idx;
    gifStill = picture::testing::MakeGif(w, h, Palette332(), {f});
    std::vector<picture::testing::GifFrameSpec> frames;
    for (int i = 0; i < 24; ++i) {
      picture::testing::GifFrameSpec a;
      a.width = 320;
      a.height = 240;
      a.left = uint16_t(i % 4 == 0 ? 0 : 20 * (i % 4));
      a.top = uint16_t(i % 4 == 0 ? 0 : 10 * (i % 4));
      if (i % 4) a.width = 200, a.height = 150;
      a.indices = Quantise(PhotoRgb(a.width, a.height, unsigned(i + 2)));
      a.control = true;
      a.disposal = i % 3 == 1 ? 2 : (i % 3 == 2 ? 3 : 1);
      a.transparent = i % 2;
      a.transparentIndex = 0;
      a.delay = 4;
      frames.push_back(std::move(a));
    }
    gifAnim = picture::testing::MakeGif(320, 240, Palette332(), frames);
    std::vector<uint8_t> bgra(size_t(w) * h * 4);
    for (size_t i = 0; i < size_t(w) * h; ++i) {
      bgra[i * 4] = rgb[i * 3 + 2];
      bgra[i * 4 + 1] = rgb[i * 3 + 1];
      bgra[i * 4 + 2] = rgb[i * 3];
      bgra[i * 4 + 3] = uint8_t(i % 7 == 0 ? 128 : 255);
    }
    png = picture::testing::MakePngBgra(w, h, bgra);
    jpeg = picture::testing::MakeJpeg(w, h, 3, rgb);
    const int bw = 1920, bh = 1080;
    const auto big = PhotoRgb(bw, bh, 5);
    bmp24 = picture::testing::MakeBmp(bw, bh, 24, {}, big);
    bmp24Out = size_t(bw) * bh * 3;
    bmp8 = picture::testing::MakeBmp(bw, bh, 8, Palette332(), Quantise(big));
    bmp8Out = bmp24Out;
    const auto q = Quantise(big);
    // The same picture in 16 colours (top bits of red and green) and in two.
    std::vector<uint8_t> q4(q.size()), q1(q.size());
    for (size_t i = 0; i < q.size(); ++i) {
      q4[i] = uint8_t((q[i] >> 6) << 2 | (q[i] >> 3 & 3));
      q1[i] = uint8_t(q[i] >> 7);
    }
    auto pal = Palette332();
    bmp4 = picture::testing::MakeBmp(bw, bh, 4, {pal.begin(), pal.begin() + 16}, q4);
    bmp1 = picture::testing::MakeBmp(bw, bh, 1, {{0, 0, 0}, {255, 255, 255}}, q1);
    pcx8 = picture::testing::MakePcx(5, 8, bw, bh, uint16_t(bw), q, &pal);
    pcx8Out = 1064 + size_t(bw) * bh;
    // What PCX mostly holds: drawings and screens, flat areas with detail.
    std::vector<uint8_t> drawing(size_t(bw) * bh);
    for (int y = 0; y < bh; ++y)
      for (int x = 0; x < bw; ++x)
        drawing[size_t(y) * bw + x] = uint8_t(((x / 40) ^ (y / 30)) % 5 == 0 ? (x * 7 + y * 3) & 0xFF : ((x / 160 + y / 90) * 37) & 0xFF);
    pcx8Drawing = picture::testing::MakePcx(5, 8, bw, bh, uint16_t(bw), drawing, &pal);
  }
};

const Inputs& In() {
  static const Inputs inputs;
  return inputs;
}

// ---- GIF -------------------------------------------------------------------

struct GifMemory {
  const Bytes* bytes;
  size_t pos;
};

int ReadGif(GifFileType* gif, GifByteType* buf, int n) {
  auto* m = static_cast<GifMemory*>(gif->UserData);
  const size_t take = std::min(size_t(n), m->bytes->size() - m->pos);
  std::memcpy(buf, m->bytes->data() + m->pos, take);
  m->pos += take;
  return int(take);
}

void GifStillOurs(benchmark::State& state) {
  for (auto _ : state) {
    auto pic = picture::DecodeGifStill(In().gifStill);
    benchmark::DoNotOptimize(pic->pixels.data());
  }
}

// giflib's still decode: records up to the first image, then its rows.
void GifStillGiflib(benchmark::State& state) {
  for (auto _ : state) {
    GifMemory m{&In().gifStill, 0};
    int err = 0;
    GifFileType* gif = DGifOpen(&m, ReadGif, &err);
    std::vector<uint8_t> out(size_t(gif->SWidth) * gif->SHeight);
    GifRecordType type;
    do {
      DGifGetRecordType(gif, &type);
      if (type == IMAGE_DESC_RECORD_TYPE) {
        DGifGetImageDesc(gif);
        for (int y = 0; y < gif->Image.Height; ++y)
          DGifGetLine(gif, &out[size_t(y) * gif->SWidth], gif->Image.Width);
        break;
      }
      if (type == EXTENSION_RECORD_TYPE) {
        int code;
        GifByteType* ext;
        DGifGetExtension(gif, &code, &ext);
        while (ext) DGifGetExtensionNext(gif, &ext);
      }
    } while (type != TERMINATE_RECORD_TYPE);
    benchmark::DoNotOptimize(out.data());
    DGifCloseFile(gif, &err);
  }
}

void GifAnimationOurs(benchmark::State& state) {
  for (auto _ : state) {
    picture::GifWalker walker;
    walker.Open(In().gifAnim, {}, nullptr);
    picture::GifFrame frame;
    size_t total = 0;
    for (int i = 0; i < 24; ++i) {
      walker.Next(&frame, nullptr);
      total += frame.decoded;
    }
    benchmark::DoNotOptimize(total);
  }
}

void GifAnimationGiflib(benchmark::State& state) {
  for (auto _ : state) {
    GifMemory m{&In().gifAnim, 0};
    int err = 0;
    GifFileType* gif = DGifOpen(&m, ReadGif, &err);
    DGifSlurp(gif);
    benchmark::DoNotOptimize(gif->SavedImages[gif->ImageCount - 1].RasterBits);
    DGifCloseFile(gif, &err);
  }
}

// ---- PNG -------------------------------------------------------------------

void PngOurs(benchmark::State& state) {
  for (auto _ : state) {
    auto pic = picture::DecodePng(In().png, nullptr, {});
    benchmark::DoNotOptimize(pic->pixels.data());
  }
}

struct PngMemory {
  const Bytes* bytes;
  size_t pos;
};

void ReadPng(png_structp png, png_bytep out, png_size_t n) {
  auto* m = static_cast<PngMemory*>(png_get_io_ptr(png));
  if (m->pos + n > m->bytes->size()) png_error(png, "eof");
  std::memcpy(out, m->bytes->data() + m->pos, n);
  m->pos += n;
}

// libpng's own read straight into the caller's rows, as BGRA.
void PngLibpngDirect(benchmark::State& state) {
  for (auto _ : state) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    PngMemory m{&In().png, 0};
    png_set_read_fn(png, &m, ReadPng);
    png_read_info(png, info);
    png_set_bgr(png);
    png_read_update_info(png, info);
    const png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
    std::vector<uint8_t> out(size_t(w) * h * 4);
    std::vector<png_bytep> rows(h);
    for (png_uint_32 y = 0; y < h; ++y) rows[y] = &out[size_t(y) * w * 4];
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    benchmark::DoNotOptimize(out.data());
  }
}

// ---- JPEG ------------------------------------------------------------------

void JpegOurs(benchmark::State& state) {
  for (auto _ : state) {
    auto pic = picture::DecodeJpeg(In().jpeg, nullptr, {});
    benchmark::DoNotOptimize(pic->pixels.data());
  }
}

void JpegLibjpegDirect(benchmark::State& state) {
  for (auto _ : state) {
    jpeg_decompress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_decompress(&c);
    jpeg_mem_src(&c, In().jpeg.data(), In().jpeg.size());
    jpeg_read_header(&c, TRUE);
    c.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&c);
    std::vector<uint8_t> out(size_t(c.output_width) * c.output_height * 3);
    while (c.output_scanline < c.output_height) {
      JSAMPROW row = &out[size_t(c.output_scanline) * c.output_width * 3];
      jpeg_read_scanlines(&c, &row, 1);
    }
    jpeg_finish_decompress(&c);
    jpeg_destroy_decompress(&c);
    benchmark::DoNotOptimize(out.data());
  }
}

// ---- BMP and PCX against memcpy of the same output size -----------------------

void MemcpyOf(benchmark::State& state, size_t size) {
  std::vector<uint8_t> src(size, 1);
  for (auto _ : state) {
    // A fresh block each time, as a decoder allocates one, not zero-filled.
    std::unique_ptr<uint8_t[]> dst(new uint8_t[size]);
    std::memcpy(dst.get(), src.data(), size);
    benchmark::DoNotOptimize(dst.get());
  }
}

void Bmp24Ours(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(picture::DecodeBmp(In().bmp24, nullptr, {}));
}
void Bmp24Memcpy(benchmark::State& state) { MemcpyOf(state, In().bmp24Out); }
void Bmp8Ours(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(picture::DecodeBmp(In().bmp8, nullptr, {}));
}
void Bmp8Memcpy(benchmark::State& state) { MemcpyOf(state, In().bmp8Out); }
void Bmp4Ours(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(picture::DecodeBmp(In().bmp4, nullptr, {}));
}
void Bmp1Ours(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(picture::DecodeBmp(In().bmp1, nullptr, {}));
}
void Pcx8Ours(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(picture::DecodePcx(In().pcx8, nullptr, {}));
}
void Pcx8Memcpy(benchmark::State& state) { MemcpyOf(state, In().pcx8Out); }
void Pcx8DrawingOurs(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(picture::DecodePcx(In().pcx8Drawing, nullptr, {}));
}

BENCHMARK(GifStillOurs);
BENCHMARK(GifStillGiflib);
BENCHMARK(GifAnimationOurs);
BENCHMARK(GifAnimationGiflib);
BENCHMARK(PngOurs);
BENCHMARK(PngLibpngDirect);
BENCHMARK(JpegOurs);
BENCHMARK(JpegLibjpegDirect);
BENCHMARK(Bmp24Ours);
BENCHMARK(Bmp24Memcpy);
BENCHMARK(Bmp8Ours);
BENCHMARK(Bmp8Memcpy);
BENCHMARK(Bmp4Ours);
BENCHMARK(Bmp1Ours);
BENCHMARK(Pcx8Ours);
BENCHMARK(Pcx8Memcpy);
BENCHMARK(Pcx8DrawingOurs);

// Keeps each benchmark's time per iteration, one per repetition, for the
// ratio table.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, std::vector<double>> times;
  void ReportRuns(const std::vector<Run>& runs) override {
    // CPU time: the machine is shared, and waiting for a core is not decoding.
    std::vector<Run> shown;
    for (const Run& r : runs) {
      if (r.run_type == Run::RT_Iteration) times[r.benchmark_name()].push_back(r.GetAdjustedCPUTime());
      // Of repeated runs only the median is shown.
      if (r.repetitions <= 1 || (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median")) shown.push_back(r);
    }
    if (!shown.empty()) ConsoleReporter::ReportRuns(shown);
  }
};

}  // namespace

int main(int argc, char** argv) {
  // By default each benchmark runs 9 times, the runs of all of them shuffled
  // together, so that each ratio is taken of runs close in time: this machine's
  // speed drifts by a fifth within a minute, more than some differences measured.
  std::vector<char*> args(argv, argv + argc);
  bool repetitions = false, interleaving = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    repetitions |= arg.starts_with("--benchmark_repetitions");
    interleaving |= arg.starts_with("--benchmark_enable_random_interleaving");
  }
  static char kRepetitions[] = "--benchmark_repetitions=9";
  static char kInterleaving[] = "--benchmark_enable_random_interleaving=true";
  if (!repetitions) args.push_back(kRepetitions);
  if (!interleaving) args.push_back(kInterleaving);
  int count = int(args.size());
  args.push_back(nullptr);
  benchmark::Initialize(&count, args.data());
  In();
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const struct {
    const char *what, *ours, *ref;
    double target;
  } pairs[] = {
      {"GIF still vs giflib", "GifStillOurs", "GifStillGiflib", 1.0},
      {"GIF animation vs giflib", "GifAnimationOurs", "GifAnimationGiflib", 1.0},
      {"PNG vs libpng direct", "PngOurs", "PngLibpngDirect", 1 / 1.1},
      {"JPEG vs libjpeg direct", "JpegOurs", "JpegLibjpegDirect", 1 / 1.1},
      {"BMP 24-bit vs memcpy", "Bmp24Ours", "Bmp24Memcpy", 0.25},
      {"BMP 8-bit vs memcpy", "Bmp8Ours", "Bmp8Memcpy", 0.25},
      // The same output size as the 8-bit one.
      {"BMP 4-bit vs memcpy", "Bmp4Ours", "Bmp8Memcpy", 0.25},
      {"BMP 1-bit vs memcpy", "Bmp1Ours", "Bmp8Memcpy", 0.25},
      {"PCX 8-bit photo vs memcpy", "Pcx8Ours", "Pcx8Memcpy", 0.25},
      {"PCX 8-bit drawing vs memcpy", "Pcx8DrawingOurs", "Pcx8Memcpy", 0.25},
  };
  // The n-th run of one side against the n-th of the other.
  std::printf("\n%-28s %10s %10s   %s\n", "ratio (reference / ours)", "median", "target", "range of runs");
  for (const auto& p : pairs) {
    const auto ours = reporter.times.find(p.ours), ref = reporter.times.find(p.ref);
    if (ours == reporter.times.end() || ref == reporter.times.end()) continue;
    std::vector<double> ratios;
    for (size_t i = 0; i < std::min(ours->second.size(), ref->second.size()); ++i)
      ratios.push_back(ref->second[i] / ours->second[i]);
    const benchsupport::Spread s = benchsupport::SpreadOf(ratios);
    std::printf("%-28s %10.2f %10.2f   %.2f-%.2f %s\n", p.what, s.median, p.target, s.low, s.high,
                s.median >= p.target ? "" : "BELOW TARGET");
  }
  benchmark::Shutdown();
  return 0;
}
