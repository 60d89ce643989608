// The cabinet reader (through the cabinet module) extracting a 100 MB MSZIP
// cabinet made by `gcab -c -z` into an empty folder, beside `7zz x` of the
// same cabinet into another.
#include "archive/cab/arxUnCab.h"
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

constexpr int kMembers = 100;
constexpr std::size_t kMemberSize = 1000 * 1000;

} // namespace

int main() {
    LoadCabinetLibrary(SORVANE_PROGRAM_DIR);
    if (!CabinetLibraryLoaded()) {
        std::fprintf(stderr, "the cabinet module is not in %s\n", SORVANE_PROGRAM_DIR);
        return 1;
    }
    TempFolder work("bench-cabinet");
    const fs::path inputs = work.Path() / "in";
    const std::vector<std::string> names = WriteMixedMembers(inputs, kMembers, kMemberSize, 2126);
    const fs::path archive = work.Path() / "bench.cab";
    std::string command = "cd '" + inputs.string() + "' && gcab -c -z '" + archive.string() + "'";
    for (const std::string& name : names)
        command += " " + name;
    RunCommand({"sh", "-c", command}, CommandOutput::Discarded);
    std::printf("cabinet: %d members, %.1f MB unpacked, %.1f MB packed\n", kMembers,
                kMembers * kMemberSize / 1e6, static_cast<double>(fs::file_size(archive)) / 1e6);

    const fs::path oursOut = work.Path() / "ours";
    const fs::path peerOut = work.Path() / "peer";
    int extracted = 0;
    auto ours = [&] {
        ClearOutput(oursOut);
        return Seconds([&] {
            TUnCab reader;
            reader.SetArchiveFile(archive.string());
            reader.SetExtractDir(oursOut.string());
            reader.FileSpec = {"*"};
            extracted = reader.Extract();
        });
    };
    auto peer = [&] {
        ClearOutput(peerOut);
        return Seconds([&] {
            RunCommand({"7zz", "x", "-y", "-o" + peerOut.string(), archive.string()},
                       CommandOutput::Discarded);
        });
    };
    ours();
    peer();
    const SideTimes times = Alternate(5, ours, peer);
    if (extracted != kMembers) {
        std::fprintf(stderr, "our reader extracted %d of %d members\n", extracted, kMembers);
        return 1;
    }
    PrintTimesHeader(12);
    PrintTimesRow(12, "TUnCab", times.ours);
    PrintTimesRow(12, "7zz x", times.peer);
    PrintRatio("cabinet", Median(times.ours) / Median(times.peer));
    return 0;
}
