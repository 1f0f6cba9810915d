// The runtime heap (the process's default heap) and the constant data
// segment it must respect: blocks inside the program's constant range are
// literals, never freed or resized in place.
#pragma once

#include <cstddef>
#include <cstdint>

#include "win/types.h"

namespace runtime {

// Requests above this are refused as an allocation failure instead of being
// passed on: nothing in the program needs blocks that large, and a wild size
// must end in the runtime's report, not in the allocator aborting.
constexpr size_t kMaxBlockBytes = size_t{1} << 32;

class RuntimeHeap {
public:
    void Start();
    void SetConstantRange(const void* start, size_t length);
    void ClearConstantRange();
    bool IsConstant(const void* p) const;
    const uint8_t* ConstantEnd() const { return constEnd_; }

    // AllocMemory / ReallocMemory / FreeMemory: never null; a failure is the
    // fatal allocation report.
    void* Alloc(size_t n);
    void* Realloc(void* p, size_t n);
    void Free(void* p);
    // A plain request that may fail (notify 2024 with the no-fail flag set).
    void* TryAlloc(size_t n);

private:
    HANDLE Heap();

    HANDLE heap_ = 0;
    const uint8_t* constStart_ = nullptr;
    const uint8_t* constEnd_ = nullptr;
};

}  // namespace runtime
