// Folder creation and removal, renames, deletes, temporary files and open-file
// facts over mkdir, rmdir, renameat2, link, linkat, unlink, mkostemp,
// O_TMPFILE and statx.
#include "platform/Folders.h"

#include "platform/Directory.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvane {
namespace {

// Creates one folder whose parent exists; true when it is a folder afterwards.
bool MakeOneFolder(const std::string& path, std::vector<std::string>* created) {
    if (::mkdir(path.c_str(), 0777) == 0) {
        if (created != nullptr) created->push_back(path);
        return true;
    }
    if (errno != EEXIST) return false;
    if (IsDirectory(path)) return true;
    errno = ENOTDIR;
    return false;
}

// "<dir>/<name>"; just `name` for an empty `dir` (the current folder).
std::string NameIn(const std::string& dir, const std::string& name) {
    if (dir.empty() || dir.back() == '/') return dir + name;
    return dir + "/" + name;
}

// A random "<stem>XXXXXX" in `name` for the attempt.
void RandomTail(std::string& name, std::size_t stem) {
    static constexpr char kLetters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937_64 random{std::random_device{}() ^
                                        static_cast<std::uint64_t>(::getpid()) << 32};
    name.resize(stem);
    std::uint64_t bits = random();
    for (int i = 0; i < 6; ++i, bits /= 62)
        name.push_back(kLetters[bits % 62]);
}

int OpenWithMode(const char* dir, int flags, unsigned mode) {
    return ::open(dir, flags, static_cast<mode_t>(mode));
}

// linkat of an open file: by its descriptor where the process may
// (AT_EMPTY_PATH wants CAP_DAC_READ_SEARCH), else through /proc, which any
// process may use. The first refusal is remembered.
int LinkOpenFile(int fd, const char* name) {
    static std::atomic<bool> emptyPathRefused{false};
    if (!emptyPathRefused.load(std::memory_order_relaxed)) {
        if (::linkat(fd, "", AT_FDCWD, name, AT_EMPTY_PATH) == 0) return 0;
        if (errno != ENOENT && errno != EPERM) return -1;
    }
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name, AT_SYMLINK_FOLLOW) != 0) return -1;
    emptyPathRefused.store(true, std::memory_order_relaxed);
    return 0;
}

bool MakeFolderPath(const std::string& path, std::vector<std::string>* created) {
    if (path.empty()) return false;
    if (IsDirectory(path)) return true;
    // Every parent first, from the top down; repeated "/" make empty steps that are skipped.
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        if (path[slash - 1] == '/') continue;
        if (!MakeOneFolder(path.substr(0, slash), created)) return false;
    }
    return path.back() == '/' || MakeOneFolder(path, created);
}

} // namespace

bool CreateFolderPath(const std::string& path) {
    return MakeFolderPath(path, nullptr);
}

bool CreateFolderPath(const std::string& path, std::vector<std::string>& created) {
    return MakeFolderPath(path, &created);
}

bool CreateFolder(const std::string& path) {
    return !path.empty() && ::mkdir(path.c_str(), 0777) == 0;
}

bool RenameNoReplace(const std::string& from, const std::string& to) {
    if (from.empty() || to.empty()) return false;
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // A file system without the flag. A file is linked under its new name, which
    // fails on an existing target, and then unlinked from its old one.
    struct stat source {};
    if (::lstat(from.c_str(), &source) != 0) return false;
    if (!S_ISDIR(source.st_mode)) {
        if (::link(from.c_str(), to.c_str()) == 0) {
            if (::unlink(from.c_str()) == 0) return true;
            ::unlink(to.c_str());
            return false;
        }
        if (errno == EEXIST) return false;
    }
    // A folder, or a file system without hard links: test for the target just
    // before a plain rename.
    struct stat info {};
    if (::lstat(to.c_str(), &info) == 0 || errno != ENOENT) return false;
    return ::rename(from.c_str(), to.c_str()) == 0;
}

bool DeleteFile(const std::string& path, std::string* reason) {
    // An empty path fails with ENOENT, in errno too.
    if (::unlink(path.c_str()) == 0) return true;
    if (reason != nullptr) *reason = std::strerror(errno);
    return false;
}

bool RemoveEmptyFolder(const std::string& path, std::string* reason) {
    if (!path.empty() && ::rmdir(path.c_str()) == 0) return true;
    if (reason != nullptr) *reason = path.empty() ? std::strerror(ENOENT) : std::strerror(errno);
    return false;
}

std::string CreateTempFileIn(const std::string& dir, const std::string& prefix) {
    if (prefix.find('/') != std::string::npos) return {};
    std::string name = NameIn(dir, prefix) + "XXXXXX";
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return {};
    ::close(fd);
    return name;
}

int CreateNewFileIn(const std::string& dir, const std::string& prefix, std::string& path,
                    std::string& reason) {
    if (prefix.find('/') != std::string::npos) {
        reason = std::strerror(EINVAL);
        return -1;
    }
    std::string name = NameIn(dir, prefix);
    const std::size_t stem = name.size();
    // A name this caller gave up is tried first: the folder was just seen to
    // lack it, where a new name is looked for on disk.
    const bool reuse = path.size() == stem + 6 && path.compare(0, stem, name) == 0 &&
                       path.find('/', stem) == std::string::npos;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const bool reused = attempt == 0 && reuse;
        if (reused)
            name = path;
        else
            RandomTail(name, stem);
        const int fd =
            ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            path = name;
            return fd;
        }
        if (errno != EEXIST && !reused) break;
    }
    reason = std::strerror(errno);
    return -1;
}

bool ReplaceByRename(const std::string& from, const std::string& to) {
    // A swap, then the old file removed under the temporary name; a file
    // system without the swap takes the plain rename.
    struct stat target {};
    if (::lstat(to.c_str(), &target) == 0 && S_ISREG(target.st_mode)) {
        if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_EXCHANGE) == 0) {
            ::unlink(from.c_str());
            return true;
        }
        if (errno != EINVAL && errno != ENOSYS) return false;
    }
    return ::rename(from.c_str(), to.c_str()) == 0;
}

bool ReplaceByRename(const std::string& from, const std::string& to, std::string& reason) {
    if (ReplaceByRename(from, to)) return true;
    reason = std::strerror(errno);
    return false;
}

UnnamedFileCalls& UnnamedFileSystemCalls() {
    static UnnamedFileCalls calls{OpenWithMode};
    return calls;
}

int OpenUnnamedFileIn(const std::string& dir) {
    return UnnamedFileSystemCalls().open(dir.empty() ? "." : dir.c_str(),
                                         O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
}

bool NameUnnamedFile(int fd, const std::string& target, const std::string& prefix,
                     std::string& reason) {
    if (LinkOpenFile(fd, target.c_str()) == 0) return true;
    if (errno == EEXIST && prefix.find('/') == std::string::npos) {
        // The name is taken: a temporary name first, then the rename that
        // replaces the entry whole.
        const auto slash = target.find_last_of('/');
        std::string temp =
            (slash == std::string::npos ? std::string() : target.substr(0, slash + 1)) + prefix;
        const std::size_t stem = temp.size();
        for (int attempt = 0; attempt < 100; ++attempt) {
            RandomTail(temp, stem);
            if (LinkOpenFile(fd, temp.c_str()) == 0) {
                if (ReplaceByRename(temp, target, reason)) return true;
                const int error = errno;
                ::unlink(temp.c_str());
                errno = error;
                return false;
            }
            if (errno != EEXIST) break;
        }
    }
    reason = std::strerror(errno);
    return false;
}

std::string CreateTempFolderIn(const std::string& dir, const std::string& prefix) {
    if (prefix.find('/') != std::string::npos) return {};
    std::string name = NameIn(dir, prefix) + "XXXXXX";
    if (::mkdtemp(name.data()) == nullptr) return {};
    return name;
}

bool ReadOpenFileFacts(int fd, OpenFileFacts& facts) {
    if (fd < 0) return false;
    struct statx info {};
    constexpr unsigned kMask = STATX_SIZE | STATX_MTIME | STATX_ATIME | STATX_BTIME;
    if (::statx(fd, "", AT_EMPTY_PATH, kMask, &info) != 0) return false;
    facts.size = static_cast<std::int64_t>(info.stx_size);
    facts.modified = info.stx_mtime.tv_sec;
    facts.accessed = info.stx_atime.tv_sec;
    facts.created = (info.stx_mask & STATX_BTIME) != 0 ? info.stx_btime.tv_sec : facts.modified;
    return true;
}

} // namespace sorvane
