// The gzip and .Z reader on files of gzip (levels 1 to 9, no name,
// concatenated members, padding) and compress (widths 10 to 16, a CLEAR),
// on hand-made headers (extra field, comment, text flag, a 300-byte name),
// on the non-block .Z of our own encoder, and on gzipped and compressed tars
// extracted through the nested tar reader, compared with gzip -dc,
// compress -dc and tar -x. Then the refusals and damaged streams.
#include "archive/arxMessages.h"
#include "archive/codecs/arxInflate.h"
#include "archive/gzip/arxUnGZip.h"
#include "tests/archive/ArchiveTestSupport.h"
#include "tests/archive/tar/UnTarGzTestSupport.h"
#include "tests/archive/zip/UnZipTestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <zlib.h>

namespace sorvane {
namespace {

using namespace test;
namespace fs = std::filesystem;

bool IsTarFixture(const std::string& name) {
    return name.size() > 4 && name.substr(name.size() - 4) == ".tar";
}

TEST(UnGZipFixtures, EveryMemberMatchesTheReferenceTools) {
    for (const auto& [fixture, files] : UnTarGzExpected()) {
        if (IsTarFixture(fixture)) continue;
        TempFolder work;
        const std::string out = work.File("out"), temp = work.File("temp");
        fs::create_directories(out);
        fs::create_directories(temp);
        TarGzRun run(DataPath("untargz/" + fixture), out, temp);
        int lastByArchive = -1;
        run.reader->OnProgress = [&](TZipCommon&, std::uint8_t, std::uint8_t byArchive) {
            lastByArchive = byArchive;
        };
        EXPECT_EQ(run.reader->Extract(), static_cast<int>(files.size())) << fixture;
        EXPECT_EQ(lastByArchive, 100) << fixture;
        EXPECT_TRUE(run.errors.empty()) << fixture << "\n" << run.ErrorText();
        std::vector<std::string> wanted;
        for (const ExpectedMember& m : files) {
            wanted.push_back(m.path);
            const std::vector<std::uint8_t> data = ReadBytes(out + "/" + m.path);
            EXPECT_EQ(data.size(), m.size) << fixture << " " << m.path;
            EXPECT_EQ(Sha256Hex(data), m.sha256) << fixture << " " << m.path;
        }
        std::sort(wanted.begin(), wanted.end());
        EXPECT_EQ(FilesBelow(out), wanted) << fixture;
        // The temporary tar and its private folder are gone.
        EXPECT_TRUE(fs::is_empty(temp)) << fixture;
        const bool nested =
            fixture.find(".tgz") != std::string::npos || fixture.find(".tar.") != std::string::npos;
        EXPECT_EQ(run.changes.size(), nested ? 1u : 0u) << fixture;
        if (nested && !run.changes.empty()) {
            EXPECT_EQ(run.changes[0].second, atTar);
            EXPECT_EQ(run.reader->ArcType, atTar);
        }
    }
}

// The gzip and .Z fixtures of the listing's folders: names from the stored
// name, the archive less its extension, a gzipped tar into its members.
TEST(UnGZipFixtures, ListingFixturesGiveTheNamesTheCatalogueShows) {
    struct Case {
        const char* fixture;
        std::vector<std::string> files;
    };
    const std::vector<Case> cases = {
        {"gzip/stored-name.gz", {"beta.txt"}},
        {"gzip/no-name.txt.gz", {"no-name.txt"}},
        {"compress/beta.txt.Z", {"beta.txt"}},
        {"tar/pair.tgz", {"alpha.txt", "beta.txt"}},
        {"tar/docs.tar.gz",
         {"alpha.txt", "beta.txt",
          "docs/a-folder-name-that-is-rather-long-indeed/another-folder-name-that-is-also-long/"
          "long-file-name.txt",
          "docs/sub/deep.txt", "docs/top.txt"}},
    };
    for (const Case& c : cases) {
        TempFolder out;
        TarGzRun run(DataPath(c.fixture), out.Path());
        EXPECT_EQ(run.reader->Extract(), static_cast<int>(c.files.size())) << c.fixture;
        EXPECT_TRUE(run.errors.empty()) << c.fixture << "\n" << run.ErrorText();
        EXPECT_EQ(FilesBelow(out.Path()), c.files) << c.fixture;
    }
}

// Folders of the nested tar are kept (a/readme and b/readme both stay); no
// empty output is left for the diverted member; without OnNestedTarFile the
// tar itself is written (25270); testing diverts nothing.
TEST(UnGZipNested, TarsKeepTheirFoldersAndLeaveNothingBehind) {
    for (const char* fixture : {"untargz/folders.tgz", "untargz/folders.tar.Z"}) {
        TempFolder work;
        const std::string out = work.File("out"), temp = work.File("temp");
        fs::create_directories(out);
        fs::create_directories(temp);
        TarGzRun run(DataPath(fixture), out, temp);
        EXPECT_EQ(run.reader->Extract(), 3);
        EXPECT_EQ(run.nestedAsked, 1);
        EXPECT_EQ(FilesBelow(out), (std::vector<std::string>{"a/big.txt", "a/readme", "b/readme"}));
        EXPECT_EQ(ReadText(out + "/a/readme"), "Readme of folder a.\n");
        EXPECT_EQ(ReadText(out + "/b/readme"), "Readme of folder b.\n");
        EXPECT_TRUE(fs::is_empty(temp));

        TempFolder plain;
        TarGzRun unasked(DataPath(fixture), plain.Path(), temp, false);
        EXPECT_EQ(unasked.reader->Extract(), 1);
        EXPECT_EQ(unasked.Count(kMsgEventNotAssigned), 1) << unasked.ErrorText();
        const std::vector<std::string> written = FilesBelow(plain.Path());
        ASSERT_EQ(written.size(), 1u);
        EXPECT_EQ(ReadBytes(plain.File(written[0])).size() % 512, 0u);

        TempFolder tested;
        TarGzRun test(DataPath(fixture), tested.Path(), temp);
        EXPECT_EQ(test.reader->TestFiles(), 1);
        EXPECT_EQ(tested.Count(), 0u);
        EXPECT_TRUE(fs::is_empty(temp));
    }
}

// The overwrite question names only a file the member will really write: a
// gzipped tar goes into its members, so a file of the intermediate tar's
// name is never asked about nor touched; a plain member's existing target
// is asked about, and a skip leaves it as it was and counts nothing.
TEST(UnGZipNested, OnlyAFileToBeWrittenIsAskedAbout) {
    struct Case {
        const char* label;
        const char* fixture;
        const char* existing;
        TOverwriteMode answer;
        std::vector<std::string> asked; // the names OnFileExists was given
        int count;
        bool replaced;
    };
    const std::vector<Case> cases = {
        {"tar inside, skip", "untargz/folders.tgz", "folders.tar", omSkip, {}, 3, false},
        {"tar inside, replace", "untargz/folders.tgz", "folders.tar", omOverwrite, {}, 3, false},
        {"plain, skip", "gzip/stored-name.gz", "beta.txt", omSkip, {"beta.txt"}, 0, false},
        {"plain, replace", "gzip/stored-name.gz", "beta.txt", omOverwrite, {"beta.txt"}, 1, true},
    };
    for (const Case& c : cases) {
        TempFolder work;
        const std::string out = work.File("out"), temp = work.File("temp");
        fs::create_directories(out);
        fs::create_directories(temp);
        WriteText(out + "/" + c.existing, "the user's own file\n");
        TarGzRun run(DataPath(c.fixture), out, temp);
        std::vector<std::string> asked;
        run.reader->ConfirmOverwrites = true;
        run.reader->OnFileExists = [&](TZipCommon&, const std::string& name, std::string&,
                                       TOverwriteMode& mode) {
            asked.push_back(fs::path(name).filename().string());
            mode = c.answer;
        };
        EXPECT_EQ(run.reader->Extract(), c.count) << c.label;
        EXPECT_EQ(asked, c.asked) << c.label;
        EXPECT_TRUE(run.errors.empty()) << c.label << "\n" << run.ErrorText();
        EXPECT_EQ(ReadText(out + "/" + c.existing) != "the user's own file\n", c.replaced)
            << c.label;
        if (c.count == 0) {
            EXPECT_TRUE(run.verdicts.empty()) << c.label;
        }
        EXPECT_TRUE(fs::is_empty(temp)) << c.label;
    }
}

// A gzipped tar cut short gives every member before the damage, as tar -x
// recovered them, and one report naming the archive; nothing is left in the
// temporary folder.
TEST(UnGZipNested, ACutTarGivesItsWholeMembersAndNamesTheArchiveOnce) {
    const auto whole = UnTarGzExpected("untargz/cut.tsv").at("cut.tgz");
    ASSERT_EQ(whole.size(), 2u);
    TempFolder work;
    const std::string out = work.File("out"), temp = work.File("temp");
    fs::create_directories(out);
    fs::create_directories(temp);
    TarGzRun run(DataPath("untargz/cut.tgz"), out, temp);
    EXPECT_EQ(run.reader->Extract(), 2) << run.ErrorText();
    ASSERT_EQ(run.errors.size(), 1u) << run.ErrorText();
    EXPECT_EQ(run.errors[0].fileName, DataPath("untargz/cut.tgz"));
    for (const ExpectedMember& member : whole)
        EXPECT_EQ(Sha256Hex(ReadBytes(out + "/" + member.path)), member.sha256) << member.path;
    EXPECT_TRUE(fs::is_empty(temp));
}

std::string Deflated(const std::string& data) {
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, data.size()) + 16, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

void PutLe32(std::string& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// A gzip member of `data`: method, flags and name as given.
std::string GzipMember(const std::string& data, std::uint8_t flags = 0x08,
                       const std::string& name = "keep.txt", std::uint8_t method = 8) {
    std::string out = {'\x1f', '\x8b', static_cast<char>(method), static_cast<char>(flags)};
    PutLe32(out, 1614834368);
    out += {'\0', '\3'};
    if (flags & 0x08) out += name + '\0';
    out += Deflated(data);
    PutLe32(out, static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data.data()),
                                                  static_cast<uInt>(data.size()))));
    PutLe32(out, static_cast<std::uint32_t>(data.size()));
    return out;
}

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

// Members that cannot be decoded are refused before any output: an existing
// file of their name keeps its content and nothing is counted.
TEST(UnGZipRefusals, NothingIsOpenedForARefusedMember) {
    struct Case {
        const char* label;
        std::string bytes;
        const char* archiveName;
        std::string target;
        int code;
    };
    const std::vector<Case> cases = {
        {"method 7", GzipMember("data", 0x08, "keep.txt", 7), "m.gz", "keep.txt",
         kMsgUnsupportedMethod},
        {"multi-part", GzipMember("data", 0x0A), "m.gz", "keep.txt", kMsgMultiPartGzip},
        {"encrypted", GzipMember("data", 0x28), "m.gz", "keep.txt", kMsgPasswordProtected},
        {"width 17",
         "\x1f\x9d\x91"
         "abcdef",
         "keep.txt.Z", "keep.txt", kMsgIncorrectBits},
        {"width 8",
         "\x1f\x9d\x88"
         "abcdef",
         "keep.txt.Z", "keep.txt", kMsgIncorrectBits},
        {"reserved bits",
         "\x1f\x9d\xd0"
         "abcdef",
         "keep.txt.Z", "keep.txt", kMsgIncompleteCodeSet},
        {"pack",
         "\x1f\x1e"
         "abcdefghij",
         "keep.txt.z", "keep.txt", kMsgUnsupportedMethod},
    };
    for (const Case& c : cases) {
        TempFolder work;
        const std::string archive = work.File(c.archiveName);
        WriteBytes(archive, Bytes(c.bytes));
        WriteText(work.File(c.target), "old content");
        TarGzRun run(archive, work.Path());
        EXPECT_EQ(run.reader->Extract(), 0) << c.label;
        EXPECT_EQ(run.Count(c.code), 1) << c.label << "\n" << run.ErrorText();
        EXPECT_EQ(ReadText(work.File(c.target)), "old content") << c.label;
        EXPECT_EQ(work.Count(), 2u) << c.label;
    }
}

// A stream cut short (25179), a damaged one (25140) and a wrong trailer
// (the CRC verdict) each fail the member.
TEST(UnGZipRefusals, DamagedStreamsFailTheMember) {
    const std::string good = GzipMember(std::string(5000, 'q') + "tail");
    std::string badCrc = good;
    badCrc[badCrc.size() - 6] ^= 0x40;
    std::string badData = good;
    badData[20] = static_cast<char>(0xFF);
    badData[21] = static_cast<char>(0xFF);
    struct Case {
        const char* label;
        std::string bytes;
        int code; // 0: only the failed verdict
    };
    for (const Case& c : {Case{"cut", good.substr(0, good.size() - 12), kMsgEofNotFound2},
                          Case{"cut trailer", good.substr(0, good.size() - 3), kMsgEofNotFound2},
                          Case{"crc", badCrc, 0}, Case{"data", badData, kMsgCorruptInput}}) {
        TempFolder work;
        WriteBytes(work.File("d.gz"), Bytes(c.bytes));
        TarGzRun run(work.File("d.gz"), work.Path());
        EXPECT_EQ(run.reader->Extract(), 0) << c.label;
        if (c.code != 0) {
            EXPECT_EQ(run.Count(c.code), 1) << c.label << "\n" << run.ErrorText();
        }
        ASSERT_EQ(run.verdicts.size(), 1u) << c.label;
        EXPECT_FALSE(run.verdicts[0].second) << c.label;
    }
    // Without OnEnd the CRC mismatch is reported itself.
    TempFolder work;
    WriteBytes(work.File("d.gz"), Bytes(badCrc));
    TarGzRun run(work.File("d.gz"), work.Path());
    run.reader->OnEnd = nullptr;
    EXPECT_EQ(run.reader->Extract(), 0);
    EXPECT_EQ(run.Count(kMsgCrcFailed), 1) << run.ErrorText();
}

// The reader keeps one inflate decoder for its runs and resets it for each
// member: after a file whose stream is damaged halfway, the members of the
// next file, one after another, decode whole.
TEST(UnGZipRefusals, MembersAfterADamagedStreamDecodeWhole) {
    std::string damaged = GzipMember(std::string(40000, 'q') + "tail");
    damaged[damaged.size() / 2] ^= 0x5A;
    damaged[damaged.size() / 2 + 1] ^= 0x5A;
    std::string parts[3] = {"first member\n", std::string(70000, 'r') + "second\n",
                            "third member\n"};
    for (int i = 0; i < 2000; ++i)
        parts[2] += std::to_string(i * 7919 % 1000);
    TempFolder work;
    WriteBytes(work.File("d.gz"), Bytes(damaged));
    WriteBytes(work.File("m.gz"), Bytes(GzipMember(parts[0], 0x08, "all.txt") +
                                        GzipMember(parts[1], 0) + GzipMember(parts[2], 0)));
    TarGzRun run(work.File("d.gz"), work.Path());
    EXPECT_EQ(run.reader->Extract(), 0);
    ASSERT_EQ(run.verdicts.size(), 1u);
    EXPECT_FALSE(run.verdicts[0].second);
    run.reader->SetArchiveFile(work.File("m.gz"));
    EXPECT_EQ(run.reader->Extract(), 1) << run.ErrorText();
    EXPECT_EQ(ReadText(work.File("all.txt")), parts[0] + parts[1] + parts[2]);
}

// Output names: a stored ".tgz" becomes ".tar", a stored name with the
// archive's own extension loses it; UTF-8 stays UTF-8.
TEST(UnGZipNames, StoredNamesFollowTheRules) {
    struct Case {
        const char* stored;
        const char* archive;
        const char* written;
    };
    for (const Case& c :
         {Case{"data.tgz", "x.gz", "data.tar"}, Case{"notes.gz", "notes.gz", "notes"},
          Case{"sub/name.txt", "x.gz", "sub/name.txt"},
          Case{"café-ñandú.txt", "x.gz", "café-ñandú.txt"}}) {
        TempFolder work;
        WriteBytes(work.File(c.archive), Bytes(GzipMember("not a tar", 0x08, c.stored)));
        const std::string out = work.File("out");
        fs::create_directories(out);
        TarGzRun run(work.File(c.archive), out);
        EXPECT_EQ(run.reader->Extract(), 1) << c.stored << "\n" << run.ErrorText();
        EXPECT_EQ(FilesBelow(out), std::vector<std::string>{c.written}) << c.stored;
    }
}

// A stream of 258-byte matches decodes as Deflate even while the process
// switch asks for Deflate64.
TEST(UnGZipNames, TheDeflate64SwitchDoesNotReachGzip) {
    const std::string data(1 << 20, 'z');
    TempFolder work;
    WriteBytes(work.File("z.gz"), Bytes(GzipMember(data, 0x08, "z.bin")));
    SetInflateDeflate64(true);
    TarGzRun run(work.File("z.gz"), work.Path());
    const int count = run.reader->Extract();
    SetInflateDeflate64(false);
    EXPECT_EQ(count, 1) << run.ErrorText();
    EXPECT_EQ(ReadText(work.File("z.bin")), data);
}

} // namespace
} // namespace sorvane
