// The ZIP family's directory walk.
#include "archive/zip/arxDirZip.h"

#include "archive/arxCrc.h"
#include "archive/arxGlobals.h"
#include "archive/zip/arxZipNames.h"

#include <cstdio>
#include <string>
#include <vector>

namespace sorvane {

namespace {

constexpr std::uint32_t kDirectoryAttr = 0x10;
constexpr std::uint32_t kVolumeLabelAttr = 0x08;
constexpr std::uint16_t kUtf8NameFlag = 0x0800;
constexpr std::uint16_t kUnixHost = 3;
constexpr std::uint32_t kDataDescriptorSignature = 0x08074B50u;
constexpr std::uint32_t kZip64EndSignature = 0x06064B50u;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064B50u;
constexpr std::int64_t kEncryptionHeader = 12;

bool IsDirectoryEndSignature(std::uint32_t value) {
    return value == 0x06054B50u || value == kZip64EndSignature || value == kZip64LocatorSignature;
}

std::int64_t SizeWithoutCipherHeader(std::uint64_t packed, bool encrypted) {
    const auto size = static_cast<std::int64_t>(std::min<std::uint64_t>(packed, INT64_MAX));
    return encrypted && (packed & 0xFFFFFFFFu) > kEncryptionHeader - 1 ? size - kEncryptionHeader
                                                                       : size;
}

// The fields that a central and a local header both store of a member, in
// the same layout: from byte 6 of a central header, from byte 4 of a local one.
struct MemberFields {
    std::uint16_t CreatorVersion = 0; // a central header's own field before them
    std::uint16_t ExtractVersion = 0;
    std::uint16_t Flags = 0;
    std::uint16_t Method = 0;
    std::uint32_t DosDate = 0;
    std::uint32_t Crc = 0;
    std::uint32_t Packed32 = 0;
    std::uint32_t Unpacked32 = 0;
    std::int64_t NameLength = 0;
    std::int64_t ExtraLength = 0;
};

MemberFields ReadMemberFields(const std::uint8_t* from) {
    MemberFields fields;
    fields.ExtractVersion = GetLe16(from);
    fields.Flags = GetLe16(from + 2);
    fields.Method = GetLe16(from + 4);
    fields.DosDate = GetLe32(from + 6);
    fields.Crc = GetLe32(from + 10);
    fields.Packed32 = GetLe32(from + 14);
    fields.Unpacked32 = GetLe32(from + 18);
    fields.NameLength = GetLe16(from + 22);
    fields.ExtraLength = GetLe16(from + 24);
    return fields;
}

// The stored name and extra field at `namePos`; false when either reaches past
// the end of the volume.
bool ReadNameAndExtra(TArxon& arx, const MemberFields& fields, std::int64_t namePos,
                      std::string& name, std::vector<std::uint8_t>& extra) {
    extra.resize(static_cast<std::size_t>(fields.ExtraLength));
    return arx.ReadName(namePos, fields.NameLength, name) &&
           arx.ReadExact(namePos + fields.NameLength, extra.data(), fields.ExtraLength);
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
TArxonEntry MemberEntry(const TArxon& arx, const MemberFields& fields, const TZipExtraInfo& info) {
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
        arx.ReadExact(arx.Walk.FirstHeader, first, 4) && GetLe32(first) == 0x06054B50u;
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
        if (GetLe32(head) == kDataDescriptorSignature) arx.Walk.FirstHeader += 4;
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
    const bool endOfHeaders = kind == kZipCentralKind
                                  ? IsDirectoryEndSignature(signature)
                                  : signature == 0x02014B50u || IsDirectoryEndSignature(signature);
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
    const std::uint8_t* h = arx.Walk.Header.data();
    MemberFields fields = ReadMemberFields(h + 6);
    fields.CreatorVersion = GetLe16(h + 4);
    const std::int64_t commentLength = GetLe16(h + 32);
    const std::uint16_t diskStart = GetLe16(h + 34);
    const std::uint16_t internalAttr = GetLe16(h + 36);
    const std::uint32_t externalAttr = GetLe32(h + 38);
    const std::uint32_t localOffset = GetLe32(h + 42);

    const std::int64_t namePos = arx.Walk.Position;
    std::string name;
    std::vector<std::uint8_t> extra;
    const std::int64_t commentPos = namePos + fields.NameLength + fields.ExtraLength;
    if (!ReadNameAndExtra(arx, fields, namePos, name, extra) ||
        commentLength > arx.Walk.StreamSize - commentPos) {
        arx.FailWalk();
        return;
    }
    anyEntry_ = true;
    const TZipExtraInfo info = ParseZipExtra(extra, fields.Unpacked32, fields.Packed32, name);
    const bool directory = (externalAttr & kDirectoryAttr) != 0;
    // The high byte of "version made by" is the host; 3 is Unix.
    const TNameHost host =
        (fields.CreatorVersion >> 8) == kUnixHost ? TNameHost::Other : TNameHost::Dos;
    NameMember(arx, info, name, directory || (fields.Flags & kUtf8NameFlag) != 0, host);
    const TArcType type = arx.ArcType;
    if (type != atZipDS && type != atZipMV && (arx.ZipHeaderFlags & kZipLocalFound) == 0)
        arx.ReportError(arx.ArchiveFile, arx.FileName, "", kMsgBadFileHeader);
    if (commentLength > 0) {
        // A comment longer than the work buffer is read as far as it holds.
        arx.ReadAt(commentPos, arx.WorkBuffer(), std::min(commentLength, kArxonWorkBufferSize));
    }
    arx.Walk.Position = commentPos + commentLength;

    if (!arx.MatchSpecDirs()) return;
    TArxonEntry entry = MemberEntry(arx, fields, info);
    // Folders and volume labels have no method name.
    if ((externalAttr & (kDirectoryAttr | kVolumeLabelAttr)) != 0) entry.CompressMethodName.clear();
    entry.InternalAttr = internalAttr;
    entry.FileAttr = externalAttr & 0xFFFFu;
    entry.Offset = static_cast<std::int64_t>(localOffset) + arx.ZipOffsetShift;
    if (type == atZipDS) {
        char label[24];
        std::snprintf(label, sizeof label, "PKBACK# %.3d", diskStart + 1);
        arx.VolumeName = label;
    } else if (type == atZipMV) {
        arx.VolumeNumber = diskStart;
        int number = diskStart;
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
    MemberFields fields = ReadMemberFields(arx.Walk.Header.data() + 4);
    fields.CreatorVersion = fields.ExtractVersion; // a local header has one version only

    const std::int64_t namePos = arx.Walk.Position;
    std::string name;
    std::vector<std::uint8_t> extra;
    if (!ReadNameAndExtra(arx, fields, namePos, name, extra)) {
        arx.FailWalk();
        return;
    }
    anyEntry_ = true;
    const TZipExtraInfo info = ParseZipExtra(extra, fields.Unpacked32, fields.Packed32, name);
    // A local header does not say which host made it.
    NameMember(arx, info, name, (fields.Flags & kUtf8NameFlag) != 0, TNameHost::Dos);

    // Data that reaches past the end of the file: in a split or spanned set
    // the member goes on in the next volume and is the last one of this one;
    // elsewhere the header is damaged.
    const std::int64_t dataPos = namePos + fields.NameLength + fields.ExtraLength;
    if (info.Packed > static_cast<std::uint64_t>(arx.Walk.StreamSize - dataPos)) {
        if (arx.ArcType != atZipMV && arx.ArcType != atZipDS) {
            arx.FailWalk();
            return;
        }
        arx.EndWalk();
    } else {
        arx.Walk.Position = dataPos + static_cast<std::int64_t>(info.Packed);
    }

    if (!arx.MatchSpec()) return;
    arx.ReportFile(MemberEntry(arx, fields, info));
}

} // namespace sorvane
