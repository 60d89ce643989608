// The search matchers: text normal forms, the approximate search, the two mask
// matchers with their set parser, and the node-name tests of every search mode.
#include "mainwindow/Matchers.h"

#include "catalogue/format/StringManager.h"
#include "catalogue/format/TextUtils.h"
#include "mainwindow/SearchScan.h"
#include "platform/Text.h"

#include <algorithm>
#include <climits>
#include <utility>

namespace sorvane {
namespace {

// The character at byte `pos`, ASCII without a call.
inline text::DecodedChar CharAt(std::string_view s, std::size_t pos) {
    const auto byte = static_cast<unsigned char>(s[pos]);
    if (byte < 0x80) return {byte, 1};
    return text::DecodeAt(s, pos);
}

// The approximate matcher upper-cases as the folding routines do.
inline char32_t UpperFast(char32_t c) {
    return FoldingUpperChar(c);
}

// Appends the characters of `s`, upper-cased, to `out`.
void AppendUpper(std::u32string& out, std::string_view s) {
    for (std::size_t pos = 0; pos < s.size();) {
        const text::DecodedChar d = CharAt(s, pos);
        out.push_back(UpperFast(d.code));
        pos += d.length;
    }
}

int CharCountInt(std::string_view s) {
    std::size_t count = 0;
    for (std::size_t pos = 0; pos < s.size(); pos += CharAt(s, pos).length)
        ++count;
    return static_cast<int>(count);
}

int DigitValue(char32_t c) {
    if (c >= '0' && c <= '9') return static_cast<int>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<int>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f') return static_cast<int>(c - 'a' + 10);
    return 0;
}

// Accumulates digits as TextToInt does; the magnitude stops at INT_MAX so that a
// long run of digits cannot overflow.
class NumberReader {
public:
    explicit NumberReader(bool hex) : base_(hex ? 16 : 10) {}
    void Add(char32_t c) {
        if (first_) {
            first_ = false;
            if (c == '-') {
                negative_ = true;
                return;
            }
        }
        value_ = value_ * base_ + DigitValue(c);
        if (value_ > INT_MAX) value_ = INT_MAX;
    }
    int Value() const { return static_cast<int>(negative_ ? -value_ : value_); }

private:
    long long base_;
    long long value_ = 0;
    bool first_ = true;
    bool negative_ = false;
};

// Mask characters read from UTF-8 (the matchers) or from decoded characters
// (ParseCharSet), so that both share one set grammar.
struct Utf8Chars {
    std::string_view s;
    bool End(std::size_t pos) const { return pos >= s.size(); }
    text::DecodedChar At(std::size_t pos) const { return CharAt(s, pos); }
};

struct DecodedChars {
    const std::u32string& s;
    bool End(std::size_t pos) const { return pos >= s.size(); }
    text::DecodedChar At(std::size_t pos) const { return {s[pos], 1}; }
};

inline bool IsSetSeparator(char32_t c) {
    return c == ',' || c == '.' || c == ':' || c == ']';
}

// Reads a set item starting just after its "[": an optional leading "!", then
// items separated by ",": a character, a range "x..y", or a repeat count "n:".
// Every range goes to `sink(low, high)`. On success `cursor` moves past the "]";
// an empty or longer item, a reversed range, a count below 1 or the end of the
// mask make the item invalid.
template <typename Chars, typename Sink>
bool ReadSet(const Chars& chars, bool upperCase, std::size_t& cursor, bool& negated, int& count,
             Sink&& sink) {
    std::size_t pos = cursor;
    negated = false;
    count = 1;
    if (!chars.End(pos) && chars.At(pos).code == '!') {
        negated = true;
        pos += chars.At(pos).length;
    }
    for (;;) {
        char32_t first = 0;
        int length = 0;
        NumberReader number(false);
        while (!chars.End(pos)) {
            const text::DecodedChar d = chars.At(pos);
            if (IsSetSeparator(d.code)) break;
            if (length == 0) first = d.code;
            number.Add(d.code);
            ++length;
            pos += d.length;
        }
        if (chars.End(pos) || length == 0) return false;
        const text::DecodedChar separator = chars.At(pos);
        pos += separator.length;
        if (separator.code == ':') {
            count = number.Value();
            if (count < 1) return false;
            continue;
        }
        if (length != 1) return false;
        if (upperCase) first = UpperFast(first);
        char32_t last = first;
        char32_t after = separator.code;
        if (after == '.') {
            while (!chars.End(pos) && chars.At(pos).code == '.')
                pos += chars.At(pos).length;
            if (chars.End(pos)) return false;
            const text::DecodedChar high = chars.At(pos);
            if (IsSetSeparator(high.code)) return false;
            last = upperCase ? UpperFast(high.code) : high.code;
            if (last < first) return false;
            pos += high.length;
            if (chars.End(pos)) return false;
            after = chars.At(pos).code;
            if (after != ',' && after != ']') return false;
            pos += chars.At(pos).length;
        }
        sink(first, last);
        if (after == ']') {
            cursor = pos;
            return true;
        }
    }
}

// The mask walk shared by both matchers: one restart point after the last "*";
// a mask that ends while text remains, like any other mismatch, lets that "*"
// take one more character. Every mask element but "*" takes a fixed number of
// characters, so the first placement found for each stretch is the best and
// one restart point is enough: no recursion, at most text × mask steps.
template <bool kSets> bool MaskMatch(std::string_view text, std::string_view mask) {
    constexpr std::size_t kNone = std::string_view::npos;
    const Utf8Chars maskChars{mask};
    std::size_t t = 0, m = 0;
    std::size_t restartMask = kNone, restartText = 0;
    for (;;) {
        bool advanced = false;
        if (m < mask.size()) {
            const text::DecodedChar mc = CharAt(mask, m);
            if (mc.code == '*') {
                m += mc.length;
                if (m == mask.size()) return true;
                restartMask = m;
                restartText = t;
                continue;
            }
            if (t == text.size()) return false; // no later restart leaves more text
            if (kSets && mc.code == '[') {
                std::size_t setEnd = m + mc.length;
                bool negated = false;
                int count = 1;
                if (!ReadSet(maskChars, false, setEnd, negated, count, [](char32_t, char32_t) {}))
                    return false;
                std::size_t at = t;
                int taken = 0;
                for (; taken < count && at < text.size(); ++taken) {
                    const text::DecodedChar tc = CharAt(text, at);
                    bool inSet = false;
                    std::size_t again = m + mc.length;
                    bool ignoredNegated = false;
                    int ignoredCount = 0;
                    ReadSet(maskChars, false, again, ignoredNegated, ignoredCount,
                            [&](char32_t low, char32_t high) {
                                if (tc.code >= low && tc.code <= high) inSet = true;
                            });
                    if (inSet == negated) break;
                    at += tc.length;
                }
                if (taken == count) {
                    t = at;
                    m = setEnd;
                    advanced = true;
                }
            } else {
                const text::DecodedChar tc = CharAt(text, t);
                if (mc.code == '?' || mc.code == tc.code) {
                    t += tc.length;
                    m += mc.length;
                    advanced = true;
                }
            }
        } else if (t == text.size()) {
            return true;
        }
        if (advanced) continue;
        if (restartMask == kNone || restartText >= text.size()) return false;
        restartText += CharAt(text, restartText).length;
        t = restartText;
        m = restartMask;
    }
}

} // namespace

TFuzzySearch::TFuzzySearch(std::string_view pattern, int maxErrors) : MaxErrors(maxErrors) {
    SetPattern(pattern);
}

void TFuzzySearch::SetPattern(std::string_view value) {
    pattern_.clear();
    AppendUpper(pattern_, value);
    const std::size_t cells = pattern_.size() + 1;
    previousCosts_.assign(cells, 0);
    currentCosts_.assign(cells, 0);
    previousStarts_.assign(cells, 0);
    currentStarts_.assign(cells, 0);
    Restart();
}

// The column before the first text character: a pattern prefix of i characters
// costs i deletions; its start offsets are i.
void TFuzzySearch::Restart() {
    for (std::size_t i = 0; i < currentCosts_.size(); ++i) {
        currentCosts_[i] = static_cast<int>(i);
        currentStarts_[i] = static_cast<int>(i);
    }
    position_ = 0;
    lastReported_ = -1;
}

bool TFuzzySearch::Search(std::string_view value) {
    text_.clear();
    AppendUpper(text_, value);
    Restart();
    return FindNext();
}

// Each column holds, for every pattern prefix, the least cost of a stretch of
// text ending at the current character, and where that stretch starts as an
// offset from the current character (0 there, -n n characters earlier).
bool TFuzzySearch::FindNext() {
    const std::size_t m = pattern_.size();
    FoundPos = FoundLen = FoundErrors = 0;
    if (m == 0) return false;
    while (position_ < text_.size()) {
        std::swap(previousCosts_, currentCosts_);
        std::swap(previousStarts_, currentStarts_);
        const int* a = previousCosts_.data();
        const int* sa = previousStarts_.data();
        int* b = currentCosts_.data();
        int* sb = currentStarts_.data();
        const char32_t c = text_[position_];
        const int here = static_cast<int>(position_);
        ++position_;
        b[0] = 0; // a match may start anywhere
        sb[1] = 0;
        // The cost of prefix i, then where its stretch starts (from prefix 2 on):
        // after the shorter prefix's stretch when that was cheaper the column
        // before, else with it when it is cheaper now, else after the same
        // prefix's stretch when that was cheaper, else after the shorter one.
        for (std::size_t i = 1; i <= m; ++i) {
            const int diagonal = a[i - 1] + (pattern_[i - 1] != c ? 1 : 0);
            b[i] = std::min({diagonal, a[i] + 1, b[i - 1] + 1});
            if (i < 2) continue;
            if (a[i - 1] < b[i])
                sb[i] = sa[i - 1] - 1;
            else if (b[i - 1] < b[i])
                sb[i] = sb[i - 1];
            else if (a[i] < b[i])
                sb[i] = sa[i] - 1;
            else
                sb[i] = sa[i - 1] - 1;
        }
        if (b[m] > MaxErrors) continue;
        // The stretch ends at this character; a start the offsets put before
        // the text or after this character is held inside the text.
        const int start = std::clamp(here + sb[m], 0, here);
        if (start == lastReported_) continue;
        FoundPos = start;
        FoundLen = here + 1 - start;
        FoundErrors = b[m];
        lastReported_ = start;
        return true;
    }
    return false;
}

bool WildcardMatch(std::string_view value, std::string_view mask) {
    return MaskMatch<false>(value, mask);
}

bool WildcardMatchSets(std::string_view value, std::string_view mask) {
    return MaskMatch<true>(value, mask);
}

bool ParseCharSet(bool upperCase, const std::u32string& mask, std::size_t& cursor,
                  CharSetItem& item) {
    item = CharSetItem{};
    std::size_t pos = cursor;
    bool negated = false;
    int count = 1;
    if (!ReadSet(DecodedChars{mask}, upperCase, pos, negated, count,
                 [&](char32_t low, char32_t high) { item.ranges.emplace_back(low, high); })) {
        item.ranges.clear();
        return false;
    }
    item.negated = negated;
    item.count = count;
    cursor = pos;
    return true;
}

int TextToInt(bool hex, std::string_view chars) {
    NumberReader number(hex);
    for (char c : chars)
        number.Add(static_cast<unsigned char>(c));
    return number.Value();
}

SubstringMatch FindSubstring(std::string_view field, std::string_view value, bool wholeWord) {
    SubstringMatch result;
    if (value.empty()) return result;
    std::size_t at = field.find(value);
    if (at == std::string_view::npos) return result;
    const int length = CharCountInt(value);
    std::size_t counted = 0; // bytes of `field` already counted into `chars`
    int chars = 0;
    const auto record = [&](std::size_t byte) {
        chars += CharCountInt(field.substr(counted, byte - counted));
        counted = byte;
        result.start = chars + 1;
        result.end = chars + length;
    };
    result.found = true;
    record(at);
    if (!wholeWord) {
        result.hit = true;
        return result;
    }
    const int firstStart = result.start, firstEnd = result.end;
    while (at != std::string_view::npos) {
        if (IsWholeWord(field, at + 1, at + value.size())) {
            record(at);
            result.hit = true;
            return result;
        }
        at = field.find(value, at + CharAt(field, at).length);
    }
    result.start = firstStart;
    result.end = firstEnd;
    return result;
}

namespace {

bool Combine(bool andMode, bool first, bool second) {
    return andMode ? first && second : first || second;
}

// A name in the normal form of a mode, with the way back to its stored characters.
struct FoldedName {
    FoldedName(std::string_view name, FoldMode mode)
        : stored(name), text(FoldField(name, mode, buffer, &map)) {}
    // A range of the folded name as a range of the stored one.
    void Stored(int& start, int& end) const {
        if (start != 0) map.ToStored(stored, start, end);
    }
    std::string_view stored;
    std::string buffer;
    FoldMap map;
    std::string_view text;
};

// The range of a whole field that matched a mask: 1 .. its length.
bool MaskRange(bool matched, const FoldedName& name, int& start, int& end) {
    if (matched) {
        start = 1;
        end = CharCountInt(name.text);
        name.Stored(start, end);
    }
    return matched;
}

bool FuzzyRange(TFuzzySearch& fuzzy, const FoldedName& name, int& start, int& end) {
    if (!fuzzy.Search(name.text)) return false;
    start = fuzzy.FoundPos + 1;
    end = fuzzy.FoundPos + fuzzy.FoundLen;
    name.Stored(start, end);
    return true;
}

} // namespace

NameMatch CoincideNombre(std::string_view text1, bool andMode, bool wholeWord, FoldMode mode,
                         std::string_view name, std::string_view text2) {
    NameMatch result;
    if (text1.empty()) return result;
    const FoldedName folded(name, mode);
    const SubstringMatch first = FindSubstring(folded.text, text1, wholeWord);
    result.start1 = first.start;
    result.end1 = first.end;
    folded.Stored(result.start1, result.end1);
    result.hit = first.hit;
    if (!text2.empty()) {
        const SubstringMatch second = FindSubstring(folded.text, text2, wholeWord);
        result.start2 = second.start;
        result.end2 = second.end;
        folded.Stored(result.start2, result.end2);
        result.hit = Combine(andMode, first.hit, second.hit);
    }
    return result;
}

NameMatch CoincideNombreComodin(std::string_view text1, bool andMode, FoldMode mode,
                                std::string_view name, std::string_view text2) {
    NameMatch result;
    if (text1.empty()) return result;
    const FoldedName folded(name, mode);
    result.hit = MaskRange(WildcardMatch(folded.text, text1), folded, result.start1, result.end1);
    if (!text2.empty()) {
        const bool second =
            MaskRange(WildcardMatch(folded.text, text2), folded, result.start2, result.end2);
        result.hit = Combine(andMode, result.hit, second);
    }
    return result;
}

NameMatch CoincideNombreComodines(std::string_view text1, FoldMode mode, std::string_view name) {
    NameMatch result;
    if (text1.empty()) return result;
    const FoldedName folded(name, mode);
    result.hit =
        MaskRange(WildcardMatchSets(folded.text, text1), folded, result.start1, result.end1);
    return result;
}

NameMatch CoincideNombreDifusa(TFuzzySearch& fuzzy1, TFuzzySearch& fuzzy2, std::string_view text1,
                               bool andMode, FoldMode mode, std::string_view name,
                               std::string_view text2) {
    NameMatch result;
    if (text1.empty()) return result;
    const FoldedName folded(name, mode);
    result.hit = FuzzyRange(fuzzy1, folded, result.start1, result.end1);
    if (!text2.empty()) {
        const bool second = FuzzyRange(fuzzy2, folded, result.start2, result.end2);
        result.hit = Combine(andMode, result.hit, second);
    }
    return result;
}

} // namespace sorvane
