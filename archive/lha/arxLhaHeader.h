// The LHA family's header reader: the member headers of levels 0, 1 and 2
// with their extended headers, as the directory walk and the LHA reader both
// read them, through a byte source.
#pragma once

#include "archive/arxByteSource.h"
#include "archive/arxHelpers.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace sorvane {

// One LHA member header.
struct TLhaHeader {
    std::int64_t Offset = 0;
    std::uint8_t Level = 0;
    std::array<char, 5> Method{}; // "-lh5-"
    std::int64_t DataPos = 0;     // the first byte of the member's data
    std::int64_t PackedSize = 0;  // the member's data alone (level 1: extended headers taken off)
    std::int64_t UnpackedSize = 0;
    std::int64_t NextPos = 0; // the next header
    std::uint32_t Time = 0;   // DOS date-time; Unix seconds at level 2
    std::uint8_t Attr = 0;
    // Unix seconds: level 2's time, a level-1 Unix-time extended header, or
    // the Unix extension area of a level-0 header; none with a DOS time alone.
    std::optional<std::int64_t> UnixTime;
    // The Unix permission bits of a Unix-permission extended header or a
    // level-0 Unix extension area.
    std::optional<std::uint16_t> UnixMode;
    std::uint16_t Crc = 0;
    std::string RawPath;             // as stored, folder in front with "\"
    TNameHost Host = TNameHost::Dos; // the system the OS byte names (level 0: DOS)
    std::string Name;                // as the reader names it: UTF-8, "\" separators
    bool Folder() const;
    // -lh0-, -lh1-, -lh4- to -lh7-, -lhd-.
    bool Supported() const;
    // The time as a DOS date-time.
    std::uint32_t DosDate() const;
    // The DOS attributes, read-only when stored Unix permissions deny the
    // owner writing.
    std::uint8_t Attributes() const;
};

// Reads the header at `offset` (all but Name): 1 with `header` filled, 0 at
// the end mark, an unknown level or the end of the source, -1 when it is
// malformed or cut short.
int ReadLhaHeader(TArxByteSource& source, std::int64_t offset, TLhaHeader& header);

// Whether the member's data lie whole in the source; a member whose data run
// past the end is listed, and the archive reported cut short.
bool LhaDataWhole(const TLhaHeader& header, const TArxByteSource& source);

} // namespace sorvane
