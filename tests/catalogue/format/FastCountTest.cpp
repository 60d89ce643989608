// Tests of the Horspool search and occurrence counting: the skip tables, the
// search checked against std::string_view::find on random texts, and counting
// with and without case (the counting folds any letter, the search ASCII only).
#include "catalogue/format/FastCount.h"

#include "catalogue/format/FormatError.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace sorvane {
namespace {

constexpr std::size_t npos = std::string_view::npos;

std::size_t Entry(const SkipTable& table, char c) {
    return table[static_cast<unsigned char>(c)];
}

TEST(FastCountSkipTable, EntriesAreDistancesFromTheLastCharacter) {
    const SkipTable table = MakeSkipTable("abcab");
    EXPECT_EQ(Entry(table, 'a'), 1u); // its later occurrence (index 3) wins
    EXPECT_EQ(Entry(table, 'b'), 3u); // the final "b" does not count
    EXPECT_EQ(Entry(table, 'c'), 2u);
    EXPECT_EQ(Entry(table, 'A'), 5u);
    EXPECT_EQ(Entry(table, 'z'), 5u);
    EXPECT_EQ(table[0], 5u);
    EXPECT_EQ(table[255], 5u);

    const SkipTable last = MakeSkipTable("xy");
    EXPECT_EQ(Entry(last, 'x'), 1u);
    EXPECT_EQ(Entry(last, 'y'), 2u);

    for (std::size_t entry : MakeSkipTable("a"))
        EXPECT_EQ(entry, 1u);
}

TEST(FastCountSkipTable, NoCaseTableIsIndexedByTheUpperCasedCharacter) {
    const SkipTable table = MakeSkipTableNoCase("aBc");
    EXPECT_EQ(Entry(table, 'A'), 2u);
    EXPECT_EQ(Entry(table, 'B'), 1u);
    EXPECT_EQ(Entry(table, 'a'), 3u);
    EXPECT_EQ(Entry(table, 'b'), 3u);
    EXPECT_EQ(Entry(table, 'C'), 3u);
    EXPECT_EQ(Entry(table, 'c'), 3u);
}

TEST(FastCountSkipTable, EmptyPatternRaises) {
    for (auto make : {&MakeSkipTable, &MakeSkipTableNoCase}) {
        try {
            make("");
            ADD_FAILURE() << "no exception";
        } catch (const EInternalError& e) {
            EXPECT_STREQ(e.what(), "BufferLen is 0");
        }
    }
}

TEST(FastCountFind, EdgesOfTheSearchWindow) {
    struct Case {
        std::string text;
        std::string pattern;
        std::size_t from;
        std::size_t expected;
    };
    const std::vector<Case> cases = {
        {"abcabc", "abc", 0, 0},    {"abcabc", "abc", 1, 3},    {"abcabc", "abc", 3, 3},
        {"abcabc", "abc", 4, npos}, {"abcabc", "abc", 6, npos}, {"abcabc", "abc", 99, npos},
        {"xxabc", "abc", 0, 2}, // match at the very end
        {"ab", "abc", 0, npos}, // pattern longer than the text
        {"", "a", 0, npos},         {"aaa", "a", 2, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << '"' << c.pattern << "\" in \"" << c.text << "\" from " << c.from);
        EXPECT_EQ(FindPattern(c.text, c.pattern, MakeSkipTable(c.pattern), c.from), c.expected);
    }
    const std::string binary("a\0b\0b", 5);
    const std::string pattern("\0b", 2);
    EXPECT_EQ(FindPattern(binary, pattern, MakeSkipTable(pattern), 0), 1u);
    EXPECT_EQ(FindPattern(binary, pattern, MakeSkipTable(pattern), 2), 3u);
}

TEST(FastCountFind, NoCaseFoldsAsciiLettersOnly) {
    const auto find = [](std::string_view text, std::string_view pattern) {
        return FindPatternNoCase(text, pattern, MakeSkipTableNoCase(pattern));
    };
    EXPECT_EQ(find("Hello WORLD", "world"), 6u);
    EXPECT_EQ(find("Hello WORLD", "HELLO"), 0u);
    EXPECT_EQ(find("CAFé", "café"), 0u);
    EXPECT_EQ(find("CAFÉ", "café"), npos); // "É" and "é" differ in their bytes
    EXPECT_EQ(find("a[b", "A{B"), npos);   // "[" and "{" are not a case pair
}

// Random texts over a small alphabet, so that partial matches are frequent.
std::string RandomText(std::mt19937& rng, std::string_view alphabet, std::size_t maxLength) {
    std::uniform_int_distribution<std::size_t> length(0, maxLength);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::string out(length(rng), ' ');
    for (char& c : out)
        c = alphabet[pick(rng)];
    return out;
}

std::string AsciiUpper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return s;
}

std::size_t NaiveCount(std::string_view text, std::string_view pattern) {
    std::size_t count = 0;
    for (std::size_t at = text.find(pattern); at != npos;
         at = text.find(pattern, at + pattern.size()))
        ++count;
    return count;
}

TEST(FastCountFind, AgreesWithStdFindOnRandomTexts) {
    std::mt19937 rng(20240611);
    const std::string alphabet = std::string("abAB\xC3\xA9\0", 7);
    for (int round = 0; round < 3000; ++round) {
        const std::string text = RandomText(rng, alphabet, 40);
        std::string pattern = RandomText(rng, alphabet, 5);
        if (pattern.empty()) pattern = "a";
        const SkipTable table = MakeSkipTable(pattern);
        const SkipTable noCase = MakeSkipTableNoCase(pattern);
        const std::string upperText = AsciiUpper(text);
        const std::string upperPattern = AsciiUpper(pattern);
        for (std::size_t from = 0; from <= text.size() + 1; ++from) {
            SCOPED_TRACE(testing::Message() << "round " << round << " from " << from);
            const std::size_t reference = std::string_view(text).find(pattern, from);
            ASSERT_EQ(FindPattern(text, pattern, table, from), reference);
            const std::size_t referenceNoCase =
                std::string_view(upperText).find(upperPattern, from);
            ASSERT_EQ(FindPatternNoCase(text, pattern, noCase, from), referenceNoCase);
        }
        ASSERT_EQ(CountOccurrences(text, pattern, true), NaiveCount(text, pattern));
    }
}

TEST(FastCountCount, NonOverlappingOccurrences) {
    struct Case {
        std::string text;
        std::string pattern;
        bool caseSensitive;
        std::size_t expected;
    };
    const std::vector<Case> cases = {
        {"aaaa", "aa", true, 2},
        {"aaa", "aa", true, 1},
        {"abababa", "aba", true, 2},
        {"Hola hola HOLA", "hola", true, 1},
        {"Hola hola HOLA", "hola", false, 3},
        {"", "a", true, 0},
        {"", "a", false, 0},
        {"a", "", true, 0},
        {"a", "", false, 0},
        {"abc", "abcd", false, 0},
        // Without case, letters beyond ASCII fold too.
        {"ÁRBOL árbol Árbol", "árbol", true, 1},
        {"ÁRBOL árbol Árbol", "árbol", false, 3},
        {"ÑOÑO ñoño", "ñ", false, 4},
        {"ΣΟΦΙΑ σοφια", "σοφια", false, 2},
        {"arbol", "árbol", false, 0},
        {"\xC1rbol \xE1rbol", "árbol", false, 2}, // a Windows-1252 text against a UTF-8 pattern
        {"ÁRBOL", "\xE1rbol", false, 1},          // and the other way round
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << '"' << c.pattern << "\" in \"" << c.text << "\" case " << c.caseSensitive);
        EXPECT_EQ(CountOccurrences(c.text, c.pattern, c.caseSensitive), c.expected);
    }
}

} // namespace
} // namespace sorvane
