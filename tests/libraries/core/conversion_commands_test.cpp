// ToText, ToByteSet, ToInteger, ToNumber, ToHexText, BitOr and the byte-set commands.
#include <cstring>

#include "tests/libraries/core/core_fixture.h"

namespace {

using namespace core;
using namespace runtime;
using sigtest::CoreTest;
using sigtest::Gbk;

class ConversionCommandsTest : public CoreTest {
protected:
    // A one-dimensional array of numbers on the heap.
    ArgRecord NumberArray(uint32_t type, const void* elements, size_t count) {
        void* a = MakeArray(&NotifyRuntime, type, count);
        ArrayInfo info;
        ReadArrayInfo(a, type, &info);
        std::memcpy(ArrayElementAddress(a, info, 0), elements, count * info.elementSize);
        owned_.push_back({type | kArrayFlag, a});
        return MakePointerArg(a, type | kArrayFlag);
    }
};

TEST_F(ConversionCommandsTest, ToTextByKind) {
    EXPECT_EQ(CallText(kToText, {ArgRecord{0xFFFFFF80, kTypeByte}}), "128");
    EXPECT_EQ(CallText(kToText, {ArgRecord{0xFFFF, kTypeShort}}), "-1");
    EXPECT_EQ(CallText(kToText, {I(-42)}), "-42");
    EXPECT_EQ(CallText(kToText, {MakeLongArg(-9000000000LL)}), "-9000000000");
    EXPECT_EQ(CallText(kToText, {MakeFloatArg(0.1f)}), "0.1");
    EXPECT_EQ(CallText(kToText, {MakeDoubleArg(2.0 / 3)}), "0.6666666666667");
    EXPECT_EQ(CallText(kToText, {L(true)}), Gbk(u8"真"));
    EXPECT_EQ(CallText(kToText, {L(false)}), Gbk(u8"假"));
    EXPECT_EQ(CallText(kToText, {ArgRecord{2, kTypeBool}}), Gbk(u8"真"));
    EXPECT_EQ(CallText(kToText, {MakeDoubleArg(45356.5, kTypeDateTime)}), Gbk(u8"2024年3月5日12时"));
    EXPECT_EQ(CallText(kToText, {T(Gbk(u8"签名"))}), Gbk(u8"签名"));
    EXPECT_EQ(CallText(kToText, {B(std::string("ab\0c", 4))}), "ab");
    EXPECT_EQ(CallText(kToText, {B("xyz")}), "xyz");
    const int32_t numbers[2] = {0x00636261, 0x64};  // "abc" then a zero byte
    EXPECT_EQ(CallText(kToText, {NumberArray(kTypeInt, numbers, 2)}), "abc");
    EXPECT_EQ(CallText(kToText, {ArgRecord{0x10006, 0x00010006}}), "");  // a unit reference
    EXPECT_EQ(CallText(kToText, {Omitted()}), "");
}

TEST_F(ConversionCommandsTest, ToByteSetByKind) {
    EXPECT_EQ(CallBytes(kToByteSet, {T("ab")}), "ab");
    EXPECT_EQ(CallBytes(kToByteSet, {B(std::string("\0\1", 2))}), std::string("\0\1", 2));
    EXPECT_EQ(CallBytes(kToByteSet, {I(0x01020304)}), "\x04\x03\x02\x01");
    EXPECT_EQ(CallBytes(kToByteSet, {ArgRecord{0x1234, kTypeShort}}), "\x34\x12");
    EXPECT_EQ(CallBytes(kToByteSet, {ArgRecord{0x41, kTypeByte}}), "A");
    EXPECT_EQ(CallBytes(kToByteSet, {MakeDoubleArg(1.0)}).size(), 8u);
    EXPECT_EQ(CallBytes(kToByteSet, {L(true)}), std::string("\1\0\0\0", 4));
    const int16_t shorts[3] = {1, 2, 3};
    EXPECT_EQ(CallBytes(kToByteSet, {NumberArray(kTypeShort, shorts, 3)}), std::string("\1\0\2\0\3\0", 6));
    EXPECT_EQ(CallBytes(kToByteSet, {NullText()}), "");
    EXPECT_EQ(CallBytes(kToByteSet, {Omitted()}), "");
}

TEST_F(ConversionCommandsTest, ToIntegerAndToNumber) {
    EXPECT_EQ(CallInt(kToInteger, {T("\xA3\xB1\xA3\xB2")}), 12);  // full-width 1 2
    EXPECT_EQ(CallInt(kToInteger, {T("\xA1\xA1\xA3\xAD" "7x")}), -7);  // full-width space and minus
    EXPECT_EQ(CallInt(kToInteger, {T("  +42abc")}), 42);
    EXPECT_EQ(CallInt(kToInteger, {T("abc")}), 0);
    EXPECT_EQ(CallInt(kToInteger, {T("99999999999")}), INT32_MAX);
    EXPECT_EQ(CallInt(kToInteger, {MakeDoubleArg(3.9)}), 3);
    EXPECT_EQ(CallInt(kToInteger, {MakeDoubleArg(-3.9)}), -3);
    EXPECT_EQ(CallInt(kToInteger, {L(true)}), 1);
    EXPECT_EQ(CallInt(kToInteger, {ArgRecord{0xFF, kTypeByte}}), 255);
    EXPECT_EQ(CallInt(kToInteger, {MakeLongArg(0x500000007LL)}), 7);
    EXPECT_EQ(CallInt(kToInteger, {MakeDoubleArg(45000, kTypeDateTime)}), 0);
    EXPECT_EQ(CallInt(kToInteger, {NullText()}), 0);

    EXPECT_EQ(CallDouble(kToNumber, {T("\xA3\xB3\xA3\xAE\xA3\xB5")}), 3.5);  // full-width 3.5
    EXPECT_EQ(CallDouble(kToNumber, {T(" -1e3x")}), -1000.0);
    EXPECT_EQ(CallDouble(kToNumber, {I(-5)}), -5.0);
    EXPECT_EQ(CallDouble(kToNumber, {ArgRecord{0xFFFF, kTypeShort}}), -1.0);
    EXPECT_EQ(CallDouble(kToNumber, {MakeFloatArg(0.5f)}), 0.5);
    EXPECT_EQ(CallDouble(kToNumber, {L(true)}), 1.0);
    EXPECT_EQ(CallDouble(kToNumber, {MakeDoubleArg(45000.5, kTypeDateTime)}), 0.0);
    EXPECT_EQ(CallDouble(kToNumber, {B("12")}), 0.0);
}

TEST_F(ConversionCommandsTest, HexAndBitOr) {
    EXPECT_EQ(CallText(kToHexText, {I(255)}), "FF");
    EXPECT_EQ(CallText(kToHexText, {I(0)}), "0");
    EXPECT_EQ(CallText(kToHexText, {I(-1)}), "FFFFFFFF");
    EXPECT_EQ(CallInt(kBitOr, {I(1), I(4), I(0x100)}), 0x105);
    EXPECT_EQ(CallInt(kBitOr, {I(6)}), 6);
}

TEST_F(ConversionCommandsTest, ByteSetCommands) {
    EXPECT_EQ(CallInt(kByteSetLength, {B(std::string("\0\0\0", 3))}), 3);
    EXPECT_EQ(CallInt(kByteSetLength, {Omitted()}), 0);
    EXPECT_EQ(CallBytes(kBlankByteSet, {I(4)}), std::string(4, '\0'));
    EXPECT_EQ(CallBytes(kBlankByteSet, {I(0)}), "");
    EXPECT_EQ(CallBytes(kBlankByteSet, {I(-4)}), "");
    EXPECT_EQ(CallBytes(kByteSetLeft, {B("abcdef"), I(2)}), "ab");
    EXPECT_EQ(CallBytes(kByteSetLeft, {B("abc"), I(99)}), "abc");
    EXPECT_EQ(CallBytes(kByteSetLeft, {B("abc"), I(-1)}), "");
}

}  // namespace
