// The local zone's rule, found by walking the current year hour by hour with
// localtime_r and narrowing each change of UTC offset to the minute.
#include "platform/TimeZone.h"

#include "platform/DateTime.h"

#include <ctime>
#include <vector>

namespace sorvane {
namespace {

long OffsetAt(std::time_t t) {
    std::tm local{};
    if (localtime_r(&t, &local) == nullptr) return 0;
    return local.tm_gmtoff;
}

// The weekday rule of the change-over at UTC moment `t`, read in local time of
// offset `offset` (seconds east of UTC).
TimeZoneTransition RuleAt(std::time_t t, long offset) {
    const std::time_t shifted = t + offset;
    std::tm at{};
    gmtime_r(&shifted, &at);
    const int monthDays = DaysInMonth(at.tm_year + 1900, at.tm_mon + 1);
    TimeZoneTransition rule;
    rule.month = at.tm_mon + 1;
    rule.dayOfWeek = at.tm_wday;
    rule.day = at.tm_mday + 7 > monthDays ? 5 : (at.tm_mday - 1) / 7 + 1;
    rule.hour = at.tm_hour;
    rule.minute = at.tm_min;
    return rule;
}

} // namespace

TimeZoneInfo LocalTimeZoneInfo() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::tm start{};
    start.tm_year = local.tm_year;
    start.tm_mday = 1;
    start.tm_hour = 0;
    const std::time_t first = timegm(&start);

    struct Change {
        std::time_t at;
        long before;
        long after;
    };
    std::vector<Change> changes;
    long previous = OffsetAt(first);
    long lowest = previous;
    for (std::time_t t = first + 3600; t <= first + 366L * 86400; t += 3600) {
        const long offset = OffsetAt(t);
        if (offset < lowest) lowest = offset;
        if (offset != previous) {
            std::time_t low = t - 3600, high = t; // offset(low) == previous, offset(high) == offset
            while (high - low > 60) {
                const std::time_t mid = low + (high - low) / 120 * 60;
                if (mid == low) break;
                (OffsetAt(mid) == previous ? low : high) = mid;
            }
            changes.push_back({high, previous, offset});
            previous = offset;
        }
    }

    TimeZoneInfo info;
    info.bias = static_cast<int>(-lowest / 60);
    for (const Change& change : changes) {
        if (change.after > change.before && info.daylightDate.month == 0) {
            info.daylightBias = static_cast<int>(-(change.after - change.before) / 60);
            info.daylightDate = RuleAt(change.at, change.before);
        } else if (change.after < change.before && info.standardDate.month == 0) {
            info.standardDate = RuleAt(change.at, change.before);
        }
    }
    if (info.daylightDate.month == 0 || info.standardDate.month == 0) {
        info.daylightDate = {};
        info.standardDate = {};
        info.daylightBias = 0;
    }
    return info;
}

} // namespace sorvane
