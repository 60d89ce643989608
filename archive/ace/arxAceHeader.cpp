// The ACE header reader.
#include "archive/ace/arxAceHeader.h"

#include "archive/arxHelpers.h"

#include <cstring>

namespace sorvane {
namespace {

constexpr std::uint8_t kFileBlock = 1;
constexpr std::size_t kSignatureAt = 7;
constexpr std::size_t kCreatorVersionAt = 15;
// The most bytes after the last member that are read as padding.
constexpr std::int64_t kAceTrailingPadding = 4;

} // namespace

bool ReadAceMainHeader(TArxByteSource& source, std::int64_t pos, TAceMainHeader& main) {
    std::uint8_t h[kAceMainHeaderSize]{};
    if (!source.ReadExact(pos, h, kAceMainHeaderSize) ||
        std::memcmp(h + kSignatureAt, "**ACE**", 7) != 0)
        return false;
    main.FirstMember = pos + GetLe16(h + 2) + 4;
    main.CreatorVersion = h[kCreatorVersionAt];
    return true;
}

TAceHeaderRead ReadAceMember(TArxByteSource& source, std::int64_t pos, TAceMember& member) {
    // Bytes too few for the fixed part: the end when they are no more than
    // padding, a header cut short by the end of the file otherwise.
    std::uint8_t h[kAceMemberHeaderSize]{};
    if (!source.ReadExact(pos, h, kAceMemberHeaderSize))
        return source.Holds(pos, kAceTrailingPadding + 1) ? TAceHeaderRead::Bad
                                                          : TAceHeaderRead::End;
    if (h[4] != kFileBlock) return TAceHeaderRead::End;
    member = TAceMember{};
    member.HeaderSize = GetLe16(h + 2);
    member.Flags = GetLe16(h + 5);
    member.PackedSize = GetLe32(h + 7);
    member.OriginalSize = GetLe32(h + 11);
    member.DosDate = GetLe32(h + 15);
    member.Attributes = GetLe32(h + 19);
    member.Crc = GetLe32(h + 23);
    member.Method = h[28];
    const std::int64_t nameLength = GetLe16(h + 33);
    member.DataPos = pos + member.HeaderSize + 4;
    // The name lies inside the header block, the data right after it.
    if (kAceMemberHeaderSize + nameLength > member.HeaderSize + 4 ||
        !source.ReadText(pos + kAceMemberHeaderSize, nameLength, member.RawName) ||
        !source.Holds(member.DataPos, member.PackedSize))
        return TAceHeaderRead::Bad;
    return TAceHeaderRead::Member;
}

} // namespace sorvane
