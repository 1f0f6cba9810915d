// Loading a window of 500 units through the runtime (template records, unit
// types, CreateUnit, parents, sibling order, events) against creating the
// same 500 native windows directly through the platform. Prints the ratio;
// the target is at most 1.3.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "libraries/core/core_library.h"
#include "runtime/application.h"
#include "runtime/notify.h"
#include "runtime/windowing/window_runtime.h"
#include "units/core_unit_types.h"
#include "windows.h"

namespace {

constexpr int kUnits = 500;
constexpr uint32_t kWindow = 0x52000001;
constexpr uint32_t kLabelType = 0x0001000A;

const runtime::LibraryInfo* const kLibraries[] = {&core::CoreLibraryInfo()};
const runtime::ProgramHeader kHeader{.kind = 3, .libraryCount = 1, .libraries = kLibraries};

void StartRuntimeWithBigWindow() {
    setenv("SIGDESIGNER_BACKEND", "headless", 1);
    auto& app = runtime::Application::Instance();
    app.Reset();
    units::InstallCoreUnitTypes();
    runtime::windowing::InstallWindowing(app);
    app.SetProgram(&kHeader);
    app.StartRuntime();
    runtime::templates::WindowTemplate w;
    w.id = kWindow;
    runtime::templates::TemplateRecord top;
    top.id = 0x06000001;
    top.kind = runtime::templates::RecordKind::WindowUnit;
    top.type_code = 0x00010001;
    top.width = 800;
    top.height = 600;
    top.flags = runtime::templates::kUnitVisible;
    w.records.push_back(top);
    for (int i = 0; i < kUnits; ++i) {
        runtime::templates::TemplateRecord r;
        r.id = 0x16000001 + i;
        r.type_code = kLabelType;
        r.left = (i % 25) * 30;
        r.top = (i / 25) * 28;
        r.width = 28;
        r.height = 24;
        r.mouse_pointer.assign(4, 0);
        r.flags = runtime::templates::kUnitVisible;
        w.records.push_back(r);
    }
    std::vector<runtime::templates::WindowTemplate> all;
    all.push_back(std::move(w));
    app.Table().Append(std::move(all));
}

void BM_LoadWindowThroughRuntime(benchmark::State& state) {
    StartRuntimeWithBigWindow();
    auto& windows = runtime::windowing::WindowRuntime::Of(runtime::Application::Instance());
    for (auto _ : state) {
        runtime::LoadWindowRequest request{kWindow, 0, 0};
        if (runtime::NotifyRuntime(runtime::kNotifyLoadWindow, reinterpret_cast<uintptr_t>(&request), 0) != 0)
            state.SkipWithError("load failed");
        DestroyWindow(windows.WindowHandle(kWindow));
    }
    runtime::Application::Instance().ExitWork(0);
}
BENCHMARK(BM_LoadWindowThroughRuntime)->Unit(benchmark::kMillisecond);

LRESULT PlainProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); }

void BM_CreateNativeWindowsDirectly(benchmark::State& state) {
    setenv("SIGDESIGNER_BACKEND", "headless", 1);
    WNDCLASSA wc{};
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = PlainProc;
    wc.hCursor = LoadCursorA(0, IDC_ARROW);
    wc.lpszClassName = "BenchPlain";
    RegisterClassA(&wc);
    for (auto _ : state) {
        HWND top = CreateWindowExA(0, "BenchPlain", "", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 800, 600, 0, 0, 0,
                                   nullptr);
        for (int i = 0; i < kUnits; ++i) {
            HWND c = CreateWindowExA(0, "BenchPlain", "", WS_CHILD | WS_CLIPSIBLINGS, (i % 25) * 30, (i / 25) * 28, 28,
                                     24, top, static_cast<HMENU>(100 + 10 * i), 0, nullptr);
            ShowWindow(c, SW_SHOWNA);
        }
        ShowWindow(top, SW_SHOWNORMAL);
        DestroyWindow(top);
    }
}
BENCHMARK(BM_CreateNativeWindowsDirectly)->Unit(benchmark::kMillisecond);

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& r : runs) times_[r.benchmark_name()] = r.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        double ours = times_["BM_LoadWindowThroughRuntime"], ref = times_["BM_CreateNativeWindowsDirectly"];
        if (ours > 0 && ref > 0)
            std::printf("window load / direct creation of %d windows: %.2fx (target <= 1.30)\n", kUnits, ours / ref);
    }

private:
    std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
