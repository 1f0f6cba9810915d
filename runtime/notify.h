// NotifyRuntime: the one entry through which the units and the libraries ask
// the runtime for something, and LibraryNotify, each library's entry for the
// runtime. Messages of subsystems not built yet answer 0.
#pragma once

#include <cstdint>

namespace runtime {

enum NotifyMessage : int32_t {
    kNotifyGetWindowTable = 1001,
    kNotifyGetUnitType = 1002,
    kNotifyAnswerOne = 1004,
    kNotifyVersion = 1005,          // answers 0x30005
    kNotifyCopyPath = 1006,         // selector, buffer (MAX_PATH bytes)
    kNotifyAttachObject = 1007,
    kNotifyDestroyObject = 1008,
    kNotifyDetachObject = 1009,
    kNotifyObjectHandle = 1010,
    kNotifyAttachHandle = 1011,
    kNotifyAddIdleCallback = 1012,
    kNotifyRemoveIdleCallback = 1013,
    kNotifyUnitDestroyed = 2000,
    kNotifyToInteger = 2001,        // address of an ArgRecord
    kNotifyProgramFolder = 2003,
    kNotifyProgramFile = 2004,
    kNotifyLoadWindow = 2005,
    kNotifyFindUnit = 2006,
    kNotifyFindUnitOrFail = 2007,
    kNotifyRaiseEvent = 2008,
    kNotifyBusyUp = 2009,
    kNotifyBusyDown = 2010,
    kNotifyEventContext = 2017,
    kNotifyProcessMessages = 2018,
    kNotifyUnitTypeCode = 2022,
    kNotifyFreeValue = 2023,        // type code, value address
    kNotifyAllocMemory = 2024,      // byte count, no-fail flag (0 = fatal on failure)
    kNotifyFreeMemory = 2025,
    kNotifyReallocMemory = 2026,
    kNotifyFatalError = 2027,       // message text
    kNotifyExitProgram = 2028,
    kNotifyEventFlags = 2029,
    kNotifyProgramKind = 2030,
    kNotifyRaiseTypedEvent = 2031,
    kNotifyWindowCount = 2032,
    kNotifyWindowHandle = 2033,
    kNotifyCopyUnit = 2034,         // address of a CopyUnitRequest (runtime/windowing/unit_protocol.h)
};

// Two contiguous ranges of message numbers, each a table in notify.cpp.
constexpr int32_t kNotifyFirstLow = 1000, kNotifyLastLow = 1014;
constexpr int32_t kNotifyFirstHigh = 2000, kNotifyLastHigh = 2040;

// Pointer-sized answer: some messages answer addresses (the window table, a
// unit type), the 32-bit ones in the low half.
intptr_t NotifyRuntime(int32_t message, uintptr_t param1, uintptr_t param2);

// Messages the runtime sends to a library's LibraryNotify.
enum LibraryMessage : int32_t {
    kLibraryStart = 1,  // param1: the NotifyRuntime routine
    kLibraryEnd = 6,    // param1: the library's data word
};
using LibraryNotifyRoutine = intptr_t (*)(int32_t message, uintptr_t param1, uintptr_t param2);

}  // namespace runtime
