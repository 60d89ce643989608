// POSIX implementation of the descriptor-level file services.
#include "platform/StreamFile.h"

#include "platform/Directory.h"
#include "platform/Folders.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvane {

int StreamFileOpen(const std::string& path, int mode) {
    int flags = O_CLOEXEC;
    if (mode == kStreamFileCreateMode) {
        flags |= O_RDWR | O_CREAT | O_TRUNC;
    } else {
        switch (mode & 3) {
        case 0:
            flags |= O_RDONLY;
            break;
        case 1:
            flags |= O_WRONLY;
            break;
        case 2:
            flags |= O_RDWR;
            break;
        default:
            errno = EINVAL;
            return -1;
        }
    }
    // Never block on a FIFO, never write through a symbolic link, and refuse
    // anything that is not a regular file: archive streams read and write files only.
    flags |= O_NONBLOCK;
    if (mode == kStreamFileCreateMode) flags |= O_NOFOLLOW;
    int fd;
    do {
        fd = ::open(path.c_str(), flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return fd;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const int reason = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        errno = reason;
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

std::int64_t StreamFileRead(int fd, void* buffer, std::int64_t count) {
    if (fd < 0 || count < 0) {
        errno = EBADF;
        return -1;
    }
    auto* out = static_cast<char*>(buffer);
    std::int64_t done = 0;
    while (done < count) {
        const ssize_t n = ::read(fd, out + done, static_cast<size_t>(count - done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return done > 0 ? done : -1;
        }
        if (n == 0) break;
        done += n;
    }
    return done;
}

std::int64_t StreamFileReadAt(int fd, std::int64_t pos, void* buffer, std::int64_t count) {
    if (fd < 0 || pos < 0 || count < 0) {
        errno = fd < 0 ? EBADF : EINVAL;
        return -1;
    }
    auto* out = static_cast<char*>(buffer);
    std::int64_t done = 0;
    while (done < count) {
        const ssize_t n = ::pread(fd, out + done, static_cast<size_t>(count - done),
                                  static_cast<off_t>(pos + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return done > 0 ? done : -1;
        }
        if (n == 0) break;
        done += n;
    }
    return done;
}

std::int64_t StreamFileWrite(int fd, const void* buffer, std::int64_t count) {
    if (fd < 0 || count < 0) {
        errno = EBADF;
        return -1;
    }
    const auto* in = static_cast<const char*>(buffer);
    std::int64_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(fd, in + done, static_cast<size_t>(count - done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return done > 0 ? done : -1;
        }
        done += n;
    }
    return done;
}

std::int64_t StreamFileSeek(int fd, std::int64_t offset, int origin) {
    int whence;
    switch (origin) {
    case 0:
        whence = SEEK_SET;
        break;
    case 1:
        whence = SEEK_CUR;
        break;
    case 2:
        whence = SEEK_END;
        break;
    default:
        errno = EINVAL;
        return -1;
    }
    const off_t result = ::lseek(fd, static_cast<off_t>(offset), whence);
    return result < 0 ? -1 : static_cast<std::int64_t>(result);
}

int StreamFileSetSize(int fd, std::int64_t size) {
    if (size < 0) return EINVAL;
    int rc;
    do {
        rc = ::ftruncate(fd, static_cast<off_t>(size));
    } while (rc != 0 && errno == EINTR);
    return rc == 0 ? 0 : errno;
}

void StreamFileClose(int fd) {
    if (fd >= 0) ::close(fd);
}

bool StreamFileDelete(const std::string& path) {
    return DeleteFile(path);
}

bool StreamFileMove(const std::string& from, const std::string& to) {
    return ReplaceByRename(from, to);
}

bool StreamFileSameFileSystem(const std::string& path, const std::string& target) {
    const std::size_t slash = target.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "."
                               : slash == 0               ? "/"
                                                          : target.substr(0, slash);
    struct stat file {};
    struct stat dir {};
    return ::stat(path.c_str(), &file) == 0 && ::stat(folder.c_str(), &dir) == 0 &&
           file.st_dev == dir.st_dev;
}

bool StreamFileExists(const std::string& path) {
    return PathPresent(path);
}

int StreamFileLastError() {
    return errno;
}

std::string StreamFileErrorText(int code) {
    return std::strerror(code);
}

bool StreamFileIsDiskFull(int code) {
    return code == ENOSPC || code == EDQUOT;
}

std::string SystemTempFolder() {
    const char* dir = std::getenv("TMPDIR");
    std::string result = (dir && *dir) ? dir : "/tmp";
    while (result.size() > 1 && result.back() == '/')
        result.pop_back();
    return result;
}

} // namespace sorvane
