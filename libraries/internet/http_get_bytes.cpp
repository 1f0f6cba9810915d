#include "libraries/internet/http_get_bytes.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

#include "libraries/internet/internet_library.h"
#include "libraries/internet/internet_state.h"
#include "runtime/notify.h"
#include "win/wininet.h"

namespace internet {
namespace {

constexpr const char kAgent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
constexpr const char kAcceptEntry[] = "Accept: */* \r\n";
constexpr const char kExtraHeader[] = "Accept: */*\r\n\r\n";

// Chunk sizes: the content length + 1 up to this, or the default when the
// length is missing or not positive.
constexpr uint32_t kMaxChunk = 102400;
constexpr uint32_t kDefaultChunk = 10240;

// The byte set grown in place through the runtime's notify entry: the
// chunks are read straight into it and the block doubles, so a download is
// linear in its size.
class ByteSetBuilder {
public:
    explicit ByteSetBuilder(runtime::NotifyRoutine notify) : notify_(notify) {}
    ~ByteSetBuilder() {
        if (block_) notify_(runtime::kNotifyFreeMemory, reinterpret_cast<uintptr_t>(block_), 0);
    }

    uint8_t* Reserve(size_t n) {
        if (n > std::numeric_limits<uint32_t>::max() - length_) return nullptr;
        if (length_ + n > capacity_) {
            size_t want = std::max({capacity_ * 2, length_ + n, size_t{64} << 10});
            want = std::min<size_t>(want, std::numeric_limits<uint32_t>::max());
            block_ = reinterpret_cast<uint8_t*>(notify_(runtime::kNotifyReallocMemory, reinterpret_cast<uintptr_t>(block_),
                                                        runtime::kByteSetHeader + want));
            capacity_ = want;
        }
        return block_ + runtime::kByteSetHeader + length_;
    }
    void Commit(size_t n) { length_ += n; }

    void* Finish() {
        if (length_ == 0) return nullptr;
        block_ = reinterpret_cast<uint8_t*>(notify_(runtime::kNotifyReallocMemory, reinterpret_cast<uintptr_t>(block_),
                                                    runtime::kByteSetHeader + length_));
        const uint32_t header[2] = {1, static_cast<uint32_t>(length_)};
        std::memcpy(block_, header, sizeof header);
        void* done = block_;
        block_ = nullptr;
        return done;
    }

private:
    runtime::NotifyRoutine notify_;
    uint8_t* block_ = nullptr;
    size_t length_ = 0;
    size_t capacity_ = 0;
};

std::string Part(LPSTR p, DWORD n) { return p ? std::string(p, n) : std::string(); }

uint32_t ChunkSize(HINTERNET request) {
    DWORD length = 0, size = sizeof length;
    if (!HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &length, &size, nullptr))
        return kDefaultChunk;
    if (static_cast<int32_t>(length) <= 0) return kDefaultChunk;
    return static_cast<uint32_t>(std::min<uint64_t>(uint64_t{length} + 1, kMaxChunk));
}

}  // namespace

void* HttpGetBytes(std::string_view url) {
    if (url.empty()) return nullptr;
    std::string address(url.substr(0, url.find('#')));
    if (address.empty() || address.find('\0') != std::string::npos) return nullptr;

    // Parts as pointers into the address, copied out below: no size limit of our own.
    URL_COMPONENTSA u{};
    u.dwStructSize = sizeof u;
    u.dwHostNameLength = 1;
    u.dwUserNameLength = 1;
    u.dwPasswordLength = 1;
    u.dwUrlPathLength = 1;
    u.dwExtraInfoLength = 1;
    if (!InternetCrackUrlA(address.c_str(), 0, 0, &u)) return nullptr;
    if (u.nScheme != INTERNET_SCHEME_HTTP && u.nScheme != INTERNET_SCHEME_HTTPS) return nullptr;
    std::string host = Part(u.lpszHostName, u.dwHostNameLength);
    std::string user = Part(u.lpszUserName, u.dwUserNameLength);
    std::string password = Part(u.lpszPassword, u.dwPasswordLength);
    std::string object = Part(u.lpszUrlPath, u.dwUrlPathLength) + Part(u.lpszExtraInfo, u.dwExtraInfoLength);
    object.resize(std::min(object.size(), object.find('#')));
    bool secure = u.nScheme == INTERNET_SCHEME_HTTPS;

    InternetState& s = State();
    if (!s.root) {
        s.root = s.proxy.empty() ? InternetOpenA(kAgent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0)
                                 : InternetOpenA(kAgent, INTERNET_OPEN_TYPE_PROXY, s.proxy.c_str(), nullptr, 0);
        if (!s.root) return nullptr;
    }
    s.connection = InternetConnectA(s.root, host.c_str(), u.nPort, user.c_str(), password.c_str(),
                                    INTERNET_SERVICE_HTTP, 0, 0);
    if (!s.connection) return nullptr;
    INTERNET_PROXY_INFO proxy{INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr};
    if (!s.proxy.empty()) proxy = {INTERNET_OPEN_TYPE_PROXY, s.proxy.c_str(), nullptr};
    InternetSetOptionA(s.root, INTERNET_OPTION_PROXY, &proxy, sizeof proxy);
    InternetSetOptionA(s.connection, INTERNET_OPTION_PROXY_USERNAME, s.proxyUser.data(),
                       static_cast<DWORD>(s.proxyUser.size()));
    InternetSetOptionA(s.connection, INTERNET_OPTION_PROXY_PASSWORD, s.proxyPassword.data(),
                       static_cast<DWORD>(s.proxyPassword.size()));

    LPCSTR accept[] = {kAcceptEntry, nullptr};
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | (secure ? INTERNET_FLAG_SECURE : 0);
    HINTERNET request = HttpOpenRequestA(s.connection, "GET", object.c_str(), "HTTP/1.0", nullptr, accept, flags, 0);
    ByteSetBuilder body(Notify());
    if (request && HttpSendRequestA(request, kExtraHeader, static_cast<DWORD>(std::strlen(kExtraHeader)), nullptr, 0)) {
        uint32_t chunk = ChunkSize(request);
        for (;;) {
            uint8_t* room = body.Reserve(chunk);
            if (!room) break;
            DWORD got = 0;
            BOOL ok = InternetReadFile(request, room, chunk, &got);
            body.Commit(std::min<DWORD>(got, chunk));
            if (!ok || got == 0) break;
        }
    }
    if (request) InternetCloseHandle(request);
    InternetCloseHandle(s.connection);
    s.connection = 0;
    return body.Finish();
}

void CmdHttpGetBytes(runtime::ArgRecord* result, int32_t argCount, runtime::ArgRecord* args) {
    const char* url = nullptr;
    if (args && argCount >= 1 && args[0].type == runtime::kTypeText) url = runtime::ArgPointer<const char>(args[0]);
    *result = runtime::MakePointerArg(HttpGetBytes(runtime::TextView(url)), runtime::kTypeBytes);
}

}  // namespace internet
