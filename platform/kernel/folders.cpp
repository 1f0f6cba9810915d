// Current directory, well-known folders, full paths and the shell's path helpers.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/kernel/codepage.h"
#include "platform/kernel/last_error.h"
#include "platform/kernel/path.h"
#include "win/kernel.h"
#include "win/shell.h"

namespace platform {
namespace {

std::string CurrentDirectory() {
    std::vector<char> buf(PATH_MAX + 1);
    while (!getcwd(buf.data(), buf.size())) {
        if (errno != ERANGE) return {};
        buf.resize(buf.size() * 2);
    }
    return buf.data();
}

bool IsDir(const std::string& posix) {
    struct stat st{};
    return stat(posix.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Creates every folder of `posix` (each component, in order).
bool MakeFolders(const std::string& posix) {
    for (size_t i = 1; i <= posix.size(); ++i) {
        if (i != posix.size() && posix[i] != '/') continue;
        std::string part = posix.substr(0, i);
        if (part.empty() || part.back() == '/') continue;
        if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return FailWithErrno();
        if (!IsDir(part)) {
            SetLastErrorCode(ERROR_PATH_NOT_FOUND);
            return false;
        }
    }
    return true;
}

std::string Home() {
    const char* h = std::getenv("HOME");
    return h && *h ? h : "";
}

std::string DataHome() {
    const char* d = std::getenv("XDG_DATA_HOME");
    if (d && *d == '/') return d;
    std::string home = Home();
    return home.empty() ? "" : home + "/.local/share";
}

// The configuration folder: autostart entries and per-user settings live here.
std::string ConfigHome() {
    const char* c = std::getenv("XDG_CONFIG_HOME");
    if (c && *c == '/') return c;
    std::string home = Home();
    return home.empty() ? "" : home + "/.config";
}

// Reads XDG_<NAME>_DIR from user-dirs.dirs ("$HOME/Desktop" style values).
std::string XdgUserDir(const char* name, const char* fallback) {
    std::string home = Home();
    if (home.empty()) return {};
    const char* cfg = std::getenv("XDG_CONFIG_HOME");
    std::string file = (cfg && *cfg == '/' ? std::string(cfg) : home + "/.config") + "/user-dirs.dirs";
    std::ifstream in(file);
    std::string key = std::string("XDG_") + name + "_DIR=";
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(key, 0) != 0) continue;
        std::string v = line.substr(key.size());
        if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
        if (v.rfind("$HOME", 0) == 0) v = home + v.substr(5);
        if (!v.empty() && v[0] == '/') return v;
    }
    return home + "/" + fallback;
}

}  // namespace
}  // namespace platform

using namespace platform;

WINEXPORT DWORD GetCurrentDirectoryA(DWORD nBufferLength, LPSTR lpBuffer) {
    std::string cwd = CurrentDirectory();
    if (cwd.empty()) {
        FailWithErrno();
        return 0;
    }
    return CopyPathOut(ToWindowsPath(cwd), lpBuffer, nBufferLength);
}

WINEXPORT BOOL SetCurrentDirectoryA(LPCSTR lpPathName) {
    if (!lpPathName || !*lpPathName) {
        SetLastErrorCode(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (chdir(ToPosixPath(lpPathName).c_str()) != 0) return FailWithErrno();
    return TRUE;
}

WINEXPORT DWORD GetTempPathA(DWORD nBufferLength, LPSTR lpBuffer) {
    const char* t = std::getenv("TMPDIR");
    std::string dir = t && *t == '/' ? t : "/tmp";
    if (dir.back() != '/') dir += '/';
    return CopyPathOut(ToWindowsPath(dir), lpBuffer, nBufferLength);
}

WINEXPORT UINT GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize) {
    std::string base = DataHome();
    if (base.empty()) base = "/tmp";
    std::string dir = base + "/sigdesigner/windows";
    MakeFolders(dir);
    return CopyPathOut(ToWindowsPath(dir), lpBuffer, uSize);
}

WINEXPORT UINT GetSystemDirectoryA(LPSTR lpBuffer, UINT uSize) {
    std::string base = DataHome();
    if (base.empty()) base = "/tmp";
    std::string dir = base + "/sigdesigner/windows/system32";
    MakeFolders(dir);
    return CopyPathOut(ToWindowsPath(dir), lpBuffer, uSize);
}

WINEXPORT DWORD GetFullPathNameA(LPCSTR lpFileName, DWORD nBufferLength, LPSTR lpBuffer, LPSTR* lpFilePart) {
    if (!lpFileName || !*lpFileName) {
        SetLastErrorCode(ERROR_INVALID_NAME);
        return 0;
    }
    std::string full = ToWindowsPath(AbsolutePosixPath(ToPosixPath(lpFileName)));
    DWORD r = CopyPathOut(full, lpBuffer, nBufferLength);
    if (lpFilePart) {
        *lpFilePart = nullptr;
        if (lpBuffer && nBufferLength > full.size()) {
            // The part after the last backslash, found double-byte aware: a
            // trail byte 0x5C is not a separator.
            size_t last = std::string::npos;
            for (size_t i = 0; i < full.size(); ++i) {
                if (IsGbkLeadByte(static_cast<unsigned char>(full[i])) && i + 1 < full.size()) {
                    ++i;
                    continue;
                }
                if (full[i] == '\\') last = i;
            }
            if (last != std::string::npos && last + 1 < full.size()) *lpFilePart = lpBuffer + last + 1;
        }
    }
    return r;
}

WINEXPORT BOOL PathFileExistsA(LPCSTR pszPath) {
    if (!pszPath || !*pszPath) return FALSE;
    struct stat st{};
    if (stat(ToPosixPath(pszPath).c_str(), &st) != 0) return FailWithErrno();
    return TRUE;
}

WINEXPORT BOOL PathIsDirectoryA(LPCSTR pszPath) {
    if (!pszPath || !*pszPath) return FALSE;
    return IsDir(ToPosixPath(pszPath)) ? static_cast<BOOL>(FILE_ATTRIBUTE_DIRECTORY) : FALSE;
}

WINEXPORT BOOL MakeSureDirectoryPathExists(LPCSTR DirPath) {
    if (!DirPath || !*DirPath) {
        SetLastErrorCode(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string posix = ToPosixPath(DirPath);
    size_t slash = posix.rfind('/');
    if (slash == std::string::npos) return TRUE;  // a bare file name: no folder to make
    return MakeFolders(posix.substr(0, slash)) ? TRUE : FALSE;
}

WINEXPORT BOOL SHGetSpecialFolderPathA(HWND, LPSTR pszPath, int csidl, BOOL fCreate) {
    if (!pszPath) {
        SetLastErrorCode(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *pszPath = '\0';
    std::string data = DataHome();
    std::string dir;
    switch (csidl & ~CSIDL_FLAG_CREATE) {
        case CSIDL_DESKTOP:
        case CSIDL_DESKTOPDIRECTORY: dir = XdgUserDir("DESKTOP", "Desktop"); break;
        case CSIDL_PERSONAL: dir = XdgUserDir("DOCUMENTS", "Documents"); break;
        case CSIDL_FAVORITES: dir = data.empty() ? "" : data + "/sigdesigner/favorites"; break;
        case CSIDL_FONTS: dir = data.empty() ? "" : data + "/fonts"; break;
        case CSIDL_STARTMENU:
        case CSIDL_PROGRAMS: dir = data.empty() ? "" : data + "/applications"; break;
        case CSIDL_STARTUP: dir = ConfigHome().empty() ? "" : ConfigHome() + "/autostart"; break;
        case CSIDL_APPDATA: dir = ConfigHome(); break;
        case CSIDL_LOCAL_APPDATA: dir = data; break;
        default: SetLastErrorCode(ERROR_INVALID_PARAMETER); return FALSE;
    }
    if (dir.empty()) {
        SetLastErrorCode(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    if ((fCreate || (csidl & CSIDL_FLAG_CREATE)) && !MakeFolders(dir)) return FALSE;
    std::string out = ToWindowsPath(dir);
    if (out.size() >= MAX_PATH) {
        SetLastErrorCode(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(pszPath, out.c_str(), out.size() + 1);
    return TRUE;
}
