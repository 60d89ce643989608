// What a ZIP header's extra field adds to it (the ZIP64 sizes, offset and
// disk, an Info-ZIP Unicode path) and the name a member gets from its header:
// shared by the directory walk and the extracting reader, so that an
// extracted file carries the name the catalogue shows.
#pragma once

#include "archive/arxHelpers.h"

#include <cstdint>
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
};

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
