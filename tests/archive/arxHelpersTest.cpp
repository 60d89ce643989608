// Tests of the archive library's helpers and globals: path and name handling,
// code page 437 names, stream text readers, percentages, DOS and Unix dates
// with the time-zone rule, method names and RAR Unicode names.
#include "archive/arxHelpers.h"

#include "archive/arxBase.h"
#include "archive/arxGlobals.h"
#include "platform/OemText.h"
#include "platform/Text.h"
#include "tests/archive/ArchiveTestSupport.h"

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <limits>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace sorvane {

inline void PrintTo(const DateTime& value, std::ostream* out) {
    *out << ToIsoText(value);
}

namespace {

using namespace std::string_literals;

// Central European rule: daylight from the last Sunday of March 02:00 to the
// last Sunday of October 03:00, one hour ahead of UTC in winter.
const TimeZoneInfo kBerlin{-60, 0, -60, {0, 10, 0, 5, 3, 0}, {0, 3, 0, 5, 2, 0}};
// Southern rule: daylight from the first Sunday of October to the first of April.
const TimeZoneInfo kSydney{-600, 0, -60, {0, 4, 0, 1, 3, 0}, {0, 10, 0, 1, 2, 0}};
const TimeZoneInfo kUtc{};

TEST(ArxHelpersPaths, SlashesAndJoins) {
    struct Case {
        std::string in, appended, removed;
    };
    const std::vector<Case> cases = {
        {"", "", ""},
        {"dir", "dir\\", "dir"},
        {"dir\\", "dir\\", "dir"},
        {"dir\\\\", "dir\\\\", "dir\\"},
        {"C:", "C:\\", "C:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(AppendSlash(c.in), c.appended);
        EXPECT_EQ(RemoveSlash(c.in), c.removed);
    }
    struct Join {
        std::string dir, name, joined;
    };
    const std::vector<Join> joins = {
        {"", "file", ""},
        {"dir", "file", "dir\\file"},
        {"dir\\", "file", "dir\\file"},
        {"a\\b", "", "a\\b\\"},
    };
    for (const Join& j : joins)
        EXPECT_EQ(JoinPath(j.dir, j.name), j.joined) << j.dir << " + " << j.name;
}

TEST(ArxHelpersPaths, SlashToBackslashAndNormalize) {
    EXPECT_EQ(SlashToBackslash("a/b\\c//d"), "a\\b\\c\\\\d");
    EXPECT_EQ(SlashToBackslash(""), "");
    struct Case {
        std::string in, out;
    };
    const std::vector<Case> cases = {
        {"  dir/sub/file \t", "dir\\sub\\file"},
        {"a\xFF"
         "b",
         "a\\b"},
        {"\x81/x/y", "\x81/x\\y"},   // trail byte of a double-byte character kept
        {"\xE0\xFF/", "\xE0\xFF\\"}, // 0xFF as trail byte kept
        {"\xA0/z", "\xA0\\z"},       // 0xA0 is no lead byte
        {"\x01name\x1F", "name"},
        {" \t\r\n", ""},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NormalizeStoredPath(c.in, true), c.out) << c.in;
}

TEST(ArxHelpersPaths, StemLength) {
    struct Case {
        std::string name;
        int length;
    };
    const std::vector<Case> cases = {
        {"file.txt", 4},    {"archive.tar.gz", 11},      {"noext", 5}, {".hidden", 0}, {"", 0},
        {"dir.d\\file", 3}, {std::string(300, 'x'), 44},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StemLength(c.name), c.length) << c.name;
}

TEST(ArxHelpersPaths, ExtractDirPart) {
    struct Case {
        std::string path, dir;
    };
    const std::vector<Case> cases = {
        {"C:\\dir\\file.txt", "C:\\dir"},
        {"C:\\file", "C:\\"},
        {"C:\\", "C:\\"},
        {"C:x", "C:x"},
        {"C:file", "C"},
        {"dir/file", "dir"},
        {"a\\b/c", "a\\b"},
        {"a\\b\\", "a\\b"},
        {"\\file", ""},
        {"file", ""},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ExtractDirPart(c.path), c.dir) << c.path;
}

TEST(ArxHelpersPaths, SplitFirst) {
    struct Case {
        std::string text, separator, head, rest;
    };
    const std::vector<Case> cases = {
        {"a b c", " ", "a", "b c"}, {"abc", " ", "abc", ""}, {"a--b--c", "--", "a", "b--c"},
        {" x", " ", "", "x"},       {"x ", " ", "x", ""},    {"", " ", "", ""},
    };
    for (const Case& c : cases) {
        std::string text = c.text, head = "stale";
        SplitFirst(text, c.separator, head);
        EXPECT_EQ(head, c.head) << c.text;
        EXPECT_EQ(text, c.rest) << c.text;
    }
}

TEST(ArxHelpersPaths, UncAndExistence) {
    struct Case {
        std::string path;
        bool unc;
    };
    const std::vector<Case> cases = {
        {"\\\\server\\share", true}, {"\\\\s", true}, {"\\\\", false},
        {"\\x\\y", false},           {"C:\\", false}, {"", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsUncPath(c.path), c.unc) << c.path;

    // A folder of the test's own: the source's path (__FILE__) may be relative
    // to a build folder that is not the test's working folder.
    const test::TempFolder temp;
    const std::string folder = temp.Path();
    const std::string self = temp.File("arxHelpersSampleTest.cpp");
    test::WriteText(self, "sample");
    EXPECT_TRUE(FolderExists(folder));
    EXPECT_FALSE(FolderExists(self));
    EXPECT_FALSE(FolderExists(folder + "/no-such-folder-here"));
    EXPECT_FALSE(FolderExists(""));
    EXPECT_TRUE(FileExistsFind(self));
    EXPECT_TRUE(FileExistsFind(folder + "/arxHelpers*Test.c?p"));
    EXPECT_FALSE(FileExistsFind(folder + "/arxHelpers*Test.q?p"));
    EXPECT_FALSE(FileExistsFind(folder + "/no-such-*"));
}

// Code page 437 bytes 0x80-0xFF, sixteen characters a row.
const char* const kCp437Rows[8] = {
    "ÇüéâäàåçêëèïîìÄÅ", "ÉæÆôöòûùÿÖÜ¢£¥₧ƒ", "áíóúñÑªº¿⌐¬½¼¡«»", "░▒▓│┤╡╢╖╕╣║╗╝╜╛┐",
    "└┴┬├─┼╞╟╚╔╩╦╠═╬╧", "╨╤╥╙╘╒╓╫╪┘┌█▄▌▐▀", "αßΓπΣσµτΦΘΩδ∞φε∩", "≡±≥≤⌠⌡÷≈°∙·√ⁿ²■\u00A0",
};

TEST(ArxHelpersOem, EveryUpperByteMapsToItsCharacterAndBack) {
    int byte = 0x80;
    for (const char* row : kCp437Rows) {
        const std::string_view text(row);
        std::size_t count = 0;
        for (std::size_t pos = 0; pos < text.size(); ++byte, ++count) {
            const text::DecodedChar expected = text::DecodeAt(text, pos);
            const std::string utf8(text.substr(pos, expected.length));
            pos += expected.length;
            const std::string oem(1, static_cast<char>(byte));
            SCOPED_TRACE(testing::Message() << "byte 0x" << std::hex << byte);
            EXPECT_EQ(oem::Cp437ToCodePoint(static_cast<unsigned char>(byte)), expected.code);
            EXPECT_EQ(OemToAnsiName(oem, true), utf8);
            EXPECT_EQ(AnsiToOemName(utf8, true), oem);
        }
        EXPECT_EQ(count, 16u) << row;
    }
    EXPECT_EQ(byte, 0x100);
}

TEST(ArxHelpersOem, NameConversions) {
    struct Case {
        std::string oem;
        bool translate;
        std::string ansi;
    };
    const std::vector<Case> cases = {
        {"DIR/FILE.TXT", true, "DIR\\FILE.TXT"},
        {"DIR/FILE.TXT", false, "DIR\\FILE.TXT"},
        {"\x84rger/\x9B", true, "ärger\\¢"},
        {"\x84rger", false, "\x84rger"},
        {"", true, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(OemToAnsiName(c.oem, c.translate), c.ansi) << c.oem;
    EXPECT_EQ(AnsiToOemName("ärger€", true), "\x84rger?"); // the euro sign is not in the code page
    EXPECT_EQ(AnsiToOemName("ärger", false), "ärger");
    EXPECT_EQ(AnsiToOemName("plain\\name", true), "plain\\name");
}

TEST(ArxHelpersStreams, Readers) {
    const std::string data = "first\0second\0"s + std::string(300, 'x') + "\0tail"s;
    const ArxReadAt readAt = [&](std::uint64_t pos, char* out, std::size_t size) -> std::size_t {
        if (pos >= data.size()) return 0;
        const std::size_t n = std::min<std::size_t>(size, data.size() - pos);
        data.copy(out, n, pos);
        return n;
    };
    std::uint64_t pos = 0;
    EXPECT_EQ(ReadNulString(readAt, pos), "first");
    EXPECT_EQ(pos, 6u);
    EXPECT_EQ(ReadNulString(readAt, pos), "second");
    EXPECT_EQ(pos, 13u);
    EXPECT_EQ(ReadNulString(readAt, pos), std::string(256, 'x')); // at most 256 characters
    EXPECT_EQ(pos, 13u + 257u);
    pos = data.size() - 4;
    EXPECT_EQ(ReadNulString(readAt, pos), "tail"); // the end of data reads as NUL
    EXPECT_EQ(pos, data.size() + 1);

    pos = 0;
    EXPECT_EQ(ReadFixedText(readAt, pos, 8), "first\0se"s);
    EXPECT_EQ(pos, 8u);
    pos = data.size() - 2;
    EXPECT_EQ(ReadFixedText(readAt, pos, 5), "il\0\0\0"s);
    EXPECT_EQ(pos, data.size() + 3);
    EXPECT_EQ(ReadFixedText(readAt, pos, 0), "");

    std::size_t cursor = 0;
    const ArxReadNext readNext = [&](char* out, std::size_t size) -> std::size_t {
        const std::size_t n = std::min<std::size_t>(size, data.size() - cursor);
        data.copy(out, n, cursor);
        cursor += n;
        return n;
    };
    EXPECT_EQ(ReadCountedText(readNext, 3), "fir");
    EXPECT_EQ(ReadCountedText(readNext, 4), "st\0s"s);
    cursor = data.size() - 1;
    EXPECT_EQ(ReadCountedText(readNext, 2), "l\0"s);
}

TEST(ArxHelpersNumbers, PercentAndRatio) {
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    struct Case {
        std::int64_t total, part;
        int percent, ratio;
    };
    const std::vector<Case> cases = {
        // Halves round to even: 0.5 -> 0, 99.5 -> 100, 1.5 -> 2, 98.5 -> 98.
        {0, 5, 0, 0},
        {200, 50, 25, 75},
        {10, 20, 100, 0},
        {1000, 250, 25, 75},
        {1000, 1200, 100, 0},
        {3, 1, 33, 67},
        {3, 2, 67, 33},
        {200, 1, 0, 100},
        {200, 3, 2, 98},
        {100, -5, 0, 105},
        {1000, 1000, 100, 0},
        {-10, 5, 0, 0},
        {kMax, kMax / 2, 50, 50},
        // A part far beyond its total (sizes from a damaged header).
        {1, kMax, 100, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.total << ", " << c.part);
        EXPECT_EQ(Percent(c.total, c.part), c.percent);
        EXPECT_EQ(Ratio(c.total, c.part), c.ratio);
    }
}

TEST(ArxHelpersNumbers, MagicSwapOctal) {
    struct Magic {
        std::uint16_t value;
        bool gzip;
    };
    const std::vector<Magic> magics = {
        {0x1E1F, true},  {0x8B1F, true},  {0x9D1F, true},  {0x9E1F, true}, {0xA01F, true},
        {0x1F8B, false}, {0x8B1E, false}, {0x9F1F, false}, {0, false},
    };
    for (const Magic& m : magics)
        EXPECT_EQ(IsGzipMagic(m.value), m.gzip) << std::hex << m.value;
    EXPECT_EQ(SwapWords(0x12345678u), 0x56781234u);
    EXPECT_EQ(SwapWords(0xFFFF0000u), 0x0000FFFFu);
    EXPECT_EQ(SwapWords(0), 0u);
    struct Octal {
        std::string text;
        std::uint64_t value;
    };
    const std::vector<Octal> octals = {
        {"0000644 ", 420},
        {"777", 511},
        {"12x3", 83},
        {"89", 0},
        {"", 0},
        {" 0 10\0"s, 8},
        {"77777777777", 8589934591ull},
    };
    for (const Octal& o : octals)
        EXPECT_EQ(OctalToInt(o.text), o.value) << o.text;
}

TEST(ArxGlobalsDates, LeapYearAndEncodeDateSafe) {
    struct Leap {
        int year;
        bool leap;
    };
    for (const Leap& l : std::vector<Leap>{
             {1980, true}, {1900, false}, {2000, true}, {2023, false}, {2100, false}, {2400, true}})
        EXPECT_EQ(LeapYear(l.year), l.leap) << l.year;

    struct Case {
        int year, month, day;
        DateTime result;
    };
    const std::vector<Case> cases = {
        {2000, 2, 29, {2000, 2, 29, 0, 0, 0}},
        {9999, 12, 31, {9999, 12, 31, 0, 0, 0}},
        {1, 1, 1, {1, 1, 1, 0, 0, 0}},
        {1900, 2, 29, kArxNoValidDate},
        {0, 1, 1, kArxNoValidDate},
        {10000, 1, 1, kArxNoValidDate},
        {2024, 13, 1, kArxNoValidDate},
        {2024, 0, 1, kArxNoValidDate},
        {2024, 4, 31, kArxNoValidDate},
        {2024, 1, 0, kArxNoValidDate},
    };
    for (const Case& c : cases)
        EXPECT_EQ(EncodeDateSafe(c.year, c.month, c.day), c.result)
            << c.year << "-" << c.month << "-" << c.day;
    EXPECT_EQ(ToIsoText(kArxNoValidDate), "1980-01-01 00:01:00");
}

TEST(ArxGlobalsDates, DosDateTimes) {
    struct Case {
        std::uint32_t value;
        DateTime result;
    };
    const std::vector<Case> cases = {
        {0, kArxNoValidDate},
        {0x00210020, kArxNoValidDate},
        {0x00210000, {1980, 1, 1, 0, 0, 0}},
        {0x285D645C, {2000, 2, 29, 12, 34, 56}},
        {0xFF9FBF7D, {2107, 12, 31, 23, 59, 58}},
        {0x01A10000, kArxNoValidDate},          // month 13
        {0x01A153CA, {1980, 1, 1, 10, 31, 20}}, // month 13 keeps the time of day
        {0x2A5D0000, kArxNoValidDate},          // 2001-02-29
        {0x00200000, kArxNoValidDate},          // day 0
        {0x0021C000, kArxNoValidDate},          // hour 24
        {0x285DC000, kArxNoValidDate},          // hour 24 on a valid date
        {0x00210780, kArxNoValidDate},          // minute 60
        {0x285D001F, kArxNoValidDate},          // 62 seconds
        {0x285D001D, {2000, 2, 29, 0, 0, 58}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DosDateTimeToDateTime(c.value), c.result) << std::hex << c.value;
}

TEST(ArxGlobalsDates, AddMonthsAndMinutes) {
    struct Case {
        int months;
        DateTime from, to;
    };
    const std::vector<Case> cases = {
        {1, {2024, 1, 31, 10, 20, 30}, {2024, 2, 29, 10, 20, 30}},
        {1, {2023, 1, 31, 0, 0, 0}, {2023, 2, 28, 0, 0, 0}},
        {-1, {2024, 3, 31, 0, 0, 0}, {2024, 2, 29, 0, 0, 0}},
        {12, {2023, 5, 15, 0, 0, 0}, {2024, 5, 15, 0, 0, 0}},
        {-13, {2024, 1, 15, 0, 0, 0}, {2022, 12, 15, 0, 0, 0}},
        {11, {2024, 2, 29, 0, 0, 0}, {2025, 1, 29, 0, 0, 0}},
        {0, {2024, 4, 30, 0, 0, 0}, {2024, 4, 30, 0, 0, 0}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AddMonths(c.months, c.from), c.to) << ToIsoText(c.from) << " + " << c.months;
    EXPECT_EQ(AddMinutes({2023, 12, 31, 23, 59, 7}, 1), (DateTime{2024, 1, 1, 0, 0, 7}));
    EXPECT_EQ(AddMinutes({2024, 3, 1, 0, 30, 0}, -60), (DateTime{2024, 2, 29, 23, 30, 0}));
}

TEST(ArxGlobalsDates, DaylightRules) {
    struct Case {
        const TimeZoneInfo* zone;
        DateTime date;
        bool daylight;
    };
    const std::vector<Case> cases = {
        {&kBerlin, {2024, 3, 31, 1, 59, 59}, false}, // last Sunday of March 2024 is the 31st
        {&kBerlin, {2024, 3, 31, 2, 0, 0}, true},
        {&kBerlin, {2024, 3, 24, 12, 0, 0}, false},
        {&kBerlin, {2024, 7, 1, 0, 0, 0}, true},
        {&kBerlin, {2024, 10, 27, 2, 59, 0}, true}, // last Sunday of October 2024 is the 27th
        {&kBerlin, {2024, 10, 27, 3, 0, 0}, false},
        {&kBerlin, {2026, 3, 29, 2, 0, 0}, true},
        {&kBerlin, {2026, 3, 28, 12, 0, 0}, false},
        {&kBerlin, {2024, 1, 15, 12, 0, 0}, false},
        {&kSydney, {2024, 1, 15, 12, 0, 0}, true},
        {&kSydney, {2024, 6, 15, 12, 0, 0}, false},
        {&kSydney, {2024, 10, 6, 1, 59, 0}, false}, // first Sunday of October 2024 is the 6th
        {&kSydney, {2024, 10, 6, 2, 0, 0}, true},
        {&kSydney, {2024, 4, 7, 2, 59, 0}, true}, // first Sunday of April 2024 is the 7th
        {&kSydney, {2024, 4, 7, 3, 0, 0}, false},
        {&kUtc, {2024, 7, 1, 0, 0, 0}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsDaylightTime(c.date, *c.zone), c.daylight) << ToIsoText(c.date);

    const TimeZoneInfo absolute{0, 0, -60, {2024, 9, 0, 1, 0, 0}, {2024, 5, 0, 10, 0, 0}};
    EXPECT_FALSE(IsDaylightTime({2024, 5, 9, 23, 0, 0}, absolute));
    EXPECT_TRUE(IsDaylightTime({2024, 5, 10, 0, 0, 0}, absolute));
    EXPECT_FALSE(IsDaylightTime({2024, 9, 1, 0, 0, 0}, absolute));
}

TEST(ArxGlobalsDates, UtcToLocal) {
    struct Case {
        const TimeZoneInfo* zone;
        DateTime utc, local;
    };
    const TimeZoneInfo newYork{300, 0, -60, {0, 11, 0, 1, 2, 0}, {0, 3, 0, 2, 2, 0}};
    const std::vector<Case> cases = {
        {&kBerlin, {2024, 1, 15, 12, 0, 0}, {2024, 1, 15, 13, 0, 0}},
        {&kBerlin, {2024, 7, 1, 23, 30, 5}, {2024, 7, 2, 1, 30, 5}},
        {&kSydney, {2024, 12, 31, 14, 0, 0}, {2025, 1, 1, 1, 0, 0}},
        {&kSydney, {2024, 6, 1, 0, 0, 0}, {2024, 6, 1, 10, 0, 0}},
        {&newYork, {2024, 1, 1, 3, 0, 0}, {2023, 12, 31, 22, 0, 0}},
        {&newYork, {2024, 7, 1, 3, 0, 0}, {2024, 6, 30, 23, 0, 0}},
        {&kUtc, {2024, 7, 1, 3, 0, 0}, {2024, 7, 1, 3, 0, 0}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(UtcToLocal(c.utc, *c.zone), c.local) << ToIsoText(c.utc);
}

TEST(ArxGlobalsDates, UnixTimes) {
    struct Case {
        std::int64_t seconds;
        DateTime utc;
    };
    const std::vector<Case> cases = {
        {0, kArxNoValidDate},
        {1, {1970, 1, 1, 0, 0, 1}},
        {86400, {1970, 1, 2, 0, 0, 0}},
        {-86400, {1970, 1, 2, 0, 0, 0}},
        {86399, {1970, 1, 1, 23, 59, 59}},
        {951782400, {2000, 2, 29, 0, 0, 0}},
        {951868800, {2000, 3, 1, 0, 0, 0}},
        {1700000000, {2023, 11, 14, 22, 13, 20}},
        {4000000000, {2096, 10, 2, 7, 6, 40}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(UnixTimeToUtcDateTime(c.seconds), c.utc) << c.seconds;
    EXPECT_EQ(UnixTimeToDateTime(0, kBerlin), kArxNoValidDate);
    EXPECT_EQ(UnixTimeToDateTime(1700000000, kBerlin), (DateTime{2023, 11, 14, 23, 13, 20}));
    EXPECT_EQ(UnixTimeToDateTime(1720000000, kBerlin), (DateTime{2024, 7, 3, 11, 46, 40}));
    EXPECT_EQ(UnixTimeToDateTime(1700000000, kSydney), (DateTime{2023, 11, 15, 9, 13, 20}));

    SetArxTimeZone(kBerlin);
    EXPECT_EQ(UnixTimeToDateTime(1720000000), (DateTime{2024, 7, 3, 11, 46, 40}));
    EXPECT_TRUE(IsDaylightTime({2024, 7, 1, 0, 0, 0}));
    EXPECT_EQ(UtcToLocal({2024, 1, 1, 0, 0, 0}), (DateTime{2024, 1, 1, 1, 0, 0}));
    SetArxTimeZone(kUtc);
    EXPECT_EQ(UnixTimeToDateTime(1720000000), (DateTime{2024, 7, 3, 9, 46, 40}));
}

// The platform's rule of a named zone, compared with the weekday rule it keeps.
TEST(ArxGlobalsDates, LocalZoneRule) {
    const char* saved = std::getenv("TZ");
    const std::string savedZone = saved ? saved : "";
    ::setenv("TZ", "Europe/Berlin", 1);
    ::tzset();
    const TimeZoneInfo berlin = LocalTimeZoneInfo();
    ::setenv("TZ", "Australia/Sydney", 1);
    ::tzset();
    const TimeZoneInfo sydney = LocalTimeZoneInfo();
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    const TimeZoneInfo utc = LocalTimeZoneInfo();
    if (saved)
        ::setenv("TZ", savedZone.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();

    auto same = [](const TimeZoneTransition& a, const TimeZoneTransition& b) {
        return a.year == b.year && a.month == b.month && a.dayOfWeek == b.dayOfWeek &&
               a.day == b.day && a.hour == b.hour && a.minute == b.minute;
    };
    EXPECT_EQ(berlin.bias, -60);
    EXPECT_EQ(berlin.daylightBias, -60);
    EXPECT_TRUE(same(berlin.daylightDate, kBerlin.daylightDate));
    EXPECT_TRUE(same(berlin.standardDate, kBerlin.standardDate));
    EXPECT_EQ(sydney.bias, -600);
    EXPECT_EQ(sydney.daylightBias, -60);
    EXPECT_TRUE(same(sydney.daylightDate, kSydney.daylightDate));
    EXPECT_TRUE(same(sydney.standardDate, kSydney.standardDate));
    EXPECT_EQ(utc.bias, 0);
    EXPECT_EQ(utc.standardDate.month, 0);
    EXPECT_FALSE(IsDaylightTime({2024, 7, 1, 0, 0, 0}, utc));
}

TEST(ArxGlobalsMethods, DeflateNames) {
    struct Case {
        std::uint32_t flags;
        std::string name, name64;
    };
    const std::vector<Case> cases = {
        {0, "DeflateN", "Def-64N"}, {2, "DeflateX", "Def-64X"},      {4, "DeflateF", "Def-64F"},
        {6, "DeflateS", "Def-64S"}, {3, "DeflateN", "Def-64N"},      {1, "DeflateN", "Def-64N"},
        {8, "DeflateN", "Def-64N"}, {0xFFFF, "DeflateN", "Def-64N"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DeflateName(c.flags), c.name) << c.flags;
        EXPECT_EQ(Deflate64Name(c.flags), c.name64) << c.flags;
    }
}

TEST(ArxGlobalsMethods, MethodNames) {
    using T = ArxArchiveType;
    const ArxMethodEntry dir{true, 0};
    struct Case {
        ArxArchiveType type;
        int method;
        std::uint32_t flags;
        ArxMethodEntry entry;
        std::string name;
    };
    const std::vector<Case> cases = {
        {T::Ace, 0, 0, {}, "Fastest"},
        {T::Ace, 5, 0, {}, "Lzw"},
        {T::Ace, 6, 0, {}, "Unsupported"},
        {T::Arc, 1, 0, {}, "Stored"},
        {T::Arc, 2, 0, {}, "Stored"},
        {T::Arc, 5, 0, {}, "Crunched"},
        {T::Arc, 7, 0, {}, "Squashed"},
        {T::Arc, 10, 0, {}, "Pack12"},
        {T::Arc, 11, 0, {}, "Stored"},
        {T::Arc, 30, 0, dir, "<Dir>"},
        {T::Arc, 30, 0, {}, "Unsupported"},
        {T::Arc, 0, 0, {}, "Unsupported"},
        {T::Arj, 0, 0, {}, "Stored"},
        {T::Arj, 3, 0, {}, "2nd Fast"},
        {T::Arj, 4, 0, dir, "<Dir>"},
        {T::Arj, 4, 0, {}, "Unsupported"},
        {T::Arj, 1, 0, dir, "Most"},
        {T::Bh, 0, 0, {}, "Stored"},
        {T::Bh, 3, 0, {}, "Fused3"},
        {T::Bh, 8, 2, {}, "DeflateX"},
        {T::Bh, 4, 0, {}, "Unsupported"},
        {T::Cab, 0, 0, {}, "Stored"},
        {T::Cab, 1, 0, {}, "MsZIP"},
        {T::Cab, 0x12, 0, {}, "Quantum"},
        {T::Cab, 3, 0, {}, "Lzx"},
        {T::Cab, 0x15, 0, {}, "Lzx5"},
        {T::Cab, 15, 0, {}, "Lzx15"},
        {T::Gzip, 0, 0, {}, "Stored"},
        {T::Gzip, 8, 0, {}, "Deflate"},
        {T::Gzip, 144, 0, {}, "LzwMAGIC"},
        {T::Gzip, 3, 0, {false, 0x1E1F}, "PackMAGIC"},
        {T::Gzip, 3, 0, {false, 0xA01F}, "LzhMAGIC"},
        {T::Gzip, 3, 0, {false, 0x8B1F}, "Unsupported"},
        {T::Ha, 0, 0, {}, "Cpy"},
        {T::Ha, 2, 0, {}, "HSC"},
        {T::Ha, 14, 0, {}, "<Dir>"},
        {T::Ha, 15, 0, {}, "Special"},
        {T::Ha, 3, 0, {}, "Unsupported"},
        {T::Zip, 0, 0, {}, "Stored"},
        {T::Zip, 1, 0, {}, "Shrunk"},
        {T::Zip, 2, 0, {}, "Reduce-1"},
        {T::Zip, 5, 0, {}, "Reduce-4"},
        {T::Zip, 6, 0, {}, "Imploded"},
        {T::Zip, 7, 0, {}, "Tokened"},
        {T::Zip, 8, 4, {}, "DeflateF"},
        {T::Zip, 9, 6, {}, "Def-64S"},
        {T::Zip, 10, 0, {}, "DCL-implode"},
        {T::Zip, 12, 0, dir, "<Dir>"},
        {T::Zip, 12, 0, {}, "Unsupported"},
        {T::Jar, 8, 3, {}, "DeflateN"},
        {T::Lha, '0', 0, {}, "Stored"},
        {T::Lha, '5', 0, {}, "Frozen-5"},
        {T::Lzh, '7', 0, {}, "Frozen-7"},
        {T::Lzh, '8', 0, {}, "Unsupported"},
        {T::Lha, 100, 0, {}, "<Dir>"},
        {T::Pak, 2, 0, {}, "Stored"},
        {T::Pak, 3, 0, {}, "RLE"},
        {T::Pak, 4, 0, {}, "Squeezed"},
        {T::Pak, 7, 0, {}, "FixedLen"},
        {T::Pak, 8, 0, {}, "Varible"},
        {T::Pak, 9, 0, {}, "Varible"},
        {T::Pak, 10, 0, {}, "Crushed"},
        {T::Pak, 11, 0, {}, "Distill"},
        {T::Pak, 1, 0, {}, "Unsupported"},
        {T::Rar, '0', 0, {}, "Stored"},
        {T::Rar, '3', 0, {}, "Normal"},
        {T::Rar, '5', 0, {}, "Best"},
        {T::Rar, '3', 0, dir, "<Dir>"},
        {T::Rar, 3, 0, {}, "Unsupported"},
        {T::Tar, 0, 0, {}, "Tarred"},
        {T::Tar, 53, 0, dir, "<Dir>"},
        {T::Tar, 53, 0, {}, "Unsupported"},
        {T::Zoo, 0, 0, {}, "Stored"},
        {T::Zoo, 2, 0, {}, "Greatest"},
        {T::Zoo, 3, 0, {}, "Unsupported"},
        {T::Unknown, 0, 0, {}, "Unsupported"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "kind " << static_cast<int>(c.type) << " method " << c.method);
        EXPECT_EQ(GetMethodName(c.type, c.method, c.flags, c.entry), c.name);
    }
}

// Every detected kind names its methods by its family's table; the component's
// own GetMethodName reads its own ArcType, so two components of different kinds
// name the same method value each by its own table.
TEST(ArxGlobalsMethods, EachKindNamesByItsFamily) {
    using T = ArxArchiveType;
    const std::vector<std::pair<TArcType, T>> kinds = {
        {atNA, T::Unknown},
        {atUnsupported, T::Unknown},
        {atFileOpenErr, T::Unknown},
        {atUnknown, T::Unknown},
        {atAce, T::Ace},
        {atAceExe, T::Ace},
        {atArc, T::Arc},
        {atArcExe, T::Arc},
        {atArj, T::Arj},
        {atArjExe, T::Arj},
        {atBh, T::Bh},
        {atBhExe, T::Bh},
        {atCab, T::Cab},
        {atCabExe, T::Cab},
        {atGZip, T::Gzip},
        {atHA, T::Ha},
        {atJar, T::Jar},
        {atJarExe, T::Jar},
        {atLha, T::Lha},
        {atLhaExe, T::Lha},
        {atLzh, T::Lzh},
        {atLzhExe, T::Lzh},
        {atMsGZ, T::Gzip},
        {atPak, T::Pak},
        {atPakExe, T::Pak},
        {atRar, T::Rar},
        {atRarExe, T::Rar},
        {atTar, T::Tar},
        {atTarGZip, T::Gzip},
        {atUUE, T::Unknown},
        {atZip, T::Zip},
        {atZipExe, T::Zip},
        {atZipDS, T::Zip},
        {atZipMV, T::Zip},
        {atZoo, T::Zoo},
    };
    ASSERT_EQ(kinds.size(), static_cast<std::size_t>(kArcTypeCount));
    for (const auto& [kind, family] : kinds) {
        SCOPED_TRACE(kArcTypeNames[kind]);
        EXPECT_EQ(MethodKindOf(kind), family);
    }
    TZipCommon zip, pak;
    zip.ArcType = atZipMV;
    pak.ArcType = atPakExe;
    EXPECT_EQ(zip.GetMethodName(2, 0), "Reduce-1");
    EXPECT_EQ(pak.GetMethodName(2, 0), "Stored");
    EXPECT_EQ(zip.GetMethodName(12, 0, {true, 0}), "<Dir>");
    TZipCommon none;
    EXPECT_EQ(none.GetMethodName(0, 0), "Unsupported");
}

TEST(ArxHelpersRar, UnicodeNames) {
    struct Case {
        std::string ansi, encoded;
        std::size_t maxLength;
        std::u16string wide;
    };
    const std::vector<Case> cases = {
        {"abc", "\x00\xC0\x01"s, 10, u"abc"},                               // copy of the ANSI name
        {"??????", "\x04\x55\x1F\x40\x38\x32\x50\x35\x42"s, 20, u"Привет"}, // low bytes + high byte
        {"A?", "\x00\x20\x41\xAC\x20"s, 10, u"A€"},                         // one byte, two bytes
        {"abc", "\x04\xC0\x81\x10"s, 10, u"\u0471\u0472\u0473"},            // ANSI + correction
        {"??????", "\x04\x55\x1F\x40\x38\x32\x50\x35\x42"s, 3, u"Пр"}, // limit: last one replaced
        {"abcdef", "\x00\xC0\x7F"s, 5, u"abcd"},                       // run cut by the limit
        {"ab", "\x00\x30\x61\x80\x02"s, 10, u"ad\u0002"}, // 0, then 3 with correction, high byte 0
        {"x", "\x00"s, 10, u""},
        {"x", ""s, 10, u""},
        {"abc", "\x00\xC0\x01"s, 0, u""},
        {"ab", "\x00\x80\x41"s, 10, u""}, // truncated two-byte character
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        EXPECT_EQ(DecodeRarUnicodeName(c.ansi, c.encoded, c.maxLength), c.wide) << "case " << i;
    }
    const std::string field = "abc\0"s + "\x00\xC0\x01"s;
    EXPECT_EQ(ConvertRarUnicodeName(field), u"abc");
    EXPECT_EQ(ConvertRarUnicodeName(field, field.size()), u"abc");
    EXPECT_EQ(ConvertRarUnicodeName("plain"), u"");
    // The 512-character ceiling.
    std::string longField = std::string(600, 'n') + "\0\x00"s;
    longField += "\xFF\x7F\x7F\x7F\x7F"s; // four runs of 129 copied characters
    const std::u16string longName = ConvertRarUnicodeName(longField);
    EXPECT_EQ(longName.size(), 511u);
    EXPECT_EQ(longName, std::u16string(511, u'n'));
}

} // namespace
} // namespace sorvane
