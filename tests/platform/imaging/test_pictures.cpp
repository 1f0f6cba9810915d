#include "tests/platform/imaging/test_pictures.h"

#include <cairo.h>
#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>

#include <stdexcept>

namespace imaging_test {
namespace {

cairo_status_t AppendPng(void* closure, const unsigned char* data, unsigned int length) {
    auto* out = static_cast<Bytes*>(closure);
    out->insert(out->end(), data, data + length);
    return CAIRO_STATUS_SUCCESS;
}

uint32_t Be32(const Bytes& b, size_t at) {
    return (uint32_t(b.at(at)) << 24) | (uint32_t(b.at(at + 1)) << 16) | (uint32_t(b.at(at + 2)) << 8) | b.at(at + 3);
}

uint32_t Crc32(const uint8_t* p, size_t n) {
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
    }
    return ~c;
}

}  // namespace

void Put16(Bytes& b, size_t at, uint32_t v) {
    b.at(at) = uint8_t(v);
    b.at(at + 1) = uint8_t(v >> 8);
}

void Put32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.at(at + i) = uint8_t(v >> (8 * i));
}

void FixPngCrc(Bytes& b, size_t at) {
    const uint32_t len = Be32(b, at);
    const uint32_t crc = Crc32(b.data() + at + 4, 4 + size_t(len));
    const size_t pos = at + 8 + len;
    for (int i = 0; i < 4; ++i) b.at(pos + i) = uint8_t(crc >> (24 - 8 * i));
}

Bytes MakePng(int width, int height) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(s);
    cairo_set_source_rgba(cr, 0.8, 0.1, 0.2, 0.7);
    cairo_paint(cr);
    cairo_destroy(cr);
    Bytes out;
    const cairo_status_t st = cairo_surface_write_to_png_stream(s, AppendPng, &out);
    cairo_surface_destroy(s);
    if (st != CAIRO_STATUS_SUCCESS) throw std::runtime_error("cairo could not write the PNG");
    return out;
}

Bytes MakeJpeg(int width, int height, bool progressive, bool grey) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = grey ? 1 : 3;
    cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 90, TRUE);
    if (progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(size_t(width) * cinfo.input_components);
    for (size_t i = 0; i < row.size(); ++i) row[i] = JSAMPLE(i * 7);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    Bytes out(buffer, buffer + size);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return out;
}

// Layout: header 13, global table 6 (two colours), graphic control extension
// 8, image descriptor 10, code size 1, one data sub-block, terminator,
// trailer. The data is clear, index 0, end of information (3-bit codes).
Bytes MakeGif(int width, int height) {
    Bytes b = {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0, 0x80, 0, 0};
    Put16(b, 6, uint32_t(width));
    Put16(b, 8, uint32_t(height));
    const uint8_t table[] = {0, 0, 0, 255, 255, 255};
    b.insert(b.end(), std::begin(table), std::end(table));
    const uint8_t gce[] = {0x21, 0xF9, 4, 0, 10, 0, 0, 0};
    b.insert(b.end(), std::begin(gce), std::end(gce));
    Bytes desc = {0x2C, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    Put16(desc, 5, uint32_t(width));
    Put16(desc, 7, uint32_t(height));
    b.insert(b.end(), desc.begin(), desc.end());
    const uint8_t data[] = {2, 2, 0x44, 0x01, 0, 0x3B};
    b.insert(b.end(), std::begin(data), std::end(data));
    return b;
}

Bytes MakeBmp(int width, int height, int bitCount) {
    const uint32_t colours = bitCount <= 8 ? 1u << bitCount : 0;
    const uint32_t absHeight = uint32_t(height < 0 ? -height : height);
    const uint32_t stride = (uint32_t(width) * uint32_t(bitCount) + 31) / 32 * 4;
    const uint32_t offset = 14 + 40 + colours * 4;
    Bytes b(offset + size_t(stride) * absHeight, 0);
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 2, uint32_t(b.size()));
    Put32(b, 10, offset);
    Put32(b, 14, 40);
    Put32(b, 18, uint32_t(width));
    Put32(b, 22, uint32_t(height));
    Put16(b, 26, 1);
    Put16(b, 28, uint32_t(bitCount));
    Put32(b, 34, stride * absHeight);
    for (uint32_t i = 0; i < colours; ++i) Put32(b, 54 + 4 * i, i * 0x010101u);
    return b;
}

static Bytes IcoDirectory(int width, int height, uint32_t dataSize) {
    Bytes b(6 + 16, 0);
    Put16(b, 2, 1);
    Put16(b, 4, 1);
    b[6] = uint8_t(width >= 256 ? 0 : width);
    b[7] = uint8_t(height >= 256 ? 0 : height);
    Put16(b, 10, 1);
    Put16(b, 12, 32);
    Put32(b, 14, dataSize);
    Put32(b, 18, 22);
    return b;
}

Bytes MakeIco(int width, int height) {
    const uint32_t colourRows = uint32_t(width) * 4 * uint32_t(height);
    const uint32_t maskRows = (uint32_t(width) + 31) / 32 * 4 * uint32_t(height);
    Bytes dib(40 + colourRows + maskRows, 0);
    Put32(dib, 0, 40);
    Put32(dib, 4, uint32_t(width));
    Put32(dib, 8, uint32_t(height) * 2);
    Put16(dib, 12, 1);
    Put16(dib, 14, 32);
    Bytes b = IcoDirectory(width, height, uint32_t(dib.size()));
    b.insert(b.end(), dib.begin(), dib.end());
    return b;
}

Bytes MakeIcoWithPng(int width, int height) {
    const Bytes png = MakePng(width, height);
    Bytes b = IcoDirectory(width, height, uint32_t(png.size()));
    b.insert(b.end(), png.begin(), png.end());
    return b;
}

size_t PngHeaderEnd(const Bytes& png) {
    size_t pos = 8;
    for (;;) {
        const uint32_t len = Be32(png, pos);
        if (Be32(png, pos + 4) == 0x49444154u) return pos + 8;  // "IDAT"
        pos += 12 + size_t(len);
    }
}

size_t JpegHeaderEnd(const Bytes& jpeg) {
    size_t pos = 2;
    for (;;) {
        if (jpeg.at(pos) != 0xFF) throw std::runtime_error("not at a marker");
        const uint8_t marker = jpeg.at(pos + 1);
        const size_t len = (size_t(jpeg.at(pos + 2)) << 8) | jpeg.at(pos + 3);
        if (marker == 0xDA) return pos + 2 + len;
        pos += 2 + len;
    }
}

}  // namespace imaging_test
