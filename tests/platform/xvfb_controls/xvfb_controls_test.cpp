// A real-window run: controls-demo under its own Xvfb, typed into and
// clicked with xdotool, captured with ImageMagick's import (kept as an artefact).
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

bool Exists(const char* path) { return access(path, X_OK) == 0; }

// Spawns argv with extra environment entries; stdout goes to out_fd when >= 0.
pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env, int out_fd, int keep_fd = -1) {
    std::vector<char*> a;
    for (auto& s : argv) a.push_back(const_cast<char*>(s.c_str()));
    a.push_back(nullptr);
    std::vector<std::string> envs;
    for (char** e = environ; *e; ++e) {
        std::string s = *e;
        bool replaced = false;
        for (auto& x : env)
            if (s.substr(0, s.find('=') + 1) == x.substr(0, x.find('=') + 1)) replaced = true;
        if (!replaced && s.rfind("SIGDESIGNER_BACKEND=", 0) != 0) envs.push_back(s);
    }
    for (auto& x : env) envs.push_back(x);
    std::vector<char*> e;
    for (auto& s : envs) e.push_back(const_cast<char*>(s.c_str()));
    e.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    if (out_fd >= 0) {
        posix_spawn_file_actions_adddup2(&fa, out_fd, 1);
        posix_spawn_file_actions_adddup2(&fa, out_fd, 2);
    }
    (void)keep_fd;
    pid_t pid = 0;
    int rc = posix_spawnp(&pid, a[0], &fa, nullptr, a.data(), e.data());
    posix_spawn_file_actions_destroy(&fa);
    return rc == 0 ? pid : -1;
}

int RunTool(const std::vector<std::string>& argv, const std::string& display) {
    pid_t p = Spawn(argv, {"DISPLAY=" + display}, -1);
    if (p < 0) return -1;
    int st = 0;
    waitpid(p, &st, 0);
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

// Reads lines from a pipe until one equals want or the time runs out.
bool WaitLine(int fd, std::string& buf, const std::string& want, int ms) {
    auto end = Clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        size_t pos;
        while ((pos = buf.find('\n')) != std::string::npos) {
            std::string line = buf.substr(0, pos);
            buf.erase(0, pos + 1);
            if (line == want) return true;
        }
        int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count());
        if (left <= 0) return false;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, left) <= 0) return false;
        char tmp[256];
        ssize_t n = read(fd, tmp, sizeof tmp);
        if (n <= 0) return false;
        buf.append(tmp, static_cast<size_t>(n));
    }
}

// The colour of one pixel of a PNG, through ImageMagick: "r,g,b".
std::string Pixel(const std::string& png, int x, int y) {
    std::string cmd = "convert '" + png + "' -format '%[fx:int(255*p{" + std::to_string(x) + "," +
                      std::to_string(y) + "}.r)],%[fx:int(255*p{" + std::to_string(x) + "," + std::to_string(y) +
                      "}.g)],%[fx:int(255*p{" + std::to_string(x) + "," + std::to_string(y) + "}.b)]' info:";
    FILE* f = popen(cmd.c_str(), "r");
    if (!f) return "";
    char out[64] = {};
    size_t n = fread(out, 1, sizeof out - 1, f);
    pclose(f);
    return std::string(out, n);
}

struct Child {
    pid_t pid = -1;
    ~Child() { Stop(); }
    void Stop() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            int st;
            for (int i = 0; i < 50 && waitpid(pid, &st, WNOHANG) == 0; ++i) usleep(20000);
            if (waitpid(pid, &st, WNOHANG) == 0) {
                kill(pid, SIGKILL);
                waitpid(pid, &st, 0);
            }
        }
        pid = -1;
    }
};


// Waits for a line starting with prefix; returns the rest of it.
bool WaitPrefix(int fd, std::string& buf, const std::string& prefix, int ms, std::string* rest) {
    auto end = Clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        size_t pos;
        while ((pos = buf.find('\n')) != std::string::npos) {
            std::string line = buf.substr(0, pos);
            buf.erase(0, pos + 1);
            if (line.rfind(prefix, 0) == 0) {
                *rest = line.substr(prefix.size());
                return true;
            }
        }
        int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count());
        if (left <= 0) return false;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, left) <= 0) return false;
        char tmp[256];
        ssize_t n = read(fd, tmp, sizeof tmp);
        if (n <= 0) return false;
        buf.append(tmp, static_cast<size_t>(n));
    }
}

// The last "edit 10 ..." report within the time, after the typing settles.
std::string LastEdit(int fd, std::string& buf, int ms) {
    std::string last, rest;
    while (WaitPrefix(fd, buf, "edit 10 ", ms, &rest)) last = rest;
    return last;
}

}  // namespace

TEST(XvfbControls, TypesChineseAndLatinAndChoosesFromTheComboList) {
    if (!Exists("/usr/bin/Xvfb") || !Exists("/usr/bin/xdotool") || !Exists("/usr/bin/import"))
        GTEST_SKIP() << "Xvfb, xdotool or ImageMagick is not installed";
    int dfd[2];
    ASSERT_EQ(pipe(dfd), 0);
    Child xvfb;
    xvfb.pid = Spawn({"Xvfb", "-displayfd", std::to_string(dfd[1]), "-screen", "0", "1024x768x24", "-nolisten", "tcp"},
                     {}, -1, dfd[1]);
    close(dfd[1]);
    ASSERT_GT(xvfb.pid, 0);
    std::string num;
    {
        std::string buf;
        auto end = Clock::now() + std::chrono::seconds(15);
        while (buf.find('\n') == std::string::npos && Clock::now() < end) {
            pollfd p{dfd[0], POLLIN, 0};
            if (poll(&p, 1, 500) <= 0) continue;
            char tmp[32];
            ssize_t n = read(dfd[0], tmp, sizeof tmp);
            if (n <= 0) break;
            buf.append(tmp, static_cast<size_t>(n));
        }
        num = buf.substr(0, buf.find('\n'));
    }
    close(dfd[0]);
    ASSERT_FALSE(num.empty()) << "Xvfb did not report its display";
    std::string display = ":" + num;

    int out[2];
    ASSERT_EQ(pipe(out), 0);
    Child demo;
    demo.pid = Spawn({CONTROLS_DEMO}, {"DISPLAY=" + display, "SDL_VIDEODRIVER=x11"}, out[1]);
    close(out[1]);
    ASSERT_GT(demo.pid, 0);
    std::string buf;
    ASSERT_TRUE(WaitLine(out[0], buf, "ready", 20000)) << "the demo did not start";
    std::this_thread::sleep_for(std::chrono::milliseconds(500));

    // The main window is at (40, 40) with a sizing frame (4) and a caption (19): its
    // client area starts at (44, 63). The one-line edit box is at client (20, 20), 200 x 24.
    EXPECT_EQ(RunTool({"xdotool", "mousemove", "144", "95", "click", "1"}, display), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(RunTool({"xdotool", "type", "--delay", "60", "Sig ok"}, display), 0);
    EXPECT_EQ(LastEdit(out[0], buf, 1500), "536967206f6b");
    EXPECT_EQ(RunTool({"xdotool", "type", "--delay", "120", "\u4e2d\u6587"}, display), 0);  // 中文
    EXPECT_EQ(LastEdit(out[0], buf, 2000), "536967206f6bd6d0cec4") << "typed Chinese arrives as GBK";
    EXPECT_EQ(RunTool({"xdotool", "key", "BackSpace"}, display), 0);
    EXPECT_EQ(LastEdit(out[0], buf, 1500), "536967206f6bd6d0") << "Backspace removes a whole character";

    // The drop-down list combo box at client (240, 20): open it, then click its third row.
    EXPECT_EQ(RunTool({"xdotool", "mousemove", "364", "93", "click", "1"}, display), 0);
    std::string drop;
    ASSERT_TRUE(WaitPrefix(out[0], buf, "dropdown ", 5000, &drop)) << "the list did not open";
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
    ASSERT_TRUE(WaitPrefix(out[0], buf, "combo ", 5000, &chosen));
    EXPECT_EQ(chosen, "2 \xbf\xac\xcc\xe5");  // 楷体

    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    std::string shot = dir + "/controls_demo_xvfb.png";
    ASSERT_EQ(RunTool({"import", "-window", "root", shot}, display), 0);
    struct stat st {};
    ASSERT_EQ(stat(shot.c_str(), &st), 0);
    EXPECT_GT(st.st_size, 1000);
    // The list has closed: below the field is the window's face colour again.
    EXPECT_EQ(Pixel(shot, cx, cy), "212,208,200");
    close(out[0]);
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
