// Directory walk of cabinet files and sets.
#include "archive/cab/arxDirCab.h"

#include "archive/arxGlobals.h"
#include "archive/cab/arxCabHeader.h"
#include "platform/StreamFile.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>

namespace sorvane {
namespace {

constexpr std::int64_t kMaxSetName = 255;
constexpr std::int64_t kMaxFileName = 256;

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
    std::array<std::uint8_t, kCabHeaderSize> bytes{};
    TCabFixedHeader header;
    if (!ReadExactly(read, start, bytes.data(), kCabHeaderSize) ||
        !ParseCabFixedHeader(bytes.data(), header))
        return false;
    info = TCabInfo{};
    info.FilesOffset = header.FilesOffset;
    info.Files = header.Files;
    info.VersionMinor = header.VersionMinor;
    info.VersionMajor = header.VersionMajor;
    info.Flags = header.Flags;
    std::int64_t pos = start + static_cast<std::int64_t>(kCabHeaderSize);
    TCabSetNames names;
    const auto readText = [&read](std::int64_t& at, std::string& text) {
        return ReadNulText(read, at, kMaxSetName, text);
    };
    if (!ReadCabSetNames(read, readText, info.Flags, pos, names)) return false;
    info.NextCabinet = names.NextCabinet;
    info.NextDisk = names.NextDisk;
    std::array<std::uint8_t, kCabFolderSize> folder{};
    if (!ReadExactly(read, pos, folder.data(), kCabFolderSize)) return false;
    info.Compression = CabFolderCompression(folder.data());
    // The file records must begin inside the cabinet.
    std::array<std::uint8_t, kCabFileRecordSize> record{};
    return info.Files == 0 ||
           ReadExactly(read, start + info.FilesOffset, record.data(), kCabFileRecordSize);
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
    // The loop hands each step one byte, the first of a file record: a record
    // cut short by the end of the file is a bad header here, as it is in a
    // later cabinet of the set and on extraction.
    arx.Walk.HeaderSize = 1;
    if (remaining_ == 0) ContinueSet(arx);
}

void TCabWalk::Step(TArxon& arx) {
    const ArxReadBytesAt read = [&arx](std::int64_t pos, void* buffer, std::int64_t count) {
        return arx.ReadAt(pos, buffer, count);
    };
    std::array<std::uint8_t, kCabFileRecordSize> record{};
    std::string name;
    std::int64_t pos = arx.Walk.HeaderOffset + kCabFileRecordSize;
    if (!ReadExactly(read, arx.Walk.HeaderOffset, record.data(), kCabFileRecordSize) ||
        !ReadNulText(read, pos, kMaxFileName, name)) {
        arx.FailWalk();
        return;
    }
    arx.Walk.Position = pos;
    --remaining_;
    ListRecord(arx, record.data(), name, false, arx.Walk.HeaderOffset);
    if (!arx.Walk.Ended && remaining_ == 0) ContinueSet(arx);
}

void TCabWalk::ListRecord(TArxon& arx, const std::uint8_t* record, const std::string& name,
                          bool laterCabinet, std::int64_t offset) {
    const TCabFileRecord file = ParseCabFileRecord(record);
    if ((file.Attributes & kCabNameIsUtf8) != 0)
        arx.SetRawFileName(name);
    else
        arx.SetOemFileName(name, TNameHost::Dos);
    arx.FireReadFile();
    if (laterCabinet && CabContinuesFromPrevious(file.FolderIndex)) return;
    if (!arx.MatchSpec()) return;

    TArxonEntry entry;
    entry.FileDate = DosDateTimeToDateTime(static_cast<std::uint32_t>(file.Date) << 16 | file.Time);
    entry.CreatorVersion = info_.VersionMinor;
    entry.ExtractVersion = info_.VersionMajor;
    entry.PackedSize = entry.UnpackedSize = file.Length;
    entry.CompressMethod = info_.Compression;
    entry.CompressMethodName = GetMethodName(ArxArchiveType::Cab, info_.Compression, 0);
    entry.FileAttr = entry.InternalAttr = file.Attributes;
    entry.Offset = offset;
    if ((file.Attributes & kCabDirectoryAttr) != 0)
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
        std::array<std::uint8_t, kCabFileRecordSize> record{};
        const std::int64_t offset = pos;
        std::string name;
        const bool whole = ReadExactly(read, pos, record.data(), kCabFileRecordSize);
        pos += kCabFileRecordSize;
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
