// The matchers of the search: an approximate (k-differences) search, wildcard
// masks with "*" and "?", extended masks with character sets, and the tests of
// a collection's or catalogue's name in each mode. Texts are UTF-8; every
// position and length here counts characters, not bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sorvane {

// How search texts and the fields they are compared with are normalised.
enum class FoldMode : int {
    UpperNoAccents = 1, // PasaMayusculasSinTildes
    Upper = 2,          // PasaMayusculas
    NoAccents = 3,      // QuitaTildes
    AsTyped = 4,
};

// The text in the given normal form, always UTF-8 in NFC (a field that is not
// valid UTF-8 is read as Windows-1252), so canonically equivalent texts fold
// alike: upper case is simple case mapping; accents ignored removes the general
// combining diacritics after decomposition, but keeps the tilde of ñ and Ñ.
// Characters keep their positions unless the text holds combining marks or
// decomposed letters (FoldField tells where they went).
std::string Fold(std::string_view text, FoldMode mode);

// Approximate search: the first stretch of a text within MaxErrors differences
// (substitution, insertion, deletion, each 1) of the whole pattern. Pattern and
// text are compared upper-cased.
class TFuzzySearch {
public:
    explicit TFuzzySearch(std::string_view pattern = {}, int maxErrors = 1);

    void SetPattern(std::string_view text);
    const std::u32string& Pattern() const { return pattern_; }
    // Searches `text` from its start; false with an empty pattern.
    bool Search(std::string_view text);
    // Goes on after the last match reported.
    bool FindNext();

    int MaxErrors = 1;
    int FoundPos = 0; // 0-based start of the match, in characters
    int FoundLen = 0; // its length, in characters; the match never leaves the text
    int FoundErrors = 0;

private:
    void Restart();

    std::u32string pattern_;
    std::u32string text_;
    std::size_t position_ = 0;
    int lastReported_ = -1;
    std::vector<int> previousCosts_, currentCosts_, previousStarts_, currentStarts_;
};

bool WildcardMatch(std::string_view text, std::string_view mask);
bool WildcardMatchSets(std::string_view text, std::string_view mask);

// One set item "[...]" of an extended mask.
struct CharSetItem {
    std::vector<std::pair<char32_t, char32_t>> ranges; // inclusive ranges of characters
    bool negated = false;
    int count = 1;
};

// Reads a set item from `mask` starting just after its "["; on success advances
// `cursor` (an index into the mask's characters) past the closing "]", on
// failure leaves it where it was. With `upperCase` the set's characters are
// upper-cased (the matchers never ask for that).
bool ParseCharSet(bool upperCase, const std::u32string& mask, std::size_t& cursor,
                  CharSetItem& item);

// Digits as a decimal (or hexadecimal) number; a leading "-" makes it negative.
// "A".."F" and "a".."f" count 10-15 in either base, any other non-digit 0; the
// magnitude stops at INT_MAX.
int TextToInt(bool hex, std::string_view chars);

// The substring test of one field (both texts normalised alike). `found`: the
// text occurs; `hit`: it occurs and, with `wholeWord`, some occurrence stands as
// a whole word. The range (1-based characters, 0 when not found) is that of the
// first occurrence that stands as a whole word, else of the first occurrence.
struct SubstringMatch {
    bool found = false;
    bool hit = false;
    int start = 0, end = 0;
};
SubstringMatch FindSubstring(std::string_view field, std::string_view text, bool wholeWord);

// The result of a name test: ranges are 1-based character positions, 0 for none.
struct NameMatch {
    bool hit = false;
    int start1 = 0, end1 = 0, start2 = 0, end2 = 0;
};

// Node-name tests; the texts come already normalised, the name is normalised here.
NameMatch CoincideNombre(std::string_view text1, bool andMode, bool wholeWord, FoldMode mode,
                         std::string_view name, std::string_view text2);
NameMatch CoincideNombreComodin(std::string_view text1, bool andMode, FoldMode mode,
                                std::string_view name, std::string_view text2);
NameMatch CoincideNombreComodines(std::string_view text1, FoldMode mode, std::string_view name);
NameMatch CoincideNombreDifusa(TFuzzySearch& fuzzy1, TFuzzySearch& fuzzy2, std::string_view text1,
                               bool andMode, FoldMode mode, std::string_view name,
                               std::string_view text2);

} // namespace sorvane
