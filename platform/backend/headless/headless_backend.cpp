// The headless backend: the window system's surfaces with no display. Tests
// and automation drive it through the injected events of the base class.
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/backend/backend.h"

namespace platform::backend {
namespace {

class Headless final : public Backend {
public:
    const char* Name() const override { return "headless"; }
    void CreateWindow(uint32_t, int, int, int, int, bool) override {}
    void DestroyWindow(uint32_t) override {}
    void ShowWindow(uint32_t, bool, bool) override {}
    void MoveWindow(uint32_t, int, int, int, int) override {}
    void RaiseWindow(uint32_t) override {}
    void SetTitle(uint32_t, const std::string&) override {}
    void Present(uint32_t, cairo_surface_t*) override {}

    void Wait(int timeout_ms) override {
        std::unique_lock<std::mutex> lock(mu_);
        if (!woken_) cv_.wait_for(lock, std::chrono::milliseconds(timeout_ms < 0 ? 0 : timeout_ms), [&] { return woken_; });
        woken_ = false;
    }
    void Wake() override {
        std::lock_guard<std::mutex> lock(mu_);
        woken_ = true;
        cv_.notify_all();
    }

    void SetCursor(SystemCursor c) override { cursor_ = c; }
    void SetCursorImage(const uint32_t*, int, int, int, int) override {}
    void SetClipboardText(const std::string& utf8) override {
        std::lock_guard<std::mutex> lock(mu_);
        clipboard_ = utf8;
    }
    std::string GetClipboardText() override {
        std::lock_guard<std::mutex> lock(mu_);
        return clipboard_;
    }
    void StartTextInput() override {}
    void StopTextInput() override {}
    void ScreenSize(int* w, int* h) override {
        *w = 1280;
        *h = 1024;
    }
    bool IsDisplay() const override { return false; }

protected:
    bool PollNative(Event*) override { return false; }

private:
    std::mutex mu_;
    std::condition_variable cv_;
    bool woken_ = false;
    std::string clipboard_;
    SystemCursor cursor_ = SystemCursor::Arrow;
};

}  // namespace

std::unique_ptr<Backend> MakeHeadless() { return std::make_unique<Headless>(); }

}  // namespace platform::backend
