// The header readers on real pictures, every truncation, and malformed headers.
#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <iterator>

#include "platform/imaging/image_header.h"
#include "tests/platform/imaging/test_pictures.h"

using namespace platform;
using namespace imaging_test;

namespace {

struct Measured {
    bool ok = false;
    ImageHeader header;
    std::string why;
};

Measured Measure(const Bytes& b, const ImageHeaderLimits& limits = {}) {
    Measured m;
    m.ok = ReadImageHeader(ImageBytes::Whole(b), &m.header, &m.why, limits);
    return m;
}

void ExpectSize(const Bytes& b, ImageFormat format, uint32_t w, uint32_t h) {
    const Measured m = Measure(b);
    ASSERT_TRUE(m.ok) << m.why;
    EXPECT_EQ(m.header.format, format);
    EXPECT_EQ(m.header.width, w);
    EXPECT_EQ(m.header.height, h);
}

void ExpectRefused(const Bytes& b, const std::string& reasonPart = "") {
    const Measured m = Measure(b);
    EXPECT_FALSE(m.ok) << "measured " << m.header.width << " x " << m.header.height;
    EXPECT_FALSE(m.why.empty());
    if (!reasonPart.empty()) {
        EXPECT_NE(m.why.find(reasonPart), std::string::npos) << m.why;
    }
}

// Every prefix shorter than `needed` is refused and the prefix of exactly
// `needed` bytes is accepted with the full picture's size.
void ExpectTruncationsRefused(const Bytes& b, size_t needed) {
    ASSERT_LE(needed, b.size());
    const Measured full = Measure(b);
    ASSERT_TRUE(full.ok) << full.why;
    for (size_t n = 0; n < needed; ++n) {
        const Bytes cut(b.begin(), b.begin() + n);
        const Measured m = Measure(cut);
        EXPECT_FALSE(m.ok) << "prefix of " << n << " of " << b.size() << " bytes accepted";
    }
    const Measured atEnd = Measure(Bytes(b.begin(), b.begin() + needed));
    ASSERT_TRUE(atEnd.ok) << atEnd.why;
    EXPECT_EQ(atEnd.header.width, full.header.width);
    EXPECT_EQ(atEnd.header.height, full.header.height);
}

}  // namespace

TEST(ImageHeader, SizesOfRealPictures) {
    ExpectSize(MakePng(300, 120), ImageFormat::Png, 300, 120);
    ExpectSize(MakePng(1, 1), ImageFormat::Png, 1, 1);
    ExpectSize(MakePng(2000, 3), ImageFormat::Png, 2000, 3);
    ExpectSize(MakeJpeg(300, 120), ImageFormat::Jpeg, 300, 120);
    ExpectSize(MakeJpeg(17, 9, /*progressive=*/true), ImageFormat::Jpeg, 17, 9);
    ExpectSize(MakeJpeg(33, 1, false, /*grey=*/true), ImageFormat::Jpeg, 33, 1);
    ExpectSize(MakeGif(300, 120), ImageFormat::Gif, 300, 120);
    ExpectSize(MakeBmp(300, 120), ImageFormat::Bmp, 300, 120);
    ExpectSize(MakeBmp(7, -5), ImageFormat::Bmp, 7, 5);  // rows stored top-down
    ExpectSize(MakeBmp(9, 3, 1), ImageFormat::Bmp, 9, 3);
    ExpectSize(MakeBmp(9, 3, 4), ImageFormat::Bmp, 9, 3);
    ExpectSize(MakeBmp(9, 3, 8), ImageFormat::Bmp, 9, 3);
    ExpectSize(MakeBmp(9, 3, 16), ImageFormat::Bmp, 9, 3);
    ExpectSize(MakeBmp(9, 3, 32), ImageFormat::Bmp, 9, 3);
    ExpectSize(MakeIco(48, 32), ImageFormat::Ico, 48, 32);
    ExpectSize(MakeIco(256, 256), ImageFormat::Ico, 256, 256);
    ExpectSize(MakeIcoWithPng(300, 120), ImageFormat::Ico, 300, 120);
}

TEST(ImageHeader, NotPictures) {
    ExpectRefused({}, "empty");
    const std::string text = "<html>not found</html>";
    ExpectRefused(Bytes(text.begin(), text.end()), "unknown format");
    ExpectRefused(Bytes(4096, 0), "unknown format");
    ExpectRefused({0x89, 'P', 'N', 'G'});
    ExpectRefused({0xFF, 0xD8});
}

TEST(ImageHeader, EveryTruncationBeforeThePixelDataIsRefused) {
    const Bytes png = MakePng(40, 30);
    ExpectTruncationsRefused(png, PngHeaderEnd(png));
    const Bytes jpeg = MakeJpeg(40, 30);
    ExpectTruncationsRefused(jpeg, JpegHeaderEnd(jpeg));
    const Bytes progressive = MakeJpeg(40, 30, true);
    ExpectTruncationsRefused(progressive, JpegHeaderEnd(progressive));
    const Bytes gif = MakeGif(40, 30);
    ExpectTruncationsRefused(gif, kGifHeaderEnd);
    // Uncompressed pixel rows have a known length: all of them must be there.
    for (int depth : {1, 8, 24, 32}) {
        SCOPED_TRACE(depth);
        const Bytes bmp = MakeBmp(13, 5, depth);
        ExpectTruncationsRefused(bmp, bmp.size());
    }
    const Bytes ico = MakeIco(16, 16);
    ExpectTruncationsRefused(ico, ico.size());
    // The mask rows may be left out when the directory says so; the colour
    // rows may not.
    const size_t maskBytes = 4 * 16;
    Bytes noMask(ico.begin(), ico.end() - maskBytes);
    Put32(noMask, 14, uint32_t(noMask.size() - 22));
    ExpectTruncationsRefused(noMask, noMask.size());
    const Bytes icoPng = MakeIcoWithPng(16, 16);
    ExpectTruncationsRefused(icoPng, icoPng.size());
}

// A file is measured from its first bytes; data that lies beyond them counts
// as present when the full length says so.
TEST(ImageHeader, HeadOfALargerFile) {
    const Bytes bmp = MakeBmp(100, 100);
    const std::span<const uint8_t> head(bmp.data(), 200);
    ImageHeader h;
    std::string why;
    ASSERT_TRUE(ReadImageHeader({head, bmp.size()}, &h, &why)) << why;
    EXPECT_EQ(h.width, 100u);
    EXPECT_FALSE(ReadImageHeader({head, bmp.size() - 1}, &h, &why));
    EXPECT_FALSE(ReadImageHeader({head, 100}, &h, &why)) << "a length below the head is inconsistent";

    const Bytes ico = MakeIco(32, 32);
    EXPECT_FALSE(ReadImageHeader({std::span<const uint8_t>(ico.data(), 22), ico.size()}, &h, &why))
        << "the icon's image header lies beyond the examined bytes";
}

TEST(ImageHeader, Limits) {
    const Bytes png = MakePng(300, 120);
    EXPECT_FALSE(Measure(png, {.maxDimension = 299}).ok);
    EXPECT_TRUE(Measure(png, {.maxDimension = 300}).ok);
    EXPECT_FALSE(Measure(png, {.maxDimension = 65535, .maxPixels = 300 * 120 - 1}).ok);
    EXPECT_TRUE(Measure(png, {.maxDimension = 65535, .maxPixels = 300 * 120}).ok);
    EXPECT_FALSE(Measure(MakeJpeg(300, 120), {.maxDimension = 200}).ok);
    EXPECT_FALSE(Measure(MakeGif(300, 120), {.maxDimension = 200}).ok);
    EXPECT_FALSE(Measure(MakeBmp(300, 120), {.maxDimension = 200}).ok);
    EXPECT_FALSE(Measure(MakeIco(64, 64), {.maxDimension = 63}).ok);

    // PNG beyond the pixel limit: a valid IHDR of 65535 x 65535 and one of
    // 100000 x 1 (past the side limit, checked by libpng before the IHDR is used).
    Bytes huge = png;
    auto setIhdr = [&](uint32_t w, uint32_t h) {
        for (int i = 0; i < 4; ++i) {
            huge[16 + i] = uint8_t(w >> (24 - 8 * i));
            huge[20 + i] = uint8_t(h >> (24 - 8 * i));
        }
        FixPngCrc(huge, 8);
    };
    setIhdr(300, 120);
    ASSERT_EQ(huge, png) << "the CRC helper must reproduce the writer's";
    setIhdr(65535, 65535);
    ExpectRefused(huge, "limits");
    setIhdr(100000, 1);
    ExpectRefused(huge);
    setIhdr(4096, 4096);  // 2^24 pixels: inside the default limits
    const Measured m = Measure(huge);
    ASSERT_TRUE(m.ok) << m.why;
    EXPECT_EQ(m.header.width, 4096u);
}

TEST(ImageHeader, MalformedPng) {
    const Bytes png = MakePng(20, 10);
    Bytes badCrc = png;
    badCrc[16] ^= 1;  // IHDR width changed without its CRC
    ExpectRefused(badCrc, "png:");
    Bytes zeroWidth = png;
    for (int i = 16; i < 20; ++i) zeroWidth[i] = 0;
    FixPngCrc(zeroWidth, 8);
    ExpectRefused(zeroWidth, "png:");
    Bytes badDepth = png;
    badDepth[24] = 7;
    FixPngCrc(badDepth, 8);
    ExpectRefused(badDepth, "png:");
    Bytes notIhdrFirst = png;
    notIhdrFirst[12] = 'X';
    FixPngCrc(notIhdrFirst, 8);
    ExpectRefused(notIhdrFirst, "png:");
    // A palette image with no PLTE before its data.
    Bytes noPalette = png;
    noPalette[24] = 8;
    noPalette[25] = 3;
    FixPngCrc(noPalette, 8);
    ExpectRefused(noPalette, "PLTE");
}

TEST(ImageHeader, PngAncillaryChunksAreSkipped) {
    // A large iTXt chunk and an unknown ancillary chunk ahead of the image data.
    const Bytes png = MakePng(20, 10);
    const size_t afterIhdr = 8 + 12 + 13;
    for (const char* type : {"iTXt", "zzZz"}) {
        Bytes chunk(12 + 70000, 0);
        chunk[0] = 0;
        chunk[1] = uint8_t(70000 >> 16);
        chunk[2] = uint8_t((70000 >> 8) & 0xFF);
        chunk[3] = uint8_t(70000 & 0xFF);
        std::copy(type, type + 4, chunk.begin() + 4);
        FixPngCrc(chunk, 0);
        Bytes b = png;
        b.insert(b.begin() + afterIhdr, chunk.begin(), chunk.end());
        ExpectSize(b, ImageFormat::Png, 20, 10);
        // Cut inside the skipped chunk: still no picture.
        ExpectRefused(Bytes(b.begin(), b.begin() + afterIhdr + 5000));
    }
}

TEST(ImageHeader, MalformedJpeg) {
    const Bytes jpeg = MakeJpeg(40, 30);
    // Find the frame header (FF C0) and damage it.
    size_t sof = 0;
    for (size_t i = 2; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            sof = i;
            break;
        }
    ASSERT_NE(sof, 0u);
    Bytes zeroWidth = jpeg;
    zeroWidth[sof + 7] = 0;
    zeroWidth[sof + 8] = 0;
    ExpectRefused(zeroWidth, "jpeg:");
    Bytes badSampling = jpeg;
    badSampling[sof + 11] = 0x55;  // first component's sampling factors 5 x 5
    ExpectRefused(badSampling, "jpeg:");
    // Tables only, no frame: the stream ends at an end-of-image marker.
    Bytes tablesOnly(jpeg.begin(), jpeg.begin() + sof);
    tablesOnly.push_back(0xFF);
    tablesOnly.push_back(0xD9);
    ExpectRefused(tablesOnly, "jpeg:");
    // A segment length running past the end.
    Bytes longSegment = {0xFF, 0xD8, 0xFF, 0xE0, 0xFF, 0xFF, 'J', 'F', 'I', 'F'};
    ExpectRefused(longSegment, "jpeg:");
}

TEST(ImageHeader, MalformedGif) {
    const Bytes gif = MakeGif(40, 30);
    const size_t codeSizeAt = kGifHeaderEnd - 2;
    for (uint8_t codeSize : {0, 9, 12, 255}) {
        Bytes b = gif;
        b[codeSizeAt] = codeSize;
        ExpectRefused(b, "code size");
    }
    Bytes one = gif;
    one[codeSizeAt] = 1;
    ExpectSize(one, ImageFormat::Gif, 40, 30);

    Bytes zeroWidth = gif;
    Put16(zeroWidth, 6, 0);
    ExpectRefused(zeroWidth, "limits");
    // Only an extension and the trailer: no image.
    Bytes noImage(gif.begin(), gif.begin() + 13 + 6 + 8);
    noImage.push_back(0x3B);
    ExpectRefused(noImage, "no image");
    Bytes unknownBlock = noImage;
    unknownBlock.back() = 0x99;
    ExpectRefused(unknownBlock, "unknown block");
    // A global colour table that the stream does not hold.
    Bytes bigTable = gif;
    bigTable[10] = 0x87;
    ExpectRefused(bigTable);
    // Local colour table on the image, then the data.
    Bytes local = gif;
    local[13 + 6 + 8 + 9] = 0x80;
    const uint8_t localTable[] = {1, 2, 3, 4, 5, 6};
    local.insert(local.begin() + 13 + 6 + 8 + 10, std::begin(localTable), std::end(localTable));
    ExpectSize(local, ImageFormat::Gif, 40, 30);
    // A 65535 x 65535 screen passes the side limit but not the pixel limit.
    Bytes huge = gif;
    Put16(huge, 6, 65535);
    Put16(huge, 8, 65535);
    ExpectRefused(huge, "limits");
}

TEST(ImageHeader, MalformedBmp) {
    const Bytes bmp = MakeBmp(10, 4, 8);
    auto with32 = [&](size_t at, uint32_t v) {
        Bytes b = bmp;
        Put32(b, at, v);
        return b;
    };
    auto with16 = [&](size_t at, uint32_t v) {
        Bytes b = bmp;
        Put16(b, at, v);
        return b;
    };
    ExpectRefused(with32(18, 0), "width");
    ExpectRefused(with32(18, uint32_t(-10)), "width");
    ExpectRefused(with32(22, 0), "height");
    ExpectRefused(with32(22, uint32_t(INT32_MIN)), "height");
    ExpectRefused(with32(18, 0x7FFFFFFF), "limits");
    ExpectRefused(with32(46, 257), "colours");
    ExpectRefused(with32(46, 0x7FFFFFFF), "colours");
    ExpectRefused(with32(10, 20), "inside the headers");
    ExpectRefused(with32(10, 0xFFFFFFF0u), "past the end");
    for (uint32_t depth : {0u, 2u, 7u, 64u}) ExpectRefused(with16(28, depth), "depth");
    ExpectRefused(with32(30, 4), "compression");  // JPEG inside
    ExpectRefused(with32(30, 2), "run-length");   // 4-bit runs on an 8-bit picture
    ExpectRefused(with16(26, 0), "planes");
    ExpectRefused(with32(14, 64), "information header");
    ExpectRefused(Bytes(bmp.begin(), bmp.end() - 1), "short");

    // Width x height x depth beyond 2^32 with the pixel limit lifted: the
    // length check must not overflow.
    Bytes wide = MakeBmp(1, 1, 32);
    Put32(wide, 18, 0x7FFFFFFF);
    Put32(wide, 22, 0x7FFFFFFF);
    ImageHeader h;
    EXPECT_FALSE(ReadImageHeader(ImageBytes::Whole(wide), &h, nullptr, {.maxDimension = INT32_MAX, .maxPixels = UINT64_MAX}));

    // 8-bit run-length data (bottom-up): its length is not known from the
    // header, so the rows are not counted.
    Bytes rle = with32(30, 1);
    rle.resize(54 + 256 * 4 + 2);
    ExpectSize(rle, ImageFormat::Bmp, 10, 4);
    Put32(rle, 22, uint32_t(-4));
    ExpectRefused(rle, "run-length");

    // The 12-byte core header with 3-byte colour entries.
    Bytes core(14 + 12 + 2 * 3 + 4 * 2, 0);
    core[0] = 'B';
    core[1] = 'M';
    Put32(core, 10, 14 + 12 + 6);
    Put32(core, 14, 12);
    Put16(core, 18, 5);
    Put16(core, 20, 2);
    Put16(core, 22, 1);
    Put16(core, 24, 1);
    ExpectSize(core, ImageFormat::Bmp, 5, 2);
    core.pop_back();
    ExpectRefused(core, "short");

    // Bit fields with the 40-byte header: three masks before the pixel data.
    Bytes fields = MakeBmp(3, 2, 16);
    Put32(fields, 30, 3);
    ExpectRefused(fields, "inside the headers");
    fields.insert(fields.begin() + 54, 12, 0);
    Put32(fields, 10, 54 + 12);
    ExpectSize(fields, ImageFormat::Bmp, 3, 2);
}

TEST(ImageHeader, MalformedIco) {
    const Bytes ico = MakeIco(16, 16);
    ExpectRefused([&] {
        Bytes b = ico;
        Put16(b, 4, 0);
        return b;
    }(), "no images");
    // 65535 entries: the directory alone is longer than the file.
    ExpectRefused([&] {
        Bytes b = ico;
        Put16(b, 4, 65535);
        return b;
    }(), "directory");
    ExpectRefused([&] {
        Bytes b = ico;
        Put32(b, 18, 10);  // image offset inside the directory
        return b;
    }(), "overlaps");
    ExpectRefused([&] {
        Bytes b = ico;
        Put32(b, 14, 0xFFFFFFF0u);  // bogus size field
        return b;
    }(), "past the end");
    ExpectRefused([&] {
        Bytes b = ico;
        Put32(b, 14, 0);
        return b;
    }(), "empty");
    ExpectRefused([&] {
        Bytes b = ico;
        Put32(b, 22 + 8, 17);  // odd header height: not colour and mask rows
        return b;
    }(), "size");
    ExpectRefused([&] {
        Bytes b = ico;
        Put32(b, 22 + 0, 0x7FFFFFFF);  // header size larger than the image
        return b;
    }(), "header size");
    ExpectRefused([&] {
        Bytes b = ico;
        Put16(b, 2, 2);  // a cursor file
        return b;
    }(), "not an icon");
    ExpectRefused([&] {
        Bytes b = ico;
        Put32(b, 22 + 32, 1000);  // colours used on a 32-bit image: no room
        return b;
    }(), "short");
    // Colour rows one byte short, with a directory that agrees.
    Bytes shortRows(ico.begin(), ico.end() - 4 * 16 - 1);
    Put32(shortRows, 14, uint32_t(shortRows.size() - 22));
    ExpectRefused(shortRows, "short");
    // The image's own header wins over the directory's one-byte sizes.
    Bytes disagree = ico;
    disagree[6] = 99;
    disagree[7] = 3;
    ExpectSize(disagree, ImageFormat::Ico, 16, 16);
    // An embedded PNG that is damaged.
    Bytes png = MakeIcoWithPng(16, 16);
    png[22 + 16] ^= 1;
    ExpectRefused(png, "embedded png");
}

// Files from another writer: the fuzz target's seed pictures.
TEST(ImageHeader, SeedPicturesFromAnotherWriter) {
    const std::string dir = std::string(SIG_SOURCE_DIR) + "/fuzz/platform_image_size/corpus/";
    struct Seed {
        const char* name;
        ImageFormat format;
        uint32_t w, h;
    } seeds[] = {
        {"seed.png", ImageFormat::Png, 8, 6},      {"seed.jpg", ImageFormat::Jpeg, 8, 6},
        {"seed_progressive.jpg", ImageFormat::Jpeg, 8, 6}, {"seed.gif", ImageFormat::Gif, 8, 6},
        {"seed.bmp", ImageFormat::Bmp, 8, 6},      {"seed_palette.bmp", ImageFormat::Bmp, 8, 6},
        {"seed.ico", ImageFormat::Ico, 16, 16},
    };
    for (const Seed& s : seeds) {
        SCOPED_TRACE(s.name);
        std::ifstream in(dir + s.name, std::ios::binary);
        ASSERT_TRUE(in.good());
        const Bytes b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        ExpectSize(b, s.format, s.w, s.h);
    }
}
