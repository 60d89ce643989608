// Loading a whole catalogue root of ten million lines, as the program does at
// start-up (every catalogue kept in memory), beside `wc -l` reading the same
// files in the same run; also the resident memory the loaded lines take per
// byte of catalogue on disk.
//
// Options: --lines=N (total lines of the root, 10,000,000 by default),
// --repetitions=N (timed runs of each side, 5 by default), --root=DIR (build
// the root in DIR, or reuse the one built there before, and keep it; without
// it the root goes to a temporary folder removed at the end).
#include "bench/Options.h"
#include "bench/PeerCommand.h"
#include "bench/SyntheticLines.h"
#include "bench/TempFolder.h"
#include "bench/Timing.h"
#include "catalogue/format/CatalogueLoader.h"
#include "platform/Directory.h"
#include "platform/Files.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace sorvane;
using namespace sorvane::bench;

constexpr std::size_t kDefaultLines = 10'000'000;
constexpr int kDefaultRepetitions = 5;
constexpr double kTimeTarget = 3.0;   // ours within 3 times `wc -l`
constexpr double kMemoryTarget = 1.5; // resident bytes per catalogue byte
constexpr std::size_t kWriteChunk = 8u << 20;

struct Options {
    std::size_t lines = kDefaultLines;
    int repetitions = kDefaultRepetitions;
    std::string root; // empty: a temporary folder
};

Options ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        if (const char* v = OptionValue(argv[i], "--lines="))
            options.lines = std::strtoull(v, nullptr, 10);
        else if (const char* v = OptionValue(argv[i], "--repetitions="))
            options.repetitions = AtLeast(v, 1);
        else if (const char* v = OptionValue(argv[i], "--root="))
            options.root = v;
        else
            UnknownOption(argv[i], "--lines=N --repetitions=N --root=DIR");
    }
    if (options.lines < 1000) throw std::invalid_argument("--lines must be at least 1000");
    return options;
}

// ---- The root -------------------------------------------------------------

struct CatalogueFile {
    std::string relativePath; // below the root, "/" separated
    std::size_t lines;        // the header included
};

// Where the catalogues go: a few at the top, the rest in collections, one of
// them nested; sizes spread from a few thousand lines to a few million.
std::vector<CatalogueFile> PlanRoot(std::size_t totalLines, LineMaker& maker) {
    std::vector<std::string> paths = {"Desktop.tct", "Laptop 2015.tct", "Server.tct"};
    for (int i = 1; i <= 10; ++i)
        paths.push_back("Backups/Backup " + std::to_string(i) + ".tct");
    for (int i = 1; i <= 12; ++i)
        paths.push_back("Music/CD " + std::to_string(100 + i) + ".tct");
    for (int i = 2016; i <= 2023; ++i)
        paths.push_back("Photos/Fotos " + std::to_string(i) + ".tct");
    paths.push_back("Work/Projects.tct");
    for (int i = 1; i <= 6; ++i)
        paths.push_back("Work/Archive/Archive " + std::to_string(i) + ".tct");

    std::vector<double> weights;
    double sum = 0;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        weights.push_back(std::exp(maker.Between(0, 400) / 100.0));
        sum += weights.back();
    }
    std::vector<CatalogueFile> plan;
    std::size_t given = 0;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        std::size_t lines =
            i + 1 == paths.size()
                ? totalLines - given
                : std::max<std::size_t>(2, static_cast<std::size_t>(weights[i] / sum * totalLines));
        lines = std::min(lines, totalLines - given - (paths.size() - 1 - i) * 2);
        plan.push_back({paths[i], lines});
        given += lines;
    }
    return plan;
}

// Writes lines with CR LF ends through a large buffer.
class LineWriter {
public:
    explicit LineWriter(const fs::path& path) : out_(path, std::ios::binary) {
        if (!out_) throw std::runtime_error("cannot create " + path.string());
        buffer_.reserve(kWriteChunk + 4096);
    }
    ~LineWriter() { Flush(); }
    void Write(const std::string& line) {
        buffer_.append(line);
        buffer_.append("\r\n");
        if (buffer_.size() >= kWriteChunk) Flush();
    }
    void Flush() {
        out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
        buffer_.clear();
    }

private:
    std::ofstream out_;
    std::string buffer_;
};

// A folder's line and files, then its sub-folders, in walk order, until the
// catalogue's line budget is spent. The root folder takes sub-folders until then.
void WriteFolder(LineWriter& out, LineMaker& maker, const std::string& path, int depth,
                 std::size_t& budget) {
    if (budget == 0) return;
    const std::size_t files =
        std::min<std::size_t>(static_cast<std::size_t>(maker.Between(0, 40)), budget - 1);
    budget -= 1 + files;
    const std::string description = maker.Between(0, 49) == 0 ? "Copied from the old disk" : "";
    out.Write(FolderLine(path, static_cast<int>(files), maker.Date(), maker.Date(), description));
    for (std::size_t i = 0; i < files; ++i)
        out.Write(maker.FileLineOfAnyKind());
    const std::string prefix = path == "\\" ? "" : path;
    if (depth == 0) {
        for (int i = 1; budget > 0; ++i)
            WriteFolder(out, maker, prefix + "\\" + maker.FolderName() + " " + std::to_string(i), 1,
                        budget);
        return;
    }
    const int children = maker.Between(0, std::max(0, 5 - depth));
    for (int i = 0; i < children && budget > 0; ++i)
        WriteFolder(out, maker, prefix + "\\" + maker.FolderName(), depth + 1, budget);
}

void WriteCatalogue(const fs::path& path, std::size_t lines, LineMaker& maker) {
    fs::create_directories(path.parent_path());
    LineWriter out(path);
    const std::string name = path.stem().string();
    static constexpr char kTypes[] = {'3', '3', '2', '5', 'M', '0'};
    const char type = kTypes[maker.Between(0, static_cast<int>(sizeof kTypes) - 1)];
    const std::int64_t used = static_cast<std::int64_t>(lines) * 1'700'000;
    out.Write(HeaderLine(name, type, static_cast<char>('D' + maker.Between(0, 5)), used / 3, used,
                         "DISK " + std::to_string(maker.Between(1, 99))));
    std::size_t budget = lines - 1;
    WriteFolder(out, maker, "\\", 0, budget);
}

// Builds the root once; a root built before with the same line count is reused.
void PrepareRoot(const fs::path& root, std::size_t totalLines) {
    const fs::path marker = root / (".bench-root-" + std::to_string(totalLines));
    if (fs::exists(marker)) {
        std::printf("reusing the catalogue root in %s\n", root.c_str());
        return;
    }
    for (const auto& entry : fs::directory_iterator(root))
        fs::remove_all(entry.path());
    std::printf("building a catalogue root of %zu lines in %s ...\n", totalLines, root.c_str());
    std::fflush(stdout);
    LineMaker maker(20240601);
    for (const CatalogueFile& file : PlanRoot(totalLines, maker))
        WriteCatalogue(root / file.relativePath, file.lines, maker);
    std::ofstream(marker).put('\n');
}

bool IsCatalogueName(const std::string& name) {
    if (name.size() < 4 || name[name.size() - 4] != '.') return false;
    const auto lower = [&](std::size_t i) { return static_cast<char>(name[i] | 0x20); };
    const std::size_t n = name.size();
    return lower(n - 3) == 't' && lower(n - 2) == 'c' && lower(n - 1) == 't';
}

// Catalogue files below `folder` (ending in "/"), found as the program finds them.
void FindCatalogues(const std::string& folder, std::vector<std::string>& paths) {
    for (const DirectoryEntry& entry : ListDirectory(folder)) {
        if (entry.isDirectory)
            FindCatalogues(folder + entry.name + "/", paths);
        else if (IsCatalogueName(entry.name))
            paths.push_back(folder + entry.name);
    }
}

// ---- The two sides --------------------------------------------------------

// Ours: walk the root and load every catalogue, keeping all of them: read
// ahead on worker threads and finished in tree order, as the program does.
std::vector<LoadedCatalogue> LoadRoot(const std::string& root) {
    std::vector<std::string> paths;
    FindCatalogues(root, paths);
    const unsigned threads = CatalogueReadAhead::DefaultThreads(paths.size());
    CatalogueReadAhead reads(std::move(paths), threads);
    std::vector<LoadedCatalogue> loaded;
    loaded.reserve(reads.Count());
    for (std::size_t i = 0; i < reads.Count(); ++i) {
        loaded.push_back(TerminaCatalogo(reads.Path(i), reads.Take(i)));
        if (!loaded.back().lines)
            throw std::runtime_error("catalogue name mismatch in " + reads.Path(i));
    }
    return loaded;
}

std::size_t CountLines(const std::vector<LoadedCatalogue>& loaded) {
    std::size_t lines = 0;
    for (const LoadedCatalogue& c : loaded)
        lines += c.lines->Count();
    return lines;
}

// The peer: walk the root the same way, then `wc -l` over every file found.
// Returns the total line count wc printed.
std::size_t RunWc(const std::string& root) {
    std::vector<std::string> paths;
    FindCatalogues(root, paths);
    std::vector<std::string> args = {"wc", "-l"};
    args.insert(args.end(), paths.begin(), paths.end());
    CommandResult wc = RunCommand(args);
    if (wc.exitStatus != 0) throw std::runtime_error("wc -l failed");
    std::string& output = wc.output;
    // With several files the last line is the total.
    while (!output.empty() && output.back() == '\n')
        output.pop_back();
    const std::size_t lastLine = output.rfind('\n');
    return std::strtoull(output.c_str() + (lastLine == std::string::npos ? 0 : lastLine + 1),
                         nullptr, 10);
}

std::size_t ResidentBytes() {
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr) return 0;
    unsigned long size = 0, resident = 0;
    const int read = std::fscanf(statm, "%lu %lu", &size, &resident);
    std::fclose(statm);
    return read == 2 ? resident * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE)) : 0;
}

// Freed memory goes back to the system, so that every timed load pays for its
// fresh pages as the program's one load at start-up does.
void ReleaseFreedMemory() {
    ::malloc_trim(0);
}

int Run(const Options& options) {
    const TempFolder folder("sorvane-load", options.root);
    const fs::path& root = folder.Path();

    PrepareRoot(root, options.lines);
    const std::string rootFolder = root.string() + "/";
    std::vector<std::string> paths;
    FindCatalogues(rootFolder, paths);
    std::uint64_t diskBytes = 0;
    for (const std::string& p : paths)
        diskBytes += ReadFileSize(p);

    // First runs warm the page cache; ours also gives the memory figure, taken
    // in a process that has not loaded anything yet.
    ReleaseFreedMemory();
    const std::size_t before = ResidentBytes();
    std::size_t ourLines = 0;
    std::size_t residentGrowth = 0;
    std::size_t heldBytes = 0;
    {
        const std::vector<LoadedCatalogue> loaded = LoadRoot(rootFolder);
        residentGrowth = ResidentBytes() - before;
        ourLines = CountLines(loaded);
        for (const LoadedCatalogue& c : loaded)
            heldBytes += c.lines->MemoryBytes();
    }
    ReleaseFreedMemory();
    const std::size_t peerLines = RunWc(rootFolder);
    if (ourLines != peerLines || ourLines != options.lines) {
        std::fprintf(stderr, "line counts differ: ours %zu, wc %zu, built %zu\n", ourLines,
                     peerLines, options.lines);
        return 1;
    }

    const SideTimes times = Alternate(
        options.repetitions,
        [&] {
            double seconds = 0;
            {
                std::vector<LoadedCatalogue> loaded;
                seconds = Seconds([&] { loaded = LoadRoot(rootFolder); });
            }
            ReleaseFreedMemory();
            return seconds;
        },
        [&] { return Seconds([&] { RunWc(rootFolder); }); });

    const double oursMedian = Median(times.ours), peerMedian = Median(times.peer);
    const double megabytes = static_cast<double>(diskBytes) / 1e6;
    const double memoryPerByte =
        static_cast<double>(residentGrowth) / static_cast<double>(diskBytes);
    std::printf("catalogue root: %zu catalogues, %zu lines, %.1f MB on disk\n", paths.size(),
                ourLines, megabytes);
    const auto rate = [&](double seconds) {
        char text[32];
        std::snprintf(text, sizeof text, " %10.0f", megabytes / seconds);
        return std::string(text);
    };
    PrintTimesHeader(28, "       MB/s");
    PrintTimesRow(28, "ours/CargaCatalogo (all)", times.ours, rate(oursMedian));
    PrintTimesRow(28, "peer/wc -l", times.peer, rate(peerMedian));
    std::printf("time: ours / wc -l = %.2f (target at most %.1f: %s)\n", oursMedian / peerMedian,
                kTimeTarget, oursMedian / peerMedian <= kTimeTarget ? "met" : "MISSED");
    std::printf(
        "memory: resident growth %.1f MB (line lists report %.1f MB) = %.2f bytes per catalogue "
        "byte (target at most %.1f: %s)\n",
        static_cast<double>(residentGrowth) / 1e6, static_cast<double>(heldBytes) / 1e6,
        memoryPerByte, kMemoryTarget, memoryPerByte <= kMemoryTarget ? "met" : "MISSED");
    PrintRatio("load", oursMedian / peerMedian);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    return RunReportingErrors("bench_load", [&] { return Run(ParseOptions(argc, argv)); });
}
