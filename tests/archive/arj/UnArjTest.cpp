// The ARJ reader: every fixture extracts as arj x extracted it (7-Zip agreeing
// for methods 1 to 4), in tests without writing too; folders, labels,
// garbled members and their passwords, volumes, refusals before any output,
// the end marker, and damaged archives.
#include "archive/arj/arxUnArj.h"
#include "archive/arxMessages.h"
#include "tests/archive/ArchiveTestSupport.h"
#include "tests/archive/arj/ArjZooTestSupport.h"
#include "tests/archive/zip/UnZipTestSupport.h"

#include <cctype>
#include <filesystem>
#include <gtest/gtest.h>

namespace sorvane {
namespace {

using namespace test;
namespace fs = std::filesystem;

// Where the basic header of the index-th member (0-based) starts in an ARJ
// archive without extended headers: after the main header and the members
// before it.
std::size_t BasicHeaderAt(const std::vector<std::uint8_t>& bytes, int index) {
    auto le16 = [&](std::size_t at) {
        return static_cast<std::size_t>(bytes[at] | bytes[at + 1] << 8);
    };
    auto le32 = [&](std::size_t at) {
        return static_cast<std::size_t>(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
                                        static_cast<std::uint32_t>(bytes[at + 3]) << 24);
    };
    std::size_t pos = 4 + le16(2) + 6;
    for (int i = 0; i < index; ++i)
        pos += 4 + le16(pos + 2) + 6 + le32(pos + 4 + 12);
    return pos + 4;
}

struct ArjRun {
    TUnARJ reader;
    RunRecord record;
    ArjRun(const std::string& archive, const std::string& destination) {
        AimReader(reader, record, archive, destination);
        reader.Password = "secret";
    }
};

TEST(UnArjFixtures, EveryFixtureExtractsAsArjDid) {
    const auto expected = ExpectedOf("arj");
    ASSERT_GE(expected.size(), 17u);
    for (const auto& [name, entries] : expected) {
        SCOPED_TRACE(name);
        TempFolder out;
        ArjRun run(DataPath("arj/" + name), out.Path());
        const int extracted = run.reader.Extract();
        EXPECT_TRUE(run.record.errors.empty()) << run.record.Text();
        EXPECT_EQ(extracted, CheckExtracted(out.Path(), entries));
        for (const auto& [file, pass] : run.record.verdicts)
            EXPECT_TRUE(pass) << file;
    }
}

TEST(UnArjFixtures, TestingChecksEveryMemberAndWritesNothing) {
    for (const auto& [name, entries] : ExpectedOf("arj")) {
        SCOPED_TRACE(name);
        TempFolder out;
        ArjRun run(DataPath("arj/" + name), out.Path());
        int files = 0;
        for (const auto& entry : entries)
            files += entry.path.back() != '/';
        EXPECT_EQ(run.reader.TestFiles(), files);
        EXPECT_TRUE(run.record.errors.empty()) << run.record.Text();
        EXPECT_EQ(out.Count(), 0u);
        for (const auto& [file, pass] : run.record.verdicts)
            EXPECT_TRUE(pass) << file;
    }
}

TEST(UnArjFolders, FolderEntriesMakeFoldersAndNoFiles) {
    TempFolder out;
    fs::create_directories(out.File("docs/sub")); // made before: no failure to open it
    ArjRun run(DataPath("arj/dirs.arj"), out.Path());
    EXPECT_EQ(run.reader.Extract(), 2);
    EXPECT_TRUE(run.record.errors.empty()) << run.record.Text();
    EXPECT_TRUE(fs::is_directory(out.File("empty")));
    EXPECT_TRUE(fs::is_directory(out.File("docs/sub")));
    EXPECT_EQ(FilesBelow(out.Path()),
              (std::vector<std::string>{"docs/sub/deep.txt", "docs/top.txt"}));
}

TEST(UnArjFolders, LabelsAndDataAfterTheEndMarkerWriteNothing) {
    for (const char* name : {"label.arj", "trailing.arj"}) {
        SCOPED_TRACE(name);
        TempFolder out;
        ArjRun run(DataPath(std::string("arj/") + name), out.Path());
        EXPECT_EQ(run.reader.Extract(), 2);
        EXPECT_TRUE(run.record.errors.empty()) << run.record.Text();
        EXPECT_EQ(FilesBelow(out.Path()), (std::vector<std::string>{"alpha.txt", "beta.txt"}));
    }
}

TEST(UnArjSelection, UnchosenMembersAreStillPassedOver) {
    TempFolder out;
    ArjRun run(DataPath("arj/method0.arj"), out.Path());
    run.reader.FileSpec = {"beta.txt"};
    EXPECT_EQ(run.reader.Extract(), 1);
    EXPECT_TRUE(run.record.errors.empty()) << run.record.Text();
    EXPECT_EQ(FilesBelow(out.Path()), (std::vector<std::string>{"beta.txt"}));
    EXPECT_EQ(ReadBytes(out.File("beta.txt")).size(), 708u);
}

// A member that cannot be decoded leaves an existing file of its name alone.
TEST(UnArjRefusal, UndecodableMembersOpenNoOutput) {
    struct Case {
        const char* what;
        std::size_t field; // in the basic header
        std::uint8_t value;
        int code;
    };
    for (const Case& c : {Case{"file type 7", 6, 7, kMsgUnknownFileType},
                          Case{"method 5", 5, 5, kMsgUnsupportedMethod},
                          Case{"minimum version 4", 2, 4, kMsgVersionError}}) {
        SCOPED_TRACE(c.what);
        TempFolder out;
        auto bytes = FixtureBytes("arj/method0.arj");
        bytes[BasicHeaderAt(bytes, 0) + c.field] = c.value;
        WriteBytes(out.File("in.arj"), bytes);
        fs::create_directories(out.File("x"));
        WriteText(out.File("x/alpha.txt"), "kept\n");
        ArjRun run(out.File("in.arj"), out.File("x"));
        EXPECT_EQ(run.reader.Extract(), 1);
        EXPECT_EQ(run.record.Count(c.code), 1) << run.record.Text();
        EXPECT_EQ(ReadText(out.File("x/alpha.txt")), "kept\n");
        EXPECT_EQ(ReadBytes(out.File("x/beta.txt")).size(), 708u);
    }
}

TEST(UnArjRefusal, NoMemberWritesMoreThanItsSize) {
    // long4.arj holds 70,000 bytes; its header now says 1,000.
    TempFolder out;
    auto bytes = FixtureBytes("arj/long4.arj");
    const std::size_t basic = BasicHeaderAt(bytes, 0);
    bytes[basic + 16] = 0xE8;
    bytes[basic + 17] = 0x03;
    bytes[basic + 18] = bytes[basic + 19] = 0;
    WriteBytes(out.File("in.arj"), bytes);
    fs::create_directories(out.File("x"));
    ArjRun run(out.File("in.arj"), out.File("x"));
    const test::PartialSizes written(run.reader);
    EXPECT_EQ(run.reader.Extract(), 0);
    EXPECT_EQ(written.Last(), 1000u);
    EXPECT_FALSE(fs::exists(out.File("x/long.txt")));
    ASSERT_EQ(run.record.verdicts.size(), 1u);
    EXPECT_FALSE(run.record.verdicts[0].second);
}

// ---------------------------------------------------------------------------
// Garbled members

TEST(UnArjPasswords, TheKeyRestartsForEveryMemberAndAttempt) {
    for (const char* name : {"garbled.arj", "garbled4.arj"}) {
        SCOPED_TRACE(name);
        TempFolder out;
        ArjRun run(DataPath(std::string("arj/") + name), out.Path());
        run.reader.Password = "wrong";
        run.reader.OnGetPassword = [&](TZipCommon&, const std::string&, std::string& password,
                                       bool&) {
            ++run.record.passwordQuestions;
            password = "secret";
        };
        EXPECT_EQ(run.reader.Extract(), 2) << run.record.Text();
        // Asked on the second attempt of the first member; the answer serves the second.
        EXPECT_EQ(run.record.passwordQuestions, 1);
        EXPECT_EQ(ReadBytes(out.File("alpha.txt")).size(), 54u);
        EXPECT_EQ(ReadBytes(out.File("beta.txt")).size(), 708u);
        EXPECT_EQ(run.reader.Password, "secret");
    }
}

TEST(UnArjPasswords, ADeclinedPasswordWritesNothing) {
    TempFolder out;
    fs::create_directories(out.File("x"));
    WriteText(out.File("x/alpha.txt"), "kept\n");
    ArjRun run(DataPath("arj/garbled.arj"), out.File("x"));
    run.reader.Password.clear();
    run.reader.OnGetPassword = [&](TZipCommon&, const std::string&, std::string& password, bool&) {
        ++run.record.passwordQuestions;
        password.clear();
    };
    EXPECT_EQ(run.reader.Extract(), 0);
    EXPECT_EQ(run.record.passwordQuestions, 1); // given up: not asked again
    EXPECT_EQ(run.record.Count(kMsgInvalidPassword), 2) << run.record.Text();
    EXPECT_TRUE(run.record.verdicts.empty());
    EXPECT_EQ(ReadText(out.File("x/alpha.txt")), "kept\n");
    EXPECT_FALSE(fs::exists(out.File("x/beta.txt")));
}

// A wrong key is reported once per attempt as a wrong password, never as
// corrupt data, and writes nothing: ARJ keeps no check of the key, so each
// is tried on a pass that writes nothing before the member's output opens.
TEST(UnArjPasswords, AWrongPasswordIsSaidOncePerAttemptAndWritesNothing) {
    for (const char* name : {"garbled.arj", "garbled4.arj"}) {
        SCOPED_TRACE(name);
        TempFolder out;
        ArjRun run(DataPath(std::string("arj/") + name), out.Path());
        run.reader.Password = "wrong";
        run.reader.PasswordAttempts = 3;
        run.reader.OnGetPassword = [&](TZipCommon&, const std::string&, std::string& password,
                                       bool&) {
            ++run.record.passwordQuestions;
            password = "still wrong";
        };
        EXPECT_EQ(run.reader.Extract(), 0);
        EXPECT_EQ(run.record.passwordQuestions, 2);
        // Three attempts on alpha.txt; beta.txt is given up with one report.
        const std::pair<int, std::string> alpha{kMsgInvalidPassword, out.File("alpha.txt")};
        EXPECT_EQ(run.record.errors,
                  (std::vector<std::pair<int, std::string>>{
                      alpha, alpha, alpha, {kMsgInvalidPassword, out.File("beta.txt")}}))
            << run.record.Text();
        EXPECT_EQ(out.Count(), 0u);
    }
}

TEST(UnArjPasswords, AttemptsGovernGarbledMembersOnly) {
    struct Case {
        const char* archive;
        int attempts;
        int extracted;
        int questions; // with a wrong password and wrong answers
    };
    for (const Case& c :
         {Case{"method0.arj", 0, 2, 0}, Case{"method0.arj", -1, 2, 0}, Case{"garbled.arj", 0, 0, 0},
          Case{"garbled.arj", 3, 0, 2}, Case{"garbled.arj", 25, 0, 9}}) {
        SCOPED_TRACE(std::string(c.archive) + " " + std::to_string(c.attempts));
        TempFolder out;
        ArjRun run(DataPath(std::string("arj/") + c.archive), out.Path());
        run.reader.Password = "wrong";
        run.reader.PasswordAttempts = c.attempts;
        run.reader.OnGetPassword = [&](TZipCommon&, const std::string&, std::string& password,
                                       bool&) {
            ++run.record.passwordQuestions;
            password = "still wrong";
        };
        EXPECT_EQ(run.reader.Extract(), c.extracted);
        EXPECT_EQ(run.record.passwordQuestions, c.questions);
        if (c.attempts < 1 && c.extracted == 0) {
            EXPECT_EQ(out.Count(), 0u);
        }
    }
}

// ---------------------------------------------------------------------------
// Volumes

TEST(UnArjVolumes, ASplitMemberIsWrittenAndCountedOnce) {
    TempFolder out;
    ArjRun run(DataPath("arj/multivol.arj"), out.Path());
    std::vector<std::string> begun;
    run.reader.OnBegin = [&](TZipCommon&, const std::string& name, int, bool& extract) {
        begun.push_back(name);
        extract = true;
    };
    EXPECT_EQ(run.reader.Extract(), 1);
    EXPECT_EQ(begun.size(), 1u);
    EXPECT_EQ(ReadBytes(out.File("random.bin")).size(), 24000u);
}

TEST(UnArjVolumes, TheRestOfASkippedMemberIsNotAppendedToAnotherFile) {
    TempFolder out;
    WriteText(out.File("random.bin"), "mine\n");
    ArjRun run(DataPath("arj/multivol.arj"), out.Path());
    run.reader.OverwriteMode = omSkip;
    EXPECT_EQ(run.reader.Extract(), 0);
    EXPECT_EQ(ReadText(out.File("random.bin")), "mine\n");
}

TEST(UnArjVolumes, VolumeNamesInCapitalsAreFound) {
    TempFolder out;
    for (const char* ext : {"arj", "a01", "a02"}) {
        std::string upper(ext);
        for (char& c : upper)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        fs::copy_file(DataPath(std::string("arj/multivol.") + ext), out.File("SET." + upper));
    }
    fs::create_directories(out.File("x"));
    ArjRun run(out.File("SET.ARJ"), out.File("x"));
    EXPECT_EQ(run.reader.Extract(), 1) << run.record.Text();
    EXPECT_EQ(ReadBytes(out.File("x/random.bin")).size(), 24000u);
}

// A declined volume is named, and the member it would have ended is
// reported and never counted, whatever part of it was written.
TEST(UnArjVolumes, WithoutTheNextVolumeTheRunEndsNamingIt) {
    struct Case {
        std::vector<std::string> present;
        const char* missing;
    };
    for (const Case& c : {Case{{"arj"}, "multivol.a01"}, Case{{"arj", "a01"}, "multivol.a02"}}) {
        SCOPED_TRACE(c.missing);
        TempFolder out;
        for (const std::string& ext : c.present)
            fs::copy_file(DataPath("arj/multivol." + ext), out.File("multivol." + ext));
        fs::create_directories(out.File("x"));
        ArjRun run(out.File("multivol.arj"), out.File("x"));
        std::vector<std::string> asked;
        run.reader.OnNextVolume = [&](TZipCommon&, std::string& name, int, bool, bool& cancel) {
            asked.push_back(name);
            cancel = true;
        };
        EXPECT_EQ(run.reader.Extract(), 0) << run.record.Text();
        EXPECT_EQ(asked, std::vector<std::string>{out.File(c.missing)});
        EXPECT_EQ(run.record.errors, (std::vector<std::pair<int, std::string>>{
                                         {kMsgFileNotFound, out.File(c.missing)},
                                         {kMsgReadError, out.File("x/random.bin")}}))
            << run.record.Text();
        EXPECT_LT(ReadBytes(out.File("x/random.bin")).size(), 24000u);
    }
}

// ---------------------------------------------------------------------------
// Damage

TEST(UnArjDamage, CutAndFlippedArchivesEndCleanly) {
    for (const char* name :
         {"method0.arj", "method4.arj", "long1.arj", "long4.arj", "dirs.arj", "garbled.arj"}) {
        SCOPED_TRACE(name);
        const auto bytes = FixtureBytes(std::string("arj/") + name);
        TempFolder out;
        for (std::size_t cut = 0; cut < bytes.size(); cut += 1 + bytes.size() / 97) {
            std::vector<std::uint8_t> damaged(bytes.begin(),
                                              bytes.begin() + static_cast<std::ptrdiff_t>(cut));
            WriteBytes(out.File("in.arj"), damaged);
            ArjRun run(out.File("in.arj"), out.File("x"));
            run.reader.Extract();
        }
        for (std::size_t at = 0; at < bytes.size(); at += 1 + bytes.size() / 211) {
            auto damaged = bytes;
            damaged[at] ^= 0x5A;
            WriteBytes(out.File("in.arj"), damaged);
            ArjRun run(out.File("in.arj"), out.File("x"));
            run.reader.Extract();
        }
    }
}

// The decoders are kept for the whole run: a member whose packed data is
// damaged leaves them as the next member needs them, and the two members
// after it extract whole (methods 1 and 4).
TEST(UnArjDamage, TheMembersAfterADamagedOneExtractWhole) {
    const auto expected = ExpectedOf("arj");
    for (const char* name : {"three1.arj", "three4.arj"}) {
        SCOPED_TRACE(name);
        auto bytes = FixtureBytes(std::string("arj/") + name);
        const std::size_t basic = BasicHeaderAt(bytes, 0);
        const std::size_t data = basic + (bytes[basic - 2] | bytes[basic - 1] << 8) + 4 + 2;
        const std::size_t packed = bytes[basic + 12] | bytes[basic + 13] << 8;
        ASSERT_GT(packed, 40u);
        std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(data + 8), packed - 16, 0xFF);
        TempFolder out;
        WriteBytes(out.File("in.arj"), bytes);
        ArjRun run(out.File("in.arj"), out.File("x"));
        EXPECT_EQ(run.reader.Extract(), 2);
        std::vector<ExpectedEntry> after;
        for (const ExpectedEntry& entry : expected.at(name))
            if (entry.path != "beta.txt") after.push_back(entry);
        ASSERT_EQ(after.size(), 2u);
        EXPECT_EQ(CheckExtracted(out.File("x"), after), 2);
        ASSERT_EQ(run.record.verdicts.size(), 3u);
        EXPECT_FALSE(run.record.verdicts[0].second);
        EXPECT_TRUE(run.record.verdicts[1].second);
        EXPECT_TRUE(run.record.verdicts[2].second);
    }
}

} // namespace
} // namespace sorvane
