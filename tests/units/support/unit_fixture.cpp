#include "tests/units/support/unit_fixture.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include "runtime/application.h"
#include "runtime/notify.h"
#include "win/testhooks.h"

namespace unit_test {
namespace {

const bool kHeadless = [] {
    setenv("SIGDESIGNER_BACKEND", "headless", 1);
    return true;
}();

std::vector<RaisedEvent> g_events;
bool g_handlerRuns = false;
uint32_t g_handlerResult = 0;
std::function<void(const RaisedEvent&)> g_watch;
std::map<HWND, Host> g_hosts;

intptr_t CatchEvents(int32_t message, uintptr_t first, uintptr_t) {
    if (message != runtime::kNotifyRaiseEvent || !first) return 0;
    auto* r = reinterpret_cast<runtime::EventRecord*>(first);
    RaisedEvent e{r->window, r->unit, r->event, {}};
    for (uint32_t i = 0; i < r->argCount && i < 5; ++i) e.args.push_back(r->args[i]);
    g_events.push_back(e);
    if (g_watch) g_watch(e);
    if (!g_handlerRuns) return 0;
    r->hasResult = 1;
    r->result = g_handlerResult;
    return 1;
}

// Each host answers as the Host it was made with says, then as a plain window.
LRESULT CALLBACK HostProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_NCCREATE) g_hosts[h] = *static_cast<const Host*>(reinterpret_cast<CREATESTRUCTA*>(l)->lpCreateParams);
    const auto it = g_hosts.find(h);
    if (it == g_hosts.end()) return DefWindowProcA(h, m, w, l);
    if (m == WM_NCDESTROY) {
        g_hosts.erase(it);
        return DefWindowProcA(h, m, w, l);
    }
    const Host& host = it->second;
    LRESULT result = 0;
    if (host.hook && host.hook(h, m, w, l, &result)) return result;
    if (m == WM_ERASEBKGND && host.background != kNoColour) {
        RECT rc;
        GetClientRect(h, &rc);
        HBRUSH b = CreateSolidBrush(host.background);
        FillRect(static_cast<HDC>(w), &rc, b);
        DeleteObject(b);
        return 1;
    }
    return DefWindowProcA(h, m, w, l);
}

}  // namespace

void UnitTest::SetUp() {
    ASSERT_TRUE(kHeadless);
    runtime::Application::Instance().Reset();
    runtime::Application::Instance().Windows().notify = &CatchEvents;
    g_events.clear();
    HandlersAnswer(false, 0);
    WatchEvents(nullptr);
}

void UnitTest::TearDown() {
    WatchEvents(nullptr);
    for (auto it = made_.rbegin(); it != made_.rend(); ++it)
        if (IsWindow(*it)) DestroyWindow(*it);
    runtime::Application::Instance().Reset();
}

HWND UnitTest::MakeParent(int left, int top, int width, int height, Host host) {
    WNDCLASSA wc{};
    if (!GetClassInfoA(0, "_VU_TestParent", &wc)) {
        wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
        wc.lpfnWndProc = &HostProc;
        wc.hCursor = LoadCursorA(0, IDC_ARROW);
        wc.lpszClassName = "_VU_TestParent";
        EXPECT_NE(RegisterClassA(&wc), 0);
    }
    HWND h = CreateWindowExA(0, "_VU_TestParent", "", WS_POPUP | WS_VISIBLE, left, top, width, height, 0, 0, 0,
                             &host);
    EXPECT_NE(h, HWND{});
    made_.push_back(h);
    return h;
}

HWND UnitTest::Create(const runtime::UnitType& type, const std::vector<uint8_t>& data, HWND parent, int left, int top,
                      int width, int height, uint32_t unitId, uint32_t styles, bool designMode) {
    auto create = reinterpret_cast<runtime::CreateUnitOp>(type.lookup(runtime::kOpCreateUnit));
    HWND h = create(data.empty() ? nullptr : data.data(), static_cast<uint32_t>(data.size()), styles, parent,
                    kControlId, 0, left, top, width, height, kWindowId, unitId, 0, designMode ? 1 : 0);
    if (h) made_.push_back(h);
    return h;
}

runtime::PropertyValue UnitTest::GetValue(const runtime::UnitType& type, HWND unit, int32_t own) {
    auto get = reinterpret_cast<runtime::GetUnitPropertyOp>(type.lookup(runtime::kOpGetUnitProperty));
    runtime::PropertyValue v{};
    EXPECT_EQ(get(unit, own, &v), 1) << "property " << own;
    return v;
}

uint64_t UnitTest::Get(const runtime::UnitType& type, HWND unit, int32_t own) { return GetValue(type, unit, own).value; }

std::string UnitTest::GetText(const runtime::UnitType& type, HWND unit, int32_t own) {
    const char* p = reinterpret_cast<const char*>(static_cast<uintptr_t>(Get(type, unit, own)));
    return p ? std::string(p) : std::string("<null>");
}

std::vector<uint8_t> UnitTest::GetBytes(const runtime::UnitType& type, HWND unit, int32_t own) {
    const runtime::PropertyValue v = GetValue(type, unit, own);
    const auto* p = reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(v.value));
    return p ? std::vector<uint8_t>(p, p + v.length) : std::vector<uint8_t>{};
}

int32_t UnitTest::Set(const runtime::UnitType& type, HWND unit, int32_t own, uint64_t value, uint32_t length) {
    auto set = reinterpret_cast<runtime::SetUnitPropertyOp>(type.lookup(runtime::kOpSetUnitProperty));
    runtime::PropertyValue v{value, length};
    uint32_t out = 7;
    const int32_t r = set(unit, own, &v, &out);
    EXPECT_EQ(out, 0u);  // the out-word is always cleared
    return r;
}

int32_t UnitTest::SetText(const runtime::UnitType& type, HWND unit, int32_t own, const char* text) {
    return Set(type, unit, own, reinterpret_cast<uintptr_t>(text));
}

int32_t UnitTest::SetBytes(const runtime::UnitType& type, HWND unit, int32_t own, const std::vector<uint8_t>& bytes) {
    return Set(type, unit, own, reinterpret_cast<uintptr_t>(bytes.data()), static_cast<uint32_t>(bytes.size()));
}

std::vector<uint8_t> UnitTest::Saved(const runtime::UnitType& type, HWND unit) {
    auto save = reinterpret_cast<runtime::SaveUnitPropertiesOp>(type.lookup(runtime::kOpSaveUnitProperties));
    uint32_t length = 0;
    uint8_t* block = save(unit, &length);
    if (!block) return {};
    std::vector<uint8_t> bytes(block, block + length);
    runtime::NotifyRuntime(runtime::kNotifyFreeMemory, reinterpret_cast<uintptr_t>(block), 0);
    return bytes;
}

const std::vector<RaisedEvent>& UnitTest::Raised() { return g_events; }

std::vector<RaisedEvent> UnitTest::Events(int32_t event, uint32_t unitId) {
    std::vector<RaisedEvent> out;
    for (const RaisedEvent& e : g_events)
        if (e.event == event && e.unit == unitId) out.push_back(e);
    return out;
}

void UnitTest::HandlersAnswer(bool ran, uint32_t result) {
    g_handlerRuns = ran;
    g_handlerResult = result;
}

void UnitTest::WatchEvents(std::function<void(const RaisedEvent&)> watch) { g_watch = std::move(watch); }

Capture::Capture(HWND topLevel) {
    const std::string path = std::string(SIG_BINARY_DIR) + "/unit_capture_" + std::to_string(getpid()) + ".png";
    ok_ = SigTestCaptureWindow(topLevel, path.c_str()) != 0;
    if (ok_) picture_ = picture::DecodePictureFromFile(path);
    std::remove(path.c_str());
}

bool Capture::Ok() const { return ok_ && picture_ && picture_->kind == picture::PictureFormat::Png; }

uint32_t Capture::At(int x, int y) const {
    if (!Ok() || x < 0 || y < 0 || x >= picture_->width || y >= picture_->height) return 0xFFFFFFFFu;
    const uint8_t* p = &picture_->pixels[(static_cast<size_t>(y) * picture_->width + x) * 4];
    return p[2] | (p[1] << 8) | (p[0] << 16);
}

std::vector<uint8_t> SolidBmp(int w, int h, uint32_t colour) {
    const int stride = (w * 3 + 3) & ~3;
    std::vector<uint8_t> b(54 + static_cast<size_t>(stride) * h, 0);
    auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&b[at], &v, 4); };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, static_cast<uint32_t>(b.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(w));
    put32(22, static_cast<uint32_t>(h));
    b[26] = 1;
    b[28] = 24;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &b[54 + static_cast<size_t>(y) * stride + x * 3];
            p[0] = static_cast<uint8_t>(colour >> 16);
            p[1] = static_cast<uint8_t>(colour >> 8);
            p[2] = static_cast<uint8_t>(colour);
        }
    return b;
}

std::vector<uint8_t> SolidIco(int size, uint32_t colour) {
    const size_t pixels = static_cast<size_t>(size) * size * 4;
    const size_t maskStride = ((static_cast<size_t>(size) + 31) / 32) * 4;
    const size_t image = 40 + pixels + maskStride * size;
    std::vector<uint8_t> b(6 + 16 + image, 0);
    auto put16 = [&](size_t at, uint16_t v) { std::memcpy(&b[at], &v, 2); };
    auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&b[at], &v, 4); };
    put16(2, 1);  // icon
    put16(4, 1);  // one image
    b[6] = static_cast<uint8_t>(size);
    b[7] = static_cast<uint8_t>(size);
    put16(10, 1);
    put16(12, 32);
    put32(14, static_cast<uint32_t>(image));
    put32(18, 22);
    put32(22, 40);
    put32(26, static_cast<uint32_t>(size));
    put32(30, static_cast<uint32_t>(size * 2));
    put16(34, 1);
    put16(36, 32);
    for (size_t i = 0; i < pixels; i += 4) {
        uint8_t* p = &b[22 + 40 + i];
        p[0] = static_cast<uint8_t>(colour >> 16);
        p[1] = static_cast<uint8_t>(colour >> 8);
        p[2] = static_cast<uint8_t>(colour);
        p[3] = 0xFF;
    }
    return b;
}

}  // namespace unit_test
