// The drive table, the serial texts and the search for the drive of a serial,
// over the drive fixtures and once over the live machine.
#include "catalogue/scan/DriveInfo.h"

#include "catalogue/format/FormatError.h"
#include "tests/catalogue/scan/DriveFixture.h"

#include <cctype>
#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace sorvane {
namespace {

using testing::DriveFixture;
using testing::TempFolder;

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        Set(value);
    }
    ~ScopedEnv() { Set(old_); }

private:
    void Set(const std::optional<std::string>& value) {
        if (value)
            ::setenv(name_, value->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    const char* name_;
    std::optional<std::string> old_;
};

constexpr std::int64_t kSomeSize = -2; // any size above 0

struct RefreshCase {
    char letter; // as passed to Refresh
    int flags;
    bool result;
    int type;
    bool present;
    std::int64_t size;
    const char* display;
    const char* shortName;
    const char* longName;
    std::uint32_t serial;
    const char* fileSystem;
    int icon;
};

void ExpectRecord(const TDriveInfoRec& rec, const RefreshCase& c) {
    EXPECT_TRUE(rec.Queried);
    EXPECT_EQ(rec.DriveType, c.type);
    EXPECT_EQ(rec.Valid, c.type >= 2 && c.type <= 6);
    EXPECT_EQ(rec.DiskPresent, c.present);
    if (c.size == kSomeSize)
        EXPECT_GT(rec.DiskSize, 0);
    else
        EXPECT_EQ(rec.DiskSize, c.size);
    EXPECT_EQ(rec.DisplayName, c.display);
    EXPECT_EQ(rec.ShortDisplayName, c.shortName);
    EXPECT_EQ(rec.LongDisplayName, c.longName);
    EXPECT_EQ(rec.SerialNumber, c.serial);
    EXPECT_EQ(rec.FileSystemName, c.fileSystem);
    EXPECT_EQ(rec.IconIndex, c.icon);
}

TEST(TDriveInfo, RefreshReadsTypeVolumeNamesAndIcon) {
    const std::vector<RefreshCase> cases = {
        {'C', 7, true, kDriveFixed, true, kSomeSize, "Local Disk (C:)", "C: Local Disk",
         "C: Local Disk", 0x3F1C2B7A, "ext4", kIconFixed},
        {'f', 7, true, kDriveRemovable, true, kSomeSize, "USB STICK (F:)", "F: USB STICK",
         "F: USB STICK", 0x1A2B3C4D, "vfat", kIconRemovable},
        // A ")" inside the label keeps the " (E:)" tail on.
        {'E', 7, true, kDriveRemovable, true, kSomeSize, "BACKUP (2019) (E:)",
         "E: BACKUP (2019) (E:)", "E: BACKUP (2019) (E:)", 0xC0FFEE00, "ext4", kIconRemovable},
        // A CD shows its label, cut to 24 characters, with the rest in lower case.
        {'G', 7, true, kDriveCdRom, true, kSomeSize, "Ubuntu-server 22.04.3 lt (G:)",
         "G: Ubuntu-server 22.04.3 lt", "G: Ubuntu-server 22.04.3 lt", 0x20230810, "iso9660",
         kIconCdRom},
        // Names alone: the label was not read, so the shell's name stands.
        {'G', 4, false, kDriveCdRom, false, -1, "Ubuntu-Server 22.04.3 LTS amd64 (G:)",
         "G: Ubuntu-Server 22.04.3 LTS amd64", "G: Ubuntu-Server 22.04.3 LTS amd64", 0, "", 0},
        {'H', 7, true, kDriveRemote, true, kSomeSize, "Network Drive (H:)", "H: Network",
         "H: nas.local:/export/media", 0, "nfs4", kIconRemote},
        // The folder of /mnt/windows is missing: a drive without a disk.
        {'I', 7, false, kDriveFixed, false, -1, "I:", "I:", "I:", 0, "", kIconFixed},
        {'L', 7, true, kDriveRamDisk, true, kSomeSize, "RAM Disk (L:)", "L: RAM Disk",
         "L: RAM Disk", 0, "tmpfs", kIconRamDisk},
        {'Z', 7, false, kDriveNoRootDir, false, 0, "", "", "", 0, "", 0},
        {'a', 7, false, kDriveNoRootDir, false, 0, "", "", "", 0, "", 0},
    };
    for (const RefreshCase& c : cases) {
        SCOPED_TRACE(std::string(1, c.letter) + " flags " + std::to_string(c.flags));
        DriveFixture fixture("desktop");
        TDriveInfo drives(fixture.Roots());
        EXPECT_EQ(drives.Refresh(c.letter, c.flags), c.result);
        const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c.letter)));
        ExpectRecord(drives.GetInfo(upper), c);
    }
}

TEST(TDriveInfo, StartsWithTypesOnly) {
    DriveFixture fixture("desktop");
    const TDriveInfo drives(fixture.Roots());
    const std::vector<std::pair<char, int>> types = {
        {'A', kDriveNoRootDir}, {'C', kDriveFixed},   {'F', kDriveRemovable}, {'G', kDriveCdRom},
        {'H', kDriveRemote},    {'L', kDriveRamDisk}, {'M', kDriveNoRootDir},
    };
    for (const auto& [letter, type] : types) {
        SCOPED_TRACE(letter);
        const TDriveInfoRec rec = drives.GetInfo(letter);
        EXPECT_FALSE(rec.Queried);
        EXPECT_EQ(rec.DriveType, type);
        EXPECT_EQ(rec.Valid, type != kDriveNoRootDir);
        EXPECT_FALSE(rec.DiskPresent);
        EXPECT_EQ(rec.DiskSize, -1);
        EXPECT_EQ(rec.SerialNumber, 0u);
        EXPECT_EQ(rec.IconIndex, 0);
        EXPECT_EQ(rec.DisplayName, "");
    }
}

TEST(TDriveInfo, GetInfoTakesUpperCaseLettersOnlyWhileRefreshUpperCases) {
    DriveFixture fixture("desktop");
    TDriveInfo drives(fixture.Roots());
    try {
        drives.GetInfo('c');
        ADD_FAILURE() << "GetInfo('c') did not raise";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "c is a invalid drive letter.");
    }
    EXPECT_TRUE(drives.Refresh('c', kRefreshAll));
    EXPECT_TRUE(drives.GetInfo('C').Queried);
    EXPECT_EQ(drives.GetInfo('C').DisplayName, "Local Disk (C:)");

    for (const char bad : {'@', '[', '1', ' ', '\0', '`', '{'}) {
        SCOPED_TRACE(static_cast<int>(bad));
        EXPECT_THROW(drives.GetInfo(bad), EConvertError);
        EXPECT_THROW(drives.Refresh(bad, kRefreshAll), EConvertError);
    }
}

TEST(TDriveInfo, AsksForTheIconOnce) {
    DriveFixture fixture("desktop");
    TDriveInfo drives(fixture.Roots());
    drives.Refresh('F', kRefreshVolume | kRefreshNames);
    EXPECT_EQ(drives.GetInfo('F').IconIndex, 0);
    drives.Refresh('F', kRefreshIcon);
    EXPECT_EQ(drives.GetInfo('F').IconIndex, kIconRemovable);

    // The card gives way to a CD on the same mount point: a new type, the old icon.
    std::string mountInfo = fixture.MountInfo();
    const std::string card = "- vfat /dev/sdb1";
    mountInfo.replace(mountInfo.find(card), card.size(), "- iso9660 /dev/sr1");
    fixture.WriteMountInfo(mountInfo);
    EXPECT_TRUE(drives.Refresh('F', kRefreshAll));
    EXPECT_EQ(drives.GetInfo('F').DriveType, kDriveCdRom);
    EXPECT_EQ(drives.GetInfo('F').IconIndex, kIconRemovable);
}

TEST(TDriveInfo, DriveThatGoesAwayKeepsIconAndFileSystem) {
    DriveFixture fixture("desktop");
    TDriveInfo drives(fixture.Roots());
    ASSERT_TRUE(drives.Refresh('L', kRefreshAll));
    fixture.WriteMountInfo("28 1 259:2 / / rw - ext4 /dev/nvme0n1p2 rw\n");
    EXPECT_FALSE(drives.Refresh('L', kRefreshAll));
    const TDriveInfoRec rec = drives.GetInfo('L');
    EXPECT_EQ(rec.DriveType, kDriveNoRootDir);
    EXPECT_FALSE(rec.Valid);
    EXPECT_EQ(rec.DiskSize, 0);
    EXPECT_EQ(rec.DisplayName, "");
    EXPECT_EQ(rec.IconIndex, kIconRamDisk);
    EXPECT_EQ(rec.FileSystemName, "tmpfs");
}

TEST(LeeNumeroSerie, GivesNineCharacters) {
    struct SerialCase {
        const char* fixture;
        char letter;
        const char* serial;
    };
    const std::vector<SerialCase> cases = {
        {"desktop", 'F', "1A2B-3C4D"}, // FAT
        {"desktop", 'f', "1A2B-3C4D"},   {"desktop", 'D', "5E3A-91C0"},
        {"desktop", 'C', "3F1C-2B7A"}, // ext4: the UUID's first 8 hex digits
        {"desktop", 'I', "2C6B-6503"}, // NTFS: low 32 bits, read without a disk
        {"desktop", 'G', "2023-0810"},   {"desktop", 'H', "0000-0000"},      // NFS: no UUID
        {"desktop", 'Z', "0000-0000"},                                       // no drive
        {"desktop", '#', "0000-0000"},   {"raspberry-pi", 'C', "7C5F-2A9E"}, // root from /dev/root
        {"container", 'C', "0000-0000"},
    };
    for (const SerialCase& c : cases) {
        SCOPED_TRACE(std::string(c.fixture) + " " + c.letter);
        DriveFixture fixture(c.fixture);
        const TDriveInfo drives(fixture.Roots());
        EXPECT_EQ(LeeNumeroSerie(c.letter, drives), c.serial);
    }
    EXPECT_EQ(FormatVolumeSerial(0x0000ABCD), "0000-ABCD");
    EXPECT_EQ(FormatVolumeSerial(0xFFFFFFFF), "FFFF-FFFF");
}

TEST(BuscaUnidadPorSerie, FindsTheHighestPresentLetterWithTheSerial) {
    struct SearchCase {
        const char* pins;
        const char* serial;
        char letter;
    };
    const std::vector<SearchCase> cases = {
        {"", "1A2B-3C4D", 'F'},
        {"", "1a2b-3c4d", ' '}, // texts compare exactly
        {"", "2C6B-6503", ' '}, // NTFS drive without a disk
        {"", "0000-0000", ' '}, // the RAM disks have no serial: that names no one drive
        {"", "DEAD-BEEF", ' '},
        {"X=/media/ana/USB STICK/photos", "1A2B-3C4D", 'X'},
        {"X=/media/ana/USB STICK/gone", "1A2B-3C4D", 'F'},
    };
    for (const SearchCase& c : cases) {
        SCOPED_TRACE(std::string(c.pins) + " " + c.serial);
        DriveFixture fixture("desktop");
        TDriveInfo drives(fixture.Roots(c.pins));
        EXPECT_EQ(BuscaUnidadPorSerie(c.serial, drives), c.letter);
    }
}

TEST(BuscaUnidadPorSerie, RefreshesEveryLetterWhenNothingMatches) {
    DriveFixture fixture("desktop");
    TDriveInfo drives(fixture.Roots());
    EXPECT_EQ(BuscaUnidadPorSerie("DEAD-BEEF", drives), ' ');
    for (char letter = 'A'; letter <= 'Z'; ++letter)
        EXPECT_TRUE(drives.GetInfo(letter).Queried) << letter;
    EXPECT_EQ(drives.GetInfo('F').ShortDisplayName, "F: USB STICK");
}

TEST(LiveMachine, RootIsDriveC) {
    const ScopedEnv noPins("SORVANE_DRIVES", std::nullopt);
    TDriveInfo drives;
    EXPECT_TRUE(drives.Refresh('C', kRefreshAll));
    const TDriveInfoRec rec = drives.GetInfo('C');
    EXPECT_TRUE(rec.Valid);
    EXPECT_TRUE(rec.DiskPresent);
    EXPECT_GT(rec.DiskSize, 0);
    EXPECT_FALSE(rec.FileSystemName.empty());
    EXPECT_EQ(DriveFolder('C'), "/");
    EXPECT_EQ(DriveLetterOf("/"), 'C');
    const std::string serial = LeeNumeroSerie('C', drives);
    ASSERT_EQ(serial.size(), 9u);
    EXPECT_EQ(serial[4], '-');
}

TEST(LiveMachine, SorvaneDrivesIsReadAtEveryRefresh) {
    TempFolder folder;
    const ScopedEnv pins("SORVANE_DRIVES", "B=" + folder.path());
    ASSERT_TRUE(DriveInfo().Refresh('B', kRefreshAll)); // "B" is never given automatically
    EXPECT_EQ(DriveFolder('B'), folder.path());
    EXPECT_EQ(DriveLetterOf(folder.path() + "/inside/a.txt"), 'B');
    EXPECT_EQ(LeeNumeroSerie('B'), LeeNumeroSerie(DriveLetterOf(folder.path() + "/..")));

    ::unsetenv("SORVANE_DRIVES");
    EXPECT_FALSE(DriveInfo().Refresh('B', kRefreshAll));
    EXPECT_FALSE(DriveInfo().GetInfo('B').Valid);
}

} // namespace
} // namespace sorvane
