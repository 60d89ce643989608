// The ACE reader with the real module: fixtures written by our own ACE 1.0
// encoder (tests/data/archive/ace/make_ace.py), each checked with `unace t`
// when it was made; expected.tsv holds what `unace x` extracted from them.
#include "archive/arxMessages.h"
#include "tests/archive/ArchiveTestSupport.h"
#include "tests/archive/ace/AceTestSupport.h"
#include "tests/archive/zip/UnZipTestSupport.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <sstream>

namespace sorvane::test {
namespace {

namespace fs = std::filesystem;

struct UnaceFile {
    std::string path;
    std::uint64_t size = 0;
    std::string sha256;
};

// expected.tsv: archive, path, size, SHA-256.
std::map<std::string, std::vector<UnaceFile>> UnaceExtractions() {
    std::map<std::string, std::vector<UnaceFile>> result;
    std::istringstream lines(FixtureText("ace/expected.tsv"));
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string archive, path, size, sha;
        if (!std::getline(fields, archive, '\t') || !std::getline(fields, path, '\t') ||
            !std::getline(fields, size, '\t') || !std::getline(fields, sha, '\t'))
            continue;
        result[archive].push_back({path, std::stoull(size), sha});
    }
    return result;
}

std::string FileSha(const std::string& path) {
    return Sha256Hex(ReadBytes(path));
}

TEST(AceExtract, FixturesMatchUnace) {
    const auto expected = UnaceExtractions();
    ASSERT_EQ(expected.size(), 5u);
    for (const auto& [archive, files] : expected) {
        SCOPED_TRACE(archive);
        TempFolder source, destination;
        const std::string path = CopyFixture(archive, source.Path());
        if (archive == "volumes.ace") CopyFixture("volumes.c00", source.Path());
        AceRun run(path, destination.Path());
        EXPECT_EQ(run.reader->Extract(), static_cast<int>(files.size())) << run.ErrorText();
        EXPECT_TRUE(run.errors.empty()) << run.ErrorText();
        std::vector<std::string> names;
        for (const UnaceFile& file : files) {
            names.push_back(file.path);
            const std::string written = destination.File(file.path);
            EXPECT_EQ(fs::file_size(written), file.size) << file.path;
            EXPECT_EQ(FileSha(written), file.sha256) << file.path;
        }
        EXPECT_EQ(FilesBelow(destination.Path()), names);
        EXPECT_EQ(run.volumeAsks, 0); // the next volume lay beside the first
    }
}

TEST(AceExtract, TestingWritesNothingAndChecksEveryMember) {
    for (const std::string archive : {"stored.ace", "lz77.ace", "large.ace"}) {
        SCOPED_TRACE(archive);
        TempFolder destination;
        AceRun run(DataPath("ace/" + archive), destination.Path());
        const int members = archive == "lz77.ace" ? 5 : archive == "stored.ace" ? 2 : 1;
        EXPECT_EQ(run.reader->TestFiles(), members) << run.ErrorText();
        ASSERT_EQ(run.verdicts.size(), static_cast<std::size_t>(members));
        for (const auto& [name, passed] : run.verdicts)
            EXPECT_TRUE(passed) << name;
        EXPECT_EQ(destination.Count(), 0u);
    }
}

// In a solid archive a member left out is still decoded: the next one
// copies from its data.
TEST(AceExtract, SolidMemberAfterOneLeftOut) {
    TempFolder destination;
    AceRun run(DataPath("ace/solid.ace"), destination.Path());
    run.reader->FileSpec = {"second.txt"};
    EXPECT_EQ(run.reader->Extract(), 1) << run.ErrorText();
    EXPECT_EQ(FilesBelow(destination.Path()), std::vector<std::string>{"second.txt"});
    EXPECT_EQ(FileSha(destination.File("second.txt")),
              UnaceExtractions().at("solid.ace").at(1).sha256);
}

// The module keeps one decoder for the run: a member whose packed data is
// damaged leaves it as the members after it need it.
TEST(AceExtract, TheMembersAfterADamagedOneExtractWhole) {
    auto bytes = FixtureBytes("ace/lz77.ace");
    const std::size_t at = 4 + (bytes[2] | bytes[3] << 8);
    const std::size_t data = at + 4 + (bytes[at + 2] | bytes[at + 3] << 8);
    const std::size_t packed = bytes[at + 7] | bytes[at + 8] << 8;
    ASSERT_GT(packed, 16u);
    std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(data + 4), packed - 8, 0xFF);
    TempFolder source, destination;
    WriteBytes(source.File("damaged.ace"), bytes);
    AceRun run(source.File("damaged.ace"), destination.Path());
    EXPECT_EQ(run.reader->Extract(), 4) << run.ErrorText();
    const std::vector<UnaceFile> files = UnaceExtractions().at("lz77.ace");
    ASSERT_EQ(files.front().path, "alpha.txt");
    std::vector<std::string> names;
    for (std::size_t i = 1; i < files.size(); ++i) {
        names.push_back(files[i].path);
        EXPECT_EQ(FileSha(destination.File(files[i].path)), files[i].sha256) << files[i].path;
    }
    EXPECT_EQ(FilesBelow(destination.Path()), names);
    ASSERT_EQ(run.verdicts.size(), files.size());
    EXPECT_FALSE(run.verdicts[0].second);
    for (std::size_t i = 1; i < files.size(); ++i)
        EXPECT_TRUE(run.verdicts[i].second) << files[i].path;
}

TEST(AceExtract, DatesAttributesAndFolderEntries) {
    TempFolder destination;
    AceRun run(DataPath("ace/lz77.ace"), destination.Path());
    ASSERT_EQ(run.reader->Extract(), 5) << run.ErrorText();
    EXPECT_EQ(ModifiedText(destination.File("alpha.txt")), "2021-03-04 05:06:08");
    EXPECT_EQ(ModifiedText(destination.File("docs/sub/deep.txt")), "2021-03-04 05:06:08");
    EXPECT_TRUE(IsReadOnly(destination.File("readonly.txt")));
    EXPECT_FALSE(IsReadOnly(destination.File("alpha.txt")));
    // A folder entry no member fills is made too.
    EXPECT_TRUE(fs::is_directory(destination.File("empty")));
}

TEST(AceExtract, UndecodableMembersReportedOneByOne) {
    struct Case {
        std::string archive, refused, extended;
        std::vector<std::string> extracted;
    };
    const Case cases[] = {
        {"ace20.ace", "blocked.bin", "", {"alpha.txt", "beta.txt"}},
        {"encrypted.ace", "secret.txt", "encrypted", {"alpha.txt"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.archive);
        TempFolder destination;
        AceRun run(DataPath("ace/" + c.archive), destination.Path());
        EXPECT_EQ(run.reader->Extract(), static_cast<int>(c.extracted.size()));
        ASSERT_EQ(run.errors.size(), 1u) << run.ErrorText();
        EXPECT_EQ(run.errors[0].code, kMsgUnsupportedMethod);
        EXPECT_EQ(run.errors[0].fileName, c.refused);
        EXPECT_EQ(run.errors[0].extended, c.extended);
        EXPECT_EQ(FilesBelow(destination.Path()), c.extracted);
        const auto reference = UnaceExtractions().at("lz77.ace");
        for (const std::string& file : c.extracted)
            for (const UnaceFile& known : reference)
                if (known.path == file) {
                    EXPECT_EQ(FileSha(destination.File(file)), known.sha256);
                }
    }
}

TEST(AceExtract, HostileNamesRefusedAndNothingLeavesTheDestination) {
    TempFolder root;
    const std::string destination = root.File("dest");
    fs::create_directory(destination);
    AceRun run(DataPath("ace/hostile.ace"), destination);
    EXPECT_EQ(run.reader->Extract(), 2) << run.ErrorText();
    EXPECT_EQ(run.Count(kMsgInvalidFileName), 4) << run.ErrorText();
    EXPECT_EQ(run.errors.size(), 4u) << run.ErrorText();
    EXPECT_EQ(FilesBelow(root.Path()),
              (std::vector<std::string>{"dest/good.txt", "dest/rooted.txt"}));
    EXPECT_EQ(root.Count(), 1u);
}

// A member the overwrite check refuses is not written, and a rename that
// protects an existing file writes the member under the new name only.
TEST(AceExtract, OverwriteChecksDecideWhatIsWritten) {
    struct Case {
        std::string name;
        std::function<void(TUnACE&, const std::string&)> setUp;
        std::map<std::string, std::string> expected; // file -> content ("*" = the member)
        int count;
    };
    const Case cases[] = {
        {"skip mode",
         [](TUnACE& r, const std::string&) { r.OverwriteMode = omSkip; },
         {{"alpha.txt", "keep me"}},
         0},
        {"refused by OnBegin",
         [](TUnACE& r, const std::string&) {
             r.OnBegin = [](TZipCommon&, const std::string& name, int, bool& extract) {
                 extract = name.find("beta") != std::string::npos;
             };
         },
         {{"alpha.txt", "keep me"}, {"beta.txt", "*"}},
         1},
        {"renamed by OnFileExists to a case variant",
         [](TUnACE& r, const std::string& dest) {
             r.ConfirmOverwrites = true;
             r.OnFileExists = [dest](TZipCommon&, const std::string&, std::string& newName,
                                     TOverwriteMode& mode) {
                 newName = dest + "/ALPHA.txt";
                 mode = omOverwrite;
             };
         },
         {{"alpha.txt", "keep me"}, {"ALPHA.txt", "*"}, {"beta.txt", "*"}},
         2},
        {"renamed by OnRenameFile",
         [](TUnACE& r, const std::string& dest) {
             r.OnBegin = [](TZipCommon&, const std::string&, int, bool& extract) {
                 extract = true;
             };
             r.OnRenameFile = [dest](TZipCommon&, const std::string& name, std::string& newName) {
                 if (name.find("alpha") != std::string::npos) newName = dest + "/moved/a.txt";
             };
         },
         {{"alpha.txt", "keep me"}, {"moved/a.txt", "*"}, {"beta.txt", "*"}},
         2},
    };
    const auto reference = UnaceExtractions().at("stored.ace");
    const std::string alphaSha = reference.at(0).sha256, betaSha = reference.at(1).sha256;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder destination;
        WriteText(destination.File("alpha.txt"), "keep me");
        AceRun run(DataPath("ace/stored.ace"), destination.Path());
        c.setUp(*run.reader, destination.Path());
        EXPECT_EQ(run.reader->Extract(), c.count) << run.ErrorText();
        std::vector<std::string> files;
        for (const auto& [file, content] : c.expected) {
            files.push_back(file);
            const std::string text = ReadText(destination.File(file));
            if (content == "*")
                EXPECT_EQ(Sha256Hex(ReadBytes(destination.File(file))),
                          file.find("beta") != std::string::npos ? betaSha : alphaSha)
                    << file;
            else
                EXPECT_EQ(text, content) << file;
        }
        std::sort(files.begin(), files.end());
        EXPECT_EQ(FilesBelow(destination.Path()), files);
    }
}

// A stop while a member is being written: the member is neither counted nor
// kept, the file of its name stays as it was and no temporary file is left.
TEST(AceExtract, AStopInsideAMemberLeavesTheExistingFile) {
    TempFolder destination;
    WriteText(destination.File("large.txt"), "kept\n");
    AceRun run(DataPath("ace/large.ace"), destination.Path());
    run.reader->ConfirmOverwrites = false;
    run.reader->OverwriteMode = omOverwrite;
    bool stopped = false;
    run.reader->OnProgress = [&](TZipCommon& sender, std::uint8_t byFile, std::uint8_t) {
        if (byFile > 0 && byFile < 100 && !stopped) {
            stopped = true;
            sender.SetCancel(true);
        }
    };
    EXPECT_EQ(run.reader->Extract(), 0) << run.ErrorText();
    EXPECT_TRUE(stopped);
    EXPECT_EQ(ReadText(destination.File("large.txt")), "kept\n");
    EXPECT_EQ(FilesBelow(destination.Path()), std::vector<std::string>{"large.txt"});
}

TEST(AceExtract, NextVolumeTakenAskedOnceOrDeclined) {
    struct Case {
        std::string name;
        bool copySecond;
        bool handler;
        bool decline;
        int count, asks;
        int error;
    };
    const Case cases[] = {
        {"beside the first", true, true, false, 2, 0, 0},
        {"missing, declined: named", false, true, true, 0, 1, kMsgFileNotFound},
        {"missing, not declined: answered as missing", false, true, false, 0, 1, kMsgCorruptInput},
        {"no handler", true, false, false, 0, 0, kMsgEventNotAssigned},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder source, destination;
        const std::string path = CopyFixture("volumes.ace", source.Path());
        if (c.copySecond) CopyFixture("volumes.c00", source.Path());
        AceRun run(path, destination.Path());
        if (!c.handler) run.reader->OnNextVolume = nullptr;
        if (!c.decline && c.handler)
            run.reader->OnNextVolume = [&run](TZipCommon&, std::string&, int, bool, bool& cancel) {
                ++run.volumeAsks;
                cancel = false;
            };
        EXPECT_EQ(run.reader->Extract(), c.count) << run.ErrorText();
        EXPECT_EQ(run.volumeAsks, c.asks);
        if (c.error != 0) {
            EXPECT_EQ(run.Count(c.error), 1) << run.ErrorText();
        }
        EXPECT_EQ(run.Count(kMsgUserCanceled), 0) << run.ErrorText();
        if (c.count == 0) {
            EXPECT_FALSE(fs::exists(destination.File("alpha.txt")));
        }
    }
}

TEST(AceExtract, SyntheticStoredArchivesAndSelfExtractor) {
    for (const std::string fixture : {"synth/stored.ace", "synth/scan-ace.exe"}) {
        SCOPED_TRACE(fixture);
        TempFolder destination;
        AceRun run(DataPath(fixture), destination.Path());
        EXPECT_EQ(run.reader->Extract(), 2) << run.ErrorText();
        ASSERT_EQ(run.verdicts.size(), 2u);
        EXPECT_TRUE(run.verdicts[0].second && run.verdicts[1].second);
    }
}

TEST(AceExtract, MissingOrIncompleteModuleGivesTheLoadMessage) {
    for (const std::string& module :
         {std::string("/nonexistent/libsorvane-ace.so"), std::string(ACE_INCOMPLETE_PATH)}) {
        SCOPED_TRACE(module);
        TempFolder destination;
        AceRun run(DataPath("ace/stored.ace"), destination.Path(), module);
        EXPECT_EQ(run.reader->Extract(), 0);
        ASSERT_EQ(run.errors.size(), 1u) << run.ErrorText();
        EXPECT_EQ(run.errors[0].code, kMsgAceLibraryLoad);
        EXPECT_EQ(destination.Count(), 0u);
    }
}

// Every fixture cut short and with bytes changed: reports, never a crash
// (the sanitizer build checks the memory), and nothing outside the destination.
TEST(AceExtract, DamagedArchivesNeverCrash) {
    for (const std::string fixture : {"stored.ace", "lz77.ace", "large.ace", "volumes.c00"}) {
        const std::vector<std::uint8_t> bytes = FixtureBytes("ace/" + fixture);
        for (std::size_t variant = 0; variant < 48; ++variant) {
            std::vector<std::uint8_t> damaged = bytes;
            if (variant < 16) {
                damaged.resize(bytes.size() * variant / 16);
            } else {
                std::uint32_t seed = static_cast<std::uint32_t>(variant * 2654435761u);
                for (int flips = 0; flips < 4; ++flips) {
                    seed = seed * 1103515245u + 12345u;
                    damaged[seed % damaged.size()] ^= static_cast<std::uint8_t>(1u << (seed >> 29));
                }
            }
            TempFolder root;
            const std::string destination = root.File("dest");
            fs::create_directory(destination);
            WriteBytes(root.File("damaged.ace"), damaged);
            AceRun run(root.File("damaged.ace"), destination);
            run.reader->Extract();
            EXPECT_EQ(root.Count(), 2u) << fixture << " variant " << variant;
        }
    }
}

} // namespace
} // namespace sorvane::test
