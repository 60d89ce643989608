// The ACE directory walk.
#include "archive/ace/arxDirAce.h"

#include "archive/ace/arxAceHeader.h"
#include "archive/arxGlobals.h"

namespace sorvane {

// Reads the archive header at `pos`; the first member follows its block.
bool TAceWalk::ReadArchiveHeader(TArxon& arx, std::int64_t pos) {
    TArxonSource source(arx);
    TAceMainHeader main;
    if (!ReadAceMainHeader(source, pos, main)) {
        arx.FailWalk();
        return false;
    }
    arx.Walk.FirstHeader = main.FirstMember;
    creatorVersion_ = main.CreatorVersion;
    return true;
}

// The loop hands each step one byte, the first of a header: a header cut
// short by the end of the file still reaches the header reader.
void TAceWalk::SetUp(TArxon& arx) {
    if (!ReadArchiveHeader(arx, arx.Walk.FirstHeader)) return;
    arx.Walk.HeaderSize = 1;
}

void TAceWalk::Step(TArxon& arx) {
    TArxonSource source(arx);
    TAceMember member;
    const TAceHeaderRead read = ReadAceMember(source, arx.Walk.HeaderOffset, member);
    if (read == TAceHeaderRead::End) {
        arx.EndWalk();
        return;
    }
    if (read == TAceHeaderRead::Bad) {
        arx.FailWalk();
        return;
    }
    arx.SetOemFileName(member.RawName, TNameHost::Dos);
    arx.FireReadFile();
    arx.Walk.Position = member.Next();
    accPacked_ = member.Continued() ? accPacked_ + member.PackedSize : member.PackedSize;
    const bool matched = arx.MatchSpec();
    if (matched) {
        TArxonEntry entry;
        entry.FileDate = arx.DosDateToDateTime(member.DosDate);
        entry.CreatorVersion = creatorVersion_;
        entry.ExtractVersion = creatorVersion_;
        entry.PackedSize = accPacked_;
        entry.UnpackedSize = member.OriginalSize;
        entry.Crc = member.Crc;
        entry.Encrypted = (member.Flags & kAceEncryptedFlag) != 0;
        entry.CompressMethod = member.Method;
        entry.CompressMethodName = GetMethodName(ArxArchiveType::Ace, member.Method, member.Flags);
        entry.InternalAttr = static_cast<std::uint16_t>(member.Attributes);
        entry.FileAttr = member.Attributes;
        if (member.Folder())
            arx.ReportDir(entry);
        else if (!member.Continued())
            arx.ReportFile(entry);
        // A continued part was counted with its first part: only its sizes count.
        else
            arx.AddTotals(accPacked_, member.OriginalSize);
    }
    if (!member.GoesOn()) return;
    if (!arx.NextVolume()) return;
    if (matched && !member.Folder()) arx.SubtractTotals(accPacked_, member.OriginalSize);
    if (!ReadArchiveHeader(arx, 0)) return;
    arx.Walk.Position = arx.Walk.FirstHeader;
}

} // namespace sorvane
