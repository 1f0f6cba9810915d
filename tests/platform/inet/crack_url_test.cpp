// InternetCrackUrlA: the parts, in pointer and in copy form, and the
// addresses it must refuse.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/inet/inet_limits.h"
#include "platform/inet/url_parts.h"
#include "win/wininet.h"

namespace {

struct Cracked {
    BOOL ok = FALSE;
    DWORD error = 0;
    std::string scheme, host, user, password, path, extra;
    int scheme_id = 0;
    int port = 0;
};

// Asks for every part as a pointer into the address.
Cracked CrackPointers(const char* url) {
    URL_COMPONENTSA u{};
    u.dwStructSize = sizeof u;
    u.dwSchemeLength = u.dwHostNameLength = u.dwUserNameLength = u.dwPasswordLength = u.dwUrlPathLength =
        u.dwExtraInfoLength = 1;
    Cracked c;
    c.ok = InternetCrackUrlA(url, 0, 0, &u);
    if (!c.ok) {
        c.error = platform::inet::LastInetError();
        return c;
    }
    auto part = [&](LPSTR p, DWORD n) {
        // Pointers must point into the caller's address, never elsewhere.
        EXPECT_GE(p, url);
        EXPECT_LE(p + n, url + std::strlen(url));
        return std::string(p, n);
    };
    c.scheme = part(u.lpszScheme, u.dwSchemeLength);
    c.host = part(u.lpszHostName, u.dwHostNameLength);
    c.user = part(u.lpszUserName, u.dwUserNameLength);
    c.password = part(u.lpszPassword, u.dwPasswordLength);
    c.path = part(u.lpszUrlPath, u.dwUrlPathLength);
    c.extra = part(u.lpszExtraInfo, u.dwExtraInfoLength);
    c.scheme_id = u.nScheme;
    c.port = u.nPort;
    return c;
}

TEST(CrackUrl, SplitsEveryPartAsPointers) {
    Cracked c = CrackPointers("http://user:pw@Example.com:8080/a/b.png?x=1&y=2#frag");
    ASSERT_TRUE(c.ok);
    EXPECT_EQ(c.scheme, "http");
    EXPECT_EQ(c.scheme_id, INTERNET_SCHEME_HTTP);
    EXPECT_EQ(c.user, "user");
    EXPECT_EQ(c.password, "pw");
    EXPECT_EQ(c.host, "Example.com");
    EXPECT_EQ(c.port, 8080);
    EXPECT_EQ(c.path, "/a/b.png");
    EXPECT_EQ(c.extra, "?x=1&y=2#frag");
}

TEST(CrackUrl, CapitalSchemesDefaultPortsAndMissingPath) {
    Cracked c = CrackPointers("HTTPS://HOST.example");
    ASSERT_TRUE(c.ok);
    EXPECT_EQ(c.scheme, "HTTPS");
    EXPECT_EQ(c.scheme_id, INTERNET_SCHEME_HTTPS);
    EXPECT_EQ(c.port, 443);
    EXPECT_EQ(c.host, "HOST.example");
    EXPECT_EQ(c.path, "");
    EXPECT_EQ(c.extra, "");

    c = CrackPointers("Http://h?q");
    ASSERT_TRUE(c.ok);
    EXPECT_EQ(c.scheme_id, INTERNET_SCHEME_HTTP);
    EXPECT_EQ(c.port, 80);
    EXPECT_EQ(c.path, "");
    EXPECT_EQ(c.extra, "?q");

    c = CrackPointers("http://h:/p");  // an empty port means the default
    ASSERT_TRUE(c.ok);
    EXPECT_EQ(c.port, 80);

    c = CrackPointers("http://[::1]:81/x");
    ASSERT_TRUE(c.ok);
    EXPECT_EQ(c.host, "::1");
    EXPECT_EQ(c.port, 81);
}

TEST(CrackUrl, FragmentWithoutQueryAndPathWithBlanks) {
    Cracked c = CrackPointers("http://h/a b/c#x y");
    ASSERT_TRUE(c.ok);
    EXPECT_EQ(c.path, "/a b/c");
    EXPECT_EQ(c.extra, "#x y");
}

TEST(CrackUrl, UserNameWithoutPasswordAndAtInPassword) {
    Cracked c = CrackPointers("http://bob@h/");
    ASSERT_TRUE(c.ok);
    EXPECT_EQ(c.user, "bob");
    EXPECT_EQ(c.password, "");
    EXPECT_EQ(c.host, "h");
    c = CrackPointers("http://bob:p@ss@h/");
    ASSERT_TRUE(c.ok);
    EXPECT_EQ(c.password, "p@ss");
    EXPECT_EQ(c.host, "h");
}

TEST(CrackUrl, RefusesBadAddresses) {
    struct Case {
        const char* url;
        DWORD error;
    } cases[] = {
        {"", ERROR_INTERNET_UNRECOGNIZED_SCHEME},
        {"www.example.com/a", ERROR_INTERNET_UNRECOGNIZED_SCHEME},
        {"foo://h/", ERROR_INTERNET_UNRECOGNIZED_SCHEME},
        {"://h/", ERROR_INTERNET_UNRECOGNIZED_SCHEME},
        {"http://h:65536/", ERROR_INTERNET_INVALID_URL},
        {"http://h:0/", ERROR_INTERNET_INVALID_URL},
        {"http://h:99999999999/", ERROR_INTERNET_INVALID_URL},
        {"http://h:8a/", ERROR_INTERNET_INVALID_URL},
        {"http://h:-1/", ERROR_INTERNET_INVALID_URL},
        {"http:///path", ERROR_INTERNET_INVALID_URL},
        {"http://ho st/", ERROR_INTERNET_INVALID_URL},
        {"http:h/path", ERROR_INTERNET_INVALID_URL},
        {"http://[::1/", ERROR_INTERNET_INVALID_URL},
    };
    for (const Case& k : cases) {
        Cracked c = CrackPointers(k.url);
        EXPECT_FALSE(c.ok) << k.url;
        EXPECT_EQ(c.error, k.error) << k.url;
    }
}

TEST(CrackUrl, CopiesIntoBuffersAndReportsShortOnes) {
    char host[64], path[8], extra[64];
    URL_COMPONENTSA u{};
    u.dwStructSize = sizeof u;
    u.lpszHostName = host;
    u.dwHostNameLength = sizeof host;
    u.lpszUrlPath = path;
    u.dwUrlPathLength = sizeof path;
    u.lpszExtraInfo = extra;
    u.dwExtraInfoLength = sizeof extra;
    EXPECT_TRUE(InternetCrackUrlA("http://h.example/abc?z", 0, 0, &u));
    EXPECT_STREQ(host, "h.example");
    EXPECT_EQ(u.dwHostNameLength, 9u);
    EXPECT_STREQ(path, "/abc");
    EXPECT_EQ(u.dwUrlPathLength, 4u);
    EXPECT_STREQ(extra, "?z");

    // "/abcdefgh" needs 10 bytes with its terminator; the buffer has 8.
    u.dwHostNameLength = sizeof host;
    u.dwUrlPathLength = sizeof path;
    u.dwExtraInfoLength = sizeof extra;
    EXPECT_FALSE(InternetCrackUrlA("http://h/abcdefgh", 0, 0, &u));
    EXPECT_EQ(platform::inet::LastInetError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(u.dwUrlPathLength, 10u);
}

TEST(CrackUrl, DecodesOnlyIntoBuffers) {
    char path[64], user[16];
    URL_COMPONENTSA u{};
    u.dwStructSize = sizeof u;
    u.lpszUrlPath = path;
    u.dwUrlPathLength = sizeof path;
    u.lpszUserName = user;
    u.dwUserNameLength = sizeof user;
    EXPECT_TRUE(InternetCrackUrlA("http://a%20b@h/x%2Fy%zz%4", 0, ICU_DECODE, &u));
    EXPECT_STREQ(path, "/x/y%zz%4");
    EXPECT_STREQ(user, "a b");

    URL_COMPONENTSA p{};
    p.dwStructSize = sizeof p;
    p.dwUrlPathLength = 1;  // a pointer cannot carry decoded text
    EXPECT_FALSE(InternetCrackUrlA("http://h/x%20", 0, ICU_DECODE, &p));
    EXPECT_EQ(platform::inet::LastInetError(), ERROR_INVALID_PARAMETER);
}

TEST(CrackUrl, HonoursTheLengthAndTheStructSize) {
    URL_COMPONENTSA u{};
    u.dwStructSize = sizeof u;
    u.dwHostNameLength = 1;
    u.dwUrlPathLength = 1;
    // Only the first 13 bytes count: "http://h/abcd".
    ASSERT_TRUE(InternetCrackUrlA("http://h/abcdEFGH", 13, 0, &u));
    EXPECT_EQ(std::string(u.lpszUrlPath, u.dwUrlPathLength), "/abcd");

    URL_COMPONENTSA bad{};
    bad.dwStructSize = 4;
    EXPECT_FALSE(InternetCrackUrlA("http://h/", 0, 0, &bad));
    EXPECT_FALSE(InternetCrackUrlA(nullptr, 0, 0, &u));
    EXPECT_FALSE(InternetCrackUrlA("http://h/", 0, 0, nullptr));
}

TEST(WireEncoding, EncodesBlanksControlsAndHighBytesOnly) {
    using platform::inet::EncodeForWire;
    EXPECT_EQ(EncodeForWire("/a b?c=%41&d=\x01"), "/a%20b?c=%41&d=%01");
    // GBK bytes of a Chinese word, byte by byte.
    EXPECT_EQ(EncodeForWire("/\xC7\xA9\xC3\xFB"), "/%C7%A9%C3%FB");
    EXPECT_EQ(EncodeForWire("/~!$&'()*+,;=:@"), "/~!$&'()*+,;=:@");
    EXPECT_EQ(EncodeForWire("\x7F"), "%7F");
}

}  // namespace
