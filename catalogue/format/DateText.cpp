// Date-times as text by a pattern.
#include "catalogue/format/DateText.h"

namespace sorvane {
namespace {

std::size_t RunLength(std::string_view pattern, std::size_t at) {
    std::size_t end = at;
    while (end < pattern.size() && pattern[end] == pattern[at]) ++end;
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

} // namespace

TDateFormat::TDateFormat(std::string_view pattern) {
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
            if (at + 1 == end && end < pattern.size()) literal = "'";
            tokens_.push_back({Field::Literal, 0, literal});
            at = end + 1;
            continue;
        }
        const std::size_t run = RunLength(pattern, at);
        const int width = run >= 2 ? 2 : 1;
        switch (c) {
        case 'd':
            if (run > 2) supported_ = false;
            tokens_.push_back({Field::Day, width, {}});
            break;
        case 'M':
            if (run > 2) supported_ = false;
            tokens_.push_back({Field::Month, width, {}});
            break;
        case 'y': tokens_.push_back({run >= 4 ? Field::Year4 : Field::Year2, 2, {}}); break;
        case 'H': tokens_.push_back({Field::Hour24, width, {}}); break;
        case 'h': tokens_.push_back({Field::Hour12, width, {}}); break;
        case 'm': tokens_.push_back({Field::Minute, width, {}}); break;
        case 's': tokens_.push_back({Field::Second, width, {}}); break;
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
            if (!tokens_.empty() && tokens_.back().field == Field::Literal && !tokens_.back().literal.empty() &&
                tokens_.back().literal.back() == ' ')
                tokens_.back().literal.pop_back();
            break;
        case 'z':
            supported_ = false;
            break;
        default: tokens_.push_back({Field::Literal, 0, std::string(run, c)}); break;
        }
        at += run;
    }
}

void TDateFormat::AppendTo(std::string& out, const DateTime& v) const {
    for (const Token& t : tokens_) {
        switch (t.field) {
        case Field::Literal: out += t.literal; break;
        case Field::Day: AppendNumber(out, v.day, t.width); break;
        case Field::Month: AppendNumber(out, v.month, t.width); break;
        case Field::Year2: AppendNumber(out, v.year % 100, 2); break;
        case Field::Year4: AppendNumber(out, v.year, 1); break;
        case Field::Hour24: AppendNumber(out, v.hour, t.width); break;
        case Field::Hour12: AppendNumber(out, v.hour % 12 == 0 ? 12 : v.hour % 12, t.width); break;
        case Field::Minute: AppendNumber(out, v.minute, t.width); break;
        case Field::Second: AppendNumber(out, v.second, t.width); break;
        case Field::AmPm: out += v.hour < 12 ? "AM" : "PM"; break;
        case Field::AmPmLower: out += v.hour < 12 ? "am" : "pm"; break;
        }
    }
}

std::string TDateFormat::Format(const DateTime& value) const {
    std::string out;
    AppendTo(out, value);
    return out;
}

} // namespace sorvane
