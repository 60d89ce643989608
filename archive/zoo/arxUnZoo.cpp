// The ZOO reader.
#include "archive/zoo/arxUnZoo.h"

#include "archive/arxCrc.h"
#include "archive/arxHelpers.h"
#include "archive/codecs/arxLzhStatic.h"
#include "archive/codecs/arxZooLzw.h"
#include "platform/FileAttributes.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace sorvane {
namespace {

constexpr std::int64_t kArchiveHeaderSize = 43;
constexpr std::size_t kStart = 24;
constexpr std::size_t kMinus = 28;
constexpr std::int64_t kEntrySize = 58;
constexpr std::uint32_t kEntryTag = 0xFDC4A7DCu;
constexpr std::size_t kMethod = 5;
constexpr std::size_t kNext = 6;
constexpr std::size_t kData = 10;
constexpr std::size_t kDateTime = 14; // date word first
constexpr std::size_t kCrc = 18;
constexpr std::size_t kOriginalSize = 20;
constexpr std::size_t kPackedSize = 24;
constexpr std::size_t kDeleted = 30;
constexpr std::size_t kName = 38;
constexpr std::size_t kNameLength = 13;
constexpr std::uint32_t kEntryAttr = 128;

struct Record {
    std::uint32_t Attr;
    std::uint32_t Reserved;
    std::int64_t Offset;
};
static_assert(sizeof(Record) == 16);

} // namespace

TUnZoo::TUnZoo() = default;

bool TUnZoo::ReadEntry(TArxBaseStream& stream, std::int64_t offset, TZooEntry& entry, bool& tagOk) {
    std::uint8_t h[kEntrySize]{};
    if (offset < 0 || ReadAt(stream, offset, h, kEntrySize) != kEntrySize) return false;
    tagOk = GetLe32(h) == kEntryTag;
    entry.Offset = offset;
    entry.Method = h[kMethod];
    entry.Next = GetLe32(h + kNext);
    entry.DataPos = GetLe32(h + kData);
    entry.DosDate = SwapWords(GetLe32(h + kDateTime));
    entry.Crc = GetLe16(h + kCrc);
    entry.UnpackedSize = GetLe32(h + kOriginalSize);
    entry.PackedSize = GetLe32(h + kPackedSize);
    entry.Deleted = h[kDeleted] != 0;
    const auto* field = reinterpret_cast<const char*>(h + kName);
    entry.Name = StoredNameToAnsi(std::string(field, strnlen(field, kNameLength)), TNameHost::Dos,
                                  TranslateOemChar);
    return true;
}

void TUnZoo::ExtractFiles(std::unique_ptr<TArxBaseStream>& InStream, int) {
    if (!InStream) {
        ReportError(ArchiveFile, "", "", kMsgOpenError);
        return;
    }
    list_.Init(sizeof(Record));
    struct FreeList {
        TUnBaseHeaderObj& list;
        ~FreeList() { list.Done(); }
    } freeList{list_};
    Timer.Pause();
    try {
        Walk(*InStream);
    } catch (...) {
        Timer.Resume();
        throw;
    }
    Timer.Resume();
    for (int i = 0; i < list_.Count && !GetCancel(); ++i) {
        Record record{};
        std::memcpy(&record, list_.GetItem(i), sizeof record);
        TZooEntry entry;
        bool tagOk = false;
        if (!ReadEntry(*InStream, record.Offset, entry, tagOk) || entry.Next < 1) break;
        if (!tagOk) {
            ReportError(entry.Name, "", ArchiveFile, kMsgBadFileHeader);
            continue;
        }
        ExtractMember(*InStream, entry);
    }
}

void TUnZoo::Walk(TArxBaseStream& stream) {
    std::uint8_t h[kArchiveHeaderSize]{};
    if (ReadAt(stream, 0, h, kArchiveHeaderSize) != kArchiveHeaderSize) return;
    const std::uint32_t start = GetLe32(h + kStart);
    // The header keeps the first entry's offset and its negation.
    if (static_cast<std::uint32_t>(start + GetLe32(h + kMinus)) != 0) return;
    const std::int64_t size = stream.Size();
    std::int64_t pos = start;
    while (!GetCancel()) {
        TZooEntry entry;
        bool tagOk = false;
        if (!ReadEntry(stream, pos, entry, tagOk)) break;
        if (!tagOk) RaiseError(ArchiveFile, "", "", kMsgBadFileHeader);
        // The chain ends with an entry whose next is 0.
        if (entry.Next == 0) break;
        if (!entry.Deleted && MatchFileSpecDirs(entry.Name, FileSpec, ExclusionList, RecurseDirs)) {
            const Record record{kEntryAttr, 0, pos};
            list_.AddRecord(&record);
            ArchiveTotal += entry.PackedSize;
            FileTotal += entry.UnpackedSize;
            MaxFileDate = std::max(MaxFileDate, entry.DosDate);
        }
        // The chain must move forward inside the file, or it could run forever.
        if (entry.Next < pos + kEntrySize || entry.Next > size) {
            ReportError(ArchiveFile, "", "", kMsgBadFileHeader);
            break;
        }
        pos = entry.Next;
    }
    BytesRemaining = ArchiveTotal;
}

void TUnZoo::ExtractMember(TArxBaseStream& stream, const TZooEntry& entry) {
    StoredName = entry.Name;
    SetCurrentFileName(entry.Name);
    if (CurrentNameRefused) return;
    // What cannot be decoded is refused before any output is opened.
    if (entry.Method > 2) {
        ReportError(entry.Name, "", ArchiveFile, kMsgUnsupportedMethod);
        return;
    }
    if (!CheckOverwrite(false)) return;
    const std::string eventName = OutputMode == kOutputFiles ? CurrentFileName : entry.Name;
    std::unique_ptr<TArxBaseStream> out;
    if (!OpenOutputFile(out, CurrentFileName, entry.Name)) {
        UncountMember();
        return;
    }
    TDecodeResult result = TDecodeResult::Corrupt;
    try {
        result = DecodeMember(stream, out.get(), entry);
    } catch (const E_RAISE& error) {
        const bool written = error.Code() == kMsgWriteError || error.Code() == kMsgDiskFull;
        if (!written) ReportError(entry.Name, "", ArchiveFile, error.Code());
        result = written ? TDecodeResult::WriteFailed : TDecodeResult::Corrupt;
    }
    SetFileAttrDate(out, eventName, kDosArchive, entry.DosDate);
    MemberVerdict({.Result = result,
                   .CrcWidth = 16,
                   .StoredCrc = entry.Crc,
                   .DeclaredSize = entry.UnpackedSize});
    MemberDone({0, 0});
}

TDecodeResult TUnZoo::DecodeMember(TArxBaseStream& stream, TArxBaseStream* out,
                                   const TZooEntry& entry) {
    Crc16.Start(0);
    stream.Seek(entry.DataPos, TSeekOrigin::Beginning);
    if (entry.Method == 0) {
        // Never more than the declared size.
        return CopyStored(stream, out, {std::min(entry.PackedSize, entry.UnpackedSize), 0},
                          entry.Name, 16);
    }
    TMemberIo io = MemberIo(stream, out, entry.PackedSize, entry.UnpackedSize, 16);
    TDecodeResult result = TDecodeResult::Corrupt;
    switch (entry.Method) {
    case 1:
        result = ZooLzwDecode(io);
        break;
    case 2:
        lzh_.Setup(kLzhZooMethod2);
        result = lzh_.Run(io);
        break;
    default:
        return TDecodeResult::Corrupt;
    }
    if (result == TDecodeResult::Corrupt)
        ReportError(entry.Name, "", ArchiveFile, kMsgCorruptInput);
    if (result == TDecodeResult::Done && GetCancel()) return TDecodeResult::Canceled;
    return result;
}

} // namespace sorvane
