// The LHA/LZH reader.
#include "archive/lha/arxUnLha.h"

#include "archive/arxCrc.h"
#include "archive/arxGlobals.h"
#include "archive/arxHelpers.h"
#include "archive/codecs/arxLh1.h"
#include "platform/DateTime.h"
#include "platform/Folders.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace sorvane {
namespace {

struct Record {
    std::uint32_t Attr;
    std::uint32_t Reserved;
    std::int64_t Offset;
};
static_assert(sizeof(Record) == 16);

} // namespace

int ReadLhaHeader(TArxBaseStream& stream, std::int64_t offset, bool translateOem,
                  TLhaHeader& header) {
    TArxStreamSource source(stream);
    const int read = ReadLhaHeader(source, offset, header);
    if (read == 1) header.Name = StoredNameToAnsi(header.RawPath, header.Host, translateOem);
    return read;
}

TUnLha::TUnLha() = default;

void TUnLha::ExtractFiles(std::unique_ptr<TArxBaseStream>& InStream, int) {
    if (!InStream) {
        ReportError(ArchiveFile, "", "", kMsgOpenError);
        return;
    }
    list_.Init(sizeof(Record));
    struct FreeList {
        TUnBaseHeaderObj& list;
        ~FreeList() { list.Done(); }
    } freeList{list_};

    TArxBaseStream& stream = *InStream;
    const std::int64_t size = stream.Size();
    std::int64_t pos = std::max<std::int64_t>(StartOffset, 0);
    while (!GetCancel()) {
        TLhaHeader header;
        const int read = ReadLhaHeader(stream, pos, TranslateOemChar, header);
        if (read == 0) break;
        if (read < 0) {
            ReportError(ArchiveFile, "", VolumeName, kMsgBadFileHeader);
            break;
        }
        const char kind = header.Method[3];
        const bool listed = kind == 'd' || (kind >= '0' && kind <= '7');
        if (listed && MatchFileSpecDirs(header.Name, FileSpec, ExclusionList, RecurseDirs)) {
            const Record record{header.Attr, 0, pos};
            list_.AddRecord(&record);
            ArchiveTotal += std::max<std::int64_t>(header.PackedSize, 0);
            FileTotal += header.UnpackedSize;
            MaxFileDate = std::max(MaxFileDate, header.DosDate());
        }
        // Every header lies after the one before, inside the file.
        if (header.NextPos <= pos || header.NextPos > size) break;
        pos = header.NextPos;
    }
    BytesRemaining = ArchiveTotal;

    for (int i = 0; i < list_.Count && !GetCancel(); ++i) {
        Record record{};
        std::memcpy(&record, list_.GetItem(i), sizeof record);
        TLhaHeader header;
        if (ReadLhaHeader(stream, record.Offset, TranslateOemChar, header) != 1) {
            ReportError(ArchiveFile, "", VolumeName, kMsgBadFileHeader);
            break;
        }
        ExtractMember(stream, header);
    }
}

void TUnLha::ExtractMember(TArxBaseStream& stream, const TLhaHeader& header) {
    StoredName = header.Name;
    SetCurrentFileName(header.Name);
    if (CurrentNameRefused) return; // reported; nothing leaves ExtractDir
    MemberEncrypted = false;
    const std::string eventName = OutputMode == kOutputFiles ? CurrentFileName : header.Name;

    if (header.Folder()) {
        if (!CheckOverwrite(true)) return;
        if (OutputMode == kOutputFiles && UseStoredDirs && CreateStoredDirs &&
            !CreateFolderPath(CurrentFileName)) {
            ReportError(CurrentFileName, "", VolumeName, kMsgOpenError);
            return;
        }
        Crc16.Start(0);
        CheckCrc(16, header.Crc);
        return;
    }
    // What cannot be decoded is refused before any output is opened.
    if (!header.Supported()) {
        ReportError(header.Name, std::string(header.Method.data(), header.Method.size()),
                    VolumeName, kMsgUnsupportedMethod);
        return;
    }
    if (!CheckOverwrite(false)) return;
    std::unique_ptr<TArxBaseStream> out;
    if (!OpenOutputFile(out, CurrentFileName, header.Name)) {
        ResultCount = std::max(0, ResultCount - 1);
        return;
    }

    Crc16.Start(0);
    Crc32.Start(0xFFFFFFFFu);
    const std::int64_t packed = std::max<std::int64_t>(header.PackedSize, 0);
    const std::int64_t unpacked = header.UnpackedSize;
    const std::int64_t remainingBefore = BytesRemaining;
    stream.Seek(header.DataPos, TSeekOrigin::Beginning);
    try {
        switch (header.Method[3]) {
        case '0':
            // Never more than the declared size.
            CopyStoredMember(stream, out.get(), {std::min(packed, unpacked), 0}, header.Name, 16);
            break;
        case '1':
            lh1_.Run(*this, stream, out.get(), packed, unpacked);
            break;
        default: {
            static constexpr TLzhParams kParams[] = {kLzhLh4, kLzhLh5, kLzhLh6, kLzhLh7};
            lzh_.Setup(kParams[header.Method[3] - '4']);
            lzh_.Run(*this, stream, out.get(), packed, unpacked);
            break;
        }
        }
    } catch (const E_RAISE& error) {
        // A write failure was reported where it happened.
        if (error.Code() != kMsgWriteError && error.Code() != kMsgDiskFull)
            ReportError(header.Name, "", VolumeName, error.Code());
    }
    SetFileAttrDate(out, eventName, header.Attr, header.DosDate());
    // Only members written whole count as extracted.
    const bool passed = CheckCrc(16, header.Crc);
    if (!passed) UncountMember();
    FinishMember(passed);
    const std::int64_t taken = std::max<std::int64_t>(remainingBefore - BytesRemaining, 0);
    MemberDone({std::max<std::int64_t>(packed - taken, 0), 0});
}

} // namespace sorvane
