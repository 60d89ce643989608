// Calendar date-times in local time and their DOS file-date form, the date
// representation of catalogue lines and archive headers.
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

// The date-time of a DOS file date (date in the high 16 bits, time in the low 16),
// or nothing when a field is out of range (month 0, minute 60, ...).
std::optional<DateTime> DosDateToDateTime(std::uint32_t dos);

// The DOS file date of a date-time (seconds rounded down to even), or nothing
// when the year lies outside 1980-2107.
std::optional<std::uint32_t> DateTimeToDosDate(const DateTime& value);

// The local date-time of a moment given as seconds since the Unix epoch, or
// nothing when the platform cannot convert it.
std::optional<DateTime> LocalDateTimeFromUnix(std::int64_t seconds);

// "YYYY-MM-DD hh:mm:ss", for messages and tests.
std::string ToIsoText(const DateTime& value);

} // namespace sorvane
