// Value blocks: making texts and byte sets (null for empty), arrays and how
// freeing walks text and byte-set arrays.
#include <cstring>
#include <vector>

#include "runtime/notify.h"
#include "runtime/values.h"
#include "tests/runtime/support/runtime_fixture.h"

namespace {

using namespace runtime;
using sigtest::RuntimeTest;

// Records every block the value routines free, then frees it for real.
std::vector<void*> g_freed;
intptr_t CountingNotify(int32_t message, uintptr_t p1, uintptr_t p2) {
    if (message == kNotifyFreeMemory && p1) g_freed.push_back(reinterpret_cast<void*>(p1));
    return NotifyRuntime(message, p1, p2);
}

class ValuesTest : public RuntimeTest {};

TEST_F(ValuesTest, TextsAreNullWhenEmptyAndCopiedWithTerminator) {
    EXPECT_EQ(MakeText(&NotifyRuntime, "abc", 0), nullptr);
    EXPECT_EQ(MakeText(&NotifyRuntime, "abc", -4), nullptr);
    EXPECT_EQ(MakeText(&NotifyRuntime, nullptr, 3), nullptr);
    EXPECT_EQ(CopyText(&NotifyRuntime, nullptr), nullptr);
    EXPECT_EQ(CopyText(&NotifyRuntime, ""), nullptr);

    char* t = MakeText(&NotifyRuntime, "abcdef", 3);
    ASSERT_NE(t, nullptr);
    EXPECT_STREQ(t, "abc");
    char* c = CopyText(&NotifyRuntime, "\xD6\xD0\xCE\xC4");
    EXPECT_STREQ(c, "\xD6\xD0\xCE\xC4");
    EXPECT_NE(c, nullptr);
    EXPECT_TRUE(TextView(nullptr).empty());
    FreeValue(&NotifyRuntime, kTypeText, t);
    FreeValue(&NotifyRuntime, kTypeText, c);
}

TEST_F(ValuesTest, ByteSetsCarryTheirLengthInTheHeader) {
    EXPECT_EQ(MakeByteSet(&NotifyRuntime, "x", 0), nullptr);
    EXPECT_EQ(MakeZeroByteSet(&NotifyRuntime, 0), nullptr);
    const char bytes[] = {'a', 0, 'b', 0};
    void* set = MakeByteSet(&NotifyRuntime, bytes, 4);
    ASSERT_NE(set, nullptr);
    uint32_t header[2];
    std::memcpy(header, set, 8);
    EXPECT_EQ(header[0], 1u);
    EXPECT_EQ(header[1], 4u);
    // The length comes from the header, not from a terminator.
    EXPECT_EQ(ByteSetLength(set), 4u);
    EXPECT_EQ(ByteSetView(set), std::string_view(bytes, 4));
    EXPECT_EQ(ByteSetLength(nullptr), 0u);
    FreeValue(&NotifyRuntime, kTypeBytes, set);
}

TEST_F(ValuesTest, FreeingATwoByThreeTextArrayFreesSixElementsThenTheArray) {
    // d = 2, sizes 2 and 3, six pointer-sized elements.
    const size_t header = 4 + 2 * 4;
    auto* array = static_cast<uint8_t*>(EntryTable().AllocMemory(header + 6 * sizeof(void*)));
    const uint32_t dims[3] = {2, 2, 3};
    std::memcpy(array, dims, sizeof dims);
    std::vector<void*> elements;
    for (int i = 0; i < 6; ++i) {
        std::string s = "e" + std::to_string(i);
        // One element stays null: null elements are skipped, not freed.
        void* p = i == 4 ? nullptr : CopyText(&NotifyRuntime, s.c_str());
        std::memcpy(array + header + i * sizeof(void*), &p, sizeof p);
        if (p) elements.push_back(p);
    }
    g_freed.clear();
    FreeValue(&CountingNotify, kTypeText | kArrayFlag, array);
    ASSERT_EQ(g_freed.size(), 6u);
    for (size_t i = 0; i < elements.size(); ++i) EXPECT_EQ(g_freed[i], elements[i]);
    EXPECT_EQ(g_freed.back(), array);  // the array block last
}

TEST_F(ValuesTest, FreeingANumberArrayFreesTheBlockAlone) {
    void* array = MakeArray(&NotifyRuntime, kTypeInt, 3);
    ArrayInfo info;
    ASSERT_TRUE(ReadArrayInfo(array, kTypeInt, &info));
    EXPECT_EQ(info.count, 3u);
    EXPECT_EQ(info.elementSize, 4u);
    g_freed.clear();
    FreeValue(&CountingNotify, kTypeInt | kArrayFlag, array);
    EXPECT_EQ(g_freed, std::vector<void*>{array});
}

TEST_F(ValuesTest, FreeValueThroughNotifyIgnoresNullAndConstants) {
    static const char kSegment[] = "literal\0more";
    ProgramHeader header{};
    header.constants = reinterpret_cast<const uint8_t*>(kSegment);
    header.constantsLength = sizeof kSegment;
    Start(&header);
    NotifyRuntime(kNotifyFreeValue, kTypeText, 0);
    NotifyRuntime(kNotifyFreeValue, kTypeText, reinterpret_cast<uintptr_t>(kSegment));
    EXPECT_STREQ(kSegment, "literal");
}

TEST_F(ValuesTest, ValueSizesFollowTheKind) {
    EXPECT_EQ(ValueSize(kTypeByte, {}), 1u);
    EXPECT_EQ(ValueSize(kTypeShort, {}), 2u);
    EXPECT_EQ(ValueSize(kTypeInt, {}), 4u);
    EXPECT_EQ(ValueSize(kTypeBool, {}), 4u);
    EXPECT_EQ(ValueSize(kTypeFloat, {}), 4u);
    EXPECT_EQ(ValueSize(kTypeLong, {}), 8u);
    EXPECT_EQ(ValueSize(kTypeDateTime, {}), 8u);
    EXPECT_EQ(ValueSize(kTypeWide8, {}), 8u);
    const char* text = "abcd";
    EXPECT_EQ(ValueSize(kTypeText, MakePointerArg(text, kTypeText)), 5u);
    EXPECT_EQ(ValueSize(kTypeText, MakePointerArg(nullptr, kTypeText)), 1u);
    void* set = MakeByteSet(&NotifyRuntime, "\0\0\0", 3);
    EXPECT_EQ(ValueSize(kTypeBytes, MakePointerArg(set, kTypeBytes)), 3u);
    FreeValue(&NotifyRuntime, kTypeBytes, set);
    EXPECT_EQ(ValueSize(0x12345678, {}), 0u);
}

TEST_F(ValuesTest, ArgRecordsLieBackToBackInTwelveBytes) {
    ArgRecord records[3] = {MakeIntArg(-1), MakeDoubleArg(2.5), MakePointerArg(&records, kTypeText)};
    EXPECT_EQ(reinterpret_cast<uint8_t*>(&records[2]) - reinterpret_cast<uint8_t*>(&records[0]), 24);
    EXPECT_EQ(ArgInt32(records[0]), -1);
    EXPECT_EQ(records[0].value >> 32, 0u);  // 4-byte kinds leave the high half 0
    EXPECT_EQ(ArgDouble(records[1]), 2.5);
    EXPECT_EQ(ArgPointer<void>(records[2]), static_cast<void*>(&records));
}

}  // namespace
