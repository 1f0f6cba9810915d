// Runs the automation script's steps through the test hooks, the same input
// path as a user's. A step that waits becomes a condition checked each time
// the queue is idle again, so timers and painting go on meanwhile.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/backend/automation/automation.h"
#include "platform/backend/automation/script.h"
#include "platform/backend/automation/window_dump.h"
#include "platform/backend/backend.h"
#include "platform/kernel/codepage.h"
#include "win/commdlg.h"
#include "win/testhooks.h"
#include "win/user.h"

namespace platform::automation {

std::atomic<bool> g_running{false};
std::atomic<bool> g_started{false};

namespace {

constexpr size_t kMaxScriptBytes = 16u << 20;
constexpr int kTickMs = 10;
constexpr int kExitStatus = 3;

uint64_t Now() {
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count());
}

// Ends the process at once: the failing step may be deep inside a window
// procedure or a modal loop, where unwinding through static destructors while
// other threads still run is not safe. Output written so far is kept.
[[noreturn]] void Quit() {
    std::fflush(nullptr);
    std::_Exit(kExitStatus);
}

// A step as the messages show it: a very long line is cut (at a character
// boundary) so that one mistake cannot flood the terminal.
std::string Shown(const std::string& source) {
    constexpr size_t kMax = 200;
    if (source.size() <= kMax) return source;
    size_t n = kMax;
    while (n > 0 && (static_cast<unsigned char>(source[n]) & 0xC0) == 0x80) --n;
    return source.substr(0, n) + "...";
}

void Report(int line, const std::string& source, const std::string& why) {
    std::fprintf(stderr, "automation: line %d: %s: %s\n", line, Shown(source).c_str(), why.c_str());
}

[[noreturn]] void Fail(const Step& s, const std::string& why) {
    Report(s.line, s.source, why);
    Quit();
}

// Wakes the UI thread every few milliseconds while a step waits: with no
// timer of the program's due, the thread would otherwise sleep up to a second
// between checks of the condition.
class Ticker {
public:
    void Set(bool on, backend::Backend* b) {
        std::lock_guard<std::mutex> lock(mu_);
        want_ = on;
        backend_ = b;
        if (on && !thread_.joinable()) thread_ = std::thread([this] { Loop(); });
        cv_.notify_all();
    }
    void Stop() {
        {
            std::lock_guard<std::mutex> lock(mu_);
            stop_ = true;
            cv_.notify_all();
        }
        if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
    }

private:
    void Loop() {
        std::unique_lock<std::mutex> lock(mu_);
        while (!stop_) {
            if (!want_) {
                cv_.wait(lock, [&] { return want_ || stop_; });
                continue;
            }
            cv_.wait_for(lock, std::chrono::milliseconds(kTickMs), [&] { return stop_; });
            if (want_ && !stop_ && backend_) backend_->Wake();
        }
    }

    std::mutex mu_;
    std::condition_variable cv_;
    bool want_ = false;
    bool stop_ = false;
    backend::Backend* backend_ = nullptr;
    std::thread thread_;
};

struct Runner {
    std::vector<Step> steps;
    size_t next = 0;
    bool waiting = false;  // steps[next] is a condition being waited for
    uint64_t deadline = 0;
    HWND watched = 0;      // wait-gone @active: the window that was active
    bool busy = false;
    Ticker ticker;
};

Runner* g_runner = nullptr;  // never freed: the process may end in any state

std::string TitleOf(HWND h) {
    int n = GetWindowTextLengthA(h);
    if (n <= 0) return {};
    std::vector<char> buf(static_cast<size_t>(n) + 1);
    int got = GetWindowTextA(h, buf.data(), n + 1);
    return std::string(buf.data(), static_cast<size_t>(got < 0 ? 0 : got));
}

// A visible top-level window with this title, the top of the z-order first;
// or the active window.
HWND Find(const WindowRef& ref) {
    if (ref.active) {
        HWND a = GetActiveWindow();
        return IsWindow(a) ? a : 0;
    }
    std::string gbk = Utf8ToGbk(ref.title);
    for (HWND h = GetTopWindow(0); h; h = GetWindow(h, GW_HWNDNEXT))
        if (IsWindowVisible(h) && TitleOf(h) == gbk) return h;
    return 0;
}

std::string Name(const WindowRef& ref) { return ref.active ? std::string("@active") : "\"" + ref.title + "\""; }

HWND Need(const Step& s) {
    HWND h = Find(s.window);
    if (!h) Fail(s, s.window.active ? std::string("no active window") : "no window " + Name(s.window));
    return h;
}

POINT ToScreen(HWND h, const Step& s) {
    POINT p{s.x, s.y};
    if (!ClientToScreen(h, &p)) Fail(s, "cannot place the point on the screen");
    return p;
}

void TypeChar(char32_t c) {
    char u[2] = {static_cast<char>(c), 0};  // only ASCII keys type a character
    SigTestTypeText(u);
}

enum class Outcome { Done, Input, Wait };

Outcome Begin(Runner& r, const Step& s) {
    switch (s.kind) {
        case StepKind::WaitWindow:
        case StepKind::WaitGone:
        case StepKind::Sleep:
            r.deadline = Now() + s.ms;
            r.watched = s.kind == StepKind::WaitGone && s.window.active ? Find(s.window) : 0;
            return Outcome::Wait;
        case StepKind::Click: {
            POINT p = ToScreen(Need(s), s);
            SigTestClick(p.x, p.y, 1);
            return Outcome::Input;
        }
        case StepKind::Press:
        case StepKind::Release: {
            POINT p = ToScreen(Need(s), s);
            SigTestMouseMove(p.x, p.y);
            SigTestMouseButton(p.x, p.y, 1, s.kind == StepKind::Press);
            return Outcome::Input;
        }
        case StepKind::Type:
            SigTestTypeText(Utf8ToGbk(s.text).c_str());
            return Outcome::Input;
        case StepKind::Key: {
            static constexpr struct {
                unsigned bit;
                UINT vk;
            } kMods[] = {{kCtrl, VK_CONTROL}, {kShift, VK_SHIFT}, {kAlt, VK_MENU}};
            for (auto& m : kMods)
                if (s.modifiers & m.bit) SigTestKey(m.vk, TRUE);
            SigTestKey(s.vk, TRUE);
            if (s.key_char) TypeChar(s.key_char);
            SigTestKey(s.vk, FALSE);
            for (size_t i = std::size(kMods); i-- > 0;)
                if (s.modifiers & kMods[i].bit) SigTestKey(kMods[i].vk, FALSE);
            return Outcome::Input;
        }
        case StepKind::Dialog:
            // The file dialogs take a path; colour and font dialogs given one cancel.
            if (s.cancel) SigTestAnswerCancel();
            else SigTestAnswerFileDialog(Utf8ToGbk(s.text).c_str(), 0);
            return Outcome::Done;
        case StepKind::Screenshot: {
            HWND h = Need(s);
            if (!SigTestCaptureWindow(h, s.text.c_str())) Fail(s, "cannot write " + s.text);
            return Outcome::Done;
        }
        case StepKind::Dump: {
            HWND h = Need(s);
            std::string why;
            if (!DumpWindowTree(h, s.text, &why)) Fail(s, why);
            return Outcome::Done;
        }
        case StepKind::Close:
            SigTestCloseRequest(Need(s));
            return Outcome::Input;
        case StepKind::Count: break;
    }
    Fail(s, "unknown step");
}

// True when the waited-for condition holds; fails the step past its deadline.
bool Satisfied(Runner& r, const Step& s) {
    bool ok = false;
    switch (s.kind) {
        case StepKind::WaitWindow: ok = Find(s.window) != 0; break;
        case StepKind::WaitGone:
            if (s.window.active) ok = !r.watched || !IsWindow(r.watched) || !IsWindowVisible(r.watched);
            else ok = Find(s.window) == 0;
            break;
        case StepKind::Sleep: return Now() >= r.deadline;
        default: return true;
    }
    if (ok) return true;
    if (Now() < r.deadline) return false;
    std::string what = s.kind == StepKind::WaitWindow ? (s.window.active ? "no active window" : "no window " + Name(s.window))
                                                      : "window " + Name(s.window) + " still there";
    Fail(s, what + " after " + std::to_string(s.ms) + " ms");
}

bool QueueBusy() { return (GetQueueStatus(QS_ALLINPUT) & 0xFFFF) != 0; }

void Finish(Runner& r) {
    g_running.store(false, std::memory_order_relaxed);
    r.ticker.Stop();
}

bool ReadScript(const char* path, std::string* text, std::string* why) {
    // Opened without blocking and checked first: a FIFO or a device in the
    // script's place is refused instead of waiting for a writer.
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0) {
        *why = std::strerror(errno);
        if (fd >= 0) close(fd);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        *why = "not a regular file";
        close(fd);
        return false;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    FILE* f = fdopen(fd, "rb");
    if (!f) {
        *why = std::strerror(errno);
        close(fd);
        return false;
    }
    char buf[65536];
    bool ok = true;
    for (;;) {
        size_t n = std::fread(buf, 1, sizeof buf, f);
        text->append(buf, n);
        if (text->size() > kMaxScriptBytes) {
            *why = "larger than 16 MiB";
            ok = false;
            break;
        }
        if (n < sizeof buf) {
            if (std::ferror(f)) {
                *why = std::strerror(errno);
                ok = false;
            }
            break;
        }
    }
    std::fclose(f);
    return ok;
}

void AtExit() {
    if (!g_runner) return;
    g_runner->ticker.Stop();
    // Say so when the program ends on its own before the script does.
    if (Running() && g_runner->next < g_runner->steps.size()) {
        const Step& s = g_runner->steps[g_runner->next];
        std::fprintf(stderr, "automation: the program ended before line %d: %s\n", s.line, Shown(s.source).c_str());
        std::fflush(stderr);
    }
}

}  // namespace

void Start() {
    static std::mutex mu;
    std::lock_guard<std::mutex> lock(mu);
    if (g_started.load(std::memory_order_relaxed)) return;
    g_started.store(true, std::memory_order_release);
    const char* path = std::getenv("SIGDESIGNER_AUTOMATION");
    if (!path || !*path) return;
    std::string text, why;
    if (!ReadScript(path, &text, &why)) {
        std::fprintf(stderr, "automation: cannot read %s: %s\n", path, why.c_str());
        Quit();
    }
    Script script = ParseScript(text);
    if (!script.errors.empty()) {
        for (auto& e : script.errors) Report(e.line, e.source, e.why);
        Quit();
    }
    if (script.steps.empty()) return;
    g_runner = new Runner;
    g_runner->steps = std::move(script.steps);
    // The ticker thread must be gone before the backend it wakes is destroyed.
    std::atexit(AtExit);
    g_running.store(true, std::memory_order_relaxed);
}

void OnQueueIdle() {
    Runner* rp = g_runner;
    if (!rp || rp->busy || !Running()) return;
    Runner& r = *rp;
    r.busy = true;
    bool ran = false;
    for (;;) {
        if (r.waiting) {
            if (!Satisfied(r, r.steps[r.next])) break;
            r.waiting = false;
            r.ticker.Set(false, nullptr);
            ++r.next;
            ran = true;
        }
        if (r.next >= r.steps.size()) {
            Finish(r);
            break;
        }
        const Step& s = r.steps[r.next];
        Outcome o = Begin(r, s);
        ran = true;
        if (o == Outcome::Wait) {
            r.waiting = true;
            r.ticker.Set(true, &backend::Current());
            continue;  // it may hold already
        }
        ++r.next;
        // Input (or what a step queued) must be delivered before the next step.
        if (o == Outcome::Input || QueueBusy()) break;
    }
    r.busy = false;
    // Have the loop look at its queue again rather than sleep.
    if (ran && backend::Exists()) backend::Current().Wake();
}

}  // namespace platform::automation
