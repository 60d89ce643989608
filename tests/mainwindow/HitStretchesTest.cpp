// Cutting a result cell at its two match ranges: one table of cell texts and
// ranges with the five stretches each must give.
#include "mainwindow/HitStretches.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace sorvane {
namespace {

struct StretchCase {
    const char* what;
    std::string text, range1, range2;
    bool marked;
    std::vector<std::string> pieces; // before, match 1, between, match 2, after
};

TEST(HitStretchesTest, RangesCutTheCellIntoOrderedStretches) {
    const std::vector<StretchCase> cases = {
        {"one range", "report.doc", "1 6", "0 0", true, {"", "report", "", "", ".doc"}},
        {"only the second range", "xaby", "0 0", "2 3", true, {"x", "ab", "", "", "y"}},
        {"two apart", "abcdef", "1 2", "5 6", true, {"", "ab", "cd", "ef", ""}},
        {"ordered by start", "abcdef", "5 6", "1 2", true, {"", "ab", "cd", "ef", ""}},
        {"an overlap starts after the first", "xaby", "2 3", "3 4", true, {"x", "ab", "", "y", ""}},
        {"a second inside the first is dropped",
         "abcdef",
         "1 5",
         "2 3",
         true,
         {"", "abcde", "", "", "f"}},
        {"a second ending with the first is dropped",
         "abcdef",
         "2 4",
         "3 4",
         true,
         {"a", "bcd", "", "", "ef"}},
        {"equal starts keep the first first", "abcd", "2 3", "2 4", true, {"a", "bc", "", "d", ""}},
        {"positions count characters",
         "canción.txt",
         "5 7",
         "0 0",
         true,
         {"canc", "ión", "", "", ".txt"}},
        {"a byte that is no UTF-8 is one character",
         "ni\xF1o!",
         "3 4",
         "0 0",
         true,
         {"ni", "\xF1o", "", "", "!"}},
        {"an end past the text is cut", "abc", "2 9", "0 0", true, {"a", "bc", "", "", ""}},
        {"a start past the text marks nothing", "abc", "7 9", "0 0", true, {"abc", "", "", "", ""}},
        {"no range", "abc", "0 0", "0 0", false, {"abc", "", "", "", ""}},
        {"ranges that do not parse", "abc", "x", "", false, {"abc", "", "", "", ""}},
    };
    for (const StretchCase& c : cases) {
        SCOPED_TRACE(c.what);
        const HitStretches s = SplitHitStretches(c.text, c.range1, c.range2);
        EXPECT_EQ(s.marked, c.marked);
        EXPECT_EQ((std::vector<std::string>{std::string(s.before), std::string(s.match1),
                                            std::string(s.between), std::string(s.match2),
                                            std::string(s.after)}),
                  c.pieces);
    }
}

} // namespace
} // namespace sorvane
