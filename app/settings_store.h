// The settings file through which the start window's edit boxes and combo
// boxes keep their contents from one run to the next: section "编辑框" holds
// each edit box's content by unit name, section "组合框" each combo box's
// items, item values, selection and content.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "app/core_calls.h"
#include "app/program_units.h"

namespace app {

// A window passed as its unit reference. `path` is in/out: an empty path is
// replaced by SettingsFilePath() and the caller's variable receives it.
// `excluded` names units to skip, separated by "|" (case-sensitive).
void LoadEditBoxes(UnitRef window, Text& path);
void LoadComboBoxes(UnitRef window, Text& path);
void SaveEditBoxes(UnitRef window, Text& path, const char* excluded);
void SaveComboBoxes(UnitRef window, Text& path, const char* excluded);

// An edit box's content in its stored form: every line break becomes
// "><br><", so that the value stays on one line of the file.
Text StoredContent(const char* content);
// The stored form back: every "><br><" becomes "\r\n".
Text RestoredContent(const char* stored);

// One combo box's state as the settings file keeps it.
struct ComboState {
    std::vector<std::pair<std::string, int32_t>> items;  // text, item value
    int32_t selection = -1;
    std::string content;
};

// "text<|>value<||>" for each item, then "selection<|>content".
Text ComposeComboValue(const ComboState& state);
// The stored value read back: every part before the last "<||>"-separated
// part is an item (text before its first "<|>", value after its last one,
// truncated); the last part gives the selection (before its first "<|>")
// and the content (after its last "<|>").
ComboState ParseComboValue(const char* value);

}  // namespace app
