#include "platform/backend/automation/window_dump.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/kernel/codepage.h"
#include "win/user.h"

namespace platform::automation {

namespace {

std::string RectJson(const RECT& r) {
    return "[" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " + std::to_string(r.right) + ", " +
           std::to_string(r.bottom) + "]";
}

std::string WindowText(HWND h) {
    int n = GetWindowTextLengthA(h);
    if (n <= 0) return {};
    std::vector<char> buf(static_cast<size_t>(n) + 1);
    int got = GetWindowTextA(h, buf.data(), n + 1);
    return std::string(buf.data(), static_cast<size_t>(got < 0 ? 0 : got));
}

std::string ClassName(HWND h) {
    char buf[257] = {};
    int n = GetClassNameA(h, buf, sizeof buf);
    return std::string(buf, static_cast<size_t>(n < 0 ? 0 : n));
}

void Walk(HWND h, std::vector<HWND>* out) {
    out->push_back(h);
    for (HWND c = GetWindow(h, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) Walk(c, out);
}

}  // namespace

std::string JsonString(std::string_view utf8) {
    std::string out = "\"";
    for (char ch : utf8) {
        auto c = static_cast<unsigned char>(ch);
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            case '\b': out += "\\b"; break;
            case '\f': out += "\\f"; break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    char u[8];
                    std::snprintf(u, sizeof u, "\\u%04x", c);
                    out += u;
                } else {
                    out += ch;
                }
        }
    }
    out += '"';
    return out;
}

std::string DescribeWindow(HWND h) {
    RECT wr{};
    GetWindowRect(h, &wr);
    RECT cr{};
    GetClientRect(h, &cr);
    POINT tl{cr.left, cr.top}, br{cr.right, cr.bottom};
    ClientToScreen(h, &tl);
    ClientToScreen(h, &br);
    RECT client{tl.x, tl.y, br.x, br.y};
    std::string line = "{\"class\": " + JsonString(GbkToUtf8(ClassName(h)));
    line += ", \"text\": " + JsonString(GbkToUtf8(WindowText(h)));
    line += ", \"rect\": " + RectJson(wr);
    line += ", \"client\": " + RectJson(client);
    line += std::string(", \"visible\": ") + (IsWindowVisible(h) ? "true" : "false");
    line += std::string(", \"enabled\": ") + (IsWindowEnabled(h) ? "true" : "false");
    line += "}";
    return line;
}

bool DumpWindowTree(HWND h, const std::string& path, std::string* why) {
    std::vector<HWND> tree;
    Walk(h, &tree);
    std::string text;
    for (HWND w : tree) text += DescribeWindow(w) + "\n";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        *why = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok) *why = "cannot write " + path + ": " + std::strerror(errno);
    return ok;
}

}  // namespace platform::automation
