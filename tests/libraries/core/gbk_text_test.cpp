// The boundary tracker behind the fast searches, checked against the plain
// character walk on random mixed texts.
#include <random>

#include "libraries/core/gbk_text.h"
#include "tests/runtime/support/runtime_fixture.h"

namespace {

using namespace core;

// The reference: walk every character, compare at each.
long WalkFind(std::string_view s, size_t from, size_t to, std::string_view n, bool last) {
    long found = -1;
    for (size_t i = from; i < to && to - i >= n.size(); i += CharLength(s, i))
        if (s.compare(i, n.size(), n) == 0) {
            found = static_cast<long>(i);
            if (!last) break;
        }
    return found;
}

std::string RandomText(std::mt19937& rng, size_t n) {
    // Few distinct bytes so that matches straddle characters often.
    static const unsigned char alphabet[] = {'a', 'b', '@', ',', 0xA1, 0xB0, 0x81};
    std::string s;
    for (size_t i = 0; i < n; ++i) s += static_cast<char>(alphabet[rng() % sizeof alphabet]);
    return s;
}

TEST(GbkTextTest, FastSearchAgreesWithTheCharacterWalk) {
    std::mt19937 rng(12345);
    for (int round = 0; round < 3000; ++round) {
        std::string s = RandomText(rng, rng() % 40);
        std::string n = RandomText(rng, 1 + rng() % 3);
        size_t from = s.empty() ? 0 : rng() % (s.size() + 1);
        size_t to = from + (s.size() - from == 0 ? 0 : rng() % (s.size() - from + 1));
        auto fast = [](size_t p) { return p == std::string_view::npos ? -1L : static_cast<long>(p); };
        ASSERT_EQ(fast(FindOnBoundary(s, from, to, n, false)), WalkFind(s, from, to, n, false))
            << round << " " << testing::PrintToString(s) << " " << testing::PrintToString(n);
        ASSERT_EQ(fast(FindLastOnBoundary(s, from, to, n, false)), WalkFind(s, from, to, n, true)) << round;
    }
}

TEST(GbkTextTest, ReplaceAndSplitAgreeWithTheCharacterWalk) {
    std::mt19937 rng(777);
    for (int round = 0; round < 2000; ++round) {
        std::string s = RandomText(rng, rng() % 30);
        std::string n = RandomText(rng, 1 + rng() % 2);
        // Reference replace: walk from 0, replace every boundary match.
        std::string expected;
        for (size_t i = 0; i < s.size();) {
            if (s.size() - i >= n.size() && s.compare(i, n.size(), n) == 0) {
                expected += "#";
                i += n.size();
            } else {
                size_t len = CharLength(s, i);
                expected.append(s, i, len);
                i += len;
            }
        }
        ASSERT_EQ(ReplaceSubtext(s, n, "#", 0, -1, true), expected) << round;
        // Reference split built from the same walk.
        std::vector<std::string_view> pieces;
        size_t cut = 0;
        for (size_t i = 0; i < s.size();) {
            if (s.size() - i >= n.size() && s.compare(i, n.size(), n) == 0) {
                pieces.push_back(std::string_view(s).substr(cut, i - cut));
                i += n.size();
                cut = i;
            } else {
                i += CharLength(s, i);
            }
        }
        if (cut < s.size()) pieces.push_back(std::string_view(s).substr(cut));
        ASSERT_EQ(SplitText(s, n, -1), pieces) << round;
    }
}

}  // namespace
