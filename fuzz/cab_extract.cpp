// A whole cabinet extraction: the input is written as a cabinet (and again as
// "b.cab", so a set naming it goes on there) and extracted by the cabinet
// reader with the cabinet module's code linked in, into a temporary folder
// emptied afterwards. Nothing may be written beside that folder and no file
// may stay open.
#include "archive/cab/arxUnCab.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

extern "C" {
void* FDICreate(TCabAlloc, TCabFree, TCabOpen, TCabRead, TCabWrite, TCabClose, TCabSeek, int,
                TCabErrorRecord*);
int FDIIsCabinet(void*, std::intptr_t, TCabinetInfoRecord*);
int FDICopy(void*, char*, char*, int, TCabNotify, void*, void*);
int FDIDestroy(void*);
}

namespace {

namespace fs = std::filesystem;

const fs::path& Workspace() {
    static const fs::path path = [] {
        fs::path p = fs::temp_directory_path() / ("sorvane-fuzz-cab-" + std::to_string(getpid()));
        fs::create_directories(p);
        sorvane::InstallCabinetEntries({FDICreate, FDIIsCabinet, FDICopy, FDIDestroy});
        return p;
    }();
    return path;
}

void Save(const fs::path& path, const std::uint8_t* data, std::size_t size) {
    if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
        if (size > 0) std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sorvane;
    const fs::path archive = Workspace() / "input.cab";
    const fs::path next = Workspace() / "b.cab";
    const fs::path out = Workspace() / "out";
    fs::remove_all(out);
    fs::create_directories(out);
    Save(archive, data, size);
    Save(next, data, size);
    {
        TUnCab reader;
        reader.SetArchiveFile(archive.string());
        if (reader.ArcType != atCabExe) reader.ArcType = atCab;
        reader.SetExtractDir(out.string());
        reader.FileSpec = {"*"};
        reader.CreateStoredDirs = true;
        reader.OnNextVolume = [](TZipCommon&, std::string&, int, bool exists, bool& cancel) {
            cancel = !exists;
        };
        reader.Extract();
    }
    if (CabinetFileHandler().OpenCount() != 0) std::abort();
    for (const auto& entry : fs::directory_iterator(Workspace()))
        if (entry.path() != archive && entry.path() != next && entry.path() != out) std::abort();
    fs::remove_all(out);
    return 0;
}
