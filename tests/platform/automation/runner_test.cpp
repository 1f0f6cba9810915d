// The runner driving real executables headless: the programs know nothing
// of the automation, so everything here goes through the platform alone.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/platform/automation/json_line.h"

extern char** environ;

namespace {

using automation_test::JsonLine;
using automation_test::JsonObject;

struct Exec {
    int status = -1;  // exit status, -1 when killed or signalled
    std::string out, err;
    std::vector<std::string> lines;  // stdout by line
};

class AutomationRunner : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/sig-automation-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

    static std::string Slurp(const std::string& path) {
        std::ifstream f(path, std::ios::binary);
        std::stringstream ss;
        ss << f.rdbuf();
        return ss.str();
    }

    // Runs exe headless with the script; kills it after timeout_ms.
    Exec Start(const std::string& exe, const std::string& script, std::vector<std::string> args = {},
              int timeout_ms = 15000, const std::string* script_path = nullptr) {
        std::string path = script_path ? *script_path : dir_ + "/script.txt";
        if (!script_path) std::ofstream(path, std::ios::binary) << script;
        std::string out = dir_ + "/out.txt", err = dir_ + "/err.txt";
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e) {
            std::string s = *e;
            if (s.rfind("SIGDESIGNER_", 0) != 0) env.push_back(s);
        }
        env.push_back("SIGDESIGNER_BACKEND=headless");
        env.push_back("SIGDESIGNER_AUTOMATION=" + path);
        std::vector<std::string> argv{exe};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> a, e;
        for (auto& s : argv) a.push_back(s.data());
        a.push_back(nullptr);
        for (auto& s : env) e.push_back(s.data());
        e.push_back(nullptr);
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_addopen(&fa, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&fa, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        pid_t pid = -1;
        int rc = posix_spawn(&pid, exe.c_str(), &fa, nullptr, a.data(), e.data());
        posix_spawn_file_actions_destroy(&fa);
        Exec r;
        if (rc != 0) {
            ADD_FAILURE() << "cannot start " << exe;
            return r;
        }
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
        int st = 0;
        for (;;) {
            pid_t w = waitpid(pid, &st, WNOHANG);
            if (w == pid) break;
            if (std::chrono::steady_clock::now() > end) {
                kill(pid, SIGKILL);
                waitpid(pid, &st, 0);
                ADD_FAILURE() << "the program did not end within " << timeout_ms << " ms";
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
        r.out = Slurp(out);
        r.err = Slurp(err);
        std::istringstream in(r.out);
        for (std::string l; std::getline(in, l);) r.lines.push_back(l);
        return r;
    }

    Exec Target(const std::string& script, std::vector<std::string> args = {}) {
        return Start(AUTOMATION_TARGET, script, std::move(args));
    }

    // The lines of the run that match one of the prefixes, in order.
    static std::vector<std::string> Only(const Exec& r, std::initializer_list<const char*> prefixes) {
        std::vector<std::string> v;
        for (auto& l : r.lines)
            for (const char* p : prefixes)
                if (l.rfind(p, 0) == 0) {
                    v.push_back(l);
                    break;
                }
        return v;
    }

    std::string dir_;
};

std::string Hex(const std::string& bytes) {
    std::string h;
    for (unsigned char c : bytes) {
        char x[4];
        std::snprintf(x, sizeof x, "%02x", c);
        h += x;
    }
    return h;
}

// Titles of the test program, in UTF-8 as a script names them.
#define MAIN_TITLE "\"\xe8\x87\xaa\xe5\x8a\xa8\xe6\xb5\x8b\xe8\xaf\x95\""  // "自动测试"
#define MODAL_TITLE "\"\xe6\xa8\xa1\xe6\x80\x81\""                          // "模态"

TEST_F(AutomationRunner, ClicksReachTheWindowUnderTheClientPoint) {
    Exec r = Target("wait-window " MAIN_TITLE
                   "\n"
                   "click " MAIN_TITLE " 30 40\n"        // inside the inner child of the panel
                   "click " MAIN_TITLE " 150 80\n"       // the panel itself
                   "press @active 350 250\n"             // the main window's own client area
                   "release @active 351 251\n"
                   "close " MAIN_TITLE "\n");
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<std::string> want = {"down AutoInner 15 25", "up AutoInner 15 25", "down AutoPanel 140 70",
                                     "up AutoPanel 140 70",  "down AutoMain 350 250", "up AutoMain 351 251",
                                     "close AutoMain",       "exit 0"};
    EXPECT_EQ(Only(r, {"down", "up", "close", "exit"}), want) << r.out;
}

TEST_F(AutomationRunner, TypedChineseArrivesAsGbkAndKeysCarryModifiers) {
    Exec r = Target("type \"\xe7\xad\xbe\xe5\x90\x8d" "a\"\n"  // 签名a
                   "key Ctrl+Shift+Home\n"
                   "key Alt+F1\n"
                   "key Enter\n"
                   "key Space\n"
                   "close @active\n");
    EXPECT_EQ(r.status, 0) << r.err;
    // GBK 签 = C7 A9, 名 = C3 FB: lead byte first, as on a GBK system.
    std::vector<std::string> chars = {"char AutoMain c7", "char AutoMain a9", "char AutoMain c3", "char AutoMain fb",
                                      "char AutoMain 61", "char AutoMain 0d", "char AutoMain 20"};
    EXPECT_EQ(Only(r, {"char"}), chars) << r.out;
    std::vector<std::string> keys = {
        "key AutoMain 17 ctrl=1 shift=0 alt=0 sys=0", "key AutoMain 16 ctrl=1 shift=1 alt=0 sys=0",
        "key AutoMain 36 ctrl=1 shift=1 alt=0 sys=0", "key AutoMain 18 ctrl=0 shift=0 alt=1 sys=1",
        "key AutoMain 112 ctrl=0 shift=0 alt=1 sys=1", "key AutoMain 13 ctrl=0 shift=0 alt=0 sys=0",
        "key AutoMain 32 ctrl=0 shift=0 alt=0 sys=0"};
    EXPECT_EQ(Only(r, {"key"}), keys) << r.out;
}

TEST_F(AutomationRunner, DumpListsTheTreeDepthFirstInZOrder) {
    std::string file = dir_ + "/tree.jsonl";
    Exec r = Target("dump " MAIN_TITLE " \"" + file + "\"\nclose " MAIN_TITLE "\n");
    ASSERT_EQ(r.status, 0) << r.err;
    std::istringstream in(Slurp(file));
    std::vector<JsonObject> rows;
    for (std::string l; std::getline(in, l);) {
        auto o = JsonLine::Parse(l);
        ASSERT_TRUE(o.has_value()) << l;
        for (const char* k : {"class", "text", "rect", "client", "visible", "enabled"}) ASSERT_TRUE(o->count(k)) << l;
        rows.push_back(*o);
    }
    ASSERT_EQ(rows.size(), 6u);
    auto cls = [&](size_t i) { return std::get<std::string>(rows[i].at("class")); };
    auto text = [&](size_t i) { return std::get<std::string>(rows[i].at("text")); };
    auto rect = [&](size_t i, const char* k) { return std::get<std::vector<long>>(rows[i].at(k)); };
    auto flag = [&](size_t i, const char* k) { return std::get<bool>(rows[i].at(k)); };
    // Later siblings are above earlier ones; a child's own children follow it.
    std::vector<std::string> order;
    for (size_t i = 0; i < rows.size(); ++i) order.push_back(cls(i));
    EXPECT_EQ(order, (std::vector<std::string>{"AutoMain", "AutoHidden", "AutoButton", "AutoButton", "AutoPanel",
                                                "AutoInner"}));
    EXPECT_EQ(text(0), "\xe8\x87\xaa\xe5\x8a\xa8\xe6\xb5\x8b\xe8\xaf\x95");
    EXPECT_EQ(text(2), "\xe5\xaf\xb9\xe8\xaf\x9d");           // 对话
    EXPECT_EQ(text(3), "\xe6\x89\x93\xe5\xbc\x80");           // 打开
    EXPECT_EQ(text(5), "\xe5\x86\x85\"\xe5\xb1\x82");         // 内"层
    EXPECT_EQ(rect(0, "rect"), (std::vector<long>{100, 100, 500, 400}));
    auto c = rect(0, "client");
    ASSERT_EQ(c.size(), 4u);
    EXPECT_TRUE(c[0] > 100 && c[1] > 100 && c[2] < 500 && c[3] < 400 && c[0] < c[2] && c[1] < c[3]);
    long cx = c[0], cy = c[1];
    EXPECT_EQ(rect(4, "rect"), (std::vector<long>{cx + 10, cy + 10, cx + 210, cy + 110}));
    EXPECT_EQ(rect(5, "rect"), (std::vector<long>{cx + 15, cy + 15, cx + 65, cy + 45}));
    EXPECT_EQ(rect(3, "rect"), (std::vector<long>{cx + 220, cy + 10, cx + 300, cy + 40}));
    EXPECT_EQ(rect(5, "client"), rect(5, "rect"));  // no border
    EXPECT_TRUE(flag(0, "visible") && flag(0, "enabled"));
    EXPECT_FALSE(flag(1, "visible"));
    EXPECT_FALSE(flag(1, "enabled"));
}

TEST_F(AutomationRunner, ScreenshotWritesAPngOfTheWholeWindow) {
    std::string file = dir_ + "/shot.png";
    Exec r = Target("screenshot @active " + file + "\nclose @active\n");
    ASSERT_EQ(r.status, 0) << r.err;
    std::string png = Slurp(file);
    ASSERT_GE(png.size(), 24u);
    EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
    auto be32 = [&](size_t at) {
        return (static_cast<uint32_t>(static_cast<uint8_t>(png[at])) << 24) |
               (static_cast<uint32_t>(static_cast<uint8_t>(png[at + 1])) << 16) |
               (static_cast<uint32_t>(static_cast<uint8_t>(png[at + 2])) << 8) | static_cast<uint8_t>(png[at + 3]);
    };
    EXPECT_EQ(be32(16), 400u);
    EXPECT_EQ(be32(20), 300u);
}

TEST_F(AutomationRunner, StepsRunInsideModalLoopsAndAnswerDialogs) {
    Exec r = Target("wait-window " MAIN_TITLE "\n"
                   "click " MAIN_TITLE " 250 25\n"  // 打开: runs a modal loop of its own
                   "wait-window " MODAL_TITLE " 3000\n"
                   "click " MODAL_TITLE " 20 20\n"  // 保存
                   "type \"x\"\n"
                   "close " MODAL_TITLE "\n"
                   "wait-gone " MODAL_TITLE " 3000\n"
                   "click " MAIN_TITLE " 250 65\n"  // 对话, with nothing queued
                   "dialog \"" + dir_ + "/\xe7\xad\xbe.png\"\n"
                   "click " MAIN_TITLE " 250 65\n"
                   "dialog cancel\n"
                   "click " MAIN_TITLE " 250 65\n"
                   "close " MAIN_TITLE "\n");
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<std::string> want = {"modal begin",      "save clicked",
                                     "char AutoModal 78", "close AutoModal",
                                     "modal end",        "dialog cancel",  // headless, nothing queued
                                     "dialog text " + Hex(dir_) + "2fc7a92e706e67",  // /签.png in GBK
                                     "dialog cancel",    "close AutoMain",
                                     "exit 0"};
    EXPECT_EQ(Only(r, {"modal", "save", "char", "close", "dialog", "exit"}), want) << r.out << r.err;
}

TEST_F(AutomationRunner, WaitsSeeWindowsComeAndGoWhileTimersRun) {
    Exec r = Target("wait-window \"\xe8\xbf\x9f\xe5\x88\xb0\" 5000\n"  // 迟到, shown by a timer
                   "close \"\xe8\xbf\x9f\xe5\x88\xb0\"\n"
                   "wait-gone \"\xe6\x9a\x82\xe6\x97\xb6\" 5000\n"  // 暂时, destroyed by a timer
                   "sleep 30\n"
                   "close " MAIN_TITLE "\n",
                   {"--late", "150", "--gone", "100"});
    EXPECT_EQ(r.status, 0) << r.err;
    auto v = Only(r, {"late", "gone", "close", "exit"});
    ASSERT_EQ(v.size(), 5u) << r.out;
    EXPECT_EQ(v[4], "exit 0");
    EXPECT_EQ(v[3], "close AutoMain");
}

TEST_F(AutomationRunner, TimeOutsAndMissingWindowsEndWithStatus3AndTheLine) {
    Exec a = Target("sleep 1\nwait-window \"nowhere\" 80\nclose @active\n");
    EXPECT_EQ(a.status, 3);
    EXPECT_NE(a.err.find("automation: line 2: wait-window \"nowhere\" 80: no window \"nowhere\" after 80 ms"),
              std::string::npos)
        << a.err;
    EXPECT_TRUE(Only(a, {"close", "exit"}).empty()) << a.out;

    Exec g = Target("\n# the main window never goes\nwait-gone " MAIN_TITLE " 60\n");
    EXPECT_EQ(g.status, 3);
    EXPECT_NE(g.err.find("automation: line 3: wait-gone"), std::string::npos) << g.err;
    EXPECT_NE(g.err.find("still there after 60 ms"), std::string::npos) << g.err;

    Exec c = Target("click \"nowhere\" 1 1\n");
    EXPECT_EQ(c.status, 3);
    EXPECT_NE(c.err.find("automation: line 1: click \"nowhere\" 1 1: no window \"nowhere\""), std::string::npos)
        << c.err;

    std::string missing = dir_ + "/no-such-script";
    Exec m = Start(AUTOMATION_TARGET, "", {}, 15000, &missing);
    EXPECT_EQ(m.status, 3);
    EXPECT_NE(m.err.find("automation: cannot read " + missing), std::string::npos) << m.err;
}

TEST_F(AutomationRunner, AFifoOrAFolderIsNoScript) {
    std::string fifo = dir_ + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    Exec f = Start(AUTOMATION_TARGET, "", {}, 15000, &fifo);  // would block forever if opened for reading
    EXPECT_EQ(f.status, 3);
    EXPECT_NE(f.err.find("automation: cannot read " + fifo + ": not a regular file"), std::string::npos) << f.err;
    Exec d = Start(AUTOMATION_TARGET, "", {}, 15000, &dir_);
    EXPECT_EQ(d.status, 3);
    EXPECT_NE(d.err.find("not a regular file"), std::string::npos) << d.err;
}

TEST_F(AutomationRunner, AProgramThatEndsFirstIsNamedWithTheStepLeft) {
    Exec r = Target("click " MAIN_TITLE " 150 80\nwait-window \"never\" 60000\n", {"--quit-after", "50"});
    EXPECT_EQ(r.status, 0) << r.err;  // the program's own status
    EXPECT_NE(r.err.find("automation: the program ended before line 2: wait-window \"never\" 60000"), std::string::npos)
        << r.err;
}

TEST_F(AutomationRunner, SyntaxErrorsAreAllReportedBeforeAnyStepRuns) {
    Exec r = Target("click " MAIN_TITLE " 30 40\nfly away\nclick \"x\" 1\nsleep 1\n");
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find("automation: line 2: fly away: unknown step"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("automation: line 3: click \"x\" 1: expected"), std::string::npos) << r.err;
    EXPECT_TRUE(Only(r, {"down", "up"}).empty()) << r.out;

    // A huge wrong line is shown cut short.
    Exec big = Target("fly " + std::string(100000, 'x') + "\n");
    EXPECT_EQ(big.status, 3);
    EXPECT_LT(big.err.size(), 1000u);
    EXPECT_NE(big.err.find("automation: line 1: fly xxx"), std::string::npos) << big.err;
}

TEST_F(AutomationRunner, WhenStepsRunOutTheProgramGoesOn) {
    Exec r = Target("click " MAIN_TITLE " 150 80\nsleep 20\n", {"--quit-after", "100"});
    EXPECT_EQ(r.status, 0) << r.err;
    // The program's own timer closes it after the script has ended.
    std::vector<std::string> want = {"down AutoPanel 140 70", "up AutoPanel 140 70", "close AutoMain", "exit 0"};
    EXPECT_EQ(Only(r, {"down", "up", "close", "exit"}), want) << r.out;
}

TEST_F(AutomationRunner, DrivesThePlatformDemo) {
    std::string shot = dir_ + "/demo.png";
    // 平台演示; its button 点我 is at (420, 240) 90 x 28 in the client area.
    Exec r = Start(PLATFORM_DEMO, "wait-window \"\xe5\xb9\xb3\xe5\x8f\xb0\xe6\xbc\x94\xe7\xa4\xba\"\n"
                                 "click \"\xe5\xb9\xb3\xe5\x8f\xb0\xe6\xbc\x94\xe7\xa4\xba\" 465 254\n"
                                 "click @active 465 254\n"
                                 "screenshot @active " + shot + "\n"
                                 "close @active\n");
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<std::string> want = {"ready", "button clicked 1", "button clicked 2"};
    EXPECT_EQ(r.lines, want) << r.out << r.err;
    EXPECT_EQ(Slurp(shot).substr(0, 4), "\x89PNG");
}

}  // namespace
