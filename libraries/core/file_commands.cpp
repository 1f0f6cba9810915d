// RunDirectory, WriteFile, ReadFile, ReadConfigItem, WriteConfigItem: files
// and settings files through the kernel's file and profile functions.
#include <string>
#include <vector>

#include "libraries/core/command_args.h"
#include "libraries/core/core_library.h"
#include "libraries/core/value_commands.h"
#include "runtime/notify.h"
#include "windows.h"

namespace core {

using namespace runtime;

namespace {

constexpr DWORD kConfigBufferBytes = 10240;

// Settings-file names and sections: leading bytes of value 32 or less go.
std::string_view SkipLeadingControl(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && static_cast<unsigned char>(s[i]) <= 32) ++i;
    return s.substr(i);
}

// Closes a file handle on every path out.
struct FileHandle {
    HANDLE h;
    ~FileHandle() {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
};

bool WriteAll(HANDLE h, std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(h, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
        bytes.remove_prefix(written);
    }
    return true;
}

}  // namespace

void CmdRunDirectory(ArgRecord* result, int32_t, ArgRecord*) {
    const char* folder = reinterpret_cast<const char*>(Notify()(kNotifyProgramFolder, 0, 0));
    ReturnText(result, TextView(folder));
}

void CmdWriteFile(ArgRecord* result, int32_t argCount, ArgRecord* args) {
    CommandArgs a(argCount, args);
    std::string path(a.Text(0));
    if (path.empty()) return ReturnBool(result, false);
    FileHandle file{CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, 0)};
    if (file.h == INVALID_HANDLE_VALUE) return ReturnBool(result, false);
    for (int32_t i = 1; i < a.Count(); ++i)
        if (!WriteAll(file.h, ByteSetView(a.Bytes(i)))) return ReturnBool(result, false);
    ReturnBool(result, true);
}

void CmdReadFile(ArgRecord* result, int32_t argCount, ArgRecord* args) {
    *result = MakePointerArg(nullptr, kTypeBytes);  // empty until filled
    CommandArgs a(argCount, args);
    std::string path(a.Text(0));
    if (path.empty()) return;
    FileHandle file{CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, 0)};
    if (file.h == INVALID_HANDLE_VALUE) return;
    // Read to the end rather than trust the size: the file may change meanwhile.
    std::string content;
    DWORD high = 0;
    DWORD low = GetFileSize(file.h, &high);
    if (low != INVALID_FILE_SIZE && high == 0) content.reserve(low);
    std::vector<char> buffer(1 << 16);
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file.h, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) return;
        if (got == 0) break;
        // A byte set's length is a u32: a longer file cannot be returned.
        if (content.size() + got > UINT32_MAX) return;
        content.append(buffer.data(), got);
    }
    ReturnBytes(result, content);
}

void CmdReadConfigItem(ArgRecord* result, int32_t argCount, ArgRecord* args) {
    *result = MakePointerArg(nullptr, kTypeText);  // empty until filled
    CommandArgs a(argCount, args);
    std::string file(SkipLeadingControl(a.Text(0)));
    std::string section(SkipLeadingControl(a.Text(1)));
    std::string key(SkipLeadingControl(a.Text(2)));
    if (file.empty() || section.empty() || key.empty()) return;
    std::string fallback(a.Text(3));
    std::vector<char> buffer(kConfigBufferBytes);
    GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback.empty() ? nullptr : fallback.c_str(),
                             buffer.data(), kConfigBufferBytes, file.c_str());
    buffer.back() = '\0';  // a longer value is cut to the buffer
    ReturnText(result, std::string_view(buffer.data()));
}

void CmdWriteConfigItem(ArgRecord* result, int32_t argCount, ArgRecord* args) {
    CommandArgs a(argCount, args);
    std::string file(a.Text(0));
    std::string section(a.Text(1));
    // Without a file or a section there is nothing to address; refuse
    // rather than let the profile functions guess.
    if (file.empty() || section.empty()) return ReturnBool(result, false);
    std::string key(a.Text(2)), value(a.Text(3));
    BOOL ok = WritePrivateProfileStringA(section.c_str(), a.Omitted(2) ? nullptr : key.c_str(),
                                         a.Omitted(3) ? nullptr : value.c_str(), file.c_str());
    ReturnBool(result, ok != FALSE);
}

}  // namespace core
