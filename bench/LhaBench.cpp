// The LHA reader extracting a 20 MB -lh5- archive and a 20 MB -lh7- archive
// (made by jlha from text and half-random members) into an empty folder,
// beside `lhasa x` of the same archives into another.
#include "archive/arxUnLha.h"
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

constexpr int kMembers = 20;
constexpr std::size_t kMemberSize = 1000 * 1000;

// Members of words (even) and of half-random bytes (odd), fixed seed.
std::vector<std::string> WriteInputs(const fs::path& folder) {
    std::mt19937 random(2125);
    std::vector<std::string> words, names;
    for (int i = 0; i < 4000; ++i) {
        std::string word;
        const int length = 2 + static_cast<int>(random() % 8);
        for (int j = 0; j < length; ++j)
            word.push_back(static_cast<char>('a' + random() % 26));
        words.push_back(word);
    }
    fs::create_directories(folder);
    for (int i = 0; i < kMembers; ++i) {
        std::string data;
        while (data.size() < kMemberSize) {
            if (i % 2 == 0) {
                data += words[random() % words.size()];
                data += (random() % 12 == 0) ? '\n' : ' ';
            } else {
                data.push_back(
                    static_cast<char>(random() % 4 == 0 ? random() : 'x' + random() % 3));
            }
        }
        data.resize(kMemberSize);
        names.push_back("m" + std::to_string(i) + ".dat");
        std::ofstream(folder / names.back(), std::ios::binary) << data;
    }
    return names;
}

} // namespace

int main() {
    TempFolder work("bench-lha");
    const fs::path inputs = work.Path() / "in";
    const std::vector<std::string> names = WriteInputs(inputs);
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
