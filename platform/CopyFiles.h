// Copying files from catalogued media to a folder: one regular file at a time
// with progress and a stop between blocks, and the free space of a destination
// that may not exist yet. A folder to copy is listed by ListDirectory.
#pragma once

#include "platform/Files.h"

#include <cstdint>
#include <functional>
#include <string>

namespace sorvane {

// What CopyRegularFile did with a file it could open.
struct CopyResult {
    std::uint64_t size = 0;   // the source's size when it was opened
    std::uint64_t copied = 0; // bytes written to the destination
    bool stopped = false;     // `onBlock` asked to stop; the partial file was removed
};

// A symbolic link where a folder of the destination is to be made or entered.
class ELinkInTheWay : public EInOutError {
public:
    using EInOutError::EInOutError;
};

// A folder of a copy's destination, held open. Every folder below the chosen
// destination is made and entered from its parent's descriptor (mkdirat, then
// openat with O_NOFOLLOW | O_DIRECTORY), so a symbolic link inside the
// destination is never followed, however it got there.
class TCopyFolder {
public:
    // The chosen destination itself (made beforehand), opened as a folder;
    // raises EInOutError with the system's reason when it cannot be.
    explicit TCopyFolder(const std::string& path);
    TCopyFolder(TCopyFolder&& other) noexcept;
    TCopyFolder& operator=(TCopyFolder&& other) noexcept;
    TCopyFolder(const TCopyFolder&) = delete;
    TCopyFolder& operator=(const TCopyFolder&) = delete;
    ~TCopyFolder();

    // The sub-folder `name`, made when missing. A symbolic link in its place
    // raises ELinkInTheWay; anything else that is no folder, or a folder that
    // cannot be made, raises EInOutError naming it.
    TCopyFolder Enter(const std::string& name) const;
    // True when anything, a broken link included, is named `name` in it.
    bool Holds(const std::string& name) const;

    int Descriptor() const { return fd_; }
    // Its path as entered, ending in "/", for messages.
    const std::string& Path() const { return path_; }

private:
    TCopyFolder(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}

    int fd_ = -1;
    std::string path_;
};

// Copies the regular file `source` into the new file `destination`.
// - A symbolic link is copied as the file it leads to, but only when that file
//   lies inside the folder `within` (no limit when `within` is empty).
// - A FIFO, socket, device or folder is refused without being opened for data
//   (a FIFO is never waited on).
// - The destination is created new: an existing name, or a symbolic link in
//   its place, is an error, so nothing is ever written through a link.
// - `onBlock` gets the bytes copied so far and the source's size after every
//   block; returning false stops the copy and removes the partial destination,
//   so no file that looks whole and is not is left under the real name.
// A read error, a failed or short write, or a failed close raises EInOutError
// with the file and the system's reason, after removing the partial
// destination; a source that cannot be opened or is no regular file raises it
// too, and no destination is made.
CopyResult
CopyRegularFile(const std::string& source, const std::string& destination,
                const std::string& within,
                const std::function<bool(std::uint64_t copied, std::uint64_t size)>& onBlock = {});
// The same, into the new file `name` of the open destination folder `folder`.
CopyResult
CopyRegularFile(const std::string& source, const TCopyFolder& folder, const std::string& name,
                const std::string& within,
                const std::function<bool(std::uint64_t copied, std::uint64_t size)>& onBlock = {});

// The bytes free to the user on the file system of `path`, measured on the
// nearest folder of the path that exists (the path itself may not be made
// yet); -1 for a path that is not absolute or whose file system cannot be read.
std::int64_t FreeBytesNear(const std::string& path);

// True when the folder `inner` is `outer` or lies below it, both taken as they
// are on disk (links resolved; a part of `inner` not made yet is taken as
// written). False when `outer` does not exist.
bool FolderInside(const std::string& inner, const std::string& outer);

} // namespace sorvane
