// https with a certificate the test makes and trusts, and proxies.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/platform/inet/inet_test_support.h"
#include "tests/platform/inet/loopback_server.h"

namespace inettest {
namespace {

using Server = LoopbackServer;

class TlsTest : public InetTest {};

Exchange SecureExchange(uint16_t port, const std::string& host = "127.0.0.1") {
    ExchangeOptions o;
    o.host = host;
    o.path = "/s?q=1";
    o.headers = "Accept: */*";
    // Cookies other tests left in the process's store stay out of the exact comparison.
    o.flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_SECURE | INTERNET_FLAG_NO_COOKIES;
    return RunExchange(port, o);
}

TEST_F(TlsTest, SecureRequestAgainstATrustedTestCertificate) {
    Server server([](const ReceivedRequest& r, Conn& c) { c.Send(Server::Reply(200, "OK", "secret:" + r.request_line)); },
                  /*tls=*/true);
    for (const char* host : {"127.0.0.1", "localhost"}) {
        Exchange ex = SecureExchange(server.port(), host);
        ASSERT_TRUE(ex.sent) << host << " error " << ex.send_error;
        EXPECT_EQ(ex.body, "secret:GET /s?q=1 HTTP/1.1");
    }
    std::string head = server.Requests()[0].head;
    EXPECT_EQ(head, "GET /s?q=1 HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(server.port()) +
                        "\r\nUser-Agent: test-agent/1.0\r\nAccept: */*\r\n\r\n");
}

TEST_F(TlsTest, UntrustedCertificateIsRefused) {
    Server server([](const ReceivedRequest&, Conn& c) { c.Send(Server::Reply(200, "OK", "x")); }, /*tls=*/true);
    unsetenv("SIGDESIGNER_CA_FILE");
    Exchange ex = SecureExchange(server.port());
    EXPECT_FALSE(ex.sent);
    EXPECT_TRUE(ex.send_error == ERROR_INTERNET_SEC_CERT_ERRORS ||
                ex.send_error == ERROR_INTERNET_SECURITY_CHANNEL_ERROR)
        << ex.send_error;
    EXPECT_EQ(server.RequestCount(), 0u);
}

TEST_F(TlsTest, PlainRequestToATlsPortFails) {
    Server server([](const ReceivedRequest&, Conn& c) { c.Send(Server::Reply(200, "OK", "x")); }, /*tls=*/true);
    Exchange ex = RunExchange(server.port(), {});
    EXPECT_FALSE(ex.sent);
    EXPECT_EQ(ex.body, "");
}

class ProxyTest : public InetTest {};

Server::Handler ProxyEcho() {
    return [](const ReceivedRequest& r, Conn& c) { c.Send(Server::Reply(200, "OK", "via-proxy:" + r.request_line)); };
}

TEST_F(ProxyTest, NamedProxyCarriesPlainRequestsInAbsoluteForm) {
    Server proxy(ProxyEcho());
    std::string where = "http=127.0.0.1:" + std::to_string(proxy.port());
    ExchangeOptions o;
    o.access = INTERNET_OPEN_TYPE_PROXY;
    o.proxy = where;
    o.host = "www.example.invalid";  // resolved by the proxy, never here
    o.path = "/a?b=c";
    Exchange ex = RunExchange(8080, o);
    ASSERT_TRUE(ex.sent) << ex.send_error;
    EXPECT_EQ(ex.body, "via-proxy:GET http://www.example.invalid:8080/a?b=c HTTP/1.1");
    EXPECT_EQ(proxy.Requests()[0].Header("Host"), "www.example.invalid:8080");
}

TEST_F(ProxyTest, LoopbackTargetsBypassTheProxy) {
    Server proxy(ProxyEcho());
    Server target([](const ReceivedRequest&, Conn& c) { c.Send(Server::Reply(200, "OK", "direct")); });
    ExchangeOptions o;
    o.access = INTERNET_OPEN_TYPE_PROXY;
    o.proxy = "127.0.0.1:" + std::to_string(proxy.port());
    Exchange ex = RunExchange(target.port(), o);
    ASSERT_TRUE(ex.sent);
    EXPECT_EQ(ex.body, "direct");
    EXPECT_EQ(proxy.RequestCount(), 0u);
}

TEST_F(ProxyTest, ProxyOptionOnTheRootAppliesToLaterRequests) {
    Server proxy(ProxyEcho());
    std::string list = "127.0.0.1:" + std::to_string(proxy.port());
    HINTERNET root = InternetOpenA("a", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    HandleGuard g{root};
    HINTERNET conn = InternetConnectA(root, "host.example.invalid", 80, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    INTERNET_PROXY_INFO info{INTERNET_OPEN_TYPE_PROXY, list.c_str(), nullptr};
    ASSERT_TRUE(InternetSetOptionA(root, INTERNET_OPTION_PROXY, &info, sizeof info));
    ASSERT_TRUE(InternetSetOptionA(0, INTERNET_OPTION_SETTINGS_CHANGED, nullptr, 0));
    ASSERT_TRUE(InternetSetOptionA(0, INTERNET_OPTION_REFRESH, nullptr, 0));
    ASSERT_TRUE(InternetSetOptionA(conn, INTERNET_OPTION_PROXY_USERNAME, const_cast<char*>(""), 0));
    ASSERT_TRUE(InternetSetOptionA(conn, INTERNET_OPTION_PROXY_PASSWORD, const_cast<char*>(""), 0));
    HINTERNET req = HttpOpenRequestA(conn, "GET", "/p", "HTTP/1.0", nullptr, nullptr, INTERNET_FLAG_RELOAD, 0);
    ASSERT_TRUE(HttpSendRequestA(req, nullptr, 0, nullptr, 0)) << platform::inet::LastInetError();
    EXPECT_EQ(proxy.Requests()[0].request_line, "GET http://host.example.invalid/p HTTP/1.0");

    // Back to the preconfigured setting: the environment decides, here no proxy.
    unsetenv("http_proxy");
    unsetenv("HTTP_PROXY");
    unsetenv("all_proxy");
    unsetenv("ALL_PROXY");
    INTERNET_PROXY_INFO pre{INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr};
    ASSERT_TRUE(InternetSetOptionA(root, INTERNET_OPTION_PROXY, &pre, sizeof pre));
    HINTERNET req2 = HttpOpenRequestA(conn, "GET", "/p", nullptr, nullptr, nullptr, 0, 0);
    EXPECT_FALSE(HttpSendRequestA(req2, nullptr, 0, nullptr, 0));
    EXPECT_EQ(platform::inet::LastInetError(), ERROR_INTERNET_NAME_NOT_RESOLVED);
    EXPECT_EQ(proxy.RequestCount(), 1u);

    EXPECT_FALSE(InternetSetOptionA(root, INTERNET_OPTION_PROXY, &info, 4));
    EXPECT_FALSE(InternetSetOptionA(root, 9999, nullptr, 0));
    EXPECT_EQ(platform::inet::LastInetError(), ERROR_INTERNET_INVALID_OPTION);
    EXPECT_FALSE(InternetSetOptionA(conn, INTERNET_OPTION_PROXY, &info, sizeof info));
}

TEST_F(ProxyTest, SecureRequestsTunnelThroughTheProxy) {
    Server secure([](const ReceivedRequest& r, Conn& c) { c.Send(Server::Reply(200, "OK", "tls:" + r.request_line)); },
                  /*tls=*/true);
    // A tiny CONNECT proxy is more than the loopback server does; check the
    // proxy is asked for the tunnel with the right target instead.
    Server proxy([](const ReceivedRequest&, Conn& c) { c.Send("HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\n\r\n"); });
    ExchangeOptions o;
    o.access = INTERNET_OPEN_TYPE_PROXY;
    o.proxy = "127.0.0.1:" + std::to_string(proxy.port());
    o.host = "secure.example.invalid";
    o.flags = INTERNET_FLAG_SECURE;
    Exchange ex = RunExchange(443, o);
    EXPECT_FALSE(ex.sent);
    ASSERT_EQ(proxy.RequestCount(), 1u);
    EXPECT_EQ(proxy.Requests()[0].request_line, "CONNECT secure.example.invalid:443 HTTP/1.1");
}

}  // namespace
}  // namespace inettest
