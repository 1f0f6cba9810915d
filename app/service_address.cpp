#include "app/service_address.h"

#include <cstdlib>
#include <string>

namespace app {
namespace {

// Longer addresses are nobody's service; they only make every request large.
constexpr size_t kMaxAddressLength = 2048;

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        char c = s[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i]) return false;
    }
    return true;
}

bool HostChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_';
}

}  // namespace

bool IsUsableServiceAddress(std::string_view address) {
    if (address.empty() || address.size() > kMaxAddressLength) return false;
    for (char c : address) {
        auto u = static_cast<unsigned char>(c);
        // Blanks, control bytes and non-ASCII would travel into the request
        // line; "?" and "#" would swallow the picture path appended later;
        // "@" (a user name) is not split off by the address helpers.
        if (u <= 0x20 || u >= 0x7F || c == '?' || c == '#' || c == '@' || c == '\\') return false;
    }
    size_t schemeLength;
    if (StartsWithNoCase(address, "http://")) {
        schemeLength = 7;
    } else if (StartsWithNoCase(address, "https://")) {
        schemeLength = 8;
    } else {
        return false;
    }
    std::string_view rest = address.substr(schemeLength);
    std::string_view authority = rest.substr(0, rest.find('/'));
    size_t colon = authority.find(':');
    std::string_view host = authority.substr(0, colon);
    if (host.empty()) return false;
    for (char c : host)
        if (!HostChar(c)) return false;
    if (colon != std::string_view::npos) {
        std::string_view port = authority.substr(colon + 1);
        if (port.empty() || port.size() > 5) return false;
        unsigned value = 0;
        for (char c : port) {
            if (c < '0' || c > '9') return false;
            value = value * 10 + static_cast<unsigned>(c - '0');
        }
        if (value == 0 || value > 65535) return false;
    }
    return true;
}

Text ServiceBaseAddress() {
    // The service's address is a setting of the installation, not of the
    // program data; the environment is where it can be changed without a build.
    const char* configured = std::getenv(kServiceAddressVariable);
    std::string_view address = configured ? std::string_view(configured) : std::string_view();
    // Anything that is not a plain http(s) base address (a typo, a bare host
    // name, a query) falls back to the local default rather than sending the
    // user's text somewhere unintended or building broken picture addresses.
    if (!IsUsableServiceAddress(address)) return Text::Copy(kDefaultServiceAddress);
    if (address.back() == '/') return Text::Copy(address);
    return Text::Join({address, "/"});
}

}  // namespace app
