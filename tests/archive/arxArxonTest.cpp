// The directory reader: listings of real archives checked against their
// reference listings, the run's events and edge cases, and damaged archives.
#include "archive/arxArxon.h"

#include "archive/arxRegister.h"
#include "archive/arxUnBase.h"
#include "tests/archive/ArchiveTestSupport.h"
#include "tests/archive/ToolListing.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace sorvane {
namespace {

using test::DataPath;
using test::ReadBytes;
using test::ReadText;
using test::TempFolder;
using test::WriteBytes;

namespace fs = std::filesystem;

// What one run of the reader delivered.
struct Listed {
    std::string Name;
    std::int64_t Unpacked = 0;
    std::int64_t Packed = 0;
    DateTime Date;
    std::uint32_t Attr = 0;
    bool Encrypted = false;
    std::string Method;
    std::string Volume;
};

Listed Named(const std::string& name) {
    Listed listed;
    listed.Name = name;
    return listed;
}

struct Listing {
    bool Result = false;
    std::vector<Listed> Entries;
    std::vector<std::string> ReadFiles;
    std::vector<int> Errors;
    std::vector<std::string> Events;
    int NumFiles = 0;
    std::int64_t TotalUnpacked = 0;
    std::int64_t TotalPacked = 0;
};

using Configure = std::function<void(TArxon&, Listing&)>;

Listing ListArchive(const std::string& path, const Configure& configure = {}) {
    Listing run;
    TArxon arx;
    arx.FileSpec = {"*.*"};
    arx.OnRead = [&run](TZipCommon& sender, int, int) {
        auto& a = static_cast<TArxon&>(sender);
        run.Entries.push_back({a.FileName, a.UnpackedSize, a.PackedSize, a.FileDate, a.FileAttr,
                               a.Encrypted, a.CompressMethodName, a.VolumeName});
        run.Events.push_back("read");
    };
    arx.OnReadFile = [&run](TZipCommon&, const std::string& name) {
        run.ReadFiles.push_back(name);
    };
    arx.OnError = [&run](TZipCommon&, const std::string&, const std::string&, const std::string&,
                         int code) { run.Errors.push_back(code); };
    arx.OnActivate = [&run](TZipCommon&) { run.Events.push_back("activate"); };
    arx.OnDeactivate = [&run](TZipCommon&) { run.Events.push_back("deactivate"); };
    arx.OnTotals = [&run](TZipCommon&, std::int64_t, std::int64_t, int, int) {
        run.Events.push_back("totals");
    };
    if (configure) configure(arx, run);
    arx.SetArchiveFile(path);
    run.Result = arx.Activate();
    run.NumFiles = arx.NumFiles;
    run.TotalUnpacked = arx.TotalUnpackedSize;
    run.TotalPacked = arx.TotalPackedSize;
    return run;
}

// ---------------------------------------------------------------------------
// Listings of real archives against their reference listings

struct Member {
    std::string Name;     // as reported, "\" between folders
    std::string ListName; // as the reference listing writes it
    std::int64_t Size;
    std::int64_t Packed; // -1: not compared
    DateTime Date;
    std::uint32_t AttrMask;  // attribute bits that must be set
    std::uint32_t AttrClear; // attribute bits that must be clear
};

struct FixtureCase {
    std::string File;
    std::vector<Member> Members;
    bool ShowEmptyDirs = false;
    bool LowerCaseListing = false; // the listing's tool prints names in lower case
    // Bytes the listing's packed size counts and the reader's does not (the
    // 12-byte cipher header of an encrypted ZIP member).
    std::int64_t ListedPackedExtra = 0;
};

void PrintTo(const FixtureCase& c, std::ostream* out) {
    *out << c.File;
}

constexpr DateTime kStamp{2021, 3, 4, 5, 6, 8};
constexpr std::uint32_t kDir = 0x10;

// Lists `file` and checks that it gave exactly `members`, in their order.
void ExpectListsEveryMember(const std::string& file, const std::vector<Member>& members,
                            bool showEmptyDirs) {
    const Listing run =
        ListArchive(DataPath(file), [&](TArxon& a, Listing&) { a.ShowEmptyDirs = showEmptyDirs; });
    EXPECT_TRUE(run.Result);
    EXPECT_TRUE(run.Errors.empty()) << (run.Errors.empty() ? 0 : run.Errors.front());
    ASSERT_EQ(run.Entries.size(), members.size());
    for (std::size_t i = 0; i < members.size(); ++i) {
        const Member& m = members[i];
        const Listed& got = run.Entries[i];
        EXPECT_EQ(got.Name, m.Name);
        EXPECT_EQ(got.Unpacked, m.Size) << m.Name;
        if (m.Packed >= 0) {
            EXPECT_EQ(got.Packed, m.Packed) << m.Name;
        }
        EXPECT_EQ(got.Date, m.Date) << m.Name;
        EXPECT_EQ(got.Attr & m.AttrMask, m.AttrMask) << m.Name;
        EXPECT_EQ(got.Attr & m.AttrClear, 0u) << m.Name;
    }
}

class ArxonFixtureTest : public ::testing::TestWithParam<FixtureCase> {};

// Every member is on its line of the tool's listing, name byte for byte,
// with the same size, packed size, date and attributes as far as the tool
// prints them (nomarch prints names in lower case).
TEST_P(ArxonFixtureTest, TableAgreesWithReferenceListing) {
    const FixtureCase& c = GetParam();
    const std::vector<test::ToolEntry> listing =
        test::ParseToolListing(ReadText(DataPath(c.File + ".list")));
    ASSERT_FALSE(listing.empty()) << c.File;
    for (const Member& m : c.Members) {
        EXPECT_TRUE(std::any_of(listing.begin(), listing.end(), [&](const test::ToolEntry& e) {
            return e.Name == m.ListName;
        })) << m.ListName;
        test::ReportedMember reported;
        reported.Name = m.Name;
        reported.Size = m.Size;
        if (m.Packed >= 0) reported.Packed = m.Packed + c.ListedPackedExtra;
        reported.Date = m.Date;
        reported.Attr = m.AttrMask;
        EXPECT_EQ(test::CompareWithListing(listing, reported, c.LowerCaseListing), "");
    }
}

TEST_P(ArxonFixtureTest, ListsEveryMember) {
    ExpectListsEveryMember(GetParam().File, GetParam().Members, GetParam().ShowEmptyDirs);
}

// ZIP: sizes and dates from the central directory; encrypted members without
// their 12-byte cipher header; folders only with ShowEmptyDirs.
const FixtureCase kZipCases[] = {
    {"zip/stored.zip",
     {{"alpha.txt", "alpha.txt", 54, 54, kStamp, 0, kDir},
      {"beta.txt", "beta.txt", 708, 708, kStamp, 0, kDir}}},
    {"zip/deflated.zip",
     {{"alpha.txt", "alpha.txt", 54, 52, kStamp, 0, kDir},
      {"beta.txt", "beta.txt", 708, 96, kStamp, 0, kDir}}},
    {"zip/encrypted-stored.zip",
     {{"alpha.txt", "alpha.txt", 54, 54, kStamp, 0, kDir},
      {"beta.txt", "beta.txt", 708, 708, kStamp, 0, kDir}},
     false,
     false,
     12},
    {"zip/encrypted-deflated.zip",
     {{"alpha.txt", "alpha.txt", 54, 52, kStamp, 0, kDir},
      {"beta.txt", "beta.txt", 708, 96, kStamp, 0, kDir}},
     false,
     false,
     12},
    {"zip/zip64.zip",
     {{"alpha.txt", "alpha.txt", 54, 52, kStamp, 0, kDir},
      {"beta.txt", "beta.txt", 708, 96, kStamp, 0, kDir}}},
    {"zip/bzip2.zip",
     {{"alpha.txt", "alpha.txt", 54, 54, kStamp, 0, kDir},
      {"beta.txt", "beta.txt", 708, 155, kStamp, 0, kDir}}},
    {"zip/deflate64.zip",
     {{"alpha.txt", "alpha.txt", 54, 54, kStamp, 0, kDir},
      {"beta.txt", "beta.txt", 708, 96, kStamp, 0, kDir}}},
    {"zip/lzma.zip",
     {{"alpha.txt", "alpha.txt", 54, 54, kStamp, 0, kDir},
      {"beta.txt", "beta.txt", 708, 106, kStamp, 0, kDir}}},
    {"zip/ppmd.zip",
     {{"alpha.txt", "alpha.txt", 54, 50, kStamp, 0, kDir},
      {"beta.txt", "beta.txt", 708, 92, kStamp, 0, kDir}}},
    {"zip/comment.zip", {{"alpha.txt", "alpha.txt", 54, 52, kStamp, 0, kDir}}},
    {"zip/junk-prefix.zip",
     {{"alpha.txt", "alpha.txt", 54, 54, kStamp, 0, kDir},
      {"beta.txt", "beta.txt", 708, 708, kStamp, 0, kDir}}},
    {"zip/zero-prefix.zip",
     {{"alpha.txt", "alpha.txt", 54, 54, kStamp, 0, kDir},
      {"beta.txt", "beta.txt", 708, 708, kStamp, 0, kDir}}},
    // A UTF-8 name (flag bit 11) is kept as stored, not read as code page 437.
    {"zip/utf8-name.zip",
     {{"caf\xC3\xA9-\xC3\xB1"
       "and\xC3\xBA.txt",
       "caf\xC3\xA9-\xC3\xB1"
       "and\xC3\xBA.txt",
       22, 22, kStamp, 0, kDir}}},
    {"zip/split.zip", {{"random.bin", "random.bin", 70000, 70000, kStamp, 0, kDir}}},
    // The first volume of a split set: its only member goes on in the next one.
    {"zip/split.z01", {{"random.bin", "random.bin", 70000, 70000, kStamp, 0, kDir}}},
    {"zip/folders.zip",
     {{"docs\\top.txt", "docs/top.txt", 24, 24, kStamp, 0, kDir},
      {"docs\\sub\\deep.txt", "docs/sub/deep.txt", 22, 22, kStamp, 0, kDir}}},
    {"zip/folders.zip",
     {{"docs\\", "docs/", 0, 0, kStamp, kDir, 0},
      {"docs\\top.txt", "docs/top.txt", 24, 24, kStamp, 0, kDir},
      {"docs\\sub\\", "docs/sub/", 0, 0, kStamp, kDir, 0},
      {"docs\\sub\\deep.txt", "docs/sub/deep.txt", 22, 22, kStamp, 0, kDir}},
     true},
    // The jar tool sets no directory attribute: its folder entries are files.
    {"zip/x.jar",
     {{"META-INF\\", "META-INF/", 0, 2, kStamp, 0, kDir},
      {"META-INF\\MANIFEST.MF", "META-INF/MANIFEST.MF", 55, 56, kStamp, 0, kDir},
      {"alpha.txt", "alpha.txt", 54, 52, kStamp, 0, kDir},
      {"docs\\", "docs/", 0, 0, kStamp, 0, kDir},
      {"docs\\sub\\", "docs/sub/", 0, 0, kStamp, 0, kDir},
      {"docs\\sub\\deep.txt", "docs/sub/deep.txt", 22, 24, kStamp, 0, kDir},
      {"docs\\top.txt", "docs/top.txt", 24, 26, kStamp, 0, kDir}}},
};

INSTANTIATE_TEST_SUITE_P(Zip, ArxonFixtureTest, ::testing::ValuesIn(kZipCases));

// ARJ: DOS hosts store DOS dates, UNIX hosts Unix seconds; FileAttr is the
// stored access mode.
const FixtureCase kArjCases[] = {
    {"arj/method0.arj",
     {{"alpha.txt", "alpha.txt", 54, 54, kStamp, 0x20, kDir},
      {"beta.txt", "beta.txt", 708, 708, kStamp, 0x20, kDir}}},
    {"arj/method1.arj",
     {{"alpha.txt", "alpha.txt", 54, 54, kStamp, 0x20, kDir},
      {"beta.txt", "beta.txt", 708, 98, kStamp, 0x20, kDir}}},
    {"arj/method2.arj",
     {{"alpha.txt", "alpha.txt", 54, -1, kStamp, 0x20, kDir},
      {"beta.txt", "beta.txt", 708, -1, kStamp, 0x20, kDir}}},
    {"arj/method3.arj",
     {{"alpha.txt", "alpha.txt", 54, -1, kStamp, 0x20, kDir},
      {"beta.txt", "beta.txt", 708, -1, kStamp, 0x20, kDir}}},
    {"arj/method4.arj",
     {{"alpha.txt", "alpha.txt", 54, -1, kStamp, 0x20, kDir},
      {"beta.txt", "beta.txt", 708, -1, kStamp, 0x20, kDir}}},
    {"arj/garbled.arj",
     {{"alpha.txt", "alpha.txt", 54, 54, kStamp, 0x20, kDir},
      {"beta.txt", "beta.txt", 708, 98, kStamp, 0x20, kDir}}},
    {"arj/unix-host.arj",
     {{"docs\\sub\\deep.txt", "docs/sub/deep.txt", 22, 22, kStamp, 0, kDir},
      {"docs\\top.txt", "docs/top.txt", 24, 24, kStamp, 0, kDir}}},
    // The last volume: its member goes on from the volume before, but the
    // volume's archive header carries no volume flag.
    {"arj/multivol.a02", {{"random.bin", "random.bin", 5432, 5432, kStamp, 0x20, kDir}}},
};

INSTANTIATE_TEST_SUITE_P(Arj, ArxonFixtureTest, ::testing::ValuesIn(kArjCases));

// ARC and PAK: ARC files carry the archive attribute.
const FixtureCase kArcCases[] = {
    {"arc/stored.arc",
     {{"alpha.txt", "alpha.txt", 54, 54, kStamp, 0x20, kDir},
      {"beta.txt", "beta.txt", 708, 708, kStamp, 0x20, kDir}}},
    {"arc/crunched.arc",
     {{"beta.txt", "beta.txt", 708, 293, kStamp, 0x20, kDir},
      {"gamma.txt", "gamma.txt", 732, 317, kStamp, 0x20, kDir}}},
    {"arc/squashed.arc",
     {{"beta.txt", "beta.txt", 708, 292, kStamp, 0x20, kDir},
      {"gamma.txt", "gamma.txt", 732, 316, kStamp, 0x20, kDir}}},
};

INSTANTIATE_TEST_SUITE_P(Arc, ArxonFixtureTest, ::testing::ValuesIn(kArcCases));

// The synthetic archives a Debian tool lists (unace, arj, lsar, nomarch).
const FixtureCase kSynthListedCases[] = {
    {"synth/stored.ace",
     {{"alpha.txt", "alpha.txt", 54, 54, kStamp, 0x20, kDir},
      {"beta.txt", "beta.txt", 708, 708, kStamp, 0x20, kDir}}},
    {"synth/scan-ace.exe",
     {{"alpha.txt", "alpha.txt", 54, 54, kStamp, 0x20, kDir},
      {"beta.txt", "beta.txt", 708, 708, kStamp, 0x20, kDir}}},
    {"synth/scan-arj.exe",
     {{"alpha.txt", "alpha.txt", 54, 54, kStamp, 0x20, kDir},
      {"beta.txt", "beta.txt", 708, 708, kStamp, 0x20, kDir}}},
    {"synth/arj-at-image-end.exe",
     {{"alpha.txt", "alpha.txt", 54, 54, kStamp, 0x20, kDir},
      {"beta.txt", "beta.txt", 708, 708, kStamp, 0x20, kDir}}},
    {"synth/pak-distilled.pak",
     {{"EMPTY.TXT", "EMPTY.TXT", 0, 0, kStamp, 0x20, kDir},
      {"ALPHA.TXT", "ALPHA.TXT", 54, 54, kStamp, 0x20, kDir}}},
    {"synth/pak-sfx-8601.exe",
     {{"EMPTY.TXT", "EMPTY.TXT", 0, 0, kStamp, 0x20, kDir},
      {"ALPHA.TXT", "ALPHA.TXT", 54, 54, kStamp, 0x20, kDir}}},
    {"synth/arc-sfx-6674.exe",
     {{"CRUNCH.TXT", "crunch.txt", 34, 40, kStamp, 0x20, kDir},
      {"ALPHA.TXT", "alpha.txt", 54, 54, kStamp, 0x20, kDir}},
     false,
     true},
    // A method-30 folder: its members are named with its path.
    {"synth/arc-folder.arc", {{"SUB\\X.TXT", "SUB/X.TXT", 54, 54, kStamp, 0x20, kDir}}},
    {"synth/arc-folder.arc",
     {{"SUB\\", "SUB/", 0, 0, kStamp, kDir, 0},
      {"SUB\\X.TXT", "SUB/X.TXT", 54, 54, kStamp, 0x20, kDir}},
     true},
};

INSTANTIATE_TEST_SUITE_P(Synth, ArxonFixtureTest, ::testing::ValuesIn(kSynthListedCases));

// BH archives: no Debian tool reads them, so they have no reference
// listing; the members make_synthetic.py writes.
struct SynthCase {
    std::string File;
    std::vector<Member> Members;
    bool ShowEmptyDirs = false;
};

void PrintTo(const SynthCase& c, std::ostream* out) {
    *out << c.File;
}

class ArxonSynthTest : public ::testing::TestWithParam<SynthCase> {};

TEST_P(ArxonSynthTest, ListsEveryMember) {
    ExpectListsEveryMember(GetParam().File, GetParam().Members, GetParam().ShowEmptyDirs);
}

const SynthCase kSynthCases[] = {
    {"synth/stored.bh",
     {{"ALPHA.TXT", "", 54, 54, kStamp, 0x20, kDir},
      {"BETA.TXT", "", 708, 708, kStamp, 0x20, kDir}}},
    {"synth/scan-bh.exe",
     {{"ALPHA.TXT", "", 54, 54, kStamp, 0x20, kDir},
      {"BETA.TXT", "", 708, 708, kStamp, 0x20, kDir}}},
};

INSTANTIATE_TEST_SUITE_P(Synth, ArxonSynthTest, ::testing::ValuesIn(kSynthCases));

// ---------------------------------------------------------------------------
// ZIP archives built by the test

constexpr std::uint32_t kStampDos = 0x526428C4u; // 2021-03-04 05:06:08

struct ZipSpec {
    ZipSpec(std::string name, std::string data, std::uint16_t flags = 0,
            std::uint32_t externalAttr = 0x20)
        : Name(std::move(name)), Data(std::move(data)), Flags(flags), ExternalAttr(externalAttr) {}
    std::string Name;
    std::string Data;
    std::uint16_t Flags;
    std::uint32_t ExternalAttr;
    std::string Extra;
    std::string Comment;
};

void Put16(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    Put16(out, value & 0xFFFFu);
    Put16(out, value >> 16);
}

void PutText(std::vector<std::uint8_t>& out, const std::string& text) {
    out.insert(out.end(), text.begin(), text.end());
}

// Stored members, their central directory and the end record.
std::vector<std::uint8_t> BuildZip(const std::vector<ZipSpec>& members) {
    std::vector<std::uint8_t> out;
    std::vector<std::uint32_t> offsets;
    for (const ZipSpec& m : members) {
        offsets.push_back(static_cast<std::uint32_t>(out.size()));
        Put32(out, 0x04034B50u);
        Put16(out, 20);
        Put16(out, m.Flags);
        Put16(out, 0);
        Put32(out, kStampDos);
        Put32(out, 0);
        Put32(out, static_cast<std::uint32_t>(m.Data.size()));
        Put32(out, static_cast<std::uint32_t>(m.Data.size()));
        Put16(out, static_cast<std::uint32_t>(m.Name.size()));
        Put16(out, static_cast<std::uint32_t>(m.Extra.size()));
        PutText(out, m.Name);
        PutText(out, m.Extra);
        PutText(out, m.Data);
    }
    const auto directory = static_cast<std::uint32_t>(out.size());
    for (std::size_t i = 0; i < members.size(); ++i) {
        const ZipSpec& m = members[i];
        Put32(out, 0x02014B50u);
        Put16(out, 20);
        Put16(out, 20);
        Put16(out, m.Flags);
        Put16(out, 0);
        Put32(out, kStampDos);
        Put32(out, 0);
        Put32(out, static_cast<std::uint32_t>(m.Data.size()));
        Put32(out, static_cast<std::uint32_t>(m.Data.size()));
        Put16(out, static_cast<std::uint32_t>(m.Name.size()));
        Put16(out, static_cast<std::uint32_t>(m.Extra.size()));
        Put16(out, static_cast<std::uint32_t>(m.Comment.size()));
        Put16(out, 0);
        Put16(out, 0);
        Put32(out, m.ExternalAttr);
        Put32(out, offsets[i]);
        PutText(out, m.Name);
        PutText(out, m.Extra);
        PutText(out, m.Comment);
    }
    const auto directorySize = static_cast<std::uint32_t>(out.size()) - directory;
    Put32(out, 0x06054B50u);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, static_cast<std::uint32_t>(members.size()));
    Put16(out, static_cast<std::uint32_t>(members.size()));
    Put32(out, directorySize);
    Put32(out, directory);
    Put16(out, 0);
    return out;
}

std::string UnicodePathExtra(const std::string& storedName, const std::string& utf8Name,
                             std::uint32_t crcDelta = 0) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char c : storedName) {
        crc ^= c;
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    std::vector<std::uint8_t> out;
    Put16(out, 0x7075);
    Put16(out, static_cast<std::uint32_t>(5 + utf8Name.size()));
    out.push_back(1);
    Put32(out, ~crc + crcDelta);
    PutText(out, utf8Name);
    return {out.begin(), out.end()};
}

class ArxonZipBuiltTest : public ::testing::Test {
protected:
    Listing List(const std::vector<ZipSpec>& members, const Configure& configure = {}) {
        const std::string path = scratch_.File("built.zip");
        WriteBytes(path, BuildZip(members));
        return ListArchive(path, configure);
    }
    TempFolder scratch_;
};

TEST_F(ArxonZipBuiltTest, EncryptedMembersLoseTheirCipherHeader) {
    const Listing run =
        List({{"big.bin", std::string(112, 'x'), 1}, {"small.bin", std::string(10, 'y'), 1}});
    ASSERT_EQ(run.Entries.size(), 2u);
    EXPECT_TRUE(run.Entries[0].Encrypted);
    EXPECT_EQ(run.Entries[0].Packed, 100);
    EXPECT_EQ(run.Entries[1].Packed, 10);
}

TEST_F(ArxonZipBuiltTest, DirectoryEntriesOnlyWithShowEmptyDirs) {
    const std::vector<ZipSpec> members = {{"dir/sub/", "", 0, 0x10}, {"dir/sub/a.txt", "abc"}};
    const Listing hidden = List(members);
    ASSERT_EQ(hidden.Entries.size(), 1u);
    EXPECT_EQ(hidden.Entries[0].Name, "dir\\sub\\a.txt");
    EXPECT_EQ(hidden.NumFiles, 1);
    EXPECT_EQ(hidden.ReadFiles.size(), 2u);

    const Listing shown = List(members, [](TArxon& a, Listing&) { a.ShowEmptyDirs = true; });
    ASSERT_EQ(shown.Entries.size(), 2u);
    EXPECT_EQ(shown.Entries[0].Name, "dir\\sub\\");
    EXPECT_EQ(shown.NumFiles, 2);
    EXPECT_EQ(shown.TotalUnpacked, 3);
}

TEST_F(ArxonZipBuiltTest, LongNameIsWholeAndTheWalkGoesOn) {
    const std::string longName = std::string(296, 'n') + ".txt";
    const Listing run = List({{longName, "1"}, {"after.txt", "2"}});
    ASSERT_EQ(run.Entries.size(), 2u);
    EXPECT_EQ(run.Entries[0].Name, longName);
    EXPECT_EQ(run.Entries[1].Name, "after.txt");
}

TEST_F(ArxonZipBuiltTest, CommentLongerThanTheWorkBufferIsSkipped) {
    ZipSpec first{"first.txt", "1"};
    first.Comment = std::string(65535, 'c');
    const Listing run = List({first, {"second.txt", "2"}});
    EXPECT_TRUE(run.Result);
    EXPECT_TRUE(run.Errors.empty());
    ASSERT_EQ(run.Entries.size(), 2u);
    EXPECT_EQ(run.Entries[1].Name, "second.txt");
}

TEST_F(ArxonZipBuiltTest, Utf8NamesSkipTheOemConversion) {
    const std::string utf8 = "caf\xC3\xA9.txt";
    ZipSpec flagged{utf8, "1", 0x0800};
    ZipSpec unflagged{"caf\x82.txt", "2"};
    ZipSpec unicodePath{"cafe.txt", "3"};
    unicodePath.Extra = UnicodePathExtra("cafe.txt", utf8);
    ZipSpec staleUnicodePath{"cafe.txt", "4"};
    staleUnicodePath.Extra = UnicodePathExtra("cafe.txt", utf8, 1);
    const Listing run = List({flagged, unflagged, unicodePath, staleUnicodePath});
    ASSERT_EQ(run.Entries.size(), 4u);
    EXPECT_EQ(run.Entries[0].Name, utf8);
    // Without the flag a name that is not UTF-8 is code page 437 (DOS host): 0x82 is e acute.
    EXPECT_EQ(run.Entries[1].Name, utf8);
    EXPECT_EQ(run.Entries[2].Name, utf8);
    EXPECT_EQ(run.Entries[3].Name, "cafe.txt");
}

TEST_F(ArxonZipBuiltTest, NameReachingPastTheFileEndsWithBadHeader) {
    const std::string path = scratch_.File("cut-name.zip");
    std::vector<std::uint8_t> bytes = BuildZip({{"a.txt", "1"}, {"b.txt", "2"}});
    // The second central header's name length: past the end of the file.
    const std::size_t second = bytes.size() - 22 - (46 + 5);
    bytes[second + 28] = 0xFF;
    bytes[second + 29] = 0xFF;
    WriteBytes(path, bytes);
    const Listing run = ListArchive(path);
    EXPECT_FALSE(run.Result);
    ASSERT_EQ(run.Entries.size(), 1u);
    EXPECT_EQ(run.Entries[0].Name, "a.txt");
    EXPECT_EQ(run.Errors, std::vector<int>{kMsgBadFileHeader});
}

TEST(ArxonZipSplit, MemberNamesTheVolumeItStartsOn) {
    const Listing run = ListArchive(DataPath("zip/split.zip"));
    ASSERT_EQ(run.Entries.size(), 1u);
    EXPECT_EQ(run.Entries[0].Volume, DataPath("zip/split.z01"));
}

// ---------------------------------------------------------------------------
// ZIP archives without their directory

TEST(ArxonZipNoEnd, UnassignedCorruptHeaderEventIsReportedAndTheLocalHeadersListed) {
    const Listing run = ListArchive(DataPath("zip/zero-prefix-noend.zip"));
    EXPECT_TRUE(run.Result);
    EXPECT_EQ(run.Errors, std::vector<int>{kMsgEventNotAssigned});
    ASSERT_EQ(run.Entries.size(), 2u);
    EXPECT_EQ(run.Entries[0].Name, "alpha.txt");
    EXPECT_EQ(run.Entries[1].Unpacked, 708);
}

TEST(ArxonZipNoEnd, CorruptHeaderEventDecides) {
    for (const bool cancel : {true, false}) {
        std::uint8_t state = 0;
        const Listing run =
            ListArchive(DataPath("zip/zero-prefix-noend.zip"), [&](TArxon& a, Listing&) {
                a.OnCorruptZipHeader = [&](TZipCommon&, THeaderTypeState flags, bool& c) {
                    state = flags;
                    EXPECT_TRUE(c);
                    c = cancel;
                };
            });
        EXPECT_TRUE(run.Result);
        EXPECT_TRUE(run.Errors.empty());
        EXPECT_EQ(state & (kZipCentralFound | kZipEndFound), 0);
        EXPECT_EQ(run.Entries.size(), cancel ? 0u : 2u);
    }
}

TEST(ArxonZipNoEnd, ArchiveCutBeforeItsDirectoryIsListedFromItsLocalHeaders) {
    std::vector<std::uint8_t> bytes = ReadBytes(DataPath("zip/stored.zip"));
    const std::string text(bytes.begin(), bytes.end());
    bytes.resize(text.find("PK\x01\x02"));
    TempFolder scratch;
    const std::string path = scratch.File("cut.zip");
    WriteBytes(path, bytes);
    const Listing run = ListArchive(path, [](TArxon& a, Listing&) {
        a.OnCorruptZipHeader = [](TZipCommon&, THeaderTypeState, bool& cancel) { cancel = false; };
    });
    EXPECT_TRUE(run.Result);
    EXPECT_TRUE(run.Errors.empty());
    ASSERT_EQ(run.Entries.size(), 2u);
    EXPECT_EQ(run.Entries[1].Name, "beta.txt");
    EXPECT_EQ(run.Entries[1].Unpacked, 708);
}

// ---------------------------------------------------------------------------
// Multi-volume sets

TEST(ArxonVolumes, ArjMemberIsFollowedThroughItsVolumes) {
    int asked = 0;
    const Listing run = ListArchive(DataPath("arj/multivol.arj"), [&](TArxon& a, Listing&) {
        a.OnNextVolume = [&](TZipCommon&, std::string&, int, bool, bool&) { ++asked; };
    });
    EXPECT_TRUE(run.Result);
    EXPECT_TRUE(run.Errors.empty());
    ASSERT_EQ(run.Entries.size(), 1u);
    EXPECT_EQ(run.Entries[0].Name, "random.bin");
    EXPECT_EQ(run.Entries[0].Unpacked, 9286 + 9282 + 5432);
    EXPECT_EQ(run.Entries[0].Volume, DataPath("arj/multivol.a02"));
    EXPECT_EQ(asked, 0); // every volume exists
}

TEST(ArxonVolumes, ArjMemberTakesItsNameFromItsLastPart) {
    TempFolder scratch;
    for (const char* volume : {"multivol.arj", "multivol.a01", "multivol.a02"}) {
        std::vector<std::uint8_t> bytes = ReadBytes(DataPath(std::string("arj/") + volume));
        const std::string text(bytes.begin(), bytes.end());
        const std::size_t name = text.find("random.bin");
        ASSERT_NE(name, std::string::npos);
        if (std::string(volume) == "multivol.a02")
            std::copy_n("RANDOM.BIN", 10, bytes.begin() + name);
        WriteBytes(scratch.File(volume), bytes);
    }
    const Listing run = ListArchive(scratch.File("multivol.arj"), [](TArxon& a, Listing&) {
        a.OnNextVolume = [](TZipCommon&, std::string&, int, bool, bool&) {};
    });
    EXPECT_TRUE(run.Result);
    EXPECT_EQ(run.ReadFiles, std::vector<std::string>{"random.bin"});
    ASSERT_EQ(run.Entries.size(), 1u);
    EXPECT_EQ(run.Entries[0].Name, "RANDOM.BIN");
}

TEST(ArxonVolumes, DecliningTheNextVolumeEndsTheListingWithoutFailure) {
    TempFolder scratch;
    const std::string alone = scratch.File("multivol.arj");
    WriteBytes(alone, ReadBytes(DataPath("arj/multivol.arj")));
    int asked = 0;
    const Listing run = ListArchive(alone, [&](TArxon& a, Listing&) {
        a.OnNextVolume = [&](TZipCommon&, std::string&, int, bool, bool& cancel) {
            ++asked;
            cancel = true;
        };
    });
    EXPECT_TRUE(run.Result);
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(run.Entries.empty());
    EXPECT_EQ(run.Errors, std::vector<int>{kMsgUserCanceled});
    EXPECT_EQ(run.Events.back(), "deactivate");
}

TEST(ArxonVolumes, AceMemberIsReportedOnceAndTotalledWhole) {
    const Listing run = ListArchive(DataPath("synth/multivol.ace"), [&](TArxon& a, Listing&) {
        a.OnNextVolume = [](TZipCommon&, std::string&, int, bool, bool&) {};
    });
    EXPECT_TRUE(run.Result);
    EXPECT_TRUE(run.Errors.empty());
    ASSERT_EQ(run.Entries.size(), 1u);
    EXPECT_EQ(run.Entries[0].Unpacked, 3000);
    EXPECT_EQ(run.Entries[0].Packed, 1600);
    EXPECT_EQ(run.NumFiles, 1);
    EXPECT_EQ(run.TotalPacked, 3000);
    EXPECT_EQ(run.TotalUnpacked, 3000);
}

// ---------------------------------------------------------------------------
// The run

// An ARC header: marker, method, 13-byte name, packed size, DOS date and
// time (date first), CRC-16, original size.
void PutArcHeader(std::vector<std::uint8_t>& out, std::uint8_t method, const std::string& name,
                  std::uint32_t packed, std::uint32_t original) {
    out.push_back(26);
    out.push_back(method);
    for (std::size_t i = 0; i < 13; ++i)
        out.push_back(i < name.size() ? static_cast<std::uint8_t>(name[i]) : 0);
    auto put = [&out](std::uint32_t value, int width) {
        for (int i = 0; i < width; ++i)
            out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    };
    put(packed, 4);
    put(0x5264'6000u, 4); // 2021-03-04 12:00:00
    put(0, 2);
    put(original, 4);
}

TEST(ArxonArc, FolderEndClosesOnlyThatFolder) {
    // DIR holds A.TXT and SUB, which holds C.TXT; B.TXT follows at the top.
    std::vector<std::uint8_t> sub;
    PutArcHeader(sub, 2, "C.TXT", 3, 3);
    sub.insert(sub.end(), {'c', 'c', 'c', 26, 31});
    std::vector<std::uint8_t> dir;
    PutArcHeader(dir, 2, "A.TXT", 2, 2);
    dir.insert(dir.end(), {'a', 'a'});
    PutArcHeader(dir, 30, "SUB", static_cast<std::uint32_t>(sub.size()), 0);
    dir.insert(dir.end(), sub.begin(), sub.end());
    dir.insert(dir.end(), {26, 31});
    std::vector<std::uint8_t> archive;
    PutArcHeader(archive, 30, "DIR", static_cast<std::uint32_t>(dir.size()), 0);
    archive.insert(archive.end(), dir.begin(), dir.end());
    PutArcHeader(archive, 2, "B.TXT", 1, 1);
    archive.push_back('b');
    archive.insert(archive.end(), {26, 0});
    TempFolder dirs;
    WriteBytes(dirs.File("folders.arc"), archive);
    const Listing run = ListArchive(dirs.File("folders.arc"));
    EXPECT_TRUE(run.Result);
    EXPECT_TRUE(run.Errors.empty());
    std::vector<std::string> names;
    for (const Listed& e : run.Entries)
        names.push_back(e.Name);
    EXPECT_EQ(names, (std::vector<std::string>{"DIR\\A.TXT", "DIR\\SUB\\C.TXT", "B.TXT"}));
}

TEST(ArxonRun, EmptyArchiveFiresTheRunEventsOnly) {
    TempFolder scratch;
    const std::string path = scratch.File("empty.zip");
    WriteBytes(path, BuildZip({}));
    std::vector<std::int64_t> totals;
    const Listing run = ListArchive(path, [&](TArxon& a, Listing& r) {
        a.OnTotals = [&](TZipCommon&, std::int64_t u, std::int64_t p, int ratio, int n) {
            r.Events.push_back("totals");
            totals = {u, p, ratio, n};
        };
    });
    EXPECT_TRUE(run.Result);
    EXPECT_TRUE(run.Errors.empty()) << run.Errors.front();
    EXPECT_EQ(run.Events, (std::vector<std::string>{"activate", "totals", "deactivate"}));
    EXPECT_EQ(totals, (std::vector<std::int64_t>{0, 0, 0, 0}));
}

TEST(ArxonRun, FileSpecFiltersOnReadButNotOnReadFile) {
    const Listing run =
        ListArchive(DataPath("zip/x.jar"), [](TArxon& a, Listing&) { a.FileSpec = {"*.txt"}; });
    EXPECT_EQ(run.ReadFiles.size(), 7u);
    ASSERT_EQ(run.Entries.size(), 3u);
    EXPECT_EQ(run.Entries[0].Name, "alpha.txt");
    EXPECT_EQ(run.Entries[1].Name, "docs\\sub\\deep.txt");
    EXPECT_EQ(run.Entries[2].Name, "docs\\top.txt");
    EXPECT_EQ(run.NumFiles, 3);
}

TEST(ArxonRun, NestedActivateIsRefusedAndTheOuterRunGoesOn) {
    std::vector<bool> nested;
    const Listing run = ListArchive(DataPath("zip/stored.zip"), [&](TArxon& a, Listing& r) {
        a.OnRead = [&](TZipCommon& sender, int, int) {
            auto& arx = static_cast<TArxon&>(sender);
            r.Entries.push_back(Named(arx.FileName));
            nested.push_back(arx.Activate());
        };
    });
    EXPECT_TRUE(run.Result);
    EXPECT_EQ(nested, (std::vector<bool>{false, false}));
    ASSERT_EQ(run.Entries.size(), 2u);
    EXPECT_EQ(run.Entries[1].Name, "beta.txt");
}

TEST(ArxonRun, CancelEndsTheListingButNotTheRun) {
    const Listing run = ListArchive(DataPath("zip/stored.zip"), [&](TArxon& a, Listing& r) {
        a.OnRead = [&](TZipCommon& sender, int, int) {
            r.Entries.push_back(Named(static_cast<TArxon&>(sender).FileName));
            sender.SetCancel(true);
        };
    });
    EXPECT_TRUE(run.Result);
    EXPECT_EQ(run.Entries.size(), 1u);
    EXPECT_EQ(run.Errors, std::vector<int>{kMsgUserCanceled});
    EXPECT_EQ(run.Events, (std::vector<std::string>{"activate", "totals", "deactivate"}));
}

TEST(ArxonRun, HandlerExceptionEndsTheRunWithFalse) {
    TArxon arx;
    std::vector<int> errors;
    bool raise = true;
    arx.FileSpec = {"*.*"};
    arx.OnRead = [&](TZipCommon&, int, int) {
        if (raise) throw std::runtime_error("handler failed");
    };
    arx.OnError = [&](TZipCommon&, const std::string&, const std::string&, const std::string&,
                      int code) { errors.push_back(code); };
    arx.SetArchiveFile(DataPath("zip/stored.zip"));
    EXPECT_FALSE(arx.Activate());
    EXPECT_EQ(errors, std::vector<int>{kMsgReadError});
    raise = false;
    EXPECT_TRUE(arx.Activate());
    EXPECT_EQ(arx.NumFiles, 2);
}

TEST(ArxonRun, TenByteArchiveReportsNothing) {
    TempFolder scratch;
    const std::string path = scratch.File("ten.bin");
    WriteBytes(path, {0x1A, 0x02, 'A', '.', 'T', 'X', 'T', 0, 0, 0});
    for (const TArcType type : {atZip, atZipExe, atArj, atArc, atPak, atAce, atBh}) {
        int reads = 0;
        TArxon arx;
        arx.FileSpec = {"*.*"};
        arx.OnRead = [&](TZipCommon&, int, int) { ++reads; };
        arx.SetArchiveFile(path);
        arx.ArcType = type;
        arx.StartOffset = 0;
        arx.Activate();
        EXPECT_EQ(reads, 0) << static_cast<int>(type);
    }
}

TEST(ArxonRun, MissingArchiveOrHandlerFails) {
    const Listing missing = ListArchive(DataPath("zip/no-such.zip"));
    EXPECT_FALSE(missing.Result);
    EXPECT_EQ(missing.Errors, std::vector<int>{kMsgFileNotFound});
    EXPECT_TRUE(missing.Events.empty());

    const Listing noHandler =
        ListArchive(DataPath("zip/stored.zip"), [](TArxon& a, Listing&) { a.OnRead = nullptr; });
    EXPECT_FALSE(noHandler.Result);
    EXPECT_EQ(noHandler.Errors, std::vector<int>{kMsgEventNotAssigned});
}

TEST(ArxonRun, ArchiveThatCannotBeOpenedFails) {
    TempFolder scratch;
    const std::string fifo = scratch.File("pipe.zip");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    TArxon arx;
    std::vector<int> errors;
    arx.FileSpec = {"*.*"};
    arx.OnRead = [](TZipCommon&, int, int) {};
    arx.OnError = [&](TZipCommon&, const std::string&, const std::string&, const std::string&,
                      int code) { errors.push_back(code); };
    bool activated = false;
    arx.OnActivate = [&](TZipCommon&) { activated = true; };
    arx.SetArchiveFile(DataPath("zip/stored.zip"));
    arx.ArchiveFile = fifo;
    EXPECT_FALSE(arx.Activate());
    EXPECT_FALSE(activated);
    EXPECT_EQ(errors, std::vector<int>{kMsgOpenError});
}

// ---------------------------------------------------------------------------
// Damaged headers

// A member whose data would reach past the end of the file (a size that would
// make a 32-bit walk go backwards) ends the listing with 25114.
struct DamageCase {
    std::string File;
    std::string Member;      // the member whose header is damaged
    int SizeFieldFromName;   // offset of its packed-size field from its name
    std::string FirstMember; // still listed
};

void PrintTo(const DamageCase& c, std::ostream* out) {
    *out << c.File;
}

class ArxonDamageTest : public ::testing::TestWithParam<DamageCase> {};

TEST_P(ArxonDamageTest, HugeSizeEndsTheListingWithBadHeader) {
    const DamageCase& c = GetParam();
    std::vector<std::uint8_t> bytes = ReadBytes(DataPath(c.File));
    const std::string text(bytes.begin(), bytes.end());
    const std::size_t name = text.find(c.Member);
    ASSERT_NE(name, std::string::npos);
    const std::size_t field = name + c.SizeFieldFromName;
    for (int k = 0; k < 4; ++k)
        bytes[field + k] = k == 0 ? 0xF0 : 0xFF;
    TempFolder scratch;
    const std::string path = scratch.File(fs::path(c.File).filename().string());
    WriteBytes(path, bytes);
    const Listing run = ListArchive(path, [](TArxon& a, Listing&) {
        a.OnCorruptZipHeader = [](TZipCommon&, THeaderTypeState, bool& cancel) { cancel = false; };
    });
    EXPECT_FALSE(run.Result);
    EXPECT_EQ(run.Errors, std::vector<int>{kMsgBadFileHeader});
    ASSERT_EQ(run.Entries.size(), 1u);
    EXPECT_EQ(run.Entries[0].Name, c.FirstMember);
}

const DamageCase kDamageCases[] = {
    {"arc/stored.arc", "beta.txt", 13, "alpha.txt"},
    {"synth/pak-distilled.pak", "ALPHA.TXT", 13, "EMPTY.TXT"},
    {"synth/stored.bh", "BETA.TXT", 15 - 37, "ALPHA.TXT"},
    {"synth/stored.ace", "beta.txt", 7 - 35, "alpha.txt"},
    {"arj/method0.arj", "beta.txt", 12 - 30, "alpha.txt"},
    {"zip/zero-prefix-noend.zip", "beta.txt", 18 - 30, "alpha.txt"},
};

INSTANTIATE_TEST_SUITE_P(Walks, ArxonDamageTest, ::testing::ValuesIn(kDamageCases));

TEST(ArxonDamage, AceNameLongerThanItsHeaderEndsWithBadHeader) {
    std::vector<std::uint8_t> bytes = ReadBytes(DataPath("synth/stored.ace"));
    const std::string text(bytes.begin(), bytes.end());
    const std::size_t name = text.find("beta.txt");
    ASSERT_NE(name, std::string::npos);
    bytes[name - 2] = 0x00;
    bytes[name - 1] = 0x40; // 16384 bytes of name in a header of a few dozen
    TempFolder scratch;
    const std::string path = scratch.File("stored.ace");
    WriteBytes(path, bytes);
    const Listing run = ListArchive(path);
    EXPECT_FALSE(run.Result);
    EXPECT_EQ(run.Errors, std::vector<int>{kMsgBadFileHeader});
    EXPECT_EQ(run.Entries.size(), 1u);
}

// An ARJ basic header longer than the 2,600-byte header buffer: read as far as
// the buffer holds and skipped whole when the file has it, a bad header when
// it reaches past the end of the file.
struct ArjHeaderSizeCase {
    std::uint16_t Size;  // the second member's new basic-header size
    bool Padded;         // the header is padded out to that size
    std::size_t Entries; // members listed
    std::vector<int> Errors;
};

void PrintTo(const ArjHeaderSizeCase& c, std::ostream* out) {
    *out << c.Size << (c.Padded ? " padded" : "");
}

class ArxonArjHeaderSizeTest : public ::testing::TestWithParam<ArjHeaderSizeCase> {};

TEST_P(ArxonArjHeaderSizeTest, LongHeaderIsSkippedOrEndsWithBadHeader) {
    const ArjHeaderSizeCase& c = GetParam();
    std::vector<std::uint8_t> bytes = ReadBytes(DataPath("arj/method0.arj"));
    const std::string text(bytes.begin(), bytes.end());
    const std::size_t name = text.find("beta.txt");
    ASSERT_NE(name, std::string::npos);
    const std::size_t id = text.rfind("\x60\xEA", name);
    ASSERT_NE(id, std::string::npos);
    const std::size_t stored = bytes[id + 2] | (bytes[id + 3] << 8);
    if (c.Padded)
        bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(id + 4 + stored), c.Size - stored,
                     0);
    bytes[id + 2] = static_cast<std::uint8_t>(c.Size);
    bytes[id + 3] = static_cast<std::uint8_t>(c.Size >> 8);
    TempFolder scratch;
    const std::string path = scratch.File("method0.arj");
    WriteBytes(path, bytes);
    const Listing run = ListArchive(path);
    EXPECT_EQ(run.Result, c.Errors.empty());
    EXPECT_EQ(run.Errors, c.Errors);
    ASSERT_EQ(run.Entries.size(), c.Entries);
    if (c.Entries == 2) {
        EXPECT_EQ(run.Entries[1].Name, "beta.txt");
        EXPECT_EQ(run.Entries[1].Unpacked, 708);
    }
}

const ArjHeaderSizeCase kArjHeaderSizeCases[] = {
    {2608, false, 1, {kMsgBadFileHeader}},
    {2700, true, 2, {}},
    {65535, true, 2, {}},
};

INSTANTIATE_TEST_SUITE_P(Arj, ArxonArjHeaderSizeTest, ::testing::ValuesIn(kArjHeaderSizeCases));

// ---------------------------------------------------------------------------
// Truncated and garbled archives: the listing always ends, whatever it finds.

std::vector<std::string> RobustnessFixtures() {
    std::vector<std::string> files;
    for (const char* folder : {"zip", "arj", "arc"}) {
        for (const auto& entry : fs::directory_iterator(DataPath(folder))) {
            const std::string name = entry.path().filename().string();
            if (entry.path().extension() == ".list" || entry.path().extension() == ".sh") continue;
            files.push_back(std::string(folder) + "/" + name);
        }
    }
    for (const char* name :
         {"stored.ace", "multivol.ace", "multivol.c00", "scan-ace.exe", "stored.bh", "scan-bh.exe",
          "scan-arj.exe", "arj-at-image-end.exe", "pak-distilled.pak", "pak-sfx-8601.exe",
          "arc-sfx-6674.exe", "arc-folder.arc", "zip-sfx-7612.exe", "zip-sfx-25661.exe",
          "zip-after-stub.exe", "scan-zip-noend.exe", "spanned-marker.zip", "zip-19-bytes.zip"})
        files.push_back(std::string("synth/") + name);
    std::sort(files.begin(), files.end());
    return files;
}

void ListDamaged(const std::string& path) {
    TArxon arx;
    arx.FileSpec = {"*.*"};
    arx.ShowEmptyDirs = true;
    int reads = 0;
    arx.OnRead = [&](TZipCommon&, int, int) { ++reads; };
    arx.OnNextVolume = [](TZipCommon&, std::string&, int, bool, bool& cancel) { cancel = true; };
    arx.OnCorruptZipHeader = [](TZipCommon&, THeaderTypeState, bool& cancel) { cancel = false; };
    arx.SetArchiveFile(path);
    arx.Activate();
    EXPECT_LT(reads, 100000);
}

TEST(ArxonRobustness, TruncatedAndGarbledArchivesEnd) {
    TempFolder scratch;
    std::mt19937 random(20210304);
    for (const std::string& fixture : RobustnessFixtures()) {
        SCOPED_TRACE(fixture);
        const std::vector<std::uint8_t> original = ReadBytes(DataPath(fixture));
        const std::string path = scratch.File(fs::path(fixture).filename().string());
        const std::size_t size = original.size();
        for (const std::size_t length :
             {std::size_t{1}, std::size_t{10}, std::size_t{31}, size / 4, size / 2,
              size - std::min<std::size_t>(size, 23), size - 1}) {
            WriteBytes(path, std::vector<std::uint8_t>(original.begin(),
                                                       original.begin() + std::min(length, size)));
            ListDamaged(path);
        }
        for (int round = 0; round < 24; ++round) {
            std::vector<std::uint8_t> bytes = original;
            const int changes = 1 + static_cast<int>(random() % 8);
            for (int k = 0; k < changes && !bytes.empty(); ++k) {
                // Half of the changes fall into the first 128 bytes, where the headers are.
                const std::size_t span =
                    (k % 2 == 0) ? std::min<std::size_t>(bytes.size(), 128) : bytes.size();
                bytes[random() % span] = static_cast<std::uint8_t>(random());
            }
            WriteBytes(path, bytes);
            ListDamaged(path);
        }
    }
}

// The reader table: every detected kind goes to its family's reader (the
// JAR kinds to their own, PAK to ARC's, the gzip kind alone to gzip's), the
// failure kinds and the kinds no reader extracts to none, and a family the
// caller has no reader for to none.
TEST(ArxonReaders, EachKindGoesToItsFamilysReader) {
    std::vector<TUnBase> owned(11);
    TArxonReaders readers;
    TUnBase** slots[] = {&readers.Zip, &readers.Jar, &readers.Arj,  &readers.Zoo,
                         &readers.Lha, &readers.Tar, &readers.GZip, &readers.Ace,
                         &readers.Rar, &readers.Arc, &readers.Cab};
    for (std::size_t i = 0; i < owned.size(); ++i)
        *slots[i] = &owned[i];
    const std::vector<std::pair<TArcType, TUnBase*>> cases = {
        {atNA, nullptr},         {atUnsupported, nullptr}, {atFileOpenErr, nullptr},
        {atUnknown, nullptr},    {atAce, readers.Ace},     {atAceExe, readers.Ace},
        {atArc, readers.Arc},    {atArcExe, readers.Arc},  {atArj, readers.Arj},
        {atArjExe, readers.Arj}, {atBh, nullptr},          {atBhExe, nullptr},
        {atCab, readers.Cab},    {atCabExe, readers.Cab},  {atGZip, readers.GZip},
        {atHA, nullptr},         {atJar, readers.Jar},     {atJarExe, readers.Jar},
        {atLha, readers.Lha},    {atLhaExe, readers.Lha},  {atLzh, readers.Lha},
        {atLzhExe, readers.Lha}, {atMsGZ, nullptr},        {atPak, readers.Arc},
        {atPakExe, readers.Arc}, {atRar, readers.Rar},     {atRarExe, readers.Rar},
        {atTar, readers.Tar},    {atTarGZip, nullptr},     {atUUE, nullptr},
        {atZip, readers.Zip},    {atZipExe, readers.Zip},  {atZipDS, readers.Zip},
        {atZipMV, readers.Zip},  {atZoo, readers.Zoo},
    };
    ASSERT_EQ(cases.size(), static_cast<std::size_t>(kArcTypeCount));
    for (const auto& [kind, reader] : cases) {
        SCOPED_TRACE(kArcTypeNames[kind]);
        EXPECT_EQ(ReaderForKind(readers, kind), reader);
        EXPECT_EQ(ReaderForKind(TArxonReaders{}, kind), nullptr);
    }
}

} // namespace
} // namespace sorvane
