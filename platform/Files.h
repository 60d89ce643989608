// File services of the platform: whole-file reads, atomic writes, sizes,
// folder tests and appends, over POSIX calls. Paths are native Linux paths.
#pragma once

#include "platform/DateTime.h"
#include "platform/PageBuffer.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace sorvane {

// A failed file operation; the message names the file and the system's reason.
class EInOutError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The whole content of a regular file. The file is opened without blocking and
// anything but a regular file (a FIFO, a device, a folder) raises EInOutError
// ("not a regular file"); no more than the file's size at the open is read, so
// a read never allocates more than that.
std::string ReadWholeFile(const std::string& path);
// The whole content of a file into `content` (replacing what it held). With
// `onRead`, the file is read a few hundred KiB at a time and `onRead` gets the
// size read so far after each read, to work on the new bytes while they are
// still in the processor's cache. Regular files only, as above.
void ReadWholeFile(const std::string& path, PageBuffer& content,
                   const std::function<void(std::size_t)>& onRead = {});

// The whole content of one of the kernel's files (/proc, /sys), whose size is
// not known before it is read.
std::string ReadKernelFile(const std::string& path);

// Writes `content` to a temporary file beside `path`, flushes it and renames it
// over `path`, so a crash or a full disk never leaves half a file behind.
void WriteFileAtomically(const std::string& path, std::string_view content);

// Writes `content` as the new file `newPath` (a temporary file beside it,
// flushed, then renamed into place without replacing anything) and only then
// removes `oldPath`: a rename of a file together with a change of its content.
// Raises EInOutError, leaving both names as they were, when `newPath` exists,
// cannot be written, or `oldPath` cannot be removed.
void RewriteUnderNewName(const std::string& oldPath, const std::string& newPath,
                         std::string_view content);

// What tells one state of a file from another: the device and inode of the
// name (a save by rename gives a new inode) and the size and modification time
// in nanoseconds (a write in place).
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;
    bool operator==(const FileIdentity&) const = default;
};

// The identity of the file at `path` (a link followed); nothing when nothing
// is there.
std::optional<FileIdentity> IdentityOf(const std::string& path);

// The size of the file at `path` (the whole 64-bit size); 0 when nothing is there.
std::uint64_t ReadFileSize(const std::string& path);

// True when `folder` holds no entry besides "." and "..", or cannot be listed.
bool IsFolderEmpty(const std::string& folder);

// Appends the whole of `source` to `destination`, creating it when missing.
void AppendFile(const std::string& source, const std::string& destination);

// Writes the whole of `data` to the open descriptor `fd`, going on after
// interruptions. A failed write, or one that takes nothing (the file system
// holds no more), throws EInOutError naming `path` and the system's reason.
void WriteAll(int fd, std::string_view data, const std::string& path);

// A file time (seconds since the Unix epoch) as a local date-time with DOS
// precision (seconds rounded down to even). Nothing when the time has no DOS
// form (before 1980 or after 2107); 1980-01-01 when local time cannot be found.
std::optional<DateTime> FileTimeToLocalDateTime(std::int64_t unixSeconds);

} // namespace sorvane
