// A whole ARJ extraction: the input is written as an archive and extracted
// by the ARJ reader into a temporary folder, which is emptied afterwards.
// Nothing may be written beside that folder.
#include "archive/arxUnArj.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

const fs::path& Workspace() {
    static const fs::path path = [] {
        fs::path p = fs::temp_directory_path() / ("sorvane-fuzz-arj-" + std::to_string(getpid()));
        fs::create_directories(p);
        return p;
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sorvane;
    const fs::path archive = Workspace() / "input.arj";
    const fs::path out = Workspace() / "out";
    fs::remove_all(out);
    fs::create_directories(out);
    if (std::FILE* file = std::fopen(archive.c_str(), "wb")) {
        if (size > 0) std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
    TUnARJ reader;
    reader.SetArchiveFile(archive.string());
    reader.SetExtractDir(out.string());
    reader.FileSpec = {"*"};
    reader.CreateStoredDirs = true;
    reader.Password = "secret";
    reader.OnNextVolume = [](TZipCommon&, std::string&, int, bool, bool& cancel) { cancel = true; };
    reader.Extract();
    // Only the archive and the destination may be there.
    for (const auto& entry : fs::directory_iterator(Workspace()))
        if (entry.path() != archive && entry.path() != out) std::abort();
    fs::remove_all(out);
    return 0;
}
