// Turning a unit's raw property answer into a program value, by the
// property's kind (applied when compiled logic reads a unit property).
#pragma once

#include <cstdint>

#include "runtime/program_data.h"
#include "runtime/values.h"

namespace runtime {

enum PropertyKind : uint16_t {
    kKindFirst = 1000,
    kKindInteger = 1001,
    kKindDouble = 1002,
    kKindLogic = 1003,
    kKindDate = 1004,
    kKindText = 1005,
    kKindPick = 1006,
    kKindPicture = 1009,
    kKindIcon = 1010,
    kKindMousePointer = 1011,
    kKindSound = 1012,
    kKindFont = 1013,
    kKindColour = 1014,
    kKindColourTransparent = 1015,
    kKindFileName = 1016,
    kKindBackColour = 1017,
    kKindBytes = 1023,
    kKindCustom = 1024,
    kKindLast = 1024,
};

// Size of an operating-system font description (LOGFONTA).
constexpr uint32_t kFontDescriptionBytes = 60;

// The seven-field font block of member -1, owned by the caller: six 32-bit
// fields, then the face-name text pointer (pointer-sized in this process).
struct FontBlock {
    int32_t angle;      // tenths of a degree
    int32_t bold;       // weight >= 700
    int32_t italic;
    int32_t strikeOut;
    int32_t underline;
    int32_t pointSize;
    char* faceName;     // a text block, or null
};

// What the conversion needs from the window side.
struct PropertyContext {
    NotifyRoutine notify;
    // The 60-byte description of the system's default GUI font, used when a
    // font answer is null or not 60 bytes long.
    const uint8_t* defaultFont;
    // Vertical screen resolution (pixels per inch) for point sizes.
    int32_t pixelsPerInchY;
    // Stored mouse-pointer code to the live one; null keeps it.
    uint32_t (*livePointerCode)(uint32_t stored);
};

// The program value for the raw answer; false when the kind is outside
// 1000-1024 (no value, the result stays zero).
bool PropertyToProgramValue(uint16_t kind, const PropertyValue& raw, int32_t member, const PropertyContext& context,
                            uint64_t* value);

// The system's multiply-divide: a * b / c rounded half away from zero, -1
// when c is 0 or the result does not fit 32 bits.
int32_t MulDivRounded(int32_t a, int32_t b, int32_t c);

}  // namespace runtime
