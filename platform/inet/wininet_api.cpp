// The exported WinINet subset: handle bookkeeping and argument rules here,
// the HTTP exchange itself in HttpTransfer.
#include <cstring>
#include <string>
#include <string_view>

#include "platform/inet/header_text.h"
#include "platform/inet/inet_limits.h"
#include "platform/inet/inet_objects.h"
#include "platform/inet/url_parts.h"
#include "platform/kernel/codepage.h"
#include "win/wininet.h"

namespace platform::inet {

HandleTable<InetObject>& InetHandles() {
    static HandleTable<InetObject>* table = new HandleTable<InetObject>(HandleKind::Internet);
    return *table;
}

void InetOptions::InheritFrom(const InetOptions& parent) {
    if (!user) user = parent.user;
    if (!password) password = parent.password;
    if (!proxy_user) proxy_user = parent.proxy_user;
    if (!proxy_password) proxy_password = parent.proxy_password;
    if (!connect_timeout_ms) connect_timeout_ms = parent.connect_timeout_ms;
    if (!receive_timeout_ms) receive_timeout_ms = parent.receive_timeout_ms;
}

namespace {

// A proxy set with InternetSetOptionA on no handle: the process's own
// "system setting", used by roots opened with the preconfigured access type.
std::mutex g_global_proxy_mu;
std::optional<ProxyConfig> g_global_proxy;

template <typename T>
std::shared_ptr<T> Lookup(HINTERNET h, InetKind kind) {
    std::shared_ptr<InetObject> obj = InetHandles().Get(h);
    if (!obj) {
        SetInetError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (obj->kind != kind) {
        SetInetError(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
        return nullptr;
    }
    return std::static_pointer_cast<T>(obj);
}

std::string Text(LPCSTR s) { return s ? std::string(s) : std::string(); }

ProxyConfig EffectiveProxy(const ProxyConfig& p) {
    if (p.access_type == INTERNET_OPEN_TYPE_PRECONFIG || p.access_type == INTERNET_OPEN_TYPE_PRECONFIG_WITH_NO_AUTOPROXY) {
        std::lock_guard<std::mutex> lock(g_global_proxy_mu);
        if (g_global_proxy) return *g_global_proxy;
    }
    return p;
}

bool ValidVerb(std::string_view v) {
    if (v.empty() || v.size() > 64) return false;
    for (char c : v) {
        bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                  std::strchr("!#$%&'*+-.^_`|~", c) != nullptr;
        if (!ok || c == '\0') return false;
    }
    return true;
}

bool ValidHost(std::string_view h) {
    if (h.empty() || h.size() > 255) return false;
    for (char ch : h) {
        auto c = static_cast<unsigned char>(ch);
        if (c <= 0x20 || c == 0x7F || ch == '/' || ch == '?' || ch == '#' || ch == '@' || ch == '\\') return false;
    }
    return true;
}

// Accept types arrive as a NULL-terminated array; a runaway array is cut.
constexpr int kMaxAcceptTypes = 64;

// An accept type is a media range; a caller that wrote "Accept: */* \r\n" as
// one entry meant the range only.
std::string CleanAcceptType(std::string_view t) {
    std::string s;
    for (char c : t)
        if (c != '\r' && c != '\n') s.push_back(c);
    std::string_view v = s;
    while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
    if (v.size() >= 7 && SameHeaderName(v.substr(0, 7), "Accept:")) v.remove_prefix(7);
    while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
    while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.remove_suffix(1);
    return std::string(v);
}

bool CopyOut(std::string_view value, LPVOID buffer, LPDWORD length) {
    if (value.size() + 1 > 0xFFFFFFFFu) {
        SetInetError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    DWORD need = static_cast<DWORD>(value.size() + 1);
    if (!buffer || *length < need) {
        *length = need;
        SetInetError(ERROR_INSUFFICIENT_BUFFER);
        return false;
    }
    std::memcpy(buffer, value.data(), value.size());
    static_cast<char*>(buffer)[value.size()] = '\0';
    *length = need - 1;
    return true;
}

void CloseTree(HINTERNET h) {
    std::shared_ptr<InetObject> obj = InetHandles().Remove(h);
    if (!obj) return;
    std::vector<HINTERNET> kids;
    {
        std::lock_guard<std::mutex> lock(obj->mu);
        kids.swap(obj->children);
    }
    for (HINTERNET k : kids) CloseTree(k);
}

HINTERNET AddChild(const std::shared_ptr<InetObject>& parent, std::shared_ptr<InetObject> child) {
    HINTERNET h = InetHandles().Add(std::move(child));
    if (!h) {
        SetInetError(ERROR_INTERNET_OUT_OF_HANDLES);
        return 0;
    }
    std::lock_guard<std::mutex> lock(parent->mu);
    // Forget children closed earlier so the list does not grow without end.
    std::erase_if(parent->children, [](HINTERNET k) { return !InetHandles().Valid(k); });
    parent->children.push_back(h);
    return h;
}

// Writes one part of an address for InternetCrackUrlA.
bool CrackPart(LPCSTR url, UrlSpan span, bool decode, LPSTR* ptr, DWORD* len, bool* short_buffer) {
    if (!*ptr && *len == 0) return true;  // not wanted
    if (!*ptr) {
        *ptr = const_cast<LPSTR>(url + span.pos);
        *len = static_cast<DWORD>(span.len);
        return true;
    }
    std::string value(url + span.pos, span.len);
    if (decode) value = PercentDecode(value);
    if (*len < value.size() + 1) {
        *len = static_cast<DWORD>(value.size() + 1);
        *short_buffer = true;
        return false;
    }
    std::memcpy(*ptr, value.data(), value.size());
    (*ptr)[value.size()] = '\0';
    *len = static_cast<DWORD>(value.size());
    return true;
}

}  // namespace

}  // namespace platform::inet

using namespace platform::inet;

WINEXPORT HINTERNET InternetOpenA(LPCSTR lpszAgent, DWORD dwAccessType, LPCSTR lpszProxy, LPCSTR lpszProxyBypass,
                                  DWORD dwFlags) {
    if (dwFlags & INTERNET_FLAG_ASYNC) {  // only synchronous use is carried
        SetInetError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto s = std::make_shared<Session>();
    s->agent = Text(lpszAgent);
    switch (dwAccessType) {
        case INTERNET_OPEN_TYPE_PRECONFIG:
        case INTERNET_OPEN_TYPE_PRECONFIG_WITH_NO_AUTOPROXY:
        case INTERNET_OPEN_TYPE_DIRECT: break;
        case INTERNET_OPEN_TYPE_PROXY:
            if (Text(lpszProxy).find_first_not_of(" ;") == std::string::npos) {
                SetInetError(ERROR_INVALID_PARAMETER);
                return 0;
            }
            s->proxy.list = Text(lpszProxy);
            s->proxy.bypass = Text(lpszProxyBypass);
            break;
        default: SetInetError(ERROR_INVALID_PARAMETER); return 0;
    }
    s->proxy.access_type = dwAccessType;
    HINTERNET h = InetHandles().Add(std::move(s));
    if (!h) SetInetError(ERROR_INTERNET_OUT_OF_HANDLES);
    return h;
}

WINEXPORT HINTERNET InternetConnectA(HINTERNET hInternet, LPCSTR lpszServerName, DWORD nServerPort,
                                     LPCSTR lpszUserName, LPCSTR lpszPassword, DWORD dwService, DWORD /*dwFlags*/,
                                     DWORD_PTR /*dwContext*/) {
    auto s = Lookup<Session>(hInternet, InetKind::Session);
    if (!s) return 0;
    if (dwService != INTERNET_SERVICE_HTTP || nServerPort > 65535) {
        SetInetError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string host = Text(lpszServerName);
    // An IPv6 literal may come bracketed or bare.
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    if (!ValidHost(host)) {
        SetInetError(ERROR_INTERNET_INVALID_URL);
        return 0;
    }
    auto c = std::make_shared<Connection>();
    c->session = s;
    c->host = platform::GbkToUtf8(host);
    c->port = nServerPort;
    if (lpszUserName && *lpszUserName) c->options.user = lpszUserName;
    if (lpszPassword && *lpszPassword) c->options.password = lpszPassword;
    return AddChild(s, std::move(c));
}

WINEXPORT HINTERNET HttpOpenRequestA(HINTERNET hConnect, LPCSTR lpszVerb, LPCSTR lpszObjectName, LPCSTR lpszVersion,
                                     LPCSTR lpszReferrer, LPCSTR* lplpszAcceptTypes, DWORD dwFlags,
                                     DWORD_PTR /*dwContext*/) {
    auto c = Lookup<Connection>(hConnect, InetKind::Connection);
    if (!c) return 0;
    std::string verb = (lpszVerb && *lpszVerb) ? lpszVerb : "GET";
    if (!ValidVerb(verb)) {
        SetInetError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string object = (lpszObjectName && *lpszObjectName) ? lpszObjectName : "/";
    // The fragment belongs to the client and never goes to the server.
    if (size_t hash = object.find('#'); hash != std::string::npos) object.resize(hash);
    if (object.empty() || object.front() != '/') object.insert(object.begin(), '/');

    auto r = std::make_shared<Request>();
    r->connection = c;
    r->verb = verb;
    r->object = EncodeForWire(object);
    std::string version = Text(lpszVersion);
    r->http10 = version.size() == 8 && SameHeaderName(version, "HTTP/1.0");
    r->flags = dwFlags;
    std::string referrer = Text(lpszReferrer);
    if (!referrer.empty()) {
        std::vector<std::string> lines = SplitHeaderLines("Referer: " + referrer);
        r->open_headers.insert(r->open_headers.end(), lines.begin(), lines.end());
    }
    if (lplpszAcceptTypes) {
        std::string accept;
        for (int i = 0; i < kMaxAcceptTypes && lplpszAcceptTypes[i]; ++i) {
            std::string t = CleanAcceptType(lplpszAcceptTypes[i]);
            if (t.empty()) continue;
            if (!accept.empty()) accept += ", ";
            accept += t;
        }
        if (!accept.empty()) r->open_headers.push_back("Accept: " + accept);
    }
    return AddChild(c, std::move(r));
}

WINEXPORT BOOL HttpSendRequestA(HINTERNET hRequest, LPCSTR lpszHeaders, DWORD dwHeadersLength, LPVOID lpOptional,
                                DWORD dwOptionalLength) {
    auto r = Lookup<Request>(hRequest, InetKind::Request);
    if (!r) return FALSE;
    if (dwOptionalLength > 0 && !lpOptional) {
        SetInetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string_view header_text;
    if (lpszHeaders) {
        header_text = dwHeadersLength == 0xFFFFFFFFu ? std::string_view(lpszHeaders)
                                                      : std::string_view(lpszHeaders, strnlen(lpszHeaders, dwHeadersLength));
    }
    // Settings in force now, from the request up to the root.
    const Connection& c = *r->connection;
    const Session& s = *c.session;
    std::string agent;
    ProxyConfig proxy;
    InetOptions options;
    {
        std::lock_guard<std::mutex> lock(r->mu);
        options = r->options;
    }
    {
        std::lock_guard<std::mutex> lock(r->connection->mu);
        options.InheritFrom(c.options);
    }
    {
        std::lock_guard<std::mutex> lock(c.session->mu);
        options.InheritFrom(s.options);
        agent = s.agent;
        proxy = s.proxy;
    }
    std::lock_guard<std::mutex> lock(r->mu);
    RequestSpec plan;
    bool secure = (r->flags & INTERNET_FLAG_SECURE) != 0;
    uint32_t port = c.port ? c.port : (secure ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT);
    std::string host = c.host.find(':') != std::string::npos ? "[" + c.host + "]" : c.host;
    plan.url = std::string(secure ? "https://" : "http://") + host + ":" + std::to_string(port) + r->object;
    plan.method = r->verb;
    plan.http10 = r->http10;
    plan.user_agent = agent;
    std::vector<std::string> sent = SplitHeaderLines(header_text);
    // A header the send names itself replaces the one HttpOpenRequestA made.
    for (const std::string& line : r->open_headers) {
        bool replaced = false;
        for (const std::string& s : sent) replaced |= SameHeaderName(HeaderName(s), HeaderName(line));
        if (!replaced) plan.header_lines.push_back(line);
    }
    plan.header_lines.insert(plan.header_lines.end(), sent.begin(), sent.end());
    plan.has_body = dwOptionalLength > 0 || plan.method == "POST" || plan.method == "PUT";
    if (dwOptionalLength > 0) plan.body.assign(static_cast<const char*>(lpOptional), dwOptionalLength);
    plan.cookies = (r->flags & INTERNET_FLAG_NO_COOKIES) == 0;
    plan.follow_redirects = (r->flags & INTERNET_FLAG_NO_AUTO_REDIRECT) == 0;
    plan.allow_redirect_to_https = (r->flags & INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS) != 0;
    plan.allow_redirect_to_http = (r->flags & INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP) != 0;
    plan.proxy = ProxyForRequest(EffectiveProxy(proxy), secure, c.host);
    plan.user = options.user.value_or("");
    plan.password = options.password.value_or("");
    plan.proxy_user = options.proxy_user.value_or("");
    plan.proxy_password = options.proxy_password.value_or("");
    plan.limits = CurrentInetLimits();
    if (options.connect_timeout_ms && *options.connect_timeout_ms > 0)
        plan.limits.connect_timeout_ms = *options.connect_timeout_ms;
    if (options.receive_timeout_ms && *options.receive_timeout_ms > 0)
        plan.limits.stall_timeout_ms = *options.receive_timeout_ms;

    r->transfer = std::make_unique<HttpTransfer>();
    uint32_t error = 0;
    if (!r->transfer->Send(plan, &error)) {
        SetInetError(error);
        return FALSE;
    }
    return TRUE;
}

WINEXPORT BOOL InternetReadFile(HINTERNET hFile, LPVOID lpBuffer, DWORD dwNumberOfBytesToRead,
                                LPDWORD lpdwNumberOfBytesRead) {
    if (!lpdwNumberOfBytesRead || (!lpBuffer && dwNumberOfBytesToRead > 0)) {
        SetInetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *lpdwNumberOfBytesRead = 0;
    auto r = Lookup<Request>(hFile, InetKind::Request);
    if (!r) return FALSE;
    std::lock_guard<std::mutex> lock(r->mu);
    if (!r->transfer || !r->transfer->HasReply()) {
        SetInetError(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
        return FALSE;
    }
    size_t got = 0;
    uint32_t error = 0;
    bool ok = r->transfer->Read(static_cast<char*>(lpBuffer), dwNumberOfBytesToRead, &got, &error);
    *lpdwNumberOfBytesRead = static_cast<DWORD>(got);
    if (!ok) SetInetError(error);
    return ok ? TRUE : FALSE;
}

WINEXPORT BOOL HttpQueryInfoA(HINTERNET hRequest, DWORD dwInfoLevel, LPVOID lpBuffer, LPDWORD lpdwBufferLength,
                              LPDWORD lpdwIndex) {
    if (!lpdwBufferLength) {
        SetInetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto r = Lookup<Request>(hRequest, InetKind::Request);
    if (!r) return FALSE;
    std::lock_guard<std::mutex> lock(r->mu);
    if (!r->transfer || !r->transfer->HasReply()) {
        SetInetError(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
        return FALSE;
    }
    uint32_t level = dwInfoLevel & HTTP_QUERY_HEADER_MASK;
    uint32_t modifiers = dwInfoLevel & HTTP_QUERY_MODIFIER_FLAGS_MASK;
    // Only reply headers are kept; dates are not converted to SYSTEMTIME.
    if (modifiers & (HTTP_QUERY_FLAG_REQUEST_HEADERS | HTTP_QUERY_FLAG_SYSTEMTIME)) {
        SetInetError(ERROR_HTTP_HEADER_NOT_FOUND);
        return FALSE;
    }
    const std::string& block = r->transfer->HeaderBlock();
    std::string value;
    bool indexed = false;
    switch (level) {
        case HTTP_QUERY_RAW_HEADERS_CRLF: value = block; break;
        case HTTP_QUERY_RAW_HEADERS: {
            // Every line NUL-terminated; the copy's own terminator ends the list.
            std::string_view b = block;
            while (b.size() > 2) {
                size_t end = b.find("\r\n");
                value.append(b.substr(0, end));
                value.push_back('\0');
                b.remove_prefix(end + 2);
            }
            break;
        }
        case HTTP_QUERY_VERSION: value = StatusVersion(block); break;
        case HTTP_QUERY_STATUS_CODE: value = StatusCodeText(block); break;
        case HTTP_QUERY_STATUS_TEXT: value = StatusReason(block); break;
        default: {
            std::string name;
            if (level == HTTP_QUERY_CUSTOM) {
                if (!lpBuffer) {
                    SetInetError(ERROR_INVALID_PARAMETER);
                    return FALSE;
                }
                name.assign(static_cast<const char*>(lpBuffer), strnlen(static_cast<const char*>(lpBuffer), *lpdwBufferLength));
            } else {
                name = NameOfQueryLevel(level);
            }
            if (name.empty()) {
                SetInetError(level > HTTP_QUERY_TRANSFER_ENCODING && level != HTTP_QUERY_CUSTOM
                                 ? ERROR_INVALID_PARAMETER
                                 : ERROR_HTTP_HEADER_NOT_FOUND);
                return FALSE;
            }
            std::optional<std::string> found = FindHeaderValue(block, name, lpdwIndex ? *lpdwIndex : 0);
            if (!found) {
                SetInetError(ERROR_HTTP_HEADER_NOT_FOUND);
                return FALSE;
            }
            value = std::move(*found);
            indexed = true;
        }
    }
    if (modifiers & HTTP_QUERY_FLAG_NUMBER) {
        if (!lpBuffer || *lpdwBufferLength < sizeof(DWORD)) {
            *lpdwBufferLength = sizeof(DWORD);
            SetInetError(ERROR_INSUFFICIENT_BUFFER);
            return FALSE;
        }
        DWORD n = 0;
        for (char c : value) {
            if (c < '0' || c > '9') break;
            n = n * 10 + static_cast<DWORD>(c - '0');
        }
        std::memcpy(lpBuffer, &n, sizeof n);
        *lpdwBufferLength = sizeof n;
    } else if (!CopyOut(value, lpBuffer, lpdwBufferLength)) {
        return FALSE;
    }
    if (indexed && lpdwIndex) ++*lpdwIndex;
    return TRUE;
}

WINEXPORT BOOL InternetCloseHandle(HINTERNET hInternet) {
    if (!InetHandles().Valid(hInternet)) {
        SetInetError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    CloseTree(hInternet);
    return TRUE;
}

WINEXPORT BOOL InternetCrackUrlA(LPCSTR lpszUrl, DWORD dwUrlLength, DWORD dwFlags, LPURL_COMPONENTSA lpUrlComponents) {
    if (!lpszUrl || !lpUrlComponents || lpUrlComponents->dwStructSize != sizeof(URL_COMPONENTSA)) {
        SetInetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string_view url = dwUrlLength == 0 ? std::string_view(lpszUrl)
                                            : std::string_view(lpszUrl, strnlen(lpszUrl, dwUrlLength));
    UrlParts parts;
    switch (SplitUrl(url, parts)) {
        case UrlError::None: break;
        case UrlError::UnrecognizedScheme: SetInetError(ERROR_INTERNET_UNRECOGNIZED_SCHEME); return FALSE;
        case UrlError::Invalid: SetInetError(ERROR_INTERNET_INVALID_URL); return FALSE;
    }
    bool decode = (dwFlags & (ICU_DECODE | ICU_ESCAPE)) != 0;
    URL_COMPONENTSA& u = *lpUrlComponents;
    // Decoding needs a buffer to decode into; a pointer into the address cannot carry it.
    if (decode && ((!u.lpszUserName && u.dwUserNameLength) || (!u.lpszPassword && u.dwPasswordLength) ||
                   (!u.lpszUrlPath && u.dwUrlPathLength))) {
        SetInetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    bool short_buffer = false;
    bool ok = true;
    ok &= CrackPart(lpszUrl, parts.scheme, false, &u.lpszScheme, &u.dwSchemeLength, &short_buffer);
    ok &= CrackPart(lpszUrl, parts.host, false, &u.lpszHostName, &u.dwHostNameLength, &short_buffer);
    ok &= CrackPart(lpszUrl, parts.user, decode, &u.lpszUserName, &u.dwUserNameLength, &short_buffer);
    ok &= CrackPart(lpszUrl, parts.password, decode, &u.lpszPassword, &u.dwPasswordLength, &short_buffer);
    ok &= CrackPart(lpszUrl, parts.path, decode, &u.lpszUrlPath, &u.dwUrlPathLength, &short_buffer);
    ok &= CrackPart(lpszUrl, parts.extra, false, &u.lpszExtraInfo, &u.dwExtraInfoLength, &short_buffer);
    u.nScheme = parts.scheme_id;
    u.nPort = parts.port;
    if (!ok) {
        SetInetError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    return TRUE;
}

WINEXPORT BOOL InternetSetOptionA(HINTERNET hInternet, DWORD dwOption, LPVOID lpBuffer, DWORD dwBufferLength) {
    switch (dwOption) {
        case INTERNET_OPTION_SETTINGS_CHANGED:
        case INTERNET_OPTION_REFRESH:
            // Settings are read afresh for every request; nothing is cached to refresh.
            if (hInternet && !InetHandles().Valid(hInternet)) {
                SetInetError(ERROR_INVALID_HANDLE);
                return FALSE;
            }
            return TRUE;
        case INTERNET_OPTION_PROXY: {
            if (!lpBuffer || dwBufferLength < sizeof(INTERNET_PROXY_INFO)) {
                SetInetError(ERROR_INVALID_PARAMETER);
                return FALSE;
            }
            const auto* info = static_cast<const INTERNET_PROXY_INFO*>(lpBuffer);
            ProxyConfig cfg;
            cfg.access_type = info->dwAccessType;
            if (cfg.access_type == INTERNET_OPEN_TYPE_PROXY) {
                cfg.list = Text(info->lpszProxy);
                cfg.bypass = Text(info->lpszProxyBypass);
                if (cfg.list.find_first_not_of(" ;") == std::string::npos) {
                    SetInetError(ERROR_INVALID_PARAMETER);
                    return FALSE;
                }
            } else if (cfg.access_type != INTERNET_OPEN_TYPE_DIRECT && cfg.access_type != INTERNET_OPEN_TYPE_PRECONFIG &&
                       cfg.access_type != INTERNET_OPEN_TYPE_PRECONFIG_WITH_NO_AUTOPROXY) {
                SetInetError(ERROR_INVALID_PARAMETER);
                return FALSE;
            }
            if (!hInternet) {
                std::lock_guard<std::mutex> lock(g_global_proxy_mu);
                if (cfg.access_type == INTERNET_OPEN_TYPE_PRECONFIG) g_global_proxy.reset();
                else g_global_proxy = cfg;
                return TRUE;
            }
            auto s = Lookup<Session>(hInternet, InetKind::Session);
            if (!s) return FALSE;
            std::lock_guard<std::mutex> lock(s->mu);
            s->proxy = cfg;
            return TRUE;
        }
        case INTERNET_OPTION_USERNAME:
        case INTERNET_OPTION_PASSWORD:
        case INTERNET_OPTION_PROXY_USERNAME:
        case INTERNET_OPTION_PROXY_PASSWORD:
        case INTERNET_OPTION_CONNECT_TIMEOUT:
        case INTERNET_OPTION_RECEIVE_TIMEOUT:
        case INTERNET_OPTION_SEND_TIMEOUT: {
            std::shared_ptr<InetObject> obj = InetHandles().Get(hInternet);
            if (!obj) {
                SetInetError(ERROR_INVALID_HANDLE);
                return FALSE;
            }
            if (!lpBuffer && dwBufferLength > 0) {
                SetInetError(ERROR_INVALID_PARAMETER);
                return FALSE;
            }
            std::lock_guard<std::mutex> lock(obj->mu);
            InetOptions& o = obj->options;
            if (dwOption == INTERNET_OPTION_CONNECT_TIMEOUT || dwOption == INTERNET_OPTION_RECEIVE_TIMEOUT ||
                dwOption == INTERNET_OPTION_SEND_TIMEOUT) {
                if (dwBufferLength < sizeof(DWORD)) {
                    SetInetError(ERROR_INVALID_PARAMETER);
                    return FALSE;
                }
                DWORD ms;
                std::memcpy(&ms, lpBuffer, sizeof ms);
                // 0 and "infinite" keep the built-in limit: nothing may wait for ever.
                if (ms == 0 || ms == 0xFFFFFFFFu) return TRUE;
                if (dwOption == INTERNET_OPTION_CONNECT_TIMEOUT) o.connect_timeout_ms = ms;
                else if (dwOption == INTERNET_OPTION_RECEIVE_TIMEOUT) o.receive_timeout_ms = ms;
                return TRUE;
            }
            // Texts: dwBufferLength counts characters; a NUL inside ends the text earlier.
            std::string text = lpBuffer ? std::string(static_cast<const char*>(lpBuffer),
                                                      strnlen(static_cast<const char*>(lpBuffer), dwBufferLength))
                                        : std::string();
            if (dwOption == INTERNET_OPTION_USERNAME) o.user = text;
            else if (dwOption == INTERNET_OPTION_PASSWORD) o.password = text;
            else if (dwOption == INTERNET_OPTION_PROXY_USERNAME) o.proxy_user = text;
            else o.proxy_password = text;
            return TRUE;
        }
        default: SetInetError(ERROR_INTERNET_INVALID_OPTION); return FALSE;
    }
}
