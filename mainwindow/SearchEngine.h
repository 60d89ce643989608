// The search loop of the search page, without Qt: a walk over the catalogue
// tree in memory (collection and catalogue names, every folder and file line,
// every nested entry of an archive) that tests each against the criteria and
// hands every hit to an observer as one row of the result grid.
#pragma once

#include "catalogue/format/CatalogueLines.h"
#include "mainwindow/Matchers.h"
#include "platform/DateTime.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace sorvane {

enum class SearchMode { Substring, Wildcard, ExtendedWildcard, Fuzzy };

// GBDonde: where the texts are looked for.
enum class SearchWhere { NameAndDescription = 0, Description = 1, Name = 2 };

// GBCuales: what is listed.
enum class SearchWhat {
    Everything = 0,
    FilesAndFolders = 1,
    Files = 2,
    FilesWithExtension = 3,
    Folders = 4
};

// Both ends inclusive; an end that is not set does not limit.
template <typename T> struct SearchBounds {
    std::optional<T> min, max;

    bool Set() const { return min.has_value() || max.has_value(); }
    bool Contains(const T& value) const {
        return (!min || !(value < *min)) && (!max || !(*max < value));
    }
};

// Every criterion of a run, already validated and normalised by the window.
struct SearchCriteria {
    std::string text1, text2; // in the normal form of `fold`; text2 only with text1
    SearchMode mode = SearchMode::Substring;
    bool wholeWord = false; // substring mode only
    bool andMode = true;
    FoldMode fold = FoldMode::UpperNoAccents;
    SearchWhere where = SearchWhere::NameAndDescription;
    SearchWhat what = SearchWhat::Everything;
    SearchBounds<DateTime> modified, created;
    SearchBounds<std::uint64_t> size;
    std::string extension; // PasaMayusculasSinTildes form; with SearchWhat::FilesWithExtension
    std::optional<std::string> attributes; // the chosen letters, when attributes are searched
    SearchBounds<std::int64_t> duration, pages, width, height, sampleRate, quality, year, track;
    int channels = 0;                 // 1 or 2; 0 when not searched
    std::optional<std::string> genre; // PasaMayusculasSinTildes form
    bool nested = true;               // CBAnidados enabled and checked
    bool nestedByPath = false;        // CBAnidadosBuscarPath: nested entries by their inner path

    // Any media criterion set (these keep nested entries out of the run).
    bool MediaFilter() const;
    // Anything to search for at all.
    bool AnyCriterion() const;
};

// Lines between two progress points, by mode (fewer for the slower modes).
int ProgressInterval(const SearchCriteria& criteria);

constexpr std::uint64_t kMaxSearchHits = 99'999;
constexpr int kResultColumns = 22;
using SearchRow = std::array<std::string, kResultColumns>;

enum class SearchNodeKind { Collection, Catalogue, Other };

// What a result row shows; the window keeps it with the row (0 for a row
// without a hit).
enum class SearchHitKind : int { None = 0, Collection, Catalogue, Folder, File, Nested };

// One tree node, in pre-order.
struct SearchNode {
    SearchNodeKind kind = SearchNodeKind::Other;
    std::string text; // the node's text
    std::string path; // GetNodePath of the node
    bool inScope = true;
    const CatalogueLines* lines = nullptr; // a catalogue's lines
};

class SearchObserver {
public:
    virtual ~SearchObserver() = default;
    // Asked before every node, at every progress point and after every hit.
    virtual bool StopRequested() = 0;
    // At a progress point when at least 20 ms passed since the last call: the
    // window shows the counts and lets the event loop run.
    virtual void Progress(std::uint64_t linesVisited, std::uint64_t hits) = 0;
    // One result row, in the order found, and what it shows.
    virtual void Hit(const SearchRow& row, SearchHitKind kind) = 0;
    // One line for the error list: a catalogue line the field readers refused.
    virtual void Error(const std::string& line) = 0;
    // While the walk waits for its worker threads, about every 20 ms, each
    // time followed by the stop question: the window lets the event loop run.
    virtual void Waiting() {}
};

// The size of the line ranges a large search is split into for its worker threads.
constexpr std::size_t kSearchRangeBytes = 4u << 20;

struct SearchRequest {
    std::vector<SearchNode> nodes;
    SearchCriteria criteria;
    // The two approximate matchers, their patterns and error counts set by the
    // window from the texts; needed in fuzzy mode.
    TFuzzySearch* fuzzy1 = nullptr;
    TFuzzySearch* fuzzy2 = nullptr;
    // A date-time as the grids show it; empty: "YYYY-MM-DD hh:mm:ss".
    std::function<std::string(const DateTime&)> formatDate;
    // Milliseconds of a monotonic clock; empty: the platform's clock. Tests pass their own.
    std::function<std::uint64_t()> clock;
    // Worker threads for the lines: 0 one per core, 1 none. A search of fewer
    // than two ranges of `rangeBytes` runs without them; so does a catalogue
    // of one range, whose lines are scanned in one piece.
    unsigned threads = 0;
    std::size_t rangeBytes = kSearchRangeBytes;
};

struct SearchResult {
    std::uint64_t hits = 0; // rows written, at most kMaxSearchHits
    std::uint64_t linesVisited = 0;
    std::uint64_t nestedVisited = 0;
    bool stopped = false;  // the observer asked to stop
    bool hitLimit = false; // one more hit than kMaxSearchHits was found; the walk ended there
    unsigned workers = 0;  // worker threads started for the lines (0: none)
};

// Runs the whole walk. Lines the field readers refuse go to observer.Error and
// the walk goes on. Raises EInternalError in fuzzy mode without the matchers.
// With worker threads the observer is still called on this thread only, with
// the same rows, errors, progress points and stop questions in the same order
// as without, except that the walk also asks to stop while it waits.
SearchResult RunSearch(const SearchRequest& request, SearchObserver& observer);

// "start end" of a range, "0 0" when start is 0.
std::string MatchRangeText(int start, int end);

} // namespace sorvane
