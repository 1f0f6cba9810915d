// Threads, events, critical sections and interlocked operations.
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <thread>

#include "platform/kernel/handles.h"
#include "platform/kernel/last_error.h"
#include "win/kernel.h"

namespace platform {
namespace {

// A waitable object: a thread (signalled when it ends) or an event.
struct Waitable {
    std::mutex mu;
    std::condition_variable cv;
    bool signalled = false;
    bool manualReset = true;
    // threads
    bool resumed = true;
    DWORD exitCode = STILL_ACTIVE;
    DWORD threadId = 0;
};

HandleTable<Waitable>& Threads() {
    static auto* t = new HandleTable<Waitable>(HandleKind::Thread);
    return *t;
}
HandleTable<Waitable>& Events() {
    static auto* t = new HandleTable<Waitable>(HandleKind::Event);
    return *t;
}

std::shared_ptr<Waitable> FindWaitable(uint32_t h) {
    if (KindOfHandle(h) == HandleKind::Thread) return Threads().Get(h);
    if (KindOfHandle(h) == HandleKind::Event) return Events().Get(h);
    return nullptr;
}

const bool kRegistered = [] {
    RegisterCloseHandler(HandleKind::Thread, [](uint32_t h) { return Threads().Remove(h) != nullptr; });
    RegisterCloseHandler(HandleKind::Event, [](uint32_t h) { return Events().Remove(h) != nullptr; });
    return true;
}();

pthread_mutex_t* NativeMutex(LPCRITICAL_SECTION cs) {
    static_assert(sizeof(pthread_mutex_t) <= sizeof(CRITICAL_SECTION::opaque));
    static_assert(alignof(pthread_mutex_t) <= alignof(CRITICAL_SECTION));
    return reinterpret_cast<pthread_mutex_t*>(cs->opaque);
}

}  // namespace
}  // namespace platform

using namespace platform;

WINEXPORT void InitializeCriticalSection(LPCRITICAL_SECTION cs) {
    if (!cs) return;
    pthread_mutexattr_t attr;
    pthread_mutexattr_init(&attr);
    pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(NativeMutex(cs), &attr);
    pthread_mutexattr_destroy(&attr);
}
WINEXPORT void DeleteCriticalSection(LPCRITICAL_SECTION cs) {
    if (cs) pthread_mutex_destroy(NativeMutex(cs));
}
WINEXPORT void EnterCriticalSection(LPCRITICAL_SECTION cs) {
    if (cs) pthread_mutex_lock(NativeMutex(cs));
}
WINEXPORT BOOL TryEnterCriticalSection(LPCRITICAL_SECTION cs) {
    return cs && pthread_mutex_trylock(NativeMutex(cs)) == 0 ? TRUE : FALSE;
}
WINEXPORT void LeaveCriticalSection(LPCRITICAL_SECTION cs) {
    if (cs) pthread_mutex_unlock(NativeMutex(cs));
}

WINEXPORT HANDLE CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE lpStartAddress,
                              LPVOID lpParameter, DWORD dwCreationFlags, LPDWORD lpThreadId) {
    if (!lpStartAddress) {
        SetLastErrorCode(ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto w = std::make_shared<Waitable>();
    w->resumed = (dwCreationFlags & CREATE_SUSPENDED) == 0;
    HANDLE h = Threads().Add(w);
    if (!h) {
        SetLastErrorCode(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    std::mutex startMu;
    std::condition_variable startCv;
    bool started = false;
    try {
        // The thread holds its own reference: closing the handle detaches it.
        std::thread([w, lpStartAddress, lpParameter, &startMu, &startCv, &started] {
            {
                std::lock_guard<std::mutex> lock(startMu);
                w->threadId = static_cast<DWORD>(syscall(SYS_gettid));
                started = true;
            }
            startCv.notify_one();
            {
                std::unique_lock<std::mutex> lock(w->mu);
                w->cv.wait(lock, [&] { return w->resumed; });
            }
            DWORD code = lpStartAddress(lpParameter);
            {
                std::lock_guard<std::mutex> lock(w->mu);
                w->exitCode = code;
                w->signalled = true;
            }
            w->cv.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        Threads().Remove(h);
        SetLastErrorCode(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    std::unique_lock<std::mutex> lock(startMu);
    startCv.wait(lock, [&] { return started; });
    if (lpThreadId) *lpThreadId = w->threadId;
    return h;
}

WINEXPORT DWORD ResumeThread(HANDLE hThread) {
    auto w = Threads().Get(hThread);
    if (!w) {
        SetLastErrorCode(ERROR_INVALID_HANDLE);
        return static_cast<DWORD>(-1);
    }
    DWORD previous;
    {
        std::lock_guard<std::mutex> lock(w->mu);
        previous = w->resumed ? 0 : 1;
        w->resumed = true;
    }
    w->cv.notify_all();
    return previous;
}

WINEXPORT BOOL GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode) {
    auto w = Threads().Get(hThread);
    if (!w || !lpExitCode) {
        SetLastErrorCode(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    std::lock_guard<std::mutex> lock(w->mu);
    *lpExitCode = w->exitCode;
    return TRUE;
}

WINEXPORT HANDLE CreateEventA(LPSECURITY_ATTRIBUTES, BOOL bManualReset, BOOL bInitialState, LPCSTR) {
    auto w = std::make_shared<Waitable>();
    w->manualReset = bManualReset != 0;
    w->signalled = bInitialState != 0;
    HANDLE h = Events().Add(std::move(w));
    if (!h) SetLastErrorCode(ERROR_NOT_ENOUGH_MEMORY);
    return h;
}

WINEXPORT BOOL SetEvent(HANDLE hEvent) {
    auto w = Events().Get(hEvent);
    if (!w) {
        SetLastErrorCode(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    {
        std::lock_guard<std::mutex> lock(w->mu);
        w->signalled = true;
    }
    w->cv.notify_all();
    return TRUE;
}

WINEXPORT BOOL ResetEvent(HANDLE hEvent) {
    auto w = Events().Get(hEvent);
    if (!w) {
        SetLastErrorCode(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    std::lock_guard<std::mutex> lock(w->mu);
    w->signalled = false;
    return TRUE;
}

WINEXPORT DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
    auto w = FindWaitable(hHandle);
    if (!w) {
        SetLastErrorCode(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    std::unique_lock<std::mutex> lock(w->mu);
    auto ready = [&] { return w->signalled; };
    if (dwMilliseconds == INFINITE)
        w->cv.wait(lock, ready);
    else if (!w->cv.wait_for(lock, std::chrono::milliseconds(dwMilliseconds), ready))
        return WAIT_TIMEOUT;
    // An auto-reset event releases one waiter and resets; a thread stays signalled.
    if (KindOfHandle(hHandle) == HandleKind::Event && !w->manualReset) w->signalled = false;
    return WAIT_OBJECT_0;
}

WINEXPORT LONG InterlockedIncrement(LONG volatile* Addend) { return __atomic_add_fetch(Addend, 1, __ATOMIC_SEQ_CST); }
WINEXPORT LONG InterlockedDecrement(LONG volatile* Addend) { return __atomic_sub_fetch(Addend, 1, __ATOMIC_SEQ_CST); }
WINEXPORT LONG InterlockedExchange(LONG volatile* Target, LONG Value) {
    return __atomic_exchange_n(Target, Value, __ATOMIC_SEQ_CST);
}
