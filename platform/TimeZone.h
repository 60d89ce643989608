// The local time-zone rule in the form archive code expects: a bias in minutes
// (UTC = local + bias) and the yearly daylight and standard change-overs.
// Stands in for GetTimeZoneInformation.
#pragma once

namespace sorvane {

// A yearly change-over. With year 0 it is a weekday rule: the `day`-th (1-4,
// 5 = last) `dayOfWeek` (0 = Sunday) of `month`; otherwise an absolute date.
// month 0 means "no change-over".
struct TimeZoneTransition {
    int year = 0;
    int month = 0;
    int dayOfWeek = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
};

struct TimeZoneInfo {
    int bias = 0;                    // minutes, UTC = local standard time + bias
    int standardBias = 0;            // added to bias during standard time
    int daylightBias = 0;            // added to bias during daylight time
    TimeZoneTransition standardDate; // local daylight time at which standard time starts
    TimeZoneTransition daylightDate; // local standard time at which daylight time starts
};

// The rule of the local zone, derived from the change-overs of the current year.
TimeZoneInfo LocalTimeZoneInfo();

} // namespace sorvane
