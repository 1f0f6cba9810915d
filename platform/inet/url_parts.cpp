#include "platform/inet/url_parts.h"

#include <array>

#include "win/wininet.h"

namespace platform::inet {

namespace {

struct SchemeName {
    std::string_view name;
    int32_t id;
};

constexpr std::array<SchemeName, 11> kSchemes = {{
    {"ftp", INTERNET_SCHEME_FTP},
    {"gopher", INTERNET_SCHEME_GOPHER},
    {"http", INTERNET_SCHEME_HTTP},
    {"https", INTERNET_SCHEME_HTTPS},
    {"file", INTERNET_SCHEME_FILE},
    {"news", INTERNET_SCHEME_NEWS},
    {"mailto", INTERNET_SCHEME_MAILTO},
    {"socks", INTERNET_SCHEME_SOCKS},
    {"javascript", INTERNET_SCHEME_JAVASCRIPT},
    {"vbscript", INTERNET_SCHEME_VBSCRIPT},
    {"res", INTERNET_SCHEME_RES},
}};

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Schemes whose addresses must name a host.
bool NeedsHost(int32_t id) {
    return id == INTERNET_SCHEME_HTTP || id == INTERNET_SCHEME_HTTPS || id == INTERNET_SCHEME_FTP ||
           id == INTERNET_SCHEME_GOPHER;
}

bool BadHostByte(unsigned char c) { return c <= 0x20 || c == 0x7F; }

}  // namespace

uint16_t DefaultPortOf(int32_t scheme_id) {
    switch (scheme_id) {
        case INTERNET_SCHEME_FTP: return INTERNET_DEFAULT_FTP_PORT;
        case INTERNET_SCHEME_GOPHER: return 70;
        case INTERNET_SCHEME_HTTP: return INTERNET_DEFAULT_HTTP_PORT;
        case INTERNET_SCHEME_HTTPS: return INTERNET_DEFAULT_HTTPS_PORT;
        case INTERNET_SCHEME_SOCKS: return 1080;
        default: return 0;
    }
}

UrlError SplitUrl(std::string_view url, UrlParts& out) {
    out = UrlParts{};
    // Scheme: a letter, then letters, digits, '+', '-', '.', up to ':'.
    size_t i = 0;
    if (url.empty() || !IsAlpha(url[0])) return UrlError::UnrecognizedScheme;
    while (i < url.size() && (IsAlpha(url[i]) || IsDigit(url[i]) || url[i] == '+' || url[i] == '-' || url[i] == '.'))
        ++i;
    if (i >= url.size() || url[i] != ':') return UrlError::UnrecognizedScheme;
    out.scheme = {0, i};
    std::string_view scheme = url.substr(0, i);
    for (const SchemeName& s : kSchemes)
        if (EqualsIgnoreCase(scheme, s.name)) out.scheme_id = s.id;
    if (out.scheme_id < 0) return UrlError::UnrecognizedScheme;
    ++i;  // the colon

    size_t rest = i;
    bool has_authority = url.substr(rest).starts_with("//");
    if (has_authority) {
        size_t a = rest + 2;
        size_t a_end = url.find_first_of("/?#", a);
        if (a_end == std::string_view::npos) a_end = url.size();
        std::string_view authority = url.substr(a, a_end - a);
        size_t host_start = a;
        // The last '@' ends the user information, so a '@' inside a password still works.
        size_t at = authority.rfind('@');
        if (at != std::string_view::npos) {
            std::string_view userinfo = authority.substr(0, at);
            size_t colon = userinfo.find(':');
            if (colon == std::string_view::npos) {
                out.user = {a, userinfo.size()};
            } else {
                out.user = {a, colon};
                out.password = {a + colon + 1, userinfo.size() - colon - 1};
            }
            host_start = a + at + 1;
        }
        std::string_view hostport = url.substr(host_start, a_end - host_start);
        size_t port_colon = std::string_view::npos;
        if (!hostport.empty() && hostport[0] == '[') {
            size_t close = hostport.find(']');
            if (close == std::string_view::npos) return UrlError::Invalid;
            out.host = {host_start + 1, close - 1};
            if (close + 1 < hostport.size()) {
                if (hostport[close + 1] != ':') return UrlError::Invalid;
                port_colon = close + 1;
            }
        } else {
            port_colon = hostport.rfind(':');
            out.host = {host_start, port_colon == std::string_view::npos ? hostport.size() : port_colon};
        }
        for (size_t k = 0; k < out.host.len; ++k)
            if (BadHostByte(static_cast<unsigned char>(url[out.host.pos + k]))) return UrlError::Invalid;
        if (out.host.len == 0 && NeedsHost(out.scheme_id)) return UrlError::Invalid;
        out.port = DefaultPortOf(out.scheme_id);
        if (port_colon != std::string_view::npos) {
            std::string_view digits = hostport.substr(port_colon + 1);
            if (!digits.empty()) {
                if (digits.size() > 5) return UrlError::Invalid;
                uint32_t v = 0;
                for (char c : digits) {
                    if (!IsDigit(c)) return UrlError::Invalid;
                    v = v * 10 + static_cast<uint32_t>(c - '0');
                }
                if (v == 0 || v > 65535) return UrlError::Invalid;
                out.port = static_cast<uint16_t>(v);
                out.explicit_port = true;
            }
        }
        rest = a_end;
    } else if (NeedsHost(out.scheme_id)) {
        return UrlError::Invalid;
    }

    size_t path_end = url.find_first_of("?#", rest);
    if (path_end == std::string_view::npos) path_end = url.size();
    out.path = {rest, path_end - rest};
    out.extra = {path_end, url.size() - path_end};
    return UrlError::None;
}

std::string PercentDecode(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size()) {
            int hi = HexValue(s[i + 1]);
            int lo = HexValue(s[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out.push_back(static_cast<char>(hi * 16 + lo));
                i += 2;
                continue;
            }
        }
        out.push_back(s[i]);
    }
    return out;
}

std::string EncodeForWire(std::string_view s) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(s.size());
    for (char ch : s) {
        auto c = static_cast<unsigned char>(ch);
        if (c <= 0x20 || c >= 0x7F) {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 15]);
        } else {
            out.push_back(ch);
        }
    }
    return out;
}

}  // namespace platform::inet
