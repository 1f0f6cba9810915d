#include "service/server.h"

#include <arpa/inet.h>
#include <microhttpd.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "service/pages.h"
#include "service/renderer.h"

namespace sigservice {
namespace {

using Clock = std::chrono::steady_clock;

struct RequestState {
  Clock::time_point start = Clock::now();
  std::string method;
  std::string path;  // printable form for the log only
  std::string body;
  bool started = false;
  bool tooLarge = false;
  int status = 0;
  std::size_t bytes = 0;
};

std::string Printable(const char* text) {
  std::string out;
  for (const char* p = text; *p && out.size() < 200; ++p) {
    unsigned char c = static_cast<unsigned char>(*p);
    if (c > 0x20 && c < 0x7F && c != '"' && c != '\\') {
      out += static_cast<char>(c);
    } else {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  return out;
}

bool ParseDecimal(std::string_view s, int max, int* value) {
  if (s.empty() || s.size() > 3 || s[0] == '0') return false;
  int v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  if (v < 1 || v > max) return false;
  *value = v;
  return true;
}

void FreeBody(void* body) { delete static_cast<std::string*>(body); }

MHD_Result Queue(MHD_Connection* connection, RequestState* st, Server::Reply&& reply, bool head) {
  // The daemon takes the body over instead of copying it.
  auto* body = new std::string(std::move(reply.body));
  MHD_Response* response =
      MHD_create_response_from_buffer_with_free_callback_cls(body->size(), body->data(), &FreeBody, body);
  if (!response) {
    delete body;
    return MHD_NO;
  }
  // Only fixed texts go into headers; nothing of the request is echoed.
  MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, reply.contentType.c_str());
  MHD_add_response_header(response, "X-Content-Type-Options", "nosniff");
  if (reply.cacheForever) {
    MHD_add_response_header(response, MHD_HTTP_HEADER_CACHE_CONTROL, "public, max-age=31536000, immutable");
  } else {
    MHD_add_response_header(response, MHD_HTTP_HEADER_CACHE_CONTROL, "no-store");
  }
  if (reply.contentType.rfind("text/html", 0) == 0) {
    MHD_add_response_header(response, "Content-Security-Policy",
                            "default-src 'none'; img-src 'self'; style-src 'unsafe-inline'; form-action 'self'");
  }
  if (reply.status == MHD_HTTP_METHOD_NOT_ALLOWED) MHD_add_response_header(response, MHD_HTTP_HEADER_ALLOW, "GET, HEAD, POST");
  if (reply.status == MHD_HTTP_CONTENT_TOO_LARGE || reply.status == MHD_HTTP_REQUEST_TIMEOUT)
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONNECTION, "close");
  st->status = reply.status;
  st->bytes = head ? 0 : body->size();  // before the response (and the body with it) may be gone
  MHD_Result r = MHD_queue_response(connection, static_cast<unsigned>(reply.status), response);
  MHD_destroy_response(response);
  return r;
}

Server::Reply Error(int status, std::string_view reason) {
  return {status, "text/html; charset=utf-8", ErrorPage(status, reason), false};
}

}  // namespace

Server::Server(ServerOptions options, PictureCache& cache)
    : options_(std::move(options)), cache_(cache), samples_(kStyleCount), formPage_(FormPage()) {}

Server::~Server() { Stop(); }

std::string Server::Sample(int style) {
  {
    std::lock_guard lock(samplesMutex_);
    const std::string& s = samples_[static_cast<std::size_t>(style - 1)];
    if (!s.empty()) return s;
  }
  std::string png = EncodePng(RenderSample(style));
  std::lock_guard lock(samplesMutex_);
  samples_[static_cast<std::size_t>(style - 1)] = png;
  return png;
}

std::string Server::Picture(const std::string& name, bool* found) {
  *found = true;
  if (auto bytes = cache_.Get(name)) return *bytes;
  auto request = cache_.Recall(name);
  if (!request) {
    *found = false;
    return {};
  }
  std::string png = EncodePng(RenderSignature(*request));
  ++renders_;
  if (!cache_.Put(name, png)) ++failedWrites_;
  return png;
}

Server::Reply Server::HandleGet(const std::string& path) {
  if (path == "/") return {200, "text/html; charset=utf-8", formPage_, false};
  // The desktop tool joins its base address and "/img/..." with a double
  // slash, so any run of leading slashes is accepted before the picture paths.
  std::size_t start = path.find_first_not_of('/');
  if (start == 0 || start == std::string::npos) return Error(404, "Not found.");
  std::string_view rest = std::string_view(path).substr(start);
  constexpr std::string_view kDemo = "img/demo/", kImg = "img/", kPng = ".png";
  if (rest.size() > kPng.size() && rest.substr(rest.size() - kPng.size()) == kPng) {
    std::string_view stem = rest.substr(0, rest.size() - kPng.size());
    int n = 0;
    if (stem.rfind(kDemo, 0) == 0 && ParseDecimal(stem.substr(kDemo.size()), kStyleCount, &n)) {
      std::string png = Sample(n);
      if (png.empty()) return Error(500, "The sample could not be drawn.");
      return {200, "image/png", std::move(png), true};
    }
    if (stem.rfind(kImg, 0) == 0 && IsPictureName(stem.substr(kImg.size()))) {
      bool found = false;
      std::string png = Picture(std::string(stem.substr(kImg.size())), &found);
      if (found && !png.empty()) return {200, "image/png", std::move(png), true};
      if (found) return Error(500, "The picture could not be drawn.");
    }
  }
  return Error(404, "Not found.");
}

Server::Reply Server::HandlePost(const std::string& path, const std::string& body) {
  if (path != "/") return Error(404, "Not found.");
  if (body.size() > kMaxFormBytes) return Error(413, "The form is larger than 16 KiB.");
  auto fields = ParseForm(body);
  if (!fields) return Error(400, "The form could not be read.");
  RequestResult result = ValidateForm(*fields);
  if (!result.request) return Error(400, result.error);
  const SignatureRequest& request = *result.request;
  std::string name = request.Name();
  cache_.Remember(name, request);
  if (!cache_.Has(name)) {
    std::string png = EncodePng(RenderSignature(request));
    ++renders_;
    if (png.empty()) return Error(500, "The picture could not be drawn.");
    if (!cache_.Put(name, png)) ++failedWrites_;  // served again by drawing it anew
  }
  return {200, "text/html; charset=utf-8", ResultPage(request, name), false};
}

namespace {

void* UriLog(void*, const char* uri, MHD_Connection*) {
  auto* st = new RequestState;
  st->path = Printable(uri ? uri : "");
  return st;
}

std::size_t Unescape(void*, MHD_Connection*, char* text) {
  // Percent-decoding of the path and query. An encoded NUL becomes DEL, which
  // no route accepts, instead of silently cutting the path short.
  char* out = text;
  auto hex = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  for (const char* in = text; *in; ++in) {
    if (in[0] == '%' && in[1] && in[2] && hex(in[1]) >= 0 && hex(in[2]) >= 0) {
      char c = static_cast<char>(hex(in[1]) * 16 + hex(in[2]));
      *out++ = c == '\0' ? '\x7F' : c;
      in += 2;
    } else {
      *out++ = *in;
    }
  }
  *out = '\0';
  return static_cast<std::size_t>(out - text);
}

MHD_Result Access(void* cls, MHD_Connection* connection, const char* url, const char* method, const char*,
                  const char* uploadData, std::size_t* uploadSize, void** state) {
  auto* self = static_cast<Server*>(cls);
  auto* st = static_cast<RequestState*>(*state);
  if (!st) {
    st = new RequestState;
    st->path = Printable(url);
    *state = st;
  }
  const std::string m = method;
  if (!st->started) {
    st->started = true;
    st->method = Printable(method);
    if (m == "POST") {
      const char* length = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_CONTENT_LENGTH);
      if (length && std::strtoull(length, nullptr, 10) > kMaxFormBytes)
        return Queue(connection, st, Error(413, "The form is larger than 16 KiB."), false);
      return MHD_YES;  // wait for the body
    }
  }
  if (m == "POST") {
    if (*uploadSize > 0) {
      // A body without a length that outgrows the bound is read and dropped
      // to its end (within the request deadline), so the 413 reaches the client
      // instead of a reset connection.
      if (st->tooLarge || st->body.size() + *uploadSize > kMaxFormBytes) {
        st->tooLarge = true;
        st->body.clear();
      } else {
        st->body.append(uploadData, *uploadSize);
      }
      *uploadSize = 0;
      return MHD_YES;
    }
    if (st->tooLarge) return Queue(connection, st, Error(413, "The form is larger than 16 KiB."), false);
    return Queue(connection, st, self->HandlePost(url, st->body), false);
  }
  if (m == "GET" || m == "HEAD") return Queue(connection, st, self->HandleGet(url), m == "HEAD");
  return Queue(connection, st, Error(405, "Only GET, HEAD and POST are served."), false);
}

void Completed(void* cls, MHD_Connection* connection, void** state, MHD_RequestTerminationCode code) {
  auto* self = static_cast<Server*>(cls);
  self->RequestFinished(connection);
  auto* st = static_cast<RequestState*>(*state);
  if (!st) return;
  *state = nullptr;
  if (self->AccessLog()) {
    char ip[INET6_ADDRSTRLEN] = "-";
    const MHD_ConnectionInfo* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
    if (info && info->client_addr) {
      const sockaddr* sa = info->client_addr;
      if (sa->sa_family == AF_INET)
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(sa)->sin_addr, ip, sizeof ip);
      else if (sa->sa_family == AF_INET6)
        inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(sa)->sin6_addr, ip, sizeof ip);
    }
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - st->start).count();
    char line[512];
    int n = std::snprintf(line, sizeof line, "%s \"%s %s\" %d %zu %.1fms%s\n", ip,
                          st->method.empty() ? "-" : st->method.c_str(), st->path.c_str(), st->status, st->bytes, ms,
                          code == MHD_REQUEST_TERMINATED_COMPLETED_OK ? "" : " aborted");
    if (n > 0) {
      ssize_t ignored = write(STDERR_FILENO, line, std::min<std::size_t>(static_cast<std::size_t>(n), sizeof line - 1));
      (void)ignored;
    }
  }
  delete st;
}

void NotifyConnection(void* cls, MHD_Connection* connection, void**, MHD_ConnectionNotificationCode code) {
  auto* self = static_cast<Server*>(cls);
  if (code == MHD_CONNECTION_NOTIFY_STARTED)
    self->ConnectionOpened(connection);
  else
    self->ConnectionClosed(connection);
}

}  // namespace

void Server::ConnectionOpened(MHD_Connection* connection) {
  const MHD_ConnectionInfo* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
  if (!info) return;
  std::lock_guard lock(trackedMutex_);
  tracked_[connection] = {info->connect_fd, Clock::now()};
}

void Server::ConnectionClosed(MHD_Connection* connection) {
  // The daemon closes the socket only after this returns; holding the lock
  // here keeps the watchdog from touching a descriptor being reused.
  std::lock_guard lock(trackedMutex_);
  tracked_.erase(connection);
}

void Server::RequestFinished(MHD_Connection* connection) {
  std::lock_guard lock(trackedMutex_);
  auto it = tracked_.find(connection);
  if (it != tracked_.end()) it->second.since = Clock::now();
}

void Server::Watchdog() {
  const auto limit = std::chrono::seconds(options_.requestSeconds);
  std::unique_lock stopLock(stopMutex_);
  while (!stopCv_.wait_for(stopLock, std::chrono::milliseconds(250), [this] { return stopping_; })) {
    const auto now = Clock::now();
    std::lock_guard lock(trackedMutex_);
    for (auto& [connection, t] : tracked_) {
      if (t.fd >= 0 && now - t.since > limit) {
        ++deadlineCuts_;  // counted first: the client may notice the cut at once
        shutdown(t.fd, SHUT_RDWR);  // the daemon sees the end and closes it itself
        t.fd = -1;
      }
    }
  }
}

// Per-connection memory for the request line, headers and reply headers
// (bodies pass through in pieces). libmicrohttpd maps a larger pool with mmap
// and unmaps it when the connection closes, which in a threaded process costs
// a TLB flush on every core for each connection; at this size it comes from
// malloc.
constexpr std::size_t kConnectionMemory = 32 * 1024;

bool Server::Start(std::string* error) {
  sockaddr_storage addr{};
  unsigned flags = MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL | MHD_USE_TURBO;
  if (inet_pton(AF_INET, options_.bind.c_str(), &reinterpret_cast<sockaddr_in*>(&addr)->sin_addr) == 1) {
    auto* a = reinterpret_cast<sockaddr_in*>(&addr);
    a->sin_family = AF_INET;
    a->sin_port = htons(options_.port);
  } else if (inet_pton(AF_INET6, options_.bind.c_str(), &reinterpret_cast<sockaddr_in6*>(&addr)->sin6_addr) == 1) {
    auto* a = reinterpret_cast<sockaddr_in6*>(&addr);
    a->sin6_family = AF_INET6;
    a->sin6_port = htons(options_.port);
    flags |= MHD_USE_IPv6;
  } else {
    *error = "--bind wants a numeric IPv4 or IPv6 address, not " + options_.bind;
    return false;
  }
  unsigned threads = options_.threads ? options_.threads : std::max(2u, std::thread::hardware_concurrency());
  daemon_ = MHD_start_daemon(
      flags, options_.port, nullptr, nullptr, &Access, this,
      MHD_OPTION_SOCK_ADDR, &addr, MHD_OPTION_THREAD_POOL_SIZE, threads, MHD_OPTION_CONNECTION_LIMIT,
      options_.maxConnections, MHD_OPTION_PER_IP_CONNECTION_LIMIT, options_.perIpConnections,
      MHD_OPTION_CONNECTION_TIMEOUT, options_.timeoutSeconds, MHD_OPTION_CONNECTION_MEMORY_LIMIT,
      kConnectionMemory, MHD_OPTION_NOTIFY_COMPLETED,
      &Completed, this, MHD_OPTION_URI_LOG_CALLBACK,
      &UriLog, this, MHD_OPTION_UNESCAPE_CALLBACK, &Unescape, this, MHD_OPTION_LISTENING_ADDRESS_REUSE,
      1u, MHD_OPTION_NOTIFY_CONNECTION, &NotifyConnection, this, MHD_OPTION_END);
  if (!daemon_) {
    *error = "cannot listen on " + options_.bind + " port " + std::to_string(options_.port) + ": " +
             std::strerror(errno);
    return false;
  }
  const MHD_DaemonInfo* info = MHD_get_daemon_info(daemon_, MHD_DAEMON_INFO_BIND_PORT);
  port_ = info ? info->port : options_.port;
  stopping_ = false;
  watchdog_ = std::thread([this] { Watchdog(); });
  return true;
}

void Server::Stop() {
  if (watchdog_.joinable()) {
    {
      std::lock_guard lock(stopMutex_);
      stopping_ = true;
    }
    stopCv_.notify_all();
    watchdog_.join();
  }
  if (daemon_) {
    MHD_stop_daemon(daemon_);
    daemon_ = nullptr;
  }
}

}  // namespace sigservice
