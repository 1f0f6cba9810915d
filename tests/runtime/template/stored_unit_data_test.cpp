// StoredUnitData of every unit type against byte strings built by hand from
// the documented layouts, and the reader on old, new and broken streams.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/template/stored_unit_data.h"
#include "tests/runtime/template/test_bytes.h"

namespace rt = runtime::templates;
using template_test::Bytes;

namespace {

template <class T>
std::vector<uint8_t> Defaults() {
  return rt::WriteStoredUnitData(T{});
}

// Reading what was written gives the same bytes again.
template <class T>
void ExpectRoundTrip(const T& data) {
  const std::vector<uint8_t> bytes = rt::WriteStoredUnitData(data);
  T back;
  ASSERT_TRUE(rt::ReadStoredUnitData(bytes, back));
  EXPECT_EQ(rt::WriteStoredUnitData(back), bytes);
}

// Every strict, non-empty prefix of a stream ends inside a field.
template <class T>
void ExpectEveryTruncationRefused(const std::vector<uint8_t>& bytes) {
  for (size_t n = 1; n < bytes.size(); ++n) {
    T out;
    rt::StoredDataFault fault;
    EXPECT_FALSE(rt::ReadStoredUnitData(std::span(bytes.data(), n), out, &fault)) << n;
    EXPECT_EQ(fault, rt::StoredDataFault::Truncated) << n;
  }
}

}  // namespace

TEST(StoredUnitData, WindowLayout) {
  rt::WindowData d;
  d.title = "Title";
  d.class_name = "Cls";
  d.icon = {7, 8};
  d.shape = 12;
  const auto expected = Bytes()
                            .U32(6)          // version
                            .U32(2).U32(1)   // border, picture mode
                            .U32(0xFF000000) // background colour
                            .U32(0).U32(1).U32(1)  // maximise, minimise, control button
                            .U32(1).U32(1).U32(0)  // position, movable, play count
                            .U32(0).U32(1).U32(0).U32(0)  // Enter, Esc, F1, help context
                            .U32(1)          // task bar (2)
                            .U32(0).U32(12)  // free moving, shape (3)
                            .U32(0)          // always on top (4)
                            .U32(0)          // keep the title bar active (5)
                            .Text("Cls")     // class name (6)
                            .Block({}).Block({7, 8}).Block({})  // picture, icon, music
                            .Text("Title").Text("")             // title, help file
                            .b;
  EXPECT_EQ(rt::WriteStoredUnitData(d), expected);
  ExpectRoundTrip(d);
  ExpectEveryTruncationRefused<rt::WindowData>(expected);

  // A version 1 window has none of the later fields; they keep defaults.
  const auto v1 = Bytes()
                      .U32(1).U32(0).U32(3).U32(0x123456).U32(1).U32(0).U32(0).U32(0)
                      .U32(0).U32(2).U32(1).U32(0).U32(1).U32(77)
                      .Block({}).Block({}).Block({1}).Text("T").Text("H")
                      .b;
  rt::WindowData old;
  ASSERT_TRUE(rt::ReadStoredUnitData(v1, old));
  EXPECT_EQ(old.border, 0);
  EXPECT_EQ(old.background_colour, 0x123456u);
  EXPECT_TRUE(old.maximise_button);
  EXPECT_EQ(old.play_count, 2);
  EXPECT_EQ(old.help_context, 77);
  EXPECT_TRUE(old.shown_in_taskbar);  // default: a version 2 field
  EXPECT_EQ(old.class_name, "");
  EXPECT_EQ(old.background_music, (std::vector<uint8_t>{1}));
  EXPECT_EQ(old.title, "T");
  EXPECT_EQ(old.help_file, "H");
}

TEST(StoredUnitData, EditBoxLayout) {
  rt::EditBoxData d;
  d.multi_line = true;
  d.content = "abc";
  const auto expected = Bytes()
                            .U32(2).U32(1).U32(0).U32(0xFFFFFF).U32(1).U32(0).U32(1).U32(0)
                            .U32(0).U32(0)
                            .U16('*')  // password character: 16-bit
                            .U32(0).U32(0).U32(0).U32(100).U32(0).U32(0)
                            .Block({}).Text("abc")
                            .Text("").Text("")  // data source and column (2)
                            .b;
  EXPECT_EQ(rt::WriteStoredUnitData(d), expected);
  ExpectEveryTruncationRefused<rt::EditBoxData>(expected);
  // Version 1 stops after the content.
  auto v1 = expected;
  v1.resize(v1.size() - 8);
  v1[0] = 1;
  rt::EditBoxData old;
  ASSERT_TRUE(rt::ReadStoredUnitData(v1, old));
  EXPECT_EQ(old.content, "abc");
  EXPECT_EQ(old.password_char, '*');
}

TEST(StoredUnitData, LabelLayoutMatchesTheDocumentedExample) {
  rt::LabelData d;
  d.caption = "Hello";
  const auto expected = Bytes()
                            .U32(2).U32(0).U32(8).U32(0).U32(0x808080).U32(0xFFFFFF)
                            .U32(0x808080).U32(0).U32(0xFF000000).U32(1).U32(0)
                            .U32(0x808080).U32(0xFFFFFF).U32(0x808080).U32(0).U32(1).U32(0)
                            .Block({}).Block({}).Text("Hello")
                            .Text("").Text("")
                            .b;
  EXPECT_EQ(rt::WriteStoredUnitData(d), expected);
  ExpectEveryTruncationRefused<rt::LabelData>(expected);
  // The type's own name is the default caption.
  EXPECT_EQ(rt::LabelData{}.caption, "标签");
}

TEST(StoredUnitData, GroupBoxButtonAndPictureBoxLayouts) {
  rt::GroupBoxData g;
  g.title = "G";
  g.font = {1, 2, 3};
  EXPECT_EQ(rt::WriteStoredUnitData(g),
            Bytes().U32(1).U32(0).U32(0).U32(0xFF000000).Block({1, 2, 3}).Text("G").b);

  EXPECT_EQ(rt::ButtonData{}.caption, "按钮");
  rt::ButtonData b;
  b.caption = "OK";
  b.type = 1;
  EXPECT_EQ(rt::WriteStoredUnitData(b),
            Bytes().U32(1).U32(1).U32(1).U32(1).Block({}).Block({}).Text("OK").b);

  rt::PictureBoxData p;
  p.picture = {0x89, 'P'};
  EXPECT_EQ(rt::WriteStoredUnitData(p), Bytes()
                                            .U32(2).U32(0).U32(0xFF000000).U32(0).U32(1)
                                            .Block({0x89, 'P'}).Text("").Text("")
                                            .b);
  ExpectEveryTruncationRefused<rt::PictureBoxData>(rt::WriteStoredUnitData(p));
}

TEST(StoredUnitData, ComboBoxLayoutAndTextArray) {
  rt::ComboBoxData d;
  d.items = {"a", "bc"};
  d.item_data = Bytes().U32(5).U32(6).b;
  d.content = "x";
  d.data_binding = true;
  const auto expected = Bytes()
                            .U32(3).U32(1).U32(0).U32(0).U32(0).U32(0).U32(1).U32(0)
                            .U32(0xFFFFFF).U32(0xFFFFFFFF)  // current selection -1
                            .Block({}).Block(Bytes().U32(5).U32(6).b).Text("x")
                            .U16(2).Text("a").Text("bc")
                            .Text("").Text("").U32(1)
                            .b;
  EXPECT_EQ(rt::WriteStoredUnitData(d), expected);
  ExpectEveryTruncationRefused<rt::ComboBoxData>(expected);

  // 0xFFFF items or more: the 16-bit 0xFFFF, then a 32-bit count.
  rt::ByteWriter w;
  rt::WriteTextArray(w, std::vector<std::string>(0xFFFF, ""));
  const std::vector<uint8_t> big = w.Take();
  EXPECT_EQ(std::vector<uint8_t>(big.begin(), big.begin() + 6), Bytes().U16(0xFFFF).U32(0xFFFF).b);
  EXPECT_EQ(big.size(), 6u + 4u * 0xFFFF);
  rt::ByteReader r(big);
  std::vector<std::string> items;
  ASSERT_TRUE(rt::ReadTextArray(r, items));
  EXPECT_EQ(items.size(), 0xFFFFu);

  // A huge count is refused before anything is reserved.
  const auto huge = Bytes().U16(0xFFFF).U32(0xFFFFFFFF).U32(0).b;
  rt::ByteReader hr(huge);
  EXPECT_FALSE(rt::ReadTextArray(hr, items));
  EXPECT_TRUE(hr.Failed());
}

TEST(StoredUnitData, ScrollProgressColourPickerAndDialogLayouts) {
  EXPECT_EQ(Defaults<rt::VScrollBarData>(),
            Bytes().U32(1).U32(1).U32(100).U32(10).U32(1).U32(1).U32(1).b);
  EXPECT_EQ(Defaults<rt::ProgressBarData>(),
            Bytes().U32(1).U32(3).U32(0).U32(0).U32(0).U32(100).U32(0).b);
  EXPECT_EQ(Defaults<rt::ColourPickerData>(), Bytes().U32(1).U32(0).U32(0).b);

  rt::CommonDialogData d;
  d.type = 1;
  d.file_name = ".png";
  d.default_extension = "*.png";
  EXPECT_EQ(rt::WriteStoredUnitData(d),
            Bytes()
                .U32(1).U32(1).U32(0).U32(0).U32(1).U32(1).U32(1).U32(0).U32(0).U32(0).U32(0)
                .U32(0).U32(0).U32(0).U32(0).U32(0)
                .Text("").Text(".png").Text("").Text("").Text("*.png").Text("").Text("")
                .b);
  ExpectEveryTruncationRefused<rt::CommonDialogData>(rt::WriteStoredUnitData(d));
}

TEST(StoredUnitData, EmptyStreamVersionsAndTrailingBytes) {
  rt::ColourPickerData c;
  c.colour = 123;
  ASSERT_TRUE(rt::ReadStoredUnitData({}, c));  // empty: every default
  EXPECT_EQ(c.colour, 0u);

  rt::StoredDataFault fault;
  EXPECT_FALSE(rt::ReadStoredUnitData(Bytes().U32(2).U32(0).U32(0).b, c, &fault));
  EXPECT_EQ(fault, rt::StoredDataFault::VersionTooHigh);
  rt::WindowData w;
  EXPECT_FALSE(rt::ReadStoredUnitData(Bytes().U32(7).b, w, &fault));
  EXPECT_EQ(fault, rt::StoredDataFault::VersionTooHigh);
  EXPECT_FALSE(rt::ReadStoredUnitData(Bytes().U32(0xFFFFFFFF).b, w, &fault));

  // Bytes after the last field are ignored.
  ASSERT_TRUE(rt::ReadStoredUnitData(Bytes().U32(1).U32(0xFF).U32(1).U32(99).b, c));
  EXPECT_EQ(c.colour, 0xFFu);
  EXPECT_TRUE(c.transparency);

  // A byte block or text whose length runs past the end.
  rt::GroupBoxData g;
  EXPECT_FALSE(rt::ReadStoredUnitData(
      Bytes().U32(1).U32(0).U32(0).U32(0).U32(0xFFFFFFFF).b, g, &fault));
  EXPECT_EQ(fault, rt::StoredDataFault::Truncated);
  EXPECT_FALSE(rt::ReadStoredUnitData(
      Bytes().U32(1).U32(0).U32(0).U32(0).U32(0).U32(5).Raw("abcd").b, g, &fault));
}

TEST(StoredUnitData, EveryTypeIsKnownByItsCode) {
  size_t known = 0;
  for (uint32_t code : {0x10001u, 0x10005u, 0x10006u, 0x10009u, 0x1000Au, 0x1000Bu, 0x1000Eu,
                        0x10012u, 0x10013u, 0x1001Cu, 0x1001Fu}) {
    EXPECT_TRUE(rt::WithUnitDataType(code, [&](auto data) {
      EXPECT_EQ(decltype(data)::kTypeCode, code);
      ExpectRoundTrip(data);
      ++known;
    }));
  }
  EXPECT_EQ(known, 11u);
  EXPECT_FALSE(rt::WithUnitDataType(0x10015, [](auto) {}));  // tab control: not in this program
}
