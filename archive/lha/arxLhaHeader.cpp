// The LHA family's header reader.
#include "archive/lha/arxLhaHeader.h"

#include "archive/arxGlobals.h"
#include "archive/arxHelpers.h"
#include "platform/DateTime.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace sorvane {
namespace {

// The first 22 bytes are common to all levels.
constexpr std::int64_t kFixedSize = 22;
constexpr std::size_t kMethodId = 2; // "-lh5-"
constexpr std::size_t kPackedSize = 7;
constexpr std::size_t kOriginalSize = 11;
constexpr std::size_t kTime = 15;
constexpr std::size_t kAttribute = 19;
constexpr std::size_t kLevel = 20;
constexpr std::size_t kNameLength = 21; // levels 0 and 1
// Levels 0 and 1: CRC-16 behind the name; level 1 adds the OS byte and the
// size of the first extended header.
constexpr std::int64_t kLevel0Tail = 2;
constexpr std::int64_t kLevel1Tail = 5;
constexpr std::int64_t kLevel1Os = 2;
// Level 2: a fixed 26-byte base header.
constexpr std::int64_t kLevel2BaseSize = 26;
constexpr std::size_t kLevel2Crc = 21;
constexpr std::size_t kLevel2Os = 23;
constexpr std::size_t kLevel2FirstExtended = 24;
// The OS byte of MS-DOS.
constexpr std::uint8_t kDosOs = 'M';

constexpr std::uint8_t kExtendedName = 1;
constexpr std::uint8_t kExtendedFolder = 2;
constexpr std::uint8_t kExtendedUnixMode = 0x50;
constexpr std::uint8_t kExtendedUnixTime = 0x54;
// The Unix extension area a level-0 header may hold after its CRC: the OS
// byte 'U', a version byte, the Unix time, the mode, the owner and group.
constexpr std::uint8_t kUnixOs = 'U';
constexpr std::size_t kLevel0UnixSize = 12;
constexpr std::size_t kLevel0UnixTime = 2;
constexpr std::size_t kLevel0UnixMode = 6;
constexpr std::uint8_t kReadOnlyAttr = 0x01;
constexpr std::uint16_t kOwnerWrite = 0200;
constexpr std::int64_t kExtendedMinimum = 3; // type byte + size of the next header

// 1980-01-01 00:01:00, the date of times a DOS date cannot hold.
constexpr std::uint32_t kEarliestDosDate = 0x00210020u;

std::string FieldText(const std::vector<std::uint8_t>& bytes, std::size_t from, std::size_t to) {
    std::string text(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                     bytes.begin() + static_cast<std::ptrdiff_t>(to));
    text.resize(std::min(text.size(), text.find('\0')));
    return text;
}

// What the extended headers of one member say.
struct Extended {
    std::string Name;                      // type 1
    std::string Folder;                    // type 2
    std::optional<std::uint16_t> UnixMode; // type 0x50
    std::optional<std::int64_t> UnixTime;  // type 0x54
    std::int64_t Bytes = 0;                // all of them together
};

// Reads the chain of extended headers starting with `size` at `pos`, none
// reaching past `limit`; false when one is malformed.
bool ReadExtended(TArxByteSource& source, std::int64_t pos, std::int64_t size, std::int64_t limit,
                  Extended& out) {
    std::vector<std::uint8_t> bytes;
    while (size != 0) {
        if (size < kExtendedMinimum || size > limit - pos) return false;
        bytes.assign(static_cast<std::size_t>(size), 0);
        if (!source.ReadExact(pos, bytes.data(), size)) return false;
        const auto end = static_cast<std::size_t>(size - 2);
        if (bytes[0] == kExtendedName) out.Name = FieldText(bytes, 1, end);
        if (bytes[0] == kExtendedFolder)
            out.Folder = NormalizeStoredPath(FieldText(bytes, 1, end), false);
        if (bytes[0] == kExtendedUnixMode && end >= 3) out.UnixMode = GetLe16(bytes.data() + 1);
        if (bytes[0] == kExtendedUnixTime && end >= 5) out.UnixTime = GetLe32(bytes.data() + 1);
        out.Bytes += size;
        pos += size;
        size = GetLe16(bytes.data() + end);
    }
    return true;
}

bool HasMethod(const TLhaHeader& h, char c) {
    return std::memcmp(h.Method.data(), "-lh", 3) == 0 && h.Method[3] == c && h.Method[4] == '-';
}

} // namespace

bool TLhaHeader::Folder() const {
    return HasMethod(*this, 'd');
}

bool TLhaHeader::Supported() const {
    for (const char c : {'0', '1', '4', '5', '6', '7', 'd'})
        if (HasMethod(*this, c)) return true;
    return false;
}

std::uint32_t TLhaHeader::DosDate() const {
    if (Level != 2) return Time;
    return DateTimeToDosDate(UnixTimeToDateTime(Time)).value_or(kEarliestDosDate);
}

std::uint8_t TLhaHeader::Attributes() const {
    if (!UnixMode) return Attr;
    const auto cleared = static_cast<std::uint8_t>(Attr & ~kReadOnlyAttr);
    return (*UnixMode & kOwnerWrite) != 0 ? cleared
                                          : static_cast<std::uint8_t>(cleared | kReadOnlyAttr);
}

int ReadLhaHeader(TArxByteSource& source, std::int64_t offset, TLhaHeader& header) {
    std::vector<std::uint8_t> h(static_cast<std::size_t>(kFixedSize));
    const std::int64_t got = offset < 0 ? 0 : source.ReadAt(offset, h.data(), kFixedSize);
    if (got <= 0) return 0;
    // A zero header size is the end mark (16 bits wide at level 2).
    if (h[0] == 0 && (got < kFixedSize || h[kLevel] != 2 || h[1] == 0)) return 0;
    if (got < kFixedSize) return -1; // a header cut short
    const std::uint8_t level = h[kLevel];
    if (level > 2) return 0;
    const std::int64_t streamSize = source.Size();
    header = TLhaHeader{};
    header.Offset = offset;
    header.Level = level;
    std::memcpy(header.Method.data(), h.data() + kMethodId, 5);
    const std::int64_t packed = GetLe32(h.data() + kPackedSize);
    header.UnpackedSize = GetLe32(h.data() + kOriginalSize);
    header.Time = GetLe32(h.data() + kTime);
    header.Attr = h[kAttribute];

    std::string name;
    Extended extended;
    TNameHost host = TNameHost::Dos; // level 0 names no system
    if (level < 2) {
        const std::int64_t headerBytes = h[0] + 2;
        const std::int64_t nameLength = h[kNameLength];
        const std::int64_t tail = level == 0 ? kLevel0Tail : kLevel1Tail;
        if (kFixedSize + nameLength + tail > headerBytes) return -1;
        std::vector<std::uint8_t> all(static_cast<std::size_t>(headerBytes));
        if (!source.ReadExact(offset, all.data(), headerBytes)) return -1;
        const auto nameEnd = static_cast<std::size_t>(kFixedSize + nameLength);
        name = FieldText(all, static_cast<std::size_t>(kFixedSize), nameEnd);
        header.Crc = GetLe16(all.data() + nameEnd);
        const std::size_t area = nameEnd + static_cast<std::size_t>(kLevel0Tail);
        if (level == 0 && all.size() >= area + kLevel0UnixSize && all[area] == kUnixOs) {
            header.UnixTime = GetLe32(all.data() + area + kLevel0UnixTime);
            header.UnixMode = GetLe16(all.data() + area + kLevel0UnixMode);
        }
        header.DataPos = offset + headerBytes;
        header.NextPos = offset + headerBytes + packed;
        if (level == 1) {
            host = all[nameEnd + kLevel1Os] == kDosOs ? TNameHost::Dos : TNameHost::Other;
            // The extended headers count in the packed size.
            if (!ReadExtended(source, offset + headerBytes, GetLe16(all.data() + headerBytes - 2),
                              std::min(streamSize, offset + headerBytes + packed), extended))
                return -1;
            if (!extended.Name.empty()) name = extended.Name;
            header.DataPos += extended.Bytes;
        }
        header.PackedSize = packed - extended.Bytes;
    } else {
        const std::int64_t headerBytes = GetLe16(h.data());
        std::vector<std::uint8_t> base(static_cast<std::size_t>(kLevel2BaseSize));
        if (headerBytes < kLevel2BaseSize ||
            !source.ReadExact(offset, base.data(), kLevel2BaseSize))
            return -1;
        header.Crc = GetLe16(base.data() + kLevel2Crc);
        host = base[kLevel2Os] == kDosOs ? TNameHost::Dos : TNameHost::Other;
        if (!ReadExtended(source, offset + kLevel2BaseSize,
                          GetLe16(base.data() + kLevel2FirstExtended),
                          std::min(streamSize, offset + headerBytes), extended))
            return -1;
        name = extended.Name;
        header.UnixTime = header.Time;
        header.DataPos = offset + headerBytes;
        header.PackedSize = packed;
        header.NextPos = offset + headerBytes + packed;
    }
    header.RawPath = name;
    if (!extended.Folder.empty())
        header.RawPath =
            name.empty() ? extended.Folder : RemoveSlash(extended.Folder) + "\\" + name;
    header.Host = host;
    if (extended.UnixTime) header.UnixTime = extended.UnixTime;
    if (extended.UnixMode) header.UnixMode = extended.UnixMode;
    return 1;
}

bool LhaDataWhole(const TLhaHeader& header, const TArxByteSource& source) {
    return header.NextPos <= source.Size();
}

} // namespace sorvane
