// Profile (INI) files as text: a pure reader and editor with the Windows
// profile rules. No I/O here; profile.cpp reads and writes the files.
//
// Lines end with CR LF, LF or CR. After leading blanks (space, tab, VT, FF):
//   "[name]..."  starts a section; the name is trimmed, text after ']' ignored;
//                "[]" is a section with an empty name;
//   ";..."       is a comment;
//   "key=value"  is an entry; key and value are trimmed; "=v" has an empty
//                key; "k" (no '=') is key k with an empty value;
//   anything else ("[sec" with no ']') is kept but means nothing.
// Entries before the first section belong to no section and are never found.
// Names compare case-insensitively for ASCII letters only; in GBK text a
// double-byte character compares exactly (its trail byte may look like an
// ASCII letter or like ']'). Of duplicate sections and keys the first wins on
// read; edits change the first and removals remove all.
//
// A value, key or section holding CR or LF would start new lines when
// written -- a value "x\r\n[s]\r\nk=v" would invent a section and a key on
// the next read. Edits write every CR and LF as a space instead. A key with
// '=' or starting with '[' or ';', and a section with ']', would read back as
// something else and are refused.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::ini {

enum class Encoding {
    Ansi,     // GBK, no byte-order mark
    Utf8Bom,  // UTF-8 with a byte-order mark
    Utf16Le,  // UTF-16 with a byte-order mark
    Utf16Be,
};

// A file's text ready for reading. `body` is GBK for Ansi files and UTF-8
// for the others (UTF-16 is converted); the byte-order mark is kept apart.
struct Document {
    Encoding encoding = Encoding::Ansi;
    std::string body;
    bool DoubleByte() const { return encoding == Encoding::Ansi; }
};

Document Decode(std::string_view fileBytes);
std::string Encode(const Document& doc);

bool NamesEqual(std::string_view a, std::string_view b, bool doubleByte);

// Names and values are in the document's text encoding.
std::optional<std::string> FindValue(const Document& doc, std::string_view section, std::string_view key);
std::vector<std::string> SectionNames(const Document& doc);
std::vector<std::string> KeyNames(const Document& doc, std::string_view section);

enum class Edit { Changed, Unchanged, Refused };
Edit SetValue(Document& doc, std::string_view section, std::string_view key, std::string_view value);
Edit RemoveKey(Document& doc, std::string_view section, std::string_view key);
Edit RemoveSection(Document& doc, std::string_view section);

}  // namespace platform::ini
