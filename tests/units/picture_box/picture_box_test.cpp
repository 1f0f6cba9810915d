// The picture box made through its descriptor's operations, as the loader
// makes it: stored data of each version, property clamps, the three
// placements on a headless capture, placement 3 from stored data, PNG
// transparency, the gallery's decode-once rule and animated GIFs.
#include <cctype>
#include <random>
#include <thread>

#include "tests/libraries/picture/fixture_writer.h"
#include "tests/units/support/unit_fixture.h"
#include "units/label_texts.h"
#include "units/picture_box.h"

namespace {

using picture::testing::Bytes;
using runtime::templates::PictureBoxData;
using units::PictureBoxUnit;

const runtime::UnitType& Type() {
    static const runtime::UnitType type = units::PictureBoxUnitType();
    return type;
}

// A PNG of one opaque colour (0x00BBGGRR).
Bytes SolidPng(int w, int h, uint32_t colour, uint8_t alpha = 255) {
    std::vector<uint8_t> bgra(static_cast<size_t>(w) * h * 4);
    for (size_t i = 0; i < bgra.size(); i += 4) {
        bgra[i] = static_cast<uint8_t>(colour >> 16);
        bgra[i + 1] = static_cast<uint8_t>(colour >> 8);
        bgra[i + 2] = static_cast<uint8_t>(colour);
        bgra[i + 3] = alpha;
    }
    return picture::testing::MakePngBgra(w, h, bgra);
}

// Two 8 x 6 frames on a 16 x 12 screen, red then green.
Bytes TwoFrameGif() {
    picture::testing::GifFrameSpec a, b;
    a.width = b.width = 8;
    a.height = b.height = 6;
    a.indices.assign(48, 1);
    b.indices.assign(48, 2);
    a.control = b.control = true;
    a.delay = b.delay = 1;
    return picture::testing::MakeGif(16, 12, {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}}, {a, b});
}

constexpr uint32_t kBlue = 0x00FF0000, kRed = 0x000000FF, kGreen = 0x0000FF00;

class PictureBoxTest : public unit_test::UnitTest {
protected:
    void SetUp() override {
        UnitTest::SetUp();
        // Every handler runs and answers 1; the units go on one host at the screen's origin.
        HandlersAnswer(true, 1);
        host_ = MakeParent(0, 0, 320, 240);
        ASSERT_NE(host_, 0u);
    }
    HWND Make(const PictureBoxData& d, int left, int top, int width, int height, bool designMode = false) {
        return Create(Type(), runtime::templates::WriteStoredUnitData(d), host_, left, top, width, height,
                      unit_test::kUnitId, WS_VISIBLE, designMode);
    }
    static PictureBoxUnit* UnitOf(HWND h) { return dynamic_cast<PictureBoxUnit*>(units::Unit::FromWindow(h)); }
    static void SetPicture(HWND h, const Bytes& b) { EXPECT_EQ(SetBytes(Type(), h, units::kPbPicture, b), 0); }
    static Bytes PictureOf(HWND h) { return GetBytes(Type(), h, units::kPbPicture); }
    HWND host_ = 0;
};

TEST_F(PictureBoxTest, EmptyStoredDataGivesEveryDefault) {
    HWND h = Create(Type(), {}, host_, 0, 0, 50, 50);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(Get(Type(), h, units::kPbBorder), 0u);
    EXPECT_EQ(Get(Type(), h, units::kPbBackColour), 0xFF000000u);
    EXPECT_EQ(GetValue(Type(), h, units::kPbPicture).length, 0u);
    EXPECT_EQ(Get(Type(), h, units::kPbPlacement), 0u);
    EXPECT_EQ(Get(Type(), h, units::kPbPlayAnimation), 1u);
    EXPECT_EQ(GetText(Type(), h, units::kPbDataSource), "");
    EXPECT_EQ(GetText(Type(), h, units::kPbDataColumn), "");
    runtime::PropertyValue v{};
    auto get = reinterpret_cast<runtime::GetUnitPropertyOp>(Type().lookup(runtime::kOpGetUnitProperty));
    EXPECT_EQ(get(h, units::kPictureBoxPropertyCount, &v), 0);
    EXPECT_EQ(get(h, -1, &v), 0);
    // The system default shows as the button face.
    EXPECT_EQ(unit_test::Capture(host_).At(25, 25), GetSysColor(COLOR_BTNFACE));
}

TEST_F(PictureBoxTest, StoredVersionsOneAndTwoReadAndOthersFailCreation) {
    // Version 1: no data-source texts.
    Bytes pic = SolidPng(3, 2, kRed);
    std::vector<uint8_t> v1 = {1, 0, 0, 0, 5, 0, 0, 0, 0x56, 0x34, 0x12, 0, 2, 0, 0, 0, 0, 0, 0, 0};
    const uint32_t n = static_cast<uint32_t>(pic.size());
    for (int k = 0; k < 4; ++k) v1.push_back(uint8_t(n >> (8 * k)));
    v1.insert(v1.end(), pic.begin(), pic.end());
    HWND h = Create(Type(), v1, host_, 0, 0, 40, 40);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(Get(Type(), h, units::kPbBorder), 5u);
    EXPECT_NE(GetWindowLongA(h, GWL_STYLE) & WS_BORDER, 0);
    EXPECT_EQ(Get(Type(), h, units::kPbBackColour), 0x123456u);
    EXPECT_EQ(Get(Type(), h, units::kPbPlacement), 2u);
    EXPECT_EQ(Get(Type(), h, units::kPbPlayAnimation), 0u);
    EXPECT_EQ(PictureOf(h), pic);
    EXPECT_EQ(GetText(Type(), h, units::kPbDataSource), "");

    // Version 2 with its texts, and the saved form reads back the same.
    PictureBoxData d;
    d.data_source = "src";
    d.data_column = "col";
    d.picture = pic;
    HWND h2 = Make(d, 50, 0, 40, 40);
    ASSERT_NE(h2, 0u);
    EXPECT_EQ(GetText(Type(), h2, units::kPbDataSource), "src");
    EXPECT_EQ(GetText(Type(), h2, units::kPbDataColumn), "col");
    PictureBoxData back;
    ASSERT_TRUE(runtime::templates::ReadStoredUnitData(Saved(Type(), h2), back));
    EXPECT_EQ(back.picture, pic);
    EXPECT_EQ(back.data_column, "col");

    // A higher version, or a stream ending inside any field, is refused.
    std::vector<uint8_t> v3 = runtime::templates::WriteStoredUnitData(d);
    v3[0] = 3;
    EXPECT_EQ(Create(Type(), v3, host_, 0, 0, 10, 10), 0u);
    const std::vector<uint8_t> full = runtime::templates::WriteStoredUnitData(d);
    for (size_t cut = 1; cut < full.size(); ++cut) {
        std::vector<uint8_t> part(full.begin(), full.begin() + cut);
        EXPECT_EQ(Create(Type(), part, host_, 0, 0, 10, 10), 0u) << "cut at " << cut;
    }
}

TEST_F(PictureBoxTest, WritesClampAndNeverAskForARebuild) {
    HWND h = Create(Type(), {}, host_, 0, 0, 60, 60);
    EXPECT_EQ(Set(Type(), h, units::kPbPlacement, 7), 0);
    EXPECT_EQ(Get(Type(), h, units::kPbPlacement), 2u);
    // 3 comes only from stored data.
    Set(Type(), h, units::kPbPlacement, 3);
    EXPECT_EQ(Get(Type(), h, units::kPbPlacement), 2u);
    Set(Type(), h, units::kPbPlacement, static_cast<uint32_t>(-4));
    EXPECT_EQ(Get(Type(), h, units::kPbPlacement), 0u);
    Set(Type(), h, units::kPbBorder, 99);
    EXPECT_EQ(Get(Type(), h, units::kPbBorder), 5u);
    EXPECT_NE(GetWindowLongA(h, GWL_STYLE) & WS_BORDER, 0);
    Set(Type(), h, units::kPbBorder, static_cast<uint32_t>(-5));
    EXPECT_EQ(Get(Type(), h, units::kPbBorder), 0u);
    EXPECT_EQ(GetWindowLongA(h, GWL_STYLE) & WS_BORDER, 0);
    Set(Type(), h, units::kPbPlayAnimation, 42);
    EXPECT_EQ(Get(Type(), h, units::kPbPlayAnimation), 1u);
    // Null texts read back empty; unknown indexes change nothing.
    Set(Type(), h, units::kPbDataSource, 0);
    EXPECT_EQ(GetText(Type(), h, units::kPbDataSource), "");
    EXPECT_EQ(Set(Type(), h, 99, 1), 0);
    EXPECT_EQ(Set(Type(), h, -3, 1), 0);
    // A picture written with a null address is no picture.
    Set(Type(), h, units::kPbPicture, 0, 1000);
    EXPECT_EQ(GetValue(Type(), h, units::kPbPicture).length, 0u);
}

TEST_F(PictureBoxTest, PictureBytesReadBackExactlyEvenWhenTheyDoNotDecode) {
    PictureBoxData d;
    d.background_colour = kBlue;
    HWND h = Make(d, 0, 0, 60, 60);
    Bytes junk = {'G', 'I', 'F', '8', '9', 'a', 1, 2, 3, 0, 0xFF};
    SetPicture(h, junk);
    EXPECT_EQ(PictureOf(h), junk);
    EXPECT_EQ(unit_test::Capture(host_).At(5, 5), kBlue);
    Bytes png = SolidPng(10, 10, kRed);
    png.push_back(0x99);  // trailing bytes stay too
    SetPicture(h, png);
    EXPECT_EQ(PictureOf(h), png);
    EXPECT_EQ(unit_test::Capture(host_).At(5, 5), kRed);
    // An empty byte set clears it: only the colour is left.
    SetPicture(h, {});
    EXPECT_EQ(GetValue(Type(), h, units::kPbPicture).length, 0u);
    EXPECT_EQ(unit_test::Capture(host_).At(5, 5), kBlue);
}

TEST_F(PictureBoxTest, FittedPlacementScalesDownOrCentresAtNaturalSize) {
    PictureBoxData d;
    d.background_colour = kBlue;
    d.placement = 2;
    d.picture = SolidPng(200, 100, kRed);
    HWND h = Make(d, 0, 0, 100, 100);
    ASSERT_NE(h, 0u);
    {
        // 200 x 100 in 100 x 100: drawn 100 x 50 at (0, 25).
        unit_test::Capture c(host_);
        ASSERT_TRUE(c.Ok());
        EXPECT_EQ(c.At(50, 24), kBlue);
        EXPECT_EQ(c.At(50, 25), kRed);
        EXPECT_EQ(c.At(0, 50), kRed);
        EXPECT_EQ(c.At(99, 50), kRed);
        EXPECT_EQ(c.At(50, 74), kRed);
        EXPECT_EQ(c.At(50, 75), kBlue);
    }
    // 50 x 50 in 100 x 80: unscaled at (25, 15).
    MoveWindow(h, 0, 0, 100, 80, TRUE);
    SetPicture(h, SolidPng(50, 50, kGreen));
    unit_test::Capture c(host_);
    EXPECT_EQ(c.At(25, 15), kGreen);
    EXPECT_EQ(c.At(74, 64), kGreen);
    EXPECT_EQ(c.At(24, 40), kBlue);
    EXPECT_EQ(c.At(75, 40), kBlue);
    EXPECT_EQ(c.At(50, 14), kBlue);
    EXPECT_EQ(c.At(50, 65), kBlue);
}

TEST_F(PictureBoxTest, NaturalAndStretchedPlacements) {
    PictureBoxData d;
    d.background_colour = kBlue;
    d.picture = SolidPng(20, 10, kRed);
    HWND h = Make(d, 10, 10, 100, 60);
    {
        unit_test::Capture c(host_);
        EXPECT_EQ(c.At(10, 10), kRed);
        EXPECT_EQ(c.At(29, 19), kRed);
        EXPECT_EQ(c.At(30, 15), kBlue);
        EXPECT_EQ(c.At(15, 20), kBlue);
    }
    Set(Type(), h, units::kPbPlacement, 1);
    unit_test::Capture c(host_);
    EXPECT_EQ(c.At(10, 10), kRed);
    EXPECT_EQ(c.At(109, 69), kRed);
    EXPECT_EQ(c.At(60, 40), kRed);
}

TEST_F(PictureBoxTest, StoredPlacementThreeSizesTheUnitToThePicture) {
    PictureBoxData d;
    d.background_colour = kBlue;
    d.placement = 3;
    d.border = 5;  // a one-pixel frame around the client area
    d.picture = SolidPng(37, 23, kRed);
    HWND h = Make(d, 5, 6, 200, 150);
    ASSERT_NE(h, 0u);
    RECT client, outer;
    GetClientRect(h, &client);
    EXPECT_EQ(client.right, 37);
    EXPECT_EQ(client.bottom, 23);
    GetWindowRect(h, &outer);
    POINT at{outer.left, outer.top};
    ScreenToClient(host_, &at);
    EXPECT_EQ(at.x, 5);  // not moved
    EXPECT_EQ(at.y, 6);
    EXPECT_EQ(Get(Type(), h, units::kPbPlacement), 3u);
    // Drawn over the client area; a new picture resizes again.
    SetPicture(h, SolidPng(12, 9, kGreen));
    GetClientRect(h, &client);
    EXPECT_EQ(client.right, 12);
    EXPECT_EQ(client.bottom, 9);
    unit_test::Capture c(host_);
    EXPECT_EQ(c.At(5 + 1 + 11, 6 + 1 + 8), kGreen);
    // Bytes that are no picture leave the size alone.
    Bytes junk(40, 1);
    SetPicture(h, junk);
    GetClientRect(h, &client);
    EXPECT_EQ(client.right, 12);
}

TEST_F(PictureBoxTest, PngTransparencyShowsTheBackgroundColourInEffect) {
    PictureBoxData d;
    d.background_colour = kBlue;
    d.picture = SolidPng(30, 30, kRed, 0);  // fully clear
    HWND h = Make(d, 0, 0, 60, 60);
    EXPECT_EQ(unit_test::Capture(host_).At(10, 10), kBlue);
    Set(Type(), h, units::kPbBackColour, kGreen);
    EXPECT_EQ(Get(Type(), h, units::kPbBackColour), kGreen);
    EXPECT_EQ(unit_test::Capture(host_).At(10, 10), kGreen);
    EXPECT_EQ(unit_test::Capture(host_).At(40, 40), kGreen);
}

TEST_F(PictureBoxTest, GalleryDecodesEachPictureOnceAndRepaintsFromTheRenderedBitmap) {
    // The start window's gallery: 410 boxes with small PNGs, as the tool fills them.
    std::vector<HWND> boxes;
    std::vector<Bytes> pictures;
    PictureBoxData d;
    HWND gallery = Create(Type(), {}, host_, 0, 0, 320, 240);
    for (int i = 0; i < 410; ++i) {
        pictures.push_back(SolidPng(16, 8, 0x00010101u * static_cast<uint32_t>(i % 200)));
        HWND b = Make(d, 0, 0, 16, 8);
        ASSERT_NE(b, 0u) << i;
        SetParent(b, gallery);
        MoveWindow(b, (i % 20) * 16, (i / 20) * 8, 16, 8, FALSE);
        SetPicture(b, pictures.back());
        boxes.push_back(b);
    }
    // Nothing is decoded before it is painted.
    for (HWND b : boxes) EXPECT_EQ(UnitOf(b)->DecodeCount(), 0u);
    unit_test::Capture first(host_);
    ASSERT_TRUE(first.Ok());
    EXPECT_EQ(first.At(3 * 16 + 4, 2), 0x00010101u * 3);
    for (int round = 0; round < 3; ++round) {
        InvalidateRect(host_, nullptr, TRUE);
        for (HWND b : boxes) InvalidateRect(b, nullptr, TRUE);
        unit_test::Capture again(host_);
        EXPECT_EQ(again.At(5 * 16 + 4, 2), 0x00010101u * 5);
    }
    for (size_t i = 0; i < boxes.size(); ++i) {
        PictureBoxUnit* u = UnitOf(boxes[i]);
        EXPECT_LE(u->DecodeCount(), 1u) << i;
        EXPECT_LE(u->RenderCount(), 1u) << i;
        if (i < 20 * 30) {
            EXPECT_EQ(u->DecodeCount(), 1u) << i;  // rows inside the host were shown
        }
    }
}

TEST_F(PictureBoxTest, ABoxOutsideItsContainersVisiblePartDecodesNothingUntilItShows) {
    HWND gallery = Create(Type(), {}, host_, 0, 0, 100, 100);
    PictureBoxData d;
    HWND below = Make(d, 0, 0, 16, 8);
    ASSERT_NE(below, 0u);
    SetParent(below, gallery);
    MoveWindow(below, 10, 500, 16, 8, FALSE);  // under the container's bottom edge
    SetPicture(below, SolidPng(16, 8, kBlue));
    unit_test::Capture first(host_);
    ASSERT_TRUE(first.Ok());
    EXPECT_EQ(UnitOf(below)->DecodeCount(), 0u);
    // Brought into view (as scrolling moves the gallery), it is decoded and drawn.
    MoveWindow(below, 10, 20, 16, 8, TRUE);
    unit_test::Capture second(host_);
    ASSERT_TRUE(second.Ok());
    EXPECT_EQ(UnitOf(below)->DecodeCount(), 1u);
    EXPECT_EQ(second.At(14, 22), kBlue);
}

TEST_F(PictureBoxTest, AnimatedGifPlaysAndStopsWithTheSwitch) {
    PictureBoxData d;
    d.background_colour = kBlue;
    d.picture = TwoFrameGif();
    HWND h = Make(d, 0, 0, 16, 12);
    PictureBoxUnit* u = UnitOf(h);
    ASSERT_NE(u->Animation(), nullptr);
    EXPECT_EQ(u->DecodeCount(), 0u);  // the player holds the image
    // The first paint starts the thread; its frames then come in turn.
    { unit_test::Capture first(host_); }
    EXPECT_EQ(u->Animation()->state(), picture::GifPlayer::State::Running);
    bool sawRed = false, sawGreen = false;
    for (int i = 0; i < 500 && !(sawRed && sawGreen); ++i) {
        SigTestWaitIdle(20);
        unit_test::Capture c(host_);
        sawRed |= c.At(2, 2) == kRed;
        sawGreen |= c.At(2, 2) == kGreen;
        ASSERT_EQ(c.At(12, 10), kBlue);  // outside both frames: the background
    }
    EXPECT_TRUE(sawRed);
    EXPECT_TRUE(sawGreen);

    // Switched off: the first image, still.
    EXPECT_EQ(Set(Type(), h, units::kPbPlayAnimation, 0), 0);
    EXPECT_EQ(u->Animation(), nullptr);
    EXPECT_EQ(unit_test::Capture(host_).At(2, 2), kRed);
    EXPECT_EQ(u->DecodeCount(), 1u);
    // And on again: a new player, started by the next paint.
    Set(Type(), h, units::kPbPlayAnimation, 1);
    ASSERT_NE(u->Animation(), nullptr);
    unit_test::Capture again(host_);
    EXPECT_EQ(u->Animation()->state(), picture::GifPlayer::State::Running);
    // A new background colour shows around the frames too.
    Set(Type(), h, units::kPbBackColour, 0x00FFFFFFu);
    ASSERT_NE(u->Animation(), nullptr);
    EXPECT_EQ(unit_test::Capture(host_).At(12, 10), 0x00FFFFFFu);
    // Replacing the picture stops the thread before the player goes.
    SetPicture(h, SolidPng(4, 4, kGreen));
    EXPECT_EQ(u->Animation(), nullptr);
    EXPECT_EQ(unit_test::Capture(host_).At(1, 1), kGreen);
    // Destroying a playing box ends its thread.
    SetPicture(h, TwoFrameGif());
    unit_test::Capture playing(host_);
    DestroyWindow(h);
    EXPECT_FALSE(IsWindow(h));
}

TEST_F(PictureBoxTest, SwitchingAnimationOnDoesNotBlankTheAnimationsArea) {
    PictureBoxData d;
    d.background_colour = kBlue;
    d.play_animation = false;
    d.picture = TwoFrameGif();
    HWND h = Make(d, 0, 0, 30, 30);
    EXPECT_EQ(unit_test::Capture(host_).At(2, 2), kRed);  // the first image, still
    // The new player's canvas is empty until its thread draws; the first
    // paint leaves the animation's 16 x 12 area alone and fills the rest.
    Set(Type(), h, units::kPbPlayAnimation, 1);
    unit_test::Capture c(host_);
    const uint32_t px = c.At(2, 2);
    EXPECT_TRUE(px == kRed || px == kGreen) << std::hex << px;
    EXPECT_EQ(c.At(20, 20), kBlue);
    // Later paints draw the whole canvas again.
    ASSERT_NE(UnitOf(h)->Animation(), nullptr);
    EXPECT_EQ(UnitOf(h)->Animation()->state(), picture::GifPlayer::State::Running);
}

TEST_F(PictureBoxTest, SingleImageGifAndDesignModeNeverStartAThread) {
    picture::testing::GifFrameSpec f;
    f.width = 4;
    f.height = 4;
    f.indices.assign(16, 2);
    PictureBoxData d;
    d.picture = picture::testing::MakeGif(4, 4, {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}}, {f});
    HWND h = Make(d, 0, 0, 10, 10);
    PictureBoxUnit* u = UnitOf(h);
    ASSERT_NE(u->Animation(), nullptr);
    unit_test::Capture c(host_);
    EXPECT_EQ(c.At(1, 1), kGreen);
    EXPECT_NE(u->Animation()->state(), picture::GifPlayer::State::Running);

    d.picture = TwoFrameGif();
    HWND design = Make(d, 20, 0, 16, 12, true);
    PictureBoxUnit* du = UnitOf(design);
    EXPECT_EQ(du->Animation(), nullptr);
    Set(Type(), design, units::kPbPlayAnimation, 1);
    EXPECT_EQ(du->Animation(), nullptr);
    EXPECT_EQ(unit_test::Capture(host_).At(22, 2), kRed);
}

// Operation 9's callback: upper-cases a text and notes its flag.
std::vector<uint32_t> gFlags;
const char* Upper(const char* text, uint32_t flag, uintptr_t) {
    static std::string out;
    gFlags.push_back(flag);
    out = text;
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out.c_str();
}

TEST_F(PictureBoxTest, TextConversionPassesTheTwoNamesAndKeepsThePictureBytes) {
    PictureBoxData d;
    d.data_source = "src";
    d.data_column = "col";
    d.picture = {'a', 'b', 'c'};
    d.placement = 2;
    std::vector<uint8_t> bytes = runtime::templates::WriteStoredUnitData(d);
    using Convert = uint8_t* (*)(const uint8_t*, uint32_t*, units::TextConvertCallback, uintptr_t);
    auto convert = reinterpret_cast<Convert>(Type().lookup(runtime::kOpConvertUnitTexts));
    ASSERT_NE(convert, nullptr);
    gFlags.clear();
    uint32_t length = static_cast<uint32_t>(bytes.size());
    uint8_t* block = convert(bytes.data(), &length, &Upper, 0);
    ASSERT_NE(block, nullptr);
    PictureBoxData back;
    ASSERT_TRUE(runtime::templates::ReadStoredUnitData({block, length}, back));
    runtime::NotifyRuntime(runtime::kNotifyFreeMemory, reinterpret_cast<uintptr_t>(block), 0);
    EXPECT_EQ(back.data_source, "SRC");
    EXPECT_EQ(back.data_column, "COL");
    EXPECT_EQ(back.picture, d.picture);
    EXPECT_EQ(back.placement, 2);
    EXPECT_EQ(gFlags, (std::vector<uint32_t>{0, 0}));
    // Unreadable data gives nothing.
    bytes[0] = 9;
    length = static_cast<uint32_t>(bytes.size());
    EXPECT_EQ(convert(bytes.data(), &length, &Upper, 0), nullptr);
}

TEST_F(PictureBoxTest, ArbitraryStoredBytesNeverCrashCreation) {
    std::mt19937 rng(7);
    PictureBoxData d;
    d.placement = 3;
    d.picture = TwoFrameGif();
    const std::vector<uint8_t> good = runtime::templates::WriteStoredUnitData(d);
    for (int i = 0; i < 300; ++i) {
        std::vector<uint8_t> bytes = good;
        for (int k = 0; k < 4; ++k) bytes[rng() % bytes.size()] = static_cast<uint8_t>(rng());
        if (i % 3 == 0) bytes.resize(rng() % bytes.size());
        HWND h = Create(Type(), bytes, i % 2 ? host_ : 0, 0, 0, 30, 30);
        if (i % 2 == 0) {
            EXPECT_EQ(h, 0u);  // no parent: no child window
        }
        if (h) DestroyWindow(h);
    }
}

}  // namespace
