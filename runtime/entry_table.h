// RuntimeEntryTable: the only way compiled program logic reaches the
// runtime. Thirteen routines in slot order; the app keeps a reference to the
// table and calls through it.
//
//   const runtime::RuntimeEntryTable& rt = runtime::EntryTable();
//   rt.RuntimeService(runtime::kServiceStartRuntime, 0, 0, 0, 0, 0, 0);
//   runtime::ArgRecord r = rt.CallCoreCommand(routine, n, args, 0);
//   uint64_t v = runtime::CallDll(rt, 3, arg1, arg2);   // DLL command 3
#pragma once

#include <array>
#include <cstdint>
#include <type_traits>

#include "runtime/program_data.h"
#include "runtime/values.h"

namespace runtime {

enum EntrySlot : int32_t {
    kSlotReportRuntimeError = 1,
    kSlotCallDllCommand,
    kSlotCallLibraryCommand,
    kSlotCallCoreCommand,
    kSlotReadUnitProperty,
    kSlotWriteUnitProperty,
    kSlotAllocMemory,
    kSlotReallocMemory,
    kSlotFreeMemory,
    kSlotExitProgram,
    kSlotRunMessageLoop,
    kSlotLoadStartWindow,
    kSlotRuntimeService,
    kEntrySlotCount = kSlotRuntimeService,
};

enum RuntimeServiceNumber : int32_t {
    kServiceFindNextFile = 0,   // pattern text, attribute mask, mask-omitted flag, &search handle
    kServiceEndFileSearch = 1,  // search handle
    kServiceMakeArrayWritable = 2,  // element size, &array pointer
    kServiceRegisterExitRoutine = 3,  // ExitRoutine
    kServiceReadValueProperty = 4,    // type code, unit value, property, member
    kServiceWriteValueProperty = 5,   // type code, unit value, property, member, value
    kServiceStartRuntime = 6,
    kRuntimeServiceCount = 7,
};

// Pointer-width arguments of RuntimeService; unused ones are 0.
using ServiceRoutine = uint64_t (*)(uintptr_t a1, uintptr_t a2, uintptr_t a3, uintptr_t a4, uintptr_t a5,
                                    uintptr_t a6);

struct RuntimeEntryTable {
    void (*ReportRuntimeError)(int32_t number);  // does not return
    // Array form: the command's arguments as pointer-width integers. The
    // count must equal the declared parameter count, else runtime error 6.
    uint64_t (*CallDllCommand)(uint32_t command, uint32_t argCount, const uintptr_t* args);
    ArgRecord (*CallLibraryCommand)(CommandRoutine routine, int32_t argCount, ArgRecord* args, int32_t library);
    ArgRecord (*CallCoreCommand)(CommandRoutine routine, int32_t argCount, ArgRecord* args, int32_t library);
    uint64_t (*ReadUnitProperty)(uint32_t windowId, uint32_t unitId, int32_t property, int32_t member);
    void (*WriteUnitProperty)(uint32_t windowId, uint32_t unitId, int32_t property, int32_t member, uint64_t value);
    void* (*AllocMemory)(size_t bytes);
    void* (*ReallocMemory)(void* block, size_t bytes);
    void (*FreeMemory)(void* block);
    void (*ExitProgram)(int32_t code);  // does not return
    void (*RunMessageLoop)();
    void (*LoadStartWindow)(uint32_t windowId);
    uint64_t (*RuntimeService)(int32_t number, uintptr_t a1, uintptr_t a2, uintptr_t a3, uintptr_t a4,
                               uintptr_t a5, uintptr_t a6);
};
static_assert(sizeof(RuntimeEntryTable) == kEntrySlotCount * sizeof(void*));

const RuntimeEntryTable& EntryTable();

// Variadic convenience over slot 2: packs the arguments into the array form.
template <typename... Args>
uint64_t CallDll(const RuntimeEntryTable& rt, uint32_t command, Args... args) {
    static_assert(sizeof...(Args) <= 12, "a DLL command takes at most 12 arguments");
    static_assert((... && (std::is_integral_v<Args> || std::is_pointer_v<Args> || std::is_null_pointer_v<Args>)),
                  "DLL arguments are integers or pointers");
    const uintptr_t packed[sizeof...(Args) + 1] = {(uintptr_t)(args)..., 0};
    return rt.CallDllCommand(command, sizeof...(Args), packed);
}

}  // namespace runtime
