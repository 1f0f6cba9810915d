#include "runtime/property_values.h"

#include <cstdlib>
#include <cstring>

#include "runtime/notify.h"

namespace runtime {

int32_t MulDivRounded(int32_t a, int32_t b, int32_t c) {
    if (c == 0) return -1;
    int64_t product = static_cast<int64_t>(a) * b;
    int64_t half = std::llabs(static_cast<int64_t>(c)) / 2;
    int64_t magnitude = (std::llabs(product) + half) / std::llabs(static_cast<int64_t>(c));
    int64_t result = ((product < 0) != (c < 0)) ? -magnitude : magnitude;
    if (result > INT32_MAX || result < INT32_MIN) return -1;
    return static_cast<int32_t>(result);
}

namespace {

int32_t Int32At(const uint8_t* p, size_t offset) {
    int32_t v;
    std::memcpy(&v, p + offset, 4);
    return v;
}

// LOGFONTA fields the font members read.
constexpr size_t kHeight = 0, kOrientation = 12, kWeight = 16, kItalic = 20, kUnderline = 21, kStrikeOut = 22,
                 kFaceName = 28, kFaceNameBytes = 32;

char* FaceName(const uint8_t* font, NotifyRoutine notify) {
    const char* name = reinterpret_cast<const char*>(font + kFaceName);
    return MakeText(notify, name, static_cast<ptrdiff_t>(strnlen(name, kFaceNameBytes)));
}

bool FontMember(const uint8_t* font, int32_t member, const PropertyContext& c, uint64_t* value) {
    const int32_t pointSize = MulDivRounded(std::abs(Int32At(font, kHeight)), 72, c.pixelsPerInchY);
    switch (member) {
        case 0: *value = static_cast<uint32_t>(Int32At(font, kOrientation)); return true;
        case 1: *value = Int32At(font, kWeight) >= 700; return true;
        case 2: *value = font[kItalic] != 0; return true;
        case 3: *value = font[kStrikeOut] != 0; return true;
        case 4: *value = font[kUnderline] != 0; return true;
        case 5: *value = static_cast<uint32_t>(pointSize); return true;
        case 6: *value = reinterpret_cast<uintptr_t>(FaceName(font, c.notify)); return true;
        case -1: {
            auto* block = reinterpret_cast<FontBlock*>(c.notify(kNotifyAllocMemory, sizeof(FontBlock), 0));
            *block = FontBlock{Int32At(font, kOrientation),
                               Int32At(font, kWeight) >= 700,
                               font[kItalic] != 0,
                               font[kStrikeOut] != 0,
                               font[kUnderline] != 0,
                               pointSize,
                               FaceName(font, c.notify)};
            *value = reinterpret_cast<uintptr_t>(block);
            return true;
        }
        default: return false;  // no such part: no value
    }
}

}  // namespace

bool PropertyToProgramValue(uint16_t kind, const PropertyValue& raw, int32_t member, const PropertyContext& c,
                            uint64_t* value) {
    *value = 0;
    const auto* bytes = reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(raw.value));
    switch (kind) {
        case 1000: case kKindInteger: case kKindPick: case kKindColour: case kKindColourTransparent:
        case kKindBackColour:
            *value = static_cast<uint32_t>(raw.value);
            return true;
        case kKindDouble: case kKindDate:
            *value = raw.value;
            return true;
        case kKindLogic:
            *value = static_cast<uint32_t>(raw.value) == 1;
            return true;
        case kKindPicture: case kKindIcon: case kKindSound: case kKindBytes: case kKindCustom:
            *value = reinterpret_cast<uintptr_t>(MakeByteSet(c.notify, bytes, bytes ? raw.length : 0));
            return true;
        case kKindMousePointer: {
            void* set = MakeByteSet(c.notify, bytes, bytes ? raw.length : 0);
            if (set && raw.length >= 4 && c.livePointerCode) {
                uint8_t* data = static_cast<uint8_t*>(set) + kByteSetHeader;
                uint32_t code;
                std::memcpy(&code, data, 4);
                code = c.livePointerCode(code);
                std::memcpy(data, &code, 4);
            }
            *value = reinterpret_cast<uintptr_t>(set);
            return true;
        }
        case kKindFont: {
            const uint8_t* font = bytes && raw.length == kFontDescriptionBytes ? bytes : c.defaultFont;
            return font && FontMember(font, member, c, value);
        }
        default:
            if (kind < kKindFirst || kind > kKindLast) return false;
            *value = reinterpret_cast<uintptr_t>(CopyText(c.notify, reinterpret_cast<const char*>(bytes)));
            return true;
    }
}

}  // namespace runtime
