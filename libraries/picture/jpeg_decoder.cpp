// JPEG through libjpeg: our own memory source, and the standard error manager
// with its fatal exit turned into a jump back here.
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

#include "libraries/picture/decode_util.h"

namespace picture {
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

void Silent(j_common_ptr, int) {}

// Feeds the stream in chunks; at its end an end-of-image marker stands in for
// the missing data, so a truncated file decodes as far as it goes.
struct MemorySource {
  jpeg_source_mgr pub;
  const uint8_t* data;
  size_t size;
  size_t pos;
  size_t chunk;
};

const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};

void InitSource(j_decompress_ptr) {}

boolean FillInput(j_decompress_ptr cinfo) {
  auto* src = reinterpret_cast<MemorySource*>(cinfo->src);
  if (src->pos >= src->size) {
    if (src->size == 0) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    WARNMS(cinfo, JWRN_JPEG_EOF);
    src->pub.next_input_byte = kEndOfImage;
    src->pub.bytes_in_buffer = 2;
    return TRUE;
  }
  const size_t n = std::min(src->chunk, src->size - src->pos);
  src->pub.next_input_byte = src->data + src->pos;
  src->pub.bytes_in_buffer = n;
  src->pos += n;
  return TRUE;
}

void SkipInput(j_decompress_ptr cinfo, long count) {
  auto* src = reinterpret_cast<MemorySource*>(cinfo->src);
  while (count > 0) {
    if (src->pub.bytes_in_buffer == 0) FillInput(cinfo);
    const size_t n = std::min(size_t(count), src->pub.bytes_in_buffer);
    src->pub.next_input_byte += n;
    src->pub.bytes_in_buffer -= n;
    count -= long(n);
  }
}

void TermSource(j_decompress_ptr) {}

// Progressive files can hold any number of scans; each one costs a pass over
// the whole coefficient buffer, so the count is bounded.
struct ScanGuard {
  jpeg_progress_mgr pub;
  int maxScans;
  bool exceeded;
};

void CheckScans(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  auto* guard = reinterpret_cast<ScanGuard*>(cinfo->progress);
  if (d->input_scan_number > guard->maxScans) {
    guard->exceeded = true;
    ERREXIT(cinfo, JERR_NOT_COMPILED);
  }
}

}  // namespace

PicturePtr DecodeJpeg(std::span<const uint8_t> bytes, std::string* error, const DecodeLimits& limits,
                      size_t chunkSize) {
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  MemorySource src;
  ScanGuard guard;
  PicturePtr picture;  // declared before setjmp: freed on the error path
  std::memset(&cinfo, 0, sizeof cinfo);
  cinfo.err = jpeg_std_error(&err.std);
  err.std.error_exit = FatalExit;
  err.std.emit_message = Silent;
  err.message[0] = 0;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    if (error) *error = guard.exceeded ? "jpeg: too many scans" : std::string("jpeg: ") + err.message;
    return nullptr;
  }
  jpeg_create_decompress(&cinfo);
  src.pub.init_source = InitSource;
  src.pub.fill_input_buffer = FillInput;
  src.pub.skip_input_data = SkipInput;
  src.pub.resync_to_restart = jpeg_resync_to_restart;
  src.pub.term_source = TermSource;
  src.pub.bytes_in_buffer = 0;
  src.pub.next_input_byte = nullptr;
  src.data = bytes.data();
  src.size = bytes.size();
  src.pos = 0;
  src.chunk = chunkSize ? chunkSize : bytes.size();
  cinfo.src = &src.pub;
  guard.pub.progress_monitor = CheckScans;
  guard.maxScans = limits.maxJpegScans;
  guard.exceeded = false;
  cinfo.progress = &guard.pub;

  jpeg_read_header(&cinfo, TRUE);
  if (!detail::SizeAllowed(cinfo.image_width, cinfo.image_height, limits)) {
    jpeg_destroy_decompress(&cinfo);
    return detail::Fail(error, "jpeg: size outside the limits");
  }
  // Other component counts (CMYK, YCCK) have no sound conversion to the
  // 24-bit layout: refused rather than shown with undefined pixels.
  if (cinfo.num_components != 1 && cinfo.num_components != 3) {
    jpeg_destroy_decompress(&cinfo);
    return detail::Fail(error, "jpeg: neither greyscale nor colour");
  }
  // The decoder writes blue-green-red straight into bottom-up rows: the same
  // bytes as reading red-green-blue, swapping and reversing the rows.
  cinfo.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&cinfo);
  if (cinfo.output_components != 3 || cinfo.output_width != cinfo.image_width ||
      cinfo.output_height != cinfo.image_height) {
    jpeg_destroy_decompress(&cinfo);
    return detail::Fail(error, "jpeg: unexpected output form");
  }
  const size_t width = cinfo.output_width, height = cinfo.output_height, stride = width * 3;
  picture = std::make_unique<DecodedPicture>();
  picture->kind = PictureFormat::Jpeg;
  picture->width = int32_t(width);
  picture->height = int32_t(height);
  picture->pixels.resize(stride * height);
  uint8_t* base = picture->pixels.data();
  while (cinfo.output_scanline < height) {
    JSAMPROW rows[4];
    int n = 0;
    for (; n < 4 && cinfo.output_scanline + n < height; ++n)
      rows[n] = base + (height - 1 - (cinfo.output_scanline + n)) * stride;
    if (jpeg_read_scanlines(&cinfo, rows, JDIMENSION(n)) == 0) break;
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return picture;
}

}  // namespace picture
