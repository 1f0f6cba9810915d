// The real sigdesigner, headless and driven by automation scripts, against
// sigservice on loopback behind a recording front. Each case gets a program
// folder of its own; the samples, the service and the front are shared by
// the cases of one process.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "tests/e2e/e2e_support.h"

using namespace e2e;

namespace {

const std::string kTitle = "Morvane艺术字生成器";
const std::string kStart = "\"" + kTitle + "\"";
const std::string kOfferedName = "morvane艺术字.png";
constexpr int kGalleryTop = 87;  // the gallery group box's top before any scrolling
constexpr int kGalleryLeft = 8;

// Window-client point at the middle of sample n while the gallery's top is `top`.
std::string SamplePoint(int n, int top = kGalleryTop) {
    Place p = SamplePlace(n);
    return std::to_string(kGalleryLeft + p.left + 93) + " " + std::to_string(top + p.top + 25);
}

std::string Script(const std::vector<std::string>& lines) {
    std::string s;
    for (auto& l : lines) s += l + "\n";
    return s;
}

// The opening and closing steps every run shares.
std::vector<std::string> Opening() { return {"wait-window " + kStart + " 60000", "sleep 200"}; }
// Closing the start window ends the program, so nothing may follow it.
std::vector<std::string> Closing() { return {"close " + kStart}; }

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const Win* GalleryBox(const std::vector<Win>& d) {
    for (auto& w : d)
        if (w.Width() == 930 && w.Height() == 3500) return &w;
    return nullptr;
}

const Win* WithText(const std::vector<Win>& d, const std::string& text) {
    for (auto& w : d)
        if (w.text == text) return &w;
    return nullptr;
}

std::string Texts(const std::vector<Win>& d) {
    std::string s;
    for (auto& w : d)
        if (!w.text.empty()) s += "[" + w.cls + ": " + w.text + "] ";
    return s;
}

const char* kCombo = "小型字<|>32<||>中型字<|>64<||>大型字<|>128<||>";

class AppE2E : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!ToolBuilt()) return;
        samples_ = new std::string(SampleFolder(&why_));
        if (samples_->empty()) return;
        service_ = new Service;
        if (!service_->Start(&why_)) return;
        front_ = new Front(service_->port());
    }
    static void TearDownTestSuite() {
        delete front_;
        delete service_;
        delete samples_;
        front_ = nullptr;
        service_ = nullptr;
        samples_ = nullptr;
    }

    void SetUp() override {
        if (!ToolBuilt()) GTEST_SKIP() << "needs the sigdesigner executable (" << SIGDESIGNER_BIN << ")";
        ASSERT_NE(front_, nullptr) << why_;
        front_->ForgetAnswers();
        front_->ClearLog();
        std::string why;
        folder_ = std::make_unique<ProgramFolder>(*samples_, &why);
        ASSERT_TRUE(why.empty()) << why;
    }

    // Runs a script and expects a clean end of the program.
    RunResult RunClean(const std::vector<std::string>& lines, const std::string& service, const std::string& name) {
        RunResult r = folder_->Run(Script(lines), service, name);
        EXPECT_FALSE(r.timed_out) << "the program did not end: " << r.output;
        EXPECT_EQ(r.status, 0) << r.output;
        EXPECT_EQ(r.output.find("automation:"), std::string::npos) << r.output;
        return r;
    }

    std::vector<Win> Dump(const std::string& name) {
        std::string why;
        auto d = ReadDump(folder_->Path(name), &why);
        EXPECT_TRUE(d.has_value()) << why;
        return d ? *d : std::vector<Win>{};
    }

    std::vector<Front::Exchange> Posts() {
        std::vector<Front::Exchange> out;
        for (auto& x : front_->Log())
            if (x.method == "POST") out.push_back(x);
        return out;
    }

    static std::string* samples_;
    static Service* service_;
    static Front* front_;
    static std::string why_;
    std::unique_ptr<ProgramFolder> folder_;
};

std::string* AppE2E::samples_ = nullptr;
Service* AppE2E::service_ = nullptr;
Front* AppE2E::front_ = nullptr;
std::string AppE2E::why_;

TEST_F(AppE2E, FirstRunCreatesTheDataFolderAndWritesBothSectionsOnClose) {
    std::string data = folder_->Path("data");
    ASSERT_FALSE(IsDir(data));
    // The program stays open a while so the test can look at the folder
    // before the settings are written.
    front_->ClearLog();
    pid_t p = folder_->Start(Script(Opening() + std::vector<std::string>{"dump " + kStart + " " + folder_->Path("d.json"),
                                                                         "click " + kStart + " " + SamplePoint(9),
                                                                         "sleep 3000"} +
                                    Closing()),
                             front_->Base());
    ASSERT_GT(p, 0);
    bool seen = false;
    for (int i = 0; i < 3000 && !seen; ++i) {
        if (IsFile(folder_->Path("d.json"))) seen = true;
        else usleep(20000);
    }
    EXPECT_TRUE(seen) << "the start window did not open";
    EXPECT_TRUE(IsDir(data)) << "the data folder exists once the start window is open";
    EXPECT_FALSE(IsFile(data + "/setsoft.ini")) << "nothing is written while the program runs";
    RunResult r = folder_->Wait(p);
    ASSERT_FALSE(r.timed_out) << r.output;
    EXPECT_EQ(r.status, 0) << r.output;

    // Until colours are chosen the letters are black on white paper: both
    // empty colour boxes reading as black would give black on black.
    auto posts = Posts();
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].body, FormBody("艺术签名", 9, 64, "000000", "FFFFFF"));

    auto ini = ReadIni(data + "/setsoft.ini");
    ASSERT_TRUE(ini.has_value()) << "no GBK settings file after closing";
    auto& edits = (*ini)["编辑框"];
    EXPECT_EQ(edits.size(), 3u);
    EXPECT_EQ(edits["编辑框_生成内容"], "艺术签名");
    ASSERT_TRUE(edits.count("编辑框_字体颜色"));
    EXPECT_EQ(edits["编辑框_字体颜色"], "");
    ASSERT_TRUE(edits.count("编辑框_背景颜色"));
    EXPECT_EQ(edits["编辑框_背景颜色"], "");
    auto& combos = (*ini)["组合框"];
    EXPECT_EQ(combos.size(), 1u);
    EXPECT_EQ(combos["组合框1"], std::string(kCombo) + "1<|>中型字");
}

TEST_F(AppE2E, TypedTextSizeAndPickedColoursSurviveARestart) {
    const int style = 8;
    front_->AnswerStyle(style, Front::Answer::NoMarkers);
    // Text with a line break, the third size, and a colour from each palette:
    // 天蓝 (0, 136, 255) for the letters, 橙黄 (255, 128, 0) for the background.
    // A palette opens under its picker (client 350, 41 and 350, 67); its cells
    // are 18 pixels with a 2-pixel margin, 7 to a row.
    auto cell = [](int x0, int y0, int i) {
        return std::to_string(x0 + 2 + (i % 7) * 18 + 9) + " " + std::to_string(y0 + 2 + (i / 7) * 18 + 9);
    };
    std::string d1 = folder_->Path("first.json");
    RunClean(Opening() + std::vector<std::string>{
                             "click " + kStart + " 146 37", "key Ctrl+End", "key Enter", "type \"第二行 two\"",
                             "click " + kStart + " 512 58", "sleep 200", "key Down", "key Enter", "sleep 200",
                             "click " + kStart + " 382 29", "sleep 300", "press " + kStart + " " + cell(350, 41, 25),
                             "release " + kStart + " " + cell(350, 41, 25), "sleep 300",
                             "click " + kStart + " 382 55", "sleep 300", "press " + kStart + " " + cell(350, 67, 28),
                             "release " + kStart + " " + cell(350, 67, 28), "sleep 300", "dump " + kStart + " " + d1} +
                 Closing(),
             front_->Base(), "first");
    auto first = Dump("first.json");
    EXPECT_NE(WithText(first, "艺术签名\r\n第二行 two"), nullptr) << Texts(first);
    EXPECT_NE(WithText(first, "16746496"), nullptr) << "font colour edit box: " << Texts(first);
    EXPECT_NE(WithText(first, "33023"), nullptr) << "background colour edit box: " << Texts(first);

    auto ini = ReadIni(folder_->Path("data/setsoft.ini"));
    ASSERT_TRUE(ini.has_value());
    EXPECT_EQ((*ini)["编辑框"]["编辑框_生成内容"], "艺术签名><br><第二行 two");
    EXPECT_EQ((*ini)["编辑框"]["编辑框_字体颜色"], "16746496");
    EXPECT_EQ((*ini)["编辑框"]["编辑框_背景颜色"], "33023");
    EXPECT_EQ((*ini)["组合框"]["组合框1"], std::string(kCombo) + "2<|>大型字");

    // Second run: the texts come back, and the request made from them carries
    // the restored text, size and both colours.
    front_->ClearLog();
    RunClean(Opening() + std::vector<std::string>{"dump " + kStart + " " + folder_->Path("second.json"),
                                                  "click " + kStart + " " + SamplePoint(style), "sleep 300"} +
                 Closing(),
             front_->Base(), "second");
    auto second = Dump("second.json");
    EXPECT_NE(WithText(second, "艺术签名\r\n第二行 two"), nullptr) << Texts(second);
    EXPECT_NE(WithText(second, "大型字"), nullptr) << Texts(second);
    auto posts = Posts();
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].body, FormBody("艺术签名\r\n第二行 two", style, 128, "0088FF", "FF8000"));

    auto again = ReadIni(folder_->Path("data/setsoft.ini"));
    ASSERT_TRUE(again.has_value());
    EXPECT_EQ(*again, *ini) << "a run without changes writes the same settings back";
}

TEST_F(AppE2E, ClickPostsTheFormShowsThePictureAndSavesTheDownloadedBytes) {
    const int style = 7;
    front_->AnswerStyle(style, Front::Answer::Forward);
    mkdir(folder_->Path("data").c_str(), 0755);
    ASSERT_TRUE(WriteIni(folder_->Path("data/setsoft.ini"),
                         {{"编辑框", {{"编辑框_生成内容", "签名"}, {"编辑框_字体颜色", "255"}, {"编辑框_背景颜色", "16777215"}}},
                          {"组合框", {{"组合框1", std::string(kCombo) + "1<|>中型字"}}}}));
    const std::string body = "text=%E7%AD%BE%E5%90%8D&ziti=7&sizes=64&fontcolor=%23FF0000&colors=%23FFFFFF&if_demo=show";
    ASSERT_EQ(FormBody("签名", style, 64, "FF0000", "FFFFFF"), body);

    // The picture the service gives for this form, fetched directly first:
    // its size places the save button.
    Fetched direct;
    std::string why;
    ASSERT_TRUE(FetchDirect(service_->port(), body, &direct, &why)) << why;
    int w = 0, h = 0;
    ASSERT_TRUE(PngSize(direct.picture, &w, &h));
    ASSERT_GT(w, 80);
    const std::string save = std::to_string(w - 63 + 24) + " 15";  // left = width - 48 - 15, top 3
    const std::string saved = folder_->Path("saved.png");

    front_->ClearLog();
    RunClean(Opening() + std::vector<std::string>{
                             "click " + kStart + " " + SamplePoint(style), "sleep 300",
                             "dump @active " + folder_->Path("result.json"),
                             "screenshot @active " + folder_->Path("result.png"),
                             "dialog " + saved, "click @active " + save, "sleep 300",
                             "dialog cancel", "click @active " + save, "sleep 300",
                             "dialog " + kOfferedName, "click @active " + save, "sleep 300",
                             "close @active", "sleep 300", "dump " + kStart + " " + folder_->Path("after.json")} +
                 Closing(),
             front_->Base(), "request");

    auto log = front_->Log();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[0].method, "POST");
    EXPECT_EQ(log[0].path, "/");
    EXPECT_EQ(log[0].body, body);
    EXPECT_EQ(log[0].content_type, "application/x-www-form-urlencoded");
    EXPECT_EQ(log[0].referer, front_->Base());
    EXPECT_EQ(log[1].method, "GET");
    EXPECT_EQ(log[1].path, "/" + ScrapePath(log[0].reply)) << "base address joined with the scraped path";
    EXPECT_EQ(log[1].status, 200);
    EXPECT_EQ(log[1].reply, direct.picture) << "the service renders the same form to the same picture";

    auto result = Dump("result.json");
    ASSERT_FALSE(result.empty());
    EXPECT_EQ(result[0].text, "") << "the active window after the click is the result window";
    EXPECT_EQ(result[0].Width(), w);
    EXPECT_EQ(result[0].Height(), h + 20);
    const Win* pic = nullptr;
    for (auto& x : result)
        if (x.cls == "_VU_PicBox") pic = &x;
    ASSERT_NE(pic, nullptr) << Texts(result);
    EXPECT_EQ(pic->rect[0], result[0].client[0]);
    EXPECT_EQ(pic->rect[1], result[0].client[1]);
    EXPECT_EQ(pic->Width(), w);
    EXPECT_EQ(pic->Height(), h);
    EXPECT_TRUE(IsFile(folder_->Path("result.png")));

    std::string bytes;
    ASSERT_TRUE(ReadBytes(saved, &bytes)) << "the chosen name was not written";
    EXPECT_EQ(bytes, direct.picture) << "the saved file holds the downloaded bytes unchanged";
    // Cancelling writes nothing; confirming the offered name saves in the
    // dialog's folder, the desktop, like any other confirmed name.
    std::string offered;
    EXPECT_TRUE(ReadBytes(folder_->Desktop() + "/" + kOfferedName, &offered));
    EXPECT_EQ(offered, direct.picture);
    int files = 0;
    for (auto& e : std::filesystem::directory_iterator(folder_->Desktop())) files += e.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 1) << "only the confirmed offered name lands on the desktop";

    auto after = Dump("after.json");
    const Win* gallery = GalleryBox(after);
    ASSERT_NE(gallery, nullptr);
    EXPECT_TRUE(gallery->enabled);
}

TEST_F(AppE2E, StoppedServiceOpensNoWindowAndLeavesTheGalleryEnabled) {
    inettest::RefusingPort refused;
    std::string base = "http://127.0.0.1:" + std::to_string(refused.port()) + "/";
    RunClean(Opening() + std::vector<std::string>{"click " + kStart + " " + SamplePoint(7), "sleep 300",
                                                  "dump @active " + folder_->Path("a.json")} +
                 Closing(),
             base, "refused");
    auto d = Dump("a.json");
    ASSERT_FALSE(d.empty());
    EXPECT_EQ(d[0].text, kTitle) << "no result window";
    const Win* gallery = GalleryBox(d);
    ASSERT_NE(gallery, nullptr);
    EXPECT_TRUE(gallery->enabled);
}

TEST_F(AppE2E, UnusableRepliesOpenNoWindowOrAnEmptyOne) {
    front_->AnswerStyle(9, Front::Answer::NoMarkers);
    front_->AnswerStyle(10, Front::Answer::NotAPicture);
    front_->AnswerStyle(11, Front::Answer::MissingPicture);
    front_->ClearLog();
    RunClean(Opening() + std::vector<std::string>{
                             "click " + kStart + " " + SamplePoint(9), "sleep 300",
                             "dump @active " + folder_->Path("nomarkers.json"),
                             "click " + kStart + " " + SamplePoint(10), "sleep 300",
                             "dump @active " + folder_->Path("notpicture.json"), "close @active", "sleep 300",
                             "click " + kStart + " " + SamplePoint(11), "sleep 300",
                             "dump @active " + folder_->Path("missing.json"), "close @active", "sleep 300",
                             "dump " + kStart + " " + folder_->Path("after.json")} +
                 Closing(),
             front_->Base(), "unusable");

    auto posts = Posts();
    ASSERT_EQ(posts.size(), 3u);
    EXPECT_NE(posts[0].body.find("&ziti=9&"), std::string::npos);

    auto none = Dump("nomarkers.json");
    ASSERT_FALSE(none.empty());
    EXPECT_EQ(none[0].text, kTitle) << "a page without the markers opens no window";
    ASSERT_NE(GalleryBox(none), nullptr);
    EXPECT_TRUE(GalleryBox(none)->enabled);

    for (const char* name : {"notpicture.json", "missing.json"}) {
        SCOPED_TRACE(name);
        auto d = Dump(name);
        ASSERT_FALSE(d.empty());
        EXPECT_EQ(d[0].text, "") << "an empty result window";
        EXPECT_EQ(d[0].Width(), 0);
        EXPECT_EQ(d[0].Height(), 20);
        for (auto& x : d) {
            if (x.cls == "_VU_PicBox") {
                EXPECT_EQ(x.Width(), 0);
                EXPECT_EQ(x.Height(), 0);
            }
        }
    }
    auto after = Dump("after.json");
    ASSERT_NE(GalleryBox(after), nullptr);
    EXPECT_TRUE(GalleryBox(after)->enabled);
}

TEST_F(AppE2E, GalleryLayout) {
    front_->ClearLog();
    RunClean(Opening() + std::vector<std::string>{"dump " + kStart + " " + folder_->Path("g0.json"),
                                                  "click " + kStart + " " + SamplePoint(7), "sleep 200",
                                                  "click " + kStart + " " + SamplePoint(11), "sleep 200"} +
                 Closing(),
             front_->Base(), "layout");

    auto d0 = Dump("g0.json");
    ASSERT_FALSE(d0.empty());
    const Win* box = GalleryBox(d0);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->rect[1] - d0[0].client[1], kGalleryTop);
    std::multiset<std::pair<long, long>> shown, expected;
    int hidden = 0;
    for (auto& w : d0) {
        if (w.cls != "_VU_PicBox" || w.Width() != 186 || w.Height() != 50) continue;
        if (!w.visible) {
            ++hidden;
            EXPECT_EQ(w.rect[0] - box->client[0], 64) << "the hidden template sample";
            EXPECT_EQ(w.rect[1] - box->client[1], 32);
            continue;
        }
        shown.insert({w.rect[0] - box->client[0], w.rect[1] - box->client[1]});
    }
    for (int n = 1; n <= 410; ++n) expected.insert({SamplePlace(n).left, SamplePlace(n).top});
    EXPECT_EQ(hidden, 1);
    EXPECT_EQ(shown.size(), 410u);
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(shown.count({-186, 50}), 1u) << "sample 6";
    EXPECT_EQ(shown.count({0, 50}), 1u) << "sample 7";
    EXPECT_EQ(shown.count({186, 3400}), 1u) << "sample 410";
    EXPECT_EQ(shown.count({-186, 3400}), 1u) << "sample 408 starts the last row out of sight";

    // The places carry their style numbers.
    auto posts = Posts();
    ASSERT_EQ(posts.size(), 2u);
    EXPECT_NE(posts[0].body.find("&ziti=7&"), std::string::npos) << posts[0].body;
    EXPECT_NE(posts[1].body.find("&ziti=11&"), std::string::npos) << posts[1].body;
}

TEST_F(AppE2E, GalleryFollowsTheScrollBar) {
    front_->ClearLog();
    // Scroll bar at client (937, 91), 32 x 144: 32-pixel arrows, a 32-pixel
    // thumb. One click on the lower arrow, then the thumb dragged past the end.
    const int lastTop = 88 - 3200;
    RunClean(Opening() + std::vector<std::string>{
                             "click " + kStart + " 953 219", "sleep 200",
                             "dump " + kStart + " " + folder_->Path("g1.json"),
                             "press " + kStart + " 953 139", "release " + kStart + " 953 600", "sleep 200",
                             "dump " + kStart + " " + folder_->Path("g2.json"),
                             "click " + kStart + " " + SamplePoint(410, lastTop), "sleep 300"} +
                 Closing(),
             front_->Base(), "scrolling");

    auto d1 = Dump("g1.json");
    ASSERT_FALSE(d1.empty());
    ASSERT_NE(GalleryBox(d1), nullptr);
    EXPECT_EQ(GalleryBox(d1)->rect[1] - d1[0].client[1], 88 - 2) << "position 2";
    auto d2 = Dump("g2.json");
    ASSERT_FALSE(d2.empty());
    ASSERT_NE(GalleryBox(d2), nullptr);
    EXPECT_EQ(GalleryBox(d2)->rect[1] - d2[0].client[1], lastTop) << "position 3200";
    auto posts = Posts();
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_NE(posts[0].body.find("&ziti=410&"), std::string::npos) << posts[0].body;
}

}  // namespace
