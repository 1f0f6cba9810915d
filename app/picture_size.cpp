#include "app/picture_size.h"

#include <cstring>

#include "app/code_pages.h"
#include "app/dll_numbers.h"
#include "win/ole.h"

namespace app {
namespace {

// The two routines differ only in the size query.
enum class SizeQuery : uint32_t { Width = kDllGdipGetImageWidth, Height = kDllGdipGetImageHeight };

constexpr uint32_t kGmemMoveable = 0x0002;

// GDI+'s start-up input: version 1, no debug callback, background thread
// and external codecs not suppressed (laid out as the 64-bit structure).
struct StartupInput {
    uint32_t version = 1;
    void* debugCallback = nullptr;
    int32_t suppressBackgroundThread = 0;
    int32_t suppressExternalCodecs = 0;
};
static_assert(sizeof(StartupInput) == 24);

// Status results are 32-bit values in a 64-bit return register.
int32_t Status(uint64_t result) { return static_cast<int32_t>(static_cast<uint32_t>(result)); }

// Loads the bytes through a stream on a movable global block; the image (or
// 0) lands in *image. Every handle taken is given back here.
void LoadFromBytes(const void* picture, uintptr_t* image) {
    size_t length = runtime::ByteSetLength(picture);
    auto block = static_cast<uint32_t>(runtime::CallDll(Rt(), kDllGlobalAlloc, kGmemMoveable, length));
    if (!block) return;
    void* data = reinterpret_cast<void*>(static_cast<uintptr_t>(runtime::CallDll(Rt(), kDllGlobalLock, block)));
    if (data) {
        runtime::CallDll(Rt(), kDllRtlMoveMemory, data, runtime::ByteSetData(picture), length);
        uintptr_t stream = 0;
        // The stream does not own the block: it is freed below.
        runtime::CallDll(Rt(), kDllCreateStreamOnHGlobal, block, 0, &stream);
        runtime::CallDll(Rt(), kDllGdipLoadImageFromStream, stream, image);
        if (stream) reinterpret_cast<IStream*>(stream)->Release();
        runtime::CallDll(Rt(), kDllGlobalUnlock, block);
    }
    runtime::CallDll(Rt(), kDllGlobalFree, block);
}

int32_t MeasurePicture(const void* picture, SizeQuery query) {
    uint32_t result = 0;
    Text path = CoreText(core::kToText, {runtime::MakePointerArg(picture, runtime::kTypeBytes)});
    bool isFile = FileExists(path.get());

    StartupInput input;
    uintptr_t token = 0;
    if (Status(runtime::CallDll(Rt(), kDllGdiplusStartup, &token, &input, nullptr)) != 0) return 0;

    uintptr_t image = 0;
    if (isFile) {
        Bytes wideName = TextToWideBytes(path.get(), false);
        runtime::CallDll(Rt(), kDllGdipLoadImageFromFile, runtime::ByteSetData(wideName.get()), &image);
    } else {
        LoadFromBytes(picture, &image);
    }
    // A failed load leaves the image null, which the query refuses.
    runtime::CallDll(Rt(), static_cast<uint32_t>(query), image, &result);
    runtime::CallDll(Rt(), kDllGdipDisposeImage, image);
    runtime::CallDll(Rt(), kDllGdiplusShutdown, token);
    // Sizes beyond what an integer holds are no picture the tool can show.
    return result > 0x7FFFFFFFu ? 0 : static_cast<int32_t>(result);
}

}  // namespace

int32_t PictureWidth(const void* picture) { return MeasurePicture(picture, SizeQuery::Width); }
int32_t PictureHeight(const void* picture) { return MeasurePicture(picture, SizeQuery::Height); }

bool FileExists(const char* path) {
    return Status(runtime::CallDll(Rt(), kDllPathFileExists, path ? path : "")) == 1;
}

}  // namespace app
