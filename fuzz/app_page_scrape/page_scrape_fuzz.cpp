// Page scraping and address splitting on arbitrary bytes: TextBetween with
// markers taken from the input, and the host, port and path of the input as
// an address. Input: a control byte, then NUL-separated text, left marker
// and right marker (missing parts are empty).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include <unistd.h>

#include "app/address_parts.h"
#include "app/text_between.h"
#include "compiled_program.h"
#include "libraries/core/core_library.h"
#include "runtime/application.h"
#include "runtime/entry_table.h"

namespace {

const runtime::LibraryInfo* g_libraries[1] = {&core::CoreLibraryInfo()};
const runtime::ProgramHeader g_header{.libraryCount = 1, .libraries = g_libraries};

void StartOnce() {
    static bool started = [] {
        // Start-up makes the program folder the current one; the fuzzer's
        // corpus paths are relative to where it was started.
        char* here = getcwd(nullptr, 0);
        runtime::Application::Instance().SetProgram(&g_header);
        runtime::EntryTable().RuntimeService(runtime::kServiceStartRuntime, 0, 0, 0, 0, 0, 0);
        if (here && chdir(here) != 0) __builtin_trap();
        free(here);
        return true;
    }();
    (void)started;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    StartOnce();
    if (size == 0) return 0;
    uint8_t control = data[0];
    std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
    std::string parts[3];
    size_t at = 0;
    for (int i = 0; i < 3 && at <= rest.size(); ++i) {
        size_t end = rest.find('\0', at);
        if (end == std::string::npos) end = rest.size();
        parts[i] = rest.substr(at, end - at);
        at = end + 1;
    }
    const std::string& text = parts[0];
    int32_t start = static_cast<int8_t>(control) / 4;
    bool ignoreCase = control & 1;

    app::Text between = app::TextBetween(text.c_str(), parts[1].c_str(), parts[2].c_str(), start, ignoreCase);
    // What comes back is a piece of the text.
    if (!between.empty() && text.find(between.view()) == std::string::npos) __builtin_trap();

    app::Text host = app::HostOfAddress(text.c_str(), (control & 2) != 0);
    app::Text path = app::PathOfAddress(text.c_str());
    int32_t port = app::PortOfAddress(text.c_str());
    (void)port;
    // A path always starts with "/".
    if (path.view().empty() || path.view()[0] != '/') __builtin_trap();
    return 0;
}
