// The times a ZIP member's extra field stores beside its DOS date: NTFS to
// 100 ns, Info-ZIP's extended timestamp and its older Unix record to the
// second, read signed unless only a date past 2038 fits.
#include "archive/zip/arxZipNames.h"

#include <gtest/gtest.h>
#include <optional>
#include <vector>

namespace sorvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

void PutLe(Bytes& out, std::uint64_t value, int size) {
    for (int i = 0; i < size; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// One extra-field record: id, size, body.
Bytes Record(std::uint16_t id, const Bytes& body) {
    Bytes out;
    PutLe(out, id, 2);
    PutLe(out, body.size(), 2);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

// Info-ZIP's extended timestamp with the modification time only.
Bytes ExtendedTime(std::uint32_t seconds, std::uint8_t flags = 1) {
    Bytes body{flags};
    PutLe(body, seconds, 4);
    return Record(0x5455, body);
}

// Info-ZIP's older Unix record: access time, modification time.
Bytes OldUnix(std::uint32_t accessed, std::uint32_t modified) {
    Bytes body;
    PutLe(body, accessed, 4);
    PutLe(body, modified, 4);
    return Record(0x5855, body);
}

// The NTFS record: 4 reserved bytes, tag 1 of 24 bytes (modified, accessed, created).
Bytes Ntfs(std::uint64_t modified) {
    Bytes body(4, 0);
    PutLe(body, 1, 2);
    PutLe(body, 24, 2);
    PutLe(body, modified, 8);
    PutLe(body, modified, 8);
    PutLe(body, modified, 8);
    return Record(0x000A, body);
}

Bytes Joined(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

// DOS date-times of the years the sign rule looks at.
constexpr std::uint32_t kDos2021 = (41u << 25) | (3u << 21) | (4u << 16);
constexpr std::uint32_t kDos2040 = (60u << 25) | (1u << 21) | (1u << 16);
constexpr std::uint32_t kDos1969 = 0; // a DOS date cannot say 1969: 1980

TEST(ZipExtraTimes, EachRecordGivesItsTime) {
    constexpr std::uint64_t kNtfs1614834369 = 116444736000000000ull + 16148343691234567ull;
    struct Case {
        const char* what;
        Bytes extra;
        std::uint32_t dosDate;
        std::optional<std::int64_t> seconds;
        std::uint32_t nanoseconds;
    } cases[] = {
        {"no record", {}, kDos2021, std::nullopt, 0},
        {"extended, odd second", ExtendedTime(1614834369), kDos2021, 1614834369, 0},
        {"extended, 1970", ExtendedTime(1), kDos2021, 1, 0},
        {"extended, 2040 past the sign bit", ExtendedTime(2208988801u), kDos2040, 2208988801, 0},
        {"extended, sign bit before 2038", ExtendedTime(0xFFFFFFFFu), kDos1969, -1, 0},
        {"extended without its modification time", ExtendedTime(7, 6), kDos2021, std::nullopt, 0},
        {"older Unix record", OldUnix(5, 1635640200), kDos2021, 1635640200, 0},
        {"extended before the older record", Joined({OldUnix(5, 6), ExtendedTime(9)}), kDos2021, 9,
         0},
        {"NTFS to 100 ns", Ntfs(kNtfs1614834369), kDos2021, 1614834369, 123456700},
        {"NTFS before the extended", Joined({ExtendedTime(3), Ntfs(116444736000000000ull)}),
         kDos2021, 0, 0},
        {"NTFS before 1970", Ntfs(116444736000000000ull - 5), kDos2021, -1, 999999500},
        {"a record cut short", Bytes{0x55, 0x54, 9, 0, 1, 2, 3}, kDos2021, std::nullopt, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TZipExtraInfo info = ParseZipExtra(c.extra, 0, 0, "name");
        const std::optional<TZipUnixTime> time = ZipMemberUnixTime(info, c.dosDate);
        ASSERT_EQ(time.has_value(), c.seconds.has_value());
        if (!time) continue;
        EXPECT_EQ(time->Seconds, *c.seconds);
        EXPECT_EQ(time->Nanoseconds, c.nanoseconds);
    }
}

} // namespace
} // namespace sorvane
