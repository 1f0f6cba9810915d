#include "app/program_units.h"

namespace app {
namespace {

constexpr int32_t kWholeValue = -1;

uint64_t Read(uint32_t window, uint32_t unit, int32_t property) {
    return Rt().ReadUnitProperty(window, unit, property, kWholeValue);
}

void* Pointer(uint64_t v) { return reinterpret_cast<void*>(static_cast<uintptr_t>(v)); }

}  // namespace

int32_t ReadInt(uint32_t window, uint32_t unit, int32_t property) {
    return static_cast<int32_t>(static_cast<uint32_t>(Read(window, unit, property)));
}

void WriteInt(uint32_t window, uint32_t unit, int32_t property, int32_t value) {
    Rt().WriteUnitProperty(window, unit, property, kWholeValue, static_cast<uint32_t>(value));
}

Text ReadText(uint32_t window, uint32_t unit, int32_t property) {
    return Text(static_cast<char*>(Pointer(Read(window, unit, property))));
}

Bytes ReadBytes(uint32_t window, uint32_t unit, int32_t property) {
    return Bytes(Pointer(Read(window, unit, property)));
}

void WriteText(uint32_t window, uint32_t unit, int32_t property, const char* text) {
    Rt().WriteUnitProperty(window, unit, property, kWholeValue, reinterpret_cast<uintptr_t>(text));
}

void WriteBytes(uint32_t window, uint32_t unit, int32_t property, const void* bytes) {
    Rt().WriteUnitProperty(window, unit, property, kWholeValue, reinterpret_cast<uintptr_t>(bytes));
}

}  // namespace app
