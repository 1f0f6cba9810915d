#include "runtime/template/stored_unit_data.h"

#include <limits>
#include <stdexcept>

namespace runtime::templates {

bool ReadTextArray(ByteReader& r, std::vector<std::string>& items) {
  uint16_t short_count = 0;
  uint32_t count = 0;
  if (!r.U16(short_count)) return false;
  count = short_count;
  if (short_count == 0xFFFF && !r.U32(count)) return false;
  // Every item needs at least its length word: a count beyond that is
  // refused before anything is reserved.
  if (count > r.Remaining() / 4) return r.Fail();
  items.clear();
  items.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    std::string item;
    if (!r.CountedText(item)) return false;
    items.push_back(std::move(item));
  }
  return true;
}

void WriteTextArray(ByteWriter& w, const std::vector<std::string>& items) {
  if (items.size() > std::numeric_limits<uint32_t>::max())
    throw std::length_error("text array above 32-bit count");
  if (items.size() < 0xFFFF) {
    w.U16(static_cast<uint16_t>(items.size()));
  } else {
    w.U16(0xFFFF);
    w.U32(static_cast<uint32_t>(items.size()));
  }
  for (const std::string& item : items) w.CountedText(item);
}

void StoredDataReader::TextArray(const char*, std::vector<std::string>& v) {
  ReadTextArray(r_, v);
}

void StoredDataWriter::TextArray(const char*, const std::vector<std::string>& v) {
  WriteTextArray(w_, v);
}

}  // namespace runtime::templates
