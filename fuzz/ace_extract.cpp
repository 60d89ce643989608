// A whole ACE extraction: the input is written as an archive and extracted
// by the ACE reader through the ACE module into a temporary folder, which is
// emptied afterwards. Nothing may be written beside that folder.
#include "archive/arxUnAce.h"
#include "platform/LoadedModule.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#ifndef ACE_FUZZ_MODULE
#error "ACE_FUZZ_MODULE names the ACE module to load"
#endif

namespace {

namespace fs = std::filesystem;

const fs::path& Workspace() {
    static const fs::path path = [] {
        fs::path p = fs::temp_directory_path() / ("sorvane-fuzz-ace-" + std::to_string(getpid()));
        fs::create_directories(p);
        return p;
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sorvane;
    // Held for the whole process: the reader's own load and release of the
    // module per run then never unmaps it (an instrumented module's counters
    // must stay where the fuzzer found them).
    static TLoadedModule keeper;
    if (!keeper.Loaded() && !keeper.Load(ACE_FUZZ_MODULE)) std::abort();
    const fs::path archive = Workspace() / "input.ace";
    const fs::path out = Workspace() / "out";
    fs::remove_all(out);
    fs::create_directories(out);
    if (std::FILE* file = std::fopen(archive.c_str(), "wb")) {
        if (size > 0) std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
    TUnACE reader;
    reader.ModuleFile = ACE_FUZZ_MODULE;
    reader.SetArchiveFile(archive.string());
    reader.SetExtractDir(out.string());
    reader.FileSpec = {"*"};
    reader.CreateStoredDirs = true;
    reader.OnNextVolume = [](TZipCommon&, std::string&, int, bool, bool& cancel) { cancel = true; };
    reader.OnGetPassword = [](TZipCommon&, const std::string&, std::string& password, bool&) {
        password = "secret";
    };
    reader.Extract();
    // Only the archive and the destination may be there.
    for (const auto& entry : fs::directory_iterator(Workspace()))
        if (entry.path() != archive && entry.path() != out) std::abort();
    fs::remove_all(out);
    return 0;
}
