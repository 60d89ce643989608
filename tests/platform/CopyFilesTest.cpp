// Tests of the collector's copy services, each in a fresh temporary folder:
// copies compared byte for byte (empty, one block, several blocks), the stop
// between blocks, what is refused without being opened (FIFOs, folders, links
// leading out of the folder copied, an existing destination), a write the
// file system refuses part-way (the partial file removed), the free space of
// a path not made yet, and the inside-a-folder test.
#include "platform/CopyFiles.h"

#include "platform/Directory.h"
#include "platform/Files.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

namespace sorvane {
namespace {

namespace fs = std::filesystem;

std::string Random(std::size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(generator());
    return bytes;
}

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Write(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

class CopyFilesTest : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "sorvane-copy-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder_ = fs::canonical(pattern);
        fs::create_directories(folder_ / "src");
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    std::string P(const std::string& relative) const { return (folder_ / relative).string(); }

    fs::path folder_;
};

TEST_F(CopyFilesTest, CopiesEveryByteAndReportsEachBlock) {
    for (const std::size_t size :
         {std::size_t{0}, std::size_t{1}, std::size_t{1} << 20, (std::size_t{3} << 20) + 12345}) {
        SCOPED_TRACE(size);
        const std::string bytes = Random(size, static_cast<unsigned>(size));
        Write(P("src/f.bin"), bytes);
        std::vector<std::uint64_t> seen;
        const CopyResult result = CopyRegularFile(P("src/f.bin"), P("out.bin"), P("src"),
                                                  [&](std::uint64_t copied, std::uint64_t total) {
                                                      EXPECT_EQ(total, size);
                                                      seen.push_back(copied);
                                                      return true;
                                                  });
        EXPECT_FALSE(result.stopped);
        EXPECT_EQ(result.size, size);
        EXPECT_EQ(result.copied, size);
        EXPECT_EQ(Read(P("out.bin")), bytes);
        if (size > 0) {
            ASSERT_FALSE(seen.empty());
            EXPECT_EQ(seen.back(), size);
            EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
        }
        fs::remove(P("out.bin"));
    }
}

// A stopped copy leaves no file that looks whole and is not: the part written goes.
TEST_F(CopyFilesTest, StopRemovesThePartialFile) {
    Write(P("src/big.bin"), Random(4u << 20, 7));
    const CopyResult result = CopyRegularFile(P("src/big.bin"), P("out.bin"), "",
                                              [](std::uint64_t, std::uint64_t) { return false; });
    EXPECT_TRUE(result.stopped);
    EXPECT_LT(result.copied, result.size);
    EXPECT_FALSE(PathPresent(P("out.bin")));
    fs::create_directories(P("dest"));
    const TCopyFolder folder(P("dest"));
    EXPECT_TRUE(
        CopyRegularFile(P("src/big.bin"), folder, "big.bin", "", [](std::uint64_t, std::uint64_t) {
            return false;
        }).stopped);
    EXPECT_TRUE(fs::is_empty(P("dest")));
}

// Folders of the destination are made and entered from the chosen one without
// following a link: "dest/docs -> ../victim" is refused, and nothing lands in
// the victim, one level down neither.
TEST_F(CopyFilesTest, DestinationFoldersNeverFollowALink) {
    Write(P("src/a.txt"), "data");
    fs::create_directories(P("dest/real"));
    fs::create_directories(P("victim/inner"));
    fs::create_directory_symlink("../victim", P("dest/docs"));
    Write(P("dest/file"), "a file in the way");
    const TCopyFolder dest(P("dest"));
    EXPECT_EQ(dest.Path(), P("dest") + "/");
    try {
        dest.Enter("docs");
        ADD_FAILURE() << "no error";
    } catch (const ELinkInTheWay& e) {
        EXPECT_NE(std::string(e.what()).find(P("dest") + "/docs"), std::string::npos) << e.what();
    }
    EXPECT_THROW(dest.Enter("file"), EInOutError);
    EXPECT_THROW(dest.Enter(".."), EInOutError);
    // A folder made new, one that is there, and a file copied into each.
    const TCopyFolder made = dest.Enter("new");
    EXPECT_EQ(made.Path(), P("dest/new") + "/");
    const TCopyFolder deeper = made.Enter("deeper");
    CopyRegularFile(P("src/a.txt"), deeper, "a.txt", "");
    CopyRegularFile(P("src/a.txt"), dest.Enter("real"), "a.txt", "");
    EXPECT_EQ(Read(P("dest/new/deeper/a.txt")), "data");
    EXPECT_EQ(Read(P("dest/real/a.txt")), "data");
    EXPECT_TRUE(deeper.Holds("a.txt"));
    EXPECT_FALSE(deeper.Holds("b.txt"));
    // A link as the file's own name is never written through either.
    fs::create_symlink(P("victim/inner/x.txt"), P("dest/real/x.txt"));
    EXPECT_TRUE(dest.Enter("real").Holds("x.txt"));
    EXPECT_THROW(CopyRegularFile(P("src/a.txt"), dest.Enter("real"), "x.txt", ""), EInOutError);
    EXPECT_TRUE(fs::is_empty(P("victim/inner")));
    EXPECT_EQ(std::distance(fs::directory_iterator(P("victim")), fs::directory_iterator()), 1);
}

TEST_F(CopyFilesTest, RefusesWhatIsNoRegularFileWithoutOpeningIt) {
    ASSERT_EQ(::mkfifo(P("src/pipe").c_str(), 0600), 0);
    fs::create_directories(P("src/dir"));
    Write(P("src/a.txt"), "inside");
    Write(P("secret.txt"), "outside");
    fs::create_symlink(P("src/a.txt"), P("src/in-link"));
    fs::create_symlink("../secret.txt", P("src/out-link"));
    fs::create_symlink(P("src/dir"), P("src/dir-link"));
    fs::create_symlink(P("src/none"), P("src/broken"));
    for (const char* name : {"pipe", "dir", "out-link", "dir-link", "broken", "missing"}) {
        SCOPED_TRACE(name);
        // A FIFO opened for reading would wait here for a writer.
        EXPECT_THROW(CopyRegularFile(P(std::string("src/") + name), P("out"), P("src")),
                     EInOutError);
        EXPECT_FALSE(PathPresent(P("out")));
    }
    // A link inside the folder copied is copied as the file it leads to.
    CopyRegularFile(P("src/in-link"), P("out"), P("src"));
    EXPECT_EQ(Read(P("out")), "inside");
    EXPECT_FALSE(fs::is_symlink(P("out")));
    // With no folder to keep to, any link to a file is followed.
    CopyRegularFile(P("src/out-link"), P("out2"), "");
    EXPECT_EQ(Read(P("out2")), "outside");
}

TEST_F(CopyFilesTest, NeverReplacesNorWritesThroughALink) {
    Write(P("src/a.txt"), "new");
    Write(P("kept.txt"), "old");
    fs::create_symlink(P("kept.txt"), P("link.txt"));
    for (const char* target : {"kept.txt", "link.txt"}) {
        SCOPED_TRACE(target);
        EXPECT_THROW(CopyRegularFile(P("src/a.txt"), P(target), ""), EInOutError);
        EXPECT_EQ(Read(P("kept.txt")), "old");
    }
    EXPECT_THROW(CopyRegularFile(P("src/a.txt"), P("no/such/folder/a.txt"), ""), EInOutError);
}

// The size limit of a process: writes beyond it fail part-way as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }

private:
    rlimit saved_{};
    void (*previous_)(int) = SIG_DFL;
};

TEST_F(CopyFilesTest, AWriteThatFailsPartWayRaisesAndRemovesThePartialFile) {
    for (const std::size_t size : {std::size_t{300'000}, (std::size_t{2} << 20) + 1}) {
        SCOPED_TRACE(size);
        Write(P("src/big.bin"), Random(size, 3));
        bool raised = false;
        {
            const FileSizeLimit limit(100'000);
            try {
                CopyRegularFile(P("src/big.bin"), P("out.bin"), "");
            } catch (const EInOutError& error) {
                raised = true;
                EXPECT_NE(std::string(error.what()).find("out.bin"), std::string::npos);
            }
        }
        EXPECT_TRUE(raised);
        EXPECT_FALSE(PathPresent(P("out.bin")));
    }
}

TEST_F(CopyFilesTest, AReadErrorRaisesAndRemovesThePartialFile) {
    // A regular file of the kernel whose first read fails with EIO.
    if (!PathPresent("/proc/self/mem")) GTEST_SKIP() << "no /proc/self/mem";
    EXPECT_THROW(CopyRegularFile("/proc/self/mem", P("out.bin"), ""), EInOutError);
    EXPECT_FALSE(PathPresent(P("out.bin")));
}

TEST_F(CopyFilesTest, FreeSpaceIsMeasuredOnTheNearestExistingFolder) {
    struct statvfs facts {};
    ASSERT_EQ(::statvfs(folder_.c_str(), &facts), 0);
    const auto expected = static_cast<std::int64_t>(facts.f_bavail * facts.f_frsize);
    // Other writers on the same disk may move the figure a little between the calls.
    const std::int64_t deep = FreeBytesNear(P("not/made/yet/"));
    EXPECT_NEAR(static_cast<double>(deep), static_cast<double>(expected), 64.0 * 1024 * 1024);
    Write(P("file"), "x");
    EXPECT_GT(FreeBytesNear(P("file/below")), 0);
    EXPECT_EQ(FreeBytesNear("relative/path"), -1);
    EXPECT_EQ(FreeBytesNear(""), -1);
}

TEST_F(CopyFilesTest, TellsAFolderInsideAnother) {
    fs::create_directories(P("src/sub"));
    fs::create_directory_symlink(P("src"), P("alias"));
    struct Case {
        const char* inner;
        const char* outer;
        bool inside;
    } const cases[] = {
        {"src", "src", true},       {"src/sub", "src", true},    {"src/new/deeper/", "src", true},
        {"alias/new", "src", true}, {"srcx/new", "src", false},  {"other", "src", false},
        {"src", "src/sub", false},  {"src/a", "missing", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FolderInside(P(c.inner), P(c.outer)), c.inside) << c.inner << " in " << c.outer;
}

} // namespace
} // namespace sorvane
