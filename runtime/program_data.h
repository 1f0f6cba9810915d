// The compiled program's data as the runtime reads it: ProgramHeader, the
// support libraries' LibraryInfo descriptors, unit-type descriptors and DLL
// declarations. The template compiler emits these as C++ source, so every
// record here is a plain aggregate that can be initialised at compile time
// (designated initialisers welcome). Fields that hold addresses are
// pointer-sized; numbers keep their 32-bit width.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/notify.h"
#include "runtime/values.h"

namespace runtime {

// A library command: (result record, argument count, first argument record).
// The result arrives zeroed; a returned block belongs to the caller.
using CommandRoutine = void (*)(ArgRecord* result, int32_t argCount, ArgRecord* args);

// A compiled routine of the program. The program's routines form one table;
// a stored handler offset is an index into it (0 = first, -1 = none). Callers
// cast an entry to the routine's real signature.
using ProgramRoutine = void (*)();

// --- Unit types -----------------------------------------------------------

// A property value as SetUnitProperty takes it and GetUnitProperty returns
// it: the value (integer, colour, 0/1, double bits, or a text/byte pointer)
// and, for byte kinds, the length in bytes.
struct PropertyValue {
    uint64_t value{};
    uint32_t length{};
};

struct PropertyRecord {
    const char* name{};
    const char* englishName{};
    const char* explanation{};
    uint16_t kind{};  // PropertyKind 1000-1024
    uint16_t flags{};  // carried unchanged
    const char* pickList{};
};

// Numbered unit operations; the runtime casts what the lookup returns to the
// signature of the number it asked for (see unit_operations in the units).
enum UnitOperationNumber : int32_t {
    kOpCreateUnit = 1,
    kOpSetUnitProperty = 4,
    kOpSaveUnitProperties = 5,
    kOpGetUnitProperty = 6,
    kOpExtractStoredIcon = 7,
    kOpWantsKey = 8,
    kOpConvertUnitTexts = 9,
    kOpIsDefaultButton = 10,
};
using UnitOperation = void (*)();
using UnitOperationLookup = UnitOperation (*)(int32_t number);

// Descriptor of a unit type (or other data type) of a library: fourteen
// fields; the type table holds type t at entry t - 1, unused slots all zero.
struct UnitType {
    const char* name{};  // Chinese name ("编辑框")
    const char* englishName{};  // "EditBox"
    const char* explanation{};
    uint32_t memberCommandCount{};
    const int32_t* memberCommands{};
    uint32_t flags{};
    uint32_t iconResource{};
    uint32_t eventCount{};
    const void* events{};
    uint32_t propertyCount{};  // common properties included
    const PropertyRecord* properties{};
    UnitOperationLookup lookup{};
    uint32_t elementCount{};
    const void* elements{};
};

// --- Libraries ------------------------------------------------------------

constexpr uint32_t kLibraryFormatMarker = 20000101;

// One support library: 36 words, of which the runtime reads the named ones.
struct LibraryInfo {
    uint32_t formatMarker{};  // 1: kLibraryFormatMarker
    const char* identifier{};  // 2: 32 hexadecimal digits
    uint32_t versions[7]{};  // 3-9: stored, not read
    const char* displayName{}; // 10
    uint32_t word11{}, word12{};
    uint32_t flags{};  // 13: stored
    uint32_t words14to21[8]{};
    uint32_t typeCount{};  // 22
    const UnitType* types{};   // 23
    uint32_t word24{}, word25{};
    uint32_t commandCount{};  // 26
    uint32_t word27{};
    const CommandRoutine* commands{};  // 28: command c at entry c
    uint32_t word29{}, word30{};
    LibraryNotifyRoutine notify{};     // 31: 0 = none
    uint32_t words32to36[5]{};
};

// --- DLL commands -----------------------------------------------------------

// One declared DLL command. The library may be empty (then a built-in list
// of system libraries is searched); an export "#k" names ordinal k mod 65536.
// parameterCount is what a call must pass: a differing count is runtime
// error 6, the 64-bit counterpart of the stack check after the call.
struct DllDeclaration {
    const char* library{};
    const char* exportName{};
    uint32_t parameterCount{};
};

// --- The program ------------------------------------------------------------

// The compiled program's record of where its parts are.
struct ProgramHeader {
    uint32_t kind{};  // 1: 2 = debugging build; answered by notify 2030
    uint32_t kept2{};  // 2: kept by the runtime
    uint32_t kept3{};  // 3: kept increased by 1
    const ProgramRoutine* routines{};  // 4: base of compiled code (the routine table)
    uint32_t routineCount{};
    const uint8_t* constants{};  // 5: constant data segment
    size_t constantsLength{};          // 6
    const uint8_t* templates{};  // 7: window-template data segment
    size_t templatesLength{};          // 8
    uint32_t libraryCount{};  // 9
    const LibraryInfo* const* libraries{};  // 10: entries may be null
    uint32_t dllCount{};  // 11
    const DllDeclaration* dllCommands{};  // 12/13: names (and parameter counts)
};

// The program as linked into an executable: its header and entry routine.
// The entry routine returns 0 after RunMessageLoop returns.
struct CompiledProgram {
    const ProgramHeader* header;
    int (*entry)();
};

// Unit-type lookup: 0 < code < 0x40000000 names library (code >> 16) from 1
// and type (code & 0xFFFF) from 1; anything else, or a null slot, is null.
const UnitType* FindUnitType(const ProgramHeader& header, uint32_t code);

}  // namespace runtime
