// Quick rejection for the search loop: the places of a raw catalogue line where
// a search text could still match once a field is folded, found without folding
// anything; and the fold of a field into a reusable buffer.
#pragma once

#include "mainwindow/Matchers.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sorvane {

// Where the characters of a folded field come from in the stored field.
struct FoldMap {
    // Each folded character is the stored character of the same index (the
    // usual case: no character of the field needed its neighbours to fold).
    bool identity = true;
    // Otherwise, for each folded character, the stored bytes it comes from.
    std::vector<std::uint32_t> begin, end;

    // A 1-based character range of the folded field as a range of `stored`,
    // the field it was folded from, in characters as the result grid counts them.
    void ToStored(std::string_view stored, int& start, int& end) const;
};

// The field in the normal form of `mode`, exactly as Fold gives it, written into
// `buffer` (whose memory is reused) or, when folding changes nothing, the field
// itself. The result is valid until `buffer` or the field changes. With a map,
// tells where each folded character comes from.
std::string_view FoldField(std::string_view field, FoldMode mode, std::string& buffer,
                           FoldMap* map = nullptr);

// True for a byte that can begin a character which some fold (upper case,
// accent removal, or both) turns into an ASCII character: the lead bytes of
// such UTF-8 sequences, and the Windows-1252 bytes of such characters.
bool MayFoldIntoAscii(unsigned char byte);

// Finds candidates in raw text: an occurrence of one of the needles (ASCII,
// compared with ASCII letters folded) or a byte for which MayFoldIntoAscii holds.
//
// Why this is exact enough: outside the marked bytes, every character of a
// field is either ASCII, which folds into itself or its other letter case, or
// stays non-ASCII under every fold. So an ASCII stretch of a folded field
// stands, letter case aside, in the raw bytes too; when a match needs such a
// stretch, a field with no candidate cannot match.
class CandidateScan {
public:
    CandidateScan() = default;
    // Needles must be non-empty ASCII; none makes the scan inactive.
    explicit CandidateScan(const std::vector<std::string>& needles);

    bool Active() const { return !needles_.empty(); }

    // Index of the first candidate at or after `from`, npos when none.
    std::size_t Next(std::string_view text, std::size_t from = 0) const;

    static constexpr std::size_t kMaxNeedles = 8;

private:
    friend class CandidateCursor;
    struct Needle {
        std::string lower; // the needle with ASCII letters in lower case
        unsigned char first, last;
        unsigned char firstMask, lastMask; // 0x20 where the end is a letter, else 0
    };
    static std::size_t FindNeedle(std::string_view text, std::size_t from, const Needle& needle);
    static std::size_t FindMarked(std::string_view text, std::size_t from);

    std::vector<Needle> needles_;
};

// Candidates of one text in increasing order: each needle's last find is kept,
// so walking a long text from candidate to candidate reads it about once.
class CandidateCursor {
public:
    CandidateCursor(const CandidateScan& scan, std::string_view text);
    // The first candidate at or after `from`; `from` must not decrease between calls.
    std::size_t Next(std::size_t from);

private:
    static constexpr std::size_t kUnknown = static_cast<std::size_t>(-2);
    const CandidateScan& scan_;
    std::string_view text_;
    std::size_t found_[CandidateScan::kMaxNeedles + 1];
};

// How many times the byte occurs in the text.
std::size_t CountByte(std::string_view text, char byte);

// The longest stretch of ASCII characters of a text (empty when it has none).
std::string_view LongestAsciiRun(std::string_view text);

} // namespace sorvane
