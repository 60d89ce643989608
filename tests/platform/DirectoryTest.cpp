// Tests of the one folder listing (its orders, the stop at the first entry, a
// folder given by its descriptor, the system's reason when a folder cannot be
// listed) and of the existence tests, each in a fresh temporary folder.
#include "platform/Directory.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace sorvane {
namespace {

namespace fs = std::filesystem;

class DirectoryTest : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "sorvane-directory-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder_ = fs::canonical(pattern);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    std::string P(const std::string& relative) const { return (folder_ / relative).string(); }
    void Put(const std::string& relative) const { std::ofstream(P(relative)) << "x"; }

    // "src": a folder, a file, a hidden file, a link to the folder, a broken link.
    void MakeSource() const {
        fs::create_directories(P("src/b"));
        Put("src/c.txt");
        Put("src/.a");
        fs::create_directory_symlink(P("src/b"), P("src/a-link"));
        fs::create_symlink(P("src/none"), P("src/broken"));
    }

    fs::path folder_;
};

using Listed = std::vector<std::pair<std::string, bool>>;

Listed AsPairs(const std::vector<DirectoryEntry>& entries) {
    Listed pairs;
    for (const DirectoryEntry& entry : entries)
        pairs.emplace_back(entry.name, entry.isDirectory);
    return pairs;
}

// Only a real folder counts as one; a link to a folder does not.
const Listed kSorted = {
    {".a", false}, {"a-link", false}, {"b", true}, {"broken", false}, {"c.txt", false}};

TEST_F(DirectoryTest, ListsSortedOrInTheFileSystemsOrder) {
    MakeSource();
    std::vector<DirectoryEntry> entries;
    std::string error;
    ASSERT_TRUE(ListDirectory(P("src"), entries, error, {.sortByName = true})) << error;
    EXPECT_EQ(AsPairs(entries), kSorted);

    // Unsorted, the same entries come in whatever order the file system keeps.
    ASSERT_TRUE(ListDirectory(P("src"), entries, error));
    Listed unsorted = AsPairs(entries);
    std::sort(unsorted.begin(), unsorted.end());
    EXPECT_EQ(unsorted, kSorted);
    EXPECT_EQ(ListDirectory(P("src")).size(), kSorted.size());

    // The current folder when no folder is named.
    const fs::path before = fs::current_path();
    fs::current_path(P("src"));
    const std::vector<DirectoryEntry> here = ListDirectory("", {.sortByName = true});
    fs::current_path(before);
    EXPECT_EQ(AsPairs(here), kSorted);
}

TEST_F(DirectoryTest, StopsAtTheFirstEntryWhenAsked) {
    fs::create_directories(P("empty"));
    EXPECT_TRUE(ListDirectory(P("empty"), {.firstOnly = true}).empty());
    MakeSource();
    EXPECT_EQ(ListDirectory(P("src"), {.firstOnly = true}).size(), 1u);
}

// A folder open on a descriptor is listed from its start every time, and the
// descriptor stays open for the caller.
TEST_F(DirectoryTest, ListsAFolderOpenOnADescriptor) {
    MakeSource();
    const int fd = ::open(P("src").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    std::vector<DirectoryEntry> entries;
    std::string error;
    for (int time = 0; time < 2; ++time) {
        ASSERT_TRUE(ListDirectory(fd, entries, error, {.sortByName = true})) << error;
        EXPECT_EQ(AsPairs(entries), kSorted);
    }
    EXPECT_EQ(::fcntl(fd, F_GETFD), FD_CLOEXEC);
    ::close(fd);
    EXPECT_FALSE(ListDirectory(-1, entries, error));
    EXPECT_EQ(error, std::strerror(EBADF));
}

// A folder that cannot be listed gives the system's reason, and no entries.
TEST_F(DirectoryTest, GivesTheSystemsReasonWhenAFolderCannotBeListed) {
    Put("file");
    fs::create_directories(P("locked"));
    fs::permissions(P("locked"), fs::perms::none);
    struct Case {
        const char* path;
        int error;
    };
    std::vector<Case> cases = {{"missing", ENOENT}, {"file", ENOTDIR}, {"file/below", ENOTDIR}};
    if (::geteuid() != 0) cases.push_back({"locked", EACCES}); // root reads any folder
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        std::vector<DirectoryEntry> entries = {{"left over", false}};
        std::string error;
        EXPECT_FALSE(ListDirectory(P(c.path), entries, error));
        EXPECT_EQ(error, std::strerror(c.error));
        EXPECT_TRUE(entries.empty());
        EXPECT_TRUE(ListDirectory(P(c.path)).empty());
    }
    fs::permissions(P("locked"), fs::perms::owner_all);
}

TEST_F(DirectoryTest, ExistenceTests) {
    MakeSource();
    fs::create_symlink(P("src/c.txt"), P("src/file-link"));
    struct Case {
        const char* path;
        bool file, folder, present;
    };
    for (const Case& c : std::vector<Case>{
             {"src/c.txt", true, false, true},
             {"src/b", false, true, true},
             {"src/a-link", false, true, true},    // a link followed to its folder
             {"src/file-link", true, false, true}, // and to its file
             {"src/broken", false, false, true},   // a broken link is there all the same
             {"src/missing", false, false, false},
             {"src/c.txt/below", false, false, false},
         }) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(FileExists(P(c.path)), c.file);
        EXPECT_EQ(IsDirectory(P(c.path)), c.folder);
        EXPECT_EQ(PathPresent(P(c.path)), c.present);
    }
    EXPECT_FALSE(PathPresent(""));
    EXPECT_FALSE(FileExists(""));
}

} // namespace
} // namespace sorvane
