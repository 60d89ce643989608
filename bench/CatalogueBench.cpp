// Cataloguing a folder tree of 200,000 files in 20,000 folders through the
// real folder cataloguing window (walk, save of the .tct, load into the tree),
// beside `find TREE -printf '%T@ %s %p\n' > /dev/null` over the same tree in
// the same run, warm cache, media readers off, offscreen.
//
// Options: --files=N and --folders=N (the generated tree, the walked folder
// included; 200,000 and 20,000 by default), --repetitions=N (timed runs of
// each side, 5 by default), --tree=DIR (build the tree in DIR, or reuse the one
// built there before, and keep it; without it the tree goes to a temporary
// folder removed at the end). Reusing a tree saves more than its build time:
// an ext4 without a journal avoids inodes freed in the last minutes, so a tree
// built soon after another was removed can take a hundred seconds to create.
#include "app/StandingWindows.h"
#include "bench/Options.h"
#include "bench/PeerCommand.h"
#include "bench/TempFolder.h"
#include "bench/Timing.h"
#include "bench/WindowRig.h"
#include "catalogue/scan/TFCrearCarpeta.h"
#include "mainwindow/TFPrincipal.h"
#include "ui/CheckBox.h"

#include <QApplication>
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace sorvane;
using namespace sorvane::bench;

constexpr int kDefaultFiles = 200'000;
constexpr int kDefaultFolders = 20'000;
constexpr int kDefaultRepetitions = 5;
constexpr int kMaxDepth = 4;                    // levels below the walked folder
constexpr double kTarget = 2.0;                 // ours within 2 times find
constexpr std::int64_t kOldest = 1'104'537'600; // 2005-01-01, the oldest file time
constexpr std::int64_t kNewest = 1'719'792'000; // 2024-07-01

struct Options {
    int files = kDefaultFiles;
    int folders = kDefaultFolders;
    int repetitions = kDefaultRepetitions;
    std::string tree; // empty: a temporary folder
};

Options ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        if (const char* v = OptionValue(argv[i], "--files="))
            options.files = AtLeast(v, 1);
        else if (const char* v = OptionValue(argv[i], "--folders="))
            options.folders = AtLeast(v, 2);
        else if (const char* v = OptionValue(argv[i], "--repetitions="))
            options.repetitions = AtLeast(v, 1);
        else if (const char* v = OptionValue(argv[i], "--tree="))
            options.tree = v;
        else
            UnknownOption(argv[i], "--files=N --folders=N --repetitions=N --tree=DIR");
    }
    return options;
}

// ---- The tree -------------------------------------------------------------

// A small deterministic generator (splitmix64), so every run builds the same tree.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // A number in [low, high].
    std::int64_t Between(std::int64_t low, std::int64_t high) {
        return low + static_cast<std::int64_t>(Next() % static_cast<std::uint64_t>(high - low + 1));
    }
    template <typename T, std::size_t N> const T& Pick(const T (&items)[N]) {
        return items[Next() % N];
    }

private:
    std::uint64_t state_;
};

const char* const kTopFolders[] = {"Documents", "Photos",    "Music",   "Projects",
                                   "Videos",    "Downloads", "Backups", "Software",
                                   "Books",     "Work",      "Family",  "Música"};
const char* const kFolderWords[] = {
    "Holidays", "Invoices", "Reports", "Drafts", "Old",         "Archive",  "src",     "include",
    "tests",    "docs",     "Camera",  "Album",  "Season",      "Client",   "Taxes",   "Letters",
    "Recetas",  "Roma",     "Móvil",   "Scans",  "Misc",        "Live",     "Demos",   "Contracts",
    "Meetings", "Assets",   "build",   "lib",    "Summer",      "Winter",   "Wedding", "Garden",
    "Année",    "Kids",     "Trip",    "Straße", "Manuals",     "Drivers",  "Exports", "Samples",
    "Notes",    "Slides",   "Viaje",   "Fotos",  "Camera Roll", "Old Stuff"};
const char* const kWords[] = {
    "report",  "final",   "budget", "notes",   "meeting", "draft",  "summary",  "invoice",
    "letter",  "plan",    "review", "minutes", "résumé",  "café",   "niño",     "naïve",
    "Straße",  "project", "design", "sketch",  "holiday", "beach",  "mountain", "city",
    "night",   "party",   "family", "garden",  "river",   "summer", "winter",   "spring",
    "budget",  "sales",   "q3",     "backup",  "copy",    "new",    "old",      "v2",
    "Canción", "del",     "verano", "love",    "blue",    "road",   "home",     "light"};
const char* const kDocExtensions[] = {".pdf", ".docx", ".xlsx", ".odt",
                                      ".txt", ".pptx", ".doc",  ".rtf"};
const char* const kCodeExtensions[] = {".cpp",  ".h", ".py",   ".js",  ".md",
                                       ".json", ".c", ".html", ".css", ".sh"};
const char* const kCodeNames[] = {"main",     "util",    "config", "parser", "index",  "README",
                                  "Makefile", "test_io", "widget", "server", "client", "model"};
const char* const kMiscNames[] = {"setup", "archive", "installer", "data",
                                  "dump",  "export",  "image",     "update"};
const char* const kMiscExtensions[] = {".exe", ".zip", ".iso", ".tar.gz",
                                       ".bin", ".dat", ".7z",  ".msi"};

struct PlannedFolder {
    std::string path; // relative to the tree, "/" separated; empty for the walked folder
    int depth;
    std::unordered_set<std::string> names; // entries already used in it
};

std::string UniqueName(PlannedFolder& folder, std::string name, const std::string& extension) {
    std::string candidate = name + extension;
    for (int n = 2; !folder.names.insert(candidate).second; ++n)
        candidate = name + " (" + std::to_string(n) + ")" + extension;
    return candidate;
}

std::string Words(Random& random, int count, char separator) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        if (i > 0) text += separator;
        text += random.Pick(kWords);
    }
    if (!text.empty() && random.Between(0, 1) == 0 && text[0] >= 'a' && text[0] <= 'z')
        text[0] = static_cast<char>(text[0] - 'a' + 'A');
    return text;
}

// A file name as cameras, office programs, music rippers and compilers leave
// them, and the size such a file has.
struct PlannedFile {
    std::string name;
    std::uint64_t size;
};

PlannedFile MakeFile(Random& random, PlannedFolder& folder) {
    char buffer[64];
    std::string base, extension;
    std::uint64_t size = 0;
    switch (random.Between(0, 9)) {
    case 0:
    case 1:
    case 2: // photos
        if (random.Between(0, 2) == 0)
            std::snprintf(buffer, sizeof buffer, "DSC%05d",
                          static_cast<int>(random.Between(1, 99999)));
        else if (random.Between(0, 1) == 0)
            std::snprintf(buffer, sizeof buffer, "IMG_%04d",
                          static_cast<int>(random.Between(1, 9999)));
        else
            std::snprintf(buffer, sizeof buffer, "PXL_20%02d%02d%02d_%06d",
                          static_cast<int>(random.Between(15, 24)),
                          static_cast<int>(random.Between(1, 12)),
                          static_cast<int>(random.Between(1, 28)),
                          static_cast<int>(random.Between(0, 235959)));
        base = buffer;
        extension = random.Between(0, 3) == 0 ? ".JPG" : ".jpg";
        size = static_cast<std::uint64_t>(random.Between(400'000, 8'000'000));
        break;
    case 3:
    case 4: // office documents
        base = Words(random, static_cast<int>(random.Between(1, 4)),
                     random.Between(0, 2) == 0 ? '_' : ' ');
        if (random.Between(0, 3) == 0)
            base.append(" ").append(std::to_string(random.Between(2003, 2024)));
        extension = random.Pick(kDocExtensions);
        size = static_cast<std::uint64_t>(random.Between(2'000, 3'000'000));
        break;
    case 5:
    case 6: // music
        std::snprintf(buffer, sizeof buffer, "%02d - ", static_cast<int>(random.Between(1, 24)));
        base = buffer + Words(random, static_cast<int>(random.Between(1, 5)), ' ');
        extension = random.Between(0, 4) == 0 ? ".flac" : ".mp3";
        size = static_cast<std::uint64_t>(random.Between(2'000'000, 12'000'000));
        break;
    case 7:
    case 8: // source code
        base = random.Pick(kCodeNames);
        if (random.Between(0, 1) == 0) base.append("_").append(random.Pick(kWords));
        extension = random.Pick(kCodeExtensions);
        size = static_cast<std::uint64_t>(random.Between(0, 60'000));
        break;
    default: // installers, archives, dot files
        if (random.Between(0, 4) == 0) {
            base = random.Between(0, 1) == 0 ? ".gitignore" : ".directory";
        } else {
            base =
                std::string(random.Pick(kMiscNames)) + "-" + std::to_string(random.Between(1, 500));
            extension = random.Pick(kMiscExtensions);
        }
        size = static_cast<std::uint64_t>(random.Between(0, 700'000'000));
        break;
    }
    return {UniqueName(folder, base, extension), size};
}

// The folders of the tree: a dozen at the top, then each level's folders hung
// under random folders of the level above, the rest at the deepest level.
std::vector<PlannedFolder> PlanFolders(Random& random, int total) {
    std::vector<PlannedFolder> folders;
    folders.push_back({"", 0, {}});
    std::vector<std::size_t> level = {0};
    int remaining = total - 1;
    for (int depth = 1; depth <= kMaxDepth && remaining > 0; ++depth) {
        int count = depth == 1 ? static_cast<int>(std::size(kTopFolders))
                               : static_cast<int>(level.size()) * 15;
        if (depth == kMaxDepth) count = remaining;
        count = std::min(count, remaining);
        std::vector<std::size_t> next;
        for (int i = 0; i < count; ++i) {
            const std::size_t parentIndex =
                level[static_cast<std::size_t>(random.Next() % level.size())];
            std::string name;
            if (depth == 1) {
                name = kTopFolders[i % std::size(kTopFolders)];
            } else {
                name = random.Pick(kFolderWords);
                if (random.Between(0, 2) == 0)
                    name.append(" ").append(std::to_string(random.Between(1998, 2024)));
            }
            name = UniqueName(folders[parentIndex], name, "");
            const std::string& parentPath = folders[parentIndex].path;
            folders.push_back({parentPath.empty() ? name : parentPath + "/" + name, depth, {}});
            next.push_back(folders.size() - 1);
        }
        remaining -= count;
        level = std::move(next);
    }
    return folders;
}

// Builds the tree in `root` (which must not exist yet): folders, then files of
// their planned sizes (sparse, so nothing is written) and varied times.
void BuildTree(const fs::path& root, int folderCount, int fileCount) {
    Random random(20240701);
    std::vector<PlannedFolder> folders = PlanFolders(random, folderCount);
    for (const PlannedFolder& folder : folders)
        fs::create_directory(root / folder.path);
    std::vector<std::vector<PlannedFile>> files(folders.size());
    for (int i = 0; i < fileCount; ++i) {
        const std::size_t index = static_cast<std::size_t>(random.Next() % folders.size());
        files[index].push_back(MakeFile(random, folders[index]));
    }
    for (std::size_t f = 0; f < folders.size(); ++f) {
        const fs::path folderPath = root / folders[f].path;
        const int dir = ::open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir < 0) throw std::runtime_error("cannot open " + folderPath.string());
        for (const PlannedFile& file : files[f]) {
            const int fd =
                ::openat(dir, file.name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
            if (fd < 0 || ::ftruncate(fd, static_cast<off_t>(file.size)) != 0) {
                const std::string reason = std::strerror(errno);
                if (fd >= 0) ::close(fd);
                ::close(dir);
                throw std::runtime_error("cannot create " + (folderPath / file.name).string() +
                                         ": " + reason);
            }
            const timespec modified{kOldest + random.Between(0, kNewest - kOldest), 0};
            const timespec times[2] = {modified, modified};
            ::futimens(fd, times);
            ::close(fd);
        }
        ::close(dir);
    }
}

// ---- Both sides -------------------------------------------------------------

// The archive reader and every media reader off.
void MediaReadersOff() {
    FPrincipal->CBCompressedOff->SetChecked(true);
    SetMediaReaders(false);
}

// `find FOLDER -printf '%T@ %s %p\n' > /dev/null`, waited for.
void RunFind(const std::string& folder) {
    if (RunCommand({"find", folder, "-printf", "%T@ %s %p\n"}, CommandOutput::Discarded)
            .exitStatus != 0)
        throw std::runtime_error("find failed");
}

int Run(const Options& options) {
    const TempFolder temp("sorvane-catalogue");
    const fs::path base = fs::canonical(temp.Path());

    // The walked folder lies below the temporary folder (or the --tree folder),
    // never at a drive root; the catalogue root is elsewhere, so the walk never
    // sees the catalogues.
    if (!options.tree.empty()) fs::create_directories(options.tree);
    const fs::path tree = (options.tree.empty() ? base : fs::canonical(options.tree)) / "Archive";
    const fs::path root = base / "catalogues";
    fs::create_directory(root);
    double buildSeconds = 0;
    if (options.tree.empty()) {
        buildSeconds = Seconds([&] { BuildTree(tree, options.folders, options.files); });
    } else {
        // A marker beside a finished tree says what it holds; any other tree is rebuilt.
        const fs::path marker = tree.parent_path() / "Archive.complete";
        const std::string holds = std::to_string(options.files) + " files, " +
                                  std::to_string(options.folders) + " folders";
        std::string found;
        if (std::ifstream in{marker}; in) std::getline(in, found);
        if (found != holds || !fs::is_directory(tree)) {
            fs::remove(marker);
            fs::remove_all(tree);
            buildSeconds = Seconds([&] { BuildTree(tree, options.folders, options.files); });
            std::ofstream(marker) << holds << '\n';
        }
    }

    WindowRig rig(root);
    MediaReadersOff();
    QApplication::processEvents();
    rig.Messages().clear();

    int run = 0;
    const auto ours = [&] {
        const std::string name = "Archive run " + std::to_string(++run);
        rig.OpenFolderWindow(tree, name);
        const double seconds = Seconds([&] { FCrearCarpeta->BBNuevoCatalogoClick(); });
        rig.CloseFolderWindow();

        const LineCounts counts = CountLines(fs::path(FPrincipal->BaseFolder) / (name + ".tct"));
        if (counts.folders != static_cast<std::size_t>(options.folders) ||
            counts.files != static_cast<std::size_t>(options.files) ||
            counts.total != 1 + counts.folders + counts.files)
            throw std::runtime_error("the catalogue holds " + std::to_string(counts.total) +
                                     " lines, " + std::to_string(counts.folders) +
                                     " folder lines and " + std::to_string(counts.files) +
                                     " file lines");
        // The node goes, so the next run walks the same folder.
        rig.RemoveNewCatalogueNode();
        return seconds;
    };
    const auto peer = [&] { return Seconds([&] { RunFind(tree.string()); }); };

    // First runs: the page cache, the folder tree and the allocator warmed.
    ours();
    peer();

    const SideTimes times = Alternate(options.repetitions, ours, peer);
    const double ratio = Median(times.ours) / Median(times.peer);
    char built[32];
    std::snprintf(built, sizeof built, "built in %.1f s", buildSeconds);
    const std::string origin = buildSeconds > 0 ? built : "reused from " + tree.string();
    std::printf("tree of %d files in %d folders (%s), %d timed runs each\n", options.files,
                options.folders, origin.c_str(), options.repetitions);
    PrintTimesHeader(40);
    PrintTimesRow(40, "ours/folder window (walk, save, load)", times.ours);
    PrintTimesRow(40, "peer/find -printf '%T@ %s %p\\n'", times.peer);
    std::printf("time: ours / find = %.2f (target at most %.1f: %s)\n", ratio, kTarget,
                ratio <= kTarget ? "met" : "MISSED");
    PrintRatio("catalogue", ratio);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    return RunOffscreen(argc, argv, "bench_catalogue",
                        [&] { return Run(ParseOptions(argc, argv)); });
}
