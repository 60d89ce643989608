// ZIP extra fields and member names.
#include "archive/zip/arxZipNames.h"

#include "archive/arxCrc.h"
#include "archive/arxStream.h"

#include <climits>

namespace sorvane {
namespace {

constexpr std::uint16_t kZip64ExtraId = 0x0001;
constexpr std::uint16_t kUnicodePathExtraId = 0x7075;
constexpr std::uint16_t kNtfsExtraId = 0x000A;
constexpr std::uint16_t kExtendedTimeExtraId = 0x5455;
constexpr std::uint16_t kOldUnixExtraId = 0x5855;
// NTFS: 4 reserved bytes, then tagged attributes; tag 1 holds three 8-byte
// times, the modification time first.
constexpr std::size_t kNtfsReserved = 4;
constexpr std::uint16_t kNtfsTimesTag = 1;
constexpr std::size_t kNtfsTimesSize = 24;
// 100 ns steps from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kNtfsUnixEpoch = 116444736000000000;
constexpr std::int64_t kNtfsStepsPerSecond = 10000000;
// The extended timestamp's flags: bit 0, the modification time follows.
constexpr std::uint8_t kExtendedTimeHasModified = 1;
// The older Unix record: access time, then modification time.
constexpr std::size_t kOldUnixModified = 4;
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
        } else if (id == kNtfsExtraId) {
            std::size_t tag = kNtfsReserved;
            while (tag + 4 <= size) {
                const std::uint16_t kind = GetLe16(body + tag);
                const std::size_t length = GetLe16(body + tag + 2);
                if (length > size - tag - 4) break;
                if (kind == kNtfsTimesTag && length >= kNtfsTimesSize) {
                    const std::uint64_t steps = GetLe64(body + tag + 4);
                    // Times before 1601 wrapped past 2^63 are no times.
                    if (steps <= static_cast<std::uint64_t>(INT64_MAX)) {
                        const std::int64_t unix = static_cast<std::int64_t>(steps) - kNtfsUnixEpoch;
                        std::int64_t seconds = unix / kNtfsStepsPerSecond;
                        std::int64_t rest = unix % kNtfsStepsPerSecond;
                        if (rest < 0) {
                            rest += kNtfsStepsPerSecond;
                            --seconds;
                        }
                        info.NtfsSeconds = seconds;
                        info.NtfsNanoseconds = static_cast<std::uint32_t>(rest * 100);
                    }
                }
                tag += 4 + length;
            }
        } else if (id == kExtendedTimeExtraId && size >= 5 &&
                   (body[0] & kExtendedTimeHasModified) != 0) {
            info.UnixSeconds32 = GetLe32(body + 1);
        } else if (id == kOldUnixExtraId && size >= kOldUnixModified + 4 && !info.UnixSeconds32) {
            info.UnixSeconds32 = GetLe32(body + kOldUnixModified);
        }
        at += 4 + size;
    }
    return info;
}

std::optional<TZipUnixTime> ZipMemberUnixTime(const TZipExtraInfo& info, std::uint32_t dosDate) {
    if (info.NtfsSeconds) return TZipUnixTime{*info.NtfsSeconds, info.NtfsNanoseconds};
    if (!info.UnixSeconds32) return std::nullopt;
    const std::uint32_t raw = *info.UnixSeconds32;
    constexpr std::uint32_t kSignBit = 0x80000000u;
    const unsigned dosYear = 1980 + (dosDate >> 25);
    if ((raw & kSignBit) != 0 && dosYear < 2038)
        return TZipUnixTime{static_cast<std::int64_t>(static_cast<std::int32_t>(raw)), 0};
    return TZipUnixTime{static_cast<std::int64_t>(raw), 0};
}

std::string ZipMemberName(const std::string& stored, const TZipExtraInfo& info, bool raw,
                          TNameHost host, bool translate) {
    if (info.HasUnicodeName) return SlashToBackslash(info.UnicodeName);
    if (raw) return SlashToBackslash(stored);
    return StoredNameToAnsi(stored, host, translate);
}

} // namespace sorvane
