// The ZIP reader extracting two archives deflated by zip at its default
// level into an empty folder, beside `unzip -q -o` of the same archive into
// another: 2,000 members of 25 KB (50 MB of mixed text and binary), and
// 20,000 members of 1 to 4 KB, where the cost per member counts. Both write
// to a disk file system, as a user's extraction would: a temporary folder on
// tmpfs, where making files costs far less, gives way to one beside the
// benchmark's program. The last line is the larger of the two ratios.
#include "archive/zip/arxUnZip.h"
#include "bench/MixedMembers.h"
#include "bench/PeerCommand.h"
#include "bench/TempFolder.h"
#include "bench/Timing.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <linux/magic.h>
#include <optional>
#include <string>
#include <sys/vfs.h>
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
};

// Runs one case; its ratio, or a negative value when our reader failed.
double RunCase(const Case& c, const fs::path& work) {
    const fs::path inputs = work / "in";
    WriteMixedMembers(inputs, c.members, c.minSize, 2000, c.perFolder, c.maxSize);
    const fs::path archive = work / "bench.zip";
    RunCommand(
        {"sh", "-c", "cd '" + inputs.string() + "' && zip -q -r '" + archive.string() + "' ."},
        CommandOutput::Discarded);
    fs::remove_all(inputs);
    std::printf("%s: %d members, %.1f MB packed\n", c.name, c.members,
                static_cast<double>(fs::file_size(archive)) / 1e6);

    const fs::path oursOut = work / "ours";
    const fs::path peerOut = work / "peer";
    int extracted = 0;
    auto ours = [&] {
        ClearOutput(oursOut);
        return Seconds([&] {
            TUnZip reader;
            reader.SetArchiveFile(archive.string());
            reader.SetExtractDir(oursOut.string());
            reader.FileSpec = {"*"};
            extracted = reader.Extract();
        });
    };
    auto peer = [&] {
        ClearOutput(peerOut);
        return Seconds([&] {
            RunCommand({"unzip", "-q", "-o", archive.string(), "-d", peerOut.string()},
                       CommandOutput::Discarded);
        });
    };
    ours();
    peer();
    const SideTimes times = Alternate(5, ours, peer);
    fs::remove_all(oursOut);
    fs::remove_all(peerOut);
    fs::remove(archive);
    if (extracted != c.members) {
        std::fprintf(stderr, "our reader extracted %d of %d members\n", extracted, c.members);
        return -1;
    }
    PrintTimesHeader(12);
    PrintTimesRow(12, "TUnZip", times.ours);
    PrintTimesRow(12, "unzip -q -o", times.peer);
    const double ratio = Median(times.ours) / Median(times.peer);
    std::printf("%s: ratio %.2f\n", c.name, ratio);
    return ratio;
}

bool OnTmpfs(const fs::path& path) {
    struct statfs info {};
    return ::statfs(path.c_str(), &info) == 0 && info.f_type == TMPFS_MAGIC;
}

} // namespace

int main() {
    std::optional<TempFolder> work(std::in_place, "bench-unzip");
    if (OnTmpfs(work->Path())) {
        work.reset();
        ::setenv("TMPDIR", fs::read_symlink("/proc/self/exe").parent_path().c_str(), 1);
        work.emplace("bench-unzip");
        std::printf("the temporary folder is on tmpfs: extracting under %s\n",
                    work->Path().c_str());
        std::fflush(stdout);
    }
    double worst = 0;
    for (const Case& c : {Case{"2,000 members of 25 KB", 2000, 25 * 1000, 25 * 1000, 0},
                          Case{"20,000 members of 1-4 KB", 20000, 1000, 4000, 1000}}) {
        const double ratio = RunCase(c, work->Path());
        if (ratio < 0) return 1;
        worst = std::max(worst, ratio);
    }
    PrintRatio("unzip", worst);
    return 0;
}
