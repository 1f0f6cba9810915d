// The segment reader on built and malformed segments: every malformed input
// ends in an error with a reason, never a crash or an over-read.
#include <gtest/gtest.h>

#include <functional>
#include <span>
#include <vector>

#include "compiled_program.h"
#include "runtime/template/segment_reader.h"
#include "runtime/template/segment_writer.h"
#include "tests/runtime/template/test_bytes.h"

namespace rt = runtime::templates;
using template_test::Bytes;

namespace {

void R0() {}
void R1() {}
void (*const kRoutines[])() = {R0, R1};

rt::TemplateRecord Unit(rt::UnitId id, rt::UnitId parent = 0) {
  rt::TemplateRecord r;
  r.id = id;
  r.kind = (id >> 28) == 0 ? rt::RecordKind::WindowUnit : rt::RecordKind::Unit;
  r.type_code = r.kind == rt::RecordKind::WindowUnit ? 0x10001 : 0x10009;
  r.parent = parent;
  r.mouse_pointer.assign(4, 0);
  return r;
}

// A small window using every record form: window unit, a group box holding
// a label, and a menu item.
rt::WindowTemplate SampleWindow() {
  rt::WindowTemplate w;
  w.id = 0x52000001;
  w.word2 = 0x19000001;
  w.text1 = "t1";
  rt::TemplateRecord win = Unit(0x06000001);
  win.events = {{0, 0}, {2, rt::kNoHandlerOffset}};
  win.unit_data = {3, 0, 0, 0};
  rt::TemplateRecord group = Unit(0x16000002);
  group.name = "group";
  group.children = {0x16000003};
  group.flags = rt::kUnitVisible;
  rt::TemplateRecord label = Unit(0x16000003, 0x16000002);
  label.type_code = 0x1000A;
  label.name = "label";
  label.tag = "tag";
  label.left = -5;
  label.events = {{-1, 1}};
  label.unit_data = {1, 2, 3, 4, 5};
  rt::TemplateRecord menu;
  menu.id = 0x26000004;
  menu.kind = rt::RecordKind::MenuItem;
  menu.name = "menu";
  menu.caption = "Open";
  menu.flags = rt::kMenuChecked;
  menu.menu_handler.stored_offset = 1;
  w.records = {win, menu, group, label};
  return w;
}

std::vector<uint8_t> SampleSegment() {
  rt::WindowTemplate second = SampleWindow();
  second.id = 0x52000002;
  std::vector<rt::WindowTemplate> ws = {SampleWindow(), second};
  return rt::EncodeTemplateSegment(ws);
}

rt::SegmentFault FaultOf(std::span<const uint8_t> seg, const rt::SegmentLimits& limits = {}) {
  const rt::SegmentReadResult r = rt::ReadTemplateSegment(seg, kRoutines, limits);
  EXPECT_FALSE(r.ok());
  EXPECT_TRUE(r.windows.empty());
  return r.ok() ? rt::SegmentFault::TooLarge : r.error->fault;
}

void PutU32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.at(at + i) = static_cast<uint8_t>(v >> (8 * i));
}

// Byte offsets inside SampleSegment's first window.
constexpr size_t kMapEnd = 4 + 16;                       // map length + 2 ids + 2 words
constexpr size_t kRecordCountAt = kMapEnd + 8 + 4 + 2 + 4;  // words, "t1", ""
constexpr size_t kBlockAt = kRecordCountAt + 4;          // records block length
constexpr size_t kIdsAt = kBlockAt + 4;
constexpr size_t kOffsetsAt = kIdsAt + 16;
constexpr size_t kRecordsAt = kOffsetsAt + 16;

// A segment holding one window with the given record bodies, laid out in
// order.
std::vector<uint8_t> SegmentOf(
    const std::vector<std::pair<rt::UnitId, std::vector<uint8_t>>>& records) {
  Bytes block;
  for (const auto& rec : records) block.U32(rec.first);
  uint32_t off = 0;
  for (const auto& rec : records) {
    block.U32(off);
    off += 4 + static_cast<uint32_t>(rec.second.size());
  }
  for (const auto& rec : records) block.Block(rec.second);
  return Bytes()
      .U32(8).U32(0x52000001).U32(0)
      .U32(0).U32(0).U32(0).U32(0)
      .U32(static_cast<uint32_t>(records.size())).Block(block.b)
      .b;
}

std::vector<uint8_t> OneRecord(rt::UnitId id, const std::vector<uint8_t>& body) {
  return SegmentOf({{id, body}});
}

}  // namespace

TEST(SegmentReader, ReadsEveryRecordForm) {
  const std::vector<uint8_t> seg = SampleSegment();
  const rt::SegmentReadResult r = rt::ReadTemplateSegment(seg, kRoutines);
  ASSERT_TRUE(r.ok()) << r.error->Describe();
  ASSERT_EQ(r.windows.size(), 2u);
  const rt::WindowTemplate& w = r.windows[0];
  EXPECT_EQ(w.word2, 0x19000001u);
  EXPECT_EQ(w.text1, "t1");
  ASSERT_EQ(w.records.size(), 4u);
  EXPECT_EQ(w.records[1].kind, rt::RecordKind::MenuItem);
  EXPECT_EQ(w.records[1].caption, "Open");
  EXPECT_EQ(w.records[1].flags, rt::kMenuChecked);
  EXPECT_EQ(w.records[1].menu_handler.routine, &R1);
  const rt::TemplateRecord& label = *w.Find(0x16000003);
  EXPECT_EQ(label.left, -5);
  EXPECT_EQ(label.tag, "tag");
  EXPECT_EQ(label.unit_data, (std::vector<uint8_t>{1, 2, 3, 4, 5}));
  EXPECT_EQ(label.events[0].routine, &R1);
  // Offset 0 relocates to the first routine, -1 to no handler.
  EXPECT_EQ(w.records[0].events[0].routine, &R0);
  EXPECT_EQ(w.records[0].events[1].routine, nullptr);
  EXPECT_EQ(w.Find(0x16000099), nullptr);
  // Read back and written again, the bytes are unchanged.
  EXPECT_EQ(rt::EncodeTemplateSegment(r.windows), seg);
}

TEST(SegmentReader, EmptyMapIsAValidSegment) {
  const auto seg = Bytes().U32(0).b;
  const rt::SegmentReadResult r = rt::ReadTemplateSegment(seg, kRoutines);
  ASSERT_TRUE(r.ok());
  EXPECT_TRUE(r.windows.empty());
  EXPECT_EQ(FaultOf({}), rt::SegmentFault::Truncated);
}

TEST(SegmentReader, EveryTruncationFails) {
  const std::vector<uint8_t> seg = SampleSegment();
  for (size_t n = 0; n < seg.size(); ++n) {
    const std::vector<uint8_t> cut(seg.begin(), seg.begin() + n);
    const rt::SegmentReadResult r = rt::ReadTemplateSegment(cut, kRoutines);
    EXPECT_FALSE(r.ok()) << "accepted a segment cut to " << n << " bytes";
    EXPECT_TRUE(r.windows.empty());
  }
  std::vector<uint8_t> longer = seg;
  longer.push_back(0);
  EXPECT_EQ(FaultOf(longer), rt::SegmentFault::TrailingBytes);
}

TEST(SegmentReader, WindowMapAndCounts) {
  std::vector<uint8_t> seg = SampleSegment();
  PutU32(seg, 0, 12);  // not a multiple of 8
  EXPECT_EQ(FaultOf(seg), rt::SegmentFault::BadWindowMap);
  seg = SampleSegment();
  PutU32(seg, 0, 0xFFFFFFF8);  // huge count, longer than the segment
  EXPECT_EQ(FaultOf(seg), rt::SegmentFault::Truncated);
  seg = SampleSegment();
  PutU32(seg, 4 + 4, 0x52000001);  // the same window twice
  EXPECT_EQ(FaultOf(seg), rt::SegmentFault::BadWindowId);
  seg = SampleSegment();
  PutU32(seg, 4, 0x52000000);  // low 24 bits zero
  EXPECT_EQ(FaultOf(seg), rt::SegmentFault::BadWindowId);

  seg = SampleSegment();
  PutU32(seg, kRecordCountAt, 0xFFFFFFFF);
  EXPECT_EQ(FaultOf(seg), rt::SegmentFault::TooManyRecords);
  PutU32(seg, kRecordCountAt, 60000);  // within the limit, beyond the block
  EXPECT_EQ(FaultOf(seg), rt::SegmentFault::BadRecordsBlock);
  PutU32(seg, kRecordCountAt, 0);  // no window unit
  EXPECT_EQ(FaultOf(seg), rt::SegmentFault::BadUnitId);

  seg = SampleSegment();
  PutU32(seg, kBlockAt, 0xFFFFFFFF);
  EXPECT_EQ(FaultOf(seg), rt::SegmentFault::Truncated);

  rt::SegmentLimits small;
  small.max_windows = 1;
  EXPECT_EQ(FaultOf(SampleSegment(), small), rt::SegmentFault::BadWindowMap);
  small = {};
  small.max_records_per_window = 3;
  EXPECT_EQ(FaultOf(SampleSegment(), small), rt::SegmentFault::TooManyRecords);
  small = {};
  small.max_segment_bytes = 100;
  EXPECT_EQ(FaultOf(SampleSegment(), small), rt::SegmentFault::TooLarge);
}

TEST(SegmentReader, RecordOffsetsAndLengths) {
  std::vector<uint8_t> seg = SampleSegment();
  PutU32(seg, kOffsetsAt + 4, 0xFFFFFFFF);  // outside the block
  EXPECT_EQ(FaultOf(seg), rt::SegmentFault::BadRecordOffset);

  // Records sharing bytes, each readable on its own: together they claim
  // more than the block holds, which would let a small segment expand into
  // many copies of one large record.
  rt::TemplateRecord big = Unit(0x06000001);
  big.unit_data.assign(100, 7);
  std::vector<uint8_t> shared = SegmentOf({{0x06000001, rt::EncodeRecordBody(big)},
                                           {0x16000002, rt::EncodeRecordBody(Unit(0x16000002))}});
  ASSERT_TRUE(rt::ParseTemplateSegment(shared).ok());
  // Map 12 bytes, window words and texts 16, count 4, block length 4, two
  // ids 8, record 0's offset 4: record 1's offset is at byte 48.
  PutU32(shared, 48, 0);
  EXPECT_EQ(FaultOf(shared), rt::SegmentFault::BadRecordLength);

  for (uint32_t length : {0u, 0xFFFFFFFFu, 0x10000u}) {
    seg = SampleSegment();
    PutU32(seg, kRecordsAt, length);
    EXPECT_EQ(FaultOf(seg), rt::SegmentFault::BadRecordLength) << length;
  }
}

TEST(SegmentReader, UnitIdsAndParents) {
  auto mutate = [](const std::function<void(rt::WindowTemplate&)>& change) {
    std::vector<rt::WindowTemplate> ws = {SampleWindow()};
    change(ws[0]);
    return rt::EncodeTemplateSegment(ws);
  };
  using W = rt::WindowTemplate;
  EXPECT_EQ(FaultOf(mutate([](W& w) { std::swap(w.records[0], w.records[2]); })),
            rt::SegmentFault::BadUnitId);  // window unit not first
  EXPECT_EQ(FaultOf(mutate([](W& w) { w.records[2].id = 0x06000009; })),
            rt::SegmentFault::BadUnitId);  // a second window unit
  EXPECT_EQ(FaultOf(mutate([](W& w) { w.records[3].id = 0x16000002; })),
            rt::SegmentFault::BadUnitId);  // repeated
  EXPECT_EQ(FaultOf(mutate([](W& w) { w.records[3].id = 0x30000003; })),
            rt::SegmentFault::BadUnitId);  // no such record kind
  EXPECT_EQ(FaultOf(mutate([](W& w) { w.records[3].id = 0x10000003; })),
            rt::SegmentFault::BadUnitId);  // invalid id
  EXPECT_EQ(FaultOf(mutate([](W& w) { w.records[3].parent = 0x16000077; })),
            rt::SegmentFault::BadParent);
  EXPECT_EQ(FaultOf(mutate([](W& w) { w.records[3].parent = 0x26000004; })),
            rt::SegmentFault::BadParent);  // a menu item contains nothing
  EXPECT_EQ(FaultOf(mutate([](W& w) { w.records[2].children.push_back(0x16000077); })),
            rt::SegmentFault::BadParent);
  EXPECT_EQ(FaultOf(mutate([](W& w) { w.records[2].parent = 0x16000003; })),
            rt::SegmentFault::BadParent);  // a cycle
  EXPECT_EQ(FaultOf(mutate([](W& w) { w.records[0].parent = 0x16000002; })),
            rt::SegmentFault::BadParent);  // the window unit inside a unit
  EXPECT_EQ(FaultOf(mutate([](W& w) { w.records[0].children = {0x26000004}; })),
            rt::SegmentFault::BadParent);
}

TEST(SegmentReader, FieldsInsideARecord) {
  const std::vector<uint8_t> head = Bytes().U32(0x10001).U32(0).U32(0).U32(0).U32(0).U32(0).b;
  auto with = [&](const Bytes& tail) {
    std::vector<uint8_t> body = head;
    body.insert(body.end(), tail.b.begin(), tail.b.end());
    return OneRecord(0x06000001, body);
  };
  // A name with no terminator inside the record, even when the bytes after
  // the record hold a zero.
  EXPECT_EQ(FaultOf(with(Bytes().Raw("name"))), rt::SegmentFault::UnterminatedText);
  std::vector<uint8_t> unterminated = head;
  unterminated.insert(unterminated.end(), {'n', 'a', 'm', 'e'});
  EXPECT_EQ(FaultOf(SegmentOf({{0x06000001, unterminated}, {0x16000002, Bytes().U32(0).b}})),
            rt::SegmentFault::UnterminatedText);
  const auto geometry = Bytes().Z("").Z("").U32(0).U32(1).U32(2).U32(3).U32(4).U32(0).U32(0);
  auto after_geometry = [&](const Bytes& tail) {
    Bytes b = geometry;
    b.b.insert(b.b.end(), tail.b.begin(), tail.b.end());
    return with(b);
  };
  EXPECT_EQ(FaultOf(after_geometry(Bytes().U32(0xFFFFFFFF))), rt::SegmentFault::BadCount);
  EXPECT_EQ(FaultOf(after_geometry(Bytes().U32(0).U32(0xFFFFFFFF))),
            rt::SegmentFault::Truncated);  // mouse-pointer block
  EXPECT_EQ(FaultOf(after_geometry(Bytes().U32(0).U32(0).Raw("tag"))),
            rt::SegmentFault::UnterminatedText);
  const auto to_events = Bytes().U32(0).U32(0).Z("").U32(0).U32(1).U32(0);
  auto events = [&](const Bytes& tail) {
    Bytes b = to_events;
    b.b.insert(b.b.end(), tail.b.begin(), tail.b.end());
    return after_geometry(b);
  };
  EXPECT_EQ(FaultOf(events(Bytes().U32(0x20000000))), rt::SegmentFault::BadCount);
  EXPECT_EQ(FaultOf(events(Bytes().U32(0).U32(0).U32(0))), rt::SegmentFault::Truncated);
  // Complete, with unit data after the reserved words: accepted.
  const auto good = events(Bytes().U32(1).U32(0).U32(1).U32(0).U32(0).U32(0).U32(0).U32(0).U32(9));
  const rt::SegmentReadResult r = rt::ReadTemplateSegment(good, kRoutines);
  ASSERT_TRUE(r.ok()) << r.error->Describe();
  EXPECT_EQ(r.windows[0].records[0].events[0].routine, &R1);
  EXPECT_EQ(r.windows[0].records[0].unit_data, Bytes().U32(9).b);
  EXPECT_EQ(r.windows[0].records[0].width, 3);

  // A menu item must end right after its handler word.
  auto menu = [](const Bytes& tail) {
    Bytes b;
    b.U32(0).U32(0).U32(0).U32(0).U32(0).U32(0).Z("m").Z("").U32(0).U32(0).U32(0).Z("c");
    b.b.insert(b.b.end(), tail.b.begin(), tail.b.end());
    return b.b;
  };
  auto with_menu = [](const std::vector<uint8_t>& menu_body) {
    return SegmentOf({{0x06000001, rt::EncodeRecordBody(Unit(0x06000001))},
                      {0x26000002, menu_body}});
  };
  EXPECT_TRUE(rt::ReadTemplateSegment(with_menu(menu(Bytes().U32(0))), kRoutines).ok());
  EXPECT_EQ(FaultOf(with_menu(menu(Bytes().U32(0).U32(0)))), rt::SegmentFault::BadRecordLength);
  EXPECT_EQ(FaultOf(with_menu(menu(Bytes().U16(0)))), rt::SegmentFault::Truncated);
  EXPECT_EQ(FaultOf(with_menu(menu(Bytes().U32(7)))), rt::SegmentFault::BadHandler);
}

TEST(SegmentReader, HandlerOutsideTheRoutineTable) {
  std::vector<rt::WindowTemplate> ws = {SampleWindow()};
  ws[0].records[3].events[0].stored_offset = 2;  // one past the table
  const rt::SegmentReadResult r = rt::ReadTemplateSegment(rt::EncodeTemplateSegment(ws), kRoutines);
  ASSERT_FALSE(r.ok());
  EXPECT_EQ(r.error->fault, rt::SegmentFault::BadHandler);
  EXPECT_EQ(r.error->unit, 0x16000003u);
  EXPECT_NE(r.error->Describe().find("routine table"), std::string::npos);
  // Parsing alone keeps the stored offset and leaves routines null.
  const rt::SegmentReadResult p = rt::ParseTemplateSegment(rt::EncodeTemplateSegment(ws));
  ASSERT_TRUE(p.ok());
  EXPECT_EQ(p.windows[0].records[3].events[0].stored_offset, 2u);
  EXPECT_EQ(p.windows[0].records[3].events[0].routine, nullptr);
}

// Every single-byte change of the real segment is either read or refused;
// under the sanitizer build this also proves no over-read.
TEST(SegmentReader, EveryByteOfTheRealSegmentFlipped) {
  std::vector<uint8_t> seg(compiled_program::kTemplateSegment,
                           compiled_program::kTemplateSegment + compiled_program::kTemplateSegmentSize);
  size_t refused = 0;
  for (size_t i = 0; i < seg.size(); ++i) {
    for (uint8_t flip : {uint8_t{0xFF}, uint8_t{0x80}}) {
      seg[i] ^= flip;
      const rt::SegmentReadResult r = rt::ParseTemplateSegment(seg);
      if (!r.ok()) {
        ++refused;
        EXPECT_TRUE(r.windows.empty());
        EXPECT_LE(r.error->offset, seg.size());
      }
      seg[i] ^= flip;
    }
  }
  EXPECT_GT(refused, 0u);

  // And every stream that ends inside it is refused.
  for (size_t n = 0; n < seg.size(); ++n)
    EXPECT_FALSE(rt::ParseTemplateSegment(std::span(seg.data(), n)).ok()) << n;
}
