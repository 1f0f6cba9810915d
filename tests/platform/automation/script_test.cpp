// The script reader: every step's arguments, and malformed scripts reported
// with their line numbers before anything runs.
#include "platform/backend/automation/script.h"

#include <gtest/gtest.h>

#include "win/user.h"

using namespace platform::automation;

namespace {

Step One(std::string_view text) {
    Script s = ParseScript(text);
    EXPECT_TRUE(s.errors.empty()) << text << ": " << (s.errors.empty() ? "" : s.errors[0].why);
    EXPECT_EQ(s.steps.size(), 1u) << text;
    return s.steps.empty() ? Step{} : s.steps[0];
}

// The reason the single line is refused, "" when it is accepted.
std::string Why(std::string_view text) {
    Script s = ParseScript(text);
    if (s.errors.empty()) return "";
    EXPECT_EQ(s.errors.size(), 1u);
    EXPECT_TRUE(s.steps.empty());
    return s.errors[0].why;
}

TEST(AutomationScript, WaitsWithAndWithoutTimes) {
    Step w = One("wait-window \"\xe7\xad\xbe\xe5\x90\x8d\" 250");  // 签名
    EXPECT_EQ(w.kind, StepKind::WaitWindow);
    EXPECT_EQ(w.window.title, "\xe7\xad\xbe\xe5\x90\x8d");
    EXPECT_FALSE(w.window.active);
    EXPECT_EQ(w.ms, 250u);
    Step g = One("wait-gone @active");
    EXPECT_EQ(g.kind, StepKind::WaitGone);
    EXPECT_TRUE(g.window.active);
    EXPECT_EQ(g.ms, kDefaultWaitMs);
    EXPECT_EQ(One("sleep 0").ms, 0u);
    EXPECT_EQ(One("sleep 2147483647").ms, 2147483647u);
}

TEST(AutomationScript, MouseStepsTakeClientCoordinates) {
    Step c = One("click \"Main\" 12 -3");
    EXPECT_EQ(c.kind, StepKind::Click);
    EXPECT_EQ(c.x, 12);
    EXPECT_EQ(c.y, -3);
    EXPECT_EQ(One("press @active 0 0").kind, StepKind::Press);
    EXPECT_EQ(One("release @active 5 6").kind, StepKind::Release);
}

TEST(AutomationScript, QuotedTextsKeepBlanksAndEscapes) {
    EXPECT_EQ(One("type \"a \\\"b\\\" \\\\ c\"").text, "a \"b\" \\ c");
    // Other backslashes stay, so a Windows path needs no doubling.
    EXPECT_EQ(One("dialog \"C:\\data\\new file.ini\"").text, "C:\\data\\new file.ini");
    EXPECT_EQ(One("click \"  two  blanks \" 1 1").window.title, "  two  blanks ");
    EXPECT_EQ(One("type \"\"").text, "");
}

TEST(AutomationScript, DialogAnswers) {
    Step c = One("dialog cancel");
    EXPECT_TRUE(c.cancel);
    Step quoted = One("dialog \"cancel\"");  // a file really named cancel
    EXPECT_FALSE(quoted.cancel);
    EXPECT_EQ(quoted.text, "cancel");
    EXPECT_EQ(One("dialog /tmp/out.png").text, "/tmp/out.png");
}

TEST(AutomationScript, FilesOfScreenshotAndDump) {
    Step s = One("screenshot @active /tmp/a.png");
    EXPECT_EQ(s.kind, StepKind::Screenshot);
    EXPECT_EQ(s.text, "/tmp/a.png");
    Step d = One("dump \"W\" \"/tmp/with blank.json\"");
    EXPECT_EQ(d.kind, StepKind::Dump);
    EXPECT_EQ(d.text, "/tmp/with blank.json");
    EXPECT_EQ(One("close \"W\"").kind, StepKind::Close);
}

TEST(AutomationScript, KeysAndModifiers) {
    struct {
        const char* name;
        unsigned vk;
    } keys[] = {{"Enter", VK_RETURN}, {"Escape", VK_ESCAPE}, {"Tab", VK_TAB},   {"Space", VK_SPACE},
                {"Up", VK_UP},        {"Down", VK_DOWN},     {"Left", VK_LEFT}, {"Right", VK_RIGHT},
                {"Home", VK_HOME},    {"End", VK_END},       {"Delete", VK_DELETE}, {"Backspace", VK_BACK},
                {"F1", VK_F1},        {"f12", VK_F12},       {"a", 'A'},        {"7", '7'}};
    for (auto& k : keys) {
        Step s = One(std::string("key ") + k.name);
        EXPECT_EQ(s.vk, k.vk) << k.name;
        EXPECT_EQ(s.modifiers, 0u) << k.name;
    }
    Step m = One("key Ctrl+Shift+Home");
    EXPECT_EQ(m.vk, static_cast<unsigned>(VK_HOME));
    EXPECT_EQ(m.modifiers, kCtrl | kShift);
    EXPECT_EQ(One("key alt+F1").modifiers, kAlt);
    // What a key types besides itself: nothing under Ctrl or Alt.
    EXPECT_EQ(One("key Space").key_char, U' ');
    EXPECT_EQ(One("key Shift+b").key_char, U'B');
    EXPECT_EQ(One("key b").key_char, U'b');
    EXPECT_EQ(One("key Ctrl+b").key_char, 0u);
    EXPECT_EQ(One("key Enter").key_char, 0u);
}

TEST(AutomationScript, BlankLinesCommentsCrLfAndByteOrderMark) {
    Script s = ParseScript("\xEF\xBB\xBFsleep 1\r\n\r\n   # a comment\n\tclick @active 1 2  \r\nsleep 3");
    ASSERT_TRUE(s.errors.empty());
    ASSERT_EQ(s.steps.size(), 3u);
    EXPECT_EQ(s.steps[0].line, 1);
    EXPECT_EQ(s.steps[1].line, 4);
    EXPECT_EQ(s.steps[1].source, "click @active 1 2");
    EXPECT_EQ(s.steps[2].line, 5);
    EXPECT_TRUE(ParseScript("").steps.empty());
}

TEST(AutomationScript, LineEndsOfEveryKind) {
    Script s = ParseScript("sleep 1\rsleep 2\r\nsleep 3\n\rsleep 4");
    ASSERT_TRUE(s.errors.empty());
    ASSERT_EQ(s.steps.size(), 4u);
    EXPECT_EQ(s.steps[2].line, 3);
    EXPECT_EQ(s.steps[3].line, 5);  // LF then CR: two line ends
    EXPECT_EQ(s.steps[3].ms, 4u);
}

TEST(AutomationScript, HostileFilesAreRefusedWithAReason) {
    Script u16 = ParseScript(std::string_view("\xFF\xFEs\0l\0", 6));
    ASSERT_EQ(u16.errors.size(), 1u);
    EXPECT_NE(u16.errors[0].why.find("UTF-16"), std::string::npos);
    // A 10 MB line is read (and refused) in one pass.
    std::string big = "type \"" + std::string(10u << 20, 'x') + "\"\nsleep \"9\"\n";
    Script b = ParseScript(big);
    ASSERT_EQ(b.steps.size(), 1u);
    EXPECT_EQ(b.steps[0].text.size(), 10u << 20);
    ASSERT_EQ(b.errors.size(), 1u);
    EXPECT_EQ(b.errors[0].line, 2);
}

TEST(AutomationScript, MalformedStepsSayWhy) {
    EXPECT_NE(Why("jump 1 2").find("unknown step"), std::string::npos);
    EXPECT_NE(Why("\"click\" @active 1 2").find("unknown step"), std::string::npos);
    EXPECT_NE(Why("click Main 1 2").find("double quotes or @active"), std::string::npos);
    EXPECT_NE(Why("click \"Main\" 1").find("expected"), std::string::npos);
    EXPECT_NE(Why("click \"Main\" 1 2 3").find("expected"), std::string::npos);
    EXPECT_NE(Why("click \"Main\" 1x 2").find("whole numbers"), std::string::npos);
    EXPECT_NE(Why("click \"Main\" \"1\" 2").find("whole numbers"), std::string::npos);
    EXPECT_NE(Why("click \"Main\" 99999999999999999999 2").find("whole numbers"), std::string::npos);
    EXPECT_NE(Why("click \"Main\" 100001 2").find("within"), std::string::npos);
    EXPECT_NE(Why("click \"\" 1 2").find("empty"), std::string::npos);
    EXPECT_NE(Why("sleep -1").find("milliseconds"), std::string::npos);
    EXPECT_NE(Why("sleep 2147483648").find("at most"), std::string::npos);
    EXPECT_NE(Why("sleep").find("expected"), std::string::npos);
    EXPECT_NE(Why("wait-window \"A\" 1 2").find("expected"), std::string::npos);
    EXPECT_NE(Why("type hello").find("expected"), std::string::npos);
    EXPECT_NE(Why("type \"open").find("closing quote"), std::string::npos);
    EXPECT_NE(Why("type \"a\"b").find("followed by a blank"), std::string::npos);
    EXPECT_NE(Why("type a\"b\"").find("quote inside a word"), std::string::npos);
    EXPECT_NE(Why("type \"\xff\xfe\"").find("UTF-8"), std::string::npos);
    EXPECT_NE(Why("type \"\xc0\xaf\"").find("UTF-8"), std::string::npos);        // overlong '/'
    EXPECT_NE(Why("type \"\xed\xa0\x80\"").find("UTF-8"), std::string::npos);    // a surrogate
    EXPECT_NE(Why("type \"\xf0\x9f\x98\x80\"").find("GBK"), std::string::npos);  // an emoji
    EXPECT_NE(Why("key Hyper+A").find("modifier"), std::string::npos);
    EXPECT_NE(Why("key Ctrl+Ctrl+A").find("twice"), std::string::npos);
    EXPECT_NE(Why("key F13").find("unknown key"), std::string::npos);
    EXPECT_NE(Why("key F01").find("unknown key"), std::string::npos);
    EXPECT_NE(Why("key Ctrl+").find("unknown key"), std::string::npos);
    EXPECT_NE(Why("key \"Enter\"").find("expected"), std::string::npos);
    EXPECT_NE(Why("dialog").find("expected"), std::string::npos);
    EXPECT_NE(Why("dialog \"\"").find("empty"), std::string::npos);
    EXPECT_NE(Why("dump \"W\"").find("expected"), std::string::npos);
    EXPECT_NE(Why(std::string_view("sleep 1\0", 8)).find("control"), std::string::npos);
}

TEST(AutomationScript, EveryErrorIsReportedWithItsLine) {
    Script s = ParseScript("sleep 1\nfly away\nclick @active 1 2\n\nclick @active x y\nsleep 2\n");
    ASSERT_EQ(s.errors.size(), 2u);
    EXPECT_EQ(s.errors[0].line, 2);
    EXPECT_EQ(s.errors[0].source, "fly away");
    EXPECT_EQ(s.errors[1].line, 5);
    EXPECT_EQ(s.errors[1].source, "click @active x y");
    EXPECT_EQ(s.steps.size(), 3u);  // the good lines are still read
}

}  // namespace
