// The drive map of the platform layer over captured mountinfo, /dev/disk and sysfs.
#include "platform/Drives.h"

#include "tests/catalogue/scan/DriveFixture.h"

#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace sorvane {
namespace {

using testing::DriveFixture;

// "F 2 /media/ana/USB STICK": letter, drive type, folder, and "pinned" for a pin.
std::vector<std::string> Describe(const DriveMap& map) {
    std::vector<std::string> lines;
    for (const Drive& d : map.Drives())
        lines.push_back(std::string(1, d.letter) + " " + std::to_string(d.type) + " " + d.folder +
                        (d.pinned ? " pinned" : ""));
    return lines;
}

const std::vector<std::string> kDesktopDrives = {
    "C 3 /",
    "D 3 /boot/efi",
    "E 2 /media/ana/BACKUP (2019)",
    "F 2 /media/ana/USB STICK",
    "G 5 /media/ana/Ubuntu-Server 22.04.3 LTS amd64",
    "H 4 /mnt/nas",
    "I 3 /mnt/windows",
    "J 6 /run",
    "K 6 /run/user/1000",
    "L 6 /tmp",
};

std::vector<std::string> DesktopWith(std::vector<std::string> extra) {
    std::vector<std::string> all = kDesktopDrives;
    all.insert(all.end(), extra.begin(), extra.end());
    std::sort(all.begin(), all.end());
    return all;
}

struct LetterCase {
    const char* name;
    const char* fixture;
    const char* pins;
    std::vector<std::string> drives;
};

TEST(DriveMap, GivesLettersToRealMountsInMountPointOrder) {
    const std::vector<LetterCase> cases = {
        {"desktop", "desktop", "", kDesktopDrives},
        {"pin inside a mount takes that mount's type", "desktop", "X=/media/ana/USB STICK/photos",
         DesktopWith({"X 2 /media/ana/USB STICK/photos pinned"})},
        {"pinned letters and folders are skipped by the automatic ones",
         "desktop",
         "D=/media/ana/BACKUP (2019)/;c=/srv/test",
         {"C 3 /srv/test pinned", "D 2 /media/ana/BACKUP (2019) pinned", "E 3 /", "F 3 /boot/efi",
          "G 2 /media/ana/USB STICK", "H 5 /media/ana/Ubuntu-Server 22.04.3 LTS amd64",
          "I 4 /mnt/nas", "J 3 /mnt/windows", "K 6 /run", "L 6 /run/user/1000", "M 6 /tmp"}},
        {"a pinned root leaves C free and the other mounts still start at D",
         "desktop",
         "R=/;E=/media/ana",
         {"D 3 /boot/efi", "E 3 /media/ana pinned", "F 2 /media/ana/BACKUP (2019)",
          "G 2 /media/ana/USB STICK", "H 5 /media/ana/Ubuntu-Server 22.04.3 LTS amd64",
          "I 4 /mnt/nas", "J 3 /mnt/windows", "K 6 /run", "L 6 /run/user/1000", "M 6 /tmp",
          "R 3 / pinned"}},
        {"malformed pins are left out, the first pin of a letter holds", "desktop",
         "1=/x; Q=relative ;;R=/srv/r/../r2//;r=/other;Y = /spaced;AB=/two",
         DesktopWith({"R 3 /srv/r2 pinned"})},
        {"container: overlay root, file binds and /dev left out",
         "container",
         "",
         {"C 3 /", "D 3 /work"}},
        {"root from /dev/root", "raspberry-pi", "", {"C 3 /", "D 3 /boot/firmware"}},
    };
    for (const LetterCase& c : cases) {
        SCOPED_TRACE(c.name);
        DriveFixture fixture(c.fixture);
        EXPECT_EQ(Describe(DriveMap::Read(fixture.Roots(c.pins))), c.drives);
    }
}

TEST(DriveMap, WithoutMountInfoHasOnlyThePins) {
    DriveRoots roots;
    roots.mountInfo = "/nonexistent/mountinfo";
    roots.pins = "A=/floppy";
    EXPECT_EQ(Describe(DriveMap::Read(roots)), std::vector<std::string>{"A 3 /floppy pinned"});
}

TEST(DriveMap, LettersRunOutAtZ) {
    std::string mountInfo = "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n";
    for (int i = 0; i < 30; ++i) {
        char point[32];
        std::snprintf(point, sizeof point, "/mnt/m%02d", i);
        mountInfo += "2 1 0:" + std::to_string(40 + i) + " / " + point + " rw - tmpfs tmpfs rw\n";
    }
    DriveFixture fixture("container");
    fixture.WriteMountInfo(mountInfo);
    const DriveMap map = DriveMap::Read(fixture.Roots("Z=/mnt/m29"));
    ASSERT_EQ(map.Drives().size(), 24u); // C, D to Y, and the pinned Z
    EXPECT_EQ(map.FolderOf('C'), "/");
    EXPECT_EQ(map.FolderOf('D'), "/mnt/m00");
    EXPECT_EQ(map.FolderOf('Y'), "/mnt/m21");
    EXPECT_EQ(map.FolderOf('Z'), "/mnt/m29");
    EXPECT_EQ(map.LetterOf("/mnt/m22/a"), 'C'); // no letter of its own: seen through the root
}

TEST(DriveMap, MapsPathsToLettersByTheLongestFolder) {
    DriveFixture fixture("desktop");
    const DriveMap map = DriveMap::Read(fixture.Roots("X=/media/ana/USB STICK/photos"));
    const std::vector<std::pair<const char*, char>> cases = {
        {"/", 'C'},
        {"/home/ana/notes.txt", 'C'},
        {"/media/ana/USB STICK", 'F'},
        {"/media/ana/USB STICK/", 'F'},
        {"/media/ana/USB STICK/music/a.mp3", 'F'},
        {"/media/ana/USB STICKER/a", 'C'},
        {"/media/ana/USB STICK/photos/2019/a.jpg", 'X'},
        {"/media/ana/USB STICK/photos2", 'F'},
        {"/mnt/nas/../windows//x", 'I'},
        {"/run/user/1000/gvfs/share", 'K'},
        {"relative/path", ' '},
        {"", ' '},
    };
    for (const auto& [path, letter] : cases) {
        SCOPED_TRACE(path);
        EXPECT_EQ(map.LetterOf(path), letter);
    }
    EXPECT_EQ(map.FolderOf('F'), "/media/ana/USB STICK");
    EXPECT_EQ(map.FolderOf('X'), "/media/ana/USB STICK/photos");
    EXPECT_EQ(map.FolderOf('Z'), "");
    EXPECT_EQ(map.TypeOf('Z'), kDriveNoRootDir);
    EXPECT_EQ(map.Find('Z'), nullptr);
}

TEST(DriveMap, ReadsVolumesFromDevDisk) {
    struct VolumeCase {
        const char* fixture;
        char letter;
        const char* label;
        const char* uuid;
        std::uint32_t serial;
        const char* fileSystem;
        std::uint32_t flags;
    };
    constexpr std::uint32_t kNative =
        kFsCaseSensitiveSearch | kFsCasePreservedNames | kFsUnicodeOnDisk;
    constexpr std::uint32_t kCaseBlind = kFsCasePreservedNames | kFsUnicodeOnDisk;
    const std::vector<VolumeCase> cases = {
        {"desktop", 'C', "", "3f1c2b7a-9d4e-4b21-8a6f-0c5d7e9f1a2b", 0x3F1C2B7A, "ext4", kNative},
        {"desktop", 'D', "", "5E3A-91C0", 0x5E3A91C0, "vfat", kCaseBlind},
        {"desktop", 'E', "BACKUP (2019)", "c0ffee00-1234-4abc-9def-001122334455", 0xC0FFEE00,
         "ext4", kNative},
        {"desktop", 'F', "USB STICK", "1A2B-3C4D", 0x1A2B3C4D, "vfat", kCaseBlind},
        {"desktop", 'G', "Ubuntu-Server 22.04.3 LTS amd64", "2023-08-10-00-04-48-00", 0x20230810,
         "iso9660", kNative | kFsReadOnlyVolume},
        {"desktop", 'H', "", "", 0, "nfs4", kNative},
        {"desktop", 'I', "Windows", "5A2C6B8E2C6B6503", 0x2C6B6503, "ntfs3", kCaseBlind},
        {"desktop", 'L', "", "", 0, "tmpfs", kNative},
        {"container", 'C', "", "", 0, "overlay", kNative},
        {"raspberry-pi", 'C', "rootfs", "7c5f2a9e-0b3d-4e61-9f42-8d1a6c3e5b70", 0x7C5F2A9E, "ext4",
         kNative},
        {"raspberry-pi", 'D', "bootfs", "4A2D-11F3", 0x4A2D11F3, "vfat", kCaseBlind},
    };
    for (const VolumeCase& c : cases) {
        SCOPED_TRACE(std::string(c.fixture) + " " + c.letter);
        DriveFixture fixture(c.fixture);
        const auto volume = DriveMap::Read(fixture.Roots()).Volume(c.letter);
        ASSERT_TRUE(volume.has_value());
        EXPECT_EQ(volume->label, c.label);
        EXPECT_EQ(volume->uuid, c.uuid);
        EXPECT_EQ(volume->serial, c.serial);
        EXPECT_EQ(volume->fileSystemName, c.fileSystem);
        EXPECT_EQ(volume->fileSystemFlags, c.flags);
    }
}

TEST(DriveMap, PinnedFolderReportsTheVolumeThatHoldsItAndItsOwnSpace) {
    DriveFixture fixture("desktop");
    const DriveMap map =
        DriveMap::Read(fixture.Roots("X=/media/ana/USB STICK/photos;Y=/media/ana/USB STICK/none"));
    const auto volume = map.Volume('X');
    ASSERT_TRUE(volume.has_value());
    EXPECT_EQ(volume->label, "USB STICK");
    EXPECT_EQ(volume->serial, 0x1A2B3C4Du);
    EXPECT_GT(map.Space('X').totalBytes, 0);
    EXPECT_GE(map.Space('X').freeBytes, 0);
    EXPECT_EQ(map.Space('Y').totalBytes, -1); // the folder is not there
    EXPECT_EQ(map.Space('Q').totalBytes, -1); // no drive
    EXPECT_FALSE(map.Volume('Q').has_value());
}

TEST(SerialFromUuid, TakesTheSerialWindowsWouldReport) {
    const std::vector<std::pair<const char*, std::uint32_t>> cases = {
        {"1A2B-3C4D", 0x1A2B3C4D},                            // FAT
        {"a1b2-c3d4", 0xA1B2C3D4},                            // exFAT, lower case
        {"5A2C6B8E2C6B6503", 0x2C6B6503},                     // NTFS: low 32 bits
        {"3f1c2b7a-9d4e-4b21-8a6f-0c5d7e9f1a2b", 0x3F1C2B7A}, // ext4: first 32 bits
        {"2023-08-10-00-04-48-00", 0x20230810},               // iso9660 date
        {"5A2C6B8E2C6B650", 0x5A2C6B8E},                      // 15 digits: not NTFS
        {"1A2B-3C4", 0},
        {"G1A2-3C4D", 0},
        {"", 0},
    };
    for (const auto& [uuid, serial] : cases) {
        SCOPED_TRACE(uuid);
        EXPECT_EQ(SerialFromUuid(uuid), serial);
    }
}

TEST(MountInfo, ParsesFieldsAndDecodesEscapes) {
    struct LineCase {
        const char* line;
        bool parsed;
        unsigned major = 0;
        unsigned minor = 0;
        const char* root = "";
        const char* mountPoint = "";
        const char* fileSystem = "";
        const char* source = "";
    };
    const std::vector<LineCase> cases = {
        {"36 35 98:0 /mnt1 /mnt2 rw,noatime master:1 - ext3 /dev/root rw,errors=continue", true, 98,
         0, "/mnt1", "/mnt2", "ext3", "/dev/root"},
        {"28 1 259:2 / / rw,relatime - ext4 /dev/nvme0n1p2 rw", true, 259, 2, "/", "/", "ext4",
         "/dev/nvme0n1p2"},
        {"60 28 8:17 / /media/a\\040b\\011c\\134d rw shared:40 master:2 - vfat /dev/sdb1 rw", true,
         8, 17, "/", "/media/a b\tc\\d", "vfat", "/dev/sdb1"},
        {"70 28 0:50 / /mnt/x rw - fuse.sshfs ana@host:/home\\040x rw", true, 0, 50, "/", "/mnt/x",
         "fuse.sshfs", "ana@host:/home x"},
        {"36 35 98:0 /mnt1 /mnt2 rw,noatime master:1 ext3 /dev/root rw", false},
        {"36 35 98:0 /mnt1 /mnt2 rw - ext3", false},
        {"36 35 98 /mnt1 /mnt2 rw - ext3 /dev/root rw", false},
        {"36 35 a:0 /mnt1 /mnt2 rw - ext3 /dev/root rw", false},
        {"36 35 98:0 /mnt1 mnt2 rw - ext3 /dev/root rw", false},
        {"", false},
    };
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.line);
        const auto entries = ParseMountInfo(c.line);
        ASSERT_EQ(entries.size(), c.parsed ? 1u : 0u);
        if (!c.parsed) continue;
        EXPECT_EQ(entries[0].major, c.major);
        EXPECT_EQ(entries[0].minor, c.minor);
        EXPECT_EQ(entries[0].root, c.root);
        EXPECT_EQ(entries[0].mountPoint, c.mountPoint);
        EXPECT_EQ(entries[0].fileSystem, c.fileSystem);
        EXPECT_EQ(entries[0].source, c.source);
    }
    EXPECT_EQ(
        ParseMountInfo("1 0 8:1 / / rw - ext4 /dev/sda1 rw\n\n2 1 0:5 / /tmp rw - tmpfs tmpfs rw")
            .size(),
        2u);
}

TEST(MountInfo, EscapesLeaveIncompleteSequencesAlone) {
    const std::vector<std::pair<const char*, const char*>> octal = {
        {"a\\040b", "a b"}, {"\\134", "\\"},    {"end\\04", "end\\04"},
        {"\\999", "\\999"}, {"\\400", "\\400"}, {"plain", "plain"},
    };
    for (const auto& [in, out] : octal)
        EXPECT_EQ(DecodeOctalEscapes(in), out) << in;
    const std::vector<std::pair<const char*, const char*>> hex = {
        {"USB\\x20STICK", "USB STICK"},
        {"Fotos\\xc3\\xa9", "Fotos\xc3\xa9"},
        {"a\\x2", "a\\x2"},
        {"\\xZZ", "\\xZZ"},
        {"\\040", "\\040"},
    };
    for (const auto& [in, out] : hex)
        EXPECT_EQ(DecodeHexEscapes(in), out) << in;
}

TEST(DrivePins, NormaliseFolders) {
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"/", "/"},        {"//", "/"},  {"/a/b/", "/a/b"},    {"/a//b/./c", "/a/b/c"},
        {"/a/../b", "/b"}, {"/..", "/"}, {"/a b/c", "/a b/c"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(NormalizeFolder(in), out) << in;
}

} // namespace
} // namespace sorvane
