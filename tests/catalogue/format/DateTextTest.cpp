// Date-times written by the locale's date patterns.
#include <gtest/gtest.h>

#include "catalogue/format/DateText.h"

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

} // namespace
} // namespace sorvane
