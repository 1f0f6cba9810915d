// The web access routine's helpers, through the core commands as the
// routine uses them: markers, address splitting and cookie lists.
#include "app/address_parts.h"
#include "app/cookie_list.h"
#include "app/text_between.h"
#include "tests/app/web_access/app_fixture.h"

namespace apptest {
namespace {

using app::Text;

class HelpersTest : public AppTest {};

TEST_F(HelpersTest, TextBetweenCutsBetweenTheFirstLeftAndTheNextRightMarker) {
    EXPECT_EQ(Str(app::TextBetween("a[1]b[2]", "[", "]", 0, false)), "1");
    EXPECT_EQ(Str(app::TextBetween("a[1]b[2]", "[", "]", 1, false)), "1");
    EXPECT_EQ(Str(app::TextBetween("a[1]b[2]", "[", "]", 4, false)), "2");  // search from position 4
    // The end marker before the start marker is not taken; the next one is.
    EXPECT_EQ(Str(app::TextBetween("]x[y]", "[", "]", 0, false)), "y");
    EXPECT_EQ(Str(app::TextBetween("]x[y", "[", "]", 0, false)), "");
    // Missing markers, empty text.
    EXPECT_EQ(Str(app::TextBetween("abc", "<", ">", 0, false)), "");
    EXPECT_EQ(Str(app::TextBetween("a>c", "<", ">", 0, false)), "");
    EXPECT_EQ(Str(app::TextBetween(nullptr, "<", ">", 0, false)), "");
    // Adjacent markers give the empty text; overlapping ones cannot both match.
    EXPECT_EQ(Str(app::TextBetween("<>", "<", ">", 0, false)), "");
    EXPECT_EQ(Str(app::TextBetween("abcd", "abc", "bc", 0, false)), "");
    EXPECT_EQ(Str(app::TextBetween("abcdbc", "abc", "bc", 0, false)), "d");
    // Letter case.
    EXPECT_EQ(Str(app::TextBetween("<B>x</B>", "<b>", "</b>", 0, false)), "");
    EXPECT_EQ(Str(app::TextBetween("<B>x</B>", "<b>", "</b>", 0, true)), "x");
}

TEST_F(HelpersTest, TextBetweenTurnsTheQuotePlaceholderIntoAQuote) {
    std::string page = R"(<img class="img-responsive center-block" src="./img/x.png" id="SaveImg" />)";
    std::string left = sigtest::Gbk(u8"#引号img-responsive center-block#引号 src=#引号.");
    std::string right = sigtest::Gbk(u8"#引号 id=#引号SaveImg#引号 ");
    EXPECT_EQ(Str(app::TextBetween(page.c_str(), left.c_str(), right.c_str(), 0, false)), "/img/x.png");
    // A page holding the literal placeholder text does not match a quote.
    std::string odd = sigtest::Gbk(u8"a#引号b\"c\"");
    std::string quote = sigtest::Gbk(u8"#引号");
    EXPECT_EQ(Str(app::TextBetween(odd.c_str(), quote.c_str(), quote.c_str(), 0, false)), "c");
}

TEST_F(HelpersTest, TextBetweenOnALargePage) {
    // 50 MB with the markers at the far end: found, and in linear time.
    std::string page(50u << 20, 'x');
    page += "<p>end</p>";
    EXPECT_EQ(Str(app::TextBetween(page.c_str(), "<p>", "</p>", 0, false)), "end");
    page += "<q>";
    EXPECT_EQ(Str(app::TextBetween(page.c_str(), "<q>", "</q>", 0, false)), "");
}

TEST_F(HelpersTest, AddressesSplitIntoHostPortAndPath) {
    struct Case {
        const char* address;
        const char* host;
        const char* hostWithPort;
        int32_t port;
        const char* path;
    };
    const Case cases[] = {
        {"http://Example.COM/A/b?Q=1", "example.com", "example.com", 80, "/A/b?Q=1"},
        {"HTTPS://Example.com", "example.com", "example.com", 443, "/"},
        {"https://h.example:8443/x", "h.example", "h.example:8443", 8443, "/x"},
        {"Http://127.0.0.1:8080", "127.0.0.1", "127.0.0.1:8080", 8080, "/"},
        {"example.com/path", "example.com", "example.com", 80, "/path"},
        {"example.com", "example.com", "example.com", 80, "/"},
        {"http://h.example:abc/", "h.example", "h.example:abc", 0, "/"},
        {"http://h.example:99999/", "h.example", "h.example:99999", 99999, "/"},
        {"http://h.example:99999999999/", "h.example", "h.example:99999999999", 2147483647, "/"},
        {"http://h.example/a b#frag", "h.example", "h.example", 80, "/a b#frag"},
        // A user name is not taken apart: it stands where the host is expected.
        {"http://user:pw@h.example/x", "user", "user:pw@h.example", 0, "/x"},
        // A host that also occurs inside the scheme.
        {"http://t/Index", "t", "t", 80, "/Index"},
        {"https://s:81/P", "s", "s:81", 81, "/P"},
        {"", "", "", 80, "/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        EXPECT_EQ(Str(app::HostOfAddress(c.address, false)), c.host);
        EXPECT_EQ(Str(app::HostOfAddress(c.address, true)), c.hostWithPort);
        EXPECT_EQ(app::PortOfAddress(c.address), c.port);
        EXPECT_EQ(Str(app::PathOfAddress(c.address)), c.path);
    }
}

TEST_F(HelpersTest, CookieNamesAndDistinctLists) {
    EXPECT_EQ(Str(app::CookieName(" sid =abc=d")), "sid");
    EXPECT_EQ(Str(app::CookieName("flag")), "flag");
    EXPECT_EQ(Str(app::CookieName("=v")), "");
    EXPECT_EQ(Str(app::DistinctJoin("a=1; b=2; a=1; c=3; b=2", "; ")), "a=1; b=2; c=3");
    EXPECT_EQ(Str(app::DistinctJoin("a=1; A=1", "; ")), "a=1; A=1");  // exact comparison
    EXPECT_EQ(Str(app::DistinctJoin("", "; ")), "");
    EXPECT_EQ(Str(app::DistinctJoin("x,y,x", ",")), "x,y");
}

TEST_F(HelpersTest, MergeKeepsReceivedValuesAddsMissingSentOnesAndDropsDeleted) {
    // Received values win over sent ones of the same name; blanks go.
    EXPECT_EQ(Str(app::MergeCookies("a=1; b=2", "b=9; c=3")), "b=9; c=3; a=1");
    // "=deleted" items are dropped, whichever list they come from.
    EXPECT_EQ(Str(app::MergeCookies("a=1; b=2", "b=deleted")), "a=1");
    EXPECT_EQ(Str(app::MergeCookies("a=deleted", "")), "");
    // Equal items collapse; names compare exactly.
    EXPECT_EQ(Str(app::MergeCookies("x=1", "x=1; x=1; X=2")), "x=1; X=2");
    EXPECT_EQ(Str(app::MergeCookies("", "")), "");
    EXPECT_EQ(Str(app::MergeCookies(nullptr, "a=1")), "a=1");
    std::string fullWidth = sigtest::Gbk(u8"a　=1;　b=2");  // full-width blanks removed too
    EXPECT_EQ(Str(app::MergeCookies(fullWidth.c_str(), "")), "a=1; b=2");
}

TEST_F(HelpersTest, LongCookieListsMergeInLinearTime) {
    std::string sent, received;
    for (int i = 0; i < 20000; ++i) {
        sent += "s" + std::to_string(i) + "=1; ";
        received += "r" + std::to_string(i) + "=2; ";
    }
    Text merged = app::MergeCookies(sent.c_str(), received.c_str());
    EXPECT_EQ(merged.view().substr(0, 10), "r0=2; r1=2");
    EXPECT_TRUE(merged.view().ends_with("s19999=1"));
}

}  // namespace
}  // namespace apptest
