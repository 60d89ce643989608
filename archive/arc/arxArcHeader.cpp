// The ARC and PAK header reader.
#include "archive/arc/arxArcHeader.h"

#include "archive/arxHelpers.h"

#include <cstring>

namespace sorvane {
namespace {

constexpr std::uint8_t kMarker = 26;
constexpr std::int64_t kHeaderSize = 29;
// Method 1, the oldest layout, has no unpacked-size field.
constexpr std::int64_t kOldHeaderSize = 25;
constexpr std::int64_t kMarkerSize = 2;
constexpr std::size_t kNameField = 13;

} // namespace

TArcHeaderRead ReadArcHeader(TArxByteSource& source, std::int64_t offset, bool pak,
                             TArcHeader& header) {
    std::uint8_t h[kHeaderSize]{};
    const std::int64_t got = offset < 0 ? 0 : source.ReadAt(offset, h, kHeaderSize);
    if (got < kMarkerSize || h[0] != kMarker) return TArcHeaderRead::End;
    header = TArcHeader{};
    header.Method = h[1];
    // Method 0 is the archive's end marker.
    if (header.Method == 0) return TArcHeaderRead::End;
    if (IsArcFolderEnd(header, pak)) {
        header.HeaderSize = kMarkerSize;
        return TArcHeaderRead::Header;
    }
    if (header.Method > kArcFolderMethod) return TArcHeaderRead::End;
    header.HeaderSize = header.Method == 1 ? kOldHeaderSize : kHeaderSize;
    if (got < header.HeaderSize) return TArcHeaderRead::CutShort;
    const char* field = reinterpret_cast<const char*>(h + 2);
    header.RawName.assign(field, strnlen(field, kNameField));
    header.PackedSize = GetLe32(h + 15);
    header.DosDate = SwapWords(GetLe32(h + 19));
    header.Crc = GetLe16(h + 23);
    header.UnpackedSize = header.Method == 1 ? header.PackedSize : GetLe32(h + 25);
    return TArcHeaderRead::Header;
}

bool ArcDataWhole(const TArcHeader& header, std::int64_t offset, const TArxByteSource& source) {
    return source.Holds(offset + header.HeaderSize, header.PackedSize);
}

} // namespace sorvane
