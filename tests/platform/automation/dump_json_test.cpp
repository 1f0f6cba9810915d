// The dump's JSON text: escapes that keep every line one valid object.
#include <gtest/gtest.h>

#include "platform/backend/automation/window_dump.h"
#include "tests/platform/automation/json_line.h"

using automation_test::JsonLine;
using platform::automation::JsonString;

namespace {

TEST(AutomationDumpJson, EscapesQuotesBackslashesAndControls) {
    EXPECT_EQ(JsonString("plain"), "\"plain\"");
    EXPECT_EQ(JsonString("a\"b\\c"), "\"a\\\"b\\\\c\"");
    EXPECT_EQ(JsonString("l1\nl2\r\t"), "\"l1\\nl2\\r\\t\"");
    EXPECT_EQ(JsonString(std::string("\x01\x1f\x7f", 3)), "\"\\u0001\\u001f\\u007f\"");
    EXPECT_EQ(JsonString(std::string("a\0b", 3)), "\"a\\u0000b\"");
    EXPECT_EQ(JsonString("\xe7\xad\xbe\xe5\x90\x8d"), "\"\xe7\xad\xbe\xe5\x90\x8d\"");  // UTF-8 passes as it is
}

TEST(AutomationDumpJson, EveryByteRoundTripsThroughAReader) {
    std::string all;
    for (int c = 1; c < 0x80; ++c) all += static_cast<char>(c);
    all += "\xe4\xb8\xad";
    auto o = JsonLine::Parse("{\"text\": " + JsonString(all) + "}");
    ASSERT_TRUE(o.has_value());
    EXPECT_EQ(std::get<std::string>(o->at("text")), all);
}

}  // namespace
