// Drive letters over mountinfo, /dev/disk and sysfs.
#include "platform/Drives.h"

#include "platform/Directory.h"
#include "platform/Files.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <iterator>
#include <map>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace sorvane {
namespace {

// File systems of the kernel and of desktop plumbing: no files of a user.
constexpr std::string_view kPseudoFileSystems[] = {
    "autofs", "binfmt_misc",     "bpf",         "cgroup",     "cgroup2",   "configfs", "debugfs",
    "devpts", "devtmpfs",        "efivarfs",    "fusectl",    "hugetlbfs", "mqueue",   "nsfs",
    "proc",   "pstore",          "rpc_pipefs",  "securityfs", "selinuxfs", "sysfs",    "tracefs",
    "nfsd",   "fuse.gvfsd-fuse", "fuse.portal", "fuse.lxcfs",
};

constexpr std::string_view kRemoteFileSystems[] = {
    "nfs",   "nfs4", "cifs",  "smb3",        "smbfs",       "sshfs",          "fuse.sshfs",
    "9p",    "afs",  "ceph",  "fuse.ceph",   "glusterfs",   "fuse.glusterfs", "lustre",
    "ncpfs", "coda", "davfs", "fuse.davfs2", "fuse.rclone", "fuse.s3fs",      "fuse.curlftpfs",
};

constexpr std::string_view kCdFileSystems[] = {"iso9660", "udf"};
constexpr std::string_view kRamFileSystems[] = {"tmpfs", "ramfs"};

// File systems that compare names without case, as Windows does.
constexpr std::string_view kCaseBlindFileSystems[] = {
    "vfat", "exfat", "ntfs", "ntfs3", "fuseblk", "cifs", "smb3", "smbfs",
};

// Folders of the kernel's own file systems: no drive lives at or below them.
constexpr std::string_view kSystemFolders[] = {"/proc", "/sys", "/dev"};

// Labels and the udev links live in these folders of /dev/disk.
constexpr std::string_view kByLabel = "/by-label";
constexpr std::string_view kByUuid = "/by-uuid";

template <std::size_t N> bool OneOf(const std::string_view (&set)[N], std::string_view value) {
    return std::find(std::begin(set), std::end(set), value) != std::end(set);
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool AllHex(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return HexValue(c) >= 0; });
}

std::uint32_t ParseHex32(std::string_view eightDigits) {
    std::uint32_t value = 0;
    for (char c : eightDigits)
        value = value << 4 | static_cast<std::uint32_t>(HexValue(c));
    return value;
}

bool ParseUnsigned(std::string_view s, unsigned& out) {
    if (s.empty() || s.size() > 9) return false;
    unsigned value = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    out = value;
    return true;
}

std::vector<std::string_view> SplitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t pos = 0;
    while (pos < line.size()) {
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t'))
            ++pos;
        if (pos == line.size()) break;
        std::size_t end = pos;
        while (end < line.size() && line[end] != ' ' && line[end] != '\t')
            ++end;
        fields.push_back(line.substr(pos, end - pos));
        pos = end;
    }
    return fields;
}

std::optional<MountEntry> ParseMountLine(std::string_view line) {
    // ID PARENT MAJOR:MINOR ROOT MOUNT-POINT OPTIONS [OPTIONAL...] - TYPE SOURCE SUPER-OPTIONS
    constexpr std::size_t kFixedFields = 6;
    const std::vector<std::string_view> fields = SplitFields(line);
    std::size_t separator = kFixedFields;
    while (separator < fields.size() && fields[separator] != "-")
        ++separator;
    if (separator + 2 >= fields.size()) return std::nullopt;

    MountEntry entry;
    const std::string_view device = fields[2];
    const std::size_t colon = device.find(':');
    if (colon == std::string_view::npos || !ParseUnsigned(device.substr(0, colon), entry.major) ||
        !ParseUnsigned(device.substr(colon + 1), entry.minor))
        return std::nullopt;
    entry.root = DecodeOctalEscapes(fields[3]);
    entry.mountPoint = DecodeOctalEscapes(fields[4]);
    entry.options = std::string(fields[5]);
    entry.fileSystem = DecodeOctalEscapes(fields[separator + 1]);
    entry.source = DecodeOctalEscapes(fields[separator + 2]);
    if (entry.mountPoint.empty() || entry.mountPoint[0] != '/') return std::nullopt;
    return entry;
}

// True when `path` is `folder` or lies below it.
bool IsAtOrBelow(std::string_view path, std::string_view folder) {
    if (folder == "/") return !path.empty() && path[0] == '/';
    return path.starts_with(folder) && (path.size() == folder.size() || path[folder.size()] == '/');
}

bool HasOption(std::string_view options, std::string_view option) {
    std::size_t pos = 0;
    while (pos <= options.size()) {
        std::size_t end = options.find(',', pos);
        if (end == std::string_view::npos) end = options.size();
        if (options.substr(pos, end - pos) == option) return true;
        pos = end + 1;
    }
    return false;
}

std::string BaseName(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::optional<std::string> ReadLink(const std::string& path) {
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink(path.c_str(), buffer, sizeof buffer);
    if (length < 0) return std::nullopt;
    return std::string(buffer, static_cast<std::size_t>(length));
}

std::optional<std::string> RealPath(const std::string& path) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr) return std::nullopt;
    std::string result(resolved);
    std::free(resolved);
    return result;
}

// The names in a folder, sorted, without "." and ".."; empty when it cannot be listed.
std::vector<std::string> ListFolder(const std::string& folder) {
    std::vector<std::string> names;
    for (DirectoryEntry& entry : ListDirectory(folder, {.sortByName = true}))
        names.push_back(std::move(entry.name));
    return names;
}

std::string ReadFirstLine(const std::string& path) {
    try {
        std::string content = ReadKernelFile(path);
        const std::size_t end = content.find_first_of("\r\n");
        if (end != std::string::npos) content.resize(end);
        return content;
    } catch (const EInOutError&) {
        return {};
    }
}

// Knows the system behind the roots: devices, sysfs, the file system.
class SystemView {
public:
    explicit SystemView(const DriveRoots& roots) : roots_(roots) {}

    // Kernel name of the block device a mount comes from ("sdb1"); empty when
    // it comes from none (tmpfs, nfs, overlay).
    std::string DeviceName(const MountEntry& mount) const {
        if (mount.source.starts_with("/dev/")) {
            // /dev/mapper/x and /dev/disk/... are links to the kernel's node.
            const auto resolved = RealPath(roots_.fileSystem + mount.source);
            std::string name = BaseName(resolved ? *resolved : mount.source);
            if (name != "root") return name; // "/dev/root" names no real node
        }
        if (mount.major != 0) {
            const auto link = ReadLink(roots_.sys + "/dev/block/" + std::to_string(mount.major) +
                                       ":" + std::to_string(mount.minor));
            if (link) return BaseName(*link);
        }
        return {};
    }

    // The sysfs folder of the disk that holds a device or partition; empty when unknown.
    std::string DiskFolder(const std::string& device) const {
        if (device.empty()) return {};
        const std::string block = roots_.sys + "/block/";
        if (IsDirectory(block + device)) return block + device;
        for (const std::string& disk : ListFolder(block))
            if (IsDirectory(block + disk + "/" + device)) return block + disk;
        return {};
    }

    // sysfs says the disk is removable, or it hangs on a USB bus.
    bool IsRemovable(const std::string& device) const {
        const std::string disk = DiskFolder(device);
        if (disk.empty()) return false;
        if (ReadFirstLine(disk + "/removable") == "1") return true;
        const auto resolved = RealPath(disk);
        const auto sys = RealPath(roots_.sys);
        if (!resolved || !sys || !resolved->starts_with(*sys)) return false;
        // A USB bus shows in the device path as a folder "usb1", "usb2"...
        const std::string below = resolved->substr(sys->size());
        for (std::size_t at = below.find("/usb"); at != std::string::npos;
             at = below.find("/usb", at + 1))
            if (at + 4 < below.size() && below[at + 4] >= '0' && below[at + 4] <= '9') return true;
        return false;
    }

    int TypeOf(const MountEntry& mount, const std::string& device) const {
        if (OneOf(kRamFileSystems, mount.fileSystem) || device.starts_with("zram") ||
            (device.starts_with("ram") && device.size() > 3))
            return kDriveRamDisk;
        if (OneOf(kRemoteFileSystems, mount.fileSystem)) return kDriveRemote;
        if (OneOf(kCdFileSystems, mount.fileSystem) ||
            (device.starts_with("sr") && device.size() > 2 && device[2] >= '0' && device[2] <= '9'))
            return kDriveCdRom;
        if (IsRemovable(device)) return kDriveRemovable;
        return kDriveFixed;
    }

    // Mounted over a file (containers bind /etc/hosts and the like).
    bool IsMountOverFile(const std::string& mountPoint) const {
        struct stat info {};
        return ::stat((roots_.fileSystem + mountPoint).c_str(), &info) == 0 &&
               !S_ISDIR(info.st_mode);
    }

    // The decoded name of the link in /dev/disk/<folder> that points at the device.
    std::string DiskLinkName(std::string_view folder, const std::string& device) const {
        if (device.empty()) return {};
        const std::string dir = roots_.devDisk + std::string(folder);
        for (const std::string& name : ListFolder(dir)) {
            const auto target = ReadLink(dir + "/" + name);
            if (target && BaseName(*target) == device) return DecodeHexEscapes(name);
        }
        return {};
    }

private:
    const DriveRoots& roots_;
};

// A real mount with what its device says.
struct Candidate {
    MountEntry mount;
    std::string device;
    int type;
};

std::uint32_t FlagsOf(const MountEntry& mount) {
    std::uint32_t flags = 0;
    if (mount.fileSystem != "msdos") flags |= kFsCasePreservedNames | kFsUnicodeOnDisk;
    if (!OneOf(kCaseBlindFileSystems, mount.fileSystem) && mount.fileSystem != "msdos")
        flags |= kFsCaseSensitiveSearch;
    if (HasOption(mount.options, "ro")) flags |= kFsReadOnlyVolume;
    return flags;
}

} // namespace

DriveRoots LiveDriveRoots() {
    DriveRoots roots;
    if (const char* pins = std::getenv("SORVANE_DRIVES")) roots.pins = pins;
    return roots;
}

std::string DecodeOctalEscapes(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size()) {
            const char a = text[i + 1], b = text[i + 2], c = text[i + 3];
            if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && c >= '0' && c <= '7') {
                out.push_back(static_cast<char>((a - '0') << 6 | (b - '0') << 3 | (c - '0')));
                i += 3;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

std::string DecodeHexEscapes(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x') {
            const int high = HexValue(text[i + 2]), low = HexValue(text[i + 3]);
            if (high >= 0 && low >= 0) {
                out.push_back(static_cast<char>(high << 4 | low));
                i += 3;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

std::vector<MountEntry> ParseMountInfo(std::string_view text) {
    std::vector<MountEntry> entries;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        if (auto entry = ParseMountLine(text.substr(pos, end - pos))) entries.push_back(*entry);
        pos = end + 1;
    }
    return entries;
}

bool IsPseudoFileSystem(std::string_view type) {
    return OneOf(kPseudoFileSystems, type);
}

std::uint32_t SerialFromUuid(std::string_view uuid) {
    constexpr std::size_t kNtfsDigits = 16;
    constexpr std::size_t kSerialDigits = 8;
    if (uuid.size() == kNtfsDigits && AllHex(uuid))
        return ParseHex32(uuid.substr(kNtfsDigits - kSerialDigits));
    std::string digits;
    for (char c : uuid) {
        if (c == '-') continue;
        digits.push_back(c);
        if (digits.size() == kSerialDigits) break;
    }
    if (digits.size() < kSerialDigits || !AllHex(digits)) return 0;
    return ParseHex32(digits);
}

std::string NormalizeFolder(std::string_view folder) {
    std::vector<std::string_view> parts;
    std::size_t pos = 0;
    while (pos <= folder.size()) {
        std::size_t end = folder.find('/', pos);
        if (end == std::string_view::npos) end = folder.size();
        const std::string_view part = folder.substr(pos, end - pos);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        pos = end + 1;
    }
    std::string out;
    for (std::string_view part : parts) {
        out.push_back('/');
        out.append(part);
    }
    return out.empty() ? std::string("/") : out;
}

std::vector<DrivePin> ParseDrivePins(std::string_view text) {
    std::vector<DrivePin> pins;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t end = text.find(';', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view entry = text.substr(pos, end - pos);
        pos = end + 1;
        while (!entry.empty() && entry.front() == ' ')
            entry.remove_prefix(1);
        while (!entry.empty() && entry.back() == ' ')
            entry.remove_suffix(1);
        if (entry.size() < 3 || entry[1] != '=' || entry[2] != '/') continue;
        char letter = entry[0];
        if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
        if (letter < 'A' || letter > 'Z') continue;
        const bool taken = std::any_of(pins.begin(), pins.end(),
                                       [letter](const DrivePin& p) { return p.letter == letter; });
        if (!taken) pins.push_back({letter, NormalizeFolder(entry.substr(2))});
    }
    return pins;
}

DriveMap DriveMap::Read(const DriveRoots& roots) {
    DriveMap map;
    map.roots_ = roots;
    const SystemView system(map.roots_);

    std::vector<MountEntry> mounts;
    try {
        mounts = ParseMountInfo(ReadKernelFile(roots.mountInfo));
    } catch (const EInOutError&) {
    }

    // A later mount on the same point hides the earlier one.
    std::map<std::string, MountEntry> visible;
    for (MountEntry& mount : mounts)
        visible[mount.mountPoint] = std::move(mount);

    // The real mounts, "/" first, then in byte order of mount points (the map's order).
    std::vector<Candidate> real;
    for (auto& entry : visible) {
        const std::string& point = entry.first;
        MountEntry& mount = entry.second;
        if (point != "/") {
            if (IsPseudoFileSystem(mount.fileSystem)) continue;
            if (std::any_of(std::begin(kSystemFolders), std::end(kSystemFolders),
                            [&where = point](std::string_view f) { return IsAtOrBelow(where, f); }))
                continue;
            if (system.IsMountOverFile(point)) continue;
        }
        std::string device = system.DeviceName(mount);
        const int type = system.TypeOf(mount, device);
        real.push_back({std::move(mount), std::move(device), type});
    }

    const std::vector<DrivePin> pins = ParseDrivePins(roots.pins);
    auto isPinnedLetter = [&](char letter) {
        return std::any_of(pins.begin(), pins.end(),
                           [letter](const DrivePin& p) { return p.letter == letter; });
    };
    auto isPinnedFolder = [&](const std::string& folder) {
        return std::any_of(pins.begin(), pins.end(),
                           [&folder](const DrivePin& p) { return p.folder == folder; });
    };

    for (const DrivePin& pin : pins) {
        Drive drive;
        drive.letter = pin.letter;
        drive.folder = pin.folder;
        drive.pinned = true;
        drive.type = kDriveFixed;
        const Candidate* holder = nullptr;
        for (const Candidate& c : real)
            if (IsAtOrBelow(pin.folder, c.mount.mountPoint) &&
                (holder == nullptr || c.mount.mountPoint.size() > holder->mount.mountPoint.size()))
                holder = &c;
        if (holder != nullptr) {
            drive.mount = holder->mount;
            drive.device = holder->device;
            drive.type = holder->type;
        }
        map.drives_.push_back(std::move(drive));
    }

    // Automatic letters: "C" for the root, "D" on for the rest, past pinned letters.
    char next = 'C';
    for (Candidate& c : real) {
        if (c.mount.mountPoint != "/" && next < 'D') next = 'D';
        if (isPinnedFolder(c.mount.mountPoint)) continue;
        while (next <= 'Z' && isPinnedLetter(next))
            ++next;
        if (next > 'Z') break;
        Drive drive;
        drive.letter = next++;
        drive.folder = c.mount.mountPoint;
        drive.mount = c.mount;
        drive.device = c.device;
        drive.type = c.type;
        map.drives_.push_back(std::move(drive));
    }

    std::sort(map.drives_.begin(), map.drives_.end(),
              [](const Drive& a, const Drive& b) { return a.letter < b.letter; });
    return map;
}

const Drive* DriveMap::Find(char letter) const {
    for (const Drive& drive : drives_)
        if (drive.letter == letter) return &drive;
    return nullptr;
}

int DriveMap::TypeOf(char letter) const {
    const Drive* drive = Find(letter);
    return drive != nullptr ? drive->type : kDriveNoRootDir;
}

std::string DriveMap::FolderOf(char letter) const {
    const Drive* drive = Find(letter);
    return drive != nullptr ? drive->folder : std::string();
}

char DriveMap::LetterOf(std::string_view path) const {
    if (path.empty() || path[0] != '/') return ' ';
    const std::string normal = NormalizeFolder(path);
    const Drive* best = nullptr;
    for (const Drive& drive : drives_)
        if (IsAtOrBelow(normal, drive.folder) &&
            (best == nullptr || drive.folder.size() > best->folder.size()))
            best = &drive;
    return best != nullptr ? best->letter : ' ';
}

std::optional<VolumeInfo> DriveMap::Volume(char letter) const {
    const Drive* drive = Find(letter);
    if (drive == nullptr) return std::nullopt;
    const SystemView system(roots_);
    VolumeInfo info;
    info.label = system.DiskLinkName(kByLabel, drive->device);
    info.uuid = system.DiskLinkName(kByUuid, drive->device);
    info.serial = SerialFromUuid(info.uuid);
    info.fileSystemName = drive->mount.fileSystem;
    info.fileSystemFlags = FlagsOf(drive->mount);
    return info;
}

DiskSpace DriveMap::Space(char letter) const {
    const Drive* drive = Find(letter);
    if (drive == nullptr) return {};
    struct statvfs info {};
    if (::statvfs((roots_.fileSystem + drive->folder).c_str(), &info) != 0) return {};
    const auto unit = static_cast<std::int64_t>(info.f_frsize != 0 ? info.f_frsize : info.f_bsize);
    return {static_cast<std::int64_t>(info.f_blocks) * unit,
            static_cast<std::int64_t>(info.f_bavail) * unit};
}

std::string DriveFolder(char letter) {
    return DriveMap::Read(LiveDriveRoots()).FolderOf(letter);
}

char DriveLetterOf(std::string_view path) {
    return DriveMap::Read(LiveDriveRoots()).LetterOf(path);
}

} // namespace sorvane
