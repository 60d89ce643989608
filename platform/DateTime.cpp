// The calendar, local date-times and DOS file dates.
#include "platform/DateTime.h"

#include <chrono>
#include <cstdio>

namespace sorvane {
namespace {

bool IsValid(const DateTime& v) {
    return IsCalendarDate(v.year, v.month, v.day) && IsClockTime(v.hour, v.minute, v.second);
}

} // namespace

std::int64_t DayNumber(int year, int month, int day) {
    using namespace std::chrono;
    return sys_days{std::chrono::year{year} / std::chrono::month{static_cast<unsigned>(month)} /
                    std::chrono::day{static_cast<unsigned>(day)}}
        .time_since_epoch()
        .count();
}

DateTime DateOfDayNumber(std::int64_t days) {
    using namespace std::chrono;
    const year_month_day date{sys_days{std::chrono::days{days}}};
    return {static_cast<int>(date.year()),
            static_cast<int>(static_cast<unsigned>(date.month())),
            static_cast<int>(static_cast<unsigned>(date.day())),
            0,
            0,
            0};
}

int DayOfWeek(int year, int month, int day) {
    // 1970-01-01 was a Thursday.
    return static_cast<int>((DayNumber(year, month, day) % 7 + 7 + 4) % 7);
}

DateTime DosDateFields(std::uint32_t dos) {
    const std::uint32_t date = dos >> 16;
    const std::uint32_t time = dos & 0xFFFF;
    DateTime v;
    v.year = 1980 + static_cast<int>(date >> 9);
    v.month = static_cast<int>((date >> 5) & 0x0F);
    v.day = static_cast<int>(date & 0x1F);
    v.hour = static_cast<int>(time >> 11);
    v.minute = static_cast<int>((time >> 5) & 0x3F);
    v.second = static_cast<int>((time & 0x1F) * 2);
    return v;
}

std::optional<DateTime> DosDateToDateTime(std::uint32_t dos) {
    const DateTime v = DosDateFields(dos);
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

std::optional<std::int64_t> UnixFromLocalDateTime(const DateTime& local) {
    std::tm parts{};
    parts.tm_year = local.year - 1900;
    parts.tm_mon = local.month - 1;
    parts.tm_mday = local.day;
    parts.tm_hour = local.hour;
    parts.tm_min = local.minute;
    parts.tm_sec = local.second;
    parts.tm_isdst = -1;
    // mktime fills the weekday on success; -1 alone is also a valid moment.
    parts.tm_wday = -1;
    const std::time_t seconds = std::mktime(&parts);
    if (seconds == static_cast<std::time_t>(-1) && parts.tm_wday == -1) return std::nullopt;
    return static_cast<std::int64_t>(seconds);
}

std::string ToIsoText(const DateTime& v) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", v.year, v.month, v.day,
                  v.hour, v.minute, v.second);
    return buffer;
}

} // namespace sorvane
