// A real-window run: platform-demo under its own Xvfb, clicked with xdotool,
// captured with ImageMagick's import. The captures stay as test artefacts.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/x_session.h"

using namespace sigtest;

TEST(XvfbDemo, OpensClicksCapturesAndCloses) {
    if (!XToolsInstalled())
        GTEST_SKIP() << "Xvfb, xdotool or ImageMagick is not installed";
    Child xvfb;
    std::string display = StartXvfb(xvfb);
    ASSERT_FALSE(display.empty()) << "Xvfb did not report its display";

    Child demo;
    const int out = SpawnOnDisplay(demo, PLATFORM_DEMO, display);
    ASSERT_GE(out, 0);
    std::string buf;
    ASSERT_TRUE(WaitLine(out, buf, "ready", 20000)) << "the demo did not start";
    std::this_thread::sleep_for(std::chrono::milliseconds(500));

    // The demo's main window is at (40, 40) with a sizing frame (4) and a caption (19):
    // its client area starts at (44, 63). The first button is at client (420, 240), 90 x 28.
    EXPECT_EQ(RunTool({"xdotool", "mousemove", "509", "317", "click", "1"}, display), 0);
    EXPECT_TRUE(WaitLine(out, buf, "button clicked 1", 5000)) << "the click reached the button";

    std::string dir = SIG_ARTIFACT_DIR;
    mkdir(dir.c_str(), 0755);
    std::string shot = dir + "/platform_demo_xvfb.png";
    EXPECT_EQ(CaptureUntil(display, shot,
                           {{45, 46, "10,36,106", "the active caption at its left end"},
                            {50, 380, "212,208,200", "the classic face colour of the client area"},
                            {700 + 110, 100 + 40, "40,90,170", "the ring-shaped window's body"}}),
              "");
    struct stat st {};
    ASSERT_EQ(stat(shot.c_str(), &st), 0);
    EXPECT_GT(st.st_size, 1000);
    // The ring is cut out on the display itself: moved over the main window,
    // its hole shows the main window's face colour underneath.
    std::string ring_id;
    {
        std::string ids = RunToolOutput({"xdotool", "search", "--name", "^shaped$"}, display);
        ring_id = ids.substr(0, ids.find('\n'));
    }
    ASSERT_FALSE(ring_id.empty()) << "the ring-shaped window is on the display";
    EXPECT_EQ(RunTool({"xdotool", "windowmove", ring_id, "0", "300", "windowraise", ring_id}, display), 0);
    std::string moved = dir + "/platform_demo_xvfb_ring_over_main.png";
    EXPECT_EQ(CaptureUntil(display, moved,
                           {{110, 300 + 40, "40,90,170", "the ring's body"},
                            {110, 300 + 110, "212,208,200", "the hole of the ring, showing the window below"}}),
              "");
    EXPECT_EQ(RunTool({"xdotool", "windowmove", ring_id, "700", "100"}, display), 0);
    // A capture of its own, so the one of the ring over the window stays as it was.
    EXPECT_EQ(CaptureUntil(display, dir + "/platform_demo_xvfb_ring_back.png",
                           {{700 + 110, 100 + 40, "40,90,170", "the ring back in its place"}}),
              "");

    // The second button opens a real modal message box; Enter closes it.
    EXPECT_EQ(RunTool({"xdotool", "mousemove", "609", "317", "click", "1"}, display), 0);
    std::string box = dir + "/platform_demo_xvfb_message_box.png";
    EXPECT_EQ(CaptureUntil(display, box, {{45, 46, "128,128,128", "the owner's caption, turned inactive"}}), "");
    // The box has the focus once its owner's caption has turned inactive.
    EXPECT_EQ(RunTool({"xdotool", "key", "Return"}, display), 0);
    EXPECT_TRUE(WaitLine(out, buf, "message box closed 1", 5000));

    // The close button of the caption ends the program.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(RunTool({"xdotool", "mousemove", "669", "52", "click", "1"}, display), 0);
    int status = -1;
    auto end = Clock::now() + std::chrono::seconds(10);
    while (Clock::now() < end) {
        int s;
        if (waitpid(demo.pid, &s, WNOHANG) == demo.pid) {
            status = WIFEXITED(s) ? WEXITSTATUS(s) : 128 + WTERMSIG(s);
            demo.pid = -1;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_EQ(status, 0) << "the demo ends when its main window closes";
    close(out);
}

TEST(XvfbDemo, WithoutADisplayTheProgramSaysSoAndFails) {
    // No DISPLAY and no headless request: with the X11 driver asked for, and
    // with no driver named (SDL would otherwise settle on one that shows nothing).
    for (const char* driver : {"SDL_VIDEODRIVER=x11", "SDL_VIDEODRIVER="}) {
        SCOPED_TRACE(driver);
        int out[2];
        ASSERT_EQ(pipe(out), 0);
        std::vector<std::string> env = {"DISPLAY=", "WAYLAND_DISPLAY=", driver};
        pid_t p = Spawn({PLATFORM_DEMO}, env, out[1]);
        close(out[1]);
        ASSERT_GT(p, 0);
        std::string said;
        char tmp[256];
        ssize_t n;
        while ((n = read(out[0], tmp, sizeof tmp)) > 0) said.append(tmp, static_cast<size_t>(n));
        int st = 0;
        waitpid(p, &st, 0);
        close(out[0]);
        ASSERT_TRUE(WIFEXITED(st));
        EXPECT_NE(WEXITSTATUS(st), 0);
        EXPECT_NE(said.find("Cannot open a display"), std::string::npos) << said;
    }
}

TEST(XvfbDemo, HeadlessScreenshotNeedsNoDisplay) {
    std::string dir = SIG_ARTIFACT_DIR;
    mkdir(dir.c_str(), 0755);
    std::string shot = dir + "/platform_demo_headless.png";
    unlink(shot.c_str());
    pid_t p = Spawn({PLATFORM_DEMO, "--screenshot", shot}, {"DISPLAY="}, -1);
    ASSERT_GT(p, 0);
    int st = 0;
    waitpid(p, &st, 0);
    ASSERT_TRUE(WIFEXITED(st));
    EXPECT_EQ(WEXITSTATUS(st), 0);
    struct stat info {};
    ASSERT_EQ(stat(shot.c_str(), &info), 0);
    if (Exists("/usr/bin/convert")) {
        EXPECT_EQ(Pixel(shot, 5, 6), "10,36,106") << "the active caption";
        EXPECT_EQ(Pixel(shot, 10, 380), "212,208,200");
    }
    std::string ring = dir + "/platform_demo_headless-shaped.png";
    EXPECT_EQ(stat(ring.c_str(), &info), 0);
}
