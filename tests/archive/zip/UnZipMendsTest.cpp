// The ZIP reader's sound behaviour where a literal reading goes wrong:
// members that cannot be decoded are refused before their output is opened,
// no member writes more than its declared size, names that would leave the
// destination are refused, a rename answer differing only in case is another
// file, passwords asked for and refused, split sets without their volumes,
// damaged data reported as a failure, the verdict on a member and its count.
#include "archive/arxMessages.h"
#include "tests/archive/ArchiveTestSupport.h"
#include "tests/archive/StoredZipDriver.h"
#include "tests/archive/zip/UnZipTestSupport.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

namespace sorvane {
namespace {

using namespace test;
namespace fs = std::filesystem;

std::string WriteZip(const TempFolder& folder, const std::string& name,
                     const std::vector<std::pair<std::string, std::string>>& members) {
    const std::string path = folder.File(name);
    WriteText(path, MakeStoredZip(members));
    return path;
}

TEST(UnZipRefusal, UnknownMethodOpensNoOutputAndTheRunGoesOn) {
    TempFolder out;
    WriteText(out.File("odd.bin"), "kept as it was\n");
    ReaderRun run(DataPath("zip/method99.zip"), out.Path());
    EXPECT_EQ(run.reader->Extract(), 2);
    EXPECT_EQ(run.Count(kMsgUnsupportedMethod), 1) << run.ErrorText();
    EXPECT_EQ(ReadText(out.File("odd.bin")), "kept as it was\n");
    EXPECT_EQ(ReadText(out.File("first.txt")), "first.txt text\n");
    EXPECT_EQ(ReadText(out.File("last.txt")), "last.txt text\n");
}

TEST(UnZipRefusal, MethodsWithoutDecoderLeaveNoFileBehind) {
    // 7-Zip stored the small alpha.txt where its method made it bigger.
    struct Case {
        const char* archive;
        std::vector<std::string> refused;
    };
    for (const Case& c : {Case{"bzip2.zip", {"beta.txt"}}, Case{"lzma.zip", {"beta.txt"}},
                          Case{"ppmd.zip", {"alpha.txt", "beta.txt"}}}) {
        SCOPED_TRACE(c.archive);
        TempFolder out;
        WriteText(out.File("beta.txt"), "kept\n");
        ReaderRun run(DataPath(std::string("zip/") + c.archive), out.Path());
        EXPECT_EQ(run.reader->Extract(), static_cast<int>(2 - c.refused.size()));
        ASSERT_EQ(run.errors.size(), c.refused.size()) << run.ErrorText();
        for (std::size_t i = 0; i < c.refused.size(); ++i) {
            EXPECT_EQ(run.errors[i].code, kMsgUnsupportedMethod);
            EXPECT_EQ(run.errors[i].fileName, c.refused[i]);
        }
        EXPECT_EQ(ReadText(out.File("beta.txt")), "kept\n");
        EXPECT_EQ(fs::exists(out.File("alpha.txt")), c.refused.size() == 1);
    }
}

TEST(UnZipBounds, MembersNeverWriteMoreThanTheyDeclare) {
    TempFolder out;
    ReaderRun run(DataPath("zip/bomb.zip"), out.Path());
    run.reader->OnEnd = nullptr; // failed checks are reported
    const test::PartialSizes written(*run.reader);
    EXPECT_EQ(run.reader->Extract(), 0);
    EXPECT_EQ(run.Count(kMsgCrcFailed), 2) << run.ErrorText();
    EXPECT_EQ(written.Seen(), (std::vector<std::uint64_t>{1000, 1000}));
    // Failed, so neither is left on disk.
    EXPECT_TRUE(fs::is_empty(out.Path()));
}

TEST(UnZipBounds, DamagedDeflateDataIsAFailureNeverASuccess) {
    TempFolder work;
    // alpha.txt's deflated data overwritten in its middle.
    auto bytes = FixtureBytes("zip/deflated.zip");
    const std::size_t data = 30 + 9; // alpha.txt's data behind its local header
    for (std::size_t i = data + 2; i < data + 12; ++i)
        bytes[i] ^= 0x5A;
    const std::string path = work.File("damaged.zip");
    WriteBytes(path, bytes);
    TempFolder out;
    ReaderRun run(path, out.Path());
    run.reader->OnEnd = nullptr;
    EXPECT_EQ(run.reader->Extract(), 1);
    EXPECT_EQ(run.errors.size(), 1u) << run.ErrorText();
    ASSERT_FALSE(run.errors.empty());
    EXPECT_TRUE(run.errors[0].code == kMsgCorruptInput || run.errors[0].code == kMsgCrcFailed);
    EXPECT_EQ(ReadBytes(out.File("beta.txt")).size(), 708u);
}

TEST(UnZipConfinement, NamesLeavingTheDestinationAreRefused) {
    TempFolder parent;
    const std::string destination = parent.File("dest");
    fs::create_directory(destination);
    fs::remove("/tmp/sorvane-absolute.txt");
    ReaderRun run(DataPath("zip/hostile.zip"), destination);
    EXPECT_EQ(run.reader->Extract(), 3);
    EXPECT_EQ(run.Count(kMsgInvalidFileName), 2) << run.ErrorText();
    EXPECT_EQ(FilesBelow(parent.Path()),
              (std::vector<std::string>{"dest/safe.txt", "dest/tmp/sorvane-absolute.txt",
                                        "dest/windows.txt"}));
    EXPECT_FALSE(fs::exists("/tmp/sorvane-absolute.txt"));
}

TEST(UnZipConfinement, LinksNeverLeadOutside) {
    // A link member becomes a small file holding its target; the member
    // behind it cannot be written through it.
    TempFolder outside;
    {
        TempFolder out;
        ReaderRun run(DataPath("zip/links.zip"), out.Path());
        EXPECT_EQ(run.reader->Extract(), 1);
        EXPECT_EQ(ReadText(out.File("lnk")), "/tmp");
        EXPECT_EQ(run.Count(kMsgOpenError), 1) << run.ErrorText();
        EXPECT_FALSE(fs::exists("/tmp/escape.txt"));
    }
    // A link already in the destination is not followed.
    TempFolder out;
    fs::create_directory_symlink(outside.Path(), out.File("lnk"));
    const std::string archive = WriteZip(out, "through.zip", {{"lnk/escape.txt", "x\n"}});
    TempFolder dest2;
    fs::create_directory_symlink(outside.Path(), dest2.File("lnk"));
    ReaderRun run(archive, dest2.Path());
    EXPECT_EQ(run.reader->Extract(), 0);
    EXPECT_EQ(run.Count(kMsgInvalidFileName), 1) << run.ErrorText();
    EXPECT_EQ(outside.Count(), 0u);
}

TEST(UnZipOverwrite, AnswerDifferingOnlyInCaseIsAnotherFile) {
    TempFolder work;
    const std::string archive = WriteZip(work, "a.zip", {{"data.txt", "new\n"}});
    TempFolder out;
    WriteText(out.File("data.txt"), "old\n");
    ReaderRun run(archive, out.Path());
    run.reader->ConfirmOverwrites = true;
    run.reader->OnFileExists = [&](TZipCommon&, const std::string&, std::string& newName,
                                   TOverwriteMode& mode) {
        newName = out.File("Data.txt");
        mode = omOverwrite;
    };
    EXPECT_EQ(run.reader->Extract(), 1);
    EXPECT_EQ(ReadText(out.File("data.txt")), "old\n");
    EXPECT_EQ(ReadText(out.File("Data.txt")), "new\n");
}

TEST(UnZipPasswords, AskedUntilRightAndRefusedWhenNeverRight) {
    struct Case {
        std::vector<std::string> answers;
        int extracted;
        int wrongReports;
    };
    for (const Case& c : {Case{{"wrong", "secret"}, 2, 1}, Case{{"no", "nope", "never"}, 0, 3}}) {
        TempFolder out;
        ReaderRun run(DataPath("zip/encrypted-deflated.zip"), out.Path());
        run.reader->Passwords.clear();
        std::size_t asked = 0;
        run.reader->OnGetPassword = [&](TZipCommon&, const std::string&, std::string& password,
                                        bool& tryAgain) {
            password = asked < c.answers.size() ? c.answers[asked] : "";
            ++asked;
            tryAgain = true;
        };
        EXPECT_EQ(run.reader->Extract(), c.extracted);
        EXPECT_EQ(run.Count(kMsgInvalidPassword), c.wrongReports) << run.ErrorText();
        EXPECT_EQ(asked, c.answers.size());
        EXPECT_EQ(out.Count(), static_cast<std::size_t>(c.extracted));
    }
}

// After the attempts on one member fail, every other enciphered member is
// skipped with a line of its own.
TEST(UnZipPasswords, MembersSkippedAfterFailedAttemptsAreListed) {
    TempFolder out;
    ReaderRun run(DataPath("zip/encrypted-deflated.zip"), out.Path());
    run.reader->Passwords.clear();
    run.reader->OnGetPassword = [](TZipCommon&, const std::string&, std::string& password,
                                   bool& tryAgain) {
        password = "wrong";
        tryAgain = true;
    };
    EXPECT_EQ(run.reader->Extract(), 0);
    ASSERT_EQ(run.errors.size(), 4u) << run.ErrorText();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(run.errors[i].code, kMsgInvalidPassword);
        EXPECT_EQ(run.errors[i].fileName, out.File("alpha.txt"));
    }
    EXPECT_EQ(run.errors[3].code, kMsgPasswordFailed);
    EXPECT_EQ(run.errors[3].fileName, out.File("beta.txt"));
    EXPECT_EQ(out.Count(), 0u);
}

// Members enciphered with AES (made by 7-Zip) are said to be enciphered with
// a cipher the program does not decipher, not to use an unknown method; the
// plain member beside them extracts.
TEST(UnZipRefusal, AesMembersAreNamedAsEnciphered) {
    TempFolder out;
    ReaderRun run(DataPath("zip/aes.zip"), out.Path());
    EXPECT_EQ(run.reader->Extract(), 1);
    ASSERT_EQ(run.errors.size(), 1u) << run.ErrorText();
    EXPECT_EQ(run.errors[0].code, kMsgUnsupportedCipher);
    EXPECT_EQ(run.errors[0].fileName, "beta.txt");
    EXPECT_EQ(run.errors[0].extended, "AES");
    EXPECT_EQ(FilesBelow(out.Path()), std::vector<std::string>{"alpha.txt"});
}

TEST(UnZipVolumes, SplitSetWithoutItsOtherPartWritesNothing) {
    struct Case {
        bool handler;
        int code;
    };
    for (const Case& c : {Case{false, kMsgEventNotAssigned}, Case{true, kMsgFileNotFound}}) {
        TempFolder work;
        const std::string archive = work.File("split-deflate.zip");
        WriteBytes(archive, FixtureBytes("zip/split-deflate.zip"));
        TempFolder out;
        ReaderRun run(archive, out.Path());
        EXPECT_EQ(run.reader->ArcType, atZipMV);
        if (!c.handler) run.reader->OnNextVolume = nullptr;
        EXPECT_EQ(run.reader->Extract(), 0);
        EXPECT_GE(run.Count(c.code), 1) << run.ErrorText();
        EXPECT_EQ(run.Count(kMsgUserCanceled), 0) << run.ErrorText();
        EXPECT_EQ(out.Count(), 0u);
    }
}

// A member passes only when its bytes written equal its declared size: one
// declared a byte longer than its data fails although its CRC matches.
TEST(UnZipVerdict, MemberShorterThanItsDeclaredSizeFails) {
    TempFolder work;
    const std::string stored = WriteZip(work, "stored.zip", {{"a.txt", "aaaa"}, {"b.txt", "bb"}});
    for (const std::string& source : {stored, DataPath("zip/deflated.zip")}) {
        SCOPED_TRACE(source);
        auto bytes = ReadBytes(source);
        // The first central entry's unpacked size, one more than its data.
        const std::string central = "PK\x01\x02";
        const auto at = std::search(bytes.begin(), bytes.end(), central.begin(), central.end());
        ASSERT_NE(at, bytes.end());
        ++*(at + 24);
        const std::string path = work.File("longer.zip");
        WriteBytes(path, bytes);
        TempFolder out;
        ReaderRun run(path, out.Path());
        EXPECT_EQ(run.reader->Extract(), 1);
        ASSERT_EQ(run.verdicts.size(), 2u);
        EXPECT_FALSE(run.verdicts[0].second);
        EXPECT_TRUE(run.verdicts[1].second);
        run.reader->OnEnd = nullptr; // a failed check is reported
        run.errors.clear();
        EXPECT_EQ(run.reader->TestFiles(), 1);
        EXPECT_EQ(run.Count(kMsgCrcFailed), 1) << run.ErrorText();
    }
}

// A member whose output fails is taken out of the count once, not once per
// failed write and again for its verdict; the member before it stays counted.
TEST(UnZipVerdict, MemberWhoseOutputFailsLeavesTheCountOnce) {
    TempFolder work;
    const std::string path =
        WriteZip(work, "two.zip", {{"a.txt", "aaaa"}, {"b.txt", std::string(70000, 'b')}});
    ReaderRun run(path, work.Path());
    std::vector<std::uint8_t> memory(40000);
    run.reader->OutputMemory = memory.data();
    run.reader->OutputMemoryLeft = static_cast<std::int64_t>(memory.size());
    std::unique_ptr<TArxBaseStream> stream;
    ASSERT_TRUE(run.reader->OpenArchive(stream));
    run.reader->OutputMode = kOutputMemory;
    EXPECT_EQ(run.reader->RunExtract(stream, 0), 1);
    EXPECT_EQ(run.Count(kMsgWriteError), 1) << run.ErrorText();
    EXPECT_EQ(run.verdicts,
              (std::vector<std::pair<std::string, bool>>{{"a.txt", true}, {"b.txt", false}}));
}

// A split set opened from a segment that holds no central directory goes on
// from the set's ".zip", which holds it; without that part, it is named.
TEST(UnZipVolumes, SplitSetOpensFromAnyOfItsSegments) {
    const auto expected = ExpectedExtractions();
    for (const char* set : {"zip/split", "zip/split-deflate"}) {
        SCOPED_TRACE(set);
        const std::string stem = fs::path(set).filename().string();
        const auto& files = expected.at(stem + ".zip");
        for (const bool whole : {true, false}) {
            TempFolder work, out;
            WriteBytes(work.File(stem + ".z01"), FixtureBytes(std::string(set) + ".z01"));
            if (whole)
                WriteBytes(work.File(stem + ".zip"), FixtureBytes(std::string(set) + ".zip"));
            ReaderRun run(work.File(stem + ".z01"), out.Path());
            if (whole) {
                EXPECT_EQ(run.reader->Extract(), 1) << run.ErrorText();
                EXPECT_TRUE(run.errors.empty()) << run.ErrorText();
                ASSERT_EQ(files.size(), 1u);
                EXPECT_EQ(Sha256Hex(ReadBytes(out.File(files[0].path))), files[0].sha256);
            } else {
                EXPECT_EQ(run.reader->Extract(), 0);
                ASSERT_EQ(run.errors.size(), 1u) << run.ErrorText();
                EXPECT_EQ(run.errors[0].code, kMsgFileNotFound);
                EXPECT_EQ(run.errors[0].fileName, work.File(stem + ".zip"));
                EXPECT_EQ(out.Count(), 0u);
            }
        }
    }
}

} // namespace
} // namespace sorvane
