// The tar reader on archives of GNU tar (gnu, ustar and pax formats) and
// python's tarfile (devices), compared with `tar -x`; then hand-built
// archives for what tools do not write: damaged headers, junk after the end,
// cut members, sizes beyond 32 bits, names that leave the destination.
#include "archive/arxMessages.h"
#include "archive/tar/arxUnTar.h"
#include "tests/archive/ArchiveTestSupport.h"
#include "tests/archive/tar/UnTarGzTestSupport.h"
#include "tests/archive/zip/UnZipTestSupport.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>

namespace sorvane {
namespace {

using namespace test;
namespace fs = std::filesystem;

constexpr const char* kLong =
    "docs/a-folder-name-that-is-rather-long-indeed/another-folder-name-that-is-also-long";

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

// The files below `folder` with their SHA-256, beside the reference's.
void ExpectSameFiles(const std::string& folder, const std::vector<ExpectedMember>& expected,
                     const std::string& label) {
    std::vector<std::string> wanted;
    for (const ExpectedMember& m : expected) {
        wanted.push_back(m.path);
        const std::vector<std::uint8_t> data = ReadBytes(folder + "/" + m.path);
        EXPECT_EQ(data.size(), m.size) << label << " " << m.path;
        EXPECT_EQ(Sha256Hex(data), m.sha256) << label << " " << m.path;
    }
    std::sort(wanted.begin(), wanted.end());
    EXPECT_EQ(FilesBelow(folder), wanted) << label;
    EXPECT_EQ(SpecialEntriesBelow(folder), std::vector<std::string>()) << label;
}

// Links, FIFOs and devices are refused with 25327 naming what they are,
// sparse members with 25326; every regular member comes out as tar -x gave
// it (long names, the ustar prefix, pax paths, a 100-byte name, UTF-8).
TEST(UnTarFixtures, RegularMembersMatchTarAndTheRestIsRefused) {
    const auto expected = UnTarGzExpected();
    struct Case {
        const char* fixture;
        std::multiset<std::string> refusals; // "code extended"
    };
    const std::multiset<std::string> links = {"25327 hard link to alpha.txt",
                                              "25327 symbolic link to alpha.txt", "25327 FIFO"};
    const std::vector<Case> cases = {
        {"gnu.tar", links},
        {"ustar.tar", links},
        // The deep file is named twice: tar stores the second as a hard link,
        // its long target in a pax "linkpath" record.
        {"pax.tar",
         {"25327 hard link to alpha.txt", "25327 symbolic link to alpha.txt", "25327 FIFO",
          "25327 hard link to " + std::string(kLong) + "/" + kLong + "/file.txt"}},
        {"devices.tar", {"25327 character device", "25327 block device"}},
        {"sparse-gnu.tar", {"25326 sparse member"}},
        {"sparse-pax.tar", {"25326 sparse member"}},
    };
    for (const Case& c : cases) {
        TempFolder out;
        TarGzRun run(DataPath(std::string("untargz/") + c.fixture), out.Path());
        const auto& files = expected.at(c.fixture);
        EXPECT_EQ(run.reader->Extract(), static_cast<int>(files.size())) << c.fixture;
        std::multiset<std::string> refusals;
        for (const Reported& r : run.errors)
            refusals.insert(std::to_string(r.code) + " " + r.extended);
        EXPECT_EQ(refusals, c.refusals) << c.fixture << "\n" << run.ErrorText();
        ExpectSameFiles(out.Path(), files, c.fixture);
        EXPECT_EQ(run.verdicts.size(), files.size()) << c.fixture;
        for (const auto& [name, pass] : run.verdicts)
            EXPECT_TRUE(pass) << c.fixture << " " << name;
    }
}

// The older fixtures: v7 headers, the GNU long-name record, the pax path
// record and a volume label, which is no member.
TEST(UnTarFixtures, OlderFixturesGiveTheirMembersAndNoRecordFiles) {
    const std::string longPath =
        "docs/a-folder-name-that-is-rather-long-indeed/another-folder-name-that-is-also-long/"
        "long-file-name.txt";
    struct Case {
        const char* fixture;
        std::vector<std::string> files;
    };
    const std::vector<Case> cases = {
        {"tar/v7.tar", {"alpha.txt", "beta.txt"}},
        {"tar/ustar.tar", {"alpha.txt", "docs/sub/deep.txt", "docs/top.txt"}},
        {"tar/gnu-longname.tar", {"alpha.txt", longPath}},
        {"tar/pax.tar", {"alpha.txt", longPath}},
        {"tar/volume-label.tar", {"alpha.txt", "beta.txt"}},
    };
    for (const Case& c : cases) {
        TempFolder out;
        TarGzRun run(DataPath(c.fixture), out.Path());
        EXPECT_EQ(run.reader->Extract(), static_cast<int>(c.files.size())) << c.fixture;
        EXPECT_TRUE(run.errors.empty()) << c.fixture << "\n" << run.ErrorText();
        EXPECT_EQ(FilesBelow(out.Path()), c.files) << c.fixture;
    }
    TempFolder out;
    TarGzRun run(DataPath("tar/v7.tar"), out.Path());
    run.reader->Extract();
    EXPECT_EQ(ReadText(out.File("alpha.txt")),
              "Alpha file of the archive fixtures.\nIt has two lines.\n");
}

TEST(UnTarFixtures, TestingWritesNothingAndCountsTheFiles) {
    TempFolder out;
    TarGzRun run(DataPath("untargz/gnu.tar"), out.Path());
    EXPECT_EQ(run.reader->TestFiles(), 7);
    EXPECT_EQ(out.Count(), 0u);
}

struct Built {
    TempFolder folder;
    std::string archive;
    std::string out;
    explicit Built(const std::string& bytes)
        : archive(folder.File("built.tar")), out(folder.File("out")) {
        WriteBytes(archive, Bytes(bytes));
        fs::create_directories(out);
    }
};

// A header that fails its checksum ends the walk with 25114: what came
// before it is extracted, nothing after. A zero block ends the archive
// quietly, whatever follows it.
// Tar and gzip store Unix seconds: each member gets exactly its time, in a
// time zone with summer time too (both 02:30 of the autumn night in Madrid),
// before 1980, after 2038 and on an odd second; mode 0444 comes out read-only.
TEST(UnTarTimes, TheStoredUnixTimeIsSetToTheSecond) {
    const char* old = std::getenv("TZ");
    const std::string saved = old != nullptr ? old : "";
    ::setenv("TZ", "Europe/Madrid", 1);
    ::tzset();
    struct Case {
        const char* archive;
        const char* file;
        std::int64_t seconds;
        bool readOnly;
    } cases[] = {
        {"tar/times.tar", "1970.txt", 1, false},
        {"tar/times.tar", "2040.txt", 2208988801, false},
        {"tar/times.tar", "odd.txt", 1614834369, false},
        {"tar/times.tar", "dst-first.txt", 1635640200, false},
        {"tar/times.tar", "dst-second.txt", 1635643800, false},
        {"tar/times.tar", "read-only.txt", 1614834368, true},
        {"tar/odd.txt.gz", "odd.txt", 1614834369, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.archive) + " " + c.file);
        TempFolder out;
        TarGzRun run(DataPath(c.archive), out.Path());
        run.reader->Extract();
        struct stat info {};
        ASSERT_EQ(::stat(out.File(c.file).c_str(), &info), 0) << run.ErrorText();
        EXPECT_EQ(info.st_mtime, c.seconds);
        EXPECT_EQ((info.st_mode & S_IWUSR) == 0, c.readOnly);
    }
    if (old != nullptr)
        ::setenv("TZ", saved.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
}

TEST(UnTarWalk, ChecksumAndTheFirstZeroBlockEndTheArchive) {
    std::string damaged = TarHeader("second.txt", '0', 3);
    damaged[0] = 'S'; // the checksum no longer matches
    Built bad(TarHeader("first.txt", '0', 5) + TarData("first") + damaged + TarData("two") +
              TarHeader("third.txt", '0', 5) + TarData("third") + TarEnd());
    TarGzRun run(bad.archive, bad.out);
    EXPECT_EQ(run.reader->Extract(), 1);
    EXPECT_EQ(run.Count(kMsgBadFileHeader), 1) << run.ErrorText();
    EXPECT_EQ(FilesBelow(bad.out), std::vector<std::string>{"first.txt"});

    Built junk(TarHeader("first.txt", '0', 5) + TarData("first") + std::string(512, '\0') +
               TarHeader("after.txt", '0', 5) + TarData("after") + TarEnd());
    TarGzRun quiet(junk.archive, junk.out);
    EXPECT_EQ(quiet.reader->Extract(), 1);
    EXPECT_TRUE(quiet.errors.empty()) << quiet.ErrorText();
    EXPECT_EQ(FilesBelow(junk.out), std::vector<std::string>{"first.txt"});
}

// A member whose data the archive does not hold whole is reported (25236)
// and fails; sizes of 3 GiB, octal or base-256, are read whole.
TEST(UnTarWalk, MembersCutShortFailWhateverTheirSize) {
    std::string base256 = TarHeader("huge256.bin", '0', 0);
    // 3 GiB in base-256: top bit, then a big-endian number.
    std::fill(base256.begin() + 124, base256.begin() + 136, '\0');
    base256[124] = static_cast<char>(0x80);
    base256[132] = static_cast<char>(0xC0);
    std::fill(base256.begin() + 148, base256.begin() + 156, ' ');
    unsigned sum = 0;
    for (const char c : base256)
        sum += static_cast<unsigned char>(c);
    std::snprintf(&base256[148], 8, "%06o", sum);
    for (const std::string& header :
         {TarHeader("short.txt", '0', 1000), TarHeader("huge.bin", '0', 3ull << 30), base256}) {
        Built cut(TarHeader("whole.txt", '0', 5) + TarData("whole") + header +
                  std::string(600, 'x'));
        TarGzRun run(cut.archive, cut.out);
        EXPECT_EQ(run.reader->Extract(), 1);
        EXPECT_EQ(run.Count(kMsgReadError), 1) << run.ErrorText();
        ASSERT_EQ(run.verdicts.size(), 2u);
        EXPECT_TRUE(run.verdicts[0].second);
        EXPECT_FALSE(run.verdicts[1].second);
    }
}

// A pax "size" record replaces the header's size: the data and the next
// header are found by it.
TEST(UnTarWalk, PaxSizeRecordsGiveTheSize) {
    const std::string records = "16 size=1000000\n"
                                "22 path=pax/named.bin\n";
    const std::string data(1000000, 'p');
    Built pax(TarHeader("PaxHeaders/x", 'x', records.size()) + TarData(records) +
              TarHeader("short", '0', 0) + TarData(data) + TarHeader("next.txt", '0', 4) +
              TarData("next") + TarEnd());
    TarGzRun run(pax.archive, pax.out);
    EXPECT_EQ(run.reader->Extract(), 2) << run.ErrorText();
    EXPECT_EQ(FilesBelow(pax.out), (std::vector<std::string>{"next.txt", "pax/named.bin"}));
    EXPECT_EQ(ReadBytes(pax.out + "/pax/named.bin").size(), data.size());
    EXPECT_EQ(ReadText(pax.out + "/next.txt"), "next");
}

// A name that fills its 100-byte field ends there, not in the fields after it.
TEST(UnTarWalk, AFullNameFieldIsTheWholeName) {
    const std::string name(96, 'n');
    Built full(TarHeader(name + ".txt", '0', 4) + TarData("full") + TarEnd());
    TarGzRun run(full.archive, full.out);
    EXPECT_EQ(run.reader->Extract(), 1) << run.ErrorText();
    EXPECT_EQ(FilesBelow(full.out), std::vector<std::string>{name + ".txt"});
}

// Names leading out of the destination are refused (25245); a leading "/"
// is taken off. Folders are made only with CreateStoredDirs and never count.
TEST(UnTarWalk, NamesStayInsideAndFoldersAreMadeWhenAsked) {
    Built names(TarHeader("../evil.txt", '0', 4) + TarData("evil") + TarHeader("/abs.txt", '0', 3) +
                TarData("abs") + TarHeader("dir/", '5', 0) + TarHeader("old-dir/", '0', 0) +
                TarEnd());
    for (const bool create : {false, true}) {
        fs::remove_all(names.out);
        fs::create_directories(names.out);
        TarGzRun run(names.archive, names.out);
        run.reader->CreateStoredDirs = create;
        EXPECT_EQ(run.reader->Extract(), 1);
        EXPECT_EQ(run.Count(kMsgInvalidFileName), 1) << run.ErrorText();
        EXPECT_EQ(FilesBelow(names.out), std::vector<std::string>{"abs.txt"});
        EXPECT_EQ(fs::is_directory(names.out + "/dir"), create);
        EXPECT_EQ(fs::is_directory(names.out + "/old-dir"), create);
        EXPECT_FALSE(fs::exists(names.folder.File("evil.txt")));
    }
}

} // namespace
} // namespace sorvane
