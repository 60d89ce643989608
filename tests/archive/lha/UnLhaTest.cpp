// The LHA reader on fixtures made by jlha and the jlha library (every
// method and header level), each file compared byte for byte (SHA-256) and
// by date with what lhasa extracted when the fixtures were made; refused
// methods, the output bound, damaged and truncated members.
#include "archive/lha/arxUnLha.h"
#include "platform/Files.h"
#include "tests/archive/ArchiveTestSupport.h"
#include "tests/archive/zip/UnZipTestSupport.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

namespace sorvane {
namespace {

using namespace test;
namespace fs = std::filesystem;

constexpr const char* kExpected = "lha/expected.tsv";

std::string FixturePath(const std::string& name) {
    return DataPath("lha/" + name);
}

// An LHA reader on one archive and one destination, recording reports and verdicts.
struct LhaRun {
    TUnLha reader;
    std::vector<Reported> errors;
    std::vector<std::pair<std::string, bool>> verdicts;

    LhaRun(const std::string& archive, const std::string& destination) {
        reader.SetArchiveFile(archive);
        reader.SetExtractDir(destination);
        reader.FileSpec = {"*"};
        reader.CreateStoredDirs = true;
        reader.OnError = [this](TZipCommon&, const std::string& f, const std::string& m,
                                const std::string&, int code) {
            errors.push_back({f, m, code});
        };
        reader.OnEnd = [this](TZipCommon&, const std::string& name, bool pass) {
            verdicts.emplace_back(name, pass);
        };
    }
    int Count(int code) const {
        return static_cast<int>(std::count_if(
            errors.begin(), errors.end(), [code](const Reported& r) { return r.code == code; }));
    }
    std::string ErrorText() const {
        std::string text;
        for (const auto& e : errors)
            text += std::to_string(e.code) + " " + e.fileName + " " + e.extended + "\n";
        return text;
    }
    int Failed() const {
        return static_cast<int>(std::count_if(verdicts.begin(), verdicts.end(),
                                              [](const auto& v) { return !v.second; }));
    }
};

// The whole archive as bytes, for patched copies.
std::vector<std::uint8_t> Fixture(const std::string& name) {
    return ReadBytes(FixturePath(name));
}

void PutLe32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

TEST(UnLhaFixtures, EveryFixtureExtractsAsLhasa) {
    const auto expected = ExpectedExtractions(kExpected);
    ASSERT_GE(expected.size(), 20u);
    for (const auto& [name, files] : expected) {
        if (name == "lib-refused.lzh") continue;    // lhasa decodes -lz5-; see below
        if (name.rfind("links-", 0) == 0) continue; // their links are refused; see below
        SCOPED_TRACE(name);
        TempFolder out;
        LhaRun run(FixturePath(name), out.Path());
        EXPECT_EQ(run.reader.Extract(), static_cast<int>(files.size()));
        EXPECT_TRUE(run.errors.empty()) << run.ErrorText();
        EXPECT_EQ(run.Failed(), 0);
        std::vector<std::string> wanted;
        for (const ExpectedFile& file : files) {
            SCOPED_TRACE(file.path);
            wanted.push_back(file.path);
            const std::string path = out.File(file.path);
            const auto bytes = ReadBytes(path);
            EXPECT_EQ(bytes.size(), file.size);
            EXPECT_EQ(Sha256Hex(bytes), file.sha256);
            EXPECT_EQ(ModifiedText(path), file.modified);
        }
        std::sort(wanted.begin(), wanted.end());
        EXPECT_EQ(FilesBelow(out.Path()), wanted);
    }
}

TEST(UnLhaFixtures, TestingChecksEveryMemberAndWritesNothing) {
    for (const char* name : {"jlha-0.lzh", "jlha-2.lzh", "jlha-o7.lzh", "lib-lh1.lzh",
                             "lib-lh4.lzh", "level1-lh0.lzh"}) {
        SCOPED_TRACE(name);
        TempFolder out;
        LhaRun run(FixturePath(name), out.Path());
        const int files = static_cast<int>(ExpectedExtractions(kExpected).at(name).size());
        EXPECT_EQ(run.reader.TestFiles(), files);
        EXPECT_TRUE(run.errors.empty()) << run.ErrorText();
        EXPECT_EQ(run.Failed(), 0);
        EXPECT_EQ(out.Count(), 0u);
    }
}

// Level 1 counts its extended headers in the packed size: a stored member
// is its data alone, not the start of the next header.
TEST(UnLhaHeaders, LevelOneStoredMemberIsItsDataAlone) {
    TempFolder out;
    LhaRun run(FixturePath("level1-lh0.lzh"), out.Path());
    EXPECT_EQ(run.reader.Extract(), 2);
    EXPECT_EQ(ReadText(out.File("alpha.txt")),
              "Alpha file of the archive fixtures.\nIt has two lines.\n");
    EXPECT_EQ(run.Failed(), 0);
}

// Level 2: the name comes from the name header whatever comes first, and the
// time is Unix seconds whatever the OS byte says.
TEST(UnLhaHeaders, LevelTwoNamesAndUnixTimes) {
    TempFolder out;
    LhaRun run(FixturePath("level2-lh5.lzh"), out.Path());
    EXPECT_EQ(run.reader.Extract(), 2);
    EXPECT_TRUE(fs::exists(out.File("alpha.txt")));
    EXPECT_EQ(ModifiedText(out.File("alpha.txt")), "2021-03-04 05:06:08");
    EXPECT_EQ(FilesBelow(out.Path()), (std::vector<std::string>{"alpha.txt", "beta.txt"}));
}

// Members of methods the reader does not decode (-lz5-, -lh2-) are reported
// and leave no file: an existing file of that name keeps its bytes.
TEST(UnLhaMethods, RefusedMethodsOpenNoOutput) {
    TempFolder out;
    WriteText(out.File("spaces.txt"), "keep me");
    LhaRun run(FixturePath("lib-refused.lzh"), out.Path());
    EXPECT_EQ(run.reader.Extract(), 2);
    EXPECT_EQ(run.Count(kMsgUnsupportedMethod), 2) << run.ErrorText();
    EXPECT_EQ(ReadText(out.File("spaces.txt")), "keep me");
    EXPECT_FALSE(fs::exists(out.File("bin.dat")));
    EXPECT_EQ(ReadFileSize(out.File("text.txt")), 131072u);
    EXPECT_TRUE(fs::exists(out.File("empty.txt")));
}

// The declared size bounds the output of every method, and a stream that
// has run out of packed data stops instead of writing up to a huge size.
TEST(UnLhaBounds, OutputNeverPassesTheDeclaredSize) {
    struct Case {
        const char* fixture;
        std::size_t unpackedField; // offset of the first member's unpacked size
        std::uint32_t declared;
        std::uint64_t most; // the file may hold at most this many bytes
    };
    // First members: jlha-0 text.txt (-lh5-), lib-lh1 text.txt (-lh1-),
    // jlha-z bin.dat (-lh0-).
    const Case cases[] = {
        {"jlha-0.lzh", 11, 1000, 1000},
        {"lib-lh1.lzh", 11, 1000, 1000},
        {"jlha-z.lzh", 11, 1000, 1000},
        {"jlha-0.lzh", 11, 0xFFFFFF00u, 1u << 20},
        {"lib-lh1.lzh", 11, 0xFFFFFF00u, 1u << 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.fixture) + " " + std::to_string(c.declared));
        TempFolder out;
        TempFolder in;
        auto bytes = Fixture(c.fixture);
        PutLe32(bytes, c.unpackedField, c.declared);
        const std::string archive = in.File("patched.lzh");
        WriteBytes(archive, bytes);
        LhaRun run(archive, out.Path());
        run.reader.FileSpec = {"text.txt", "bin.dat"};
        std::uint64_t firstSize = 0;
        auto onEnd = run.reader.OnEnd;
        run.reader.OnEnd = [&](TZipCommon& sender, const std::string& name, bool pass) {
            // What the first member wrote, seen before its verdict removes it.
            if (run.verdicts.empty()) firstSize = ReadFileSize(run.reader.PartialFileName());
            onEnd(sender, name, pass);
        };
        run.reader.Extract();
        ASSERT_FALSE(run.verdicts.empty());
        EXPECT_LE(firstSize, c.most);
        if (c.declared == 1000) {
            EXPECT_EQ(firstSize, 1000u);
            EXPECT_GE(run.Failed(), 1); // the CRC is of the whole data
            // A failed member leaves nothing under its name.
            EXPECT_FALSE(run.verdicts[0].second);
            EXPECT_FALSE(fs::exists(out.File(fs::path(run.verdicts[0].first).filename())));
        } else {
            // All the stream holds, and at most what a few zero bytes past it decode to.
            EXPECT_GE(firstSize, 131072u);
            EXPECT_LE(firstSize, 131072u + 5u * 8u * 60u);
        }
    }
}

// Damaged archives: cut short anywhere, or with bytes changed, they give
// reports and CRC failures, never a crash; the walk always moves forward.
TEST(UnLhaDamage, TruncatedAndMutatedArchivesEndCleanly) {
    for (const char* name : {"jlha-1.lzh", "jlha-2.lzh", "lib-lh1.lzh", "jlha-o7.lzh"}) {
        SCOPED_TRACE(name);
        const auto whole = Fixture(name);
        for (std::size_t cut : {std::size_t{10}, std::size_t{30}, whole.size() / 3,
                                whole.size() / 2, whole.size() - 3}) {
            TempFolder in, out;
            WriteBytes(in.File("cut.lzh"),
                       std::vector<std::uint8_t>(whole.begin(), whole.begin() + cut));
            LhaRun run(in.File("cut.lzh"), out.Path());
            run.reader.Extract();
        }
        for (std::size_t at = 40; at < whole.size(); at += whole.size() / 7) {
            TempFolder in, out;
            auto bytes = whole;
            bytes[at] ^= 0x5A;
            WriteBytes(in.File("bad.lzh"), bytes);
            LhaRun run(in.File("bad.lzh"), out.Path());
            run.reader.Extract();
        }
    }
}

// A member whose data reaches past the archive's end is reported as cut
// short and not counted, even where its decoder would have made up the
// missing tail; the members before it are whole.
TEST(UnLhaDamage, MemberCutShortIsReportedAndNotCounted) {
    struct Case {
        const char* fixture;
        const char* last; // the member cut short
    };
    const auto expected = ExpectedExtractions(kExpected);
    for (const Case& c :
         {Case{"zeros-lh5.lzh", "zeros.bin"}, Case{"zeros-lh7.lzh", "zeros.bin"},
          Case{"jlha-2.lzh", "docs\\sub\\deep.txt"}, Case{"jlha-1.lzh", "docs\\sub\\deep.txt"}}) {
        SCOPED_TRACE(c.fixture);
        auto bytes = Fixture(c.fixture);
        bytes.resize(bytes.size() - 2); // without the end mark and the last data byte
        TempFolder in, out;
        WriteBytes(in.File("cut.lzh"), bytes);
        LhaRun run(in.File("cut.lzh"), out.Path());
        const int whole = static_cast<int>(expected.at(c.fixture).size()) - 1;
        EXPECT_EQ(run.reader.Extract(), whole) << run.ErrorText();
        ASSERT_EQ(run.errors.size(), 1u) << run.ErrorText();
        EXPECT_EQ(run.errors[0].code, kMsgReadError);
        EXPECT_EQ(run.errors[0].fileName, c.last);
    }
}

// A damaged -lh5- or -lh7- stream of an all-zero file (stored CRC-16 0, the
// CRC of every run of zeros) passes only when it decodes whole: wherever the
// damage lies, a member counted is all 65,536 zeros, and one not counted is
// reported.
TEST(UnLhaDamage, DecoderVerdictDecidesBesideTheCrc) {
    for (const char* name : {"zeros-lh5.lzh", "zeros-lh7.lzh"}) {
        SCOPED_TRACE(name);
        const auto whole = Fixture(name);
        const std::size_t packed = 42; // lhasa v: both members pack to 42 bytes
        const std::size_t data = whole.size() - 1 - packed;
        int failed = 0;
        for (std::size_t at = data; at < data + packed; ++at) {
            SCOPED_TRACE(at);
            auto bytes = whole;
            bytes[at] ^= 0xFF;
            TempFolder in, out;
            WriteBytes(in.File("bad.lzh"), bytes);
            LhaRun run(in.File("bad.lzh"), out.Path());
            if (run.reader.Extract() == 1) {
                EXPECT_EQ(ReadBytes(out.File("zeros.bin")), std::vector<std::uint8_t>(65536, 0));
            } else {
                ++failed;
                EXPECT_EQ(run.Failed(), 1);
                EXPECT_LE(run.errors.size(), 1u) << run.ErrorText();
            }
        }
        EXPECT_GT(failed, 0);
    }
}

// Unix LHA's symbolic links ("name|target" folder entries of level 1 and 2)
// are refused by name and target, like the tar reader's; nothing is made
// for them and the members around them extract.
TEST(UnLhaLinks, LinksAreRefusedAndNothingIsMadeForThem) {
    for (const char* name : {"links-1.lzh", "links-2.lzh"}) {
        SCOPED_TRACE(name);
        TempFolder out;
        LhaRun run(FixturePath(name), out.Path());
        EXPECT_EQ(run.reader.Extract(), 2);
        ASSERT_EQ(run.errors.size(), 1u) << run.ErrorText();
        EXPECT_EQ(run.errors[0].code, kMsgUnknownFileType);
        EXPECT_EQ(run.errors[0].fileName, out.File("dir2/symlink1"));
        EXPECT_EQ(run.errors[0].extended, "symbolic link to ../top.txt");
        EXPECT_FALSE(fs::exists(fs::symlink_status(out.File("dir2"))));
        EXPECT_EQ(FilesBelow(out.Path()),
                  (std::vector<std::string>{"docs/sub/deep.txt", "docs/top.txt"}));
    }
}

// A header whose size leaves no room for its name is "Bad file header".
TEST(UnLhaDamage, ShortHeaderIsReported) {
    auto bytes = Fixture("level0-lh0.lzh");
    bytes[0] = 21; // header size: 23 bytes, the name does not fit
    TempFolder in, out;
    WriteBytes(in.File("short.lzh"), bytes);
    LhaRun run(in.File("short.lzh"), out.Path());
    EXPECT_EQ(run.reader.Extract(), 0);
    EXPECT_EQ(run.Count(kMsgBadFileHeader), 1) << run.ErrorText();
    EXPECT_EQ(out.Count(), 0u);
}

} // namespace
} // namespace sorvane
