// File handles on POSIX descriptors, directory listing and file attributes.
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "platform/kernel/codepage.h"
#include "platform/kernel/handles.h"
#include "platform/kernel/last_error.h"
#include "platform/kernel/path.h"
#include "win/kernel.h"

namespace platform {
namespace {

struct OpenFile {
    int fd = -1;
    ~OpenFile() {
        if (fd >= 0) close(fd);
    }
};

struct FindState {
    std::string folder;  // POSIX, with trailing '/'
    std::vector<std::string> names;
    size_t next = 0;
};

HandleTable<OpenFile>& Files() {
    static auto* t = new HandleTable<OpenFile>(HandleKind::File);
    return *t;
}
HandleTable<FindState>& Finds() {
    static auto* t = new HandleTable<FindState>(HandleKind::FindFile);
    return *t;
}

const bool kRegistered = [] {
    RegisterCloseHandler(HandleKind::File, [](uint32_t h) { return Files().Remove(h) != nullptr; });
    RegisterCloseHandler(HandleKind::FindFile, [](uint32_t h) { return Finds().Remove(h) != nullptr; });
    return true;
}();

// Maps a caller's path; an empty or missing path is refused up front.
bool MapPath(LPCSTR path, std::string& out) {
    if (!path || !*path) {
        SetLastErrorCode(ERROR_PATH_NOT_FOUND);
        return false;
    }
    out = ToPosixPath(path);
    return true;
}

// Windows' error for a missing file whose folder is missing too.
uint32_t MissingError(const std::string& posix) {
    size_t slash = posix.rfind('/');
    if (slash == std::string::npos || slash == 0) return ERROR_FILE_NOT_FOUND;
    struct stat st{};
    if (stat(posix.substr(0, slash).c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return ERROR_PATH_NOT_FOUND;
    return ERROR_FILE_NOT_FOUND;
}

void SetErrorForPath(int err, const std::string& posix) {
    SetLastErrorCode(err == ENOENT ? MissingError(posix) : ErrorFromErrno(err));
}

void ToFileTime(const timespec& ts, FILETIME& ft) {
    // 100-ns intervals since 1601-01-01.
    uint64_t v = (static_cast<uint64_t>(ts.tv_sec) + 11644473600ull) * 10000000ull + static_cast<uint64_t>(ts.tv_nsec) / 100;
    ft.dwLowDateTime = static_cast<DWORD>(v);
    ft.dwHighDateTime = static_cast<DWORD>(v >> 32);
}

DWORD AttributesOf(const std::string& posix, const struct stat& st) {
    if (S_ISDIR(st.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
    if (access(posix.c_str(), W_OK) != 0) return FILE_ATTRIBUTE_READONLY;
    return FILE_ATTRIBUTE_NORMAL;
}

bool FillFindData(const FindState& f, const std::string& name, LPWIN32_FIND_DATAA d) {
    std::memset(d, 0, sizeof(*d));
    std::string full = f.folder + name;
    struct stat st{};
    if (stat(full.c_str(), &st) != 0 && lstat(full.c_str(), &st) != 0) return false;
    d->dwFileAttributes = AttributesOf(full, st);
    ToFileTime(st.st_mtim, d->ftLastWriteTime);
    ToFileTime(st.st_atim, d->ftLastAccessTime);
    ToFileTime(st.st_ctim, d->ftCreationTime);
    uint64_t size = S_ISDIR(st.st_mode) ? 0 : static_cast<uint64_t>(st.st_size);
    d->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    d->nFileSizeLow = static_cast<DWORD>(size);
    std::string gbk = Utf8ToGbk(name);
    size_t n = std::min(gbk.size(), sizeof(d->cFileName) - 1);
    std::memcpy(d->cFileName, gbk.data(), n);
    return true;
}

bool HasWildcard(std::string_view s) { return s.find_first_of("*?") != std::string_view::npos; }

size_t Utf8Length(std::string_view s, size_t i) {
    auto c = static_cast<unsigned char>(s[i]);
    size_t n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    return i + n <= s.size() ? n : s.size() - i;
}

// Windows wildcards on UTF-8 names: '*' any run, '?' one character (fnmatch
// would take '?' for one byte of a Chinese name), ASCII letters in any case.
bool WildcardMatch(std::string_view pat, std::string_view name) {
    auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pat.size() && pat[p] == '*') {
            starP = ++p;
            starN = n;
        } else if (p < pat.size() && pat[p] == '?') {
            ++p;
            n += Utf8Length(name, n);
        } else if (p < pat.size() && fold(pat[p]) == fold(name[n])) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            // Let the last '*' take one more character and retry.
            p = starP;
            starN += Utf8Length(name, starN);
            n = starN;
        } else {
            return false;
        }
    }
    while (p < pat.size() && pat[p] == '*') ++p;
    return p == pat.size();
}

bool CopyFileData(int in, int out) {
    std::vector<char> buf(1 << 16);
    for (;;) {
        ssize_t n = read(in, buf.data(), buf.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return true;
        for (ssize_t done = 0; done < n;) {
            ssize_t w = write(out, buf.data() + done, static_cast<size_t>(n - done));
            if (w < 0) {
                if (errno == EINTR) continue;
                return false;
            }
            done += w;
        }
    }
}

}  // namespace
}  // namespace platform

using namespace platform;

WINEXPORT HANDLE CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD, LPSECURITY_ATTRIBUTES,
                             DWORD dwCreationDisposition, DWORD, HANDLE) {
    std::string path;
    if (!MapPath(lpFileName, path)) return INVALID_HANDLE_VALUE;
    bool rd = dwDesiredAccess & (GENERIC_READ | GENERIC_ALL);
    bool wr = dwDesiredAccess & (GENERIC_WRITE | GENERIC_ALL);
    int flags = O_CLOEXEC | (wr ? (rd ? O_RDWR : O_WRONLY) : O_RDONLY);
    switch (dwCreationDisposition) {
        case CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
        case CREATE_ALWAYS: flags |= O_CREAT | O_TRUNC; break;
        case OPEN_EXISTING: break;
        case OPEN_ALWAYS: flags |= O_CREAT; break;
        case TRUNCATE_EXISTING:
            if (!wr) {
                SetLastErrorCode(ERROR_INVALID_PARAMETER);
                return INVALID_HANDLE_VALUE;
            }
            flags |= O_TRUNC;
            break;
        default: SetLastErrorCode(ERROR_INVALID_PARAMETER); return INVALID_HANDLE_VALUE;
    }
    bool existed = false;
    struct stat before{};
    if (stat(path.c_str(), &before) == 0) {
        existed = true;
        // Windows refuses to open a folder as a file.
        if (S_ISDIR(before.st_mode)) {
            SetLastErrorCode(ERROR_ACCESS_DENIED);
            return INVALID_HANDLE_VALUE;
        }
    }
    int fd = open(path.c_str(), flags, 0666);
    if (fd < 0) {
        int err = errno;
        if (err == EEXIST)
            SetLastErrorCode(ERROR_FILE_EXISTS);
        else
            SetErrorForPath(err, path);
        return INVALID_HANDLE_VALUE;
    }
    auto f = std::make_shared<OpenFile>();
    f->fd = fd;
    HANDLE h = Files().Add(std::move(f));
    if (!h) {
        SetLastErrorCode(ERROR_TOO_MANY_OPEN_FILES);
        return INVALID_HANDLE_VALUE;
    }
    // Success with ERROR_ALREADY_EXISTS tells the caller the file was there.
    bool reportsExisting = dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == OPEN_ALWAYS;
    SetLastErrorCode(reportsExisting && existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return h;
}

WINEXPORT BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
                        LPOVERLAPPED lpOverlapped) {
    if (lpNumberOfBytesRead) *lpNumberOfBytesRead = 0;
    auto f = Files().Get(hFile);
    if (!f) {
        SetLastErrorCode(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (lpOverlapped || (!lpBuffer && nNumberOfBytesToRead)) {
        SetLastErrorCode(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    DWORD done = 0;
    while (done < nNumberOfBytesToRead) {
        ssize_t n = read(f->fd, static_cast<char*>(lpBuffer) + done, nNumberOfBytesToRead - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (lpNumberOfBytesRead) *lpNumberOfBytesRead = done;
            SetLastErrorCode(errno == EBADF ? ERROR_ACCESS_DENIED : ErrorFromErrno(errno));
            return FALSE;
        }
        if (n == 0) break;  // end of file: success with fewer bytes
        done += static_cast<DWORD>(n);
    }
    if (lpNumberOfBytesRead) *lpNumberOfBytesRead = done;
    return TRUE;
}

WINEXPORT BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                         LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped) {
    if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = 0;
    auto f = Files().Get(hFile);
    if (!f) {
        SetLastErrorCode(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (lpOverlapped || (!lpBuffer && nNumberOfBytesToWrite)) {
        SetLastErrorCode(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    DWORD done = 0;
    while (done < nNumberOfBytesToWrite) {
        ssize_t n = write(f->fd, static_cast<const char*>(lpBuffer) + done, nNumberOfBytesToWrite - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = done;
            SetLastErrorCode(errno == EBADF ? ERROR_ACCESS_DENIED : ErrorFromErrno(errno));
            return FALSE;
        }
        done += static_cast<DWORD>(n);
    }
    if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = done;
    return TRUE;
}

WINEXPORT BOOL FlushFileBuffers(HANDLE hFile) {
    auto f = Files().Get(hFile);
    if (!f) {
        SetLastErrorCode(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return fsync(f->fd) == 0 ? TRUE : (FailWithErrno(), FALSE);
}

WINEXPORT DWORD GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh) {
    auto f = Files().Get(hFile);
    struct stat st{};
    if (!f) {
        SetLastErrorCode(ERROR_INVALID_HANDLE);
        return INVALID_FILE_SIZE;
    }
    if (fstat(f->fd, &st) != 0) {
        FailWithErrno();
        return INVALID_FILE_SIZE;
    }
    uint64_t size = static_cast<uint64_t>(st.st_size);
    if (lpFileSizeHigh) *lpFileSizeHigh = static_cast<DWORD>(size >> 32);
    SetLastErrorCode(ERROR_SUCCESS);
    return static_cast<DWORD>(size);
}

WINEXPORT DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, LONG* lpDistanceToMoveHigh, DWORD dwMoveMethod) {
    auto f = Files().Get(hFile);
    if (!f) {
        SetLastErrorCode(ERROR_INVALID_HANDLE);
        return INVALID_SET_FILE_POINTER;
    }
    int64_t dist = lpDistanceToMoveHigh
                       ? static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(*lpDistanceToMoveHigh)) << 32) |
                                              static_cast<uint32_t>(lDistanceToMove))
                       : lDistanceToMove;
    int whence = dwMoveMethod == FILE_BEGIN ? SEEK_SET : dwMoveMethod == FILE_CURRENT ? SEEK_CUR
                 : dwMoveMethod == FILE_END ? SEEK_END : -1;
    if (whence < 0) {
        SetLastErrorCode(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    off_t pos = lseek(f->fd, static_cast<off_t>(dist), whence);
    if (pos < 0) {
        // 131: ERROR_NEGATIVE_SEEK
        SetLastErrorCode(errno == EINVAL ? 131u : ErrorFromErrno(errno));
        return INVALID_SET_FILE_POINTER;
    }
    if (lpDistanceToMoveHigh) *lpDistanceToMoveHigh = static_cast<LONG>(static_cast<uint64_t>(pos) >> 32);
    SetLastErrorCode(ERROR_SUCCESS);
    return static_cast<DWORD>(pos);
}

WINEXPORT BOOL SetEndOfFile(HANDLE hFile) {
    auto f = Files().Get(hFile);
    if (!f) {
        SetLastErrorCode(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    off_t pos = lseek(f->fd, 0, SEEK_CUR);
    if (pos < 0 || ftruncate(f->fd, pos) != 0) return FailWithErrno();
    return TRUE;
}

WINEXPORT BOOL DeleteFileA(LPCSTR lpFileName) {
    std::string path;
    if (!MapPath(lpFileName, path)) return FALSE;
    struct stat st{};
    if (lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        SetLastErrorCode(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (unlink(path.c_str()) != 0) {
        SetErrorForPath(errno, path);
        return FALSE;
    }
    return TRUE;
}

WINEXPORT BOOL CopyFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists) {
    std::string from, to;
    if (!MapPath(lpExistingFileName, from) || !MapPath(lpNewFileName, to)) return FALSE;
    int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        SetErrorForPath(errno, from);
        return FALSE;
    }
    struct stat st{};
    if (fstat(in, &st) != 0 || S_ISDIR(st.st_mode)) {
        close(in);
        SetLastErrorCode(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    int out = open(to.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (bFailIfExists ? O_EXCL : O_TRUNC), 0666);
    if (out < 0) {
        int err = errno;
        close(in);
        if (err == EEXIST)
            SetLastErrorCode(ERROR_FILE_EXISTS);
        else
            SetErrorForPath(err, to);
        return FALSE;
    }
    bool ok = CopyFileData(in, out);
    int err = errno;
    close(in);
    if (close(out) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        SetLastErrorCode(ErrorFromErrno(err));
        return FALSE;
    }
    return TRUE;
}

WINEXPORT BOOL MoveFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName) {
    std::string from, to;
    if (!MapPath(lpExistingFileName, from) || !MapPath(lpNewFileName, to)) return FALSE;
    struct stat st{};
    if (lstat(to.c_str(), &st) == 0) {
        SetLastErrorCode(ERROR_ALREADY_EXISTS);
        return FALSE;
    }
    if (rename(from.c_str(), to.c_str()) == 0) return TRUE;
    if (errno != EXDEV) {
        SetErrorForPath(errno, from);
        return FALSE;
    }
    // Another file system: copy, then remove the original.
    if (!CopyFileA(lpExistingFileName, lpNewFileName, TRUE)) return FALSE;
    if (unlink(from.c_str()) != 0) return FailWithErrno();
    return TRUE;
}

WINEXPORT BOOL CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES) {
    std::string path;
    if (!MapPath(lpPathName, path)) return FALSE;
    if (mkdir(path.c_str(), 0777) != 0) {
        SetErrorForPath(errno, path);
        return FALSE;
    }
    return TRUE;
}

WINEXPORT BOOL RemoveDirectoryA(LPCSTR lpPathName) {
    std::string path;
    if (!MapPath(lpPathName, path)) return FALSE;
    if (rmdir(path.c_str()) != 0) {
        SetErrorForPath(errno, path);
        return FALSE;
    }
    return TRUE;
}

WINEXPORT DWORD GetFileAttributesA(LPCSTR lpFileName) {
    std::string path;
    if (!MapPath(lpFileName, path)) return INVALID_FILE_ATTRIBUTES;
    struct stat st{};
    if (stat(path.c_str(), &st) != 0) {
        SetErrorForPath(errno, path);
        return INVALID_FILE_ATTRIBUTES;
    }
    return AttributesOf(path, st);
}

WINEXPORT HANDLE FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData) {
    std::string path;
    if (!MapPath(lpFileName, path) || !lpFindFileData) {
        if (!lpFindFileData) SetLastErrorCode(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    size_t slash = path.rfind('/');
    auto state = std::make_shared<FindState>();
    std::string pattern;
    if (slash == std::string::npos) {
        state->folder = "./";
        pattern = path;
    } else {
        state->folder = path.substr(0, slash + 1);
        pattern = path.substr(slash + 1);
    }
    if (pattern.empty()) {
        // "C:\dir\" names nothing to list, as on Windows.
        SetLastErrorCode(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    // "*.*" matches names without a dot too, as on Windows.
    if (pattern == "*.*") pattern = "*";
    DIR* dir = opendir(state->folder.c_str());
    if (!dir) {
        SetLastErrorCode(errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(errno));
        return INVALID_HANDLE_VALUE;
    }
    bool wild = HasWildcard(pattern);
    while (dirent* e = readdir(dir)) {
        std::string name = e->d_name;
        bool match = wild ? WildcardMatch(pattern, name) : strcasecmp(pattern.c_str(), name.c_str()) == 0;
        if (match) state->names.push_back(std::move(name));
    }
    closedir(dir);
    // Directory order is arbitrary; a sorted listing is repeatable.
    std::sort(state->names.begin(), state->names.end());
    while (state->next < state->names.size()) {
        if (FillFindData(*state, state->names[state->next++], lpFindFileData)) {
            HANDLE h = Finds().Add(state);
            if (!h) {
                SetLastErrorCode(ERROR_NOT_ENOUGH_MEMORY);
                return INVALID_HANDLE_VALUE;
            }
            return h;
        }
    }
    SetLastErrorCode(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
}

WINEXPORT BOOL FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData) {
    auto state = Finds().Get(hFindFile);
    if (!state || !lpFindFileData) {
        SetLastErrorCode(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    while (state->next < state->names.size())
        if (FillFindData(*state, state->names[state->next++], lpFindFileData)) return TRUE;
    SetLastErrorCode(ERROR_NO_MORE_FILES);
    return FALSE;
}

WINEXPORT BOOL FindClose(HANDLE hFindFile) {
    if (!Finds().Remove(hFindFile)) {
        SetLastErrorCode(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}
