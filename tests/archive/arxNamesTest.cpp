// Member names, attributes and sizes as archivers on Linux write them: names
// made by zip, arj, arc and jlha (tests/data/archive/names), the Unix modes of
// ARJ, and a pax tar whose member is larger than 8 GiB (tests/data/archive/tar);
// the name rule of StoredNameToAnsi; tar headers that cannot be read.
#include "archive/arxArxon.h"
#include "archive/arxGlobals.h"
#include "archive/arxHelpers.h"
#include "archive/tar/arxDirTar.h"
#include "tests/archive/ArchiveTestSupport.h"

#include <cstdint>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace sorvane {
namespace {

using test::DataPath;
using test::FixtureBytes;
using test::TempFolder;
using test::WriteBytes;

struct Listed {
    std::string Name;
    std::int64_t Unpacked = 0;
    DateTime Date;
    std::uint32_t Attr = 0;
};

struct Listing {
    bool Result = false;
    std::vector<Listed> Entries;
    std::vector<int> Errors;
};

// Lists `path` with the file specification "*.*", as the catalogue does.
Listing List(const std::string& path, const std::function<void(TArxon&)>& configure = {}) {
    Listing run;
    SetArxTimeZone(TimeZoneInfo{}); // Unix times read as UTC, as the fixtures were made
    TArxon arx;
    arx.FileSpec = {"*.*"};
    arx.OnRead = [&run](TZipCommon& sender, int, int) {
        auto& a = static_cast<TArxon&>(sender);
        run.Entries.push_back({a.FileName, a.UnpackedSize, a.FileDate, a.FileAttr});
        if (run.Entries.size() > 100) a.SetCancel(true);
    };
    arx.OnError = [&run](TZipCommon&, const std::string&, const std::string&, const std::string&,
                         int code) { run.Errors.push_back(code); };
    if (configure) configure(arx);
    arx.SetArchiveFile(path);
    run.Result = arx.Activate();
    return run;
}

std::vector<std::string> Names(const Listing& run) {
    std::vector<std::string> names;
    for (const Listed& e : run.Entries)
        names.push_back(e.Name);
    return names;
}

constexpr DateTime kStamp{2021, 3, 4, 5, 6, 8};
constexpr int kBadHeader = 25114;
constexpr int kReadError = 25236;

// ---------------------------------------------------------------------------
// Names written on Linux

// The UTF-8 names of the inputs (names/make.sh).
const std::string kNandu = "tree\\\xC3\xB1"
                           "and\xC3\xBA.txt";      // tree\ñandú.txt
const std::string kBose = "tree\\b\xC3\xB6se.txt"; // tree\böse.txt
const std::string kMalmoFile = "tree\\Malm\xC3\xB6\\x.txt";

struct NamesCase {
    const char* File;
    std::vector<std::string> Names; // in the order of the tool's listing
};

void PrintTo(const NamesCase& c, std::ostream* out) {
    *out << c.File;
}

const NamesCase kNamesCases[] = {
    // Info-ZIP, host 3: the UTF-8 names kept, the Latin-1 one read as Windows-1252.
    {"names/unix.zip", {kNandu, kBose, kMalmoFile}},
    // ARJ, host UNIX: the same.
    {"names/unix.arj", {kMalmoFile, kNandu, kBose}},
    // ARJ, host MS-DOS: code page 437 (0x84 is a diaeresis).
    {"names/dos.arj", {"\xC3\xA4rger.txt"}},
    // ARC stores no folder and no host: UTF-8 is kept, other bytes stay code
    // page 437 (0xF6 is a division sign).
    {"names/names.arc",
     {"b\xC3\xB7se.txt", "\xC3\xB1"
                         "and\xC3\xBA.txt"}},
    // jlha, OS id 0: Latin-1 names, folders ending in 0xFF after "ö".
    {"names/level1.lzh", {kNandu, kMalmoFile}},
    {"names/level2.lzh", {kNandu, kMalmoFile}},
};

class LinuxNamesTest : public ::testing::TestWithParam<NamesCase> {};

TEST_P(LinuxNamesTest, ListAsTheToolWroteThem) {
    const NamesCase& c = GetParam();
    const Listing run = List(DataPath(c.File));
    EXPECT_TRUE(run.Result);
    EXPECT_TRUE(run.Errors.empty());
    EXPECT_EQ(Names(run), c.Names);
}

INSTANTIATE_TEST_SUITE_P(Tools, LinuxNamesTest, ::testing::ValuesIn(kNamesCases));

TEST(StoredNames, UnicodeOtherHostsAndDos) {
    struct Case {
        std::string Stored;
        TNameHost Host;
        bool Translate;
        std::string Name;
    };
    const Case cases[] = {
        // Valid UTF-8 with a byte above 127 is kept, whatever the host.
        {"dir/\xC3\xB1.txt", TNameHost::Dos, true, "dir\\\xC3\xB1.txt"},
        {"dir/\xC3\xB1.txt", TNameHost::Other, true, "dir\\\xC3\xB1.txt"},
        // Other bytes from another host: Windows-1252 (0x80 is the euro sign).
        {"\xF1/\x80", TNameHost::Other, true, "\xC3\xB1\\\xE2\x82\xAC"},
        // From DOS: code page 437 (0xA4 is n with tilde).
        {"\xA4/\x80", TNameHost::Dos, true, "\xC3\xB1\\\xC3\x87"},
        // ASCII is itself.
        {"a/b.txt", TNameHost::Other, true, "a\\b.txt"},
        {"a/b.txt", TNameHost::Dos, true, "a\\b.txt"},
        // Without translation the bytes stay.
        {"\xF1/x", TNameHost::Other, false, "\xF1\\x"},
        {"\xA4/x", TNameHost::Dos, false, "\xA4\\x"},
        {"", TNameHost::Other, true, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StoredNameToAnsi(c.Stored, c.Host, c.Translate), c.Name) << c.Stored;
}

TEST(StoredNames, SeparatorAfterALatinLetterIsASeparatorInSingleByteNames) {
    // "Malmö" in Latin-1 and LHA's 0xFF separator: 0xF6 is a lead byte only
    // in a double-byte code page.
    EXPECT_EQ(NormalizeStoredPath("tree\xFFMalm\xF6\xFF", false), "tree\\Malm\xF6\\");
    EXPECT_EQ(NormalizeStoredPath("tree\xFFMalm\xF6\xFF", true), "tree\\Malm\xF6\xFF");
}

// ---------------------------------------------------------------------------
// ARJ: Unix modes as attributes

TEST(ArjUnixModes, MapToFolderReadOnlyAndArchive) {
    const Listing run = List(DataPath("names/unix.arj"), [](TArxon& a) { a.ShowEmptyDirs = true; });
    EXPECT_TRUE(run.Errors.empty());
    struct Expected {
        std::string Name;
        std::uint32_t Attr;
    };
    // arj v: -rw-r--r--, -rw-rw-r--, -r--r--r--, drwxr-xr-x.
    const std::vector<Expected> expected = {
        {kMalmoFile, 0x20},
        {kNandu, 0x20}, // group-writable: mode bit 0x10 is no folder
        {kBose, 0x21},  // the owner may not write
        {"tree\\Malm\xC3\xB6\\", 0x10},
    };
    ASSERT_EQ(run.Entries.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(run.Entries[i].Name, expected[i].Name);
        EXPECT_EQ(run.Entries[i].Attr, expected[i].Attr) << expected[i].Name;
        EXPECT_EQ(run.Entries[i].Date, kStamp) << expected[i].Name;
    }
}

TEST(ArjUnixModes, DosMembersKeepTheirAttributes) {
    const Listing run = List(DataPath("names/dos.arj"));
    ASSERT_EQ(run.Entries.size(), 1u);
    EXPECT_EQ(run.Entries[0].Attr, 0x20u);
}

// ---------------------------------------------------------------------------
// Tar: pax sizes and times, headers that cannot be read

// tar/pax-large.tar rebuilt: its head, a hole of the member's 9,000,000,000
// bytes (no disk used), its tail.
constexpr std::int64_t kLargeMember = 9'000'000'000;

std::string RebuildLargePax(const TempFolder& dir) {
    const std::vector<std::uint8_t> head = FixtureBytes("tar/pax-large.tar.head");
    const std::vector<std::uint8_t> tail = FixtureBytes("tar/pax-large.tar.tail");
    const std::string path = dir.File("pax-large.tar");
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return {};
    const auto headSize = static_cast<off_t>(head.size());
    const bool written = ::pwrite(fd, head.data(), head.size(), 0) == headSize &&
                         ::pwrite(fd, tail.data(), tail.size(), headSize + kLargeMember) ==
                             static_cast<ssize_t>(tail.size());
    ::close(fd);
    return written ? path : std::string();
}

TEST(TarPax, SizeAndTimeRecordsOfAMemberBeyond8GiB) {
    TempFolder dir;
    const std::string path = RebuildLargePax(dir);
    ASSERT_FALSE(path.empty());
    const Listing run = List(path);
    // tar -tvf: large.bin 9000000000 2300-01-01 00:00, after.txt 24 2021-03-04 05:06.
    ASSERT_EQ(run.Entries.size(), 2u);
    EXPECT_EQ(run.Entries[0].Name, "large.bin");
    EXPECT_EQ(run.Entries[0].Unpacked, kLargeMember);
    // 2300-01-01 00:00 UTC from the pax "mtime" record; the header's octal field
    // holds its largest value, 8589934591 (2242). The library's Unix date
    // conversion counts every fourth year as a leap year.
    EXPECT_EQ(run.Entries[0].Date, UnixTimeToDateTime(10'413'792'000));
    EXPECT_NE(run.Entries[0].Date, UnixTimeToDateTime(8'589'934'591));
    EXPECT_EQ(run.Entries[1].Name, "after.txt");
    EXPECT_EQ(run.Entries[1].Unpacked, 24);
    EXPECT_EQ(run.Entries[1].Date, kStamp);
    EXPECT_TRUE(run.Errors.empty());
    EXPECT_TRUE(run.Result);
}

// One pax record: "<length> <key>=<value>\n", the length counting itself.
std::string PaxRecord(const std::string& key, const std::string& value) {
    const std::string body = " " + key + "=" + value + "\n";
    std::size_t length = body.size() + 1;
    while (std::to_string(length).size() + body.size() != length)
        ++length;
    return std::to_string(length) + body;
}

TEST(TarPax, RecordsAreRead) {
    const TPaxRecords r =
        ReadPaxRecords(PaxRecord("path", "a/b/c.txt") + PaxRecord("size", "9000000000") +
                       PaxRecord("mtime", "1614834368.25"));
    EXPECT_EQ(r.Path, "a/b/c.txt");
    EXPECT_EQ(r.Size, 9'000'000'000u);
    EXPECT_EQ(r.MTime, 1614834368);
    struct Case {
        std::string Key, Value;
        std::optional<std::uint64_t> Size;
        std::optional<std::int64_t> MTime;
    };
    const Case cases[] = {
        {"size", "123", 123, std::nullopt},
        {"size", "12x4", std::nullopt, std::nullopt},
        {"size", "99999999999999999999", std::nullopt, std::nullopt}, // beyond 64 bits
        {"size", "", std::nullopt, std::nullopt},
        {"mtime", "-1", std::nullopt, -1},
        {"mtime", "-1.5", std::nullopt, -2}, // whole seconds towards the past
        {"mtime", "-1.000", std::nullopt, -1},
        {"mtime", "1.x", std::nullopt, std::nullopt},
        {"mtime", "", std::nullopt, std::nullopt},
        {"atime", "5", std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        const TPaxRecords got = ReadPaxRecords(PaxRecord(c.Key, c.Value));
        EXPECT_EQ(got.Size, c.Size) << c.Key << "=" << c.Value;
        EXPECT_EQ(got.MTime, c.MTime) << c.Key << "=" << c.Value;
    }
}

TEST(TarHeaders, ThatCannotBeReadAreReported) {
    // tar/v7.tar: alpha.txt (header at 0, data at 512), beta.txt (header at 1024).
    struct Case {
        const char* Label;
        std::function<void(std::vector<std::uint8_t>&)> Damage;
        std::vector<std::string> Listed;
        int Error;
    };
    const Case cases[] = {
        {"second header garbled", [](auto& b) { b[1024] = 'X'; }, {"alpha.txt"}, kBadHeader},
        {"cut inside the second header",
         [](auto& b) { b.resize(1024 + 100); },
         {"alpha.txt"},
         kReadError},
        {"cut at the second header", [](auto& b) { b.resize(1024); }, {"alpha.txt"}, 0},
        {"cut inside the end blocks",
         [](auto& b) { b.resize(b.size() - 600); },
         {"alpha.txt", "beta.txt"},
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Label);
        std::vector<std::uint8_t> bytes = FixtureBytes("tar/v7.tar");
        ASSERT_GT(bytes.size(), 2048u);
        c.Damage(bytes);
        TempFolder dir;
        WriteBytes(dir.File("v7.tar"), bytes);
        const Listing run = List(dir.File("v7.tar"));
        EXPECT_EQ(Names(run), c.Listed);
        EXPECT_EQ(run.Errors, c.Error == 0 ? std::vector<int>{} : std::vector<int>{c.Error});
        EXPECT_EQ(run.Result, c.Error == 0);
    }
}

} // namespace
} // namespace sorvane
