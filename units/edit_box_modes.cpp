#include "units/edit_box_modes.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "libraries/core/gbk_text.h"
#include "runtime/conversions.h"

namespace units::edit_modes {
namespace {

bool IsDigit(uint32_t c) { return c >= '0' && c <= '9'; }

// The text as a C string of bounded length: the field may hold NUL-free
// text of any length, but a number never needs more than its first bytes.
std::string Head(std::string_view text) { return std::string(text.substr(0, 400)); }

// strtoll saturates at the 64-bit limits; unreadable text is 0.
int64_t ReadInt64(std::string_view text) {
    std::string s = Head(text);
    errno = 0;
    return std::strtoll(s.c_str(), nullptr, 10);
}

double ReadDouble(std::string_view text) {
    std::string s = Head(text);
    return std::strtod(s.c_str(), nullptr);
}

std::string Decimal(int64_t v) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(v));
    return buffer;
}

bool IsLeap(int32_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int32_t MonthLength(int32_t y, int32_t m) {
    static constexpr int32_t kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// Days from 1970-01-01 of a proleptic Gregorian date.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

constexpr int64_t kDaysFrom1899To1970 = 25569;

}  // namespace

bool AcceptsChar(int32_t mode, uint32_t ch) {
    if (ch < 32) return true;
    switch (mode) {
        case kIntegerText:
        case kShort:
        case kInt32:
        case kInt64: return ch == '-' || IsDigit(ch);
        case kDecimalText:
        case kSingle:
        case kDouble: return ch == '-' || ch == '.' || IsDigit(ch);
        case kByte: return IsDigit(ch);
        default: return true;
    }
}

bool ReadDateTime(std::string_view raw, DateTimeParts* out) {
    const std::string text = core::ToHalfWidth(raw);
    std::string_view rest = text;
    // Each part's own character, GBK.
    static constexpr std::string_view kMarks[5] = {"年", "月", "日", "时", "分"};
    static constexpr int kWidths[6] = {4, 2, 2, 2, 2, 2};
    int32_t parts[6] = {};
    for (int i = 0; i < 6 && !rest.empty(); ++i) {
        int n = 0;
        while (n < kWidths[i] && n < static_cast<int>(rest.size()) && IsDigit(static_cast<unsigned char>(rest[n]))) {
            parts[i] = parts[i] * 10 + (rest[n] - '0');
            ++n;
        }
        if (n == 0) break;  // anything left over makes the text unreadable below
        rest.remove_prefix(static_cast<size_t>(n));
        if (i == 5) {
            if (rest.starts_with("秒")) rest.remove_prefix(std::string_view("秒").size());
            break;
        }
        if (rest.empty()) break;
        const char c = rest.front();
        if (c == '-' || c == '.' || c == '/' || c == ':' || (i == 2 && c == ' ')) rest.remove_prefix(1);
        else if (rest.starts_with(kMarks[i])) rest.remove_prefix(kMarks[i].size());
    }
    if (!rest.empty()) return false;
    DateTimeParts p{parts[0], parts[1], parts[2], parts[3], parts[4], parts[5]};
    DateTimeParts c = p;
    c.year = std::clamp(c.year, 100, 9999);
    c.month = std::clamp(c.month, 1, 12);
    c.day = std::clamp(c.day, 1, MonthLength(c.year, c.month));
    c.hour = std::clamp(c.hour, 0, 23);
    c.minute = std::clamp(c.minute, 0, 59);
    c.second = std::clamp(c.second, 0, 59);
    if (c.year != p.year || c.month != p.month || c.day != p.day || c.hour != p.hour || c.minute != p.minute ||
        c.second != p.second)
        return false;
    if (out) *out = p;
    return true;
}

double DateTimeValue(const DateTimeParts& p) {
    const int64_t day = DaysFromCivil(p.year, p.month, p.day) + kDaysFrom1899To1970;
    const double time = (p.hour * 3600.0 + p.minute * 60.0 + p.second) / 86400.0;
    // Before the epoch the time of day still counts away from zero.
    return day >= 0 ? static_cast<double>(day) + time : static_cast<double>(day) - time;
}

std::string NormaliseText(int32_t mode, std::string_view text) {
    std::string result;
    switch (mode) {
        case kByte: result = Decimal(std::clamp<int64_t>(ReadInt64(text), 0, 255)); break;
        case kShort: result = Decimal(std::clamp<int64_t>(ReadInt64(text), -32768, 32767)); break;
        case kInt32:
            result = Decimal(std::clamp<int64_t>(ReadInt64(text), std::numeric_limits<int32_t>::min(),
                                                 std::numeric_limits<int32_t>::max()));
            break;
        case kInt64: result = Decimal(ReadInt64(text)); break;
        case kSingle: result = runtime::FloatToText(static_cast<float>(ReadDouble(text))); break;
        case kDouble: result = runtime::DoubleToText(ReadDouble(text)); break;
        case kDateTime: {
            DateTimeParts p;
            if (!ReadDateTime(text, &p)) return {};
            const double value = DateTimeValue(p);
            return value == 0.0 ? std::string() : runtime::DateTimeToText(value);
        }
        default: return std::string(text);
    }
    return result == "0" ? std::string() : result;
}

}  // namespace units::edit_modes
