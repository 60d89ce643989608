// Tests of the search walk over small catalogues built in memory with the line
// builders: the rows of every kind of hit cell by cell, each matching mode with
// its ranges, every filter, nested entries, the scope, the stop, the hit limit,
// progress throttling, damaged lines; and the quick rejection of lines, checked
// against a plain fold-and-compare of every field.
#include "mainwindow/SearchEngine.h"

#include "catalogue/format/CatalogueLine.h"
#include "catalogue/format/Codes.h"
#include "catalogue/format/FormatError.h"
#include "catalogue/format/LineBuilders.h"
#include "catalogue/format/NumberCode.h"
#include "catalogue/format/PathText.h"
#include "catalogue/format/TextUtils.h"
#include "mainwindow/HitStretches.h"
#include "mainwindow/SearchScan.h"
#include "mainwindow/SearchWorkers.h"
#include "platform/Text.h"

#include <atomic>
#include <chrono>
#include <ctime>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace sorvane {
namespace {

// ---- Building catalogues ---------------------------------------------------

std::uint32_t Dos(const DateTime& d) {
    return *DateTimeToDosDate(d);
}

std::int64_t UnixSeconds(const DateTime& d) {
    std::tm t{};
    t.tm_year = d.year - 1900;
    t.tm_mon = d.month - 1;
    t.tm_mday = d.day;
    t.tm_hour = d.hour;
    t.tm_min = d.minute;
    t.tm_sec = d.second;
    return static_cast<std::int64_t>(::timegm(&t)); // the tests run with TZ=UTC
}

constexpr DateTime kModified{2001, 3, 4, 10, 30, 0};
constexpr DateTime kCreated{2000, 1, 1, 0, 0, 0};

struct FileSpec {
    explicit FileSpec(std::string n) : name(std::move(n)) {}
    FileSpec& Size(std::uint64_t v) {
        size = v;
        return *this;
    }
    FileSpec& Modified(DateTime v) {
        modified = v;
        return *this;
    }
    FileSpec& Created(DateTime v) {
        created = v;
        return *this;
    }
    FileSpec& Attributes(std::uint32_t v) {
        attributes = v;
        return *this;
    }
    FileSpec& Media(std::string v) {
        media = std::move(v);
        return *this;
    }
    FileSpec& Nested(std::string v) {
        nested = std::move(v);
        return *this;
    }
    FileSpec& Description(std::string v) {
        description = std::move(v);
        return *this;
    }

    std::string name;
    std::uint64_t size = 100;
    DateTime modified = kModified;
    DateTime created = kCreated;
    std::uint32_t attributes = kAttrArchive;
    std::string media;  // without brackets
    std::string nested; // with brackets
    std::string description;
};

std::string File(const FileSpec& f) {
    FicheroEncontrado found;
    found.name = f.name;
    found.modifiedDos = Dos(f.modified);
    found.size = f.size;
    found.attributes = f.attributes;
    found.createdUnix = UnixSeconds(f.created);
    FuentesBloques sources;
    sources.nested = [&](const std::string&) { return f.nested; };
    sources.media = [&](MediaReader, const std::string&, std::string&) {
        return f.media.empty() ? std::string() : kMediaBracket + f.media + kMediaBracket;
    };
    std::string line = LineaFichero(found, "/nowhere/", f.name, OpcionesLinea{}, sources);
    return f.description.empty() ? line : PonDescripcion(line, f.description);
}

std::string Folder(const std::string& path, const std::string& description = "",
                   DateTime modified = kModified, std::uint32_t attributes = 0) {
    const std::string line = LineaCarpeta(path, Dos(kCreated), Dos(modified), attributes, 1);
    return description.empty() ? line : PonDescripcion(line, description);
}

std::string Header(const std::string& name) {
    return LineaCabecera(name, "CD-ROM", "1A2B-3C4D", "E:\\", "LABEL", 5, 1000, 2000, "");
}

// A nested entry: date (5), size (5), attribute code (1), inner path.
std::string Entry(const std::string& path, std::uint64_t size = 300,
                  DateTime date = {2002, 5, 6, 8, 0, 0}, char attributes = '2') {
    return CodificaFecha(Dos(date)) + CodificaTamano(size) + attributes + path;
}

std::string Block(const std::vector<std::string>& entries) {
    std::string block(1, kNestedBracket);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i > 0) block.push_back(kItemSeparator);
        block += entries[i];
    }
    block.push_back(kNestedBracket);
    return block;
}

std::string ImageMedia(int width, int height, int bits) {
    return PadLeftToWidth(CodificaEntero(width), 3) + PadLeftToWidth(CodificaEntero(height), 3) +
           CodificaEntero(bits);
}

std::string MusicMedia(int seconds, int channels, int rate, int kbps, int year, int track,
                       const std::string& genre) {
    return PadLeftToWidth(CodificaEntero(seconds), 3) + std::to_string(channels) +
           PadLeftToWidth(CodificaEntero(rate), 3) + PadLeftToWidth(CodificaEntero(kbps), 2) +
           PadLeftToWidth(CodificaEntero(year), 2) + PadLeftToWidth(CodificaEntero(track), 2) +
           genre;
}

CatalogueLines Lines(const std::vector<std::string>& lines) {
    CatalogueLines out;
    for (const std::string& line : lines)
        out.Add(line);
    return out;
}

// The sample disk: a root with a report, a photo and an archive; a music folder;
// a folder with an accented name; a name from a catalogue written on Windows.
CatalogueLines SampleDisk() {
    return Lines({
        Header("Disco"), Folder("E:\\"),
        File(FileSpec("report.doc").Size(1234).Description("reporting weekly")),
        File(FileSpec("photo.JPG").Size(2048).Media(ImageMedia(640, 480, 24))),
        File(FileSpec("archive.zip")
                 .Size(5000)
                 .Nested(Block({Entry("COLOR.BMP", 300),
                                Entry("docs\\readme.txt", 40, {2010, 1, 2, 0, 0, 0}, '3'),
                                Entry("docs\\report final.txt", 70)}))),
        Folder("E:\\Music\\", "My songs", {1999, 12, 31, 23, 58, 0}),
        File(FileSpec("song.mp3")
                 .Size(4'000'000)
                 .Modified(DateTime{1999, 6, 1, 12, 0, 0})
                 .Media(MusicMedia(185, 2, 44100, 192, 1999, 7, "Rock"))
                 .Description("Great tune")),
        File(FileSpec("big.iso").Size(5'000'000'000ULL).Attributes(kAttrReadOnly | kAttrArchive)),
        Folder("E:\\Música\\", "", kModified, kAttrHidden),
        File(FileSpec("canción.txt").Size(10).Created(DateTime{2005, 5, 5, 0, 0, 0})),
        File(FileSpec("color.txt").Size(20)),
        File(FileSpec("ni\xF1o.txt").Size(30)), // Windows-1252 "niño"
    });
}

// ---- Running ---------------------------------------------------------------

struct Recorder : SearchObserver {
    std::vector<SearchRow> rows;
    std::vector<SearchHitKind> kinds;
    std::vector<std::string> errors;
    std::vector<std::uint64_t> progressLines;
    int stopQuestions = 0;
    int stopAtQuestion = -1; // the question that answers yes
    std::uint64_t* clock = nullptr;
    std::uint64_t clockStepPerQuestion = 0;
    bool keepRows = true;
    std::size_t hitCount = 0;
    SearchRow lastRow;

    bool StopRequested() override {
        ++stopQuestions;
        if (clock) *clock += clockStepPerQuestion;
        return stopAtQuestion >= 0 && stopQuestions >= stopAtQuestion;
    }
    void Progress(std::uint64_t lines, std::uint64_t) override { progressLines.push_back(lines); }
    void Hit(const SearchRow& row, SearchHitKind kind) override {
        ++hitCount;
        lastRow = row;
        if (keepRows) {
            rows.push_back(row);
            kinds.push_back(kind);
        }
    }
    void Error(const std::string& line) override { errors.push_back(line); }

    std::vector<std::string> Column(int col) const {
        std::vector<std::string> cells;
        for (const SearchRow& row : rows)
            cells.push_back(row[static_cast<std::size_t>(col)]);
        return cells;
    }
};

class SearchEngineTest : public ::testing::Test {
protected:
    void SetUp() override { disk_ = SampleDisk(); }

    std::vector<SearchNode> Nodes() {
        return {{SearchNodeKind::Collection, "Backups", "\\Backups", true, nullptr},
                {SearchNodeKind::Catalogue, "Disco", "\\Backups\\Disco", true, &disk_}};
    }

    // The text in the normal form of the criteria, as the window passes it.
    static SearchCriteria Text(std::string text, SearchMode mode = SearchMode::Substring) {
        SearchCriteria c;
        c.mode = mode;
        c.text1 = Fold(text, c.fold);
        return c;
    }

    SearchResult Run(const SearchCriteria& criteria, std::vector<SearchNode> nodes = {}) {
        SearchRequest request;
        request.nodes = nodes.empty() ? Nodes() : std::move(nodes);
        request.criteria = criteria;
        fuzzy1_.SetPattern(criteria.text1);
        fuzzy2_.SetPattern(criteria.text2);
        request.fuzzy1 = &fuzzy1_;
        request.fuzzy2 = &fuzzy2_;
        request.clock = clock_;
        recorder_ = Recorder();
        recorder_.clock = &now_;
        return RunSearch(request, recorder_);
    }

    std::vector<std::string> Names(const SearchCriteria& criteria) {
        Run(criteria);
        return recorder_.Column(5);
    }

    CatalogueLines disk_;
    TFuzzySearch fuzzy1_, fuzzy2_;
    Recorder recorder_;
    std::uint64_t now_ = 0;
    std::function<std::uint64_t()> clock_ = [this] { return now_; };
};

SearchRow Row(std::initializer_list<std::pair<int, std::string>> cells) {
    SearchRow row;
    for (const auto& [col, text] : cells)
        row[static_cast<std::size_t>(col)] = text;
    return row;
}

void ExpectRow(const SearchRow& actual, const SearchRow& expected) {
    for (int col = 0; col < kResultColumns; ++col)
        EXPECT_EQ(actual[static_cast<std::size_t>(col)], expected[static_cast<std::size_t>(col)])
            << "column " << col;
}

// ---- Rows ------------------------------------------------------------------

TEST_F(SearchEngineTest, RowsOfEveryKindOfHit) {
    SearchCriteria c = Text("report");
    Run(c);
    ASSERT_EQ(recorder_.Column(5), (std::vector<std::string>{"report.doc", "report final.txt"}));
    EXPECT_EQ(recorder_.kinds,
              (std::vector<SearchHitKind>{SearchHitKind::File, SearchHitKind::Nested}));
    ExpectRow(recorder_.rows[0], Row({{1, "\\Backups"},
                                      {2, "Disco"},
                                      {3, "\\"},
                                      {4, "reporting weekly"},
                                      {5, "report.doc"},
                                      {6, "1,234"},
                                      {7, "2001-03-04 10:30:00"},
                                      {8, "2000-01-01 00:00:00"},
                                      {9, "A"},
                                      {10, "DOC"},
                                      {18, "1 6"},
                                      {19, "1 6"},
                                      {20, "0 0"},
                                      {21, "0 0"}}));
    ExpectRow(recorder_.rows[1], Row({{1, "\\Backups"},
                                      {2, "Disco"},
                                      {3, "\\"},
                                      {4, "archive.zip | docs\\"},
                                      {5, "report final.txt"},
                                      {6, "70"},
                                      {7, "2002-05-06 08:00:00"},
                                      {9, "A"},
                                      {10, "TXT"},
                                      {18, "0 0"},
                                      {19, "1 6"},
                                      {20, "0 0"},
                                      {21, "0 0"}}));

    // A folder, a file with a music block, the collection and the catalogue names.
    c = Text("MUSIC");
    Run(c);
    ASSERT_EQ(recorder_.Column(5), (std::vector<std::string>{"Music\\", "Música\\"}));
    EXPECT_EQ(recorder_.kinds,
              (std::vector<SearchHitKind>{SearchHitKind::Folder, SearchHitKind::Folder}));
    ExpectRow(recorder_.rows[0], Row({{1, "\\Backups"},
                                      {2, "Disco"},
                                      {3, "\\"},
                                      {4, "My songs"},
                                      {5, "Music\\"},
                                      {7, "1999-12-31 23:58:00"},
                                      {8, "2000-01-01 00:00:00"},
                                      {18, "0 0"},
                                      {19, "1 5"},
                                      {20, "0 0"},
                                      {21, "0 0"}}));
    c = Text("song");
    c.where = SearchWhere::Name;
    Run(c);
    ASSERT_EQ(recorder_.rows.size(), 1u);
    EXPECT_EQ(recorder_.kinds, std::vector<SearchHitKind>{SearchHitKind::File});
    ExpectRow(recorder_.rows[0], Row({{1, "\\Backups"},
                                      {2, "Disco"},
                                      {3, "\\Music"},
                                      {4, "Great tune"},
                                      {5, "song.mp3"},
                                      {6, "4,000,000"},
                                      {7, "1999-06-01 12:00:00"},
                                      {8, "2000-01-01 00:00:00"},
                                      {9, "#A"},
                                      {10, "MP3"},
                                      {11, "0:03:05"},
                                      {12, "44100 Hz"},
                                      {13, "192k"},
                                      {14, "2"},
                                      {15, "1999"},
                                      {16, "7"},
                                      {17, "Rock"},
                                      {18, "0 0"},
                                      {19, "1 4"},
                                      {20, "0 0"},
                                      {21, "0 0"}}));
    Run(Text("UP"));
    ASSERT_GE(recorder_.rows.size(), 1u);
    EXPECT_EQ(recorder_.kinds[0], SearchHitKind::Collection);
    ExpectRow(recorder_.rows[0],
              Row({{1, "\\Backups"}, {18, "6 7"}, {19, "0 0"}, {20, "0 0"}, {21, "0 0"}}));
    Run(Text("isc"));
    ASSERT_GE(recorder_.rows.size(), 1u);
    EXPECT_EQ(recorder_.kinds[0], SearchHitKind::Catalogue);
    ExpectRow(
        recorder_.rows[0],
        Row({{1, "\\Backups"}, {2, "Disco"}, {18, "0 0"}, {19, "2 4"}, {20, "0 0"}, {21, "0 0"}}));
}

TEST_F(SearchEngineTest, NestedEntriesByInnerPath) {
    SearchCriteria c = Text("docs");
    EXPECT_TRUE(Names(c).empty()); // by name, "docs" is only a folder of the archive
    c.nestedByPath = true;
    Run(c);
    ASSERT_EQ(recorder_.Column(5),
              (std::vector<std::string>{"docs\\readme.txt", "docs\\report final.txt"}));
    ExpectRow(recorder_.rows[0], Row({{1, "\\Backups"},
                                      {2, "Disco"},
                                      {3, "\\"},
                                      {4, "archive.zip | \\"},
                                      {5, "docs\\readme.txt"},
                                      {6, "40"},
                                      {7, "2010-01-02 00:00:00"},
                                      {9, "AR"},
                                      {10, "TXT"},
                                      {18, "0 0"},
                                      {19, "1 4"},
                                      {20, "0 0"},
                                      {21, "0 0"}}));
}

// ---- Modes and ranges --------------------------------------------------------

struct ModeCase {
    const char* what;
    SearchMode mode;
    std::string text;
    int maxErrors;
    SearchWhere where;
    bool wholeWord;
    std::vector<std::string> names;  // column 5 of every hit
    std::vector<std::string> ranges; // columns 18 and 19 of the first hit
};

TEST_F(SearchEngineTest, EachModeFindsItsHitsWithTheirRanges) {
    const std::vector<ModeCase> cases = {
        {"substring, both fields",
         SearchMode::Substring,
         "report",
         1,
         SearchWhere::NameAndDescription,
         false,
         {"report.doc", "report final.txt"},
         {"1 6", "1 6"}},
        {"whole word: the name stands, the description range is kept",
         SearchMode::Substring,
         "report",
         1,
         SearchWhere::NameAndDescription,
         true,
         {"report.doc", "report final.txt"},
         {"1 6", "1 6"}},
        {"whole word alone in the description fails",
         SearchMode::Substring,
         "report",
         1,
         SearchWhere::Description,
         true,
         {},
         {}},
        {"description only",
         SearchMode::Substring,
         "weekly",
         1,
         SearchWhere::Description,
         false,
         {"report.doc"},
         {"11 16", "0 0"}},
        {"name only leaves descriptions out",
         SearchMode::Substring,
         "weekly",
         1,
         SearchWhere::Name,
         false,
         {},
         {}},
        {"accents and case folded, ranges in characters",
         SearchMode::Substring,
         "CION",
         1,
         SearchWhere::Name,
         false,
         {"canción.txt"},
         {"0 0", "4 7"}},
        {"a Windows-1252 name meets the typed text",
         SearchMode::Substring,
         "niño",
         1,
         SearchWhere::Name,
         false,
         {"ni\xF1o.txt"},
         {"0 0", "1 4"}},
        {"wildcard over whole names",
         SearchMode::Wildcard,
         "*.mp3",
         1,
         SearchWhere::Name,
         false,
         {"song.mp3"},
         {"0 0", "1 8"}},
        {"wildcard with ?",
         SearchMode::Wildcard,
         "colo?.*",
         1,
         SearchWhere::Name,
         false,
         {"COLOR.BMP", "color.txt"},
         {"0 0", "1 9"}},
        {"extended wildcard with a set",
         SearchMode::ExtendedWildcard,
         "[a..c]*.txt",
         1,
         SearchWhere::Name,
         false,
         {"canción.txt", "color.txt"},
         {"0 0", "1 11"}},
        {"fuzzy with one error",
         SearchMode::Fuzzy,
         "colour",
         1,
         SearchWhere::Name,
         false,
         {"COLOR.BMP", "color.txt"},
         {"0 0", "1 5"}},
        {"fuzzy without errors", SearchMode::Fuzzy, "colour", 0, SearchWhere::Name, false, {}, {}},
        {"fuzzy in a longer name",
         SearchMode::Fuzzy,
         "reprt",
         1,
         SearchWhere::Name,
         false,
         {"report.doc", "report final.txt"},
         {"0 0", "1 6"}},
    };
    for (const ModeCase& t : cases) {
        SCOPED_TRACE(t.what);
        SearchCriteria c = Text(t.text, t.mode);
        c.where = t.where;
        c.wholeWord = t.wholeWord;
        c.what = SearchWhat::FilesAndFolders;
        c.nested = t.where != SearchWhere::Description; // as the page sets it
        fuzzy1_.MaxErrors = t.maxErrors;
        Run(c);
        EXPECT_EQ(recorder_.Column(5), t.names);
        if (!t.ranges.empty() && !recorder_.rows.empty()) {
            EXPECT_EQ(recorder_.rows[0][18], t.ranges[0]);
            EXPECT_EQ(recorder_.rows[0][19], t.ranges[1]);
        }
        EXPECT_TRUE(recorder_.errors.empty());
    }
    fuzzy1_.MaxErrors = 1;
}

// ---- Canonical equivalence ---------------------------------------------------

// The text with every character canonically decomposed (NFD).
std::string Decomposed(std::string_view nfc) {
    std::u32string chars;
    for (std::size_t pos = 0; pos < nfc.size();) {
        const text::DecodedChar d = text::DecodeAt(nfc, pos);
        text::AppendCanonicalDecomposition(chars, d.code);
        pos += d.length;
    }
    text::CanonicalOrder(chars);
    std::string out;
    for (char32_t c : chars)
        text::AppendUtf8(out, c);
    return out;
}

struct EquivalenceCase {
    std::string typed; // as typed, composed unless said
    SearchMode mode;
    bool accentsIgnored;
    int maxErrors;
    std::string word;        // the stored word, composed; stored composed and decomposed
    std::string nameMatch;   // the stretch of the stored name the range marks, composed; "" no hit
    std::string describedAs; // the same in the description "Le <word> noir"
};

// A name stored composed (NFC) or decomposed (NFD) is found alike, in a file
// name, a description and a nested entry, and the ranges mark the stretch of
// the text as stored.
TEST(SearchEquivalence, BothNormalFormsAreFoundWithRangesOfTheStoredText) {
    const std::string nfdCafe = "cafe\xCC\x81";
    const std::vector<EquivalenceCase> cases = {
        // Accents kept: compared in NFC.
        {"café", SearchMode::Substring, false, 0, "café", "café", "café"},
        {nfdCafe, SearchMode::Substring, false, 0, "café", "café", "café"},
        {"cafe", SearchMode::Substring, false, 0, "café", "", ""},
        {"É.TXT", SearchMode::Substring, false, 0, "café", "é.txt", ""},
        {"*é.txt", SearchMode::Wildcard, false, 0, "café", "café.txt", ""},
        {"caf?.txt", SearchMode::Wildcard, false, 0, "café", "café.txt", ""},
        {"caf??.txt", SearchMode::Wildcard, false, 0, "café", "", ""},
        {"café", SearchMode::Fuzzy, false, 0, "café", "café", "café"},
        {"cafe", SearchMode::Fuzzy, false, 0, "café", "", ""},
        {"niño", SearchMode::Substring, false, 0, "año niño", "niño", "niño"},
        // Accents ignored: the acute of a vowel and the diaeresis of a u go in
        // either normal form; every other accent stays, the tilde of ñ too.
        {"café.txt", SearchMode::Substring, true, 0, "café", "café.txt", ""},
        {"cafe", SearchMode::Substring, true, 0, "café", "café", "café"},
        {nfdCafe, SearchMode::Substring, true, 0, "café", "café", "café"},
        {"creme", SearchMode::Substring, true, 0, "crème brûlée", "", ""},
        {"brulee", SearchMode::Substring, true, 0, "crème brûlée", "", ""},
        {"PINGUINO", SearchMode::Substring, true, 0, "pingüino", "pingüino", "pingüino"},
        {"CCIO", SearchMode::Substring, true, 0, "acción", "cció", "cció"},
        {"ACCION", SearchMode::Substring, true, 0, "acción", "acción", "acción"},
        {"*e.txt", SearchMode::Wildcard, true, 0, "café", "café.txt", ""},
        {"caf?.txt", SearchMode::Wildcard, true, 0, "café", "café.txt", ""},
        {"cafe", SearchMode::Fuzzy, true, 0, "café", "café", "café"},
        {"cafex", SearchMode::Fuzzy, true, 1, "café", "café", "café"},
        {"nino", SearchMode::Substring, true, 0, "año niño", "", ""},
        {"niño", SearchMode::Substring, true, 0, "año niño", "niño", "niño"},
        {"nino", SearchMode::Fuzzy, true, 0, "año niño", "", ""},
        {"Ñ", SearchMode::Substring, true, 0, "año niño", "ñ", "ñ"},
    };
    for (const EquivalenceCase& c : cases) {
        for (const bool decomposed : {false, true}) {
            const auto stored = [&](const std::string& t) {
                return decomposed ? Decomposed(t) : t;
            };
            const std::string name = stored(c.word) + ".txt";
            const std::string description = stored("Le " + c.word + " noir");
            CatalogueLines disk = Lines(
                {Header("Disco"), Folder("E:\\"), File(FileSpec(name).Description(description)),
                 File(FileSpec("box.zip").Nested(Block({Entry("dir\\" + name)})))});
            SearchCriteria criteria;
            criteria.mode = c.mode;
            criteria.fold = c.accentsIgnored ? FoldMode::UpperNoAccents : FoldMode::Upper;
            criteria.what = SearchWhat::FilesAndFolders;
            criteria.text1 = Fold(c.typed, criteria.fold);
            TFuzzySearch fuzzy1(criteria.text1, c.maxErrors), fuzzy2;
            SearchRequest request;
            request.nodes = {{SearchNodeKind::Catalogue, "Disco", "\\Disco", true, &disk}};
            request.criteria = criteria;
            request.fuzzy1 = &fuzzy1;
            request.fuzzy2 = &fuzzy2;
            request.clock = [] { return std::uint64_t{0}; };
            Recorder recorder;
            RunSearch(request, recorder);

            const std::string label = "'" + c.typed + "' mode " +
                                      std::to_string(static_cast<int>(c.mode)) +
                                      (c.accentsIgnored ? " accents ignored" : " accents kept") +
                                      " on " + (decomposed ? "NFD " : "NFC ") + name;
            const bool hit = !c.nameMatch.empty() || !c.describedAs.empty();
            EXPECT_EQ(recorder.rows.size(), hit ? 2u : 0u) << label;
            if (!hit || recorder.rows.size() != 2) continue;
            const SearchRow& file = recorder.rows[0];
            const SearchRow& entry = recorder.rows[1];
            EXPECT_EQ(file[5], name) << label;
            EXPECT_EQ(entry[5], name) << label;
            // The ranges cut the stored cells at the matched stretch.
            const auto marked = [](const std::string& cell, const std::string& range) {
                return std::string(SplitHitStretches(cell, range, "0 0").match1);
            };
            EXPECT_EQ(marked(file[5], file[19]), stored(c.nameMatch)) << label << " " << file[19];
            EXPECT_EQ(marked(entry[5], entry[19]), stored(c.nameMatch))
                << label << " " << entry[19];
            EXPECT_EQ(marked(file[4], file[18]), stored(c.describedAs)) << label << " " << file[18];
        }
    }
}

// Names of collections and catalogues are tested the same way.
TEST(SearchEquivalence, NodeNamesInBothNormalForms) {
    for (const bool decomposed : {false, true}) {
        const std::string name = decomposed ? "Cafe\xCC\x81s" : "Cafés";
        for (const FoldMode fold : {FoldMode::Upper, FoldMode::UpperNoAccents}) {
            const std::string typed = fold == FoldMode::Upper ? "FÉS" : "fes";
            const NameMatch m = CoincideNombre(Fold(typed, fold), true, false, fold, name, "");
            EXPECT_TRUE(m.hit) << name << " " << typed;
            const std::string range = MatchRangeText(m.start1, m.end1);
            EXPECT_EQ(SplitHitStretches(name, range, "0 0").match1,
                      decomposed ? "fe\xCC\x81s" : "fés")
                << name << " " << typed << " " << range;
            const NameMatch whole = CoincideNombreComodin("*S", true, fold, name, "");
            EXPECT_EQ(MatchRangeText(whole.start1, whole.end1), decomposed ? "1 6" : "1 5");
        }
    }
}

TEST_F(SearchEngineTest, WholeWordRecordsTheOccurrenceThatStandsAlone) {
    disk_ = Lines({Header("Disco"), Folder("E:\\"), File(FileSpec("reporting report.txt")),
                   File(FileSpec("reporting.txt"))});
    SearchCriteria c = Text("report");
    c.wholeWord = true;
    Run(c);
    ASSERT_EQ(recorder_.rows.size(), 1u);
    EXPECT_EQ(recorder_.rows[0][5], "reporting report.txt");
    EXPECT_EQ(recorder_.rows[0][19], "11 16");
}

TEST_F(SearchEngineTest, TwoTextsCombineByAndOr) {
    struct Case {
        bool andMode;
        std::string text1, text2;
        std::vector<std::string> names;
        std::vector<std::string> ranges; // columns 18-21 of the first hit
    };
    const std::vector<Case> cases = {
        {false, "zzz", "weekly", {"report.doc"}, {"0 0", "0 0", "11 16", "0 0"}},
        {false, "song", "tune", {"song.mp3"}, {"0 0", "1 4", "7 10", "0 0"}},
        {true, "song", "tune", {"song.mp3"}, {"0 0", "1 4", "7 10", "0 0"}},
        {true, "song", "zzz", {}, {}},
        {true, "color", ".txt", {"color.txt"}, {"0 0", "1 5", "0 0", "6 9"}},
    };
    for (const Case& t : cases) {
        SCOPED_TRACE(t.text1 + " / " + t.text2);
        SearchCriteria c = Text(t.text1);
        c.text2 = Fold(t.text2, c.fold);
        c.andMode = t.andMode;
        c.what = SearchWhat::Files;
        Run(c);
        EXPECT_EQ(recorder_.Column(5), t.names);
        if (t.names.empty()) continue;
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(recorder_.rows[0][static_cast<std::size_t>(18 + i)], t.ranges[i]);
    }
}

TEST_F(SearchEngineTest, NodeNamesAreHitsOnlyWhenEverythingIsListed) {
    std::vector<SearchNode> nodes = {
        {SearchNodeKind::Collection, "Backups", "\\Backups", true, nullptr},
        {SearchNodeKind::Collection, "Old backups", "\\Backups\\Old backups", true, nullptr},
        {SearchNodeKind::Catalogue, "Backup 2", "\\Backups\\Old backups\\Backup 2", true, nullptr},
        {SearchNodeKind::Catalogue, "Backup 3", "\\Backups\\Backup 3", true, nullptr},
        {SearchNodeKind::Other, "Backup folder", "\\Backups\\Backup 3\\Backup folder", true,
         nullptr},
        {SearchNodeKind::Catalogue, "Top backup", "\\Top backup", true, nullptr},
    };
    SearchCriteria c = Text("backup");
    Run(c, nodes);
    // Ranges of collections move into the path; a catalogue's column 1 is its parent's path.
    ASSERT_EQ(recorder_.rows.size(), 5u);
    EXPECT_EQ(recorder_.rows[0][1], "\\Backups");
    EXPECT_EQ(recorder_.rows[0][18], "2 7");
    EXPECT_EQ(recorder_.rows[1][1], "\\Backups\\Old backups");
    EXPECT_EQ(recorder_.rows[1][18], "14 19");
    EXPECT_EQ(recorder_.rows[2][1], "\\Backups\\Old backups");
    EXPECT_EQ(recorder_.rows[2][2], "Backup 2");
    EXPECT_EQ(recorder_.rows[2][19], "1 6");
    EXPECT_EQ(recorder_.rows[3][1], "\\Backups");
    EXPECT_EQ(recorder_.rows[4][1], "");
    EXPECT_EQ(recorder_.rows[4][19], "5 10");

    c.what = SearchWhat::FilesAndFolders;
    Run(c, nodes);
    EXPECT_TRUE(recorder_.rows.empty());

    // Only text 1's range is written for a collection outside the substring mode.
    c = Text("backup*", SearchMode::Wildcard);
    c.text2 = "BACKUPS";
    c.andMode = false;
    Run(c, nodes);
    ASSERT_GE(recorder_.rows.size(), 1u);
    EXPECT_EQ(recorder_.rows[0][18], "2 8");
    EXPECT_EQ(recorder_.rows[0][20], "0 0");
}

// ---- Filters ---------------------------------------------------------------

struct FilterCase {
    const char* what;
    std::function<void(SearchCriteria&)> set;
    std::vector<std::string> names;
};

TEST_F(SearchEngineTest, EachFilterKeepsItsLines) {
    const auto day = [](int y, int m, int d, int h = 0, int mi = 0, int s = 0) {
        return DateTime{y, m, d, h, mi, s};
    };
    const std::vector<FilterCase> cases = {
        {"size minimum, 64-bit sizes",
         [](SearchCriteria& c) { c.size.min = 4'294'967'296ULL; },
         {"big.iso"}},
        {"size range",
         [](SearchCriteria& c) {
             c.size = {2000, 5000};
         },
         {"photo.JPG", "archive.zip"}},
        {"size range takes nested entries",
         [](SearchCriteria& c) {
             c.size = {35, 75};
         },
         {"readme.txt", "report final.txt"}},
        {"maximum size 0", [](SearchCriteria& c) { c.size.max = 0; }, {}},
        {"modified range, folders by their own dates",
         [&](SearchCriteria& c) {
             c.modified = {day(1999, 1, 1), day(1999, 12, 31, 23, 59, 59)};
         },
         {"Music\\", "song.mp3"}},
        {"modified from, nested entries by their date",
         [&](SearchCriteria& c) { c.modified.min = day(2002, 1, 1); },
         {"COLOR.BMP", "readme.txt", "report final.txt"}},
        {"created range keeps nested entries out",
         [&](SearchCriteria& c) {
             c.created = {day(2005, 1, 1), day(2005, 12, 31)};
         },
         {"canción.txt"}},
        {"extension",
         [](SearchCriteria& c) {
             c.what = SearchWhat::FilesWithExtension;
             c.extension = "TXT";
         },
         {"readme.txt", "report final.txt", "canción.txt", "color.txt", "ni\xF1o.txt"}},
        {"attributes", [](SearchCriteria& c) { c.attributes = "R"; }, {"readme.txt", "big.iso"}},
        {"attributes of folders", [](SearchCriteria& c) { c.attributes = "H"; }, {"Música\\"}},
        {"has nested entries", [](SearchCriteria& c) { c.attributes = "@"; }, {"archive.zip"}},
        {"has a media block",
         [](SearchCriteria& c) { c.attributes = "#A"; },
         {"photo.JPG", "song.mp3"}},
        {"width",
         [](SearchCriteria& c) {
             c.width = {600, 700};
         },
         {"photo.JPG"}},
        {"duration", [](SearchCriteria& c) { c.duration.min = 180; }, {"song.mp3"}},
        {"channels", [](SearchCriteria& c) { c.channels = 2; }, {"song.mp3"}},
        {"year",
         [](SearchCriteria& c) {
             c.year = {1990, 1999};
         },
         {"song.mp3"}},
        {"track", [](SearchCriteria& c) { c.track.max = 6; }, {}},
        {"genre", [](SearchCriteria& c) { c.genre = "ROC"; }, {"song.mp3"}},
        {"a media maximum of 0 keeps every file out",
         [](SearchCriteria& c) { c.quality.max = 0; },
         {}},
        {"the year of a file without music fails",
         [](SearchCriteria& c) {
             c.year.min = 1;
             c.what = SearchWhat::FilesWithExtension;
             c.extension = "JPG";
         },
         {}},
        {"folders only",
         [&](SearchCriteria& c) {
             c.what = SearchWhat::Folders;
             c.modified.min = day(1980, 1, 2);
         },
         {"\\", "Music\\", "Música\\"}},
        {"files only",
         [&](SearchCriteria& c) {
             c.what = SearchWhat::Files;
             c.modified.max = day(2000, 1, 1);
         },
         {"song.mp3"}},
        {"nested entries switched off",
         [](SearchCriteria& c) {
             c.nested = false;
             c.size.max = 300;
         },
         {"canción.txt", "color.txt", "ni\xF1o.txt"}},
    };
    for (const FilterCase& t : cases) {
        SCOPED_TRACE(t.what);
        SearchCriteria c;
        t.set(c);
        Run(c);
        EXPECT_EQ(recorder_.Column(5), t.names);
        EXPECT_TRUE(recorder_.errors.empty());
    }
}

TEST_F(SearchEngineTest, FolderLineUpdatesColumnThreeWhenFoldersAreNotListed) {
    SearchCriteria c = Text("o");
    c.what = SearchWhat::Files;
    c.where = SearchWhere::Name;
    Run(c);
    std::vector<std::string> folders;
    for (const SearchRow& row : recorder_.rows)
        folders.push_back(row[5] + " in " + row[3]);
    EXPECT_EQ(folders,
              (std::vector<std::string>{"report.doc in \\", "photo.JPG in \\", "COLOR.BMP in \\",
                                        "report final.txt in \\", "song.mp3 in \\Music",
                                        "big.iso in \\Music", "canción.txt in \\Música",
                                        "color.txt in \\Música", "ni\xF1o.txt in \\Música"}));
}

// ---- Scope, stop, limit, progress, errors --------------------------------------

TEST_F(SearchEngineTest, NodesOutOfScopeArePassedOver) {
    CatalogueLines other = Lines({Header("Other"), Folder("E:\\"), File(FileSpec("report2.doc"))});
    std::vector<SearchNode> nodes = Nodes();
    nodes.push_back({SearchNodeKind::Catalogue, "Other", "\\Other", false, &other});
    Run(Text("report2"), nodes);
    EXPECT_TRUE(recorder_.rows.empty());
    nodes.back().inScope = true;
    Run(Text("report2"), nodes);
    ASSERT_EQ(recorder_.rows.size(), 1u);
    EXPECT_EQ(recorder_.rows[0][1], "");
    EXPECT_EQ(recorder_.rows[0][2], "Other");
}

TEST_F(SearchEngineTest, StopEndsTheWalkAfterTheHitThatSawIt) {
    SearchCriteria c = Text("o");
    // Questions: before the collection, before the catalogue, after the
    // catalogue's own hit, its progress point, then after each hit.
    SearchRequest request;
    request.nodes = Nodes();
    request.criteria = c;
    request.clock = clock_;
    Recorder recorder;
    recorder.stopAtQuestion = 5;
    const SearchResult result = RunSearch(request, recorder);
    EXPECT_TRUE(result.stopped);
    EXPECT_FALSE(result.hitLimit);
    EXPECT_EQ(recorder.rows.size(), 2u);
    EXPECT_EQ(result.hits, 2u);

    recorder = Recorder();
    recorder.stopAtQuestion = 1;
    const SearchResult before = RunSearch(request, recorder);
    EXPECT_TRUE(before.stopped);
    EXPECT_TRUE(recorder.rows.empty());
    EXPECT_EQ(before.linesVisited, 0u);
}

TEST_F(SearchEngineTest, HitLimitEndsTheWalkAtTheNextHit) {
    std::vector<std::string> lines = {Header("Big"), Folder("E:\\")};
    for (int i = 0; i < 100'001; ++i) {
        std::string name = "f";
        name += std::to_string(i);
        name += ".txt";
        lines.push_back(File(FileSpec(name)));
    }
    disk_ = Lines(lines);
    SearchRequest request;
    request.nodes = Nodes();
    request.criteria = Text(".TXT");
    request.clock = clock_;
    Recorder recorder;
    recorder.keepRows = false;
    const SearchResult result = RunSearch(request, recorder);
    EXPECT_TRUE(result.hitLimit);
    EXPECT_FALSE(result.stopped);
    EXPECT_EQ(result.hits, kMaxSearchHits);
    EXPECT_EQ(recorder.hitCount, kMaxSearchHits);
    EXPECT_EQ(recorder.lastRow[5], "f99998.txt");
    EXPECT_EQ(result.linesVisited, 100'001u); // the folder and the hundred-thousandth file
}

TEST_F(SearchEngineTest, ProgressComesAtMostEveryTwentyMilliseconds) {
    std::vector<std::string> lines = {Header("Big"), Folder("E:\\")};
    for (int i = 0; i < 75'000; ++i)
        lines.push_back(File(FileSpec("f.txt").Size(10)));
    disk_ = Lines(lines);
    SearchCriteria c;
    c.size.min = 11; // no hits; a progress point every 7,500 lines
    ASSERT_EQ(ProgressInterval(c), 7'500);

    // A clock that stands still: the stop is asked at every point, progress never comes.
    SearchResult result = Run(c);
    EXPECT_TRUE(recorder_.progressLines.empty());
    EXPECT_EQ(recorder_.stopQuestions, 2 + 1 + 10);
    EXPECT_EQ(result.linesVisited, 75'001u);

    // 7 ms between points: progress at every third point.
    recorder_ = Recorder();
    SearchRequest request;
    request.nodes = Nodes();
    request.criteria = c;
    request.clock = clock_;
    Recorder recorder;
    recorder.clock = &now_;
    recorder.clockStepPerQuestion = 7;
    RunSearch(request, recorder);
    EXPECT_EQ(recorder.progressLines, (std::vector<std::uint64_t>{7'500, 30'000, 52'500, 75'000}));

    // Stopping at a progress point ends the walk there.
    recorder = Recorder();
    recorder.stopAtQuestion = 2 + 1 + 3;
    result = RunSearch(request, recorder);
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(result.linesVisited, 22'500u);
}

TEST_F(SearchEngineTest, DamagedLinesAreReportedAndTheWalkGoesOn) {
    disk_ = Lines({Header("Disco"), Folder("E:\\"), "short", File(FileSpec("after.txt")),
                   File(FileSpec("arc.zip").Nested(Block({"bad", Entry("inner.txt")})))});
    SearchCriteria c;
    c.size.max = 1000;
    Run(c);
    EXPECT_EQ(recorder_.Column(5), (std::vector<std::string>{"after.txt", "arc.zip", "inner.txt"}));
    ASSERT_EQ(recorder_.errors.size(), 2u);
    EXPECT_EQ(recorder_.errors[0].rfind("Disco: line 3: ", 0), 0u) << recorder_.errors[0];
    EXPECT_NE(recorder_.errors[1].find("line 5"), std::string::npos) << recorder_.errors[1];
}

TEST_F(SearchEngineTest, CountsEveryLineAndNestedEntryVisited) {
    SearchCriteria c = Text("zzz");
    const SearchResult result = Run(c);
    EXPECT_EQ(result.linesVisited, disk_.Count() - 1);
    EXPECT_EQ(result.nestedVisited, 3u);
    EXPECT_EQ(result.hits, 0u);
    c.created.min = DateTime{1990, 1, 1};
    EXPECT_EQ(Run(c).nestedVisited, 0u);
}

TEST(SearchEngine, FuzzyModeNeedsItsMatchers) {
    SearchRequest request;
    request.criteria.mode = SearchMode::Fuzzy;
    request.criteria.text1 = "AB";
    Recorder recorder;
    EXPECT_THROW(RunSearch(request, recorder), EInternalError);
}

TEST(SearchEngine, ProgressIntervalsByMode) {
    SearchCriteria c;
    EXPECT_EQ(ProgressInterval(c), 7'500);
    c.text1 = "A";
    const std::pair<SearchMode, int> cases[] = {{SearchMode::Substring, 30'000},
                                                {SearchMode::Wildcard, 15'000},
                                                {SearchMode::ExtendedWildcard, 7'500},
                                                {SearchMode::Fuzzy, 750}};
    for (const auto& [mode, interval] : cases) {
        c.mode = mode;
        EXPECT_EQ(ProgressInterval(c), interval);
    }
}

// ---- Folding and quick rejection ---------------------------------------------

TEST(SearchFold, FoldFieldGivesWhatFoldGives) {
    const FoldMode modes[] = {FoldMode::UpperNoAccents, FoldMode::Upper, FoldMode::NoAccents,
                              FoldMode::AsTyped};
    std::string buffer;
    const std::vector<std::string> texts = {"",
                                            "plain ascii.TXT",
                                            "Canción ÁÉÍÓÚ ü ñ",
                                            "ı ſ ß straße",
                                            "caf\xE9 ni\xF1o",
                                            "mixed \xC3\xA1 and \xE1",
                                            "\x80\x81\x82\x83"};
    for (FoldMode mode : modes)
        for (const std::string& t : texts)
            EXPECT_EQ(FoldField(t, mode, buffer), Fold(t, mode)) << t;
    // Every character of the Basic Multilingual Plane, and every single byte.
    for (FoldMode mode : modes) {
        for (char32_t c = 1; c < 0x10000; ++c) {
            if (c >= 0xD800 && c <= 0xDFFF) continue;
            std::string t = "a";
            text::AppendUtf8(t, c);
            const std::string expected = Fold(t, mode);
            ASSERT_EQ(FoldField(t, mode, buffer), expected) << static_cast<unsigned>(c);
        }
        for (int b = 1; b < 256; ++b) {
            const std::string t(1, static_cast<char>(b));
            ASSERT_EQ(FoldField(t, mode, buffer), Fold(t, mode)) << b;
        }
    }
}

TEST(SearchFold, CharactersThatFoldIntoAsciiAreMarked) {
    // Whatever a fold (or the approximate matcher's upper case) turns into ASCII
    // must start with a marked byte, or the quick rejection would miss it.
    const FoldMode modes[] = {FoldMode::UpperNoAccents, FoldMode::Upper, FoldMode::NoAccents,
                              FoldMode::AsTyped};
    for (char32_t c = 0x80; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        std::string t;
        text::AppendUtf8(t, c);
        bool ascii = text::UpperChar(c) < 0x80;
        for (FoldMode mode : modes)
            ascii = ascii || text::IsAscii(Fold(t, mode));
        if (ascii) {
            ASSERT_TRUE(MayFoldIntoAscii(static_cast<unsigned char>(t[0])))
                << static_cast<unsigned>(c);
        }
    }
    for (int b = 0x80; b < 256; ++b) {
        const std::string t(1, static_cast<char>(b));
        bool ascii = false;
        for (FoldMode mode : modes)
            ascii = ascii || text::IsAscii(Fold(t, mode));
        if (ascii) {
            EXPECT_TRUE(MayFoldIntoAscii(static_cast<unsigned char>(b))) << b;
        }
    }
    // The bytes of the number code stay unmarked, so coded fields give no candidates.
    for (int b = 32; b <= 131; ++b)
        EXPECT_FALSE(MayFoldIntoAscii(static_cast<unsigned char>(b))) << b;
}

TEST(SearchScanTest, FindsNeedlesAtEveryOffset) {
    const CandidateScan scan({"Report", "x."});
    for (std::size_t length = 0; length < 70; ++length) {
        for (std::size_t at = 0; at + 6 <= length; ++at) {
            std::string text(length, 'r');
            text.replace(at, 6, at % 2 ? "rEpOrT" : "REPORT");
            EXPECT_EQ(scan.Next(text), at) << length << " " << at;
            EXPECT_EQ(scan.Next(text, at + 1), std::string_view::npos);
            // A near miss in the middle is no candidate.
            text[at + 3] = 'x';
            EXPECT_EQ(scan.Next(text), std::string_view::npos) << length << " " << at;
        }
        // A marked byte is a candidate wherever it stands.
        if (length > 0) {
            std::string text(length, 'a');
            text[length - 1] = '\xC3';
            EXPECT_EQ(scan.Next(text), length - 1);
        }
    }
    // Letters are folded, other characters are not: "@" is not "`".
    EXPECT_EQ(CandidateScan({"a@"}).Next(std::string(20, ' ') + "A`a@"), 22u);
    EXPECT_FALSE(CandidateScan().Active());
    EXPECT_FALSE(CandidateScan({"caf\xC3\xA9"}).Active());
}

// Builds a catalogue of random names over tricky characters and checks the hits
// of each text against a plain fold-and-compare of every field.
TEST(SearchScanTest, QuickRejectionNeverLosesAHit) {
    const std::vector<std::string> pieces = {
        "re", "port", "REP", "ort", "é", "ó", "ı", "ſ", "ß", "ñ", "a", " ", "_", "\xE9", "\xF3",
        "\x80", "Ö", "k", "K", "s", "S", "ü",
        // Decomposed letters and lone marks: a mark that goes joins the ASCII around it.
        "e\xCC\x81", "\xCC\x81", "n\xCC\x83", "\xCC\xA7", "\xE2\x84\xAA" /* Kelvin sign */,
        "\xE1\xB7\x80" /* U+1DC0 */};
    std::mt19937 random(7);
    const auto name = [&] {
        std::string n;
        const int count = std::uniform_int_distribution<int>(1, 6)(random);
        for (int i = 0; i < count; ++i)
            n += pieces[std::uniform_int_distribution<std::size_t>(0, pieces.size() - 1)(random)];
        return n;
    };
    std::vector<std::string> lines = {Header("Random"), Folder("E:\\")};
    std::vector<std::string> fields; // every name and nested name, in walk order
    for (int i = 0; i < 1500; ++i) {
        if (i % 50 == 0) {
            const std::string folder = name();
            lines.push_back(Folder("E:\\" + folder + "\\"));
            fields.push_back(LimpiaControles(folder));
            continue;
        }
        std::string file = name();
        if (i % 7 == 0) {
            std::vector<std::string> entries;
            std::vector<std::string> entryNames;
            for (int e = 0; e < 5; ++e) {
                entryNames.push_back(name());
                entries.push_back(Entry("dir\\" + entryNames.back()));
            }
            file += ".zip";
            lines.push_back(File(FileSpec(file).Nested(Block(entries))));
            fields.push_back(file);
            for (const std::string& e : entryNames)
                fields.push_back(std::string(ExtraeUltimoElemento("dir\\" + e)));
        } else {
            lines.push_back(File(FileSpec(file)));
            fields.push_back(file);
        }
    }
    CatalogueLines catalogue = Lines(lines);
    const std::vector<std::string> texts = {"REPORT", "port", "RE", "ESS", "EA",   "KS",
                                            "ÉO",     "Ñ",    "SS", "US",  "I",    "PORTE",
                                            "ORTA",   "EP",   "NA", "AK",  "REPO", "ÉP"};
    const FoldMode modes[] = {FoldMode::UpperNoAccents, FoldMode::Upper, FoldMode::NoAccents,
                              FoldMode::AsTyped};
    for (FoldMode mode : modes) {
        for (const std::string& typed : texts) {
            for (SearchMode searchMode : {SearchMode::Substring, SearchMode::Fuzzy}) {
                SearchCriteria c;
                c.fold = mode;
                c.mode = searchMode;
                c.where = SearchWhere::Name;
                c.what = SearchWhat::FilesAndFolders;
                c.text1 = Fold(typed, mode);
                TFuzzySearch fuzzy1(c.text1, 1), fuzzy2;
                SearchRequest request;
                request.nodes = {
                    {SearchNodeKind::Catalogue, "Random", "\\Random", true, &catalogue}};
                request.criteria = c;
                request.fuzzy1 = &fuzzy1;
                request.fuzzy2 = &fuzzy2;
                request.clock = [] { return std::uint64_t{0}; };
                Recorder recorder;
                RunSearch(request, recorder);

                TFuzzySearch reference(c.text1, 1);
                std::vector<std::string> expected;
                for (const std::string& field : fields) {
                    const std::string folded = Fold(field, mode);
                    const bool hit = searchMode == SearchMode::Substring
                                         ? folded.find(c.text1) != std::string::npos
                                         : reference.Search(folded);
                    if (hit) expected.push_back(field);
                }
                std::vector<std::string> found;
                for (const SearchRow& row : recorder.rows) {
                    std::string n = row[5];
                    if (!n.empty() && n.back() == '\\') n.pop_back();
                    found.push_back(n);
                }
                EXPECT_EQ(found, expected)
                    << "text " << typed << " mode " << static_cast<int>(mode)
                    << (searchMode == SearchMode::Fuzzy ? " fuzzy" : " substring");
            }
        }
    }
}

// ---- Worker threads ------------------------------------------------------------

// Everything a walk tells its observer, in order, as text. The stop questions
// the walk asks while it waits for its workers are not its own questions: they
// are answered as the last one was, and neither counted nor logged.
struct CallLog : SearchObserver {
    std::vector<std::string> calls;
    bool keep = true; // keep the calls, not only their digest
    std::uint64_t digest = 14695981039346656037ULL;
    std::uint64_t count = 0;
    int stopAtQuestion = -1; // the walk's own question that answers yes
    int questions = 0;
    bool stopped = false;
    bool waited = false;
    int waits = 0;
    std::uint64_t* clock = nullptr;

    void Log(std::string call) {
        for (unsigned char c : call)
            digest = (digest ^ c) * 1099511628211ULL;
        digest = (digest ^ 0xFF) * 1099511628211ULL;
        ++count;
        if (keep) calls.push_back(std::move(call));
    }
    bool StopRequested() override {
        if (waited) {
            waited = false;
            return stopped;
        }
        ++questions;
        if (clock) *clock += 7;
        stopped = stopAtQuestion >= 0 && questions >= stopAtQuestion;
        Log("stop?");
        return stopped;
    }
    void Progress(std::uint64_t lines, std::uint64_t hits) override {
        Log("progress " + std::to_string(lines) + " " + std::to_string(hits));
    }
    void Hit(const SearchRow& row, SearchHitKind kind) override {
        std::string call = "hit " + std::to_string(static_cast<int>(kind));
        for (const std::string& cell : row)
            call += "|" + cell;
        Log(std::move(call));
    }
    void Error(const std::string& line) override { Log("error " + line); }
    void Waiting() override {
        waited = true;
        ++waits;
    }
};

struct LoggedRun {
    SearchResult result;
    CallLog log;
};

// A root of collections and catalogues of random lines: folders, files with
// descriptions, media blocks and nested entries, names over tricky characters,
// a few damaged lines and entries; the sizes, dates and attributes vary.
class RandomRoot {
public:
    explicit RandomRoot(std::uint32_t seed) : random_(seed) {
        const int sizes[] = {3, 400, 1, 900, 60, 1500, 0, 250};
        for (std::size_t i = 0; i < std::size(sizes); ++i)
            catalogues_.push_back(Catalogue("Disk" + std::to_string(i), sizes[i]));
        nodes_.push_back(
            {SearchNodeKind::Collection, "Report archive", "\\Report archive", true, nullptr});
        for (std::size_t i = 0; i < catalogues_.size(); ++i) {
            const std::string name = "Disk" + std::to_string(i);
            if (i == 4)
                nodes_.push_back({SearchNodeKind::Collection, "songs", "\\Report archive\\songs",
                                  true, nullptr});
            const std::string parent = i < 4 ? "\\Report archive" : "\\Report archive\\songs";
            nodes_.push_back(
                {SearchNodeKind::Catalogue, name, parent + "\\" + name, i != 2, &catalogues_[i]});
        }
    }

    const std::vector<SearchNode>& Nodes() const { return nodes_; }

private:
    int Between(int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random_);
    }
    template <typename T> const T& Pick(const std::vector<T>& v) {
        return v[static_cast<std::size_t>(Between(0, static_cast<int>(v.size()) - 1))];
    }

    std::string Name() {
        static const std::vector<std::string> pieces = {
            "re", "port", "REP", "song", "Mús",  "ica",       "é",   "ñ", "a",
            " ",  "_",    "x",   "data", "2001", "o",         "Ö",   "k", "s",
            "ü",  "-",    "  ",  "ab",   "cd",   "e\xCC\x81", "\xE9"};
        std::string name;
        for (int i = Between(1, 5); i > 0; --i)
            name += Pick(pieces);
        return name;
    }
    DateTime Date() {
        return {Between(1995, 2012), Between(1, 12), Between(1, 28),
                Between(0, 23),      Between(0, 59), 0};
    }

    CatalogueLines Catalogue(const std::string& name, int lines) {
        static const std::vector<std::string> extensions = {".txt", ".mp3", ".jpg", ".doc",
                                                            ".zip", ".MP3", ""};
        static const std::vector<std::string> genres = {"Rock", "Jazz", "Música", "Pop"};
        std::vector<std::string> out = {Header(name)};
        if (lines == 0) return Lines(out);
        out.push_back(Folder("E:\\"));
        std::string folder = "E:\\";
        for (int i = 0; i < lines; ++i) {
            const int kind = Between(0, 99);
            if (kind < 12) {
                if (Between(0, 1) == 0) folder = "E:\\";
                folder += LimpiaControles(Name()) + "\\";
                out.push_back(Folder(folder, Between(0, 3) == 0 ? Name() : "", Date(),
                                     Between(0, 1) ? std::uint32_t{kAttrHidden} : 0u));
                continue;
            }
            if (kind == 12) {
                out.push_back("short");
                continue;
            }
            const std::string extension = Pick(extensions);
            FileSpec f(Name() + extension);
            f.Size(static_cast<std::uint64_t>(Between(0, 9000)))
                .Modified(Date())
                .Created(Date())
                .Attributes(static_cast<std::uint32_t>(
                    Between(0, 3) == 0 ? kAttrReadOnly | kAttrArchive : kAttrArchive));
            if (Between(0, 4) == 0) f.Description(Name());
            if (extension == ".jpg")
                f.Media(Between(0, 20) == 0 ? "!"
                                            : ImageMedia(Between(1, 4000), Between(1, 3000), 24));
            if (extension == ".doc" && Between(0, 3) != 0) f.Media(CodificaEntero(Between(1, 600)));
            if (extension == ".mp3" || extension == ".MP3")
                f.Media(MusicMedia(Between(1, 600), Between(1, 2), 44100, Between(64, 320),
                                   Between(1960, 2010), Between(1, 20), Pick(genres)));
            if (extension == ".zip") {
                std::vector<std::string> entries;
                for (int e = Between(0, 30); e > 0; --e) {
                    if (Between(0, 40) == 0) {
                        entries.push_back("bad");
                        continue;
                    }
                    if (Between(0, 40) == 0) {
                        // A date no row can show, found only when the row is written.
                        entries.push_back(CodificaFecha(0) + CodificaTamano(10) + "2" + Name());
                        continue;
                    }
                    const std::string inner = Between(0, 2) ? "" : LimpiaControles(Name()) + "\\";
                    entries.push_back(Entry(inner + LimpiaControles(Name()) + Pick(extensions),
                                            static_cast<std::uint64_t>(Between(0, 9000)), Date(),
                                            Between(0, 1) ? '2' : '3'));
                }
                if (!entries.empty()) f.Nested(Block(entries));
            }
            std::string line = File(f);
            // A creation date no row can show, found only when the row is written.
            if (Between(0, 40) == 0) line.replace(5, 5, CodificaFecha(0));
            out.push_back(std::move(line));
        }
        return Lines(out);
    }

    std::mt19937 random_;
    std::vector<CatalogueLines> catalogues_;
    std::vector<SearchNode> nodes_;
};

LoggedRun RunLogged(const std::vector<SearchNode>& nodes, const SearchCriteria& criteria,
                    unsigned threads, std::size_t rangeBytes, int fuzzyErrors = 1,
                    int stopAtQuestion = -1, bool keep = true) {
    LoggedRun run;
    std::uint64_t now = 0;
    TFuzzySearch fuzzy1(criteria.text1, fuzzyErrors), fuzzy2(criteria.text2, fuzzyErrors);
    SearchRequest request;
    request.nodes = nodes;
    request.criteria = criteria;
    request.fuzzy1 = &fuzzy1;
    request.fuzzy2 = &fuzzy2;
    request.clock = [&now] { return now; };
    request.threads = threads;
    request.rangeBytes = rangeBytes;
    run.log.clock = &now;
    run.log.stopAtQuestion = stopAtQuestion;
    run.log.keep = keep;
    run.result = RunSearch(request, run.log);
    return run;
}

void ExpectSameWalk(const LoggedRun& single, const LoggedRun& threaded, const std::string& what) {
    EXPECT_EQ(threaded.result.hits, single.result.hits) << what;
    EXPECT_EQ(threaded.result.linesVisited, single.result.linesVisited) << what;
    EXPECT_EQ(threaded.result.nestedVisited, single.result.nestedVisited) << what;
    EXPECT_EQ(threaded.result.stopped, single.result.stopped) << what;
    EXPECT_EQ(threaded.result.hitLimit, single.result.hitLimit) << what;
    EXPECT_EQ(threaded.log.count, single.log.count) << what;
    EXPECT_EQ(threaded.log.digest, single.log.digest) << what;
    const std::size_t n = std::min(single.log.calls.size(), threaded.log.calls.size());
    for (std::size_t i = 0; i < n; ++i)
        if (threaded.log.calls[i] != single.log.calls[i]) {
            ADD_FAILURE() << what << ": call " << i
                          << " differs:\n  threads: " << threaded.log.calls[i]
                          << "\n  single:  " << single.log.calls[i];
            break;
        }
}

struct ThreadCase {
    const char* name;
    std::string text1, text2;
    std::function<void(SearchCriteria&)> set;
};

// Every mode and filter over a random root: the walk with workers over ranges
// of a few lines, and over larger ranges, tells the observer exactly what the
// walk without them tells, hits, ranges, errors and progress points included.
TEST(SearchThreads, EveryModeAndFilterGivesTheWalkOfOneThread) {
    const RandomRoot root(20240611);
    const auto day = [](int y, int m, int d) { return DateTime{y, m, d, 0, 0, 0}; };
    const std::vector<ThreadCase> cases = {
        {"substring", "re", "", {}},
        {"substring, many hits", "a", "", {}},
        {"node names", "disk", "", {}},
        {"whole word", "data", "", [](SearchCriteria& c) { c.wholeWord = true; }},
        {"wildcard", "*re*.txt", "", [](SearchCriteria& c) { c.mode = SearchMode::Wildcard; }},
        {"wildcard AND", "*port*", "*.mp3",
         [](SearchCriteria& c) { c.mode = SearchMode::Wildcard; }},
        {"extended wildcard", "*[a..f]?.[m..t]*", "",
         [](SearchCriteria& c) { c.mode = SearchMode::ExtendedWildcard; }},
        {"fuzzy", "report", "", [](SearchCriteria& c) { c.mode = SearchMode::Fuzzy; }},
        {"fuzzy OR", "song", "data",
         [](SearchCriteria& c) {
             c.mode = SearchMode::Fuzzy;
             c.andMode = false;
         }},
        {"AND", "re", "a", {}},
        {"OR", "port", "ñ", [](SearchCriteria& c) { c.andMode = false; }},
        {"accents kept, case kept", "Mús", "",
         [](SearchCriteria& c) { c.fold = FoldMode::AsTyped; }},
        {"accents ignored, case kept", "Mus", "",
         [](SearchCriteria& c) { c.fold = FoldMode::NoAccents; }},
        {"description only", "re", "",
         [](SearchCriteria& c) { c.where = SearchWhere::Description; }},
        {"name only", "re", "", [](SearchCriteria& c) { c.where = SearchWhere::Name; }},
        {"files and folders", "o", "",
         [](SearchCriteria& c) { c.what = SearchWhat::FilesAndFolders; }},
        {"files", "o", "", [](SearchCriteria& c) { c.what = SearchWhat::Files; }},
        {"folders", "o", "", [](SearchCriteria& c) { c.what = SearchWhat::Folders; }},
        {"extension", "", "",
         [](SearchCriteria& c) {
             c.what = SearchWhat::FilesWithExtension;
             c.extension = "MP3";
         }},
        {"size", "", "",
         [](SearchCriteria& c) {
             c.size = {1000, 3000};
         }},
        {"modified", "s", "",
         [&](SearchCriteria& c) {
             c.modified = {day(2000, 1, 1), day(2004, 1, 1)};
         }},
        {"created", "", "", [&](SearchCriteria& c) { c.created.min = day(2008, 1, 1); }},
        {"attributes", "", "", [](SearchCriteria& c) { c.attributes = "R"; }},
        {"nested by path", "re", "", [](SearchCriteria& c) { c.nestedByPath = true; }},
        {"nested left out", "re", "", [](SearchCriteria& c) { c.nested = false; }},
        {"duration and channels", "", "",
         [](SearchCriteria& c) {
             c.duration.max = 300;
             c.channels = 2;
         }},
        {"width", "", "",
         [](SearchCriteria& c) {
             c.width = {1000, 3000};
         }},
        {"height", "", "", [](SearchCriteria& c) { c.height.max = 1500; }},
        {"pages", "", "",
         [](SearchCriteria& c) {
             c.pages = {10, 300};
         }},
        {"sample rate", "", "", [](SearchCriteria& c) { c.sampleRate.min = 44100; }},
        {"quality", "", "", [](SearchCriteria& c) { c.quality.max = 200; }},
        {"year, track and genre", "", "",
         [](SearchCriteria& c) {
             c.year.min = 1990;
             c.track.max = 10;
             c.genre = "MUSICA";
         }},
    };
    for (const ThreadCase& t : cases) {
        SearchCriteria c;
        if (t.set) t.set(c);
        if (!t.text1.empty()) c.text1 = Fold(t.text1, c.fold);
        if (!t.text2.empty()) c.text2 = Fold(t.text2, c.fold);
        const LoggedRun single = RunLogged(root.Nodes(), c, 1, 1);
        EXPECT_EQ(single.result.workers, 0u) << t.name;
        EXPECT_GT(single.result.linesVisited, 2'000u) << t.name;
        for (const auto& [threads, range] : {std::pair<unsigned, std::size_t>{4, 700},
                                             std::pair<unsigned, std::size_t>{3, 9'000}}) {
            const LoggedRun threaded = RunLogged(root.Nodes(), c, threads, range);
            EXPECT_EQ(threaded.result.workers, threads) << t.name;
            ExpectSameWalk(single, threaded,
                           std::string(t.name) + ", ranges of " + std::to_string(range) + " bytes");
        }
    }
}

// A catalogue of `count` numbered files, a folder line every thousand lines
// and an archive of one entry every five hundred.
CatalogueLines NumberedCatalogue(int count) {
    std::vector<std::string> lines = {Header("Big"), Folder("E:\\")};
    for (int i = 0; i < count; ++i) {
        if (i % 1000 == 999) lines.push_back(Folder("E:\\d" + std::to_string(i) + "\\"));
        if (i % 500 == 0)
            lines.push_back(File(FileSpec("f" + std::to_string(i) + ".zip")
                                     .Nested(Block({Entry("in.txt"), Entry("other.txt")}))));
        else
            lines.push_back(File(FileSpec("f" + std::to_string(i) + ".txt")));
    }
    return Lines(lines);
}

// A stop at any of the walk's questions, after a hit or at a progress point,
// ends the walk with workers where it ends the walk without them.
TEST(SearchThreads, AStopEndsTheWalkWhereItEndsWithoutWorkers) {
    const RandomRoot root(99);
    SearchCriteria c;
    c.text1 = Fold("a", c.fold);
    for (int question : {1, 2, 3, 5, 40, 41, 300, 1200}) {
        const LoggedRun single = RunLogged(root.Nodes(), c, 1, 1, 1, question);
        const LoggedRun threaded = RunLogged(root.Nodes(), c, 4, 500, 1, question);
        EXPECT_TRUE(single.result.stopped) << question;
        ExpectSameWalk(single, threaded, "stop at question " + std::to_string(question));
    }

    // No hits: the questions are those of the progress points, every 750 lines.
    const CatalogueLines first = NumberedCatalogue(30'000), second = NumberedCatalogue(20'000);
    const std::vector<SearchNode> nodes = {
        {SearchNodeKind::Catalogue, "Big", "\\Big", true, &first},
        {SearchNodeKind::Catalogue, "Big", "\\Big 2", true, &second}};
    c.mode = SearchMode::Fuzzy;
    c.text1 = Fold("zzzz", c.fold);
    for (int question : {3, 10, 41, 42, 43, 60, 1000}) {
        const LoggedRun single = RunLogged(nodes, c, 1, 1, 1, question);
        const LoggedRun threaded = RunLogged(nodes, c, 4, 9'000, 1, question);
        EXPECT_GT(threaded.result.workers, 0u);
        ExpectSameWalk(single, threaded, "no hits, stop at question " + std::to_string(question));
    }
}

// The hit limit reached in the middle of a catalogue split into ranges, in
// ranges of many sizes, one of them a range that alone holds more hits than the limit.
TEST(SearchThreads, TheHitLimitEndsTheWalkAtTheSameHit) {
    std::vector<CatalogueLines> catalogues;
    for (int lineCount : {20'000, 220'000, 5'000})
        catalogues.push_back(NumberedCatalogue(lineCount));
    std::vector<SearchNode> nodes;
    for (std::size_t c = 0; c < catalogues.size(); ++c)
        nodes.push_back(
            {SearchNodeKind::Catalogue, "Big", "\\Big" + std::to_string(c), true, &catalogues[c]});
    // Every mode reaches the limit in the second catalogue.
    const std::vector<ThreadCase> cases = {
        {"substring", ".txt", "", {}},
        {"whole word", "txt", "", [](SearchCriteria& c) { c.wholeWord = true; }},
        {"wildcard", "f*.txt", "", [](SearchCriteria& c) { c.mode = SearchMode::Wildcard; }},
        {"extended wildcard", "f[0..9]*.t?t", "",
         [](SearchCriteria& c) { c.mode = SearchMode::ExtendedWildcard; }},
        {"fuzzy", ".tx", "", [](SearchCriteria& c) { c.mode = SearchMode::Fuzzy; }},
        {"AND", "f", ".txt", {}},
        {"OR", ".zip", ".txt", [](SearchCriteria& c) { c.andMode = false; }},
    };
    for (const ThreadCase& t : cases) {
        SearchCriteria criteria;
        if (t.set) t.set(criteria);
        criteria.text1 = Fold(t.text1, criteria.fold);
        if (!t.text2.empty()) criteria.text2 = Fold(t.text2, criteria.fold);
        const LoggedRun single = RunLogged(nodes, criteria, 1, 1, 1, -1, false);
        ASSERT_TRUE(single.result.hitLimit) << t.name;
        ASSERT_GT(single.result.linesVisited, catalogues[0].Count()) << t.name;
        ASSERT_LT(single.result.linesVisited, catalogues[0].Count() + catalogues[1].Count() - 1000)
            << t.name;
        for (std::size_t range :
             {std::size_t{20'000}, std::size_t{200'000}, catalogues[1].MemoryBytes() / 2}) {
            const LoggedRun threaded = RunLogged(nodes, criteria, 4, range, 1, -1, false);
            EXPECT_GT(threaded.result.workers, 0u) << t.name << ", " << range;
            ExpectSameWalk(single, threaded,
                           std::string(t.name) + ", ranges of " + std::to_string(range) + " bytes");
        }
    }
}

// Threads only where they pay: a search smaller than two ranges, and one whose
// only catalogue has no folder line to split at, run on the calling thread.
TEST(SearchThreads, SmallSearchesStartNoThreads) {
    const CatalogueLines disk = SampleDisk();
    const std::vector<SearchNode> nodes = {
        {SearchNodeKind::Catalogue, "Disco", "\\Disco", true, &disk}};
    SearchCriteria c;
    c.text1 = Fold("o", c.fold);
    EXPECT_EQ(RunLogged(nodes, c, 0, kSearchRangeBytes).result.workers, 0u);
    EXPECT_EQ(RunLogged(nodes, c, 8, disk.MemoryBytes()).result.workers, 0u);

    std::vector<std::string> flat = {Header("Flat"), Folder("E:\\")};
    for (int i = 0; i < 2000; ++i)
        flat.push_back(File(FileSpec("file" + std::to_string(i) + ".txt")));
    const CatalogueLines one = Lines(flat);
    const std::vector<SearchNode> flatNodes = {
        {SearchNodeKind::Catalogue, "Flat", "\\Flat", true, &one}};
    const LoggedRun single = RunLogged(flatNodes, c, 1, 1);
    const LoggedRun threaded = RunLogged(flatNodes, c, 4, 1000);
    EXPECT_EQ(threaded.result.workers, 0u);
    ExpectSameWalk(single, threaded, "one folder");
}

// The pool itself: the walk scans what no worker started, a stop while it
// waits ends the wait and the workers, a worker's exception reaches the walk,
// and the workers keep within their lead and the hit limit.
TEST(SearchThreads, WorkersStopWhenTheWalkStops) {
    std::atomic<int> scanning{0};
    {
        SearchWorkers workers(4, 2, 8, kMaxSearchHits,
                              [&](unsigned, std::size_t, const std::atomic<bool>& cancelled) {
                                  ++scanning;
                                  while (!cancelled.load())
                                      std::this_thread::yield();
                                  return std::uint64_t{0};
                              });
        while (scanning.load() < 2)
            std::this_thread::yield();
        int waits = 0;
        EXPECT_EQ(workers.Take(
                      0, [&] { return ++waits == 3; }, std::chrono::milliseconds(1)),
                  SearchWorkers::Taken::Stopped);
        EXPECT_EQ(waits, 3);
        // The destructor ends both scans through `cancelled` and returns.
    }
    EXPECT_EQ(scanning.load(), 2);

    SearchWorkers none(3, 0, 8, kMaxSearchHits,
                       [](unsigned, std::size_t, const std::atomic<bool>&) -> std::uint64_t {
                           throw std::logic_error("not on a worker");
                       });
    EXPECT_EQ(none.Threads(), 0u);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(none.Take(
                      i, [] { return false; }, std::chrono::milliseconds(1)),
                  SearchWorkers::Taken::ScanHere);

    std::atomic<bool> began{false};
    SearchWorkers failing(1, 1, 8, kMaxSearchHits,
                          [&](unsigned, std::size_t, const std::atomic<bool>&) -> std::uint64_t {
                              began = true;
                              throw EInternalError("scan failed");
                          });
    while (!began.load())
        std::this_thread::yield();
    EXPECT_THROW(failing.Take(
                     0, [] { return false; }, std::chrono::milliseconds(1)),
                 EInternalError);

    std::mutex mutex;
    std::vector<std::size_t> started;
    const auto record = [&](unsigned, std::size_t chunk, const std::atomic<bool>&) {
        const std::lock_guard<std::mutex> lock(mutex);
        started.push_back(chunk);
        return std::uint64_t{5};
    };
    const auto startedCount = [&] {
        const std::lock_guard<std::mutex> lock(mutex);
        return started.size();
    };
    {
        // A lead of two chunks: nothing past chunk 1 starts before chunk 0 is released.
        SearchWorkers workers(10, 4, 2, kMaxSearchHits, record);
        while (startedCount() < 2)
            std::this_thread::yield();
        const auto never = [] { return false; };
        EXPECT_EQ(workers.Take(0, never, std::chrono::milliseconds(1)),
                  SearchWorkers::Taken::Scanned);
        EXPECT_EQ(workers.Take(1, never, std::chrono::milliseconds(1)),
                  SearchWorkers::Taken::Scanned);
        EXPECT_EQ(workers.Take(2, never, std::chrono::milliseconds(1)),
                  SearchWorkers::Taken::ScanHere);
    }
    EXPECT_EQ(started.size(), 2u);
    started.clear();
    {
        // Five hits a chunk and a limit of seven: no chunk starts after the second.
        SearchWorkers workers(10, 1, 10, 7, record);
        while (startedCount() < 2)
            std::this_thread::yield();
        const auto never = [] { return false; };
        EXPECT_EQ(workers.Take(0, never, std::chrono::milliseconds(1)),
                  SearchWorkers::Taken::Scanned);
        EXPECT_EQ(workers.Take(1, never, std::chrono::milliseconds(1)),
                  SearchWorkers::Taken::Scanned);
        EXPECT_EQ(workers.Take(2, never, std::chrono::milliseconds(1)),
                  SearchWorkers::Taken::ScanHere);
    }
    EXPECT_EQ(started, (std::vector<std::size_t>{0, 1}));
}

} // namespace
} // namespace sorvane
