// Window shapes on an X11 display, kept apart from the rest of the backend
// because the X11 headers' macros (None, Bool, Status...) clash with the
// Win32 names.
#pragma once

#include <SDL.h>

#include <cstdint>

namespace platform::backend {

// Sets the window's bounding shape to the pixels of an 8-bit alpha mask that
// are at least half opaque; a null mask gives the whole rectangle back.
// False when the window is not on an X11 display or the display has no shape
// extension (the window then stays rectangular).
bool ApplyX11Shape(SDL_Window* window, const uint8_t* mask, int width, int height, int stride);

}  // namespace platform::backend
