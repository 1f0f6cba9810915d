// The style gallery built on the loaded start window: 410 copies of the
// template picture box with their style numbers, at the places the
// counter's restart gives them.
#include "app/style_gallery.h"
#include "tests/app/program/program_fixture.h"

namespace apptest {
namespace {

TEST(GalleryPlaceTest, RowsOfFiveThenRowsThatBeginOutsideTheBox) {
    auto place = [](int32_t n) {
        app::SamplePlace p = app::GalleryPlace(n, 186, 50);
        return std::pair<int32_t, int32_t>{p.left, p.top};
    };
    EXPECT_EQ(place(1), (std::pair<int32_t, int32_t>{0, 0}));
    EXPECT_EQ(place(5), (std::pair<int32_t, int32_t>{744, 0}));
    EXPECT_EQ(place(6), (std::pair<int32_t, int32_t>{-186, 50}));
    EXPECT_EQ(place(7), (std::pair<int32_t, int32_t>{0, 50}));
    EXPECT_EQ(place(11), (std::pair<int32_t, int32_t>{744, 50}));
    EXPECT_EQ(place(12), (std::pair<int32_t, int32_t>{-186, 100}));
    EXPECT_EQ(place(408), (std::pair<int32_t, int32_t>{-186, 3400}));
    EXPECT_EQ(place(410), (std::pair<int32_t, int32_t>{186, 3400}));
    // 69 rows of 50 pixels fit the 3500-pixel group box.
    EXPECT_LE(place(410).second + 50, 3500);
}

class GalleryTest : public ProgramTest {};

TEST_F(GalleryTest, FourHundredTenSamplesWithTheirNumbersAndPlaces) {
    LoadStartWindow();
    app::BuildStyleGallery();
    std::vector<uint32_t> samples = Samples();
    for (int n = 1; n <= 410; ++n) ASSERT_NE(samples[n], 0u) << "sample " << n;
    // One copy per style, no more.
    int copies = 0;
    for (const auto& r : runtime::Application::Instance().Table().Find(app::kStartWindow)->records)
        if (r.type_code == app::kPictureBoxType && r.id != app::kSampleTemplate) ++copies;
    EXPECT_EQ(copies, 410);

    auto at = [&](int n) { return std::pair<int32_t, int32_t>{Int(samples[n], app::kLeft), Int(samples[n], app::kTop)}; };
    EXPECT_EQ(at(1), (std::pair<int32_t, int32_t>{0, 0}));
    EXPECT_EQ(at(6), (std::pair<int32_t, int32_t>{-186, 50}));
    EXPECT_EQ(at(7), (std::pair<int32_t, int32_t>{0, 50}));
    EXPECT_EQ(at(410), (std::pair<int32_t, int32_t>{186, 3400}));
    for (int n : {1, 6, 205, 410}) {
        EXPECT_EQ(Int(samples[n], app::kVisible), 1) << n;
        EXPECT_EQ(Int(samples[n], app::kWidth), 186);
        EXPECT_EQ(Int(samples[n], app::kHeight), 50);
        // The copies share the template's handlers and border.
        EXPECT_EQ(Int(samples[n], app::kPictureBorder), 5);
    }
    // The template itself stays hidden where it was.
    EXPECT_EQ(Int(app::kSampleTemplate, app::kVisible), 0);
    EXPECT_EQ(Int(app::kSampleTemplate, app::kLeft), 64);
}

TEST_F(GalleryTest, SamplePicturesComeFromTheImgFolderBesideTheProgram) {
    app::Text run = app::CoreText(core::kRunDirectory, {});
    EXPECT_EQ(app::DemoPictureFile(run.get(), 7).view(), std::string(run.view()) + "\\img\\7.png");
    EXPECT_EQ(app::DemoPictureFile("C:\\p", 410).view(), "C:\\p\\img\\410.png");
    EXPECT_EQ(app::DemoPictureAddress("http://h:1/", 12).view(), "http://h:1/img/demo/12.png");
}

}  // namespace
}  // namespace apptest
