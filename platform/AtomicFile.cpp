// POSIX implementation of the file published whole.
#include "platform/AtomicFile.h"

#include "platform/Directory.h"
#include "platform/Files.h"
#include "platform/Folders.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace sorvane {
namespace {

constexpr std::string_view kTemporaryMark = ".sorvane-";
constexpr std::size_t kRandomLength = 6; // mkostemp's "XXXXXX"

// Errors name the file the user knows, never the temporary one.
[[noreturn]] void Fail(std::string_view what, const std::string& path, int error) {
    throw EInOutError(std::string(what) + " \"" + path + "\": " + std::strerror(error));
}

int RealFsync(int fd) {
    return ::fsync(fd);
}
int RealRename(const char* from, const char* to) {
    return ::rename(from, to);
}

// The folder part of `path` ("." when it has none) and its file name.
std::pair<std::string, std::string> SplitPath(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

// Removes temporary files that an interrupted save of the same target left.
void RemoveStaleTemporaries(const std::string& target) {
    const auto [folder, name] = SplitPath(target);
    const std::string prefix = "." + name + std::string(kTemporaryMark);
    // Tested and removed by name within the folder's descriptor, never through a path again.
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) return;
    std::vector<DirectoryEntry> entries;
    std::string error;
    ListDirectory(dirFd, entries, error);
    for (const DirectoryEntry& entry : entries) {
        if (entry.name.size() != prefix.size() + kRandomLength || !entry.name.starts_with(prefix))
            continue;
        struct stat info {};
        if (::fstatat(dirFd, entry.name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(info.st_mode))
            ::unlinkat(dirFd, entry.name.c_str(), 0);
    }
    ::close(dirFd);
}

// Flushes the folder of `path`, so that a rename into it lasts a power cut.
// The file is already in place: a folder that cannot be flushed (a file system
// that does not flush folders) changes nothing of that.
void SyncFolderOf(const std::string& path) {
    const int fd = ::open(SplitPath(path).first.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    AtomicFileSystemCalls().fsync(fd);
    ::close(fd);
}

} // namespace

AtomicFileCalls& AtomicFileSystemCalls() {
    static AtomicFileCalls calls{RealFsync, RealRename};
    return calls;
}

std::string TAtomicFile::TemporaryPrefix(const std::string& target) {
    const std::size_t slash = target.rfind('/');
    const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    return target.substr(0, start) + "." + target.substr(start) + std::string(kTemporaryMark);
}

TAtomicFile::TAtomicFile(std::string target) : target_(std::move(target)) {
    RemoveStaleTemporaries(target_);
    temp_ = TemporaryPrefix(target_) + std::string(kRandomLength, 'X');
    fd_ = ::mkostemp(temp_.data(), O_CLOEXEC);
    if (fd_ < 0) Fail("Cannot create a temporary file beside", target_, errno);
}

TAtomicFile::~TAtomicFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_) DeleteFile(temp_);
}

void TAtomicFile::Write(std::string_view bytes) {
    if (fd_ < 0) Fail("Cannot write", target_, EBADF);
    WriteAll(fd_, bytes, target_);
}

void TAtomicFile::Finish() {
    if (fd_ < 0) Fail("Cannot write", target_, EBADF);
    if (AtomicFileSystemCalls().fsync(fd_) != 0) Fail("Cannot write", target_, errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) Fail("Cannot write", target_, errno);
    // mkstemp creates the file private to the owner; give it the usual mode.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(temp_.c_str(), 0666 & ~mask);
}

void TAtomicFile::Commit() {
    Finish();
    if (AtomicFileSystemCalls().rename(temp_.c_str(), target_.c_str()) != 0)
        Fail("Cannot replace", target_, errno);
    committed_ = true;
    SyncFolderOf(target_);
}

void TAtomicFile::CommitNew() {
    Finish();
    if (!RenameNoReplace(temp_, target_)) {
        int error = errno;
        struct stat info {};
        if (::lstat(target_.c_str(), &info) == 0) error = EEXIST;
        Fail("Cannot create", target_, error);
    }
    committed_ = true;
    SyncFolderOf(target_);
}

} // namespace sorvane
