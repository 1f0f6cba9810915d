// Picture sizes from the formats' own headers, for the GDI+ image-size
// functions.
//
// The platform sits below the picture service, so it cannot ask that service;
// it reads headers here: PNG through libpng's read-info path, JPEG through
// libjpeg's header reader, and the simple fixed layouts of GIF, BMP and ICO by
// hand. Nothing here decodes pixels. A picture is accepted when its headers
// are complete and consistent up to where its pixel data begins (for an
// uncompressed bitmap, whose pixel data has a known length, until its end),
// and its size lies inside the limits. Everything else is "not a picture",
// with the reason.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace platform {

enum class ImageFormat : uint8_t { Unknown, Png, Jpeg, Gif, Bmp, Ico };

struct ImageHeaderLimits {
    int32_t maxDimension = 65535;
    uint64_t maxPixels = uint64_t{1} << 26;
};

struct ImageHeader {
    ImageFormat format = ImageFormat::Unknown;
    uint32_t width = 0;
    uint32_t height = 0;
};

// The bytes of a picture: all of them, or the first part of a larger file
// (`head`) together with the picture's full length (`size` >= head.size()).
// Readers look only at `head`; `size` answers whether data that lies beyond
// the head (a bitmap's pixel rows, an icon's image) is present at all.
struct ImageBytes {
    std::span<const uint8_t> head;
    uint64_t size = 0;

    static ImageBytes Whole(std::span<const uint8_t> bytes) { return {bytes, bytes.size()}; }
};

// Detects the format by its signature and reads its header. False with the
// reason in *why (when given) for anything that is not a picture.
bool ReadImageHeader(const ImageBytes& bytes, ImageHeader* out, std::string* why = nullptr,
                     const ImageHeaderLimits& limits = {});

// The format readers, for callers that already know the format. Each checks
// its own signature.
bool ReadPngHeader(const ImageBytes& bytes, ImageHeader* out, std::string* why, const ImageHeaderLimits& limits);
bool ReadJpegHeader(const ImageBytes& bytes, ImageHeader* out, std::string* why, const ImageHeaderLimits& limits);
bool ReadGifHeader(const ImageBytes& bytes, ImageHeader* out, std::string* why, const ImageHeaderLimits& limits);
bool ReadBmpHeader(const ImageBytes& bytes, ImageHeader* out, std::string* why, const ImageHeaderLimits& limits);
bool ReadIcoHeader(const ImageBytes& bytes, ImageHeader* out, std::string* why, const ImageHeaderLimits& limits);

// Shared by the readers: the size inside the limits.
bool ImageSizeAllowed(uint64_t width, uint64_t height, const ImageHeaderLimits& limits);

}  // namespace platform
