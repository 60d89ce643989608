// The times and the read-only attribute every family's reader restores, in a
// time zone with summer time (Europe/Madrid): the time the archive stores at
// its own precision (Unix seconds, NTFS's 100 ns), at the edges a DOS date
// cannot hold (1970, after 2038, an odd second, both 02:30 of the autumn
// night); a DOS date, where the member stores nothing else, read as the
// local time it was written in. RAR 2.9 to 4 adds to its local DOS time an odd
// second and a fraction of 100 ns units: no 1970, and both 02:30 of the
// autumn night are one DOS time there. Level-0 and level-1 LHA headers with Unix
// extensions, which no tool here writes, are built in the test.
#include "archive/arxCrc.h"
#include "tests/archive/ArchiveTestSupport.h"
#include "tests/archive/families/FamilyTestSupport.h"

#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>

namespace sorvane::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

void PutLe(Bytes& out, std::uint64_t value, int size) {
    for (int i = 0; i < size; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::uint16_t LhaCrc(const std::string& data) {
    std::uint32_t crc = 0;
    UpdateCrc16(data.data(), data.size(), crc);
    return static_cast<std::uint16_t>(crc);
}

// 2021-03-04 05:06:08 as a DOS date-time: what the members below store
// besides their Unix time.
constexpr std::uint32_t kDosStamp =
    (41u << 25) | (3u << 21) | (4u << 16) | (5u << 11) | (6u << 5) | 4u;

// One stored (-lh0-) LHA member. Level 0: with `unixTime`, the Unix extension
// area behind the CRC ('U', a version, the time, the mode, owner and group).
// Level 1: the Unix-time (0x54) and Unix-permission (0x50) extended headers.
Bytes LhaMember(int level, const std::string& name, const std::string& data,
                std::optional<std::uint32_t> unixTime, std::optional<std::uint16_t> mode) {
    // Level 1: each extended header is its type, its data and the size of
    // the next one; the base header ends with the size of the first.
    struct Field {
        std::uint8_t type;
        std::uint64_t value;
        int size;
    };
    std::vector<Field> fields;
    if (level == 1 && unixTime) fields.push_back({0x54, *unixTime, 4});
    if (level == 1 && mode) fields.push_back({0x50, *mode, 2});
    auto sizeOf = [&](std::size_t i) { return i < fields.size() ? 1 + fields[i].size + 2 : 0; };
    Bytes extended;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        extended.push_back(fields[i].type);
        PutLe(extended, fields[i].value, fields[i].size);
        PutLe(extended, sizeOf(i + 1), 2);
    }
    Bytes h;
    h.push_back(0); // header size, set below
    h.push_back(0); // header checksum, set below
    for (char c : std::string("-lh0-"))
        h.push_back(static_cast<std::uint8_t>(c));
    PutLe(h, data.size() + extended.size(), 4);
    PutLe(h, data.size(), 4);
    PutLe(h, kDosStamp, 4);
    h.push_back(0x20); // archive
    h.push_back(static_cast<std::uint8_t>(level));
    h.push_back(static_cast<std::uint8_t>(name.size()));
    for (char c : name)
        h.push_back(static_cast<std::uint8_t>(c));
    PutLe(h, LhaCrc(data), 2);
    if (level == 0 && unixTime) {
        h.push_back('U');
        h.push_back(0);
        PutLe(h, *unixTime, 4);
        PutLe(h, mode.value_or(0644), 2);
        PutLe(h, 0, 4); // owner and group
    }
    if (level == 1) {
        h.push_back('U');
        PutLe(h, sizeOf(0), 2);
    }
    h[0] = static_cast<std::uint8_t>(h.size() - 2);
    unsigned sum = 0;
    for (std::size_t i = 2; i < h.size(); ++i)
        sum += h[i];
    h[1] = static_cast<std::uint8_t>(sum);
    h.insert(h.end(), extended.begin(), extended.end());
    h.insert(h.end(), data.begin(), data.end());
    return h;
}

struct TimeCase {
    const char* archive; // a fixture below tests/data/archive, or "built-lha"
    const char* file;
    std::int64_t seconds;
    std::uint32_t nanoseconds;
    bool readOnly;
};

// Local 2021-03-04 05:06:08 in Madrid (CET, UTC+1), and local 1980-01-01 00:00.
constexpr std::int64_t kDosStampInMadrid = 1614830768;

const TimeCase kTimeCases[] = {
    // ZIP: Info-ZIP's extended timestamp, NTFS times, DOS dates alone.
    {"zip/times.zip", "1970.txt", 1, 0, false},
    {"zip/times.zip", "2040.txt", 2208988801, 0, false},
    {"zip/times.zip", "odd.txt", 1614834369, 0, false},
    {"zip/times.zip", "dst-first.txt", 1635640200, 0, false},
    {"zip/times.zip", "dst-second.txt", 1635643800, 0, false},
    {"zip/times.zip", "read-only.txt", 1614834368, 0, true},
    {"zip/times.zip", "dated", 1614834369, 0, false},
    {"zip/times-ntfs.zip", "fraction.txt", 1614834369, 123456700, false},
    // Written as 06:06:10 (zip rounds the odd second up) and 1980-01-01 in Madrid.
    {"zip/times-dos.zip", "odd.txt", 1614834370, 0, false},
    {"zip/times-dos.zip", "1970.txt", 315529200, 0, false},
    // LHA: level 2 stores Unix seconds; levels 0 and 1 as built below.
    {"lha/times-level2.lzh", "1970.txt", 1, 0, false},
    {"lha/times-level2.lzh", "2040.txt", 2208988801, 0, false},
    {"lha/times-level2.lzh", "odd.txt", 1614834369, 0, false},
    {"lha/times-level2.lzh", "dst-first.txt", 1635640200, 0, false},
    {"lha/times-level2.lzh", "dst-second.txt", 1635643800, 0, false},
    {"built-lha", "level0-2040.txt", 2208988801, 0, true},
    {"built-lha", "level0-1970.txt", 1, 0, false},
    {"built-lha", "level1-first.txt", 1635640200, 0, false},
    {"built-lha", "level1-second.txt", 1635643800, 0, true},
    {"built-lha", "level1-dos.txt", kDosStampInMadrid, 0, false},
    // ARJ for UNIX: Unix seconds and the mode.
    {"arj/times.arj", "2040.txt", 2208988801, 0, false},
    {"arj/times.arj", "odd.txt", 1614834369, 0, false},
    {"arj/times.arj", "dst-first.txt", 1635640200, 0, false},
    {"arj/times.arj", "dst-second.txt", 1635643800, 0, false},
    {"arj/times.arj", "read-only.txt", 1614834368, 0, true},
    // RAR 2.9 to 4: extended times over the DOS time.
    {"rar/times.rar", "2040.txt", 2208988801, 0, false},
    {"rar/times.rar", "odd.txt", 1614834369, 0, false},
    {"rar/times.rar", "fraction.txt", 1614834369, 123456700, false},
    {"rar/times.rar", "one-byte.txt", 1614834368, 838860800, false},
    {"rar/times.rar", "salted.txt", 1614834369, 0, false},
    {"rar/times.rar", "large.txt", 1614834369, 0, false},
    {"rar/times.rar", "read-only.txt", 1614834368, 0, true},
    {"rar/times.rar", "dated", 1614834369, 0, false},
    {"rar/times.rar", "dos.txt", kDosStampInMadrid, 0, false},
};

class FamilyTimes : public FamilyTest {};

TEST_F(FamilyTimes, TheStoredTimeAtItsPrecisionAndTheOwnersWriteBit) {
    const ZoneScope madrid("Europe/Madrid");
    TempFolder built;
    Bytes lha;
    for (const Bytes& member : {LhaMember(0, "level0-2040.txt", "0\n", 2208988801u, 0444),
                                LhaMember(0, "level0-1970.txt", "0\n", 1u, std::nullopt),
                                LhaMember(1, "level1-first.txt", "1\n", 1635640200u, 0644),
                                LhaMember(1, "level1-second.txt", "1\n", 1635643800u, 0400),
                                LhaMember(1, "level1-dos.txt", "1\n", std::nullopt, std::nullopt)})
        lha.insert(lha.end(), member.begin(), member.end());
    lha.push_back(0); // the end mark
    WriteBytes(built.File("built.lzh"), lha);

    std::string extracted;
    std::unique_ptr<TempFolder> out;
    for (const TimeCase& c : kTimeCases) {
        SCOPED_TRACE(std::string(c.archive) + " " + c.file);
        if (extracted != c.archive) {
            extracted = c.archive;
            out = std::make_unique<TempFolder>();
            const std::string archive =
                extracted == "built-lha" ? built.File("built.lzh") : DataPath(extracted);
            FamilyRun run(archive, out->Path());
            ASSERT_TRUE(run.reader);
            run.reader->Extract();
            EXPECT_TRUE(run.errors.empty()) << run.Text();
        }
        struct stat info {};
        ASSERT_EQ(::stat(out->File(c.file).c_str(), &info), 0);
        EXPECT_EQ(info.st_mtim.tv_sec, c.seconds);
        EXPECT_EQ(info.st_mtim.tv_nsec, c.nanoseconds);
        EXPECT_EQ((info.st_mode & S_IWUSR) == 0, c.readOnly);
    }
}

} // namespace
} // namespace sorvane::test
