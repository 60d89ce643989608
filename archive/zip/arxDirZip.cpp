// The ZIP family's directory walk.
#include "archive/zip/arxDirZip.h"

#include "archive/arxCrc.h"
#include "archive/arxGlobals.h"
#include "archive/zip/arxZipHeader.h"
#include "archive/zip/arxZipNames.h"

#include <cstdio>
#include <string>
#include <vector>

namespace sorvane {

namespace {

constexpr std::uint32_t kVolumeLabelAttr = 0x08;

std::int64_t SizeWithoutCipherHeader(std::uint64_t packed, bool encrypted) {
    const auto size = static_cast<std::int64_t>(std::min<std::uint64_t>(packed, INT64_MAX));
    return encrypted && (packed & 0xFFFFFFFFu) > kZipEncryptionHeader - 1
               ? size - kZipEncryptionHeader
               : size;
}

// Names the member, the extra field's UTF-8 name first, else the stored name
// as it stands (`raw`) or as `host` wrote it, and fires OnReadFile.
void NameMember(TArxon& arx, const TZipExtraInfo& info, const std::string& name, bool raw,
                TNameHost host) {
    if (info.HasUnicodeName)
        arx.SetRawFileName(info.UnicodeName);
    else if (raw)
        arx.SetRawFileName(name);
    else
        arx.SetOemFileName(name, host);
    arx.FireReadFile();
}

// The entry of a member from its header's fields and the sizes its extra
// field gave.
TArxonEntry MemberEntry(const TArxon& arx, const TZipMemberFields& fields,
                        const TZipExtraInfo& info) {
    TArxonEntry entry;
    entry.FileDate = arx.DosDateToDateTime(fields.DosDate);
    entry.CreatorVersion = fields.CreatorVersion;
    entry.ExtractVersion = fields.ExtractVersion;
    entry.Crc = fields.Crc;
    entry.Encrypted = (fields.Flags & 1) != 0;
    entry.PackedSize = SizeWithoutCipherHeader(info.Packed, entry.Encrypted);
    entry.UnpackedSize =
        static_cast<std::int64_t>(std::min<std::uint64_t>(info.Unpacked, INT64_MAX));
    entry.CompressMethod = fields.Method;
    entry.CompressMethodName = arx.GetMethodName(fields.Method, fields.Flags);
    return entry;
}

} // namespace

// ---------------------------------------------------------------------------
// Set-up

void TZipWalk::SetUp(TArxon& arx) {
    const TArcType type = arx.ArcType;
    const bool plainKind = type == atZip || type == atZipExe || type == atJar || type == atJarExe;
    const std::uint8_t state = arx.ZipHeaderFlags;
    // An end record where the first header should be, or one that counts no
    // entries, is an empty archive, not a damaged one.
    std::uint8_t first[4]{};
    const bool endFirst =
        arx.ReadExact(arx.Walk.FirstHeader, first, 4) && GetLe32(first) == kZipEndSignature;
    if (endFirst || ((state & kZipEndFound) != 0 && (state & kZipCentralFound) == 0 &&
                     GetLe16(arx.EndOfCentralDir.data() + 10) == 0)) {
        arx.EndWalk();
        return;
    }
    if (plainKind && ((state & kZipCentralFound) == 0 || (state & kZipEndFound) == 0)) {
        if (arx.OnCorruptZipHeader) {
            bool cancel = true;
            arx.OnCorruptZipHeader(arx, state, cancel);
            if (cancel) {
                arx.EndWalk();
                return;
            }
        } else {
            arx.ReportError(arx.ArchiveFile, "OnCorruptZipHeader", "", kMsgEventNotAssigned);
        }
    }
    if (type == atZipDS) {
        arx.DiskSpann().Init(arx, nullptr);
        if (!arx.DiskSpann().GetLastDisk()) {
            arx.EndWalk();
            return;
        }
        arx.Walk.FirstHeader = GetLe32(arx.EndOfCentralDir.data() + 16);
    }
    central_ = (arx.ZipHeaderFlags & kZipCentralFound) != 0;
    if (!central_) {
        std::uint8_t head[kZipLocalHeaderSize]{};
        if (!arx.ReadExact(arx.Walk.FirstHeader, head, sizeof head)) {
            arx.EndWalk();
            return;
        }
        if (GetLe32(head) == kZipDescriptorSignature) arx.Walk.FirstHeader += 4;
    }
    arx.Walk.HeaderSize = central_ ? kZipCentralHeaderSize : kZipLocalHeaderSize;
}

void TZipWalk::Step(TArxon& arx) {
    if (central_)
        CentralStep(arx);
    else
        LocalStep(arx);
}

// The header in hand must carry the signature of `kind`. The directory's own
// end records end the walk quietly; anything else before the first entry is
// a bad header, after it the end of what can be read.
bool TZipWalk::CheckSignature(TArxon& arx, int kind) {
    const std::uint32_t signature = GetLe32(arx.Walk.Header.data());
    bool encrypted = false;
    if (TRegisterArxon::ClassifyZipSignature(signature, kind, encrypted) == kind && !encrypted)
        return true;
    const bool endOfHeaders =
        kind == kZipCentralKind ? IsZipDirectoryEnd(signature)
                                : signature == kZipCentralSignature || IsZipDirectoryEnd(signature);
    if (!endOfHeaders && !anyEntry_)
        arx.FailWalk();
    else
        arx.EndWalk();
    return false;
}

// ---------------------------------------------------------------------------
// Central directory

void TZipWalk::CentralStep(TArxon& arx) {
    if (!CheckSignature(arx, kZipCentralKind)) return;
    TArxonSource source(arx);
    TZipCentralRecord& record = centralRecord_;
    if (!ReadZipCentralRecord(source, arx.Walk.HeaderOffset, arx.Walk.Header.data(), record)) {
        arx.FailWalk();
        return;
    }
    const TZipMemberFields& fields = record.Fields;
    const TZipExtraInfo& info = record.Info;
    anyEntry_ = true;
    const bool directory = (record.ExternalAttr & kZipFolderAttr) != 0;
    // The high byte of "version made by" is the host; 3 is Unix.
    const TNameHost host =
        (fields.CreatorVersion >> 8) == kZipUnixHost ? TNameHost::Other : TNameHost::Dos;
    NameMember(arx, info, record.RawName, directory || (fields.Flags & kZipUtf8NameFlag) != 0,
               host);
    const TArcType type = arx.ArcType;
    if (type != atZipDS && type != atZipMV && (arx.ZipHeaderFlags & kZipLocalFound) == 0)
        arx.ReportError(arx.ArchiveFile, arx.FileName, "", kMsgBadFileHeader);
    if (record.CommentLength > 0) {
        // A comment longer than the work buffer is read as far as it holds.
        arx.ReadAt(record.CommentPos, arx.WorkBuffer(),
                   std::min(record.CommentLength, kArxonWorkBufferSize));
    }
    arx.Walk.Position = record.Next;

    if (!arx.MatchSpecDirs()) return;
    TArxonEntry entry = MemberEntry(arx, fields, info);
    // Folders and volume labels have no method name.
    if ((record.ExternalAttr & (kZipFolderAttr | kVolumeLabelAttr)) != 0)
        entry.CompressMethodName.clear();
    entry.InternalAttr = record.InternalAttr;
    entry.FileAttr = record.ExternalAttr & 0xFFFFu;
    entry.Offset = static_cast<std::int64_t>(record.LocalOffset32) + arx.ZipOffsetShift;
    if (type == atZipDS) {
        char label[24];
        std::snprintf(label, sizeof label, "PKBACK# %.3d", record.DiskStart + 1);
        arx.VolumeName = label;
    } else if (type == atZipMV) {
        arx.VolumeNumber = record.DiskStart;
        int number = record.DiskStart;
        std::string volume;
        arx.NextZipVolumeName(arx.ArchiveFile, number, volume, true,
                              GetLe16(arx.EndOfCentralDir.data() + 4) + 1);
        arx.VolumeName = volume;
    }
    if (directory)
        arx.ReportDir(entry, true);
    else
        arx.ReportFile(entry);
}

// ---------------------------------------------------------------------------
// Local headers

void TZipWalk::LocalStep(TArxon& arx) {
    if (!CheckSignature(arx, kZipLocalKind)) return;
    TArxonSource source(arx);
    TZipLocalRecord& record = localRecord_;
    if (!ReadZipLocalRecord(source, arx.Walk.HeaderOffset, arx.Walk.Header.data(), record)) {
        arx.FailWalk();
        return;
    }
    anyEntry_ = true;
    // A local header does not say which host made it.
    NameMember(arx, record.Info, record.RawName, (record.Fields.Flags & kZipUtf8NameFlag) != 0,
               TNameHost::Dos);

    // Data that reaches past the end of the file: in a split or spanned set
    // the member goes on in the next volume and is the last one of this one;
    // elsewhere the header is damaged.
    if (!ZipDataWhole(record, source)) {
        if (arx.ArcType != atZipMV && arx.ArcType != atZipDS) {
            arx.FailWalk();
            return;
        }
        arx.EndWalk();
    } else {
        arx.Walk.Position = record.DataPos + static_cast<std::int64_t>(record.Info.Packed);
    }

    if (!arx.MatchSpec()) return;
    arx.ReportFile(MemberEntry(arx, record.Fields, record.Info));
}

} // namespace sorvane
