// The number code of catalogue lines: decimal digits in pairs, one character per
// pair (pair value + 32), a leading blank for an odd digit count and 100 added
// to the first character of a negative number. Fields are padded on the left
// with blanks, and a blank reads as the pair "00".
#pragma once

#include "platform/DateTime.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace sorvane {

// Width of a size field of a file line or nested entry, and the largest size it
// stores exactly; larger sizes are stored as this value, never wrapped.
constexpr std::size_t kSizeFieldWidth = 5;
constexpr std::uint64_t kLargestStoredSize = 9'999'999'999ULL;

// Width of every date field.
constexpr std::size_t kDateFieldWidth = 5;

std::string CodificaEntero(std::int32_t value);
std::string CodificaInt64(std::int64_t value);

// Decode a field, blank padding allowed on the left, also in front of the
// character that carries the sign. Raise EFormatoCatalogo for an empty field,
// bytes outside the code, a sign anywhere but the first coded character, or a
// value that does not fit the result type.
std::int32_t DecodificaEntero(std::string_view field);
std::int64_t DecodificaInt64(std::string_view field);

// The number as shown to the user: no leading zeros, "0" for zero; a negative
// value keeps the zeros of its first pair after the "-" ("-05").
std::string DecodificaTexto(std::string_view field);

// A size field: the true size, capped at kLargestStoredSize, padded to its width.
std::string CodificaTamano(std::uint64_t size);

// The size stored in a size field. Older catalogues hold 32-bit signed sizes, so
// a negative value is a size of 2 GiB or more and reads as that value plus 2^32.
std::uint64_t DecodificaTamano(std::string_view field);

// A date field holding a DOS file date, padded to its width.
std::string CodificaFecha(std::uint32_t dosDate);

// The date-time of a date field. Dates of 2044 and later were stored by older
// writers as negative 32-bit values and read as that value plus 2^32. Raises
// EFormatoCatalogo when the value is not a valid DOS date.
DateTime DecodificaFecha(std::string_view field);

} // namespace sorvane
