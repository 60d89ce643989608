// Encoding and decoding of the number code.
#include "catalogue/format/NumberCode.h"

#include "catalogue/format/FormatError.h"
#include "catalogue/format/TextUtils.h"

#include <charconv>
#include <limits>

namespace sorvane {
namespace {

constexpr unsigned char kPairBase = 32;      // code of the pair "00"
constexpr unsigned char kNegativeBase = 132; // code of the pair "00" of a negative number
constexpr unsigned char kLargestCode = 231;  // pair "99" of a negative number

// Sign and magnitude of a field.
struct CodedNumber {
    bool negative = false;
    std::uint64_t magnitude = 0;
    std::size_t first = 0; // index of the first character that is not padding
};

[[noreturn]] void BadField(std::string_view field, std::string_view why) {
    std::string shown;
    for (unsigned char c : field)
        shown += std::to_string(c) + " ";
    if (!shown.empty()) shown.pop_back();
    throw EFormatoCatalogo("Catalogue number field [" + shown + "]: " + std::string(why));
}

unsigned PairOf(std::string_view field, std::size_t i, bool first, bool& negative) {
    const auto code = static_cast<unsigned char>(field[i]);
    if (code < kPairBase || code > kLargestCode) BadField(field, "byte outside the number code");
    if (code >= kNegativeBase) {
        if (!first) BadField(field, "sign inside the number");
        negative = true;
        return code - kNegativeBase;
    }
    return code - kPairBase;
}

CodedNumber Decode(std::string_view field) {
    if (field.empty()) BadField(field, "empty field");
    CodedNumber number;
    while (number.first < field.size() && field[number.first] == ' ')
        ++number.first;
    for (std::size_t i = number.first; i < field.size(); ++i) {
        const unsigned pair = PairOf(field, i, i == number.first, number.negative);
        if (number.magnitude > (std::numeric_limits<std::uint64_t>::max() - pair) / 100)
            BadField(field, "number too large");
        number.magnitude = number.magnitude * 100 + pair;
    }
    return number;
}

std::string EncodeMagnitude(std::uint64_t magnitude, bool negative) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, magnitude).ptr;
    const std::size_t count = static_cast<std::size_t>(end - digits);
    std::string code;
    code.reserve(count / 2 + 1);
    std::size_t i = 0;
    if (count % 2 != 0) code.push_back(static_cast<char>(kPairBase + (digits[i++] - '0')));
    for (; i < count; i += 2)
        code.push_back(
            static_cast<char>(kPairBase + (digits[i] - '0') * 10 + (digits[i + 1] - '0')));
    if (negative) code[0] = static_cast<char>(static_cast<unsigned char>(code[0]) + 100);
    return code;
}

void AppendPair(std::string& text, unsigned pair) {
    text.push_back(static_cast<char>('0' + pair / 10));
    text.push_back(static_cast<char>('0' + pair % 10));
}

} // namespace

std::string CodificaEntero(std::int32_t value) {
    return CodificaInt64(value);
}

std::string CodificaInt64(std::int64_t value) {
    const bool negative = value < 0;
    const std::uint64_t magnitude =
        negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    return EncodeMagnitude(magnitude, negative);
}

std::int32_t DecodificaEntero(std::string_view field) {
    const std::int64_t value = DecodificaInt64(field);
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max())
        BadField(field, "number beyond 32 bits");
    return static_cast<std::int32_t>(value);
}

std::int64_t DecodificaInt64(std::string_view field) {
    const CodedNumber number = Decode(field);
    constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    if (number.magnitude > kMax + (number.negative ? 1 : 0))
        BadField(field, "number beyond 64 bits");
    if (number.negative) return static_cast<std::int64_t>(0 - number.magnitude);
    return static_cast<std::int64_t>(number.magnitude);
}

std::string DecodificaTexto(std::string_view field) {
    const CodedNumber number = Decode(field);
    std::string digits;
    bool negative = false;
    for (std::size_t i = number.first; i < field.size(); ++i)
        AppendPair(digits, PairOf(field, i, i == number.first, negative));
    if (negative) return "-" + digits;
    const std::size_t firstSignificant = digits.find_first_not_of('0');
    if (firstSignificant == std::string::npos) return "0";
    return digits.substr(firstSignificant);
}

std::string CodificaTamano(std::uint64_t size) {
    const std::uint64_t stored = size > kLargestStoredSize ? kLargestStoredSize : size;
    return PadLeftToWidth(CodificaInt64(static_cast<std::int64_t>(stored)), kSizeFieldWidth);
}

std::uint64_t DecodificaTamano(std::string_view field) {
    const std::int64_t value = DecodificaInt64(field);
    if (value >= 0) return static_cast<std::uint64_t>(value);
    if (value < std::numeric_limits<std::int32_t>::min()) BadField(field, "negative size");
    return static_cast<std::uint64_t>(value + (std::int64_t{1} << 32));
}

std::string CodificaFecha(std::uint32_t dosDate) {
    return PadLeftToWidth(CodificaInt64(dosDate), kDateFieldWidth);
}

DateTime DecodificaFecha(std::string_view field) {
    std::int64_t value = DecodificaInt64(field);
    if (value < 0 && value >= std::numeric_limits<std::int32_t>::min())
        value += std::int64_t{1} << 32;
    if (value < 0 || value > std::numeric_limits<std::uint32_t>::max())
        BadField(field, "date out of range");
    const std::optional<DateTime> date = DosDateToDateTime(static_cast<std::uint32_t>(value));
    if (!date) BadField(field, "not a valid date");
    return *date;
}

} // namespace sorvane
