// Tests of the search matchers: the two mask matchers and their set parser, the
// approximate search, the text normal forms and the node-name tests of every
// search mode, on ASCII and accented UTF-8 names.
#include "mainwindow/Matchers.h"

#include "platform/Text.h"

#include <algorithm>
#include <climits>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace sorvane {
namespace {

std::u32string Decoded(std::string_view s) {
    std::u32string out;
    for (std::size_t pos = 0; pos < s.size();) {
        const text::DecodedChar d = text::DecodeAt(s, pos);
        out.push_back(d.code);
        pos += d.length;
    }
    return out;
}

enum class Masks { Plain, Sets, Both };

TEST(MaskMatchers, MasksAgainstTexts) {
    const std::string longRun(3000, 'a');
    struct Case {
        Masks kind;
        std::string mask;
        std::string text;
        bool matches;
    };
    const std::vector<Case> cases = {
        {Masks::Both, "*.txt", "a.txt", true},
        {Masks::Both, "a?c", "abc", true},
        {Masks::Both, "a?c", "ac", false},
        {Masks::Both, "*", "", true},
        {Masks::Both, "*", "anything at all", true},
        {Masks::Both, "", "", true},
        {Masks::Both, "", "a", false},
        {Masks::Both, "?", "", false},
        {Masks::Both, "**", "", true},
        {Masks::Both, "a**", "ab", true},
        {Masks::Both, "*.TXT", "a.txt", false}, // exact comparison: callers fold both texts
        // A mask that ends while text remains retries from the last "*".
        {Masks::Both, "*a", "banana", true},
        {Masks::Both, "a*b", "abab", true},
        {Masks::Both, "*s", "glasses", true},
        {Masks::Both, "*s*s", "glass", true},
        {Masks::Both, "*a", "banan", false},
        {Masks::Both, "a*b", "abba!", false},
        // "?" takes one character, not one byte.
        {Masks::Both, "caf?", "café", true},
        {Masks::Both, "caf?", "caf", false},
        {Masks::Both, "c??é", "cañé", true},
        {Masks::Both, "*Ú.MP3", "ÑANDÚ.MP3", true},
        {Masks::Both, "*U.MP3", "ÑANDÚ.MP3", false},
        // Many stars over a long text: one restart point keeps the work bounded.
        {Masks::Both, "*a*a*a*a*a*a*a*a*b", longRun, false},
        {Masks::Both, "*a*a*a*a*a*a*a*a*b", longRun + "b", true},
        // Brackets are plain characters in the simple mask.
        {Masks::Plain, "[ab]", "[ab]", true},
        {Masks::Plain, "[a..c]x", "bx", false},
        {Masks::Sets, "[ab]", "[ab]", false}, // a set item of two characters is invalid
        {Masks::Sets, "[a..c]x", "bx", true},
        {Masks::Sets, "[a..c]x", "dx", false},
        {Masks::Sets, "[a.c]", "b", true},
        {Masks::Sets, "[!0..9]*", "a1", true},
        {Masks::Sets, "[!0..9]*", "1a", false},
        {Masks::Sets, "[3:0..9]", "123", true},
        {Masks::Sets, "[3:0..9]", "12", false},
        {Masks::Sets, "[3:0..9]", "1234", false},
        {Masks::Sets, "[a,b", "a", false},
        {Masks::Sets, "[a,b", "ab", false},
        {Masks::Sets, "[0:a]", "a", false},
        {Masks::Sets, "[0:a]", "", false},
        {Masks::Sets, "[c..a]", "b", false},
        {Masks::Sets, "[a..]", "a", false},
        {Masks::Sets, "[a,b,x]", "x", true},
        {Masks::Sets, "[!a,b,x]", "x", false},
        {Masks::Sets, "?[0..9]?", "a1b", true},
        {Masks::Sets, "[á..ú]", "é", true},
        {Masks::Sets, "[á..ú]", "e", false},
        // A set after "*" backtracks like any other mismatch.
        {Masks::Sets, "*[2:0..9].mp3", "track07.mp3", true},
        {Masks::Sets, "*[2:0..9].mp3", "track7.mp3", false},
        {Masks::Sets, "*[!a]", "a.b", true},
        {Masks::Sets, "*[!b]", "a.b", false},
        {Masks::Sets, "*[!.]", "a.b", false}, // "." separates set items
        {Masks::Sets, "*[2:a]", "a", false},
    };
    for (const Case& c : cases) {
        const std::string label = "mask '" + c.mask + "' text '" + c.text.substr(0, 40) + "'";
        if (c.kind != Masks::Sets) {
            EXPECT_EQ(WildcardMatch(c.text, c.mask), c.matches) << "WildcardMatch " << label;
        }
        if (c.kind != Masks::Plain) {
            EXPECT_EQ(WildcardMatchSets(c.text, c.mask), c.matches)
                << "WildcardMatchSets " << label;
        }
    }
}

TEST(MaskMatchers, ParseCharSetReadsOneItem) {
    using Ranges = std::vector<std::pair<char32_t, char32_t>>;
    struct Case {
        std::string afterBracket; // the mask from just after its "["
        bool upperCase;
        bool valid;
        Ranges ranges;
        bool negated;
        int count;
        std::size_t cursor; // characters read, the "]" included
    };
    const std::vector<Case> cases = {
        {"a..c]x", false, true, {{U'a', U'c'}}, false, 1, 5},
        {"a.c]", false, true, {{U'a', U'c'}}, false, 1, 4},
        {"!0..9]*", false, true, {{U'0', U'9'}}, true, 1, 6},
        {"3:0..9]", false, true, {{U'0', U'9'}}, false, 3, 7},
        {"12:x]", false, true, {{U'x', U'x'}}, false, 12, 5},
        {"a...c,x]", false, true, {{U'a', U'c'}, {U'x', U'x'}}, false, 1, 8},
        {"a,é..ñ]", false, true, {{U'a', U'a'}, {U'é', U'ñ'}}, false, 1, 7},
        {"a..c]", true, true, {{U'A', U'C'}}, false, 1, 5},
        {"[]", false, true, {{U'[', U'['}}, false, 1, 2},
        {"a,b", false, false, {}, false, 1, 0},
        {"0:a]", false, false, {}, false, 1, 0},
        {"-1:a]", false, false, {}, false, 1, 0},
        {"x:a]", false, false, {}, false, 1, 0},
        {"]", false, false, {}, false, 1, 0},
        {"a,]", false, false, {}, false, 1, 0},
        {"ab]", false, false, {}, false, 1, 0},
        {"c..a]", false, false, {}, false, 1, 0},
        {"a..]", false, false, {}, false, 1, 0},
        {"a..c", false, false, {}, false, 1, 0},
        {"a..cd]", false, false, {}, false, 1, 0},
        {".]", false, false, {}, false, 1, 0},
        {"", false, false, {}, false, 1, 0},
    };
    for (const Case& c : cases) {
        const std::u32string mask = Decoded(c.afterBracket);
        std::size_t cursor = 0;
        CharSetItem item;
        item.ranges = {{U'q', U'q'}}; // left over from an earlier item
        EXPECT_EQ(ParseCharSet(c.upperCase, mask, cursor, item), c.valid) << c.afterBracket;
        EXPECT_EQ(cursor, c.cursor) << c.afterBracket;
        if (!c.valid) continue;
        EXPECT_EQ(item.ranges, c.ranges) << c.afterBracket;
        EXPECT_EQ(item.negated, c.negated) << c.afterBracket;
        EXPECT_EQ(item.count, c.count) << c.afterBracket;
    }
}

TEST(MaskMatchers, TextToIntReadsDigitsByTheTable) {
    struct Case {
        bool hex;
        const char* chars;
        int value;
    };
    for (const Case& c : {
             Case{false, "", 0},
             Case{false, "123", 123},
             Case{false, "-45", -45},
             Case{false, "-", 0},
             Case{false, "x9", 9},
             Case{false, "1A", 20},
             Case{true, "1A", 26},
             Case{true, "ff", 255},
             Case{true, "-10", -16},
             Case{false, "99999999999", INT_MAX},
         })
        EXPECT_EQ(TextToInt(c.hex, c.chars), c.value) << c.chars << (c.hex ? " hex" : "");
}

struct FuzzyCase {
    const char* pattern;
    int maxErrors;
    const char* text;
    bool found;
    int pos, len, errors;
};

void ExpectFuzzy(TFuzzySearch& fuzzy, const FuzzyCase& c) {
    EXPECT_EQ(fuzzy.Search(c.text), c.found) << c.pattern << " in " << c.text;
    if (!c.found) return;
    EXPECT_EQ(fuzzy.FoundPos, c.pos) << c.pattern << " in " << c.text;
    EXPECT_EQ(fuzzy.FoundLen, c.len) << c.pattern << " in " << c.text;
    EXPECT_EQ(fuzzy.FoundErrors, c.errors) << c.pattern << " in " << c.text;
}

const FuzzyCase kFuzzyCases[] = {
    {"colour", 1, "COLOR.TXT", true, 0, 5, 1},
    {"colour", 0, "COLOR.TXT", false, 0, 0, 0},
    {"ab", 1, "xb", true, 0, 2, 1},
    {"colour", 1, "mycolor", true, 2, 5, 1},
    {"report", 1, "reprt.doc", true, 0, 5, 1},
    {"colour", 0, "my Colour", true, 3, 6, 0},
    {"canción", 0, "mi CANCIÓN.mp3", true, 3, 7, 0}, // positions count characters
    {"cancion", 1, "mi CANCIÓN.mp3", true, 3, 7, 1},
    {"report", 2, "port.doc", true, 1, 3, 2}, // where the start offsets put it
    {"cc", 1, "xcab", true, 1, 1, 1},
    {"abc", 2, "c", true, 0, 1, 2}, // the offsets' start after the text is held inside it
    {"abc", 2, "cab", true, 0, 1, 2},
    {"report", 1, "port.doc", false, 0, 0, 0},
    {"colour", 1, "", false, 0, 0, 0},
};

TEST(FuzzySearch, FindsTheFirstStretchWithinTheErrors) {
    for (const FuzzyCase& c : kFuzzyCases) {
        TFuzzySearch fuzzy(c.pattern, c.maxErrors);
        ExpectFuzzy(fuzzy, c);
    }
    TFuzzySearch empty;
    EXPECT_FALSE(empty.Search("anything"));
    EXPECT_FALSE(empty.FindNext());
    EXPECT_EQ(TFuzzySearch("Canción").Pattern(), U"CANCIÓN");
}

// The approximate search written out plainly from its steps: relative start
// offsets (0 at the current character, -n n characters earlier), the two
// column pairs exchanged per character, a 1-based FoldPos while scanning. A
// start the offsets put outside the text is held inside it.
class PlainFuzzy {
public:
    PlainFuzzy(const std::u32string& pattern, int maxErrors)
        : pattern_(pattern), k_(maxErrors), m_(static_cast<int>(pattern.size())) {
        for (auto* column : {&A_, &B_, &SA_, &SB_})
            column->assign(static_cast<std::size_t>(m_ + 1), 0);
    }

    bool Search(const std::u32string& text) {
        text_ = text;
        position_ = 0;
        lastReported_ = -1;
        for (int i = 0; i <= m_; ++i) {
            B_[i] = i;
            SB_[i] = i;
        }
        return FindNext();
    }

    bool FindNext() {
        if (m_ == 0) return false;
        for (;;) {
            foundPos = 0;
            while (foundPos == 0 && position_ < static_cast<int>(text_.size())) {
                std::swap(A_, B_);
                std::swap(SA_, SB_);
                B_[0] = 0;
                SB_[1] = 0;
                const char32_t c = text_[static_cast<std::size_t>(position_)];
                for (int i = 0; i < m_; ++i) {
                    int d = A_[i];
                    if (pattern_[static_cast<std::size_t>(i)] != c) d += 1;
                    B_[i + 1] = std::min({d, A_[i + 1] + 1, B_[i] + 1});
                }
                for (int i = 2; i <= m_; ++i) {
                    if (A_[i - 1] < B_[i])
                        SB_[i] = SA_[i - 1] - 1;
                    else if (B_[i - 1] < B_[i])
                        SB_[i] = SB_[i - 1];
                    else if (A_[i] < B_[i])
                        SB_[i] = SA_[i] - 1;
                    else
                        SB_[i] = SA_[i - 1] - 1;
                }
                if (B_[m_] <= k_) {
                    foundPos = SB_[m_] + position_ + 1;
                    if (foundPos < 1) foundPos = 1;
                    if (foundPos > position_ + 1) foundPos = position_ + 1;
                    foundLen = position_ + 2 - foundPos;
                    foundErrors = B_[m_];
                }
                ++position_;
            }
            foundPos -= 1;
            const bool result = foundPos >= 0;
            if (result && foundPos == lastReported_) continue;
            if (result) lastReported_ = foundPos;
            return result;
        }
    }

    int foundPos = 0, foundLen = 0, foundErrors = 0;

private:
    std::vector<int> A_, B_, SA_, SB_;
    std::u32string pattern_, text_;
    int k_, m_;
    int position_ = 0, lastReported_ = -1;
};

TEST(FuzzySearch, StartAndLengthFollowTheStartOffsetRules) {
    // "cc" with one difference in "xcab": the offsets keep the stretch "c" (one
    // deletion), not "xc" (one substitution), which costs as much.
    TFuzzySearch fuzzy("cc", 1);
    ASSERT_TRUE(fuzzy.Search("xcab"));
    EXPECT_EQ(fuzzy.FoundPos, 1);
    EXPECT_EQ(fuzzy.FoundLen, 1);
    EXPECT_EQ(fuzzy.FoundErrors, 1);

    // Random patterns and texts over a small alphabet, every match of each
    // text, against the plain steps.
    std::mt19937 random(20240611);
    const std::u32string alphabet = U"ABCX";
    const auto word = [&](int low, int high) {
        std::u32string w(
            static_cast<std::size_t>(std::uniform_int_distribution<int>(low, high)(random)), U'A');
        for (char32_t& c : w)
            c = alphabet[std::uniform_int_distribution<std::size_t>(0,
                                                                    alphabet.size() - 1)(random)];
        return w;
    };
    const auto utf8 = [](const std::u32string& w) {
        std::string out;
        for (char32_t c : w)
            text::AppendUtf8(out, c);
        return out;
    };
    int differences = 0;
    for (int round = 0; round < 20000; ++round) {
        const std::u32string pattern = word(1, 6), text = word(0, 14);
        const int maxErrors = std::uniform_int_distribution<int>(0, 3)(random);
        TFuzzySearch ours(utf8(pattern), maxErrors);
        PlainFuzzy plain(pattern, maxErrors);
        bool found = ours.Search(utf8(text));
        bool expected = plain.Search(text);
        for (int match = 0; match < 20; ++match) {
            const bool same =
                found == expected &&
                (!found || (ours.FoundPos == plain.foundPos && ours.FoundLen == plain.foundLen &&
                            ours.FoundErrors == plain.foundErrors));
            if (!same && ++differences <= 5)
                ADD_FAILURE() << utf8(pattern) << " with " << maxErrors << " in " << utf8(text)
                              << " match " << match << ": " << found << " " << ours.FoundPos << "/"
                              << ours.FoundLen << "/" << ours.FoundErrors << ", steps give "
                              << expected << " " << plain.foundPos << "/" << plain.foundLen << "/"
                              << plain.foundErrors;
            if (!same || !found) break;
            EXPECT_GE(ours.FoundPos, 0);
            EXPECT_LE(ours.FoundPos + ours.FoundLen, static_cast<int>(text.size()));
            found = ours.FindNext();
            expected = plain.FindNext();
        }
    }
    EXPECT_EQ(differences, 0);
}

TEST(FuzzySearch, OneMatcherGivesTheSameResultWhateverItSearchedBefore) {
    TFuzzySearch fuzzy;
    for (const FuzzyCase& c : kFuzzyCases) {
        fuzzy.SetPattern(c.pattern);
        fuzzy.MaxErrors = c.maxErrors;
        ExpectFuzzy(fuzzy, c);
        ExpectFuzzy(fuzzy, c);
        EXPECT_TRUE(fuzzy.Search("xx" + std::string(c.pattern) + "yy")) << c.pattern;
        ExpectFuzzy(fuzzy, c);
    }
}

TEST(FuzzySearch, FindNextPassesOverTheStartAlreadyReported) {
    TFuzzySearch exact("ab", 0);
    ASSERT_TRUE(exact.Search("ab xab"));
    EXPECT_EQ(exact.FoundPos, 0);
    ASSERT_TRUE(exact.FindNext());
    EXPECT_EQ(exact.FoundPos, 4);
    EXPECT_EQ(exact.FoundLen, 2);
    EXPECT_FALSE(exact.FindNext());

    // "colou" is the first stretch; the longer "colour" starts at the same place.
    TFuzzySearch approximate("colour", 1);
    ASSERT_TRUE(approximate.Search("colourful"));
    EXPECT_EQ(approximate.FoundPos, 0);
    EXPECT_EQ(approximate.FoundLen, 5);
    EXPECT_FALSE(approximate.FindNext());
}

TEST(Fold, NormalFormsOfAccentedNames) {
    struct Case {
        std::string name;
        FoldMode mode;
        std::string folded;
    };
    const std::vector<Case> cases = {
        {"Canción Ñandú.mp3", FoldMode::UpperNoAccents, "CANCION ÑANDU.MP3"},
        {"Canción Ñandú.mp3", FoldMode::Upper, "CANCIÓN ÑANDÚ.MP3"},
        {"Canción Ñandú.mp3", FoldMode::NoAccents, "Cancion Ñandu.mp3"},
        {"Canción Ñandú.mp3", FoldMode::AsTyped, "Canción Ñandú.mp3"},
        {"Pingüino ÉXITO.txt", FoldMode::UpperNoAccents, "PINGUINO EXITO.TXT"},
        {"Pingüino ÉXITO.txt", FoldMode::NoAccents, "Pinguino EXITO.txt"},
        // A name written on Windows (Windows-1252 bytes) comes back as UTF-8.
        {"Canci\xF3n", FoldMode::UpperNoAccents, "CANCION"},
        {"Canci\xF3n", FoldMode::Upper, "CANCIÓN"},
        {"Canci\xF3n", FoldMode::NoAccents, "Cancion"},
        {"Canci\xF3n", FoldMode::AsTyped, "Canción"},
        {"plain.txt", FoldMode::AsTyped, "plain.txt"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Fold(c.name, c.mode), c.folded) << c.name << " mode " << static_cast<int>(c.mode);
}

TEST(FindSubstring, EveryOccurrenceIsTriedAsAWholeWord) {
    struct Case {
        std::string field, text;
        bool wholeWord;
        SubstringMatch expected;
    };
    const std::vector<Case> cases = {
        {"REPORTING REPORT", "REPORT", true, {true, true, 11, 16}},
        {"REPORTING REPORT", "REPORT", false, {true, true, 1, 6}},
        {"REPORTING.DOC", "REPORT", true, {true, false, 1, 6}},
        {"REPORT.DOC", "REPORT", true, {true, true, 1, 6}},
        {"CANCION ÑANDU", "ANDU", true, {true, false, 10, 13}},
        {"CANCION ÑANDU", "NANDU", true, {false, false, 0, 0}},
        {"CANCIÓN ÑANDÚ Ñ", "Ñ", true, {true, true, 15, 15}},
        {"AAA", "AA", false, {true, true, 1, 2}},
        {"DOC", "REPORT", false, {false, false, 0, 0}},
        {"DOC", "", false, {false, false, 0, 0}},
    };
    for (const Case& c : cases) {
        const SubstringMatch got = FindSubstring(c.field, c.text, c.wholeWord);
        EXPECT_EQ(got.found, c.expected.found) << c.text << " in " << c.field;
        EXPECT_EQ(got.hit, c.expected.hit) << c.text << " in " << c.field;
        EXPECT_EQ(got.start, c.expected.start) << c.text << " in " << c.field;
        EXPECT_EQ(got.end, c.expected.end) << c.text << " in " << c.field;
    }
}

// The node-name tests: the texts come normalised, the name is normalised inside.
enum class Mode { Substring, WholeWord, Wildcard, ExtendedWildcard, Fuzzy };

struct NameCase {
    Mode mode;
    std::string text1;
    std::string text2;
    bool andMode;
    FoldMode fold;
    std::string name;
    NameMatch expected;
    int maxErrors = 1;
};

NameMatch RunNameTest(const NameCase& c) {
    switch (c.mode) {
    case Mode::Substring:
    case Mode::WholeWord:
        return CoincideNombre(c.text1, c.andMode, c.mode == Mode::WholeWord, c.fold, c.name,
                              c.text2);
    case Mode::Wildcard:
        return CoincideNombreComodin(c.text1, c.andMode, c.fold, c.name, c.text2);
    case Mode::ExtendedWildcard:
        return CoincideNombreComodines(c.text1, c.fold, c.name);
    case Mode::Fuzzy: {
        TFuzzySearch fuzzy1(c.text1, c.maxErrors), fuzzy2(c.text2, c.maxErrors);
        return CoincideNombreDifusa(fuzzy1, fuzzy2, c.text1, c.andMode, c.fold, c.name, c.text2);
    }
    }
    return {};
}

TEST(NodeNameTests, EveryModeWithRanges) {
    constexpr FoldMode U1 = FoldMode::UpperNoAccents;
    const std::string song = "Canción Ñandú.mp3"; // 17 characters, "Ñ" the 9th
    const std::vector<NameCase> cases = {
        {Mode::Substring, "REPORT", "", true, U1, "reporting report", {true, 1, 6, 0, 0}},
        {Mode::WholeWord, "REPORT", "", true, U1, "reporting report", {true, 11, 16, 0, 0}},
        {Mode::WholeWord, "REPORT", "", true, U1, "reporting.doc", {false, 1, 6, 0, 0}},
        {Mode::WholeWord, "ANDU", "", true, U1, song, {false, 10, 13, 0, 0}},
        {Mode::Substring, "ÑANDU", "", true, U1, song, {true, 9, 13, 0, 0}},
        {Mode::Substring, "CANCIÓN", "", true, U1, song, {false, 0, 0, 0, 0}},
        {Mode::Substring, "CANCIÓN", "", true, FoldMode::Upper, song, {true, 1, 7, 0, 0}},
        {Mode::Substring, "ción", "", true, FoldMode::AsTyped, song, {true, 4, 7, 0, 0}},
        {Mode::Substring, "cion", "", true, FoldMode::NoAccents, song, {true, 4, 7, 0, 0}},
        {Mode::Substring, "report", "", true, FoldMode::AsTyped, "Report.doc", {}},
        {Mode::Substring, "CANCION", "MP3", true, U1, song, {true, 1, 7, 15, 17}},
        {Mode::Substring, "CANCION", "OGG", true, U1, song, {false, 1, 7, 0, 0}},
        {Mode::Substring, "CANCION", "OGG", false, U1, song, {true, 1, 7, 0, 0}},
        {Mode::Substring, "OGG", "MP3", false, U1, song, {true, 0, 0, 15, 17}},
        {Mode::WholeWord, "CANC", "MP3", false, U1, song, {true, 1, 4, 15, 17}},
        {Mode::WholeWord, "CANC", "MP3", true, U1, song, {false, 1, 4, 15, 17}},
        {Mode::Wildcard, "*.MP3", "", true, U1, song, {true, 1, 17, 0, 0}},
        {Mode::Wildcard, "*.MP3", "", true, FoldMode::AsTyped, song, {}},
        {Mode::Wildcard, "*ÑANDU.MP3", "", true, U1, song, {true, 1, 17, 0, 0}},
        {Mode::Wildcard, "C*", "*.MP3", true, U1, song, {true, 1, 17, 1, 17}},
        {Mode::Wildcard, "C*", "*.OGG", true, U1, song, {false, 1, 17, 0, 0}},
        {Mode::Wildcard, "X*", "*.MP3", false, U1, song, {true, 0, 0, 1, 17}},
        {Mode::ExtendedWildcard, "[C,K]*", "", true, U1, song, {true, 1, 17, 0, 0}},
        {Mode::ExtendedWildcard, "[!C]*", "", true, U1, song, {}},
        {Mode::Fuzzy, "COLOUR", "", true, U1, "color.txt", {true, 1, 5, 0, 0}},
        // The first stretch that ends within the errors: "TX", one "T" short.
        {Mode::Fuzzy, "COLOUR", "TXT", true, U1, "color.txt", {true, 1, 5, 7, 8}},
        {Mode::Fuzzy, "COLOUR", "MP3", true, U1, "color.txt", {false, 1, 5, 0, 0}},
        {Mode::Fuzzy, "XYZW", "TXT", false, U1, "color.txt", {true, 0, 0, 7, 8}},
        {Mode::Fuzzy, "CANCION", "", true, U1, song, {true, 1, 7, 0, 0}, 0},
        {Mode::Fuzzy, "CANCION", "", true, FoldMode::Upper, song, {}, 0},
        {Mode::Fuzzy, "CANCION", "", true, FoldMode::Upper, song, {true, 1, 7, 0, 0}, 1},
        // With an empty text 1 no name is a hit in any mode.
        {Mode::Substring, "", "MP3", false, U1, song, {}},
        {Mode::Wildcard, "", "*", false, U1, song, {}},
        {Mode::ExtendedWildcard, "", "", false, U1, song, {}},
        {Mode::Fuzzy, "", "MP3", false, U1, song, {}},
    };
    for (const NameCase& c : cases) {
        const NameMatch got = RunNameTest(c);
        const std::string label = "mode " + std::to_string(static_cast<int>(c.mode)) + " '" +
                                  c.text1 + "' '" + c.text2 + "' " + (c.andMode ? "AND" : "OR") +
                                  " fold " + std::to_string(static_cast<int>(c.fold)) + " on " +
                                  c.name;
        EXPECT_EQ(got.hit, c.expected.hit) << label;
        EXPECT_EQ(got.start1, c.expected.start1) << label;
        EXPECT_EQ(got.end1, c.expected.end1) << label;
        EXPECT_EQ(got.start2, c.expected.start2) << label;
        EXPECT_EQ(got.end2, c.expected.end2) << label;
    }
}

TEST(NodeNameTests, ExtendedModeIgnoresText2) {
    // The extended mode reads text 1 only: where the plain mask mode finds a
    // name by text 2 ("*" with OR), the extended mode does not, and its text 2
    // range stays empty.
    struct Case {
        const char* name;
        bool hit;
        int end1;
    };
    for (const Case& c : {
             Case{"Canción Ñandú.mp3", true, 17},
             Case{"track07.mp3", true, 11},
             Case{"notes", false, 0},
         }) {
        const NameMatch got = CoincideNombreComodines("*.MP3", FoldMode::UpperNoAccents, c.name);
        EXPECT_EQ(got.hit, c.hit) << c.name;
        EXPECT_EQ(got.start1, c.hit ? 1 : 0) << c.name;
        EXPECT_EQ(got.end1, c.end1) << c.name;
        EXPECT_EQ(got.start2, 0) << c.name;
        EXPECT_EQ(got.end2, 0) << c.name;
        const NameMatch plain =
            CoincideNombreComodin("*.MP3", false, FoldMode::UpperNoAccents, c.name, "*");
        EXPECT_TRUE(plain.hit) << c.name;
        EXPECT_EQ(plain.start2, 1) << c.name;
    }
}

} // namespace
} // namespace sorvane
