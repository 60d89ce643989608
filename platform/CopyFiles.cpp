// POSIX implementation of the collector's copy services.
#include "platform/CopyFiles.h"

#include "platform/Files.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <utility>

namespace sorvane {
namespace {

// Bytes handed to the kernel per call; the stop request is looked at between them.
constexpr std::size_t kBlock = 1u << 20;

[[noreturn]] void Fail(const std::string& what, const std::string& path, int error) {
    throw EInOutError(what + " \"" + path + "\": " + std::strerror(error));
}

class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }
    // Closes now; the errno of a failed close, else 0.
    int Close() {
        const int fd = fd_;
        fd_ = -1;
        return fd >= 0 && ::close(fd) != 0 ? errno : 0;
    }

private:
    int fd_;
};

// The path with links resolved; empty when it cannot be resolved.
std::string Resolved(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
    return real ? std::string(real.get()) : std::string();
}

bool StartsWithFolder(const std::string& path, const std::string& folder) {
    if (folder == "/") return !path.empty() && path.front() == '/';
    return path == folder ||
           (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
            path[folder.size()] == '/');
}

// The path with the longest existing leading part resolved and the rest kept as written.
std::string ResolvedAsFarAsItExists(const std::string& path) {
    std::string head = path;
    std::string tail;
    while (!head.empty()) {
        const std::string real = Resolved(head);
        if (!real.empty()) return tail.empty() ? real : (real == "/" ? "" : real) + tail;
        const std::size_t slash = head.find_last_of('/');
        if (slash == std::string::npos) return {};
        tail = head.substr(slash) + tail;
        head.resize(slash);
    }
    return tail;
}

} // namespace

namespace {

// Copies `source` into the new file `name` of the folder `folderFd` (AT_FDCWD
// with a whole path as `name`); `destination` names it in messages.
CopyResult CopyInto(const std::string& source, int folderFd, const std::string& name,
                    const std::string& destination, const std::string& within,
                    const std::function<bool(std::uint64_t, std::uint64_t)>& onBlock) {
    struct stat facts {};
    if (::lstat(source.c_str(), &facts) != 0) Fail("Cannot open", source, errno);
    std::string from = source;
    if (S_ISLNK(facts.st_mode)) {
        from = Resolved(source);
        if (from.empty()) Fail("Cannot open", source, errno);
        const std::string limit = within.empty() ? std::string() : Resolved(within);
        if (!within.empty() && (limit.empty() || !StartsWithFolder(from, limit)))
            throw EInOutError("The link \"" + source + "\" leads outside the folder copied");
        if (::stat(from.c_str(), &facts) != 0) Fail("Cannot open", source, errno);
    }
    if (!S_ISREG(facts.st_mode)) throw EInOutError("\"" + source + "\" is not a regular file");

    // No wait for a writer if a FIFO took the file's place since the test above.
    Descriptor in(::open(from.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
    if (in.get() < 0) Fail("Cannot open", source, errno);
    if (::fstat(in.get(), &facts) != 0) Fail("Cannot open", source, errno);
    if (!S_ISREG(facts.st_mode)) throw EInOutError("\"" + source + "\" is not a regular file");
    ::fcntl(in.get(), F_SETFL, ::fcntl(in.get(), F_GETFL) & ~O_NONBLOCK);

    CopyResult result;
    result.size = static_cast<std::uint64_t>(facts.st_size);
    Descriptor out(::openat(folderFd, name.c_str(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (out.get() < 0) Fail("Cannot create", destination, errno);

    try {
        // In-kernel copy where the file systems allow it, else reads and writes.
        bool kernel = true;
        std::unique_ptr<char[]> buffer;
        for (;;) {
            ssize_t got = -1;
            if (kernel) {
                got = ::copy_file_range(in.get(), nullptr, out.get(), nullptr, kBlock, 0);
                if (got < 0 && errno == EINTR) continue;
                if (got < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL ||
                                errno == EOPNOTSUPP || errno == EBADF)) {
                    kernel = false;
                    continue;
                }
                if (got < 0) {
                    // Tell a failed read from a failed write.
                    const int error = errno;
                    if (error == EIO) Fail("Cannot copy", source, error);
                    Fail("Cannot write", destination, error);
                }
            } else {
                if (!buffer) buffer = std::make_unique<char[]>(kBlock);
                got = ::read(in.get(), buffer.get(), kBlock);
                if (got < 0 && errno == EINTR) continue;
                if (got < 0) Fail("Cannot read", source, errno);
                WriteAll(out.get(), std::string_view(buffer.get(), static_cast<std::size_t>(got)),
                         destination);
            }
            if (got == 0) break;
            result.copied += static_cast<std::uint64_t>(got);
            if (onBlock && !onBlock(result.copied, result.size)) {
                result.stopped = true;
                break;
            }
        }
        if (const int error = out.Close(); error != 0) Fail("Cannot write", destination, error);
    } catch (...) {
        out.Close();
        ::unlinkat(folderFd, name.c_str(), 0);
        throw;
    }
    // A stopped copy is no copy: the part written goes.
    if (result.stopped) ::unlinkat(folderFd, name.c_str(), 0);
    return result;
}

} // namespace

CopyResult CopyRegularFile(const std::string& source, const std::string& destination,
                           const std::string& within,
                           const std::function<bool(std::uint64_t, std::uint64_t)>& onBlock) {
    return CopyInto(source, AT_FDCWD, destination, destination, within, onBlock);
}

CopyResult CopyRegularFile(const std::string& source, const TCopyFolder& folder,
                           const std::string& name, const std::string& within,
                           const std::function<bool(std::uint64_t, std::uint64_t)>& onBlock) {
    return CopyInto(source, folder.Descriptor(), name, folder.Path() + name, within, onBlock);
}

TCopyFolder::TCopyFolder(const std::string& path)
    : fd_(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)), path_(path) {
    if (fd_ < 0) Fail("Cannot open", path, errno);
    if (path_.empty() || path_.back() != '/') path_ += '/';
}

TCopyFolder::TCopyFolder(TCopyFolder&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)) {}

TCopyFolder& TCopyFolder::operator=(TCopyFolder&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
    }
    return *this;
}

TCopyFolder::~TCopyFolder() {
    if (fd_ >= 0) ::close(fd_);
}

TCopyFolder TCopyFolder::Enter(const std::string& name) const {
    const std::string path = path_ + name;
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos)
        throw EInOutError("\"" + path + "\" is no folder name");
    if (::mkdirat(fd_, name.c_str(), 0777) != 0 && errno != EEXIST)
        Fail("Cannot create", path, errno);
    const int fd = ::openat(fd_, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        struct stat facts {};
        if (::fstatat(fd_, name.c_str(), &facts, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISLNK(facts.st_mode))
            throw ELinkInTheWay("\"" + path +
                                "\" is a symbolic link: nothing is copied through it");
        Fail("Cannot open", path, error);
    }
    return TCopyFolder(fd, path + "/");
}

bool TCopyFolder::Holds(const std::string& name) const {
    struct stat facts {};
    return ::fstatat(fd_, name.c_str(), &facts, AT_SYMLINK_NOFOLLOW) == 0;
}

std::int64_t FreeBytesNear(const std::string& path) {
    if (path.empty() || path.front() != '/') return -1;
    std::string folder = path;
    for (;;) {
        struct statvfs facts {};
        if (::statvfs(folder.c_str(), &facts) == 0) {
            const auto free = static_cast<unsigned long long>(facts.f_bavail) * facts.f_frsize;
            return free > static_cast<unsigned long long>(LLONG_MAX)
                       ? LLONG_MAX
                       : static_cast<std::int64_t>(free);
        }
        if (errno != ENOENT && errno != ENOTDIR) return -1;
        while (folder.size() > 1 && folder.back() == '/')
            folder.pop_back();
        const std::size_t slash = folder.find_last_of('/');
        if (folder == "/" || slash == std::string::npos) return -1;
        folder.resize(slash == 0 ? 1 : slash);
    }
}

bool FolderInside(const std::string& inner, const std::string& outer) {
    const std::string container = Resolved(outer);
    if (container.empty()) return false;
    std::string candidate = inner;
    while (candidate.size() > 1 && candidate.back() == '/')
        candidate.pop_back();
    candidate = ResolvedAsFarAsItExists(candidate);
    return !candidate.empty() && StartsWithFolder(candidate, container);
}

} // namespace sorvane
