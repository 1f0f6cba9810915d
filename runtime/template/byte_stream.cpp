#include "runtime/template/byte_stream.h"

#include <cstring>
#include <limits>
#include <stdexcept>

namespace runtime::templates {

bool ByteReader::U16(uint16_t& out) {
  std::span<const uint8_t> b;
  if (!Take(2, b)) return false;
  out = static_cast<uint16_t>(b[0] | (b[1] << 8));
  return true;
}

bool ByteReader::U32(uint32_t& out) {
  std::span<const uint8_t> b;
  if (!Take(4, b)) return false;
  out = static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
        (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
  return true;
}

bool ByteReader::I32(int32_t& out) {
  uint32_t u;
  if (!U32(u)) return false;
  out = static_cast<int32_t>(u);
  return true;
}

bool ByteReader::Take(size_t n, std::span<const uint8_t>& out) {
  if (failed_ || n > bytes_.size() - pos_) return Fail();
  out = bytes_.subspan(pos_, n);
  pos_ += n;
  return true;
}

bool ByteReader::CountedBlock(std::span<const uint8_t>& out) {
  uint32_t n;
  return U32(n) && Take(n, out);
}

bool ByteReader::CountedBlock(std::vector<uint8_t>& out) {
  std::span<const uint8_t> view;
  if (!CountedBlock(view)) return false;
  out.assign(view.begin(), view.end());
  return true;
}

bool ByteReader::CountedText(std::string& out) {
  std::span<const uint8_t> view;
  if (!CountedBlock(view)) return false;
  out.assign(reinterpret_cast<const char*>(view.data()), view.size());
  return true;
}

bool ByteReader::ZeroText(std::string& out) {
  if (failed_) return false;
  const uint8_t* start = bytes_.data() + pos_;
  const size_t left = bytes_.size() - pos_;
  const void* nul = left ? std::memchr(start, 0, left) : nullptr;
  if (!nul) return Fail();
  const size_t n = static_cast<const uint8_t*>(nul) - start;
  out.assign(reinterpret_cast<const char*>(start), n);
  pos_ += n + 1;
  return true;
}

void ByteWriter::U16(uint16_t v) {
  out_.push_back(static_cast<uint8_t>(v));
  out_.push_back(static_cast<uint8_t>(v >> 8));
}

void ByteWriter::U32(uint32_t v) {
  for (int i = 0; i < 4; ++i) out_.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void ByteWriter::Raw(std::span<const uint8_t> bytes) {
  out_.insert(out_.end(), bytes.begin(), bytes.end());
}

void ByteWriter::CountedBlock(std::span<const uint8_t> bytes) {
  // Stored lengths are 32-bit; nothing the program stores comes near that.
  if (bytes.size() > std::numeric_limits<uint32_t>::max())
    throw std::length_error("counted block longer than 4 GiB");
  U32(static_cast<uint32_t>(bytes.size()));
  Raw(bytes);
}

void ByteWriter::CountedText(const std::string& text) {
  CountedBlock({reinterpret_cast<const uint8_t*>(text.data()), text.size()});
}

void ByteWriter::ZeroText(const std::string& text) {
  // A NUL inside would cut the text short when it is read back.
  if (text.find('\0') != std::string::npos)
    throw std::invalid_argument("zero-terminated text holds a NUL");
  Raw({reinterpret_cast<const uint8_t*>(text.data()), text.size()});
  out_.push_back(0);
}

void ByteWriter::PatchU32(size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out_.at(at + i) = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace runtime::templates
