// The search walk over a synthetic catalogue of ten million lines, held in
// memory as the program holds it, beside grep over a flat file of the same
// names, descriptions and nested-entry names (one a line), in the same run:
// substring search against `grep -c -F -i`, a wildcard against the same mask
// as a regular expression with `grep -c -E -i` (both under LC_ALL=C.UTF-8),
// and the approximate search with one error against our substring search;
// then an accented word with each upper-casing of the folding routines (the
// string manager's table and Unicode's), the settings page's choice.
//
// The catalogue: 10% folder lines, 5% archives with 20 to 200 nested entries,
// 15% files with a media block (photos and songs), 10% of the lines with a
// description; names from English and Spanish words, accents included. One
// word, "quixotic", stands in a few names in every letter case, so each run
// finds some tens of thousands of hits, below the hit limit.
//
// Options: --lines=N (10,000,000 by default), --repetitions=N (3 by default),
// --flat=FILE (where the flat file goes; a temporary file by default),
// --profile=substring|wildcard|fuzzy (only our side of that mode, for a profiler),
// --threads=N (worker threads of our search; 0, the default, one per core).
#include "bench/Options.h"
#include "bench/PeerCommand.h"
#include "bench/SyntheticLines.h"
#include "bench/TempFolder.h"
#include "bench/Timing.h"
#include "catalogue/format/CatalogueLine.h"
#include "catalogue/format/CatalogueLines.h"
#include "catalogue/format/NumberCode.h"
#include "catalogue/format/StringManager.h"
#include "catalogue/format/TextUtils.h"
#include "mainwindow/Matchers.h"
#include "mainwindow/SearchEngine.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace sorvane;
using namespace sorvane::bench;

constexpr std::size_t kDefaultLines = 10'000'000;
constexpr int kDefaultRepetitions = 3;
constexpr std::size_t kCatalogues = 10;
constexpr double kSubstringTarget = 0.6; // ours, on every core, within 0.6 of grep -F -i
constexpr double kFuzzyTarget = 5.0;     // one error within five times our substring search
constexpr const char* kRareWord = "quixotic";
constexpr const char* kWildcard = "*quixotic*.txt";
constexpr const char* kRegex = "^.*quixotic.*\\.txt$";
// An accented word of the names, whose candidate lines are folded: the search
// for it shows what each upper-casing of the folding routines costs.
constexpr const char* kAccentedWord = "canción";

struct Options {
    std::size_t lines = kDefaultLines;
    int repetitions = kDefaultRepetitions;
    std::string flat;
    std::string profile;
    unsigned threads = 0;
};

Options ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        if (const char* v = OptionValue(argv[i], "--lines="))
            options.lines = std::strtoull(v, nullptr, 10);
        else if (const char* v = OptionValue(argv[i], "--repetitions="))
            options.repetitions = AtLeast(v, 1);
        else if (const char* v = OptionValue(argv[i], "--flat="))
            options.flat = v;
        else if (const char* v = OptionValue(argv[i], "--profile="))
            options.profile = v;
        else if (const char* v = OptionValue(argv[i], "--threads="))
            options.threads = static_cast<unsigned>(AtLeast(v, 0));
        else
            UnknownOption(argv[i],
                          "--lines=N --repetitions=N --flat=FILE --profile=MODE --threads=N");
    }
    if (options.lines < 10'000) throw std::invalid_argument("--lines must be at least 10000");
    return options;
}

// ---- The catalogue ----------------------------------------------------------

constexpr std::string_view kEnglish[] = {
    "report",   "holiday", "invoice", "draft",   "final",   "backup", "notes",  "summer", "project",
    "budget",   "family",  "scan",    "letter",  "old",     "new",    "copy",   "misc",   "release",
    "setup",    "meeting", "minutes", "photo",   "party",   "trip",   "client", "design", "sketch",
    "contract", "school",  "music",   "video",   "manual",  "guide",  "index",  "data",   "export",
    "import",   "config",  "readme",  "license", "changes", "test",   "sample", "demo",   "archive",
    "weekly",   "monthly", "annual",  "tax",     "receipt", "garden", "house",  "car",    "kids",
};
constexpr std::string_view kSpanish[] = {
    "informe", "factura", "vacaciones", "boda",   "cumpleaños", "año",
    "canción", "música",  "fotos",      "viaje",  "reunión",    "presupuesto",
    "copia",   "nuevo",   "viejo",      "casa",   "niños",      "jardín",
    "lección", "examen",  "trabajo",    "médico", "impuestos",  "Sevilla",
    "Madrid",  "Málaga",  "Córdoba",    "Zürich", "México",     "verano",
};
constexpr std::string_view kFolderWords[] = {
    "Documents", "Photos",   "Music",  "Projects", "src",    "bin",     "Downloads",
    "Backups",   "2019",     "2020",   "2021",     "2022",   "Drivers", "Games",
    "Docs",      "include",  "lib",    "old",      "Fotos",  "Música",  "Trabajo",
    "Facturas",  "Clientes", "Vídeos", "assets",   "images", "tmp",
};
constexpr std::string_view kDocumentExtensions[] = {"txt",  "doc", "pdf",  "xls",
                                                    "docx", "odt", "html", "csv"};
constexpr std::string_view kMemberExtensions[] = {"cpp",  "h",   "txt", "png", "jpg", "dll",
                                                  "exe",  "xml", "ini", "dat", "pdf", "mp3",
                                                  "html", "css", "js",  "json"};
constexpr std::string_view kArchiveExtensions[] = {"zip", "rar", "cab", "tgz", "arj"};
constexpr std::string_view kArtists[] = {"The Beatles", "Queen",        "Shakira", "Alejandro Sanz",
                                         "Miles Davis", "Radiohead",    "Björk",   "Maná",
                                         "Nirvana",     "Paco de Lucía"};
constexpr std::string_view kGenres[] = {"Rock", "Jazz", "Classical", "Pop", "Flamenco", "Blues"};
constexpr std::string_view kDescriptions[] = {
    "Scanned at the office",
    "Keep",
    "Tax papers, do not delete",
    "From the old laptop",
    "Boda de Ana y Luis",
    "Needs checking",
    "Copia de seguridad del servidor",
    "Fotos del verano",
    "Signed copy",
    "Última versión",
};

template <typename T, std::size_t N>
std::string_view Pick(std::mt19937_64& random, const T (&words)[N]) {
    return words[std::uniform_int_distribution<std::size_t>(0, N - 1)(random)];
}

// Writes the flat file through a large buffer.
class FlatWriter {
public:
    explicit FlatWriter(const std::string& path) : out_(path, std::ios::binary) {
        if (!out_) throw std::runtime_error("cannot create " + path);
        buffer_.reserve(kChunk + 4096);
    }
    ~FlatWriter() { Flush(); }
    void Line(std::string_view text) {
        buffer_.append(text);
        buffer_.push_back('\n');
        ++lines_;
        if (buffer_.size() >= kChunk) Flush();
    }
    void Flush() {
        out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
        buffer_.clear();
    }
    std::size_t Lines() const { return lines_; }

private:
    static constexpr std::size_t kChunk = 8u << 20;
    std::ofstream out_;
    std::string buffer_;
    std::size_t lines_ = 0;
};

class Generator {
public:
    Generator(std::uint32_t seed, FlatWriter& flat) : random_(seed), flat_(flat) {
        // Coded dates and sizes are drawn from pools, which keeps the build fast.
        LineMaker maker(seed);
        for (int i = 0; i < 4096; ++i) {
            dates_.push_back(CodificaFecha(maker.Date()));
            smallSizes_.push_back(
                CodificaTamano(static_cast<std::uint64_t>(maker.Between(0, 400'000))));
            mediaSizes_.push_back(
                CodificaTamano(static_cast<std::uint64_t>(maker.Between(500'000, 12'000'000))));
        }
        for (int i = 0; i < 64; ++i) {
            photoBlocks_.push_back(i % 2 ? ImageMedia(4032, 3024, 24) : ImageMedia(1920, 1080, 24));
            songBlocks_.push_back(MusicMedia(Between(90, 600), 2, 44100, Between(0, 1) ? 192 : 320,
                                             Between(1960, 2024), Between(1, 20),
                                             Pick(random_, kGenres)));
        }
    }

    // One catalogue of `lines` lines, header included, in its text form.
    std::string Catalogue(const std::string& name, std::size_t lines) {
        std::string text = HeaderLine(name, '3', 'D', 1'000'000, 5'000'000, "DISK");
        text += "\r\n";
        text += FolderLine("\\", 0, kEpoch, kEpoch);
        text += "\r\n";
        std::string path = "\\";
        for (std::size_t i = 2; i < lines; ++i) {
            const int kind = Between(0, 99);
            std::string line;
            if (kind < 10) {
                // A new folder one level down, or back up first.
                if (std::count(path.begin(), path.end(), '\\') > Between(1, 4))
                    path.resize(path.rfind('\\'));
                if (path.size() > 1 && Between(0, 2) == 0) path.resize(path.rfind('\\'));
                if (path.empty()) path = "\\";
                std::string folder(Pick(random_, kFolderWords));
                MaybeRare(folder);
                if (Between(0, 2) == 0) folder += " " + std::to_string(Between(1, 99));
                path = (path == "\\" ? std::string() : path) + "\\" + folder;
                line = FolderLine(path, Between(0, 40), Date(), Date());
                flat_.Line(folder);
            } else if (kind < 15) {
                line = ArchiveLine();
            } else if (kind < 30) {
                line = MediaLine(kind < 24);
            } else {
                std::string name = Words(Between(1, 3));
                name += ".";
                name += Pick(random_, kDocumentExtensions);
                line = PlainLine(name, smallSizes_[Index()]);
                flat_.Line(name);
            }
            if (Between(0, 9) == 0) {
                const std::string_view description = Pick(random_, kDescriptions);
                line = PonDescripcion(line, description);
                flat_.Line(description);
            }
            text += line;
            text += "\r\n";
        }
        return text;
    }

private:
    static constexpr std::uint32_t kEpoch = 2'162'688; // 1980-01-01

    int Between(int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random_);
    }
    std::size_t Index() { return static_cast<std::size_t>(Between(0, 4095)); }
    std::uint32_t Date() {
        return DosDate(Between(1995, 2024), Between(1, 12), Between(1, 28), Between(0, 23),
                       Between(0, 59), 0);
    }

    void MaybeRare(std::string& name) {
        if (Between(0, 1999) != 0) return;
        static constexpr std::string_view kForms[] = {"quixotic", "Quixotic", "QUIXOTIC",
                                                      "QuiXotic"};
        name += Between(0, 1) ? " " : "_";
        name += Pick(random_, kForms);
    }

    std::string Word() {
        // About one word in seven is Spanish, many of them accented.
        return std::string(Between(0, 6) == 0 ? Pick(random_, kSpanish) : Pick(random_, kEnglish));
    }

    std::string Words(int count) {
        std::string name;
        for (int i = 0; i < count; ++i) {
            if (i > 0) name += Between(0, 1) ? " " : "_";
            std::string word = Word();
            if (Between(0, 3) == 0)
                word[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(word[0])));
            name += word;
        }
        if (Between(0, 4) == 0) name += " " + std::to_string(Between(1, 2024));
        MaybeRare(name);
        return name;
    }

    std::string PlainLine(std::string_view name, std::string_view size,
                          std::string_view blocks = {}) {
        std::string line = dates_[Index()];
        line += dates_[Index()];
        line += size;
        line += "20";
        line += name;
        line += blocks;
        return line;
    }

    std::string MediaLine(bool photo) {
        std::string name;
        std::string block(1, kMediaBracket);
        if (photo) {
            name = Between(0, 2) ? "IMG_" + std::to_string(Between(1000, 9999)) + ".JPG"
                                 : Words(1) + " " + std::to_string(Between(1, 300)) + ".jpg";
            block += photoBlocks_[static_cast<std::size_t>(Between(0, 63))];
        } else {
            name = (Between(1, 20) < 10 ? "0" : "") + std::to_string(Between(1, 20)) + " - ";
            name += Pick(random_, kArtists);
            name += " - ";
            name += Words(Between(1, 3));
            name += ".mp3";
            block += songBlocks_[static_cast<std::size_t>(Between(0, 63))];
        }
        block.push_back(kMediaBracket);
        flat_.Line(name);
        return PlainLine(name, mediaSizes_[Index()], block);
    }

    std::string ArchiveLine() {
        std::string name = Words(Between(1, 2));
        name += ".";
        name += Pick(random_, kArchiveExtensions);
        flat_.Line(name);
        std::string block(1, kNestedBracket);
        const int entries = Between(20, 200);
        std::string folder;
        for (int e = 0; e < entries; ++e) {
            if (e > 0) block.push_back(kItemSeparator);
            if (Between(0, 9) == 0) {
                folder.clear();
                for (int depth = Between(0, 2); depth > 0; --depth) {
                    folder += Pick(random_, kFolderWords);
                    folder += "\\";
                }
            }
            std::string member =
                Between(0, 1) ? Words(Between(1, 2)) : std::string(Pick(random_, kEnglish));
            member += ".";
            member += Pick(random_, kMemberExtensions);
            block += dates_[Index()];
            block += smallSizes_[Index()];
            block += "2";
            block += folder;
            block += member;
            flat_.Line(member);
        }
        block.push_back(kNestedBracket);
        return PlainLine(name, mediaSizes_[Index()], block);
    }

    std::mt19937_64 random_;
    FlatWriter& flat_;
    std::vector<std::string> dates_, smallSizes_, mediaSizes_, photoBlocks_, songBlocks_;
};

// ---- The two sides ----------------------------------------------------------

struct Counter : SearchObserver {
    bool StopRequested() override { return false; }
    void Progress(std::uint64_t, std::uint64_t) override {}
    void Hit(const SearchRow&, SearchHitKind) override { ++hits; }
    void Error(const std::string& line) override {
        if (errors++ == 0) std::fprintf(stderr, "error: %s\n", line.c_str());
    }
    std::uint64_t hits = 0;
    std::uint64_t errors = 0;
};

struct OurRun {
    double seconds;
    SearchResult result;
};

OurRun RunOurs(const std::vector<SearchNode>& nodes, SearchMode mode, const std::string& typed,
               unsigned threads) {
    SearchRequest request;
    request.threads = threads;
    request.nodes = nodes;
    request.criteria.mode = mode;
    request.criteria.what = SearchWhat::FilesAndFolders;
    request.criteria.text1 = Fold(typed, request.criteria.fold);
    TFuzzySearch fuzzy1(request.criteria.text1, 1), fuzzy2;
    request.fuzzy1 = &fuzzy1;
    request.fuzzy2 = &fuzzy2;
    Counter counter;
    SearchResult result;
    const double seconds = Seconds([&] { result = RunSearch(request, counter); });
    if (counter.errors > 0) throw std::runtime_error("the search reported damaged lines");
    return {seconds, result};
}

struct PeerRun {
    double seconds;
    std::uint64_t count;
};

// grep -c with the given options under LC_ALL=C.UTF-8; its count of lines.
PeerRun RunGrep(const char* options, const char* pattern, const std::string& file) {
    const std::vector<std::string> args = {"grep", "-c", options, "-i", pattern, file};
    CommandResult grep;
    const double seconds = Seconds([&] { grep = RunCommand(args); });
    // grep -c exits with 1 when it counts nothing.
    if (grep.exitStatus < 0 || grep.exitStatus > 1) throw std::runtime_error("grep failed");
    return {seconds, std::strtoull(grep.output.c_str(), nullptr, 10)};
}

int Run(const Options& options) {
    ::setenv("LC_ALL", "C.UTF-8", 1); // for grep
    const TempFile flatFile("sorvane-search", options.flat);
    const std::string& flatPath = flatFile.Path();

    std::printf("building %zu catalogue lines in %zu catalogues ...\n", options.lines, kCatalogues);
    std::fflush(stdout);
    const auto buildStart = Clock::now();
    std::vector<CatalogueLines> catalogues(kCatalogues);
    std::vector<SearchNode> nodes = {
        {SearchNodeKind::Collection, "Disks", "\\Disks", true, nullptr}};
    std::size_t flatLines = 0, nested = 0;
    {
        FlatWriter flat(flatPath);
        Generator generator(20240611, flat);
        for (std::size_t i = 0; i < kCatalogues; ++i) {
            const std::string name = "Disk " + std::to_string(i + 1);
            catalogues[i].AdoptText(generator.Catalogue(name, options.lines / kCatalogues));
            nodes.push_back(
                {SearchNodeKind::Catalogue, name, "\\Disks\\" + name, true, &catalogues[i]});
        }
        flatLines = flat.Lines();
    }
    std::size_t bytes = 0;
    for (const CatalogueLines& c : catalogues)
        bytes += c.MemoryBytes();
    std::printf("built in %.1f s: %.0f MB of lines in memory, flat file of %zu lines, %.0f MB\n",
                std::chrono::duration<double>(Clock::now() - buildStart).count(), bytes / 1e6,
                flatLines, static_cast<double>(fs::file_size(flatPath)) / 1e6);

    if (!options.profile.empty()) {
        const SearchMode mode = options.profile == "fuzzy"      ? SearchMode::Fuzzy
                                : options.profile == "wildcard" ? SearchMode::Wildcard
                                                                : SearchMode::Substring;
        const char* text = mode == SearchMode::Wildcard ? kWildcard : kRareWord;
        for (int i = 0; i < options.repetitions; ++i)
            std::printf("ours/%s: %.3f s\n", options.profile.c_str(),
                        RunOurs(nodes, mode, text, options.threads).seconds);
        return 0;
    }

    // First runs: the counts must agree, and the page cache holds the flat file.
    const OurRun firstOurs = RunOurs(nodes, SearchMode::Substring, kRareWord, options.threads);
    const PeerRun firstPeer = RunGrep("-F", kRareWord, flatPath);
    const OurRun firstWild = RunOurs(nodes, SearchMode::Wildcard, kWildcard, options.threads);
    const PeerRun firstWildPeer = RunGrep("-E", kRegex, flatPath);
    nested = firstOurs.result.nestedVisited;
    std::printf("entries searched: %llu lines, %zu nested entries, on %u worker threads\n",
                static_cast<unsigned long long>(firstOurs.result.linesVisited), nested,
                firstOurs.result.workers);
    std::printf("hits: substring ours %llu, grep -F -i %llu; wildcard ours %llu, grep -E -i %llu\n",
                static_cast<unsigned long long>(firstOurs.result.hits),
                static_cast<unsigned long long>(firstPeer.count),
                static_cast<unsigned long long>(firstWild.result.hits),
                static_cast<unsigned long long>(firstWildPeer.count));
    if (firstOurs.result.hits != firstPeer.count || firstWild.result.hits != firstWildPeer.count) {
        std::fprintf(stderr, "hit counts differ from grep's\n");
        return 1;
    }

    std::vector<double> substring, grepF, wildcard, grepE, fuzzy, oneThread;
    std::uint64_t fuzzyHits = 0;
    for (int i = 0; i < options.repetitions; ++i) {
        substring.push_back(
            RunOurs(nodes, SearchMode::Substring, kRareWord, options.threads).seconds);
        grepF.push_back(RunGrep("-F", kRareWord, flatPath).seconds);
        wildcard.push_back(
            RunOurs(nodes, SearchMode::Wildcard, kWildcard, options.threads).seconds);
        grepE.push_back(RunGrep("-E", kRegex, flatPath).seconds);
        const OurRun f = RunOurs(nodes, SearchMode::Fuzzy, kRareWord, options.threads);
        fuzzy.push_back(f.seconds);
        fuzzyHits = f.result.hits;
        oneThread.push_back(RunOurs(nodes, SearchMode::Substring, kRareWord, 1).seconds);
    }
    // The upper-casing choice of the settings page: the string manager's table
    // (the default) and the Unicode upper-casing of every character.
    std::vector<double> byTable, byUnicode;
    std::uint64_t tableHits = 0, unicodeHits = 0;
    for (int i = 0; i < options.repetitions; ++i) {
        SetTableUpperCase(true);
        const OurRun table = RunOurs(nodes, SearchMode::Substring, kAccentedWord, options.threads);
        SetTableUpperCase(false);
        const OurRun unicode =
            RunOurs(nodes, SearchMode::Substring, kAccentedWord, options.threads);
        byTable.push_back(table.seconds);
        byUnicode.push_back(unicode.seconds);
        tableHits = table.result.hits;
        unicodeHits = unicode.result.hits;
    }
    SetTableUpperCase(true);
    const double s = Median(substring), gf = Median(grepF), w = Median(wildcard),
                 ge = Median(grepE), f = Median(fuzzy);
    const double entries = static_cast<double>(firstOurs.result.linesVisited + nested);
    std::printf("%-36s %9s %12s\n", "", "median s", "entries/s");
    std::printf("%-36s %9.3f %12.0f\n", "ours/substring \"quixotic\"", s, entries / s);
    std::printf("%-36s %9.3f %12.0f\n", "peer/grep -c -F -i", gf, entries / gf);
    std::printf("%-36s %9.3f %12.0f\n", "ours/substring, one thread", Median(oneThread),
                entries / Median(oneThread));
    std::printf("%-36s %9.3f %12.0f\n", "ours/wildcard \"*quixotic*.txt\"", w, entries / w);
    std::printf("%-36s %9.3f %12.0f\n", "peer/grep -c -E -i", ge, entries / ge);
    std::printf("%-36s %9.3f %12.0f   (%llu hits)\n", "ours/fuzzy \"quixotic\", 1 error", f,
                entries / f, static_cast<unsigned long long>(fuzzyHits));
    const double ut = Median(byTable), uu = Median(byUnicode);
    // (37 bytes of label for 36 columns: "ó" takes two bytes.)
    std::printf("%-37s %9.3f %12.0f   (%llu hits)\n", "ours/\"canción\", table upper-casing", ut,
                entries / ut, static_cast<unsigned long long>(tableHits));
    std::printf("%-37s %9.3f %12.0f   (%llu hits)\n", "ours/\"canción\", Unicode upper-casing", uu,
                entries / uu, static_cast<unsigned long long>(unicodeHits));
    std::printf("upper-casing: Unicode / table = %.2f\n", uu / ut);
    std::printf("wildcard: ours / grep -E -i = %.2f\n", w / ge);
    std::printf("fuzzy: fuzzy / our substring = %.2f (target at most %.1f: %s)\n", f / s,
                kFuzzyTarget, f / s <= kFuzzyTarget ? "met" : "MISSED");
    std::printf("substring: ours / grep -F -i = %.2f (target at most %.1f: %s)\n", s / gf,
                kSubstringTarget, s / gf <= kSubstringTarget ? "met" : "MISSED");
    PrintRatio("search", s / gf);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    return RunReportingErrors("bench_search", [&] { return Run(ParseOptions(argc, argv)); });
}
