// A runtime started with the program's real DLL declarations and its four
// libraries (no window templates, no routines), short internet limits so
// failure cases end within a second or two, and trust in the test
// certificate of the loopback HTTPS server.
#pragma once

#include <string>

#include "app/core_calls.h"
#include "compiled_program.h"
#include "libraries/core/core_library.h"
#include "libraries/internet/internet_library.h"
#include "libraries/os/os_library.h"
#include "libraries/special/special_library.h"
#include "platform/inet/inet_limits.h"
#include "tests/platform/inet/loopback_server.h"
#include "tests/runtime/support/runtime_fixture.h"

namespace apptest {

class AppTest : public sigtest::RuntimeTest {
protected:
    void SetUp() override {
        RuntimeTest::SetUp();
        platform::inet::InetLimits l;
        l.connect_timeout_ms = 2000;
        l.stall_timeout_ms = 1000;
        l.total_timeout_ms = 20000;
        platform::inet::SetInetLimitsForTesting(l);
        setenv("SIGDESIGNER_CA_FILE", inettest::TestCertificate::Get().cert_file.c_str(), 1);
        Start(&header_);
    }
    void TearDown() override {
        platform::inet::ResetInetLimits();
        RuntimeTest::TearDown();
    }

    // A text held like a caller's variable: a block on the runtime heap.
    static app::Text Var(std::string_view s) { return app::Text::Copy(s); }
    static std::string Str(const app::Text& t) { return std::string(t.view()); }

    const runtime::LibraryInfo* libraries_[compiled_program::kLibraryCount] = {
        &core::CoreLibraryInfo(), &special::SpecialLibraryInfo(), &internet::InternetLibraryInfo(),
        &os::OsLibraryInfo()};
    runtime::ProgramHeader header_{.kind = compiled_program::kProgramKind,
                                   .libraryCount = compiled_program::kLibraryCount,
                                   .libraries = libraries_,
                                   .dllCount = compiled_program::kDllCount,
                                   .dllCommands = compiled_program::kDllCommands};
};

}  // namespace apptest
