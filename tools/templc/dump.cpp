#include "tools/templc/dump.h"

#include <iconv.h>

#include <cstdio>
#include <sstream>

#include "runtime/template/segment_reader.h"
#include "runtime/template/stored_unit_data.h"

namespace templc {

namespace rt = runtime::templates;

namespace {

std::string ToUtf8(const std::string& gbk) {
  iconv_t cd = iconv_open("UTF-8", "GBK");
  if (cd == reinterpret_cast<iconv_t>(-1)) return gbk;
  std::string out(gbk.size() * 2 + 4, '\0');
  char* in_p = const_cast<char*>(gbk.data());
  size_t in_left = gbk.size();
  char* out_p = out.data();
  size_t out_left = out.size();
  const size_t rc = iconv(cd, &in_p, &in_left, &out_p, &out_left);
  iconv_close(cd);
  if (rc == static_cast<size_t>(-1)) return "<not GBK>";
  out.resize(out.size() - out_left);
  return out;
}

std::string Hex(uint32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", v);
  return buf;
}

// Lists every stored field by the same field list that reads and writes it.
class SettingsPrinter {
 public:
  explicit SettingsPrinter(std::ostringstream& s) : s_(s) {}
  bool Has(uint32_t) const { return true; }
  void Int(const char* n, int32_t v) { s_ << ' ' << n << '=' << v; }
  void Colour(const char* n, uint32_t v) { s_ << ' ' << n << '=' << Hex(v); }
  void Logic(const char* n, bool v) { s_ << ' ' << n << '=' << (v ? "true" : "false"); }
  void Char16(const char* n, uint16_t v) { s_ << ' ' << n << '=' << v; }
  void Bytes(const char* n, const std::vector<uint8_t>& v) {
    if (!v.empty()) s_ << ' ' << n << "=<" << v.size() << " bytes>";
  }
  void Words(const char* n, const std::vector<uint8_t>& v) { Bytes(n, v); }
  void Text(const char* n, const std::string& v) {
    if (!v.empty()) s_ << ' ' << n << "=\"" << ToUtf8(v) << '"';
  }
  void TextArray(const char* n, const std::vector<std::string>& v) {
    s_ << ' ' << n << "=[";
    for (size_t i = 0; i < v.size(); ++i) s_ << (i ? ", \"" : "\"") << ToUtf8(v[i]) << '"';
    s_ << ']';
  }

 private:
  std::ostringstream& s_;
};

}  // namespace

std::string DumpSegment(std::span<const uint8_t> segment) {
  const rt::SegmentReadResult r = rt::ParseTemplateSegment(segment);
  if (!r.ok()) return "refused: " + r.error->Describe() + "\n";
  std::ostringstream s;
  for (const rt::WindowTemplate& w : r.windows) {
    s << "window " << Hex(w.id) << " words " << Hex(w.word1) << ' ' << Hex(w.word2) << ", "
      << w.records.size() << " records\n";
    for (size_t i = 0; i < w.records.size(); ++i) {
      const rt::TemplateRecord& rec = w.records[i];
      s << "  [" << i << "] " << Hex(rec.id);
      if (rec.IsMenuItem()) {
        s << " menu \"" << ToUtf8(rec.caption) << "\" flags " << rec.flags << " handler "
          << static_cast<int32_t>(rec.menu_handler.stored_offset) << '\n';
        continue;
      }
      s << " type " << Hex(rec.type_code) << " \"" << ToUtf8(rec.name) << "\" rect " << rec.left
        << ',' << rec.top << ',' << rec.width << ',' << rec.height << " parent "
        << Hex(rec.parent) << " flags " << rec.flags;
      for (const rt::EventHandler& e : rec.events)
        s << " on " << e.event << "->" << static_cast<int32_t>(e.stored_offset);
      s << "\n     ";
      const bool known = rt::WithUnitDataType(rec.type_code, [&](auto d) {
        if (!rt::ReadStoredUnitData(rec.unit_data, d)) {
          s << " stored data unreadable";
          return;
        }
        SettingsPrinter p(s);
        decltype(d)::Visit(p, d);
      });
      if (!known) s << " <" << rec.unit_data.size() << " bytes of stored data>";
      s << '\n';
    }
  }
  return s.str();
}

}  // namespace templc
