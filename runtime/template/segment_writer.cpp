#include "runtime/template/segment_writer.h"

#include <limits>
#include <stdexcept>

#include "runtime/template/byte_stream.h"

namespace runtime::templates {

namespace {

uint32_t Count(size_t n) {
  if (n > std::numeric_limits<uint32_t>::max()) throw std::length_error("count above 32 bits");
  return static_cast<uint32_t>(n);
}

}  // namespace

std::vector<uint8_t> EncodeRecordBody(const TemplateRecord& rec) {
  ByteWriter w;
  w.U32(rec.type_code);
  for (uint32_t v : rec.reserved) w.U32(v);
  w.ZeroText(rec.name);
  w.ZeroText(rec.second_name);
  if (rec.IsMenuItem()) {
    w.U32(rec.menu_words[0]);
    w.U32(rec.menu_words[1]);
    w.U32(rec.flags);
    w.ZeroText(rec.caption);
    w.U32(rec.menu_handler.stored_offset);
    return w.Take();
  }
  w.U32(rec.live_object);
  w.I32(rec.left);
  w.I32(rec.top);
  w.I32(rec.width);
  w.I32(rec.height);
  w.U32(rec.cursor_handle);
  w.U32(rec.parent);
  w.U32(Count(rec.children.size()));
  for (UnitId child : rec.children) w.U32(child);
  w.CountedBlock(rec.mouse_pointer);
  w.ZeroText(rec.tag);
  w.U32(rec.word_a);
  w.U32(rec.flags);
  w.U32(rec.word_b);
  w.U32(Count(rec.events.size()));
  for (const EventHandler& e : rec.events) {
    w.I32(e.event);
    w.U32(e.stored_offset);
  }
  for (uint32_t v : rec.reserved_after) w.U32(v);
  w.Raw(rec.unit_data);
  return w.Take();
}

std::vector<uint8_t> EncodeTemplateSegment(std::span<const WindowTemplate> windows) {
  ByteWriter w;
  w.U32(Count(windows.size() * 8));
  for (const WindowTemplate& win : windows) w.U32(win.id);
  for (size_t i = 0; i < windows.size(); ++i) w.U32(0);

  for (const WindowTemplate& win : windows) {
    w.U32(win.word1);
    w.U32(win.word2);
    w.CountedText(win.text1);
    w.CountedText(win.text2);
    const uint32_t m = Count(win.records.size());
    w.U32(m);

    ByteWriter block;
    for (const TemplateRecord& rec : win.records) block.U32(rec.id);
    const size_t offsets_at = block.Size();
    for (uint32_t i = 0; i < m; ++i) block.U32(0);
    const size_t records_at = block.Size();
    for (uint32_t i = 0; i < m; ++i) {
      block.PatchU32(offsets_at + 4 * i, Count(block.Size() - records_at));
      const std::vector<uint8_t> body = EncodeRecordBody(win.records[i]);
      block.CountedBlock(body);
    }
    w.CountedBlock(block.Bytes());
  }
  return w.Take();
}

}  // namespace runtime::templates
