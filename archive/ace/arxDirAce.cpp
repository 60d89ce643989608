// The ACE directory walk.
#include "archive/ace/arxDirAce.h"

#include "archive/arxGlobals.h"

namespace sorvane {

namespace {

constexpr std::int64_t kAceHeaderSize = 35;
constexpr std::uint8_t kAceFileBlock = 1;
constexpr std::uint16_t kContinuedFromPrevious = 0x1000;
constexpr std::uint16_t kContinuedInNext = 0x2000;
constexpr std::uint16_t kEncryptedFlag = 0x4000;
constexpr std::uint32_t kDirectoryAttr = 0x10;
constexpr std::size_t kCreatorVersionAt = 15;

} // namespace

// Reads the archive header at `pos`; the first member follows its block.
bool TAceWalk::ReadArchiveHeader(TArxon& arx, std::int64_t pos) {
    if (!arx.ReadExact(pos, archiveHeader_.data(),
                       static_cast<std::int64_t>(archiveHeader_.size()))) {
        arx.FailWalk();
        return false;
    }
    arx.Walk.FirstHeader = pos + GetLe16(archiveHeader_.data() + 2) + 4;
    return true;
}

void TAceWalk::SetUp(TArxon& arx) {
    if (!ReadArchiveHeader(arx, arx.Walk.FirstHeader)) return;
    arx.Walk.HeaderSize = kAceHeaderSize;
}

void TAceWalk::Step(TArxon& arx) {
    const std::uint8_t* h = arx.Walk.Header.data();
    if (h[4] != kAceFileBlock) {
        arx.EndWalk();
        return;
    }
    const std::int64_t headerSize = GetLe16(h + 2);
    const std::int64_t nameLength = GetLe16(h + 33);
    const std::uint16_t flags = GetLe16(h + 5);
    const std::int64_t packed = GetLe32(h + 7);
    const std::int64_t original = GetLe32(h + 11);
    const std::uint32_t attributes = GetLe32(h + 19);
    std::string name;
    // The name lies inside the header block, the data right after it.
    const std::int64_t blockEnd = arx.Walk.HeaderOffset + headerSize + 4;
    if (kAceHeaderSize + nameLength > headerSize + 4 ||
        !arx.ReadName(arx.Walk.Position, nameLength, name) ||
        packed > arx.Walk.StreamSize - blockEnd) {
        arx.FailWalk();
        return;
    }
    arx.SetOemFileName(name, TNameHost::Dos);
    arx.FireReadFile();
    arx.Walk.Position = blockEnd + packed;
    accPacked_ = (flags & kContinuedFromPrevious) != 0 ? accPacked_ + packed : packed;
    const bool matched = arx.MatchSpec();
    if (matched) {
        TArxonEntry entry;
        entry.FileDate = arx.DosDateToDateTime(GetLe32(h + 15));
        entry.CreatorVersion = archiveHeader_[kCreatorVersionAt];
        entry.ExtractVersion = archiveHeader_[kCreatorVersionAt];
        entry.PackedSize = accPacked_;
        entry.UnpackedSize = original;
        entry.Crc = GetLe32(h + 23);
        entry.Encrypted = (flags & kEncryptedFlag) != 0;
        entry.CompressMethod = h[28];
        entry.CompressMethodName = GetMethodName(ArxArchiveType::Ace, h[28], flags);
        entry.InternalAttr = static_cast<std::uint16_t>(attributes);
        entry.FileAttr = attributes;
        if ((attributes & kDirectoryAttr) != 0)
            arx.ReportDir(entry);
        else if ((flags & kContinuedFromPrevious) == 0)
            arx.ReportFile(entry);
        // A continued part was counted with its first part: only its sizes count.
        else
            arx.AddTotals(accPacked_, original);
    }
    if ((flags & kContinuedInNext) == 0) return;
    if (!arx.NextVolume()) return;
    if (matched && (attributes & kDirectoryAttr) == 0) arx.SubtractTotals(accPacked_, original);
    if (!ReadArchiveHeader(arx, 0)) return;
    arx.Walk.Position = arx.Walk.FirstHeader;
}

} // namespace sorvane
