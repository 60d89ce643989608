// Date-times as text by a date format pattern of the system (the locale's short
// date and long time patterns: "d", "dd", "M", "MM", "yy", "yyyy", "H", "HH",
// "h", "hh", "m", "mm", "s", "ss", "AP"/"ap", quoted literals; day and month
// names when the caller hands the locale's names over). The pattern is read
// once, so a grid of a hundred thousand dates formats quickly.
#pragma once

#include "platform/DateTime.h"

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sorvane {

// A locale's names (UTF-8), for the patterns "ddd", "dddd", "MMM" and "MMMM".
struct TDateNames {
    std::array<std::string, 12> shortMonths, longMonths; // January first
    std::array<std::string, 7> shortDays, longDays;      // Monday first
};

class TDateFormat {
public:
    TDateFormat() = default;
    explicit TDateFormat(std::string_view pattern);
    // The same, with day and month names written and read by `names`.
    TDateFormat(std::string_view pattern, TDateNames names);

    // False when the pattern holds a field this formatter does not write (day
    // or month names without TDateNames, a zone name); the caller then formats
    // through the locale.
    bool Supported() const { return supported_; }
    std::string Format(const DateTime& value) const;
    void AppendTo(std::string& out, const DateTime& value) const;
    // Reads back a text this pattern wrote (a grid cell turned into a sort key):
    // numbers of one or two digits where the pattern has one letter, up to four
    // digits for "yyyy"; a two-digit year names 1980 to 2079, the years of DOS
    // dates; fields the pattern lacks keep the values of DateTime{}. Nothing
    // when the text does not follow the pattern to its end, when a field is out
    // of range (month 13, 31 April, minute 60) or when the pattern is not
    // Supported(). A month name gives the month; a day name is passed over.
    std::optional<DateTime> Parse(std::string_view text) const;

private:
    enum class Field {
        Literal,
        Day,
        Month,
        Year2,
        Year4,
        Hour24,
        Hour12,
        Minute,
        Second,
        AmPm,
        AmPmLower,
        DayName,
        MonthName
    };
    struct Token {
        Field field;
        int width; // 1 or 2 digits; for names 1 short, 2 long
        std::string literal;
    };
    void Read(std::string_view pattern);

    std::vector<Token> tokens_;
    std::shared_ptr<const TDateNames> names_; // shared by copies of one format
    bool supported_ = true;
};

} // namespace sorvane
