// Temporary folders and files for the benchmarks, removed when they go.
#pragma once

#include <filesystem>
#include <string>

namespace sorvane::bench {

// A new folder "<temp>/<prefix>-XXXXXX", removed with all it holds at the end;
// or, given a `keep` folder, that folder (made when missing) left in place.
class TempFolder {
public:
    explicit TempFolder(const std::string& prefix, const std::string& keep = {});
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    bool Temporary() const { return temporary_; }

private:
    std::filesystem::path path_;
    bool temporary_;
};

// A new empty file "<temp>/<prefix>-XXXXXX", removed at the end; or, given a
// `keep` path, that path left in place.
class TempFile {
public:
    explicit TempFile(const std::string& prefix, const std::string& keep = {});
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const std::string& Path() const { return path_; }

private:
    std::string path_;
    bool temporary_;
};

} // namespace sorvane::bench
