// The text commands: lengths and cuts count bytes; searching, replacing,
// splitting, blank removal and case folding keep double-byte characters whole.
#include <algorithm>
#include <string>

#include "libraries/core/command_args.h"
#include "libraries/core/core_library.h"
#include "libraries/core/gbk_text.h"
#include "libraries/core/value_commands.h"

namespace core {

using namespace runtime;

void CmdTextLength(ArgRecord* result, int32_t argCount, ArgRecord* args) {
    CommandArgs a(argCount, args);
    ReturnInt(result, static_cast<int32_t>(std::min<size_t>(a.Text(0).size(), INT32_MAX)));
}

void CmdCharOf(ArgRecord* result, int32_t argCount, ArgRecord* args) {
    *result = MakePointerArg(nullptr, kTypeText);  // empty until filled
    CommandArgs a(argCount, args);
    char c = static_cast<char>(a.Int(0, 0) & 0xFF);
    if (c) ReturnText(result, std::string_view(&c, 1));
}

void CmdBlankText(ArgRecord* result, int32_t argCount, ArgRecord* args) {
    *result = MakePointerArg(nullptr, kTypeText);  // empty until filled
    CommandArgs a(argCount, args);
    int32_t n = a.Int(0, 0);
    if (n < 1) return;
    ReturnText(result, std::string(static_cast<size_t>(n), ' '));
}

void CmdTextRight(ArgRecord* result, int32_t argCount, ArgRecord* args) {
    *result = MakePointerArg(nullptr, kTypeText);  // empty until filled
    CommandArgs a(argCount, args);
    std::string_view text = a.Text(0);
    int32_t n = a.Int(1, 0);
    if (n <= 0) return;
    size_t take = std::min(static_cast<size_t>(n), text.size());
    ReturnText(result, text.substr(text.size() - take));
}

void CmdTextLeft(ArgRecord* result, int32_t argCount, ArgRecord* args) {
    *result = MakePointerArg(nullptr, kTypeText);  // empty until filled
    CommandArgs a(argCount, args);
    int32_t n = a.Int(1, 0);
    if (n <= 0) return;
    ReturnText(result, a.Text(0).substr(0, static_cast<size_t>(n)));
}

void CmdTextMiddle(ArgRecord* result, int32_t argCount, ArgRecord* args) {
    *result = MakePointerArg(nullptr, kTypeText);  // empty until filled
    CommandArgs a(argCount, args);
    std::string_view text = a.Text(0);
    int64_t p = static_cast<int64_t>(a.Int(1, 0)) - 1;
    int32_t n = a.Int(2, 0);
    if (p < 0 || static_cast<size_t>(p) >= text.size() || n <= 0) return;
    ReturnText(result, text.substr(static_cast<size_t>(p), static_cast<size_t>(n)));
}

void CmdToLowerCase(ArgRecord* result, int32_t argCount, ArgRecord* args) {
    CommandArgs a(argCount, args);
    ReturnText(result, ToLowerCase(a.Text(0)));
}

namespace {

void Find(ArgRecord* result, int32_t argCount, ArgRecord* args, bool backward) {
    CommandArgs a(argCount, args);
    long start = a.Omitted(2) ? -1 : a.Int(2, 0);
    // A given start below 1 counts from the first byte (a negative value is
    // not "omitted").
    if (!a.Omitted(2) && start < 0) start = 0;
    ReturnInt(result, static_cast<int32_t>(FindText(a.Text(0), a.Text(1), start, a.Bool(3, false), backward)));
}

}  // namespace

void CmdFindText(ArgRecord* result, int32_t argCount, ArgRecord* args) { Find(result, argCount, args, false); }
void CmdFindTextBackward(ArgRecord* result, int32_t argCount, ArgRecord* args) { Find(result, argCount, args, true); }

void CmdTrimBoth(ArgRecord* result, int32_t argCount, ArgRecord* args) {
    CommandArgs a(argCount, args);
    ReturnText(result, RemoveBlanks(a.Text(0), BlankMode::TrimBoth));
}

void CmdRemoveAllSpaces(ArgRecord* result, int32_t argCount, ArgRecord* args) {
    CommandArgs a(argCount, args);
    ReturnText(result, RemoveBlanks(a.Text(0), BlankMode::RemoveAll));
}

void CmdReplaceSubtext(ArgRecord* result, int32_t argCount, ArgRecord* args) {
    CommandArgs a(argCount, args);
    std::string_view text = a.Text(0);
    int64_t start = a.Int(3, 1);
    size_t d = start - 1 < 0 ? 0 : static_cast<size_t>(start - 1);
    long count = a.Int(4, -1);
    if (count < 0) count = -1;  // any negative count means no limit
    // Compiled logic always passes the case flag; if it is missing, compare exactly.
    bool caseSensitive = a.Bool(5, true);
    ReturnText(result, ReplaceSubtext(text, a.Text(1), a.Text(2), d, count, caseSensitive));
}

void CmdSplitText(ArgRecord* result, int32_t argCount, ArgRecord* args) {
    CommandArgs a(argCount, args);
    std::string_view separator = a.Omitted(1) ? std::string_view(",") : a.Text(1);
    long maxParts = a.Omitted(2) ? -1 : std::max<int32_t>(a.Int(2, 0), 0);
    std::vector<std::string_view> parts = SplitText(a.Text(0), separator, maxParts);
    NotifyRoutine notify = Notify();
    void* array = MakeArray(notify, kTypeText, parts.size());
    ArrayInfo info;
    ReadArrayInfo(array, kTypeText, &info);
    for (size_t i = 0; i < parts.size(); ++i)
        SetArrayPointerElement(array, info, i,
                               MakeText(notify, parts[i].data(), static_cast<ptrdiff_t>(parts[i].size())));
    *result = MakePointerArg(array, kTypeText | kArrayFlag);
}

void CmdCompareText(ArgRecord* result, int32_t argCount, ArgRecord* args) {
    CommandArgs a(argCount, args);
    ReturnInt(result, CompareText(a.Text(0), a.Text(1), a.Bool(2, true)));
}

}  // namespace core
