// Folder listing and existence tests over POSIX calls.
#include "platform/Directory.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvane {
namespace {

// Lists the folder `dir` was opened on, and closes it.
bool ListOpenFolder(DIR* dir, std::vector<DirectoryEntry>& entries, std::string& error,
                    ListingOptions options) {
    struct Closer {
        DIR* dir;
        ~Closer() { ::closedir(dir); }
    } const closer{dir};
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (entry == nullptr) break;
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
        bool isDirectory = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN) {
            // A file system that does not say in its listing: ask of the entry itself.
            struct stat facts {};
            isDirectory = ::fstatat(::dirfd(dir), name, &facts, AT_SYMLINK_NOFOLLOW) == 0 &&
                          S_ISDIR(facts.st_mode);
        }
        entries.push_back({name, isDirectory});
        if (options.firstOnly) return true;
    }
    if (errno != 0) {
        error = std::strerror(errno);
        return false;
    }
    if (options.sortByName)
        std::sort(entries.begin(), entries.end(),
                  [](const DirectoryEntry& a, const DirectoryEntry& b) { return a.name < b.name; });
    return true;
}

// Hands `fd`, a folder's descriptor, to a listing; closes it when it cannot.
bool ListFolderDescriptor(int fd, std::vector<DirectoryEntry>& entries, std::string& error,
                          ListingOptions options) {
    entries.clear();
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        error = std::strerror(errno);
        ::close(fd);
        return false;
    }
    return ListOpenFolder(dir, entries, error, options);
}

} // namespace

bool ListDirectory(const std::string& folder, std::vector<DirectoryEntry>& entries,
                   std::string& error, ListingOptions options) {
    int fd;
    do {
        fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return ListFolderDescriptor(fd, entries, error, options);
}

bool ListDirectory(int folderFd, std::vector<DirectoryEntry>& entries, std::string& error,
                   ListingOptions options) {
    // A listing of its own, from the start, whatever was read on `folderFd` before.
    return ListFolderDescriptor(::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC),
                                entries, error, options);
}

std::vector<DirectoryEntry> ListDirectory(const std::string& folder, ListingOptions options) {
    std::vector<DirectoryEntry> entries;
    std::string error;
    ListDirectory(folder, entries, error, options);
    return entries;
}

bool FileExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool IsDirectory(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool PathPresent(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::lstat(path.c_str(), &info) == 0;
}

std::string CurrentDirectory() {
    char buffer[PATH_MAX];
    if (::getcwd(buffer, sizeof buffer) == nullptr) return ".";
    return buffer;
}

std::string ExecutableFolder() {
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0) return CurrentDirectory();
    std::string path(buffer, static_cast<std::size_t>(length));
    const std::size_t slash = path.rfind('/');
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace sorvane
