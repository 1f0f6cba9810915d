#include "app/settings_store.h"

#include <cmath>
#include <string>

#include "app/settings_path.h"

namespace app {
namespace {

constexpr char kEditBoxSection[] = "编辑框";
constexpr char kComboBoxSection[] = "组合框";
constexpr char kEditBoxTypeName[] = "编辑框";
constexpr char kComboBoxTypeName[] = "组合框";
constexpr char kItemSeparator[] = "<||>";
constexpr char kValueSeparator[] = "<|>";
constexpr char kStoredLineBreak[] = "><br><";
constexpr char kLineBreak[] = "\r\n";
constexpr char kExclusionSeparator = '|';
// Where compiled logic hands on an empty text it passes a constant one:
// a null value would remove the key instead of writing it empty.
constexpr char kEmpty[] = "";

const char* NonNull(const char* t) { return t ? t : kEmpty; }

Text Replace(const char* text, const char* search, const char* replacement) {
    return CoreText(core::kReplaceSubtext, {TextArg(NonNull(text)), TextArg(search), TextArg(replacement),
                                            OmittedArg(), OmittedArg(), BoolArg(true)});
}

// A number from text as ToNumber reads it, truncated toward zero; values an
// integer cannot hold (and NaN) become 0 rather than undefined behaviour.
int32_t TruncatedNumber(std::string_view text) {
    Text t = Text::Copy(text);
    runtime::ArgRecord r = CallCore(core::kToNumber, {TextArg(NonNull(t.get()))});
    double d = runtime::ArgDouble(r);
    if (!std::isfinite(d) || d <= -2147483649.0 || d >= 2147483648.0) return 0;
    return static_cast<int32_t>(d);
}

// The units of the window whose unit-type name is `typeName`, in the
// window's unit order; the list is released when this goes out of scope.
class UnitList {
public:
    UnitList(UnitRef window, const char* typeName)
        : list_(CallCore(core::kFindUnits, {window.Arg(), OmittedArg(), TextArg(typeName)})) {}
    ~UnitList() {
        if (list_.value) CallCore(core::kFreeUnitList, {list_});
    }
    UnitList(const UnitList&) = delete;
    UnitList& operator=(const UnitList&) = delete;

    int32_t Count() const { return list_.value ? CoreInt(core::kUnitListCount, {list_}) : 0; }
    UnitRef At(int32_t i) const { return UnitRef::From(CallCore(core::kUnitListItem, {list_, IntArg(i)})); }

private:
    runtime::ArgRecord list_;
};

// True when the name equals one of the "|"-separated excluded names.
bool IsExcluded(std::string_view name, const char* excluded) {
    std::string_view rest = runtime::TextView(excluded);
    while (!rest.empty()) {
        size_t bar = rest.find(kExclusionSeparator);
        std::string_view one = rest.substr(0, bar);
        Text a = Text::Copy(one), b = Text::Copy(name);
        if (!one.empty() &&
            CoreInt(core::kCompareText, {TextArg(NonNull(a.get())), TextArg(NonNull(b.get())), BoolArg(true)}) == 0)
            return true;
        if (bar == std::string_view::npos) break;
        rest.remove_prefix(bar + 1);
    }
    return false;
}

void UsePath(Text& path) {
    if (path.empty()) path = SettingsFilePath();
}

void CheckType(UnitRef unit, uint32_t type) {
    if (unit.type != type) Rt().ReportRuntimeError(kRuntimeErrorWrongUnitType);
}

Text NameOf(UnitRef unit) { return CoreText(core::kUnitName, {unit.Arg()}); }

Text ReadItem(const Text& path, const char* section, const Text& key) {
    return CoreText(core::kReadConfigItem,
                    {TextArg(NonNull(path.get())), TextArg(section), TextArg(NonNull(key.get())), OmittedArg()});
}

void WriteItem(const Text& path, const char* section, const Text& key, const char* value) {
    CallCore(core::kWriteConfigItem, {TextArg(NonNull(path.get())), TextArg(section), TextArg(NonNull(key.get())),
                                      TextArg(NonNull(value))});
}

std::string_view Before(std::string_view part, std::string_view marker, std::string_view ifNone) {
    size_t at = part.find(marker);
    return at == std::string_view::npos ? ifNone : part.substr(0, at);
}

std::string_view After(std::string_view part, std::string_view marker, std::string_view ifNone) {
    size_t at = part.rfind(marker);
    return at == std::string_view::npos ? ifNone : part.substr(at + marker.size());
}

}  // namespace

Text StoredContent(const char* content) {
    Text stored = Replace(content, kLineBreak, kStoredLineBreak);
    // A bare CR or LF would end the line in the file and lose the rest of
    // the content (or start a section); they are kept as line breaks too.
    stored = Replace(stored.get(), "\r", kStoredLineBreak);
    return Replace(stored.get(), "\n", kStoredLineBreak);
}

Text RestoredContent(const char* stored) { return Replace(stored, kStoredLineBreak, kLineBreak); }

Text ComposeComboValue(const ComboState& state) {
    std::string value;
    for (const auto& [text, itemValue] : state.items) {
        value += text;
        value += kValueSeparator;
        value += std::to_string(itemValue);
        value += kItemSeparator;
    }
    value += std::to_string(state.selection);
    value += kValueSeparator;
    value += state.content;
    return Text::Copy(value);
}

ComboState ParseComboValue(const char* value) {
    ComboState state;
    std::string_view rest = runtime::TextView(value);
    std::vector<std::string_view> parts;
    // SplitText's rule: a trailing separator adds no empty part.
    while (!rest.empty()) {
        size_t at = rest.find(kItemSeparator);
        parts.push_back(rest.substr(0, at));
        if (at == std::string_view::npos) break;
        rest.remove_prefix(at + sizeof kItemSeparator - 1);
    }
    if (parts.empty()) return state;
    for (size_t i = 0; i + 1 < parts.size(); ++i)
        state.items.emplace_back(std::string(Before(parts[i], kValueSeparator, {})),
                                 TruncatedNumber(After(parts[i], kValueSeparator, parts[i])));
    std::string_view last = parts.back();
    state.selection = TruncatedNumber(Before(last, kValueSeparator, last));
    state.content = std::string(After(last, kValueSeparator, {}));
    return state;
}

void LoadEditBoxes(UnitRef window, Text& path) {
    UsePath(path);
    UnitList list(window, kEditBoxTypeName);
    for (int32_t i = 0, n = list.Count(); i < n; ++i) {
        UnitRef unit = list.At(i);
        CheckType(unit, kEditBoxType);
        Text value = ReadItem(path, kEditBoxSection, NameOf(unit));
        if (value.empty()) continue;
        Text content = RestoredContent(value.get());
        WriteText(unit.window, unit.unit, kEditContent, NonNull(content.get()));
    }
}

void SaveEditBoxes(UnitRef window, Text& path, const char* excluded) {
    UsePath(path);
    UnitList list(window, kEditBoxTypeName);
    for (int32_t i = 0, n = list.Count(); i < n; ++i) {
        UnitRef unit = list.At(i);
        CheckType(unit, kEditBoxType);
        Text name = NameOf(unit);
        if (IsExcluded(name.view(), excluded)) continue;
        Text content = ReadText(unit.window, unit.unit, kEditContent);
        Text stored = StoredContent(content.get());
        WriteItem(path, kEditBoxSection, name, stored.get());
    }
}

void LoadComboBoxes(UnitRef window, Text& path) {
    UsePath(path);
    UnitList list(window, kComboBoxTypeName);
    for (int32_t i = 0, n = list.Count(); i < n; ++i) {
        UnitRef unit = list.At(i);
        CheckType(unit, kComboBoxType);
        Text value = ReadItem(path, kComboBoxSection, NameOf(unit));
        if (value.empty()) continue;
        ComboState state = ParseComboValue(value.get());
        CallCore(core::kComboClear, {unit.Arg()});
        for (const auto& [text, itemValue] : state.items) {
            Text t = Text::Copy(text);
            CallCore(core::kComboAddItem, {unit.Arg(), TextArg(NonNull(t.get())), IntArg(itemValue)});
        }
        WriteInt(unit.window, unit.unit, kComboSelection, state.selection);
        WriteText(unit.window, unit.unit, kComboContent, state.content.c_str());
    }
}

void SaveComboBoxes(UnitRef window, Text& path, const char* excluded) {
    UsePath(path);
    UnitList list(window, kComboBoxTypeName);
    for (int32_t i = 0, n = list.Count(); i < n; ++i) {
        UnitRef unit = list.At(i);
        CheckType(unit, kComboBoxType);
        Text name = NameOf(unit);
        if (IsExcluded(name.view(), excluded)) continue;
        ComboState state;
        for (int32_t k = 0, count = CoreInt(core::kComboItemCount, {unit.Arg()}); k < count; ++k) {
            Text text = CoreText(core::kComboGetItemText, {unit.Arg(), IntArg(k)});
            state.items.emplace_back(std::string(text.view()),
                                     CoreInt(core::kComboGetItemValue, {unit.Arg(), IntArg(k)}));
        }
        state.selection = ReadInt(unit.window, unit.unit, kComboSelection);
        Text content = ReadText(unit.window, unit.unit, kComboContent);
        state.content = std::string(content.view());
        Text value = ComposeComboValue(state);
        WriteItem(path, kComboBoxSection, name, value.get());
    }
}

}  // namespace app
