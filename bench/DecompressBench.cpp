// The gzip and .Z reader extracting one 50 MB member (text of words, as a
// catalogue's archives hold) into an empty folder, beside the peer decoding
// the same file into a file: `gzip -dc` (bench gunzip) or `compress -dc`
// (bench uncompress). BENCH_COMPRESS selects the second.
#include "archive/gzip/arxUnGZip.h"
#include "bench/PeerCommand.h"
#include "bench/TempFolder.h"
#include "bench/Timing.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace sorvane;
using namespace sorvane::bench;

constexpr std::size_t kSize = 50 * 1000 * 1000;

#ifdef BENCH_COMPRESS
const char* const kName = "uncompress";
const char* const kTool = "compress";
const char* const kSuffix = ".Z";
#else
const char* const kName = "gunzip";
const char* const kTool = "gzip";
const char* const kSuffix = ".gz";
#endif

// Lines of words from a 4,000-word vocabulary with some numbers, fixed seed.
void WriteInput(const fs::path& path) {
    std::mt19937 random(2024);
    std::vector<std::string> words;
    for (int i = 0; i < 4000; ++i) {
        std::string word;
        const int length = 2 + static_cast<int>(random() % 9);
        for (int j = 0; j < length; ++j)
            word.push_back(static_cast<char>('a' + random() % 26));
        words.push_back(word);
    }
    std::string data;
    data.reserve(kSize + 64);
    while (data.size() < kSize) {
        if (random() % 10 == 0)
            data += std::to_string(random() % 100000);
        else
            data += words[random() % words.size()];
        data += (random() % 14 == 0) ? '\n' : ' ';
    }
    data.resize(kSize);
    std::ofstream(path, std::ios::binary) << data;
}

} // namespace

int main() {
    TempFolder work(std::string("bench-") + kName);
    const fs::path input = work.Path() / "data.txt";
    WriteInput(input);
    const fs::path archive = work.Path() / (std::string("data.txt") + kSuffix);
    RunCommand({"sh", "-c",
                std::string(kTool) + " -c '" + input.string() + "' > '" + archive.string() + "'"},
               CommandOutput::Discarded);
    fs::remove(input);
    std::printf("%s: %.1f MB packed to %.1f MB\n", kName, kSize / 1e6,
                static_cast<double>(fs::file_size(archive)) / 1e6);

    const fs::path oursOut = work.Path() / "ours";
    const fs::path peerOut = work.Path() / "peer.txt";
    int extracted = 0;
    auto ours = [&] {
        ClearOutput(oursOut);
        return Seconds([&] {
            TUnGZip reader;
            reader.SetArchiveFile(archive.string());
            reader.SetExtractDir(oursOut.string());
            reader.FileSpec = {"*"};
            extracted = reader.Extract();
        });
    };
    auto peer = [&] {
        ClearOutput(peerOut, false);
        return Seconds([&] {
            RunCommand({"sh", "-c",
                        std::string(kTool) + " -dc '" + archive.string() + "' > '" +
                            peerOut.string() + "'"},
                       CommandOutput::Discarded);
        });
    };
    ours();
    peer();
    const SideTimes times = Alternate(7, ours, peer);
    if (extracted != 1 || fs::file_size(oursOut / "data.txt") != kSize) {
        std::fprintf(stderr, "our reader did not extract the member whole\n");
        return 1;
    }
    PrintTimesHeader(14);
    PrintTimesRow(14, "TUnGZip", times.ours);
    PrintTimesRow(14, std::string(kTool) + " -dc", times.peer);
    PrintRatio(kName, Median(times.ours) / Median(times.peer));
    return 0;
}
