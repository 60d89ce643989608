// Directory walks of gzip, .Z and "atMsGZ" archives.
#include "archive/gzip/arxDirGzip.h"

#include "archive/arxDisk.h"
#include "archive/arxGlobals.h"
#include "archive/arxHelpers.h"
#include "archive/gzip/arxGzipHeader.h"
#include "platform/FileAttributes.h"

#include <algorithm>
#include <array>

namespace sorvane {
namespace {

// The system's "normal" attribute, which the entry shows as none.
constexpr std::uint32_t kNormalAttribute = 128;

// atMsGZ: the archive header and its file records.
constexpr std::int64_t kMsGzArchiveHeaderSize = 54;
constexpr std::size_t kMsGzDirectoryOffset = 41;
constexpr std::int64_t kMsGzBlockHeaderSize = 6;
constexpr std::size_t kMsGzBlockLength = 2;
constexpr std::int64_t kMsGzRecordSize = 29;
constexpr std::size_t kMsGzOriginalSize = 2;
constexpr std::size_t kMsGzPackedSize = 6;
constexpr std::size_t kMsGzEntryOffset = 10;
constexpr std::size_t kMsGzDateTime = 14;
constexpr std::size_t kMsGzAttributes = 18;
constexpr std::size_t kMsGzDistance = 22;
constexpr std::size_t kMsGzNameLength = 28;

// The archive's file name without its folder, cut before its last ".".
std::string NameFromArchive(const std::string& archiveFile) {
    const std::size_t slash = archiveFile.find_last_of('/');
    std::string name = slash == std::string::npos ? archiveFile : archiveFile.substr(slash + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos) name.resize(dot);
    return name;
}

std::uint32_t ArchiveFileAttributes(const std::string& archiveFile) {
    const std::uint32_t attributes = ReadDosAttributes(archiveFile).value_or(0);
    return attributes == kNormalAttribute ? 0 : attributes;
}

// CRC and original size from the trailer behind the data at `dataStart`;
// false when the file is too short to hold it.
bool ReadTrailer(TArxon& arx, std::int64_t dataStart, TArxonEntry& entry) {
    const std::int64_t at = arx.Walk.StreamSize - kGzipTrailerSize;
    std::array<std::uint8_t, kGzipTrailerSize> trailer{};
    if (at < dataStart || !arx.ReadExact(at, trailer.data(), kGzipTrailerSize)) return false;
    entry.Crc = GetLe32(trailer.data());
    entry.UnpackedSize = GetLe32(trailer.data() + 4);
    return true;
}

} // namespace

DateTime ArchiveFileDate(TArxon& arx) {
    constexpr int kModified = 1;
    auto* file = dynamic_cast<THandleStream32*>(&arx.Archive());
    if (file == nullptr) return kArxNoValidDate;
    return arx.DosDateToDateTime(GetFileDosTime(file->Handle, kModified));
}

void TGzipWalk::SetUp(TArxon& arx) {
    arx.Walk.HeaderSize = kGzipHeaderSize;
}

void TGzipWalk::Step(TArxon& arx) {
    TGzipHeader fixed;
    ParseGzipFixed(arx.Walk.Header.data(), fixed);
    const std::uint16_t magic = fixed.Magic;
    const std::uint8_t flags = fixed.Flags;
    // Other magics of the family (.Z, pack, LZH) keep no header fields.
    const bool gzip = magic == kGzipMagic || magic == kGzipOldMagic;
    const std::int64_t size = arx.Walk.StreamSize;

    TArxonEntry entry;
    entry.PackedSize = entry.UnpackedSize = size - kGzipHeaderSize;
    // A gzip time of 0 (gzip -n) is no valid date.
    entry.FileDate = gzip ? UnixTimeToDateTime(fixed.MTime) : ArchiveFileDate(arx);

    std::string name = NameFromArchive(arx.ArchiveFile);
    bool whole = true;
    if (gzip) {
        TArxonSource source(arx);
        TGzipHeader member;
        if (!ReadGzipHeader(source, arx.Walk.HeaderOffset, member)) {
            arx.FailWalk();
            return;
        }
        if (member.HasName) name = member.Name;
        // A file cut too short for its trailer: the member is listed without it.
        whole = ReadTrailer(arx, member.DataPos, entry);
        entry.Encrypted = (flags & kGzipFlagEncrypted) != 0;
        entry.PackedSize = size - kGzipTrailerSize - member.ExtraLength;
    }
    entry.UnpackedSize = std::max(entry.UnpackedSize, entry.PackedSize);
    entry.FileAttr = ArchiveFileAttributes(arx.ArchiveFile);
    entry.InternalAttr = static_cast<std::uint16_t>(entry.FileAttr);
    entry.CompressMethod = fixed.Method;
    entry.CompressMethodName =
        GetMethodName(ArxArchiveType::Gzip, fixed.Method, flags, ArxMethodEntry{false, magic});
    arx.SetRawFileName(name);
    arx.FireReadFile();
    arx.ReportFile(entry);
    if (whole)
        arx.EndWalk();
    else
        arx.FailWalk(kMsgReadError);
}

void TMsGzWalk::SetUp(TArxon& arx) {
    std::array<std::uint8_t, kMsGzArchiveHeaderSize> header{};
    if (!arx.ReadExact(arx.Walk.FirstHeader, header.data(), kMsGzArchiveHeaderSize)) {
        arx.FailWalk();
        return;
    }
    std::int64_t pos = GetLe32(header.data() + kMsGzDirectoryOffset);
    if (arx.Walk.StreamSize <= pos) {
        arx.EndWalk();
        return;
    }
    // Folder blocks: a first byte 0 ends the chain.
    for (;;) {
        std::array<std::uint8_t, kMsGzBlockHeaderSize> block{};
        if (!arx.ReadExact(pos, block.data(), 1)) {
            arx.FailWalk();
            return;
        }
        if (block[0] == 0) break;
        if (!arx.ReadExact(pos, block.data(), kMsGzBlockHeaderSize)) {
            arx.FailWalk();
            return;
        }
        const std::int64_t length = GetLe16(block.data() + kMsGzBlockLength);
        if (length < kMsGzBlockHeaderSize) {
            arx.FailWalk();
            return;
        }
        pos += length;
    }
    arx.Walk.FirstHeader = pos;
    arx.Walk.HeaderSize = kMsGzRecordSize;
}

void TMsGzWalk::Step(TArxon& arx) {
    const std::uint8_t* record = arx.Walk.Header.data();
    const std::int64_t nameLength = record[kMsGzNameLength];
    const std::int64_t distance = GetLe32(record + kMsGzDistance);
    std::string name;
    if (kMsGzRecordSize + nameLength > distance ||
        !arx.ReadName(arx.Walk.Position, nameLength, name)) {
        arx.FailWalk();
        return;
    }
    arx.SetRawFileName(name);
    arx.FireReadFile();
    if (arx.MatchSpec()) {
        TArxonEntry entry;
        entry.UnpackedSize = GetLe32(record + kMsGzOriginalSize);
        entry.PackedSize = GetLe32(record + kMsGzPackedSize);
        entry.FileDate = DosDateTimeToDateTime(SwapWords(GetLe32(record + kMsGzDateTime)));
        entry.FileAttr = GetLe32(record + kMsGzAttributes);
        entry.InternalAttr = static_cast<std::uint16_t>(entry.FileAttr);
        entry.Offset = GetLe32(record + kMsGzEntryOffset);
        arx.ReportFile(entry);
    }
    if (arx.Walk.Ended) return;
    arx.MoveWalkTo(arx.Walk.HeaderOffset + distance);
}

} // namespace sorvane
