// What WebAccess sends: the request line, the completed header block (and
// that it is written back), the method names, the body, the agent, the
// connection flags' effects, for plain and secure loopback servers.
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

// Echoes "<request line>|<body>" back.
LoopbackServer::Handler Echo() {
    return [](const ReceivedRequest& r, Conn& c) {
        c.Send(LoopbackServer::Reply(200, "OK", r.request_line + "|" + r.body));
    };
}

// The header lines the client sent after the request line, in order.
std::vector<std::string> HeaderLines(const ReceivedRequest& r) {
    std::vector<std::string> lines;
    size_t pos = r.head.find("\r\n") + 2;
    for (size_t end; (end = r.head.find("\r\n", pos)) != std::string::npos && end > pos; pos = end + 2)
        lines.push_back(r.head.substr(pos, end - pos));
    return lines;
}

// True when `block` (CRLF-separated) appears as consecutive lines of the request.
bool SentInOrder(const ReceivedRequest& r, const std::string& block) {
    std::string joined;
    for (const std::string& l : HeaderLines(r)) joined += l + "\r\n";
    return joined.find(block + "\r\n") != std::string::npos;
}

class WebAccessRequestTest : public AppTest {};

TEST_F(WebAccessRequestTest, GetSendsTheRequestLineAndTheCompletedDefaultHeaders) {
    LoopbackServer server(Echo());
    std::string address = server.Base() + "/Some/Path?x=1&Y=2";
    Text headers;
    Bytes body = WebAccess(address.c_str(), {}, {}, {}, nullptr, &headers);
    EXPECT_EQ(body.view(), "GET /Some/Path?x=1&Y=2 HTTP/1.1|");

    std::string expected = "Accept: */*\r\nReferer: " + address + "\r\nAccept-Language: zh-cn";
    EXPECT_EQ(Str(headers), expected);  // written back to the caller
    ASSERT_EQ(server.RequestCount(), 1u);
    ReceivedRequest r = server.Requests()[0];
    EXPECT_EQ(r.request_line, "GET /Some/Path?x=1&Y=2 HTTP/1.1");
    EXPECT_TRUE(SentInOrder(r, expected)) << r.head;
    EXPECT_EQ(r.Header("User-Agent"), "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)");
    EXPECT_EQ(r.Header("Host"), "127.0.0.1:" + std::to_string(server.port()));
}

TEST_F(WebAccessRequestTest, PostAddsTheFormTypeAndCallerLinesAreKept) {
    LoopbackServer server(Echo());
    std::string address = server.Base() + "/form";
    Text headers = Var("Referer: http://ref.example/\r\nX-Mine: 1");
    Bytes body = WebAccess(address.c_str(), 1, "text=%61&ziti=7", {}, nullptr, &headers);
    EXPECT_EQ(body.view(), "POST /form HTTP/1.1|text=%61&ziti=7");
    std::string expected =
        "Referer: http://ref.example/\r\nX-Mine: 1\r\nAccept: */*\r\nAccept-Language: zh-cn\r\n"
        "Content-Type: application/x-www-form-urlencoded";
    EXPECT_EQ(Str(headers), expected);
    ReceivedRequest r = server.Requests().at(0);
    EXPECT_TRUE(SentInOrder(r, expected)) << r.head;
    EXPECT_EQ(r.Header("Content-Length"), "15");

    // Lines the caller wrote are never replaced; only missing ones are added.
    headers = Var("Accept: text/html\r\nAccept-Language: en\r\nContent-Type: text/plain");
    WebAccess(address.c_str(), 1, "b", {}, nullptr, &headers);
    EXPECT_EQ(Str(headers), "Accept: text/html\r\nAccept-Language: en\r\nContent-Type: text/plain\r\nReferer: " + address);
    r = server.Requests().at(1);
    EXPECT_EQ(r.Header("Accept"), "text/html");
    EXPECT_EQ(r.Header("Content-Type"), "text/plain");
}

TEST_F(WebAccessRequestTest, MethodNumbersAndOutOfRangeNumbers) {
    LoopbackServer server(Echo());
    std::string address = server.Base() + "/m";
    const char* names[] = {"GET", "POST", "HEAD", "PUT", "OPTIONS", "DELETE", "TRACE", "CONNECT"};
    for (int32_t m = 0; m < 8; ++m) {
        Text headers;
        WebAccess(address.c_str(), m, "", {}, nullptr, &headers);
        ASSERT_EQ(server.RequestCount(), static_cast<size_t>(m + 1));
        EXPECT_EQ(server.Requests().back().request_line, std::string(names[m]) + " /m HTTP/1.1");
        // The form type goes with POST only.
        EXPECT_EQ(Str(headers).find("Content-Type:") != std::string::npos, m == 1) << names[m];
    }
    for (int32_t m : {8, 9, -1, INT32_MIN}) {
        WebAccess(address.c_str(), m, "ignored");
        EXPECT_EQ(server.Requests().back().request_line, "GET /m HTTP/1.1") << m;
        EXPECT_EQ(server.Requests().back().body, "") << m;
    }
    EXPECT_EQ(server.Requests().back().Header("Content-Type"), "");
}

TEST_F(WebAccessRequestTest, BodyFromBytesWinsOverTextAndGetSendsNone) {
    LoopbackServer server(Echo());
    std::string address = server.Base() + "/b";
    std::string raw("a\0b\xff", 4);
    void* set = runtime::MakeByteSet(&runtime::NotifyRuntime, raw.data(), raw.size());
    Bytes owned(set);
    EXPECT_EQ(WebAccess(address.c_str(), 3, "text body", {}, nullptr, nullptr, nullptr, {}, set).view(),
              "PUT /b HTTP/1.1|" + raw);
    // An empty byte set leaves the text in charge.
    EXPECT_EQ(WebAccess(address.c_str(), 1, "text body", {}, nullptr, nullptr, nullptr, {}, nullptr).view(),
              "POST /b HTTP/1.1|text body");
    EXPECT_EQ(WebAccess(address.c_str(), 0, "text body", {}, nullptr, nullptr, nullptr, {}, set).view(),
              "GET /b HTTP/1.1|");
    // The body's bytes go out as they are, GBK included.
    std::string gbk = sigtest::Gbk(u8"签名");
    EXPECT_EQ(WebAccess(address.c_str(), 1, gbk.c_str()).view(), "POST /b HTTP/1.1|" + gbk);
}

TEST_F(WebAccessRequestTest, AgentFromTheCallersHeaders) {
    LoopbackServer server(Echo());
    std::string address = server.Base() + "/";
    Text headers = Var("X-A: 1\r\nUser-Agent:  Tool/2.0\r\nX-B: 2");
    WebAccess(address.c_str(), {}, {}, {}, nullptr, &headers);
    EXPECT_EQ(server.Requests().back().Header("User-Agent"), "Tool/2.0");
    // Named in another letter case: the cut is case-sensitive, so the agent is
    // what follows the block's first colon.
    headers = Var("user-agent: lower/1.0");
    WebAccess(address.c_str(), {}, {}, {}, nullptr, &headers);
    ReceivedRequest r = server.Requests().back();
    EXPECT_EQ(r.Header("User-Agent"), "lower/1.0");
    EXPECT_EQ(r.head.find("MSIE 9.0"), std::string::npos);
}

TEST_F(WebAccessRequestTest, AddressesWithCapitalSchemesPortsNoPathAndQueries) {
    LoopbackServer plain(Echo());
    LoopbackServer secure(Echo(), true);
    std::string port = std::to_string(plain.port());
    EXPECT_EQ(WebAccess(("HTTP://127.0.0.1:" + port).c_str()).view(), "GET / HTTP/1.1|");
    EXPECT_EQ(WebAccess(("hTTp://LOCALHOST:" + port + "/A/B.PNG?Q=Z").c_str()).view(), "GET /A/B.PNG?Q=Z HTTP/1.1|");
    EXPECT_EQ(plain.Requests().back().Header("Host"), "localhost:" + port);
    // No scheme at all: plain http.
    EXPECT_EQ(WebAccess(("127.0.0.1:" + port + "/n").c_str()).view(), "GET /n HTTP/1.1|");

    std::string sport = std::to_string(secure.port());
    EXPECT_EQ(WebAccess(("HTTPS://127.0.0.1:" + sport + "/Sec?a=1").c_str(), 1, "x").view(),
              "POST /Sec?a=1 HTTP/1.1|x");
    EXPECT_EQ(WebAccess(("https://localhost:" + sport).c_str()).view(), "GET / HTTP/1.1|");
    ASSERT_EQ(secure.RequestCount(), 2u);
    // An https address sent to a plain server does not fall back to plain text.
    EXPECT_TRUE(WebAccess(("https://127.0.0.1:" + port + "/").c_str()).empty());
}

TEST_F(WebAccessRequestTest, CookiesGivenSwitchTheSystemCookieStoreOff) {
    // The server sets a cookie on /set; /echo shows the Cookie line it got.
    LoopbackServer server([](const ReceivedRequest& r, Conn& c) {
        if (r.request_line.find("/set") != std::string::npos)
            c.Send(LoopbackServer::Reply(200, "OK", "set", "Set-Cookie: auto_store=1; Path=/\r\n"));
        else
            c.Send(LoopbackServer::Reply(200, "OK", "cookie=" + r.Header("Cookie")));
    });
    std::string base = server.Base();
    // Not given: the system stores and sends cookies by itself.
    WebAccess((base + "/set").c_str());
    EXPECT_THAT(std::string(WebAccess((base + "/echo").c_str()).view()), ::testing::HasSubstr("auto_store=1"));
    // Given, even empty: only what the caller gives is sent.
    EXPECT_EQ(WebAccess((base + "/echo").c_str(), {}, {}, "").view(), "cookie=");
    Text headers;
    EXPECT_EQ(WebAccess((base + "/echo").c_str(), {}, {}, "mine=2; b=3", nullptr, &headers).view(),
              "cookie=mine=2; b=3");
    EXPECT_TRUE(Str(headers).ends_with("\r\nCookie: mine=2; b=3")) << Str(headers);
    // A cookie text that already names the header is appended as a line of its own.
    headers = Text();
    EXPECT_EQ(WebAccess((base + "/echo").c_str(), {}, {}, "Cookie: k=v", nullptr, &headers).view(), "cookie=k=v");
    EXPECT_TRUE(Str(headers).ends_with("zh-cn\r\nCookie: k=v")) << Str(headers);
}

}  // namespace
}  // namespace apptest
