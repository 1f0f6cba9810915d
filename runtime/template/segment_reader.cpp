#include "runtime/template/segment_reader.h"

#include <cstdio>
#include <unordered_map>
#include <utility>

#include "runtime/template/byte_stream.h"

namespace runtime::templates {

namespace {

// Every failure goes through Fail(), which keeps the first one with the
// place it happened; callers only pass "false" upwards. Counts are checked
// against the bytes that remain before anything is reserved, so no stored
// number can make the reader allocate more than the segment's own size.
class SegmentParser {
 public:
  SegmentParser(std::span<const uint8_t> segment, const SegmentLimits& limits)
      : segment_(segment), limits_(limits) {}

  bool Run(std::vector<WindowTemplate>& windows);
  const SegmentError& error() const { return error_; }

 private:
  bool Fail(SegmentFault fault, size_t offset) {
    if (!failed_) error_ = {fault, offset, window_, unit_};
    failed_ = true;
    return false;
  }
  size_t BaseOf(std::span<const uint8_t> part) const {
    return static_cast<size_t>(part.data() - segment_.data());
  }
  size_t OffsetOf(std::span<const uint8_t> part, const ByteReader& r) const {
    return BaseOf(part) + r.Position();
  }

  bool ReadWindow(ByteReader& r, WindowTemplate& window);
  bool ReadRecords(std::span<const uint8_t> block, uint32_t count, WindowTemplate& window);
  bool ReadUnitRecord(std::span<const uint8_t> body, TemplateRecord& rec);
  bool ReadMenuRecord(std::span<const uint8_t> body, TemplateRecord& rec);
  bool CheckWindow(const WindowTemplate& window, std::span<const uint8_t> block);

  // Field readers that name the fault of a failed read.
  bool Word(ByteReader& r, std::span<const uint8_t> part, uint32_t& v) {
    return r.U32(v) || Fail(SegmentFault::Truncated, OffsetOf(part, r));
  }
  bool Signed(ByteReader& r, std::span<const uint8_t> part, int32_t& v) {
    return r.I32(v) || Fail(SegmentFault::Truncated, OffsetOf(part, r));
  }
  bool Text(ByteReader& r, std::span<const uint8_t> part, std::string& s) {
    return r.ZeroText(s) || Fail(SegmentFault::UnterminatedText, OffsetOf(part, r));
  }

  std::span<const uint8_t> segment_;
  SegmentLimits limits_;
  SegmentError error_;
  bool failed_ = false;
  WindowId window_ = 0;
  UnitId unit_ = 0;
};

bool SegmentParser::Run(std::vector<WindowTemplate>& windows) {
  if (segment_.size() > limits_.max_segment_bytes) return Fail(SegmentFault::TooLarge, 0);
  ByteReader r(segment_);

  std::span<const uint8_t> map;
  if (!r.CountedBlock(map)) return Fail(SegmentFault::Truncated, 0);
  if (map.size() % 8 != 0 || map.size() / 8 > limits_.max_windows)
    return Fail(SegmentFault::BadWindowMap, 0);
  const size_t n = map.size() / 8;

  std::vector<WindowId> ids(n);
  ByteReader mr(map);
  for (size_t i = 0; i < n; ++i) {
    Word(mr, map, ids[i]);
    if (!IsValidId(ids[i])) return Fail(SegmentFault::BadWindowId, 4 + 4 * i);
    for (size_t j = 0; j < i; ++j)
      if (ids[j] == ids[i]) return Fail(SegmentFault::BadWindowId, 4 + 4 * i);
  }
  // The n words after the ids are placeholders for live window objects.

  windows.clear();
  windows.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    WindowTemplate w;
    w.id = window_ = ids[i];
    unit_ = 0;
    if (!ReadWindow(r, w)) return false;
    windows.push_back(std::move(w));
  }
  window_ = unit_ = 0;
  if (!r.AtEnd()) return Fail(SegmentFault::TrailingBytes, r.Position());
  return true;
}

bool SegmentParser::ReadWindow(ByteReader& r, WindowTemplate& w) {
  uint32_t count = 0;
  std::span<const uint8_t> block;
  if (!Word(r, segment_, w.word1) || !Word(r, segment_, w.word2)) return false;
  if (!r.CountedText(w.text1) || !r.CountedText(w.text2) || !r.U32(count))
    return Fail(SegmentFault::Truncated, r.Position());
  if (count > limits_.max_records_per_window)
    return Fail(SegmentFault::TooManyRecords, r.Position() - 4);
  const size_t block_at = r.Position();
  if (!r.CountedBlock(block)) return Fail(SegmentFault::Truncated, block_at);
  return ReadRecords(block, count, w) && CheckWindow(w, block);
}

bool SegmentParser::ReadRecords(std::span<const uint8_t> block, uint32_t count,
                                WindowTemplate& w) {
  if (count > block.size() / 8) return Fail(SegmentFault::BadRecordsBlock, BaseOf(block));
  const size_t tables = size_t{8} * count;
  const size_t room = block.size() - tables;  // bytes available to the records

  ByteReader tr(block);
  std::vector<uint32_t> ids(count), offsets(count);
  for (uint32_t& id : ids) Word(tr, block, id);
  for (uint32_t& off : offsets) Word(tr, block, off);

  w.records.clear();
  w.records.reserve(count);
  size_t used = 0;
  for (uint32_t i = 0; i < count; ++i) {
    unit_ = ids[i];
    const size_t table_at = BaseOf(block) + size_t{4} * count + 4 * i;
    if (offsets[i] > room || room - offsets[i] < 4)
      return Fail(SegmentFault::BadRecordOffset, table_at);
    const size_t start = tables + offsets[i];
    ByteReader lr(block.subspan(start, 4));
    uint32_t length = 0;
    lr.U32(length);
    const size_t length_at = BaseOf(block) + start;
    // Records may not claim more bytes in total than the block holds: else
    // overlapping records would let a small segment expand into many copies
    // of one large record. This bounds what reading allocates by the
    // segment's size; records that merely share bytes within it are read.
    if (length == 0 || length > room - offsets[i] - 4 || length + size_t{4} > room - used)
      return Fail(SegmentFault::BadRecordLength, length_at);
    used += length + size_t{4};

    TemplateRecord rec;
    rec.id = ids[i];
    if (!IsValidId(rec.id) || !RecordKindOf(rec.id, rec.kind))
      return Fail(SegmentFault::BadUnitId, table_at - size_t{4} * count);
    const auto body = block.subspan(start + 4, length);
    const bool ok = rec.kind == RecordKind::MenuItem ? ReadMenuRecord(body, rec)
                                                     : ReadUnitRecord(body, rec);
    if (!ok) return false;
    w.records.push_back(std::move(rec));
  }
  unit_ = 0;
  return true;
}

bool SegmentParser::ReadUnitRecord(std::span<const uint8_t> body, TemplateRecord& rec) {
  ByteReader r(body);
  uint32_t count = 0;
  if (!Word(r, body, rec.type_code)) return false;
  for (uint32_t& v : rec.reserved)
    if (!Word(r, body, v)) return false;
  if (!Text(r, body, rec.name) || !Text(r, body, rec.second_name)) return false;
  if (!Word(r, body, rec.live_object) || !Signed(r, body, rec.left) ||
      !Signed(r, body, rec.top) || !Signed(r, body, rec.width) ||
      !Signed(r, body, rec.height) || !Word(r, body, rec.cursor_handle) ||
      !Word(r, body, rec.parent) || !Word(r, body, count))
    return false;
  if (count > r.Remaining() / 4) return Fail(SegmentFault::BadCount, OffsetOf(body, r) - 4);
  rec.children.resize(count);
  for (UnitId& child : rec.children) Word(r, body, child);
  if (!r.CountedBlock(rec.mouse_pointer)) return Fail(SegmentFault::Truncated, OffsetOf(body, r));
  if (!Text(r, body, rec.tag)) return false;
  if (!Word(r, body, rec.word_a) || !Word(r, body, rec.flags) || !Word(r, body, rec.word_b) ||
      !Word(r, body, count))
    return false;
  if (count > r.Remaining() / 8) return Fail(SegmentFault::BadCount, OffsetOf(body, r) - 4);
  rec.events.resize(count);
  for (EventHandler& e : rec.events) {
    Signed(r, body, e.event);
    Word(r, body, e.stored_offset);
  }
  for (uint32_t& v : rec.reserved_after)
    if (!Word(r, body, v)) return false;
  std::span<const uint8_t> data;
  r.Take(r.Remaining(), data);
  rec.unit_data.assign(data.begin(), data.end());
  return true;
}

bool SegmentParser::ReadMenuRecord(std::span<const uint8_t> body, TemplateRecord& rec) {
  ByteReader r(body);
  if (!Word(r, body, rec.type_code)) return false;
  for (uint32_t& v : rec.reserved)
    if (!Word(r, body, v)) return false;
  if (!Text(r, body, rec.name) || !Text(r, body, rec.second_name)) return false;
  if (!Word(r, body, rec.menu_words[0]) || !Word(r, body, rec.menu_words[1]) ||
      !Word(r, body, rec.flags) || !Text(r, body, rec.caption) ||
      !Word(r, body, rec.menu_handler.stored_offset))
    return false;
  rec.menu_handler.event = 0;
  if (!r.AtEnd()) return Fail(SegmentFault::BadRecordLength, OffsetOf(body, r));
  return true;
}

// Checks the loader relies on: the window unit first and only first, unique
// ids, and parents and children that name units of this window without a
// cycle (the loader walks parent chains when it decides visibility).
bool SegmentParser::CheckWindow(const WindowTemplate& w, std::span<const uint8_t> block) {
  const size_t at = BaseOf(block);
  if (w.records.empty() || w.records[0].kind != RecordKind::WindowUnit)
    return Fail(SegmentFault::BadUnitId, at);
  std::unordered_map<UnitId, size_t> index;
  index.reserve(w.records.size());
  for (size_t i = 0; i < w.records.size(); ++i) {
    const TemplateRecord& rec = w.records[i];
    unit_ = rec.id;
    if ((i > 0 && rec.kind == RecordKind::WindowUnit) || !index.emplace(rec.id, i).second)
      return Fail(SegmentFault::BadUnitId, at + 4 * i);
  }
  auto is_unit = [&](UnitId id) {
    auto it = index.find(id);
    return it != index.end() && w.records[it->second].kind == RecordKind::Unit;
  };
  for (const TemplateRecord& rec : w.records) {
    if (rec.kind == RecordKind::MenuItem) continue;
    unit_ = rec.id;
    // The window unit is the parent of everything and has none itself.
    const bool window_unit = rec.kind == RecordKind::WindowUnit;
    if (rec.parent != 0 && (window_unit || rec.parent == rec.id || !is_unit(rec.parent)))
      return Fail(SegmentFault::BadParent, at);
    for (UnitId child : rec.children)
      if (child == rec.id || !is_unit(child)) return Fail(SegmentFault::BadParent, at);
    UnitId p = rec.parent;
    for (size_t steps = 0; p != 0; ++steps) {
      if (steps >= w.records.size()) return Fail(SegmentFault::BadParent, at);
      p = w.records[index[p]].parent;
    }
  }
  unit_ = 0;
  return true;
}

bool Relocate(EventHandler& h, std::span<const CompiledRoutine> routines) {
  if (h.stored_offset == kNoHandlerOffset) {
    h.routine = nullptr;
    return true;
  }
  if (h.stored_offset >= routines.size()) return false;
  h.routine = routines[h.stored_offset];
  return true;
}

}  // namespace

const char* SegmentFaultName(SegmentFault fault) {
  switch (fault) {
    case SegmentFault::TooLarge: return "segment too large";
    case SegmentFault::Truncated: return "field runs past the end";
    case SegmentFault::BadWindowMap: return "bad window map";
    case SegmentFault::BadWindowId: return "bad or repeated window id";
    case SegmentFault::TooManyRecords: return "too many records";
    case SegmentFault::BadRecordsBlock: return "records block shorter than its tables";
    case SegmentFault::BadRecordOffset: return "record offset outside the block";
    case SegmentFault::BadRecordLength: return "bad record length";
    case SegmentFault::BadUnitId: return "bad or repeated unit id";
    case SegmentFault::UnterminatedText: return "text without terminator";
    case SegmentFault::BadCount: return "count larger than the record";
    case SegmentFault::BadParent: return "parent or child not in the window";
    case SegmentFault::TrailingBytes: return "bytes after the last window";
    case SegmentFault::BadHandler: return "handler outside the routine table";
  }
  return "unknown fault";
}

std::string SegmentError::Describe() const {
  char buf[160];
  std::snprintf(buf, sizeof buf, "%s at byte %zu (window 0x%08X, unit 0x%08X)",
                SegmentFaultName(fault), offset, window, unit);
  return buf;
}

SegmentReadResult ParseTemplateSegment(std::span<const uint8_t> segment,
                                       const SegmentLimits& limits) {
  SegmentReadResult result;
  SegmentParser parser(segment, limits);
  if (!parser.Run(result.windows)) {
    result.windows.clear();
    result.error = parser.error();
  }
  return result;
}

SegmentReadResult ReadTemplateSegment(std::span<const uint8_t> segment,
                                      std::span<const CompiledRoutine> routines,
                                      const SegmentLimits& limits) {
  SegmentReadResult result = ParseTemplateSegment(segment, limits);
  for (WindowTemplate& w : result.windows) {
    for (TemplateRecord& rec : w.records) {
      bool ok = true;
      if (rec.IsMenuItem()) {
        ok = Relocate(rec.menu_handler, routines);
      } else {
        for (EventHandler& h : rec.events) ok = ok && Relocate(h, routines);
      }
      if (!ok) {
        result.error = SegmentError{SegmentFault::BadHandler, 0, w.id, rec.id};
        result.windows.clear();
        return result;
      }
    }
  }
  return result;
}

}  // namespace runtime::templates
