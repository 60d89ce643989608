// Members of 4 GiB and more: a gzip member of 5 GiB of zeros made by gzip
// when the test runs, and the pax member of 9,000,000,000 bytes rebuilt
// around a hole; both read whole without writing them to the disk. Slow:
// they run apart from the other tests (label slow).
#include "tests/archive/ArchiveTestSupport.h"
#include "tests/archive/tar/UnTarGzTestSupport.h"
#include "tests/archive/zip/UnZipTestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace sorvane {
namespace {

using namespace test;
namespace fs = std::filesystem;

TEST(UnGZipLarge, FiveGibibytesOfZerosDecodeWhole) {
    if (std::system("command -v gzip > /dev/null 2>&1") != 0) GTEST_SKIP() << "no gzip";
    TempFolder work;
    const std::string command =
        "head -c 5368709120 /dev/zero | gzip -1 > '" + work.File("zeros.gz") + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    TarGzRun run(work.File("zeros.gz"), work.Path());
    EXPECT_EQ(run.reader->TestFiles(), 1);
    EXPECT_TRUE(run.errors.empty()) << run.ErrorText();
    ASSERT_EQ(run.verdicts.size(), 1u);
    EXPECT_TRUE(run.verdicts[0].second);
}

TEST(UnTarLarge, AMemberOfNineGigabytesIsSteppedOverAndTested) {
    TempFolder work;
    const std::string archive = work.File("pax-large.tar");
    {
        std::ofstream out(archive, std::ios::binary);
        const std::vector<std::uint8_t> head = FixtureBytes("tar/pax-large.tar.head");
        out.write(reinterpret_cast<const char*>(head.data()),
                  static_cast<std::streamsize>(head.size()));
    }
    fs::resize_file(archive, 1536 + 9000000000ull); // the data: a hole of zeros
    {
        std::ofstream out(archive, std::ios::binary | std::ios::app);
        const std::vector<std::uint8_t> tail = FixtureBytes("tar/pax-large.tar.tail");
        out.write(reinterpret_cast<const char*>(tail.data()),
                  static_cast<std::streamsize>(tail.size()));
    }
    const std::string out = work.File("out");
    fs::create_directories(out);
    // The member after it is found and extracted.
    TarGzRun after(archive, out);
    after.reader->FileSpec = {"after.txt"};
    EXPECT_EQ(after.reader->Extract(), 1) << after.ErrorText();
    EXPECT_EQ(ReadText(out + "/after.txt"), "After the large member.\n");
    // The large one is read whole.
    TarGzRun tested(archive, out);
    EXPECT_EQ(tested.reader->TestFiles(), 2) << tested.ErrorText();
    EXPECT_TRUE(tested.errors.empty()) << tested.ErrorText();
}

} // namespace
} // namespace sorvane
