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
constexpr std::int64_t kStoredChunk = 32768;

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

TDecodeResult TUnZoo::DecodeMember(TArxBaseStream& stream, TArxBaseStream* out, const TZooEntry& entry) {
    const std::int64_t limit = entry.UnpackedSize;
    std::int64_t packedLeft = entry.PackedSize;
    std::int64_t written = 0;
    Crc16.Start(0);
    stream.Seek(entry.DataPos, TSeekOrigin::Beginning);
    auto read = [&](std::uint8_t* buf, std::int64_t count) -> std::int64_t {
        count = std::min(count, packedLeft);
        if (count <= 0) return 0;
        const std::int64_t got = ReadProc(stream, count, 0, false, buf);
        if (got > 0) {
            packedLeft -= got;
            BytesRemaining -= got;
        }
        return got;
    };
    auto write = [&](const std::uint8_t* buf, std::int64_t count) -> std::int64_t {
        count = std::min(count, limit - written);
        if (count <= 0) return 0;
        if (WriteOutput(out, buf, 1, count, 16) <= 0) return 0;
        written += count;
        DoProgress(ArchiveTotal, limit, written);
        return count;
    };
    switch (entry.Method) {
    case 0: {
        std::vector<std::uint8_t> buffer(static_cast<std::size_t>(kStoredChunk));
        while (written < limit && !GetCancel()) {
            const std::int64_t got = read(buffer.data(), std::min(kStoredChunk, limit - written));
            if (got <= 0) return TDecodeResult::InputEnded;
            if (write(buffer.data(), got) == 0) return TDecodeResult::WriteFailed;
        }
        return GetCancel() ? TDecodeResult::Canceled : TDecodeResult::Done;
    }
    case 1: {
        TZipMemberContext context;
        context.PackedSize = entry.PackedSize;
        context.UnpackedSize = limit;
        context.Read = read;
        context.Write = write;
        context.Cancel = CancelFlagRef;
        switch (ZooLzwDecode(context)) {
        case kZipDecodeDone:
            return GetCancel() ? TDecodeResult::Canceled : TDecodeResult::Done;
        case kZipDecodeInputExhausted:
            return TDecodeResult::InputEnded;
        case kZipDecodeInvalid:
            ReportError(entry.Name, "", ArchiveFile, kMsgCorruptInput);
            return TDecodeResult::Corrupt;
        case kZipDecodeWriteFailed:
            return TDecodeResult::WriteFailed;
        default:
            return TDecodeResult::Canceled;
        }
    }
    case 2: {
        LzhStaticDecoder decoder;
        decoder.Setup(kLzhZooMethod2);
        TLzhIo io;
        io.Read = [&](std::uint8_t* buf, std::int64_t count, bool) { return read(buf, count); };
        io.Write = [&](const std::uint8_t* buf, std::int64_t count, int) {
            return write(buf, count);
        };
        io.Cancel = CancelFlagRef;
        switch (decoder.Run(io, entry.PackedSize, limit)) {
        case TLzhResult::Done:
            return GetCancel() ? TDecodeResult::Canceled : TDecodeResult::Done;
        case TLzhResult::InputEnded:
            return TDecodeResult::InputEnded;
        case TLzhResult::Corrupt:
            ReportError(entry.Name, "", ArchiveFile, kMsgCorruptInput);
            return TDecodeResult::Corrupt;
        case TLzhResult::WriteFailed:
            return TDecodeResult::WriteFailed;
        default:
            return TDecodeResult::Canceled;
        }
    }
    default:
        return TDecodeResult::Corrupt;
    }
}

} // namespace sorvane
