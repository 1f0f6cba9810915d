// Connections kept open between requests, as the system keeps them: a
// second request to the same server goes over the first one's connection,
// and a connection the server has closed meanwhile is replaced unnoticed.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "tests/platform/inet/inet_test_support.h"
#include "tests/platform/inet/loopback_server.h"

namespace inettest {
namespace {

// Answers every request with "ok" and keeps the connection open, unless told
// to close each connection after its next answer.
class KeepAliveServer : public LoopbackServer {
public:
    KeepAliveServer()
        : LoopbackServer([](const ReceivedRequest&, Conn& c) { c.Send(Reply(200, "OK", "ok", "", c.Closing())); },
                         false, true) {}
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
    EXPECT_EQ(server.RequestCount(), 3u);
    EXPECT_EQ(server.Accepted(), 1u) << "all three over one connection";

    // The server drops the idle connection (a time-out): the next request
    // notices and connects again.
    server.DropIdle();
    EXPECT_EQ(RunExchange(server.port(), o).body, "ok");
    EXPECT_EQ(server.Accepted(), 2u);

    // The server closes the connection after its answer: the next request
    // connects again instead of failing on the closed one.
    server.CloseAfterAnswer(true);
    for (int i = 0; i < 2; ++i) {
        Exchange e = RunExchange(server.port(), o);
        EXPECT_TRUE(e.sent) << e.send_error;
        EXPECT_EQ(e.body, "ok");
    }
    EXPECT_EQ(server.RequestCount(), 6u);
    EXPECT_EQ(server.Accepted(), 3u);
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
    EXPECT_LE(server.Accepted(), 3u) << "one connection per thread at most";
}

}  // namespace
}  // namespace inettest
