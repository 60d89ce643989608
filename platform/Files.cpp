// POSIX implementation of the platform's file services.
#include "platform/Files.h"

#include <algorithm>
#include "platform/Folders.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvane {
namespace {

[[noreturn]] void Fail(std::string_view what, const std::string& path, int error) {
    throw EInOutError(std::string(what) + " \"" + path + "\": " + std::strerror(error));
}

// Closes a descriptor when it goes out of scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }
    // Closes now and reports whether the close succeeded.
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

int OpenOrFail(const std::string& path, int flags, std::string_view what, mode_t mode = 0644) {
    int fd;
    do {
        fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) Fail(what, path, errno);
    return fd;
}

void WriteAll(int fd, std::string_view data, const std::string& path) {
    while (!data.empty()) {
        const ssize_t written = ::write(fd, data.data(), data.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            Fail("Cannot write", path, errno);
        }
        data.remove_prefix(static_cast<std::size_t>(written));
    }
}

std::string ReadAll(int fd, const std::string& path) {
    // Read straight into the result: sized by fstat, grown when the file grows.
    struct stat info {};
    std::size_t size =
        ::fstat(fd, &info) == 0 && info.st_size > 0 ? static_cast<std::size_t>(info.st_size) : 0;
    std::string content;
    content.resize(size + 1);
    std::size_t filled = 0;
    for (;;) {
        if (filled == content.size()) content.resize(content.size() * 2 + 65536);
        const ssize_t got = ::read(fd, content.data() + filled, content.size() - filled);
        if (got < 0) {
            if (errno == EINTR) continue;
            Fail("Cannot read", path, errno);
        }
        if (got == 0) break;
        filled += static_cast<std::size_t>(got);
    }
    content.resize(filled);
    return content;
}

void ReadAllInto(int fd, const std::string& path, PageBuffer& content,
                 const std::function<void(std::size_t)>& onRead) {
    constexpr std::size_t kChunk = std::size_t{256} << 10;
    struct stat info {};
    const std::size_t size =
        ::fstat(fd, &info) == 0 && info.st_size > 0 ? static_cast<std::size_t>(info.st_size) : 0;
    content.Clear();
    content.Reserve(size + 1);
    for (;;) {
        if (content.size() == content.capacity()) content.Reserve(content.capacity() * 2 + 65536);
        const std::size_t filled = content.size();
        const std::size_t room = content.capacity() - filled;
        const ssize_t got =
            ::read(fd, content.data() + filled, onRead ? std::min(room, kChunk) : room);
        if (got < 0) {
            if (errno == EINTR) continue;
            Fail("Cannot read", path, errno);
        }
        if (got == 0) break;
        content.Resize(filled + static_cast<std::size_t>(got));
        if (onRead) onRead(content.size());
    }
}

} // namespace

std::string ReadWholeFile(const std::string& path) {
    FileDescriptor fd(OpenOrFail(path, O_RDONLY, "Cannot open"));
    return ReadAll(fd.get(), path);
}

void ReadWholeFile(const std::string& path, PageBuffer& content,
                   const std::function<void(std::size_t)>& onRead) {
    FileDescriptor fd(OpenOrFail(path, O_RDONLY, "Cannot open"));
    ReadAllInto(fd.get(), path, content, onRead);
}

namespace {

// Writes `content` to a new temporary file beside `path`, flushed and with the
// usual mode, and gives its name; raises EInOutError and leaves nothing behind.
std::string WriteTemporaryBeside(const std::string& path, std::string_view content) {
    std::string pattern = path + ".XXXXXX";
    const int raw = ::mkstemp(pattern.data());
    if (raw < 0) Fail("Cannot create a temporary file beside", path, errno);
    FileDescriptor fd(raw);
    try {
        WriteAll(fd.get(), content, pattern);
        if (::fsync(fd.get()) != 0) Fail("Cannot flush", pattern, errno);
        if (!fd.Close()) Fail("Cannot close", pattern, errno);
        // mkstemp creates the file private to the owner; give it the usual mode.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::chmod(pattern.c_str(), 0666 & ~mask);
    } catch (...) {
        ::unlink(pattern.c_str());
        throw;
    }
    return pattern;
}

} // namespace

void WriteFileAtomically(const std::string& path, std::string_view content) {
    const std::string temporary = WriteTemporaryBeside(path, content);
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        Fail("Cannot replace", path, error);
    }
}

void RewriteUnderNewName(const std::string& oldPath, const std::string& newPath,
                         std::string_view content) {
    const std::string temporary = WriteTemporaryBeside(newPath, content);
    if (!RenameNoReplace(temporary, newPath)) {
        int error = errno;
        struct stat info {};
        if (::lstat(newPath.c_str(), &info) == 0) error = EEXIST;
        ::unlink(temporary.c_str());
        Fail("Cannot create", newPath, error);
    }
    if (::unlink(oldPath.c_str()) != 0) {
        const int error = errno;
        ::unlink(newPath.c_str());
        Fail("Cannot remove", oldPath, error);
    }
}

std::uint64_t ReadFileSize(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return 0;
    return static_cast<std::uint64_t>(info.st_size);
}

bool IsFolderEmpty(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return true;
    bool empty = true;
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
            empty = false;
            break;
        }
    }
    ::closedir(dir);
    return empty;
}

void AppendFile(const std::string& source, const std::string& destination) {
    FileDescriptor in(OpenOrFail(source, O_RDONLY, "Cannot open"));
    FileDescriptor out(OpenOrFail(destination, O_WRONLY | O_CREAT | O_APPEND, "Cannot open"));
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(in.get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) continue;
            Fail("Cannot read", source, errno);
        }
        if (got == 0) break;
        WriteAll(out.get(), std::string_view(buffer, static_cast<std::size_t>(got)), destination);
    }
    if (!out.Close()) Fail("Cannot close", destination, errno);
}

std::optional<DateTime> FileTimeToLocalDateTime(std::int64_t unixSeconds) {
    const std::optional<DateTime> local = LocalDateTimeFromUnix(unixSeconds);
    if (!local) return kDosEpoch;
    const std::optional<std::uint32_t> dos = DateTimeToDosDate(*local);
    if (!dos) return std::nullopt;
    return DosDateToDateTime(*dos);
}

} // namespace sorvane
