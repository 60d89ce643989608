// Directory walk of cabinet files and sets.
#include "archive/cab/arxDirCab.h"

#include "archive/arxGlobals.h"
#include "platform/StreamFile.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>

namespace sorvane {
namespace {

constexpr std::int64_t kHeaderSize = 36;
constexpr std::size_t kFilesOffset = 16;
constexpr std::size_t kVersionMinor = 24;
constexpr std::size_t kVersionMajor = 25;
constexpr std::size_t kFileCount = 28;
constexpr std::size_t kFlags = 30;
constexpr std::uint16_t kFlagPrevious = 0x0001;
constexpr std::uint16_t kFlagNext = 0x0002;
constexpr std::uint16_t kFlagReserve = 0x0004;
constexpr std::int64_t kReserveFieldsSize = 4;
constexpr std::int64_t kMaxSetName = 255;

constexpr std::int64_t kFolderSize = 8;
constexpr std::size_t kFolderDataStart = 0;
constexpr std::size_t kFolderCompression = 6;
constexpr std::int64_t kDataHeaderSize = 8;

// CFFILE.
constexpr std::int64_t kRecordSize = 16;
constexpr std::size_t kFileSize = 0;
constexpr std::size_t kFolderIndex = 8;
constexpr std::size_t kDate = 10;
constexpr std::size_t kTime = 12;
constexpr std::size_t kAttributes = 14;
constexpr std::int64_t kMaxFileName = 256;
constexpr std::uint16_t kContinuedFromPrevious = 0xFFFD;
constexpr std::uint16_t kContinuedBothWays = 0xFFFF;
constexpr std::uint16_t kDirectoryAttr = 0x10;
constexpr std::uint16_t kNameIsUtf8 = 0x80;

bool ReadExactly(const ArxReadBytesAt& read, std::int64_t pos, void* buffer, std::int64_t count) {
    return read(pos, buffer, count) == count;
}

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

} // namespace

bool ParseCabHeader(const ArxReadBytesAt& read, std::int64_t start, TCabInfo& info) {
    std::array<std::uint8_t, kHeaderSize> header{};
    if (!ReadExactly(read, start, header.data(), kHeaderSize) ||
        std::memcmp(header.data(), "MSCF", 4) != 0)
        return false;
    info = TCabInfo{};
    info.FilesOffset = GetLe32(header.data() + kFilesOffset);
    info.Files = GetLe16(header.data() + kFileCount);
    info.VersionMinor = header[kVersionMinor];
    info.VersionMajor = header[kVersionMajor];
    info.Flags = GetLe16(header.data() + kFlags);
    std::int64_t pos = start + kHeaderSize;
    if ((info.Flags & kFlagReserve) != 0) {
        std::array<std::uint8_t, kReserveFieldsSize> reserve{};
        if (!ReadExactly(read, pos, reserve.data(), kReserveFieldsSize)) return false;
        pos += kReserveFieldsSize + GetLe16(reserve.data());
    }
    std::string previousCabinet, previousDisk;
    if ((info.Flags & kFlagPrevious) != 0 &&
        (!ReadNulText(read, pos, kMaxSetName, previousCabinet) ||
         !ReadNulText(read, pos, kMaxSetName, previousDisk)))
        return false;
    if ((info.Flags & kFlagNext) != 0 && (!ReadNulText(read, pos, kMaxSetName, info.NextCabinet) ||
                                          !ReadNulText(read, pos, kMaxSetName, info.NextDisk)))
        return false;
    std::array<std::uint8_t, kFolderSize> folder{};
    std::array<std::uint8_t, kDataHeaderSize> data{};
    if (!ReadExactly(read, pos, folder.data(), kFolderSize) ||
        !ReadExactly(read, start + GetLe32(folder.data() + kFolderDataStart), data.data(),
                     kDataHeaderSize))
        return false;
    info.Compression = GetLe16(folder.data() + kFolderCompression);
    // The file records must begin inside the cabinet.
    std::array<std::uint8_t, kRecordSize> record{};
    return info.Files == 0 ||
           ReadExactly(read, start + info.FilesOffset, record.data(), kRecordSize);
}

void TCabWalk::SetUp(TArxon& arx) {
    const ArxReadBytesAt read = [&arx](std::int64_t pos, void* buffer, std::int64_t count) {
        return arx.ReadAt(pos, buffer, count);
    };
    const std::int64_t start = arx.Walk.FirstHeader;
    if (!ParseCabHeader(read, start, info_)) {
        arx.FailWalk();
        return;
    }
    visited_.push_back(Lower(arx.ArchiveFile));
    remaining_ = info_.Files;
    arx.Walk.FirstHeader = start + info_.FilesOffset;
    arx.Walk.HeaderSize = kRecordSize;
    if (remaining_ == 0) ContinueSet(arx);
}

void TCabWalk::Step(TArxon& arx) {
    const ArxReadBytesAt read = [&arx](std::int64_t pos, void* buffer, std::int64_t count) {
        return arx.ReadAt(pos, buffer, count);
    };
    std::string name;
    std::int64_t pos = arx.Walk.Position;
    if (!ReadNulText(read, pos, kMaxFileName, name)) {
        arx.FailWalk();
        return;
    }
    arx.Walk.Position = pos;
    --remaining_;
    ListRecord(arx, arx.Walk.Header.data(), name, false, arx.Walk.HeaderOffset);
    if (!arx.Walk.Ended && remaining_ == 0) ContinueSet(arx);
}

void TCabWalk::ListRecord(TArxon& arx, const std::uint8_t* record, const std::string& name,
                          bool laterCabinet, std::int64_t offset) {
    const std::uint16_t attributes = GetLe16(record + kAttributes);
    if ((attributes & kNameIsUtf8) != 0)
        arx.SetRawFileName(name);
    else
        arx.SetOemFileName(name, TNameHost::Dos);
    arx.FireReadFile();
    const std::uint16_t folder = GetLe16(record + kFolderIndex);
    if (laterCabinet && (folder == kContinuedFromPrevious || folder == kContinuedBothWays)) return;
    if (!arx.MatchSpec()) return;

    TArxonEntry entry;
    entry.FileDate = DosDateTimeToDateTime(
        static_cast<std::uint32_t>(GetLe16(record + kDate)) << 16 | GetLe16(record + kTime));
    entry.CreatorVersion = info_.VersionMinor;
    entry.ExtractVersion = info_.VersionMajor;
    entry.PackedSize = entry.UnpackedSize = GetLe32(record + kFileSize);
    entry.CompressMethod = info_.Compression;
    entry.CompressMethodName = GetMethodName(ArxArchiveType::Cab, info_.Compression, 0);
    entry.FileAttr = entry.InternalAttr = attributes;
    entry.Offset = offset;
    if ((attributes & kDirectoryAttr) != 0)
        arx.ReportDir(entry);
    else
        arx.ReportFile(entry);
}

void TCabWalk::ContinueSet(TArxon& arx) {
    const std::string folder = FolderOf(arx.ArchiveFile);
    while (!info_.NextCabinet.empty() && !arx.GetCancel() && !arx.Walk.Ended) {
        std::string path = folder + info_.NextCabinet;
        if (std::find(visited_.begin(), visited_.end(), Lower(path)) != visited_.end()) break;
        if (!arx.OnNextVolume) break;
        arx.VolumeName = path;
        bool cancel = false;
        arx.OnNextVolume(arx, path, static_cast<int>(visited_.size()), StreamFileExists(path),
                         cancel);
        if (cancel) {
            arx.SetCancel(true);
            break;
        }
        visited_.push_back(Lower(path));
        TFileStream32 stream(path, TFileStream32::kModeReadDenyNone);
        if (stream.Handle < 0) {
            arx.FailWalk(kMsgOpenError, path);
            return;
        }
        arx.VolumeName = path;
        const ArxReadBytesAt read = [&stream](std::int64_t pos, void* buffer, std::int64_t count) {
            return sorvane::ReadAt(stream, pos, buffer, count);
        };
        if (!ListCabinet(arx, read, path)) return;
    }
    arx.EndWalk();
}

bool TCabWalk::ListCabinet(TArxon& arx, const ArxReadBytesAt& read, const std::string& path) {
    if (!ParseCabHeader(read, 0, info_)) {
        arx.FailWalk(kMsgBadFileHeader, path);
        return false;
    }
    std::int64_t pos = info_.FilesOffset;
    for (std::uint16_t i = 0; i < info_.Files; ++i) {
        if (arx.GetCancel()) return true;
        std::array<std::uint8_t, kRecordSize> record{};
        const std::int64_t offset = pos;
        std::string name;
        const bool whole = ReadExactly(read, pos, record.data(), kRecordSize);
        pos += kRecordSize;
        if (!whole || !ReadNulText(read, pos, kMaxFileName, name)) {
            arx.FailWalk(kMsgBadFileHeader, path);
            return false;
        }
        ListRecord(arx, record.data(), name, true, offset);
        if (arx.Walk.Ended) return false;
    }
    return true;
}

} // namespace sorvane
