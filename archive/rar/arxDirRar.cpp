// Directory walk of RAR archives.
#include "archive/rar/arxDirRar.h"

#include "archive/arxGlobals.h"
#include "archive/rar/arxRarHeader.h"

namespace sorvane {

// The loop hands each step one byte, the first of a block: a block cut short
// by the end of the file still reaches the header reader.
void TRarWalk::SetUp(TArxon& arx) {
    TArxonSource source(arx);
    TRarMainHeader main;
    if (ReadRarMainHeader(source, arx.Walk.FirstHeader, main) != TRarMainRead::Main) {
        arx.FailWalk();
        return;
    }
    arx.Walk.FirstHeader = main.FirstBlock;
    arx.Walk.HeaderSize = 1;
}

bool TRarWalk::EnterVolume(TArxon& arx) {
    TArxonSource source(arx);
    TRarMainHeader main;
    switch (ReadRarMainHeader(source, 0, main)) {
    case TRarMainRead::Main:
        arx.Walk.Position = main.FirstBlock;
        return true;
    case TRarMainRead::CutShort:
        arx.FailWalk(kMsgReadError, arx.VolumeName);
        return false;
    case TRarMainRead::NotRar:
        break;
    }
    arx.FailWalk(kMsgBadFileHeader, arx.VolumeName);
    return false;
}

void TRarWalk::Step(TArxon& arx) {
    TArxonSource source(arx);
    TRarBlock block;
    switch (ReadRarBlock(source, arx.Walk.HeaderOffset, block)) {
    case TRarBlockRead::End:
        arx.EndWalk();
        return;
    case TRarBlockRead::Bad:
        arx.FailWalk();
        return;
    case TRarBlockRead::Other:
        arx.MoveWalkTo(block.Next());
        return;
    case TRarBlockRead::File:
        FileStep(arx, block);
        return;
    }
}

void TRarWalk::FileStep(TArxon& arx, const TRarBlock& block) {
    const TRarName name = RarStoredName(block);
    if (name.Oem)
        arx.SetOemFileName(name.Text, TNameHost::Dos);
    else
        arx.SetRawFileName(name.Text);
    arx.FireReadFile();

    packedSum_ = block.SplitBefore() ? packedSum_ + block.Packed : block.Packed;
    // A part whose data runs past its volume is listed as it stands (MoveWalkTo
    // then ends the walk), so the summed sizes stay within the volumes' bytes.
    if (block.SplitAfter() && block.Next() <= arx.Walk.StreamSize) {
        // The member goes on in the next volume; it is reported from its last part.
        if (arx.NextVolume()) {
            EnterVolume(arx);
            return;
        }
        if (arx.NumFiles != 0) return;
    }
    if (arx.MatchSpec()) Report(arx, block);
    if (!arx.Walk.Ended) arx.MoveWalkTo(block.Next());
}

void TRarWalk::Report(TArxon& arx, const TRarBlock& block) {
    const std::uint32_t attributes = block.Attributes();
    const bool directory = block.Folder();

    TArxonEntry entry;
    entry.FileDate = DosDateTimeToDateTime(block.DosTime);
    entry.CreatorVersion = block.UnpackVersion;
    entry.Crc = block.Crc;
    entry.Encrypted = block.Encrypted();
    entry.CompressMethod = block.Method;
    entry.CompressMethodName =
        GetMethodName(ArxArchiveType::Rar, block.Method, 0, ArxMethodEntry{directory, 0});
    entry.FileAttr = attributes | (directory ? kRarDirectoryAttr : 0);
    entry.InternalAttr = static_cast<std::uint16_t>(attributes);
    entry.UnpackedSize = block.Unpacked;
    // A member whose next part could not be had is listed without a packed size.
    entry.PackedSize = block.SplitAfter() ? 0 : packedSum_;
    if (directory)
        arx.ReportDir(entry);
    else
        arx.ReportFile(entry);
}

} // namespace sorvane
