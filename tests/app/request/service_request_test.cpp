// The whole request against the real sigservice: the address it scrapes,
// the picture that address serves (downloaded with the internet library),
// measured through GDI+ and compared with a reference decoder, and kept as
// the application's current picture.
#include <stb_image.h>

#include "app/app_object.h"
#include "app/picture_size.h"
#include "app/service_address.h"
#include "app/signature_request.h"
#include "libraries/internet/internet_library.h"
#include "tests/app/request/request_fixture.h"

namespace apptest {
namespace {

using app::AppObject;
using app::Bytes;

struct PngSize {
    int width = 0, height = 0;
};

// Decodes the PNG fully with stb_image (an independent decoder).
PngSize DecodePng(std::string_view bytes) {
    PngSize s;
    int channels = 0;
    stbi_uc* pixels = stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(bytes.data()),
                                            static_cast<int>(bytes.size()), &s.width, &s.height, &channels, 4);
    if (!pixels) return {};
    stbi_image_free(pixels);
    return s;
}

class ServiceRequestTest : public AppTest {
protected:
    static void SetUpTestSuite() { service_ = new ServiceProcess(); }
    static void TearDownTestSuite() {
        delete service_;
        service_ = nullptr;
    }
    void SetUp() override {
        AppTest::SetUp();
        ASSERT_NE(service_->port(), 0) << "sigservice did not start";
        setenv(app::kServiceAddressVariable, service_->Base().c_str(), 1);
    }
    void TearDown() override {
        AppObject::Instance().FreeCurrentPicture();
        AppObject::Instance().SetCurrentPictureSize(0, 0);
        unsetenv(app::kServiceAddressVariable);
        AppTest::TearDown();
    }
    // HttpGetBytes through the runtime's library-command service.
    static Bytes HttpGetBytes(const std::string& address) {
        runtime::ArgRecord args[1] = {app::TextArg(address.c_str())};
        runtime::ArgRecord r = rt().CallLibraryCommand(internet::kInternetCommands[internet::kHttpGetBytes], 1, args,
                                                       compiled_program::kLibrary_internet);
        return Bytes(runtime::ArgPointer(r));
    }

    static ServiceProcess* service_;
};
ServiceProcess* ServiceRequestTest::service_ = nullptr;

TEST_F(ServiceRequestTest, TheScrapedAddressServesAPictureOfTheMeasuredSize) {
    const std::string base = service_->Base();
    struct Case {
        const char* content;
        const char* style;
        int32_t size;
    } cases[] = {{"签名", "7", 64}, {"a", "1", 8}, {"Morvane 艺术字", "410", 128}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.style);
        std::string address = Str(app::RequestSignatureAddress(c.content, c.style, c.size, 0x000000FF, 0x00FFFFFF));
        ASSERT_TRUE(address.starts_with(base + "/img/")) << address;  // the base, then the path with its slash
        ASSERT_TRUE(address.ends_with(".png")) << address;

        Bytes picture = HttpGetBytes(address);
        ASSERT_TRUE(picture.view().starts_with("\x89PNG\r\n\x1A\n"));
        PngSize real = DecodePng(picture.view());
        ASSERT_GT(real.width, 0);
        ASSERT_GT(real.height, 0);
        EXPECT_EQ(app::PictureWidth(picture.get()), real.width);
        EXPECT_EQ(app::PictureHeight(picture.get()), real.height);
    }
}

TEST_F(ServiceRequestTest, TheDownloadedPictureBecomesTheCurrentPicture) {
    std::string address = Str(app::RequestSignatureAddress("签名", "12", 64, 0, 0x00FFFFFF));
    ASSERT_FALSE(address.empty());
    app::KeepDownloadedPicture(address.c_str());
    AppObject& app = AppObject::Instance();
    std::string_view kept = runtime::ByteSetView(app.CurrentPicture());
    PngSize real = DecodePng(kept);
    ASSERT_GT(real.width, 0);
    EXPECT_EQ(app.CurrentPictureWidth(), real.width);
    EXPECT_EQ(app.CurrentPictureHeight(), real.height);

    // A download that brings no picture (an address the service does not
    // know) replaces it; the sizes become 0 and the old block is freed.
    app::KeepDownloadedPicture((service_->Base() + "img/no-such-picture.png").c_str());
    EXPECT_EQ(app.CurrentPictureWidth(), 0);
    EXPECT_EQ(app.CurrentPictureHeight(), 0);
    // Nothing at all: an empty address.
    app::KeepDownloadedPicture("");
    EXPECT_EQ(app.CurrentPicture(), nullptr);
    EXPECT_EQ(app.CurrentPictureWidth(), 0);
}

TEST_F(ServiceRequestTest, RequestsTheServiceRefusesGiveNoAddress) {
    // The service answers these with an error page: no markers, no address,
    // no message.
    EXPECT_EQ(Str(app::RequestSignatureAddress("", "7", 64, 0, 0x00FFFFFF)), "");  // empty text
    for (int32_t size : {-1, 0, 100000}) {
        SCOPED_TRACE(size);
        EXPECT_EQ(Str(app::RequestSignatureAddress("x", "7", size, 0, 0x00FFFFFF)), "");
    }
    EXPECT_EQ(Str(app::RequestSignatureAddress("x", "9999", 64, 0, 0)), "");
    // The same text in range does give one.
    EXPECT_NE(Str(app::RequestSignatureAddress("x", "7", 64, 0, 0x00FFFFFF)), "");
}

}  // namespace
}  // namespace apptest
