// The layout of ACE's main and member headers, header-only so the listing
// walk, the reader and the ACE module (which links no library code) read one
// layout. Each block is a 16-bit header CRC, a 16-bit size, then the block.
#pragma once

#include "archive/arxLittleEndian.h"

#include <cstdint>
#include <cstring>

namespace sorvane {

inline constexpr std::int64_t kAceMainHeaderSize = 31;
inline constexpr std::int64_t kAceMemberHeaderSize = 35;
inline constexpr std::uint8_t kAceMainBlock = 0;
inline constexpr std::uint8_t kAceFileBlock = 1;
inline constexpr std::uint16_t kAceContinuedFromPrevious = 0x1000;
inline constexpr std::uint16_t kAceContinuedInNext = 0x2000;
inline constexpr std::uint16_t kAceEncryptedFlag = 0x4000;
inline constexpr std::uint16_t kAceSolidArchive =
    0x8000; // main header: members share one dictionary
inline constexpr std::uint32_t kAceFolderAttr = 0x10;

// The fixed part of the main header.
struct TAceMainFixed {
    std::uint16_t HeaderCrc = 0;
    std::uint16_t HeaderSize = 0; // of the block after the size field
    std::uint8_t Kind = 0;
    std::uint16_t Flags = 0;
    std::uint8_t ExtractVersion = 0;
    std::uint8_t CreatorVersion = 0;
    std::uint8_t VolumeNumber = 0;
};

// The kAceMainHeaderSize bytes of a main header; false without the
// "**ACE**" signature.
inline bool ParseAceMainFixed(const std::uint8_t* h, TAceMainFixed& main) {
    if (std::memcmp(h + 7, "**ACE**", 7) != 0) return false;
    main.HeaderCrc = GetLe16(h);
    main.HeaderSize = GetLe16(h + 2);
    main.Kind = h[4];
    main.Flags = GetLe16(h + 5);
    main.ExtractVersion = h[14];
    main.CreatorVersion = h[15];
    main.VolumeNumber = h[17];
    return true;
}

// The fixed part of a member header; the name of NameLength bytes follows.
struct TAceMemberFixed {
    std::uint16_t HeaderCrc = 0;
    std::uint16_t HeaderSize = 0; // of the block after the size field
    std::uint8_t Kind = 0;        // kAceFileBlock for a member
    std::uint16_t Flags = 0;
    std::uint32_t PackedSize = 0;
    std::uint32_t OriginalSize = 0;
    std::uint32_t DosDate = 0;
    std::uint32_t Attributes = 0;
    std::uint32_t Crc = 0;
    std::uint8_t Type = 0;    // the compression type
    std::uint8_t Quality = 0; // the compression quality
    std::uint16_t NameLength = 0;

    // The name lies inside the header block.
    bool NameInside() const {
        return kAceMemberHeaderSize + NameLength <= std::int64_t{HeaderSize} + 4;
    }
};

inline TAceMemberFixed ParseAceMemberFixed(const std::uint8_t* h) {
    TAceMemberFixed member;
    member.HeaderCrc = GetLe16(h);
    member.HeaderSize = GetLe16(h + 2);
    member.Kind = h[4];
    member.Flags = GetLe16(h + 5);
    member.PackedSize = GetLe32(h + 7);
    member.OriginalSize = GetLe32(h + 11);
    member.DosDate = GetLe32(h + 15);
    member.Attributes = GetLe32(h + 19);
    member.Crc = GetLe32(h + 23);
    member.Type = h[27];
    member.Quality = h[28];
    member.NameLength = GetLe16(h + 33);
    return member;
}

} // namespace sorvane
