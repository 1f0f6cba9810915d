// Connections kept open between requests, as the system keeps them: a
// second request to the same server goes over the first one's connection,
// and a connection the server has closed meanwhile is replaced unnoticed.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/platform/inet/inet_test_support.h"

namespace inettest {
namespace {

// Answers every request with "ok" and keeps the connection open, unless told
// to close each connection after its next answer.
class KeepAliveServer {
public:
    KeepAliveServer() {
        listen_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        listen(listen_, 8);
        socklen_t n = sizeof a;
        getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &n);
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] { Loop(); });
    }
    ~KeepAliveServer() {
        stop_ = true;
        thread_.join();
        for (int fd : conns_) close(fd);
        close(listen_);
    }
    uint16_t port() const { return port_; }
    int Accepted() const { return accepted_; }
    int Answered() const { return answered_; }
    void CloseAfterAnswer(bool on) { close_after_ = on; }
    // Closes every open connection without a word, as an idle time-out does;
    // returns once they are closed.
    void DropIdle() {
        drop_all_ = true;
        while (drop_all_) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }

private:
    void Loop() {
        while (!stop_) {
            if (drop_all_) {
                while (!conns_.empty()) Drop(0);
                drop_all_ = false;
            }
            std::vector<pollfd> fds{{listen_, POLLIN, 0}};
            for (int fd : conns_) fds.push_back({fd, POLLIN, 0});
            if (poll(fds.data(), fds.size(), 20) <= 0) continue;
            if (fds[0].revents & POLLIN) {
                conns_.push_back(accept(listen_, nullptr, nullptr));
                pending_.emplace_back();
                ++accepted_;
            }
            for (size_t i = 1; i < fds.size(); ++i) {
                if (!(fds[i].revents & (POLLIN | POLLHUP))) continue;
                char buf[4096];
                ssize_t r = recv(fds[i].fd, buf, sizeof buf, 0);
                size_t k = i - 1;
                if (r <= 0) {
                    Drop(k);
                    break;
                }
                pending_[k].append(buf, static_cast<size_t>(r));
                // Requests here carry no body: the header block ends one.
                size_t end;
                bool dropped = false;
                while ((end = pending_[k].find("\r\n\r\n")) != std::string::npos) {
                    pending_[k].erase(0, end + 4);
                    // Read once: the answer's form and the closing after it
                    // must agree even when the test flips the switch between.
                    const bool close_after = close_after_;
                    const std::string reply = close_after ? "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok"
                                                           : "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";
                    // Counted before the client can see the answer, so a
                    // count read after a request returns includes it.
                    ++answered_;
                    send(conns_[k], reply.data(), reply.size(), MSG_NOSIGNAL);
                    if (close_after) {
                        Drop(k);
                        dropped = true;
                        break;
                    }
                }
                if (dropped) break;
            }
        }
    }
    void Drop(size_t k) {
        close(conns_[k]);
        conns_.erase(conns_.begin() + static_cast<long>(k));
        pending_.erase(pending_.begin() + static_cast<long>(k));
    }

    int listen_ = -1;
    uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> accepted_{0}, answered_{0};
    std::atomic<bool> close_after_{false}, drop_all_{false};
    std::vector<int> conns_;
    std::vector<std::string> pending_;
    std::thread thread_;
};

class KeepAliveTest : public InetTest {};

TEST_F(KeepAliveTest, RequestsToOneServerShareAConnectionAndSurviveItsClosing) {
    KeepAliveServer server;
    ExchangeOptions o;
    for (int i = 0; i < 3; ++i) {
        Exchange e = RunExchange(server.port(), o);
        EXPECT_TRUE(e.sent) << e.send_error;
        EXPECT_EQ(e.body, "ok");
    }
    EXPECT_EQ(server.Answered(), 3);
    EXPECT_EQ(server.Accepted(), 1) << "all three over one connection";

    // The server drops the idle connection (a time-out): the next request
    // notices and connects again.
    server.DropIdle();
    EXPECT_EQ(RunExchange(server.port(), o).body, "ok");
    EXPECT_EQ(server.Accepted(), 2);

    // The server closes the connection after its answer: the next request
    // connects again instead of failing on the closed one.
    server.CloseAfterAnswer(true);
    for (int i = 0; i < 2; ++i) {
        Exchange e = RunExchange(server.port(), o);
        EXPECT_TRUE(e.sent) << e.send_error;
        EXPECT_EQ(e.body, "ok");
    }
    EXPECT_EQ(server.Answered(), 6);
    EXPECT_EQ(server.Accepted(), 3);
}

TEST_F(KeepAliveTest, EachThreadKeepsItsOwnConnections) {
    KeepAliveServer server;
    std::vector<std::thread> threads;
    std::atomic<int> good{0};
    for (int t = 0; t < 3; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 4; ++i)
                if (RunExchange(server.port(), ExchangeOptions{}).body == "ok") ++good;
        });
    for (auto& th : threads) th.join();
    EXPECT_EQ(good, 12);
    EXPECT_LE(server.Accepted(), 3) << "one connection per thread at most";
}

}  // namespace
}  // namespace inettest
