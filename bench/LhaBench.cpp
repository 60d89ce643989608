// The LHA reader extracting archives made by jlha from text and half-random
// members into an empty folder, beside `lhasa x` of the same archives into
// another: a 20 MB -lh5- archive and a 20 MB -lh7- archive of 20 members of
// 1 MB, and a -lh5- archive of 20,000 members of 1 to 4 KB, where the cost per
// member counts. The last line is the larger of the two ratios.
#include "archive/lha/arxUnLha.h"
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
    std::vector<const char*> methods; // jlha's compression options
};

// Runs one case; its ratio, or a negative value when our reader failed.
double RunCase(const Case& c, const fs::path& work) {
    const fs::path inputs = work / "in";
    const std::vector<std::string> names =
        WriteMixedMembers(inputs, c.members, c.minSize, 2125, c.perFolder, c.maxSize);
    // The members' folders (jlha takes them whole), or the members.
    std::vector<std::string> arguments;
    for (const std::string& name : names) {
        const std::string top = name.substr(0, name.find('/'));
        if (arguments.empty() || arguments.back() != top) arguments.push_back(top);
    }
    std::vector<fs::path> archives;
    for (const char* method : c.methods) {
        archives.push_back(work / (std::string("bench-") + method + ".lzh"));
        std::string command = "cd '" + inputs.string() + "' && jlha a" + method + "q '" +
                              archives.back().string() + "'";
        for (const std::string& argument : arguments)
            command += " " + argument;
        RunCommand({"sh", "-c", command}, CommandOutput::Discarded);
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
                TUnLha reader;
                reader.SetArchiveFile(archive.string());
                reader.SetExtractDir(oursOut.string());
                reader.FileSpec = {"*"};
                extracted += reader.Extract();
            }
        });
    };
    auto peer = [&] {
        ClearOutput(peerOut);
        return Seconds([&] {
            for (const fs::path& archive : archives)
                RunCommand(
                    {"sh", "-c",
                     "cd '" + peerOut.string() + "' && lhasa xfq '" + archive.string() + "'"},
                    CommandOutput::Discarded);
        });
    };
    ours();
    peer();
    const SideTimes times = Alternate(5, ours, peer);
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
    PrintTimesRow(12, "TUnLha", times.ours);
    PrintTimesRow(12, "lhasa x", times.peer);
    const double ratio = Median(times.ours) / Median(times.peer);
    std::printf("%s: ratio %.2f\n", c.name, ratio);
    return ratio;
}

} // namespace

int main() {
    TempFolder work("bench-lha");
    double worst = 0;
    for (const Case& c : {Case{"20 members of 1 MB", 20, 1000 * 1000, 1000 * 1000, 0, {"o5", "o7"}},
                          Case{"20,000 members of 1-4 KB", 20000, 1000, 4000, 1000, {"o5"}}}) {
        const double ratio = RunCase(c, work.Path());
        if (ratio < 0) return 1;
        worst = std::max(worst, ratio);
    }
    PrintRatio("lha", worst);
    return 0;
}
