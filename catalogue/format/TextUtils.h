// Text routines shared by the whole program: padding and cutting, character
// replacement, Spanish upper-casing, thousands formatting, the whole-word test,
// durations and small parsers. Texts are UTF-8 bytes; positions are 1-based
// byte positions, as in the catalogue line layouts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace sorvane {

// Exactly `width` bytes: blanks appended when shorter; when longer, cut to at
// most `width` bytes without splitting a character, then padded with blanks.
std::string PadRightToWidth(std::string_view text, std::size_t width);

// Exactly `width` bytes: blanks in front when shorter, the first `width` bytes
// when longer (used for number fields, whose bytes are not UTF-8).
std::string PadLeftToWidth(std::string_view text, std::size_t width);

std::string ReplaceChar(std::string_view text, char oldChar, char newChar);

// The text without any byte that occurs in `set`.
std::string RemoveChars(std::string_view text, std::string_view set);

// ASCII letters upper-cased, and the Spanish lower-case letters (n with tilde,
// acute vowels, u with diaeresis) turned into their capitals.
std::string UpperCaseSpanish(std::string_view text);

// The text with its first character upper-cased; raises EInternalError when empty.
std::string CapitalizeFirst(std::string_view text);

// The value with the user's thousands separator (or the one given) and no decimals.
std::string FormatThousands(std::int64_t value);
std::string FormatThousands(std::int64_t value, std::string_view separator);

// A character of a word: any letter or decimal digit of any script, a combining
// mark (so an accent written apart stays inside its word), ":" and ";".
bool IsWordChar(char32_t c);

// True when the bytes from `start` to `stop` (1-based, inclusive) stand as a
// whole word of `text`: no word character touches them on either side.
bool IsWholeWord(std::string_view text, std::size_t start, std::size_t stop);

// A duration "m:s" or "h:m:s" in seconds; raises EConvertError with an empty
// message for anything else.
std::int64_t DurationToSeconds(std::string_view text);

// Splits `text` at the first `separator` and parses both parts as integers.
// Raises EConvertError "Parte2ToInteger(): separator not found" without it, and
// EConvertError when a part is not an integer.
void Parte2ToInteger(char separator, std::string_view text, int& first, int& second);

// Copies the text's bytes into a record of `size` bytes; raises EInternalError
// "StringToRecord: " + InternalErrorWord() when the sizes differ.
void StringToRecord(std::string_view text, void* record, std::size_t size);

// 1-based position of the last `c` in the text, 0 when none.
std::size_t LastCharPosition(char c, std::string_view text);

// The path up to and including its last "\"; empty without "\".
std::string_view ExtractFolderPath(std::string_view path);

// Parses a whole text as a decimal integer (surrounding blanks allowed);
// raises EConvertError otherwise.
std::int64_t ParseInteger(std::string_view text);

} // namespace sorvane
