// Runs a fuzz entry point over files and folders of inputs, without libFuzzer:
// every committed seed and crash input is replayed by the tests.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    std::size_t count = 0;
    auto run = [&](const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
        ++count;
    };
    for (int i = 1; i < argc; ++i) {
        const fs::path p(argv[i]);
        if (fs::is_directory(p)) {
            for (const auto& entry : fs::recursive_directory_iterator(p))
                if (entry.is_regular_file()) run(entry.path());
        } else if (fs::exists(p)) {
            run(p);
        }
    }
    std::printf("replayed %zu inputs\n", count);
    return count > 0 ? 0 : 1; // a missing corpus is a failure, not a pass
}
