// The template compiler on small sources: what it writes, and the clear
// errors it gives for sources that would make a broken program.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "runtime/template/segment_reader.h"
#include "runtime/template/stored_unit_data.h"
#include "tools/templc/dump.h"
#include "tools/templc/emit.h"
#include "tools/templc/program_model.h"

namespace rt = runtime::templates;
namespace fs = std::filesystem;

namespace {

class TemplcTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("templc_test_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path Write(const std::string& name, const std::string& text) {
    std::ofstream(dir_ / name, std::ios::binary) << text;
    return dir_ / name;
  }
  fs::path Program(const std::string& window) {
    Write("w.toml", window);
    return Write("p.toml", "windows = [\"w.toml\"]\nroutines = [\"A\", \"B\"]\n");
  }
  // The error message templc would print for this window source.
  std::string ErrorOf(const std::string& window) {
    try {
      templc::Compile(templc::LoadProgram(Program(window)));
    } catch (const templc::CompileError& e) {
      return e.what();
    }
    return "";
  }

  fs::path dir_;
};

const char kWindow[] = R"(
[window]
id = 0x52000001
unit_id = 0x06000001
rect = [1, 2, 3, 4]
handlers = [[0, "B"], [2, ""]]
[[unit]]
name = "box"
type = "group_box"
id = 0x16000002
rect = [0, 0, 10, 10]
flags = ["visible"]
[[unit]]
name = "edit"
type = "edit_box"
id = 0x16000003
rect = [-1, 0, 5, 5]
parent = "box"
tag = "t"
mouse_pointer = 3
flags = ["visible", "disabled", "tab_stop"]
handlers = [[-1, "A"]]
settings = { content = "x", password_char = "#", max_length = 9 }
)";

}  // namespace

TEST_F(TemplcTest, CompilesAWindow) {
  const templc::ProgramModel m = templc::LoadProgram(Program(kWindow));
  const templc::CompiledData d = templc::Compile(m);
  const rt::SegmentReadResult r = rt::ParseTemplateSegment(d.template_segment);
  ASSERT_TRUE(r.ok()) << r.error->Describe();
  const rt::WindowTemplate& w = r.windows.at(0);
  ASSERT_EQ(w.records.size(), 3u);
  EXPECT_EQ(w.records[0].events.size(), 2u);
  EXPECT_EQ(w.records[0].events[0].stored_offset, 1u);
  EXPECT_EQ(w.records[0].events[1].stored_offset, rt::kNoHandlerOffset);
  const rt::TemplateRecord& edit = w.records[2];
  EXPECT_EQ(edit.parent, 0x16000002u);
  EXPECT_EQ(w.records[1].children, std::vector<rt::UnitId>{0x16000003});
  EXPECT_EQ(edit.flags, 7u);
  EXPECT_EQ(edit.left, -1);
  EXPECT_EQ(edit.tag, "t");
  EXPECT_EQ(edit.mouse_pointer, (std::vector<uint8_t>{3, 0, 0, 0}));
  rt::EditBoxData data;
  ASSERT_TRUE(rt::ReadStoredUnitData(edit.unit_data, data));
  EXPECT_EQ(data.content, "x");
  EXPECT_EQ(data.password_char, '#');
  EXPECT_EQ(data.max_length, 9);
  EXPECT_EQ(data.border, 1);  // untouched: the default

  const std::string header = templc::EmitHeader(m, d);
  EXPECT_NE(header.find("X(A) \\\n  X(B)"), std::string::npos);
  EXPECT_NE(header.find("kTemplateSegmentSize = " + std::to_string(d.template_segment.size())),
            std::string::npos);
}

TEST_F(TemplcTest, TextsBecomeGbk) {
  std::string w = kWindow;
  // The source is UTF-8 (written as escapes: this file's literals are GBK).
  w.replace(w.find("content = \"x\""), 13, "content = \"\xE8\x89\xBA\xE6\x9C\xAF\"");
  const templc::CompiledData d = templc::Compile(templc::LoadProgram(Program(w)));
  const rt::SegmentReadResult r = rt::ParseTemplateSegment(d.template_segment);
  ASSERT_TRUE(r.ok());
  rt::EditBoxData data;
  ASSERT_TRUE(rt::ReadStoredUnitData(r.windows[0].records[2].unit_data, data));
  EXPECT_EQ(data.content, "艺术");  // this file's literals are GBK
  EXPECT_EQ(data.content.size(), 4u);
}

TEST_F(TemplcTest, ErrorsNameTheFileAndLine) {
  auto with = [](const std::string& from, const std::string& to) {
    std::string w = kWindow;
    w.replace(w.find(from), from.size(), to);
    return w;
  };
  const std::string unknown_setting = ErrorOf(with("max_length = 9", "max_lenght = 9"));
  EXPECT_NE(unknown_setting.find("w.toml:23:"), std::string::npos) << unknown_setting;
  EXPECT_NE(unknown_setting.find("'max_lenght' is not a stored setting of edit_box"),
            std::string::npos);
  EXPECT_NE(ErrorOf(with("\"A\"]]\nsettings", "\"C\"]]\nsettings")).find("not in the program's routine list"),
            std::string::npos);
  EXPECT_NE(ErrorOf(with("parent = \"box\"", "parent = \"nobox\"")).find("names no unit"),
            std::string::npos);
  EXPECT_NE(ErrorOf(with("0x16000003", "0x16000002")).find("already exists"), std::string::npos);
  EXPECT_NE(ErrorOf(with("0x16000003", "0x26000003")).find("unit id has the form"),
            std::string::npos);
  EXPECT_NE(ErrorOf(with("edit_box", "editbox")).find("unknown unit type"), std::string::npos);
  EXPECT_NE(ErrorOf(with("\"tab_stop\"", "\"tabstop\"")).find("flags are"), std::string::npos);
  EXPECT_NE(ErrorOf(with("tag = ", "tga = ")).find("unknown key 'tga'"), std::string::npos);
  EXPECT_NE(ErrorOf(with("max_length = 9", "max_length = \"9\"")).find("must be an integer"),
            std::string::npos);
  EXPECT_NE(ErrorOf(with("\"#\"", "\"##\"")).find("one single-byte character"), std::string::npos);
  EXPECT_NE(ErrorOf(with("rect = [-1, 0, 5, 5]", "rect = [0, 0, 5]")).find("rect is"),
            std::string::npos);
  EXPECT_NE(ErrorOf(with("[[0, \"B\"], [2, \"\"]]", "[[0, \"B\"], [0, \"A\"]]")).find("event listed twice"),
            std::string::npos);
  EXPECT_NE(ErrorOf(with("[window]\n", "[window\n")).find("w.toml:"), std::string::npos);
  EXPECT_NE(ErrorOf(with("tag = \"t\"", "tag = \"a\\u0000b\"")).find("must not hold a NUL"),
            std::string::npos);
  // The box inside the edit box, which is inside the box.
  std::string cycle = with("flags = [\"visible\"]\n[[unit]]", "flags = [\"visible\"]\nparent = \"edit\"\n[[unit]]");
  EXPECT_NE(ErrorOf(cycle).find("parent cycle"), std::string::npos);
}

TEST_F(TemplcTest, MenuItemsFollowTheWindowUnit) {
  std::string w = kWindow;
  w.insert(w.find("[[unit]]"), R"([[menu]]
name = "file"
id = 0x26000010
caption = "File"
flags = ["checked", "disabled"]
handler = "A"
words = [1, 2]
[[menu]]
id = 0x26000011
[[unit]]
name = "other"
type = "label"
id = 0x16000020
rect = [0, 0, 1, 1]
)");
  const templc::CompiledData d = templc::Compile(templc::LoadProgram(Program(w)));
  const rt::SegmentReadResult r = rt::ParseTemplateSegment(d.template_segment);
  ASSERT_TRUE(r.ok()) << r.error->Describe();
  const auto& recs = r.windows[0].records;
  ASSERT_EQ(recs.size(), 6u);
  EXPECT_EQ(recs[1].kind, rt::RecordKind::MenuItem);
  EXPECT_EQ(recs[1].caption, "File");
  EXPECT_EQ(recs[1].flags, rt::kMenuChecked | rt::kMenuDisabled);
  EXPECT_EQ(recs[1].menu_handler.stored_offset, 0u);
  EXPECT_EQ(recs[1].menu_words, (std::array<uint32_t, 2>{1, 2}));
  EXPECT_EQ(recs[2].menu_handler.stored_offset, rt::kNoHandlerOffset);
  EXPECT_EQ(recs[3].name, "other");
  EXPECT_EQ(recs[5].parent, 0x16000002u);  // parents still resolve past the menu run

  w.replace(w.find("0x26000011"), 10, "0x16000011");
  EXPECT_NE(ErrorOf(w).find("menu item id has the form"), std::string::npos);
}

TEST_F(TemplcTest, ProgramFileDeclarations) {
  Write("w.toml", kWindow);
  const fs::path p = Write("p.toml", R"(
windows = ["w.toml"]
routines = ["A", "B"]
libraries = ["core", "os"]
[header]
kind = 2
[[dll]]
export = "Beep"
parameters = 2
[[constant]]
name = "Hi"
text = "hi"
[[constant]]
name = "Set"
bytes = [1, 2, 3]
)");
  const templc::ProgramModel m = templc::LoadProgram(p);
  const templc::CompiledData d = templc::Compile(m);
  EXPECT_EQ(m.kind, 2u);
  ASSERT_EQ(m.dlls.size(), 1u);
  EXPECT_EQ(m.dlls[0].library, "");
  EXPECT_EQ(m.dlls[0].parameter_count, 2u);
  // "hi\0", padding, then the byte set {1, 3, bytes}.
  EXPECT_EQ(d.constant_offsets, (std::vector<uint32_t>{0, 4}));
  EXPECT_EQ(d.constant_segment,
            (std::vector<uint8_t>{'h', 'i', 0, 0, 1, 0, 0, 0, 3, 0, 0, 0, 1, 2, 3}));
  const std::string src = templc::EmitSource(m, d, "compiled_program.h");
  EXPECT_NE(src.find("{\"\", \"Beep\", 2},  // 0"), std::string::npos);

  Write("p2.toml", "windows = [\"w.toml\", \"w.toml\"]\nroutines = [\"A\", \"B\"]\n");
  EXPECT_THROW(templc::LoadProgram(dir_ / "p2.toml"), templc::CompileError);
  Write("p3.toml", "routines = [\"A\", \"A\"]\n");
  EXPECT_THROW(templc::LoadProgram(dir_ / "p3.toml"), templc::CompileError);
  Write("p4.toml", "windows = [\"missing.toml\"]\n");
  EXPECT_THROW(templc::LoadProgram(dir_ / "p4.toml"), templc::CompileError);
}

TEST_F(TemplcTest, DumpListsRecordsAndStoredSettings) {
  const templc::CompiledData d = templc::Compile(templc::LoadProgram(Program(kWindow)));
  const std::string dump = templc::DumpSegment(d.template_segment);
  EXPECT_NE(dump.find("window 0x52000001"), std::string::npos) << dump;
  EXPECT_NE(dump.find("[2] 0x16000003 type 0x00010005 \"edit\" rect -1,0,5,5 parent 0x16000002 "
                      "flags 7 on -1->0"),
            std::string::npos)
      << dump;
  EXPECT_NE(dump.find("max_length=9"), std::string::npos);
  EXPECT_NE(dump.find("content=\"x\""), std::string::npos);
  std::vector<uint8_t> cut = d.template_segment;
  cut.pop_back();
  EXPECT_EQ(templc::DumpSegment(cut).rfind("refused: ", 0), 0u);
}
