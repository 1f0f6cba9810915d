// The request's text encodings through the real code-page DLL commands:
// percent escapes, colours as hex, GBK <-> UTF-8, UTF-16 bytes of a text,
// and the service address from the environment.
#include "app/code_pages.h"
#include "app/percent_encode.h"
#include "app/service_address.h"
#include "tests/app/request/request_fixture.h"

namespace apptest {
namespace {

using app::Text;
using sigtest::Gbk;
using sigtest::U8;

class EncodingTest : public AppTest {};

TEST_F(EncodingTest, PercentEncodeEscapesEveryByteInUpperCase) {
    EXPECT_EQ(Str(app::PercentEncode("abc", false, true)), "%61%62%63");
    EXPECT_EQ(Str(app::PercentEncode("#", false, true)), "%23");
    EXPECT_EQ(Str(app::PercentEncode("/?=&", false, false)), "%2F%3F%3D%26");  // never %2f
    EXPECT_TRUE(app::PercentEncode("", false, true).empty());
    EXPECT_TRUE(app::PercentEncode(nullptr, true, true).empty());
    // "签名" in GBK is sent as its UTF-8 bytes; without conversion as its GBK bytes.
    EXPECT_EQ(Str(app::PercentEncode("签名", false, true)), "%E7%AD%BE%E5%90%8D");
    EXPECT_EQ(Str(app::PercentEncode("签名", false, false)), "%C7%A9%C3%FB");
    // Unreserved bytes may be kept: letters, digits, "-" and "." only.
    EXPECT_EQ(Str(app::PercentEncode("aZ09-._~ +", true, true)), "aZ09-.%5F%7E%20%2B");
    // Every byte value encodes to three characters and back.
    std::string all;
    for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
    std::string encoded = Str(app::PercentEncode(all.c_str(), false, false));
    ASSERT_EQ(encoded.size(), 255u * 3);
    for (size_t i = 0; i < 255; ++i) {
        EXPECT_EQ(encoded[i * 3], '%');
        EXPECT_EQ(std::stoi(encoded.substr(i * 3 + 1, 2), nullptr, 16), static_cast<int>(i + 1));
        EXPECT_EQ(encoded.substr(i * 3 + 1, 2).find_first_of("abcdef"), std::string::npos);
    }
}

TEST_F(EncodingTest, ColourToHexWritesRedGreenBlueOfTheLowThreeBytes) {
    EXPECT_EQ(Str(app::ColourToHex(0x000000FF)), "FF0000");
    EXPECT_EQ(Str(app::ColourToHex(0x00FFFFFF)), "FFFFFF");
    EXPECT_EQ(Str(app::ColourToHex(0x00123456)), "563412");
    EXPECT_EQ(Str(app::ColourToHex(0x000A0B0C)), "0C0B0A");
    EXPECT_EQ(Str(app::ColourToHex(0)), "000000");
    EXPECT_EQ(Str(app::ColourToHex(static_cast<int32_t>(0xFF000000))), "000000");  // transparent
    EXPECT_EQ(Str(app::ColourToHex(-1)), "FFFFFF");
}

TEST_F(EncodingTest, GbkAndUtf8ConvertBothWaysWholeTexts) {
    const std::string gbk = "签名 sign 艺术字";
    Text utf8 = app::GbkToUtf8(gbk.c_str());
    EXPECT_EQ(Str(utf8), U8(u8"签名 sign 艺术字"));
    EXPECT_EQ(Str(app::Utf8ToGbk(utf8.get())), gbk);
    EXPECT_EQ(Str(app::GbkToUtf8("plain ascii")), "plain ascii");
    EXPECT_TRUE(app::GbkToUtf8("").empty());
    EXPECT_TRUE(app::Utf8ToGbk(nullptr).empty());

    // A long text is converted whole, not cut at some buffer size.
    std::string longGbk;
    for (int i = 0; i < 20000; ++i) longGbk += "字a";
    Text longUtf8 = app::GbkToUtf8(longGbk.c_str());
    EXPECT_EQ(longUtf8.view().size(), 20000u * 4);
    EXPECT_EQ(Str(app::Utf8ToGbk(longUtf8.get())), longGbk);

    // Characters GBK lacks and broken UTF-8 still give a text (replacements), no crash.
    Text emoji = app::Utf8ToGbk(U8(u8"a\U0001F600b").c_str());
    EXPECT_TRUE(emoji.view().starts_with("a"));
    EXPECT_TRUE(emoji.view().ends_with("b"));
    Text broken = app::Utf8ToGbk("x\xE7\xAD");
    EXPECT_TRUE(broken.view().starts_with("x"));
}

TEST_F(EncodingTest, TextToWideBytesGivesUtf16WithOrWithoutTheTerminator) {
    app::Bytes withNul = app::TextToWideBytes("a签", false);
    EXPECT_EQ(withNul.view(), std::string("a\0\x7E\x7B\0\0", 6));  // U+7B7E
    app::Bytes without = app::TextToWideBytes("a签", true);
    EXPECT_EQ(without.view(), std::string("a\0\x7E\x7B", 4));
    EXPECT_TRUE(app::TextToWideBytes("", false).empty());
    EXPECT_TRUE(app::TextToWideBytes(nullptr, true).empty());
}

class ServiceAddressTest : public AppTest {
protected:
    void TearDown() override {
        unsetenv(app::kServiceAddressVariable);
        AppTest::TearDown();
    }
    std::string With(const char* value) {
        setenv(app::kServiceAddressVariable, value, 1);
        return Str(app::ServiceBaseAddress());
    }
};

TEST_F(ServiceAddressTest, DefaultUnlessTheEnvironmentNamesAnHttpBase) {
    unsetenv(app::kServiceAddressVariable);
    EXPECT_EQ(Str(app::ServiceBaseAddress()), "http://127.0.0.1:8731/");
    EXPECT_EQ(With("http://127.0.0.1:9000/"), "http://127.0.0.1:9000/");
    EXPECT_EQ(With("http://127.0.0.1:9000"), "http://127.0.0.1:9000/");  // a slash is added
    EXPECT_EQ(With("HTTPS://sig.example.org/base"), "HTTPS://sig.example.org/base/");
    EXPECT_EQ(With("http://localhost"), "http://localhost/");
}

TEST_F(ServiceAddressTest, UnusableAddressesFallBackToTheDefault) {
    for (const char* bad :
         {"", "127.0.0.1:8731", "ftp://127.0.0.1/", "http://", "http:///x", "http://:80/", "http://h:0/",
          "http://h:65536/", "http://h:8x/", "http://h:/", "http://user:pw@h/", "http://h/?q=1", "http://h/#f",
          "http://h /", "http://h/\r\nX: y", "http://h\\x/", "http://[::1]:80/", "http://\xC7\xA9/",
          "javascript:alert(1)"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(With(bad), "http://127.0.0.1:8731/");
    }
    std::string huge = "http://h/" + std::string(5000, 'a');
    EXPECT_EQ(With(huge.c_str()), "http://127.0.0.1:8731/");
}

}  // namespace
}  // namespace apptest
