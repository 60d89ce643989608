// Local date-times and DOS file dates.
#include "platform/DateTime.h"

#include <cstdio>

namespace sorvane {
namespace {

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return (month == 2 && IsLeapYear(year)) ? 29 : kDays[month - 1];
}

bool IsValid(const DateTime& v) {
    return v.month >= 1 && v.month <= 12 && v.day >= 1 && v.day <= DaysInMonth(v.year, v.month) &&
           v.hour >= 0 && v.hour <= 23 && v.minute >= 0 && v.minute <= 59 && v.second >= 0 &&
           v.second <= 59;
}

} // namespace

std::optional<DateTime> DosDateToDateTime(std::uint32_t dos) {
    const std::uint32_t date = dos >> 16;
    const std::uint32_t time = dos & 0xFFFF;
    DateTime v;
    v.year = 1980 + static_cast<int>(date >> 9);
    v.month = static_cast<int>((date >> 5) & 0x0F);
    v.day = static_cast<int>(date & 0x1F);
    v.hour = static_cast<int>(time >> 11);
    v.minute = static_cast<int>((time >> 5) & 0x3F);
    v.second = static_cast<int>((time & 0x1F) * 2);
    if (!IsValid(v)) return std::nullopt;
    return v;
}

std::optional<std::uint32_t> DateTimeToDosDate(const DateTime& v) {
    if (v.year < 1980 || v.year > 2107 || !IsValid(v)) return std::nullopt;
    const std::uint32_t date = (static_cast<std::uint32_t>(v.year - 1980) << 9) |
                               (static_cast<std::uint32_t>(v.month) << 5) |
                               static_cast<std::uint32_t>(v.day);
    const std::uint32_t time = (static_cast<std::uint32_t>(v.hour) << 11) |
                               (static_cast<std::uint32_t>(v.minute) << 5) |
                               static_cast<std::uint32_t>(v.second / 2);
    return (date << 16) | time;
}

std::optional<DateTime> LocalDateTimeFromUnix(std::int64_t seconds) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm local{};
    if (localtime_r(&t, &local) == nullptr) return std::nullopt;
    return DateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                    local.tm_hour,        local.tm_min,     local.tm_sec == 60 ? 59 : local.tm_sec};
}

std::string ToIsoText(const DateTime& v) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", v.year, v.month, v.day,
                  v.hour, v.minute, v.second);
    return buffer;
}

} // namespace sorvane
