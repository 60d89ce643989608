// Directory walk of LHA and LZH archives.
#include "archive/lha/arxDirLha.h"

#include "archive/arxGlobals.h"
#include "archive/arxHelpers.h"

#include <algorithm>
#include <array>
#include <vector>

namespace sorvane {
namespace {

// The first 22 bytes are common to all levels.
constexpr std::int64_t kFixedSize = 22;
constexpr std::size_t kHeaderSize = 0;
constexpr std::size_t kMethodId = 2;   // "-lh5-"
constexpr std::size_t kMethodChar = 5; // the "5" of "-lh5-"
constexpr std::size_t kPackedSize = 7;
constexpr std::size_t kOriginalSize = 11;
constexpr std::size_t kTime = 15;
constexpr std::size_t kAttribute = 19;
constexpr std::size_t kLevel = 20;
constexpr std::size_t kNameLength = 21; // levels 0 and 1
// Level 0 and 1: CRC-16 behind the name; level 1 adds the OS byte and the
// size of the first extended header.
constexpr std::int64_t kLevel0Tail = 2;
constexpr std::int64_t kLevel1Tail = 5;
// Level 2: fixed 26-byte base header.
constexpr std::int64_t kLevel2BaseSize = 26;
constexpr std::size_t kLevel2Crc = 21;
constexpr std::size_t kLevel2Os = 23;
constexpr std::size_t kLevel2FirstExtended = 24;
// Level 1: the OS byte follows the name's CRC-16.
constexpr std::size_t kLevel1Os = 2;
// The OS byte of MS-DOS; jlha writes 0, LHa for UNIX "U".
constexpr std::uint8_t kDosOs = 'M';

constexpr std::uint8_t kExtendedName = 1;
constexpr std::uint8_t kExtendedFolder = 2;
// type byte + size of the next header
constexpr std::int64_t kExtendedMinimum = 3;

constexpr std::uint8_t kDirectoryMethod = 'd';
constexpr int kDirectoryMethodCode = 100;
constexpr std::uint32_t kDirectoryAttr = 0x10;
constexpr std::uint16_t kInternalAttr = 32;

std::string FieldText(const std::vector<std::uint8_t>& bytes, std::size_t from, std::size_t to) {
    std::string text(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                     bytes.begin() + static_cast<std::ptrdiff_t>(to));
    text.resize(std::min(text.size(), text.find('\0')));
    return text;
}

TNameHost HostOf(std::uint8_t os) {
    return os == kDosOs ? TNameHost::Dos : TNameHost::Other;
}

} // namespace

void TLhaWalk::SetUp(TArxon& arx) {
    arx.Walk.HeaderSize = kFixedSize;
}

bool TLhaWalk::ReadExtended(TArxon& arx, std::int64_t pos, std::int64_t size, std::int64_t limit,
                            Extended& out) {
    std::vector<std::uint8_t> bytes;
    while (size != 0) {
        if (size < kExtendedMinimum || size > limit - pos) return false;
        bytes.assign(static_cast<std::size_t>(size), 0);
        if (!arx.ReadExact(pos, bytes.data(), size)) return false;
        const auto end = static_cast<std::size_t>(size - 2);
        if (bytes[0] == kExtendedName) out.Name = FieldText(bytes, 1, end);
        // Names are read as UTF-8, Windows-1252 or code page 437 (StoredNameToAnsi):
        // no double-byte lead bytes to protect.
        if (bytes[0] == kExtendedFolder)
            out.Folder = NormalizeStoredPath(FieldText(bytes, 1, end), false);
        out.Bytes += size;
        pos += size;
        size = GetLe16(bytes.data() + end);
    }
    return true;
}

void TLhaWalk::Step(TArxon& arx) {
    const std::vector<std::uint8_t>& h = arx.Walk.Header;
    const std::uint8_t level = h[kLevel];
    // A zero header size is the archive's end mark (16 bits wide at level 2).
    if (h[kHeaderSize] == 0 && (level != 2 || h[kHeaderSize + 1] == 0)) {
        arx.EndWalk();
        return;
    }
    if (level == 0 || level == 1)
        LevelOneStep(arx, level);
    else if (level == 2)
        LevelTwoStep(arx);
    else
        arx.EndWalk(); // level 3 and unknown levels are not listed
}

void TLhaWalk::LevelOneStep(TArxon& arx, std::uint8_t level) {
    const std::vector<std::uint8_t>& h = arx.Walk.Header;
    const std::int64_t offset = arx.Walk.HeaderOffset;
    const std::int64_t packed = GetLe32(h.data() + kPackedSize);
    const std::int64_t headerBytes = h[kHeaderSize] + 2;
    const std::int64_t nameLength = h[kNameLength];
    const std::int64_t tail = level == 0 ? kLevel0Tail : kLevel1Tail;
    std::string name;
    std::array<std::uint8_t, kLevel1Tail> after{};
    if (kFixedSize + nameLength + tail > headerBytes ||
        !arx.ReadName(offset + kFixedSize, nameLength, name) ||
        !arx.ReadExact(offset + kFixedSize + nameLength, after.data(), tail)) {
        arx.FailWalk();
        return;
    }
    // Level 1 counts its extended headers in the packed size.
    Extended extended;
    if (level == 1) {
        std::array<std::uint8_t, 2> first{};
        if (!arx.ReadExact(offset + headerBytes - 2, first.data(), 2) ||
            !ReadExtended(arx, offset + headerBytes, GetLe16(first.data()),
                          std::min(arx.Walk.StreamSize, offset + headerBytes + packed), extended)) {
            arx.FailWalk();
            return;
        }
        if (!extended.Name.empty()) name = extended.Name;
    }
    // Level 0 names no system: DOS.
    const TNameHost host = level == 1 ? HostOf(after[kLevel1Os]) : TNameHost::Dos;
    Report(arx, name, extended, packed - extended.Bytes, GetLe16(after.data()), false, host);
    if (!arx.Walk.Ended) arx.MoveWalkTo(offset + headerBytes + packed);
}

void TLhaWalk::LevelTwoStep(TArxon& arx) {
    const std::vector<std::uint8_t>& h = arx.Walk.Header;
    const std::int64_t offset = arx.Walk.HeaderOffset;
    const std::int64_t packed = GetLe32(h.data() + kPackedSize);
    const std::int64_t headerBytes = GetLe16(h.data() + kHeaderSize);
    std::array<std::uint8_t, kLevel2BaseSize> base{};
    Extended extended;
    if (headerBytes < kLevel2BaseSize || !arx.ReadExact(offset, base.data(), kLevel2BaseSize) ||
        !ReadExtended(arx, offset + kLevel2BaseSize, GetLe16(base.data() + kLevel2FirstExtended),
                      std::min(arx.Walk.StreamSize, offset + headerBytes), extended)) {
        arx.FailWalk();
        return;
    }
    Report(arx, extended.Name, extended, packed, GetLe16(base.data() + kLevel2Crc), true,
           HostOf(base[kLevel2Os]));
    if (!arx.Walk.Ended) arx.MoveWalkTo(offset + headerBytes + packed);
}

void TLhaWalk::Report(TArxon& arx, const std::string& name, const Extended& extended,
                      std::int64_t packed, std::uint16_t crc, bool unixTime, TNameHost host) {
    const std::vector<std::uint8_t>& h = arx.Walk.Header;
    std::string path = name;
    if (!extended.Folder.empty())
        path = name.empty() ? extended.Folder : RemoveSlash(extended.Folder) + "\\" + name;
    arx.SetOemFileName(path, host);
    arx.FireReadFile();
    if (!arx.MatchSpec()) return;

    const std::uint8_t method = h[kMethodChar];
    const bool directory = method == kDirectoryMethod;
    const std::int64_t original = GetLe32(h.data() + kOriginalSize);
    TArxonEntry entry;
    const std::uint32_t time = GetLe32(h.data() + kTime);
    entry.FileDate = unixTime ? UnixTimeToDateTime(time) : DosDateTimeToDateTime(time);
    entry.UnpackedSize = original;
    entry.PackedSize = std::max<std::int64_t>(0, std::min(packed, original));
    entry.Crc = crc;
    entry.CompressMethod = method;
    entry.CompressMethodName = arx.GetMethodName(directory ? kDirectoryMethodCode : method, 0,
                                                 ArxMethodEntry{directory, 0});
    entry.InternalAttr = kInternalAttr;
    entry.FileAttr = h[kAttribute];
    if (directory) {
        entry.FileAttr |= kDirectoryAttr;
        arx.ReportDir(entry);
    } else {
        arx.ReportFile(entry);
    }
}

} // namespace sorvane
