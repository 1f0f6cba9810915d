// Fuzzes the service's form reader and request rules with arbitrary bodies.
// Checks, beyond "no crash": a request that passes is within its limits, its
// text is valid UTF-8 without control characters, and its result page holds
// the picture tag exactly once whatever the text.
#include <glib.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "service/form.h"
#include "service/pages.h"

using namespace sigservice;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view body(reinterpret_cast<const char*>(data), size);

  // Our UTF-8 check agrees with GLib's on input without NUL bytes.
  if (body.find('\0') == std::string_view::npos) {
    bool ours = CountUtf8(body).has_value();
    bool glib = g_utf8_validate(body.data(), static_cast<gssize>(body.size()), nullptr);
    if (ours != glib) std::abort();
  }

  auto fields = ParseForm(body);
  if (!fields) return 0;
  RequestResult result = ValidateForm(*fields);
  if (!result.request) {
    if (result.error.empty()) std::abort();
    return 0;
  }
  const SignatureRequest& r = *result.request;
  if (r.style < 1 || r.style > kStyleCount || r.size < kMinSize || r.size > kMaxSize) std::abort();
  auto chars = CountUtf8(r.text);
  if (!chars || *chars == 0 || *chars > kMaxTextChars) std::abort();
  for (unsigned char c : r.text)
    if (c < 0x20 || c == 0x7F) std::abort();
  std::string name = r.Name();
  if (!IsPictureName(name)) std::abort();
  std::string page = ResultPage(r, name);
  std::size_t first = page.find(kImgBefore);
  if (first == std::string::npos || page.find(kImgBefore, first + 1) != std::string::npos) std::abort();
  if (page.compare(first + kImgBefore.size(), 5 + 32 + 4, "/img/" + name + ".png") != 0) std::abort();
  return 0;
}
