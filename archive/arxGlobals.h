// Library-wide state and tables of the archive readers: the local time-zone
// rule (read once), the date conversions that cross
// the library's boundary (DOS and Unix dates) and the compression-method names.
#pragma once

#include "platform/DateTime.h"
#include "platform/TimeZone.h"

#include <cstdint>
#include <string>

namespace sorvane {

// 1980-01-01 00:01:00, the date given when an archive holds no valid one.
constexpr DateTime kArxNoValidDate{1980, 1, 1, 0, 1, 0};

// The archive kinds whose method names the library knows.
enum class ArxArchiveType {
    Unknown,
    Ace,
    Arc,
    Arj,
    Bh,
    Cab,
    Gzip,
    Ha,
    Jar,
    Zip,
    Lha,
    Lzh,
    Pak,
    Rar,
    Tar,
    Zoo,
};

enum TArcType : std::uint8_t; // archive/arxRegister.h

// The method-name kind of a detected archive kind (self-extracting, spanned and
// multi-volume forms read as their plain kind; kinds without names Unknown).
ArxArchiveType MethodKindOf(TArcType type);

// The time-zone rule read when the library is first used, and kept.
const TimeZoneInfo& ArxTimeZone();
// Replaces the kept rule (tests pin a zone with it).
void SetArxTimeZone(const TimeZoneInfo& zone);

// The length of `month` (1-12) of `year`, February by the four-year rule of
// Unix dates when `fourYearRule` is set, else by the calendar (DaysInMonth;
// LeapYear is the platform's too).
int DaysPerMonth(int year, int month, bool fourYearRule = false);

// The date at 00:00, or kArxNoValidDate for year 0 or above 9999, a month
// outside 1-12 or a day outside the month.
DateTime EncodeDateSafe(int year, int month, int day);

// A DOS date-time (date high word, time low word); 0 reads as 1980-01-01 00:01.
// An invalid date gives 1980-01-01 00:01:00 plus the time of day; an invalid
// time gives kArxNoValidDate.
DateTime DosDateTimeToDateTime(std::uint32_t value);

// `date` moved by `months` (negative goes back), the day clamped to the month.
DateTime AddMonths(int months, const DateTime& date);

// `date` moved by a number of minutes.
DateTime AddMinutes(const DateTime& date, std::int64_t minutes);

// Whether `date` lies in daylight time under `zone`.
bool IsDaylightTime(const DateTime& date, const TimeZoneInfo& zone);
bool IsDaylightTime(const DateTime& date);

// A UTC date-time in local time under `zone`.
DateTime UtcToLocal(const DateTime& date, const TimeZoneInfo& zone);
DateTime UtcToLocal(const DateTime& date);

// Seconds since 1970 (the absolute value is taken) as a UTC date-time, leap
// years by the four-year rule; 0 gives kArxNoValidDate.
DateTime UnixTimeToUtcDateTime(std::int64_t seconds);
// The same in local time (0 still gives kArxNoValidDate).
DateTime UnixTimeToDateTime(std::int64_t seconds, const TimeZoneInfo& zone);
DateTime UnixTimeToDateTime(std::int64_t seconds);

// The name of a ZIP deflate level from the general-purpose bits 1-2.
std::string DeflateName(std::uint32_t flags);
std::string Deflate64Name(std::uint32_t flags);

// What the method name of an entry depends on besides its method value.
struct ArxMethodEntry {
    bool isDirectory = false; // directory entry (ARC type 30, ARJ file type 3,
                              // ZIP directory attribute, TAR empty name part, RAR)
    std::uint16_t magic = 0;  // GZIP: the file's first two bytes, little-endian
};

// The method name shown for an entry of an archive of kind `type`. `method` is
// the method value; for LHA/LZH and RAR it is the method character ('0'-'7',
// with 100 for an LHA directory). Unknown values give "Unsupported".
std::string GetMethodName(ArxArchiveType type, int method, std::uint32_t flags,
                          const ArxMethodEntry& entry = {});

} // namespace sorvane
