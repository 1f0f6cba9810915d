#include "platform/backend/sdl/sdl_api.h"

#include <dlfcn.h>

#include <mutex>

namespace platform::backend {
namespace {

SdlApi g_api;
bool g_loaded = false;
std::string g_why;

}  // namespace

bool LoadSdl(std::string* why) {
    static std::once_flag once;
    std::call_once(once, [] {
        void* lib = dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
        if (!lib) {
            const char* e = dlerror();
            g_why = std::string("cannot load SDL: ") + (e ? e : "libSDL2-2.0.so.0 not found");
            return;
        }
        bool all = true;
#define SIG_SDL_LOAD(name)                                                       \
    g_api.name = reinterpret_cast<decltype(&::name)>(dlsym(lib, #name));         \
    if (!g_api.name) {                                                           \
        all = false;                                                             \
        g_why = "SDL lacks " #name;                                              \
    }
        SIG_SDL_FUNCTIONS(SIG_SDL_LOAD)
#undef SIG_SDL_LOAD
        g_api.SDL_GetWindowWMInfo =
            reinterpret_cast<decltype(g_api.SDL_GetWindowWMInfo)>(dlsym(lib, "SDL_GetWindowWMInfo"));
        if (!g_api.SDL_GetWindowWMInfo) {
            all = false;
            g_why = "SDL lacks SDL_GetWindowWMInfo";
        }
        g_loaded = all;
    });
    if (!g_loaded && why) *why = g_why;
    return g_loaded;
}

const SdlApi& SdlFns() { return g_api; }

}  // namespace platform::backend
