#include "tests/platform/inet/inet_test_support.h"

#include "tests/platform/inet/loopback_server.h"

namespace inettest {

Exchange RunExchange(uint16_t port, const ExchangeOptions& o) {
    Exchange ex;
    HINTERNET root = InternetOpenA(o.agent.c_str(), o.access, o.proxy.empty() ? nullptr : o.proxy.c_str(), "", 0);
    EXPECT_NE(root, 0u);
    HandleGuard g1{root};
    HINTERNET conn = InternetConnectA(root, o.host.c_str(), port, "", "", INTERNET_SERVICE_HTTP, 0, 0);
    EXPECT_NE(conn, 0u);
    HandleGuard g2{conn};
    HINTERNET req = HttpOpenRequestA(conn, o.verb.c_str(), o.path.c_str(), o.version.c_str(), "", nullptr, o.flags, 0);
    EXPECT_NE(req, 0u);
    HandleGuard g3{req};
    if (!req) return ex;
    ex.sent = HttpSendRequestA(req, o.headers.c_str(), static_cast<DWORD>(o.headers.size()),
                               o.send_body ? const_cast<char*>(o.body.data()) : nullptr,
                               o.send_body ? static_cast<DWORD>(o.body.size()) : 0);
    if (!ex.sent) ex.send_error = platform::inet::LastInetError();
    std::vector<char> buf(o.read_size);
    for (;;) {
        DWORD got = 0;
        BOOL ok = InternetReadFile(req, buf.data(), o.read_size, &got);
        ex.body.append(buf.data(), got);
        if (!ok) {
            ex.read_ok = FALSE;
            ex.read_error = platform::inet::LastInetError();
            break;
        }
        if (got == 0) break;
    }
    std::string block(1 << 20, '\0');
    DWORD len = static_cast<DWORD>(block.size());
    if (HttpQueryInfoA(req, HTTP_QUERY_RAW_HEADERS_CRLF, block.data(), &len, nullptr)) {
        block.resize(len);
        ex.headers = block;
    }
    return ex;
}

void InetTest::SetUp() {
    platform::inet::InetLimits l;
    l.connect_timeout_ms = 2000;
    l.stall_timeout_ms = 700;
    l.total_timeout_ms = 20000;
    platform::inet::SetInetLimitsForTesting(l);
    setenv("SIGDESIGNER_CA_FILE", TestCertificate::Get().cert_file.c_str(), 1);
}

void InetTest::TearDown() { platform::inet::ResetInetLimits(); }

}  // namespace inettest
