// The transfer library is opened by the first request that goes out, not at
// start: a program that makes none never maps it, nor the TLS and directory
// libraries it brings. A program of its own, since any earlier request in the
// same process would have loaded it.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "tests/platform/inet/inet_test_support.h"
#include "tests/platform/inet/loopback_server.h"

namespace inettest {
namespace {

bool CurlMapped() {
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line))
        if (line.find("libcurl") != std::string::npos) return true;
    return false;
}

class CurlLoadingTest : public InetTest {};

TEST_F(CurlLoadingTest, TheFirstRequestSentLoadsTheTransferLibrary) {
    ASSERT_FALSE(CurlMapped()) << "mapped before any handle was opened";
    // Handles alone send nothing.
    HINTERNET root = InternetOpenA("test-agent/1.0", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    ASSERT_TRUE(root);
    HandleGuard rootGuard{root};
    HINTERNET connection = InternetConnectA(root, "127.0.0.1", 80, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    ASSERT_TRUE(connection);
    HandleGuard connectionGuard{connection};
    EXPECT_FALSE(CurlMapped()) << "mapped by opening handles";

    LoopbackServer server([](const ReceivedRequest&, Conn& c) { c.Send(LoopbackServer::Reply(200, "OK", "ok")); });
    const Exchange e = RunExchange(server.port(), {});
    EXPECT_TRUE(e.sent) << e.send_error;
    EXPECT_EQ(e.body, "ok");
    EXPECT_TRUE(CurlMapped());
}

}  // namespace
}  // namespace inettest
