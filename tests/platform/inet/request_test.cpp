// Requests against a loopback server: what goes on the wire, byte for byte,
// and what the caller reads back.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/platform/inet/inet_test_support.h"
#include "tests/platform/inet/loopback_server.h"

namespace inettest {
namespace {

using Server = LoopbackServer;

void ReplyOk(const ReceivedRequest&, Conn& c) { c.Send(Server::Reply(200, "OK", "hello")); }

class RequestTest : public InetTest {};

TEST_F(RequestTest, RequestLineAndCompletedHeaderBlockGoOutByteForByte) {
    Server server(ReplyOk);
    const std::string block =
        "Accept: */*\r\nReferer: http://127.0.0.1/Path/To?q=1&r=%41\r\nAccept-Language: zh-cn\r\n"
        "Cookie: a=1; b=2\r\nx-MiXeD-case: Value  with  blanks";
    ExchangeOptions o;
    o.path = "/Path/To?q=1&r=%41";
    o.headers = block;
    o.flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NEED_FILE | INTERNET_FLAG_NO_COOKIES;
    Exchange ex = RunExchange(server.port(), o);
    ASSERT_TRUE(ex.sent);
    EXPECT_EQ(ex.body, "hello");
    ASSERT_EQ(server.RequestCount(), 1u);
    ReceivedRequest r = server.Requests()[0];
    std::string want = "GET /Path/To?q=1&r=%41 HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(server.port()) +
                       "\r\nUser-Agent: test-agent/1.0\r\n" + block + "\r\n\r\n";
    EXPECT_EQ(r.head, want);

    // A form post: the block, then the body's length, then the body.
    const std::string post_block = "Accept: */*\r\nReferer: http://127.0.0.1/\r\nAccept-Language: zh-cn\r\n"
                                   "Content-Type: application/x-www-form-urlencoded";
    o.verb = "POST";
    o.path = "/";
    o.headers = post_block;
    o.send_body = true;
    o.body = "text=%E4%BD%A0&ziti=3";
    ASSERT_TRUE(RunExchange(server.port(), o).sent);
    r = server.Requests()[1];
    EXPECT_EQ(r.head, "POST / HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(server.port()) +
                          "\r\nUser-Agent: test-agent/1.0\r\n" + post_block + "\r\nContent-Length: 21\r\n\r\n");
    EXPECT_EQ(r.body, o.body);
}

TEST_F(RequestTest, CallerUserAgentReplacesTheRootsAndNothingIsAdded) {
    Server server(ReplyOk);
    ExchangeOptions o;
    o.headers = "User-Agent: Custom/2\r\nAccept: text/html\r\nX-Empty: ";
    Exchange ex = RunExchange(server.port(), o);
    ASSERT_TRUE(ex.sent);
    // An empty value still sends its line, as "Name:".
    std::string want = "GET / HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(server.port()) +
                       "\r\nUser-Agent: Custom/2\r\nAccept: text/html\r\nX-Empty:\r\n\r\n";
    EXPECT_EQ(server.Requests()[0].head, want);
}

TEST_F(RequestTest, MethodsWithBodiesFromTextAndBytes) {
    Server server([](const ReceivedRequest& r, Conn& c) {
        c.Send(Server::Reply(200, "OK", r.request_line + "|" + r.body));
    });
    const char* verbs[] = {"GET", "POST", "HEAD", "PUT", "OPTIONS", "DELETE", "TRACE", "CONNECT"};
    std::string bytes("a\0b\xC7\xA9\xFF" "c", 7);
    for (const char* verb : verbs) {
        SCOPED_TRACE(verb);
        ExchangeOptions o;
        o.verb = verb;
        o.path = "/m";
        o.headers = "Accept: */*";
        bool get = std::strcmp(verb, "GET") == 0;
        o.send_body = !get;
        o.body = bytes;
        size_t before = server.RequestCount();
        Exchange ex = RunExchange(server.port(), o);
        ASSERT_TRUE(ex.sent);
        ASSERT_EQ(server.RequestCount(), before + 1);
        ReceivedRequest r = server.Requests().back();
        EXPECT_EQ(r.request_line, std::string(verb) + " /m HTTP/1.1");
        if (std::strcmp(verb, "HEAD") == 0) {
            EXPECT_EQ(ex.body, "");  // no body is read after a HEAD
        } else if (get) {
            EXPECT_EQ(r.body, "");
            EXPECT_EQ(r.Header("Content-Length"), "");
            EXPECT_EQ(ex.body, "GET /m HTTP/1.1|");
        } else {
            EXPECT_EQ(r.body, bytes);
            EXPECT_EQ(r.Header("Content-Length"), "7");
            EXPECT_EQ(ex.body, r.request_line + "|" + bytes);
        }
        // No type is made up for a body the caller did not type.
        EXPECT_EQ(r.Header("Content-Type"), "");
        EXPECT_EQ(r.Header("Expect"), "");
    }
}

TEST_F(RequestTest, PostWithoutBodySendsZeroLengthAndNulTerminatedHeaders) {
    Server server(ReplyOk);
    HINTERNET root = InternetOpenA("a", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    HandleGuard g{root};
    HINTERNET conn = InternetConnectA(root, "127.0.0.1", server.port(), nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    HINTERNET req = HttpOpenRequestA(conn, "POST", "/form", "HTTP/1.1", nullptr, nullptr, 0, 0);
    ASSERT_NE(req, 0u);
    const char* headers = "Content-Type: application/x-www-form-urlencoded\r\nX-Tail: 1";
    ASSERT_TRUE(HttpSendRequestA(req, headers, 0xFFFFFFFFu, nullptr, 0));
    ReceivedRequest r = server.Requests()[0];
    EXPECT_EQ(r.request_line, "POST /form HTTP/1.1");
    EXPECT_EQ(r.Header("Content-Length"), "0");
    EXPECT_EQ(r.Header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(r.Header("X-Tail"), "1");
}

TEST_F(RequestTest, ObjectPathsAreSentAsWrittenExceptUnsafeBytes) {
    Server server(ReplyOk);
    struct Case {
        const char* object;
        const char* sent;
    } cases[] = {
        {"", "/"},
        {"a/b", "/a/b"},
        {"/x/../y/./z", "/x/../y/./z"},
        {"/sp ace?q=\xC7\xA9", "/sp%20ace?q=%C7%A9"},
        {"/page#frag", "/page"},
        {"/UPPER/Case?Q=V", "/UPPER/Case?Q=V"},
    };
    for (const Case& k : cases) {
        ExchangeOptions o;
        o.path = k.object;
        ASSERT_TRUE(RunExchange(server.port(), o).sent) << k.object;
        EXPECT_EQ(server.Requests().back().request_line, std::string("GET ") + k.sent + " HTTP/1.1") << k.object;
    }
}

TEST_F(RequestTest, Http10AndTheAcceptTypeList) {
    Server server(ReplyOk);
    HINTERNET root = InternetOpenA("Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)", INTERNET_OPEN_TYPE_DIRECT,
                                   nullptr, nullptr, 0);
    HandleGuard g{root};
    HINTERNET conn = InternetConnectA(root, "127.0.0.1", server.port(), "", "", INTERNET_SERVICE_HTTP, 0, 0);
    LPCSTR accept[] = {"Accept: */* \r\n", nullptr};
    HINTERNET req = HttpOpenRequestA(conn, "GET", "/pic.png", "HTTP/1.0", nullptr, accept,
                                     INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0);
    ASSERT_TRUE(HttpSendRequestA(req, "Accept: */*\r\n\r\n", 0xFFFFFFFFu, nullptr, 0));
    EXPECT_EQ(server.Requests()[0].head, "GET /pic.png HTTP/1.0\r\nHost: 127.0.0.1:" + std::to_string(server.port()) +
                                             "\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)"
                                             "\r\nAccept: */*\r\n\r\n");

    // Without send headers the list makes the Accept line; a referrer makes a Referer line.
    LPCSTR types[] = {"text/html", " image/* ", nullptr};
    HINTERNET req2 = HttpOpenRequestA(conn, nullptr, nullptr, nullptr, "http://r/", types, 0, 0);
    ASSERT_TRUE(HttpSendRequestA(req2, nullptr, 0, nullptr, 0));
    ReceivedRequest r = server.Requests()[1];
    EXPECT_EQ(r.request_line, "GET / HTTP/1.1");
    EXPECT_EQ(r.Header("Accept"), "text/html, image/*");
    EXPECT_EQ(r.Header("Referer"), "http://r/");
}

TEST_F(RequestTest, RawHeaderBlockAsReceivedAndBufferRules) {
    Server server([](const ReceivedRequest&, Conn& c) {
        c.Send("HTTP/1.1 404 Not Found\r\nx-lower: a\r\nSET-COOKIE: s=1; Path=/\r\nContent-Length: 9\r\n\r\nnot here!");
    });
    HINTERNET root = InternetOpenA("a", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    HandleGuard g{root};
    HINTERNET conn = InternetConnectA(root, "127.0.0.1", server.port(), nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    HINTERNET req = HttpOpenRequestA(conn, "GET", "/", "HTTP/1.1", nullptr, nullptr, 0, 0);
    ASSERT_TRUE(HttpSendRequestA(req, nullptr, 0, nullptr, 0));  // a 404 is a reply all the same

    const std::string want =
        "HTTP/1.1 404 Not Found\r\nx-lower: a\r\nSET-COOKIE: s=1; Path=/\r\nContent-Length: 9\r\n\r\n";
    char buf[5000];
    DWORD len = sizeof buf;
    ASSERT_TRUE(HttpQueryInfoA(req, HTTP_QUERY_RAW_HEADERS_CRLF, buf, &len, nullptr));
    EXPECT_EQ(len, want.size());
    EXPECT_EQ(std::string(buf), want);

    // Exactly the size with the terminator fits; one less fails and says what is needed.
    len = static_cast<DWORD>(want.size() + 1);
    EXPECT_TRUE(HttpQueryInfoA(req, HTTP_QUERY_RAW_HEADERS_CRLF, buf, &len, nullptr));
    len = static_cast<DWORD>(want.size());
    std::memset(buf, ' ', sizeof buf);
    EXPECT_FALSE(HttpQueryInfoA(req, HTTP_QUERY_RAW_HEADERS_CRLF, buf, &len, nullptr));
    EXPECT_EQ(platform::inet::LastInetError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(len, want.size() + 1);
    EXPECT_EQ(buf[0], ' ');  // a failed query leaves the buffer alone

    DWORD number = 0;
    len = sizeof number;
    ASSERT_TRUE(HttpQueryInfoA(req, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &number, &len, nullptr));
    EXPECT_EQ(number, 404u);
    len = sizeof number;
    ASSERT_TRUE(HttpQueryInfoA(req, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &number, &len, nullptr));
    EXPECT_EQ(number, 9u);
    len = sizeof buf;
    ASSERT_TRUE(HttpQueryInfoA(req, HTTP_QUERY_SET_COOKIE, buf, &len, nullptr));
    EXPECT_STREQ(buf, "s=1; Path=/");
    std::strcpy(buf, "X-Lower");
    len = sizeof buf;
    ASSERT_TRUE(HttpQueryInfoA(req, HTTP_QUERY_CUSTOM, buf, &len, nullptr));
    EXPECT_STREQ(buf, "a");
    len = sizeof buf;
    EXPECT_FALSE(HttpQueryInfoA(req, HTTP_QUERY_LOCATION, buf, &len, nullptr));
    EXPECT_EQ(platform::inet::LastInetError(), ERROR_HTTP_HEADER_NOT_FOUND);

    std::string body;
    DWORD got;
    while (InternetReadFile(req, buf, 4, &got) && got > 0) body.append(buf, got);
    EXPECT_EQ(body, "not here!");
}

TEST_F(RequestTest, HeaderBlocksOver5000BytesNeedABiggerBuffer) {
    std::string big(6000, 'v');
    Server server([&](const ReceivedRequest&, Conn& c) { c.Send(Server::Reply(200, "OK", "b", "X-Big: " + big + "\r\n")); });
    HINTERNET root = InternetOpenA("a", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    HandleGuard g{root};
    HINTERNET conn = InternetConnectA(root, "127.0.0.1", server.port(), nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    HINTERNET req = HttpOpenRequestA(conn, "GET", "/", nullptr, nullptr, nullptr, 0, 0);
    ASSERT_TRUE(HttpSendRequestA(req, nullptr, 0, nullptr, 0));
    std::string buf(5000, ' ');
    DWORD len = 5000;
    EXPECT_FALSE(HttpQueryInfoA(req, HTTP_QUERY_RAW_HEADERS_CRLF, buf.data(), &len, nullptr));
    EXPECT_EQ(platform::inet::LastInetError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(buf, std::string(5000, ' '));
    EXPECT_GT(len, 6000u);
    std::string bigger(len, '\0');
    ASSERT_TRUE(HttpQueryInfoA(req, HTTP_QUERY_RAW_HEADERS_CRLF, bigger.data(), &len, nullptr));
    EXPECT_NE(bigger.find("X-Big: " + big + "\r\n"), std::string::npos);
}

TEST_F(RequestTest, BareLineFeedRepliesComeBackWithCrLf) {
    Server server([](const ReceivedRequest&, Conn& c) {
        c.Send("HTTP/1.1 200 OK\nServer: lf\nContent-Length: 2\n\nok");
    });
    Exchange ex = RunExchange(server.port(), {});
    ASSERT_TRUE(ex.sent);
    EXPECT_EQ(ex.headers, "HTTP/1.1 200 OK\r\nServer: lf\r\nContent-Length: 2\r\n\r\n");
    EXPECT_EQ(ex.body, "ok");
}

TEST_F(RequestTest, InterimRepliesAreSkipped) {
    Server server([](const ReceivedRequest&, Conn& c) {
        c.Send("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 201 Created\r\nContent-Length: 1\r\n\r\nx");
    });
    Exchange ex = RunExchange(server.port(), {});
    ASSERT_TRUE(ex.sent);
    EXPECT_EQ(ex.headers, "HTTP/1.1 201 Created\r\nContent-Length: 1\r\n\r\n");
    EXPECT_EQ(ex.body, "x");
}

TEST_F(RequestTest, BodiesInAnyReadSizeChunkedOrUntilClose) {
    std::string payload;
    for (int i = 0; i < 300000; ++i) payload.push_back(static_cast<char>('a' + (i * 7) % 26));
    Server chunked([&](const ReceivedRequest&, Conn& c) {
        c.Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n");
        for (size_t off = 0; off < payload.size(); off += 7777) {
            std::string piece = payload.substr(off, 7777);
            char len[32];
            std::snprintf(len, sizeof len, "%zx\r\n", piece.size());
            c.Send(std::string(len) + piece + "\r\n");
        }
        c.Send("0\r\n\r\n");
    });
    Server until_close([&](const ReceivedRequest&, Conn& c) {
        c.Send("HTTP/1.0 200 OK\r\n\r\n");
        c.Send(payload);
    });
    for (DWORD size : {1u, 1000u, 1024u, 4096u, 102400u}) {
        ExchangeOptions o;
        o.read_size = size;
        Exchange a = RunExchange(chunked.port(), o);
        EXPECT_TRUE(a.read_ok);
        EXPECT_TRUE(a.body == payload) << "chunked, reads of " << size;
        Exchange b = RunExchange(until_close.port(), o);
        EXPECT_TRUE(b.read_ok);
        EXPECT_TRUE(b.body == payload) << "until close, reads of " << size;
    }
}

TEST_F(RequestTest, LargeFastBodyArrivesWholeThroughSmallReads) {
    // Far more than the unread bytes kept before the transfer pauses.
    std::string payload(4 << 20, '\0');
    for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<char>((i * 2654435761u) >> 13);
    Server server([&](const ReceivedRequest&, Conn& c) { c.Send(Server::Reply(200, "OK", payload)); });
    for (DWORD size : {1000u, 4096u, 300000u}) {
        ExchangeOptions o;
        o.read_size = size;
        Exchange ex = RunExchange(server.port(), o);
        EXPECT_TRUE(ex.read_ok);
        EXPECT_EQ(ex.body.size(), payload.size()) << size;
        EXPECT_TRUE(ex.body == payload) << size;
    }
}

TEST_F(RequestTest, ReadFillsTheWholeBufferAndEndsWithZero) {
    Server server([](const ReceivedRequest&, Conn& c) {
        c.Send("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n01234");
        c.WaitStop(100);  // the rest comes later, in its own packet
        c.Send("56789");
    });
    HINTERNET root = InternetOpenA("a", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    HandleGuard g{root};
    HINTERNET conn = InternetConnectA(root, "127.0.0.1", server.port(), nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    HINTERNET req = HttpOpenRequestA(conn, "GET", "/", nullptr, nullptr, nullptr, 0, 0);
    ASSERT_TRUE(HttpSendRequestA(req, nullptr, 0, nullptr, 0));
    char buf[11] = {};
    DWORD got = 0;
    ASSERT_TRUE(InternetReadFile(req, buf, 11, &got));
    EXPECT_EQ(got, 10u);
    EXPECT_STREQ(buf, "0123456789");
    ASSERT_TRUE(InternetReadFile(req, buf, 11, &got));
    EXPECT_EQ(got, 0u);
    ASSERT_TRUE(InternetReadFile(req, buf, 11, &got));
    EXPECT_EQ(got, 0u);
}

TEST_F(RequestTest, HandlesAreCheckedByKindAndClosingARootClosesItsChildren) {
    Server server(ReplyOk);
    HINTERNET root = InternetOpenA("a", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    HINTERNET conn = InternetConnectA(root, "127.0.0.1", server.port(), nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    HINTERNET req = HttpOpenRequestA(conn, "GET", "/", nullptr, nullptr, nullptr, 0, 0);
    ASSERT_NE(req, 0u);
    // A handle of the wrong kind is refused.
    EXPECT_EQ(HttpOpenRequestA(root, "GET", "/", nullptr, nullptr, nullptr, 0, 0), 0u);
    EXPECT_EQ(platform::inet::LastInetError(), ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
    EXPECT_FALSE(HttpSendRequestA(conn, nullptr, 0, nullptr, 0));
    EXPECT_EQ(InternetConnectA(req, "h", 80, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0), 0u);
    // Reading or querying before sending is a state error, not a crash.
    DWORD got = 5;
    char buf[8];
    EXPECT_FALSE(InternetReadFile(req, buf, sizeof buf, &got));
    EXPECT_EQ(got, 0u);
    DWORD len = sizeof buf;
    EXPECT_FALSE(HttpQueryInfoA(req, HTTP_QUERY_RAW_HEADERS_CRLF, buf, &len, nullptr));
    EXPECT_EQ(platform::inet::LastInetError(), ERROR_INTERNET_INCORRECT_HANDLE_STATE);

    EXPECT_TRUE(InternetCloseHandle(root));
    EXPECT_FALSE(InternetCloseHandle(req));  // closed with its root
    EXPECT_FALSE(InternetCloseHandle(conn));
    EXPECT_FALSE(InternetCloseHandle(root));
    EXPECT_FALSE(InternetCloseHandle(0));
    EXPECT_EQ(platform::inet::LastInetError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(HttpSendRequestA(req, nullptr, 0, nullptr, 0));
}

TEST_F(RequestTest, BadArgumentsAreRefused) {
    HINTERNET root = InternetOpenA("a", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    HandleGuard g{root};
    EXPECT_EQ(InternetOpenA("a", 2, nullptr, nullptr, 0), 0u);
    EXPECT_EQ(InternetOpenA("a", INTERNET_OPEN_TYPE_PROXY, "", nullptr, 0), 0u);
    EXPECT_EQ(InternetOpenA("a", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, INTERNET_FLAG_ASYNC), 0u);
    EXPECT_EQ(InternetConnectA(root, "h", 65536, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0), 0u);
    EXPECT_EQ(InternetConnectA(root, "h", 80, nullptr, nullptr, INTERNET_SERVICE_FTP, 0, 0), 0u);
    for (const char* host : {"", "ho st", "h/x", "a\r\nb", "user@h"})
        EXPECT_EQ(InternetConnectA(root, host, 80, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0), 0u) << host;
    EXPECT_EQ(InternetConnectA(root, nullptr, 80, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0), 0u);
    HINTERNET conn = InternetConnectA(root, "127.0.0.1", 1, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    ASSERT_NE(conn, 0u);
    for (const char* verb : {"G T", "GET\r\nX: y", "G\x01"})
        EXPECT_EQ(HttpOpenRequestA(conn, verb, "/", nullptr, nullptr, nullptr, 0, 0), 0u) << verb;
    HINTERNET req = HttpOpenRequestA(conn, "GET", "/", nullptr, nullptr, nullptr, 0, 0);
    EXPECT_FALSE(HttpSendRequestA(req, nullptr, 0, nullptr, 5));
    EXPECT_EQ(platform::inet::LastInetError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);  // the kernel's error slot sees it too
    EXPECT_FALSE(InternetReadFile(req, nullptr, 5, nullptr));
}

}  // namespace
}  // namespace inettest
