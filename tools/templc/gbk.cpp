#include "tools/templc/gbk.h"

#include <iconv.h>

#include <stdexcept>

namespace templc {

// glibc's iconv carries the GBK table; no reason to ship one of our own.
std::string Utf8ToGbk(const std::string& utf8) {
  iconv_t cd = iconv_open("GBK", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv has no GBK converter");
  std::string out(utf8.size() * 2 + 4, '\0');
  char* in_p = const_cast<char*>(utf8.data());
  size_t in_left = utf8.size();
  char* out_p = out.data();
  size_t out_left = out.size();
  const size_t rc = iconv(cd, &in_p, &in_left, &out_p, &out_left);
  iconv_close(cd);
  if (rc == static_cast<size_t>(-1)) {
    throw std::runtime_error("text has no GBK form (or is not UTF-8): \"" + utf8 + "\"");
  }
  out.resize(out.size() - out_left);
  return out;
}

}  // namespace templc
