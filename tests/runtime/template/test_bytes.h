// Hand-built byte strings for comparing stored formats byte by byte.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace template_test {

class Bytes {
 public:
  Bytes& U16(uint16_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
    return *this;
  }
  Bytes& U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
    return *this;
  }
  Bytes& Raw(const std::string& s) {
    b.insert(b.end(), s.begin(), s.end());
    return *this;
  }
  Bytes& Z(const std::string& s) {  // zero-terminated text
    Raw(s);
    b.push_back(0);
    return *this;
  }
  Bytes& Text(const std::string& s) {  // counted text
    U32(static_cast<uint32_t>(s.size()));
    return Raw(s);
  }
  Bytes& Block(const std::vector<uint8_t>& v) {
    U32(static_cast<uint32_t>(v.size()));
    b.insert(b.end(), v.begin(), v.end());
    return *this;
  }
  std::vector<uint8_t> b;
};

}  // namespace template_test
