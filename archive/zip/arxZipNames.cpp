// ZIP extra fields and member names.
#include "archive/zip/arxZipNames.h"

#include "archive/arxCrc.h"
#include "archive/arxStream.h"

namespace sorvane {
namespace {

constexpr std::uint16_t kZip64ExtraId = 0x0001;
constexpr std::uint16_t kUnicodePathExtraId = 0x7075;
constexpr std::uint32_t kNoSize = 0xFFFFFFFFu;
constexpr std::uint16_t kNoDisk = 0xFFFFu;

std::uint32_t NameCrc(const std::string& name) {
    std::uint32_t crc = 0xFFFFFFFFu;
    UpdateCrc32(name.data(), name.size(), crc);
    return ~crc;
}

} // namespace

TZipExtraInfo ParseZipExtra(const std::vector<std::uint8_t>& extra, std::uint32_t unpacked32,
                            std::uint32_t packed32, const std::string& storedName,
                            std::uint32_t offset32, std::uint16_t disk16) {
    TZipExtraInfo info;
    info.Unpacked = unpacked32;
    info.Packed = packed32;
    info.LocalOffset = offset32;
    info.Disk = disk16;
    std::size_t at = 0;
    while (at + 4 <= extra.size()) {
        const std::uint16_t id = GetLe16(extra.data() + at);
        const std::size_t size = GetLe16(extra.data() + at + 2);
        const std::uint8_t* body = extra.data() + at + 4;
        if (size > extra.size() - at - 4) break;
        if (id == kZip64ExtraId) {
            std::size_t used = 0;
            auto take = [&](std::uint64_t& field, bool wanted) {
                if (!wanted || used + 8 > size) return;
                field = GetLe64(body + used);
                used += 8;
            };
            take(info.Unpacked, unpacked32 == kNoSize);
            take(info.Packed, packed32 == kNoSize);
            take(info.LocalOffset, offset32 == kNoSize);
            if (disk16 == kNoDisk && used + 4 <= size) info.Disk = GetLe32(body + used);
        } else if (id == kUnicodePathExtraId && size >= 5 && body[0] == 1 &&
                   GetLe32(body + 1) == NameCrc(storedName)) {
            info.HasUnicodeName = true;
            info.UnicodeName.assign(reinterpret_cast<const char*>(body + 5), size - 5);
        }
        at += 4 + size;
    }
    return info;
}

std::string ZipMemberName(const std::string& stored, const TZipExtraInfo& info, bool raw,
                          TNameHost host, bool translate) {
    if (info.HasUnicodeName) return SlashToBackslash(info.UnicodeName);
    if (raw) return SlashToBackslash(stored);
    return StoredNameToAnsi(stored, host, translate);
}

} // namespace sorvane
