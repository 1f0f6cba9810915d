// A small HTTP(S) server on 127.0.0.1 for the internet tests: plain sockets
// and one thread per connection, so a test controls every byte of the reply
// (stalls, break-offs, endless bodies, malformed or oversized headers).
// By default a connection carries one request; in keep-alive mode its
// requests are served in turn until one side closes it.
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
    // Keep-alive mode: whether the server closes this connection after the
    // answer to the current request, so the answer can say so.
    bool Closing() const { return closing_; }

private:
    friend class LoopbackServer;
    int fd_ = -1;
    SSL* ssl_ = nullptr;
    LoopbackServer* server_ = nullptr;
    bool closing_ = true;
    std::string pending_;  // bytes read past the current request
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
    explicit LoopbackServer(Handler handler, bool tls = false, bool keep_alive = false);
    ~LoopbackServer();

    uint16_t port() const { return port_; }
    std::string Base() const;  // "http://127.0.0.1:port" or "https://..."
    // Noted before the handler runs, so a count read after a request returns includes it.
    std::vector<ReceivedRequest> Requests() const;
    size_t RequestCount() const;
    // Connections accepted so far, counted before any request on them is read.
    size_t Accepted() const;

    // Keep-alive mode: close each connection after its next answer.
    void CloseAfterAnswer(bool on) { close_after_answer_ = on; }
    // Closes every open connection without a word, as an idle time-out does;
    // returns once they are closed.
    void DropIdle();

    bool Stopping() const { return stop_; }
    bool WaitStop(int ms);

    // A reply with a Content-Length and, unless told otherwise, "Connection: close".
    static std::string Reply(int status, std::string_view reason, std::string_view body,
                             std::string_view extra_headers = "", bool close = true);

private:
    void AcceptLoop();
    void Serve(int fd);
    bool ReadRequest(Conn& c, ReceivedRequest& r);
    int Recv(Conn& c, char* buf, int n);

    Handler handler_;
    const bool keep_alive_;
    SSL_CTX* ctx_ = nullptr;
    int listen_fd_ = -1;
    uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<bool> close_after_answer_{false};
    std::atomic<bool> drop_idle_{false};
    size_t accepted_ = 0, open_ = 0;  // under mu_
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
