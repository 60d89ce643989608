// Temporary folders and files for the benchmarks.
#include "bench/TempFolder.h"

#include <cstdio>
#include <stdexcept>
#include <unistd.h>

namespace sorvane::bench {

namespace fs = std::filesystem;

namespace {

std::string Pattern(const std::string& prefix) {
    return (fs::temp_directory_path() / (prefix + "-XXXXXX")).string();
}

} // namespace

TempFolder::TempFolder(const std::string& prefix, const std::string& keep)
    : temporary_(keep.empty()) {
    if (temporary_) {
        std::string pattern = Pattern(prefix);
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot create a temporary folder");
        path_ = pattern;
    } else {
        path_ = fs::absolute(keep);
        fs::create_directories(path_);
    }
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    if (temporary_) fs::remove_all(path_, ignored);
}

TempFile::TempFile(const std::string& prefix, const std::string& keep)
    : path_(keep), temporary_(keep.empty()) {
    if (!temporary_) return;
    std::string pattern = Pattern(prefix);
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) throw std::runtime_error("cannot create a temporary file");
    ::close(fd);
    path_ = pattern;
}

TempFile::~TempFile() {
    if (temporary_) std::remove(path_.c_str());
}

} // namespace sorvane::bench
