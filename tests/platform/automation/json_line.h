// A strict reader for the dump's lines: one flat JSON object whose values are
// strings, booleans or arrays of integers. Anything else fails the parse, so
// a malformed line cannot pass a test.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace automation_test {

using JsonValue = std::variant<std::string, bool, std::vector<long>>;
using JsonObject = std::map<std::string, JsonValue>;

class JsonLine {
public:
    static std::optional<JsonObject> Parse(const std::string& s) {
        JsonLine p(s);
        JsonObject o;
        if (!p.Object(&o)) return std::nullopt;
        p.Blanks();
        if (p.i_ != s.size()) return std::nullopt;
        return o;
    }

private:
    explicit JsonLine(const std::string& s) : s_(s) {}

    void Blanks() {
        while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t')) ++i_;
    }
    bool Eat(char c) {
        Blanks();
        if (i_ < s_.size() && s_[i_] == c) {
            ++i_;
            return true;
        }
        return false;
    }
    static void PutUtf8(std::string* out, uint32_t cp) {
        if (cp < 0x80) {
            *out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            *out += static_cast<char>(0xC0 | (cp >> 6));
            *out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            *out += static_cast<char>(0xE0 | (cp >> 12));
            *out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            *out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    bool String(std::string* out) {
        if (!Eat('"')) return false;
        while (i_ < s_.size()) {
            unsigned char c = static_cast<unsigned char>(s_[i_++]);
            if (c == '"') return true;
            if (c < 0x20) return false;  // raw control characters are not JSON
            if (c != '\\') {
                *out += static_cast<char>(c);
                continue;
            }
            if (i_ >= s_.size()) return false;
            char e = s_[i_++];
            switch (e) {
                case '"': *out += '"'; break;
                case '\\': *out += '\\'; break;
                case '/': *out += '/'; break;
                case 'n': *out += '\n'; break;
                case 'r': *out += '\r'; break;
                case 't': *out += '\t'; break;
                case 'b': *out += '\b'; break;
                case 'f': *out += '\f'; break;
                case 'u': {
                    if (i_ + 4 > s_.size()) return false;
                    uint32_t cp = static_cast<uint32_t>(std::stoul(s_.substr(i_, 4), nullptr, 16));
                    i_ += 4;
                    PutUtf8(out, cp);
                    break;
                }
                default: return false;
            }
        }
        return false;
    }
    bool Value(JsonValue* v) {
        Blanks();
        if (i_ >= s_.size()) return false;
        if (s_[i_] == '"') {
            std::string t;
            if (!String(&t)) return false;
            *v = t;
            return true;
        }
        if (s_.compare(i_, 4, "true") == 0) {
            i_ += 4;
            *v = true;
            return true;
        }
        if (s_.compare(i_, 5, "false") == 0) {
            i_ += 5;
            *v = false;
            return true;
        }
        if (!Eat('[')) return false;
        std::vector<long> a;
        if (Eat(']')) {
            *v = a;
            return true;
        }
        do {
            Blanks();
            size_t used = 0;
            try {
                a.push_back(std::stol(s_.substr(i_), &used));
            } catch (...) {
                return false;
            }
            i_ += used;
        } while (Eat(','));
        if (!Eat(']')) return false;
        *v = a;
        return true;
    }
    bool Object(JsonObject* o) {
        if (!Eat('{')) return false;
        if (Eat('}')) return true;
        do {
            std::string key;
            Blanks();
            if (!String(&key) || !Eat(':')) return false;
            JsonValue v;
            if (!Value(&v) || o->count(key)) return false;
            (*o)[key] = v;
        } while (Eat(','));
        return Eat('}');
    }

    const std::string& s_;
    size_t i_ = 0;
};

}  // namespace automation_test
