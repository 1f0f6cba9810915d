// gbklit: rewrites the narrow string literals of a C++ source so that their
// non-ASCII characters become GBK byte escapes.
//
// Why: our runtime, units, libraries and app keep their texts in GBK and are
// compiled with -fexec-charset=GBK by g++. clang only accepts UTF-8 there, so
// the clang builds (sanitizers, fuzzing) compile a rewritten copy of each
// source instead. Comments, character literals, prefixed literals (u8, u, U,
// L) and raw strings are copied untouched.
//
// Usage: gbklit IN OUT
#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

namespace {

bool IsIdent(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool IsHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool ToGbk(const std::string& utf8, std::string& out) {
    iconv_t cd = iconv_open("GBK", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    std::string in = utf8;
    out.assign(in.size() * 2 + 4, '\0');
    char* ip = in.data();
    size_t il = in.size();
    char* op = out.data();
    size_t ol = out.size();
    size_t r = iconv(cd, &ip, &il, &op, &ol);
    iconv_close(cd);
    if (r == static_cast<size_t>(-1)) return false;
    out.resize(out.size() - ol);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: gbklit IN OUT\n";
        return 2;
    }
    std::ifstream f(argv[1], std::ios::binary);
    if (!f) {
        std::cerr << "gbklit: cannot read " << argv[1] << "\n";
        return 1;
    }
    std::stringstream ss;
    ss << f.rdbuf();
    const std::string s = ss.str();
    std::string o;
    o.reserve(s.size() + s.size() / 4);
    size_t line = 1;
    auto fail = [&](const char* why) {
        std::cerr << argv[1] << ":" << line << ": gbklit: " << why << "\n";
        return 1;
    };
    size_t i = 0;
    const size_t n = s.size();
    while (i < n) {
        char c = s[i];
        if (c == '\n') ++line;
        if (c == '/' && i + 1 < n && s[i + 1] == '/') {
            size_t e = s.find('\n', i);
            if (e == std::string::npos) e = n;
            o.append(s, i, e - i);
            i = e;
            continue;
        }
        if (c == '/' && i + 1 < n && s[i + 1] == '*') {
            size_t e = s.find("*/", i + 2);
            e = (e == std::string::npos) ? n : e + 2;
            for (size_t k = i; k < e; ++k)
                if (s[k] == '\n') ++line;
            o.append(s, i, e - i);
            i = e;
            continue;
        }
        if (c == '\'') {
            // A quote right after a digit is a digit separator (1'000).
            if (i > 0 && s[i - 1] >= '0' && s[i - 1] <= '9') {
                o += c;
                ++i;
                continue;
            }
            size_t k = i + 1;
            while (k < n && s[k] != '\'' && s[k] != '\n') k += (s[k] == '\\') ? 2 : 1;
            k = k < n ? k + 1 : n;
            o.append(s, i, k - i);
            i = k;
            continue;
        }
        if (c == '"') {
            // Find the prefix: the identifier characters just before the quote.
            size_t p = i;
            while (p > 0 && IsIdent(s[p - 1])) --p;
            std::string prefix = s.substr(p, i - p);
            bool raw = prefix == "R" || prefix == "u8R" || prefix == "uR" || prefix == "UR" || prefix == "LR";
            std::string enc = raw ? prefix.substr(0, prefix.size() - 1) : prefix;
            bool narrow = !(enc == "u8" || enc == "u" || enc == "U" || enc == "L");
            if (raw) {
                size_t open = s.find('(', i + 1);
                if (open == std::string::npos) return fail("bad raw string");
                std::string close = ")" + s.substr(i + 1, open - i - 1) + "\"";
                size_t e = s.find(close, open);
                if (e == std::string::npos) return fail("unterminated raw string");
                e += close.size();
                for (size_t k = i; k < e; ++k) {
                    if (s[k] == '\n') ++line;
                    if (narrow && static_cast<unsigned char>(s[k]) >= 0x80)
                        return fail("non-ASCII text in a raw string literal");
                }
                o.append(s, i, e - i);
                i = e;
                continue;
            }
            o += '"';
            size_t k = i + 1;
            while (k < n && s[k] != '"') {
                if (s[k] == '\n') return fail("unterminated string literal");
                if (s[k] == '\\' && k + 1 < n) {
                    o.append(s, k, 2);
                    k += 2;
                    continue;
                }
                if (narrow && static_cast<unsigned char>(s[k]) >= 0x80) {
                    size_t e = k;
                    while (e < n && static_cast<unsigned char>(s[e]) >= 0x80) ++e;
                    std::string gbk;
                    if (!ToGbk(s.substr(k, e - k), gbk)) return fail("text not representable in GBK");
                    char buf[8];
                    for (unsigned char b : gbk) {
                        std::snprintf(buf, sizeof buf, "\\x%02x", b);
                        o += buf;
                    }
                    // A hex digit after an escape would extend it: split the literal.
                    if (e < n && IsHex(s[e])) o += "\" \"";
                    k = e;
                    continue;
                }
                o += s[k++];
            }
            if (k < n) o += '"';
            i = k + 1;
            continue;
        }
        o += c;
        ++i;
    }
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out << o;
    if (!out) {
        std::cerr << "gbklit: cannot write " << argv[2] << "\n";
        return 1;
    }
    return 0;
}
