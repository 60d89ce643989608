// Folder listing, the existence tests, the current folder and the program's
// own folder. Every listing of a folder goes through ListDirectory, but the
// cataloguing walk's, which reads each entry's facts too (FileScan.h).
#pragma once

#include <string>
#include <vector>

namespace sorvane {

struct DirectoryEntry {
    std::string name;
    bool isDirectory = false; // a real folder; a symbolic link to a folder is not one
};

// How a folder is listed.
struct ListingOptions {
    bool sortByName = false; // by the bytes of the names, else in the file system's order
    bool firstOnly = false;  // stop at the first entry (a test for an empty folder)
};

// The entries of `folder` ("" is the current folder), without "." and "..".
// False, with the system's reason in `error`, when the folder cannot be opened
// or read; `entries` then holds what was read before, unsorted.
bool ListDirectory(const std::string& folder, std::vector<DirectoryEntry>& entries,
                   std::string& error, ListingOptions options = {});
// The same of the folder open on the descriptor `folderFd`, which stays open.
bool ListDirectory(int folderFd, std::vector<DirectoryEntry>& entries, std::string& error,
                   ListingOptions options = {});
// The same without the reason: a folder that cannot be listed gives what was
// read of it, nothing when it could not be opened.
std::vector<DirectoryEntry> ListDirectory(const std::string& folder, ListingOptions options = {});

// A regular file is at `path` (a link followed).
bool FileExists(const std::string& path);
// A folder is at `path` (a link followed).
bool IsDirectory(const std::string& path);
// Anything, a broken symbolic link included, is at `path` (a link not followed).
bool PathPresent(const std::string& path);

// The current working folder, without a trailing "/".
std::string CurrentDirectory();

// The folder of the running executable, without a trailing "/".
std::string ExecutableFolder();

} // namespace sorvane
