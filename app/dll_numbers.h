// The program's DLL commands by number, in declaration order (the compiled
// program data holds the library and export names).
#pragma once

#include <cstdint>

#include "compiled_program.h"

namespace app {

enum DllCommand : uint32_t {
    kDllSendMessage = 0,
    kDllMultiByteToWideChar,
    kDllWideCharToMultiByte,
    kDllInternetOpen,
    kDllInternetCloseHandle,
    kDllInternetConnect,
    kDllHttpOpenRequest,
    kDllHttpSendRequestText,
    kDllHttpSendRequestBytes,
    kDllInternetReadFile,
    kDllHttpQueryInfo,
    kDllGdiplusStartup,
    kDllGdipLoadImageFromFile,
    kDllGlobalAlloc,
    kDllGlobalLock,
    kDllRtlMoveMemory,
    kDllCreateStreamOnHGlobal,
    kDllGdipLoadImageFromStream,
    kDllGlobalUnlock,
    kDllGlobalFree,
    kDllGdipGetImageWidth,
    kDllGdipDisposeImage,
    kDllGdiplusShutdown,
    kDllPathFileExists,
    kDllGdipGetImageHeight,
    kDllPathIsDirectory,
    kDllMakeSureDirectoryPathExists,
    kDllCommandCount,
};
static_assert(kDllCommandCount == compiled_program::kDllCount, "ORDER DllCommand: one number per declaration");

}  // namespace app
