// The double-byte text rules on arbitrary bytes: the memmem-based searches,
// replacement and splitting must agree with a plain character walk, and
// blank removal and case folding must keep every double-byte character whole.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "libraries/core/gbk_text.h"

namespace {

using namespace core;

long WalkFind(std::string_view s, size_t from, size_t to, std::string_view n, bool last) {
    long found = -1;
    for (size_t i = from; i < to && to - i >= n.size(); i += CharLength(s, i))
        if (s.compare(i, n.size(), n) == 0) {
            found = static_cast<long>(i);
            if (!last) break;
        }
    return found;
}

void Check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    // Layout: needle length, region start, region end, then needle and text.
    size_t n = 1 + data[0] % 4;
    std::string_view rest(reinterpret_cast<const char*>(data + 3), size - 3);
    if (rest.size() < n) return 0;
    std::string_view needle = rest.substr(0, n);
    std::string_view text = rest.substr(n);
    size_t from = text.empty() ? 0 : data[1] % (text.size() + 1);
    size_t to = from + (text.size() - from == 0 ? 0 : data[2] % (text.size() - from + 1));

    auto pos = [](size_t p) { return p == std::string_view::npos ? -1L : static_cast<long>(p); };
    Check(pos(FindOnBoundary(text, from, to, needle, false)) == WalkFind(text, from, to, needle, false));
    Check(pos(FindLastOnBoundary(text, from, to, needle, false)) == WalkFind(text, from, to, needle, true));

    std::string replaced = ReplaceSubtext(text, needle, "", from, -1, true);
    // Deleting matches from the offset on keeps the prefix and never grows.
    Check(replaced.size() <= text.size());
    Check(std::string_view(replaced).substr(0, std::min(from, text.size())) == text.substr(0, std::min(from, text.size())));

    std::vector<std::string_view> parts = SplitText(text, needle, -1);
    size_t total = 0;
    for (std::string_view p : parts) total += p.size();
    Check(total <= text.size());

    std::string trimmed = RemoveBlanks(text, BlankMode::TrimBoth);
    Check(trimmed.size() <= text.size() && text.find(trimmed) != std::string_view::npos);
    std::string lower = ToLowerCase(text);
    Check(lower.size() == text.size());
    std::string half = ToHalfWidth(text);
    Check(half.size() <= text.size());
    (void)CompareText(text, needle, false);
    return 0;
}
