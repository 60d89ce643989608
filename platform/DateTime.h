// The calendar, calendar date-times in local time and their DOS file-date
// form, the date representation of catalogue lines and archive headers.
#pragma once

#include <compare>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

namespace sorvane {

// A local calendar date and time to the second.
struct DateTime {
    int year = 1980;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;

    auto operator<=>(const DateTime&) const = default;
};

// 1980-01-01 00:00, the date stored when a real one cannot be converted.
constexpr DateTime kDosEpoch{};

// The Gregorian calendar, carried back before its adoption as well. The
// small tests are inline: date conversions call them for every archive
// member and catalogue line.
// A leap year: divisible by 4 and not by 100, or divisible by 400.
inline bool LeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}
// The days of `month` (1-12) of `year`.
inline int DaysInMonth(int year, int month) {
    constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return (month == 2 && LeapYear(year)) ? 29 : kDays[month - 1];
}
// True when `month` is 1-12 and `day` lies within it.
inline bool IsCalendarDate(int year, int month, int day) {
    return month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month);
}
// True for an hour of 0-23 and a minute and second of 0-59.
inline bool IsClockTime(int hour, int minute, int second) {
    return hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 59;
}
// Days since 1970-01-01 (negative before it) of a date whose month is 1-12
// and whose day is 1-31; a day past the month's end counts on into the next.
std::int64_t DayNumber(int year, int month, int day);
// The date (at 00:00) of a day number.
DateTime DateOfDayNumber(std::int64_t days);
// The day of the week, Sunday 0 to Saturday 6, of a date as DayNumber takes it.
int DayOfWeek(int year, int month, int day);

// The fields of a DOS file date (date in the high 16 bits, time in the low 16)
// as they stand, unchecked: a month may be 0 or 15, a minute 63.
DateTime DosDateFields(std::uint32_t dos);

// The date-time of a DOS file date (date in the high 16 bits, time in the low 16),
// or nothing when a field is out of range (month 0, minute 60, ...).
std::optional<DateTime> DosDateToDateTime(std::uint32_t dos);

// The DOS file date of a date-time (seconds rounded down to even), or nothing
// when the year lies outside 1980-2107.
std::optional<std::uint32_t> DateTimeToDosDate(const DateTime& value);

// The local date-time of a moment given as seconds since the Unix epoch, or
// nothing when the platform cannot convert it.
std::optional<DateTime> LocalDateTimeFromUnix(std::int64_t seconds);

// The seconds since the Unix epoch of a local date-time (the platform's
// choice in the hour that comes twice when summer time ends), or nothing when
// it cannot convert it.
std::optional<std::int64_t> UnixFromLocalDateTime(const DateTime& local);

// "YYYY-MM-DD hh:mm:ss", for messages and tests.
std::string ToIsoText(const DateTime& value);

} // namespace sorvane
