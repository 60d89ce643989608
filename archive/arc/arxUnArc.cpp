// The ARC and PAK reader.
#include "archive/arc/arxUnArc.h"

#include "archive/arxCrc.h"
#include "archive/arxHelpers.h"
#include "archive/codecs/arxArcMember.h"
#include "archive/codecs/arxUncrunch.h"
#include "archive/codecs/arxUnsquash.h"
#include "archive/codecs/arxUnsqueeze.h"
#include "platform/Folders.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace sorvane {

namespace {

constexpr std::uint32_t kArchiveAttr = 0x20;
constexpr std::uint32_t kDirectoryAttr = 0x10;
constexpr std::int64_t kStep = 32767;

struct Record {
    std::uint32_t Attr;
    std::uint32_t Unused;
    std::int64_t Offset;
};
static_assert(sizeof(Record) == 16);

bool DecodableMethod(std::uint8_t method) {
    return method >= 1 && method <= 9;
}

} // namespace

TUnArc::TUnArc() = default;

TArcHeaderRead TUnArc::ReadHeader(TArxBaseStream& stream, std::int64_t offset, TArcHeader& header) {
    TArxStreamSource source(stream);
    return ReadArcHeader(source, offset, IsPak(), header);
}

// ---------------------------------------------------------------------------
// The driver

void TUnArc::ExtractFiles(std::unique_ptr<TArxBaseStream>& InStream, int) {
    if (!InStream) {
        ReportError(ArchiveFile, "", "", kMsgOpenError);
        return;
    }
    list_.Init(sizeof(Record));
    struct FreeList {
        TUnBaseHeaderObj& list;
        ~FreeList() { list.Done(); }
    } freeList{list_};
    Walk(*InStream);
    for (int i = 0; i < list_.Count && !GetCancel(); ++i) {
        Record record{};
        std::memcpy(&record, list_.GetItem(i), sizeof record);
        ExtractMember(*InStream, record.Offset, record.Attr, std::string(list_.GetName(i)));
    }
}

// Collects the selected members, each with its full name: an ARC folder
// entry (30) puts its name in front of the names that follow, up to its end
// marker (31), which closes that folder only. PAK has no folders.
void TUnArc::Walk(TArxBaseStream& stream) {
    std::string prefix; // raw stored bytes, each folder ending in "\"
    TArxStreamSource source(stream);
    std::int64_t pos = std::max<std::int64_t>(StartOffset, 0);
    while (!GetCancel()) {
        TArcHeader header;
        const TArcHeaderRead read = ReadHeader(stream, pos, header);
        if (read == TArcHeaderRead::End) break;
        if (read == TArcHeaderRead::CutShort) {
            // A marker with a header cut short is damage.
            ReportError(ArchiveFile, "", VolumeName, kMsgReadError);
            break;
        }
        if (IsArcFolderEnd(header, IsPak())) {
            if (prefix.empty()) break;
            prefix.pop_back();
            const auto sep = prefix.find_last_of('\\');
            prefix.erase(sep == std::string::npos ? 0 : sep + 1);
            pos += header.HeaderSize;
            continue;
        }
        const std::int64_t dataPos = pos + header.HeaderSize;
        const bool folder = IsArcFolder(header, IsPak());
        std::string raw = IsPak() ? header.RawName : prefix + header.RawName;
        if (folder) {
            prefix += header.RawName + "\\";
            raw = prefix;
        }
        const std::string name = StoredNameToAnsi(raw, TNameHost::Dos, TranslateOemChar);
        // A member whose data run past the end of the archive: the bad header
        // the directory walk reports; the members before it are extracted.
        if (!folder && !ArcDataWhole(header, pos, source)) {
            ReportError(name, "", VolumeName, kMsgBadFileHeader);
            break;
        }
        if (MatchFileSpecDirs(name, FileSpec, ExclusionList, RecurseDirs) &&
            name.size() <= 0xFFFF) {
            const Record record{folder ? kDirectoryAttr : kArchiveAttr, 0, pos};
            list_.AddItem(&record, name.data(), static_cast<std::uint16_t>(name.size()));
            if (!folder) {
                ArchiveTotal += header.PackedSize;
                FileTotal += header.UnpackedSize;
                MaxFileDate = std::max(MaxFileDate, header.DosDate);
            }
        }
        // A folder's members follow its header; its packed size spans them.
        pos = folder ? dataPos : dataPos + header.PackedSize;
    }
    BytesRemaining = ArchiveTotal;
}

// ---------------------------------------------------------------------------
// One member

void TUnArc::ExtractMember(TArxBaseStream& stream, std::int64_t offset, std::uint32_t attr,
                           const std::string& name) {
    TArcHeader header;
    if (ReadHeader(stream, offset, header) != TArcHeaderRead::Header) {
        ReportError(name, "", VolumeName, kMsgReadError);
        return;
    }
    StoredName = name;
    SetCurrentFileName(name);
    if (CurrentNameRefused) return; // reported; nothing leaves ExtractDir

    if (attr & kDirectoryAttr) {
        RememberFolder(CurrentFileName, std::nullopt, header.DosDate);
        return;
    }
    // What cannot be decoded is refused before any output is opened.
    if (!DecodableMethod(header.Method)) {
        ReportError(name, "", VolumeName, kMsgUnsupportedMethod);
        return;
    }
    if (!CheckOverwrite(false)) return;
    std::unique_ptr<TArxBaseStream> out;
    if (!OpenOutputFile(out, CurrentFileName, name)) {
        UncountMember();
        return;
    }
    Crc16.Start(0);
    const TDecodeResult result =
        DecodeMember(stream, offset + header.HeaderSize, out.get(), header, name);
    SetFileAttrDate(out, OutputMode == kOutputFiles ? CurrentFileName : name, kArchiveAttr,
                    header.DosDate);
    // Only members written whole count as extracted.
    MemberVerdict({.Result = result,
                   .CrcWidth = 16,
                   .StoredCrc = header.Crc,
                   .DeclaredSize = header.UnpackedSize});
    MemberDone({header.PackedSize, 0});
}

TDecodeResult TUnArc::DecodeMember(TArxBaseStream& stream, std::int64_t dataPos,
                                   TArxBaseStream* out, const TArcHeader& header,
                                   const std::string& name) {
    stream.Seek(dataPos, TSeekOrigin::Beginning);
    TDecodeResult result = TDecodeResult::Corrupt;
    try {
        if (header.Method == 1 || header.Method == 2) {
            // Stored: never more than the declared size; data beyond it are
            // damage, as a decoder's output past it is.
            result = CopyStored(stream, out, {std::min(header.PackedSize, header.UnpackedSize), 0},
                                name, 16);
            if (result == TDecodeResult::Done && header.PackedSize > header.UnpackedSize)
                throw E_RAISE(kMsgCorruptInput);
        } else {
            TMemberIo io = MemberIo(stream, out, header.PackedSize, header.UnpackedSize, 16);
            switch (header.Method) {
            case 3:
                result = ArcUnpack(io, buffers_);
                break;
            case 4:
                result = Unsqueeze(io, buffers_);
                break;
            case 5:
            case 6:
            case 7:
                result = Uncrunch(io, header.Method, buffers_);
                break;
            default:
                result = Unsquash(io, header.Method, buffers_);
                break;
            }
        }
    } catch (const E_RAISE& error) {
        // A write failure was reported where it happened; the decoders'
        // other errors are reported here. Either ends the member.
        if (error.Code() == kMsgWriteError || error.Code() == kMsgDiskFull)
            return TDecodeResult::WriteFailed;
        ReportError(name, "", VolumeName, error.Code());
        return TDecodeResult::Corrupt;
    }
    if (GetCancel()) return TDecodeResult::Canceled;
    if (result == TDecodeResult::InputEnded) {
        // The archive ends inside the member's packed data.
        ReportError(name, "", VolumeName, kMsgReadError);
        return TDecodeResult::Corrupt;
    }
    return result;
}

} // namespace sorvane
