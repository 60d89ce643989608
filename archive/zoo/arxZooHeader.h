// The ZOO family's header reader: the archive header and the chain of
// directory entries as the directory walk and the ZOO reader both read them,
// through a byte source.
#pragma once

#include "archive/arxByteSource.h"

#include <cstdint>
#include <string>

namespace sorvane {

inline constexpr std::int64_t kZooEntrySize = 58;

// One directory entry.
struct TZooEntry {
    std::int64_t Offset = 0;
    std::uint8_t Method = 0;
    std::int64_t Next = 0; // the next entry's offset; 0 ends the chain
    std::int64_t DataPos = 0;
    std::uint32_t DosDate = 0;
    std::uint16_t Crc = 0;
    std::int64_t UnpackedSize = 0;
    std::int64_t PackedSize = 0;
    std::uint8_t MajorVersion = 0;
    std::uint8_t MinorVersion = 0;
    bool Deleted = false;
    std::string RawName; // the 13-byte DOS name field, up to its NUL
    std::string Name;    // as the reader names it (set by the reader)
};

// The offset of the first entry from the archive header; false when the file
// holds no archive header or the header's offset and its negation disagree.
bool ReadZooStart(TArxByteSource& source, std::int64_t& first);

// What lies at a position of the chain: an entry, the end of the chain (an
// entry whose next is 0, or fewer than 58 bytes left), or a bad header (a
// wrong tag).
enum class TZooEntryRead : std::uint8_t { Entry, End, Bad };
TZooEntryRead ReadZooEntry(TArxByteSource& source, std::int64_t offset, TZooEntry& entry);

// Where an entry's next pointer leads: on along the file, back (or not far
// enough forward: a bad header, which could make the chain run forever), or
// past the end of the file (the archive is cut short).
enum class TZooNext : std::uint8_t { On, Back, PastEnd };
TZooNext ZooNextOf(const TZooEntry& entry, const TArxByteSource& source);

} // namespace sorvane
