// ToText, ToByteSet, ToHexText, ToInteger, ToNumber, BitOr.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "libraries/core/command_args.h"
#include "libraries/core/gbk_text.h"
#include "libraries/core/value_commands.h"
#include "runtime/conversions.h"

namespace core {

using namespace runtime;

namespace {

constexpr const char kTrue[] = "真";
constexpr const char kFalse[] = "假";

bool IsNumberType(uint32_t t) {
    switch (t) {
        case kTypeByte: case kTypeShort: case kTypeInt: case kTypeLong: case kTypeFloat: case kTypeDouble:
            return true;
        default:
            return false;
    }
}

// Raw little-endian bytes of an inline value (its kind's size).
std::string_view RawBytes(const ArgRecord& r, const uint64_t& value) {
    return std::string_view(reinterpret_cast<const char*>(&value), InlineSize(r.type));
}

// The element bytes of a one-dimensional array of numbers; false otherwise.
bool NumberArrayBytes(const ArgRecord& r, std::string_view* out) {
    if (!IsArrayType(r.type) || !IsNumberType(ElementType(r.type))) return false;
    const void* array = ArgPointer<const void>(r);
    ArrayInfo info;
    if (!ReadArrayInfo(array, ElementType(r.type), &info) || info.dimensions != 1) return false;
    *out = std::string_view(static_cast<const char*>(array) + info.headerBytes, info.count * info.elementSize);
    return true;
}

std::string_view UpToZero(std::string_view bytes) { return bytes.substr(0, bytes.find('\0')); }

// The C library's decimal reading (blanks, sign, digits to the first
// non-digit), kept within 32 bits as a 32-bit strtol would.
int32_t ReadDecimal(const std::string& s) {
    errno = 0;
    long long v = std::strtoll(s.c_str(), nullptr, 10);
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(v);
}

}  // namespace

void CmdToText(ArgRecord* result, int32_t argCount, ArgRecord* args) {
    *result = MakePointerArg(nullptr, kTypeText);  // empty until filled
    CommandArgs a(argCount, args);
    const ArgRecord* r = a.At(0);
    if (!r) return;
    char buffer[64];
    switch (r->type) {
        case kTypeByte:
            std::snprintf(buffer, sizeof buffer, "%u", static_cast<unsigned>(static_cast<uint8_t>(r->value)));
            return ReturnText(result, buffer);
        case kTypeShort:
            std::snprintf(buffer, sizeof buffer, "%d", static_cast<int16_t>(static_cast<uint16_t>(r->value)));
            return ReturnText(result, buffer);
        case kTypeInt:
            std::snprintf(buffer, sizeof buffer, "%d", ArgInt32(*r));
            return ReturnText(result, buffer);
        case kTypeLong:
            return ReturnText(result, std::to_string(static_cast<int64_t>(r->value)));
        case kTypeFloat: return ReturnText(result, FloatToText(ArgFloat(*r)));
        case kTypeDouble: return ReturnText(result, DoubleToText(ArgDouble(*r)));
        case kTypeBool: return ReturnText(result, ArgInt32(*r) != 0 ? kTrue : kFalse);
        case kTypeDateTime: return ReturnText(result, DateTimeToText(ArgDouble(*r)));
        case kTypeText: return ReturnText(result, a.Text(0));
        case kTypeBytes: return ReturnText(result, UpToZero(ByteSetView(ArgPointer(*r))));
        default: {
            std::string_view bytes;
            if (NumberArrayBytes(*r, &bytes)) ReturnText(result, UpToZero(bytes));
            return;
        }
    }
}

void CmdToByteSet(ArgRecord* result, int32_t argCount, ArgRecord* args) {
    *result = MakePointerArg(nullptr, kTypeBytes);  // empty until filled
    CommandArgs a(argCount, args);
    const ArgRecord* r = a.At(0);
    if (!r) return;
    const uint64_t value = r->value;
    switch (r->type) {
        case kTypeText: return ReturnBytes(result, a.Text(0));
        case kTypeBytes: return ReturnBytes(result, ByteSetView(ArgPointer(*r)));
        case kTypeByte: case kTypeShort: case kTypeInt: case kTypeLong: case kTypeFloat: case kTypeDouble:
        case kTypeBool: case kTypeDateTime: case kTypeRoutine:
            return ReturnBytes(result, RawBytes(*r, value));
        default: {
            std::string_view bytes;
            if (NumberArrayBytes(*r, &bytes)) ReturnBytes(result, bytes);
            return;
        }
    }
}

void CmdToHexText(ArgRecord* result, int32_t argCount, ArgRecord* args) {
    CommandArgs a(argCount, args);
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%X", static_cast<uint32_t>(a.Int(0, 0)));
    ReturnText(result, buffer);
}

void CmdToInteger(ArgRecord* result, int32_t argCount, ArgRecord* args) {
    CommandArgs a(argCount, args);
    const ArgRecord* r = a.At(0);
    if (!r) return ReturnInt(result, 0);
    int32_t n = 0;
    if (TryNumberToInteger(*r, &n)) return ReturnInt(result, n);
    switch (r->type) {
        case kTypeBool: return ReturnInt(result, ArgInt32(*r));
        case kTypeRoutine: return ReturnInt(result, static_cast<int32_t>(static_cast<uint32_t>(r->value)));
        case kTypeText: return ReturnInt(result, ReadDecimal(ToHalfWidth(a.Text(0))));
        default: return ReturnInt(result, 0);
    }
}

void CmdToNumber(ArgRecord* result, int32_t argCount, ArgRecord* args) {
    CommandArgs a(argCount, args);
    const ArgRecord* r = a.At(0);
    if (!r) return ReturnDouble(result, 0);
    switch (r->type) {
        case kTypeByte: return ReturnDouble(result, static_cast<uint8_t>(r->value));
        case kTypeShort: return ReturnDouble(result, static_cast<int16_t>(static_cast<uint16_t>(r->value)));
        case kTypeInt: case kTypeBool: return ReturnDouble(result, ArgInt32(*r));
        case kTypeLong: return ReturnDouble(result, static_cast<double>(static_cast<int64_t>(r->value)));
        case kTypeFloat: return ReturnDouble(result, ArgFloat(*r));
        case kTypeDouble: return ReturnDouble(result, ArgDouble(*r));
        case kTypeRoutine: return ReturnDouble(result, static_cast<double>(r->value));
        case kTypeText: {
            std::string s = ToHalfWidth(a.Text(0));
            return ReturnDouble(result, std::strtod(s.c_str(), nullptr));
        }
        default: return ReturnDouble(result, 0);
    }
}

void CmdBitOr(ArgRecord* result, int32_t argCount, ArgRecord* args) {
    CommandArgs a(argCount, args);
    uint32_t bits = 0;
    for (int32_t i = 0; i < a.Count(); ++i) bits |= static_cast<uint32_t>(a.Int(i, 0));
    ReturnInt(result, static_cast<int32_t>(bits));
}

}  // namespace core
