// Last error, time, process exit, and the CloseHandle dispatch.
#include <sys/syscall.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "platform/kernel/handles.h"
#include "platform/kernel/last_error.h"
#include "win/kernel.h"

namespace platform {
namespace {

thread_local uint32_t tLastError = 0;

std::array<std::atomic<CloseHandler>, static_cast<size_t>(HandleKind::Count)>& Closers() {
    static auto* closers = new std::array<std::atomic<CloseHandler>, static_cast<size_t>(HandleKind::Count)>();
    return *closers;
}

uint64_t MonotonicMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
}

void FillSystemTime(LPSYSTEMTIME st, bool local) {
    if (!st) return;
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm t{};
    if (local)
        localtime_r(&ts.tv_sec, &t);
    else
        gmtime_r(&ts.tv_sec, &t);
    st->wYear = static_cast<WORD>(t.tm_year + 1900);
    st->wMonth = static_cast<WORD>(t.tm_mon + 1);
    st->wDayOfWeek = static_cast<WORD>(t.tm_wday);
    st->wDay = static_cast<WORD>(t.tm_mday);
    st->wHour = static_cast<WORD>(t.tm_hour);
    st->wMinute = static_cast<WORD>(t.tm_min);
    st->wSecond = static_cast<WORD>(t.tm_sec > 59 ? 59 : t.tm_sec);
    st->wMilliseconds = static_cast<WORD>(ts.tv_nsec / 1000000);
}

}  // namespace

void SetLastErrorCode(uint32_t code) { tLastError = code; }
uint32_t LastErrorCode() { return tLastError; }

uint32_t ErrorFromErrno(int err) {
    switch (err) {
        case 0: return ERROR_SUCCESS;
        case ENOENT: return ERROR_FILE_NOT_FOUND;
        case ENOTDIR: return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR: return ERROR_ACCESS_DENIED;
        case EEXIST: return ERROR_ALREADY_EXISTS;
        case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
        case EMFILE:
        case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
        case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
        case ENOSPC:
        case EDQUOT: return ERROR_DISK_FULL;
        case EBADF: return ERROR_INVALID_HANDLE;
        case ENAMETOOLONG: return ERROR_INVALID_NAME;
        case EINVAL: return ERROR_INVALID_PARAMETER;
        case EBUSY:
        case ETXTBSY: return ERROR_SHARING_VIOLATION;
        default: return ERROR_INVALID_FUNCTION;
    }
}

bool FailWithErrno() {
    SetLastErrorCode(ErrorFromErrno(errno));
    return false;
}

void RegisterCloseHandler(HandleKind kind, CloseHandler closer) {
    if (kind >= HandleKind::Count) return;
    Closers()[static_cast<size_t>(kind)].store(closer);
}

bool CloseAnyHandle(uint32_t handle) {
    HandleKind kind = KindOfHandle(handle);
    CloseHandler closer = kind < HandleKind::Count ? Closers()[static_cast<size_t>(kind)].load() : nullptr;
    if (handle == 0 || !closer || !closer(handle)) {
        SetLastErrorCode(ERROR_INVALID_HANDLE);
        return false;
    }
    return true;
}

}  // namespace platform

using namespace platform;

WINEXPORT DWORD GetLastError(void) { return LastErrorCode(); }
WINEXPORT void SetLastError(DWORD dwErrCode) { SetLastErrorCode(dwErrCode); }

WINEXPORT DWORD GetTickCount(void) { return static_cast<DWORD>(MonotonicMs()); }
WINEXPORT ULONGLONG GetTickCount64(void) { return MonotonicMs(); }

WINEXPORT void Sleep(DWORD dwMilliseconds) {
    timespec ts{static_cast<time_t>(dwMilliseconds / 1000), static_cast<long>(dwMilliseconds % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

WINEXPORT DWORD GetCurrentThreadId(void) { return static_cast<DWORD>(syscall(SYS_gettid)); }
WINEXPORT DWORD GetCurrentProcessId(void) { return static_cast<DWORD>(getpid()); }

WINEXPORT void ExitProcess(UINT uExitCode) {
    std::fflush(nullptr);
    std::exit(static_cast<int>(uExitCode));
}

WINEXPORT void GetLocalTime(LPSYSTEMTIME lpSystemTime) { FillSystemTime(lpSystemTime, true); }
WINEXPORT void GetSystemTime(LPSYSTEMTIME lpSystemTime) { FillSystemTime(lpSystemTime, false); }

WINEXPORT BOOL CloseHandle(HANDLE hObject) { return CloseAnyHandle(hObject) ? TRUE : FALSE; }
