// Every ARC and PAK fixture extracted by the reader, each file compared byte
// for byte (SHA-256) and with its date against what nomarch, arc or unar
// extracted when the fixture was made; the same fixtures tested without
// writing; folders, repeated runs, and the listing of method-1 headers.
#include "archive/arxArxon.h"
#include "tests/archive/ArchiveTestSupport.h"
#include "tests/archive/arc/ArcTestSupport.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

namespace sorvane {
namespace {

using namespace test;

// Members the reader refuses (PAK's distilled method) in each fixture.
int Refused(const std::string& fixture) {
    return fixture.find(".pak") != std::string::npos ? 1 : 0;
}

TEST(ArcFixtures, EveryFixtureExtractsAsTheReferenceTools) {
    const auto expected = ExpectedArcExtractions();
    ASSERT_GE(expected.size(), 18u);
    for (const auto& [name, files] : expected) {
        SCOPED_TRACE(name);
        TempFolder out;
        ArcRun run(DataPath(name), out.Path());
        EXPECT_EQ(run.reader->Extract(), static_cast<int>(files.size()));
        EXPECT_EQ(run.Count(kMsgUnsupportedMethod), Refused(name)) << run.ErrorText();
        EXPECT_EQ(static_cast<int>(run.errors.size()), Refused(name)) << run.ErrorText();
        std::vector<std::string> wanted;
        for (const ExpectedFile& file : files) {
            SCOPED_TRACE(file.path);
            wanted.push_back(file.path);
            const std::string path = out.File(file.path);
            const auto bytes = ReadBytes(path);
            EXPECT_EQ(bytes.size(), file.size);
            EXPECT_EQ(Sha256Hex(bytes), file.sha256);
            EXPECT_EQ(ModifiedText(path), file.modified);
        }
        std::sort(wanted.begin(), wanted.end());
        EXPECT_EQ(FilesBelow(out.Path()), wanted);
    }
}

TEST(ArcFixtures, TestingPassesEveryMemberAndWritesNothing) {
    for (const auto& [name, files] : ExpectedArcExtractions()) {
        SCOPED_TRACE(name);
        TempFolder out;
        ArcRun run(DataPath(name), out.Path());
        EXPECT_EQ(run.reader->TestFiles(), static_cast<int>(files.size()));
        EXPECT_EQ(static_cast<int>(run.errors.size()), Refused(name)) << run.ErrorText();
        EXPECT_EQ(out.Count(), 0u);
        EXPECT_EQ(run.verdicts.size(), files.size());
        for (const auto& verdict : run.verdicts)
            EXPECT_TRUE(verdict.second) << verdict.first;
    }
}

// Each member carries the folders around it: a folder's end closes that
// folder only, the members after it are found, and a second run with the
// same reader starts again at the top.
TEST(ArcFixtures, FoldersNameEachMemberAndResetEveryRun) {
    TempFolder out;
    ArcRun run(DataPath("arc/folders.arc"), out.Path());
    std::vector<std::string> begun;
    run.reader->OnBegin = [&](TZipCommon&, const std::string& name, int, bool&) {
        begun.push_back(name.substr(out.Path().size() + 1));
    };
    run.reader->OverwriteMode = omOverwrite;
    run.reader->ConfirmOverwrites = false;
    const std::vector<std::string> names{"SUB/X.TXT", "SUB/DEEP/Y.TXT", "TOP.TXT"};
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass);
        begun.clear();
        EXPECT_EQ(run.reader->Extract(), 3);
        EXPECT_EQ(begun, names);
        EXPECT_TRUE(run.errors.empty()) << run.ErrorText();
    }
    EXPECT_TRUE(std::filesystem::is_directory(out.File("SUB/DEEP")));
    // Testing names the stored paths.
    run.reader->OnBegin = nullptr;
    run.verdicts.clear();
    EXPECT_EQ(run.reader->TestFiles(), 3);
    ASSERT_EQ(run.verdicts.size(), 3u);
    EXPECT_EQ(run.verdicts[1].first, "SUB\\DEEP\\Y.TXT");
}

// A selection by name reaches members inside folders and after them.
TEST(ArcFixtures, SelectionMatchesFullNames) {
    TempFolder out;
    ArcRun run(DataPath("arc/folders.arc"), out.Path());
    run.reader->FileSpec = {"Y.TXT", "TOP.TXT"};
    EXPECT_EQ(run.reader->Extract(), 2);
    EXPECT_EQ(FilesBelow(out.Path()), (std::vector<std::string>{"SUB/DEEP/Y.TXT", "TOP.TXT"}));
}

// The listing reads method-1 headers as 25 bytes: every member of the
// archive is found with its size, the last one after the old headers too.
TEST(ArcFixtures, ListingReadsOldHeadersAsTwentyFiveBytes) {
    TArxon arx;
    arx.FileSpec = {"*.*"};
    std::vector<std::pair<std::string, std::int64_t>> listed;
    std::vector<int> errors;
    arx.OnRead = [&](TZipCommon& sender, int, int) {
        auto& a = static_cast<TArxon&>(sender);
        listed.emplace_back(a.FileName, a.UnpackedSize);
    };
    arx.OnError = [&](TZipCommon&, const std::string&, const std::string&, const std::string&,
                      int code) { errors.push_back(code); };
    arx.SetArchiveFile(DataPath("arc/old-stored.arc"));
    EXPECT_TRUE(arx.Activate());
    const std::vector<std::pair<std::string, std::int64_t>> wanted{
        {"ALPHA.TXT", 54}, {"BETA.TXT", 708}, {"TINY.TXT", 1}, {"LAST.TXT", 54}};
    EXPECT_EQ(listed, wanted);
    EXPECT_TRUE(errors.empty());
}

} // namespace
} // namespace sorvane
