// Servers that fail: refused, silent, stalling, breaking off, endless,
// malformed. Every case ends in a result within the (shortened) limits.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "tests/platform/inet/inet_test_support.h"
#include "tests/platform/inet/loopback_server.h"

namespace inettest {
namespace {

using Clock = std::chrono::steady_clock;
using Server = LoopbackServer;

double SecondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

class LimitsTest : public InetTest {};

TEST_F(LimitsTest, RefusedConnectionFailsTheSend) {
    RefusingPort port;
    Exchange ex = RunExchange(port.port(), {});
    EXPECT_FALSE(ex.sent);
    EXPECT_EQ(ex.send_error, ERROR_INTERNET_CANNOT_CONNECT);
    EXPECT_EQ(ex.body, "");
    EXPECT_EQ(ex.headers, "");
}

TEST_F(LimitsTest, UnresolvableNameFailsTheSend) {
    ExchangeOptions o;
    o.host = "no-such-host.invalid";
    Exchange ex = RunExchange(80, o);
    EXPECT_FALSE(ex.sent);
    EXPECT_EQ(ex.send_error, ERROR_INTERNET_NAME_NOT_RESOLVED);
}

TEST_F(LimitsTest, SilentServerTimesOutWithinTheStallLimit) {
    SilentPort port;  // connections complete in the kernel and are never answered
    auto t = Clock::now();
    Exchange ex = RunExchange(port.port(), {});
    EXPECT_FALSE(ex.sent);
    EXPECT_EQ(ex.send_error, ERROR_INTERNET_TIMEOUT);
    // The limit is 0.7 s of silence: not cut early, not left running for seconds.
    EXPECT_GE(SecondsSince(t), 0.6);
    EXPECT_LT(SecondsSince(t), 5.0);
}

TEST_F(LimitsTest, SlowButSteadyServerIsNotCut) {
    Server server([](const ReceivedRequest&, Conn& c) {
        c.Send("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n");
        for (char ch : std::string("drips")) {
            if (c.WaitStop(300)) return;  // each pause is under the 0.7 s limit, the sum is over it
            c.Send(std::string(1, ch));
        }
    });
    Exchange ex = RunExchange(server.port(), {});
    EXPECT_TRUE(ex.sent);
    EXPECT_TRUE(ex.read_ok);
    EXPECT_EQ(ex.body, "drips");
}

TEST_F(LimitsTest, ConnectionThatNeverCompletesTimesOut) {
    // A listener whose accept queue is full drops further handshakes, so the
    // connection attempt hangs until the connect limit.
    platform::inet::InetLimits l = platform::inet::CurrentInetLimits();
    l.connect_timeout_ms = 800;
    l.stall_timeout_ms = 30000;  // the connect limit alone must end it
    platform::inet::SetInetLimitsForTesting(l);
    FullBacklogPort port;
    if (!port.Filled()) GTEST_SKIP() << "this kernel completes handshakes beyond the backlog";
    auto t = Clock::now();
    Exchange ex = RunExchange(port.port(), {});
    EXPECT_FALSE(ex.sent);
    EXPECT_EQ(ex.send_error, ERROR_INTERNET_TIMEOUT);
    EXPECT_LT(SecondsSince(t), 10.0);
}

TEST_F(LimitsTest, StallInsideTheBodyKeepsTheBytesAndEnds) {
    Server server([](const ReceivedRequest&, Conn& c) {
        c.Send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n0123456789");
        c.WaitStop(30000);
    });
    auto t = Clock::now();
    Exchange ex = RunExchange(server.port(), {});
    EXPECT_TRUE(ex.sent);
    EXPECT_EQ(ex.body, "0123456789");
    EXPECT_FALSE(ex.read_ok);
    EXPECT_EQ(ex.read_error, ERROR_INTERNET_TIMEOUT);
    EXPECT_LT(SecondsSince(t), 10.0);
}

TEST_F(LimitsTest, BrokenOffTransferHandsOutWhatArrivedThenFails) {
    std::string part(3000, 'p');
    Server server([&](const ReceivedRequest&, Conn& c) {
        c.Send("HTTP/1.1 200 OK\r\nContent-Length: 10000\r\n\r\n" + part);
    });
    for (DWORD size : {1024u, 10241u}) {
        ExchangeOptions o;
        o.read_size = size;
        Exchange ex = RunExchange(server.port(), o);
        EXPECT_TRUE(ex.sent);
        EXPECT_EQ(ex.body, part) << size;
        EXPECT_FALSE(ex.read_ok);
        EXPECT_EQ(ex.read_error, ERROR_INTERNET_CONNECTION_ABORTED);
    }
}

TEST_F(LimitsTest, BrokenChunkedTransferFailsAfterItsBytes) {
    Server server([](const ReceivedRequest&, Conn& c) {
        c.Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n10\r\nshort");
    });
    Exchange ex = RunExchange(server.port(), {});
    EXPECT_TRUE(ex.sent);
    EXPECT_EQ(ex.body, "helloshort");
    EXPECT_FALSE(ex.read_ok);
}

TEST_F(LimitsTest, EndlessBodyStopsAtTheBodyLimit) {
    platform::inet::InetLimits l = platform::inet::CurrentInetLimits();
    l.max_body_bytes = 1 << 20;
    platform::inet::SetInetLimitsForTesting(l);
    Server server([](const ReceivedRequest&, Conn& c) {
        c.Send("HTTP/1.1 200 OK\r\n\r\n");
        std::string block(65536, 'e');
        while (!c.WaitStop(0) && c.Send(block)) {
        }
    });
    Exchange ex = RunExchange(server.port(), {});
    EXPECT_TRUE(ex.sent);
    EXPECT_EQ(ex.body.size(), 1u << 20);
    EXPECT_FALSE(ex.read_ok);
    EXPECT_EQ(ex.read_error, ERROR_INTERNET_CONNECTION_ABORTED);
}

TEST_F(LimitsTest, EndlessHeadersStopAtTheHeaderLimit) {
    Server server([](const ReceivedRequest&, Conn& c) {
        c.Send("HTTP/1.1 200 OK\r\n");
        std::string line = "X-Pad: " + std::string(1000, 'h') + "\r\n";
        while (!c.WaitStop(0) && c.Send(line)) {
        }
    });
    Exchange ex = RunExchange(server.port(), {});
    EXPECT_FALSE(ex.sent);
    EXPECT_EQ(ex.send_error, ERROR_HTTP_INVALID_SERVER_RESPONSE);
    EXPECT_EQ(ex.headers, "");
}

TEST_F(LimitsTest, MalformedRepliesFailOrPassThroughWithoutHarm) {
    // Not HTTP at all: refused.
    Server garbage([](const ReceivedRequest&, Conn& c) { c.Send("garbage\r\n\r\nmore"); });
    Exchange a = RunExchange(garbage.port(), {});
    EXPECT_FALSE(a.sent);
    EXPECT_EQ(a.body, "");
    // Closed before any reply.
    Server closer([](const ReceivedRequest&, Conn&) {});
    Exchange b = RunExchange(closer.port(), {});
    EXPECT_FALSE(b.sent);
    EXPECT_EQ(b.send_error, ERROR_INTERNET_CONNECTION_RESET);
    // A header line without a colon makes the reply invalid.
    Server odd([](const ReceivedRequest&, Conn& c) {
        c.Send("HTTP/1.1 200 OK\r\nNoColonHere\r\nContent-Length: 2\r\n\r\nok");
    });
    Exchange d = RunExchange(odd.port(), {});
    EXPECT_FALSE(d.sent);
    EXPECT_EQ(d.send_error, ERROR_HTTP_INVALID_SERVER_RESPONSE);
    EXPECT_EQ(d.body, "");
    // A status line with a bad code is refused too.
    Server badcode([](const ReceivedRequest&, Conn& c) { c.Send("HTTP/1.1 2x0 OK\r\nContent-Length: 0\r\n\r\n"); });
    EXPECT_FALSE(RunExchange(badcode.port(), {}).sent);
    // A reply cut inside its header block.
    Server cut([](const ReceivedRequest&, Conn& c) { c.Send("HTTP/1.1 200 OK\r\nContent-Len"); });
    Exchange e = RunExchange(cut.port(), {});
    EXPECT_FALSE(e.sent);
    EXPECT_EQ(e.headers, "");
}

TEST_F(LimitsTest, ReceiveTimeoutOptionShortensTheStallLimit) {
    platform::inet::InetLimits l = platform::inet::CurrentInetLimits();
    l.stall_timeout_ms = 20000;  // the option below must win
    platform::inet::SetInetLimitsForTesting(l);
    SilentPort port;
    HINTERNET root = InternetOpenA("a", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    HandleGuard g{root};
    DWORD ms = 1000;
    ASSERT_TRUE(InternetSetOptionA(root, INTERNET_OPTION_RECEIVE_TIMEOUT, &ms, sizeof ms));
    HINTERNET conn = InternetConnectA(root, "127.0.0.1", port.port(), nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    HINTERNET req = HttpOpenRequestA(conn, "GET", "/", nullptr, nullptr, nullptr, 0, 0);
    auto t = Clock::now();
    EXPECT_FALSE(HttpSendRequestA(req, nullptr, 0, nullptr, 0));
    EXPECT_EQ(platform::inet::LastInetError(), ERROR_INTERNET_TIMEOUT);
    EXPECT_LT(SecondsSince(t), 10.0);
}

}  // namespace
}  // namespace inettest
