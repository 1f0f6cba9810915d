#include "tools/templc/program_model.h"

#include <toml++/toml.h>

#include <algorithm>
#include <limits>
#include <map>
#include <set>
#include <sstream>

#include "runtime/template/stored_unit_data.h"
#include "tools/templc/gbk.h"

namespace templc {

namespace rt = runtime::templates;

namespace {

// ---------------------------------------------------------------------------
// Locations and typed access to TOML nodes.

class Source {
 public:
  explicit Source(std::filesystem::path file) : file_(std::move(file)) {}

  [[noreturn]] void Fail(const toml::node* node, const std::string& what) const {
    std::ostringstream s;
    s << file_.string();
    if (node) s << ':' << node->source().begin.line << ':' << node->source().begin.column;
    s << ": " << what;
    throw CompileError(s.str());
  }

  int64_t Integer(const toml::node& n, const std::string& what, int64_t lo, int64_t hi) const {
    const auto* v = n.as_integer();
    if (!v) Fail(&n, what + " must be an integer");
    const int64_t x = v->get();
    if (x < lo || x > hi) Fail(&n, what + " out of range");
    return x;
  }
  uint32_t Word(const toml::node& n, const std::string& what) const {
    return static_cast<uint32_t>(Integer(n, what, 0, 0xFFFFFFFFll));
  }
  int32_t Signed(const toml::node& n, const std::string& what) const {
    return static_cast<int32_t>(Integer(n, what, std::numeric_limits<int32_t>::min(),
                                        std::numeric_limits<int32_t>::max()));
  }
  // Either a 32-bit integer of any sign, taken as its bit pattern (colours
  // such as 0xFF000000 are written in hexadecimal).
  uint32_t Bits(const toml::node& n, const std::string& what) const {
    return static_cast<uint32_t>(Integer(n, what, std::numeric_limits<int32_t>::min(), 0xFFFFFFFFll));
  }
  std::string Utf8(const toml::node& n, const std::string& what) const {
    const auto* v = n.as_string();
    if (!v) Fail(&n, what + " must be a string");
    return v->get();
  }
  std::string Gbk(const toml::node& n, const std::string& what) const {
    try {
      return Utf8ToGbk(Utf8(n, what));
    } catch (const std::runtime_error& e) {
      Fail(&n, e.what());
    }
  }
  // For zero-terminated fields (names, tags), where a NUL would cut the text.
  std::string GbkNoNul(const toml::node& n, const std::string& what) const {
    std::string s = Gbk(n, what);
    if (s.find('\0') != std::string::npos) Fail(&n, what + " must not hold a NUL");
    return s;
  }
  bool Bool(const toml::node& n, const std::string& what) const {
    const auto* v = n.as_boolean();
    if (!v) Fail(&n, what + " must be true or false");
    return v->get();
  }
  const toml::array& Array(const toml::node& n, const std::string& what) const {
    const auto* v = n.as_array();
    if (!v) Fail(&n, what + " must be an array");
    return *v;
  }
  const toml::table& Table(const toml::node& n, const std::string& what) const {
    const auto* v = n.as_table();
    if (!v) Fail(&n, what + " must be a table");
    return *v;
  }
  // Refuses keys outside `allowed`, so a misspelt key is an error rather
  // than a silently ignored setting.
  void OnlyKeys(const toml::table& t, std::initializer_list<std::string_view> allowed,
                const std::string& what) const {
    for (auto&& [key, value] : t)
      if (std::find(allowed.begin(), allowed.end(), key.str()) == allowed.end())
        Fail(&value, "unknown key '" + std::string(key.str()) + "' in " + what);
  }

  const std::filesystem::path& file() const { return file_; }

 private:
  std::filesystem::path file_;
};

toml::table ParseFile(const std::filesystem::path& file) {
  try {
    return toml::parse_file(file.string());
  } catch (const toml::parse_error& e) {
    std::ostringstream s;
    s << file.string() << ':' << e.source().begin.line << ':' << e.source().begin.column << ": "
      << e.description();
    throw CompileError(s.str());
  }
}

bool IsIdentifier(const std::string& s) {
  if (s.empty() || std::isdigit(static_cast<unsigned char>(s[0]))) return false;
  return std::all_of(s.begin(), s.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
  });
}

// ---------------------------------------------------------------------------
// Stored settings: a visitor over a unit type's field list that takes each
// field's value from the unit's `settings` table.

class SettingsApplier {
 public:
  SettingsApplier(const Source& src, const toml::table& settings, std::string type_name)
      : src_(src), settings_(settings), type_name_(std::move(type_name)) {}

  bool Has(uint32_t) const { return true; }
  void Int(const char* name, int32_t& v) {
    if (auto* n = Find(name)) v = src_.Signed(*n, name);
  }
  void Colour(const char* name, uint32_t& v) {
    if (auto* n = Find(name)) v = src_.Bits(*n, name);
  }
  void Logic(const char* name, bool& v) {
    if (auto* n = Find(name)) v = src_.Bool(*n, name);
  }
  void Char16(const char* name, uint16_t& v) {
    auto* n = Find(name);
    if (!n) return;
    if (n->is_integer()) {
      v = static_cast<uint16_t>(src_.Integer(*n, name, 0, 0xFFFF));
      return;
    }
    const std::string s = src_.Gbk(*n, name);
    if (s.size() != 1) src_.Fail(n, std::string(name) + " must be one single-byte character");
    v = static_cast<uint8_t>(s[0]);
  }
  void Bytes(const char* name, std::vector<uint8_t>& v) {
    auto* n = Find(name);
    if (!n) return;
    v.clear();
    for (const toml::node& b : src_.Array(*n, name))
      v.push_back(static_cast<uint8_t>(src_.Integer(b, name, 0, 255)));
  }
  // Written as a list of 32-bit numbers, stored as their little-endian bytes.
  void Words(const char* name, std::vector<uint8_t>& v) {
    auto* n = Find(name);
    if (!n) return;
    rt::ByteWriter w;
    for (const toml::node& x : src_.Array(*n, name)) w.U32(src_.Bits(x, name));
    v = w.Take();
  }
  void Text(const char* name, std::string& v) {
    if (auto* n = Find(name)) v = src_.Gbk(*n, name);
  }
  void TextArray(const char* name, std::vector<std::string>& v) {
    auto* n = Find(name);
    if (!n) return;
    v.clear();
    for (const toml::node& x : src_.Array(*n, name)) v.push_back(src_.Gbk(x, name));
  }

  void RefuseUnused() const {
    for (auto&& [key, value] : settings_)
      if (!used_.count(std::string(key.str())))
        src_.Fail(&value, "'" + std::string(key.str()) + "' is not a stored setting of " + type_name_);
  }

 private:
  const toml::node* Find(const char* name) {
    const toml::node* n = settings_.get(name);
    if (n) used_.insert(name);
    return n;
  }

  const Source& src_;
  const toml::table& settings_;
  std::string type_name_;
  std::set<std::string> used_;
};

struct UnitTypeName {
  std::string_view name;
  uint32_t code;
};
constexpr UnitTypeName kUnitTypes[] = {
    {"window", rt::WindowData::kTypeCode},
    {"edit_box", rt::EditBoxData::kTypeCode},
    {"picture_box", rt::PictureBoxData::kTypeCode},
    {"group_box", rt::GroupBoxData::kTypeCode},
    {"label", rt::LabelData::kTypeCode},
    {"button", rt::ButtonData::kTypeCode},
    {"combo_box", rt::ComboBoxData::kTypeCode},
    {"vscroll_bar", rt::VScrollBarData::kTypeCode},
    {"progress_bar", rt::ProgressBarData::kTypeCode},
    {"colour_picker", rt::ColourPickerData::kTypeCode},
    {"common_dialog", rt::CommonDialogData::kTypeCode},
};

std::vector<uint8_t> StoredData(const Source& src, uint32_t type_code, const std::string& type_name,
                                const toml::table* settings) {
  static const toml::table kNone;
  std::vector<uint8_t> out;
  rt::WithUnitDataType(type_code, [&](auto data) {
    SettingsApplier apply(src, settings ? *settings : kNone, type_name);
    decltype(data)::Visit(apply, data);
    apply.RefuseUnused();
    out = rt::WriteStoredUnitData(data);
  });
  return out;
}

// ---------------------------------------------------------------------------
// Window files.

class WindowReader {
 public:
  WindowReader(const std::filesystem::path& file, const std::vector<std::string>& routines)
      : src_(file), routines_(routines) {}

  rt::WindowTemplate Read() {
    const toml::table root = ParseFile(src_.file());
    src_.OnlyKeys(root, {"window", "menu", "unit"}, "a window file");
    const toml::node* win = root.get("window");
    if (!win) src_.Fail(nullptr, "no [window] table");
    const toml::table& wt = src_.Table(*win, "window");
    src_.OnlyKeys(wt, {"id", "unit_id", "rect", "flags", "handlers", "settings", "tag", "word1",
                       "word2", "text1", "text2", "mouse_pointer"},
                  "[window]");

    rt::WindowTemplate w;
    w.id = src_.Word(Required(wt, "id"), "window id");
    if (!rt::IsValidId(w.id)) src_.Fail(wt.get("id"), "not a valid window id");
    if (auto* n = wt.get("word1")) w.word1 = src_.Word(*n, "word1");
    if (auto* n = wt.get("word2")) w.word2 = src_.Word(*n, "word2");
    if (auto* n = wt.get("text1")) w.text1 = src_.Gbk(*n, "text1");
    if (auto* n = wt.get("text2")) w.text2 = src_.Gbk(*n, "text2");

    rt::TemplateRecord unit = Common(wt, rt::RecordKind::WindowUnit, "unit_id");
    unit.type_code = rt::WindowData::kTypeCode;
    unit.unit_data = StoredData(src_, unit.type_code, "window", Settings(wt));
    w.records.push_back(std::move(unit));

    // Menu items: one contiguous run right after the window unit, in order.
    if (const toml::node* menus = root.get("menu")) {
      for (const toml::node& n : src_.Array(*menus, "menu")) {
        rt::TemplateRecord item = MenuItem(src_.Table(n, "[[menu]]"));
        for (const rt::TemplateRecord& other : w.records)
          if (other.id == item.id) src_.Fail(&n, "a record with this id already exists");
        w.records.push_back(std::move(item));
      }
    }

    const size_t first_unit = w.records.size();
    std::vector<const toml::table*> unit_tables;
    std::map<std::string, size_t> by_name;
    if (const toml::node* units = root.get("unit")) {
      for (const toml::node& n : src_.Array(*units, "unit")) {
        const toml::table& t = src_.Table(n, "[[unit]]");
        src_.OnlyKeys(t, {"name", "type", "id", "rect", "parent", "flags", "handlers", "settings",
                          "tag", "second_name", "word_a", "word_b", "mouse_pointer",
                          "handlers_from"},
                      "[[unit]]");
        rt::TemplateRecord rec = Common(t, rt::RecordKind::Unit, "id");
        rec.name = src_.GbkNoNul(Required(t, "name"), "name");
        if (rec.name.empty()) src_.Fail(t.get("name"), "a unit needs a name");
        const std::string type_name = src_.Utf8(Required(t, "type"), "type");
        rec.type_code = TypeCode(*t.get("type"), type_name);
        if (rec.type_code == rt::WindowData::kTypeCode)
          src_.Fail(t.get("type"), "only the [window] table is a window unit");
        if (auto* s = t.get("second_name")) rec.second_name = src_.GbkNoNul(*s, "second_name");
        if (auto* s = t.get("word_a")) rec.word_a = src_.Word(*s, "word_a");
        if (auto* s = t.get("word_b")) rec.word_b = src_.Word(*s, "word_b");
        rec.unit_data = StoredData(src_, rec.type_code, type_name, Settings(t));
        if (!by_name.emplace(rec.name, w.records.size()).second)
          src_.Fail(t.get("name"), "a unit of this name already exists");
        for (const rt::TemplateRecord& other : w.records)
          if (other.id == rec.id) src_.Fail(t.get("id"), "a record with this id already exists");
        unit_tables.push_back(&t);
        w.records.push_back(std::move(rec));
      }
    }

    // Parents and shared handlers name other units; children follow from
    // the parents, listed in stored record order.
    for (size_t i = 0; i < unit_tables.size(); ++i) {
      const toml::table& t = *unit_tables[i];
      rt::TemplateRecord& rec = w.records[first_unit + i];
      if (const toml::node* p = t.get("parent")) {
        const size_t at = Lookup(by_name, *p, "parent");
        if (at == first_unit + i) src_.Fail(p, "a unit cannot contain itself");
        rec.parent = w.records[at].id;
        w.records[at].children.push_back(rec.id);
      }
      if (const toml::node* h = t.get("handlers_from")) {
        const size_t at = Lookup(by_name, *h, "handlers_from");
        if (w.records[at].type_code != rec.type_code)
          src_.Fail(h, "handlers_from must name a unit of the same type");
        rec.reserved[0] = w.records[at].id;
      }
    }
    for (size_t i = first_unit; i < w.records.size(); ++i) {
      rt::UnitId p = w.records[i].parent;
      for (size_t steps = 0; p != 0; ++steps) {
        if (steps > w.records.size())
          src_.Fail(unit_tables[i - first_unit]->get("parent"), "parent cycle");
        p = w.Find(p)->parent;
      }
    }
    return w;
  }

 private:
  const toml::node& Required(const toml::table& t, const char* key) const {
    const toml::node* n = t.get(key);
    if (!n) src_.Fail(&t, std::string("missing '") + key + "'");
    return *n;
  }

  const toml::table* Settings(const toml::table& t) const {
    const toml::node* n = t.get("settings");
    return n ? &src_.Table(*n, "settings") : nullptr;
  }

  uint32_t TypeCode(const toml::node& n, const std::string& name) const {
    for (const UnitTypeName& t : kUnitTypes)
      if (t.name == name) return t.code;
    src_.Fail(&n, "unknown unit type '" + name + "'");
  }

  size_t Lookup(const std::map<std::string, size_t>& by_name, const toml::node& n,
                const char* what) const {
    auto it = by_name.find(src_.Gbk(n, what));
    if (it == by_name.end()) src_.Fail(&n, std::string(what) + " names no unit of this window");
    return it->second;
  }

  rt::TemplateRecord MenuItem(const toml::table& t) const {
    src_.OnlyKeys(t, {"name", "id", "type", "caption", "flags", "handler", "words", "second_name"},
                  "[[menu]]");
    rt::TemplateRecord rec;
    rec.kind = rt::RecordKind::MenuItem;
    rec.id = src_.Word(Required(t, "id"), "id");
    rt::RecordKind actual;
    if (!rt::IsValidId(rec.id) || !rt::RecordKindOf(rec.id, actual) ||
        actual != rt::RecordKind::MenuItem)
      src_.Fail(t.get("id"), "a menu item id has the form 0x26nnnnnn");
    if (auto* n = t.get("name")) rec.name = src_.GbkNoNul(*n, "name");
    if (auto* n = t.get("second_name")) rec.second_name = src_.GbkNoNul(*n, "second_name");
    if (auto* n = t.get("type")) rec.type_code = src_.Word(*n, "type");
    if (auto* n = t.get("caption")) rec.caption = src_.GbkNoNul(*n, "caption");
    if (const toml::node* w = t.get("words")) {
      const toml::array& words = src_.Array(*w, "words");
      if (words.size() != 2) src_.Fail(w, "words is [word, word]");
      rec.menu_words = {src_.Word(*words.get(0), "word"), src_.Word(*words.get(1), "word")};
    }
    if (const toml::node* f = t.get("flags")) {
      for (const toml::node& x : src_.Array(*f, "flags")) {
        const std::string flag = src_.Utf8(x, "flag");
        if (flag == "hidden") rec.flags |= rt::kMenuHidden;
        else if (flag == "disabled") rec.flags |= rt::kMenuDisabled;
        else if (flag == "checked") rec.flags |= rt::kMenuChecked;
        else src_.Fail(&x, "menu flags are \"hidden\", \"disabled\" and \"checked\"");
      }
    }
    if (const toml::node* h = t.get("handler")) rec.menu_handler.stored_offset = Routine(*h);
    return rec;
  }

  // A routine name as its stored offset; "" is no handler.
  uint32_t Routine(const toml::node& n) const {
    const std::string routine = src_.Utf8(n, "routine name");
    if (routine.empty()) return rt::kNoHandlerOffset;
    auto it = std::find(routines_.begin(), routines_.end(), routine);
    if (it == routines_.end())
      src_.Fail(&n, "routine '" + routine + "' is not in the program's routine list");
    return static_cast<uint32_t>(it - routines_.begin());
  }

  // Fields shared by the window unit and ordinary units.
  rt::TemplateRecord Common(const toml::table& t, rt::RecordKind kind, const char* id_key) const {
    rt::TemplateRecord rec;
    rec.kind = kind;
    rec.id = src_.Word(Required(t, id_key), id_key);
    rt::RecordKind actual;
    if (!rt::IsValidId(rec.id) || !rt::RecordKindOf(rec.id, actual) || actual != kind)
      src_.Fail(t.get(id_key), kind == rt::RecordKind::WindowUnit
                                   ? "a window unit id has the form 0x0Lnnnnnn (L non-zero)"
                                   : "a unit id has the form 0x1Lnnnnnn (L non-zero)");

    const toml::array& rect = src_.Array(Required(t, "rect"), "rect");
    if (rect.size() != 4) src_.Fail(t.get("rect"), "rect is [left, top, width, height]");
    rec.left = src_.Signed(*rect.get(0), "left");
    rec.top = src_.Signed(*rect.get(1), "top");
    rec.width = src_.Signed(*rect.get(2), "width");
    rec.height = src_.Signed(*rect.get(3), "height");

    if (const toml::node* f = t.get("flags")) {
      for (const toml::node& x : src_.Array(*f, "flags")) {
        const std::string flag = src_.Utf8(x, "flag");
        if (flag == "visible") rec.flags |= rt::kUnitVisible;
        else if (flag == "disabled") rec.flags |= rt::kUnitDisabled;
        else if (flag == "tab_stop") rec.flags |= rt::kUnitTabStop;
        else src_.Fail(&x, "flags are \"visible\", \"disabled\" and \"tab_stop\"");
      }
    }
    if (const toml::node* n = t.get("tag")) rec.tag = src_.GbkNoNul(*n, "tag");

    // 4 zero bytes are the default pointer; a stock pointer is its number.
    uint32_t pointer = 0;
    if (const toml::node* n = t.get("mouse_pointer")) pointer = src_.Word(*n, "mouse_pointer");
    rt::ByteWriter pw;
    pw.U32(pointer);
    rec.mouse_pointer = pw.Take();

    if (const toml::node* h = t.get("handlers")) {
      for (const toml::node& pair_node : src_.Array(*h, "handlers")) {
        const toml::array& pair = src_.Array(pair_node, "a handler");
        if (pair.size() != 2) src_.Fail(&pair_node, "a handler is [event number, \"Routine\"]");
        rt::EventHandler e;
        e.event = src_.Signed(*pair.get(0), "event number");
        e.stored_offset = Routine(*pair.get(1));
        for (const rt::EventHandler& other : rec.events)
          if (other.event == e.event) src_.Fail(&pair_node, "event listed twice");
        rec.events.push_back(e);
      }
    }
    return rec;
  }

  Source src_;
  const std::vector<std::string>& routines_;
};

}  // namespace

rt::WindowTemplate LoadWindow(const std::filesystem::path& window_file,
                              const std::vector<std::string>& routines) {
  return WindowReader(window_file, routines).Read();
}

ProgramModel LoadProgram(const std::filesystem::path& program_file) {
  const Source src(program_file);
  const toml::table root = ParseFile(program_file);
  src.OnlyKeys(root, {"header", "windows", "routines", "libraries", "dll", "constant"},
               "the program file");
  ProgramModel m;
  m.sources.push_back(program_file);

  if (const toml::node* h = root.get("header")) {
    const toml::table& t = src.Table(*h, "header");
    src.OnlyKeys(t, {"kind", "kept2", "kept3"}, "[header]");
    if (auto* n = t.get("kind")) m.kind = src.Word(*n, "kind");
    if (auto* n = t.get("kept2")) m.kept2 = src.Word(*n, "kept2");
    if (auto* n = t.get("kept3")) m.kept3 = src.Word(*n, "kept3");
  }

  auto names = [&](const char* key, std::vector<std::string>& out) {
    const toml::node* n = root.get(key);
    if (!n) return;
    for (const toml::node& x : src.Array(*n, key)) {
      std::string name = src.Utf8(x, key);
      if (!IsIdentifier(name)) src.Fail(&x, "'" + name + "' is not an identifier");
      if (std::find(out.begin(), out.end(), name) != out.end()) src.Fail(&x, "listed twice");
      out.push_back(std::move(name));
    }
  };
  names("routines", m.routines);
  names("libraries", m.libraries);

  if (const toml::node* d = root.get("dll")) {
    for (const toml::node& n : src.Array(*d, "dll")) {
      const toml::table& t = src.Table(n, "[[dll]]");
      src.OnlyKeys(t, {"library", "export", "parameters"}, "[[dll]]");
      DllDeclaration decl;
      if (auto* x = t.get("library")) decl.library = src.Gbk(*x, "library");
      const toml::node* e = t.get("export");
      const toml::node* p = t.get("parameters");
      if (!e || !p) src.Fail(&n, "a DLL command needs 'export' and 'parameters'");
      decl.export_name = src.Gbk(*e, "export");
      if (decl.export_name.empty()) src.Fail(e, "empty export name");
      decl.parameter_count = static_cast<uint32_t>(src.Integer(*p, "parameters", 0, 64));
      m.dlls.push_back(std::move(decl));
    }
  }

  if (const toml::node* c = root.get("constant")) {
    for (const toml::node& n : src.Array(*c, "constant")) {
      const toml::table& t = src.Table(n, "[[constant]]");
      src.OnlyKeys(t, {"name", "text", "bytes"}, "[[constant]]");
      Constant k;
      const toml::node* name = t.get("name");
      if (!name) src.Fail(&n, "a constant needs a name");
      k.name = src.Utf8(*name, "name");
      if (!IsIdentifier(k.name)) src.Fail(name, "not an identifier");
      for (const Constant& other : m.constants)
        if (other.name == k.name) src.Fail(name, "a constant of this name already exists");
      const toml::node* text = t.get("text");
      const toml::node* bytes = t.get("bytes");
      if ((text == nullptr) == (bytes == nullptr)) src.Fail(&n, "give either 'text' or 'bytes'");
      if (text) {
        k.text = src.Gbk(*text, "text");
        if (k.text.find('\0') != std::string::npos) src.Fail(text, "a text constant holds a NUL");
      } else {
        k.is_text = false;
        for (const toml::node& b : src.Array(*bytes, "bytes"))
          k.bytes.push_back(static_cast<uint8_t>(src.Integer(b, "byte", 0, 255)));
      }
      m.constants.push_back(std::move(k));
    }
  }

  if (const toml::node* w = root.get("windows")) {
    for (const toml::node& x : src.Array(*w, "windows")) {
      const std::filesystem::path file = program_file.parent_path() / src.Utf8(x, "window file");
      m.sources.push_back(file);
      rt::WindowTemplate win = LoadWindow(file, m.routines);
      for (const rt::WindowTemplate& other : m.windows)
        if (other.id == win.id) src.Fail(&x, "two windows with the same id");
      m.windows.push_back(std::move(win));
    }
  }
  return m;
}

}  // namespace templc
