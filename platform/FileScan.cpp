// Folder listings over readdir and statx.
#include "platform/FileScan.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace sorvane {
namespace {

// Everything the walk stores, and nothing that costs the file system extra work.
constexpr unsigned kStatxMask = STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_MTIME | STATX_BTIME;

bool HasAttribute(const struct statx& info, std::uint64_t flag) {
    return (info.stx_attributes_mask & flag) != 0 && (info.stx_attributes & flag) != 0;
}

EntryKind KindOfMode(unsigned mode) {
    if (S_ISREG(mode)) return EntryKind::Regular;
    if (S_ISDIR(mode)) return EntryKind::Directory;
    if (S_ISLNK(mode)) return EntryKind::SymbolicLink;
    return EntryKind::Other;
}

// The listing's own idea of an entry's kind, for an entry statx could not read.
EntryKind KindOfDirentType(unsigned char type) {
    switch (type) {
    case DT_REG:
        return EntryKind::Regular;
    case DT_DIR:
        return EntryKind::Directory;
    case DT_LNK:
        return EntryKind::SymbolicLink;
    default:
        return EntryKind::Other;
    }
}

// `folderDevice` is the device of the entry's folder, or 0 to skip that test.
EntryFacts FactsOf(const struct statx& info, std::string_view name, dev_t folderDevice) {
    EntryFacts facts;
    facts.kind = KindOfMode(info.stx_mode);
    facts.size = info.stx_size;
    facts.modified = info.stx_mtime.tv_sec;
    facts.created = (info.stx_mask & STATX_BTIME) != 0 ? info.stx_btime.tv_sec : facts.modified;
    const dev_t device = makedev(info.stx_dev_major, info.stx_dev_minor);
    facts.mountPoint =
        HasAttribute(info, STATX_ATTR_MOUNT_ROOT) || (folderDevice != 0 && device != folderDevice);

    std::uint32_t attributes = 0;
    if ((info.stx_mode & S_IWUSR) == 0) attributes |= kEntryReadOnly;
    if (!name.empty() && name.front() == '.') attributes |= kEntryHidden;
    switch (facts.kind) {
    case EntryKind::Regular:
        attributes |= kEntryArchive;
        break;
    case EntryKind::Directory:
        attributes |= kEntryDirectory;
        break;
    default:
        attributes |= kEntrySystem;
        break;
    }
    if (HasAttribute(info, STATX_ATTR_COMPRESSED)) attributes |= kEntryCompressed;
    facts.attributes = attributes;
    return facts;
}

std::string_view LastComponent(std::string_view path) {
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

} // namespace

bool ReadEntryFacts(const std::string& path, EntryFacts& facts, std::string& error) {
    struct statx info {};
    if (::statx(AT_FDCWD, path.c_str(), AT_NO_AUTOMOUNT, kStatxMask, &info) != 0) {
        error = SystemErrorText(errno);
        return false;
    }
    facts = FactsOf(info, LastComponent(path), 0);
    facts.mountPoint = false; // the entry chosen is where a walk starts, not where it stops
    return true;
}

std::string SystemErrorText(int error) {
    return std::strerror(error);
}

bool FolderListing::Read(const std::string& folder, std::string& error) {
    names_.clear();
    items_.clear();

    int fd;
    do {
        fd = ::open(folder.empty() ? "." : folder.c_str(),
                    O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        error = SystemErrorText(errno);
        return false;
    }
    struct stat self {};
    if (::fstat(fd, &self) != 0) {
        error = SystemErrorText(errno);
        ::close(fd);
        return false;
    }
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        error = SystemErrorText(errno);
        ::close(fd);
        return false;
    }

    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (entry == nullptr) {
            if (errno != 0) {
                error = SystemErrorText(errno);
                ::closedir(dir);
                names_.clear();
                items_.clear();
                return false;
            }
            break;
        }
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
        const std::size_t length = std::strlen(name);

        Item item{names_.size(), static_cast<std::uint32_t>(length), 0, {}};
        names_.append(name, length);
        struct statx info {};
        // The entry itself, never what a link points to, and no automount triggered.
        if (::statx(::dirfd(dir), name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, kStatxMask, &info) ==
            0) {
            item.facts = FactsOf(info, std::string_view(name, length), self.st_dev);
        } else {
            item.error = errno;
            item.facts.kind = KindOfDirentType(entry->d_type);
        }
        items_.push_back(item);
    }
    ::closedir(dir);

    // Names are unique within a folder, so byte order alone fixes the order.
    const char* base = names_.data();
    std::sort(items_.begin(), items_.end(), [base](const Item& a, const Item& b) {
        return std::string_view(base + a.nameOffset, a.nameLength) <
               std::string_view(base + b.nameOffset, b.nameLength);
    });
    return true;
}

FolderListing::Entry FolderListing::At(std::size_t i) const {
    const Item& item = items_.at(i);
    return Entry{std::string_view(names_.data() + item.nameOffset, item.nameLength), item.facts,
                 item.error};
}

} // namespace sorvane
