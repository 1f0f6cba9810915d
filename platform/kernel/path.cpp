#include "platform/kernel/path.h"

#include <unistd.h>

#include <cctype>
#include <climits>
#include <cstring>
#include <vector>

#include "platform/kernel/codepage.h"

namespace platform {

std::string ToPosixPath(std::string_view windowsGbk) {
    std::string p = GbkToUtf8(windowsGbk);
    if (p.size() >= 2 && std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':') {
        p.erase(0, 2);
        // "C:" alone names the drive's root here: there is no per-drive
        // current directory to be relative to.
        if (p.empty()) p = "/";
    }
    for (char& c : p)
        if (c == '\\') c = '/';
    return p;
}

std::string ToWindowsPath(std::string_view posixUtf8) {
    std::string p(posixUtf8);
    for (char& c : p)
        if (c == '/') c = '\\';
    return Utf8ToGbk(p);
}

std::string ExecutablePath() {
    std::vector<char> buf(PATH_MAX + 1);
    for (;;) {
        ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0) return {};
        if (static_cast<size_t>(n) < buf.size()) return std::string(buf.data(), static_cast<size_t>(n));
        buf.resize(buf.size() * 2);
    }
}

std::string ExecutableFolder() {
    std::string exe = ExecutablePath();
    size_t slash = exe.rfind('/');
    if (slash == std::string::npos) return {};
    return exe.substr(0, slash == 0 ? 1 : slash);
}

std::string AbsolutePosixPath(std::string_view path) {
    std::string full;
    if (path.empty() || path[0] != '/') {
        std::vector<char> buf(PATH_MAX + 1);
        while (!getcwd(buf.data(), buf.size())) {
            if (errno != ERANGE) return std::string(path);
            buf.resize(buf.size() * 2);
        }
        full = buf.data();
        full += '/';
    }
    full += path;
    std::vector<std::string_view> parts;
    std::string_view rest(full);
    while (!rest.empty()) {
        size_t s = rest.find('/');
        std::string_view part = rest.substr(0, s);
        rest = s == std::string_view::npos ? std::string_view() : rest.substr(s + 1);
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    std::string out;
    for (std::string_view part : parts) {
        out += '/';
        out += part;
    }
    if (out.empty()) out = "/";
    // Keep a trailing separator: it says "a folder".
    if (full.size() > 1 && full.back() == '/' && out != "/") out += '/';
    return out;
}

uint32_t CopyPathOut(const std::string& text, char* buffer, uint32_t size) {
    if (!buffer || size < text.size() + 1) return static_cast<uint32_t>(text.size() + 1);
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<uint32_t>(text.size());
}

}  // namespace platform
