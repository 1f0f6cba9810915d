// Helpers shared by the internet tests: one whole exchange through the
// WinINet subset, and short limits so failure cases end in about a second.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/inet/inet_limits.h"
#include "win/wininet.h"

namespace inettest {

struct Exchange {
    BOOL sent = FALSE;
    DWORD send_error = 0;
    std::string body;
    BOOL read_ok = TRUE;      // result of the read that ended the loop
    DWORD read_error = 0;
    std::string headers;      // HTTP_QUERY_RAW_HEADERS_CRLF, empty when the query failed
};

struct ExchangeOptions {
    std::string verb = "GET";
    std::string path = "/";
    std::string version = "HTTP/1.1";
    DWORD flags = INTERNET_FLAG_RELOAD;
    std::string headers;
    std::string body;
    bool send_body = false;
    DWORD read_size = 1024;
    std::string agent = "test-agent/1.0";
    DWORD access = INTERNET_OPEN_TYPE_DIRECT;
    std::string proxy;
    std::string host = "127.0.0.1";
};

// Opens a root, a connection and a request, sends, reads the whole body and
// the raw header block, and closes all three handles.
Exchange RunExchange(uint16_t port, const ExchangeOptions& o);

// Closes a handle at the end of a scope.
struct HandleGuard {
    HINTERNET h;
    ~HandleGuard() {
        if (h) InternetCloseHandle(h);
    }
};

// Test fixture base: short limits for the duration of each test.
class InetTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

}  // namespace inettest
