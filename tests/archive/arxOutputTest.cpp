// The readers' shared output path: a member is written to a temporary file
// beside its name and renamed onto it only once it passed, so a failure of
// any kind leaves the name as it was; hard links, duplicate names, open
// failures with their reason, folders made only for what is written, and a
// member continued across volumes on one temporary file.
#include "platform/FileAttributes.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/StreamFile.h"
#include "tests/archive/ArchiveTestSupport.h"
#include "tests/archive/StoredZipDriver.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace sorvane {
namespace {

namespace fs = std::filesystem;
using test::ReadText;
using test::TempFolder;
using test::TStoredZipDriver;

const std::string kUsersText = "the user's own text, kept\n";

// While it lives, the file system has no unnamed files: the output takes
// the named temporary file and the rename.
struct NoUnnamedFiles {
    decltype(UnnamedFileCalls::open) saved = UnnamedFileSystemCalls().open;
    NoUnnamedFiles() {
        UnnamedFileSystemCalls().open = [](const char*, int, unsigned) {
            errno = EOPNOTSUPP;
            return -1;
        };
    }
    ~NoUnnamedFiles() { UnnamedFileSystemCalls().open = saved; }
};

// A driver over one archive into one folder, recording every report.
struct OutputRun {
    TStoredZipDriver driver;
    std::vector<test::Report> reports;

    OutputRun(const std::string& archive, const std::string& folder) {
        driver.SetArchiveFile(archive);
        driver.SetExtractDir(folder);
        driver.FileSpec = {"*"};
        driver.OnError = [this](TZipCommon&, const std::string& f, const std::string& m,
                                const std::string& v, int code) {
            reports.push_back({f, m, v, code});
        };
    }
};

// What a file is, to tell that it was left alone.
struct FileState {
    std::string text;
    mode_t mode = 0;
    std::int64_t modified = 0;
    ino_t inode = 0;
    bool operator==(const FileState&) const = default;
};

FileState StateOf(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return {};
    return {ReadText(path), info.st_mode, info.st_mtime, info.st_ino};
}

std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The user's own file where the member "alpha.txt" goes.
void PlaceUsersFile(const TempFolder& out) {
    test::WriteText(out.File("alpha.txt"), kUsersText);
    ::chmod(out.File("alpha.txt").c_str(), 0640);
    const struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
    ::utimensat(AT_FDCWD, out.File("alpha.txt").c_str(), times, 0);
}

std::string BigText() {
    std::string text;
    while (text.size() < 200000)
        text += "line " + std::to_string(text.size()) + " of a member written in many chunks\n";
    return text;
}

// Every way a member can fail after its output was opened, with a file of the
// user's under its name that the run was allowed to replace.
TEST(MemberOutput, AFailedMemberLeavesItsNameAsItWas) {
    struct Case {
        const char* title;
        std::function<void(std::string& archive)> damage;
        std::function<void(OutputRun&)> arrange;
        bool limitFileSize = false;
    } cases[] = {
        {"CRC failure", [](std::string& archive) { archive[archive.find("line 0")] ^= 1; },
         nullptr},
        {"stopped while writing", nullptr,
         [](OutputRun& run) {
             run.driver.OnProgress = [](TZipCommon& sender, std::uint8_t, std::uint8_t) {
                 *sender.CancelFlagRef = 1;
             };
         }},
        {"write error", nullptr, nullptr, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        TempFolder work, out;
        std::string archive = test::MakeStoredZip({{"alpha.txt", BigText()}});
        if (c.damage) c.damage(archive);
        test::WriteText(work.File("a.zip"), archive);
        PlaceUsersFile(out);
        const FileState before = StateOf(out.File("alpha.txt"));
        OutputRun run(work.File("a.zip"), out.Path());
        run.driver.OverwriteMode = omOverwrite; // the user agreed to replace it
        if (c.arrange) c.arrange(run);
        int count = -1;
        if (c.limitFileSize) {
            // Writes past 64 KiB fail with EFBIG, as a real write error would.
            const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
            rlimit old{};
            ::getrlimit(RLIMIT_FSIZE, &old);
            rlimit small = old;
            small.rlim_cur = 65536;
            ::setrlimit(RLIMIT_FSIZE, &small);
            count = run.driver.Extract();
            ::setrlimit(RLIMIT_FSIZE, &old);
            std::signal(SIGXFSZ, oldHandler);
        } else {
            count = run.driver.Extract();
        }
        EXPECT_EQ(count, 0);
        EXPECT_EQ(StateOf(out.File("alpha.txt")), before);
        EXPECT_EQ(Entries(out.Path()), std::vector<std::string>{"alpha.txt"});
    }
}

TEST(MemberOutput, ADeclinedPasswordWritesNothing) {
    TempFolder out;
    test::WriteText(out.File("quick.txt"), kUsersText);
    const FileState before = StateOf(out.File("quick.txt"));
    OutputRun run(test::DataPath("crypt/stored.zip"), out.Path());
    run.driver.OnGetPassword = [](TZipCommon&, const std::string&, std::string&, bool& again) {
        again = false;
    };
    EXPECT_EQ(run.driver.Extract(), 0);
    EXPECT_EQ(StateOf(out.File("quick.txt")), before);
    EXPECT_EQ(Entries(out.Path()), std::vector<std::string>{"quick.txt"});
}

// Extracts `zip` into `out` in a child process killed at the run's first
// progress event, with unnamed files or, when `unnamed` is false, as on a file
// system without them; checks that the child died by the signal.
void ExtractAndKill(const std::string& zip, const std::string& out, bool unnamed = true) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::optional<NoUnnamedFiles> named;
        if (!unnamed) named.emplace();
        OutputRun run(zip, out);
        run.driver.OnProgress = [](TZipCommon&, std::uint8_t, std::uint8_t) {
            ::kill(::getpid(), SIGKILL);
        };
        run.driver.Extract();
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
}

// A run killed in the middle of a member leaves the user's file and one
// temporary file named for what it is, nothing under the member's name.
TEST(MemberOutput, AKilledRunLeavesOneClearlyNamedTemporaryFile) {
    TempFolder work, out;
    test::WriteText(work.File("a.zip"), test::MakeStoredZip({{"alpha.txt", BigText()}}));
    PlaceUsersFile(out);
    const FileState before = StateOf(out.File("alpha.txt"));
    ASSERT_NO_FATAL_FAILURE(ExtractAndKill(work.File("a.zip"), out.Path()));
    EXPECT_EQ(StateOf(out.File("alpha.txt")), before);
    const std::vector<std::string> entries = Entries(out.Path());
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].rfind(kPartialFilePrefix, 0), 0u) << entries[0];
}

// A reader that hands the base each part of a member continued in the next
// volume, as the volume readers do.
class TPartsDriver : public TUnBase {
public:
    std::vector<std::string> parts;
    bool endsInLastPart = true;

    void ExtractFiles(std::unique_ptr<TArxBaseStream>&, int) override {
        SetCurrentFileName("joined.txt");
        if (!CheckOverwrite(false)) return;
        for (std::size_t i = 0; i < parts.size(); ++i) {
            std::unique_ptr<TArxBaseStream> out;
            if (i == 0 ? !OpenOutputFile(out, CurrentFileName, "joined.txt")
                       : !ContinueOutputFile(out))
                return;
            WriteOutput(out.get(), reinterpret_cast<const std::uint8_t*>(parts[i].data()), 0,
                        static_cast<std::int64_t>(parts[i].size()), 32);
            SetFileAttrDate(out, CurrentFileName, kDosArchive, 0);
            const bool last = i + 1 == parts.size() && endsInLastPart;
            FinishMember(true, last);
            // Until the last part, the name is untouched.
            if (!last && StreamFileExists(CurrentFileName)) throw std::logic_error("early");
        }
    }
};

// A new name gets a file with no name until it passes, so a killed run
// leaves nothing; a file system without unnamed files leaves one named
// temporary file.
TEST(MemberOutput, AKilledRunOnANewNameLeavesNothingOrOneNamedTemporary) {
    for (const bool unnamed : {true, false}) {
        SCOPED_TRACE(unnamed ? "unnamed file" : "named temporary file");
        TempFolder work, out;
        test::WriteText(work.File("a.zip"), test::MakeStoredZip({{"alpha.txt", BigText()}}));
        ASSERT_NO_FATAL_FAILURE(ExtractAndKill(work.File("a.zip"), out.Path(), unnamed));
        const std::vector<std::string> entries = Entries(out.Path());
        if (unnamed) {
            EXPECT_TRUE(entries.empty()) << entries[0];
        } else {
            ASSERT_EQ(entries.size(), 1u);
            EXPECT_EQ(entries[0].rfind(kPartialFilePrefix, 0), 0u) << entries[0];
        }
    }
}

// Both ways of writing a member give the same files: new names, a name in
// use, a failure, and a member continued across volumes.
TEST(MemberOutput, BothTemporaryFilesGiveTheSameResult) {
    for (const bool unnamed : {true, false}) {
        SCOPED_TRACE(unnamed ? "unnamed file" : "named temporary file");
        std::optional<NoUnnamedFiles> named;
        if (!unnamed) named.emplace();
        TempFolder work, out;
        std::string bad = test::MakeStoredZip({{"alpha.txt", "damaged data"}});
        bad[bad.find("damaged data")] ^= 1;
        test::WriteText(work.File("bad.zip"), bad);
        PlaceUsersFile(out);
        const FileState before = StateOf(out.File("alpha.txt"));
        OutputRun failing(work.File("bad.zip"), out.Path());
        failing.driver.OverwriteMode = omOverwrite;
        EXPECT_EQ(failing.driver.Extract(), 0);
        EXPECT_EQ(StateOf(out.File("alpha.txt")), before);

        test::WriteText(work.File("a.zip"), test::MakeStoredZip({{"alpha.txt", "replaced"},
                                                                 {"sub\\one.txt", "one"},
                                                                 {"sub\\two.txt", "two"}}));
        OutputRun run(work.File("a.zip"), out.Path());
        EXPECT_EQ(run.driver.Extract(), 3);
        EXPECT_EQ(ReadText(out.File("alpha.txt")), "replaced");
        EXPECT_EQ(ReadText(out.File("sub/one.txt")), "one");
        EXPECT_EQ(ReadText(out.File("sub/two.txt")), "two");
        EXPECT_EQ(Entries(out.Path()), (std::vector<std::string>{"alpha.txt", "sub"}));
        EXPECT_EQ(Entries(out.File("sub")), (std::vector<std::string>{"one.txt", "two.txt"}));

        TempFolder joined;
        TPartsDriver parts;
        parts.SetExtractDir(joined.Path());
        parts.parts = {"first, ", "last"};
        std::unique_ptr<TArxBaseStream> none;
        EXPECT_EQ(parts.RunExtract(none, 0), 1);
        EXPECT_EQ(ReadText(joined.File("joined.txt")), "first, last");
        EXPECT_EQ(Entries(joined.Path()), std::vector<std::string>{"joined.txt"});
    }
}

// The folder of the member before is not looked up again; one taken away
// between two members is made again.
TEST(MemberOutput, AFolderTakenAwayBetweenMembersIsMadeAgain) {
    TempFolder work, out;
    test::WriteText(work.File("a.zip"),
                    test::MakeStoredZip({{"sub\\one.txt", "one"}, {"sub\\two.txt", "two"}}));
    OutputRun run(work.File("a.zip"), out.Path());
    const std::string folder = out.File("sub");
    const std::string moved = out.File("moved");
    run.driver.OnBegin = [&](TZipCommon&, const std::string& name, int, bool&) {
        if (name.find("two") != std::string::npos) ::rename(folder.c_str(), moved.c_str());
    };
    EXPECT_EQ(run.driver.Extract(), 2);
    EXPECT_EQ(ReadText(out.File("moved/one.txt")), "one");
    EXPECT_EQ(ReadText(out.File("sub/two.txt")), "two");
}

// An unnamed file takes a free name by a link, and a name in use by a
// rename that replaces the entry: another hard link of the old file keeps
// its text, and no temporary name is left.
TEST(UnnamedFiles, TakeAFreeNameOrReplaceTheEntryOfOneInUse) {
    TempFolder out, elsewhere;
    test::WriteText(elsewhere.File("original.txt"), kUsersText);
    ASSERT_EQ(::link(elsewhere.File("original.txt").c_str(), out.File("used.txt").c_str()), 0);
    for (const char* name : {"free.txt", "used.txt"}) {
        SCOPED_TRACE(name);
        const int fd = OpenUnnamedFileIn(out.Path());
        ASSERT_GE(fd, 0) << std::strerror(errno);
        ASSERT_EQ(::write(fd, "new", 3), 3);
        std::string reason;
        EXPECT_TRUE(NameUnnamedFile(fd, out.File(name), kPartialFilePrefix, reason)) << reason;
        ::close(fd);
        EXPECT_EQ(ReadText(out.File(name)), "new");
    }
    EXPECT_EQ(ReadText(elsewhere.File("original.txt")), kUsersText);
    EXPECT_EQ(Entries(out.Path()), (std::vector<std::string>{"free.txt", "used.txt"}));
    // A folder in the way is no name to replace.
    ASSERT_EQ(::mkdir(out.File("folder").c_str(), 0777), 0);
    const int fd = OpenUnnamedFileIn(out.Path());
    ASSERT_GE(fd, 0);
    std::string reason;
    EXPECT_FALSE(NameUnnamedFile(fd, out.File("folder"), kPartialFilePrefix, reason));
    EXPECT_FALSE(reason.empty());
    ::close(fd);
    EXPECT_EQ(Entries(out.Path()), (std::vector<std::string>{"folder", "free.txt", "used.txt"}));
}

// The rename replaces the directory entry: another name of the old file,
// outside the destination, keeps the old text.
TEST(MemberOutput, AHardLinkInTheDestinationKeepsItsOtherNames) {
    TempFolder work, out, elsewhere;
    test::WriteText(work.File("a.zip"), test::MakeStoredZip({{"alpha.txt", "new text"}}));
    test::WriteText(elsewhere.File("original.txt"), kUsersText);
    ASSERT_EQ(::link(elsewhere.File("original.txt").c_str(), out.File("alpha.txt").c_str()), 0);
    OutputRun run(work.File("a.zip"), out.Path());
    EXPECT_EQ(run.driver.Extract(), 1);
    EXPECT_EQ(ReadText(out.File("alpha.txt")), "new text");
    EXPECT_EQ(ReadText(elsewhere.File("original.txt")), kUsersText);
}

// A written member has the permissions of any new file, not those of a
// private temporary one.
TEST(MemberOutput, AWrittenMemberHasTheModeOfANewFile) {
    TempFolder work, out;
    test::WriteText(work.File("a.zip"), test::MakeStoredZip({{"beta.txt", "b"}}));
    const mode_t old = ::umask(022);
    OutputRun run(work.File("a.zip"), out.Path());
    EXPECT_EQ(run.driver.Extract(), 1);
    ::umask(old);
    struct stat info {};
    ASSERT_EQ(::stat(out.File("beta.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0644u);
}

// Two members of one name: the second meets the first as an existing file,
// and the count is that of the files written.
TEST(MemberOutput, DuplicateNamesAreAskedAboutAndCountedPerFile) {
    struct Case {
        const char* title;
        bool confirm;
        TOverwriteMode answer;
        const char* newName;
        int count;
        std::vector<std::string> entries;
        const char* text;
    } cases[] = {
        {"replaced without asking", false, omOverwrite, "", 1, {"same.txt"}, "second"},
        {"replaced when asked", true, omOverwrite, "", 1, {"same.txt"}, "second"},
        {"skipped when asked", true, omSkip, "", 1, {"same.txt"}, "first"},
        {"both kept", true, omOverwrite, "same (2).txt", 2, {"same (2).txt", "same.txt"}, "first"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        TempFolder work, out;
        test::WriteText(work.File("a.zip"),
                        test::MakeStoredZip({{"same.txt", "first"}, {"same.txt", "second"}}));
        OutputRun run(work.File("a.zip"), out.Path());
        run.driver.ConfirmOverwrites = c.confirm;
        int asked = 0;
        run.driver.OnFileExists = [&](TZipCommon&, const std::string&, std::string& newName,
                                      TOverwriteMode& mode) {
            ++asked;
            if (*c.newName) newName = out.File(c.newName);
            mode = c.answer;
        };
        EXPECT_EQ(run.driver.Extract(), c.count);
        EXPECT_EQ(asked, c.confirm ? 1 : 0);
        EXPECT_EQ(Entries(out.Path()), c.entries);
        EXPECT_EQ(ReadText(out.File("same.txt")), c.text);
    }
}

// A name found free when its path was checked is not looked up again, unless
// the caller's code ran in between: a file the begin handler makes there (or
// a rename answer leads to) is still asked about and kept when skipped.
TEST(MemberOutput, AFileMadeByTheBeginHandlerIsAskedAbout) {
    for (const bool rename : {false, true}) {
        SCOPED_TRACE(rename ? "renamed onto a file" : "made at the name");
        TempFolder work, out;
        test::WriteText(work.File("a.zip"), test::MakeStoredZip({{"new.txt", "member"}}));
        if (rename) test::WriteText(out.File("other.txt"), kUsersText);
        OutputRun run(work.File("a.zip"), out.Path());
        run.driver.ConfirmOverwrites = true;
        run.driver.OnBegin = [&](TZipCommon&, const std::string&, int, bool&) {
            if (!rename) test::WriteText(out.File("new.txt"), kUsersText);
        };
        if (rename)
            run.driver.OnRenameFile = [&](TZipCommon&, const std::string&, std::string& newName) {
                newName = out.File("other.txt");
            };
        int asked = 0;
        run.driver.OnFileExists = [&](TZipCommon&, const std::string&, std::string&,
                                      TOverwriteMode& mode) {
            ++asked;
            mode = omSkip;
        };
        EXPECT_EQ(run.driver.Extract(), 0);
        EXPECT_EQ(asked, 1);
        EXPECT_EQ(ReadText(out.File(rename ? "other.txt" : "new.txt")), kUsersText);
    }
}

// An output that cannot be created says why and for which file.
TEST(MemberOutput, AnOpenFailureNamesTheReasonAndTheFile) {
    struct Case {
        const char* title;
        std::string member;
        std::function<void(const TempFolder&)> arrange;
        std::string reason;
        bool needsUnprivileged = false;
    } cases[] = {
        {"a name too long", std::string(300, 'n') + ".txt", nullptr, "File name too long"},
        {"a file where its folder should be", "plain\\inner.txt",
         [](const TempFolder& out) { test::WriteText(out.File("plain"), "x"); }, "Not a directory"},
        {"a read-only folder", "locked\\inner.txt",
         [](const TempFolder& out) {
             fs::create_directory(out.File("locked"));
             ::chmod(out.File("locked").c_str(), 0555);
         },
         "Permission denied", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        if (c.needsUnprivileged && ::geteuid() == 0) continue; // root writes anywhere
        TempFolder work, out;
        test::WriteText(work.File("a.zip"), test::MakeStoredZip({{c.member, "data"}}));
        if (c.arrange) c.arrange(out);
        OutputRun run(work.File("a.zip"), out.Path());
        EXPECT_EQ(run.driver.Extract(), 0);
        ASSERT_EQ(run.reports.size(), 1u);
        const test::Report& report = run.reports[0];
        EXPECT_EQ(report.code, kMsgOpenError);
        EXPECT_EQ(report.extendedMsg, report.fileName + ": " + c.reason);
        EXPECT_NE(report.fileName.find(out.Path()), std::string::npos);
    }
}

// A member that fails in a folder of its own leaves no empty folder behind.
TEST(MemberOutput, FoldersMadeForAFailedMemberGoAgain) {
    TempFolder work, out;
    std::string archive = test::MakeStoredZip({{"new\\deeper\\bad.txt", "damaged data"}});
    archive[archive.find("damaged data")] ^= 1;
    test::WriteText(work.File("a.zip"), archive);
    OutputRun run(work.File("a.zip"), out.Path());
    EXPECT_EQ(run.driver.Extract(), 0);
    EXPECT_TRUE(fs::is_empty(out.Path()));
}

TEST(MemberOutput, AContinuedMemberGrowsOnOneTemporaryFile) {
    for (const bool whole : {true, false}) {
        SCOPED_TRACE(whole ? "every part came" : "the next volume never came");
        TempFolder out;
        TPartsDriver driver;
        driver.SetExtractDir(out.Path());
        driver.parts = {"first part, ", "second part, ", "last part"};
        driver.endsInLastPart = whole;
        std::unique_ptr<TArxBaseStream> none;
        EXPECT_EQ(driver.RunExtract(none, 0), whole ? 1 : 0);
        if (whole) {
            EXPECT_EQ(ReadText(out.File("joined.txt")), "first part, second part, last part");
            EXPECT_EQ(Entries(out.Path()), std::vector<std::string>{"joined.txt"});
        } else {
            EXPECT_TRUE(fs::is_empty(out.Path()));
        }
    }
}

} // namespace
} // namespace sorvane
