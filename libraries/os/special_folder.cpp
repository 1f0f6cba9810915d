#include "libraries/os/special_folder.h"

#include "libraries/os/os_library.h"
#include "win/kernel.h"
#include "win/shell.h"

namespace os {
namespace {

// Codes 1-8 in the shell's numbering.
constexpr int kShellFolders[] = {
    CSIDL_PERSONAL, CSIDL_FAVORITES, CSIDL_DESKTOPDIRECTORY, CSIDL_FONTS,
    CSIDL_STARTMENU, CSIDL_PROGRAMS, CSIDL_STARTUP, CSIDL_APPDATA,
};
static_assert(std::size(kShellFolders) == 8);

}  // namespace

std::string SpecialFolder(int32_t code) {
    if (code < kFirstFolderCode || code > kLastFolderCode) return {};
    char buffer[MAX_PATH] = {};
    bool ok;
    switch (code) {
        case 9: ok = GetWindowsDirectoryA(buffer, MAX_PATH) > 0; break;
        case 10: ok = GetSystemDirectoryA(buffer, MAX_PATH) > 0; break;
        case 11: ok = GetTempPathA(MAX_PATH, buffer) > 0; break;
        default: ok = SHGetSpecialFolderPathA(0, buffer, kShellFolders[code - 1], FALSE) != FALSE; break;
    }
    // A length at or above the buffer's size means the path did not fit.
    std::string path(buffer, strnlen(buffer, MAX_PATH));
    if (!ok || path.empty() || path.size() >= MAX_PATH) return {};
    if (path.back() != '\\') path.push_back('\\');
    return path;
}

void CmdGetSpecialFolder(runtime::ArgRecord* result, int32_t argCount, runtime::ArgRecord* args) {
    int32_t code = 0;
    if (args && argCount >= 1) {
        runtime::ArgRecord copy = args[0];
        // Numbers convert as the runtime converts them; any other kind is no code.
        switch (copy.type) {
            case runtime::kTypeByte: case runtime::kTypeShort: case runtime::kTypeInt: case runtime::kTypeLong:
            case runtime::kTypeFloat: case runtime::kTypeDouble:
                code = static_cast<int32_t>(Notify()(runtime::kNotifyToInteger, reinterpret_cast<uintptr_t>(&copy), 0));
                break;
            default: break;
        }
    }
    std::string path = SpecialFolder(code);
    *result = runtime::MakePointerArg(runtime::MakeText(Notify(), path.data(), static_cast<ptrdiff_t>(path.size())),
                                      runtime::kTypeText);
}

}  // namespace os
