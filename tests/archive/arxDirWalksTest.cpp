// The directory walks of tar, gzip and .Z, uuencoded, LHA, cabinet, RAR, ZOO
// and HA archives: every fixture listed against a table taken from its
// reference listing, the walks' handling of long tar names, base-256 sizes,
// bad headers and end marks, multi-volume sets, and truncated and damaged
// copies of every fixture.
#include "archive/arxArxon.h"
#include "archive/arxGlobals.h"
#include "archive/arxRegister.h"
#include "archive/listonly/arxDirUue.h"
#include "archive/tar/arxDirTar.h"
#include "platform/FileAttributes.h"
#include "tests/archive/ArchiveTestSupport.h"
#include "tests/archive/ToolListing.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <random>
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

// The modification time of a file as the library dates it (local, DOS precision).
DateTime FileDosDate(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return kArxNoValidDate;
    const auto local = LocalDateTimeFromUnix(info.st_mtime);
    const auto dos = local ? DateTimeToDosDate(*local) : std::nullopt;
    return dos ? DosDateToDateTime(*dos).value_or(kArxNoValidDate) : kArxNoValidDate;
}

// What one run of the reader delivered.
struct Listed {
    std::string Name;
    std::int64_t Unpacked = 0;
    std::int64_t Packed = 0;
    DateTime Date;
    std::uint32_t Attr = 0;
    std::string Volume;
    int Offset = 0;
};

struct Listing {
    bool Result = false;
    std::vector<Listed> Entries;
    std::vector<std::string> ReadFiles; // every name OnReadFile gave
    std::vector<int> Errors;
    int NumFiles = 0;
    std::int64_t TotalUnpacked = 0;
    std::int64_t TotalPacked = 0;
    TArcType Type = atNA;
};

using Configure = std::function<void(TArxon&)>;

// More entries than any fixture could hold: the walk is running away.
constexpr std::size_t kRunawayEntries = 5000;

// Lists `path`; with `forced` set, as that kind whatever the detection found.
Listing ListArchive(const std::string& path, const Configure& configure = {},
                    TArcType forced = atNA) {
    Listing run;
    SetArxTimeZone(TimeZoneInfo{}); // Unix times of the fixtures read as UTC
    TArxon arx;
    arx.FileSpec = {"*.*"};
    arx.OnRead = [&run](TZipCommon& sender, int offset, int) {
        auto& a = static_cast<TArxon&>(sender);
        run.Entries.push_back({a.FileName, a.UnpackedSize, a.PackedSize, a.FileDate, a.FileAttr,
                               a.VolumeName, offset});
        if (run.Entries.size() > kRunawayEntries) a.SetCancel(true);
    };
    arx.OnReadFile = [&run](TZipCommon&, const std::string& name) {
        run.ReadFiles.push_back(name);
    };
    arx.OnError = [&run](TZipCommon&, const std::string&, const std::string&, const std::string&,
                         int code) { run.Errors.push_back(code); };
    if (configure) configure(arx);
    arx.SetArchiveFile(path);
    run.Type = arx.ArcType;
    if (forced != atNA) arx.ArcType = forced;
    run.Result = arx.Activate();
    run.NumFiles = arx.NumFiles;
    run.TotalUnpacked = arx.TotalUnpackedSize;
    run.TotalPacked = arx.TotalPackedSize;
    return run;
}

// Goes on with every next volume that exists, declines the others.
void AcceptVolumes(TArxon& arx) {
    arx.OnNextVolume = [](TZipCommon&, std::string& name, int, bool, bool& cancel) {
        cancel = !fs::exists(name);
    };
}

// ---------------------------------------------------------------------------
// Fixture tables

// Where the expected date of a member comes from.
enum class DateFrom {
    Table,       // the table's date, as the archive stores it
    ArchiveFile, // the archive file's own modification time
    None,        // a stored time of 0: no valid date
};

struct Member {
    std::string Name;       // as reported, "\" between folders
    std::string ListName;   // as the reference listing writes it; empty: no listing
    std::int64_t Size;      // -1: the archive file's size
    std::int64_t Packed;    // -1: not compared
    std::uint32_t Attr;     // kFileAttr: the archive file's own attributes
    bool ListedSize = true; // the listing shows Size (not where the format stores none)
};

struct FixtureCase {
    std::string File;
    TArcType Type;
    std::vector<Member> Members;
    DateFrom Dates = DateFrom::Table;
    bool ShowEmptyDirs = false;
    bool WholeSet = false; // later volumes are accepted
    std::string Listing{}; // the reference listing when not File + ".list"
};

void PrintTo(const FixtureCase& c, std::ostream* out) {
    *out << c.File;
}

// 2021-03-04 05:06:08, the time of every fixture member.
constexpr DateTime kStamp{2021, 3, 4, 5, 6, 8};
constexpr std::uint32_t kDir = 0x10;
constexpr std::uint32_t kArchive = 0x20;
constexpr std::uint32_t kFileAttr = 0xFFFFFFFF;
// The two stored members of the synthetic fixtures, with the archive
// attribute: as a Debian tool lists them, and (HA, the InstallShield-style
// archive) where no tool reads the format.
const std::vector<Member> kSynthArchivePair = {{"alpha.txt", "alpha.txt", 54, 54, kArchive},
                                               {"beta.txt", "beta.txt", 708, 708, kArchive}};
const std::vector<Member> kUnlistedArchivePair = {{"alpha.txt", "", 54, 54, kArchive},
                                                  {"beta.txt", "", 708, 708, kArchive}};

class DirWalkFixtureTest : public ::testing::TestWithParam<FixtureCase> {};

// Every member the table gives a listing name is on its line of the tool's
// listing, name byte for byte, with the same size, packed size, date and
// attributes as far as the tool prints them.
TEST_P(DirWalkFixtureTest, TableAgreesWithReferenceListing) {
    const FixtureCase& c = GetParam();
    const std::string listingFile = DataPath(c.Listing.empty() ? c.File + ".list" : c.Listing);
    const std::vector<test::ToolEntry> listing = test::ParseToolListing(ReadText(listingFile));
    for (const Member& m : c.Members) {
        if (m.ListName.empty()) continue;
        ASSERT_FALSE(listing.empty()) << listingFile;
        EXPECT_TRUE(std::any_of(listing.begin(), listing.end(), [&](const test::ToolEntry& e) {
            return e.Name == m.ListName;
        })) << m.ListName;
        test::ReportedMember reported;
        reported.Name = m.Name;
        if (m.ListedSize && m.Size >= 0) reported.Size = m.Size;
        if (m.Packed >= 0) reported.Packed = m.Packed;
        if (c.Dates == DateFrom::Table) reported.Date = kStamp;
        reported.Attr = m.Attr;
        reported.CompareAttr = m.Attr != kFileAttr;
        EXPECT_EQ(test::CompareWithListing(listing, reported), "");
    }
}

TEST_P(DirWalkFixtureTest, ListsEveryMember) {
    const FixtureCase& c = GetParam();
    const std::string path = DataPath(c.File);
    const Listing run = ListArchive(path, [&](TArxon& a) {
        a.ShowEmptyDirs = c.ShowEmptyDirs;
        if (c.WholeSet) AcceptVolumes(a);
    });
    EXPECT_EQ(run.Type, c.Type);
    EXPECT_TRUE(run.Result);
    EXPECT_TRUE(run.Errors.empty()) << (run.Errors.empty() ? 0 : run.Errors.front());
    ASSERT_EQ(run.Entries.size(), c.Members.size());
    std::int64_t total = 0;
    for (std::size_t i = 0; i < c.Members.size(); ++i) {
        const Member& m = c.Members[i];
        const Listed& got = run.Entries[i];
        const std::int64_t size =
            m.Size >= 0 ? m.Size : static_cast<std::int64_t>(fs::file_size(path));
        EXPECT_EQ(got.Name, m.Name);
        EXPECT_EQ(got.Unpacked, size) << m.Name;
        if (m.Packed >= 0) {
            EXPECT_EQ(got.Packed, m.Packed) << m.Name;
        }
        switch (c.Dates) {
        case DateFrom::Table:
            EXPECT_EQ(got.Date, kStamp) << m.Name;
            break;
        case DateFrom::ArchiveFile:
            EXPECT_EQ(got.Date, FileDosDate(path)) << m.Name;
            break;
        case DateFrom::None:
            EXPECT_EQ(got.Date, kArxNoValidDate) << m.Name;
            break;
        }
        const std::uint32_t attr =
            m.Attr == kFileAttr ? ReadDosAttributes(path).value_or(0) : m.Attr;
        EXPECT_EQ(got.Attr, attr) << m.Name;
        if ((attr & kDir) == 0) total += size;
    }
    EXPECT_EQ(run.TotalUnpacked, total);
}

// TAR: the whole name of long paths (GNU long-name records, pax and ustar
// headers); folders only with ShowEmptyDirs; the volume label is no member.
const FixtureCase kTarCases[] = {
    {"tar/v7.tar",
     atTar,
     {{"alpha.txt", "alpha.txt", 54, 54, 0}, {"beta.txt", "beta.txt", 708, 708, 0}}},
    {"tar/ustar.tar",
     atTar,
     {{"alpha.txt", "alpha.txt", 54, 54, 0},
      {"docs\\top.txt", "docs/top.txt", 24, 24, 0},
      {"docs\\sub\\deep.txt", "docs/sub/deep.txt", 22, 22, 0}}},
    {"tar/ustar.tar",
     atTar,
     {{"alpha.txt", "alpha.txt", 54, 54, 0},
      {"docs\\top.txt", "docs/top.txt", 24, 24, 0},
      {"docs\\sub\\", "docs/sub/", 0, 0, kDir},
      {"docs\\sub\\deep.txt", "docs/sub/deep.txt", 22, 22, 0}},
     DateFrom::Table,
     true},
    {"tar/gnu-longname.tar",
     atTar,
     {{"alpha.txt", "alpha.txt", 54, 54, 0},
      {"docs\\a-folder-name-that-is-rather-long-indeed\\another-folder-name-that-is-also-long\\"
       "long-file-name.txt",
       "docs/a-folder-name-that-is-rather-long-indeed/another-folder-name-that-is-also-long/"
       "long-file-name.txt",
       27, 27, 0}}},
    {"tar/pax.tar",
     atTar,
     {{"alpha.txt", "alpha.txt", 54, 54, 0},
      {"docs\\a-folder-name-that-is-rather-long-indeed\\another-folder-name-that-is-also-long\\"
       "long-file-name.txt",
       "docs/a-folder-name-that-is-rather-long-indeed/another-folder-name-that-is-also-long/"
       "long-file-name.txt",
       27, 27, 0}}},
    {"tar/volume-label.tar",
     atTar,
     {{"alpha.txt", "alpha.txt", 54, 54, 0}, {"beta.txt", "beta.txt", 708, 708, 0}}},
};
INSTANTIATE_TEST_SUITE_P(Tar, DirWalkFixtureTest, ::testing::ValuesIn(kTarCases));

// gzip and .Z: one member per file, named by the stored name or after the
// file. The packed size is the file less its 8-byte trailer and the extra
// field; a smaller original size is raised to it (the stored deflate block of
// extra-field.gz). A gzipped tar is its gzip member (the tar's size: gzip -l).
// The member has the file's attributes. .Z keeps no original size: the member's size is the packed
// size, the file less its 10 first bytes, and no date: the member has the file's date. A gzip time
// of 0 (gzip -n) is no valid date.
const FixtureCase kGzipCases[] = {
    {"gzip/stored-name.gz", atGZip, {{"beta.txt", "beta.txt", 708, 115, kFileAttr}}},
    {"gzip/no-name.txt.gz",
     atGZip,
     {{"no-name.txt", "no-name.txt", 708, 106, kFileAttr}},
     DateFrom::None},
    {"compress/beta.txt.Z",
     atGZip,
     {{"beta.txt", "beta.txt", 285, 285, kFileAttr, false}},
     DateFrom::ArchiveFile},
    {"tar/pair.tgz", atGZip, {{"pair", "", 3584, -1, kFileAttr}}, DateFrom::None},
    {"tar/docs.tar.gz", atGZip, {{"docs.tar", "", 8704, -1, kFileAttr}}, DateFrom::None},
    {"synth/extra-field.gz", atGZip, {{"beta.txt", "beta.txt", 734, 734, kFileAttr, false}}},
    {"synth/installshield.z", atMsGZ, kUnlistedArchivePair},
};
INSTANTIATE_TEST_SUITE_P(Gzip, DirWalkFixtureTest, ::testing::ValuesIn(kGzipCases));

// Uuencoded files: the name of the first begin line, the file's size and date.
const FixtureCase kUueCases[] = {
    {"uue/begin-644.uue",
     atUUE,
     {{"beta.txt", "beta.txt", -1, -1, kArchive, false}},
     DateFrom::ArchiveFile},
    {"uue/mail-text.uue",
     atUUE,
     {{"beta.txt", "beta.txt", -1, -1, kArchive, false}},
     DateFrom::ArchiveFile},
    // The base64 form is not taken for a uuencoded file.
    {"uue/base64.uue", atNA, {}},
    // A begin line that names no file gives no member.
    {"uue/begin-alone.uue", atUUE, {}, DateFrom::ArchiveFile},
};
INSTANTIATE_TEST_SUITE_P(Uue, DirWalkFixtureTest, ::testing::ValuesIn(kUueCases));

// LHA: header levels 0 to 2; packed sizes without the extended headers;
// folders from the folder extended header, listed only with ShowEmptyDirs
// and given the directory attribute besides their stored one.
const std::vector<Member> kLhaStored = {{"alpha.txt", "alpha.txt", 54, 54, kArchive},
                                        {"beta.txt", "beta.txt", 708, 708, kArchive}};
const std::vector<Member> kLhaPacked = {{"alpha.txt", "alpha.txt", 54, 53, kArchive},
                                        {"beta.txt", "beta.txt", 708, 91, kArchive}};
const std::vector<Member> kLhaFolders = {
    {"docs\\top.txt", "docs/top.txt", 24, 24, kArchive},
    {"docs\\sub\\deep.txt", "docs/sub/deep.txt", 22, 22, kArchive}};
const std::vector<Member> kLhaFoldersShown = {
    {"docs\\", "docs/", 0, 0, kDir | kArchive},
    {"docs\\top.txt", "docs/top.txt", 24, 24, kArchive},
    {"docs\\sub\\", "docs/sub/", 0, 0, kDir | kArchive},
    {"docs\\sub\\deep.txt", "docs/sub/deep.txt", 22, 22, kArchive}};
const std::vector<Member> kSynthPair = {{"alpha.txt", "alpha.txt", 54, 54, 0},
                                        {"beta.txt", "beta.txt", 708, 708, 0}};
const FixtureCase kLhaCases[] = {
    {"lha/level0-lh0.lzh", atLha, kLhaStored},
    {"lha/level0-lh5.lzh", atLha, kLhaPacked},
    {"lha/level1-lh0.lzh", atLha, kLhaStored},
    {"lha/level1-lh6.lzh", atLha, kLhaPacked},
    {"lha/level2-lh5.lzh", atLha, kLhaPacked},
    {"lha/level2-lh7.lzh", atLha, kLhaPacked},
    {"lha/level1-folders.lzh", atLha, kLhaFolders},
    {"lha/level2-folders.lzh", atLha, kLhaFolders},
    {"lha/level1-folders.lzh", atLha, kLhaFoldersShown, DateFrom::Table, true},
    {"lha/level2-folders.lzh", atLha, kLhaFoldersShown, DateFrom::Table, true},
    {"synth/lha-sfx-1945.exe", atLhaExe, kSynthArchivePair},
    {"synth/scan-lha.exe", atLhaExe, kSynthArchivePair},
    {"synth/macbinary.lzh", atLha, kSynthArchivePair},
};
INSTANTIATE_TEST_SUITE_P(Lha, DirWalkFixtureTest, ::testing::ValuesIn(kLhaCases));

// Cabinets: CFFILE records with their stored folders; a set is listed through
// its next cabinets, a member split between two cabinets once.
const FixtureCase kCabCases[] = {
    {"cab/stored.cab",
     atCab,
     {{"alpha.txt", "alpha.txt", 54, 54, kArchive}, {"beta.txt", "beta.txt", 708, 708, kArchive}}},
    {"cab/mszip.cab",
     atCab,
     {{"alpha.txt", "alpha.txt", 54, 54, kArchive}, {"beta.txt", "beta.txt", 708, 708, kArchive}}},
    {"cab/folders.cab",
     atCab,
     {{"alpha.txt", "alpha.txt", 54, 54, kArchive},
      {"docs\\top.txt", "docs/top.txt", 24, 24, kArchive},
      {"docs\\sub\\deep.txt", "docs/sub/deep.txt", 22, 22, kArchive}}},
    {"synth/scan-cab.exe", atCabExe, kSynthArchivePair},
    // The whole set: 7-Zip lists it (cabextract leaves out c.txt, see make.sh).
    {"synth/set1.cab",
     atCab,
     {{"a.txt", "a.txt", 26, 26, kArchive},
      {"b.txt", "b.txt", 45, 45, kArchive},
      {"c.txt", "c.txt", 42, 42, kArchive}},
     DateFrom::Table,
     false,
     true,
     "synth/set1.cab.7z.list"},
    // The second cabinet on its own: its records.
    {"synth/set2.cab",
     atCab,
     {{"b.txt", "b.txt", 45, 45, kArchive}, {"c.txt", "c.txt", 42, 42, kArchive}}},
};
INSTANTIATE_TEST_SUITE_P(Cab, DirWalkFixtureTest, ::testing::ValuesIn(kCabCases));

// RAR: file blocks of stored members, Unix hosts, and a member split over
// three (old names) or two (new names) volumes reported once with the summed
// packed size.
const FixtureCase kRarCases[] = {
    {"synth/stored.rar", atRar, kSynthArchivePair},
    {"synth/rar-at-image-end.exe", atRarExe, kSynthArchivePair},
    {"synth/scan-rar.exe", atRarExe, kSynthArchivePair},
    {"synth/unix-host.rar", atRar, {{"docs\\top.txt", "docs/top.txt", 24, 24, kArchive}}},
    {"synth/unix-host.rar",
     atRar,
     {{"docs\\", "docs/", 0, 0, kDir}, {"docs\\top.txt", "docs/top.txt", 24, 24, kArchive}},
     DateFrom::Table,
     true},
    {"synth/oldvol.rar",
     atRar,
     {{"random.bin", "random.bin", 3000, 3000, kArchive}},
     DateFrom::Table,
     false,
     true},
    {"synth/newvol.part1.rar",
     atRar,
     {{"random.bin", "random.bin", 3000, 3000, kArchive}},
     DateFrom::Table,
     false,
     true},
    // Four digits after ".part": the next volume is vol4.part0002.rar.
    {"rar/vol4.part0001.rar",
     atRar,
     {{"alpha.txt", "alpha.txt", 54, 54, kArchive},
      {"random.bin", "random.bin", 3000, 3000, kArchive}},
     DateFrom::Table,
     false,
     true},
};
INSTANTIATE_TEST_SUITE_P(Rar, DirWalkFixtureTest, ::testing::ValuesIn(kRarCases));

const FixtureCase kZooCases[] = {
    {"synth/stored.zoo", atZoo, kSynthPair},
};
INSTANTIATE_TEST_SUITE_P(Zoo, DirWalkFixtureTest, ::testing::ValuesIn(kZooCases));

// HA members keep the Unix time their header stores.
const FixtureCase kHaCases[] = {
    {"synth/stored.ha", atHA, kUnlistedArchivePair},
};
INSTANTIATE_TEST_SUITE_P(Ha, DirWalkFixtureTest, ::testing::ValuesIn(kHaCases));

// ---------------------------------------------------------------------------
// FileSpec: every named header is announced, only matching members reported;
// single-member formats report their member whatever FileSpec holds.

struct SpecCase {
    std::string File;
    std::string Spec;
    std::vector<std::string> Reported;
    std::vector<std::string> Announced;
};

void PrintTo(const SpecCase& c, std::ostream* out) {
    *out << c.File << " " << c.Spec;
}

class DirWalkSpecTest : public ::testing::TestWithParam<SpecCase> {};

TEST_P(DirWalkSpecTest, ReportsTheMatchingMembers) {
    const SpecCase& c = GetParam();
    const Listing run = ListArchive(DataPath(c.File), [&](TArxon& a) { a.FileSpec = {c.Spec}; });
    std::vector<std::string> reported;
    for (const Listed& e : run.Entries)
        reported.push_back(e.Name);
    EXPECT_EQ(reported, c.Reported);
    EXPECT_EQ(run.ReadFiles, c.Announced);
    EXPECT_EQ(run.NumFiles, static_cast<int>(c.Reported.size()));
}

const std::vector<std::string> kBetaOnly = {"beta.txt"};
const std::vector<std::string> kBothNames = {"alpha.txt", "beta.txt"};
const SpecCase kSpecCases[] = {
    {"tar/v7.tar", "b*", kBetaOnly, kBothNames},
    {"lha/level2-lh5.lzh", "b*", kBetaOnly, kBothNames},
    {"cab/stored.cab", "b*", kBetaOnly, kBothNames},
    {"synth/stored.rar", "b*", kBetaOnly, kBothNames},
    {"synth/stored.zoo", "b*", kBetaOnly, kBothNames},
    {"synth/stored.ha", "b*", kBetaOnly, kBothNames},
    {"synth/installshield.z", "b*", kBetaOnly, kBothNames},
    {"gzip/stored-name.gz", "x*", kBetaOnly, kBetaOnly},
    {"uue/begin-644.uue", "x*", kBetaOnly, kBetaOnly},
};
INSTANTIATE_TEST_SUITE_P(Walks, DirWalkSpecTest, ::testing::ValuesIn(kSpecCases));

// ---------------------------------------------------------------------------
// Tar headers built field by field

constexpr std::int64_t kTarBlock = 512;
constexpr std::uint32_t kStampSeconds = 1614834368; // kStamp in UTC

void PutText(std::vector<std::uint8_t>& block, std::size_t at, const std::string& text) {
    std::copy(text.begin(), text.end(), block.begin() + static_cast<std::ptrdiff_t>(at));
}

std::string Octal(std::uint64_t value, int digits) {
    char text[32];
    std::snprintf(text, sizeof text, "%0*llo", digits, static_cast<unsigned long long>(value));
    return text;
}

struct TarMember {
    TarMember(std::string name, std::uint64_t size, char type = '0', std::string prefix = "",
              bool base256 = false)
        : Name(std::move(name)), Size(size), Type(type), Prefix(std::move(prefix)),
          Base256(base256) {}

    std::string Name;
    std::uint64_t Size;
    char Type;
    std::string Prefix; // ustar prefix field
    bool Base256;       // size in the base-256 form
    std::string Data;   // written behind the header (Size bytes when empty)
};

std::vector<std::uint8_t> TarHeaderBlock(const TarMember& m) {
    std::vector<std::uint8_t> h(kTarBlock, 0);
    PutText(h, 0, m.Name.substr(0, 100));
    PutText(h, 100, Octal(0644, 7));
    PutText(h, 108, Octal(0, 7));
    PutText(h, 116, Octal(0, 7));
    if (m.Base256) {
        h[124] = 0x80;
        for (int i = 0; i < 8; ++i)
            h[135 - i] = static_cast<std::uint8_t>(m.Size >> (8 * i));
    } else {
        PutText(h, 124, Octal(m.Size, 11));
    }
    PutText(h, 136, Octal(kStampSeconds, 11));
    h[156] = static_cast<std::uint8_t>(m.Type);
    PutText(h, 257,
            std::string("ustar\0"
                        "00",
                        8));
    PutText(h, 345, m.Prefix.substr(0, 155));
    std::fill(h.begin() + 148, h.begin() + 156, ' ');
    std::uint32_t sum = 0;
    for (const std::uint8_t b : h)
        sum += b;
    PutText(h, 148, Octal(sum, 6));
    h[154] = 0;
    return h;
}

std::vector<std::uint8_t> TarArchive(const std::vector<TarMember>& members) {
    std::vector<std::uint8_t> out;
    for (const TarMember& m : members) {
        const std::vector<std::uint8_t> header = TarHeaderBlock(m);
        out.insert(out.end(), header.begin(), header.end());
        std::string data =
            m.Data.empty() ? std::string(static_cast<std::size_t>(m.Size), 'x') : m.Data;
        data.resize((data.size() + kTarBlock - 1) / kTarBlock * kTarBlock, '\0');
        out.insert(out.end(), data.begin(), data.end());
    }
    out.resize(out.size() + 2 * kTarBlock, 0); // the end mark
    return out;
}

Listing ListBytes(const TempFolder& dir, const std::string& name,
                  const std::vector<std::uint8_t>& bytes, const Configure& configure = {}) {
    const std::string path = dir.File(name);
    WriteBytes(path, bytes);
    return ListArchive(path, configure);
}

std::vector<std::string> Names(const Listing& run) {
    std::vector<std::string> names;
    for (const Listed& e : run.Entries)
        names.push_back(e.Name);
    return names;
}

TEST(DirWalkTar, TwoMembersAreTotalledAndTheSecondHeaderIsFoundAtItsBlock) {
    TempFolder dir;
    const Listing run = ListBytes(dir, "pair.tar", TarArchive({{"a.txt", 100}, {"b.txt", 300}}));
    ASSERT_EQ(run.Entries.size(), 2u);
    EXPECT_EQ(run.TotalUnpacked, 400);
    EXPECT_EQ(run.Entries[1].Offset, 1024);
    EXPECT_EQ(run.Entries[0].Date, kStamp);
    EXPECT_TRUE(run.Errors.empty());
}

TEST(DirWalkTar, WholeNamesComeFromTheUstarPrefixAndLongNameRecords) {
    const std::string longName = std::string(150, 'n') + ".txt";
    TarMember gnuLong{"././@LongLink", longName.size() + 1, 'L'};
    gnuLong.Data = longName + '\0';
    TarMember pax{"PaxHeaders/x", 0, 'x'};
    const std::string record = " path=pax/" + longName + "\n";
    pax.Data = std::to_string(record.size() + 3) + record;
    pax.Size = pax.Data.size();
    TempFolder dir;
    const Listing run = ListBytes(dir, "names.tar",
                                  TarArchive({{"deep.txt", 5, '0', "some/folder/of/the/prefix"},
                                              gnuLong,
                                              {"cut-short-name", 6},
                                              pax,
                                              {"cut-short-too", 7},
                                              {"plain.txt", 8}}));
    EXPECT_EQ(Names(run), (std::vector<std::string>{"some\\folder\\of\\the\\prefix\\deep.txt",
                                                    longName, "pax\\" + longName, "plain.txt"}));
    EXPECT_TRUE(run.Errors.empty());
}

TEST(DirWalkTar, Base256SizesAreRead) {
    TempFolder dir;
    TarMember big{"big.bin", 1500, '0', "", true};
    const Listing run = ListBytes(dir, "big.tar", TarArchive({big, {"after.txt", 3}}));
    ASSERT_EQ(run.Entries.size(), 2u);
    EXPECT_EQ(run.Entries[0].Unpacked, 1500);
    EXPECT_EQ(run.Entries[1].Name, "after.txt");
    EXPECT_EQ(run.Entries[1].Offset, 512 + 1536);
    EXPECT_EQ(TarSizeField(TarHeaderBlock(big).data() + 124), 1500u);
    std::uint8_t huge[12] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                             0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(TarSizeField(huge), UINT64_MAX);
}

TEST(DirWalkTar, PaxRecordsYieldTheirPath) {
    EXPECT_EQ(PaxPathRecord("18 path=a/b/c.txt\n17 mtime=12345.5\n"), "a/b/c.txt");
    EXPECT_EQ(PaxPathRecord("17 mtime=12345.5\n"), "");
    // A record length beyond the data ends the reading.
    EXPECT_EQ(PaxPathRecord("99 path=a\n"), "");
    EXPECT_EQ(PaxPathRecord("x path=a\n"), "");
}

TEST(DirWalkUue, TheFirstBeginLineNamesTheMember) {
    EXPECT_EQ(UueBeginName("begin 644 beta.txt\nM...\n"), "beta.txt");
    EXPECT_EQ(UueBeginName("Subject: x\r\n\r\nbegin 600 two words.txt\r\n"), "two");
    EXPECT_EQ(UueBeginName("begin 644 first\nbegin 644 second\n"), "first");
    EXPECT_EQ(UueBeginName("begin\nM...\n"), std::nullopt);
    EXPECT_EQ(UueBeginName("xbegin 644 a\n"), std::nullopt);
}

void PutLe16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<std::uint8_t>(value);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void PutLe32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A RAR archive of one stored member whose name field is `name`, built block
// by block (the walk does not check header CRCs).
std::vector<std::uint8_t> RarWithName(const std::string& name, std::uint16_t flags) {
    std::vector<std::uint8_t> out = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x00};
    const std::uint8_t archiveHeader[13] = {0, 0, 0x73, 0, 0, 13, 0};
    out.insert(out.end(), archiveHeader, archiveHeader + 13);
    std::vector<std::uint8_t> block(32, 0);
    block[2] = 0x74;                                               // file block
    PutLe16(block, 3, static_cast<std::uint16_t>(0x8000 | flags)); // long block
    PutLe16(block, 5, static_cast<std::uint16_t>(32 + name.size()));
    PutLe32(block, 7, 4);            // packed size
    PutLe32(block, 11, 4);           // unpacked size
    block[15] = 2;                   // Windows host
    PutLe32(block, 20, 0x526428C4u); // 2021-03-04 05:06:08, DOS
    block[24] = 29;
    block[25] = '0';
    PutLe16(block, 26, static_cast<std::uint16_t>(name.size()));
    PutLe32(block, 28, 0x20);
    out.insert(out.end(), block.begin(), block.end());
    out.insert(out.end(), name.begin(), name.end());
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    const std::uint8_t endBlock[7] = {0, 0, 0x7B, 0, 0x40, 7, 0};
    out.insert(out.end(), endBlock, endBlock + 7);
    return out;
}

TEST(DirWalkRar, NamesAreUnicodeOemOrUtf8AsTheirFlagsSay) {
    constexpr std::uint16_t kUnicode = 0x0200;
    struct Case {
        std::string Field;
        std::uint16_t Flags;
        std::string Name;
    } cases[] = {
        // OEM form "a?", then the high byte 0x20, ops (0, 1): 'a' and 0x20AC.
        {std::string("a?\0\x20\x10\x61\xAC", 7), kUnicode, "a\xE2\x82\xAC"},
        // Code page 437: 0x82 is e acute.
        {"caf\x82.txt", 0, "caf\xC3\xA9.txt"},
        // A Unicode flag without an OEM form: the name is UTF-8 already.
        {"caf\xC3\xA9.txt", kUnicode, "caf\xC3\xA9.txt"},
        {"dir/name.txt", 0, "dir\\name.txt"},
    };
    for (const Case& c : cases) {
        TempFolder dir;
        const Listing run = ListBytes(dir, "names.rar", RarWithName(c.Field, c.Flags));
        ASSERT_EQ(run.Entries.size(), 1u) << c.Name;
        EXPECT_EQ(run.Entries[0].Name, c.Name);
        EXPECT_EQ(run.Entries[0].Date, kStamp);
        EXPECT_TRUE(run.Errors.empty()) << c.Name;
    }
}

// ---------------------------------------------------------------------------
// Damaged archives: the members before the damage stand

using Mutation = std::function<void(std::vector<std::uint8_t>&)>;

std::size_t Find(const std::vector<std::uint8_t>& bytes, const std::string& text) {
    const auto at = std::search(bytes.begin(), bytes.end(), text.begin(), text.end());
    return static_cast<std::size_t>(at - bytes.begin());
}

struct DamageCase {
    std::string Label;
    std::string File;
    Mutation Damage;
    std::vector<std::string> Listed;
    int Error; // 0: none
};

void PrintTo(const DamageCase& c, std::ostream* out) {
    *out << c.Label;
}

class DirWalkDamageTest : public ::testing::TestWithParam<DamageCase> {};

TEST_P(DirWalkDamageTest, EndsTheListingAsExpected) {
    const DamageCase& c = GetParam();
    std::vector<std::uint8_t> bytes = ReadBytes(DataPath(c.File));
    ASSERT_FALSE(bytes.empty());
    c.Damage(bytes);
    TempFolder dir;
    const Listing run = ListBytes(dir, fs::path(c.File).filename().string(), bytes);
    EXPECT_EQ(Names(run), c.Listed);
    if (c.Error == 0) {
        EXPECT_TRUE(run.Errors.empty());
        EXPECT_TRUE(run.Result);
    } else {
        EXPECT_EQ(run.Errors, std::vector<int>{c.Error});
        EXPECT_FALSE(run.Result);
    }
}

// Offset of the second LHA level-0/1 header.
std::size_t SecondLhaHeader(const std::vector<std::uint8_t>& b) {
    return b[0] + 2u + (b[7] | b[8] << 8 | b[9] << 16 | static_cast<std::uint32_t>(b[10]) << 24);
}

constexpr int kBadHeader = 25114;
constexpr int kUnexpectedEnd = 25236;
const std::vector<std::string> kAlpha = {"alpha.txt"};
const std::vector<std::string> kPair = {"alpha.txt", "beta.txt"};

const DamageCase kDamageCases[] = {
    // A format's own end mark ends the listing, whatever follows it.
    {"tar end blocks, then junk", "tar/v7.tar", [](auto& b) { b.insert(b.end(), 1024, 'J'); },
     kPair, 0},
    {"lha end byte, then junk", "lha/level1-lh0.lzh", [](auto& b) { b.insert(b.end(), 300, 'J'); },
     kPair, 0},
    {"zoo chain end, then junk", "synth/stored.zoo", [](auto& b) { b.insert(b.end(), 300, 'J'); },
     kPair, 0},
    // A header that would take the walk back or keep it in place.
    {"zoo next pointing back", "synth/stored.zoo",
     [](auto& b) { PutLe32(b, Find(b, "beta.txt") - 38 + 6, 42); }, kPair, kBadHeader},
    {"rar block of size 0", "synth/stored.rar",
     [](auto& b) { PutLe16(b, Find(b, "beta.txt") - 32 + 5, 0); }, kAlpha, kBadHeader},
    {"lha data beyond the end", "lha/level2-lh5.lzh", [](auto& b) { PutLe32(b, 7, 0xFFFFFFF0u); },
     kAlpha, kUnexpectedEnd},
    // A name longer than its header.
    {"lha name beyond its header", "lha/level1-lh0.lzh",
     [](auto& b) { b[SecondLhaHeader(b) + 21] = 250; }, kAlpha, kBadHeader},
    {"rar name beyond its header", "synth/stored.rar",
     [](auto& b) { PutLe16(b, Find(b, "beta.txt") - 32 + 26, 300); }, kAlpha, kBadHeader},
    // A header cut short by the end of the file, before its fields end.
    {"rar header cut before its name", "synth/stored.rar",
     [](auto& b) { b.resize(Find(b, "beta.txt") - 32 + 20); }, kAlpha, kBadHeader},
    {"cab name without its end", "cab/stored.cab",
     [](auto& b) {
         const std::size_t at = Find(b, "beta.txt");
         std::fill(b.begin() + static_cast<std::ptrdiff_t>(at),
                   b.begin() + static_cast<std::ptrdiff_t>(at + 300), 'x');
     },
     kAlpha, kBadHeader},
    {"ha name cut by the end", "synth/stored.ha",
     [](auto& b) { b.resize(Find(b, "beta.txt") + 4); }, kAlpha, kBadHeader},
    // A field longer than its buffer: the buffer's worth is kept, the rest skipped.
    {"cab name longer than 256 bytes",
     "cab/stored.cab",
     [](auto& b) {
         b.insert(b.begin() + static_cast<std::ptrdiff_t>(Find(b, "alpha.txt")), 291, 'a');
         std::uint32_t dataStart = 0;
         for (int i = 3; i >= 0; --i)
             dataStart = dataStart << 8 | b[36 + static_cast<std::size_t>(i)];
         PutLe32(b, 36, dataStart + 291); // the folder's data moved with the names
     },
     {std::string(256, 'a'), "beta.txt"},
     0},
    {"gzip name longer than 255 bytes",
     "gzip/stored-name.gz",
     [](auto& b) { b.insert(b.begin() + 10, 300, 'n'); },
     {std::string(255, 'n')},
     0},
    {"ha path longer than 4096 bytes", "synth/stored.ha",
     [](auto& b) {
         b.insert(b.begin() + static_cast<std::ptrdiff_t>(Find(b, "alpha.txt") - 1), 5000, 'p');
     },
     kPair, 0},
    // Data that runs past the end of the file.
    {"tar member cut short", "tar/v7.tar", [](auto& b) { b.resize(512 + 20); }, kAlpha,
     kUnexpectedEnd},
    // A whole header at the end, its data cut away: listed, and the end reported.
    {"tar cut behind a header", "tar/v7.tar", [](auto& b) { b.resize(3 * 512); }, kPair,
     kUnexpectedEnd},
    // The first header behind a volume label cut short.
    {"tar first header cut short",
     "tar/volume-label.tar",
     [](auto& b) { b.resize(630); },
     {},
     kUnexpectedEnd},
    {"rar member cut short", "synth/stored.rar",
     [](auto& b) { b.resize(Find(b, "beta.txt") + 8 + 100); }, kPair, kUnexpectedEnd},
    {"gzip cut before its trailer",
     "synth/extra-field.gz",
     [](auto& b) {
         b[3] = 0x04; // the extra field only, no stored name
         b.resize(25);
     },
     {"extra-field"},
     kUnexpectedEnd},
    {"rar part cut short, next volume not asked for",
     "synth/oldvol.rar",
     [](auto& b) { PutLe32(b, Find(b, "random.bin") - 32 + 7, 0xFFFFFFF0u); },
     {"random.bin"},
     kUnexpectedEnd},
    {"zoo next beyond the end", "synth/stored.zoo",
     [](auto& b) { PutLe32(b, Find(b, "alpha.txt") - 38 + 6, 0x100000); }, kAlpha, kUnexpectedEnd},
    // A cabinet header that does not parse.
    {"cab without its folder", "cab/stored.cab", [](auto& b) { b.resize(40); }, {}, kBadHeader},
};
INSTANTIATE_TEST_SUITE_P(Walks, DirWalkDamageTest, ::testing::ValuesIn(kDamageCases));

// ---------------------------------------------------------------------------
// Volumes

TEST(DirWalkVolumes, RarMemberIsReportedFromItsLastVolume) {
    const Listing run = ListArchive(DataPath("synth/oldvol.rar"), AcceptVolumes);
    ASSERT_EQ(run.Entries.size(), 1u);
    EXPECT_EQ(run.Entries[0].Packed, 3000);
    EXPECT_EQ(fs::path(run.Entries[0].Volume).filename(), "oldvol.r01");
    EXPECT_EQ(run.TotalPacked, 3000);
}

// A next volume is read as the reader reads it: from its marker on.
TEST(DirWalkVolumes, RarNextVolumeWithoutItsMarkerIsABadHeader) {
    TempFolder dir;
    for (const char* name : {"oldvol.rar", "oldvol.r00", "oldvol.r01"})
        fs::copy_file(DataPath(std::string("synth/") + name), dir.File(name));
    std::vector<std::uint8_t> second = ReadBytes(dir.File("oldvol.r00"));
    second[0] = 'X';
    WriteBytes(dir.File("oldvol.r00"), second);
    const Listing run = ListArchive(dir.File("oldvol.rar"), AcceptVolumes);
    EXPECT_TRUE(run.Entries.empty());
    EXPECT_EQ(run.Errors, std::vector<int>{kBadHeader});
}

TEST(DirWalkVolumes, RarMissingNextVolumeReportsTheMemberWithoutPackedSize) {
    TempFolder dir;
    const std::string path = dir.File("oldvol.rar");
    fs::copy_file(DataPath("synth/oldvol.rar"), path);
    int asked = 0;
    const Listing run = ListArchive(path, [&](TArxon& a) {
        a.OnNextVolume = [&](TZipCommon&, std::string&, int, bool, bool& cancel) {
            ++asked;
            cancel = true;
        };
    });
    EXPECT_EQ(asked, 1);
    ASSERT_EQ(run.Entries.size(), 1u);
    EXPECT_EQ(run.Entries[0].Packed, 0);
    EXPECT_EQ(run.Entries[0].Unpacked, 3000);
    EXPECT_EQ(run.Errors, std::vector<int>{25443});
}

TEST(DirWalkVolumes, CabinetSetAsksForTheNextCabinet) {
    std::vector<std::string> asked;
    const Listing accepted = ListArchive(DataPath("synth/set1.cab"), [&](TArxon& a) {
        a.OnNextVolume = [&](TZipCommon&, std::string& name, int, bool exists, bool& cancel) {
            asked.push_back(fs::path(name).filename().string());
            EXPECT_TRUE(exists);
            cancel = false;
        };
    });
    EXPECT_EQ(asked, std::vector<std::string>{"set2.cab"});
    EXPECT_EQ(Names(accepted), (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));
    EXPECT_EQ(fs::path(accepted.Entries.back().Volume).filename(), "set2.cab");

    const Listing declined = ListArchive(DataPath("synth/set1.cab"), [](TArxon& a) {
        a.OnNextVolume = [](TZipCommon&, std::string&, int, bool, bool& cancel) { cancel = true; };
    });
    EXPECT_EQ(Names(declined), (std::vector<std::string>{"a.txt", "b.txt"}));
    EXPECT_EQ(declined.Errors, std::vector<int>{25443});
}

TEST(DirWalkVolumes, MissingNextCabinetIsAskedForThenAnOpenError) {
    TempFolder dir;
    const std::string path = dir.File("set1.cab");
    fs::copy_file(DataPath("synth/set1.cab"), path);
    bool existed = true;
    const Listing declined = ListArchive(path, [&](TArxon& a) {
        a.OnNextVolume = [&](TZipCommon&, std::string&, int, bool exists, bool& cancel) {
            existed = exists;
            cancel = true;
        };
    });
    EXPECT_FALSE(existed);
    EXPECT_EQ(Names(declined), (std::vector<std::string>{"a.txt", "b.txt"}));
    EXPECT_EQ(declined.Errors, std::vector<int>{25443});

    const Listing accepted = ListArchive(path, [](TArxon& a) {
        a.OnNextVolume = [](TZipCommon&, std::string&, int, bool, bool& cancel) { cancel = false; };
    });
    EXPECT_EQ(Names(accepted), (std::vector<std::string>{"a.txt", "b.txt"}));
    EXPECT_EQ(accepted.Errors, std::vector<int>{25235});
}

// ---------------------------------------------------------------------------
// Truncated and damaged copies: no crash, no endless walk

struct RobustFixture {
    const char* File;
    TArcType Type;
};

const RobustFixture kRobustFixtures[] = {
    {"tar/v7.tar", atTar},
    {"tar/ustar.tar", atTar},
    {"tar/gnu-longname.tar", atTar},
    {"tar/pax.tar", atTar},
    {"tar/volume-label.tar", atTar},
    {"tar/pair.tgz", atGZip},
    {"tar/docs.tar.gz", atGZip},
    {"gzip/stored-name.gz", atGZip},
    {"gzip/no-name.txt.gz", atGZip},
    {"compress/beta.txt.Z", atGZip},
    {"synth/extra-field.gz", atGZip},
    {"synth/installshield.z", atMsGZ},
    {"uue/begin-644.uue", atUUE},
    {"uue/mail-text.uue", atUUE},
    {"uue/begin-alone.uue", atUUE},
    {"uue/base64.uue", atUUE},
    {"lha/level0-lh0.lzh", atLha},
    {"lha/level0-lh5.lzh", atLha},
    {"lha/level1-lh0.lzh", atLha},
    {"lha/level1-lh6.lzh", atLha},
    {"lha/level1-folders.lzh", atLha},
    {"lha/level2-lh5.lzh", atLha},
    {"lha/level2-lh7.lzh", atLha},
    {"lha/level2-folders.lzh", atLha},
    {"synth/lha-sfx-1945.exe", atLhaExe},
    {"synth/scan-lha.exe", atLhaExe},
    {"synth/macbinary.lzh", atLha},
    {"cab/stored.cab", atCab},
    {"cab/mszip.cab", atCab},
    {"cab/folders.cab", atCab},
    {"synth/scan-cab.exe", atCabExe},
    {"synth/set1.cab", atCab},
    {"synth/set2.cab", atCab},
    {"synth/stored.rar", atRar},
    {"synth/unix-host.rar", atRar},
    {"synth/oldvol.rar", atRar},
    {"synth/oldvol.r00", atRar},
    {"synth/oldvol.r01", atRar},
    {"synth/newvol.part1.rar", atRar},
    {"synth/newvol.part2.rar", atRar},
    {"synth/rar-at-image-end.exe", atRarExe},
    {"synth/scan-rar.exe", atRarExe},
    {"synth/stored.zoo", atZoo},
    {"synth/stored.ha", atHA},
};

void PrintTo(const RobustFixture& c, std::ostream* out) {
    *out << c.File;
}

class DirWalkRobustTest : public ::testing::TestWithParam<RobustFixture> {
protected:
    // Lists `bytes` as the fixture's kind; the run must end, and soon.
    void ListDamaged(const std::vector<std::uint8_t>& bytes, const std::string& what) {
        const std::string path = dir_.File(fs::path(GetParam().File).filename().string());
        WriteBytes(path, bytes);
        const auto start = std::chrono::steady_clock::now();
        const Listing run = ListArchive(path, AcceptVolumes, GetParam().Type);
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_LE(run.Entries.size(), kRunawayEntries) << what;
        EXPECT_LT(took, std::chrono::seconds(2)) << what;
    }

    TempFolder dir_;
};

TEST_P(DirWalkRobustTest, TruncatedCopiesEndTheirListing) {
    const std::vector<std::uint8_t> whole = ReadBytes(DataPath(GetParam().File));
    ASSERT_FALSE(whole.empty());
    std::vector<std::size_t> lengths = {0, 1, 2, 3, 7, 10, 18, 21, 22, 29, 33, 58, 512, 513};
    for (std::size_t part = 1; part < 16; ++part)
        lengths.push_back(whole.size() * part / 16);
    for (std::size_t back = 1; back <= 9; ++back)
        lengths.push_back(whole.size() - std::min(whole.size(), back));
    for (const std::size_t length : lengths) {
        if (length > whole.size()) continue;
        ListDamaged({whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length)},
                    "cut at " + std::to_string(length));
    }
}

TEST_P(DirWalkRobustTest, RandomlyDamagedCopiesEndTheirListing) {
    const std::vector<std::uint8_t> whole = ReadBytes(DataPath(GetParam().File));
    ASSERT_FALSE(whole.empty());
    std::mt19937 random(20210304u);
    for (int round = 0; round < 150; ++round) {
        std::vector<std::uint8_t> bytes = whole;
        // Half of the rounds hit the first bytes, where most headers lie.
        const std::size_t span =
            round % 2 == 0 ? std::min<std::size_t>(bytes.size(), 160) : bytes.size();
        const int changes = 1 + static_cast<int>(random() % 8);
        for (int i = 0; i < changes; ++i)
            bytes[random() % span] = static_cast<std::uint8_t>(random());
        ListDamaged(bytes, "round " + std::to_string(round));
    }
}

INSTANTIATE_TEST_SUITE_P(Walks, DirWalkRobustTest, ::testing::ValuesIn(kRobustFixtures));

} // namespace
} // namespace sorvane
