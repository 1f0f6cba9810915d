// Heap, global memory, strings, threads, events, locks and the stderr message box.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>

#include "platform/kernel/handle_table.h"
#include "win/kernel.h"

TEST(Heap, AllocResizeSizeAndFree) {
    HANDLE heap = GetProcessHeap();
    ASSERT_NE(heap, 0u);
    auto* p = static_cast<unsigned char*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, 16));
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(p[i], 0);
    EXPECT_EQ(HeapSize(heap, 0, p), 16u);
    std::memset(p, 0xAB, 16);
    p = static_cast<unsigned char*>(HeapReAlloc(heap, HEAP_ZERO_MEMORY, p, 64));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(HeapSize(heap, 0, p), 64u);
    EXPECT_EQ(p[15], 0xAB);
    EXPECT_EQ(p[16], 0);  // grown bytes zeroed
    EXPECT_EQ(p[63], 0);
    EXPECT_EQ(HeapReAlloc(heap, HEAP_REALLOC_IN_PLACE_ONLY, p, 1000), nullptr);
    EXPECT_EQ(HeapReAlloc(heap, HEAP_REALLOC_IN_PLACE_ONLY, p, 8), p);
    EXPECT_EQ(HeapSize(heap, 0, p), 8u);
    EXPECT_TRUE(HeapFree(heap, 0, p));
    EXPECT_TRUE(HeapFree(heap, 0, nullptr));
    void* zero = HeapAlloc(heap, 0, 0);
    EXPECT_NE(zero, nullptr);
    EXPECT_EQ(HeapSize(heap, 0, zero), 0u);
    HeapFree(heap, 0, zero);
    EXPECT_EQ(HeapAlloc(heap, 0, ~static_cast<SIZE_T>(0)), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(HeapAlloc(0x1234, 0, 1), nullptr);
    EXPECT_EQ(HeapReAlloc(heap, 0, nullptr, 4), nullptr);
    EXPECT_EQ(HeapSize(heap, 0, nullptr), static_cast<SIZE_T>(-1));
}

TEST(GlobalMemory, HandlesLockAndFree) {
    HGLOBAL g = GlobalAlloc(GHND, 10);
    ASSERT_NE(g, 0u);
    EXPECT_EQ(platform::KindOfHandle(g), platform::HandleKind::Global);
    EXPECT_EQ(GlobalSize(g), 10u);
    auto* p = static_cast<char*>(GlobalLock(g));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p[9], 0);
    RtlMoveMemory(p, "payload", 7);
    EXPECT_EQ(GlobalLock(g), p);
    EXPECT_TRUE(GlobalUnlock(g));  // still locked once
    EXPECT_FALSE(GlobalUnlock(g));
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    EXPECT_EQ(GlobalReAlloc(g, 100, GMEM_ZEROINIT), g);
    p = static_cast<char*>(GlobalLock(g));
    EXPECT_EQ(std::string(p, 7), "payload");
    EXPECT_EQ(p[99], 0);
    GlobalUnlock(g);
    EXPECT_EQ(GlobalFree(g), 0u);
    EXPECT_EQ(GlobalFree(g), g);  // already freed: the handle comes back
    EXPECT_EQ(GlobalLock(g), nullptr);
    EXPECT_EQ(GlobalSize(g), 0u);
    HGLOBAL empty = GlobalAlloc(GMEM_MOVEABLE, 0);
    EXPECT_NE(GlobalLock(empty), nullptr);
    GlobalFree(empty);
}

TEST(Strings, LstrFamilyAndMulDiv) {
    char buf[8];
    EXPECT_EQ(lstrlenA(nullptr), 0);
    EXPECT_EQ(lstrlenA("\xD6\xD0x"), 3);
    lstrcpynA(buf, "abcdefghij", 4);
    EXPECT_STREQ(buf, "abc");
    lstrcpyA(buf, "ab");
    lstrcatA(buf, "cd");
    EXPECT_STREQ(buf, "abcd");
    EXPECT_EQ(lstrcmpA("a", "b"), -1);
    EXPECT_EQ(lstrcmpiA("ABC", "abc"), 0);
    // A GBK trail byte is not folded: 0x81 0x41 and 0x81 0x61 differ.
    EXPECT_NE(lstrcmpiA("\x81\x41", "\x81\x61"), 0);
    EXPECT_EQ(MulDiv(10, 3, 4), 8);  // 7.5 rounds away from zero
    EXPECT_EQ(MulDiv(-10, 3, 4), -8);
    EXPECT_EQ(MulDiv(5, 7, 0), -1);
    EXPECT_EQ(MulDiv(0x7FFFFFFF, 4, 2), -1);  // overflow
    EXPECT_EQ(MulDiv(0x40000000, 0x40000000, 0x40000000), 0x40000000);
}

namespace {
std::atomic<int> gRuns{0};
DWORD Worker(LPVOID arg) {
    HANDLE ev = static_cast<HANDLE>(reinterpret_cast<uintptr_t>(arg));
    WaitForSingleObject(ev, INFINITE);
    ++gRuns;
    return 42;
}
}  // namespace

TEST(Threads, CreateWaitExitCodeAndEvents) {
    HANDLE ev = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(ev, 0u);
    DWORD tid = 0;
    HANDLE t = CreateThread(nullptr, 0, Worker, reinterpret_cast<LPVOID>(static_cast<uintptr_t>(ev)), 0, &tid);
    ASSERT_NE(t, 0u);
    EXPECT_NE(tid, 0u);
    EXPECT_NE(tid, GetCurrentThreadId());
    EXPECT_EQ(WaitForSingleObject(t, 20), WAIT_TIMEOUT);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(t, &code));
    EXPECT_EQ(code, STILL_ACTIVE);
    EXPECT_TRUE(SetEvent(ev));
    EXPECT_EQ(WaitForSingleObject(t, INFINITE), WAIT_OBJECT_0);
    EXPECT_TRUE(GetExitCodeThread(t, &code));
    EXPECT_EQ(code, 42u);
    EXPECT_EQ(gRuns.load(), 1);
    EXPECT_TRUE(CloseHandle(t));
    EXPECT_EQ(WaitForSingleObject(t, 0), WAIT_FAILED);
    // Manual reset stays signalled; auto reset lets one wait through.
    EXPECT_EQ(WaitForSingleObject(ev, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(ev, 0), WAIT_OBJECT_0);
    HANDLE autoEv = CreateEventA(nullptr, FALSE, TRUE, nullptr);
    EXPECT_EQ(WaitForSingleObject(autoEv, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(autoEv, 0), WAIT_TIMEOUT);
    EXPECT_TRUE(ResetEvent(ev));
    EXPECT_EQ(WaitForSingleObject(ev, 0), WAIT_TIMEOUT);
    CloseHandle(ev);
    CloseHandle(autoEv);
}

TEST(Threads, SuspendedThreadAndRecursiveCriticalSection) {
    static CRITICAL_SECTION cs;
    static int counter = 0;
    InitializeCriticalSection(&cs);
    EnterCriticalSection(&cs);
    EnterCriticalSection(&cs);  // recursive, as on Windows
    HANDLE t = CreateThread(
        nullptr, 0,
        [](LPVOID) -> DWORD {
            EnterCriticalSection(&cs);
            ++counter;
            LeaveCriticalSection(&cs);
            return 0;
        },
        nullptr, CREATE_SUSPENDED, nullptr);
    ASSERT_NE(t, 0u);
    EXPECT_EQ(WaitForSingleObject(t, 20), WAIT_TIMEOUT);
    EXPECT_EQ(ResumeThread(t), 1u);
    LeaveCriticalSection(&cs);
    EXPECT_EQ(WaitForSingleObject(t, 50), WAIT_TIMEOUT);  // still held once
    EXPECT_EQ(counter, 0);
    LeaveCriticalSection(&cs);
    EXPECT_EQ(WaitForSingleObject(t, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(counter, 1);
    CloseHandle(t);
    DeleteCriticalSection(&cs);
}

TEST(MessageBox, WritesCaptionAndTextToStderrInUtf8) {
    testing::internal::CaptureStderr();
    // "错误" / "运行时出错!" in GBK
    int r = MessageBoxA(0, "\xD4\xCB\xD0\xD0\xCA\xB1\xB3\xF6\xB4\xED!", "\xB4\xED\xCE\xF3", MB_OK | MB_ICONERROR);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(r, IDOK);
    EXPECT_EQ(err, "\xE9\x94\x99\xE8\xAF\xAF: \xE8\xBF\x90\xE8\xA1\x8C\xE6\x97\xB6\xE5\x87\xBA\xE9\x94\x99!\n");
    testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(0, nullptr, nullptr, MB_RETRYCANCEL), IDCANCEL);
    testing::internal::GetCapturedStderr();
}
