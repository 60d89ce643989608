// Tests of the platform's folder creation, temporary files and prompt hook.
#include "platform/Folders.h"
#include "platform/Prompts.h"
#include "tests/archive/ArchiveTestSupport.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace sorvane {
namespace {

using test::TempFolder;
using test::WriteText;

class PlatformFolders : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(base_.empty());
        WriteText(base_ + "/file", "x");
    }
    TempFolder temp_;
    const std::string base_ = temp_.Path();
};

TEST_F(PlatformFolders, CreateFolderPath) {
    struct Case {
        std::string relative;
        bool created;
    };
    const std::vector<Case> cases = {
        {"a/b/c", true},     {"a/b/c", true}, // already there
        {"a//d/", true},                      // repeated and trailing "/"
        {"file/sub", false}, {"file", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.relative);
        EXPECT_EQ(CreateFolderPath(base_ + "/" + c.relative), c.created);
        EXPECT_EQ(fs::is_directory(base_ + "/" + c.relative), c.created);
    }
    EXPECT_FALSE(CreateFolderPath(""));
    EXPECT_TRUE(CreateFolderPath("/"));
}

TEST_F(PlatformFolders, CreateFolderMakesOnlyANewFolder) {
    struct Case {
        std::string relative;
        bool created;
    };
    const std::vector<Case> cases = {
        {"new", true},
        {"new", false},         // there already
        {"file", false},        // a file of that name
        {"missing/sub", false}, // no parent
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.relative);
        EXPECT_EQ(CreateFolder(base_ + "/" + c.relative), c.created);
    }
    EXPECT_FALSE(CreateFolder(""));
    EXPECT_TRUE(fs::is_regular_file(base_ + "/file"));
}

TEST_F(PlatformFolders, RenameNoReplaceNeverReplaces) {
    fs::create_directories(base_ + "/A/inner");
    fs::create_directories(base_ + "/Empty");
    WriteText(base_ + "/other", "y");
    struct Case {
        std::string from, to;
        bool renamed;
    };
    const std::vector<Case> cases = {
        {"A", "Empty", false},     // an empty folder a plain rename would replace
        {"file", "other", false},  // an existing file
        {"A", "A/inner/x", false}, // into itself
        {"missing", "B", false},   {"A", "B", true}, {"file", "B/file2", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.from + " -> " + c.to);
        EXPECT_EQ(RenameNoReplace(base_ + "/" + c.from, base_ + "/" + c.to), c.renamed);
    }
    EXPECT_TRUE(fs::is_directory(base_ + "/Empty"));
    EXPECT_TRUE(fs::is_directory(base_ + "/B/inner"));
    EXPECT_FALSE(fs::exists(base_ + "/A"));
    std::ifstream other(base_ + "/other");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(other), {}), "y");
    EXPECT_TRUE(fs::is_regular_file(base_ + "/B/file2"));
    EXPECT_FALSE(RenameNoReplace("", base_ + "/C"));
}

TEST_F(PlatformFolders, DeleteFileAndRemoveEmptyFolderTakeOnlyTheirOwn) {
    fs::create_directories(base_ + "/Full/inner");
    fs::create_directories(base_ + "/Empty");
    WriteText(base_ + "/Full/kept.txt", "k");
    struct Case {
        std::string relative;
        bool file; // DeleteFile, else RemoveEmptyFolder
        bool removed;
    };
    const std::vector<Case> cases = {
        {"Empty", true, false}, // a folder is no file
        {"file", false, false}, // a file is no folder
        {"Full", false, false}, // a folder that holds something stays whole
        {"missing", true, false}, {"missing", false, false},
        {"file", true, true},     {"Empty", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.relative);
        std::string reason;
        const std::string path = base_ + "/" + c.relative;
        EXPECT_EQ(c.file ? DeleteFile(path, &reason) : RemoveEmptyFolder(path, &reason), c.removed);
        EXPECT_EQ(reason.empty(), c.removed);
        EXPECT_EQ(fs::exists(path), !c.removed && c.relative != "missing");
    }
    EXPECT_TRUE(fs::is_regular_file(base_ + "/Full/kept.txt"));
    EXPECT_TRUE(fs::is_directory(base_ + "/Full/inner"));
    EXPECT_FALSE(DeleteFile(""));
    EXPECT_FALSE(RemoveEmptyFolder(""));
}

TEST_F(PlatformFolders, CreateTempFileIn) {
    std::set<std::string> names;
    for (const std::string& dir : {base_, base_ + "/"}) {
        const std::string path = CreateTempFileIn(dir, "arx");
        ASSERT_FALSE(path.empty());
        EXPECT_EQ(fs::path(path).parent_path(), fs::path(base_));
        EXPECT_TRUE(fs::path(path).filename().string().starts_with("arx"));
        EXPECT_EQ(fs::path(path).filename().string().size(), 9u);
        EXPECT_TRUE(fs::is_regular_file(path));
        EXPECT_EQ(fs::file_size(path), 0u);
        names.insert(path);
    }
    EXPECT_EQ(names.size(), 2u);
    EXPECT_EQ(CreateTempFileIn(base_ + "/missing", "arx"), "");
    EXPECT_EQ(CreateTempFileIn(base_, "../arx"), "");
}

// A name given up is made again; a name taken meanwhile (here by a link
// planted on it) is left alone and a new one made.
TEST_F(PlatformFolders, CreateNewFileInTriesTheGivenNameFirst) {
    std::string path, reason;
    int fd = CreateNewFileIn(base_, ".part", path, reason);
    ASSERT_GE(fd, 0) << reason;
    ::close(fd);
    fs::remove(path);
    const std::string given = path;
    fd = CreateNewFileIn(base_, ".part", path, reason);
    ASSERT_GE(fd, 0) << reason;
    ::close(fd);
    EXPECT_EQ(path, given);

    fs::remove(path);
    fs::create_symlink(base_ + "/file", given);
    fd = CreateNewFileIn(base_, ".part", path, reason);
    ASSERT_GE(fd, 0) << reason;
    ASSERT_EQ(::write(fd, "new", 3), 3);
    ::close(fd);
    EXPECT_NE(path, given);
    EXPECT_TRUE(fs::path(path).filename().string().starts_with(".part"));
    EXPECT_EQ(test::ReadText(base_ + "/file"), "x");

    // A name of another folder or form is not taken up.
    for (const std::string& other :
         {base_ + "/sub/.partABCDEF", base_ + "/.part/../fi", base_ + "/.partABCDEFG"}) {
        path = other;
        fd = CreateNewFileIn(base_, ".part", path, reason);
        ASSERT_GE(fd, 0) << reason;
        ::close(fd);
        EXPECT_EQ(fs::path(path).parent_path(), fs::path(base_)) << other;
        EXPECT_NE(path, other);
    }
}

TEST_F(PlatformFolders, OpenFileFacts) {
    OpenFileFacts facts;
    EXPECT_FALSE(ReadOpenFileFacts(-1, facts));
    const int fd = ::open((base_ + "/file").c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(ReadOpenFileFacts(fd, facts));
    ::close(fd);
    EXPECT_EQ(facts.size, 1);
    EXPECT_GT(facts.modified, 0);
    EXPECT_GT(facts.accessed, 0);
    EXPECT_GT(facts.created, 0);
}

TEST(PlatformPrompts, HookAnswersAndDefaults) {
    const PromptHook previous = SetPromptHook({});
    EXPECT_FALSE(AskRetryCancel("X:\\is not accessible"));
    EXPECT_FALSE(AskYesNo("Create the folder?"));

    std::vector<std::pair<PromptKind, std::string>> asked;
    SetPromptHook([&](PromptKind kind, const std::string& text) {
        asked.emplace_back(kind, text);
        return kind == PromptKind::YesNo;
    });
    EXPECT_FALSE(AskRetryCancel("retry?"));
    EXPECT_TRUE(AskYesNo("yes?"));
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0], std::make_pair(PromptKind::RetryCancel, std::string("retry?")));
    EXPECT_EQ(asked[1], std::make_pair(PromptKind::YesNo, std::string("yes?")));

    // Installing a hook gives back the one it replaces.
    const PromptHook mine = SetPromptHook(previous);
    ASSERT_TRUE(static_cast<bool>(mine));
    EXPECT_TRUE(mine(PromptKind::YesNo, "again"));
}

} // namespace
} // namespace sorvane
