// The ZIP reader extracting an archive of 2,000 members (50 MB of mixed text
// and binary, deflated by zip at its default level) into an empty folder,
// beside `unzip -q -o` of the same archive into another.
#include "archive/zip/arxUnZip.h"
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

constexpr int kMembers = 2000;
constexpr std::size_t kMemberSize = 25 * 1000;

} // namespace

int main() {
    TempFolder work("bench-unzip");
    const fs::path inputs = work.Path() / "in";
    WriteMixedMembers(inputs, kMembers, kMemberSize, 2000, 100);
    const fs::path archive = work.Path() / "bench.zip";
    RunCommand(
        {"sh", "-c", "cd '" + inputs.string() + "' && zip -q -r '" + archive.string() + "' ."},
        CommandOutput::Discarded);
    std::printf("archive: %d members, %.1f MB unpacked, %.1f MB packed\n", kMembers,
                kMembers * kMemberSize / 1e6, static_cast<double>(fs::file_size(archive)) / 1e6);

    const fs::path oursOut = work.Path() / "ours";
    const fs::path peerOut = work.Path() / "peer";
    int extracted = 0;
    auto ours = [&] {
        fs::remove_all(oursOut);
        fs::create_directories(oursOut);
        return Seconds([&] {
            TUnZip reader;
            reader.SetArchiveFile(archive.string());
            reader.SetExtractDir(oursOut.string());
            reader.FileSpec = {"*"};
            extracted = reader.Extract();
        });
    };
    auto peer = [&] {
        fs::remove_all(peerOut);
        fs::create_directories(peerOut);
        return Seconds([&] {
            RunCommand({"unzip", "-q", "-o", archive.string(), "-d", peerOut.string()},
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
    PrintTimesRow(12, "TUnZip", times.ours);
    PrintTimesRow(12, "unzip -q -o", times.peer);
    PrintRatio("unzip", Median(times.ours) / Median(times.peer));
    return 0;
}
