// Little-endian cursor over stored program data, and its writing twin.
//
// Every stored format of the window templates (the segment, the unit records,
// StoredUnitData) is built from the same few forms: 16- and 32-bit words,
// counted blocks, counted texts and zero-terminated texts. ByteReader checks
// each read against what remains, so a reader built on it cannot over-read;
// the first failed read latches and every later read fails too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace runtime::templates {

class ByteReader {
 public:
  explicit ByteReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  bool U16(uint16_t& out);
  bool U32(uint32_t& out);
  bool I32(int32_t& out);
  // n bytes as a view into the input.
  bool Take(size_t n, std::span<const uint8_t>& out);
  // u32 length, then that many bytes.
  bool CountedBlock(std::span<const uint8_t>& out);
  bool CountedBlock(std::vector<uint8_t>& out);
  // u32 length, then that many bytes, no terminator.
  bool CountedText(std::string& out);
  // Bytes up to a NUL that must lie inside the input; the NUL is consumed.
  bool ZeroText(std::string& out);

  size_t Position() const { return pos_; }
  size_t Remaining() const { return failed_ ? 0 : bytes_.size() - pos_; }
  bool Failed() const { return failed_; }
  bool AtEnd() const { return !failed_ && pos_ == bytes_.size(); }

  // Marks the stream failed, for a check made by the caller (a count too
  // large for what remains).
  bool Fail() {
    failed_ = true;
    return false;
  }

 private:

  std::span<const uint8_t> bytes_;
  size_t pos_ = 0;
  bool failed_ = false;
};

class ByteWriter {
 public:
  void U16(uint16_t v);
  void U32(uint32_t v);
  void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
  void Raw(std::span<const uint8_t> bytes);
  void CountedBlock(std::span<const uint8_t> bytes);
  void CountedText(const std::string& text);
  void ZeroText(const std::string& text);
  // Overwrites a word written earlier (lengths known only afterwards).
  void PatchU32(size_t at, uint32_t v);

  size_t Size() const { return out_.size(); }
  std::vector<uint8_t>& Bytes() { return out_; }
  std::vector<uint8_t> Take() { return std::move(out_); }

 private:
  std::vector<uint8_t> out_;
};

}  // namespace runtime::templates
