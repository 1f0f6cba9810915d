#include "runtime/conversions.h"

#include <cmath>
#include <cstdio>

#include "runtime/runtime_error.h"

namespace runtime {

int32_t TruncateToInt32(double d) {
    if (!std::isfinite(d)) return 0;
    d = std::trunc(d);
    // Keep the low 32 bits of the integer part, as a 64-bit truncation would.
    double wrapped = std::fmod(d, 4294967296.0);
    if (wrapped < 0) wrapped += 4294967296.0;
    return static_cast<int32_t>(static_cast<uint32_t>(wrapped));
}

bool TryNumberToInteger(const ArgRecord& v, int32_t* out) {
    switch (v.type) {
        case kTypeByte: *out = static_cast<uint8_t>(v.value); return true;
        case kTypeShort: *out = static_cast<int16_t>(static_cast<uint16_t>(v.value)); return true;
        case kTypeInt: *out = ArgInt32(v); return true;
        case kTypeLong: *out = static_cast<int32_t>(static_cast<uint32_t>(v.value)); return true;
        case kTypeFloat: *out = TruncateToInt32(ArgFloat(v)); return true;
        case kTypeDouble: *out = TruncateToInt32(ArgDouble(v)); return true;
        default: return false;
    }
}

int32_t NumberToInteger(const ArgRecord& value) {
    int32_t n;
    if (!TryNumberToInteger(value, &n)) ReportFatalError(FatalMessage::NotNumeric);
    return n;
}

std::string FloatToText(float f) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.6g", static_cast<double>(f));
    return buffer;
}

std::string DoubleToText(double d) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.13g", d);
    return buffer;
}

namespace {

// Civil date of a day count from 1970-01-01 (proleptic Gregorian); the
// era-based method works for negative counts without special cases.
void CivilFromDays(int64_t z, int* y, int* m, int* d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    *d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    *m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    *y = static_cast<int>(yoe + era * 400 + (*m <= 2));
}

constexpr int64_t kDaysFrom1899To1970 = 25569;

}  // namespace

DateParts SplitDateTime(double value) {
    if (std::isnan(value) || value < kMinDateTime) value = kMinDateTime;
    if (value > kMaxDateTime) value = kMaxDateTime;
    // The day is the integer part; the time of day the fraction's magnitude
    // (-1.25 is 1899-12-29 06:00), rounded to the second.
    double dayPart = std::trunc(value);
    int64_t day = static_cast<int64_t>(dayPart);
    int64_t seconds = std::llround(std::fabs(value - dayPart) * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        ++day;
    }
    DateParts p{};
    CivilFromDays(day - kDaysFrom1899To1970, &p.year, &p.month, &p.day);
    p.hour = static_cast<int>(seconds / 3600);
    p.minute = static_cast<int>(seconds / 60 % 60);
    p.second = static_cast<int>(seconds % 60);
    return p;
}

std::string DateTimeToText(double value) {
    DateParts p = SplitDateTime(value);
    char buffer[128];
    int n = std::snprintf(buffer, sizeof buffer, "%d年%d月%d日", p.year, p.month, p.day);
    std::string text(buffer, static_cast<size_t>(n));
    if (p.second != 0)
        n = std::snprintf(buffer, sizeof buffer, "%d时%d分%d秒", p.hour, p.minute, p.second);
    else if (p.minute != 0)
        n = std::snprintf(buffer, sizeof buffer, "%d时%d分", p.hour, p.minute);
    else if (p.hour != 0)
        n = std::snprintf(buffer, sizeof buffer, "%d时", p.hour);
    else
        n = 0;
    text.append(buffer, static_cast<size_t>(n));
    return text;
}

}  // namespace runtime
