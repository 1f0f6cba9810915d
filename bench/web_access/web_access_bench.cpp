// A 10 MB body from a loopback server through WebAccess (DLL commands, 1 KiB
// reads) and through the internet library's HttpGetBytes, against a plain
// libcurl download of the same body, in one run. Prints the ratios of the
// medians of interleaved rounds; the target is at most 1.2 for both.
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/web_access.h"
#include "compiled_program.h"
#include "libraries/core/core_library.h"
#include "libraries/internet/internet_library.h"
#include "libraries/os/os_library.h"
#include "libraries/special/special_library.h"
#include "runtime/application.h"
#include "runtime/entry_table.h"
#include "bench/support/measure.h"
#include "tests/platform/inet/loopback_server.h"

namespace {

constexpr size_t kBodyBytes = 10u << 20;

const std::string& Reply() {
    static std::string reply = [] {
        std::string b(kBodyBytes, '\0');
        for (size_t i = 0; i < b.size(); ++i) b[i] = static_cast<char>((i * 131) >> 3);
        return inettest::LoopbackServer::Reply(200, "OK", b, "Content-Type: image/png\r\n");
    }();
    return reply;
}

inettest::LoopbackServer& Server() {
    static inettest::LoopbackServer server(
        [](const inettest::ReceivedRequest&, inettest::Conn& c) { c.Send(Reply()); });
    return server;
}

std::string Address() { return "http://127.0.0.1:" + std::to_string(Server().port()) + "/body.png"; }

const runtime::LibraryInfo* g_libraries[compiled_program::kLibraryCount] = {
    &core::CoreLibraryInfo(), &special::SpecialLibraryInfo(), &internet::InternetLibraryInfo(), &os::OsLibraryInfo()};
const runtime::ProgramHeader g_header{.kind = compiled_program::kProgramKind,
                                      .libraryCount = compiled_program::kLibraryCount,
                                      .libraries = g_libraries,
                                      .dllCount = compiled_program::kDllCount,
                                      .dllCommands = compiled_program::kDllCommands};

size_t DownloadWebAccess() {
    std::string address = Address();
    app::Bytes body = app::WebAccess(address.c_str());
    return body.size();
}

size_t DownloadHttpGetBytes() {
    std::string address = Address();
    runtime::ArgRecord args[1] = {runtime::MakePointerArg(address.c_str(), runtime::kTypeText)};
    const runtime::RuntimeEntryTable& rt = runtime::EntryTable();
    runtime::ArgRecord r = rt.CallLibraryCommand(internet::kInternetCommands[internet::kHttpGetBytes], 1, args, 2);
    void* set = runtime::ArgPointer(r);
    size_t n = runtime::ByteSetLength(set);
    rt.FreeMemory(set);
    return n;
}

size_t AppendToString(char* p, size_t size, size_t n, void* out) {
    static_cast<std::string*>(out)->append(p, size * n);
    return size * n;
}

size_t DownloadCurl() {
    std::string url = Address();
    std::string body;
    CURL* e = curl_easy_init();
    curl_easy_setopt(e, CURLOPT_URL, url.c_str());
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, AppendToString);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(e, CURLOPT_PROXY, "");
    curl_easy_perform(e);
    curl_easy_cleanup(e);
    return body.size();
}

using Download = size_t (*)();
constexpr Download kDownloads[] = {DownloadWebAccess, DownloadHttpGetBytes, DownloadCurl};
constexpr const char* kNames[] = {"WebAccess", "HttpGetBytes", "plain libcurl"};

void Run(benchmark::State& state, Download d) {
    for (auto _ : state)
        if (d() != kBodyBytes) state.SkipWithError("short body");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBodyBytes));
}
void BM_WebAccess(benchmark::State& s) { Run(s, DownloadWebAccess); }
void BM_HttpGetBytes(benchmark::State& s) { Run(s, DownloadHttpGetBytes); }
void BM_PlainCurl(benchmark::State& s) { Run(s, DownloadCurl); }
BENCHMARK(BM_WebAccess)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HttpGetBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainCurl)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    Reply();
    Server();
    runtime::Application::Instance().SetProgram(&g_header);
    runtime::EntryTable().RuntimeService(runtime::kServiceStartRuntime, 0, 0, 0, 0, 0, 0);

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    // Interleaved rounds in rotating order so all three see the same load.
    constexpr int kRounds = 15;
    std::vector<double> times[3];
    for (int round = 0; round < kRounds; ++round) {
        for (int k = 0; k < 3; ++k) {
            int which = (round + k) % 3;
            auto t = std::chrono::steady_clock::now();
            size_t n = kDownloads[which]();
            times[which].push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count());
            if (n != kBodyBytes) std::fprintf(stderr, "%s: short body (%zu bytes)\n", kNames[which], n);
        }
    }
    double reference = benchsupport::Median(times[2]);
    for (int which = 0; which < 2; ++which)
        std::printf("%s / %s (median of %d, 10 MB): %.3f ms / %.3f ms = ratio %.2f (target <= 1.20)\n", kNames[which],
                    kNames[2], kRounds, benchsupport::Median(times[which]) * 1e3, reference * 1e3, benchsupport::Median(times[which]) / reference);
    runtime::Application::Instance().ExitWork(0);
    return 0;
}
