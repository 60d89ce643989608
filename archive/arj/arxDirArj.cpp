// The ARJ directory walk.
#include "archive/arj/arxDirArj.h"

#include "archive/arxGlobals.h"

#include <algorithm>

namespace sorvane {

namespace {

constexpr std::uint16_t kArjHeaderId = 60000;
constexpr std::int64_t kArjHeaderBuffer = 2600;
constexpr std::int64_t kIdAndSize = 4;
constexpr std::int64_t kHeaderCrc = 4;
constexpr std::int64_t kExtendedSize = 2;
constexpr std::int64_t kBasicFixedPart = 30;
constexpr std::uint8_t kVolumeFlag = 0x04;
constexpr std::uint8_t kContinuedFlag = 0x08;
constexpr std::uint8_t kDirectoryType = 3;
constexpr std::uint8_t kUnixHost = 2;
constexpr std::uint32_t kReadOnlyAttr = 0x01;
constexpr std::uint32_t kDirectoryAttr = 0x10;
constexpr std::uint32_t kArchiveAttr = 0x20;

} // namespace

// A basic header longer than the header buffer is read as far as the buffer
// holds; the walk skips the rest with the header.
bool TArjWalk::ReadBasic(TArxon& arx, std::int64_t pos, std::int64_t size) {
    if (size > arx.Walk.StreamSize - pos) return false;
    const std::int64_t held = std::min(size, kArjHeaderBuffer);
    basic_.assign(static_cast<std::size_t>(held), 0);
    return arx.ReadExact(pos, basic_.data(), held);
}

void TArjWalk::SetUp(TArxon& arx) {
    const std::int64_t start = arx.Walk.FirstHeader;
    std::uint8_t head[kIdAndSize]{};
    const std::int64_t size = arx.ReadExact(start, head, kIdAndSize) ? GetLe16(head + 2) : 0;
    if (GetLe16(head) != kArjHeaderId || size == 0 || size < 5 ||
        !ReadBasic(arx, start + kIdAndSize, size)) {
        arx.FailWalk();
        return;
    }
    multiVolume_ = (basic_[4] & kVolumeFlag) != 0;
    arx.Walk.FirstHeader = start + kIdAndSize + size + kHeaderCrc + kExtendedSize;
    arx.Walk.HeaderSize = kIdAndSize;
}

// The basic header in basic_ names its member: the NUL-ended text at the
// first-header size.
namespace {

bool NameOf(const std::vector<std::uint8_t>& basic, std::string& name) {
    if (basic.size() < kBasicFixedPart) return false;
    const std::size_t at = basic[0];
    if (at >= basic.size()) return false;
    const auto first = basic.begin() + static_cast<std::ptrdiff_t>(at);
    name.assign(first, std::find(first, basic.end(), std::uint8_t{0}));
    return true;
}

// ARJ on UNIX hosts stores the file's mode in the access field: the
// permission bits, and in the top four bits ARJ's own type code (1 file,
// 2 folder, 4 link or other special file). As attributes: folder, read-only
// when the owner may not write, archive for a file; nothing else.
std::uint32_t UnixModeAttributes(std::uint16_t mode) {
    constexpr std::uint16_t kTypeBits = 0xF000;
    constexpr std::uint16_t kRegularType = 0x1000;
    constexpr std::uint16_t kFolderType = 0x2000;
    constexpr std::uint16_t kOwnerWrite = 0200;
    std::uint32_t attributes = 0;
    if ((mode & kTypeBits) == kFolderType) attributes |= kDirectoryAttr;
    if ((mode & kTypeBits) == kRegularType) attributes |= kArchiveAttr;
    if ((mode & kOwnerWrite) == 0) attributes |= kReadOnlyAttr;
    return attributes;
}

TNameHost NameHost(const std::vector<std::uint8_t>& basic) {
    return basic[3] == kUnixHost ? TNameHost::Other : TNameHost::Dos;
}

} // namespace

void TArjWalk::Step(TArxon& arx) {
    const std::int64_t size = GetLe16(arx.Walk.Header.data() + 2);
    // A zero size is the archive's end marker.
    if (GetLe16(arx.Walk.Header.data()) != kArjHeaderId || size == 0) {
        arx.EndWalk();
        return;
    }
    std::string name;
    if (!ReadBasic(arx, arx.Walk.Position, size) || !NameOf(basic_, name)) {
        arx.FailWalk();
        return;
    }
    arx.SetOemFileName(name, NameHost(basic_));
    arx.FireReadFile();
    std::int64_t packed = GetLe32(basic_.data() + 12);
    std::int64_t unpacked = GetLe32(basic_.data() + 16);
    const std::int64_t dataPos = arx.Walk.Position + size + kHeaderCrc + kExtendedSize;
    if (packed > arx.Walk.StreamSize - dataPos) {
        arx.FailWalk();
        return;
    }
    arx.Walk.Position = dataPos + packed;
    const std::uint8_t flags = basic_[4];
    if ((flags & kVolumeFlag) != 0 && !FollowVolumes(arx, packed, unpacked)) return;
    if (multiVolume_ && (flags & kContinuedFlag) != 0) return;
    if (!arx.MatchSpec()) return;
    TArxonEntry entry;
    // ARJ on UNIX hosts stores the modification time as Unix seconds.
    const std::uint32_t stamp = GetLe32(basic_.data() + 8);
    entry.FileDate =
        basic_[3] == kUnixHost ? UnixTimeToDateTime(stamp) : arx.DosDateToDateTime(stamp);
    entry.CreatorVersion = basic_[1];
    entry.ExtractVersion = basic_[2];
    entry.PackedSize = packed;
    entry.UnpackedSize = unpacked;
    entry.Crc = GetLe32(basic_.data() + 20);
    entry.Encrypted = (flags & 1) != 0;
    entry.CompressMethod = basic_[5];
    const bool directory = basic_[6] == kDirectoryType;
    entry.CompressMethodName =
        GetMethodName(ArxArchiveType::Arj, basic_[5], flags, ArxMethodEntry{directory, 0});
    const std::uint16_t access = GetLe16(basic_.data() + 26);
    entry.FileAttr = basic_[3] == kUnixHost ? UnixModeAttributes(access) : access;
    entry.InternalAttr = static_cast<std::uint16_t>(entry.FileAttr);
    if (directory)
        arx.ReportDir(entry);
    else
        arx.ReportFile(entry);
}

// The member goes on in the next volumes: each holds an archive header and
// then the member's next part, until a part without the volume flag.
bool TArjWalk::FollowVolumes(TArxon& arx, std::int64_t& packed, std::int64_t& unpacked) {
    for (;;) {
        if (!arx.NextVolume()) return false;
        std::uint8_t head[kIdAndSize]{};
        std::int64_t size = arx.ReadExact(0, head, kIdAndSize) ? GetLe16(head + 2) : 0;
        if (GetLe16(head) != kArjHeaderId || size == 0) {
            arx.FailWalk();
            return false;
        }
        const std::int64_t fileHeader = kIdAndSize + size + kHeaderCrc + kExtendedSize;
        size = arx.ReadExact(fileHeader, head, kIdAndSize) ? GetLe16(head + 2) : 0;
        std::string name;
        if (GetLe16(head) != kArjHeaderId || size == 0 ||
            !ReadBasic(arx, fileHeader + kIdAndSize, size) || !NameOf(basic_, name)) {
            arx.FailWalk();
            return false;
        }
        arx.SetOemFileName(name, NameHost(basic_));
        const std::int64_t partPacked = GetLe32(basic_.data() + 12);
        const std::int64_t dataPos = fileHeader + kIdAndSize + size + kHeaderCrc + kExtendedSize;
        if (partPacked > arx.Walk.StreamSize - dataPos) {
            arx.FailWalk();
            return false;
        }
        packed += partPacked;
        unpacked += GetLe32(basic_.data() + 16);
        arx.Walk.Position = dataPos + partPacked;
        if ((basic_[4] & kVolumeFlag) == 0) return true;
    }
}

} // namespace sorvane
