// Tests of the file services, each in a fresh temporary folder: atomic writes
// (content replaced, no temporary left, errors reported), whole-file reads,
// 64-bit sizes, empty-folder tests, appends and file times as DOS date-times.
#include "platform/Files.h"

#include "platform/Folders.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <ostream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace sorvane {

// Failure messages show date-times as text (the same definition is in DateTimeTest.cpp).
inline void PrintTo(const DateTime& value, std::ostream* out) {
    *out << ToIsoText(value);
}

namespace {

namespace fs = std::filesystem;

// Each test gets its own folder from mkdtemp, removed with all it holds.
class FilesTest : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "sorvane-files-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    std::string PathOf(const std::string& name) const { return (folder_ / name).string(); }

    void Put(const std::string& name, const std::string& content) const {
        std::ofstream out(PathOf(name), std::ios::binary);
        out << content;
        ASSERT_TRUE(out.good());
    }

    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path folder_;
};

// Bytes of every value, NULs and CR LF included, longer than one 64 KiB read.
std::string BinaryContent(std::size_t size) {
    std::string out(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        out[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return out;
}

TEST_F(FilesTest, WriteFileAtomicallyCreatesAndReplaces) {
    const std::string path = PathOf("catalogue.dat");
    const std::vector<std::string> contents = {
        "first version, longer than the next one\r\n",
        "short",
        "",
        BinaryContent(200'000),
        std::string("a\0b", 3),
    };
    for (const std::string& content : contents) {
        SCOPED_TRACE(content.size());
        WriteFileAtomically(path, content);
        EXPECT_EQ(ReadWholeFile(path), content);
        EXPECT_EQ(Entries(), std::vector<std::string>{"catalogue.dat"}) << "temporary left behind";
    }
}

TEST_F(FilesTest, WriteFileAtomicallyGivesTheUsualMode) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    const std::string path = PathOf("settings.ini");
    WriteFileAtomically(path, "x=1\n");
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);
}

TEST_F(FilesTest, WriteFileAtomicallyReportsFailuresAndLeavesNothing) {
    const std::string missing = PathOf("no such folder/catalogue.dat");
    try {
        WriteFileAtomically(missing, "content");
        ADD_FAILURE() << "no exception";
    } catch (const EInOutError& e) {
        EXPECT_NE(std::string(e.what()).find(missing), std::string::npos) << e.what();
    }
    EXPECT_TRUE(Entries().empty());

    // A folder in the way: the rename fails and the temporary is removed.
    fs::create_directory(PathOf("taken"));
    Put("taken/inside.txt", "keep me");
    EXPECT_THROW(WriteFileAtomically(PathOf("taken"), "content"), EInOutError);
    EXPECT_EQ(Entries(), std::vector<std::string>{"taken"});
    EXPECT_EQ(ReadWholeFile(PathOf("taken/inside.txt")), "keep me");
}

TEST_F(FilesTest, RewriteUnderNewNameWritesTheNewFileThenRemovesTheOld) {
    Put("Disk.TCT", "old header\r\n");
    RewriteUnderNewName(PathOf("Disk.TCT"), PathOf("Music.tct"), "new header\r\n");
    EXPECT_EQ(Entries(), std::vector<std::string>{"Music.tct"}) << "old file or temporary left";
    EXPECT_EQ(ReadWholeFile(PathOf("Music.tct")), "new header\r\n");
}

TEST_F(FilesTest, RewriteUnderNewNameNeverReplacesAndLosesNothing) {
    struct Case {
        const char* what;
        std::function<void()> arrange; // puts something in the way of "new.tct"
        std::vector<std::string> after;
    };
    const std::vector<Case> cases = {
        {"a file of the new name",
         [&] { Put("new.tct", "someone else's catalogue"); },
         {"new.tct", "old.tct"}},
        {"an empty folder of the new name",
         [&] { fs::create_directory(PathOf("new.tct")); },
         {"new.tct", "old.tct"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(PathOf("new.tct"));
        Put("old.tct", "old content");
        c.arrange();
        const bool folder = fs::is_directory(PathOf("new.tct"));
        try {
            RewriteUnderNewName(PathOf("old.tct"), PathOf("new.tct"), "new content");
            ADD_FAILURE() << "no exception";
        } catch (const EInOutError& e) {
            EXPECT_NE(std::string(e.what()).find("exists"), std::string::npos) << e.what();
        }
        EXPECT_EQ(Entries(), c.after) << "temporary left behind";
        EXPECT_EQ(ReadWholeFile(PathOf("old.tct")), "old content");
        if (!folder) {
            EXPECT_EQ(ReadWholeFile(PathOf("new.tct")), "someone else's catalogue");
        } else {
            EXPECT_TRUE(fs::is_empty(PathOf("new.tct")));
        }
    }

    // The old file cannot be removed: the new one goes again.
    fs::remove_all(PathOf("new.tct"));
    fs::remove(PathOf("old.tct"));
    EXPECT_THROW(RewriteUnderNewName(PathOf("old.tct"), PathOf("new.tct"), "new content"),
                 EInOutError);
    EXPECT_TRUE(Entries().empty());
}

// Replacing a name: the new file takes the entry; a file already there keeps
// its other names and its bytes under them, and no temporary name is left.
// A folder in the way is never replaced.
TEST_F(FilesTest, ReplaceByRenameReplacesTheEntryAndNothingElse) {
    struct Case {
        const char* what;
        std::function<void()> setUp; // makes what holds "target" before
        bool replaced;
        std::vector<std::string> entries;
    };
    const std::vector<Case> cases = {
        {"a file with a second name",
         [&] {
             Put("target", "old");
             ASSERT_EQ(::link(PathOf("target").c_str(), PathOf("other").c_str()), 0);
         },
         true,
         {"other", "target"}},
        {"nothing", [] {}, true, {"target"}},
        {"a folder", [&] { fs::create_directory(PathOf("target")); }, false, {"new", "target"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const std::string& name : Entries())
            fs::remove_all(PathOf(name));
        c.setUp();
        Put("new", "new bytes");
        std::string reason;
        EXPECT_EQ(ReplaceByRename(PathOf("new"), PathOf("target"), reason), c.replaced) << reason;
        EXPECT_EQ(Entries(), c.entries);
        if (c.replaced) {
            EXPECT_EQ(ReadWholeFile(PathOf("target")), "new bytes");
        }
        if (fs::exists(PathOf("other"))) {
            EXPECT_EQ(ReadWholeFile(PathOf("other")), "old");
        }
    }
}

TEST_F(FilesTest, ReadWholeFileReadsEveryByte) {
    const std::string content = BinaryContent(300'001);
    Put("data.bin", content);
    EXPECT_EQ(ReadWholeFile(PathOf("data.bin")), content);
    Put("empty.bin", "");
    EXPECT_EQ(ReadWholeFile(PathOf("empty.bin")), "");
    EXPECT_THROW(ReadWholeFile(PathOf("missing.bin")), EInOutError);
}

// A FIFO, a link to a device and a folder are refused at once, by both reads,
// naming the file: nothing blocks in open and nothing reads without end.
TEST_F(FilesTest, ReadWholeFileRefusesWhatIsNotARegularFile) {
    ASSERT_EQ(::mkfifo(PathOf("Fifo.tct").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", PathOf("Zero.tct"));
    fs::create_directory(PathOf("Folder.tct"));
    for (const char* name : {"Fifo.tct", "Zero.tct", "Folder.tct"}) {
        SCOPED_TRACE(name);
        const std::string path = PathOf(name);
        for (int variant = 0; variant < 2; ++variant) {
            try {
                if (variant == 0) {
                    ReadWholeFile(path);
                } else {
                    PageBuffer bytes;
                    ReadWholeFile(path, bytes);
                }
                ADD_FAILURE() << "no error";
            } catch (const EInOutError& e) {
                EXPECT_EQ(std::string(e.what()),
                          "Cannot open \"" + path + "\": not a regular file");
            }
        }
    }
    // The chunked read takes every byte of a regular file, and no more room than it holds.
    const std::string content = BinaryContent(700'000);
    Put("data.bin", content);
    PageBuffer bytes;
    std::size_t calls = 0;
    ReadWholeFile(PathOf("data.bin"), bytes, [&](std::size_t) { ++calls; });
    EXPECT_EQ(std::string(bytes.data(), bytes.size()), content);
    EXPECT_EQ(calls, 3u);
}

// The kernel's files give a size of 0 and are read whole all the same.
TEST(KernelFileTest, ReadsWhatTheKernelGives) {
    const std::string mounts = ReadKernelFile("/proc/self/mountinfo");
    EXPECT_NE(mounts.find(" / "), std::string::npos);
    EXPECT_THROW(ReadKernelFile("/proc/self/no-such-file"), EInOutError);
}

TEST_F(FilesTest, ReadFileSizeIsTheWhole64BitSize) {
    Put("three.txt", "abc");
    EXPECT_EQ(ReadFileSize(PathOf("three.txt")), 3u);
    Put("empty.txt", "");
    EXPECT_EQ(ReadFileSize(PathOf("empty.txt")), 0u);
    EXPECT_EQ(ReadFileSize(PathOf("missing.txt")), 0u);

    // A sparse file above 4 GiB: the high bits must not be lost.
    constexpr std::uint64_t kLarge = 5'000'000'007;
    Put("large.bin", "");
    ASSERT_EQ(::truncate(PathOf("large.bin").c_str(), static_cast<off_t>(kLarge)), 0);
    EXPECT_EQ(ReadFileSize(PathOf("large.bin")), kLarge);
}

TEST_F(FilesTest, IsFolderEmpty) {
    EXPECT_TRUE(IsFolderEmpty(folder_.string()));
    EXPECT_TRUE(IsFolderEmpty(PathOf("missing")));

    Put(".hidden", "");
    EXPECT_FALSE(IsFolderEmpty(folder_.string()));
    fs::remove(PathOf(".hidden"));
    EXPECT_TRUE(IsFolderEmpty(folder_.string()));

    fs::create_directory(PathOf("sub"));
    EXPECT_FALSE(IsFolderEmpty(folder_.string()));
    EXPECT_TRUE(IsFolderEmpty(PathOf("sub")));
    Put("sub/file.txt", "x");
    EXPECT_FALSE(IsFolderEmpty(PathOf("sub")));
}

TEST_F(FilesTest, AppendFileCreatesOrAppends) {
    const std::string big = BinaryContent(150'000);
    Put("part1", "head\r\n");
    Put("part2", big);
    Put("nothing", "");

    AppendFile(PathOf("part1"), PathOf("joined"));
    EXPECT_EQ(ReadWholeFile(PathOf("joined")), "head\r\n");
    AppendFile(PathOf("part2"), PathOf("joined"));
    AppendFile(PathOf("nothing"), PathOf("joined"));
    AppendFile(PathOf("part1"), PathOf("joined"));
    EXPECT_EQ(ReadWholeFile(PathOf("joined")), "head\r\n" + big + "head\r\n");
    EXPECT_EQ(ReadWholeFile(PathOf("part1")), "head\r\n") << "source changed";

    AppendFile(PathOf("nothing"), PathOf("created empty"));
    EXPECT_EQ(ReadFileSize(PathOf("created empty")), 0u);
    EXPECT_TRUE(fs::exists(PathOf("created empty")));
}

TEST_F(FilesTest, AppendFileReportsFailures) {
    EXPECT_THROW(AppendFile(PathOf("missing"), PathOf("destination")), EInOutError);
    EXPECT_FALSE(fs::exists(PathOf("destination"))) << "destination made for a missing source";

    Put("source", "abc");
    EXPECT_THROW(AppendFile(PathOf("source"), PathOf("no folder/destination")), EInOutError);
}

// A full file system is reported naming the file written and the reason.
TEST_F(FilesTest, AppendFileToAFullDeviceNamesItAndTheReason) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
    Put("source", "abc");
    try {
        AppendFile(PathOf("source"), "/dev/full");
        FAIL() << "a write to a full device passed";
    } catch (const EInOutError& e) {
        EXPECT_NE(std::string(e.what()).find("\"/dev/full\""), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find(std::strerror(ENOSPC)), std::string::npos) << e.what();
    }
}

// File times are read in the local zone; pin it to UTC, as ctest does.
class FileTimeTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        ::setenv("TZ", "UTC", 1);
        ::tzset();
    }
};

TEST_F(FileTimeTest, LocalDateTimeWithDosPrecision) {
    struct Case {
        std::int64_t seconds;
        std::optional<DateTime> value;
    };
    const std::vector<Case> cases = {
        {315'532'800, DateTime{1980, 1, 1, 0, 0, 0}},
        {315'532'801, DateTime{1980, 1, 1, 0, 0, 0}}, // odd seconds round down
        {951'827'696, DateTime{2000, 2, 29, 12, 34, 56}},
        {951'827'697, DateTime{2000, 2, 29, 12, 34, 56}},
        {4'354'819'199, DateTime{2107, 12, 31, 23, 59, 58}},
        {315'532'799, std::nullopt}, // 1979-12-31 23:59:59
        {0, std::nullopt},
        {-1, std::nullopt},
        {4'354'819'200, std::nullopt}, // 2108-01-01 00:00:00
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seconds);
        EXPECT_EQ(FileTimeToLocalDateTime(c.seconds), c.value);
    }
}

} // namespace
} // namespace sorvane
