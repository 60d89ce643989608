// The drive table over the platform's drive map.
#include "catalogue/scan/DriveInfo.h"

#include "catalogue/format/FormatError.h"
#include "platform/Text.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace sorvane {
namespace {

// Buffer limits of the volume query: longer labels and names are cut.
constexpr std::size_t kLabelChars = 24;
constexpr std::size_t kFileSystemNameChars = 499;

// The tail " (X:)" that the shell puts after a drive's name.
constexpr std::size_t kLetterTailLength = 5;

std::size_t IndexOf(char letter) {
    return static_cast<std::size_t>(letter - 'A');
}

char CheckedLetter(char letter) {
    if (letter < 'A' || letter > 'Z')
        throw EConvertError(std::string(1, letter) + " is a invalid drive letter.");
    return letter;
}

char UpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsValidType(int type) {
    return type >= kDriveRemovable && type <= kDriveRamDisk;
}

int IconFor(int type) {
    switch (type) {
    case kDriveRemovable:
        return kIconRemovable;
    case kDriveRemote:
        return kIconRemote;
    case kDriveCdRom:
        return kIconCdRom;
    case kDriveRamDisk:
        return kIconRamDisk;
    default:
        return kIconFixed;
    }
}

// What the shell calls a drive without a label.
std::string_view DescriptionOf(int type) {
    switch (type) {
    case kDriveRemovable:
        return "Removable Disk";
    case kDriveRemote:
        return "Network Drive";
    case kDriveCdRom:
        return "CD Drive";
    case kDriveRamDisk:
        return "RAM Disk";
    default:
        return "Local Disk";
    }
}

std::string LetterTail(char letter) {
    return std::string(" (") + letter + ":)";
}

// The shell's name of a drive: its label, or a description of its type, then " (X:)".
std::string ShellDisplayName(const DriveMap& map, char letter, int type) {
    const auto volume = map.Volume(letter);
    const std::string name =
        volume && !volume->label.empty() ? volume->label : std::string(DescriptionOf(type));
    return name + LetterTail(letter);
}

// A CD's label shown as the shell shows it: first character kept, the rest in lower case.
std::string CdDisplayName(const std::string& label, char letter) {
    const std::size_t first = text::DecodeAt(label, 0).length;
    return label.substr(0, first) + text::Lower(std::string_view(label).substr(first)) +
           LetterTail(letter);
}

// Drops the " (X:)" tail when the name's first ")" is its last character.
void DropLetterTail(std::string& name) {
    const std::size_t close = name.find(')');
    if (close != std::string::npos && close + 1 == name.size())
        name.resize(name.size() - std::min(kLetterTailLength, name.size()));
}

} // namespace

TDriveInfo::TDriveInfo() : live_(true) {
    ReadTypes();
}

TDriveInfo::TDriveInfo(DriveRoots roots) : live_(false), roots_(std::move(roots)) {
    ReadTypes();
}

void TDriveInfo::ReadTypes() {
    const DriveMap map = DriveMap::Read(CurrentRoots());
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        TDriveInfoRec& rec = drives_[IndexOf(letter)];
        rec.DriveType = map.TypeOf(letter);
        rec.Valid = IsValidType(rec.DriveType);
    }
}

DriveRoots TDriveInfo::CurrentRoots() const {
    return live_ ? LiveDriveRoots() : roots_;
}

void TDriveInfo::GetInfo(char Letter, TDriveInfoRec& Info) const {
    Info = drives_[IndexOf(CheckedLetter(Letter))];
}

TDriveInfoRec TDriveInfo::GetInfo(char Letter) const {
    TDriveInfoRec info;
    GetInfo(Letter, info);
    return info;
}

bool TDriveInfo::Refresh(char Letter, int Flags) {
    const char letter = CheckedLetter(UpperAscii(Letter));
    TDriveInfoRec& rec = drives_[IndexOf(letter)];
    const DriveMap map = DriveMap::Read(CurrentRoots());

    rec.Queried = true;
    rec.DriveType = map.TypeOf(letter);
    rec.Valid = IsValidType(rec.DriveType);
    if (!rec.Valid) {
        rec.DiskSize = 0;
        rec.DiskPresent = false;
        rec.DisplayName.clear();
        rec.ShortDisplayName.clear();
        rec.LongDisplayName.clear();
        rec.SerialNumber = 0;
        return false;
    }

    std::string label; // read only with a disk present
    if (Flags & kRefreshVolume) {
        rec.DiskSize = map.Space(letter).totalBytes;
        rec.DiskPresent = rec.DiskSize > 0;
        if (!rec.DiskPresent) {
            rec.SerialNumber = 0;
        } else if (const auto volume = map.Volume(letter)) {
            label = std::string(text::FirstChars(volume->label, kLabelChars));
            rec.SerialNumber = volume->serial;
            rec.FileSystemFlags = volume->fileSystemFlags;
            rec.FileSystemName =
                std::string(text::FirstChars(volume->fileSystemName, kFileSystemNameChars));
        } else {
            rec.SerialNumber = 0;
            rec.FileSystemName.clear();
        }
    }

    if (Flags & kRefreshNames) {
        if ((Flags & kRefreshVolume) && !rec.DiskPresent) {
            rec.DisplayName = std::string(1, letter) + ":";
            rec.ShortDisplayName = rec.DisplayName;
            rec.LongDisplayName = rec.DisplayName;
        } else {
            const bool remote = rec.DriveType == kDriveRemote;
            rec.DisplayName = rec.DriveType == kDriveCdRom && !label.empty()
                                  ? CdDisplayName(label, letter)
                                  : ShellDisplayName(map, letter, rec.DriveType);

            const std::string prefix = std::string(1, letter) + ": ";
            if (remote) {
                const std::size_t blank = rec.DisplayName.find(' ');
                rec.ShortDisplayName =
                    prefix +
                    (blank == std::string::npos ? std::string() : rec.DisplayName.substr(0, blank));
            } else {
                rec.ShortDisplayName = prefix + rec.DisplayName;
            }
            DropLetterTail(rec.ShortDisplayName);

            rec.LongDisplayName = rec.ShortDisplayName.substr(0, 3);
            if (remote) {
                // The connection of a network drive is the source of its mount.
                const Drive* drive = map.Find(letter);
                rec.LongDisplayName += drive != nullptr ? drive->mount.source : std::string();
            } else {
                rec.LongDisplayName += rec.DisplayName;
                DropLetterTail(rec.LongDisplayName);
            }
        }
    }

    if ((Flags & kRefreshIcon) && rec.IconIndex == 0) rec.IconIndex = IconFor(rec.DriveType);

    return rec.Valid && rec.DiskPresent;
}

std::uint32_t TDriveInfo::VolumeSerial(char letter) const {
    const auto volume = DriveMap::Read(CurrentRoots()).Volume(UpperAscii(letter));
    return volume ? volume->serial : 0;
}

TDriveInfo& DriveInfo() {
    static TDriveInfo instance;
    return instance;
}

std::string FormatVolumeSerial(std::uint32_t serial) {
    char text[10];
    std::snprintf(text, sizeof text, "%04X-%04X", static_cast<unsigned>(serial >> 16),
                  static_cast<unsigned>(serial & 0xFFFF));
    return text;
}

std::string LeeNumeroSerie(char letter, const TDriveInfo& drives) {
    return FormatVolumeSerial(drives.VolumeSerial(letter));
}

char BuscaUnidadPorSerie(std::string_view serial, TDriveInfo& drives) {
    // Every volume without a serial reads "0000-0000": that serial names no one drive.
    if (serial == FormatVolumeSerial(0)) return ' ';
    for (char letter = 'Z'; letter >= 'A'; --letter) {
        drives.Refresh(letter, kRefreshAll);
        const TDriveInfoRec rec = drives.GetInfo(letter);
        if (rec.Valid && rec.DiskPresent && LeeNumeroSerie(letter, drives) == serial) return letter;
    }
    return ' ';
}

} // namespace sorvane
