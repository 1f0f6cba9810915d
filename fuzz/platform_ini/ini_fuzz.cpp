// The profile-file reader and editor on arbitrary files and names.
//
// Input: three names (section, key, value) separated by 0x00 bytes, then the
// file. Besides surviving, an edit must read back as written and must never
// invent a section.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/kernel/ini.h"

namespace ini = platform::ini;

namespace {

std::string_view Take(std::string_view& in) {
    size_t z = in.find('\0');
    std::string_view part = in.substr(0, z);
    in = z == std::string_view::npos ? std::string_view() : in.substr(z + 1);
    return part;
}

std::string Clean(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    return out;
}

std::string_view Trim(std::string_view s) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);
    std::string_view section = Take(in), key = Take(in), value = Take(in);
    ini::Document doc = ini::Decode(in);
    (void)ini::FindValue(doc, section, key);
    (void)ini::KeyNames(doc, section);
    auto before = ini::SectionNames(doc);
    (void)ini::Encode(doc);

    ini::Document edited = doc;
    ini::Edit e = ini::SetValue(edited, section, key, value);
    if (e != ini::Edit::Refused) {
        std::string s = Clean(section), k = Clean(key), v = Clean(value);
        auto got = ini::FindValue(edited, s, k);
        Check(got.has_value() && *got == Trim(v));
        auto after = ini::SectionNames(edited);
        Check(after.size() <= before.size() + 1);
        for (const std::string& name : after) {
            bool known = ini::NamesEqual(name, Trim(s), edited.DoubleByte());
            for (const std::string& b : before) known = known || ini::NamesEqual(name, b, edited.DoubleByte());
            Check(known);
        }
    }
    ini::Document removedKey = doc;
    ini::RemoveKey(removedKey, section, key);
    Check(!ini::FindValue(removedKey, section, key).has_value());
    ini::Document removedSection = doc;
    ini::RemoveSection(removedSection, section);
    Check(ini::KeyNames(removedSection, section).empty());
    return 0;
}
