// DOS attributes and modification times of files an extraction writes, and
// the symbolic-link test that keeps an extraction inside its folder. Stands
// in for GetFileAttributesA, SetFileAttributesA and SetFileTime.
#pragma once

#include "platform/DateTime.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sorvane {

inline constexpr std::uint32_t kDosReadOnly = 0x01;
inline constexpr std::uint32_t kDosHidden = 0x02;
inline constexpr std::uint32_t kDosSystem = 0x04;
inline constexpr std::uint32_t kDosDirectory = 0x10;
inline constexpr std::uint32_t kDosArchive = 0x20;

// The DOS attributes of what is at `path` (not following a final link):
// read-only when the owner may not write, hidden for a name starting with
// ".", system for anything neither a regular file nor a folder, directory,
// archive for regular files. Nothing when nothing is there.
std::optional<std::uint32_t> ReadDosAttributes(const std::string& path);

// Applies the read-only bit: set takes every write permission away, clear
// gives the owner write permission back. Other bits have no Linux meaning.
bool SetDosAttributes(const std::string& path, std::uint32_t attributes);

// Sets the modification (and access) time to a local date-time.
bool SetFileModifiedTime(const std::string& path, const DateTime& local);
// Sets the modification (and access) time to `seconds` since the Unix epoch,
// which may lie before 1970 or after 2038, and `nanoseconds` within that second.
bool SetFileModifiedUnixTime(const std::string& path, std::int64_t seconds,
                             std::uint32_t nanoseconds = 0);

// The same three on the file open on `fd`, with no path looked up; the
// attributes change the mode only when it differs.
bool SetDosAttributes(int fd, std::uint32_t attributes);
bool SetFileModifiedTime(int fd, const DateTime& local);
bool SetFileModifiedUnixTime(int fd, std::int64_t seconds, std::uint32_t nanoseconds = 0);

// True when `base` joined with the first 1, 2, ... of `components` reaches a
// symbolic link at any step (a missing step ends the test: nothing below it
// exists yet). `missing`, when given, tells whether a step was found missing,
// so that nothing is at the whole path.
bool PassesThroughSymlink(const std::string& base, const std::vector<std::string>& components,
                          bool* missing = nullptr);

} // namespace sorvane
