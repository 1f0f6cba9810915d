#include "platform/kernel/ini.h"

#include <unordered_set>

#include "platform/kernel/codepage.h"

namespace platform::ini {
namespace {

enum class Kind { Blank, Comment, Section, Entry, Other };

struct Line {
    size_t begin = 0;  // first byte of the line
    size_t end = 0;    // end of the content, before the line break
    size_t next = 0;   // first byte after the line break
    Kind kind = Kind::Blank;
    std::string_view name;   // section name or key
    std::string_view value;  // entry value
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    // Safe in GBK too: a trail byte is never below 0x40.
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// Position of `c` in `s`, skipping double-byte characters in GBK text.
size_t FindChar(std::string_view s, char c, bool doubleByte) {
    for (size_t i = 0; i < s.size(); ++i) {
        if (doubleByte && IsGbkLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) {
            ++i;
            continue;
        }
        if (s[i] == c) return i;
    }
    return std::string_view::npos;
}

Line ParseLine(std::string_view body, size_t begin, bool doubleByte) {
    Line l;
    l.begin = begin;
    size_t e = begin;
    while (e < body.size() && body[e] != '\r' && body[e] != '\n') ++e;
    l.end = e;
    if (e < body.size()) {
        l.next = e + 1;
        if (body[e] == '\r' && e + 1 < body.size() && body[e + 1] == '\n') l.next = e + 2;
    } else {
        l.next = e;
    }
    std::string_view text = Trim(body.substr(begin, e - begin));
    if (text.empty()) {
        l.kind = Kind::Blank;
    } else if (text[0] == ';') {
        l.kind = Kind::Comment;
    } else if (text[0] == '[') {
        size_t close = FindChar(text.substr(1), ']', doubleByte);
        if (close == std::string_view::npos) {
            l.kind = Kind::Other;
        } else {
            l.kind = Kind::Section;
            l.name = Trim(text.substr(1, close));
        }
    } else {
        l.kind = Kind::Entry;
        size_t eq = text.find('=');  // '=' is never a GBK trail byte
        if (eq == std::string_view::npos) {
            l.name = text;
        } else {
            l.name = Trim(text.substr(0, eq));
            l.value = Trim(text.substr(eq + 1));
        }
    }
    return l;
}

std::vector<Line> Parse(const Document& doc) {
    std::vector<Line> lines;
    std::string_view body = doc.body;
    for (size_t pos = 0; pos < body.size();) {
        lines.push_back(ParseLine(body, pos, doc.DoubleByte()));
        pos = lines.back().next;
    }
    return lines;
}

// Calls f(line, inMatchingSection) for every line.
template <typename F>
void Walk(const std::vector<Line>& lines, std::string_view section, bool doubleByte, F&& f) {
    bool inside = false;
    for (const Line& l : lines) {
        if (l.kind == Kind::Section) inside = NamesEqual(l.name, section, doubleByte);
        f(l, inside);
    }
}

std::string LineBreak(std::string_view body) {
    size_t i = body.find_first_of("\r\n");
    if (i == std::string_view::npos) return "\r\n";
    if (body[i] == '\n') return "\n";
    return i + 1 < body.size() && body[i + 1] == '\n' ? "\r\n" : "\r";
}

// The name with ASCII letters lowered (GBK characters left whole): equal for
// exactly the names NamesEqual calls equal, so a hash set finds duplicates
// in linear time even in a file of many thousand sections.
std::string Folded(std::string_view name, bool doubleByte) {
    std::string out(name);
    for (size_t i = 0; i < out.size(); ++i) {
        auto c = static_cast<unsigned char>(out[i]);
        if (doubleByte && IsGbkLeadByte(c) && i + 1 < out.size()) {
            ++i;
            continue;
        }
        if (c >= 'A' && c <= 'Z') out[i] = static_cast<char>(c + 32);
    }
    return out;
}

std::string NoLineBreaks(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    return out;
}

}  // namespace

bool NamesEqual(std::string_view a, std::string_view b, bool doubleByte) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto x = static_cast<unsigned char>(a[i]);
        auto y = static_cast<unsigned char>(b[i]);
        if (doubleByte && IsGbkLeadByte(x) && i + 1 < a.size()) {
            if (x != y || a[i + 1] != b[i + 1]) return false;
            ++i;
            continue;
        }
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
        if (x != y) return false;
    }
    return true;
}

Document Decode(std::string_view bytes) {
    Document doc;
    auto starts = [&](std::string_view bom) { return bytes.substr(0, bom.size()) == bom; };
    if (starts("\xEF\xBB\xBF")) {
        doc.encoding = Encoding::Utf8Bom;
        doc.body = std::string(bytes.substr(3));
    } else if (starts("\xFF\xFE") || starts("\xFE\xFF")) {
        bool le = bytes[0] == '\xFF';
        doc.encoding = le ? Encoding::Utf16Le : Encoding::Utf16Be;
        std::u16string units((bytes.size() - 2) / 2, u'\0');
        for (size_t i = 0; i < units.size(); ++i) {
            auto b0 = static_cast<uint8_t>(bytes[2 + 2 * i]);
            auto b1 = static_cast<uint8_t>(bytes[3 + 2 * i]);
            units[i] = static_cast<char16_t>(le ? (b0 | (b1 << 8)) : ((b0 << 8) | b1));
        }
        doc.body = Utf16ToUtf8(units);
    } else {
        doc.body = std::string(bytes);
    }
    return doc;
}

std::string Encode(const Document& doc) {
    switch (doc.encoding) {
        case Encoding::Ansi: return doc.body;
        case Encoding::Utf8Bom: return "\xEF\xBB\xBF" + doc.body;
        case Encoding::Utf16Le:
        case Encoding::Utf16Be: {
            bool le = doc.encoding == Encoding::Utf16Le;
            std::u16string units = Utf8ToUtf16(doc.body);
            std::string out = le ? "\xFF\xFE" : "\xFE\xFF";
            out.reserve(2 + units.size() * 2);
            for (char16_t u : units) {
                char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
                out += le ? lo : hi;
                out += le ? hi : lo;
            }
            return out;
        }
    }
    return doc.body;
}

std::optional<std::string> FindValue(const Document& doc, std::string_view section, std::string_view key) {
    section = Trim(section);
    key = Trim(key);
    std::optional<std::string> found;
    Walk(Parse(doc), section, doc.DoubleByte(), [&](const Line& l, bool inside) {
        if (!found && inside && l.kind == Kind::Entry && NamesEqual(l.name, key, doc.DoubleByte()))
            found = std::string(l.value);
    });
    return found;
}

std::vector<std::string> SectionNames(const Document& doc) {
    std::vector<std::string> names;
    std::unordered_set<std::string> seen;
    for (const Line& l : Parse(doc))
        if (l.kind == Kind::Section && seen.insert(Folded(l.name, doc.DoubleByte())).second) names.emplace_back(l.name);
    return names;
}

std::vector<std::string> KeyNames(const Document& doc, std::string_view section) {
    section = Trim(section);
    std::vector<std::string> names;
    std::unordered_set<std::string> seen;
    Walk(Parse(doc), section, doc.DoubleByte(), [&](const Line& l, bool inside) {
        if (inside && l.kind == Kind::Entry && seen.insert(Folded(l.name, doc.DoubleByte())).second)
            names.emplace_back(l.name);
    });
    return names;
}

Edit SetValue(Document& doc, std::string_view sectionIn, std::string_view keyIn, std::string_view valueIn) {
    const bool db = doc.DoubleByte();
    std::string section(Trim(NoLineBreaks(sectionIn)));
    std::string key(Trim(NoLineBreaks(keyIn)));
    std::string value = NoLineBreaks(valueIn);
    // Refuse names whose lines would read back as something else: a section
    // with ']' or ending in a GBK lead byte (which would swallow the ']'), a
    // key with '=' or starting with '[' or ';'.
    std::string headerLine = "[" + section + "]";
    Line h = ParseLine(headerLine, 0, db);
    if (h.kind != Kind::Section || h.name != section) return Edit::Refused;
    std::string probe = key + "=";
    Line k = ParseLine(probe, 0, db);
    if (k.kind != Kind::Entry || k.name != key) return Edit::Refused;

    std::vector<Line> lines = Parse(doc);
    const Line* entry = nullptr;
    const Line* header = nullptr;
    const Line* lastInSection = nullptr;  // last non-blank line of the first matching section
    bool firstSectionDone = false;
    Walk(lines, section, db, [&](const Line& l, bool inside) {
        if (l.kind == Kind::Section && header && !inside) firstSectionDone = true;
        if (!inside) return;
        if (l.kind == Kind::Section && !header) header = &l;
        if (!entry && l.kind == Kind::Entry && NamesEqual(l.name, key, db)) entry = &l;
        if (!firstSectionDone && l.kind != Kind::Blank) lastInSection = &l;
    });
    std::string eol = LineBreak(doc.body);
    if (entry) {
        if (entry->value == Trim(value) && entry->value == std::string_view(value)) return Edit::Unchanged;
        // Keep the key as the file spells it.
        std::string line = std::string(entry->name) + "=" + value;
        doc.body.replace(entry->begin, entry->end - entry->begin, line);
        return Edit::Changed;
    }
    std::string line = key + "=" + value;
    if (header) {
        const Line* after = lastInSection ? lastInSection : header;
        bool hasBreak = after->next > after->end;
        std::string insert = hasBreak ? line + eol : eol + line + eol;
        doc.body.insert(after->next, insert);
        return Edit::Changed;
    }
    if (!doc.body.empty() && doc.body.back() != '\n' && doc.body.back() != '\r') doc.body += eol;
    doc.body += headerLine + eol + line + eol;
    return Edit::Changed;
}

Edit RemoveKey(Document& doc, std::string_view section, std::string_view key) {
    const bool db = doc.DoubleByte();
    section = Trim(section);
    key = Trim(key);
    std::vector<Line> lines = Parse(doc);
    std::string out;
    out.reserve(doc.body.size());
    bool changed = false;
    Walk(lines, section, db, [&](const Line& l, bool inside) {
        if (inside && l.kind == Kind::Entry && NamesEqual(l.name, key, db)) {
            changed = true;
            return;
        }
        out.append(doc.body, l.begin, l.next - l.begin);
    });
    if (!changed) return Edit::Unchanged;
    doc.body = std::move(out);
    return Edit::Changed;
}

Edit RemoveSection(Document& doc, std::string_view section) {
    const bool db = doc.DoubleByte();
    section = Trim(section);
    std::vector<Line> lines = Parse(doc);
    std::string out;
    out.reserve(doc.body.size());
    bool changed = false;
    Walk(lines, section, db, [&](const Line& l, bool inside) {
        if (inside) {
            changed = true;
            return;
        }
        out.append(doc.body, l.begin, l.next - l.begin);
    });
    if (!changed) return Edit::Unchanged;
    doc.body = std::move(out);
    return Edit::Changed;
}

}  // namespace platform::ini
