// Code page 437 (the OEM character set of DOS archive names) to and from UTF-8.
// Stands in for OemToCharA and CharToOemA.
#pragma once

#include <string>
#include <string_view>

namespace sorvane::oem {

// The Unicode character of a code page 437 byte; bytes below 128 are ASCII.
char32_t Cp437ToCodePoint(unsigned char byte);

// The code page 437 byte of a character, or '?' when the code page has none.
unsigned char CodePointToCp437(char32_t code);

std::string Cp437ToUtf8(std::string_view oem);

// UTF-8 text (an invalid byte reads as Windows-1252) in code page 437.
std::string Utf8ToCp437(std::string_view utf8);

} // namespace sorvane::oem
