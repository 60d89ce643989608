// The ZOO reader: stored, LZW and lh5 members extract as unar extracted them,
// in tests without writing too; deleted entries are left out, a member of an
// unknown method leaves an existing file alone, a directory chain that turns
// back ends, and damaged archives end cleanly.
#include "archive/arxMessages.h"
#include "archive/zoo/arxUnZoo.h"
#include "tests/archive/ArchiveTestSupport.h"
#include "tests/archive/arj/ArjZooTestSupport.h"
#include "tests/archive/zip/UnZipTestSupport.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

namespace sorvane {
namespace {

using namespace test;
namespace fs = std::filesystem;

struct ZooRun {
    TUnZoo reader;
    RunRecord record;
    std::vector<std::string> begun;
    ZooRun(const std::string& archive, const std::string& destination) {
        AimReader(reader, record, archive, destination);
        reader.OnBegin = [this](TZipCommon&, const std::string& name, int, bool& extract) {
            begun.push_back(name.substr(name.find_last_of('/') + 1));
            extract = true;
        };
    }
};

TEST(UnZooFixtures, EveryFixtureExtractsAsUnarDid) {
    const auto expected = ExpectedOf("zoo");
    ASSERT_EQ(expected.size(), 3u);
    for (const auto& [name, entries] : expected) {
        SCOPED_TRACE(name);
        TempFolder out;
        ZooRun run(DataPath("zoo/" + name), out.Path());
        const int extracted = run.reader.Extract();
        EXPECT_TRUE(run.record.errors.empty()) << run.record.Text();
        EXPECT_EQ(extracted, CheckExtracted(out.Path(), entries));
        for (const auto& [file, pass] : run.record.verdicts)
            EXPECT_TRUE(pass) << file;
    }
}

TEST(UnZooFixtures, TestingChecksEveryMemberAndWritesNothing) {
    for (const auto& [name, entries] : ExpectedOf("zoo")) {
        SCOPED_TRACE(name);
        TempFolder out;
        ZooRun run(DataPath("zoo/" + name), out.Path());
        EXPECT_EQ(run.reader.TestFiles(), static_cast<int>(entries.size()));
        EXPECT_TRUE(run.record.errors.empty()) << run.record.Text();
        EXPECT_EQ(out.Count(), 0u);
        EXPECT_EQ(run.record.verdicts.size(), entries.size());
        for (const auto& [file, pass] : run.record.verdicts)
            EXPECT_TRUE(pass) << file;
    }
}

TEST(UnZooFixtures, TheSynthesizedStoredArchive) {
    TempFolder out;
    ZooRun run(DataPath("synth/stored.zoo"), out.Path());
    EXPECT_EQ(run.reader.Extract(), 2);
    EXPECT_TRUE(run.record.errors.empty()) << run.record.Text();
    EXPECT_EQ(FilesBelow(out.Path()), (std::vector<std::string>{"alpha.txt", "beta.txt"}));
}

TEST(UnZooEntries, DeletedEntriesAreLeftOut) {
    TempFolder out;
    ZooRun run(DataPath("zoo/deleted.zoo"), out.Path());
    EXPECT_EQ(run.reader.Extract(), 2);
    EXPECT_EQ(run.begun, (std::vector<std::string>{"alpha.txt", "beta.txt"}));
    EXPECT_EQ(ReadBytes(out.File("alpha.txt")).size(), 54u);
}

TEST(UnZooEntries, AnUnknownMethodLeavesTheExistingFile) {
    TempFolder out;
    WriteText(out.File("alpha.txt"), "kept\n");
    ZooRun run(DataPath("zoo/method3.zoo"), out.Path());
    EXPECT_EQ(run.reader.Extract(), 1);
    EXPECT_EQ(run.record.Count(kMsgUnsupportedMethod), 1) << run.record.Text();
    EXPECT_EQ(run.begun, std::vector<std::string>{"beta.txt"});
    EXPECT_EQ(ReadText(out.File("alpha.txt")), "kept\n");
    EXPECT_EQ(ReadBytes(out.File("beta.txt")).size(), 708u);
}

TEST(UnZooEntries, AChainThatTurnsBackEnds) {
    TempFolder out;
    ZooRun run(DataPath("zoo/cycle.zoo"), out.Path());
    EXPECT_EQ(run.reader.Extract(), 2);
    EXPECT_EQ(run.record.Count(kMsgBadFileHeader), 1) << run.record.Text();
    EXPECT_EQ(run.begun, (std::vector<std::string>{"alpha.txt", "beta.txt"}));
}

// A stored member whose data no longer match its CRC-16 fails: the file of
// that name stays as it was, the other member is written.
TEST(UnZooDamage, AStoredMemberFailingItsCrcLeavesTheExistingFile) {
    auto bytes = FixtureBytes("synth/stored.zoo");
    const std::string text = "Alpha file";
    const auto at = std::search(bytes.begin(), bytes.end(), text.begin(), text.end());
    ASSERT_NE(at, bytes.end());
    at[1] ^= 0x20; // "alpha": the header and the size stay whole
    TempFolder out;
    WriteBytes(out.File("in.zoo"), bytes);
    fs::create_directories(out.File("x"));
    WriteText(out.File("x/alpha.txt"), "kept\n");
    ZooRun run(out.File("in.zoo"), out.File("x"));
    run.reader.ConfirmOverwrites = false;
    run.reader.OverwriteMode = omOverwrite;
    EXPECT_EQ(run.reader.Extract(), 1) << run.record.Text();
    EXPECT_EQ(ReadText(out.File("x/alpha.txt")), "kept\n");
    EXPECT_EQ(ReadBytes(out.File("x/beta.txt")).size(), 708u);
    ASSERT_EQ(run.record.verdicts.size(), 2u);
    EXPECT_FALSE(run.record.verdicts[0].second);
    EXPECT_TRUE(run.record.verdicts[1].second);
    EXPECT_EQ(FilesBelow(out.File("x")), (std::vector<std::string>{"alpha.txt", "beta.txt"}));
}

TEST(UnZooDamage, CutAndFlippedArchivesEndCleanly) {
    for (const char* name : {"lzw.zoo", "lh5.zoo", "deleted.zoo"}) {
        SCOPED_TRACE(name);
        const auto bytes = FixtureBytes(std::string("zoo/") + name);
        TempFolder out;
        for (std::size_t cut = 0; cut < bytes.size(); cut += 1 + bytes.size() / 97) {
            WriteBytes(out.File("in.zoo"),
                       {bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut)});
            ZooRun run(out.File("in.zoo"), out.File("x"));
            run.reader.Extract();
        }
        for (std::size_t at = 0; at < bytes.size(); at += 1 + bytes.size() / 211) {
            auto damaged = bytes;
            damaged[at] ^= 0xA5;
            WriteBytes(out.File("in.zoo"), damaged);
            ZooRun run(out.File("in.zoo"), out.File("x"));
            run.reader.Extract();
            // No member is written past its declared size.
            for (const char* member : {"alpha.txt", "beta.txt", "long.txt"})
                EXPECT_LE(ReadBytes(out.File(std::string("x/") + member)).size(), 100000u);
        }
    }
}

} // namespace
} // namespace sorvane
