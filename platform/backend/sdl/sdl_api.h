// SDL, loaded when the display backend is first chosen rather than when the
// program starts: the headless backend (tests, automation, benchmarks) never
// draws on a display, and SDL brings some forty libraries with it (audio,
// Wayland, D-Bus), a noticeable share of a start.
#pragma once

#include <SDL.h>

#include <string>

#define SIG_SDL_FUNCTIONS(X)                                                                                       \
    X(SDL_ConvertPixels) X(SDL_CreateColorCursor) X(SDL_CreateRGBSurfaceWithFormatFrom) X(SDL_CreateSystemCursor) \
    X(SDL_CreateWindow) X(SDL_DestroyWindow) X(SDL_FreeCursor) X(SDL_FreeSurface) X(SDL_GetClipboardText)         \
    X(SDL_GetCurrentVideoDriver) X(SDL_GetDesktopDisplayMode) X(SDL_GetError) X(SDL_GetModState)                  \
    X(SDL_GetWindowFlags) X(SDL_GetWindowID) X(SDL_GetWindowSurface) X(SDL_HideWindow)     \
    X(SDL_Init) X(SDL_PollEvent) X(SDL_PushEvent) X(SDL_Quit) X(SDL_RaiseWindow) X(SDL_RegisterEvents)            \
    X(SDL_SetClipboardText) X(SDL_SetCursor) X(SDL_SetHint) X(SDL_SetWindowPosition) X(SDL_SetWindowSize)         \
    X(SDL_SetWindowTitle) X(SDL_ShowWindow) X(SDL_StartTextInput) X(SDL_StopTextInput)                             \
    X(SDL_UpdateWindowSurface) X(SDL_WaitEventTimeout) X(SDL_free)

namespace platform::backend {

struct SdlApi {
#define SIG_SDL_POINTER(name) decltype(&::name) name = nullptr;
    SIG_SDL_FUNCTIONS(SIG_SDL_POINTER)
#undef SIG_SDL_POINTER
    // Spelled out: its declaration comes with the X11 headers, which must
    // stay out of the files that use names like Expose.
    SDL_bool(SDLCALL* SDL_GetWindowWMInfo)(SDL_Window*, struct SDL_SysWMinfo*) = nullptr;
};

// Loads the library once; false with *why when it or one of the functions
// is missing.
bool LoadSdl(std::string* why);
// The loaded functions; only after LoadSdl returned true.
const SdlApi& SdlFns();

}  // namespace platform::backend
