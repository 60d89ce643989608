// The ARJ reader extracting a 50 MB method-1 archive (made by arj from text
// and half-random members) into an empty folder, beside the faster of
// `arj x` and `7zz x` of the same archive into another.
#include "archive/arj/arxUnArj.h"
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

constexpr int kMembers = 50;
constexpr std::size_t kMemberSize = 1000 * 1000;

} // namespace

int main() {
    TempFolder work("bench-arj");
    const fs::path inputs = work.Path() / "in";
    WriteMixedMembers(inputs, kMembers, kMemberSize, 2127);
    const fs::path archive = work.Path() / "bench-m1.arj";
    RunCommand({"sh", "-c",
                "cd '" + inputs.string() + "' && arj a -m1 -y -i '" + archive.string() + "' '*'"},
               CommandOutput::Discarded);
    std::printf("%s: %d members, %.1f MB unpacked, %.1f MB packed\n", archive.filename().c_str(),
                kMembers, kMembers * kMemberSize / 1e6,
                static_cast<double>(fs::file_size(archive)) / 1e6);

    const fs::path oursOut = work.Path() / "ours";
    const fs::path peerOut = work.Path() / "peer";
    int extracted = 0;
    auto ours = [&] {
        fs::remove_all(oursOut);
        fs::create_directories(oursOut);
        return Seconds([&] {
            TUnARJ reader;
            reader.SetArchiveFile(archive.string());
            reader.SetExtractDir(oursOut.string());
            reader.FileSpec = {"*"};
            extracted = reader.Extract();
        });
    };
    auto tool = [&](const std::string& command) {
        return [&, command] {
            fs::remove_all(peerOut);
            fs::create_directories(peerOut);
            return Seconds([&] {
                RunCommand(
                    {"sh", "-c",
                     "cd '" + peerOut.string() + "' && " + command + " '" + archive.string() + "'"},
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
    if (extracted != kMembers) {
        std::fprintf(stderr, "our reader extracted %d of %d members\n", extracted, kMembers);
        return 1;
    }
    PrintTimesHeader(12);
    PrintTimesRow(12, "TUnARJ", times.ours);
    PrintTimesRow(12, arjFaster ? "arj x" : "7zz x", times.peer);
    PrintRatio("arj", Median(times.ours) / Median(times.peer));
    return 0;
}
