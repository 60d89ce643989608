// Date-times written by the locale's date patterns.
#include "catalogue/format/DateText.h"

#include <gtest/gtest.h>

namespace sorvane {
namespace {

TEST(DateText, PatternsOfCommonLocales) {
    const DateTime morning{2001, 3, 4, 9, 5, 7};
    const DateTime evening{1999, 12, 31, 23, 59, 58};
    struct Case {
        const char* pattern;
        DateTime value;
        const char* text;
    };
    for (const Case& c : {
             Case{"M/d/yy", morning, "3/4/01"},
             Case{"dd/MM/yyyy", morning, "04/03/2001"},
             Case{"dd.MM.yy HH:mm:ss", evening, "31.12.99 23:59:58"},
             Case{"yyyy/MM/dd", morning, "2001/03/04"},
             Case{"d/M/yy h:mm:ss AP", evening, "31/12/99 11:59:58 PM"},
             Case{"d/M/yy h:mm ap", morning, "4/3/01 9:05 am"},
             Case{"HH:mm:ss t", morning, "09:05:07"},
             Case{"d 'de' M", morning, "4 de 3"},
             Case{"'o''clock' H", morning, "o'clock 9"},
         }) {
        const TDateFormat format(c.pattern);
        EXPECT_TRUE(format.Supported()) << c.pattern;
        EXPECT_EQ(format.Format(c.value), c.text) << c.pattern;
    }
}

TEST(DateText, NamesAreLeftToTheLocale) {
    for (const char* pattern : {"ddd d MMM yyyy", "dddd", "MMMM", "HH:mm z"})
        EXPECT_FALSE(TDateFormat(pattern).Supported()) << pattern;
}

// A cell of a grid read back for its sort key: every text a pattern writes
// gives back the fields the pattern holds.
TEST(DateText, ParseReadsBackWhatFormatWrote) {
    struct Case {
        const char* pattern;
        DateTime value;
        DateTime expected; // the fields the pattern holds, DateTime{} for the rest
    };
    const DateTime morning{2001, 3, 4, 9, 5, 7};
    const DateTime evening{1999, 12, 31, 23, 59, 58};
    const DateTime midnight{2000, 2, 29, 0, 0, 0};
    const DateTime noon{2079, 1, 1, 12, 30, 0};
    for (const Case& c : {
             Case{"M/d/yy", morning, {2001, 3, 4, 0, 0, 0}},
             Case{"dd/MM/yyyy", morning, {2001, 3, 4, 0, 0, 0}},
             Case{"d/M/yy HH:mm:ss t", evening, evening},
             Case{"dd.MM.yy HH:mm:ss", evening, evening},
             Case{"yyyy/MM/dd H:mm:ss", morning, morning},
             Case{"d/M/yy h:mm:ss AP", evening, evening},
             Case{"d/M/yy h:mm:ss AP", midnight, midnight},
             Case{"d/M/yy h:mm:ss ap", noon, noon},
             Case{"d/M/yyyy", midnight, midnight},
             Case{"d/M/yy", {1980, 1, 1, 0, 0, 0}, {1980, 1, 1, 0, 0, 0}},
             Case{"d 'de' M 'de' yyyy", morning, {2001, 3, 4, 0, 0, 0}},
         }) {
        const TDateFormat format(c.pattern);
        const std::string text = format.Format(c.value);
        const std::optional<DateTime> back = format.Parse(text);
        ASSERT_TRUE(back.has_value()) << c.pattern << " " << text;
        EXPECT_EQ(*back, c.expected) << c.pattern << " " << text;
    }
}

// Day and month names come from the caller (the locale's); a pattern with
// names reads its texts back too.
TEST(DateText, NamesHandedOverAreWrittenAndRead) {
    TDateNames names;
    names.shortMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    names.longMonths = {"January", "February", "March",     "April",   "May",      "June",
                        "July",    "August",   "September", "October", "November", "December"};
    names.shortDays = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    names.longDays = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};
    struct Case {
        const char* pattern;
        DateTime value;
        const char* text;
        DateTime expected;
    };
    for (const Case& c : {
             Case{"d MMM yyyy HH:mm:ss t",
                  {2001, 3, 4, 9, 5, 7},
                  "4 Mar 2001 09:05:07",
                  {2001, 3, 4, 9, 5, 7}},
             Case{"ddd d MMM yyyy", {2001, 3, 4, 0, 0, 0}, "Sun 4 Mar 2001", {2001, 3, 4, 0, 0, 0}},
             Case{"dddd, d MMMM yy",
                  {1999, 12, 31, 0, 0, 0},
                  "Friday, 31 December 99",
                  {1999, 12, 31, 0, 0, 0}},
             // "May" is a short and a long name; "Ma" starts "Mar" and "May".
             Case{"MMMM d", {1980, 5, 1, 0, 0, 0}, "May 1", {1980, 5, 1, 0, 0, 0}},
         }) {
        EXPECT_FALSE(TDateFormat(c.pattern).Supported()) << c.pattern;
        const TDateFormat format(c.pattern, names);
        ASSERT_TRUE(format.Supported()) << c.pattern;
        EXPECT_EQ(format.Format(c.value), c.text) << c.pattern;
        const std::optional<DateTime> back = format.Parse(c.text);
        ASSERT_TRUE(back.has_value()) << c.pattern;
        EXPECT_EQ(*back, c.expected) << c.pattern;
    }
    const TDateFormat format("d MMM yyyy", names);
    for (const char* text : {"4 Mars 2001", "4 mar 2001", "4  2001", "4 Smarch 2001"})
        EXPECT_FALSE(format.Parse(text).has_value()) << text;
}

TEST(DateText, ParseRefusesTextsThatDoNotFollowThePattern) {
    struct Case {
        const char* pattern;
        const char* text;
    };
    for (const Case& c : {
             Case{"dd/MM/yyyy", ""}, Case{"dd/MM/yyyy", "04/03/2001 "}, // text left over
             Case{"dd/MM/yyyy", "04-03-2001"},                          // other separators
             Case{"dd/MM/yyyy", "04/13/2001"},                          // month 13
             Case{"dd/MM/yyyy", "31/04/2001"},                          // 31 April
             Case{"dd/MM/yyyy", "29/02/2001"},                          // not a leap year
             Case{"dd/MM/yyyy", "29/02/2100"}, // a century that is no leap year
             Case{"dd/MM/yyyy", "00/03/2001"}, Case{"d/M/yy HH:mm:ss", "4/3/01 24:00:00"},
             Case{"d/M/yy HH:mm:ss", "4/3/01 10:60:00"}, Case{"d/M/yy h:mm AP", "4/3/01 13:05 PM"},
             Case{"d/M/yy h:mm AP", "4/3/01 1:05 XM"}, Case{"d/M/yy", "Colección"},
             Case{"ddd d MMM yyyy", "Sun 4 Mar 2001"}, // names: not this formatter's
         }) {
        EXPECT_FALSE(TDateFormat(c.pattern).Parse(c.text).has_value())
            << c.pattern << " " << c.text;
    }
}

} // namespace
} // namespace sorvane
