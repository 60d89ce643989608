// Directory walk of ZOO archives.
#include "archive/zoo/arxDirZoo.h"

#include "archive/arxGlobals.h"
#include "archive/arxHelpers.h"

#include <cstring>
#include <string>

namespace sorvane {
namespace {

constexpr std::int64_t kRecordSize = 58;
// Archive header.
constexpr std::size_t kStart = 24;
constexpr std::size_t kMinus = 28;
// Directory entry.
constexpr std::uint32_t kEntryTag = 0xFDC4A7DCu;
constexpr std::size_t kTag = 0;
constexpr std::size_t kMethod = 5;
constexpr std::size_t kNext = 6;
constexpr std::size_t kDateTime = 14; // date word first
constexpr std::size_t kCrc = 18;
constexpr std::size_t kOriginalSize = 20;
constexpr std::size_t kPackedSize = 24;
constexpr std::size_t kMajorVersion = 28;
constexpr std::size_t kMinorVersion = 29;
constexpr std::size_t kDeleted = 30;
constexpr std::size_t kName = 38;
constexpr std::size_t kNameLength = 13;

} // namespace

void TZooWalk::SetUp(TArxon& arx) {
    arx.Walk.HeaderSize = kRecordSize;
}

void TZooWalk::Step(TArxon& arx) {
    if (inChain_)
        EntryStep(arx);
    else
        ArchiveHeaderStep(arx);
}

void TZooWalk::ArchiveHeaderStep(TArxon& arx) {
    const std::uint8_t* h = arx.Walk.Header.data();
    const std::uint32_t start = GetLe32(h + kStart);
    // The header keeps the first entry's offset and its negation.
    if (static_cast<std::uint32_t>(start + GetLe32(h + kMinus)) != 0) {
        arx.EndWalk();
        return;
    }
    inChain_ = true;
    arx.Walk.Position = start;
}

void TZooWalk::EntryStep(TArxon& arx) {
    const std::uint8_t* h = arx.Walk.Header.data();
    const auto next = static_cast<std::int32_t>(GetLe32(h + kNext));
    // The chain ends with an entry whose next is 0.
    if (GetLe32(h + kTag) != kEntryTag || next <= 0) {
        arx.EndWalk();
        return;
    }
    if (h[kDeleted] == 0) {
        const auto* field = reinterpret_cast<const char*>(h + kName);
        arx.SetOemFileName(std::string(field, strnlen(field, kNameLength)), TNameHost::Dos);
        arx.FireReadFile();
        if (arx.MatchSpec()) {
            TArxonEntry entry;
            entry.FileDate = DosDateTimeToDateTime(SwapWords(GetLe32(h + kDateTime)));
            entry.CreatorVersion = h[kMajorVersion];
            entry.ExtractVersion = h[kMinorVersion];
            entry.UnpackedSize = GetLe32(h + kOriginalSize);
            entry.PackedSize = GetLe32(h + kPackedSize);
            entry.Crc = GetLe16(h + kCrc);
            entry.CompressMethod = h[kMethod];
            entry.CompressMethodName = GetMethodName(ArxArchiveType::Zoo, h[kMethod], 0);
            arx.ReportFile(entry);
        }
    }
    if (arx.Walk.Ended) return;
    arx.MoveWalkTo(next);
}

} // namespace sorvane
