// The application's own state, held in one object: the last downloaded
// signature picture and its size, which the result window shows and the
// exit routine frees.
#pragma once

#include <cstdint>

#include "app/core_calls.h"

namespace app {

class AppObject {
public:
    static AppObject& Instance();

    // CurrentPicture: a byte set on the runtime heap, or null.
    const void* CurrentPicture() const { return currentPicture_; }
    int32_t CurrentPictureWidth() const { return currentPictureWidth_; }
    int32_t CurrentPictureHeight() const { return currentPictureHeight_; }

    // Frees the previous picture and keeps this one; the sizes are left as
    // they are until SetCurrentPictureSize.
    void ReplaceCurrentPicture(Bytes picture);
    void SetCurrentPictureSize(int32_t width, int32_t height);
    // The exit routine's work: the picture's block goes back to the heap.
    void FreeCurrentPicture();

private:
    AppObject() = default;

    // A raw block, not an owning Bytes: the object lives until the process
    // ends, after the runtime's heap, so it must not free in a destructor.
    void* currentPicture_ = nullptr;
    int32_t currentPictureWidth_ = 0;
    int32_t currentPictureHeight_ = 0;
};

// Downloads the address with the internet library's HttpGetBytes, keeps the
// bytes as CurrentPicture (freeing the old one) and measures them (0 x 0
// when they are not a picture).
void KeepDownloadedPicture(const char* address);

}  // namespace app
