#pragma once
// The HTTP side of the service on libmicrohttpd: its thread pool runs the
// handlers, its connection limits and time-outs keep slow or greedy clients
// from starving the others.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "service/cache.h"

struct MHD_Daemon;
struct MHD_Connection;

namespace sigservice {

struct ServerOptions {
  std::string bind = "127.0.0.1";
  std::uint16_t port = 8731;  // 0 picks a free port; Port() tells which
  unsigned threads = 0;       // 0: one per core, at least 2
  unsigned maxConnections = 256;
  unsigned perIpConnections = 32;
  unsigned timeoutSeconds = 10;  // idle time before a connection is dropped
  unsigned requestSeconds = 30;  // a whole request, headers to last reply byte
  bool accessLog = true;         // one line per request on stderr
};

class Server {
 public:
  Server(ServerOptions options, PictureCache& cache);
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  bool Start(std::string* error);
  void Stop();
  std::uint16_t Port() const { return port_; }

  // Counters for tests and the log.
  std::uint64_t Renders() const { return renders_; }
  std::uint64_t FailedWrites() const { return failedWrites_; }
  bool AccessLog() const { return options_.accessLog; }
  std::uint64_t DeadlineCuts() const { return deadlineCuts_; }

  // Connection bookkeeping for the request deadline (called by the daemon).
  void ConnectionOpened(MHD_Connection* connection);
  void ConnectionClosed(MHD_Connection* connection);
  void RequestFinished(MHD_Connection* connection);

  // The sample of a style as PNG bytes, drawn on first use.
  std::string Sample(int style);

  struct Reply {
    int status = 200;
    std::string contentType;
    std::string body;
    bool cacheForever = false;
  };
  // Routing without the network, used by the handler and by tests.
  Reply HandleGet(const std::string& path);
  Reply HandlePost(const std::string& path, const std::string& body);

 private:
  std::string Picture(const std::string& name, bool* found);
  void Watchdog();

  ServerOptions options_;
  PictureCache& cache_;
  MHD_Daemon* daemon_ = nullptr;
  std::uint16_t port_ = 0;
  std::atomic<std::uint64_t> renders_{0};
  std::atomic<std::uint64_t> failedWrites_{0};
  std::mutex samplesMutex_;
  std::vector<std::string> samples_;
  std::string formPage_;

  // libmicrohttpd's time-out counts idle time only, so a client sending a
  // byte every few seconds would keep its connection for ever. The watchdog
  // shuts down the socket of any connection whose current request (or wait
  // for one) has lasted longer than requestSeconds.
  struct Tracked {
    int fd;
    std::chrono::steady_clock::time_point since;
  };
  std::mutex trackedMutex_;
  std::unordered_map<MHD_Connection*, Tracked> tracked_;
  std::atomic<std::uint64_t> deadlineCuts_{0};
  std::thread watchdog_;
  std::mutex stopMutex_;
  std::condition_variable stopCv_;
  bool stopping_ = false;
};

}  // namespace sigservice
