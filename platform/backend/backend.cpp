#include "platform/backend/backend.h"

#include "platform/backend/automation/automation.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace platform::backend {

bool Backend::PollEvent(Event* out) {
    {
        std::lock_guard<std::mutex> lock(inject_mu_);
        if (!injected_.empty()) {
            *out = std::move(injected_.front());
            injected_.pop_front();
            return true;
        }
    }
    if (!PollNative(out)) return false;
    if (!out->time)
        out->time = static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                             std::chrono::steady_clock::now().time_since_epoch())
                                             .count());
    return true;
}

void Backend::Inject(Event e) {
    if (!e.time)
        e.time = static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                           std::chrono::steady_clock::now().time_since_epoch())
                                           .count());
    {
        std::lock_guard<std::mutex> lock(inject_mu_);
        injected_.push_back(std::move(e));
    }
    Wake();
}

namespace {
std::once_flag g_once;
std::unique_ptr<Backend> g_backend;
}  // namespace

Backend& Current() {
    std::call_once(g_once, [] {
        const char* want = std::getenv("SIGDESIGNER_BACKEND");
        if (want && std::strcmp(want, "headless") == 0) {
            g_backend = MakeHeadless();
            return;
        }
        if (want && *want && std::strcmp(want, "sdl") != 0) {
            std::fprintf(stderr, "SIGDESIGNER_BACKEND=%s is not a backend; use \"sdl\" or \"headless\".\n", want);
            std::exit(1);
        }
        std::string why;
        g_backend = MakeSdl(&why);
        if (!g_backend) {
            std::fprintf(stderr,
                         "Cannot open a display (%s). Set DISPLAY, or SIGDESIGNER_BACKEND=headless to run "
                         "without one.\n",
                         why.c_str());
            std::exit(1);
        }
    });
    automation::StartOnce();
    return *g_backend;
}

bool Exists() { return g_backend != nullptr; }

}  // namespace platform::backend
