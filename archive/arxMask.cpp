// File mask compilation and matching with one backtrack point.
#include "archive/arxMask.h"

#include <string>

namespace sorvane {
namespace {

unsigned char UpperAscii(unsigned char c) {
    return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

bool IsEndElement(const TInternalMask::Element& e) {
    return e.Kind == TInternalMask::kLiteral && e.Char == 0;
}

} // namespace

TInternalMask::TInternalMask(std::string_view mask) {
    bool starPending = false;
    for (const char raw : mask) {
        const auto c = static_cast<unsigned char>(raw);
        if (c == 0) break;
        if (c == '*') {
            starPending = true;
        } else if (c == '?') {
            // "*?" is "*": the star already takes any character the "?" would.
            if (!starPending) Elements.push_back({false, kAnyChar, 0, {}});
        } else {
            Elements.push_back({starPending, kLiteral, UpperAscii(c), {}});
            starPending = false;
        }
    }
    Elements.push_back({starPending, kLiteral, 0, {}});
    DotAtEnd = !mask.empty() && mask.back() == '.';
}

bool TInternalMask::Accepts(const Element& e, std::string_view name, std::size_t pos) {
    if (IsEndElement(e)) return pos == name.size();
    if (pos >= name.size()) return false;
    const auto c = static_cast<unsigned char>(name[pos]);
    switch (e.Kind) {
    case kLiteral:
        return c == e.Char;
    case kAnyChar:
        return true;
    case kCharSet:
        return e.Set.test(c);
    default:
        return false;
    }
}

bool TInternalMask::Matches(std::string_view name) const {
    if (Elements.empty()) return false;
    std::string upper;
    upper.reserve(name.size() + 1);
    for (const char c : name)
        upper.push_back(static_cast<char>(UpperAscii(static_cast<unsigned char>(c))));
    if (DotAtEnd && upper.find('.') == std::string::npos) upper.push_back('.');
    const std::string_view text = upper;

    // Only the most recent star is ever resumed: letting it take one more
    // character covers every way an earlier star could have taken more, so the
    // match needs no stack of backtrack points and never takes exponential time.
    bool haveStar = false;
    std::size_t starElement = 0, starResume = 0;
    std::size_t e = 0, pos = 0;
    while (e < Elements.size()) {
        const Element& element = Elements[e];
        if (element.AfterStar) {
            while (pos < text.size() && !Accepts(element, text, pos))
                ++pos;
            if (!Accepts(element, text, pos)) return false;
            haveStar = true;
            starElement = e;
            starResume = pos + 1;
        } else if (!Accepts(element, text, pos)) {
            if (!haveStar) return false;
            e = starElement;
            pos = starResume;
            continue;
        }
        if (IsEndElement(element)) return true;
        ++e;
        ++pos;
    }
    return false; // a hand-built list without its end element
}

bool MatchesMask(std::string_view name, std::string_view mask) {
    return TInternalMask(mask).Matches(name);
}

} // namespace sorvane
