// The ACE header reader: the main header and the member headers as the
// directory walk and the ACE reader both read them, through a byte source.
#pragma once

#include "archive/ace/arxAceLayout.h"
#include "archive/arxByteSource.h"

#include <cstdint>
#include <string>

namespace sorvane {

// The main header: where the first member's header begins, the version of the
// program that made the archive, its flags and the volume's number.
struct TAceMainHeader {
    std::int64_t FirstMember = 0;
    std::uint8_t CreatorVersion = 0;
    std::uint16_t Flags = 0;
    std::uint8_t VolumeNumber = 0;

    bool Solid() const { return (Flags & kAceSolidArchive) != 0; }
};

// Reads the main header at `pos`; false when it is cut short, lacks the
// "**ACE**" signature, is a block of another kind or fails its header CRC.
bool ReadAceMainHeader(TArxByteSource& source, std::int64_t pos, TAceMainHeader& main);

// One member header: the fixed part, the stored name inside the block, and
// where the member's data begin (the block takes HeaderSize + 4 bytes).
struct TAceMember {
    std::int64_t HeaderSize = 0;
    std::uint16_t Flags = 0;
    std::int64_t PackedSize = 0;
    std::int64_t OriginalSize = 0;
    std::uint32_t DosDate = 0;
    std::uint32_t Attributes = 0;
    std::uint32_t Crc = 0;
    std::uint8_t Method = 0; // the compression quality, shown as the method
    std::uint8_t Type = 0;   // the compression type: stored or LZ77
    std::string RawName;
    std::int64_t DataPos = 0;

    bool Folder() const { return (Attributes & kAceFolderAttr) != 0; }
    bool Continued() const { return (Flags & kAceContinuedFromPrevious) != 0; }
    bool GoesOn() const { return (Flags & kAceContinuedInNext) != 0; }
    // Where the next header begins.
    std::int64_t Next() const { return DataPos + PackedSize; }
};

// What lies at a header position: a member, the end of the members (no more
// bytes, at most 4 bytes of padding, or a block of another kind), or a bad
// header (one cut short before its block ends, a name outside its block, a
// block that fails its header CRC, data past the end of the volume): the
// listing fails there, as the extraction does, and the reader counts nothing
// from it on.
enum class TAceHeaderRead : std::uint8_t { Member, End, Bad };
TAceHeaderRead ReadAceMember(TArxByteSource& source, std::int64_t pos, TAceMember& member);

} // namespace sorvane
