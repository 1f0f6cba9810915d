// The queue of answers for the next common dialogs (see win/automation.h).
#include <cstring>
#include <deque>
#include <mutex>
#include <optional>
#include <string>

#include "win/automation.h"

namespace {

struct Answers {
    std::mutex mu;
    std::deque<std::optional<std::string>> queue;  // nullopt = cancel
};

Answers& A() {
    static Answers* a = new Answers;  // never destroyed: a dialog may ask during exit
    return *a;
}

}  // namespace

WINEXPORT BOOL SigAutomationQueueDialogAnswer(LPCSTR text) {
    auto& a = A();
    std::lock_guard<std::mutex> lock(a.mu);
    if (text) a.queue.emplace_back(std::string(text));
    else a.queue.emplace_back(std::nullopt);
    return TRUE;
}

WINEXPORT int SigAutomationNextDialogAnswer(LPSTR buffer, DWORD size, DWORD* needed) {
    auto& a = A();
    std::lock_guard<std::mutex> lock(a.mu);
    if (needed) *needed = 0;
    if (a.queue.empty()) return SIG_DIALOG_ANSWER_NONE;
    if (!a.queue.front()) {
        a.queue.pop_front();
        return SIG_DIALOG_ANSWER_CANCEL;
    }
    const std::string& t = *a.queue.front();
    if (needed) *needed = static_cast<DWORD>(t.size() + 1);
    if (!buffer || size < t.size() + 1) return SIG_DIALOG_ANSWER_SMALL;
    std::memcpy(buffer, t.c_str(), t.size() + 1);
    a.queue.pop_front();
    return SIG_DIALOG_ANSWER_TEXT;
}
