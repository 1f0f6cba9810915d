#include "tests/e2e/e2e_support.h"

#include <curl/curl.h>
#include <dirent.h>
#include <fcntl.h>
#include <iconv.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/platform/automation/json_line.h"

namespace fs = std::filesystem;

namespace e2e {

namespace {

std::string Convert(const std::string& in, const char* to, const char* from) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return {};
    std::string out(in.size() * 4 + 16, '\0');
    char* src = const_cast<char*>(in.data());
    size_t left = in.size();
    char* dst = out.data();
    size_t room = out.size();
    size_t r = iconv(cd, &src, &left, &dst, &room);
    iconv_close(cd);
    if (r == static_cast<size_t>(-1)) return {};
    out.resize(out.size() - room);
    return out;
}

size_t Collect(char* data, size_t size, size_t n, void* user) {
    static_cast<std::string*>(user)->append(data, size * n);
    return size * n;
}

// One request with libcurl; status 0 on a network failure.
int Curl(const std::string& url, const std::string* post_body, const std::string& content_type, std::string* body,
         std::string* reply_type) {
    CURL* c = curl_easy_init();
    if (!c) return 0;
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, Collect);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, body);
    curl_easy_setopt(c, CURLOPT_TIMEOUT, 30L);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_PATH_AS_IS, 1L);  // the tool's "//img/..." must reach the service as sent
    struct curl_slist* headers = nullptr;
    if (post_body) {
        curl_easy_setopt(c, CURLOPT_POST, 1L);
        curl_easy_setopt(c, CURLOPT_POSTFIELDS, post_body->data());
        curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE, static_cast<long>(post_body->size()));
        headers = curl_slist_append(headers, ("Content-Type: " + content_type).c_str());
        curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers);
    }
    long status = 0;
    if (curl_easy_perform(c) == CURLE_OK) {
        curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
        char* ct = nullptr;
        curl_easy_getinfo(c, CURLINFO_CONTENT_TYPE, &ct);
        if (reply_type) *reply_type = ct ? ct : "";
    }
    curl_slist_free_all(headers);
    curl_easy_cleanup(c);
    return static_cast<int>(status);
}

const char* ReasonOf(int status) {
    switch (status) {
        case 200: return "OK";
        case 404: return "Not Found";
        case 502: return "Bad Gateway";
        default: return "Status";
    }
}

int StyleOf(const std::string& body) {
    size_t p = body.find("&ziti=");
    if (p == std::string::npos) return 0;
    return std::atoi(body.c_str() + p + 6);
}

std::string Hex2(unsigned char c) {
    static const char* d = "0123456789ABCDEF";
    return std::string{'%', d[c >> 4], d[c & 15]};
}

}  // namespace

std::string MakeTempDir(const std::string& tag) {
    std::string t = (fs::temp_directory_path() / ("sig-e2e-" + tag + "-XXXXXX")).string();
    if (!mkdtemp(t.data())) return {};
    return t;
}

void RemoveTree(const std::string& dir) {
    std::error_code ec;
    if (!dir.empty()) fs::remove_all(dir, ec);
}

bool ReadBytes(const std::string& path, std::string* out) {
    std::ifstream f(path, std::ios::binary);
    if (!f) return false;
    std::ostringstream s;
    s << f.rdbuf();
    *out = s.str();
    return true;
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(f);
}

bool IsDir(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string GbkToUtf8(const std::string& gbk) { return Convert(gbk, "UTF-8", "GBK"); }
std::string Utf8ToGbk(const std::string& utf8) { return Convert(utf8, "GBK", "UTF-8"); }

std::string BinDir() { return std::string(SIG_BINARY_DIR) + "/bin"; }
bool ToolBuilt() { return sigtest::Exists(SIGDESIGNER_BIN); }

std::string SampleFolder(std::string* why) {
    // Shared by the test processes of one build; a lock keeps parallel test
    // processes from writing it twice, a stamp newer than the service binary
    // says it is complete.
    std::string root = std::string(SIG_BINARY_DIR) + "/e2e";
    std::string dir = root + "/samples";
    std::string stamp = root + "/samples.stamp";
    mkdir(root.c_str(), 0755);
    int lock = open((root + "/samples.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lock < 0 || flock(lock, LOCK_EX) != 0) {
        *why = "cannot lock " + root + "/samples.lock";
        if (lock >= 0) close(lock);
        return {};
    }
    struct stat st {}, svc {};
    bool fresh = stat(stamp.c_str(), &st) == 0 && stat(SIGSERVICE_BIN, &svc) == 0 && st.st_mtime >= svc.st_mtime;
    if (!fresh) {
        RemoveTree(dir);
        unlink(stamp.c_str());
        pid_t p = sigtest::Spawn({SIGSERVICE_BIN, "--write-demos", dir}, {}, -1);
        int status = -1;
        if (p > 0) waitpid(p, &status, 0);
        if (p <= 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0 || !IsFile(dir + "/410.png")) {
            *why = "sigservice --write-demos " + dir + " failed";
            close(lock);
            return {};
        }
        WriteBytes(stamp, "ok\n");
    }
    close(lock);
    return dir;
}

Service::~Service() {
    child_.Stop();
    RemoveTree(cache_);
}

bool Service::Start(std::string* why) {
    cache_ = MakeTempDir("cache");
    int out[2];
    if (pipe(out) != 0) return false;
    child_.pid = sigtest::Spawn({SIGSERVICE_BIN, "--port", "0", "--quiet", "--cache-dir", cache_}, {}, out[1]);
    close(out[1]);
    std::string buf, rest;
    bool ok = child_.pid > 0 && sigtest::WaitPrefix(out[0], buf, "sigservice listening on http://127.0.0.1:", 30000, &rest);
    close(out[0]);
    if (!ok) {
        *why = "sigservice did not say where it listens: " + buf;
        return false;
    }
    port_ = static_cast<uint16_t>(std::atoi(rest.c_str()));
    return port_ != 0;
}

const char* Front::kNotAPicture = "this is plain text where a picture should be\n";

Front::Front(uint16_t service_port)
    : service_port_(service_port),
      server_([this](const inettest::ReceivedRequest& r, inettest::Conn& c) { Handle(r, c); }) {}

void Front::AnswerStyle(int style, Answer a) {
    std::lock_guard<std::mutex> lock(mu_);
    answers_[style] = a;
}

void Front::ForgetAnswers() {
    std::lock_guard<std::mutex> lock(mu_);
    answers_.clear();
}

std::vector<Front::Exchange> Front::Log() const {
    std::lock_guard<std::mutex> lock(mu_);
    return log_;
}

void Front::ClearLog() {
    std::lock_guard<std::mutex> lock(mu_);
    log_.clear();
}

void Front::Handle(const inettest::ReceivedRequest& r, inettest::Conn& c) {
    Exchange x;
    size_t sp = r.request_line.find(' ');
    x.method = r.request_line.substr(0, sp);
    size_t sp2 = r.request_line.find(' ', sp + 1);
    x.path = r.request_line.substr(sp + 1, sp2 == std::string::npos ? std::string::npos : sp2 - sp - 1);
    x.body = r.body;
    x.content_type = r.Header("Content-Type");
    x.referer = r.Header("Referer");
    // A form for a style nobody set up gets a page without a picture, so a
    // click that lands on the wrong sample cannot leave a modal window open.
    Answer a = Answer::NoMarkers;
    {
        std::lock_guard<std::mutex> lock(mu_);
        if (x.method == "POST") {
            auto it = answers_.find(StyleOf(x.body));
            if (it != answers_.end()) a = it->second;
        } else if (x.path.find("/img/canned-") != std::string::npos) {
            a = x.path.find("canned-missing") != std::string::npos ? Answer::MissingPicture : Answer::NotAPicture;
        } else {
            a = Answer::Forward;
        }
    }
    std::string type = "text/html; charset=utf-8";
    switch (a) {
        case Answer::Forward: {
            std::string url = "http://127.0.0.1:" + std::to_string(service_port_) + x.path;
            x.status = Curl(url, x.method == "POST" ? &x.body : nullptr, x.content_type, &x.reply, &type);
            if (x.status == 0) {
                x.status = 502;
                x.reply = "the service did not answer";
            }
            break;
        }
        case Answer::NoMarkers:
            x.status = 200;
            x.reply = "<html><body><img class=\"img-responsive center-block\" src=\"./img/x.png\" alt=\"\"></body></html>";
            break;
        case Answer::NotAPicture:
            if (x.method == "POST") {
                x.status = 200;
                x.reply = "<img class=\"img-responsive center-block\" src=\"./img/canned-text.png\" id=\"SaveImg\" >";
            } else {
                x.status = 200;
                type = "image/png";
                x.reply = kNotAPicture;
            }
            break;
        case Answer::MissingPicture:
            if (x.method == "POST") {
                x.status = 200;
                x.reply = "<img class=\"img-responsive center-block\" src=\"./img/canned-missing.png\" id=\"SaveImg\" >";
            } else {
                x.status = 404;
                x.reply = "";
            }
            break;
    }
    c.Send(inettest::LoopbackServer::Reply(x.status, ReasonOf(x.status), x.reply, "Content-Type: " + type + "\r\n"));
    std::lock_guard<std::mutex> lock(mu_);
    log_.push_back(std::move(x));
}

std::string FormBody(const std::string& utf8_text, int style, int size, const std::string& ink_hex,
                     const std::string& paper_hex) {
    std::string text;
    for (unsigned char c : utf8_text) text += Hex2(c);
    return "text=" + text + "&ziti=" + std::to_string(style) + "&sizes=" + std::to_string(size) + "&fontcolor=%23" +
           ink_hex + "&colors=%23" + paper_hex + "&if_demo=show";
}

std::string ScrapePath(const std::string& page) {
    const std::string left = "\"img-responsive center-block\" src=\".";
    const std::string right = "\" id=\"SaveImg\" ";
    size_t a = page.find(left);
    if (a == std::string::npos) return {};
    a += left.size();
    size_t b = page.find(right, a);
    if (b == std::string::npos) return {};
    return page.substr(a, b - a);
}

bool FetchDirect(uint16_t port, const std::string& body, Fetched* out, std::string* why) {
    std::string base = "http://127.0.0.1:" + std::to_string(port) + "/";
    int s = Curl(base, &body, "application/x-www-form-urlencoded", &out->page, nullptr);
    out->path = ScrapePath(out->page);
    if (s != 200 || out->path.empty()) {
        *why = "the service answered " + std::to_string(s) + " without a picture address";
        return false;
    }
    s = Curl(base + out->path, nullptr, "", &out->picture, nullptr);
    if (s != 200) {
        *why = "the picture " + out->path + " answered " + std::to_string(s);
        return false;
    }
    return true;
}

bool PngSize(const std::string& png, int* w, int* h) {
    static const unsigned char sig[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (png.size() < 24 || std::memcmp(png.data(), sig, 8) != 0 || png.compare(12, 4, "IHDR") != 0) return false;
    auto be = [&](size_t i) {
        const auto* p = reinterpret_cast<const unsigned char*>(png.data()) + i;
        return static_cast<int>((uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3]);
    };
    *w = be(16);
    *h = be(20);
    return true;
}

ProgramFolder::ProgramFolder(const std::string& samples, std::string* why) {
    dir_ = MakeTempDir("prog");
    if (dir_.empty()) {
        *why = "no temporary folder";
        return;
    }
    std::error_code ec;
    // A copy, not a link: the program folder is where the executable really lies.
    fs::copy_file(SIGDESIGNER_BIN, dir_ + "/sigdesigner", ec);
    if (ec) {
        *why = std::string("cannot copy ") + SIGDESIGNER_BIN + ": " + ec.message();
        return;
    }
    for (auto& e : fs::directory_iterator(BinDir())) {
        std::string name = e.path().filename().string();
        bool dll = name.size() > 4 && name.compare(name.size() - 4, 4, ".dll") == 0;
        if (!dll && name != "libsigplatform.so") continue;
        if (fs::is_symlink(e.path(), ec)) fs::copy_symlink(e.path(), dir_ + "/" + name, ec);
        else fs::copy_file(e.path(), dir_ + "/" + name, ec);
        if (ec) {
            *why = "cannot copy " + name + ": " + ec.message();
            return;
        }
    }
    fs::create_directory_symlink(samples, dir_ + "/img", ec);
    fs::create_directories(Desktop(), ec);
    fs::create_directories(Home() + "/.config", ec);
    if (ec) *why = "cannot prepare " + dir_ + ": " + ec.message();
}

ProgramFolder::~ProgramFolder() {
    if (std::getenv("SIG_E2E_KEEP")) {
        std::fprintf(stderr, "kept %s\n", dir_.c_str());
        return;
    }
    RemoveTree(dir_);
}

std::vector<std::string> ProgramFolder::Environment(const std::string& service, const std::string& script) const {
    std::vector<std::string> env = {"SIGDESIGNER_SERVICE=" + service, "HOME=" + Home(),
                                    "XDG_CONFIG_HOME=" + Home() + "/.config", "XDG_CACHE_HOME=" + Home() + "/.cache",
                                    "XDG_DATA_HOME=" + Home() + "/.local/share", "DISPLAY=", "WAYLAND_DISPLAY="};
    if (!script.empty()) {
        env.push_back("SIGDESIGNER_BACKEND=headless");
        env.push_back("SIGDESIGNER_AUTOMATION=" + script);
    }
    return env;
}

pid_t ProgramFolder::Start(const std::string& script_utf8, const std::string& service, const std::string& log_name) {
    std::string script = dir_ + "/" + log_name + ".steps";
    WriteBytes(script, script_utf8);
    log_ = dir_ + "/" + log_name + ".log";
    int fd = open(log_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    pid_t p = sigtest::Spawn({dir_ + "/sigdesigner"}, Environment(service, script), fd);
    if (fd >= 0) close(fd);
    return p;
}

RunResult ProgramFolder::Wait(pid_t pid, int timeout_ms) {
    RunResult r;
    if (pid <= 0) {
        r.output = "the program could not be started";
        return r;
    }
    auto end = sigtest::Clock::now() + std::chrono::milliseconds(timeout_ms);
    int st = 0;
    for (;;) {
        pid_t w = waitpid(pid, &st, WNOHANG);
        if (w == pid) break;
        if (sigtest::Clock::now() > end) {
            r.timed_out = true;
            kill(pid, SIGKILL);
            waitpid(pid, &st, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    ReadBytes(log_, &r.output);
    return r;
}

std::optional<std::vector<Win>> ReadDump(const std::string& path, std::string* why) {
    std::string text;
    if (!ReadBytes(path, &text)) {
        *why = "no dump " + path;
        return std::nullopt;
    }
    std::vector<Win> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        auto o = automation_test::JsonLine::Parse(line);
        if (!o) {
            *why = "not a dump line: " + line;
            return std::nullopt;
        }
        Win w;
        try {
            w.cls = std::get<std::string>(o->at("class"));
            w.text = std::get<std::string>(o->at("text"));
            auto r = std::get<std::vector<long>>(o->at("rect"));
            auto c = std::get<std::vector<long>>(o->at("client"));
            if (r.size() != 4 || c.size() != 4) throw std::out_of_range("rect");
            for (int i = 0; i < 4; ++i) {
                w.rect[i] = r[static_cast<size_t>(i)];
                w.client[i] = c[static_cast<size_t>(i)];
            }
            w.visible = std::get<bool>(o->at("visible"));
            w.enabled = std::get<bool>(o->at("enabled"));
        } catch (const std::exception&) {
            *why = "dump line without the expected fields: " + line;
            return std::nullopt;
        }
        out.push_back(std::move(w));
    }
    if (out.empty()) *why = "empty dump " + path;
    if (out.empty()) return std::nullopt;
    return out;
}

std::optional<Ini> ReadIni(const std::string& path) {
    std::string bytes;
    if (!ReadBytes(path, &bytes)) return std::nullopt;
    std::string text = GbkToUtf8(bytes);
    if (text.empty() && !bytes.empty()) return std::nullopt;  // not GBK
    Ini ini;
    std::string section;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == ';') continue;
        if (line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
            ini[section];
            continue;
        }
        size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        ini[section][line.substr(0, eq)] = line.substr(eq + 1);
    }
    return ini;
}

bool WriteIni(const std::string& path,
              const std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>>& sections) {
    std::string text;
    for (auto& [name, keys] : sections) {
        text += "[" + name + "]\r\n";
        for (auto& [k, v] : keys) text += k + "=" + v + "\r\n";
    }
    std::string gbk = Utf8ToGbk(text);
    return !gbk.empty() && WriteBytes(path, gbk);
}

Place SamplePlace(int n) {
    // Rows of six after the first row of five; each later row starts one
    // sample width left of the group box, out of sight.
    if (n <= 5) return {186 * (n - 1), 0};
    int row = n / 6;
    int col = n % 6;  // 0 is the hidden one
    return {186 * (col - 1), 50 * row};
}

}  // namespace e2e
