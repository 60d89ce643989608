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

constexpr std::uint32_t kEntryAttr = 128;

struct Record {
    std::uint32_t Attr;
    std::uint32_t Reserved;
    std::int64_t Offset;
};
static_assert(sizeof(Record) == 16);

} // namespace

TUnZoo::TUnZoo() = default;

TZooEntryRead TUnZoo::ReadEntry(TArxBaseStream& stream, std::int64_t offset, TZooEntry& entry) {
    TArxStreamSource source(stream);
    const TZooEntryRead read = ReadZooEntry(source, offset, entry);
    entry.Name = StoredNameToAnsi(entry.RawName, TNameHost::Dos, TranslateOemChar);
    return read;
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
        const TZooEntryRead read = ReadEntry(*InStream, record.Offset, entry);
        if (read == TZooEntryRead::End) break;
        if (read == TZooEntryRead::Bad) {
            ReportError(entry.Name, "", ArchiveFile, kMsgBadFileHeader);
            continue;
        }
        ExtractMember(*InStream, entry);
    }
}

void TUnZoo::Walk(TArxBaseStream& stream) {
    TArxStreamSource source(stream);
    std::int64_t pos = 0;
    if (!ReadZooStart(source, pos)) return;
    while (!GetCancel()) {
        TZooEntry entry;
        const TZooEntryRead read = ReadEntry(stream, pos, entry);
        if (read == TZooEntryRead::End) break;
        if (read == TZooEntryRead::Bad) {
            // The same bad header the directory walk reports; the members
            // before it are extracted.
            ReportError(ArchiveFile, "", "", kMsgBadFileHeader);
            break;
        }
        if (!entry.Deleted && MatchFileSpecDirs(entry.Name, FileSpec, ExclusionList, RecurseDirs)) {
            const Record record{kEntryAttr, 0, pos};
            list_.AddRecord(&record);
            ArchiveTotal += entry.PackedSize;
            FileTotal += entry.UnpackedSize;
            MaxFileDate = std::max(MaxFileDate, entry.DosDate);
        }
        // The chain must move forward inside the file, or it could run forever.
        const TZooNext next = ZooNextOf(entry, source);
        if (next != TZooNext::On) {
            ReportError(ArchiveFile, "", "",
                        next == TZooNext::PastEnd ? kMsgReadError : kMsgBadFileHeader);
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
