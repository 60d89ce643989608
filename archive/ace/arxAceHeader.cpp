// The ACE header reader.
#include "archive/ace/arxAceHeader.h"

#include "archive/arxCrc.h"

#include <algorithm>

namespace sorvane {
namespace {

// The most bytes after the last member that are read as padding.
constexpr std::int64_t kAceTrailingPadding = 4;

// Whether the header block after the CRC and size fields, `size` bytes at
// `pos` + 4, hashes to `headerCrc` (the low half of its CRC-32 register, kept
// without the final inversion). The block is read in pieces: it may be up to
// 64 KiB and is usually a few dozen bytes.
bool HeaderCrcMatches(TArxByteSource& source, std::int64_t pos, std::int64_t size,
                      std::uint16_t headerCrc) {
    std::uint8_t piece[1024];
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::int64_t at = pos + 4, left = size; left > 0;) {
        const std::int64_t count = std::min<std::int64_t>(left, sizeof piece);
        if (!source.ReadExact(at, piece, count)) return false;
        UpdateCrc32(piece, static_cast<std::size_t>(count), crc);
        at += count;
        left -= count;
    }
    return (crc & 0xFFFFu) == headerCrc;
}

} // namespace

bool ReadAceMainHeader(TArxByteSource& source, std::int64_t pos, TAceMainHeader& main) {
    std::uint8_t h[kAceMainHeaderSize]{};
    TAceMainFixed fixed;
    if (!source.ReadExact(pos, h, kAceMainHeaderSize) || !ParseAceMainFixed(h, fixed) ||
        fixed.Kind != kAceMainBlock || fixed.HeaderSize + 4 < kAceMainHeaderSize ||
        !HeaderCrcMatches(source, pos, fixed.HeaderSize, fixed.HeaderCrc))
        return false;
    main.FirstMember = pos + fixed.HeaderSize + 4;
    main.CreatorVersion = fixed.CreatorVersion;
    main.Flags = fixed.Flags;
    main.VolumeNumber = fixed.VolumeNumber;
    return true;
}

TAceHeaderRead ReadAceMember(TArxByteSource& source, std::int64_t pos, TAceMember& member) {
    // Bytes too few for the fixed part: the end when they are no more than
    // padding, a header cut short by the end of the file otherwise.
    std::uint8_t h[kAceMemberHeaderSize]{};
    if (!source.ReadExact(pos, h, kAceMemberHeaderSize))
        return source.Holds(pos, kAceTrailingPadding + 1) ? TAceHeaderRead::Bad
                                                          : TAceHeaderRead::End;
    const TAceMemberFixed fixed = ParseAceMemberFixed(h);
    if (fixed.Kind != kAceFileBlock) return TAceHeaderRead::End;
    member = TAceMember{};
    member.HeaderSize = fixed.HeaderSize;
    member.Flags = fixed.Flags;
    member.PackedSize = fixed.PackedSize;
    member.OriginalSize = fixed.OriginalSize;
    member.DosDate = fixed.DosDate;
    member.Attributes = fixed.Attributes;
    member.Crc = fixed.Crc;
    member.Method = fixed.Quality;
    member.Type = fixed.Type;
    member.DataPos = pos + member.HeaderSize + 4;
    // The name lies inside the header block, which its CRC guards, the data
    // right after it.
    if (!fixed.NameInside() || !HeaderCrcMatches(source, pos, fixed.HeaderSize, fixed.HeaderCrc) ||
        !source.ReadText(pos + kAceMemberHeaderSize, fixed.NameLength, member.RawName) ||
        !source.Holds(member.DataPos, member.PackedSize))
        return TAceHeaderRead::Bad;
    return TAceHeaderRead::Member;
}

} // namespace sorvane
