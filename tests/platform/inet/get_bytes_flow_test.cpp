// The download command's sequence of calls, end to end: split the address,
// one long-lived root with the preconfigured proxy setting, a connection per
// download, an HTTP/1.0 GET with the accept list, the content length as the
// chunk size, chunks until a read gives 0 bytes or fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/platform/inet/inet_test_support.h"
#include "tests/platform/inet/loopback_server.h"

namespace inettest {
namespace {

using Server = LoopbackServer;

struct Download {
    std::string bytes;
    DWORD chunk = 0;
    std::string path_sent;
};

Download GetBytes(HINTERNET root, std::string url, const Server& server) {
    Download d;
    size_t before = server.RequestCount();
    if (size_t hash = url.find('#'); hash != std::string::npos) url.resize(hash);
    char host[256], user[64], password[64], path[2048];
    URL_COMPONENTSA u{};
    u.dwStructSize = sizeof u;
    u.lpszHostName = host;
    u.dwHostNameLength = sizeof host;
    u.lpszUserName = user;
    u.dwUserNameLength = sizeof user;
    u.lpszPassword = password;
    u.dwPasswordLength = sizeof password;
    u.lpszUrlPath = path;
    u.dwUrlPathLength = sizeof path;
    u.dwExtraInfoLength = 1;
    if (!InternetCrackUrlA(url.c_str(), 0, 0, &u)) return d;
    std::string object = std::string(path) + std::string(u.lpszExtraInfo, u.dwExtraInfoLength);
    HINTERNET conn = InternetConnectA(root, host, u.nPort, user, password, INTERNET_SERVICE_HTTP, 0, 0);
    EXPECT_NE(conn, 0u);
    INTERNET_PROXY_INFO pre{INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr};
    EXPECT_TRUE(InternetSetOptionA(root, INTERNET_OPTION_PROXY, &pre, sizeof pre));
    EXPECT_TRUE(InternetSetOptionA(conn, INTERNET_OPTION_PROXY_USERNAME, const_cast<char*>(""), 1));
    EXPECT_TRUE(InternetSetOptionA(conn, INTERNET_OPTION_PROXY_PASSWORD, const_cast<char*>(""), 1));
    LPCSTR accept[] = {"Accept: */* \r\n", nullptr};
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                  (u.nScheme == INTERNET_SCHEME_HTTPS ? INTERNET_FLAG_SECURE : 0);
    HINTERNET req = HttpOpenRequestA(conn, "GET", object.c_str(), "HTTP/1.0", nullptr, accept, flags, 0);
    EXPECT_NE(req, 0u);
    if (HttpSendRequestA(req, "Accept: */*\r\n\r\n", 15, nullptr, 0)) {
        DWORD length = 0, size = sizeof length;
        d.chunk = 10240;
        if (HttpQueryInfoA(req, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &length, &size, nullptr) &&
            length > 0)
            d.chunk = std::min<DWORD>(length + 1, 102400);
        std::string buf(d.chunk, '\0');
        DWORD got = 0;
        while (InternetReadFile(req, buf.data(), d.chunk, &got) && got > 0) d.bytes.append(buf.data(), got);
    }
    InternetCloseHandle(req);
    InternetCloseHandle(conn);
    if (server.RequestCount() > before) d.path_sent = server.Requests().back().request_line;
    return d;
}

class GetBytesFlowTest : public InetTest {};

TEST_F(GetBytesFlowTest, BodiesWhateverTheStatusFragmentCutAndBreakOffKept) {
    std::string big(1000000, 'B');
    Server server([&](const ReceivedRequest& r, Conn& c) {
        if (r.request_line.find("/missing") != std::string::npos)
            c.Send(Server::Reply(404, "Not Found", "<html>404</html>"));
        else if (r.request_line.find("/big") != std::string::npos)
            c.Send(Server::Reply(200, "OK", big));
        else if (r.request_line.find("/cut") != std::string::npos)
            c.Send("HTTP/1.0 200 OK\r\nContent-Length: 50000\r\n\r\n" + std::string(20000, 'c'));
        else
            c.Send("HTTP/1.0 200 OK\r\n\r\n" + r.request_line);  // no length
    });
    HINTERNET root = InternetOpenA("Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)", INTERNET_OPEN_TYPE_DIRECT,
                                   nullptr, nullptr, 0);
    HandleGuard g{root};
    std::string base = server.Base();

    Download d = GetBytes(root, base + "/missing", server);
    EXPECT_EQ(d.bytes, "<html>404</html>");
    EXPECT_EQ(d.chunk, 17u);

    d = GetBytes(root, base + "/img/a.png?v=2#top", server);
    EXPECT_EQ(d.path_sent, "GET /img/a.png?v=2 HTTP/1.0");
    EXPECT_EQ(d.bytes, "GET /img/a.png?v=2 HTTP/1.0");
    EXPECT_EQ(d.chunk, 10240u);

    d = GetBytes(root, base + "/big", server);
    EXPECT_EQ(d.chunk, 102400u);
    EXPECT_TRUE(d.bytes == big);

    d = GetBytes(root, base + "/cut", server);
    EXPECT_EQ(d.bytes, std::string(20000, 'c'));

    d = GetBytes(root, "HTTP://127.0.0.1:" + std::to_string(server.port()), server);
    EXPECT_EQ(d.path_sent, "GET / HTTP/1.0");

    // Addresses that cannot be split give nothing and send nothing.
    size_t before = server.RequestCount();
    for (const char* bad : {"", "127.0.0.1/x", "http://127.0.0.1:99999/", "http://bad host/"})
        EXPECT_EQ(GetBytes(root, bad, server).bytes, "") << bad;
    EXPECT_EQ(server.RequestCount(), before);
}

TEST_F(GetBytesFlowTest, OneRequestHandleCanBeSentAgain) {
    Server server([](const ReceivedRequest& r, Conn& c) { c.Send(Server::Reply(200, "OK", r.body)); });
    HINTERNET root = InternetOpenA("a", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    HandleGuard g{root};
    HINTERNET conn = InternetConnectA(root, "127.0.0.1", server.port(), nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    HINTERNET req = HttpOpenRequestA(conn, "POST", "/", nullptr, nullptr, nullptr, 0, 0);
    char buf[16];
    DWORD got = 0;
    ASSERT_TRUE(HttpSendRequestA(req, nullptr, 0, const_cast<char*>("one"), 3));
    ASSERT_TRUE(HttpSendRequestA(req, nullptr, 0, const_cast<char*>("second"), 6));
    ASSERT_TRUE(InternetReadFile(req, buf, sizeof buf, &got));
    EXPECT_EQ(std::string(buf, got), "second");
    EXPECT_EQ(server.RequestCount(), 2u);
}

}  // namespace
}  // namespace inettest
