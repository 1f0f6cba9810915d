// The pure profile-file reader and editor.
#include "platform/kernel/ini.h"

#include <gtest/gtest.h>

#include <string>

namespace ini = platform::ini;

namespace {

// A literal's bytes, embedded NULs included.
template <size_t N>
std::string Bytes(const char (&s)[N]) {
    return std::string(s, N - 1);
}

ini::Document Gbk(std::string body) { return ini::Document{ini::Encoding::Ansi, std::move(body)}; }

std::string Value(const ini::Document& d, std::string_view s, std::string_view k) {
    auto v = ini::FindValue(d, s, k);
    return v ? *v : std::string("<missing>");
}

// GBK characters whose trail byte looks like ASCII: 0x81 0x41 / 0x81 0x61
// differ only in the case of their trail "letter"; 0x81 0x5D ends in ']'.
const std::string kTrailA = "\x81\x41";
const std::string kTrailLowerA = "\x81\x61";
const std::string kTrailBracket = "\x81\x5D";
const std::string kEditBox = "\xB1\xE0\xBC\xAD\xBF\xF2";  // the section the tool keeps its edit boxes in

}  // namespace

TEST(IniRead, SectionsAndKeysIgnoreAsciiCaseAndSurroundingBlanks) {
    auto d = Gbk("[Main]\r\n  Name =  value one  \r\nOther=2\r\n");
    EXPECT_EQ(Value(d, "main", "NAME"), "value one");
    EXPECT_EQ(Value(d, " MAIN ", " other"), "2");
    EXPECT_EQ(Value(d, "main", "missing"), "<missing>");
    EXPECT_EQ(Value(d, "other", "name"), "<missing>");
}

TEST(IniRead, GbkNamesCompareTrailBytesExactly) {
    auto d = Gbk("[" + kTrailA + "]\nk=upper\n[" + kTrailLowerA + "]\nk=lower\n[" + kEditBox + "]\n" + kTrailA +
                 "x=1\n");
    EXPECT_EQ(Value(d, kTrailA, "k"), "upper");
    EXPECT_EQ(Value(d, kTrailLowerA, "K"), "lower");
    EXPECT_EQ(Value(d, kEditBox, kTrailA + "X"), "1");
    EXPECT_EQ(Value(d, kEditBox, kTrailLowerA + "x"), "<missing>");
    // A ']' trail byte does not end the section name.
    auto b = Gbk("[a" + kTrailBracket + "b]\nk=v\n");
    EXPECT_EQ(Value(b, "A" + kTrailBracket + "B", "k"), "v");
    EXPECT_FALSE(ini::NamesEqual(kTrailA, kTrailLowerA, true));
    EXPECT_TRUE(ini::NamesEqual(kTrailA, kTrailLowerA, false));  // UTF-8 text has no such bytes
}

TEST(IniRead, LineBreaksOfEveryKindAndNoFinalBreak) {
    for (std::string eol : {"\r\n", "\n", "\r"}) {
        auto d = Gbk("[s]" + eol + "a=1" + eol + "b=2" + eol + "[t]" + eol + "c=3");
        EXPECT_EQ(Value(d, "s", "a"), "1") << eol.size();
        EXPECT_EQ(Value(d, "s", "b"), "2");
        EXPECT_EQ(Value(d, "t", "c"), "3");
    }
    // Mixed in one file.
    auto m = Gbk("[s]\ra=1\r\nb=2\nc=3");
    EXPECT_EQ(Value(m, "s", "a") + Value(m, "s", "b") + Value(m, "s", "c"), "123");
}

TEST(IniRead, MalformedLines) {
    auto d = Gbk("k0=before any section\n[sec\nx=1\n[]\n=empty key\nbare\n[s]\n;k=comment\n[s2] trailing\ny=2\n");
    // Entries before the first section are never found.
    EXPECT_EQ(Value(d, "", "k0"), "<missing>");
    // "[sec" is no header: x stays in no section.
    EXPECT_EQ(Value(d, "sec", "x"), "<missing>");
    EXPECT_EQ(Value(d, "", "x"), "<missing>");
    // "[]" is a section with an empty name; "=v" has an empty key; "k" is a key with an empty value.
    EXPECT_EQ(Value(d, "", ""), "empty key");
    EXPECT_EQ(Value(d, "", "bare"), "");
    EXPECT_EQ(Value(d, "s", ";k"), "<missing>");
    EXPECT_EQ(Value(d, "s2", "y"), "2");
    EXPECT_EQ(ini::SectionNames(d), (std::vector<std::string>{"", "s", "s2"}));
    EXPECT_EQ(ini::KeyNames(d, ""), (std::vector<std::string>{"", "bare"}));
}

TEST(IniRead, FirstOfDuplicatesWins) {
    auto d = Gbk("[s]\nk=first\nK=second\n[S]\nk=third\nonly=later\n");
    EXPECT_EQ(Value(d, "s", "k"), "first");
    // A key only in a later copy of the section is still found.
    EXPECT_EQ(Value(d, "s", "only"), "later");
    EXPECT_EQ(ini::SectionNames(d), (std::vector<std::string>{"s"}));
    EXPECT_EQ(ini::KeyNames(d, "S"), (std::vector<std::string>{"k", "only"}));
}

TEST(IniRead, NulBytesAndHugeLines) {
    std::string nul = Bytes("[s]\nk=a\0b\nz=1\n");
    auto d = Gbk(nul);
    EXPECT_EQ(Value(d, "s", "z"), "1");
    EXPECT_EQ(Value(d, "s", "k"), std::string("a\0b", 3));
    std::string big(10u << 20, 'x');
    auto h = Gbk("[s]\nbig=" + big + "\nafter=1\n");
    EXPECT_EQ(Value(h, "s", "big").size(), big.size());
    EXPECT_EQ(Value(h, "s", "after"), "1");
    auto g = Gbk(big);
    EXPECT_TRUE(ini::SectionNames(g).empty());
}

TEST(IniRead, ManySectionsAndKeysAreListedOnce) {
    // Enough names that a quadratic duplicate check would not finish.
    std::string body;
    for (int i = 0; i < 100000; ++i) body += "[s" + std::to_string(i) + "]\nk" + std::to_string(i) + "=1\n";
    body += "[S7]\nK7=dup\nextra=2\n";
    auto d = Gbk(body);
    auto sections = ini::SectionNames(d);
    EXPECT_EQ(sections.size(), 100000u);
    EXPECT_EQ(sections[7], "s7");
    EXPECT_EQ(ini::KeyNames(d, "s7"), (std::vector<std::string>{"k7", "extra"}));
    EXPECT_EQ(Value(d, "S7", "k7"), "1");
}

TEST(IniEncoding, ByteOrderMarksAreReadAndKept) {
    auto u8 = ini::Decode("\xEF\xBB\xBF[s]\r\nk=\xE4\xB8\xAD\r\n");
    EXPECT_EQ(u8.encoding, ini::Encoding::Utf8Bom);
    EXPECT_EQ(Value(u8, "s", "k"), "\xE4\xB8\xAD");
    EXPECT_EQ(ini::Encode(u8).substr(0, 3), "\xEF\xBB\xBF");

    std::string le = Bytes("\xFF\xFE[\0s\0]\0\n\0k\0=\0-N\n\0");  // U+4E2D as 2D 4E
    auto d = ini::Decode(le);
    EXPECT_EQ(d.encoding, ini::Encoding::Utf16Le);
    EXPECT_EQ(Value(d, "s", "k"), "\xE4\xB8\xAD");
    EXPECT_EQ(ini::Encode(d), le);

    std::string be = Bytes("\xFE\xFF\0[\0s\0]\0\n\0k\0=N-\0\n");
    auto e = ini::Decode(be);
    EXPECT_EQ(e.encoding, ini::Encoding::Utf16Be);
    EXPECT_EQ(Value(e, "s", "k"), "\xE4\xB8\xAD");
    EXPECT_EQ(ini::Encode(e), be);
    // An odd trailing byte and a lone BOM are survived.
    EXPECT_TRUE(ini::SectionNames(ini::Decode(std::string("\xFF\xFE[", 3))).empty());
    EXPECT_TRUE(ini::SectionNames(ini::Decode("\xFF\xFE")).empty());
}

TEST(IniEdit, SetValueReplacesFirstKeepsOtherLines) {
    auto d = Gbk("; header comment\r\n[s]\r\nK = old\r\n; note\r\nk=dup\r\n\r\n[t]\r\nx=1\r\n");
    EXPECT_EQ(ini::SetValue(d, "S", "k", "new"), ini::Edit::Changed);
    EXPECT_EQ(d.body, "; header comment\r\n[s]\r\nK=new\r\n; note\r\nk=dup\r\n\r\n[t]\r\nx=1\r\n");
    EXPECT_EQ(ini::SetValue(d, "s", "K", "new"), ini::Edit::Unchanged);
}

TEST(IniEdit, SetValueInsertsInExistingSectionOrAppendsSection) {
    auto d = Gbk("[s]\na=1\n\n[t]\nb=2");
    EXPECT_EQ(ini::SetValue(d, "s", "c", "3"), ini::Edit::Changed);
    EXPECT_EQ(d.body, "[s]\na=1\nc=3\n\n[t]\nb=2");
    EXPECT_EQ(ini::SetValue(d, "t", "d", "4"), ini::Edit::Changed);
    EXPECT_EQ(d.body, "[s]\na=1\nc=3\n\n[t]\nb=2\nd=4\n");
    EXPECT_EQ(ini::SetValue(d, kEditBox, "e", ""), ini::Edit::Changed);
    EXPECT_EQ(d.body, "[s]\na=1\nc=3\n\n[t]\nb=2\nd=4\n[" + kEditBox + "]\ne=\n");
    auto empty = Gbk("");
    ini::SetValue(empty, "s", "k", "v");
    EXPECT_EQ(empty.body, "[s]\r\nk=v\r\n");
    auto headerOnly = Gbk("[s]");
    ini::SetValue(headerOnly, "s", "k", "v");
    EXPECT_EQ(headerOnly.body, "[s]\r\nk=v\r\n");
}

TEST(IniEdit, LineBreaksInWrittenTextCannotInventSectionsOrKeys) {
    auto d = Gbk("[s]\r\nk=1\r\n");
    ASSERT_EQ(ini::SetValue(d, "s", "k", "evil\r\n[x]\r\ninjected=1\nk2=2\rk3=3"), ini::Edit::Changed);
    EXPECT_EQ(ini::SectionNames(d), (std::vector<std::string>{"s"}));
    EXPECT_EQ(ini::KeyNames(d, "s"), (std::vector<std::string>{"k"}));
    EXPECT_EQ(Value(d, "s", "k"), "evil  [x]  injected=1 k2=2 k3=3");
    // In a section or key name too.
    ASSERT_EQ(ini::SetValue(d, "a\r\n[b", "k\nj", "v"), ini::Edit::Changed);
    EXPECT_EQ(ini::SectionNames(d), (std::vector<std::string>{"s", "a  [b"}));
    EXPECT_EQ(ini::KeyNames(d, "a  [b"), (std::vector<std::string>{"k j"}));
    EXPECT_EQ(Value(d, "b", "j"), "<missing>");
}

TEST(IniEdit, NamesThatWouldReadBackDifferentlyAreRefused) {
    auto d = Gbk("[s]\nk=1\n");
    const std::string before = d.body;
    EXPECT_EQ(ini::SetValue(d, "a]b", "k", "v"), ini::Edit::Refused);
    EXPECT_EQ(ini::SetValue(d, "s", "a=b", "v"), ini::Edit::Refused);
    EXPECT_EQ(ini::SetValue(d, "s", "[k]", "v"), ini::Edit::Refused);
    EXPECT_EQ(ini::SetValue(d, "s", ";k", "v"), ini::Edit::Refused);
    // A section ending in a lone GBK lead byte would swallow its ']' and
    // leave the new key in the section before it.
    EXPECT_EQ(ini::SetValue(d, "a\x81", "k2", "v"), ini::Edit::Refused);
    EXPECT_EQ(d.body, before);
    // A GBK trail byte ']' is part of a character, not a bracket.
    EXPECT_EQ(ini::SetValue(d, "x" + kTrailBracket, "k", "v"), ini::Edit::Changed);
    EXPECT_EQ(Value(d, "X" + kTrailBracket, "K"), "v");
}

TEST(IniEdit, RemoveKeyAndSection) {
    auto d = Gbk("top=1\n[s]\nk=1\n;c\nK=2\nj=3\n[t]\nk=4\n[S]\nk=5\nm=6\n");
    EXPECT_EQ(ini::RemoveKey(d, "s", "k"), ini::Edit::Changed);
    EXPECT_EQ(d.body, "top=1\n[s]\n;c\nj=3\n[t]\nk=4\n[S]\nm=6\n");
    EXPECT_EQ(ini::RemoveKey(d, "s", "nothing"), ini::Edit::Unchanged);
    EXPECT_EQ(ini::RemoveSection(d, "S"), ini::Edit::Changed);
    EXPECT_EQ(d.body, "top=1\n[t]\nk=4\n");
    EXPECT_EQ(ini::RemoveSection(d, "s"), ini::Edit::Unchanged);
}

TEST(IniEdit, Utf8DocumentsAreEditedWithoutDoubleByteRules) {
    auto d = ini::Decode("\xEF\xBB\xBF[s]\nk=1\n");
    // "]" after a byte >= 0x81 is a real bracket in UTF-8 text.
    EXPECT_EQ(ini::SetValue(d, "\xC3\x81]", "k", "v"), ini::Edit::Refused);
    EXPECT_EQ(ini::SetValue(d, "s", "k", "\xE4\xB8\xAD"), ini::Edit::Changed);
    EXPECT_EQ(ini::Encode(d), "\xEF\xBB\xBF[s]\nk=\xE4\xB8\xAD\n");
}
