// Directory walk of RAR archives.
#include "archive/rar/arxDirRar.h"

#include "archive/arxGlobals.h"
#include "archive/arxHelpers.h"

#include <array>
#include <cstring>

namespace sorvane {
namespace {

constexpr std::array<std::uint8_t, 7> kMarker = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x00};
constexpr std::int64_t kMarkerSize = 7;
constexpr std::int64_t kArchiveHeaderSize = 13;
constexpr std::uint8_t kArchiveHeaderType = 0x73;

// Block record.
constexpr std::int64_t kRecordSize = 32;
constexpr std::int64_t kMinBlockSize = 7;
constexpr std::size_t kType = 2;
constexpr std::size_t kFlags = 3;
constexpr std::size_t kHeaderSize = 5;
constexpr std::size_t kPackedSize = 7;
constexpr std::size_t kUnpackedSize = 11;
constexpr std::size_t kHostOs = 15;
constexpr std::size_t kFileCrc = 16;
constexpr std::size_t kDateTime = 20;
constexpr std::size_t kUnpackVersion = 24;
constexpr std::size_t kMethod = 25;
constexpr std::size_t kNameSize = 26;
constexpr std::size_t kAttributes = 28;
constexpr std::int64_t kHighSizesLength = 8;

constexpr std::uint8_t kCommentBlock = 0x75;
constexpr std::uint8_t kFileBlock = 0x74;

constexpr std::uint16_t kFlagSplitBefore = 0x0001;
constexpr std::uint16_t kFlagSplitAfter = 0x0002;
constexpr std::uint16_t kFlagEncrypted = 0x0004;
constexpr std::uint16_t kFlagDirectoryMask = 0x00E0;
constexpr std::uint16_t kFlagLargeSizes = 0x0100;
constexpr std::uint16_t kFlagUnicodeName = 0x0200;
constexpr std::uint16_t kFlagSkipIfUnknown = 0x4000;
constexpr std::uint16_t kFlagLongBlock = 0x8000;

constexpr std::uint8_t kHostUnix = 3;
constexpr std::uint32_t kUnixDirectoryMode = 0x4000;
constexpr std::uint32_t kDirectoryAttr = 0x10;
constexpr std::uint32_t kArchiveAttr = 0x20;

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

} // namespace

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

void TRarWalk::SetUp(TArxon& arx) {
    const std::int64_t start = arx.Walk.FirstHeader;
    std::array<std::uint8_t, kMarkerSize> marker{};
    std::array<std::uint8_t, kArchiveHeaderSize> header{};
    if (!arx.ReadExact(start, marker.data(), kMarkerSize) || marker != kMarker ||
        !arx.ReadExact(start + kMarkerSize, header.data(), kArchiveHeaderSize) ||
        header[kType] != kArchiveHeaderType ||
        GetLe16(header.data() + kHeaderSize) < kArchiveHeaderSize) {
        arx.FailWalk();
        return;
    }
    arx.Walk.FirstHeader = start + kMarkerSize + GetLe16(header.data() + kHeaderSize);
    arx.Walk.HeaderSize = kRecordSize;
}

bool TRarWalk::EnterVolume(TArxon& arx) {
    std::array<std::uint8_t, kArchiveHeaderSize> header{};
    if (!arx.ReadExact(kMarkerSize, header.data(), kArchiveHeaderSize)) {
        arx.FailWalk(kMsgReadError, arx.VolumeName);
        return false;
    }
    const std::int64_t size = GetLe16(header.data() + kHeaderSize);
    if (header[kType] != kArchiveHeaderType || size < kArchiveHeaderSize) {
        arx.FailWalk(kMsgBadFileHeader, arx.VolumeName);
        return false;
    }
    arx.Walk.Position = kMarkerSize + size;
    return true;
}

void TRarWalk::Step(TArxon& arx) {
    const std::uint8_t* h = arx.Walk.Header.data();
    const std::uint8_t type = h[kType];
    const std::uint16_t flags = GetLe16(h + kFlags);
    const std::int64_t headerSize = GetLe16(h + kHeaderSize);
    if (headerSize < kMinBlockSize) {
        arx.FailWalk();
        return;
    }
    if (type == kCommentBlock) {
        arx.MoveWalkTo(arx.Walk.HeaderOffset + headerSize);
        return;
    }
    // Blocks without a data part (the end-of-archive block among them) end the listing.
    if ((flags & kFlagLongBlock) == 0) {
        arx.EndWalk();
        return;
    }
    if ((flags & kFlagSkipIfUnknown) != 0 || type != kFileBlock) {
        arx.MoveWalkTo(arx.Walk.HeaderOffset + headerSize + GetLe32(h + kPackedSize));
        return;
    }
    FileStep(arx, headerSize);
}

bool TRarWalk::ReadSizes(TArxon& arx, std::int64_t& packed, std::int64_t& unpacked,
                         std::int64_t& nameOffset) {
    const std::uint8_t* h = arx.Walk.Header.data();
    packed = GetLe32(h + kPackedSize);
    unpacked = GetLe32(h + kUnpackedSize);
    nameOffset = kRecordSize;
    if ((GetLe16(h + kFlags) & kFlagLargeSizes) == 0) return true;
    std::array<std::uint8_t, kHighSizesLength> high{};
    if (!arx.ReadExact(arx.Walk.HeaderOffset + kRecordSize, high.data(), kHighSizesLength))
        return false;
    // Sizes beyond 2^62 bytes are no real member's.
    packed |= static_cast<std::int64_t>(GetLe32(high.data()) & 0x3FFFFFFF) << 32;
    unpacked |= static_cast<std::int64_t>(GetLe32(high.data() + 4) & 0x3FFFFFFF) << 32;
    nameOffset += kHighSizesLength;
    return true;
}

bool TRarWalk::SetName(TArxon& arx, std::int64_t headerSize, std::int64_t nameOffset) {
    const std::uint8_t* h = arx.Walk.Header.data();
    const std::uint16_t flags = GetLe16(h + kFlags);
    const std::int64_t nameSize = GetLe16(h + kNameSize);
    std::string name(static_cast<std::size_t>(nameSize), '\0');
    if (nameOffset + nameSize > headerSize ||
        (nameSize > 0 && !arx.ReadExact(arx.Walk.HeaderOffset + nameOffset, name.data(), nameSize)))
        return false;
    // A Unicode name follows the OEM one behind a NUL; without the NUL it is UTF-8.
    const std::size_t nul = name.find('\0');
    if ((flags & kFlagUnicodeName) != 0 && nul != std::string::npos)
        arx.SetRawFileName(Utf16ToUtf8(ConvertRarUnicodeName(name, name.size())));
    else if ((flags & kFlagUnicodeName) != 0)
        arx.SetRawFileName(name);
    else
        arx.SetOemFileName(name.substr(0, nul), TNameHost::Dos);
    return true;
}

void TRarWalk::FileStep(TArxon& arx, std::int64_t headerSize) {
    const std::uint8_t* h = arx.Walk.Header.data();
    const std::uint16_t flags = GetLe16(h + kFlags);
    std::int64_t packed = 0, unpacked = 0, nameOffset = 0;
    if (!ReadSizes(arx, packed, unpacked, nameOffset) || !SetName(arx, headerSize, nameOffset)) {
        arx.FailWalk();
        return;
    }
    arx.FireReadFile();

    packedSum_ = (flags & kFlagSplitBefore) != 0 ? packedSum_ + packed : packed;
    const std::int64_t next = arx.Walk.HeaderOffset + headerSize + packed;
    // A part whose data runs past its volume is listed as it stands (MoveWalkTo
    // then ends the walk), so the summed sizes stay within the volumes' bytes.
    if ((flags & kFlagSplitAfter) != 0 && next <= arx.Walk.StreamSize) {
        // The member goes on in the next volume; it is reported from its last part.
        if (arx.NextVolume()) {
            EnterVolume(arx);
            return;
        }
        if (arx.NumFiles != 0) return;
    }
    if (arx.MatchSpec()) Report(arx, unpacked);
    if (!arx.Walk.Ended) arx.MoveWalkTo(next);
}

void TRarWalk::Report(TArxon& arx, std::int64_t unpacked) {
    const std::uint8_t* h = arx.Walk.Header.data();
    const std::uint16_t flags = GetLe16(h + kFlags);
    std::uint32_t attributes = GetLe32(h + kAttributes);
    if (h[kHostOs] == kHostUnix)
        attributes = (attributes & kUnixDirectoryMode) != 0 ? kDirectoryAttr : kArchiveAttr;
    const bool directory =
        (attributes & kDirectoryAttr) != 0 || (flags & kFlagDirectoryMask) == kFlagDirectoryMask;

    TArxonEntry entry;
    entry.FileDate = DosDateTimeToDateTime(GetLe32(h + kDateTime));
    entry.CreatorVersion = h[kUnpackVersion];
    entry.Crc = GetLe32(h + kFileCrc);
    entry.Encrypted = (flags & kFlagEncrypted) != 0;
    entry.CompressMethod = h[kMethod];
    entry.CompressMethodName =
        GetMethodName(ArxArchiveType::Rar, h[kMethod], 0, ArxMethodEntry{directory, 0});
    entry.FileAttr = attributes | (directory ? kDirectoryAttr : 0);
    entry.InternalAttr = static_cast<std::uint16_t>(attributes);
    entry.UnpackedSize = unpacked;
    // A member whose next part could not be had is listed without a packed size.
    entry.PackedSize = (flags & kFlagSplitAfter) != 0 ? 0 : packedSum_;
    if (directory)
        arx.ReportDir(entry);
    else
        arx.ReportFile(entry);
}

} // namespace sorvane
