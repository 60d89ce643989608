// Tests of the calendar and the DOS file-date conversions, checked field by
// field and against std::chrono's calendar over every date value, and of the
// local date-time of a Unix moment (the tests run with TZ=UTC).
#include "platform/DateTime.h"

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <ostream>
#include <tuple>
#include <vector>

namespace sorvane {

// Failure messages show date-times as text (the same definition is in FilesTest.cpp).
inline void PrintTo(const DateTime& value, std::ostream* out) {
    *out << ToIsoText(value);
}

namespace {

// Tests that read the local time pin the zone to UTC, as ctest does, so that
// running the executable by hand gives the same results.
class DateTimeLocal : public testing::Test {
protected:
    static void SetUpTestSuite() {
        ::setenv("TZ", "UTC", 1);
        ::tzset();
    }
};

testing::Message DosText(std::uint32_t dos) {
    return testing::Message() << "DOS 0x" << std::hex << dos;
}

TEST(DateTimeDos, RoundTripOfKnownValues) {
    struct Case {
        DateTime value;
        std::uint32_t dos;
    };
    const std::vector<Case> cases = {
        {{1980, 1, 1, 0, 0, 0}, 2'162'688}, // 0x00210000
        {{2107, 12, 31, 23, 59, 58}, 0xFF9FBF7D},
        {{2000, 2, 29, 12, 34, 56}, 0x285D645C},
        {{1999, 12, 31, 23, 59, 58}, 0x279FBF7D},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ToIsoText(c.value));
        EXPECT_EQ(DateTimeToDosDate(c.value), c.dos);
        EXPECT_EQ(DosDateToDateTime(c.dos), c.value);
    }
    EXPECT_EQ(DateTimeToDosDate(kDosEpoch), 2'162'688u);
}

TEST(DateTimeDos, SecondsAreStoredInTwoSecondSteps) {
    const DateTime odd{2001, 6, 15, 10, 20, 59};
    const std::optional<std::uint32_t> dos = DateTimeToDosDate(odd);
    ASSERT_TRUE(dos.has_value());
    EXPECT_EQ(*dos, *DateTimeToDosDate({2001, 6, 15, 10, 20, 58}));
    EXPECT_EQ(DosDateToDateTime(*dos), (DateTime{2001, 6, 15, 10, 20, 58}));
    EXPECT_EQ(DateTimeToDosDate({2001, 6, 15, 10, 20, 1}),
              DateTimeToDosDate({2001, 6, 15, 10, 20, 0}));
}

TEST(DateTimeDos, InvalidDateTimesHaveNoDosForm) {
    const std::vector<DateTime> invalid = {
        {1979, 12, 31, 23, 59, 58}, {2108, 1, 1, 0, 0, 0},  {2001, 0, 1, 0, 0, 0},
        {2001, 13, 1, 0, 0, 0},     {2001, 1, 0, 0, 0, 0},  {2001, 1, 32, 0, 0, 0},
        {2001, 4, 31, 0, 0, 0},     {2001, 2, 29, 0, 0, 0}, {2100, 2, 29, 0, 0, 0},
        {2001, 1, 1, 24, 0, 0},     {2001, 1, 1, 0, 60, 0}, {2001, 1, 1, 0, 0, 60},
        {2001, 1, 1, -1, 0, 0},     {2001, 1, 1, 0, -1, 0}, {2001, 1, 1, 0, 0, -1},
    };
    for (const DateTime& value : invalid) {
        SCOPED_TRACE(ToIsoText(value));
        EXPECT_EQ(DateTimeToDosDate(value), std::nullopt);
    }
    EXPECT_TRUE(DateTimeToDosDate({2000, 2, 29, 0, 0, 0}).has_value());
    EXPECT_TRUE(DateTimeToDosDate({1984, 2, 29, 0, 0, 0}).has_value());
}

TEST(DateTimeDos, OutOfRangeFieldsGiveNothing) {
    const std::uint32_t jan1 = 0x0021u << 16; // 1980-01-01
    struct Case {
        const char* what;
        std::uint32_t dos;
    };
    const std::vector<Case> cases = {
        {"all zero", 0},
        {"month 0", 0x0001u << 16},
        {"month 13", ((13u << 5) | 1u) << 16},
        {"month 15", ((15u << 5) | 1u) << 16},
        {"day 0", (1u << 5) << 16},
        {"February 30", ((2u << 5) | 30u) << 16},
        {"February 29, 1981", ((1u << 9) | (2u << 5) | 29u) << 16},
        {"April 31", ((4u << 5) | 31u) << 16},
        {"hour 24", jan1 | (24u << 11)},
        {"hour 31", jan1 | (31u << 11)},
        {"minute 60", jan1 | (60u << 5)},
        {"second 60", jan1 | 30u},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(DosDateToDateTime(c.dos), std::nullopt);
    }
    EXPECT_EQ(DosDateToDateTime(jan1 | 29u), (DateTime{1980, 1, 1, 0, 0, 58}));
    EXPECT_EQ(DosDateToDateTime(((4u << 9) | (2u << 5) | 29u) << 16), (DateTime{1984, 2, 29}));
}

TEST(DateTimeDos, EveryDateValueAgreesWithTheCalendar) {
    const std::uint32_t noon = 12u << 11;
    int validDays = 0;
    for (std::uint32_t date = 0; date <= 0xFFFF; ++date) {
        const std::uint32_t dos = (date << 16) | noon;
        const int year = 1980 + static_cast<int>(date >> 9);
        const unsigned month = (date >> 5) & 0x0F;
        const unsigned day = date & 0x1F;
        const bool real =
            std::chrono::year_month_day{std::chrono::year(year), std::chrono::month(month),
                                        std::chrono::day(day)}
                .ok();
        const std::optional<DateTime> value = DosDateToDateTime(dos);
        ASSERT_EQ(value.has_value(), real) << DosText(dos);
        if (!value) continue;
        ++validDays;
        ASSERT_EQ(value->year, year);
        ASSERT_EQ(value->month, static_cast<int>(month));
        ASSERT_EQ(value->day, static_cast<int>(day));
        ASSERT_EQ(DateTimeToDosDate(*value), dos) << DosText(dos);
    }
    // Every day from 1980-01-01 to 2107-12-31 has exactly one value.
    const auto first = std::chrono::sys_days{std::chrono::year(1980) / 1 / 1};
    const auto last = std::chrono::sys_days{std::chrono::year(2107) / 12 / 31};
    EXPECT_EQ(validDays, (last - first).count() + 1);
}

TEST(DateTimeDos, EveryTimeValueAgreesWithTheClock) {
    const std::uint32_t jan1 = 0x0021u << 16;
    for (std::uint32_t time = 0; time <= 0xFFFF; ++time) {
        const std::uint32_t dos = jan1 | time;
        const int hour = static_cast<int>(time >> 11);
        const int minute = static_cast<int>((time >> 5) & 0x3F);
        const int second = static_cast<int>(time & 0x1F) * 2;
        const bool real = hour < 24 && minute < 60 && second < 60;
        const std::optional<DateTime> value = DosDateToDateTime(dos);
        ASSERT_EQ(value.has_value(), real) << DosText(dos);
        if (!value) continue;
        ASSERT_EQ(*value, (DateTime{1980, 1, 1, hour, minute, second})) << DosText(dos);
        ASSERT_EQ(DateTimeToDosDate(*value), dos) << DosText(dos);
    }
}

// The calendar every date conversion of the program goes through.
TEST(DateTimeCalendar, LeapYearsAndMonthLengths) {
    struct Case {
        int year, month, days;
    };
    for (const Case& c : std::vector<Case>{
             {2000, 2, 29}, // divisible by 400
             {2100, 2, 28}, // by 100 and not by 400
             {1900, 2, 28},
             {2024, 2, 29},
             {2023, 2, 28},
             {2400, 2, 29},
             {2023, 1, 31},
             {2023, 4, 30},
             {2023, 12, 31},
         }) {
        SCOPED_TRACE(testing::Message() << c.year << "-" << c.month);
        EXPECT_EQ(DaysInMonth(c.year, c.month), c.days);
        EXPECT_EQ(LeapYear(c.year), c.month == 2 && c.days == 29);
        EXPECT_TRUE(IsCalendarDate(c.year, c.month, c.days));
        EXPECT_FALSE(IsCalendarDate(c.year, c.month, c.days + 1));
    }
    for (const int month : {0, 13})
        EXPECT_FALSE(IsCalendarDate(2000, month, 1)) << month;
    EXPECT_FALSE(IsCalendarDate(2000, 1, 0));
    EXPECT_TRUE(IsClockTime(23, 59, 59));
    for (const auto& [hour, minute, second] :
         std::vector<std::tuple<int, int, int>>{{24, 0, 0}, {0, 60, 0}, {0, 0, 60}, {-1, 0, 0}})
        EXPECT_FALSE(IsClockTime(hour, minute, second)) << hour << ":" << minute << ":" << second;
}

// Day numbers and weekdays agree with std::chrono's calendar on every day of
// 1899-2101, before and after 1970 and across 29 February of 2000 and 2100.
TEST(DateTimeCalendar, DayNumbersAndWeekdaysAgreeWithTheCalendar) {
    using namespace std::chrono;
    for (sys_days day = sys_days{year{1899} / 1 / 1}; day <= sys_days{year{2101} / 12 / 31};
         day += days{1}) {
        const year_month_day date{day};
        const int y = static_cast<int>(date.year());
        const int m = static_cast<int>(static_cast<unsigned>(date.month()));
        const int d = static_cast<int>(static_cast<unsigned>(date.day()));
        ASSERT_EQ(DayNumber(y, m, d), day.time_since_epoch().count()) << y << "-" << m << "-" << d;
        ASSERT_EQ(DateOfDayNumber(day.time_since_epoch().count()), (DateTime{y, m, d}));
        ASSERT_EQ(DayOfWeek(y, m, d), static_cast<int>(weekday{day}.c_encoding()));
    }
    EXPECT_EQ(DayOfWeek(1970, 1, 1), 4);   // a Thursday
    EXPECT_EQ(DayOfWeek(1969, 12, 28), 0); // a Sunday, before day 0
    EXPECT_EQ(DateOfDayNumber(DayNumber(2100, 2, 28) + 1), (DateTime{2100, 3, 1}));
    EXPECT_EQ(DateOfDayNumber(DayNumber(2000, 2, 28) + 1), (DateTime{2000, 2, 29}));
}

TEST_F(DateTimeLocal, UnixSecondsAsLocalDateTimeAndBack) {
    struct Case {
        std::int64_t seconds;
        DateTime value;
    };
    const std::vector<Case> cases = {
        {0, {1970, 1, 1, 0, 0, 0}},
        {-1, {1969, 12, 31, 23, 59, 59}},
        {315'532'800, {1980, 1, 1, 0, 0, 0}},
        {951'827'696, {2000, 2, 29, 12, 34, 56}},
        {951'827'697, {2000, 2, 29, 12, 34, 57}}, // full seconds: no DOS rounding here
        {4'354'819'199, {2107, 12, 31, 23, 59, 59}},
        {4'354'819'200, {2108, 1, 1, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seconds);
        EXPECT_EQ(LocalDateTimeFromUnix(c.seconds), c.value);
        EXPECT_EQ(UnixFromLocalDateTime(c.value), c.seconds);
    }
}

TEST(DateTimeText, IsoText) {
    EXPECT_EQ(ToIsoText({2001, 2, 3, 4, 5, 6}), "2001-02-03 04:05:06");
    EXPECT_EQ(ToIsoText(kDosEpoch), "1980-01-01 00:00:00");
    EXPECT_EQ(ToIsoText({2107, 12, 31, 23, 59, 58}), "2107-12-31 23:59:58");
}

TEST(DateTimeText, OrderFollowsTheCalendar) {
    EXPECT_LT(kDosEpoch, (DateTime{1980, 1, 1, 0, 0, 2}));
    EXPECT_LT((DateTime{1999, 12, 31, 23, 59, 59}), (DateTime{2000, 1, 1, 0, 0, 0}));
    EXPECT_LT((DateTime{2000, 1, 31}), (DateTime{2000, 2, 1}));
}

} // namespace
} // namespace sorvane
