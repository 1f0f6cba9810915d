// JPEG size through libjpeg's header reader: the markers up to the first scan
// are parsed and checked by the library (frame header, sampling factors,
// tables). A stream that ends before the first scan is not a picture: our
// memory source reports the end as a fatal error instead of inventing an
// end-of-image marker.
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>
#include <jerror.h>

#include "platform/imaging/image_header.h"

namespace platform {
namespace {

struct ErrorManager {
    jpeg_error_mgr std;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void FatalExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

void Silent(j_common_ptr) {}

struct MemorySource {
    jpeg_source_mgr pub;
    const uint8_t* data;
    size_t size;
};

// The whole input is handed over at once; asking for more means it ended.
void InitSource(j_decompress_ptr cinfo) {
    auto* src = reinterpret_cast<MemorySource*>(cinfo->src);
    src->pub.next_input_byte = src->data;
    src->pub.bytes_in_buffer = src->size;
}

boolean FillInput(j_decompress_ptr cinfo) {
    ERREXIT(cinfo, JERR_INPUT_EOF);
    return FALSE;
}

void SkipInput(j_decompress_ptr cinfo, long count) {
    if (count <= 0) return;
    if (static_cast<unsigned long>(count) > cinfo->src->bytes_in_buffer) ERREXIT(cinfo, JERR_INPUT_EOF);
    cinfo->src->next_input_byte += count;
    cinfo->src->bytes_in_buffer -= size_t(count);
}

void TermSource(j_decompress_ptr) {}

// No C++ object with a destructor lives in this frame: libjpeg's fatal errors
// return here with longjmp.
bool ReadHeader(const uint8_t* data, size_t size, ErrorManager* err, JDIMENSION* width, JDIMENSION* height) {
    jpeg_decompress_struct cinfo;
    MemorySource src;
    cinfo.err = jpeg_std_error(&err->std);
    err->std.error_exit = FatalExit;
    err->std.output_message = Silent;
    err->message[0] = 0;
    if (setjmp(err->jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    src.pub.init_source = InitSource;
    src.pub.fill_input_buffer = FillInput;
    src.pub.skip_input_data = SkipInput;
    src.pub.resync_to_restart = jpeg_resync_to_restart;
    src.pub.term_source = TermSource;
    src.pub.next_input_byte = nullptr;
    src.pub.bytes_in_buffer = 0;
    src.data = data;
    src.size = size;
    cinfo.src = &src.pub;
    jpeg_read_header(&cinfo, TRUE);
    *width = cinfo.image_width;
    *height = cinfo.image_height;
    jpeg_destroy_decompress(&cinfo);
    return true;
}

}  // namespace

bool ReadJpegHeader(const ImageBytes& bytes, ImageHeader* out, std::string* why, const ImageHeaderLimits& limits) {
    const auto head = bytes.head;
    if (head.size() < 3 || head[0] != 0xFF || head[1] != 0xD8 || head[2] != 0xFF) {
        if (why) *why = "jpeg: no signature";
        return false;
    }
    ErrorManager err;
    JDIMENSION width = 0, height = 0;
    if (!ReadHeader(head.data(), head.size(), &err, &width, &height)) {
        if (why) *why = std::string("jpeg: ") + err.message;
        return false;
    }
    if (!ImageSizeAllowed(width, height, limits)) {
        if (why) *why = "jpeg: size outside the limits";
        return false;
    }
    *out = {ImageFormat::Jpeg, width, height};
    return true;
}

}  // namespace platform
