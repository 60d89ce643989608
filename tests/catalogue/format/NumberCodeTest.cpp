// Tests of the number code: the codes of known values, the round trip of every
// field width over its edge values, size and date fields, and damaged fields.
#include "catalogue/format/NumberCode.h"

#include "catalogue/format/FormatError.h"
#include "catalogue/format/TextUtils.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <initializer_list>
#include <limits>
#include <string>
#include <vector>

namespace sorvane {
namespace {

constexpr std::int32_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kInt32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kInt64Min = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kInt64Max = std::numeric_limits<std::int64_t>::max();

// A text of the given byte codes.
std::string Bytes(std::initializer_list<int> codes) {
    std::string text;
    for (int code : codes)
        text.push_back(static_cast<char>(code));
    return text;
}

// The byte codes of a text, so that a failure shows numbers, not raw bytes.
std::vector<int> CodesOf(std::string_view text) {
    std::vector<int> codes;
    for (unsigned char c : text)
        codes.push_back(c);
    return codes;
}

// A field of `width` characters as a writer stores the value.
std::string Field(std::int64_t value, std::size_t width) {
    return PadLeftToWidth(CodificaInt64(value), width);
}

// The digit text DecodificaTexto shows for a value: no leading zeros when
// positive; a negative value keeps the zero of an odd-length first pair.
std::string ShownText(std::int64_t value) {
    if (value >= 0) return std::to_string(value);
    std::string digits = std::to_string(value);
    digits.erase(0, 1);
    if (digits.size() % 2 != 0) digits.insert(0, 1, '0');
    return "-" + digits;
}

std::int64_t PowerOfTen(int exponent) {
    std::int64_t value = 1;
    for (int i = 0; i < exponent; ++i)
        value *= 10;
    return value;
}

TEST(NumberCodeTest, KnownValuesHaveTheirCodes) {
    struct Case {
        std::int64_t value;
        std::string code;
    };
    const std::vector<Case> cases = {
        {0, Bytes({32})},
        {5, Bytes({37})},
        {123, Bytes({33, 55})},
        {100, Bytes({33, 32})}, // the pair "00" is a blank, also inside the code
        {1'234'567'890, Bytes({44, 66, 88, 110, 122})},
        {2'162'688, Bytes({34, 48, 58, 120})}, // DOS date of 1980-01-01 00:00
        {-42, Bytes({174})},
        {-5, Bytes({137})},
        {-1'073'741'824, Bytes({142, 105, 106, 50, 56})},
        {kInt32Min, Bytes({153, 79, 80, 68, 80})},
        {kInt32Max, Bytes({53, 79, 80, 68, 79})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(CodesOf(CodificaInt64(c.value)), CodesOf(c.code));
        EXPECT_EQ(DecodificaInt64(c.code), c.value);
        if (c.value >= kInt32Min && c.value <= kInt32Max) {
            const auto value32 = static_cast<std::int32_t>(c.value);
            EXPECT_EQ(CodesOf(CodificaEntero(value32)), CodesOf(c.code));
            EXPECT_EQ(DecodificaEntero(c.code), value32);
        }
    }
}

TEST(NumberCodeTest, ZeroInAThreeCharacterFieldIsThreeBlanks) {
    EXPECT_EQ(Field(0, 3), "   ");
    EXPECT_EQ(DecodificaEntero("   "), 0);
    EXPECT_EQ(DecodificaTexto("   "), "0");
}

// Every field width holds 2w decimal digits, positive or negative; the values at
// the edges of each width come back unchanged, padding included.
TEST(NumberCodeTest, EveryWidthRoundTripsItsEdgeValues) {
    for (const int width : {1, 2, 3, 5, 7}) {
        const std::int64_t largest = PowerOfTen(2 * width) - 1;
        std::vector<std::int64_t> values = {
            0, 1, 9, 10, 99, largest, -1, -9, -10, -99, -largest, largest / 10, -(largest / 10)};
        if (width >= 5) {
            values.insert(values.end(), {kInt32Max, kInt32Min, std::int64_t{kInt32Max} + 1,
                                         std::int64_t{kInt32Min} - 1});
        }
        for (const std::int64_t value : values) {
            SCOPED_TRACE("width " + std::to_string(width) + ", value " + std::to_string(value));
            const std::string field = Field(value, static_cast<std::size_t>(width));
            ASSERT_EQ(field.size(), static_cast<std::size_t>(width));
            ASSERT_LE(CodificaInt64(value).size(), static_cast<std::size_t>(width));
            EXPECT_EQ(DecodificaInt64(field), value);
            EXPECT_EQ(DecodificaTexto(field), ShownText(value));
            if (value >= kInt32Min && value <= kInt32Max) {
                const auto value32 = static_cast<std::int32_t>(value);
                EXPECT_EQ(PadLeftToWidth(CodificaEntero(value32), static_cast<std::size_t>(width)),
                          field);
                EXPECT_EQ(DecodificaEntero(field), value32);
            }
        }
        // One more than the largest value needs another character.
        EXPECT_EQ(CodificaInt64(largest + 1).size(), static_cast<std::size_t>(width) + 1);
        EXPECT_EQ(CodificaInt64(-largest - 1).size(), static_cast<std::size_t>(width) + 1);
    }
}

TEST(NumberCodeTest, SixtyFourBitLimitsRoundTrip) {
    for (const std::int64_t value : {kInt64Max, kInt64Min, kInt64Min + 1}) {
        SCOPED_TRACE(value);
        const std::string code = CodificaInt64(value);
        EXPECT_EQ(code.size(), 10u);
        EXPECT_EQ(DecodificaInt64(code), value);
    }
}

TEST(NumberCodeTest, DecodificaTextoShowsTheNumberWithoutLeadingZeros) {
    struct Case {
        std::string field;
        std::string text;
    };
    const std::vector<Case> cases = {
        {"     ", "0"},
        {Field(123, 3), "123"},
        {Field(100, 2), "100"},
        {Field(7, 1), "7"},
        {Field(1'234'567'890, 7), "1234567890"},
        {Field(-5, 3), "-05"},
        {Field(-42, 1), "-42"},
        {Field(-123, 5), "-0123"},
        {Field(-100, 2), "-0100"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(CodesOf(c.field)));
        EXPECT_EQ(DecodificaTexto(c.field), c.text);
    }
}

// Damaged fields raise EFormatoCatalogo from every decoder that meets the damage.
TEST(NumberCodeTest, DamagedFieldsRaiseFormatErrors) {
    struct Case {
        const char* label;
        std::string field;
        bool int64Fails; // DecodificaInt64 and DecodificaTexto; DecodificaEntero always fails
    };
    const std::vector<Case> cases = {
        {"empty field", "", true},
        {"control byte after a digit pair", Bytes({33, 31}), true},
        {"line end inside the field", Bytes({32, 10, 33}), true},
        {"NUL byte first", Bytes({0, 33}), true},
        {"structural byte 26", Bytes({33, 26, 33}), true},
        {"byte above the negative codes", Bytes({232}), true},
        {"byte 255 after a digit pair", Bytes({33, 255}), true},
        {"sign on the second character", Bytes({33, 133}), true},
        {"two signs", Bytes({133, 133}), true},
        {"sign after padding and a digit pair", Bytes({32, 140, 140}), true},
        {"sign after an inner blank", Bytes({33, 32, 133}), true},
        {"twenty digits beyond 64 bits", std::string(10, static_cast<char>(131)), true},
        {"twenty-two digits", std::string(11, '!'), true},
        {"just above 32 bits", CodificaInt64(std::int64_t{kInt32Max} + 1), false},
        {"just below 32 bits", CodificaInt64(std::int64_t{kInt32Min} - 1), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_THROW(DecodificaEntero(c.field), EFormatoCatalogo);
        if (c.int64Fails) {
            EXPECT_THROW(DecodificaInt64(c.field), EFormatoCatalogo);
            EXPECT_THROW(DecodificaTexto(c.field), EFormatoCatalogo);
        } else {
            EXPECT_NO_THROW(DecodificaInt64(c.field));
        }
    }
}

TEST(NumberCodeTest, SizesAreStoredWholeUpToTheFieldCapacity) {
    struct Case {
        std::uint64_t size;
        std::uint64_t readBack;
    };
    constexpr std::uint64_t kTwoGiB = 2'147'483'648ULL;
    const std::vector<Case> cases = {
        {0, 0},
        {123, 123},
        {kTwoGiB - 1, kTwoGiB - 1},
        {kTwoGiB, kTwoGiB},
        {3'000'000'000ULL, 3'000'000'000ULL},
        {4'294'967'296ULL, 4'294'967'296ULL},
        {kLargestStoredSize, kLargestStoredSize},
        {kLargestStoredSize + 1, kLargestStoredSize},
        {1'000'000'000'000ULL, kLargestStoredSize},
        {std::numeric_limits<std::uint64_t>::max(), kLargestStoredSize},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        const std::string field = CodificaTamano(c.size);
        ASSERT_EQ(field.size(), kSizeFieldWidth);
        EXPECT_EQ(DecodificaTamano(field), c.readBack);
    }
    EXPECT_EQ(CodificaTamano(123), "   " + Bytes({33, 55}));
    EXPECT_EQ(CodesOf(CodificaTamano(3'000'000'000ULL)), CodesOf(Bytes({62, 32, 32, 32, 32})));
}

// Older writers stored sizes as 32-bit signed values, so a negative field is a
// size of 2 GiB or more; values that no 32-bit writer could store are damage.
TEST(NumberCodeTest, NegativeSizesFromOlderCataloguesReadAsUnsigned) {
    struct Case {
        std::int64_t stored;
        std::uint64_t size;
    };
    const std::vector<Case> cases = {
        {-1'294'967'296, 3'000'000'000ULL},
        {-1, 4'294'967'295ULL}, // a one-character code behind four blanks
        {-2, 4'294'967'294ULL},
        {-99'999'999, 4'194'967'297ULL},
        {kInt32Min, 2'147'483'648ULL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        EXPECT_EQ(DecodificaTamano(Field(c.stored, kSizeFieldWidth)), c.size);
    }
    for (const std::int64_t stored : {std::int64_t{kInt32Min} - 1, -9'999'999'999}) {
        SCOPED_TRACE(stored);
        EXPECT_THROW(DecodificaTamano(Field(stored, kSizeFieldWidth)), EFormatoCatalogo);
    }
}

TEST(NumberCodeTest, DatesRoundTripAcrossTheDosRange) {
    const std::vector<DateTime> dates = {
        kDosEpoch,
        {2000, 2, 29, 23, 59, 58},
        {2024, 7, 14, 9, 5, 2},
        {2043, 12, 31, 23, 59, 58}, // the last date below 2^31
        {2044, 1, 1, 0, 0, 0},      // the first one that older writers stored negative
        {2099, 6, 15, 12, 30, 44},
        {2107, 12, 31, 23, 59, 58},
    };
    for (const DateTime& date : dates) {
        SCOPED_TRACE(ToIsoText(date));
        const std::uint32_t dos = DateTimeToDosDate(date).value();
        const std::string field = CodificaFecha(dos);
        ASSERT_EQ(field.size(), kDateFieldWidth);
        EXPECT_EQ(DecodificaFecha(field), date);

        const std::string oldField =
            PadLeftToWidth(CodificaEntero(static_cast<std::int32_t>(dos)), kDateFieldWidth);
        const auto firstCoded =
            static_cast<unsigned char>(oldField[oldField.find_first_not_of(' ')]);
        EXPECT_EQ(firstCoded >= 132, date.year >= 2044);
        EXPECT_EQ(DecodificaFecha(oldField), date);
    }
    EXPECT_EQ(CodesOf(CodificaFecha(2'162'688)), CodesOf(Bytes({32, 34, 48, 58, 120})));
}

TEST(NumberCodeTest, InvalidDatesRaiseFormatErrors) {
    // A DOS value from its date and time halves.
    const auto dos = [](std::uint32_t date, std::uint32_t time) -> std::int64_t {
        return static_cast<std::int64_t>((date << 16) | time);
    };
    const std::uint32_t jan1 = (1 << 5) | 1;
    struct Case {
        const char* label;
        std::string field;
    };
    const std::vector<Case> cases = {
        {"zero", Field(0, 5)},
        {"month 0", Field(dos(1, 0), 5)},
        {"month 13", Field(dos((13 << 5) | 1, 0), 5)},
        {"day 0", Field(dos(1 << 5, 0), 5)},
        {"February 30", Field(dos((2 << 5) | 30, 0), 5)},
        {"February 29 of 1981", Field(dos((1 << 9) | (2 << 5) | 29, 0), 5)},
        {"hour 24", Field(dos(jan1, 24 << 11), 5)},
        {"minute 60", Field(dos(jan1, 60 << 5), 5)},
        {"second 60", Field(dos(jan1, 30), 5)},
        {"beyond 32 bits", Field(4'294'967'296LL, 5)},
        {"below the 32-bit range", Field(std::int64_t{kInt32Min} - 1, 5)},
        {"control byte", Bytes({32, 34, 48, 10, 120})},
        {"empty", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_THROW(DecodificaFecha(c.field), EFormatoCatalogo);
    }
}

} // namespace
} // namespace sorvane
