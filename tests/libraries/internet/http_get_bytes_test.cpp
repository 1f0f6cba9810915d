// The internet library: its descriptor and notify answers, and HttpGetBytes
// called through CallLibraryCommand against loopback servers: the request
// form, bodies whatever the status, fragments, break-offs and failures.
#include <time.h>

#include "libraries/core/core_library.h"
#include "libraries/internet/http_get_bytes.h"
#include "libraries/internet/internet_library.h"
#include "libraries/internet/internet_state.h"
#include "libraries/os/os_library.h"
#include "libraries/special/special_library.h"
#include "platform/inet/inet_limits.h"
#include "tests/platform/inet/loopback_server.h"
#include "tests/runtime/support/runtime_fixture.h"
#include "win/wininet.h"

namespace {

using inettest::Conn;
using inettest::LoopbackServer;
using inettest::ReceivedRequest;

double Now() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

class InternetLibraryTest : public sigtest::RuntimeTest {
protected:
    void SetUp() override {
        RuntimeTest::SetUp();
        platform::inet::InetLimits l;
        l.connect_timeout_ms = 2000;
        l.stall_timeout_ms = 3000;
        l.total_timeout_ms = 20000;
        platform::inet::SetInetLimitsForTesting(l);
        setenv("SIGDESIGNER_CA_FILE", inettest::TestCertificate::Get().cert_file.c_str(), 1);
        Start(&header_);
    }
    void TearDown() override {
        internet::InternetLibraryInfo().notify(runtime::kLibraryEnd, 0, 0);
        platform::inet::ResetInetLimits();
        RuntimeTest::TearDown();
    }

    // HttpGetBytes as compiled logic calls it: library 2, one text argument.
    std::string Get(const char* url, uint32_t type = runtime::kTypeText) {
        runtime::ArgRecord args[1] = {runtime::MakePointerArg(url, type)};
        runtime::ArgRecord r = rt().CallLibraryCommand(internet::kInternetCommands[internet::kHttpGetBytes], 1, args, 2);
        EXPECT_EQ(r.type, runtime::kTypeBytes);
        void* set = runtime::ArgPointer(r);
        if (set) {
            EXPECT_GT(runtime::ByteSetLength(set), 0u) << "an empty byte set must be null";
        }
        std::string bytes(runtime::ByteSetView(set));
        rt().FreeMemory(set);
        return bytes;
    }

    const runtime::LibraryInfo* libraries_[4] = {&core::CoreLibraryInfo(), &special::SpecialLibraryInfo(),
                                                 &internet::InternetLibraryInfo(), &os::OsLibraryInfo()};
    runtime::ProgramHeader header_{.libraryCount = 4, .libraries = libraries_};
};

TEST_F(InternetLibraryTest, DescriptorAndNotifyAnswers) {
    const runtime::LibraryInfo& info = internet::InternetLibraryInfo();
    EXPECT_EQ(info.formatMarker, runtime::kLibraryFormatMarker);
    EXPECT_EQ(std::string(info.identifier).size(), 32u);
    EXPECT_EQ(std::string(info.identifier).find_first_not_of("0123456789ABCDEF"), std::string::npos);
    EXPECT_EQ(info.commandCount, 1u);
    EXPECT_EQ(info.commands[0], &internet::CmdHttpGetBytes);
    EXPECT_EQ(info.typeCount, 0u);
    // 1 stores the runtime's entry (done by the start-up above) and answers 0.
    EXPECT_EQ(info.notify(runtime::kLibraryStart, reinterpret_cast<uintptr_t>(&runtime::NotifyRuntime), 0), 0);
    EXPECT_EQ(internet::Notify(), &runtime::NotifyRuntime);
    EXPECT_EQ(info.notify(2, 0, 0), -1);
    EXPECT_EQ(info.notify(2024, 0, 0), -1);

    // The special-function library: no commands; answers 1 and 6 with 0.
    const runtime::LibraryInfo& special = special::SpecialLibraryInfo();
    EXPECT_EQ(special.formatMarker, runtime::kLibraryFormatMarker);
    EXPECT_EQ(special.commandCount, 0u);
    EXPECT_EQ(special.notify(runtime::kLibraryStart, 0, 0), 0);
    EXPECT_EQ(special.notify(runtime::kLibraryEnd, 0, 0), 0);
    EXPECT_EQ(special.notify(3, 0, 0), -1);
    // The four descriptors are told apart by their identifiers.
    EXPECT_STRNE(special.identifier, info.identifier);
    EXPECT_STRNE(os::OsLibraryInfo().identifier, info.identifier);
    EXPECT_STRNE(core::CoreLibraryInfo().identifier, info.identifier);
}

TEST_F(InternetLibraryTest, RequestFormAndOneRootHandleForTheWholeRun) {
    LoopbackServer server([](const ReceivedRequest&, Conn& c) { c.Send(LoopbackServer::Reply(200, "OK", "picture")); });
    EXPECT_EQ(Get((server.Base() + "/img/a.png?v=2#top").c_str()), "picture");
    ReceivedRequest r = server.Requests().at(0);
    EXPECT_EQ(r.request_line, "GET /img/a.png?v=2 HTTP/1.0");
    EXPECT_EQ(r.Header("User-Agent"), "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)");
    EXPECT_EQ(r.Header("Accept"), "*/*");
    EXPECT_EQ(r.head.find("Accept:"), r.head.rfind("Accept:")) << "one Accept line: " << r.head;
    EXPECT_EQ(r.Header("Referer"), "");
    EXPECT_EQ(r.Header("Cookie"), "");

    HINTERNET root = internet::State().root;
    EXPECT_NE(root, 0u);
    EXPECT_EQ(Get((server.Base() + "/second").c_str()), "picture");
    EXPECT_EQ(internet::State().root, root);        // kept between downloads
    EXPECT_EQ(internet::State().connection, 0u);    // closed after each

    // Program end closes the root handle; the next download opens another.
    internet::InternetLibraryInfo().notify(runtime::kLibraryEnd, 0, 0);
    EXPECT_EQ(internet::State().root, 0u);
    EXPECT_FALSE(InternetCloseHandle(root));
    EXPECT_EQ(Get((server.Base() + "/again").c_str()), "picture");
}

TEST_F(InternetLibraryTest, BodiesWhateverTheStatusAndBrokenTransfersKeepTheirBytes) {
    std::string big(1000000, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 13 + (i >> 9));
    LoopbackServer server([&](const ReceivedRequest& r, Conn& c) {
        const std::string& line = r.request_line;
        if (line.find("/missing") != std::string::npos)
            c.Send(LoopbackServer::Reply(404, "Not Found", "<html>404</html>"));
        else if (line.find("/big") != std::string::npos)
            c.Send(LoopbackServer::Reply(200, "OK", big));
        else if (line.find("/cut") != std::string::npos)
            c.Send("HTTP/1.0 200 OK\r\nContent-Length: 50000\r\n\r\n" + std::string(20000, 'c'));
        else if (line.find("/nolength") != std::string::npos)
            c.Send("HTTP/1.0 200 OK\r\n\r\n" + std::string(25000, 'n'));
        else if (line.find("/empty") != std::string::npos)
            c.Send(LoopbackServer::Reply(204, "No Content", ""));
        else if (line.find("/stall") != std::string::npos) {
            c.Send("HTTP/1.0 200 OK\r\nContent-Length: 9000\r\n\r\nfirst");
            c.WaitStop(10000);
        } else
            c.Send(LoopbackServer::Reply(200, "OK", line));
    });
    std::string base = server.Base();
    EXPECT_EQ(Get((base + "/missing").c_str()), "<html>404</html>");
    EXPECT_TRUE(Get((base + "/big").c_str()) == big);
    EXPECT_EQ(Get((base + "/cut").c_str()), std::string(20000, 'c'));
    EXPECT_EQ(Get((base + "/nolength").c_str()), std::string(25000, 'n'));
    EXPECT_EQ(Get((base + "/empty").c_str()), "");
    double t = Now();
    EXPECT_EQ(Get((base + "/stall").c_str()), "first");
    EXPECT_LT(Now() - t, 8.0);
    // Capital scheme, no path.
    EXPECT_EQ(Get(("HTTP://127.0.0.1:" + std::to_string(server.port())).c_str()), "GET / HTTP/1.0");
}

TEST_F(InternetLibraryTest, SecureAddressesUseTls) {
    LoopbackServer secure([](const ReceivedRequest& r, Conn& c) { c.Send(LoopbackServer::Reply(200, "OK", r.request_line)); }, true);
    EXPECT_EQ(Get((secure.Base() + "/s.png").c_str()), "GET /s.png HTTP/1.0") << platform::inet::LastInetError();
    EXPECT_EQ(Get((secure.Base() + "/t.png").c_str()), "GET /t.png HTTP/1.0") << platform::inet::LastInetError();
    EXPECT_EQ(Get((secure.Base() + "/u.png#y").c_str()), "GET /u.png HTTP/1.0") << platform::inet::LastInetError();
}

TEST_F(InternetLibraryTest, FailuresGiveTheEmptyByteSet) {
    inettest::RefusingPort refusing;
    inettest::SilentPort silent;
    LoopbackServer server([](const ReceivedRequest&, Conn& c) { c.Send("garbage\r\n\r\n"); });
    platform::inet::InetLimits l = platform::inet::CurrentInetLimits();
    l.max_body_bytes = 1u << 20;
    platform::inet::SetInetLimitsForTesting(l);
    LoopbackServer endless([](const ReceivedRequest&, Conn& c) {
        c.Send("HTTP/1.0 200 OK\r\n\r\n");
        std::string piece(64 << 10, 'e');
        while (c.Send(piece)) {
        }
    });
    double t = Now();
    for (const std::string& url : {std::string(), std::string("#only"), std::string("127.0.0.1/no-scheme"),
                                  std::string("ftp://127.0.0.1/x"), std::string("http://bad host/"),
                                  std::string("http://127.0.0.1:99999/"), std::string("http://no-such-host.invalid/"),
                                  "http://127.0.0.1:" + std::to_string(refusing.port()) + "/",
                                  "http://127.0.0.1:" + std::to_string(silent.port()) + "/",
                                  // TCP accepted by the backlog, TLS handshake never answered.
                                  "https://127.0.0.1:" + std::to_string(silent.port()) + "/",
                                  server.Base() + "/garbage"}) {
        SCOPED_TRACE(url);
        EXPECT_EQ(Get(url.c_str()), "");
    }
    EXPECT_LT(Now() - t, 20.0);
    EXPECT_EQ(Get((endless.Base() + "/").c_str()).size(), 1u << 20);  // cut at the body limit
    // Not a text: nothing to download.
    EXPECT_EQ(Get(nullptr), "");
    EXPECT_EQ(Get("http://127.0.0.1/", runtime::kTypeInt), "");
}

}  // namespace
