// The input modes' text rules without a window: typed-character filters,
// normalisation of numbers on leaving the field, and the date-time reader.
#include <gtest/gtest.h>

#include <string>

#include "units/edit_box_modes.h"

namespace {

namespace modes = units::edit_modes;
using modes::NormaliseText;

TEST(EditBoxModes, TypedCharacterFilters) {
    for (int32_t mode : {modes::kIntegerText, modes::kShort, modes::kInt32, modes::kInt64}) {
        EXPECT_TRUE(modes::AcceptsChar(mode, '-')) << mode;
        EXPECT_TRUE(modes::AcceptsChar(mode, '7')) << mode;
        EXPECT_FALSE(modes::AcceptsChar(mode, '.')) << mode;
        EXPECT_FALSE(modes::AcceptsChar(mode, 'a')) << mode;
        EXPECT_FALSE(modes::AcceptsChar(mode, 0xB9)) << mode;  // lead byte of a Chinese character
    }
    for (int32_t mode : {modes::kDecimalText, modes::kSingle, modes::kDouble}) {
        EXPECT_TRUE(modes::AcceptsChar(mode, '.')) << mode;
        EXPECT_TRUE(modes::AcceptsChar(mode, '-')) << mode;
        EXPECT_FALSE(modes::AcceptsChar(mode, 'e')) << mode;
    }
    EXPECT_TRUE(modes::AcceptsChar(modes::kByte, '0'));
    EXPECT_FALSE(modes::AcceptsChar(modes::kByte, '-'));
    // Control characters (backspace, Ctrl+V) always pass.
    EXPECT_TRUE(modes::AcceptsChar(modes::kByte, 8));
    EXPECT_TRUE(modes::AcceptsChar(modes::kByte, 22));
    for (int32_t mode : {modes::kOrdinary, modes::kReadOnly, modes::kPassword, modes::kDateTime}) {
        EXPECT_TRUE(modes::AcceptsChar(mode, 'x')) << mode;
        EXPECT_TRUE(modes::AcceptsChar(mode, 0xB9)) << mode;
    }
}

TEST(EditBoxModes, IntegerModesClampAndZeroBecomesEmpty) {
    EXPECT_EQ(NormaliseText(modes::kByte, "300"), "255");
    EXPECT_EQ(NormaliseText(modes::kByte, "0"), "");
    EXPECT_EQ(NormaliseText(modes::kByte, "abc"), "");
    EXPECT_EQ(NormaliseText(modes::kByte, "-7"), "");
    EXPECT_EQ(NormaliseText(modes::kByte, "042"), "42");
    EXPECT_EQ(NormaliseText(modes::kShort, "40000"), "32767");
    EXPECT_EQ(NormaliseText(modes::kShort, "-40000"), "-32768");
    EXPECT_EQ(NormaliseText(modes::kInt32, "2147483648"), "2147483647");
    EXPECT_EQ(NormaliseText(modes::kInt32, "-99999999999999999999999"), "-2147483648");
    EXPECT_EQ(NormaliseText(modes::kInt64, "9999999999"), "9999999999");
    EXPECT_EQ(NormaliseText(modes::kInt64, "99999999999999999999"), "9223372036854775807");
    EXPECT_EQ(NormaliseText(modes::kInt64, "-"), "");
    // Ordinary and text-number modes keep what was typed.
    EXPECT_EQ(NormaliseText(modes::kIntegerText, "007"), "007");
    EXPECT_EQ(NormaliseText(modes::kOrdinary, "0"), "0");
    // A very long text is read from its first digits without trouble.
    EXPECT_EQ(NormaliseText(modes::kByte, std::string(100000, '9')), "255");
}

TEST(EditBoxModes, FloatingModesUseTheRuntimeNumberFormat) {
    EXPECT_EQ(NormaliseText(modes::kSingle, "3.14159265358979"), "3.14159");
    EXPECT_EQ(NormaliseText(modes::kDouble, "3.14159265358979"), "3.14159265359");
    EXPECT_EQ(NormaliseText(modes::kDouble, "1.5.3"), "1.5");
    EXPECT_EQ(NormaliseText(modes::kDouble, "-.25"), "-0.25");
    EXPECT_EQ(NormaliseText(modes::kSingle, "0.000"), "");
    EXPECT_EQ(NormaliseText(modes::kDouble, ""), "");
}

TEST(EditBoxModes, DateTimeReaderAcceptsRealDatesOnly) {
    EXPECT_EQ(NormaliseText(modes::kDateTime, "2023-2-30"), "");
    EXPECT_EQ(NormaliseText(modes::kDateTime, "2024-2-29"), "2024年2月29日");
    EXPECT_EQ(NormaliseText(modes::kDateTime, "2023-2-29"), "");
    EXPECT_EQ(NormaliseText(modes::kDateTime, "1900-2-29"), "");  // not a Gregorian leap year
    EXPECT_EQ(NormaliseText(modes::kDateTime, "2000/2/29"), "2000年2月29日");
    EXPECT_EQ(NormaliseText(modes::kDateTime, "2024-13-1"), "");
    EXPECT_EQ(NormaliseText(modes::kDateTime, "2024-4-31"), "");
    EXPECT_EQ(NormaliseText(modes::kDateTime, "99-1-1"), "");  // year below 100
    EXPECT_EQ(NormaliseText(modes::kDateTime, "2024"), "");     // month 0
    EXPECT_EQ(NormaliseText(modes::kDateTime, "2024-2-29x"), "");
    EXPECT_EQ(NormaliseText(modes::kDateTime, "2024-2-29 24:00"), "");
    EXPECT_EQ(NormaliseText(modes::kDateTime, "1899-12-30"), "");  // the value zero
    EXPECT_EQ(NormaliseText(modes::kDateTime, ""), "");
}

TEST(EditBoxModes, DateTimeSeparatorsTimesAndFullWidthForms) {
    EXPECT_EQ(NormaliseText(modes::kDateTime, "2024年3月5日"), "2024年3月5日");
    EXPECT_EQ(NormaliseText(modes::kDateTime, "2024.3.5 10:05"), "2024年3月5日10时5分");
    EXPECT_EQ(NormaliseText(modes::kDateTime, "2024-03-05 10:05:07"), "2024年3月5日10时5分7秒");
    EXPECT_EQ(NormaliseText(modes::kDateTime, "2024年3月5日10时5分7秒"), "2024年3月5日10时5分7秒");
    EXPECT_EQ(NormaliseText(modes::kDateTime, "2024-3-5-10"), "2024年3月5日10时");
    // Parts run together by their widths.
    EXPECT_EQ(NormaliseText(modes::kDateTime, "20240305"), "2024年3月5日");
    // Full-width digits and separators read as their half-width forms.
    EXPECT_EQ(NormaliseText(modes::kDateTime, "２０２４－３－５"), "2024年3月5日");
    // Two separators in a row, or one after the second, are not a date.
    EXPECT_EQ(NormaliseText(modes::kDateTime, "2024--3-5"), "");
    EXPECT_EQ(NormaliseText(modes::kDateTime, "2024-3-5 1:2:3:"), "");
    EXPECT_EQ(NormaliseText(modes::kDateTime, "2024-3-5 1:2:3秒"), "2024年3月5日1时2分3秒");
}

TEST(EditBoxModes, DateTimeValuesCountDaysFromTheEpoch) {
    modes::DateTimeParts p;
    ASSERT_TRUE(modes::ReadDateTime("2024-2-29", &p));
    EXPECT_EQ(p.year, 2024);
    EXPECT_EQ(p.month, 2);
    EXPECT_EQ(p.day, 29);
    EXPECT_DOUBLE_EQ(modes::DateTimeValue(p), 45351.0);
    ASSERT_TRUE(modes::ReadDateTime("1900-1-1 12", &p));
    EXPECT_DOUBLE_EQ(modes::DateTimeValue(p), 2.5);
    // Before the epoch the time of day still runs away from zero.
    ASSERT_TRUE(modes::ReadDateTime("1899-12-29 6", &p));
    EXPECT_DOUBLE_EQ(modes::DateTimeValue(p), -1.25);
    EXPECT_EQ(NormaliseText(modes::kDateTime, "1899-12-29 6"), "1899年12月29日6时");
    EXPECT_EQ(NormaliseText(modes::kDateTime, "100-1-1"), "100年1月1日");
    // The runtime's conversion stops at the last day of 9999, midnight.
    EXPECT_EQ(NormaliseText(modes::kDateTime, "9999-12-31 23:59:59"), "9999年12月31日");
    EXPECT_EQ(NormaliseText(modes::kDateTime, "9999-12-30 23:59:59"), "9999年12月30日23时59分59秒");
}

}  // namespace
