#include "platform/inet/header_text.h"

#include <array>

#include "win/wininet.h"

namespace platform::inet {

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// Reply header names by HttpQueryInfoA level; empty where the level is not a
// plain header (status parts, raw blocks, request-only values).
constexpr std::array<std::string_view, HTTP_QUERY_TRANSFER_ENCODING + 1> kLevelNames = {
    "Mime-Version", "Content-Type", "Content-Transfer-Encoding", "Content-ID", "Content-Description",
    "Content-Length", "Content-Language", "Allow", "Public", "Date",
    "Expires", "Last-Modified", "Message-ID", "URI", "Derived-From",
    "Cost", "Link", "Pragma", "", "",
    "", "", "", "Connection", "Accept",
    "Accept-Charset", "Accept-Encoding", "Accept-Language", "Authorization", "Content-Encoding",
    "Forwarded", "From", "If-Modified-Since", "Location", "Orig-URI",
    "Referer", "Retry-After", "Server", "Title", "User-Agent",
    "WWW-Authenticate", "Proxy-Authenticate", "Accept-Ranges", "Set-Cookie", "Cookie",
    "", "Refresh", "Content-Disposition", "Age", "Cache-Control",
    "Content-Base", "Content-Location", "Content-MD5", "Content-Range", "ETag",
    "Host", "", "", "", "",
    "", "", "", "Transfer-Encoding",
};
static_assert(kLevelNames[HTTP_QUERY_CONTENT_LENGTH] == "Content-Length");
static_assert(kLevelNames[HTTP_QUERY_LOCATION] == "Location");
static_assert(kLevelNames[HTTP_QUERY_SET_COOKIE] == "Set-Cookie");
static_assert(kLevelNames[HTTP_QUERY_ETAG] == "ETag");
static_assert(kLevelNames[HTTP_QUERY_HOST] == "Host");

std::string_view FirstLine(std::string_view block) {
    size_t end = block.find("\r\n");
    return end == std::string_view::npos ? block : block.substr(0, end);
}

}  // namespace

std::vector<std::string> SplitHeaderLines(std::string_view text) {
    std::vector<std::string> out;
    size_t i = 0;
    while (i <= text.size()) {
        size_t end = text.find_first_of("\r\n", i);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(i, end - i);
        i = end + 1;
        if (line.empty() || line.front() == ' ' || line.front() == '\t') continue;
        if (HeaderName(line).empty()) continue;
        out.emplace_back(line);
    }
    return out;
}

std::string_view HeaderName(std::string_view line) {
    size_t colon = line.find(':');
    if (colon == std::string_view::npos) return {};
    std::string_view name = line.substr(0, colon);
    // A name holds no blanks or NULs; "Bad Name: x" is not a header line.
    for (char c : name)
        if (c == ' ' || c == '\t' || c == '\0') return {};
    return name;
}

bool SameHeaderName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

std::string_view NameOfQueryLevel(uint32_t level) {
    return level < kLevelNames.size() ? kLevelNames[level] : std::string_view();
}

std::optional<std::string> FindHeaderValue(std::string_view block, std::string_view name, uint32_t index) {
    size_t pos = block.find("\r\n");  // skip the status line
    uint32_t seen = 0;
    while (pos != std::string_view::npos && pos + 2 < block.size()) {
        pos += 2;
        size_t end = block.find("\r\n", pos);
        if (end == std::string_view::npos) end = block.size();
        std::string_view line = block.substr(pos, end - pos);
        size_t colon = line.find(':');
        if (colon != std::string_view::npos && SameHeaderName(Trim(line.substr(0, colon)), name)) {
            if (seen == index) return std::string(Trim(line.substr(colon + 1)));
            ++seen;
        }
        pos = end;
    }
    return std::nullopt;
}

std::string StatusVersion(std::string_view block) {
    std::string_view line = FirstLine(block);
    return std::string(line.substr(0, line.find(' ')));
}

std::string StatusCodeText(std::string_view block) {
    std::string_view line = FirstLine(block);
    size_t sp = line.find(' ');
    if (sp == std::string_view::npos) return {};
    std::string_view rest = line.substr(sp + 1);
    return std::string(rest.substr(0, rest.find(' ')));
}

std::string StatusReason(std::string_view block) {
    std::string_view line = FirstLine(block);
    size_t sp = line.find(' ');
    if (sp == std::string_view::npos) return {};
    size_t sp2 = line.find(' ', sp + 1);
    if (sp2 == std::string_view::npos) return {};
    return std::string(line.substr(sp2 + 1));
}

}  // namespace platform::inet
