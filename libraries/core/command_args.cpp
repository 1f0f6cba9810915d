#include "libraries/core/command_args.h"

#include "libraries/core/core_library.h"
#include "runtime/conversions.h"

namespace core {

using namespace runtime;

const char* CommandArgs::TextPointer(int32_t i) const {
    const ArgRecord* r = At(i);
    return r && r->type == kTypeText ? ArgPointer<const char>(*r) : nullptr;
}

std::string_view CommandArgs::Text(int32_t i) const { return TextView(TextPointer(i)); }

const void* CommandArgs::Bytes(int32_t i) const {
    const ArgRecord* r = At(i);
    return r && r->type == kTypeBytes ? ArgPointer<const void>(*r) : nullptr;
}

int32_t CommandArgs::Int(int32_t i, int32_t fallback) const {
    const ArgRecord* r = At(i);
    if (!r) return fallback;
    int32_t n;
    if (TryNumberToInteger(*r, &n)) return n;
    if (r->type == kTypeBool) return ArgInt32(*r) != 0;
    return fallback;
}

bool CommandArgs::Bool(int32_t i, bool fallback) const {
    const ArgRecord* r = At(i);
    if (!r || r->type == kTypeNone) return fallback;
    if (r->type == kTypeBool) return ArgInt32(*r) != 0;
    int32_t n;
    return TryNumberToInteger(*r, &n) ? n != 0 : fallback;
}

void ReturnText(ArgRecord* result, std::string_view text) {
    *result = MakePointerArg(MakeText(Notify(), text.data(), static_cast<ptrdiff_t>(text.size())), kTypeText);
}

void ReturnBytes(ArgRecord* result, std::string_view bytes) {
    *result = MakePointerArg(MakeByteSet(Notify(), bytes.data(), bytes.size()), kTypeBytes);
}

void ReturnInt(ArgRecord* result, int32_t value) { *result = MakeIntArg(value); }
void ReturnBool(ArgRecord* result, bool value) { *result = MakeBoolArg(value); }
void ReturnDouble(ArgRecord* result, double value) { *result = MakeDoubleArg(value); }

}  // namespace core
