// The archive listing bridge: nested blocks of real archives, their entries
// as the field readers read them back, the block layout, failures logged
// once, the next-volume cancel, the stop button, and a scan of a folder of
// archives writing the nested blocks into its file lines.
#include "catalogue/scan/ArchiveBridge.h"

#include "archive/arxArxon.h"
#include "catalogue/format/CatalogueLine.h"
#include "catalogue/format/CatalogueLines.h"
#include "catalogue/format/FormatError.h"
#include "catalogue/format/NumberCode.h"
#include "catalogue/format/TextUtils.h"
#include "catalogue/scan/ScanWalk.h"
#include "platform/Files.h"
#include "tests/catalogue/scan/DriveFixture.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace sorvane {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

std::string Fixture(const std::string& relative) {
    const char* root = std::getenv("SORVANE_TEST_DATA");
    return std::string(root != nullptr ? root : SORVANE_DEFAULT_TEST_DATA) + "/archive/" + relative;
}

class RecordingObserver : public ArchiveListingObserver {
public:
    void ShowMember(const std::string& name) override { shown.push_back(name); }
    bool ListingStopRequested() override { return ++stopAsked >= stopAfter; }
    void ListingError(const std::string& line) override { errors.push_back(line); }
    std::string CurrentPlace() const override { return "E:\\folder\\file.zip"; }

    std::vector<std::string> shown;
    std::vector<std::string> errors;
    int stopAsked = 0;
    int stopAfter = 1'000'000;
};

struct Member {
    std::string name;
    std::uint64_t size;
    std::string date; // ISO text; empty: not checked
};

// The entries of a nested block, decoded by the catalogue's field readers.
std::vector<Member> Decode(const std::string& block) {
    std::vector<Member> members;
    if (block.empty()) return members;
    EXPECT_EQ(block.front(), '\x1F');
    EXPECT_EQ(block.back(), '\x1F');
    const std::string inner = block.substr(1, block.size() - 2);
    std::size_t start = 0;
    while (start <= inner.size()) {
        const std::size_t end = std::min(inner.find('\x1E', start), inner.size());
        const std::string entry = inner.substr(start, end - start);
        members.push_back({std::string(DameAnidadoRuta(entry)), DameAnidadoTamano(entry),
                           ToIsoText(DameAnidadoFecha(entry))});
        start = end + 1;
    }
    return members;
}

void ExpectMembers(const std::string& block, const std::vector<Member>& expected) {
    const std::vector<Member> got = Decode(block);
    ASSERT_EQ(got.size(), expected.size()) << block;
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].name, expected[i].name);
        EXPECT_EQ(got[i].size, expected[i].size) << expected[i].name;
        if (!expected[i].date.empty()) {
            EXPECT_EQ(got[i].date, expected[i].date) << expected[i].name;
        }
    }
}

TEST(ArchiveBridge, ListsTheMembersOfRealArchives) {
    struct Case {
        const char* fixture;
        std::vector<Member> members;
    } cases[] = {
        {"zip/stored.zip",
         {{"alpha.txt", 54, "2021-03-04 05:06:08"}, {"beta.txt", 708, "2021-03-04 05:06:08"}}},
        {"zip/deflated.zip", {{"alpha.txt", 54, ""}, {"beta.txt", 708, ""}}},
    };
    for (const Case& c : cases) {
        RecordingObserver observer;
        ArchiveBridge bridge(observer);
        ExpectMembers(bridge.MontaArx(Fixture(c.fixture)), c.members);
        EXPECT_TRUE(observer.errors.empty()) << c.fixture;
        ASSERT_FALSE(observer.shown.empty());
        EXPECT_EQ(observer.shown.back(), ""); // the label is cleared at the end
    }
}

TEST(ArchiveBridge, EntriesKeepTrueSizesAndBlankControlCharacters) {
    const std::string entry = LineaAnidado("a\x01"
                                           "b.txt",
                                           0x52640000u, 5ULL << 30, 0x20);
    EXPECT_EQ(DameAnidadoTamano(entry), 5ULL << 30);
    EXPECT_EQ(DameAnidadoRuta(entry), "a b.txt");
    // A date that is no DOS date is stored as 1980-01-01.
    EXPECT_EQ(ToIsoText(DameAnidadoFecha(LineaAnidado("x", 0xFFFFFFFFu, 1, 0x20))).substr(0, 10),
              "1980-01-01");
}

TEST(ArchiveBridge, NoMembersNoBlock) {
    TempFolder folder;
    // An empty ZIP (an end record alone) has no members.
    const std::string empty = folder.path() + "/empty.zip";
    WriteFileAtomically(empty, std::string("PK\x05\x06", 4) + std::string(18, '\0'));
    RecordingObserver observer;
    ArchiveBridge bridge(observer);
    EXPECT_EQ(bridge.MontaArx(empty), "");
    EXPECT_TRUE(observer.errors.empty());
}

// A damaged archive puts exactly one line in the error list, with the
// library's message: a ZIP whose central directory is cut off (answered
// through OnCorruptZipHeader: no block) and an ARJ archive cut inside its
// second member (reported through OnError: the first member stays).
TEST(ArchiveBridge, DamagedArchivesAreLoggedOnceWithTheLibrarysMessage) {
    struct Case {
        const char* fixture;
        const char* name;
        std::size_t keep; // bytes of the fixture kept; 0: all but the last 30
        std::vector<Member> members;
    } cases[] = {
        {"zip/stored.zip", "damaged.zip", 0, {}},
        {"arj/method0.arj", "damaged.arj", 500, {{"alpha.txt", 54, "2021-03-04 05:06:08"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fixture);
        TempFolder folder;
        std::string bytes = ReadWholeFile(Fixture(c.fixture));
        ASSERT_GT(bytes.size(), c.keep);
        bytes.resize(c.keep != 0 ? c.keep : bytes.size() - 30);
        const std::string damaged = folder.path() + "/" + c.name;
        WriteFileAtomically(damaged, bytes);
        RecordingObserver failing;
        ArchiveBridge bridge(failing);
        ExpectMembers(bridge.MontaArx(damaged), c.members);
        ASSERT_EQ(failing.errors.size(), 1u);
        EXPECT_EQ(failing.errors[0], CapitalizeFirst(InternalErrorWord()) +
                                         " MontaArx: " + damaged + " / Bad file header");
    }
}

TEST(ArchiveBridge, TheStopButtonEndsTheListing) {
    RecordingObserver observer;
    observer.stopAfter = 1;
    ArchiveBridge bridge(observer);
    const std::vector<Member> members = Decode(bridge.MontaArx(Fixture("zip/stored.zip")));
    EXPECT_EQ(members.size(), 1u);
    EXPECT_TRUE(observer.errors.empty()); // a cancel is no failure
}

TEST(ArchiveBridge, TheNextVolumeIsAlwaysDeclined) {
    TArxon sender;
    std::string name = "x.a01";
    bool cancel = false;
    ArchiveBridge::ArxonNextVolume(sender, name, 1, true, cancel);
    EXPECT_TRUE(cancel);
}

// A multi-volume set is listed up to the end of the volume named, whether its
// further volumes lie beside it or not: the members the walk reports before
// it asks for, or opens, a further volume. ARJ and RAR report a member that
// goes on in the next volume only from its last part; ACE and cabinets
// report it from its first.
TEST(ArchiveBridge, MultiVolumeSetsAreListedToTheEndOfTheVolumeNamed) {
    struct Case {
        const char* first;
        std::vector<const char*> further;
        std::vector<Member> members;
    } cases[] = {
        {"arj/multivol.arj", {"arj/multivol.a01", "arj/multivol.a02"}, {}},
        {"synth/oldvol.rar", {"synth/oldvol.r00", "synth/oldvol.r01"}, {}},
        {"synth/newvol.part1.rar", {"synth/newvol.part2.rar"}, {}},
        {"synth/tailvol.ace", {"synth/tailvol.c00"}, {{"random.bin", 3000, "2021-03-04 05:06:08"}}},
        {"synth/set1.cab",
         {"synth/set2.cab"},
         {{"a.txt", 26, "2021-03-04 05:06:08"}, {"b.txt", 45, "2021-03-04 05:06:08"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.first);
        // Every volume beside the first.
        for (const char* further : c.further)
            ASSERT_TRUE(fs::exists(Fixture(further))) << further;
        RecordingObserver whole;
        ArchiveBridge wholeBridge(whole);
        ExpectMembers(wholeBridge.MontaArx(Fixture(c.first)), c.members);
        EXPECT_TRUE(whole.errors.empty());
        // The first volume alone.
        TempFolder folder;
        const std::string alone = folder.path() + "/" + fs::path(c.first).filename().string();
        fs::copy_file(Fixture(c.first), alone);
        RecordingObserver single;
        ArchiveBridge singleBridge(single);
        ExpectMembers(singleBridge.MontaArx(alone), c.members);
        EXPECT_TRUE(single.errors.empty());
    }
}

class SilentScan final : public ScanObserver {
public:
    bool StopRequested() override { return false; }
    void Update(const ScanState&) override {}
    void Error(const std::string& line) override { errors.push_back(line); }
    std::vector<std::string> errors;
};

TEST(ArchiveBridge, CataloguingAFolderOfArchivesWritesTheirNestedBlocks) {
    TempFolder folder;
    fs::copy_file(Fixture("zip/stored.zip"), folder.path() + "/stored.zip");
    fs::copy_file(Fixture("zip/stored.zip"), folder.path() + "/renamed.bin");
    WriteFileAtomically(folder.path() + "/notes.txt", "plain text");
    RecordingObserver listing;
    ArchiveBridge bridge(listing);
    ScanRequest request;
    request.kind = ScanKind::Folder;
    request.hostRoot = folder.path();
    request.catalogueRoot = "E:\\archives";
    request.sources.nested = [&](const std::string& path) { return bridge.MontaArx(path); };
    SilentScan observer;
    CatalogueLines out;
    RunScan(request, observer, out);
    int withBlock = 0;
    for (std::size_t i = 0; i < out.Count(); ++i) {
        const std::string line(out.Line(i));
        if (line.empty() || line[0] == '\xFF' || !TieneAnidados(line)) continue;
        ++withBlock;
        EXPECT_EQ(DameFicheroNombre(line), "stored.zip");
        // The readers give every entry followed by character 30.
        std::string items = DameFicheroAnidados(line);
        ASSERT_FALSE(items.empty());
        items.back() = '\x1F';
        ExpectMembers("\x1F" + items, {{"alpha.txt", 54, "2021-03-04 05:06:08"},
                                       {"beta.txt", 708, "2021-03-04 05:06:08"}});
    }
    EXPECT_EQ(withBlock, 1); // only the ZIP by its extension; not the .bin, not the text
    EXPECT_TRUE(observer.errors.empty());
    EXPECT_TRUE(listing.errors.empty());
}

// The members of an archive as a direct listing reports them, in the form a
// nested entry keeps: name, true size, DOS date.
std::vector<Member> DirectListing(const std::string& path) {
    std::vector<Member> members;
    TArxon arx;
    arx.OnRead = [&](TZipCommon& sender, int, int) {
        auto& a = static_cast<TArxon&>(sender);
        const std::uint32_t dos = DateTimeToDosDate(a.FileDate).value_or(0x00210000u);
        members.push_back({a.FileName, static_cast<std::uint64_t>(a.UnpackedSize),
                           ToIsoText(DosDateToDateTime(dos).value_or(DateTime{}))});
    };
    arx.OnNextVolume = &ArchiveBridge::ArxonNextVolume;
    arx.SetArchiveFile(path);
    arx.FileSpec.push_back("*.*");
    arx.Activate();
    return members;
}

TEST(ArchiveBridge, CataloguingArchivesOfEveryFamilyKeepsTheirMembers) {
    // Built-in extensions go to the bridge; ".uue" only through a user box.
    const char* const fixtures[] = {
        "zip/folders.zip",        "zip/x.jar",
        "tar/ustar.tar",          "tar/pair.tgz",
        "gzip/stored-name.gz",    "lha/level2-lh5.lzh",
        "lha/level1-folders.lzh", "arj/method1.arj",
        "arc/stored.arc",         "cab/folders.cab",
        "synth/stored.rar",       "synth/stored.ace",
        "synth/stored.zoo",       "synth/pak-distilled.pak",
        "uue/begin-644.uue",
    };
    TempFolder folder;
    for (const char* fixture : fixtures) {
        const fs::path source = Fixture(fixture);
        fs::copy_file(source, folder.path() + "/" + source.filename().string());
    }
    RecordingObserver listing;
    ArchiveBridge bridge(listing);
    ScanRequest request;
    request.kind = ScanKind::Folder;
    request.hostRoot = folder.path();
    request.catalogueRoot = "E:\\archives";
    request.options.extensions[0] = "UUE";
    request.sources.nested = [&](const std::string& path) { return bridge.MontaArx(path); };
    SilentScan observer;
    CatalogueLines out;
    RunScan(request, observer, out);
    std::size_t checked = 0;
    for (std::size_t i = 0; i < out.Count(); ++i) {
        const std::string line(out.Line(i));
        if (line.empty() || line[0] == '\xFF') continue;
        const std::string name(DameFicheroNombre(line));
        SCOPED_TRACE(name);
        const std::vector<Member> expected = DirectListing(folder.path() + "/" + name);
        ASSERT_FALSE(expected.empty());
        ASSERT_TRUE(TieneAnidados(line));
        std::string items = DameFicheroAnidados(line);
        items.back() = '\x1F';
        ExpectMembers("\x1F" + items, expected);
        ++checked;
    }
    EXPECT_EQ(checked, std::size(fixtures));
    EXPECT_TRUE(listing.errors.empty()) << listing.errors.front();
}

} // namespace
} // namespace sorvane
