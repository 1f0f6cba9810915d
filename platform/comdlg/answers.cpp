// Answers queued by tests and the automation path for the next common dialogs.
#include "platform/comdlg/answers.h"

#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>

#include "win/kernel.h"
#include "win/testhooks.h"

namespace platform::comdlg {
namespace {

struct Queue {
    std::mutex mu;
    std::deque<Answer> answers;
    std::deque<bool> questions;
    std::string last;
    DWORD error = 0;
};

Queue& Q() {
    static auto* q = new Queue;
    return *q;
}

}  // namespace

std::optional<Answer> TakeAnswer() {
    std::lock_guard<std::mutex> lock(Q().mu);
    if (Q().answers.empty()) return std::nullopt;
    Answer a = Q().answers.front();
    Q().answers.pop_front();
    return a;
}

bool MustNotShow() {
    const char* b = SigTestBackendName();
    return !b || std::strcmp(b, "headless") == 0;
}

bool Ask(HWND owner, const std::string& text, const std::string& caption) {
    {
        std::lock_guard<std::mutex> lock(Q().mu);
        Q().last += "question=" + text + "\n";
        if (!Q().questions.empty()) {
            bool yes = Q().questions.front();
            Q().questions.pop_front();
            return yes;
        }
    }
    if (MustNotShow()) return false;
    return MessageBoxA(owner, text.c_str(), caption.c_str(), MB_YESNO | MB_ICONWARNING) == IDYES;
}

void SetDialogError(DWORD e) {
    std::lock_guard<std::mutex> lock(Q().mu);
    Q().error = e;
}

void Record(const std::string& description) {
    std::lock_guard<std::mutex> lock(Q().mu);
    Q().last = description;
}

}  // namespace platform::comdlg

using namespace platform::comdlg;

WINEXPORT BOOL SigTestAnswerFileDialog(LPCSTR path, DWORD filter_index) {
    if (!path) return FALSE;
    Answer a;
    a.kind = Answer::kFile;
    a.path = path;
    a.filter_index = filter_index;
    std::lock_guard<std::mutex> lock(Q().mu);
    Q().answers.push_back(a);
    return TRUE;
}

WINEXPORT BOOL SigTestAnswerColorDialog(COLORREF colour) {
    Answer a;
    a.kind = Answer::kColor;
    a.colour = colour & 0xFFFFFF;
    std::lock_guard<std::mutex> lock(Q().mu);
    Q().answers.push_back(a);
    return TRUE;
}

WINEXPORT BOOL SigTestAnswerFontDialog(LPCSTR face, int size_points, BOOL bold, BOOL italic, BOOL underline,
                                       BOOL strikeout, COLORREF colour) {
    if (!face || size_points <= 0 || size_points > 1638) return FALSE;
    Answer a;
    a.kind = Answer::kFont;
    std::strncpy(a.font.lfFaceName, face, LF_FACESIZE - 1);
    a.font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    a.font.lfItalic = italic ? 1 : 0;
    a.font.lfUnderline = underline ? 1 : 0;
    a.font.lfStrikeOut = strikeout ? 1 : 0;
    a.font.lfCharSet = DEFAULT_CHARSET;
    a.points = size_points;
    a.colour = colour & 0xFFFFFF;
    std::lock_guard<std::mutex> lock(Q().mu);
    Q().answers.push_back(a);
    return TRUE;
}

WINEXPORT BOOL SigTestAnswerCancel(void) {
    std::lock_guard<std::mutex> lock(Q().mu);
    Q().answers.push_back(Answer{});
    return TRUE;
}

WINEXPORT BOOL SigTestAnswerQuestion(BOOL yes) {
    std::lock_guard<std::mutex> lock(Q().mu);
    Q().questions.push_back(yes != 0);
    return TRUE;
}

WINEXPORT void SigTestClearDialogAnswers(void) {
    std::lock_guard<std::mutex> lock(Q().mu);
    Q().answers.clear();
    Q().questions.clear();
}

WINEXPORT int SigTestLastDialog(LPSTR buf, int size) {
    std::lock_guard<std::mutex> lock(Q().mu);
    int n = static_cast<int>(Q().last.size());
    if (buf && size > 0) {
        int k = std::min(n, size - 1);
        std::memcpy(buf, Q().last.data(), static_cast<size_t>(k));
        buf[k] = 0;
    }
    return n;
}

WINEXPORT DWORD CommDlgExtendedError(void) {
    std::lock_guard<std::mutex> lock(Q().mu);
    return Q().error;
}
