// Date-times as text by a date format pattern of the system (the locale's short
// date and long time patterns: "d", "dd", "M", "MM", "yy", "yyyy", "H", "HH",
// "h", "hh", "m", "mm", "s", "ss", "AP"/"ap", quoted literals). The pattern is
// read once, so a grid of a hundred thousand dates formats quickly.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/DateTime.h"

namespace sorvane {

class TDateFormat {
public:
    TDateFormat() = default;
    explicit TDateFormat(std::string_view pattern);

    // False when the pattern holds a field this formatter does not write (day
    // or month names); the caller then formats through the locale.
    bool Supported() const { return supported_; }
    std::string Format(const DateTime& value) const;
    void AppendTo(std::string& out, const DateTime& value) const;

private:
    enum class Field { Literal, Day, Month, Year2, Year4, Hour24, Hour12, Minute, Second, AmPm, AmPmLower };
    struct Token {
        Field field;
        int width; // 1 or 2 digits
        std::string literal;
    };
    std::vector<Token> tokens_;
    bool supported_ = true;
};

} // namespace sorvane
