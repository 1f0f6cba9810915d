// Splitting an address into its parts the way InternetCrackUrlA reports them,
// and preparing a path for the wire. Pure functions over bytes, no I/O.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform::inet {

// A part of an address as an offset and a length into it.
struct UrlSpan {
    size_t pos = 0;
    size_t len = 0;
};

struct UrlParts {
    UrlSpan scheme;
    int32_t scheme_id = -1;  // INTERNET_SCHEME_*
    UrlSpan user;
    UrlSpan password;
    UrlSpan host;            // without the brackets of an IPv6 literal
    uint16_t port = 0;       // the address's port, or the scheme's default
    bool explicit_port = false;
    UrlSpan path;            // from the first '/' after the host up to '?' or '#'
    UrlSpan extra;           // '?query' and/or '#fragment'
};

enum class UrlError {
    None,
    UnrecognizedScheme,  // no scheme, or one this subset does not know
    Invalid,             // empty host, bad port, blanks or control bytes in the host
};

// Schemes are matched ignoring letter case ("HTTP://" is http). Ports must be
// 1..65535 written in decimal; an empty port after ':' means the default.
UrlError SplitUrl(std::string_view url, UrlParts& out);

// Default port of a scheme (INTERNET_SCHEME_*), 0 when it has none.
uint16_t DefaultPortOf(int32_t scheme_id);

// %XX sequences to bytes; a '%' not followed by two hex digits stays as is.
std::string PercentDecode(std::string_view s);

// Bytes libcurl would refuse or that a server could misread -- blanks,
// control bytes and every byte above 0x7E (GBK text) -- become %XX; all
// other bytes, '%' included, go out as the caller wrote them.
std::string EncodeForWire(std::string_view s);

}  // namespace platform::inet
