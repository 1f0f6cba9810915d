// The form the request posts, byte for byte as it reaches a loopback capture
// server, and the picture address scraped from pages that server answers
// with: the markers, their order, their absence, odd paths.
#include "app/service_address.h"
#include "app/signature_request.h"
#include "tests/app/request/request_fixture.h"

namespace apptest {
namespace {

using app::Text;
using inettest::Conn;
using inettest::LoopbackServer;
using inettest::ReceivedRequest;
using sigtest::U8;

// A picture tag as the service writes it.
std::string PictureTag(const std::string& path) {
    return "<img class=\"img-responsive center-block\" src=\"." + path + "\" id=\"SaveImg\" alt=\"\">";
}

class CaptureTest : public AppTest {
protected:
    // Answers every request with `page_` (UTF-8).
    CaptureTest()
        : server_([this](const ReceivedRequest&, Conn& c) {
              std::string page;
              {
                  std::lock_guard<std::mutex> lock(mu_);
                  page = page_;
              }
              c.Send(LoopbackServer::Reply(200, "OK", page, "Content-Type: text/html; charset=utf-8\r\n"));
          }) {}
    void SetUp() override {
        AppTest::SetUp();
        base_ = server_.Base() + "/";
        setenv(app::kServiceAddressVariable, base_.c_str(), 1);
    }
    void TearDown() override {
        unsetenv(app::kServiceAddressVariable);
        AppTest::TearDown();
    }
    void Serve(const std::string& page) {
        std::lock_guard<std::mutex> lock(mu_);
        page_ = page;
    }
    std::string Request(const char* content, const char* style, int32_t size, uint32_t ink, uint32_t paper) {
        return Str(app::RequestSignatureAddress(content, style, size, static_cast<int32_t>(ink),
                                                static_cast<int32_t>(paper)));
    }
    // The body of the n-th request that reached the server.
    std::string SentBody(size_t n) {
        std::vector<ReceivedRequest> r = server_.Requests();
        return n < r.size() ? r[n].body : "<no request>";
    }

    std::mutex mu_;
    std::string page_ = "<html></html>";
    LoopbackServer server_;
    std::string base_;
};

TEST_F(CaptureTest, TheFormReachesTheServerByteForByte) {
    Serve(PictureTag("/img/a.png"));
    EXPECT_EQ(Request("", "7", 64, 0x000000FF, 0x00FFFFFF), base_ + "/img/a.png");
    EXPECT_EQ(SentBody(0), "text=&ziti=7&sizes=64&fontcolor=%23FF0000&colors=%23FFFFFF&if_demo=show");

    Request("签名", "410", 128, 0x00123456, 0x00ABCDEF);
    EXPECT_EQ(SentBody(1),
              "text=%E7%AD%BE%E5%90%8D&ziti=410&sizes=128&fontcolor=%23563412&colors=%23EFCDAB&if_demo=show");

    // No size selected: the item value -1 goes out as is; the transparent
    // colour by its low three bytes; letters and digits escaped too.
    Request("ab/1", "1", -1, 0xFF000000, 0xFF0000FF);
    EXPECT_EQ(SentBody(2), "text=%61%62%2F%31&ziti=1&sizes=-1&fontcolor=%23000000&colors=%23FF0000&if_demo=show");

    // The request itself: a form POST to the base address.
    std::vector<ReceivedRequest> r = server_.Requests();
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0].request_line, "POST / HTTP/1.1");
    EXPECT_EQ(r[0].Header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(r[0].Header("Referer"), base_);
}

TEST_F(CaptureTest, LineBreaksAndFormCharactersInTheContentStayInsideTheTextValue) {
    Serve(PictureTag("/img/a.png"));
    Request("a&ziti=9\r\n=", "7", 32, 0, 0);
    EXPECT_EQ(SentBody(0),
              "text=%61%26%7A%69%74%69%3D%39%0D%0A%3D&ziti=7&sizes=32&fontcolor=%23000000&colors=%23000000&if_demo=show");
    EXPECT_EQ(Str(app::ComposeSignatureForm("", "7", 64, 0xFF, 0xFFFFFF)),
              "text=&ziti=7&sizes=64&fontcolor=%23FF0000&colors=%23FFFFFF&if_demo=show");
}

TEST_F(CaptureTest, TheFirstPictureAfterTheFirstMarkerIsTaken) {
    // Two pictures: the first.
    Serve("<p>" + PictureTag("/img/first.png") + PictureTag("/img/second.png") + "</p>");
    EXPECT_EQ(Request("x", "7", 64, 0, 0), base_ + "/img/first.png");
    // The address keeps the doubled slash after the host.
    EXPECT_NE(Request("x", "7", 64, 0, 0).find(":" + std::to_string(server_.port()) + "//img/"), std::string::npos);
    // Chinese text on the page (UTF-8) does not disturb the cut; a Chinese
    // path comes back in GBK.
    Serve(U8(u8"<h1>艺术字</h1>") + PictureTag(U8(u8"/img/签名.png")));
    EXPECT_EQ(Request("x", "7", 64, 0, 0), base_ + "/img/签名.png");
}

TEST_F(CaptureTest, PagesWithoutTheMarkersInOrderGiveNoAddress) {
    const std::string pages[] = {
        // id before src
        "<img class=\"img-responsive center-block\" id=\"SaveImg\" src=\"./img/a.png\" >",
        // left marker only, right marker only, right before left
        "<img class=\"img-responsive center-block\" src=\"./img/a.png\">",
        "<img src=\"./img/a.png\" id=\"SaveImg\" >",
        "\" id=\"SaveImg\" <img class=\"img-responsive center-block\" src=\"./img/a.png\"",
        // markers in another letter case
        "<img class=\"IMG-responsive center-block\" src=\"./img/a.png\" id=\"SaveImg\" >",
        // empty path, a path with a blank or a line break
        PictureTag(""),
        PictureTag("/img/a b.png"),
        PictureTag("/img/a\r\nX-Evil: 1"),
        "",
        "not html at all",
    };
    for (const std::string& page : pages) {
        SCOPED_TRACE(page);
        Serve(page);
        EXPECT_EQ(Request("x", "7", 64, 0, 0), "");
    }
}

TEST_F(CaptureTest, ErrorStatusesEmptyRepliesAndZeroBytesAreHandledQuietly) {
    // A zero byte ends the page text: a tag behind it is not seen.
    Serve(std::string("<p>\0</p>", 8) + PictureTag("/img/a.png"));
    EXPECT_EQ(Request("x", "7", 64, 0, 0), "");
    // A tag before it is.
    Serve(PictureTag("/img/a.png") + std::string("\0tail", 5));
    EXPECT_EQ(Request("x", "7", 64, 0, 0), base_ + "/img/a.png");
    // A large page with the tag at its end.
    Serve(std::string(3 << 20, 'x') + PictureTag("/img/late.png"));
    EXPECT_EQ(Request("x", "7", 64, 0, 0), base_ + "/img/late.png");
}

TEST_F(CaptureTest, AServiceThatCannotBeReachedGivesNoAddress) {
    inettest::RefusingPort refusing;
    std::string base = "http://127.0.0.1:" + std::to_string(refusing.port()) + "/";
    setenv(app::kServiceAddressVariable, base.c_str(), 1);
    EXPECT_EQ(Request("x", "7", 64, 0, 0), "");
    EXPECT_EQ(server_.RequestCount(), 0u);
}

}  // namespace
}  // namespace apptest
