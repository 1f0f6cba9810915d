#pragma once
// Reading the signature form: an application/x-www-form-urlencoded body
// (or query) into a validated request. Pure functions, no I/O, so the
// fuzzer and the tests drive them directly.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sigservice {

inline constexpr std::size_t kMaxFormBytes = 16 * 1024;
inline constexpr std::size_t kMaxTextChars = 100;
inline constexpr int kStyleCount = 410;
inline constexpr int kMinSize = 8;
inline constexpr int kMaxSize = 256;

struct FormField {
  std::string key;
  std::string value;  // percent-decoded bytes; may hold any byte, NUL included
};

// Splits and decodes a form body. Returns nothing when the body is malformed:
// a broken escape ("%G1", "%4" at the end), an empty key, more than 64 fields,
// or more than kMaxFormBytes of input.
std::optional<std::vector<FormField>> ParseForm(std::string_view body);

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

// "#RRGGBB" (either letter case) to a colour.
std::optional<Rgb> ParseColour(std::string_view text);
std::string ColourHex(Rgb c);  // "RRGGBB", upper case

struct SignatureRequest {
  std::string text;  // valid UTF-8, control characters turned into blanks, trimmed
  int style = 1;     // 1..kStyleCount
  int size = 64;     // lettering pixel height, kMinSize..kMaxSize
  Rgb ink{0, 0, 0};
  Rgb paper{255, 255, 255};

  // The canonical form the picture name is derived from.
  std::string Canonical() const;
  // 32 lower-case hex digits (the first half of the SHA-256 of Canonical()).
  std::string Name() const;
};

struct RequestResult {
  std::optional<SignatureRequest> request;
  std::string error;  // short reason for the user when request is empty
};

// Checks the fields of a form. "text" and "ziti" are required; "sizes",
// "fontcolor" and "colors" default to 64, black and white; "if_demo" and
// unknown keys are ignored; a key given twice is refused.
RequestResult ValidateForm(const std::vector<FormField>& fields);

// Validates UTF-8 strictly (no overlongs, no surrogates, nothing above
// U+10FFFF) and returns the number of code points, or nothing.
std::optional<std::size_t> CountUtf8(std::string_view text);

// True when name is exactly 32 lower-case hex digits.
bool IsPictureName(std::string_view name);

}  // namespace sigservice
