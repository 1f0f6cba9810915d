#include "platform/inet/curl_api.h"

#include <dlfcn.h>

#include <cstdio>
#include <mutex>

namespace platform::inet {
namespace {

CurlApi g_api;
bool g_loaded = false;
std::string g_why;

}  // namespace

bool LoadCurl(std::string* why) {
    static std::once_flag once;
    std::call_once(once, [] {
        void* lib = dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
        if (!lib) {
            const char* e = dlerror();
            g_why = std::string("cannot load libcurl: ") + (e ? e : "libcurl.so.4 not found");
            return;
        }
        bool all = true;
#define SIG_CURL_LOAD(name)                                                            \
    g_api.name = reinterpret_cast<decltype(g_api.name)>(dlsym(lib, "curl_" #name));    \
    if (!g_api.name) {                                                                 \
        all = false;                                                                   \
        g_why = "libcurl lacks curl_" #name;                                           \
    }
        SIG_CURL_FUNCTIONS(SIG_CURL_LOAD)
#undef SIG_CURL_LOAD
        // Once per process, before any other call, as libcurl asks; the
        // library stays loaded for the process's life.
        g_loaded = all && g_api.global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
        if (all && !g_loaded) g_why = "libcurl failed to initialise";
        // Requests then fail as internal errors; this says why, once.
        if (!g_loaded) std::fprintf(stderr, "sigplatform: %s\n", g_why.c_str());
    });
    if (!g_loaded && why) *why = g_why;
    return g_loaded;
}

const CurlApi& Curl() { return g_api; }

}  // namespace platform::inet
