// Copying 2,000 collected files (200 MB) through the collector window, from a
// disk whose letter SORVANE_DRIVES pins to a folder, to a target folder, beside
// `cp -r` of the same folder in the same run (warm page cache, offscreen).
//
// The disk holds the folder "Data" with the files spread over 20 sub-folders;
// the basket holds that folder as one row of the catalogue "Disk". Each run
// copies into a new target folder, removed afterwards (not timed).
//
// Options: --files=N (2,000 by default), --megabytes=N (200 by default, the
// total size), --repetitions=N (timed runs of each side, 5 by default). The
// last line is our median over cp's.
#include "app/StandingWindows.h"
#include "bench/Options.h"
#include "bench/PeerCommand.h"
#include "bench/TempFolder.h"
#include "bench/Timing.h"
#include "bench/WindowRig.h"
#include "catalogue/format/LineBuilders.h"
#include "dialogs/TFColector.h"
#include "mainwindow/TFErrores.h"
#include "mainwindow/TFPrincipal.h"
#include "ui/StringGrid.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace sorvane;
using namespace sorvane::bench;

constexpr int kDefaultFiles = 2'000;
constexpr int kDefaultMegabytes = 200;
constexpr int kDefaultRepetitions = 5;
constexpr int kFolders = 20;

struct Options {
    int files = kDefaultFiles;
    int megabytes = kDefaultMegabytes;
    int repetitions = kDefaultRepetitions;
};

Options ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        if (const char* v = OptionValue(argv[i], "--files="))
            options.files = AtLeast(v, 1);
        else if (const char* v = OptionValue(argv[i], "--megabytes="))
            options.megabytes = AtLeast(v, 1);
        else if (const char* v = OptionValue(argv[i], "--repetitions="))
            options.repetitions = AtLeast(v, 1);
        else
            UnknownOption(argv[i], "--files=N --megabytes=N --repetitions=N");
    }
    return options;
}

// The files of the disk: equal shares of the total, contents that differ.
std::uint64_t BuildDisk(const fs::path& data, int files, std::uint64_t total) {
    const std::uint64_t each = total / static_cast<std::uint64_t>(files);
    std::string block(each, '\0');
    std::uint64_t state = 0x9E3779B97F4A7C15ULL;
    for (int i = 0; i < files; ++i) {
        for (std::size_t j = 0; j < block.size(); j += 8) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            for (std::size_t k = 0; k < 8 && j + k < block.size(); ++k)
                block[j + k] = static_cast<char>(state >> (8 * k));
        }
        const fs::path folder = data / ("part" + std::to_string(i % kFolders));
        fs::create_directories(folder);
        char name[32];
        std::snprintf(name, sizeof name, "file%05d.bin", i);
        std::ofstream(folder / name, std::ios::binary) << block;
    }
    return each * static_cast<std::uint64_t>(files);
}

std::size_t CountFiles(const fs::path& folder) {
    std::size_t count = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        count += entry.is_regular_file() ? 1 : 0;
    return count;
}

int Run(const Options& options) {
    const TempFolder temp("sorvane-collector");
    const fs::path base = fs::canonical(temp.Path());
    const fs::path disk = base / "disk";
    const fs::path root = base / "catalogues";
    fs::create_directories(root);
    const std::uint64_t bytes =
        BuildDisk(disk / "Data", options.files, std::uint64_t(options.megabytes) * 1'000'000);
    ::setenv("SORVANE_DRIVES", ("X=" + disk.string()).c_str(), 1);
    {
        std::ofstream catalogue(root / "Disk.tct", std::ios::binary);
        catalogue << LineaCabecera("Disk", "H.D.", "0000-0000", "X:\\", "DISK", 3, 0, 0, "")
                  << "\r\n"
                  << LineaCarpeta("\\", 0, 0, 0, 1) << "\r\n";
    }

    WindowRig rig(root);
    QApplication::processEvents();
    rig.Messages().clear();
    TStringGrid& basket = *FColector->SGColector;
    std::vector<std::string> row(TFColector::kColumns);
    row[TFColector::kColCatalogue] = "Disk";
    row[TFColector::kColFolder] = "\\";
    row[TFColector::kColName] = "Data\\";
    row[TFColector::kColFiles] = std::to_string(options.files);
    row[TFColector::kColBytes] = std::to_string(bytes);
    row[TFColector::kColFolders] = std::to_string(kFolders + 1);
    basket.SetRowCells(FColector->FilaNueva(), row);
    FColector->CalculaTotales();

    int run = 0;
    const auto ours = [&] {
        const fs::path target = base / ("ours" + std::to_string(++run));
        FColector->EDestino->setText(QString::fromStdString(target.string()));
        const double seconds = Seconds([] { FColector->SBCopiarClick(); });
        if (!rig.Messages().empty() || FErrores->LineCount() > 0)
            throw std::runtime_error("the copy reported: " +
                                     (rig.Messages().empty()
                                          ? FErrores->MErrores->toPlainText().toStdString()
                                          : rig.Messages().front()));
        if (CountFiles(target / "Data") != static_cast<std::size_t>(options.files))
            throw std::runtime_error("the copy holds " + std::to_string(CountFiles(target)) +
                                     " files");
        fs::remove_all(target);
        return seconds;
    };
    const auto peer = [&] {
        const fs::path target = base / ("peer" + std::to_string(run));
        fs::create_directories(target);
        const double seconds = Seconds([&] {
            if (RunCommand({"cp", "-r", (disk / "Data").string(), target.string()},
                           CommandOutput::Discarded)
                    .exitStatus != 0)
                throw std::runtime_error("cp -r failed");
        });
        fs::remove_all(target);
        return seconds;
    };

    // First runs: the page cache and the allocator warmed.
    ours();
    peer();
    const SideTimes times = Alternate(options.repetitions, ours, peer);
    const double ratio = Median(times.ours) / Median(times.peer);
    std::printf("%d files, %.0f MB, one folder row of the basket\n", options.files,
                static_cast<double>(bytes) / 1e6);
    PrintTimesHeader(40);
    PrintTimesRow(40, "ours/collector copy run", times.ours);
    PrintTimesRow(40, "peer/cp -r", times.peer);
    PrintRatio("collector", ratio);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    return RunOffscreen(argc, argv, "bench_collector",
                        [&] { return Run(ParseOptions(argc, argv)); });
}
