// A real-window run: platform-demo under its own Xvfb, clicked with xdotool,
// captured with ImageMagick's import. The captures stay as test artefacts.
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

}  // namespace

TEST(XvfbDemo, OpensClicksCapturesAndCloses) {
    if (!Exists("/usr/bin/Xvfb") || !Exists("/usr/bin/xdotool") || !Exists("/usr/bin/import"))
        GTEST_SKIP() << "Xvfb, xdotool or ImageMagick is not installed";
    // Our own server on a free display number, which Xvfb reports through a pipe.
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
    demo.pid = Spawn({PLATFORM_DEMO}, {"DISPLAY=" + display, "SDL_VIDEODRIVER=x11"}, out[1]);
    close(out[1]);
    ASSERT_GT(demo.pid, 0);
    std::string buf;
    ASSERT_TRUE(WaitLine(out[0], buf, "ready", 20000)) << "the demo did not start";
    std::this_thread::sleep_for(std::chrono::milliseconds(500));

    // The demo's main window is at (40, 40) with a sizing frame (4) and a caption (19):
    // its client area starts at (44, 63). The first button is at client (420, 240), 90 x 28.
    EXPECT_EQ(RunTool({"xdotool", "mousemove", "509", "317", "click", "1"}, display), 0);
    EXPECT_TRUE(WaitLine(out[0], buf, "button clicked 1", 5000)) << "the click reached the button";

    std::string dir = SIG_ARTIFACT_DIR;
    mkdir(dir.c_str(), 0755);
    std::string shot = dir + "/platform_demo_xvfb.png";
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_EQ(RunTool({"import", "-window", "root", shot}, display), 0);
    struct stat st {};
    ASSERT_EQ(stat(shot.c_str(), &st), 0);
    EXPECT_GT(st.st_size, 1000);
    // Active caption at its left end, the classic face colour of the client area,
    // and the ring-shaped window's body right of the main window.
    EXPECT_EQ(Pixel(shot, 45, 46), "10,36,106");
    EXPECT_EQ(Pixel(shot, 50, 380), "212,208,200");
    EXPECT_EQ(Pixel(shot, 700 + 110, 100 + 40), "40,90,170");

    // The second button opens a real modal message box; Enter closes it.
    EXPECT_EQ(RunTool({"xdotool", "mousemove", "609", "317", "click", "1"}, display), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    std::string box = dir + "/platform_demo_xvfb_message_box.png";
    EXPECT_EQ(RunTool({"import", "-window", "root", box}, display), 0);
    EXPECT_EQ(Pixel(box, 45, 46), "128,128,128") << "the owner's caption turned inactive";
    EXPECT_EQ(RunTool({"xdotool", "key", "Return"}, display), 0);
    EXPECT_TRUE(WaitLine(out[0], buf, "message box closed 1", 5000));

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
    close(out[0]);
}

TEST(XvfbDemo, WithoutADisplayTheProgramSaysSoAndFails) {
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    // No DISPLAY and no headless request.
    std::vector<std::string> env = {"DISPLAY=", "WAYLAND_DISPLAY=", "SDL_VIDEODRIVER=x11"};
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
