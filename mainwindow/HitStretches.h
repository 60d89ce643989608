// The stretches of a result cell that the hit drawing marks: the cell text cut
// at the two MatchRange texts of its column, ordered and made not to overlap.
#pragma once

#include <string_view>

namespace sorvane {

// Consecutive pieces of one cell text: before, match1, between, match2, after
// put together give the text back. `marked` is false when neither range names
// a stretch; the whole text is then in `before`.
struct HitStretches {
    std::string_view before, match1, between, match2, after;
    bool marked = false;
};

// `range1` and `range2` are MatchRange texts ("start end", 1-based character
// positions, "0 0" for none). With one range: before, match1 (that range),
// after. With both: ordered by start; the second is dropped when the first
// ends at or after its end, else starts right after the first when they
// overlap. A range that does not parse or starts at 0 counts as none; positions
// past the text are cut to it. Characters are counted as the search counts
// them (UTF-8, an undecodable byte one character), so a cut never splits one.
HitStretches SplitHitStretches(std::string_view text, std::string_view range1,
                               std::string_view range2);

// True when a MatchRange text names a stretch: it parses and starts above 0.
bool IsMatchRange(std::string_view range);

} // namespace sorvane
