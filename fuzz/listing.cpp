// The listing that cataloguing runs on every archive it meets (the bridge's
// MontaArx over whichever walk the detection picks). The input's first byte
// picks the file's extension, which some kinds depend on; the rest is the
// archive. The listing must end, and must leave nothing behind: afterwards
// its private folder holds the archive and an empty temporary folder (the
// system's temporary folder for the run).
#include "catalogue/scan/ArchiveBridge.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

// What the cataloguing window gives the bridge: nothing shown, never stopped.
class QuietObserver : public sorvane::ArchiveListingObserver {
public:
    void ShowMember(const std::string&) override {}
    bool ListingStopRequested() override { return false; }
    void ListingError(const std::string&) override {}
    std::string CurrentPlace() const override { return "fuzz"; }
};

// Every extension the detection or a walk looks at, and one it does not know.
constexpr std::array<const char*, 24> kExtensions{
    "zip", "jar", "arj", "a01", "lzh", "lha", "zoo", "arc", "pak", "tar", "gz",  "tgz",
    "z",   "cab", "rar", "r00", "ace", "c00", "uue", "ha",  "bh",  "exe", "z01", "bin",
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    namespace fs = std::filesystem;
    if (size == 0) return 0;
    static const fs::path folder = [] {
        fs::path p =
            fs::temp_directory_path() / ("sorvane-fuzz-listing-" + std::to_string(getpid()));
        fs::create_directories(p / "temp");
        fs::current_path(p);
        setenv("TMPDIR", (p / "temp").c_str(), 1);
        return p;
    }();
    const fs::path archive =
        folder / ("input." + std::string(kExtensions[data[0] % kExtensions.size()]));
    if (std::FILE* file = std::fopen(archive.c_str(), "wb")) {
        if (size > 1) std::fwrite(data + 1, 1, size - 1, file);
        std::fclose(file);
    }
    {
        QuietObserver observer;
        sorvane::ArchiveBridge bridge(observer);
        bridge.MontaArx(archive.string());
    }
    const fs::path temp = folder / "temp";
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.path() != archive && entry.path() != temp) std::abort(); // a file left behind
    fs::remove(archive);
    return 0;
}
