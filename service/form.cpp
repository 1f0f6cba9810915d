// The form reader is our own rather than libmicrohttpd's post processor: we
// need a pure function over the whole (small, bounded) body that refuses
// broken escapes and duplicate keys instead of passing them on, and that a
// fuzzer can call without a server around it.
#include "service/form.h"

#include <glib.h>

#include <algorithm>
#include <charconv>

namespace sigservice {
namespace {

constexpr std::size_t kMaxFields = 64;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::string> Decode(std::string_view in) {
  std::string out;
  out.reserve(in.size());
  for (std::size_t i = 0; i < in.size(); ++i) {
    char c = in[i];
    if (c == '+') {
      out.push_back(' ');
    } else if (c == '%') {
      if (in.size() - i < 3) return std::nullopt;
      int hi = HexValue(in[i + 1]);
      int lo = HexValue(in[i + 2]);
      if (hi < 0 || lo < 0) return std::nullopt;
      out.push_back(static_cast<char>(hi * 16 + lo));
      i += 2;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

std::optional<int> ParseInt(std::string_view s) {
  if (s.empty() || s.size() > 9) return std::nullopt;
  int v = 0;
  std::size_t start = (s[0] == '-' || s[0] == '+') ? 1 : 0;
  if (start == s.size()) return std::nullopt;
  auto [p, ec] = std::from_chars(s.data() + start, s.data() + s.size(), v);
  if (ec != std::errc() || p != s.data() + s.size()) return std::nullopt;
  return s[0] == '-' ? -v : v;
}

}  // namespace

std::optional<std::vector<FormField>> ParseForm(std::string_view body) {
  if (body.size() > kMaxFormBytes) return std::nullopt;
  std::vector<FormField> fields;
  std::size_t pos = 0;
  while (pos <= body.size()) {
    std::size_t amp = body.find('&', pos);
    if (amp == std::string_view::npos) amp = body.size();
    std::string_view pair = body.substr(pos, amp - pos);
    pos = amp + 1;
    if (pair.empty()) {
      if (amp == body.size()) break;
      continue;  // "a=1&&b=2" and a trailing "&" are harmless
    }
    std::size_t eq = pair.find('=');
    std::string_view rawKey = pair.substr(0, eq);
    std::string_view rawValue = eq == std::string_view::npos ? std::string_view() : pair.substr(eq + 1);
    auto key = Decode(rawKey);
    auto value = Decode(rawValue);
    if (!key || !value || key->empty()) return std::nullopt;
    if (fields.size() == kMaxFields) return std::nullopt;
    fields.push_back({std::move(*key), std::move(*value)});
    if (amp == body.size()) break;
  }
  return fields;
}

std::optional<Rgb> ParseColour(std::string_view text) {
  if (text.size() != 7 || text[0] != '#') return std::nullopt;
  int v[6];
  for (int i = 0; i < 6; ++i) {
    v[i] = HexValue(text[1 + i]);
    if (v[i] < 0) return std::nullopt;
  }
  return Rgb{static_cast<std::uint8_t>(v[0] * 16 + v[1]), static_cast<std::uint8_t>(v[2] * 16 + v[3]),
             static_cast<std::uint8_t>(v[4] * 16 + v[5])};
}

std::string ColourHex(Rgb c) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string s(6, '0');
  const std::uint8_t parts[3] = {c.r, c.g, c.b};
  for (int i = 0; i < 3; ++i) {
    s[i * 2] = kDigits[parts[i] >> 4];
    s[i * 2 + 1] = kDigits[parts[i] & 15];
  }
  return s;
}

std::optional<std::size_t> CountUtf8(std::string_view text) {
  std::size_t count = 0;
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n) {
    unsigned char c = p[i];
    std::size_t len;
    std::uint32_t cp;
    if (c < 0x80) {
      len = 1;
      cp = c;
    } else if (c >= 0xC2 && c <= 0xDF) {
      len = 2;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      len = 3;
      cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      len = 4;
      cp = c & 0x07;
    } else {
      return std::nullopt;
    }
    if (n - i < len) return std::nullopt;
    for (std::size_t k = 1; k < len; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) return std::nullopt;
      cp = (cp << 6) | (p[i + k] & 0x3F);
    }
    if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
      return std::nullopt;
    i += len;
    ++count;
  }
  return count;
}

bool IsPictureName(std::string_view name) {
  return name.size() == 32 &&
         std::all_of(name.begin(), name.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

RequestResult ValidateForm(const std::vector<FormField>& fields) {
  static constexpr std::string_view kKeys[] = {"text", "ziti", "sizes", "fontcolor", "colors", "if_demo"};
  const std::string* found[std::size(kKeys)] = {};
  for (const auto& f : fields) {
    for (std::size_t k = 0; k < std::size(kKeys); ++k) {
      if (f.key == kKeys[k]) {
        if (found[k]) return {std::nullopt, "The field \"" + std::string(kKeys[k]) + "\" is given twice."};
        found[k] = &f.value;
      }
    }
  }
  SignatureRequest req;
  if (!found[0]) return {std::nullopt, "The text is missing."};
  auto chars = CountUtf8(*found[0]);
  if (!chars) return {std::nullopt, "The text is not valid UTF-8."};
  if (*chars > kMaxTextChars) return {std::nullopt, "The text is longer than 100 characters."};
  // Line breaks, tabs, NUL and other control characters become blanks: the
  // lettering is one line, and such bytes must never reach a file or a header.
  std::string text = *found[0];
  for (char& c : text) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) c = ' ';
  }
  std::size_t b = text.find_first_not_of(' ');
  if (b == std::string::npos) return {std::nullopt, "The text is empty."};
  std::size_t e = text.find_last_not_of(' ');
  req.text = text.substr(b, e - b + 1);

  if (!found[1]) return {std::nullopt, "The style number is missing."};
  auto style = ParseInt(*found[1]);
  if (!style || *style < 1 || *style > kStyleCount) return {std::nullopt, "The style must be a number from 1 to 410."};
  req.style = *style;
  if (found[2]) {
    auto size = ParseInt(*found[2]);
    if (!size || *size < kMinSize || *size > kMaxSize) return {std::nullopt, "The size must be a number from 8 to 256."};
    req.size = *size;
  }
  if (found[3]) {
    auto c = ParseColour(*found[3]);
    if (!c) return {std::nullopt, "The lettering colour must be # and six hex digits."};
    req.ink = *c;
  }
  if (found[4]) {
    auto c = ParseColour(*found[4]);
    if (!c) return {std::nullopt, "The background colour must be # and six hex digits."};
    req.paper = *c;
  }
  return {std::move(req), {}};
}

std::string SignatureRequest::Canonical() const {
  // The renderer's version leads, so a change of look never serves old files.
  return "sig1\n" + std::to_string(style) + "\n" + std::to_string(size) + "\n" + ColourHex(ink) + "\n" +
         ColourHex(paper) + "\n" + text;
}

std::string SignatureRequest::Name() const {
  std::string canonical = Canonical();
  gchar* hex = g_compute_checksum_for_data(G_CHECKSUM_SHA256, reinterpret_cast<const guchar*>(canonical.data()),
                                           canonical.size());
  std::string name(hex, 32);
  g_free(hex);
  return name;
}

}  // namespace sigservice
