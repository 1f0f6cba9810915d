// The objects behind HINTERNET handles: a root (session), a connection to one
// server, and a request. A child holds its parent object, so settings made on
// the root later (a proxy, say) apply to requests sent afterwards, and closing
// a parent's handle never leaves a child pointing at freed state; closing a
// parent closes its children's handles too.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/inet/http_transfer.h"
#include "platform/inet/proxy_config.h"
#include "platform/kernel/handle_table.h"
#include "win/types.h"

namespace platform::inet {

enum class InetKind { Session, Connection, Request };

// Options set with InternetSetOptionA; unset ones fall back to the parent's
// and then to the limits in force.
struct InetOptions {
    std::optional<std::string> user, password, proxy_user, proxy_password;
    std::optional<long> connect_timeout_ms, receive_timeout_ms;

    // Fills what is unset here from the parent's options.
    void InheritFrom(const InetOptions& parent);
};

struct InetObject {
    explicit InetObject(InetKind k) : kind(k) {}
    virtual ~InetObject() = default;
    const InetKind kind;
    std::mutex mu;  // guards everything below and in the derived object
    InetOptions options;
    std::vector<HINTERNET> children;
};

struct Session : InetObject {
    Session() : InetObject(InetKind::Session) {}
    std::string agent;
    ProxyConfig proxy;
};

struct Connection : InetObject {
    Connection() : InetObject(InetKind::Connection) {}
    std::shared_ptr<Session> session;
    std::string host;  // as given (GBK bytes converted to UTF-8 for the resolver)
    uint32_t port = 0; // 0: the default port of the request's scheme
};

struct Request : InetObject {
    Request() : InetObject(InetKind::Request) {}
    std::shared_ptr<Connection> connection;
    std::string verb;
    std::string object;  // wire-encoded path and query
    bool http10 = false;
    std::vector<std::string> open_headers;  // Referer and Accept from HttpOpenRequestA
    uint32_t flags = 0;
    std::unique_ptr<HttpTransfer> transfer;
};

HandleTable<InetObject>& InetHandles();

}  // namespace platform::inet
