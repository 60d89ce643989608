// Drive information: one record per letter A to Z of what the system says about
// the drive, refreshed on demand, and the volume serial texts by which a
// catalogued disk finds the drive that holds it.
#pragma once

#include "platform/Drives.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace sorvane {

// What the last refreshes found for one drive letter. Callers get copies.
struct TDriveInfoRec {
    bool Queried = false;     // refreshed at least once
    bool Valid = false;       // DriveType is 2 to 6
    bool DiskPresent = false; // the last volume refresh found a size above 0
    int DriveType = kDriveUnknown;
    std::string DisplayName;      // "USB STICK (D:)", "Local Disk (C:)"
    std::string ShortDisplayName; // "D: USB STICK"
    std::string LongDisplayName;  // "D: USB STICK"; for a network drive the connection
    std::uint32_t SerialNumber = 0;
    std::int64_t DiskSize = -1; // bytes; -1 until known or when unreadable
    int IconIndex = 0;          // 0 until known
    std::string FileSystemName;
    std::uint32_t FileSystemFlags = 0;
};

// The parts of a record that `TDriveInfo::Refresh` reads.
enum DriveRefreshFlag : int {
    kRefreshIcon = 1,
    kRefreshVolume = 2,
    kRefreshNames = 4,
    kRefreshAll = 7,
};

// Icon numbers of the drive types; the window layer maps them to pictures.
// They are the stock drive icons of the Windows shell, so no drive has icon 0.
enum DriveIcon : int {
    kIconRemovable = 7,
    kIconFixed = 8,
    kIconRemote = 9,
    kIconCdRom = 11,
    kIconRamDisk = 12,
};

// The drive table of letters A to Z.
class TDriveInfo {
public:
    // Over the live machine; SORVANE_DRIVES is read again at every refresh.
    TDriveInfo();
    // Over fixed roots (fixtures in tests).
    explicit TDriveInfo(DriveRoots roots);

    // Copies the record of `Letter`, which must be "A" to "Z" (not upper-cased);
    // any other character raises EConvertError "<c> is a invalid drive letter.".
    void GetInfo(char Letter, TDriveInfoRec& Info) const;
    TDriveInfoRec GetInfo(char Letter) const;

    // Re-reads what `Flags` asks for (kRefreshIcon, kRefreshVolume,
    // kRefreshNames) for `Letter`, upper-cased first; returns Valid and
    // DiskPresent. A character outside "a"-"z", "A"-"Z" raises as GetInfo does.
    bool Refresh(char Letter, int Flags);

    // The serial of the letter's volume, read from the system now (0 when it has none).
    std::uint32_t VolumeSerial(char letter) const;

private:
    void ReadTypes();
    DriveRoots CurrentRoots() const;

    bool live_;
    DriveRoots roots_;
    std::array<TDriveInfoRec, 26> drives_{};
};

// The drive table of the process, over the live machine.
TDriveInfo& DriveInfo();

// A serial as the program shows it: "1A2B-3C4D", upper-case hexadecimal.
std::string FormatVolumeSerial(std::uint32_t serial);

// The volume serial of a drive letter (either case) as "XXXX-XXXX";
// "0000-0000" when the letter has no drive or its volume no serial.
std::string LeeNumeroSerie(char letter, const TDriveInfo& drives = DriveInfo());

// The drive that holds the disk of a catalogued serial text: for "Z" down to
// "A", the first letter that refreshes Valid and DiskPresent and whose
// LeeNumeroSerie equals `serial`; " " when none does.
char BuscaUnidadPorSerie(std::string_view serial, TDriveInfo& drives = DriveInfo());

} // namespace sorvane
