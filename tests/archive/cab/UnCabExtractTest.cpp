// The cabinet reader with the real cabinet module: every fixture extracted
// as 7zz extracted it (stored and MSZIP cabinets from gcab, UTF-8 names, sets,
// a cabinet inside an executable), then the behaviours around members and
// sets: renames, outputs that cannot be opened, sets that loop or name
// themselves, a declined next cabinet, damaged and missing cabinets, names
// that leave the destination, and every fixture cut and changed.
#include "platform/StreamFile.h"
#include "tests/archive/ArchiveTestSupport.h"
#include "tests/archive/cab/UnCabTestSupport.h"
#include "tests/archive/zip/UnZipTestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace sorvane {
namespace {

using namespace test;
namespace fs = std::filesystem;

class UnCabTest : public testing::Test {
protected:
    void SetUp() override {
        LoadCabinetLibrary(ModuleFolder());
        ASSERT_TRUE(CabinetLibraryLoaded());
    }
    // Copies fixtures of tests/data/archive/cab into `folder`.
    static void CopyFixtures(const TempFolder& folder, const std::vector<std::string>& names) {
        for (const std::string& name : names)
            WriteBytes(folder.File(name), FixtureBytes("cab/" + name));
    }
};

TEST_F(UnCabTest, EveryFixtureExtractsAs7zz) {
    const auto expected = CabExpectations();
    ASSERT_GE(expected.size(), 10u);
    for (const auto& [name, files] : expected) {
        SCOPED_TRACE(name);
        TempFolder out;
        CabRun run(CabFixturePath(name), out.Path());
        EXPECT_EQ(run.reader->Extract(), static_cast<int>(files.size()));
        EXPECT_TRUE(run.errors.empty()) << run.ErrorText();
        std::vector<std::string> wanted;
        for (const CabExpectedFile& file : files) {
            SCOPED_TRACE(file.path);
            wanted.push_back(file.path);
            const auto bytes = ReadBytes(out.File(file.path));
            EXPECT_EQ(bytes.size(), file.size);
            EXPECT_EQ(Sha256Hex(bytes), file.sha256);
            EXPECT_EQ(ModifiedText(out.File(file.path)), "2021-03-04 05:06:08");
        }
        std::sort(wanted.begin(), wanted.end());
        EXPECT_EQ(FilesBelow(out.Path()), wanted);
        for (const auto& verdict : run.verdicts)
            EXPECT_TRUE(verdict.second) << verdict.first;
    }
}

TEST_F(UnCabTest, TestingCountsEveryMemberAndWritesNothing) {
    for (const auto& [name, files] : CabExpectations()) {
        SCOPED_TRACE(name);
        TempFolder out;
        CabRun run(CabFixturePath(name), out.Path());
        EXPECT_EQ(run.reader->TestFiles(), static_cast<int>(files.size()));
        EXPECT_TRUE(run.errors.empty()) << run.ErrorText();
        EXPECT_EQ(out.Count(), 0u);
    }
}

TEST_F(UnCabTest, FileSpecSelectsMembersAndSkipsOthersWithoutVerdict) {
    TempFolder out;
    CabRun run(CabFixturePath("folders.cab"), out.Path());
    run.reader->FileSpec = {"*.txt"};
    run.reader->RecurseDirs = false;
    EXPECT_EQ(run.reader->Extract(), 1);
    EXPECT_EQ(FilesBelow(out.Path()), std::vector<std::string>{"alpha.txt"});
    ASSERT_EQ(run.verdicts.size(), 1u);
}

TEST_F(UnCabTest, UtfNamesAreKeptAndOthersReadAsTheListingReadsThem) {
    TempFolder out;
    CabRun run(CabFixturePath("utf8-names.cab"), out.Path());
    EXPECT_EQ(run.reader->Extract(), 3);
    EXPECT_TRUE(fs::exists(out.File("héllo wörld.txt")));
    EXPECT_TRUE(fs::exists(out.File("ñame.txt")));
}

TEST_F(UnCabTest, RenameKeepsTheFileTheUserKept) {
    TempFolder out;
    WriteText(out.File("alpha.txt"), "mine\n");
    CabRun run(CabFixturePath("stored.cab"), out.Path());
    run.reader->ConfirmOverwrites = true;
    run.reader->OnFileExists = [](TZipCommon&, const std::string& name, std::string& newName,
                                  TOverwriteMode& mode) {
        newName = name + ".new";
        mode = omOverwrite;
    };
    EXPECT_EQ(run.reader->Extract(), 2);
    EXPECT_EQ(ReadText(out.File("alpha.txt")), "mine\n");
    EXPECT_EQ(ReadBytes(out.File("alpha.txt.new")).size(), 54u);
    EXPECT_EQ(ReadBytes(out.File("beta.txt")).size(), 708u);
}

TEST_F(UnCabTest, OutputThatCannotBeOpenedIsReportedAndTheRunGoesOn) {
    TempFolder out;
    // A folder where alpha.txt would go: the member cannot be written.
    fs::create_directory(out.File("alpha.txt"));
    CabRun run(CabFixturePath("stored.cab"), out.Path());
    EXPECT_EQ(run.reader->Extract(), 1);
    EXPECT_GE(run.Count(kMsgOpenError) + run.Count(kMsgWriteError), 1) << run.ErrorText();
    EXPECT_EQ(run.Count(kMsgUserCanceled), 0) << run.ErrorText();
    EXPECT_EQ(ReadBytes(out.File("beta.txt")).size(), 708u);
}

TEST_F(UnCabTest, MemberBelowAFileIsReportedAndTheRunGoesOn) {
    TempFolder out;
    WriteText(out.File("docs"), "a file where a folder would go\n");
    CabRun run(CabFixturePath("folders.cab"), out.Path());
    EXPECT_EQ(run.reader->Extract(), 1);
    EXPECT_EQ(run.Count(kMsgOpenError), 2) << run.ErrorText();
    EXPECT_EQ(run.Count(kMsgUserCanceled), 0) << run.ErrorText();
    EXPECT_EQ(ReadBytes(out.File("alpha.txt")).size(), 54u);
}

TEST_F(UnCabTest, NextCabinetIsLookedForBesideTheCurrentOne) {
    TempFolder set, out, elsewhere;
    CopyFixtures(set, {"span1.cab", "span2.cab"});
    // A decoy of the same name in the current folder is never read.
    WriteText(elsewhere.File("span2.cab"), "not a cabinet");
    const std::string saved = fs::current_path();
    fs::current_path(elsewhere.Path());
    CabRun run(set.File("span1.cab"), out.Path());
    const int count = run.reader->Extract();
    fs::current_path(saved);
    EXPECT_EQ(count, 5);
    EXPECT_TRUE(run.errors.empty()) << run.ErrorText();
    // Asked once for the second cabinet, though a member and the set both need it.
    EXPECT_EQ(run.asked, std::vector<std::string>{set.File("span2.cab")});
    const auto expected = CabExpectations().at("span1.cab");
    for (const CabExpectedFile& file : expected)
        EXPECT_EQ(Sha256Hex(ReadBytes(out.File(file.path))), file.sha256) << file.path;
}

TEST_F(UnCabTest, DecliningTheNextCabinetEndsAfterTheFirstCabinetsMembers) {
    TempFolder set, out;
    CopyFixtures(set, {"span1.cab", "span2.cab"});
    CabRun run(set.File("span1.cab"), out.Path());
    run.acceptNext = false;
    EXPECT_EQ(run.reader->Extract(), 1);
    EXPECT_EQ(run.asked.size(), 1u);
    EXPECT_EQ(ReadBytes(out.File("first.txt")).size(), 56u);
    EXPECT_FALSE(fs::exists(out.File("tail.txt")));
    // The member of the folder that needs the second cabinet is not extracted.
    ASSERT_EQ(run.verdicts.size(), 2u);
    EXPECT_TRUE(run.verdicts[0].second);
    EXPECT_EQ(run.verdicts[1].first, out.File("one.txt"));
    EXPECT_FALSE(run.verdicts[1].second);
}

// The cabinet the header names next is reported missing by that name, and
// the member that goes on into it did not end: no CRC failure, no stored date.
TEST_F(UnCabTest, MissingNextCabinetIsReported) {
    TempFolder set, out;
    CopyFixtures(set, {"span1.cab"});
    CabRun run(set.File("span1.cab"), out.Path());
    run.reader->OnEnd = nullptr; // as on the extraction page: failures are reported
    EXPECT_EQ(run.reader->Extract(), 1);
    EXPECT_EQ(run.asked, std::vector<std::string>{set.File("span2.cab")});
    ASSERT_EQ(run.errors.size(), 2u) << run.ErrorText();
    EXPECT_EQ(run.errors[0].code, kMsgFileNotFound);
    EXPECT_EQ(run.errors[0].fileName, set.File("span2.cab"));
    EXPECT_EQ(run.errors[1].code, kMsgReadError);
    EXPECT_EQ(run.errors[1].fileName, out.File("one.txt"));
    if (fs::exists(out.File("one.txt"))) {
        EXPECT_NE(ModifiedText(out.File("one.txt")).substr(0, 4), "1980");
    }
}

TEST_F(UnCabTest, SetsThatLoopOrNameThemselvesEnd) {
    {
        TempFolder set, out;
        CopyFixtures(set, {"loop-a.cab", "loop-b.cab"});
        CabRun run(set.File("loop-a.cab"), out.Path());
        EXPECT_EQ(run.reader->Extract(), 2);
        EXPECT_EQ(FilesBelow(out.Path()), (std::vector<std::string>{"a.txt", "b.txt"}));
        EXPECT_EQ(run.asked, std::vector<std::string>{set.File("loop-b.cab")});
    }
    TempFolder out;
    CabRun run(CabFixturePath("self.cab"), out.Path());
    EXPECT_EQ(run.reader->Extract(), 1);
    EXPECT_TRUE(run.asked.empty());
}

TEST_F(UnCabTest, DamagedOrMissingCabinetsAreReported) {
    struct Case {
        std::string name;
        int code;
        int count;
    };
    TempFolder folder;
    WriteText(folder.File("text.cab"), "This is no cabinet at all, only some words.\n");
    const Case cases[] = {
        {CabFixturePath("damaged.cab"), kMsgCorruptInput, 0},
        {CabFixturePath("truncated.cab"), kMsgCorruptInput, 0},
        {folder.File("text.cab"), kMsgBadFileHeader, 0},
        {folder.File("missing.cab"), kMsgFileNotFound, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder out;
        CabRun run(c.name, out.Path());
        run.reader->ArcType = atCab; // as the page hands it over
        EXPECT_EQ(run.reader->Extract(), c.count);
        EXPECT_EQ(run.Count(c.code), 1) << run.ErrorText();
        for (const auto& verdict : run.verdicts)
            EXPECT_FALSE(verdict.second) << verdict.first;
    }
}

TEST_F(UnCabTest, SelfExtractingCabinetExtractsFromItsStart) {
    TempFolder out;
    CabRun run(CabFixturePath("sfx-mszip.exe"), out.Path());
    ASSERT_EQ(run.reader->ArcType, atCabExe);
    ASSERT_EQ(run.reader->StartOffset, 17000);
    EXPECT_EQ(run.reader->Extract(), 1);
    EXPECT_TRUE(run.errors.empty()) << run.ErrorText();
    EXPECT_EQ(ReadBytes(out.File("one.txt")).size(), 60000u);
    // The offset applies to that run only.
    EXPECT_EQ(CabinetFileHandler().OpenCount(), 0u);
}

TEST_F(UnCabTest, HostileNamesAreRefused) {
    TempFolder parent;
    const std::string destination = parent.File("dest");
    fs::create_directory(destination);
    CabRun run(CabFixturePath("hostile.cab"), destination);
    EXPECT_EQ(run.reader->Extract(), 2);
    EXPECT_EQ(run.Count(kMsgInvalidFileName), 2) << run.ErrorText();
    EXPECT_EQ(FilesBelow(parent.Path()),
              (std::vector<std::string>{"dest/rooted.txt", "dest/safe.txt"}));
}

TEST_F(UnCabTest, CurrentFolderNeverChanges) {
    const fs::path before = fs::current_path();
    TempFolder out;
    CabRun run(CabFixturePath("folders.cab"), out.Path());
    EXPECT_EQ(run.reader->Extract(), 3);
    EXPECT_EQ(fs::current_path(), before);
}

// Every fixture cut at several lengths and with bytes changed: a report or
// an extraction, never a crash, nothing outside the destination, no file
// left open once the reader is gone.
TEST_F(UnCabTest, CutAndChangedFixturesNeverCrash) {
    for (const char* name : {"span1.cab", "utf8-mszip.cab", "hostile.cab", "sfx-mszip.exe",
                             "loop-a.cab", "self.cab"}) {
        const auto original = FixtureBytes(std::string("cab/") + name);
        std::vector<std::vector<std::uint8_t>> variants;
        for (std::size_t cut : {std::size_t{4}, std::size_t{36}, std::size_t{60},
                                original.size() / 3, original.size() - 1})
            if (cut < original.size())
                variants.emplace_back(original.begin(), original.begin() + cut);
        for (std::size_t at = 0; at < original.size() && at < 400; at += 7) {
            auto changed = original;
            changed[at] ^= 0xA5;
            variants.push_back(std::move(changed));
        }
        for (const auto& bytes : variants) {
            TempFolder parent;
            const std::string destination = parent.File("dest");
            fs::create_directory(destination);
            WriteBytes(parent.File(name), bytes);
            {
                CabRun run(parent.File(name), destination);
                run.acceptNext = false;
                run.reader->Extract();
            }
            for (const auto& entry : fs::directory_iterator(parent.Path()))
                EXPECT_TRUE(entry.path().filename() == "dest" || entry.path().filename() == name)
                    << entry.path();
            EXPECT_EQ(CabinetFileHandler().OpenCount(), 0u);
        }
    }
}

} // namespace
} // namespace sorvane
