// Cataloguing a folder of 2,000 media files through the real folder cataloguing
// window with the metadata readers on, beside the same folder with every reader
// off in the same run (warm cache, offscreen), and the bytes the readers read
// per file, from /proc/self/io.
//
// The folder is built in a temporary folder (removed at the end) from copies of
// the committed fixtures of tests/data/media, taken round-robin under new names
// that keep their extensions. Options: --files=N (2,000 by default),
// --repetitions=N (timed runs of each side, 5 by default).
#include "app/StandingWindows.h"
#include "bench/Options.h"
#include "bench/TempFolder.h"
#include "bench/Timing.h"
#include "bench/WindowRig.h"
#include "catalogue/scan/TFCrearCarpeta.h"
#include "mainwindow/TFPrincipal.h"

#include <QApplication>
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace sorvane;
using namespace sorvane::bench;

constexpr int kDefaultFiles = 2'000;
constexpr int kDefaultRepetitions = 5;

// The extensions the metadata readers know; other fixtures (.mp2, scripts) stay out.
const char* const kMediaExtensions[] = {".bmp", ".gif", ".png", ".pcx", ".tif", ".tga", ".jpg",
                                        ".wav", ".mp3", ".ogg", ".wma", ".avi", ".doc", ".dot"};

struct Options {
    int files = kDefaultFiles;
    int repetitions = kDefaultRepetitions;
};

Options ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        if (const char* v = OptionValue(argv[i], "--files="))
            options.files = AtLeast(v, 1);
        else if (const char* v = OptionValue(argv[i], "--repetitions="))
            options.repetitions = AtLeast(v, 1);
        else
            UnknownOption(argv[i], "--files=N --repetitions=N");
    }
    return options;
}

// ---- The folder -------------------------------------------------------------

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The committed media fixtures, in a fixed order.
std::vector<fs::path> MediaFixtures() {
    std::vector<fs::path> fixtures;
    for (const fs::directory_entry& entry :
         fs::recursive_directory_iterator(SORVANE_MEDIA_FIXTURES)) {
        if (!entry.is_regular_file()) continue;
        const std::string extension = Lower(entry.path().extension().string());
        if (std::find(std::begin(kMediaExtensions), std::end(kMediaExtensions), extension) !=
            std::end(kMediaExtensions))
            fixtures.push_back(entry.path());
    }
    std::sort(fixtures.begin(), fixtures.end());
    if (fixtures.empty()) throw std::runtime_error("no media fixtures in " SORVANE_MEDIA_FIXTURES);
    return fixtures;
}

struct BuiltFolder {
    std::vector<fs::path> fixtures;
    std::uintmax_t bytes = 0;
};

// Fills `folder` (which must not exist yet) with `count` copies of the
// fixtures, round-robin, named "Media 0001.bmp" and so on.
BuiltFolder BuildFolder(const fs::path& folder, int count) {
    const std::vector<fs::path> fixtures = MediaFixtures();
    fs::create_directory(folder);
    BuiltFolder built{fixtures, 0};
    for (int i = 0; i < count; ++i) {
        const fs::path& source = fixtures[static_cast<std::size_t>(i) % fixtures.size()];
        char name[32];
        std::snprintf(name, sizeof name, "Media %04d", i + 1);
        fs::copy_file(source, folder / (name + Lower(source.extension().string())));
        built.bytes += fs::file_size(source);
    }
    return built;
}

// ---- Both sides -------------------------------------------------------------

// The bytes this process has read through read-like calls so far (`rchar`).
std::uint64_t BytesRead() {
    std::ifstream in("/proc/self/io");
    std::string key;
    std::uint64_t value = 0;
    while (in >> key >> value)
        if (key == "rchar:") return value;
    throw std::runtime_error("no rchar in /proc/self/io");
}

// One timed cataloguing run and what it left.
struct RunResult {
    double seconds = 0;
    std::uint64_t bytesRead = 0;
    LineCounts counts;
};

int Run(const Options& options) {
    const TempFolder temp("sorvane-media");
    const fs::path base = fs::canonical(temp.Path());

    // The walked folder lies below the temporary folder, never at a drive root;
    // the catalogue root is beside it, so the walk never sees the catalogues.
    const fs::path folder = base / "Media";
    const fs::path root = base / "catalogues";
    fs::create_directory(root);
    BuiltFolder built;
    const double buildSeconds = Seconds([&] { built = BuildFolder(folder, options.files); });

    WindowRig rig(root);
    QApplication::processEvents();
    rig.Messages().clear();

    const std::size_t files = static_cast<std::size_t>(options.files);
    int run = 0;
    const auto catalogue = [&](bool readersOn) {
        const std::string name =
            std::string(readersOn ? "Media on " : "Media off ") + std::to_string(++run);
        SetMediaReaders(readersOn);
        rig.OpenFolderWindow(folder, name);
        RunResult result;
        const std::uint64_t readBefore = BytesRead();
        result.seconds = Seconds([] { FCrearCarpeta->BBNuevoCatalogoClick(); });
        result.bytesRead = BytesRead() - readBefore;
        rig.CloseFolderWindow();

        result.counts = CountLines(fs::path(FPrincipal->BaseFolder) / (name + ".tct"));
        const LineCounts& counts = result.counts;
        if (counts.folders != 1 || counts.files != files || counts.total != 2 + files)
            throw std::runtime_error("the catalogue holds " + std::to_string(counts.total) +
                                     " lines, " + std::to_string(counts.folders) +
                                     " folder lines and " + std::to_string(counts.files) +
                                     " file lines");
        if (readersOn ? counts.media == 0 : counts.media != 0)
            throw std::runtime_error(std::string("with the readers ") + (readersOn ? "on" : "off") +
                                     ", " + std::to_string(counts.media) + " of " +
                                     std::to_string(files) + " file lines have a media block");
        // The node goes, so the next run walks the same folder.
        rig.RemoveNewCatalogueNode();
        return result;
    };

    // First runs: the page cache, the folder tree and the allocator warmed.
    const std::size_t mediaLines = catalogue(true).counts.media;
    catalogue(false);

    std::vector<RunResult> on, off;
    for (int i = 0; i < options.repetitions; ++i) {
        on.push_back(catalogue(true));
        off.push_back(catalogue(false));
        if (on.back().counts.media != mediaLines)
            throw std::runtime_error("the readers gave " + std::to_string(on.back().counts.media) +
                                     " media blocks, " + std::to_string(mediaLines) + " before");
    }
    const auto seconds = [](const std::vector<RunResult>& runs) {
        std::vector<double> values;
        for (const RunResult& r : runs)
            values.push_back(r.seconds);
        return values;
    };
    const auto bytesRead = [](const std::vector<RunResult>& runs) {
        std::vector<double> values;
        for (const RunResult& r : runs)
            values.push_back(static_cast<double>(r.bytesRead));
        return Median(values);
    };
    const std::vector<double> onTimes = seconds(on), offTimes = seconds(off);
    const double ratio = Median(onTimes) / Median(offTimes);
    const double perFile = (bytesRead(on) - bytesRead(off)) / static_cast<double>(files);
    // Part of that difference is the load reading back the longer catalogue.
    const double cataloguePerFile = (static_cast<double>(on.back().counts.bytes) -
                                     static_cast<double>(off.back().counts.bytes)) /
                                    static_cast<double>(files);

    std::printf("folder of %d media files from %zu fixtures (%.1f KiB, built in %.2f s), "
                "%d timed runs each\n",
                options.files, built.fixtures.size(), static_cast<double>(built.bytes) / 1024,
                buildSeconds, options.repetitions);
    PrintTimesHeader(40);
    PrintTimesRow(40, "readers on (walk, read, save, load)", onTimes);
    PrintTimesRow(40, "readers off (walk, save, load)", offTimes);
    std::printf("media blocks: %zu of %zu file lines with the readers on, none off\n", mediaLines,
                files);
    // The fixtures behind the copies that gave no block ("Media 0001" is the first fixture).
    std::vector<std::string> blockless;
    for (const std::string& name : on.back().counts.withoutMedia) {
        const int number = std::atoi(name.c_str() + std::strlen("Media "));
        if (number < 1) continue;
        const fs::path& fixture =
            built.fixtures[static_cast<std::size_t>(number - 1) % built.fixtures.size()];
        const std::string shown = fixture.lexically_relative(SORVANE_MEDIA_FIXTURES).string();
        if (std::find(blockless.begin(), blockless.end(), shown) == blockless.end())
            blockless.push_back(shown);
    }
    for (const std::string& fixture : blockless)
        std::printf("  no media block from the copies of %s\n", fixture.c_str());
    std::printf("bytes read per file with the readers on: %.1f (rchar on - off over %zu files; "
                "%.1f of them the longer catalogue read back)\n",
                perFile, files, cataloguePerFile);
    PrintRatio("media", ratio);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    return RunOffscreen(argc, argv, "bench_media", [&] { return Run(ParseOptions(argc, argv)); });
}
