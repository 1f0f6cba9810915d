#include "platform/backend/automation/script.h"

#include <charconv>
#include <iterator>
#include <optional>

#include "platform/kernel/codepage.h"
#include "win/user.h"

namespace platform::automation {

namespace {

struct NamedStep {
    std::string_view name;
    StepKind kind;
};

// ORDER StepKind
constexpr NamedStep kStepNames[] = {
    {"wait-window", StepKind::WaitWindow}, {"wait-gone", StepKind::WaitGone}, {"click", StepKind::Click},
    {"press", StepKind::Press},            {"release", StepKind::Release},    {"type", StepKind::Type},
    {"key", StepKind::Key},                {"dialog", StepKind::Dialog},      {"screenshot", StepKind::Screenshot},
    {"dump", StepKind::Dump},              {"close", StepKind::Close},        {"sleep", StepKind::Sleep},
};
static_assert(std::size(kStepNames) == static_cast<size_t>(StepKind::Count));

struct NamedKey {
    std::string_view name;
    unsigned vk;
};

constexpr NamedKey kKeyNames[] = {
    {"enter", VK_RETURN}, {"escape", VK_ESCAPE}, {"tab", VK_TAB},       {"space", VK_SPACE},
    {"up", VK_UP},        {"down", VK_DOWN},     {"left", VK_LEFT},     {"right", VK_RIGHT},
    {"home", VK_HOME},    {"end", VK_END},       {"delete", VK_DELETE}, {"backspace", VK_BACK},
    {"insert", VK_INSERT}, {"pageup", VK_PRIOR}, {"pagedown", VK_NEXT},
};

constexpr uint32_t kMaxMs = 0x7FFFFFFF;
constexpr int kMaxCoordinate = 100000;

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool ValidUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        auto c = static_cast<unsigned char>(s[i]);
        size_t n;
        char32_t cp;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            n = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            n = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            n = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (s.size() - i <= n) return false;
        for (size_t k = 1; k <= n; ++k) {
            auto t = static_cast<unsigned char>(s[i + k]);
            if ((t & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (t & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF.
        if ((n == 2 && cp < 0x800) || (n == 3 && cp < 0x10000) || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += n + 1;
    }
    return true;
}

// True when every character of a UTF-8 text has a GBK form: anything else
// could never be typed into nor match a text of the program.
bool FitsGbk(std::string_view utf8) {
    bool ascii = true;
    for (char c : utf8) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) return true;
    bool replaced = false;
    std::u16string wide = Utf8ToUtf16Checked(utf8, &replaced);
    if (replaced) return false;
    Utf16ToGbkChecked(wide, "?", &replaced);
    return !replaced;
}

struct Token {
    std::string text;
    bool quoted = false;
};

// Splits a line into blank-separated words and double-quoted texts. Inside
// quotes \" and \\ stand for a quote and a backslash; any other backslash is
// kept, so Windows-style paths need no doubling.
bool Tokenize(std::string_view line, std::vector<Token>* out, std::string* why) {
    size_t i = 0;
    while (i < line.size()) {
        if (IsBlank(line[i])) {
            ++i;
            continue;
        }
        Token t;
        if (line[i] == '"') {
            t.quoted = true;
            ++i;
            bool closed = false;
            while (i < line.size()) {
                char c = line[i];
                if (c == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\')) {
                    t.text += line[i + 1];
                    i += 2;
                    continue;
                }
                if (c == '"') {
                    closed = true;
                    ++i;
                    break;
                }
                t.text += c;
                ++i;
            }
            if (!closed) {
                *why = "a quoted text has no closing quote";
                return false;
            }
            if (i < line.size() && !IsBlank(line[i])) {
                *why = "a closing quote must be followed by a blank";
                return false;
            }
        } else {
            while (i < line.size() && !IsBlank(line[i])) {
                if (line[i] == '"') {
                    *why = "a quote inside a word; put the whole text in quotes";
                    return false;
                }
                t.text += line[i++];
            }
        }
        out->push_back(std::move(t));
    }
    return true;
}

std::optional<long long> Number(const Token& t) {
    if (t.quoted || t.text.empty()) return std::nullopt;
    long long v = 0;
    const char* b = t.text.data();
    const char* e = b + t.text.size();
    auto r = std::from_chars(b, e, v);
    if (r.ec != std::errc() || r.ptr != e) return std::nullopt;
    return v;
}

class LineParser {
public:
    LineParser(std::vector<Token> tokens, Step* step) : t_(std::move(tokens)), step_(step) {}

    // Returns the reason the line is wrong, or "".
    std::string Parse() {
        const std::string& name = t_[0].text;
        const NamedStep* found = nullptr;
        if (!t_[0].quoted)
            for (auto& n : kStepNames)
                if (n.name == name) found = &n;
        if (!found) return "unknown step \"" + name + "\"";
        step_->kind = found->kind;
        switch (found->kind) {
            case StepKind::WaitWindow:
            case StepKind::WaitGone:
                if (t_.size() < 2 || t_.size() > 3) return Usage("WINDOW [MS]");
                if (auto e = Window(t_[1]); !e.empty()) return e;
                step_->ms = kDefaultWaitMs;
                if (t_.size() == 3) return Ms(t_[2]);
                return {};
            case StepKind::Click:
            case StepKind::Press:
            case StepKind::Release: {
                if (t_.size() != 4) return Usage("WINDOW X Y");
                if (auto e = Window(t_[1]); !e.empty()) return e;
                auto x = Number(t_[2]), y = Number(t_[3]);
                if (!x || !y) return "X and Y must be whole numbers";
                if (*x < -kMaxCoordinate || *x > kMaxCoordinate || *y < -kMaxCoordinate || *y > kMaxCoordinate)
                    return "X and Y must be within -100000..100000";
                step_->x = static_cast<int>(*x);
                step_->y = static_cast<int>(*y);
                return {};
            }
            case StepKind::Type:
                if (t_.size() != 2 || !t_[1].quoted) return Usage("\"TEXT\"");
                if (!ValidUtf8(t_[1].text)) return "the text is not valid UTF-8";
                if (!FitsGbk(t_[1].text)) return "the text has characters that cannot be typed (no GBK form)";
                step_->text = t_[1].text;
                return {};
            case StepKind::Key:
                if (t_.size() != 2 || t_[1].quoted) return Usage("NAME");
                return Key(t_[1].text);
            case StepKind::Dialog:
                if (t_.size() != 2) return Usage("PATH | cancel");
                if (!t_[1].quoted && t_[1].text == "cancel") {
                    step_->cancel = true;
                    return {};
                }
                if (auto e = Path(t_[1]); !e.empty()) return e;
                if (!FitsGbk(t_[1].text)) return "the path has characters a dialog cannot return (no GBK form)";
                return {};
            case StepKind::Screenshot:
            case StepKind::Dump:
                if (t_.size() != 3) return Usage("WINDOW FILE");
                if (auto e = Window(t_[1]); !e.empty()) return e;
                return Path(t_[2]);
            case StepKind::Close:
                if (t_.size() != 2) return Usage("WINDOW");
                return Window(t_[1]);
            case StepKind::Sleep:
                if (t_.size() != 2) return Usage("MS");
                return Ms(t_[1]);
            case StepKind::Count: break;
        }
        return "unknown step";
    }

private:
    std::string Usage(const char* args) const { return "expected: " + t_[0].text + " " + args; }

    std::string Window(const Token& t) {
        if (!t.quoted) {
            if (t.text == "@active") {
                step_->window.active = true;
                return {};
            }
            return "a window is its title in double quotes or @active";
        }
        if (t.text.empty()) return "a window title cannot be empty";
        if (!ValidUtf8(t.text)) return "the window title is not valid UTF-8";
        if (!FitsGbk(t.text)) return "the window title has characters no window title can hold (no GBK form)";
        step_->window.title = t.text;
        return {};
    }

    std::string Ms(const Token& t) {
        auto v = Number(t);
        if (!v || *v < 0) return "a time must be a whole number of milliseconds";
        if (*v > kMaxMs) return "a time must be at most 2147483647 ms";
        step_->ms = static_cast<uint32_t>(*v);
        return {};
    }

    std::string Path(const Token& t) {
        if (t.text.empty()) return "a path cannot be empty";
        if (!ValidUtf8(t.text)) return "the path is not valid UTF-8";
        step_->text = t.text;
        return {};
    }

    std::string Key(std::string_view keys) {
        unsigned mods = 0;
        for (;;) {
            size_t plus = keys.find('+');
            if (plus == std::string_view::npos || plus + 1 == keys.size()) break;
            std::string_view m = keys.substr(0, plus);
            unsigned bit = EqualNoCase(m, "ctrl") ? kCtrl : EqualNoCase(m, "shift") ? kShift : EqualNoCase(m, "alt") ? kAlt : 0;
            if (!bit) return "unknown modifier \"" + std::string(m) + "\" (Ctrl, Shift or Alt)";
            if (mods & bit) return "modifier \"" + std::string(m) + "\" given twice";
            mods |= bit;
            keys.remove_prefix(plus + 1);
        }
        unsigned vk = KeyByName(keys);
        if (!vk) return "unknown key \"" + std::string(keys) + "\"";
        step_->vk = vk;
        step_->modifiers = mods;
        // What the key types when neither Ctrl nor Alt is held: a keyboard
        // delivers printable characters as text besides the key itself.
        if (!(mods & (kCtrl | kAlt))) {
            if (vk == VK_SPACE) step_->key_char = U' ';
            else if (vk >= '0' && vk <= '9') step_->key_char = vk;
            else if (vk >= 'A' && vk <= 'Z') step_->key_char = (mods & kShift) ? vk : vk - 'A' + 'a';
        }
        return {};
    }

    std::vector<Token> t_;
    Step* step_;
};

}  // namespace

unsigned KeyByName(std::string_view name) {
    for (auto& k : kKeyNames)
        if (EqualNoCase(k.name, name)) return k.vk;
    if (name.size() == 1) {
        char c = Lower(name[0]);
        if (c >= 'a' && c <= 'z') return static_cast<unsigned>(c - 'a' + 'A');
        if (c >= '0' && c <= '9') return static_cast<unsigned>(c);
        return 0;
    }
    if (name.size() >= 2 && name.size() <= 3 && Lower(name[0]) == 'f') {
        unsigned n = 0;
        for (char c : name.substr(1)) {
            if (c < '0' || c > '9') return 0;
            n = n * 10 + static_cast<unsigned>(c - '0');
        }
        if (n >= 1 && n <= 12 && name[1] != '0') return VK_F1 + n - 1;
    }
    return 0;
}

Script ParseScript(std::string_view text) {
    Script out;
    // A UTF-8 byte-order mark is not part of the first step.
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    if (text.substr(0, 2) == "\xFF\xFE" || text.substr(0, 2) == "\xFE\xFF") {
        out.errors.push_back(ScriptError{1, "UTF-16 byte-order mark", "the script is UTF-16; save it as UTF-8"});
        return out;
    }
    int line_no = 0;
    while (!text.empty()) {
        ++line_no;
        // Lines end with LF, CR LF or a CR alone.
        size_t nl = 0;
        while (nl < text.size() && text[nl] != '\n' && text[nl] != '\r') ++nl;
        if (nl == text.size()) nl = std::string_view::npos;
        std::string_view line = text.substr(0, nl);
        size_t skip = nl == std::string_view::npos ? text.size() : nl + 1;
        if (nl != std::string_view::npos && text[nl] == '\r' && nl + 1 < text.size() && text[nl + 1] == '\n') ++skip;
        text.remove_prefix(skip);
        while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
        while (!line.empty() && IsBlank(line.back())) line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        std::string source(line);
        auto fail = [&](std::string why) { out.errors.push_back(ScriptError{line_no, source, std::move(why)}); };
        bool control = false;
        for (char c : line)
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t') control = true;
        if (control) {
            fail("the line has control characters");
            continue;
        }
        std::vector<Token> tokens;
        std::string why;
        if (!Tokenize(line, &tokens, &why)) {
            fail(why);
            continue;
        }
        Step step;
        step.line = line_no;
        step.source = source;
        LineParser p(std::move(tokens), &step);
        why = p.Parse();
        if (!why.empty()) {
            fail(why);
            continue;
        }
        out.steps.push_back(std::move(step));
    }
    return out;
}

}  // namespace platform::automation
