// The file published whole under faults: its hidden temporary form, a stale
// temporary of the same file removed at the next save, a full disk, a failed
// flush or rename (each naming the real file with the system's reason and
// leaving the earlier file as it was), and the folder flushed after the rename.
#include "platform/AtomicFile.h"

#include "platform/Files.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace sorvane {
namespace {

namespace fs = std::filesystem;

// The calls in force for one test, with the real ones back at its end.
class FakeCalls {
public:
    FakeCalls() : saved_(AtomicFileSystemCalls()) {}
    ~FakeCalls() { AtomicFileSystemCalls() = saved_; }

private:
    AtomicFileCalls saved_;
};

// What the fake calls saw.
struct Seen {
    std::vector<std::string> steps; // "fsync file", "rename", "fsync folder"
    int failWith = 0;               // the errno of the failing call
    std::string failing;            // "fsync" or "rename"
};
Seen* seen = nullptr;

int WatchedFsync(int fd) {
    struct stat info {};
    ::fstat(fd, &info);
    seen->steps.push_back(S_ISDIR(info.st_mode) ? "fsync folder" : "fsync file");
    if (seen->failing == "fsync" && !S_ISDIR(info.st_mode)) {
        errno = seen->failWith;
        return -1;
    }
    return ::fsync(fd);
}

int WatchedRename(const char* from, const char* to) {
    seen->steps.push_back("rename");
    if (seen->failing == "rename") {
        errno = seen->failWith;
        return -1;
    }
    return ::rename(from, to);
}

class AtomicFileTest : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "sorvane-atomic-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
        seen = &seen_;
        AtomicFileSystemCalls().fsync = WatchedFsync;
        AtomicFileSystemCalls().rename = WatchedRename;
    }
    void TearDown() override {
        seen = nullptr;
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    std::string PathOf(const std::string& name) const { return (folder_ / name).string(); }
    void Put(const std::string& name, const std::string& content) const {
        std::ofstream(PathOf(name), std::ios::binary) << content;
    }
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    FakeCalls calls_;
    Seen seen_;
    fs::path folder_;
};

TEST_F(AtomicFileTest, TheTemporaryIsHiddenAndNamedForItsFile) {
    TAtomicFile file(PathOf("Disco.tct"));
    const std::string temp = fs::path(file.TempPath()).filename().string();
    EXPECT_TRUE(temp.starts_with(".Disco.tct.sorvane-")) << temp;
    EXPECT_EQ(temp.size(), std::string(".Disco.tct.sorvane-").size() + 6);
    EXPECT_EQ(file.TempPath(), PathOf(temp));
    EXPECT_EQ(TAtomicFile::TemporaryPrefix(PathOf("Disco.tct")), PathOf(".Disco.tct.sorvane-"));
    EXPECT_EQ(TAtomicFile::TemporaryPrefix("sorvane.ini"), ".sorvane.ini.sorvane-");
    EXPECT_EQ(Entries(), std::vector<std::string>{temp});
}

// A save killed between its write and its rename leaves its temporary; the next
// save of the same file removes it, and nobody else's file.
TEST_F(AtomicFileTest, AStaleTemporaryOfTheSameFileGoesAtItsNextSave) {
    Put("Disco.tct", "old");
    Put(".Disco.tct.sorvane-Ab12Cd", "a full copy left by a killed save");
    Put(".Other.tct.sorvane-Ab12Cd", "another file's");
    Put(".Disco.tct.sorvane-long-name", "not of our form");
    Put("Disco.tct.Ab12Cd", "not hidden");
    WriteFileAtomically(PathOf("Disco.tct"), "new");
    EXPECT_EQ(Entries(),
              (std::vector<std::string>{".Disco.tct.sorvane-long-name", ".Other.tct.sorvane-Ab12Cd",
                                        "Disco.tct", "Disco.tct.Ab12Cd"}));
    EXPECT_EQ(ReadWholeFile(PathOf("Disco.tct")), "new");
}

TEST_F(AtomicFileTest, TheFolderIsFlushedAfterTheRename) {
    WriteFileAtomically(PathOf("sorvane.ini"), "x=1\n");
    EXPECT_EQ(seen_.steps, (std::vector<std::string>{"fsync file", "rename", "fsync folder"}));
    seen_.steps.clear();
    Put("old.tct", "old");
    RewriteUnderNewName(PathOf("old.tct"), PathOf("new.tct"), "new");
    EXPECT_EQ(seen_.steps, (std::vector<std::string>{"fsync file", "fsync folder"}));
    EXPECT_EQ(Entries(), (std::vector<std::string>{"new.tct", "sorvane.ini"}));
}

// Every fault: the message names the real file and gives the system's reason,
// the earlier file keeps its bytes and no temporary is left.
TEST_F(AtomicFileTest, AFaultLeavesTheEarlierFileAndNamesTheRealOne) {
    struct Case {
        const char* what;
        const char* failing;
        int error;
        rlim_t sizeLimit; // RLIM_INFINITY for none
    };
    const Case cases[] = {
        {"full disk", "", EFBIG, 64},
        {"failed flush", "fsync", EIO, RLIM_INFINITY},
        {"failed rename", "rename", EXDEV, RLIM_INFINITY},
    };
    const std::string earlier = "the earlier catalogue\r\n";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Put("Disco.tct", earlier);
        seen_.failing = c.failing;
        seen_.failWith = c.error;
        const auto previous = std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit limit = saved;
        limit.rlim_cur = c.sizeLimit;
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
        std::string message;
        try {
            WriteFileAtomically(PathOf("Disco.tct"), std::string(1000, 'x'));
        } catch (const EInOutError& e) {
            message = e.what();
        }
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);
        EXPECT_NE(message.find("\"" + PathOf("Disco.tct") + "\": " + std::strerror(c.error)),
                  std::string::npos)
            << message;
        EXPECT_EQ(message.find(".sorvane-"), std::string::npos) << message;
        EXPECT_EQ(ReadWholeFile(PathOf("Disco.tct")), earlier);
        EXPECT_EQ(Entries(), std::vector<std::string>{"Disco.tct"});
    }
}

} // namespace
} // namespace sorvane
