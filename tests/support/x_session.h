// Real-window tests: our own Xvfb on a free display number, child programs
// spawned with a chosen environment, xdotool and ImageMagick driven through
// it, and line reading from a child's output pipe.
#pragma once

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

extern char** environ;

namespace sigtest {

using Clock = std::chrono::steady_clock;

inline bool Exists(const char* path) { return access(path, X_OK) == 0; }

// Spawns argv with extra environment entries (replacing same-named ones; the
// backend choice is never inherited); stdout and stderr go to out_fd when >= 0.
inline pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env, int out_fd) {
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
    pid_t pid = 0;
    int rc = posix_spawnp(&pid, a[0], &fa, nullptr, a.data(), e.data());
    posix_spawn_file_actions_destroy(&fa);
    return rc == 0 ? pid : -1;
}

// Xvfb, xdotool and ImageMagick's import: what the real-window runs use.
inline bool XToolsInstalled() {
    return Exists("/usr/bin/Xvfb") && Exists("/usr/bin/xdotool") && Exists("/usr/bin/import");
}

inline int RunTool(const std::vector<std::string>& argv, const std::string& display) {
    pid_t p = Spawn(argv, {"DISPLAY=" + display}, -1);
    if (p < 0) return -1;
    int st = 0;
    waitpid(p, &st, 0);
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

// Runs a tool and returns what it wrote on stdout and stderr.
inline std::string RunToolOutput(const std::vector<std::string>& argv, const std::string& display) {
    int fds[2];
    if (pipe(fds) != 0) return {};
    pid_t p = Spawn(argv, {"DISPLAY=" + display}, fds[1]);
    close(fds[1]);
    std::string out;
    char chunk[512];
    ssize_t n;
    while (p > 0 && (n = read(fds[0], chunk, sizeof chunk)) > 0) out.append(chunk, static_cast<size_t>(n));
    close(fds[0]);
    int st = 0;
    if (p > 0) waitpid(p, &st, 0);
    return out;
}

// Reads lines from a pipe until one starts with prefix (the rest goes to
// *rest) or the time runs out.
inline bool WaitPrefix(int fd, std::string& buf, const std::string& prefix, int ms, std::string* rest) {
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

// Reads lines until one equals want or the time runs out.
inline bool WaitLine(int fd, std::string& buf, const std::string& want, int ms) {
    auto end = Clock::now() + std::chrono::milliseconds(ms);
    std::string rest;
    for (;;) {
        int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count());
        if (!WaitPrefix(fd, buf, want, left > 0 ? left : 0, &rest)) return false;
        if (rest.empty()) return true;
    }
}

// The colour of one pixel of a PNG, through ImageMagick: "r,g,b".
inline std::string Pixel(const std::string& png, int x, int y) {
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

// A pixel a capture should show: where, its colour ("r,g,b"), and what it is.
// With `same` false the pixel must show any colour but that one.
struct Spot {
    int x, y;
    std::string rgb;
    const char* what;
    bool same = true;
};

// Captures the whole screen into `png` until every spot shows what it should or
// `ms` pass, keeping the last capture. A fixed pause before a single capture
// loses to a loaded machine, where drawing can lag the event that caused it.
// Returns the spots that were wrong in the last capture, empty when none was.
inline std::string CaptureUntil(const std::string& display, const std::string& png, const std::vector<Spot>& spots,
                                int ms = 10000) {
    auto end = Clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        std::string wrong;
        if (RunTool({"import", "-window", "root", png}, display) != 0) {
            wrong = "the capture failed";
        } else {
            for (const Spot& s : spots) {
                std::string seen = Pixel(png, s.x, s.y);
                if ((seen == s.rgb) != s.same)
                    wrong += std::string(s.what) + " at " + std::to_string(s.x) + "," + std::to_string(s.y) + " is " +
                             seen + (s.same ? ", not " : ", which it should not be: ") + s.rgb + "; ";
            }
        }
        if (wrong.empty() || Clock::now() >= end) return wrong;
        usleep(150000);
    }
}

// A child process stopped (TERM, then KILL) when the test ends.
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

// Starts a program on the display with the SDL backend on X11; what it writes
// (stdout and stderr) arrives on the returned pipe end, -1 when it did not start.
inline int SpawnOnDisplay(Child& child, const std::string& program, const std::string& display) {
    int out[2];
    if (pipe(out) != 0) return -1;
    child.pid = Spawn({program}, {"DISPLAY=" + display, "SDL_VIDEODRIVER=x11"}, out[1]);
    close(out[1]);
    if (child.pid <= 0) {
        close(out[0]);
        return -1;
    }
    return out[0];
}

// Starts Xvfb on a free display number, which it reports through a pipe.
// Returns the display (":N"), or empty when the server did not come up.
inline std::string StartXvfb(Child& xvfb) {
    int dfd[2];
    if (pipe(dfd) != 0) return "";
    xvfb.pid = Spawn({"Xvfb", "-displayfd", std::to_string(dfd[1]), "-screen", "0", "1024x768x24", "-nolisten", "tcp"},
                     {}, -1);
    close(dfd[1]);
    std::string buf;
    if (xvfb.pid > 0) {
        auto end = Clock::now() + std::chrono::seconds(15);
        while (buf.find('\n') == std::string::npos && Clock::now() < end) {
            pollfd p{dfd[0], POLLIN, 0};
            if (poll(&p, 1, 500) <= 0) continue;
            char tmp[32];
            ssize_t n = read(dfd[0], tmp, sizeof tmp);
            if (n <= 0) break;
            buf.append(tmp, static_cast<size_t>(n));
        }
    }
    close(dfd[0]);
    std::string num = buf.substr(0, buf.find('\n'));
    return num.empty() ? "" : ":" + num;
}

}  // namespace sigtest
