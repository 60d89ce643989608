// POSIX implementation of DOS attributes, file times and the link test.
#include "platform/FileAttributes.h"

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>

namespace sorvane {

std::optional<std::uint32_t> ReadDosAttributes(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return std::nullopt;
    std::uint32_t attributes = 0;
    if (!(info.st_mode & S_IWUSR)) attributes |= kDosReadOnly;
    const auto slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (!name.empty() && name[0] == '.') attributes |= kDosHidden;
    if (S_ISDIR(info.st_mode))
        attributes |= kDosDirectory;
    else if (S_ISREG(info.st_mode))
        attributes |= kDosArchive;
    else
        attributes |= kDosSystem;
    return attributes;
}

namespace {

mode_t WithReadOnly(mode_t mode, std::uint32_t attributes) {
    mode &= 07777;
    if (attributes & kDosReadOnly) return mode & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
    return mode | S_IWUSR;
}

// The local date-time as seconds since the epoch; -1 when it has none.
std::time_t LocalSeconds(const DateTime& local) {
    const auto seconds = UnixFromLocalDateTime(local);
    return seconds ? static_cast<std::time_t>(*seconds) : static_cast<std::time_t>(-1);
}

} // namespace

bool SetDosAttributes(const std::string& path, std::uint32_t attributes) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || S_ISLNK(info.st_mode)) return false;
    return ::chmod(path.c_str(), WithReadOnly(info.st_mode, attributes)) == 0;
}

bool SetDosAttributes(int fd, std::uint32_t attributes) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) return false;
    const mode_t mode = WithReadOnly(info.st_mode, attributes);
    return mode == (info.st_mode & 07777) || ::fchmod(fd, mode) == 0;
}

bool SetFileModifiedTime(const std::string& path, const DateTime& local) {
    const std::time_t seconds = LocalSeconds(local);
    if (seconds == static_cast<std::time_t>(-1)) return false;
    const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    return ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0;
}

bool SetFileModifiedTime(int fd, const DateTime& local) {
    const std::time_t seconds = LocalSeconds(local);
    if (seconds == static_cast<std::time_t>(-1)) return false;
    const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    return ::futimens(fd, times) == 0;
}

bool SetFileModifiedUnixTime(const std::string& path, std::int64_t seconds,
                             std::uint32_t nanoseconds) {
    const auto when = static_cast<std::time_t>(seconds);
    const long nanos = nanoseconds < 1000000000u ? static_cast<long>(nanoseconds) : 0;
    const struct timespec times[2] = {{when, nanos}, {when, nanos}};
    return ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0;
}

bool SetFileModifiedUnixTime(int fd, std::int64_t seconds, std::uint32_t nanoseconds) {
    const auto when = static_cast<std::time_t>(seconds);
    const long nanos = nanoseconds < 1000000000u ? static_cast<long>(nanoseconds) : 0;
    const struct timespec times[2] = {{when, nanos}, {when, nanos}};
    return ::futimens(fd, times) == 0;
}

bool PassesThroughSymlink(const std::string& base, const std::vector<std::string>& components,
                          bool* missing) {
    if (missing != nullptr) *missing = false;
    std::string path = base;
    for (const std::string& component : components) {
        if (path.empty() || path.back() != '/') path += '/';
        path += component;
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0) {
            if (missing != nullptr) *missing = errno == ENOENT;
            return false;
        }
        if (S_ISLNK(info.st_mode)) return true;
    }
    return false;
}

} // namespace sorvane
