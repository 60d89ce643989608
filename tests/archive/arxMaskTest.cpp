// Tests of the compiled file masks: what a mask compiles to, a table of masks
// against names, and matching that stays fast however many stars a mask has.
#include "archive/arxMask.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace sorvane {
namespace {

using namespace std::string_literals;

struct MaskCase {
    std::string mask, name;
    bool matches;
};

TEST(ArxMask, MatchesTable) {
    const std::vector<MaskCase> cases = {
        {"*.TXT", "readme.txt", true},
        {"*.TXT", "readme.txt.bak", false},
        {"*.txt", "a.b.TXT", true},
        {"a?c", "ABC", true},
        {"a?c", "ac", false},
        {"a?c", "abbc", false},
        {"*", "", true},
        {"*", "any.name at all", true},
        {"", "", true},
        {"", "a", false},
        // A final dot: a name without an extension matches as if it ended in ".".
        {"readme.", "readme", true},
        {"readme.", "README.", true},
        {"readme.", "readme.txt", false},
        {"*.", "makefile", true},
        {"*.", "setup.exe", false},
        // "*.*" wants a dot in the name.
        {"*.*", "a.b", true},
        {"*.*", "readme", false},
        // A "?" right after "*" is dropped, so "*?" takes the empty name too.
        {"*?", "", true},
        {"*?b", "b", true},
        {"?*", "", false},
        {"?*", "x", true},
        // A star gives characters back when what follows fails.
        {"*ab", "aab", true},
        {"*ab", "abab", true},
        {"*aab", "aaab", true},
        {"a*b*c", "axbxbxc", true},
        {"a*b*c", "acb", false},
        {"*a*b", "xaxxb", true},
        {"*a*b", "bbba", false},
        // Only ASCII letters fold: "ä" and "Ä" are different bytes.
        {"\xC3\xA4*", "\xC3\x84x", false},
        {"\xC3\xA4*", "\xC3\xA4x", true},
        // The mask ends at its first NUL; the name's NUL is an ordinary character.
        {"a\0b"s, "a", true},
        {"a", "a\0"s, false},
        {"a?", "a\0"s, true},
    };
    for (const MaskCase& c : cases) {
        SCOPED_TRACE("mask \"" + c.mask + "\" name \"" + c.name + "\"");
        EXPECT_EQ(MatchesMask(c.name, c.mask), c.matches);
        EXPECT_EQ(TInternalMask(c.mask).Matches(c.name), c.matches);
    }
}

TEST(ArxMask, CompilesToElements) {
    // "**a?*?b." : star, A, any char, star (its "?" dropped), B, dot, end.
    const TInternalMask mask("**a?*?b.");
    EXPECT_TRUE(mask.DotAtEnd);
    struct Expected {
        bool afterStar;
        std::uint8_t kind;
        unsigned char c;
    };
    const std::vector<Expected> expected = {
        {true, TInternalMask::kLiteral, 'A'}, {false, TInternalMask::kAnyChar, 0},
        {true, TInternalMask::kLiteral, 'B'}, {false, TInternalMask::kLiteral, '.'},
        {false, TInternalMask::kLiteral, 0},
    };
    ASSERT_EQ(mask.Elements.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(mask.Elements[i].AfterStar, expected[i].afterStar);
        EXPECT_EQ(mask.Elements[i].Kind, expected[i].kind);
        EXPECT_EQ(mask.Elements[i].Char, expected[i].c);
    }

    // A trailing star is carried by the end element.
    const TInternalMask trailing("x*");
    ASSERT_EQ(trailing.Elements.size(), 2u);
    EXPECT_TRUE(trailing.Elements.back().AfterStar);
    EXPECT_EQ(trailing.Elements.back().Char, 0);
    EXPECT_FALSE(trailing.DotAtEnd);
}

TEST(ArxMask, CharacterSetElements) {
    // The compiler makes no sets, but a list built by hand may hold them.
    TInternalMask mask("x");
    TInternalMask::Element digits;
    digits.Kind = TInternalMask::kCharSet;
    digits.AfterStar = true;
    for (char c = '0'; c <= '9'; ++c)
        digits.Set.set(static_cast<unsigned char>(c));
    mask.Elements = {digits, TInternalMask::Element{}};
    EXPECT_TRUE(mask.Matches("7"));
    EXPECT_TRUE(mask.Matches("disk7"));
    EXPECT_FALSE(mask.Matches("7a"));
    EXPECT_FALSE(mask.Matches(""));
}

TEST(ArxMask, ManyStarsStayFast) {
    // Exponential backtracking would not finish on these.
    const std::string name(20000, 'a');
    EXPECT_FALSE(MatchesMask(name, "*a*a*a*a*a*a*a*a*a*a*a*a*b"));
    EXPECT_TRUE(MatchesMask(name + "b", "*a*a*a*a*a*a*a*a*a*a*a*a*b"));
    EXPECT_FALSE(MatchesMask(name, "*?*?*?*?*?*?*?*?*?*c"));
}

} // namespace
} // namespace sorvane
