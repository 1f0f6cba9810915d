// Property answers turned into program values by kind, font members included.
#include <algorithm>
#include <cstring>

#include "runtime/notify.h"
#include "runtime/property_values.h"
#include "tests/runtime/support/runtime_fixture.h"

namespace {

using namespace runtime;
using sigtest::RuntimeTest;

struct Font {
    uint8_t bytes[60] = {};
    Font(int32_t height, int32_t orientation, int32_t weight, bool italic, bool underline, bool strike,
         const char* face) {
        std::memcpy(bytes + 0, &height, 4);
        std::memcpy(bytes + 12, &orientation, 4);
        std::memcpy(bytes + 16, &weight, 4);
        bytes[20] = italic;
        bytes[21] = underline;
        bytes[22] = strike;
        std::memcpy(bytes + 28, face, std::min<size_t>(std::strlen(face), 32));
    }
};

uint32_t LiveCode(uint32_t stored) { return stored + 1000; }

class PropertyValuesTest : public RuntimeTest {
protected:
    uint64_t Convert(uint16_t kind, PropertyValue raw, int32_t member = -1, bool* produced = nullptr) {
        uint64_t v = 0xDEAD;
        bool ok = PropertyToProgramValue(kind, raw, member, context_, &v);
        if (produced) *produced = ok;
        return v;
    }
    Font defaultFont_{-12, 0, 400, false, false, false, "DefaultGui"};
    PropertyContext context_{&NotifyRuntime, defaultFont_.bytes, 96, &LiveCode};
};

TEST_F(PropertyValuesTest, NumbersLogicAndTexts) {
    EXPECT_EQ(Convert(kKindInteger, {0xFFFFFFFF00000005ull, 0}), 5u);  // first 4 bytes only
    EXPECT_EQ(Convert(kKindBackColour, {0xFF000000, 0}), 0xFF000000u);
    EXPECT_EQ(Convert(kKindDouble, {0x4004000000000000ull, 0}), 0x4004000000000000ull);
    EXPECT_EQ(Convert(kKindLogic, {1, 0}), 1u);
    EXPECT_EQ(Convert(kKindLogic, {2, 0}), 0u);  // only 1 is true
    const char* caption = "caption";
    auto* text = reinterpret_cast<char*>(Convert(kKindText, {reinterpret_cast<uintptr_t>(caption), 0}));
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "caption");
    EXPECT_NE(text, caption);
    EntryTable().FreeMemory(text);
    EXPECT_EQ(Convert(kKindFileName, {0, 0}), 0u);  // null: the empty text
    bool produced = true;
    EXPECT_EQ(Convert(999, {7, 0}, -1, &produced), 0u);
    EXPECT_FALSE(produced);
    EXPECT_EQ(Convert(1025, {7, 0}, -1, &produced), 0u);
    EXPECT_FALSE(produced);
}

TEST_F(PropertyValuesTest, ByteKindsAndTheMousePointer) {
    const uint8_t picture[3] = {1, 2, 3};
    void* set = reinterpret_cast<void*>(Convert(kKindPicture, {reinterpret_cast<uintptr_t>(picture), 3}));
    EXPECT_EQ(ByteSetView(set), std::string_view("\1\2\3", 3));
    EntryTable().FreeMemory(set);
    EXPECT_EQ(Convert(kKindPicture, {reinterpret_cast<uintptr_t>(picture), 0}), 0u);
    EXPECT_EQ(Convert(kKindCustom, {0, 50}), 0u);  // a null pointer with a length
    const uint32_t pointer[2] = {4, 77};
    set = reinterpret_cast<void*>(Convert(kKindMousePointer, {reinterpret_cast<uintptr_t>(pointer), 8}));
    uint32_t words[2];
    std::memcpy(words, ByteSetData(set), 8);
    EXPECT_EQ(words[0], 1004u);  // translated
    EXPECT_EQ(words[1], 77u);
    EXPECT_EQ(pointer[0], 4u);  // the unit's own bytes untouched
    EntryTable().FreeMemory(set);
    set = reinterpret_cast<void*>(Convert(kKindMousePointer, {reinterpret_cast<uintptr_t>(pointer), 3}));
    EXPECT_EQ(ByteSetLength(set), 3u);  // too short to translate
    EXPECT_EQ(ByteSetData(set)[0], 4);
    EntryTable().FreeMemory(set);
}

TEST_F(PropertyValuesTest, FontMembers) {
    Font font(-16, 900, 700, true, false, true, "SimSun");
    PropertyValue raw{reinterpret_cast<uintptr_t>(font.bytes), 60};
    EXPECT_EQ(Convert(kKindFont, raw, 0), 900u);
    EXPECT_EQ(Convert(kKindFont, raw, 1), 1u);
    EXPECT_EQ(Convert(kKindFont, raw, 2), 1u);
    EXPECT_EQ(Convert(kKindFont, raw, 3), 1u);
    EXPECT_EQ(Convert(kKindFont, raw, 4), 0u);
    EXPECT_EQ(Convert(kKindFont, raw, 5), 12u);  // 16 px at 96 dpi
    auto* face = reinterpret_cast<char*>(Convert(kKindFont, raw, 6));
    EXPECT_STREQ(face, "SimSun");
    EntryTable().FreeMemory(face);

    auto* block = reinterpret_cast<FontBlock*>(Convert(kKindFont, raw, -1));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block->angle, 900);
    EXPECT_EQ(block->bold, 1);
    EXPECT_EQ(block->italic, 1);
    EXPECT_EQ(block->strikeOut, 1);
    EXPECT_EQ(block->underline, 0);
    EXPECT_EQ(block->pointSize, 12);
    EXPECT_STREQ(block->faceName, "SimSun");
    EntryTable().FreeMemory(block->faceName);
    EntryTable().FreeMemory(block);

    // 59 bytes, or none: the default GUI font.
    face = reinterpret_cast<char*>(Convert(kKindFont, {reinterpret_cast<uintptr_t>(font.bytes), 59}, 6));
    EXPECT_STREQ(face, "DefaultGui");
    EntryTable().FreeMemory(face);
    EXPECT_EQ(Convert(kKindFont, {0, 60}, 5), 9u);
    // A face name filling all 32 bytes has no terminator: it stops there.
    Font longName(-12, 0, 400, false, false, false, "0123456789ABCDEF0123456789ABCDEF");
    face = reinterpret_cast<char*>(Convert(kKindFont, {reinterpret_cast<uintptr_t>(longName.bytes), 60}, 6));
    EXPECT_EQ(std::string(face), "0123456789ABCDEF0123456789ABCDEF");
    EntryTable().FreeMemory(face);
}

TEST_F(PropertyValuesTest, MultiplyDivideRoundsLikeTheSystem) {
    EXPECT_EQ(MulDivRounded(15, 72, 96), 11);   // 11.25
    EXPECT_EQ(MulDivRounded(14, 72, 96), 11);   // 10.5 rounds away from zero
    EXPECT_EQ(MulDivRounded(-14, 72, 96), -11);
    EXPECT_EQ(MulDivRounded(5, 5, 0), -1);
    EXPECT_EQ(MulDivRounded(INT32_MAX, 4, 1), -1);
}

}  // namespace
