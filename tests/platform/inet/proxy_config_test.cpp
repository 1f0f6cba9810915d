// Which proxy a request goes through.
#include <gtest/gtest.h>

#include "platform/inet/proxy_config.h"
#include "win/wininet.h"

namespace {

using namespace platform::inet;

ProxyConfig Named(std::string list, std::string bypass = "") {
    return ProxyConfig{INTERNET_OPEN_TYPE_PROXY, std::move(list), std::move(bypass)};
}

TEST(ProxyChoice, SchemeEntriesAndBareEntries) {
    // The plain-address form: "http=" serves http only.
    EXPECT_EQ(ProxyForRequest(Named("http=proxy:3128"), false, "example.com"), "http://proxy:3128");
    EXPECT_EQ(ProxyForRequest(Named("http=proxy:3128"), true, "example.com"), "");
    // The secure-address form: a bare entry serves every scheme.
    EXPECT_EQ(ProxyForRequest(Named("proxy:3128"), true, "example.com"), "http://proxy:3128");
    EXPECT_EQ(ProxyForRequest(Named("proxy:3128"), false, "example.com"), "http://proxy:3128");
    EXPECT_EQ(ProxyForRequest(Named("http=a:1 https=b:2"), true, "x.org"), "http://b:2");
    EXPECT_EQ(ProxyForRequest(Named("HTTP=a:1;c:3"), false, "x.org"), "http://a:1");
    EXPECT_EQ(ProxyForRequest(Named("ftp=a:1;c:3"), true, "x.org"), "http://c:3");
}

TEST(ProxyChoice, DirectPreconfiguredAndBypass) {
    EXPECT_EQ(ProxyForRequest(ProxyConfig{INTERNET_OPEN_TYPE_DIRECT, "", ""}, false, "x.org"), "");
    EXPECT_EQ(ProxyForRequest(ProxyConfig{INTERNET_OPEN_TYPE_PRECONFIG, "", ""}, false, "x.org"), std::nullopt);
    EXPECT_EQ(ProxyForRequest(Named("p:1", "*.corp;<local>"), false, "a.CORP"), "");
    EXPECT_EQ(ProxyForRequest(Named("p:1", "*.corp;<local>"), false, "intranet"), "");
    EXPECT_EQ(ProxyForRequest(Named("p:1", "*.corp;<local>"), false, "a.org"), "http://p:1");
}

TEST(ProxyChoice, LoopbackNeverProxiedUnlessAsked) {
    for (const char* h : {"127.0.0.1", "localhost", "::1", "[::1]", "127.5.6.7", "LocalHost"}) {
        EXPECT_EQ(ProxyForRequest(Named("p:1"), false, h), "") << h;
        EXPECT_EQ(ProxyForRequest(ProxyConfig{INTERNET_OPEN_TYPE_PRECONFIG, "", ""}, false, h), "") << h;
    }
    EXPECT_EQ(ProxyForRequest(Named("p:1", "<-loopback>"), false, "127.0.0.1"), "http://p:1");
    EXPECT_FALSE(IsLoopbackHost("127.example.com"));
}

}  // namespace
