// Tests of the shared text routines: padding, Spanish upper-casing, thousands,
// the whole-word test, durations and the small parsers. Windows-1252 inputs are
// written as "\x.." escapes; everything else in the literals is UTF-8.
#include "catalogue/format/TextUtils.h"

#include "catalogue/format/FormatError.h"
#include "platform/Locale.h"

#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <vector>

namespace sorvane {
namespace {

struct PadCase {
    std::string text;
    std::size_t width;
    std::string expected;
};

TEST(TextUtilsPad, RightToWidthPadsOrCutsWithoutSplittingACharacter) {
    const std::vector<PadCase> cases = {
        {"ab", 4, "ab  "},
        {"abc", 3, "abc"},
        {"abcdef", 3, "abc"},
        {"", 2, "  "},
        {"abc", 0, ""},
        {"aé", 3, "aé"},   // "é" is two bytes: fits exactly
        {"aé", 2, "a "},   // would split "é": cut before it, then pad
        {"€uro", 2, "  "}, // a three-byte character never fits in two
        {"€uro", 4, "€u"},
        {"caf\xE9", 4, "caf\xE9"}, // a Windows-1252 byte is one character
        {"caf\xE9s", 4, "caf\xE9"},
    };
    for (const PadCase& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.text << "\" width " << c.width);
        const std::string padded = PadRightToWidth(c.text, c.width);
        EXPECT_EQ(padded, c.expected);
        EXPECT_EQ(padded.size(), c.width);
    }
}

TEST(TextUtilsPad, LeftToWidthWorksOnPlainBytes) {
    const std::vector<PadCase> cases = {
        {"12345", 3, "123"}, {"42", 5, "   42"},       {"", 3, "   "}, {"abc", 3, "abc"},
        {"abc", 0, ""},      {"\xC3\xA9x", 1, "\xC3"}, // number fields are bytes: no character rule
    };
    for (const PadCase& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.text << "\" width " << c.width);
        EXPECT_EQ(PadLeftToWidth(c.text, c.width), c.expected);
    }
}

TEST(TextUtilsReplace, ReplaceCharAndRemoveChars) {
    EXPECT_EQ(ReplaceChar("C:/Fotos/2001", '/', '\\'), "C:\\Fotos\\2001");
    EXPECT_EQ(ReplaceChar("abc", 'x', 'y'), "abc");
    EXPECT_EQ(ReplaceChar("", 'a', 'b'), "");

    EXPECT_EQ(RemoveChars("1,234.567", ",."), "1234567");
    EXPECT_EQ(RemoveChars("1,234", ""), "1,234");
    EXPECT_EQ(RemoveChars(",.,.", ",."), "");
    EXPECT_EQ(RemoveChars("", ",."), "");
}

struct MapCase {
    std::string text;
    std::string expected;
};

TEST(TextUtilsUpperCaseSpanish, AsciiAndSpanishLettersOnly) {
    const std::vector<MapCase> cases = {
        {"Hello, World 123", "HELLO, WORLD 123"},
        {"año pequeño", "AÑO PEQUEÑO"},
        {"áéíóúü", "ÁÉÍÓÚÜ"},
        {"ÁÑÜ", "ÁÑÜ"},
        {"àçøãß", "àçøãß"},  // other accented letters stay as they are
        {"ni\xF1o", "NIÑO"}, // Windows-1252 in, UTF-8 out
        {"\xE0", "à"},
        {"", ""},
    };
    for (const MapCase& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(UpperCaseSpanish(c.text), c.expected);
    }
}

TEST(TextUtilsCapitalizeFirst, UpperCasesOnlyTheFirstCharacter) {
    const std::vector<MapCase> cases = {
        {"hola mundo", "Hola mundo"},
        {"élan", "Élan"},
        {"ñu", "Ñu"},
        {"αβγ", "αβγ"}, // beyond the code page of the upper-case table
        {"1abc", "1abc"},
        {"Ya", "Ya"},
        {"\xE9t\xE9", "Été"}, // Windows-1252 in, UTF-8 out
    };
    for (const MapCase& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(CapitalizeFirst(c.text), c.expected);
    }
    EXPECT_THROW(CapitalizeFirst(""), EInternalError);
}

TEST(TextUtilsFormatThousands, GroupsOfThreeWithTheGivenSeparator) {
    struct Case {
        std::int64_t value;
        std::string separator;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {0, ",", "0"},
        {999, ",", "999"},
        {1000, ",", "1,000"},
        {1234567, ",", "1,234,567"},
        {-999, ",", "-999"},
        {-1000, ",", "-1,000"},
        {-1234567, ",", "-1,234,567"},
        {std::numeric_limits<std::int64_t>::max(), ",", "9,223,372,036,854,775,807"},
        {std::numeric_limits<std::int64_t>::min(), ",", "-9,223,372,036,854,775,808"},
        {1000000, ".", "1.000.000"},
        {1234, "\u202F", "1\u202F234"}, // a multi-byte separator, as some locales use
        {1234, "", "1234"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(FormatThousands(c.value, c.separator), c.expected);
    }
}

TEST(TextUtilsFormatThousands, DefaultUsesTheLocaleSeparator) {
    // The tests run under LC_ALL=C, whose locale has no separator: "," stands in.
    EXPECT_EQ(ThousandsSeparator(), ",");
    EXPECT_EQ(FormatThousands(4768123), "4,768,123");
}

TEST(TextUtilsIsWordChar, LettersDigitsMarksColonAndSemicolon) {
    struct Case {
        char32_t c;
        bool word;
    };
    const std::vector<Case> cases = {
        {U'0', true},       {U'9', true},  {U':', true},  {U';', true},  {U'A', true},
        {U'Z', true},       {U'a', true},  {U'z', true},  {U'/', false}, {U'<', false},
        {U'@', false},      {U'[', false}, {U'`', false}, {U'{', false}, {U' ', false},
        {U'-', false},      {U'_', false}, {U'.', false}, {0, false},    {U'é', true},
        {U'Ñ', true},       {U'ß', true},  {U'α', true},  {U'中', true}, {U'\u0661', true},
        {U'\u0301', true},                 // combining acute accent
        {U'\u00A0', false},                // no-break space
        {U'\u2014', false},                // em dash
        {U'¿', false},      {U'²', false}, // superscript two is not a decimal digit
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "U+" << std::hex << static_cast<std::uint32_t>(c.c));
        EXPECT_EQ(IsWordChar(c.c), c.word);
    }
}

TEST(TextUtilsIsWholeWord, ChecksTheCharactersAroundTheMatch) {
    struct Case {
        std::string text;
        std::size_t start;
        std::size_t stop;
        bool whole;
    };
    const std::vector<Case> cases = {
        {"the cat sat", 5, 7, true}, {"the cats", 5, 7, false},
        {"bobcat", 4, 6, false},     {"cat", 1, 3, true},
        {"cat", 1, 10, true}, // stop beyond the end
        {"cat, dog", 1, 3, true},    {"(cat)", 2, 4, true},
        {"cat:", 1, 3, false}, // ":" and ";" belong to words
        {"cat;x", 1, 3, false},      {":cat", 2, 4, false},
        {"café", 1, 3, false},       // precomposed U+00E9 after the match
        {"cafe\u0301", 1, 4, false}, // a combining accent keeps the word going
        {"écat", 3, 5, false},       // the whole two-byte character before is read
        {"中cat", 4, 6, false},      // a letter whose last byte alone is no letter
        {"\u201Acat", 4, 6, true},   // a quote mark whose last byte alone reads as "š"
        {"cat中", 1, 3, false},      {"cat\u201A", 1, 3, true},
        {"caf\xE9", 1, 3, false}, // Windows-1252 letter after
        {"\xE9tat", 2, 4, false}, // and before
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.text << "\" " << c.start << ".." << c.stop);
        EXPECT_EQ(IsWholeWord(c.text, c.start, c.stop), c.whole);
    }
}

TEST(TextUtilsDurationToSeconds, MinutesSecondsAndHoursMinutesSeconds) {
    struct Case {
        std::string text;
        std::int64_t seconds;
    };
    const std::vector<Case> cases = {
        {"1:02:03", 3723}, {"2:05", 125},    {"0:00", 0},         {"00:59", 59},
        {"0:90", 90},      {"100:00", 6000}, {"10:00:00", 36000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(DurationToSeconds(c.text), c.seconds);
    }
}

TEST(TextUtilsDurationToSeconds, MalformedTextsRaiseWithAnEmptyMessage) {
    const std::vector<std::string> malformed = {
        "",     "5",   "1:2:3:4", "1:a",    "a:1",   "1:-2",   " 1:02", "1:02 ",
        "1::2", ":05", "2:",      "1.5:00", "+1:00", "1,5:00", ":",     "1:02:",
    };
    for (const std::string& text : malformed) {
        SCOPED_TRACE(text);
        try {
            DurationToSeconds(text);
            ADD_FAILURE() << "no exception";
        } catch (const EConvertError& e) {
            EXPECT_STREQ(e.what(), "");
        }
    }
}

TEST(TextUtilsParte2ToInteger, SplitsAtTheFirstSeparator) {
    struct Case {
        char separator;
        std::string text;
        int first;
        int second;
    };
    const std::vector<Case> cases = {
        {'x', "12x34", 12, 34},
        {'/', "-3/7", -3, 7},
        {'/', "0/0", 0, 0},
        {'/', " 12 / 34 ", 12, 34},
        {':', "2147483647:-2147483648", 2147483647, -2147483647 - 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        int first = -99;
        int second = -99;
        Parte2ToInteger(c.separator, c.text, first, second);
        EXPECT_EQ(first, c.first);
        EXPECT_EQ(second, c.second);
    }
}

TEST(TextUtilsParte2ToInteger, RaisesWithoutSeparatorOrForNonIntegers) {
    int first = 0;
    int second = 0;
    try {
        Parte2ToInteger('/', "1234", first, second);
        ADD_FAILURE() << "no exception";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "Parte2ToInteger(): separator not found");
    }
    const std::vector<std::string> bad = {"a/5",   "5/b",   "/5",           "5/",
                                          "1:2/3", "1/2/3", "3000000000/1", "1/-2147483649"};
    for (const std::string& text : bad) {
        SCOPED_TRACE(text);
        EXPECT_THROW(Parte2ToInteger('/', text, first, second), EConvertError);
    }
    // ":" splits at the first one, leaving "20:30" as the second part.
    EXPECT_THROW(Parte2ToInteger(':', "10:20:30", first, second), EConvertError);
}

TEST(TextUtilsParseInteger, WholeDecimalTextsOnly) {
    struct Case {
        std::string text;
        std::int64_t value;
    };
    const std::vector<Case> good = {
        {"0", 0},
        {"42", 42},
        {" 42 ", 42},
        {"+7", 7},
        {"-12", -12},
        {"007", 7},
        {"9223372036854775807", std::numeric_limits<std::int64_t>::max()},
        {"-9223372036854775808", std::numeric_limits<std::int64_t>::min()},
    };
    for (const Case& c : good) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParseInteger(c.text), c.value);
    }
    const std::vector<std::string> bad = {"",  "   ", "4 2", "12a", "0x10", "1.5",
                                          "-", "+",   "+-1", "--1", "+ 1",  "9223372036854775808"};
    for (const std::string& text : bad) {
        SCOPED_TRACE(text);
        EXPECT_THROW(ParseInteger(text), EConvertError);
    }
}

TEST(TextUtilsStringToRecord, CopiesExactlyTheRecordSize) {
    char record[4] = {'-', '-', '-', '-'};
    StringToRecord(std::string("ab\0d", 4), record, sizeof record);
    EXPECT_EQ(std::memcmp(record, "ab\0d", 4), 0);

    const char before[4] = {record[0], record[1], record[2], record[3]};
    for (const std::string& wrong : {std::string("abc"), std::string("abcde"), std::string()}) {
        SCOPED_TRACE(wrong);
        try {
            StringToRecord(wrong, record, sizeof record);
            ADD_FAILURE() << "no exception";
        } catch (const EInternalError& e) {
            EXPECT_EQ(std::string(e.what()), "StringToRecord: " + InternalErrorWord());
        }
        EXPECT_EQ(std::memcmp(record, before, 4), 0) << "record touched on error";
    }
    StringToRecord("", nullptr, 0);
}

TEST(TextUtilsStringToRecord, MessageFollowsTheLanguageWord) {
    const std::string saved = InternalErrorWord();
    InternalErrorWord() = "error interno";
    char record[2];
    try {
        StringToRecord("x", record, sizeof record);
        ADD_FAILURE() << "no exception";
    } catch (const EInternalError& e) {
        EXPECT_STREQ(e.what(), "StringToRecord: error interno");
    }
    InternalErrorWord() = saved;
}

TEST(TextUtilsPositions, LastCharPositionAndExtractFolderPath) {
    EXPECT_EQ(LastCharPosition('\\', "a\\b\\c"), 4u);
    EXPECT_EQ(LastCharPosition('a', "abc"), 1u);
    EXPECT_EQ(LastCharPosition('c', "abc"), 3u);
    EXPECT_EQ(LastCharPosition('x', "abc"), 0u);
    EXPECT_EQ(LastCharPosition('x', ""), 0u);
    EXPECT_EQ(LastCharPosition('b', "éb"), 3u); // byte positions

    const std::vector<MapCase> folders = {
        {"C:\\Fotos\\2001\\img.jpg", "C:\\Fotos\\2001\\"},
        {"C:\\Fotos\\", "C:\\Fotos\\"},
        {"\\", "\\"},
        {"img.jpg", ""},
        {"", ""},
    };
    for (const MapCase& c : folders) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ExtractFolderPath(c.text), c.expected);
    }
}

} // namespace
} // namespace sorvane
