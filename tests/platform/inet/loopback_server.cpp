#include "tests/platform/inet/loopback_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace inettest {

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

int BindLoopback(uint16_t* port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) throw std::runtime_error("socket");
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) throw std::runtime_error("bind");
    socklen_t len = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    *port = ntohs(a.sin_port);
    return fd;
}

}  // namespace

std::string ReceivedRequest::Header(std::string_view name) const {
    size_t pos = head.find("\r\n");
    while (pos != std::string::npos && pos + 2 < head.size()) {
        pos += 2;
        size_t end = head.find("\r\n", pos);
        if (end == std::string::npos) break;
        std::string_view line(head.data() + pos, end - pos);
        size_t colon = line.find(':');
        if (colon != std::string_view::npos && SameName(line.substr(0, colon), name)) {
            std::string_view v = line.substr(colon + 1);
            while (!v.empty() && v.front() == ' ') v.remove_prefix(1);
            return std::string(v);
        }
        pos = end;
    }
    return {};
}

bool Conn::Send(std::string_view bytes) {
    while (!bytes.empty()) {
        int n = ssl_ ? SSL_write(ssl_, bytes.data(), static_cast<int>(bytes.size()))
                     : static_cast<int>(::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL));
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

bool Conn::WaitStop(int ms) { return server_->WaitStop(ms); }

void Conn::Close() {
    if (ssl_) {
        SSL_shutdown(ssl_);
        SSL_free(ssl_);
        ssl_ = nullptr;
    }
    if (fd_ >= 0) {
        ::shutdown(fd_, SHUT_RDWR);
        ::close(fd_);
        fd_ = -1;
    }
}

const TestCertificate& TestCertificate::Get() {
    static TestCertificate cert = [] {
        TestCertificate c;
        char tmpl[] = "/tmp/sig-inet-cert-XXXXXX";
        if (!mkdtemp(tmpl)) throw std::runtime_error("mkdtemp");
        c.dir = tmpl;
        c.cert_file = c.dir + "/cert.pem";
        c.key_file = c.dir + "/key.pem";
        std::string cmd = "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2"
                          " -subj /CN=localhost -addext subjectAltName=DNS:localhost,IP:127.0.0.1"
                          " -keyout " + c.key_file + " -out " + c.cert_file + " >/dev/null 2>&1";
        if (std::system(cmd.c_str()) != 0) throw std::runtime_error("openssl req failed");
        // Each test process makes its own; leave nothing behind in /tmp.
        static std::string dir_to_remove;
        dir_to_remove = c.dir;
        std::atexit([] {
            ::unlink((dir_to_remove + "/cert.pem").c_str());
            ::unlink((dir_to_remove + "/key.pem").c_str());
            ::rmdir(dir_to_remove.c_str());
        });
        return c;
    }();
    return cert;
}

LoopbackServer::LoopbackServer(Handler handler, bool tls, bool keep_alive)
    : handler_(std::move(handler)), keep_alive_(keep_alive) {
    if (tls) {
        const TestCertificate& cert = TestCertificate::Get();
        ctx_ = SSL_CTX_new(TLS_server_method());
        if (!ctx_ || SSL_CTX_use_certificate_file(ctx_, cert.cert_file.c_str(), SSL_FILETYPE_PEM) != 1 ||
            SSL_CTX_use_PrivateKey_file(ctx_, cert.key_file.c_str(), SSL_FILETYPE_PEM) != 1)
            throw std::runtime_error("TLS context");
    }
    listen_fd_ = BindLoopback(&port_);
    if (listen(listen_fd_, 64) != 0) throw std::runtime_error("listen");
    acceptor_ = std::thread([this] { AcceptLoop(); });
}

LoopbackServer::~LoopbackServer() {
    {
        std::lock_guard<std::mutex> lock(mu_);
        stop_ = true;
    }
    cv_.notify_all();
    acceptor_.join();
    std::vector<std::thread> workers;
    {
        std::lock_guard<std::mutex> lock(mu_);
        workers.swap(workers_);
    }
    for (std::thread& t : workers) t.join();
    ::close(listen_fd_);
    if (ctx_) SSL_CTX_free(ctx_);
}

std::string LoopbackServer::Base() const {
    return std::string(ctx_ ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_);
}

std::vector<ReceivedRequest> LoopbackServer::Requests() const {
    std::lock_guard<std::mutex> lock(mu_);
    return requests_;
}

size_t LoopbackServer::RequestCount() const {
    std::lock_guard<std::mutex> lock(mu_);
    return requests_.size();
}

size_t LoopbackServer::Accepted() const {
    std::lock_guard<std::mutex> lock(mu_);
    return accepted_;
}

void LoopbackServer::DropIdle() {
    std::unique_lock<std::mutex> lock(mu_);
    drop_idle_ = true;
    cv_.wait(lock, [this] { return open_ == 0; });
    drop_idle_ = false;
}

bool LoopbackServer::WaitStop(int ms) {
    std::unique_lock<std::mutex> lock(mu_);
    return cv_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stop_.load(); });
}

std::string LoopbackServer::Reply(int status, std::string_view reason, std::string_view body,
                                  std::string_view extra_headers, bool close) {
    std::string r = "HTTP/1.1 " + std::to_string(status) + " " + std::string(reason) + "\r\n";
    r += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    if (close) r += "Connection: close\r\n";
    r += extra_headers;
    r += "\r\n";
    r += body;
    return r;
}

void LoopbackServer::AcceptLoop() {
    while (!stop_) {
        pollfd p{listen_fd_, POLLIN, 0};
        if (poll(&p, 1, 50) <= 0) continue;
        int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        std::lock_guard<std::mutex> lock(mu_);
        ++accepted_;
        ++open_;
        workers_.emplace_back([this, fd] { Serve(fd); });
    }
}

int LoopbackServer::Recv(Conn& c, char* buf, int n) {
    // Polls in short steps so a stopping server never waits on a silent client.
    while (!stop_) {
        if (drop_idle_) return -1;
        if (c.ssl_ && SSL_pending(c.ssl_) > 0) return SSL_read(c.ssl_, buf, n);
        pollfd p{c.fd_, POLLIN, 0};
        int pr = poll(&p, 1, 50);
        if (pr < 0) return -1;
        if (pr == 0) continue;
        return c.ssl_ ? SSL_read(c.ssl_, buf, n) : static_cast<int>(::recv(c.fd_, buf, static_cast<size_t>(n), 0));
    }
    return -1;
}

bool LoopbackServer::ReadRequest(Conn& c, ReceivedRequest& r) {
    std::string data = std::move(c.pending_);
    c.pending_.clear();
    char buf[16384];
    size_t head_end;
    while ((head_end = data.find("\r\n\r\n")) == std::string::npos) {
        int n = Recv(c, buf, sizeof buf);
        if (n <= 0) return false;
        data.append(buf, static_cast<size_t>(n));
        if (data.size() > (8u << 20)) return false;
    }
    r.head = data.substr(0, head_end + 4);
    r.request_line = data.substr(0, data.find("\r\n"));
    r.body = data.substr(head_end + 4);
    size_t want = static_cast<size_t>(std::strtoull(r.Header("Content-Length").c_str(), nullptr, 10));
    while (r.body.size() < want) {
        int n = Recv(c, buf, sizeof buf);
        if (n <= 0) return false;
        r.body.append(buf, static_cast<size_t>(n));
    }
    if (keep_alive_ && r.body.size() > want) {
        // What follows the body is the next request on this connection.
        c.pending_ = r.body.substr(want);
        r.body.resize(want);
    }
    return true;
}

void LoopbackServer::Serve(int fd) {
    Conn c;
    c.fd_ = fd;
    c.server_ = this;
    bool ready = true;
    if (ctx_) {
        c.ssl_ = SSL_new(ctx_);
        SSL_set_fd(c.ssl_, fd);
        // The handshake runs on a blocking socket; a client that never speaks is cut by SO_RCVTIMEO.
        timeval tv{2, 0};
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        if (SSL_accept(c.ssl_) != 1) {
            ERR_clear_error();
            ready = false;
        }
    }
    ReceivedRequest r;
    while (ready && ReadRequest(c, r)) {
        {
            std::lock_guard<std::mutex> lock(mu_);
            requests_.push_back(r);
        }
        // Read once per request: the answer's form and the closing after it
        // must agree even when the test flips the switch meanwhile.
        c.closing_ = !keep_alive_ || close_after_answer_;
        handler_(r, c);
        if (c.closing_ || c.fd_ < 0) break;
        r = ReceivedRequest{};
    }
    c.Close();
    {
        std::lock_guard<std::mutex> lock(mu_);
        --open_;
    }
    cv_.notify_all();
}

RefusingPort::RefusingPort() { fd_ = BindLoopback(&port_); }
RefusingPort::~RefusingPort() { ::close(fd_); }

SilentPort::SilentPort() {
    fd_ = BindLoopback(&port_);
    listen(fd_, 16);
}
SilentPort::~SilentPort() { ::close(fd_); }

FullBacklogPort::FullBacklogPort() {
    fd_ = BindLoopback(&port_);
    listen(fd_, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port_);
    // Connect without blocking until one attempt stays pending: the queue is full.
    for (int i = 0; i < 8 && !filled_; ++i) {
        int c = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        clients_.push_back(c);
        if (connect(c, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) continue;
        pollfd p{c, POLLOUT, 0};
        if (errno == EINPROGRESS && poll(&p, 1, 200) == 0) filled_ = true;
    }
}

FullBacklogPort::~FullBacklogPort() {
    for (int c : clients_) ::close(c);
    ::close(fd_);
}

}  // namespace inettest
