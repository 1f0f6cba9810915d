// WebAccess against hosts that cannot be reached, servers that refuse,
// stall, never end or answer nonsense, and addresses that cannot be used:
// an empty result within the internet limits, nothing else disturbed.
#include <time.h>

#include "app/web_access.h"
#include "tests/app/web_access/app_fixture.h"

namespace apptest {
namespace {

using app::Bytes;
using app::Text;
using app::WebAccess;
using inettest::Conn;
using inettest::LoopbackServer;
using inettest::ReceivedRequest;

class WebAccessBadInputTest : public AppTest {
protected:
    // One GET with every out parameter given; the seconds it took.
    double Run(const std::string& address) {
        received_ = Var("r-before");
        headers_ = Var("h-before");
        reply_ = Var("p-before");
        double start = Now();
        body_ = WebAccess(address.c_str(), {}, {}, "c=1", &received_, &headers_, &reply_);
        return Now() - start;
    }
    static double Now() {
        timespec ts{};
        clock_gettime(CLOCK_MONOTONIC, &ts);
        return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
    }
    Bytes body_;
    Text received_, headers_, reply_;
};

TEST_F(WebAccessBadInputTest, RefusedUnresolvableAndSilentServersGiveEmptyBodies) {
    inettest::RefusingPort refusing;
    inettest::SilentPort silent;
    const std::string addresses[] = {
        "http://127.0.0.1:" + std::to_string(refusing.port()) + "/",
        "http://no-such-host.invalid/",
        "http://127.0.0.1:" + std::to_string(silent.port()) + "/",
    };
    for (const std::string& address : addresses) {
        SCOPED_TRACE(address);
        EXPECT_LT(Run(address), 8.0);
        EXPECT_TRUE(body_.empty());
        // The request was set up: headers completed, no reply to read.
        EXPECT_TRUE(headers_.view().starts_with("h-before\r\nAccept: */*")) << Str(headers_);
        EXPECT_EQ(Str(reply_), std::string(5000, ' '));
        EXPECT_EQ(Str(received_), "c=1");  // the sent cookies, merged with none
    }
}

TEST_F(WebAccessBadInputTest, AddressesThatCannotBeUsedLeaveTheCallersVariables) {
    for (const std::string address :
         {"", "http://", "http:///x", "http://bad host/", "http://127.0.0.1:99999/", "http://127.0.0.1:-1/",
          "http://127.0.0.1:4294967376/", "http://\x01/"}) {
        SCOPED_TRACE(address);
        EXPECT_LT(Run(address), 8.0);
        EXPECT_TRUE(body_.empty());
        EXPECT_EQ(Str(received_), "r-before");
        EXPECT_EQ(Str(headers_), "h-before");
        EXPECT_EQ(Str(reply_), "p-before");
    }
    // A null address is the empty text.
    EXPECT_TRUE(WebAccess(nullptr).empty());
}

TEST_F(WebAccessBadInputTest, StalledBodiesEndlessBodiesAndMalformedReplies) {
    LoopbackServer server([](const ReceivedRequest& r, Conn& c) {
        if (r.request_line.find("/stall") != std::string::npos) {
            c.Send("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\npartial");
            c.WaitStop(10000);
        } else if (r.request_line.find("/endless") != std::string::npos) {
            c.Send("HTTP/1.1 200 OK\r\n\r\n");
            std::string piece(64 << 10, 'e');
            while (c.Send(piece)) {
            }
        } else if (r.request_line.find("/garbage") != std::string::npos) {
            c.Send("NOT HTTP AT ALL\r\n\r\nxyz");
        } else if (r.request_line.find("/nohead") != std::string::npos) {
            c.Send("HTTP/1.1 200 OK\r\nX-Unended: 1");  // the header block never ends
        } else {
            c.Send("HTTP/1.1 200 OK\r\nBad Header Line Without Colon\r\nContent-Length: 2\r\n\r\nok");
        }
    });
    platform::inet::InetLimits l = platform::inet::CurrentInetLimits();
    l.max_body_bytes = 1u << 20;
    platform::inet::SetInetLimitsForTesting(l);

    EXPECT_LT(Run(server.Base() + "/stall"), 8.0);
    EXPECT_EQ(body_.view(), "partial");  // what arrived before the stall
    EXPECT_TRUE(reply_.view().starts_with("HTTP/1.1 200 OK\r\n"));

    EXPECT_LT(Run(server.Base() + "/endless"), 8.0);
    EXPECT_EQ(body_.size(), 1u << 20);  // cut at the body limit

    // A header line without a colon is refused like the others.
    for (const char* path : {"/garbage", "/nohead", "/odd"}) {
        SCOPED_TRACE(path);
        EXPECT_LT(Run(server.Base() + path), 8.0);
        EXPECT_EQ(Str(reply_), std::string(5000, ' '));
        EXPECT_TRUE(body_.empty());
    }
}

}  // namespace
}  // namespace apptest
