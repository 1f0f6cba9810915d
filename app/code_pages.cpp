#include "app/code_pages.h"

#include <cstring>
#include <limits>

#include "app/dll_numbers.h"

namespace app {
namespace {

// A scratch block on the runtime heap, freed on every way out.
struct HeapBlock {
    void* p = nullptr;
    explicit HeapBlock(size_t n) : p(Rt().AllocMemory(n)) {}
    ~HeapBlock() { Rt().FreeMemory(p); }
    HeapBlock(const HeapBlock&) = delete;
    HeapBlock& operator=(const HeapBlock&) = delete;
};

int32_t Low32(uint64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(v)); }

// UTF-16 units of the whole text, terminator included (0 on failure), into
// `wide` when it is given with room for `room` units.
int32_t ToWide(uint32_t codePage, const char* text, uint16_t* wide, int32_t room) {
    return Low32(runtime::CallDll(Rt(), kDllMultiByteToWideChar, codePage, 0u, text, -1, wide, room));
}

// One conversion: the whole text (terminator included) to UTF-16 with the
// source code page, then to the target code page, each buffer sized by
// asking the conversion it serves.
Text Convert(const char* text, uint32_t from, uint32_t to) {
    if (!text || !*text) return Text();
    int32_t units = ToWide(from, text, nullptr, 0);
    if (units <= 0) return Text();
    HeapBlock wide(static_cast<size_t>(units) * sizeof(uint16_t));
    auto* w = static_cast<uint16_t*>(wide.p);
    if (ToWide(from, text, w, units) != units) return Text();
    int32_t bytes = Low32(runtime::CallDll(Rt(), kDllWideCharToMultiByte, to, 0u, w, -1, nullptr, 0, nullptr, nullptr));
    if (bytes <= 0) return Text();
    HeapBlock out(static_cast<size_t>(bytes));
    auto* o = static_cast<char*>(out.p);
    if (Low32(runtime::CallDll(Rt(), kDllWideCharToMultiByte, to, 0u, w, -1, o, bytes, nullptr, nullptr)) != bytes)
        return Text();
    // The converted text up to its terminator.
    return Text::Copy(std::string_view(o, strnlen(o, static_cast<size_t>(bytes))));
}

}  // namespace

Text GbkToUtf8(const char* text) { return Convert(text, kCodePageGbk, kCodePageUtf8); }
Text Utf8ToGbk(const char* text) { return Convert(text, kCodePageUtf8, kCodePageGbk); }

Bytes MakeBytes(const void* data, size_t n) {
    if (n == 0 || n > std::numeric_limits<uint32_t>::max()) return Bytes();
    auto* block = static_cast<uint8_t*>(Rt().AllocMemory(runtime::kByteSetHeader + n));
    const uint32_t header[2] = {1, static_cast<uint32_t>(n)};
    std::memcpy(block, header, sizeof header);
    if (data) std::memcpy(block + runtime::kByteSetHeader, data, n);
    return Bytes(block);
}

Bytes TextToWideBytes(const char* text, bool dropTerminator) {
    if (!text || !*text) return Bytes();
    int32_t units = ToWide(kCodePageGbk, text, nullptr, 0);
    if (units <= 0) return Bytes();
    Bytes wide = MakeBytes(nullptr, static_cast<size_t>(units) * sizeof(uint16_t));
    auto* w = reinterpret_cast<uint16_t*>(const_cast<uint8_t*>(runtime::ByteSetData(wide.get())));
    if (ToWide(kCodePageGbk, text, w, units) != units) return Bytes();
    if (!dropTerminator) return wide;
    return MakeBytes(w, static_cast<size_t>(units - 1) * sizeof(uint16_t));
}

}  // namespace app
