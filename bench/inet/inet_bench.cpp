// A 10 MB body from a loopback server: through the WinINet subset
// (HttpOpenRequestA, HttpSendRequestA, InternetReadFile in 4 KB and 1 KB
// reads) against a plain libcurl download of the same body, in one run.
// Prints the ratio of the medians; the target is at most 1.2.
#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/support/measure.h"
#include "tests/platform/inet/loopback_server.h"
#include "win/wininet.h"

namespace {

constexpr size_t kBodyBytes = 10u << 20;

const std::string& Body() {
    static std::string body = [] {
        std::string b(kBodyBytes, '\0');
        for (size_t i = 0; i < b.size(); ++i) b[i] = static_cast<char>((i * 131) >> 3);
        return b;
    }();
    return body;
}

// Built once so the server's own copying stays out of the measurement.
const std::string& Reply() {
    static std::string reply =
        inettest::LoopbackServer::Reply(200, "OK", Body(), "Content-Type: application/octet-stream\r\n");
    return reply;
}

inettest::LoopbackServer& Server() {
    static inettest::LoopbackServer server(
        [](const inettest::ReceivedRequest&, inettest::Conn& c) { c.Send(Reply()); });
    return server;
}

size_t DownloadWinInet(DWORD read_size) {
    HINTERNET root = InternetOpenA("bench", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    HINTERNET conn = InternetConnectA(root, "127.0.0.1", Server().port(), nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    HINTERNET req = HttpOpenRequestA(conn, "GET", "/body", "HTTP/1.1", nullptr, nullptr,
                                     INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_COOKIES, 0);
    std::string body;
    if (HttpSendRequestA(req, nullptr, 0, nullptr, 0)) {
        std::vector<char> buf(read_size);
        DWORD got = 0;
        while (InternetReadFile(req, buf.data(), read_size, &got) && got > 0) body.append(buf.data(), got);
    }
    InternetCloseHandle(root);
    return body.size();
}

size_t AppendToString(char* p, size_t size, size_t n, void* out) {
    static_cast<std::string*>(out)->append(p, size * n);
    return size * n;
}

size_t DownloadCurl() {
    std::string url = "http://127.0.0.1:" + std::to_string(Server().port()) + "/body";
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

void BM_WinInet4K(benchmark::State& state) {
    for (auto _ : state)
        if (DownloadWinInet(4096) != kBodyBytes) state.SkipWithError("short body");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBodyBytes));
}
void BM_WinInet1K(benchmark::State& state) {
    for (auto _ : state)
        if (DownloadWinInet(1024) != kBodyBytes) state.SkipWithError("short body");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBodyBytes));
}
void BM_PlainCurl(benchmark::State& state) {
    for (auto _ : state)
        if (DownloadCurl() != kBodyBytes) state.SkipWithError("short body");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBodyBytes));
}
BENCHMARK(BM_WinInet4K)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WinInet1K)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainCurl)->Unit(benchmark::kMillisecond);

template <typename F>
double Seconds(F f) {
    auto t = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

}  // namespace

int main(int argc, char** argv) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    Reply();
    Server();
    // Keep the 10 MB bodies on the heap and the heap untrimmed, so neither
    // side pays fresh pages that the other got for free depending on the
    // allocator's history; then warm every path.
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
    mallopt(M_TRIM_THRESHOLD, 512 << 20);
    for (int i = 0; i < 3; ++i) {
        DownloadCurl();
        DownloadWinInet(4096);
        DownloadWinInet(1024);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    // Interleaved rounds in rotating order, so all three see the same machine
    // load; the minimum is the least disturbed run, the median the typical one.
    std::vector<double> times[3];
    auto run = [](int which) {
        if (which == 0) return Seconds([] { DownloadCurl(); });
        if (which == 1) return Seconds([] { DownloadWinInet(4096); });
        return Seconds([] { DownloadWinInet(1024); });
    };
    constexpr int kRounds = 21;
    for (int round = 0; round < kRounds; ++round)
        for (int k = 0; k < 3; ++k) {
            int which = (round + k) % 3;
            times[which].push_back(run(which));
        }
    double plain_med = benchsupport::Median(times[0]);
    double plain_min = *std::min_element(times[0].begin(), times[0].end());
    const char* names[3] = {"libcurl easy_perform", "WinINet, 4 KB reads", "WinINet, 1 KB reads"};
    std::printf("10 MB body from loopback, %d interleaved rounds (target: WinINet <= 1.2 x libcurl)\n", kRounds);
    for (int k = 0; k < 3; ++k) {
        double med = benchsupport::Median(times[k]);
        double mn = *std::min_element(times[k].begin(), times[k].end());
        std::printf("  %-22s median %7.2f ms (ratio %.3f)   min %7.2f ms (ratio %.3f)\n", names[k], med * 1e3,
                    med / plain_med, mn * 1e3, mn / plain_min);
    }
    return 0;
}
