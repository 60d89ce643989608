// The RAR reader with its module on real archives: the stored fixtures
// extracted byte-identical to unar and bsdtar, volume sets (four-digit part
// numbers among them), names that would leave the destination refused,
// Unicode names through the same guard and renames, members the module
// cannot decode reported one by one without touching any file, the module
// missing.
#include "archive/arxMessages.h"
#include "archive/zip/arxUnZip.h"
#include "tests/archive/ArchiveTestSupport.h"
#include "tests/archive/rar/UnRarTestSupport.h"
#include "tests/archive/zip/UnZipTestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace sorvane {
namespace {

using namespace test;
namespace fs = std::filesystem;

// A fixture of expected.tsv, named by its path from tests/data/archive/rar.
std::string FixturePath(const std::string& name) {
    return DataPath("rar/" + name);
}

TEST(UnRarFixtures, ExtractLikeUnarAndBsdtar) {
    const auto expected = RarExpectedExtractions();
    ASSERT_EQ(expected.size(), 7u);
    for (const auto& [fixture, files] : expected) {
        SCOPED_TRACE(fixture);
        TempFolder out;
        RarRun run(FixturePath(fixture), out.Path());
        EXPECT_EQ(run.reader->Extract(), static_cast<int>(files.size()));
        EXPECT_TRUE(run.errors.empty()) << run.ErrorText();
        EXPECT_TRUE(run.volumesAsked.empty());
        std::vector<std::string> paths;
        for (const RarExpectedFile& f : files) {
            paths.push_back(f.path);
            const auto bytes = ReadBytes(out.File(f.path));
            EXPECT_EQ(bytes.size(), f.size) << f.path;
            EXPECT_EQ(Sha256Hex(bytes), f.sha256) << f.path;
        }
        std::sort(paths.begin(), paths.end());
        EXPECT_EQ(FilesBelow(out.Path()), paths);
        for (const auto& [name, pass] : run.verdicts)
            EXPECT_TRUE(pass) << name;
    }
}

TEST(UnRarFixtures, TestPassWritesNothing) {
    TempFolder out;
    RarRun run(DataPath("synth/stored.rar"), out.Path());
    EXPECT_EQ(run.reader->TestFiles(), 2);
    EXPECT_TRUE(run.errors.empty()) << run.ErrorText();
    EXPECT_EQ(out.Count(), 0u);
    ASSERT_EQ(run.verdicts.size(), 2u);
    EXPECT_EQ(run.verdicts[0], std::make_pair(std::string("alpha.txt"), true));
}

TEST(UnRarFixtures, StoredFoldersFollowTheOptions) {
    for (const bool create : {false, true}) {
        SCOPED_TRACE(create);
        TempFolder out;
        RarRun run(DataPath("rar/names.rar"), out.Path());
        run.reader->CreateStoredDirs = create;
        run.reader->FileSpec = {"*.nothing"};
        EXPECT_EQ(run.reader->Extract(), 0);
        EXPECT_EQ(fs::is_directory(out.File("docs")), create);
        EXPECT_EQ(fs::is_directory(out.File("Ünïcode")), create);
    }
}

// ---------------------------------------------------------------------------
// Names

TEST(UnRarNames, HostileNamesAreRefusedAndNothingLeavesTheDestination) {
    TempFolder root;
    const std::string out = root.File("dest");
    fs::create_directory(out);
    RarRun run(DataPath("rar/hostile.rar"), out);
    EXPECT_EQ(run.reader->Extract(), 1);
    // "..\evil.txt", "\\server\share\evil.txt", the Unicode "..\évil.txt" and the folder
    // "..\evildir".
    EXPECT_EQ(run.Count(kMsgInvalidFileName), 4) << run.ErrorText();
    EXPECT_EQ(run.errors.size(), 4u) << run.ErrorText();
    EXPECT_EQ(FilesBelow(root.Path()), std::vector<std::string>{"dest/safe.txt"});
    EXPECT_FALSE(fs::exists(root.File("evildir")));
}

// A symbolic link of a Unix-made archive is refused by name and target, as
// the tar reader refuses its links; the members around it extract.
TEST(UnRarNames, LinksAreRefusedAndNothingIsMadeForThem) {
    TempFolder out;
    RarRun run(DataPath("rar/link.rar"), out.Path());
    EXPECT_EQ(run.reader->Extract(), 2);
    ASSERT_EQ(run.errors.size(), 1u) << run.ErrorText();
    EXPECT_EQ(run.errors[0].code, kMsgUnknownFileType);
    EXPECT_EQ(run.errors[0].fileName, out.File("link-to-alpha"));
    EXPECT_EQ(run.errors[0].extended, "symbolic link to alpha.txt");
    EXPECT_FALSE(fs::exists(fs::symlink_status(out.File("link-to-alpha"))));
    EXPECT_EQ(FilesBelow(out.Path()), (std::vector<std::string>{"alpha.txt", "beta.txt"}));
}

TEST(UnRarNames, UnicodeNamesFollowUseStoredDirs) {
    TempFolder out;
    RarRun run(DataPath("rar/names.rar"), out.Path());
    run.reader->UseStoredDirs = false;
    EXPECT_EQ(run.reader->Extract(), 2);
    EXPECT_TRUE(run.errors.empty()) << run.ErrorText();
    EXPECT_EQ(FilesBelow(out.Path()), (std::vector<std::string>{"alpha.txt", "bêta.txt"}));
}

TEST(UnRarNames, RenameOfAUnicodeMemberKeepsTheExistingFile) {
    TempFolder out;
    fs::create_directory(out.File("Ünïcode"));
    WriteText(out.File("Ünïcode/bêta.txt"), "kept\n");
    RarRun run(DataPath("rar/names.rar"), out.Path());
    run.reader->ConfirmOverwrites = true;
    run.reader->OnFileExists = [&](TZipCommon&, const std::string& name, std::string& newName,
                                   TOverwriteMode& mode) {
        EXPECT_EQ(name, out.File("Ünïcode/bêta.txt"));
        newName = out.File("renamed/bêta.txt");
        mode = omOverwrite;
    };
    EXPECT_EQ(run.reader->Extract(), 2);
    EXPECT_EQ(ReadText(out.File("Ünïcode/bêta.txt")), "kept\n");
    EXPECT_EQ(ReadBytes(out.File("renamed/bêta.txt")).size(), 708u);
}

// ---------------------------------------------------------------------------
// Members the module cannot decode

TEST(UnRarUndecodable, RarTwoDataIsReportedAndTheExistingFileKept) {
    TempFolder out;
    WriteText(out.File("old.txt"), "kept\n");
    RarRun run(DataPath("rar/rar20.rar"), out.Path());
    EXPECT_EQ(run.reader->Extract(), 1);
    ASSERT_EQ(run.errors.size(), 1u) << run.ErrorText();
    EXPECT_EQ(run.errors[0].code, kMsgUnsupportedArchive);
    EXPECT_EQ(run.errors[0].fileName, "old.txt");
    EXPECT_EQ(ReadText(out.File("old.txt")), "kept\n");
    EXPECT_EQ(ReadBytes(out.File("alpha.txt")).size(), 54u);
}

TEST(UnRarUndecodable, EncipheredMemberWithoutPasswordIsReportedOnce) {
    TempFolder out;
    RarRun run(DataPath("rar/encrypted.rar"), out.Path());
    EXPECT_EQ(run.reader->Extract(), 2);
    ASSERT_EQ(run.errors.size(), 1u) << run.ErrorText();
    EXPECT_EQ(run.errors[0].code, kMsgInvalidPassword);
    EXPECT_EQ(run.errors[0].fileName, "secret.txt");
    EXPECT_EQ(FilesBelow(out.Path()), (std::vector<std::string>{"alpha.txt", "beta.txt"}));
}

TEST(UnRarUndecodable, PasswordWithoutEventIsHandedToTheModule) {
    // The module takes it, then reports what libarchive cannot decipher.
    TempFolder out;
    RarRun run(DataPath("rar/encrypted.rar"), out.Path());
    run.reader->Password = "secret";
    EXPECT_EQ(run.reader->Extract(), 2);
    ASSERT_EQ(run.errors.size(), 1u) << run.ErrorText();
    EXPECT_EQ(run.errors[0].code, kMsgUnsupportedArchive);
    EXPECT_FALSE(fs::exists(out.File("secret.txt")));
}

// ---------------------------------------------------------------------------
// Volumes

// Copies the named fixture files into `folder`.
void CopyFixtures(const TempFolder& folder, const std::vector<std::string>& names) {
    for (const std::string& name : names)
        fs::copy_file(DataPath(name), folder.File(fs::path(name).filename()));
}

TEST(UnRarVolumes, FourDigitPartNumbersFindTheNextVolume) {
    // The second volume lies in another folder: the question names the
    // four-digit part, and the one after it follows the answer's folder.
    TempFolder in, other, out;
    CopyFixtures(in, {"rar/vol4.part0001.rar"});
    CopyFixtures(other, {"rar/vol4.part0002.rar", "rar/vol4.part0003.rar"});
    RarRun run(in.File("vol4.part0001.rar"), out.Path());
    run.reader->OnNextVolume = [&](TZipCommon&, std::string& volume, int, bool, bool& cancel) {
        run.volumesAsked.push_back(volume);
        volume = other.File(fs::path(volume).filename());
        cancel = !fs::exists(volume);
    };
    EXPECT_EQ(run.reader->Extract(), 2);
    EXPECT_TRUE(run.errors.empty()) << run.ErrorText();
    EXPECT_EQ(run.volumesAsked, std::vector<std::string>{in.File("vol4.part0002.rar")});
    EXPECT_EQ(run.reader->Volumes(), (std::vector<std::string>{in.File("vol4.part0001.rar"),
                                                               other.File("vol4.part0002.rar"),
                                                               other.File("vol4.part0003.rar")}));
    EXPECT_EQ(ReadBytes(out.File("random.bin")).size(), 3000u);
    EXPECT_EQ(run.reader->FileTotal, 3054); // the split member counted once
}

TEST(UnRarVolumes, SetLeadingBackToItsVolumeEnds) {
    TempFolder in, out;
    CopyFixtures(in, {"rar/vol4.part0001.rar", "rar/vol4.part0002.rar"});
    RarRun run(in.File("vol4.part0001.rar"), out.Path());
    run.reader->OnNextVolume = [&](TZipCommon&, std::string& volume, int, bool, bool& cancel) {
        run.volumesAsked.push_back(volume);
        volume = in.File("vol4.part0002.rar");
        cancel = false;
    };
    EXPECT_EQ(run.reader->Extract(), 1);
    EXPECT_EQ(run.volumesAsked, std::vector<std::string>{in.File("vol4.part0003.rar")});
    EXPECT_EQ(run.Count(kMsgBrokenVolumeChain), 1) << run.ErrorText();
    EXPECT_EQ(FilesBelow(out.Path()), std::vector<std::string>{"alpha.txt"});
}

TEST(UnRarVolumes, DeclinedVolumeStopsAtTheMemberThatGoesOn) {
    struct Case {
        std::vector<std::string> present;
        std::string asked;
        std::vector<std::string> written;
    };
    const Case cases[] = {
        {{"synth/oldvol.rar", "synth/oldvol.r00"}, "oldvol.r01", {}},
        {{"rar/vol4.part0001.rar", "rar/vol4.part0002.rar"}, "vol4.part0003.rar", {"alpha.txt"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.asked);
        TempFolder in, out;
        CopyFixtures(in, c.present);
        RarRun run(in.File(fs::path(c.present[0]).filename()), out.Path());
        std::vector<std::uint8_t> progress;
        run.reader->OnProgress = [&](TZipCommon&, std::uint8_t, std::uint8_t byArchive) {
            progress.push_back(byArchive);
        };
        EXPECT_EQ(run.reader->Extract(), static_cast<int>(c.written.size()));
        EXPECT_EQ(run.volumesAsked, std::vector<std::string>{in.File(c.asked)});
        // The volume that is not there is named, and the member that needed it.
        EXPECT_EQ(run.Count(kMsgUserCanceled), 0) << run.ErrorText();
        ASSERT_EQ(run.Count(kMsgFileNotFound), 1) << run.ErrorText();
        EXPECT_EQ(run.Count(kMsgReadError), 1) << run.ErrorText();
        for (const auto& error : run.errors) {
            if (error.code == kMsgFileNotFound) {
                EXPECT_EQ(error.fileName, in.File(c.asked));
            }
        }
        EXPECT_EQ(FilesBelow(out.Path()), c.written);
        ASSERT_FALSE(progress.empty());
        EXPECT_EQ(progress.back(), 100);
    }
}

// ---------------------------------------------------------------------------
// The module missing

TEST(UnRarModule, MissingModuleGivesItsMessageAndNothingElse) {
    TempFolder out;
    RarRun run(DataPath("synth/stored.rar"), out.Path());
    SetRarModuleFolder(out.File("nowhere"));
    EXPECT_EQ(run.reader->Extract(), 0);
    ASSERT_EQ(run.errors.size(), 1u) << run.ErrorText();
    EXPECT_EQ(run.errors[0].code, kMsgUnrarNotFound);
    EXPECT_EQ(run.errors[0].fileName, DataPath("synth/stored.rar"));
    EXPECT_EQ(ArxMessageText(kMsgUnrarNotFound), "Unrar?.dll not found");
    EXPECT_EQ(out.Count(), 0u);

    // Other readers go on as before.
    TUnZip zip;
    zip.SetArchiveFile(DataPath("zip/stored.zip"));
    zip.SetExtractDir(out.Path());
    zip.FileSpec = {"*"};
    EXPECT_EQ(zip.Extract(), 2);

    // And the module is found again where it is.
    SetRarModuleFolder(SORVANE_MODULE_DIR);
    TempFolder again;
    RarRun next(DataPath("synth/stored.rar"), again.Path());
    EXPECT_EQ(next.reader->Extract(), 2);
}

TEST(UnRarModule, SubstitutesFail) {
    const TRarEngine engine = MissingRarEngine();
    EXPECT_FALSE(engine.Loaded);
    RAROpenArchiveDataEx open;
    EXPECT_EQ(engine.OpenArchiveEx(&open), nullptr);
    EXPECT_EQ(open.OpenResult, 15u);
    RARHeaderDataEx header{};
    EXPECT_EQ(engine.ReadHeaderEx(nullptr, &header), 12);
    EXPECT_EQ(engine.ProcessFile(nullptr, RAR_EXTRACT, nullptr, nullptr), 13);
    EXPECT_EQ(engine.CloseArchive(nullptr), 0);
}

// ---------------------------------------------------------------------------
// Damaged archives

// Every fixture cut short and with bytes changed: each run ends, and writes
// nothing beside its destination.
TEST(UnRarRobust, TruncatedAndMutatedFixturesEndCleanly) {
    const char* fixtures[] = {
        "synth/stored.rar", "synth/unix-host.rar",   "synth/oldvol.rar",
        "rar/names.rar",    "rar/hostile.rar",       "rar/encrypted.rar",
        "rar/rar20.rar",    "rar/vol4.part0001.rar", "synth/rar-at-image-end.exe",
        "rar/link.rar"};
    std::uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8;
    };
    for (const char* fixture : fixtures) {
        const std::vector<std::uint8_t> whole = FixtureBytes(fixture);
        std::vector<std::vector<std::uint8_t>> variants;
        for (const std::size_t cut : {std::size_t{0}, std::size_t{7}, std::size_t{20},
                                      std::size_t{40}, whole.size() / 2, whole.size() - 1})
            variants.emplace_back(whole.begin(), whole.begin() + std::min(cut, whole.size()));
        for (int i = 0; i < 24; ++i) {
            std::vector<std::uint8_t> changed = whole;
            for (int k = 0; k < 1 + i % 4; ++k)
                changed[next() % changed.size()] = static_cast<std::uint8_t>(next());
            variants.push_back(std::move(changed));
        }
        for (std::size_t v = 0; v < variants.size(); ++v) {
            SCOPED_TRACE(std::string(fixture) + " variant " + std::to_string(v));
            TempFolder root;
            fs::create_directory(root.File("dest"));
            WriteBytes(root.File("a.rar"), variants[v]);
            RarRun run(root.File("a.rar"), root.File("dest"));
            run.reader->OnNextVolume = [](TZipCommon&, std::string&, int, bool, bool& cancel) {
                cancel = true;
            };
            run.reader->Extract();
            for (const std::string& file : FilesBelow(root.Path()))
                EXPECT_TRUE(file == "a.rar" || file.rfind("dest/", 0) == 0) << file;
        }
    }
}

} // namespace
} // namespace sorvane
