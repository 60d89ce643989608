// The archive library's time-zone state, date conversions and method names.
#include "archive/arxGlobals.h"

#include "archive/arxRegister.h"

#include <chrono>
#include <cstdlib>
#include <optional>

namespace sorvane {

namespace {

std::optional<TimeZoneInfo>& KeptZone() {
    static std::optional<TimeZoneInfo> zone;
    return zone;
}

std::int64_t ToMinutes(const DateTime& d) {
    return DayNumber(d.year, d.month, d.day) * 1440 + d.hour * 60 + d.minute;
}

bool IsValidDate(int year, int month, int day) {
    return year >= 1 && year <= 9999 && IsCalendarDate(year, month, day);
}

// The moment of a change-over in `year` under `rule`.
DateTime TransitionIn(int year, const TimeZoneTransition& rule) {
    if (rule.year != 0) return {rule.year, rule.month, rule.day, rule.hour, rule.minute, 0};
    const int firstWeekday = DayOfWeek(year, rule.month, 1);
    int day = 1 + (rule.dayOfWeek - firstWeekday + 7) % 7;
    const int occurrence = rule.day < 1 ? 1 : rule.day;
    if (occurrence >= 5) {
        while (day + 7 <= DaysPerMonth(year, rule.month))
            day += 7;
    } else {
        day += 7 * (occurrence - 1);
    }
    return {year, rule.month, day, rule.hour, rule.minute, 0};
}

constexpr const char* kDeflateNames[4] = {"DeflateN", "DeflateX", "DeflateF", "DeflateS"};
constexpr const char* kDeflate64Names[4] = {"Def-64N", "Def-64X", "Def-64F", "Def-64S"};

std::string LevelName(const char* const (&names)[4], std::uint32_t flags, const char* empty) {
    const char* name = (flags % 2 == 0 && flags <= 6) ? names[flags / 2] : names[0];
    return (name == nullptr || *name == '\0') ? std::string(empty) : std::string(name);
}

// The name at `method` of a table starting at `first`, or nothing.
template <std::size_t N>
std::optional<std::string> FromTable(const char* const (&names)[N], int first, int method) {
    if (method < first || method - first >= static_cast<int>(N)) return std::nullopt;
    return std::string(names[method - first]);
}

} // namespace

const TimeZoneInfo& ArxTimeZone() {
    std::optional<TimeZoneInfo>& zone = KeptZone();
    if (!zone) zone = LocalTimeZoneInfo();
    return *zone;
}

void SetArxTimeZone(const TimeZoneInfo& zone) {
    KeptZone() = zone;
}

int DaysPerMonth(int year, int month, bool fourYearRule) {
    if (fourYearRule && month == 2) return year % 4 == 0 ? 29 : 28;
    return DaysInMonth(year, month);
}

DateTime EncodeDateSafe(int year, int month, int day) {
    if (!IsValidDate(year, month, day)) return kArxNoValidDate;
    return {year, month, day, 0, 0, 0};
}

DateTime DosDateTimeToDateTime(std::uint32_t value) {
    if (value == 0) value = 0x00210020;
    const DateTime fields = DosDateFields(value);
    if (!IsClockTime(fields.hour, fields.minute, fields.second)) return kArxNoValidDate;
    if (const std::optional<DateTime> date = DosDateToDateTime(value)) return *date;
    // A date that is no date keeps its time of day, counted on from the fallback.
    DateTime result = AddMinutes(kArxNoValidDate, fields.hour * 60 + fields.minute);
    result.second = fields.second;
    return result;
}

DateTime AddMonths(int months, const DateTime& date) {
    std::int64_t index = static_cast<std::int64_t>(date.year) * 12 + (date.month - 1) + months;
    DateTime result = date;
    result.year = static_cast<int>(index >= 0 ? index / 12 : -((-index + 11) / 12));
    result.month = static_cast<int>(index - static_cast<std::int64_t>(result.year) * 12) + 1;
    const int length = DaysPerMonth(result.year, result.month);
    if (result.day > length) result.day = length;
    return result;
}

DateTime AddMinutes(const DateTime& date, std::int64_t minutes) {
    const std::int64_t total = ToMinutes(date) + minutes;
    const std::int64_t days = total >= 0 ? total / 1440 : -((-total + 1439) / 1440);
    const std::int64_t rest = total - days * 1440;
    DateTime result = DateOfDayNumber(days);
    result.hour = static_cast<int>(rest / 60);
    result.minute = static_cast<int>(rest % 60);
    result.second = date.second;
    return result;
}

bool IsDaylightTime(const DateTime& date, const TimeZoneInfo& zone) {
    if (zone.standardDate.month == 0 || zone.daylightDate.month == 0) return false;
    const DateTime daylightStart = TransitionIn(date.year, zone.daylightDate);
    const DateTime standardStart = TransitionIn(date.year, zone.standardDate);
    if (zone.daylightDate.month < zone.standardDate.month)
        return date >= daylightStart && date < standardStart;
    return date >= daylightStart || date < standardStart;
}

bool IsDaylightTime(const DateTime& date) {
    return IsDaylightTime(date, ArxTimeZone());
}

DateTime UtcToLocal(const DateTime& date, const TimeZoneInfo& zone) {
    const int shift =
        zone.bias + (IsDaylightTime(date, zone) ? zone.daylightBias : zone.standardBias);
    return AddMinutes(date, -static_cast<std::int64_t>(shift));
}

DateTime UtcToLocal(const DateTime& date) {
    return UtcToLocal(date, ArxTimeZone());
}

DateTime UnixTimeToUtcDateTime(std::int64_t seconds) {
    if (seconds == 0) return kArxNoValidDate;
    std::uint64_t rest =
        seconds < 0 ? 0 - static_cast<std::uint64_t>(seconds) : static_cast<std::uint64_t>(seconds);
    DateTime result{1970, 1, 1, 0, 0, 0};
    std::uint64_t days = rest / 86400;
    rest %= 86400;
    for (;;) {
        const std::uint64_t yearDays = result.year % 4 == 0 ? 366 : 365;
        if (days < yearDays || result.year >= 9999) break;
        days -= yearDays;
        ++result.year;
    }
    while (result.month < 12 &&
           days >= static_cast<std::uint64_t>(DaysPerMonth(result.year, result.month, true))) {
        days -= static_cast<std::uint64_t>(DaysPerMonth(result.year, result.month, true));
        ++result.month;
    }
    result.day = static_cast<int>(days) + 1;
    result.hour = static_cast<int>(rest / 3600);
    result.minute = static_cast<int>(rest / 60 % 60);
    result.second = static_cast<int>(rest % 60);
    return result;
}

DateTime UnixTimeToDateTime(std::int64_t seconds, const TimeZoneInfo& zone) {
    if (seconds == 0) return kArxNoValidDate;
    return UtcToLocal(UnixTimeToUtcDateTime(seconds), zone);
}

DateTime UnixTimeToDateTime(std::int64_t seconds) {
    return UnixTimeToDateTime(seconds, ArxTimeZone());
}

std::string DeflateName(std::uint32_t flags) {
    return LevelName(kDeflateNames, flags, "Deflate");
}

std::string Deflate64Name(std::uint32_t flags) {
    return LevelName(kDeflate64Names, flags, "Deflate");
}

std::string GetMethodName(ArxArchiveType type, int method, std::uint32_t flags,
                          const ArxMethodEntry& entry) {
    std::optional<std::string> name;
    switch (type) {
    case ArxArchiveType::Ace: {
        static constexpr const char* kNames[] = {"Fastest", "Fast", "Normal",
                                                 "Good",    "Best", "Lzw"};
        name = FromTable(kNames, 0, method);
        break;
    }
    case ArxArchiveType::Arc: {
        static constexpr const char* kNames[] = {"Stored",   "Stored",   "Packed",   "Squeezed",
                                                 "Crunched", "Crunched", "Squashed", "Pack10",
                                                 "Pack11",   "Pack12",   "Stored"};
        name = FromTable(kNames, 1, method);
        if (!name && entry.isDirectory) name = "<Dir>";
        break;
    }
    case ArxArchiveType::Arj: {
        static constexpr const char* kNames[] = {"Stored", "Most", "2nd Most", "2nd Fast"};
        name = FromTable(kNames, 0, method);
        if (!name && entry.isDirectory) name = "<Dir>";
        break;
    }
    case ArxArchiveType::Bh: {
        static constexpr const char* kNames[] = {"Stored", "Fused1", "Deflate", "Fused3"};
        name = method == 8 ? DeflateName(flags) : FromTable(kNames, 0, method);
        break;
    }
    case ArxArchiveType::Cab: {
        static constexpr const char* kNames[] = {"Stored", "MsZIP", "Quantum", "Lzx"};
        const int low = method & 0x0F;
        name = low < 4 ? std::string(kNames[low]) : "Lzx" + std::to_string(low);
        break;
    }
    case ArxArchiveType::Gzip:
        if (method == 0)
            name = "Stored";
        else if (method == 8)
            name = "Deflate";
        else if (method == 144)
            name = "LzwMAGIC";
        else if (entry.magic == 0x1E1F)
            name = "PackMAGIC";
        else if (entry.magic == 0xA01F)
            name = "LzhMAGIC";
        break;
    case ArxArchiveType::Ha:
        if (method == 0)
            name = "Cpy";
        else if (method == 1)
            name = "Asc";
        else if (method == 2)
            name = "HSC";
        else if (method == 14)
            name = "<Dir>";
        else if (method == 15)
            name = "Special";
        break;
    case ArxArchiveType::Jar:
    case ArxArchiveType::Zip: {
        static constexpr const char* kNames[] = {"Stored",   "Shrunk",   "Reduce-1", "Reduce-2",
                                                 "Reduce-3", "Reduce-4", "Imploded", "Tokened"};
        if (method == 8)
            name = DeflateName(flags);
        else if (method == 9)
            name = Deflate64Name(flags);
        else if (method == 10)
            name = "DCL-implode";
        else
            name = FromTable(kNames, 0, method);
        if (!name && entry.isDirectory) name = "<Dir>";
        break;
    }
    case ArxArchiveType::Lha:
    case ArxArchiveType::Lzh:
        if (method == '0')
            name = "Stored";
        else if (method >= '1' && method <= '7')
            name = "Frozen-" + std::string(1, static_cast<char>(method));
        else if (method == 100)
            name = "<Dir>";
        break;
    case ArxArchiveType::Pak: {
        static constexpr const char* kNames[] = {"Stored",   "RLE",      "Squeezed", "FixedLen",
                                                 "FixedLen", "FixedLen", "Varible",  "Varible",
                                                 "Crushed",  "Distill"};
        name = FromTable(kNames, 2, method);
        break;
    }
    case ArxArchiveType::Rar: {
        static constexpr const char* kNames[] = {"Stored", "Fastest", "Fast",
                                                 "Normal", "Good",    "Best"};
        name = entry.isDirectory ? std::optional<std::string>("<Dir>")
                                 : FromTable(kNames, '0', method);
        break;
    }
    case ArxArchiveType::Tar:
        if (method == 0)
            name = "Tarred";
        else if (entry.isDirectory)
            name = "<Dir>";
        break;
    case ArxArchiveType::Zoo: {
        static constexpr const char* kNames[] = {"Stored", "Fastest", "Greatest"};
        name = FromTable(kNames, 0, method);
        break;
    }
    case ArxArchiveType::Unknown:
        break;
    }
    return name ? *name : std::string("Unsupported");
}

ArxArchiveType MethodKindOf(TArcType type) {
    switch (type) {
    case atAce:
    case atAceExe:
        return ArxArchiveType::Ace;
    case atArc:
    case atArcExe:
        return ArxArchiveType::Arc;
    case atArj:
    case atArjExe:
        return ArxArchiveType::Arj;
    case atBh:
    case atBhExe:
        return ArxArchiveType::Bh;
    case atCab:
    case atCabExe:
        return ArxArchiveType::Cab;
    case atGZip:
    case atTarGZip:
    case atMsGZ:
        return ArxArchiveType::Gzip;
    case atHA:
        return ArxArchiveType::Ha;
    case atJar:
    case atJarExe:
        return ArxArchiveType::Jar;
    case atZip:
    case atZipExe:
    case atZipDS:
    case atZipMV:
        return ArxArchiveType::Zip;
    case atLha:
    case atLhaExe:
        return ArxArchiveType::Lha;
    case atLzh:
    case atLzhExe:
        return ArxArchiveType::Lzh;
    case atPak:
    case atPakExe:
        return ArxArchiveType::Pak;
    case atRar:
    case atRarExe:
        return ArxArchiveType::Rar;
    case atTar:
        return ArxArchiveType::Tar;
    case atZoo:
        return ArxArchiveType::Zoo;
    default:
        return ArxArchiveType::Unknown;
    }
}

} // namespace sorvane
