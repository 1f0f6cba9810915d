#include "tests/libraries/picture/fixture_writer.h"

#include <jpeglib.h>
#include <png.h>
#include <stb/stb_image.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <unordered_map>

namespace picture::testing {
namespace {

void Put16(Bytes& b, uint32_t v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}
void Put32(Bytes& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
void InfoHeader(Bytes& b, int32_t width, int32_t height, int bits, uint32_t colours) {
  Put32(b, 40);
  Put32(b, uint32_t(width));
  Put32(b, uint32_t(height));
  Put16(b, 1);
  Put16(b, uint32_t(bits));
  Put32(b, 0);
  Put32(b, 0);
  Put32(b, 2835);
  Put32(b, 2835);
  Put32(b, colours);
  Put32(b, 0);
}

// Packs one row of indices or RGB pixels in BMP order, padded to 4 bytes.
Bytes PackRow(int bits, int32_t width, const uint8_t* px) {
  Bytes row(size_t((int64_t(width) * bits + 31) / 32 * 4), 0);
  for (int32_t x = 0; x < width; ++x) {
    switch (bits) {
      case 1: row[x / 8] |= uint8_t((px[x] & 1) << (7 - x % 8)); break;
      case 4: row[x / 2] |= uint8_t((px[x] & 15) << (x % 2 ? 0 : 4)); break;
      case 8: row[x] = px[x]; break;
      case 24:
        row[x * 3] = px[x * 3 + 2];
        row[x * 3 + 1] = px[x * 3 + 1];
        row[x * 3 + 2] = px[x * 3];
        break;
      case 32:
        row[x * 4] = px[x * 3 + 2];
        row[x * 4 + 1] = px[x * 3 + 1];
        row[x * 4 + 2] = px[x * 3];
        row[x * 4 + 3] = 0x5A;  // ignored by the decoder
        break;
    }
  }
  return row;
}

}  // namespace

Bytes MakeBmp(int32_t width, int32_t height, int bits, const std::vector<Rgb>& palette,
              const std::vector<uint8_t>& pixels) {
  const int32_t h = height < 0 ? -height : height;
  const size_t per = bits >= 24 ? 3 : 1;
  Bytes body;
  for (int32_t r = 0; r < h; ++r) {
    // Bottom-up files store the bottom row first.
    const int32_t y = height < 0 ? r : h - 1 - r;
    Bytes row = PackRow(bits, width, &pixels[size_t(y) * width * per]);
    body.insert(body.end(), row.begin(), row.end());
  }
  Bytes b = {'B', 'M'};
  const uint32_t offset = 54 + uint32_t(palette.size()) * 4;
  Put32(b, offset + uint32_t(body.size()));
  Put32(b, 0);
  Put32(b, offset);
  InfoHeader(b, width, height, bits, uint32_t(palette.size()));
  for (const Rgb& c : palette) {
    b.push_back(c.b);
    b.push_back(c.g);
    b.push_back(c.r);
    b.push_back(0);
  }
  b.insert(b.end(), body.begin(), body.end());
  return b;
}

Bytes MakeIconDib(int32_t width, int32_t height, int bits, const std::vector<Rgb>& palette,
                  const std::vector<uint8_t>& px, const std::vector<bool>& transparent) {
  Bytes b;
  InfoHeader(b, width, height * 2, bits, 0);
  const size_t tableCount = bits <= 8 ? (size_t{1} << bits) : 0;
  for (size_t i = 0; i < tableCount; ++i) {
    const Rgb c = i < palette.size() ? palette[i] : Rgb{0, 0, 0};
    b.push_back(c.b);
    b.push_back(c.g);
    b.push_back(c.r);
    b.push_back(0);
  }
  for (int32_t r = 0; r < height; ++r) {
    const int32_t y = height - 1 - r;
    if (bits == 32) {
      for (int32_t x = 0; x < width; ++x)
        for (int k = 0; k < 4; ++k) b.push_back(px[(size_t(y) * width + x) * 4 + k]);
    } else {
      Bytes row = PackRow(bits, width, &px[size_t(y) * width * (bits == 24 ? 3 : 1)]);
      b.insert(b.end(), row.begin(), row.end());
    }
  }
  const size_t maskStride = size_t((width + 31) / 32 * 4);
  for (int32_t r = 0; r < height; ++r) {
    const int32_t y = height - 1 - r;
    Bytes row(maskStride, 0);
    for (int32_t x = 0; x < width; ++x)
      if (transparent[size_t(y) * width + x]) row[x / 8] |= uint8_t(0x80 >> (x % 8));
    b.insert(b.end(), row.begin(), row.end());
  }
  return b;
}

Bytes MakeIconFile(uint16_t type, const std::vector<IconEntry>& entries) {
  Bytes b;
  Put16(b, 0);
  Put16(b, type);
  Put16(b, uint32_t(entries.size()));
  uint32_t offset = 6 + 16 * uint32_t(entries.size());
  for (const IconEntry& e : entries) {
    b.push_back(e.width);
    b.push_back(e.height);
    b.push_back(e.colourCount);
    b.push_back(0);
    Put16(b, e.planesOrHotX);
    Put16(b, e.bitsOrHotY);
    Put32(b, uint32_t(e.image.size()));
    Put32(b, offset);
    offset += uint32_t(e.image.size());
  }
  for (const IconEntry& e : entries) b.insert(b.end(), e.image.begin(), e.image.end());
  return b;
}

Bytes MakePcx(int version, int bits, int32_t width, int32_t height, uint16_t lineBytes,
              const std::vector<uint8_t>& lines, const std::vector<Rgb>* palette) {
  Bytes b(128, 0);
  b[0] = 0x0A;
  b[1] = uint8_t(version);
  b[2] = 1;
  b[3] = uint8_t(bits);
  b[8] = uint8_t(width - 1);
  b[9] = uint8_t((width - 1) >> 8);
  b[10] = uint8_t(height - 1);
  b[11] = uint8_t((height - 1) >> 8);
  b[65] = 1;
  b[66] = uint8_t(lineBytes);
  b[67] = uint8_t(lineBytes >> 8);
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* line = &lines[size_t(y) * lineBytes];
    for (size_t x = 0; x < lineBytes;) {
      size_t run = 1;
      while (x + run < lineBytes && run < 63 && line[x + run] == line[x]) ++run;
      if (run > 1 || line[x] > 192) {
        b.push_back(uint8_t(192 + run));
      }
      b.push_back(line[x]);
      x += run;
    }
  }
  if (palette) {
    b.push_back(12);
    for (int i = 0; i < 256; ++i) {
      const Rgb c = i < int(palette->size()) ? (*palette)[size_t(i)] : Rgb{0, 0, 0};
      b.push_back(c.r);
      b.push_back(c.g);
      b.push_back(c.b);
    }
  }
  return b;
}

Bytes LzwEncode(std::span<const uint8_t> indices, int minimumCodeSize, bool clearWhenFull) {
  const uint32_t clear = 1u << minimumCodeSize;
  Bytes out;
  uint64_t acc = 0;
  int count = 0;
  int width = minimumCodeSize + 1;
  auto emit = [&](uint32_t code) {
    acc |= uint64_t(code) << count;
    count += width;
    while (count >= 8) {
      out.push_back(uint8_t(acc));
      acc >>= 8;
      count -= 8;
    }
  };
  std::unordered_map<uint32_t, uint32_t> table;
  uint32_t next = clear + 2;
  emit(clear);
  if (!indices.empty()) {
    uint32_t prefix = indices[0];
    for (size_t i = 1; i < indices.size(); ++i) {
      const uint32_t key = (prefix << 8) | indices[i];
      auto it = table.find(key);
      if (it != table.end()) {
        prefix = it->second;
        continue;
      }
      emit(prefix);
      if (next < 4096) {
        table[key] = next++;
        if (next > (1u << width) && width < 12) ++width;
      } else if (clearWhenFull) {
        emit(clear);
        table.clear();
        next = clear + 2;
        width = minimumCodeSize + 1;
      }
      prefix = indices[i];
    }
    emit(prefix);
  }
  emit(clear + 1);
  if (count > 0) out.push_back(uint8_t(acc));
  return out;
}

namespace {

void PutTable(Bytes& b, const std::vector<Rgb>& t) {
  for (const Rgb& c : t) {
    b.push_back(c.r);
    b.push_back(c.g);
    b.push_back(c.b);
  }
}

int TableBits(size_t n) {
  int bits = 0;
  while ((size_t{2} << bits) < n) ++bits;
  return bits;
}

}  // namespace

Bytes MakeGif(uint16_t width, uint16_t height, const std::vector<Rgb>& global,
              const std::vector<GifFrameSpec>& frames, bool trailer) {
  Bytes b = {'G', 'I', 'F', '8', '9', 'a'};
  Put16(b, width);
  Put16(b, height);
  b.push_back(global.empty() ? 0 : uint8_t(0x80 | TableBits(global.size())));
  b.push_back(0);
  b.push_back(0);
  if (!global.empty()) {
    std::vector<Rgb> t = global;
    t.resize(size_t{2} << TableBits(global.size()), Rgb{0, 0, 0});
    PutTable(b, t);
  }
  for (const GifFrameSpec& f : frames) {
    if (f.control) {
      b.insert(b.end(), {0x21, 0xF9, 4});
      b.push_back(uint8_t((f.disposal << 2) | (f.transparent ? 1 : 0)));
      Put16(b, f.delay);
      b.push_back(f.transparentIndex);
      b.push_back(0);
    }
    b.push_back(0x2C);
    Put16(b, f.left);
    Put16(b, f.top);
    Put16(b, f.width);
    Put16(b, f.height);
    uint8_t packed = f.interlaced ? 0x40 : 0;
    std::vector<Rgb> local = f.localPalette;
    if (!local.empty()) {
      packed |= uint8_t(0x80 | TableBits(local.size()));
      local.resize(size_t{2} << TableBits(local.size()), Rgb{0, 0, 0});
    }
    b.push_back(packed);
    PutTable(b, local);
    std::vector<uint8_t> order;
    if (f.interlaced) {
      const int starts[4] = {0, 4, 2, 1}, steps[4] = {8, 8, 4, 2};
      for (int p = 0; p < 4; ++p)
        for (int y = starts[p]; y < f.height; y += steps[p])
          order.insert(order.end(), f.indices.begin() + y * f.width, f.indices.begin() + (y + 1) * f.width);
    } else {
      order = f.indices;
    }
    b.push_back(uint8_t(f.minimumCodeSize));
    const Bytes data = LzwEncode(order, f.minimumCodeSize);
    for (size_t i = 0; i < data.size(); i += 255) {
      const size_t n = std::min<size_t>(255, data.size() - i);
      b.push_back(uint8_t(n));
      b.insert(b.end(), data.begin() + i, data.begin() + i + n);
    }
    b.push_back(0);
  }
  if (trailer) b.push_back(0x3B);
  return b;
}

Bytes MakePngBgra(int32_t width, int32_t height, const std::vector<uint8_t>& bgra) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = uint32_t(width);
  image.height = uint32_t(height);
  image.format = PNG_FORMAT_BGRA;
  png_alloc_size_t size = 0;
  if (!png_image_write_to_memory(&image, nullptr, &size, 0, bgra.data(), 0, nullptr))
    throw std::runtime_error("png size");
  Bytes out(size);
  if (!png_image_write_to_memory(&image, out.data(), &size, 0, bgra.data(), 0, nullptr))
    throw std::runtime_error("png write");
  out.resize(size);
  return out;
}

Bytes MakeJpeg(int32_t width, int32_t height, int components, const std::vector<uint8_t>& samples,
               bool progressive) {
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* mem = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &mem, &size);
  c.image_width = JDIMENSION(width);
  c.image_height = JDIMENSION(height);
  c.input_components = components;
  c.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 90, TRUE);
  if (progressive) jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = const_cast<uint8_t*>(&samples[size_t(c.next_scanline) * width * components]);
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  Bytes out(mem, mem + size);
  jpeg_destroy_compress(&c);
  std::free(mem);
  return out;
}

RgbaImage StbDecode(std::span<const uint8_t> bytes) {
  RgbaImage img;
  int n = 0;
  uint8_t* p = stbi_load_from_memory(bytes.data(), int(bytes.size()), &img.width, &img.height, &n, 4);
  if (!p) throw std::runtime_error(std::string("reference decoder refused: ") + stbi_failure_reason());
  img.rgba.assign(p, p + size_t(img.width) * img.height * 4);
  stbi_image_free(p);
  return img;
}

std::vector<RgbaImage> StbGifFrames(std::span<const uint8_t> bytes) {
  int* delays = nullptr;
  int w = 0, h = 0, frames = 0, n = 0;
  uint8_t* p = stbi_load_gif_from_memory(bytes.data(), int(bytes.size()), &delays, &w, &h, &frames, &n, 4);
  if (!p) throw std::runtime_error("reference decoder refused the gif");
  std::vector<RgbaImage> out;
  for (int i = 0; i < frames; ++i) {
    RgbaImage img{w, h, {}};
    img.rgba.assign(p + size_t(i) * w * h * 4, p + size_t(i + 1) * w * h * 4);
    out.push_back(std::move(img));
  }
  stbi_image_free(p);
  stbi_image_free(delays);
  return out;
}

Bytes ReadFixture(const std::string& relative) {
  const std::string path = std::string(SIG_SOURCE_DIR) + "/tests/libraries/picture/fixtures/" + relative;
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("missing fixture " + path);
  return Bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<Rgb> TestPalette(int count) {
  std::vector<Rgb> p;
  for (int i = 0; i < count; ++i)
    p.push_back(Rgb{uint8_t(i * 37 + 11), uint8_t(255 - i * 23), uint8_t(i * 91 + 5)});
  return p;
}

}  // namespace picture::testing
