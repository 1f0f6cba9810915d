// Where the window side of the runtime (window table, template reader,
// window loading, events, message loop, hidden owner window) plugs into the
// application object. Until a piece exists its hook keeps the behaviour of
// an empty window table: nothing to load, a loop that returns at once.
#pragma once

#include <cstdint>
#include <span>

#include "runtime/program_data.h"

namespace runtime {

struct WindowSubsystem {
    // Replaces the start-up's reading of the template segment (null: the
    // runtime reads it into its WindowTable); false = the segment is
    // unreadable, the fatal report follows and nothing is added.
    bool (*readTemplates)(std::span<const uint8_t> segment, const ProgramHeader& header);
    void (*createHiddenOwner)();
    void (*destroyHiddenOwner)();
    // Exit work: empty the idle callbacks, destroy every window object.
    void (*destroyAllWindows)();
    // Hands an exit requested on another thread to the main thread (0x83E7).
    void (*postExitRequest)(int32_t code);
    void (*runMessageLoop)();
    void (*loadStartWindow)(uint32_t windowId);
    uint64_t (*readUnitProperty)(uint32_t windowId, uint32_t unitId, int32_t property, int32_t member);
    void (*writeUnitProperty)(uint32_t windowId, uint32_t unitId, int32_t property, int32_t member, uint64_t value);
    // RuntimeService 4 and 5: a unit held as a value (unit reference).
    uint64_t (*readValueProperty)(uint32_t typeCode, uint64_t unit, int32_t property, int32_t member);
    void (*writeValueProperty)(uint32_t typeCode, uint64_t unit, int32_t property, int32_t member, uint64_t value);
    // NotifyRuntime messages that belong to windows and events (1001, 1007-1013,
    // 2000, 2005-2010, 2017, 2018, 2022, 2031-2033); 0 = not handled.
    intptr_t (*notify)(int32_t message, uintptr_t param1, uintptr_t param2);
};

// The hooks of an empty window table; the window modules replace entries.
WindowSubsystem DefaultWindowSubsystem();

}  // namespace runtime
