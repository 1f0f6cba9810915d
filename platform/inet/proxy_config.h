// Proxy settings of a root handle and the choice of proxy for one request.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform::inet {

struct ProxyConfig {
    uint32_t access_type = 1;  // INTERNET_OPEN_TYPE_*
    std::string list;          // "host:port", "http=host:port https=host:port", ...
    std::string bypass;        // "<local>;*.example;..."
};

// What libcurl is told for one request: nullopt = leave the choice to the
// environment's proxy variables (the system setting); "" = no proxy;
// otherwise "http://host:port".
//
// Entries of the list are separated by blanks or ';'. "scheme=host:port"
// serves that scheme only; a bare "host:port" serves every scheme. Loopback
// hosts never go through a proxy unless the bypass list holds "<-loopback>",
// the behaviour the system's own settings have.
std::optional<std::string> ProxyForRequest(const ProxyConfig& config, bool secure, std::string_view host);

bool IsLoopbackHost(std::string_view host);

// True when host matches one bypass entry ('*' matches any run of bytes,
// letter case ignored; "<local>" matches names without a dot).
bool HostBypassed(std::string_view bypass, std::string_view host);

}  // namespace platform::inet
