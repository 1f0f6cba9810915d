// Conversions the runtime itself applies between value kinds.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/values.h"

namespace runtime {

// Byte zero-extended, short sign-extended, integer as is, long its low 32
// bits, floats truncated toward zero. false for any other kind.
bool TryNumberToInteger(const ArgRecord& value, int32_t* out);
// As above; a non-numeric kind is the fatal "欲转换数据类型不是数值".
int32_t NumberToInteger(const ArgRecord& value);

// Truncation toward zero keeping the low 32 bits; NaN and infinities give 0
// (the conversion is otherwise undefined for them).
int32_t TruncateToInt32(double d);

std::string FloatToText(float f);    // "%.6g"
std::string DoubleToText(double d);  // "%.13g"

// Date-time (days since 1899-12-30, fraction = time of day), clamped to
// 100-01-01 .. 9999-12-31.
constexpr double kMinDateTime = -657434.0;
constexpr double kMaxDateTime = 2958465.0;
struct DateParts {
    int year, month, day, hour, minute, second;
};
DateParts SplitDateTime(double value);
// "%d年%d月%d日" and the time parts down to the last non-zero one. GBK.
std::string DateTimeToText(double value);

}  // namespace runtime
