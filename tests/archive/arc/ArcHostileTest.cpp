// The ARC reader on hostile and damaged archives: methods refused before any
// output is opened, members cut short, data past the declared size, names
// that would leave the destination, end markers, and every fixture
// truncated and mutated.
#include "tests/archive/ArchiveTestSupport.h"
#include "tests/archive/arc/ArcTestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <random>

namespace sorvane {
namespace {

using namespace test;
namespace fs = std::filesystem;

const Bytes kAlpha{'a', 'l', 'p', 'h', 'a', '\n'};

Bytes Stored(const std::string& name, const Bytes& data = kAlpha) {
    return ArcMember(2, name, data, static_cast<std::uint32_t>(data.size()), ArcCrc(data));
}

// A stored member first (what detection takes for ARC), then `rest`.
std::string WriteArchive(const TempFolder& folder, const Bytes& rest,
                         const std::string& name = "test.arc") {
    const std::string path = folder.File(name);
    WriteBytes(path, Join({Stored("FIRST.TXT"), rest}));
    return path;
}

// A method the reader cannot decode is refused before the output is
// opened: a file of that name keeps its content.
TEST(ArcHostile, UndecodableMethodLeavesAnExistingFileAlone) {
    for (std::uint8_t method : {10, 11, 12, 29}) {
        SCOPED_TRACE(int(method));
        TempFolder in, out;
        const std::string archive =
            WriteArchive(in, Join({ArcMember(method, "KEEP.TXT", kAlpha, 6, ArcCrc(kAlpha)),
                                   Stored("AFTER.TXT"), ArcEnd()}));
        WriteBytes(out.File("KEEP.TXT"), {'m', 'i', 'n', 'e'});
        ArcRun run(archive, out.Path());
        run.reader->ConfirmOverwrites = false;
        run.reader->OverwriteMode = omOverwrite;
        EXPECT_EQ(run.reader->Extract(), 2);
        EXPECT_EQ(run.Count(kMsgUnsupportedMethod), 1) << run.ErrorText();
        EXPECT_EQ(ReadText(out.File("KEEP.TXT")), "mine");
        EXPECT_TRUE(fs::exists(out.File("AFTER.TXT")));
    }
}

TEST(ArcHostile, DamagedMembersAreReportedAndNotCounted) {
    struct Case {
        const char* what;
        Bytes rest;
        int code;
        std::uintmax_t written; // bytes of BAD.TXT on disk
    };
    const Bytes eight(8, 'x');
    const std::vector<Case> cases{
        // Stored data longer than the declared size: only that size is written.
        {"stored past its size", Join({ArcMember(2, "BAD.TXT", eight, 5, 0), ArcEnd()}),
         kMsgCorruptInput, 5},
        // The archive ends inside the member's data: a bad header, as the
        // listing has it, and nothing written.
        {"cut short", ArcMember(2, "BAD.TXT", eight, 8, ArcCrc(eight)), kMsgBadFileHeader, 0},
        {"bad tree", Join({ArcMember(4, "BAD.TXT", {0x01, 0x01, 0, 0}, 8, 0), ArcEnd()}),
         kMsgInvalidDecodeTree, 0},
        {"wrong width byte", Join({ArcMember(8, "BAD.TXT", {13, 0x41, 0}, 8, 0), ArcEnd()}),
         kMsgIncorrectBits, 0},
        {"wrong CRC", Join({ArcMember(2, "BAD.TXT", eight, 8, 1), ArcEnd()}), kMsgCrcFailed, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder in, out;
        Bytes rest = c.rest;
        const bool cut = c.code == kMsgBadFileHeader;
        if (cut) rest.resize(rest.size() - 3); // 5 of 8 data bytes
        ArcRun run(WriteArchive(in, rest), out.Path());
        run.reader->OnEnd = nullptr; // failures reach OnError
        const test::PartialSizes written(*run.reader);
        EXPECT_EQ(run.reader->Extract(), 1);
        EXPECT_EQ(run.Count(c.code), 1) << run.ErrorText();
        EXPECT_EQ(run.errors.size(), 1u) << run.ErrorText();
        // Nothing under the member's name; the cut one is never begun at all.
        EXPECT_EQ(written.Last(), c.written);
        EXPECT_FALSE(fs::exists(out.File("BAD.TXT")));
    }
}

// Method 0 ends the archive; a folder's end with no folder open ends it too.
TEST(ArcHostile, EndMarkersEndTheWalk) {
    for (const Bytes& end : {ArcEnd(), ArcFolderEnd()}) {
        TempFolder in, out;
        ArcRun run(WriteArchive(in, Join({end, Stored("HIDDEN.TXT"), ArcEnd()})), out.Path());
        EXPECT_EQ(run.reader->Extract(), 1);
        EXPECT_TRUE(run.errors.empty()) << run.ErrorText();
        EXPECT_FALSE(fs::exists(out.File("HIDDEN.TXT")));
    }
    // A header cut short is damage, reported once.
    TempFolder in, out;
    const Bytes next = Stored("NEXT.TXT");
    ArcRun run(WriteArchive(in, Bytes(next.begin(), next.begin() + 20)), out.Path());
    EXPECT_EQ(run.reader->Extract(), 1);
    EXPECT_EQ(run.Count(kMsgReadError), 1) << run.ErrorText();
}

// Names that would leave the destination are refused, in folders too; a
// PAK archive has no folders, so 30 is a method it cannot decode.
TEST(ArcHostile, NamesStayInsideTheDestination) {
    TempFolder in, root;
    const std::string dest = root.File("dest");
    fs::create_directories(dest);
    const Bytes inner = Join({Stored("ESCAPE.TXT"), ArcFolderEnd()});
    ArcRun run(WriteArchive(in, Join({ArcFolder("..", inner), Stored("..\\UP.TXT"),
                                      Stored("/ABS.TXT"), Stored("OK.TXT"), ArcEnd()})),
               dest);
    run.reader->Extract();
    EXPECT_GE(run.Count(kMsgInvalidFileName), 2) << run.ErrorText();
    EXPECT_EQ(FilesBelow(root.Path()),
              (std::vector<std::string>{"dest/ABS.TXT", "dest/FIRST.TXT", "dest/OK.TXT"}));

    TempFolder pakIn, pakOut;
    const std::string pak = pakIn.File("test.pak");
    WriteBytes(pak, Join({ArcMember(11, "D.TXT", {}, 0, 0), ArcFolder("SUB", inner),
                          Stored("TOP.TXT"), ArcEnd()}));
    ArcRun pakRun(pak, pakOut.Path());
    EXPECT_EQ(pakRun.reader->ArcType, atPak);
    pakRun.reader->Extract();
    EXPECT_EQ(pakRun.Count(kMsgUnsupportedMethod), 2) << pakRun.ErrorText();
    EXPECT_FALSE(fs::exists(pakOut.File("SUB")));
}

// Every fixture cut short and with bytes changed: no crash, no hang,
// nothing outside the destination, no file larger than its archive could
// declare.
TEST(ArcHostile, TruncatedAndMutatedFixturesFailCleanly) {
    std::mt19937 random(2128);
    for (const auto& [name, files] : ExpectedArcExtractions()) {
        if (name.find("longrun") != std::string::npos) continue; // 32 MiB per run
        SCOPED_TRACE(name);
        const Bytes original = FixtureBytes(name);
        std::vector<Bytes> variants;
        for (std::size_t cut : {std::size_t{1}, std::size_t{2}, std::size_t{27}, std::size_t{30},
                                original.size() / 2, original.size() - 3})
            if (cut < original.size())
                variants.emplace_back(original.begin(), original.end() - cut);
        for (int i = 0; i < 24; ++i) {
            Bytes mutated = original;
            for (int j = 0; j < 1 + i % 4; ++j)
                mutated[random() % mutated.size()] ^= static_cast<std::uint8_t>(1 + random() % 255);
            variants.push_back(std::move(mutated));
        }
        for (const Bytes& bytes : variants) {
            TempFolder in, root;
            const std::string dest = root.File("dest");
            fs::create_directories(dest);
            const std::string archive = in.File(name.substr(name.rfind('/') + 1));
            WriteBytes(archive, bytes);
            ArcRun run(archive, dest);
            run.reader->Extract();
            run.reader->TestFiles();
            for (const std::string& file : FilesBelow(root.Path())) {
                EXPECT_EQ(file.rfind("dest/", 0), 0u) << file;
                EXPECT_LE(fs::file_size(root.File(file)), 0xFFFFFFFFu);
            }
        }
    }
}

} // namespace
} // namespace sorvane
