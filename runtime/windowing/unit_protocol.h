// What the runtime and the unit implementations agree on beyond the UnitType
// descriptor: the signatures behind the numbered operations, the event
// records of NotifyRuntime 2008 and 2031, and the private messages the
// runtime sends to unit windows. Units include this header; the runtime never
// includes anything of units/.
//
// A unit is known to the runtime by its native window handle: CreateUnit
// answers it, the live-object word of the unit's record holds it, and the
// other operations take it.
#pragma once

#include <cstdint>

#include "runtime/program_data.h"
#include "win/types.h"

namespace runtime {

using CreateUnitOp = uint32_t (*)(const uint8_t* data, uint32_t length, uint32_t styles, uint32_t parent,
                                  uint32_t controlId, uint32_t menu, int32_t left, int32_t top, int32_t width,
                                  int32_t height, uint32_t windowId, uint32_t unitId, uint32_t loaderWord,
                                  uint32_t designMode);
// Answers 1 when the native window must be rebuilt.
using SetUnitPropertyOp = int32_t (*)(uint32_t unit, int32_t index, const PropertyValue* value, uint32_t* outWord);
// Answers the StoredUnitData of the current values in a heap block owned by
// the caller (NotifyRuntime 2025 frees it), its length through *length.
using SaveUnitPropertiesOp = uint8_t* (*)(uint32_t unit, uint32_t* length);
using GetUnitPropertyOp = int32_t (*)(uint32_t unit, int32_t index, PropertyValue* value);
using ExtractStoredIconOp = uint8_t* (*)(const uint8_t* data, uint32_t length, uint32_t* iconLength);
using WantsKeyOp = int32_t (*)(uint32_t unit, uint32_t virtualKey);
using IsDefaultButtonOp = int32_t (*)(uint32_t unit);

// Event record, simple form (NotifyRuntime 2008).
struct EventRecord {
    uint32_t window = 0;
    uint32_t unit = 0;  // 0 = the window unit
    int32_t event = 0;  // >= 0 own events, < 0 shared unit events
    uint32_t argCount = 0;  // 0-5
    uint32_t args[5] = {};
    uint32_t hasResult = 0;
    uint32_t result = 0;
};

// Argument slot of the typed form: value, its type code, flags.
struct TypedEventArg {
    uint64_t value = 0;
    uint32_t type = 0;
    uint32_t flags = 0;  // bit 0: pass the first word only; bit 1: pass both words
};
static_assert(sizeof(TypedEventArg) == 16);

// Event record, typed form (NotifyRuntime 2031).
struct TypedEventRecord {
    uint32_t window = 0;
    uint32_t unit = 0;
    int32_t event = 0;
    uint32_t argCount = 0;  // 0-12
    TypedEventArg args[12] = {};
    uint32_t hasResult = 0;
    uint64_t result = 0;
};

// Idle callback entry (NotifyRuntime 1012).
using IdleRoutine = int32_t (*)(uintptr_t argument);
struct IdleCallback {
    uint32_t window = 0;
    IdleRoutine routine = nullptr;
    uintptr_t argument = 0;
};

// Shared unit events raised by the window's message pre-translation.
enum CommonEvent : int32_t {
    kEventLeftDown = -1,
    kEventLeftUp = -2,
    kEventLeftDoubleClick = -3,
    kEventRightDown = -4,
    kEventRightUp = -5,
    kEventMouseMove = -6,
    kEventGotFocus = -7,
    kEventLostFocus = -8,
    kEventKeyDown = -9,
    kEventKeyUp = -10,
    kEventChar = -11,
    kEventWheel = -12,
};

// Private messages from the runtime to unit windows (WM_APP range).
enum UnitMessage : uint32_t {
    // All units of the window exist. wParam/lParam unused.
    kMsgTemplateComplete = 0x8000 + 0x3E0,
    // Sent to the window unit before a message is dispatched: lParam points
    // to the MSG. Answer 1 when the window consumed it (key handling).
    kMsgPreTranslate = 0x8000 + 0x3E1,
    // The loader's start-state question to a window unit: answers 3
    // (maximised), 2 (minimised) or anything else (normal).
    kMsgStartState = 0x8000 + 0x3E3,
    // The core command that opens a common dialog asks the unit to show its
    // dialog modally; the answer is 1 when the user confirmed, else 0.
    kMsgOpenCommonDialog = 0x8000 + 0x3E4,
};

// Type-flag bits with behaviour.
constexpr uint32_t kTypeNeverRebuilt = 0x10;
constexpr uint32_t kTypeAllowsEvents = 0x40;
constexpr uint32_t kTypeAllowsEventsOld = 0x04;
constexpr uint32_t kTypeContainer = 0x80;
constexpr uint32_t kTypeDefaultButton = 0x800;
constexpr uint32_t kTypeNeverShown = 0x8000;
constexpr uint32_t kTypeStartsFreeMove = 0x4000000;

// Positions written through the common properties are clamped to this.
constexpr int32_t kPositionLimit = 32627;

}  // namespace runtime

namespace runtime {
// NotifyRuntime 2005: the address of this request.
struct LoadWindowRequest {
    uint32_t window = 0;
    uint32_t owner = 0;  // the owner's window handle, 0 = none
    uint32_t modal = 0;
};
// NotifyRuntime 2034: the address of this request. The runtime duplicates
// the source unit's record under a new unit id that shares the source's
// handlers and, when the source is live, creates the copy beside it; it
// answers 1 and fills newUnit, or 0 with nothing changed.
struct CopyUnitRequest {
    uint32_t window = 0;
    uint32_t source = 0;
    uint32_t newUnit = 0;
};
}  // namespace runtime
