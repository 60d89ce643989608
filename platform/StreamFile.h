// Descriptor-level file services for the archive library's streams: open,
// read, write, seek, resize, close and delete, over POSIX calls. Failures are
// reported by return values (-1, or an error code) so the streams can decide
// whether to raise; the error codes are the system's.
#pragma once

#include <cstdint>
#include <string>

namespace sorvane {

// The open mode that creates (truncates) a file for reading and writing.
inline constexpr int kStreamFileCreateMode = 0xFFFF;

// Opens `path`. `mode` kStreamFileCreateMode creates or truncates the file;
// any other value opens an existing file with the access in its low two bits
// (0 read, 1 write, 2 read-write); sharing bits are accepted and ignored.
// Only regular files open (a FIFO is never waited on); creating never follows
// a symbolic link. Gives the descriptor, or -1 (the reason is StreamFileLastError()).
int StreamFileOpen(const std::string& path, int mode);

// Reads up to `count` bytes at the current position; the count read, or -1.
std::int64_t StreamFileRead(int fd, void* buffer, std::int64_t count);

// Reads up to `count` bytes at `pos` without moving the position (pread):
// the count read (less only at the end of the file), or -1.
std::int64_t StreamFileReadAt(int fd, std::int64_t pos, void* buffer, std::int64_t count);

// Writes `count` bytes at the current position; the count written, or -1.
std::int64_t StreamFileWrite(int fd, const void* buffer, std::int64_t count);

// Moves the position (origin 0 beginning, 1 current, 2 end); the new
// position, or -1.
std::int64_t StreamFileSeek(int fd, std::int64_t offset, int origin);

// Sets the file's length to `size`; 0 on success, otherwise the error code.
int StreamFileSetSize(int fd, std::int64_t size);

// Closes a descriptor (negative ones are ignored).
void StreamFileClose(int fd);

// Deletes the file at `path` (DeleteFile); true when it was deleted.
bool StreamFileDelete(const std::string& path);

// Renames `from` to `to`, replacing `to` (ReplaceByRename); true on success.
bool StreamFileMove(const std::string& from, const std::string& to);

// True when the file `path` and the folder that holds (or is to hold) `target`
// lie on one file system, so that a rename can move the one to the other.
bool StreamFileSameFileSystem(const std::string& path, const std::string& target);

// True when something, a broken link included, exists at `path` (PathPresent).
bool StreamFileExists(const std::string& path);

// The error code of the last failed call of this thread.
int StreamFileLastError();

// The system's text for an error code.
std::string StreamFileErrorText(int code);

// True when `code` means the disk (or quota) is full.
bool StreamFileIsDiskFull(int code);

// The system's temporary folder ($TMPDIR, else /tmp), without a trailing slash.
std::string SystemTempFolder();

} // namespace sorvane
