// TInternalMask: a file mask ("*.TXT", "a?c", "readme.") compiled into a list
// of elements and matched against names without regard to ASCII letter case.
#pragma once

#include <bitset>
#include <cstdint>
#include <string_view>
#include <vector>

namespace sorvane {

class TInternalMask {
public:
    // One position of the mask.
    struct Element {
        bool AfterStar = false; // a "*" stood before it
        std::uint8_t Kind = 0;  // 0 literal, 1 any one character, 2 a set of characters
        unsigned char Char = 0; // the literal, upper-cased; 0 is the end of the name
        std::bitset<256> Set;   // the set of kind 2, by upper-cased character code
    };

    static constexpr std::uint8_t kLiteral = 0;
    static constexpr std::uint8_t kAnyChar = 1;
    static constexpr std::uint8_t kCharSet = 2;

    // Compiles `mask`: "*" matches any run of characters, "?" any one character
    // (a "?" right after "*" is dropped), anything else itself; the mask ends at
    // its first NUL byte. A final "." makes a name without "." match as if it
    // ended in one.
    explicit TInternalMask(std::string_view mask);
    virtual ~TInternalMask() = default;

    // Whether the whole of `name` matches. Time grows with the product of the
    // name's and the mask's lengths at worst, whatever the stars.
    bool Matches(std::string_view name) const;

    bool DotAtEnd = false;
    std::vector<Element> Elements; // always ends with the literal 0 (end of name)

private:
    // Whether element `e` accepts the upper-cased name at `pos` (the end element
    // only at the end of the name).
    static bool Accepts(const Element& e, std::string_view name, std::size_t pos);
};

// Compiles `mask` and matches `name` against it.
bool MatchesMask(std::string_view name, std::string_view mask);

} // namespace sorvane
