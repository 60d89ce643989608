// Creating and removing folders and files: a whole folder path at once, one new
// folder, the renames (one that never replaces, one that does), deleting one
// file, removing one empty folder, a unique temporary file in a chosen folder,
// and the size and times of a file already open. Every delete and rename of a
// file goes through these.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sorvane {

// Creates `path` and every missing folder above it (mkdir -p). True when the
// folder exists afterwards, whether it was made now or was there before; false
// for an empty path or when a part of it is a file or cannot be created.
bool CreateFolderPath(const std::string& path);
// The same, adding to `created` each folder made now, from the top down. A
// part that exists and is no folder fails with the reason ENOTDIR.
bool CreateFolderPath(const std::string& path, std::vector<std::string>& created);

// Creates the one folder `path`, whose parent must exist. False when anything
// of that name exists already (a folder included) or the folder cannot be made.
bool CreateFolder(const std::string& path);

// Renames the file or folder `from` to `to` without ever replacing: false when
// `to` exists (an empty folder included, which a plain rename would replace)
// or the rename fails.
bool RenameNoReplace(const std::string& from, const std::string& to);

// Deletes the file `path` (unlink); a folder is refused. False when nothing was
// deleted; `reason` then gets the system's reason when given (it is in errno too).
bool DeleteFile(const std::string& path, std::string* reason = nullptr);

// Removes the folder `path` only when it holds nothing (rmdir, never its
// contents). False when it was not removed; `reason` then gets the system's
// reason when given.
bool RemoveEmptyFolder(const std::string& path, std::string* reason = nullptr);

// Creates a new, empty file "<dir>/<prefix>XXXXXX" with a unique name (mkstemp)
// and gives its path; "" when it cannot be created. An empty `dir` is the
// current folder. A prefix holding "/" is refused, so the file always lands in
// `dir` itself.
std::string CreateTempFileIn(const std::string& dir, const std::string& prefix);
// Creates a new, empty file "<dir>/<prefix>XXXXXX" with a unique name as
// CreateTempFileIn does, but with the permissions any new file gets (0666
// less the umask), and keeps it open: gives its descriptor and its path in
// `path`, or -1 with the system's reason in `reason`. Never follows a link.
// When `path` comes in holding a name of that form in `dir` (one the caller
// made before and has since removed or renamed away), that name is tried
// first, which is quicker to create than a new one.
int CreateNewFileIn(const std::string& dir, const std::string& prefix, std::string& path,
                    std::string& reason);
// Renames `from` onto `to`, replacing the directory entry `to` holds (a hard
// link there keeps its other names); false on failure, the reason in errno.
// A regular file at `to` is swapped with `from` (RENAME_EXCHANGE) and then
// unlinked under `from`: ext4 starts writing a file renamed over another out
// at once, which a swap does not ask for.
bool ReplaceByRename(const std::string& from, const std::string& to);
// The same, with the system's reason in `reason`.
bool ReplaceByRename(const std::string& from, const std::string& to, std::string& reason);
// Opens a new file in the folder `dir` ('' is the current folder) that has
// no name yet (O_TMPFILE), with the permissions any new file gets; it
// vanishes with its last descriptor unless NameUnnamedFile names it. -1 with
// errno when it cannot be made; EOPNOTSUPP, EISDIR or EINVAL when the file
// system has no unnamed files.
int OpenUnnamedFileIn(const std::string& dir);
// Gives the unnamed file open on `fd` the name `target` (linkat). When
// something holds that name already, the file is linked under a unique
// "<folder of target>/<prefix>XXXXXX" instead and renamed onto `target`,
// replacing the directory entry as ReplaceByRename does. False with the
// system's reason in `reason`; `target` is then as it was.
bool NameUnnamedFile(int fd, const std::string& target, const std::string& prefix,
                     std::string& reason);
// The call OpenUnnamedFileIn makes, which tests replace to take the path of
// a file system without unnamed files.
struct UnnamedFileCalls {
    int (*open)(const char* dir, int flags, unsigned mode);
};
UnnamedFileCalls& UnnamedFileSystemCalls();
// Creates a new folder "<dir>/<prefix>XXXXXX" that only its owner can enter
// (mkdtemp) and gives its path, without a trailing "/"; "" when it cannot be
// created. A prefix holding "/" is refused.
std::string CreateTempFolderIn(const std::string& dir, const std::string& prefix);

// What the system says of an open file; times in seconds since the Unix epoch.
struct OpenFileFacts {
    std::int64_t size = 0;
    std::int64_t created = 0; // the birth time where the file system keeps one, else `modified`
    std::int64_t modified = 0;
    std::int64_t accessed = 0;
};

// The facts of the file open on descriptor `fd`; false when they cannot be read.
bool ReadOpenFileFacts(int fd, OpenFileFacts& facts);

} // namespace sorvane
