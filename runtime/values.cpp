#include "runtime/values.h"

#include <limits>

#include "runtime/notify.h"

namespace runtime {
namespace {

void* Allocate(NotifyRoutine notify, size_t n) {
    // Flag 0: AllocMemory, so a failure is the fatal allocation report.
    return reinterpret_cast<void*>(notify(kNotifyAllocMemory, n, 0));
}

void Free(NotifyRoutine notify, void* p) {
    if (p) notify(kNotifyFreeMemory, reinterpret_cast<uintptr_t>(p), 0);
}

}  // namespace

char* MakeText(NotifyRoutine notify, const void* bytes, ptrdiff_t n) {
    if (!bytes || n < 1) return nullptr;
    char* text = static_cast<char*>(Allocate(notify, static_cast<size_t>(n) + 1));
    std::memcpy(text, bytes, static_cast<size_t>(n));
    text[n] = '\0';
    return text;
}

char* CopyText(NotifyRoutine notify, const char* source) {
    if (!source || !*source) return nullptr;
    return MakeText(notify, source, static_cast<ptrdiff_t>(std::strlen(source)));
}

void* MakeByteSet(NotifyRoutine notify, const void* bytes, size_t n) {
    if (n == 0) return nullptr;
    void* set = MakeZeroByteSet(notify, n);
    if (bytes) std::memcpy(static_cast<uint8_t*>(set) + kByteSetHeader, bytes, n);
    return set;
}

void* MakeZeroByteSet(NotifyRoutine notify, size_t n) {
    // The stored length is a u32: longer sets cannot be described.
    if (n == 0 || n > std::numeric_limits<uint32_t>::max()) return nullptr;
    auto* set = static_cast<uint8_t*>(Allocate(notify, n + kByteSetHeader));
    const uint32_t header[2] = {1, static_cast<uint32_t>(n)};
    std::memcpy(set, header, sizeof header);
    std::memset(set + kByteSetHeader, 0, n);
    return set;
}

bool ReadArrayInfo(const void* array, uint32_t elementType, ArrayInfo* info) {
    if (!array) return false;
    const auto* p = static_cast<const uint8_t*>(array);
    uint32_t d;
    std::memcpy(&d, p, 4);
    if (d == 0 || d > 0xFFFF) return false;
    size_t count = 1;
    for (uint32_t i = 0; i < d; ++i) {
        uint32_t size;
        std::memcpy(&size, p + 4 + 4 * static_cast<size_t>(i), 4);
        if (size != 0 && count > std::numeric_limits<size_t>::max() / 16 / size) return false;
        count *= size;
    }
    info->dimensions = d;
    info->count = count;
    info->headerBytes = 4 + 4 * static_cast<size_t>(d);
    info->elementSize = InlineSize(ElementType(elementType));
    return true;
}

void* MakeArray(NotifyRoutine notify, uint32_t elementType, size_t n) {
    size_t element = InlineSize(ElementType(elementType));
    if (element == 0 || n > std::numeric_limits<uint32_t>::max()) return nullptr;
    size_t bytes = 8 + element * n;
    auto* a = static_cast<uint8_t*>(Allocate(notify, bytes));
    std::memset(a, 0, bytes);
    const uint32_t header[2] = {1, static_cast<uint32_t>(n)};
    std::memcpy(a, header, sizeof header);
    return a;
}

void* ArrayElementAddress(void* array, const ArrayInfo& info, size_t index) {
    return static_cast<uint8_t*>(array) + info.headerBytes + index * info.elementSize;
}

void FreeValue(NotifyRoutine notify, uint32_t type, void* block) {
    if (!block) return;
    uint32_t kind = ElementType(type);
    if (IsArrayType(type) && IsBlockType(kind)) {
        ArrayInfo info;
        if (ReadArrayInfo(block, kind, &info))
            for (size_t i = 0; i < info.count; ++i) Free(notify, ArrayPointerElement(block, info, i));
    }
    Free(notify, block);
}

size_t ValueSize(uint32_t type, const ArgRecord& value) {
    switch (type) {
        case kTypeText: {
            const char* t = ArgPointer<const char>(value);
            return t ? std::strlen(t) + 1 : 1;
        }
        case kTypeBytes:
            return ByteSetLength(ArgPointer(value));
        case kTypeText | kArrayFlag:
        case kTypeBytes | kArrayFlag:
            return 0;
        default:
            return IsArrayType(type) ? 0 : InlineSize(type);
    }
}

}  // namespace runtime
