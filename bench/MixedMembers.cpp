// The archive benchmarks' inputs.
#include "bench/MixedMembers.h"

#include <fstream>
#include <random>

namespace sorvane::bench {

namespace fs = std::filesystem;

std::vector<std::string> WriteMixedMembers(const fs::path& folder, int members,
                                           std::size_t memberSize, unsigned seed, int perFolder,
                                           std::size_t maxMemberSize) {
    std::mt19937 random(seed);
    std::vector<std::string> words, names;
    for (int i = 0; i < 4000; ++i) {
        std::string word;
        const int length = 2 + static_cast<int>(random() % 8);
        for (int j = 0; j < length; ++j)
            word.push_back(static_cast<char>('a' + random() % 26));
        words.push_back(word);
    }
    fs::create_directories(folder);
    for (int i = 0; i < members; ++i) {
        const std::size_t size = maxMemberSize > memberSize
                                     ? memberSize + random() % (maxMemberSize - memberSize + 1)
                                     : memberSize;
        std::string data;
        data.reserve(size + 16);
        while (data.size() < size) {
            if (i % 2 == 0) {
                data += words[random() % words.size()];
                data += (random() % 12 == 0) ? '\n' : ' ';
            } else {
                data.push_back(
                    static_cast<char>(random() % 4 == 0 ? random() : 'x' + random() % 3));
            }
        }
        data.resize(size);
        std::string name = "m" + std::to_string(i) + ".dat";
        if (perFolder > 0) {
            const std::string sub = "d" + std::to_string(i / perFolder);
            fs::create_directories(folder / sub);
            name = sub + "/" + name;
        }
        std::ofstream(folder / name, std::ios::binary) << data;
        names.push_back(name);
    }
    return names;
}

} // namespace sorvane::bench
