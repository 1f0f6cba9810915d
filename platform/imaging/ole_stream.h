// Streams on global memory, the platform-internal side: the GDI+ stand-in
// reads a stream's bytes in place instead of copying them out through Read.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "win/ole.h"

namespace platform {

// Calls `use` with the stream's bytes from its position to its end, with the
// block locked meanwhile (the span is empty when the position is at or past
// the end). False -- and `use` is not called -- when `stream` is not a live
// stream made by CreateStreamOnHGlobal or its block has been freed.
bool UseStreamRemainder(IStream* stream, const std::function<void(std::span<const uint8_t>)>& use);

// Number of live streams, for leak checks in tests.
size_t LiveStreamCount();

}  // namespace platform
