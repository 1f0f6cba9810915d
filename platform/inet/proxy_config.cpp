#include "platform/inet/proxy_config.h"

#include <vector>

#include "win/wininet.h"

namespace platform::inet {

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::vector<std::string_view> Tokens(std::string_view s) {
    std::vector<std::string_view> out;
    size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && (s[i] == ' ' || s[i] == ';' || s[i] == '\t' || s[i] == ',')) ++i;
        size_t start = i;
        while (i < s.size() && !(s[i] == ' ' || s[i] == ';' || s[i] == '\t' || s[i] == ',')) ++i;
        if (i > start) out.push_back(s.substr(start, i - start));
    }
    return out;
}

bool GlobMatch(std::string_view pat, std::string_view text) {
    // Iterative match with one backtrack point: linear enough for host names.
    size_t p = 0, t = 0, star = std::string_view::npos, mark = 0;
    while (t < text.size()) {
        if (p < pat.size() && pat[p] == '*') {
            star = p++;
            mark = t;
        } else if (p < pat.size() && Lower(pat[p]) == Lower(text[t])) {
            ++p;
            ++t;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            t = ++mark;
        } else {
            return false;
        }
    }
    while (p < pat.size() && pat[p] == '*') ++p;
    return p == pat.size();
}

bool StartsWithIgnoreCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (Lower(s[i]) != Lower(prefix[i])) return false;
    return true;
}

}  // namespace

bool IsLoopbackHost(std::string_view host) {
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    if (host == "::1" || GlobMatch("localhost", host) || GlobMatch("*.localhost", host)) return true;
    return host.starts_with("127.") && host.find_first_not_of("0123456789.") == std::string_view::npos;
}

bool HostBypassed(std::string_view bypass, std::string_view host) {
    for (std::string_view entry : Tokens(bypass)) {
        if (entry == "<local>") {
            if (host.find('.') == std::string_view::npos && host.find(':') == std::string_view::npos) return true;
        } else if (entry != "<-loopback>" && GlobMatch(entry, host)) {
            return true;
        }
    }
    return false;
}

std::optional<std::string> ProxyForRequest(const ProxyConfig& config, bool secure, std::string_view host) {
    bool loopback_via_proxy = config.bypass.find("<-loopback>") != std::string::npos;
    if (IsLoopbackHost(host) && !loopback_via_proxy) return std::string();
    if (config.access_type == INTERNET_OPEN_TYPE_DIRECT) return std::string();
    if (config.access_type != INTERNET_OPEN_TYPE_PROXY) return std::nullopt;  // the environment decides
    if (HostBypassed(config.bypass, host)) return std::string();

    std::string_view wanted = secure ? "https=" : "http=";
    std::string_view chosen, generic;
    for (std::string_view entry : Tokens(config.list)) {
        size_t eq = entry.find('=');
        if (eq == std::string_view::npos) {
            if (generic.empty()) generic = entry;
        } else if (StartsWithIgnoreCase(entry, wanted) && chosen.empty()) {
            chosen = entry.substr(eq + 1);
        }
    }
    if (chosen.empty()) chosen = generic;
    if (chosen.empty()) return std::string();
    // "http://host:port" written out in the entry is taken as it stands.
    if (StartsWithIgnoreCase(chosen, "http://")) chosen.remove_prefix(7);
    return "http://" + std::string(chosen);
}

}  // namespace platform::inet
