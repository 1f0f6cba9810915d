// Platform-internal view of the GDI+ stand-in.
#pragma once

#include <cstddef>

namespace platform {

// Images currently loaded (not yet disposed), for leak checks in tests.
size_t LiveGdiplusImageCount();

}  // namespace platform
