// Tests of the string manager: class words, positions (1-based bytes), padding
// and right parts (characters), digit filtering, backslashes and tokens.
#include "catalogue/format/StringManager.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace sorvane {
namespace {

const TStringManager& sm = StringManager();

TEST(StringManagerClass, ClassWordsOfAsciiAndBeyond) {
    constexpr std::uint16_t kUpperA = kClassUpper | kClassAsciiUpper;
    constexpr std::uint16_t kLowerA = kClassLower | kClassAsciiLower;
    constexpr std::uint16_t kDigitWord =
        kClassDigit | kClassSignedDigit | kClassNumberChar | kClassFloatChar;
    constexpr std::uint16_t kSign = kClassPunctuation | kClassSignedDigit | kClassNumberChar |
                                    kClassFloatChar | kClassNonAlnumAscii;
    constexpr std::uint16_t kPoint =
        kClassPunctuation | kClassNumberChar | kClassFloatChar | kClassNonAlnumAscii;
    constexpr std::uint16_t kSymbol = kClassPunctuation | kClassNonAlnumAscii;
    struct Case {
        char32_t c;
        std::uint16_t word;
    };
    const std::vector<Case> cases = {
        {U'A', kUpperA},
        {U'Z', kUpperA},
        {U'E', kUpperA | kClassFloatChar},
        {U'a', kLowerA},
        {U'e', kLowerA | kClassFloatChar},
        {U'0', kDigitWord},
        {U'9', kDigitWord},
        {U'+', kSign},
        {U'-', kSign},
        {U',', kPoint},
        {U'.', kPoint},
        {U'!', kSymbol},
        {U'/', kSymbol},
        {U':', kSymbol},
        {U'@', kSymbol},
        {U'[', kSymbol},
        {U'_', kSymbol},
        {U'`', kClassPunctuation}, // 96 lies between the ranges 91-95 and 123-126
        {U'{', kSymbol},
        {U'~', kSymbol},
        {U' ', kClassNonAlnumAscii},
        {U'\t', kClassNonAlnumAscii | kClassControl},
        {U'\x1F', kClassNonAlnumAscii | kClassControl},
        {0, kClassControl},
        {0x7F, 0},
        {U'É', kClassUpper},
        {U'é', kClassLower},
        {U'ñ', kClassLower},
        {U'Ω', kClassUpper},
        {U'¿', kClassPunctuation},
        {U'€', kClassPunctuation},
        {U'\u00A0', 0},
        {U'中', 0}, // a letter of neither case
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "U+" << std::hex << static_cast<std::uint32_t>(c.c));
        EXPECT_EQ(sm.ClassOf(c.c), c.word);
    }
}

// The table maps the characters of Windows-1252 to their capitals there;
// characters outside the code page, or whose capital is outside it, stay.
TEST(StringManagerUpper, MakeUpperAndUpperCharThroughTheCodePageTable) {
    EXPECT_EQ(sm.MakeUpper("café ñ š œ ž 42"), "CAFÉ Ñ Š Œ Ž 42");
    EXPECT_EQ(sm.MakeUpper("ǆ ω я"), "ǆ ω я");
    EXPECT_EQ(sm.MakeUpper("caf\xE9"), "CAFÉ"); // Windows-1252 in, UTF-8 out
    EXPECT_EQ(sm.MakeUpper(""), "");
    EXPECT_EQ(sm.UpperChar(U'a'), U'A');
    EXPECT_EQ(sm.UpperChar(U'1'), U'1');
    EXPECT_EQ(sm.UpperChar(U'ÿ'), U'Ÿ');
    EXPECT_EQ(sm.UpperChar(U'µ'), U'µ'); // its capital, Greek Mu, is not in the code page
    EXPECT_EQ(sm.UpperChar(U'ß'), U'ß');
    EXPECT_EQ(sm.UpperChar(U'ω'), U'ω');
}

TEST(StringManagerUpper, FoldingUpperCharFollowsTheMode) {
    ASSERT_TRUE(TableUpperCase()); // the default
    EXPECT_EQ(FoldingUpperChar(U'é'), U'É');
    EXPECT_EQ(FoldingUpperChar(U'ω'), U'ω');
    SetTableUpperCase(false);
    EXPECT_EQ(FoldingUpperChar(U'é'), U'É');
    EXPECT_EQ(FoldingUpperChar(U'ω'), U'Ω');
    EXPECT_EQ(FoldingUpperChar(U'z'), U'Z');
    SetTableUpperCase(true);
    EXPECT_EQ(FoldingUpperChar(U'ω'), U'ω');
}

struct PosCase {
    std::string pattern;
    std::string text;
    std::ptrdiff_t start;
    std::size_t expected;
};

TEST(StringManagerPositions, PosFromSearchesFromAOneBasedByte) {
    const std::vector<PosCase> cases = {
        {"b", "abcabc", 1, 2},   {"b", "abcabc", 2, 2},   {"b", "abcabc", 3, 5},
        {"b", "abcabc", 5, 5},   {"b", "abcabc", 6, 0},   {"b", "abcabc", 7, 0},
        {"b", "abcabc", 100, 0}, {"b", "abcabc", 0, 2},   {"b", "abcabc", -5, 2},
        {"bc", "abcabc", 3, 5},  {"abc", "abcabc", 1, 1}, {"x", "abc", 1, 0},
        {"abc", "ab", 1, 0},     {"", "abc", 1, 0},       {"a", "", 1, 0},
        {"é", "aéb", 1, 2},      {"b", "aéb", 1, 4},
    };
    for (const PosCase& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << '"' << c.pattern << "\" in \"" << c.text << "\" from " << c.start);
        EXPECT_EQ(sm.PosFrom(c.pattern, c.text, c.start), c.expected);
    }
}

TEST(StringManagerPositions, CharPosFromAndLastCharPos) {
    const std::vector<PosCase> cases = {
        {"\\", "a\\b\\c", 1, 2},  {"\\", "a\\b\\c", 3, 4}, {"\\", "a\\b\\c", 4, 4},
        {"\\", "a\\b\\c", 5, 0},  {"\\", "a\\b\\c", 6, 0}, {"\\", "a\\b\\c", 0, 2},
        {"\\", "a\\b\\c", -1, 2}, {"x", "abc", 1, 0},      {"x", "", 1, 0},
        {"b", "éb", 1, 3},
    };
    for (const PosCase& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "'" << c.pattern << "' in \"" << c.text << "\" from " << c.start);
        EXPECT_EQ(sm.CharPosFrom(c.pattern[0], c.text, c.start), c.expected);
    }

    EXPECT_EQ(sm.LastCharPos('\\', "a\\b\\"), 4u);
    EXPECT_EQ(sm.LastCharPos('a', "abc"), 1u);
    EXPECT_EQ(sm.LastCharPos('x', "abc"), 0u);
    EXPECT_EQ(sm.LastCharPos('x', ""), 0u);
    EXPECT_EQ(sm.LastCharPos('b', "aéb"), 4u);
}

struct PadCase {
    std::string text;
    std::size_t width;
    char fill;
    std::string right;
    std::string left;
};

TEST(StringManagerPad, PadRightAndPadLeftCountCharacters) {
    const std::vector<PadCase> cases = {
        {"ab", 5, '.', "ab...", "...ab"},
        {"7", 3, '0', "700", "007"},
        {"abc", 3, ' ', "abc", "abc"},
        {"abcdef", 3, ' ', "abcdef", "abcdef"}, // longer texts come back unchanged
        {"", 2, '0', "00", "00"},
        {"abc", 0, '*', "abc", "abc"},
        {"añ", 4, '*', "añ**", "**añ"}, // "ñ" is one character of two bytes
        {"€", 2, ' ', "€ ", " €"},
        {"a\xF1", 4, '*', "a\xF1**", "**a\xF1"}, // Windows-1252 bytes kept as they are
    };
    for (const PadCase& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.text << "\" width " << c.width);
        EXPECT_EQ(sm.PadRight(c.text, c.width, c.fill), c.right);
        EXPECT_EQ(sm.PadLeft(c.text, c.width, c.fill), c.left);
    }
}

TEST(StringManagerRightStr, LastCharactersNeverSplitASequence) {
    struct Case {
        std::string text;
        std::size_t n;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"abcdef", 2, "ef"}, {"abc", 3, "abc"}, {"abc", 5, "abc"},
        {"abc", 0, ""},      {"", 2, ""},       {"mañana", 4, "ñana"},
        {"€€€", 2, "€€"},    {"a😀", 1, "😀"},    {"ni\xF1os", 3, "\xF1os"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.text << "\" n " << c.n);
        EXPECT_EQ(sm.RightStr(c.text, c.n), c.expected);
    }
}

TEST(StringManagerKeep, KeepDigitsAndKeepCharsOfClass) {
    EXPECT_EQ(sm.KeepDigits("Tel: +34 912-345"), "34912345");
    EXPECT_EQ(sm.KeepDigits("sin cifras"), "");
    EXPECT_EQ(sm.KeepDigits(""), "");
    EXPECT_EQ(sm.KeepDigits("١٢٣ 4"), "4");    // the digit class is "0"-"9" only
    EXPECT_EQ(sm.KeepDigits("1\xB2 2"), "12"); // Windows-1252 superscript two dropped

    EXPECT_EQ(sm.KeepCharsOfClass("Año Ñu Élan", kClassUpper), "AÑÉ");
    EXPECT_EQ(sm.KeepCharsOfClass("Año Ñu Élan", kClassAsciiUpper), "A");
    EXPECT_EQ(sm.KeepCharsOfClass("a1B2é-", kClassDigit | kClassAsciiLower), "a12");
    EXPECT_EQ(sm.KeepCharsOfClass("-1.5e+3 kg", kClassFloatChar), "-1.5e+3");
    EXPECT_EQ(sm.KeepCharsOfClass("a\tb\nc", kClassControl), "\t\n");
    EXPECT_EQ(sm.KeepCharsOfClass("abc", 0), "");
}

TEST(StringManagerAddBackslash, OnlyWhenMissing) {
    EXPECT_EQ(sm.AddBackslash(""), "");
    EXPECT_EQ(sm.AddBackslash("C:"), "C:\\");
    EXPECT_EQ(sm.AddBackslash("C:\\"), "C:\\");
    EXPECT_EQ(sm.AddBackslash("\\Fotos\\2001"), "\\Fotos\\2001\\");
    EXPECT_EQ(sm.AddBackslash("\\"), "\\");
}

TEST(StringManagerSplitToken, TokenBeforeTheSeparatorAndTheRestAfterIt) {
    struct Case {
        std::string rest;
        bool skipLeading;
        std::string token;
        std::string restAfter;
    };
    const std::vector<Case> cases = {
        {"a,b,c", false, "a", "b,c"},
        {"a,b,c", true, "a", "b,c"},
        {",a,b", true, "a", "b"},
        {",a,b", false, "", "a,b"},
        {",,a", true, "", "a"}, // only one leading separator is
                                // skipped
        {"abc", false, "abc", ""},
        {"a,", false, "a", ""},
        {",", true, "", ""},
        {"", false, "", ""},
        {"", true, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.rest << "\" skip " << c.skipLeading);
        std::string rest = c.rest;
        std::string token = "old";
        sm.SplitToken(',', rest, token, c.skipLeading);
        EXPECT_EQ(token, c.token);
        EXPECT_EQ(rest, c.restAfter);
    }
}

TEST(StringManagerSplitToken, WalksAPathElementByElement) {
    std::string rest = "\\Fotos\\2001\\Año nuevo";
    std::vector<std::string> tokens;
    while (!rest.empty()) {
        std::string token;
        sm.SplitToken('\\', rest, token, true);
        tokens.push_back(token);
    }
    EXPECT_EQ(tokens, (std::vector<std::string>{"Fotos", "2001", "Año nuevo"}));
}

} // namespace
} // namespace sorvane
