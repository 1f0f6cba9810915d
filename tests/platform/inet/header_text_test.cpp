// Header lines going out and the reply block coming back.
#include <gtest/gtest.h>

#include "platform/inet/header_text.h"
#include "platform/inet/http_transfer.h"
#include "win/wininet.h"

namespace {

using namespace platform::inet;

TEST(HeaderText, SplitsCallerLinesAndDropsWhatCannotBeAHeader) {
    auto lines = SplitHeaderLines("Accept: */*\r\nReferer: http://h/\r\n\r\nno colon\r\n folded\r\n: empty name\r\n"
                                  "Bad Name: x\r\nX-A:1\nX-B: 2\rX-C: 3");
    std::vector<std::string> want = {"Accept: */*", "Referer: http://h/", "X-A:1", "X-B: 2", "X-C: 3"};
    EXPECT_EQ(lines, want);
    EXPECT_TRUE(SplitHeaderLines("").empty());
    EXPECT_TRUE(SplitHeaderLines("\r\n\r\n").empty());
}

TEST(HeaderText, FindsValuesByNameIgnoringCaseAndByIndex) {
    std::string block =
        "HTTP/1.1 404 Not Found\r\nSet-Cookie: a=1\r\ncontent-length:  12 \r\nSET-COOKIE: b=2\r\n\r\n";
    EXPECT_EQ(FindHeaderValue(block, "Content-Length", 0), "12");
    EXPECT_EQ(FindHeaderValue(block, "set-cookie", 0), "a=1");
    EXPECT_EQ(FindHeaderValue(block, "Set-Cookie", 1), "b=2");
    EXPECT_EQ(FindHeaderValue(block, "Set-Cookie", 2), std::nullopt);
    EXPECT_EQ(FindHeaderValue(block, "HTTP/1.1 404 Not Found", 0), std::nullopt);
    EXPECT_EQ(StatusVersion(block), "HTTP/1.1");
    EXPECT_EQ(StatusCodeText(block), "404");
    EXPECT_EQ(StatusReason(block), "Not Found");
    EXPECT_EQ(StatusReason("HTTP/1.1 200\r\n\r\n"), "");
}

TEST(HeaderText, QueryLevelsNameTheirHeaders) {
    EXPECT_EQ(NameOfQueryLevel(HTTP_QUERY_CONTENT_TYPE), "Content-Type");
    EXPECT_EQ(NameOfQueryLevel(HTTP_QUERY_CONTENT_LENGTH), "Content-Length");
    EXPECT_EQ(NameOfQueryLevel(HTTP_QUERY_SET_COOKIE), "Set-Cookie");
    EXPECT_EQ(NameOfQueryLevel(HTTP_QUERY_RAW_HEADERS_CRLF), "");
    EXPECT_EQ(NameOfQueryLevel(HTTP_QUERY_CUSTOM), "");
}

TEST(HeaderText, StatusLines) {
    EXPECT_EQ(ParseStatusLine("HTTP/1.1 200 OK"), 200);
    EXPECT_EQ(ParseStatusLine("HTTP/1.0 404"), 404);
    EXPECT_EQ(ParseStatusLine("HTTP/1.1 2x0 OK"), 0);
    EXPECT_EQ(ParseStatusLine("Server: x"), 0);
    EXPECT_EQ(ParseStatusLine("HTTP/1.1"), 0);
}

}  // namespace
