#include "platform/inet/http_transfer.h"

#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/inet/curl_api.h"
#include "win/wininet.h"

namespace platform::inet {

namespace {

// libcurl reads the socket in pieces of this size; large pieces keep the
// per-step cost low for big bodies.
constexpr long kReceiveBufferBytes = 64 * 1024;
// One libcurl step keeps reading while the socket has data, so a fast server
// could fill megabytes ahead of the caller; past this many unread bytes the
// transfer pauses until the caller has read them.
constexpr size_t kPauseAtBytes = 256 * 1024;

// The process's cookie store, shared by every session as the system keeps one.
std::array<std::mutex, CURL_LOCK_DATA_LAST> g_share_locks;

void LockShare(CURL*, curl_lock_data data, curl_lock_access, void*) { g_share_locks[data].lock(); }
void UnlockShare(CURL*, curl_lock_data data, void*) { g_share_locks[data].unlock(); }

CURLSH* CookieShare() {
    static CURLSH* share = [] {
        CURLSH* s = Curl().share_init();
        Curl().share_setopt(s, CURLSHOPT_LOCKFUNC, LockShare);
        Curl().share_setopt(s, CURLSHOPT_UNLOCKFUNC, UnlockShare);
        Curl().share_setopt(s, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
        return s;
    }();
    return share;
}

// Idle multi handles of this thread, each keeping its connections: the
// system keeps a connection to a server open after a request's handles are
// closed (keep-alive), so the next request to that server skips the set-up.
// Most recently used first, since the next request mostly goes to the same
// server; a handle serves one transfer at a time.
class IdleMultis {
public:
    ~IdleMultis() {
        for (CURLM* m : idle_) Curl().multi_cleanup(m);
    }
    CURLM* Take() {
        if (idle_.empty()) return Curl().multi_init();
        CURLM* m = idle_.back();
        idle_.pop_back();
        return m;
    }
    void Give(CURLM* m) {
        if (idle_.size() >= kKept) {
            Curl().multi_cleanup(idle_.front());
            idle_.erase(idle_.begin());
        }
        idle_.push_back(m);
    }

private:
    static constexpr size_t kKept = 4;
    std::vector<CURLM*> idle_;
};

IdleMultis& Idle() {
    thread_local IdleMultis idle;
    return idle;
}

bool IsRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

bool StartsWithIgnoreCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        char a = s[i], b = prefix[i];
        if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
        if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
        if (a != b) return false;
    }
    return true;
}

// scheme://host:port of an absolute address, lower-cased, or "" when it does not parse.
std::string OriginOf(const std::string& url) {
    CURLU* u = Curl().url();
    std::string origin;
    if (Curl().url_set(u, CURLUPART_URL, url.c_str(), CURLU_NON_SUPPORT_SCHEME) == CURLUE_OK) {
        char *scheme = nullptr, *host = nullptr, *port = nullptr;
        Curl().url_get(u, CURLUPART_SCHEME, &scheme, 0);
        Curl().url_get(u, CURLUPART_HOST, &host, 0);
        Curl().url_get(u, CURLUPART_PORT, &port, CURLU_DEFAULT_PORT);
        if (scheme && host && port) origin = std::string(scheme) + "://" + host + ":" + port;
        Curl().free(scheme);
        Curl().free(host);
        Curl().free(port);
    }
    Curl().url_cleanup(u);
    for (char& c : origin)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return origin;
}

bool HasHeader(const std::vector<std::string>& lines, std::string_view name) {
    for (const std::string& l : lines)
        if (StartsWithIgnoreCase(l, name) && l.size() > name.size() && l[name.size()] == ':') return true;
    return false;
}

}  // namespace

int ParseStatusLine(std::string_view line) {
    if (!line.starts_with("HTTP/")) return 0;
    size_t sp = line.find(' ');
    if (sp == std::string_view::npos || sp + 4 > line.size()) return 0;
    int code = 0;
    for (size_t i = sp + 1; i < sp + 4; ++i) {
        if (line[i] < '0' || line[i] > '9') return 0;
        code = code * 10 + (line[i] - '0');
    }
    return code;
}

HttpTransfer::~HttpTransfer() { Cleanup(); }

void HttpTransfer::Cleanup() {
    if (multi_ && easy_) Curl().multi_remove_handle(multi_, easy_);
    if (easy_) Curl().easy_cleanup(easy_);
    if (multi_) Idle().Give(multi_);
    if (headers_) Curl().slist_free_all(headers_);
    easy_ = nullptr;
    multi_ = nullptr;
    headers_ = nullptr;
}

size_t HttpTransfer::HeaderCallback(char* p, size_t size, size_t n, void* self) {
    return static_cast<HttpTransfer*>(self)->OnHeader(std::string_view(p, size * n));
}

size_t HttpTransfer::WriteCallback(char* p, size_t size, size_t n, void* self) {
    return static_cast<HttpTransfer*>(self)->OnBody(p, size * n);
}

int HttpTransfer::ProgressCallback(void* self, curl_off_t, curl_off_t dlnow, curl_off_t, curl_off_t ulnow) {
    auto* t = static_cast<HttpTransfer*>(self);
    // Header bytes do not count in dlnow; they are counted by the header callback.
    uint64_t moved = static_cast<uint64_t>(dlnow) + static_cast<uint64_t>(ulnow) + t->header_bytes_;
    auto now = std::chrono::steady_clock::now();
    if (!t->connected_) {
        // Until the connection (and its TLS handshake) is up, the connect
        // time-out governs; a slow handshake moves no counted bytes and is
        // not a stalled transfer.
        curl_off_t tcp = 0, tls = 0;
        Curl().easy_getinfo(t->easy_, CURLINFO_CONNECT_TIME_T, &tcp);
        if (t->secure_) Curl().easy_getinfo(t->easy_, CURLINFO_APPCONNECT_TIME_T, &tls);
        t->connected_ = tcp > 0 && (!t->secure_ || tls > 0);
        t->last_progress_ = now;
        if (!t->connected_) return 0;
    }
    if (moved != t->last_moved_) {
        t->last_moved_ = moved;
        t->last_progress_ = now;
        return 0;
    }
    if (now - t->last_progress_ >= std::chrono::milliseconds(t->stall_ms_)) {
        t->abort_ = Abort::Stalled;
        return 1;
    }
    return 0;
}

size_t HttpTransfer::OnHeader(std::string_view raw) {
    // Trailers of a chunked body arrive here too; they are not part of the block.
    if (headers_done_) return raw.size();
    header_bytes_ += raw.size();
    if (header_bytes_ > max_header_bytes_) {
        abort_ = Abort::HeaderLimit;
        return 0;
    }
    std::string_view line = raw;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    if (!in_block_) {
        block_.clear();
        status_ = ParseStatusLine(line);
        in_block_ = true;
    }
    if (line.empty()) {
        in_block_ = false;
        // An interim reply (100 Continue) is followed by the real one.
        if (status_ >= 100 && status_ < 200) {
            block_.clear();
            return raw.size();
        }
        block_ += "\r\n";
        headers_done_ = true;
        return raw.size();
    }
    block_.append(line);
    block_ += "\r\n";
    return raw.size();
}

size_t HttpTransfer::OnBody(const char* p, size_t n) {
    if (buf_.size() - buf_pos_ >= kPauseAtBytes) {
        paused_ = true;
        return CURL_WRITEFUNC_PAUSE;  // libcurl keeps these bytes and hands them over again
    }
    if (body_bytes_ + n > max_body_bytes_) {
        // Keep what fits, then end the transfer.
        size_t keep = static_cast<size_t>(max_body_bytes_ - body_bytes_);
        buf_.insert(buf_.end(), p, p + keep);
        body_bytes_ += keep;
        abort_ = Abort::BodyLimit;
        return 0;
    }
    buf_.insert(buf_.end(), p, p + n);
    body_bytes_ += n;
    return n;
}

template <typename Pred>
void HttpTransfer::Pump(Pred done) {
    // Only time spent waiting here counts towards the stall limit, not the
    // caller's own time between reads.
    last_progress_ = std::chrono::steady_clock::now();
    if (paused_ && easy_) {
        paused_ = false;
        Curl().easy_pause(easy_, CURLPAUSE_CONT);
    }
    while (!done() && !finished_) {
        int running = 0;
        Curl().multi_perform(multi_, &running);
        int left = 0;
        while (CURLMsg* msg = Curl().multi_info_read(multi_, &left)) {
            if (msg->msg == CURLMSG_DONE) {
                finished_ = true;
                result_ = msg->data.result;
            }
        }
        if (done() || finished_) break;
        // curl_multi_poll also wakes for libcurl's own timers; the short cap
        // lets the stall check run on time.
        Curl().multi_poll(multi_, nullptr, 0, static_cast<int>(std::clamp(stall_ms_ / 4, 10L, 250L)), nullptr);
    }
}

uint32_t HttpTransfer::FailureCode() const {
    if (abort_ == Abort::HeaderLimit) return ERROR_HTTP_INVALID_SERVER_RESPONSE;
    if (abort_ == Abort::BodyLimit) return ERROR_INTERNET_CONNECTION_ABORTED;
    if (abort_ == Abort::Stalled) return ERROR_INTERNET_TIMEOUT;
    switch (static_cast<CURLcode>(result_)) {
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY: return ERROR_INTERNET_NAME_NOT_RESOLVED;
        case CURLE_COULDNT_CONNECT: return ERROR_INTERNET_CANNOT_CONNECT;
        case CURLE_OPERATION_TIMEDOUT: return ERROR_INTERNET_TIMEOUT;
        case CURLE_URL_MALFORMAT: return ERROR_INTERNET_INVALID_URL;
        case CURLE_UNSUPPORTED_PROTOCOL: return ERROR_INTERNET_UNRECOGNIZED_SCHEME;
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_ISSUER_ERROR: return ERROR_INTERNET_SEC_CERT_ERRORS;
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_SSL_ENGINE_NOTFOUND:
        case CURLE_SSL_ENGINE_SETFAILED:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CIPHER:
        case CURLE_USE_SSL_FAILED:
        case CURLE_SSL_SHUTDOWN_FAILED: return ERROR_INTERNET_SECURITY_CHANNEL_ERROR;
        case CURLE_WEIRD_SERVER_REPLY: return ERROR_HTTP_INVALID_SERVER_RESPONSE;
        case CURLE_OUT_OF_MEMORY: return ERROR_NOT_ENOUGH_MEMORY;
        case CURLE_PARTIAL_FILE: return ERROR_INTERNET_CONNECTION_ABORTED;
        default: return ERROR_INTERNET_CONNECTION_RESET;
    }
}

bool HttpTransfer::StartHop(const RequestSpec& request, uint32_t* error) {
    Cleanup();
    block_.clear();
    status_ = 0;
    in_block_ = false;
    headers_done_ = false;
    header_bytes_ = 0;
    body_bytes_ = 0;
    abort_ = Abort::None;
    buf_.clear();
    buf_pos_ = 0;
    paused_ = false;
    finished_ = false;
    result_ = CURLE_OK;
    max_header_bytes_ = request.limits.max_header_bytes;
    max_body_bytes_ = request.limits.max_body_bytes;

    if (!LoadCurl()) {
        *error = ERROR_INTERNET_INTERNAL_ERROR;
        return false;
    }
    easy_ = Curl().easy_init();
    multi_ = Idle().Take();
    if (!easy_ || !multi_) {
        *error = ERROR_NOT_ENOUGH_MEMORY;
        return false;
    }
    CURL* e = easy_;
    Curl().easy_setopt(e, CURLOPT_URL, request.url.c_str());
    // The path goes out as the caller wrote it: no "/../" folding.
    Curl().easy_setopt(e, CURLOPT_PATH_AS_IS, 1L);
    Curl().easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    Curl().easy_setopt(e, CURLOPT_HTTP_VERSION, request.http10 ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1);
    Curl().easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    Curl().easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L);  // redirections are followed here, by the flags
    Curl().easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, request.limits.connect_timeout_ms);
    // The stall limit is kept here rather than with libcurl's low-speed check,
    // whose average over several seconds lets a stall run well past its limit.
    stall_ms_ = request.limits.stall_timeout_ms;
    last_progress_ = std::chrono::steady_clock::now();
    last_moved_ = 0;
    connected_ = false;
    secure_ = request.url.size() >= 6 && strncasecmp(request.url.c_str(), "https:", 6) == 0;
    Curl().easy_setopt(e, CURLOPT_NOPROGRESS, 0L);
    Curl().easy_setopt(e, CURLOPT_XFERINFOFUNCTION, &HttpTransfer::ProgressCallback);
    Curl().easy_setopt(e, CURLOPT_XFERINFODATA, this);
    Curl().easy_setopt(e, CURLOPT_TIMEOUT_MS, request.limits.total_timeout_ms);
    Curl().easy_setopt(e, CURLOPT_BUFFERSIZE, kReceiveBufferBytes);
    Curl().easy_setopt(e, CURLOPT_HEADERFUNCTION, &HttpTransfer::HeaderCallback);
    Curl().easy_setopt(e, CURLOPT_HEADERDATA, this);
    Curl().easy_setopt(e, CURLOPT_WRITEFUNCTION, &HttpTransfer::WriteCallback);
    Curl().easy_setopt(e, CURLOPT_WRITEDATA, this);
    Curl().easy_setopt(e, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    // Bodies are handed over as the server encoded them, never decoded here.
    Curl().easy_setopt(e, CURLOPT_HTTP_CONTENT_DECODING, 0L);
    Curl().easy_setopt(e, CURLOPT_HTTP_TRANSFER_DECODING, 1L);
    if (!request.user_agent.empty()) Curl().easy_setopt(e, CURLOPT_USERAGENT, request.user_agent.c_str());

    std::string ca = ExtraCaFile();
    if (!ca.empty()) {
        // An extra trust file must not replace the system's store.
        Curl().easy_setopt(e, CURLOPT_CAINFO, ca.c_str());
        if (access("/etc/ssl/certs", R_OK) == 0) Curl().easy_setopt(e, CURLOPT_CAPATH, "/etc/ssl/certs");
    }

    if (request.proxy) Curl().easy_setopt(e, CURLOPT_PROXY, request.proxy->c_str());
    if (!request.proxy_user.empty()) Curl().easy_setopt(e, CURLOPT_PROXYUSERNAME, request.proxy_user.c_str());
    if (!request.proxy_password.empty()) Curl().easy_setopt(e, CURLOPT_PROXYPASSWORD, request.proxy_password.c_str());
    if (!request.user.empty()) Curl().easy_setopt(e, CURLOPT_USERNAME, request.user.c_str());
    if (!request.password.empty()) Curl().easy_setopt(e, CURLOPT_PASSWORD, request.password.c_str());

    if (request.cookies) {
        Curl().easy_setopt(e, CURLOPT_SHARE, CookieShare());
        Curl().easy_setopt(e, CURLOPT_COOKIEFILE, "");  // switches the cookie engine on, reads no file
    }

    // Caller's header lines, then removals of libcurl's own defaults that the
    // system would not send.
    for (const std::string& line : request.header_lines) {
        // libcurl drops "Name:" with an empty value; "Name;" sends it as "Name:".
        std::string_view l = line;
        size_t colon = l.find(':');
        std::string_view value = l.substr(colon + 1);
        bool blank = value.find_first_not_of(" \t") == std::string_view::npos;
        std::string entry = blank ? std::string(l.substr(0, colon)) + ";" : line;
        headers_ = Curl().slist_append(headers_, entry.c_str());
    }
    if (!HasHeader(request.header_lines, "Accept")) headers_ = Curl().slist_append(headers_, "Accept:");
    if (!HasHeader(request.header_lines, "Content-Type")) headers_ = Curl().slist_append(headers_, "Content-Type:");
    if (!HasHeader(request.header_lines, "Expect")) headers_ = Curl().slist_append(headers_, "Expect:");
    Curl().easy_setopt(e, CURLOPT_HTTPHEADER, headers_);

    if (request.method == "HEAD") {
        Curl().easy_setopt(e, CURLOPT_NOBODY, 1L);
    } else if (request.has_body) {
        body_copy_ = request.body;
        Curl().easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body_copy_.size()));
        Curl().easy_setopt(e, CURLOPT_POSTFIELDS, body_copy_.data());
        if (request.method != "POST") Curl().easy_setopt(e, CURLOPT_CUSTOMREQUEST, request.method.c_str());
    } else if (request.method == "GET") {
        Curl().easy_setopt(e, CURLOPT_HTTPGET, 1L);
    } else {
        Curl().easy_setopt(e, CURLOPT_CUSTOMREQUEST, request.method.c_str());
    }

    Curl().multi_add_handle(multi_, easy_);
    Pump([this] { return headers_done_; });
    if (!headers_done_) {
        *error = FailureCode();
        Cleanup();
        return false;
    }
    return true;
}

bool HttpTransfer::Send(const RequestSpec& first, uint32_t* error) {
    RequestSpec request = first;
    bool secure = StartsWithIgnoreCase(request.url, "https:");
    for (long hop = 0;; ++hop) {
        if (!StartHop(request, error)) return false;
        if (!request.follow_redirects || !IsRedirect(status_) || hop >= request.limits.max_redirects) return true;
        char* target = nullptr;
        Curl().easy_getinfo(easy_, CURLINFO_REDIRECT_URL, &target);
        if (!target || !*target) return true;
        std::string next = target;
        bool next_secure = StartsWithIgnoreCase(next, "https:");
        bool next_plain = StartsWithIgnoreCase(next, "http:");
        if (!next_secure && !next_plain) return true;
        // A change of scheme is followed only when the request's flags allow it;
        // otherwise the redirection itself is the reply.
        if (!secure && next_secure && !request.allow_redirect_to_https) return true;
        if (secure && next_plain && !request.allow_redirect_to_http) return true;
        // As browsers do: 303, and 301/302 after a POST, continue with a GET.
        if (status_ == 303 || ((status_ == 301 || status_ == 302) && request.method == "POST")) {
            if (request.method != "HEAD") request.method = "GET";
            request.has_body = false;
            request.body.clear();
            std::erase_if(request.header_lines, [](const std::string& l) {
                return StartsWithIgnoreCase(l, "Content-Type:") || StartsWithIgnoreCase(l, "Content-Length:");
            });
        }
        // Credentials and the caller's own Cookie and Authorization lines are
        // meant for the server they were given for, not for wherever it points.
        if (OriginOf(next) != OriginOf(request.url)) {
            request.user.clear();
            request.password.clear();
            std::erase_if(request.header_lines, [](const std::string& l) {
                return StartsWithIgnoreCase(l, "Cookie:") || StartsWithIgnoreCase(l, "Authorization:");
            });
        }
        request.url = next;
        secure = next_secure;
    }
}

bool HttpTransfer::Read(char* out, size_t n, size_t* got, uint32_t* error) {
    *got = 0;
    if (!headers_done_ || !easy_) {
        *error = ERROR_INTERNET_INCORRECT_HANDLE_STATE;
        return false;
    }
    while (*got < n) {
        size_t avail = buf_.size() - buf_pos_;
        if (avail > 0) {
            size_t take = std::min(avail, n - *got);
            std::memcpy(out + *got, buf_.data() + buf_pos_, take);
            buf_pos_ += take;
            *got += take;
            continue;
        }
        buf_.clear();
        buf_pos_ = 0;
        if (finished_) break;
        Pump([this] { return !buf_.empty(); });
    }
    if (*got == 0 && finished_ && (result_ != CURLE_OK || abort_ != Abort::None)) {
        *error = FailureCode();
        return false;
    }
    return true;
}

}  // namespace platform::inet
