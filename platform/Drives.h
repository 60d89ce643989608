// Drive letters on Linux: the mounted volumes of /proc/self/mountinfo given
// letters, with their type, label, serial, file system and space, standing in
// for the drive services of Windows (GetDriveTypeA, GetVolumeInformationA,
// GetDiskFreeSpaceExA).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sorvane {

// Drive types, numbered as GetDriveTypeA numbers them.
enum DriveType : int {
    kDriveUnknown = 0,
    kDriveNoRootDir = 1, // a letter with no drive
    kDriveRemovable = 2,
    kDriveFixed = 3,
    kDriveRemote = 4,
    kDriveCdRom = 5,
    kDriveRamDisk = 6,
};

// File-system flags as GetVolumeInformationA reports them.
enum FileSystemFlag : std::uint32_t {
    kFsCaseSensitiveSearch = 0x1,
    kFsCasePreservedNames = 0x2,
    kFsUnicodeOnDisk = 0x4,
    kFsReadOnlyVolume = 0x80000,
};

// Where the drive services read the system. The defaults are the live files;
// tests point them at fixtures.
struct DriveRoots {
    std::string mountInfo = "/proc/self/mountinfo";
    std::string devDisk = "/dev/disk";
    std::string sys = "/sys";
    // Put in front of mount points, pinned folders and device paths before the
    // file system itself is asked (statvfs, realpath, stat); empty on the live machine.
    std::string fileSystem;
    // Letter pins in the form of SORVANE_DRIVES: "X=/some/folder;Y=/other".
    std::string pins;
};

// The live roots, with the pins of the SORVANE_DRIVES environment variable.
DriveRoots LiveDriveRoots();

// One line of mountinfo, escapes decoded.
struct MountEntry {
    unsigned major = 0;     // device number of the file system ("8:17"); 0:N for
    unsigned minor = 0;     // the anonymous devices of tmpfs, btrfs, nfs...
    std::string root;       // folder of the file system seen at the mount point
    std::string mountPoint; // "/media/ana/USB STICK"
    std::string options;    // per-mount options: "rw,relatime"
    std::string fileSystem; // "ext4", "vfat", "fuse.sshfs"
    std::string source;     // "/dev/sdb1", "nas:/export", "tmpfs"
};

// The entries of a mountinfo text, in its order; lines without the fields
// mountinfo always has are left out.
std::vector<MountEntry> ParseMountInfo(std::string_view text);

// "\040" and the other octal escapes of mountinfo decoded.
std::string DecodeOctalEscapes(std::string_view text);

// "\x20" and the other hexadecimal escapes of udev's /dev/disk link names decoded.
std::string DecodeHexEscapes(std::string_view text);

// True for file systems that hold no files of a user: proc, sysfs, cgroup,
// devpts, devtmpfs and the like.
bool IsPseudoFileSystem(std::string_view type);

// The 32-bit volume serial a UUID of /dev/disk/by-uuid holds: for 16 hex
// digits (NTFS) the low 32 bits, as Windows reports them; otherwise the first
// 8 hex digits, dashes skipped, which is the whole serial of a FAT or exFAT
// "ABCD-1234"; 0 when the UUID does not begin with 8 hex digits.
std::uint32_t SerialFromUuid(std::string_view uuid);

// One pin of SORVANE_DRIVES.
struct DrivePin {
    char letter;        // "A" to "Z"
    std::string folder; // absolute and normalised
};

// The pins of a SORVANE_DRIVES text. Entries are separated by ";"; an entry is
// a letter (either case), "=" and an absolute folder. Malformed entries are
// left out; when a letter is pinned twice the first pin holds.
std::vector<DrivePin> ParseDrivePins(std::string_view text);

// The folder with "." and ".." resolved, repeated and trailing "/" removed
// ("/" stays "/"). Purely textual: links are not followed.
std::string NormalizeFolder(std::string_view folder);

// A lettered drive.
struct Drive {
    char letter = ' ';
    std::string folder;  // the folder that stands for the drive's root "X:\"
    bool pinned = false; // its letter comes from SORVANE_DRIVES
    MountEntry mount;    // the mount that holds the folder
    int type = kDriveNoRootDir;
    std::string device; // kernel name of the block device ("sdb1"); empty when none
};

// What GetVolumeInformationA gives for a drive.
struct VolumeInfo {
    std::string label; // from /dev/disk/by-label; empty when none
    std::string uuid;  // from /dev/disk/by-uuid; empty when none
    std::uint32_t serial = 0;
    std::string fileSystemName; // the mountinfo type: "ext4", "vfat"
    std::uint32_t fileSystemFlags = 0;
};

// Total size and bytes free to the user; -1 each when the folder cannot be read.
struct DiskSpace {
    std::int64_t totalBytes = -1;
    std::int64_t freeBytes = -1;
};

// The drive letters at one moment. Letters: "C" for the root file system "/",
// then every other real mount from "D" on, in byte order of mount points,
// skipping pinned letters; mounts beyond "Z" get none. A pinned folder takes
// its letter, and a mount whose mount point is pinned gets no other. Pseudo
// file systems, everything at or below /proc, /sys and /dev, mounts over a
// file rather than a folder, and mounts hidden under a later mount on the same
// point have no letter; "/" always has one, whatever its file system.
class DriveMap {
public:
    // Reads mountinfo, the pins and sysfs under `roots`. An unreadable
    // mountinfo gives the pins alone, each typed as a fixed drive.
    static DriveMap Read(const DriveRoots& roots);

    // The lettered drives, in letter order.
    const std::vector<Drive>& Drives() const { return drives_; }

    // The drive of an upper-case letter; null when the letter has none.
    const Drive* Find(char letter) const;

    // The drive type of the letter; kDriveNoRootDir when it has no drive.
    int TypeOf(char letter) const;

    // The folder of the letter ("/media/ana/USB STICK"); empty when it has no drive.
    std::string FolderOf(char letter) const;

    // The letter whose folder holds `path` (an absolute Linux path): the longest
    // folder that is the path or one of its parents. " " when none does.
    char LetterOf(std::string_view path) const;

    // Label, serial and file system of the letter's volume (a pinned folder
    // reports the volume that holds it); nothing when the letter has no drive.
    std::optional<VolumeInfo> Volume(char letter) const;

    // statvfs of the letter's folder; -1 sizes when it has no drive or the
    // folder cannot be read.
    DiskSpace Space(char letter) const;

private:
    DriveRoots roots_;
    std::vector<Drive> drives_;
};

// The folder of a drive letter on the live machine; empty when it has none.
std::string DriveFolder(char letter);

// The letter of the live drive that holds `path`; " " when none does.
char DriveLetterOf(std::string_view path);

} // namespace sorvane
