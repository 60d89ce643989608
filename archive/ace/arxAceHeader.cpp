// The ACE header reader.
#include "archive/ace/arxAceHeader.h"

#include "archive/arxHelpers.h"

#include <cstring>

namespace sorvane {
namespace {

// The most bytes after the last member that are read as padding.
constexpr std::int64_t kAceTrailingPadding = 4;

} // namespace

bool ReadAceMainHeader(TArxByteSource& source, std::int64_t pos, TAceMainHeader& main) {
    std::uint8_t h[kAceMainHeaderSize]{};
    TAceMainFixed fixed;
    if (!source.ReadExact(pos, h, kAceMainHeaderSize) || !ParseAceMainFixed(h, fixed)) return false;
    main.FirstMember = pos + fixed.HeaderSize + 4;
    main.CreatorVersion = fixed.CreatorVersion;
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
    member.DataPos = pos + member.HeaderSize + 4;
    // The name lies inside the header block, the data right after it.
    if (!fixed.NameInside() ||
        !source.ReadText(pos + kAceMemberHeaderSize, fixed.NameLength, member.RawName) ||
        !source.Holds(member.DataPos, member.PackedSize))
        return TAceHeaderRead::Bad;
    return TAceHeaderRead::Member;
}

} // namespace sorvane
