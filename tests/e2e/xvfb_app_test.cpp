// One real-window run: sigdesigner on its default (SDL) backend under its own
// Xvfb, as ./run.sh opens it, a sample clicked with xdotool, the result window
// found among the program's X windows and captured. The capture stays in the
// artefact folder.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/e2e_support.h"

using namespace e2e;
using namespace sigtest;

namespace {

// Output of a command (stdout only).
std::string Capture(const std::string& cmd) {
    FILE* f = popen(cmd.c_str(), "r");
    if (!f) return "";
    std::string out;
    char buf[512];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    pclose(f);
    return out;
}

struct Geometry {
    long id = 0;
    int x = 0, y = 0, w = 0, h = 0;
};

// The program's visible top-level X windows with their places.
std::vector<Geometry> ProgramWindows(const std::string& display, pid_t pid) {
    std::vector<Geometry> out;
    std::string ids = Capture("DISPLAY=" + display + " xdotool search --onlyvisible --pid " + std::to_string(pid) +
                              " 2>/dev/null");
    std::istringstream in(ids);
    long id;
    while (in >> id) {
        Geometry g;
        g.id = id;
        std::string shell = Capture("DISPLAY=" + display + " xdotool getwindowgeometry --shell " + std::to_string(id));
        std::istringstream s(shell);
        std::string line;
        while (std::getline(s, line)) {
            if (line.rfind("X=", 0) == 0) g.x = std::atoi(line.c_str() + 2);
            if (line.rfind("Y=", 0) == 0) g.y = std::atoi(line.c_str() + 2);
            if (line.rfind("WIDTH=", 0) == 0) g.w = std::atoi(line.c_str() + 6);
            if (line.rfind("HEIGHT=", 0) == 0) g.h = std::atoi(line.c_str() + 7);
        }
        out.push_back(g);
    }
    return out;
}

TEST(XvfbApp, SampleClickedWithTheMouseOpensTheResultWindow) {
    if (!XToolsInstalled())
        GTEST_SKIP() << "Xvfb, xdotool or ImageMagick is not installed";
    if (!ToolBuilt()) GTEST_SKIP() << "needs the sigdesigner executable (" << SIGDESIGNER_BIN << ")";
    std::string why;
    std::string samples = SampleFolder(&why);
    ASSERT_FALSE(samples.empty()) << why;
    Service service;
    ASSERT_TRUE(service.Start(&why)) << why;
    Front front(service.port());
    front.AnswerStyle(7, Front::Answer::Forward);
    ProgramFolder folder(samples, &why);
    ASSERT_TRUE(why.empty()) << why;
    mkdir(folder.Path("data").c_str(), 0755);
    ASSERT_TRUE(WriteIni(folder.Path("data/setsoft.ini"),
                         {{"编辑框", {{"编辑框_生成内容", "签名设计"}, {"编辑框_字体颜色", "8388608"}, {"编辑框_背景颜色", "16777215"}}},
                          {"组合框", {{"组合框1", "小型字<|>32<||>中型字<|>64<||>大型字<|>128<||>1<|>中型字"}}}}));
    Fetched direct;
    ASSERT_TRUE(FetchDirect(service.port(), FormBody("签名设计", 7, 64, "000080", "FFFFFF"), &direct, &why)) << why;
    int pw = 0, ph = 0;
    ASSERT_TRUE(PngSize(direct.picture, &pw, &ph));

    // Where the client area lies inside the window: the same drawing code
    // frames the window headless, so a headless dump tells.
    RunResult probe = folder.Run("wait-window \"Morvane艺术字生成器\" 60000\ndump \"Morvane艺术字生成器\" " +
                                     folder.Path("probe.json") + "\nclose \"Morvane艺术字生成器\"\n",
                                 front.Base(), "probe");
    ASSERT_EQ(probe.status, 0) << probe.output;
    auto dump = ReadDump(folder.Path("probe.json"), &why);
    ASSERT_TRUE(dump.has_value()) << why;
    const int cx = static_cast<int>((*dump)[0].client[0] - (*dump)[0].rect[0]);
    const int cy = static_cast<int>((*dump)[0].client[1] - (*dump)[0].rect[1]);

    Child xvfb;
    std::string display = StartXvfb(xvfb);
    ASSERT_FALSE(display.empty()) << "Xvfb did not report its display";
    std::vector<std::string> env = folder.Environment(front.Base(), "");
    for (auto& e : env)
        if (e.rfind("DISPLAY=", 0) == 0) e = "DISPLAY=" + display;
    env.push_back("SDL_VIDEODRIVER=x11");
    std::string log = folder.Path("xvfb.log");
    int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    Child tool;
    tool.pid = Spawn({folder.Path("sigdesigner")}, env, fd);
    close(fd);
    ASSERT_GT(tool.pid, 0);

    // The start window, once the gallery is built (the program answers X again).
    std::vector<Geometry> before;
    auto end = Clock::now() + std::chrono::seconds(60);
    while (Clock::now() < end) {
        before = ProgramWindows(display, tool.pid);
        if (!before.empty()) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    std::string out;
    ReadBytes(log, &out);
    ASSERT_EQ(before.size(), 1u) << "the start window did not show: " << out;
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    Geometry start = before[0];
    EXPECT_EQ(start.w, 975) << "the created handler narrows the window";

    std::string dir = SIG_ARTIFACT_DIR;
    mkdir(dir.c_str(), 0755);
    ASSERT_EQ(RunTool({"import", "-window", "root", dir + "/e2e_xvfb_start.png"}, display), 0);

    // Sample 7: gallery at client (8, 87), sample at (0, 50) in it, 186 x 50.
    int x = start.x + cx + 8 + 93, y = start.y + cy + 87 + 50 + 25;
    EXPECT_EQ(RunTool({"xdotool", "mousemove", std::to_string(x), std::to_string(y), "click", "1"}, display), 0);

    Geometry result;
    end = Clock::now() + std::chrono::seconds(30);
    while (Clock::now() < end && result.id == 0) {
        for (auto& g : ProgramWindows(display, tool.pid))
            if (g.id != start.id) result = g;
        if (result.id == 0) std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    ReadBytes(log, &out);
    ASSERT_NE(result.id, 0) << "no result window after clicking " << x << ", " << y << " with the start window at "
                            << start.x << ", " << start.y << "; " << front.Log().size() << " requests; " << out;
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    EXPECT_EQ(result.w, pw);
    EXPECT_EQ(result.h, ph + 20);

    auto posts = front.Log();
    ASSERT_GE(posts.size(), 2u);
    EXPECT_EQ(posts[0].body, FormBody("签名设计", 7, 64, "000080", "FFFFFF"));
    EXPECT_EQ(posts[1].reply, direct.picture);

    // The picture sits at the result window's client origin: a pixel near its
    // corner on screen is the picture's own.
    std::string png = folder.Path("picture.png");
    ASSERT_TRUE(WriteBytes(png, direct.picture));
    std::string shot = dir + "/e2e_xvfb_result.png";
    EXPECT_EQ(CaptureUntil(display, shot, {{result.x + cx + 3, result.y + cy + 3, Pixel(png, 3, 3), "the picture's corner"}}),
              "");
    struct stat st {};
    ASSERT_EQ(stat(shot.c_str(), &st), 0);
    EXPECT_GT(st.st_size, 1000);

    tool.Stop();
}

}  // namespace
