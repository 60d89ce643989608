// The whole-archive fuzz entry points' shared run: the input is written as an
// archive into a private workspace and extracted by a reader into a folder
// there, with a temporary folder of its own. The workspace lies in a private
// parent, which is also the current folder. Afterwards the whole tree under
// that parent must be the workspace with its archive, its destination and
// an empty temporary folder, and the root folder must hold what it held: a
// run that writes outside its destination (through "..", an absolute name or
// a name taken as relative to the current folder) aborts.
#pragma once

#include "archive/arxBase.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
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
    static const fs::path parent = [extension] {
        fs::path p = fs::temp_directory_path() /
                     ("sorvane-fuzz-" + std::string(extension) + "-" + std::to_string(getpid()));
        fs::create_directories(p / "work");
        fs::current_path(p);
        return p;
    }();
    static const fs::path workspace = parent / "work";
    // The root folder's entries: an absolute name that escaped would add one.
    static const auto rootEntries = [] {
        std::set<fs::path> entries;
        for (const auto& entry : fs::directory_iterator("/"))
            entries.insert(entry.path());
        return entries;
    };
    static const std::set<fs::path> rootBefore = rootEntries();
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
    // Everything under the parent but the destination's own contents.
    for (auto entry = fs::recursive_directory_iterator(parent);
         entry != fs::recursive_directory_iterator(); ++entry) {
        const fs::path& path = entry->path();
        if (path == out) {
            entry.disable_recursion_pending();
            continue;
        }
        if (path != workspace && path != archive && path != temp) std::abort();
    }
    if (rootEntries() != rootBefore) std::abort();
    fs::remove_all(out);
    return 0;
}

} // namespace sorvane::fuzz
