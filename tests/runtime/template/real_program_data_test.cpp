// The program's own compiled data: the two windows as the runtime reads
// them, handler relocation on them, and the declarations beside them.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "compiled_program.h"
#include "runtime/template/segment_reader.h"
#include "runtime/template/segment_writer.h"
#include "runtime/template/stored_unit_data.h"
#include "tests/runtime/template/test_bytes.h"

namespace rt = runtime::templates;
using template_test::Bytes;

namespace {

std::span<const uint8_t> Segment() {
  return {compiled_program::kTemplateSegment, compiled_program::kTemplateSegmentSize};
}

const rt::WindowTemplate& Window(const std::vector<rt::WindowTemplate>& ws, rt::WindowId id) {
  for (const auto& w : ws)
    if (w.id == id) return w;
  ADD_FAILURE() << "no window " << std::hex << id;
  return ws.front();
}

struct Expected {
  const char* name;
  uint32_t type;
  rt::UnitId id;
  int32_t left, top, width, height;
  rt::UnitId parent;
  uint32_t flags;
};

constexpr uint32_t V = rt::kUnitVisible, D = rt::kUnitDisabled, T = rt::kUnitTabStop;
constexpr rt::UnitId kOptions = 0x16010009, kGallery = 0x16010003;

// The start window's units in their stored order, after the window unit.
const Expected kStartUnits[] = {
    {"标签5", 0x1000A, 0x16012264, 864, 8, 88, 16, kOptions, V},
    {"标签4", 0x1000A, 0x16012263, 558, 52, 208, 16, kOptions, V},
    {"组合框1", 0x1000E, 0x16012242, 472, 48, 64, 20, kOptions, V | T},
    {"编辑框_字体颜色", 0x10005, 0x16012211, 1032, 40, 88, 24, 0, V | T},
    {"编辑框_背景颜色", 0x10005, 0x16012210, 1032, 8, 88, 24, 0, V | T},
    {"颜色选择器_背景颜色", 0x1001C, 0x1601220E, 342, 43, 64, 24, kOptions, V | T},
    {"标签3", 0x1000A, 0x1601220F, 280, 45, 56, 16, kOptions, V},
    {"颜色选择器_字体颜色", 0x1001C, 0x1601220D, 342, 17, 64, 24, kOptions, V | T},
    {"标签2", 0x1000A, 0x1601220B, 280, 19, 56, 16, kOptions, V},
    {"标签1", 0x1000A, 0x16012209, 408, 48, 56, 16, kOptions, V},
    {"编辑框_生成内容", 0x10005, 0x160121FE, 4, 10, 268, 54, kOptions, V | T},
    {"进度条1", 0x10013, 0x16010039, -1, 69, 956, 16, kOptions, V},
    {"按钮_加载", 0x1000B, 0x16010035, 844, 35, 104, 32, kOptions, V | D | T},
    {"图片框1", 0x10006, 0x16010014, 64, 32, 186, 50, kGallery, 0},
    {"分组框_选项", 0x10009, kOptions, 8, 0, 960, 88, 0, V},
    {"纵向滚动条1", 0x10012, 0x16010005, 937, 91, 32, 144, 0, V},
    {"分组框_字体", 0x10009, kGallery, 8, 87, 930, 3500, 0, V},
};

const Expected kResultUnits[] = {
    {"通用对话框1", 0x1001F, 0x16012254, 8, 72, 32, 32, 0, 0},
    {"按钮_保存图片", 0x1000B, 0x16012251, -1, 0, 48, 24, 0, V | T},
    {"图片框_生成结果", 0x10006, 0x16012245, 88, 72, 112, 56, 0, V},
};

void ExpectUnits(const rt::WindowTemplate& w, std::span<const Expected> units) {
  ASSERT_EQ(w.records.size(), units.size() + 1);
  for (size_t i = 0; i < units.size(); ++i) {
    const rt::TemplateRecord& r = w.records[i + 1];
    const Expected& e = units[i];
    SCOPED_TRACE(i + 1);
    EXPECT_EQ(r.kind, rt::RecordKind::Unit);
    EXPECT_EQ(r.name, e.name);
    EXPECT_EQ(r.type_code, e.type);
    EXPECT_EQ(r.id, e.id);
    EXPECT_EQ(r.left, e.left);
    EXPECT_EQ(r.top, e.top);
    EXPECT_EQ(r.width, e.width);
    EXPECT_EQ(r.height, e.height);
    EXPECT_EQ(r.parent, e.parent);
    EXPECT_EQ(r.flags, e.flags);
    // Stored data carries no live words and the default mouse pointer.
    EXPECT_EQ(r.live_object, 0u);
    EXPECT_EQ(r.cursor_handle, 0u);
    EXPECT_EQ(r.mouse_pointer, std::vector<uint8_t>(4, 0));
    EXPECT_EQ(r.reserved, (std::array<uint32_t, 5>{}));
  }
}

std::vector<std::pair<int32_t, uint32_t>> Events(const rt::TemplateRecord& r) {
  std::vector<std::pair<int32_t, uint32_t>> out;
  for (const auto& e : r.events) out.emplace_back(e.event, e.stored_offset);
  return out;
}

using EventList = std::vector<std::pair<int32_t, uint32_t>>;

}  // namespace

TEST(RealProgramData, StartWindowHasEighteenRecordsInStoredOrder) {
  const rt::SegmentReadResult read = rt::ParseTemplateSegment(Segment());
  ASSERT_TRUE(read.ok()) << read.error->Describe();
  ASSERT_EQ(read.windows.size(), 2u);
  EXPECT_EQ(read.windows[0].id, 0x52010001u);  // the start window comes first
  EXPECT_EQ(read.windows[1].id, 0x52012244u);

  const rt::WindowTemplate& w = read.windows[0];
  ASSERT_EQ(w.records.size(), 18u);
  const rt::TemplateRecord& unit = w.records[0];
  EXPECT_EQ(unit.kind, rt::RecordKind::WindowUnit);
  EXPECT_EQ(unit.id, 0x06010000u);
  EXPECT_EQ(unit.type_code, 0x10001u);
  EXPECT_EQ(unit.name, "");
  EXPECT_EQ((std::array{unit.left, unit.top, unit.width, unit.height}),
            (std::array{50, 50, 995, 707}));
  EXPECT_EQ(unit.flags, V);
  EXPECT_EQ(Events(unit), (EventList{{0, 0}, {2, 1}}));
  ExpectUnits(w, kStartUnits);

  // Group boxes list their members in stored order.
  EXPECT_EQ(w.Find(kOptions)->children,
            (std::vector<rt::UnitId>{0x16012264, 0x16012263, 0x16012242, 0x1601220E, 0x1601220F,
                                     0x1601220D, 0x1601220B, 0x16012209, 0x160121FE, 0x16010039,
                                     0x16010035}));
  EXPECT_EQ(w.Find(kGallery)->children, (std::vector<rt::UnitId>{0x16010014}));
  EXPECT_TRUE(w.Find(0x16012242)->children.empty());
}

TEST(RealProgramData, StartWindowHandlersByStoredOffset) {
  const rt::SegmentReadResult read = rt::ParseTemplateSegment(Segment());
  ASSERT_TRUE(read.ok());
  const rt::WindowTemplate& w = read.windows[0];
  using namespace compiled_program;
  EXPECT_EQ(Events(*w.Find(0x1601220E)), (EventList{{0, kRoutine_BackgroundColourChanged}}));
  EXPECT_EQ(Events(*w.Find(0x1601220D)), (EventList{{0, kRoutine_FontColourChanged}}));
  EXPECT_EQ(Events(*w.Find(0x16010005)), (EventList{{0, kRoutine_GalleryScrolled}}));
  EXPECT_EQ(Events(*w.Find(0x16010035)), (EventList{{0, kRoutine_LoadDemoPictures}}));
  EXPECT_EQ(Events(*w.Find(0x16010014)),
            (EventList{{-1, kRoutine_StyleSamplePressed}, {-2, kRoutine_StyleSampleReleased}}));
  for (rt::UnitId quiet : {0x16012264u, 0x16012242u, 0x160121FEu, 0x16010009u, 0x16010003u})
    EXPECT_TRUE(w.Find(quiet)->events.empty()) << std::hex << quiet;
}

TEST(RealProgramData, ResultWindow) {
  const rt::SegmentReadResult read = rt::ParseTemplateSegment(Segment());
  ASSERT_TRUE(read.ok());
  const rt::WindowTemplate& w = Window(read.windows, 0x52012244);
  ASSERT_EQ(w.records.size(), 4u);
  EXPECT_EQ(w.records[0].id, 0x06012243u);
  EXPECT_EQ((std::array{w.records[0].left, w.records[0].top, w.records[0].width,
                        w.records[0].height}),
            (std::array{50, 50, 380, 250}));
  using namespace compiled_program;
  EXPECT_EQ(Events(w.records[0]),
            (EventList{{0, kRoutine_ResultWindowCreated}, {2, kRoutine_ResultWindowDestroyed}}));
  ExpectUnits(w, kResultUnits);
  EXPECT_EQ(Events(*w.Find(0x16012251)), (EventList{{0, kRoutine_SavePicture}}));

  rt::CommonDialogData dlg;
  ASSERT_TRUE(rt::ReadStoredUnitData(w.Find(0x16012254)->unit_data, dlg));
  EXPECT_EQ(dlg.type, 1);
  EXPECT_EQ(dlg.file_name, ".png");
  EXPECT_EQ(dlg.default_extension, "*.png");
  EXPECT_TRUE(dlg.must_exist && dlg.overwrite_prompt && dlg.path_must_exist);
  rt::PictureBoxData pic;
  ASSERT_TRUE(rt::ReadStoredUnitData(w.Find(0x16012245)->unit_data, pic));
  EXPECT_EQ(pic.border, 5);
  EXPECT_EQ(pic.background_colour, 0xFF000000u);
}

TEST(RealProgramData, StoredSettingsOfTheStartWindow) {
  const rt::SegmentReadResult read = rt::ParseTemplateSegment(Segment());
  ASSERT_TRUE(read.ok());
  const rt::WindowTemplate& w = read.windows[0];

  rt::WindowData win;
  ASSERT_TRUE(rt::ReadStoredUnitData(w.records[0].unit_data, win));
  EXPECT_EQ(win.title, "Morvane艺术字生成器");
  EXPECT_EQ(win.border, 2);
  EXPECT_EQ(win.position, 1);
  EXPECT_TRUE(win.esc_closes);

  // The size list, byte for byte as documented: version 3, type 2, 0, 0, 0,
  // 0, extra height 1, text colour 0, white, selection 1, no font, 12 bytes
  // of item data, empty content, three items, then the version 2 and 3 fields.
  const auto expected = Bytes()
                            .U32(3).U32(2).U32(0).U32(0).U32(0).U32(0).U32(1).U32(0)
                            .U32(0xFFFFFF).U32(1).U32(0)
                            .U32(12).U32(0x20).U32(0x40).U32(0x80)
                            .U32(0)
                            .U16(3).Text("小型字").Text("中型字").Text("大型字")
                            .U32(0).U32(0).U32(0)
                            .b;
  EXPECT_EQ(w.Find(0x16012242)->unit_data, expected);

  rt::LabelData label;
  ASSERT_TRUE(rt::ReadStoredUnitData(w.Find(0x16012263)->unit_data, label));
  EXPECT_EQ(label.caption, "注:点击下面字体生成艺术字");
  EXPECT_EQ(label.text_colour, 0x000000FFu);
  ASSERT_TRUE(rt::ReadStoredUnitData(w.Find(0x1601220B)->unit_data, label));
  EXPECT_EQ(label.caption, "字体颜色:");
  EXPECT_EQ(label.text_colour, 0u);

  rt::EditBoxData edit;
  ASSERT_TRUE(rt::ReadStoredUnitData(w.Find(0x160121FE)->unit_data, edit));
  EXPECT_TRUE(edit.multi_line);
  EXPECT_FALSE(edit.content.empty());
  ASSERT_TRUE(rt::ReadStoredUnitData(w.Find(0x16012211)->unit_data, edit));
  EXPECT_FALSE(edit.multi_line);
  EXPECT_TRUE(edit.content.empty());

  EXPECT_EQ(w.Find(0x16010005)->unit_data,
            Bytes().U32(1).U32(1).U32(3200).U32(10).U32(1).U32(1).U32(1).b);
  EXPECT_EQ(w.Find(0x16010014)->unit_data,
            Bytes().U32(2).U32(5).U32(0x00FF00FF).U32(0).U32(1).U32(0).U32(0).U32(0).b);
  EXPECT_EQ(w.Find(0x16010039)->unit_data,
            Bytes().U32(1).U32(3).U32(0).U32(0).U32(0).U32(100).U32(0).b);
  EXPECT_EQ(w.Find(0x1601220D)->unit_data, Bytes().U32(1).U32(0).U32(0).b);

  rt::ButtonData button;
  ASSERT_TRUE(rt::ReadStoredUnitData(w.Find(0x16010035)->unit_data, button));
  EXPECT_EQ(button.caption, "网络加载艺术字");
  rt::GroupBoxData group;
  ASSERT_TRUE(rt::ReadStoredUnitData(w.Find(kOptions)->unit_data, group));
  EXPECT_EQ(group.title, "");
}

TEST(RealProgramData, RelocationTurnsOffsetsIntoRoutines) {
  // A stand-in routine table: entry k is the address of routine k.
  static void (*const table[])() = {
#define SIG_TEST_ROUTINE(name) +[] {},
      COMPILED_PROGRAM_ROUTINES(SIG_TEST_ROUTINE)
#undef SIG_TEST_ROUTINE
  };
  static_assert(std::size(table) == compiled_program::kRoutineCount);

  const rt::SegmentReadResult read = rt::ReadTemplateSegment(Segment(), table);
  ASSERT_TRUE(read.ok()) << read.error->Describe();
  const rt::WindowTemplate& w = read.windows[0];
  // Offset 0 is a real handler: the first routine.
  ASSERT_EQ(w.records[0].events[0].stored_offset, 0u);
  EXPECT_EQ(w.records[0].events[0].routine, table[0]);
  EXPECT_NE(w.records[0].events[0].routine, nullptr);
  for (const auto& win : read.windows)
    for (const auto& r : win.records)
      for (const auto& e : r.events) EXPECT_EQ(e.routine, table[e.stored_offset]);

  // A table too short for the handlers is a read failure, not a wild call.
  const rt::SegmentReadResult shorter =
      rt::ReadTemplateSegment(Segment(), std::span(table, compiled_program::kRoutineCount - 1));
  ASSERT_FALSE(shorter.ok());
  EXPECT_EQ(shorter.error->fault, rt::SegmentFault::BadHandler);
  EXPECT_EQ(shorter.error->window, 0x52012244u);
  EXPECT_EQ(shorter.error->unit, 0x16012251u);  // SavePicture is the last routine
  EXPECT_TRUE(shorter.windows.empty());
}

TEST(RealProgramData, EncodingTheReadTemplatesGivesTheSameBytes) {
  const rt::SegmentReadResult read = rt::ParseTemplateSegment(Segment());
  ASSERT_TRUE(read.ok());
  const std::vector<uint8_t> again = rt::EncodeTemplateSegment(read.windows);
  EXPECT_TRUE(std::equal(again.begin(), again.end(), Segment().begin(), Segment().end()));

  // templc's raw segment file is the same data the generated source holds.
  std::ifstream in(SIG_TEMPLATE_SEGMENT_BIN, std::ios::binary);
  const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), {});
  EXPECT_TRUE(std::equal(file.begin(), file.end(), Segment().begin(), Segment().end()));
}

TEST(RealProgramData, DllDeclarationsAndConstants) {
  using namespace compiled_program;
  ASSERT_EQ(kDllCount, 27u);
  EXPECT_STREQ(kDllCommands[0].library, "user32");
  EXPECT_STREQ(kDllCommands[0].exportName, "SendMessageA");
  EXPECT_EQ(kDllCommands[0].parameterCount, 4u);
  EXPECT_STREQ(kDllCommands[1].library, "");
  EXPECT_STREQ(kDllCommands[1].exportName, "MultiByteToWideChar");
  EXPECT_STREQ(kDllCommands[7].exportName, kDllCommands[8].exportName);
  EXPECT_STREQ(kDllCommands[17].library, "GdiPlus.dll");
  EXPECT_STREQ(kDllCommands[26].library, "dbghelp.dll");
  EXPECT_STREQ(kDllCommands[26].exportName, "MakeSureDirectoryPathExists");
  EXPECT_EQ(kLibraryCount, 4u);
  EXPECT_EQ(kProgramKind, 3u);
  EXPECT_EQ(kHeaderWord3, 93249u);

  // Constants are GBK texts with their NUL, on 4-byte boundaries.
  auto text = [](uint32_t off) { return reinterpret_cast<const char*>(kConstantSegment + off); };
  EXPECT_STREQ(text(kConst_EditBoxSection), "编辑框");
  EXPECT_STREQ(text(kConst_SettingsFile), "\\data\\setsoft.ini");
  EXPECT_STREQ(text(kConst_DefaultSaveName), "morvane艺术字.png");
  EXPECT_EQ(kConst_ComboBoxSection % 4, 0u);
  EXPECT_LE(kConst_DefaultSaveName + std::strlen(text(kConst_DefaultSaveName)) + 1,
            kConstantSegmentSize);
}

TEST(RealProgramData, ProgramHeaderFromTheGeneratedParts) {
  using namespace compiled_program;
  static void (*const routines[kRoutineCount])() = {};
  static const runtime::LibraryInfo* const libraries[kLibraryCount] = {};
  constexpr runtime::ProgramHeader header = MakeProgramHeader(routines, libraries);
  EXPECT_EQ(header.kind, 3u);
  EXPECT_EQ(header.templates, kTemplateSegment);
  EXPECT_EQ(header.templatesLength, kTemplateSegmentSize);
  EXPECT_EQ(header.constantsLength, kConstantSegmentSize);
  EXPECT_EQ(header.dllCount, 27u);
  EXPECT_EQ(header.routineCount, kRoutineCount);
  EXPECT_EQ(header.libraryCount, 4u);
}
