// MultiByteToWideChar / WideCharToMultiByte for code pages 936 and 65001.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "win/kernel.h"

namespace {

const char kGbk[] = "A\xD6\xD0\xCE\xC4";     // "A中文"
const char kUtf8[] = "A\xE4\xB8\xAD\xE6\x96\x87";
const char16_t kWide[] = u"A\u4E2D\u6587";

std::u16string ToWide(UINT cp, const std::string& in, DWORD flags = 0) {
    int n = MultiByteToWideChar(cp, flags, in.data(), static_cast<int>(in.size()), nullptr, 0);
    std::u16string out(static_cast<size_t>(n), u'\0');
    if (n > 0) { EXPECT_EQ(MultiByteToWideChar(cp, flags, in.data(), static_cast<int>(in.size()), out.data(), n), n); }
    return out;
}

std::string ToNarrow(UINT cp, const std::u16string& in, BOOL* usedDefault = nullptr, const char* def = nullptr) {
    int n = WideCharToMultiByte(cp, 0, in.data(), static_cast<int>(in.size()), nullptr, 0, def, usedDefault);
    std::string out(static_cast<size_t>(n), '\0');
    if (n > 0) {
        EXPECT_EQ(WideCharToMultiByte(cp, 0, in.data(), static_cast<int>(in.size()), out.data(), n, def, usedDefault), n);
    }
    return out;
}

}  // namespace

TEST(CodePage, GbkAndUtf8RoundTrip) {
    EXPECT_EQ(ToWide(936, kGbk), kWide);
    EXPECT_EQ(ToWide(CP_ACP, kGbk), kWide);  // the program's ANSI code page is GBK
    EXPECT_EQ(ToWide(65001, kUtf8), kWide);
    EXPECT_EQ(ToNarrow(936, kWide), kGbk);
    EXPECT_EQ(ToNarrow(65001, kWide), kUtf8);
    // Beyond the BMP through UTF-8: a surrogate pair.
    EXPECT_EQ(ToWide(65001, "\xF0\x9F\x98\x80"), std::u16string(u"\U0001F600"));
    EXPECT_EQ(ToNarrow(65001, u"\U0001F600"), "\xF0\x9F\x98\x80");
}

TEST(CodePage, MinusOneCountsTheTerminator) {
    EXPECT_EQ(MultiByteToWideChar(936, 0, kGbk, -1, nullptr, 0), 4);
    char16_t w[8];
    EXPECT_EQ(MultiByteToWideChar(936, 0, kGbk, -1, w, 8), 4);
    EXPECT_EQ(std::u16string(w), kWide);
    EXPECT_EQ(WideCharToMultiByte(65001, 0, kWide, -1, nullptr, 0, nullptr, nullptr), 8);
    char n[16];
    EXPECT_EQ(WideCharToMultiByte(936, 0, kWide, -1, n, 16, nullptr, nullptr), 6);
    EXPECT_STREQ(n, kGbk);
}

TEST(CodePage, SmallBuffersAndBadArgumentsFail) {
    char16_t w[2];
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(936, 0, kGbk, -1, w, 2), 0);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    char n[3];
    EXPECT_EQ(WideCharToMultiByte(936, 0, kWide, 3, n, 3, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(MultiByteToWideChar(936, 0, kGbk, 0, w, 2), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(MultiByteToWideChar(936, 0, nullptr, 3, w, 2), 0);
    EXPECT_EQ(MultiByteToWideChar(1252, 0, "a", 1, w, 2), 0);  // unsupported code page
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(MultiByteToWideChar(936, 0, "a", 1, nullptr, 2), 0);
    // UTF-8 has no default character.
    BOOL used = FALSE;
    EXPECT_EQ(WideCharToMultiByte(65001, 0, kWide, 3, n, 3, nullptr, &used), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(CodePage, InvalidInputIsReplacedOrRefused) {
    // A lone lead byte, an invalid pair, and a lead byte cut at the end.
    std::u16string w = ToWide(936, std::string("a\xFF" "b\x81", 4));
    EXPECT_EQ(w, u"a?b?");
    EXPECT_EQ(ToWide(936, "a\xFF", MB_ERR_INVALID_CHARS), u"");
    EXPECT_EQ(GetLastError(), ERROR_NO_UNICODE_TRANSLATION);
    // UTF-8: one U+FFFD per maximal invalid subsequence, surrogates and overlongs refused.
    EXPECT_EQ(ToWide(65001, "a\xE4\xB8" "b"), u"a\uFFFDb");
    EXPECT_EQ(ToWide(65001, "\xC0\xAF"), u"\uFFFD\uFFFD");
    EXPECT_EQ(ToWide(65001, "\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(ToWide(65001, "\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(ToWide(65001, "ok\x80", MB_ERR_INVALID_CHARS), u"");
    // A lone surrogate to UTF-8 becomes U+FFFD.
    EXPECT_EQ(ToNarrow(65001, std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(CodePage, UnmappableCharactersUseTheDefaultCharacter) {
    BOOL used = FALSE;
    EXPECT_EQ(ToNarrow(936, u"a\u0E01b", &used), "a?b");  // Thai has no GBK form
    EXPECT_TRUE(used);
    EXPECT_EQ(ToNarrow(936, u"x\U0001F600y", &used, "*"), "x*y");  // one default for a surrogate pair
    EXPECT_EQ(ToNarrow(936, kWide, &used), kGbk);
    EXPECT_FALSE(used);
}

// Converters are kept open per thread between calls: a conversion cut short
// by bad input must leave nothing behind for the next one, directions must not
// be mixed up, and threads must not share a converter.
TEST(CodePage, ConvertersKeptOpenStayIndependent) {
    auto round = [](int salt) {
        int bad = 0;
        for (int i = 0; i < 300; ++i) {
            // A GBK lead byte cut at the end leaves a converter mid-character.
            if (ToWide(936, std::string("x\xD6", 2)) != u"x?") ++bad;
            if (ToWide(936, kGbk) != kWide) ++bad;
            if (ToNarrow(936, kWide) != kGbk) ++bad;
            if (ToNarrow(936, u"a\u0E01") != "a?") ++bad;
            std::string plain = "path\\" + std::to_string(salt * 1000 + i);
            if (ToNarrow(936, ToWide(936, plain)) != plain) ++bad;
        }
        return bad;
    };
    EXPECT_EQ(round(0), 0);
    int results[4] = {-1, -1, -1, -1};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) threads.emplace_back([&, t] { results[t] = round(t + 1); });
    for (auto& th : threads) th.join();
    for (int r : results) EXPECT_EQ(r, 0);
}
