// The ARC and PAK header reader: the member headers as the directory walks
// and the ARC reader both read them, through a byte source.
#pragma once

#include "archive/arxByteSource.h"

#include <cstdint>
#include <string>

namespace sorvane {

inline constexpr std::uint8_t kArcFolderMethod = 30;
inline constexpr std::uint8_t kArcFolderEndMethod = 31;

// One header: the marker (26), the method, and for a member the 13-byte name
// field, packed size, date, time, CRC-16 and (all but method 1) the unpacked
// size.
struct TArcHeader {
    std::uint8_t Method = 0;
    std::int64_t HeaderSize = 0; // 2 for a folder's end marker, 25 for method 1, else 29
    std::int64_t PackedSize = 0; // a folder's spans all its members
    std::int64_t UnpackedSize = 0;
    std::uint32_t DosDate = 0;
    std::uint16_t Crc = 0;
    std::string RawName; // the stored name, without any folder
};

// What lies at a header position: a header (a member, an ARC folder or an
// ARC folder's end marker), the end of the archive (its end marker, no
// marker, or a method above the folders'), or a header cut short by the end
// of the file.
enum class TArcHeaderRead : std::uint8_t { Header, End, CutShort };
TArcHeaderRead ReadArcHeader(TArxByteSource& source, std::int64_t offset, bool pak,
                             TArcHeader& header);

// Folder entries and their end markers exist in ARC only.
inline bool IsArcFolder(const TArcHeader& header, bool pak) {
    return !pak && header.Method == kArcFolderMethod;
}
inline bool IsArcFolderEnd(const TArcHeader& header, bool pak) {
    return !pak && header.Method == kArcFolderEndMethod;
}

// Whether the data of the member whose header is at `offset` lie whole in
// the source; a member whose data run past the end is a bad header to both
// the walk and the reader: it is not listed, and nothing after it is.
bool ArcDataWhole(const TArcHeader& header, std::int64_t offset, const TArxByteSource& source);

} // namespace sorvane
