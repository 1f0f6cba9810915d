#include "runtime/heap.h"

#include <algorithm>
#include <cstring>

#include "runtime/runtime_error.h"
#include "windows.h"

namespace runtime {

HANDLE RuntimeHeap::Heap() {
    if (!heap_) heap_ = GetProcessHeap();
    return heap_;
}

void RuntimeHeap::Start() { heap_ = GetProcessHeap(); }

void RuntimeHeap::SetConstantRange(const void* start, size_t length) {
    if (!start || length == 0) {
        ClearConstantRange();
        return;
    }
    constStart_ = static_cast<const uint8_t*>(start);
    constEnd_ = constStart_ + length;
}

void RuntimeHeap::ClearConstantRange() { constStart_ = constEnd_ = nullptr; }

bool RuntimeHeap::IsConstant(const void* p) const {
    auto a = reinterpret_cast<uintptr_t>(p);
    return constStart_ && a >= reinterpret_cast<uintptr_t>(constStart_) && a < reinterpret_cast<uintptr_t>(constEnd_);
}

void* RuntimeHeap::TryAlloc(size_t n) {
    if (n > kMaxBlockBytes) return nullptr;
    return HeapAlloc(Heap(), 0, n);
}

void* RuntimeHeap::Alloc(size_t n) {
    void* p = TryAlloc(n);
    if (!p) ReportAllocationFailure(n);
    return p;
}

void* RuntimeHeap::Realloc(void* p, size_t n) {
    if (!p) return Alloc(n);
    if (IsConstant(p)) {
        // A literal is copied out, never touched: as much as the segment holds.
        void* block = Alloc(n);
        size_t avail = static_cast<size_t>(constEnd_ - static_cast<const uint8_t*>(p));
        std::memcpy(block, p, std::min(n, avail));
        return block;
    }
    void* q = n > kMaxBlockBytes ? nullptr : HeapReAlloc(Heap(), 0, p, n);
    if (!q) ReportAllocationFailure(n);
    return q;
}

void RuntimeHeap::Free(void* p) {
    if (!p || IsConstant(p)) return;
    HeapFree(Heap(), 0, p);
}

}  // namespace runtime
