// Redirections by the request's flags, and the process's cookie store.
#include <gtest/gtest.h>

#include <string>

#include "tests/platform/inet/inet_test_support.h"
#include "tests/platform/inet/loopback_server.h"

namespace inettest {
namespace {

using Server = LoopbackServer;

class RedirectTest : public InetTest {};

Server::Handler Redirecting(std::string location, int status = 302) {
    return [location, status](const ReceivedRequest& r, Conn& c) {
        if (r.request_line.find(" /start") != std::string::npos)
            c.Send(Server::Reply(status, "Moved", "moved", "Location: " + location + "\r\n"));
        else
            c.Send(Server::Reply(200, "OK", "final:" + r.request_line + "|" + r.body));
    };
}

TEST_F(RedirectTest, FollowedUnlessNoAutoRedirect) {
    Server server(Redirecting("/end?x=1"));
    ExchangeOptions o;
    o.path = "/start";
    Exchange ex = RunExchange(server.port(), o);
    ASSERT_TRUE(ex.sent);
    EXPECT_EQ(ex.body, "final:GET /end?x=1 HTTP/1.1|");
    EXPECT_EQ(ex.headers.rfind("HTTP/1.1 200 OK\r\n", 0), 0u);

    o.flags |= INTERNET_FLAG_NO_AUTO_REDIRECT;
    size_t before = server.RequestCount();
    ex = RunExchange(server.port(), o);
    ASSERT_TRUE(ex.sent);
    EXPECT_EQ(ex.body, "moved");
    EXPECT_NE(ex.headers.find("Location: /end?x=1\r\n"), std::string::npos);
    EXPECT_EQ(server.RequestCount(), before + 1);
}

TEST_F(RedirectTest, PostBecomesGetAfter302And303ButNotAfter307) {
    for (int status : {302, 303, 307}) {
        Server server(Redirecting("/end", status));
        ExchangeOptions o;
        o.verb = "POST";
        o.path = "/start";
        o.send_body = true;
        o.body = "k=v";
        o.headers = "Content-Type: application/x-www-form-urlencoded";
        Exchange ex = RunExchange(server.port(), o);
        ASSERT_TRUE(ex.sent) << status;
        if (status == 307) {
            EXPECT_EQ(ex.body, "final:POST /end HTTP/1.1|k=v");
        } else {
            EXPECT_EQ(ex.body, "final:GET /end HTTP/1.1|") << status;
            EXPECT_EQ(server.Requests().back().Header("Content-Type"), "") << status;
        }
    }
}

TEST_F(RedirectTest, EndlessRedirectionsEndAtTheLimit) {
    Server server([](const ReceivedRequest&, Conn& c) {
        c.Send(Server::Reply(302, "Found", "again", "Location: /start\r\n"));
    });
    ExchangeOptions o;
    o.path = "/start";
    Exchange ex = RunExchange(server.port(), o);
    ASSERT_TRUE(ex.sent);
    EXPECT_EQ(ex.body, "again");
    EXPECT_EQ(server.RequestCount(), 11u);  // the first request and 10 redirections
}

TEST_F(RedirectTest, PlainToSecureOnlyWithTheFlag) {
    Server secure([](const ReceivedRequest& r, Conn& c) { c.Send(Server::Reply(200, "OK", "tls:" + r.request_line)); },
                  /*tls=*/true);
    Server plain(Redirecting(secure.Base() + "/sec"));
    ExchangeOptions o;
    o.path = "/start";
    Exchange ex = RunExchange(plain.port(), o);
    ASSERT_TRUE(ex.sent);
    EXPECT_EQ(ex.body, "moved");  // not allowed: the redirection itself is the reply
    EXPECT_EQ(secure.RequestCount(), 0u);

    o.flags |= INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS;
    ex = RunExchange(plain.port(), o);
    ASSERT_TRUE(ex.sent);
    EXPECT_EQ(ex.body, "tls:GET /sec HTTP/1.1");
}

TEST_F(RedirectTest, CredentialsAndCallerCookiesStayWithTheirServer) {
    Server other([](const ReceivedRequest& r, Conn& c) {
        c.Send(Server::Reply(200, "OK", "other|" + r.Header("Cookie") + "|" + r.Header("Authorization")));
    });
    Server first([&](const ReceivedRequest& r, Conn& c) {
        if (r.request_line.find(" /away") != std::string::npos)
            c.Send(Server::Reply(302, "Found", "", "Location: " + other.Base() + "/x\r\n"));
        else if (r.request_line.find(" /near") != std::string::npos)
            c.Send(Server::Reply(302, "Found", "", "Location: /here\r\n"));
        else
            c.Send(Server::Reply(200, "OK", "first|" + r.Header("Cookie") + "|" + r.Header("Authorization")));
    });
    HINTERNET root = InternetOpenA("a", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    HandleGuard g{root};
    HINTERNET conn = InternetConnectA(root, "127.0.0.1", first.port(), "user", "pw", INTERNET_SERVICE_HTTP, 0, 0);
    auto fetch = [&](const char* path) {
        HINTERNET req = HttpOpenRequestA(conn, "GET", path, nullptr, nullptr, nullptr, INTERNET_FLAG_NO_COOKIES, 0);
        EXPECT_TRUE(HttpSendRequestA(req, "Cookie: c=1", 0xFFFFFFFFu, nullptr, 0));
        char buf[256];
        DWORD got = 0;
        std::string body;
        while (InternetReadFile(req, buf, sizeof buf, &got) && got > 0) body.append(buf, got);
        InternetCloseHandle(req);
        return body;
    };
    EXPECT_EQ(fetch("/near"), "first|c=1|Basic dXNlcjpwdw==");
    EXPECT_EQ(fetch("/away"), "other||");  // another port is another server
}

class CookieTest : public InetTest {};

TEST_F(CookieTest, AutomaticCookiesAreSharedByAllRootsAndNoCookiesKeepsOut) {
    // Unique names: the store lives for the whole process.
    Server server([](const ReceivedRequest& r, Conn& c) {
        if (r.request_line.find("/set") != std::string::npos)
            c.Send(Server::Reply(200, "OK", "", "Set-Cookie: auto1=v1; Path=/\r\nSet-Cookie: auto2=v2\r\n"));
        else if (r.request_line.find("/quiet") != std::string::npos)
            c.Send(Server::Reply(200, "OK", "", "Set-Cookie: ignored=1; Path=/\r\n"));
        else
            c.Send(Server::Reply(200, "OK", r.Header("Cookie")));
    });
    ExchangeOptions o;
    o.path = "/set";
    Exchange ex = RunExchange(server.port(), o);
    ASSERT_TRUE(ex.sent);
    // The reply's cookies stay visible in the header block either way.
    EXPECT_NE(ex.headers.find("Set-Cookie: auto1=v1; Path=/\r\n"), std::string::npos);

    o.path = "/echo";
    ex = RunExchange(server.port(), o);  // a new root: the store is the process's
    EXPECT_NE(ex.body.find("auto1=v1"), std::string::npos);
    EXPECT_NE(ex.body.find("auto2=v2"), std::string::npos);

    // Cookies off: none sent, none stored, the caller's own Cookie line goes out alone.
    o.flags |= INTERNET_FLAG_NO_COOKIES;
    o.headers = "Cookie: mine=1";
    ex = RunExchange(server.port(), o);
    EXPECT_EQ(ex.body, "mine=1");
    o.path = "/quiet";
    o.headers = "";
    ex = RunExchange(server.port(), o);
    EXPECT_NE(ex.headers.find("Set-Cookie: ignored=1"), std::string::npos);
    o.flags &= ~INTERNET_FLAG_NO_COOKIES;
    o.path = "/echo";
    ex = RunExchange(server.port(), o);
    EXPECT_EQ(ex.body.find("ignored"), std::string::npos);
    EXPECT_NE(ex.body.find("auto1=v1"), std::string::npos);
}

}  // namespace
}  // namespace inettest
