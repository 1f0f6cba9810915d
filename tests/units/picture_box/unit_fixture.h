// What the unit tests of the picture box, scroll bar, progress bar and
// common dialog share: the headless backend, a top-level host window, the
// units made through their descriptors' operations as the loader makes
// them, events caught where the runtime would dispatch them, and pixels
// read back from a capture of the host.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "libraries/picture/picture.h"
#include "runtime/application.h"
#include "runtime/notify.h"
#include "runtime/windowing/unit_protocol.h"
#include "units/unit_base.h"
#include "win/testhooks.h"

namespace unittest {

inline const bool kHeadless = [] {
    setenv("SIGDESIGNER_BACKEND", "headless", 1);
    return true;
}();

struct RaisedEvent {
    uint32_t window, unit;
    int32_t event;
};

inline std::vector<RaisedEvent>& Raised() {
    static std::vector<RaisedEvent> events;
    return events;
}

// Stands in for the runtime's event dispatch: notes each event raised.
inline intptr_t RecordingNotify(int32_t message, uintptr_t p1, uintptr_t) {
    if (message != runtime::kNotifyRaiseEvent || !p1) return 0;
    auto* r = reinterpret_cast<runtime::EventRecord*>(p1);
    Raised().push_back({r->window, r->unit, r->event});
    r->hasResult = 1;
    r->result = 1;
    return 1;
}

inline int CountRaised(int32_t event) {
    int n = 0;
    for (const auto& e : Raised()) n += e.event == event;
    return n;
}

// The pixels of a capture of a top-level window, as the PNG written holds them.
class Capture {
public:
    explicit Capture(HWND top) {
        const std::string path = std::string(SIG_BINARY_DIR) + "/unit_capture_" + std::to_string(getpid()) + ".png";
        ok_ = SigTestCaptureWindow(top, path.c_str()) != 0;
        if (ok_) picture_ = picture::DecodePictureFromFile(path);
        std::remove(path.c_str());
    }
    bool Ok() const { return ok_ && picture_ && picture_->kind == picture::PictureFormat::Png; }
    // 0x00BBGGRR, or 0xFFFFFFFF outside.
    uint32_t At(int x, int y) const {
        if (!Ok() || x < 0 || y < 0 || x >= picture_->width || y >= picture_->height) return 0xFFFFFFFFu;
        const uint8_t* p = &picture_->pixels[(static_cast<size_t>(y) * picture_->width + x) * 4];
        return p[2] | (p[1] << 8) | (p[0] << 16);
    }

private:
    bool ok_ = false;
    picture::PicturePtr picture_;
};

class UnitTest : public ::testing::Test {
protected:
    void SetUp() override {
        runtime::Application::Instance().Reset();
        runtime::Application::Instance().Windows().notify = &RecordingNotify;
        Raised().clear();
        units::RegisterUnitClass("_VU_TestHost");
        host_ = CreateWindowExA(0, "_VU_TestHost", "", WS_POPUP | WS_VISIBLE, 0, 0, 320, 240, 0, 0, 0, nullptr);
        ASSERT_NE(host_, 0u);
    }
    void TearDown() override {
        if (IsWindow(host_)) DestroyWindow(host_);
        runtime::Application::Instance().Reset();
    }

    static HWND Create(const runtime::UnitType& type, const std::vector<uint8_t>& data, HWND parent, int left, int top,
                       int width, int height, uint32_t styles = WS_VISIBLE, bool designMode = false) {
        auto create = reinterpret_cast<runtime::CreateUnitOp>(type.lookup(runtime::kOpCreateUnit));
        return create(data.empty() ? nullptr : data.data(), static_cast<uint32_t>(data.size()), styles, parent, 100,
                      0, left, top, width, height, 0x52000001, 0x16000001, 0, designMode ? 1 : 0);
    }
    static runtime::PropertyValue GetValue(const runtime::UnitType& type, HWND h, int32_t own) {
        auto get = reinterpret_cast<runtime::GetUnitPropertyOp>(type.lookup(runtime::kOpGetUnitProperty));
        runtime::PropertyValue v{};
        EXPECT_EQ(get(h, own, &v), 1) << "property " << own;
        return v;
    }
    static uint32_t Get(const runtime::UnitType& type, HWND h, int32_t own) {
        return static_cast<uint32_t>(GetValue(type, h, own).value);
    }
    static std::string GetText(const runtime::UnitType& type, HWND h, int32_t own) {
        const char* t = reinterpret_cast<const char*>(static_cast<uintptr_t>(GetValue(type, h, own).value));
        return t ? t : "<null>";
    }
    // The rebuild answer of the write.
    static int32_t Set(const runtime::UnitType& type, HWND h, int32_t own, uint64_t value, uint32_t length = 0) {
        auto set = reinterpret_cast<runtime::SetUnitPropertyOp>(type.lookup(runtime::kOpSetUnitProperty));
        runtime::PropertyValue v{value, length};
        uint32_t out = 7;
        const int32_t r = set(h, own, &v, &out);
        EXPECT_EQ(out, 0u);
        return r;
    }
    static int32_t SetText(const runtime::UnitType& type, HWND h, int32_t own, const char* text) {
        return Set(type, h, own, reinterpret_cast<uintptr_t>(text));
    }
    // SaveUnitProperties, as the runtime calls it before a rebuild.
    static std::vector<uint8_t> Saved(const runtime::UnitType& type, HWND h) {
        auto save = reinterpret_cast<runtime::SaveUnitPropertiesOp>(type.lookup(runtime::kOpSaveUnitProperties));
        uint32_t length = 0;
        uint8_t* block = save(h, &length);
        std::vector<uint8_t> bytes(block, block + (block ? length : 0));
        runtime::NotifyRuntime(runtime::kNotifyFreeMemory, reinterpret_cast<uintptr_t>(block), 0);
        return bytes;
    }

    HWND host_ = 0;
};

}  // namespace unittest
