// The string manager: character classes and small position, padding and token
// routines, one instance for the whole process. Positions are 1-based bytes;
// widths and counts of PadRight, PadLeft and RightStr are characters.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace sorvane {

// Bits of a character's class word.
enum CharClass : std::uint16_t {
    kClassUpper = 1,
    kClassLower = 2,
    kClassAsciiUpper = 4,
    kClassAsciiLower = 8,
    kClassPunctuation = 16,
    kClassDigit = 32,
    kClassSignedDigit = 64,   // "+", "-" and the digits
    kClassNumberChar = 128,   // "+", ",", "-", "." and the digits
    kClassFloatChar = 256,    // those, "E" and "e"
    kClassNonAlnumAscii = 512, // codes 1-47, 58-64, 91-95, 123-126
    kClassControl = 1024,     // codes below 32
};

class TStringManager {
public:
    TStringManager();

    std::uint16_t ClassOf(char32_t c) const;
    std::string MakeUpper(std::string_view text) const;
    char32_t UpperChar(char32_t c) const;

    std::size_t PosFrom(std::string_view pattern, std::string_view text, std::ptrdiff_t start) const;
    std::size_t CharPosFrom(char c, std::string_view text, std::ptrdiff_t start) const;
    std::size_t LastCharPos(char c, std::string_view text) const;

    std::string PadRight(std::string_view text, std::size_t width, char fill) const;
    std::string PadLeft(std::string_view text, std::size_t width, char fill) const;
    std::string RightStr(std::string_view text, std::size_t n) const;

    std::string KeepCharsOfClass(std::string_view text, std::uint16_t mask) const;
    std::string KeepDigits(std::string_view text) const;
    std::string AddBackslash(std::string_view path) const;

    // When `skipLeading` is set and `rest` begins with the separator, that one
    // is dropped first; then `token` is the text before the next separator and
    // `rest` what follows it. Without a separator the whole rest is the token.
    void SplitToken(char separator, std::string& rest, std::string& token, bool skipLeading) const;

private:
    std::array<std::uint16_t, 128> asciiClasses_{};
};

// The one string manager of the process.
const TStringManager& StringManager();

} // namespace sorvane
