// POSIX implementation of the platform's file services.
#include "platform/Files.h"

#include "platform/AtomicFile.h"
#include "platform/Directory.h"
#include "platform/Folders.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
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

// Opens a file of the user's for reading: never blocks on a FIFO or a device
// (O_NONBLOCK) and takes only a regular file, whose size at the open is given.
int OpenRegularFile(const std::string& path, std::size_t& size) {
    const int fd = OpenOrFail(path, O_RDONLY | O_NONBLOCK | O_NOCTTY, "Cannot open");
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        Fail("Cannot open", path, error);
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        throw EInOutError("Cannot open \"" + path + "\": not a regular file");
    }
    size = info.st_size > 0 ? static_cast<std::size_t>(info.st_size) : 0;
    return fd;
}

// Reads up to `size` bytes into `data`; gives how many were there (fewer when
// the file shrank since its size was taken).
std::size_t ReadUpTo(int fd, char* data, std::size_t size, const std::string& path) {
    std::size_t filled = 0;
    while (filled < size) {
        const ssize_t got = ::read(fd, data + filled, size - filled);
        if (got < 0) {
            if (errno == EINTR) continue;
            Fail("Cannot read", path, errno);
        }
        if (got == 0) break;
        filled += static_cast<std::size_t>(got);
    }
    return filled;
}

// Reads a file whose size is not known beforehand (the kernel's files under
// /proc and /sys give 0), growing the result as it reads.
std::string ReadGrowing(int fd, const std::string& path) {
    std::string content(65536, '\0');
    std::size_t filled = 0;
    for (;;) {
        if (filled == content.size()) content.resize(content.size() * 2);
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

// Reads the file's `size` bytes into `content`, in chunks when `onRead` is given;
// nothing past the size taken at the open is read, so nothing grows past it.
void ReadAllInto(int fd, std::size_t size, const std::string& path, PageBuffer& content,
                 const std::function<void(std::size_t)>& onRead) {
    constexpr std::size_t kChunk = std::size_t{256} << 10;
    content.Clear();
    content.Reserve(size);
    while (content.size() < size) {
        const std::size_t filled = content.size();
        const std::size_t room = size - filled;
        const std::size_t got =
            ReadUpTo(fd, content.data() + filled, onRead ? std::min(room, kChunk) : room, path);
        if (got == 0) break;
        content.Resize(filled + got);
        if (onRead) onRead(content.size());
    }
}

} // namespace

std::string ReadWholeFile(const std::string& path) {
    std::size_t size = 0;
    FileDescriptor fd(OpenRegularFile(path, size));
    std::string content(size, '\0');
    content.resize(ReadUpTo(fd.get(), content.data(), size, path));
    return content;
}

void ReadWholeFile(const std::string& path, PageBuffer& content,
                   const std::function<void(std::size_t)>& onRead) {
    std::size_t size = 0;
    FileDescriptor fd(OpenRegularFile(path, size));
    ReadAllInto(fd.get(), size, path, content, onRead);
}

std::string ReadKernelFile(const std::string& path) {
    FileDescriptor fd(OpenOrFail(path, O_RDONLY | O_NONBLOCK | O_NOCTTY, "Cannot open"));
    return ReadGrowing(fd.get(), path);
}

void WriteFileAtomically(const std::string& path, std::string_view content) {
    TAtomicFile file(path);
    file.Write(content);
    file.Commit();
}

void RewriteUnderNewName(const std::string& oldPath, const std::string& newPath,
                         std::string_view content) {
    {
        TAtomicFile file(newPath);
        file.Write(content);
        file.CommitNew();
    }
    std::string reason;
    if (!DeleteFile(oldPath, &reason)) {
        DeleteFile(newPath);
        throw EInOutError("Cannot remove \"" + oldPath + "\": " + reason);
    }
}

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return std::nullopt;
    return FileIdentity{
        static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
        static_cast<std::uint64_t>(info.st_size),
        static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
}

std::uint64_t ReadFileSize(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return 0;
    return static_cast<std::uint64_t>(info.st_size);
}

bool IsFolderEmpty(const std::string& folder) {
    return folder.empty() || ListDirectory(folder, {.firstOnly = true}).empty();
}

void WriteAll(int fd, std::string_view data, const std::string& path) {
    while (!data.empty()) {
        const ssize_t written = ::write(fd, data.data(), data.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            Fail("Cannot write", path, errno);
        }
        // Nothing written with no error: the file system took no more.
        if (written == 0) Fail("Cannot write", path, ENOSPC);
        data.remove_prefix(static_cast<std::size_t>(written));
    }
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
