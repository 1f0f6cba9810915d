// The runtime heap and the constant data segment: literals are never freed
// or resized in place; an allocation failure is the fatal report.
#include <cstring>

#include "runtime/heap.h"
#include "tests/runtime/support/runtime_fixture.h"

namespace {

using namespace runtime;
using sigtest::RuntimeTest;

// A constant segment like the compiled program's: a 5-byte literal text that
// ends 5 bytes before the segment does, and a constant one-element int array.
alignas(8) const uint8_t kSegment[32] = {
    'h', 'e', 'l', 'l', 'o', 0, 'x', 'y', 'z', 'w', 0,                   // texts
    0,                                                                   // pad
    1, 0, 0, 0, 1, 0, 0, 0, 0x2A, 0, 0, 0,                               // array {1, [1], 42} at 12
    'e', 'n', 'd', '!', 0, 0, 0, 0,
};
const char* const kLiteral = reinterpret_cast<const char*>(kSegment);
const char* const kTail = reinterpret_cast<const char*>(kSegment + 27);  // 5 bytes left

class HeapTest : public RuntimeTest {
protected:
    void SetUp() override {
        RuntimeTest::SetUp();
        header_.constants = kSegment;
        header_.constantsLength = sizeof kSegment;
        Start(&header_);
    }
    ProgramHeader header_{};
};

TEST_F(HeapTest, FreeIgnoresNullAndConstants) {
    rt().FreeMemory(nullptr);
    rt().FreeMemory(const_cast<char*>(kLiteral));
    rt().FreeMemory(const_cast<uint8_t*>(kSegment + sizeof kSegment - 1));
    EXPECT_STREQ(kLiteral, "hello");
    void* block = rt().AllocMemory(16);
    ASSERT_NE(block, nullptr);
    rt().FreeMemory(block);
}

TEST_F(HeapTest, ReallocOfAConstantCopiesItOut) {
    auto* shorter = static_cast<char*>(rt().ReallocMemory(const_cast<char*>(kLiteral), 3));
    ASSERT_NE(shorter, nullptr);
    EXPECT_NE(shorter, kLiteral);
    EXPECT_EQ(std::string_view(shorter, 3), "hel");
    EXPECT_STREQ(kLiteral, "hello");
    rt().FreeMemory(shorter);

    // Growing copies only up to the end of the segment.
    auto* longer = static_cast<char*>(rt().ReallocMemory(const_cast<char*>(kTail), 100));
    ASSERT_NE(longer, nullptr);
    EXPECT_EQ(std::memcmp(longer, kTail, 5), 0);
    std::memset(longer + 5, 'q', 95);  // the rest is ours to write
    rt().FreeMemory(longer);
}

TEST_F(HeapTest, ReallocOfNullAllocatesAndOfAHeapBlockKeepsItsBytes) {
    auto* p = static_cast<char*>(rt().ReallocMemory(nullptr, 4));
    ASSERT_NE(p, nullptr);
    std::memcpy(p, "abcd", 4);
    p = static_cast<char*>(rt().ReallocMemory(p, 4096));
    EXPECT_EQ(std::string_view(p, 4), "abcd");
    rt().FreeMemory(p);
    // A zero-byte request is passed on and still gives a block.
    void* empty = rt().AllocMemory(0);
    EXPECT_NE(empty, nullptr);
    rt().FreeMemory(empty);
}

TEST_F(HeapTest, MakeArrayWritableCopiesConstantArraysOnly) {
    uint8_t* array = const_cast<uint8_t*>(kSegment + 12);
    uint8_t* variable = array;
    rt().RuntimeService(kServiceMakeArrayWritable, 4, reinterpret_cast<uintptr_t>(&variable), 0, 0, 0, 0);
    ASSERT_NE(variable, array);
    EXPECT_EQ(std::memcmp(variable, array, 12), 0);
    variable[8] = 7;  // writable now
    EXPECT_EQ(kSegment[20], 0x2A);
    uint8_t* heapArray = variable;
    rt().RuntimeService(kServiceMakeArrayWritable, 4, reinterpret_cast<uintptr_t>(&variable), 0, 0, 0, 0);
    EXPECT_EQ(variable, heapArray);
    rt().FreeMemory(variable);
    // A null variable or array pointer is left alone.
    uint8_t* none = nullptr;
    rt().RuntimeService(kServiceMakeArrayWritable, 4, reinterpret_cast<uintptr_t>(&none), 0, 0, 0, 0);
    rt().RuntimeService(kServiceMakeArrayWritable, 4, 0, 0, 0, 0, 0);
    EXPECT_EQ(none, nullptr);
}

TEST_F(HeapTest, ConstantArrayWithLyingSizesIsCopiedWithinTheSegment) {
    // Header claims 1 dimension of 2^31 ints: only the segment's bytes exist.
    alignas(8) static uint8_t segment[16] = {1, 0, 0, 0, 0, 0, 0, 0x80, 1, 2, 3, 4, 5, 6, 7, 8};
    ProgramHeader header{};
    header.constants = segment;
    header.constantsLength = sizeof segment;
    runtime::Application::Instance().Reset();
    Start(&header);
    uint8_t* variable = segment;
    rt().RuntimeService(kServiceMakeArrayWritable, 4, reinterpret_cast<uintptr_t>(&variable), 0, 0, 0, 0);
    ASSERT_NE(variable, segment);
    EXPECT_EQ(std::memcmp(variable, segment, sizeof segment), 0);
    rt().FreeMemory(variable);
}

TEST_F(HeapTest, ConstantRangeEndsWithTheExitWork) {
    EXPECT_TRUE(Application::Instance().Heap().IsConstant(kLiteral));
    Application::Instance().ExitWork(0);
    EXPECT_FALSE(Application::Instance().Heap().IsConstant(kLiteral));
}

TEST_F(HeapTest, AllocationFailureIsFatalWithoutACodeLine) {
    const std::string expected = sigtest::U8(u8"错误: 运行时出错!\r\n\r\n错误信息：分配 4294967297 字节内存失败!\r\n");
    EXPECT_EXIT(rt().AllocMemory(kMaxBlockBytes + 1), ::testing::ExitedWithCode(255),
                ::testing::HasSubstr(expected));
    EXPECT_EXIT(rt().ReallocMemory(rt().AllocMemory(8), kMaxBlockBytes + 1), ::testing::ExitedWithCode(255),
                ::testing::HasSubstr(expected));
}

}  // namespace
