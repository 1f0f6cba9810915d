// units-demo, the window with one unit of every type: its headless capture,
// and a real-window run under Xvfb where the colour picker is opened with a
// click and a palette cell is chosen. The captures stay as test artefacts.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <sstream>
#include <string>
#include <thread>

#include "tests/support/x_session.h"

using namespace sigtest;

namespace {

std::string Artefact(const std::string& name) {
    std::string dir = SIG_ARTIFACT_DIR;
    mkdir(dir.c_str(), 0755);
    return dir + "/" + name;
}

// Distinct colours in a picture, through ImageMagick; -1 when it cannot tell.
long ColourCount(const std::string& png) {
    FILE* f = popen(("convert '" + png + "' -format '%k' info:").c_str(), "r");
    if (!f) return -1;
    char out[32] = {};
    size_t n = fread(out, 1, sizeof out - 1, f);
    pclose(f);
    return n ? std::strtol(out, nullptr, 10) : -1;
}

int WaitExit(Child& child, int seconds) {
    auto end = Clock::now() + std::chrono::seconds(seconds);
    while (Clock::now() < end) {
        int s;
        if (waitpid(child.pid, &s, WNOHANG) == child.pid) {
            child.pid = -1;
            return WIFEXITED(s) ? WEXITSTATUS(s) : 128 + WTERMSIG(s);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return -1;
}

}  // namespace

TEST(UnitsDemo, HeadlessScreenshotIsWrittenAndNotBlank) {
    const std::string shot = Artefact("units_demo_headless.png");
    unlink(shot.c_str());
    Child demo;
    demo.pid = Spawn({UNITS_DEMO, "--screenshot", shot}, {"DISPLAY="}, -1);
    ASSERT_GT(demo.pid, 0);
    EXPECT_EQ(WaitExit(demo, 60), 0);
    struct stat info {};
    ASSERT_EQ(stat(shot.c_str(), &info), 0) << "no capture written";
    EXPECT_GT(info.st_size, 1000);
    if (!Exists("/usr/bin/convert")) GTEST_SKIP() << "ImageMagick is not installed to look at the pixels";
    // A caption, a client area and the units' own colours, not one flat fill.
    EXPECT_GT(ColourCount(shot), 8);
}

TEST(UnitsDemo, UnknownArgumentIsRefused) {
    Child demo;
    demo.pid = Spawn({UNITS_DEMO, "--no-such-option"}, {"DISPLAY="}, -1);
    ASSERT_GT(demo.pid, 0);
    EXPECT_EQ(WaitExit(demo, 60), 2);
}

// The palette opens under the control's bottom-left corner; its cells are
// 18 pixels with the 2-pixel edge as margin, 7 to a row; cell 12 is red.
TEST(UnitsDemoXvfb, PaletteCellChosenWithTheMouseBecomesTheSwatch) {
    if (!XToolsInstalled() || !Exists("/usr/bin/convert"))
        GTEST_SKIP() << "Xvfb, xdotool or ImageMagick is not installed";
    Child xvfb;
    const std::string display = StartXvfb(xvfb);
    ASSERT_FALSE(display.empty()) << "Xvfb did not report its display";

    Child demo;
    const int out = SpawnOnDisplay(demo, UNITS_DEMO, display);
    ASSERT_GE(out, 0);
    std::string buf, rect;
    ASSERT_TRUE(WaitPrefix(out, buf, "picker ", 60000, &rect)) << "the demo did not start";
    int left = 0, top = 0, right = 0, bottom = 0;
    std::istringstream(rect) >> left >> top >> right >> bottom;
    ASSERT_GT(right - left, 20);
    ASSERT_GT(bottom - top, 10);
    ASSERT_TRUE(WaitLine(out, buf, "ready", 30000));

    // Left part of the swatch, clear of the sunken edge and the drop arrow.
    const int swatchX = left + 10, swatchY = (top + bottom) / 2;
    const std::string before = Artefact("units_demo_xvfb_before.png");
    ASSERT_EQ(CaptureUntil(display, before, {{swatchX, swatchY, "0,0,255", "the swatch, in the stored blue"}}), "");

    ASSERT_EQ(RunTool({"xdotool", "mousemove", std::to_string((left + right) / 2), std::to_string(swatchY), "click",
                       "1"},
                      display),
              0);
    const std::string open = Artefact("units_demo_xvfb_palette.png");
    const int cellX = left + 2 + 5 * 18 + 9, cellY = bottom + 2 + 1 * 18 + 9;
    EXPECT_EQ(CaptureUntil(display, open, {{cellX, cellY, "255,0,0", "the palette's red cell under the control"}}), "");

    ASSERT_EQ(RunTool({"xdotool", "mousemove", std::to_string(cellX), std::to_string(cellY)}, display), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_EQ(RunTool({"xdotool", "click", "1"}, display), 0);
    EXPECT_TRUE(WaitLine(out, buf, "colour 000000FF", 15000)) << "event 0 with the chosen colour";

    const std::string after = Artefact("units_demo_xvfb_after.png");
    EXPECT_EQ(CaptureUntil(display, after,
                           {{swatchX, swatchY, "255,0,0", "the swatch, in the chosen colour"},
                            {cellX, cellY, "255,0,0", "the red cell, gone with the closed palette", false}}),
              "");
    close(out);
}
