// The ARJ directory walk.
#include "archive/arj/arxDirArj.h"

#include "archive/arj/arxArjHeader.h"
#include "archive/arxGlobals.h"

#include <algorithm>

namespace sorvane {

namespace {

constexpr std::uint32_t kReadOnlyAttr = 0x01;
constexpr std::uint32_t kDirectoryAttr = 0x10;
constexpr std::uint32_t kArchiveAttr = 0x20;

// ARJ on UNIX hosts stores the file's mode in the access field: the
// permission bits, and in the top four bits ARJ's own type code (1 file,
// 2 folder, 4 link or other special file). As attributes: folder, read-only
// when the owner may not write, archive for a file; nothing else.
std::uint32_t UnixModeAttributes(std::uint16_t mode) {
    constexpr std::uint16_t kTypeBits = 0xF000;
    constexpr std::uint16_t kRegularType = 0x1000;
    constexpr std::uint16_t kFolderType = 0x2000;
    constexpr std::uint16_t kOwnerWrite = 0200;
    std::uint32_t attributes = 0;
    if ((mode & kTypeBits) == kFolderType) attributes |= kDirectoryAttr;
    if ((mode & kTypeBits) == kRegularType) attributes |= kArchiveAttr;
    if ((mode & kOwnerWrite) == 0) attributes |= kReadOnlyAttr;
    return attributes;
}

TNameHost NameHost(const TArjHeader& header) {
    return header.Host == kArjUnixHost ? TNameHost::Other : TNameHost::Dos;
}

} // namespace

void TArjWalk::SetUp(TArxon& arx) {
    TArxonSource source(arx);
    TArjHeader main;
    if (ReadArjHeader(source, arx.Walk.FirstHeader, main) != TArjHeaderRead::Header) {
        arx.FailWalk();
        return;
    }
    multiVolume_ = (main.Flags & kArjVolumeFlag) != 0;
    arx.Walk.FirstHeader = main.DataPos;
    // The loop hands each step one byte: a header cut short by the end of the
    // file still reaches the header reader, which calls it bad.
    arx.Walk.HeaderSize = 1;
}

void TArjWalk::Step(TArxon& arx) {
    TArxonSource source(arx);
    TArjHeader header;
    const TArjHeaderRead read = ReadArjHeader(source, arx.Walk.HeaderOffset, header);
    // The end marker ends the archive; anything else that is not a header,
    // or a member whose data reaches past the volume, is a bad header.
    if (read == TArjHeaderRead::EndMarker) {
        arx.EndWalk();
        return;
    }
    if (read == TArjHeaderRead::Bad) {
        arx.FailWalk();
        return;
    }
    arx.SetOemFileName(header.RawName, NameHost(header));
    arx.FireReadFile();
    if (!ArjDataWhole(header, source)) {
        arx.FailWalk();
        return;
    }
    std::int64_t packed = header.PackedSize;
    std::int64_t unpacked = header.UnpackedSize;
    arx.Walk.Position = header.DataPos + packed;
    const std::uint8_t flags = header.Flags;
    if ((flags & kArjVolumeFlag) != 0 && !FollowVolumes(arx, packed, unpacked)) return;
    if (multiVolume_ && (flags & kArjContinuedFlag) != 0) return;
    if (!arx.MatchSpec()) return;
    TArxonEntry entry;
    // ARJ on UNIX hosts stores the modification time as Unix seconds.
    entry.FileDate = header.Host == kArjUnixHost ? UnixTimeToDateTime(header.Stamp)
                                                 : arx.DosDateToDateTime(header.Stamp);
    entry.CreatorVersion = header.ArchiverVersion;
    entry.ExtractVersion = header.MinVersion;
    entry.PackedSize = packed;
    entry.UnpackedSize = unpacked;
    entry.Crc = header.Crc;
    entry.Encrypted = (flags & kArjGarbledFlag) != 0;
    entry.CompressMethod = header.Method;
    const bool directory = header.FileType == kArjFolderType;
    entry.CompressMethodName =
        arx.GetMethodName(header.Method, flags, ArxMethodEntry{directory, 0});
    entry.FileAttr =
        header.Host == kArjUnixHost ? UnixModeAttributes(header.AccessMode) : header.AccessMode;
    entry.InternalAttr = static_cast<std::uint16_t>(entry.FileAttr);
    if (directory)
        arx.ReportDir(entry);
    else
        arx.ReportFile(entry);
}

// The member goes on in the next volumes: each holds an archive header and
// then the member's next part, until a part without the volume flag.
bool TArjWalk::FollowVolumes(TArxon& arx, std::int64_t& packed, std::int64_t& unpacked) {
    for (;;) {
        if (!arx.NextVolume()) return false;
        TArxonSource source(arx);
        TArjHeader main, part;
        if (ReadArjHeader(source, 0, main) != TArjHeaderRead::Header ||
            ReadArjHeader(source, main.DataPos, part) != TArjHeaderRead::Header) {
            arx.FailWalk();
            return false;
        }
        arx.SetOemFileName(part.RawName, NameHost(part));
        if (!ArjDataWhole(part, source)) {
            arx.FailWalk();
            return false;
        }
        packed += part.PackedSize;
        unpacked += part.UnpackedSize;
        arx.Walk.Position = part.DataPos + part.PackedSize;
        if ((part.Flags & kArjVolumeFlag) == 0) return true;
    }
}

} // namespace sorvane
