// Extraction through the extraction base on real archives: stored and
// `zip -P` enciphered stored members (the test driver of StoredZipDriver.h),
// selection, overwrite, passwords, dates, attributes, the CRC verdict, test
// runs, archives that cannot be opened, confinement of hostile names,
// damaged archives, and the disk check of spanned sets.
#include "archive/arxSpan.h"
#include "platform/Files.h"
#include "tests/archive/ArchiveTestSupport.h"
#include "tests/archive/StoredZipDriver.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <sys/stat.h>

namespace sorvane {
namespace {

using test::DataPath;
using test::ReadText;
using test::TempFolder;

namespace fs = std::filesystem;
using test::TStoredZipDriver;

struct ErrorRecord {
    std::string fileName;
    std::string extended;
    int code = 0;
};

// A driver aimed at one archive and one output folder, recording errors and CRC verdicts.
struct ExtractionRun {
    TStoredZipDriver driver;
    std::vector<ErrorRecord> errors;
    std::vector<std::pair<std::string, bool>> verdicts;

    ExtractionRun(const std::string& archive, const std::string& outFolder) {
        driver.SetArchiveFile(archive);
        driver.SetExtractDir(outFolder);
        driver.FileSpec = {"*.*"};
        driver.OnError = [this](TZipCommon&, const std::string& f, const std::string& m,
                                const std::string&, int code) {
            errors.push_back({f, m, code});
        };
        driver.OnEnd = [this](TZipCommon&, const std::string& name, bool pass) {
            verdicts.emplace_back(name, pass);
        };
    }
    int Count(int code) const {
        int n = 0;
        for (const auto& e : errors)
            n += e.code == code;
        return n;
    }
};

TEST(StoredZipExtraction, ExtractsEveryMemberWithItsDateAndCrc) {
    TempFolder out;
    ExtractionRun run(DataPath("zip/stored.zip"), out.Path());
    ASSERT_EQ(run.driver.ArcType, atZip);
    EXPECT_EQ(run.driver.Extract(), 2);
    EXPECT_FALSE(run.driver.RunFailed);
    EXPECT_TRUE(run.errors.empty());
    ASSERT_EQ(run.verdicts.size(), 2u);
    for (const auto& verdict : run.verdicts)
        EXPECT_TRUE(verdict.second) << verdict.first;
    EXPECT_EQ(ReadText(out.File("alpha.txt")),
              "Alpha file of the archive fixtures.\nIt has two lines.\n");
    EXPECT_EQ(ReadFileSize(out.File("beta.txt")), 708u);
    struct stat info {};
    ASSERT_EQ(::stat(out.File("alpha.txt").c_str(), &info), 0);
    // 2021-03-04 05:06:08, the tests run in UTC.
    EXPECT_EQ(info.st_mtime, 1614834368);
}

TEST(StoredZipExtraction, FileSpecSelectsMembers) {
    struct Case {
        std::vector<std::string> spec;
        std::vector<std::string> exclusions;
        std::vector<std::string> written;
    } cases[] = {
        {{"beta.txt"}, {}, {"beta.txt"}},
        {{"*.txt"}, {"a*"}, {"beta.txt"}},
        {{"*.doc"}, {}, {}},
        {{"ALPHA.TXT"}, {}, {"alpha.txt"}},
    };
    for (const Case& c : cases) {
        TempFolder out;
        ExtractionRun run(DataPath("zip/stored.zip"), out.Path());
        run.driver.FileSpec = c.spec;
        run.driver.OnActivate = [&](TZipCommon& sender) { sender.ExclusionList = c.exclusions; };
        EXPECT_EQ(run.driver.Extract(), static_cast<int>(c.written.size())) << c.spec[0];
        for (const char* name : {"alpha.txt", "beta.txt"}) {
            const bool expected =
                std::find(c.written.begin(), c.written.end(), name) != c.written.end();
            EXPECT_EQ(fs::exists(out.File(name)), expected) << c.spec[0] << " " << name;
        }
    }
}

TEST(StoredZipExtraction, OverwriteModesDecideAboutExistingTargets) {
    struct Case {
        TOverwriteMode mode;
        bool confirm;
        bool answerOverwrite;
        int expected;
        const char* alphaAfter;
    } cases[] = {
        {omOverwrite, false, false, 2, "Alpha file"},
        {omSkip, false, false, 0, "old"},
        {omOverwrite, true, true, 2, "Alpha file"},
        {omOverwrite, true, false, 1, "old"},
    };
    for (const Case& c : cases) {
        TempFolder out;
        WriteFileAtomically(out.File("alpha.txt"), "old");
        ExtractionRun run(DataPath("zip/stored.zip"), out.Path());
        run.driver.OverwriteMode = c.mode;
        run.driver.ConfirmOverwrites = c.confirm;
        run.driver.OnFileExists = [&](TZipCommon&, const std::string&, std::string&,
                                      TOverwriteMode& mode) {
            mode = c.answerOverwrite ? omOverwrite : omSkip;
        };
        EXPECT_EQ(run.driver.Extract(), c.expected);
        EXPECT_EQ(ReadText(out.File("alpha.txt")).substr(0, std::string(c.alphaAfter).size()),
                  c.alphaAfter);
    }
}

TEST(StoredZipExtraction, EncipheredMembersWithThePasswordGiven) {
    TempFolder out;
    ExtractionRun run(DataPath("crypt/stored.zip"), out.Path());
    run.driver.Password = "Sorvane-1";
    EXPECT_EQ(run.driver.Extract(), 2);
    EXPECT_EQ(ReadText(out.File("quick.txt")), ReadText(DataPath("crypt/quick.txt")));
    EXPECT_EQ(ReadText(out.File("second.txt")), ReadText(DataPath("crypt/second.txt")));
    EXPECT_TRUE(run.errors.empty());
}

TEST(StoredZipExtraction, PasswordAskedOnceThenFromTheList) {
    TempFolder out;
    ExtractionRun run(DataPath("crypt/stored.zip"), out.Path());
    run.driver.Passwords = {"wrong", "Sorvane-1"};
    EXPECT_EQ(run.driver.Extract(), 2);
    EXPECT_EQ(run.driver.Password, "Sorvane-1");

    TempFolder out2;
    ExtractionRun asked(DataPath("crypt/stored.zip"), out2.Path());
    int questions = 0;
    asked.driver.OnGetPassword = [&](TZipCommon&, const std::string&, std::string& password,
                                     bool&) {
        ++questions;
        password = questions == 1 ? "nope" : "Sorvane-1";
    };
    EXPECT_EQ(asked.driver.Extract(), 2);
    EXPECT_EQ(questions, 2);
    EXPECT_EQ(asked.Count(kMsgInvalidPassword), 1);
    ASSERT_FALSE(asked.driver.Passwords.empty());
    EXPECT_EQ(asked.driver.Passwords.front(), "Sorvane-1");
}

TEST(StoredZipExtraction, FailedPasswordNeitherCountsNorWrites) {
    TempFolder out;
    ExtractionRun run(DataPath("crypt/stored.zip"), out.Path());
    int questions = 0;
    run.driver.OnGetPassword = [&](TZipCommon&, const std::string&, std::string&, bool& tryAgain) {
        ++questions;
        tryAgain = false;
    };
    EXPECT_EQ(run.driver.Extract(), 0);
    EXPECT_EQ(questions, 1); // the second member is not asked for again
    EXPECT_EQ(run.Count(kMsgInvalidPassword), 1);
    EXPECT_FALSE(fs::exists(out.File("quick.txt")));
    EXPECT_FALSE(fs::exists(out.File("second.txt")));
    EXPECT_TRUE(run.verdicts.empty());
}

TEST(StoredZipExtraction, TestRunDecodesAndWritesNothing) {
    TempFolder out;
    ExtractionRun run(DataPath("zip/stored.zip"), out.Path());
    EXPECT_EQ(run.driver.TestFiles(), 2);
    EXPECT_TRUE(fs::is_empty(out.Path()));
    ASSERT_EQ(run.verdicts.size(), 2u);
    EXPECT_EQ(run.verdicts[0].first, "alpha.txt");
    EXPECT_TRUE(run.verdicts[0].second);
}

// Copies stored.zip with one change made to its bytes.
std::string PatchedCopy(const TempFolder& folder, const std::string& name,
                        const std::function<void(std::string&)>& patch) {
    std::string bytes = ReadText(DataPath("zip/stored.zip"));
    patch(bytes);
    WriteFileAtomically(folder.File(name), bytes);
    return folder.File(name);
}

TEST(StoredZipExtraction, DamagedDataFailsTheCrcAndReadOnlyIsRestored) {
    TempFolder work;
    const std::string archive = PatchedCopy(work, "patched.zip", [](std::string& bytes) {
        bytes[bytes.find("Alpha file")] ^= 0x20; // one data byte of alpha.txt
        const auto central = bytes.find(std::string("PK\x01\x02", 4));
        const auto second = bytes.find(std::string("PK\x01\x02", 4), central + 4);
        bytes[second + 38] = 0x21; // beta.txt: read-only, archive
    });
    TempFolder out;
    ExtractionRun run(archive, out.Path());
    // The member that fails its CRC leaves no file and is not counted.
    EXPECT_EQ(run.driver.Extract(), 1);
    ASSERT_EQ(run.verdicts.size(), 2u);
    EXPECT_FALSE(run.verdicts[0].second);
    EXPECT_TRUE(run.verdicts[1].second);
    EXPECT_FALSE(fs::exists(out.File("alpha.txt")));
    struct stat info {};
    ASSERT_EQ(::stat(out.File("beta.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & S_IWUSR, 0u);
    EXPECT_EQ(out.Count(), 1u); // no temporary file left beside it
}

TEST(StoredZipExtraction, CrcFailureWithoutOnEndIsReported) {
    TempFolder work;
    const std::string archive = PatchedCopy(
        work, "bad.zip", [](std::string& bytes) { bytes[bytes.find("Alpha file")] ^= 1; });
    TempFolder out;
    ExtractionRun run(archive, out.Path());
    run.driver.OnEnd = nullptr;
    run.driver.Extract();
    EXPECT_EQ(run.Count(kMsgCrcFailed), 1);
}

TEST(StoredZipExtraction, ArchiveThatCannotBeOpenedFailsTheRun) {
    TempFolder work;
    const std::string archive = work.File("gone.zip");
    fs::copy_file(DataPath("zip/stored.zip"), archive);
    TempFolder out;
    ExtractionRun run(archive, out.Path());
    ASSERT_EQ(run.driver.ArcType, atZip);
    fs::remove(archive);
    EXPECT_EQ(run.driver.Extract(), 0);
    EXPECT_TRUE(run.driver.RunFailed);
    EXPECT_EQ(run.Count(kMsgOpenError), 1);

    TStoredZipDriver unnamed;
    std::vector<int> codes;
    unnamed.OnError = [&](TZipCommon&, const std::string&, const std::string&, const std::string&,
                          int code) { codes.push_back(code); };
    EXPECT_EQ(unnamed.Extract(), 0);
    EXPECT_TRUE(unnamed.RunFailed);
    EXPECT_EQ(codes, std::vector<int>{kMsgFileNotFound});
}

TEST(StoredZipExtraction, HostileNamesNeverLeaveTheExtractionFolder) {
    TempFolder work;
    TempFolder outside;
    const std::string archive = work.File("hostile.zip");
    WriteFileAtomically(archive, test::MakeStoredZip({
                                     {"..\\up.txt", "up"},
                                     {"a\\..\\..\\up2.txt", "up2"},
                                     {"\\\\server\\share\\abs.txt", "abs"},
                                     {"/etc-like.txt", "slash"},
                                     {"C:\\drive.txt", "drive"},
                                     {"link\\through.txt", "through"},
                                     {"ok\\inside.txt", "inside"},
                                 }));
    // The destination is a folder of its own in a private parent, so that
    // the parent holds nothing but it and shows any write that leaves it.
    TempFolder parent;
    const std::string destination = parent.File("out");
    fs::create_directory(destination);
    fs::create_directory_symlink(outside.Path(), destination + "/link");
    ExtractionRun run(archive, destination);
    ASSERT_EQ(run.driver.ArcType, atZip);
    // "/etc-like.txt" and "C:\drive.txt" lose their root and drive, as stored paths do.
    EXPECT_EQ(run.driver.Extract(), 3);
    EXPECT_EQ(ReadText(destination + "/ok/inside.txt"), "inside");
    EXPECT_EQ(ReadText(destination + "/etc-like.txt"), "slash");
    EXPECT_EQ(ReadText(destination + "/drive.txt"), "drive");
    EXPECT_TRUE(fs::is_empty(outside.Path()));
    EXPECT_EQ(parent.Count(), 1u); // "out" alone: no up.txt, no up2.txt beside it
    EXPECT_EQ(run.Count(kMsgInvalidFileName), 4);
}

// Truncated and mutated copies of the stored archives: errors, never a crash,
// and never a file outside the output folder.
TEST(StoredZipExtraction, DamagedArchivesGiveErrorsNotCrashes) {
    for (const char* fixture : {"zip/stored.zip", "crypt/stored.zip"}) {
        const std::string original = ReadText(DataPath(fixture));
        std::mt19937 random(20261210);
        TempFolder work;
        const std::string archive = work.File("damaged.zip");
        for (int round = 0; round < 150; ++round) {
            std::string bytes = original;
            if (round % 3 == 0) {
                bytes.resize(random() % bytes.size());
            } else {
                for (int n = 0; n < 1 + round % 5; ++n)
                    bytes[random() % bytes.size()] = static_cast<char>(random());
            }
            WriteFileAtomically(archive, bytes);
            TempFolder out;
            ExtractionRun run(archive, out.Path());
            run.driver.Password = "Sorvane-1";
            run.driver.Extract();
            run.driver.TestFiles();
        }
        EXPECT_TRUE(fs::exists(work.File("damaged.zip")));
        EXPECT_EQ(std::distance(fs::directory_iterator(work.Path()), fs::directory_iterator()), 1);
    }
}

// The disk check of a spanned set looks for a header at an offset taken from
// the archive; an offset near the largest value is simply beyond the disk.
TEST(SpannedZipDisks, CheckDiskTakesAnyOffsetFromTheArchive) {
    TempFolder temp;
    std::vector<std::uint8_t> disk(64, 0);
    const std::uint8_t local[] = {'P', 'K', 3, 4};
    std::copy(std::begin(local), std::end(local), disk.begin());
    test::WriteBytes(temp.File("set.zip"), disk);
    TZipCommon owner;
    owner.ArchiveFile = temp.File("set.zip");
    TDiskSpannObj span;
    span.Init(owner, nullptr);
    const struct {
        std::int64_t offset;
        TArcType kind;
        bool found;
    } cases[] = {
        {0, atZipMV, true},
        {10, atZipMV, false},
        {60, atZipMV, true},
        {INT64_MAX, atZipMV, true},
        {INT64_MAX - 20, atZipMV, true},
        {INT64_MAX, atZip, false},
        {-5, atZipMV, false},
    };
    for (const auto& c : cases) {
        owner.ArcType = c.kind;
        span.ExpectedOffset = c.offset;
        EXPECT_EQ(span.CheckDisk(), c.found) << c.offset << " kind " << int{c.kind};
    }
}

} // namespace
} // namespace sorvane
