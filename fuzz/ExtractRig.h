// The whole-archive fuzz entry points' shared run: the input is written as an
// archive into a private workspace and extracted by a reader into a folder
// there, with a temporary folder of its own. Afterwards nothing may stand
// beside them and the temporary folder must be empty: a run that writes
// outside its destination aborts.
#pragma once

#include "archive/arxBase.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace sorvane::fuzz {

// Extracts `data` as "input.<extension>" with a `Reader` set to take every
// member, make stored folders and decline further volumes; `configure` adds
// what the reader itself needs (a password, an engine, an event).
template <typename Reader, typename Configure>
int FuzzExtract(const char* extension, const std::uint8_t* data, std::size_t size,
                Configure configure) {
    namespace fs = std::filesystem;
    static const fs::path workspace = [extension] {
        fs::path p = fs::temp_directory_path() /
                     ("sorvane-fuzz-" + std::string(extension) + "-" + std::to_string(getpid()));
        fs::create_directories(p);
        return p;
    }();
    const fs::path archive = workspace / ("input." + std::string(extension));
    const fs::path out = workspace / "out";
    const fs::path temp = workspace / "temp";
    fs::remove_all(out);
    fs::create_directories(out);
    fs::create_directories(temp);
    if (std::FILE* file = std::fopen(archive.c_str(), "wb")) {
        if (size > 0) std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
    {
        Reader reader;
        reader.SetArchiveFile(archive.string());
        reader.SetExtractDir(out.string());
        reader.SetTempDir(temp.string());
        reader.FileSpec = {"*"};
        reader.CreateStoredDirs = true;
        reader.OnNextVolume = [](TZipCommon&, std::string&, int, bool, bool& cancel) {
            cancel = true;
        };
        configure(reader);
        reader.Extract();
    }
    for (const auto& entry : fs::directory_iterator(workspace))
        if (entry.path() != archive && entry.path() != out && entry.path() != temp) std::abort();
    if (!fs::is_empty(temp)) std::abort();
    fs::remove_all(out);
    return 0;
}

} // namespace sorvane::fuzz
