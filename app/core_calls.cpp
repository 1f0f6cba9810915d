#include "app/core_calls.h"

#include <cstring>
#include <vector>

namespace app {

const runtime::RuntimeEntryTable& Rt() { return runtime::EntryTable(); }

Text& Text::operator=(Text&& o) noexcept {
    if (this != &o) {
        Rt().FreeMemory(p_);
        p_ = o.release();
    }
    return *this;
}

Text::~Text() { Rt().FreeMemory(p_); }

Text Text::Copy(std::string_view bytes) { return Join({bytes}); }

Text Text::Join(std::initializer_list<std::string_view> pieces) {
    size_t n = 0;
    for (std::string_view p : pieces) n += p.size();
    if (n == 0) return Text();
    char* block = static_cast<char*>(Rt().AllocMemory(n + 1));
    char* out = block;
    for (std::string_view p : pieces) {
        if (!p.empty()) std::memcpy(out, p.data(), p.size());
        out += p.size();
    }
    *out = '\0';
    return Text(block);
}

Bytes& Bytes::operator=(Bytes&& o) noexcept {
    if (this != &o) {
        Rt().FreeMemory(p_);
        p_ = o.release();
    }
    return *this;
}

Bytes::~Bytes() { Rt().FreeMemory(p_); }

namespace {

// The element count of a one-dimensional array block: {u32 1, u32 n, pointers}.
size_t ArrayCount(const void* array) {
    if (!array) return 0;
    uint32_t header[2];
    std::memcpy(header, array, sizeof header);
    return header[0] == 1 ? header[1] : 0;
}

constexpr size_t kArrayHeader = 8;

}  // namespace

TextArray::~TextArray() {
    if (!p_) return;
    for (size_t i = 0, n = ArrayCount(p_); i < n; ++i) Rt().FreeMemory(const_cast<char*>(pointer(i)));
    Rt().FreeMemory(p_);
}

size_t TextArray::size() const { return ArrayCount(p_); }

const char* TextArray::pointer(size_t i) const {
    if (i >= size()) return nullptr;
    const char* p;
    std::memcpy(&p, static_cast<const uint8_t*>(p_) + kArrayHeader + i * sizeof(void*), sizeof p);
    return p;
}

std::string_view TextArray::at(size_t i) const { return runtime::TextView(pointer(i)); }

runtime::ArgRecord CallCore(core::CoreCommand slot, std::initializer_list<runtime::ArgRecord> args) {
    // Compiled logic builds the records in its own storage and passes their address.
    std::vector<runtime::ArgRecord> records(args);
    return Rt().CallCoreCommand(core::kCoreCommands[slot], static_cast<int32_t>(records.size()),
                                records.empty() ? nullptr : records.data(), 0);
}

Text CoreText(core::CoreCommand slot, std::initializer_list<runtime::ArgRecord> args) {
    runtime::ArgRecord r = CallCore(slot, args);
    return Text(r.type == runtime::kTypeText ? runtime::ArgPointer<char>(r) : nullptr);
}

int32_t CoreInt(core::CoreCommand slot, std::initializer_list<runtime::ArgRecord> args) {
    return runtime::ArgInt32(CallCore(slot, args));
}

TextArray CoreTextArray(core::CoreCommand slot, std::initializer_list<runtime::ArgRecord> args) {
    runtime::ArgRecord r = CallCore(slot, args);
    return TextArray(r.type == (runtime::kTypeText | runtime::kArrayFlag) ? runtime::ArgPointer(r) : nullptr);
}

}  // namespace app
