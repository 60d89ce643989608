// The ARJ reader extracting archives made by arj from text and half-random
// members into an empty folder, beside the faster of `arj x` and `7zz x` of
// the same archives into another: a 50 MB method-1 archive of 50 members of
// 1 MB, and a method-1 and a method-4 archive of 20,000 members of 1 to 4 KB,
// where the cost per member counts. The last line is the larger of the two
// ratios.
#include "archive/arj/arxUnArj.h"
#include "bench/MixedMembers.h"
#include "bench/PeerCommand.h"
#include "bench/TempFolder.h"
#include "bench/Timing.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace sorvane;
using namespace sorvane::bench;

struct Case {
    const char* name;
    int members;
    std::size_t minSize, maxSize;
    int perFolder;
    std::vector<const char*> methods; // arj's -m values
};

// Runs one case; its ratio, or a negative value when our reader failed.
double RunCase(const Case& c, const fs::path& work) {
    const fs::path inputs = work / "in";
    WriteMixedMembers(inputs, c.members, c.minSize, 2127, c.perFolder, c.maxSize);
    std::vector<fs::path> archives;
    for (const char* method : c.methods) {
        archives.push_back(work / (std::string("bench-m") + method + ".arj"));
        RunCommand({"sh", "-c",
                    "cd '" + inputs.string() + "' && arj a -m" + method + " -r -y -i '" +
                        archives.back().string() + "' '*'"},
                   CommandOutput::Discarded);
        std::printf("%s: %s, %.1f MB packed\n", c.name, archives.back().filename().c_str(),
                    static_cast<double>(fs::file_size(archives.back())) / 1e6);
    }
    fs::remove_all(inputs);

    const fs::path oursOut = work / "ours";
    const fs::path peerOut = work / "peer";
    int extracted = 0;
    auto ours = [&] {
        ClearOutput(oursOut);
        extracted = 0;
        return Seconds([&] {
            for (const fs::path& archive : archives) {
                TUnARJ reader;
                reader.SetArchiveFile(archive.string());
                reader.SetExtractDir(oursOut.string());
                reader.FileSpec = {"*"};
                extracted += reader.Extract();
            }
        });
    };
    auto tool = [&](const std::string& command) {
        return [&, command] {
            ClearOutput(peerOut);
            return Seconds([&] {
                for (const fs::path& archive : archives)
                    RunCommand({"sh", "-c",
                                "cd '" + peerOut.string() + "' && " + command + " '" +
                                    archive.string() + "'"},
                               CommandOutput::Discarded);
            });
        };
    };
    const auto arj = tool("arj x -y -i");
    const auto sevenZip = tool("7zz x -y");
    ours();
    // The peer is the faster of the two tools.
    const double arjOnce = std::min(arj(), arj());
    const double sevenZipOnce = std::min(sevenZip(), sevenZip());
    const bool arjFaster = arjOnce <= sevenZipOnce;
    std::printf("peer: %s (arj x %.3f s, 7zz x %.3f s)\n", arjFaster ? "arj x" : "7zz x", arjOnce,
                sevenZipOnce);
    const SideTimes times = arjFaster ? Alternate(5, ours, arj) : Alternate(5, ours, sevenZip);
    fs::remove_all(oursOut);
    fs::remove_all(peerOut);
    for (const fs::path& archive : archives)
        fs::remove(archive);
    const int expected = c.members * static_cast<int>(archives.size());
    if (extracted != expected) {
        std::fprintf(stderr, "our reader extracted %d of %d members\n", extracted, expected);
        return -1;
    }
    PrintTimesHeader(12);
    PrintTimesRow(12, "TUnARJ", times.ours);
    PrintTimesRow(12, arjFaster ? "arj x" : "7zz x", times.peer);
    const double ratio = Median(times.ours) / Median(times.peer);
    std::printf("%s: ratio %.2f\n", c.name, ratio);
    return ratio;
}

} // namespace

int main() {
    TempFolder work("bench-arj");
    double worst = 0;
    for (const Case& c : {Case{"50 members of 1 MB", 50, 1000 * 1000, 1000 * 1000, 0, {"1"}},
                          Case{"20,000 members of 1-4 KB", 20000, 1000, 4000, 1000, {"1", "4"}}}) {
        const double ratio = RunCase(c, work.Path());
        if (ratio < 0) return 1;
        worst = std::max(worst, ratio);
    }
    PrintRatio("arj", worst);
    return 0;
}
