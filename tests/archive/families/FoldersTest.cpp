// Folder members through every family's reader: a folder is made only when a
// member is written into it or the archive stores it empty, and a folder
// member's folder gets its stored time after its contents are written.
#include "tests/archive/ArchiveTestSupport.h"
#include "tests/archive/families/FamilyTestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace sorvane::test {
namespace {

namespace fs = std::filesystem;

// Every folder below `root`, relative, "/" separators, sorted.
std::vector<std::string> FoldersBelow(const std::string& root) {
    std::vector<std::string> folders;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_directory() && !entry.is_symlink())
            folders.push_back(fs::relative(entry.path(), root).generic_string());
    std::sort(folders.begin(), folders.end());
    return folders;
}

std::int64_t ModifiedSeconds(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? static_cast<std::int64_t>(info.st_mtime) : -1;
}

// 2021-03-04 05:06:08, the time of every member of these fixtures (in UTC).
constexpr std::int64_t kStored = 1614834368;

struct FolderCase {
    const char* fixture;
    std::vector<std::string> folders; // the folders its members make
    std::vector<std::string> dated;   // those its folder members date
    std::vector<std::string> empty;   // those stored empty
};

const FolderCase kFolderCases[] = {
    {"zip/folders.zip", {"docs", "docs/sub"}, {"docs", "docs/sub"}, {}},
    {"arj/dirs.arj", {"docs", "docs/sub", "empty"}, {"docs", "docs/sub", "empty"}, {"empty"}},
    {"lha/level1-folders.lzh", {"docs", "docs/sub"}, {"docs", "docs/sub"}, {}},
    {"lha/level2-folders.lzh", {"docs", "docs/sub"}, {"docs", "docs/sub"}, {}},
    {"tar/ustar.tar", {"docs", "docs/sub"}, {"docs/sub"}, {}},
};

class FamilyFolders : public FamilyTest {};

TEST_F(FamilyFolders, FolderMembersGetTheirTimeAfterTheirContents) {
    const ZoneScope utc("UTC");
    for (const FolderCase& c : kFolderCases) {
        SCOPED_TRACE(c.fixture);
        TempFolder out;
        FamilyRun run(DataPath(c.fixture), out.Path());
        ASSERT_TRUE(run.reader);
        run.reader->Extract();
        EXPECT_TRUE(run.errors.empty()) << run.Text();
        EXPECT_EQ(FoldersBelow(out.Path()), c.folders);
        for (const std::string& folder : c.dated)
            EXPECT_EQ(ModifiedSeconds(out.File(folder)), kStored) << folder;
    }
}

// Every file member declined: no folder appears but those stored empty.
TEST_F(FamilyFolders, DeclinedMembersLeaveNoFolders) {
    for (const FolderCase& c : kFolderCases) {
        SCOPED_TRACE(c.fixture);
        TempFolder out;
        FamilyRun run(DataPath(c.fixture), out.Path());
        ASSERT_TRUE(run.reader);
        int asked = 0;
        run.reader->OnBegin = [&](TZipCommon&, const std::string&, int, bool& extract) {
            ++asked;
            extract = false;
        };
        EXPECT_EQ(run.reader->Extract(), 0) << run.Text();
        EXPECT_GT(asked, 0);
        EXPECT_EQ(FoldersBelow(out.Path()), c.empty);
    }
}

} // namespace
} // namespace sorvane::test
