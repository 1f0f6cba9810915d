// Number-to-integer and date-time-to-text conversions of the runtime.
#include "runtime/conversions.h"
#include "runtime/notify.h"
#include "tests/runtime/support/runtime_fixture.h"

namespace {

using namespace runtime;
using sigtest::Gbk;
using sigtest::RuntimeTest;

class ConversionsTest : public RuntimeTest {};

TEST_F(ConversionsTest, NumbersBecomeIntegersByKind) {
    EXPECT_EQ(NumberToInteger(MakeDoubleArg(3.9)), 3);
    EXPECT_EQ(NumberToInteger(MakeDoubleArg(-3.9)), -3);
    EXPECT_EQ(NumberToInteger(MakeFloatArg(-7.75f)), -7);
    EXPECT_EQ(NumberToInteger(ArgRecord{0xFFFF, kTypeShort}), -1);
    EXPECT_EQ(NumberToInteger(ArgRecord{0xFF, kTypeByte}), 255);
    // Only the kind's own bytes count, whatever the high half holds.
    EXPECT_EQ(NumberToInteger(ArgRecord{0xDEAD0000000000FFull, kTypeByte}), 255);
    EXPECT_EQ(NumberToInteger(MakeLongArg(0x100000005LL)), 5);
    EXPECT_EQ(NumberToInteger(MakeIntArg(-42)), -42);
    // Truncation keeps the low 32 bits; non-finite values give 0 instead of UB.
    EXPECT_EQ(NumberToInteger(MakeDoubleArg(4294967301.0)), 5);
    EXPECT_EQ(NumberToInteger(MakeDoubleArg(std::numeric_limits<double>::infinity())), 0);
    EXPECT_EQ(NumberToInteger(MakeDoubleArg(std::nan(""))), 0);
    ArgRecord viaNotify = MakeDoubleArg(-2.5);
    EXPECT_EQ(NotifyRuntime(kNotifyToInteger, reinterpret_cast<uintptr_t>(&viaNotify), 0), -2);
}

TEST_F(ConversionsTest, NonNumericKindIsFatal) {
    ArgRecord text = MakePointerArg("12", kTypeText);
    EXPECT_EXIT(NotifyRuntime(kNotifyToInteger, reinterpret_cast<uintptr_t>(&text), 0),
                ::testing::ExitedWithCode(255), sigtest::U8(u8"欲转换数据类型不是数值"));
}

TEST_F(ConversionsTest, DateTimeTextStopsAtTheLastNonZeroTimePart) {
    // 2024-03-05 is day 45356 from 1899-12-30.
    const double day = 45356.0;
    EXPECT_EQ(DateTimeToText(day), Gbk(u8"2024年3月5日"));
    EXPECT_EQ(DateTimeToText(day + 10.0 / 24), Gbk(u8"2024年3月5日10时"));
    EXPECT_EQ(DateTimeToText(day + (10 * 60 + 5) / 1440.0), Gbk(u8"2024年3月5日10时5分"));
    EXPECT_EQ(DateTimeToText(day + (10 * 3600 + 1) / 86400.0), Gbk(u8"2024年3月5日10时0分1秒"));
    EXPECT_EQ(DateTimeToText(0), Gbk(u8"1899年12月30日"));
    // Before the base date the fraction is still the time of day.
    EXPECT_EQ(DateTimeToText(-1.25), Gbk(u8"1899年12月29日6时"));
    // Clamped to 100-01-01 .. 9999-12-31.
    EXPECT_EQ(DateTimeToText(-1e9), Gbk(u8"100年1月1日"));
    EXPECT_EQ(DateTimeToText(1e12), Gbk(u8"9999年12月31日"));
    EXPECT_EQ(DateTimeToText(std::nan("")), Gbk(u8"100年1月1日"));
    // 2000-02-29 exists, 1900-03-01 follows 1900-02-28.
    EXPECT_EQ(DateTimeToText(36585), Gbk(u8"2000年2月29日"));
    EXPECT_EQ(DateTimeToText(61), Gbk(u8"1900年3月1日"));
}

TEST_F(ConversionsTest, FloatsUseSixAndThirteenDigits) {
    EXPECT_EQ(FloatToText(1.0f / 3), "0.333333");
    EXPECT_EQ(DoubleToText(1.0 / 3), "0.3333333333333");
    EXPECT_EQ(DoubleToText(1e20), "1e+20");
    EXPECT_EQ(DoubleToText(-2.5), "-2.5");
}

}  // namespace
