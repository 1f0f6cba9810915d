// GetPrivateProfileStringA and friends: file I/O around platform/kernel/ini.h.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "platform/kernel/codepage.h"
#include "platform/kernel/ini.h"
#include "platform/kernel/last_error.h"
#include "platform/kernel/path.h"
#include "win/kernel.h"

namespace platform {
namespace {

// Larger files are not settings files; reading one would only exhaust memory.
constexpr size_t kMaxProfileBytes = 256u << 20;

std::mutex& ProfileMutex() {
    static auto* m = new std::mutex;
    return *m;
}

enum class ReadResult { Ok, Missing, Failed };

ReadResult ReadWhole(const std::string& path, std::string& out) {
    out.clear();
    // O_NONBLOCK: a FIFO in the settings file's place must not hang the
    // program; anything but a regular file is refused below.
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ENOENT) return ReadResult::Missing;
        FailWithErrno();
        return ReadResult::Failed;
    }
    struct stat st{};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<uint64_t>(st.st_size) > kMaxProfileBytes) {
        close(fd);
        SetLastErrorCode(ERROR_ACCESS_DENIED);
        return ReadResult::Failed;
    }
    out.reserve(static_cast<size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            FailWithErrno();
            close(fd);
            return ReadResult::Failed;
        }
        if (n == 0) break;
        if (out.size() + static_cast<size_t>(n) > kMaxProfileBytes) {
            close(fd);
            SetLastErrorCode(ERROR_ACCESS_DENIED);
            return ReadResult::Failed;
        }
        out.append(buf, static_cast<size_t>(n));
    }
    close(fd);
    return ReadResult::Ok;
}

mode_t NewFileMode() {
    // The umask, read without changing it (umask() itself is not thread-safe).
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("Umask:", 0) == 0) return 0666 & ~static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
    return 0644;
}

// Writes to a temporary file beside the target and renames it over the
// target, so a reader never sees half a file and a failure leaves the old one.
bool WriteAtomically(const std::string& path, const std::string& bytes) {
    std::string target = path;
    // Write through a link to the file it names, keeping the link.
    char resolved[PATH_MAX];
    struct stat lst{};
    if (lstat(path.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode) && realpath(path.c_str(), resolved)) target = resolved;
    size_t slash = target.rfind('/');
    std::string folder = slash == std::string::npos ? "." : target.substr(0, slash == 0 ? 1 : slash);
    std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string tmp = folder + "/." + base + ".XXXXXX";
    std::vector<char> name(tmp.begin(), tmp.end());
    name.push_back('\0');
    int fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        SetLastErrorCode(errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(errno));
        return false;
    }
    struct stat st{};
    mode_t mode = stat(target.c_str(), &st) == 0 ? (st.st_mode & 07777) : NewFileMode();
    bool ok = fchmod(fd, mode) == 0;
    for (size_t done = 0; ok && done < bytes.size();) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ok = false;
            break;
        }
        done += static_cast<size_t>(n);
    }
    ok = ok && fsync(fd) == 0;
    int err = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && rename(name.data(), target.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        unlink(name.data());
        SetLastErrorCode(ErrorFromErrno(err));
    }
    return ok;
}

// Caller texts are GBK; a UTF-8 or UTF-16 file is read and written in UTF-8.
std::string ToDoc(const ini::Document& doc, const char* gbk) {
    return doc.DoubleByte() ? std::string(gbk) : GbkToUtf8(gbk);
}
std::string FromDoc(const ini::Document& doc, std::string s) {
    // A NUL byte in the file would end the caller's text early anyway.
    size_t nul = s.find('\0');
    if (nul != std::string::npos) s.resize(nul);
    return doc.DoubleByte() ? s : Utf8ToGbk(s);
}

DWORD CopyValue(const std::string& v, LPSTR buf, DWORD size) {
    if (size == 0) return 0;
    size_t n = v.size() < size - 1 ? v.size() : size - 1;
    if (n < v.size()) SetLastErrorCode(ERROR_MORE_DATA);
    std::memcpy(buf, v.data(), n);
    buf[n] = '\0';
    return static_cast<DWORD>(n);
}

// NUL-separated names ended by one more NUL; when the list does not fit the
// last name is cut and the result is size - 2, as on Windows.
DWORD CopyList(const std::vector<std::string>& names, LPSTR buf, DWORD size) {
    if (size == 0) return 0;
    if (size == 1) {
        buf[0] = '\0';
        return 0;
    }
    size_t pos = 0;
    for (const std::string& name : names) {
        if (pos + name.size() + 1 > size - 1) {
            size_t room = size - 2 > pos ? size - 2 - pos : 0;
            std::memcpy(buf + pos, name.data(), room);
            buf[size - 2] = '\0';
            buf[size - 1] = '\0';
            return size - 2;
        }
        std::memcpy(buf + pos, name.data(), name.size());
        pos += name.size();
        buf[pos++] = '\0';
    }
    buf[pos] = '\0';
    return static_cast<DWORD>(pos);
}

// An unreadable file reads as an empty one: every lookup gives the default.
ini::Document Load(LPCSTR file) {
    std::string bytes;
    if (file && *file && ReadWhole(ToPosixPath(file), bytes) != ReadResult::Ok) bytes.clear();
    return ini::Decode(bytes);
}

}  // namespace
}  // namespace platform

using namespace platform;

WINEXPORT DWORD GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault,
                                         LPSTR lpReturnedString, DWORD nSize, LPCSTR lpFileName) {
    if (!lpReturnedString || nSize == 0) {
        SetLastErrorCode(ERROR_INVALID_PARAMETER);
        return 0;
    }
    ini::Document doc;
    {
        std::lock_guard<std::mutex> lock(ProfileMutex());
        doc = Load(lpFileName);
    }
    if (!lpAppName || !lpKeyName) {
        std::vector<std::string> names = lpAppName ? ini::KeyNames(doc, ToDoc(doc, lpAppName)) : ini::SectionNames(doc);
        for (std::string& n : names) n = FromDoc(doc, std::move(n));
        return CopyList(names, lpReturnedString, nSize);
    }
    std::optional<std::string> v = ini::FindValue(doc, ToDoc(doc, lpAppName), ToDoc(doc, lpKeyName));
    if (v) return CopyValue(FromDoc(doc, std::move(*v)), lpReturnedString, nSize);
    std::string def = lpDefault ? lpDefault : "";
    while (!def.empty() && def.back() == ' ') def.pop_back();
    SetLastErrorCode(ERROR_FILE_NOT_FOUND);
    return CopyValue(def, lpReturnedString, nSize);
}

WINEXPORT UINT GetPrivateProfileIntA(LPCSTR lpAppName, LPCSTR lpKeyName, INT nDefault, LPCSTR lpFileName) {
    if (!lpAppName || !lpKeyName) return static_cast<UINT>(nDefault);
    ini::Document doc;
    {
        std::lock_guard<std::mutex> lock(ProfileMutex());
        doc = Load(lpFileName);
    }
    std::optional<std::string> v = ini::FindValue(doc, ToDoc(doc, lpAppName), ToDoc(doc, lpKeyName));
    if (!v) return static_cast<UINT>(nDefault);
    const char* p = v->c_str();
    bool negative = false;
    if (*p == '-' || *p == '+') negative = *p++ == '-';
    int64_t n = 0;
    while (*p >= '0' && *p <= '9') {
        n = n * 10 + (*p++ - '0');
        if (n > 0xFFFFFFFFll) n = 0xFFFFFFFFll;  // saturate instead of overflowing
    }
    return static_cast<UINT>(negative ? -n : n);
}

WINEXPORT BOOL WritePrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString, LPCSTR lpFileName) {
    if (!lpFileName || !*lpFileName) {
        // All NULL asks Windows to flush its cache; there is none here.
        if (!lpAppName && !lpKeyName && !lpString) return TRUE;
        SetLastErrorCode(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!lpAppName) {
        SetLastErrorCode(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string path = ToPosixPath(lpFileName);
    std::lock_guard<std::mutex> lock(ProfileMutex());
    std::string bytes;
    ReadResult read = ReadWhole(path, bytes);
    if (read == ReadResult::Failed) return FALSE;
    ini::Document doc = ini::Decode(bytes);
    ini::Edit edit;
    if (!lpKeyName)
        edit = ini::RemoveSection(doc, ToDoc(doc, lpAppName));
    else if (!lpString)
        edit = ini::RemoveKey(doc, ToDoc(doc, lpAppName), ToDoc(doc, lpKeyName));
    else
        edit = ini::SetValue(doc, ToDoc(doc, lpAppName), ToDoc(doc, lpKeyName), ToDoc(doc, lpString));
    if (edit == ini::Edit::Refused) {
        SetLastErrorCode(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // Nothing to change: a missing file stays missing (a removal from it).
    if (edit == ini::Edit::Unchanged) return TRUE;
    return WriteAtomically(path, ini::Encode(doc)) ? TRUE : FALSE;
}
