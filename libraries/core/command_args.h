// Reading a command's argument records and writing its result record.
// Missing records (fewer than expected, or a null array) count as omitted;
// a record of the wrong kind reads as the empty value of the kind asked for.
#pragma once

#include <cstdint>
#include <string_view>

#include "runtime/values.h"

namespace core {

class CommandArgs {
public:
    CommandArgs(int32_t count, runtime::ArgRecord* args) : count_(args ? count : 0), args_(args) {}

    int32_t Count() const { return count_ < 0 ? 0 : count_; }
    const runtime::ArgRecord* At(int32_t i) const { return i >= 0 && i < count_ ? &args_[i] : nullptr; }
    bool Omitted(int32_t i) const {
        const runtime::ArgRecord* r = At(i);
        return !r || r->type == runtime::kTypeNone;
    }
    // A text argument (null or another kind: the empty text).
    std::string_view Text(int32_t i) const;
    const char* TextPointer(int32_t i) const;
    // A byte-set argument (null or another kind: the empty byte set).
    const void* Bytes(int32_t i) const;
    // An integer argument: numbers converted as the runtime does, a logical
    // as 0/1; omitted or any other kind gives the default.
    int32_t Int(int32_t i, int32_t fallback) const;
    bool Bool(int32_t i, bool fallback) const;

private:
    int32_t count_;
    runtime::ArgRecord* args_;
};

// Result writers: the result record arrives zeroed.
void ReturnText(runtime::ArgRecord* result, std::string_view text);
void ReturnBytes(runtime::ArgRecord* result, std::string_view bytes);
void ReturnInt(runtime::ArgRecord* result, int32_t value);
void ReturnBool(runtime::ArgRecord* result, bool value);
void ReturnDouble(runtime::ArgRecord* result, double value);

}  // namespace core
