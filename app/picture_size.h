// The pixel size of a picture held as bytes or named by a file path,
// measured through the operating system's image functions (GDI+, global
// memory and a stream on it, as DLL commands).
#pragma once

#include <cstdint>

#include "app/core_calls.h"

namespace app {

// 0 when the picture cannot be measured. `picture` is a byte set: when its
// text (up to the first zero byte) names an existing file, that file is
// measured; otherwise the bytes themselves.
int32_t PictureWidth(const void* picture);
int32_t PictureHeight(const void* picture);

// True when the file or folder exists (PathFileExistsA returns 1).
bool FileExists(const char* path);

}  // namespace app
