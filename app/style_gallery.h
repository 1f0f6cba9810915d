// The style gallery: 410 copies of the hidden template picture box, each
// showing one sample picture from the "img" folder beside the program and
// carrying its style number as its tag; and the (unreachable) download of
// those samples from the service.
#pragma once

#include <cstdint>

#include "app/core_calls.h"

namespace app {

constexpr int32_t kStyleCount = 410;

// Where sample n (1-based) of a w x h template lies in the gallery group
// box. Rows hold five samples; from the second row on each row begins with
// one sample at left -w, outside the group box, so the counter's restart
// at 0 is kept as the samples were always laid out.
struct SamplePlace {
    int32_t left;
    int32_t top;
};
SamplePlace GalleryPlace(int32_t n, int32_t width, int32_t height);

// The gallery group box's top for a scroll-bar position: 88 - position.
int32_t GalleryTop(int32_t position);

// RunDirectory + "\img\" + n + ".png".
Text DemoPictureFile(const char* runDirectory, int32_t n);
// ServiceBaseAddress + "img/demo/" + n + ".png".
Text DemoPictureAddress(const char* base, int32_t n);

// Builds the gallery (called once by the start window's created handler).
void BuildStyleGallery();

}  // namespace app
