// Format detection and the fixed-layout headers: GIF, BMP and ICO. These are
// a handful of little-endian fields each, which no library we ship reads on
// its own without decoding the pixels too.
#include "platform/imaging/image_header.h"

#include <cstring>

namespace platform {
namespace {

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

bool Fail(std::string* why, const char* reason) {
    if (why) *why = reason;
    return false;
}

// Bounds-checked little-endian reads over the head of the picture.
class Bytes {
public:
    explicit Bytes(std::span<const uint8_t> b) : b_(b) {}
    size_t size() const { return b_.size(); }
    bool Has(uint64_t offset, uint64_t count) const { return offset <= b_.size() && count <= b_.size() - offset; }
    uint8_t U8(size_t at) const { return b_[at]; }
    uint16_t U16(size_t at) const { return uint16_t(b_[at] | (b_[at + 1] << 8)); }
    uint32_t U32(size_t at) const {
        return uint32_t(b_[at]) | (uint32_t(b_[at + 1]) << 8) | (uint32_t(b_[at + 2]) << 16) |
               (uint32_t(b_[at + 3]) << 24);
    }
    int32_t I32(size_t at) const { return static_cast<int32_t>(U32(at)); }
    std::span<const uint8_t> From(size_t at) const { return b_.subspan(at); }

private:
    std::span<const uint8_t> b_;
};

bool StartsWith(std::span<const uint8_t> b, const void* sig, size_t n) {
    return b.size() >= n && std::memcmp(b.data(), sig, n) == 0;
}

bool IsGifSignature(std::span<const uint8_t> b) {
    return StartsWith(b, "GIF87a", 6) || StartsWith(b, "GIF89a", 6);
}

// Row length of an uncompressed bitmap: rows are padded to 4 bytes.
uint64_t DibStride(uint64_t width, uint32_t bitCount) { return (width * bitCount + 31) / 32 * 4; }

bool DepthKnown(uint32_t bitCount) {
    return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 || bitCount == 32;
}

}  // namespace

bool ImageSizeAllowed(uint64_t width, uint64_t height, const ImageHeaderLimits& limits) {
    const uint64_t maxDim = limits.maxDimension > 0 ? uint64_t(limits.maxDimension) : 0;
    // Both sides are at most 2^32 here, so the product cannot overflow.
    return width > 0 && height > 0 && width <= maxDim && height <= maxDim && width <= UINT32_MAX &&
           height <= UINT32_MAX && width * height <= limits.maxPixels;
}

bool ReadImageHeader(const ImageBytes& bytes, ImageHeader* out, std::string* why, const ImageHeaderLimits& limits) {
    const std::span<const uint8_t> b = bytes.head;
    if (bytes.size < b.size()) return Fail(why, "inconsistent length");
    if (b.empty()) return Fail(why, "empty");
    if (StartsWith(b, kPngSignature, sizeof kPngSignature)) return ReadPngHeader(bytes, out, why, limits);
    if (b.size() >= 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF) return ReadJpegHeader(bytes, out, why, limits);
    if (IsGifSignature(b)) return ReadGifHeader(bytes, out, why, limits);
    if (StartsWith(b, "BM", 2)) return ReadBmpHeader(bytes, out, why, limits);
    if (b.size() >= 4 && b[0] == 0 && b[1] == 0 && (b[2] == 1 || b[2] == 2) && b[3] == 0)
        return ReadIcoHeader(bytes, out, why, limits);
    return Fail(why, "unknown format");
}

// GIF: the logical screen is the picture's size (every frame is drawn on it).
// The block walk must reach the first image descriptor and the start of its
// data; a stream that ends before, or holds only extensions and a trailer,
// has no picture.
bool ReadGifHeader(const ImageBytes& bytes, ImageHeader* out, std::string* why, const ImageHeaderLimits& limits) {
    const Bytes b(bytes.head);
    if (!IsGifSignature(bytes.head)) return Fail(why, "gif: no signature");
    if (!b.Has(0, 13)) return Fail(why, "gif: truncated screen descriptor");
    const uint32_t width = b.U16(6);
    const uint32_t height = b.U16(8);
    if (!ImageSizeAllowed(width, height, limits)) return Fail(why, "gif: screen size outside the limits");
    uint64_t pos = 13;
    const uint8_t flags = b.U8(10);
    if (flags & 0x80) pos += 3u << ((flags & 7) + 1);
    // Each step moves pos forward by at least one byte, so the walk ends.
    for (;;) {
        if (!b.Has(pos, 1)) return Fail(why, "gif: truncated before the first image");
        const uint8_t block = b.U8(size_t(pos));
        if (block == 0x21) {  // extension: label, then data sub-blocks
            pos += 2;
            for (;;) {
                if (!b.Has(pos, 1)) return Fail(why, "gif: truncated extension");
                const uint8_t len = b.U8(size_t(pos));
                pos += 1 + uint64_t(len);
                if (len == 0) break;
            }
        } else if (block == 0x2C) {  // image descriptor
            if (!b.Has(pos, 10)) return Fail(why, "gif: truncated image descriptor");
            const uint8_t packed = b.U8(size_t(pos + 9));
            pos += 10;
            if (packed & 0x80) pos += 3u << ((packed & 7) + 1);
            // The code size byte and the first sub-block's length byte.
            if (!b.Has(pos, 2)) return Fail(why, "gif: truncated before the image data");
            const uint8_t codeSize = b.U8(size_t(pos));
            if (codeSize < 1 || codeSize > 8) return Fail(why, "gif: bad minimum code size");
            break;
        } else if (block == 0x3B) {
            return Fail(why, "gif: no image before the trailer");
        } else {
            return Fail(why, "gif: unknown block");
        }
    }
    *out = {ImageFormat::Gif, width, height};
    return true;
}

// BMP: the file header, one of the known information headers (the 12-byte
// core header or the 40-byte header and its longer versions), the colour
// table before the pixel data, and -- uncompressed -- every pixel row present.
bool ReadBmpHeader(const ImageBytes& bytes, ImageHeader* out, std::string* why, const ImageHeaderLimits& limits) {
    const Bytes b(bytes.head);
    if (!b.Has(0, 18) || b.U8(0) != 'B' || b.U8(1) != 'M') return Fail(why, "bmp: truncated file header");
    const uint32_t pixelOffset = b.U32(10);
    const uint32_t infoSize = b.U32(14);
    uint64_t width = 0, height = 0;
    uint32_t bitCount = 0, compression = 0, coloursUsed = 0, entrySize = 4;
    uint64_t masks = 0;  // bytes of colour masks after the header
    bool topDown = false;
    if (infoSize == 12) {
        if (!b.Has(14, 12)) return Fail(why, "bmp: truncated core header");
        width = b.U16(18);
        height = b.U16(20);
        if (b.U16(22) != 1) return Fail(why, "bmp: planes not 1");
        bitCount = b.U16(24);
        entrySize = 3;
        if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24) return Fail(why, "bmp: bad depth");
    } else if (infoSize == 40 || infoSize == 52 || infoSize == 56 || infoSize == 108 || infoSize == 124) {
        if (!b.Has(14, infoSize)) return Fail(why, "bmp: truncated information header");
        const int32_t w = b.I32(18);
        const int32_t h = b.I32(22);
        if (w <= 0) return Fail(why, "bmp: width not positive");
        if (h == 0 || h == INT32_MIN) return Fail(why, "bmp: bad height");
        width = uint64_t(w);
        topDown = h < 0;
        height = topDown ? uint64_t(-int64_t(h)) : uint64_t(h);
        if (b.U16(26) != 1) return Fail(why, "bmp: planes not 1");
        bitCount = b.U16(28);
        compression = b.U32(30);
        coloursUsed = b.U32(46);
        if (!DepthKnown(bitCount)) return Fail(why, "bmp: bad depth");
        switch (compression) {
            case 0: break;
            case 1:  // run-length coded rows are stored bottom-up only
                if (bitCount != 8 || topDown) return Fail(why, "bmp: bad 8-bit run-length header");
                break;
            case 2:
                if (bitCount != 4 || topDown) return Fail(why, "bmp: bad 4-bit run-length header");
                break;
            case 3:
                if (bitCount != 16 && bitCount != 32) return Fail(why, "bmp: bit fields need 16 or 32 bits");
                if (infoSize == 40) masks = 12;
                break;
            default: return Fail(why, "bmp: unsupported compression");
        }
    } else {
        return Fail(why, "bmp: unknown information header");
    }
    if (!ImageSizeAllowed(width, height, limits)) return Fail(why, "bmp: size outside the limits");
    uint64_t colours = coloursUsed;
    if (bitCount <= 8) {
        const uint32_t full = 1u << bitCount;
        if (coloursUsed > full) return Fail(why, "bmp: more colours than the depth holds");
        if (colours == 0) colours = full;
    }
    // Every term is below 2^36, so the sum cannot overflow.
    const uint64_t tableEnd = 14 + uint64_t(infoSize) + masks + colours * entrySize;
    if (pixelOffset < tableEnd) return Fail(why, "bmp: pixel data inside the headers");
    if (pixelOffset >= bytes.size) return Fail(why, "bmp: pixel data past the end");
    if (compression == 0 || compression == 3) {
        uint64_t need;
        if (__builtin_mul_overflow(DibStride(width, bitCount), height, &need) || need > bytes.size - pixelOffset)
            return Fail(why, "bmp: pixel data short");
    }
    *out = {ImageFormat::Bmp, uint32_t(width), uint32_t(height)};
    return true;
}

// ICO: the first directory entry's image, which is either a PNG or a bitmap
// information header followed by the colour and mask rows (the header's
// height counts both, so it is twice the icon's). The size is the image's own;
// the directory's one-byte sizes are only hints (and cannot say 257 or more).
bool ReadIcoHeader(const ImageBytes& bytes, ImageHeader* out, std::string* why, const ImageHeaderLimits& limits) {
    const Bytes b(bytes.head);
    if (!b.Has(0, 6) || b.U16(0) != 0) return Fail(why, "ico: truncated directory");
    if (b.U16(2) != 1) return Fail(why, "ico: not an icon file");
    const uint32_t count = b.U16(4);
    if (count == 0) return Fail(why, "ico: no images");
    const uint64_t directoryEnd = 6 + uint64_t(count) * 16;
    if (!b.Has(6, 16) || directoryEnd > bytes.size) return Fail(why, "ico: truncated directory");
    const uint32_t dataSize = b.U32(6 + 8);
    const uint32_t dataOffset = b.U32(6 + 12);
    if (dataSize == 0) return Fail(why, "ico: empty image");
    if (dataOffset < directoryEnd) return Fail(why, "ico: image overlaps the directory");
    if (uint64_t(dataOffset) + dataSize > bytes.size) return Fail(why, "ico: image past the end");
    if (!b.Has(dataOffset, 1)) return Fail(why, "ico: image beyond the examined bytes");
    std::span<const uint8_t> image = b.From(dataOffset);
    if (image.size() > dataSize) image = image.first(dataSize);

    if (StartsWith(image, kPngSignature, sizeof kPngSignature)) {
        ImageHeader png;
        std::string pngWhy;
        if (!ReadPngHeader({image, dataSize}, &png, &pngWhy, limits)) return Fail(why, "ico: bad embedded png");
        *out = {ImageFormat::Ico, png.width, png.height};
        return true;
    }
    const Bytes dib(image);
    if (!dib.Has(0, 40)) return Fail(why, "ico: truncated image header");
    const uint32_t headerSize = dib.U32(0);
    if (headerSize < 40 || headerSize > dataSize) return Fail(why, "ico: bad image header size");
    const int32_t w = dib.I32(4);
    const int32_t h = dib.I32(8);
    const uint32_t bitCount = dib.U16(14);
    const uint32_t compression = dib.U32(16);
    const uint32_t coloursUsed = dib.U32(32);
    if (w <= 0 || h <= 0 || (h & 1)) return Fail(why, "ico: bad image size");
    if (!DepthKnown(bitCount) || compression != 0) return Fail(why, "ico: unsupported image depth or compression");
    const uint64_t width = uint64_t(w), height = uint64_t(h) / 2;
    if (!ImageSizeAllowed(width, height, limits)) return Fail(why, "ico: size outside the limits");
    uint64_t colours = coloursUsed;
    if (bitCount <= 8) {
        const uint32_t full = 1u << bitCount;
        if (coloursUsed > full) return Fail(why, "ico: more colours than the depth holds");
        if (colours == 0) colours = full;
    }
    // The colour rows must be there; the mask rows after them may be left out.
    uint64_t rows, need;
    if (__builtin_mul_overflow(DibStride(width, bitCount), height, &rows) ||
        __builtin_add_overflow(uint64_t(headerSize) + colours * 4, rows, &need) || need > dataSize)
        return Fail(why, "ico: image data short");
    *out = {ImageFormat::Ico, uint32_t(width), uint32_t(height)};
    return true;
}

}  // namespace platform
