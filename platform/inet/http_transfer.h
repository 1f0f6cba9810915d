// One HTTP exchange on libcurl, driven by the caller: sending waits for the
// reply's header block, and the body is pulled from the socket only as the
// caller reads it. Memory stays bounded by what one libcurl step delivers,
// whatever the body's size.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/inet/inet_limits.h"

typedef void CURL;
typedef void CURLM;
struct curl_slist;

namespace platform::inet {

struct RequestSpec {
    std::string url;                 // scheme://host:port/path?query, already wire-encoded
    std::string method = "GET";
    bool http10 = false;
    std::string user_agent;          // empty: none sent
    std::vector<std::string> header_lines;  // sent in this order after Host and User-Agent
    bool has_body = false;           // a body (possibly empty) goes out with Content-Length
    std::string body;
    bool cookies = true;             // the process's cookie store sends and stores cookies
    bool follow_redirects = true;
    bool allow_redirect_to_https = false;  // from an http address
    bool allow_redirect_to_http = false;   // from an https address
    std::optional<std::string> proxy;      // see ProxyForRequest
    std::string user, password;            // server credentials, sent only when set
    std::string proxy_user, proxy_password;
    InetLimits limits;
};

class HttpTransfer {
public:
    HttpTransfer() = default;
    ~HttpTransfer();
    HttpTransfer(const HttpTransfer&) = delete;
    HttpTransfer& operator=(const HttpTransfer&) = delete;

    // Sends the request and waits for the final reply's header block,
    // following redirections the request allows. False, with *error set to a
    // WinINet code, when no reply arrived.
    bool Send(const RequestSpec& request, uint32_t* error);

    // Copies up to n body bytes, filling the buffer unless the body ends.
    // At the end: true with *got 0. A transfer that breaks off hands out
    // the bytes received first, then false with *got 0 and *error set.
    bool Read(char* buf, size_t n, size_t* got, uint32_t* error);

    bool HasReply() const { return headers_done_; }
    // Status line and header lines as received, each ending in CRLF, then an empty line.
    const std::string& HeaderBlock() const { return block_; }
    int Status() const { return status_; }

private:
    enum class Abort { None, HeaderLimit, BodyLimit, Stalled };

    bool StartHop(const RequestSpec& request, uint32_t* error);
    void Cleanup();
    template <typename Pred>
    void Pump(Pred done);
    uint32_t FailureCode() const;
    static size_t HeaderCallback(char* p, size_t size, size_t n, void* self);
    static size_t WriteCallback(char* p, size_t size, size_t n, void* self);
    static int ProgressCallback(void* self, int64_t, int64_t dlnow, int64_t, int64_t ulnow);
    size_t OnHeader(std::string_view line);
    size_t OnBody(const char* p, size_t n);

    CURL* easy_ = nullptr;
    CURLM* multi_ = nullptr;
    curl_slist* headers_ = nullptr;
    std::string body_copy_;

    std::string block_;
    int status_ = 0;
    bool in_block_ = false;
    bool headers_done_ = false;
    uint64_t header_bytes_ = 0;
    uint64_t body_bytes_ = 0;
    uint64_t max_header_bytes_ = 0;
    uint64_t max_body_bytes_ = 0;
    Abort abort_ = Abort::None;
    long stall_ms_ = 0;
    uint64_t last_moved_ = 0;
    bool connected_ = false;  // the stall clock runs only once connected
    bool secure_ = false;
    std::chrono::steady_clock::time_point last_progress_;

    std::vector<char> buf_;
    size_t buf_pos_ = 0;
    bool paused_ = false;
    bool finished_ = false;
    int result_ = 0;  // CURLcode
};

// Parses "HTTP/1.1 200 OK": the status code, or 0 when the line is not a status line.
int ParseStatusLine(std::string_view line);

}  // namespace platform::inet
