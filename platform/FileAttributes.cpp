// POSIX implementation of DOS attributes, file times and the link test.
#include "platform/FileAttributes.h"

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

bool SetDosAttributes(const std::string& path, std::uint32_t attributes) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || S_ISLNK(info.st_mode)) return false;
    mode_t mode = info.st_mode & 07777;
    if (attributes & kDosReadOnly)
        mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
    else
        mode |= S_IWUSR;
    return ::chmod(path.c_str(), mode) == 0;
}

bool SetFileModifiedTime(const std::string& path, const DateTime& local) {
    std::tm parts{};
    parts.tm_year = local.year - 1900;
    parts.tm_mon = local.month - 1;
    parts.tm_mday = local.day;
    parts.tm_hour = local.hour;
    parts.tm_min = local.minute;
    parts.tm_sec = local.second;
    parts.tm_isdst = -1;
    const std::time_t seconds = std::mktime(&parts);
    if (seconds == static_cast<std::time_t>(-1)) return false;
    const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    return ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0;
}

bool SetFileModifiedUnixTime(const std::string& path, std::int64_t seconds,
                             std::uint32_t nanoseconds) {
    const auto when = static_cast<std::time_t>(seconds);
    const long nanos = nanoseconds < 1000000000u ? static_cast<long>(nanoseconds) : 0;
    const struct timespec times[2] = {{when, nanos}, {when, nanos}};
    return ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0;
}

bool PassesThroughSymlink(const std::string& base, const std::vector<std::string>& components) {
    std::string path = base;
    for (const std::string& component : components) {
        if (path.empty() || path.back() != '/') path += '/';
        path += component;
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0) return false;
        if (S_ISLNK(info.st_mode)) return true;
    }
    return false;
}

} // namespace sorvane
