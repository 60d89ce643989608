// The ZOO family's header reader.
#include "archive/zoo/arxZooHeader.h"

#include "archive/arxHelpers.h"

#include <cstring>

namespace sorvane {
namespace {

constexpr std::int64_t kArchiveHeaderSize = 43;
constexpr std::size_t kStart = 24;
constexpr std::size_t kMinus = 28;
constexpr std::uint32_t kEntryTag = 0xFDC4A7DCu;
constexpr std::size_t kMethod = 5;
constexpr std::size_t kNext = 6;
constexpr std::size_t kData = 10;
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

bool ReadZooStart(TArxByteSource& source, std::int64_t& first) {
    std::uint8_t h[kArchiveHeaderSize]{};
    if (!source.ReadExact(0, h, kArchiveHeaderSize)) return false;
    const std::uint32_t start = GetLe32(h + kStart);
    // The header keeps the first entry's offset and its negation.
    if (static_cast<std::uint32_t>(start + GetLe32(h + kMinus)) != 0) return false;
    first = start;
    return true;
}

TZooEntryRead ReadZooEntry(TArxByteSource& source, std::int64_t offset, TZooEntry& entry) {
    std::uint8_t h[kZooEntrySize]{};
    if (!source.ReadExact(offset, h, kZooEntrySize)) return TZooEntryRead::End;
    if (GetLe32(h) != kEntryTag) return TZooEntryRead::Bad;
    entry.Offset = offset;
    entry.Method = h[kMethod];
    entry.Next = GetLe32(h + kNext);
    entry.DataPos = GetLe32(h + kData);
    entry.DosDate = SwapWords(GetLe32(h + kDateTime));
    entry.Crc = GetLe16(h + kCrc);
    entry.UnpackedSize = GetLe32(h + kOriginalSize);
    entry.PackedSize = GetLe32(h + kPackedSize);
    entry.MajorVersion = h[kMajorVersion];
    entry.MinorVersion = h[kMinorVersion];
    entry.Deleted = h[kDeleted] != 0;
    const auto* field = reinterpret_cast<const char*>(h + kName);
    entry.RawName.assign(field, strnlen(field, kNameLength));
    // The chain ends with an entry whose next is 0.
    return entry.Next == 0 ? TZooEntryRead::End : TZooEntryRead::Entry;
}

TZooNext ZooNextOf(const TZooEntry& entry, const TArxByteSource& source) {
    if (entry.Next > source.Size()) return TZooNext::PastEnd;
    if (entry.Next < entry.Offset + kZooEntrySize) return TZooNext::Back;
    return TZooNext::On;
}

} // namespace sorvane
