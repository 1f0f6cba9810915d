// The edit box's input modes as pure text rules: which typed characters a
// mode lets through, and what a field's text becomes when it loses the focus
// (numbers clamped and written back, dates read and written in the runtime's
// own form). Kept apart from the window so the rules test without one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace units::edit_modes {

enum InputMode : int32_t {
    kOrdinary, kReadOnly, kPassword, kIntegerText, kDecimalText, kByte, kShort, kInt32, kInt64, kSingle, kDouble,
    kDateTime,
    kLastMode = kDateTime
};

// Control characters (below 32) always pass; the number modes take only
// their digits and signs.
bool AcceptsChar(int32_t mode, uint32_t ch);

// The text a field of this mode holds once it loses the focus. Modes below
// 5 keep the text; a value of 0 (or an unreadable date) becomes empty text.
std::string NormaliseText(int32_t mode, std::string_view text);

struct DateTimeParts {
    int32_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// Reads year, month, day, hour, minute and second in that order, each with
// at most 4 (year) or 2 digits and one optional separator; full-width forms
// count as half-width. False when the text has anything left over or when a
// part lies outside its range (a day past the end of its month included).
bool ReadDateTime(std::string_view text, DateTimeParts* out);

// Days since 1899-12-30 with the time of day as the fraction, as the
// runtime's date-time values are kept.
double DateTimeValue(const DateTimeParts& parts);

}  // namespace units::edit_modes
