// Text commands and their double-byte rules.
#include "tests/libraries/core/core_fixture.h"

namespace {

using namespace core;
using sigtest::CoreTest;
using sigtest::Gbk;

// GBK pieces: 啊 is B0 A1; a full-width space is A1 A1; 0x81 0x40 is a
// character whose second byte is '@'.
const std::string kAh = "\xB0\xA1";
const std::string kWideSpace = "\xA1\xA1";

class TextCommandsTest : public CoreTest {};

TEST_F(TextCommandsTest, FindTextForwardAndBackward) {
    EXPECT_EQ(CallInt(kFindText, {T("abcb"), T("b"), I(3), L(false)}), 4);
    EXPECT_EQ(CallInt(kFindText, {T("abcb"), T("b"), Omitted(), L(false)}), 2);
    EXPECT_EQ(CallInt(kFindTextBackward, {T("abcb"), T("b"), Omitted(), L(false)}), 4);
    EXPECT_EQ(CallInt(kFindTextBackward, {T("abcb"), T("b"), I(4), L(false)}), 2);
    // Backward: the match must fit within the first start - 1 bytes.
    EXPECT_EQ(CallInt(kFindTextBackward, {T("abcb"), T("cb"), I(4), L(false)}), -1);
    EXPECT_EQ(CallInt(kFindTextBackward, {T("abcb"), T("b"), I(1), L(false)}), -1);
    EXPECT_EQ(CallInt(kFindTextBackward, {T("abcb"), T("b"), I(99), L(false)}), 4);
    // Start beyond the text, start below 1, empty search text.
    EXPECT_EQ(CallInt(kFindText, {T("abcb"), T("b"), I(5), L(false)}), -1);
    EXPECT_EQ(CallInt(kFindText, {T("abcb"), T("a"), I(-7), L(false)}), 1);
    EXPECT_EQ(CallInt(kFindText, {T("abcb"), T(""), I(2), L(false)}), 1);
    EXPECT_EQ(CallInt(kFindText, {T(""), T(""), Omitted(), L(false)}), -1);
    EXPECT_EQ(CallInt(kFindText, {T("ab"), T("abc"), Omitted(), L(false)}), -1);
    // Ignoring case folds ASCII letters only.
    EXPECT_EQ(CallInt(kFindText, {T("xABC"), T("bc"), Omitted(), L(true)}), 3);
    EXPECT_EQ(CallInt(kFindText, {T("xABC"), T("bc"), Omitted(), L(false)}), -1);
    EXPECT_EQ(CallInt(kFindTextBackward, {T("bcxBC"), T("bc"), Omitted(), L(true)}), 4);
}

TEST_F(TextCommandsTest, FindTextMatchesOnlyOnCharacterBoundaries) {
    // 啊啊 contains A1 B0 across the two characters: no match.
    EXPECT_EQ(CallInt(kFindText, {T(kAh + kAh), T("\xA1\xB0"), Omitted(), L(false)}), -1);
    EXPECT_EQ(CallInt(kFindTextBackward, {T(kAh + kAh), T("\xA1\xB0"), Omitted(), L(false)}), -1);
    EXPECT_EQ(CallInt(kFindText, {T("x" + kAh + kAh), T(kAh), I(1), L(false)}), 2);
    // '@' as the second byte of 81 40 is not a '@'.
    EXPECT_EQ(CallInt(kFindText, {T("\x81@@"), T("@"), Omitted(), L(false)}), 3);
    EXPECT_EQ(CallInt(kFindTextBackward, {T("@\x81@"), T("@"), Omitted(), L(false)}), 1);
    EXPECT_EQ(CallInt(kFindText, {T("\x81@" "A"), T("a"), Omitted(), L(true)}), 3);
    // Boundaries count from the region start: from byte 2 of 啊, A1 begins a character.
    EXPECT_EQ(CallInt(kFindText, {T(kAh + "@"), T("\xA1@"), I(2), L(false)}), 2);
    // A long run of double-byte characters before an ASCII match.
    std::string run;
    for (int i = 0; i < 1000; ++i) run += kAh;
    EXPECT_EQ(CallInt(kFindText, {T(run + "\xB0\xA1z"), T("\xA1\xB0"), Omitted(), L(false)}), -1);
    EXPECT_EQ(CallInt(kFindText, {T("a" + run + "z"), T(kAh + "z"), Omitted(), L(false)}), 2000);
    EXPECT_EQ(CallInt(kFindText, {T("ab" + run + "z"), T("\xA1z"), Omitted(), L(false)}), -1);
    // A lead byte at the very end stands alone.
    EXPECT_EQ(CallInt(kFindText, {T("ab\xB0"), T("\xB0"), Omitted(), L(false)}), 3);
}

TEST_F(TextCommandsTest, ReplaceSubtext) {
    EXPECT_EQ(CallText(kReplaceSubtext, {T("a-b-c"), T("-"), T("+"), Omitted(), Omitted(), L(true)}), "a+b+c");
    EXPECT_EQ(CallText(kReplaceSubtext, {T("a-b-c"), T("-"), T("+"), Omitted(), I(1), L(true)}), "a+b-c");
    EXPECT_EQ(CallText(kReplaceSubtext, {T("--x--"), T("-"), T("+"), I(3), Omitted(), L(true)}), "--x++");
    // An omitted replacement deletes; a case-insensitive one folds ASCII.
    EXPECT_EQ(CallText(kReplaceSubtext, {T("aXbxc"), T("x"), Omitted(), Omitted(), Omitted(), L(false)}), "abc");
    EXPECT_EQ(CallText(kReplaceSubtext, {T("aXbxc"), T("x"), Omitted(), Omitted(), Omitted(), L(true)}), "aXbc");
    // Copies: empty search, start beyond, count 0; an empty text stays empty.
    EXPECT_EQ(CallText(kReplaceSubtext, {T("abc"), T(""), T("z"), Omitted(), Omitted(), L(true)}), "abc");
    EXPECT_EQ(CallText(kReplaceSubtext, {T("abc"), T("a"), T("z"), I(4), Omitted(), L(true)}), "abc");
    EXPECT_EQ(CallText(kReplaceSubtext, {T("abc"), T("a"), T("z"), Omitted(), I(0), L(true)}), "abc");
    EXPECT_EQ(CallText(kReplaceSubtext, {NullText(), T("a"), T("z"), Omitted(), Omitted(), L(true)}), "");
    // Double-byte characters are never split by a match.
    EXPECT_EQ(CallText(kReplaceSubtext, {T(kAh + kAh), T("\xA1\xB0"), T("X"), Omitted(), Omitted(), L(true)}),
              kAh + kAh);
    EXPECT_EQ(CallText(kReplaceSubtext, {T("\x81@@"), T("@"), T("#"), Omitted(), Omitted(), L(true)}), "\x81@#");
    EXPECT_EQ(CallText(kReplaceSubtext, {T("\x81@@A"), T("a"), T("#"), Omitted(), Omitted(), L(false)}), "\x81@@#");
    EXPECT_EQ(CallText(kReplaceSubtext, {T(Gbk(u8"签名签名")), T(Gbk(u8"名")), T(Gbk(u8"字")), Omitted(),
                                         Omitted(), L(true)}),
              Gbk(u8"签字签字"));
    // A replacement that contains the search text is not searched again.
    EXPECT_EQ(CallText(kReplaceSubtext, {T("aa"), T("a"), T("aa"), Omitted(), Omitted(), L(true)}), "aaaa");
}

std::vector<std::string> Elements(const runtime::ArgRecord& r) {
    std::vector<std::string> out;
    runtime::ArrayInfo info;
    EXPECT_EQ(r.type, runtime::kTypeText | runtime::kArrayFlag);
    if (!runtime::ReadArrayInfo(runtime::ArgPointer(r), runtime::kTypeText, &info)) return {"<no array>"};
    EXPECT_EQ(info.dimensions, 1u);
    for (size_t i = 0; i < info.count; ++i) {
        auto* t = static_cast<const char*>(runtime::ArrayPointerElement(runtime::ArgPointer(r), info, i));
        out.push_back(t ? t : "");
    }
    return out;
}

using V = std::vector<std::string>;

TEST_F(TextCommandsTest, SplitText) {
    EXPECT_EQ(Elements(Call(kSplitText, {T("a,,b,")})), (V{"a", "", "b"}));
    EXPECT_EQ(Elements(Call(kSplitText, {T(",a")})), (V{"", "a"}));
    EXPECT_EQ(Elements(Call(kSplitText, {T("a::b::c"), T("::")})), (V{"a", "b", "c"}));
    EXPECT_EQ(Elements(Call(kSplitText, {T("a,b,c"), Omitted(), I(2)})), (V{"a", "b"}));
    EXPECT_EQ(Elements(Call(kSplitText, {T("a,b"), Omitted(), I(5)})), (V{"a", "b"}));
    EXPECT_EQ(Elements(Call(kSplitText, {T("a,b"), Omitted(), I(0)})), V{});
    EXPECT_EQ(Elements(Call(kSplitText, {T("a,b"), Omitted(), I(-3)})), V{});  // clamped to 0
    EXPECT_EQ(Elements(Call(kSplitText, {T("a,b"), T("")})), V{"a,b"});
    EXPECT_EQ(Elements(Call(kSplitText, {T("")})), V{});
    EXPECT_EQ(Elements(Call(kSplitText, {NullText(), T(",")})), V{});
    // The separator is matched on boundaries only: 0x81 takes the ',' after it.
    EXPECT_EQ(Elements(Call(kSplitText, {T("\x81,x,y")})), (V{"\x81,x", "y"}));
    EXPECT_EQ(Elements(Call(kSplitText, {T(Gbk(u8"签名，字体，颜色")), T(Gbk(u8"，"))})),
              (V{Gbk(u8"签名"), Gbk(u8"字体"), Gbk(u8"颜色")}));
}

TEST_F(TextCommandsTest, BlankRemovalKeepsDoubleByteCharactersWhole) {
    EXPECT_EQ(CallText(kTrimBoth, {T("\t a ")}), "\t a");
    EXPECT_EQ(CallText(kTrimBoth, {T(kWideSpace + " x" + kWideSpace + " ")}), "x");
    EXPECT_EQ(CallText(kTrimBoth, {T(kAh + kWideSpace)}), kAh);
    // A1 A1 straddling two characters is not a blank: B0 A1 | A1 'b'.
    EXPECT_EQ(CallText(kTrimBoth, {T("\xB0\xA1\xA1" "b")}), "\xB0\xA1\xA1" "b");
    EXPECT_EQ(CallText(kTrimBoth, {T("   ")}), "");
    EXPECT_EQ(CallText(kTrimBoth, {NullText()}), "");
    EXPECT_EQ(CallText(kRemoveAllSpaces, {T(" a b" + kWideSpace + "c\t")}), "abc\t");
    EXPECT_EQ(CallText(kRemoveAllSpaces, {T("a\xB0\xA1\xA1" "b")}), "a\xB0\xA1\xA1" "b");
    EXPECT_EQ(CallText(kRemoveAllSpaces, {T(kWideSpace)}), "");
}

TEST_F(TextCommandsTest, LengthsAndCutsCountBytes) {
    EXPECT_EQ(CallInt(kTextLength, {T(kAh + "a")}), 3);
    EXPECT_EQ(CallInt(kTextLength, {NullText()}), 0);
    EXPECT_EQ(CallText(kTextLeft, {T("abcdef"), I(2)}), "ab");
    EXPECT_EQ(CallText(kTextLeft, {T("ab"), I(9)}), "ab");
    EXPECT_EQ(CallText(kTextLeft, {T("ab"), I(0)}), "");
    EXPECT_EQ(CallText(kTextRight, {T("abcdef"), I(2)}), "ef");
    EXPECT_EQ(CallText(kTextRight, {T("ab"), I(9)}), "ab");
    EXPECT_EQ(CallText(kTextRight, {T("ab"), I(-1)}), "");
    EXPECT_EQ(CallText(kTextMiddle, {T("abcdef"), I(2), I(3)}), "bcd");
    EXPECT_EQ(CallText(kTextMiddle, {T("abcdef"), I(5), I(9)}), "ef");
    EXPECT_EQ(CallText(kTextMiddle, {T("abcdef"), I(0), I(3)}), "");
    EXPECT_EQ(CallText(kTextMiddle, {T("abcdef"), I(7), I(1)}), "");
    EXPECT_EQ(CallText(kTextMiddle, {T("abcdef"), I(INT32_MIN), I(1)}), "");
    // May cut a double-byte character.
    EXPECT_EQ(CallText(kTextLeft, {T(kAh), I(1)}), "\xB0");
    EXPECT_EQ(CallText(kCharOf, {I('A')}), "A");
    EXPECT_EQ(CallText(kCharOf, {I(0)}), "");
    EXPECT_EQ(CallText(kCharOf, {I(0x1B0)}), "\xB0");
    EXPECT_EQ(CallText(kBlankText, {I(3)}), "   ");
    EXPECT_EQ(CallText(kBlankText, {I(0)}), "");
}

TEST_F(TextCommandsTest, LowerCaseAndComparison) {
    EXPECT_EQ(CallText(kToLowerCase, {T("ABC\x81" "AZ")}), "abc\x81" "Az");
    EXPECT_EQ(CallText(kToLowerCase, {T(Gbk(u8"签名ABC"))}), Gbk(u8"签名abc"));
    EXPECT_EQ(CallInt(kCompareText, {T("abc"), T("abc"), L(true)}), 0);
    EXPECT_LT(CallInt(kCompareText, {T("ABC"), T("abc"), L(true)}), 0);
    EXPECT_EQ(CallInt(kCompareText, {T("ABC"), T("abc"), L(false)}), 0);
    EXPECT_LT(CallInt(kCompareText, {T("ab"), T("abc"), L(true)}), 0);
    EXPECT_GT(CallInt(kCompareText, {T(kAh), T("z"), L(true)}), 0);  // bytes compare unsigned
    EXPECT_EQ(CallInt(kCompareText, {NullText(), T(""), L(true)}), 0);
    // The second byte of a double-byte character is not folded.
    EXPECT_NE(CallInt(kCompareText, {T("\x81" "A"), T("\x81" "a"), L(false)}), 0);
}

}  // namespace
