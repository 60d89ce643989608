// Tests of the extraction base without an archive: member selection by
// masks, the overwrite dialogue, passwords, the CRC verdict and the run with
// its events, driven by small readers whose format driver is a script.
#include "archive/arxCrc.h"
#include "archive/arxUnBase.h"
#include "tests/archive/ArchiveTestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace sorvane {
namespace {

using test::Report;
using test::TempFolder;

// Records every report of `arx` into `reports`.
void RecordReports(TZipCommon& arx, std::vector<Report>& reports) {
    arx.OnError = [&reports](TZipCommon&, const std::string& fileName,
                             const std::string& extendedMsg, const std::string& volumeId,
                             int code) {
        reports.push_back({fileName, extendedMsg, volumeId, code});
    };
}

// ---------------------------------------------------------------------------
// Selection

TEST(UnBaseSelect, MatchFileSpec) {
    struct Case {
        std::vector<std::string> spec, exclusions;
        std::string name;
        bool selected;
    };
    const std::vector<Case> cases = {
        {{"*.txt"}, {"a*"}, "b.txt", true},
        {{"*.txt"}, {"a*"}, "a.txt", false},
        {{"*.txt"}, {"a*"}, "b.doc", false},
        {{"readme."}, {}, "readme", true},
        {{"readme."}, {}, "readme.txt", false},
        {{"*.*"}, {}, "makefile", true}, // a name without "." is tried with one
        {{"*.doc", "*.TXT"}, {}, "notes.txt", true},
        {{"*"}, {}, "", false},
        {{}, {}, "a.txt", false},
    };
    TUnBase arx;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name + " against " + (c.spec.empty() ? "" : c.spec[0]));
        EXPECT_EQ(arx.MatchFileSpec(c.name, c.spec, c.exclusions), c.selected);
    }
}

TEST(UnBaseSelect, MatchFileSpecDirs) {
    struct Case {
        std::string mask;
        bool recurse;
        std::string name;
        bool selected;
        std::vector<std::string> exclusions = {};
    };
    const std::vector<Case> cases = {
        // A mask with a folder selects only that folder's members.
        {"docs\\*.txt", false, "docs\\a.txt", true},
        {"docs\\*.txt", false, "a.txt", false},
        {"docs\\*.txt", false, "other\\a.txt", false},
        {"docs\\*.txt", true, "docs\\a.txt", true},
        {"docs\\*.txt", true, "a.txt", false},
        {"docs\\*.txt", true, "other\\a.txt", false},
        {"DOCS\\*.txt", false, "docs\\A.TXT", true},
        // A mask without a folder: only top-level members, or any folder when recursing.
        {"*.txt", false, "docs\\a.txt", false},
        {"*.txt", false, "a.txt", true},
        {"*.txt", false, "other\\a.txt", false},
        {"*.txt", true, "docs\\a.txt", true},
        {"*.txt", true, "a.txt", true},
        {"*.txt", true, "other\\deep\\a.txt", true},
        // The mask equal to the name (ignoring case) selects it whatever it holds.
        {"Docs\\Read Me[1].txt", false, "docs\\read me[1].txt", true},
        {"Docs\\Read Me[1].txt", true, "docs\\read me[1].txt", true, {"*"}},
        // Exclusions.
        {"*.txt", true, "b.txt", true, {"a*"}},
        {"*.txt", true, "a.txt", false, {"a*"}},
        // Names without "." and masks with one.
        {"*.*", true, "makefile", true},
        {"readme.", true, "readme", true},
        {"readme.", true, "readme.txt", false},
        {"", true, "a.txt", false},
        {"*", true, "", false},
    };
    TUnBase arx;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name + " against " + c.mask + (c.recurse ? " recursing" : ""));
        std::vector<std::string> spec = {c.mask};
        EXPECT_EQ(arx.MatchFileSpecDirs(c.name, spec, c.exclusions, c.recurse), c.selected);
    }
}

TEST(UnBaseSelect, DotRuleStoresTheChangedMaskBack) {
    TUnBase arx;
    std::vector<std::string> spec = {"a?c", "*.txt"};
    // "a?c" fails "abc.txt", is retried as "a?c." (kept), and "*.txt" then selects it.
    EXPECT_TRUE(arx.MatchFileSpecDirs("abc.txt", spec, {}, true));
    EXPECT_EQ(spec, (std::vector<std::string>{"a?c.", "*.txt"}));
    // The stored mask still selects the name without extension.
    EXPECT_TRUE(arx.MatchFileSpecDirs("abc", spec, {}, true));
    EXPECT_EQ(spec, (std::vector<std::string>{"a?c.", "*.txt"}));
    // A first mask that matches at once is left as it is, and later masks are not tried.
    std::vector<std::string> first = {"x*", "y"};
    EXPECT_TRUE(arx.MatchFileSpecDirs("xyz", first, {}, true));
    EXPECT_EQ(first, (std::vector<std::string>{"x*", "y"}));
}

// ---------------------------------------------------------------------------
// The overwrite dialogue

enum class Target { None, File, ReadOnlyFile, Directory, ReadOnlyDirectory };

// One answer of OnFileExists: the new name (relative, "" for none) and the mode.
struct ExistsAnswer {
    std::string newName;
    TOverwriteMode mode;
};

struct OverwriteCase {
    std::string title;
    std::uint8_t outputMode = kOutputFiles;
    bool confirm = false;
    TOverwriteMode overwriteMode = omOverwrite;
    Target target = Target::None;
    std::optional<bool> beginAnswer = std::nullopt;                        // none: no OnBegin
    std::optional<std::vector<ExistsAnswer>> existsAnswers = std::nullopt; // none: no OnFileExists
    bool refusedName = false;
    // Expected:
    bool result = false;
    int resultCount = 0;
    std::vector<std::pair<int, std::string>> reports = {}; // code, ExtendedMsg
    std::string finalName = "out.txt";
};

void MakeTarget(const std::string& path, Target target) {
    switch (target) {
    case Target::None:
        break;
    case Target::File:
    case Target::ReadOnlyFile:
        std::ofstream(path) << "old";
        if (target == Target::ReadOnlyFile) ::chmod(path.c_str(), 0444);
        break;
    case Target::Directory:
    case Target::ReadOnlyDirectory:
        fs::create_directory(path);
        if (target == Target::ReadOnlyDirectory) ::chmod(path.c_str(), 0555);
        break;
    }
}

void CheckOverwriteCase(const OverwriteCase& c) {
    SCOPED_TRACE(c.title);
    TempFolder temp;
    std::ofstream(temp.File("taken.txt")) << "taken";
    MakeTarget(temp.File("out.txt"), c.target);

    TUnBase arx;
    std::vector<Report> reports;
    RecordReports(arx, reports);
    arx.OutputMode = c.outputMode;
    arx.ConfirmOverwrites = c.confirm;
    arx.OverwriteMode = c.overwriteMode;
    arx.CurrentFileName = temp.File("out.txt");
    arx.CurrentNameRefused = c.refusedName;
    arx.StoredName = "in\\out.txt";
    arx.ArchiveFile = "/in/a.zip";

    std::vector<std::pair<std::string, int>> begun;
    if (c.beginAnswer) {
        arx.OnBegin = [&](TZipCommon&, const std::string& name, int count, bool& extract) {
            begun.emplace_back(name, count);
            extract = *c.beginAnswer;
        };
    }
    std::vector<std::string> asked;
    if (c.existsAnswers) {
        arx.OnFileExists = [&](TZipCommon&, const std::string& name, std::string& newName,
                               TOverwriteMode& mode) {
            asked.push_back(name);
            const ExistsAnswer& answer = c.existsAnswers->at(asked.size() - 1);
            if (!answer.newName.empty()) newName = temp.File(answer.newName);
            mode = answer.mode;
        };
    }

    EXPECT_EQ(arx.CheckOverwrite(false), c.result);
    EXPECT_EQ(arx.ResultCount, c.resultCount);
    std::vector<std::pair<int, std::string>> got;
    for (const Report& r : reports)
        got.emplace_back(r.code, r.extendedMsg);
    EXPECT_EQ(got, c.reports);
    EXPECT_EQ(arx.CurrentFileName, temp.File(c.finalName));
    if (c.beginAnswer && !c.refusedName) {
        const std::string expectedName =
            c.outputMode == kOutputFiles ? temp.File("out.txt") : std::string("in\\out.txt");
        EXPECT_EQ(begun, (std::vector<std::pair<std::string, int>>{{expectedName, 1}}));
    }
    if (c.existsAnswers && c.target != Target::None && c.outputMode == kOutputFiles && c.confirm &&
        c.beginAnswer.value_or(true)) {
        EXPECT_EQ(asked.size(), c.existsAnswers->size());
    } else {
        EXPECT_TRUE(asked.empty());
    }
    if (c.target == Target::ReadOnlyFile && c.result) {
        // Replaced only by the rename that ends a checked member; until then
        // it stays as it was.
        struct stat info {};
        ASSERT_EQ(::stat(arx.CurrentFileName.c_str(), &info), 0);
        EXPECT_FALSE(info.st_mode & S_IWUSR);
    }
    // The question makes no folder: a folder appears when a member is written.
    EXPECT_FALSE(fs::exists(temp.File("new")));
}

TEST(UnBaseOverwrite, CheckOverwrite) {
    const ExistsAnswer keep{"", omOverwrite};
    const ExistsAnswer skip{"", omSkip};
    const std::vector<OverwriteCase> cases = {
        {.title = "overwrite without asking",
         .target = Target::File,
         .result = true,
         .resultCount = 1},
        {.title = "skip without asking",
         .overwriteMode = omSkip,
         .beginAnswer = true,
         .result = false},
        {.title = "OnBegin declines", .target = Target::File, .beginAnswer = false},
        {.title = "OnBegin accepts", .beginAnswer = true, .result = true, .resultCount = 1},
        {.title = "testing ignores the overwrite options",
         .outputMode = kOutputCountOnly,
         .confirm = true,
         .overwriteMode = omSkip,
         .target = Target::File,
         .beginAnswer = true,
         .existsAnswers = std::vector<ExistsAnswer>{skip},
         .result = true,
         .resultCount = 1},
        {.title = "given stream, existing target, no OnFileExists",
         .outputMode = kOutputGivenStream,
         .confirm = true,
         .target = Target::File,
         .result = true,
         .resultCount = 1},
        {.title = "confirming a new file needs no handler",
         .confirm = true,
         .overwriteMode = omSkip,
         .result = true,
         .resultCount = 1},
        {.title = "confirming without OnFileExists skips",
         .confirm = true,
         .target = Target::File,
         .reports = {{kMsgEventNotAssigned, "OnFileExists"}}},
        {.title = "the user overwrites",
         .confirm = true,
         .target = Target::File,
         .existsAnswers = std::vector<ExistsAnswer>{keep},
         .result = true,
         .resultCount = 1},
        {.title = "the user skips",
         .confirm = true,
         .target = Target::File,
         .existsAnswers = std::vector<ExistsAnswer>{skip}},
        {.title = "the user renames into a new folder",
         .confirm = true,
         .target = Target::File,
         .existsAnswers = std::vector<ExistsAnswer>{{"new/renamed.txt", omOverwrite}},
         .result = true,
         .resultCount = 1,
         .finalName = "new/renamed.txt"},
        {.title = "a name that is taken too is asked about again",
         .confirm = true,
         .target = Target::File,
         .existsAnswers = std::vector<ExistsAnswer>{{"taken.txt", omOverwrite}, keep},
         .result = true,
         .resultCount = 1,
         .finalName = "taken.txt"},
        {.title = "a read-only target is left as it is",
         .confirm = true,
         .target = Target::ReadOnlyFile,
         .existsAnswers = std::vector<ExistsAnswer>{keep},
         .result = true,
         .resultCount = 1},
        {.title = "a folder in the way",
         .confirm = true,
         .target = Target::Directory,
         .existsAnswers = std::vector<ExistsAnswer>{keep},
         .reports = {{kMsgWriteError, ""}}},
        {.title = "a read-only folder in the way",
         .confirm = true,
         .target = Target::ReadOnlyDirectory,
         .existsAnswers = std::vector<ExistsAnswer>{keep},
         .reports = {{kMsgWriteError, ""}}},
        {.title = "a refused stored name is never written",
         .target = Target::None,
         .beginAnswer = true,
         .refusedName = true},
    };
    for (const OverwriteCase& c : cases)
        CheckOverwriteCase(c);
}

TEST(UnBaseOverwrite, ForceAndRename) {
    TempFolder temp;
    TUnBase arx;
    arx.CurrentFileName = temp.File("out.txt");
    arx.OverwriteMode = omSkip;
    bool begun = false;
    arx.OnBegin = [&](TZipCommon&, const std::string&, int, bool&) { begun = true; };
    EXPECT_TRUE(arx.CheckOverwrite(true));
    EXPECT_FALSE(begun);
    EXPECT_EQ(arx.ResultCount, 0);

    // In mode 0 OnRenameFile comes first, and OnBegin names the new file.
    arx.OverwriteMode = omOverwrite;
    arx.ResultCount = 2;
    std::string renamedFrom, begunWith;
    int begunCount = 0;
    arx.OnRenameFile = [&](TZipCommon&, const std::string& name, std::string& newName) {
        renamedFrom = name;
        EXPECT_EQ(newName, name);
        newName = temp.File("sub/renamed.txt");
    };
    arx.OnBegin = [&](TZipCommon&, const std::string& name, int count, bool&) {
        begunWith = name;
        begunCount = count;
    };
    EXPECT_TRUE(arx.CheckOverwrite(false));
    EXPECT_EQ(renamedFrom, temp.File("out.txt"));
    EXPECT_EQ(begunWith, temp.File("sub/renamed.txt"));
    EXPECT_EQ(begunCount, 3);
    EXPECT_EQ(arx.CurrentFileName, temp.File("sub/renamed.txt"));
    EXPECT_FALSE(fs::exists(temp.File("sub"))); // made only when the member is written
    EXPECT_EQ(arx.ResultCount, 3);

    // Canceled in OnBegin: not written.
    arx.OnRenameFile = nullptr;
    arx.OnBegin = [&](TZipCommon& sender, const std::string&, int, bool&) {
        sender.SetCancel(true);
    };
    EXPECT_FALSE(arx.CheckOverwrite(false));
    EXPECT_EQ(arx.ResultCount, 3);
}

// ---------------------------------------------------------------------------
// Passwords

const std::vector<std::uint8_t> kEncryptionHeader = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};

// Accepts the password "right"; records every password tried and whether it
// was given the 12 header bytes as read.
class FixedPasswordReader : public TUnBase {
public:
    bool CheckPassword(std::uint8_t* header12) override {
        tried.push_back(Password);
        intact = intact && std::equal(kEncryptionHeader.begin(), kEncryptionHeader.end(), header12);
        header12[0] ^= 0xFF; // a check may spoil the bytes; the next one gets them fresh
        return Password == "right";
    }
    std::vector<std::string> tried;
    bool intact = true;
};

struct PasswordAnswer {
    std::string password;
    bool tryAgain = true;
};

TEST(UnBasePassword, GetPassword) {
    const std::string member = "/out/secret.txt";
    const std::string archive = "/in/a.zip";
    struct Case {
        std::string title;
        std::string password = "";
        std::vector<std::string> passwords = {};
        std::optional<std::vector<PasswordAnswer>> answers = std::nullopt; // none: no handler
        int attempts = 3;
        bool result = false;
        std::vector<std::string> tried = {}; // every password CheckPassword saw
        std::vector<Report> reports = {};
        std::vector<std::string> passwordsAfter = {};
        std::string passwordAfter = "";
    };
    const std::vector<Case> cases = {
        {.title = "the current password",
         .password = "right",
         .passwords = {"a"},
         .result = true,
         .tried = {"right"},
         .passwordsAfter = {"a"},
         .passwordAfter = "right"},
        {.title = "the list in order",
         .passwords = {"a", "right", "b"},
         .result = true,
         .tried = {"", "a", "right"},
         .passwordsAfter = {"a", "right", "b"},
         .passwordAfter = "right"},
        {.title = "no handler",
         .passwords = {"a"},
         .tried = {"", "a"},
         .reports = {{member, "OnGetPassword", archive, kMsgEventNotAssigned}},
         .passwordsAfter = {"a"},
         .passwordAfter = "a"},
        {.title = "asked until right; the answer heads the list",
         .passwords = {"a"},
         .answers = std::vector<PasswordAnswer>{{"x"}, {"right"}},
         .result = true,
         .tried = {"", "a", "x", "right"},
         .reports = {{member, "x", archive, kMsgInvalidPassword}},
         .passwordsAfter = {"right", "a"},
         .passwordAfter = "right"},
        {.title = "asked PasswordAttempts times",
         .answers = std::vector<PasswordAnswer>{{"x"}, {"y"}, {"z"}},
         .attempts = 2,
         .tried = {"", "x", "y"},
         .reports = {{member, "x", archive, kMsgInvalidPassword},
                     {member, "y", archive, kMsgInvalidPassword}}},
        {.title = "the user gives up",
         .answers = std::vector<PasswordAnswer>{{"right", false}},
         .tried = {""},
         .reports = {{member, "User canceled", archive, kMsgInvalidPassword}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        FixedPasswordReader arx;
        std::vector<Report> reports;
        RecordReports(arx, reports);
        arx.ArchiveFile = archive;
        arx.CurrentFileName = member;
        arx.Password = c.password;
        arx.Passwords = c.passwords;
        arx.PasswordAttempts = c.attempts;
        std::size_t asked = 0;
        if (c.answers) {
            arx.OnGetPassword = [&](TZipCommon&, const std::string& name, std::string& password,
                                    bool& tryAgain) {
                EXPECT_EQ(name, member);
                const PasswordAnswer& answer = c.answers->at(asked++);
                password = answer.password;
                tryAgain = answer.tryAgain;
            };
        }
        std::vector<std::uint8_t> data = kEncryptionHeader;
        data.push_back(0xAA);
        TMemoryStream32 stream(data);
        EXPECT_EQ(arx.GetPassword(stream), c.result);
        EXPECT_EQ(stream.Position(), 12);
        EXPECT_EQ(arx.tried, c.tried);
        EXPECT_TRUE(arx.intact);
        EXPECT_EQ(reports, c.reports);
        EXPECT_EQ(arx.Passwords, c.passwordsAfter);
        EXPECT_EQ(arx.Password, c.passwordAfter);
    }
}

TEST(UnBasePassword, CancelStopsTheQuestions) {
    FixedPasswordReader arx;
    int asked = 0;
    arx.OnGetPassword = [&](TZipCommon& sender, const std::string&, std::string& password, bool&) {
        ++asked;
        password = "wrong";
        sender.SetCancel(true);
    };
    TMemoryStream32 stream(kEncryptionHeader);
    EXPECT_FALSE(arx.GetPassword(stream));
    EXPECT_EQ(asked, 1);
}

// ---------------------------------------------------------------------------
// After a member

// Packed sizes come from headers: what remains of the archive drops by each
// one but never below 0, and the archive's progress stays a percentage.
TEST(UnBaseMemberDone, PackedSizesFromHeadersKeepTheCountInRange) {
    TUnBase arx;
    arx.ArchiveTotal = 100;
    arx.BytesRemaining = 100;
    const struct {
        std::int64_t packedSize, remaining;
        int byArchive;
    } steps[] = {
        {40, 60, 40},
        {INT64_MIN, 60, 40},
        {INT64_MAX, 0, 100},
        {INT64_MAX, 0, 100},
    };
    for (const auto& step : steps) {
        arx.MemberDone({step.packedSize, 0});
        EXPECT_EQ(arx.BytesRemaining, step.remaining) << step.packedSize;
        EXPECT_EQ(arx.ProgressByArchive, step.byArchive) << step.packedSize;
        EXPECT_EQ(arx.ProgressByFile, 100);
    }
}

// ---------------------------------------------------------------------------
// The CRC verdict

TEST(UnBaseCrc, CheckCrc) {
    // The running CRCs are 0x12345678 (32) and 0xABCD (16).
    struct Case {
        std::string title;
        int width = 32;
        std::uint32_t stored = 0x12345678u;
        std::uint8_t outputMode = kOutputFiles;
        bool onEnd = true;
        bool canceled = false;
        bool result = false;
        std::vector<std::string> ended = {}; // OnEnd calls: "name pass|fail"
        std::vector<int> codes = {};
    };
    const std::vector<Case> cases = {
        {.title = "CRC-32 passes", .result = true, .ended = {"/out/f pass"}},
        {.title = "CRC-32 fails", .stored = 0x12345679u, .ended = {"/out/f fail"}},
        {.title = "failure without OnEnd", .stored = 1, .onEnd = false, .codes = {kMsgCrcFailed}},
        {.title = "pass without OnEnd", .onEnd = false, .result = true},
        {.title = "CRC-16",
         .width = 16,
         .stored = 0xABCDu,
         .result = true,
         .ended = {"/out/f pass"}},
        {.title = "CRC-16 fails", .width = 16, .ended = {"/out/f fail"}},
        {.title = "other widths use CRC-32", .width = 8, .result = true, .ended = {"/out/f pass"}},
        {.title = "testing names the stored member",
         .stored = 1,
         .outputMode = kOutputCountOnly,
         .ended = {"d\\f fail"}},
        {.title = "canceled", .canceled = true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        TUnBase arx;
        std::vector<Report> reports;
        arx.OutputMode = c.outputMode;
        arx.CurrentFileName = "/out/f";
        arx.StoredName = "d\\f";
        arx.ArchiveFile = "/in/a.lzh";
        if (c.canceled) arx.SetCancel(true);
        RecordReports(arx, reports);
        std::vector<std::string> ended;
        if (c.onEnd) {
            arx.OnEnd = [&](TZipCommon&, const std::string& name, bool pass) {
                ended.push_back(name + (pass ? " pass" : " fail"));
            };
        }
        arx.Crc32.Start(0x12345678u);
        arx.Crc16.Start(0xABCDu);
        EXPECT_EQ(arx.CheckCrc(c.width, c.stored), c.result);
        EXPECT_EQ(ended, c.ended);
        std::vector<int> codes;
        for (const Report& r : reports)
            codes.push_back(r.code);
        EXPECT_EQ(codes, c.codes);
        if (!reports.empty()) {
            EXPECT_EQ(reports[0].fileName, "/out/f");
        }
    }
}

// ---------------------------------------------------------------------------
// The run

// A reader whose format driver is the script it is given.
class ScriptedReader : public TUnBase {
public:
    void ExtractFiles(std::unique_ptr<TArxBaseStream>& stream, int arg) override {
        if (Script) Script(*this, stream, arg);
    }
    std::function<void(ScriptedReader&, std::unique_ptr<TArxBaseStream>&, int)> Script;
};

class UnBaseRun : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(temp_.Path().empty());
        archive_ = temp_.File("a.bin");
        std::ofstream(archive_) << "archive bytes";
        arx_.ArchiveFile = archive_;
        arx_.Timer.Clock = [this] { return now_; };
        arx_.OnActivate = [this](TZipCommon&) { log_.push_back("activate"); };
        arx_.OnDeactivate = [this](TZipCommon&) { log_.push_back("deactivate"); };
        arx_.OnElapsedTime = [this](TZipCommon&, float seconds) {
            log_.push_back("elapsed " + std::to_string(static_cast<int>(seconds * 1000)) + "ms");
        };
        arx_.OnError = [this](TZipCommon&, const std::string&, const std::string& message,
                              const std::string&, int code) {
            log_.push_back("error " + std::to_string(code) + " " + message);
        };
    }

    TempFolder temp_;
    std::string archive_;
    ScriptedReader arx_;
    std::vector<std::string> log_;
    std::uint64_t now_ = 5000;
};

TEST_F(UnBaseRun, EventsAndOutcomes) {
    struct Case {
        std::string title;
        std::function<void(ScriptedReader&)> failure;
        std::vector<std::string> log;
        bool failed;
    };
    const std::vector<Case> cases = {
        {"a clean run", nullptr, {"activate", "extract", "elapsed 2500ms", "deactivate"}, false},
        {"the driver raises a library error",
         [](ScriptedReader& r) { r.RaiseError(r.ArchiveFile, "bad", "", kMsgBadBlock); },
         {"activate", "extract", "error 25116 bad", "elapsed 2500ms", "deactivate"},
         true},
        {"the driver throws something else",
         [](ScriptedReader&) { throw std::runtime_error("boom"); },
         {"activate", "extract", "error 25236 boom", "elapsed 2500ms", "deactivate"},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        log_.clear();
        arx_.Script = [&](ScriptedReader& r, std::unique_ptr<TArxBaseStream>& stream, int) {
            log_.push_back("extract");
            EXPECT_NE(stream, nullptr);
            EXPECT_EQ(r.OutputMode, kOutputFiles);
            r.ResultCount = 2;
            r.ArchiveFile = temp_.File("a.r01"); // a volume change inside the run
            now_ += 2500;
            if (c.failure) c.failure(r);
        };
        EXPECT_EQ(arx_.Extract(), 2);
        EXPECT_EQ(log_, c.log);
        EXPECT_EQ(arx_.RunFailed, c.failed);
        EXPECT_EQ(arx_.ArchiveFile, archive_);
    }
}

TEST_F(UnBaseRun, TheRunStartsFromAClearState) {
    arx_.OnElapsedTime = nullptr;
    arx_.CancelFlag = 1;
    arx_.ResultCount = 9;
    arx_.VolumeNumber = 7;
    arx_.BytesRemaining = 3;
    arx_.CpuType = cpt80486;
    arx_.AsciiTranslation = true;
    arx_.ArcType = atZip;
    arx_.ExclusionList = {"x*"};
    arx_.CurrentFileName = "left over";
    arx_.MemberEncrypted = arx_.PasswordFailed = true;
    arx_.ArjPasswordPos = 3;
    bool ran = false;
    arx_.Script = [&](ScriptedReader& r, std::unique_ptr<TArxBaseStream>&, int arg) {
        ran = true;
        EXPECT_EQ(arg, 0);
        EXPECT_FALSE(r.GetCancel());
        EXPECT_EQ(r.ResultCount, 0);
        EXPECT_EQ(r.VolumeNumber, -1);
        EXPECT_EQ(r.BytesRemaining, r.ArchiveSize);
        EXPECT_EQ(r.ArchiveSize, 13);
        EXPECT_EQ(r.CpuType, cptAuto);
        EXPECT_FALSE(r.AsciiTranslation);
        EXPECT_TRUE(r.ExclusionList.empty());
        EXPECT_EQ(r.CurrentFileName, "");
        EXPECT_EQ(r.VolumeName, archive_);
        EXPECT_FALSE(r.MemberEncrypted || r.PasswordFailed);
        EXPECT_EQ(r.ArjPasswordPos, 1);
        EXPECT_EQ(r.OutputMode, kOutputCountOnly);
        r.ResultCount = 4;
    };
    EXPECT_EQ(arx_.TestFiles(), 4);
    EXPECT_TRUE(ran);

    // GZIP members keep their text translation.
    arx_.ArcType = atGZip;
    arx_.AsciiTranslation = true;
    arx_.Script = [](ScriptedReader& r, std::unique_ptr<TArxBaseStream>&, int) {
        EXPECT_TRUE(r.AsciiTranslation);
    };
    arx_.TestFiles();
}

TEST_F(UnBaseRun, AnArchiveThatCannotBeOpened) {
    struct Case {
        std::string archive;
        std::string log;
    };
    const std::vector<Case> cases = {
        {temp_.File("missing.zip"), "error 25235 "},
        {"", "error 25192 "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.archive);
        log_.clear();
        arx_.ArchiveFile = c.archive;
        bool ran = false;
        arx_.Script = [&](ScriptedReader&, std::unique_ptr<TArxBaseStream>&, int) { ran = true; };
        arx_.ResultCount = 5;
        EXPECT_EQ(arx_.Extract(), 0);
        EXPECT_EQ(arx_.ResultCount, 0);
        EXPECT_TRUE(arx_.RunFailed);
        EXPECT_FALSE(ran);
        EXPECT_EQ(log_, std::vector<std::string>{c.log});
    }
}

} // namespace
} // namespace sorvane
