// The RAR header reader.
#include "archive/rar/arxRarHeader.h"

#include "archive/arxHelpers.h"
#include "platform/DateTime.h"

#include <algorithm>

namespace sorvane {
namespace {

constexpr std::array<std::uint8_t, 7> kMarker = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x00};
constexpr std::int64_t kMarkerSize = 7;
constexpr std::int64_t kMainHeaderSize = 13;
constexpr std::uint8_t kMainHeaderType = 0x73;
constexpr std::uint8_t kCommentBlock = 0x75;

// The block head every block starts with, and a long block's data size.
constexpr std::int64_t kBlockHead = 7;
constexpr std::int64_t kLongBlockHead = 11;
constexpr std::size_t kType = 2;
constexpr std::size_t kFlags = 3;
constexpr std::size_t kHeaderSize = 5;
constexpr std::size_t kPackedSize = 7;

// The fixed fields of a file block.
constexpr std::int64_t kFileFields = 32;
constexpr std::size_t kUnpackedSize = 11;
constexpr std::size_t kHostOs = 15;
constexpr std::size_t kFileCrc = 16;
constexpr std::size_t kDateTime = 20;
constexpr std::size_t kUnpackVersion = 24;
constexpr std::size_t kMethod = 25;
constexpr std::size_t kNameSize = 26;
constexpr std::size_t kAttributes = 28;
constexpr std::int64_t kHighSizes = 8;
constexpr std::int64_t kSaltSize = 8;

constexpr std::uint16_t kFlagDirectoryMask = 0x00E0;
constexpr std::uint16_t kFlagLargeSizes = 0x0100;
constexpr std::uint16_t kFlagUnicodeName = 0x0200;
constexpr std::uint16_t kFlagSalt = 0x0400;
constexpr std::uint16_t kFlagExtendedTime = 0x1000;
constexpr std::uint16_t kFlagSkipIfUnknown = 0x4000;
constexpr std::uint16_t kFlagLongBlock = 0x8000;

constexpr std::uint32_t kUnixDirectoryMode = 0x4000;
constexpr std::uint32_t kUnixTypeMask = 0xF000;
constexpr std::uint32_t kUnixLinkMode = 0xA000;
constexpr std::uint32_t kArchiveAttr = 0x20;

// The extended times' flags word holds four bits per time, the modification
// time's in the top four: 8 present, 4 one second past the DOS time's even
// second, 0-3 the bytes of its fraction in 100 ns units, the most
// significant byte last, high-aligned in 24 bits. The other three times,
// which follow it, are not read.
constexpr unsigned kTimePresent = 8;
constexpr unsigned kTimeOddSecond = 4;
constexpr unsigned kTimeFractionBytes = 3;
constexpr std::uint32_t kTicksPerSecond = 10'000'000; // of 100 ns

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The fields of a file block whose head is `head`; false for a bad header.
bool ReadFileFields(TArxByteSource& source, const std::uint8_t* head, TRarBlock& block) {
    const std::int64_t pos = block.Offset;
    std::uint8_t h[kFileFields + kHighSizes]{};
    const bool large = (block.Flags & kFlagLargeSizes) != 0;
    const std::int64_t fixed = kFileFields + (large ? kHighSizes : 0);
    if (!source.ReadExact(pos, h, fixed)) return false;
    const std::int64_t nameSize = GetLe16(h + kNameSize);
    // The fields and the name lie inside the block's header.
    if (block.HeaderSize < fixed || nameSize > block.HeaderSize - fixed) return false;
    block.RawName.assign(static_cast<std::size_t>(nameSize), '\0');
    if (!source.ReadExact(pos + fixed, block.RawName.data(), nameSize)) return false;
    block.Packed = GetLe32(head + kPackedSize);
    block.Unpacked = GetLe32(h + kUnpackedSize);
    if (large) {
        // Sizes beyond 2^62 bytes are no real member's.
        block.Packed |= static_cast<std::int64_t>(GetLe32(h + kFileFields) & 0x3FFFFFFF) << 32;
        block.Unpacked |= static_cast<std::int64_t>(GetLe32(h + kFileFields + 4) & 0x3FFFFFFF)
                          << 32;
    }
    block.DataSize = block.Packed;
    block.HostOs = h[kHostOs];
    block.Crc = GetLe32(h + kFileCrc);
    block.DosTime = GetLe32(h + kDateTime);
    block.UnpackVersion = h[kUnpackVersion];
    block.Method = h[kMethod];
    block.StoredAttributes = GetLe32(h + kAttributes);
    if ((block.Flags & kFlagExtendedTime) != 0) {
        // Behind the name and the salt, inside the block's header.
        const std::int64_t at = fixed + nameSize + ((block.Flags & kFlagSalt) != 0 ? kSaltSize : 0);
        TRarTimeArea area;
        const std::int64_t wanted = std::clamp<std::int64_t>(
            block.HeaderSize - at, 0, static_cast<std::int64_t>(area.Bytes.size()));
        if (wanted > 0)
            area.Size =
                std::max<std::int64_t>(source.ReadAt(pos + at, area.Bytes.data(), wanted), 0);
        block.Times = area;
    }
    return true;
}

} // namespace

TRarMainRead ReadRarMainHeader(TArxByteSource& source, std::int64_t pos, TRarMainHeader& main) {
    std::array<std::uint8_t, kMarkerSize + kMainHeaderSize> head{};
    if (!source.ReadExact(pos, head.data(), static_cast<std::int64_t>(head.size())))
        return TRarMainRead::CutShort;
    const std::uint8_t* header = head.data() + kMarkerSize;
    const std::int64_t size = GetLe16(header + kHeaderSize);
    // Only the block format of RAR 1.5 to 4 is read; a RAR 5 marker ends here too.
    if (!std::equal(kMarker.begin(), kMarker.end(), head.begin()) ||
        header[kType] != kMainHeaderType || size < kMainHeaderSize)
        return TRarMainRead::NotRar;
    main.FirstBlock = pos + kMarkerSize + size;
    return TRarMainRead::Main;
}

TRarBlockRead ReadRarBlock(TArxByteSource& source, std::int64_t pos, TRarBlock& block) {
    block = TRarBlock{};
    block.Offset = pos;
    std::uint8_t head[kLongBlockHead]{};
    if (!source.ReadExact(pos, head, kBlockHead)) return TRarBlockRead::End;
    block.Type = head[kType];
    block.Flags = GetLe16(head + kFlags);
    block.HeaderSize = GetLe16(head + kHeaderSize);
    if (block.HeaderSize < kBlockHead) return TRarBlockRead::Bad;
    if (block.Type == kCommentBlock) return TRarBlockRead::Other;
    if ((block.Flags & kFlagLongBlock) == 0) return TRarBlockRead::End;
    if (!source.ReadExact(pos, head, kLongBlockHead)) return TRarBlockRead::Bad;
    if ((block.Flags & kFlagSkipIfUnknown) != 0 || block.Type != kRarFileBlock) {
        block.DataSize = GetLe32(head + kPackedSize);
        return TRarBlockRead::Other;
    }
    return ReadFileFields(source, head, block) ? TRarBlockRead::File : TRarBlockRead::Bad;
}

bool RarDataWhole(const TRarBlock& block, const TArxByteSource& source) {
    return source.Holds(block.Offset, block.HeaderSize + block.DataSize);
}

std::uint32_t TRarBlock::Attributes() const {
    if (HostOs != kRarHostUnix) return StoredAttributes;
    return (StoredAttributes & kUnixDirectoryMode) != 0 ? kRarDirectoryAttr : kArchiveAttr;
}

bool TRarBlock::Folder() const {
    return (Attributes() & kRarDirectoryAttr) != 0 ||
           (Flags & kFlagDirectoryMask) == kFlagDirectoryMask;
}

bool TRarBlock::UnixLink() const {
    return HostOs == kRarHostUnix && (StoredAttributes & kUnixTypeMask) == kUnixLinkMode;
}

TRarName RarStoredName(const TRarBlock& block) {
    // A Unicode name follows the OEM one behind a NUL; without the NUL it is UTF-8.
    const std::string& raw = block.RawName;
    const std::size_t nul = raw.find('\0');
    if ((block.Flags & kFlagUnicodeName) != 0 && nul != std::string::npos)
        return {Utf16ToUtf8(ConvertRarUnicodeName(raw, raw.size())), false};
    if ((block.Flags & kFlagUnicodeName) != 0) return {raw, false};
    return {raw.substr(0, nul), true};
}

std::optional<std::pair<std::int64_t, std::uint32_t>> RarModifiedTime(const TRarBlock& block) {
    if (!block.Times || block.Times->Size < 2) return std::nullopt;
    const std::uint8_t* area = block.Times->Bytes.data();
    const unsigned mode = GetLe16(area) >> 12;
    const unsigned count = mode & kTimeFractionBytes;
    if ((mode & kTimePresent) == 0 || block.Times->Size < 2 + static_cast<std::int64_t>(count))
        return std::nullopt;
    const auto local = DosDateToDateTime(block.DosTime);
    const auto seconds = local ? UnixFromLocalDateTime(*local) : std::nullopt;
    if (!seconds) return std::nullopt;
    std::uint32_t ticks = 0;
    for (unsigned i = 0; i < count; ++i)
        ticks |= static_cast<std::uint32_t>(area[2 + i]) << (8 * (i + kTimeFractionBytes - count));
    const std::int64_t whole = *seconds + ((mode & kTimeOddSecond) != 0 ? 1 : 0) +
                               static_cast<std::int64_t>(ticks / kTicksPerSecond);
    return std::pair{whole, (ticks % kTicksPerSecond) * 100};
}

std::string Utf16ToUtf8(const std::u16string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        AppendUtf8(out, c);
    }
    return out;
}

} // namespace sorvane
