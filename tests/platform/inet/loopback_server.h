// A small HTTP(S) server on 127.0.0.1 for the internet tests: plain sockets
// and one thread per connection, so a test controls every byte of the reply
// (stalls, break-offs, endless bodies, malformed or oversized headers).
#pragma once

#include <openssl/ssl.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace inettest {

struct ReceivedRequest {
    std::string head;          // request line and headers, up to and including the empty line
    std::string request_line;  // without CRLF
    std::string body;
    std::string Header(std::string_view name) const;  // first value, or ""
};

class LoopbackServer;

class Conn {
public:
    bool Send(std::string_view bytes);
    // Waits up to ms or until the server stops; true when it stops.
    bool WaitStop(int ms);
    void Close();

private:
    friend class LoopbackServer;
    int fd_ = -1;
    SSL* ssl_ = nullptr;
    LoopbackServer* server_ = nullptr;
};

// Self-signed certificate for 127.0.0.1 and localhost, made once per process
// with the openssl tool; SIGDESIGNER_CA_FILE is pointed at it.
struct TestCertificate {
    std::string dir, cert_file, key_file;
    static const TestCertificate& Get();
};

class LoopbackServer {
public:
    using Handler = std::function<void(const ReceivedRequest&, Conn&)>;
    explicit LoopbackServer(Handler handler, bool tls = false);
    ~LoopbackServer();

    uint16_t port() const { return port_; }
    std::string Base() const;  // "http://127.0.0.1:port" or "https://..."
    std::vector<ReceivedRequest> Requests() const;
    size_t RequestCount() const;

    bool Stopping() const { return stop_; }
    bool WaitStop(int ms);

    // A reply with a Content-Length and "Connection: close".
    static std::string Reply(int status, std::string_view reason, std::string_view body,
                             std::string_view extra_headers = "");

private:
    void AcceptLoop();
    void Serve(int fd);
    bool ReadRequest(Conn& c, ReceivedRequest& r);
    int Recv(Conn& c, char* buf, int n);

    Handler handler_;
    SSL_CTX* ctx_ = nullptr;
    int listen_fd_ = -1;
    uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread acceptor_;
    mutable std::mutex mu_;
    std::condition_variable cv_;
    std::vector<std::thread> workers_;
    std::vector<ReceivedRequest> requests_;
};

// A port on 127.0.0.1 that refuses connections: bound, never listening.
class RefusingPort {
public:
    RefusingPort();
    ~RefusingPort();
    uint16_t port() const { return port_; }

private:
    int fd_ = -1;
    uint16_t port_ = 0;
};

// A port whose connections complete in the kernel but are never answered.
class SilentPort {
public:
    SilentPort();
    ~SilentPort();
    uint16_t port() const { return port_; }

private:
    int fd_ = -1;
    uint16_t port_ = 0;
};

// A listener whose accept queue is full: new handshakes are dropped.
class FullBacklogPort {
public:
    FullBacklogPort();
    ~FullBacklogPort();
    uint16_t port() const { return port_; }
    bool Filled() const { return filled_; }

private:
    int fd_ = -1;
    uint16_t port_ = 0;
    bool filled_ = false;
    std::vector<int> clients_;
};

}  // namespace inettest
