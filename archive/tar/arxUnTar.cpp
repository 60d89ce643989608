// The tar reader.
#include "archive/tar/arxUnTar.h"

#include "archive/arxCrc.h"
#include "archive/arxHelpers.h"
#include "archive/tar/arxDirTar.h"
#include "platform/FileAttributes.h"
#include "platform/Folders.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace sorvane {
namespace {

constexpr std::uint64_t kOwnerWrite = 0200;
constexpr std::int64_t kCopyChunk = 1 << 16;

std::uint32_t UnixToDosDate(std::int64_t seconds) {
    if (seconds <= 0) return 0;
    const auto local = LocalDateTimeFromUnix(seconds);
    return local ? DateTimeToDosDate(*local).value_or(0) : 0;
}

// What a member of this type is, for the report that refuses it; empty for
// the types extracted as files.
std::string RefusedKind(const TUnTar::TTarMember& member) {
    switch (member.Type) {
    case '\0':
    case '0':
    case '7':
        return "";
    case '1':
        return "hard link to " + member.LinkName;
    case '2':
        return "symbolic link to " + member.LinkName;
    case '3':
        return "character device";
    case '4':
        return "block device";
    case '6':
        return "FIFO";
    default:
        return std::string("entry of type '") + member.Type + "'";
    }
}

} // namespace

TUnTar::TUnTar() = default;

void TUnTar::ExtractFiles(std::unique_ptr<TArxBaseStream>& InStream, int) {
    if (!InStream) {
        ReportError(ArchiveFile, "", "", kMsgOpenError);
        return;
    }
    members_.clear();
    struct FreeList {
        std::vector<TTarMember>& list;
        ~FreeList() { list.clear(); }
    } freeList{members_};
    Walk(*InStream);
    BytesRemaining = ArchiveTotal;
    for (const TTarMember& member : members_) {
        if (GetCancel()) break;
        ExtractMember(*InStream, member);
    }
}

// The headers from the archive's start (behind a volume label found by the
// detection) to the first zero block. A block that fails the header checksum
// ends the walk with 25114; a member whose data reaches past the end of the
// archive is the last one taken.
void TUnTar::Walk(TArxBaseStream& stream) {
    const std::int64_t archiveSize = stream.Size();
    std::int64_t pos = std::max<std::int64_t>(StartOffset, 0);
    TPaxRecords pending;
    std::string pendingLink;
    TArxStreamSource source(stream);
    std::uint8_t h[kTarBlock];
    while (!GetCancel()) {
        const TTarBlockRead read = ReadTarBlock(source, pos, h);
        if (read == TTarBlockRead::End) break;
        if (read == TTarBlockRead::CutShort) {
            if (!CutShortReported)
                ReportError(ArchiveFile, "the archive ends inside a header", "", kMsgReadError);
            break;
        }
        if (read == TTarBlockRead::Bad) {
            ReportError(ArchiveFile, "", "", kMsgBadFileHeader);
            break;
        }
        std::uint64_t size = TarSizeField(h + kTarSizeOffset);
        const char type = TarType(h);
        const std::int64_t dataPos = pos + kTarBlock;
        const auto left =
            static_cast<std::uint64_t>(std::max<std::int64_t>(archiveSize - dataPos, 0));

        if (type == kTarGnuLongName || type == kTarGnuLongLink || type == kTarPaxHeader) {
            // Records about the next member: its long name or link, or pax keys.
            if (size <= kTarMaxNameRecord && size <= left) {
                std::string data(static_cast<std::size_t>(size), '\0');
                if (ReadAt(stream, dataPos, data.data(), static_cast<std::int64_t>(size)) ==
                    static_cast<std::int64_t>(size)) {
                    if (type == kTarPaxHeader)
                        pending = ReadPaxRecords(data);
                    else if (type == kTarGnuLongName)
                        pending.Path = data.c_str();
                    else
                        pendingLink = data.c_str();
                }
            }
        } else if (type != 'g' && type != 'X' && type != 'V') {
            TTarMember member;
            member.Type = type;
            member.Name = pending.Path.empty() ? TarHeaderName(h) : pending.Path;
            member.LinkName = !pending.LinkPath.empty() ? pending.LinkPath
                              : !pendingLink.empty()
                                  ? pendingLink
                                  : TarFieldText(h + kTarLinkOffset, kTarLinkLength);
            if (pending.Size) size = *pending.Size;
            member.Size = size;
            member.Sparse = pending.Sparse || type == 'S';
            member.DataPos = dataPos;
            const std::int64_t seconds =
                pending.MTime ? *pending.MTime
                              : static_cast<std::int64_t>(std::min<std::uint64_t>(
                                    TarTimeField(h), std::numeric_limits<std::int64_t>::max()));
            member.DosDate = UnixToDosDate(seconds);
            member.UnixTime = seconds;
            member.ReadOnly = (TarModeField(h) & kOwnerWrite) == 0;
            // An old archive marks a folder by the "/" that ends its name.
            if ((type == '0' || type == '\0') && !member.Name.empty() && member.Name.back() == '/')
                member.Type = '5';
            while (!member.Name.empty() && member.Name.back() == '/')
                member.Name.pop_back();
            pending = TPaxRecords{};
            pendingLink.clear();
            const std::string stored = SlashToBackslash(member.Name);
            if (!member.Name.empty() &&
                MatchFileSpecDirs(stored, FileSpec, ExclusionList, RecurseDirs)) {
                MaxFileDate = std::max(MaxFileDate, member.DosDate);
                if (member.Type != '5') {
                    const auto counted = static_cast<std::int64_t>(std::min<std::uint64_t>(
                        size, std::numeric_limits<std::int64_t>::max() / 4));
                    ArchiveTotal += counted;
                    FileTotal += counted;
                }
                members_.push_back(std::move(member));
            }
        }
        if (size > left) {
            // Data cut short: a member found here is reported when it is copied.
            if ((type == 'L' || type == 'K' || type == 'x' || members_.empty() ||
                 members_.back().DataPos != dataPos) &&
                !CutShortReported)
                ReportError(ArchiveFile, "the archive ends inside a member", "", kMsgReadError);
            break;
        }
        pos = dataPos + static_cast<std::int64_t>((size + kTarBlock - 1) / kTarBlock * kTarBlock);
    }
}

void TUnTar::ExtractMember(TArxBaseStream& stream, const TTarMember& member) {
    const std::string stored = SlashToBackslash(member.Name);
    StoredName = stored;
    MemberEncrypted = false;
    SetCurrentFileName(stored);
    if (CurrentNameRefused) return; // reported; nothing leaves ExtractDir
    const std::string& shown = OutputMode == kOutputFiles ? CurrentFileName : stored;

    if (member.Type == '5') {
        RememberFolder(CurrentFileName, member.UnixTime, member.DosDate);
        return;
    }
    // What is not a plain file is refused before any output is opened.
    if (member.Sparse) {
        ReportError(shown, "sparse member", ArchiveFile, kMsgUnsupportedMethod);
        return;
    }
    const std::string refused = RefusedKind(member);
    if (!refused.empty()) {
        ReportError(shown, refused, ArchiveFile, kMsgUnknownFileType);
        return;
    }

    const auto packed = static_cast<std::int64_t>(
        std::min<std::uint64_t>(member.Size, std::numeric_limits<std::int64_t>::max() / 4));
    if (!CheckOverwrite(false)) {
        MemberDone({packed, 0});
        return;
    }
    std::unique_ptr<TArxBaseStream> out;
    if (!OpenOutputFile(out, CurrentFileName, stored)) {
        UncountMember();
        MemberDone({packed, 0});
        return;
    }
    const std::int64_t before = BytesRemaining;
    TDecodeResult result = TDecodeResult::Corrupt;
    try {
        result = CopyData(stream, out.get(), member);
    } catch (const E_RAISE& error) {
        // A write failure was reported where it happened.
        const bool written = error.Code() == kMsgWriteError || error.Code() == kMsgDiskFull;
        if (!written) ReportError(stored, "", ArchiveFile, error.Code());
        result = written ? TDecodeResult::WriteFailed : TDecodeResult::Corrupt;
    }
    SetFileAttrUnixTime(out, shown, member.ReadOnly ? kDosArchive | kDosReadOnly : kDosArchive,
                        member.UnixTime);
    // Tar keeps no checksum of the data: a member copied whole passes.
    MemberVerdict({.Result = result, .CrcWidth = 0, .DeclaredSize = packed});
    MemberDone({std::max<std::int64_t>(packed - (before - BytesRemaining), 0), 0});
}

TDecodeResult TUnTar::CopyData(TArxBaseStream& stream, TArxBaseStream* out,
                               const TTarMember& member) {
    if (stream.Seek(member.DataPos, TSeekOrigin::Beginning) != member.DataPos) {
        if (!CutShortReported)
            ReportError(StoredName, "the archive ends inside the member", ArchiveFile,
                        kMsgReadError);
        return TDecodeResult::Corrupt;
    }
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(
        std::min<std::uint64_t>(member.Size, static_cast<std::uint64_t>(kCopyChunk))));
    std::uint64_t left = member.Size;
    while (left > 0) {
        if (GetCancel()) return TDecodeResult::Canceled;
        const auto want = static_cast<std::int64_t>(std::min<std::uint64_t>(left, buffer.size()));
        const std::int64_t got = ReadProc(stream, want, 0, false, buffer.data());
        if (got <= 0) {
            if (!CutShortReported)
                ReportError(StoredName, "the archive ends inside the member", ArchiveFile,
                            kMsgReadError);
            return TDecodeResult::Corrupt;
        }
        if (WriteProc(out, buffer.data(), 1, got, 0, false) <= 0) return TDecodeResult::WriteFailed;
        left -= static_cast<std::uint64_t>(got);
        BytesRemaining -= got;
        DoProgress(ArchiveTotal,
                   static_cast<std::int64_t>(std::min<std::uint64_t>(
                       member.Size, std::numeric_limits<std::int64_t>::max())),
                   static_cast<std::int64_t>(member.Size - left));
    }
    return TDecodeResult::Done;
}

} // namespace sorvane
