// The automation script reader over arbitrary bytes: it must only ever
// return steps or errors, and every step it returns must be well formed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/backend/automation/script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace platform::automation;
    Script s = ParseScript(std::string_view(reinterpret_cast<const char*>(data), size));
    int last = 0;
    for (const Step& st : s.steps) {
        if (st.line <= last || st.source.empty() || static_cast<int>(st.kind) >= static_cast<int>(StepKind::Count))
            std::abort();
        last = st.line;
        if (st.kind == StepKind::Key && st.vk == 0) std::abort();
    }
    for (const ScriptError& e : s.errors)
        if (e.line <= 0 || e.why.empty()) std::abort();
    return 0;
}
