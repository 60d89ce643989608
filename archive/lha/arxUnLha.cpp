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
    // Unix LHA stores a symbolic link as a folder entry "name|target": it is
    // refused like the tar reader's links, and nothing is created for it.
    const auto bar = header.Name.find('|');
    if (header.Folder() && bar != std::string::npos) {
        std::string target = header.Name.substr(bar + 1);
        std::replace(target.begin(), target.end(), '\\', '/');
        while (!target.empty() && target.back() == '/')
            target.pop_back();
        SetCurrentFileName(header.Name.substr(0, bar));
        if (CurrentNameRefused) return;
        ReportError(OutputMode == kOutputFiles ? CurrentFileName : header.Name.substr(0, bar),
                    "symbolic link to " + target, ArchiveFile, kMsgUnknownFileType);
        return;
    }
    SetCurrentFileName(header.Name);
    if (CurrentNameRefused) return; // reported; nothing leaves ExtractDir
    MemberEncrypted = false;
    const std::string eventName = OutputMode == kOutputFiles ? CurrentFileName : header.Name;

    if (header.Folder()) {
        if (!CheckOverwrite(true)) return;
        RememberFolder(CurrentFileName, header.UnixTime, header.DosDate());
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
    // Data declared past the archive's end: the member is cut short.
    if (header.PackedSize > stream.Size() - header.DataPos) {
        ReportError(header.Name, "the archive ends inside the member", ArchiveFile, kMsgReadError);
        return;
    }
    if (!CheckOverwrite(false)) return;
    std::unique_ptr<TArxBaseStream> out;
    if (!OpenOutputFile(out, CurrentFileName, header.Name)) {
        UncountMember();
        return;
    }

    Crc16.Start(0);
    Crc32.Start(0xFFFFFFFFu);
    const std::int64_t packed = std::max<std::int64_t>(header.PackedSize, 0);
    const std::int64_t unpacked = header.UnpackedSize;
    const std::int64_t remainingBefore = BytesRemaining;
    stream.Seek(header.DataPos, TSeekOrigin::Beginning);
    TDecodeResult result = TDecodeResult::Corrupt;
    bool reported = false;
    try {
        switch (header.Method[3]) {
        case '0':
            // Never more than the declared size.
            result =
                CopyStored(stream, out.get(), {std::min(packed, unpacked), 0}, header.Name, 16);
            break;
        case '1':
            result = lh1_.Run(*this, stream, out.get(), packed, unpacked);
            break;
        default: {
            static constexpr TLzhParams kParams[] = {kLzhLh4, kLzhLh5, kLzhLh6, kLzhLh7};
            lzh_.Setup(kParams[header.Method[3] - '4']);
            result = lzh_.Run(*this, stream, out.get(), packed, unpacked);
            break;
        }
        }
    } catch (const E_RAISE& error) {
        // A write failure was reported where it happened.
        reported = true;
        if (error.Code() != kMsgWriteError && error.Code() != kMsgDiskFull)
            ReportError(header.Name, "", VolumeName, error.Code());
        result = error.Code() == kMsgWriteError || error.Code() == kMsgDiskFull
                     ? TDecodeResult::WriteFailed
                     : TDecodeResult::Corrupt;
    }
    // The Unix time where the header stores one, else the DOS date-time.
    if (header.UnixTime)
        SetFileAttrUnixTime(out, eventName, header.Attributes(), *header.UnixTime);
    else
        SetFileAttrDate(out, eventName, header.Attributes(), header.DosDate());
    // The decoder's end is reported here, so the verdict adds no CRC failure
    // to it: a damaged stream of zeros has the CRC-16 of any shorter run.
    if (!reported && (result == TDecodeResult::Corrupt || result == TDecodeResult::InputEnded)) {
        ReportError(header.Name, "", VolumeName,
                    result == TDecodeResult::Corrupt ? kMsgCorruptInput : kMsgReadError);
        result = TDecodeResult::Corrupt;
    }
    // Only members written whole, clean to their end and checked count.
    MemberVerdict(
        {.Result = result, .CrcWidth = 16, .StoredCrc = header.Crc, .DeclaredSize = unpacked});
    const std::int64_t taken = std::max<std::int64_t>(remainingBefore - BytesRemaining, 0);
    MemberDone({std::max<std::int64_t>(packed - taken, 0), 0});
}

} // namespace sorvane
