// The automation script: one step per line, read whole before anything runs
// so that a typing mistake on line 40 is reported before line 1 has clicked.
// Pure: text in, steps or errors out.
//
//   wait-window WINDOW [MS]     wait-gone WINDOW [MS]      (default 10000 ms)
//   click|press|release WINDOW X Y                         (client coordinates, left button)
//   type "TEXT"                 key [Ctrl+][Shift+][Alt+]NAME
//   dialog PATH | dialog cancel screenshot WINDOW FILE     dump WINDOW FILE
//   close WINDOW                sleep MS
//
// WINDOW is a title in double quotes or @active. Inside quotes, \" stands
// for a quote and \\ for a backslash. Blank lines and lines starting with #
// are skipped; LF, CR LF and CR end lines; the text is UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform::automation {

enum class StepKind {
    WaitWindow,
    WaitGone,
    Click,
    Press,
    Release,
    Type,
    Key,
    Dialog,
    Screenshot,
    Dump,
    Close,
    Sleep,
    Count
};

// A window named by its exact title (UTF-8) or the active top-level window.
struct WindowRef {
    bool active = false;
    std::string title;
};

// Modifier bits of a key step.
constexpr unsigned kCtrl = 1, kShift = 2, kAlt = 4;

struct Step {
    StepKind kind = StepKind::Sleep;
    int line = 0;
    std::string source;  // the line as written, without surrounding blanks
    WindowRef window;
    int x = 0;
    int y = 0;
    uint32_t ms = 0;     // wait-window, wait-gone, sleep
    std::string text;    // type: UTF-8; screenshot/dump/dialog: the path (UTF-8)
    bool cancel = false; // dialog cancel
    unsigned vk = 0;     // key
    unsigned modifiers = 0;
    char32_t key_char = 0;  // what the key types, 0 for none (Space, letters, digits)
};

struct ScriptError {
    int line = 0;
    std::string source;
    std::string why;
};

struct Script {
    std::vector<Step> steps;
    std::vector<ScriptError> errors;  // empty when the script may run
};

constexpr uint32_t kDefaultWaitMs = 10000;

Script ParseScript(std::string_view text);

// The virtual key for a key name ("Enter", "F1", "A", ...), 0 when unknown.
unsigned KeyByName(std::string_view name);

}  // namespace platform::automation
