// StoredUnitData: each unit type's own properties as stored at the end of
// its template record, read by the type's creation routine and written by
// the template compiler and by SaveUnitProperties.
//
// Every type lists its fields once, in stored order, in a Visit() member
// that a visitor walks: the same list reads, writes and (in the template
// compiler) names the fields, so the three cannot drift apart. Defaults are
// the member initialisers. Default texts are written as GBK byte escapes so
// that they are GBK whatever the compiler's execution character set.
//
// Stream: a version word; the fixed fields; then byte data and texts as a
// 32-bit length and the bytes. Fields added by a later version are read
// only when the stored version has them. An empty stream means defaults; a
// version above the type's highest or a stream that ends inside a field is
// refused.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "runtime/template/byte_stream.h"

namespace runtime::templates {

// ---------------------------------------------------------------------------
// Visitors. A type's Visit(v) calls, in stored order:
//   v.Has(version)           whether fields added in that version are present
//   v.Int(name, int32_t&)    v.Colour(name, uint32_t&)   v.Logic(name, bool&)
//   v.Char16(name, uint16_t&)
//   v.Bytes(name, bytes)     v.Words(name, bytes)  (a byte block of 32-bit values)
//   v.Text(name, string)     v.TextArray(name, vector<string>)

class StoredDataReader {
 public:
  StoredDataReader(std::span<const uint8_t> bytes, uint32_t version)
      : r_(bytes), version_(version) {}
  bool Has(uint32_t version) const { return version_ >= version; }
  void Int(const char*, int32_t& v) { r_.I32(v); }
  void Colour(const char*, uint32_t& v) { r_.U32(v); }
  void Logic(const char*, bool& v) {
    uint32_t w = 0;
    if (r_.U32(w)) v = w != 0;
  }
  void Char16(const char*, uint16_t& v) { r_.U16(v); }
  void Bytes(const char*, std::vector<uint8_t>& v) { r_.CountedBlock(v); }
  void Words(const char* name, std::vector<uint8_t>& v) { Bytes(name, v); }
  void Text(const char*, std::string& v) { r_.CountedText(v); }
  void TextArray(const char*, std::vector<std::string>& v);
  ByteReader& reader() { return r_; }

 private:
  ByteReader r_;
  uint32_t version_;
};

class StoredDataWriter {
 public:
  bool Has(uint32_t) const { return true; }  // always writes the highest version
  void Int(const char*, int32_t v) { w_.I32(v); }
  void Colour(const char*, uint32_t v) { w_.U32(v); }
  void Logic(const char*, bool v) { w_.U32(v ? 1 : 0); }
  void Char16(const char*, uint16_t v) { w_.U16(v); }
  void Bytes(const char*, const std::vector<uint8_t>& v) { w_.CountedBlock(v); }
  void Words(const char* name, const std::vector<uint8_t>& v) { Bytes(name, v); }
  void Text(const char*, const std::string& v) { w_.CountedText(v); }
  void TextArray(const char*, const std::vector<std::string>& v);
  ByteWriter& writer() { return w_; }

 private:
  ByteWriter w_;
};

// Text array: a 16-bit count (or 0xFFFF and a 32-bit count), then each item
// as a 32-bit length and its bytes. Also the value form of the combo box's
// list-items property.
bool ReadTextArray(ByteReader& r, std::vector<std::string>& items);
void WriteTextArray(ByteWriter& w, const std::vector<std::string>& items);

// ---------------------------------------------------------------------------
// The unit types' data. Field names are the template sources' setting names.

struct WindowData {
  static constexpr uint32_t kTypeCode = 0x00010001;
  static constexpr uint32_t kHighestVersion = 6;
  int32_t border = 2;
  int32_t picture_mode = 1;
  uint32_t background_colour = 0xFF000000;
  bool maximise_button = false;
  bool minimise_button = true;
  bool control_button = true;
  int32_t position = 1;
  bool movable = true;
  int32_t play_count = 0;
  bool enter_moves_focus = false;
  bool esc_closes = true;
  bool f1_opens_help = false;
  int32_t help_context = 0;
  bool shown_in_taskbar = true;  // version 2
  bool free_moving = false;      // version 3
  int32_t shape = 0;             // version 3
  bool always_on_top = false;    // version 4
  bool keep_title_active = false;  // version 5
  std::string class_name;        // version 6
  std::vector<uint8_t> background_picture, icon, background_music;
  std::string title, help_file;

  template <class V, class Self> static void Visit(V& v, Self& d) {
    v.Int("border", d.border);
    v.Int("picture_mode", d.picture_mode);
    v.Colour("background_colour", d.background_colour);
    v.Logic("maximise_button", d.maximise_button);
    v.Logic("minimise_button", d.minimise_button);
    v.Logic("control_button", d.control_button);
    v.Int("position", d.position);
    v.Logic("movable", d.movable);
    v.Int("play_count", d.play_count);
    v.Logic("enter_moves_focus", d.enter_moves_focus);
    v.Logic("esc_closes", d.esc_closes);
    v.Logic("f1_opens_help", d.f1_opens_help);
    v.Int("help_context", d.help_context);
    if (v.Has(2)) v.Logic("shown_in_taskbar", d.shown_in_taskbar);
    if (v.Has(3)) {
      v.Logic("free_moving", d.free_moving);
      v.Int("shape", d.shape);
    }
    if (v.Has(4)) v.Logic("always_on_top", d.always_on_top);
    if (v.Has(5)) v.Logic("keep_title_active", d.keep_title_active);
    if (v.Has(6)) v.Text("class_name", d.class_name);
    v.Bytes("background_picture", d.background_picture);
    v.Bytes("icon", d.icon);
    v.Bytes("background_music", d.background_music);
    v.Text("title", d.title);
    v.Text("help_file", d.help_file);
  }
};

struct EditBoxData {
  static constexpr uint32_t kTypeCode = 0x00010005;
  static constexpr uint32_t kHighestVersion = 2;
  int32_t border = 1;
  uint32_t text_colour = 0;
  uint32_t background_colour = 0xFFFFFF;
  bool hide_selection = true;
  int32_t max_length = 0;
  bool multi_line = false;
  int32_t scroll_bars = 0;
  int32_t alignment = 0;
  int32_t input_mode = 0;
  uint16_t password_char = '*';  // the character in the low byte
  int32_t case_conversion = 0;
  int32_t updown = 0;
  int32_t updown_lower = 0;
  int32_t updown_upper = 100;
  int32_t selection_start = 0;
  int32_t selection_length = 0;
  std::vector<uint8_t> font;
  std::string content;
  std::string data_source, data_column;  // version 2

  template <class V, class Self> static void Visit(V& v, Self& d) {
    v.Int("border", d.border);
    v.Colour("text_colour", d.text_colour);
    v.Colour("background_colour", d.background_colour);
    v.Logic("hide_selection", d.hide_selection);
    v.Int("max_length", d.max_length);
    v.Logic("multi_line", d.multi_line);
    v.Int("scroll_bars", d.scroll_bars);
    v.Int("alignment", d.alignment);
    v.Int("input_mode", d.input_mode);
    v.Char16("password_char", d.password_char);
    v.Int("case_conversion", d.case_conversion);
    v.Int("updown", d.updown);
    v.Int("updown_lower", d.updown_lower);
    v.Int("updown_upper", d.updown_upper);
    v.Int("selection_start", d.selection_start);
    v.Int("selection_length", d.selection_length);
    v.Bytes("font", d.font);
    v.Text("content", d.content);
    if (v.Has(2)) {
      v.Text("data_source", d.data_source);
      v.Text("data_column", d.data_column);
    }
  }
};

struct PictureBoxData {
  static constexpr uint32_t kTypeCode = 0x00010006;
  static constexpr uint32_t kHighestVersion = 2;
  int32_t border = 0;
  uint32_t background_colour = 0xFF000000;
  int32_t placement = 0;
  bool play_animation = true;
  std::vector<uint8_t> picture;
  std::string data_source, data_column;  // version 2

  template <class V, class Self> static void Visit(V& v, Self& d) {
    v.Int("border", d.border);
    v.Colour("background_colour", d.background_colour);
    v.Int("placement", d.placement);
    v.Logic("play_animation", d.play_animation);
    v.Bytes("picture", d.picture);
    if (v.Has(2)) {
      v.Text("data_source", d.data_source);
      v.Text("data_column", d.data_column);
    }
  }
};

struct GroupBoxData {
  static constexpr uint32_t kTypeCode = 0x00010009;
  static constexpr uint32_t kHighestVersion = 1;
  int32_t title_alignment = 0;
  uint32_t text_colour = 0;
  uint32_t background_colour = 0xFF000000;
  std::vector<uint8_t> font;
  std::string title;

  template <class V, class Self> static void Visit(V& v, Self& d) {
    v.Int("title_alignment", d.title_alignment);
    v.Colour("text_colour", d.text_colour);
    v.Colour("background_colour", d.background_colour);
    v.Bytes("font", d.font);
    v.Text("title", d.title);
  }
};

struct LabelData {
  static constexpr uint32_t kTypeCode = 0x0001000A;
  static constexpr uint32_t kHighestVersion = 2;
  int32_t effect = 0;
  int32_t frame_width = 8;
  int32_t border = 0;
  uint32_t frame_colour1 = 0x808080, frame_colour2 = 0xFFFFFF, frame_colour3 = 0x808080;
  uint32_t text_colour = 0;
  uint32_t background_colour = 0xFF000000;
  int32_t picture_mode = 1;
  int32_t gradient = 0;
  uint32_t gradient_colour1 = 0x808080, gradient_colour2 = 0xFFFFFF, gradient_colour3 = 0x808080;
  int32_t horizontal_alignment = 0;
  int32_t vertical_alignment = 1;
  bool word_wrap = false;
  std::vector<uint8_t> font, picture;
  std::string caption = "\xB1\xEA\xC7\xA9";  // the type's name, GBK
  std::string data_source, data_column;     // version 2

  template <class V, class Self> static void Visit(V& v, Self& d) {
    v.Int("effect", d.effect);
    v.Int("frame_width", d.frame_width);
    v.Int("border", d.border);
    v.Colour("frame_colour1", d.frame_colour1);
    v.Colour("frame_colour2", d.frame_colour2);
    v.Colour("frame_colour3", d.frame_colour3);
    v.Colour("text_colour", d.text_colour);
    v.Colour("background_colour", d.background_colour);
    v.Int("picture_mode", d.picture_mode);
    v.Int("gradient", d.gradient);
    v.Colour("gradient_colour1", d.gradient_colour1);
    v.Colour("gradient_colour2", d.gradient_colour2);
    v.Colour("gradient_colour3", d.gradient_colour3);
    v.Int("horizontal_alignment", d.horizontal_alignment);
    v.Int("vertical_alignment", d.vertical_alignment);
    v.Logic("word_wrap", d.word_wrap);
    v.Bytes("font", d.font);
    v.Bytes("picture", d.picture);
    v.Text("caption", d.caption);
    if (v.Has(2)) {
      v.Text("data_source", d.data_source);
      v.Text("data_column", d.data_column);
    }
  }
};

struct ButtonData {
  static constexpr uint32_t kTypeCode = 0x0001000B;
  static constexpr uint32_t kHighestVersion = 1;
  int32_t type = 0;
  int32_t horizontal_alignment = 1;
  int32_t vertical_alignment = 1;
  std::vector<uint8_t> picture, font;
  std::string caption = "\xB0\xB4\xC5\xA5";  // the type's name, GBK

  template <class V, class Self> static void Visit(V& v, Self& d) {
    v.Int("type", d.type);
    v.Int("horizontal_alignment", d.horizontal_alignment);
    v.Int("vertical_alignment", d.vertical_alignment);
    v.Bytes("picture", d.picture);
    v.Bytes("font", d.font);
    v.Text("caption", d.caption);
  }
};

struct ComboBoxData {
  static constexpr uint32_t kTypeCode = 0x0001000E;
  static constexpr uint32_t kHighestVersion = 3;
  int32_t type = 1;
  int32_t max_length = 0;
  int32_t selection_start = 0;
  int32_t selection_length = 0;
  bool sorted = false;
  int32_t extra_row_height = 1;
  uint32_t text_colour = 0;
  uint32_t background_colour = 0xFFFFFF;
  int32_t current_selection = -1;
  std::vector<uint8_t> font;
  std::vector<uint8_t> item_data;  // one 32-bit value per item
  std::string content;
  std::vector<std::string> items;
  std::string data_source, data_column;  // version 2
  bool data_binding = false;             // version 3

  template <class V, class Self> static void Visit(V& v, Self& d) {
    v.Int("type", d.type);
    v.Int("max_length", d.max_length);
    v.Int("selection_start", d.selection_start);
    v.Int("selection_length", d.selection_length);
    v.Logic("sorted", d.sorted);
    v.Int("extra_row_height", d.extra_row_height);
    v.Colour("text_colour", d.text_colour);
    v.Colour("background_colour", d.background_colour);
    v.Int("current_selection", d.current_selection);
    v.Bytes("font", d.font);
    v.Words("item_data", d.item_data);
    v.Text("content", d.content);
    v.TextArray("items", d.items);
    if (v.Has(2)) {
      v.Text("data_source", d.data_source);
      v.Text("data_column", d.data_column);
    }
    if (v.Has(3)) v.Logic("data_binding", d.data_binding);
  }
};

struct VScrollBarData {
  static constexpr uint32_t kTypeCode = 0x00010012;
  static constexpr uint32_t kHighestVersion = 1;
  int32_t minimum = 1;
  int32_t maximum = 100;
  int32_t page_step = 10;
  int32_t line_step = 1;
  int32_t position = 1;
  bool follow_thumb = true;

  template <class V, class Self> static void Visit(V& v, Self& d) {
    v.Int("minimum", d.minimum);
    v.Int("maximum", d.maximum);
    v.Int("page_step", d.page_step);
    v.Int("line_step", d.line_step);
    v.Int("position", d.position);
    v.Logic("follow_thumb", d.follow_thumb);
  }
};

struct ProgressBarData {
  static constexpr uint32_t kTypeCode = 0x00010013;
  static constexpr uint32_t kHighestVersion = 1;
  int32_t border = 3;
  int32_t direction = 0;
  int32_t bar_style = 0;
  int32_t minimum = 0;
  int32_t maximum = 100;
  int32_t position = 0;

  template <class V, class Self> static void Visit(V& v, Self& d) {
    v.Int("border", d.border);
    v.Int("direction", d.direction);
    v.Int("bar_style", d.bar_style);
    v.Int("minimum", d.minimum);
    v.Int("maximum", d.maximum);
    v.Int("position", d.position);
  }
};

struct ColourPickerData {
  static constexpr uint32_t kTypeCode = 0x0001001C;
  static constexpr uint32_t kHighestVersion = 1;
  uint32_t colour = 0;
  bool transparency = false;

  template <class V, class Self> static void Visit(V& v, Self& d) {
    v.Colour("colour", d.colour);
    v.Logic("transparency", d.transparency);
  }
};

struct CommonDialogData {
  static constexpr uint32_t kTypeCode = 0x0001001F;
  static constexpr uint32_t kHighestVersion = 1;
  int32_t type = 0;
  int32_t initial_filter = 0;
  bool create_prompt = false;
  bool must_exist = true;
  bool overwrite_prompt = true;
  bool path_must_exist = true;
  bool keep_directory = false;
  uint32_t font_colour = 0;
  bool bold = false, italic = false, strike_out = false, underline = false;
  int32_t font_size = 0;
  int32_t help_command = 0;
  int32_t help_context = 0;
  std::string title, file_name, filter, initial_directory, default_extension, font_name,
      help_file;

  template <class V, class Self> static void Visit(V& v, Self& d) {
    v.Int("type", d.type);
    v.Int("initial_filter", d.initial_filter);
    v.Logic("create_prompt", d.create_prompt);
    v.Logic("must_exist", d.must_exist);
    v.Logic("overwrite_prompt", d.overwrite_prompt);
    v.Logic("path_must_exist", d.path_must_exist);
    v.Logic("keep_directory", d.keep_directory);
    v.Colour("font_colour", d.font_colour);
    v.Logic("bold", d.bold);
    v.Logic("italic", d.italic);
    v.Logic("strike_out", d.strike_out);
    v.Logic("underline", d.underline);
    v.Int("font_size", d.font_size);
    v.Int("help_command", d.help_command);
    v.Int("help_context", d.help_context);
    v.Text("title", d.title);
    v.Text("file_name", d.file_name);
    v.Text("filter", d.filter);
    v.Text("initial_directory", d.initial_directory);
    v.Text("default_extension", d.default_extension);
    v.Text("font_name", d.font_name);
    v.Text("help_file", d.help_file);
  }
};

// ---------------------------------------------------------------------------

enum class StoredDataFault : uint8_t { None, VersionTooHigh, Truncated };

// Reads `bytes` into `out` (which starts at defaults). On failure returns
// false with the reason; `out` is then unspecified.
template <class T>
bool ReadStoredUnitData(std::span<const uint8_t> bytes, T& out,
                        StoredDataFault* fault = nullptr) {
  auto fail = [&](StoredDataFault f) {
    if (fault) *fault = f;
    return false;
  };
  out = T{};
  if (fault) *fault = StoredDataFault::None;
  if (bytes.empty()) return true;
  ByteReader head(bytes);
  uint32_t version = 0;
  if (!head.U32(version)) return fail(StoredDataFault::Truncated);
  if (version > T::kHighestVersion) return fail(StoredDataFault::VersionTooHigh);
  StoredDataReader r(bytes.subspan(4), version);
  T::Visit(r, out);
  // Bytes after the last field are left alone, as a later version's would be.
  return !r.reader().Failed() || fail(StoredDataFault::Truncated);
}

template <class T>
std::vector<uint8_t> WriteStoredUnitData(const T& data) {
  StoredDataWriter w;
  w.writer().U32(T::kHighestVersion);
  T::Visit(w, data);
  return w.writer().Take();
}

// Calls f(T{}) with the data type of a unit-type code; false for a code
// with no stored data known here.
template <class F>
bool WithUnitDataType(uint32_t type_code, F&& f) {
  switch (type_code) {
    case WindowData::kTypeCode: f(WindowData{}); return true;
    case EditBoxData::kTypeCode: f(EditBoxData{}); return true;
    case PictureBoxData::kTypeCode: f(PictureBoxData{}); return true;
    case GroupBoxData::kTypeCode: f(GroupBoxData{}); return true;
    case LabelData::kTypeCode: f(LabelData{}); return true;
    case ButtonData::kTypeCode: f(ButtonData{}); return true;
    case ComboBoxData::kTypeCode: f(ComboBoxData{}); return true;
    case VScrollBarData::kTypeCode: f(VScrollBarData{}); return true;
    case ProgressBarData::kTypeCode: f(ProgressBarData{}); return true;
    case ColourPickerData::kTypeCode: f(ColourPickerData{}); return true;
    case CommonDialogData::kTypeCode: f(CommonDialogData{}); return true;
    default: return false;
  }
}

}  // namespace runtime::templates
