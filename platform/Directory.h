// Folder listing, the current folder and the program's own folder.
#pragma once

#include <string>
#include <vector>

namespace sorvane {

struct DirectoryEntry {
    std::string name;
    bool isDirectory = false; // a real folder; a symbolic link to a folder is not one
};

// The entries of `folder` in the order the file system lists them, without "."
// and "..". A folder that cannot be listed gives no entries.
std::vector<DirectoryEntry> ListDirectory(const std::string& folder);

bool FileExists(const std::string& path);
bool IsDirectory(const std::string& path);

// The current working folder, without a trailing "/".
std::string CurrentDirectory();

// The folder of the running executable, without a trailing "/".
std::string ExecutableFolder();

} // namespace sorvane
