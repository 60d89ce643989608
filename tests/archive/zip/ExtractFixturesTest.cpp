// Every ZIP and JAR fixture extracted by the reader, each file compared byte
// for byte (SHA-256), with its date and read-only attribute, against what
// unzip or 7zz extracted when the fixture was made; the same fixtures tested
// without writing.
#include "tests/archive/ArchiveTestSupport.h"
#include "tests/archive/zip/UnZipTestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace sorvane {
namespace {

using namespace test;

std::string FixturePath(const std::string& name) {
    return DataPath("zip/" + name);
}

bool IsJarName(const std::string& name) {
    return name.size() > 4 && name.substr(name.size() - 4) == ".jar";
}

TEST(UnZipFixtures, EveryFixtureExtractsAsTheReferenceTools) {
    const auto expected = ExpectedExtractions();
    ASSERT_GE(expected.size(), 18u);
    for (const auto& [name, files] : expected) {
        SCOPED_TRACE(name);
        TempFolder out;
        ReaderRun run(FixturePath(name), out.Path(), IsJarName(name));
        EXPECT_EQ(run.reader->Extract(), static_cast<int>(files.size()));
        EXPECT_TRUE(run.errors.empty()) << run.ErrorText();
        std::vector<std::string> wanted;
        for (const ExpectedFile& file : files) {
            SCOPED_TRACE(file.path);
            wanted.push_back(file.path);
            const std::string path = out.File(file.path);
            const auto bytes = ReadBytes(path);
            EXPECT_EQ(bytes.size(), file.size);
            EXPECT_EQ(Sha256Hex(bytes), file.sha256);
            EXPECT_EQ(ModifiedText(path), file.modified);
            EXPECT_EQ(IsReadOnly(path), file.readOnly);
        }
        std::sort(wanted.begin(), wanted.end());
        EXPECT_EQ(FilesBelow(out.Path()), wanted);
    }
}

TEST(UnZipFixtures, TestingCountsEveryMemberAndWritesNothing) {
    for (const auto& [name, files] : ExpectedExtractions()) {
        SCOPED_TRACE(name);
        TempFolder out;
        ReaderRun run(FixturePath(name), out.Path(), IsJarName(name));
        EXPECT_EQ(run.reader->TestFiles(), static_cast<int>(files.size()));
        EXPECT_TRUE(run.errors.empty()) << run.ErrorText();
        EXPECT_EQ(out.Count(), 0u);
        for (const auto& verdict : run.verdicts)
            if (verdict.first.empty() || verdict.first.back() != '\\') {
                EXPECT_TRUE(verdict.second) << verdict.first;
            }
    }
}

} // namespace
} // namespace sorvane
