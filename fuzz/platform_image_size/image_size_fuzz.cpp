// Hostile bytes through the picture header readers: whole inputs, inputs seen
// through a shorter head, and every reader on every input. A reader either
// refuses or reports a size inside the limits.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "platform/imaging/image_header.h"

using namespace platform;

namespace {

using Reader = bool (*)(const ImageBytes&, ImageHeader*, std::string*, const ImageHeaderLimits&);
constexpr Reader kReaders[] = {ReadPngHeader, ReadJpegHeader, ReadGifHeader, ReadBmpHeader, ReadIcoHeader};

void Check(bool ok, const ImageHeader& h, const ImageHeaderLimits& limits) {
    if (!ok) return;
    if (h.width == 0 || h.height == 0 || h.width > uint32_t(limits.maxDimension) ||
        h.height > uint32_t(limits.maxDimension) || uint64_t(h.width) * h.height > limits.maxPixels)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    const ImageHeaderLimits limits;
    const ImageHeaderLimits small{.maxDimension = 300, .maxPixels = 20000};
    ImageHeader h;
    std::string why;
    Check(ReadImageHeader(ImageBytes::Whole(bytes), &h, &why, limits), h, limits);
    Check(ReadImageHeader(ImageBytes::Whole(bytes), &h, &why, small), h, small);
    // Its first half as the head of a file of its full length.
    const ImageBytes head{bytes.first(size / 2), uint64_t(size)};
    Check(ReadImageHeader(head, &h, &why, limits), h, limits);
    for (Reader read : kReaders) Check(read(ImageBytes::Whole(bytes), &h, &why, limits), h, limits);
    return 0;
}
