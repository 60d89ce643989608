// The layout of a cabinet's headers: the fixed CFHEADER, its reserve and set
// names, and the CFFILE record. Header-only, so the listing walk and the
// cabinet module (which links no library code) read one layout.
#pragma once

#include "archive/arxLittleEndian.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace sorvane {

constexpr std::size_t kCabHeaderSize = 36;
constexpr std::size_t kCabFileRecordSize = 16;
constexpr std::size_t kCabFolderSize = 8;
constexpr std::size_t kCabDataHeaderSize = 8;
constexpr std::size_t kCabReserveFieldsSize = 4;

constexpr std::uint16_t kCabFlagPrevious = 0x0001;
constexpr std::uint16_t kCabFlagNext = 0x0002;
constexpr std::uint16_t kCabFlagReserve = 0x0004;

// A CFFILE folder index that is no index: the member's data begin in the
// previous cabinet, go on in the next, or both.
constexpr std::uint16_t kCabContinuedFromPrevious = 0xFFFD;
constexpr std::uint16_t kCabContinuedToNext = 0xFFFE;
constexpr std::uint16_t kCabContinuedBothWays = 0xFFFF;

constexpr std::uint16_t kCabDirectoryAttr = 0x10;
constexpr std::uint16_t kCabNameIsUtf8 = 0x80;

inline bool CabContinuesFromPrevious(std::uint16_t folderIndex) {
    return folderIndex == kCabContinuedFromPrevious || folderIndex == kCabContinuedBothWays;
}

inline bool CabContinuesToNext(std::uint16_t folderIndex) {
    return folderIndex == kCabContinuedToNext || folderIndex == kCabContinuedBothWays;
}

// The fixed part of CFHEADER.
struct TCabFixedHeader {
    std::uint32_t CabinetSize = 0;
    std::uint32_t FilesOffset = 0; // coffFiles, from the cabinet's start
    std::uint8_t VersionMinor = 0;
    std::uint8_t VersionMajor = 0;
    std::uint16_t Folders = 0;
    std::uint16_t Files = 0;
    std::uint16_t Flags = 0;
    std::uint16_t SetId = 0;
    std::uint16_t Index = 0; // of this cabinet in its set
};

// The kCabHeaderSize bytes of a CFHEADER; false without its signature.
inline bool ParseCabFixedHeader(const std::uint8_t* bytes, TCabFixedHeader& header) {
    if (std::memcmp(bytes, "MSCF", 4) != 0) return false;
    header.CabinetSize = GetLe32(bytes + 8);
    header.FilesOffset = GetLe32(bytes + 16);
    header.VersionMinor = bytes[24];
    header.VersionMajor = bytes[25];
    header.Folders = GetLe16(bytes + 26);
    header.Files = GetLe16(bytes + 28);
    header.Flags = GetLe16(bytes + 30);
    header.SetId = GetLe16(bytes + 32);
    header.Index = GetLe16(bytes + 34);
    return true;
}

// The names of the neighbouring cabinets that follow the fixed header.
struct TCabSetNames {
    std::string PreviousCabinet, PreviousDisk, NextCabinet, NextDisk;
};

// Reads what follows the fixed header at `pos` (the reserve, then the
// previous and next cabinet's names as `flags` has them) and moves `pos` to
// the first CFFOLDER. `readAt(pos, buffer, count)` gives the bytes read;
// `readText(pos, text)` reads a NUL-ended text and moves past it. False when
// a part lies outside the file.
template <class ReadAt, class ReadText>
bool ReadCabSetNames(ReadAt&& readAt, ReadText&& readText, std::uint16_t flags, std::int64_t& pos,
                     TCabSetNames& names) {
    if ((flags & kCabFlagReserve) != 0) {
        std::uint8_t reserve[kCabReserveFieldsSize];
        if (static_cast<std::size_t>(readAt(pos, reserve, kCabReserveFieldsSize)) !=
            kCabReserveFieldsSize)
            return false;
        pos += static_cast<std::int64_t>(kCabReserveFieldsSize) + GetLe16(reserve);
    }
    if ((flags & kCabFlagPrevious) != 0 &&
        (!readText(pos, names.PreviousCabinet) || !readText(pos, names.PreviousDisk)))
        return false;
    if ((flags & kCabFlagNext) != 0 &&
        (!readText(pos, names.NextCabinet) || !readText(pos, names.NextDisk)))
        return false;
    return true;
}

// The fixed part of one CFFILE record (its name follows, NUL-ended).
struct TCabFileRecord {
    std::uint32_t Length = 0;
    std::uint32_t FolderOffset = 0; // of the data in the uncompressed folder
    std::uint16_t FolderIndex = 0;
    std::uint16_t Date = 0;
    std::uint16_t Time = 0;
    std::uint16_t Attributes = 0;
};

inline TCabFileRecord ParseCabFileRecord(const std::uint8_t* bytes) {
    TCabFileRecord record;
    record.Length = GetLe32(bytes);
    record.FolderOffset = GetLe32(bytes + 4);
    record.FolderIndex = GetLe16(bytes + 8);
    record.Date = GetLe16(bytes + 10);
    record.Time = GetLe16(bytes + 12);
    record.Attributes = GetLe16(bytes + 14);
    return record;
}

// The compression type of a CFFOLDER.
inline std::uint16_t CabFolderCompression(const std::uint8_t* folder) {
    return GetLe16(folder + 6);
}

// Where a CFFOLDER's first CFDATA block lies, from the cabinet's start.
inline std::uint32_t CabFolderDataStart(const std::uint8_t* folder) {
    return GetLe32(folder);
}

} // namespace sorvane
