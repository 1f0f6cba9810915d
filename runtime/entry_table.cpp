#include "runtime/entry_table.h"

#include "runtime/application.h"
#include "runtime/runtime_error.h"
#include "runtime/runtime_services.h"

namespace runtime {
namespace {

void SlotReportRuntimeError(int32_t number) { ReportRuntimeError(number); }

uint64_t SlotCallDllCommand(uint32_t command, uint32_t argCount, const uintptr_t* args) {
    return Application::Instance().Dlls().Call(command, argCount, args);
}

// Slots 3 and 4 behave alike: the caller's own records are passed, the result
// record starts zeroed. The library position is not used.
ArgRecord SlotCallCommand(CommandRoutine routine, int32_t argCount, ArgRecord* args, int32_t) {
    ArgRecord result{0, 0};
    if (routine) routine(&result, argCount < 0 ? 0 : argCount, args);
    return result;
}

uint64_t SlotReadUnitProperty(uint32_t windowId, uint32_t unitId, int32_t property, int32_t member) {
    return Application::Instance().Windows().readUnitProperty(windowId, unitId, property, member);
}

void SlotWriteUnitProperty(uint32_t windowId, uint32_t unitId, int32_t property, int32_t member, uint64_t value) {
    Application::Instance().Windows().writeUnitProperty(windowId, unitId, property, member, value);
}

void* SlotAllocMemory(size_t bytes) { return Application::Instance().Heap().Alloc(bytes); }
void* SlotReallocMemory(void* block, size_t bytes) { return Application::Instance().Heap().Realloc(block, bytes); }
void SlotFreeMemory(void* block) { Application::Instance().Heap().Free(block); }
void SlotExitProgram(int32_t code) { Application::Instance().ExitProgram(code); }
void SlotRunMessageLoop() { Application::Instance().Windows().runMessageLoop(); }
void SlotLoadStartWindow(uint32_t windowId) { Application::Instance().Windows().loadStartWindow(windowId); }

uint64_t SlotRuntimeService(int32_t number, uintptr_t a1, uintptr_t a2, uintptr_t a3, uintptr_t a4, uintptr_t a5,
                            uintptr_t a6) {
    // Numbers outside 0-6 never come from compiled logic; refuse them as the
    // argument-type error rather than jump through a wild slot.
    if (number < 0 || number >= kRuntimeServiceCount) ReportRuntimeError(kErrArgumentType);
    return kRuntimeServices[static_cast<size_t>(number)](a1, a2, a3, a4, a5, a6);
}

constexpr RuntimeEntryTable kEntryTable = {
    SlotReportRuntimeError, SlotCallDllCommand,   SlotCallCommand,     SlotCallCommand,
    SlotReadUnitProperty,   SlotWriteUnitProperty, SlotAllocMemory,    SlotReallocMemory,
    SlotFreeMemory,         SlotExitProgram,      SlotRunMessageLoop,  SlotLoadStartWindow,
    SlotRuntimeService,
};

}  // namespace

const RuntimeEntryTable& EntryTable() { return kEntryTable; }

}  // namespace runtime
