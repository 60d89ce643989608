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
    kClassSignedDigit = 64,    // "+", "-" and the digits
    kClassNumberChar = 128,    // "+", ",", "-", "." and the digits
    kClassFloatChar = 256,     // those, "E" and "e"
    kClassNonAlnumAscii = 512, // codes 1-47, 58-64, 91-95, 123-126
    kClassControl = 1024,      // codes below 32
};

class TStringManager {
public:
    TStringManager();

    std::uint16_t ClassOf(char32_t c) const;
    // Through the upper-case table: the 256 characters of Windows-1252 (the
    // ANSI code page the catalogues come from) map to their capitals within
    // that code page ("é" to "É", "ÿ" to "Ÿ"); every other character stays.
    std::string MakeUpper(std::string_view text) const;
    char32_t UpperChar(char32_t c) const;

    std::size_t PosFrom(std::string_view pattern, std::string_view text,
                        std::ptrdiff_t start) const;
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
    // Every character of Windows-1252 lies below U+0180 or has no capital in it.
    std::array<char32_t, 0x180> upper_{};
};

// The one string manager of the process.
const TStringManager& StringManager();

// The upper-casing of the folding routines (PasaMayusculas, the search's folds
// and its approximate matcher): the string manager's table while set (the
// default, the settings page's first upper-casing item), otherwise the full,
// locale-independent Unicode upper-casing of every character (simple case
// mapping, one character to one). Set from the window between operations.
void SetTableUpperCase(bool table);
bool TableUpperCase();
// One character as the folding routines upper-case it now.
char32_t FoldingUpperChar(char32_t c);

} // namespace sorvane
