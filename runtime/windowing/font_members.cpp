#include "runtime/windowing/font_members.h"

#include <cstring>

#include "runtime/property_values.h"

namespace runtime::windowing {
namespace {

constexpr size_t kHeight = 0, kEscapement = 8, kOrientation = 12, kWeight = 16, kItalic = 20, kUnderline = 21,
                 kStrikeOut = 22, kFaceName = 28, kFaceNameBytes = 32;

void PutInt(uint8_t* font, size_t at, int32_t v) { std::memcpy(font + at, &v, 4); }

// An empty face name, or one too long for the description, becomes the
// system's default Chinese face.
void PutFaceName(uint8_t* font, const char* name) {
    static const char kDefaultFace[] = "宋体";
    size_t n = name ? std::strlen(name) : 0;
    if (n == 0 || n >= kFaceNameBytes) {
        name = kDefaultFace;
        n = std::strlen(kDefaultFace);
    }
    std::memset(font + kFaceName, 0, kFaceNameBytes);
    std::memcpy(font + kFaceName, name, n);
}

void PutAngle(uint8_t* font, int32_t v) {
    PutInt(font, kEscapement, v % 3600);
    PutInt(font, kOrientation, v % 3600);
}

void PutPointSize(uint8_t* font, int32_t points, int32_t dpi) { PutInt(font, kHeight, -MulDivRounded(points, dpi, 72)); }

}  // namespace

void ApplyFontMember(uint8_t font[60], int32_t member, uint64_t value, int32_t dpi) {
    const auto v = static_cast<int32_t>(static_cast<uint32_t>(value));
    switch (member) {
        case 0: PutAngle(font, v); break;
        case 1: PutInt(font, kWeight, v ? 700 : 0); break;
        case 2: font[kItalic] = v != 0; break;
        case 3: font[kStrikeOut] = v != 0; break;
        case 4: font[kUnderline] = v != 0; break;
        case 5: PutPointSize(font, v, dpi); break;
        case 6: PutFaceName(font, reinterpret_cast<const char*>(static_cast<uintptr_t>(value))); break;
        case -1: {
            const auto* block = reinterpret_cast<const FontBlock*>(static_cast<uintptr_t>(value));
            if (!block) break;
            PutAngle(font, block->angle);
            PutInt(font, kWeight, block->bold ? 700 : 0);
            font[kItalic] = block->italic != 0;
            font[kStrikeOut] = block->strikeOut != 0;
            font[kUnderline] = block->underline != 0;
            PutPointSize(font, block->pointSize, dpi);
            PutFaceName(font, block->faceName);
            break;
        }
        default: break;
    }
}

}  // namespace runtime::windowing
