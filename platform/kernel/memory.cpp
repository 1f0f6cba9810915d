// Process heap, global and local memory, memory moves.
#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>

#include "platform/kernel/handles.h"
#include "platform/kernel/last_error.h"
#include "win/kernel.h"

namespace platform {
namespace {

// The one process heap. Its handle is a fixed value of no table kind, so it
// can never be mistaken for another object.
constexpr HANDLE kProcessHeap = 0x00000001u;

// Each heap block starts with a header carrying its size, so HeapSize and
// HeapReAlloc know it; the header keeps the block 16-byte aligned.
struct alignas(16) BlockHeader {
    size_t size;
    size_t magic;
};
constexpr size_t kMagic = 0x5349474845415021ull;  // marks live blocks

BlockHeader* HeaderOf(LPCVOID p) {
    auto* h = reinterpret_cast<BlockHeader*>(const_cast<void*>(p)) - 1;
    return h->magic == kMagic ? h : nullptr;
}

bool TooBig(SIZE_T n) { return n > std::numeric_limits<size_t>::max() / 2 - sizeof(BlockHeader); }

struct GlobalBlock {
    void* data = nullptr;
    size_t size = 0;
    int locks = 0;
    ~GlobalBlock() { std::free(data); }
};

HandleTable<GlobalBlock>& Globals() {
    static auto* t = new HandleTable<GlobalBlock>(HandleKind::Global);
    return *t;
}
std::mutex& GlobalsMutex() {
    static auto* m = new std::mutex;
    return *m;
}

}  // namespace
}  // namespace platform

using namespace platform;

WINEXPORT HANDLE GetProcessHeap(void) { return kProcessHeap; }

WINEXPORT LPVOID HeapAlloc(HANDLE hHeap, DWORD dwFlags, SIZE_T dwBytes) {
    if (hHeap != kProcessHeap) {
        SetLastErrorCode(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (TooBig(dwBytes)) {
        SetLastErrorCode(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    void* raw = (dwFlags & HEAP_ZERO_MEMORY) ? std::calloc(1, sizeof(BlockHeader) + dwBytes)
                                             : std::malloc(sizeof(BlockHeader) + dwBytes);
    if (!raw) {
        SetLastErrorCode(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    auto* h = static_cast<BlockHeader*>(raw);
    h->size = dwBytes;
    h->magic = kMagic;
    return h + 1;
}

WINEXPORT LPVOID HeapReAlloc(HANDLE hHeap, DWORD dwFlags, LPVOID lpMem, SIZE_T dwBytes) {
    if (hHeap != kProcessHeap) {
        SetLastErrorCode(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    BlockHeader* h = lpMem ? HeaderOf(lpMem) : nullptr;
    if (!h) {
        SetLastErrorCode(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (TooBig(dwBytes)) {
        SetLastErrorCode(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    size_t old = h->size;
    if (dwFlags & HEAP_REALLOC_IN_PLACE_ONLY) {
        // Shrinking is the only change that never moves a block here.
        if (dwBytes > old) {
            SetLastErrorCode(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        h->size = dwBytes;
        return lpMem;
    }
    auto* n = static_cast<BlockHeader*>(std::realloc(h, sizeof(BlockHeader) + dwBytes));
    if (!n) {
        SetLastErrorCode(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    n->size = dwBytes;
    if ((dwFlags & HEAP_ZERO_MEMORY) && dwBytes > old) std::memset(reinterpret_cast<char*>(n + 1) + old, 0, dwBytes - old);
    return n + 1;
}

WINEXPORT BOOL HeapFree(HANDLE hHeap, DWORD, LPVOID lpMem) {
    if (hHeap != kProcessHeap) {
        SetLastErrorCode(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!lpMem) return TRUE;
    BlockHeader* h = HeaderOf(lpMem);
    if (!h) {
        SetLastErrorCode(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    h->magic = 0;
    std::free(h);
    return TRUE;
}

WINEXPORT SIZE_T HeapSize(HANDLE hHeap, DWORD, LPCVOID lpMem) {
    BlockHeader* h = hHeap == kProcessHeap && lpMem ? HeaderOf(lpMem) : nullptr;
    if (!h) {
        SetLastErrorCode(ERROR_INVALID_PARAMETER);
        return static_cast<SIZE_T>(-1);
    }
    return h->size;
}

WINEXPORT HGLOBAL GlobalAlloc(UINT uFlags, SIZE_T dwBytes) {
    if (TooBig(dwBytes)) {
        SetLastErrorCode(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    auto b = std::make_shared<GlobalBlock>();
    // At least one byte, so that a locked empty block still has an address.
    b->data = (uFlags & GMEM_ZEROINIT) ? std::calloc(1, dwBytes ? dwBytes : 1) : std::malloc(dwBytes ? dwBytes : 1);
    if (!b->data) {
        SetLastErrorCode(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    b->size = dwBytes;
    HGLOBAL h = Globals().Add(std::move(b));
    if (!h) SetLastErrorCode(ERROR_NOT_ENOUGH_MEMORY);
    return h;
}

WINEXPORT HGLOBAL GlobalReAlloc(HGLOBAL hMem, SIZE_T dwBytes, UINT uFlags) {
    auto b = Globals().Get(hMem);
    if (!b) {
        SetLastErrorCode(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (TooBig(dwBytes)) {
        SetLastErrorCode(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    std::lock_guard<std::mutex> lock(GlobalsMutex());
    // A locked block may not move: its address is in use.
    if (b->locks > 0 && dwBytes > b->size) {
        SetLastErrorCode(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    void* n = std::realloc(b->data, dwBytes ? dwBytes : 1);
    if (!n) {
        SetLastErrorCode(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    if ((uFlags & GMEM_ZEROINIT) && dwBytes > b->size) std::memset(static_cast<char*>(n) + b->size, 0, dwBytes - b->size);
    b->data = n;
    b->size = dwBytes;
    return hMem;
}

WINEXPORT LPVOID GlobalLock(HGLOBAL hMem) {
    auto b = Globals().Get(hMem);
    if (!b) {
        SetLastErrorCode(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(GlobalsMutex());
    ++b->locks;
    return b->data;
}

WINEXPORT BOOL GlobalUnlock(HGLOBAL hMem) {
    auto b = Globals().Get(hMem);
    if (!b) {
        SetLastErrorCode(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    std::lock_guard<std::mutex> lock(GlobalsMutex());
    if (b->locks > 0) --b->locks;
    // As on Windows: TRUE while still locked, FALSE with NO_ERROR once unlocked.
    SetLastErrorCode(ERROR_SUCCESS);
    return b->locks > 0 ? TRUE : FALSE;
}

WINEXPORT HGLOBAL GlobalFree(HGLOBAL hMem) {
    if (hMem == 0) return 0;
    if (!Globals().Remove(hMem)) {
        SetLastErrorCode(ERROR_INVALID_HANDLE);
        return hMem;
    }
    return 0;
}

WINEXPORT SIZE_T GlobalSize(HGLOBAL hMem) {
    auto b = Globals().Get(hMem);
    if (!b) {
        SetLastErrorCode(ERROR_INVALID_HANDLE);
        return 0;
    }
    std::lock_guard<std::mutex> lock(GlobalsMutex());
    return b->size;
}

WINEXPORT LPVOID LocalAlloc(UINT uFlags, SIZE_T uBytes) {
    return HeapAlloc(kProcessHeap, (uFlags & LMEM_ZEROINIT) ? HEAP_ZERO_MEMORY : 0, uBytes);
}

WINEXPORT LPVOID LocalFree(LPVOID hMem) { return HeapFree(kProcessHeap, 0, hMem) ? nullptr : hMem; }

WINEXPORT void RtlMoveMemory(void* Destination, const void* Source, SIZE_T Length) {
    if (Length) std::memmove(Destination, Source, Length);
}
WINEXPORT void RtlZeroMemory(void* Destination, SIZE_T Length) {
    if (Length) std::memset(Destination, 0, Length);
}
WINEXPORT void RtlFillMemory(void* Destination, SIZE_T Length, int Fill) {
    if (Length) std::memset(Destination, Fill, Length);
}
