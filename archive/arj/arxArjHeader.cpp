// The ARJ family's header reader.
#include "archive/arj/arxArjHeader.h"

#include <algorithm>
#include <vector>

namespace sorvane {
namespace {

constexpr std::uint16_t kHeaderId = 0xEA60;
constexpr std::int64_t kMaxBasicSize = 2600;
constexpr std::int64_t kIdAndSize = 4;
constexpr std::int64_t kHeaderCrc = 4;
constexpr std::int64_t kExtendedSize = 2;
constexpr std::uint8_t kFixedPart = 30; // basic header fields before an optional resume position
constexpr std::uint8_t kWithResume = 34;
constexpr int kMaxExtendedHeaders = 64;

} // namespace

TArjHeaderRead ReadArjHeader(TArxByteSource& source, std::int64_t offset, TArjHeader& header) {
    std::uint8_t head[kIdAndSize]{};
    if (!source.ReadExact(offset, head, kIdAndSize)) return TArjHeaderRead::Bad;
    if (GetLe16(head) != kHeaderId) return TArjHeaderRead::Bad;
    const std::int64_t size = GetLe16(head + 2);
    // A basic header of size 0 is the archive's end marker.
    if (size == 0) return TArjHeaderRead::EndMarker;
    // A basic header longer than the header buffer is read as far as the
    // buffer holds and passed over whole; it must lie in the source.
    if (!source.Holds(offset + kIdAndSize, size)) return TArjHeaderRead::Bad;
    const std::int64_t held = std::min(size, kMaxBasicSize);
    std::vector<std::uint8_t> basic(static_cast<std::size_t>(held));
    if (!source.ReadExact(offset + kIdAndSize, basic.data(), held)) return TArjHeaderRead::Bad;
    const std::uint8_t first = basic[0];
    if (first < kFixedPart || first > held) return TArjHeaderRead::Bad;
    header.Offset = offset;
    header.ArchiverVersion = basic[1];
    header.MinVersion = basic[2];
    header.Host = basic[3];
    header.Flags = basic[4];
    header.Method = basic[5];
    header.FileType = basic[6];
    header.PasswordModifier = basic[7];
    header.Stamp = GetLe32(basic.data() + 8);
    header.PackedSize = GetLe32(basic.data() + 12);
    header.UnpackedSize = GetLe32(basic.data() + 16);
    header.Crc = GetLe32(basic.data() + 20);
    header.AccessMode = GetLe16(basic.data() + 26);
    header.ResumePosition = (header.Flags & kArjContinuedFlag) && first >= kWithResume
                                ? GetLe32(basic.data() + 30)
                                : -1;
    // The name lies inside the basic header, NUL-ended.
    const auto nameStart = basic.begin() + first;
    header.RawName.assign(nameStart, std::find(nameStart, basic.end(), std::uint8_t{0}));
    // Extended headers (a size, the bytes, their CRC) until a size of 0.
    std::int64_t pos = offset + kIdAndSize + size + kHeaderCrc;
    for (int i = 0;; ++i) {
        std::uint8_t ext[kExtendedSize]{};
        if (i == kMaxExtendedHeaders || !source.ReadExact(pos, ext, kExtendedSize))
            return TArjHeaderRead::Bad;
        pos += kExtendedSize;
        const std::int64_t extSize = GetLe16(ext);
        if (extSize == 0) break;
        pos += extSize + kHeaderCrc;
    }
    header.DataPos = pos;
    return TArjHeaderRead::Header;
}

bool ArjDataWhole(const TArjHeader& header, const TArxByteSource& source) {
    return source.Holds(header.DataPos, header.PackedSize);
}

} // namespace sorvane
