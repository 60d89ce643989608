// Date-times as text by a pattern.
#include "catalogue/format/DateText.h"

namespace sorvane {
namespace {

std::size_t RunLength(std::string_view pattern, std::size_t at) {
    std::size_t end = at;
    while (end < pattern.size() && pattern[end] == pattern[at])
        ++end;
    return end - at;
}

void AppendNumber(std::string& out, int value, int width) {
    if (value < 0) value = 0;
    if (width == 2 && value < 10) out.push_back('0');
    if (value >= 1000) out.push_back(static_cast<char>('0' + value / 1000 % 10));
    if (value >= 100) out.push_back(static_cast<char>('0' + value / 100 % 10));
    if (value >= 10) out.push_back(static_cast<char>('0' + value / 10 % 10));
    out.push_back(static_cast<char>('0' + value % 10));
}

// Reads 1 .. maxDigits digits at `at`, moving past them; -1 without a digit.
int ReadNumber(std::string_view text, std::size_t& at, int maxDigits) {
    int value = 0, digits = 0;
    while (digits < maxDigits && at < text.size() && text[at] >= '0' && text[at] <= '9') {
        value = value * 10 + (text[at++] - '0');
        ++digits;
    }
    return digits > 0 ? value : -1;
}

// "AM" or "PM" in either case at `at`: 0 for AM, 1 for PM, -1 for neither.
int ReadAmPm(std::string_view text, std::size_t& at) {
    if (at + 2 > text.size()) return -1;
    const char first = static_cast<char>(text[at] & ~0x20),
               second = static_cast<char>(text[at + 1] & ~0x20);
    if (second != 'M' || (first != 'A' && first != 'P')) return -1;
    at += 2;
    return first == 'P' ? 1 : 0;
}

// The index of the longest of `names` that stands at `at`, moving past it; -1 for none.
template <std::size_t N>
int ReadName(const std::array<std::string, N>& names, std::string_view text, std::size_t& at) {
    int found = -1;
    std::size_t length = 0;
    for (std::size_t i = 0; i < N; ++i) {
        const std::string& name = names[i];
        if (!name.empty() && name.size() > length && text.substr(at, name.size()) == name) {
            found = static_cast<int>(i);
            length = name.size();
        }
    }
    at += length;
    return found;
}

// Monday 0 .. Sunday 6.
std::size_t WeekdayIndex(const DateTime& v) {
    return static_cast<std::size_t>((DayOfWeek(v.year, v.month, v.day) + 6) % 7);
}

} // namespace

TDateFormat::TDateFormat(std::string_view pattern) {
    Read(pattern);
}

TDateFormat::TDateFormat(std::string_view pattern, TDateNames names)
    : names_(std::make_shared<const TDateNames>(std::move(names))) {
    Read(pattern);
}

void TDateFormat::Read(std::string_view pattern) {
    for (std::size_t at = 0; at < pattern.size();) {
        const char c = pattern[at];
        if (c == '\'') {
            // A quoted literal; two quotes stand for one.
            std::string literal;
            std::size_t end = at + 1;
            while (end < pattern.size()) {
                if (pattern[end] == '\'') {
                    if (end + 1 < pattern.size() && pattern[end + 1] == '\'') {
                        literal.push_back('\'');
                        end += 2;
                        continue;
                    }
                    break;
                }
                literal.push_back(pattern[end++]);
            }
            if (at + 1 == end && end < pattern.size()) literal.assign(1, '\'');
            tokens_.push_back({Field::Literal, 0, literal});
            at = end + 1;
            continue;
        }
        const std::size_t run = RunLength(pattern, at);
        const int width = run >= 2 ? 2 : 1;
        switch (c) {
        case 'd':
        case 'M':
            if (run <= 2) {
                tokens_.push_back({c == 'd' ? Field::Day : Field::Month, width, {}});
                break;
            }
            if (!names_) supported_ = false;
            tokens_.push_back({c == 'd' ? Field::DayName : Field::MonthName, run == 3 ? 1 : 2, {}});
            break;
        case 'y':
            tokens_.push_back({run >= 4 ? Field::Year4 : Field::Year2, 2, {}});
            break;
        case 'H':
            tokens_.push_back({Field::Hour24, width, {}});
            break;
        case 'h':
            tokens_.push_back({Field::Hour12, width, {}});
            break;
        case 'm':
            tokens_.push_back({Field::Minute, width, {}});
            break;
        case 's':
            tokens_.push_back({Field::Second, width, {}});
            break;
        case 'A':
        case 'a':
            if (at + 1 < pattern.size() && (pattern[at + 1] == 'P' || pattern[at + 1] == 'p')) {
                tokens_.push_back({c == 'A' ? Field::AmPm : Field::AmPmLower, 0, {}});
                at += 2;
                continue;
            }
            tokens_.push_back({Field::Literal, 0, std::string(run, c)});
            break;
        case 't':
            // Catalogue times are wall-clock times without a zone: the zone and
            // the blank before it are left out.
            if (!tokens_.empty() && tokens_.back().field == Field::Literal &&
                !tokens_.back().literal.empty() && tokens_.back().literal.back() == ' ')
                tokens_.back().literal.pop_back();
            break;
        case 'z':
            supported_ = false;
            break;
        default:
            tokens_.push_back({Field::Literal, 0, std::string(run, c)});
            break;
        }
        at += run;
    }
}

void TDateFormat::AppendTo(std::string& out, const DateTime& v) const {
    for (const Token& t : tokens_) {
        switch (t.field) {
        case Field::Literal:
            out += t.literal;
            break;
        case Field::Day:
            AppendNumber(out, v.day, t.width);
            break;
        case Field::Month:
            AppendNumber(out, v.month, t.width);
            break;
        case Field::Year2:
            AppendNumber(out, v.year % 100, 2);
            break;
        case Field::Year4:
            AppendNumber(out, v.year, 1);
            break;
        case Field::Hour24:
            AppendNumber(out, v.hour, t.width);
            break;
        case Field::Hour12:
            AppendNumber(out, v.hour % 12 == 0 ? 12 : v.hour % 12, t.width);
            break;
        case Field::Minute:
            AppendNumber(out, v.minute, t.width);
            break;
        case Field::Second:
            AppendNumber(out, v.second, t.width);
            break;
        case Field::AmPm:
            out += v.hour < 12 ? "AM" : "PM";
            break;
        case Field::AmPmLower:
            out += v.hour < 12 ? "am" : "pm";
            break;
        case Field::DayName:
            if (names_)
                out += (t.width == 1 ? names_->shortDays : names_->longDays)[WeekdayIndex(v)];
            break;
        case Field::MonthName:
            if (names_ && v.month >= 1 && v.month <= 12)
                out += (t.width == 1 ? names_->shortMonths
                                     : names_->longMonths)[static_cast<std::size_t>(v.month - 1)];
            break;
        }
    }
}

std::optional<DateTime> TDateFormat::Parse(std::string_view text) const {
    if (!supported_) return std::nullopt;
    DateTime v;
    std::size_t at = 0;
    int hour12 = -1, pm = -1;
    for (const Token& t : tokens_) {
        int number = 0;
        switch (t.field) {
        case Field::Literal:
            if (text.substr(at, t.literal.size()) != t.literal) return std::nullopt;
            at += t.literal.size();
            continue;
        case Field::AmPm:
        case Field::AmPmLower:
            pm = ReadAmPm(text, at);
            if (pm < 0) return std::nullopt;
            continue;
        case Field::DayName:
            if (ReadName(t.width == 1 ? names_->shortDays : names_->longDays, text, at) < 0)
                return std::nullopt;
            continue;
        case Field::MonthName:
            v.month =
                ReadName(t.width == 1 ? names_->shortMonths : names_->longMonths, text, at) + 1;
            if (v.month < 1) return std::nullopt;
            continue;
        case Field::Year4:
            number = ReadNumber(text, at, 4);
            break;
        case Field::Year2:
            number = ReadNumber(text, at, 2);
            break;
        default:
            number = ReadNumber(text, at, 2);
            break;
        }
        if (number < 0) return std::nullopt;
        switch (t.field) {
        case Field::Day:
            v.day = number;
            break;
        case Field::Month:
            v.month = number;
            break;
        case Field::Year2:
            v.year = number < 80 ? 2000 + number : 1900 + number;
            break;
        case Field::Year4:
            v.year = number;
            break;
        case Field::Hour24:
            v.hour = number;
            break;
        case Field::Hour12:
            hour12 = number;
            break;
        case Field::Minute:
            v.minute = number;
            break;
        case Field::Second:
            v.second = number;
            break;
        default:
            break;
        }
    }
    if (at != text.size()) return std::nullopt;
    if (hour12 >= 0) {
        if (hour12 < 1 || hour12 > 12) return std::nullopt;
        v.hour = pm < 0 ? hour12 : hour12 % 12 + 12 * pm;
    }
    if (!IsCalendarDate(v.year, v.month, v.day) || !IsClockTime(v.hour, v.minute, v.second))
        return std::nullopt;
    return v;
}

std::string TDateFormat::Format(const DateTime& value) const {
    std::string out;
    AppendTo(out, value);
    return out;
}

} // namespace sorvane
