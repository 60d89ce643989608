// A member over 4 GiB (ZIP64 sizes): zeros from a sparse file, deflated by
// zip when the test runs, decoded whole and checked against its CRC. Slow:
// it runs apart from the other tests (label slow).
#include "tests/archive/ArchiveTestSupport.h"
#include "tests/archive/zip/UnZipTestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace sorvane {
namespace {

using namespace test;

TEST(UnZipLargeMember, ZerosOverFourGibibytesDecodeWhole) {
    if (std::system("command -v zip > /dev/null 2>&1") != 0) GTEST_SKIP() << "zip is not installed";
    TempFolder work;
    const std::string zeros = work.File("zeros.bin");
    const std::uintmax_t size = (std::uintmax_t{1} << 32) + 12345;
    {
        std::FILE* file = std::fopen(zeros.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        std::fclose(file);
        std::filesystem::resize_file(zeros, size); // sparse: no blocks written
    }
    const std::string command = "cd '" + work.Path() + "' && zip -q -1 big.zip zeros.bin";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::filesystem::remove(zeros);

    ReaderRun run(work.File("big.zip"), work.Path());
    std::int64_t lastFile = -1;
    run.reader->OnProgress = [&](TZipCommon&, std::uint8_t byFile, std::uint8_t) {
        lastFile = byFile;
    };
    // Decoded and checked without writing 4 GiB to the disk.
    EXPECT_EQ(run.reader->TestFiles(), 1);
    EXPECT_TRUE(run.errors.empty()) << run.ErrorText();
    ASSERT_EQ(run.verdicts.size(), 1u);
    EXPECT_TRUE(run.verdicts[0].second);
    EXPECT_EQ(lastFile, 100);
}

} // namespace
} // namespace sorvane
