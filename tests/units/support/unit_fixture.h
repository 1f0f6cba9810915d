// What the unit-type tests share: the headless backend, top-level hosts for
// the units, units made through their descriptors' operations as the loader
// makes them, events caught where the runtime would dispatch them, and
// pixels read back from a capture of a host.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "libraries/picture/picture.h"
#include "runtime/program_data.h"
#include "runtime/template/stored_unit_data.h"
#include "runtime/windowing/unit_protocol.h"
#include "windows.h"

namespace unit_test {

struct RaisedEvent {
    uint32_t window = 0, unit = 0;
    int32_t event = 0;
    std::vector<uint32_t> args;
};

constexpr uint32_t kWindowId = 0x52000001;
constexpr uint32_t kUnitId = 0x16000001;
// The control id units are made with.
constexpr uint32_t kControlId = 100;
constexpr uint32_t kNoColour = 0xFFFFFFFF;

// What a host made by MakeParent does besides a plain window's default, for
// tests whose units ask their parent for something.
struct Host {
    // Filled over the client area on erase (0x00BBGGRR); kNoColour erases nothing.
    uint32_t background = kNoColour;
    // Sees each message first; answering true, with *result, ends its handling.
    std::function<bool(HWND host, UINT message, WPARAM w, LPARAM l, LRESULT* result)> hook;
};

// The pixels of a capture of a top-level window (window coordinates), as the
// PNG written holds them; one capture is one consistent picture.
class Capture {
public:
    explicit Capture(HWND topLevel);
    bool Ok() const;
    // 0x00BBGGRR, or 0xFFFFFFFF outside or when the capture failed.
    uint32_t At(int x, int y) const;

private:
    bool ok_ = false;
    picture::PicturePtr picture_;
};

class UnitTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A frameless visible pop-up at (left, top) on the screen; units go on it.
    HWND MakeParent(int left = 100, int top = 100, int width = 300, int height = 200, Host host = {});
    // CreateUnit of `type` with the stored bytes; 0 when refused.
    HWND Create(const runtime::UnitType& type, const std::vector<uint8_t>& data, HWND parent, int left, int top,
                int width, int height, uint32_t unitId = kUnitId, uint32_t styles = WS_VISIBLE,
                bool designMode = false);
    static runtime::PropertyValue GetValue(const runtime::UnitType& type, HWND unit, int32_t own);
    static uint64_t Get(const runtime::UnitType& type, HWND unit, int32_t own);
    static std::string GetText(const runtime::UnitType& type, HWND unit, int32_t own);
    static std::vector<uint8_t> GetBytes(const runtime::UnitType& type, HWND unit, int32_t own);
    // SetUnitProperty; answers its rebuild answer.
    static int32_t Set(const runtime::UnitType& type, HWND unit, int32_t own, uint64_t value, uint32_t length = 0);
    static int32_t SetText(const runtime::UnitType& type, HWND unit, int32_t own, const char* text);
    static int32_t SetBytes(const runtime::UnitType& type, HWND unit, int32_t own, const std::vector<uint8_t>& bytes);
    // SaveUnitProperties as the runtime calls it before a rebuild, copied out
    // of the runtime block.
    static std::vector<uint8_t> Saved(const runtime::UnitType& type, HWND unit);
    // Saved, read back as the unit's stored data record.
    template <class Data>
    static Data SavedAs(const runtime::UnitType& type, HWND unit) {
        const std::vector<uint8_t> bytes = Saved(type, unit);
        Data data;
        EXPECT_FALSE(bytes.empty());
        EXPECT_TRUE(runtime::templates::ReadStoredUnitData(bytes, data));
        return data;
    }
    // Every event caught so far, in order.
    static const std::vector<RaisedEvent>& Raised();
    // Events caught so far of one unit and number.
    static std::vector<RaisedEvent> Events(int32_t event, uint32_t unitId = kUnitId);
    // Answer of the next handlers: whether one ran, and its result.
    static void HandlersAnswer(bool ran, uint32_t result);
    // Called with each event as it is caught, while the unit is still inside
    // its notification.
    static void WatchEvents(std::function<void(const RaisedEvent&)> watch);
    static DWORD Style(HWND h) { return static_cast<DWORD>(GetWindowLongA(h, GWL_STYLE)); }

    std::vector<HWND> made_;
};

// A 24-bit BMP of one colour (0x00BBGGRR).
std::vector<uint8_t> SolidBmp(int width, int height, uint32_t colour);
// A one-image 32-bit icon file of one opaque colour.
std::vector<uint8_t> SolidIco(int size, uint32_t colour);

}  // namespace unit_test
