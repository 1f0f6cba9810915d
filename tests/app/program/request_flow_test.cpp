// A press on a style sample, end to end inside the process: the form posted
// to a loopback service, the picture address scraped from its page, the
// picture downloaded and measured, the result window sized to it and the
// picture saved unchanged; and every failure path leaving the gallery
// usable again with no result window.
#include <fstream>
#include <mutex>
#include <sstream>

#include "app/style_gallery.h"
#include "tests/app/program/program_fixture.h"
#include "tests/platform/inet/loopback_server.h"
#include "tests/support/bmp_bytes.h"
#include "win/commctrl.h"
#include "win/commdlg.h"

namespace apptest {
namespace {

const char kPage[] =
    "<html><body><img class=\"img-responsive center-block\" src=\"./img/sig.bmp\" id=\"SaveImg\" "
    "alt=\"\"></body></html>";

// What the result window showed while it was open.
struct ResultSeen {
    int calls = 0;
    int32_t windowWidth = -1, windowHeight = -1;
    int32_t left = -1, top = -1, width = -1, height = -1;
    int32_t buttonLeft = -1, buttonTop = -1, buttonWidth = -1;
    int32_t galleryDisabled = -1, progress = -1;
};

class RequestFlowTest : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        LoadStartWindow();
        app::BuildStyleGallery();
        samples_ = Samples();
        TestHooks().resultCreated = [this] {
            ResultSeen& s = seen_;
            ++s.calls;
            s.windowWidth = Int(app::kResultWindowUnit, app::kWidth, app::kResultWindow);
            s.windowHeight = Int(app::kResultWindowUnit, app::kHeight, app::kResultWindow);
            s.left = Int(app::kResultPicture, app::kLeft, app::kResultWindow);
            s.top = Int(app::kResultPicture, app::kTop, app::kResultWindow);
            s.width = Int(app::kResultPicture, app::kWidth, app::kResultWindow);
            s.height = Int(app::kResultPicture, app::kHeight, app::kResultWindow);
            s.buttonLeft = Int(app::kSaveButton, app::kLeft, app::kResultWindow);
            s.buttonTop = Int(app::kSaveButton, app::kTop, app::kResultWindow);
            s.buttonWidth = Int(app::kSaveButton, app::kWidth, app::kResultWindow);
            s.galleryDisabled = Int(app::kGalleryGroupBox, app::kDisabled);
            s.progress = Int(app::kProgressBar, app::kProgressPosition);
            if (onResult_) onResult_();
            const app::UnitRef window{app::kResultWindow, app::kResultWindowUnit, app::kWindowType};
            auto hwnd = static_cast<HWND>(app::CoreInt(core::kGetWindowHandle, {window.Arg()}));
            PostMessageA(hwnd, WM_CLOSE, 0, 0);
        };
    }

    // A service that answers the form with `page` and the picture path with `picture`.
    void Serve(std::string page, std::string picture) {
        server_ = std::make_unique<inettest::LoopbackServer>(
            [page, picture](const inettest::ReceivedRequest& r, inettest::Conn& c) {
                if (r.request_line.rfind("POST / ", 0) == 0)
                    c.Send(inettest::LoopbackServer::Reply(200, "OK", page, "Content-Type: text/html\r\n"));
                else if (r.request_line.rfind("GET //img/sig.bmp ", 0) == 0 ||
                         r.request_line.rfind("GET /img/sig.bmp ", 0) == 0)
                    c.Send(inettest::LoopbackServer::Reply(200, "OK", picture));
                else
                    c.Send(inettest::LoopbackServer::Reply(404, "Not Found", "no"));
            });
        setenv("SIGDESIGNER_SERVICE", (server_->Base() + "/").c_str(), 1);
    }

    void Press(int style) { Raise(app::kStartWindow, samples_[style], -1); }

    std::vector<uint32_t> samples_;
    ResultSeen seen_;
    std::function<void()> onResult_;
    std::unique_ptr<inettest::LoopbackServer> server_;
    sigtest::TempDir dir_;
};

TEST_F(RequestFlowTest, APressPostsTheFormAndShowsThePictureAtItsSize) {
    const std::string picture = sigtest::OneBitBmp(300, 120);
    Serve(kPage, picture);
    app::WriteText(app::kStartWindow, app::kContentEditBox, app::kEditContent, sigtest::Gbk(u8"签名").c_str());
    app::WriteInt(app::kStartWindow, app::kFontColourPicker, app::kPickerColour, 0x000000FF);
    app::WriteInt(app::kStartWindow, app::kBackgroundColourPicker, app::kPickerColour, 0x00FFFFFF);
    COLORREF barColour = CLR_INVALID;
    onResult_ = [&] {
        // The bar was turned yellow through the progress bar's own message.
        const app::UnitRef bar{app::kStartWindow, app::kProgressBar, app::kProgressBarType};
        auto hwnd = static_cast<HWND>(app::CoreInt(core::kGetWindowHandle, {bar.Arg()}));
        barColour = static_cast<COLORREF>(SendMessageA(hwnd, PBM_SETBARCOLOR, 0, 0x0000FFFF));
    };
    Press(7);

    std::vector<inettest::ReceivedRequest> requests = server_->Requests();
    ASSERT_GE(requests.size(), 2u);
    EXPECT_EQ(requests[0].body, "text=%E7%AD%BE%E5%90%8D&ziti=7&sizes=64&fontcolor=%23FF0000&colors=%23FFFFFF&if_demo=show");
    EXPECT_EQ(requests[0].Header("Content-Type"), "application/x-www-form-urlencoded");

    ASSERT_EQ(seen_.calls, 1);
    EXPECT_EQ(seen_.windowWidth, 300);
    EXPECT_EQ(seen_.windowHeight, 140);
    EXPECT_EQ(seen_.left, 0);
    EXPECT_EQ(seen_.top, 0);
    EXPECT_EQ(seen_.width, 300);
    EXPECT_EQ(seen_.height, 120);
    EXPECT_EQ(seen_.buttonLeft, 300 - seen_.buttonWidth - 15);
    EXPECT_EQ(seen_.buttonTop, 3);
    // The gallery was enabled again before the window opened, the bar at its last step.
    EXPECT_EQ(seen_.galleryDisabled, 0);
    EXPECT_EQ(seen_.progress, 410);
    EXPECT_EQ(barColour, 0x0000FFFFu);

    const app::AppObject& state = app::AppObject::Instance();
    EXPECT_EQ(runtime::ByteSetView(state.CurrentPicture()), picture);
    EXPECT_EQ(state.CurrentPictureWidth(), 300);
    EXPECT_EQ(state.CurrentPictureHeight(), 120);
    // Closing the result window put the progress bar back; the pressed
    // sample keeps its pressed border until the button is released.
    EXPECT_EQ(Int(app::kProgressBar, app::kProgressPosition), 0);
    EXPECT_EQ(Int(samples_[7], app::kPictureBorder), 1);
    Raise(app::kStartWindow, samples_[7], -2);
    EXPECT_EQ(Int(samples_[7], app::kPictureBorder), 5);
}

TEST_F(RequestFlowTest, SavingWritesTheDownloadedBytesUnchanged) {
    const std::string picture = sigtest::OneBitBmp(64, 16);
    Serve(kPage, picture);
    const std::string saved = dir_.File("saved.bmp");
    onResult_ = [&] {
        SigTestAnswerFileDialog(saved.c_str(), 0);
        app::SavePicture();
    };
    Press(1);
    ASSERT_EQ(seen_.calls, 1);
    std::ifstream in(saved, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    EXPECT_EQ(bytes.str(), picture);
}

TEST_F(RequestFlowTest, ACancelledSaveDialogWritesNothing) {
    Serve(kPage, sigtest::OneBitBmp(8, 8));
    onResult_ = [&] {
        SigTestAnswerCancel();
        app::SavePicture();
        // The offered name stays as it was.
        EXPECT_EQ(Str(app::kSaveDialog, app::kDialogFileName, app::kResultWindow), sigtest::Gbk(u8"morvane艺术字.png"));
    };
    Press(2);
    ASSERT_EQ(seen_.calls, 1);
    EXPECT_FALSE(std::filesystem::exists(sigtest::GbkToUtf8(sigtest::Gbk(u8"morvane艺术字.png"))));
}

TEST_F(RequestFlowTest, AServiceThatIsDownOpensNoWindowAndFreesTheGallery) {
    // A port that was just free: nothing listens there.
    { inettest::LoopbackServer probe([](const inettest::ReceivedRequest&, inettest::Conn& c) { c.Close(); });
      setenv("SIGDESIGNER_SERVICE", (probe.Base() + "/").c_str(), 1); }
    Press(3);
    EXPECT_EQ(seen_.calls, 0);
    EXPECT_EQ(Int(app::kGalleryGroupBox, app::kDisabled), 0);
    EXPECT_EQ(app::AppObject::Instance().CurrentPicture(), nullptr);
    // Another sample can be pressed at once.
    Press(4);
    EXPECT_EQ(Int(app::kGalleryGroupBox, app::kDisabled), 0);
}

TEST_F(RequestFlowTest, APageWithoutTheMarkersOpensNoWindow) {
    // The attributes in another order do not count as the picture tag.
    Serve("<img id=\"SaveImg\" class=\"img-responsive center-block\" src=\"./img/sig.bmp\" >", sigtest::OneBitBmp(10, 10));
    // No size chosen and the transparent colour: sizes=-1, colour by its low three bytes.
    app::WriteText(app::kStartWindow, app::kContentEditBox, app::kEditContent, "");
    app::WriteInt(app::kStartWindow, app::kSizeComboBox, app::kComboSelection, -1);
    app::WriteInt(app::kStartWindow, app::kFontColourPicker, app::kPickerColour, static_cast<int32_t>(0xFF000000));
    app::WriteInt(app::kStartWindow, app::kBackgroundColourPicker, app::kPickerColour, 0x00123456);
    Press(5);
    EXPECT_EQ(seen_.calls, 0);
    ASSERT_EQ(server_->RequestCount(), 1u);  // no download was tried
    EXPECT_EQ(server_->Requests()[0].body, "text=&ziti=5&sizes=-1&fontcolor=%23000000&colors=%23563412&if_demo=show");
    EXPECT_EQ(Int(app::kGalleryGroupBox, app::kDisabled), 0);
}

TEST_F(RequestFlowTest, APictureThatIsNoPictureMeasuresZeroWithoutACrash) {
    Serve(kPage, "this is not a picture");
    Press(8);
    ASSERT_EQ(seen_.calls, 1);
    EXPECT_EQ(seen_.width, 0);
    EXPECT_EQ(seen_.height, 0);
    EXPECT_EQ(app::AppObject::Instance().CurrentPictureWidth(), 0);
    EXPECT_EQ(Int(app::kGalleryGroupBox, app::kDisabled), 0);
    EXPECT_EQ(Int(app::kProgressBar, app::kProgressPosition), 0);

    // A later good picture replaces it.
    server_.reset();
    Serve(kPage, sigtest::OneBitBmp(20, 10));
    Press(9);
    EXPECT_EQ(seen_.calls, 2);
    EXPECT_EQ(app::AppObject::Instance().CurrentPictureWidth(), 20);
}

}  // namespace
}  // namespace apptest
