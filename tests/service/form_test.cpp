// The form reader and the request rules: what the desktop tool sends, what a
// browser sends, and the malformed bodies a network client can send.
#include <gtest/gtest.h>

#include "service/form.h"
#include "service/pages.h"

using namespace sigservice;

namespace {

RequestResult FromBody(const std::string& body) {
  auto fields = ParseForm(body);
  if (!fields) return {std::nullopt, "unreadable"};
  return ValidateForm(*fields);
}

}  // namespace

TEST(ServiceForm, ReadsTheDesktopToolsBody) {
  auto r = FromBody("text=%E7%AD%BE%E5%90%8D&ziti=7&sizes=64&fontcolor=%23FF0000&colors=%23FFFFFF&if_demo=show");
  ASSERT_TRUE(r.request) << r.error;
  EXPECT_EQ(r.request->text, "\xE7\xAD\xBE\xE5\x90\x8D");
  EXPECT_EQ(r.request->style, 7);
  EXPECT_EQ(r.request->size, 64);
  EXPECT_EQ(r.request->ink, (Rgb{255, 0, 0}));
  EXPECT_EQ(r.request->paper, (Rgb{255, 255, 255}));
}

TEST(ServiceForm, ReadsABrowsersBody) {
  // Plus for blank, lower-case hex, fields in another order, defaults for the rest.
  auto r = FromBody("ziti=410&text=Anna+Lee&fontcolor=%23a0b1c2");
  ASSERT_TRUE(r.request) << r.error;
  EXPECT_EQ(r.request->text, "Anna Lee");
  EXPECT_EQ(r.request->style, 410);
  EXPECT_EQ(r.request->size, 64);
  EXPECT_EQ(r.request->ink, (Rgb{0xA0, 0xB1, 0xC2}));
  EXPECT_EQ(r.request->paper, (Rgb{255, 255, 255}));
}

TEST(ServiceForm, RefusesBrokenEscapesAndEmptyKeys) {
  for (const char* body : {"text=%", "text=%4", "text=%G1&ziti=1", "=x&text=a&ziti=1", "text=a%2", "te%zzxt=a"}) {
    EXPECT_FALSE(ParseForm(body)) << body;
  }
  EXPECT_TRUE(ParseForm(""));
  EXPECT_TRUE(ParseForm("&&text=a&"));
  EXPECT_FALSE(ParseForm(std::string(kMaxFormBytes + 1, 'a')));
  std::string many;
  for (int i = 0; i < 65; ++i) many += "k" + std::to_string(i) + "=v&";
  EXPECT_FALSE(ParseForm(many));
}

TEST(ServiceForm, RefusesBadFieldValues) {
  const std::string ok = "&ziti=1&sizes=64&fontcolor=%23000000&colors=%23FFFFFF";
  struct Case {
    std::string body;
    const char* why;
  } cases[] = {
      {"text=" + ok, "empty text"},
      {"text=%20%20%09" + ok, "blank text"},
      {"ziti=1", "missing text"},
      {"text=a", "missing style"},
      {"text=" + std::string(101, 'a') + ok, "101 characters"},
      {"text=%FF%FE" + ok, "not UTF-8"},
      {"text=%C0%AF" + ok, "overlong UTF-8"},
      {"text=%ED%A0%80" + ok, "surrogate"},
      {"text=%E7%AD" + ok, "cut UTF-8"},
      {"text=a&ziti=0&sizes=64", "style 0"},
      {"text=a&ziti=411&sizes=64", "style 411"},
      {"text=a&ziti=1x", "style not a number"},
      {"text=a&ziti=99999999999999", "style overflowing"},
      {"text=a&ziti=1&sizes=7", "size 7"},
      {"text=a&ziti=1&sizes=257", "size 257"},
      {"text=a&ziti=1&sizes=-1", "no size chosen in the tool"},
      {"text=a&ziti=1&fontcolor=FF0000", "colour without #"},
      {"text=a&ziti=1&fontcolor=%23FF00", "short colour"},
      {"text=a&ziti=1&colors=%23GG0000", "colour not hex"},
      {"text=a&ziti=1&colors=%23FF000000", "long colour"},
      {"text=a&text=b&ziti=1", "text twice"},
  };
  for (const auto& c : cases) {
    auto r = FromBody(c.body);
    EXPECT_FALSE(r.request) << c.why;
    EXPECT_FALSE(r.error.empty()) << c.why;
  }
}

TEST(ServiceForm, CountsCharactersNotBytes) {
  std::string hundred;
  for (int i = 0; i < 100; ++i) hundred += "%E7%AD%BE";  // 100 Chinese characters, 300 bytes
  auto r = FromBody("text=" + hundred + "&ziti=1");
  ASSERT_TRUE(r.request) << r.error;
  EXPECT_FALSE(FromBody("text=" + hundred + "a&ziti=1").request);
}

TEST(ServiceForm, ControlCharactersBecomeBlanks) {
  // CR LF and NUL must never reach a file name, a header or the picture.
  auto r = FromBody("text=%0D%0AAnna%00Lee%0D%0ASet-Cookie:%20x&ziti=3");
  ASSERT_TRUE(r.request) << r.error;
  EXPECT_EQ(r.request->text, "Anna Lee  Set-Cookie: x");
  EXPECT_EQ(r.request->text.find_first_of(std::string("\r\n\0", 3)), std::string::npos);
}

TEST(ServiceForm, NamesFollowTheNormalisedRequest) {
  auto a = FromBody("text=Anna&ziti=5&sizes=64&fontcolor=%23ff0000");
  auto b = FromBody("ziti=5&text=%41%6E%6E%61&fontcolor=%23FF0000&if_demo=show&colors=%23FFFFFF");
  auto c = FromBody("text=Anna&ziti=6&sizes=64&fontcolor=%23ff0000");
  auto d = FromBody("text=%20Anna%0A&ziti=5&sizes=64&fontcolor=%23ff0000");
  ASSERT_TRUE(a.request && b.request && c.request && d.request);
  EXPECT_EQ(a.request->Name(), b.request->Name());
  EXPECT_EQ(a.request->Name(), d.request->Name());
  EXPECT_NE(a.request->Name(), c.request->Name());
  EXPECT_TRUE(IsPictureName(a.request->Name()));
}

TEST(ServiceForm, PictureNamesAreStrict) {
  EXPECT_TRUE(IsPictureName("0123456789abcdef0123456789abcdef"));
  for (const char* bad : {"0123456789ABCDEF0123456789abcdef", "0123456789abcdef0123456789abcde",
                          "0123456789abcdef0123456789abcdef0", "../3456789abcdef0123456789abcdef", ""})
    EXPECT_FALSE(IsPictureName(bad)) << bad;
}

TEST(ServicePages, EscapedTextCannotImitateThePictureTag) {
  SignatureRequest r;
  r.text = std::string("x") + std::string(kImgBefore) + "/img/evil.png" + std::string(kImgAfter) + "<script>";
  std::string page = ResultPage(r, "0123456789abcdef0123456789abcdef");
  std::size_t first = page.find(kImgBefore);
  ASSERT_NE(first, std::string::npos);
  EXPECT_EQ(page.find(kImgBefore, first + 1), std::string::npos);
  EXPECT_EQ(page.find("<script>"), std::string::npos);
  EXPECT_EQ(page.substr(first + kImgBefore.size(), 45), "/img/0123456789abcdef0123456789abcdef.png" + std::string("\" id"));
}
