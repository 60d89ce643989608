// Character-level text services: UTF-8 decoding with a Windows-1252 fallback,
// simple case mapping and character classes. Stands in for the ANSI character
// functions (CharUpperBuffA and friends); ASCII takes a fast path, the rest goes
// through utf8proc.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace sorvane::text {

// One decoded character: its code point and how many bytes it takes.
struct DecodedChar {
    char32_t code;
    std::size_t length;
};

// Decodes the character that starts at byte `pos` (which must be < s.size()).
// A byte that does not start a valid UTF-8 sequence decodes alone, as its
// Windows-1252 character, so text written on Windows still reads sensibly.
DecodedChar DecodeAt(std::string_view s, std::size_t pos);

// Byte offset where the character that ends just before `pos` starts (pos > 0).
std::size_t PreviousCharStart(std::string_view s, std::size_t pos);

bool IsAscii(std::string_view s);
bool IsValidUtf8(std::string_view s);

// The Unicode character of a Windows-1252 byte.
char32_t Windows1252ToCodePoint(unsigned char byte);
std::string Windows1252ToUtf8(std::string_view s);

// The field as UTF-8: itself when it is valid UTF-8, else read as Windows-1252.
std::string AsUtf8(std::string_view field);

void AppendUtf8(std::string& out, char32_t code);

// `s` with every character passed through `map` (char32_t -> char32_t). ASCII
// text is mapped byte by byte; other text is first read as UTF-8 (or, when it
// is not valid UTF-8, as Windows-1252) and comes back as UTF-8.
template <typename Map> std::string MapChars(std::string_view s, Map map);

// Simple (one character to one character) case mapping.
char32_t UpperChar(char32_t c);
char32_t LowerChar(char32_t c);
std::string Upper(std::string_view s);
std::string Lower(std::string_view s);

bool IsLetter(char32_t c);
bool IsDecimalDigit(char32_t c);
bool IsUpperCase(char32_t c);
bool IsLowerCase(char32_t c);
bool IsPunctuation(char32_t c);
bool IsCombiningMark(char32_t c);

// Canonical equivalence (the pieces of NFD and NFC, character by character).
// The canonical combining class of a character (0 for a starter).
int CombiningClass(char32_t c);
// Appends the full canonical decomposition of `c` (itself when it has none).
void AppendCanonicalDecomposition(std::u32string& out, char32_t c);
// True for a starter that may compose with a character before it (Hangul
// vowels and final consonants, some vowel signs): a text cannot be cut before
// it without changing its composed form.
bool ComposesWithPrevious(char32_t c);
// Sorts every run of non-starters by combining class, keeping the order of equal classes.
void CanonicalOrder(std::u32string& s);
// Canonical composition of a decomposed text in canonical order (the last step of NFC).
void CanonicalCompose(std::u32string& s);
// The text in NFC (a field that is not valid UTF-8 read as Windows-1252).
std::string Nfc(std::string_view s);

// Number of characters (an undecodable byte counts as one).
std::size_t CharCount(std::string_view s);

// The columns a text takes on a fixed-width display: a combining mark or a
// control takes none, a wide East Asian character two, any other one (an
// undecodable byte as its Windows-1252 character).
std::size_t DisplayWidth(std::string_view s);

// The first `n` characters of `s`; never splits a UTF-8 sequence.
std::string_view FirstChars(std::string_view s, std::size_t n);

// The last `n` characters of `s`; never splits a UTF-8 sequence.
std::string_view LastChars(std::string_view s, std::size_t n);

// The longest prefix of `s` of at most `maxBytes` bytes that ends on a character boundary.
std::string_view FirstBytesWhole(std::string_view s, std::size_t maxBytes);

template <typename Map> std::string MapChars(std::string_view s, Map map) {
    std::string out;
    out.reserve(s.size());
    if (IsAscii(s)) {
        for (char ch : s) {
            const char32_t mapped = map(static_cast<unsigned char>(ch));
            if (mapped < 0x80)
                out.push_back(static_cast<char>(mapped));
            else
                AppendUtf8(out, mapped);
        }
        return out;
    }
    const std::string utf8 = AsUtf8(s);
    for (std::size_t pos = 0; pos < utf8.size();) {
        const DecodedChar d = DecodeAt(utf8, pos);
        AppendUtf8(out, map(d.code));
        pos += d.length;
    }
    return out;
}

} // namespace sorvane::text
