// A real-window run: controls-demo under its own Xvfb, typed into and
// clicked with xdotool, captured with ImageMagick's import (kept as an artefact).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/x_session.h"

namespace {

using namespace sigtest;

// The last "edit 10 ..." report within the time, after the typing settles.
std::string LastEdit(int fd, std::string& buf, int ms) {
    std::string last, rest;
    while (WaitPrefix(fd, buf, "edit 10 ", ms, &rest)) last = rest;
    return last;
}

}  // namespace

TEST(XvfbControls, TypesChineseAndLatinAndChoosesFromTheComboList) {
    if (!XToolsInstalled())
        GTEST_SKIP() << "Xvfb, xdotool or ImageMagick is not installed";
    Child xvfb;
    std::string display = StartXvfb(xvfb);
    ASSERT_FALSE(display.empty()) << "Xvfb did not report its display";

    Child demo;
    const int out = SpawnOnDisplay(demo, CONTROLS_DEMO, display);
    ASSERT_GE(out, 0);
    std::string buf;
    ASSERT_TRUE(WaitLine(out, buf, "ready", 20000)) << "the demo did not start";
    std::this_thread::sleep_for(std::chrono::milliseconds(500));

    // The main window is at (40, 40) with a sizing frame (4) and a caption (19): its
    // client area starts at (44, 63). The one-line edit box is at client (20, 20), 200 x 24.
    EXPECT_EQ(RunTool({"xdotool", "mousemove", "144", "95", "click", "1"}, display), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(RunTool({"xdotool", "type", "--delay", "60", "Sig ok"}, display), 0);
    EXPECT_EQ(LastEdit(out, buf, 1500), "536967206f6b");
    EXPECT_EQ(RunTool({"xdotool", "type", "--delay", "120", "\u4e2d\u6587"}, display), 0);  // 中文
    EXPECT_EQ(LastEdit(out, buf, 2000), "536967206f6bd6d0cec4") << "typed Chinese arrives as GBK";
    EXPECT_EQ(RunTool({"xdotool", "key", "BackSpace"}, display), 0);
    EXPECT_EQ(LastEdit(out, buf, 1500), "536967206f6bd6d0") << "Backspace removes a whole character";

    // The drop-down list combo box at client (240, 20): open it, then click its third row.
    EXPECT_EQ(RunTool({"xdotool", "mousemove", "364", "93", "click", "1"}, display), 0);
    std::string drop;
    ASSERT_TRUE(WaitPrefix(out, buf, "dropdown ", 5000, &drop)) << "the list did not open";
    int x = 0, y = 0, w = 0, h = 0, ih = 0;
    ASSERT_EQ(std::sscanf(drop.c_str(), "%d %d %d %d %d", &x, &y, &w, &h, &ih), 5);
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    std::string dir = SIG_ARTIFACT_DIR;
    mkdir(dir.c_str(), 0755);
    std::string open_shot = dir + "/controls_demo_xvfb_open_list.png";
    EXPECT_EQ(RunTool({"import", "-window", "root", open_shot}, display), 0);
    int cx = x + 30, cy = y + 1 + ih * 2 + ih / 2;
    EXPECT_EQ(RunTool({"xdotool", "mousemove", std::to_string(cx), std::to_string(cy)}, display), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(RunTool({"xdotool", "click", "1"}, display), 0);
    std::string chosen;
    ASSERT_TRUE(WaitPrefix(out, buf, "combo ", 5000, &chosen));
    EXPECT_EQ(chosen, "2 \xbf\xac\xcc\xe5");  // 楷体

    std::string shot = dir + "/controls_demo_xvfb.png";
    EXPECT_EQ(CaptureUntil(display, shot, {{cx, cy, "212,208,200", "below the field, the list closed"}}), "");
    struct stat st {};
    ASSERT_EQ(stat(shot.c_str(), &st), 0);
    EXPECT_GT(st.st_size, 1000);
    close(out);
}

TEST(XvfbControls, HeadlessScreenshotNeedsNoDisplay) {
    std::string dir = SIG_ARTIFACT_DIR;
    mkdir(dir.c_str(), 0755);
    std::string shot = dir + "/controls_demo_headless.png";
    unlink(shot.c_str());
    pid_t p = Spawn({CONTROLS_DEMO, "--screenshot", shot}, {"DISPLAY="}, -1);
    ASSERT_GT(p, 0);
    int st = 0;
    waitpid(p, &st, 0);
    ASSERT_TRUE(WIFEXITED(st));
    EXPECT_EQ(WEXITSTATUS(st), 0);
    struct stat info {};
    ASSERT_EQ(stat(shot.c_str(), &info), 0);
    if (Exists("/usr/bin/convert")) {
        // The multi-line box's colour from WM_CTLCOLOREDIT, the progress bar's colour from PBM_SETBARCOLOR.
        EXPECT_EQ(Pixel(shot, 4 + 20 + 100, 23 + 56 + 80), "255,255,225");
        EXPECT_EQ(Pixel(shot, 4 + 20 + 5, 23 + 160 + 9), "0,0,160");
    }
}
