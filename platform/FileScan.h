// Folder listings for the cataloguing walk: every entry of one folder with what
// one statx call says of it (never following a symbolic link), read in a single
// pass and sorted by the bytes of the names. Stands in for FindFirstFile and
// its search records.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sorvane {

// Attribute bits of an entry, numbered as Windows numbers them (the numbering
// the catalogue's attribute codes read).
enum EntryAttribute : std::uint32_t {
    kEntryReadOnly = 0x0001, // no write permission for the owner
    kEntryHidden = 0x0002,   // the name starts with "."
    kEntrySystem = 0x0004,   // neither a regular file nor a directory
    kEntryDirectory = 0x0010,
    kEntryArchive = 0x0020,    // a regular file
    kEntryCompressed = 0x0800, // the file system's compressed flag
};

enum class EntryKind : std::uint8_t { Regular, Directory, SymbolicLink, Other };

struct EntryFacts {
    EntryKind kind = EntryKind::Other;
    // The root of another mount (its own file system, or a bind mount): the
    // kernel's mount-root flag, or a device other than its folder's.
    bool mountPoint = false;
    std::uint64_t size = 0;    // a symbolic link: the length of its target
    std::int64_t modified = 0; // seconds since the Unix epoch
    std::int64_t created = 0;  // birth time where the file system keeps one, else `modified`
    std::uint32_t attributes = 0;
};

// The facts of the folder or file at `path`, following a symbolic link (the
// entry a user chose by its path). False, with the system's reason in `error`,
// when it cannot be read.
bool ReadEntryFacts(const std::string& path, EntryFacts& facts, std::string& error);

// The system's text for an error number ("Permission denied").
std::string SystemErrorText(int error);

// The entries of one folder. A listing is meant to be reused: reading another
// folder keeps the memory of the last one, so a walk allocates little per entry.
class FolderListing {
public:
    struct Entry {
        std::string_view name; // the file system's bytes; valid until the next Read
        EntryFacts facts;
        // 0, or the error number of an entry whose facts could not be read; its
        // kind is then what the folder's listing said (Other when it said nothing).
        int error = 0;
    };

    // Lists `folder` (a native path), without "." and "..", sorted by the bytes
    // of the names. False, with the system's reason in `error` and no entries,
    // when the folder cannot be opened or read.
    bool Read(const std::string& folder, std::string& error);

    std::size_t Count() const { return items_.size(); }
    Entry At(std::size_t i) const;

private:
    struct Item {
        std::size_t nameOffset;
        std::uint32_t nameLength;
        int error;
        EntryFacts facts;
    };

    std::string names_;
    std::vector<Item> items_;
};

} // namespace sorvane
