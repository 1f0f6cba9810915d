// IStream over a global memory block (CreateStreamOnHGlobal).
//
// The block is reached only through the exported global-memory functions
// (GlobalLock, GlobalSize, GlobalUnlock, GlobalReAlloc, GlobalFree), so the
// kernel's handle checks apply: a block freed behind the stream's back makes
// reads fail instead of following freed memory.
#include "platform/imaging/ole_stream.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <unordered_set>
#include <vector>

#include "platform/kernel/handle_table.h"

namespace platform {
namespace {

// What clones share: the block, the stream's size and whether the last
// release frees the block.
struct SharedBlock {
    std::mutex mu;
    HGLOBAL block = 0;
    bool deleteOnRelease = false;
    uint64_t size = 0;

    ~SharedBlock() {
        if (deleteOnRelease) GlobalFree(block);
    }
};

struct StreamState {
    std::shared_ptr<SharedBlock> shared;
    uint64_t position = 0;  // guarded by shared->mu
    std::atomic<ULONG> refs{1};
};

HandleTable<StreamState>& States() {
    static auto* t = new HandleTable<StreamState>(HandleKind::Stream);
    return *t;
}

// The COM object handed to callers. Shells are never freed; a released shell
// waits behind many others before reuse, so a stale pointer meets a dead
// handle rather than freed memory or, for a long while, another stream.
struct Shell : IStream {
    uint32_t handle = 0;
};

constexpr size_t kShellHoldBack = 64;

struct ShellPool {
    std::mutex mu;
    std::vector<std::unique_ptr<Shell>> all;
    std::unordered_set<const IStream*> known;
    std::deque<Shell*> released;
};

ShellPool& Pool() {
    static auto* p = new ShellPool;
    return *p;
}

extern const IStreamVtbl kVtbl;

IStream* NewShell(uint32_t handle) {
    ShellPool& p = Pool();
    std::lock_guard<std::mutex> lock(p.mu);
    Shell* s;
    if (p.released.size() > kShellHoldBack) {
        s = p.released.front();
        p.released.pop_front();
    } else {
        p.all.push_back(std::make_unique<Shell>());
        s = p.all.back().get();
        p.known.insert(s);
    }
    s->lpVtbl = &kVtbl;
    s->handle = handle;
    return s;
}

// The live state behind a pointer, or null for anything that is not one of
// our shells or a shell whose stream has been released.
std::shared_ptr<StreamState> StateOf(IStream* self, uint32_t* handle = nullptr) {
    uint32_t h;
    {
        ShellPool& p = Pool();
        std::lock_guard<std::mutex> lock(p.mu);
        if (!self || !p.known.count(self)) return nullptr;
        h = static_cast<Shell*>(self)->handle;
    }
    if (handle) *handle = h;
    return States().Get(h);
}

IStream* NewStream(std::shared_ptr<SharedBlock> shared, uint64_t position) {
    auto state = std::make_shared<StreamState>();
    state->shared = std::move(shared);
    state->position = position;
    const uint32_t h = States().Add(state);
    if (!h) return nullptr;
    return NewShell(h);
}

// ---- IUnknown ----------------------------------------------------------------

HRESULT QueryInterface(IStream* self, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    auto st = StateOf(self);
    if (!st) return E_HANDLE;
    if (!IsEqualGUID(riid, IID_IUnknown) && !IsEqualGUID(riid, IID_ISequentialStream) &&
        !IsEqualGUID(riid, IID_IStream))
        return E_NOINTERFACE;
    ++st->refs;
    *ppv = self;
    return S_OK;
}

ULONG AddRef(IStream* self) {
    auto st = StateOf(self);
    return st ? ++st->refs : 0;
}

ULONG Release(IStream* self) {
    uint32_t h = 0;
    auto st = StateOf(self, &h);
    if (!st) return 0;
    const ULONG left = --st->refs;
    if (left == 0 && States().Remove(h)) {
        ShellPool& p = Pool();
        std::lock_guard<std::mutex> lock(p.mu);
        auto* shell = static_cast<Shell*>(self);
        shell->handle = 0;
        p.released.push_back(shell);
    }
    // The block goes (when the stream owns it) with the last holder of `st`.
    return left;
}

// ---- ISequentialStream -------------------------------------------------------

// Grows the block to hold `size` bytes. Shrinking only changes the stream's
// size: the block may be locked by its owner, and a locked block must not move.
HRESULT ResizeLocked(SharedBlock& b, uint64_t size) {
    if (size > SIZE_MAX / 2) return STG_E_MEDIUMFULL;
    if (size > GlobalSize(b.block)) {
        if (!GlobalReAlloc(b.block, SIZE_T(size), GMEM_MOVEABLE)) return STG_E_MEDIUMFULL;
    }
    b.size = size;
    return S_OK;
}

HRESULT Read(IStream* self, void* pv, ULONG cb, ULONG* pcbRead) {
    if (pcbRead) *pcbRead = 0;
    auto st = StateOf(self);
    if (!st) return E_HANDLE;
    if (!pv) return STG_E_INVALIDPOINTER;
    SharedBlock& b = *st->shared;
    std::lock_guard<std::mutex> lock(b.mu);
    auto* data = static_cast<const uint8_t*>(GlobalLock(b.block));
    if (!data) return STG_E_READFAULT;
    // The owner may have shrunk the block; never read past what it holds.
    const uint64_t end = std::min<uint64_t>(b.size, GlobalSize(b.block));
    const ULONG n = st->position < end ? ULONG(std::min<uint64_t>(cb, end - st->position)) : 0;
    if (n) std::memcpy(pv, data + st->position, n);
    GlobalUnlock(b.block);
    st->position += n;
    if (pcbRead) *pcbRead = n;
    return S_OK;
}

HRESULT Write(IStream* self, const void* pv, ULONG cb, ULONG* pcbWritten) {
    if (pcbWritten) *pcbWritten = 0;
    auto st = StateOf(self);
    if (!st) return E_HANDLE;
    if (!pv) return STG_E_INVALIDPOINTER;
    if (cb == 0) return S_OK;
    SharedBlock& b = *st->shared;
    std::lock_guard<std::mutex> lock(b.mu);
    const uint64_t end = st->position + cb;  // position <= INT64_MAX, see Seek
    if (end > b.size) {
        const HRESULT hr = ResizeLocked(b, end);
        if (FAILED(hr)) return hr;
    }
    auto* data = static_cast<uint8_t*>(GlobalLock(b.block));
    if (!data) return STG_E_MEDIUMFULL;
    if (end > GlobalSize(b.block)) {  // shrunk by its owner meanwhile
        GlobalUnlock(b.block);
        return STG_E_MEDIUMFULL;
    }
    std::memcpy(data + st->position, pv, cb);
    GlobalUnlock(b.block);
    st->position = end;
    if (pcbWritten) *pcbWritten = cb;
    return S_OK;
}

// ---- IStream -----------------------------------------------------------------

HRESULT Seek(IStream* self, LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) {
    auto st = StateOf(self);
    if (!st) return E_HANDLE;
    SharedBlock& b = *st->shared;
    std::lock_guard<std::mutex> lock(b.mu);
    int64_t base;
    switch (origin) {
        case STREAM_SEEK_SET: base = 0; break;
        case STREAM_SEEK_CUR: base = int64_t(st->position); break;
        case STREAM_SEEK_END: base = int64_t(b.size); break;
        default: return STG_E_INVALIDFUNCTION;
    }
    int64_t target;
    if (__builtin_add_overflow(base, move.QuadPart, &target) || target < 0) return STG_E_INVALIDFUNCTION;
    // Seeking past the end is allowed; reads there return nothing.
    st->position = uint64_t(target);
    if (newPosition) newPosition->QuadPart = st->position;
    return S_OK;
}

HRESULT SetSize(IStream* self, ULARGE_INTEGER size) {
    auto st = StateOf(self);
    if (!st) return E_HANDLE;
    SharedBlock& b = *st->shared;
    std::lock_guard<std::mutex> lock(b.mu);
    return ResizeLocked(b, size.QuadPart);
}

HRESULT CopyTo(IStream* self, IStream* target, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead,
               ULARGE_INTEGER* pcbWritten) {
    if (pcbRead) pcbRead->QuadPart = 0;
    if (pcbWritten) pcbWritten->QuadPart = 0;
    if (!StateOf(self)) return E_HANDLE;
    if (!target) return STG_E_INVALIDPOINTER;
    uint64_t left = cb.QuadPart, read = 0, written = 0;
    uint8_t chunk[4096];
    HRESULT hr = S_OK;
    // Chunk by chunk without holding our lock across the target's Write: the
    // target may be a clone on the same block.
    while (left > 0) {
        ULONG got = 0, put = 0;
        hr = Read(self, chunk, ULONG(std::min<uint64_t>(left, sizeof chunk)), &got);
        if (FAILED(hr) || got == 0) break;
        read += got;
        left -= got;
        hr = target->lpVtbl->Write(target, chunk, got, &put);
        written += put;
        if (FAILED(hr) || put < got) break;
    }
    if (pcbRead) pcbRead->QuadPart = read;
    if (pcbWritten) pcbWritten->QuadPart = written;
    return hr;
}

HRESULT Commit(IStream* self, DWORD) { return StateOf(self) ? S_OK : E_HANDLE; }
HRESULT Revert(IStream* self) { return StateOf(self) ? S_OK : E_HANDLE; }

// Memory streams have no region locks.
HRESULT LockRegion(IStream* self, ULARGE_INTEGER, ULARGE_INTEGER, DWORD) {
    return StateOf(self) ? STG_E_INVALIDFUNCTION : E_HANDLE;
}
HRESULT UnlockRegion(IStream* self, ULARGE_INTEGER, ULARGE_INTEGER, DWORD) {
    return StateOf(self) ? STG_E_INVALIDFUNCTION : E_HANDLE;
}

HRESULT Stat(IStream* self, STATSTG* stat, DWORD flags) {
    auto st = StateOf(self);
    if (!st) return E_HANDLE;
    if (!stat) return STG_E_INVALIDPOINTER;
    if (flags != STATFLAG_DEFAULT && flags != STATFLAG_NONAME) return STG_E_INVALIDFLAG;
    std::memset(stat, 0, sizeof *stat);
    stat->type = STGTY_STREAM;
    stat->grfMode = STGM_READWRITE;
    std::lock_guard<std::mutex> lock(st->shared->mu);
    stat->cbSize.QuadPart = st->shared->size;
    return S_OK;
}

// A clone shares the block and the size and has its own position; the block
// is freed (when owned) once the original and every clone are released.
HRESULT Clone(IStream* self, IStream** out) {
    if (!out) return STG_E_INVALIDPOINTER;
    *out = nullptr;
    auto st = StateOf(self);
    if (!st) return E_HANDLE;
    uint64_t position;
    {
        std::lock_guard<std::mutex> lock(st->shared->mu);
        position = st->position;
    }
    *out = NewStream(st->shared, position);
    return *out ? S_OK : E_OUTOFMEMORY;
}

const IStreamVtbl kVtbl = {QueryInterface, AddRef, Release, Read,       Write,        Seek, SetSize,
                           CopyTo,         Commit, Revert,  LockRegion, UnlockRegion, Stat, Clone};

}  // namespace

bool UseStreamRemainder(IStream* stream, const std::function<void(std::span<const uint8_t>)>& use) {
    auto st = StateOf(stream);
    if (!st) return false;
    SharedBlock& b = *st->shared;
    std::lock_guard<std::mutex> lock(b.mu);
    auto* data = static_cast<const uint8_t*>(GlobalLock(b.block));
    if (!data) return false;
    const uint64_t end = std::min<uint64_t>(b.size, GlobalSize(b.block));
    const uint64_t from = std::min(st->position, end);
    use(std::span<const uint8_t>(data + from, size_t(end - from)));
    GlobalUnlock(b.block);
    return true;
}

size_t LiveStreamCount() { return States().Count(); }

}  // namespace platform

using namespace platform;

WINEXPORT HRESULT CreateStreamOnHGlobal(HGLOBAL hGlobal, BOOL fDeleteOnRelease, LPSTREAM* ppstm) {
    if (!ppstm) return E_INVALIDARG;
    *ppstm = nullptr;
    auto shared = std::make_shared<SharedBlock>();
    const bool ours = hGlobal == 0;
    if (!ours) {
        // GlobalLock tells a live block from a stale or foreign handle;
        // GlobalSize alone cannot, as 0 is also the size of an empty block.
        if (!GlobalLock(hGlobal)) return E_INVALIDARG;
        shared->size = GlobalSize(hGlobal);
        GlobalUnlock(hGlobal);
        shared->block = hGlobal;
    } else {
        shared->block = GlobalAlloc(GMEM_MOVEABLE, 0);
        if (!shared->block) return E_OUTOFMEMORY;
    }
    IStream* s = NewStream(shared, 0);
    if (!s) {
        // The caller's block stays the caller's even when it asked for deletion.
        if (ours) GlobalFree(shared->block);
        return E_OUTOFMEMORY;
    }
    // Nobody else holds the block yet; from here the last release decides.
    shared->deleteOnRelease = fDeleteOnRelease != FALSE;
    *ppstm = s;
    return S_OK;
}

WINEXPORT HRESULT GetHGlobalFromStream(LPSTREAM pstm, HGLOBAL* phglobal) {
    if (!phglobal) return E_INVALIDARG;
    *phglobal = 0;
    auto st = StateOf(pstm);
    if (!st) return E_INVALIDARG;
    *phglobal = st->shared->block;
    return S_OK;
}
