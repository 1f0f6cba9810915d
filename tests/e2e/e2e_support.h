// End-to-end helpers: the real sigdesigner in a program folder of its own,
// driven by an automation script, against sigservice on loopback, with a
// recording front between the two so a test sees the exact bytes the tool
// sent and the service answered.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "tests/platform/inet/loopback_server.h"
#include "tests/support/x_session.h"

namespace e2e {

std::string MakeTempDir(const std::string& tag);
void RemoveTree(const std::string& dir);
bool ReadBytes(const std::string& path, std::string* out);
bool WriteBytes(const std::string& path, const std::string& bytes);
bool IsDir(const std::string& path);
bool IsFile(const std::string& path);

std::string GbkToUtf8(const std::string& gbk);
std::string Utf8ToGbk(const std::string& utf8);

// The folder of the executables under test (the build's bin folder).
std::string BinDir();
bool ToolBuilt();

// The 410 samples, written by `sigservice --write-demos` once per build of
// the service into a folder shared by every test process (ctest runs each case
// as its own process). Empty on failure, with the reason in *why.
std::string SampleFolder(std::string* why);

// sigservice on a free loopback port with a cache folder of its own.
class Service {
public:
    bool Start(std::string* why);
    void Stop() { child_.Stop(); }
    uint16_t port() const { return port_; }
    std::string Base() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }
    ~Service();

private:
    sigtest::Child child_;
    uint16_t port_ = 0;
    std::string cache_;
};

// A loopback server in front of the service. What it answers depends on the
// style number of a posted form, so one run of the tool can meet several
// kinds of service: the real one (forwarded), a page without the markers,
// a picture that is not a picture, a picture that cannot be downloaded.
class Front {
public:
    enum class Answer { Forward, NoMarkers, NotAPicture, MissingPicture };
    explicit Front(uint16_t service_port);
    void AnswerStyle(int style, Answer a);
    void ForgetAnswers();  // every style back to a page without a picture
    std::string Base() const { return server_.Base() + "/"; }

    struct Exchange {
        std::string method, path, body, content_type, referer;
        int status = 0;
        std::string reply;  // the body sent back to the tool
    };
    std::vector<Exchange> Log() const;
    void ClearLog();

    static const char* kNotAPicture;

private:
    void Handle(const inettest::ReceivedRequest& r, inettest::Conn& c);

    uint16_t service_port_;
    mutable std::mutex mu_;
    std::map<int, Answer> answers_;
    std::vector<Exchange> log_;
    inettest::LoopbackServer server_;
};

// The same request done directly against the service: page, then picture.
struct Fetched {
    std::string page, path, picture;
};
bool FetchDirect(uint16_t port, const std::string& body, Fetched* out, std::string* why);
// "text=...&ziti=N&..." as the tool composes it.
std::string FormBody(const std::string& utf8_text, int style, int size, const std::string& ink_hex,
                     const std::string& paper_hex);
std::string ScrapePath(const std::string& page);
bool PngSize(const std::string& png, int* w, int* h);

struct RunResult {
    int status = -1;  // exit status; 128 + signal when killed
    bool timed_out = false;
    std::string output;  // stdout and stderr
};

// A program folder of its own: the executable, the platform library and the
// DLL names beside it, and img/ linked to the sample folder.
class ProgramFolder {
public:
    ProgramFolder(const std::string& samples, std::string* why);
    ~ProgramFolder();
    const std::string& dir() const { return dir_; }
    std::string Path(const std::string& rel) const { return dir_ + "/" + rel; }
    std::string Home() const { return dir_ + "/home"; }
    std::string Desktop() const { return dir_ + "/home/Desktop"; }

    // Writes the script and starts the tool headless; Wait collects it.
    pid_t Start(const std::string& script_utf8, const std::string& service, const std::string& log_name = "run");
    RunResult Wait(pid_t pid, int timeout_ms = 120000);
    RunResult Run(const std::string& script_utf8, const std::string& service, const std::string& log_name = "run") {
        pid_t p = Start(script_utf8, service, log_name);
        return Wait(p);
    }

    std::vector<std::string> Environment(const std::string& service, const std::string& script) const;

private:
    std::string dir_;
    std::string log_;
};

// One line of a window dump.
struct Win {
    std::string cls, text;
    long rect[4] = {};
    long client[4] = {};
    bool visible = false, enabled = false;
    long Width() const { return rect[2] - rect[0]; }
    long Height() const { return rect[3] - rect[1]; }
};
std::optional<std::vector<Win>> ReadDump(const std::string& path, std::string* why);

// Settings file as sections of keys, converted to UTF-8.
using Ini = std::map<std::string, std::map<std::string, std::string>>;
std::optional<Ini> ReadIni(const std::string& path);
// Writes sections given in UTF-8 as the GBK file the tool reads.
bool WriteIni(const std::string& path, const std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>>& sections);

// Where sample n lies in the gallery's group box.
struct Place {
    int left, top;
};
Place SamplePlace(int n);

}  // namespace e2e
