// PNG size through libpng's read-info path: the signature, IHDR and every
// chunk up to the first IDAT are read and checked by the library itself
// (chunk order, critical-chunk CRCs, a palette before the data of a
// palette image). Ancillary chunks are skipped unread, so a compressed text
// or colour profile before the image data costs nothing to measure.
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <png.h>

#include "platform/imaging/image_header.h"

namespace platform {
namespace {

struct PngInput {
    const uint8_t* data;
    size_t size;
    size_t pos;
    char message[128];
};

void ReadBytes(png_structp png, png_bytep out, size_t count) {
    auto* in = static_cast<PngInput*>(png_get_io_ptr(png));
    if (count > in->size - in->pos) png_error(png, "truncated");
    std::memcpy(out, in->data + in->pos, count);
    in->pos += count;
}

// libpng may format its message on its own stack, so it is copied out here.
void OnError(png_structp png, png_const_charp message) {
    auto* in = static_cast<PngInput*>(png_get_error_ptr(png));
    std::snprintf(in->message, sizeof in->message, "%s", message ? message : "error");
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// Known ancillary chunks, handled as unknown chunks that are never kept.
constexpr png_byte kSkipped[] = "bKGD\0cHRM\0eXIf\0gAMA\0hIST\0iCCP\0iTXt\0oFFs\0pCAL\0pHYs\0"
                                "sBIT\0sCAL\0sPLT\0sRGB\0tEXt\0tIME\0tRNS\0zTXt";
constexpr int kSkippedCount = 18;
static_assert(sizeof kSkipped == kSkippedCount * 5, "four letters and a NUL each");

// No C++ object with a destructor lives in this frame: libpng's errors
// return here with longjmp.
bool ReadInfo(PngInput* in, uint32_t maxDimension, png_uint_32* width, png_uint_32* height) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, in, OnError, OnWarning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, in, ReadBytes);
    png_set_user_limits(png, maxDimension, maxDimension);
    png_set_chunk_malloc_max(png, 1u << 20);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kSkipped, kSkippedCount);
    png_read_info(png, info);
    *width = png_get_image_width(png, info);
    *height = png_get_image_height(png, info);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

}  // namespace

bool ReadPngHeader(const ImageBytes& bytes, ImageHeader* out, std::string* why, const ImageHeaderLimits& limits) {
    if (bytes.head.size() < 8 || png_sig_cmp(bytes.head.data(), 0, 8) != 0) {
        if (why) *why = "png: no signature";
        return false;
    }
    PngInput in{bytes.head.data(), bytes.head.size(), 0, {}};
    png_uint_32 width = 0, height = 0;
    const uint32_t maxDimension = limits.maxDimension > 0 ? uint32_t(limits.maxDimension) : 1;
    if (!ReadInfo(&in, maxDimension, &width, &height)) {
        if (why) *why = std::string("png: ") + (in.message[0] ? in.message : "cannot read the header");
        return false;
    }
    if (!ImageSizeAllowed(width, height, limits)) {
        if (why) *why = "png: size outside the limits";
        return false;
    }
    *out = {ImageFormat::Png, width, height};
    return true;
}

}  // namespace platform
