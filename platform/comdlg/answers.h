// The queue of answers for common dialogs, and what the last dialog showed.
#pragma once

#include <optional>
#include <string>

#include "win/commdlg.h"

namespace platform::comdlg {

struct Answer {
    enum Kind { kCancel, kFile, kColor, kFont } kind = kCancel;
    std::string path;
    DWORD filter_index = 0;
    COLORREF colour = 0;
    LOGFONTA font{};
    int points = 0;
};

// The next answer, if one is queued.
std::optional<Answer> TakeAnswer();
// Whether a dialog with no answer queued must be cancelled (headless).
bool MustNotShow();
// A yes/no question: a queued answer, else a message box on a display, else "no".
bool Ask(HWND owner, const std::string& text, const std::string& caption);
void SetDialogError(DWORD e);
void Record(const std::string& description);

}  // namespace platform::comdlg
