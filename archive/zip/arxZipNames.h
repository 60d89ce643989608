// What a ZIP header's extra field adds to it (the ZIP64 sizes, offset and
// disk, an Info-ZIP Unicode path, a modification time finer than DOS's) and the name a member gets
// from its header: shared by the directory walk and the extracting reader, so that an extracted
// file carries the name the catalogue shows.
#pragma once

#include "archive/arxHelpers.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sorvane {

struct TZipExtraInfo {
    std::uint64_t Unpacked = 0;
    std::uint64_t Packed = 0;
    std::uint64_t LocalOffset = 0;
    std::uint32_t Disk = 0;
    bool HasUnicodeName = false;
    std::string UnicodeName;
    // The NTFS record's modification time (0x000A, 100 ns steps since 1601),
    // as Unix seconds and nanoseconds.
    std::optional<std::int64_t> NtfsSeconds;
    std::uint32_t NtfsNanoseconds = 0;
    // The 32 bits of Unix seconds of Info-ZIP's extended timestamp (0x5455)
    // or, without one, of its older Unix record (0x5855).
    std::optional<std::uint32_t> UnixSeconds32;
};

// A member's modification time as its extra field stores it, in Unix seconds
// and nanoseconds: the NTFS time, else the Info-ZIP time, which is signed
// unless its sign bit can only mean a date past 2038 (the member's DOS date
// says 2038 or later, as Info-ZIP reads it). Nothing when the field stores
// none: the DOS date is all there is.
struct TZipUnixTime {
    std::int64_t Seconds = 0;
    std::uint32_t Nanoseconds = 0;
};
std::optional<TZipUnixTime> ZipMemberUnixTime(const TZipExtraInfo& info, std::uint32_t dosDate);

// Walks the extra-field records; a record reaching past the field ends the
// walk. The 32-bit fields given are kept unless they hold 0xFFFFFFFF (0xFFFF
// for the disk) and the ZIP64 record carries their 64-bit value. The
// Unicode path counts only when its CRC is that of `storedName`.
TZipExtraInfo ParseZipExtra(const std::vector<std::uint8_t>& extra, std::uint32_t unpacked32,
                            std::uint32_t packed32, const std::string& storedName,
                            std::uint32_t offset32 = 0, std::uint16_t disk16 = 0);

// The member's name with "\" separators: the extra field's UTF-8 name first,
// else the stored name as it stands when `raw` (flag bit 11 or a folder), else
// as `host` wrote it (code page 437 for DOS).
std::string ZipMemberName(const std::string& stored, const TZipExtraInfo& info, bool raw,
                          TNameHost host, bool translate);

} // namespace sorvane
