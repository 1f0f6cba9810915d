// What WebAccess hands back: the body, the raw reply headers with
// "Set-Cookie" in one spelling, the received cookies and their merge with
// the sent ones, the 5000-byte header buffer, redirections.
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

// Replies with the given raw header lines and body.
LoopbackServer::Handler Fixed(std::string headerLines, std::string body) {
    return [=](const ReceivedRequest&, Conn& c) { c.Send(LoopbackServer::Reply(200, "OK", body, headerLines)); };
}

class WebAccessReplyTest : public AppTest {};

TEST_F(WebAccessReplyTest, ReplyHeadersAndCookiesAreParsedAndNormalised) {
    LoopbackServer server(Fixed("set-cookie: a=1; Path=/\r\n"
                                "SET-COOKIE:b=2\r\n"
                                "Set-Cookie: old=deleted; expires=Thu, 01 Jan 1970 00:00:00 GMT\r\n"
                                "Set-Cookie: a=1\r\n"
                                "X-Set-Cookie-Note: c=3; x\r\n",
                                "page"));
    Text received = Var("stale"), reply = Var("stale");
    Bytes body = WebAccess((server.Base() + "/").c_str(), {}, {}, {}, &received, nullptr, &reply);
    EXPECT_EQ(body.view(), "page");
    std::string block = Str(reply);
    EXPECT_TRUE(block.starts_with("HTTP/1.1 200 OK\r\n")) << block;
    EXPECT_TRUE(block.ends_with("\r\n\r\n")) << block;
    EXPECT_NE(block.find("\r\nSet-Cookie: a=1; Path=/\r\nSet-Cookie:b=2\r\n"), std::string::npos) << block;
    EXPECT_EQ(block.find("set-cookie"), std::string::npos);
    EXPECT_EQ(block.find("SET-COOKIE"), std::string::npos);
    // Every line holding "Set-Cookie" counts, as the routine has always done;
    // without merging, nothing is dropped or collapsed.
    EXPECT_EQ(Str(received), "a=1; b=2; old=deleted; a=1; ");

    // Merging (cookies given): deleted ones dropped, repeats collapsed, the
    // sent ones the reply did not set appended.
    received = Text();
    WebAccess((server.Base() + "/").c_str(), {}, {}, "keep=9; a=0", &received);
    EXPECT_EQ(Str(received), "a=1; b=2; keep=9");
}

TEST_F(WebAccessReplyTest, EmptyCookieTextStillMergesAndNoMergeKeepsTheRawList) {
    LoopbackServer server(Fixed("Set-Cookie: s=1; HttpOnly\r\nSet-Cookie: s=1\r\nSet-Cookie: gone=deleted\r\n", ""));
    std::string address = server.Base() + "/c";
    Text received;
    Bytes body = WebAccess(address.c_str(), {}, {}, "", &received);
    EXPECT_TRUE(body.empty());
    EXPECT_EQ(Str(received), "s=1");
    received = Text();
    WebAccess(address.c_str(), {}, {}, "", &received, nullptr, nullptr, {}, {}, {}, false);
    EXPECT_EQ(Str(received), "s=1; s=1; gone=deleted");
    // No cookies given: no merge either.
    received = Text();
    WebAccess(address.c_str(), {}, {}, {}, &received);
    EXPECT_EQ(Str(received), "s=1; s=1; gone=deleted");
}

TEST_F(WebAccessReplyTest, AReplyHeaderBlockOver5000BytesLeaves5000Blanks) {
    std::string big = "X-Big: " + std::string(5100, 'h') + "\r\nSet-Cookie: a=1\r\n";
    LoopbackServer server(Fixed(big, "body"));
    Text received = Var("old"), reply;
    Bytes body = WebAccess((server.Base() + "/").c_str(), {}, {}, {}, &received, nullptr, &reply);
    EXPECT_EQ(body.view(), "body");
    EXPECT_EQ(Str(reply), std::string(5000, ' '));
    EXPECT_EQ(Str(received), "");

    // A block of 4999 bytes still fits the buffer with its terminator.
    std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n";
    std::string filler = "X-F: ";
    size_t rest = 4999 - head.size() - 4;  // the filler line's CRLF and the closing empty line
    filler += std::string(rest - filler.size(), 'f');
    LoopbackServer exact([&](const ReceivedRequest&, Conn& c) { c.Send(head + filler + "\r\n\r\n"); });
    WebAccess((exact.Base() + "/").c_str(), {}, {}, {}, nullptr, nullptr, &reply);
    EXPECT_EQ(reply.view().size(), 4999u);
    EXPECT_TRUE(reply.view().ends_with("f\r\n\r\n"));
}

TEST_F(WebAccessReplyTest, RedirectionsFollowedUnlessNoRedirectIsGiven) {
    LoopbackServer server([](const ReceivedRequest& r, Conn& c) {
        if (r.request_line.find("/from") != std::string::npos)
            c.Send(LoopbackServer::Reply(302, "Found", "moved", "Location: /to\r\nSet-Cookie: hop=1\r\n"));
        else
            c.Send(LoopbackServer::Reply(200, "OK", "arrived"));
    });
    std::string address = server.Base() + "/from";
    Text reply;
    EXPECT_EQ(WebAccess(address.c_str(), {}, {}, {}, nullptr, nullptr, &reply).view(), "arrived");
    EXPECT_TRUE(reply.view().starts_with("HTTP/1.1 200")) << Str(reply);
    Text received;
    EXPECT_EQ(WebAccess(address.c_str(), {}, {}, {}, &received, nullptr, &reply, true).view(), "moved");
    EXPECT_TRUE(reply.view().starts_with("HTTP/1.1 302 Found\r\n")) << Str(reply);
    EXPECT_EQ(Str(received), "hop=1");
    EXPECT_EQ(server.Requests().back().request_line, "GET /from HTTP/1.1");
}

TEST_F(WebAccessReplyTest, BodiesOfEveryStatusAndLargeBodiesArriveWhole) {
    std::string large(3u << 20, '\0');
    for (size_t i = 0; i < large.size(); ++i) large[i] = static_cast<char>(i * 7 + (i >> 11));
    LoopbackServer server([&](const ReceivedRequest& r, Conn& c) {
        if (r.request_line.find("/missing") != std::string::npos)
            c.Send(LoopbackServer::Reply(404, "Not Found", "<html>gone</html>"));
        else if (r.request_line.find("/chunked") != std::string::npos)
            c.Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n"
                   "5\r\nhello\r\n6\r\n world\r\n0\r\n\r\n");
        else
            c.Send(LoopbackServer::Reply(200, "OK", large));
    });
    EXPECT_EQ(WebAccess((server.Base() + "/missing").c_str()).view(), "<html>gone</html>");
    EXPECT_EQ(WebAccess((server.Base() + "/chunked").c_str()).view(), "hello world");
    Bytes body = WebAccess((server.Base() + "/large").c_str());
    EXPECT_EQ(body.size(), large.size());
    EXPECT_TRUE(body.view() == large);
}

}  // namespace
}  // namespace apptest
