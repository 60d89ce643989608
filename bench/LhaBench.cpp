// The LHA reader extracting a 20 MB -lh5- archive and a 20 MB -lh7- archive
// (made by jlha from text and half-random members) into an empty folder,
// beside `lhasa x` of the same archives into another.
#include "archive/lha/arxUnLha.h"
#include "bench/MixedMembers.h"
#include "bench/PeerCommand.h"
#include "bench/TempFolder.h"
#include "bench/Timing.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace sorvane;
using namespace sorvane::bench;

constexpr int kMembers = 20;
constexpr std::size_t kMemberSize = 1000 * 1000;

} // namespace

int main() {
    TempFolder work("bench-lha");
    const fs::path inputs = work.Path() / "in";
    const std::vector<std::string> names = WriteMixedMembers(inputs, kMembers, kMemberSize, 2125);
    std::vector<fs::path> archives;
    for (const char* method : {"o5", "o7"}) {
        archives.push_back(work.Path() / (std::string("bench-") + method + ".lzh"));
        std::string command = "cd '" + inputs.string() + "' && jlha a" + method + " '" +
                              archives.back().string() + "'";
        for (const std::string& name : names)
            command += " " + name;
        RunCommand({"sh", "-c", command}, CommandOutput::Discarded);
        std::printf("%s: %d members, %.1f MB unpacked, %.1f MB packed\n",
                    archives.back().filename().c_str(), kMembers, kMembers * kMemberSize / 1e6,
                    static_cast<double>(fs::file_size(archives.back())) / 1e6);
    }

    const fs::path oursOut = work.Path() / "ours";
    const fs::path peerOut = work.Path() / "peer";
    int extracted = 0;
    auto ours = [&] {
        fs::remove_all(oursOut);
        fs::create_directories(oursOut);
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
        fs::remove_all(peerOut);
        fs::create_directories(peerOut);
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
    if (extracted != 2 * kMembers) {
        std::fprintf(stderr, "our reader extracted %d of %d members\n", extracted, 2 * kMembers);
        return 1;
    }
    PrintTimesHeader(12);
    PrintTimesRow(12, "TUnLha", times.ours);
    PrintTimesRow(12, "lhasa x", times.peer);
    PrintRatio("lha", Median(times.ours) / Median(times.peer));
    return 0;
}
