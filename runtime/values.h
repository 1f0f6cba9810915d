// Values as they travel between compiled logic, the runtime, the units and
// the libraries: type codes, the 12-byte argument record, and the heap block
// layouts of texts, byte sets and arrays.
//
// Blocks are made through a notify routine (message 2024 of NotifyRuntime) so
// that the runtime, the units and the libraries all build values the same way
// and an allocation failure is always the runtime's fatal report.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace runtime {

// Kinds of value. 0x20000000 OR-ed in marks an array; a code of the form
// 0x00LLTTTT (0 < code < 0x40000000) is a unit reference of library LL, type TTTT.
enum TypeCode : uint32_t {
    kTypeNone = 0,  // an omitted optional argument
    kTypeByte = 0x80000101,
    kTypeShort = 0x80000201,
    kTypeInt = 0x80000301,
    kTypeLong = 0x80000401,
    kTypeFloat = 0x80000501,
    kTypeDouble = 0x80000601,
    kTypeBool = 0x80000002,
    kTypeDateTime = 0x80000003,
    kTypeText = 0x80000004,
    kTypeBytes = 0x80000005,
    kTypeRoutine = 0x80000006,
    kTypeWide8 = 0x80000008,  // second 8-byte kind: sized and passed like a date-time
};
constexpr uint32_t kArrayFlag = 0x20000000;
constexpr uint32_t kArrayMask = 0xDFFFFFFF;

constexpr bool IsArrayType(uint32_t type) { return (type & kArrayFlag) != 0 && (type & 0x80000000) != 0; }
constexpr uint32_t ElementType(uint32_t type) { return type & kArrayMask; }
constexpr bool IsUnitType(uint32_t type) { return type > 0 && type < 0x40000000; }
constexpr bool IsBlockType(uint32_t t) { return t == kTypeText || t == kTypeBytes; }

// Bytes a value of the kind occupies inline (and as an array element); texts,
// byte sets and unit references are pointer-sized or larger, other codes 0.
constexpr size_t InlineSize(uint32_t type) {
    switch (type) {
        case kTypeByte: return 1;
        case kTypeShort: return 2;
        case kTypeInt: case kTypeFloat: case kTypeBool: return 4;
        case kTypeLong: case kTypeDouble: case kTypeDateTime: case kTypeWide8: return 8;
        case kTypeText: case kTypeBytes: case kTypeRoutine: return sizeof(void*);
        default: return 0;
    }
}

// The argument and result record: an 8-byte value followed by its type code,
// 12 bytes back to back. 4-byte kinds use the low half; a pointer fills the
// whole 8 bytes (64-bit process). Packed to 4 so that records lie consecutively
// exactly as compiled logic builds them.
#pragma pack(push, 4)
struct ArgRecord {
    uint64_t value;
    uint32_t type;
};
#pragma pack(pop)
static_assert(sizeof(ArgRecord) == 12);

constexpr ArgRecord MakeIntArg(int32_t v) { return {static_cast<uint32_t>(v), kTypeInt}; }
constexpr ArgRecord MakeBoolArg(bool v) { return {v ? 1u : 0u, kTypeBool}; }
constexpr ArgRecord MakeLongArg(int64_t v) { return {static_cast<uint64_t>(v), kTypeLong}; }
inline ArgRecord MakeDoubleArg(double v, uint32_t type = kTypeDouble) {
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    return {bits, type};
}
inline ArgRecord MakeFloatArg(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    return {bits, kTypeFloat};
}
inline ArgRecord MakePointerArg(const void* p, uint32_t type) {
    return {static_cast<uint64_t>(reinterpret_cast<uintptr_t>(p)), type};
}

inline int32_t ArgInt32(const ArgRecord& r) { return static_cast<int32_t>(static_cast<uint32_t>(r.value)); }
inline double ArgDouble(const ArgRecord& r) {
    uint64_t bits = r.value;
    double d;
    std::memcpy(&d, &bits, 8);
    return d;
}
inline float ArgFloat(const ArgRecord& r) {
    uint32_t bits = static_cast<uint32_t>(r.value);
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}
template <typename T = void>
inline T* ArgPointer(const ArgRecord& r) {
    return reinterpret_cast<T*>(static_cast<uintptr_t>(r.value));
}

// NotifyRuntime's signature; value building takes its blocks through it.
using NotifyRoutine = intptr_t (*)(int32_t message, uintptr_t param1, uintptr_t param2);

// --- Texts: GBK bytes and a NUL in one heap block; null is the empty text.
// Null, empty source or n < 1 give null: no empty block is ever made.
char* MakeText(NotifyRoutine notify, const void* bytes, ptrdiff_t n);
char* CopyText(NotifyRoutine notify, const char* source);
inline std::string_view TextView(const char* text) { return text ? std::string_view(text) : std::string_view(); }

// --- Byte sets: {u32 1, u32 n, n bytes}; null is the empty byte set.
constexpr size_t kByteSetHeader = 8;
void* MakeByteSet(NotifyRoutine notify, const void* bytes, size_t n);
// Byte set of n zero bytes (null for n = 0).
void* MakeZeroByteSet(NotifyRoutine notify, size_t n);
inline size_t ByteSetLength(const void* set) {
    if (!set) return 0;
    uint32_t n;
    std::memcpy(&n, static_cast<const uint8_t*>(set) + 4, 4);
    return n;
}
inline const uint8_t* ByteSetData(const void* set) {
    return set ? static_cast<const uint8_t*>(set) + kByteSetHeader : nullptr;
}
inline std::string_view ByteSetView(const void* set) {
    return set ? std::string_view(reinterpret_cast<const char*>(ByteSetData(set)), ByteSetLength(set))
               : std::string_view();
}

// --- Arrays: {u32 d, d x u32 sizes, elements}. Text and byte-set elements
// are pointer-sized and each owns its own block (or is null).
struct ArrayInfo {
    uint32_t dimensions = 0;
    size_t count = 0;         // product of the sizes
    size_t headerBytes = 0;   // 4 + 4d
    size_t elementSize = 0;
};
// Reads an array header; false for null or a header whose element bytes
// would not fit in addressable memory.
bool ReadArrayInfo(const void* array, uint32_t elementType, ArrayInfo* info);
// One-dimensional array of n elements, zero-filled (n may be 0).
void* MakeArray(NotifyRoutine notify, uint32_t elementType, size_t n);
void* ArrayElementAddress(void* array, const ArrayInfo& info, size_t index);
inline void* ArrayPointerElement(const void* array, const ArrayInfo& info, size_t index) {
    void* p;
    std::memcpy(&p, static_cast<const uint8_t*>(array) + info.headerBytes + index * sizeof(void*), sizeof(void*));
    return p;
}
inline void SetArrayPointerElement(void* array, const ArrayInfo& info, size_t index, void* p) {
    std::memcpy(static_cast<uint8_t*>(array) + info.headerBytes + index * sizeof(void*), &p, sizeof(void*));
}

// Frees a value block by its type: a text or byte-set array frees every
// element first, then the array; anything else frees the block alone.
void FreeValue(NotifyRoutine notify, uint32_t type, void* block);

// Bytes of a value as the runtime copies raw value bytes: by kind, the text's
// length + 1, or the byte set's stored length; 0 for any other code.
size_t ValueSize(uint32_t type, const ArgRecord& value);

}  // namespace runtime
