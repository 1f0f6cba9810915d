// Rendering in-process against rendering through the service on loopback,
// both with 8 concurrent workers on the same request mix, so the ratio is
// the server's overhead (HTTP, page, cache write and read). Also the PNG
// compression levels, which set the default in renderer.h.
//
// The two sides run in short alternating rounds on the same worker threads
// and each round gives its own ratio; the median and spread of those are
// reported, since the speed of this machine drifts over seconds and one
// long run of each side measured the drift as much as the server.
//
// Run it five minutes or more after the previous run (or anything else that
// deleted thousands of files on the same file system): see
// FileCreationMicroseconds for why the HTTP side then pays more per picture.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <barrier>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/support/measure.h"
#include "service/cache.h"
#include "service/pages.h"
#include "service/renderer.h"
#include "service/server.h"

using namespace sigservice;

namespace {

constexpr int kSize = 64;
constexpr int kWorkers = 8;
constexpr int kRounds = 9;
constexpr double kPhaseSeconds = 1.5;

// Every 10th style covers all font families and effect recipes.
int StyleFor(long i) { return 1 + static_cast<int>((i * 10) % kStyleCount); }
std::string TextFor(long i) { return "\xE6\x9D\x8E\xE6\x98\x8E Li Ming " + std::to_string(i); }
SignatureRequest RequestFor(long i) {
  SignatureRequest r;
  r.text = TextFor(i);
  r.style = StyleFor(i);
  r.size = kSize;
  return r;
}

// Distinct requests throughout, so every one is drawn (no cache hits).
std::atomic<long> gCounter{0};

// Bare HTTP/1.1 client keeping its connection open between requests, as the
// desktop tool's internet layer does: one connection per client thread,
// opened again when the server has closed it.
class KeptConnection {
 public:
  explicit KeptConnection(std::uint16_t port) : port_(port) {}
  ~KeptConnection() { Drop(); }
  // The whole reply (status line, headers, body); empty when none came.
  std::string Exchange(const std::string& request) {
    for (int attempt = 0; attempt < 2; ++attempt) {
      if (fd_ < 0 && !Open()) return {};
      std::string reply;
      if (send(fd_, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size()) &&
          ReadReply(&reply))
        return reply;
      Drop();  // closed by the server meanwhile: once more on a new connection
    }
    return {};
  }

 private:
  bool Open() {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port_);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd_ >= 0 && connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) return true;
    Drop();
    return false;
  }
  void Drop() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }
  // Headers, then Content-Length bytes of body.
  bool ReadReply(std::string* reply) {
    char buf[65536];
    std::size_t headerEnd = std::string::npos, want = 0;
    for (;;) {
      if (headerEnd == std::string::npos) {
        headerEnd = reply->find("\r\n\r\n");
        if (headerEnd != std::string::npos) {
          headerEnd += 4;
          std::size_t at = reply->find("Content-Length:");
          if (at == std::string::npos || at > headerEnd) at = reply->find("content-length:");
          if (at == std::string::npos || at > headerEnd) return false;
          want = headerEnd + std::strtoul(reply->c_str() + at + 15, nullptr, 10);
        }
      }
      if (headerEnd != std::string::npos && reply->size() >= want) return true;
      ssize_t n = recv(fd_, buf, sizeof buf, 0);
      if (n <= 0) return false;
      reply->append(buf, static_cast<std::size_t>(n));
    }
  }

  std::uint16_t port_;
  int fd_ = -1;
};

std::string Encode(const std::string& text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) out += {'%', kHex[c >> 4], kHex[c & 15]};
  return out;
}

struct LiveServer {
  std::string dir;
  std::unique_ptr<PictureCache> cache;
  std::unique_ptr<Server> server;
  explicit LiveServer(std::uint64_t cacheBytes) {
    // Beside the service's own default cache folder, so creating picture
    // files costs what it costs there: file systems differ widely in this
    // (here /tmp, where the test suites delete thousands of files, took six
    // times as long per file as the home folder's cache).
    const std::string base = DefaultCacheDir();
    MakeDirs(base.substr(0, base.rfind('/')));
    std::string tmpl = base + "-bench-XXXXXX";
    if (!mkdtemp(tmpl.data())) {
      std::perror(tmpl.c_str());
      std::exit(1);
    }
    dir = tmpl;
    cache = std::make_unique<PictureCache>(dir, cacheBytes);
    ServerOptions options;
    options.port = 0;
    options.threads = 0;  // the default: one per core
    options.accessLog = false;
    server = std::make_unique<Server>(options, *cache);
    std::string error;
    if (!server->Start(&error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      std::exit(1);
    }
  }
  ~LiveServer() {
    server.reset();
    std::string rm = "rm -rf '" + dir + "'";
    if (std::system(rm.c_str()) != 0) std::fprintf(stderr, "could not remove %s\n", dir.c_str());
  }
};

// A cache that never fills during a run, and one that holds about 300
// pictures, so nearly every new picture evicts one: the steady state of a
// service that has run for a while.
LiveServer& Live() {
  static LiveServer live(512ull << 20);
  return live;
}
LiveServer& LiveAtCapacity() {
  static LiveServer live(4ull << 20);
  return live;
}

// One picture through the service: the tool's POST, then the GET of the
// path the page names. The PNG's size, or -1 when something failed.
long ThroughHttp(KeptConnection& connection, long i) {
  std::string body = "text=" + Encode(TextFor(i)) + "&ziti=" + std::to_string(StyleFor(i)) + "&sizes=" +
                     std::to_string(kSize) + "&fontcolor=%23000000&colors=%23FFFFFF&if_demo=show";
  std::string page = connection.Exchange("POST / HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: "
                                         "application/x-www-form-urlencoded\r\nContent-Length: " +
                                         std::to_string(body.size()) + "\r\n\r\n" + body);
  std::size_t a = page.find(kImgBefore), b = page.find(kImgAfter, a);
  if (a == std::string::npos || b == std::string::npos) return -1;
  std::string path = page.substr(a + kImgBefore.size(), b - a - kImgBefore.size());
  std::string png = connection.Exchange("GET /" + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
  if (png.compare(0, 12, "HTTP/1.1 200") != 0) return -1;
  return static_cast<long>(png.size() - (png.find("\r\n\r\n") + 4));
}

long InProcess(long i) { return static_cast<long>(EncodePng(RenderSignature(RequestFor(i))).size()); }

enum class Side { InProcess, Http, HttpFull, Stop };

// What one phase of all workers gave.
struct Phase {
  long pictures = 0;
  double wall = 0, processCpu = 0, clientCpu = 0, pngBytes = 0;
  bool failed = false;
  double Rate() const { return pictures / wall; }
  // CPU per picture of the side doing the drawing: the whole process
  // in-process, the process less its client threads through HTTP.
  double DrawingCpu() const { return (processCpu - clientCpu) / static_cast<double>(pictures); }
};

// Eight threads kept for the whole measurement, so each keeps its font maps
// and its connections to the two servers from round to round.
class Workers {
 public:
  Workers(std::uint16_t port, std::uint16_t fullPort)
      : start_(kWorkers + 1), end_(kWorkers + 1), slots_(kWorkers) {
    for (int t = 0; t < kWorkers; ++t) threads_.emplace_back([this, t, port, fullPort] { Loop(t, port, fullPort); });
  }
  ~Workers() {
    side_ = Side::Stop;
    start_.arrive_and_wait();
    for (auto& th : threads_) th.join();
  }
  // Runs one side on `active` threads for `seconds`; latencies of the HTTP
  // sides are added to `latencies` when given.
  Phase Run(Side side, int active, double seconds, std::vector<double>* latencies = nullptr) {
    side_ = side;
    active_ = active;
    deadline_ = std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                                        std::chrono::duration<double>(seconds));
    const auto wall0 = std::chrono::steady_clock::now();
    const double cpu0 = benchsupport::ProcessCpuSeconds();
    start_.arrive_and_wait();
    end_.arrive_and_wait();
    Phase p;
    p.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    p.processCpu = benchsupport::ProcessCpuSeconds() - cpu0;
    for (Slot& s : slots_) {
      p.pictures += s.pictures;
      p.pngBytes += s.bytes;
      p.failed = p.failed || s.failed;
      if (side != Side::InProcess) p.clientCpu += s.cpu;
      if (latencies) latencies->insert(latencies->end(), s.latencies.begin(), s.latencies.end());
    }
    p.pngBytes /= std::max<long>(1, p.pictures);
    return p;
  }

 private:
  struct Slot {
    long pictures = 0;
    double bytes = 0, cpu = 0;
    bool failed = false;
    std::vector<double> latencies;
  };
  void Loop(int t, std::uint16_t port, std::uint16_t fullPort) {
    // Every glyph and style of the mix once, so these threads start with
    // caches as warm as the server's long-lived ones.
    for (int s = 1; s <= kStyleCount; s += 10)
      benchmark::DoNotOptimize(Render(TextFor(1234567890), StyleAt(s), kSize, {0, 0, 0}, {255, 255, 255}));
    KeptConnection room(port), full(fullPort);
    for (;;) {
      start_.arrive_and_wait();
      if (side_ == Side::Stop) return;
      Slot& slot = slots_[static_cast<std::size_t>(t)];
      slot = Slot{};
      const double cpu0 = benchsupport::ThreadCpuSeconds();
      while (t < active_ && std::chrono::steady_clock::now() < deadline_) {
        const long i = gCounter++;
        const auto begin = std::chrono::steady_clock::now();
        const long bytes = side_ == Side::InProcess ? InProcess(i) : ThroughHttp(side_ == Side::Http ? room : full, i);
        if (bytes < 0) {
          slot.failed = true;
          break;
        }
        slot.latencies.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count());
        slot.bytes += static_cast<double>(bytes);
        ++slot.pictures;
      }
      slot.cpu = benchsupport::ThreadCpuSeconds() - cpu0;
      end_.arrive_and_wait();
    }
  }

  std::barrier<> start_, end_;
  std::vector<Slot> slots_;
  std::vector<std::thread> threads_;
  Side side_ = Side::InProcess;  // written by the main thread before the start barrier only
  int active_ = kWorkers;
  std::chrono::steady_clock::time_point deadline_;
};

// PNG levels on the same pictures: time per picture and bytes.
void BM_EncodePngLevel(benchmark::State& state) {
  static std::vector<Image> images = [] {
    std::vector<Image> v;
    for (int i = 0; i < 41; ++i) v.push_back(RenderSignature(RequestFor(i)));
    return v;
  }();
  const int level = static_cast<int>(state.range(0));
  const int filters = static_cast<int>(state.range(1));
  std::size_t bytes = 0, n = 0;
  for (auto _ : state) {
    std::string png = EncodePng(images[n % images.size()], level, filters);
    bytes += png.size();
    ++n;
  }
  state.counters["png_bytes"] = static_cast<double>(bytes) / std::max<std::size_t>(1, n);
}
// Second argument: -1 libpng's default filter choice, 8 none, 16 sub, 32 up, 248 all.
BENCHMARK(BM_EncodePngLevel)->ArgsProduct({{1, 2, 3, 6, 9}, {-1, 8, 16, 32}});

// CPU time to create one picture-sized file in the cache folder, as the cache
// does for every new picture. On ext4 without a journal the inode allocator
// skips inodes freed in the last minutes, so this cost follows deletions in
// the folder's block group by anyone (including the previous run's cleanup)
// and is what makes the server's CPU per picture vary most between runs.
double FileCreationMicroseconds(const std::string& dir) {
  constexpr int kFiles = 100;
  const std::string bytes(13 * 1024, 'x');
  const double start = benchsupport::ThreadCpuSeconds();
  int made = 0;
  for (int i = 0; i < kFiles; ++i) {
    std::string path = dir + "/.tmp-XXXXXX";  // the cache's own prefix: cleared with it
    int fd = mkostemp(path.data(), O_CLOEXEC);
    if (fd < 0) break;
    made += write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    close(fd);
  }
  return made ? (benchsupport::ThreadCpuSeconds() - start) * 1e6 / made : 0;
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();

  Workers workers(Live().server->Port(), LiveAtCapacity().server->Port());
  // A round of each side unrecorded: the servers' threads warm up, and the
  // full-cache server fills its cache.
  workers.Run(Side::InProcess, kWorkers, 1.0);
  workers.Run(Side::Http, kWorkers, 1.0);
  workers.Run(Side::HttpFull, kWorkers, 2.0);

  std::vector<double> inRate, httpRate, fullRate, inCpu, httpCpu, clientCpu, fullCpu;
  std::vector<double> overRate, overCpu, fullOverRate, fullOverCpu, latencies;
  double pngBytes = 0;
  for (int r = 0; r < kRounds; ++r) {
    const Phase in = workers.Run(Side::InProcess, kWorkers, kPhaseSeconds);
    const Phase http = workers.Run(Side::Http, kWorkers, kPhaseSeconds, &latencies);
    const Phase full = workers.Run(Side::HttpFull, kWorkers, kPhaseSeconds);
    if (in.failed || http.failed || full.failed || !in.pictures || !http.pictures || !full.pictures) {
      std::fprintf(stderr, "a request failed in round %d\n", r + 1);
      return 1;
    }
    inRate.push_back(in.Rate());
    httpRate.push_back(http.Rate());
    fullRate.push_back(full.Rate());
    inCpu.push_back(in.DrawingCpu() * 1e3);
    httpCpu.push_back(http.DrawingCpu() * 1e3);
    fullCpu.push_back(full.DrawingCpu() * 1e3);
    clientCpu.push_back(http.clientCpu / static_cast<double>(http.pictures) * 1e3);
    overRate.push_back(100.0 * (1.0 - http.Rate() / in.Rate()));
    overCpu.push_back(100.0 * (http.DrawingCpu() / in.DrawingCpu() - 1.0));
    fullOverRate.push_back(100.0 * (1.0 - full.Rate() / in.Rate()));
    fullOverCpu.push_back(100.0 * (full.DrawingCpu() / in.DrawingCpu() - 1.0));
    pngBytes = http.pngBytes;
  }
  const Phase two = workers.Run(Side::InProcess, 2, kPhaseSeconds);

  auto show = [](const char* what, const std::vector<double>& v, int digits = 1) {
    const benchsupport::Spread s = benchsupport::SpreadOf(v);
    std::printf("%-52s median %7.*f (quartiles %.*f-%.*f, range %.*f-%.*f)\n", what, digits, s.median, digits, s.q1,
                digits, s.q3, digits, s.low, digits, s.high);
  };
  std::printf("\n%d rounds of %.1f s per side, %d workers, size %d, PNG %.1f KB\n", kRounds, kPhaseSeconds, kWorkers,
              kSize, pngBytes / 1024.0);
  show("in-process, pictures/s", inRate);
  show("through HTTP, pictures/s", httpRate);
  show("through HTTP with the cache full, pictures/s", fullRate);
  show("in-process CPU per picture, ms", inCpu, 2);
  show("through HTTP, server CPU per picture, ms", httpCpu, 2);
  show("through HTTP, client CPU per picture, ms", clientCpu, 2);
  show("server overhead by rate, % (target <= 25)", overRate);
  show("server overhead by CPU per picture, % (target <= 25)", overCpu);
  show("cache full (each new picture evicts one), by rate, %", fullOverRate);
  show("cache full, by CPU per picture, %", fullOverCpu);
  std::printf("(by CPU is the measure that holds when other work shares the cores, since the rate a core\n"
              "gives is 1 / CPU per picture)\n");
  std::printf("in-process with 2 workers (one per core): %.1f pictures/s\n", two.Rate());
  if (!latencies.empty()) {
    std::sort(latencies.begin(), latencies.end());
    const double p50 = latencies[latencies.size() / 2];
    const double p99 = latencies[std::min(latencies.size() - 1, latencies.size() * 99 / 100)];
    std::printf("HTTP latency (POST + GET): p50 %.2f ms, p99 %.2f ms, p99/p50 %.2f (target <= 5)\n", p50, p99, p99 / p50);
  }
  const double createUs = FileCreationMicroseconds(Live().dir);
  std::printf("creating a picture file in the cache folder (%s) after the run: %.0f us of CPU (%.1f%% of the\n"
              "in-process CPU per picture; it varies with inodes freed nearby, see FileCreationMicroseconds)\n",
              Live().dir.c_str(), createUs, createUs * 1e-3 / benchsupport::Median(inCpu) * 100.0);
  benchmark::Shutdown();
  return 0;
}
